// Object drawing and ray tests: tangents, bounds, sphere / mesh / box hits on known shapes,
// and what the drawing asks of the device for each case (null device).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "../../tools/datagen/models/mesh_builder.h"
#include "menus/station_menu.h"
#include "platform/gfx/null_device.h"
#include "render/camera.h"
#include "render/d3d_render.h"
#include "render/light.h"
#include "render/null_render_fixture.h"
#include "render/mesh.h"
#include "render/object_draw.h"
#include "world/objects/game_object.h"
#include "world/world.h"

namespace {

// A record built straight from a generated model (not shared through the container).
CMesh* MakeMesh(const meshgen::Model& model, int kind = 0)
{
    std::vector<uint8_t> bytes = meshgen::Serialize(model);
    MeshFileData f;
    if (!ParseMeshFile(bytes.data(), bytes.size(), &f)) return nullptr;
    CMesh* m = new CMesh;
    m->m_VertexType = kind;
    m->Build(f);
    return m;
}

meshgen::Model Frames(const meshgen::Model& base, int count)
{
    meshgen::Model m = base;
    m.frames.assign(size_t(count), base.frames[0]);
    return m;
}

// An object at pos holding the mesh (the test owns the mesh).
struct Obj {
    CGameObject o;
    explicit Obj(CMesh* mesh, Vec3 pos = Vec3())
    {
        o.meshes[0] = mesh;
        o.meshCount = 1;
        o.position = pos;
        o.worldMatrix = MatrixTranslation(pos.x, pos.y, pos.z);
        o.drawMatrix = o.worldMatrix;
        o.UpdateBounds();
    }
};

MeshData MakeBumpTriangles(const std::vector<MeshBumpVertex>& v, const std::vector<uint16_t>& idx)
{
    MeshData m;
    m.Create(unsigned(idx.size() / 3), unsigned(v.size()), MESH_VERTEX_BUMP);
    std::memcpy(m.vertices.data(), v.data(), v.size() * sizeof(MeshBumpVertex));
    m.indices = idx;
    return m;
}

} // namespace

TEST(MeshTangents, FollowTheTextureMappingAndStayFinite)
{
    // A quad in the xy plane facing -z; u grows along x, v along y.
    std::vector<MeshBumpVertex> v(4);
    const float pos[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int i = 0; i < 4; ++i) {
        v[i] = MeshBumpVertex{pos[i][0], pos[i][1], 0, 0, 0, -1, pos[i][0], pos[i][1], 9, 9, 9};
    }
    MeshData quad = MakeBumpTriangles(v, {0, 3, 2, 0, 2, 1});
    ComputeMeshTangents(&quad);
    for (unsigned i = 0; i < 4; ++i) {
        const MeshBumpVertex* t = reinterpret_cast<const MeshBumpVertex*>(quad.Vertex(i));
        // The stored direction is the one in which v falls: the texture's upward axis.
        EXPECT_NEAR(t->tx, 0.0f, 1e-5f) << i;
        EXPECT_NEAR(t->ty, -1.0f, 1e-5f) << i;
        EXPECT_NEAR(t->tz, 0.0f, 1e-5f) << i;
    }
    // A mirrored mapping (u running the other way) keeps the same direction.
    for (auto& x : v) x.u = 1.0f - x.u;
    MeshData mirrored = MakeBumpTriangles(v, {0, 3, 2, 0, 2, 1});
    ComputeMeshTangents(&mirrored);
    EXPECT_NEAR(reinterpret_cast<const MeshBumpVertex*>(mirrored.Vertex(0))->ty, -1.0f, 1e-5f);

    // Degenerate triangles (all corners in one place, or one texture coordinate) give zero.
    std::vector<MeshBumpVertex> d(3, MeshBumpVertex{1, 1, 1, 0, 1, 0, 0.5f, 0.5f, 7, 7, 7});
    MeshData degenerate = MakeBumpTriangles(d, {0, 1, 2});
    ComputeMeshTangents(&degenerate);
    for (unsigned i = 0; i < 3; ++i) {
        const MeshBumpVertex* t = reinterpret_cast<const MeshBumpVertex*>(degenerate.Vertex(i));
        EXPECT_EQ(t->tx, 0.0f);
        EXPECT_EQ(t->ty, 0.0f);
        EXPECT_EQ(t->tz, 0.0f);
    }
}

