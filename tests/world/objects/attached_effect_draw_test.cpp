// Attached-effect drawing on the null device: flames and glows follow the thrust, lights
// go out with the hull, the flare hides behind stations, far asteroid sprites shrink.
#include "world/objects/attached_effect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/crt/rand.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/world.h"
#include "world/draw_test_util.h"

extern float g_ScreenScaleX, g_ScreenScaleY;

namespace {

std::vector<std::vector<meshgen::P3>> EnginePoints(int n)
{
    std::vector<std::vector<meshgen::P3>> lists(9);
    for (int i = 0; i < n; ++i) lists[MESH_POINTS_ENGINE].push_back({float(i), 0.0f, -2.0f});
    lists[MESH_POINTS_LIGHT1] = {{0, 1, 0}, {0, -1, 0}, {1, 0, 0}};
    return lists;
}

class AttachedDrawTest : public ::testing::Test {
protected:
    NullGfxDevice* dev = nullptr;
    GfxDevice* oldDevice = nullptr;
    int oldWorld = 0, oldKind = 0;
    float oldView = 0.0f;
    std::vector<CMesh*> meshes;
    std::vector<CAttachedEffect*> effects;
    std::vector<CUnit*> loose;

    void SetUp() override
    {
        dev = InstallNullDevice(&oldDevice);
        oldWorld = g_WorldIndex;
        oldKind = g_LocationKind;
        oldView = g_ViewDistance;
        g_WorldIndex = 1;
        g_LocationKind = 1;
        g_ScreenScaleX = g_ScreenScaleY = 1.0f;
        CObjectList::DestroyAll();
        CCamera& c = g_World.Camera();
        c.fov = 3.14159265f / 4.0f;
        c.aspect = 800.0f / 600.0f;
        c.nearPlane = 1.0f;
        c.farPlane = 100000.0f;
        c.cinematicView = 1;
        c.SetMatrices(Vec3(0, 0, 0), Vec3(0, 0, 1), Vec3(0, 1, 0));
        GameSrand(0);
    }
    void TearDown() override
    {
        for (CAttachedEffect* e : effects) delete e;
        CObjectList::DestroyAll();
        for (CUnit* u : loose) delete u;
        for (CMesh* m : meshes) delete m;
        RestoreDevice(dev, oldDevice);
        g_WorldIndex = oldWorld;
        g_LocationKind = oldKind;
        g_ViewDistance = oldView;
    }

    CMesh* Mesh(float half, const std::vector<std::vector<meshgen::P3>>& lists = {})
    {
        CMesh* m = BoxMesh(half, lists);
        meshes.push_back(m);
        return m;
    }
    CUnit* Unit(int kind, const Vec3& pos, CMesh* mesh, bool inWorld = false)
    {
        CUnit* u = new CUnit();
        u->objectClass = GCLASS_SPACE_SHIP;
        u->kind = kind;
        u->position = u->drawPosition = pos;
        u->scale = u->scale2 = Vec3(1, 1, 1);
        u->hull = u->hullMax = 100.0f;
        u->orderType = ACTION_STAY;
        u->worldMatrix = u->drawMatrix = MatrixTranslation(pos.x, pos.y, pos.z);
        if (mesh) {
            u->meshes[0] = mesh;
            u->meshCount = 1;
            u->UpdateBounds();
        }
        if (inWorld) EXPECT_TRUE(CObjectList::Add(u));
        else loose.push_back(u);
        return u;
    }
    CAttachedEffect* Effect(int kind, CGameObject* parent, CMesh* mesh)
    {
        CAttachedEffect* e = new CAttachedEffect();
        e->objectClass = GCLASS_EFFECT;
        e->kind = kind;
        e->parent = parent;
        e->scale = e->scale2 = Vec3(1, 1, 1);
        if (mesh) {
            e->meshes[0] = mesh;
            e->meshCount = 1;
        }
        effects.push_back(e);
        return e;
    }
    unsigned Draws() const { return dev->Count("DrawIndexedPrimitiveUP") + dev->Count("DrawPrimitiveUP"); }
};

} // namespace

TEST(AttachedDrawMaths, SunShadowAlphaFollowsStrength)
{
    EXPECT_FLOAT_EQ(CAttachedEffect::SunShadowAlpha(0.3f), 0.0f);
    EXPECT_NEAR(CAttachedEffect::SunShadowAlpha(0.6f), 0.2f * 637.5f / 1.15f, 1e-3f);
    EXPECT_FLOAT_EQ(CAttachedEffect::SunShadowAlpha(0.9f), 255.0f / 1.15f);
}

