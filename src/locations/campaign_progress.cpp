#include "locations/campaign_progress.h"

#include <cstdio>
#include <string>

#include "app/settings.h"
#include "locations/pilot_profile.h"
#include "locations/sector_save.h"
#include "locations/sector_save_file.h"
#include "platform/win/directory.h"

bool SaveWonSector(int sector)
{
    if (sector < 1 || sector > 11) {
        DebugOutF("Sector %d won: no later sector to save", sector);
        return false;
    }
    if (!WriteSectorSave(sector + 1)) {
        DebugOutF("Sector %d won: sector %02d could not be saved for pilot %d", sector, sector + 1, g_PilotSlot);
        return false;
    }
    DebugOutF("Sector %d won: sector %02d saved for pilot %d", sector, sector + 1, g_PilotSlot);
    return true;
}

void DeleteSlotSectorSaves(int slot, int first, int last)
{
    for (int sector = first; sector <= last; ++sector) {
        char dat[512], stat[512];
        if (!SectorSavePath(dat, sizeof(dat), slot, sector, false) || !SectorSavePath(stat, sizeof(stat), slot, sector, true))
            continue;
        // What a save cut short left goes too, or a later save would take it for its own;
        // the .dat's temporary file, the mark of an undone save, goes last.
        const std::string d = dat, s = stat;
        for (const std::string& path : {d, s, s + ".tmp", s + ".old", d + ".tmp"})
            std::remove(NormalizePath(path.c_str()).c_str());
    }
}

void DeleteSectorSaves(int first, int last)
{
    DeleteSlotSectorSaves(g_PilotSlot, first, last);
}
