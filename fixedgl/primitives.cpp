// Primitives: vertices transformed and lit per vertex as OpenGL 1.1 does it,
// each triangle given the colours and the polygon mode of its facing, and
// polygon edges drawn as Mesa draws non-antialiased wide lines. Everything
// reaches ES as triangles, one draw call per glBegin/glEnd batch.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

#include "fixedgl/state.h"

using fixedgl::fixedglState;

namespace fixedgl {

namespace {

float Dot3(const float* a, const float* b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// Scales a vector to unit length, as Mesa does: by the reciprocal square root.
void Normalise3(float* v) {
    const float squared = Dot3(v, v);
    if (squared == 0) return;
    const float scale = 1.0f / std::sqrt(squared);
    v[0] *= scale, v[1] *= scale, v[2] *= scale;
}

float Clamp01(float value) {
    return std::min(std::max(value, 0.0f), 1.0f);
}

// ---- Wide lines ------------------------------------------------------------------
// A line of width w is a parallelogram reaching round(w) / 2 pixels to either
// side along the minor axis; where it starts and ends follows the diamond-exit
// rule, with its corners on the rasterizer's grid of 1/256 pixel. This is
// Mesa's software rasterizer's construction, step by step, in window
// coordinates with y down.

constexpr float kGrid = 256.0f;  // subpixel steps per pixel
constexpr float kWidestLine = 255.0f;

int Snap(float a) {
    const float steps = kGrid * a;
    // Halves away from zero, as the rasterizer rounds.
    return steps >= 0.0f ? int(std::floor(steps + 0.5f)) : int(std::ceil(steps - 0.5f));
}

bool Sign(float x) {
    return x >= 0;
}

float Fraction(float f) {
    return f - std::floor(f);
}

bool Inside(float intersect) {
    return intersect < 1.0f && intersect > 0.0f;
}

struct LineCorners {
    int x[4], y[4];  // in grid steps, pixel centres at whole pixels
};

LineCorners PlaceLine(const Vertex* v1, const Vertex* v2, float width) {
    LineCorners c = {};
    const float dx = v1->x - v2->x, dy = v1->y - v2->y;
    float xOffset = 0, yOffset = 0, xOffsetEnd = 0, yOffsetEnd = 0;
    const float x1diff = v1->x - std::floor(v1->x) - 0.5f;
    const float y1diff = v1->y - std::floor(v1->y) - 0.5f;
    float x2diff = v2->x - std::floor(v2->x) - 0.5f;
    float y2diff = v2->y - std::floor(v2->y) - 0.5f;
    // Half the width in grid steps: the width rounded to whole pixels.
    const int half = int(std::floor(std::clamp(width, 1.0f, kWidestLine) + 0.5f)) * int(kGrid) / 2;
    bool drawStart = false, drawEnd = false;

    if (std::fabs(dx) >= std::fabs(dy)) {  // x-major
        const float dydx = dy / dx;
        if (y2diff == -0.5f && dy < 0) y2diff = 0.5f;
        drawStart = std::fabs(x1diff) + std::fabs(y1diff) < 0.5f ||
                    (Sign(x1diff) != Sign(-dx) &&
                     (Sign(-y1diff) != Sign(dy) || Inside(Fraction(v1->y) + x1diff * dydx)));
        drawEnd = std::fabs(x2diff) + std::fabs(y2diff) >= 0.5f && Sign(x2diff) == Sign(-dx) &&
                  (Sign(-y2diff) == Sign(dy) || Inside(Fraction(v2->y) + x2diff * dydx));
        const bool willDrawStart = Sign(-x1diff) != Sign(dx);
        const bool willDrawEnd = Sign(x2diff) == Sign(-dx) || x2diff == 0;
        if (dx < 0) {
            std::swap(v1, v2);
            if (willDrawStart != drawStart) {
                xOffsetEnd = -x1diff - 0.5f;
                yOffsetEnd = xOffsetEnd * dydx;
            }
            if (willDrawEnd != drawEnd) {
                xOffset = -x2diff - 0.5f;
                yOffset = xOffset * dydx;
            }
        } else {
            if (willDrawStart != drawStart) {
                xOffset = -x1diff + 0.5f;
                yOffset = xOffset * dydx;
            }
            if (willDrawEnd != drawEnd) {
                xOffsetEnd = -x2diff + 0.5f;
                yOffsetEnd = xOffsetEnd * dydx;
            }
        }
        c.x[0] = c.x[3] = Snap(v1->x + xOffset - 0.5f);
        c.x[1] = c.x[2] = Snap(v2->x + xOffsetEnd - 0.5f);
        const int y1 = Snap(v1->y + yOffset - 0.5f), y2 = Snap(v2->y + yOffsetEnd - 0.5f);
        c.y[0] = y1 - half, c.y[1] = y2 - half, c.y[2] = y2 + half, c.y[3] = y1 + half;
    } else {  // y-major
        const float dxdy = dx / dy;
        if (x2diff == -0.5f && dx < 0) x2diff = 0.5f;
        drawStart = std::fabs(x1diff) + std::fabs(y1diff) < 0.5f ||
                    (Sign(-y1diff) != Sign(dy) &&
                     (Sign(x1diff) != Sign(-dx) || Inside(Fraction(v1->x) + y1diff * dxdy)));
        const float endIntersect = Fraction(v2->x) + y2diff * dxdy;
        drawEnd = std::fabs(x2diff) + std::fabs(y2diff) >= 0.5f && Sign(-y2diff) == Sign(dy) &&
                  (Sign(x2diff) == Sign(-dx) || (endIntersect < 1.0f && endIntersect >= 0.0f));
        const bool willDrawStart = Sign(y1diff) == Sign(dy);
        const bool willDrawEnd = Sign(-y2diff) == Sign(dy) || y2diff == 0;
        if (dy > 0) {
            std::swap(v1, v2);
            if (willDrawStart != drawStart) {
                yOffsetEnd = -y1diff + 0.5f;
                xOffsetEnd = yOffsetEnd * dxdy;
            }
            if (willDrawEnd != drawEnd) {
                yOffset = -y2diff + 0.5f;
                xOffset = yOffset * dxdy;
            }
        } else {
            if (willDrawStart != drawStart) {
                yOffset = -y1diff - 0.5f;
                xOffset = yOffset * dxdy;
            }
            if (willDrawEnd != drawEnd) {
                yOffsetEnd = -y2diff - 0.5f;
                xOffsetEnd = yOffsetEnd * dxdy;
            }
        }
        const int x1 = Snap(v1->x + xOffset - 0.5f), x2 = Snap(v2->x + xOffsetEnd - 0.5f);
        c.x[0] = x1 - half, c.x[1] = x2 - half, c.x[2] = x2 + half, c.x[3] = x1 + half;
        c.y[0] = c.y[3] = Snap(v1->y + yOffset - 0.5f);
        c.y[1] = c.y[2] = Snap(v2->y + yOffsetEnd - 0.5f);
    }
    return c;
}

// A corner of a line's parallelogram as an ES vertex: back in clip
// coordinates, with depth, colour and fog distance taken along the line's
// major axis from its two ends, as the rasterizer interpolates them.
EsVertex LineCorner(const Vertex& from, const Vertex& to, int side, bool xMajor, int gridX,
                    int gridY) {
    const GLint* viewport = fixedglState.viewport;
    const float halfWidth = float(viewport[2]) * 0.5f, halfHeight = float(viewport[3]) * 0.5f;
    const float x = float(gridX) / kGrid + 0.5f, y = float(gridY) / kGrid + 0.5f;
    const float t = xMajor ? (x - from.x) / (to.x - from.x) : (y - from.y) / (to.y - from.y);
    auto along = [t](float a, float b) { return a + t * (b - a); };
    EsVertex corner;
    corner.position[0] = (x - (float(viewport[0]) + halfWidth)) / halfWidth;
    corner.position[1] = (halfHeight - y) / halfHeight;
    corner.position[2] = along(from.clip[2] / from.clip[3], to.clip[2] / to.clip[3]);
    corner.position[3] = 1;
    for (int i = 0; i < 4; ++i)
        corner.colour[i] = along(from.colour[side][i], to.colour[side][i]);
    corner.fogDistance = along(from.fogDistance, to.fogDistance);
    return corner;
}

void AddLine(const Vertex& from, const Vertex& to, int side) {
    const float dx = from.x - to.x, dy = from.y - to.y;
    if (dx * dx + dy * dy == 0) return;
    const LineCorners c = PlaceLine(&from, &to, fixedglState.lineWidth);
    const bool xMajor = std::fabs(dx) >= std::fabs(dy);
    EsVertex corners[4];
    for (int i = 0; i < 4; ++i)
        corners[i] = LineCorner(from, to, side, xMajor, c.x[i], c.y[i]);
    for (int i : {0, 1, 2, 0, 2, 3})
        fixedglState.stream.push_back(corners[i]);
}

void AddVertex(const Vertex& vertex, int side) {
    EsVertex out;
    std::copy_n(vertex.clip, 4, out.position);
    std::copy_n(vertex.colour[side], 4, out.colour);
    out.fogDistance = vertex.fogDistance;
    fixedglState.stream.push_back(out);
}

}  // namespace

// ---- Batches -------------------------------------------------------------------------

void PrepareBatch() {
    BatchSetup& b = fixedglState.setup;
    std::copy_n(fixedglState.projection[fixedglState.projectionDepth - 1], 16,
                b.modelViewProjection);
    const float* m = fixedglState.modelView[fixedglState.modelViewDepth - 1];
    MultiplyMatrix(b.modelViewProjection, m);

    // Normals go through the inverse transpose of the model-view's 3x3: its
    // cofactors over its determinant.
    auto a = [m](int row, int column) { return m[column * 4 + row]; };
    float* n = b.normalMatrix;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            const int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
            n[r * 3 + c] = a(r1, c1) * a(r2, c2) - a(r1, c2) * a(r2, c1);
        }
    }
    const float determinant = a(0, 0) * n[0] + a(0, 1) * n[1] + a(0, 2) * n[2];
    if (determinant != 0) {
        for (int i = 0; i < 9; ++i)
            n[i] /= determinant;
    }

