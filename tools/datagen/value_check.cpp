// `datagen --check`: the values of ships, items, bullets and pilots lie on the scales the
// game's formulas assume, and every Russian object name has its English pair.
//
// The scales: the station menu's upgrades stop at hull 250, engine 150, manoeuvring 2,
// cargo 1000, laser reload 0.2 s and launcher reload 1 s, and show the upgrade as a share
// of the distance from the base value to that stop (so a base at the stop divides by 0);
// the ship panel's bars are hull / 250, engine / 150 and (12 - manoeuvring) / 10; the
// upgrade cost of manoeuvring is (11 - manoeuvring) / 10; the pirates' sector bonus and
// the aliens' size bonus are shares of the same distances. A weapon's replacement price
// divides by its bullet's damage.
#include "datagen.h"
#include "check_util.h"
#include "unit_check.h"
#include "unit_dump.h"

#include "files/language.h"
#include "world/objects/bullet.h"

#include <cmath>
#include <set>

namespace {

struct Range {
    const char* what;
    float low, high;      // the value must lie in (low, high] or [low, high] by lowOpen
    bool lowOpen, highOpen;
    const char* why;
};

// One row per value the check holds; a row's name is what the report prints.
const Range kShipHull = {"hull", 0, 250, true, true, "the hull upgrade stops at 250 and its bar draws out of 250"};
const Range kShipEngine = {"engine", 0, 150, true, true, "the engine upgrade stops at 150 and its bar draws out of 150"};
const Range kShipManoeuvring = {"manoeuvring", 2, 11, true, false, "the manoeuvring upgrade stops at 2, its cost is (11 - m) / 10"};
const Range kCargo = {"cargo capacity", 0, 1000, false, true, "the cargo upgrade stops at 1000 and its bar draws out of 1000"};
const Range kLaserReload = {"laser reload", 0.2f, 60, true, false, "the laser reload upgrade stops at 0.2 s"};
const Range kLauncherReload = {"launcher reload", 1, 60, true, false, "the launcher reload upgrade stops at 1 s"};
const Range kDamage = {"bullet damage", 1, 9999, false, false, "a weapon's replacement price divides by its damage"};
const Range kSkill = {"pilot skill", 0, 1, false, false, "skills are shares of 1"};

bool Inside(const Range& r, float v)
{
    if (!std::isfinite(v)) return false;
    if (r.lowOpen ? v <= r.low : v < r.low) return false;
    if (r.highOpen ? v >= r.high : v > r.high) return false;
    return true;
}

void Hold(datagen::CheckContext& check, const std::string& owner, const Range& r, float v)
{
    if (Inside(r, v)) return;
    char b[256];
    std::snprintf(b, sizeof b, "%s %s %g outside %c%g, %g%c: %s", owner.c_str(), r.what, v, r.lowOpen ? '(' : '[', r.low,
                  r.high, r.highOpen ? ')' : ']', r.why);
    check.Missing(std::string("value in range: ") + b);
}

bool IsShipKind(int kind)
{
    return kind == GTYPE_SP_HEROSHIP || kind == GTYPE_SP_NPCSHIP || kind == GTYPE_SP_LEAFSHIP;
}

void CheckItemValues(datagen::CheckContext& check, const CItem& it, bool onShip)
{
    const std::string owner = it.filePath;
    const float reload = it.baseValues[4].value;
    if (it.kind == GTYPE_LASER_WEAPON) Hold(check, owner, kLaserReload, reload);
    if (it.kind == GTYPE_ROCKT_WEAPON || it.kind == GTYPE_MISSL_WEAPON) Hold(check, owner, kLauncherReload, reload);
    if (it.kind >= GTYPE_LASER_WEAPON && it.kind <= GTYPE_MISSL_WEAPON) Hold(check, owner, kDamage, it.baseValues[0].value);
    if (it.kind == GTYPE_CARGOSYSTEM && onShip) Hold(check, owner, kCargo, it.baseValues[3].value);
    if (it.ammo < 0 || it.ammo > it.maxAmmo)
        check.Missing("value in range: " + owner + " ammunition " + std::to_string(it.ammo) + " above its maximum " +
                      std::to_string(it.maxAmmo));
}

} // namespace

