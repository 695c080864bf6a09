// The layer's browser part (Emscripten), beside SDL: what the web page gives
// where the desktops have SDL alone.
//
//   - start: SDL's video on the page, which is the display, the page's
//     listeners and the program's end (display.cpp)
//   - the pointer: the canvas's pointer events, kept in the record's browser
//     part until the queue takes them after SDL's events (SDL's own stop at
//     the canvas's edge), and the page's pointer capture (queue.cpp,
//     window.cpp)
//   - the page's controls, whose buttons send what the keys send (queue.cpp),
//     shown while the window exists (window.cpp)
//   - device pixels: the program's sizes and coordinates are the screen's
//     pixels, and the canvas's buffer follows the device pixel ratio
//     (window.cpp, queue.cpp)
//   - the screen's height: the page's (display.cpp)
//   - OpenGL 1.1: fixedgl/ on the WebGL context (wgl.cpp)
//   - control to the browser (ASYNCIFY) while the program waits for input,
//     for the display's next refresh after a frame, or for the page's
//     message box (queue.cpp, gdi.cpp, message_box.cpp)
//   - the browser's own keys and wheel: SDL sees only the keys the program
//     reads, and cancels neither those others nor the wheel (display.cpp)
//   - a lost WebGL context: frames wait while it is gone, and when it comes
//     back OpenGL 1.1 is given it again and the windows are painted anew
//     (gdi.cpp)

#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cctype>
#include <cmath>

#include "fixedgl/fixedgl.h"
#include "platform/internal.h"

// The bodies are JavaScript, which clang-format would take for C++.
// clang-format off

// Listens to the pointer's events, which go to PlatformPagePointer, and to
// every input on the page, which ends a wait. A press of the main button on
// the canvas counts, and so do its moves and its release wherever they come
// until then (whatever other button is held: a release may come as a move
// with `buttons` changed), as a desktop sends them to the window pressed;
// other moves count over the canvas. A second finger does not count.
// Coordinates are the canvas's buffer pixels.
EM_JS(void, PageListen, (), {
    const canvas = Module.canvas;
    Module.wake = () => {};
    const wake = () => Module.wake();
    for (const type of ["keydown", "keyup", "keypress", "pointerdown", "pointermove", "pointerup",
                        "pointercancel", "lostpointercapture", "focus", "blur", "resize"])
        window.addEventListener(type, wake, true);
    // The device pixel ratio's changes (the browser's zoom, another screen).
    const watchRatio = () => matchMedia(`(resolution: ${devicePixelRatio}dppx)`)
        .addEventListener("change", () => { wake(); watchRatio(); }, {once: true});
    watchRatio();
    let pressed = false;  // the main button is down since a press on the canvas
    const take = (event) => {
        if (!event.isPrimary) return;
        const left = (event.buttons & 1) !== 0;
        let kind = 1;  // kPointerMove, and the others as internal.h numbers them
        if (event.type === "pointercancel") {
            kind = 4;
            pressed = false;
        } else if (event.type === "lostpointercapture") {
            kind = 5;
        } else if (pressed && !left) {
            kind = 3;
            pressed = false;
        } else if (left && event.button === 0 && event.target === canvas) {
            kind = 2;
            pressed = true;
        } else if (!pressed && event.target !== canvas) {
            return;
        }
        const rect = canvas.getBoundingClientRect();
        _PlatformPagePointer(kind, Math.floor((event.clientX - rect.left) * canvas.width / rect.width),
                             Math.floor((event.clientY - rect.top) * canvas.height / rect.height),
                             event.pointerId);
    };
    for (const type of ["pointermove", "pointerdown", "pointerup", "pointercancel"])
        window.addEventListener(type, take);
    canvas.addEventListener("lostpointercapture", take);
    // The page's context menu would take the pointer from a drag.
    canvas.addEventListener("contextmenu", (event) => event.preventDefault());
    // Keys the program does not read are the browser's: SDL, which listens on
    // the window too, once its window exists, but later than this, would
    // cancel many of them (Tab, the arrows, F5, Ctrl+L...). Only letters,
    // digits and Escape, without Ctrl, Alt or Meta, go on to it.
    const programKey = (event) => !event.ctrlKey && !event.altKey && !event.metaKey &&
                                  (/^[a-z0-9]$/i.test(event.key) || event.key === "Escape");
    for (const type of ["keydown", "keyup", "keypress"])
        window.addEventListener(type, (event) => programKey(event) || event.stopImmediatePropagation());
    // A lost WebGL context (a GPU reset, say) may come back only if its loss
    // is cancelled; while the program has a context (GLctx, Emscripten's
    // current one) it is, and a context that is back gets OpenGL 1.1 anew.
    canvas.addEventListener("webglcontextlost", (event) => GLctx && event.preventDefault());
    canvas.addEventListener("webglcontextrestored", () => {
        if (!GLctx) return;
        _PlatformPageRestored();
        wake();
    });
});

