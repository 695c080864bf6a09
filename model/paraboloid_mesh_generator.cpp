// paraboloid-mesh: builds the saddle mesh that the viewer shows and writes it out, either as the
// C++ tables compiled into the viewer or as a Wavefront OBJ file for inspection in 3D tools.
//
//   paraboloid-mesh --tables FILE   C++ source defining paraboloidMesh and its three tables
//   paraboloid-mesh --obj FILE      the same tables as v, vn and f lines
//
// The surface is y = x² - z² over |x| + |z| <= 5, cut off at y = 3 and y = -3. It is sampled on
// the grid of u = x - z and v = x + z with step 0.25; each grid cell is split into two triangles,
// which are clipped against both cut levels, and every kept polygon becomes four faces: two facing
// +y and the same two with their corners reversed.
//
// Numerics: everything is computed in double precision. Each stored value is the double rounded
// to six decimals and written as a six-decimal float literal, so the compiler stores the float32
// nearest to that decimal. Face normals are computed from the corners as rounded to six decimals.
// Working in float32 anywhere before storage would change the tables.

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr double kGridStep = 0.25;
constexpr int kHighestCell = 19;  // cells run from 19 down to -20 in both u and v
constexpr int kLowestCell = -20;
constexpr double kCutLevel = 3.0;
constexpr int kMaxPolygonCorners = 6;  // a triangle gains at most one corner per clip

struct Point {
    double x, y, z;
};

struct Polygon {
    Point corners[kMaxPolygonCorners];
    int count;
};

struct Face {
    Point corners[3];
};

// The mesh as it is written out, every value already rounded to six decimals.
struct Mesh {
    std::vector<Point> vertices;   // three per face, in face order
    std::vector<Point> normals;    // the normal table
    std::vector<int> faceNormals;  // normal-table entry of each face
};

Point SurfacePoint(double u, double v) {
    return {(u + v) / 2, u * v, (v - u) / 2};
}

// The double nearest to the six-decimal rounding of value. printf rounds the exact binary value,
// and no double lies exactly halfway between two six-decimal numbers, so there are no ties.
// Zero always comes back as +0: a straightforward build yields -0 (y = u * v with u = 0, and tiny
// negative normal components), and -0.0f == 0.0f, so mapping it to +0 changes no value but keeps
// "-0.000000" out of the tables and the OBJ file.
double RoundToSixDecimals(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", value);
    const double rounded = std::strtod(text, nullptr);
    return rounded == 0.0 ? 0.0 : rounded;
}

Point RoundToSixDecimals(const Point& p) {
    return {RoundToSixDecimals(p.x), RoundToSixDecimals(p.y), RoundToSixDecimals(p.z)};
}

// Keeps the part of a convex polygon on one side of the plane y = level: below it when keepBelow
// is set, above it otherwise. A corner exactly on the plane counts as inside and never produces
// a crossing point, neither with the corner before it nor with the one after it.
Polygon ClipAtLevel(const Polygon& polygon, double level, bool keepBelow) {
    Polygon kept{};
    for (int i = 0; i < polygon.count; ++i) {
        const Point& a = polygon.corners[i];
        const Point& b = polygon.corners[(i + 1) % polygon.count];
        const bool aOnPlane = a.y == level;
        const bool bOnPlane = b.y == level;
        const bool aInside = keepBelow ? a.y < level : a.y > level;
        const bool bInside = keepBelow ? b.y < level : b.y > level;
        if (aInside || aOnPlane) {
            kept.corners[kept.count++] = a;
        }
        if (!aOnPlane && !bOnPlane && aInside != bInside) {
            // y is set to the level exactly rather than interpolated.
            const double t = (level - a.y) / (b.y - a.y);
            kept.corners[kept.count++] = {a.x + t * (b.x - a.x), level, a.z + t * (b.z - a.z)};
        }
    }
    return kept;
}

// A triangle gives p3 = p0, so its second and fourth faces are degenerate: (p0, p2, p0).
void AppendFaces(const Polygon& polygon, std::vector<Face>& faces) {
    const Point& p0 = polygon.corners[0];
    const Point& p1 = polygon.corners[1];
    const Point& p2 = polygon.corners[2];
    const Point& p3 = polygon.count == 4 ? polygon.corners[3] : p0;
    faces.push_back({{p0, p1, p2}});
    faces.push_back({{p0, p2, p3}});
    faces.push_back({{p2, p1, p0}});
    faces.push_back({{p3, p2, p0}});
}

