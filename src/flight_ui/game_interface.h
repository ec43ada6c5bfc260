// The in-game interface: the dialog box of the planet world and the cockpit.
#pragma once
#include <cstdint>

#include "flight_ui/subtitles.h"
#include "render/font.h"

class CUnit;
class CSound;

// The player's mouse orders on the planet are taken only while set.
extern int g_PlanetClicksEnabled;

class CGameInterface {
public:
    int shown = 0;
    int IsDialogActive();
    int OnDialogClick();
    void Draw();
};

extern CGameInterface g_GameInterface;

void InitGameInterface();
// Releases the interface's sound and font textures, then the cockpit.
void ReleaseGameInterface();
// Back to the start of a location: panels closed, talks ended.
void ResetGameInterface();
// The game clock has restarted: every time stamp the interface keeps across locations
// counts from now, so no wait or slide is measured against the old location's clock.
void RenewInterfaceStamps();

#include "flight_ui/dialog_box.h"
