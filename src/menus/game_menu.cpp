#include "menus/game_menu.h"

int g_GameMenuActive = 0;
int g_MenuPage = 0;
int g_MenuClosingPage = -1;
std::uint32_t g_MenuPageTime = 0;
float g_MenuPageProgress = 0.0f;
int g_MenuDialogOpen = 0;
int g_MenuDialogType = -1;
std::uint32_t g_MenuDialogTime = 0;

void CGameMenu::Load() {}
void CGameMenu::Release() {}
void CGameMenu::Run() {}
int CGameMenu::OnClick()
{
    return 0;
}

void CGameMenu::Draw() {}
