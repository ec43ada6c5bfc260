// Set-up shared by the fuzz targets: the input as an in-memory archive file, or as loose
// files in a scratch game directory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>
#include <unistd.h>
#include <sys/stat.h>

#include "files/file_manager.h"

namespace fuzzutil {

// The input as the only file of in-memory archive `archive`, zero-terminated as the archive
// loader leaves its entries. The entry points into the returned bytes: keep them alive
// while the file is read.
inline std::vector<char> ServeAsArchiveFile(int archive, const char* name, const uint8_t* data, size_t size)
{
    static FileArchiveEntry entry;
    std::vector<char> bytes(data, data + size);
    bytes.push_back(0);
    std::memset(&entry, 0, sizeof entry);
    std::strcpy(entry.name, name);
    entry.size = uint32_t(size);
    entry.data = bytes.data();
    g_ArchiveEntries[archive] = &entry;
    g_ArchiveEntryCounts[archive] = 1;
    return bytes;
}

inline void WriteBytes(const char* path, const void* data, size_t size)
{
    FILE* f = std::fopen(path, "wb");
    if (!f)
        std::abort();
    if (size)
        std::fwrite(data, 1, size, f);
    std::fclose(f);
}

// Once per process: a fresh "/tmp/korvane-fuzz-<name>-XXXXXX" with a Data folder becomes
// the current directory, and is removed at exit.
inline bool EnterTempDir(const char* name)
{
    static bool done = false;
    if (done)
        return true;
    std::string pattern = std::string("/tmp/korvane-fuzz-") + name + "-XXXXXX";
    if (!mkdtemp(pattern.data()) || chdir(pattern.c_str()) != 0 || mkdir("Data", 0777) != 0)
        return false;
    static std::string dir = pattern;
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    });
    done = true;
    return true;
}

} // namespace fuzzutil
