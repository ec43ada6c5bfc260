#include "locations/single_missions.h"

#include <cstdio>

#include "app/settings.h"
#include "files/file_manager.h"

int CountSingleMissions()
{
    for (int n = 1; n <= kMaxSingleMissions; ++n) {
        char path[128];
        std::snprintf(path, sizeof(path), "Data/Locations.Space/Single %02d/Main.loc", n);
        const int h = CFileManager::Open(path, FILE_KIND_LOCATIONS);
        if (h < 0)
            return n - 1;
        CFileManager::Close(h);
    }
    return kMaxSingleMissions;
}

void LoadSingleMissionText(int index, char* text)
{
    if (!text)
        return;
    text[0] = 0;
    // Only the missions the catalogue can list have texts.
    if (index < 0 || index >= kMaxSingleMissions)
        return;
    char path[128];
    std::snprintf(path, sizeof(path), "Data/Misc/Sectors/Single/Single %02d (%s).pd", index + 1,
                  g_Settings.language == 1 ? "ENG" : "RUS");
    const int h = CFileManager::Open(path, FILE_KIND_PRIVATE_DATA);
    if (h < 0)
        return;
    char line[kSingleMissionTextSize];
    bool ok = true;
    for (int i = 0; i < 3 && ok; ++i)
        ok = CFileManager::ReadLine(line, kSingleMissionTextSize, h) == 1;
    if (ok && CFileManager::ReadLine(text, kSingleMissionTextSize, h) != 1)
        text[0] = 0;
    if (!ok)
        text[0] = 0;
    text[kSingleMissionTextSize - 1] = 0;
    ReplaceDoubleQuotes(text);
    CFileManager::Close(h);
}
