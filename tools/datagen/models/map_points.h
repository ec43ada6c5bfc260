// MapPoints.dat for the planet locations: a saved navigation grid beside Main.loc.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../datagen.h"

namespace datagen {

// The file's bytes for an N x N grid; blocked[column + row x N] non-zero marks a cell an
// obstacle covers (missing entries are free). Empty for a size the game would refuse.
std::vector<uint8_t> MakeMapPoints(int n, const std::vector<uint8_t>& blocked);
// Adds "<locationFolder>/MapPoints.dat" (folder as the game names it, e.g.
// "Data/Locations.Planet/Base"). False when the size is refused.
bool AddMapPoints(DataSet& set, const std::string& locationFolder, int n, const std::vector<uint8_t>& blocked);

} // namespace datagen
