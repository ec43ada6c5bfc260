// The station menu's rules: upgrade prices, steps and limits paid with the home station's
// ore, the mercenary order book, the pilot swap and the dock list.
#include "menus/station_menu.h"

#include <gtest/gtest.h>

#include <cstring>

#include "locations/location_director.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/item.h"
#include "world/objects/unit.h"
#include "world/world.h"
#include "world/world_test_util.h"

namespace {

class StationMenuTest : public ::testing::Test {
protected:
    CUnit* station = nullptr;
    CUnit* ship = nullptr;

    void SetUp() override
    {
        DestroyBothWorlds();
        g_WorldIndex = 1;
        g_GameClock.Reset();
        station = MakeUnit(GCLASS_SPACE_SHIP, GTYPE_SP_STATION, Vec3());
        CObjectList::Add(station);
        g_HeroStation = station;
        ship = Docked(GTYPE_SP_HEROSHIP, "Data/Space/Ship/Eagle.M1/Main_H.obj", true);
        g_PlayerObject = ship;
        g_StationMenu.selectedShip = ship;
    }
    void TearDown() override
    {
        g_StationMenu.selectedShip = nullptr;
        for (CObjectDataButton& r : g_StationMenu.shipRows) r.object = nullptr;
        for (CUnit* u : {station}) (void)u;
        DestroyBothWorlds();
        g_HeroStation = nullptr;
    }
    // A ship docked at the station to stay.
    CUnit* Docked(int kind, const char* path, bool cargo)
    {
        CUnit* u = MakeUnit(GCLASS_SPACE_SHIP, kind, Vec3());
        std::strcpy(u->descriptionPath, path);
        u->hullMax = u->hull = 100.0f;
        u->baseValues[UNIT_BASE_HULL].value = 100.0f;
        u->engineMax = 100.0f;
        u->baseValues[UNIT_BASE_ENGINE].value = 100.0f;
        u->manoeuvring = 3.0f;
        u->baseValues[UNIT_BASE_MANOEUVRING].value = 3.0f;
        u->pilot.owner = u;
        u->dockTime = 0xFFFFFFFFu;
        if (cargo) {
            CItem* c = new CItem();
            c->kind = GTYPE_CARGOSYSTEM;
            c->capacity = 500.0f;
            c->baseValues[ITEM_BASE_CAPACITY].value = 500.0f;
            u->items[u->itemCount++] = c;
        }
        const int slot = station->dockedCount++;
        station->dockedUnits[slot] = u;
        station->slotIds[slot] = UnitSlotIds{300 + slot, 400 + slot};
        return u;
    }
    // Selects an upgrade row and presses "upgrade the system" so that it reports now.
    void BuyRow(int row)
    {
        StationMenuState& m = g_StationMenu;
        for (int i = 0; i < kUpgradeRows; ++i) m.upgradeRows[i].pressed = i == row;
        g_GameClock.gameTime += 1000.0;
        m.upgradeBuy.pressed = 1;
        m.upgradeBuy.pressTime = g_GameClock.NowMs() - 500;
        CStationMenu::UpdateUpgradePage();
    }
};

TEST_F(StationMenuTest, UpgradesStepToTheirLimitsForTheirPrice)
{
    struct Case {
        const char* name;
        int row;
        float start;
        float ore;
        int buys;
        float want;
        float oreLeft;
    };
    // Hull costs current/500, engine maximum/200, manoeuvring (11 - m)/10.
    const Case cases[] = {
        {"hull 245 rises once to 250", 0, 245.0f, 10.0f, 3, 250.0f, 10.0f - 0.49f},
        {"exactly the cost leaves 0", 0, 100.0f, 0.2f, 1, 105.0f, 0.0f},
        {"too little ore buys nothing", 0, 100.0f, 0.19f, 1, 100.0f, 0.19f},
        {"engine 145 rises once to 150", 1, 145.0f, 10.0f, 3, 150.0f, 10.0f - 0.725f},
        {"manoeuvring 2.25 falls once to 2.0", 2, 2.25f, 10.0f, 3, 2.0f, 10.0f - 0.875f},
        {"cargo 990 rises once, past the limit, to 1015", 3, 990.0f, 10.0f, 3, 1015.0f, 10.0f - 1.98f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ship->hullMax = ship->hull = ship->baseValues[UNIT_BASE_HULL].value = c.row == 0 ? c.start : 100.0f;
        ship->engineMax = ship->baseValues[UNIT_BASE_ENGINE].value = c.row == 1 ? c.start : 100.0f;
        ship->manoeuvring = ship->baseValues[UNIT_BASE_MANOEUVRING].value = c.row == 2 ? c.start : 3.0f;
        CItem* cargo = ship->FindCargoItem();
        cargo->capacity = cargo->baseValues[ITEM_BASE_CAPACITY].value = c.row == 3 ? c.start : 500.0f;
        for (UnitBaseValue& b : ship->baseValues) b.bonus = 0.0f;
        cargo->baseValues[ITEM_BASE_CAPACITY].bonus = 0.0f;
        station->ore = c.ore;
        CStationMenu::ResetUpgradePage();
        for (int i = 0; i < c.buys; ++i) BuyRow(c.row);
        const float got = c.row == 0 ? ship->hullMax : c.row == 1 ? ship->engineMax : c.row == 2 ? ship->manoeuvring : cargo->capacity;
        EXPECT_NEAR(got, c.want, 1e-4f);
        EXPECT_NEAR(station->ore, c.oreLeft, 1e-4f);
    }
    // The captions show the share of the way to the limit.
    ship->hullMax = 200.0f;
    ship->baseValues[UNIT_BASE_HULL] = UnitBaseValue{150.0f, 50.0f};
    CStationMenu::BuildUpgradeCaptions();
    EXPECT_NE(std::strstr(g_StationMenu.upgradeRows[0].valueText, "50%"), nullptr) << g_StationMenu.upgradeRows[0].valueText;
    // A base on the limit divides by nothing.
    ship->baseValues[UNIT_BASE_HULL] = UnitBaseValue{250.0f, 0.0f};
    CStationMenu::BuildUpgradeCaptions();
    EXPECT_NE(std::strstr(g_StationMenu.upgradeRows[0].valueText, "0%"), nullptr);
}

TEST_F(StationMenuTest, OrderBookRefusesBeforeTakingOre)
{
    CLocationDirector& d = g_LocationDirector;
    for (int booked : {14, 15}) {
        SCOPED_TRACE(booked);
        d.ordersAvailable = 5;
        for (int i = 0; i < kMercenaryOrderSlots; ++i) d.orderTimes[i] = i < booked ? 1000u : 0xFFFFFFFFu;
        EXPECT_EQ(d.CanOrderMercenary(), booked < kMercenaryOrderSlots ? 1 : 0);
        const int before = d.ordersAvailable;
        d.OrderMercenary("Data/Space/Ship/Eagle.M1/Main.obj");
        EXPECT_EQ(d.ordersAvailable, booked < kMercenaryOrderSlots ? before - 1 : before);
    }
    d.ordersAvailable = 0;
    for (uint32_t& t : d.orderTimes) t = 0xFFFFFFFFu;
    EXPECT_EQ(d.CanOrderMercenary(), 0);
}

TEST_F(StationMenuTest, PilotSwapMovesThePlayerAndKeepsOwners)
{
    CUnit* fighter = Docked(GTYPE_SP_NPCSHIP_MERCS_FIGHTER, "Data/Space/Ship/Cobra.M2/Main.obj", false);
    std::strcpy(ship->pilot.pilotName, "Hero");
    std::strcpy(fighter->pilot.pilotName, "Wingman");
    ship->statistics.kills = 7;
    StationMenuState& m = g_StationMenu;
    g_GameClock.gameTime += 1000.0;
    CStationMenu::CollectDockShips();
    ASSERT_EQ(m.shipRowCount, 2);  // cargo ships first: the player's ship carries a cargo bay
    EXPECT_EQ(m.shipRows[0].object, ship);
    EXPECT_EQ(m.shipRows[1].object, fighter);
    m.selectedShip = ship;
    m.swapWaiting = 1;
    m.shipRows[1].pressed = 1;
    m.shipRows[1].pressTime = 0;
    CStationMenu::UpdateDockPage();
    EXPECT_EQ(m.swapWaiting, 0);
    EXPECT_EQ(g_PlayerObject, fighter);
    EXPECT_EQ(fighter->kind, GTYPE_SP_HEROSHIP);
    EXPECT_EQ(ship->kind, GTYPE_SP_NPCSHIP_MERCS_CARGO);
    EXPECT_STREQ(fighter->descriptionPath, "Data/Space/Ship/Cobra.M2/Main_H.obj");
    EXPECT_STREQ(ship->descriptionPath, "Data/Space/Ship/Eagle.M1/Main.obj");
    EXPECT_STREQ(fighter->pilot.pilotName, "Hero");
    EXPECT_EQ(fighter->pilot.owner, fighter);
    EXPECT_EQ(ship->pilot.owner, ship);
    EXPECT_EQ(fighter->statistics.kills, 7);
    EXPECT_EQ(station->slotIds[0].personId, 301);  // the bay's records changed places too
    EXPECT_EQ(m.selectedShip, fighter);

    // A ship told to leave is no longer listed.
    ship->dockTime = 1;
    CStationMenu::CollectDockShips();
    EXPECT_EQ(m.shipRowCount, 1);
    EXPECT_EQ(m.shipRows[0].object, fighter);
}

}  // namespace
