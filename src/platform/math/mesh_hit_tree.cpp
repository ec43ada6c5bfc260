#include "platform/math/mesh_hit_tree.h"
#include <algorithm>
#include <cmath>
#include <limits>
#include "platform/math/bounds.h"
#include "platform/math/mesh_data.h"

namespace {

constexpr uint32_t kLeafTris = 4;
constexpr int kMaxDepth = 60;

Vec3 Min3(const Vec3& a, const Vec3& b) { return {std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)}; }
Vec3 Max3(const Vec3& a, const Vec3& b) { return {std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)}; }
float Axis(const Vec3& v, int k) { return k == 0 ? v.x : k == 1 ? v.y : v.z; }
float MaxAbs(const Vec3& v) { return std::max(std::fabs(v.x), std::max(std::fabs(v.y), std::fabs(v.z))); }

struct Builder {
    MeshHitTree& tree;
    std::vector<Vec3> centres;

    uint32_t Make(uint32_t first, uint32_t count, int depth)
    {
        const uint32_t index = uint32_t(tree.nodes.size());
        tree.nodes.emplace_back();
        Vec3 lo = tree.tris[first].p0, hi = lo, clo = centres[first], chi = clo;
        for (uint32_t i = first; i < first + count; ++i) {
            const MeshHitTree::Tri& t = tree.tris[i];
            lo = Min3(lo, Min3(t.p0, Min3(t.p1, t.p2)));
            hi = Max3(hi, Max3(t.p0, Max3(t.p1, t.p2)));
            clo = Min3(clo, centres[i]);
            chi = Max3(chi, centres[i]);
        }
        tree.nodes[index].lo = lo;
        tree.nodes[index].hi = hi;
        const Vec3 spread = chi - clo;
        const int axis = spread.x >= spread.y && spread.x >= spread.z ? 0 : spread.y >= spread.z ? 1 : 2;
        if (count <= kLeafTris || depth >= kMaxDepth || Axis(spread, axis) <= 0.0f) {
            tree.nodes[index].first = first;
            tree.nodes[index].count = count;
            return index;
        }
        // Median split on the widest spread of the triangles' centres.
        std::vector<uint32_t> order(count);
        for (uint32_t i = 0; i < count; ++i) order[i] = first + i;
        const uint32_t half = count / 2;
        std::nth_element(order.begin(), order.begin() + half, order.end(), [&](uint32_t a, uint32_t b) {
            const float ca = Axis(centres[a], axis), cb = Axis(centres[b], axis);
            return ca < cb || (ca == cb && a < b);
        });
        std::vector<MeshHitTree::Tri> tris(count);
        std::vector<Vec3> cs(count);
        for (uint32_t i = 0; i < count; ++i) {
            tris[i] = tree.tris[order[i]];
            cs[i] = centres[order[i]];
        }
        std::copy(tris.begin(), tris.end(), tree.tris.begin() + first);
        std::copy(cs.begin(), cs.end(), centres.begin() + first);
        Make(first, half, depth + 1);
        const uint32_t second = Make(first + half, count - half, depth + 1);
        tree.nodes[index].first = second;
        tree.nodes[index].count = 0;
        return index;
    }
};

// Where the ray enters the box (grown by pad); false when it misses it or the box lies
// wholly behind the start. A NaN in a slab never rules the box out.
bool EnterBox(const MeshHitTree::Node& n, float pad, const Vec3& p, const Vec3& inv, float* tEnter)
{
    float lo = 0.0f, hi = std::numeric_limits<float>::infinity();
    const float ps[3] = {p.x, p.y, p.z}, is[3] = {inv.x, inv.y, inv.z};
    const float mn[3] = {n.lo.x - pad, n.lo.y - pad, n.lo.z - pad};
    const float mx[3] = {n.hi.x + pad, n.hi.y + pad, n.hi.z + pad};
    for (int k = 0; k < 3; ++k) {
        if (std::isinf(is[k])) {
            // Parallel to the slab (or nearly so): only a start outside it misses.
            if (ps[k] < mn[k] || ps[k] > mx[k]) return false;
            continue;
        }
        float t1 = (mn[k] - ps[k]) * is[k], t2 = (mx[k] - ps[k]) * is[k];
        if (t1 > t2) std::swap(t1, t2);
        if (t1 > lo) lo = t1;
        if (t2 < hi) hi = t2;
    }
    if (lo > hi) return false;
    *tEnter = lo;
    return true;
}

}  // namespace

