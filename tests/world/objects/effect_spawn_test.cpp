// Effect objects read from their description files, and the smoke of a badly damaged
// unit: a station's explosions on its hull and a ship's sparks, put in the effect list.
#include <gtest/gtest.h>

#include "render/mesh.h"
#include "world/objects/attached_effect.h"
#include "world/objects/effect_object.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/space/unit_space.h"
#include "world/unit_test_util.h"

namespace {

std::string BoomFile(const std::string& kind, int effectBlocks, const std::vector<std::string>& actions = {})
{
    EffectObjectText t;
    t.name = "Boom";
    t.kind = kind;
    t.alive = "1.0";
    t.damage = "25";
    t.growth = "10.5";
    t.inertia = "2.0";
    t.life = "1.5";
    t.effects.assign(effectBlocks, EffectBlock("GEFFECT_SELFILLUM_FLAT"));
    t.actions = actions;
    return t.Text();
}

class EffectSpawnTest : public UnitFilesTest {
protected:
    void SetUp() override
    {
        UnitFilesTest::SetUp();
        savedPlayer_ = g_PlayerObject;
        g_PlayerObject = nullptr;
        CCamera& c = g_World.cameras[1];
        saved_ = {c.eye, c.lookAt, c.up, c.fov, c.aspect, c.farPlane, c.nearPlane};
        c.SetProjection(1.0f, 4.0f / 3.0f, 5000.0f, 2.0f);
        c.SetMatrices(Vec3(0, 0, -300), Vec3(0, 0, 0), Vec3(0, 1, 0));
        g_GameClock.gameTime = 100000.0;
        CObjectList::DestroyAll();
    }
    void TearDown() override
    {
        CObjectList::DestroyAll();
        CCamera& c = g_World.cameras[1];
        c.SetProjection(saved_.fov, saved_.aspect, saved_.farPlane, saved_.nearPlane);
        c.SetMatrices(saved_.eye, saved_.lookAt, saved_.up);
        g_PlayerObject = savedPlayer_;
        UnitFilesTest::TearDown();
    }
    // A unit of the kind with the test ship's mesh at the origin, hull at a tenth.
    CUnit* Damaged(const char* kind)
    {
        CUnit* u = LoadShip(kind, "Data/T/Damaged/Main.obj", 1);
        u->hull = 100.0f;
        u->smokeInterval = 0.0f;
        u->timers[4] = 0;
        EXPECT_TRUE(CObjectList::Add(u));
        return u;
    }
    struct {
        Vec3 eye, lookAt, up;
        float fov, aspect, farPlane, nearPlane;
    } saved_;
    CUnit* savedPlayer_ = nullptr;
};

TEST_F(EffectSpawnTest, LoadReadsValuesEffectsAndActions)
{
    const std::vector<std::string> actions = {Col("ACTION_DEAD", "00010003"), Col("ACTION_BOGUS", "00020002")};
    WriteFile("Data/T/Boom/Main.obj", BoomFile("GEFFECT_EXPLODE", 2, actions));
    CEffectObject e;
    ASSERT_EQ(e.Load("Data/T/Boom/Main.obj"), 1);
    EXPECT_EQ(e.loaded, 1);
    EXPECT_STREQ(e.filePath, "Data/T/Boom/Main.obj");
    EXPECT_STREQ(e.name, "Boom");
    EXPECT_EQ(e.kind, GEFFECT_EXPLODE);
    EXPECT_EQ(e.meshCount, 1);
    EXPECT_FLOAT_EQ(e.alive, 1.0f);
    EXPECT_FLOAT_EQ(e.damage, 25.0f);
    EXPECT_FLOAT_EQ(e.growth, 10.5f);
    EXPECT_FLOAT_EQ(e.tumbleInertia, 2.0f);
    EXPECT_FLOAT_EQ(e.lifeTime, 1.5f);
    EXPECT_FLOAT_EQ(e.remainingLife, 1.5f);
    ASSERT_EQ(e.effectCount, 2);
    EXPECT_EQ(e.effects[1]->kind, GEFFECT_SELFILLUM_FLAT);
    EXPECT_EQ(e.effects[1]->parent, &e);
    // The unknown label has no slot; the known one sets the mesh's frames.
    EXPECT_EQ(e.meshes[0]->m_ActionFrames[ACTION_DEAD][0], 1);
    EXPECT_EQ(e.meshes[0]->m_ActionFrames[ACTION_DEAD][1], 3);
    EXPECT_GT(e.boundsRadius, 0.0f);
    EXPECT_EQ(e.lastUpdateTime, g_GameClock.NowMs());
    e.Release();

    CEffectObject missing;
    EXPECT_EQ(missing.Load("Data/T/None/Main.obj"), 0);
    EXPECT_EQ(missing.alive, 0.0f);
    EXPECT_EQ(missing.loaded, 0);
}

TEST_F(EffectSpawnTest, DamagedStationBurstsOnItsHull)
{
    for (int n = 1; n <= 5; ++n) {
        char path[64];
        std::snprintf(path, sizeof path, "Data/Space/Effect/MainExp_%02d/Main.obj", n);
        WriteFile(path, BoomFile("GEFFECT_EXPLODE", 0));
    }
    CUnit* station = Damaged("GTYPE_SP_STATION");
    station->UpdateSpace();
    ASSERT_EQ(CObjectList::CountEffects(), 1);
    CEffectObject* e = CObjectList::effects[1][0];
    EXPECT_EQ(e->kind, GEFFECT_EXPLODE);
    EXPECT_EQ(e->drawMode, 1);
    const float s = station->boundsRadius / 5.0f;
    EXPECT_FLOAT_EQ(e->scale.x, s);
    EXPECT_FLOAT_EQ(e->scale.z, s);
    // On the hull, lifted towards the camera by its own size.
    EXPECT_LE(Vec3Length(e->position - station->position), station->boundsRadius * 1.01f + s);
    EXPECT_FLOAT_EQ(station->smokeInterval, 0.2f);

    // The next burst waits for the interval; below a hull of 2 none comes.
    station->UpdateSpace();
    EXPECT_EQ(CObjectList::CountEffects(), 1);
    station->hull = 1.5f;
    g_GameClock.gameTime += 5000.0;
    station->UpdateSpace();
    EXPECT_EQ(CObjectList::CountEffects(), 1);
}

TEST_F(EffectSpawnTest, DamagedShipSparksFromItsDerivedSlot)
{
    WriteFile("Data/T/Spark/Main.obj", BoomFile("GEFFECT_SMOKECLOUD", 0));
    CUnit* ship = Damaged("GTYPE_SP_NPCSHIP");
    ship->orderType = ACTION_TRANSPORT;  // the transport handler keeps it where it is
    ship->speed = 60.0f;
    ship->derivedUnits[DERIVED_SPARK_1] = new CUnit();
    CopyTextCut(ship->derivedPaths[DERIVED_SPARK_1], sizeof ship->derivedPaths[0], "Data/T/Spark/Main.obj");
    const Vec3 at = ship->position;
    ship->UpdateSpace();
    ASSERT_EQ(CObjectList::CountEffects(), 1);
    CEffectObject* e = CObjectList::effects[1][0];
    EXPECT_EQ(e->kind, GEFFECT_SMOKECLOUD);
    EXPECT_FLOAT_EQ(e->speed, ship->speed / 1.2f);
    EXPECT_NEAR(Vec3Length(e->direction), 1.0f, 1e-4f);
    EXPECT_GE(e->angularStep.z, -0.2f);
    EXPECT_LE(e->angularStep.z, 0.2f);
    const float r = ship->boundsRadius * 0.25f + 1e-3f;
    EXPECT_LE(std::fabs(e->position.x - at.x), r);
    EXPECT_LE(std::fabs(e->position.y - at.y), r);

    // Out of the camera's reach nothing is made.
    CObjectList::DestroyAll();
    ship = Damaged("GTYPE_SP_NPCSHIP");
    ship->orderType = ACTION_TRANSPORT;
    ship->derivedUnits[DERIVED_SPARK_1] = new CUnit();
    CopyTextCut(ship->derivedPaths[DERIVED_SPARK_1], sizeof ship->derivedPaths[0], "Data/T/Spark/Main.obj");
    ship->position = Vec3(0, 0, 2000);
    ship->UpdateTransform();
    ship->UpdateSpace();
    EXPECT_EQ(CObjectList::CountEffects(), 0);
}

}  // namespace
