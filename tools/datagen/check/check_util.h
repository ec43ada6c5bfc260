// Set-up shared by the checks that load models through the game's loaders.
#pragma once

#include "platform/gfx/null_device.h"
#include "render/d3d_render.h"

namespace datagen {

// Textures need a device to be created on, and a null one does for finding them; texture
// error boxes are off so a missing file is only listed. Both are put back at scope end.
class CheckTextureScope {
public:
    CheckTextureScope() : savedDevice(g_D3DRender.device), savedMessages(g_TextureErrorMessages)
    {
        if (!savedDevice) {
            D3DPRESENT_PARAMETERS p;
            p.BackBufferWidth = 800;
            p.BackBufferHeight = 600;
            p.Windowed = 1;
            device = new NullGfxDevice(p);
            g_D3DRender.device = device;
        }
        g_TextureErrorMessages = 0;
    }
    ~CheckTextureScope()
    {
        g_TextureErrorMessages = savedMessages;
        g_D3DRender.device = savedDevice;
        if (device) device->Release();
    }
    CheckTextureScope(const CheckTextureScope&) = delete;
    CheckTextureScope& operator=(const CheckTextureScope&) = delete;

private:
    GfxDevice* savedDevice;
    int savedMessages;
    NullGfxDevice* device = nullptr;
};

} // namespace datagen
