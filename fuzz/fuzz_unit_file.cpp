// Arbitrary bytes as a unit description, served from the in-memory Objects archive.
// The file may name itself as an item or a derived unit, so nesting is exercised too.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>
#include "app/settings.h"
#include "files/file_manager.h"
#include "fuzz_util.h"
#include "world/objects/unit.h"
#include "world/world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<char> bytes = fuzzutil::ServeAsArchiveFile(0, "Data/Fuzz/Main.obj", data, size);
    g_ArchiveEntries[1] = nullptr;
    g_ArchiveEntryCounts[1] = 0;
    g_Settings.useFileManager = 1;
    g_Settings.debugOut = 0;
    g_Settings.audio = 0;
    g_WorldIndex = size && (data[0] & 1) ? 0 : 1;

    CUnit* unit = new CUnit();
    unit->Load("Data/Fuzz/Main.obj", 1);
    unit->UpdateParts();
    unit->Release();
    delete unit;
    g_ArchiveEntries[0] = nullptr;
    g_ArchiveEntryCounts[0] = 0;
    return 0;
}
