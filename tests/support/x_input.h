// Real input and window lookup on a test X server, through XTest.
#pragma once

#include <X11/Xlib.h>

#include <string>

// Opens a connection to the display named by DISPLAY (see UseXServer), or
// null. Every helper below flushes and waits until the server has handled the
// request, so its events have been sent by the time it returns.
Display* OpenTestDisplay();

void MovePointer(Display* display, int screenX, int screenY);
void PressButton(Display* display, unsigned button);
void ReleaseButton(Display* display, unsigned button);
void PressKey(Display* display, KeySym key);
void ReleaseKey(Display* display, KeySym key);
void TapKey(Display* display, KeySym key);

// The top-level window whose name (WM_NAME) is `name`, waiting up to
// timeoutMs for it to exist and be viewable; 0 when there is none.
Window FindWindowByName(Display* display, const std::string& name, int timeoutMs);

// The window's position on the screen and its size; false if it is gone.
bool WindowGeometry(Display* display, Window window, int* x, int* y, int* width, int* height);
