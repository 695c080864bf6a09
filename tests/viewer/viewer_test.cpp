// The viewer's own window, procedure and message loop on a private X server,
// drawing with Mesa: the scene, the frames, and what keys, pointer and paint
// messages do to them.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>

#include "app/viewer.h"
#include "app/viewer_state.h"
#include "render/render.h"
#include "tests/support/harness.h"
#include "trackball/trackball.h"

namespace {

const ViewerState stateAtLoad = viewer;
constexpr int kSide = 320;

class XServerEnvironment : public ::testing::Environment {
    void SetUp() override {
        server = StartXServer(1280, 1024);
        ASSERT_GT(server.pid, 0) << "Xvfb did not start";
        setenv("DISPLAY", server.display.c_str(), 1);
        WNDCLASSA windowClass = {};
        windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = ViewerWindowProc;
        windowClass.lpszClassName = viewer.windowClassName;
        ASSERT_NE(RegisterClassA(&windowClass), 0);
    }
    void TearDown() override { StopXServer(server); }
    XServer server;
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new XServerEnvironment);

// A fresh viewer with its window open, shown and painted once.
class ViewerWindow : public ::testing::Test {
protected:
    void SetUp() override {
        viewer = stateAtLoad;
        viewer.windowWidth = viewer.windowHeight = kSide;
        window =
            CreateWindowExA(0, viewer.windowClassName, viewer.windowTitle, WS_OVERLAPPEDWINDOW, 50,
                            50, kSide, kSide, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        ASSERT_NE(viewer.renderContext, nullptr);
        ShowWindow(window, SW_SHOWDEFAULT);
        UpdateWindow(window);
    }
    void TearDown() override {
        DestroyWindow(window);  // a no-op when the test destroyed it
        MSG message;            // leave nothing, the quit request above all, to the next test
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    LRESULT Send(UINT message, WPARAM wParam = 0, int x = 0, int y = 0) {
        return ViewerWindowProc(window, message, wParam,
                                LPARAM(std::uint16_t(x)) | LPARAM(std::uint16_t(y)) << 16);
    }
    // The message loop until nothing waits and no frame is asked for, at most
    // `limit` hook calls.
    int IdleFrames(int limit) {
        int calls = 0;
        for (MSG m; calls < limit;) {
            if (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
                TranslateMessage(&m), DispatchMessageA(&m);
            else if (viewer.redrawHook != nullptr)
                viewer.redrawHook(), ++calls;
            else
                break;
        }
        return calls;
    }
    HWND window = nullptr;
};

// The picture just presented: with Mesa's software renderer it is still in
// the back buffer after the swap.
Image Presented() {
    Image image{kSide, kSide, std::vector<Rgb>(kSide * kSide)};
    std::vector<Rgb> rows(kSide * kSide);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kSide, kSide, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    for (int y = 0; y < kSide; ++y)
        std::copy_n(&rows[std::size_t(kSide - 1 - y) * kSide], kSide, &image.pixels[y * kSide]);
    return image;
}

Image Drawn() {
    DrawFrame();
    return Presented();
}

long Count(const Image& image, Tint tint, int x0 = 0, int x1 = kSide) {
    long n = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = x0; x < x1; ++x)
            n += TintOf(image.at(x, y)) == tint;
    return n;
}

void ExpectFloats(std::initializer_list<float> want, const float* got, const std::string& what) {
    for (size_t k = 0; k < want.size(); ++k)
        EXPECT_FLOAT_EQ(got[k], want.begin()[k]) << what << "[" << k << "]";
}

TEST_F(ViewerWindow, SetsUpTheSceneOnce) {
    GLint i[6];
    float v[16];
    glGetIntegerv(GL_FOG_MODE, i);
    glGetIntegerv(GL_MATRIX_MODE, i + 1);
    glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, i + 2);
    glGetIntegerv(GL_DOUBLEBUFFER, i + 3);
    EXPECT_EQ(std::tuple(i[0], i[1], i[2], i[3]), std::tuple(GL_EXP2, GL_MODELVIEW, 1, 1));
    glGetFloatv(GL_FOG_DENSITY, v);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(v[0]), 0x3E78D4FFu);
    glGetFloatv(GL_FOG_COLOR, v);
    ExpectFloats({0.4f, 0.4f, 0.5f, 1}, v, "fog colour");
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING) || glIsEnabled(GL_DEPTH_TEST) || glIsEnabled(GL_FOG));

    // glOrtho(-4, 4, -4, 4, -6, 6), and no turn at all: the fixed 45 degrees
    // are about the zero vector.
    glGetFloatv(GL_PROJECTION_MATRIX, v);
    ExpectFloats({0.25f, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, -1.0f / 6, 0, 0, 0, 0, 1}, v, "ortho");
    const auto identity = {1.0f, 0.f, 0.f, 0.f, 0.f, 1.f, 0.f, 0.f,
                           0.f,  0.f, 1.f, 0.f, 0.f, 0.f, 0.f, 1.f};
    glGetFloatv(GL_MODELVIEW_MATRIX, v);
    ExpectFloats(identity, v, "model-view");
    ExpectFloats(identity, viewer.spinMatrix, "spin");

    // Seven directional lights: position, ambient, diffuse, specular; light 2
    // is enabled by the frames.
    const float lights[7][4][4] = {
        {{0.7f, 0.7f, 0.025f, 0}, {0, 0, 0, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}},
        {{-10, 14, 4, 0}, {0.35f, 0.35f, 0.45f, 1}, {0.2f, 0.2f, 0.6f, 1}, {0.2f, 0.2f, 0.45f, 1}},
        {{5, -6, -2, 0}, {0.55f, 0.45f, 0.35f, 1}, {0.45f, 0.3f, 0.3f, 1}, {0.5f, 0.4f, 0.4f, 1}},
        {{0, -3, 4, 0}, {0.65f, 0.65f, 0.35f, 1}, {0.4f, 0.4f, 0.05f, 1}, {0.5f, 0.5f, 0.4f, 1}},
        {{0, -2, -5, 0}, {0.45f, 0.45f, 0.45f, 1}, {0.4f, 0.5f, 0.3f, 1}, {0.2f, 0.4f, 0.35f, 1}},
        {{0, 0, -8, 0}, {0.05f, 0.6f, 0.05f, 1}, {0, 0.5f, 0, 1}, {0.05f, 0.6f, 0.08f, 1}},
        {{-20, -10, -2, 0}, {.3f, .3f, .3f, 1}, {.4f, .4f, .05f, 1}, {.45f, .55f, .55f, 1}}};
    const GLenum parameters[4] = {GL_POSITION, GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR};
    for (int light = 0; light < 8; ++light) {
        for (int p = 0; p < 4 && light < 7; ++p) {
            glGetLightfv(GL_LIGHT0 + light, parameters[p], v);
            const float* l = lights[light][p];
            ExpectFloats({l[0], l[1], l[2], l[3]}, v, "light " + std::to_string(light));
        }
        EXPECT_EQ(glIsEnabled(GL_LIGHT0 + light), light != 2 && light != 7) << light;
    }
}

