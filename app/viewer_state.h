// The viewer's one mutable record: window, context, display switches, spin
// and trackball state. One instance, `viewer`, lives from load to exit and is
// touched only by the thread that runs the message loop.
#pragma once

#include "platform/win32.h"

#include <cstdint>

using RedrawFunction = void (*)();

struct ViewerState {
    const char* windowClassName;
    const char* windowTitle;
    std::int32_t windowX, windowY;
    std::int32_t windowWidth, windowHeight;  // outer size, square once set

    HDC deviceContext;
    HGLRC renderContext;        // non-null while a rendering context exists
    HPALETTE palette;           // null unless the pixel format needs one
    RedrawFunction redrawHook;  // empty, or RedrawHook

    std::int32_t doubleBuffered;
    std::int32_t depthBuffered;
    std::int32_t lightingOn;
    std::int32_t fogOn;
    std::int32_t wireframeOn;

    std::int32_t spinActive;     // each frame turns spinMatrix by the spin rotation
    std::int32_t keepAnimating;  // the redraw hook stays installed after a frame
    std::int32_t dragging;       // left button pressed in the window, not yet released
    float spinAngle;             // degrees per frame
    float spinAxis[3];           // not normalised
    float spinMatrix[16];        // accumulated model rotation, column-major
    float panOffset[2];
    float lastSpherePoint[3];
    std::int32_t pressX, pressY;

    float stepParameter;  // stepped by keys j and k; nothing reads it yet
};

extern ViewerState viewer;
