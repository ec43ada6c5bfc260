// Page 10 of the station menu: upgrades of the selected ship's systems and weapons, paid
// with the home station's ore, and the catalogue of replacement weapons.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/settings.h"
#include "audio/audio_manager.h"
#include "audio/sound.h"
#include "files/file_manager.h"
#include "files/language.h"
#include "menus/station_menu.h"
#include "platform/crt/rand.h"
#include "render/draw2d.h"
#include "world/objects/item.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {

enum RowPart { PART_HULL, PART_ENGINE, PART_MANOEUVRING, PART_CARGO, PART_LASER, PART_LAUNCHER };

StationMenuState& M() { return g_StationMenu; }

unsigned Argb(int a, int r, int g, int b)
{
    auto c = [](int v) { return unsigned(v < 0 ? 0 : (v > 255 ? 255 : v)); };
    return (c(a) << 24) | (c(r) << 16) | (c(g) << 8) | c(b);
}

int Flicker() { return rand() % 56; }

RowPart PartOfRow(const CUnit* ship, int row)
{
    const CUpgradeSystemButton& r = M().upgradeRows[row];
    if (row == 0) return PART_HULL;
    if (row == 1) return PART_ENGINE;
    if (row == 2) return PART_MANOEUVRING;
    if (r.itemIndex >= 0 && r.itemIndex < kMaxUnitItems && ship->items[r.itemIndex]) {
        const int kind = ship->items[r.itemIndex]->kind;
        if (kind == GTYPE_CARGOSYSTEM) return PART_CARGO;
        return kind == GTYPE_LASER_WEAPON ? PART_LASER : PART_LAUNCHER;
    }
    return PART_CARGO;
}

CItem* ItemOfRow(CUnit* ship, int row)
{
    const int i = M().upgradeRows[row].itemIndex;
    return ship && i >= 0 && i < kMaxUnitItems ? ship->items[i] : nullptr;
}

bool WithinLimit(CUnit* ship, int row)
{
    CItem* item = ItemOfRow(ship, row);
    switch (PartOfRow(ship, row)) {
    case PART_HULL: return ship->hullMax < 250.0f;
    case PART_ENGINE: return ship->engineMax < 150.0f;
    case PART_MANOEUVRING: return ship->manoeuvring > 2.0f;
    case PART_CARGO: return item && item->capacity < 1000.0f;
    case PART_LASER: return item && item->reloadTime > 0.21f;
    case PART_LAUNCHER: return item && item->reloadTime > 1.01f;
    }
    return false;
}

float Cost(CUnit* ship, int row)
{
    CItem* item = ItemOfRow(ship, row);
    switch (PartOfRow(ship, row)) {
    case PART_HULL: return ship->hull / 500.0f;
    case PART_ENGINE: return ship->engineMax / 200.0f;
    case PART_MANOEUVRING: return (11.0f - ship->manoeuvring) / 10.0f;
    case PART_CARGO: return item ? item->capacity / 500.0f : 0.0f;
    case PART_LASER: return item ? (1500.0f - 1000.0f * item->reloadTime) / 1000.0f : 0.0f;
    case PART_LAUNCHER: return item ? (1000.0f - 100.0f * item->reloadTime) / 1000.0f : 0.0f;
    }
    return 0.0f;
}

// Upgrade share of the way to a part's limit, in percent; 0 where the base already sits
// on the limit (nothing to divide by).
float Percent(float total, float span, float sign)
{
    const float p = span != 0.0f ? total / span * 100.0f * sign : 0.0f;
    // An unupgraded part reads "0%", never "-0%".
    return std::fabs(p) < 0.5f ? 0.0f : p;
}

void PlayCheckBox()
{
    if (CSound* s = M().checkBoxSound) s->Play(0);
}

float& StationOre() { return g_HeroStation->ore; }

int SelectedRow()
{
    for (int i = 0; i < M().upgradeRowCount && i < kUpgradeRows; ++i)
        if (M().upgradeRows[i].pressed) return i;
    return -1;
}

int SelectedEntry()
{
    for (int j = 0; j < M().catalogueCount && j < kCatalogueEntries; ++j)
        if (M().catalogue[j].pressed) return j;
    return -1;
}

