#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <vector>
#include "platform/math/bounds.h"
#include "platform/math/mesh_data.h"

namespace {

// Unit cube [-1, 1]^3 as 8 corners and 12 triangles.
MeshData MakeCube(int kind = MESH_VERTEX_NORMAL_TEX)
{
    MeshData m;
    m.Create(12, 8, kind);
    for (unsigned i = 0; i < 8; ++i)
        m.SetPosition(i, Vec3(i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : -1.0f));
    const uint16_t idx[36] = {0, 1, 3, 0, 3, 2, 4, 6, 7, 4, 7, 5, 0, 4, 5, 0, 5, 1,
                              2, 3, 7, 2, 7, 6, 0, 2, 6, 0, 6, 4, 1, 5, 7, 1, 7, 3};
    for (int i = 0; i < 36; ++i) m.indices[i] = idx[i];
    return m;
}

}  // namespace

TEST(MeshData, StridesAndOffsetsOfTheThreeKinds)
{
    EXPECT_EQ(MeshVertexStride(0), 32u);
    EXPECT_EQ(MeshVertexStride(1), 28u);
    EXPECT_EQ(MeshVertexStride(2), 44u);
    EXPECT_EQ(MeshVertexStride(3), 0u);
    EXPECT_EQ(MeshTexOffset(1), 20);
    EXPECT_EQ(MeshTangentOffset(2), 32);
    EXPECT_EQ(MeshNormalOffset(1), -1);
    MeshData m;
    EXPECT_FALSE(m.Create(1, 3, 7));
    EXPECT_TRUE(m.Create(1, 3, MESH_VERTEX_BUMP));
    EXPECT_EQ(m.vertices.size(), 3u * 44u);
    EXPECT_EQ(m.indices.size(), 3u);
}

TEST(MeshData, CloneCarriesPositionNormalAndTexAndWhitensLitVertices)
{
    MeshData src;
    src.Create(1, 3, MESH_VERTEX_NORMAL_TEX);
    float v[8] = {1, 2, 3, 0, 1, 0, 0.25f, 0.75f};
    std::memcpy(src.Vertex(1), v, 32);
    MeshData lit;
    ASSERT_TRUE(src.CloneAs(MESH_VERTEX_LIT_TEX, 0x1c2, &lit));
    EXPECT_EQ(lit.stride, 28u);
    EXPECT_EQ(lit.fvf, 0x1c2u);
    EXPECT_EQ(lit.Position(1), Vec3(1, 2, 3));
    uint32_t diffuse, specular;
    float uv[2];
    std::memcpy(&diffuse, lit.Vertex(1) + 12, 4);
    std::memcpy(&specular, lit.Vertex(1) + 16, 4);
    std::memcpy(uv, lit.Vertex(1) + 20, 8);
    EXPECT_EQ(diffuse, 0xFFFFFFFFu);
    EXPECT_EQ(specular, 0u);
    EXPECT_FLOAT_EQ(uv[0], 0.25f);
    EXPECT_FLOAT_EQ(uv[1], 0.75f);

    MeshData bump;
    ASSERT_TRUE(src.CloneAs(MESH_VERTEX_BUMP, 0, &bump));
    float b[11];
    std::memcpy(b, bump.Vertex(1), 44);
    EXPECT_FLOAT_EQ(b[4], 1.0f);    // normal y
    EXPECT_FLOAT_EQ(b[7], 0.75f);   // v
    EXPECT_FLOAT_EQ(b[8], 0.0f);    // tangent zeroed
}

TEST(Bounds, SphereCentreIsTheMeanAndRadiusTheFarthestVertex)
{
    // Mean of the points is not the box centre: three points at x = 0, one at x = 4.
    std::vector<Vec3> pts = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {4, 0, 0}};
    Vec3 c;
    float r = 0;
    ASSERT_TRUE(ComputeBoundingSphere(pts.data(), 4, sizeof(Vec3), &c, &r));
    EXPECT_FLOAT_EQ(c.x, 1.0f);
    EXPECT_FLOAT_EQ(r, 3.0f);

    MeshData cube = MakeCube(MESH_VERTEX_LIT_TEX);
    ASSERT_TRUE(ComputeBoundingSphere(cube.vertices.data(), 8, cube.stride, &c, &r));
    EXPECT_NEAR(Vec3Length(c), 0.0f, 1e-6f);
    EXPECT_NEAR(r, std::sqrt(3.0f), 1e-6f);
    Vec3 lo, hi;
    ASSERT_TRUE(ComputeBoundingBox(cube.vertices.data(), 8, cube.stride, &lo, &hi));
    EXPECT_EQ(lo, Vec3(-1, -1, -1));
    EXPECT_EQ(hi, Vec3(1, 1, 1));
    EXPECT_FALSE(ComputeBoundingBox(cube.vertices.data(), 0, cube.stride, &lo, &hi));
    EXPECT_FALSE(ComputeBoundingSphere(nullptr, 3, 12, &c, &r));
}

