// Arbitrary bytes as a radio dialog file, then the queries over what was read.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>
#include "app/settings.h"
#include "files/file_manager.h"
#include "fuzz_util.h"
#include "flight_ui/radio_dialog.h"
#include "world/objects/unit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<char> bytes = fuzzutil::ServeAsArchiveFile(1, "Data/Fuzz/Dialog.pd", data, size);
    g_Settings.useFileManager = 1;
    g_Settings.debugOut = 0;

    static CUnit* unit = new CUnit();
    unit->kind = size && (data[0] & 1) ? 20100 : 21000;  // a ship's voices get the sex letter
    unit->pilot.sex = size > 1 ? data[1] % 3 - 1 : 0;
    CRadioDialog& dialog = unit->radioDialog;
    dialog.owner = nullptr;
    dialog.Clear();
    dialog.LoadFile("Data/Fuzz/Dialog.pd", unit);
    static RadioReplyEntry table[RADIO_REPLY_TABLE_SIZE];
    int count = 0;
    const char* wav = nullptr;
    for (int start = -1; start <= RADIO_MAX_LINES; start += 3) {
        dialog.BuildReplyList("Fuzz", start, table, &count, &wav);
        for (int i = 0; i < count; ++i) {
            if (table[i].line < 0 || table[i].line >= RADIO_MAX_LINES) __builtin_trap();
        }
    }
    for (int type : {1, 2, 3, 400, 413, 21000}) {
        dialog.FindLineWav(type);
        dialog.TakeLine(type);
    }
    for (int n = -2; n < RADIO_MAX_LINES + 2; n += 5) {
        dialog.MarkLine(n, n & 1);
        dialog.ResetLineFlags(n + 1);
    }
    g_ArchiveEntries[1] = nullptr;
    g_ArchiveEntryCounts[1] = 0;
    return 0;
}
