// The thread's message queue: SDL's events and posted messages in arrival
// order, then the quit request, then WM_PAINT, then WM_TIMER, the last two
// made only when nothing else waits.

#include <algorithm>

#include "platform/internal.h"

namespace platform {
namespace {

void Push(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD time) {
    PostToQueue(MSG{hwnd, message, wParam, lParam, time, platformState.lastPoint});
}

// WM_KEYDOWN's virtual-key code, for the keys that type something: letters
// and digits by what they type, and Escape. Other keys have 0.
WPARAM VirtualKey(const SDL_Keysym& key) {
    if (key.sym >= 'a' && key.sym <= 'z') return key.sym - 'a' + 'A';
    if (key.sym >= '0' && key.sym <= '9') return key.sym;
    return key.scancode == SDL_SCANCODE_ESCAPE ? VK_ESCAPE : 0;
}

#if !defined(__EMSCRIPTEN__)  // X11 and Wayland only: SDL's pointer events name their window
// The pointer messages' window: the capture's, else the one under the
// pointer, else, while the left button is down, the one that got its press.
// X11 and Wayland send a pressed button's moves and release to that window,
// and its SetCapture may still wait in the queue behind them.
Window* PointerWindow(Uint32 windowId) {
    if (Window* captured = FromHandle(platformState.capture)) return captured;
    if (Window* under = FromNativeId(windowId)) return under;
    return platformState.leftButtonDown ? FromHandle(platformState.pressWindow) : nullptr;
}
#endif

void TranslateWindowEvent(const SDL_WindowEvent& e) {
    Window* w = FromNativeId(e.windowID);
    if (!w) return;
    switch (e.event) {
        case SDL_WINDOWEVENT_CLOSE:
            Push(ToHandle(w), WM_CLOSE, 0, 0, e.timestamp);
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            Invalidate(w);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            // SDL lets the capture go with the focus.
            LoseCapture(w, e.timestamp);
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESIZED:
        case SDL_WINDOWEVENT_MINIMIZED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_RESTORED: {
            MSG m;
            if (TakeSizeChange(w, &m)) PostToQueue(m);
            break;
        }
        default:
            break;
    }
}

void Translate(const SDL_Event& e) {
    switch (e.type) {
        case SDL_QUIT:  // SIGINT, SIGTERM or the session ending
            if (Window* w = FocusWindow()) Push(ToHandle(w), WM_CLOSE, 0, 0, e.quit.timestamp);
            break;
        case SDL_WINDOWEVENT:
            TranslateWindowEvent(e.window);
            break;
        case SDL_KEYDOWN: {
            Window* w = FromNativeId(e.key.windowID);
            if (!w) w = FocusWindow();
            if (w) PushKey(w, VirtualKey(e.key.keysym), nullptr, e.key.timestamp);
            break;
        }
        case SDL_TEXTINPUT: {
            // Text belongs to the key press just before it; text that comes on
            // its own (an input method) becomes characters where it arrives.
            if (!platformState.queue.empty() &&
                platformState.queue.back().msg.message == WM_KEYDOWN &&
                !platformState.queue.back().textAttached) {
                platformState.queue.back().text = e.text.text;
                platformState.queue.back().textAttached = true;
                break;
            }
            Window* w = FromNativeId(e.text.windowID);
            if (!w) w = FocusWindow();
            for (const char* c = e.text.text; w && *c; ++c)
                Push(ToHandle(w), WM_CHAR, static_cast<unsigned char>(*c), 1, e.text.timestamp);
            break;
        }
#if !defined(__EMSCRIPTEN__)  // X11 and Wayland only: the browser's pointer comes from the page
        case SDL_MOUSEMOTION:
            if (Window* w = PointerWindow(e.motion.windowID))
                PushPointer(w, WM_MOUSEMOVE, ToPixels(w, e.motion.x), ToPixels(w, e.motion.y),
                            e.motion.timestamp);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (e.button.button == SDL_BUTTON_LEFT) {
                Window* w = PointerWindow(e.button.windowID);
                PushButton(w, e.type == SDL_MOUSEBUTTONDOWN, w ? ToPixels(w, e.button.x) : 0,
                           w ? ToPixels(w, e.button.y) : 0, e.button.timestamp);
            }
            break;
#endif
        default:  // maps to no message
            break;
    }
}

// Turns everything SDL has into messages.
void Pump() {
    if (!platformState.videoReady) return;
    SDL_PumpEvents();
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0)
        Translate(e);
#if defined(__EMSCRIPTEN__)  // browser only: the page's pointer events and controls, after SDL's
    BrowserQueuePointer();
    BrowserQueueKeys();
    BrowserFollowRatio();
#endif
}

// The next message, in Win32's order of priority.
bool Next(MSG* out, bool remove) {
    if (!platformState.queue.empty()) {
        *out = platformState.queue.front().msg;
        if (remove) {
            if (out->message == WM_KEYDOWN) {
                platformState.lastKey = platformState.queue.front();
                platformState.lastKeyValid = true;
            }
            platformState.queue.pop_front();
        }
        return true;
    }
    if (platformState.quitPending) {
        *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(platformState.quitCode),
                   0,       Now(),   platformState.lastPoint};
        if (remove) platformState.quitPending = false;
        return true;
    }
    // WM_PAINT stays until the window is validated (BeginPaint).
    if (Window* w = WindowNeedingPaint()) {
        *out = MSG{ToHandle(w), WM_PAINT, 0, 0, Now(), platformState.lastPoint};
        return true;
    }
    const Uint64 now = SDL_GetTicks64();
    for (Timer& t : platformState.timers) {
        if (t.due > now) continue;
        *out = MSG{t.hwnd, WM_TIMER, t.id, 0, static_cast<DWORD>(now), platformState.lastPoint};
        // Due again a period later on the timer's own schedule, so a busy
        // loop does not slow it down; ticks missed meanwhile are dropped, so
        // timers never pile up either.
        if (remove) {
            t.due += t.period;
            if (t.due <= now) t.due = now + t.period;
        }
        return true;
    }
    return false;
}

}  // namespace

