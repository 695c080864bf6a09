// The state and the helpers that the files of the Win32 subset on SDL2 share.
// Nothing outside platform/ includes this.
#pragma once

#include <SDL.h>
#include <sys/types.h>  // POSIX

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32.h"

struct xcb_connection_t;  // an X display (xcb), kept open under Wayland (display.cpp)

namespace platform {

struct Window;

// A window's one device context: every window behaves as CS_OWNDC.
struct DeviceContext {
    Window* window = nullptr;
    HPALETTE palette = nullptr;  // selected by SelectPalette; null is the stock palette
};

struct Window {
    bool alive = true;        // false once destroyed: the handle is then invalid
    bool destroying = false;  // inside DestroyWindow, which must not run twice
    WNDPROC proc = nullptr;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;  // none: BeginPaint leaves erasing to the window
    std::string title;
    int x = 0, y = 0;
    // The client size the window has, as the window system last reported it
    // (the size given to CreateWindowExA until it is shown). On X11 and
    // Wayland the frame lies outside the window, so this is the window's own
    // size. Kept while minimised, as the size it comes back with.
    int width = 0, height = 0;
    int state = SIZE_RESTORED;  // SIZE_RESTORED, SIZE_MINIMIZED or SIZE_MAXIMIZED
    bool resizable = false;     // WS_THICKFRAME: the user may resize it
    bool visible = false;
    bool shownOnce = false;   // the first showing sends WM_SIZE, as on Win32
    bool needsPaint = false;  // WM_PAINT is due: exposed, shown or resized
    // What the last WM_SIZE said, so that nothing is reported twice.
    int reportedState = -1, reportedWidth = -1, reportedHeight = -1;
    int pixelFormat = 0;  // SetPixelFormat's, once; 0 before
    // Made lazily: X11 fixes a window's visual when it is created, so the
    // native window exists only once its pixel format is known (or when it
    // is shown without one).
    SDL_Window* native = nullptr;
    DeviceContext dc;
};

struct WindowClass {
    std::string name;  // RegisterClassA's, which info.lpszClassName points into
    WNDCLASSA info;
};

// A message in the queue. A key press carries the text it typed, which SDL
// reports as an event of its own right after the key, for TranslateMessage.
struct QueuedMessage {
    MSG msg;
    std::string text;
    bool textAttached = false;
};

// A window timer: due every `period` ms, on its own schedule.
struct Timer {
    HWND hwnd;
    UINT_PTR id;
    Uint32 period;
    Uint64 due;  // SDL_GetTicks64 time
};

// What CreatePalette made. Every format here is true colour, so a palette
// is only ever selected, realised and unrealised, never used to map colours:
// it keeps nothing, and is an object only so that its handle is its own.
struct Palette {};

struct Context {
    SDL_GLContext gl;
    SDL_Window* window;  // where it was made: it is current there while it is deleted
    int pixelFormat;     // the format it was made for: it is made current only with it
};

constexpr int kIconSide = 32;

#if defined(__EMSCRIPTEN__)  // browser only: the page's part (browser.cpp)
// A pointer event of the page: a move, a press or a release of the main
// button, the pointer cancelled by the browser, or its capture lost; x and y
// in the canvas's buffer pixels (outside it while captured).
enum PagePointerKind : int {
    kPointerMove = 1,
    kPointerPress,
    kPointerRelease,
    kPointerCancel,
    kPointerLost,
};
struct PagePointer {
    int kind, x, y;
};

struct BrowserState {
    // The canvas's pointer events, as the page's listeners hand them over,
    // until the queue takes them after SDL's events of the same wait.
    std::deque<PagePointer> pointerEvents;
    int pointerId = -1;  // the pointer of the last press, which SetCapture captures
    // The characters of the keys that the page's controls sent, likewise.
    std::deque<int> keys;
    // The canvas's size on the page, in CSS pixels, and its buffer's device
    // pixels per CSS pixel: the device pixel ratio as last followed. The
    // program's sizes are device pixels at the ratio the page had when the
    // canvas was made, so that a size asked back after the ratio changed
    // leaves the canvas as it is on the page.
    double cssWidth = 0, cssHeight = 0;
    double ratio = 1, sizeRatio = 1;
    // The function that ends a wait on any input (BrowserWait) is
    // JavaScript's own, and stays a property of Module (Module.wake).
};
#endif

// Everything the layer keeps between calls. One instance, `platformState`, lives
// from load to exit; only the thread that runs the message loop touches it.
struct PlatformState {
    // ---- The display (display.cpp)
    // SDL's video starts once, at the first call that needs it; a display
    // that failed is not tried again, and the cause is kept for the messages.
    bool videoTried = false;
    bool videoReady = false;
    std::string videoFailure;
    // An X display that answered beside the Wayland one SDL took: kept open
    // until the first window is made, for SDL's message box (X11 and Wayland
    // only).
    xcb_connection_t* keptX = nullptr;
    char programModule = 0;  // its address is the program's instance handle

