#include "trackball/trackball.h"

#include <cmath>

#include "app/viewer_state.h"
#include "render/render.h"

namespace {

constexpr float kHalfPi = 1.5707964f;  // pi / 2 as a float
constexpr float kDegreesPerChord = 90.0f;

}  // namespace

SpherePoint PointerToSphere(std::int32_t x, std::int32_t y, std::int32_t width,
                            std::int32_t height) {
    const float w = float(width);
    const float h = float(height);
    const float vx = (2.0f * float(x) - w) / w;
    const float vy = (h - 2.0f * float(y)) / h;

    float d = std::sqrt(vx * vx + vy * vy);
    if (!(d < 1.0f)) d = 1.0f;  // on or outside the circle, or not a number
    const float vz = std::cos(d * kHalfPi);

    const float scale = 1.0f / std::sqrt(vx * vx + vy * vy + vz * vz);
    return {vx * scale, vy * scale, vz * scale};
}

void TrackballPress(std::int32_t x, std::int32_t y) {
    viewer.spinActive = 1;
    viewer.dragging = 1;
    viewer.keepAnimating = 0;
    viewer.pressX = viewer.dragX = x;
    viewer.pressY = viewer.dragY = y;
    const SpherePoint p = PointerToSphere(x, y, viewer.clientWidth, viewer.clientHeight);
    viewer.lastSpherePoint[0] = p.x;
    viewer.lastSpherePoint[1] = p.y;
    viewer.lastSpherePoint[2] = p.z;
}

void TrackballDrag(std::int32_t x, std::int32_t y) {
    if (viewer.dragging == 0) return;
    viewer.dragX = x;
    viewer.dragY = y;
    const SpherePoint c = PointerToSphere(x, y, viewer.clientWidth, viewer.clientHeight);
    const float* l = viewer.lastSpherePoint;

    const float dx = c.x - l[0], dy = c.y - l[1], dz = c.z - l[2];
    viewer.spinAngle = kDegreesPerChord * std::sqrt(dx * dx + dy * dy + dz * dz);
    viewer.spinAxis[0] = l[1] * c.z - l[2] * c.y;
    viewer.spinAxis[1] = l[2] * c.x - l[0] * c.z;
    viewer.spinAxis[2] = l[0] * c.y - l[1] * c.x;

    viewer.lastSpherePoint[0] = c.x;
    viewer.lastSpherePoint[1] = c.y;
    viewer.lastSpherePoint[2] = c.z;
    RequestRedraw();
}

void TrackballRelease(std::int32_t x, std::int32_t y) {
    if (viewer.spinActive != 1) return;
    viewer.dragging = 0;
    if (x == viewer.pressX && y == viewer.pressY) {
        // A click without movement, or a drag back to where it began: stop.
        viewer.spinAngle = 0.0f;
        viewer.keepAnimating = 0;
        viewer.spinActive = 0;
    } else {
        // Keep turning by the last move's rotation in every frame.
        viewer.keepAnimating = 1;
    }
    RequestRedraw();
}

void TrackballEndDrag() {
    if (viewer.dragging == 1) TrackballRelease(viewer.dragX, viewer.dragY);
}
