// A destroyed unit in space: it burns for a while, blows up in stages and disappears;
// the player's ship and the home station end the mission on the way.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "app/settings.h"
#include "app/winmain.h"
#include "audio/audio_manager.h"
#include "menus/game_menu.h"
#include "platform/crt/rand.h"
#include "world/objects/effect_object.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/unit_test_util.h"
#include "audio/wav_builder.h"

namespace {

std::string EffectText(const std::string& kind)
{
    EffectObjectText t;
    t.kind = kind;
    t.alive = "1.0";
    t.growth = "3.0";
    return t.Text();
}

const char* const kRing = "Data/Space/Effect/CircleExp_01/Main.obj";
const char* const kTrail = "Data/Space/Effect/RunExp_01/Main.obj";
const char* const kFragment = "Data/Space/Effect/DebrisFire_01/Main.obj";
const char* const kDebris = "Data/T/Debris/Main.obj";

class DyingTest : public UnitFilesTest {
protected:
    void SetUp() override
    {
        UnitFilesTest::SetUp();
        savedPlayer_ = g_PlayerObject;
        savedStation_ = g_HeroStation;
        savedMissionOver_ = g_LocationDirector.missionOver;
        savedResult_ = g_MissionResult;
        savedFinished_ = g_LocationFinished;
        savedMenu_ = g_GameMenuActive;
        g_PlayerObject = nullptr;
        g_HeroStation = nullptr;
        g_LocationDirector.missionOver = 0;
        g_LocationDirector.locationId = 5;
        g_MissionResult = -1;
        g_LocationFinished = 0;
        g_GameMenuActive = 0;
        camera_ = g_World.cameras[1];
        CCamera& c = g_World.cameras[1];
        c.target = nullptr;
        c.shotUnit = nullptr;
        c.fadeStart = 0;
        c.fadeMode = 0;
        c.SetMatrices(Vec3(0, 0, -300), Vec3(0, 0, 0), Vec3(0, 1, 0));
        g_GameClock.gameTime = 100000.0;
        GameSrand(7);
        CObjectList::DestroyAll();
        for (int n = 1; n <= 5; ++n)
            WriteFile("Data/Space/Effect/MainExp_0" + std::to_string(n) + "/Main.obj", EffectText("GEFFECT_EXPLODE"));
        WriteFile(kRing, EffectText("GEFFECT_EXPLODE"));
        WriteFile(kTrail, EffectText("GEFFECT_EXPLODE"));
        WriteFile(kFragment, EffectText("GEFFECT_EXPLODE"));
        WriteFile(kDebris, EffectText("GTYPE_SP_PARTSHIP"));
    }
    void TearDown() override
    {
        CObjectList::DestroyAll();
        CCamera& c = g_World.cameras[1];
        c.target = camera_.target;
        c.shotUnit = camera_.shotUnit;
        c.cinematicView = camera_.cinematicView;
        c.SetMatrices(camera_.eye, camera_.lookAt, camera_.up);
        g_PlayerObject = savedPlayer_;
        g_HeroStation = savedStation_;
        g_LocationDirector.missionOver = savedMissionOver_;
        g_MissionResult = savedResult_;
        g_LocationFinished = savedFinished_;
        g_GameMenuActive = savedMenu_;
        UnitFilesTest::TearDown();
    }

    // A ship in the space world's list, facing +z at the point, hull 0 and dead.
    static CUnit* Dead(int kind, const Vec3& at, int side = 2, unsigned cls = GCLASS_SPACE_SHIP)
    {
        CUnit* u = new CUnit();
        u->objectClass = cls;
        u->kind = kind;
        u->position = u->drawPosition = at;
        u->worldMatrix = MatrixIdentity();
        u->scale = u->scale2 = Vec3(1, 1, 1);
        u->boundsRadius = 2.0f;
        u->engineMax = 100.0f;
        u->manoeuvring = 2.0f;
        u->pilot.side = side;
        u->hull = 0.0f;
        u->orderType = ACTION_DEAD;
        EXPECT_TRUE(CObjectList::Add(u));
        return u;
    }
    static CUnit* Live(int kind, const Vec3& at, int side)
    {
        CUnit* u = Dead(kind, at, side);
        u->hull = u->hullMax = 100.0f;
        u->orderType = ACTION_STAY;
        return u;
    }
    static void Step(CUnit* u, double ms)
    {
        g_GameClock.gameTime += ms;
        u->UpdateDying(float(ms * 0.001));
    }
    static int CountEffects(const char* path)
    {
        int n = 0;
        for (int i = 0; i < CObjectList::CountEffects(); ++i)
            if (std::strcmp(CObjectList::effects[1][i]->filePath, path) == 0) ++n;
        return n;
    }
    static int CountMainBlasts()
    {
        int n = 0;
        for (int i = 0; i < CObjectList::CountEffects(); ++i)
            if (std::strstr(CObjectList::effects[1][i]->filePath, "MainExp_")) ++n;
        return n;
    }

