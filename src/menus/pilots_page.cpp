#include "menus/pilots_page.h"

#include <cstdio>

#include "app/winmain.h"
#include "files/language.h"
#include "locations/pilot_profile.h"
#include "locations/sector_save.h"
#include "flight_ui/cursor.h"
#include "menus/game_menu.h"
#include "world/world.h"

char g_PlayerName[24] = "";
CPlayerNameButton g_PlayerNameButtons[10];
int g_SelectedPilotSlot = -1;

namespace {
// Until the pilot list is built the page only leads on to the main menu.
CMenuButton g_PilotsContinueButton;
}

void LoadPilotNames()
{
    char empty[] = "-----------";
    for (CPlayerNameButton& b : g_PlayerNameButtons) {
        b.SetPressed(0);
        b.SetText(empty, 0);
    }
    g_SelectedPilotSlot = -1;
}

void CGameMenu::CreatePilotsPage()
{
    for (int i = 0; i < 10; ++i)
        g_PlayerNameButtons[i].Create(145.0f, 185.0f + 21.0f * float(i), "-----------", &g_MenuFont, 0.7f);
    g_PilotsContinueButton.Create(500.0f, 250.0f, "Продолжить", 0, 0x9696FA, 0x9696FA, &g_MenuFont, 1, 1.0f);
}

void CGameMenu::UpdatePilotsPage()
{
    if (g_PilotsContinueButton.WasClicked()) {
        // Until the list is built the first slot is the pilot.
        g_PilotSlot = 0;
        std::snprintf(g_PlayerName, sizeof(g_PlayerName), "%s", TranslateText("Пилот"));
        g_MainMenuButtons[2].SetEnabled(CountSavedSectors() >= 1);
        g_World.Camera().StartFade(1.0f, 1, 1, 0);
        SetPage(MENU_PAGE_MAIN);
    }
}

int CGameMenu::OnClickPilotsPage()
{
    return g_PilotsContinueButton.OnMouseDown();
}

void CGameMenu::DrawPilotsPage()
{
    DrawSpriteRect(&g_MenuResources.pilotPanel, 20.0f, 40.0f, 520.0f, 430.0f, 0xFFFFFFFFu);
    for (CPlayerNameButton& b : g_PlayerNameButtons)
        b.Draw();
    g_PilotsContinueButton.Draw(1.0f);
}

void CGameMenu::UpdateNameDialog()
{
    g_TextInputState = TEXT_INPUT_OFF;
    g_PointerShown = 1;
    CloseDialog(0);
    g_MenuDialogTime = 0;
}

void CGameMenu::DrawNameDialog()
{
    DrawSpriteRect(&g_MenuResources.nameField, 380.0f, 180.0f, 570.0f, 210.0f, 0xFFFFFFFFu);
}
