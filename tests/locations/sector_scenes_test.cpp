// The sector scenes on the sectors of the built data set: each case loads a sector, gives
// its units the kinds the sector's set-up gives them, and steps the scripts through a story
// with scripted outcomes (talks that open, a quest accepted, ships docked or destroyed).
#include "dataset_util.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "flight_ui/comm_window.h"
#include "locations/location_director.h"
#include "locations/location_loader.h"
#include "locations/mercenaries.h"
#include "locations/scripts/sector_scenes.h"
#include "menus/game_menu.h"
#include "menus/station_menu.h"
#include "render/camera.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/object_codes.h"
#include "world/objects/unit.h"
#include "world/world.h"
#include "../../tools/datagen/check/location_check.h"
#include "locations/pilot_profile.h"
#include "locations/sector_save_file.h"

namespace {

struct TalkCall {
    int id;
    int line;
};
std::vector<TalkCall> g_talks;
int g_talkOpens = 1;
int RecordTalk(CUnit* u, int line)
{
    g_talks.push_back({u->pilot.objectId, line});
    return g_talkOpens;
}

void SetUpSceneUnits(int sector);

class SectorScenes : public testutil::DataSetTest {
protected:
    SectorScenes() : DataSetTest("Data/Locations.hdr", true) {}
    void SetUp() override
    {
        DataSetTest::SetUp();
        if (!Entered()) return;
        g_Settings.audio = 0;
        g_Settings.voice = 0;
        g_talks.clear();
        g_talkOpens = 1;
        g_SceneTalkHook = RecordTalk;
        g_CommMode = 0;
        g_StationMenuActive = 0;
        ResetSceneReports();
    }
    // The saves the sectors' loads read, in a folder of their own for pilot 0; given back at
    // the end of the test.
    void UseCheckSaves()
    {
        saveRoot_ = loccheck::PrepareCheckSaves();
        ASSERT_FALSE(saveRoot_.empty());
        savedSlot_ = g_PilotSlot;
        g_PilotSlot = 0;
        SetSaveRoot(saveRoot_.c_str());
    }
    void TearDown() override
    {
        if (!saveRoot_.empty()) {
            SetSaveRoot(nullptr);
            g_PilotSlot = savedSlot_;
            std::error_code ec;
            std::filesystem::remove_all(saveRoot_, ec);
            saveRoot_.clear();
        }
        if (Entered()) {
            g_World.UnloadLocation();
            g_PlayerObject = nullptr;
            g_HeroStation = nullptr;
            g_SceneTalkHook = nullptr;
            g_LocationDirector.locationId = -1;
            std::memset(g_LocationDirector.questFlags, 0, sizeof(g_LocationDirector.questFlags));
        }
        DataSetTest::TearDown();
    }
    std::string saveRoot_;
    int savedSlot_ = 0;
    // The campaign's space world at the sector; its location folder.
    static std::string EnterSector(int sector)
    {
        char folder[64];
        std::snprintf(folder, sizeof folder, "Data/Locations.Space/Sector %02d", sector);
        g_WorldIndex = 1;
        g_LocationKind = 1;
        g_GameMode = 1;
        g_LocationDirector.locationId = sector;
        return folder;
    }
    // The whole sector as the campaign loads it, spawned traffic and pirates included, with
    // no player in space (he waits docked); then `frames` frames of 50 ms.
    void LoadWholeSector(int sector)
    {
        const std::string folder = EnterSector(sector);
        g_Settings.cutScenes = 1;
        g_GameClock.Reset();
        g_World.ResetForLocation();
        g_World.LoadLocation(folder.c_str());
        ASSERT_TRUE(g_LocationLoad.canRun);
        g_HeroStation = CObjectList::FindById(1000);
        ASSERT_NE(g_HeroStation, nullptr);
        g_PlayerObject = nullptr;
        g_LocationDirector.ResetMercenaryOrders();
        SetUpSceneUnits(sector);
    }
    static void RunWholeSector(int frames)
    {
        for (int frame = 0; frame < frames; ++frame) {
            g_GameClock.gameTime += 50.0;
            g_GameClock.frameSeconds = 0.05f;
            CObjectList::UpdateAll();
        }
    }
    // The sector with no spawned traffic, the player's ship at `at` with its hands on the
    // stick, and the game clock at the start of a 30-s window.
    void Load(int sector, const Vec3& at = Vec3(0.0f, 0.0f, -3000.0f))
    {
        const std::string folder = EnterSector(sector);
        g_LocationDirector.ordersAvailable = 10;
        std::memset(g_LocationDirector.questFlags, 0, sizeof(g_LocationDirector.questFlags));
        g_Settings.cutScenes = 0;
        g_World.ResetForLocation();
        g_World.LoadLocation(folder.c_str());
        g_Settings.cutScenes = 1;
        g_GameClock.gameTime = 600000.0;
        g_HeroStation = CObjectList::FindById(1000);
        ASSERT_NE(g_HeroStation, nullptr);
        CUnit* p = CreateSpawnedShip("Data/Space/Ship/Pegas.M1/Main_H.obj", 102, "Human/Hero", GTYPE_SP_HEROSHIP, -1);
        ASSERT_NE(p, nullptr);
        ASSERT_TRUE(CObjectList::Add(p));
        p->position = at;
        p->manualControl = 1;
        g_PlayerObject = p;
    }
    static CUnit* U(int id) { return CObjectList::FindById(id); }
    static void Kind(int first, int last, int kind, unsigned cls = GCLASS_SPACE_SHIP, int step = 0)
    {
        for (int id = first; id <= last; ++id)
            if (CUnit* u = U(id)) u->kind = kind, u->objectClass = cls, u->scriptStep = step;
    }
    // One script step of every unit of the kinds the scenes use, in list order.
    static void Frame(float dt = 0.02f)
    {
        for (int i = 0; i < CObjectList::Count(); ++i) {
            CUnit* u = CObjectList::units[1][i];
            if (u->kind >= GTYPE_SP_NPCSHIP_ID0 && u->kind <= GTYPE_SP_NPCSHIP_MOVED) RunSectorScript(u, u->kind, dt);
        }
    }
    // Game time at the start of the next window of `seconds`.
    static void ToWindow(float seconds)
    {
        const double period = seconds * 1000.0;
        g_GameClock.gameTime = (double)((uint64_t)(g_GameClock.gameTime / period) + 1) * period + 10.0;
    }
    static bool Talked(int id, int line)
    {
        for (const TalkCall& t : g_talks)
            if (t.id == id && t.line == line) return true;
        return false;
    }
    static void Kill(CUnit* u) { u->hull = 0.0f; }
    static void Near(CUnit* u, CUnit* to, float d) { u->position = to->position + Vec3(d, 0.0f, 0.0f); }
    static void InBay(CUnit* u) { u->orderType = ACTION_DOCKING, u->orderSubState = 3, u->dockingStage = 3; }
};

// ---- Disabled ship and the convoys and escorts of sectors 1 to 3 ----
struct MissionCase {
    const char* name;
    int sector;
    std::function<void(SectorScenes*)> play;
};

TEST_P(SectorScenes, DisabledShipConvoyAndEscortOfSectorsOneToThree)
{
    if (!Entered()) return;
    const std::vector<MissionCase> cases = {
        {"sector 1: the disabled ship is led to unit 40 and repaired", 1,
         [](SectorScenes*) {
             Kind(41, 41, GTYPE_SP_NPCSHIP_ID2, GCLASS_SPACE_OBJECT);
             CUnit* ship = U(41);
             CUnit* p = g_PlayerObject;
             ship->hull = 2.0f;
             Near(p, ship, 300.0f);
             Frame();
             EXPECT_EQ(ship->scriptStep, 10);
             EXPECT_EQ(ship->objectClass, (unsigned)GCLASS_SPACE_SHIP);
             EXPECT_EQ(ship->humanPiloted, 1);
             EXPECT_EQ(p->manualControl, 0);
             g_World.Camera().cinematicView = 0;
             Near(p, ship, 1.0f);
             Frame();
             EXPECT_EQ(ship->scriptStep, 1);
             EXPECT_TRUE(Talked(41, 0));
             EXPECT_EQ(p->manualControl, 1);
             Frame();
             EXPECT_EQ(ship->scriptStep, 2);
             EXPECT_EQ(ship->orderType, ACTION_GUARD);
             // The player flies off: the ship stops and drifts until he comes back.
             Near(p, ship, 800.0f);
             Frame();
             EXPECT_EQ(ship->scriptStep, 3);
             EXPECT_EQ(ship->objectClass, (unsigned)GCLASS_SPACE_OBJECT);
             Near(p, ship, 100.0f);
             Frame();
             EXPECT_EQ(ship->scriptStep, 2);
             Near(ship, U(40), 300.0f);
             Near(p, ship, 100.0f);
             Frame();
             EXPECT_EQ(ship->scriptStep, 4);
             EXPECT_EQ(ship->orderType, ACTION_DOCKING);
             EXPECT_EQ(ship->dockTime, 60u);
             const float engine = ship->engineMax;
             InBay(ship);
             Frame();
             EXPECT_EQ(ship->scriptStep, 5);
             EXPECT_EQ(ship->hull, ship->hullMax);
             EXPECT_FLOAT_EQ(ship->engineMax, engine * 1.5f);
             EXPECT_TRUE(Talked(40, 5));
         }},
        {"sector 2: the convoy arrives with the player's escort", 2,
         [](SectorScenes*) {
             Kind(50, 50, GTYPE_SP_NPCSHIP_ID0);
             Kind(51, 54, GTYPE_SP_NPCSHIP_ID1, GCLASS_SPACE_OBJECT);
             Kind(60, 62, GTYPE_SP_NPCSHIP_ID2, GCLASS_SPACE_OBJECT);
             CUnit* leader = U(50);
             Frame();
             EXPECT_EQ(leader->scriptStep, 1);
             g_LocationDirector.questFlags[0] = 1;  // the player accepted in a talk
             Frame();
             Frame();
             EXPECT_EQ(leader->scriptStep, 4);
             EXPECT_EQ(g_LocationDirector.questFlags[0], 0);
             EXPECT_EQ(leader->humanPiloted, 1);
             EXPECT_EQ(leader->boundUnit, U(51));
             EXPECT_TRUE(Talked(50, 8));
             // The leader has joined the cargo ships: they set off for the hero station.
             Near(leader, U(51), 100.0f);
             leader->speed = 0.0f;
             Frame();
             for (int id = 51; id <= 54; ++id) {
                 EXPECT_EQ(U(id)->scriptStep, 1) << id;
                 EXPECT_EQ(U(id)->orderType, ACTION_DOCKING) << id;
                 EXPECT_EQ(U(id)->objectClass, (unsigned)GCLASS_SPACE_SHIP) << id;
             }
             EXPECT_EQ(U(60)->orderType, ACTION_ATTACK);
             EXPECT_EQ(U(60)->target2, U(51));
             // The pirates come near: the convoy calls for help and they wake.
             Near(U(51), U(60), 1000.0f);
             Frame();
             EXPECT_EQ(U(51)->scriptStep, 2);
             EXPECT_EQ(U(62)->objectClass, (unsigned)GCLASS_SPACE_SHIP);
             // Cargo ship 51 reaches the bay and is launched again: it leaves like the leader.
             U(51)->orderSubState = 4;
             Frame();
             EXPECT_EQ(U(51)->scriptStep, 3);
             EXPECT_EQ(leader->scriptStep, 10);
             U(51)->SetOrder(ACTION_STAY, nullptr, nullptr, 1);
             Frame();
             EXPECT_EQ(U(51)->kind, GTYPE_SP_NPCSHIP_ID0);
             Frame();
             EXPECT_EQ(U(51)->scriptStep, 11);
             // Far beyond the player's comm range it is taken out of the scene.
             U(51)->position = g_PlayerObject->position + Vec3(0, 0, g_PlayerObject->commRange + 10.0f);
             Frame();
             EXPECT_EQ(U(51)->hull, 0.0f);
             EXPECT_EQ(U(51)->scriptStep, -1);
         }},
        {"sector 2: the player visits the waiting cargo ships before and after declining", 2,
         [](SectorScenes*) {
             Kind(50, 50, GTYPE_SP_NPCSHIP_ID0);
             Kind(51, 54, GTYPE_SP_NPCSHIP_ID1, GCLASS_SPACE_OBJECT);
             Kind(60, 62, GTYPE_SP_NPCSHIP_ID2, GCLASS_SPACE_OBJECT);
             CUnit* p = g_PlayerObject;
             for (int declined = 0; declined < 2; ++declined) {
                 if (declined) {  // the leader calls, the player turns the escort down
                     U(50)->scriptStep = 2;
                     Near(p, U(50), 1000.0f);
                     ToWindow(40.0f);
                     Frame();
                     Frame();
                     EXPECT_EQ(U(50)->scriptStep, 2);
                 }
                 Near(p, U(52), 300.0f);
                 Frame();
                 EXPECT_EQ(p->manualControl, 1) << declined;
                 EXPECT_EQ(g_World.Camera().cinematicView, 0) << declined;
             }
             // Once the escort is agreed the shot shows the convoy setting off.
             g_LocationDirector.questFlags[0] = 1;
             Frame();
             Frame();
             EXPECT_EQ(U(50)->scriptStep, 4);
             Frame();
             EXPECT_EQ(p->manualControl, 0);
             // The leader lost while the shot holds the controls: they come back.
             Kill(U(50));
             Frame();
             EXPECT_EQ(g_World.Camera().cinematicView, 0);
             EXPECT_EQ(p->manualControl, 1);
         }},
        {"sector 2: the convoy is destroyed, the pirates become traffic", 2,
         [](SectorScenes*) {
             Kind(50, 50, GTYPE_SP_NPCSHIP_ID0, GCLASS_SPACE_SHIP, 4);
             Kind(51, 54, GTYPE_SP_NPCSHIP_ID1, GCLASS_SPACE_SHIP, 2);
             Kind(60, 62, GTYPE_SP_NPCSHIP_ID2, GCLASS_SPACE_SHIP, 1);
             for (int id = 51; id <= 54; ++id) Kill(U(id));
             Frame();
             EXPECT_EQ(U(50)->scriptStep, 10);
             EXPECT_TRUE(Talked(50, 12));
             for (int id = 60; id <= 62; ++id) {
                 EXPECT_EQ(U(id)->kind, GTYPE_SP_NPCSHIP_MOVED) << id;
                 EXPECT_EQ(U(id)->scriptStep, 1) << id;
                 EXPECT_EQ(U(id)->target, nullptr) << id;
             }
         }},
        {"sector 3: the escort's cargo ship is lost", 3,
         [](SectorScenes*) {
             Kind(50, 50, GTYPE_SP_NPCSHIP_ID0);
             Kind(51, 51, GTYPE_SP_NPCSHIP_ID1);
             for (int id = 60; id <= 62; ++id) U(id)->objectClass = GCLASS_SPACE_OBJECT;
             CUnit* escort = U(50);
             CUnit* cargo = U(51);
             Frame();
             EXPECT_EQ(escort->scriptStep, 10);
             EXPECT_EQ(escort->boundUnit, cargo);
             // The cargo ship arrives beside the hero station and calls the escort's talk.
             cargo->position = cargo->targetPoint;
             Frame();
             EXPECT_EQ(cargo->scriptStep, 2);
             EXPECT_EQ(escort->scriptStep, 1);
             Near(g_PlayerObject, escort, 500.0f);
             ToWindow(10.0f);
             Frame();
             EXPECT_EQ(escort->scriptStep, 2);
             EXPECT_TRUE(Talked(50, 1));
             g_LocationDirector.questFlags[0] = 1;
             Frame();
             EXPECT_EQ(escort->scriptStep, 3);
             EXPECT_EQ(cargo->orderType, ACTION_DOCKING);
             EXPECT_EQ(cargo->dockTime, 0xFFFFFFFFu);  // station 49 keeps it
             EXPECT_EQ(cargo->humanPiloted, 1);
             // An ambusher within 2500 of the cargo ship wakes against it.
             Near(U(60), cargo, 1000.0f);
             ToWindow(2.0f);
             Frame();
             EXPECT_EQ(U(60)->objectClass, (unsigned)GCLASS_SPACE_SHIP);
             EXPECT_EQ(U(60)->target2, cargo);
             Kill(cargo);
             Frame();
             EXPECT_EQ(escort->scriptStep, -1);
             EXPECT_TRUE(Talked(50, 14));
             EXPECT_EQ(escort->orderType, ACTION_DOCKING);
             EXPECT_EQ(escort->target, U(49));
             EXPECT_EQ(escort->dockTime, 0xFFFFFFFFu);
             EXPECT_EQ(U(61)->kind, GTYPE_SP_NPCSHIP_MOVED);
             EXPECT_EQ(g_LocationDirector.questFlags[0], 0);
         }},
    };
    for (const MissionCase& c : cases) {
        SCOPED_TRACE(c.name);
        Load(c.sector);
        c.play(this);
        g_World.UnloadLocation();
        g_talks.clear();
    }
}

// ---- Convoys, escorts and pirates of sectors 1 and 4 to 8 ----
TEST_P(SectorScenes, ConvoyEscortAndPirateScenes)
{
    if (!Entered()) return;
    const std::vector<MissionCase> cases = {
        {"sector 7: the convoy arrives, docks and leaves; the ambushers wake", 7,
         [](SectorScenes*) {
             Kind(50, 53, GTYPE_SP_NPCSHIP_ID0);
             Kind(60, 62, GTYPE_SP_NPCSHIP_ID1, GCLASS_SPACE_OBJECT, -1);
             Frame();
             EXPECT_EQ(U(50)->scriptStep, 1);
             U(50)->position = Vec3(0, 0, -7000.0f);
             Frame();
             for (int id = 50; id <= 53; ++id) {
                 EXPECT_EQ(U(id)->scriptStep, 2) << id;
                 EXPECT_EQ(U(id)->humanPiloted, 1) << id;
             }
             Near(g_PlayerObject, U(50), 3000.0f);
             for (int id = 60; id <= 62; ++id) U(id)->position = Vec3(0, 50000.0f, 0);  // no hostile near
             ToWindow(10.0f);
             Frame();
             EXPECT_TRUE(Talked(50, 1));
             EXPECT_EQ(U(53)->scriptStep, 4);
             Frame();
             EXPECT_EQ(U(50)->orderType, ACTION_DOCKING);
             U(50)->position = Vec3(0, 0, -3000.0f);
             ToWindow(2.0f);
             Frame();
             for (int id = 60; id <= 62; ++id) {
                 EXPECT_EQ(U(id)->objectClass, (unsigned)GCLASS_SPACE_SHIP) << id;
                 EXPECT_EQ(U(id)->scriptStep, 0) << id;
                 EXPECT_EQ(U(id)->orderType, ACTION_ATTACK) << id;
             }
             InBay(U(50));
             Frame();
             EXPECT_EQ(U(50)->scriptStep, 5);
             U(50)->SetOrder(ACTION_STAY, nullptr, nullptr, 1);
             Frame();
             Frame();
             Frame();
             EXPECT_EQ(U(50)->scriptStep, 7);
             EXPECT_EQ(U(50)->humanPiloted, 0);
             EXPECT_TRUE(Talked(50, 13));
         }},
        {"sector 1: the convoy is destroyed, the ambushers become traffic", 1,
         [](SectorScenes*) {
             Kind(50, 53, GTYPE_SP_NPCSHIP_ID0, GCLASS_SPACE_SHIP, 4);
             Kind(60, 62, GTYPE_SP_NPCSHIP_ID1, GCLASS_SPACE_SHIP, 0);
             for (int id = 50; id <= 53; ++id) Kill(U(id));
             Frame();
             for (int id = 60; id <= 62; ++id) EXPECT_EQ(U(id)->kind, GTYPE_SP_NPCSHIP_MOVED) << id;
         }},
        {"sector 8, unit 53 shot down on the way: the others stop, call, dock and leave", 8,
         [](SectorScenes*) {
             Kind(50, 53, GTYPE_SP_NPCSHIP_ID0, GCLASS_SPACE_SHIP, 1);
             Kind(60, 62, GTYPE_SP_NPCSHIP_ID1, GCLASS_SPACE_OBJECT, -1);
             for (int id = 60; id <= 62; ++id) U(id)->position = Vec3(0, 50000.0f, 0);  // no hostile near
             U(53)->TakeHit(1.0e6f, g_PlayerObject, U(53)->position, nullptr);
             g_Settings.cutScenes = 0;  // only the wreck's end runs here
             for (int i = 0; i < 400 && U(53); ++i) {  // it dies and leaves the list
                 g_GameClock.gameTime += 50.0;
                 CObjectList::UpdateAll();
             }
             g_Settings.cutScenes = 1;
             ASSERT_EQ(U(53), nullptr);
             U(50)->position = Vec3(0, 0, -5000.0f);
             Frame();
             for (int id = 50; id <= 52; ++id) EXPECT_EQ(U(id)->scriptStep, 2) << id;
             Near(g_PlayerObject, U(50), 3000.0f);
             ToWindow(10.0f);
             Frame();
             EXPECT_TRUE(Talked(50, 1));
             Frame();
             EXPECT_EQ(U(50)->orderType, ACTION_DOCKING);
             InBay(U(50));
             Frame();
             U(50)->SetOrder(ACTION_STAY, nullptr, nullptr, 1);
             Frame();
             Frame();
             Frame();
             EXPECT_EQ(U(50)->scriptStep, 7);
         }},
        {"sector 4: an escort loses its cargo ship, then the whole convoy", 4,
         [](SectorScenes*) {
             for (int k = 0; k < 2; ++k) {
                 CUnit* c = CreateSpawnedShip("Data/Space/Ship/Valise.M1/Main.obj", 50 + k,
                                              "Human/Sector 04/Quest Ship.Cargo", GTYPE_SP_NPCSHIP_ID0, 0);
                 ASSERT_NE(c, nullptr);
                 c->position = Vec3(1000.0f + 50 * k, -2000.0f, 13000.0f);
                 CObjectList::Add(c);
             }
             CUnit* g = CreateSpawnedShip("Data/Space/Ship/Midia.M2/Main.obj", 60, "Human/Sector 04/Quest Ship.Guard",
                                          GTYPE_SP_NPCSHIP_ID1, 0);
             ASSERT_NE(g, nullptr);
             CObjectList::Add(g);
             CUnit* pirate = CreateSpawnedShip("Data/Space/Ship/Luger.M2/Main.obj", 70, "Human/Pirates/Fighter 02",
                                               GTYPE_SP_NPCSHIP_ID2, 10);
             ASSERT_NE(pirate, nullptr);
             pirate->objectClass = GCLASS_SPACE_OBJECT;
             CObjectList::Add(pirate);
             g->SetOrder(ACTION_GUARD, U(50), nullptr, 0);
             // The pirate lies in wait until a cargo ship passes within 3000.
             pirate->position = U(51)->position + Vec3(0, 0, 2000.0f);
             ToWindow(1.0f);
             Frame();
             EXPECT_EQ(pirate->objectClass, (unsigned)GCLASS_SPACE_SHIP);
             EXPECT_EQ(pirate->scriptStep, 0);
             Kill(U(50));
             Frame();
             EXPECT_EQ(g->boundUnit, U(51));
             EXPECT_TRUE(Talked(60, 2));
             Kill(U(51));
             Frame();
             EXPECT_EQ(g->scriptStep, 10);
             EXPECT_TRUE(Talked(60, 3));
             EXPECT_EQ(pirate->kind, GTYPE_SP_NPCSHIP_MOVED);
         }},
        {"sector 5: unit 50 docks at station 49, which launches unit 51", 5,
         [](SectorScenes*) {
             Kind(50, 50, GTYPE_SP_NPCSHIP_ID0);
             Kind(51, 51, GTYPE_SP_NPCSHIP_ID1, GCLASS_SPACE_SHIP, -1);
             Kind(60, 63, GTYPE_SP_NPCSHIP_ID2, GCLASS_SPACE_OBJECT);
             CUnit* station = U(49);
             CUnit* held = U(51);
             CObjectList::Detach(held);
             ASSERT_TRUE(DockAtStation(station, held));
             CUnit* ship = U(50);
             Near(ship, station, 5000.0f);
             Frame();
             EXPECT_EQ(ship->scriptStep, 1);
             EXPECT_TRUE(Talked(49, 0));
             EXPECT_EQ(ship->humanPiloted, 1);
             Near(U(63), ship, 1000.0f);
             ToWindow(1.0f);
             Frame();
             EXPECT_EQ(U(63)->objectClass, (unsigned)GCLASS_SPACE_SHIP);
             EXPECT_EQ(U(63)->target2, ship);
             InBay(ship);
             Frame();
             EXPECT_EQ(ship->scriptStep, 2);
             EXPECT_EQ(held->dockTime, 30u);
             EXPECT_EQ(held->scriptStep, 0);
             ship->SetOrder(ACTION_STAY, nullptr, nullptr, 1);
             Frame();
             EXPECT_EQ(ship->kind, GTYPE_SP_NPCSHIP_ID1);
             Frame();
             EXPECT_EQ(ship->scriptStep, 1);
             EXPECT_EQ(ship->orderType, ACTION_GUARD);
             // No room left at the hero station: the follower is lost.
             g_LocationDirector.ordersAvailable = 0;
             Frame();
             EXPECT_LT(ship->hull, ship->hullMax);
         }},
        {"sector 5 without station 49: unit 50 waits", 5,
         [](SectorScenes*) {
             Kind(50, 50, GTYPE_SP_NPCSHIP_ID0);
             CObjectList::Remove(U(49));
             Frame();
             EXPECT_EQ(U(50)->scriptStep, 0);
         }},
        {"sector 6: the player calls unit 50, which leaves once the pirates are gone", 6,
         [](SectorScenes*) {
             Kind(50, 50, GTYPE_SP_NPCSHIP_ID0);
             Kind(60, 61, GTYPE_SP_NPCSHIP_ID2, GCLASS_SPACE_OBJECT);
             CUnit* ship = U(50);
             Frame();
             EXPECT_EQ(ship->orderType, ACTION_GUARD);
             g_CommWindow.speaker = ship;
             Frame();
             g_CommWindow.speaker = nullptr;
             EXPECT_EQ(ship->scriptStep, 2);
             Frame();
             EXPECT_EQ(ship->scriptStep, 3);
             Near(U(60), ship, 1000.0f);
             ToWindow(2.0f);
             Frame();
             EXPECT_EQ(U(60)->objectClass, (unsigned)GCLASS_SPACE_SHIP);
             CObjectList::Remove(U(60));
             CObjectList::Remove(U(61));
             ToWindow(2.0f);
             Frame();
             EXPECT_EQ(ship->scriptStep, 4);
         }},
    };
    for (const MissionCase& c : cases) {
        SCOPED_TRACE(c.name);
        Load(c.sector);
        c.play(this);
        g_World.UnloadLocation();
        g_talks.clear();
    }
}

// ---- Traffic and pirate ships ----
TEST_P(SectorScenes, TrafficErrandsHailsAndRecycling)
{
    if (!Entered()) return;
    auto spawn = [](const char* pilot, int step) {
        CUnit* u = CreateSpawnedShip("Data/Space/Ship/Eagle.M1/Main.obj", -1, pilot, GTYPE_SP_NPCSHIP_MOVED, step);
        EXPECT_NE(u, nullptr);
        CObjectList::Add(u);
        return u;
    };
    const std::vector<MissionCase> cases = {
        {"a neutral fighter flies past the player, hails once and is recycled", 5,
         [&](SectorScenes*) {
             CUnit* f = spawn("Human/Neutral/Fighter.S03-05", 0);
             CUnit* p = g_PlayerObject;
             RunTrafficScript(f, f->kind, 0.02f);
             EXPECT_EQ(f->scriptStep, 1);
             EXPECT_NEAR(Vec3Length(f->position - p->position), 5000.0f, 1.0f);
             Near(f, p, 500.0f);
             ToWindow(30.0f);
             RunTrafficScript(f, f->kind, 0.02f);
             EXPECT_TRUE(Talked(-1, 5));
             EXPECT_EQ(f->alertFlag, 1);
             g_talks.clear();
             ToWindow(30.0f);
             RunTrafficScript(f, f->kind, 0.02f);
             EXPECT_TRUE(g_talks.empty());
             // Beyond 5100 it jumps back in as a new pilot; nobody keeps aiming at it.
             p->target = f;
             U(1001)->target = f;
             Near(f, p, 6000.0f);
             RunTrafficScript(f, f->kind, 0.02f);
             EXPECT_EQ(f->scriptStep, 0);
             EXPECT_EQ(f->alertFlag, 0);
             EXPECT_EQ(p->target, nullptr);
             EXPECT_EQ(U(1001)->target, nullptr);
         }},
        {"while the player walks in the station, traffic goes round his docked ship", 4,
         [&](SectorScenes*) {
             CUnit* ship = g_PlayerObject;
             ship->position = Vec3(0, 0, -3000.0f);
             CObjectList::Detach(ship);
             ASSERT_TRUE(DockAtStation(g_HeroStation, ship));
             CUnit hero;
             hero.objectClass = GCLASS_CHARACTER_HERO;
             hero.position = Vec3(38.0f, 0.0f, 40.0f);
             g_PlayerObject = &hero;
             CUnit* f = spawn("Human/Neutral/Fighter", 0);
             RunTrafficScript(f, f->kind, 0.02f);
             g_PlayerObject = nullptr;
             EXPECT_NEAR(Vec3Length(f->position - ship->position), 5000.0f, 1.0f);
         }},
        {"no hails in sector 2", 2,
         [&](SectorScenes*) {
             CUnit* f = spawn("Human/Neutral/Fighter", 1);
             Near(f, g_PlayerObject, 500.0f);
             ToWindow(30.0f);
             RunTrafficScript(f, f->kind, 0.02f);
             EXPECT_TRUE(g_talks.empty());
         }},
        {"a neutral transport calls at a cargo station, leaves and comes back", 9,
         [&](SectorScenes*) {
             CUnit* tr = spawn("Human/Neutral/Transport.S09-11", 10);
             tr->ore = 5.0f;
             RunTrafficScript(tr, tr->kind, 0.02f);
             EXPECT_EQ(tr->scriptStep, 11);
             EXPECT_EQ(tr->orderType, ACTION_DOCKING);
             tr->SetOrder(ACTION_STAY, nullptr, nullptr, 1);
             RunTrafficScript(tr, tr->kind, 0.02f);
             EXPECT_EQ(tr->scriptStep, 12);
             EXPECT_EQ(tr->orderType, ACTION_MOVE);
             Near(tr, g_PlayerObject, 12000.0f);
             RunTrafficScript(tr, tr->kind, 0.02f);
             EXPECT_EQ(tr->scriptStep, 10);
             EXPECT_EQ(tr->ore, 0.0f);
         }},
        {"a pirate transport with no cargo station is removed with nothing pointing at it", 3,
         [&](SectorScenes*) {
             for (int i = 0; i < CObjectList::Count(); ++i)
                 if (IsStationKindValue(CObjectList::units[1][i]->kind))
                     CObjectList::units[1][i]->objectClass = GCLASS_SPACE_OBJECT;
             CUnit* tr = spawn("Human/Pirates/Transport 01", 10);
             CUnit* escort = spawn("Human/Pirates/Fighter 01", 0);
             escort->SetOrder(ACTION_GUARD, tr, nullptr, 0);
             EXPECT_EQ(escort->boundUnit, tr);
             RunTrafficScript(tr, tr->kind, 0.02f);
             EXPECT_EQ(tr->hull, 0.0f);
             EXPECT_EQ(tr->scriptStep, -1);
             CObjectList::Remove(tr);
             EXPECT_EQ(escort->boundUnit, nullptr);
             EXPECT_EQ(escort->target, nullptr);
             // Without its transport it is placed as a lone pirate fighter.
             RunTrafficScript(escort, escort->kind, 0.02f);
             EXPECT_EQ(escort->scriptStep, 1);
         }},
    };
    for (const MissionCase& c : cases) {
        SCOPED_TRACE(c.name);
        Load(c.sector);
        c.play(this);
        g_World.UnloadLocation();
        g_talks.clear();
    }
}

INSTANTIATE_TEST_SUITE_P(Archives, SectorScenes, ::testing::Values(1));

} // namespace

