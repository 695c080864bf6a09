// The program's icon and the arrow cursor.

#include "platform/icon.h"

#include <cstring>

#include "platform/internal.h"

namespace platform {
namespace {

constexpr UINT_PTR kProgramIcon = 101;

void ShowIcon(SDL_Window* native) {
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        platformState.iconRgba, kIconSide, kIconSide, 32, kIconSide * 4, SDL_PIXELFORMAT_RGBA32);
    if (!surface) return;
    SDL_SetWindowIcon(native, surface);
    SDL_FreeSurface(surface);
}

}  // namespace

void ApplyIconAndCursor(Window* w) {
    if (w->icon == reinterpret_cast<HICON>(&platformState.programIcon) && platformState.iconSet)
        ShowIcon(w->native);
    if (w->cursor == reinterpret_cast<HCURSOR>(&platformState.arrow)) {
        if (!platformState.arrowCursor)
            platformState.arrowCursor = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
        if (platformState.arrowCursor) SDL_SetCursor(platformState.arrowCursor);
    }
}

}  // namespace platform

using namespace platform;

void SetIconPixels(const std::uint8_t* rgba) {
    std::memcpy(platformState.iconRgba, rgba, sizeof platformState.iconRgba);
    platformState.iconSet = true;
    for (auto& w : platformState.windows)
        if (w->alive && w->native) ApplyIconAndCursor(w.get());
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    // Resources are the program's own: icon 101 of its module.
    const bool programIcon = reinterpret_cast<UINT_PTR>(name) == kProgramIcon;
    if (instance != GetModuleHandleA(nullptr) || !programIcon) return nullptr;
    return reinterpret_cast<HICON>(&platformState.programIcon);
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    if (instance != nullptr || name != IDC_ARROW) return nullptr;
    return reinterpret_cast<HCURSOR>(&platformState.arrow);
}
