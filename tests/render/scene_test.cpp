// The scene a new rendering context gets, read back from Mesa's OpenGL.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <vector>

#include "app/viewer_state.h"
#include "render/render.h"
#include "tests/render/viewer_window.h"

namespace {

using SceneTest = ViewerWindowTest;

void ExpectVector(GLenum light, GLenum name, const float (&expected)[4]) {
    float value[4];
    glGetLightfv(light, name, value);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(value[i], expected[i]) << "light " << (light - GL_LIGHT0) << " parameter 0x"
                                               << std::hex << name << " [" << i << "]";
    }
}

TEST_F(SceneTest, SetsFogWithoutEnablingIt) {
    GLint mode = 0;
    glGetIntegerv(GL_FOG_MODE, &mode);
    EXPECT_EQ(mode, GL_EXP2);
    float density = 0;
    glGetFloatv(GL_FOG_DENSITY, &density);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(density), 0x3E78D4FFu);
    float colour[4];
    glGetFloatv(GL_FOG_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.4f);
    EXPECT_FLOAT_EQ(colour[1], 0.4f);
    EXPECT_FLOAT_EQ(colour[2], 0.5f);
    EXPECT_FLOAT_EQ(colour[3], 1.0f);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
}

TEST_F(SceneTest, ProjectsOrthographicallyAndLeavesAnIdentityBase) {
    float projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    // glOrtho(-4, 4, -4, 4, -6, 6)
    const float expected[16] = {0.25f, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, -1.0f / 6, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(projection[i], expected[i], 1e-7f) << i;

    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);

    // The fixed 45 degree turn is about the zero vector: no rotation at all.
    float modelView[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(modelView[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(viewer.spinMatrix[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;
}

TEST_F(SceneTest, WidensTheVolumeForAWideWindow) {
    viewer.windowWidth = 2 * viewer.windowHeight;
    SetProjection();
    float projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_FLOAT_EQ(projection[0], 1.0f / 8);  // glOrtho(-8, 8, -4, 4, -6, 6)
    EXPECT_FLOAT_EQ(projection[5], 1.0f / 4);
}

TEST_F(SceneTest, SetsSevenDirectionalLights) {
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    ExpectVector(GL_LIGHT0, GL_POSITION, {0.7f, 0.7f, 0.025f, 0.0f});
    ExpectVector(GL_LIGHT0, GL_AMBIENT, {0, 0, 0, 1});
    ExpectVector(GL_LIGHT0, GL_DIFFUSE, {1, 1, 1, 1});
    ExpectVector(GL_LIGHT0, GL_SPECULAR, {1, 1, 1, 1});

    ExpectVector(GL_LIGHT1, GL_POSITION, {-10, 14, 4, 0});
    ExpectVector(GL_LIGHT1, GL_AMBIENT, {0.35f, 0.35f, 0.45f, 1});
    ExpectVector(GL_LIGHT1, GL_DIFFUSE, {0.2f, 0.2f, 0.6f, 1});
    ExpectVector(GL_LIGHT1, GL_SPECULAR, {0.2f, 0.2f, 0.45f, 1});
    ExpectVector(GL_LIGHT2, GL_POSITION, {5, -6, -2, 0});
    ExpectVector(GL_LIGHT2, GL_AMBIENT, {0.55f, 0.45f, 0.35f, 1});
    ExpectVector(GL_LIGHT2, GL_DIFFUSE, {0.45f, 0.3f, 0.3f, 1});
    ExpectVector(GL_LIGHT2, GL_SPECULAR, {0.5f, 0.4f, 0.4f, 1});
    ExpectVector(GL_LIGHT3, GL_POSITION, {0, -3, 4, 0});
    ExpectVector(GL_LIGHT3, GL_DIFFUSE, {0.4f, 0.4f, 0.05f, 1});
    ExpectVector(GL_LIGHT4, GL_POSITION, {0, -2, -5, 0});
    ExpectVector(GL_LIGHT4, GL_SPECULAR, {0.2f, 0.4f, 0.35f, 1});
    ExpectVector(GL_LIGHT5, GL_POSITION, {0, 0, -8, 0});
    ExpectVector(GL_LIGHT5, GL_AMBIENT, {0.05f, 0.6f, 0.05f, 1});
    ExpectVector(GL_LIGHT6, GL_POSITION, {-20, -10, -2, 0});
    ExpectVector(GL_LIGHT6, GL_SPECULAR, {0.45f, 0.55f, 0.55f, 1});

    for (GLenum light : {GL_LIGHT1, GL_LIGHT3, GL_LIGHT4, GL_LIGHT5, GL_LIGHT6}) {
        EXPECT_TRUE(glIsEnabled(light)) << "light " << light - GL_LIGHT0;
    }
    EXPECT_FALSE(glIsEnabled(GL_LIGHT2)) << "light 2 waits for the first frame";
    EXPECT_FALSE(glIsEnabled(GL_LIGHT7));
    GLint twoSided = 0;
    glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &twoSided);
    EXPECT_EQ(twoSided, 1);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));

    DrawFrame();
    EXPECT_TRUE(glIsEnabled(GL_LIGHT2)) << "the first frame enables light 2";
}

TEST_F(SceneTest, DefinesTheCheckerTexture) {
    std::vector<std::uint8_t> image(256 * 256 * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
    auto texel = [&](int row, int column) {
        const std::uint8_t* t = &image[4 * (256 * row + column)];
        return std::vector<int>{t[0], t[1], t[2], t[3]};
    };
    const std::vector<int> dark = {16, 16, 16, 255}, light = {255, 255, 255, 255};
    EXPECT_EQ(texel(0, 0), dark);
    EXPECT_EQ(texel(32, 32), dark);
    EXPECT_EQ(texel(255, 255), dark);
    EXPECT_EQ(texel(0, 32), light);
    EXPECT_EQ(texel(32, 0), light);
    EXPECT_EQ(texel(0, 63), light);
    EXPECT_EQ(texel(0, 64), dark);

    GLint filter = 0, wrap = 0, mode = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(filter, GL_NEAREST);
    EXPECT_EQ(wrap, GL_REPEAT);
    EXPECT_EQ(mode, GL_MODULATE);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

}  // namespace
