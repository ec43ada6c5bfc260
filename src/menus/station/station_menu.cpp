// The station menu's frame: opening and closing, the tab page, page fades, click routing
// and the drawing order of every page.
#include "menus/station_menu.h"

#include <utility>

#include "app/settings.h"
#include "audio/audio_manager.h"
#include "audio/sound.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/radio_menu.h"
#include "locations/location_director.h"
#include "platform/crt/rand.h"
#include "render/d3d_render.h"
#include "render/draw2d.h"
#include "render/texture_manager.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/world.h"

int g_StationMenuActive = 0;
int g_StationMenuLeaving = 0;
int g_StationMenuPageChanging = 0;
int g_StationMenuNextPage = 0;
int g_StationMenuPage = 0;
float g_StationMenuFade = 0.0f;
uint32_t g_StationMenuPageTime = 0;
StationMenuState g_StationMenu;

namespace {

unsigned Green(int alpha, int green)
{
    alpha = alpha < 0 ? 0 : (alpha > 255 ? 255 : alpha);
    green = green < 0 ? 0 : (green > 255 ? 255 : green);
    return (unsigned(alpha) << 24) | (unsigned(green) << 8);
}

CUnit* DockedPlayerShip()
{
    const int saved = g_WorldIndex;
    g_WorldIndex = 1;
    CUnit* ship = CObjectList::FindDockedPlayerShip();
    g_WorldIndex = saved;
    return ship;
}

void DrawGrid()
{
    for (int x = 0; x <= 790; x += 10) {
        const float fx = float(x);
        DrawScreenLine(Green(200 + rand() % 56, 100), Green(50, 100), fx, 0.0f, fx, 300.0f);
        DrawScreenLine(Green(50, 100), Green(200 + rand() % 56, 100), fx, 300.0f, fx, 600.0f);
    }
    for (int y = 0; y <= 590; y += 10) {
        const float fy = float(y);
        DrawScreenLine(Green(200 + rand() % 56, 100), Green(50, 100), 0.0f, fy, 400.0f, fy);
        DrawScreenLine(Green(50, 100), Green(200 + rand() % 56, 100), 400.0f, fy, 800.0f, fy);
    }
}

}  // namespace

