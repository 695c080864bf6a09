// Reading the compiled-in mesh tables back as the numbers they stand for, and recovering from
// them what the tables do not store: the grid cell and node each polygon comes from.
#pragma once

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "model/paraboloid_mesh.h"

namespace mesh_test {

using Vec = std::array<double, 3>;
using Key = std::array<long, 3>;

constexpr int kFacesPerPolygon = 4;  // two facing +y, then the same two reversed
constexpr double kCutLevel = 3.0;
constexpr double kGridStep = 0.25;

inline const MeshFace& FaceAt(int face) {
    return paraboloidMesh.faces[face];
}

inline int EntryOf(int face) {
    return FaceAt(face).normalIndex[0];
}

inline int PolygonCount() {
    return paraboloidMesh.faceCount / kFacesPerPolygon;
}

inline std::string Six(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}

// The nearest double to value rounded to six decimals.
inline double RoundSix(double value) {
    return std::strtod(Six(value).c_str(), nullptr);
}

inline Vec RoundSix(const Vec& v) {
    return {RoundSix(v[0]), RoundSix(v[1]), RoundSix(v[2])};
}

// The six-decimal number a stored float stands for. Every table value is below 8 in size, where
// half a float step is below 0.0000005, so printing the float at six decimals recovers it.
inline Vec Decimal(const float* v) {
    return RoundSix(Vec{v[0], v[1], v[2]});
}

inline Vec Corner(int face, int k) {
    return Decimal(paraboloidMesh.vertices[FaceAt(face).vertexIndex[k]]);
}

inline Vec EntryValue(int entry) {
    return Decimal(paraboloidMesh.normals[entry]);
}

inline Vec Cross(const Vec& c0, const Vec& c1, const Vec& c2) {
    const Vec e1{c1[0] - c0[0], c1[1] - c0[1], c1[2] - c0[2]};
    const Vec e2{c2[0] - c0[0], c2[1] - c0[1], c2[2] - c0[2]};
    return {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
            e1[0] * e2[1] - e1[1] * e2[0]};
}

inline double Dot(const Vec& a, const Vec& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

inline bool IsDegenerate(int face) {
    const Vec n = Cross(Corner(face, 0), Corner(face, 1), Corner(face, 2));
    return n[0] == 0 && n[1] == 0 && n[2] == 0;
}

// The face's own normal in double precision from its six-decimal corners; zero if degenerate.
inline Vec OwnNormal(int face) {
    const Vec n = Cross(Corner(face, 0), Corner(face, 1), Corner(face, 2));
    const double length = std::sqrt(Dot(n, n));
    if (length == 0) {
        return {0, 0, 0};
    }
    return {n[0] / length, n[1] / length, n[2] / length};
}

inline Key KeyOf(const Vec& n) {
    return {static_cast<long>(n[0] * 10000), static_cast<long>(n[1] * 10000),
            static_cast<long>(n[2] * 10000)};
}

inline bool IsWhole(double value) {
    return value == std::floor(value);
}

// Grid nodes have x and z on multiples of 0.125 with x + z on a multiple of 0.25, and lie on the
// surface y = x² - z².
inline bool IsGridNode(const Vec& p) {
    return IsWhole(p[0] * 8) && IsWhole(p[2] * 8) && IsWhole((p[0] + p[2]) * 4) &&
           p[1] == p[0] * p[0] - p[2] * p[2];
}

inline bool IsCrossingPoint(const Vec& p) {
    return std::fabs(p[1]) == kCutLevel && !IsGridNode(p);
}

inline bool HasCrossingPoint(int face) {
    for (int k = 0; k < 3; ++k) {
        if (IsCrossingPoint(Corner(face, k))) {
            return true;
        }
    }
    return false;
}

// Corners of polygon p: p0, p1, p2 from its first face and p3 from its second, unless the second
// face is the degenerate (p0, p2, p0) of a triangle.
inline std::vector<Vec> PolygonCorners(int polygon) {
    const int face = kFacesPerPolygon * polygon;
    std::vector<Vec> corners{Corner(face, 0), Corner(face, 1), Corner(face, 2)};
    if (Corner(face + 1, 2) != corners[0]) {
        corners.push_back(Corner(face + 1, 2));
    }
    return corners;
}

// Cell (column, row) covers column <= u / 0.25 <= column + 1 and row <= v / 0.25 <= row + 1,
// with u = x - z and v = x + z. Its triangle (B, D, C) is the half towards C, at the cell's
// largest u and v; (A, D, B) the half towards A. A polygon lies inside one triangle, so its
// centroid tells both.
struct PolygonCell {
    int column;
    int row;
    bool towardsC;
};

inline PolygonCell CellOf(int polygon) {
    double u = 0, v = 0;
    const std::vector<Vec> corners = PolygonCorners(polygon);
    for (const Vec& p : corners) {
        u += (p[0] - p[2]) / kGridStep;
        v += (p[0] + p[2]) / kGridStep;
    }
    u /= static_cast<double>(corners.size());
    v /= static_cast<double>(corners.size());
    const int column = static_cast<int>(std::floor(u));
    const int row = static_cast<int>(std::floor(v));
    return {column, row, (u - column) + (v - row) > 1};
}

// The node whose tangent plane the polygon's triangle lies in: C for (B, D, C), A for (A, D, B).
inline Vec NodeOf(const PolygonCell& cell) {
    const int i = cell.towardsC ? cell.column + 1 : cell.column;
    const int j = cell.towardsC ? cell.row + 1 : cell.row;
    const double u = kGridStep * i, v = kGridStep * j;
    return {(u + v) / 2, u * v, (v - u) / 2};
}

// The surface normal on the +y side, (-2x, 1, 2z) / sqrt(1 + 4x² + 4z²), computed as written:
// at x = 0 its x component is -0.
inline Vec NodeNormal(const Vec& node) {
    const double x = node[0], z = node[2];
    const double length = std::sqrt(1 + 4 * x * x + 4 * z * z);
    return {-2 * x / length, 1 / length, 2 * z / length};
}

inline Vec Negated(const Vec& v) {
    return {-v[0], -v[1], -v[2]};
}

// The node normal that face f carries: the +y one for the first two faces of a polygon, its
// negation for the reversed two.
inline Vec NodeNormalOfFace(int face) {
    const Vec n = NodeNormal(NodeOf(CellOf(face / kFacesPerPolygon)));
    return face % kFacesPerPolygon < 2 ? n : Negated(n);
}

}  // namespace mesh_test
