// The thread's message queue: SDL's events and posted messages in arrival
// order, then the quit request, then WM_PAINT, then WM_TIMER, the last two
// generated only when nothing else is waiting.

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "platform/internal.h"

namespace platform {
namespace {

struct Entry {
    MSG msg;
    // For WM_KEYDOWN: the text the key typed, which TranslateMessage turns
    // into WM_CHAR. SDL reports it as a separate event right after the key.
    std::string text;
    bool text_attached = false;
};

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    Uint32 period;
    Uint64 due;
    TIMERPROC proc;
};

std::deque<Entry> queue;
std::vector<Timer> timers;
bool quitPending = false;
int quitCode = 0;
// The key press last taken from the queue, until TranslateMessage sees it.
Entry lastKey;
bool lastKeyValid = false;
// Pressed buttons, as the pointer messages have reported them.
WPARAM buttons = 0;
POINT lastPoint = {0, 0};
UINT_PTR nextThreadTimerId = 1;

DWORD Now() {
    return static_cast<DWORD>(SDL_GetTicks64());
}

void Push(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD time) {
    Entry e;
    e.msg = MSG{hwnd, message, wParam, lParam, time, lastPoint};
    queue.push_back(std::move(e));
}

WPARAM Modifiers() {
    SDL_Keymod mod = SDL_GetModState();
    WPARAM keys = buttons;
    if (mod & KMOD_SHIFT) keys |= MK_SHIFT;
    if (mod & KMOD_CTRL) keys |= MK_CONTROL;
    return keys;
}

// Win32's virtual-key code of a key: letters and digits by what the key
// types, the rest by position.
WPARAM VirtualKey(const SDL_Keysym& key) {
    if (key.sym >= 'a' && key.sym <= 'z') return key.sym - 'a' + 'A';
    if (key.sym >= '0' && key.sym <= '9') return key.sym;
    SDL_Scancode s = key.scancode;
    if (s >= SDL_SCANCODE_A && s <= SDL_SCANCODE_Z) return 'A' + (s - SDL_SCANCODE_A);
    if (s >= SDL_SCANCODE_1 && s <= SDL_SCANCODE_9) return '1' + (s - SDL_SCANCODE_1);
    if (s >= SDL_SCANCODE_F1 && s <= SDL_SCANCODE_F12) return 0x70 + (s - SDL_SCANCODE_F1);
    if (s >= SDL_SCANCODE_KP_1 && s <= SDL_SCANCODE_KP_9) return 0x61 + (s - SDL_SCANCODE_KP_1);
    switch (s) {
        case SDL_SCANCODE_0:
            return '0';
        case SDL_SCANCODE_RETURN:
        case SDL_SCANCODE_KP_ENTER:
            return 0x0D;
        case SDL_SCANCODE_ESCAPE:
            return VK_ESCAPE;
        case SDL_SCANCODE_BACKSPACE:
            return 0x08;
        case SDL_SCANCODE_TAB:
            return 0x09;
        case SDL_SCANCODE_SPACE:
            return 0x20;
        case SDL_SCANCODE_MINUS:
            return 0xBD;
        case SDL_SCANCODE_EQUALS:
            return 0xBB;
        case SDL_SCANCODE_LEFTBRACKET:
            return 0xDB;
        case SDL_SCANCODE_RIGHTBRACKET:
            return 0xDD;
        case SDL_SCANCODE_BACKSLASH:
            return 0xDC;
        case SDL_SCANCODE_NONUSBACKSLASH:
            return 0xE2;
        case SDL_SCANCODE_SEMICOLON:
            return 0xBA;
        case SDL_SCANCODE_APOSTROPHE:
            return 0xDE;
        case SDL_SCANCODE_GRAVE:
            return 0xC0;
        case SDL_SCANCODE_COMMA:
            return 0xBC;
        case SDL_SCANCODE_PERIOD:
            return 0xBE;
        case SDL_SCANCODE_SLASH:
            return 0xBF;
        case SDL_SCANCODE_CAPSLOCK:
            return 0x14;
        case SDL_SCANCODE_PRINTSCREEN:
            return 0x2C;
        case SDL_SCANCODE_SCROLLLOCK:
            return 0x91;
        case SDL_SCANCODE_PAUSE:
            return 0x13;
        case SDL_SCANCODE_INSERT:
            return 0x2D;
        case SDL_SCANCODE_HOME:
            return 0x24;
        case SDL_SCANCODE_PAGEUP:
            return 0x21;
        case SDL_SCANCODE_DELETE:
            return 0x2E;
        case SDL_SCANCODE_END:
            return 0x23;
        case SDL_SCANCODE_PAGEDOWN:
            return 0x22;
        case SDL_SCANCODE_RIGHT:
            return 0x27;
        case SDL_SCANCODE_LEFT:
            return 0x25;
        case SDL_SCANCODE_DOWN:
            return 0x28;
        case SDL_SCANCODE_UP:
            return 0x26;
        case SDL_SCANCODE_NUMLOCKCLEAR:
            return 0x90;
        case SDL_SCANCODE_KP_DIVIDE:
            return 0x6F;
        case SDL_SCANCODE_KP_MULTIPLY:
            return 0x6A;
        case SDL_SCANCODE_KP_MINUS:
            return 0x6D;
        case SDL_SCANCODE_KP_PLUS:
            return 0x6B;
        case SDL_SCANCODE_KP_0:
            return 0x60;
        case SDL_SCANCODE_KP_PERIOD:
            return 0x6E;
        case SDL_SCANCODE_LSHIFT:
        case SDL_SCANCODE_RSHIFT:
            return 0x10;
        case SDL_SCANCODE_LCTRL:
        case SDL_SCANCODE_RCTRL:
            return 0x11;
        case SDL_SCANCODE_LALT:
        case SDL_SCANCODE_RALT:
            return 0x12;
        case SDL_SCANCODE_LGUI:
            return 0x5B;
        case SDL_SCANCODE_RGUI:
            return 0x5C;
        case SDL_SCANCODE_APPLICATION:
            return 0x5D;
        default:
            return 0;
    }
}

// The character a key types by itself, for keys that SDL reports no text
// for: Escape, Return, Backspace, Tab and Ctrl with a letter.
int ControlCharacter(WPARAM vk, Uint16 mod) {
    switch (vk) {
        case VK_ESCAPE:
            return 27;
        case 0x0D:
            return 13;
        case 0x08:
            return 8;
        case 0x09:
            return 9;
        default:
            break;
    }
    if ((mod & KMOD_CTRL) && !(mod & KMOD_ALT) && vk >= 'A' && vk <= 'Z') return vk - 'A' + 1;
    return 0;
}

void Translate(const SDL_Event& e) {
    switch (e.type) {
        case SDL_QUIT:  // SIGINT, SIGTERM or the session ending
            if (Window* w = FocusWindow()) Push(ToHandle(w), WM_CLOSE, 0, 0, e.quit.timestamp);
            break;
        case SDL_WINDOWEVENT: {
            Window* w = FromNativeId(e.window.windowID);
            if (!w) break;
            switch (e.window.event) {
                case SDL_WINDOWEVENT_CLOSE:
                    Push(ToHandle(w), WM_CLOSE, 0, 0, e.window.timestamp);
                    break;
                case SDL_WINDOWEVENT_EXPOSED:
                    if (w->visible && w->state != SIZE_MINIMIZED) w->needsPaint = true;
                    break;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    // SDL lets the capture go with the focus, and the buttons'
                    // releases then go to other windows.
                    if (CaptureWindow() == ToHandle(w)) {
                        ForgetCapture();
                        buttons = 0;
                        Push(ToHandle(w), WM_CAPTURECHANGED, 0, 0, e.window.timestamp);
                    }
                    break;
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                case SDL_WINDOWEVENT_RESIZED:
                case SDL_WINDOWEVENT_MINIMIZED:
                case SDL_WINDOWEVENT_MAXIMIZED:
                case SDL_WINDOWEVENT_RESTORED: {
                    MSG m;
                    if (TakeSizeChange(w, &m)) {
                        m.pt = lastPoint;
                        queue.push_back(Entry{m, {}, false});
                    }
                    break;
                }
                default:
                    break;
            }
            break;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            Window* w = FromNativeId(e.key.windowID);
            if (!w) w = FocusWindow();
            if (!w) break;
            bool down = e.type == SDL_KEYDOWN;
            DWORD flags = 1;                               // repeat count
            if (!down || e.key.repeat) flags |= 1u << 30;  // the key was down before
            if (!down) flags |= 1u << 31;
            Push(ToHandle(w), down ? WM_KEYDOWN : WM_KEYUP, VirtualKey(e.key.keysym), flags,
                 e.key.timestamp);
            break;
        }
        case SDL_TEXTINPUT: {
            // Text belongs to the key press just before it; text that comes on
            // its own (an input method) becomes characters where it arrives.
            if (!queue.empty() && queue.back().msg.message == WM_KEYDOWN &&
                !queue.back().text_attached) {
                queue.back().text = e.text.text;
                queue.back().text_attached = true;
                break;
            }
            Window* w = FromNativeId(e.text.windowID);
            if (!w) w = FocusWindow();
            if (!w) break;
            for (const char* c = e.text.text; *c; ++c)
                Push(ToHandle(w), WM_CHAR, static_cast<unsigned char>(*c), 1, e.text.timestamp);
            break;
        }
        case SDL_MOUSEMOTION: {
            Window* w = FromNativeId(e.motion.windowID);
            if (Window* c = FromHandle(CaptureWindow())) w = c;
            if (!w) break;
            lastPoint = POINT{w->x + e.motion.x, w->y + e.motion.y};
            // As on Win32, a move that has not been read yet stands for the
            // pointer's latest position: a new one takes its place, unless
            // another message came between them.
            const MSG move = {ToHandle(w),        WM_MOUSEMOVE,
                              Modifiers(),        PackPoint(e.motion.x, e.motion.y),
                              e.motion.timestamp, lastPoint};
            if (!queue.empty() && queue.back().msg.message == WM_MOUSEMOVE &&
                queue.back().msg.hwnd == move.hwnd && queue.back().msg.wParam == move.wParam) {
                queue.back().msg = move;
                break;
            }
            queue.push_back(Entry{move, {}, false});
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            Window* w = FromNativeId(e.button.windowID);
            if (Window* c = FromHandle(CaptureWindow())) w = c;
            if (!w) break;
            bool down = e.type == SDL_MOUSEBUTTONDOWN;
            UINT message;
            WPARAM bit;
            switch (e.button.button) {
                case SDL_BUTTON_LEFT:
                    message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
                    bit = MK_LBUTTON;
                    break;
                case SDL_BUTTON_RIGHT:
                    message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
                    bit = MK_RBUTTON;
                    break;
                case SDL_BUTTON_MIDDLE:
                    message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
                    bit = MK_MBUTTON;
                    break;
                default:
                    return;
            }
            buttons = down ? (buttons | bit) : (buttons & ~bit);
            lastPoint = POINT{w->x + e.button.x, w->y + e.button.y};
            Push(ToHandle(w), message, Modifiers(), PackPoint(e.button.x, e.button.y),
                 e.button.timestamp);
            break;
        }
        default:  // maps to no message
            break;
    }
}

// Turns everything SDL has into messages.
void Pump() {
    if (!VideoReady()) return;
    SDL_PumpEvents();
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0)
        Translate(e);
}

