// Arbitrary bytes as an archive: the input is split into an index (.hdr) and a data
// file (.pak), written as the Objects (in-memory) and World (.pak-read) archives, and
// loaded and read through the file manager.
#include "app/settings.h"
#include "files/file_manager.h"
#include "fuzz_util.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!fuzzutil::EnterTempDir("archive"))
        std::abort();
    size_t split = 0;
    if (size >= 2) {
        split = (size_t)(data[0] | data[1] << 8) % (size - 1);
        data += 2;
        size -= 2;
    }
    if (split > size)
        split = size;
    fuzzutil::WriteBytes("Data/Objects.hdr", data, split);
    fuzzutil::WriteBytes("Data/Objects.pak", data + split, size - split);
    fuzzutil::WriteBytes("Data/World.hdr", data, split);
    fuzzutil::WriteBytes("Data/World.pak", data + split, size - split);

    g_Settings.debugOut = 0;
    g_Settings.useFileManager = 1;
    CFileManager::Init();
    for (int kind : {FILE_KIND_OBJECTS, FILE_KIND_WORLD}) {
        int a = kind / 1000 - 1;
        for (uint32_t i = 0; i < g_ArchiveEntryCounts[a] && i < 64; ++i) {
            std::string name = g_ArchiveEntries[a][i].name;
            uint32_t entrySize = 0;
            int h = CFileManager::Open(name.c_str(), kind, &entrySize);
            if (h == -1)
                continue;
            char buf[7];
            char big[300];
            if (kind == FILE_KIND_OBJECTS) {
                for (int n = 0; n < 200 && CFileManager::ReadLine(n & 1 ? buf : big, n & 1 ? 7 : 300, h) > 0; ++n) {
                }
                CFileManager::Read(buf, 1, sizeof buf, h);
            } else {
                while (CFileManager::Read(big, 3, 100, h) > 0) {
                }
                CFileManager::ReadLine(buf, sizeof buf, h);
            }
            CFileManager::Close(h);
        }
    }
    CFileManager::Release();
    return 0;
}
