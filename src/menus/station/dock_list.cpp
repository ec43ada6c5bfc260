// The station dock list (pages 1 and 3): the ships docked at the home station, sending a
// wing-man out, swapping pilots; and the mercenary exchange (page 4) with its showcase.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/settings.h"
#include "audio/sound.h"
#include "files/language.h"
#include "locations/location_director.h"
#include "menus/station_menu.h"
#include "net/network.h"
#include "platform/crt/rand.h"
#include "render/draw2d.h"
#include "world/object_list.h"
#include "world/objects/attached_effect.h"
#include "world/objects/item.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {

StationMenuState& M() { return g_StationMenu; }

unsigned Argb(int a, int r, int g, int b)
{
    auto c = [](int v) { return unsigned(v < 0 ? 0 : (v > 255 ? 255 : v)); };
    return (c(a) << 24) | (c(r) << 16) | (c(g) << 8) | c(b);
}

int Flicker() { return rand() % 56; }

const char* const kExchangeModels[2][kShowcaseShips] = {
    {"Data/Space/Ship/Eagle.M1/Main.obj", "Data/Space/Ship/Hammer.M1/Main.obj", "Data/Space/Ship/Midia.M1/Main.obj",
     "Data/Space/Ship/Pegas.M1/Main.obj", "Data/Space/Ship/Python.M1/Main.obj", "Data/Space/Ship/Raptor.M1/Main.obj",
     "Data/Space/Ship/Shark.M1/Main.obj", "Data/Space/Ship/Siluro.M1/Main.obj", "Data/Space/Ship/Valise.M1/Main.obj",
     "Data/Space/Ship/Wanderer.M1/Main.obj"},
    {"Data/Space/Ship/Cobra.M2/Main.obj", "Data/Space/Ship/Eagle.M2/Main.obj", "Data/Space/Ship/Glider.M2/Main.obj",
     "Data/Space/Ship/Hammer.M2/Main.obj", "Data/Space/Ship/Hound.M2/Main.obj", "Data/Space/Ship/Luger.M2/Main.obj",
     "Data/Space/Ship/Midia.M2/Main.obj", "Data/Space/Ship/Raptor.M2/Main.obj", "Data/Space/Ship/Shark.M2/Main.obj",
     "Data/Space/Ship/Slider.M2/Main.obj"},
};

bool HasCargo(const CUnit* u) { return u && u->FindCargoItem() != nullptr; }

void PlayCheckBox()
{
    if (CSound* s = M().checkBoxSound) s->Play(0);
}

// "…_H.obj" <-> "….obj": the player's ship is described by its _H variant.
void SetHumanPath(CUnit* u, bool human)
{
    char* p = u->descriptionPath;
    const size_t n = std::strlen(p);
    if (human) {
        if (n >= 6 && std::strcmp(p + n - 6, "_H.obj") == 0) return;
        if (n < 4 || std::strcmp(p + n - 4, ".obj") != 0 || n + 2 >= sizeof(u->descriptionPath)) return;
        std::strcpy(p + n - 4, "_H.obj");
    } else if (n >= 6 && std::strcmp(p + n - 6, "_H.obj") == 0) {
        std::strcpy(p + n - 6, ".obj");
    }
}

void SwapPilots(CUnit* t, CUnit* s)
{
    if (g_GameMode == 2) g_Network.SendObjectMessage(20, t, s);
    auto demote = [](CUnit* old, CUnit* fresh) {
        old->kind = HasCargo(old) ? GTYPE_SP_NPCSHIP_MERCS_CARGO : GTYPE_SP_NPCSHIP_MERCS_FIGHTER;
        SetHumanPath(old, false);
        SetHumanPath(fresh, true);
        g_PlayerObject = fresh;
        fresh->kind = GTYPE_SP_HEROSHIP;
    };
    if (t->kind == GTYPE_SP_HEROSHIP) demote(t, s);
    else if (s->kind == GTYPE_SP_HEROSHIP) demote(s, t);

    // The pilot blocks change ships whole; each keeps pointing at the ship it now sits in.
    std::swap(t->pilot, s->pilot);
    t->pilot.owner = t;
    s->pilot.owner = s;
    std::swap(t->statistics, s->statistics);
    if (t->kind != GTYPE_SP_HEROSHIP) t->InitMultiplayerName();
    if (s->kind != GTYPE_SP_HEROSHIP) s->InitMultiplayerName();

    CUnit* station = g_HeroStation;
    if (station) {
        int a = -1, b = -1;
        for (int d = 0; d < kMaxDocked; ++d) {
            if (station->dockedUnits[d] == t) a = d;
            if (station->dockedUnits[d] == s) b = d;
        }
        if (a >= 0 && b >= 0) std::swap(station->slotIds[a], station->slotIds[b]);
    }
    M().selectedShip = t;
}

