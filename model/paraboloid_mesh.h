// The saddle mesh the viewer shows: a constant record with its face, vertex
// and normal tables, generated at build time by paraboloid-mesh.
#pragma once

#include <cstdint>

struct MeshFace {
    std::int32_t vertexIndex[3];
    std::int32_t normalIndex[3];  // the three are equal in every face
    std::int32_t extraIndex[3];   // -1 in every face
};

struct ParaboloidMesh {
    const char* objectName;
    const MeshFace* faces;
    std::int32_t faceCount;
    const float (*vertices)[3];
    std::int32_t vertexCount;
    const float (*normals)[3];
    std::int32_t normalCount;
    const void* extraArray;
    std::int32_t extraCount;
    std::int32_t reserved;
};

extern const ParaboloidMesh paraboloidMesh;