// ---- Every campaign sector runs a minute of its scenes ----

namespace {

std::vector<std::string> g_reports;
void CollectReport(const char* line)
{
    g_reports.push_back(line);
}

// The kinds, classes and docks the sector's set-up gives the scene units.
void SetUpSceneUnits(int sector)
{
    auto set = [](int first, int last, int kind, unsigned cls, int step) {
        for (int id = first; id <= last; ++id)
            if (CUnit* u = CObjectList::FindById(id)) {
                u->kind = kind;
                u->objectClass = cls;
                if (step != -2) u->scriptStep = step;
            }
    };
    const int A = GTYPE_SP_NPCSHIP_ID0, B = GTYPE_SP_NPCSHIP_ID1, C = GTYPE_SP_NPCSHIP_ID2;
    const unsigned ship = GCLASS_SPACE_SHIP, wait = GCLASS_SPACE_OBJECT;
    switch (sector) {
    case 1:
        set(41, 41, C, wait, -2);
        [[fallthrough]];
    case 7:
    case 8:
        set(50, 53, A, ship, -2);
        set(60, 62, B, wait, -1);
        break;
    case 2:
        set(50, 50, A, ship, -2);
        set(51, 54, B, wait, -2);
        set(60, 62, C, wait, -2);
        break;
    case 3:
        set(50, 50, A, ship, -2);
        set(51, 51, B, ship, -2);
        for (int id = 60; id <= 62; ++id)
            if (CUnit* u = CObjectList::FindById(id)) u->objectClass = wait;
        break;
    case 5: {
        set(50, 50, A, ship, -2);
        set(60, 63, C, wait, -2);
        CUnit* station = CObjectList::FindById(49);
        if (CUnit* u = CObjectList::FindById(50); u && station) {
            u->SetOrder(ACTION_DOCKING, station, nullptr, 0);
            u->dockTime = 120;
        }
        if (CUnit* held = CObjectList::FindById(51); held && station) {
            held->kind = B;
            held->scriptStep = -1;
            CObjectList::Detach(held);
            if (!DockAtStation(station, held)) ADD_FAILURE() << "station 49 has no room";
        }
        break;
    }
    case 6:
        set(50, 50, A, ship, -2);
        set(60, 61, C, wait, -2);
        break;
    default:
        break;
    }
}

} // namespace