TEST(ObjectBounds, ScaledSphereAndFrontFacePoints)
{
    CMesh* mesh = MakeMesh(meshgen::MakeUnitSphere());
    Obj a(mesh);
    a.o.scale = Vec3(2, 2, 2);
    a.o.UpdateBounds();
    EXPECT_NEAR(a.o.boundsRadius, 2.0f, 0.1f);
    EXPECT_NEAR(Vec3Length(a.o.boundsCentre), 0.0f, 0.1f);
    for (const Vec3& p : a.o.boxPoints) EXPECT_NEAR(p.z, 2.0f, 1e-4f);
    // The first probe is the middle of the front face, then the corners.
    EXPECT_NEAR(a.o.boxPoints[0].x, 0.0f, 1e-4f);
    EXPECT_NEAR(a.o.boxPoints[1].x, -2.0f, 1e-4f);
    EXPECT_NEAR(a.o.boxPoints[1].y, 2.0f, 1e-4f);
    a.o.meshes[0] = nullptr;
    a.o.meshCount = 0;
    a.o.UpdateBounds();
    EXPECT_EQ(a.o.boundsRadius, 0.0f);
    delete mesh;
}

TEST(ObjectRays, SphereThenMesh)
{
    CMesh* mesh = MakeMesh(meshgen::MakeUnitSphere());
    Obj a(mesh, Vec3(0, 0, 10));
    Vec3 seg[2] = {Vec3(0.01f, 0.02f, 0), Vec3(0.01f, 0.02f, 20)};
    Vec3 hit;
    ASSERT_TRUE(a.o.IntersectRay(0.0f, seg, &hit));
    EXPECT_NEAR(hit.z, 9.0f, 0.05f);  // the near side, not the far one
    EXPECT_NEAR(hit.x, 0.01f, 1e-4f);

    // A segment that stops before the sphere, and one that passes beside it.
    Vec3 shortSeg[2] = {Vec3(0, 0, 0), Vec3(0, 0, 5)};
    EXPECT_FALSE(a.o.IntersectRay(0.0f, shortSeg, &hit));
    Vec3 beside[2] = {Vec3(1.5f, 0, 0), Vec3(1.5f, 0, 20)};
    EXPECT_FALSE(a.o.IntersectRay(0.0f, beside, &hit));
    // An enlarged sphere lets the probe through, but the mesh still decides.
    EXPECT_FALSE(a.o.IntersectRay(5.0f, beside, &hit));
    // Starting inside finds the far wall.
    Vec3 inside[2] = {Vec3(0, 0.01f, 10), Vec3(0, 0.01f, 20)};
    ASSERT_TRUE(a.o.IntersectRay(0.0f, inside, &hit));
    EXPECT_NEAR(hit.z, 11.0f, 0.05f);

    // Scaled by two: the surface moves out to z = 8.
    a.o.scale = Vec3(2, 2, 2);
    a.o.UpdateBounds();
    ASSERT_TRUE(a.o.IntersectRay(0.0f, seg, &hit));
    EXPECT_NEAR(hit.z, 8.0f, 0.1f);

    // Zero scale or zero second scale: never hit.
    a.o.scale2 = Vec3(0, 0, 0);
    EXPECT_FALSE(a.o.IntersectRay(0.0f, seg, &hit));
    EXPECT_FALSE(a.o.IntersectRays(seg, 1, &hit));
    a.o.scale2 = Vec3(1, 1, 1);
    a.o.scale = Vec3(0, 0, 0);
    EXPECT_FALSE(a.o.IntersectRay(0.0f, seg, &hit));
    delete mesh;
}

TEST(ObjectRays, RaysMeetMeshAndBoxNearestFirst)
{
    CMesh* mesh = MakeMesh(meshgen::MakeUnitSphere());
    Obj a(mesh, Vec3(0, 0, 10));
    Vec3 hit;
    // Through a corner of the box but outside the sphere: the box counts.
    Vec3 corner[2] = {Vec3(0.9f, 0.9f, 0), Vec3(0.9f, 0.9f, 20)};
    ASSERT_TRUE(a.o.IntersectRays(corner, 1, &hit));
    EXPECT_NEAR(hit.z, 9.0f, 1e-3f);
    // Of several rays the nearest hit wins; a ray that misses is skipped.
    Vec3 rays[6] = {Vec3(5, 5, 0), Vec3(5, 5, 20),         // miss
                    Vec3(0, 0.1f, 20), Vec3(0, 0.1f, 0),   // from behind, 9 units to the surface
                    Vec3(0, 0.1f, 3), Vec3(0, 0.1f, 20)};  // from the front, 6 units
    ASSERT_TRUE(a.o.IntersectRays(rays, 3, &hit));
    EXPECT_NEAR(hit.z, 9.0f, 0.05f);
    EXPECT_FALSE(a.o.IntersectRays(rays, 1, &hit));

    // The nine box probes: only the middle one meets the box.
    Vec3 probes[18];
    for (int i = 0; i < 9; ++i) probes[2 * i] = probes[2 * i + 1] = Vec3(50, 50, 50);
    probes[8] = Vec3(0.5f, 0, 0);
    probes[9] = Vec3(0.5f, 0, 30);
    ASSERT_TRUE(a.o.IntersectBoxSegments(probes));
    EXPECT_NEAR(probes[0].z, 9.0f, 1e-3f);
    EXPECT_NEAR(probes[0].x, 0.5f, 1e-4f);
    Vec3 away[18];
    EXPECT_FALSE(a.o.IntersectBoxSegments(away));
    delete mesh;
}

