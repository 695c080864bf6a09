// Windows: classes, creation and destruction, showing, size and position,
// painting brackets, device contexts and pointer capture.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/internal.h"
#include "platform/x11.h"

namespace platform {

PlatformState platformState;

namespace {

const WindowClass* FindClass(LPCSTR name) {
    if (name == nullptr) return nullptr;
    for (const WindowClass& c : platformState.classes)
        if (SDL_strcasecmp(c.name.c_str(), name) == 0) return &c;
    return nullptr;
}

// The size and state of the native window as SDL knows them now.
void NativeSize(Window* w, int* windowState, int* width, int* height) {
    Uint32 flags = SDL_GetWindowFlags(w->native);
    if (flags & SDL_WINDOW_MINIMIZED) {
        *windowState = SIZE_MINIMIZED;
        *width = *height = 0;
        return;
    }
    *windowState = (flags & SDL_WINDOW_MAXIMIZED) ? SIZE_MAXIMIZED : SIZE_RESTORED;
    SDL_GetWindowSizeInPixels(w->native, width, height);
}

// A length in buffer pixels in the window system's points, at least 1.
int ToPoints(const Window* w, int pixels) {
    return std::max(1, int(std::lround(float(pixels) / PixelsPerPoint(w))));
}

// Asks for a new size of the native window; it changes when the window
// system says so, and a window manager may keep another (tiling ones do).
// Under X11 the request goes straight to the server: SDL's own resize takes
// a size that the window manager refused for granted after a short wait,
// and would then clip the pointer to it and report the wrong size.
void RequestNativeSize(Window* w, int width, int height) {
#if defined(__EMSCRIPTEN__)  // browser only: the canvas's size on the page, and its buffer's
    BrowserRequestSize(w->native, width, height);
#else  // X11 and Wayland only: the size in the output's points
    if (!RequestX11Size(w->native, width, height))
        SDL_SetWindowSize(w->native, ToPoints(w, width), ToPoints(w, height));
#endif
}

// Brings the window to the front and gives it the keyboard, as activation
// does on Win32. A minimised window stays minimised.
void Activate(Window* w) {
    if (!w->native || !w->visible || w->state == SIZE_MINIMIZED) return;
    // SDL asks the window manager; with none, showing gave it the keyboard.
    SDL_RaiseWindow(w->native);
}

}  // namespace

void Invalidate(Window* w) {
    if (w->visible && w->state != SIZE_MINIMIZED) w->needsPaint = true;
}

Window* FromHandle(HWND hwnd) {
    for (auto& w : platformState.windows)
        if (ToHandle(w.get()) == hwnd) return w->alive ? w.get() : nullptr;
    return nullptr;
}

Window* FromDc(HDC dc) {
    for (auto& w : platformState.windows)
        if (ToHandle(&w->dc) == dc) return w->alive ? w.get() : nullptr;
    return nullptr;
}

Window* FromNativeId(Uint32 windowId) {
    if (windowId == 0) return nullptr;
    for (auto& w : platformState.windows)
        if (w->alive && w->native && SDL_GetWindowID(w->native) == windowId) return w.get();
    return nullptr;
}

Window* FocusWindow() {
    if (SDL_Window* focus = platformState.videoReady ? SDL_GetKeyboardFocus() : nullptr)
        if (Window* w = FromNativeId(SDL_GetWindowID(focus))) return w;
    for (auto& w : platformState.windows)
        if (w->alive && w->visible) return w.get();
    return nullptr;
}

Window* WindowNeedingPaint() {
    for (auto& w : platformState.windows)
        if (w->alive && w->needsPaint && w->visible) return w.get();
    return nullptr;
}

bool RealizeWindow(Window* w, bool opengl) {
    if (w->native) return true;
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (opengl) flags |= SDL_WINDOW_OPENGL;
    if (w->resizable) flags |= SDL_WINDOW_RESIZABLE;
#if !defined(__EMSCRIPTEN__)  // X11 and Wayland only: a buffer in the output's pixels
    // Under Wayland the buffer then has the output's pixels, and SDL's
    // sizes and pointer positions stay in the compositor's points; X11's
    // are pixels either way. A box shown before the first window (the
    // notice) has had the X display kept for it.
    flags |= SDL_WINDOW_ALLOW_HIGHDPI;
    ReleaseKeptX();
#endif
    w->native = SDL_CreateWindow(w->title.c_str(), w->x, w->y, ToPoints(w, w->width),
                                 ToPoints(w, w->height), flags);
    if (!w->native) return false;
    // The buffer's size, which a size in points may not give exactly.
    SDL_GetWindowSizeInPixels(w->native, &w->width, &w->height);
#if defined(__EMSCRIPTEN__)  // browser only: the canvas's size on the page, and the page's controls
    BrowserCanvasMade(w->native, std::max(w->width, 1), std::max(w->height, 1));
#endif
    ApplyIconAndCursor(w);
    return true;
}

float PixelsPerPoint(const Window* w) {
    int points = 0, pixels = 0;
    if (w->native) {
        SDL_GetWindowSize(w->native, &points, nullptr);
        SDL_GetWindowSizeInPixels(w->native, &pixels, nullptr);
    }
    return points > 0 && pixels > 0 ? float(pixels) / float(points) : DisplayScale();
}

int ToPixels(const Window* w, int points) {
    return int(std::lround(float(points) * PixelsPerPoint(w)));
}

LRESULT SendToWindow(Window* w, UINT message, WPARAM wParam, LPARAM lParam) {
    return w->proc(ToHandle(w), message, wParam, lParam);
}

bool TakeSizeChange(Window* w, MSG* msg) {
    if (!w->native || !w->shownOnce) return false;
    int windowState, width, height;
    NativeSize(w, &windowState, &width, &height);
    w->state = windowState;
    if (windowState != SIZE_MINIMIZED) {
        if (width != w->width || height != w->height) Invalidate(w);
        w->width = width;
        w->height = height;
    }
    if (windowState == w->reportedState && width == w->reportedWidth && height == w->reportedHeight)
        return false;
    w->reportedState = windowState;
    w->reportedWidth = width;
    w->reportedHeight = height;
    *msg = MSG{ToHandle(w),
               WM_SIZE,
               static_cast<WPARAM>(windowState),
               PackPoint(width, height),
               static_cast<DWORD>(SDL_GetTicks()),
               platformState.lastPoint};
    return true;
}

void LoseCapture(Window* w, DWORD time) {
    if (platformState.capture != ToHandle(w)) return;
    platformState.capture = nullptr;
    platformState.leftButtonDown = false;  // its release goes to another window
    PostToQueue(MSG{ToHandle(w), WM_CAPTURECHANGED, 0, 0, time, platformState.lastPoint});
}

}  // namespace platform

