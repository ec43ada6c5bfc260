// Path search on a 128 x 128 planet grid: open ground, scattered rocks and a long wall.
#include <benchmark/benchmark.h>

#include "world/objects/game_object.h"
#include "world/planet/nav_grid.h"

namespace {

constexpr int kGridSize = 128;

void MakeGrid(CNavGrid& g, int pattern)
{
    g.SetSize(kGridSize);
    g.BuildNavGrid(NavUnitList{});
    for (int r = 0; r < kGridSize; ++r)
        for (int c = 0; c < kGridSize; ++c) {
            bool blocked = false;
            if (pattern == 1) blocked = ((c * 7919 + r * 104729) % 97) < 15 && (c > 2 || r > 2) && (c < 125 || r < 125);
            if (pattern == 2) blocked = c == 64 && r < 120;
            g.Cell(c, r)->blocked = blocked ? 1 : 0;
        }
}

void BM_NavGridFindPath(benchmark::State& state)
{
    CNavGrid g;
    MakeGrid(g, int(state.range(0)));
    const Vec3 start(1.5f, 0, 1.5f), target(kGridSize - 1.5f, 0, 10.5f);
    for (auto _ : state) {
        CWaypoint* route = g.FindPathFrom(start, target);
        benchmark::DoNotOptimize(route);
        FreeRoute(route);
    }
    state.counters["nodes"] = double(g.LastSearchNodes());
    state.counters["openings"] = double(g.LastSearchOpenings());
}
BENCHMARK(BM_NavGridFindPath)->Arg(0)->Arg(1)->Arg(2)->ArgNames({"map"});

void BM_NavGridBuildEmpty(benchmark::State& state)
{
    CNavGrid g;
    for (auto _ : state) {
        g.SetSize(kGridSize);
        benchmark::DoNotOptimize(g.BuildNavGrid(NavUnitList{}));
    }
}
BENCHMARK(BM_NavGridBuildEmpty);

} // namespace
