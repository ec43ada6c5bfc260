// Arbitrary bytes as a mesh file: parsed, and when accepted built in every vertex kind.
#include <cstddef>
#include <cstdint>
#include "render/mesh.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MeshFileData file;
    if (!ParseMeshFile(data, size, &file)) return 0;
    for (int kind = 0; kind < 3; ++kind) {
        CMesh mesh;
        mesh.m_VertexType = kind;
        mesh.Build(file);
        for (int l = 0; l < MESH_POINT_LISTS; ++l)
            for (int i = 0; i < mesh.m_PointCount[l]; ++i)
                if (!mesh.GetPoint(l, i)) __builtin_trap();
    }
    return 0;
}
