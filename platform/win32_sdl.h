// The Win32 subset the viewer uses, for systems other than Windows: X11,
// Wayland and web browsers (Emscripten).
//
// Names, types, numeric values and calling semantics are Win32's; the
// implementation underneath is SDL2 (window, OpenGL context, event queue,
// message box, pointer capture). Only what the viewer relies on is here: a
// call or a message the viewer does not use is not implemented. In the
// browser the window is the page's canvas and OpenGL 1.1 is fixedgl/'s, on
// WebGL.
//
// What it implements (x: as on Win32, with the departures below)
//
//   Win32                                         X11  Wayland  browser  file
//   RegisterClassA, CreateWindowExA (top level),   x    x        x        window.cpp
//     ShowWindow, UpdateWindow, DestroyWindow,
//     DefWindowProcA (WM_CLOSE, WM_PAINT)
//   SetWindowPos, GetClientRect, WM_SIZE           x    x        x        window.cpp
//   BeginPaint, EndPaint, WM_PAINT, GetDC,         x    x        x        window.cpp
//     ReleaseDC, WindowFromDC
//   SetCapture, ReleaseCapture, WM_CAPTURECHANGED  x    x        x        window.cpp
//   PeekMessageA, GetMessageA, TranslateMessage,   x    x        x        queue.cpp
//     DispatchMessageA, PostQuitMessage, SetTimer;
//     WM_KEYDOWN, WM_CHAR, WM_LBUTTONDOWN,
//     WM_LBUTTONUP, WM_MOUSEMOVE, WM_CLOSE,
//     WM_TIMER, WM_QUIT
//   GetSystemMetrics (SM_CYSCREEN),                x    x        x        display.cpp
//     GetModuleHandleA (null)
//   MessageBoxA (MB_OK, MB_ICONHAND)               x    x        x        message_box.cpp
//   LoadIconA (101), LoadCursorA (IDC_ARROW)       x    x        x        icon.cpp
//   ChoosePixelFormat, SetPixelFormat,             x    x        x        gdi.cpp
//     GetPixelFormat, DescribePixelFormat,
//     CreatePalette, SelectPalette,
//     RealizePalette, UnrealizeObject, SwapBuffers
//   wglCreateContext, wglMakeCurrent,              x    x        x        wgl.cpp
//     wglDeleteContext
//
//   In the browser, browser.cpp gives these files the page's part: SDL's
//   start with the page's listeners (the browser's own keys and wheel left
//   to it), the pointer and its capture, the page's controls (buttons that
//   send what the keys f, p and Escape send), the screen's height, device
//   pixels, the WebGL context with OpenGL 1.1 on it (and again after a
//   loss), the message box, and the waits for input and for the display's
//   refresh. Under X11,
//   x11.cpp (x11.h) asks the server for sizes and catches its errors.
//
// Where it departs from Win32, and why
//
//   X11 Wayland browser
//    x    x    x   The size given to CreateWindowExA and SetWindowPos is the
//                  client size: the frame lies outside the window (in the
//                  browser there is none). (window.cpp)
//    x    x    -   SetWindowPos asks for the size and returns; WM_SIZE comes
//                  when the window system reports one, and a window manager
//                  may keep another (tiling ones do). Under X11 the request
//                  goes to the server itself, since SDL takes a refused size
//                  for granted. A minimised window is asked as it is.
//                  (window.cpp, x11.cpp)
//    -    -    x   The canvas takes a new size at once; WM_SIZE follows through
//                  the queue. Its place is the page's, (50, 50) from the top
//                  left, whatever SetWindowPos or CreateWindowExA say; its
//                  title is the page's, where browsers drop leading and
//                  trailing blanks; its icon is the page's. (window.cpp, web/)
//    -    -    x   Sizes and pointer coordinates are device pixels, as for a
//                  DPI-aware program on Windows: the canvas's size on the page
//                  is its size over the device pixel ratio the page had when
//                  it was made. When the ratio changes (the browser's zoom,
//                  another screen), the canvas keeps its size on the page and
//                  its buffer follows the ratio, with a WM_SIZE; a size asked
//                  for later is taken at the first ratio, so that the window
//                  asking its size back changes nothing. (browser.cpp)
//    x    x    x   ShowWindow shows the window as it is, whatever the command
//                  (the viewer gives SW_SHOWDEFAULT); minimising and
//                  maximising come from the window manager. (window.cpp)
//    x    x    x   Messages never sent: WM_ACTIVATE, WM_ERASEBKGND (BeginPaint
//                  sets fErase instead), WM_KEYUP, WM_SYSKEYDOWN, WM_SETFOCUS,
//                  WM_KILLFOCUS, the non-client, right and middle button and
//                  wheel messages. WM_CREATE's lParam is 0. (queue.cpp)
//    x    x    x   WM_KEYDOWN has a virtual-key code only for letters, digits
//                  and Escape (0 for other keys) and lParam 1. WM_CHAR comes
//                  from the text SDL reports, one message a byte of UTF-8 (the
//                  ANSI code page), and for Escape; other keys that type no
//                  text (Return, Tab, Ctrl with a letter) give none. (queue.cpp)
//    -    -    x   Keys other than letters, digits and Escape, and every key
//                  with Ctrl, Alt or Meta, are the browser's: they give no
//                  message, and the page keeps their default actions (Tab,
//                  scrolling, reloading...), as it keeps the wheel's.
//                  (browser.cpp)
//    x    x    x   The pointer messages' wParam has MK_LBUTTON only.
//                  (queue.cpp)
//    x    x    -   SetCapture takes the pointer where SDL can, which needs the
//                  keyboard focus, and only while the left button is down;
//                  without it, X11 still sends a pressed button's moves and
//                  release to the window. SDL lets the
//                  capture go with the focus: WM_CAPTURECHANGED is then posted
//                  in order with the input rather than sent, and MK_LBUTTON is
//                  cleared, since the release goes to another window. A
//                  destroyed window is not told that its capture ends.
//                  (window.cpp, queue.cpp)
//    x    x    -   While the left button is down and no window has the
//                  capture, its moves and release outside every window go to
//                  the window that got the press, as X11 and Wayland send
//                  them; on Win32 they go to the window under the pointer. The
//                  press's handler, which takes the capture, may not have run
//                  yet when they come (all three in one burst): they reach it
//                  all the same. (queue.cpp)
//    -    -    x   The pointer comes from the page's pointer events (SDL's stop
//                  at the canvas's edge), and SetCapture is the page's pointer
//                  capture of the pressed button; the page losing the focus
//                  takes it as on the desktop. A touch is the left button (a
//                  second finger is not seen). A press on the canvas is
//                  followed wherever its moves and release go, and its release
//                  is seen whatever other button is held. A pointer that the
//                  browser cancels (a system gesture), or whose capture it
//                  takes while the button is down, ends the drag as a lost
//                  capture does on the desktop. Pointer messages that come in
//                  one wait follow the keys of that wait. (browser.cpp, queue.cpp)
//    x    x    x   PeekMessageA and GetMessageA take no window or message
//                  filter (they fail when given one). GetMessageA with neither
//                  a display nor a timer fails instead of waiting for ever.
//                  (queue.cpp)
//    -    -    x   GetMessageA gives the browser control while it waits, and
//                  SwapBuffers until the display's next refresh, when the page
//                  shows the frame (requestAnimationFrame). While the browser
//                  has taken the WebGL context away (a GPU reset, say),
//                  SwapBuffers waits until it is back or input comes; when it
//                  is back, OpenGL keeps its state and every shown window gets
//                  WM_PAINT, as after an exposure. (browser.cpp)
//    x    x    x   SetTimer: window timers only, without a TIMERPROC; at least
//                  10 ms. (queue.cpp)
//    x    x    -   SIGINT and SIGTERM, which SDL turns into a quit event, close
//                  the focused window as its close button does (POSIX).
//                  (queue.cpp, display.cpp)
//    x    x    x   Every window behaves as CS_OWNDC. (window.cpp)
//    x    x    x   Every pixel format is true colour: RealizePalette maps
//                  nothing and a palette keeps no entries. Pixel formats are
//                  numbered as ChoosePixelFormat finds them, each read back
//                  from a real context, except in the browser, whose one
//                  canvas a probe would take: there the format is the one asked
//                  for, and a page without WebGL fails at wglCreateContext.
//                  (gdi.cpp)
//    x    x    -   MessageBoxA shows SDL's box: X11's wherever DISPLAY names
//                  an X display that answered, also beside a Wayland window
//                  (XWayland shows the notice), unless a Wayland window owns
//                  it; else Wayland's, which needs the zenity program. Where
//                  neither can (X11's needs core fonts) or there is no
//                  display, the text goes to standard error. While it waits,
//                  SIGINT and SIGTERM end the program unless they were
//                  inherited as ignored (POSIX). (message_box.cpp, display.cpp)
//    -    -    x   MessageBoxA shows the page's modal dialog. GetSystemMetrics
//                  gives the page's height: the page is the screen. Where the
//                  page is too narrow for a square 0.8 of that high with its
//                  margins (a phone upright), it gives the height whose 0.8 is
//                  the side that fits: the viewer sizes its window from the
//                  screen's height alone, and a window wider than the page
//                  would be cut off. (message_box.cpp, browser.cpp, web/)
//    x    x    -   The display must answer within 5 s before SDL opens it, or
//                  the program fails with the cause. SDL then tries the
//                  drivers in SDL_VIDEODRIVER's order (without it, Wayland
//                  then X11: a Wayland session with XWayland sets both, and
//                  only on Wayland is the window sharp at any output scale;
//                  its frame is the compositor's, or libdecor's where the
//                  compositor draws none) up to the first X11 or Wayland
//                  one whose display answered, whatever the environment says;
//                  its invisible fallback drivers count only when named. All
//                  displays are asked at once, and once one has answered the
//                  others have 1 s more: a silent display beside a working
//                  one delays the start by that second, not by 5 s. A display
//                  that has not answered by then is taken out of the
//                  environment (DISPLAY, WAYLAND_DISPLAY), so that no message
//                  box waits on it. (display.cpp)
//    -    x    -   Under Wayland the window's buffer has the output's pixels
//                  (at scale 2, two a point each way), and every size the
//                  layer takes or gives is in them, as for a program that
//                  declares itself DPI-aware on Windows: GetSystemMetrics
//                  (the output's height), CreateWindowExA's and SetWindowPos's
//                  sizes, GetClientRect, WM_SIZE and the pointer messages'
//                  coordinates. SDL's sizes and pointer positions are in the
//                  compositor's points: the layer converts them with the
//                  window's own scale, and a window moved to an output of
//                  another scale gets a WM_SIZE. SDL reports the pointer in
//                  whole points, so at scale 2 its coordinates are even. The
//                  screen's scale is read from the output's own mode, which
//                  SDL lists where the compositor offers wp_viewporter (the
//                  common ones do); without it the screen counts at scale 1.
//                  Window positions are the compositor's (Wayland lets no
//                  client place its windows). Under X11 a point is a pixel.
//                  (display.cpp, window.cpp, queue.cpp)
//    x    x    -   The click that activates a window reaches it. (display.cpp)
//
// The browser's own code is browser.cpp. Every other part for the browser,
// and every part for X11 and Wayland only, is marked on its #if or #else
// line with "browser only:" or "X11 and Wayland only:": a search for either
// finds them all. The browser's are short, most a call into browser.cpp. Narrower
// parts are marked where they stand as well: X11 only (x11.cpp), Linux only
// (prctl and program_invocation_short_name in message_box.cpp) and POSIX
// only (the signals).
#pragma once

