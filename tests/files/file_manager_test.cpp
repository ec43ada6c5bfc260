#include "files_test_util.h"

#include <cstring>

using LineList = std::vector<std::string>;

TEST_F(FilesTest, InMemoryEntriesShareOneReadPositionAndCloseRewinds)
{
    WriteArchive(FILE_KIND_OBJECTS, {{"Data/A/Main.obj", "one\ntwo\nthree\n"}});
    Start(1);
    uint32_t size = 0;
    int a = CFileManager::Open("Data/A/Main.obj", FILE_KIND_OBJECTS, &size);
    ASSERT_EQ(a, 1000);
    EXPECT_EQ(size, 14u);
    EXPECT_EQ(Lines(a, 64, 1), LineList{"one"});
    int b = CFileManager::Open("Data/A/Main.obj", FILE_KIND_OBJECTS);
    EXPECT_EQ(b, a);
    EXPECT_EQ(Lines(b, 64, 1), LineList{"two"});   // continues where the first reader stopped
    CFileManager::Close(a);
    EXPECT_EQ(Lines(b, 64, 1), LineList{"one"});
}

TEST_F(FilesTest, InMemoryLineEndsLongLinesAndTheEndOfData)
{
    WriteArchive(FILE_KIND_LOCATIONS, {
        {"Data/crlf.loc", "ab\r\ncd\n\nef"},          // CR LF is one line end; LF LF holds an empty line
        {"Data/long.loc", "0123456789\nx"},
        {"Data/nul.loc", std::string("a\0b", 3)},
        {"Data/empty.loc", ""},
    });
    Start(1);
    int h = CFileManager::Open("Data/crlf.loc", FILE_KIND_LOCATIONS);
    ASSERT_GE(h, 3000);
    char buf[64];
    EXPECT_EQ(CFileManager::ReadLine(buf, 64, h), 1);
    EXPECT_STREQ(buf, "ab");
    EXPECT_EQ(Lines(h, 64, 5), (LineList{"cd", "", "ef", "", ""}));   // last line without line end, then empty
    EXPECT_EQ(CFileManager::ReadLine(buf, 64, h), 0);
    EXPECT_EQ(g_ArchiveEntries[2][h - 3000].readPos, g_ArchiveEntries[2][h - 3000].size);

    // A buffer shorter than the line: the line comes back in pieces of M - 1 bytes.
    h = CFileManager::Open("Data/long.loc", FILE_KIND_LOCATIONS);
    EXPECT_EQ(Lines(h, 4, 6), (LineList{"012", "345", "678", "9", "x", ""}));

    h = CFileManager::Open("Data/nul.loc", FILE_KIND_LOCATIONS);
    EXPECT_EQ(Lines(h, 64, 3), (LineList{"a", "b", ""}));

    h = CFileManager::Open("Data/empty.loc", FILE_KIND_LOCATIONS);
    EXPECT_EQ(Lines(h, 64, 2), (LineList{"", ""}));
    EXPECT_EQ(CFileManager::ReadLine(buf, 64, -1), -1);
}

TEST_F(FilesTest, LooseFilesReadTextKindsInTextModeAndPlainFilesAsTheyAre)
{
    WriteFile("Data/A/Main.obj", "ab\r\ncd\r\rx\n0123456789\nlast");
    Start(0);
    uint32_t size = 0;
    int h = CFileManager::Open("Data/A/Main.obj", FILE_KIND_OBJECTS, &size);
    ASSERT_GE(h, 0);
    ASSERT_LT(h, FILE_SLOT_COUNT);
    EXPECT_EQ(size, 25u);
    EXPECT_EQ(CFileManager::GetFileSize(h), 25u);
    EXPECT_EQ(Lines(h, 64, 2), (LineList{"ab", "cd\r\rx"}));   // only a CR before LF goes
    EXPECT_EQ(Lines(h, 5, 4), (LineList{"0123", "4567", "89", "last"}));
    char buf[8] = "keep";
    EXPECT_EQ(CFileManager::ReadLine(buf, 8, h), 0);
    CFileManager::Close(h);

    h = CFileManager::Open("Data\\A\\Main.obj", FILE_KIND_PLAIN);   // backslashes are accepted
    ASSERT_GE(h, 0);
    EXPECT_EQ(Lines(h, 64, 1), LineList{"ab\r"});
    CFileManager::Close(h);

    // Read through a text kind drops the CR as well.
    h = CFileManager::Open("Data/A/Main.obj", FILE_KIND_OBJECTS);
    char all[64] = {};
    EXPECT_EQ(CFileManager::Read(all, 1, 64, h), 24u);
    EXPECT_EQ(std::string(all, 6), "ab\ncd\r");
    CFileManager::Close(h);

    EXPECT_EQ(CFileManager::Open("Data/A/Main.obj", 7000), -1);
    EXPECT_EQ(CFileManager::Open("Data/A/main.obj", FILE_KIND_OBJECTS), -1);
}

