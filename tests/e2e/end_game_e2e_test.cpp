// The end of a mission on the gl device under Xvfb, in the game's own process: a space
// world with the player's ship, then EndGame. A victory opens the results page over the
// running scene; "Продолжить" before three seconds is used up, after them the page
// closes and the location is finished. A defeat asks "Вы уничтожены!"; "Нет" finishes
// the location and takes the menu back to its start page. Clicks are replayed through
// the real window procedure.
#include "harness.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/settings.h"
#include "app/winmain.h"
#include "app/wndproc.h"
#include "files/language.h"
#include "locations/location_director.h"
#include "menus/end_game.h"
#include "menus/game_menu.h"
#include "platform/win/test_switches.h"
#include "platform/win/timer.h"
#include "platform/win/window.h"
#include "render/d3d_render.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/object_codes.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {

CUnit* Spawn(const char* path, const Vec3& at)
{
    CUnit* u = new CUnit();
    if (!u->Load(path, -1)) {
        u->Release();
        delete u;
        return nullptr;
    }
    u->position = at;
    u->UpdateParts();
    return CObjectList::Add(u) ? u : nullptr;
}

// Menu frames at about 50 a second until the menu hands over (or the frames run out).
void RunMenu(unsigned untilFrame)
{
    unsigned last = PlatformFrameCount();
    for (int pass = 0; pass < 40000 && g_GameMenuActive && last < untilFrame; ++pass) {
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) break;
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
        CGameMenu::Update();
        const unsigned presented = PlatformFrameCount();
        if (presented == last) {
            usleep(1000);
            continue;
        }
        last = presented;
        const uint32_t started = timeGetTime();
        while (timeGetTime() - started < 20) usleep(1000);
    }
}

// Share of pixels brighter than the threshold in any channel (the window is 800 x 600).
double LitShare(const Image& im, int x0, int y0, int x1, int y1)
{
    unsigned n = 0, lit = 0;
    for (int y = y0; y < y1 && y < im.height; ++y)
        for (int x = x0; x < x1 && x < im.width; ++x, ++n) {
            const std::uint8_t* p = im.Pixel(x, y);
            if (std::max({p[0], p[1], p[2]}) > 150) ++lit;
        }
    return n ? double(lit) / n : 0.0;
}

} // namespace