void OrderOut(CUnit* ship)
{
    StationMenuState& m = M();
    const int id = g_LocationDirector.locationId;
    if (id < 1 || id > 99 || ship->kind == GTYPE_SP_HEROSHIP) return;
    PlayCheckBox();
    ship->dockTime = 1;
    CUnit* station = g_HeroStation;
    for (int d = 0; station && d < kMaxDocked; ++d) {
        if (station->dockedUnits[d] != ship) continue;
        // The pilot walking in the interior leaves with the ship.
        const int saved = g_WorldIndex;
        g_WorldIndex = 0;
        if (CUnit* person = CObjectList::FindById(station->slotIds[d].personId)) {
            person->hull = 0.0f;
            if (person->scriptStep == 102 || person->scriptStep == 103) {
                if (CUnit* lift = CObjectList::FindByType(GTYPE_STATION_LIFT))
                    if (CAttachedEffect* door = lift->FindGateDoor()) door->SetSoundState(0);
            }
        }
        g_WorldIndex = saved;
    }
    int row = -1;
    for (int k = 0; k < m.shipRowCount; ++k)
        if (m.shipRows[k].object == ship) row = k;
    if (row < 0) return;
    m.shipRows[row].object = nullptr;
    CUnit* next = row + 1 < m.shipRowCount ? m.shipRows[row + 1].object : nullptr;
    CUnit* prev = row > 0 ? m.shipRows[row - 1].object : nullptr;
    m.selectedShip = next ? next : prev;
}

float Price(const CUnit* ship)
{
    const float p = ship->GetRating() / 50.0f;
    return HasCargo(ship) ? p : p * 2.0f;
}

}  // namespace

void CStationMenu::CollectDockShips()
{
    StationMenuState& m = M();
    m.shipRowCount = 0;
    CUnit* station = g_HeroStation;
    if (!station || station->dockedCount <= 0) return;
    for (CObjectDataButton& r : m.shipRows) r.object = nullptr;
    for (int pass = 0; pass < 2; ++pass) {
        for (int d = 0; d < kMaxDocked; ++d) {
            CUnit* u = station->dockedUnits[d];
            if (!u || u->objectClass != GCLASS_SPACE_SHIP || u->dockTime != 0xFFFFFFFFu) continue;
            const bool cargo = pass == 0;
            const bool listed = cargo ? u->kind == GTYPE_SP_NPCSHIP_MERCS_CARGO || (u->kind == GTYPE_SP_HEROSHIP && HasCargo(u))
                                      : u->kind == GTYPE_SP_NPCSHIP_MERCS_FIGHTER || (u->kind == GTYPE_SP_HEROSHIP && !HasCargo(u));
            if (listed && m.shipRowCount < kStationShipRows) m.shipRows[m.shipRowCount++].object = u;
        }
    }
    if (!m.selectedShip && m.shipRowCount > 0) m.selectedShip = m.shipRows[0].object;
}

void CStationMenu::UpdateDockPage()
{
    StationMenuState& m = M();
    CollectDockShips();
    if (m.swapWaiting) {
        for (int k = 0; k < m.shipRowCount; ++k) {
            if (!m.shipRows[k].WasClicked()) continue;
            CUnit* t = m.shipRows[k].object;
            m.swapWaiting = 0;
            if (t && m.selectedShip && t != m.selectedShip) SwapPilots(t, m.selectedShip);
            break;
        }
        return;
    }
    for (int k = 0; k < m.shipRowCount; ++k)
        if (m.shipRows[k].WasClicked() && m.shipRows[k].object) m.selectedShip = m.shipRows[k].object;
    if (m.dockOrderOut.WasClicked() && m.selectedShip) OrderOut(m.selectedShip);
    if (m.dockSwap.WasClicked() && m.selectedShip && m.shipRowCount >= 2) m.swapWaiting = 1;
}