void CStationMenu::Create()
{
    StationMenuState& m = g_StationMenu;
    m.font.Load("Data/Misc/Fonts/Hermes.18");
    CFont* f = &m.font;
    static const char* const kTabs[5] = {"ДОК СТАНЦИИ", "КАРТА СЕКТОРА", "СТАТИСТИКА", "БИРЖА НАЕМНИКОВ",
                                         "ЗАВЕРШЕНИЕ РАБОТЫ"};
    static const float kTabY[5] = {30.0f, 120.0f, 210.0f, 300.0f, 510.0f};
    for (int i = 0; i < 5; ++i) m.tabs[i].Create(30.0f, kTabY[i], 300.0f, 60.0f, kTabs[i], f);
    m.dockUpgrade.Create(430, 160, 340, 30, "Модернизация систем корабля", f);
    m.dockOrderOut.Create(430, 200, 340, 30, "Приказ пилоту - выход в сектор", f);
    m.dockSwap.Create(430, 240, 340, 30, "Поменять пилотов на кораблях", f);
    m.dockBack.Create(420, 430, 360, 30, "Выход в основное меню", f);
    m.mapCall.Create(20, 400, 200, 20, "Вызов на связь (С)", f);
    m.mapOrders.Create(15, 15, 370, 20, "Вызов меню управления (F3)", f);
    m.mapBack.Create(420, 430, 360, 30, "Выход в основное меню", f);
    m.statisticsBack.Create(420, 430, 360, 30, "Выход в основное меню", f);
    m.exchangeSwitch.Create(30, 470, 330, 30, "Сменить тип (грузовые/боевые)", f);
    m.exchangeOrder.Create(430, 240, 340, 30, "Заказать наемника", f);
    m.exchangeBack.Create(420, 430, 360, 30, "Выход в основное меню", f);
    for (int i = 0; i < kUpgradeRows; ++i) m.upgradeRows[i].Create(20, 205.0f + 22.0f * float(i), 360, 19, "", f);
    for (int j = 0; j < kCatalogueEntries; ++j) m.catalogue[j].Create(440, 210.0f + 22.0f * float(j), 330, 19, "", f);
    m.upgradeReplace.Create(430, 420, 340, 30, "<< Заменить оружие", f);
    m.upgradeBuy.Create(30, 540, 340, 30, "Модернизировать систему", f);
    m.upgradeExit.Create(420, 20, 360, 30, "Выход", f);
    for (int k = 0; k < kStationShipRows; ++k) {
        m.shipRows[k].Create(5, 4.0f + 37.0f * float(k), 380, 34, "", f);
        m.shipRows[k].object = nullptr;
    }
    g_StationMenuActive = g_StationMenuLeaving = g_StationMenuPageChanging = 0;
    g_StationMenuPage = g_StationMenuNextPage = 0;
    m.viewLeft = 400, m.viewTop = 0, m.viewRight = 800, m.viewBottom = 600;
    m.viewFov = 1.4612f, m.viewAspect = 0.8f, m.viewNear = 2.0f, m.viewFar = 5000.0f;
    // The sector map's camera: high above the sector's centre, looking down at it.
    g_MenuCamera.fov = 0.7853982f;
    g_MenuCamera.aspect = 800.0f / 600.0f;
    g_MenuCamera.nearPlane = 10.0f;
    g_MenuCamera.farPlane = 40000.0f;
    g_MenuCamera.up = Vec3(0.0f, 1.0f, 0.0f);
    g_MenuCamera.followOffset = Vec3(0.0f, 3500.0f, -3500.0f);
    m.mapCentre = Vec3();
    if (!m.checkBoxSound)
        m.checkBoxSound = g_AudioManager.LoadSound("Data/Sounds/GameMenu/CheckBox_On.wav", SOUND_EFFECT, 10.0f, 10.0f);
}

void CStationMenu::Release()
{
    StationMenuState& m = g_StationMenu;
    for (int& id : m.textures) {
        if (id >= 0) g_D3DRender.ReleaseTexture(id);
        id = -1;
    }
    m.font.ReleaseTexture();
    if (m.checkBoxSound) g_AudioManager.ReleaseSound(&m.checkBoxSound);
}

void CStationMenu::SetActive(int on)
{
    StationMenuState& m = g_StationMenu;
    if (on) {
        CUnit* ship = DockedPlayerShip();
        if (!ship) {
            DebugOut("CStationMenu::SetActive: no docked player ship, the menu stays closed");
            return;
        }
        g_StationMenuActive = 1;
        g_PlayerObject = ship;
        g_StationMenuLeaving = g_StationMenuPageChanging = 0;
        g_StationMenuFade = 0.0f;
        g_StationMenuPage = g_StationMenuNextPage = 0;
        g_StationMenuPageTime = g_GameClock.NowMs();
        m.selectedShip = nullptr;
        m.swapWaiting = 0;
        return;
    }
    g_StationMenuActive = 0;
    ClearShowcaseShips();
    m.selectedShip = nullptr;
    g_PlayerObject = CObjectList::FindPlayer();
}

void CStationMenu::GoToPage(int page)
{
    if (g_StationMenuPageChanging) return;
    g_StationMenuPageChanging = 1;
    g_StationMenuNextPage = page;
    g_StationMenuPageTime = g_GameClock.NowMs();
}

