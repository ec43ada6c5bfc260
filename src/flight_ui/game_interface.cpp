#include "flight_ui/game_interface.h"
#include "flight_ui/cockpit.h"
#include "flight_ui/comm_window.h"
#include "world/world.h"

int g_PlanetClicksEnabled = 1;
CGameInterface g_GameInterface;

int CGameInterface::IsDialogActive()
{
    return g_WorldIndex == 0 && shown && (g_CommMode || g_DialogBox.IsMouseOver()) ? 1 : 0;
}

int CGameInterface::OnDialogClick()
{
    if (g_WorldIndex != 0 || !shown || !g_CommMode) return 0;
    g_DialogBox.OnClick();
    return 1;
}

void InitGameInterface()
{
    CSubtitles::font.Load("Data/Misc/Fonts/Bengaly.25");
    g_DialogBox.font.Load("Data/Misc/Fonts/Arial.18");
}

void ReleaseGameInterface()
{
    CSubtitles::font.ReleaseTexture();
    g_DialogBox.font.ReleaseTexture();
    g_Cockpit.Release();
}

void CGameInterface::Draw() {}
void ResetGameInterface() { g_DialogBox.Reset(); }

