// paraboloid.exe, cross-built with mingw-w64 from the same sources and taken
// from the ZIP archive users get, under Wine on a private X server: the real
// Win32 behind the code that our SDL layer imitates elsewhere.
// gtest first: X11's macros (None, Bool) break its headers.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <algorithm>
#include <memory>

#include "app/icon/icon_pixels.h"
#include "tests/support/harness.h"

namespace {

constexpr Millis kStart(60000);  // Wine starts slowly the first time a prefix is used
constexpr Millis kTimeout(10000);

class WineViewer : public ::testing::Test {
protected:
    void TearDown() override {
        Cleanup(viewer);
        // End this session's wineserver and all it runs.
        std::system("export WINEPREFIX=" PARABOLOID_WINE_PREFIX "; " PARABOLOID_WINESERVER
                    " -k >/dev/null 2>&1; " PARABOLOID_WINESERVER " -w");
        x.reset();
        StopXServer(server);
    }
    // Whether the picture changes from `from` within `timeout`.
    bool Changes(const Image& from, Millis timeout = kTimeout) {
        return WaitUntil([&] { return !(Capture(*x, window) == from); }, timeout, Millis(20));
    }
    // Waits until the picture has stayed the same for `quiet`.
    bool Still(Millis quiet) {
        const auto end = std::chrono::steady_clock::now() + kTimeout;
        while (Changes(Capture(*x, window), quiet))
            if (std::chrono::steady_clock::now() > end) return false;
        return true;
    }

    XServer server;
    std::unique_ptr<XConnection> x;
    Program viewer;
    Window window = 0;
};

TEST_F(WineViewer, ASessionFromTheNoticeToEscape) {
    server = StartXServer(1024, 768);
    ASSERT_GT(server.pid, 0) << "Xvfb did not start";
    x = std::make_unique<XConnection>(server.display);
    ASSERT_NE(x->display, nullptr);
    const std::vector<std::string> env = {"WINEPREFIX=" PARABOLOID_WINE_PREFIX, "WINEDEBUG=-all",
                                          "WINEDLLOVERRIDES=mscoree,mshtml="};
    viewer = Launch({PARABOLOID_WINE, {PARABOLOID_EXE}, server.display, env});

    // The notice, and nothing else on screen while it waits.
    const Window notice = WaitForWindow(*x, "soft by ", kStart, true);
    ASSERT_NE(notice, 0u) << "no notice: " << ReadStderr(viewer);
    EXPECT_TRUE(FindWindows(*x, " paraboloid velkrin -> p-key").empty());
    // The manifest brings common controls 6: the OK button gets the current
    // style's blue frame, where the Windows 95 style has only greys.
    const auto blue = [](const Rgb& p) { return TintOf(p) == Tint::Blue; };
    EXPECT_TRUE(WaitUntil([&] { return std::ranges::any_of(Capture(*x, notice).pixels, blue); },
                          kTimeout, Millis(20)))
        << "the notice is drawn in the Windows 95 style";
    const Geometry box = GetGeometry(*x, notice);
    MovePointer(*x, box.x + box.width / 2, box.y + 5);
    TapKey(*x, XK_Return);

    // The outer size is square, 0.8 of the screen height (614), at (50, 50).
    // X shows the client area within the frame (borders of equal width left,
    // right and below, the title bar above), so wider than high.
    window = WaitForWindow(*x, " paraboloid velkrin -> p-key", kTimeout);
    ASSERT_NE(window, 0u);
    const Geometry g = GetGeometry(*x, window);
    const int border = g.x - 50;
    EXPECT_EQ(std::pair(g.width + 2 * border, g.y + g.height + border), std::pair(614, 50 + 614));
    EXPECT_TRUE(border >= 0 && g.y - 50 > border && g.height < g.width);

    // The window shows the program's icon.
    EXPECT_EQ(IconPixelsDiffering(*x, window, paraboloidIconRgba, kParaboloidIconSize), 0);

    // It spins until a click without movement stops it.
    MovePointer(*x, g.x + g.width / 2, g.y + g.height / 2);
    ASSERT_TRUE(Changes(Capture(*x, window))) << "no frames while spinning";
    ASSERT_TRUE(Changes(Capture(*x, window))) << "frames stopped by themselves";
    PressButton(*x);
    ReleaseButton(*x);
    ASSERT_TRUE(Still(Millis(500))) << "still spinning after a click";
    const Image stopped = Capture(*x, window);

    // f: fog, with another clear colour.
    TapKey(*x, XK_f);
    ASSERT_TRUE(Changes(stopped)) << "f changed nothing";
    ASSERT_TRUE(Still(Millis(300)));
    EXPECT_FALSE(Capture(*x, window).at(1, 1) == stopped.at(1, 1));
    TapKey(*x, XK_Escape);
    EXPECT_EQ(WaitForExit(viewer, kTimeout), 0);
}

}  // namespace
