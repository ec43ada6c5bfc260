// Start-up, shut-down and the restart on the same window, driven with the null
// device, the null sound driver and SDL's dummy video driver: no display needed.
#include "dataset_util.h"
#include "app/settings.h"
#include "app/winmain.h"
#include "app/wndproc.h"
#include "audio/audio_manager.h"
#include "flight_ui/cursor.h"
#include "locations/location_director.h"
#include "menus/game_menu.h"
#include "render/d3d_render.h"
#include "world/game_clock.h"
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class WinMainTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        old_ = fs::current_path();
        char tmpl[] = "/tmp/korvane-winmain-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        fs::current_path(dir_);
        // Failure boxes (no data here) print rather than wait for a click.
        testutil::UseHeadlessGame(dir_);
        // No data: the first location cannot load, and without the game menu the
        // location loop ends at once.
        std::ofstream("Game.ini") << "[Misc]\nStart logo=0\nUse game menu=0\nDebug out=1\n";
        std::ofstream("debug.txt") << "a line of the last run\n";
        g_QuitRequested = g_LocationFinished = g_RestartRequested = 0;
    }
    void TearDown() override
    {
        if (g_MainWindow) {
            DestroyWindow(g_MainWindow);
            g_MainWindow = nullptr;
        }
        g_QuitRequested = g_LocationFinished = g_RestartRequested = 0;
        fs::current_path(old_);
        fs::remove_all(dir_);
    }

    static std::vector<std::string> LogLines()
    {
        std::ifstream in("debug.txt");
        std::vector<std::string> lines;
        std::string l;
        while (std::getline(in, l))
            lines.push_back(l);
        return lines;
    }
    static long Count(const std::vector<std::string>& lines, const std::string& text)
    {
        return std::count(lines.begin(), lines.end(), text);
    }

    fs::path old_, dir_;
};

} // namespace

TEST_F(WinMainTest, RestartMovesTheSameWindowAndKeepsTheLog)
{
    ASSERT_TRUE(StartUp(false));
    WindowHandle first = g_MainWindow;
    ASSERT_NE(first, nullptr);
    // The first start empties the log once.
    EXPECT_EQ(Count(LogLines(), "a line of the last run"), 0);
    // The class exists under the title: a second registration is refused.
    EXPECT_FALSE(RegisterClass(g_WindowTitles[g_Settings.language], WndProc));

    ShutDown();
    DebugOut("between the runs");
    // Something else than the mode's size, so the move shows.
    MoveWindow(first, 0, 0, 320, 200, false);
    g_RestartRequested = 1;

    ASSERT_TRUE(StartUp(true));
    EXPECT_EQ(g_MainWindow, first);
    EXPECT_EQ(g_RestartRequested, 0);
    int w = 0, h = 0, modeW = 0, modeH = 0;
    GetClientSize(g_MainWindow, &w, &h);
    g_D3DRender.GetModeSize(g_Settings.videoMode, &modeW, &modeH);
    EXPECT_EQ(w, modeW);
    EXPECT_EQ(h, modeH);
    // Not emptied on a restart.
    std::vector<std::string> lines = LogLines();
    EXPECT_EQ(Count(lines, "between the runs"), 1);
    EXPECT_EQ(Count(lines, "CD3DRender::FreeD3DRender() done!"), 1);
    ShutDown();
}

TEST_F(WinMainTest, WinMainRestartsOnceAndEndsWithTheWindowClosed)
{
    // Set before the first run as the settings page would set it during one.
    g_RestartRequested = 1;
    EXPECT_EQ(WinMain(), 0);
    EXPECT_EQ(g_RestartRequested, 0);
    EXPECT_EQ(g_MainWindow, nullptr);
    std::vector<std::string> lines = LogLines();
    EXPECT_EQ(Count(lines, "a line of the last run"), 0);
    // Two full runs in one log: start-up and shut-down twice.
    EXPECT_EQ(Count(lines, "CFileManager::Release() done!"), 2);
    EXPECT_EQ(Count(lines, "CD3DRender::FreeD3DRender() done!"), 2);
    // Shut-down wrote the settings back.
    std::ifstream ini("Game.ini");
    std::stringstream ss;
    ss << ini.rdbuf();
    EXPECT_NE(ss.str().find("Music volume=100"), std::string::npos) << ss.str();
}

