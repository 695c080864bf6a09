// The real viewer on private X servers (and a Wayland compositor), used as a
// person uses it: real input through XTest, pictures read from the server,
// the exit status at the end. Each test is one whole session.
// gtest first: X11's macros (None, Bool) break its headers.
#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <regex>

#include "app/icon/icon_pixels.h"
#include "tests/support/harness.h"

namespace {

const char kTitle[] = " paraboloid velkrin -> p-key";
const char kNotice[] = " mouse: touch the window image for movement----- ";
const Rgb kBackground{38, 38, 38};     // clear colour 0.15
const Rgb kFogBackground{51, 38, 38};  // 0.2, 0.15, 0.15
// Generous bounds: a loaded machine may be slow, a correct program is never near them.
constexpr Millis kStart{15000}, kFrame{5000};
// No frame for this long counts as still: frames follow within milliseconds while it moves.
constexpr Millis kQuiet{400};

// A Unix socket on `path` ('@' first: the abstract namespace) that nothing
// answers on; listening, it accepts connections. -1 when the name is taken.
int Bind(std::string path, bool listening) {
    sockaddr_un a{AF_UNIX, {}};
    const bool abstract = path[0] == '@';
    path.copy(a.sun_path + abstract, sizeof a.sun_path - 2, abstract);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const auto size = socklen_t(offsetof(sockaddr_un, sun_path) + path.size() + !abstract);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), size) == 0 && (!listening || listen(fd, 8) == 0))
        return fd;
    close(fd);
    return -1;
}

// A display number of ours: a socket holds its abstract name, which servers
// then skip. Listening, it is a display that never answers; not listening, it
// refuses and clients go on to TCP.
int TakeDisplay(bool listening) {
    for (int n = 100;; ++n)
        if (Bind("@/tmp/.X11-unix/X" + std::to_string(n), listening) >= 0) return n;
}

class Viewer : public ::testing::Test {
protected:
    void TearDown() override {
        Cleanup(viewer);
        Cleanup(manager);
        x.reset();
        StopXServer(server);
        StopCompositor(wayland);
    }

    // A server and a connection of ours to it (none when `connect` is false:
    // then the viewer may be the server's only client).
    void Serve(int width, int height, std::vector<std::string> args = {}, bool connect = true) {
        server = StartXServer(width, height, args);
        ASSERT_GT(server.pid, 0) << "Xvfb did not start";
        if (connect) x = std::make_unique<XConnection>(server.display);
        ASSERT_TRUE(!connect || x->display != nullptr);
    }
    // Without the session's Wayland display, unless `env` names one.
    void Launch(std::optional<std::string> display, std::vector<std::string> env = {}) {
        env.insert(env.begin(), "WAYLAND_DISPLAY=");
        viewer = ::Launch({PARABOLOID_BINARY, {}, display, env, PARABOLOID_PROBE_LIBRARY});
        ASSERT_GT(viewer.pid, 0);
        ASSERT_NE(viewer.probe, nullptr);
    }
    std::string Why() {
        return "\nthe viewer's status " + std::to_string(ExitStatus(Millis(0))) +
               ", its output: " + ReadStderr(viewer);
    }
    // Return and Escape both press the box's one button.
    void Dismiss(Window box, unsigned long key = XK_Return) {
        Geometry b = GetGeometry(*x, box);
        MovePointer(*x, b.x + b.width / 2, b.y + b.height / 2);
        TapKey(*x, key);
    }
    void AwaitWindow() {
        window = WaitForWindow(*x, kTitle, kStart);
        ASSERT_NE(window, 0u) << Why();
        // A program without the probe (Wine) shows its frames in the pictures only.
        ASSERT_TRUE(!viewer.probe || WaitForFrames(viewer, 1, kStart)) << "no frame" << Why();
        g = GetGeometry(*x, window);
    }
    // Launches the viewer, dismisses the notice and, with `open`, waits for the window.
    void Start(unsigned long key = XK_Return, bool open = true, std::vector<std::string> env = {}) {
        ASSERT_NO_FATAL_FAILURE(Launch(server.display, env));
        Window notice = WaitForWindow(*x, "soft by ", kStart, true);
        ASSERT_NE(notice, 0u) << "no start-up notice" << Why();
        // Nothing else while the notice waits.
        EXPECT_EQ(std::pair(FindWindows(*x, kTitle).size(), Frames(viewer)), std::pair(0ul, 0ul));
        Dismiss(notice, key);
        if (!open) return;
        ASSERT_NO_FATAL_FAILURE(AwaitWindow());
    }