void CStationMenu::FillDockShipList()
{
    StationMenuState& m = M();
    for (CObjectDataButton& r : m.shipRows) r.object = nullptr;
    m.shipRowCount = 0;
    for (CUnit* u : m.showcase)
        if (u) m.shipRows[m.shipRowCount++].object = u;
    m.selectedShip = m.shipRowCount > 0 ? m.shipRows[0].object : nullptr;
}

void CStationMenu::CreateShowcaseShips()
{
    StationMenuState& m = M();
    ClearShowcaseShips();
    const int savedWorld = g_WorldIndex, savedAudio = g_Settings.audio;
    g_WorldIndex = 1;
    g_Settings.audio = 0;
    int n = 0;
    for (const char* path : kExchangeModels[m.exchangeType ? 1 : 0]) {
        CUnit* u = new CUnit();
        if (!u->Load(path, 0)) {
            u->Release();
            delete u;
            continue;
        }
        u->pilot.Load(u, "Static");
        u->pilot.skill = u->pilot.skill2 = 1.0f;
        u->kind = 1;
        u->position = u->drawPosition = Vec3(100000.0f, 100000.0f, 100000.0f);
        if (!CObjectList::Add(u)) continue;  // a full list destroyed it
        m.showcase[n++] = u;
    }
    std::stable_sort(m.showcase, m.showcase + n,
                     [](const CUnit* a, const CUnit* b) { return a->GetRating() < b->GetRating(); });
    g_WorldIndex = savedWorld;
    g_Settings.audio = savedAudio;
    FillDockShipList();
}

void CStationMenu::ClearShowcaseShips()
{
    for (CUnit*& u : M().showcase) {
        if (u) u->hull = 0.0f;  // the world removes it as destroyed
        u = nullptr;
    }
}

void CStationMenu::UpdateExchangePage()
{
    StationMenuState& m = M();
    for (int k = 0; k < kShowcaseShips; ++k)
        if (m.shipRows[k].WasClicked() && m.shipRows[k].object) m.selectedShip = m.shipRows[k].object;
    if (m.exchangeSwitch.WasClicked()) {
        m.exchangeType = m.exchangeType ? 0 : 1;
        CreateShowcaseShips();
    }
    if (m.exchangeOrder.WasClicked() && g_LocationDirector.ordersAvailable > 0 && m.selectedShip && g_HeroStation) {
        const float price = Price(m.selectedShip);
        // The order book is asked first: a full book takes no ore.
        if (g_HeroStation->ore >= price && g_LocationDirector.CanOrderMercenary()) {
            PlayCheckBox();
            g_HeroStation->ore -= price;
            g_LocationDirector.OrderMercenary(m.selectedShip->descriptionPath);
            DebugOutF("Station menu: mercenary %s ordered for %.3f ore", m.selectedShip->descriptionPath, price);
        }
    }
}

void CStationMenu::SetObjectDataButtonRect(int row)
{
    if (row < 0 || row >= kStationShipRows) return;
    M().shipRows[row].x = 5.0f;
    M().shipRows[row].y = 4.0f + 37.0f * float(row);
    M().shipRows[row].width = 380.0f;
    M().shipRows[row].height = 34.0f;
}

void CStationMenu::DrawObjectDataList(CObjectDataButton& row)
{
    StationMenuState& m = M();
    CUnit* u = row.object;
    const bool selected = u && u == m.selectedShip;
    const int b = row.IsMouseOver() ? 200 : 150;
    const unsigned panel = Argb(selected ? 255 : 150 + Flicker(), 0, 50, 0);
    const unsigned frame = Argb(selected ? 200 : 150 + Flicker(), 0, selected ? 200 : 150, 0);
    DrawScreenBevelPanel(panel, panel, row.x, row.y, row.x + row.width, row.y + row.height, panel, panel);
    DrawScreenBevelFrame(frame, frame, row.x, row.y, row.x + row.width, row.y + row.height, frame, frame, 5);
    if (!u) return;
    const unsigned text = Argb(255, 0, selected ? 255 : b, 0);
    m.font.DrawText(row.x + 8.0f, row.y + 2.0f, u->displayName, text, text, 0.8f);
    // Small bars: hull, engine, manoeuvring, cargo, weapons.
    CItem* cargo = u->FindCargoItem();
    const float shares[5] = {u->hullMax / 250.0f, u->engineMax / 150.0f, (12.0f - u->manoeuvring) / 10.0f,
                             cargo ? cargo->capacity / 1000.0f : 0.0f, u->GetFirepower() / 10.0f};
    for (int i = 0; i < 5; ++i) {
        const float s = shares[i] < 0.0f ? 0.0f : (shares[i] > 1.0f ? 1.0f : shares[i]);
        const float bx = row.x + 8.0f + 36.0f * float(i), by = row.y + row.height - 9.0f;
        DrawScreenQuadColour(Argb(120, 0, 60, 0), bx, by, bx + 30.0f, by + 4.0f, nullptr);
        DrawScreenQuadColour(Argb(230, 0, 220, 0), bx, by, bx + 30.0f * s, by + 4.0f, nullptr);
    }
    char price[96];
    std::snprintf(price, sizeof(price), "%s %.0f", TranslateText("Стоимость:"), Price(u) * 1000.0f);
    const unsigned c = Argb(200, 100, 200, 0);
    m.font.DrawText(row.x + row.width - 8.0f - m.font.GetTextWidth(0.8f, price), row.y + row.height - 18.0f, price, c, c,
                    0.8f);
}

