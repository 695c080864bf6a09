// Windows: classes, creation and destruction, showing, size and position,
// painting brackets, device contexts and pointer capture.

#include <errno.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/internal.h"

namespace platform {
namespace {

struct WindowClass {
    std::string name;
    WNDCLASSA info;
};

std::vector<WindowClass> classes;
// Records are never freed, so a stale handle stays invalid instead of naming
// a later window.
std::vector<std::unique_ptr<Window>> windows;
HWND capture = nullptr;

const WindowClass* FindClass(LPCSTR name) {
    if (name == nullptr || reinterpret_cast<UINT_PTR>(name) < 0x10000) return nullptr;
    for (const WindowClass& c : classes)
        if (SDL_strcasecmp(c.name.c_str(), name) == 0) return &c;
    return nullptr;
}

// The size and state of the native window as SDL knows them now.
void NativeSize(Window* w, int* state, int* width, int* height) {
    Uint32 flags = SDL_GetWindowFlags(w->native);
    if (flags & SDL_WINDOW_MINIMIZED) {
        *state = SIZE_MINIMIZED;
        *width = *height = 0;
        return;
    }
    *state = (flags & SDL_WINDOW_MAXIMIZED) ? SIZE_MAXIMIZED : SIZE_RESTORED;
    SDL_GetWindowSize(w->native, width, height);
}

// Asks for a new size of the native window; it changes when the window
// system says so, and a window manager may keep another (tiling ones do).
// Under X11 the request goes straight to the server: SDL's own resize takes
// a size that the window manager refused for granted after a short wait,
// and would then clip the pointer to it and report the wrong size.
void RequestNativeSize(Window* w, int width, int height) {
    if (!RequestX11Size(w->native, width, height)) SDL_SetWindowSize(w->native, width, height);
}

void Invalidate(Window* w) {
    if (w->visible && w->state != SIZE_MINIMIZED) w->needsPaint = true;
}

// Sends WM_SIZE for the window's recorded size and state.
void SendSize(Window* w) {
    int width = w->state == SIZE_MINIMIZED ? 0 : w->width;
    int height = w->state == SIZE_MINIMIZED ? 0 : w->height;
    w->reportedState = w->state;
    w->reportedWidth = width;
    w->reportedHeight = height;
    SendToWindow(w, WM_SIZE, static_cast<WPARAM>(w->state), PackPoint(width, height));
}

// Brings the window to the front and gives it the keyboard, as activation
// does on Win32. A minimised window stays minimised.
void Activate(Window* w) {
    if (!w->native || !w->visible || w->state == SIZE_MINIMIZED) return;
    // SDL asks the window manager; with none, showing gave it the keyboard.
    SDL_RaiseWindow(w->native);
}

}  // namespace

Window* FromHandle(HWND hwnd) {
    for (auto& w : windows)
        if (ToHandle(w.get()) == hwnd) return w->alive ? w.get() : nullptr;
    return nullptr;
}

Window* FromDc(HDC dc) {
    for (auto& w : windows)
        if (ToHandle(&w->dc) == dc) return w->alive ? w.get() : nullptr;
    return nullptr;
}

Window* FromNativeId(Uint32 windowId) {
    if (windowId == 0) return nullptr;
    for (auto& w : windows)
        if (w->alive && w->native && SDL_GetWindowID(w->native) == windowId) return w.get();
    return nullptr;
}

Window* FocusWindow() {
    if (SDL_Window* focus = VideoReady() ? SDL_GetKeyboardFocus() : nullptr)
        if (Window* w = FromNativeId(SDL_GetWindowID(focus))) return w;
    for (auto& w : windows)
        if (w->alive && w->visible) return w.get();
    return nullptr;
}

HWND CaptureWindow() {
    return capture;
}

void ForgetCapture() {
    capture = nullptr;
}

void RefreshWindowIcons() {
    for (auto& w : windows)
        if (w->alive && w->native) ApplyIconAndCursor(w.get());
}

bool PaletteSelected(HPALETTE palette) {
    for (auto& w : windows)
        if (w->alive && w->dc.palette == palette) return true;
    return false;
}

Window* WindowNeedingPaint(HWND hwnd) {
    for (auto& w : windows)
        if (w->alive && w->needsPaint && w->visible && (!hwnd || ToHandle(w.get()) == hwnd))
            return w.get();
    return nullptr;
}

bool RealizeWindow(Window* w, bool opengl) {
    if (w->native) return true;
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (opengl) flags |= SDL_WINDOW_OPENGL;
    if (w->style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
    w->native = SDL_CreateWindow(w->title.c_str(), w->x, w->y, std::max(w->width, 1),
                                 std::max(w->height, 1), flags);
    if (!w->native) return false;
    ApplyIconAndCursor(w);
    return true;
}

LRESULT SendToWindow(Window* w, UINT message, WPARAM wParam, LPARAM lParam) {
    return w->proc(ToHandle(w), message, wParam, lParam);
}

bool TakeSizeChange(Window* w, MSG* msg) {
    if (!w->native || !w->shownOnce) return false;
    int state, width, height;
    NativeSize(w, &state, &width, &height);
    w->state = state;
    if (state != SIZE_MINIMIZED) {
        if (width != w->width || height != w->height) Invalidate(w);
        w->width = width;
        w->height = height;
    }
    if (state == w->reportedState && width == w->reportedWidth && height == w->reportedHeight)
        return false;
    w->reportedState = state;
    w->reportedWidth = width;
    w->reportedHeight = height;
    *msg = MSG{ToHandle(w),
               WM_SIZE,
               static_cast<WPARAM>(state),
               PackPoint(width, height),
               static_cast<DWORD>(SDL_GetTicks()),
               {0, 0}};
    return true;
}

}  // namespace platform

using namespace platform;

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass) {
    if (!windowClass || !windowClass->lpfnWndProc || FindClass(windowClass->lpszClassName) ||
        !windowClass->lpszClassName ||
        reinterpret_cast<UINT_PTR>(windowClass->lpszClassName) < 0x10000)
        return 0;
    classes.push_back({windowClass->lpszClassName, *windowClass});
    classes.back().info.lpszClassName = classes.back().name.c_str();
    // X11 names a window's class (WM_CLASS) when the display opens, from this
    // variable: the first class registered names the program's windows, as
    // the class name is what identifies a Win32 program's windows.
    setenv("SDL_VIDEO_X11_WMCLASS", windowClass->lpszClassName, 0);
    return static_cast<ATOM>(0xC000 + classes.size() - 1);
}

