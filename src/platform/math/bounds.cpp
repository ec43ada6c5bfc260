#include "platform/math/bounds.h"
#include <algorithm>
#include <cstring>
#include <limits>
#include "platform/math/mesh_data.h"
#include "platform/math/mesh_hit_tree.h"

namespace {

Vec3 PointAt(const void* base, unsigned i, unsigned stride)
{
    Vec3 p;
    std::memcpy(&p.x, static_cast<const unsigned char*>(base) + size_t(i) * stride, 12);
    return p;
}

}  // namespace

bool ComputeBoundingBox(const void* positions, unsigned count, unsigned stride, Vec3* outMin, Vec3* outMax)
{
    if (!positions || count == 0) return false;
    Vec3 lo = PointAt(positions, 0, stride), hi = lo;
    for (unsigned i = 1; i < count; ++i) {
        Vec3 p = PointAt(positions, i, stride);
        lo.x = std::min(lo.x, p.x); lo.y = std::min(lo.y, p.y); lo.z = std::min(lo.z, p.z);
        hi.x = std::max(hi.x, p.x); hi.y = std::max(hi.y, p.y); hi.z = std::max(hi.z, p.z);
    }
    if (outMin) *outMin = lo;
    if (outMax) *outMax = hi;
    return true;
}

bool ComputeBoundingSphere(const void* positions, unsigned count, unsigned stride, Vec3* outCentre, float* outRadius)
{
    if (!positions || count == 0) return false;
    Vec3 sum;
    for (unsigned i = 0; i < count; ++i) sum += PointAt(positions, i, stride);
    Vec3 c = sum / float(count);
    float r2 = 0.0f;
    for (unsigned i = 0; i < count; ++i) r2 = std::max(r2, Vec3LengthSq(PointAt(positions, i, stride) - c));
    if (outCentre) *outCentre = c;
    if (outRadius) *outRadius = std::sqrt(r2);
    return true;
}

bool IntersectTri(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& rayPos, const Vec3& rayDir,
                  float* u, float* v, float* dist)
{
    // Solve rayPos + t dir = p0 + a (p1 - p0) + b (p2 - p0) by Cramer's rule.
    Vec3 e1 = p1 - p0, e2 = p2 - p0;
    Vec3 q = Vec3Cross(rayDir, e2);
    float det = Vec3Dot(e1, q);
    if (det == 0.0f || !std::isfinite(det)) return false;
    // A face with no area (corners on one line) or a ray along its plane leaves only
    // rounding in det, and a, b and t would be noise: a "hit" anywhere, often at the start.
    // |det| = |dir| |e1 x e2| |cos|, so it is measured against the edges and the direction.
    if (det * det <= 1e-10f * Vec3LengthSq(e1) * Vec3LengthSq(e2) * Vec3LengthSq(rayDir)) return false;
    float inv = 1.0f / det;
    Vec3 s = rayPos - p0;
    // Written so that a NaN (a near-degenerate face) is a miss, not a hit.
    float a = Vec3Dot(s, q) * inv;
    if (!(a >= 0.0f && a <= 1.0f)) return false;
    Vec3 r = Vec3Cross(s, e1);
    float b = Vec3Dot(rayDir, r) * inv;
    if (!(b >= 0.0f && a + b <= 1.0f)) return false;
    float t = Vec3Dot(e2, r) * inv;
    if (!(t >= 0.0f)) return false;
    if (u) *u = a;
    if (v) *v = b;
    if (dist) *dist = t;
    return true;
}

bool IntersectRaySphere(const Vec3& centre, float radius, const Vec3& rayPos, const Vec3& rayDir,
                        float* tEnter, float* tLeave)
{
    float a = Vec3LengthSq(rayDir);
    if (a == 0.0f || radius < 0.0f) return false;
    Vec3 d = rayPos - centre;
    float b = Vec3Dot(d, rayDir);
    float c = Vec3LengthSq(d) - radius * radius;
    float disc = b * b - a * c;
    if (disc < 0.0f) return false;
    float root = std::sqrt(disc);
    float t1 = (-b - root) / a, t2 = (-b + root) / a;
    if (t2 < 0.0f) return false;  // wholly behind the start
    if (tEnter) *tEnter = std::max(t1, 0.0f);
    if (tLeave) *tLeave = t2;
    return true;
}

