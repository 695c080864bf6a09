// The colour cube a palette-based format gets.
#include <gtest/gtest.h>

#include "render/render.h"

namespace {

PIXELFORMATDESCRIPTOR Format332() {
    PIXELFORMATDESCRIPTOR format = {};
    format.cColorBits = 8;
    format.cRedBits = 3;
    format.cRedShift = 0;
    format.cGreenBits = 3;
    format.cGreenShift = 3;
    format.cBlueBits = 2;
    format.cBlueShift = 6;
    return format;
}

void ExpectEntry(const PALETTEENTRY& e, int r, int g, int b) {
    EXPECT_EQ(e.peRed, r);
    EXPECT_EQ(e.peGreen, g);
    EXPECT_EQ(e.peBlue, b);
    EXPECT_EQ(e.peFlags, 0);
}

TEST(Palette, Builds8Bit332ColourCube) {
    const PIXELFORMATDESCRIPTOR format = Format332();
    ExpectEntry(PaletteEntryFor(0, format), 0, 0, 0);
    ExpectEntry(PaletteEntryFor(0x07, format), 255, 0, 0);
    ExpectEntry(PaletteEntryFor(0x38, format), 0, 255, 0);
    ExpectEntry(PaletteEntryFor(0xC0, format), 0, 0, 255);
    ExpectEntry(PaletteEntryFor(255, format), 255, 255, 255);
    // Level 1 of 7 truncates: 255 / 7 = 36; level 1 of 3 is 85.
    ExpectEntry(PaletteEntryFor(0x49, format), 36, 36, 85);
}

TEST(Palette, AComponentWithoutBitsIsZero) {
    PIXELFORMATDESCRIPTOR format = {};  // a colour-index format: no component bits
    format.cColorBits = 8;
    format.iPixelType = PFD_TYPE_COLORINDEX;
    ExpectEntry(PaletteEntryFor(200, format), 0, 0, 0);
}

}  // namespace
