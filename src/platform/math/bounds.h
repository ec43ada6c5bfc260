// Bounding volumes and ray tests (D3DX-style). Rays are a start point and a
// direction; distances are in multiples of the direction's length.
#pragma once
#include <vector>
#include "platform/math/math3d.h"

struct MeshData;

// positions: count points, each the first 12 bytes of a stride-sized vertex.
// False (outputs untouched) for no points.
bool ComputeBoundingBox(const void* positions, unsigned count, unsigned stride, Vec3* outMin, Vec3* outMax);
// Centre: the mean of the points; radius: the largest distance from it.
bool ComputeBoundingSphere(const void* positions, unsigned count, unsigned stride, Vec3* outCentre, float* outRadius);

// Ray against a triangle, either face. On a hit, u and v are the barycentric weights
// of p1 and p2 and dist (>= 0) the distance along the ray. Any output may be null.
bool IntersectTri(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& rayPos, const Vec3& rayDir,
                  float* u, float* v, float* dist);

// True when the ray (from its start onward) meets the sphere / box.
bool SphereBoundProbe(const Vec3& centre, float radius, const Vec3& rayPos, const Vec3& rayDir);
bool BoxBoundProbe(const Vec3& boxMin, const Vec3& boxMax, const Vec3& rayPos, const Vec3& rayDir);
// The same, reporting where the ray enters (0 when it starts inside) and leaves.
bool IntersectRaySphere(const Vec3& centre, float radius, const Vec3& rayPos, const Vec3& rayDir,
                        float* tEnter, float* tLeave);
bool IntersectRayBox(const Vec3& boxMin, const Vec3& boxMax, const Vec3& rayPos, const Vec3& rayDir,
                     float* tEnter, float* tLeave);

struct MeshHit {
    unsigned face = 0;
    float u = 0.0f, v = 0.0f;
    float dist = 0.0f;
};

// Ray against every face of the mesh, either face; *nearest gets the nearest hit,
// *all (when given) every hit in face order. Faces with an index beyond the vertex
// array are skipped. Returns the number of hits.
unsigned IntersectMesh(const MeshData& mesh, const Vec3& rayPos, const Vec3& rayDir, MeshHit* nearest,
                       std::vector<MeshHit>* all = nullptr);
// The nearest hit no further than maxDist along the ray: the same face, u, v and dist as
// IntersectMesh's nearest when that lies within maxDist, else false. Larger meshes go
// through their hit tree; fullLoop forces the plain face loop.
bool IntersectMeshWithin(const MeshData& mesh, const Vec3& rayPos, const Vec3& rayDir, float maxDist,
                         MeshHit* nearest, bool fullLoop = false);
