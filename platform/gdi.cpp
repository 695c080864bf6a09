// Pixel formats, palettes and the buffer swap.
//
// A pixel format here is a set of OpenGL framebuffer attributes that the
// display really offers: ChoosePixelFormat asks SDL for the closest one to
// the request on a hidden probe window and records what it got, read back
// from a context, so that DescribePixelFormat reports the real format.

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/internal.h"
#include "platform/x11.h"

namespace platform {
namespace {

struct Request {
    int color;  // minimum bits of each of red, green and blue
    int alpha, depth, stencil;
    bool doubleBuffer;
};

void SetAttributes(const Request& r) {
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, r.color);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, r.color);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, r.color);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, r.alpha);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, r.depth);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, r.stencil);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, r.doubleBuffer ? 1 : 0);
    // No profile and no version: a compatibility context with the whole
    // fixed-function pipeline.
}

int Shift(Uint32 mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (!(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

// The format of a window made with the request, as its context reports it
// (as asked for without a context).
PIXELFORMATDESCRIPTOR Described(const Request& r, SDL_Window* window, SDL_GLContext context) {
    auto value = [context](SDL_GLattr attribute, int asked) {
        if (context) SDL_GL_GetAttribute(attribute, &asked);
        return static_cast<BYTE>(asked);
    };
    PIXELFORMATDESCRIPTOR real = {};
    real.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    real.nVersion = 1;
    real.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    if (value(SDL_GL_DOUBLEBUFFER, r.doubleBuffer)) real.dwFlags |= PFD_DOUBLEBUFFER;
    real.iPixelType = PFD_TYPE_RGBA;
    real.cRedBits = value(SDL_GL_RED_SIZE, r.color);
    real.cGreenBits = value(SDL_GL_GREEN_SIZE, r.color);
    real.cBlueBits = value(SDL_GL_BLUE_SIZE, r.color);
    real.cAlphaBits = value(SDL_GL_ALPHA_SIZE, r.alpha);
    real.cColorBits = static_cast<BYTE>(real.cRedBits + real.cGreenBits + real.cBlueBits);
    real.cDepthBits = value(SDL_GL_DEPTH_SIZE, r.depth);
    real.cStencilBits = value(SDL_GL_STENCIL_SIZE, r.stencil);
    real.cAccumRedBits = value(SDL_GL_ACCUM_RED_SIZE, 0);
    real.cAccumGreenBits = value(SDL_GL_ACCUM_GREEN_SIZE, 0);
    real.cAccumBlueBits = value(SDL_GL_ACCUM_BLUE_SIZE, 0);
    real.cAccumAlphaBits = value(SDL_GL_ACCUM_ALPHA_SIZE, 0);
    real.cAccumBits = static_cast<BYTE>(real.cAccumRedBits + real.cAccumGreenBits +
                                        real.cAccumBlueBits + real.cAccumAlphaBits);
    real.iLayerType = PFD_MAIN_PLANE;
    // Where the components sit in a pixel comes from the window's visual.
    int bpp;
    Uint32 rmask, gmask, bmask, amask;
    const Uint32 layout =
        window ? SDL_GetWindowPixelFormat(window) : Uint32{SDL_PIXELFORMAT_RGB888};
    if (SDL_ISPIXELFORMAT_INDEXED(layout)) {
        real.dwFlags |= PFD_NEED_PALETTE;
    } else if (SDL_PixelFormatEnumToMasks(layout, &bpp, &rmask, &gmask, &bmask, &amask)) {
        real.cRedShift = static_cast<BYTE>(Shift(rmask));
        real.cGreenShift = static_cast<BYTE>(Shift(gmask));
        real.cBlueShift = static_cast<BYTE>(Shift(bmask));
        real.cAlphaShift = static_cast<BYTE>(real.cAlphaBits ? Shift(amask) : 0);
    }
    return real;
}

#if !defined(__EMSCRIPTEN__)  // X11 and Wayland only: a hidden window is the probe
// Creates a hidden window and a context with the request and reads back the
// format they really have. Where the display has the format but cannot make
// a context on it (a driver that cannot serve it), the format is what was
// asked for, and wglCreateContext is where that fails.
bool Probe(const Request& r, PIXELFORMATDESCRIPTOR* real) {
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
    SetAttributes(r);
    TrapX11Errors();
    SDL_Window* window = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    UntrapX11Errors(window);
    if (!window) return false;
    *real = Described(r, window, context);
    if (context) SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_GL_MakeCurrent(previousWindow, previousContext);
    return true;
}
#else  // browser only: the format asked for, since a probe would take the page's one canvas
bool Probe(const Request& r, PIXELFORMATDESCRIPTOR* real) {
    *real = Described(r, nullptr, nullptr);
    return true;
}
#endif

bool IsPalette(HGDIOBJ object) {
    if (object == &platformState.stockPalette) return true;
    for (auto& p : platformState.palettes)
        if (p.get() == object) return true;
    return false;
}

}  // namespace

bool ApplyPixelFormatAttributes(int format) {
    if (format < 1 || format > static_cast<int>(platformState.formats.size())) return false;
    const PIXELFORMATDESCRIPTOR& f = platformState.formats[format - 1];
    SetAttributes(Request{std::min({f.cRedBits, f.cGreenBits, f.cBlueBits}), f.cAlphaBits,
                          f.cDepthBits, f.cStencilBits, (f.dwFlags & PFD_DOUBLEBUFFER) != 0});
    return true;
}

}  // namespace platform

using namespace platform;

int WINAPI ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* request) {
    if (!FromDc(dc) || !request || request->iPixelType != PFD_TYPE_RGBA || !EnsureVideo()) return 0;
    // The colour bits are a lower bound shared out over red, green and blue;
    // the display's deepest colour and depth at or above the request win.
    Request r{std::clamp(request->cColorBits / 3, 1, 8), request->cAlphaBits, request->cDepthBits,
              request->cStencilBits, (request->dwFlags & PFD_DOUBLEBUFFER) != 0};
    PIXELFORMATDESCRIPTOR real;
    if (!Probe(r, &real)) return 0;
    for (size_t i = 0; i < platformState.formats.size(); ++i)
        if (std::memcmp(&platformState.formats[i], &real, sizeof real) == 0)
            return static_cast<int>(i + 1);
    platformState.formats.push_back(real);
    return static_cast<int>(platformState.formats.size());
}

