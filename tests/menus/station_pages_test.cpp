// The station menu's pages driven as a player drives them: presses and keys through the
// window procedure while docked, frames of game time through the menu's update. One table
// per page: the tabs with their fades and the leaving, the dock page, the sector map.
#include "menus/station_menu.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/settings.h"
#include "app/winmain.h"
#include "app/wndproc.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/radio_menu.h"
#include "locations/location_director.h"
#include "menus/game_menu.h"
#include "platform/win/window.h"
#include "render/d3d_render.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/item.h"
#include "world/objects/unit.h"
#include "world/world.h"
#include "world/world_test_util.h"

namespace {

class StationPagesTest : public ::testing::Test {
protected:
    CUnit* station = nullptr;
    CUnit* hero = nullptr;
    CUnit* fighter = nullptr;
    uint32_t now = 100000;

    void SetUp() override
    {
        DestroyBothWorlds();
        g_ScreenScaleX = g_ScreenScaleY = 1.0f;
        g_AppActive = g_HasFocus = 1;
        g_GameMenuActive = 0;  // a game menu test before may leave it up: it takes the clicks
        g_MenuDialogOpen = 0;
        g_GameMode = 1;
        g_LocationDirector.locationId = 1;
        g_GameClock.Reset();
        g_GameClock.TickAt(now);
        g_WorldIndex = 1;
        g_LocationKind = 2;
        station = MakeUnit(GCLASS_SPACE_SHIP, GTYPE_SP_STATION, Vec3());
        CObjectList::Add(station);
        g_HeroStation = station;
        hero = Docked(GTYPE_SP_HEROSHIP, true);
        fighter = Docked(GTYPE_SP_NPCSHIP_MERCS_FIGHTER, false);
        CStationMenu::Create();
        g_WorldIndex = 0;
        CStationMenu::SetActive(1);
    }
    void TearDown() override
    {
        CStationMenu::SetActive(0);
        if (g_RadioMenu.state) g_RadioMenu.Close();
        g_RadioMenu.openPercent = 0.0f;
        g_CommMode = 0;
        g_TextInputState = 0;
        for (CObjectDataButton& r : g_StationMenu.shipRows) r.object = nullptr;
        g_WorldIndex = 1;
        DestroyBothWorlds();
        g_HeroStation = nullptr;
        g_PlayerObject = nullptr;
        g_LocationKind = 1;
        g_GameClock.Reset();
    }
    CUnit* Docked(int kind, bool cargo)
    {
        CUnit* u = MakeUnit(GCLASS_SPACE_SHIP, kind, Vec3());
        u->dockTime = 0xFFFFFFFFu;
        u->pilot.owner = u;
        if (cargo) {
            CItem* c = new CItem();
            c->kind = GTYPE_CARGOSYSTEM;
            u->items[u->itemCount++] = c;
        }
        const int slot = station->dockedCount++;
        station->dockedUnits[slot] = u;
        station->slotIds[slot] = UnitSlotIds{300 + slot, 400 + slot};
        return u;
    }
    static LRESULT Send(unsigned msg, WPARAM w = 0, LPARAM l = 0) { return WndProc(nullptr, msg, w, l); }
    static void Click(float x, float y)
    {
        const LPARAM at = MAKELPARAM(unsigned(x), unsigned(y));
        Send(WM_MOUSEMOVE, 0, at);
        Send(WM_LBUTTONDOWN, 0, at);
        Send(WM_LBUTTONUP, 0, at);
    }
    static void Key(unsigned vk) { Send(WM_KEYDOWN, vk, 1), Send(WM_KEYUP, vk, LPARAM(0xC0000001u)); }
    // Frames of the docked world: the clock ticks (stepMs each, 0 while paused) and the menu runs.
    void Frames(int n, uint32_t stepMs = 50)
    {
        for (int i = 0; i < n; ++i) {
            now += stepMs;
            g_GameClock.TickAt(now);
            CStationMenu::Update();
        }
    }
};

// Virtual-screen places of the buttons.
constexpr float kTabX = 180, kDockTabY = 60, kMapTabY = 150, kStatisticsTabY = 240, kEndTabY = 540;
constexpr float kRightX = 600, kBackY = 445;

TEST_F(StationPagesTest, TabsFadesAndLeaving)
{
    struct Row {
        const char* what;
        std::vector<float> pressesY;  // tab presses, two frames apart
        int frames;
        uint32_t stepMs;
        int page;                     // -1: the menu has closed
    } rows[] = {
        {"dock tab, before half the fade the tabs stay", {kDockTabY}, 9, 50, 0},
        {"dock tab after the whole fade", {kDockTabY}, 22, 50, 1},
        {"map tab", {kMapTabY}, 22, 50, 2},
        {"statistics tab", {kStatisticsTabY}, 22, 50, 3},
        {"a press during the fade is ignored", {kDockTabY, kMapTabY}, 22, 50, 1},
        {"end of work: still open before a second", {kEndTabY}, 18, 50, 0},
        {"end of work closes after a second", {kEndTabY}, 22, 50, -1},
        {"end of work with the clock paused stays open", {kEndTabY}, 40, 0, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        CStationMenu::SetActive(1);
        for (float y : r.pressesY) {
            Click(kTabX, y);
            Frames(2, r.stepMs);
        }
        Frames(r.frames, r.stepMs);
        EXPECT_EQ(g_StationMenuActive, r.page >= 0 ? 1 : 0);
        if (r.page >= 0) {
            EXPECT_EQ(g_StationMenuPage, r.page);
        }
    }
}

TEST_F(StationPagesTest, DockPageOrdersOutUpgradesAndReturns)
{
    const float heroRowY = 4 + 17, fighterRowY = 4 + 37 + 17;
    struct Case {
        const char* what;
        float rowY, buttonY;  // the ship row pressed first, then a button of the right column
        int page;             // the page reached
        bool fighterLeaves, heroLeaves;
    } cases[] = {
        {"the player's own ship is not ordered out", heroRowY, 215, 1, false, false},
        {"a wing-man is ordered out", fighterRowY, 215, 1, true, false},
        {"the upgrade page", heroRowY, 175, 10, false, false},
        {"the back button", heroRowY, kBackY, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        hero->dockTime = fighter->dockTime = 0xFFFFFFFFu;
        CStationMenu::SetActive(1);
        Click(kTabX, kDockTabY);
        Frames(30);
        ASSERT_EQ(g_StationMenuPage, 1);
        Click(190, c.rowY);
        Frames(3);
        Click(kRightX, c.buttonY);
        Frames(30);
        EXPECT_EQ(g_StationMenuPage, c.page);
        EXPECT_EQ(fighter->dockTime == 1, c.fighterLeaves);
        EXPECT_EQ(hero->dockTime == 1, c.heroLeaves);
        if (c.fighterLeaves) {
            EXPECT_EQ(g_StationMenu.selectedShip, hero);  // the selection moves up
        }
        if (c.page == 10) {
            // "Выход" leads back to the dock page, not to the tabs.
            Click(kRightX, 35);
            Frames(30);
            EXPECT_EQ(g_StationMenuPage, 1);
        }
    }
}

TEST_F(StationPagesTest, SectorMapRadioAndScrolling)
{
    struct Case {
        const char* what;
        std::vector<unsigned> keys;
        int holdA;        // frames with A held
        bool back;        // the back button at the end
        int radioPage;    // the radio menu's page afterwards (-1 closed)
        bool turned;      // the map camera turned
    } cases[] = {
        {"F3 opens the radio menu on the map", {VK_F3}, 0, false, RADIO_PAGE_MAIN, false},
        {"a digit turns its page once it is open", {VK_F3, '2'}, 0, false, RADIO_PAGE_MERCENARIES, false},
        {"the base page is not offered while docked", {VK_F3, '1'}, 0, false, RADIO_PAGE_MAIN, false},
        {"A scrolls the map", {}, 10, false, RADIO_PAGE_CLOSED, true},
        {"the back button closes the radio menu whole", {VK_F3, '2'}, 0, true, RADIO_PAGE_CLOSED, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CStationMenu::SetActive(1);
        Click(kTabX, kMapTabY);
        Frames(30);
        ASSERT_EQ(g_StationMenuPage, 2);
        const Vec3 before = g_MenuCamera.followOffset;
        for (unsigned k : c.keys) {
            Key(k);
            Frames(10);  // the panel opens in a third of a second
        }
        if (c.holdA) {
            Send(WM_KEYDOWN, 'A', 1);
            Frames(c.holdA);
            Send(WM_KEYUP, 'A', LPARAM(0xC0000001u));
        }
        if (c.back) {
            Click(kRightX, kBackY);
            Frames(30);
            EXPECT_EQ(g_StationMenuPage, 0);
            EXPECT_EQ(g_CommMode, 0);
            EXPECT_EQ(g_TextInputState, 0);
            EXPECT_EQ(hero->inRadioTalk, 0);
        }
        EXPECT_EQ(g_RadioMenu.page, c.radioPage);
        EXPECT_EQ(Vec3Length(g_MenuCamera.followOffset - before) > 1.0f, c.turned);
        if (g_RadioMenu.state) g_RadioMenu.Close();
        g_RadioMenu.openPercent = 0.0f;
        CStationMenu::SetActive(0);
    }
}

}  // namespace