HWND WINAPI CreateWindowExA(DWORD /*exStyle*/, LPCSTR className, LPCSTR windowName, DWORD style,
                            int x, int y, int width, int height, HWND parent, HMENU /*menu*/,
                            HINSTANCE /*instance*/, LPVOID /*param*/) {
    if (!EnsureVideo()) {
        std::fprintf(stderr, "%s: cannot create a window: %s\n", program_invocation_short_name,
                     VideoFailure().c_str());
        return nullptr;
    }
    const WindowClass* c = FindClass(className);
    if (!c || parent != nullptr) return nullptr;  // only top-level windows here

    windows.push_back(std::make_unique<Window>());
    Window* w = windows.back().get();
    w->proc = c->info.lpfnWndProc;
    w->classStyle = c->info.style;
    w->icon = c->info.hIcon;
    w->cursor = c->info.hCursor;
    w->background = c->info.hbrBackground;
    w->title = windowName ? windowName : "";
    w->style = style & ~static_cast<DWORD>(WS_VISIBLE);
    w->x = x;
    w->y = y;
    w->width = std::max(width, 0);
    w->height = std::max(height, 0);
    w->dc.window = w;

    HWND hwnd = ToHandle(w);
    if (SendToWindow(w, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (!w->alive) return nullptr;
    if (style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
    return hwnd;
}

BOOL WINAPI ShowWindow(HWND hwnd, int showCommand) {
    Window* w = FromHandle(hwnd);
    if (!w) return FALSE;
    BOOL wasVisible = w->visible ? TRUE : FALSE;
    if (showCommand == SW_HIDE) {
        if (w->native) SDL_HideWindow(w->native);
        w->visible = false;
        return wasVisible;
    }
    if (!RealizeWindow(w, false)) return wasVisible;
    SDL_ShowWindow(w->native);
    w->visible = true;
    switch (showCommand) {
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
            SDL_MinimizeWindow(w->native);
            w->state = SIZE_MINIMIZED;
            break;
        case SW_SHOWMAXIMIZED:
            SDL_MaximizeWindow(w->native);
            w->state = SIZE_MAXIMIZED;
            break;
        case SW_SHOWNORMAL:
        case SW_SHOWDEFAULT:
        case SW_RESTORE:
            if (w->state != SIZE_RESTORED) SDL_RestoreWindow(w->native);
            w->state = SIZE_RESTORED;
            break;
        default:  // SW_SHOW keeps the state
            break;
    }
    if (showCommand != SW_SHOWMINIMIZED && showCommand != SW_MINIMIZE) Activate(w);
    if (!wasVisible) Invalidate(w);
    if (!w->shownOnce) {
        // The first showing tells the window its size, as on Win32.
        w->shownOnce = true;
        SendSize(w);
    }
    return wasVisible;
}

BOOL WINAPI UpdateWindow(HWND hwnd) {
    Window* w = FromHandle(hwnd);
    if (!w) return FALSE;
    if (w->needsPaint) SendToWindow(w, WM_PAINT, 0, 0);
    return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/) {
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            if (BeginPaint(hwnd, &paint)) EndPaint(hwnd, &paint);
            return 0;
        }
        default:
            return 0;
    }
}

BOOL WINAPI SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    Window* w = FromHandle(hwnd);
    if (!w) return FALSE;
    if (!(flags & SWP_NOSIZE)) {
        cx = std::max(cx, 1);
        cy = std::max(cy, 1);
        if (!w->native) {
            w->width = cx;
            w->height = cy;
        } else if (w->state == SIZE_MAXIMIZED || cx != w->width || cy != w->height) {
            // Window managers keep a maximised window at the maximised size,
            // so it is set back to normal to take the new one.
            if (w->state == SIZE_MAXIMIZED) SDL_RestoreWindow(w->native);
            RequestNativeSize(w, cx, cy);
        }
    }
    if (!(flags & SWP_NOMOVE) && (x != w->x || y != w->y)) {
        w->x = x;
        w->y = y;
        if (w->native) SDL_SetWindowPosition(w->native, x, y);
    }
    if (w->state != SIZE_MINIMIZED && w->native && w->visible) {
        if (!(flags & SWP_NOACTIVATE))
            Activate(w);
        else if (!(flags & SWP_NOZORDER) && insertAfter == HWND_TOP)
            SDL_RaiseWindow(w->native);
    }
    return TRUE;
}