    void Centre(int dx = 0, int dy = 0) {
        MovePointer(*x, g.x + g.width / 2 + dx, g.y + g.height / 2 + dy);
    }
    Image Shot() { return Capture(*x, window); }
    void ClickToStop() {
        Centre();
        PressButton(*x);
        ReleaseButton(*x);
        ASSERT_TRUE(WaitForQuiet(viewer, kQuiet, kFrame)) << "frames go on after a click";
    }
    // Types a key with the pointer in the window; it must draw exactly one frame.
    Image OneFrame(unsigned long key) {
        const auto frames = Frames(viewer);
        Centre();
        TapKey(*x, key);
        EXPECT_TRUE(WaitForFrames(viewer, frames + 1, kFrame)) << "no frame for the key";
        EXPECT_TRUE(WaitForQuiet(viewer, kQuiet, kFrame));
        EXPECT_EQ(Frames(viewer), frames + 1);
        return Shot();
    }
    // A client message about the viewer's window, sent to `to`.
    void Tell(Window to, long mask, const char* message, std::vector<long> data) {
        XEvent e{};
        e.xclient = {ClientMessage, 0, True, *x, window, XInternAtom(*x, message, False), 32, {}};
        std::copy(data.begin(), data.end(), e.xclient.data.l);
        XSendEvent(*x, to, False, mask, &e);
        XSync(*x, False);
    }
    // Whether no other client holds the pointer.
    bool PointerFree() {
        const bool free = XGrabPointer(*x, DefaultRootWindow(x->display), False, 0, GrabModeAsync,
                                       GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
        XUngrabPointer(*x, CurrentTime);
        return free;
    }
    int ExitStatus(Millis timeout) { return WaitForExit(viewer, timeout).value_or(-1); }
    // Frames keep coming and the picture keeps changing.
    void ExpectTurning(const char* what) {
        EXPECT_TRUE(WaitForFrames(viewer, Frames(viewer) + 20, kFrame)) << what;
        const Image before = Shot();
        EXPECT_TRUE(WaitUntil([&] { return DifferentPixels(before, Shot()) > 0; }, kFrame)) << what;
    }

    XServer server;
    Compositor wayland;
    std::unique_ptr<XConnection> x;
    Program viewer, manager;
    Window window = 0;
    Geometry g;
};

TEST_F(Viewer, ASessionFromTheNoticeThroughKeysAndDrags) {
    ASSERT_NO_FATAL_FAILURE(Serve(1920, 1080));
    ASSERT_NO_FATAL_FAILURE(Start());

    // Square, 0.8 of the screen height, at (50, 50), with its icon (the
    // Wayland session's compositor knows it by its class).
    EXPECT_EQ(std::tuple(g.x, g.y, g.width, g.height), std::tuple(50, 50, 864, 864));
    EXPECT_EQ(IconPixelsDiffering(*x, window, paraboloidIconRgba, kParaboloidIconSize), 0);
    EXPECT_EQ(paraboloidIconRgba[3], 0) << "the icon's corner is not transparent";

    // It spins from the start, on the clear colour (the tiling session checks
    // its size).
    ExpectTurning("no spin from the start");
    EXPECT_EQ(Analyse(Shot()).background, kBackground);

    // A click without movement stops it; the timer then wakes it without frames.
    ASSERT_NO_FATAL_FAILURE(ClickToStop());
    const Image still = Shot();
    // It sleeps between the ten wake-ups a second: neither busy nor idle.
    const long wakes = StatusField(viewer.pid, "voluntary_ctxt_switches");
    EXPECT_FALSE(WaitForFrames(viewer, Frames(viewer) + 1, Millis(1000)));
    EXPECT_NEAR(StatusField(viewer.pid, "voluntary_ctxt_switches") - wakes, 10, 5) << "wake-ups";

    // f: fog over the whole picture, in one frame; f again takes it away.
    const Image fog = OneFrame(XK_f);
    const PictureStats clear = Analyse(still), fogged = Analyse(fog);
    EXPECT_EQ(fogged.background, kFogBackground);
    EXPECT_NEAR(fogged.covered, clear.covered, clear.covered / 100) << "fog changed the shape";
    const long background = long(still.pixels.size()) - clear.covered;
    EXPECT_GT(DifferentPixels(fog, still), background + clear.covered / 2) << "fog left colours";
    EXPECT_EQ(DifferentPixels(OneFrame(XK_f), still), 0);

    // p: lines with the background between them; p again fills it.
    const long lines = Analyse(OneFrame(XK_p)).covered;
    EXPECT_TRUE(lines > clear.covered / 10 && lines < clear.covered * 9 / 10)
        << lines << " of " << clear.covered;
    EXPECT_EQ(DifferentPixels(OneFrame(XK_p), still), 0);

    // Upper case is no binding, and the right and middle buttons and the
    // wheel are no left button: the j after them all gives the only frame.
    auto frames = Frames(viewer);
    for (unsigned long key : {XK_f, XK_p})
        TapKey(*x, key, true);
    for (unsigned button : {3u, 2u, 4u, 5u})
        PressButton(*x, button), ReleaseButton(*x, button);
    EXPECT_EQ(DifferentPixels(OneFrame(XK_j), still), 0);
    EXPECT_EQ(Frames(viewer), frames + 1);

    // Dragged out past the left edge, the captured pointer turns it still
    // while the button is held, and let go there, it is thrown: it keeps turning.
    frames = Frames(viewer);
    Centre();
    PressButton(*x);
    Centre(-200, 0);
    ASSERT_TRUE(WaitForFrames(viewer, frames + 1, kFrame)) << "the drag turns nothing";
    Centre(-g.width / 2 - 20, 0);
    ASSERT_TRUE(WaitForQuiet(viewer, kQuiet, kFrame));
    const Image edge = Shot();
    Centre(-g.width / 2 - 40, 200);
    EXPECT_TRUE(WaitUntil([&] { return DifferentPixels(edge, Shot()) > 0; }, kFrame))
        << "no turn outside the window";
    ReleaseButton(*x);
    ExpectTurning("the release outside was lost");
    // Released, the pointer belongs to every window again: no grab is left.
    EXPECT_TRUE(PointerFree()) << "the pointer stays grabbed after the drag";
    ASSERT_NO_FATAL_FAILURE(ClickToStop());

    // A press, a move out and the release, all there before the viewer reads
    // the press (a quick throw near the edge while it is busy): a throw too,
    // and then moves with the button up turn nothing.
    kill(viewer.pid, SIGSTOP);
    Centre();
    PressButton(*x);
    Centre(-g.width / 2 - 40, 100);
    ReleaseButton(*x);
    kill(viewer.pid, SIGCONT);
    ExpectTurning("the release in the press's burst was lost");
    ASSERT_NO_FATAL_FAILURE(ClickToStop());

    // The focus taken away mid-drag (as Alt+Tab does) takes the capture with
    // it, and the release goes to another window: the drag ends where the
    // pointer was last seen, here where it began, so the model stops, and
    // moves with the button up turn nothing.
    XSetInputFocus(*x, window, RevertToPointerRoot, CurrentTime);
    Centre();
    PressButton(*x);
    Centre(30, 0);
    ASSERT_TRUE(WaitForFrames(viewer, Frames(viewer) + 1, kFrame)) << "the drag turns nothing";
    Centre();
    XSetInputFocus(*x, PointerRoot, RevertToPointerRoot, CurrentTime);
    ASSERT_TRUE(WaitUntil([&] { return PointerFree(); }, kFrame)) << "the capture stays";
    MovePointer(*x, g.x + g.width + 20, g.y);
    ReleaseButton(*x);
    ASSERT_TRUE(WaitForQuiet(viewer, kQuiet, kFrame));
    frames = Frames(viewer);
    Centre(-100, 40);
    Centre(60, -80);
    EXPECT_FALSE(WaitForFrames(viewer, frames + 1, kQuiet)) << "the lost drag goes on";
}

TEST_F(Viewer, KeepsItsSizeUnderAWindowManagerAndClosesFromIt) {
    ASSERT_NO_FATAL_FAILURE(Serve(1680, 1050));
    // Openbox runs its start-up command once it manages the screen.
    const std::string ready = ::testing::TempDir() + "openbox-" + std::to_string(getpid());
    manager =
        ::Launch({"openbox", {"--sm-disable", "--startup", "touch " + ready}, server.display});
    ASSERT_TRUE(WaitUntil([&] { return unlink(ready.c_str()) == 0; }, kStart)) << "no openbox";
    ASSERT_NO_FATAL_FAILURE(Start(XK_Escape));
    // The click that gives it the focus reaches it too: it stops.
    XSetInputFocus(*x, None, RevertToNone, CurrentTime);
    ASSERT_NO_FATAL_FAILURE(ClickToStop());

    // Maximised through the window manager, as a title bar button does it,
    // it goes back to its own size: each size brings a frame, and once they
    // stop, the size has settled.
    const auto frames = Frames(viewer);
    Tell(DefaultRootWindow(x->display), SubstructureRedirectMask | SubstructureNotifyMask,
         "_NET_WM_STATE",
         {1, long(XInternAtom(*x, "_NET_WM_STATE_MAXIMIZED_VERT", False)),
          long(XInternAtom(*x, "_NET_WM_STATE_MAXIMIZED_HORZ", False)), 1});
    ASSERT_TRUE(WaitForFrames(viewer, frames + 1, kFrame)) << "not maximised";
    ASSERT_TRUE(WaitForQuiet(viewer, Millis(500), kFrame));
    const Geometry now = GetGeometry(*x, window);
    EXPECT_EQ(std::tuple(now.width, now.height), std::tuple(840, 840));

    // The close button: WM_DELETE_WINDOW, and the viewer ends with 0.
    Tell(window, NoEventMask, "WM_PROTOCOLS", {long(XInternAtom(*x, "WM_DELETE_WINDOW", False))});
    EXPECT_EQ(ExitStatus(Millis(2000)), 0) << Why();
}

TEST_F(Viewer, FillsTheWindowATilingManagerHoldsTurnsAboutItsMiddleAndEndsOnEscape) {
    ASSERT_NO_FATAL_FAILURE(Serve(1600, 1000));
    // i3 runs its exec lines once it manages the screen.
    const std::string config = ::testing::TempDir() + "i3-" + std::to_string(getpid());
    std::ofstream(config) << "# i3 config file (v4)\nfont fixed\nexec touch " << config << ".up\n";
    manager = ::Launch({"i3", {"-c", config}, server.display});
    ASSERT_TRUE(WaitUntil([&] { return unlink((config + ".up").c_str()) == 0; }, kStart))
        << "no i3";
    unlink(config.c_str());
    ASSERT_NO_FATAL_FAILURE(Start());
    // The tile's size, not the size asked for; the saddle in the middle of it.
    EXPECT_GT(g.width, 1500);
    PictureStats s;
    auto centred = [&] {
        s = Analyse(Shot());
        return std::abs(s.left + s.right - g.width) <= 3 &&
               std::abs(s.top + s.bottom - g.height) <= 3;
    };
    ASSERT_NO_FATAL_FAILURE(ClickToStop());
    ASSERT_TRUE(centred()) << "box " << s.left << "-" << s.right << " x " << s.top << "-"
                           << s.bottom;
    const PictureStats still = s;
    // Undistorted: cut at heights -3 and 3, it spans 6 of the 8 units the
    // height shows, and one unit across is as long as one up. Turned about
    // the vertical axis only, it is 5.6 to 7.9 units wide.
    const double unit = (s.bottom - s.top + 1) / 6.0, across = (s.right - s.left + 1) / unit;
    EXPECT_NEAR(unit, g.height / 8.0, 2);
    EXPECT_TRUE(s.left > 0 && across > 5.5 && across < 8) << across << " units across";

    // A drag across the middle turns it about the vertical axis: the cut
    // edges at the top and bottom stay where they are (the first session
    // sees that drags turn it at all).
    Centre(-150, 0);
    PressButton(*x);
    for (int dx = -140; dx <= 150; dx += 10)
        Centre(dx, 0);
    ASSERT_TRUE(WaitForQuiet(viewer, kQuiet, kFrame));
    EXPECT_TRUE(centred());
    EXPECT_NEAR(s.top, still.top, 1);
    EXPECT_NEAR(s.bottom, still.bottom, 1);

    // Escape during the drag ends it with status 0.
    TapKey(*x, XK_Escape);
    EXPECT_EQ(ExitStatus(Millis(1000)), 0) << Why();
}

TEST_F(Viewer, InAWaylandSessionIsDrawnByWaylandAtTheOutputsScale) {
    // Both displays, as in a Wayland session with XWayland; the compositor's
    // output at scale 2: 1280x800 pixels, 640x400 points. It floats the
    // viewer's window by its class, OpenGL.
    ASSERT_NO_FATAL_FAILURE(Serve(1280, 1024));
    wayland =
        StartCompositor(1280, 800, 2, "for_window [app_id=OpenGL] floating enable, border none");
    ASSERT_NE(wayland.socket, "") << "no sway: " << ReadStderr(wayland.sway);
    const std::string onWayland = "WAYLAND_DISPLAY=" + wayland.socket;
    // The notice on X, the window on Wayland.
    ASSERT_NO_FATAL_FAILURE(Start(XK_Return, false, {onWayland}));
    ASSERT_TRUE(WaitForFrames(viewer, 10, kStart)) << "no frame" << Why();

    // On the output (not on X), 0.8 of the screen's height in the output's
    // pixels, drawn at them: a picture the compositor upscales has every
    // block of 2x2 pixels in one colour.
    const Image shot = Screenshot(wayland);
    const PictureStats s = Analyse(shot);  // the window on the output's background
    EXPECT_EQ(std::pair(s.right - s.left + 1, s.bottom - s.top + 1), std::pair(640, 640));
    long mixed = 0;  // pixels unlike their right neighbour, at even x: none where upscaled
    for (std::size_t i = 0; i + 1 < shot.pixels.size(); i += 2)
        mixed += !(shot.pixels[i] == shot.pixels[i + 1]);
    EXPECT_GT(mixed, s.covered / 100) << "upscaled: " << mixed << " of " << s.covered;
    kill(viewer.pid, SIGTERM);
    EXPECT_EQ(ExitStatus(kFrame), 0) << Why();
    Cleanup(viewer);

    // Beside a frozen X display the notice goes to standard error (SDL's
    // Wayland box needs zenity), and the window opens.
    ASSERT_NO_FATAL_FAILURE(Launch(":" + std::to_string(TakeDisplay(true)), {onWayland}));
    EXPECT_TRUE(WaitForFrames(viewer, 1, kStart)) << "no frame" << Why();
    Cleanup(viewer);

    // SDL_VIDEODRIVER still decides.
    ASSERT_NO_FATAL_FAILURE(Start(XK_Return, true, {onWayland, "SDL_VIDEODRIVER=x11,wayland"}));
}

TEST_F(Viewer, WithoutAContextShowsAnErrorAndEndsWithOne) {
    const struct {
        std::vector<std::string> server, env;
        const char* text;
    } cases[] = {
        {{"-extension", "GLX"}, {}, "ChoosePixelFormat failed\n"},  // no OpenGL on the display
        // A driver that loads but cannot serve this display, as a broken
        // OpenGL installation does.
        {{}, {"MESA_LOADER_DRIVER_OVERRIDE=zink"}, "wglCreateContext failed"},
    };
    for (const auto& c : cases) {
        ASSERT_NO_FATAL_FAILURE(Serve(1920, 1080, c.server));
        ASSERT_NO_FATAL_FAILURE(Start(XK_Return, false, c.env));
        Window error = WaitForWindow(*x, "Error", kStart);
        ASSERT_NE(error, 0u) << "no error box" << Why();
        EXPECT_STREQ(viewer.probe->boxes[1].text, c.text);
        EXPECT_EQ(viewer.probe->boxes[1].flags, 0x10u) << "not an error box";
        EXPECT_EQ(Frames(viewer), 0u);
        EXPECT_EQ(ExitStatus(Millis(0)), -1) << "ended before the box was dismissed";
        Dismiss(error);
        EXPECT_EQ(ExitStatus(Millis(2000)), 1) << Why();
        TearDown();
    }
}

TEST_F(Viewer, OpensOnADisplayThatAnswersAndEndsWithOneOnOthers) {
    // An X server on TCP only (its number's Unix socket refuses) and without
    // core fonts, on which the notice goes to standard error; and displays
    // that accept and never answer, as frozen ones do.
    const std::string tcp = std::to_string(TakeDisplay(false)),
                      silent = ":" + std::to_string(TakeDisplay(true)),
                      wayland = ::testing::TempDir() + "wayland-" + std::to_string(getpid()),
                      onWayland = "WAYLAND_DISPLAY=" + wayland;
    ASSERT_GE(Bind(wayland, true), 0);
    ASSERT_NO_FATAL_FAILURE(Serve(320, 240,
                                  {":" + tcp, "-listen", "tcp", "-nolisten", "unix", "-nolisten",
                                   "local", "-fp", "/nonexistent"}));
    const struct {
        std::optional<std::string> display;
        std::vector<std::string> env;
        const char* cause;  // null: the window opens
    } cases[] = {
        {std::nullopt, {}, "no display"},
        {":9999", {}, "cannot be reached"},
        {":" + tcp + ".3", {}, "a screen that the server does not have"},
        {silent, {}, "does not answer"},
        {std::nullopt, {onWayland}, "does not answer"},
        {silent, {onWayland, "SDL_VIDEODRIVER=x11,wayland"}, "does not answer"},
        {"[::1]:" + tcp, {}, nullptr},
        {"inet6/[::1]:" + tcp, {}, nullptr},
        // Wayland, which comes first, is silent: the X display is taken
        // without waiting out the time a display has to answer.
        {":" + tcp, {onWayland}, nullptr},
    };
    const std::string notice = "soft by .+: " + std::string(kNotice) + "\n";
    for (const auto& c : cases) {
        ASSERT_NO_FATAL_FAILURE(Launch(c.display, c.env));
        SCOPED_TRACE(c.display.value_or("-") + (c.env.empty() ? "" : " " + c.env.back()));
        if (c.cause == nullptr) {
            // The notice within half the time a display has to answer, then the window.
            EXPECT_TRUE(WaitUntil([&] { return !ReadStderr(viewer).empty(); }, Millis(2500)))
                << "no notice at once";
            ASSERT_NO_FATAL_FAILURE(AwaitWindow());
            kill(viewer.pid, SIGTERM);
        }
        // Within the time a display has to answer (5 s): the notice as one
        // line, then one line that names the cause; before a window, the
        // reason why the notice is not a box.
        EXPECT_EQ(ExitStatus(Millis(7000)), c.cause ? 1 : 0) << Why();
        EXPECT_TRUE(std::regex_match(
            ReadStderr(viewer),
            std::regex(c.cause ? notice + "[^\n]*" + c.cause + "[^\n]*\n"
                               : "paraboloid: cannot show a message box: .+\n" + notice)))
            << ReadStderr(viewer);
        Cleanup(viewer);
    }
    unlink(wayland.c_str());
}

TEST_F(Viewer, StartsEveryTimeOnAServerWithNoOtherClient) {
    // A server resets when its last client leaves: a connection it has
    // just taken is dropped, one that comes during the reset waits and gets
    // through. A moment without a client in the viewer's start shows there
    // only when the server is late to see the client go (a busy machine).
    // One started with -terminate ends instead, and then the connection
    // after such a moment fails, whatever the timing.
    for (int i = 0; i < 10; ++i) {
        ASSERT_NO_FATAL_FAILURE(Serve(1280, 1024, {"-terminate"}, false));
        // Every other one started in the background (by a script, under
        // nohup), with SIGINT ignored: it stays so while the notice waits.
        const auto inherited = signal(SIGINT, i % 2 ? SIG_IGN : SIG_DFL);
        ASSERT_NO_FATAL_FAILURE(Launch(server.display));
        signal(SIGINT, inherited);
        WaitUntil([&] { return viewer.probe->boxesShown || WaitForExit(viewer, Millis(0)); },
                  kStart);
        ASSERT_EQ(viewer.probe->boxesShown.load(), 1u) << "launch " << i << Why();
        // A termination signal ends it while the notice waits, and the
        // server with it: nothing of the viewer stays connected.
        if (i % 2) kill(viewer.pid, SIGINT);
        kill(viewer.pid, SIGTERM);
        ASSERT_EQ(ExitStatus(Millis(2000)), 128 + SIGTERM) << "launch " << i << Why();
        ASSERT_TRUE(WaitUntil([&] { return waitpid(server.pid, nullptr, WNOHANG) > 0; }, kFrame));
        server.pid = -1;
        Cleanup(viewer);
    }
}

#ifdef PARABOLOID_EXE  // the Windows tests' build of this file
// paraboloid.exe, cross-built with mingw-w64 from the same sources and taken
// from the ZIP archive users get, under Wine: the real Win32 behind the code
// that our SDL layer imitates elsewhere. It has no probe: the pictures show
// its frames.
class WineViewer : public Viewer {
protected:
    void TearDown() override {
        // End this session's wineserver and all it runs.
        std::system("export WINEPREFIX=" PARABOLOID_WINE_PREFIX "; " PARABOLOID_WINESERVER
                    " -k >/dev/null 2>&1; " PARABOLOID_WINESERVER " -w");
        Viewer::TearDown();
    }
    // Whether the picture changes from `from` within `timeout`.
    bool Changes(const Image& from, Millis timeout = kStart) {
        return WaitUntil([&] { return DifferentPixels(Shot(), from) > 0; }, timeout, Millis(20));
    }
    // Waits until the picture has stayed the same for `quiet`.
    bool Still(Millis quiet) {
        return WaitUntil([&] { return !Changes(Shot(), quiet); }, kStart, Millis(0));
    }
};

TEST_F(WineViewer, ASessionFromTheNoticeToEscape) {
    ASSERT_NO_FATAL_FAILURE(Serve(1024, 768));
    const std::vector<std::string> env = {"WINEPREFIX=" PARABOLOID_WINE_PREFIX, "WINEDEBUG=-all",
                                          "WINEDLLOVERRIDES=mscoree,mshtml="};
    viewer = ::Launch({PARABOLOID_WINE, {PARABOLOID_EXE}, server.display, env});

    // The notice (Wine starts slowly the first time a prefix is used).
    const Window notice = WaitForWindow(*x, "soft by ", Millis(60000), true);
    ASSERT_NE(notice, 0u) << "no notice" << Why();
    // The manifest brings common controls 6: the OK button gets the current
    // style's blue frame, where the Windows 95 style has only greys.
    const auto blue = [](const Rgb& p) { return TintOf(p) == Tint::Blue; };
    EXPECT_TRUE(
        WaitUntil([&] { return std::ranges::any_of(Capture(*x, notice).pixels, blue); }, kFrame))
        << "the notice is drawn in the Windows 95 style";
    Dismiss(notice);

    // The outer size is square, 0.8 of the screen height (614), at (50, 50).
    // X shows the client area within the frame (borders of equal width left,
    // right and below, the title bar above), so wider than high.
    ASSERT_NO_FATAL_FAILURE(AwaitWindow());
    const int border = g.x - 50;
    EXPECT_EQ(std::pair(g.width + 2 * border, g.y + g.height + border), std::pair(614, 50 + 614));
    EXPECT_TRUE(border >= 0 && g.y - 50 > border && g.height < g.width);
    EXPECT_EQ(IconPixelsDiffering(*x, window, paraboloidIconRgba, kParaboloidIconSize), 0);

    // It spins until a click without movement stops it.
    Centre();
    ASSERT_TRUE(Changes(Shot())) << "no frames while spinning";
    ASSERT_TRUE(Changes(Shot())) << "frames stopped by themselves";
    PressButton(*x);
    ReleaseButton(*x);
    ASSERT_TRUE(Still(Millis(500))) << "still spinning after a click";
    const Image stopped = Shot();

    // f: fog, with another clear colour.
    TapKey(*x, XK_f);
    ASSERT_TRUE(Changes(stopped)) << "f changed nothing";
    ASSERT_TRUE(Still(Millis(300)));
    EXPECT_FALSE(Shot().at(1, 1) == stopped.at(1, 1));
    TapKey(*x, XK_Escape);
    EXPECT_EQ(ExitStatus(kStart), 0) << Why();
}
#endif

}  // namespace