bool Matches(const MSG& m, HWND hwnd, UINT low, UINT high) {
    if (hwnd && m.hwnd != hwnd) return false;
    return (low == 0 && high == 0) || (m.message >= low && m.message <= high);
}

// The next message that passes the filter, in Win32's order of priority.
bool Next(MSG* out, HWND hwnd, UINT low, UINT high, bool remove) {
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (!Matches(it->msg, hwnd, low, high)) continue;
        *out = it->msg;
        if (remove) {
            if (it->msg.message == WM_KEYDOWN) {
                lastKey = *it;
                lastKeyValid = true;
            }
            queue.erase(it);
        }
        return true;
    }
    if (quitPending) {  // WM_QUIT passes any filter
        *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(quitCode), 0, Now(), lastPoint};
        if (remove) quitPending = false;
        return true;
    }
    if ((low == 0 && high == 0) || (WM_PAINT >= low && WM_PAINT <= high)) {
        // WM_PAINT stays until the window is validated (BeginPaint).
        if (Window* w = WindowNeedingPaint(hwnd)) {
            *out = MSG{ToHandle(w), WM_PAINT, 0, 0, Now(), lastPoint};
            return true;
        }
    }
    if ((low == 0 && high == 0) || (WM_TIMER >= low && WM_TIMER <= high)) {
        Uint64 now = SDL_GetTicks64();
        for (Timer& t : timers) {
            if (t.due > now || (hwnd && t.hwnd != hwnd)) continue;
            *out = MSG{
                t.hwnd,   WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc), static_cast<DWORD>(now),
                lastPoint};
            // Due again a period later on the timer's own schedule, so a busy
            // loop does not slow it down; ticks missed meanwhile are dropped,
            // so timers never pile up either.
            if (remove) {
                t.due += t.period;
                if (t.due <= now) t.due = now + t.period;
            }
            return true;
        }
    }
    return false;
}

}  // namespace

