#include "tests/support/x_input.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <time.h>

#include <string>
#include <vector>

namespace {

long NowMs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000L + t.tv_nsec / 1000000L;
}

void Key(Display* display, KeySym key, bool down) {
    KeyCode code = XKeysymToKeycode(display, key);
    if (code == 0) return;
    XTestFakeKeyEvent(display, code, down ? True : False, CurrentTime);
    XSync(display, False);
}

Window Search(Display* display, Window window, const std::string& name) {
    // The name's bytes whatever its encoding (STRING, UTF8_STRING, ...).
    XTextProperty text = {};
    if (XGetWMName(display, window, &text) && text.value) {
        bool same = name == std::string(reinterpret_cast<char*>(text.value), text.nitems);
        XFree(text.value);
        XWindowAttributes attributes;
        if (same && XGetWindowAttributes(display, window, &attributes) &&
            attributes.map_state == IsViewable)
            return window;
    }
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return 0;
    std::vector<Window> list(children, children + count);
    if (children) XFree(children);
    for (Window child : list)
        if (Window w = Search(display, child, name)) return w;
    return 0;
}

int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

Display* OpenTestDisplay() {
    XSetErrorHandler(IgnoreErrors);  // windows may vanish while they are looked at
    return XOpenDisplay(nullptr);
}

void MovePointer(Display* display, int screenX, int screenY) {
    XTestFakeMotionEvent(display, -1, screenX, screenY, CurrentTime);
    XSync(display, False);
}

void PressButton(Display* display, unsigned button) {
    XTestFakeButtonEvent(display, button, True, CurrentTime);
    XSync(display, False);
}

void ReleaseButton(Display* display, unsigned button) {
    XTestFakeButtonEvent(display, button, False, CurrentTime);
    XSync(display, False);
}

void PressKey(Display* display, KeySym key) {
    Key(display, key, true);
}
void ReleaseKey(Display* display, KeySym key) {
    Key(display, key, false);
}

void TapKey(Display* display, KeySym key) {
    Key(display, key, true);
    Key(display, key, false);
}

Window FindWindowByName(Display* display, const std::string& name, int timeoutMs) {
    long deadline = NowMs() + timeoutMs;
    for (;;) {
        if (Window w = Search(display, DefaultRootWindow(display), name)) return w;
        if (NowMs() >= deadline) return 0;
        timespec pause = {0, 10 * 1000000L};
        nanosleep(&pause, nullptr);
    }
}

bool WindowGeometry(Display* display, Window window, int* x, int* y, int* width, int* height) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return false;
    Window child;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, x, y, &child);
    *width = attributes.width;
    *height = attributes.height;
    return true;
}
