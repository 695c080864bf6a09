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
constexpr std::size_t kPixels = std::size_t(kSide) * kSide;
constexpr std::size_t kCaseBytes = kPixels * 4;  // RGBA

// Poses as angle,x,y,z, then fogOn, wireframeOn, spinActive: turned about y, from the front, tipped
// towards the viewer, seen from below and on its side, filled, fogged and in wireframe. The first
// is no identity, so that what a pose leaves on the matrix stack shows in the next. The last turns
// by the frame's spin step.
const char* const kCases[] = {"30,0,1,0,0,0,0",    "0,0,1,0,0,0,0",       "0,0,1,0,0,1,0",
                              "30,0,1,0,1,0,0",    "30,0,1,0,0,1,0",      "-25,1,0.3,0,0,0,0",
                              "-25,1,0.3,0,1,1,0", "160,0.2,1,0.3,1,0,0", "160,0.2,1,0.3,0,1,0",
                              "100,1,0,0.2,0,0,0", "100,1,0,0.2,0,1,0",   "30,0,1,0,0,0,1"};

// Runs one build of the drawing program over all cases; its output file.
std::vector<unsigned char> DrawAll(const char* program, const XServer& server) {
    const std::string path = testing::TempDir() + "fixedgl-frames-" + std::to_string(getpid());
    std::vector<std::string> args = {path, std::to_string(kSide)};
    args.insert(args.end(), std::begin(kCases), std::end(kCases));
    Program run = Launch({program, args, server.display});
    EXPECT_EQ(WaitForExit(run, Millis(20000)), 0) << program << ": " << ReadStderr(run);
    Cleanup(run);
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
    std::remove(path.c_str());
    return bytes;
}

TEST(FixedGl, DrawsTheViewersFramesAsMesaDoes) {
    XServer server = StartXServer(640, 480);
    ASSERT_GT(server.pid, 0) << "Xvfb did not start";
    const auto mesa = DrawAll(FRAMES_ON_MESA, server), layer = DrawAll(FRAMES_ON_FIXEDGL, server);
    StopXServer(server);
    ASSERT_EQ(mesa.size(), std::size(kCases) * kCaseBytes);
    ASSERT_EQ(layer.size(), mesa.size());

    std::printf("%-20s %9s %9s %9s %s\n", "case", "exact", "<= 1", "<= 2", "pixels > 2");
    for (std::size_t c = 0; c < std::size(kCases); ++c) {
        const unsigned char *a = &mesa[c * kCaseBytes], *b = &layer[c * kCaseBytes];
        long within[3] = {}, covered = 0;
        for (std::size_t p = 0; p < kPixels * 4; p += 4) {
            int difference = 0;
            for (int k = 0; k < 3; ++k)
                difference = std::max(difference, std::abs(a[p + k] - b[p + k]));
            for (int n = 0; n < 3; ++n)
                within[n] += difference <= n;
            covered += !std::equal(a + p, a + p + 3, a);  // not the background of the corner
        }
        const long beyond = long(kPixels) - within[2];
        std::printf("%-20s %9.5f %9.5f %9.5f %ld\n", kCases[c], within[0] / double(kPixels),
                    within[1] / double(kPixels), within[2] / double(kPixels), beyond);
        // A picture with something in it, and everywhere but at a few
        // pixels where lines of equal depth cross, the same within 2 levels.
        EXPECT_GT(covered, long(kPixels / 5)) << kCases[c];
        EXPECT_LE(beyond, long(kPixels / 2000)) << kCases[c];
        EXPECT_GE(within[0], long(kPixels * 0.999)) << kCases[c];
    }
}

}  // namespace
