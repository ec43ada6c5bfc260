// The station menu's pages that load models from the built data set, driven by presses
// through the window procedure: the mercenary exchange's payment and the weapon
// catalogue's replacement, one table each.
#include "menus/station_menu.h"

#include <gtest/gtest.h>

#include <cstring>

#include "../dataset_util.h"
#include "app/winmain.h"
#include "app/wndproc.h"
#include "locations/location_director.h"
#include "platform/win/window.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/item.h"
#include "world/objects/unit.h"
#include "world/world.h"
#include "world/world_test_util.h"

namespace {

class StationCatalogueTest : public testutil::DataSetTest {
protected:
    StationCatalogueTest() : DataSetTest("Data/Space/Ship/Pegas.M1/Main_H.obj", true) {}
    CUnit* station = nullptr;
    CUnit* hero = nullptr;
    uint32_t now = 100000;

    void SetUp() override
    {
        DataSetTest::SetUp();
        if (!Entered()) return;
        g_Settings.audio = 0;
        DestroyBothWorlds();
        g_ScreenScaleX = g_ScreenScaleY = 1.0f;
        g_AppActive = g_HasFocus = 1;
        g_LocationDirector.locationId = 1;
        g_GameClock.Reset();
        g_GameClock.TickAt(now);
        g_WorldIndex = 1;
        g_LocationKind = 2;
        station = MakeUnit(GCLASS_SPACE_SHIP, GTYPE_SP_STATION, Vec3());
        CObjectList::Add(station);
        g_HeroStation = station;
        hero = new CUnit();
        ASSERT_TRUE(hero->Load("Data/Space/Ship/Pegas.M1/Main_H.obj", 100));
        hero->kind = GTYPE_SP_HEROSHIP;
        hero->dockTime = 0xFFFFFFFFu;
        station->dockedUnits[0] = hero;
        station->dockedCount = 1;
        CStationMenu::Create();
        g_WorldIndex = 0;
        CStationMenu::SetActive(1);
    }
    void TearDown() override
    {
        if (Entered()) {
            CStationMenu::SetActive(0);
            for (CObjectDataButton& r : g_StationMenu.shipRows) r.object = nullptr;
            g_WorldIndex = 1;
            station->dockedUnits[0] = nullptr;
            hero->Release();
            delete hero;
            DestroyBothWorlds();
            g_HeroStation = nullptr;
            g_PlayerObject = nullptr;
            g_LocationKind = 1;
            g_GameClock.Reset();
        }
        DataSetTest::TearDown();
    }
    static void Click(float x, float y)
    {
        const LPARAM at = MAKELPARAM(unsigned(x), unsigned(y));
        WndProc(nullptr, WM_MOUSEMOVE, 0, at);
        WndProc(nullptr, WM_LBUTTONDOWN, 0, at);
        WndProc(nullptr, WM_LBUTTONUP, 0, at);
    }
    void Frames(int n)
    {
        for (int i = 0; i < n; ++i) {
            now += 50;
            g_GameClock.TickAt(now);
            CStationMenu::Update();
        }
    }
    void Open(float tabY)
    {
        CStationMenu::SetActive(1);
        Click(180, tabY);
        Frames(30);
    }
};

TEST_P(StationCatalogueTest, ExchangePaysForAnOrder)
{
    if (!Entered()) return;
    struct Case {
        const char* what;
        float ore;
        int orders;
        bool paid;
    } cases[] = {
        {"enough ore: paid and booked", 100.0f, 3, true},
        {"too little ore: nothing", 0.01f, 3, false},
        {"no orders available: nothing", 100.0f, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (uint32_t& t : g_LocationDirector.orderTimes) t = 0xFFFFFFFFu;
        g_LocationDirector.ordersAvailable = c.orders;
        station->ore = c.ore;
        Open(330);
        ASSERT_EQ(g_StationMenuPage, 4);
        ASSERT_EQ(g_StationMenu.shipRowCount, kShowcaseShips);
        // The third showcase ship, then the order.
        Click(190, 4 + 2 * 37 + 17);
        Frames(3);
        CUnit* chosen = g_StationMenu.selectedShip;
        ASSERT_EQ(chosen, g_StationMenu.shipRows[2].object);
        const float price = chosen->GetRating() / 50.0f * (chosen->FindCargoItem() ? 1.0f : 2.0f);
        Click(600, 255);
        Frames(5);
        EXPECT_NEAR(station->ore, c.paid ? c.ore - price : c.ore, 1e-3f);
        EXPECT_EQ(g_LocationDirector.ordersAvailable, c.paid ? c.orders - 1 : c.orders);
        // Leaving the page takes the showcase away.
        Click(600, 445);
        Frames(30);
        EXPECT_EQ(g_StationMenuPage, 0);
        for (CUnit* u : g_StationMenu.showcase) EXPECT_EQ(u, nullptr);
    }
}

TEST_P(StationCatalogueTest, CatalogueReplacesTheWeapon)
{
    if (!Entered()) return;
    int laserRow = -1;
    struct Case {
        const char* what;
        float ore;
        bool replaced;
    } cases[] = {
        {"too little ore: the old laser stays", 0.001f, false},
        {"enough ore: the chosen model takes its place", 50.0f, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        station->ore = c.ore;
        Open(60);
        Click(600, 175);  // the upgrade page of the selected ship (the only one)
        Frames(30);
        ASSERT_EQ(g_StationMenuPage, 10);
        for (int i = 0; i < g_StationMenu.upgradeRowCount; ++i)
            if (std::strstr(g_StationMenu.upgradeRows[i].caption, "Laser")) laserRow = i;
        ASSERT_GE(laserRow, 0);
        char before[256];
        std::snprintf(before, sizeof before, "%s", hero->items[g_StationMenu.upgradeRows[laserRow].itemIndex]->filePath);
        Click(200, 205 + 22 * laserRow + 9);
        Frames(2);
        ASSERT_GT(g_StationMenu.catalogueCount, 1);
        Click(600, 210 + 22 + 9);  // the second model on offer
        Frames(2);
        const CWeaponInfoButton chosen = g_StationMenu.catalogue[1];
        const float price = chosen.reloadTime / chosen.bulletDamage * 10.0f;
        Click(600, 435);  // "<< Заменить оружие"
        Frames(5);
        const CItem* carried = hero->items[g_StationMenu.upgradeRows[laserRow].itemIndex];
        EXPECT_STREQ(carried->filePath, c.replaced ? chosen.modelPath : before);
        EXPECT_NEAR(station->ore, c.replaced ? c.ore - price : c.ore, 1e-3f);
        // The model now carried is no longer offered.
        for (int j = 0; j < g_StationMenu.catalogueCount; ++j)
            EXPECT_STRNE(g_StationMenu.catalogue[j].modelPath, carried->filePath);
        Click(600, 35);  // "Выход"
        Frames(30);
        EXPECT_EQ(g_StationMenuPage, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Loose, StationCatalogueTest, ::testing::Values(0));

}  // namespace
