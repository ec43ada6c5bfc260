// MapPoints.dat written through the game's own grid, so the file is exactly what it reads.
#include "map_points.h"

#include "world/planet/nav_grid.h"

namespace datagen {

std::vector<uint8_t> MakeMapPoints(int n, const std::vector<uint8_t>& blocked)
{
    CNavGrid grid;
    grid.SetSize(n);
    if (!grid.BuildNavGrid(NavUnitList{})) return {};
    for (int i = 0; i < n * n; ++i) {
        grid.cells[i].blocked = (size_t(i) < blocked.size() && blocked[size_t(i)]) ? 1 : 0;
        grid.cells[i].cost = kNavUnreached;
    }
    std::vector<uint8_t> bytes(4 + size_t(n) * size_t(n) * sizeof(NavCell));
    if (grid.SaveMapPoints(bytes.data(), bytes.size()) != bytes.size()) return {};
    return bytes;
}

bool AddMapPoints(DataSet& set, const std::string& locationFolder, int n, const std::vector<uint8_t>& blocked)
{
    std::vector<uint8_t> bytes = MakeMapPoints(n, blocked);
    if (bytes.empty()) return false;
    std::string folder = locationFolder;
    while (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
    set.Add(folder + "/MapPoints.dat", std::move(bytes));
    return true;
}

} // namespace datagen
