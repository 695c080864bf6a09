// State and helpers shared by the files of the SDL2 implementation of the
// Win32 subset. Nothing outside platform/ includes this.
#pragma once

#include <SDL.h>

#include <string>

#include "platform/win32.h"

namespace platform {

struct Window;

// The one device context of a window (every window behaves as CS_OWNDC).
struct DeviceContext {
    Window* window = nullptr;
    HPALETTE palette = nullptr;  // the selected palette; null is the default palette
};

struct Window {
    bool alive = true;
    bool destroying = false;
    WNDPROC proc = nullptr;
    UINT classStyle = 0;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    std::string title;
    DWORD style = 0;
    int x = 0, y = 0;
    // The window's own size, which is its client size: on X11 and Wayland the
    // frame is drawn outside the window. Kept while minimised as the size to
    // restore to.
    int width = 0, height = 0;
    int state = SIZE_RESTORED;  // SIZE_RESTORED, SIZE_MINIMIZED or SIZE_MAXIMIZED
    bool visible = false;
    bool shownOnce = false;
    bool needsPaint = false;
    // What the last WM_SIZE told the window procedure, so that a change that
    // changes nothing is never reported twice.
    int reportedState = -1, reportedWidth = -1, reportedHeight = -1;
    int pixelFormat = 0;
    // Realised lazily: X11 fixes a window's visual when it is created, so the
    // native window exists only once its pixel format is known (or when it
    // must be shown without one).
    SDL_Window* native = nullptr;
    DeviceContext dc;
};

inline HWND ToHandle(Window* w) {
    return reinterpret_cast<HWND>(w);
}
inline HDC ToHandle(DeviceContext* dc) {
    return reinterpret_cast<HDC>(dc);
}

// display.cpp: starts SDL's video on an interactive display, once. On failure
// the cause is kept in VideoFailure() and nothing is retried.
bool EnsureVideo();
const std::string& VideoFailure();
bool VideoReady();

// window.cpp
Window* FromHandle(HWND hwnd);  // null unless a live window
Window* FromDc(HDC dc);         // null unless the DC of a live window
Window* FromNativeId(Uint32 windowId);
Window* FocusWindow();  // the window that gets keys: SDL's keyboard focus, else the first live one
HWND CaptureWindow();
// The capture is gone without ReleaseCapture (SDL let it go with the focus).
void ForgetCapture();
bool PaletteSelected(HPALETTE palette);  // into the device context of a live window
// The first visible window waiting for WM_PAINT (only hwnd when it is not null).
Window* WindowNeedingPaint(HWND hwnd);
bool RealizeWindow(Window* w, bool opengl);
LRESULT SendToWindow(Window* w, UINT message, WPARAM wParam, LPARAM lParam);
// Compares the native window's size and state with what was last reported;
// when they differ, records them and fills msg with the WM_SIZE to deliver.
bool TakeSizeChange(Window* w, MSG* msg);

// x11.cpp: asks the X server for a new size of an X11 window; false for a
// window of another video driver.
bool RequestX11Size(SDL_Window* native, int width, int height);

// queue.cpp
void PostToQueue(const MSG& msg);
void ForgetWindowMessages(HWND hwnd);  // drops queued messages and timers of a window

// gdi.cpp: sets SDL's OpenGL attributes for a pixel format before the native
// window is created with it. False for an unknown format.
bool ApplyPixelFormatAttributes(int format);

// icon.cpp: gives a freshly realised native window its class's icon and cursor.
void ApplyIconAndCursor(Window* w);
// window.cpp: applies icons again to every native window (after an image changed).
void RefreshWindowIcons();

inline LPARAM PackPoint(int x, int y) {
    return static_cast<LPARAM>(static_cast<DWORD>(static_cast<WORD>(x)) |
                               (static_cast<DWORD>(static_cast<WORD>(y)) << 16));
}

}  // namespace platform
