// `datagen --check`: every unit of the data set loads whole through the unit loader.
#include "datagen.h"
#include "unit_check.h"

#include "app/settings.h"
#include "platform/gfx/null_device.h"
#include "render/d3d_render.h"
#include "world/world.h"

DATAGEN_CHECK(units)
{
    // Textures need a device to be created on; a null one does for finding them.
    GfxDevice* savedDevice = g_D3DRender.device;
    NullGfxDevice* device = nullptr;
    if (!savedDevice) {
        D3DPRESENT_PARAMETERS p;
        p.BackBufferWidth = 800;
        p.BackBufferHeight = 600;
        p.Windowed = 1;
        device = new NullGfxDevice(p);
        g_D3DRender.device = device;
    }
    int savedWorld = g_WorldIndex;
    int savedMessages = g_TextureErrorMessages;
    g_WorldIndex = 1;
    g_TextureErrorMessages = 0;

    std::vector<std::string> missing;
    int units = 0;
    // The cockpit model is loaded by the flight interface, not by a location.
    if (unitcheck::CheckUnit("Data/Space/Ship/Cockpit/01/Cockpit.obj", &missing)) ++units;
    const FileArchiveEntry* entries = g_ArchiveEntries[0];
    for (uint32_t i = 0; entries && i < g_ArchiveEntryCounts[0]; ++i) {
        std::string name = entries[i].name;
        if (!unitcheck::IsUnitDescription(name)) continue;
        unitcheck::CheckUnit(name, &missing);
        ++units;
    }
    if (units == 0) check.Missing("unit descriptions (none in Data/Objects)");
    for (const std::string& folder : unitcheck::PilotFolders()) unitcheck::CheckPilotFolder(folder, &missing);
    for (const std::string& m : missing) check.Missing(m);
    check.Note("units: " + std::to_string(units) + " descriptions and " +
               std::to_string(unitcheck::PilotFolders().size()) + " pilot folders loaded");

    g_TextureErrorMessages = savedMessages;
    g_WorldIndex = savedWorld;
    g_D3DRender.device = savedDevice;
    if (device) device->Release();
}
