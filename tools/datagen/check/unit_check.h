// Loading every unit of the data set whole through the game's own loader and listing
// what a unit names and cannot find: meshes, textures, sounds, items, derived units,
// private data and dialog voices. Shared by `datagen --check` and the world tests.
#pragma once

#include <string>
#include <vector>

#include "files/file_manager.h"
#include "flight_ui/radio_dialog.h"
#include "render/mesh.h"
#include "world/objects/attached_effect.h"
#include "world/objects/item.h"
#include "world/objects/unit.h"

namespace unitcheck {

// Private-data folders that the game's spawners and scripts name.
inline const std::vector<std::string>& PilotFolders()
{
    static const std::vector<std::string> folders = {
        "Human/Hero", "Human/Hero station", "Human/Hero station.Multiplayer", "Human/Station",
        "Human/Mercenaries/Transport", "Human/Mercenaries/Fighter", "Human/Mining.Source",
        "Human/Neutral/Fighter", "Human/Neutral/Fighter.S03-05", "Human/Neutral/Fighter.S06-08",
        "Human/Neutral/Fighter.S09-11", "Human/Neutral/Transport", "Human/Neutral/Transport.S03-05",
        "Human/Neutral/Transport.S06-08", "Human/Neutral/Transport.S09-11", "Human/Pirates/Fighter 01",
        "Human/Pirates/Fighter 02", "Human/Pirates/Transport 01", "Human/Pirates/Transport 02",
        "Human/Pirates.Multiplayer/Fighter 01", "Human/Pirates.Multiplayer/Fighter 02",
        "Human/Pirates.Multiplayer/Transport 01", "Human/Pirates.Multiplayer/Transport 02",
        "Human/Sector 04/Quest Ship.Cargo", "Human/Sector 04/Quest Ship.Guard", "Aliens/Leafs",
        "Aliens/Leaf station"};
    return folders;
}

// Unit descriptions of the space world: ships, stations, asteroids, suns, planets, sky, debris.
inline bool IsUnitDescription(const std::string& path)
{
    auto ends = [&path](const char* s) {
        std::string e(s);
        return path.size() >= e.size() && path.compare(path.size() - e.size(), e.size(), e) == 0;
    };
    if (path.compare(0, 11, "Data/Space/") != 0 || !ends(".obj")) return false;
    for (const char* folder : {"Data/Space/Ship/", "Data/Space/Station/", "Data/Space/Static/",
                               "Data/Space/Asteroid/", "Data/Space/Sky/", "Data/Space/Debris/"})
        if (path.compare(0, std::string(folder).size(), folder) == 0)
            return path.find("/Cockpit/") == std::string::npos;
    return false;
}

inline bool FileExists(const char* name, int kind)
{
    int h = CFileManager::Open(name, kind, nullptr);
    if (h == -1 && kind != FILE_KIND_PLAIN) h = CFileManager::Open(name, FILE_KIND_PLAIN, nullptr);
    if (h == -1) return false;
    CFileManager::Close(h);
    return true;
}

inline std::vector<std::string>& SoundRequests()
{
    static std::vector<std::string> names;
    return names;
}
inline void CollectSound(const char* name) { SoundRequests().push_back(name); }

inline void CheckObject(const CGameObject& o, const std::string& owner, std::vector<std::string>* missing)
{
    for (int i = 0; i < o.meshCount && i < kMaxObjectMeshes; ++i)
        if (!o.meshes[i] || o.meshes[i]->m_SubMeshCount == 0)
            missing->push_back("mesh " + std::string(o.meshes[i] ? o.meshes[i]->m_Name : "?") + " (" + owner + ")");
    for (int i = 0; i < kMaxObjectTextures; ++i)
        if (o.textureNames[i][0] && o.textureIds[i] == -1)
            missing->push_back("texture " + std::string(o.textureNames[i]) + " (" + owner + ")");
}

inline void CheckLoadedUnit(const CUnit& u, std::vector<std::string>* missing)
{
    std::string owner = u.descriptionPath;
    CheckObject(u, owner, missing);
    for (int i = 0; i < u.effectCount; ++i)
        if (u.effects[i]) CheckObject(*u.effects[i], owner, missing);
    for (int i = 0; i < u.itemCount; ++i) {
        if (!u.items[i] || !u.items[i]->filePath[0]) missing->push_back("item " + std::to_string(i + 1) + " of " + owner);
        else {
            CheckObject(*u.items[i], u.items[i]->filePath, missing);
            // Weapons read their damage from the bullet's own description.
            const char* bullet = u.items[i]->bulletPath;
            if (bullet[0] && !FileExists(bullet, FILE_KIND_OBJECTS))
                missing->push_back("bullet " + std::string(bullet) + " (" + u.items[i]->filePath + ")");
        }
    }
    for (int s = 1; s < kDerivedSlotCount; ++s) {
        // A derived description that fails to load leaves its slot empty.
        if (u.derivedPaths[s][0] && (!u.derivedUnits[s] || !u.derivedUnits[s]->descriptionPath[0]))
            missing->push_back("derived unit " + std::string(u.derivedPaths[s]) + " (" + owner + ")");
        if (u.derivedUnits[s]) CheckLoadedUnit(*u.derivedUnits[s], missing);
    }
}

// Loads the unit whole; returns false when its description cannot be opened.
inline bool CheckUnit(const std::string& path, std::vector<std::string>* missing)
{
    SoundRequests().clear();
    void (*savedHook)(const char*) = g_UnitSoundRequestHook;
    g_UnitSoundRequestHook = CollectSound;
    CUnit* u = new CUnit();
    bool ok = u->Load(path.c_str(), -1) == 1;
    g_UnitSoundRequestHook = savedHook;
    if (!ok) missing->push_back("unit " + path);
    else CheckLoadedUnit(*u, missing);
    for (const std::string& s : SoundRequests())
        if (!FileExists(s.c_str(), FILE_KIND_SOUNDS)) missing->push_back("sound " + s + " (" + path + ")");
    u->Release();
    delete u;
    return ok;
}

// Private data in both languages, with the voices of its dialog.
inline void CheckPilotFolder(const std::string& folder, std::vector<std::string>* missing)
{
    for (const char* lang : {"RUS", "ENG"}) {
        std::string path = "Data/Space/Private data." + std::string(lang) + "/" + folder + "/Main.pd";
        if (!FileExists(path.c_str(), FILE_KIND_PRIVATE_DATA)) missing->push_back("private data " + path);
    }
    CUnit* u = new CUnit();
    u->kind = GTYPE_SP_NPCSHIP;
    u->pilot.Load(u, folder.c_str());
    for (uint32_t i = 0; i < u->radioDialog.lineCount; ++i) {
        const char* wav = u->radioDialog.lines[i].wav;
        if (wav[0] && !FileExists(wav, FILE_KIND_SOUNDS))
            missing->push_back("dialog voice " + std::string(wav) + " (" + folder + ")");
    }
    u->Release();
    delete u;
}

} // namespace unitcheck
