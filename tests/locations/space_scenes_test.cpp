// The space scenes: steps act once and wait on their stamps, step -1 ends a script, a
// missing cast member is reported once, the hint windows, a delivered mercenary's flight in,
// withdrawals that do not depend on the frame rate, an alien launch into a full list, and a
// moved ship drawn where it is.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>

#include "location_test_util.h"
#include "app/settings.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/radio_menu.h"
#include "locations/pilot_profile.h"
#include "locations/scripts/space_scenes.h"
#include "menus/game_menu.h"
#include "locations/sector_save_file.h"
#include "render/camera.h"
#include "render/mesh.h"
#include "world/objects/attached_effect.h"
#include "world/game_clock.h"
#include "world/objects/object_codes.h"

namespace {

class SpaceScenesTest : public LocationTest {
protected:
    void SetUp() override
    {
        LocationTest::SetUp();
        g_GameMode = 1;
        LoadSpace(BasicScene().Text());
        g_Settings.cutScenes = 1;
        savedVoice_ = g_Settings.voice;
        g_Settings.voice = 0;
        ship_ = CObjectList::FindById(20);
        ASSERT_NE(ship_, nullptr);
        g_PlayerObject = ship_;
        g_CommMode = 0;
        scenes::ResetCastReports();
    }
    void TearDown() override
    {
        g_Settings.voice = savedVoice_;
        if (savedPage_ >= 0) g_MenuPage = savedPage_, g_GameMode = 1;
        g_World.Camera().cinematicView = 0;
        g_World.Camera().shotUnit = nullptr;
        LocationTest::TearDown();
    }
    void Advance(double ms)
    {
        g_GameClock.gameTime += ms;
        g_GameClock.frameSeconds = (float)(ms * 0.001);
    }
    void Run(CUnit* u, int kind, float dt) { u->RunSpaceScript(kind, dt); }
    // The game menu's scene behind the page, the player's ship its camera dolly.
    void EnterMenuScene(int page)
    {
        g_LocationDirector.locationId = LOCATION_GAME_MENU;
        g_GameMode = -1;
        savedPage_ = g_MenuPage;
        g_MenuPage = page;
        ship_->commRange = 10000.0f;
    }
    CUnit* ship_ = nullptr;
    int savedVoice_ = 1;
    int savedPage_ = -1;
};

TEST_F(SpaceScenesTest, AStepActsOnceThenWaitsOnItsStampAndMinusOneEnds)
{
    g_LocationDirector.locationId = LOCATION_SPACE_INTRO_2;
    g_GameClock.gameTime = 70000.0;
    Run(ship_, GTYPE_SP_HEROSHIP, 0.02f);
    EXPECT_EQ(ship_->scriptStep, 1);
    EXPECT_EQ(ship_->timers[2], 70000u);
    EXPECT_NEAR(ship_->position.x, 4900.0f, 0.01f);
    EXPECT_EQ(ship_->manualControl, 0);
    // Step 1 waits on a distance: moving the ship by hand does not replay step 0.
    ship_->position = Vec3(0.0f, 0.0f, 9000.0f);
    Advance(20);
    Run(ship_, GTYPE_SP_HEROSHIP, 0.02f);
    EXPECT_EQ(ship_->scriptStep, 1);
    EXPECT_FLOAT_EQ(ship_->position.z, 9000.0f);

    // Timed steps: (step, seconds it waits, next step).
    struct Case {
        int step;
        double wait;
        int next;
    };
    for (const Case& c : {Case{3, 27.0, 4}, Case{4, 17.0, 5}, Case{101, 15.0, 102}}) {
        SCOPED_TRACE(c.step);
        ship_->scriptStep = c.step;
        scenes::Stamp(ship_);
        Advance(c.wait * 1000.0 - 200.0);
        Run(ship_, GTYPE_SP_HEROSHIP, 0.02f);
        EXPECT_EQ(ship_->scriptStep, c.step);
        // The clock stops while paused: no game time, no progress.
        g_GameClock.frameSeconds = 0.0f;
        Run(ship_, GTYPE_SP_HEROSHIP, 0.0f);
        EXPECT_EQ(ship_->scriptStep, c.step);
        Advance(400.0);
        Run(ship_, GTYPE_SP_HEROSHIP, 0.02f);
        EXPECT_EQ(ship_->scriptStep, c.next);
        EXPECT_EQ(ship_->timers[2], (uint32_t)g_GameClock.NowMs());
    }

    ship_->scriptStep = -1;
    const Vec3 before = ship_->position;
    Advance(60000.0);
    Run(ship_, GTYPE_SP_HEROSHIP, 0.02f);
    EXPECT_EQ(ship_->scriptStep, -1);
    EXPECT_FLOAT_EQ(ship_->position.x, before.x);
}

TEST_F(SpaceScenesTest, AMissingCastMemberIsReportedOnceAndItsPartSkipped)
{
    g_LocationDirector.locationId = LOCATION_SPACE_INTRO_1;  // the escort 200 is not in the scene
    ship_->scriptStep = 1;
    ship_->position = Vec3(0.0f, -750.0f, -745.0f);
    for (int i = 0; i < 50; ++i) {
        Advance(20);
        Run(ship_, GTYPE_SP_HEROSHIP, 0.02f);
        if (ship_->scriptStep == 2) ship_->position = ship_->destination;  // the flight is not run here
        if (g_CommMode) {  // the player closes any talk or the radio help at once
            g_CommWindow.EndTalk();
            g_RadioMenu.state = 0;
            g_CommMode = 0;
        }
    }
    // Its steps are skipped up to the free flight the escort would have handed over.
    EXPECT_EQ(ship_->scriptStep, -1);
    EXPECT_EQ(ship_->manualControl, 1);
    // Once each for the escort 200 and the station 50, however many frames asked.
    EXPECT_EQ(scenes::CastReportCount(), 2);
}

TEST_F(SpaceScenesTest, HintWindowsOpenEveryFiftySecondsOnlyWhenTheHeroFlies)
{
    ship_->manualControl = 1;
    struct Case {
        double time;
        int kind, comm, cinematic, manual;
        bool open;
    };
    const Case cases[] = {
        {100000.0, 1, 0, 0, 1, true},  {100050.0, 1, 0, 0, 1, true},  {100150.0, 1, 0, 0, 1, false},
        {125000.0, 1, 0, 0, 1, false}, {150020.0, 1, 0, 0, 1, true},  {150020.0, 2, 0, 0, 1, false},
        {150020.0, 1, 1, 0, 1, false}, {150020.0, 1, 0, 1, 1, false}, {150020.0, 1, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time);
        g_GameClock.gameTime = c.time;
        g_LocationKind = c.kind;
        g_CommMode = c.comm;
        g_World.Camera().cinematicView = c.cinematic;
        ship_->manualControl = c.manual;
        EXPECT_EQ(scenes::HintWindowOpen(ship_), c.open);
    }
    g_LocationKind = 1;
    g_CommMode = 0;
}

TEST_F(SpaceScenesTest, ADeliveredMercenaryFliesInFromAheadOfTheStation)
{
    g_LocationDirector.locationId = 3;
    g_GameMode = 1;
    CUnit* station = g_HeroStation;
    ASSERT_NE(station, nullptr);
    CUnit* m = new CUnit();
    ASSERT_TRUE(m->Load("Data/U/Ship/Main.obj", 200));
    m->kind = GTYPE_SP_NPCSHIP_MERCS_FIGHTER;
    m->scriptStep = 100;
    ASSERT_TRUE(CObjectList::Add(m));
    Run(m, m->kind, 0.02f);
    EXPECT_EQ(m->scriptStep, 101);
    const Vec3 forward(station->worldMatrix.m[2][0], station->worldMatrix.m[2][1], station->worldMatrix.m[2][2]);
    const float along = Vec3Dot(m->position - station->position, forward);
    EXPECT_GT(along, 4000.0f);
    EXPECT_LT(along, 8000.0f);
    // Each frame it closes 2 % of the distance per second; frames of different length agree.
    const float d0 = Vec3Length(station->position - m->position);
    Run(m, m->kind, 0.5f);
    EXPECT_NEAR(Vec3Length(station->position - m->position), d0 * 0.99f, d0 * 0.001f);
    int frames = 0;
    while (m->scriptStep == 101 && frames < 100000) {
        Run(m, m->kind, 0.1f);
        ++frames;
    }
    EXPECT_EQ(m->scriptStep, -1);
    EXPECT_LE(Vec3Length(station->position - m->position), 2000.0f);
    // Not in a network game: the other players fly their own.
    m->scriptStep = 100;
    g_GameMode = 2;
    Run(m, m->kind, 0.02f);
    EXPECT_EQ(m->scriptStep, 100);
    g_GameMode = 1;
}

TEST_F(SpaceScenesTest, TheWithdrawalCoversTheSameWayAtAnyFrameRate)
{
    g_LocationDirector.locationId = 3;
    CUnit* station = g_HeroStation;
    auto travel = [&](int frames) {
        station->position = Vec3();
        ship_->scriptStep = 104;
        g_GameClock.gameTime = 200000.0;
        scenes::Stamp(ship_);
        const double step = 10000.0 / frames;
        for (int i = 0; i < frames; ++i) {
            Advance(step);
            Run(ship_, GTYPE_SP_HEROSHIP, (float)(step * 0.001));
        }
        return -station->position.z;
    };
    const float slow = travel(100);
    const float fast = travel(1000);
    EXPECT_GT(slow, 1000.0f);
    EXPECT_NEAR(slow, fast, fast * 0.02f);
}

TEST_F(SpaceScenesTest, AnAlienShipIntoAFullListLeavesTheGateIdle)
{
    for (int k = 1; k <= 5; ++k)
        WriteUnit("Data/Space/Ship/UFO-Leaf 0" + std::to_string(k) + "/Main.obj", "GCLASS_SPACE_SHIP",
                  "GTYPE_SP_LEAFSHIP");
    g_LocationDirector.locationId = 12;
    CUnit* gate = new CUnit();
    ASSERT_TRUE(gate->Load("Data/U/Station/Main.obj", 4));
    ASSERT_TRUE(CObjectList::Add(gate));
    gate->bayState = -1;
    CUnit* ark = new CUnit();
    ASSERT_TRUE(ark->Load("Data/U/Ship/Main.obj", 20));
    ASSERT_TRUE(CObjectList::Add(ark));
    CUnit* runner = new CUnit();
    ASSERT_TRUE(runner->Load("Data/U/Ship/Main.obj", 50));
    ASSERT_TRUE(CObjectList::Add(runner));
    runner->kind = GTYPE_SP_NPCSHIP_ID0;

    // With room, a launch goes through the gate.
    g_GameClock.gameTime = 400000.0;
    runner->scriptStep = 1;
    scenes::Stamp(runner);
    Advance(20);
    const int before = CObjectList::Count();
    Run(runner, GTYPE_SP_NPCSHIP_ID0, 0.02f);
    ASSERT_EQ(CObjectList::Count(), before + 1);
    EXPECT_EQ(gate->bayUnit, CObjectList::units[1][before]);
    EXPECT_EQ(gate->bayState, 1);

    // A full list destroys the new ship; nothing may point at it.
    gate->bayUnit = nullptr;
    gate->bayState = -1;
    while (CObjectList::Count() < kMaxUnits) {
        CUnit* filler = new CUnit();
        ASSERT_TRUE(filler->Load("Data/U/Sky/Main.obj", 9000 + CObjectList::Count()));
        ASSERT_TRUE(CObjectList::Add(filler));
    }
    g_GameClock.gameTime = 420000.0;
    Advance(20);
    Run(runner, GTYPE_SP_NPCSHIP_ID0, 0.02f);
    EXPECT_EQ(CObjectList::Count(), kMaxUnits);
    EXPECT_EQ(gate->bayUnit, nullptr);
    EXPECT_EQ(gate->bayState, -1);
}

TEST_F(SpaceScenesTest, TheMenuSceneAlternatesFlightsAndShotsOfANearbyShip)
{
    EnterMenuScene(0);
    CCamera& cam = g_World.Camera();
    g_GameClock.gameTime = 100000.0;
    Run(ship_, GTYPE_SP_HEROSHIP, 0.02f);
    EXPECT_EQ(ship_->scriptStep, 1);
    EXPECT_EQ(ship_->objectClass, (unsigned)GCLASS_SPACE_OBJECT);
    EXPECT_FLOAT_EQ(ship_->scale.x, 0.001f);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        Advance(20);
        Run(ship_, GTYPE_SP_HEROSHIP, 0.02f);
        ASSERT_EQ(ship_->scriptStep, 2);
        const float wait = scenes::Wait(ship_);
        EXPECT_GE(wait, 5.0f);
        EXPECT_LE(wait, 12.5f);
        EXPECT_EQ(cam.shotUnit, nullptr);
        Advance(wait * 1000.0 - 100.0);
        Run(ship_, GTYPE_SP_HEROSHIP, 0.02f);
        EXPECT_EQ(ship_->scriptStep, 2);
        Advance(200.0);
        Run(ship_, GTYPE_SP_HEROSHIP, 0.02f);
        // The station stands at the centre: the camera follows it for a while.
        ASSERT_EQ(ship_->scriptStep, 3);
        EXPECT_EQ(cam.shotUnit, g_HeroStation);
        Advance(scenes::Wait(ship_) * 1000.0 + 100.0);
        Run(ship_, GTYPE_SP_HEROSHIP, 0.02f);
        EXPECT_EQ(ship_->scriptStep, 1);
    }
    // While the pilots page shows, no ship is followed.
    g_MenuPage = 1;
    Advance(20);
    Run(ship_, GTYPE_SP_HEROSHIP, 0.02f);
    Advance(13000.0);
    Run(ship_, GTYPE_SP_HEROSHIP, 0.02f);
    EXPECT_EQ(ship_->scriptStep, 1);
}