    b.lightCount = 0;
    for (int i = 0; i < kLightCount; ++i) {
        const Light& light = fixedglState.lights[i];
        if (!light.enabled) continue;
        const int k = b.lightCount++;
        std::copy_n(light.position, 3, b.direction[k]);
        Normalise3(b.direction[k]);
        const float half[3] = {b.direction[k][0], b.direction[k][1], b.direction[k][2] + 1.0f};
        std::copy_n(half, 3, b.halfVector[k]);
        Normalise3(b.halfVector[k]);
        for (int side = 0; side < 2; ++side) {
            const Material& material = fixedglState.materials[side];
            for (int j = 0; j < 3; ++j) {
                b.ambient[side][k][j] = light.ambient[j] * material.ambient[j];
                b.diffuse[side][k][j] = light.diffuse[j] * material.diffuse[j];
                b.specular[side][k][j] = light.specular[j] * material.specular[j];
            }
        }
    }
    for (int side = 0; side < 2; ++side) {
        const Material& material = fixedglState.materials[side];
        for (int j = 0; j < 3; ++j)
            b.sceneColour[side][j] =
                fixedglState.modelAmbient[j] * material.ambient[j] + material.emission[j];
        b.sceneColour[side][3] = material.diffuse[3];
    }
}

// The lighting equation of OpenGL 1.1 for directional lights and a viewer
// at infinity: emission, the light model's ambient, and each light's
// ambient, diffuse and specular terms, the last two only on the side the
// light falls on. The back colour is that of the reversed normal with the
// back material; with one-sided lighting both faces take the front colour.
void LightVertex(const float* eyeNormal, Vertex& vertex) {
    const BatchSetup& b = fixedglState.setup;
    const int sides = fixedglState.twoSided ? 2 : 1;
    for (int side = 0; side < sides; ++side) {
        float* colour = vertex.colour[side];
        if (!fixedglState.lighting) {
            std::fill_n(colour, 4, 1.0f);  // the current colour, which nothing changes
            continue;
        }
        const float sign = side == 0 ? 1.0f : -1.0f;
        const float shininess = fixedglState.materials[side].shininess;
        float sum[3] = {b.sceneColour[side][0], b.sceneColour[side][1], b.sceneColour[side][2]};
        for (int k = 0; k < b.lightCount; ++k) {
            const float facing = sign * Dot3(eyeNormal, b.direction[k]);
            const float halfway = sign * Dot3(eyeNormal, b.halfVector[k]);
            const float diffuse = std::max(facing, 0.0f);
            const float specular = facing > 0 ? std::pow(std::max(halfway, 0.0f), shininess) : 0;
            for (int j = 0; j < 3; ++j) {
                sum[j] = b.ambient[side][k][j] + sum[j];
                sum[j] = diffuse * b.diffuse[side][k][j] + sum[j];
                sum[j] = specular * b.specular[side][k][j] + sum[j];
            }
        }
        for (int j = 0; j < 3; ++j)
            colour[j] = Clamp01(sum[j]);
        colour[3] = Clamp01(b.sceneColour[side][3]);
    }
    if (sides == 1) std::copy_n(vertex.colour[0], 4, vertex.colour[1]);
}

