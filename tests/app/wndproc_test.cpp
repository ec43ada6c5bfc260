#include "app/settings.h"
#include "app/winmain.h"
#include "app/wndproc.h"
#include "flight_ui/cockpit.h"
#include "locations/location_director.h"
#include "menus/game_menu.h"
#include "net/network.h"
#include "render/d3d_render.h"
#include "world/game_clock.h"
#include "world/world.h"
#include <climits>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace {
class WndProcTest : public ::testing::Test {
protected:
    void SetUp() override { ResetAll(); }
    void TearDown() override { ResetAll(); }

    static void ResetAll()
    {
        g_Settings = GameSettings();
        g_AppActive = 1;
        g_HasFocus = 1;
        g_QuitRequested = g_LocationFinished = 0;
        g_TextInputState = 0;
        g_TextInputChar = 0;
        g_WorldIndex = 1;
        g_LocationKind = 1;
        g_GameMode = 1;
        g_GameMenuActive = 0;
        g_LocationDirector.locationId = 5;
        g_PlayerObject = nullptr;
        g_DebugView = 0;
        g_KeyXToggle = 0;
        g_Cockpit.shown = 1;
        g_Cockpit.overlayShown = 1;
        g_ScreenScaleX = g_ScreenScaleY = 1.0f;
        g_GameClock.Reset();
        for (int* f : {&g_KeyEnter, &g_KeyShift, &g_KeyCtrl, &g_KeySpace, &g_KeyPageUp, &g_KeyPageDown, &g_KeyHome,
                       &g_KeyEnd, &g_KeyInsert, &g_KeyDelete, &g_KeyAdd, &g_KeySubtract, &g_KeyLeft, &g_KeyRight,
                       &g_KeyUp, &g_KeyDown, &g_KeyA, &g_KeyD, &g_KeyS, &g_KeyW, &g_KeyEsc, &g_MouseLeftDown,
                       &g_MouseRightDown})
            *f = 0;
        g_MouseX = g_MouseY = 0.0f;
        g_MouseWheelDelta = 0.0f;
    }
    static LRESULT Send(unsigned msg, WPARAM w = 0, LPARAM l = 0) { return WndProc(nullptr, msg, w, l); }
    static void Down(unsigned vk) { Send(WM_KEYDOWN, vk, 1); }
    static void Up(unsigned vk) { Send(WM_KEYUP, vk, LPARAM(0xC0000001u)); }
};
} // namespace

TEST_F(WndProcTest, HeldKeysFollowDownAndUpInEveryWorld)
{
    const struct {
        unsigned vk;
        int* flag;
    } keys[] = {
        {VK_RETURN, &g_KeyEnter}, {VK_SHIFT, &g_KeyShift}, {VK_CONTROL, &g_KeyCtrl}, {VK_SPACE, &g_KeySpace},
        {VK_PRIOR, &g_KeyPageUp}, {VK_NEXT, &g_KeyPageDown}, {VK_HOME, &g_KeyHome}, {VK_END, &g_KeyEnd},
        {VK_INSERT, &g_KeyInsert}, {VK_DELETE, &g_KeyDelete}, {VK_ADD, &g_KeyAdd}, {VK_SUBTRACT, &g_KeySubtract},
        {VK_LEFT, &g_KeyLeft}, {VK_RIGHT, &g_KeyRight}, {VK_UP, &g_KeyUp}, {VK_DOWN, &g_KeyDown},
        {VK_ESCAPE, &g_KeyEsc},
    };
    for (int world = 0; world < 2; ++world) {
        g_WorldIndex = world;
        for (const auto& k : keys) {
            Down(k.vk);
            EXPECT_EQ(*k.flag, 1) << "vk " << k.vk << " world " << world;
            Up(k.vk);
            EXPECT_EQ(*k.flag, 0) << "vk " << k.vk << " world " << world;
        }
    }
}

TEST_F(WndProcTest, LettersSteerByWorld)
{
    g_WorldIndex = 0;
    Down('A');
    Down('D');
    Down('W');
    Down('S');
    EXPECT_EQ(g_KeyLeft + g_KeyRight + g_KeyUp + g_KeyDown, 4);
    EXPECT_EQ(g_KeyA + g_KeyD + g_KeyW + g_KeyS, 0);
    Up('A');
    Up('D');
    Up('W');
    Up('S');
    EXPECT_EQ(g_KeyLeft + g_KeyRight + g_KeyUp + g_KeyDown, 0);

    g_WorldIndex = 1;
    Down('A');
    Down('D');
    Down('W');
    Down('S');
    EXPECT_EQ(g_KeyA + g_KeyD + g_KeyW + g_KeyS, 4);
    EXPECT_EQ(g_KeyLeft + g_KeyRight + g_KeyUp + g_KeyDown, 0);
    Up('A');
    Up('D');
    Up('W');
    Up('S');
    EXPECT_EQ(g_KeyA + g_KeyD + g_KeyW + g_KeyS, 0);

    // D with Ctrl is the debug switch, not a steering key.
    Down(VK_CONTROL);
    Down('D');
    EXPECT_EQ(g_KeyD, 0);
}

