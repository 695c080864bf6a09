// The program's icon as every platform shows it: 32x32 pixels, top row first,
// four bytes each (red, green, blue, alpha; alpha is 0 or 255). These are the
// pixels of the 256-colour image of icon resource 101, drawn by paraboloid-icon.
#pragma once

#include <cstdint>

inline constexpr int kParaboloidIconSize = 32;

extern const std::uint8_t paraboloidIconRgba[kParaboloidIconSize * kParaboloidIconSize * 4];
