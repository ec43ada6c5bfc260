// Mercenary orders, the starting ships of single missions and network games, pirates and
// neutral traffic.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "location_test_util.h"
#include "locations/mercenaries.h"
#include "platform/crt/rand.h"
#include "world/game_clock.h"
#include "world/objects/item.h"

class MercenariesTest : public LocationTest {
protected:
    void SetUp() override
    {
        LocationTest::SetUp();
        WriteFile("Data/I/Gun/Main.obj", ItemText("GTYPE_LASER_WEAPON"));
        WriteFile("Data/I/Rocket/Main.obj", ItemText("GTYPE_ROCKT_WEAPON"));
        WriteFile("Data/I/Cargo/Main.obj", ItemText("GTYPE_CARGOSYSTEM"));
        // Light models carry a cargo bay, heavy ones weapons; each has its human version.
        for (const char* const* list : {kLightShipModels, kHeavyShipModels}) {
            const bool light = list == kLightShipModels;
            for (int i = 0; i < kMercenaryModelCount; ++i) {
                std::string path = list[i];
                std::vector<std::string> items = light ? std::vector<std::string>{"Data/I/Cargo/Main.obj"}
                                                       : std::vector<std::string>{"Data/I/Gun/Main.obj",
                                                                                  "Data/I/Rocket/Main.obj"};
                WriteUnit(path, "GCLASS_SPACE_SHIP", "GTYPE_SP_NPCSHIP", items);
                WriteUnit(path.substr(0, path.size() - 4) + "_H.obj", "GCLASS_SPACE_SHIP", "GTYPE_SP_HEROSHIP", items);
            }
        }
        savedLocation_ = g_LocationDirector.locationId;
        g_WorldIndex = 1;
        g_LocationKind = 1;
        station_ = new CUnit();
        EXPECT_TRUE(station_->Load("Data/U/Station/Main.obj", 1000));
        EXPECT_TRUE(CObjectList::Add(station_));
        g_HeroStation = station_;
    }
    void TearDown() override
    {
        g_LocationDirector.locationId = savedLocation_;
        LocationTest::TearDown();
    }
    static int CountScript(int kind, int aiMode)
    {
        int n = 0;
        for (int i = 0; i < CObjectList::Count(); ++i) {
            CUnit* u = CObjectList::units[1][i];
            if (u->kind == kind && u->scriptStep == aiMode) ++n;
        }
        return n;
    }
    void Advance(double ms)
    {
        g_GameClock.gameTime += ms;
        g_GameClock.frameSeconds = (float)(ms * 0.001);
    }
    CUnit* station_ = nullptr;
    int savedLocation_ = 0;
};

TEST(MercenaryTables, PirateAndTrafficNumbers)
{
    EXPECT_EQ(PirateCount(1), 2);
    EXPECT_EQ(PirateCount(8), 9);
    EXPECT_EQ(PirateCount(11), 2);
    EXPECT_EQ(PirateCount(12), 0);
    EXPECT_EQ(PirateCount(21), 5);
    EXPECT_EQ(PirateCount(32), 22);
    EXPECT_EQ(PirateCount(41), 0);
    int f = -1, t = -1;
    NeutralTrafficCounts(8, &f, &t);
    EXPECT_EQ(f, 5);
    EXPECT_EQ(t, 2);
    NeutralTrafficCounts(9, &f, &t);
    EXPECT_EQ(f, 4);
    EXPECT_EQ(t, 0);
    NeutralTrafficCounts(12, &f, &t);
    EXPECT_EQ(f + t, 0);
    NeutralTrafficCounts(100, &f, &t);
    EXPECT_EQ(f, 40);
    NeutralTrafficCounts(21, &f, &t);
    EXPECT_EQ(f, 22);
    EXPECT_EQ(t, 11);
}

