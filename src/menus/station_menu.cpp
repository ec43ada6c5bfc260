#include "menus/station_menu.h"

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
