#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "app/viewer_state.h"
#include "render/internal.h"
#include "render/render.h"

// Directions (w = 0) of lights 1 to 6; frames submit them again.
const float lightPositions[6][4] = {
    {-10.0f, 14.0f, 4.0f, 0.0f},    // 1
    {5.0f, -6.0f, -2.0f, 0.0f},     // 2
    {0.0f, -3.0f, 4.0f, 0.0f},      // 3
    {0.0f, -2.0f, -5.0f, 0.0f},     // 4
    {0.0f, 0.0f, -8.0f, 0.0f},      // 5
    {-20.0f, -10.0f, -2.0f, 0.0f},  // 6
};

namespace {

struct LightColours {
    float ambient[4];
    float diffuse[4];
    float specular[4];
};

// Colours of lights 1 to 6. Light 0 keeps OpenGL's white defaults.
const LightColours lightColours[6] = {
    {{0.35f, 0.35f, 0.45f, 1.0f}, {0.2f, 0.2f, 0.6f, 1.0f}, {0.2f, 0.2f, 0.45f, 1.0f}},
    {{0.55f, 0.45f, 0.35f, 1.0f}, {0.45f, 0.3f, 0.3f, 1.0f}, {0.5f, 0.4f, 0.4f, 1.0f}},
    {{0.65f, 0.65f, 0.35f, 1.0f}, {0.4f, 0.4f, 0.05f, 1.0f}, {0.5f, 0.5f, 0.4f, 1.0f}},
    {{0.45f, 0.45f, 0.45f, 1.0f}, {0.4f, 0.5f, 0.3f, 1.0f}, {0.2f, 0.4f, 0.35f, 1.0f}},
    {{0.05f, 0.6f, 0.05f, 1.0f}, {0.0f, 0.5f, 0.0f, 1.0f}, {0.05f, 0.6f, 0.08f, 1.0f}},
    {{0.3f, 0.3f, 0.3f, 1.0f}, {0.4f, 0.4f, 0.05f, 1.0f}, {0.45f, 0.55f, 0.55f, 1.0f}},
};

const float light0Position[4] = {0.7f, 0.7f, 0.025f, 0.0f};

// One unit in the last place above the float nearest to 0.243.
const float fogDensity = [] {
    const std::uint32_t bits = 0x3E78D4FF;
    float density;
    std::memcpy(&density, &bits, sizeof density);
    return density;
}();
const float fogColour[4] = {0.4f, 0.4f, 0.5f, 1.0f};

constexpr int kCheckerSize = 256;

// An orthographic box 8 high and 12 deep, as wide as the client area's
// shape asks.
void SetProjection() {
    const float aspect = float(double(viewer.clientWidth) / double(viewer.clientHeight));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-4.0 * aspect, 4.0 * aspect, -4.0, 4.0, -6.0, 6.0);
    glMatrixMode(GL_MODELVIEW);
}

void BuildCheckerTexture() {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);

    auto* image = static_cast<GLubyte*>(std::malloc(kCheckerSize * kCheckerSize * 4));
    if (image == nullptr) return;
    for (int i = 0; i < kCheckerSize; ++i) {
        for (int j = 0; j < kCheckerSize; ++j) {
            GLubyte* texel = image + 4 * (kCheckerSize * i + j);
            const GLubyte level = ((i ^ j) & 32) ? 255 : 16;
            texel[0] = texel[1] = texel[2] = level;
            texel[3] = 255;
        }
    }
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, kCheckerSize, kCheckerSize, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 image);
    std::free(image);
}

}  // namespace

void FitSceneToClientArea() {
    glViewport(0, 0, viewer.clientWidth, viewer.clientHeight);
    SetProjection();
}

void InitScene() {
    glFogi(GL_FOG_MODE, GL_EXP2);
    glFogf(GL_FOG_DENSITY, fogDensity);
    glFogfv(GL_FOG_COLOR, fogColour);

    SetProjection();

    // A fixed turn about the zero vector: no direction, so no rotation, and
    // the base of the model-view stack stays the identity.
    ApplyRotation(45.0f, 0.0f, 0.0f, 0.0f);

    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);

    glLightfv(GL_LIGHT0, GL_POSITION, light0Position);
    glEnable(GL_LIGHT0);

    for (int i = 0; i < 6; ++i) {
        const GLenum light = GL_LIGHT1 + i;
        glLightfv(light, GL_POSITION, lightPositions[i]);
        glLightfv(light, GL_AMBIENT, lightColours[i].ambient);
        glLightfv(light, GL_DIFFUSE, lightColours[i].diffuse);
        glLightfv(light, GL_SPECULAR, lightColours[i].specular);
        if (light != GL_LIGHT2) glEnable(light);  // frames enable light 2
    }

    BuildCheckerTexture();

    for (int i = 0; i < 16; ++i)
        viewer.spinMatrix[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}