void FillCatalogue(CItem* current)
{
    StationMenuState& m = M();
    m.catalogueCount = 0;
    if (!current) return;
    if (current->kind == GTYPE_LASER_WEAPON) {
        for (int n = 1; n <= 9; ++n)
            CStationMenu::LoadWeaponItem(m.catalogue[m.catalogueCount < kCatalogueEntries ? m.catalogueCount : 0],
                                         "Data/Space/Item/Laser Weapon/Laser M", n, &m.catalogueCount, current);
    } else {
        for (const char* prefix : {"Data/Space/Item/Rocket Weapon/RL M", "Data/Space/Item/Rocket Weapon/ML M"})
            for (int n = 1; n <= 9; ++n)
                CStationMenu::LoadWeaponItem(m.catalogue[m.catalogueCount < kCatalogueEntries ? m.catalogueCount : 0],
                                             prefix, n, &m.catalogueCount, current);
    }
}

void Buy(CUnit* ship, int row)
{
    const float cost = Cost(ship, row);
    if (!g_HeroStation || StationOre() < cost) return;
    PlayCheckBox();
    StationOre() -= cost;
    CItem* item = ItemOfRow(ship, row);
    switch (PartOfRow(ship, row)) {
    case PART_HULL:
        ship->hullMax += 5.0f, ship->hull += 5.0f;
        ship->baseValues[UNIT_BASE_HULL].bonus += 5.0f;
        break;
    case PART_ENGINE:
        ship->engineMax += 5.0f;
        ship->baseValues[UNIT_BASE_ENGINE].bonus += 5.0f;
        break;
    case PART_MANOEUVRING:
        ship->manoeuvring -= 0.25f;
        ship->baseValues[UNIT_BASE_MANOEUVRING].bonus -= 0.25f;
        break;
    case PART_CARGO:
        if (item) item->capacity += 25.0f, item->baseValues[ITEM_BASE_CAPACITY].bonus += 25.0f;
        break;
    case PART_LASER:
        if (item) item->reloadTime -= 0.025f, item->baseValues[ITEM_BASE_RELOAD].bonus -= 0.025f;
        break;
    case PART_LAUNCHER:
        if (item) item->reloadTime -= 0.1f, item->baseValues[ITEM_BASE_RELOAD].bonus -= 0.1f;
        break;
    }
    CStationMenu::BuildUpgradeCaptions();
    DebugOutF("Station menu: %s upgraded for %.3f ore, %.3f left", M().upgradeRows[row].caption, cost, StationOre());
}

// The bought model takes the old weapon's place in the item list; the old one goes only
// once the new one has loaded, so a failed load costs nothing.
void Replace(CUnit* ship, int row, int entry)
{
    StationMenuState& m = M();
    CWeaponInfoButton& e = m.catalogue[entry];
    const int index = m.upgradeRows[row].itemIndex;
    CItem* old = ItemOfRow(ship, row);
    if (!old || !g_HeroStation || e.bulletDamage <= 0.0f) return;
    const float price = e.reloadTime / e.bulletDamage * 10.0f;
    if (StationOre() < price) return;
    CItem* fresh = new CItem();
    if (!fresh->Load(e.modelPath, ship, old->attachIndex)) {
        fresh->Release();
        delete fresh;
        return;
    }
    PlayCheckBox();
    StationOre() -= price;
    old->StopSound();
    old->Release();
    delete old;
    ship->items[index] = fresh;
    DebugOutF("Station menu: weapon replaced by %s for %.3f ore", e.modelPath, price);
    FillCatalogue(fresh);
    for (int j = 0; j < m.catalogueCount; ++j) m.catalogue[j].pressed = j == entry;
    CStationMenu::BuildUpgradeCaptions();
}

}  // namespace

