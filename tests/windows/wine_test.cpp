// paraboloid.exe, built with mingw-w64 from the same sources, under Wine on a
// private X server: the real Win32 behind the code that our SDL layer
// imitates elsewhere. What X cannot show (box texts, Win32 rectangles, the
// resources in the .exe) wine-reporter.exe reads through Win32.
// gtest first: X11's macros (None, Bool) break its headers.
#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <sys/wait.h>

#include <cstdio>
#include <memory>
#include <sstream>

#include "app/icon/icon_pixels.h"
#include "tests/support/harness.h"

namespace {

const char kTitle[] = " paraboloid velkrin -> p-key";
const char kNotice[] = " mouse: touch the window image for movement----- ";
constexpr Millis kStart(60000);  // Wine starts slowly the first time a prefix is used
constexpr Millis kTimeout(10000);

using Line = std::vector<std::string>;

// The reporter's lines of one kind ("box", "window", "image"), split at tabs.
std::vector<Line> Report(const std::string& kind, const std::string& args = "") {
    std::string output;
    if (std::FILE* pipe = popen(
            (std::string(PARABOLOID_WINE) + " " PARABOLOID_REPORTER " " + args + " 2>/dev/null")
                .c_str(),
            "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
            output += buffer;
        pclose(pipe);
    }
    std::vector<Line> lines;
    std::istringstream in(output);
    for (std::string text; std::getline(in, text);) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        Line fields;
        std::istringstream parts(text);
        for (std::string field; std::getline(parts, field, '\t');)
            fields.push_back(field);
        if (!fields.empty() && fields[0] == kind) lines.push_back(fields);
    }
    return lines;
}

class WineViewer : public ::testing::Test {
protected:
    void Start() {
        server = StartXServer(1024, 768);
        ASSERT_GT(server.pid, 0) << "Xvfb did not start";
        setenv("DISPLAY", server.display.c_str(), 1);
        setenv("WINEPREFIX", PARABOLOID_WINE_PREFIX, 1);
        setenv("WINEDEBUG", "-all", 1);
        setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
        x = std::make_unique<XConnection>(server.display);
        ASSERT_NE(x->display, nullptr);
        viewer = Launch({PARABOLOID_WINE, {PARABOLOID_EXE}, server.display, {}, false});
        ASSERT_GT(viewer.pid, 0);
    }
    void TearDown() override {
        Cleanup(viewer);
        // End this session's wineserver and all it runs, so the next test starts afresh.
        std::system(PARABOLOID_WINESERVER " -k >/dev/null 2>&1; " PARABOLOID_WINESERVER " -w");
        x.reset();
        StopXServer(server);
    }
    // Waits until the picture has stayed the same for `quiet`.
    bool Still(Window window, Millis quiet) {
        Image last = Capture(*x, window);
        auto since = std::chrono::steady_clock::now();
        return WaitUntil(
            [&] {
                Image now = Capture(*x, window);
                if (!(now == last)) last = now, since = std::chrono::steady_clock::now();
                return std::chrono::steady_clock::now() - since >= quiet;
            },
            kTimeout, Millis(20));
    }
    bool Changes(Window window, const Image& from) {
        return WaitUntil([&] { return !(Capture(*x, window) == from); }, kTimeout, Millis(20));
    }

    XServer server;
    std::unique_ptr<XConnection> x;
    Program viewer;
};

TEST_F(WineViewer, ASessionFromTheNoticeToEscape) {
    ASSERT_NO_FATAL_FAILURE(Start());
    // The notice, and nothing else on screen while it waits.
    std::vector<Line> boxes;
    ASSERT_TRUE(WaitUntil([&] { return !(boxes = Report("box")).empty(); }, kStart, Millis(100)))
        << "no notice";
    ASSERT_EQ(boxes.size(), 1u);
    ASSERT_EQ(boxes[0].size(), 3u);
    EXPECT_EQ(boxes[0][1].rfind("soft by ", 0), 0u) << boxes[0][1];
    EXPECT_EQ(boxes[0][2], kNotice);
    EXPECT_TRUE(Report("window").empty());
    EXPECT_TRUE(FindWindows(*x, kTitle).empty());
    Window box = WaitForWindow(*x, boxes[0][1], kTimeout);
    ASSERT_NE(box, 0u) << "no X window for the box";
    const Geometry b = GetGeometry(*x, box);
    MovePointer(*x, b.x + b.width / 2, b.y + 5);
    TapKey(*x, XK_Return);
    Window window = WaitForWindow(*x, kTitle, kTimeout);
    ASSERT_NE(window, 0u);

    // The outer rectangle is square, 0.8 of the screen height, at (50, 50);
    // the client area is that less the frame, wider than high, and X shows it.
    std::vector<Line> report = Report("window");
    ASSERT_EQ(report.size(), 1u);
    ASSERT_EQ(report[0].size(), 6u);
    EXPECT_EQ(report[0][1], kTitle);
    EXPECT_EQ(report[0][2], "50 50 614 614");
    EXPECT_EQ(report[0][5], "16cf0000");  // WS_OVERLAPPEDWINDOW, the two clip styles, visible
    int clientW = 0, clientH = 0, frameW = 0, frameH = 0;
    std::istringstream(report[0][3] + " " + report[0][4]) >> clientW >> clientH >> frameW >> frameH;
    EXPECT_EQ(std::tuple(clientW, clientH), std::tuple(614 - frameW, 614 - frameH));
    EXPECT_GT(clientW, clientH);
    Geometry g = GetGeometry(*x, window);
    EXPECT_EQ(std::tuple(g.width, g.height), std::tuple(clientW, clientH));

    // The icon: resource 101 holds 32x32 images in 16 and 256 colours, and the
    // window shows the 256-colour one.
    std::vector<Line> images = Report("image", PARABOLOID_EXE);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0][1], "32 32 16 4");
    EXPECT_EQ(images[1][1], "32 32 256 8");
    EXPECT_EQ(IconPixelsDiffering(*x, window, paraboloidIconRgba, kParaboloidIconSize), 0);

    // It spins until a click without movement stops it.
    MovePointer(*x, g.x + g.width / 2, g.y + g.height / 2);
    ASSERT_TRUE(Changes(window, Capture(*x, window))) << "no frames while spinning";
    ASSERT_TRUE(Changes(window, Capture(*x, window))) << "frames stopped by themselves";
    PressButton(*x);
    ReleaseButton(*x);
    ASSERT_TRUE(Still(window, Millis(500))) << "still spinning after a click";
    const Image stopped = Capture(*x, window);

    // f: fog, with another clear colour; p: lines, with more background.
    TapKey(*x, XK_f);
    ASSERT_TRUE(Changes(window, stopped)) << "f changed nothing";
    ASSERT_TRUE(Still(window, Millis(300)));
    const PictureStats fog = Analyse(Capture(*x, window));
    EXPECT_FALSE(fog.background == stopped.at(1, 1));
    TapKey(*x, XK_p);
    ASSERT_TRUE(Changes(window, Capture(*x, window))) << "p changed nothing";
    ASSERT_TRUE(Still(window, Millis(300)));
    EXPECT_LT(Analyse(Capture(*x, window)).covered, fog.covered);

    TapKey(*x, XK_Escape);
    EXPECT_EQ(WaitForExit(viewer, kTimeout), 0);
}

}  // namespace