DATAGEN_CHECK(values)
{
    datagen::CheckTextureScope textures;
    const int savedWorld = g_WorldIndex;
    g_WorldIndex = 1;
    int ships = 0, items = 0, bullets = 0;

    for (const std::string& path : unitdump::ObjectPaths("Data/Space/Ship/", ".obj")) {
        if (!unitcheck::IsUnitDescription(path)) continue;
        CUnit* u = new CUnit();
        if (u->Load(path.c_str(), -1) == 1 && u->objectClass == GCLASS_SPACE_SHIP && IsShipKind(u->kind)) {
            ++ships;
            Hold(check, path, kShipHull, u->baseValues[0].value);
            Hold(check, path, kShipEngine, u->baseValues[2].value);
            Hold(check, path, kShipManoeuvring, u->baseValues[3].value);
            if (u->hull != u->hullMax)
                check.Missing("value in range: " + path + " starts with hull " + std::to_string(u->hull) + " of " +
                              std::to_string(u->hullMax));
            for (int i = 0; i < u->itemCount; ++i)
                if (u->items[i] && u->items[i]->kind == GTYPE_CARGOSYSTEM) CheckItemValues(check, *u->items[i], true);
        }
        u->Release();
        delete u;
    }
    for (const std::string& path : unitdump::ObjectPaths("Data/Space/Item/", "/Main.obj")) {
        CItem* it = new CItem();
        if (it->Load(path.c_str(), nullptr, -1)) {
            ++items;
            CheckItemValues(check, *it, false);
            // The lead point assumes the item's shot speed; a bolt of another speed misses.
            if (it->kind == GTYPE_LASER_WEAPON) {
                CBullet* b = new CBullet();
                if (b->Load(it->bulletPath) == 1 && b->maxSpeed != it->baseValues[2].value)
                    check.Missing("value in range: " + path + " shot speed " + std::to_string((int)it->baseValues[2].value) +
                                  " is not its bolt's speed " + std::to_string((int)b->maxSpeed));
                b->Release();
                delete b;
            }
        }
        it->Release();
        delete it;
    }
    for (const std::string& path : unitdump::ObjectPaths("Data/Space/Bullet/", "/Main.obj")) {
        CBullet* b = new CBullet();
        if (b->Load(path.c_str()) == 1) {
            ++bullets;
            Hold(check, path, kDamage, b->damage);
            if (b->alive == 0 || b->flightTime <= 0 || b->speed > b->maxSpeed)
                check.Missing("value in range: " + path + " flies: alive not 0, flight time above 0, speed at most its maximum");
        }
        b->Release();
        delete b;
    }
    for (const std::string& folder : unitcheck::PilotFolders()) {
        CUnit* u = new CUnit();
        u->kind = GTYPE_SP_NPCSHIP;
        u->pilot.Load(u, folder.c_str());
        Hold(check, "Human pilot " + folder, kSkill, u->pilot.skill);
        Hold(check, "Human pilot " + folder, kSkill, u->pilot.skill2);
        u->Release();
        delete u;
    }

    // Names the loaders translate: a Russian name without its pair shows Russian in English.
    std::set<std::string> paired;
    for (int i = 0; i < g_LanguageTables.nameCount; ++i) paired.insert(g_LanguageTables.nameRus[i]);
    int names = 0;
    for (uint32_t e = 0; g_ArchiveEntries[0] && e < g_ArchiveEntryCounts[0]; ++e) {
        const std::string path = g_ArchiveEntries[0][e].name;
        if (path.size() < 4 || path.compare(path.size() - 4, 4, ".obj") != 0) continue;
        const std::string text((const char*)g_ArchiveEntries[0][e].data, g_ArchiveEntries[0][e].size);
        // Line 4 holds the name behind the 32-character label column.
        size_t at = 0;
        for (int line = 1; line < 4 && at != std::string::npos; ++line) {
            at = text.find('\n', at);
            if (at != std::string::npos) ++at;
        }
        if (at == std::string::npos || at + 32 > text.size()) continue;
        const size_t end = text.find_first_of("\r\n", at);
        std::string name = text.substr(at + 32, end == std::string::npos ? std::string::npos : end - at - 32);
        while (!name.empty() && name.back() == ' ') name.pop_back();
        bool russian = false;
        for (unsigned char c : name) russian |= c >= 0xC0 || c == 0xA8 || c == 0xB8;
        if (!russian) continue;
        ++names;
        if (!paired.count(name)) check.Missing("English name for \"" + name + "\" (" + path + "): the English game would show it in Russian");
    }
    check.Note("values: " + std::to_string(ships) + " ships, " + std::to_string(items) + " items, " + std::to_string(bullets) +
               " bullets on the game's scales; " + std::to_string(names) + " Russian names with English pairs");
    g_WorldIndex = savedWorld;
}
