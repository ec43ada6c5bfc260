// The game menu: pilots, campaign, single missions, network game, settings, records.
#pragma once
#include <cstdint>

extern int g_GameMenuActive;
extern int g_MenuPage;
extern int g_MenuClosingPage;
extern std::uint32_t g_MenuPageTime;
extern float g_MenuPageProgress;
extern int g_MenuDialogOpen;
extern int g_MenuDialogType;
extern std::uint32_t g_MenuDialogTime;

class CGameMenu {
public:
    static void Load();
    static void Release();
    // The modal loop: returns at once unless g_GameMenuActive is set.
    static void Run();
    // A left button press; 1 when a button took it.
    static int OnClick();
    // Draws the menu over a running location while it is active.
    static void Draw();
};