TEST_F(ViewerWindow, FramesDrawEachFaceOnceAndLeaveTheSameState) {
    for (int i = 0; i < 59; ++i)
        DrawFrame();
    const Image image = Drawn();  // the 60th frame of the start-up spin: 30 degrees
    EXPECT_TRUE(glIsEnabled(GL_LIGHT2));
    // The left third shows the upper side only: not one pixel of the back
    // material, which reversed copies of the faces would bring through.
    EXPECT_GT(Count(image, Tint::Red, 0, kSide / 3), 1000);
    EXPECT_EQ(Count(image, Tint::Blue, 0, kSide / 3), 0);
    for (int wireframe : {1, 0}) {
        viewer.wireframeOn = wireframe;
        DrawFrame();
        GLint mode[2], depth = 0;
        glGetIntegerv(GL_POLYGON_MODE, mode);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        EXPECT_EQ(std::tuple(mode[0], mode[1], depth,
                             glIsEnabled(GL_LIGHTING) || glIsEnabled(GL_DEPTH_TEST) ||
                                 glIsEnabled(GL_CULL_FACE)),
                  std::tuple(GL_FILL, GL_FILL, 1, false));
    }
}

// Where the ray through a pixel meets the surface y = x² - z² within the
// mesh's bounds (less a margin), nearest to the viewer first.
struct Hit {
    double depth, x, y, z;
};
std::vector<Hit> Hits(const float* m, double ex, double ey, double margin) {
    // Model point along the ray: a + t d, with t the eye-space depth.
    const double a[3] = {m[0] * ex + m[1] * ey, m[4] * ex + m[5] * ey, m[8] * ex + m[9] * ey};
    const double d[3] = {m[2], m[6], m[10]};
    const double qa = d[0] * d[0] - d[2] * d[2], qb = 2 * (a[0] * d[0] - a[2] * d[2]) - d[1],
                 qc = a[0] * a[0] - a[2] * a[2] - a[1], disc = qb * qb - 4 * qa * qc;
    std::vector<double> ts;
    if (std::abs(qa) < 1e-9)
        ts = {-qc / qb};
    else if (disc >= 0)
        ts = {(-qb + std::sqrt(disc)) / (2 * qa), (-qb - std::sqrt(disc)) / (2 * qa)};
    std::vector<Hit> hits;
    for (double t : ts) {
        Hit h{t, a[0] + t * d[0], a[1] + t * d[1], a[2] + t * d[2]};
        if (std::abs(t) < 6 && std::abs(h.y) <= 3 - margin && std::abs(h.x - h.z) <= 5 - margin &&
            std::abs(h.x + h.z) <= 5 - margin)
            hits.push_back(h);
    }
    std::sort(hits.begin(), hits.end(),
              [](const Hit& p, const Hit& q) { return p.depth > q.depth; });
    return hits;
}

