#include "flight_ui/cockpit_panels.h"

#include <cstdio>
#include <cstring>

#include "app/settings.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/radar.h"
#include "flight_ui/target_screen.h"
#include "platform/crt/rand.h"
#include "platform/math/mesh_data.h"
#include "render/d3d_render.h"
#include "render/font.h"
#include "render/mesh.h"
#include "world/object_list.h"
#include "world/world.h"

bool IsUnitListed(const CUnit* u)
{
    if (!u) return false;
    for (int w = 0; w < 2; ++w)
        for (uint32_t i = 0; i < CObjectList::unitCount[w]; ++i)
            if (CObjectList::units[w][i] == u) return true;
    return false;
}

int CreatePanelTarget(CPanelTarget* panel, const char* name, int withDepth)
{
    CD3DRender& r = g_D3DRender;
    if (!panel || !name || !name[0] || !r.device) return 0;
    const int id = r.textureManager.Find(name);
    if (id < 0) {
        DebugOutF("Cockpit panel: texture %s is not loaded, the panel stays dark", name);
        return 0;
    }
    GfxTexture* held = r.textureManager.GetTexture(id);
    if (!held || held == panel->texture) return 0;
    if (panel->name != name) std::snprintf(panel->name, sizeof(panel->name), "%s", name);
    D3DSURFACE_DESC desc;
    if (FAILED(held->GetLevelDesc(0, &desc)) || desc.Width == 0 || desc.Height == 0) return 0;
    GfxTexture* target = nullptr;
    if (FAILED(r.device->CreateTexture(desc.Width, desc.Height, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                       D3DPOOL_DEFAULT, &target)) || !target) {
        DebugOutF("Cockpit panel: cannot create the render target of %s", name);
        return 0;
    }
    panel->width = int(desc.Width);
    panel->height = int(desc.Height);
    panel->textureId = r.textureManager.ReplaceTexture(name, target);
    panel->texture = target;
    if (panel->depth) {
        panel->depth->Release();
        panel->depth = nullptr;
    }
    if (withDepth &&
        FAILED(r.device->CreateDepthStencilSurface(desc.Width, desc.Height, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, 0,
                                                   &panel->depth)))
        panel->depth = nullptr;
    return 1;
}

void ReleasePanelTarget(CPanelTarget* panel)
{
    if (!panel) return;
    if (panel->name[0]) g_D3DRender.ReleaseTextureByName(panel->name);
    panel->texture = nullptr;
    if (panel->depth) {
        panel->depth->Release();
        panel->depth = nullptr;
    }
}

void ReloadPanelTarget(CPanelTarget* panel, int withDepth)
{
    if (!panel || !panel->name[0]) return;
    g_D3DRender.LoadTexture(panel->name, 1, panel->textureId);
    CreatePanelTarget(panel, panel->name, withDepth);
}

int IsPanelRedrawFrame()
{
    return g_D3DRender.framesPresented % 3 == 0;
}

int BeginPanelDraw(const CPanelTarget* panel, CPanelDrawState* saved)
{
    saved->active = 0;
    GfxDevice* dev = g_D3DRender.device;
    if (!dev || !panel || !panel->texture || g_D3DRender.deviceLost) return 0;
    GfxSurface* surface = nullptr;
    if (FAILED(panel->texture->GetSurfaceLevel(0, &surface)) || !surface) return 0;
    saved->target = nullptr;
    saved->depth = nullptr;
    dev->GetRenderTarget(0, &saved->target);
    dev->GetDepthStencilSurface(&saved->depth);
    if (FAILED(dev->SetRenderTarget(0, surface))) {
        surface->Release();
        if (saved->target) saved->target->Release();
        if (saved->depth) saved->depth->Release();
        return 0;
    }
    surface->Release();
    dev->SetDepthStencilSurface(panel->depth);
    D3DVIEWPORT9 vp;
    vp.width = unsigned(panel->width);
    vp.height = unsigned(panel->height);
    dev->SetViewport(&vp);
    saved->scaleX = g_ScreenScaleX;
    saved->scaleY = g_ScreenScaleY;
    g_ScreenScaleX = 1.0f;
    g_ScreenScaleY = 1.0f;
    saved->active = 1;
    return 1;
}

void EndPanelDraw(CPanelDrawState* saved)
{
    if (!saved || !saved->active) return;
    saved->active = 0;
    GfxDevice* dev = g_D3DRender.device;
    g_ScreenScaleX = saved->scaleX;
    g_ScreenScaleY = saved->scaleY;
    if (!dev) return;
    if (saved->target) {
        dev->SetRenderTarget(0, saved->target);
        saved->target->Release();
        saved->target = nullptr;
    }
    dev->SetDepthStencilSurface(saved->depth);
    if (saved->depth) {
        saved->depth->Release();
        saved->depth = nullptr;
    }
    D3DVIEWPORT9 vp;
    vp.width = unsigned(g_D3DRender.width);
    vp.height = unsigned(g_D3DRender.height);
    dev->SetViewport(&vp);
    g_World.Camera().Apply();
}

uint32_t PanelFlickerAlpha()
{
    return uint32_t(GameRand() % 56 - 56) & 0xFFu;
}

void DrawPanelRow(CFont& font, float x, float y, const char* text, unsigned colour, float scale, float room)
{
    const float width = font.GetTextWidth(scale, text);
    const float squeeze = width > room && room > 0.0f ? room / width : 1.0f;
    // The horizontal screen scale squeezes this row alone.
    const float scaleX = g_ScreenScaleX;
    g_ScreenScaleX = scaleX * squeeze;
    font.DrawTextUniform(x / squeeze, y, text, colour, scale);
    g_ScreenScaleX = scaleX;
}

int PanelToPixels(float openPercent, int frames, float panelHeight)
{
    if (frames < 1) return 0;
    return int(openPercent * 0.01f * float(frames - 1) * panelHeight / 512.0f);
}

void SetupPanelQuad(MeshData* quad, float panelHeight)
{
    if (!quad || quad->vertexCount < 4 || quad->stride < sizeof(MeshLVertex)) return;
    const float h = panelHeight / 512.0f;
    const float uv[4][2] = {{0.0f, h}, {0.0f, 0.0f}, {1.0f, h}, {1.0f, 0.0f}};
    for (unsigned i = 0; i < 4; ++i) {
        MeshLVertex v;
        std::memcpy(&v, quad->Vertex(i), sizeof(v));
        v.u = uv[i][0];
        v.v = uv[i][1];
        v.diffuse = 0xE1FFFFFFu;
        std::memcpy(quad->Vertex(i), &v, sizeof(v));
    }
}

void ReleaseCockpitPanels()
{
    g_CommWindow.ReleaseRenderTarget();
    g_TargetScreen.ReleaseRenderTarget();
    g_SystemScreen.ReleaseRenderTarget();
    g_Radar.ReleaseRenderTarget();
}

void ReloadCockpitPanels()
{
    g_CommWindow.Reload();
    g_TargetScreen.Reload();
    g_SystemScreen.Reload();
    g_Radar.Reload();
}
