// Arbitrary bytes as a location's Main.loc, served from the in-memory Locations archive,
// read by the counting pass and loaded into the space or the planet world. Nothing the
// file names exists, so every object is reported missing; the reader must stay in step.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "app/settings.h"
#include "files/file_manager.h"
#include "locations/location_director.h"
#include "locations/location_file.h"
#include "locations/location_loader.h"
#include "world/object_list.h"
#include "world/world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FileArchiveEntry entries[2];
    std::vector<char> bytes(data, data + size);
    bytes.push_back(0);
    std::memset(entries, 0, sizeof entries);
    std::strcpy(entries[0].name, "Data/Locations.Space/Fuzz/Main.loc");
    std::strcpy(entries[1].name, "Data/Locations.Planet/Fuzz/Main.loc");
    for (FileArchiveEntry& e : entries) {
        e.size = uint32_t(size);
        e.data = bytes.data();
    }
    const int archive = FILE_KIND_LOCATIONS / 1000 - 1;
    g_ArchiveEntries[archive] = entries;
    g_ArchiveEntryCounts[archive] = 2;
    g_Settings.useFileManager = 1;
    g_Settings.debugOut = 0;
    g_Settings.audio = 0;
    g_Settings.cutScenes = size > 1 && (data[1] & 1);
    g_GameMode = 1;

    CountLocationEntries("Data/Locations.Space/Fuzz/Main.loc");
    const bool planet = size && (data[0] & 1);
    g_WorldIndex = planet ? 0 : 1;
    g_LocationKind = g_WorldIndex;
    g_LocationDirector.locationId = planet ? 110 : 200;
    g_World.ResetForLocation();
    g_World.LoadLocation(planet ? "Data/Locations.Planet/Fuzz" : "Data/Locations.Space/Fuzz");
    g_World.UnloadLocation();

    g_ArchiveEntries[archive] = nullptr;
    g_ArchiveEntryCounts[archive] = 0;
    return 0;
}