TEST(RayTests, TriangleIsHitFromBothFacesWithBarycentrics)
{
    Vec3 p0(0, 0, 0), p1(1, 0, 0), p2(0, 1, 0);
    float u, v, d;
    ASSERT_TRUE(IntersectTri(p0, p1, p2, Vec3(0.25f, 0.5f, -2), Vec3(0, 0, 1), &u, &v, &d));
    EXPECT_FLOAT_EQ(u, 0.25f);
    EXPECT_FLOAT_EQ(v, 0.5f);
    EXPECT_FLOAT_EQ(d, 2.0f);
    // Back face.
    ASSERT_TRUE(IntersectTri(p0, p1, p2, Vec3(0.25f, 0.5f, 3), Vec3(0, 0, -1), &u, &v, &d));
    EXPECT_FLOAT_EQ(d, 3.0f);
    // Distance is in multiples of the direction.
    ASSERT_TRUE(IntersectTri(p0, p1, p2, Vec3(0.25f, 0.5f, -2), Vec3(0, 0, 4), nullptr, nullptr, &d));
    EXPECT_FLOAT_EQ(d, 0.5f);
    // Behind the start, outside the edge, parallel.
    EXPECT_FALSE(IntersectTri(p0, p1, p2, Vec3(0.25f, 0.5f, 2), Vec3(0, 0, 1), &u, &v, &d));
    EXPECT_FALSE(IntersectTri(p0, p1, p2, Vec3(0.75f, 0.5f, -2), Vec3(0, 0, 1), &u, &v, &d));
    EXPECT_FALSE(IntersectTri(p0, p1, p2, Vec3(0.25f, 0.25f, -2), Vec3(1, 0, 0), &u, &v, &d));
}

TEST(RayTests, SphereAndBoxProbesAndEntryDistances)
{
    Vec3 c(0, 0, 10);
    EXPECT_TRUE(SphereBoundProbe(c, 2, Vec3(), Vec3(0, 0, 1)));
    EXPECT_FALSE(SphereBoundProbe(c, 2, Vec3(), Vec3(0, 0, -1)));  // behind
    EXPECT_FALSE(SphereBoundProbe(c, 2, Vec3(3, 0, 0), Vec3(0, 0, 1)));
    float t0, t1;
    ASSERT_TRUE(IntersectRaySphere(c, 2, Vec3(), Vec3(0, 0, 1), &t0, &t1));
    EXPECT_FLOAT_EQ(t0, 8.0f);
    EXPECT_FLOAT_EQ(t1, 12.0f);
    ASSERT_TRUE(IntersectRaySphere(c, 2, c, Vec3(0, 0, 1), &t0, &t1));  // inside
    EXPECT_FLOAT_EQ(t0, 0.0f);
    EXPECT_FLOAT_EQ(t1, 2.0f);

    Vec3 lo(-1, -1, -1), hi(1, 1, 1);
    ASSERT_TRUE(IntersectRayBox(lo, hi, Vec3(-5, 0, 0), Vec3(1, 0, 0), &t0, &t1));
    EXPECT_FLOAT_EQ(t0, 4.0f);
    EXPECT_FLOAT_EQ(t1, 6.0f);
    EXPECT_TRUE(BoxBoundProbe(lo, hi, Vec3(-5, -5, -5), Vec3(1, 1, 1)));
    EXPECT_FALSE(BoxBoundProbe(lo, hi, Vec3(-5, 2, 0), Vec3(1, 0, 0)));  // parallel, outside
    EXPECT_FALSE(BoxBoundProbe(lo, hi, Vec3(5, 0, 0), Vec3(1, 0, 0)));   // pointing away
}