TEST_F(FilesTest, PakEntriesReadUnscrambledAndNeverIntoTheNextEntry)
{
    std::string bin1 = std::string("\x00\x7f\x80\xff" "abc", 7);
    WriteArchive(FILE_KIND_TEXTURES, {{"Data/t1.dds", bin1}, {"Data/t2.dds", "NEXT"}});
    Start(1);
    uint32_t size = 0;
    int h = CFileManager::Open("Data/t1.dds", FILE_KIND_TEXTURES, &size);
    ASSERT_GE(h, 5000);
    ASSERT_LT(h, 5000 + FILE_SLOT_COUNT);
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(CFileManager::GetFileSize(h), 0u);   // callers take sizes from Open
    char buf[16] = {};
    EXPECT_EQ(CFileManager::Read(buf, 1, 16, h), 7u);
    EXPECT_EQ(std::string(buf, 7), bin1);
    EXPECT_EQ(CFileManager::Read(buf, 1, 16, h), 0u);
    CFileManager::Close(h);
    EXPECT_EQ(g_FileSlots[h - 5000], nullptr);

    std::rename("Data/Textures.pak", "Data/Textures.old");  // new data renamed in under the running game
    WriteArchive(FILE_KIND_TEXTURES, {{"Data/t2.dds", "LONGER"}, {"Data/t1.dds", "other"}});
    h = CFileManager::Open("Data/t1.dds", FILE_KIND_TEXTURES);
    EXPECT_EQ(CFileManager::Read(buf, 4, 4, h), 1u);   // whole items only, within the entry
    EXPECT_EQ(std::string(buf, 4), bin1.substr(0, 4));
    CFileManager::Close(h);

    EXPECT_EQ(CFileManager::Open("Data/T1.dds", FILE_KIND_TEXTURES), -1);   // case-sensitive
    EXPECT_EQ(CFileManager::Open("Data/t1.dds", FILE_KIND_WORLD), -1);      // absent archive
    EXPECT_EQ(CFileManager::Open("Data/t1.dds", FILE_KIND_SOUNDS), -1);
}

TEST_F(FilesTest, ArchiveHandlesRefuseStreamCalls)
{
    WriteArchive(FILE_KIND_PRIVATE_DATA, {{"Data/Language.pd", "text\n"}});
    Start(1);
    uint32_t size = 0;
    int h = CFileManager::Open("Data/Language.pd", FILE_KIND_PRIVATE_DATA, &size);
    ASSERT_EQ(h, 2000);
    EXPECT_EQ(size, 5u);
    char buf[16];
    EXPECT_EQ(CFileManager::Read(buf, 1, 16, h), 0u);
    EXPECT_EQ(CFileManager::GetFileSize(h), 0u);
    EXPECT_EQ(CFileManager::Write("x", 1, h), 0);
    EXPECT_EQ(CFileManager::Read(buf, 1, 16, -1), 0u);
    EXPECT_EQ(CFileManager::Read(buf, 1, 16, 5), 0u);        // a free slot
    EXPECT_EQ(CFileManager::Read(buf, 1, 16, 4005), 0u);     // a free .pak slot
    EXPECT_EQ(CFileManager::ReadLine(buf, 16, 2999), 0);     // past the entry count
    EXPECT_STREQ(buf, "");
    // Archive mode does not fall back to loose files for the archived kinds.
    WriteFile("Data/Other.pd", "x\n");
    EXPECT_EQ(CFileManager::Open("Data/Other.pd", FILE_KIND_PRIVATE_DATA), -1);
    EXPECT_GE(CFileManager::Open("Data/Other.pd", FILE_KIND_PLAIN), 0);
}