// Walks the cells row by row from the largest v, and within a row from the largest u. Fails only
// if a clipped triangle had more than four corners, which would mean it reached both cut levels.
bool BuildFaces(std::vector<Face>& faces) {
    for (int row = kHighestCell; row >= kLowestCell; --row) {
        for (int column = kHighestCell; column >= kLowestCell; --column) {
            const double u0 = kGridStep * column, u1 = kGridStep * (column + 1);
            const double v0 = kGridStep * row, v1 = kGridStep * (row + 1);
            const Point a = SurfacePoint(u0, v0);
            const Point b = SurfacePoint(u1, v0);
            const Point c = SurfacePoint(u1, v1);
            const Point d = SurfacePoint(u0, v1);
            // Split along BD, which runs parallel to the z axis.
            const Polygon triangles[2] = {{{b, d, c}, 3}, {{a, d, b}, 3}};
            for (const Polygon& triangle : triangles) {
                const Polygon kept =
                    ClipAtLevel(ClipAtLevel(triangle, kCutLevel, true), -kCutLevel, false);
                if (kept.count < 3) {
                    continue;
                }
                if (kept.count > 4) {
                    std::fprintf(stderr, "paraboloid-mesh: cell (%d, %d) clips to %d corners\n",
                                 column, row, kept.count);
                    return false;
                }
                AppendFaces(kept, faces);
            }
        }
    }
    return true;
}