TEST(RayTests, MeshReportsNearestHitAndEveryHit)
{
    MeshData cube = MakeCube();
    MeshHit hit;
    std::vector<MeshHit> all;
    unsigned n = IntersectMesh(cube, Vec3(0.2f, 0.3f, -5), Vec3(0, 0, 1), &hit, &all);
    EXPECT_EQ(n, 2u);  // the near face and the far face
    EXPECT_EQ(all.size(), 2u);
    EXPECT_FLOAT_EQ(hit.dist, 4.0f);
    EXPECT_TRUE(hit.face == 0 || hit.face == 1);  // the z = -1 face
    // From inside only the far face is ahead.
    n = IntersectMesh(cube, Vec3(0.2f, 0.0f, 0.3f), Vec3(0, 1, 0), &hit, nullptr);
    EXPECT_EQ(n, 1u);
    EXPECT_FLOAT_EQ(hit.dist, 1.0f);
    EXPECT_EQ(IntersectMesh(cube, Vec3(5, 5, -5), Vec3(0, 0, 1), &hit, &all), 0u);
    EXPECT_TRUE(all.empty());
}

TEST(RayTests, MeshSkipsFacesThatIndexPastTheVertices)
{
    MeshData cube = MakeCube();
    cube.indices[0] = 900;  // broken first face
    MeshHit hit;
    unsigned n = IntersectMesh(cube, Vec3(0.9f, -0.9f, -5), Vec3(0, 0, 1), &hit, nullptr);
    // The point lies in face 0 only (corner 0-1-3 triangle); with it broken, only the far face.
    EXPECT_EQ(n, 1u);
    EXPECT_FLOAT_EQ(hit.dist, 6.0f);
    cube.indices.resize(3);  // fewer indices than faceCount says
    EXPECT_EQ(IntersectMesh(cube, Vec3(0.2f, 0.3f, -5), Vec3(0, 0, 1), &hit, nullptr), 0u);
}

// Zero-area and sliver faces (corners on one line, up to rounding), rays from anywhere and from
// their corners and lines: no hit, and the box tree answers as the face loop does, which tests every face.
TEST(RayTests, DegenerateFacesAreNeverHitAndTreeAgreesWithTheLoop)
{
    uint32_t seed = 12345;
    auto rnd = [&seed](float lo, float hi) {
        seed = seed * 1664525u + 1013904223u;
        return lo + (hi - lo) * float(seed >> 8) / float(1u << 24);
    };
    constexpr unsigned kFaces = 600;
    MeshData m;
    ASSERT_TRUE(m.Create(kFaces, kFaces * 3, MESH_VERTEX_NORMAL_TEX));
    for (unsigned f = 0; f < kFaces; ++f) {
        const Vec3 a(rnd(-300, 300), rnd(-300, 300), rnd(-300, 300));
        const Vec3 d(rnd(-40, 40), rnd(-40, 40), rnd(-40, 40));
        // f % 3: a repeated corner, a corner between the others, a sliver a hair off the line.
        const Vec3 c = f % 3 == 0 ? a : f % 3 == 1 ? a + d * rnd(0.1f, 0.9f) : a + d * 1.7f + Vec3(0, 1e-4f, 0);
        const Vec3 corners[3] = {a, a + d, c};
        for (unsigned k = 0; k < 3; ++k) {
            std::memcpy(m.Vertex(f * 3 + k), &corners[k].x, 12);
            m.indices[f * 3 + k] = uint16_t(f * 3 + k);
        }
    }
    int loopHits = 0;
    for (int i = 0; i < 20000; ++i) {
        // Every other ray starts on a face's line, as a probe from a surface point does.
        Vec3 s(rnd(-320, 320), rnd(-320, 320), rnd(-320, 320));
        if (i % 2) {
            const unsigned f = unsigned(rnd(0, float(kFaces) - 0.01f)) * 3;
            s = m.Position(f + unsigned(i / 2) % 3) + (m.Position(f + 1) - m.Position(f)) * rnd(-0.5f, 0.5f) * float(i % 4 == 1);
        }
        const Vec3 dir(rnd(-1, 1), rnd(-1, 1), rnd(-1, 1));
        MeshHit a, b;
        const bool loop = IntersectMeshWithin(m, s, dir, 1e6f, &a, true);
        const bool tree = IntersectMeshWithin(m, s, dir, 1e6f, &b, false);
        loopHits += loop;
        ASSERT_EQ(loop, tree) << "ray " << i << " face " << (loop ? a.face : b.face);
    }
    EXPECT_EQ(loopHits, 0);
}
