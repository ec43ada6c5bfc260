// The data build's archive writer against the game's reader, and its language-file limits.
#include "files_test_util.h"

// The writer and the limits live in the datagen tool; they are built in here.
#include "../../tools/datagen/datagen.cpp"
#include "../../tools/datagen/check/language_check.cpp"
#include "../../tools/datagen/pack.cpp"
#include "../../tools/datagen/sources.cpp"

TEST_F(FilesTest, WriterAndReaderAgreeOnEveryKind)
{
    datagen::DataSet set;
    set.AddText("Data/Space/Ship/Eagle.M1/Main.obj", "obj\r\nline\n");
    set.AddText("Data/Space/Item/Laser Weapon/Laser M/Desc_RUS.pd", "desc\n");
    set.AddText("Data/Language.pd", "lang\n");
    set.AddText("Data/Locations.Space/Intro 01/Main.loc", "loc\n");
    set.Add("Data/Misc/Sphere.msh", {0, 1, 2, 128, 255});
    set.Add("Data/Misc/Fonts/Arial.18/Main.dds", {9, 8, 7});
    set.Add("Data\\Sounds\\GameMenu\\Bt_Press.wav", {'R', 'I', 'F', 'F'});
    set.Add("Save/Skip/Sector 01.dat", {1});
    datagen::DataSet archives;
    std::string error;
    ASSERT_TRUE(datagen::BuildArchives(set, archives, error)) << error;
    for (const auto& [path, bytes] : archives.files)
        WriteFile(path, std::string(bytes.begin(), bytes.end()));
    Start(1);
    EXPECT_EQ(g_ArchiveEntryCounts[0], 2u);   // the description and the item text beside it
    EXPECT_EQ(g_ArchiveEntryCounts[1], 1u);
    EXPECT_EQ(g_ArchiveEntryCounts[2], 1u);
    EXPECT_EQ(g_ArchiveEntryCounts[3], 1u);
    EXPECT_EQ(g_ArchiveEntryCounts[4], 1u);
    EXPECT_EQ(g_ArchiveEntryCounts[5], 1u);
    for (const auto& [path, bytes] : set.files) {
        int kind = datagen::ArchiveFor(path);
        if (!kind) {
            EXPECT_EQ(path.rfind("Save/", 0), 0u);
            continue;
        }
        uint32_t size = 0;
        int h = CFileManager::Open(path.c_str(), kind, &size);
        ASSERT_NE(h, -1) << path;
        ASSERT_EQ(size, bytes.size());
        std::string got;
        if (kind <= FILE_KIND_LOCATIONS) {
            const FileArchiveEntry& e = g_ArchiveEntries[kind / 1000 - 1][h - kind];
            got.assign(e.data, e.size);
        } else {
            got.resize(size);
            EXPECT_EQ(CFileManager::Read(got.data(), 1, size, h), size);
        }
        EXPECT_EQ(got, std::string(bytes.begin(), bytes.end())) << path;
        CFileManager::Close(h);
    }
}

TEST_F(FilesTest, WriterRefusesWhatTheIndexCannotHold)
{
    std::vector<uint8_t> one{1};
    std::vector<uint8_t> hdr, pak;
    std::string error;
    std::vector<std::pair<std::string, const std::vector<uint8_t>*>> files;
    files.push_back({std::string(256, 'n'), &one});
    EXPECT_FALSE(datagen::PackArchive(files, hdr, pak, error));
    files = {{std::string("Data/\x80.dds"), &one}};
    EXPECT_FALSE(datagen::PackArchive(files, hdr, pak, error));
    files.clear();
    std::vector<std::string> names;
    for (int i = 0; i < 1001; ++i)
        names.push_back("Data/" + std::to_string(i));
    for (const std::string& n : names)
        files.push_back({n, &one});
    EXPECT_FALSE(datagen::PackArchive(files, hdr, pak, error));
    files.pop_back();
    EXPECT_TRUE(datagen::PackArchive(files, hdr, pak, error)) << error;
}

TEST(DatagenText, Utf8BecomesCp1251)
{
    bool ok = false;
    EXPECT_EQ(datagen::ToCp1251("\xD0\x9F\xD0\x90\xD0\xA3\xD0\x97\xD0\x90 \xD1\x91\xE2\x84\x96", &ok),
              "\xCF\xC0\xD3\xC7\xC0 \xB8\xB9");
    EXPECT_TRUE(ok);
    EXPECT_EQ(datagen::ToCp1251("a\xE4\xB8\xAD" "b", &ok), "a?b");   // no CP1251 form
    EXPECT_FALSE(ok);
    EXPECT_EQ(datagen::ToCp1251("\xD0", &ok), "?");                 // cut sequence
    EXPECT_FALSE(ok);
}