TEST(AttachedDrawMaths, ShadowMatrixProjectsAlongTheLightOntoTheGround)
{
    const Matrix m = CAttachedEffect::ShadowMatrixY0(Vec3(1, -1, 0));
    const Vec3 p = Vec3TransformCoord(Vec3(0, 10, 3), m);
    EXPECT_NEAR(p.x, 10.0f, 1e-4f);
    EXPECT_NEAR(p.y, 0.0f, 1e-4f);
    EXPECT_NEAR(p.z, 3.0f, 1e-4f);
    // Daylight from above and a lamp above the parent keep w positive (no clipping).
    for (const Vec3& dir : {Vec3(1, -1, 0), Vec3(0.2f, -0.9f, 0.3f), Vec3(0, -1, 0)}) {
        const Matrix s = CAttachedEffect::ShadowMatrixY0(dir);
        for (const Vec3& v : {Vec3(0, 10, 3), Vec3(-50, 0.5f, 20), Vec3(5, 200, -7)})
            EXPECT_GT(Vec3Transform(v, s).w, 0.0f) << dir.x << " " << dir.y << " " << dir.z;
    }
    // A light along the ground gives no usable projection: left as it is.
    const Matrix flat = CAttachedEffect::ShadowMatrixY0(Vec3(1, 0, 0));
    EXPECT_EQ(Vec3TransformCoord(Vec3(1, 2, 3), flat), Vec3(1, 2, 3));
}

TEST(AttachedDrawMaths, FlameIsTwiceAsLongInSpaceAndNeedsAnEngine)
{
    EXPECT_FLOAT_EQ(CAttachedEffect::EngineFlameLength(100, 100, 0, 1, false), 1.0f);
    EXPECT_FLOAT_EQ(CAttachedEffect::EngineFlameLength(100, 100, 0, 1, true), 2.0f);
    EXPECT_FLOAT_EQ(CAttachedEffect::EngineFlameLength(50, 100, 0.25f, 1, true), 0.75f);
    EXPECT_FLOAT_EQ(CAttachedEffect::EngineFlameLength(50, 0, 0, 1, true), 0.0f);
}

TEST_F(AttachedDrawTest, StandingShipShowsNoFlameOrGlow)
{
    CUnit* ship = Unit(GTYPE_SP_NPCSHIP, Vec3(0, 0, 50), Mesh(1, EnginePoints(2)));
    ship->engineMax = 100.0f;
    CAttachedEffect* flame = Effect(GEFFECT_ENGINEFLAME, ship, Mesh(0.5f));
    CAttachedEffect* glow = Effect(GEFFECT_ENGINEGALO, ship, Mesh(0.5f));
    dev->ClearCalls();
    flame->Draw(0);
    glow->Draw(0);
    EXPECT_EQ(Draws(), 0u);

    ship->speed = 100.0f;
    flame->Draw(0);
    EXPECT_EQ(Draws(), 2u);  // one per engine point
    glow->Draw(0);
    EXPECT_EQ(Draws(), 4u);
}

TEST_F(AttachedDrawTest, FullSpeedFlameInSpaceIsTwiceThePlanetOne)
{
    CUnit* ship = Unit(GTYPE_SP_NPCSHIP, Vec3(0, 0, 50), Mesh(1, EnginePoints(1)));
    ship->engineMax = ship->speed = 80.0f;
    CAttachedEffect* flame = Effect(GEFFECT_ENGINEFLAME, ship, Mesh(0.5f));
    GameSrand(7);
    flame->Draw(0);
    const float space = flame->scale2.z;
    g_WorldIndex = 0;
    GameSrand(7);
    flame->Draw(0);
    g_WorldIndex = 1;
    EXPECT_GT(space, 0.0f);
    EXPECT_FLOAT_EQ(space, 2.0f * flame->scale2.z);
    // The flame sits on the engine point, behind the ship's centre.
    EXPECT_FLOAT_EQ(flame->drawMatrix.m[3][2], 48.0f);
}

TEST_F(AttachedDrawTest, DyingShipFlameFadesOverItsBurningStage)
{
    CUnit* ship = Unit(GTYPE_SP_NPCSHIP, Vec3(0, 0, 50), Mesh(1, EnginePoints(1)));
    ship->engineMax = ship->speed = 80.0f;
    ship->orderType = ACTION_DEAD;
    ship->orderSubState = 1;
    ship->orderVector.z = 0.0f;  // no burning time: the flame is gone at once
    CAttachedEffect* flame = Effect(GEFFECT_ENGINEFLAME, ship, Mesh(0.5f));
    flame->Draw(0);
    EXPECT_FLOAT_EQ(flame->scale2.z, 0.0f);
    // Three quarters into a 4 s burn, just after an emission: a quarter of the flame.
    ship->orderVector.z = 4.0f;
    if (g_GameClock.gameTime < 10000.0) g_GameClock.gameTime = 10000.0;
    ship->timers[2] = g_GameClock.NowMs() - 3000u;
    ship->timers[1] = g_GameClock.NowMs() - 50u;
    flame->Draw(0);
    EXPECT_GE(flame->scale2.z, 2.0f * 0.75f * 0.25f - 1e-4f);
    EXPECT_LE(flame->scale2.z, 2.0f * 0.25f + 1e-4f);
    ship->orderSubState = 2;  // past burning: nothing is drawn
    dev->ClearCalls();
    flame->Draw(0);
    EXPECT_EQ(Draws(), 0u);
}

