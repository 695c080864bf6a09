// The OpenGL 1.1 entry points that set state: switches, matrices, lights,
// materials, fog, rasterization, buffers and the texture. Matrix arithmetic
// is done in single precision in the same order as Mesa's, so matrices read
// back with glGetFloatv agree with Mesa's to the bit.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "fixedgl/state.h"

using fixedgl::fixedglState;

namespace fixedgl {

float* CurrentMatrix() {
    return fixedglState.matrixMode == GL_PROJECTION
               ? fixedglState.projection[fixedglState.projectionDepth - 1]
               : fixedglState.modelView[fixedglState.modelViewDepth - 1];
}

// matrix := matrix x factor, both column-major.
void MultiplyMatrix(float* matrix, const float* factor) {
    for (int i = 0; i < 4; ++i) {
        const float a0 = matrix[i], a1 = matrix[4 + i], a2 = matrix[8 + i], a3 = matrix[12 + i];
        for (int j = 0; j < 4; ++j) {
            const float* b = factor + 4 * j;
            matrix[4 * j + i] = a0 * b[0] + a1 * b[1] + a2 * b[2] + a3 * b[3];
        }
    }
}

namespace {

// The light or material colour a parameter names, or null.
float* LightColour(Light& light, GLenum parameter) {
    switch (parameter) {
        case GL_AMBIENT:
            return light.ambient;
        case GL_DIFFUSE:
            return light.diffuse;
        case GL_SPECULAR:
            return light.specular;
        default:
            return nullptr;
    }
}

float* MaterialColour(Material& material, GLenum parameter) {
    switch (parameter) {
        case GL_AMBIENT:
            return material.ambient;
        case GL_DIFFUSE:
            return material.diffuse;
        case GL_SPECULAR:
            return material.specular;
        case GL_EMISSION:
            return material.emission;
        default:
            return nullptr;
    }
}

// A colour as OpenGL keeps the fog's and the clear colour: clamped to [0, 1].
void SetColour(float* colour, const float* values) {
    for (int i = 0; i < 4; ++i)
        colour[i] = std::fmin(std::fmax(values[i], 0.0f), 1.0f);
}

// Front (0), back (1) or both, for a face argument.
bool FaceRange(GLenum face, int& first, int& last) {
    first = (face == GL_BACK) ? 1 : 0;
    last = (face == GL_FRONT) ? 0 : 1;
    return face == GL_FRONT || face == GL_BACK || face == GL_FRONT_AND_BACK;
}

void SetCapability(GLenum capability, bool on) {
    if (capability >= GL_LIGHT0 && capability < GL_LIGHT0 + kLightCount) {
        fixedglState.lights[capability - GL_LIGHT0].enabled = on;
        return;
    }
    switch (capability) {
        case GL_LIGHTING:
            fixedglState.lighting = on;
            break;
        case GL_FOG:
            fixedglState.fog = on;
            break;
        case GL_CULL_FACE:
            fixedglState.cullFace = on;
            break;
        case GL_DEPTH_TEST:
            fixedglState.depthTest = on;
            if (fixedglState.attached)
                (on ? fixedglState.es.Enable : fixedglState.es.Disable)(GL_DEPTH_TEST);
            break;
        default:
            break;
    }
}

}  // namespace

}  // namespace fixedgl

using namespace fixedgl;