// Behind the menu pages the camera flies to points drawn at random and follows ships near
// the centre, here a transport that flies from the centre into the station; followed frame
// by frame along every flight and shot, its eye never enters the station's hull.
TEST_F(SpaceScenesTest, TheMenusCameraNeverEntersTheStationsHull)
{
    EnterMenuScene(3);
    scenes::PlaceAt(g_HeroStation, Vec3(600.0f, -250.0f, 2600.0f));
    CUnit* transport = new CUnit();
    ASSERT_TRUE(transport->Load("Data/U/Ship/Main.obj", 60));
    ASSERT_TRUE(CObjectList::Add(transport));
    scenes::PlaceAt(transport, Vec3(0.0f, 50.0f, 0.0f));
    const CMesh* hull = g_HeroStation->meshes[0];
    ASSERT_NE(hull, nullptr);
    CCamera& cam = g_World.Camera();
    CameraInput input;
    g_GameClock.gameTime = 100000.0;
    uint32_t now = 0;
    int inside = 0, flights = 0, step = 0;
    for (int frame = 0; frame < 20000; ++frame) {
        Advance(50);
        const Vec3 way = g_HeroStation->position - transport->position;
        if (Vec3Length(way) > 10.0f) scenes::MoveBy(transport, Vec3Normalize(way) * 5.0f);
        Run(ship_, GTYPE_SP_HEROSHIP, 0.05f);
        // The camera's own clock, from the start of each flight or shot it is given.
        if (ship_->scriptStep != step && ship_->scriptStep >= 2) now = cam.moveStart, ++flights;
        step = ship_->scriptStep;
        cam.UpdateWith(input, now += 50);
        const Vec3 l = g_HeroStation->WorldToLocal(cam.eye);
        inside += l.x > hull->m_BoundMin.x && l.x < hull->m_BoundMax.x && l.y > hull->m_BoundMin.y &&
                  l.y < hull->m_BoundMax.y && l.z > hull->m_BoundMin.z && l.z < hull->m_BoundMax.z;
    }
    EXPECT_GT(flights, 30);
    EXPECT_EQ(inside, 0);
}

