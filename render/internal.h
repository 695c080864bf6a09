// What the files of render/ share. Nothing outside render/ includes this.
#pragma once

// Directions (w = 0) of lights 1 to 6, set once and again in every frame.
extern const float lightPositions[6][4];

// Every turn the viewer applies goes through this: glRotatef, except that an
// axis too short to give a direction (or not a number) turns nothing, where
// OpenGL leaves the result undefined.
void ApplyRotation(float angle, float x, float y, float z);
