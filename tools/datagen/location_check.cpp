// `datagen --check`: every location of the data set loads through the location loader
// with every object, private data, interior and music piece it names.
#include "datagen.h"
#include "location_check.h"

#include "platform/gfx/null_device.h"
#include "render/d3d_render.h"

DATAGEN_CHECK(locations)
{
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
    const int savedMessages = g_TextureErrorMessages;
    const int savedCutScenes = g_Settings.cutScenes;
    g_TextureErrorMessages = 0;
    // The scenes' own additions (saves, starting ships, traffic) are not the files' business.
    g_Settings.cutScenes = 0;

    const std::vector<std::string> folders = loccheck::LocationFolders();
    if (folders.empty()) check.Missing("location files (none under Data/Locations.*)");
    int units = 0;
    for (const std::string& folder : folders) {
        loccheck::Result r = loccheck::LoadOne(folder);
        units += r.units;
        for (const std::string& m : r.missing) check.Missing(m);
    }
    check.Note("locations: " + std::to_string(folders.size()) + " loaded with " + std::to_string(units) + " units");

    g_Settings.cutScenes = savedCutScenes;
    g_TextureErrorMessages = savedMessages;
    g_D3DRender.device = savedDevice;
    if (device) device->Release();
}