// Once the program has waited (ASYNCIFY), it no longer runs under main's
// first call, where Emscripten ends it: its end, main's return or exit(),
// comes back through the wait that resumed it, and the runtime hands it to
// the promise taken here. A returned status goes to exit(), which tells the
// page (Module.onExit); the ExitStatus that exit() throws to stop the program
// stops here, where it would otherwise be an uncaught exception.
EM_JS(void, PageEndAfterWaits, (), {
    const ended = (e) => {
        if (!(e instanceof ExitStatus)) throw e;
    };
    Asyncify.whenDone().then((status) => {
        try {
            exit(status);
        } catch (e) {
            ended(e);
        }
    }, ended);
});

EM_JS(void, PageCapturePointer, (int capture, int pointerId), {
    try {
        if (capture)
            Module.canvas.setPointerCapture(pointerId);
        else
            Module.canvas.releasePointerCapture(pointerId);
    } catch (e) {
        // The button is up already: there is nothing to capture or release.
    }
});

EM_JS(int, PageScreenHeight, (), { return paraboloidScreenHeight(); });

EM_JS(double, PageRatio, (), { return devicePixelRatio; });

// The canvas's size on the page, in CSS pixels.
EM_JS(void, PageCanvasSize, (double width, double height), {
    Module.canvas.style.width = width + "px";
    Module.canvas.style.height = height + "px";
});

EM_JS(void, PageWindowShown, (int shown), { paraboloidWindowShown(shown !== 0); });

// Waits (ASYNCIFY: the browser runs meanwhile) for the page's message box to
// be dismissed.
EM_ASYNC_JS(void, PageMessageBox, (const char* caption, const char* text, int error), {
    await paraboloidMessageBox(UTF8ToString(caption), UTF8ToString(text), error !== 0);
});

// Waits for the display's next refresh: the frame just drawn is shown
// meanwhile, as a desktop driver that waits for the display shows it.
EM_ASYNC_JS(void, PageNextFrame, (),
            { await new Promise((resolve) => requestAnimationFrame(resolve)); });

EM_JS(int, PageContextLost, (), { return GLctx && GLctx.isContextLost() ? 1 : 0; });

// Waits until any input comes or `ms` (-1: no limit) have passed.
EM_ASYNC_JS(void, PageWait, (int ms), {
    await new Promise((resolve) => {
        Module.wake = resolve;
        if (ms >= 0) setTimeout(resolve, ms);
    });
    Module.wake = () => {};
});

// clang-format on

// A pointer event from the page's listeners, which call it while the program
// waits (as SDL's own event callbacks do): it joins the record until the
// queue takes it.
extern "C" EMSCRIPTEN_KEEPALIVE void PlatformPagePointer(int kind, int x, int y, int pointerId) {
    platform::BrowserState& browser = platform::platformState.browser;
    if (kind == platform::kPointerPress) browser.pointerId = pointerId;
    // Another pointer's capture is none of the window's.
    if (kind == platform::kPointerLost && pointerId != browser.pointerId) return;
    browser.pointerEvents.push_back(platform::PagePointer{kind, x, y});
}

// The page's WebGL context is back after a loss, empty (the page's listener
// calls it while the program waits): OpenGL 1.1 is given it again, with its
// state as it was, and the windows are painted anew, as after an exposure.
extern "C" EMSCRIPTEN_KEEPALIVE void PlatformPageRestored() {
    FixedGlRestore();
    for (const std::unique_ptr<platform::Window>& w : platform::platformState.windows)
        if (w->alive) platform::Invalidate(w.get());
}

// A control of the page: the key that types `character` (27: Escape).
extern "C" EMSCRIPTEN_KEEPALIVE void PlatformPageKey(int character) {
    platform::platformState.browser.keys.push_back(character);
}

