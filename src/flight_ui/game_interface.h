// The in-game interface: the dialog box of the planet world and the cockpit.
#pragma once

// The player's mouse orders on the planet are taken only while set.
extern int g_PlanetClicksEnabled;

class CGameInterface {
public:
    int shown = 1;
    int IsDialogActive();
    int OnDialogClick();
};

extern CGameInterface g_GameInterface;

void InitGameInterface();
// Releases the interface's sound and font textures, then the cockpit.
void ReleaseGameInterface();
