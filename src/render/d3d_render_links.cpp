#include "render/d3d_render_links.h"
#include "render/d3d_render.h"

__attribute__((weak)) void ReleaseCockpitPanels() {}
__attribute__((weak)) void ReloadCockpitPanels() {}

__attribute__((weak)) void SetGlobalAmbient(unsigned colour)
{
    if (g_D3DRender.device)
        g_D3DRender.device->SetRenderState(D3DRS_AMBIENT, colour);
    if (g_D3DRender.effect) {
        Vec4 v(1.0f, 1.0f, 1.0f, 1.0f);
        if (colour != 0xFFFFFFFFu)
            v = Vec4(((colour >> 16) & 0xFF) / 255.0f, ((colour >> 8) & 0xFF) / 255.0f, (colour & 0xFF) / 255.0f, 1.0f);
        g_D3DRender.effect->SetVector("GlobalAmbient", &v);
    }
}
