#include "tests/e2e/viewer_session.h"

#include <X11/keysym.h>

#include <cstdlib>

XServer ViewerTest::server;
std::unique_ptr<XConnection> ViewerTest::connection;

std::string ViewerPath() {
    if (const char* path = std::getenv("PARABOLOID_E2E_BINARY")) return path;
    return PARABOLOID_BINARY;
}

void ViewerTest::SetUpTestSuite() {
    SetProbeLibrary(PARABOLOID_PROBE_LIBRARY);
    server = StartXServer(1920, 1080);
    ASSERT_GT(server.pid, 0) << "Xvfb did not start";
    connection = std::make_unique<XConnection>(server.display);
    ASSERT_NE(connection->get(), nullptr);
}

void ViewerTest::TearDownTestSuite() {
    connection.reset();
    StopXServer(server);
}

void ViewerTest::TearDown() {
    // Leave no button held for the next test.
    if (connection) ReleaseButton(display());
    Cleanup(program);
}

void ViewerTest::Launch(std::vector<std::string> env) {
    // Without a window manager, the focus of a closed window of an earlier
    // test may have reverted to nothing; give keys to the window under the
    // pointer again, as on a fresh server.
    XSetInputFocus(display(), PointerRoot, RevertToPointerRoot, CurrentTime);
    XSync(display(), False);
    LaunchOptions options;
    options.path = ViewerPath();
    options.display = server.display;
    options.env = std::move(env);
    program = ::Launch(options);
    ASSERT_GT(program.pid, 0);
    ASSERT_NE(program.probe, nullptr);
}

Window ViewerTest::DismissNotice() {
    Window notice = WaitForWindow(display(), ByTitlePrefix(kNoticeCaptionPrefix), kStartTimeout);
    EXPECT_NE(notice, 0u) << "no start-up notice appeared; the viewer "
                          << (WaitForExit(program, Millis(0))
                                  ? "ended with " + std::to_string(*program.status)
                                  : std::string("still runs"))
                          << "; stderr: " << ReadStderr(program) << "windows:\n"
                          << DescribeWindows(display());
    if (notice == 0) return 0;
    Geometry g = GetGeometry(display(), notice);
    MovePointer(display(), g.x + g.width / 2, g.y + g.height / 2);
    TapKey(display(), XK_Return);
    return notice;
}

void ViewerTest::Start(std::vector<std::string> env) {
    ASSERT_NO_FATAL_FAILURE(Launch(std::move(env)));
    ASSERT_NE(DismissNotice(), 0u);
    window = WaitForWindow(display(), ByTitle(kViewerTitle), kStartTimeout);
    // Found by title; the class is checked on its own.
    ASSERT_NE(window, 0u) << "no viewer window; windows:\n"
                          << DescribeWindows(display()) << "stderr: " << ReadStderr(program);
    geometry = GetGeometry(display(), window);
    ASSERT_TRUE(WaitForFrames(program, 1, kStartTimeout)) << "no frame drawn";
}

void ViewerTest::ClickToStop() {
    CenterPointer();
    PressButton(display());
    ReleaseButton(display());
    ASSERT_TRUE(WaitForQuiet(program, kQuiet, kFrameTimeout)) << "frames go on after a click";
}

void ViewerTest::Type(unsigned long keysym, bool shift) {
    CenterPointer();
    TapKey(display(), keysym, shift);
}

int ViewerTest::ExitStatus(Millis timeout) {
    auto status = WaitForExit(program, timeout);
    return status ? *status : -1;
}
