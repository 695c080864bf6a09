// What the layer asks of X11 itself, beside SDL (x11.h). X11 only: on other
// video drivers, and where SDL is built without X11, these do nothing.
//
//   - size requests straight to the server, since SDL takes a size that the
//     window manager refused for granted (window.cpp)
//   - X protocol errors counted instead of ending the program while OpenGL
//     is set up (gdi.cpp, wgl.cpp)

#include "platform/x11.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include "platform/internal.h"

namespace platform {
namespace {

#if defined(SDL_VIDEO_DRIVER_X11)
Display* DisplayOf(SDL_Window* native, ::Window* window = nullptr) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!native || !SDL_GetWindowWMInfo(native, &info) || info.subsystem != SDL_SYSWM_X11)
        return nullptr;
    if (window) *window = info.info.x11.window;
    return info.info.x11.display;
}

int CountError(Display*, XErrorEvent*) {
    ++platformState.x11Errors;
    return 0;
}
#endif

}  // namespace

bool RequestX11Size(SDL_Window* native, int width, int height) {
#if defined(SDL_VIDEO_DRIVER_X11)
    ::Window window = 0;
    if (Display* display = DisplayOf(native, &window)) {
        XResizeWindow(display, window, unsigned(width), unsigned(height));
        XFlush(display);
        return true;
    }
#endif
    (void)native, (void)width, (void)height;
    return false;
}

void TrapX11Errors() {
#if defined(SDL_VIDEO_DRIVER_X11)
    platformState.x11Errors = 0;
    platformState.x11KeptHandler = reinterpret_cast<void (*)()>(XSetErrorHandler(CountError));
#endif
}

int UntrapX11Errors(SDL_Window* native) {
#if defined(SDL_VIDEO_DRIVER_X11)
    if (Display* display = DisplayOf(native)) XSync(display, False);  // errors still on their way
    XSetErrorHandler(reinterpret_cast<XErrorHandler>(platformState.x11KeptHandler));
    return platformState.x11Errors;
#else
    (void)native;
    return 0;
#endif
}

}  // namespace platform
