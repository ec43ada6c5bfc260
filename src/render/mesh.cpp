#include "render/mesh.h"

#include <cstring>
#include "app/settings.h"
#include "files/file_manager.h"
#include "platform/math/bounds.h"
#include "render/object_draw.h"

// Larger files are refused before anything is allocated for them.
static constexpr uint32_t kMaxMeshFileSize = 256u * 1024u * 1024u;

unsigned MeshFvfForKind(int vertexKind)
{
    switch (vertexKind) {
    case 0: return MESH_FVF_VERTEX;
    case 1: return MESH_FVF_LVERTEX;
    case 2: return MESH_FVF_BUMPVERTEX;
    default: return 0;
    }
}

namespace {

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;

    bool Take(void* out, size_t bytes)
    {
        if (bytes > size - pos) return false;
        std::memcpy(out, data + pos, bytes);
        pos += bytes;
        return true;
    }
    size_t Left() const { return size - pos; }
};

} // namespace

bool ParseMeshFile(const uint8_t* data, size_t size, MeshFileData* out)
{
    if (!data || !out) return false;
    *out = MeshFileData();
    Reader r{data, size};
    int32_t s = 0, v = 0, f = 0;
    if (!r.Take(out->header, 12) || !r.Take(&s, 4) || !r.Take(&v, 4) || !r.Take(&f, 4)) return false;
    if (s < 0 || s > MESH_MAX_SUBMESHES || v < 0 || f < 0) return false;
    if (uint32_t(v) > MESH_MAX_VERTICES) return false;
    // Faces need vertices to index.
    if (f > 0 && v == 0) return false;

    uint64_t vertexBytes = (s > 0 && v > 0) ? uint64_t(s) * uint64_t(v) * MESH_FILE_VERTEX_SIZE : 0;
    uint64_t faceBytes = uint64_t(f) * 6;
    const uint64_t fixedTail = MESH_BOX_CORNERS * 32 + MESH_BOX_TRIANGLES * 6 + MESH_POINT_LISTS * 4;
    if (vertexBytes + faceBytes + fixedTail > r.Left()) return false;

    out->subMeshCount = s;
    out->vertexCount = v;
    out->faceCount = f;
    if (vertexBytes) {
        out->vertices.resize(size_t(s) * size_t(v));
        r.Take(out->vertices.data(), size_t(vertexBytes));
    }
    if (f > 0) {
        out->indices.resize(size_t(f) * 3);
        r.Take(out->indices.data(), size_t(faceBytes));
        for (uint16_t i : out->indices)
            if (i >= uint32_t(v)) return false;
    }
    r.Take(out->boxCorners, sizeof(out->boxCorners));
    r.Take(out->boxIndices, sizeof(out->boxIndices));
    for (uint16_t i : out->boxIndices)
        if (i >= MESH_BOX_CORNERS) return false;
    for (int l = 0; l < MESH_POINT_LISTS; ++l) {
        int32_t n = 0;
        if (!r.Take(&n, 4) || n < 0) return false;
        if (uint64_t(n) * 12 > r.Left()) return false;
        out->points[l].resize(size_t(n));
        if (n) r.Take(out->points[l].data(), size_t(n) * 12);
    }
    return true;
}

CMesh::CMesh()
{
    m_VertexType = 0;
    m_Name[0] = 0;
    m_ID = -1;
    m_RefCount = 1;
    m_SubMeshCount = 0;
    std::memset(m_SubMeshes, 0, sizeof(m_SubMeshes));
    m_VertexDecl = nullptr;
    std::memset(m_BoxVertices, 0, sizeof(m_BoxVertices));
    std::memset(m_BoxIndices, 0, sizeof(m_BoxIndices));
    std::memset(m_Header, 0, sizeof(m_Header));
    m_BoundMin = m_BoundMax = m_SphereCenter = Vec3();
    m_SphereRadius = 0.0f;
    std::memset(m_PointCount, 0, sizeof(m_PointCount));
    std::memset(m_Points, 0, sizeof(m_Points));
    std::memset(m_ActionFrames, 0, sizeof(m_ActionFrames));
    m_Next = nullptr;
}

CMesh::~CMesh()
{
    Release();
}