BOOL WINAPI SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* /*request*/) {
    Window* w = FromDc(dc);
    if (!w || format < 1 || format > static_cast<int>(platformState.formats.size())) return FALSE;
    if (w->pixelFormat != 0) return w->pixelFormat == format ? TRUE : FALSE;
    // The visual of a native window is fixed when it is created.
    if (w->native || !ApplyPixelFormatAttributes(format)) return FALSE;
    TrapX11Errors();
    const bool made = RealizeWindow(w, true);
    UntrapX11Errors(w->native);
    if (!made) return FALSE;
    w->pixelFormat = format;
    return TRUE;
}

int WINAPI GetPixelFormat(HDC dc) {
    Window* w = FromDc(dc);
    return w ? w->pixelFormat : 0;
}

int WINAPI DescribePixelFormat(HDC dc, int format, UINT bytes, PIXELFORMATDESCRIPTOR* description) {
    if (!FromDc(dc) || format < 1 || format > static_cast<int>(platformState.formats.size()))
        return 0;
    if (description)
        std::memcpy(description, &platformState.formats[format - 1],
                    std::min<size_t>(bytes, sizeof *description));
    return static_cast<int>(platformState.formats.size());
}

HPALETTE WINAPI CreatePalette(const LOGPALETTE* palette) {
    if (!palette || palette->palVersion != 0x300 || palette->palNumEntries == 0) return nullptr;
    platformState.palettes.push_back(std::make_unique<Palette>());
    return reinterpret_cast<HPALETTE>(platformState.palettes.back().get());
}

HPALETTE WINAPI SelectPalette(HDC dc, HPALETTE palette, BOOL /*forceBackground*/) {
    Window* w = FromDc(dc);
    if (!w || !IsPalette(palette)) return nullptr;
    const auto stock = reinterpret_cast<HPALETTE>(&platformState.stockPalette);
    const HPALETTE previous = w->dc.palette ? w->dc.palette : stock;
    w->dc.palette = palette == stock ? nullptr : palette;
    return previous;
}

UINT WINAPI RealizePalette(HDC dc) {
    // Every format is true colour: no palette entry ever needs mapping.
    return FromDc(dc) ? 0 : static_cast<UINT>(-1);  // GDI_ERROR
}

BOOL WINAPI UnrealizeObject(HGDIOBJ object) {
    return IsPalette(object) ? TRUE : FALSE;
}

BOOL WINAPI SwapBuffers(HDC dc) {
    Window* w = FromDc(dc);
    if (!w || !w->native || !w->pixelFormat || SDL_GL_GetCurrentWindow() != w->native) return FALSE;
#if defined(__EMSCRIPTEN__)  // browser only: shown at the display's next refresh
    BrowserPresent();
#else  // X11 and Wayland only: SDL's swap
    SDL_GL_SwapWindow(w->native);
#endif
    return TRUE;
}