void CStationMenu::BuildUpgradeCaptions()
{
    StationMenuState& m = M();
    CUnit* ship = m.selectedShip;
    m.upgradeRowCount = 0;
    if (!ship) return;
    char word[64];
    CopyTextCut(word, sizeof(word), TranslateText("улучш."));
    auto row = [&](const char* name, int itemIndex, const char* itemName, float percent) {
        if (m.upgradeRowCount >= kUpgradeRows) return;
        CUpgradeSystemButton& r = m.upgradeRows[m.upgradeRowCount++];
        if (itemName) {
            std::snprintf(r.caption, sizeof(r.caption), "%s %s", TranslateText(name), itemName);
            CopyTextCut(r.itemName, sizeof(r.itemName), itemName);
        } else {
            CopyTextCut(r.caption, sizeof(r.caption), TranslateText(name));
            r.itemName[0] = '\0';
        }
        r.itemIndex = itemIndex;
        std::snprintf(r.valueText, sizeof(r.valueText), "(%s - %.0f%%)", word, percent);
    };
    const UnitBaseValue* b = ship->baseValues;
    row("Корпус", -1, nullptr, Percent(b[UNIT_BASE_HULL].bonus, 250.0f - b[UNIT_BASE_HULL].value, 1.0f));
    row("Главный двигатель", -1, nullptr, Percent(b[UNIT_BASE_ENGINE].bonus, 150.0f - b[UNIT_BASE_ENGINE].value, 1.0f));
    row("Двигатели маневрирования", -1, nullptr,
        Percent(b[UNIT_BASE_MANOEUVRING].bonus, b[UNIT_BASE_MANOEUVRING].value - 2.0f, -1.0f));
    for (int i = 0; i < kMaxUnitItems; ++i) {
        const CItem* it = ship->items[i];
        if (it && it->kind == GTYPE_CARGOSYSTEM) {
            row("Грузовой отсек", i, nullptr,
                Percent(it->baseValues[ITEM_BASE_CAPACITY].bonus, 1000.0f - it->baseValues[ITEM_BASE_CAPACITY].value, 1.0f));
            break;
        }
    }
    for (int i = 0; i < kMaxUnitItems; ++i) {
        const CItem* it = ship->items[i];
        if (it && it->kind == GTYPE_LASER_WEAPON)
            row("Лазерная пушка", i, it->name,
                Percent(it->baseValues[ITEM_BASE_RELOAD].bonus, it->baseValues[ITEM_BASE_RELOAD].value - 0.2f, -1.0f));
    }
    for (int i = 0; i < kMaxUnitItems; ++i) {
        const CItem* it = ship->items[i];
        if (it && (it->kind == GTYPE_ROCKT_WEAPON || it->kind == GTYPE_MISSL_WEAPON))
            row("Ракетная установка", i, it->name,
                Percent(it->baseValues[ITEM_BASE_RELOAD].bonus, it->baseValues[ITEM_BASE_RELOAD].value - 1.0f, -1.0f));
    }
}

void CStationMenu::ResetUpgradePage()
{
    StationMenuState& m = M();
    m.weaponRowSelected = 0;
    if (!m.selectedShip) return;
    for (CUpgradeSystemButton& r : m.upgradeRows) r.pressed = 0;
    m.upgradeRows[0].pressed = 1;
    BuildUpgradeCaptions();
}

void CStationMenu::LoadWeaponItem(CWeaponInfoButton& entry, const char* prefix, int model, int* count,
                                  const CItem* current)
{
    if (!count || *count >= kCatalogueEntries) return;
    char path[255];
    std::snprintf(path, sizeof(path), "%s%d/Main.obj", prefix, model);
    entry.pressed = 0;
    if (current && std::strcmp(current->filePath, path) == 0) return;
    const int handle = CFileManager::Open(path, FILE_KIND_OBJECTS, nullptr);
    if (handle == -1) return;
    CFileManager::Close(handle);
    CItem item;
    if (!item.Load(path, nullptr, -1)) {
        item.Release();
        return;
    }
    const char* weapon = std::strstr(prefix, "Laser Weapon") ? "Лазерная пушка" : "Ракетная установка";
    std::snprintf(entry.caption, sizeof(entry.caption), "%s %s", TranslateText(weapon), item.name);
    CopyTextCut(entry.modelPath, sizeof(entry.modelPath), path);
    CopyTextCut(entry.modelName, sizeof(entry.modelName), item.name);
    CopyTextCut(entry.description, sizeof(entry.description), item.description);
    entry.bulletDamage = item.bulletDamage;
    entry.range = item.range;
    entry.reloadTime = item.reloadTime;
    item.Release();
    ++*count;
}

