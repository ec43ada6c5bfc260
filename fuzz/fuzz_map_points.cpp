// Arbitrary bytes as MapPoints.dat: the first byte picks the landscape's grid size, the rest
// is the file. An accepted grid must hold every cell and route searches over it.
#include <cstddef>
#include <cstdint>
#include "world/planet/nav_grid.h"
#include "world/objects/game_object.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    CNavGrid grid;
    grid.SetSize(int(data[0] % 72) - 2);  // up to the real 64 and past it, a few unusable sizes too
    if (!grid.LoadMapPointsFromMemory(data + 1, size - 1)) return 0;
    if (!grid.HasGrid()) __builtin_trap();
    int n = grid.size;
    // Searches from corner to corner and across, on whatever the file marked.
    const Vec3 points[] = {Vec3(0.5f, 0, 0.5f), Vec3(n - 0.5f, 0, n - 0.5f), Vec3(n * 0.5f, 0, 0.25f),
                           Vec3(0.25f, 0, n * 0.5f)};
    for (const Vec3& a : points)
        for (const Vec3& b : points) {
            CWaypoint* route = grid.FindPathFrom(a, b);
            for (CWaypoint* w = route; w; w = w->next)
                if (!(w->x >= 0.0f && w->x <= float(n) && w->z >= 0.0f && w->z <= float(n))) __builtin_trap();
            FreeRoute(route);
        }
    Vec3 p;
    if (grid.RandomFreePoint(&p) && !grid.IsCellFree(p)) __builtin_trap();
    return 0;
}
