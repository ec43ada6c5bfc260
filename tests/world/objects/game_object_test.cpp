#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include "platform/math/mesh_data.h"
#include "render/mesh.h"
#include "world/objects/game_object.h"

extern int g_WorldIndex;

namespace {

constexpr float kHalfPi = 1.57079632679f;

void ExpectRows(const Matrix& m, const float (&rows)[4][3], const char* what)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(m.m[r][c], rows[r][c], 1e-5f) << what << " row " << r << " col " << c;
    EXPECT_NEAR(m.m[0][3], 0.0f, 1e-6f);
    EXPECT_NEAR(m.m[1][3], 0.0f, 1e-6f);
    EXPECT_NEAR(m.m[2][3], 0.0f, 1e-6f);
    EXPECT_NEAR(m.m[3][3], 1.0f, 1e-6f);
}

struct WorldIndexGuard {
    int saved = g_WorldIndex;
    explicit WorldIndexGuard(int w) { g_WorldIndex = w; }
    ~WorldIndexGuard() { g_WorldIndex = saved; }
};

}  // namespace

TEST(GameObject, ConstructorValues)
{
    CGameObject o;
    o.mipLevels = 7;
    ExpectRows(o.worldMatrix, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}}, "world");
    EXPECT_EQ(o.objectClass, 0u);
    EXPECT_EQ(o.kind, 0);
    EXPECT_EQ(o.textureNames[63][0], 0);
    EXPECT_EQ(o.textureIds[0], -1);
    EXPECT_EQ(o.textureIds[63], -1);
    EXPECT_EQ(o.textureCount, 0.0f);
    EXPECT_EQ(o.vertexColour, 0xFFFFFFFFu);
    EXPECT_EQ(o.meshCount, 0);
    EXPECT_EQ(o.meshes[3], nullptr);
    EXPECT_EQ(o.animDirection, 1);
    EXPECT_EQ(o.scale, Vec3(1, 1, 1));
    EXPECT_EQ(o.scale2, Vec3(1, 1, 1));
    EXPECT_EQ(o.boundsRadius, 0.0f);

    o.kind = GTYPE_SP_STATION;
    o.position = Vec3(1, 2, 3);
    o.textureIds[5] = 9;
    EXPECT_EQ(o.Reinitialize(), &o);
    EXPECT_EQ(o.kind, 0);
    EXPECT_EQ(o.position, Vec3());
    EXPECT_EQ(o.textureIds[5], -1);
    EXPECT_EQ(o.mipLevels, 7);  // kept
}

TEST(GameObject, PlanetWorldBuildsXThenYThenZFromTheAngles)
{
    WorldIndexGuard w(0);
    CGameObject o;
    o.rotation = Vec3(0, kHalfPi, 0);
    o.position = Vec3(5, 6, 7);
    o.drawPosition = Vec3(-1, -2, -3);
    o.UpdateTransform();
    // Turned a quarter about Y: forward along +x.
    ExpectRows(o.worldMatrix, {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}, {5, 6, 7}}, "Y");
    ExpectRows(o.drawMatrix, {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}, {-1, -2, -3}}, "draw");

    // X then Y: Rx(90) * Ry(90). The other order would give right = (0, 1, 0).
    o.rotation = Vec3(kHalfPi, kHalfPi, 0);
    o.UpdateTransform();
    ExpectRows(o.worldMatrix, {{0, 0, -1}, {1, 0, 0}, {0, -1, 0}, {5, 6, 7}}, "XY");

    // Absolute: the same angles give the same matrix again.
    o.UpdateTransform();
    ExpectRows(o.worldMatrix, {{0, 0, -1}, {1, 0, 0}, {0, -1, 0}, {5, 6, 7}}, "XY again");

    // Y then Z: Ry(90) * Rz(90).
    o.rotation = Vec3(0, kHalfPi, kHalfPi);
    o.UpdateTransform();
    ExpectRows(o.worldMatrix, {{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}, {5, 6, 7}}, "YZ");
}

