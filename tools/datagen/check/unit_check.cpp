// `datagen --check`: every unit of the data set loads whole through the unit loader.
#include "../datagen.h"
#include "check_util.h"
#include "unit_check.h"

#include <algorithm>
#include <cstdio>

#include "app/settings.h"
#include "world/objects/effect_object.h"
#include "world/world.h"

namespace {

// Effect-object descriptions a unit's text names (derived explosions, sparks and the like).
void CollectEffectPaths(const std::string& unitPath, std::vector<std::pair<std::string, std::string>>* out)
{
    uint32_t size = 0;
    const int h = CFileManager::Open(unitPath.c_str(), FILE_KIND_OBJECTS, &size);
    if (h == -1) return;
    std::string text(size, '\0');
    text.resize(CFileManager::Read(text.data(), 1, size, h));
    CFileManager::Close(h);
    static const std::string kFolder = "Data/Space/Effect/";
    for (size_t at = text.find(kFolder); at != std::string::npos; at = text.find(kFolder, at + 1)) {
        size_t end = text.find_first_of("\r\n", at);
        std::string path = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        while (!path.empty() && path.back() == ' ') path.pop_back();
        out->emplace_back(path, unitPath);
    }
}

// Loads an effect object whole and lists what it names and cannot find.
void CheckEffectObject(const std::string& path, const std::string& owner, std::vector<std::string>* missing)
{
    unitcheck::SoundRequests().clear();
    void (*savedHook)(const char*) = g_UnitSoundRequestHook;
    g_UnitSoundRequestHook = unitcheck::CollectSound;
    CEffectObject* e = new CEffectObject();
    const bool ok = e->Load(path.c_str()) == 1;
    g_UnitSoundRequestHook = savedHook;
    if (!ok) {
        missing->push_back("effect object " + path + " (" + owner + ")");
    } else {
        unitcheck::CheckObject(*e, path, missing);
        for (int i = 0; i < e->effectCount; ++i)
            if (e->effects[i]) unitcheck::CheckObject(*e->effects[i], path, missing);
        for (const std::string& s : unitcheck::SoundRequests())
            if (!unitcheck::FileExists(s.c_str(), FILE_KIND_SOUNDS)) missing->push_back("sound " + s + " (" + path + ")");
    }
    e->Release();
    delete e;
}

} // namespace

DATAGEN_CHECK(units)
{
    datagen::CheckTextureScope textures;
    int savedWorld = g_WorldIndex;
    g_WorldIndex = 1;

    std::vector<std::string> missing;
    int units = 0;
    std::vector<std::pair<std::string, std::string>> effectPaths;   // (effect, the unit naming it)
    // The cockpit model is loaded by the flight interface, not by a location.
    if (unitcheck::CheckUnit("Data/Space/Ship/Cockpit/01/Cockpit.obj", &missing)) ++units;
    const FileArchiveEntry* entries = g_ArchiveEntries[0];
    for (uint32_t i = 0; entries && i < g_ArchiveEntryCounts[0]; ++i) {
        std::string name = entries[i].name;
        if (!unitcheck::IsUnitDescription(name)) continue;
        unitcheck::CheckUnit(name, &missing);
        CollectEffectPaths(name, &effectPaths);
        ++units;
    }
    // The explosions a damaged station throws are named by the flight code.
    for (int n = 1; n <= 5; ++n) {
        char path[64];
        std::snprintf(path, sizeof path, "Data/Space/Effect/MainExp_%02d/Main.obj", n);
        effectPaths.emplace_back(path, "station damage");
    }
    std::sort(effectPaths.begin(), effectPaths.end());
    for (size_t i = 0; i < effectPaths.size(); ++i)
        if (i == 0 || effectPaths[i].first != effectPaths[i - 1].first)
            CheckEffectObject(effectPaths[i].first, effectPaths[i].second, &missing);
    if (units == 0) check.Missing("unit descriptions (none in Data/Objects)");
    for (const std::string& folder : unitcheck::PilotFolders()) unitcheck::CheckPilotFolder(folder, &missing);
    for (const std::string& m : missing) check.Missing(m);
    check.Note("units: " + std::to_string(units) + " descriptions and " +
               std::to_string(unitcheck::PilotFolders().size()) + " pilot folders loaded");
    check.Note("effect objects: " + std::to_string(effectPaths.size()) + " named");

    g_WorldIndex = savedWorld;
}