int CStationMenu::OnClick()
{
    StationMenuState& m = g_StationMenu;
    if (!g_StationMenuActive || g_StationMenuLeaving || g_StationMenuPageChanging) return 0;
    switch (g_StationMenuPage) {
    case STATION_PAGE_TABS:
        for (CManagementMenuButton& t : m.tabs)
            if (t.OnMouseDown()) return 1;
        return 0;
    case STATION_PAGE_DOCK:
        for (CObjectDataButton& r : m.shipRows)
            if (r.OnMouseDown()) return 1;
        if (m.swapWaiting) return 0;
        for (CManagementSystemButton* b : {&m.dockUpgrade, &m.dockOrderOut, &m.dockSwap, &m.dockBack})
            if (b->OnMouseDown()) return 1;
        return 0;
    case STATION_PAGE_MAP:
        if (!g_CommWindow.state && !g_RadioMenu.state) {
            if (m.mapCall.OnMouseDown() || m.mapOrders.OnMouseDown()) return 1;
        }
        if (m.mapBack.OnMouseDown()) return 1;
        return PickSectorMapObject();
    case STATION_PAGE_STATISTICS:
        for (CObjectDataButton& r : m.shipRows)
            if (r.OnMouseDown()) return 1;
        return m.statisticsBack.OnMouseDown();
    case STATION_PAGE_EXCHANGE:
        for (int i = 0; i < kShowcaseShips; ++i)
            if (m.shipRows[i].OnMouseDown()) return 1;
        if (m.exchangeSwitch.OnMouseDown()) return 1;
        if (g_LocationDirector.ordersAvailable > 0 && m.exchangeOrder.OnMouseDown()) return 1;
        return m.exchangeBack.OnMouseDown();
    case STATION_PAGE_UPGRADES:
        if (m.upgradeExit.OnMouseDown()) return 1;
        return OnUpgradePageClick();
    default:
        return 0;
    }
}

void CStationMenu::Update()
{
    if (!g_StationMenuActive) return;
    StationMenuState& m = g_StationMenu;
    if (g_StationMenuPageChanging) {
        const float t = g_GameClock.SecondsSince(g_StationMenuPageTime);
        if (t <= 0.5f) {
            g_StationMenuFade = 2.0f * t;
        } else if (t <= 1.0f) {
            g_StationMenuPage = g_StationMenuNextPage;
            g_StationMenuFade = 1.0f - 2.0f * (t - 0.5f);
        } else {
            g_StationMenuPage = g_StationMenuNextPage;
            if (g_StationMenuPage != STATION_PAGE_EXCHANGE) ClearShowcaseShips();
            g_StationMenuFade = 0.0f;
            g_StationMenuPageChanging = 0;
        }
    }
    if (g_StationMenuLeaving) {
        if (g_GameClock.SecondsSince(g_StationMenuPageTime) > 1.0f) SetActive(0);
        return;
    }
    switch (g_StationMenuPage) {
    case STATION_PAGE_TABS:
        if (m.tabs[0].WasClicked()) m.selectedShip = nullptr, GoToPage(STATION_PAGE_DOCK);
        if (m.tabs[1].WasClicked()) AimSectorMap(), GoToPage(STATION_PAGE_MAP);
        if (m.tabs[2].WasClicked()) m.selectedShip = nullptr, GoToPage(STATION_PAGE_STATISTICS);
        if (m.tabs[3].WasClicked()) {
            m.selectedShip = nullptr;
            m.exchangeType = 0;
            CreateShowcaseShips();
            GoToPage(STATION_PAGE_EXCHANGE);
        }
        if (m.tabs[4].WasClicked()) {
            g_World.Camera().StartFade(1.0f, 1, 1, 0);
            g_StationMenuLeaving = 1;
            g_StationMenuPageTime = g_GameClock.NowMs();
        }
        break;
    case STATION_PAGE_DOCK:
        UpdateDockPage();
        if (m.dockUpgrade.WasClicked()) {
            ResetUpgradePage();
            GoToPage(STATION_PAGE_UPGRADES);
        }
        if (m.dockBack.WasClicked()) GoToPage(STATION_PAGE_TABS);
        break;
    case STATION_PAGE_MAP:
        UpdateSectorMap();
        if (!g_CommWindow.state && !g_RadioMenu.state) {
            if (m.mapCall.WasClicked() && g_PlayerObject && g_PlayerObject->target)
                g_CommWindow.Talk(g_PlayerObject->target, 0);
            if (m.mapOrders.WasClicked()) g_RadioMenu.Open();
        }
        if (m.mapBack.WasClicked()) {
            if (g_CommWindow.state) g_CommWindow.EndTalk();
            if (g_RadioMenu.state) g_RadioMenu.Close();
            GoToPage(STATION_PAGE_TABS);
        }
        break;
    case STATION_PAGE_STATISTICS:
        CollectDockShips();
        for (int k = 0; k < m.shipRowCount && k < kStationShipRows; ++k)
            if (m.shipRows[k].WasClicked() && m.shipRows[k].object) m.selectedShip = m.shipRows[k].object;
        if (m.statisticsBack.WasClicked()) GoToPage(STATION_PAGE_TABS);
        break;
    case STATION_PAGE_EXCHANGE:
        UpdateExchangePage();
        if (m.exchangeBack.WasClicked()) GoToPage(STATION_PAGE_TABS);
        break;
    case STATION_PAGE_UPGRADES:
        UpdateUpgradePage();
        if (m.upgradeExit.WasClicked()) GoToPage(STATION_PAGE_DOCK);
        break;
    default:
        break;
    }
}

