#include "flight_ui/game_interface.h"

#include "app/settings.h"
#include "app/winmain.h"
#include "app/wndproc.h"
#include "audio/audio_manager.h"
#include "flight_ui/cockpit.h"
#include "flight_ui/cursor.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/radar.h"
#include "flight_ui/radio_menu.h"
#include "flight_ui/target_screen.h"
#include "world/game_clock.h"
#include "world/objects/unit.h"
#include "world/world.h"

int g_PlanetClicksEnabled = 1;
CGameInterface g_GameInterface;

int CGameInterface::IsDialogActive()
{
    if (g_WorldIndex != 0 || !shown) return 0;
    return g_CommMode || g_DialogBox.IsMouseOver() ? 1 : 0;
}

int CGameInterface::OnDialogClick()
{
    if (g_WorldIndex != 0 || !shown || !g_CommMode) return 0;
    g_DialogBox.OnClick();
    return 1;
}

void CGameInterface::Draw()
{
    if (g_WorldIndex == 0) {
        if (shown) g_DialogBox.Draw();
    } else if (g_WorldIndex == 1) {
        g_Cockpit.DrawOverlay();
    }
}

void InitGameInterface()
{
    g_GameInterface.shown = 1;
    CDialogBox& box = g_DialogBox;
    box.font.Load("Data/Misc/Fonts/Arial.18");
    box.Reset();
    box.height = box.targetHeight = 10.0f;
    CSubtitles::font.Load("Data/Misc/Fonts/Bengaly.25");
    g_Cockpit.Init();
}

void ResetGameInterface()
{
    g_DialogBox.Reset();
    g_Cockpit.StopSounds();
    g_CommWindow.EndTalk();
    g_TextInputState = 0;
    g_CommMode = 0;
    g_RadioMenu.state = 0;
    g_RadioMenu.page = -1;
    g_RadioMenu.rows = 0;
    if (g_PlayerObject) g_PlayerObject->inRadioTalk = 0;
    // A scene hides the pointer only while it runs.
    g_PointerEnabled = 1;
}

void RenewInterfaceStamps()
{
    const uint32_t now = g_GameClock.NowMs();
    g_DialogBox.RenewStamps();
    g_CommWindow.lastTick = g_CommWindow.sayStart = g_CommWindow.lineStart = now;
    g_CommWindow.heads.start = now;
    g_RadioMenu.lastTick = now;
    g_Cockpit.lastWarning = now;
    g_Radar.lastDraw = 0;
    g_TargetScreen.lastDraw = g_SystemScreen.lastDraw = 0;
    CCursor::hoverStart = now;
}

void ReleaseGameInterface()
{
    if (g_DialogBox.voice) g_AudioManager.ReleaseSound(&g_DialogBox.voice);
    g_DialogBox.font.ReleaseTexture();
    CSubtitles::font.ReleaseTexture();
    g_Cockpit.Release();
}

