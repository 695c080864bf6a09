// What the layer asks of the web page itself, beside SDL. Browser only
// (Emscripten): the page is the screen, the message box is a dialog in it,
// the program gives the browser control back while it waits or has drawn a
// frame, and the pointer comes from the page's pointer events, which can be
// captured (SDL's own mouse events stop at the canvas's edge).

#include <emscripten.h>

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

namespace platform {

void BrowserListen() {
    PageListen();
}

PagePointer BrowserTakePointer() {
    std::deque<PagePointer>& events = platformState.browser.pointerEvents;
    if (events.empty()) return PagePointer{};
    const PagePointer p = events.front();
    events.pop_front();
    return p;
}

void BrowserCapturePointer(bool capture) {
    PageCapturePointer(capture ? 1 : 0, platformState.browser.pointerId);
}

int BrowserScreenHeight() {
    return PageHeight();
}

void BrowserMessageBox(const char* caption, const char* text, bool error) {
    PageMessageBox(caption, text, error ? 1 : 0);
}

void BrowserNextFrame() {
    PageNextFrame();
}

void BrowserWait(int ms) {
    PageWait(ms);
}

}  // namespace platform
