// The built data set (KORVANE_GAME_DIR, made by the datagen_run target) reads back
// byte for byte through the file manager, from the archives and from the loose tree.
#include "files_test_util.h"

#include "files/language.h"

#include <map>

namespace fs = std::filesystem;

namespace {

std::string TextMode(const std::string& b)
{
    std::string out;
    for (size_t i = 0; i < b.size(); ++i)
        if (!(b[i] == '\r' && i + 1 < b.size() && b[i + 1] == '\n'))
            out += b[i];
    return out;
}

} // namespace

class DataSetTest : public FilesTest {
protected:
    void SetUp() override
    {
        FilesTest::SetUp();
        game_ = KORVANE_GAME_DIR;
        if (!fs::exists(game_ / "Data/Language.pd") || !fs::exists(game_ / "Data/PrivateData.hdr"))
            GTEST_SKIP() << "no data set in " << game_ << " (build the datagen_run target)";
        fs::current_path(game_);
    }
    fs::path game_;
};

TEST_F(DataSetTest, EveryFileReadsBackInBothModes)
{
    // Which archive holds each file, from the archives themselves.
    std::map<std::string, int> kindOf;
    Start(1);
    for (int kind = FILE_KIND_OBJECTS; kind <= FILE_KIND_SOUNDS; kind += 1000) {
        int a = kind / 1000 - 1;
        ASSERT_NE(g_ArchiveEntries[a], nullptr) << CFileManager::ArchiveName(kind);
        for (uint32_t i = 0; i < g_ArchiveEntryCounts[a]; ++i) {
            const FileArchiveEntry& e = g_ArchiveEntries[a][i];
            EXPECT_EQ(kindOf.count(e.name), 0u) << e.name << " is in two archives";
            kindOf[e.name] = kind;
        }
    }
    ASSERT_EQ(kindOf.count("Data/Language.pd"), 1u);
    EXPECT_EQ(kindOf["Data/Language.pd"], FILE_KIND_PRIVATE_DATA);

    // Every loose file under Data/ (but the archives) is archived.
    size_t loose = 0;
    for (const auto& entry : fs::recursive_directory_iterator("Data")) {
        if (!entry.is_regular_file())
            continue;
        std::string name = entry.path().generic_string();
        std::string ext = entry.path().extension().string();
        if ((ext == ".hdr" || ext == ".pak") && entry.path().parent_path() == "Data")
            continue;
        ++loose;
        EXPECT_EQ(kindOf.count(name), 1u) << name << " is in no archive";
    }
    EXPECT_EQ(loose, kindOf.size());

    for (int mode = 1; mode >= 0; --mode) {
        Start(mode);
        for (const auto& [name, kind] : kindOf) {
            SCOPED_TRACE(name + (mode ? " (archive)" : " (loose)"));
            std::string want = ReadFile(name);
            bool text = kind <= FILE_KIND_LOCATIONS;
            uint32_t size = 0;
            int h = CFileManager::Open(name.c_str(), kind, &size);
            ASSERT_NE(h, -1);
            EXPECT_EQ(size, want.size());
            std::string got;
            if (text && mode) {
                const FileArchiveEntry& e = g_ArchiveEntries[kind / 1000 - 1][h - kind];
                got.assign(e.data, e.size);
                EXPECT_EQ(e.data[e.size], 0);
                // And line by line as the readers see it: any line-end byte ends a
                // line; only CR LF together count as one line end.
                std::vector<std::string> expectLines;
                for (size_t pos = 0; pos < want.size();) {
                    size_t i = want.find_first_of(std::string("\n\r\0", 3), pos);
                    if (i == std::string::npos) {
                        expectLines.push_back(want.substr(pos));
                        break;
                    }
                    expectLines.push_back(want.substr(pos, i - pos));
                    pos = i + 1;
                    if (want[i] == '\r' && pos < want.size() && want[pos] == '\n')
                        ++pos;
                }
                std::vector<std::string> lines;
                std::vector<char> buf(1 << 20);
                while (CFileManager::ReadLine(buf.data(), (int)buf.size(), h))
                    lines.push_back(buf.data());
                EXPECT_EQ(lines, expectLines);
            } else {
                got.resize(size + 16);
                got.resize(CFileManager::Read(got.data(), 1, got.size(), h));
            }
            EXPECT_EQ(got, text && !mode ? TextMode(want) : want);
            CFileManager::Close(h);
        }
        CFileManager::Release();
    }
}

TEST_F(DataSetTest, TheLanguageFileLoadsAndTranslates)
{
    for (int mode = 1; mode >= 0; --mode) {
        Start(mode);
        ASSERT_EQ(LoadLanguageData(), 1);
        g_Settings.language = 1;
        EXPECT_STREQ(TranslateText("ПАУЗА"), "PAUSE");
        EXPECT_STREQ(TranslateText("Корвейн"), "Korvane");
        EXPECT_GE(g_LanguageTables.longCount, 0);
        CFileManager::Release();
    }
}