TEST_F(MercenariesTest, OrdersArriveTwoSecondsLaterWithRisingIds)
{
    g_LocationDirector.locationId = 3;
    g_LocationDirector.ResetMercenaryOrders();
    EXPECT_EQ(g_LocationDirector.ordersAvailable, 16);
    EXPECT_EQ(g_LocationDirector.OrderMercenary(kLightShipModels[0]), 15);
    Advance(500);
    g_LocationDirector.OrderMercenary(kHeavyShipModels[0]);
    Advance(1400);
    g_LocationDirector.DeliverMercenaryOrders();
    EXPECT_EQ(CObjectList::FindById(200), nullptr);
    Advance(200);
    g_LocationDirector.DeliverMercenaryOrders();
    CUnit* first = CObjectList::FindById(200);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->kind, GTYPE_SP_NPCSHIP_MERCS_CARGO);
    EXPECT_EQ(first->scriptStep, 100);
    EXPECT_EQ(CObjectList::FindById(201), nullptr);
    Advance(600);
    g_LocationDirector.DeliverMercenaryOrders();
    CUnit* second = CObjectList::FindById(201);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->kind, GTYPE_SP_NPCSHIP_MERCS_FIGHTER);
    EXPECT_EQ(g_LocationDirector.orderTimes[0], 0xFFFFFFFFu);
}

TEST_F(MercenariesTest, NoOrdersInTheSecondIntro)
{
    g_LocationDirector.locationId = LOCATION_SPACE_INTRO_2;
    g_LocationDirector.ordersAvailable = 5;
    g_LocationDirector.ResetMercenaryOrders();
    EXPECT_EQ(g_LocationDirector.OrderMercenary(kLightShipModels[0]), 0);
}

TEST_F(MercenariesTest, StartingShipsDockAtTheHeroStation)
{
    g_GameMode = 0;
    g_LocationDirector.locationId = 21;
    GameSrand(7);
    g_World.CreateMercenariesAndHero();
    EXPECT_EQ(station_->ore, 20.0f);
    ASSERT_EQ(station_->dockedCount, 3);
    for (int i = 0; i < 3; ++i) {
        CUnit* u = station_->dockedUnits[i];
        EXPECT_EQ(u->pilot.objectId, 100 + i);
        EXPECT_EQ(station_->slotIds[i].shipId, 100 + i);
        EXPECT_EQ(u->dockTime, 0xFFFFFFFFu);
        EXPECT_EQ(u->target, station_);
    }
    EXPECT_EQ(station_->dockedUnits[0]->kind, GTYPE_SP_NPCSHIP_MERCS_CARGO);
    EXPECT_EQ(station_->dockedUnits[1]->kind, GTYPE_SP_NPCSHIP_MERCS_FIGHTER);
    CUnit* hero = station_->dockedUnits[2];
    EXPECT_EQ(hero->kind, GTYPE_SP_HEROSHIP);
    EXPECT_NE(std::strstr(hero->descriptionPath, "/Main_H.obj"), nullptr);
    EXPECT_EQ(g_PlayerObject, hero);
    EXPECT_EQ(CObjectList::FindDockedPlayerShip(), hero);

    // A docked ship destroyed on its own leaves a gap: the next newcomer takes it.
    CUnit* lost = station_->dockedUnits[1];
    station_->dockedUnits[1] = nullptr;
    --station_->dockedCount;
    CUnit* newcomer = new CUnit();
    newcomer->pilot.objectId = 200;
    ASSERT_TRUE(CObjectList::Add(newcomer));
    ASSERT_TRUE(DockAtStation(station_, newcomer));
    EXPECT_EQ(station_->dockedUnits[1], newcomer);
    EXPECT_EQ(station_->dockedUnits[2], hero);
    EXPECT_EQ(station_->dockedCount, 3);
    CObjectList::Remove(lost);
}

TEST_F(MercenariesTest, SingleMissionLoadsWithTheHeroAndTraffic)
{
    g_GameMode = 0;
    g_Settings.cutScenes = 1;
    g_LocationDirector.locationId = 31;   // mission 11
    SpaceLoc loc = BasicScene();
    loc.objects.clear();
    loc.orders.clear();
    loc.Object(1, "Data/U/Sky/Main.obj", "", 0, 0, 0)
        .Object(2, "Data/U/Sun/Main.obj", "", -30000, 12000, 40000)
        .Object(1000, "Data/U/Station/Main.obj", "Human/Station", 0, 0, 0);
    g_World.UnloadLocation();
    LoadSpace(loc.Text());
    ASSERT_NE(g_PlayerObject, nullptr);
    EXPECT_EQ(g_LocationLoad.playerMissing, 0);
    EXPECT_EQ(g_PlayerObject->kind, GTYPE_SP_HEROSHIP);
    // Pirates: 31 + 5 - 16 = 20 fighters and 20 transports with their escorts.
    EXPECT_EQ(CountScript(GTYPE_SP_NPCSHIP_MOVED, 10), 20 + 1);
    EXPECT_EQ(g_LocationDirector.ordersAvailable, 16 - 3);
}