// Each complete triangle in order: its facing from its window corners, as
// the rasterizer works it out (y down: a counter-clockwise triangle of
// OpenGL's window coordinates has a negative determinant; one of zero area
// counts as front-facing for its colour but as back-facing for culling and
// polygon mode, as in Mesa), then filled or outlined edge by edge.
void DrawBatch() {
    std::vector<EsVertex>& stream = fixedglState.stream;
    stream.clear();
    const std::vector<Vertex>& v = fixedglState.vertices;
    for (std::size_t i = 0; i + 3 <= v.size(); i += 3) {
        const Vertex &a = v[i], &b = v[i + 1], &c = v[i + 2];
        const float ex = a.x - c.x, ey = a.y - c.y, fx = b.x - c.x, fy = b.y - c.y;
        const float determinant = ex * fy - ey * fx;
        if (fixedglState.cullFace && determinant >= 0) continue;
        const int side = determinant > 0 ? 1 : 0;
        if (fixedglState.polygonMode[determinant >= 0 ? 1 : 0] == GL_LINE) {
            AddLine(c, a, side);
            AddLine(a, b, side);
            AddLine(b, c, side);
        } else {
            AddVertex(a, side);
            AddVertex(b, side);
            AddVertex(c, side);
        }
    }
    if (stream.empty() || !fixedglState.attached) return;

    const EsFunctions& es = fixedglState.es;
    es.UseProgram(fixedglState.program);
    es.Uniform1i(fixedglState.fogOnUniform, fixedglState.fog ? 1 : 0);
    // 1 / ln 2 and 1 / sqrt(ln 2), in double as Mesa works them out.
    const bool squared = fixedglState.fogMode == GL_EXP2;
    const double perDensity = squared ? 1.201122408786449815 : 1.442695040888963407;
    es.Uniform2f(fixedglState.fogUniform, float(fixedglState.fogDensity * perDensity),
                 squared ? 2.0f : 1.0f);
    es.Uniform3f(fixedglState.fogColourUniform, fixedglState.fogColour[0],
                 fixedglState.fogColour[1], fixedglState.fogColour[2]);
    es.BindBuffer(GL_ARRAY_BUFFER, fixedglState.buffer);
    es.BufferData(GL_ARRAY_BUFFER, GLsizeiptr(stream.size() * sizeof(EsVertex)), stream.data(),
                  GL_STREAM_DRAW);
    const GLsizei stride = sizeof(EsVertex);
    es.VertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, stride,
                           reinterpret_cast<const void*>(offsetof(EsVertex, position)));
    es.VertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, stride,
                           reinterpret_cast<const void*>(offsetof(EsVertex, colour)));
    es.VertexAttribPointer(2, 1, GL_FLOAT, GL_FALSE, stride,
                           reinterpret_cast<const void*>(offsetof(EsVertex, fogDistance)));
    for (GLuint attribute = 0; attribute < 3; ++attribute)
        es.EnableVertexAttribArray(attribute);
    es.DrawArrays(GL_TRIANGLES, 0, GLsizei(stream.size()));
}

}  // namespace fixedgl