void CStationMenu::Draw()
{
    if (!g_StationMenuActive) return;
    StationMenuState& m = g_StationMenu;
    const int savedWorld = g_WorldIndex;
    g_WorldIndex = 1;
    g_World.EnableLights();
    // The menu covers the whole screen: nothing of the frame before may show through.
    DrawScreenQuad(0xFF000000u, 0xFF000000u, -1.0f, -1.0f, 801.0f, 601.0f, 0xFF000000u, 0xFF000000u, nullptr);
    if (g_StationMenuPage != STATION_PAGE_MAP) DrawGrid();
    switch (g_StationMenuPage) {
    case STATION_PAGE_TABS:
        for (CManagementMenuButton& t : m.tabs) t.Draw();
        DrawStationCargo();
        break;
    case STATION_PAGE_DOCK:
        DrawObjectList();
        DrawStationCargo();
        DrawShipCharacteristics(420.0f, 20.0f);
        if (m.swapWaiting) {
            DrawScreenBevelPanelColour(Green(200, 50), 430, 160, 772, 270);
            DrawScreenBevelFrameColour(Green(150 + rand() % 56, 150), 430, 160, 772, 270);
            for (const auto& [text, y] : {std::pair<const char*, float>{"Выберите второй корабль", 190.0f},
                                          std::pair<const char*, float>{"для смены пилотов...", 220.0f}}) {
                const unsigned c = Green(200 + rand() % 56, 200);
                m.font.DrawText(600.0f - m.font.GetTextWidth(1.0f, text) / 2.0f, y, text, c, c, 1.0f);
            }
        } else {
            m.dockUpgrade.Draw();
            m.dockOrderOut.Draw();
            m.dockSwap.Draw();
        }
        m.dockBack.Draw();
        break;
    case STATION_PAGE_MAP:
        // The map takes the whole screen: the station's turning view would cover its right
        // half and the back button.
        DrawSectorMap();
        break;
    case STATION_PAGE_STATISTICS:
        DrawObjectList();
        DrawStationCargo();
        DrawStatistics();
        m.statisticsBack.Draw();
        break;
    case STATION_PAGE_EXCHANGE:
        DrawStationCargo();
        DrawShipCharacteristics(420.0f, 20.0f);
        m.exchangeOrder.Draw();
        DrawMercenaryOrder();
        m.exchangeSwitch.Draw();
        m.exchangeBack.Draw();
        break;
    case STATION_PAGE_UPGRADES:
        DrawStationCargo();
        DrawShipCharacteristics(20.0f, 20.0f);
        DrawUpgradePage();
        m.upgradeExit.Draw();
        break;
    default:
        break;
    }
    g_World.DisableLights();
    g_WorldIndex = savedWorld;
    if (g_StationMenuPageChanging) {
        const unsigned a = unsigned(g_StationMenuFade * 255.0f) << 24;
        DrawScreenQuad(a, a, -1.0f, -1.0f, 801.0f, 601.0f, a, a, nullptr);
    }
    DrawScreenRectColour(Green(255, 150), 0, 0, 799, 599);
    DrawScreenRectColour(Green(255, 100), 1, 1, 798, 598);
    DrawScreenRectColour(Green(255, 50), 2, 2, 797, 597);
}
