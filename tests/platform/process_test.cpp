// What only a whole process shows: message boxes, the no-display exit, a
// server without GLX and signals.
// gtest first: X11's macros (None, Bool) break its headers.
#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <signal.h>

#include "tests/platform/harness.h"
#include "tests/support/harness.h"

namespace {

std::string DisplayEnv(const XServer& server) {
    return "DISPLAY=" + server.display;
}

TEST(MessageBox, ReturnDismissesItWithIdok) {
    Display* d = TestDisplay();
    int presses = 0;
    ChildResult r =
        RunChild("message-box", {DisplayEnv(TestServer())}, 10000, [&](int, const std::string&) {
            // Again every so often, should the box not
            // have been listening yet.
            if (presses > 0 && presses++ % 50 != 0) return;
            Window box = WaitForWindow(d, ByTitle("platform box"), Millis(0));
            if (!box) return;
            XSetInputFocus(d, box, RevertToPointerRoot, CurrentTime);
            TapKey(d, XK_Return);
            if (presses == 0) presses = 1;
        });
    EXPECT_GT(presses, 0) << "no message box appeared";
    EXPECT_EQ(r.status, IDOK) << r.err;
}

TEST(MessageBox, TerminationWhileItWaitsEndsTheProgram) {
    Display* d = TestDisplay();
    bool sent = false;
    ChildResult r = RunChild(
        "message-box", {DisplayEnv(TestServer())}, 10000, [&](int pid, const std::string&) {
            if (!sent && WaitForWindow(d, ByTitle("platform box"), Millis(0))) {
                kill(pid, SIGTERM);
                sent = true;
            }
        });
    EXPECT_TRUE(sent);
    EXPECT_EQ(r.status, 128 + SIGTERM);
    EXPECT_LT(r.seconds, 5.0) << "something of it lived on";
    EXPECT_EQ(WaitForWindow(d, ByTitle("platform box"), Millis(1000)), 0u)
        << "the box outlived the program";
}

TEST(NoDisplay, WithoutDisplayTheTextGoesToStandardErrorAndStartFails) {
    ChildResult r = RunChild("start", {"DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER="}, 5000);
    EXPECT_EQ(r.status, 1);
    EXPECT_LT(r.seconds, 2.0);
    EXPECT_NE(r.err.find("the notice caption: the notice text\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("cannot create a window: no display"), std::string::npos) << r.err;
}

TEST(NoDisplay, DisplayThatDoesNotAnswerFailsFast) {
    XServer frozen = StartXServer(320, 240);
    ASSERT_GT(frozen.pid, 0);
    kill(frozen.pid, SIGSTOP);
    ChildResult r = RunChild("start", {DisplayEnv(frozen), "WAYLAND_DISPLAY="}, 5000);
    kill(frozen.pid, SIGCONT);
    StopXServer(frozen);
    EXPECT_EQ(r.status, 1);
    EXPECT_LT(r.seconds, 2.0);
    EXPECT_NE(r.err.find("does not answer"), std::string::npos) << r.err;
    // One line naming the cause.
    size_t line = r.err.find("cannot create a window");
    ASSERT_NE(line, std::string::npos);
    EXPECT_EQ(r.err.find('\n', line), r.err.size() - 1);
}

TEST(NoDisplay, OffscreenDriverCountsOnlyWhenAskedFor) {
    ChildResult r = RunChild("start", {"DISPLAY=:9999", "WAYLAND_DISPLAY="}, 5000);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("cannot be reached"), std::string::npos) << r.err;
}

TEST(PixelFormat, ServerWithoutGlxOffersNoFormat) {
    XServer plain = StartXServer(320, 240, {"-extension", "GLX"});
    ASSERT_GT(plain.pid, 0);
    ChildResult r = RunChild("choose", {DisplayEnv(plain)}, 10000);
    StopXServer(plain);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0\n");
}

TEST(Signals, TerminationArrivesAsWmCloseAndEndsWithStatusZero) {
    bool sent = false;
    ChildResult r =
        RunChild("loop", {DisplayEnv(TestServer())}, 10000, [&](int pid, const std::string& out) {
            if (!sent && out.find("ready\n") != std::string::npos) {
                kill(pid, SIGTERM);
                sent = true;
            }
        });
    EXPECT_TRUE(sent);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "ready\nclose\n");
}

}  // namespace
