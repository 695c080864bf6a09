// The program's icon image on systems other than Windows.
#pragma once

#include <cstdint>

// Sets the image of icon resource 101, the program's icon: 32 by 32 pixels,
// 4 bytes each in the order red, green, blue, alpha, rows from the top. The
// pixels are copied. Windows whose class has this icon show it, including
// those already open. Until it is called, LoadIconA still returns the
// program's icon and windows show the window manager's default image.
void SetIconPixels(const std::uint8_t* rgba);
