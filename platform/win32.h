// The one window-system header of the viewer.
//
// On Windows it is the real thing: <windows.h> and the OpenGL 1.1 header.
// Everywhere else it declares the subset of Win32 that the viewer uses, with
// Win32's names, types, values and semantics, implemented on SDL2 in
// platform/ (see win32_sdl.h).
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <GL/gl.h>
#include <windows.h>
#include <windowsx.h>
#else
#include "platform/win32_sdl.h"
#endif