// A station destroyed while the player walks in its interior: whichever it is, he is put
// back in space in his ship at once; where his home is lost, the end-of-game question comes;
// in sector 12 with the mission reported complete, the finale runs to the campaign's end.
TEST_P(SectorScenes, AStationDestroyedWithThePlayerInsideGivesHimBackHisShip)
{
    if (!Entered()) return;
    g_SceneTalkHook = nullptr;
    auto frames = [](int n, CUnit* until) {  // the game's loop without its picture
        for (int f = 0; f < n && (!until || CObjectList::IndexOf(until) >= 0); ++f) {
            if (g_PendingLocationKind != -1) g_World.SwitchLocationKind();
            g_GameClock.gameTime += 50.0;
            g_WorldIndex = 1;
            CObjectList::UpdateAll();
        }
    };
    // sector, station, mission reported complete at the desk, the mission's result
    const struct { int sector, station; bool done; int result; } cases[] = {
        {3, 49, 0, -1}, {3, 1000, 0, 0}, {12, 1000, 1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.sector) + "/" + std::to_string(c.station));
        g_MissionResult = -1, g_GameMenuActive = 0;
        Load(c.sector);
        // Sector 12's mission waits for the player's report (its scene unit 50 past its calls).
        if (c.done) Kind(50, 50, GTYPE_SP_NPCSHIP_ID0, GCLASS_SPACE_SHIP, 100), g_LocationDirector.questFlags[0] = 1;
        CUnit *station = U(c.station), *ship = g_PlayerObject;
        Vec3 gate[2];
        station->GetGunPoints(gate);
        ship->position = gate[1] + Vec3Normalize(gate[0] - gate[1]) * 10.0f;
        ASSERT_EQ(station->RequestDocking(ship, 0xFFFFFFFFu), 1);
        for (int f = 0; f < 3000 && g_LocationKind != 2; ++f) frames(1, nullptr);
        ASSERT_NE(g_PlayerObject, ship);  // inside: the walking hero
        g_LocationDirector.missionOver = c.done;
        station->TakeHit(1.0e7f, nullptr, station->position, nullptr);
        frames(40, nullptr);  // at once: the way out inside may take longer than the wreck
        EXPECT_EQ(g_LocationKind, 1);
        EXPECT_EQ(g_PlayerObject, ship);
        EXPECT_EQ(ship->manualControl, !c.done);  // the finale's shots take the controls
        frames(2000, station);
        EXPECT_GE(CObjectList::IndexOf(ship), 0);
        for (int f = 0; f < 4000 && c.done && g_MissionResult == -1; ++f) frames(1, nullptr);
        EXPECT_EQ(g_MissionResult, c.result);
        EXPECT_EQ(g_GameMenuActive ? g_MenuPage : -1,
                  c.result == 0 ? MENU_PAGE_DESTROYED : c.result == 1 ? MENU_PAGE_RESULTS : -1);
        g_LocationDirector.missionOver = g_GameMenuActive = 0;
        g_World.UnloadLocation();
    }
}