extern "C" {

void GLAPIENTRY glEnable(GLenum capability) {
    SetCapability(capability, true);
}

void GLAPIENTRY glDisable(GLenum capability) {
    SetCapability(capability, false);
}

// ---- Matrices ----------------------------------------------------------------

void GLAPIENTRY glMatrixMode(GLenum mode) {
    if (mode == GL_MODELVIEW || mode == GL_PROJECTION) fixedglState.matrixMode = mode;
}

void GLAPIENTRY glLoadIdentity() {
    float* matrix = CurrentMatrix();
    for (int i = 0; i < 16; ++i)
        matrix[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

void GLAPIENTRY glMultMatrixf(const GLfloat* factor) {
    if (factor != nullptr) MultiplyMatrix(CurrentMatrix(), factor);
}

void GLAPIENTRY glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top,
                        GLdouble nearValue, GLdouble farValue) {
    if (left == right || bottom == top || nearValue == farValue) return;
    const float l = float(left), r = float(right), b = float(bottom), t = float(top);
    const float n = float(nearValue), f = float(farValue);
    // Column by column.
    const float ortho[16] = {
        2.0f / (r - l),
        0,
        0,
        0,  // x
        0,
        2.0f / (t - b),
        0,
        0,  // y
        0,
        0,
        -2.0f / (f - n),
        0,  // z
        -(r + l) / (r - l),
        -(t + b) / (t - b),
        -(f + n) / (f - n),
        1,
    };
    MultiplyMatrix(CurrentMatrix(), ortho);
}

void GLAPIENTRY glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    float* m = CurrentMatrix();
    for (int i = 0; i < 4; ++i)
        m[12 + i] = m[i] * x + m[4 + i] * y + m[8 + i] * z + m[12 + i];
}

// Rotations about a coordinate axis are built exactly; about any other axis,
// by the axis-angle formula. An axis shorter than 1e-4 leaves the matrix as
// it is, as Mesa does (OpenGL leaves that case undefined).
void GLAPIENTRY glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    if (angle == 0.0f) return;
    const float s = std::sin(float(angle * M_PI / 180.0));
    const float c = std::cos(float(angle * M_PI / 180.0));
    float r[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    auto at = [&r](int row, int column) -> float& { return r[column * 4 + row]; };
    // The coordinate plane the rotation turns, when the axis is a coordinate axis.
    int p = -1, q = -1;
    float axisSign = 0;
    if (x == 0 && y == 0 && z != 0) p = 0, q = 1, axisSign = z;
    if (x == 0 && y != 0 && z == 0) p = 2, q = 0, axisSign = y;
    if (x != 0 && y == 0 && z == 0) p = 1, q = 2, axisSign = x;
    if (p >= 0) {
        at(p, p) = at(q, q) = c;
        at(p, q) = axisSign < 0 ? s : -s;
        at(q, p) = axisSign < 0 ? -s : s;
    } else {
        const float length = std::sqrt(x * x + y * y + z * z);
        if (length <= 1.0e-4f) return;
        x /= length, y /= length, z /= length;
        const float xx = x * x, yy = y * y, zz = z * z, xy = x * y, yz = y * z, zx = z * x;
        const float xs = x * s, ys = y * s, zs = z * s, oneMinusC = 1.0f - c;
        at(0, 0) = (oneMinusC * xx) + c;
        at(0, 1) = (oneMinusC * xy) - zs;
        at(0, 2) = (oneMinusC * zx) + ys;
        at(1, 0) = (oneMinusC * xy) + zs;
        at(1, 1) = (oneMinusC * yy) + c;
        at(1, 2) = (oneMinusC * yz) - xs;
        at(2, 0) = (oneMinusC * zx) - ys;
        at(2, 1) = (oneMinusC * yz) + xs;
        at(2, 2) = (oneMinusC * zz) + c;
    }
    MultiplyMatrix(CurrentMatrix(), r);
}

// A push on a full stack and a pop of the last entry change nothing (OpenGL
// reports an overflow or underflow then).
void GLAPIENTRY glPushMatrix() {
    const bool projection = fixedglState.matrixMode == GL_PROJECTION;
    int& depth = projection ? fixedglState.projectionDepth : fixedglState.modelViewDepth;
    if (depth == kStackDepth) return;
    const float* top = CurrentMatrix();
    ++depth;
    std::memcpy(CurrentMatrix(), top, 16 * sizeof(float));
}

void GLAPIENTRY glPopMatrix() {
    int& depth = fixedglState.matrixMode == GL_PROJECTION ? fixedglState.projectionDepth
                                                          : fixedglState.modelViewDepth;
    if (depth > 1) --depth;
}

void GLAPIENTRY glGetFloatv(GLenum name, GLfloat* values) {
    if (name == GL_MODELVIEW_MATRIX && values != nullptr)
        std::memcpy(values, fixedglState.modelView[fixedglState.modelViewDepth - 1],
                    16 * sizeof(float));
}

// ---- Lighting ------------------------------------------------------------------

void GLAPIENTRY glLightfv(GLenum lightName, GLenum parameter, const GLfloat* values) {
    if (lightName < GL_LIGHT0 || lightName >= GL_LIGHT0 + kLightCount || values == nullptr) return;
    Light& light = fixedglState.lights[lightName - GL_LIGHT0];
    if (parameter == GL_POSITION) {
        // Positions are kept in eye coordinates, through the model-view
        // matrix current now.
        const float* m = fixedglState.modelView[fixedglState.modelViewDepth - 1];
        for (int i = 0; i < 4; ++i)
            light.position[i] = m[i] * values[0] + m[4 + i] * values[1] + m[8 + i] * values[2] +
                                m[12 + i] * values[3];
    } else if (float* colour = LightColour(light, parameter)) {
        std::memcpy(colour, values, 4 * sizeof(float));
    }
}

void GLAPIENTRY glLightModeli(GLenum parameter, GLint value) {
    if (parameter == GL_LIGHT_MODEL_TWO_SIDE) fixedglState.twoSided = value != 0;
}

void GLAPIENTRY glMaterialfv(GLenum face, GLenum parameter, const GLfloat* values) {
    int first = 0, last = 0;
    if (!FaceRange(face, first, last) || values == nullptr) return;
    for (int side = first; side <= last; ++side) {
        Material& material = fixedglState.materials[side];
        if (parameter == GL_SHININESS) {
            if (values[0] >= 0 && values[0] <= 128) material.shininess = values[0];
        } else if (float* colour = MaterialColour(material, parameter)) {
            std::memcpy(colour, values, 4 * sizeof(float));
        }
    }
    // Materials may change between vertices of a batch.
    if (fixedglState.inBatch) PrepareBatch();
}

void GLAPIENTRY glMaterialf(GLenum face, GLenum parameter, GLfloat value) {
    if (parameter == GL_SHININESS) glMaterialfv(face, parameter, &value);
}

// ---- Fog -----------------------------------------------------------------------

void GLAPIENTRY glFogi(GLenum parameter, GLint value) {
    if (parameter == GL_FOG_MODE && (value == GL_EXP || value == GL_EXP2))
        fixedglState.fogMode = GLenum(value);
}

void GLAPIENTRY glFogf(GLenum parameter, GLfloat value) {
    if (parameter == GL_FOG_DENSITY && value >= 0) fixedglState.fogDensity = value;
    if (parameter == GL_FOG_MODE && (value == GL_EXP || value == GL_EXP2))
        fixedglState.fogMode = GLenum(value);
}

void GLAPIENTRY glFogfv(GLenum parameter, const GLfloat* values) {
    if (values == nullptr) return;
    if (parameter == GL_FOG_COLOR) {
        SetColour(fixedglState.fogColour, values);
    } else {
        glFogf(parameter, values[0]);
    }
}

// ---- Rasterization and buffers -------------------------------------------------

void GLAPIENTRY glPolygonMode(GLenum face, GLenum mode) {
    int first = 0, last = 0;
    if (!FaceRange(face, first, last) || (mode != GL_FILL && mode != GL_LINE)) return;
    for (int side = first; side <= last; ++side)
        fixedglState.polygonMode[side] = mode;
}

void GLAPIENTRY glLineWidth(GLfloat width) {
    if (width > 0) fixedglState.lineWidth = width;
}

void GLAPIENTRY glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    if (width < 0 || height < 0) return;
    fixedglState.viewport[0] = x, fixedglState.viewport[1] = y;
    fixedglState.viewport[2] = width, fixedglState.viewport[3] = height;
    if (fixedglState.attached) fixedglState.es.Viewport(x, y, width, height);
}

