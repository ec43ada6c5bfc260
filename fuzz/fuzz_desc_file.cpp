// Arbitrary bytes as a description file, served from the in-memory Objects archive.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>
#include "app/settings.h"
#include "files/file_manager.h"
#include "fuzz_util.h"
#include "world/objects/desc_file.h"
#include "world/objects/game_object.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<char> bytes = fuzzutil::ServeAsArchiveFile(0, "Data/Fuzz/Main.obj", data, size);
    g_Settings.useFileManager = 1;

    // The first byte picks the order in which the readers walk the rest of the file.
    unsigned pattern = size ? data[0] : 0;
    CDescFile file;
    if (!file.Open("Data/Fuzz/Main.obj")) return 0;
    char name[64];
    int vertexType = 0;
    ReadObjectHeader(file, nullptr, name, sizeof name, &vertexType);

    char text[kDescLineLength], small[9];
    float a, b, c;
    int i, j;
    for (int step = 0; step < 2000 && !file.Ended(); ++step) {
        switch ((pattern + unsigned(step)) % 12) {
        case 0: file.ReadText(small, sizeof small); break;
        case 1: file.ReadInt(); break;
        case 2: file.ReadFloat(); break;
        case 3: file.ReadTwoNumbers(&a, &b); break;
        case 4: file.ReadThreeNumbers(&a, &b, &c); break;
        case 5: file.ReadThreeNumbers(&a, &b, &c, kDescNarrowFieldWidth); break;
        case 6: file.ReadActionLine(&i, &j, text, sizeof text); break;
        case 7: file.ReadDerivedLine(text, sizeof text); break;
        case 8: file.ReadOptionalInt(&i); break;
        case 9: file.ReadWholeLine(text, sizeof text); break;
        case 10: ReadMeshBlock(file, nullptr, vertexType); break;
        case 11: ReadTextureBlock(file, nullptr); break;
        }
    }
    file.Close();
    g_ArchiveEntries[0] = nullptr;
    g_ArchiveEntryCounts[0] = 0;
    return 0;
}
