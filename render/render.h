// Rendering: the pixel format and palette, the scene set once per context,
// the frames and their scheduling at idle time. Each entry point says which
// `viewer` fields it reads and writes and what OpenGL state it leaves.
#pragma once

#include "platform/win32.h"

// Gives the device context the viewer's pixel format: RGBA, double-buffered
// when doubleBuffered is 1, with a 16-bit depth buffer when depthBuffered is
// 1. When the platform has no such format it fails (FailRenderingSetup).
void SetupPixelFormat(HDC deviceContext);
// Shows the "Error" box with the text and the stop icon, owned by the device
// context's window, then ends the process with status 1.
[[noreturn]] void FailRenderingSetup(HDC deviceContext, const char* text);
// Where the context's format needs a palette (never on a true-colour
// display), makes the colour cube of the format, selects and realises it and
// stores it in `palette`.
void SetupPalette(HDC deviceContext);
// Entry `index` of that colour cube: each component's level in the index,
// scaled to 0..255; 0 for a component the format does not have.
PALETTEENTRY PaletteEntryFor(int index, const PIXELFORMATDESCRIPTOR& format);

// Sets the state of a fresh rendering context that stays for its life: fog
// parameters (fog itself off), the projection for clientWidth x clientHeight,
// two-sided lighting, lights 0 to 6 (light 2 left for the frames to enable)
// and the checker texture (never enabled). Leaves GL_MODELVIEW current and
// sets spinMatrix to the identity. Needs the context current.
void InitScene();
// The viewport and the projection for a client area of clientWidth x
// clientHeight (both positive). Leaves GL_MODELVIEW current.
void FitSceneToClientArea();

// Draws one frame and presents it on deviceContext: the background (the fog
// colour's when fogOn), the mesh lit (lightingOn) with the front and back
// materials, in lines when wireframeOn, under panOffset and spinMatrix, which
// the spin step turns first when spinActive is 1. Leaves lighting, the depth
// test and face culling disabled and polygons filled, whatever it drew.
void DrawFrame();
// The spin step: spinMatrix := R x spinMatrix, with R the turn by spinAngle
// about spinAxis (none when the axis is too short to give a direction), then
// made orthonormal again. Leaves the OpenGL matrices as they were.
void SpinStep();

// Asks for a frame at the next idle moment: puts RedrawHook into redrawHook
// unless it is there already, so that requests before a frame make one.
void RequestRedraw();
// What the message loop calls when nothing waits: empties redrawHook first
// unless keepAnimating is 1, then draws a frame; without a rendering context
// it only empties the hook.
void RedrawHook();
