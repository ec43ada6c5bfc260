// The space world's update in a fight with full lists: 1023 ships of the data set, every
// one attacking a hostile neighbour (AI, lead aiming, firing, bullets, hits, collisions
// and effects running), the bullet and effect lists kept full by the fight itself.
// Target: at most 2 ms a frame.
#include <benchmark/benchmark.h>

#include "bench_game.h"

#include <filesystem>
#include <string>

#include "app/settings.h"
#include "files/file_manager.h"
#include "locations/location_director.h"
#include "platform/gfx/null_device.h"
#include "render/camera.h"
#include "render/d3d_render.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {

constexpr double kFrameMs = 20.0;

void BM_SpaceFightFullLists(benchmark::State& state)
{
    BenchGameDir game(state, 0);
    if (!game.ok()) return;
    g_GameMode = 1;
    g_LocationDirector.locationId = 1;
    g_WorldIndex = 1;
    g_LocationKind = 1;
    g_World.ResetForLocation();
    g_GameClock.Reset();
    g_GameClock.gameTime = 100000.0;

    CUnit* sky = new CUnit();
    sky->objectClass = GCLASS_SPACE_SKY;
    sky->kind = GTYPE_STATIC;
    CObjectList::Add(sky);
    // Pairs of enemies in a block of 16 x 8 x 8 places, 250 units apart; the camera in the
    // middle, so that the ships near it test their collisions as often as the game has them.
    for (int i = 1; i < kMaxUnits; ++i) {
        CUnit* u = new CUnit();
        if (!u->Load("Data/Space/Ship/Eagle.M1/Main.obj", -1)) {
            state.SkipWithError("Eagle.M1 cannot be loaded");
            delete u;
            break;
        }
        u->pilot.side = i % 2 ? 0 : 2;
        u->pilot.skill = u->pilot.skill2 = 0.8f;
        u->hull = u->hullMax = 1e9f;  // nobody dies: the lists stay full
        u->position = Vec3(float(i % 16) * 250.0f, float((i / 16) % 8) * 250.0f, float(i / 128) * 250.0f);
        u->UpdateTransform();
        CObjectList::Add(u);
    }
    const int n = CObjectList::Count();
    for (int i = 1; i + 1 < n; i += 2) {
        CUnit* a = CObjectList::units[1][i];
        CUnit* b = CObjectList::units[1][i + 1];
        a->SetOrder(ACTION_ATTACK, b, nullptr, 0);
        b->SetOrder(ACTION_ATTACK, a, nullptr, 0);
    }
    CCamera& camera = g_World.cameras[1];
    camera.SetMatrices(Vec3(1875, 875, 875), Vec3(1875, 875, 2000), Vec3(0, 1, 0));
    // Warm up until the shots fill the bullet list.
    for (int f = 0; f < 1500; ++f) {
        g_GameClock.gameTime += kFrameMs;
        g_GameClock.frameSeconds = float(kFrameMs * 0.001);
        CObjectList::UpdateAll();
    }
    for (auto _ : state) {
        g_GameClock.gameTime += kFrameMs;
        g_GameClock.frameSeconds = float(kFrameMs * 0.001);
        CObjectList::UpdateAll();
    }
    state.SetLabel(std::to_string(CObjectList::Count()) + " units, " + std::to_string(CObjectList::CountBullets()) +
                   " bullets, " + std::to_string(CObjectList::CountEffects()) + " effects");
    CObjectList::DestroyAll();
}
BENCHMARK(BM_SpaceFightFullLists)->Unit(benchmark::kMillisecond);

}  // namespace
