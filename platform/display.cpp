// Reaching the display: SDL's video starts only on an interactive display
// that answers, and a missing or silent one is a clear failure, never a hang
// and never SDL's invisible fallback drivers.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/internal.h"

#if !defined(__EMSCRIPTEN__)  // X11 and Wayland only: the display is asked first
#include <wayland-client.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {
namespace {

// How long a display may take to answer a new connection: a remote one over
// a slow link answers well within it, and a silent one fails after it.
constexpr auto kAnswerTime = std::chrono::seconds(5);
// How long the others still have once one display has answered. Every
// display is asked at once, and a working local display (a compositor and
// its XWayland) answers within milliseconds: one that has not answered a
// second after another did is as good as silent, and the one that answered
// is taken instead of waiting out kAnswerTime. The wait is that short so
// that a frozen Wayland display beside a working X one (or the converse)
// costs the notice no perceptible time, and that long so that a display
// answering on a loaded machine is not passed over.
constexpr auto kGrace = std::chrono::seconds(1);

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

void Append(std::string* list, const std::string& item, const char* separator) {
    if (!list->empty()) *list += separator;
    *list += item;
}

// One video driver SDL may try, and for X11 and Wayland the connection that
// shows its display answers.
struct Attempt {
    std::string driver;
    std::string display;  // DISPLAY's or WAYLAND_DISPLAY's value; empty: SDL's to try
    bool done = false;    // answered (x or wayland set) or failed (cause set)
    xcb_connection_t* x = nullptr;
    wl_display* wayland = nullptr;
    std::string cause;
};

// The drivers in order, each display asked in a thread of its own, which
// the caller leaves behind when it does not finish in time; the threads and
// the caller share this record.
struct Probe {
    std::vector<Attempt> attempts;  // fixed before the threads start
    std::mutex lock;                // guards what the threads set, and what follows
    std::condition_variable changed;
    bool abandoned = false;  // nobody waits any more: the threads close what they open
};

bool OnWayland() {
    return platformState.videoReady && SDL_strcmp(SDL_GetCurrentVideoDriver(), "wayland") == 0;
}

bool IsWayland(const Attempt& a) {
    return SDL_strcasecmp(a.driver.c_str(), "wayland") == 0;
}

bool Answered(const Attempt& a) {
    return a.x || a.wayland;
}

std::string Label(const Attempt& a) {
    return (IsWayland(a) ? "Wayland display " : "display ") + a.display;
}

void Close(xcb_connection_t*& x, wl_display*& wayland) {
    if (x) xcb_disconnect(x);
    if (wayland) wl_display_disconnect(wayland);
    x = nullptr;
    wayland = nullptr;
}

// Connects as SDL will (the client libraries' own display names, fallbacks
// and authorisation) and waits for the display's answer: xcb's connection
// set-up, a round trip on Wayland.
void Connect(const std::shared_ptr<Probe>& probe, size_t index) {
    Attempt& a = probe->attempts[index];
    xcb_connection_t* x = nullptr;
    wl_display* wayland = nullptr;
    int failure = 0;
    if (IsWayland(a)) {
        wayland = wl_display_connect(a.display.c_str());
        failure = wayland == nullptr || wl_display_roundtrip(wayland) < 0;
    } else {
        int screen = 0;
        x = xcb_connect(a.display.c_str(), &screen);
        failure = xcb_connection_has_error(x);
        if (failure == 0 && screen >= xcb_setup_roots_length(xcb_get_setup(x)))
            failure = XCB_CONN_CLOSED_INVALID_SCREEN;
    }
    const int error = errno;

    const std::lock_guard hold(probe->lock);
    if (failure != 0 || probe->abandoned) Close(x, wayland);
    a.x = x;
    a.wayland = wayland;
    if (failure == XCB_CONN_CLOSED_PARSE_ERR) {
        a.cause = "DISPLAY \"" + a.display + "\" is not a display name";
    } else if (failure == XCB_CONN_CLOSED_INVALID_SCREEN) {
        a.cause = Label(a) + " names a screen that the server does not have";
    } else if (failure != 0 && error == EAGAIN) {
        // xcb's last read would have blocked: the server closed the
        // connection or refused it (and xcb has written the reason).
        a.cause = Label(a) + " refused the connection";
    } else if (failure != 0) {
        a.cause = Label(a) + " cannot be reached";
        if (error != 0) a.cause += std::string(" (") + std::strerror(error) + ")";
    }
    a.done = true;
    probe->changed.notify_all();
}

// Asks every display in the order SDL is to try the drivers, at once, so
// that silent ones cost the time once: SDL_VIDEODRIVER's order where it is
// set, else Wayland's and then X11's (in a Wayland session that runs
// XWayland both are set, and the window is drawn by the compositor itself,
// at the output's scale). X11 and Wayland count only where their variable
// names a display.
std::shared_ptr<Probe> AskDisplays(const std::string& asked) {
    auto probe = std::make_shared<Probe>();
    const std::string list = asked.empty() ? "wayland,x11" : asked;
    for (size_t start = 0, end = 0; start <= list.size(); start = end + 1) {
        end = std::min(list.find(',', start), list.size());
        Attempt a;
        a.driver = list.substr(start, end - start);
        const bool wayland = IsWayland(a);
        if (wayland || SDL_strcasecmp(a.driver.c_str(), "x11") == 0) {
            a.display = Env(wayland ? "WAYLAND_DISPLAY" : "DISPLAY");
            if (a.display.empty()) continue;  // no display of this kind is named
        }
        if (!a.driver.empty()) probe->attempts.push_back(a);
    }
    for (size_t i = 0; i < probe->attempts.size(); ++i)
        if (!probe->attempts[i].display.empty()) std::thread(Connect, probe, i).detach();
    return probe;
}

// Waits until every display has answered or failed, or kGrace has passed
// since the first answer, or kAnswerTime since the start; then chooses the
// drivers SDL is to try, in order, up to the first whose display answered.
// A display that has not answered by then is taken out of the environment:
// nothing in the program is to wait on it (SDL's message box opens DISPLAY
// itself, and its Wayland box runs zenity, which opens either). False, with
// the cause, when nothing is left to try.
bool ChooseDrivers(Probe& probe, const std::string& asked, std::string* drivers) {
    std::unique_lock hold(probe.lock);
    const auto deadline = std::chrono::steady_clock::now() + kAnswerTime;
    auto until = deadline;
    for (;;) {
        bool pending = false;
        for (const Attempt& a : probe.attempts) {
            pending = pending || (!a.display.empty() && !a.done);
            if (Answered(a) && until == deadline)
                until = std::min(deadline, std::chrono::steady_clock::now() + kGrace);
        }
        if (!pending || probe.changed.wait_until(hold, until) == std::cv_status::timeout) break;
    }

    std::string causes;
    bool chosen = false;
    for (Attempt& a : probe.attempts) {
        if (a.display.empty()) {
            if (!chosen) Append(drivers, a.driver, ",");
            continue;
        }
        if (Answered(a)) {
            if (!chosen) Append(drivers, a.driver, ",");
            chosen = true;
            continue;
        }
        if (!a.done) a.cause = Label(a) + " does not answer";
        Append(&causes, a.cause, "; ");
        unsetenv(IsWayland(a) ? "WAYLAND_DISPLAY" : "DISPLAY");
    }
    if (!drivers->empty()) return true;
    if (causes.empty())
        causes = asked.empty() ? "no display (neither DISPLAY nor WAYLAND_DISPLAY is set)"
                               : "no display for SDL_VIDEODRIVER=" + asked;
    platformState.videoFailure = causes;
    return false;
}

// Closes the connections that answered and leaves the rest to close their
// own. Under Wayland an X display that answered is kept (keptX) until the
// first window is made: SDL's message box opens it to show the notice, and
// an X server whose only client leaves resets, dropping a connection it has
// just taken.
void Release(Probe& probe) {
    const bool onWayland = OnWayland();
    const std::lock_guard hold(probe.lock);
    for (Attempt& a : probe.attempts) {
        if (onWayland && a.x && !platformState.keptX) std::swap(platformState.keptX, a.x);
        Close(a.x, a.wayland);
    }
    probe.abandoned = true;
}

// Asks the displays, then starts SDL's video on the first that answered.
bool StartVideo() {
    const std::string asked = Env("SDL_VIDEODRIVER");
    const std::shared_ptr<Probe> probe = AskDisplays(asked);
    std::string drivers;
    if (!ChooseDrivers(*probe, asked, &drivers)) {
        Release(*probe);
        return false;
    }
    // With no session bus, SDL's start-up would have D-Bus autolaunch one: a
    // forked helper and a bus daemon that outlives the program. Nothing here
    // needs a bus.
    if (Env("DBUS_SESSION_BUS_ADDRESS").empty()) setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    platformState.videoReady = OpenVideo(drivers.c_str());
    // SDL's own connection is made now (or failed): the probe's may go. A
    // server whose only client leaves resets, dropping any connection it has
    // just taken.
    Release(*probe);
    return platformState.videoReady;
}

}  // namespace

