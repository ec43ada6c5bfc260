// The pilots page of the game menu: the ten pilot slots and the new-pilot dialog.
#pragma once
#include "menus/buttons.h"

// The name of the current pilot.
extern char g_PlayerName[24];
// The ten pilot lines of page 1.
extern CPlayerNameButton g_PlayerNameButtons[10];
// The slot whose line is selected, -1 none.
extern int g_SelectedPilotSlot;

// Fills the ten pilot lines from the ten Player.cfg files.
void LoadPilotNames();

namespace CGameMenu {
// The page's buttons, from Load.
void CreatePilotsPage();
// Page 1 logic, each menu frame.
void UpdatePilotsPage();
int OnClickPilotsPage();
// The pilot panel, the pilot lines and the page's buttons.
void DrawPilotsPage();
// The new-pilot name dialog (dialog 0).
void UpdateNameDialog();
void DrawNameDialog();
}
