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

// Operations over the menu's global state. A namespace, so that each page's
// owner (pilots, campaign, settings, network, results) declares its own
// operations in its own header.
namespace CGameMenu {
void Load();
void Release();
// The modal loop: returns at once unless g_GameMenuActive is set.
void Run();
// A left button press; 1 when a button took it.
int OnClick();
// Draws the menu over a running location while it is active.
void Draw();
}
