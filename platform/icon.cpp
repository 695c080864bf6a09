// Icons and cursors.

#include "platform/icon.h"

#include <cstring>
#include <memory>
#include <vector>

#include "platform/internal.h"

namespace platform {
namespace {

constexpr int kIconSize = 32;
constexpr int kProgramIcon = 101;

struct Icon {
    int id;
    bool hasPixels = false;
    std::uint8_t rgba[kIconSize * kIconSize * 4];
};

std::vector<std::unique_ptr<Icon>> icons;
char arrowCursor;  // the one cursor: its handle is this token's address

Icon* FindIcon(int id, bool create) {
    for (auto& i : icons)
        if (i->id == id) return i.get();
    if (!create) return nullptr;
    icons.push_back(std::make_unique<Icon>());
    icons.back()->id = id;
    return icons.back().get();
}

void ShowIcon(SDL_Window* native, const Icon& icon) {
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint8_t*>(icon.rgba), kIconSize,
                                           kIconSize, 32, kIconSize * 4, SDL_PIXELFORMAT_RGBA32);
    if (!surface) return;
    SDL_SetWindowIcon(native, surface);
    SDL_FreeSurface(surface);
}

}  // namespace

void ApplyIconAndCursor(Window* w) {
    for (auto& i : icons)
        if (reinterpret_cast<HICON>(i.get()) == w->icon && i->hasPixels) ShowIcon(w->native, *i);
    if (w->cursor == reinterpret_cast<HCURSOR>(&arrowCursor)) {
        static SDL_Cursor* arrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
        if (arrow) SDL_SetCursor(arrow);
    }
}

}  // namespace platform

using namespace platform;

void SetIconPixels(int id, const std::uint8_t* rgba) {
    Icon* icon = FindIcon(id, true);
    std::memcpy(icon->rgba, rgba, sizeof icon->rgba);
    icon->hasPixels = true;
    RefreshWindowIcons();
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    // Resources are the program's own: integer identifiers of its module.
    UINT_PTR id = reinterpret_cast<UINT_PTR>(name);
    if (instance != GetModuleHandleA(nullptr) || id >= 0x10000) return nullptr;
    Icon* icon = FindIcon(static_cast<int>(id), id == kProgramIcon);
    return reinterpret_cast<HICON>(icon);
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    if (instance != nullptr || name != IDC_ARROW) return nullptr;
    return reinterpret_cast<HCURSOR>(&arrowCursor);
}
