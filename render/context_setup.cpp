#include <cstdlib>

#include "app/viewer_state.h"
#include "render/render.h"

void FailRenderingSetup(HDC deviceContext, const char* text) {
    MessageBoxA(WindowFromDC(deviceContext), text, "Error", MB_ICONHAND);
    std::exit(1);
}

namespace {

int ComponentLevel(int index, int bits, int shift) {
    if (bits <= 0) return 0;  // a component the format does not have
    const int maximum = (1 << bits) - 1;
    return ((index >> shift) & maximum) * 255 / maximum;
}

}  // namespace

void SetupPixelFormat(HDC deviceContext) {
    PIXELFORMATDESCRIPTOR request = {};
    request.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    request.nVersion = 1;
    request.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    if (viewer.doubleBuffered) request.dwFlags |= PFD_DOUBLEBUFFER;
    request.iPixelType = PFD_TYPE_RGBA;
    request.cColorBits = 8;
    request.cDepthBits = viewer.depthBuffered ? 16 : 0;

    const int format = ChoosePixelFormat(deviceContext, &request);
    if (format == 0) FailRenderingSetup(deviceContext, "ChoosePixelFormat failed\n");
    if (SetPixelFormat(deviceContext, format, &request) != 1) {
        FailRenderingSetup(deviceContext, "SetPixelFormat failed");
    }
}

PALETTEENTRY PaletteEntryFor(int index, const PIXELFORMATDESCRIPTOR& format) {
    PALETTEENTRY entry;
    entry.peRed = BYTE(ComponentLevel(index, format.cRedBits, format.cRedShift));
    entry.peGreen = BYTE(ComponentLevel(index, format.cGreenBits, format.cGreenShift));
    entry.peBlue = BYTE(ComponentLevel(index, format.cBlueBits, format.cBlueShift));
    entry.peFlags = 0;
    return entry;
}

void SetupPalette(HDC deviceContext) {
    PIXELFORMATDESCRIPTOR format = {};
    DescribePixelFormat(deviceContext, GetPixelFormat(deviceContext), sizeof(PIXELFORMATDESCRIPTOR),
                        &format);
    if (!(format.dwFlags & PFD_NEED_PALETTE) && format.iPixelType != PFD_TYPE_COLORINDEX) return;

    // A logical palette counts its entries in 16 bits.
    if (format.cColorBits > 15) return;
    const int count = 1 << format.cColorBits;
    auto* logical =
        static_cast<LOGPALETTE*>(std::malloc(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY)));
    if (logical == nullptr) return;
    logical->palVersion = 0x300;
    logical->palNumEntries = WORD(count);
    for (int i = 0; i < count; ++i)
        logical->palPalEntry[i] = PaletteEntryFor(i, format);
    viewer.palette = CreatePalette(logical);
    std::free(logical);

    if (viewer.palette != nullptr) {
        SelectPalette(deviceContext, viewer.palette, FALSE);
        RealizePalette(deviceContext);
    }
}
