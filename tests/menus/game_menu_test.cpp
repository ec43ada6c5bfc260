// The game menu's logic without drawing: the buttons' latched presses, the dialogs'
// answers, the page-change lock, the leave question of a mission, the restart after a
// defeat and the results page's rows and guard.
#include <gtest/gtest.h>

#include "app/settings.h"
#include "app/winmain.h"
#include "app/wndproc.h"
#include "locations/location_director.h"
#include "locations/pilot_profile.h"
#include "menus/end_game.h"
#include "menus/game_menu.h"
#include "menus/start_logo.h"
#include "render/d3d_render.h"
#include "world/game_clock.h"
#include "world/world.h"

namespace {

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings_ = g_Settings;
        g_Settings.debugOut = 0;
        g_ScreenScaleX = g_ScreenScaleY = 1.0f;
        g_GameClock.Reset();
        g_GameMenuActive = 1;
        g_MenuPage = MENU_PAGE_MAIN;
        g_MenuClosingPage = -1;
        g_MenuDialogOpen = g_MenuDialogClosing = 0;
        g_MenuDialogType = -1;
        g_MenuDialogAnswer = 0;
        g_GameMode = 1;
        g_LocationFinished = 0;
        g_AppActive = 1;
        g_KeyEsc = 0;
        g_LocationDirector.missionOver = 0;
        // "Да" and "Нет" as a dialog places them, 60 units wide.
        Place(&g_MenuYesButton, 420, 350);
        Place(&g_MenuNoButton, 500, 350);
    }
    void TearDown() override
    {
        g_Settings = settings_;
        g_GameMenuActive = 0;
        g_MenuDialogOpen = 0;
        g_GameClock.Reset();
    }
    static void Place(CButton* b, float x, float y)
    {
        b->left = x, b->top = y, b->right = x + 60, b->bottom = y + 20;
        b->enabled = 1;
        b->pressed = 0;
        b->pressTime = 0;
    }
    // A mouse press on the button's middle.
    static int Press(CButton* b)
    {
        g_MouseX = (b->left + b->right) / 2;
        g_MouseY = (b->top + b->bottom) / 2;
        return b->OnMouseDown();
    }
    static void AdvanceReal(double ms) { g_GameClock.realTime += ms; }
    static void AdvanceGame(double ms) { g_GameClock.gameTime += ms; }
    GameSettings settings_;
};

TEST_F(MenuTest, PressIsLatchedAndReportedOnceAfterATenthOfASecond)
{
    CMenuButton b;
    struct Case {
        const char* what;
        int enabled;
        float mouseX;
        int taken;
    } cases[] = {
        {"enabled, under the pointer", 1, 130, 1},
        {"disabled", 0, 130, 0},
        {"outside", 1, 300, 0},
    };
    for (const Case& c : cases) {
        Place(&b, 100, 100);
        b.enabled = c.enabled;
        g_MouseX = c.mouseX, g_MouseY = 110;
        EXPECT_EQ(b.OnMouseDown(), c.taken) << c.what;
        EXPECT_EQ(b.IsPressed(), c.taken) << c.what;
        AdvanceReal(50);
        EXPECT_EQ(b.WasClicked(), 0) << c.what << ": within 0.1 s";
        AdvanceReal(60);
        EXPECT_EQ(b.WasClicked(), c.taken) << c.what;
        EXPECT_EQ(b.WasClicked(), 0) << c.what << ": reported once";
    }
    // A selection mark is drawn pressed but never reported.
    b.SetPressed(1);
    AdvanceReal(1000);
    EXPECT_EQ(b.WasClicked(), 0);
    EXPECT_EQ(b.IsPressed(), 1);
}

