// The box tree's ray test against the plain face loop on a fighter of the built data set:
// the same face, u, v and distance for hits, near misses, segment ends and inside starts.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/math/bounds.h"
#include "platform/math/mesh_hit_tree.h"
#include "render/mesh.h"

TEST(MeshHitTree, SameAnswersAsEveryFace)
{
    std::ifstream in(std::string(KORVANE_GAME_DIR) + "/Data/Space/Ship/Eagle.M1/Main.msh", std::ios::binary);
    if (!in) GTEST_SKIP() << "the data set is not built";
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    MeshFileData f;
    ASSERT_TRUE(ParseMeshFile(bytes.data(), bytes.size(), &f));
    CMesh mesh;
    mesh.Build(f);
    ASSERT_GT(mesh.m_SubMeshCount, 0);
    MeshData& sub = *mesh.m_SubMeshes[0];
    ASSERT_NE(sub.HitTree(), nullptr);
    const Vec3 centre = (mesh.m_BoundMin + mesh.m_BoundMax) * 0.5f;
    const float reach = Vec3Length(mesh.m_BoundMax - mesh.m_BoundMin) * 2.0f;
    const Vec3 sides[] = {{1, 0.2f, 0.1f}, {-0.3f, 1, 0.2f}, {0.1f, -0.4f, -1}, {-1, -1, 1}, {0.5f, 0.5f, -0.5f}};

    // Each row turns a face corner p and a start s into a segment.
    struct Row {
        const char* what;
        Vec3 (*end)(const Vec3& s, const Vec3& p, const Vec3& centre, float tHit);
        bool fromInside;
    };
    const Row rows[] = {
        {"through the corner and on", [](const Vec3& s, const Vec3& p, const Vec3&, float) { return p + (p - s); }, false},
        {"ending on the hit", [](const Vec3& s, const Vec3& p, const Vec3&, float t) { return s + (p - s) * t; }, false},
        {"stopping short", [](const Vec3& s, const Vec3& p, const Vec3&, float t) { return s + (p - s) * (t * 0.999f); }, false},
        {"grazing past the corner",
         [](const Vec3& s, const Vec3& p, const Vec3& c, float) { return p + (p - c) * 0.01f + (p - s); }, false},
        {"from inside outward", [](const Vec3& s, const Vec3& p, const Vec3&, float) { return p + (p - s); }, true},
    };
    for (const Row& row : rows) {
        int hits = 0, misses = 0;
        for (unsigned v = 0; v < sub.vertexCount; v += 5) {
            const Vec3 p = sub.Position(v);
            const Vec3 s = row.fromInside ? centre : centre + sides[v % 5] * reach;
            MeshHit whole;
            // Where the ray towards the corner first meets the mesh, for the segment-end rows.
            const float t = IntersectMeshWithin(sub, s, p - s, 1e30f, &whole, true) ? whole.dist : 1.0f;
            const Vec3 e = row.end(s, p, centre, t);
            MeshHit a, b;
            const bool full = IntersectMeshWithin(sub, s, e - s, 1.0f, &a, true);
            const bool tree = IntersectMeshWithin(sub, s, e - s, 1.0f, &b, false);
            ASSERT_EQ(full, tree) << row.what << ", vertex " << v;
            (full ? hits : misses) += 1;
            if (!full) continue;
            EXPECT_EQ(a.face, b.face) << row.what << ", vertex " << v;
            EXPECT_EQ(a.u, b.u) << row.what << ", vertex " << v;
            EXPECT_EQ(a.v, b.v) << row.what << ", vertex " << v;
            EXPECT_EQ(a.dist, b.dist) << row.what << ", vertex " << v;
        }
        EXPECT_GT(hits + misses, 100) << row.what;
        RecordProperty(row.what, std::to_string(hits) + " hits, " + std::to_string(misses) + " misses");
    }
    // A vertex that moves (a morphing frame) leaves the mesh to the face loop.
    sub.SetPosition(0, sub.Position(0));
    EXPECT_EQ(sub.HitTree(), nullptr);
}