namespace {
std::vector<std::string> LanguageErrors(const std::string& text)
{
    std::vector<std::string> errors;
    datagen::CheckLanguageSource(text, errors);
    return errors;
}
const std::string kHead = "h\nh\nh\n";
const std::string kTail = "//////\ng\ng\nL00 r\nL00 e\n//////\ng\ng\n//////\ng\n//////\ng\ng\ng\n//////\n";
} // namespace

TEST(DatagenLanguage, TheProjectsLanguageFileKeepsTheLimits)
{
    std::ifstream in(std::string(KORVANE_SOURCE_DIR) + "/data/Data/Language.pd", std::ios::binary);
    std::string utf8((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(utf8.empty());
    bool ok = false;
    std::string text = datagen::ToCp1251(utf8, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(LanguageErrors(text), std::vector<std::string>{});
}

TEST(DatagenLanguage, FilesBreakingTheLimitsAreRefused)
{
    EXPECT_TRUE(LanguageErrors(kHead + "\"a\" \"b\"\n" + kTail).empty());
    EXPECT_FALSE(LanguageErrors(kHead + "\"" + std::string(128, 'a') + "\" \"b\"\n" + kTail).empty());
    EXPECT_FALSE(LanguageErrors(kHead + "\"a\" \"b\n" + kTail).empty());        // no closing quote
    EXPECT_FALSE(LanguageErrors(kHead + "\"a\" \"b\"\n\n" + kTail).empty());    // empty line
    EXPECT_FALSE(LanguageErrors(kHead + "\"a\" \"b\"\r\n" + kTail).empty());
    EXPECT_FALSE(LanguageErrors(kHead + "\"a\" \"a\"\n\"a\" \"b\"\n" + kTail).empty());   // twice
    std::string many;
    for (int i = 0; i < 257; ++i)
        many += "\"" + std::to_string(i) + "\" \"e\"\n";
    EXPECT_FALSE(LanguageErrors(kHead + many + kTail).empty());
    EXPECT_FALSE(LanguageErrors(kHead + "\"a\" \"b\"\n").empty());             // ends early
    std::string longLine = kHead + "\"a\" \"b\"\n//////\ng\ng\nL00 " + std::string(1019, 'x')
                           + "\nL00 e\n//////\ng\ng\n//////\ng\n//////\ng\ng\ng\n//////\n";
    EXPECT_FALSE(LanguageErrors(longLine).empty());
    longLine.erase(longLine.find("xx"), 1);   // 1018 characters of text fit
    EXPECT_TRUE(LanguageErrors(longLine).empty());
}

TEST_F(FilesTest, SourcesAreConvertedAndOutputsRewrittenOnlyWhenChanged)
{
    WriteFile("src/Data/Language.pd", "\xEF\xBB\xBF\"\xD0\x94\xD0\xB0\" \"Yes\"\n");   // BOM, UTF-8
    WriteFile("src/Data/Misc/Logo.bmp", "\xD0\x94");                                  // binary: as it is
    datagen::DataSet set;
    ASSERT_TRUE(datagen::LoadSources("src", set));
    EXPECT_EQ(set.Text("Data/Language.pd"), "\"\xC4\xE0\" \"Yes\"\n");
    EXPECT_EQ(set.Text("Data/Misc/Logo.bmp"), "\xD0\x94");
    EXPECT_EQ(datagen::ArchiveFor("Data/Misc/Logo.bmp"), FILE_KIND_TEXTURES);

    WriteFile("bad/Data/A.obj", "\xE4\xB8\xAD\n");   // no CP1251 form
    datagen::DataSet bad;
    EXPECT_FALSE(datagen::LoadSources("bad", bad));

    bool written = false;
    std::vector<uint8_t> bytes{1, 2, 3};
    ASSERT_TRUE(datagen::WriteIfChanged("out/Data/x.bin", bytes, &written));
    EXPECT_TRUE(written);
    ASSERT_TRUE(datagen::WriteIfChanged("out/Data/x.bin", bytes, &written));
    EXPECT_FALSE(written);
    bytes.push_back(4);
    ASSERT_TRUE(datagen::WriteIfChanged("out/Data/x.bin", bytes, &written));
    EXPECT_TRUE(written);
    EXPECT_EQ(ReadFile("out/Data/x.bin"), std::string("\1\2\3\4"));
}