TEST_F(WndProcTest, DebugKeysNeedTheDebugSetting)
{
    Down(VK_CONTROL);
    Down('D');
    EXPECT_EQ(g_DebugView, 0);
    g_Settings.debugOut = 1;
    Down('D');
    EXPECT_EQ(g_DebugView, 1);
    Up(VK_CONTROL);
    // Debug view: U hides the cockpit, I its overlay.
    Down('U');
    EXPECT_EQ(g_Cockpit.shown, 0);
    Down('I');
    EXPECT_EQ(g_Cockpit.overlayShown, 0);
    Down(VK_CONTROL);
    Down('D');
    EXPECT_EQ(g_DebugView, 0);
    Up(VK_CONTROL);
    Down('U');
    EXPECT_EQ(g_Cockpit.shown, 0);
}

TEST_F(WndProcTest, SpaceToggles)
{
    Down('X');
    EXPECT_EQ(g_KeyXToggle, 1);
    Down('X');
    EXPECT_EQ(g_KeyXToggle, 0);
    Down(VK_CONTROL);
    Down(VK_SHIFT);
    Down('I');
    EXPECT_EQ(g_Settings.invertMouse, 1);
    Down('I');
    EXPECT_EQ(g_Settings.invertMouse, 0);
    // Not in the planet world.
    g_WorldIndex = 0;
    Down('I');
    Down('X');
    EXPECT_EQ(g_Settings.invertMouse, 0);
    EXPECT_EQ(g_KeyXToggle, 0);
}

TEST_F(WndProcTest, FocusLossPausesAndFocusGainResumes)
{
    Send(WM_ACTIVATE, WA_INACTIVE);
    EXPECT_EQ(g_AppActive, 0);
    EXPECT_EQ(g_HasFocus, 0);
    EXPECT_TRUE(g_GameClock.IsPaused());
    Send(WM_ACTIVATE, WA_ACTIVE);
    EXPECT_EQ(g_AppActive, 1);
    EXPECT_EQ(g_HasFocus, 1);
    EXPECT_FALSE(g_GameClock.IsPaused());
    Send(WM_KILLFOCUS);
    EXPECT_EQ(g_HasFocus, 0);
    EXPECT_TRUE(g_GameClock.IsPaused());
    Send(WM_SETFOCUS);
    EXPECT_EQ(g_AppActive, 1);
    EXPECT_FALSE(g_GameClock.IsPaused());
}

TEST_F(WndProcTest, NetworkGameGoesOnWithoutFocus)
{
    g_GameMode = 2;
    g_Network.initialised = 1;
    Send(WM_ACTIVATE, WA_INACTIVE);
    Send(WM_KILLFOCUS);
    g_Network.initialised = 0;
    EXPECT_EQ(g_AppActive, 1);
    EXPECT_EQ(g_HasFocus, 1);
    EXPECT_FALSE(g_GameClock.IsPaused());
    // Once the network is shut, the menu pauses as any other.
    Send(WM_KILLFOCUS);
    EXPECT_TRUE(g_GameClock.IsPaused());
}

TEST_F(WndProcTest, PauseKeyTogglesTheGame)
{
    g_GameClock.gameTime = 70000.0;
    Down(VK_PAUSE);
    EXPECT_EQ(g_AppActive, 0);
    EXPECT_TRUE(g_GameClock.IsPaused());
    g_GameClock.gameTime = 99999.0;
    Down(VK_PAUSE);
    EXPECT_EQ(g_AppActive, 1);
    EXPECT_FALSE(g_GameClock.IsPaused());
    // The paused span is not counted.
    EXPECT_EQ(g_GameClock.gameTime, 70000.0);

    // A network game keeps running; only the flag changes.
    g_GameMode = 2;
    Down(VK_PAUSE);
    EXPECT_EQ(g_AppActive, 0);
    EXPECT_FALSE(g_GameClock.IsPaused());
    Down(VK_PAUSE);
    EXPECT_EQ(g_AppActive, 1);

    // Nothing during location 201 or while the game menu runs.
    g_GameMode = 1;
    g_LocationDirector.locationId = 201;
    Down(VK_PAUSE);
    EXPECT_EQ(g_AppActive, 1);
    g_LocationDirector.locationId = 5;
    g_GameMenuActive = 1;
    Down(VK_PAUSE);
    EXPECT_EQ(g_AppActive, 1);
    EXPECT_FALSE(g_GameClock.IsPaused());
}

TEST_F(WndProcTest, CloseEndsTheLocationAndTheProgram)
{
    EXPECT_EQ(Send(WM_CLOSE), 0);
    EXPECT_EQ(g_QuitRequested, 1);
    EXPECT_EQ(g_LocationFinished, 1);
}