TEST_F(FilesTest, AllSlotsTakenFailsStreamsButNotInMemoryFiles)
{
    WriteArchive(FILE_KIND_OBJECTS, {{"Data/a.obj", "a\n"}});
    WriteArchive(FILE_KIND_WORLD, {{"Data/a.msh", "m"}});
    WriteFile("plain.bin", "p");
    Start(1);
    std::vector<int> handles;
    for (int i = 0; i < FILE_SLOT_COUNT; ++i) {
        int h = CFileManager::Open("plain.bin", FILE_KIND_PLAIN);
        ASSERT_EQ(h, i);
        handles.push_back(h);
    }
    EXPECT_EQ(CFileManager::Open("plain.bin", FILE_KIND_PLAIN), -1);
    EXPECT_EQ(CFileManager::Open("Data/a.msh", FILE_KIND_WORLD), -1);
    EXPECT_EQ(CFileManager::OpenForWrite("out.bin"), -1);
    EXPECT_EQ(CFileManager::Open("Data/a.obj", FILE_KIND_OBJECTS), 1000);
    CFileManager::Close(handles[7]);
    EXPECT_EQ(CFileManager::Open("Data/a.msh", FILE_KIND_WORLD), 4007);
}

TEST_F(FilesTest, WriteReportsFailureAndWritesWholeItems)
{
    Start(0);
    int h = CFileManager::OpenForWrite("Save\\out.dat");   // no Save folder yet
    EXPECT_EQ(h, -1);
    ASSERT_EQ(MakeDirectory("Save"), 1);
    EXPECT_EQ(MakeDirectory("Save"), 0);
    h = CFileManager::OpenForWrite("Save/out.dat");
    ASSERT_GE(h, 0);
    EXPECT_STREQ(g_FileSlotNames[h], "Save/out.dat");
    EXPECT_EQ(CFileManager::Write("abc", 3, h), 1);
    EXPECT_EQ(CFileManager::Write("de", 2, h), 1);
    CFileManager::Close(h);
    EXPECT_EQ(ReadFile("Save/out.dat"), "abcde");
    EXPECT_EQ(CFileManager::Write("abc", 3, h), 0);    // closed slot
    EXPECT_EQ(CFileManager::Write("abc", 3, -1), 0);

    h = CFileManager::OpenForWrite("/dev/full");
    if (h >= 0) {
        std::string big(1 << 16, 'x');
        EXPECT_EQ(CFileManager::Write(big.data(), big.size(), h), 0);
        CFileManager::Close(h);
    }
}

TEST_F(FilesTest, DeleteDirectoryOnlyDeletesAFolderUnderSave)
{
    WriteFile("Save/03/Player.cfg", "p");
    WriteFile("Save/03/Sector 01.dat", "s");
    WriteFile("Save/04/Player.cfg", "p");
    WriteFile("keep.txt", "k");
    Start(0);
    for (const char* bad : {"", ".", "..", "Save", "Save/", "Save//", "Save/..", "Save/../04",
                            "Save/./03", "../Save/03", "Data", "/tmp", "Save/03/../04"})
        EXPECT_EQ(DeleteDirectory(bad), 0) << bad;
    EXPECT_EQ(DeleteDirectory(nullptr), 0);
    EXPECT_TRUE(std::filesystem::exists("Save/04/Player.cfg"));
    EXPECT_TRUE(std::filesystem::exists("keep.txt"));

    EXPECT_EQ(DeleteDirectory("Save\\03"), 1);
    EXPECT_FALSE(std::filesystem::exists("Save/03"));
    EXPECT_TRUE(std::filesystem::exists("Save/04/Player.cfg"));
    EXPECT_EQ(DeleteDirectory("Save/03"), 0);   // already gone

    // A folder inside is left, so the folder itself stays.
    WriteFile("Save/05/Sub/x", "x");
    WriteFile("Save/05/y", "y");
    EXPECT_EQ(DeleteDirectory("Save/05"), 0);
    EXPECT_FALSE(std::filesystem::exists("Save/05/y"));
    EXPECT_TRUE(std::filesystem::exists("Save/05/Sub/x"));
}