void CStationMenu::DrawObjectList()
{
    StationMenuState& m = M();
    for (int k = 0; k < m.shipRowCount && k < kStationShipRows; ++k) DrawObjectDataList(m.shipRows[k]);
}

void CStationMenu::DrawMercenaryOrder()
{
    StationMenuState& m = M();
    CFont& f = m.font;
    int selectedRow = -1;
    for (int k = 0; k < kShowcaseShips; ++k) {
        if (m.shipRows[k].object) DrawObjectDataList(m.shipRows[k]);
        if (m.shipRows[k].object && m.shipRows[k].object == m.selectedShip) selectedRow = k;
    }
    if (selectedRow >= 0) {
        const CObjectDataButton& r = m.shipRows[selectedRow];
        const float ry = r.y + r.height / 2.0f, rx = r.x + r.width;
        const unsigned c = Argb(150 + Flicker(), 0, 200, 0);
        DrawScreenLineColour(c, rx, ry, rx + 17.0f, ry);
        DrawScreenLineColour(c, rx + 17.0f, ry, rx + 17.0f, 30.0f);
        DrawScreenLineColour(c, rx + 17.0f, 30.0f, 420.0f, 30.0f);
    }
    const unsigned frame = Argb(150 + Flicker(), 0, 150, 0), text = Argb(200 + Flicker(), 0, 200, 0);
    DrawScreenBevelFrame(frame, frame, 20, 390, 370, 510, frame, frame, 5);
    f.DrawText(30, 400, "Модификация:", text, text, 1.0f);
    // The values kept inside the frame in either language.
    f.DrawText(220, 401, m.exchangeType ? "боевые" : "грузовые", text, text, 0.85f);
    f.DrawText(30, 420, "Срок прибытия:", text, text, 1.0f);
    f.DrawText(220, 421, "несколько минут", text, text, 0.85f);
    f.DrawText(30, 440, "Исполнитель заказа:", text, text, 1.0f);
    f.DrawText(220, 441, "Концерн `Орбита`", text, text, 0.85f);

    const unsigned panel = Argb(200, 0, 50, 0);
    DrawScreenBevelPanel(panel, panel, 430, 160, 772, 230, panel, panel);
    DrawScreenBevelFrame(frame, frame, 430, 160, 772, 230, frame, frame, 5);
    char line[128];
    auto centred = [&](const char* s, float y) { f.DrawText(600.0f - f.GetTextWidth(1.0f, s) / 2.0f, y, s, text, text, 1.0f); };
    if (g_LocationDirector.ordersAvailable > 0) {
        if (m.selectedShip) {
            std::snprintf(line, sizeof(line), "%s %.0f", TranslateText("Стоимость заказа:"), Price(m.selectedShip) * 1000.0f);
            centred(line, 170.0f);
        }
        std::snprintf(line, sizeof(line), "%s %d", TranslateText("Доступно заказов:"), g_LocationDirector.ordersAvailable);
        centred(line, 200.0f);
    } else {
        centred(TranslateText("Доступных заказов нет!"), 185.0f);
        const unsigned dark = Argb(100, 0, 0, 0);
        DrawScreenQuad(dark, dark, 428, 238, 772, 272, dark, dark, nullptr);
    }
}