TEST_F(SpaceScenesTest, TheFirstIntrosOutroFliesOffAndEndsTheLocation)
{
    g_LocationDirector.locationId = LOCATION_SPACE_INTRO_1;
    g_LocationDirector.advanceRequested = 0;
    ship_->scriptStep = 100;
    ship_->manualControl = 1;
    ship_->position = Vec3(0.0f, 300.0f, 3000.0f);
    Run(ship_, GTYPE_SP_HEROSHIP, 0.02f);
    EXPECT_EQ(ship_->scriptStep, 101);
    Advance(20);
    Run(ship_, GTYPE_SP_HEROSHIP, 0.02f);
    EXPECT_EQ(ship_->scriptStep, 102);
    EXPECT_EQ(ship_->manualControl, 0);
    EXPECT_EQ(ship_->orderType, ACTION_MOVE);
    EXPECT_EQ(g_World.Camera().shotUnit, ship_);
    // It flies to the origin: the picture fades at 1300 and the location ends at 1000.
    const float marks[] = {2000.0f, 1200.0f, 900.0f};
    const int steps[] = {102, 103, -1};
    for (int i = 0; i < 3; ++i) {
        ship_->position = Vec3(0.0f, 0.0f, marks[i]);
        Advance(20);
        Run(ship_, GTYPE_SP_HEROSHIP, 0.02f);
        EXPECT_EQ(ship_->scriptStep, steps[i]) << marks[i];
    }
    EXPECT_EQ(g_World.Camera().fadeMode, 1);
    EXPECT_EQ(g_LocationDirector.advanceRequested, 1);
    g_LocationDirector.advanceRequested = 0;
}

