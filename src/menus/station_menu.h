// The station menu: dock, sector map, upgrades, weapons, mercenary exchange, statistics.
#pragma once

extern int g_StationMenuActive;
extern int g_StationMenuPage;

class CStationMenu {
public:
    static void Create();
    static void Release();
    // A left button press; 1 when a button took it.
    static int OnClick();
    static void Update();
    static void Draw();
};
