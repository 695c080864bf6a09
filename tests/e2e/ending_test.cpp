// How the program ends, and how it fails to start.
#include "tests/e2e/viewer_session.h"

#include <X11/keysym.h>
#include <signal.h>

#include <algorithm>

TEST_F(ViewerTest, EscapeEndsWithStatusZero) {
    ASSERT_NO_FATAL_FAILURE(Start());
    Type(XK_Escape);
    EXPECT_EQ(ExitStatus(Millis(1000)), 0);
}

TEST_F(ViewerTest, EscapeDuringADragEndsWithStatusZero) {
    ASSERT_NO_FATAL_FAILURE(Start());
    CenterPointer();
    PressButton(display());
    MovePointer(display(), RootX(geometry.width / 2 + 40), RootY(geometry.height / 2 + 20));
    TapKey(display(), XK_Escape);
    EXPECT_EQ(ExitStatus(Millis(1000)), 0);
    ReleaseButton(display());
}

TEST_F(ViewerTest, WindowManagerCloseEndsWithStatusZero) {
    ASSERT_NO_FATAL_FAILURE(Start());
    // What a window manager sends when its close button is pressed.
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display(), "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display(), "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display(), window, False, NoEventMask, &event);
    XSync(display(), False);
    EXPECT_EQ(ExitStatus(Millis(2000)), 0);
}

TEST_F(ViewerTest, TerminationSignalEndsWithStatusZero) {
    ASSERT_NO_FATAL_FAILURE(Start());
    kill(program.pid, SIGTERM);
    EXPECT_EQ(ExitStatus(Millis(2000)), 0);
}

TEST_F(ViewerTest, NoDisplayGivesTheNoticeAndOneErrorLine) {
    LaunchOptions options;
    options.path = ViewerPath();
    options.display = std::nullopt;
    program = ::Launch(options);
    ASSERT_GT(program.pid, 0);
    int status = ExitStatus(Millis(2000));
    EXPECT_NE(status, -1) << "still running after two seconds";
    EXPECT_NE(status, 0);
    // With no box to show, the notice goes to standard error as one line;
    // then one line names why the program cannot go on.
    std::string text = ReadStderr(program);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
    EXPECT_EQ(text.rfind("soft by ", 0), 0u) << text;
    const std::string error = text.substr(text.find('\n') + 1);
    EXPECT_NE(error.find("no display"), std::string::npos) << error;
}

// A server without GLX: the pixel format cannot be set up.
class NoGlxTest : public ViewerTest {
protected:
    static void SetUpTestSuite() {
        SetProbeLibrary(PARABOLOID_PROBE_LIBRARY);
        server = StartXServer(1920, 1080, {"-extension", "GLX"});
        ASSERT_GT(server.pid, 0);
        connection = std::make_unique<XConnection>(server.display);
        ASSERT_NE(connection->get(), nullptr);
    }
};

TEST_F(NoGlxTest, ErrorBoxThenStatusOne) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_NE(DismissNotice(), 0u);
    Window error = WaitForWindow(display(), ByTitle("Error"), kStartTimeout);
    ASSERT_NE(error, 0u) << "no error box";
    ASSERT_TRUE(WaitUntil([&] { return program.probe->boxesShown.load() >= 2; }, kFrameTimeout));
    EXPECT_STREQ(program.probe->boxes[1].title, "Error");
    EXPECT_STREQ(program.probe->boxes[1].text, "ChoosePixelFormat failed\n");
    EXPECT_EQ(Frames(program), 0u);
    EXPECT_EQ(ExitStatus(Millis(0)), -1) << "ended before the box was dismissed";
    Geometry g = GetGeometry(display(), error);
    MovePointer(display(), g.x + g.width / 2, g.y + g.height / 2);
    TapKey(display(), XK_Return);
    EXPECT_EQ(ExitStatus(Millis(2000)), 1);
}
