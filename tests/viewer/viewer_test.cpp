// The viewer's own window, procedure and message loop on a private X server,
// drawing with Mesa: the scene, the frames, and what keys, pointer and paint
// messages do to them; the trackball's arithmetic against values worked out by
// hand, its states through the moves a user makes, and the palette's colour cube.
#include <gtest/gtest.h>

#include <algorithm>
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
        DestroyWindow(window);
        MSG message;  // leave nothing, the quit request above all, to the next test
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

// The frame just drawn, top row first: with Mesa's software renderer it is
// still in the back buffer after the swap.
Image Drawn() {
    DrawFrame();
    Image image{kSide, kSide, std::vector<Rgb>(kSide * kSide)};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int y = 0; y < kSide; ++y)
        glReadPixels(0, kSide - 1 - y, kSide, 1, GL_RGB, GL_UNSIGNED_BYTE,
                     &image.pixels[y * kSide]);
    return image;
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

// The start-up spin, then poses under white light. Where the surface lies
// over itself, the near part hides the far part: the tint is that of the side
// of the nearest point that faces the viewer (the upper side reddish, the
// lower bluish). In wireframe the same holds on the near part's grid lines,
// which lie in the surface (it is ruled by them).
TEST_F(ViewerWindow, DrawsEachFaceOnceAndTheNearPartOverTheFar) {
    GLint fogMode = 0, doubleBuffered = 0;
    glGetIntegerv(GL_FOG_MODE, &fogMode);
    glGetIntegerv(GL_DOUBLEBUFFER, &doubleBuffered);
    EXPECT_EQ(std::pair(fogMode, doubleBuffered), std::pair(GL_EXP2, 1));

    // Sixty frames of the start-up spin leave the state as they found it:
    // the poses below are drawn after them.
    for (int i = 0; i < 60; ++i)
        DrawFrame();
    for (int light = 0; light < 8; ++light)
        EXPECT_EQ(glIsEnabled(GL_LIGHT0 + light), light < 7) << "light " << light;

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
                    checked += tint != Tint::Neither;
                    wrong += tint == (facing > 0 ? Tint::Blue : Tint::Red);
                }
            }
            EXPECT_TRUE(checked > (wireframe ? 100 : 2000) && wrong <= checked / 50)
                << "pose " << pose.angle << (wireframe ? " in wireframe" : "") << ": " << wrong
                << " of " << checked << " pixels show the far part";
        }
    }
}

TEST_F(ViewerWindow, SpinningAccumulatesExactRotations) {
    // Each turn is about the viewer's axes: a quarter turn about y after one
    // about x (x to x, y to z) takes x to -z, y to x and z to -y (column-major).
    const float tipped[16] = {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1};
    std::copy_n(tipped, 16, viewer.spinMatrix);
    viewer.spinAngle = 90;
    SpinStep();
    const float turned[16] = {0, 0, -1, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(viewer.spinMatrix[i], turned[i], 1e-6f) << i;

    // Axes too short to give a direction turn nothing (GL would leave it undefined).
    std::copy_n(turned, 16, viewer.spinMatrix);
    for (float length : {0.0f, 1e-7f, 1e-5f, NAN}) {
        viewer.spinAngle = 179.9f;
        viewer.spinAxis[1] = length;
        for (int i = 0; i < 10; ++i)
            SpinStep();
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(viewer.spinMatrix[i], turned[i]) << "an axis of " << length;
    }

    // Two million frames about a tilted axis keep it a rotation: columns of
    // unit length, at right angles.
    viewer.spinAngle = -0.5f;
    viewer.spinAxis[0] = 0.3f, viewer.spinAxis[1] = 1, viewer.spinAxis[2] = 0.2f;
    for (int i = 0; i < 2000000; ++i)
        SpinStep();
    const float* m = viewer.spinMatrix;
    for (int ab = 0; ab < 9; ++ab) {
        const int a = 4 * (ab / 3), b = 4 * (ab % 3);
        EXPECT_NEAR(m[a] * m[b] + m[a + 1] * m[b + 1] + m[a + 2] * m[b + 2], a == b, 1e-5f) << ab;
    }
}

// The turn between two poses of spinMatrix, in degrees.
float TurnBetween(const float* a, const float* b) {
    double trace = 0;  // of b times a's transpose
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k)
            trace += b[4 * k + i] * a[4 * k + i];
    return float(std::acos(std::clamp((trace - 1) / 2, -1.0, 1.0)) * 180 / M_PI);
}

