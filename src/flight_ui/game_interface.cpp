#include "flight_ui/game_interface.h"
#include "flight_ui/cockpit.h"

int g_PlanetClicksEnabled = 1;
CGameInterface g_GameInterface;

int CGameInterface::IsDialogActive()
{
    return 0;
}

int CGameInterface::OnDialogClick()
{
    return 0;
}

void InitGameInterface()
{
    CSubtitles::font.Load("Data/Misc/Fonts/Bengaly.25");
}

void ReleaseGameInterface()
{
    CSubtitles::font.ReleaseTexture();
    g_Cockpit.Release();
}

CDialogBox g_DialogBox;

void CGameInterface::Draw() {}
void ResetGameInterface() {}
void CDialogBox::Draw() {}
// The planet world's dialog box is not in the game yet: a talk opens nothing.
void CDialogBox::StartTalk(CUnit*, int) {}