TEST(GameObject, SpaceWorldAccumulatesTheAngularStepAboutOwnAxes)
{
    WorldIndexGuard w(1);
    CGameObject o;
    o.angularStep = Vec3(0, kHalfPi, 0);
    o.position = Vec3(1, 2, 3);
    o.drawPosition = Vec3(0, 0, 0);
    o.UpdateTransform();
    ExpectRows(o.worldMatrix, {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}, {1, 2, 3}}, "yaw once");
    o.UpdateTransform();
    ExpectRows(o.worldMatrix, {{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}, {1, 2, 3}}, "yaw twice");
    ExpectRows(o.drawMatrix, {{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 0}}, "draw");

    // Pitch about the object's own right axis: after a quarter yaw right is -z.
    CGameObject p;
    p.angularStep = Vec3(0, kHalfPi, 0);
    p.UpdateTransform();
    p.angularStep = Vec3(kHalfPi, 0, 0);
    p.UpdateTransform();
    ExpectRows(p.worldMatrix, {{0, 0, -1}, {1, 0, 0}, {0, -1, 0}, {0, 0, 0}}, "yaw then pitch");
}

TEST(GameObject, SpaceWorldTakesAllThreeAxesBeforeTurning)
{
    WorldIndexGuard w(1);
    CGameObject o;
    o.angularStep = Vec3(kHalfPi, kHalfPi, 0);
    o.UpdateTransform();
    // Rx(90) about the old right, then Ry(90) about the old up (0, 1, 0).
    ExpectRows(o.worldMatrix, {{0, 0, -1}, {1, 0, 0}, {0, -1, 0}, {0, 0, 0}}, "pitch+yaw");
}

TEST(GameObject, SpaceWorldZeroStepKeepsTheMatrixWhateverTheAngles)
{
    WorldIndexGuard w(1);
    CGameObject o;
    o.rotation = Vec3(1.0f, 2.0f, 3.0f);
    o.worldMatrix = MatrixRotationZ(0.3f);
    Matrix before = o.worldMatrix;
    o.position = Vec3(4, 5, 6);
    o.UpdateTransform();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(o.worldMatrix.m[r][c], before.m[r][c]);
    EXPECT_EQ(o.worldMatrix.m[3][0], 4.0f);
    EXPECT_EQ(o.worldMatrix.m[3][2], 6.0f);
}

TEST(GameObject, SetLookAtPlacesTheObjectAtTheEyeFacingTheTarget)
{
    CGameObject o;
    o.SetLookAt(Vec3(0, 0, 0), Vec3(10, 0, 0), Vec3(0, 1, 0));
    ExpectRows(o.worldMatrix, {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}, {0, 0, 0}}, "look +x");
    o.SetLookAt(Vec3(1, 2, 3), Vec3(1, 2, 10), Vec3(0, 1, 0));
    ExpectRows(o.worldMatrix, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 2, 3}}, "look +z");
}

TEST(GameObject, WorldToLocalUsesTheObjectsAxes)
{
    CGameObject o;
    o.SetLookAt(Vec3(10, 0, 0), Vec3(20, 0, 0), Vec3(0, 1, 0));
    o.position = Vec3(10, 0, 0);
    Vec3 l = o.WorldToLocal(Vec3(20, 0, 0));  // straight ahead
    EXPECT_NEAR(l.x, 0.0f, 1e-5f);
    EXPECT_NEAR(l.y, 0.0f, 1e-5f);
    EXPECT_NEAR(l.z, 10.0f, 1e-5f);
    l = o.WorldToLocal(Vec3(10, 3, -2));  // above and to the right (right is -z)
    EXPECT_NEAR(l.x, 2.0f, 1e-5f);
    EXPECT_NEAR(l.y, 3.0f, 1e-5f);
    EXPECT_NEAR(l.z, 0.0f, 1e-5f);
}

