// The compiled-in saddle mesh: what its tables must satisfy as a whole, a few entries worked out
// by hand, and the generator's OBJ output read back as a real OBJ reader sees it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <tiny_obj_loader.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "model/paraboloid_mesh.h"

namespace {

using Vec = std::array<double, 3>;
const ParaboloidMesh& mesh = paraboloidMesh;

// Rounded to six decimals; for a stored float, the decimal number it stands for.
template <typename Triple>
Vec Six(const Triple& v) {
    return {std::rint(v[0] * 1e6) / 1e6, std::rint(v[1] * 1e6) / 1e6, std::rint(v[2] * 1e6) / 1e6};
}
Vec Corner(int face, int k) {
    return Six(mesh.vertices[mesh.faces[face].vertexIndex[k]]);
}

// The face's own unit normal, from its corners as decimals; zero for a degenerate face.
Vec OwnNormal(int face) {
    const Vec a = Corner(face, 0), b = Corner(face, 1), c = Corner(face, 2);
    const Vec e{b[0] - a[0], b[1] - a[1], b[2] - a[2]}, g{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    const Vec n{e[1] * g[2] - e[2] * g[1], e[2] * g[0] - e[0] * g[2], e[0] * g[1] - e[1] * g[0]};
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    return length == 0 ? Vec{0, 0, 0} : Vec{n[0] / length, n[1] / length, n[2] / length};
}

// Exit status of the generator run with the given arguments, or -1 if it did not exit.
int RunGenerator(const std::string& arguments) {
    const int status = std::system(("'" MESH_GENERATOR "' " + arguments + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Rows are walked from the largest v and cells within a row from the largest u, so face 0 comes
// from the half towards larger u and v of the cell 0.5 <= u <= 0.75, 4.75 <= v <= 5, clipped at
// y = 3 to the triangle p0 D p2. Faces 256 and 257 open entries 87 and 88, whose values differ by
// less than 0.00001 but whose keys do not, and face 324 shares entry 87; face 3964 opens entry 1115
// with the value of entry 1053, which face 3965 shares: keys come from the unrounded normals.
TEST(MeshTables, WorkedEntries) {
    EXPECT_EQ((std::array{Corner(0, 0), Corner(0, 1), Corner(0, 2)}),
              (std::array<Vec, 3>{{{2.75, 3, 2.132353}, {2.75, 2.5, 2.25}, {2.8, 3, 2.2}}}));
    const std::tuple<int, int, Vec> normals[] = {
        {0, 0, {-0.796425, 0.138509, 0.588662}},    {256, 87, {-0.823653, 0.193801, 0.532951}},
        {257, 88, {-0.823650, 0.193799, 0.532956}}, {324, 87, {-0.823653, 0.193801, 0.532951}},
        {3964, 1115, {0.889001, 0.254, 0.381}},     {3965, 1053, {0.889001, 0.254, 0.381}}};
    for (const auto& [face, entry, value] : normals)
        EXPECT_EQ(std::tuple(face, mesh.faces[face].normalIndex[0], Six(mesh.normals[entry])),
                  std::tuple(face, entry, value));
}

// Face f owns vertex entries 3f to 3f + 2 and one normal entry; entries are numbered in order of
// first use and hold the normal of the face that first uses them, later faces sharing an entry
// differing from it by less than 0.0001 per component. Each kept polygon p0 p1 p2 [p3] gives
// (p0, p1, p2), (p0, p2, p3), then both reversed (face f ^ 2) with the negated normal; a triangle
// takes p3 = p0, so its second and fourth faces are degenerate and use the zero entry 1.
TEST(MeshTables, FacesComeInGroupsOfFour) {
    ASSERT_EQ(std::tuple(mesh.faceCount, mesh.vertexCount, mesh.normalCount),
              std::tuple(5152, 3 * 5152, 1433));
    int highest = -1;
    for (int f = 0; f < mesh.faceCount; ++f) {
        SCOPED_TRACE("face " + std::to_string(f));
        const int e = mesh.faces[f].normalIndex[0], first = f - f % 4;
        ASSERT_EQ((std::bit_cast<std::array<std::int32_t, 9>>(mesh.faces[f])),
                  (std::array{3 * f, 3 * f + 1, 3 * f + 2, e, e, e, -1, -1, -1}));
        ASSERT_TRUE(e >= 0 && e <= highest + 1);
        const Vec own = OwnNormal(f), n = Six(mesh.normals[e]),
                  m = Six(mesh.normals[mesh.faces[f ^ 2].normalIndex[0]]);
        // An entry used for the first time holds this face's normal.
        EXPECT_EQ(n, e > highest ? Six(own) : n) << "entry " << e << " opened here";
        highest = std::max(highest, e);
        ASSERT_EQ(n, (Vec{-m[0], -m[1], -m[2]}));
        for (int k = 0; k < 3; ++k)
            ASSERT_EQ(Corner(f, k), Corner(f ^ 2, 2 - k));
        ASSERT_EQ(Corner(first + 1, 0), Corner(first, 0));
        ASSERT_EQ(Corner(first + 1, 1), Corner(first, 2));
        const bool flat = own == Vec{0, 0, 0};
        EXPECT_TRUE(!flat || (f % 2 == 1 && Corner(f, 0) == Corner(f, 2) && e == 1));
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(n[i], own[i], 1.01e-4);
        EXPECT_TRUE(flat || f % 4 >= 2 || n[1] >= 0.138509) << "normal of a +y face";
    }
    EXPECT_EQ(highest, mesh.normalCount - 1);
}

// paraboloid-mesh --obj writes the compiled-in tables entry for entry. The file holds every value
// with six decimals, so reading back the same floats also shows that each compiled-in value is
// the float nearest to a six-decimal number. Bad arguments and unwritable files are failures.
TEST(MeshObj, ReadsBackAsTheCompiledInTables) {
    EXPECT_EQ(RunGenerator("--mesh out.obj"), 2);
    EXPECT_EQ(RunGenerator("--obj /nonexistent-directory/mesh.obj"), 1);
    const std::string path = testing::TempDir() + "mesh-" + std::to_string(getpid()) + ".obj";
    ASSERT_EQ(RunGenerator("--obj '" + path + "'"), 0);
    tinyobj::ObjReader obj;
    const bool loaded = obj.ParseFromFile(path);
    std::remove(path.c_str());
    ASSERT_TRUE(loaded) << obj.Error();
    ASSERT_EQ(obj.GetShapes().size(), 1u);
    EXPECT_EQ(obj.GetShapes()[0].name, "0_0");
    const tinyobj::mesh_t& read = obj.GetShapes()[0].mesh;
    ASSERT_TRUE(read.num_face_vertices == std::vector<unsigned char>(mesh.faceCount, 3));
    const auto floats = [](auto table, int count) { return std::vector(table[0], table[count]); };
    EXPECT_TRUE(obj.GetAttrib().vertices == floats(mesh.vertices, mesh.vertexCount));
    EXPECT_TRUE(obj.GetAttrib().normals == floats(mesh.normals, mesh.normalCount));
    // Each corner i: vertex entry i, the normal entry of its face, no texture coordinate.
    for (int i = 0; i < 3 * mesh.faceCount; ++i)
        ASSERT_EQ((std::bit_cast<std::array<int, 3>>(read.indices[i])),
                  (std::array{i, mesh.faces[i / 3].normalIndex[0], -1}));
}

}  // namespace