TEST_F(FilesTest, ReleaseReportsLostHandlesAndFreesEverything)
{
    WriteArchive(FILE_KIND_OBJECTS, {{"Data/a.obj", "a\n"}});
    WriteFile("plain.bin", "p");
    g_Settings.debugOut = 1;
    DebugOut(nullptr);
    Start(1);
    ASSERT_EQ(CFileManager::Open("plain.bin", FILE_KIND_PLAIN), 0);
    CFileManager::Release();
    EXPECT_EQ(g_FileSlots[0], nullptr);
    EXPECT_EQ(g_ArchiveEntries[0], nullptr);
    EXPECT_EQ(g_ArchiveEntryCounts[0], 0u);
    std::string log = ReadFile("debug.txt");
    EXPECT_NE(log.find("CFileManager::Release() start..."), std::string::npos) << log;
    EXPECT_NE(log.find("\tFile handle lost! (File name: plain.bin)"), std::string::npos) << log;
    EXPECT_NE(log.find("CFileManager::Release() done!"), std::string::npos) << log;
}

// Corrupt index files: the archive is refused with a log line and its files are not found.
namespace {
std::string Le32(uint32_t v)
{
    std::string s;
    for (int i = 0; i < 4; ++i)
        s += (char)(uint8_t)(v >> (8 * i));
    return s;
}
std::string Scrambled(const std::string& name)
{
    std::string s;
    for (char c : name)
        s += (char)(uint8_t)((uint8_t)c + 128);
    return s;
}
} // namespace