TEST_F(MenuTest, CentredCaptionKeepsItsCentreAndMainRingIsTheHitArea)
{
    CMainMenuButton ring;
    ring.enabled = 1;
    ring.left = 110, ring.top = 170, ring.right = 300, ring.bottom = 190;
    ring.idleRing.centreX = 87, ring.idleRing.centreY = 197, ring.idleRing.halfWidth = 54, ring.idleRing.halfHeight = 54;
    g_MouseX = 200, g_MouseY = 180;   // on the caption, off the ring
    EXPECT_EQ(ring.OnMouseDown(), 0);
    g_MouseX = 60, g_MouseY = 230;
    EXPECT_EQ(ring.OnMouseDown(), 1);
    // Each ring turns at its own rate.
    CMainMenuButton other = ring;
    other.top = 435;
    EXPECT_NE(ring.SpinAngle(60000), other.SpinAngle(60000));
    // After 45 days of uptime a frame of 16 ms still turns the ring by its small step.
    const std::uint32_t days45 = 45u * 86400000u;
    const float step = ring.SpinAngle(days45 + 16) - ring.SpinAngle(days45);
    const float expected = float(16.0 * (1.0 + 170.0 / 500.0) / 1200.0);
    EXPECT_NEAR(step, expected, 1e-4f);
    EXPECT_GE(ring.SpinAngle(days45), 0.0f);
    EXPECT_LT(ring.SpinAngle(days45), 6.2832f);
}

TEST_F(MenuTest, DialogAnswersByType)
{
    struct Case {
        int type;
        bool yes;
        int answer;
        int timeZero;   // the dialog vanishes at once
    } cases[] = {
        {MENU_DIALOG_NEW_CAMPAIGN, true, 1, 0},  {MENU_DIALOG_NEW_CAMPAIGN, false, 0, 0},
        {MENU_DIALOG_LEAVE_MISSION, true, 1, 1}, {MENU_DIALOG_LEAVE_MISSION, false, 0, 1},
        {MENU_DIALOG_EXIT_GAME, true, 1, 0},     {MENU_DIALOG_EXIT_GAME, false, 0, 0},
        {MENU_DIALOG_DESTROYED, true, 1, 1},     {MENU_DIALOG_DESTROYED, false, 0, 1},
    };
    for (const Case& c : cases) {
        g_MenuDialogClosing = 0;
        g_MenuDialogAnswer = -1;
        CGameMenu::OpenDialog(c.type);
        g_MouseX = g_MouseY = 0;
        EXPECT_EQ(CGameMenu::OnClick(), 0) << "a press off both buttons";
        Press(c.yes ? &g_MenuYesButton : &g_MenuNoButton);
        AdvanceReal(150);
        CGameMenu::UpdateDialog();
        EXPECT_EQ(g_MenuDialogAnswer, c.answer) << c.type;
        EXPECT_EQ(g_MenuDialogClosing, 1) << c.type;
        EXPECT_EQ(g_MenuDialogTime == 0, c.timeZero == 1) << c.type;
    }
    // Esc answers the leave question with "Нет".
    g_MenuDialogClosing = 0;
    CGameMenu::OpenDialog(MENU_DIALOG_LEAVE_MISSION);
    g_KeyEsc = 1;
    CGameMenu::UpdateDialog();
    EXPECT_EQ(g_MenuDialogAnswer, 0);
    EXPECT_EQ(g_KeyEsc, 0);
    // Types 3 and 5 close at the next frame; the others take half a second.
    CGameMenu::DialogAnimation();
    EXPECT_EQ(g_MenuDialogOpen, 0);
}

TEST_F(MenuTest, PressLatchedOnOneDialogDoesNotAnswerTheNext)
{
    CGameMenu::OpenDialog(MENU_DIALOG_EXIT_GAME);
    Press(&g_MenuYesButton);
    // Before the press is reported, another question opens.
    CGameMenu::OpenDialog(MENU_DIALOG_DELETE_PILOT);
    AdvanceReal(200);
    g_MenuDialogAnswer = -1;
    CGameMenu::UpdateDialog();
    EXPECT_EQ(g_MenuDialogClosing, 0);
    EXPECT_EQ(g_MenuDialogAnswer, -1);
}

TEST_F(MenuTest, MainButtonsIgnorePressesDuringAPageChange)
{
    CMainMenuButton& ring = g_MainMenuButtons[0];
    ring.enabled = 1;
    ring.idleRing.centreX = 87, ring.idleRing.centreY = 197, ring.idleRing.halfWidth = 54, ring.idleRing.halfHeight = 54;
    g_MouseX = 87, g_MouseY = 197;
    g_MenuPage = MENU_PAGE_PILOTS;
    CGameMenu::SetPage(MENU_PAGE_MAIN);
    EXPECT_EQ(g_MenuClosingPage, MENU_PAGE_PILOTS);
    AdvanceGame(500);
    CGameMenu::UpdateLogic();
    EXPECT_EQ(CGameMenu::OnClick(), 0);
    AdvanceGame(600);
    CGameMenu::UpdateLogic();
    EXPECT_EQ(g_MenuClosingPage, -1);
    EXPECT_EQ(CGameMenu::OnClick(), 1);
    ring.SetPressed(0);
}

