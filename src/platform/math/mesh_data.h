// In-memory indexed triangle mesh (the D3DX mesh stand-in): one vertex array of
// a fixed vertex kind and a 16-bit index list, three indices per face.
#pragma once
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>
#include "platform/math/math3d.h"

struct MeshHitTree;

// Vertex kinds; the position is always the first 12 bytes.
//   0: position, normal, u, v                         (32 bytes)
//   1: position, diffuse ARGB, specular ARGB, u, v    (28 bytes)
//   2: position, normal, u, v, tangent                (44 bytes)
enum MeshVertexKind : int {
    MESH_VERTEX_NORMAL_TEX = 0,
    MESH_VERTEX_LIT_TEX = 1,
    MESH_VERTEX_BUMP = 2,
};

// Byte size of one vertex of the kind; 0 for an unknown kind.
unsigned MeshVertexStride(int kind);
// Byte offsets inside a vertex of the kind; -1 when the kind has no such part.
int MeshNormalOffset(int kind);
int MeshTexOffset(int kind);
int MeshDiffuseOffset(int kind);
int MeshSpecularOffset(int kind);
int MeshTangentOffset(int kind);

struct MeshData {
    int vertexKind = MESH_VERTEX_NORMAL_TEX;
    unsigned fvf = 0;          // device vertex format, kept for the drawing code
    unsigned stride = 32;
    unsigned vertexCount = 0;
    unsigned faceCount = 0;
    std::vector<uint8_t> vertices;  // vertexCount * stride bytes
    std::vector<uint16_t> indices;  // faceCount * 3

    // Sizes the arrays (zero-filled). False for an unknown kind.
    bool Create(unsigned faces, unsigned verts, int kind, unsigned fvfCode = 0);
    uint8_t* Vertex(unsigned i) { return vertices.data() + size_t(i) * stride; }
    const uint8_t* Vertex(unsigned i) const { return vertices.data() + size_t(i) * stride; }
    Vec3 Position(unsigned i) const
    {
        Vec3 p;
        if (i >= vertexCount) return p;
        std::memcpy(&p.x, Vertex(i), 12);
        return p;
    }
    // Moving a vertex drops the hit tree for good: a mesh that morphs keeps the face loop.
    void SetPosition(unsigned i, const Vec3& p);
    // The faces' box tree for ray tests, built on first use; null once positions have moved
    // (see SetPosition) or for a mesh without a usable face. After the first ray test,
    // positions change only through SetPosition.
    const MeshHitTree* HitTree() const;
    // A copy in another vertex kind: position, normal and u, v carried over where both
    // kinds have them; a new diffuse is opaque white, specular and tangent zero.
    bool CloneAs(int kind, unsigned fvfCode, MeshData* out) const;

private:
    mutable std::shared_ptr<const MeshHitTree> hitTree_;
    mutable bool hitTreeTried_ = false;
    bool positionsMoved_ = false;
};
