// Loading every location of the data set through the game's own loader and listing what
// a location names and cannot find. Shared by `datagen --check` and the location tests.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/settings.h"
#include "files/file_manager.h"
#include "locations/location_director.h"
#include "locations/location_file.h"
#include "locations/location_loader.h"
#include "locations/sector_save_file.h"
#include <cstdlib>
#include "world/object_list.h"
#include "world/world.h"

namespace loccheck {

struct Result {
    std::string folder;
    int units = 0;          // units in the world after the load
    int expected = 0;       // what the file says it creates (space), objects (planet)
    int canRun = 0;
    int playerMissing = 0;
    int lineErrors = 0;
    std::vector<std::string> missing;
};

inline std::vector<std::string>*& MissingSink()
{
    static std::vector<std::string>* sink = nullptr;
    return sink;
}

inline void CollectMissing(const char* what)
{
    if (MissingSink()) MissingSink()->push_back(what);
}

// Location folders of the data set ("Data/Locations.Space/Sector 01"), from the Locations
// archive or the loose tree by the current mode.
inline std::vector<std::string> LocationFolders()
{
    std::vector<std::string> folders;
    const std::string tail = "/Main.loc";
    auto add = [&](const std::string& path) {
        if (path.size() > tail.size() && path.compare(path.size() - tail.size(), tail.size(), tail) == 0 &&
            path.rfind("Data/Locations.", 0) == 0)
            folders.push_back(path.substr(0, path.size() - tail.size()));
    };
    if (g_Settings.useFileManager) {
        const int a = FILE_KIND_LOCATIONS / 1000 - 1;
        for (uint32_t i = 0; g_ArchiveEntries[a] && i < g_ArchiveEntryCounts[a]; ++i) add(g_ArchiveEntries[a][i].name);
    } else {
        for (const char* root : {"Data/Locations.Space", "Data/Locations.Planet"}) {
            std::error_code ec;
            for (const auto& e : std::filesystem::recursive_directory_iterator(root, ec))
                if (e.is_regular_file()) add(e.path().generic_string());
        }
    }
    std::sort(folders.begin(), folders.end());
    return folders;
}

inline bool IsPlanetFolder(const std::string& folder)
{
    return folder.rfind("Data/Locations.Planet/", 0) == 0;
}

// The location id and game mode a folder runs with.
inline void IdentifyFolder(const std::string& folder, int* id, int* mode)
{
    const std::string name = folder.substr(folder.rfind('/') + 1);
    int n = 0;
    *mode = 1;
    *id = -1;
    if (std::sscanf(name.c_str(), "Sector %d", &n) == 1) *id = n;
    else if (std::sscanf(name.c_str(), "Single %d", &n) == 1) { *id = 20 + n; *mode = 0; }
    else if (std::sscanf(name.c_str(), "Multiplayer %d", &n) == 1) { *id = 40 + n; *mode = 0; }
    else if (name == "GameMenu") { *id = 100; *mode = -1; }
    else if (IsPlanetFolder(folder) && name == "Intro 01") *id = 110;
    else if (IsPlanetFolder(folder) && name == "Intro 02") *id = 111;
    else if (name == "Intro 01") *id = 200;
    else if (name == "Intro 02") *id = 201;
    else *id = 1;   // station interiors run beside a sector
}

// Locations whose player comes from a save or the starting ships, not from the file.
inline bool PlayerComesFromOutside(int id)
{
    return IsSectorLocation(id) || IsSingleLocation(id) || IsNetworkLocation(id);
}

namespace detail { inline void (*&DumpHook())(std::string*) { static void (*hook)(std::string*) = nullptr; return hook; } }

// Loads one location into its world and empties it again; with dump, the loaded units
// are written into it first (see unit_dump.h).
inline Result LoadOne(const std::string& folder, std::string* dump = nullptr)
{
    Result r;
    r.folder = folder;
    int id = 0, mode = 0;
    IdentifyFolder(folder, &id, &mode);
    const bool planet = IsPlanetFolder(folder);
    const int savedWorld = g_WorldIndex, savedKind = g_LocationKind, savedMode = g_GameMode;
    const int savedId = g_LocationDirector.locationId;
    g_WorldIndex = planet ? 0 : 1;
    g_LocationKind = planet ? 0 : 1;
    g_GameMode = mode;
    g_LocationDirector.locationId = id;
    g_World.ResetForLocation();
    MissingSink() = &r.missing;
    void (*savedHook)(const char*) = g_LocationMissingHook;
    g_LocationMissingHook = CollectMissing;
    g_World.LoadLocation(folder.c_str());
    g_LocationMissingHook = savedHook;
    MissingSink() = nullptr;
    r.units = CObjectList::Count();
    r.canRun = g_LocationLoad.canRun;
    r.playerMissing = g_LocationLoad.playerMissing;
    r.lineErrors = g_LocationLoad.lineErrors;
    if (!planet) r.expected = CountLocationEntries((folder + "/Main.loc").c_str());
    if (r.lineErrors) r.missing.push_back(folder + ": " + std::to_string(r.lineErrors) + " malformed lines (see debug.txt)");
    if (r.playerMissing && !PlayerComesFromOutside(id)) r.missing.push_back(folder + ": the player's ship");
    if (dump && detail::DumpHook()) detail::DumpHook()(dump);
    g_World.UnloadLocation();
    g_WorldIndex = savedWorld;
    g_LocationKind = savedKind;
    g_GameMode = savedMode;
    g_LocationDirector.locationId = savedId;
    return r;
}

// Sectors, single missions and maps get their hero from the campaign saves and the
// starting ships, so the check loads them as the game does (cut scenes on). Each sector
// gets the default start as its save, in a pilot folder of the check's own: the game
// directory's Save/ is never written.
inline std::string PrepareCheckSaves()
{
    char pattern[] = "/tmp/korvane-check-XXXXXX";
    if (!mkdtemp(pattern))
        return "";
    const std::filesystem::path pilot = std::filesystem::path(pattern) / "00";
    std::error_code ec;
    std::filesystem::create_directories(pilot, ec);
    char dat[64], stat[64];
    SkipSavePath(dat, sizeof(dat), false);
    SkipSavePath(stat, sizeof(stat), true);
    for (int n = 2; n <= 12; ++n) {
        char name[32];
        std::snprintf(name, sizeof(name), "Sector %02d.dat", n);
        std::filesystem::copy_file(dat, pilot / name, ec);
        std::snprintf(name, sizeof(name), "Sector %02d.stat", n);
        std::filesystem::copy_file(stat, pilot / name, ec);
    }
    return pattern;
}

} // namespace loccheck