DWORD Now() {
    return static_cast<DWORD>(SDL_GetTicks64());
}

void PostToQueue(const MSG& msg) {
    platformState.queue.push_back(QueuedMessage{msg, {}, false});
}

void PushPointer(Window* w, UINT message, int x, int y, DWORD time) {
    platformState.lastPoint = POINT{w->x + x, w->y + y};
    const MSG m = {ToHandle(w),     message, platformState.leftButtonDown ? WPARAM{MK_LBUTTON} : 0,
                   PackPoint(x, y), time,    platformState.lastPoint};
    // As on Win32, a move that has not been read yet stands for the
    // pointer's latest position: a new one takes its place, unless another
    // message came between them.
    MSG* waiting = platformState.queue.empty() ? nullptr : &platformState.queue.back().msg;
    if (message == WM_MOUSEMOVE && waiting && waiting->message == WM_MOUSEMOVE &&
        waiting->hwnd == m.hwnd && waiting->wParam == m.wParam) {
        *waiting = m;
        return;
    }
    PostToQueue(m);
}

void PushButton(Window* w, bool down, int x, int y, DWORD time) {
    platformState.leftButtonDown = down;
    platformState.pressWindow = down && w ? ToHandle(w) : nullptr;
    if (w) PushPointer(w, down ? WM_LBUTTONDOWN : WM_LBUTTONUP, x, y, time);
}

void PushKey(Window* w, WPARAM virtualKey, const char* text, DWORD time) {
    Push(ToHandle(w), WM_KEYDOWN, virtualKey, 1, time);
    if (!text) return;
    platformState.queue.back().text = text;
    platformState.queue.back().textAttached = true;
}

void ForgetWindowMessages(HWND hwnd) {
    std::erase_if(platformState.queue,
                  [hwnd](const QueuedMessage& q) { return q.msg.hwnd == hwnd; });
    std::erase_if(platformState.timers, [hwnd](const Timer& t) { return t.hwnd == hwnd; });
    if (platformState.lastKeyValid && platformState.lastKey.msg.hwnd == hwnd)
        platformState.lastKeyValid = false;
}

}  // namespace platform

using namespace platform;

BOOL WINAPI PeekMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (!msg || hwnd || filterMin || filterMax) return FALSE;  // no filters here
    Pump();
    return Next(msg, (removeFlags & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL WINAPI GetMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (!msg || hwnd || filterMin || filterMax) return -1;  // no filters here
    for (;;) {
        Pump();
        if (Next(msg, true)) return msg->message == WM_QUIT ? 0 : 1;

        // Sleep until SDL has an event or the next timer is due.
        int timeout = -1;
        const Uint64 now = SDL_GetTicks64();
        for (const Timer& t : platformState.timers) {
            const int left = t.due > now ? static_cast<int>(t.due - now) : 0;
            timeout = timeout < 0 ? left : std::min(timeout, left);
        }
        if (timeout == 0) continue;
        if (platformState.videoReady) {
#if defined(__EMSCRIPTEN__)  // browser only: the page runs meanwhile
            BrowserWait(timeout);
#else  // X11 and Wayland only: SDL's wait
            SDL_WaitEventTimeout(nullptr, timeout);
#endif
        } else if (timeout > 0) {
            SDL_Delay(static_cast<Uint32>(timeout));
        } else {
            return -1;  // no display and no timer: nothing can ever arrive
        }
    }
}

BOOL WINAPI TranslateMessage(const MSG* msg) {
    if (!msg || msg->message != WM_KEYDOWN) return FALSE;
    std::string text;
    const MSG& key = platformState.lastKey.msg;
    if (platformState.lastKeyValid && key.hwnd == msg->hwnd && key.wParam == msg->wParam &&
        key.time == msg->time) {
        text = platformState.lastKey.text;
        platformState.lastKeyValid = false;
    }
    // SDL reports no text for Escape.
    if (text.empty() && msg->wParam == VK_ESCAPE) text = "\x1b";
    // Characters come before any input that followed the key, as posted
    // messages do on Win32. The ANSI code page here is UTF-8: one WM_CHAR a byte.
    for (auto c = text.rbegin(); c != text.rend(); ++c)
        platformState.queue.push_front(
            QueuedMessage{MSG{msg->hwnd, WM_CHAR, static_cast<unsigned char>(*c), msg->lParam,
                              msg->time, msg->pt},
                          {},
                          false});
    return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    Window* w = msg ? FromHandle(msg->hwnd) : nullptr;
    return w ? SendToWindow(w, msg->message, msg->wParam, msg->lParam) : 0;
}

void WINAPI PostQuitMessage(int exitCode) {
    platformState.quitPending = true;
    platformState.quitCode = exitCode;
}

UINT_PTR WINAPI SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC timerFunc) {
    // Window timers whose WM_TIMER goes to the window procedure only.
    if (!FromHandle(hwnd) || timerFunc) return 0;
    const Uint32 period = std::max<UINT>(elapse, 10);  // USER_TIMER_MINIMUM
    const Timer timer{hwnd, id, period, SDL_GetTicks64() + period};
    auto same = [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; };
    if (auto it = std::find_if(platformState.timers.begin(), platformState.timers.end(), same);
        it != platformState.timers.end())
        *it = timer;
    else
        platformState.timers.push_back(timer);
    return 1;
}
