// The pixel format the viewer asks for: a double-buffered RGBA window for
// OpenGL with 8 colour and 16 depth bits.
#pragma once

#include "platform/win32.h"

inline PIXELFORMATDESCRIPTOR ViewerFormatRequest() {
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 8;
    pfd.cDepthBits = 16;
    return pfd;
}