void PostToQueue(const MSG& msg) {
    queue.push_back(Entry{msg, {}, false});
}

void ForgetWindowMessages(HWND hwnd) {
    queue.erase(std::remove_if(queue.begin(), queue.end(),
                               [hwnd](const Entry& e) { return e.msg.hwnd == hwnd; }),
                queue.end());
    timers.erase(std::remove_if(timers.begin(), timers.end(),
                                [hwnd](const Timer& t) { return t.hwnd == hwnd; }),
                 timers.end());
    if (lastKeyValid && lastKey.msg.hwnd == hwnd) lastKeyValid = false;
}

}  // namespace platform

using namespace platform;

BOOL WINAPI PeekMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (!msg || (hwnd && !FromHandle(hwnd))) return FALSE;
    Pump();
    return Next(msg, hwnd, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL WINAPI GetMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (!msg || (hwnd && !FromHandle(hwnd))) return -1;
    for (;;) {
        Pump();
        if (Next(msg, hwnd, filterMin, filterMax, true)) return msg->message == WM_QUIT ? 0 : 1;

        // Sleep until SDL has an event or the next timer is due.
        int timeout = -1;
        Uint64 now = SDL_GetTicks64();
        const bool timersPass =
            (filterMin == 0 && filterMax == 0) || (WM_TIMER >= filterMin && WM_TIMER <= filterMax);
        for (const Timer& t : timers)
            if (timersPass && (!hwnd || t.hwnd == hwnd)) {
                int left = t.due > now ? static_cast<int>(t.due - now) : 0;
                timeout = timeout < 0 ? left : std::min(timeout, left);
            }
        if (timeout == 0) continue;
        if (VideoReady()) {
            if (timeout < 0)
                SDL_WaitEvent(nullptr);
            else
                SDL_WaitEventTimeout(nullptr, timeout);
        } else if (timeout > 0) {
            SDL_Delay(static_cast<Uint32>(timeout));
        } else {
            return -1;  // no display and no timer: nothing can ever arrive
        }
    }
}

