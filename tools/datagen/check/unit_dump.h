// A text dump of what the game's loaders make of the data set: the units of every
// location (with their items, pilots and dialogs), every unit description, item and
// bullet file on its own, and every pilot folder in both languages. Two builds of the
// data set that dump the same load the same game; the location tests compare the dump
// with a committed copy so that a change of the sources shows as a readable diff.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "app/settings.h"
#include "files/language.h"
#include "location_check.h"
#include "platform/crt/rand.h"
#include "unit_check.h"
#include "world/objects/bullet.h"

namespace unitdump {

inline std::string Num(float v)
{
    char b[32];
    std::snprintf(b, sizeof b, "%.3f", v);
    return b;
}

inline void Line(std::string* out, int depth, const std::string& text)
{
    out->append((size_t)depth * 2, ' ');
    *out += text;
    *out += '\n';
}

inline void DumpItem(const CItem& it, int depth, std::string* out)
{
    Line(out, depth, "item " + std::string(it.filePath) + " kind " + std::to_string(it.kind) + " name \"" + it.name + "\"");
    Line(out, depth + 1, "range " + Num(it.baseValues[1].value) + " shot speed " + Num(it.baseValues[2].value) +
                             " capacity " + Num(it.baseValues[3].value) + " reload " + Num(it.baseValues[4].value) +
                             " ammo " + std::to_string(it.maxAmmo) + "/" + std::to_string(it.ammo));
    Line(out, depth + 1, "bullet " + std::string(it.bulletPath) + " damage " + Num(it.baseValues[0].value));
    Line(out, depth + 1, "description \"" + std::string(it.description) + "\"");
}

inline void DumpPilot(const CPilotData& p, int depth, std::string* out)
{
    if (!p.folder[0]) return;
    Line(out, depth, "pilot " + std::string(p.folder) + " side " + std::to_string(p.side) + " sex " + std::to_string(p.sex) +
                         " skill " + Num(p.skill) + "/" + Num(p.skill2) + " pitch " + std::to_string(p.voicePitch));
    Line(out, depth + 1, "title \"" + std::string(p.title) + "\" second \"" + p.secondText + "\" marker \"" + p.pilotMarker +
                             "\" name \"" + p.pilotName + "\" head text \"" + p.headText + "\"" + (p.head ? " head" : ""));
}

inline void DumpDialog(const CRadioDialog& d, int depth, std::string* out)
{
    for (uint32_t i = 0; i < d.lineCount; ++i) {
        const CRadioDialogLine& l = d.lines[i];
        std::string replies;
        for (int r = 0; r < l.replyCount && r < RADIO_MAX_REPLIES; ++r) replies += " " + std::to_string(l.replies[r]);
        Line(out, depth, "line " + std::to_string(i) + " type " + std::to_string(l.type) + " once " + std::to_string(l.oneShot) +
                             " replies" + replies + " wav " + l.wav + " \"" + l.text + "\"");
    }
}

inline void DumpUnit(const CUnit& u, int depth, std::string* out)
{
    Line(out, depth, "unit " + std::to_string(u.pilot.objectId) + " " + u.descriptionPath + " class " + std::to_string(u.objectClass) +
                         " kind " + std::to_string(u.kind) + " name \"" + u.displayName + "\"");
    Line(out, depth + 1, "at " + Num(u.position.x) + " " + Num(u.position.y) + " " + Num(u.position.z) + " order " +
                             std::to_string(u.orderType) + " manual " + std::to_string(u.manualControl));
    Line(out, depth + 1, "hull " + Num(u.baseValues[0].value) + " rating " + Num(u.baseValues[1].value) + " engine " +
                             Num(u.baseValues[2].value) + " manoeuvring " + Num(u.baseValues[3].value) + " shot " +
                             Num(u.baseValues[4].value) + " ore " + Num(u.ore));
    for (int i = 0; i < u.itemCount; ++i)
        if (u.items[i]) DumpItem(*u.items[i], depth + 1, out);
    for (int s = 1; s < kDerivedSlotCount; ++s)
        if (u.derivedPaths[s][0]) Line(out, depth + 1, "derived " + std::to_string(s) + " " + u.derivedPaths[s]);
    DumpPilot(u.pilot, depth + 1, out);
    DumpDialog(u.radioDialog, depth + 2, out);
    for (int i = 0; i < u.dockedCount && i < kMaxDocked; ++i)
        if (u.dockedUnits[i]) DumpUnit(*u.dockedUnits[i], depth + 1, out);
}

// The units of the location now loaded in the current world.
inline void DumpWorld(std::string* out)
{
    const int w = g_WorldIndex;
    for (uint32_t i = 0; i < CObjectList::unitCount[w]; ++i)
        if (CObjectList::units[w][i]) DumpUnit(*CObjectList::units[w][i], 1, out);
}

inline void DumpBullet(const std::string& path, std::string* out)
{
    CBullet* b = new CBullet();
    if (b->Load(path.c_str()) == 1) {
        Line(out, 0, "bullet " + path + " kind " + std::to_string(b->kind) + " name \"" + b->name + "\"");
        Line(out, 1, "alive " + Num(b->alive) + " damage " + Num(b->damage) + " speed " + Num(b->maxSpeed) + "/" + Num(b->speed) +
                         " inertia " + Num(b->turnInertia) + " flight " + Num(b->flightTime) + " effects " + std::to_string(b->effectCount));
        for (int s = 1; s < kDerivedSlotCount; ++s)
            if (b->derivedPaths[s][0]) Line(out, 1, "derived " + std::to_string(s) + " " + b->derivedPaths[s]);
    } else {
        Line(out, 0, "bullet " + path + " does not load");
    }
    b->Release();
    delete b;
}

// Paths of the Objects archive (or the loose tree) under a folder with a given ending.
inline std::vector<std::string> ObjectPaths(const std::string& under, const std::string& tail)
{
    std::vector<std::string> paths;
    auto take = [&](const std::string& p) {
        if (p.rfind(under, 0) == 0 && p.size() > tail.size() && p.compare(p.size() - tail.size(), tail.size(), tail) == 0)
            paths.push_back(p);
    };
    if (g_Settings.useFileManager) {
        for (uint32_t i = 0; g_ArchiveEntries[0] && i < g_ArchiveEntryCounts[0]; ++i) take(g_ArchiveEntries[0][i].name);
    } else {
        std::error_code ec;
        for (const auto& e : std::filesystem::recursive_directory_iterator(under, ec))
            if (e.is_regular_file()) take(e.path().generic_string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

// The whole dump. Runs in the built game directory with the file manager initialised;
// each location and file starts from the same random seed.
inline std::string DumpDataSet()
{
    std::string out;
    const int savedLanguage = g_Settings.language;
    const int savedWorld = g_WorldIndex;
    g_Settings.language = 0;
    if (g_LanguageTables.shortCount == 0) LoadLanguageData();
    loccheck::detail::DumpHook() = DumpWorld;
    for (const std::string& folder : loccheck::LocationFolders()) {
        Line(&out, 0, "location " + folder);
        GameSrand(1);
        loccheck::LoadOne(folder, &out);
    }
    loccheck::detail::DumpHook() = nullptr;
    g_WorldIndex = 1;
    for (int lang = 0; lang <= 1; ++lang) {
        g_Settings.language = lang;
        Line(&out, 0, lang ? "language ENG" : "language RUS");
        for (const std::string& path : ObjectPaths("Data/Space/", ".obj")) {
            if (!unitcheck::IsUnitDescription(path)) continue;
            GameSrand(1);
            CUnit* u = new CUnit();
            if (u->Load(path.c_str(), -1) == 1) DumpUnit(*u, 0, &out);
            else Line(&out, 0, "unit " + path + " does not load");
            u->Release();
            delete u;
        }
        for (const std::string& path : ObjectPaths("Data/Space/Item/", "/Main.obj")) {
            CItem* it = new CItem();
            if (it->Load(path.c_str(), nullptr, -1)) DumpItem(*it, 0, &out);
            else Line(&out, 0, "item " + path + " does not load");
            it->Release();
            delete it;
        }
        for (const std::string& folder : unitcheck::PilotFolders()) {
            GameSrand(1);
            CUnit* u = new CUnit();
            u->kind = GTYPE_SP_NPCSHIP;
            u->pilot.Load(u, folder.c_str());
            DumpPilot(u->pilot, 0, &out);
            DumpDialog(u->radioDialog, 1, &out);
            u->Release();
            delete u;
        }
    }
    for (const std::string& path : ObjectPaths("Data/Space/Bullet/", "/Main.obj")) DumpBullet(path, &out);
    g_Settings.language = savedLanguage;
    g_WorldIndex = savedWorld;
    return out;
}

} // namespace unitdump