TEST_F(SpaceScenesTest, TheReturnToSpaceByMissionStateAndSector)
{
    const int savedSlot = g_PilotSlot;
    g_PilotSlot = 4;
    CUnit* runner = new CUnit();
    ASSERT_TRUE(runner->Load("Data/U/Ship/Main.obj", 50));
    ASSERT_TRUE(CObjectList::Add(runner));
    struct Case {
        int sector, missionOver, greeted;
        int step;            // the ship's step after the return
        const char* save;    // the save written, or null
        int runnerStep;      // unit 50's step afterwards
        bool docked = true;  // false: put out of its destroyed station, no bay holds it
    };
    const Case cases[] = {
        {3, 0, 0, 10, nullptr, 0},
        {3, 0, 1, -1, nullptr, 0},
        {3, 1, 0, 101, "Save/04/Sector 04.dat", 0},
        {1, 1, 0, 101, "Save/04/Sector 02.dat", 0},
        {12, 1, 0, -1, nullptr, 7},
        {12, 1, 0, -1, nullptr, 7, false},
        {3, 0, 1, -1, nullptr, 0, false},
        {5, 1, 0, 101, "Save/04/Sector 06.dat", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sector * 10 + c.missionOver + c.greeted * 100 + (c.docked ? 0 : 1000));
        if (CObjectList::IndexOf(ship_) < 0) CObjectList::Add(ship_);
        g_LocationDirector.locationId = c.sector;
        g_LocationDirector.missionOver = c.missionOver;
        g_MissionResult = -1;
        g_HeroStation->radioDialog.lineCount = 1;
        g_HeroStation->radioDialog.lines[0].said = c.greeted;
        runner->scriptStep = 0;
        // Back from the interior the ship is still held in the station's bay for good.
        g_HeroStation->dockedUnits[0] = c.docked ? ship_ : nullptr;
        g_HeroStation->dockedCount = c.docked ? 1 : 0;
        ship_->dockTime = c.docked ? 0xFFFFFFFFu : 0u;
        // The landing's shot is still up, as the bay left it.
        CCamera& cam = g_World.cameras[1];
        cam.SetCinematicMode(ship_, Vec3(0.0f, 100.0f, -300.0f), 0, nullptr, 0.0f, 2.0f);
        ship_->scriptStep = 100;
        Run(ship_, GTYPE_SP_HEROSHIP, 0.02f);
        if (!c.missionOver) {
            EXPECT_EQ(cam.cinematicView, 0);  // back in the cockpit, calls and mouse answered again
        }
        g_HeroStation->dockedUnits[0] = nullptr;
        g_HeroStation->dockedCount = 0;
        EXPECT_EQ(ship_->scriptStep, c.step);
        EXPECT_EQ(runner->scriptStep, c.runnerStep);
        if (c.save) {
            // The next sector opens with the player's ship, docked or put out.
            std::vector<uint8_t> bytes(kSaveMaxDatBytes);
            size_t size = 0;
            SectorSave save;
            char why[128] = "";
            ASSERT_TRUE(ReadWholeFile(c.save, bytes.data(), bytes.size(), &size)) << c.save;
            ASSERT_TRUE(DecodeSectorSaveDat(bytes.data(), size, &save, why, sizeof why)) << why;
            EXPECT_EQ(save.shipCount, 1);
        }
        // The results come at once, except in sector 1 where the departure shows them.
        EXPECT_EQ(g_MissionResult, c.missionOver && c.sector != 12 && c.sector != 1 ? 1 : -1);
        if (!c.docked) {
            EXPECT_GE(CObjectList::IndexOf(ship_), 0);  // stays in space: nothing would launch it
        } else if (!c.missionOver || c.sector == 12) {
            EXPECT_EQ(CObjectList::IndexOf(ship_), -1);  // back into the station
            EXPECT_EQ(ship_->dockTime, 1u);              // which launches it in a second
        }
    }
    if (CObjectList::IndexOf(ship_) < 0) CObjectList::Add(ship_);
    g_LocationDirector.missionOver = 0;
    g_PilotSlot = savedSlot;
}