namespace {
// The frame loop's Esc step in a running mission with Esc pressed.
void EscInOneFrame(int locationId, int gameMode)
{
    // The window's own start-up notices (focus and the like) first.
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessage(&msg);
    g_AudioManager.ResumeAll();
    ASSERT_EQ(g_AudioManager.paused, 0);
    g_LocationDirector.locationId = locationId;
    g_GameMode = gameMode;
    g_GameMenuActive = 0;
    g_MenuPage = 0;
    g_MenuDialogOpen = 0;
    g_MenuDialogType = 0;
    g_PointerShown = 0;
    g_AppActive = 1;
    g_HasFocus = 1;
    g_LocationFinished = 0;
    g_GameClock.Resume();
    g_KeyEsc = 1;
    HandleFrameEsc();
}
} // namespace

TEST_F(WinMainTest, EscWithTheGameMenuPausesSoundsAndClockAndAsksToLeave)
{
    std::ofstream("Game.ini") << "[Misc]\nStart logo=0\nUse game menu=1\nDebug out=1\n";
    ASSERT_TRUE(StartUp(false));
    ASSERT_EQ(g_Settings.useGameMenu, 1);
    ASSERT_EQ(g_Settings.audio, 1);

    EscInOneFrame(5, 1);
    EXPECT_EQ(g_KeyEsc, 0);
    EXPECT_EQ(g_AudioManager.paused, 1);
    EXPECT_EQ(g_AppActive, 0);
    EXPECT_TRUE(g_GameClock.IsPaused());
    EXPECT_EQ(g_GameMenuActive, 1);
    EXPECT_EQ(g_MenuPage, 11);
    EXPECT_EQ(g_MenuClosingPage, -1);
    EXPECT_EQ(g_MenuDialogOpen, 1);
    EXPECT_EQ(g_MenuDialogType, 3);
    EXPECT_EQ(g_PointerShown, 1);

    // A network game opens the menu but runs on: no pause of sounds or clock.
    g_AudioManager.ResumeAll();
    EscInOneFrame(41, 2);
    EXPECT_EQ(g_AudioManager.paused, 0);
    EXPECT_EQ(g_AppActive, 1);
    EXPECT_FALSE(g_GameClock.IsPaused());
    EXPECT_EQ(g_GameMenuActive, 1);
    EXPECT_EQ(g_MenuDialogType, 3);
    g_QuitRequested = 0;

    // Menu scene and intros: Esc is left alone.
    EscInOneFrame(100, 1);
    EXPECT_EQ(g_KeyEsc, 1);
    EXPECT_EQ(g_GameMenuActive, 0);
    EXPECT_EQ(g_AppActive, 1);
    g_KeyEsc = 0;
    g_QuitRequested = 0;
    ShutDown();
}

TEST_F(WinMainTest, EscWithoutTheGameMenuFinishesTheLocation)
{
    ASSERT_TRUE(StartUp(false));
    EscInOneFrame(5, 1);
    EXPECT_EQ(g_KeyEsc, 0);
    EXPECT_EQ(g_LocationFinished, 1);
    EXPECT_EQ(g_GameMenuActive, 0);
    EXPECT_EQ(g_AppActive, 1);
    EXPECT_EQ(Count(LogLines(), "Esc: location 5 finished"), 1);
    g_QuitRequested = 0;
    ShutDown();
}

// An archive refused while the files load at start-up leaves its reason in the emptied log.
TEST_F(WinMainTest, ArchiveRefusalsSurviveTheLogReset)
{
    std::ofstream("Game.ini") << "[Misc]\nStart logo=0\nUse game menu=0\nDebug out=1\nUse file manager=1\n";
    fs::create_directory("Data");
    std::ofstream("Data/Objects.hdr") << "ab";
    std::ofstream("Data/Objects.pak") << "xx";
    ASSERT_TRUE(StartUp(false));
    const std::vector<std::string> lines = LogLines();
    EXPECT_EQ(Count(lines, "CFileManager: archive Data/Objects.hdr refused: index shorter than its entry count"), 1);
    EXPECT_EQ(Count(lines, "a line of the last run"), 0);
    ShutDown();
}
