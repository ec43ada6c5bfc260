// `datagen --check`: every location of the data set loads through the location loader
// with every object, private data, interior and music piece it names.
#include "datagen.h"
#include "check_util.h"
#include "location_check.h"

#include "locations/pilot_profile.h"
#include "locations/sector_save_file.h"

#include <cstdlib>
#include <filesystem>

namespace {

// Sectors, single missions and maps get their hero from the campaign saves and the
// starting ships, so the check loads them as the game does (cut scenes on). Each sector
// gets the default start as its save, in a pilot folder of the check's own: the game
// directory's Save/ is never written.
std::string PrepareCheckSaves()
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

} // namespace

DATAGEN_CHECK(locations)
{
    datagen::CheckTextureScope textures;
    const int savedCutScenes = g_Settings.cutScenes;
    const int savedSlot = g_PilotSlot;
    const std::string saveRoot = PrepareCheckSaves();
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
