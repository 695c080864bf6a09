// The virtual trackball: pointer positions on a hemisphere filling the
// client area, and the rotations between them.
#pragma once

#include <cstdint>

struct SpherePoint {
    float x, y, z;
};

SpherePoint PointerToSphere(std::int32_t x, std::int32_t y, std::int32_t width,
                            std::int32_t height);
void TrackballPress(std::int32_t x, std::int32_t y);
void TrackballDrag(std::int32_t x, std::int32_t y);
void TrackballRelease(std::int32_t x, std::int32_t y);
// Ends a drag whose release will not come (the pointer capture was taken
// away, or the button is up) as a release where the pointer was last seen.
void TrackballEndDrag();