    // ---- Windows (window.cpp)
    std::vector<WindowClass> classes;
    // Never freed, so that a stale handle stays invalid instead of naming a
    // later window.
    std::vector<std::unique_ptr<Window>> windows;
    // SetCapture's window. SDL's own capture follows it where SDL can give
    // one (it needs the keyboard focus), and SDL lets it go with the focus.
    HWND capture = nullptr;

    // ---- The message queue (queue.cpp)
    // SDL's events and posted messages in arrival order; WM_QUIT, WM_PAINT
    // and WM_TIMER are made when the queue is read and nothing else waits.
    std::deque<QueuedMessage> queue;
    std::vector<Timer> timers;
    bool quitPending = false;  // PostQuitMessage was called; WM_QUIT is due
    int quitCode = 0;
    // The key press last taken from the queue, until TranslateMessage sees it.
    QueuedMessage lastKey;
    bool lastKeyValid = false;
    // MK_LBUTTON of the pointer messages: the left button as the device
    // last reported it, whichever window the report named. Cleared when SDL
    // lets the capture go, since the release then goes to another window.
    bool leftButtonDown = false;
    // The window that got the press while the button is down: its moves and
    // release outside every window go there, as X11 and Wayland send them.
    HWND pressWindow = nullptr;
    POINT lastPoint = {0, 0};  // MSG.pt: the pointer on the screen at its last message

    // ---- Pixel formats, palettes (gdi.cpp)
    // Pixel format n is formats[n - 1]: the real formats ChoosePixelFormat
    // found, so that DescribePixelFormat reports what the display has.
    std::vector<PIXELFORMATDESCRIPTOR> formats;
    std::vector<std::unique_ptr<Palette>> palettes;  // kept for life, like the viewer's one
    char stockPalette = 0;                           // its address is the stock palette's handle

    // ---- OpenGL contexts (wgl.cpp)
    std::vector<std::unique_ptr<Context>> contexts;

    // ---- The icon and the cursor (icon.cpp)
    // Icon resource 101's image, which on Windows is in the executable;
    // here the program hands it over at start (SetIconPixels).
    std::uint8_t iconRgba[kIconSide * kIconSide * 4] = {};
    bool iconSet = false;
    char programIcon = 0;               // its address is icon 101's handle
    char arrow = 0;                     // its address is IDC_ARROW's handle
    SDL_Cursor* arrowCursor = nullptr;  // made at the first window that shows it

    // ---- Message boxes (message_box.cpp)
    // The program's process while a box is up, 0 otherwise: SDL may show it
    // from a process of its own, which must not outlive the program (POSIX).
    pid_t boxShownBy = 0;
    // The first box registers, once, what ties such a process to the
    // program's end (pthread_atfork, POSIX).
    bool boxForkWatched = false;