// Where the surface lies over itself, the near part hides the far part: the
// tint is that of the side of the nearest point that faces the viewer (the
// upper side reddish, the lower bluish). In wireframe the same holds on the
// near part's grid lines, which lie in the surface (it is ruled by them).
TEST_F(ViewerWindow, TheNearPartHidesTheFarPartAtEveryPose) {
    viewer.spinActive = 0;
    // Under white light alone the two materials are told apart by their tint.
    const float white[4] = {1, 1, 1, 1}, black[4] = {0, 0, 0, 1};
    for (int i = 0; i < 7; ++i) {
        glLightfv(GL_LIGHT0 + i, GL_DIFFUSE, white);
        glLightfv(GL_LIGHT0 + i, GL_AMBIENT, black);
        glLightfv(GL_LIGHT0 + i, GL_SPECULAR, black);
    }
    const struct {
        float angle, x, y, z;
    } poses[] = {{0, 0, 1, 0},      {30, 0, 1, 0},    {90, 0, 1, 0},       {200, 0, 1, 0},
                 {-25, 1, 0.3f, 0}, {25, 1, 0, 0.4f}, {160, 0.2f, 1, 0.3f}};
    for (const auto& pose : poses) {
        glPushMatrix();
        glLoadIdentity();
        glRotatef(pose.angle, pose.x, pose.y, pose.z);
        glGetFloatv(GL_MODELVIEW_MATRIX, viewer.spinMatrix);
        glPopMatrix();
        const float* m = viewer.spinMatrix;
        for (int wireframe : {0, 1}) {
            viewer.wireframeOn = wireframe;
            const Image image = Drawn();
            long checked = 0, wrong = 0;
            auto eye = [](double pixel) { return 8 * (pixel + 0.5) / kSide - 4; };
            for (int py = 0; py < kSide; ++py) {
                for (int px = 0; px < kSide; ++px) {
                    const auto hits = Hits(m, eye(px), -eye(py), 0.2);
                    if (hits.size() < 2 || Hits(m, eye(px), -eye(py), 0).size() != hits.size() ||
                        hits[0].depth - hits[1].depth < 0.2)
                        continue;
                    const Hit& h = hits[0];
                    const double n[3] = {-2 * h.x, 1, 2 * h.z};  // the upper side's normal
                    const double facing = (m[2] * n[0] + m[6] * n[1] + m[10] * n[2]) /
                                          std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
                    if (std::abs(facing) < 0.25) continue;
                    if (wireframe) {  // only on a grid line of the near part (u or v on the grid)
                        auto near = Hits(m, eye(px + 1), -eye(py + 1), 0);
                        if (near.empty()) continue;
                        const double u = h.x - h.z, v = h.x + h.z,
                                     step = std::hypot(near[0].x - h.x, near[0].z - h.z) + 1e-9;
                        auto off = [](double w) { return std::abs(w * 4 - std::round(w * 4)) / 4; };
                        if (std::min(off(u), off(v)) > 0.15 * step) continue;
                    }
                    const Tint tint = TintOf(image.at(px, py));
                    if (tint == Tint::Neither) continue;
                    ++checked;
                    wrong += tint != (facing > 0 ? Tint::Red : Tint::Blue);
                }
            }
            EXPECT_GT(checked, wireframe ? 100 : 2000)
                << "pose " << pose.angle << ", " << wireframe;
            EXPECT_LT(wrong, checked / 50 + 1)
                << "pose " << pose.angle << (wireframe ? " in wireframe" : "") << ": " << wrong
                << " of " << checked << " pixels show the far part";
        }
    }
}