CMesh* CMesh::LoadFile()
{
    uint32_t size = 0;
    int handle = CFileManager::Open(m_Name, FILE_KIND_WORLD, &size);
    if (handle == -1) return nullptr;
    if (size > kMaxMeshFileSize) {
        CFileManager::Close(handle);
        DebugOutF("Mesh file too large: %s", m_Name);
        return nullptr;
    }
    std::vector<uint8_t> bytes(size);
    size_t got = size ? CFileManager::Read(bytes.data(), 1, size, handle) : 0;
    CFileManager::Close(handle);

    MeshFileData file;
    if (got != size || !ParseMeshFile(bytes.data(), bytes.size(), &file)) {
        // A damaged file is treated like a missing one: no sub-meshes, no points.
        DebugOutF("Mesh file damaged: %s", m_Name);
        return nullptr;
    }
    Build(file);
    return this;
}

void CMesh::Build(const MeshFileData& file)
{
    Release();
    std::memcpy(m_Header, file.header, sizeof(m_Header));

    for (int c = 0; c < MESH_BOX_CORNERS; ++c) {
        MeshLVertex& b = m_BoxVertices[c];
        b.x = file.boxCorners[c].x;
        b.y = file.boxCorners[c].y;
        b.z = file.boxCorners[c].z;
        b.diffuse = 0xffff0000u;
        b.specular = 0;
        b.u = b.v = 0.0f;
    }
    std::memcpy(m_BoxIndices, file.boxIndices, sizeof(m_BoxIndices));

    for (int l = 0; l < MESH_POINT_LISTS; ++l) {
        int n = int(file.points[l].size());
        m_PointCount[l] = n;
        if (n) {
            m_Points[l] = new Vec3[size_t(n)];
            std::memcpy(m_Points[l], file.points[l].data(), size_t(n) * sizeof(Vec3));
        }
    }

    const unsigned faces = unsigned(file.faceCount);
    const unsigned verts = unsigned(file.vertexCount);
    const int kind = (m_VertexType >= 0 && m_VertexType <= 2) ? m_VertexType : 0;
    const unsigned fvf = MeshFvfForKind(kind);
    int count = (verts > 0) ? file.subMeshCount : 0;
    for (int s = 0; s < count; ++s) {
        // The file's vertices go into a mesh of the file layout, then into the record's kind.
        MeshData temp;
        temp.Create(faces, verts, MESH_VERTEX_NORMAL_TEX, MESH_FVF_VERTEX);
        std::memcpy(temp.vertices.data(), &file.vertices[size_t(s) * verts], size_t(verts) * MESH_FILE_VERTEX_SIZE);
        if (faces) std::memcpy(temp.indices.data(), file.indices.data(), size_t(faces) * 3 * sizeof(uint16_t));
        MeshData* mesh = new MeshData;
        if (kind == 0) {
            *mesh = std::move(temp);
        } else {
            temp.CloneAs(kind, fvf, mesh);
            if (kind == 1) {
                // Lit vertices start white without specular colour.
                for (unsigned i = 0; i < verts; ++i) {
                    MeshLVertex* lv = reinterpret_cast<MeshLVertex*>(mesh->Vertex(i));
                    lv->diffuse = 0xffffffffu;
                    lv->specular = 0;
                }
            } else {
                ComputeMeshTangents(mesh);
            }
        }
        m_SubMeshes[s] = mesh;
    }
    m_SubMeshCount = count;

    if (count > 0) {
        const MeshData* first = m_SubMeshes[0];
        ComputeBoundingBox(first->vertices.data(), first->vertexCount, first->stride, &m_BoundMin, &m_BoundMax);
        ComputeBoundingSphere(first->vertices.data(), first->vertexCount, first->stride, &m_SphereCenter,
                              &m_SphereRadius);
    }
}

void CMesh::Release()
{
    for (int s = 0; s < MESH_MAX_SUBMESHES; ++s) {
        delete m_SubMeshes[s];
        m_SubMeshes[s] = nullptr;
    }
    m_SubMeshCount = 0;
    ReleaseMeshVertexDecl(this);
    for (int l = 0; l < MESH_POINT_LISTS; ++l) {
        delete[] m_Points[l];
        m_Points[l] = nullptr;
        m_PointCount[l] = 0;
    }
}

float CMesh::HeaderFloat() const
{
    float f;
    std::memcpy(&f, m_Header, sizeof(f));
    return f;
}

const Vec3* CMesh::GetPoint(int list, int index) const
{
    if (list < 0 || list >= MESH_POINT_LISTS || index < 0 || index >= m_PointCount[list]) return nullptr;
    return &m_Points[list][index];
}