void ReleaseKeptX() {
    if (platformState.keptX) xcb_disconnect(platformState.keptX);
    platformState.keptX = nullptr;
}

}  // namespace platform
#endif

namespace platform {

bool OpenVideo(const char* drivers) {
    // Only the drivers chosen, whatever the environment says: SDL would wait
    // for ever on a display that does not answer, or fall back to drivers
    // that show nothing.
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, drivers, SDL_HINT_OVERRIDE);
    // Closing the last window is a WM_CLOSE like any other, not a quit.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // The pointer is captured only by SetCapture, as on Win32.
    SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
    // The click that activates a window reaches it, as on Win32.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
    platformState.videoFailure =
        std::string("the display cannot be opened (") + SDL_GetError() + ")";
    return false;
}

bool EnsureVideo() {
    if (!platformState.videoTried) {
        platformState.videoTried = true;
#if defined(__EMSCRIPTEN__)  // browser only: the page is the display, with nothing to ask first
        platformState.videoReady = BrowserStartVideo();
#else  // X11 and Wayland only: SDL's video, started once a display has answered
        platformState.videoReady = StartVideo();
#endif
    }
    return platformState.videoReady;
}

float DisplayScale() {
#if !defined(__EMSCRIPTEN__)  // X11 and Wayland only: Wayland's output scale
    // SDL gives a Wayland output's bounds in the compositor's points and
    // lists the output's own mode, in its pixels, as the widest.
    SDL_Rect bounds;
    SDL_DisplayMode widest;
    if (OnWayland() && SDL_GetDisplayBounds(0, &bounds) == 0 && bounds.w > 0 &&
        SDL_GetDisplayMode(0, 0, &widest) == 0)
        return std::max(1.0f, float(widest.w) / float(bounds.w));
#endif
    return 1.0f;
}

}  // namespace platform

using namespace platform;

HINSTANCE WINAPI GetModuleHandleA(LPCSTR moduleName) {
    // The program is the only module; its handle is the address of a token.
    if (moduleName != nullptr) return nullptr;
    return reinterpret_cast<HINSTANCE>(&platformState.programModule);
}

int WINAPI GetSystemMetrics(int index) {
    if (index != SM_CYSCREEN || !EnsureVideo()) return 0;
#if defined(__EMSCRIPTEN__)  // browser only: the page is the screen
    return BrowserScreenHeight();
#endif
    // SDL lists the primary display first. Its height in pixels, as a
    // DPI-aware program gets it on Windows.
    SDL_Rect bounds;
    return SDL_GetDisplayBounds(0, &bounds) == 0 ? int(std::lround(bounds.h * DisplayScale())) : 0;
}
