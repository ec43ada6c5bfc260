// `datagen --check`: the values of ships, items, bullets and pilots lie on the scales the
// game's formulas assume (value_scales.h says which and why), and every Russian object
// name has its English pair.
#include "../datagen.h"
#include "check_util.h"
#include "unit_check.h"
#include "unit_dump.h"
#include "value_scales.h"

#include "files/language.h"
#include "world/objects/bullet.h"

#include <cmath>
#include <set>

namespace {

using namespace datagen;

void Hold(datagen::CheckContext& check, const std::string& owner, const datagen::Range& r, float v)
{
    const std::string off = datagen::OffScale(r, v);
    if (!off.empty()) check.Missing("value in range: " + owner + " " + off);
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
        // The player's own pilot walks the station interiors as the player: a head text would
        // spawn a second person with the player's name beside them.
        if (folder == "Human/Hero" && u->pilot.headText[0])
            check.Missing("value in range: pilot Human/Hero has a head text; the player's ship would put a second person "
                          "with the player's name into every station interior");
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
