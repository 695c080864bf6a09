// Message boxes: SDL's modal box on a display, standard error without one.

#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/internal.h"

using namespace platform;

namespace {

bool showingBox = false;

// SDL shows its box from a process of its own; it must not outlive the program.
void EndWithProgram() {
    if (showingBox) prctl(PR_SET_PDEATHSIG, SIGKILL);
}

}  // namespace

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
        // SDL turns SIGINT and SIGTERM into a quit event that nobody reads
        // while the box blocks; until it is dismissed they end the program.
        struct sigaction keptInt, keptTerm, plain = {};
        plain.sa_handler = SIG_DFL;
        sigaction(SIGINT, &plain, &keptInt);
        sigaction(SIGTERM, &plain, &keptTerm);
        static bool watching = pthread_atfork(nullptr, nullptr, EndWithProgram) == 0;
        (void)watching;
        int pressed = 0;
        showingBox = true;
        int shown = SDL_ShowMessageBox(&box, &pressed);
        showingBox = false;
        sigaction(SIGINT, &keptInt, nullptr);
        sigaction(SIGTERM, &keptTerm, nullptr);
        if (shown == 0) return IDOK;  // the only way to close it
        // The display works but SDL could not show the box (on X11 it needs
        // a core font, on Wayland the zenity program): say why.
        std::fprintf(stderr, "%s: cannot show a message box: %s\n", program_invocation_short_name,
                     SDL_GetError());
    }
    // No box can be shown: the user reads it on standard error.
    while (!message.empty() && message.back() == '\n')
        message.pop_back();
    std::fprintf(stderr, "%s: %s\n", title.c_str(), message.c_str());
    return VideoReady() ? 0 : IDOK;
}
