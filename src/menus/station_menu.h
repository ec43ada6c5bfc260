// The station menu: the full-screen green menu of a docked player, with the tab page and
// its work pages (dock, sector map, statistics, mercenary exchange, ship upgrades).
#pragma once
#include <cstdint>

#include "menus/station/management_buttons.h"
#include "platform/math/math3d.h"
#include "render/camera.h"
#include "render/font.h"

class CUnit;
class CItem;
class CSound;

extern int g_StationMenuActive;
extern int g_StationMenuLeaving;
extern int g_StationMenuPageChanging;
extern int g_StationMenuNextPage;
extern int g_StationMenuPage;
extern float g_StationMenuFade;
extern uint32_t g_StationMenuPageTime;

enum StationMenuPage {
    STATION_PAGE_TABS = 0,
    STATION_PAGE_DOCK = 1,
    STATION_PAGE_MAP = 2,
    STATION_PAGE_STATISTICS = 3,
    STATION_PAGE_EXCHANGE = 4,
    STATION_PAGE_UPGRADES = 10,
};

constexpr int kStationShipRows = 16;
constexpr int kUpgradeRows = 12;
constexpr int kCatalogueEntries = 9;
constexpr int kShowcaseShips = 10;

// The menu's buttons and state; a module on globals, as the game menu is.
struct StationMenuState {
    CFont font;
    CUnit* selectedShip = nullptr;
    CManagementMenuButton tabs[5];
    CManagementSystemButton dockUpgrade, dockOrderOut, dockSwap, dockBack;
    CManagementSystemButton mapCall, mapOrders, mapBack;
    CManagementSystemButton statisticsBack;
    CManagementSystemButton exchangeSwitch, exchangeOrder, exchangeBack;
    CUpgradeSystemButton upgradeRows[kUpgradeRows];
    CWeaponInfoButton catalogue[kCatalogueEntries];
    CManagementSystemButton upgradeReplace, upgradeBuy, upgradeExit;
    CObjectDataButton shipRows[kStationShipRows];
    int shipRowCount = 0;
    int upgradeRowCount = 0;
    int weaponRowSelected = 0;
    int catalogueCount = 0;
    int swapWaiting = 0;
    int exchangeType = 0;           // 0 cargo ships, 1 combat ships
    CUnit* showcase[kShowcaseShips] = {};
    int textures[3] = {-1, -1, -1};
    CSound* checkBoxSound = nullptr;  // the game menu's check-box sound, our own copy
    // Sector map and the 3D views.
    float viewLeft = 400, viewTop = 0, viewRight = 800, viewBottom = 600;
    float viewFov = 1.4612f, viewAspect = 0.8f, viewNear = 2.0f, viewFar = 5000.0f;
    Vec3 mapCentre;
    uint32_t mapLastUpdate = 0;
};
extern StationMenuState g_StationMenu;

class CStationMenu {
public:
    static void Create();
    static void Release();
    // Opens (1) or closes (0) the menu of the station the player is docked at.
    static void SetActive(int on);
    // A left button press; 1 when a button took it.
    static int OnClick();
    static void Update();
    static void Draw();

    // Upgrades and the weapon catalogue (page 10).
    static void ResetUpgradePage();
    static void BuildUpgradeCaptions();
    static int OnUpgradePageClick();
    static void UpdateUpgradePage();
    static void DrawUpgradePage();
    static void DrawWeaponList();
    static void LoadWeaponItem(CWeaponInfoButton& entry, const char* prefix, int model, int* count, const CItem* current);

    // Dock list, pilot swap and mercenary exchange (pages 1, 3, 4).
    static void CollectDockShips();
    static void FillDockShipList();
    static void CreateShowcaseShips();
    static void ClearShowcaseShips();
    static void DrawObjectList();
    static void DrawObjectDataList(CObjectDataButton& row);
    static void SetObjectDataButtonRect(int row);
    static void DrawMercenaryOrder();
    static void UpdateDockPage();
    static void UpdateExchangePage();

    // Information views (every page, page 3 and page 2).
    static void DrawStationCargo();
    static void DrawShipCharacteristics(float x, float y);
    static void DrawStatistics();
    // The map opens looking across the home station towards the sector's route.
    static void AimSectorMap();
    static void UpdateSectorMap();
    static void DrawSectorMap();
    static int PickSectorMapObject();

    static void GoToPage(int page);
};

// Text wrapped inside a box of the upgrade page: a heading, then as many lines of the body
// as end above the bottom.
void DrawWrappedText(const char* heading, const char* body, float x, float y, float bottom);