#include <GL/gl.h>
#include <cstdint>

#define WINAPI
#define CALLBACK

// ---- Basic types (LLP64 sizes, as on 64-bit Windows) ----------------------
typedef int BOOL;
typedef unsigned char BYTE;
typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef unsigned int UINT;
typedef std::uintptr_t UINT_PTR;
typedef std::intptr_t LONG_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef std::uint16_t ATOM;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef void* LPVOID;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Opaque handles, distinct types as with Win32's STRICT.
#define PLATFORM_DECLARE_HANDLE(name) \
    struct name##__;                  \
    typedef struct name##__* name
PLATFORM_DECLARE_HANDLE(HWND);
PLATFORM_DECLARE_HANDLE(HDC);
PLATFORM_DECLARE_HANDLE(HGLRC);
PLATFORM_DECLARE_HANDLE(HPALETTE);
PLATFORM_DECLARE_HANDLE(HINSTANCE);
PLATFORM_DECLARE_HANDLE(HICON);
PLATFORM_DECLARE_HANDLE(HCURSOR);
PLATFORM_DECLARE_HANDLE(HBRUSH);
PLATFORM_DECLARE_HANDLE(HMENU);
#undef PLATFORM_DECLARE_HANDLE
typedef void* HGDIOBJ;

