// The cockpit's panel drawing of one redraw frame on the null device: the radar with a
// full space world in comm range, the target screen and the system screen.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include "app/settings.h"
#include "flight_ui/cockpit.h"
#include "flight_ui/radar.h"
#include "flight_ui/target_screen.h"
#include "platform/gfx/null_device.h"
#include "render/d3d_render.h"
#include "world/object_list.h"
#include "world/objects/object_codes.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {

void MakeTarget(CPanelTarget* panel, GfxDevice* dev, bool depth)
{
    dev->CreateTexture(256, 256, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &panel->texture);
    if (depth) dev->CreateDepthStencilSurface(256, 256, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, 0, &panel->depth);
    panel->width = panel->height = 256;
}

void BM_CockpitPanelsOneRedraw(benchmark::State& state)
{
    char oldDir[4096];
    if (!getcwd(oldDir, sizeof oldDir) || chdir(KORVANE_GAME_DIR) != 0) {
        state.SkipWithError("the game directory is not built");
        return;
    }
    g_Settings.useFileManager = 0;
    D3DPRESENT_PARAMETERS p;
    p.BackBufferWidth = 800;
    p.BackBufferHeight = 600;
    p.Windowed = 1;
    NullGfxDevice* dev = new NullGfxDevice(p);
    // The null device's call log (a text per call, kept for the whole run) is the test
    // device's own cost, not the panels': a real device keeps none.
    dev->recording = false;
    g_D3DRender.device = dev;
    g_D3DRender.width = 800.0f;
    g_D3DRender.height = 600.0f;
    g_D3DRender.SetDefaultStates();
    g_TargetScreen.Init(0);
    g_SystemScreen.Init(1);
    g_Radar.Init();
    MakeTarget(&g_TargetScreen.panel, dev, true);
    MakeTarget(&g_SystemScreen.panel, dev, true);
    MakeTarget(&g_Radar.panel, dev, false);

    g_WorldIndex = g_LocationKind = 1;
    CObjectList::DestroyAll();
    for (int i = 0; i < kMaxUnits; ++i) {
        CUnit* u = new CUnit();
        u->objectClass = i == 0 ? GCLASS_SPACE_SKY : i % 5 == 0 ? GCLASS_SPACE_OBJECT : GCLASS_SPACE_SHIP;
        u->kind = i % 5 == 0 ? GTYPE_SP_ASTEROID : GTYPE_SP_NPCSHIP;
        u->position = Vec3(float(i % 32) * 40.0f - 640.0f, float(i % 7) * 20.0f, float(i / 32) * 40.0f - 640.0f);
        u->worldMatrix = MatrixTranslation(u->position.x, u->position.y, u->position.z);
        u->drawMatrix = u->worldMatrix;
        u->hull = u->hullMax = 100.0f;
        u->pilot.side = i % 4;
        u->commRange = 3000.0f;
        u->engineMax = 100.0f;
        CObjectList::Add(u);
    }
    CUnit* player = CObjectList::units[1][1];
    g_PlayerObject = player;
    player->target = CObjectList::units[1][2];
    for (auto _ : state) {
        g_D3DRender.framesPresented = 0;
        g_TargetScreen.SetTarget(player->target);
        g_SystemScreen.SetTarget(player);
        g_Radar.Draw();
        g_TargetScreen.Draw();
        g_SystemScreen.Draw();
    }
    g_PlayerObject = nullptr;
    CObjectList::DestroyAll();
    for (CPanelTarget* t : {&g_TargetScreen.panel, &g_SystemScreen.panel, &g_Radar.panel}) {
        if (t->texture) t->texture->Release();
        if (t->depth) t->depth->Release();
        *t = CPanelTarget();
    }
    g_D3DRender.device = nullptr;
    dev->Release();
    if (chdir(oldDir) != 0) state.SkipWithError("cannot return to the old directory");
}
BENCHMARK(BM_CockpitPanelsOneRedraw);

}  // namespace