namespace platform {
namespace {

// The canvas's buffer for its size on the page at the ratio it has now.
void SizeBuffer(SDL_Window* native) {
    const BrowserState& b = platformState.browser;
    SDL_SetWindowSize(native, std::max(1, static_cast<int>(std::lround(b.cssWidth * b.ratio))),
                      std::max(1, static_cast<int>(std::lround(b.cssHeight * b.ratio))));
}

}  // namespace

bool BrowserStartVideo() {
    if (!OpenVideo("emscripten")) return false;
    PageListen();
    PageEndAfterWaits();
    // The wheel over the canvas scrolls the page: SDL cancels it only while
    // its wheel events are on, and no message comes of them.
    SDL_EventState(SDL_MOUSEWHEEL, SDL_DISABLE);
    return true;
}

void BrowserQueuePointer() {
    std::deque<PagePointer>& events = platformState.browser.pointerEvents;
    for (; !events.empty(); events.pop_front()) {
        const PagePointer p = events.front();
        Window* w = FromHandle(platformState.capture);
        Window* captured = w;
        if (!w) w = FocusWindow();
        // The browser took the pointer (a cancelled touch, a capture lost
        // while the button is down): the drag ends as a lost release does.
        const bool lost = p.kind == kPointerLost && platformState.leftButtonDown;
        if (captured && (lost || p.kind == kPointerCancel)) LoseCapture(captured, Now());
        if (p.kind == kPointerCancel) platformState.leftButtonDown = false;
        // A release after that is no longer the window's.
        if (p.kind == kPointerPress || (p.kind == kPointerRelease && platformState.leftButtonDown))
            PushButton(w, p.kind == kPointerPress, p.x, p.y, Now());
        else if ((p.kind == kPointerMove || p.kind == kPointerRelease) && w)
            PushPointer(w, WM_MOUSEMOVE, p.x, p.y, Now());
    }
}

void BrowserQueueKeys() {
    std::deque<int>& keys = platformState.browser.keys;
    for (; !keys.empty(); keys.pop_front()) {
        const int c = keys.front();
        if (Window* w = FocusWindow()) {
            const char text[2] = {c == 27 ? '\0' : static_cast<char>(c), '\0'};
            PushKey(w, c == 27 ? VK_ESCAPE : std::toupper(c), text, Now());
        }
    }
}

void BrowserCanvasMade(SDL_Window* native, int width, int height) {
    // SDL's touch listeners would cancel the browser's handling of every
    // touch that ends, which the page's pointer events already follow: the
    // canvas's own style (touch-action) keeps the browser from scrolling.
    emscripten_set_touchstart_callback("#canvas", nullptr, 0, nullptr);
    emscripten_set_touchmove_callback("#canvas", nullptr, 0, nullptr);
    emscripten_set_touchend_callback("#canvas", nullptr, 0, nullptr);
    emscripten_set_touchcancel_callback("#canvas", nullptr, 0, nullptr);
    BrowserState& b = platformState.browser;
    b.ratio = b.sizeRatio = PageRatio();
    BrowserRequestSize(native, width, height);
    PageWindowShown(1);
}

void BrowserCanvasGone() {
    PageWindowShown(0);
}

void BrowserRequestSize(SDL_Window* native, int width, int height) {
    BrowserState& b = platformState.browser;
    b.cssWidth = width / b.sizeRatio;
    b.cssHeight = height / b.sizeRatio;
    PageCanvasSize(b.cssWidth, b.cssHeight);
    SizeBuffer(native);
}

void BrowserFollowRatio() {
    BrowserState& b = platformState.browser;
    const double ratio = PageRatio();
    if (ratio == b.ratio) return;
    b.ratio = ratio;
    for (auto& w : platformState.windows)
        if (w->alive && w->native) SizeBuffer(w->native);
}

void BrowserCapturePointer(bool capture) {
    PageCapturePointer(capture ? 1 : 0, platformState.browser.pointerId);
}

int BrowserScreenHeight() {
    return PageScreenHeight();
}

SDL_GLContext BrowserCreateContext(SDL_Window* native) {
    SDL_GLContext gl = SDL_GL_CreateContext(native);
    if (gl && !FixedGlAttach(SDL_GL_GetProcAddress)) {
        SDL_GL_DeleteContext(gl);
        return nullptr;
    }
    return gl;
}

void BrowserDetachContext(SDL_Window* native, SDL_GLContext gl) {
    if (SDL_GL_MakeCurrent(native, gl) == 0) FixedGlDetach();
}

void BrowserMessageBox(const char* caption, const char* text, bool error) {
    PageMessageBox(caption, text, error ? 1 : 0);
}

void BrowserPresent() {
    PageNextFrame();
    // A lost context shows nothing: the next frame waits until it is back
    // (PlatformPageRestored) or input comes.
    if (PageContextLost()) PageWait(-1);
}

void BrowserWait(int ms) {
    PageWait(ms);
}

}  // namespace platform
