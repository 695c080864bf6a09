// The one state record of the OpenGL 1.1 layer and the helpers its parts share.
#pragma once

#include <GL/gl.h>

#include <vector>

#include "fixedgl/fixedgl.h"

// The OpenGL ES 2.0 functions the layer calls, loaded by these names.
#define FIXEDGL_ES_FUNCTIONS(F)                                                            \
    F(void, Enable, (GLenum))                                                              \
    F(void, Disable, (GLenum))                                                             \
    F(void, Clear, (GLbitfield))                                                           \
    F(void, ClearColor, (GLclampf, GLclampf, GLclampf, GLclampf))                          \
    F(void, Flush, ())                                                                     \
    F(void, Viewport, (GLint, GLint, GLsizei, GLsizei))                                    \
    F(void, GetIntegerv, (GLenum, GLint*))                                                 \
    F(GLuint, CreateShader, (GLenum))                                                      \
    F(void, ShaderSource, (GLuint, GLsizei, const GLchar* const*, const GLint*))           \
    F(void, CompileShader, (GLuint))                                                       \
    F(void, GetShaderiv, (GLuint, GLenum, GLint*))                                         \
    F(void, DeleteShader, (GLuint))                                                        \
    F(GLuint, CreateProgram, ())                                                           \
    F(void, AttachShader, (GLuint, GLuint))                                                \
    F(void, BindAttribLocation, (GLuint, GLuint, const GLchar*))                           \
    F(void, LinkProgram, (GLuint))                                                         \
    F(void, GetProgramiv, (GLuint, GLenum, GLint*))                                        \
    F(void, UseProgram, (GLuint))                                                          \
    F(void, DeleteProgram, (GLuint))                                                       \
    F(GLint, GetUniformLocation, (GLuint, const GLchar*))                                  \
    F(void, Uniform1i, (GLint, GLint))                                                     \
    F(void, Uniform2f, (GLint, GLfloat, GLfloat))                                          \
    F(void, Uniform3f, (GLint, GLfloat, GLfloat, GLfloat))                                 \
    F(void, GenBuffers, (GLsizei, GLuint*))                                                \
    F(void, BindBuffer, (GLenum, GLuint))                                                  \
    F(void, BufferData, (GLenum, GLsizeiptr, const void*, GLenum))                         \
    F(void, DeleteBuffers, (GLsizei, const GLuint*))                                       \
    F(void, VertexAttribPointer, (GLuint, GLint, GLenum, GLboolean, GLsizei, const void*)) \
    F(void, EnableVertexAttribArray, (GLuint))                                             \
    F(void, DrawArrays, (GLenum, GLint, GLsizei))                                          \
    F(void, GenTextures, (GLsizei, GLuint*))                                               \
    F(void, BindTexture, (GLenum, GLuint))                                                 \
    F(void, DeleteTextures, (GLsizei, const GLuint*))                                      \
    F(void, TexParameteri, (GLenum, GLenum, GLint))                                        \
    F(void, TexImage2D,                                                                    \
      (GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*))        \
    F(void, PixelStorei, (GLenum, GLint))

namespace fixedgl {

struct EsFunctions {
#define FIXEDGL_ES_MEMBER(result, name, parameters) result(GLAPIENTRY* name) parameters;
    FIXEDGL_ES_FUNCTIONS(FIXEDGL_ES_MEMBER)
#undef FIXEDGL_ES_MEMBER
};

constexpr int kLightCount = 8;
constexpr int kStackDepth = 32;  // of both matrix stacks, as in Mesa

struct Light {
    bool enabled;
    float ambient[4], diffuse[4], specular[4];
    float position[4];  // in eye coordinates, through the model-view matrix of its setting
};

struct Material {
    float ambient[4], diffuse[4], specular[4], emission[4];
    float shininess;
};

// A vertex as glVertex3f leaves it: transformed, lit and placed in the window.
struct Vertex {
    float clip[4];
    // Window position in pixels, x to the right and y down from the top of
    // the viewport, the way the rasterizer counts rows.
    float x, y;
    float colour[2][4];  // front and back, clamped to [0, 1]
    float fogDistance;   // |eye z|, the distance EXP and EXP2 fog use
};

// What one ES vertex carries to the shaders.
struct EsVertex {
    float position[4];  // clip coordinates
    float colour[4];
    float fogDistance;
};

// Quantities that stay fixed through a glBegin/glEnd batch, worked out at glBegin.
struct BatchSetup {
    float modelViewProjection[16];
    float normalMatrix[9];  // inverse transpose of the model-view's 3x3, row-major
    int lightCount;
    float direction[kLightCount][3];   // unit vector towards each light, eye space
    float halfVector[kLightCount][3];  // unit halfway vector for a viewer at infinity
    // Per face: light model ambient x material ambient + emission, and the
    // products of each light's colours with the material's.
    float sceneColour[2][4];
    float ambient[2][kLightCount][3], diffuse[2][kLightCount][3], specular[2][kLightCount][3];
};

struct State {
    // Set by FixedGlAttach, cleared by FixedGlDetach; every ES call waits for it.
    bool attached;
    EsFunctions es;  // the ES context's functions, loaded at attach
    GLuint program;  // the one shader pair: colour per vertex, fog per fragment
    GLuint buffer;   // the vertex buffer each batch is streamed into
    GLuint texture;  // stands for OpenGL's default texture, which WebGL lacks
    GLint fogOnUniform, fogUniform, fogColourUniform;  // where the fog settings go

    // Matrices, column-major as OpenGL stores them: the stacks glPushMatrix
    // and glPopMatrix work on, the top of each applying to vertices.
    GLenum matrixMode;  // the stack matrix calls change
    float modelView[kStackDepth][16];
    float projection[kStackDepth][16];
    int modelViewDepth, projectionDepth;  // entries in use, at least 1

    // Lighting, applied per vertex when `lighting` is on.
    bool lighting;
    bool twoSided;          // GL_LIGHT_MODEL_TWO_SIDE: back faces get their own colour
    float modelAmbient[4];  // GL_LIGHT_MODEL_AMBIENT, never set by the viewer
    Light lights[kLightCount];
    Material materials[2];  // front, back

    // Rasterization and per-fragment state. The depth test, the clear colour
    // and the viewport are passed on to the ES context and kept for a
    // context that comes back empty (FixedGlRestore); texturing is never
    // applied (no texture coordinates are ever given), so nothing of it is kept.
    bool depthTest;
    float clearColour[4];
    bool cullFace;          // culls back faces before the ES context sees them
    GLenum polygonMode[2];  // front, back: GL_FILL or GL_LINE
    float lineWidth;        // of polygon edges in GL_LINE mode
    bool fog;               // the fragment shader blends towards fogColour
    GLenum fogMode;         // GL_EXP or GL_EXP2
    float fogDensity;
    float fogColour[4];
    GLint viewport[4];  // x, y, width, height: where clip coordinates land

    // The batch between glBegin and glEnd.
    bool inBatch;
    bool triangles;   // the batch is GL_TRIANGLES; other modes draw nothing
    float normal[3];  // the current normal, given to the next vertex
    BatchSetup setup;
    std::vector<Vertex> vertices;  // the batch's vertices, lit as they came
    std::vector<EsVertex> stream;  // what the batch sends to the ES context
};

extern State fixedglState;

// Shared by the parts of the layer.
float* CurrentMatrix();
void MultiplyMatrix(float* matrix, const float* factor);  // matrix := matrix x factor
void PrepareBatch();
void LightVertex(const float* eyeNormal, Vertex& vertex);
void DrawBatch();

}  // namespace fixedgl