using namespace fixedgl;

extern "C" {

void GLAPIENTRY glBegin(GLenum mode) {
    if (fixedglState.inBatch) return;
    fixedglState.inBatch = true;
    fixedglState.triangles = mode == GL_TRIANGLES;
    fixedglState.vertices.clear();
    PrepareBatch();
}

void GLAPIENTRY glEnd() {
    if (!fixedglState.inBatch) return;
    fixedglState.inBatch = false;
    if (fixedglState.triangles) DrawBatch();
    fixedglState.vertices.clear();
}

void GLAPIENTRY glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    fixedglState.normal[0] = x, fixedglState.normal[1] = y, fixedglState.normal[2] = z;
}

void GLAPIENTRY glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    if (!fixedglState.inBatch || !fixedglState.triangles) return;
    const BatchSetup& b = fixedglState.setup;
    const float* m = fixedglState.modelView[fixedglState.modelViewDepth - 1];
    const float* p = b.modelViewProjection;
    Vertex vertex;
    for (int i = 0; i < 4; ++i)
        vertex.clip[i] = p[i] * x + p[4 + i] * y + p[8 + i] * z + p[12 + i];
    vertex.fogDistance = std::fabs(m[2] * x + m[6] * y + m[10] * z + m[14]);

    // The viewport transform, with y counted down from the viewport's top.
    const GLint* viewport = fixedglState.viewport;
    const float halfWidth = float(viewport[2]) * 0.5f, halfHeight = float(viewport[3]) * 0.5f;
    const float reciprocalW = 1.0f / vertex.clip[3];
    vertex.x = vertex.clip[0] * reciprocalW * halfWidth + (float(viewport[0]) + halfWidth);
    vertex.y = vertex.clip[1] * reciprocalW * -halfHeight + halfHeight;

    float eyeNormal[3];
    for (int r = 0; r < 3; ++r)
        eyeNormal[r] = Dot3(b.normalMatrix + 3 * r, fixedglState.normal);
    LightVertex(eyeNormal, vertex);
    fixedglState.vertices.push_back(vertex);
}

}  // extern "C"
