// The game menu: pilots, campaign, single missions, network game, settings, records,
// results and the confirmations in between. It runs modally over the location behind
// it and hands over to the location director by setting the game mode, the location
// id, the world and the location kind.
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
extern int g_MenuDialogClosing;
extern int g_MenuDialogAnswer;

enum GameMenuPage {
    MENU_PAGE_START = 0,
    MENU_PAGE_PILOTS = 1,
    MENU_PAGE_MAIN = 3,
    MENU_PAGE_NEW_CAMPAIGN = 4,
    MENU_PAGE_CAMPAIGN = 5,
    MENU_PAGE_SINGLE = 6,
    MENU_PAGE_NETWORK = 7,
    MENU_PAGE_SETTINGS = 8,
    MENU_PAGE_RECORDS = 9,
    MENU_PAGE_EXIT = 10,
    MENU_PAGE_IN_GAME = 11,
    MENU_PAGE_DESTROYED = 12,
    MENU_PAGE_RESTART = 13,
    MENU_PAGE_RESULTS = 14,
};

enum MenuDialogType {
    MENU_DIALOG_PILOT_NAME = 0,
    MENU_DIALOG_DELETE_PILOT = 1,
    MENU_DIALOG_NEW_CAMPAIGN = 2,
    MENU_DIALOG_LEAVE_MISSION = 3,
    MENU_DIALOG_EXIT_GAME = 4,
    MENU_DIALOG_DESTROYED = 5,
};

// Pilot slot of a run without the game menu: a folder of its own (Save/10), so the demo
// never plays over a real pilot's saves.
constexpr int kDemoPilotSlot = 10;

// Textures (-1 when missing), sprites and vertex sets of the menu, held from Load to Release.
struct GameMenuResources {
    int loadingPicture = -1;
    int background = -1;
    int makerLogo = -1;
    int mainAtlas = -1;
    int pilotAtlas = -1;
    int pagePicture = -1;
    ScreenSprite loadingSprite = {};
    ScreenSprite backgroundSprite = {};
    ScreenSprite headerStrip = {};
    ScreenSprite pilotPanel = {};
    ScreenSprite nameField = {};
    ScreenSprite pilotIcon = {};
    ScreenVertex mainLayer[6] = {};
    ScreenVertex panelFrame[10] = {};
    CSound* checkBoxOn = nullptr;
};
extern GameMenuResources g_MenuResources;

// Bauhaus.20, the menu font, and Hermes.18.
extern CFont g_MenuFont;
extern CFont g_MenuSmallFont;

// The main menu's ring buttons (place 7 is never used).
extern CMainMenuButton g_MainMenuButtons[9];
// The dialogs' "Да" and "Нет"; the list pages' load button and the pages' shared "Назад".
extern CMenuButton g_MenuYesButton;
extern CMenuButton g_MenuNoButton;
extern CMenuButton g_MenuLoadButton;
extern CMenuButton g_MenuBackButton;

// 0xAARRGGBB from an alpha and an 0xRRGGBB colour.
inline unsigned MenuColour(unsigned alpha, unsigned rgb)
{
    return (alpha & 255u) << 24 | (rgb & 0xFFFFFFu);
}
// A caption with a glow disc behind every letter (glow alpha 100 at the centre).
void DrawMenuText(CFont* font, float x, float y, const char* text, unsigned textColour, unsigned glowColour,
                  float scale);
// Centred on x.
void DrawMenuTextCentred(CFont* font, float x, float y, const char* text, unsigned textColour, unsigned glowColour,
                         float scale);

namespace CGameMenu {
void Load();
void Release();
// The modal loop: returns at once unless g_GameMenuActive is set.
void Run();
// One menu frame: the location behind the menu, then UpdateLogic.
void Update();
// The page-change progress, the open dialog and the current page's logic.
void UpdateLogic();
// Drawn by the world's draw pass every frame, active or not.
void Draw();
// A left button press; 1 when a button took it.
int OnClick();
void SetPage(int page);
void OpenDialog(int type);
void CloseDialog(int answer);
// The hand-over to the location director: pointer hidden, page 0, menu inactive.
void HandOver();
// The dialog's opening or closing value 0..100; a closing dialog that reaches 0 closes.
float DialogAnimation();
void DrawPanel(float x, float y, float halfWidth, float height, float percent, unsigned lineColour);
void DrawTransition(float percent);
void DrawBackground();
void DrawPause();
void DrawDialog();
void UpdateDialog();
// Game time in whole milliseconds: the stamp of page changes and dialogs.
std::uint32_t Now();
}
