#include "flight_ui/game_interface.h"
#include "app/winmain.h"
#include "flight_ui/cockpit.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/radio_menu.h"
#include "world/objects/unit.h"
#include "world/world.h"

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
    g_Cockpit.Init();
}

void ReleaseGameInterface()
{
    CSubtitles::font.ReleaseTexture();
    g_Cockpit.Release();
}

CDialogBox g_DialogBox;

void CGameInterface::Draw() {}
void ResetGameInterface()
{
    g_CommWindow.EndTalk();
    g_TextInputState = 0;
    g_CommMode = 0;
    g_RadioMenu.state = 0;
    g_RadioMenu.page = -1;
    g_RadioMenu.rows = 0;
    if (g_PlayerObject) g_PlayerObject->inRadioTalk = 0;
}
void CDialogBox::Draw() {}
