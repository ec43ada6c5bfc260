// The game menu: pilots, campaign, single missions, network game, settings, records.
#pragma once
#include <cstdint>

#include "menus/buttons.h"
#include "render/font.h"

extern int g_GameMenuActive;
extern int g_MenuPage;
extern int g_MenuClosingPage;
extern std::uint32_t g_MenuPageTime;
extern float g_MenuPageProgress;
extern int g_MenuDialogOpen;
extern int g_MenuDialogType;
extern std::uint32_t g_MenuDialogTime;

enum GameMenuPage {
    MENU_PAGE_START = 0,
    MENU_PAGE_MAIN = 3,
    MENU_PAGE_NETWORK = 7,
};

// Bauhaus.20, the menu font.
extern CFont g_MenuFont;
// The list pages' load button and the pages' shared "Назад".
extern CMenuButton g_MenuLoadButton;
extern CMenuButton g_MenuBackButton;

// 0xAARRGGBB from an alpha and an 0xRRGGBB colour.
inline unsigned MenuColour(unsigned alpha, unsigned rgb)
{
    return (alpha & 255u) << 24 | (rgb & 0xFFFFFFu);
}
// A caption with a glow disc behind every letter.
void DrawMenuText(CFont* font, float x, float y, const char* text, unsigned textColour, unsigned glowColour,
                  float scale);
// Centred on x.
void DrawMenuTextCentred(CFont* font, float x, float y, const char* text, unsigned textColour, unsigned glowColour,
                         float scale);

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
void SetPage(int page);
// The hand-over to the location director: pointer hidden, page 0, menu inactive.
void HandOver();
// Game time in whole milliseconds: the stamp of page changes and dialogs.
std::uint32_t Now();
}
