// The message loop and the scheduling of frames on the real message queue.
#include <gtest/gtest.h>

#include "app/viewer.h"
#include "app/viewer_state.h"
#include "render/render.h"
#include "tests/render/viewer_window.h"

namespace {

int hookCalls = 0;
int quitAfter = 0;

// Stands in the slot to watch the loop: counts its calls and asks to quit
// after a number of them.
void CountingHook() {
    if (++hookCalls == quitAfter) PostQuitMessage(0);
}

class LoopTest : public ViewerWindowTest {
protected:
    void SetUp() override {
        ViewerWindowTest::SetUp();
        hookCalls = 0;
        quitAfter = 0;
    }
};

TEST_F(LoopTest, WaitingMessagesComeBeforeTheHook) {
    viewer.redrawHook = CountingHook;
    PostQuitMessage(7);
    EXPECT_EQ(RunMessageLoop(), 7);
    EXPECT_EQ(hookCalls, 0);
}

TEST_F(LoopTest, AnInstalledHookRunsAgainAndAgain) {
    viewer.redrawHook = CountingHook;
    quitAfter = 25;
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_EQ(hookCalls, 25);
}

TEST_F(LoopTest, RequestsCoalesceIntoOneFrameWhenNotAnimating) {
    viewer.keepAnimating = 0;
    viewer.redrawHook = nullptr;
    RequestRedraw();
    ViewerWindowProc(window_, WM_PAINT, 0, 0);
    ViewerWindowProc(window_, WM_PAINT, 0, 0);
    ViewerWindowProc(window_, WM_CHAR, 'p', 1);
    EXPECT_EQ(RunIdleFrames(10), 1);
    EXPECT_EQ(viewer.redrawHook, nullptr);
}

TEST_F(LoopTest, AnimationKeepsTheHookAndAPaintAddsNothing) {
    ASSERT_EQ(viewer.keepAnimating, 1);
    ASSERT_EQ(viewer.redrawHook, RedrawHook) << "the first paint installs the hook";
    EXPECT_EQ(RunIdleFrames(5), 5);
    ViewerWindowProc(window_, WM_PAINT, 0, 0);
    EXPECT_EQ(viewer.redrawHook, RedrawHook);

    // A press stops the animation after exactly one more frame.
    ViewerWindowProc(window_, WM_LBUTTONDOWN, 0, PointerParam(5, 5));
    EXPECT_EQ(RunIdleFrames(10), 1);
}

TEST_F(LoopTest, NoFrameAfterTheWindowIsDestroyed) {
    ASSERT_EQ(viewer.redrawHook, RedrawHook);
    float before[16];
    std::copy(viewer.spinMatrix, viewer.spinMatrix + 16, before);
    DestroyWindow(window_);
    EXPECT_EQ(viewer.redrawHook, nullptr);
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_TRUE(std::equal(before, before + 16, viewer.spinMatrix));
}

}  // namespace