int CStationMenu::OnUpgradePageClick()
{
    StationMenuState& m = M();
    CUnit* ship = m.selectedShip;
    if (!ship) return 0;
    for (int i = 0; i < m.upgradeRowCount && i < kUpgradeRows; ++i) {
        CUpgradeSystemButton& r = m.upgradeRows[i];
        if (r.pressed && WithinLimit(ship, i) && m.upgradeBuy.OnMouseDown()) return 1;
        if (r.OnMouseDown()) {
            for (int k = 0; k < m.upgradeRowCount; ++k)
                if (k != i) m.upgradeRows[k].pressed = 0;
            const RowPart part = PartOfRow(ship, i);
            m.weaponRowSelected = part == PART_LASER || part == PART_LAUNCHER;
            if (m.weaponRowSelected) {
                FillCatalogue(ItemOfRow(ship, i));
                if (m.catalogueCount > 0) m.catalogue[0].pressed = 1;
            }
            return 1;
        }
    }
    if (m.weaponRowSelected && m.catalogueCount > 0) {
        for (int j = 0; j < m.catalogueCount; ++j) {
            if (m.catalogue[j].OnMouseDown()) {
                for (int k = 0; k < m.catalogueCount; ++k)
                    if (k != j) m.catalogue[k].pressed = 0;
                return 1;
            }
        }
        return m.upgradeReplace.OnMouseDown();
    }
    return 0;
}

void CStationMenu::UpdateUpgradePage()
{
    StationMenuState& m = M();
    CUnit* ship = m.selectedShip;
    const int row = SelectedRow();
    if (!ship || row < 0) {
        m.upgradeBuy.WasClicked();
        m.upgradeReplace.WasClicked();
        return;
    }
    if (m.upgradeBuy.WasClicked() && WithinLimit(ship, row)) Buy(ship, row);
    if (m.upgradeReplace.WasClicked() && m.weaponRowSelected && m.catalogueCount > 0) {
        const int entry = SelectedEntry();
        if (entry >= 0) Replace(ship, row, entry);
    }
}

void DrawWrappedText(const char* heading, const char* body, float x, float y, float bottom)
{
    CFont& f = M().font;
    const unsigned light = Argb(200 + Flicker(), 100, 200, 0), dark = Argb(200 + Flicker(), 50, 100, 0);
    f.DrawText(x, y, heading, light, dark, 0.8f);
    const float h = f.GetTextHeight(1.0f) * 0.8f;
    float ly = y + h;
    const char* p = body ? TranslateText(body) : "";
    char line[255];
    while (*p && ly + h <= bottom) {
        size_t n = 0;
        while (p[n] && n < sizeof(line) - 1) {
            std::memcpy(line, p, n + 1);
            line[n + 1] = '\0';
            if (f.GetTextWidth(0.8f, line) > 340.0f && n > 0) break;
            ++n;
        }
        // Cut back to the last blank when the text goes on.
        if (p[n]) {
            size_t cut = n;
            while (cut > 0 && p[cut] != ' ') --cut;
            if (cut > 0) n = cut;
        }
        if (n == 0) n = 1;
        std::memcpy(line, p, n);
        line[n] = '\0';
        const unsigned c1 = Argb(200 + Flicker(), 0, 200, 0), c2 = Argb(200, 0, 100, 0);
        f.DrawText(x, ly, line, c1, c2, 0.8f);
        ly += h;
        p += n;
        while (*p == ' ') ++p;
    }
}

void CStationMenu::DrawWeaponList()
{
    StationMenuState& m = M();
    for (int j = 0; j < m.catalogueCount && j < kCatalogueEntries; ++j) {
        CWeaponInfoButton& e = m.catalogue[j];
        const float ty = e.y + 1.0f + e.height / 2.0f - m.font.GetTextHeight(1.0f) / 2.0f;
        unsigned panel, frame, text;
        if (e.pressed) {
            panel = Argb(255, 0, 50, 0), frame = Argb(200, 0, 200, 0), text = Argb(255, 0, 255, 0);
        } else {
            const int b = e.IsMouseOver() ? 200 : 150;
            panel = Argb(150 + Flicker(), 0, 50, 0), frame = Argb(150 + Flicker(), 0, 150, 0), text = Argb(255, 0, b, 0);
        }
        DrawScreenBevelPanel(panel, panel, e.x, e.y, e.x + e.width, e.y + e.height, panel, panel);
        DrawScreenBevelFrame(frame, frame, e.x, e.y, e.x + e.width, e.y + e.height, frame, frame, 5);
        m.font.DrawText(e.x + 10.0f, ty, e.caption, text, text, 0.9f);
    }
}

