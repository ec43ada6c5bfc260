// Arbitrary bytes as a pilot's private data (Main.pd with its radio dialog), served from
// the in-memory PrivateData archive.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>
#include "app/settings.h"
#include "files/file_manager.h"
#include "fuzz_util.h"
#include "world/objects/unit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<char> bytes = fuzzutil::ServeAsArchiveFile(1, "Data/Space/Private data.RUS/Fuzz/Main.pd", data, size);
    g_ArchiveEntries[0] = nullptr;
    g_ArchiveEntryCounts[0] = 0;
    g_Settings.useFileManager = 1;
    g_Settings.debugOut = 0;
    g_Settings.language = size && (data[0] & 1) ? 1 : 0;

    CUnit* unit = new CUnit();
    unit->kind = 20100;  // a ship: voice names get the pilot's sex letter
    unit->pilot.Load(unit, "Fuzz");
    RadioReplyEntry* table = new RadioReplyEntry[RADIO_REPLY_TABLE_SIZE];
    int count = 0;
    const char* wav = nullptr;
    for (int start = 0; start < RADIO_MAX_LINES; start += 7)
        unit->radioDialog.BuildReplyList(unit->pilot.pilotName, start, table, &count, &wav);
    delete[] table;
    unit->Release();
    delete unit;
    g_ArchiveEntries[1] = nullptr;
    g_ArchiveEntryCounts[1] = 0;
    return 0;
}
