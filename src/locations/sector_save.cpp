#include "locations/sector_save.h"

#include "app/settings.h"

// The save files come with the campaign's own work; until then a sector starts with
// what its location file gives the hero station.
void LoadSectorSave(int sector)
{
    DebugOutF("Sector save %02d: not read (saves are not available yet)", sector);
}

void WriteSectorSave(int) {}

int CountSavedSectors()
{
    return 0;
}

void ReadSectorSaveSummary(int, int* ships, float* ore)
{
    if (ships)
        *ships = 0;
    if (ore)
        *ore = 0.0f;
}