    CCamera camera_;
    CUnit* savedPlayer_ = nullptr;
    CUnit* savedStation_ = nullptr;
    int savedMissionOver_ = 0, savedResult_ = 0, savedFinished_ = 0, savedMenu_ = 0;
};

TEST_F(DyingTest, FirstStepStartsTheBurningByKind)
{
    CUnit* ship = Dead(GTYPE_SP_NPCSHIP, Vec3(0, 0, 0));
    ship->rating = 0.0f;
    ship->speed = 40.0f;
    Step(ship, 0);
    EXPECT_EQ(ship->orderSubState, 1);
    EXPECT_FLOAT_EQ(ship->hull, 1.0f);
    EXPECT_FLOAT_EQ(ship->speedPercent, 40.0f);
    EXPECT_FLOAT_EQ(ship->orderVector.z, 4.0f);
    EXPECT_EQ(ship->timers[2], g_GameClock.NowMs());
    // Each tumble component is within +-0.05 / manoeuvring.
    EXPECT_LE(std::fabs(ship->angularStep.x), 0.025f + 1e-6f);
    EXPECT_LE(std::fabs(ship->angularStep.z), 0.025f + 1e-6f);

    CUnit* rated = Dead(GTYPE_SP_NPCSHIP, Vec3(50, 0, 0));
    rated->rating = 10.0f;
    Step(rated, 0);
    EXPECT_GE(rated->orderVector.z, 1.0f);
    EXPECT_LE(rated->orderVector.z, 6.0f);

    CUnit* station = Dead(GTYPE_SP_STATION, Vec3(500, 0, 0));
    Step(station, 0);
    EXPECT_FLOAT_EQ(station->orderVector.z, 10.0f);

    CUnit* rock = Dead(GTYPE_SP_ASTEROID, Vec3(900, 0, 0), 0, GCLASS_SPACE_OBJECT);
    Step(rock, 0);
    EXPECT_FLOAT_EQ(rock->orderVector.z, 3.0f);

    // No engine and no manoeuvring: no division by zero.
    CUnit* bare = Dead(GTYPE_SP_NPCSHIP, Vec3(0, 900, 0));
    bare->engineMax = 0.0f;
    bare->manoeuvring = 0.0f;
    bare->speed = 5.0f;
    Step(bare, 0);
    EXPECT_EQ(bare->speedPercent, 0.0f);
    EXPECT_EQ(bare->angularStep, Vec3());
}

TEST_F(DyingTest, PlayerTargetMovesToTheNearestHostileOrNone)
{
    CUnit* player = Live(GTYPE_SP_HEROSHIP, Vec3(0, 0, 0), 1);
    g_PlayerObject = player;
    CUnit* far = Live(GTYPE_SP_NPCSHIP, Vec3(0, 0, 2500), 2);
    CUnit* near = Live(GTYPE_SP_NPCSHIP, Vec3(0, 0, 800), 2);
    Live(GTYPE_SP_NPCSHIP, Vec3(0, 0, 3500), 2);  // out of reach
    (void)far;
    CUnit* enemy = Dead(GTYPE_SP_NPCSHIP, Vec3(0, 0, 100), 2);
    player->target = enemy;
    Step(enemy, 0);
    EXPECT_EQ(player->target, near);

    CUnit* friendShip = Dead(GTYPE_SP_NPCSHIP, Vec3(0, 0, 50), 1);
    player->target = friendShip;
    Step(friendShip, 0);
    EXPECT_EQ(player->target, nullptr);
}

TEST_F(DyingTest, BurningShipDriftsAndExplodesOnSchedule)
{
    CUnit* ship = Dead(GTYPE_SP_NPCSHIP, Vec3(0, 0, 0));
    ship->speed = 20.0f;
    ship->spinState = Vec3(0, 0, 1);
    Step(ship, 0);
    Step(ship, 1000);
    EXPECT_NEAR(ship->position.z, 20.0f, 1e-3f);
    EXPECT_EQ(ship->orderSubState, 1);
    EXPECT_EQ(CountMainBlasts(), 0);
    Step(ship, 3100);  // past 4 s
    EXPECT_EQ(ship->orderSubState, 2);
    EXPECT_EQ(ship->scale2, Vec3());
    EXPECT_FLOAT_EQ(ship->orderVector.z, 9.0f);
    EXPECT_EQ(CountEffects(kRing), 1);
    EXPECT_EQ(CountMainBlasts(), 1);
    EXPECT_EQ(g_MissionResult, -1);  // an ordinary ship ends nothing

    Step(ship, 9100);
    EXPECT_EQ(ship->orderSubState, 3);
    EXPECT_EQ(ship->hull, 0.0f);
    EXPECT_EQ(g_LocationFinished, 0);
}

TEST_F(DyingTest, BurningShipFlyingIntoSomethingExplodesAtOnce)
{
    UnitText t;
    t.meshes = {"Data/T/Ship.msh"};
    WriteFile("Data/T/Wall/Main.obj", t.Text());
    CUnit* wall = new CUnit();
    ASSERT_EQ(wall->Load("Data/T/Wall/Main.obj", 1), 1);
    wall->position = Vec3(0, 0, 30);
    wall->worldMatrix = MatrixIdentity();
    wall->UpdateTransform();
    wall->UpdateParts();
    ASSERT_TRUE(CObjectList::Add(wall));

    CUnit* ship = Dead(GTYPE_SP_NPCSHIP, Vec3(0, 0, 0));
    ship->speed = 100.0f;
    ship->spinState = Vec3(0, 0, 1);
    Step(ship, 0);
    Step(ship, 500);   // the segment 2..52 crosses the wall: it blows up in this step
    EXPECT_EQ(ship->orderSubState, 2);
    EXPECT_EQ(CountMainBlasts(), 1);

    // The same flight through empty space keeps burning.
    CUnit* other = Dead(GTYPE_SP_NPCSHIP, Vec3(0, 500, 0));
    other->speed = 100.0f;
    other->spinState = Vec3(0, 0, 1);
    Step(other, 0);
    Step(other, 500);
    EXPECT_FLOAT_EQ(other->orderVector.z, 4.0f);
}

TEST_F(DyingTest, BlastNearTheCameraThrowsDebrisFragmentsAndParts)
{
    CUnit* ship = Dead(GTYPE_SP_NPCSHIP, Vec3(0, 0, 0));  // camera 300 away
    ship->rating = 5.0f;
    ship->derivedUnits[DERIVED_DEBRIS_1] = new CUnit();
    std::strcpy(ship->derivedPaths[DERIVED_DEBRIS_1], kDebris);
    for (int slot = DERIVED_PART_1; slot <= DERIVED_PART_3; ++slot) {
        CUnit* part = new CUnit();
        part->objectClass = GCLASS_SPACE_OBJECT;
        part->kind = GTYPE_SP_PARTSHIP;
        part->manoeuvring = 1.0f;
        ship->derivedUnits[slot] = part;
    }
    ship->speed = 10.0f;
    ship->spinState = Vec3(0, 0, 1);
    Step(ship, 0);
    Step(ship, 150);  // one emission: the fire trail, maybe a piece
    EXPECT_EQ(CountEffects(kTrail), 1);
    const int before = CountEffects(kDebris);
    Step(ship, 7000);
    ASSERT_EQ(ship->orderSubState, 2);
    // radius 2: min(6, 20) in the blast, plus perhaps one from the last burning step
    EXPECT_GE(CountEffects(kDebris) - before, 6);
    EXPECT_LE(CountEffects(kDebris) - before, 7);
    EXPECT_EQ(CountEffects(kFragment), 12);         // min(12, 40)
    for (int i = 0; i < CObjectList::CountEffects(); ++i) {
        const CEffectObject* e = CObjectList::effects[1][i];
        if (std::strcmp(e->filePath, kFragment) != 0) continue;
        EXPECT_GE(e->speed, 10.0f);
        EXPECT_LT(e->speed, 60.0f);
        EXPECT_GE(e->lifeTime, 0.5f);
        EXPECT_LE(e->lifeTime, 2.5f);
    }

    int thrown = 0;
    for (int slot = DERIVED_PART_1; slot <= DERIVED_PART_3; ++slot) {
        if (ship->derivedUnits[slot]) continue;
        ++thrown;
    }
    ASSERT_GT(thrown, 0);
    EXPECT_EQ(CObjectList::Count(), 1 + thrown);
    for (int i = 1; i < CObjectList::Count(); ++i) {
        CUnit* part = CObjectList::units[1][i];
        EXPECT_EQ(part->orderType, ACTION_DEAD);
        EXPECT_NEAR(Vec3Length(part->position - ship->position), 1.0f, 1e-3f);  // radius x 0.5
        EXPECT_GT(part->speed, 5.0f);
        // The part then dies the same way.
        part->UpdateDying(0.0f);
        EXPECT_EQ(part->orderSubState, 1);
        EXPECT_FLOAT_EQ(part->orderVector.z, 3.0f);
    }
}

TEST_F(DyingTest, BurningAlienStationBurstsOnItsHullAndShedsPieces)
{
    UnitText t;
    t.kind = "GTYPE_SP_LEAFSTATION";
    t.meshes = {"Data/T/Ship.msh"};
    WriteFile("Data/T/Leaf/Main.obj", t.Text());
    CUnit* station = new CUnit();
    ASSERT_EQ(station->Load("Data/T/Leaf/Main.obj", 1), 1);
    station->worldMatrix = MatrixIdentity();
    station->UpdateTransform();
    station->UpdateParts();
    station->orderType = ACTION_DEAD;
    station->derivedUnits[DERIVED_DEBRIS_2] = new CUnit();
    std::strcpy(station->derivedPaths[DERIVED_DEBRIS_2], kDebris);
    ASSERT_TRUE(CObjectList::Add(station));

    Step(station, 0);
    ASSERT_FLOAT_EQ(station->orderVector.z, 10.0f);
    for (int i = 0; i < 20; ++i) Step(station, 100);
    EXPECT_EQ(station->orderSubState, 1);
    EXPECT_GT(CountMainBlasts(), 0);
    int pieces = 0;
    for (int i = 0; i < CObjectList::CountEffects(); ++i) {
        const CEffectObject* e = CObjectList::effects[1][i];
        if (std::strstr(e->filePath, "MainExp_")) {
            EXPECT_EQ(e->drawMode, 1);
            // 2 s of 10: (0.2 x 2 + 0.2) x radius at the most
            EXPECT_LE(e->scale.x, 0.6f * station->boundsRadius + 1e-3f);
        } else if (std::strcmp(e->filePath, kDebris) == 0) {
            EXPECT_EQ(e->drawMode, 2);
            ++pieces;
        }
    }
    EXPECT_EQ(pieces, CountMainBlasts());
    EXPECT_EQ(CountEffects(kTrail), 0);  // stations have no fire trail
}

TEST_F(DyingTest, BurningShipPlaysADebrisSoundThatFollowsIt)
{
    for (int n = 1; n <= 4; ++n)
        ASSERT_TRUE(wavtest::WriteFile("Data/Sounds/Space/ExplodeDebris_0" + std::to_string(n) + ".wav",
                                       wavtest::PcmWav(22050)));
    g_Settings.audio = 1;
    SoundDevice::UseLoopback(true);
    ASSERT_EQ(g_AudioManager.Init(nullptr), SND_OK);
    {
        CUnit* ship = Dead(GTYPE_SP_NPCSHIP, Vec3(0, 0, 0));
        ship->speed = 10.0f;
        ship->spinState = Vec3(1, 0, 0);
        CUnit* station = Dead(GTYPE_SP_STATION, Vec3(0, 900, 0));
        Step(ship, 0);
        Step(station, 0);
        Step(ship, 50);
        Step(station, 50);
        CSound* burning = ship->actionSounds[ACTION_DEAD];
        ASSERT_NE(burning, nullptr);
        EXPECT_EQ(burning->IsPlaying(), 1);
        g_AudioManager.device->CommitDeferredSettings();
        EXPECT_FLOAT_EQ(burning->buffer3D->GetMinDistance(), 80.0f);
        EXPECT_FLOAT_EQ(burning->buffer3D->GetMaxDistance(), 1000.0f);
        EXPECT_EQ(station->actionSounds[ACTION_DEAD], nullptr);  // stations burn silently
        Step(ship, 100);
        g_AudioManager.device->CommitDeferredSettings();
        EXPECT_NEAR(burning->buffer3D->Get3DPosition().x, ship->position.x, 1e-3f);
        EXPECT_GT(ship->position.x, 1.0f);
        CObjectList::DestroyAll();
    }
    g_AudioManager.Release();
    SoundDevice::UseLoopback(false);
    g_Settings.audio = 0;
}

TEST_F(DyingTest, FarFromTheCameraOnlyTheBlastsAndAFullListMakesNone)
{
    CUnit* ship = Dead(GTYPE_SP_NPCSHIP, Vec3(0, 0, 2000));
    ship->derivedUnits[DERIVED_DEBRIS_1] = new CUnit();
    std::strcpy(ship->derivedPaths[DERIVED_DEBRIS_1], kDebris);
    Step(ship, 0);
    Step(ship, 4100);
    EXPECT_EQ(CObjectList::CountEffects(), 2);  // ring and main blast
    EXPECT_EQ(CountEffects(kDebris), 0);

    CObjectList::DestroyAll();
    for (int i = 0; i < kMaxEffects; ++i) ASSERT_TRUE(CObjectList::AddEffect(new CEffectObject()));
    CUnit* crowded = Dead(GTYPE_SP_NPCSHIP, Vec3(0, 0, 0));
    crowded->rating = 1.0f;
    Step(crowded, 0);
    Step(crowded, 7000);
    EXPECT_EQ(crowded->orderSubState, 2);
    EXPECT_EQ(CObjectList::CountEffects(), kMaxEffects);
}

TEST_F(DyingTest, PlayerDeathEndsTheMissionFadesAndEndsTheLocation)
{
    CUnit* player = Dead(GTYPE_SP_HEROSHIP, Vec3(0, 0, 0), 1);
    g_PlayerObject = player;
    player->spinState = Vec3(0, 0, 1);
    player->speed = 10.0f;
    CCamera& c = g_World.cameras[1];
    Step(player, 0);
    EXPECT_EQ(c.shotUnit, player);
    EXPECT_EQ(c.cinematicView, 1);
    Step(player, 4100);
    ASSERT_EQ(player->orderSubState, 2);
    EXPECT_EQ(g_MissionResult, 0);
    EXPECT_EQ(g_LocationDirector.missionOver, 1);
    EXPECT_FLOAT_EQ(player->orderVector.z, 40.0f);
    EXPECT_EQ(player->spinState, Vec3());

    Step(player, 36000);  // 4 s left: no fade yet
    EXPECT_EQ(c.fadeStart, 0u);
    Step(player, 500);    // 3.5 s left
    EXPECT_EQ(c.fadeMode, 1);
    const uint32_t fadeStart = c.fadeStart;
    EXPECT_NE(fadeStart, 0u);
    Step(player, 100);    // started once only
    EXPECT_EQ(c.fadeStart, fadeStart);
    EXPECT_EQ(g_LocationFinished, 0);

    g_MenuDialogOpen = 1;
    Step(player, 3500);
    EXPECT_EQ(player->orderSubState, 3);
    EXPECT_EQ(player->hull, 0.0f);
    EXPECT_EQ(g_LocationFinished, 1);
    EXPECT_EQ(g_MenuDialogOpen, 0);
    EXPECT_EQ(c.shotUnit, nullptr);
    EXPECT_EQ(c.target, nullptr);
}

TEST_F(DyingTest, HomeStationEndsTheGameExceptAfterTheFinalSectorIsWon)
{
    CUnit* station = Dead(GTYPE_SP_STATION, Vec3(0, 0, 0), 1);
    g_HeroStation = station;
    Step(station, 0);
    EXPECT_EQ(g_World.cameras[1].shotUnit, station);
    Step(station, 10100);
    ASSERT_EQ(station->orderSubState, 2);
    EXPECT_EQ(g_MissionResult, 0);
    EXPECT_FLOAT_EQ(station->orderVector.z, 40.0f);

    CObjectList::DestroyAll();
    g_MissionResult = -1;
    g_LocationDirector.locationId = 12;
    g_LocationDirector.missionOver = 1;
    g_World.cameras[1].shotUnit = nullptr;
    CUnit* last = Dead(GTYPE_SP_STATION, Vec3(0, 0, 0), 1);
    g_HeroStation = last;
    Step(last, 0);
    EXPECT_EQ(g_World.cameras[1].shotUnit, nullptr);  // the finale keeps its own camera
    Step(last, 10100);
    ASSERT_EQ(last->orderSubState, 2);
    EXPECT_EQ(g_MissionResult, -1);
    Step(last, 36500);  // no fade either
    EXPECT_EQ(g_World.cameras[1].fadeStart, 0u);
}

TEST_F(DyingTest, CameraOnAVanishingUnitReturnsToTheLivePlayer)
{
    CUnit* player = Live(GTYPE_SP_HEROSHIP, Vec3(0, 0, -100), 1);
    g_PlayerObject = player;
    CUnit* ship = Dead(GTYPE_SP_NPCSHIP, Vec3(0, 0, 0));
    CCamera& c = g_World.cameras[1];
    c.target = ship;
    Step(ship, 0);
    Step(ship, 4100);
    Step(ship, 9100);
    EXPECT_EQ(ship->orderSubState, 3);
    EXPECT_EQ(c.target, player);
    EXPECT_EQ(g_LocationFinished, 0);
}

}  // namespace
