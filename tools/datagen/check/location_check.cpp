// `datagen --check`: every location of the data set loads through the location loader
// with every object, private data, interior and music piece it names.
#include "../datagen.h"
#include "check_util.h"
#include "location_check.h"

#include "locations/pilot_profile.h"
#include "locations/sector_save_file.h"

#include <filesystem>

DATAGEN_CHECK(locations)
{
    datagen::CheckTextureScope textures;
    const int savedCutScenes = g_Settings.cutScenes;
    const int savedSlot = g_PilotSlot;
    const std::string saveRoot = loccheck::PrepareCheckSaves();
    if (saveRoot.empty()) check.Missing("a temporary folder for the sector saves");
    g_Settings.cutScenes = saveRoot.empty() ? 0 : 1;
    g_PilotSlot = 0;
    SetSaveRoot(saveRoot.c_str());

    const std::vector<std::string> folders = loccheck::LocationFolders();
    if (folders.empty()) check.Missing("location files (none under Data/Locations.*)");
    int units = 0;
    for (const std::string& folder : folders) {
        loccheck::Result r = loccheck::LoadOne(folder);
        units += r.units;
        for (const std::string& m : r.missing) check.Missing(m);
    }
    check.Note("locations: " + std::to_string(folders.size()) + " loaded with " + std::to_string(units) + " units");

    SetSaveRoot(nullptr);
    g_PilotSlot = savedSlot;
    if (!saveRoot.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(saveRoot, ec);
    }
    g_Settings.cutScenes = savedCutScenes;
}
