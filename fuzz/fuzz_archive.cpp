// Arbitrary bytes as an archive: the input is split into an index (.hdr) and a data
// file (.pak), written as the Objects (in-memory) and World (.pak-read) archives, and
// loaded and read through the file manager.
#include "app/settings.h"
#include "files/file_manager.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <sys/stat.h>

namespace {

void WriteBytes(const char* path, const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(path, "wb");
    if (!f)
        std::abort();
    if (size)
        std::fwrite(data, 1, size, f);
    std::fclose(f);
}

bool EnterTempDir()
{
    static bool done = false;
    if (done)
        return true;
    char tmpl[] = "/tmp/korvane-fuzz-archive-XXXXXX";
    if (!mkdtemp(tmpl) || chdir(tmpl) != 0 || mkdir("Data", 0777) != 0)
        return false;
    static std::string dir = tmpl;
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    });
    done = true;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!EnterTempDir())
        std::abort();
    size_t split = 0;
    if (size >= 2) {
        split = (size_t)(data[0] | data[1] << 8) % (size - 1);
        data += 2;
        size -= 2;
    }
    if (split > size)
        split = size;
    WriteBytes("Data/Objects.hdr", data, split);
    WriteBytes("Data/Objects.pak", data + split, size - split);
    WriteBytes("Data/World.hdr", data, split);
    WriteBytes("Data/World.pak", data + split, size - split);

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