TEST_F(MenuTest, EscInAMissionPausesAndNoResumes)
{
    g_Settings.useGameMenu = 1;
    g_GameMenuActive = 0;
    g_LocationDirector.locationId = 3;
    g_LocationKind = 1;
    for (int mode : {1, 2}) {
        g_GameMode = mode;
        g_AppActive = 1;
        g_GameClock.Reset();
        g_KeyEsc = 1;
        HandleFrameEsc();
        ASSERT_EQ(g_GameMenuActive, 1);
        EXPECT_EQ(g_MenuPage, MENU_PAGE_IN_GAME);
        EXPECT_EQ(g_MenuDialogType, MENU_DIALOG_LEAVE_MISSION);
        // A network game never stops.
        EXPECT_EQ(g_GameClock.IsPaused(), mode != 2) << mode;
        EXPECT_EQ(g_AppActive, mode == 2 ? 1 : 0) << mode;

        Press(&g_MenuNoButton);
        AdvanceReal(150);
        CGameMenu::UpdateLogic();   // the answer
        CGameMenu::UpdateLogic();   // the dialog is gone: back to the mission
        EXPECT_EQ(g_GameMenuActive, 0) << mode;
        EXPECT_FALSE(g_GameClock.IsPaused()) << mode;
        EXPECT_EQ(g_AppActive, 1) << mode;
        EXPECT_EQ(g_LocationFinished, 0) << mode;
        EXPECT_EQ(g_MenuPage, MENU_PAGE_START) << mode;
    }
}

TEST_F(MenuTest, RestartAfterADefeatReloadsTheSameLocation)
{
    struct Case {
        int mode, id, newId, kind;
    } cases[] = {
        {1, LOCATION_SECTOR_FIRST, LOCATION_SPACE_INTRO_2, 1},
        {1, 7, 6, 1},
        {1, LOCATION_SPACE_INTRO_1, LOCATION_PLANET_INTRO_1, 0},
        {1, LOCATION_SPACE_INTRO_2, LOCATION_PLANET_INTRO_2, 0},
        {0, 23, 23, 1},
        {2, 42, 42, 1},
    };
    for (const Case& c : cases) {
        g_GameMode = c.mode;
        g_LocationDirector.locationId = c.id;
        g_GameMenuActive = 1;
        g_MenuPage = MENU_PAGE_RESTART;
        CGameMenu::UpdateLogic();
        EXPECT_EQ(g_LocationDirector.locationId, c.newId) << c.id;
        EXPECT_EQ(g_LocationKind, c.kind) << c.id;
        EXPECT_EQ(g_WorldIndex, c.kind) << c.id;
        EXPECT_EQ(g_GameMenuActive, 0) << c.id;
        EXPECT_EQ(g_MenuPage, MENU_PAGE_START) << c.id;
    }
}

TEST_F(MenuTest, DefeatAsksAndYesRestarts)
{
    g_GameMode = 1;
    EndGame(0);
    EXPECT_EQ(g_MenuPage, MENU_PAGE_DESTROYED);
    EXPECT_EQ(g_LocationDirector.missionOver, 1);
    ASSERT_EQ(g_MenuDialogOpen, 1);
    Press(&g_MenuYesButton);
    AdvanceReal(150);
    CGameMenu::UpdateLogic();
    CGameMenu::UpdateLogic();
    EXPECT_EQ(g_MenuPage, MENU_PAGE_RESTART);
    EXPECT_EQ(g_LocationFinished, 1);
    EXPECT_EQ(g_GameMenuActive, 0);
    EXPECT_EQ(g_MissionResult, -1);
}

