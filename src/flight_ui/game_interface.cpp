#include "flight_ui/game_interface.h"

#include "app/settings.h"
#include "app/winmain.h"
#include "app/wndproc.h"
#include "audio/audio_manager.h"
#include "flight_ui/cockpit.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/radio_menu.h"
#include "world/objects/unit.h"
#include "world/world.h"

int g_PlanetClicksEnabled = 1;
CGameInterface g_GameInterface;
CDialogBox g_DialogBox;

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
    box.left = 100.0f;
    box.top = 560.0f;
    box.right = 700.0f;
    box.bottom = 599.0f;
    box.font.Load("Data/Misc/Fonts/Arial.18");
    box.Reset();
    box.voice = nullptr;
    box.hovered = nullptr;
    box.scroll[0] = box.scroll[1] = 10.0f;
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
}

void ReleaseGameInterface()
{
    if (g_DialogBox.voice) g_AudioManager.ReleaseSound(&g_DialogBox.voice);
    g_DialogBox.font.ReleaseTexture();
    CSubtitles::font.ReleaseTexture();
    g_Cockpit.Release();
}

// ---- Dialog box: the planet world's part comes with the planet work ----
void CDialogBox::Reset()
{
    hovered = nullptr;
}

void CDialogBox::Draw() {}

int CDialogBox::IsMouseOver()
{
    return g_MouseX >= left && g_MouseX <= right && g_MouseY >= top && g_MouseY <= bottom ? 1 : 0;
}

void CDialogBox::OnClick() {}

int CDialogBox::SetHovered(CUnit* unit)
{
    if (unit == hovered) return 0;
    hovered = unit;
    return 1;
}

// The box's lines come with the planet work.
void CDialogBox::AddLine(const char*, uint32_t, int, int) {}
// ---- end of dialog box ----
