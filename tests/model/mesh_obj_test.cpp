// paraboloid-mesh --obj writes the compiled-in tables entry for entry, as a real OBJ reader sees
// them. The file holds every value with six decimals, so reading back the same floats also shows
// that each compiled-in value is the float nearest to a six-decimal number.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <tiny_obj_loader.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "model/paraboloid_mesh.h"

namespace {

const ParaboloidMesh& mesh = paraboloidMesh;

// Exit status of the generator run with the given arguments, or -1 if it did not exit.
int RunGenerator(const std::string& arguments) {
    const int status =
        std::system(("'" PARABOLOID_MESH_GENERATOR "' " + arguments + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(MeshObj, ReadsBackAsTheCompiledInTables) {
    const std::string path = std::filesystem::temp_directory_path() /
                             ("paraboloid-mesh-" + std::to_string(getpid()) + ".obj");
    ASSERT_EQ(RunGenerator("--obj '" + path + "'"), 0);
    tinyobj::ObjReader obj;
    const bool loaded = obj.ParseFromFile(path);
    std::remove(path.c_str());
    ASSERT_TRUE(loaded) << obj.Error();
    ASSERT_EQ(obj.GetShapes().size(), 1u);
    EXPECT_EQ(obj.GetShapes()[0].name, "0_0");
    const tinyobj::mesh_t& read = obj.GetShapes()[0].mesh;
    ASSERT_TRUE(read.num_face_vertices == std::vector<unsigned char>(mesh.faceCount, 3));
    EXPECT_TRUE(obj.GetAttrib().vertices ==
                std::vector<float>(mesh.vertices[0], mesh.vertices[mesh.vertexCount]));
    EXPECT_TRUE(obj.GetAttrib().normals ==
                std::vector<float>(mesh.normals[0], mesh.normals[mesh.normalCount]));
    for (int i = 0; i < 3 * mesh.faceCount; ++i) {
        const auto [v, n, t] = read.indices[i];
        ASSERT_EQ(std::tuple(v, n, t), std::tuple(i, mesh.faces[i / 3].normalIndex[0], -1))
            << "corner " << i % 3 << " of face " << i / 3;
    }
}

TEST(MeshObj, GeneratorFailsOnBadArgumentsAndUnwritableFiles) {
    EXPECT_EQ(RunGenerator("--mesh out.obj"), 2);
    EXPECT_EQ(RunGenerator("--obj /nonexistent-directory/mesh.obj"), 1);
}

}  // namespace