// The mines are the sectors' goal and the pirates spawned round them guard them: their fire
// must not win the sector for a player who waits docked at the hero station, and the mine
// stays an enemy of the player's.
TEST_P(SectorScenes, StrayFireLeavesTheMinesToThePlayer)
{
    if (!Entered()) return;
    UseCheckSaves();
    if (HasFatalFailure()) return;
    g_SceneTalkHook = nullptr;
    for (int sector = 1; sector <= 11; ++sector) {
        SCOPED_TRACE("sector " + std::to_string(sector));
        LoadWholeSector(sector);
        if (HasFatalFailure()) return;
        std::vector<int> mines;
        for (int i = 0; i < CObjectList::Count(); ++i)
            if (CUnit* u = CObjectList::units[1][i]; u->kind == GTYPE_SP_STATION && u->FindCargoItem()) {
                mines.push_back(u->pilot.objectId);
                EXPECT_TRUE(g_HeroStation->IsHostileTo(u)) << "mine " << u->pilot.objectId;  // the player's to take
            }
        RunWholeSector(12000);  // ten minutes
        EXPECT_FALSE(mines.empty());
        for (int id : mines) {
            const CUnit* m = CObjectList::FindById(id);
            EXPECT_TRUE(m && m->hull > 0.5f * m->hullMax) << "mine " << id;
        }
        g_World.UnloadLocation();
    }
}