TEST_F(AttachedDrawTest, ObjectLightGoesOutWithTheHull)
{
    CUnit* ship = Unit(GTYPE_SP_NPCSHIP, Vec3(0, 0, 50), Mesh(1, EnginePoints(1)));
    CAttachedEffect* light = Effect(GEFFECT_OBJECTLIGHT1, ship, Mesh(0.2f));
    dev->ClearCalls();
    light->Draw(0);
    EXPECT_EQ(Draws(), 3u);
    // Flicker of at most 10 %.
    EXPECT_LE(light->scale2.x, 1.0f);
    EXPECT_GE(light->scale2.x, 0.9f);
    ship->hull = 0.0f;
    dev->ClearCalls();
    light->Draw(0);
    EXPECT_EQ(Draws(), 0u);
}

TEST_F(AttachedDrawTest, SunFlareHidesBehindAStationButNotAFarShip)
{
    CUnit* sun = Unit(GTYPE_SP_STAR, Vec3(0, 0, 2000), Mesh(10));
    sun->objectClass = GCLASS_SPACE_OBJECT;
    CAttachedEffect* flare = Effect(GEFFECT_SUNGALO, sun, nullptr);
    flare->SetDefaultLights(-1, -1);

    dev->ClearCalls();
    flare->Draw(0);
    EXPECT_EQ(Draws(), unsigned(kFlareCount));

    CUnit* station = Unit(GTYPE_SP_STATION, Vec3(0, 0, 1000), Mesh(20), true);
    dev->ClearCalls();
    flare->Draw(0);
    EXPECT_EQ(Draws(), 0u);

    // A ship of radius ~1.7 at 1000 units: beyond 100 radii, the flare still shows.
    station->position = station->drawPosition = Vec3(5000, 0, 0);
    station->worldMatrix = station->drawMatrix = MatrixTranslation(5000, 0, 0);
    Unit(GTYPE_SP_NPCSHIP, Vec3(0, 0, 1000), Mesh(1), true);
    dev->ClearCalls();
    flare->Draw(0);
    EXPECT_EQ(Draws(), unsigned(kFlareCount));
}

TEST_F(AttachedDrawTest, SunBehindTheEyeShowsNoFlare)
{
    CUnit* sun = Unit(GTYPE_SP_STAR, Vec3(0, 0, -2000), Mesh(10));
    CAttachedEffect* flare = Effect(GEFFECT_SUNGALO, sun, nullptr);
    flare->SetDefaultLights(-1, -1);
    dev->ClearCalls();
    flare->Draw(0);
    EXPECT_EQ(Draws(), 0u);
}

TEST_F(AttachedDrawTest, FarAsteroidSpriteIsDrawnAtTheViewDistanceScaledDown)
{
    g_ViewDistance = 4000.0f;
    CAttachedEffect* field = Effect(GEFFECT_ASTEROIDS_FIELD, nullptr, Mesh(1));
    field->asteroidCount = 1;
    field->spriteMatrices[0] = MatrixTranslation(0, 0, 20000);
    dev->ClearCalls();
    field->Draw(0);
    EXPECT_EQ(Draws(), 1u);
    EXPECT_NEAR(field->drawPosition.z, 4000.0f, 1e-2f);
    EXPECT_NEAR(field->scale.x, 100.0f, 1e-3f);
    // Too many sprites in a record never read past its matrices.
    field->asteroidCount = 100000;
    field->Draw(0);
}

TEST_F(AttachedDrawTest, EngineTrailGrowsBehindAMovingShipAndNeedsTwoPoints)
{
    CUnit* ship = Unit(GTYPE_SP_NPCSHIP, Vec3(0, 0, 100), Mesh(1, EnginePoints(1)));
    ship->engineMax = ship->speed = 80.0f;
    CAttachedEffect* trail = Effect(GEFFECT_ENGINETRAIL, ship, nullptr);
    trail->Update();
    dev->ClearCalls();
    trail->Draw(0);
    EXPECT_EQ(trail->trailCount, 1u);
    EXPECT_EQ(dev->Count("DrawPrimitiveUP"), 0u);
    for (int i = 1; i <= 5; ++i) {
        ship->position = Vec3(0, 0, 100.0f + 10.0f * i);
        ship->worldMatrix = ship->drawMatrix = MatrixTranslation(0, 0, ship->position.z);
        trail->Draw(0);
    }
    EXPECT_EQ(trail->trailCount, 6u);
    EXPECT_FLOAT_EQ(trail->trailValues[0], trail->trailValues[1] - 0.5f);
    EXPECT_GE(dev->Count("DrawPrimitiveUP 5"), 1u);
    // A corrupt count is brought back within the arrays.
    trail->trailCount = 1000;
    trail->Draw(0);
    EXPECT_LE(trail->trailCount, unsigned(kTrailPointCount));
}
