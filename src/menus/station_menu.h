// The station menu: dock, sector map, upgrades, weapons, mercenary exchange, statistics.
#pragma once

extern int g_StationMenuActive;
extern int g_StationMenuPage;

class CStationMenu {
public:
    static void Create();
    // Opens (1) or closes (0) the menu of the station the player is docked at.
    static void SetActive(int on);
    static void Release();
    // A left button press; 1 when a button took it.
    static int OnClick();
    static void Update();
    static void Draw();
};
