#include "platform/math/mesh_data.h"
#include <cstring>
#include "platform/math/mesh_hit_tree.h"

unsigned MeshVertexStride(int kind)
{
    switch (kind) {
    case MESH_VERTEX_NORMAL_TEX: return 32;
    case MESH_VERTEX_LIT_TEX: return 28;
    case MESH_VERTEX_BUMP: return 44;
    default: return 0;
    }
}

int MeshNormalOffset(int kind) { return kind == MESH_VERTEX_NORMAL_TEX || kind == MESH_VERTEX_BUMP ? 12 : -1; }
int MeshTexOffset(int kind)
{
    switch (kind) {
    case MESH_VERTEX_NORMAL_TEX: return 24;
    case MESH_VERTEX_LIT_TEX: return 20;
    case MESH_VERTEX_BUMP: return 24;
    default: return -1;
    }
}
int MeshDiffuseOffset(int kind) { return kind == MESH_VERTEX_LIT_TEX ? 12 : -1; }
int MeshSpecularOffset(int kind) { return kind == MESH_VERTEX_LIT_TEX ? 16 : -1; }
int MeshTangentOffset(int kind) { return kind == MESH_VERTEX_BUMP ? 32 : -1; }

bool MeshData::Create(unsigned faces, unsigned verts, int kind, unsigned fvfCode)
{
    unsigned s = MeshVertexStride(kind);
    if (s == 0) return false;
    vertexKind = kind;
    fvf = fvfCode;
    stride = s;
    vertexCount = verts;
    faceCount = faces;
    vertices.assign(size_t(verts) * s, 0);
    indices.assign(size_t(faces) * 3, 0);
    hitTree_.reset();
    hitTreeTried_ = false;
    positionsMoved_ = false;
    return true;
}

void MeshData::SetPosition(unsigned i, const Vec3& p)
{
    if (i >= vertexCount) return;
    std::memcpy(Vertex(i), &p.x, 12);
    positionsMoved_ = true;
    hitTree_.reset();
}

const MeshHitTree* MeshData::HitTree() const
{
    if (positionsMoved_) return nullptr;
    if (!hitTreeTried_) {
        hitTreeTried_ = true;
        hitTree_ = MeshHitTree::Build(*this);
    }
    return hitTree_.get();
}

bool MeshData::CloneAs(int kind, unsigned fvfCode, MeshData* out) const
{
    if (!out || MeshVertexStride(kind) == 0) return false;
    MeshData m;
    m.Create(faceCount, vertexCount, kind, fvfCode);
    m.indices = indices;
    int srcN = MeshNormalOffset(vertexKind), dstN = MeshNormalOffset(kind);
    int srcT = MeshTexOffset(vertexKind), dstT = MeshTexOffset(kind);
    int dstD = MeshDiffuseOffset(kind);
    int srcD = MeshDiffuseOffset(vertexKind), srcS = MeshSpecularOffset(vertexKind), dstS = MeshSpecularOffset(kind);
    int srcG = MeshTangentOffset(vertexKind), dstG = MeshTangentOffset(kind);
    const uint32_t white = 0xFFFFFFFFu;
    for (unsigned i = 0; i < vertexCount; ++i) {
        const uint8_t* s = Vertex(i);
        uint8_t* d = m.Vertex(i);
        std::memcpy(d, s, 12);
        if (srcN >= 0 && dstN >= 0) std::memcpy(d + dstN, s + srcN, 12);
        if (srcT >= 0 && dstT >= 0) std::memcpy(d + dstT, s + srcT, 8);
        if (dstD >= 0) std::memcpy(d + dstD, srcD >= 0 ? s + srcD : reinterpret_cast<const uint8_t*>(&white), 4);
        if (srcS >= 0 && dstS >= 0) std::memcpy(d + dstS, s + srcS, 4);
        if (srcG >= 0 && dstG >= 0) std::memcpy(d + dstG, s + srcG, 12);
    }
    *out = std::move(m);
    return true;
}