bool SphereBoundProbe(const Vec3& centre, float radius, const Vec3& rayPos, const Vec3& rayDir)
{
    return IntersectRaySphere(centre, radius, rayPos, rayDir, nullptr, nullptr);
}

bool IntersectRayBox(const Vec3& boxMin, const Vec3& boxMax, const Vec3& rayPos, const Vec3& rayDir,
                     float* tEnter, float* tLeave)
{
    float lo = 0.0f, hi = std::numeric_limits<float>::infinity();
    const float p[3] = {rayPos.x, rayPos.y, rayPos.z};
    const float d[3] = {rayDir.x, rayDir.y, rayDir.z};
    const float mn[3] = {boxMin.x, boxMin.y, boxMin.z};
    const float mx[3] = {boxMax.x, boxMax.y, boxMax.z};
    for (int k = 0; k < 3; ++k) {
        if (d[k] == 0.0f) {
            if (p[k] < mn[k] || p[k] > mx[k]) return false;
            continue;
        }
        float t1 = (mn[k] - p[k]) / d[k], t2 = (mx[k] - p[k]) / d[k];
        if (t1 > t2) std::swap(t1, t2);
        lo = std::max(lo, t1);
        hi = std::min(hi, t2);
        if (lo > hi) return false;
    }
    if (tEnter) *tEnter = lo;
    if (tLeave) *tLeave = hi;
    return true;
}

bool BoxBoundProbe(const Vec3& boxMin, const Vec3& boxMax, const Vec3& rayPos, const Vec3& rayDir)
{
    return IntersectRayBox(boxMin, boxMax, rayPos, rayDir, nullptr, nullptr);
}

unsigned IntersectMesh(const MeshData& mesh, const Vec3& rayPos, const Vec3& rayDir, MeshHit* nearest,
                       std::vector<MeshHit>* all)
{
    unsigned hits = 0;
    MeshHit best;
    if (all) all->clear();
    size_t faces = std::min<size_t>(mesh.faceCount, mesh.indices.size() / 3);
    size_t verts = std::min<size_t>(mesh.vertexCount, mesh.stride ? mesh.vertices.size() / mesh.stride : 0);
    for (size_t f = 0; f < faces; ++f) {
        unsigned i0 = mesh.indices[f * 3], i1 = mesh.indices[f * 3 + 1], i2 = mesh.indices[f * 3 + 2];
        if (i0 >= verts || i1 >= verts || i2 >= verts) continue;
        MeshHit h;
        h.face = unsigned(f);
        if (!IntersectTri(mesh.Position(i0), mesh.Position(i1), mesh.Position(i2), rayPos, rayDir, &h.u, &h.v, &h.dist))
            continue;
        if (hits == 0 || h.dist < best.dist) best = h;
        ++hits;
        if (all) all->push_back(h);
    }
    if (hits && nearest) *nearest = best;
    return hits;
}

bool IntersectMeshWithin(const MeshData& mesh, const Vec3& rayPos, const Vec3& rayDir, float maxDist,
                         MeshHit* nearest, bool fullLoop)
{
    // Small meshes gain nothing from a tree.
    constexpr unsigned kTreeFaces = 16;
    if (!fullLoop && mesh.faceCount >= kTreeFaces)
        if (const MeshHitTree* tree = mesh.HitTree()) return tree->Nearest(rayPos, rayDir, maxDist, nearest);
    bool found = false;
    MeshHit best;
    size_t faces = std::min<size_t>(mesh.faceCount, mesh.indices.size() / 3);
    size_t verts = std::min<size_t>(mesh.vertexCount, mesh.stride ? mesh.vertices.size() / mesh.stride : 0);
    for (size_t f = 0; f < faces; ++f) {
        unsigned i0 = mesh.indices[f * 3], i1 = mesh.indices[f * 3 + 1], i2 = mesh.indices[f * 3 + 2];
        if (i0 >= verts || i1 >= verts || i2 >= verts) continue;
        MeshHit h;
        h.face = unsigned(f);
        if (!IntersectTri(mesh.Position(i0), mesh.Position(i1), mesh.Position(i2), rayPos, rayDir, &h.u, &h.v, &h.dist))
            continue;
        if (!(h.dist <= maxDist)) continue;
        if (!found || h.dist < best.dist) best = h;
        found = true;
    }
    if (found && nearest) *nearest = best;
    return found;
}