TEST(ObjectRays, PlanetLandscapeUsesTheFixedBox)
{
    CMesh* mesh = MakeMesh(meshgen::MakeUnitSphere());
    Obj a(mesh);
    a.o.objectClass = GCLASS_LANDSCAPE;
    Vec3 down[2] = {Vec3(300, 600, 300), Vec3(300, -600, 300)};
    Vec3 hit;
    const int oldWorld = g_WorldIndex;
    g_WorldIndex = 0;
    ASSERT_TRUE(a.o.IntersectRays(down, 1, &hit));
    EXPECT_NEAR(hit.y, kLandscapeHitBoxHalf, 1e-2f);
    g_WorldIndex = 1;
    EXPECT_FALSE(a.o.IntersectRays(down, 1, &hit));
    g_WorldIndex = oldWorld;
    delete mesh;
}

TEST(ObjectDraw, PulseStaysInRange)
{
    EXPECT_EQ(PulseIntensity(0), 255u);
    EXPECT_LT(PulseIntensity(1000), 40u);
    for (unsigned t = 0; t < 4000; t += 37) {
        EXPECT_LE(PulseIntensity(t), 255u);
        EXPECT_GE(PulseIntensity(t), 32u);
    }
    EXPECT_EQ(PulseIntensity(123), PulseIntensity(2123));
}

// Drawing through the null device.
class ObjectDrawTest : public ::testing::Test {
protected:
    NullGfxDevice* dev = nullptr;
    GfxDevice* oldDevice = nullptr;
    int oldBump = 0;

    void SetUp() override
    {
        D3DPRESENT_PARAMETERS p;
        p.BackBufferWidth = 800;
        p.BackBufferHeight = 600;
        p.Windowed = 1;
        dev = new NullGfxDevice(p);
        oldDevice = g_D3DRender.device;
        oldBump = g_D3DRender.bumpMapping;
        g_D3DRender.device = dev;
        // A new device starts from the default states, and the renderer's state caches must
        // hold what the device holds (a stale cache would skip the first change of a state).
        g_D3DRender.SetDefaultStates();
        dev->ClearCalls();
        g_D3DRender.facesDrawn = 0;
    }
    void TearDown() override
    {
        g_D3DRender.device = oldDevice;
        g_D3DRender.bumpMapping = oldBump;
        dev->Release();
    }
    unsigned Draws() const { return dev->Count("DrawIndexedPrimitiveUP"); }
};

TEST_F(ObjectDrawTest, PlainDrawUsesTheFrameAndResetsTheWorld)
{
    CMesh* mesh = MakeMesh(Frames(meshgen::MakeUnitSphere(), 3));
    Obj a(mesh, Vec3(0.5f, 0.5f, 0.5f));
    a.o.currentFrame = 7;  // beyond the last frame: the last one is drawn
    a.o.DrawMesh(0);
    EXPECT_EQ(Draws(), 1u);
    EXPECT_EQ(g_D3DRender.facesDrawn, int(mesh->m_SubMeshes[2]->faceCount));
    EXPECT_EQ(dev->State().fvf, MESH_FVF_VERTEX);
    EXPECT_EQ(dev->State().world.m[3][0], 0.0f);  // identity again after the draw
    EXPECT_EQ(dev->State().rs[D3DRS_ZFUNC], unsigned(D3DCMP_LESSEQUAL));
    EXPECT_EQ(dev->State().material.Specular.r, 0.0f);

    // Ships get a white specular highlight.
    a.o.objectClass = GCLASS_SPACE_SHIP;
    a.o.DrawMesh(0);
    EXPECT_EQ(dev->State().material.Specular.r, 1.0f);
    EXPECT_EQ(dev->State().material.Power, 32.0f);

    // Zero scale draws nothing.
    dev->ClearCalls();
    a.o.scale = Vec3(0, 0, 0);
    a.o.DrawMesh(0);
    EXPECT_EQ(Draws(), 0u);
    delete mesh;
}

