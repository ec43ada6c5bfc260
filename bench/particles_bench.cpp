// The four particle sets of space, updated and drawn on the null device each frame.
#include <benchmark/benchmark.h>

#include "platform/crt/rand.h"
#include "platform/gfx/null_device.h"
#include "render/camera.h"
#include "render/d3d_render.h"
#include "world/particles.h"
#include "world/world.h"

namespace {

void BM_ParticleSetRender(benchmark::State& state)
{
    D3DPRESENT_PARAMETERS p;
    p.BackBufferWidth = 800;
    p.BackBufferHeight = 600;
    p.Windowed = 1;
    NullGfxDevice* dev = new NullGfxDevice(p);
    GfxDevice* old = g_D3DRender.device;
    int oldMessages = g_TextureErrorMessages, oldWorld = g_WorldIndex, oldKind = g_LocationKind;
    g_D3DRender.device = dev;
    g_TextureErrorMessages = 0;
    g_WorldIndex = 1;
    g_LocationKind = 1;
    GameSrand(0);

    const int kind = int(state.range(0));
    const int counts[4] = {500, 200, 8000, 500};
    CParticleSet set;
    set.Create(counts[kind], kind);
    CCamera cam;
    Vec3 dir = Vec3Normalize(Vec3(0.3f, 0.1f, 1.0f));
    float t = 0.0f;
    for (auto _ : state) {
        t += 2.0f;
        cam.eye = dir * t;
        cam.view = MatrixLookAtLH(cam.eye, cam.eye + dir, Vec3(0, 1, 0));
        set.Render(&cam);
        dev->ClearCalls();
    }
    state.SetItemsProcessed(state.iterations() * counts[kind]);
    set.Release();
    g_D3DRender.device = old;
    g_TextureErrorMessages = oldMessages;
    g_WorldIndex = oldWorld;
    g_LocationKind = oldKind;
    dev->Release();
}
BENCHMARK(BM_ParticleSetRender)->DenseRange(0, 3)->ArgNames({"kind"});

} // namespace
