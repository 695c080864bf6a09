// The trackball's arithmetic against values worked out by hand, its states
// through the moves a user makes, and the palette's colour cube.
#include "trackball/trackball.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/viewer_state.h"
#include "render/render.h"

namespace {

const ViewerState stateAtLoad = viewer;

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
