// Arbitrary bytes as a sector save: the first two bytes split the input into the .dat and
// the .stat. An accepted save must encode back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "locations/sector_save_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    size_t split = (size_t(data[0]) | size_t(data[1]) << 8) % (size - 1);
    const uint8_t* dat = data + 2;
    const size_t datSize = split;
    const uint8_t* stat = dat + datSize;
    const size_t statSize = size - 2 - datSize;
    std::unique_ptr<SectorSave> save(new SectorSave());
    char why[128];
    if (!DecodeSectorSaveDat(dat, datSize, save.get(), why, sizeof why)) return 0;
    if (save->shipCount < 0 || save->shipCount > kSaveMaxShips) __builtin_trap();
    DecodeSectorSaveStat(stat, statSize, save.get(), why, sizeof why);
    std::vector<uint8_t> outDat(kSaveMaxDatBytes), outStat(kSaveMaxStatBytes);
    size_t a = 0, b = 0;
    if (!EncodeSectorSave(*save, outDat.data(), outDat.size(), &a, outStat.data(), outStat.size(), &b)) __builtin_trap();
    // Text fields are written zero-filled after their end, so only the sizes must agree.
    if (a != datSize) __builtin_trap();
    return 0;
}