TEST_F(ViewerWindow, APointerSession) {
    // Twenty real moves of 3 pixels, all waiting before the next frame, turn
    // it in that frame as far as their path.
    XConnection x(std::getenv("DISPLAY"));
    const Geometry g = GetGeometry(x, WaitForWindow(x, viewer.windowTitle, Millis(5000)));
    const int y = kSide / 2 + 10;
    MovePointer(x, g.x + 130, g.y + y);
    PressButton(x);
    IdleFrames(10);
    ASSERT_EQ(viewer.dragging, 1);
    std::vector<float> before(viewer.spinMatrix, viewer.spinMatrix + 16);
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

    // A captured jump from far left to far right is half a turn about no
    // usable axis: the model stays where it is.
    EXPECT_EQ(Send(WM_LBUTTONDOWN, MK_LBUTTON, 160, 160), 0);
    Send(WM_MOUSEMOVE, MK_LBUTTON, -5000, 160);
    Send(WM_MOUSEMOVE, MK_LBUTTON, 5000, 160);
    EXPECT_EQ(Send(WM_LBUTTONUP, 0, 5000, 160), 0);
    ASSERT_EQ(viewer.keepAnimating, 1);
    ASSERT_NEAR(viewer.spinAngle, 180.0f, 0.01f);
    before.assign(viewer.spinMatrix, viewer.spinMatrix + 16);
    EXPECT_EQ(IdleFrames(20), 20);
    EXPECT_EQ(std::vector<float>(viewer.spinMatrix, viewer.spinMatrix + 16), before);

    // A move with the button up ends a drag whose release was lost, as a
    // release where the pointer was last seen: here a throw.
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 100, 100);
    Send(WM_MOUSEMOVE, MK_LBUTTON, 130, 100);
    const float angle = viewer.spinAngle;
    Send(WM_MOUSEMOVE, 0, 200, 250);
    EXPECT_EQ(std::tuple(viewer.dragging, viewer.keepAnimating, viewer.spinAngle),
              std::tuple(0, 1, angle));

    // A slow, careful drag, a frame after each move of 2 pixels, turns it
    // as far as its path too.
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 100, 200);
    IdleFrames(10);
    before.assign(viewer.spinMatrix, viewer.spinMatrix + 16);
    path = 0;
    for (int i = 1; i <= 20; ++i) {
        Send(WM_MOUSEMOVE, MK_LBUTTON, 100 + 2 * i, 200);
        EXPECT_EQ(IdleFrames(10), 1);
        const SpherePoint a = PointerToSphere(98 + 2 * i, 200, kSide, kSide),
                          b = PointerToSphere(100 + 2 * i, 200, kSide, kSide);
        path += 90 * std::hypot(b.x - a.x, b.y - a.y, b.z - a.z);
    }
    EXPECT_NEAR(TurnBetween(before.data(), viewer.spinMatrix), path, path / 50) << "slow drag";
}

int hookCalls = 0;
void CountingHook() {
    if (++hookCalls == 25) PostQuitMessage(0);
}

TEST_F(ViewerWindow, TheLoopDrawsWhenNothingWaits) {
    // Waiting messages come before the hook; an installed hook runs again and again.
    viewer.redrawHook = CountingHook;
    PostQuitMessage(7);
    EXPECT_EQ(std::pair(RunMessageLoop(), hookCalls), std::pair(7, 0));
    EXPECT_EQ(std::pair(RunMessageLoop(), hookCalls), std::pair(0, 25));
}

// (dragging, spinActive, keepAnimating), and whether a frame was asked for since the last call.
std::tuple<int, int, int, bool> State() {
    const bool asked = viewer.redrawHook != nullptr;
    viewer.redrawHook = nullptr;
    return {viewer.dragging, viewer.spinActive, viewer.keepAnimating, asked};
}

TEST(Trackball, PressesMovesAndReleases) {
    viewer = stateAtLoad;
    viewer.clientWidth = viewer.clientHeight = 200;
    // Pressed and released elsewhere without a move: the spin goes on as it was.
    TrackballPress(70, 80);
    EXPECT_EQ(State(), std::tuple(1, 1, 0, false));
    TrackballRelease(71, 80);
    EXPECT_EQ(State(), std::tuple(0, 1, 1, true));
    EXPECT_EQ(std::tuple(viewer.spinAngle, viewer.spinAxis[1]), std::tuple(-0.5f, 1.0f));

    // From (0, 0, 1) to (0.57735, 0, 0.81650): a chord of 0.60581, so 54.52
    // degrees about (0, 0.57735, 0): a move right turns the front right.
    TrackballPress(100, 100);
    TrackballDrag(150, 100);
    const float* axis = viewer.spinAxis;
    EXPECT_NEAR(viewer.spinAngle, 54.5232f, 1e-3f);
    EXPECT_LT(std::hypot(axis[0], axis[1] - 0.577350f, axis[2]), 1e-5f);
    EXPECT_EQ(State(), std::tuple(1, 1, 0, true));

    // A move up turns about -x, so the front follows the pointer up; a move
    // to where the pointer already is turns nothing.
    TrackballPress(100, 100);
    TrackballDrag(100, 50);
    EXPECT_NEAR(axis[0], -0.577350f, 1e-5f);
    TrackballDrag(100, 50);
    EXPECT_EQ(viewer.spinAngle, 0.0f);
    // A drag back to the press point stops it, as a click does; a release
    // while still then changes nothing.
    TrackballDrag(100, 100);
    TrackballRelease(100, 100);
    EXPECT_EQ(State(), std::tuple(0, 0, 0, true));
    TrackballRelease(5, 5);
    EXPECT_EQ(State(), std::tuple(0, 0, 0, false));
}

TEST(Palette, IsAColourCubeOfTheFormatsComponents) {
    PIXELFORMATDESCRIPTOR format = {};  // 8-bit 3-3-2: red bits 0-2, green 3-5, blue 6-7
    format.cRedBits = 3, format.cGreenBits = 3, format.cGreenShift = 3;
    format.cBlueBits = 2, format.cBlueShift = 6;
    const PIXELFORMATDESCRIPTOR index = {};  // colour index: no component bits at all
    // Levels truncate: 1 of 7 is 255 / 7 = 36, 1 of 3 is 85.
    const struct {
        const PIXELFORMATDESCRIPTOR* format;
        int entry, r, g, b;
    } cases[] = {{&format, 0x07, 255, 0, 0},
                 {&format, 0xC0, 0, 0, 255},
                 {&format, 255, 255, 255, 255},
                 {&format, 0x49, 36, 36, 85},
                 {&index, 200, 0, 0, 0}};
    for (const auto& c : cases) {
        const PALETTEENTRY e = PaletteEntryFor(c.entry, *c.format);
        EXPECT_EQ(std::tuple(int(e.peRed), int(e.peGreen), int(e.peBlue), int(e.peFlags)),
                  std::tuple(c.r, c.g, c.b, 0))
            << "entry " << c.entry;
    }
}

}  // namespace
