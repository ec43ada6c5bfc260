#include "menus/settings_page.h"

#include "app/settings.h"
#include "menus/game_menu.h"

// Until the settings and records are built the pages show their frame and "Назад".

void CGameMenu::CreateSettingsPage() {}

void CGameMenu::UpdateSettingsPage()
{
    if (g_MenuBackButton.WasClicked()) {
        SaveSettings();
        SetPage(MENU_PAGE_MAIN);
    }
}

int CGameMenu::OnClickSettingsPage()
{
    return g_MenuBackButton.OnMouseDown();
}

void CGameMenu::DrawSettingsPage(float)
{
    DrawMenuTextCentred(&g_MenuFont, 500.0f, 170.0f, "Настройки игры", MenuColour(255, 0xC8C8FA), 0xC8C8FA, 1.0f);
    g_MenuBackButton.Draw(1.0f);
}

void CGameMenu::OpenRecordsPage()
{
    SetPage(MENU_PAGE_RECORDS);
}

void CGameMenu::UpdateRecordsPage()
{
    if (g_MenuBackButton.WasClicked())
        SetPage(MENU_PAGE_MAIN);
}

int CGameMenu::OnClickRecordsPage()
{
    return g_MenuBackButton.OnMouseDown();
}

void CGameMenu::DrawRecordsPage(float)
{
    g_MenuBackButton.Draw(1.0f);
}