TEST_F(ObjectDrawTest, OnlyMeshesReachingIntoTheViewAreDrawn)
{
    // The view volume of identity transforms is x, y in -1 ... 1, z in 0 ... 1. Drawn: inside, half
    // off the right; not: off each side, before the near and beyond the far plane. Faces count always.
    CMesh* mesh = MakeMesh(meshgen::MakeUnitSphere());
    const float rows[][4] = {{0, 0, 0.5f, 1}, {1.5f, 0, 0.5f, 1}, {3, 0, 0.5f, 0},  {-3, 0, 0.5f, 0},
                             {0, 3, 0.5f, 0}, {0, -3, 0.5f, 0},   {0, 0, -1.5f, 0}, {0, 0, 2.5f, 0}};
    for (const auto& r : rows) {
        dev->ClearCalls();
        Obj(mesh, Vec3(r[0], r[1], r[2])).o.DrawMesh(0);
        EXPECT_EQ(Draws(), unsigned(r[3])) << r[0] << " " << r[1] << " " << r[2];
    }
    EXPECT_EQ(g_D3DRender.facesDrawn, 8 * int(mesh->m_SubMeshes[0]->faceCount));
    delete mesh;
}

TEST_F(ObjectDrawTest, LandscapeDrawsEverySubMeshWithItsTexture)
{
    CMesh* mesh = MakeMesh(Frames(meshgen::MakeUnitSphere(), 3));
    Obj a(mesh);
    a.o.objectClass = GCLASS_LANDSCAPE;
    a.o.DrawMesh(0);
    EXPECT_EQ(Draws(), 3u);
    EXPECT_EQ(g_D3DRender.facesDrawn, 3 * int(mesh->m_SubMeshes[0]->faceCount));
    EXPECT_EQ(dev->State().rs[D3DRS_ZENABLE], 0u);
    delete mesh;
}

TEST_F(ObjectDrawTest, BumpMeshWithoutBumpMappingDrawsPlain)
{
    CMesh* mesh = MakeMesh(meshgen::MakeFighter(), D3D_BUMPVERTEX);
    Obj a(mesh);
    g_D3DRender.bumpMapping = 0;
    a.o.DrawMesh(0);
    EXPECT_EQ(Draws(), 1u);
    EXPECT_EQ(dev->Count("SetVertexDeclaration"), 0u);
    EXPECT_EQ(dev->State().fvf, MESH_FVF_BUMPVERTEX);
    delete mesh;
}

TEST_F(ObjectDrawTest, EmptyDetailLevelDrawsNothing)
{
    CMesh* near = MakeMesh(meshgen::MakeUnitSphere());
    CMesh empty;  // a detail level whose file was missing
    Obj a(near);
    a.o.meshes[1] = &empty;
    a.o.meshCount = 2;
    a.o.DrawMesh(1);  // the world-matrix draw always takes the first mesh
    EXPECT_EQ(Draws(), 1u);
    EXPECT_EQ(a.o.SelectDetailLevelForDistance(1e9f), 1);
    delete near;
}

TEST_F(ObjectDrawTest, AdditiveLitVerticesTakeTheObjectColour)
{
    CMesh* mesh = MakeMesh(meshgen::MakeUnitSphere(), D3D_LVERTEX);
    Obj a(mesh), b(mesh);
    a.o.drawMode = b.o.drawMode = 1;
    a.o.kind = GEFFECT_EXPLODE;
    a.o.vertexColour = 0xff808080u;
    a.o.colourChanged = 1;
    a.o.DrawMesh(0);
    auto first = [&] { return reinterpret_cast<const MeshLVertex*>(mesh->m_SubMeshes[0]->Vertex(0))->diffuse; };
    EXPECT_EQ(first(), 0xff808080u);
    EXPECT_EQ(a.o.colourChanged, 0);
    EXPECT_EQ(dev->State().rs[D3DRS_ZWRITEENABLE], 0u);
    EXPECT_EQ(dev->State().rs[D3DRS_SRCBLEND], unsigned(D3DBLEND_ONE));
    EXPECT_EQ(dev->State().rs[D3DRS_DESTBLEND], unsigned(D3DBLEND_ONE));
    // Another object sharing the mesh draws in its own colour.
    b.o.vertexColour = 0xff202020u;
    b.o.DrawMesh(0);
    EXPECT_EQ(first(), 0xff202020u);
    EXPECT_EQ(dev->State().rs[D3DRS_ZWRITEENABLE], 1u);
    delete mesh;
}