TEST_P(SectorScenes, EveryCampaignSectorRunsAMinuteWithNothingMissing)
{
    if (!Entered()) return;
    UseCheckSaves();
    if (HasFatalFailure()) return;
    g_SceneTalkHook = nullptr;  // the comm window's own talks
    g_SceneReportHook = CollectReport;
    for (int sector = 1; sector <= 11; ++sector) {
        SCOPED_TRACE("sector " + std::to_string(sector));
        g_reports.clear();
        LoadWholeSector(sector);
        if (HasFatalFailure()) return;
        const int spawned = CObjectList::Count();
        RunWholeSector(1200);  // a minute
        for (const std::string& r : g_reports) ADD_FAILURE() << r;
        int onErrand = 0;
        for (int i = 0; i < CObjectList::Count(); ++i) {
            const CUnit* u = CObjectList::units[1][i];
            onErrand += u->kind == GTYPE_SP_NPCSHIP_MOVED && (u->scriptStep == 1 || u->scriptStep >= 11);
        }
        EXPECT_GT(onErrand, 0);
        // Step 0 of these leaders moves on without a talk. Sector 4's convoy crawls in at 30
        // from z 13000 and first meets its ambushers (z -1000 and beyond) after some six
        // minutes: its lead waits in step 0 for them all the first minute. Sector 5's lead
        // moves on only once unit 49's talk opens, which needs a player in space.
        if (CUnit* lead = CObjectList::FindById(50); lead && lead->kind == GTYPE_SP_NPCSHIP_ID0 && sector != 5 && sector != 4) {
            EXPECT_NE(lead->scriptStep, 0);
        }
        // The traffic is still there: recycled, never lost.
        EXPECT_GE(CObjectList::Count(), spawned - 12);
        g_World.UnloadLocation();
    }
    g_SceneReportHook = nullptr;
}
