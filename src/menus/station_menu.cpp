#include "menus/station_menu.h"
#include "app/settings.h"

int g_StationMenuActive = 0;
int g_StationMenuPage = 0;

void CStationMenu::Create() {}
void CStationMenu::Release() {}
int CStationMenu::OnClick()
{
    return 0;
}
void CStationMenu::Update() {}
void CStationMenu::Draw() {}
// The station menu's pages are not in the game yet: asking for it only logs, so the
// hero who walked to the desk turns back at once.
void CStationMenu::SetActive(int on)
{
    if (on) DebugOut("Station menu: not available");
    g_StationMenuActive = 0;
}
