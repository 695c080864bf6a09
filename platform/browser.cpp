// The layer's browser part (Emscripten), beside SDL: what the web page gives
// where the desktops have SDL alone.
//
//   - start: SDL's video on the page, which is the display, the page's
//     listeners and the program's end (display.cpp)
//   - the pointer: the canvas's pointer events, kept in the record's browser
//     part until the queue takes them after SDL's events (SDL's own stop at
//     the canvas's edge), and the page's pointer capture (queue.cpp,
//     window.cpp)
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

#include "fixedgl/fixedgl.h"
#include "platform/internal.h"

// The bodies are JavaScript, which clang-format would take for C++.
// clang-format off

// Listens to the canvas's pointer events (moves, and presses and releases of
// the main button), which go to PlatformPagePointer, and to every input on
// the page, which ends a wait.
EM_JS(void, PageListen, (), {
    const canvas = Module.canvas;
    Module.wake = () => {};
    const wake = () => Module.wake();
    for (const type of ["keydown", "keyup", "keypress", "pointerdown", "pointermove", "pointerup",
                        "focus", "blur", "resize"])
        window.addEventListener(type, wake, true);
    const take = (kind) => (event) => {
        if (kind !== 1 && event.button !== 0) return;
        const rect = canvas.getBoundingClientRect();
        _PlatformPagePointer(kind, Math.floor(event.clientX - rect.left),
                             Math.floor(event.clientY - rect.top), event.pointerId);
    };
    canvas.addEventListener("pointermove", take(1));
    canvas.addEventListener("pointerdown", take(2));
    canvas.addEventListener("pointerup", take(3));
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

EM_JS(int, PageHeight, (), { return window.innerHeight; });

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
    if (kind == 2) browser.pointerId = pointerId;
    browser.pointerEvents.push_back(platform::PagePointer{kind, x, y});
}

// The page's WebGL context is back after a loss, empty (the page's listener
// calls it while the program waits): OpenGL 1.1 is given it again, with its
// state as it was, and the windows are painted anew, as after an exposure.
extern "C" EMSCRIPTEN_KEEPALIVE void PlatformPageRestored() {
    FixedGlRestore();
    for (const std::unique_ptr<platform::Window>& w : platform::platformState.windows)
        if (w->alive && w->visible) w->needsPaint = true;
}

namespace platform {

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
        if (!w) w = FocusWindow();
        if (p.kind == 1 && w)
            PushPointer(w, WM_MOUSEMOVE, p.x, p.y, Now());
        else if (p.kind > 1)
            PushButton(w, p.kind == 2, p.x, p.y, Now());
    }
}

void BrowserCapturePointer(bool capture) {
    PageCapturePointer(capture ? 1 : 0, platformState.browser.pointerId);
}

int BrowserScreenHeight() {
    return PageHeight();
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
