// The trackball's arithmetic against values worked out by hand, and its
// spinning / dragging / still states through the transitions a user makes.
#include "trackball/trackball.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/viewer_state.h"

namespace {

constexpr float kTolerance = 1e-5f;

void ExpectPoint(SpherePoint p, float x, float y, float z) {
    EXPECT_NEAR(p.x, x, kTolerance);
    EXPECT_NEAR(p.y, y, kTolerance);
    EXPECT_NEAR(p.z, z, kTolerance);
}

TEST(PointerToSphere, MapsTheWindowOntoTheDome) {
    // Centre of the window: the top of the dome.
    ExpectPoint(PointerToSphere(100, 100, 200, 200), 0.0f, 0.0f, 1.0f);
    // Half way to the right edge: d = 0.5, z = cos(pi/4), then normalised.
    const float z = std::cos(0.25 * M_PI);
    const float n = std::sqrt(0.25f + z * z);
    ExpectPoint(PointerToSphere(150, 100, 200, 200), 0.5f / n, 0.0f, z / n);
    // Top edge: y grows downwards on screen and upwards on the sphere.
    ExpectPoint(PointerToSphere(100, 0, 200, 200), 0.0f, 1.0f, 0.0f);
    // On the circle and far outside: the equator, in the pointer's direction.
    ExpectPoint(PointerToSphere(200, 100, 200, 200), 1.0f, 0.0f, 0.0f);
    ExpectPoint(PointerToSphere(-30000, 100, 200, 200), -1.0f, 0.0f, 0.0f);
    const SpherePoint corner = PointerToSphere(30000, 30000, 200, 200);
    ExpectPoint(corner, float(M_SQRT1_2), -float(M_SQRT1_2), 0.0f);
}

TEST(PointerToSphere, StretchesWithAWindowThatIsNotSquare) {
    // 400 by 200: x = 300 is half way right, y = 100 the middle.
    const float z = std::cos(0.25 * M_PI);
    const float n = std::sqrt(0.25f + z * z);
    ExpectPoint(PointerToSphere(300, 100, 400, 200), 0.5f / n, 0.0f, z / n);
    ExpectPoint(PointerToSphere(200, 50, 400, 200), 0.0f, 0.5f / n, z / n);
}

TEST(PointerToSphere, ReturnsUnitVectors) {
    for (int x = -500; x <= 1500; x += 37) {
        for (int y = -500; y <= 1500; y += 41) {
            const SpherePoint p = PointerToSphere(x, y, 864, 864);
            EXPECT_NEAR(p.x * p.x + p.y * p.y + p.z * p.z, 1.0f, 1e-5f) << x << "," << y;
        }
    }
}

class TrackballTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = viewer;
        viewer.windowWidth = 200;
        viewer.windowHeight = 200;
        viewer.redrawHook = nullptr;
        viewer.renderContext = nullptr;
    }
    void TearDown() override { viewer = saved_; }

    static void ExpectState(int dragging, int spinActive, int keepAnimating) {
        EXPECT_EQ(viewer.dragging, dragging);
        EXPECT_EQ(viewer.spinActive, spinActive);
        EXPECT_EQ(viewer.keepAnimating, keepAnimating);
    }

private:
    ViewerState saved_;
};

TEST_F(TrackballTest, AMoveGivesTheRotationBetweenTwoSpherePoints) {
    TrackballPress(100, 100);  // top of the dome
    ExpectState(1, 1, 0);
    EXPECT_EQ(viewer.redrawHook, nullptr) << "a press asks for no frame";

    TrackballDrag(150, 100);
    // From (0, 0, 1) to (0.57735, 0, 0.81650): chord 0.60581, so 54.52 degrees
    // about l x c = (0, 0.57735, 0): a move to the right turns the front right.
    EXPECT_NEAR(viewer.spinAngle, 54.5232f, 1e-3f);
    EXPECT_NEAR(viewer.spinAxis[0], 0.0f, kTolerance);
    EXPECT_NEAR(viewer.spinAxis[1], 0.577350f, kTolerance);
    EXPECT_NEAR(viewer.spinAxis[2], 0.0f, kTolerance);
    EXPECT_NE(viewer.redrawHook, nullptr) << "a move asks for a frame";

    // An upward move turns about -x, so the front follows the pointer up.
    TrackballPress(100, 100);
    TrackballDrag(100, 50);
    EXPECT_NEAR(viewer.spinAxis[0], -0.577350f, kTolerance);
    EXPECT_NEAR(viewer.spinAxis[1], 0.0f, kTolerance);
}

