// Frames as Mesa draws them: background, the two materials, fog, wireframe,
// the state each frame leaves, and the accumulated spin.
#include <gtest/gtest.h>

#include <cmath>

#include "app/viewer_state.h"
#include "render/render.h"
#include "tests/render/viewer_window.h"

namespace {

const Rgb kBackground = {38, 38, 38};     // 0.15
const Rgb kFogBackground = {51, 38, 38};  // 0.2, 0.15, 0.15

using FrameTest = ViewerWindowTest;

Picture Draw() {
    DrawFrame();
    return ReadPresentedPicture();
}

struct Census {
    int background = 0, reddish = 0, bluish = 0, other = 0;
};

Census Count(const Picture& picture, Rgb background, int x0 = 0, int x1 = -1) {
    if (x1 < 0) x1 = picture.width;
    Census census;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = x0; x < x1; ++x) {
            const Rgb p = picture.At(x, y);
            if (p == background) {
                ++census.background;
            } else if (p[0] > p[2]) {
                ++census.reddish;
            } else if (p[2] > p[0]) {
                ++census.bluish;
            } else {
                ++census.other;
            }
        }
    }
    return census;
}

TEST_F(FrameTest, ClearsToTheBackgroundOfTheFogSwitch) {
    Picture picture = Draw();
    EXPECT_EQ(picture.At(0, 0), kBackground);
    EXPECT_EQ(picture.At(picture.width - 1, picture.height - 1), kBackground);
    EXPECT_FALSE(glIsEnabled(GL_FOG));

    const Census clear = Count(picture, kBackground);
    viewer.fogOn = 1;
    viewer.spinActive = 0;
    picture = Draw();
    EXPECT_EQ(picture.At(0, 0), kFogBackground);
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    // Same shape, other colours: fog tints every pixel of the saddle.
    const Census fogged = Count(picture, kFogBackground);
    EXPECT_NEAR(fogged.background, clear.background, clear.background / 100);
}

TEST_F(FrameTest, ShowsTheFrontMaterialWhereTheUpperSideFacesTheViewer) {
    for (int i = 0; i < 59; ++i)
        DrawFrame();
    const Picture picture = Draw();  // the 60th frame of the start-up spin

    const Census whole = Count(picture, kBackground);
    EXPECT_GT(whole.reddish, picture.width * picture.height / 20);
    EXPECT_GT(whole.bluish, picture.width * picture.height / 20);

    // Turned by 30 degrees, the left third shows the +y side only: reddish,
    // and not one pixel of the reversed copies' bluish material.
    const Census left = Count(picture, kBackground, 0, picture.width / 3);
    EXPECT_GT(left.reddish, 1000);
    EXPECT_EQ(left.bluish, 0);
}

TEST_F(FrameTest, WireframeShowsTheBackgroundBetweenTheLines) {
    viewer.spinActive = 0;
    const Census filled = Count(Draw(), kBackground);
    viewer.wireframeOn = 1;
    const Census lines = Count(Draw(), kBackground);
    EXPECT_GT(lines.background, filled.background + filled.reddish / 10);
    EXPECT_GT(lines.reddish + lines.bluish, 0);

    viewer.wireframeOn = 0;
    const Census again = Count(Draw(), kBackground);
    EXPECT_EQ(again.background, filled.background) << "filled again after the switch";
}

TEST_F(FrameTest, EveryFrameEndsInTheSameState) {
    for (int wireframe = 0; wireframe <= 1; ++wireframe) {
        viewer.wireframeOn = wireframe;
        DrawFrame();
        EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
        EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
        EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        GLint mode[2];
        glGetIntegerv(GL_POLYGON_MODE, mode);
        EXPECT_EQ(mode[0], GL_FILL);
        EXPECT_EQ(mode[1], GL_FILL);
        GLint depth = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        EXPECT_EQ(depth, 1);
    }
}

TEST_F(FrameTest, AnEmptyMeshLeavesOnlyTheBackground) {
    const ParaboloidMesh empty = {"0_0", nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, 1};
    DrawFrame();  // sets the clear colour
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawMeshFaces(empty);
    SwapBuffers(viewer.deviceContext);
    const Census census = Count(ReadPresentedPicture(), kBackground);
    EXPECT_EQ(census.reddish + census.bluish + census.other, 0);
}

TEST_F(FrameTest, StillFramesAreIdentical) {
    viewer.spinActive = 0;
    const Picture first = Draw();
    const Picture second = Draw();
    EXPECT_TRUE(first.pixels == second.pixels);
}

TEST_F(FrameTest, HalfADegreeAFrameMakesAQuarterTurnIn180Frames) {
    for (int i = 0; i < 180; ++i)
        SpinStep();
    // -90 degrees about y, column-major.
    const float expected[16] = {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(viewer.spinMatrix[i], expected[i], 1e-5f) << i;
}

TEST_F(FrameTest, ALongRunKeepsTheRotationOrthonormal) {
    // Without re-orthonormalising, float rounding shrinks the model by about
    // 2% over two million frames.
    for (int i = 0; i < 2000000; ++i)
        SpinStep();
    const float* m = viewer.spinMatrix;
    for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < 3; ++b) {
            const float dot =
                m[4 * a] * m[4 * b] + m[4 * a + 1] * m[4 * b + 1] + m[4 * a + 2] * m[4 * b + 2];
            EXPECT_NEAR(dot, a == b ? 1.0f : 0.0f, 1e-5f) << "columns " << a << ", " << b;
        }
    }
}

TEST_F(FrameTest, ARotationAboutTooShortAnAxisLeavesTheModelAlone) {
    const float before[16] = {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1};
    for (float axisLength : {0.0f, 1e-7f, 1e-5f}) {
        std::copy(before, before + 16, viewer.spinMatrix);
        viewer.spinAngle = 179.9f;
        viewer.spinAxis[0] = 0;
        viewer.spinAxis[1] = axisLength;
        viewer.spinAxis[2] = 0;
        for (int i = 0; i < 10; ++i)
            SpinStep();
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(viewer.spinMatrix[i], before[i]) << "axis " << axisLength << ", " << i;
        }
    }
}

}  // namespace
