// The compiled-in saddle mesh: what its tables must satisfy as a whole, and a handful of entries
// worked out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <set>
#include <string_view>
#include <tuple>
#include <utility>

#include "model/paraboloid_mesh.h"

namespace {

using Vec = std::array<double, 3>;
const ParaboloidMesh& mesh = paraboloidMesh;

// Rounded to six decimals; for a stored float, the decimal number it stands for.
Vec Six(const Vec& v) {
    return {std::round(v[0] * 1e6) / 1e6, std::round(v[1] * 1e6) / 1e6,
            std::round(v[2] * 1e6) / 1e6};
}
Vec Stored(const float* v) {
    return Six({v[0], v[1], v[2]});
}
Vec Corner(int face, int k) {
    return Stored(mesh.vertices[mesh.faces[face].vertexIndex[k]]);
}

// The face's own unit normal, from its corners as decimals; zero for a degenerate face.
Vec OwnNormal(int face) {
    const Vec a = Corner(face, 0), b = Corner(face, 1), c = Corner(face, 2);
    const Vec e{b[0] - a[0], b[1] - a[1], b[2] - a[2]}, g{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    const Vec n{e[1] * g[2] - e[2] * g[1], e[2] * g[0] - e[0] * g[2], e[0] * g[1] - e[1] * g[0]};
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    return length == 0 ? Vec{0, 0, 0} : Vec{n[0] / length, n[1] / length, n[2] / length};
}

TEST(MeshTables, RecordHoldsTheCounts) {
    EXPECT_EQ(
        std::tuple(std::string_view(mesh.objectName), mesh.faceCount, mesh.vertexCount,
                   mesh.normalCount, mesh.extraArray == nullptr, mesh.extraCount, mesh.reserved),
        std::tuple("0_0", 5152, 15456, 1433, true, 0, 1));
}

// Faces 0 to 7 come from the cell 0.5 <= u <= 0.75, 4.75 <= v <= 5: its half towards larger u
// and v is clipped at y = 3 to the triangle p0 (0), D (1), p2 (2), the other half to the
// quadrilateral A (3), D, p0, q (4). Faces 144 and 145 come from a triangle whose corner B (5)
// lies on y = 3 and is kept without a crossing point next to it; face 192 is all that the cell
// 0.75 <= u <= 1, 3.75 <= v <= 4 gives, since its other half only touches y = 3 in one corner.
TEST(MeshTables, WorkedEntries) {
    const Vec points[] = {{2.75, 3, 2.132353},   {2.75, 2.5, 2.25},       {2.8, 3, 2.2},
                          {2.625, 2.375, 2.125}, {2.690789, 3, 2.059211}, {2.375, 3, 1.625},
                          {2.375, 2.125, 1.875}, {2.477941, 3, 1.772059}, {2.25, 2.8125, 1.5},
                          {2.275, 3, 1.475}};
    const std::pair<int, const char*> corners[] = {
        {0, "012"}, {1, "020"}, {2, "210"},   {3, "020"},   {4, "310"},  {5, "304"},
        {6, "013"}, {7, "403"}, {144, "567"}, {145, "575"}, {192, "859"}};
    for (const auto& [face, pointsOfFace] : corners)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(Corner(face, k), points[pointsOfFace[k] - '0']) << "face " << face;
    const int entryOfFace[][2] = {{0, 0},       {1, 1},       {2, 2},      {3, 1},     {4, 3},
                                  {5, 3},       {6, 4},       {7, 4},      {256, 87},  {257, 88},
                                  {258, 89},    {259, 90},    {324, 87},   {884, 269}, {1004, 269},
                                  {3740, 1053}, {3964, 1115}, {3965, 1053}};
    for (const auto& [face, entry] : entryOfFace)
        EXPECT_EQ(mesh.faces[face].normalIndex[0], entry) << "face " << face;
    const std::pair<int, Vec> entries[] = {
        {0, {-0.796425, 0.138509, 0.588662}},   {3, {-0.768865, 0.146450, 0.622414}},
        {87, {-0.823653, 0.193801, 0.532951}},  {88, {-0.823650, 0.193799, 0.532956}},
        {269, {-0.073324, 0.293294, 0.953206}}, {1053, {0.889001, 0.254, 0.381}},
        {1115, {0.889001, 0.254, 0.381}}};
    for (const auto& [entry, value] : entries)
        EXPECT_EQ(Stored(mesh.normals[entry]), value) << "normal entry " << entry;
}

// Face f owns vertex entries 3f to 3f + 2 and one normal entry; entries are numbered in order of
// first use and hold the normal of the face that first uses them, later faces sharing an entry
// differing from it by less than 0.0001 per component. Each kept polygon p0 p1 p2 [p3] gives
// (p0, p1, p2), (p0, p2, p3), then both reversed with the negated normal; a triangle takes
// p3 = p0, so its second and fourth faces are degenerate and use the zero entry 1.
TEST(MeshTables, FacesComeInGroupsOfFour) {
    int highest = -1, degenerate = 0;
    for (int f = 0; f < mesh.faceCount; ++f) {
        const int e = mesh.faces[f].normalIndex[0], first = f - f % 4,
                  twin = f % 4 < 2 ? f + 2 : f - 2;
        ASSERT_EQ((std::bit_cast<std::array<std::int32_t, 9>>(mesh.faces[f])),
                  (std::array{3 * f, 3 * f + 1, 3 * f + 2, e, e, e, -1, -1, -1}))
            << "face " << f;
        ASSERT_TRUE(e >= 0 && e <= highest + 1) << "face " << f;
        const Vec own = OwnNormal(f), n = Stored(mesh.normals[e]);
        if (e > highest) {
            highest = e;
            EXPECT_EQ(n, Six(own)) << "entry " << e << " holds the normal of face " << f;
        }
        const Vec m = Stored(mesh.normals[mesh.faces[twin].normalIndex[0]]);
        ASSERT_EQ(n, (Vec{-m[0], -m[1], -m[2]})) << "face " << f;
        for (int k = 0; k < 3; ++k)
            ASSERT_EQ(Corner(f, k), Corner(twin, 2 - k)) << "face " << f;
        ASSERT_EQ(Corner(first + 1, 0), Corner(first, 0)) << "face " << f;
        ASSERT_EQ(Corner(first + 1, 1), Corner(first, 2)) << "face " << f;
        const bool flat = own == Vec{0, 0, 0};
        degenerate += flat;
        EXPECT_TRUE(!flat || (f % 2 == 1 && Corner(f, 0) == Corner(f, 2) && e == 1))
            << "face " << f;
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(n[i], own[i], 1.01e-4) << "face " << f;
        EXPECT_TRUE(flat || f % 4 >= 2 || n[1] >= 0.138509) << "normal of +y face " << f;
    }
    EXPECT_EQ(highest, mesh.normalCount - 1);
    EXPECT_EQ(degenerate, 2420);
}

// Grid nodes have x and z on multiples of 0.125, x + z on a multiple of 0.25 and y = x² - z²;
// crossing points lie on y = 3 or y = -3. The set is symmetric in x and in z, and its box reaches
// from -2.8 to 2.8 in x and z (face 0 has x = 2.8).
TEST(MeshTables, PositionsAreGridNodesAndCrossingPoints) {
    std::set<Vec> positions;
    for (int v = 0; v < mesh.vertexCount; ++v)
        positions.insert(Stored(mesh.vertices[v]));
    EXPECT_EQ(positions.size(), 795u);
    int nodes = 0, above = 0, below = 0;
    for (const auto& [x, y, z] : positions) {
        const auto whole = [](double value) { return value == std::floor(value); };
        if (whole(8 * x) && whole(8 * z) && whole(4 * (x + z)) && y == x * x - z * z &&
            std::fabs(y) <= 3) {
            ++nodes;
        } else {
            EXPECT_EQ(std::fabs(y), 3) << "off the surface: " << x << " " << y << " " << z;
            (y > 0 ? above : below)++;
        }
        EXPECT_TRUE(positions.count({-x, y, z}) && positions.count({x, y, -z})) << x << " " << z;
        EXPECT_LE(std::max(std::fabs(x), std::fabs(z)), 2.8) << "outside the bounding box";
    }
    EXPECT_EQ(nodes, 617);
    EXPECT_EQ(above, 72) << "crossing points on y = 3";
    EXPECT_EQ(below, 106) << "crossing points on y = -3";
}

}  // namespace
