#include "menus/network_page.h"

#include "menus/game_menu.h"
#include "net/network.h"

// Until the network pages are built the page shows its frame and "Назад".

void CGameMenu::CreateNetworkPage() {}

void CGameMenu::UpdateNetworkPage()
{
    if (g_MenuBackButton.WasClicked()) {
        g_Network.Shutdown();
        SetPage(MENU_PAGE_MAIN);
    }
}

int CGameMenu::OnClickNetworkPage()
{
    return g_MenuBackButton.OnMouseDown();
}

void CGameMenu::DrawNetworkPage(float)
{
    DrawMenuTextCentred(&g_MenuFont, 500.0f, 170.0f, "Сетевая игра", MenuColour(255, 0xC8C8FA), 0xC8C8FA, 1.0f);
    g_MenuBackButton.Draw(1.0f);
}
