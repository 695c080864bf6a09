// The viewer's real frame drawn through the fixedgl layer on Mesa's OpenGL
// ES 2.0, against the same frame on Mesa's own fixed-function OpenGL: two
// builds of one drawing program on a private X server, compared pixel by
// pixel over a table of poses, plain, fogged and in wireframe.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/harness.h"

namespace {

constexpr int kSide = 320;
constexpr std::size_t kPictureBytes = std::size_t(kSide) * kSide * 3;
constexpr std::size_t kCaseBytes = kPictureBytes + 16 * sizeof(float);

struct Case {
    const char* name;
    const char* arguments;  // angle,x,y,z of the pose, fogOn, wireframeOn, spinActive
};

const Case kCases[] = {
    {"front", "0,0,1,0,0,0,0"},
    {"front, wireframe", "0,0,1,0,0,1,0"},
    {"turned 30 about y", "30,0,1,0,0,0,0"},
    {"turned 30 about y, fog", "30,0,1,0,1,0,0"},
    {"turned 30 about y, wireframe", "30,0,1,0,0,1,0"},
    {"tipped towards the viewer", "-25,1,0.3,0,0,0,0"},
    {"tipped towards the viewer, wireframe and fog", "-25,1,0.3,0,1,1,0"},
    {"seen from below, fog", "160,0.2,1,0.3,1,0,0"},
    {"seen from below, wireframe", "160,0.2,1,0.3,0,1,0"},
    {"on its side", "100,1,0,0.2,0,0,0"},
    {"on its side, wireframe", "100,1,0,0.2,0,1,0"},
    // The frame's spin step: the layer's matrix calls, read back by glGetFloatv.
    {"spinning from 30 about y", "30,0,1,0,0,0,1"},
};

// Runs one build of the drawing program over all cases; its output file.
std::vector<char> DrawAll(const char* program, const XServer& server) {
    char path[] = "/tmp/fixedgl-frames-XXXXXX";
    const int file = mkstemp(path);
    if (file < 0) return {};
    close(file);
    LaunchOptions options;
    options.path = program;
    options.args = {path, std::to_string(kSide)};
    for (const Case& c : kCases)
        options.args.emplace_back(c.arguments);
    options.display = server.display;
    options.probe = false;
    Program run = Launch(options);
    const auto status = WaitForExit(run, Millis(20000));
    EXPECT_EQ(status, 0) << program << ": " << ReadStderr(run);
    Cleanup(run);
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(path);
    return bytes;
}

TEST(FixedGl, DrawsTheViewersFramesAsMesaDoes) {
    XServer server = StartXServer(640, 480);
    ASSERT_GT(server.pid, 0) << "Xvfb did not start";
    const std::vector<char> mesa = DrawAll(FRAMES_ON_MESA, server);
    const std::vector<char> layer = DrawAll(FRAMES_ON_FIXEDGL, server);
    StopXServer(server);
    constexpr std::size_t kCaseCount = std::size(kCases);
    ASSERT_EQ(mesa.size(), kCaseCount * kCaseBytes);
    ASSERT_EQ(layer.size(), mesa.size());

    std::printf("%-46s %9s %9s %9s %s\n", "case", "exact", "<= 1", "<= 2", "pixels > 2");
    for (std::size_t c = 0; c < kCaseCount; ++c) {
        const auto* a = reinterpret_cast<const unsigned char*>(mesa.data() + c * kCaseBytes);
        const auto* b = reinterpret_cast<const unsigned char*>(layer.data() + c * kCaseBytes);
        long within[3] = {}, beyond = 0, covered = 0;
        for (std::size_t p = 0; p < kPictureBytes; p += 3) {
            int difference = 0;
            for (int k = 0; k < 3; ++k)
                difference = std::max(difference, std::abs(int(a[p + k]) - int(b[p + k])));
            for (int n = 0; n < 3; ++n)
                within[n] += difference <= n;
            beyond += difference > 2;
            covered += !std::equal(a + p, a + p + 3, a);  // not the background of the corner
        }
        const double total = double(kSide) * kSide;
        std::printf("%-46s %9.5f %9.5f %9.5f %ld\n", kCases[c].name, within[0] / total,
                    within[1] / total, within[2] / total, beyond);
        // A picture with something in it, and everywhere but at a few
        // pixels where lines of equal depth cross, the same within 2 levels.
        EXPECT_GT(covered, kSide * kSide / 5) << kCases[c].name;
        EXPECT_LE(beyond, kSide * kSide / 2000) << kCases[c].name;
        EXPECT_GE(within[0], long(total * 0.999)) << kCases[c].name;

        float spinMesa[16], spinLayer[16];
        std::copy_n(reinterpret_cast<const char*>(a + kPictureBytes), sizeof spinMesa,
                    reinterpret_cast<char*>(spinMesa));
        std::copy_n(reinterpret_cast<const char*>(b + kPictureBytes), sizeof spinLayer,
                    reinterpret_cast<char*>(spinLayer));
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(spinLayer[i], spinMesa[i], 1e-6f) << kCases[c].name << ", spin " << i;
    }
}

}  // namespace
