// Load time of the largest location of the built data set, out of the archives, through
// CWorld::LoadLocation with a null device (figures only).
#include <benchmark/benchmark.h>

#include "bench_game.h"

#include <filesystem>
#include <string>

#include "app/settings.h"
#include "files/file_manager.h"
#include "locations/location_director.h"
#include "locations/location_file.h"
#include "locations/location_loader.h"
#include "platform/gfx/null_device.h"
#include "render/d3d_render.h"
#include "world/object_list.h"
#include "world/world.h"

namespace {

// The space location whose counting pass gives the most objects.
std::string LargestLocation()
{
    std::string best;
    int most = -1;
    const int a = FILE_KIND_LOCATIONS / 1000 - 1;
    for (uint32_t i = 0; g_ArchiveEntries[a] && i < g_ArchiveEntryCounts[a]; ++i) {
        std::string name = g_ArchiveEntries[a][i].name;
        if (name.rfind("Data/Locations.Space/", 0) != 0) continue;
        const int n = CountLocationEntries(name.c_str());
        if (n > most) {
            most = n;
            best = name.substr(0, name.size() - std::string("/Main.loc").size());
        }
    }
    return best;
}

void BM_LoadLargestLocation(benchmark::State& state)
{
    BenchGameDir game(state, 0);
    if (!game.ok()) return;
    const std::string folder = LargestLocation();
    g_GameMode = 1;
    g_LocationDirector.locationId = 12;
    int units = 0;
    for (auto _ : state) {
        g_WorldIndex = 1;
        g_LocationKind = 1;
        g_World.ResetForLocation();
        g_World.LoadLocation(folder.c_str());
        units = CObjectList::Count();
        state.PauseTiming();
        g_World.UnloadLocation();
        state.ResumeTiming();
    }
    state.SetLabel(folder + ": " + std::to_string(units) + " units");
}
BENCHMARK(BM_LoadLargestLocation)->Unit(benchmark::kMillisecond);

// Loads a planet location into the planet world; the unit count it leaves.
int LoadPlanet(const std::string& folder)
{
    g_WorldIndex = 0;
    g_LocationKind = 0;
    g_World.ResetForLocation();
    g_World.LoadLocation(folder.c_str());
    return CObjectList::Count();
}

// The planet location with the most objects (its walking grid built when it has no
// MapPoints.dat), through CWorld::LoadLocation with a null device.
void BM_LoadLargestPlanetLocation(benchmark::State& state)
{
    BenchGameDir game(state, 0);
    if (!game.ok()) return;
    g_GameMode = 1;
    g_LocationDirector.locationId = 110;
    std::string folder;
    int most = -1;
    const int a = FILE_KIND_LOCATIONS / 1000 - 1;
    for (uint32_t i = 0; g_ArchiveEntries[a] && i < g_ArchiveEntryCounts[a]; ++i) {
        std::string name = g_ArchiveEntries[a][i].name;
        if (name.rfind("Data/Locations.Planet/", 0) != 0) continue;
        name = name.substr(0, name.size() - std::string("/Main.loc").size());
        const int n = LoadPlanet(name);
        g_World.UnloadLocation();
        if (n > most) {
            most = n;
            folder = name;
        }
    }
    int units = 0;
    for (auto _ : state) {
        units = LoadPlanet(folder);
        state.PauseTiming();
        g_World.UnloadLocation();
        state.ResumeTiming();
    }
    state.SetLabel(folder + ": " + std::to_string(units) + " units");
}
BENCHMARK(BM_LoadLargestPlanetLocation)->Unit(benchmark::kMillisecond);

}  // namespace
