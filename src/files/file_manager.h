// Archive file manager: every data file is opened by its relative path, either as a
// loose file under the current directory or out of one of the six .hdr/.pak archives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Which archive would hold a file (the kind argument of CFileManager::Open).
enum FileKind {
    FILE_KIND_PLAIN = 1,             // any path, "rb", never archived
    FILE_KIND_OBJECTS = 1000,        // description files, in memory
    FILE_KIND_PRIVATE_DATA = 2000,   // private data, dialogs, texts, in memory
    FILE_KIND_LOCATIONS = 3000,      // location files, in memory
    FILE_KIND_WORLD = 4000,          // meshes, fonts, techniques, read from the .pak
    FILE_KIND_TEXTURES = 5000,       // textures, read from the .pak
    FILE_KIND_SOUNDS = 6000,         // sounds and music, read from the .pak
};

constexpr int FILE_SLOT_COUNT = 128;
constexpr int FILE_SLOT_NAME_SIZE = 255;
constexpr int FILE_ARCHIVE_COUNT = 6;
constexpr int FILE_ARCHIVE_NAME_SIZE = 256;
// Handles of one kind are kind + index, so an archive addresses at most 1000 entries.
constexpr uint32_t FILE_ARCHIVE_MAX_ENTRIES = 1000;
// The .pak-read archives hand out slot handles, so only the index's own size bounds them.
constexpr uint32_t FILE_PAK_ARCHIVE_MAX_ENTRIES = 1u << 20;
// Every byte of an archived name and of archived data is stored with this added.
constexpr uint8_t FILE_ARCHIVE_SCRAMBLE = 128;

struct FileArchiveEntry {
    char name[FILE_ARCHIVE_NAME_SIZE];
    uint32_t size;
    uint32_t offset;
    char* data;          // size + 1 bytes, zero-terminated; null for the .pak-read archives
    uint32_t readPos;    // next byte ReadLine reads; shared by every handle of the entry
};

extern FILE* g_FileSlots[FILE_SLOT_COUNT];
extern char g_FileSlotNames[FILE_SLOT_COUNT][FILE_SLOT_NAME_SIZE];
extern uint32_t g_ArchiveEntryCounts[FILE_ARCHIVE_COUNT];
extern FileArchiveEntry* g_ArchiveEntries[FILE_ARCHIVE_COUNT];

class CFileManager {
public:
    static int Init();
    static void Release();
    // Writes the archive refusals Init kept back; start-up calls it once debug.txt is emptied.
    static void FlushLog();

    // Handle or -1; *size gets the file's size in bytes.
    static int Open(const char* name, int kind, uint32_t* size = nullptr);
    static int OpenForWrite(const char* name);
    // 1 when all bytes were written, 0 otherwise.
    static int Write(const void* data, size_t size, int handle);
    static size_t Read(void* buffer, size_t itemSize, size_t itemCount, int handle);
    static int ReadLine(char* buffer, int maxLength, int handle);
    static void Close(int handle);
    // Closes a slot opened with OpenForWrite after pushing its data to the disk: 1 only when
    // every buffered byte reached the file (a full disk often shows only here).
    static int CloseWritten(int handle);
    static uint32_t GetFileSize(int handle);

    // Archive base name for a kind ("Objects" ... "SD"), or null.
    static const char* ArchiveName(int kind);
    // Loads one archive's index (and data, for the in-memory kinds). Returns 1 when loaded.
    static int LoadArchive(int kind);
};

int MakeDirectory(const char* path);
// Deletes the files of a folder under Save/ and the folder itself. 1 on success.
int DeleteDirectory(const char* directory);
