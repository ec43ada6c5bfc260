// A mesh file (.msh) read into a shared record: sub-meshes of one topology used as
// animation frames, bounds, a coarse hit box and nine lists of named points.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>
#include "platform/math/math3d.h"
#include "platform/math/mesh_data.h"

constexpr int MESH_MAX_SUBMESHES = 100;
constexpr int MESH_NAME_SIZE = 256;
constexpr int MESH_POINT_LISTS = 9;
constexpr int MESH_BOX_CORNERS = 8;
constexpr int MESH_BOX_TRIANGLES = 12;
constexpr int MESH_ACTION_COUNT = 10;
constexpr unsigned MESH_FILE_VERTEX_SIZE = 32;
// Faces index with 16 bits.
constexpr unsigned MESH_MAX_VERTICES = 65535;

// What each of the nine point lists of a mesh holds (read by the object loaders).
enum MeshPointList : int {
    MESH_POINTS_COCKPIT = 0,    // eye / cockpit, gate-bay path, latch and operator places
    MESH_POINTS_SECOND = 1,     // hair-spring anchors
    MESH_POINTS_LASER = 2,      // laser mounts
    MESH_POINTS_ROCKET = 3,     // rocket and missile mounts
    MESH_POINTS_ENGINE = 4,     // engine nozzles
    MESH_POINTS_LIGHT1 = 5,     // light points of the three object-light effects
    MESH_POINTS_LIGHT2 = 6,
    MESH_POINTS_LIGHT3 = 7,
    MESH_POINTS_CONNECTOR = 8,  // gate connector places
};

// Vertex formats of the three vertex kinds.
constexpr unsigned MESH_FVF_VERTEX = 0x002 | 0x010 | 0x100;            // XYZ | NORMAL | TEX1
constexpr unsigned MESH_FVF_LVERTEX = 0x002 | 0x040 | 0x080 | 0x100;   // XYZ | DIFFUSE | SPECULAR | TEX1
constexpr unsigned MESH_FVF_BUMPVERTEX = 0x002 | 0x010 | 0x200 | (1u << 18); // XYZ | NORMAL | TEX2 | TEXCOORDSIZE3(1)
unsigned MeshFvfForKind(int vertexKind);

#pragma pack(push, 1)
// One vertex as stored in the file (kind 0 layout).
struct MeshFileVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
// Lit vertex: the box corners and the kind 1 layout.
struct MeshLVertex {
    float x, y, z;
    uint32_t diffuse;
    uint32_t specular;
    float u, v;
};
struct MeshBumpVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
    float tx, ty, tz;
};
#pragma pack(pop)
static_assert(sizeof(MeshFileVertex) == 32);
static_assert(sizeof(MeshLVertex) == 28);
static_assert(sizeof(MeshBumpVertex) == 44);

// The whole content of a mesh file, checked against its size.
struct MeshFileData {
    uint8_t header[12] = {};
    int subMeshCount = 0;
    int vertexCount = 0;
    int faceCount = 0;
    std::vector<MeshFileVertex> vertices;   // subMeshCount * vertexCount, sub-mesh after sub-mesh
    std::vector<uint16_t> indices;          // 3 * faceCount, shared by every sub-mesh
    MeshFileVertex boxCorners[MESH_BOX_CORNERS] = {};
    uint16_t boxIndices[MESH_BOX_TRIANGLES * 3] = {};
    std::vector<Vec3> points[MESH_POINT_LISTS];
};

// Parses a mesh file image. False for anything the format does not allow: counts out
// of range, data running past the end, face or box indices beyond their vertices.
bool ParseMeshFile(const uint8_t* data, size_t size, MeshFileData* out);

class CMesh {
public:
    int m_VertexType;                      // VertexType of the description files
    char m_Name[MESH_NAME_SIZE];           // the file name it was loaded from
    int m_ID;                              // load order; -1 until assigned
    int m_RefCount;
    int m_SubMeshCount;                    // 0 ... 100
    MeshData* m_SubMeshes[MESH_MAX_SUBMESHES];
    void* m_VertexDecl;                    // bump kind only
    MeshLVertex m_BoxVertices[MESH_BOX_CORNERS];
    uint16_t m_BoxIndices[MESH_BOX_TRIANGLES * 3];
    uint8_t m_Header[12];
    Vec3 m_BoundMin;
    Vec3 m_BoundMax;
    Vec3 m_SphereCenter;
    float m_SphereRadius;
    int m_PointCount[MESH_POINT_LISTS];
    Vec3* m_Points[MESH_POINT_LISTS];
    int m_ActionFrames[MESH_ACTION_COUNT][2];  // first and last frame per ActionType
    CMesh* m_Next;

    CMesh();
    ~CMesh();
    CMesh(const CMesh&) = delete;
    CMesh& operator=(const CMesh&) = delete;

    // Reads the file named by m_Name into this record; null when it cannot be read.
    CMesh* LoadFile();
    // Fills the record from a parsed file image (the second half of LoadFile).
    void Build(const MeshFileData& file);
    void Release();

    // The first header value, as the object loaders read it.
    float HeaderFloat() const;
    // Point i of a list, or null when the list has no such point.
    const Vec3* GetPoint(int list, int index) const;
};
