// The pilots page of the game menu: the ten pilot slots and the new-pilot dialog.
#pragma once
#include "menus/buttons.h"

// The name of the current pilot.
extern char g_PlayerName[24];

extern CPlayerNameButton g_PlayerNameButtons[10];
extern CMenuButton g_NewPilotButton;
extern CMenuButton g_DeletePilotButton;
extern CMenuButton g_ContinuePilotButton;
// Slot of the selected pilot button, -1 none; number of slots holding a pilot.
extern int g_SelectedPilotSlot;
extern int g_PilotCount;

// Fills the ten pilot buttons from the slots' Player.cfg files.
void LoadPilotNames();

namespace CGameMenu {
// Creates the page's buttons (from Load, after the fonts and atlases).
void CreatePilotsPage();
// One frame of page 1.
void UpdatePilotsPage();
// Page 1 over the main layer: the pilot panel and its buttons.
void DrawPilotsPage();
// A press on page 1; 1 when a button took it.
int OnClickPilotsPage();
// Dialog 0: typed name, Enter creates the pilot, Esc cancels.
void UpdateNameDialog();
void DrawNameDialog();
// The yes-answer of dialog 1: the selected pilot's folder goes.
void DeleteSelectedPilot();
// The chosen pilot becomes the current one and the main menu opens.
void ChoosePilot(int slot);
}
