// The virtual trackball: pointer positions on a hemisphere that fills the
// client area (clientWidth x clientHeight), and the turns between them, which
// the frames apply to spinMatrix.
//
// States, as (dragging, spinActive, keepAnimating):
//
//   Spinning (0, 1, 1)  every frame turns by spinAngle about spinAxis; the
//                       state at start, -0.5 degrees about (0, 1, 0)
//   Dragging (1, 1, 0)  each move sets the turn from the previous pointer
//                       position to the new one and asks for one frame
//   Still    (0, 0, 0)  frames only on request, turning nothing
//
//   press                   any state -> Dragging; the turn stays as it was
//                           until the first move
//   move                    in Dragging only: turn := the move's, one frame
//   release at the press    Dragging or Spinning -> Still (a click without
//     position              movement, or a drag back to where it began)
//   release elsewhere       Dragging or Spinning -> Spinning, keeping the last
//                           move's turn: the model is thrown
//   release in Still        nothing
//   drag lost               Dragging -> as a release where the pointer was
//                           last seen (TrackballEndDrag)
#pragma once

#include <cstdint>

struct SpherePoint {
    float x, y, z;
};

// The unit vector over pixel (x, y) of a width x height area: a dome inside
// the inscribed circle (or ellipse), the equator outside it; z towards the
// viewer, y up.
SpherePoint PointerToSphere(std::int32_t x, std::int32_t y, std::int32_t width,
                            std::int32_t height);
// Each reads and writes the fields of the states above and pressX, pressY,
// dragX, dragY, lastSpherePoint, spinAngle and spinAxis; moves and releases
// ask for a frame (RequestRedraw).
void TrackballPress(std::int32_t x, std::int32_t y);
void TrackballDrag(std::int32_t x, std::int32_t y);
void TrackballRelease(std::int32_t x, std::int32_t y);
// Ends a drag whose release will not come (the pointer capture was taken
// away, or the button is up) as a release where the pointer was last seen.
void TrackballEndDrag();