TEST_F(ViewerWindow, SpinningAccumulatesExactRotations) {
    // Half a degree a frame: a quarter turn in 180 frames (column-major).
    for (int i = 0; i < 180; ++i)
        SpinStep();
    const float quarter[16] = {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(viewer.spinMatrix[i], quarter[i], 1e-5f) << i;

    // Axes too short to give a direction turn nothing (GL would leave it undefined).
    for (float length : {0.0f, 1e-7f, 1e-5f, NAN}) {
        std::copy_n(quarter, 16, viewer.spinMatrix);
        viewer.spinAngle = 179.9f;
        viewer.spinAxis[0] = viewer.spinAxis[2] = 0;
        viewer.spinAxis[1] = length;
        for (int i = 0; i < 10; ++i)
            SpinStep();
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(viewer.spinMatrix[i], quarter[i]) << length;
    }

    // Each turn is about the viewer's axes: a quarter turn about y after one
    // about x (x to x, y to z) takes x to -z, y to x and z to -y.
    const float tipped[16] = {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1};
    std::copy_n(tipped, 16, viewer.spinMatrix);
    viewer.spinAngle = 90;
    viewer.spinAxis[1] = 1;
    SpinStep();
    const float turned[16] = {0, 0, -1, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(viewer.spinMatrix[i], turned[i], 1e-6f) << i;

    // Two million frames about a tilted axis keep it a rotation: columns of
    // unit length, at right angles.
    viewer.spinAngle = -0.5f;
    viewer.spinAxis[0] = 0.3f, viewer.spinAxis[2] = 0.2f;
    for (int i = 0; i < 2000000; ++i)
        SpinStep();
    const float* m = viewer.spinMatrix;
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b)
            EXPECT_NEAR(
                m[4 * a] * m[4 * b] + m[4 * a + 1] * m[4 * b + 1] + m[4 * a + 2] * m[4 * b + 2],
                a == b, 1e-5f)
                << a << "," << b;
}

TEST_F(ViewerWindow, ThePointerTurnsTheModelOnlyWithAContext) {
    // Without a rendering context the pointer goes to the default procedure.
    const HGLRC context = viewer.renderContext;
    viewer.renderContext = nullptr;
    for (UINT message : {WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP})
        EXPECT_EQ(Send(message, 0, 10, 10), DefWindowProcA(window, message, 0, 0));
    EXPECT_EQ(viewer.dragging, 0);
    viewer.renderContext = context;

    // A captured jump from far left to far right is half a turn about no
    // usable axis: the model stays where it is.
    EXPECT_EQ(Send(WM_LBUTTONDOWN, MK_LBUTTON, 160, 160), 0);
    Send(WM_MOUSEMOVE, MK_LBUTTON, -5000, 160);
    Send(WM_MOUSEMOVE, MK_LBUTTON, 5000, 160);
    EXPECT_EQ(Send(WM_LBUTTONUP, 0, 5000, 160), 0);
    ASSERT_EQ(viewer.keepAnimating, 1);
    ASSERT_NEAR(viewer.spinAngle, 180.0f, 0.01f);
    EXPECT_EQ(IdleFrames(20), 20);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(viewer.spinMatrix[i], i % 5 == 0) << i;

    // A move with the button up ends a drag whose release was lost, as a
    // release where the pointer was last seen: here a throw.
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 100, 100);
    Send(WM_MOUSEMOVE, MK_LBUTTON, 130, 100);
    const float angle = viewer.spinAngle;
    Send(WM_MOUSEMOVE, 0, 200, 250);
    EXPECT_EQ(std::tuple(viewer.dragging, viewer.keepAnimating, viewer.spinAngle),
              std::tuple(0, 1, angle));
}