TEST_F(MenuTest, ResultsRowsAppearOneByOneAndContinueWaitsThreeSeconds)
{
    struct Case {
        float seconds;
        int rows;
    } cases[] = {{0.0f, 0}, {1.5f, 0}, {2.1f, 6}, {2.9f, 10}, {3.5f, 10}};
    for (const Case& c : cases) EXPECT_EQ(VisibleResultRows(c.seconds, 10), c.rows) << c.seconds;
    EXPECT_EQ(VisibleResultRows(4.0f, 40), kMissionResultRows);

    MissionResultRow rows[2] = {};
    rows[0].statistics.missionOreDelivered = 2.5f, rows[0].statistics.missionKills = 1;
    rows[0].statistics.missionKillScore = 10.0f, rows[0].statistics.oreDelivered = 99.0f;
    rows[1].statistics.missionOreDelivered = 1.0f, rows[1].statistics.missionKills = 3;
    rows[1].statistics.missionKillScore = 5.0f, rows[1].statistics.kills = 50;
    float ore = 0, score = 0;
    int kills = 0;
    SumMissionResults(rows, 2, &ore, &kills, &score);
    EXPECT_FLOAT_EQ(ore, 3.5f);
    EXPECT_EQ(kills, 4);
    EXPECT_FLOAT_EQ(score, 15.0f);

    g_GameMode = 0;
    g_LocationDirector.locationId = 22;
    EndGame(1);
    ASSERT_EQ(g_MenuPage, MENU_PAGE_RESULTS);
    // The totals were taken when the mission ended; drawing the page leaves them alone.
    g_LocationDirector.sessionOre = 7.0f;
    AdvanceGame(4000);
    CGameMenu::DrawResults();
    EXPECT_FLOAT_EQ(g_LocationDirector.sessionOre, 7.0f);
    AdvanceGame(-4000);
    Place(&g_ResultsContinueButton, 650, 465);
    // Too early: the click is used up.
    AdvanceGame(1000);
    Press(&g_ResultsContinueButton);
    AdvanceReal(150);
    CGameMenu::UpdateLogic();
    EXPECT_EQ(g_ResultsContinue, 0);
    EXPECT_EQ(g_ResultsContinueButton.IsPressed(), 0);
    // After three seconds the page closes over the next three and the mission ends.
    AdvanceGame(2500);
    Press(&g_ResultsContinueButton);
    AdvanceReal(150);
    CGameMenu::UpdateLogic();
    EXPECT_EQ(g_ResultsContinue, 1);
    AdvanceGame(3100);
    CGameMenu::UpdateLogic();
    EXPECT_EQ(g_GameMenuActive, 0);
    EXPECT_EQ(g_LocationFinished, 1);
}

TEST_F(MenuTest, LoadingGlowRunsAlongTheBar)
{
    struct Case {
        int percent;
        float x, radius;
    } cases[] = {{0, 460.0f, 2.0f}, {50, 630.0f, 19.0f}, {100, 800.0f, 2.0f}};
    for (const Case& c : cases) {
        float x = 0, r = 0;
        LoadingGlow(c.percent, &x, &r);
        EXPECT_NEAR(x, c.x, 0.01f) << c.percent;
        EXPECT_NEAR(r, c.radius, 0.01f) << c.percent;
    }
}

TEST_F(MenuTest, WithoutTheMenuTheDemoPilotHasItsOwnSlot)
{
    g_Settings.useGameMenu = 0;
    g_PilotSlot = -1;
    g_MenuPage = MENU_PAGE_START;
    CGameMenu::UpdateLogic();
    EXPECT_EQ(g_PilotSlot, kDemoPilotSlot);
    EXPECT_EQ(g_GameMenuActive, 0);
    char path[256];
    ASSERT_TRUE(PilotConfigPath(path, sizeof(path), g_PilotSlot));
    EXPECT_NE(std::string(path).find("/10/Player.cfg"), std::string::npos) << path;
    g_PilotSlot = -1;
}

} // namespace

namespace {

TEST_F(MenuTest, StartLogoEndsWhenTheWindowCloses)
{
    g_QuitRequested = 1;
    g_Settings.startLogo = 1;
    ShowStartLogo();
    EXPECT_EQ(g_Settings.startLogo, 0);
    g_QuitRequested = 0;
}

} // namespace