TEST_F(WndProcTest, DockedSpaceWorldPassesInputButStillSeesCloseAndFocus)
{
    g_WorldIndex = 1;
    g_LocationKind = 2;
    Down(VK_RETURN);
    Down('X');
    EXPECT_EQ(g_KeyEnter, 0);
    EXPECT_EQ(g_KeyXToggle, 0);
    Send(WM_KILLFOCUS);
    EXPECT_EQ(g_HasFocus, 0);
    EXPECT_EQ(g_AppActive, 0);
    // Inactive: the messages are handled again.
    Down(VK_RETURN);
    EXPECT_EQ(g_KeyEnter, 1);
    g_AppActive = 1;
    Send(WM_CLOSE);
    EXPECT_EQ(g_QuitRequested, 1);
}

TEST_F(WndProcTest, TextEntryTakesCharactersAndEditingKeys)
{
    g_TextInputState = TEXT_INPUT_TYPING;
    Send(WM_CHAR, 0xC0);  // CP1251 'А'
    EXPECT_EQ(static_cast<unsigned char>(g_TextInputChar), 0xC0);
    EXPECT_EQ(g_TextInputState, TEXT_INPUT_TYPING);
    Down(VK_RETURN);
    EXPECT_EQ(g_TextInputState, TEXT_INPUT_ENTER);
    EXPECT_EQ(g_KeyEnter, 0);
    g_TextInputState = TEXT_INPUT_TYPING;
    Down(VK_BACK);
    EXPECT_EQ(g_TextInputState, TEXT_INPUT_BACKSPACE);
    g_TextInputState = TEXT_INPUT_TYPING;
    Down(VK_ESCAPE);
    EXPECT_EQ(g_TextInputState, TEXT_INPUT_ESC);
    EXPECT_EQ(g_KeyEsc, 0);
}

TEST_F(WndProcTest, TypedLettersDoNotReachTheFlightKeys)
{
    g_TextInputState = TEXT_INPUT_TYPING;
    Down('W');
    Down('X');
    Down(VK_SPACE);
    EXPECT_EQ(g_KeyW, 0);
    EXPECT_EQ(g_KeyXToggle, 0);
    EXPECT_EQ(g_KeySpace, 0);
    // Keys that type nothing still work, and releases always arrive.
    Down(VK_LEFT);
    EXPECT_EQ(g_KeyLeft, 1);
    Up(VK_LEFT);
    EXPECT_EQ(g_KeyLeft, 0);
    // Off again: letters steer.
    g_TextInputState = TEXT_INPUT_OFF;
    Down('W');
    EXPECT_EQ(g_KeyW, 1);
    Send(WM_CHAR, 'q');
    EXPECT_EQ(g_TextInputChar, 0);
}

TEST_F(WndProcTest, MouseInVirtualUnits)
{
    g_ScreenScaleX = 1024.0f / 800.0f;
    g_ScreenScaleY = 768.0f / 600.0f;
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(512, 384));
    EXPECT_FLOAT_EQ(g_MouseX, 400.0f);
    EXPECT_FLOAT_EQ(g_MouseY, 300.0f);
    Send(WM_LBUTTONDOWN, 0, MAKELPARAM(1024, 0));
    EXPECT_EQ(g_MouseLeftDown, 1);
    EXPECT_FLOAT_EQ(g_MouseX, 800.0f);
    Send(WM_LBUTTONUP, 0, MAKELPARAM(1024, 0));
    EXPECT_EQ(g_MouseLeftDown, 0);
    Send(WM_RBUTTONDOWN, 0, MAKELPARAM(0, 768));
    EXPECT_EQ(g_MouseRightDown, 1);
    EXPECT_FLOAT_EQ(g_MouseY, 600.0f);
    Send(WM_RBUTTONUP, 0, 0);
    EXPECT_EQ(g_MouseRightDown, 0);
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, unsigned(-240)), 0);
    EXPECT_FLOAT_EQ(g_MouseWheelDelta, -240.0f);
    // The wheel value stays until the next wheel message.
    Send(WM_MOUSEMOVE, 0, 0);
    EXPECT_FLOAT_EQ(g_MouseWheelDelta, -240.0f);
}

TEST_F(WndProcTest, SocketErrorIsReportedAndTheGameGoesOn)
{
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    char tmpl[] = "/tmp/korvane-wp-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    ASSERT_EQ(chdir(tmpl), 0);
    setenv("KORVANE_FRAMES", "1", 1);
    g_Settings.debugOut = 1;
    EXPECT_EQ(Send(WM_SOCKET, 3, MAKELPARAM(FD_READ, 10054)), 0);
    EXPECT_EQ(Send(WM_SOCKET, 3, MAKELPARAM(FD_WRITE, 0)), 0);
    unsetenv("KORVANE_FRAMES");
    std::ifstream in("debug.txt");
    std::stringstream ss;
    ss << in.rdbuf();
    EXPECT_EQ(ss.str(), "WM_SOCKET error!\n");
    EXPECT_EQ(g_QuitRequested, 0);
    std::remove("debug.txt");
    ASSERT_EQ(chdir(cwd), 0);
    rmdir(tmpl);
}
