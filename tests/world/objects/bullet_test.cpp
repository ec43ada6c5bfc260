// Bullets in flight: laser bolts that hit or run out, rockets that accelerate and leave
// smoke, missiles that home and explode, and the bullet effects they carry.
#include <gtest/gtest.h>

#include <cmath>

#include "render/mesh.h"
#include "world/objects/bullet.h"
#include "world/objects/effect_object.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/unit_test_util.h"
#include "dataset_util.h"

namespace {

std::string EffectObjectFile(const std::string& kind, const std::string& life = "1.0")
{
    EffectObjectText t;
    t.name = "Puff";
    t.kind = kind;
    t.growth = "4.0";
    t.life = life;
    return t.Text();
}

struct BulletText {
    std::string kind = "GTYPE_LASER_WEAPON";
    std::string speeds = "1000 1000";
    std::string damage = "40";
    std::string inertia = "1.0";
    std::string flight = "2.0";
    std::vector<std::string> effects;   // effect kinds
    std::vector<std::string> derived;   // whole lines

    std::string Text() const
    {
        std::string s = Sep() + "// bullet\n" + Sep();
        s += Col("Name", "Bolt") + Col("Class", "GCLASS_BULLET") + Col("Type", kind) + Sep();
        s += Col("Vertex type", "D3D_LVERTEX") + Col("Meshes", "1") + Col("Mesh", "Data/T/Ship.msh");
        s += Col("Textures", "0") + Col("Mip levels", "0") + Sep();
        s += Col("Alive", "1") + Col("Damage", damage) + Col("Max speed / speed", speeds) + Col("Turn inertia", inertia) +
             Col("Flight time", flight) + Sep();
        s += Col("Effects", std::to_string(effects.size()));
        for (auto& e : effects) s += EffectBlock(e, {"Data/T/Door.msh"});
        s += Sep() + Col("Derived objects", std::to_string(derived.size()));
        for (auto& d : derived) s += d;
        s += Sep();
        return s;
    }
};

class BulletTest : public UnitFilesTest {
protected:
    void SetUp() override
    {
        UnitFilesTest::SetUp();
        savedPlayer_ = g_PlayerObject;
        g_PlayerObject = nullptr;
        CCamera& c = g_World.cameras[1];
        savedCamera_.Save(c);
        c.SetMatrices(Vec3(0, 300, -300), Vec3(0, 0, 0), Vec3(0, 1, 0));
        g_GameClock.gameTime = 100000.0;
        g_LocationDirector.locationId = 50;
        CObjectList::DestroyAll();
        CObjectList::Add(new CUnit());  // the sky: queries start after it
        WriteFile("Data/T/Exp/Main.obj", EffectObjectFile("GEFFECT_EXPLODE"));
        WriteFile("Data/T/Smoke/Main.obj", EffectObjectFile("GEFFECT_SMOKECLOUD"));
        owner_.hull = 100.0f;
    }
    void TearDown() override
    {
        CObjectList::DestroyAll();
        savedCamera_.Restore(g_World.cameras[1]);
        g_PlayerObject = savedPlayer_;
        UnitFilesTest::TearDown();
    }
    CUnit* Target(const char* kind, int side, const Vec3& at)
    {
        CUnit* u = LoadShip(kind, "Data/T/Target/Main.obj", 7);
        u->hull = 1000.0f;
        u->pilot.side = side;
        u->position = at;
        u->UpdateTransform();
        EXPECT_TRUE(CObjectList::Add(u));
        return u;
    }
    // A bullet placed at the point, flying along +z, in the list.
    CBullet* Fire(const BulletText& text, const Vec3& at, CUnit* target = nullptr)
    {
        WriteFile("Data/T/Bolt/Main.obj", text.Text());
        CBullet* b = new CBullet();
        EXPECT_EQ(b->Load("Data/T/Bolt/Main.obj"), 1);
        b->position = at;
        b->worldMatrix = MatrixIdentity();
        b->owner = &owner_;
        b->target = target;
        b->FinishSpawn();
        EXPECT_TRUE(CObjectList::AddBullet(b));
        return b;
    }
    // The list's pass over bullets and effects, for frames of 10 ms.
    static void Run(int ms)
    {
        for (int t = 0; t < ms; t += 10) {
            g_GameClock.gameTime += 10.0;
            for (uint32_t i = 0; i < CObjectList::bulletCount[1];) {
                CBullet* b = CObjectList::bullets[1][i];
                if (b->alive == 0.0f) {
                    CObjectList::RemoveBullet(b);
                    continue;
                }
                b->Update();
                ++i;
            }
            for (uint32_t i = 0; i < CObjectList::effectCount[1];) {
                CEffectObject* e = CObjectList::effects[1][i];
                if (e->alive == 0.0f) {
                    CObjectList::RemoveEffect(e);
                    continue;
                }
                e->Update();
                ++i;
            }
        }
    }
    int CountEffectsOfKind(int kind) const
    {
        int n = 0;
        for (uint32_t i = 0; i < CObjectList::effectCount[1]; ++i) n += CObjectList::effects[1][i]->kind == kind;
        return n;
    }
    CUnit owner_;
    CUnit* savedPlayer_ = nullptr;
    SavedView savedCamera_;
};

TEST_F(BulletTest, LoadReadsValuesEffectsAndDerivedTemplates)
{
    BulletText t;
    t.kind = "GTYPE_ROCKT_WEAPON";
    t.speeds = "0900 0";
    t.inertia = "2.5";
    t.flight = "4.0";
    t.effects = {"GEFFECT_ENGINEFLAME", "GEFFECT_ENGINEGALO", "GEFFECT_ENGINETRAIL"};
    t.derived = {Col("DERIVED_EXPLOSION_2", "Data/T/Exp/Main.obj"), Col("DERIVED_BOGUS", "Data/T/Exp/Main.obj"),
                 Col("DERIVED_TRAIL_1", "Data/T/Smoke/Main.obj")};
    WriteFile("Data/T/Rocket/Main.obj", t.Text());
    CBullet b;
    ASSERT_EQ(b.Load("Data/T/Rocket/Main.obj"), 1);
    EXPECT_EQ(b.loaded, 1);
    EXPECT_STREQ(b.name, "Bolt");
    EXPECT_EQ(b.kind, GTYPE_ROCKT_WEAPON);
    EXPECT_EQ(b.networkId, -1);
    EXPECT_FLOAT_EQ(b.alive, 1.0f);
    EXPECT_FLOAT_EQ(b.damage, 40.0f);
    EXPECT_FLOAT_EQ(b.maxSpeed, 900.0f);
    EXPECT_FLOAT_EQ(b.speed, 0.0f);
    EXPECT_FLOAT_EQ(b.turnInertia, 2.5f);
    EXPECT_FLOAT_EQ(b.remainingFlightTime, 4.0f);
    ASSERT_EQ(b.effectCount, 3);
    EXPECT_EQ(b.effects[0]->kind, GEFFECT_ENGINEFLAME);
    EXPECT_EQ(b.effects[2]->kind, GEFFECT_ENGINETRAIL);
    EXPECT_EQ(b.effects[1]->parent, &b);
    EXPECT_EQ(b.effects[1]->drawMode, 1);
    EXPECT_EQ(b.GetExplosionSlot(), int(DERIVED_EXPLOSION_2));
    EXPECT_EQ(b.GetTrailSlot(), int(DERIVED_TRAIL_1));
    EXPECT_EQ(b.derived[DERIVED_TRAIL_1]->kind, GEFFECT_SMOKECLOUD);
    EXPECT_STREQ(b.derivedPaths[DERIVED_TRAIL_1], "Data/T/Smoke/Main.obj");
    int filled = 0;
    for (CEffectObject* d : b.derived) filled += d != nullptr;
    EXPECT_EQ(filled, 2);  // the unknown label has no slot
    b.Release();
    EXPECT_EQ(b.effectCount, 0);
    EXPECT_EQ(b.derived[DERIVED_TRAIL_1], nullptr);

    CBullet missing;
    EXPECT_EQ(missing.Load("Data/T/None/Main.obj"), 0);
    EXPECT_FLOAT_EQ(missing.alive, 0.0f);
}

TEST_F(BulletTest, FiveEffectBlocksKeepFourAndTheLinesAfterThem)
{
    BulletText t;
    t.effects.assign(5, "GEFFECT_ENGINEGALO");
    t.derived = {Col("DERIVED_EXPLOSION_1", "Data/T/Exp/Main.obj")};
    WriteFile("Data/T/Many/Main.obj", t.Text());
    CBullet b;
    ASSERT_EQ(b.Load("Data/T/Many/Main.obj"), 1);
    EXPECT_EQ(b.effectCount, 4);
    EXPECT_EQ(b.GetExplosionSlot(), int(DERIVED_EXPLOSION_1));
    b.Release();
}

TEST_F(BulletTest, LaserWithoutHitIsRemovedAfterItsFlightTime)
{
    CBullet* b = Fire(BulletText(), Vec3(0, 0, 0));
    Run(1000);
    EXPECT_NEAR(b->position.z, 1000.0f, 1.0f);
    EXPECT_NEAR(b->drawPosition.z, b->position.z, 1e-3f);
    Run(990);
    EXPECT_EQ(CObjectList::CountBullets(), 1);
    Run(30);
    EXPECT_EQ(CObjectList::CountBullets(), 0);
    // Nothing near: the coarse test waits 0.2 s between tries.
}

TEST_F(BulletTest, LaserHitDealsDamageByVictimAndSector)
{
    g_LocationDirector.locationId = 1;
    BulletText t;
    t.derived = {Col("DERIVED_EXPLOSION_1", "Data/T/Exp/Main.obj")};
    CUnit* station = Target("GTYPE_SP_STATION", 0, Vec3(0, 0, 300));
    owner_.target = station;
    owner_.pilot.skill = 0.5f;
    CBullet* b = Fire(t, Vec3(0, 0, 0));
    Run(400);
    EXPECT_FLOAT_EQ(station->hull, 960.0f);  // full damage for a neutral station
    EXPECT_EQ(CObjectList::CountBullets(), 0);
    EXPECT_EQ(owner_.statistics.shotsOnTarget, 1);
    EXPECT_NEAR(owner_.pilot.skill, 0.501f, 1e-6f);
    ASSERT_EQ(CountEffectsOfKind(GEFFECT_EXPLODE), 1);
    CEffectObject* e = CObjectList::effects[1][0];
    EXPECT_EQ(e->drawMode, 1);
    EXPECT_GE(e->angularStep.z, -0.1f);
    EXPECT_LE(e->angularStep.z, 0.1f);
    (void)b;

    // The player's ship takes a quarter in sector 1, a half in sector 12.
    CObjectList::Remove(station);
    owner_.target = nullptr;
    CUnit* player = Target("GTYPE_SP_NPCSHIP", 1, Vec3(0, 0, 300));
    g_PlayerObject = player;
    Fire(BulletText(), Vec3(0, 0, 0));
    Run(400);
    EXPECT_FLOAT_EQ(player->hull, 990.0f);
    g_LocationDirector.locationId = 12;
    Fire(BulletText(), Vec3(0, 0, 0));
    Run(400);
    EXPECT_FLOAT_EQ(player->hull, 970.0f);
    EXPECT_EQ(owner_.statistics.shotsOnTarget, 1);  // not its target
}

TEST_F(BulletTest, RocketTakesLauncherSpeedAndAccelerates)
{
    BulletText t;
    t.kind = "GTYPE_ROCKT_WEAPON";
    t.speeds = "0900 0";
    t.flight = "5.0";
    CBullet* b = Fire(t, Vec3(0, 0, 0));
    b->speed = 100.0f;  // the launcher's speed
    Run(500);
    EXPECT_NEAR(b->speed, 350.0f, 0.5f);
    Run(2000);
    EXPECT_FLOAT_EQ(b->speed, 900.0f);
}

TEST_F(BulletTest, MissileWhoseTargetDiesFliesOnAndExplodesOnce)
{
    BulletText t;
    t.kind = "GTYPE_MISSL_WEAPON";
    t.speeds = "0600 600";
    t.flight = "1.0";
    t.derived = {Col("DERIVED_EXPLOSION_1", "Data/T/Exp/Main.obj")};
    CUnit* victim = Target("GTYPE_SP_NPCSHIP", 2, Vec3(3000, 0, 0));
    CBullet* b = Fire(t, Vec3(0, 0, 0), victim);
    Run(100);
    EXPECT_GT(b->worldMatrix.m[2][0], 0.0f);  // turning towards the target on its right
    victim->hull = 0.0f;
    const Vec3 heading(b->worldMatrix.m[2][0], b->worldMatrix.m[2][1], b->worldMatrix.m[2][2]);
    Run(100);
    EXPECT_EQ(b->target, nullptr);
    Run(850);
    EXPECT_TRUE(b->HasEnded());
    EXPECT_FLOAT_EQ(b->afterBurnTime, 3.0f);
    EXPECT_FLOAT_EQ(Vec3Length(b->scale2), 0.0f);
    EXPECT_EQ(CountEffectsOfKind(GEFFECT_EXPLODE), 1);
    EXPECT_EQ(b->GetExplosionSlot(), 0);
    // The spin left by the homing dies down; the course stays close to the last one.
    const Vec3 now(b->worldMatrix.m[2][0], b->worldMatrix.m[2][1], b->worldMatrix.m[2][2]);
    EXPECT_GT(Vec3Dot(Vec3Normalize(now), Vec3Normalize(heading)), 0.9f);
    const Vec3 end = b->position;
    Run(2900);
    EXPECT_EQ(CObjectList::CountBullets(), 1);  // after-burn: still listed, no longer moving
    EXPECT_FLOAT_EQ(b->position.z, end.z);
    Run(200);
    EXPECT_EQ(CObjectList::CountBullets(), 0);
}

TEST_F(BulletTest, RocketHitExplodesOnceAndEndsItsFlight)
{
    BulletText t;
    t.kind = "GTYPE_ROCKT_WEAPON";
    t.speeds = "0800 800";
    t.flight = "3.0";
    t.derived = {Col("DERIVED_EXPLOSION_1", "Data/T/Exp/Main.obj")};
    CUnit* ship = Target("GTYPE_SP_NPCSHIP", 2, Vec3(0, 0, 200));
    CBullet* b = Fire(t, Vec3(0, 0, 0));
    Run(400);
    EXPECT_FLOAT_EQ(ship->hull, 960.0f);
    EXPECT_TRUE(b->HasEnded());
    EXPECT_EQ(CountEffectsOfKind(GEFFECT_EXPLODE), 1);
    Run(500);
    EXPECT_FLOAT_EQ(ship->hull, 960.0f);  // ended rockets never hit again
}

TEST_F(BulletTest, RocketTrailPuffsGrowFromNothing)
{
    BulletText t;
    t.kind = "GTYPE_ROCKT_WEAPON";
    t.speeds = "0800 400";
    t.flight = "3.0";
    t.derived = {Col("DERIVED_TRAIL_2", "Data/T/Smoke/Main.obj")};
    CBullet* b = Fire(t, Vec3(0, 0, 0));
    Run(60);
    ASSERT_EQ(CountEffectsOfKind(GEFFECT_SMOKECLOUD), 1);
    CEffectObject* puff = CObjectList::effects[1][0];
    EXPECT_EQ(puff->drawMode, 1);
    EXPECT_NEAR(puff->speed, b->speed * 0.25f, 2.0f);
    EXPECT_NEAR(puff->direction.z, 1.0f, 1e-4f);
    EXPECT_LT(puff->scale.x, 0.1f);
    EXPECT_NE(b->derived[DERIVED_TRAIL_2], nullptr);  // the template stays
    Run(500);
    EXPECT_GE(CountEffectsOfKind(GEFFECT_SMOKECLOUD), 8);
    EXPECT_LE(CountEffectsOfKind(GEFFECT_SMOKECLOUD), 10);
}

TEST_F(BulletTest, FullEffectListKeepsTheExplosionTemplate)
{
    BulletText t;
    t.kind = "GTYPE_ROCKT_WEAPON";
    t.speeds = "0800 800";
    t.flight = "0.1";
    t.derived = {Col("DERIVED_EXPLOSION_1", "Data/T/Exp/Main.obj")};
    for (int i = 0; i < kMaxEffects; ++i) {
        CEffectObject* e = new CEffectObject();
        e->alive = 1.0f;
        e->kind = GEFFECT_SELFILLUM_FLAT;
        CObjectList::AddEffect(e);
    }
    CBullet* b = Fire(t, Vec3(0, 0, 0));
    for (int i = 0; i < 20; ++i) {
        g_GameClock.gameTime += 10.0;
        b->Update();
    }
    EXPECT_TRUE(b->HasEnded());
    EXPECT_NE(b->derived[DERIVED_EXPLOSION_1], nullptr);
    EXPECT_EQ(CObjectList::CountEffects(), kMaxEffects);
}

TEST_F(BulletTest, EngineEffectsFollowTheRocket)
{
    BulletText t;
    t.kind = "GTYPE_ROCKT_WEAPON";
    t.speeds = "0800 800";
    t.flight = "1.0";
    t.effects = {"GEFFECT_ENGINEGALO", "GEFFECT_ENGINETRAIL"};
    CBullet* b = Fire(t, Vec3(0, 0, 0));
    CBulletEffect* glow = b->effects[0];
    CBulletEffect* trail = b->effects[1];
    EXPECT_EQ(trail->started, 1);
    EXPECT_EQ(trail->trailCount, 0u);
    Vec3 engine;
    ASSERT_TRUE(trail->EnginePoint(true, &engine));
    EXPECT_LT(engine.z, b->position.z);  // the nozzle is behind
    // Drawing lays trail points as the rocket moves (no device: nothing is drawn).
    for (int i = 0; i < 20; ++i) {
        Run(10);
        b->DrawEffects();
    }
    EXPECT_GT(trail->trailCount, 3u);
    EXPECT_LE(trail->trailCount, 64u);
    EXPECT_FLOAT_EQ(trail->trailValues[0], trail->trailValues[1] - 0.5f);
    EXPECT_FLOAT_EQ(trail->trailIntensities[0], 1.0f);
    EXPECT_GT(trail->trailPoints[0].z, trail->trailPoints[1].z);
    Run(1000);
    EXPECT_FLOAT_EQ(Vec3Length(glow->scale2), 0.0f);  // gone with the rocket
    // Points older than 6 s are dropped.
    const uint32_t before = trail->trailCount;
    g_GameClock.gameTime += 7000.0;
    b->DrawEffects();
    EXPECT_GT(before, 0u);
    EXPECT_EQ(trail->trailCount, 0u);
}

TEST_F(BulletTest, HomingTurnsTowardsTheTargetAndAimsWhenStraightAhead)
{
    CBullet b;
    b.turnInertia = 2.0f;
    b.boundsRadius = 1.0f;
    b.position = Vec3();
    b.worldMatrix = MatrixIdentity();
    b.targetPoint = Vec3(100, 100, 0);  // right and above
    b.SteerToTarget(0.1f);
    EXPECT_GT(b.angularStep.y, 0.0f);
    EXPECT_LT(b.angularStep.x, 0.0f);
    b.angularStep = Vec3();
    b.targetPoint = Vec3(-10, 0, -100);  // behind, to the left: full left turn
    b.SteerToTarget(1.0f);
    EXPECT_FLOAT_EQ(b.angularStep.y, -0.075f / 2.0f);
    b.angularStep = Vec3();
    b.targetPoint = Vec3(0.5f, 0, 1000);  // nearly straight ahead: aimed exactly
    b.SteerToTarget(0.1f);
    EXPECT_FLOAT_EQ(b.angularStep.y, 0.0f);
    EXPECT_NEAR(b.worldMatrix.m[2][0], 0.0005f, 1e-5f);
    b.targetPoint = b.position;  // on the target: no turn, no fault
    b.SteerToTarget(0.1f);
    EXPECT_TRUE(std::isfinite(b.angularStep.y));
}

// The bullets of the built data set: bodies, effects, explosions and trails all load.
class BulletDataSetTest : public testutil::DataSetTest {
protected:
    BulletDataSetTest() : DataSetTest("Data/Objects.hdr", true) {}
};

TEST_P(BulletDataSetTest, EveryBulletLoadsWithItsModelsAndTemplates)
{
    const int savedWorld = g_WorldIndex;
    g_WorldIndex = 1;
    for (const char* family : {"Laser", "Rocket", "Missile"}) {
        for (int n = 1; n <= 9; ++n) {
            const std::string path = std::string("Data/Space/Bullet/") + family + " M" + std::to_string(n) + "/Main.obj";
            SCOPED_TRACE(path);
            CBullet b;
            ASSERT_EQ(b.Load(path.c_str()), 1);
            EXPECT_GT(b.damage, 0.0f);
            EXPECT_GT(b.flightTime, 0.0f);
            ASSERT_EQ(b.meshCount, 1);
            ASSERT_NE(b.meshes[0], nullptr);
            EXPECT_GT(b.meshes[0]->m_SubMeshCount, 0);
            EXPECT_GE(b.textureCount, 1.0f);
            ASSERT_NE(b.GetExplosionSlot(), 0);
            const CEffectObject* boom = b.derived[b.GetExplosionSlot()];
            EXPECT_EQ(boom->loaded, 1);
            EXPECT_EQ(boom->kind, GEFFECT_EXPLODE);
            EXPECT_GT(boom->meshCount, 0);
            EXPECT_GE(boom->textureCount, 1.0f);
            if (std::string(family) == "Laser") {
                EXPECT_EQ(b.kind, GTYPE_LASER_WEAPON);
                EXPECT_EQ(b.effectCount, 0);
            } else {
                EXPECT_EQ(b.effectCount, 3);
                EXPECT_GE(b.meshes[0]->m_PointCount[MESH_POINTS_ENGINE], 1);
                ASSERT_NE(b.GetTrailSlot(), 0);
                const CEffectObject* puff = b.derived[b.GetTrailSlot()];
                EXPECT_EQ(puff->kind, GEFFECT_SMOKECLOUD);
                EXPECT_GE(puff->textureCount, 1.0f);
                for (int i = 0; i < b.effectCount; ++i) EXPECT_GE(b.effects[i]->textureCount, 1.0f);
            }
            b.Release();
        }
    }
    g_WorldIndex = savedWorld;
}

INSTANTIATE_TEST_SUITE_P(Sources, BulletDataSetTest, ::testing::Values(0, 1));

}  // namespace