// ---- Structures ------------------------------------------------------------
typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT;

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT;

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG;

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void(CALLBACK* TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

typedef struct tagWNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
} WNDCLASSA;

typedef struct tagPAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
} PAINTSTRUCT;

typedef struct tagPIXELFORMATDESCRIPTOR {
    WORD nSize;
    WORD nVersion;
    DWORD dwFlags;
    BYTE iPixelType;
    BYTE cColorBits;
    BYTE cRedBits;
    BYTE cRedShift;
    BYTE cGreenBits;
    BYTE cGreenShift;
    BYTE cBlueBits;
    BYTE cBlueShift;
    BYTE cAlphaBits;
    BYTE cAlphaShift;
    BYTE cAccumBits;
    BYTE cAccumRedBits;
    BYTE cAccumGreenBits;
    BYTE cAccumBlueBits;
    BYTE cAccumAlphaBits;
    BYTE cDepthBits;
    BYTE cStencilBits;
    BYTE cAuxBuffers;
    BYTE iLayerType;
    BYTE bReserved;
    DWORD dwLayerMask;
    DWORD dwVisibleMask;
    DWORD dwDamageMask;
} PIXELFORMATDESCRIPTOR;

typedef struct tagPALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
} PALETTEENTRY;

typedef struct tagLOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
} LOGPALETTE;

