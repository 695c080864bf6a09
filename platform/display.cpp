// Reaching the display: SDL's video starts only on an interactive display
// that answers, and a missing or silent one is a clear failure, never a hang
// and never SDL's invisible fallback drivers.

#if !defined(__EMSCRIPTEN__)  // X11 only: the probe's sockets (POSIX)
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/internal.h"

namespace platform {
namespace {

#if !defined(__EMSCRIPTEN__)  // X11 and Wayland: the display must answer
// How long a display may take to answer the first request of a connection.
constexpr int kAnswerTimeoutMs = 1000;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Whether the comma-separated driver list names the driver.
bool Names(const std::string& list, const char* driver) {
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string::npos) end = list.size();
        if (SDL_strcasecmp(list.substr(start, end - start).c_str(), driver) == 0) return true;
        start = end + 1;
    }
    return false;
}

// Connects without blocking past the deadline. Returns the socket or -1.
int ConnectBefore(int family, const sockaddr* address, socklen_t length, Uint64 deadline) {
    int fd = socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (connect(fd, address, length) == 0) return fd;
    if (errno == EINPROGRESS) {
        pollfd p = {fd, POLLOUT, 0};
        Uint64 now = SDL_GetTicks64();
        int wait = deadline > now ? static_cast<int>(deadline - now) : 0;
        int error = 0;
        socklen_t size = sizeof error;
        if (poll(&p, 1, wait) == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 &&
            error == 0)
            return fd;
        errno = error ? error : ETIMEDOUT;
    }
    int saved = errno;
    close(fd);
    errno = saved;
    return -1;
}

int ConnectUnix(const std::string& path, bool abstract, Uint64 deadline) {
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    size_t offset = abstract ? 1 : 0;
    if (path.size() + offset >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset +
                                              path.size() + (abstract ? 0 : 1));
    return ConnectBefore(AF_UNIX, reinterpret_cast<sockaddr*>(&address), length, deadline);
}

