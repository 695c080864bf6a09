// paraboloid-mesh --obj writes the compiled-in tables entry for entry, as a real OBJ reader sees
// them.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <tiny_obj_loader.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "model/paraboloid_mesh.h"

namespace {

const ParaboloidMesh& mesh = paraboloidMesh;

std::string TemporaryPath(const char* name) {
    return (std::filesystem::temp_directory_path() /
            ("paraboloid-mesh-" + std::to_string(getpid()) + "-" + name))
        .string();
}

// Exit status of the generator run with the given arguments, or -1 if it did not exit.
int RunGenerator(const std::string& arguments) {
    const std::string command = "'" PARABOLOID_MESH_GENERATOR "' " + arguments + " 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Compares a table read back from the file with the compiled-in one; reports the first
// difference and how many there are.
void ExpectSameValues(const std::vector<tinyobj::real_t>& read, const float (*table)[3], int count,
                      const char* name) {
    ASSERT_EQ(read.size(), 3u * count) << name << " values";
    int differing = 0, first = -1;
    for (int i = 0; i < 3 * count; ++i) {
        if (read[i] != table[i / 3][i % 3]) {
            first = first < 0 ? i : first;
            ++differing;
        }
    }
    EXPECT_EQ(differing, 0) << name << " values differ, the first in entry " << first / 3
                            << ", component " << first % 3 << ": " << (first < 0 ? 0 : read[first])
                            << " read, " << (first < 0 ? 0 : table[first / 3][first % 3])
                            << " compiled in";
}

TEST(MeshObj, ReadsBackAsTheCompiledInTables) {
    const std::string path = TemporaryPath("tables.obj");
    ASSERT_EQ(RunGenerator("--obj '" + path + "'"), 0);

    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warning, error;
    const bool loaded = tinyobj::LoadObj(&attrib, &shapes, &materials, &warning, &error,
                                         path.c_str(), nullptr, /*triangulate=*/false);
    std::remove(path.c_str());
    ASSERT_TRUE(loaded) << error;
    EXPECT_EQ(warning, "");

    ExpectSameValues(attrib.vertices, mesh.vertices, mesh.vertexCount, "vertex");
    ExpectSameValues(attrib.normals, mesh.normals, mesh.normalCount, "normal");
    EXPECT_TRUE(attrib.texcoords.empty());

    ASSERT_EQ(shapes.size(), 1u);
    EXPECT_EQ(shapes[0].name, "0_0");
    const tinyobj::mesh_t& faces = shapes[0].mesh;
    ASSERT_EQ(faces.num_face_vertices.size(), static_cast<std::size_t>(mesh.faceCount))
        << "faces, degenerate ones included";
    ASSERT_EQ(faces.indices.size(), 3u * mesh.faceCount);
    for (int f = 0; f < mesh.faceCount; ++f) {
        ASSERT_EQ(faces.num_face_vertices[f], 3) << "face " << f;
        for (int k = 0; k < 3; ++k) {
            const tinyobj::index_t& index = faces.indices[3 * f + k];
            ASSERT_EQ(index.vertex_index, mesh.faces[f].vertexIndex[k]) << "face " << f;
            ASSERT_EQ(index.normal_index, mesh.faces[f].normalIndex[k]) << "face " << f;
            ASSERT_EQ(index.texcoord_index, -1) << "face " << f;
        }
    }
}

TEST(MeshObj, GeneratorFailsOnBadArguments) {
    EXPECT_EQ(RunGenerator(""), 2) << "no output named";
    EXPECT_EQ(RunGenerator("--obj"), 2) << "option without a file";
    EXPECT_EQ(RunGenerator("--mesh out.obj"), 2) << "unknown option";
    const std::string unwritable = TemporaryPath("missing-directory") + "/tables.obj";
    EXPECT_EQ(RunGenerator("--obj '" + unwritable + "'"), 1) << "unwritable file";
}

}  // namespace