TEST(GameObject, DetailLevelsDivideTheReachEvenly)
{
    CGameObject o;
    o.boundsRadius = 4.0f;  // reach sqrt(3 * 4 / 3) * 500 = 1000
    o.meshCount = 1;
    EXPECT_EQ(o.SelectDetailLevelForDistance(0.0f), 0);
    EXPECT_EQ(o.SelectDetailLevelForDistance(5000.0f), 0);
    o.meshCount = 4;
    EXPECT_EQ(o.SelectDetailLevelForDistance(0.0f), 0);
    EXPECT_EQ(o.SelectDetailLevelForDistance(240.0f), 0);
    EXPECT_EQ(o.SelectDetailLevelForDistance(260.0f), 1);
    EXPECT_EQ(o.SelectDetailLevelForDistance(600.0f), 2);
    EXPECT_EQ(o.SelectDetailLevelForDistance(999.0f), 3);
    EXPECT_EQ(o.SelectDetailLevelForDistance(1000.0f), 3);
    EXPECT_EQ(o.SelectDetailLevelForDistance(1e9f), 3);
    o.scale = Vec3(2, 2, 2);  // reach grows with the scale: sqrt(8) * 500
    EXPECT_EQ(o.SelectDetailLevelForDistance(600.0f), 1);
    // No meshes, or no radius: never an index outside the list.
    o.boundsRadius = 0.0f;
    EXPECT_EQ(o.SelectDetailLevelForDistance(10.0f), 3);
    o.meshCount = 0;
    EXPECT_EQ(o.SelectDetailLevelForDistance(10.0f), 0);
}

TEST(GameObject, VerticalProbeShortcuts)
{
    CGameObject o;
    o.objectClass = GCLASS_LANDSCAPE;
    EXPECT_EQ(o.IntersectSegment(Vec3(3, 0, 4)), 1);
    o.scale2 = Vec3(0, 0, 0);
    EXPECT_EQ(o.IntersectSegment(Vec3(3, 0, 4)), 0);  // vanished objects are never hit
}

TEST(GameObject, MorphBlendsThePositionsOfTheFirstTwoFrames)
{
    CMesh mesh;
    for (int s = 0; s < 3; ++s) {
        mesh.m_SubMeshes[s] = new MeshData;
        mesh.m_SubMeshes[s]->Create(1, 3, MESH_VERTEX_BUMP);
    }
    mesh.m_SubMeshCount = 3;
    mesh.m_SubMeshes[0]->SetPosition(1, Vec3(0, 0, 0));
    mesh.m_SubMeshes[1]->SetPosition(1, Vec3(10, -20, 4));
    float uv = 0.5f;
    std::memcpy(mesh.m_SubMeshes[2]->Vertex(1) + 24, &uv, 4);
    CGameObject o;
    o.meshes[0] = &mesh;
    o.meshCount = 1;
    o.MorphVertices(25.0f);
    EXPECT_EQ(mesh.m_SubMeshes[2]->Position(1), Vec3(2.5f, -5.0f, 1.0f));
    float after;
    std::memcpy(&after, mesh.m_SubMeshes[2]->Vertex(1) + 24, 4);
    EXPECT_EQ(after, 0.5f);  // the other components stay

    // Fewer than three frames: nothing happens.
    mesh.m_SubMeshCount = 2;
    o.MorphVertices(100.0f);
    EXPECT_EQ(mesh.m_SubMeshes[2]->Position(1), Vec3(2.5f, -5.0f, 1.0f));
    o.meshes[0] = nullptr;
}

TEST(Waypoint, ConstructionClearsTheNode)
{
    CWaypoint w;
    EXPECT_EQ(w.next, nullptr);
    EXPECT_EQ(w.x, 0.0f);
    EXPECT_EQ(w.z, 0.0f);
}
