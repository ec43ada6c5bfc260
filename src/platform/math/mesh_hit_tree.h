// A bounding-box tree over a mesh's faces, so a ray test visits only the faces whose boxes
// the ray passes through instead of all of them.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>
#include "platform/math/math3d.h"

struct MeshData;
struct MeshHit;

struct MeshHitTree {
    struct Node {
        Vec3 lo, hi;
        uint32_t first = 0;  // leaf: first triangle; inner: index of the second child
        uint32_t count = 0;  // leaf: number of triangles; inner: 0 (the first child follows)
    };
    struct Tri {
        Vec3 p0, p1, p2;
        uint32_t face = 0;
    };
    std::vector<Node> nodes;
    std::vector<Tri> tris;
    float pad = 0.0f;  // every box is grown by this much on each side

    // Null for a mesh without a usable face.
    static std::shared_ptr<const MeshHitTree> Build(const MeshData& mesh);

    // The nearest hit with dist <= maxDist (ties to the lower face): the same face, u, v
    // and dist the full face loop finds within that distance.
    bool Nearest(const Vec3& rayPos, const Vec3& rayDir, float maxDist, MeshHit* out) const;
};
