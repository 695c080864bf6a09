// What the layer asks of X11 itself, beside SDL. X11 only: elsewhere SDL
// does it all.

#include <SDL.h>
#include <SDL_syswm.h>

namespace platform {

bool RequestX11Size(SDL_Window* native, int width, int height) {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(native, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    XResizeWindow(info.info.x11.display, info.info.x11.window, unsigned(width), unsigned(height));
    XFlush(info.info.x11.display);
    return true;
#else
    (void)native, (void)width, (void)height;
    return false;
#endif
}

}  // namespace platform
