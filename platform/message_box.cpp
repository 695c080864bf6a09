// Message boxes: SDL's modal box on a display, standard error without one.

#include <cstdio>
#include <string>

#include "platform/internal.h"

using namespace platform;

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    std::string message = text ? text : "";
    std::string title = caption ? caption : "Error";  // Win32's caption when none is given
    if (EnsureVideo()) {
        // OK is the one button; Return and Escape both press it, as on Win32.
        SDL_MessageBoxButtonData ok = {
            SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK,
            "OK"};
        Window* parent = FromHandle(owner);
        SDL_MessageBoxData box = {};
        box.flags = (type & MB_ICONHAND) ? SDL_MESSAGEBOX_ERROR : 0;
        box.window = parent ? parent->native : nullptr;
        box.title = title.c_str();
        box.message = message.c_str();
        box.numbuttons = 1;
        box.buttons = &ok;
        int pressed = 0;
        if (SDL_ShowMessageBox(&box, &pressed) == 0) return IDOK;  // the only way to close it
    }
    // No box can be shown: the user reads it on standard error.
    while (!message.empty() && message.back() == '\n')
        message.pop_back();
    std::fprintf(stderr, "%s: %s\n", title.c_str(), message.c_str());
    return VideoReady() ? 0 : IDOK;
}