TEST_F(ObjectDrawTest, SectorMapDimsRocksAndPlanets)
{
    CMesh* mesh = MakeMesh(meshgen::MakeUnitSphere());
    Obj a(mesh);
    a.o.objectClass = GCLASS_SPACE_OBJECT;
    a.o.kind = GTYPE_SP_ASTEROID;
    const int oldActive = g_StationMenuActive, oldPage = g_StationMenuPage;
    g_StationMenuActive = 1;
    g_StationMenuPage = 2;
    a.o.DrawMesh(0);
    EXPECT_EQ(dev->State().material.Diffuse.r, 0.5f);
    EXPECT_EQ(dev->State().material.Ambient.g, 0.5f);
    EXPECT_EQ(dev->State().material.Diffuse.a, 1.0f);
    // Other pages, and other kinds on the map page, keep the full material.
    a.o.kind = GTYPE_SP_STATION;
    a.o.DrawMesh(0);
    EXPECT_EQ(dev->State().material.Diffuse.r, 1.0f);
    a.o.kind = GTYPE_SP_PLANET;
    g_StationMenuPage = 1;
    a.o.DrawMesh(0);
    EXPECT_EQ(dev->State().material.Ambient.r, 1.0f);
    g_StationMenuActive = oldActive;
    g_StationMenuPage = oldPage;
    delete mesh;
}

// The bump draw through the effect takes the world camera's eye and the world's selected
// lights into the model space of the draw.
using BumpDrawTest = NullRenderTest;

TEST_F(BumpDrawTest, EyeAndSelectedLightsGoIntoModelSpace)
{
    Start();
    const int savedWorld = g_WorldIndex;
    const int savedBump = g_D3DRender.bumpMapping;
    g_WorldIndex = 1;
    g_D3DRender.bumpMapping = 1;
    g_World.ClearLightSlots();
    D3DLIGHT9 d;
    d.Type = D3DLIGHT_DIRECTIONAL;
    d.Diffuse = {1, 1, 1, 1};
    d.Direction = Vec3(0, -1, 0);
    const int slot = g_World.AddLight(&d, nullptr);
    d.Direction = Vec3(1, 0, 0);
    const int slot2 = g_World.AddLight(&d, nullptr);
    ASSERT_GE(slot2, 0);
    g_World.lightList[1][0] = slot;
    g_World.lightList[1][1] = slot2;
    g_World.lightListCount[1] = 2;
    g_World.UpdateLights();
    CCamera& cam = g_World.Camera();
    const Vec3 savedEye = cam.eye;
    cam.eye = Vec3(0, 0, -10);

    CMesh* mesh = MakeMesh(meshgen::MakeFighter(), D3D_BUMPVERTEX);
    Obj a(mesh, Vec3(5, 0, 0));
    // Turned a quarter about z: model x is world y.
    a.o.drawMatrix = MatrixRotationZ(1.5707964f) * MatrixTranslation(5, 0, 0);
    Dev()->ClearCalls();
    a.o.DrawMesh(0);
    EXPECT_EQ(Dev()->Count("SetVertexDeclaration"), 2u) << "drawn through the bump technique";

    Vec4 v;
    g_D3DRender.effect->GetVector("EyePosMS", &v);
    const Vec3 eye = Vec3TransformCoord(cam.eye, [&] {
        Matrix inv;
        MatrixInverse(&inv, nullptr, a.o.drawMatrix);
        return inv;
    }());
    EXPECT_NEAR(v.x, eye.x, 1e-4f);
    EXPECT_NEAR(v.y, eye.y, 1e-4f);
    EXPECT_NEAR(v.z, eye.z, 1e-4f);
    EXPECT_EQ(v.w, 1.0f);
    // World down is model -x; world +x is model -y.
    g_D3DRender.effect->GetVector("DirLight_DirMS", &v);
    EXPECT_NEAR(v.x, -1.0f, 1e-5f);
    EXPECT_NEAR(v.y, 0.0f, 1e-5f);
    g_D3DRender.effect->GetVector("DirLight2_DirMS", &v);
    EXPECT_NEAR(v.x, 0.0f, 1e-5f);
    EXPECT_NEAR(v.y, -1.0f, 1e-5f);

    cam.eye = savedEye;
    g_World.ClearLightSlots();
    g_World.UpdateLights();
    g_D3DRender.bumpMapping = savedBump;
    g_WorldIndex = savedWorld;
    delete mesh;
}
