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

// The dialog box of the planet world.
class CDialogBox {
public:
    float left = 100.0f, top = 560.0f, right = 700.0f, bottom = 599.0f;
    CFont font;
    CSound* voice = nullptr;
    CUnit* hovered = nullptr;
    float scroll[2] = {10.0f, 10.0f};
    void Reset();
    void Draw();
    int IsMouseOver();
    void OnClick();
    // 1 when the hovered unit changed.
    int SetHovered(CUnit* unit);
    void AddLine(const char* text, uint32_t colour, int type, int line);
};
extern CDialogBox g_DialogBox;
