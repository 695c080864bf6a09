// What the layer asks of X11 itself, beside SDL (x11.cpp).
#pragma once

#include <SDL.h>

namespace platform {

// Asks the X server for a new size of an X11 window; false for a window of
// another video driver.
bool RequestX11Size(SDL_Window* native, int width, int height);

// Xlib ends the program on an X protocol error unless the error is caught;
// setting up OpenGL can raise one (a driver that loads but cannot serve the
// display), and SDL catches them in some of its calls only. Between these
// two calls errors are counted instead; the second waits for every request
// on the window's connection to be answered and returns the count.
void TrapX11Errors();
int UntrapX11Errors(SDL_Window* native);

}  // namespace platform