// (c1 - c0) x (c2 - c0) over its length; the zero vector for a degenerate face.
Point UnitNormal(const Point& c0, const Point& c1, const Point& c2) {
    const Point e1{c1.x - c0.x, c1.y - c0.y, c1.z - c0.z};
    const Point e2{c2.x - c0.x, c2.y - c0.y, c2.z - c0.z};
    const Point n{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
    const double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (length == 0.0) {
        return {0.0, 0.0, 0.0};
    }
    return {n.x / length, n.y / length, n.z / length};
}

// Normals share a table entry when their components, times 10000 and truncated toward zero, are
// equal. The key is taken from the double-precision normal, not from its six-decimal value.
using NormalKey = std::array<long, 3>;

NormalKey KeyOf(const Point& normal) {
    return {static_cast<long>(std::trunc(normal.x * 10000.0)),
            static_cast<long>(std::trunc(normal.y * 10000.0)),
            static_cast<long>(std::trunc(normal.z * 10000.0))};
}

// Rounds the corners and fills the normal table in order of first use. An entry keeps the normal
// of the face that created it, whichever later faces share its key.
Mesh BuildMesh(const std::vector<Face>& faces) {
    Mesh mesh;
    std::map<NormalKey, int> entryOfKey;
    for (const Face& face : faces) {
        Point corners[3];
        for (int k = 0; k < 3; ++k) {
            corners[k] = RoundToSixDecimals(face.corners[k]);
            mesh.vertices.push_back(corners[k]);
        }
        const Point normal = UnitNormal(corners[0], corners[1], corners[2]);
        const int nextEntry = static_cast<int>(mesh.normals.size());
        const auto [entry, added] = entryOfKey.try_emplace(KeyOf(normal), nextEntry);
        if (added) {
            mesh.normals.push_back(RoundToSixDecimals(normal));
        }
        mesh.faceNormals.push_back(entry->second);
    }
    return mesh;
}

void WriteFloatTable(std::FILE* file, const char* name, const std::vector<Point>& values) {
    std::fprintf(file, "const float %s[%zu][3] = {\n", name, values.size());
    for (const Point& p : values) {
        std::fprintf(file, "    {%.6ff, %.6ff, %.6ff},\n", p.x, p.y, p.z);
    }
    std::fprintf(file, "};\n\n");
}

void WriteTables(const Mesh& mesh, std::FILE* file) {
    const int faceCount = static_cast<int>(mesh.faceNormals.size());
    std::fprintf(file,
                 "// Generated by paraboloid-mesh. Do not edit.\n"
                 "// Each value is a six-decimal literal: the float32 nearest to that decimal.\n"
                 "\n"
                 "#include \"model/paraboloid_mesh.h\"\n"
                 "\n"
                 "namespace {\n"
                 "\n"
                 "const MeshFace kFaces[%d] = {\n",
                 faceCount);
    for (int f = 0; f < faceCount; ++f) {
        const int n = mesh.faceNormals[f];
        std::fprintf(file, "    {{%d, %d, %d}, {%d, %d, %d}, {-1, -1, -1}},\n", 3 * f, 3 * f + 1,
                     3 * f + 2, n, n, n);
    }
    std::fprintf(file, "};\n\n");
    WriteFloatTable(file, "kVertices", mesh.vertices);
    WriteFloatTable(file, "kNormals", mesh.normals);
    std::fprintf(file,
                 "}  // namespace\n"
                 "\n"
                 "const ParaboloidMesh paraboloidMesh = {\n"
                 "    \"0_0\",    // objectName\n"
                 "    kFaces,\n"
                 "    %d,\n"
                 "    kVertices,\n"
                 "    %zu,\n"
                 "    kNormals,\n"
                 "    %zu,\n"
                 "    nullptr,  // extraArray\n"
                 "    0,        // extraCount\n"
                 "    1,        // reserved\n"
                 "};\n",
                 faceCount, mesh.vertices.size(), mesh.normals.size());
}

// Indices are 1-based; degenerate faces are written like all others, so that every table entry
// can be read back one for one.
void WriteObj(const Mesh& mesh, std::FILE* file) {
    std::fprintf(file,
                 "# Saddle mesh 0_0 from paraboloid-mesh: %zu vertices, %zu normals, %zu faces\n",
                 mesh.vertices.size(), mesh.normals.size(), mesh.faceNormals.size());
    std::fprintf(file, "o 0_0\n");
    for (const Point& p : mesh.vertices) {
        std::fprintf(file, "v %.6f %.6f %.6f\n", p.x, p.y, p.z);
    }
    for (const Point& n : mesh.normals) {
        std::fprintf(file, "vn %.6f %.6f %.6f\n", n.x, n.y, n.z);
    }
    for (std::size_t f = 0; f < mesh.faceNormals.size(); ++f) {
        const int n = mesh.faceNormals[f] + 1;
        const std::size_t v = 3 * f + 1;
        std::fprintf(file, "f %zu//%d %zu//%d %zu//%d\n", v, n, v + 1, n, v + 2, n);
    }
}

// Writes through a temporary file, so that a failed run leaves no truncated output behind.
bool WriteOutput(const Mesh& mesh, const char* path, bool asObj) {
    const std::string temporaryPath = std::string(path) + ".tmp";
    std::FILE* file = std::fopen(temporaryPath.c_str(), "w");
    if (file == nullptr) {
        return false;
    }
    if (asObj) {
        WriteObj(mesh, file);
    } else {
        WriteTables(mesh, file);
    }
    const bool written = std::ferror(file) == 0;
    if (std::fclose(file) != 0 || !written) {
        std::remove(temporaryPath.c_str());
        return false;
    }
    std::remove(path);  // rename does not replace an existing file everywhere
    return std::rename(temporaryPath.c_str(), path) == 0;
}

int Usage() {
    std::fprintf(stderr, "usage: paraboloid-mesh [--tables FILE] [--obj FILE]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const char* tablesPath = nullptr;
    const char* objPath = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (i + 1 < argc && std::strcmp(argv[i], "--tables") == 0) {
            tablesPath = argv[++i];
        } else if (i + 1 < argc && std::strcmp(argv[i], "--obj") == 0) {
            objPath = argv[++i];
        } else {
            return Usage();
        }
    }
    if (tablesPath == nullptr && objPath == nullptr) {
        return Usage();
    }

    std::vector<Face> faces;
    if (!BuildFaces(faces)) {
        return 1;
    }
    const Mesh mesh = BuildMesh(faces);

    if (tablesPath != nullptr && !WriteOutput(mesh, tablesPath, false)) {
        std::fprintf(stderr, "paraboloid-mesh: cannot write %s\n", tablesPath);
        return 1;
    }
    if (objPath != nullptr && !WriteOutput(mesh, objPath, true)) {
        std::fprintf(stderr, "paraboloid-mesh: cannot write %s\n", objPath);
        return 1;
    }
    return 0;
}