// Opens a connection to an X display ("[host]:number[.screen]") and checks
// that the server answers the connection set-up (any answer, even a refusal
// for want of authorisation, shows that it is alive). Libraries that open the
// display themselves would wait for that answer for ever.
//
// Returns the connection, still open, or -1 with the cause. The caller keeps
// it until its own connection is made: a server whose only client leaves
// resets, and a connection made during the reset fails.
int ProbeX11(const std::string& display, std::string* cause) {
    size_t colon = display.rfind(':');
    if (colon == std::string::npos) {
        *cause = "DISPLAY \"" + display + "\" is not a display name";
        return -1;
    }
    std::string host = display.substr(0, colon);
    // "host:0.1" names screen 1 of display 0.
    const std::string number = display.substr(colon + 1, display.find('.', colon) - (colon + 1));
    if (size_t slash = host.rfind('/'); slash != std::string::npos && host[0] != '/')
        host = host.substr(slash + 1);  // "unix/host:0", "tcp/host:0"
    char* end = nullptr;
    long n = std::strtol(number.c_str(), &end, 10);
    if (number.empty() || *end != '\0' || n < 0 || n > 65535 - 6000) {
        *cause = "DISPLAY \"" + display + "\" is not a display name";
        return -1;
    }

    Uint64 deadline = SDL_GetTicks64() + kAnswerTimeoutMs;
    int fd = -1;
    if (!host.empty() && host[0] == '/') {
        fd = ConnectUnix(host + ":" + number, false, deadline);
    } else if (host.empty() || host == "unix") {
        std::string path = "/tmp/.X11-unix/X" + std::to_string(n);
        fd = ConnectUnix(path, true, deadline);
        if (fd < 0) fd = ConnectUnix(path, false, deadline);
    } else {
        addrinfo hints = {};
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (getaddrinfo(host.c_str(), std::to_string(6000 + n).c_str(), &hints, &found) != 0) {
            *cause = "display " + display + " cannot be reached: unknown host " + host;
            return -1;
        }
        for (addrinfo* a = found; a && fd < 0; a = a->ai_next)
            fd = ConnectBefore(a->ai_family, a->ai_addr, a->ai_addrlen, deadline);
        freeaddrinfo(found);
    }
    if (fd < 0) {
        *cause = "display " + display + " cannot be reached (" + std::strerror(errno) + ")";
        return -1;
    }

    // Connection set-up: little-endian, protocol 11.0, no authorisation.
    const unsigned char setup[12] = {'l', 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    bool answered = false;
    if (send(fd, setup, sizeof setup, MSG_NOSIGNAL) == static_cast<ssize_t>(sizeof setup)) {
        pollfd p = {fd, POLLIN, 0};
        for (;;) {
            Uint64 now = SDL_GetTicks64();
            int wait = deadline > now ? static_cast<int>(deadline - now) : 0;
            int r = poll(&p, 1, wait);
            if (r < 0 && errno == EINTR) continue;
            answered = r == 1;
            break;
        }
    }
    if (!answered) {
        close(fd);
        *cause = "display " + display + " does not answer";
        return -1;
    }
    return fd;
}

bool StartVideo() {
    std::string drivers = Env("SDL_VIDEODRIVER");
    std::string x11 = Env("DISPLAY");
    std::string wayland = Env("WAYLAND_DISPLAY");

    if (drivers.empty() && x11.empty() && wayland.empty()) {
        state.videoFailure = "no display (neither DISPLAY nor WAYLAND_DISPLAY is set)";
        return false;
    }
    int probe = -1;
    if (!x11.empty() && (drivers.empty() || Names(drivers, "x11"))) {
        std::string cause;
        probe = ProbeX11(x11, &cause);
        if (probe < 0) {
            if (wayland.empty() || (!drivers.empty() && !Names(drivers, "wayland"))) {
                state.videoFailure = cause;
                return false;
            }
            // The X display is gone but a Wayland one is there: use that.
            SDL_SetHint(SDL_HINT_VIDEODRIVER, "wayland");
        }
    }

    // With no session bus, SDL's start-up would have D-Bus autolaunch one: a
    // forked helper and a bus daemon that outlives the program. Nothing here
    // needs a bus.
    if (Env("DBUS_SESSION_BUS_ADDRESS").empty()) setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    // Closing the last window is a WM_CLOSE like any other, not a quit.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // The pointer is captured only by SetCapture, as on Win32.
    SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
    // The click that activates a window reaches it, as on Win32.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    const bool started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    // SDL's own connection is open now (or failed): the probe may go.
    if (probe >= 0) close(probe);
    if (!started) {
        state.videoFailure = std::string("the display cannot be opened (") + SDL_GetError() + ")";
        return false;
    }
    // SDL falls back to drivers that show nothing; they count only when asked for.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver &&
        (SDL_strcasecmp(driver, "offscreen") == 0 || SDL_strcasecmp(driver, "dummy") == 0 ||
         SDL_strcasecmp(driver, "evdev") == 0) &&
        !Names(drivers, driver)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        state.videoFailure = std::string("no display (only SDL's invisible \"") + driver +
                             "\" video driver is available)";
        return false;
    }
    return true;
}

#else  // browser only: the page is the display
bool StartVideo() {
    return StartBrowserVideo();
}
#endif

}  // namespace

bool EnsureVideo() {
    if (!state.videoTried) {
        state.videoTried = true;
        state.videoReady = StartVideo();
    }
    return state.videoReady;
}

}  // namespace platform

using namespace platform;

HINSTANCE WINAPI GetModuleHandleA(LPCSTR moduleName) {
    // The program is the only module; its handle is the address of a token.
    static char programModule;
    if (moduleName != nullptr) return nullptr;
    return reinterpret_cast<HINSTANCE>(&programModule);
}

int WINAPI GetSystemMetrics(int index) {
    if (index != SM_CYSCREEN || !EnsureVideo()) return 0;
#if defined(__EMSCRIPTEN__)  // browser only: the page is the screen
    return BrowserScreenHeight();
#endif
    // SDL lists the primary display first.
    SDL_Rect bounds;
    return SDL_GetDisplayBounds(0, &bounds) == 0 ? bounds.h : 0;
}