TEST(EndGameE2E, VictoryShowsTheResultsAndDefeatAsksToStartAgain)
{
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display (run under xvfb-run)";
    const std::string gameDir = KORVANE_GAME_DIR;
    if (access((gameDir + "/Data/Misc/GameMenu/Main/MainLayer_RUS.dds").c_str(), R_OK) != 0)
        GTEST_SKIP() << "the data set is not built";
    UseOwnDisplay();

    char shots[] = "/tmp/korvane-endgameshots-XXXXXX";
    ASSERT_NE(mkdtemp(shots), nullptr);
    const std::string shotDir = shots;
    // The results page fully open; the destroyed question.
    setenv("KORVANE_SCREENSHOT", shots, 1);
    setenv("KORVANE_SHOT_FRAMES", "180,560", 1);
    char oldDir[4096];
    ASSERT_NE(getcwd(oldDir, sizeof oldDir), nullptr);
    const GameSettings savedSettings = g_Settings;
    ASSERT_EQ(chdir(gameDir.c_str()), 0);
    g_Settings.useFileManager = 0;
    g_Settings.bmpToJpg = 1;
    g_Settings.audio = 0;
    g_Settings.language = 0;
    g_Settings.debugOut = 0;
    LoadLanguageData();

    ASSERT_TRUE(RegisterClass("KorvaneEndGameE2E", WndProc));
    WindowHandle window = CreateWindow("KorvaneEndGameE2E", "end game", 0, 0, 800, 600);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(g_D3DRender.InitD3D(1), 0);
    // The display mode of the window's size.
    for (int i = 0; i < g_D3DRender.modeCount; ++i)
        if (g_D3DRender.modes[i].Width == 800 && g_D3DRender.modes[i].Height == 600) g_Settings.videoMode = i;
    ASSERT_EQ(g_D3DRender.CreateDevice(window, 1), 0);
    int width = 0, height = 0;
    GetClientSize(window, &width, &height);
    ASSERT_EQ(width, 800);
    const std::string input = shotDir + "/input.txt";
    {
        std::ofstream in(input);
        // "Продолжить" (right edge 730, top 465): too early, then after three seconds.
        in << "30 lbutton_down 700 475\n32 lbutton_up 700 475\n";
        in << "220 lbutton_down 700 475\n222 lbutton_up 700 475\n";
        // "Нет" of the destroyed question (left edge 410, top 135).
        in << "600 lbutton_down 425 145\n602 lbutton_up 425 145\n";
    }
    setenv("KORVANE_INPUT", input.c_str(), 1);
    TestSwitchesReset();

    g_World.Init();
    CGameMenu::Load();
    g_GameMenuActive = 0;
    g_WorldIndex = 1;
    g_LocationKind = 1;
    g_AppActive = 1;
    g_HasFocus = 1;
    g_LocationFinished = 0;
    g_World.ambient[1] = 0xFFB0B0B0u;
    g_World.cameras[1].Init(Vec3(0, 40, -300), Vec3(0, 0, 0), 800.0f / 600.0f, 1.0f, 20000.0f);
    CUnit* sky = Spawn("Data/Space/Sky/Sky 01/Main.obj", Vec3());
    CUnit* ship = Spawn("Data/Space/Ship/Pegas.M1/Main_H.obj", Vec3(0, 0, 0));
    ASSERT_TRUE(sky && ship);
    g_PlayerObject = ship;
    // The hero's ship with a mission's kills: its row is the results page's only one.
    ship->kind = GTYPE_SP_HEROSHIP;
    std::snprintf(ship->pilot.pilotName, sizeof(ship->pilot.pilotName), "%s", "Tester");
    ship->statistics.kills = 7;
    ship->statistics.missionKills = 3;

    // A single mission won.
    g_GameMode = 0;
    g_LocationDirector.locationId = 22;
    EndGame(1);
    EXPECT_EQ(g_MenuPage, MENU_PAGE_RESULTS);
    ASSERT_EQ(g_MissionResultCount, 1);
    EXPECT_EQ(g_MissionResults[0].ship, ship);
    EXPECT_EQ(g_MissionResults[0].statistics.missionKills, 3);
    EXPECT_EQ(g_LocationDirector.missionOver, 1);
    RunMenu(500);
    EXPECT_EQ(g_GameMenuActive, 0);
    EXPECT_EQ(g_LocationFinished, 1);
    EXPECT_EQ(g_MenuPage, MENU_PAGE_START);
    const unsigned afterVictory = PlatformFrameCount();
    EXPECT_GT(afterVictory, 222u) << "the early click closed the page";

    // A campaign sector lost (in a fresh location: the results' fade to black is over).
    g_LocationFinished = 0;
    g_World.cameras[1].fadeStart = 0;
    g_GameMode = 1;
    g_LocationDirector.locationId = 5;
    EndGame(0);
    EXPECT_EQ(g_MenuPage, MENU_PAGE_DESTROYED);
    RunMenu(900);
    EXPECT_EQ(g_GameMenuActive, 0);
    EXPECT_EQ(g_LocationFinished, 1);
    EXPECT_EQ(g_MenuPage, MENU_PAGE_START);
    EXPECT_EQ(g_MissionResult, -1);

    CGameMenu::Release();
    g_PlayerObject = nullptr;
    g_World.Release();
    g_D3DRender.FreeD3DRender();
    DestroyWindow(window);
    unsetenv("KORVANE_INPUT");
    unsetenv("KORVANE_SCREENSHOT");
    unsetenv("KORVANE_SHOT_FRAMES");
    TestSwitchesReset();
    g_Settings = savedSettings;
    g_AppActive = 0;
    g_GameMenuActive = 0;
    g_LocationFinished = 0;
    ASSERT_EQ(chdir(oldDir), 0);

    Image results, destroyed;
    ASSERT_TRUE(ReadPng(shotDir + "/frame_180.png", &results));
    ASSERT_TRUE(ReadPng(shotDir + "/frame_560.png", &destroyed));
    // "Итоговый результат" centred at the top of the results panel, the column headers below.
    EXPECT_GT(LitShare(results, 300, 110, 500, 132), 0.04);
    EXPECT_GT(LitShare(results, 60, 145, 760, 165), 0.02);
    // The hero's row: the name and "3 (7)" lit, the second row dark.
    EXPECT_GT(LitShare(results, 70, 175, 200, 190), 0.02);
    EXPECT_GT(LitShare(results, 430, 175, 500, 190), 0.02);
    EXPECT_LT(LitShare(results, 70, 193, 200, 206), 0.01);
    // "Вы уничтожены!" at the top of the question, "Да / Нет" below it.
    EXPECT_GT(LitShare(destroyed, 320, 60, 480, 82), 0.04);
    EXPECT_GT(LitShare(destroyed, 330, 135, 470, 157), 0.04);
    EXPECT_LT(LitShare(results, 320, 60, 480, 82), LitShare(destroyed, 320, 60, 480, 82));

    if (!::testing::Test::HasFailure() && !std::getenv("KORVANE_KEEP_RUNS")) std::system(("rm -rf '" + shotDir + "'").c_str());
    else std::printf("screenshots kept in %s\n", shots);
}