// The turn between two poses of spinMatrix, in degrees.
float TurnBetween(const float* a, const float* b) {
    double trace = 0;  // of b times a's transpose
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k)
            trace += b[4 * k + i] * a[4 * k + i];
    return float(std::acos(std::clamp((trace - 1) / 2, -1.0, 1.0)) * 180 / M_PI);
}

TEST_F(ViewerWindow, MovesThatArriveDuringAFrameTurnItAsFarAsThePath) {
    XConnection x(std::getenv("DISPLAY"));
    const Geometry g = GetGeometry(x, WaitForWindow(x, viewer.windowTitle, Millis(5000)));
    const int y = kSide / 2 + 10;
    MovePointer(x, g.x + 130, g.y + y);
    PressButton(x);
    IdleFrames(10);
    ASSERT_EQ(viewer.dragging, 1);
    const std::vector<float> before(viewer.spinMatrix, viewer.spinMatrix + 16);
    // Twenty moves of 3 pixels, all waiting before the next frame.
    float path = 0;
    for (int i = 1; i <= 20; ++i) {
        MovePointer(x, g.x + 130 + 3 * i, g.y + y);
        const SpherePoint a = PointerToSphere(127 + 3 * i, y, kSide, kSide),
                          b = PointerToSphere(130 + 3 * i, y, kSide, kSide);
        path += 90 * std::hypot(b.x - a.x, b.y - a.y, b.z - a.z);
    }
    EXPECT_EQ(IdleFrames(10), 1);
    EXPECT_NEAR(TurnBetween(before.data(), viewer.spinMatrix), path, path / 50);
    ReleaseButton(x);
    IdleFrames(10);
}

int hookCalls = 0, quitAfter = 0;
void CountingHook() {
    if (++hookCalls == quitAfter) PostQuitMessage(0);
}

TEST_F(ViewerWindow, TheLoopDrawsWhenNothingWaits) {
    // Waiting messages come before the hook; an installed hook runs again and again.
    quitAfter = 25;
    viewer.redrawHook = CountingHook;
    PostQuitMessage(7);
    EXPECT_EQ(std::pair(RunMessageLoop(), hookCalls), std::pair(7, 0));
    EXPECT_EQ(std::pair(RunMessageLoop(), hookCalls), std::pair(0, 25));

    // While it spins, the hook stays and a paint adds nothing; a press gives one more frame.
    viewer.redrawHook = RedrawHook;
    EXPECT_EQ(IdleFrames(5), 5);
    Send(WM_PAINT);
    EXPECT_EQ(viewer.redrawHook, RedrawHook);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
    EXPECT_EQ(IdleFrames(10), 1);

    // Still, requests coalesce into one frame.
    RequestRedraw();
    Send(WM_PAINT), Send(WM_PAINT), Send(WM_CHAR, 'p');
    EXPECT_EQ(std::pair(IdleFrames(10), viewer.redrawHook), std::pair(1, RedrawFunction{}));

    // No frame once the window is gone.
    viewer.keepAnimating = 1;
    RequestRedraw();
    const std::vector<float> before(viewer.spinMatrix, viewer.spinMatrix + 16);
    DestroyWindow(window);
    EXPECT_EQ(viewer.redrawHook, nullptr);
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_EQ(std::vector<float>(viewer.spinMatrix, viewer.spinMatrix + 16), before);
}

}  // namespace
