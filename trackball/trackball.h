// The virtual trackball: pointer positions on a hemisphere filling the
// window, and the rotations between them.
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