    // ---- X11 (x11.cpp)
    int x11Errors = 0;  // X protocol errors since TrapX11Errors
    // The Xlib error handler TrapX11Errors replaced, put back by
    // UntrapX11Errors: a plain function pointer, so that this header needs no Xlib.
    void (*x11KeptHandler)() = nullptr;

#if defined(__EMSCRIPTEN__)  // browser only: the page's part (browser.cpp)
    BrowserState browser;
#endif
};

// Defined in window.cpp; nothing touches it before main.
extern PlatformState platformState;  // NOLINT(bugprone-dynamic-static-initializers)

inline HWND ToHandle(Window* w) {
    return reinterpret_cast<HWND>(w);
}
inline HDC ToHandle(DeviceContext* dc) {
    return reinterpret_cast<HDC>(dc);
}
inline LPARAM PackPoint(int x, int y) {
    return static_cast<LPARAM>(static_cast<DWORD>(static_cast<WORD>(x)) |
                               (static_cast<DWORD>(static_cast<WORD>(y)) << 16));
}

// message_box.cpp: the program's name, for the lines it writes.
const char* ProgramName();

// display.cpp: starts SDL's video on an interactive display, once; false
// (with the cause in platformState.videoFailure) when there is none.
bool EnsureVideo();
// Sets SDL's hints and starts its video with these drivers (SDL's list);
// false, with the cause kept, when it cannot.
bool OpenVideo(const char* drivers);
// Buffer pixels per point of the first display: under Wayland the output's
// scale, 1 elsewhere.
float DisplayScale();
#if !defined(__EMSCRIPTEN__)  // X11 and Wayland only: the X display kept under Wayland
void ReleaseKeptX();
#endif

// window.cpp
Window* FromHandle(HWND hwnd);  // null unless a live window
Window* FromDc(HDC dc);         // null unless the device context of a live window
Window* FromNativeId(Uint32 windowId);
Window* FocusWindow();  // the window that gets keys: SDL's keyboard focus, else the first shown
// The first visible window waiting for WM_PAINT.
Window* WindowNeedingPaint();
// Asks for a WM_PAINT of a shown window that is not minimised (an exposure).
void Invalidate(Window* w);
bool RealizeWindow(Window* w, bool opengl);
// The window's buffer pixels per point, and a length in the window system's
// points (SDL's window sizes and pointer positions) in buffer pixels.
float PixelsPerPoint(const Window* w);
int ToPixels(const Window* w, int points);
LRESULT SendToWindow(Window* w, UINT message, WPARAM wParam, LPARAM lParam);
// Compares the native window's size and state with what was last reported;
// when they differ, records them and fills msg with the WM_SIZE to deliver.
bool TakeSizeChange(Window* w, MSG* msg);
// The capture went with the focus (SDL lets it go): WM_CAPTURECHANGED is queued.
void LoseCapture(Window* w, DWORD time);

// queue.cpp
DWORD Now();  // a message's time
void PostToQueue(const MSG& msg);
// The pointer over `w`, in its client coordinates: WM_MOUSEMOVE (a move not
// read yet takes the new position) or a button message.
void PushPointer(Window* w, UINT message, int x, int y, DWORD time);
// The left button pressed or released over `w` (null: over no window of
// ours). The button's state is the device's, whichever window hears of it.
void PushButton(Window* w, bool down, int x, int y, DWORD time);
// A key pressed over `w`: WM_KEYDOWN with its virtual-key code and the text
// it typed, which TranslateMessage turns into WM_CHAR; a null text comes
// later, as SDL reports it in an event of its own.
void PushKey(Window* w, WPARAM virtualKey, const char* text, DWORD time);
void ForgetWindowMessages(HWND hwnd);  // drops the queued messages and timers of a window

// gdi.cpp: sets SDL's OpenGL attributes for a pixel format before a native
// window or a context is made with it. False for an unknown format.
bool ApplyPixelFormatAttributes(int format);

// icon.cpp: gives a freshly made native window its class's icon and cursor.
void ApplyIconAndCursor(Window* w);

}  // namespace platform

#if defined(__EMSCRIPTEN__)  // browser only: browser.cpp
namespace platform {
// Starts SDL's video on the page, which is the display, listens to the
// page's pointer and input, and takes the program's end once it has waited.
bool BrowserStartVideo();
// Turns the page's pointer events into messages for the capture's window,
// else the focused one.
void BrowserQueuePointer();
// Turns the keys of the page's controls into key presses for the focused window.
void BrowserQueueKeys();
void BrowserCapturePointer(bool capture);
// The screen's height in device pixels: the page's, or less where the page
// is narrow (page.js).
int BrowserScreenHeight();
// The canvas was made with this size (device pixels): it takes its size on
// the page, and the page shows its controls; and it has gone.
void BrowserCanvasMade(SDL_Window* native, int width, int height);
void BrowserCanvasGone();
// A new size in device pixels at the ratio the canvas was made at; the
// buffer's follows the ratio the page has now.
void BrowserRequestSize(SDL_Window* native, int width, int height);
// The device pixel ratio changed: the buffer follows and the canvas keeps
// its size on the page (SDL then reports the new size).
void BrowserFollowRatio();
// A WebGL context on the window's canvas with OpenGL 1.1 (fixedgl/) on it;
// null when either fails.
SDL_GLContext BrowserCreateContext(SDL_Window* native);
// OpenGL 1.1 lets go of the context, made current on its window for that.
void BrowserDetachContext(SDL_Window* native, SDL_GLContext gl);
// These three give the browser control until they return (ASYNCIFY).
void BrowserMessageBox(const char* caption, const char* text, bool error);
void BrowserPresent();     // the frame drawn shows; returns at the display's next refresh
void BrowserWait(int ms);  // input, or ms passed (-1: no limit)
}  // namespace platform
// What the page's pointer listeners call with each event (pointerId: the
// page's, for the capture), its controls with the character of a key, and
// its listener when the lost WebGL context is back.
extern "C" void PlatformPagePointer(int kind, int x, int y, int pointerId);
extern "C" void PlatformPageKey(int character);
extern "C" void PlatformPageRestored();
#endif
