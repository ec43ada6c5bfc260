#include "locations/campaign_progress.h"

#include <cstdio>

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
    WriteSectorSave(sector + 1);
    DebugOutF("Sector %d won: sector %02d saved for pilot %d", sector, sector + 1, g_PilotSlot);
    return true;
}

void DeleteSlotSectorSaves(int slot, int first, int last)
{
    for (int sector = first; sector <= last; ++sector)
        for (int stat = 0; stat < 2; ++stat) {
            char path[512];
            if (SectorSavePath(path, sizeof(path), slot, sector, stat == 1))
                std::remove(NormalizePath(path).c_str());
        }
}

void DeleteSectorSaves(int first, int last)
{
    DeleteSlotSectorSaves(g_PilotSlot, first, last);
}
