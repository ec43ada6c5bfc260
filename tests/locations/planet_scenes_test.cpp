// The docked station's interior: the desk operator's ways back to space and the hero's
// walk to the desk, run frame by frame on an open grid with the real planet behaviour.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "app/settings.h"
#include "app/wndproc.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/game_interface.h"
#include "locations/location_director.h"
#include "menus/station_menu.h"
#include "render/camera.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/planet/nav_grid.h"
#include "world/world.h"
#include "world/world_test_util.h"

namespace {

class InteriorScenes : public ::testing::Test {
protected:
    CUnit* hero = nullptr;
    CUnit* op = nullptr;

    void SetUp() override
    {
        DestroyBothWorlds();
        g_GameClock.Reset();
        g_Settings.cutScenes = 1;
        g_Settings.voice = 0;
        g_LocationKind = 2;
        g_GameMode = 1;
        g_PendingLocationKind = -1;
        std::memset(g_LocationDirector.questFlags, 0, sizeof(g_LocationDirector.questFlags));
        g_LocationDirector.locationId = 3;
        g_LocationDirector.locationStarted = 0;
        g_LocationDirector.missionOver = 0;
        g_LocationDirector.outDockingRequested = 0;
        g_CommMode = 0;

        g_WorldIndex = 0;
        CNavGrid& g = g_World.navGrid;
        g.SetSize(64);
        ASSERT_TRUE(g.BuildNavGrid(NavUnitList{}));
        CObjectList::Add(MakeUnit(GCLASS_LANDSCAPE, 0, Vec3()));
        hero = Person(GCLASS_CHARACTER_HERO, 3001, Vec3(38.5f, 0, 40));
        g_PlayerObject = hero;
        op = Person(GCLASS_CHARACTER_NPC, GTYPE_NPC_BASEKEEPER, Vec3(22.5f, 0, 40));
        CRadioDialog& d = op->radioDialog;
        d.lineCount = 10;
        for (int i = 0; i < 10; ++i) {
            d.lines[i].type = i == 0 || i == 3 || i == 7 ? TEXTLINE_QUESTION : TEXTLINE_END_DIALOG_NORMAL;
            std::strcpy(d.lines[i].text, "line");
        }
        d.lines[7].replyCount = 1;
        d.lines[7].replies[0] = 8;
    }
    void TearDown() override
    {
        g_DialogBox.Reset();
        g_CommMode = 0;
        DestroyBothWorlds();
        g_World.navGrid.Free();
        g_WorldIndex = 1;
        g_LocationKind = 1;
        g_PendingLocationKind = -1;
        g_LocationDirector.locationId = -1;
    }
    CUnit* Person(unsigned cls, int kind, const Vec3& at)
    {
        CUnit* u = MakeUnit(cls, kind, at);
        u->engineMax = 3.0f;
        u->collisionFlag = 1;
        u->timers[0] = g_GameClock.NowMs();
        CObjectList::Add(u);
        return u;
    }
    // Frames of 50 ms until the condition holds (or 120 s of game time).
    bool RunUntil(const std::function<bool()>& done)
    {
        for (int f = 0; f < 2400; ++f) {
            if (done()) return true;
            g_GameClock.gameTime += 50.0;
            g_World.Camera().moveActive = 0;  // the camera's timed moves run on real time
            for (uint32_t i = 0; i < CObjectList::unitCount[0]; ++i) CObjectList::units[0][i]->UpdatePlanet();
        }
        return done();
    }
};

TEST_F(InteriorScenes, DeskOperatorSendsThePlayerBackToSpace)
{
    struct Case {
        const char* name;
        bool mercenaryShipOut;
        bool missionOver;
        int wantStep;
        int wantPending;
    };
    const Case cases[] = {
        {"out-docking talk result", false, false, -1, 1},
        {"mission complete, no mercenary out", false, true, -1, 1},
        {"mission complete, a mercenary ship still out: line 7", true, true, 5, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        if (c.mercenaryShipOut) {
            g_WorldIndex = 1;
            CObjectList::Add(MakeUnit(GCLASS_SPACE_SHIP, 20301, Vec3(0, 0, 500)));
            g_WorldIndex = 0;
        }
        // Later dockings skip the greeting and leave the player free at the desk.
        ASSERT_TRUE(RunUntil([&] { return op->scriptStep == 5; }));
        EXPECT_EQ(op->radioDialog.lines[0].said, 1);
        EXPECT_EQ(g_PlanetClicksEnabled, 1);
        EXPECT_NEAR(hero->position.x, 34.0f, 0.5f);

        if (c.missionOver) g_LocationDirector.missionOver = 1;
        else g_LocationDirector.outDockingRequested = 1;
        RunUntil([&] {
            return op->scriptStep == c.wantStep && g_PendingLocationKind == c.wantPending &&
                   !g_LocationDirector.missionOver && !g_LocationDirector.outDockingRequested;
        });
        EXPECT_EQ(op->scriptStep, c.wantStep);
        EXPECT_EQ(g_PendingLocationKind, c.wantPending);
        if (c.wantStep == -1) {
            EXPECT_NEAR(hero->position.x, 40.0f, 0.5f);  // walked into the lift
        } else {
            EXPECT_EQ(g_CommMode, 1);  // the operator asks to wait for the mercenaries
            EXPECT_EQ(g_DialogBox.speaker, op);
            EXPECT_EQ(g_LocationDirector.missionOver, 0);
        }
    }
}

// The desk operator's dialog as the data set writes it: every reply a player can click
// leads somewhere, at the desk of a docked station and in the second space intro's interior.
TEST_F(InteriorScenes, EveryDeskReplyLeadsSomewhere)
{
    // Letters 10 units wide, rows 20 high: rows can be pointed at.
    CFont& f = g_DialogBox.font;
    f.count = 0;
    for (const char* c = "abcdefghijklmnopqrstuvwxyz :."; *c; ++c) {
        f.chars[f.count] = (unsigned char)*c;
        f.glyphs[f.count] = FontGlyph{0, 0, 1, 1, 10.0f, 20.0f, float(*c)};
        ++f.count;
    }
    f.lineHeight = 20.0f;
    g_DialogBox.Reset();
    g_DialogBox.height = g_DialogBox.targetHeight = 100.0f;
    g_GameInterface.shown = 1;

    struct Case {
        const char* name;
        int location;
        bool mercenaryShipOut;
        std::vector<int> clicks;  // the reply lines the player clicks, talk after talk
        int wantStep;
    };
    const Case cases[] = {
        {"I'm leaving", 3, false, {4}, -1},
        {"just looking around", 3, false, {5}, 5},
        {"the mission is done", 3, false, {6}, -1},
        {"done, a mercenary out: I'll wait", 3, true, {6, 9}, 5},
        {"done, a mercenary out: finish anyway", 3, true, {6, 8}, -1},
        {"second intro: I'm leaving", LOCATION_SPACE_INTRO_2, false, {1, 5, 5, 5, 5, 4}, -1},
        {"second intro: the mission is done", LOCATION_SPACE_INTRO_2, false, {2, 5, 5, 5, 6}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        g_LocationDirector.locationId = c.location;
        g_LocationDirector.locationStarted = c.location == LOCATION_SPACE_INTRO_2;
        g_DialogBox.Reset();
        g_GameInterface.shown = 1;
        if (c.mercenaryShipOut) {
            g_WorldIndex = 1;
            CObjectList::Add(MakeUnit(GCLASS_SPACE_SHIP, 20301, Vec3(0, 0, 500)));
            g_WorldIndex = 0;
        }
        CRadioDialog& d = op->radioDialog;
        struct L { int type, oneShot; std::vector<int> replies; };
        const L lines[] = {
            {TEXTLINE_QUESTION, 1, {1, 2}}, {TEXTLINE_ANSWER, 0, {3}}, {TEXTLINE_END_DIALOG_NORMAL, 0, {0}},
            {TEXTLINE_QUESTION, 0, {4, 5, 6}}, {TEXTLINE_END_DIALOG_OUTDOCKING, 0, {0}},
            {TEXTLINE_END_DIALOG_NORMAL, 0, {0}}, {TEXTLINE_END_DIALOG_MISSION_COMPLETE, 0, {0}},
            {TEXTLINE_QUESTION, 0, {8, 9}}, {TEXTLINE_END_DIALOG_MISSION_COMPLETE, 0, {0}},
            {TEXTLINE_END_DIALOG_NORMAL, 0, {0}},
        };
        d.lineCount = 10;
        for (int i = 0; i < 10; ++i) {
            d.lines[i] = CRadioDialogLine{};
            std::strcpy(d.lines[i].text, "line");
            d.lines[i].type = lines[i].type;
            d.lines[i].oneShot = lines[i].oneShot;
            for (int r : lines[i].replies) d.lines[i].replies[d.lines[i].replyCount++] = r;
        }
        if (c.location == LOCATION_SPACE_INTRO_2) op->kind = GTYPE_NPC_BASEKEEPER;

        size_t next = 0;
        const bool done = RunUntil([&] {
            if (op->scriptStep == c.wantStep && next == c.clicks.size() && !g_CommMode) return true;
            if (g_CommMode && g_DialogBox.speaker == op && g_DialogBox.pending == 0 && next < c.clicks.size()) {
                // Point at the reply's row and click it.
                for (int i = 0; i < kDialogHistoryLines; ++i) {
                    const DialogHistoryLine& h = g_DialogBox.history[i];
                    if (h.line != c.clicks[next] || h.type == TEXTLINE_QUESTION) continue;
                    g_MouseX = 300.0f;
                    g_MouseY = g_DialogBox.DrawnTop() + 10.0f + 20.0f * float(i) + 5.0f;
                    g_GameInterface.OnDialogClick();
                    ++next;
                    break;
                }
            } else if (!g_CommMode && g_PlanetClicksEnabled && next < c.clicks.size() && hero->orderType == 0 &&
                       (op->scriptStep == 5 || op->scriptStep == 11)) {
                hero->SetOrder(ACTION_FOLLOW, op, nullptr, 0);  // the player clicks the operator
            }
            if (g_GameInterface.shown) g_DialogBox.Draw();
            return false;
        });
        EXPECT_TRUE(done) << "step " << op->scriptStep << ", clicks made " << next;
    }
    g_DialogBox.font.count = 0;
}

TEST_F(InteriorScenes, HeroWalksToTheDeskAndBack)
{
    ASSERT_TRUE(RunUntil([&] { return op->scriptStep == 5; }));
    hero->scriptStep = 100;  // a click on the desk terminal
    ASSERT_TRUE(RunUntil([&] { return hero->scriptStep == 102; }));
    EXPECT_NEAR(hero->position.x, 23.3f, 1.0f);
    EXPECT_EQ(g_PlanetClicksEnabled, 0);
    ASSERT_TRUE(RunUntil([&] { return hero->scriptStep == -1; }));
    EXPECT_NEAR(hero->position.x, 30.0f, 0.5f);
    EXPECT_EQ(g_PlanetClicksEnabled, 1);
    EXPECT_EQ(g_GameInterface.shown, 1);
}

}  // namespace
