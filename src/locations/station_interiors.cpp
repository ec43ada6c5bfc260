#include "locations/station_interiors.h"

#include <cstdio>

#include "world/objects/unit.h"

namespace {
StationInterior g_Interiors[kMaxStationInteriors];
int g_InteriorCount = 0;
} // namespace

void ClearStationInteriors()
{
    g_InteriorCount = 0;
}

const StationInterior* FindStationInterior(int objectId)
{
    for (int i = 0; i < g_InteriorCount; ++i)
        if (g_Interiors[i].objectId == objectId)
            return &g_Interiors[i];
    return nullptr;
}

int SetStationInterior(int objectId, const char* folder, const char* secondText)
{
    StationInterior* entry = const_cast<StationInterior*>(FindStationInterior(objectId));
    if (!entry) {
        if (g_InteriorCount >= kMaxStationInteriors)
            return 0;
        entry = &g_Interiors[g_InteriorCount++];
    }
    entry->objectId = objectId;
    std::snprintf(entry->folder, sizeof(entry->folder), "%s", folder ? folder : "");
    std::snprintf(entry->secondText, sizeof(entry->secondText), "%s", secondText ? secondText : "");
    return 1;
}

const char* StationInteriorFolder(const CUnit* station)
{
    if (!station)
        return "";
    const StationInterior* entry = FindStationInterior(station->pilot.objectId);
    return entry ? entry->folder : "";
}

int StationInteriorCount()
{
    return g_InteriorCount;
}

const StationInterior* StationInteriorAt(int index)
{
    return index >= 0 && index < g_InteriorCount ? &g_Interiors[index] : nullptr;
}