// Back from a station interior the player's ship still sits in the bay. Every return must
// launch it through the gate, so that the scene that waits for the player's hands on the
// stick goes on.
TEST_F(SpaceScenesTest, EveryReturnFromAnInteriorLaunchesTheShipAndTheSceneGoesOn)
{
    CMesh bayMesh;
    bayMesh.m_Points[MESH_POINTS_COCKPIT] = new Vec3[3]{Vec3(0, 0, 190), Vec3(0, 0, 400), Vec3(0, 0, 140)};
    bayMesh.m_PointCount[MESH_POINTS_COCKPIT] = 3;
    bayMesh.m_RefCount = 1;
    CUnit* station = g_HeroStation;
    ASSERT_NE(station, nullptr);
    CAttachedEffect* bay = new CAttachedEffect();
    bay->kind = GEFFECT_GATEBAY;
    bay->parent = station;
    bay->meshes[0] = &bayMesh;
    bay->meshCount = 1;
    station->effects[station->effectCount++] = bay;
    station->hull = station->hullMax = 1000.0f;
    station->UpdateParts();
    CUnit* runner = new CUnit();
    ASSERT_TRUE(runner->Load("Data/U/Ship/Main.obj", 50));
    ASSERT_TRUE(CObjectList::Add(runner));
    runner->kind = GTYPE_SP_NPCSHIP_ID0;
    // Sector 12's ark is unit 20: the player's ship takes another id here.
    ship_->pilot.objectId = 102;
    CUnit* ark = new CUnit();
    ASSERT_TRUE(ark->Load("Data/U/Ship/Main.obj", 20));
    ASSERT_TRUE(CObjectList::Add(ark));
    ark->hull = ark->hullMax = 20000.0f;
    ark->position = Vec3(0.0f, 3000.0f, 0.0f);
    ship_->engineMax = 100.0f;
    ship_->manoeuvring = 1.0f;

    struct Case {
        const char* name;
        int location, missionOver;
        std::function<bool()> goesOn;
    };
    const Case cases[] = {
        {"first space intro: the outro flies off", LOCATION_SPACE_INTRO_1, 0,
         [&] { return ship_->scriptStep == 102 && ship_->orderType == ACTION_MOVE; }},
        {"a sector's ordinary return: the player flies", 3, 0,
         [&] { return ship_->manualControl == 1 && ship_->scriptStep == -1; }},
        {"sector 12 with the mission over: the finale starts", 12, 1, [&] { return runner->scriptStep == 8; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_LocationDirector.locationId = c.location;
        g_LocationDirector.missionOver = c.missionOver;
        g_HeroStation->radioDialog.lineCount = 1;
        g_HeroStation->radioDialog.lines[0].said = 1;
        runner->scriptStep = 100;
        // As the docking left it: in the bay for good, no hands on the stick, listed again
        // by the switch back to space.
        if (CObjectList::IndexOf(ship_) < 0) CObjectList::Add(ship_);
        station->dockedUnits[0] = ship_;
        station->slotIds[0].shipId = ship_->pilot.objectId;
        station->dockStartTimes[0] = g_GameClock.NowMs();
        station->dockedCount = 1;
        station->bayState = -1;
        station->bayUnit = station->bayRequestUnit = nullptr;
        ship_->dockTime = 0xFFFFFFFFu;
        ship_->manualControl = 0;
        ship_->dockingStage = 0;
        ship_->position = Vec3(0.0f, 0.0f, 140.0f);
        ship_->SetOrder(ACTION_STAY, nullptr, nullptr, 0);
        ship_->scriptStep = 100;
        for (uint32_t i = 0; i < CObjectList::unitCount[1]; ++i)
            CObjectList::units[1][i]->timers[0] = g_GameClock.NowMs();

        bool ok = false;
        for (int f = 0; f < 1200 && !ok; ++f) {  // a minute of game time
            Advance(50);
            for (uint32_t i = 0; i < CObjectList::unitCount[1]; ++i) CObjectList::units[1][i]->UpdateSpace();
            if (g_CommMode) {  // the player closes any talk at once
                g_CommWindow.EndTalk();
                g_RadioMenu.state = 0;
                g_CommMode = 0;
            }
            ok = c.goesOn();
        }
        EXPECT_TRUE(ok) << "ship step " << ship_->scriptStep << ", hands " << ship_->manualControl
                        << ", order " << ship_->orderType << ", scene step " << runner->scriptStep;
        EXPECT_EQ(station->dockedCount, 0);
        EXPECT_GE(CObjectList::IndexOf(ship_), 0);
    }
    if (CObjectList::IndexOf(ship_) < 0) CObjectList::Add(ship_);
    station->dockedUnits[0] = nullptr;
    station->dockedCount = 0;
    bay->meshes[0] = nullptr;
    g_LocationDirector.missionOver = 0;
    g_LocationDirector.advanceRequested = 0;
    g_World.Camera().fadeMode = 0;
}

TEST_F(SpaceScenesTest, SectorTwelvesFinaleRunsOnTimeAndTheArksLossEndsIt)
{
    g_LocationDirector.locationId = 12;
    auto add = [](int id, const char* path) {
        CUnit* u = new CUnit();
        EXPECT_TRUE(u->Load(path, id));
        EXPECT_TRUE(CObjectList::Add(u));
        return u;
    };
    // The scene's hero ship has id 20 and stands in for the ark; 21 is its companion.
    for (int id : {4, 21, 1001, 1002, 1003}) add(id, id == 4 ? "Data/U/Station/Main.obj" : "Data/U/Ship/Main.obj");
    CUnit* runner = add(50, "Data/U/Ship/Main.obj");
    CUnit* u20 = CObjectList::FindById(20);
    ASSERT_NE(u20, nullptr);
    u20->hull = u20->hullMax = 20000.0f;

    CCamera& cam = g_World.Camera();
    for (int lose : {0, 1}) {
        SCOPED_TRACE(lose);
        g_MissionResult = -1;
        g_LocationDirector.missionOver = 0;
        u20->hull = 20000.0f;
        u20->orderType = ACTION_STAY;
        u20->position = Vec3(0.0f, 0.0f, 6000.0f);
        ship_->manualControl = 1;
        runner->scriptStep = 7;
        g_GameClock.gameTime = 500000.0;
        int frames = 0;
        float narrowest = cam.lensFov;
        while (runner->scriptStep != 16 && runner->scriptStep != -1 && frames < 8000) {
            Advance(50);
            Run(runner, GTYPE_SP_NPCSHIP_ID0, 0.05f);
            ++frames;
            if (runner->scriptStep == 8) narrowest = std::fmin(narrowest, cam.fov);
            // The ark is lost during the far shot that narrows the view.
            if (lose && frames == 100) u20->hull = 0.0f;
        }
        if (lose) {
            EXPECT_EQ(runner->scriptStep, -1);
            EXPECT_EQ(g_MissionResult, 0);
            EXPECT_LT(narrowest, cam.lensFov * 0.5f);
            EXPECT_FLOAT_EQ(cam.fov, cam.lensFov) << "the death shot keeps the far shot's zoom";
        } else {
            EXPECT_EQ(runner->scriptStep, 16);
            EXPECT_EQ(g_MissionResult, 1);
            EXPECT_EQ(g_LocationDirector.missionOver, 1);
            // 10 + 10 + 10 s, the withdrawal, then 5 + 24 + 8 + 5 s.
            EXPECT_GT(frames * 0.05, 72.0);
            EXPECT_LT(frames * 0.05, 200.0);
        }
    }
    g_LocationDirector.missionOver = 0;
}

TEST_F(SpaceScenesTest, TheSecondIntrosDepartureWritesSectorOneAndEnds)
{
    g_LocationDirector.locationId = LOCATION_SPACE_INTRO_2;
    g_LocationDirector.advanceRequested = 0;
    const int savedSlot = g_PilotSlot;
    g_PilotSlot = 3;
    CUnit* station = g_HeroStation;
    ASSERT_NE(station, nullptr);
    station->ore = 10.0f;
    ship_->scriptStep = 100;
    g_GameClock.gameTime = 300000.0;
    int frames = 0;
    while (ship_->scriptStep != -1 && frames < 5000) {
        Advance(50);
        Run(ship_, GTYPE_SP_HEROSHIP, 0.05f);
        ++frames;
        if (ship_->scriptStep >= 100 && ship_->scriptStep < 107) {
            EXPECT_FALSE(g_LocationDirector.advanceRequested);
        }
    }
    EXPECT_EQ(ship_->scriptStep, -1);
    // 15 + 5 + 10 + 15 + 30 + 5 + 20 seconds of scene.
    EXPECT_NEAR(frames * 0.05, 100.0, 1.0);
    EXPECT_EQ(g_LocationDirector.advanceRequested, 1);
    EXPECT_TRUE(std::filesystem::exists("Save/03/Sector 01.dat"));
    EXPECT_FLOAT_EQ(ship_->scale.x, 1.0f);
    EXPECT_EQ(CObjectList::IndexOf(ship_), -1);  // taken into the station
    EXPECT_LT(station->position.z, -1000.0f);    // the station withdrew along -z
    g_LocationDirector.advanceRequested = 0;
    g_PilotSlot = savedSlot;
    CObjectList::Add(ship_);
}

} // namespace

// A ship a scene places or sends off is drawn where it is, not where the location put it.
TEST_F(SpaceScenesTest, AShipIsDrawnWhereTheSceneMovedIt)
{
    CUnit* m = new CUnit();
    ASSERT_TRUE(m->Load("Data/U/Ship/Main.obj", 200));
    ASSERT_TRUE(CObjectList::Add(m));
    scenes::PlaceAt(m, Vec3(300.0f, -200.0f, 900.0f));
    scenes::FlyTo(m, Vec3(0.0f, 0.0f, 0.0f), m->engineMax);
    Advance(500.0);
    m->UpdateSpace();
    EXPECT_NEAR(m->drawMatrix.m[3][0], m->position.x, 2.0f);
    EXPECT_NEAR(m->drawMatrix.m[3][1], m->position.y, 2.0f);
    EXPECT_NEAR(m->drawMatrix.m[3][2], m->position.z, 2.0f);
}
