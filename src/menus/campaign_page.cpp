#include "menus/campaign_page.h"

#include "menus/game_menu.h"
#include "menus/network_pages.h"
#include "menus/settings_page.h"
#include "render/d3d_render.h"

// Until the lists are built the pages show their frame and "Назад".

void CGameMenu::CreateListPages() {}

void CGameMenu::OpenListPage(int page)
{
    SetPage(page);
}

void CGameMenu::UpdateListPage()
{
    if (g_MenuBackButton.WasClicked()) {
        ReleasePagePicture();
        SetPage(MENU_PAGE_MAIN);
    }
}

int CGameMenu::OnClickListPage()
{
    return g_MenuBackButton.OnMouseDown();
}

void CGameMenu::DrawPage(float percent, int page)
{
    if (percent < 50.0f)
        return;
    const float e = (percent - 50.0f) * 2.0f;
    DrawPanel(500.0f, 160.0f, 230.0f, 360.0f, e, 0xC8C8FA);
    const unsigned line = MenuColour(150, 0x320064), clear = MenuColour(0, 0x320064);
    DrawScreenQuadGradient(clear, line, 496.0f, 140.0f, 500.0f, 165.0f);
    DrawScreenQuadGradient(line, clear, 500.0f, 140.0f, 504.0f, 165.0f);
    DrawScreenDisc16(MenuColour(250, 0x320064), clear, 500.0f, 144.0f, 8.0f, 1.0f, 1.0f);
    const char* titles[5] = {"Продолжить кампанию", "Одиночная миссия", "Сетевая игра", "Настройки игры",
                             "Таблица рекордов"};
    if (page < MENU_PAGE_CAMPAIGN || page > MENU_PAGE_RECORDS)
        return;
    if (page != MENU_PAGE_SETTINGS && page != MENU_PAGE_NETWORK)
        DrawMenuTextCentred(&g_MenuFont, 500.0f, 170.0f, titles[page - MENU_PAGE_CAMPAIGN], MenuColour(255, 0xC8C8FA),
                            0xC8C8FA, 1.0f);
    switch (page) {
    case MENU_PAGE_NETWORK: DrawNetworkPage(percent); break;
    case MENU_PAGE_SETTINGS: DrawSettingsPage(percent); break;
    case MENU_PAGE_RECORDS: DrawRecordsPage(percent); break;
    default: g_MenuBackButton.Draw(1.0f); break;
    }
}

void CGameMenu::LoadPagePicture(int, int) {}

void CGameMenu::ReleasePagePicture()
{
    if (g_MenuResources.pagePicture >= 0)
        g_D3DRender.ReleaseTexture(g_MenuResources.pagePicture);
    g_MenuResources.pagePicture = -1;
}