void GLAPIENTRY glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha) {
    const float given[4] = {red, green, blue, alpha};
    float* colour = fixedglState.clearColour;
    SetColour(colour, given);
    if (fixedglState.attached)
        fixedglState.es.ClearColor(colour[0], colour[1], colour[2], colour[3]);
}

void GLAPIENTRY glClear(GLbitfield mask) {
    // The accumulation buffer is the one OpenGL 1.1 buffer ES lacks.
    mask &= GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT;
    if (fixedglState.attached) fixedglState.es.Clear(mask);
}

void GLAPIENTRY glFlush() {
    if (fixedglState.attached) fixedglState.es.Flush();
}

// ---- The texture ---------------------------------------------------------------

// Texturing is never applied: how it would combine with the colour changes nothing.
void GLAPIENTRY glTexEnvi(GLenum /*target*/, GLenum /*parameter*/, GLint /*value*/) {}

void GLAPIENTRY glTexParameteri(GLenum target, GLenum parameter, GLint value) {
    if (fixedglState.attached && target == GL_TEXTURE_2D)
        fixedglState.es.TexParameteri(target, parameter, value);
}

// Three-component images given as RGBA bytes are stored as RGB, which is
// what ES accepts; four-component ones as they are.
void GLAPIENTRY glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                             GLsizei height, GLint border, GLenum format, GLenum type,
                             const void* pixels) {
    const bool rgb = internalFormat == GL_RGB || internalFormat == 3;
    const bool rgba = internalFormat == GL_RGBA || internalFormat == 4;
    if (!fixedglState.attached || target != GL_TEXTURE_2D || border != 0 || width < 0 ||
        height < 0 || format != GL_RGBA || type != GL_UNSIGNED_BYTE || !(rgb || rgba))
        return;
    const EsFunctions& es = fixedglState.es;
    if (rgba || pixels == nullptr) {
        es.TexImage2D(target, level, rgb ? GL_RGB : GL_RGBA, width, height, 0,
                      rgb ? GL_RGB : GL_RGBA, type, pixels);
        return;
    }
    const std::size_t texels = std::size_t(width) * std::size_t(height);
    auto* packed = static_cast<unsigned char*>(std::malloc(texels * 3));
    if (packed == nullptr) return;
    const auto* source = static_cast<const unsigned char*>(pixels);
    for (std::size_t i = 0; i < texels; ++i)
        std::memcpy(packed + 3 * i, source + 4 * i, 3);
    es.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    es.TexImage2D(target, level, GL_RGB, width, height, 0, GL_RGB, type, packed);
    es.PixelStorei(GL_UNPACK_ALIGNMENT, 4);
    std::free(packed);
}

}  // extern "C"