// ---- Macros ----------------------------------------------------------------
#define MAKEINTRESOURCEA(i) ((LPSTR)((UINT_PTR)((WORD)(i))))
#define LOWORD(l) ((WORD)(((UINT_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((UINT_PTR)(l)) >> 16) & 0xffff))
#define GET_X_LPARAM(lp) ((int)(short)LOWORD(lp))
#define GET_Y_LPARAM(lp) ((int)(short)HIWORD(lp))

// ---- Constants (Win32's own values) -----------------------------------------
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_SIZE 0x0005
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_QUERYNEWPALETTE 0x030F
#define WM_PALETTECHANGED 0x0311
#define WM_KEYDOWN 0x0100
#define WM_CHAR 0x0102
#define WM_TIMER 0x0113
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_CAPTURECHANGED 0x0215

// Button and modifier state in wParam of the pointer messages.
#define MK_LBUTTON 0x0001

#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_OWNDC 0x0020

#define WS_OVERLAPPED 0x00000000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_THICKFRAME 0x00040000L
#define WS_SYSMENU 0x00080000L
#define WS_CAPTION 0x00C00000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_OVERLAPPEDWINDOW \
    (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)

#define SW_SHOWDEFAULT 10

#define SWP_NOMOVE 0x0002
#define HWND_TOP ((HWND)0)

#define MB_OK 0x00000000L
#define MB_ICONHAND 0x00000010L
#define IDOK 1

#define PFD_DOUBLEBUFFER 0x00000001
#define PFD_DRAW_TO_WINDOW 0x00000004
#define PFD_SUPPORT_OPENGL 0x00000020
#define PFD_NEED_PALETTE 0x00000080
#define PFD_TYPE_RGBA 0
#define PFD_TYPE_COLORINDEX 1
#define PFD_MAIN_PLANE 0

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

#define SM_CYSCREEN 1

#define IDC_ARROW MAKEINTRESOURCEA(32512)

#define SIZE_RESTORED 0
#define SIZE_MINIMIZED 1
#define SIZE_MAXIMIZED 2

#define VK_ESCAPE 0x1B

// ---- Process ----------------------------------------------------------------
// The program's instance handle (for a null name).
HINSTANCE WINAPI GetModuleHandleA(LPCSTR moduleName);

// ---- Window manager (USER) ---------------------------------------------------
HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name);
HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name);
ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass);
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
int WINAPI GetSystemMetrics(int index);
HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param);
BOOL WINAPI ShowWindow(HWND window, int showCommand);
BOOL WINAPI UpdateWindow(HWND window);
BOOL WINAPI PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL WINAPI GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax);
BOOL WINAPI TranslateMessage(const MSG* msg);
LRESULT WINAPI DispatchMessageA(const MSG* msg);
LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC timerFunc);
HDC WINAPI GetDC(HWND window);
int WINAPI ReleaseDC(HWND window, HDC dc);
HDC WINAPI BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT* paint);
BOOL WINAPI SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
void WINAPI PostQuitMessage(int exitCode);
BOOL WINAPI DestroyWindow(HWND window);
HWND WINAPI SetCapture(HWND window);
BOOL WINAPI ReleaseCapture(void);
HWND WINAPI WindowFromDC(HDC dc);
BOOL WINAPI GetClientRect(HWND window, RECT* rect);

// ---- Graphics device interface (GDI) -----------------------------------------
int WINAPI ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* request);
BOOL WINAPI SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* request);
int WINAPI GetPixelFormat(HDC dc);
int WINAPI DescribePixelFormat(HDC dc, int format, UINT bytes, PIXELFORMATDESCRIPTOR* description);
HPALETTE WINAPI CreatePalette(const LOGPALETTE* palette);
HPALETTE WINAPI SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
UINT WINAPI RealizePalette(HDC dc);
BOOL WINAPI UnrealizeObject(HGDIOBJ object);
BOOL WINAPI SwapBuffers(HDC dc);

// ---- WGL -----------------------------------------------------------------------
HGLRC WINAPI wglCreateContext(HDC dc);
BOOL WINAPI wglMakeCurrent(HDC dc, HGLRC context);
BOOL WINAPI wglDeleteContext(HGLRC context);
