// The OpenGL 1.1 calls the viewer's rendering code makes, defined with
// OpenGL's own names and signatures (as <GL/gl.h> declares them), computed
// as OpenGL 1.1 computes them and drawn with OpenGL ES 2.0 or WebGL 1.
//
// The library never links an OpenGL library and never calls an ES function
// by its link name: it reaches the ES context only through the function
// pointers that FixedGlAttach loads, so a program links these definitions in
// place of the system's OpenGL.
//
// Only what the viewer uses is there: glBegin(GL_TRIANGLES) batches of
// glNormal3f and glVertex3f; directional lights (positions with w = 0) and a
// viewer at infinity; EXP and EXP2 fog; polygon modes GL_FILL and GL_LINE;
// glGetFloatv of GL_MODELVIEW_MATRIX. The texture calls define the texture,
// but texturing is never applied: the viewer gives no texture coordinates
// and never draws with it enabled, so glEnable(GL_TEXTURE_2D) and glTexEnvi
// are accepted and change nothing. There is no glGetError: calls OpenGL
// would refuse change nothing.
#pragma once

// Returns the address of an OpenGL ES 2.0 function for the current context,
// or null: SDL_GL_GetProcAddress or emscripten_webgl_get_proc_address fit.
using FixedGlLoader = void* (*)(const char* name);

// Call once a fresh OpenGL ES 2.0 context is current on this thread, before
// any OpenGL call. The context needs a depth buffer (16 bits, as the viewer's
// pixel format asks, gives Mesa's picture most closely: lines of equal depth
// then tie as they do there). Lit pixels carry OpenGL's alpha, the material's
// diffuse alpha, so a colour buffer with alpha (a WebGL canvas made without
// alpha: false) lets the page show through. Loads the ES functions, compiles
// the shaders, sets OpenGL 1.1's initial state and takes the context's
// current viewport as the default one, as a new OpenGL context does. Returns
// false, with nothing attached, when a function cannot be loaded or a shader
// does not build.
bool FixedGlAttach(FixedGlLoader loader);

// Call when the ES context has lost everything it held and is back, current
// again (a WebGL context restored after a loss): makes the shader program,
// buffer and texture anew and gives the context the OpenGL 1.1 state the
// layer keeps (viewport, clear colour, depth test), which stays as it was,
// so the next frame draws as the last one did. The functions loaded at
// attach stay. Returns false, detached, when the layer was not attached or
// the shaders do not build.
bool FixedGlRestore();

// Releases the shader program, buffer and texture, with the same context
// still current. While detached, OpenGL calls change the layer's state but
// draw nothing and call no ES function.
void FixedGlDetach();
