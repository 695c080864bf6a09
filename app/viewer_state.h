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
    std::int32_t windowWidth, windowHeight;  // outer size asked for, square once set
    // The client area the frames fill and the trackball spans: what the
    // window really has (a tiling window manager may hold it at another
    // size than asked for). Set at creation and by every WM_SIZE.
    std::int32_t clientWidth, clientHeight;

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
    // The model's shift in x and y, outside spinMatrix, in every frame's
    // model transform; nothing moves it yet, so it stays 0.
    float panOffset[2];
    float lastSpherePoint[3];
    std::int32_t pressX, pressY;
    // The pointer's last position in the drag: where a drag whose release
    // never comes (the capture taken away) is ended.
    std::int32_t dragX, dragY;

    float stepParameter;  // stepped by keys j and k; nothing reads it yet
};

extern ViewerState viewer;
