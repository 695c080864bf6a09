// Keys and pointer through the real window procedure of a real window.
#include <gtest/gtest.h>

#include <cmath>

#include "app/viewer.h"
#include "app/viewer_state.h"
#include "render/render.h"
#include "tests/render/viewer_window.h"

namespace {

class InputTest : public ViewerWindowTest {
protected:
    void SetUp() override {
        ViewerWindowTest::SetUp();
        viewer.redrawHook = nullptr;
    }

    LRESULT Char(char c) { return ViewerWindowProc(window_, WM_CHAR, WPARAM(c), 1); }
    LRESULT Pointer(UINT message, int x, int y) {
        return ViewerWindowProc(window_, message, 0, PointerParam(x, y));
    }
};

TEST_F(InputTest, LowerCaseKeysToggleAndAskForAFrame) {
    EXPECT_EQ(Char('f'), 0);
    EXPECT_EQ(viewer.fogOn, 1);
    EXPECT_NE(viewer.redrawHook, nullptr);
    Char('f');
    EXPECT_EQ(viewer.fogOn, 0);

    Char('p');
    EXPECT_EQ(viewer.wireframeOn, 1);
    Char('p');
    Char('p');
    EXPECT_EQ(viewer.wireframeOn, 1) << "one toggle per character, repeats included";
}

TEST_F(InputTest, UpperCaseKeysAreNotBindings) {
    for (char c : {'F', 'P', 'J', 'K', 'q'}) {
        const LRESULT expected = DefWindowProcA(window_, WM_CHAR, WPARAM(c), 1);
        EXPECT_EQ(Char(c), expected);
    }
    EXPECT_EQ(viewer.fogOn, 0);
    EXPECT_EQ(viewer.wireframeOn, 0);
    EXPECT_EQ(viewer.stepParameter, 0.55f);
    EXPECT_EQ(viewer.redrawHook, nullptr);
}

TEST_F(InputTest, JAndKStepTheParameterWithinItsBounds) {
    for (int i = 0; i < 30; ++i)
        Char('j');
    EXPECT_EQ(viewer.stepParameter, 1.05f);
    EXPECT_NE(viewer.redrawHook, nullptr);
    for (int i = 0; i < 30; ++i)
        Char('k');
    EXPECT_EQ(viewer.stepParameter, 0.01f);
    Char('j');
    EXPECT_NEAR(viewer.stepParameter, 0.06f, 1e-6f);
}

TEST_F(InputTest, PointerMessagesNeedARenderingContext) {
    HGLRC context = viewer.renderContext;
    viewer.renderContext = nullptr;
    Pointer(WM_LBUTTONDOWN, 10, 10);
    EXPECT_EQ(viewer.dragging, 0);
    viewer.renderContext = context;

    Pointer(WM_LBUTTONDOWN, 10, 10);
    EXPECT_EQ(viewer.dragging, 1);
    EXPECT_EQ(viewer.keepAnimating, 0);
    Pointer(WM_MOUSEMOVE, 20, 10);
    EXPECT_GT(viewer.spinAngle, 0.0f);
    Pointer(WM_LBUTTONUP, 20, 10);
    EXPECT_EQ(viewer.keepAnimating, 1);
}

TEST_F(InputTest, ACapturedJumpAcrossTheWindowLeavesTheModelWhereItIs) {
    // Press in the window, leave it far to the left, then jump far to the
    // right in one move and let go: a half turn about no usable axis.
    Pointer(WM_LBUTTONDOWN, 160, 160);
    Pointer(WM_MOUSEMOVE, -5000, 160);
    Pointer(WM_MOUSEMOVE, 5000, 160);
    Pointer(WM_LBUTTONUP, 5000, 160);
    ASSERT_EQ(viewer.keepAnimating, 1);
    ASSERT_NEAR(viewer.spinAngle, 180.0f, 0.01f);

    EXPECT_EQ(RunIdleFrames(20), 20);
    for (int i = 0; i < 16; ++i) {
        EXPECT_TRUE(std::isfinite(viewer.spinMatrix[i])) << i;
        EXPECT_EQ(viewer.spinMatrix[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;
    }
}

TEST_F(InputTest, EscapeDuringADragEndsTheProgramWithStatusZero) {
    Pointer(WM_LBUTTONDOWN, 100, 100);
    Pointer(WM_MOUSEMOVE, 120, 110);
    EXPECT_EQ(Char(27), 0);
    EXPECT_EQ(viewer.renderContext, nullptr);
    EXPECT_EQ(viewer.redrawHook, nullptr);
    EXPECT_EQ(RunMessageLoop(), 0);
}

}  // namespace