TEST_F(TrackballTest, AMoveWithoutADragDoesNothing) {
    viewer.dragging = 0;
    const float angle = viewer.spinAngle;
    TrackballDrag(10, 10);
    EXPECT_EQ(viewer.spinAngle, angle);
    EXPECT_EQ(viewer.redrawHook, nullptr);
}

TEST_F(TrackballTest, AMoveToThePreviousPositionGivesNoRotation) {
    TrackballPress(40, 60);
    TrackballDrag(40, 60);
    EXPECT_EQ(viewer.spinAngle, 0.0f);
    EXPECT_EQ(viewer.spinAxis[0], 0.0f);
    EXPECT_EQ(viewer.spinAxis[1], 0.0f);
    EXPECT_EQ(viewer.spinAxis[2], 0.0f);
}

TEST_F(TrackballTest, OnlyTheLastOfSeveralMovesCounts) {
    TrackballPress(100, 100);
    TrackballDrag(120, 100);
    TrackballDrag(130, 100);
    const float twoMoves = viewer.spinAngle;

    TrackballPress(120, 100);
    TrackballDrag(130, 100);
    EXPECT_FLOAT_EQ(viewer.spinAngle, twoMoves) << "the earlier move is not added";
}

TEST_F(TrackballTest, ReleasingAfterAMoveKeepsSpinning) {
    TrackballPress(100, 100);
    TrackballDrag(110, 95);
    const float angle = viewer.spinAngle;
    viewer.redrawHook = nullptr;
    TrackballRelease(110, 95);
    ExpectState(0, 1, 1);
    EXPECT_EQ(viewer.spinAngle, angle) << "the last move's speed is kept";
    EXPECT_NE(viewer.redrawHook, nullptr);
}

TEST_F(TrackballTest, AClickStopsTheModel) {
    ExpectState(0, 1, 1);  // the start-up spin
    TrackballPress(70, 80);
    TrackballRelease(70, 80);
    ExpectState(0, 0, 0);
    EXPECT_EQ(viewer.spinAngle, 0.0f);
    EXPECT_NE(viewer.redrawHook, nullptr) << "one more frame shows it still";
}

TEST_F(TrackballTest, ADragBackToThePressPointStops) {
    TrackballPress(70, 80);
    TrackballDrag(90, 120);
    TrackballDrag(70, 80);
    TrackballRelease(70, 80);
    ExpectState(0, 0, 0);
}

TEST_F(TrackballTest, PressAndReleaseElsewhereWithoutAMoveKeepsThePreviousSpin) {
    TrackballPress(70, 80);
    TrackballRelease(71, 80);
    ExpectState(0, 1, 1);
    EXPECT_EQ(viewer.spinAngle, -0.5f);
    EXPECT_EQ(viewer.spinAxis[1], 1.0f);
}

TEST_F(TrackballTest, AReleaseWhileStillChangesNothing) {
    TrackballPress(70, 80);
    TrackballRelease(70, 80);
    viewer.redrawHook = nullptr;
    const ViewerState before = viewer;
    TrackballRelease(5, 5);
    EXPECT_EQ(viewer.spinActive, before.spinActive);
    EXPECT_EQ(viewer.keepAnimating, before.keepAnimating);
    EXPECT_EQ(viewer.dragging, before.dragging);
    EXPECT_EQ(viewer.redrawHook, nullptr);
}

TEST_F(TrackballTest, AJumpAcrossTheWindowGivesAHalfTurnAboutNoUsableAxis) {
    // Captured pointer: far left of the window, then far right in one move.
    TrackballPress(100, 100);
    TrackballDrag(-5000, 100);
    TrackballDrag(5000, 100);
    EXPECT_NEAR(viewer.spinAngle, 180.0f, 1e-3f);
    const float* a = viewer.spinAxis;
    EXPECT_LT(std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]), 1e-4f);
}

}  // namespace