BOOL WINAPI DestroyWindow(HWND hwnd) {
    Window* w = FromHandle(hwnd);
    if (!w || w->destroying) return FALSE;
    w->destroying = true;
    SendToWindow(w, WM_DESTROY, 0, 0);
    // The capture ends with the window, which no longer hears of it.
    if (capture == hwnd) {
        if (VideoReady()) SDL_CaptureMouse(SDL_FALSE);
        capture = nullptr;
    }
    w->alive = false;
    ForgetWindowMessages(hwnd);
    if (w->native) {
        SDL_DestroyWindow(w->native);
        w->native = nullptr;
    }
    return TRUE;
}

HWND WINAPI SetCapture(HWND hwnd) {
    HWND previous = capture;
    Window* w = FromHandle(hwnd);
    if (!w) return previous;
    capture = hwnd;
    if (w->native) SDL_CaptureMouse(SDL_TRUE);
    if (Window* loser = previous != hwnd ? FromHandle(previous) : nullptr)
        SendToWindow(loser, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    return previous;
}

BOOL WINAPI ReleaseCapture(void) {
    HWND previous = capture;
    if (capture && VideoReady()) SDL_CaptureMouse(SDL_FALSE);
    capture = nullptr;
    // The window that had it hears of it, even when it let it go itself.
    if (Window* loser = FromHandle(previous)) SendToWindow(loser, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND hwnd, RECT* rect) {
    Window* w = FromHandle(hwnd);
    if (!w || !rect) return FALSE;
    bool minimised = w->state == SIZE_MINIMIZED;
    *rect = RECT{0, 0, minimised ? 0 : w->width, minimised ? 0 : w->height};
    return TRUE;
}

HDC WINAPI GetDC(HWND hwnd) {
    Window* w = FromHandle(hwnd);
    return w ? ToHandle(&w->dc) : nullptr;
}

int WINAPI ReleaseDC(HWND hwnd, HDC dc) {
    // The window keeps its own device context for life; releasing it is a formality.
    Window* w = FromDc(dc);
    return w && (hwnd == nullptr || ToHandle(w) == hwnd) ? 1 : 0;
}

HWND WINAPI WindowFromDC(HDC dc) {
    Window* w = FromDc(dc);
    return w ? ToHandle(w) : nullptr;
}

HDC WINAPI BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
    Window* w = FromHandle(hwnd);
    if (!w || !paint) return nullptr;
    *paint = PAINTSTRUCT{};
    paint->hdc = ToHandle(&w->dc);
    // Without a background brush, erasing is left to the window.
    paint->fErase = w->background == nullptr ? TRUE : FALSE;
    GetClientRect(hwnd, &paint->rcPaint);
    w->needsPaint = false;
    return paint->hdc;
}

BOOL WINAPI EndPaint(HWND hwnd, const PAINTSTRUCT* /*paint*/) {
    return FromHandle(hwnd) ? TRUE : FALSE;
}