void CStationMenu::DrawUpgradePage()
{
    StationMenuState& m = M();
    CUnit* ship = m.selectedShip;
    if (!ship) return;
    for (int i = 0; i < m.upgradeRowCount && i < kUpgradeRows; ++i) m.upgradeRows[i].Draw();
    const int row = SelectedRow();
    CFont& f = m.font;
    char text[256];
    if (row >= 0 && WithinLimit(ship, row)) {
        const float y = m.upgradeRows[row].y;
        const unsigned line = Argb(200, 0, 100, 0), glow = Argb(200 + Flicker(), 0, 200, 0);
        DrawScreenLine(line, glow, 380, y + 15, 390, y + 15);
        DrawScreenLine(line, glow, 390, y + 15, 390, 565);
        DrawScreenLine(line, glow, 390, 565, 380, 565);
        const unsigned black = Argb(200, 0, 0, 0), green = Argb(200 + Flicker(), 0, 200, 0);
        DrawScreenBevelPanel(black, black, 20, 488, 380, 580, black, black);
        DrawScreenBevelFrame(green, green, 20, 488, 380, 580, green, green, 5);
        static const char* const kOffers[] = {"Увеличить прочность корпуса:", "Увеличить мощность главного двигателя:",
                                              "Увеличить мощность двиг.маневрирования:",
                                              "Увеличить вместимость грузового отсека:", "Уменьшить время перезарядки:",
                                              "Уменьшить время перезарядки:"};
        const RowPart part = PartOfRow(ship, row);
        const unsigned c = Argb(200 + Flicker(), 0, 200, 0);
        f.DrawText(30, 494, kOffers[part], c, c, 0.9f);
        std::snprintf(text, sizeof(text), "%s %.0f", TranslateText("Стоимость:"), Cost(ship, row) * 1000.0f);
        f.DrawText(30, 512, text, c, c, 0.9f);
        if (part == PART_LASER || part == PART_LAUNCHER) {
            CItem* item = ItemOfRow(ship, row);
            if (item && item->reloadTime > 0.0f) {
                std::snprintf(text, sizeof(text), "%s - %.0f", TranslateText("Выстрелов в минуту"), 60.0f / item->reloadTime);
                // Right-aligned in the panel, clear of the bracket beside it.
                f.DrawText(370.0f - f.GetTextWidth(0.9f, text), 512, text, c, c, 0.9f);
            }
        }
        m.upgradeBuy.Draw();
    }
    if (m.weaponRowSelected && m.catalogueCount > 0) {
        const unsigned c = Argb(200 + Flicker(), 0, 200, 0);
        f.DrawText(440, 185, "Доступно для замены:", c, c, 1.0f);
        DrawWeaponList();
        const int entry = SelectedEntry();
        if (entry >= 0) {
            // The chosen model's figures and description above the list, clear of the
            // list, the replace button and the station's cargo panel below; as wide as the
            // exit button above, so that a wrapped line of 340 units fits.
            const CWeaponInfoButton& e = m.catalogue[entry];
            const unsigned black = Argb(170, 0, 0, 0), green = Argb(150 + Flicker(), 0, 150, 0);
            DrawScreenBevelPanel(black, black, 420, 58, 780, 178, black, black);
            DrawScreenBevelFrame(green, green, 420, 58, 780, 178, green, green, 5);
            const float lh = f.GetTextHeight(0.9f);
            if (e.reloadTime > 0.0f) {
                std::snprintf(text, sizeof(text), "%s - %.0f", TranslateText("Выстрелов в минуту"), 60.0f / e.reloadTime);
                f.DrawText(430, 64, text, c, c, 0.9f);
            }
            if (e.bulletDamage > 0.0f) {
                std::snprintf(text, sizeof(text), "%s - %.0f", TranslateText("Стоимость замены:"),
                              e.reloadTime / e.bulletDamage * 10.0f * 1000.0f);
                f.DrawText(430, 64 + lh, text, c, c, 0.9f);
            }
            DrawWrappedText(e.modelName, e.description, 430, 68 + 2 * lh, 174);
        }
        m.upgradeReplace.Draw();
    }
}