TEST_F(FilesTest, CorruptIndexFilesAreRefused)
{
    const std::string good = Scrambled("Data/a.obj") + '\0' + Le32(2) + Le32(0);
    struct Case {
        const char* what;
        std::string hdr;
        std::string pak;
    } cases[] = {
        {"too short", "ab", "xx"},
        {"name longer than its field", Scrambled(std::string(300, 'n')) + '\0' + Le32(0) + Le32(0) + Le32(1), ""},
        {"name without end", Scrambled("Data/a.obj") + Le32(1), ""},
        {"count runs past the file", good + Le32(2), "xx"},
        {"size past the pak", Scrambled("Data/a.obj") + '\0' + Le32(3) + Le32(0) + Le32(1), "xx"},
        {"offset past the pak", Scrambled("Data/a.obj") + '\0' + Le32(1) + Le32(0xFFFFFFFF) + Le32(1), "xx"},
        {"more entries than handles", good + Le32(1001), "xx"},
        {"bytes behind the entries", good + "zz" + Le32(1), "xx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile("Data/Objects.hdr", c.hdr);
        WriteFile("Data/Objects.pak", c.pak);
        g_Settings.debugOut = 1;
        DebugOut(nullptr);
        Start(1);
        EXPECT_EQ(g_ArchiveEntries[0], nullptr);
        EXPECT_EQ(g_ArchiveEntryCounts[0], 0u);
        EXPECT_EQ(CFileManager::Open("Data/a.obj", FILE_KIND_OBJECTS), -1);
        EXPECT_NE(ReadFile("debug.txt").find("Data/Objects.hdr refused"), std::string::npos);
        CFileManager::Release();
    }
    // The same index, sound, loads.
    WriteFile("Data/Objects.hdr", good + Le32(1));
    WriteFile("Data/Objects.pak", Scrambled("a\n"));
    Start(1);
    EXPECT_EQ(CFileManager::Open("Data/a.obj", FILE_KIND_OBJECTS), 1000);
}

TEST_F(FilesTest, AMissingPakLeavesTheArchiveAbsentWithoutALogLine)
{
    WriteArchive(FILE_KIND_SOUNDS, {{"Data/s.wav", "RIFF"}});
    std::filesystem::remove("Data/SD.pak");
    g_Settings.debugOut = 1;
    DebugOut(nullptr);
    Start(1);
    EXPECT_EQ(CFileManager::Open("Data/s.wav", FILE_KIND_SOUNDS), -1);
    EXPECT_EQ(ReadFile("debug.txt").find("refused"), std::string::npos);
}

TEST_F(FilesTest, DirectoriesAreNeverOpenedAsFiles)
{
    // An empty name part leaves a folder's path; its "size" must never reach a caller.
    std::filesystem::create_directories("Data/Textures");
    std::filesystem::create_directories("Data/Objects.hdr");
    WriteFile("Data/Objects.pak", "");
    for (int mode = 0; mode < 2; ++mode) {
        SCOPED_TRACE(mode);
        Start(mode);
        EXPECT_EQ(g_ArchiveEntries[0], nullptr);
        uint32_t size = 77;
        EXPECT_EQ(CFileManager::Open("Data/Textures/", FILE_KIND_PLAIN, &size), -1);
        EXPECT_EQ(size, 0u);
        EXPECT_EQ(CFileManager::Open("Data\\Textures", FILE_KIND_PLAIN, &size), -1);
        if (mode == 0) {
            EXPECT_EQ(CFileManager::Open("Data/Textures", FILE_KIND_TEXTURES, &size), -1);
            EXPECT_EQ(CFileManager::Open("Data/Textures", FILE_KIND_OBJECTS, &size), -1);
        }
        EXPECT_EQ(CFileManager::OpenForWrite("Data/Textures"), -1);
        for (int s = 0; s < FILE_SLOT_COUNT; ++s)
            EXPECT_EQ(g_FileSlots[s], nullptr);
        CFileManager::Release();
    }
}

TEST_F(FilesTest, AnIndexLargerThanAnyArchiveIsRefused)
{
    // 1000 entries with full names fill at most 264004 bytes.
    std::string hdr(1000 * (256 + 8) + 8, '\0');
    hdr[hdr.size() - 4] = 1;
    WriteFile("Data/Locations.hdr", hdr);
    WriteFile("Data/Locations.pak", "x");
    g_Settings.debugOut = 1;
    DebugOut(nullptr);
    Start(1);
    EXPECT_EQ(g_ArchiveEntries[2], nullptr);
    EXPECT_NE(ReadFile("debug.txt").find("Data/Locations.hdr refused: index larger"), std::string::npos);
}

TEST_F(FilesTest, ArchiveAndLooseFilesReadTheSameLines)
{
    const std::string text = "a\r\n\r\nb\n\n\nc\r\n\nd\n";
    WriteArchive(FILE_KIND_OBJECTS, {{"Data/t.obj", text}});
    WriteFile("Data/t.obj", text);
    LineList read[2];
    for (int mode = 0; mode < 2; ++mode) {
        Start(mode);
        int h = CFileManager::Open("Data/t.obj", FILE_KIND_OBJECTS);
        ASSERT_NE(h, -1);
        char buf[64];
        while (CFileManager::ReadLine(buf, 64, h) == 1)
            read[mode].push_back(buf);
        CFileManager::Close(h);
        CFileManager::Release();
    }
    EXPECT_EQ(read[0], (LineList{"a", "", "b", "", "", "c", "", "d"}));
    EXPECT_EQ(read[1], read[0]);
}

TEST_F(FilesTest, PakArchivesHoldMoreThanAThousandEntriesAndRefusalsWaitForTheLog)
{
    std::vector<std::pair<std::string, std::string>> many;
    for (int i = 0; i < 1500; ++i)
        many.push_back({"Data/t" + std::to_string(i) + ".dds", std::to_string(i)});
    WriteArchive(FILE_KIND_TEXTURES, many);
    WriteArchive(FILE_KIND_OBJECTS, many);   // in memory: 1000 handles at most
    g_Settings.debugOut = 1;
    g_Settings.useFileManager = 1;
    CFileManager::Init();
    // Start-up empties the log after the archives load; the reason must survive it.
    DebugOut(nullptr);
    CFileManager::FlushLog();
    EXPECT_NE(ReadFile("debug.txt").find("Data/Objects.hdr refused: more entries"), std::string::npos);
    EXPECT_EQ(ReadFile("debug.txt").find("Textures"), std::string::npos);
    EXPECT_EQ(g_ArchiveEntryCounts[4], 1500u);
    uint32_t size = 0;
    int h = CFileManager::Open("Data/t1499.dds", FILE_KIND_TEXTURES, &size);
    ASSERT_GE(h, 5000);
    char buf[8] = {};
    EXPECT_EQ(CFileManager::Read(buf, 1, size, h), 4u);
    EXPECT_STREQ(buf, "1499");
    CFileManager::Close(h);
}
