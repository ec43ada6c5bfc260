#include "locations/pilot_profile.h"

#include <cstdio>
#include <cstdlib>

#include "app/settings.h"
#include "files/file_manager.h"
#include "locations/location_director.h"
#include "locations/sector_save_file.h"
#include "platform/win/profile.h"

// -1 until a pilot is chosen in the game menu.
int g_PilotSlot = -1;

bool PilotConfigPath(char* out, unsigned size, int slot)
{
    if (!out || !size)
        return false;
    out[0] = 0;
    // Slot 10 is the demo pilot of a run without the game menu.
    if (slot < 0 || slot > 10)
        return false;
    const int n = std::snprintf(out, size, "%s/%02d/Player.cfg", GetSaveRoot(), slot);
    return n > 0 && (unsigned)n < size;
}

void MakePilotFolder(int slot)
{
    char folder[512];
    std::snprintf(folder, sizeof(folder), "%s", GetSaveRoot());
    MakeDirectory(folder);
    std::snprintf(folder, sizeof(folder), "%s/%02d", GetSaveRoot(), slot);
    MakeDirectory(folder);
}

void CLocationDirector::SaveRating()
{
    char path[512];
    if (!PilotConfigPath(path, sizeof(path), g_PilotSlot)) {
        DebugOutF("SaveRating: pilot slot %d is out of range, the rating is not saved", g_PilotSlot);
        return;
    }
    // The pilot's folder may not exist yet when no pilot was created (menu off).
    MakePilotFolder(g_PilotSlot);

    char value[128];
    GetPrivateProfileString("Player rating", "Ore transported", "0", value, sizeof(value), path);
    const float ore = (float)std::atof(value) + sessionOre;
    GetPrivateProfileString("Player rating", "Enemy killed", "0", value, sizeof(value), path);
    const int kills = std::atoi(value) + sessionKills;
    GetPrivateProfileString("Player rating", "Enemy killed score", "0", value, sizeof(value), path);
    const float score = (float)std::atof(value) + sessionKillScore;

    std::snprintf(value, sizeof(value), "%f", ore);
    WritePrivateProfileString("Player rating", "Ore transported", value, path);
    std::snprintf(value, sizeof(value), "%d", kills);
    WritePrivateProfileString("Player rating", "Enemy killed", value, path);
    std::snprintf(value, sizeof(value), "%f", score);
    WritePrivateProfileString("Player rating", "Enemy killed score", value, path);
    sessionOre = 0.0f;
    sessionKills = 0;
    sessionKillScore = 0.0f;
}

void CollectMissionResults(MissionResultRow*, int* rowCount)
{
    if (rowCount)
        *rowCount = 0;
}
