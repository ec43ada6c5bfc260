// The rendering side of CGameObject (world/game_object.h): textures and meshes of an
// object, its bounds, drawing by draw mode, and ray tests against its mesh and box.
// The member functions are defined in object_draw.cpp; the helpers below are shared
// with the mesh loader and the tests.
#pragma once
#include "platform/math/math3d.h"
#include "platform/math/mesh_data.h"

class CMesh;
class CGameObject;

// Fills the tangents of a bump-kind mesh (16-bit indices). A degenerate triangle adds
// nothing, so a vertex used only by such triangles keeps a zero tangent.
void ComputeMeshTangents(MeshData* mesh);

// The bump vertex declaration of a record, created on the renderer's device on first
// use (null without a device); released with the record.
void* GetMeshVertexDecl(CMesh* mesh);
void ReleaseMeshVertexDecl(CMesh* mesh);

// Nearest hit of the segment (start, end) against every triangle of the mesh, both faces.
// *outT gets the fraction of the segment (0 ... 1).
bool IntersectSegmentMesh(const MeshData& mesh, const Vec3& start, const Vec3& end, float* outT);
// Nearest hit of the segment against the twelve box triangles of a mesh record.
bool IntersectSegmentBox(const CMesh& mesh, const Vec3& start, const Vec3& end, float* outT);

// Nearest hit of a list of world-space segments against the object's mesh box, tested in
// the object's space. CGameObject::IntersectBoxSegments takes its nine segments from here.
bool IntersectBoxSegmentList(CGameObject* object, const Vec3* segments, int segmentCount, Vec3* outPoint);

// The world-space x and z range (minX, maxX, minZ, maxZ) outside which CGameObject::IntersectRays
// can never hit the object: its mesh and its mesh box. False when no ray can hit it at all.
bool ObjectHitBoundsXZ(const CGameObject& object, float out[4]);

// Scale × world (or draw) matrix of an object as the ray tests and the drawing use it.
Matrix ObjectScaledMatrix(const CGameObject& object, bool useWorldMatrix);

// Cosine pulse of the second texture layer for a game time in milliseconds, 0 ... 255.
unsigned PulseIntensity(unsigned gameTimeMs);

// Half size of the fixed box that stands for a planet landscape in the ray tests.
constexpr float kLandscapeHitBoxHalf = 500.0f;
