#include "files/file_manager.h"

#include "app/settings.h"
#include "platform/crt/text_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

FILE* g_FileSlots[FILE_SLOT_COUNT];
char g_FileSlotNames[FILE_SLOT_COUNT][FILE_SLOT_NAME_SIZE];
uint32_t g_ArchiveEntryCounts[FILE_ARCHIVE_COUNT];
FileArchiveEntry* g_ArchiveEntries[FILE_ARCHIVE_COUNT];

namespace {

const char* const kArchiveNames[FILE_ARCHIVE_COUNT] = {
    "Objects", "PrivateData", "Locations", "World", "Textures", "SD"};

// Per-slot state besides the stream: text mode (drops the '\r' of CR LF like the
// Windows C runtime) and, for .pak streams, how many bytes of the entry are left.
bool g_SlotTextMode[FILE_SLOT_COUNT];
bool g_SlotPak[FILE_SLOT_COUNT];
uint32_t g_SlotPakLeft[FILE_SLOT_COUNT];
// The .pak each read-from-disk archive was indexed from, open for the whole run.
FILE* g_PakFiles[FILE_ARCHIVE_COUNT];

constexpr int kPathMax = 1024;
// The most an index can hold: every entry with a full name, its size and offset, and the count.
constexpr long MaxIndexSize(uint32_t entries) { return long(entries) * (FILE_ARCHIVE_NAME_SIZE + 8) + 4; }

// Refusals found while the archives load at start-up wait here until debug.txt has been
// emptied, or they would be wiped with it.
constexpr int kPendingLogLines = FILE_ARCHIVE_COUNT;
char g_PendingLog[kPendingLogLines][320];
int g_PendingLogCount = 0;

// Copies a caller's path with backslashes turned into '/'. False when too long.
bool NormalisePath(const char* name, char* out)
{
    size_t n = std::strlen(name);
    if (n >= kPathMax)
        return false;
    for (size_t i = 0; i <= n; ++i)
        out[i] = name[i] == '\\' ? '/' : name[i];
    return true;
}

int FreeSlot()
{
    for (int s = 0; s < FILE_SLOT_COUNT; ++s)
        if (!g_FileSlots[s])
            return s;
    return -1;
}

void TakeSlot(int s, FILE* f, const char* name, bool text)
{
    g_FileSlots[s] = f;
    size_t n = std::strlen(name);
    if (n > FILE_SLOT_NAME_SIZE - 1)
        n = FILE_SLOT_NAME_SIZE - 1;
    std::memcpy(g_FileSlotNames[s], name, n);
    g_FileSlotNames[s][n] = 0;
    g_SlotTextMode[s] = text;
    g_SlotPak[s] = false;
    g_SlotPakLeft[s] = 0;
}

void FreeSlotState(int s)
{
    if (g_FileSlots[s])
        std::fclose(g_FileSlots[s]);
    g_FileSlots[s] = nullptr;
    g_FileSlotNames[s][0] = 0;
    g_SlotTextMode[s] = false;
    g_SlotPak[s] = false;
    g_SlotPakLeft[s] = 0;
}

long StreamSize(FILE* f)
{
    long here = std::ftell(f);
    if (std::fseek(f, 0, SEEK_END) != 0)
        return 0;
    long size = std::ftell(f);
    std::fseek(f, here < 0 ? 0 : here, SEEK_SET);
    return size < 0 ? 0 : size;
}

int ArchiveIndex(int kind)
{
    if (kind < FILE_KIND_OBJECTS || kind > FILE_KIND_SOUNDS || kind % 1000)
        return -1;
    return kind / 1000 - 1;
}

// Valid slot holding an open stream, from a slot or .pak handle; -1 otherwise.
int StreamSlot(int handle)
{
    int s = -1;
    if (handle >= 0 && handle < FILE_SLOT_COUNT)
        s = handle;
    else if (handle >= FILE_KIND_WORLD && handle < FILE_KIND_SOUNDS + 1000 && handle % 1000 < FILE_SLOT_COUNT)
        s = handle % 1000;
    if (s < 0 || !g_FileSlots[s])
        return -1;
    // A .pak handle must name a .pak stream and a plain handle a plain one.
    if ((handle >= FILE_SLOT_COUNT) != g_SlotPak[s])
        return -1;
    return s;
}

// The in-memory entry of a 1000..3999 handle, or null.
FileArchiveEntry* MemoryEntry(int handle)
{
    if (handle < FILE_KIND_OBJECTS || handle >= FILE_KIND_WORLD)
        return nullptr;
    int a = handle / 1000 - 1;
    uint32_t i = handle % 1000;
    if (!g_ArchiveEntries[a] || i >= g_ArchiveEntryCounts[a])
        return nullptr;
    return &g_ArchiveEntries[a][i];
}

// fgets over a stream; in text mode a CR directly before LF is dropped.
bool ReadStreamLine(FILE* f, bool text, char* buffer, int maxLength)
{
    int n = 0;
    bool any = false;
    while (n < maxLength - 1) {
        int c = std::fgetc(f);
        if (c == EOF)
            break;
        any = true;
        if (text && c == '\r') {
            int next = std::fgetc(f);
            if (next == '\n')
                c = '\n';
            else if (next != EOF)
                std::ungetc(next, f);
        }
        buffer[n++] = (char)c;
        if (c == '\n')
            break;
    }
    buffer[n] = 0;
    return any;
}

size_t ReadTextStream(FILE* f, uint8_t* out, size_t bytes)
{
    size_t n = 0;
    while (n < bytes) {
        int c = std::fgetc(f);
        if (c == EOF)
            break;
        if (c == '\r') {
            int next = std::fgetc(f);
            if (next == '\n')
                c = '\n';
            else if (next != EOF)
                std::ungetc(next, f);
        }
        out[n++] = (uint8_t)c;
    }
    return n;
}

void FreeArchive(int a)
{
    if (g_PakFiles[a])
        std::fclose(g_PakFiles[a]);
    g_PakFiles[a] = nullptr;
    FileArchiveEntry* table = g_ArchiveEntries[a];
    if (table) {
        for (uint32_t i = 0; i < g_ArchiveEntryCounts[a]; ++i)
            delete[] table[i].data;
        delete[] table;
    }
    g_ArchiveEntries[a] = nullptr;
    g_ArchiveEntryCounts[a] = 0;
}

uint32_t ReadU32(const uint8_t* p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

} // namespace

const char* CFileManager::ArchiveName(int kind)
{
    int a = ArchiveIndex(kind);
    return a < 0 ? nullptr : kArchiveNames[a];
}

int CFileManager::LoadArchive(int kind)
{
    int a = ArchiveIndex(kind);
    if (a < 0)
        return 0;
    FreeArchive(a);
    const bool withData = kind <= FILE_KIND_LOCATIONS;

    char hdrName[64], pakName[64];
    std::snprintf(hdrName, sizeof hdrName, "Data/%s.hdr", kArchiveNames[a]);
    std::snprintf(pakName, sizeof pakName, "Data/%s.pak", kArchiveNames[a]);
    FILE* hdr = FileOpen(hdrName, "rb");
    if (!hdr)
        return 0;
    // The .pak is needed even for the index-only archives: every entry is checked
    // against its size before the index is trusted.
    FILE* pak = FileOpen(pakName, "rb");
    if (!pak) {
        std::fclose(hdr);
        return 0;
    }
    long hdrSize = StreamSize(hdr);
    long pakSize = StreamSize(pak);
    uint8_t* buf = nullptr;
    FileArchiveEntry* table = nullptr;
    const char* fault = nullptr;
    uint32_t count = 0;

    if (hdrSize < 4) {
        fault = "index shorter than its entry count";
    } else if (hdrSize > MaxIndexSize(withData ? FILE_ARCHIVE_MAX_ENTRIES : FILE_PAK_ARCHIVE_MAX_ENTRIES)) {
        fault = "index larger than its entries can be";
    } else {
        buf = new uint8_t[hdrSize];
        if (std::fread(buf, 1, hdrSize, hdr) != (size_t)hdrSize)
            fault = "index cannot be read";
    }
    if (!fault) {
        count = ReadU32(buf + hdrSize - 4);
        // In-memory handles are kind + entry, so those archives stop at 1000 entries; a .pak
        // handle is kind + slot and addresses any entry.
        if (withData && count > FILE_ARCHIVE_MAX_ENTRIES)
            fault = "more entries than the kind's handle range";
        else if (count > FILE_PAK_ARCHIVE_MAX_ENTRIES)
            fault = "more entries than an index can hold";
        else if (count > uint32_t((hdrSize - 4) / 9))
            fault = "entry count runs past the index";
    }
    if (!fault) {
        table = new FileArchiveEntry[count ? count : 1]();
        const size_t end = (size_t)hdrSize - 4;
        size_t p = 0;
        for (uint32_t i = 0; i < count && !fault; ++i) {
            FileArchiveEntry& e = table[i];
            size_t len = 0;
            while (p + len < end && buf[p + len] != 0 && len < FILE_ARCHIVE_NAME_SIZE)
                ++len;
            if (len >= FILE_ARCHIVE_NAME_SIZE) {
                fault = "entry name longer than its field";
                break;
            }
            if (p + len >= end || end - (p + len + 1) < 8) {
                fault = "entry count runs past the index";
                break;
            }
            for (size_t k = 0; k < len; ++k)
                e.name[k] = (char)(uint8_t)(buf[p + k] - FILE_ARCHIVE_SCRAMBLE);
            e.name[len] = 0;
            p += len + 1;
            e.size = ReadU32(buf + p);
            e.offset = ReadU32(buf + p + 4);
            p += 8;
            if ((uint64_t)e.offset + e.size > (uint64_t)pakSize) {
                fault = "entry data past the end of the .pak";
                break;
            }
            e.readPos = 0;
            if (withData) {
                e.data = new char[(size_t)e.size + 1];
                if (std::fseek(pak, (long)e.offset, SEEK_SET) != 0
                    || std::fread(e.data, 1, e.size, pak) != e.size) {
                    fault = "entry data cannot be read";
                    break;
                }
                for (uint32_t k = 0; k < e.size; ++k)
                    e.data[k] = (char)(uint8_t)((uint8_t)e.data[k] - FILE_ARCHIVE_SCRAMBLE);
                e.data[e.size] = 0;
            }
        }
        if (!fault && p != end)
            fault = "index holds bytes behind its last entry";
    }

    delete[] buf;
    std::fclose(hdr);
    // The .pak read later stays the one this index describes, whatever a rebuild of the data
    // puts under its name while the game runs.
    if (!fault && !withData)
        g_PakFiles[a] = pak;
    else
        std::fclose(pak);
    if (fault) {
        if (table) {
            for (uint32_t i = 0; i < count; ++i)
                delete[] table[i].data;
            delete[] table;
        }
        if (g_PendingLogCount < kPendingLogLines)
            std::snprintf(g_PendingLog[g_PendingLogCount++], sizeof g_PendingLog[0],
                          "CFileManager: archive %s refused: %s", hdrName, fault);
        return 0;
    }
    g_ArchiveEntries[a] = table;
    g_ArchiveEntryCounts[a] = count;
    return 1;
}

int CFileManager::Init()
{
    for (int s = 0; s < FILE_SLOT_COUNT; ++s) {
        g_FileSlots[s] = nullptr;
        g_FileSlotNames[s][0] = 0;
        g_SlotTextMode[s] = false;
        g_SlotPak[s] = false;
        g_SlotPakLeft[s] = 0;
    }
    for (int a = 0; a < FILE_ARCHIVE_COUNT; ++a)
        FreeArchive(a);
    if (!g_Settings.useFileManager)
        return 1;
    for (int kind = FILE_KIND_OBJECTS; kind <= FILE_KIND_SOUNDS; kind += 1000)
        LoadArchive(kind);
    return 1;
}

void CFileManager::FlushLog()
{
    for (int i = 0; i < g_PendingLogCount; ++i)
        DebugOut(g_PendingLog[i]);
    g_PendingLogCount = 0;
}

void CFileManager::Release()
{
    FlushLog();
    DebugOut("CFileManager::Release() start...");
    for (int a = 0; a < FILE_ARCHIVE_COUNT; ++a)
        FreeArchive(a);
    for (int s = 0; s < FILE_SLOT_COUNT; ++s) {
        if (g_FileSlots[s]) {
            DebugOutF("\tFile handle lost! (File name: %s)", g_FileSlotNames[s]);
            FreeSlotState(s);
        }
    }
    DebugOut("CFileManager::Release() done!\n");
}

int CFileManager::Open(const char* name, int kind, uint32_t* size)
{
    if (size)
        *size = 0;
    char path[kPathMax];
    if (!name || !NormalisePath(name, path))
        return -1;
    int slot = FreeSlot();

    if (kind == FILE_KIND_PLAIN || (!g_Settings.useFileManager && ArchiveIndex(kind) >= 0)) {
        if (slot < 0)
            return -1;
        const bool text = kind >= FILE_KIND_OBJECTS && kind <= FILE_KIND_LOCATIONS;
        FILE* f = FileOpen(path, "rb");
        if (!f)
            return -1;
        TakeSlot(slot, f, path, text);
        if (size)
            *size = (uint32_t)StreamSize(f);
        return slot;
    }

    int a = ArchiveIndex(kind);
    if (a < 0 || !g_ArchiveEntries[a])
        return -1;
    uint32_t i = 0;
    for (; i < g_ArchiveEntryCounts[a]; ++i)
        if (StrEqual(g_ArchiveEntries[a][i].name, path))
            break;
    if (i == g_ArchiveEntryCounts[a])
        return -1;
    FileArchiveEntry& e = g_ArchiveEntries[a][i];

    if (kind <= FILE_KIND_LOCATIONS) {
        if (size)
            *size = e.size;
        return kind + (int)i;
    }

    if (slot < 0)
        return -1;
    FILE* f = FileReopen(g_PakFiles[a]);
    if (!f) {
        char pakName[64];
        std::snprintf(pakName, sizeof pakName, "Data/%s.pak", kArchiveNames[a]);
        f = FileOpen(pakName, "rb");
    }
    if (!f)
        return -1;
    if (std::fseek(f, (long)e.offset, SEEK_SET) != 0) {
        std::fclose(f);
        return -1;
    }
    TakeSlot(slot, f, path, false);
    g_SlotPak[slot] = true;
    g_SlotPakLeft[slot] = e.size;
    if (size)
        *size = e.size;
    return kind + slot;
}

int CFileManager::OpenForWrite(const char* name)
{
    char path[kPathMax];
    if (!name || !NormalisePath(name, path))
        return -1;
    int slot = FreeSlot();
    if (slot < 0)
        return -1;
    FILE* f = FileOpen(path, "wb");
    if (!f)
        return -1;
    TakeSlot(slot, f, path, false);
    return slot;
}

int CFileManager::Write(const void* data, size_t size, int handle)
{
    if (handle < 0 || handle >= FILE_SLOT_COUNT || !g_FileSlots[handle] || g_SlotPak[handle])
        return 0;
    if (size == 0)
        return 1;
    if (!data)
        return 0;
    return std::fwrite(data, size, 1, g_FileSlots[handle]) == 1 ? 1 : 0;
}

size_t CFileManager::Read(void* buffer, size_t itemSize, size_t itemCount, int handle)
{
    int s = StreamSlot(handle);
    if (s < 0 || !buffer || itemSize == 0 || itemCount == 0)
        return 0;
    if (itemCount > SIZE_MAX / itemSize)
        return 0;
    FILE* f = g_FileSlots[s];
    if (g_SlotPak[s]) {
        // Never read into the next entry; the data are stored scrambled.
        size_t items = itemCount;
        if (items > g_SlotPakLeft[s] / itemSize)
            items = g_SlotPakLeft[s] / itemSize;
        if (items == 0)
            return 0;
        size_t got = std::fread(buffer, itemSize, items, f);
        uint8_t* p = (uint8_t*)buffer;
        for (size_t k = 0; k < got * itemSize; ++k)
            p[k] = (uint8_t)(p[k] - FILE_ARCHIVE_SCRAMBLE);
        g_SlotPakLeft[s] -= (uint32_t)(got * itemSize);
        return got;
    }
    if (g_SlotTextMode[s]) {
        size_t bytes = itemSize * itemCount;
        size_t got = ReadTextStream(f, (uint8_t*)buffer, bytes);
        return got / itemSize;
    }
    return std::fread(buffer, itemSize, itemCount, f);
}

int CFileManager::ReadLine(char* buffer, int maxLength, int handle)
{
    if (handle == -1)
        return -1;
    if (!buffer || maxLength < 1)
        return 0;
    if (maxLength == 1) {
        buffer[0] = 0;
        return 0;
    }

    if (handle >= 0 && handle < FILE_SLOT_COUNT) {
        if (!g_FileSlots[handle]) {
            buffer[0] = 0;
            return 0;
        }
        if (!ReadStreamLine(g_FileSlots[handle], g_SlotTextMode[handle], buffer, maxLength))
            return 0;
        size_t n = std::strlen(buffer);
        if (n && buffer[n - 1] == '\n')
            buffer[n - 1] = 0;
        return 1;
    }

    FileArchiveEntry* e = MemoryEntry(handle);
    if (!e || !e->data) {
        buffer[0] = 0;
        return 0;
    }
    if (e->readPos >= e->size) {
        e->readPos = e->size;
        buffer[0] = 0;
        return 0;
    }
    const uint32_t pos = e->readPos;
    const uint32_t left = e->size - pos;
    const uint32_t limit = (uint32_t)(maxLength - 1) < left ? (uint32_t)(maxLength - 1) : left;
    const char* d = e->data;
    uint32_t i = pos;
    for (; i < pos + limit; ++i)
        if (d[i] == 0 || d[i] == '\n' || d[i] == '\r')
            break;
    std::memcpy(buffer, d + pos, i - pos);
    buffer[i - pos] = 0;
    if (i < pos + limit) {
        // CR LF is one line end; a second LF is an empty line, as the loose files read it.
        uint32_t next = i + 1;
        if (d[i] == '\r' && next < e->size && d[next] == '\n')
            ++next;
        e->readPos = next;
    } else {
        e->readPos = i;   // the rest of a long line comes with the next call
    }
    return 1;
}

void CFileManager::Close(int handle)
{
    if (handle == -1)
        return;
    if (FileArchiveEntry* e = MemoryEntry(handle)) {
        e->readPos = 0;
        return;
    }
    int s = StreamSlot(handle);
    if (s >= 0)
        FreeSlotState(s);
}

int CFileManager::CloseWritten(int handle)
{
    if (handle < 0 || handle >= FILE_SLOT_COUNT || !g_FileSlots[handle] || g_SlotPak[handle])
        return 0;
    FILE* f = g_FileSlots[handle];
    bool ok = std::fflush(f) == 0 && !std::ferror(f);
    // A character device (a terminal, /dev/null) cannot be synced and needs not be.
    if (ok && fsync(fileno(f)) != 0 && errno != EINVAL && errno != EROFS)
        ok = false;
    g_FileSlots[handle] = nullptr;
    if (std::fclose(f) != 0)
        ok = false;
    FreeSlotState(handle);
    return ok ? 1 : 0;
}

uint32_t CFileManager::GetFileSize(int handle)
{
    if (handle < 0 || handle >= FILE_SLOT_COUNT || !g_FileSlots[handle])
        return 0;
    FILE* f = g_FileSlots[handle];
    if (std::fseek(f, 0, SEEK_END) != 0)
        return 0;
    long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    return size < 0 ? 0 : (uint32_t)size;
}

int MakeDirectory(const char* path)
{
    char p[kPathMax];
    if (!path || !NormalisePath(path, p) || !p[0])
        return 0;
    return mkdir(p, 0777) == 0 ? 1 : 0;
}

int DeleteDirectory(const char* directory)
{
    char dir[kPathMax];
    if (!directory || !NormalisePath(directory, dir))
        return 0;
    // Only a pilot folder under Save/: never the current directory, never outside it.
    size_t n = std::strlen(dir);
    while (n && dir[n - 1] == '/')
        dir[--n] = 0;
    if (std::strncmp(dir, "Save/", 5) != 0 || n <= 5) {
        DebugOutF("DeleteDirectory: refused \"%s\"", directory);
        return 0;
    }
    for (const char* c = dir + 5; *c;) {
        const char* slash = std::strchr(c, '/');
        size_t len = slash ? (size_t)(slash - c) : std::strlen(c);
        if (len == 0 || (len == 1 && c[0] == '.') || (len == 2 && c[0] == '.' && c[1] == '.')) {
            DebugOutF("DeleteDirectory: refused \"%s\"", directory);
            return 0;
        }
        c += len;
        if (*c == '/')
            ++c;
    }
    struct stat st;
    if (lstat(dir, &st) != 0 || !S_ISDIR(st.st_mode))
        return 0;
    DIR* d = opendir(dir);
    if (!d)
        return 0;
    while (dirent* ent = readdir(d)) {
        char full[kPathMax * 2];
        std::snprintf(full, sizeof full, "%s/%s", dir, ent->d_name);
        struct stat es;
        if (lstat(full, &es) != 0 || S_ISDIR(es.st_mode))
            continue;
        std::remove(full);
    }
    closedir(d);
    return rmdir(dir) == 0 ? 1 : 0;
}
