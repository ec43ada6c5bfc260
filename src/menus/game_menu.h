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
extern int g_MenuDialogClosing;
extern int g_MenuDialogAnswer;

class CFont;
class CMainMenuButton;
// The menu font ("Data/Misc/Fonts/Bauhaus.20") and the small one ("Data/Misc/Fonts/Hermes.18").
extern CFont g_MenuFont;
extern CFont g_MenuSmallFont;
// Texture ids of the main-menu and pilot-page atlases, -1 while not loaded.
extern int g_MenuMainAtlas;
extern int g_MenuPilotAtlas;
// The main menu's ring buttons; place 2 is "Продолжить кампанию".
extern CMainMenuButton g_MainMenuButtons[9];

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
// Pages 1 and 3 keep the current page as the closing page; then the page starts now.
void SetPage(int page);
void OpenDialog(int type);
void CloseDialog(int answer);
// The framed panel of dialogs and pages, opened to percent.
void DrawPanel(float x, float y, float halfWidth, float height, float percent, std::uint32_t lineColour);
}
