// Message boxes: SDL's modal box on a display (a dialog in the page in the
// browser), standard error without one.

#include <cstdio>
#include <string>

#include "platform/internal.h"

#if !defined(__EMSCRIPTEN__)  // X11 and Wayland only: SDL's box, and the signals while it waits

#include <pthread.h>    // POSIX
#include <signal.h>     // POSIX
#include <sys/prctl.h>  // Linux only
#include <unistd.h>     // POSIX

#include <cerrno>

namespace platform {
namespace {

// SDL may show its box from a process of its own; it must not outlive the
// program, even one that ended while the process was being made (Linux only).
void EndWithProgram() {
    if (platformState.boxShownBy == 0) return;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != platformState.boxShownBy) _exit(1);
}

// Gives the signal its default action while the box waits, unless it was
// inherited as ignored (a program started in the background by a script, or
// under nohup, is not meant to end on it). Returns what it was (POSIX).
struct sigaction DefaultUnlessIgnored(int signal) {
    struct sigaction kept = {};
    sigaction(signal, nullptr, &kept);
    if (kept.sa_handler != SIG_IGN) {
        struct sigaction plain = {};
        plain.sa_handler = SIG_DFL;
        sigaction(signal, &plain, nullptr);
    }
    return kept;
}

// Shows SDL's box; false when SDL cannot, with SDL's reason to tell.
bool ShowBox(HWND owner, const std::string& title, const std::string& message, UINT type) {
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
    const struct sigaction keptInt = DefaultUnlessIgnored(SIGINT);
    const struct sigaction keptTerm = DefaultUnlessIgnored(SIGTERM);
    if (!platformState.boxForkWatched) {
        platformState.boxForkWatched = true;
        pthread_atfork(nullptr, nullptr, EndWithProgram);
    }
    int pressed = 0;
    platformState.boxShownBy = getpid();
    const int shown = SDL_ShowMessageBox(&box, &pressed);
    platformState.boxShownBy = 0;
    sigaction(SIGINT, &keptInt, nullptr);
    sigaction(SIGTERM, &keptTerm, nullptr);
    return shown == 0;
}
}  // namespace

const char* ProgramName() {
    return program_invocation_short_name;  // Linux only (GNU C library)
}

}  // namespace platform
#else  // browser only: a dialog in the page, and no program file to name the program
namespace platform {
namespace {

bool ShowBox(HWND, const std::string& title, const std::string& message, UINT type) {
    BrowserMessageBox(title.c_str(), message.c_str(), (type & MB_ICONHAND) != 0);
    return true;
}

}  // namespace

const char* ProgramName() {
    return "paraboloid";
}

}  // namespace platform
#endif

using namespace platform;

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    std::string message = text ? text : "";
    const std::string title = caption ? caption : "Error";  // Win32's caption when none is given
    if (EnsureVideo()) {
        if (ShowBox(owner, title, message, type)) return IDOK;  // the only way to close it
        // The display works but SDL could not show the box (on X11 it needs
        // a core font, on Wayland the zenity program): say why.
        std::fprintf(stderr, "%s: cannot show a message box: %s\n", ProgramName(), SDL_GetError());
    }
    // No box can be shown: the user reads it on standard error.
    while (!message.empty() && message.back() == '\n')
        message.pop_back();
    std::fprintf(stderr, "%s: %s\n", title.c_str(), message.c_str());
    return platformState.videoReady ? 0 : IDOK;
}
