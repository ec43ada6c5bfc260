// The busiest campaign sector (sector 8: the most pirates and convoy ships, with its
// traffic) with a fight running: one world update of its scenes, traffic and space AI with a
// null device (figures only).
#include <benchmark/benchmark.h>

#include "bench_game.h"

#include <filesystem>
#include <string>

#include "../tools/datagen/check/location_check.h"
#include "app/settings.h"
#include "files/file_manager.h"
#include "locations/location_director.h"
#include "locations/location_loader.h"
#include "locations/pilot_profile.h"
#include "locations/sector_save_file.h"
#include "platform/gfx/null_device.h"
#include "render/d3d_render.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/object_codes.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {

void BM_BusiestSectorWorldUpdate(benchmark::State& state)
{
    BenchGameDir game(state, 1, 1024, 768);
    if (!game.ok()) return;
    const std::string saves = loccheck::PrepareCheckSaves();
    g_PilotSlot = 0;
    SetSaveRoot(saves.c_str());
    g_GameMode = 1;
    g_LocationDirector.locationId = 8;
    g_WorldIndex = 1;
    g_LocationKind = 1;
    g_World.ResetForLocation();
    g_World.LoadLocation("Data/Locations.Space/Sector 08");
    g_HeroStation = CObjectList::FindById(1000);
    // The convoy at the hero station and its ambushers awake: a fight runs.
    for (int id = 50; id <= 53; ++id)
        if (CUnit* u = CObjectList::FindById(id)) {
            u->kind = GTYPE_SP_NPCSHIP_ID0;
            u->scriptStep = 4;
            u->position = Vec3(300.0f * float(id - 50), 200.0f, 1500.0f);
        }
    for (int id = 60; id <= 62; ++id)
        if (CUnit* u = CObjectList::FindById(id)) {
            u->kind = GTYPE_SP_NPCSHIP_ID1;
            u->scriptStep = 0;
            u->position = Vec3(300.0f * float(id - 60), 300.0f, 2500.0f);
            u->SetOrder(ACTION_ATTACK, CObjectList::FindById(50), CObjectList::FindById(50), 0);
        }
    for (auto _ : state) {
        g_GameClock.gameTime += 1000.0 / 60.0;
        g_GameClock.frameSeconds = 1.0f / 60.0f;
        CObjectList::UpdateAll();
        benchmark::DoNotOptimize(CObjectList::CountAll());
    }
    state.SetLabel("sector 8: " + std::to_string(CObjectList::Count()) + " units, " +
                   std::to_string(CObjectList::CountBullets()) + " bullets");
    g_World.UnloadLocation();
    SetSaveRoot(nullptr);
    std::error_code ec;
    std::filesystem::remove_all(saves, ec);
}
BENCHMARK(BM_BusiestSectorWorldUpdate)->Unit(benchmark::kMicrosecond);

} // namespace