BOOL WINAPI TranslateMessage(const MSG* msg) {
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_KEYUP)) return FALSE;
    if (msg->message == WM_KEYUP) return TRUE;
    std::string text;
    if (lastKeyValid && lastKey.msg.hwnd == msg->hwnd && lastKey.msg.wParam == msg->wParam &&
        lastKey.msg.lParam == msg->lParam && lastKey.msg.time == msg->time) {
        text = lastKey.text;
        lastKeyValid = false;
    }
    if (text.empty()) {
        int c = ControlCharacter(msg->wParam, VideoReady() ? SDL_GetModState() : 0);
        if (c) text = std::string(1, static_cast<char>(c));
    }
    // Characters come before any input that followed the key, as posted
    // messages do on Win32. The ANSI code page here is UTF-8: one WM_CHAR a byte.
    for (auto c = text.rbegin(); c != text.rend(); ++c) {
        Entry e;
        e.msg = MSG{msg->hwnd,   WM_CHAR,   static_cast<unsigned char>(*c),
                    msg->lParam, msg->time, msg->pt};
        queue.push_front(std::move(e));
    }
    return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    if (!msg) return 0;
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, Now());
        return 0;
    }
    Window* w = FromHandle(msg->hwnd);
    if (!w) return 0;
    return SendToWindow(w, msg->message, msg->wParam, msg->lParam);
}

void WINAPI PostQuitMessage(int exitCode) {
    quitPending = true;
    quitCode = exitCode;
}

UINT_PTR WINAPI SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC timerFunc) {
    if (hwnd && !FromHandle(hwnd)) return 0;
    if (!hwnd) id = nextThreadTimerId++;         // thread timers get an identifier of their own
    Uint32 period = std::max<UINT>(elapse, 10);  // USER_TIMER_MINIMUM
    Uint64 due = SDL_GetTicks64() + period;
    for (Timer& t : timers)
        if (t.hwnd == hwnd && t.id == id) {
            t = Timer{hwnd, id, period, due, timerFunc};
            return hwnd ? 1 : id;
        }
    timers.push_back(Timer{hwnd, id, period, due, timerFunc});
    return hwnd ? 1 : id;
}