TEST_F(MercenariesTest, PiratesOfSectorOneHaveEscorts)
{
    g_Settings.cutScenes = 1;
    g_LocationDirector.locationId = 1;
    const int before = CObjectList::Count();
    SpawnPirates();
    int fighters = 0, transports = 0, escorts = 0;
    for (int i = before; i < CObjectList::Count(); ++i) {
        CUnit* u = CObjectList::units[1][i];
        EXPECT_EQ(u->kind, GTYPE_SP_NPCSHIP_MOVED);
        if (u->scriptStep == 10) ++transports;
        else if (u->orderType == ACTION_GUARD) ++escorts;
        else ++fighters;
    }
    EXPECT_EQ(fighters, 2);
    EXPECT_EQ(transports, 2);
    EXPECT_GE(escorts, 2);
    EXPECT_LE(escorts, 4);
    g_Settings.cutScenes = 0;
    const int now = CObjectList::Count();
    SpawnPirates();
    SpawnNeutralTraffic();
    EXPECT_EQ(CObjectList::Count(), now);
}

TEST_F(MercenariesTest, SectorTwelveDifficulty)
{
    g_LocationDirector.locationId = 12;
    CUnit* u = CreateSpawnedShip(kHeavyShipModels[0], -1, "Human/Hero", GTYPE_SP_NPCSHIP_MOVED, 0);
    ASSERT_NE(u, nullptr);
    u->pilot.skill = 0.8f;
    u->pilot.skill2 = 0.2f;
    ApplySectorDifficulty(u);
    EXPECT_FLOAT_EQ(u->pilot.skill, 1.0f);
    EXPECT_FLOAT_EQ(u->pilot.skill2, 0.7f);
    const float hullRoom = 250.0f - u->baseValues[UNIT_BASE_HULL].value;
    // Up to 30 % of the headroom (negative for a hull already above 250).
    EXPECT_LE(std::fabs(u->baseValues[UNIT_BASE_HULL].bonus), std::fabs(0.3f * hullRoom) + 1e-3f);
    EXPECT_GE(u->baseValues[UNIT_BASE_HULL].bonus * hullRoom, 0.0f);
    EXPECT_LE(u->baseValues[UNIT_BASE_MANOEUVRING].bonus, 0.0f);
    ASSERT_EQ(u->itemCount, 2);
    EXPECT_LE(u->items[0]->baseValues[ITEM_BASE_RELOAD].bonus, 0.0f);
    EXPECT_GE(u->items[1]->baseValues[ITEM_BASE_RELOAD].bonus, 0.0f);   // reload 0.5 is below 1
    CObjectList::Remove(u);
    // Outside the sectors and missions nothing changes.
    g_LocationDirector.locationId = 45;
    u = CreateSpawnedShip(kHeavyShipModels[0], -1, "Human/Hero", GTYPE_SP_NPCSHIP_MOVED, 0);
    u->pilot.skill = 0.1f;
    ApplySectorDifficulty(u);
    EXPECT_FLOAT_EQ(u->pilot.skill, 0.1f);
    CObjectList::Remove(u);
}

TEST_F(MercenariesTest, FullUnitListDestroysSpawnedShips)
{
    g_Settings.cutScenes = 1;
    g_LocationDirector.locationId = 1;
    while (CObjectList::Count() < kMaxUnits) {
        CUnit* filler = new CUnit();
        ASSERT_TRUE(CObjectList::Add(filler));
    }
    SpawnPirates();
    SpawnNeutralTraffic();
    g_LocationDirector.ResetMercenaryOrders();
    g_LocationDirector.OrderMercenary(kHeavyShipModels[1]);
    Advance(2100);
    g_LocationDirector.DeliverMercenaryOrders();
    EXPECT_EQ(CObjectList::Count(), kMaxUnits);
    EXPECT_EQ(CObjectList::FindById(200), nullptr);
}