std::shared_ptr<const MeshHitTree> MeshHitTree::Build(const MeshData& mesh)
{
    auto tree = std::make_shared<MeshHitTree>();
    const size_t faces = std::min<size_t>(mesh.faceCount, mesh.indices.size() / 3);
    const size_t verts = std::min<size_t>(mesh.vertexCount, mesh.stride ? mesh.vertices.size() / mesh.stride : 0);
    Builder b{*tree, {}};
    tree->tris.reserve(faces);
    b.centres.reserve(faces);
    for (size_t f = 0; f < faces; ++f) {
        const unsigned i0 = mesh.indices[f * 3], i1 = mesh.indices[f * 3 + 1], i2 = mesh.indices[f * 3 + 2];
        if (i0 >= verts || i1 >= verts || i2 >= verts) continue;
        Tri t{mesh.Position(i0), mesh.Position(i1), mesh.Position(i2), uint32_t(f)};
        // A face with a non-finite corner has no usable box: leave such meshes to the face loop.
        if (!std::isfinite(MaxAbs(t.p0) + MaxAbs(t.p1) + MaxAbs(t.p2))) return nullptr;
        tree->tris.push_back(t);
        b.centres.push_back((t.p0 + t.p1 + t.p2) / 3.0f);
    }
    if (tree->tris.empty()) return nullptr;
    tree->nodes.reserve(tree->tris.size() / 2 + 1);
    b.Make(0, uint32_t(tree->tris.size()), 0);
    const Vec3 extent = tree->nodes[0].hi - tree->nodes[0].lo;
    // Generous against rounding: a face's computed hit may stray a little from its plane.
    tree->pad = 1e-3f * MaxAbs(extent) + 1e-5f * std::max(MaxAbs(tree->nodes[0].lo), MaxAbs(tree->nodes[0].hi)) + 1e-6f;
    return tree;
}

bool MeshHitTree::Nearest(const Vec3& rayPos, const Vec3& rayDir, float maxDist, MeshHit* out) const
{
    if (nodes.empty() || !(maxDist >= 0.0f)) return false;
    const Vec3 inv(1.0f / rayDir.x, 1.0f / rayDir.y, 1.0f / rayDir.z);
    // A far start or a long ray carries a larger rounding error into the computed hit.
    const float grow = pad + 1e-5f * (MaxAbs(rayPos) + MaxAbs(rayDir) * std::min(maxDist, 1e6f));
    bool found = false;
    MeshHit best;
    float limit = maxDist;
    struct Entry {
        uint32_t node;
        float t;
    };
    Entry stack[2 * kMaxDepth + 4];
    int top = 0;
    float t0;
    if (!EnterBox(nodes[0], grow, rayPos, inv, &t0) || t0 > limit) return false;
    stack[top++] = {0, t0};
    while (top > 0) {
        const Entry e = stack[--top];
        if (e.t > limit) continue;
        const Node& n = nodes[e.node];
        if (n.count) {
            for (uint32_t i = n.first; i < n.first + n.count; ++i) {
                const Tri& t = tris[i];
                MeshHit h;
                if (!IntersectTri(t.p0, t.p1, t.p2, rayPos, rayDir, &h.u, &h.v, &h.dist)) continue;
                if (!(h.dist <= maxDist)) continue;
                h.face = t.face;
                if (!found || h.dist < best.dist || (h.dist == best.dist && h.face < best.face)) {
                    best = h;
                    found = true;
                    limit = h.dist;
                }
            }
            continue;
        }
        const uint32_t a = e.node + 1, b = n.first;
        float ta = 0.0f, tb = 0.0f;
        const bool ha = EnterBox(nodes[a], grow, rayPos, inv, &ta) && ta <= limit;
        const bool hb = EnterBox(nodes[b], grow, rayPos, inv, &tb) && tb <= limit;
        // The nearer child goes on top, so its hits can cut the farther one off.
        if (ha && hb) {
            if (ta <= tb) {
                stack[top++] = {b, tb};
                stack[top++] = {a, ta};
            } else {
                stack[top++] = {a, ta};
                stack[top++] = {b, tb};
            }
        } else if (ha) {
            stack[top++] = {a, ta};
        } else if (hb) {
            stack[top++] = {b, tb};
        }
    }
    if (found && out) *out = best;
    return found;
}
