// Rendering: pixel format and palette, the one-time scene, frames and their
// scheduling at idle time.
#pragma once

#include "model/paraboloid_mesh.h"
#include "platform/win32.h"

// Context set-up. SetupPixelFormat ends the process with status 1 after an
// "Error" box when the device context cannot get an OpenGL format.
void SetupPixelFormat(HDC deviceContext);
void SetupPalette(HDC deviceContext);
// The colour cube for a format: entry i of n = 2^colourBits entries.
PALETTEENTRY PaletteEntryFor(int index, const PIXELFORMATDESCRIPTOR& format);

// Scene set-up, once per rendering context.
extern const float lightPositions[6][4];  // lights 1 to 6
void InitScene();
void SetProjection();
// Viewport and projection for the client area in clientWidth x clientHeight.
void FitSceneToClientArea();
void BuildCheckerTexture();

// Frames.
extern const float materialColours[6];  // front diffuse rgb, back diffuse rgb
void DrawFrame();
// The spin step of a frame: spinMatrix := spin rotation x spinMatrix.
void SpinStep();
void ApplyMaterials();
void DrawMesh();
void DrawMeshFaces(const ParaboloidMesh& mesh);

// Scheduling.
void RequestRedraw();
void RedrawHook();

// Rotations: every rotation the viewer applies goes through this, which
// applies none when the axis is too short to give a direction.
void ApplyRotation(float angle, float x, float y, float z);
// Makes the 3x3 rotation part of a column-major matrix orthonormal again.
void OrthonormaliseRotation(float matrix[16]);