using namespace platform;

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass) {
    if (!windowClass || !windowClass->lpfnWndProc || !windowClass->lpszClassName ||
        FindClass(windowClass->lpszClassName))
        return 0;
    platformState.classes.push_back({windowClass->lpszClassName, *windowClass});
    platformState.classes.back().info.lpszClassName = platformState.classes.back().name.c_str();
    // SDL names a window's class (X11's WM_CLASS, Wayland's app_id) when the
    // display opens, from this variable: the first class registered names
    // the program's windows, as the class name is what identifies a Win32
    // program's windows.
    setenv("SDL_VIDEO_X11_WMCLASS", windowClass->lpszClassName, 0);
    return static_cast<ATOM>(0xC000 + platformState.classes.size() - 1);
}

HWND WINAPI CreateWindowExA(DWORD /*exStyle*/, LPCSTR className, LPCSTR windowName, DWORD style,
                            int x, int y, int width, int height, HWND parent, HMENU /*menu*/,
                            HINSTANCE /*instance*/, LPVOID /*param*/) {
    if (!EnsureVideo()) {
        std::fprintf(stderr, "%s: cannot create a window: %s\n", ProgramName(),
                     platformState.videoFailure.c_str());
        return nullptr;
    }
    const WindowClass* c = FindClass(className);
    if (!c || parent != nullptr) return nullptr;  // top-level windows only

    platformState.windows.push_back(std::make_unique<Window>());
    Window* w = platformState.windows.back().get();
    w->proc = c->info.lpfnWndProc;
    w->icon = c->info.hIcon;
    w->cursor = c->info.hCursor;
    w->background = c->info.hbrBackground;
    w->title = windowName ? windowName : "";
    w->resizable = (style & WS_THICKFRAME) != 0;
    w->x = x;
    w->y = y;
    w->width = std::max(width, 0);
    w->height = std::max(height, 0);
    w->dc.window = w;

    if (SendToWindow(w, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(ToHandle(w));
        return nullptr;
    }
    return w->alive ? ToHandle(w) : nullptr;
}

BOOL WINAPI ShowWindow(HWND hwnd, int /*showCommand*/) {
    Window* w = FromHandle(hwnd);
    if (!w) return FALSE;
    const BOOL wasVisible = w->visible ? TRUE : FALSE;
    if (!RealizeWindow(w, false)) return wasVisible;
    SDL_ShowWindow(w->native);
    w->visible = true;
    Activate(w);
    if (!wasVisible) Invalidate(w);
    if (!w->shownOnce) {
        // The first showing tells the window its size, as on Win32.
        w->shownOnce = true;
        w->reportedState = w->state;
        w->reportedWidth = w->width;
        w->reportedHeight = w->height;
        SendToWindow(w, WM_SIZE, static_cast<WPARAM>(w->state), PackPoint(w->width, w->height));
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

BOOL WINAPI SetWindowPos(HWND hwnd, HWND /*insertAfter*/, int x, int y, int cx, int cy,
                         UINT flags) {
    Window* w = FromHandle(hwnd);
    if (!w) return FALSE;
    cx = std::max(cx, 1);
    cy = std::max(cy, 1);
    if (!w->native) {
        w->width = cx;
        w->height = cy;
    } else if (w->state == SIZE_MAXIMIZED || cx != w->width || cy != w->height) {
        // Window managers keep a maximised window at the maximised size, so
        // it is set back to normal to take the new one.
        if (w->state == SIZE_MAXIMIZED) SDL_RestoreWindow(w->native);
        RequestNativeSize(w, cx, cy);
    }
    if (!(flags & SWP_NOMOVE) && (x != w->x || y != w->y)) {
        w->x = x;
        w->y = y;
        if (w->native) SDL_SetWindowPosition(w->native, x, y);
    }
    Activate(w);
    return TRUE;
}

BOOL WINAPI DestroyWindow(HWND hwnd) {
    Window* w = FromHandle(hwnd);
    if (!w || w->destroying) return FALSE;
    w->destroying = true;
    SendToWindow(w, WM_DESTROY, 0, 0);
    // The capture ends with the window, which no longer hears of it.
    if (platformState.capture == hwnd) {
        SDL_CaptureMouse(SDL_FALSE);
        platformState.capture = nullptr;
    }
    w->alive = false;
    ForgetWindowMessages(hwnd);
    if (w->native) {
        SDL_DestroyWindow(w->native);
        w->native = nullptr;
#if defined(__EMSCRIPTEN__)  // browser only: the page's controls go with the canvas
        BrowserCanvasGone();
#endif
    }
    return TRUE;
}

HWND WINAPI SetCapture(HWND hwnd) {
    HWND previous = platformState.capture;
    Window* w = FromHandle(hwnd);
    if (!w) return previous;
    platformState.capture = hwnd;
#if defined(__EMSCRIPTEN__)  // browser only: the page's pointer capture
    BrowserCapturePointer(true);
#else  // X11 and Wayland only: SDL's capture
    // SDL's capture holds the pointer while the button is down. Taken after
    // the release (press and release read in one burst), it would grab a free
    // pointer, and SDL loses track of it once that grab ends outside.
    if (w->native && platformState.leftButtonDown) SDL_CaptureMouse(SDL_TRUE);
#endif
    if (Window* loser = previous != hwnd ? FromHandle(previous) : nullptr)
        SendToWindow(loser, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    return previous;
}

BOOL WINAPI ReleaseCapture(void) {
    HWND previous = platformState.capture;
#if defined(__EMSCRIPTEN__)  // browser only: the page's pointer capture
    if (previous) BrowserCapturePointer(false);
#else  // X11 and Wayland only: SDL's capture
    if (previous && platformState.videoReady) SDL_CaptureMouse(SDL_FALSE);
#endif
    platformState.capture = nullptr;
    // The window that had it hears of it, even when it let it go itself.
    if (Window* loser = FromHandle(previous)) SendToWindow(loser, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND hwnd, RECT* rect) {
    Window* w = FromHandle(hwnd);
    if (!w || !rect) return FALSE;
    const bool minimised = w->state == SIZE_MINIMIZED;
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
