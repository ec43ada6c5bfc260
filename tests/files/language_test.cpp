#include "files_test_util.h"

#include "files/language.h"
#include "platform/crt/rand.h"

#include <cstring>

namespace {

struct LanguageSource {
    std::vector<std::string> texts;                              // section 1 lines
    std::vector<std::pair<std::string, std::string>> longs;      // section 2 sets
    std::vector<std::string> phrases1, phrases2;                 // sections 3, 4
    std::vector<std::string> names;                              // section 5 lines

    std::string Build() const
    {
        std::string f = "// head\n// head\n// head\n";
        for (const std::string& l : texts) f += l + "\n";
        if (texts.size() < LANG_SHORT_COUNT) f += "//////\n";
        f += "// gap\n// gap\n";
        for (size_t i = 0; i < longs.size(); ++i) {
            f += "L00 " + longs[i].first + "\n" + "L00 " + longs[i].second + "\n";
            f += i + 1 == longs.size() ? "//////\n" : "------\n";
        }
        f += "// gap\n// gap\n";
        for (const std::string& l : phrases1) f += l + "\n";
        if (phrases1.size() < LANG_PHRASE_FILLED) f += "//////\n";
        f += "// gap\n";
        for (const std::string& l : phrases2) f += l + "\n";
        if (phrases2.size() < LANG_PHRASE_FILLED) f += "//////\n";
        f += "// gap\n// gap\n// gap\n";
        for (const std::string& l : names) f += l + "\n";
        if (names.size() < LANG_NAME_COUNT) f += "//////\n";
        return f;
    }
};

LanguageSource Typical()
{
    LanguageSource s;
    s.texts = {"\"ПАУЗА\" \"PAUSE\"", "\"Да\"   \"Yes\"", "\"Нет\"\t\"No\""};
    s.longs = {{"Длинный 0", "Long 0"}, {"Длинный 1", "Long 1"}, {"Длинный 2", "Long 2"}};
    for (int i = 0; i < LANG_PHRASE_FILLED; ++i) {
        s.phrases1.push_back("\"ф1-" + std::to_string(i) + "\" \"p1-" + std::to_string(i) + "\"");
        s.phrases2.push_back("\"ф2-" + std::to_string(i) + "\" \"p2-" + std::to_string(i) + "\"");
    }
    s.names = {"(Орел) (Eagle)", "(Акула М2) (Shark M2)"};
    return s;
}

} // namespace

// Each test runs with the file loose (mode 0) and in the PrivateData archive (mode 1).
class LanguageTest : public FilesTest, public ::testing::WithParamInterface<int> {
protected:
    void Load(const std::string& text)
    {
        if (GetParam())
            WriteArchive(FILE_KIND_PRIVATE_DATA, {{"Data/Language.pd", text}});
        else
            WriteFile("Data/Language.pd", text);
        Start(GetParam());
        ASSERT_EQ(LoadLanguageData(), 1);
    }
};

INSTANTIATE_TEST_SUITE_P(BothModes, LanguageTest, ::testing::Values(0, 1));

TEST_P(LanguageTest, TranslatesExactTextsOnlyInEnglish)
{
    Load(Typical().Build());
    const LanguageTables& t = g_LanguageTables;
    EXPECT_EQ(t.shortCount, 3);
    EXPECT_EQ(t.longCount, 2);
    EXPECT_EQ(t.phrase1Count, 26);
    EXPECT_EQ(t.phrase2Count, 26);
    EXPECT_EQ(t.nameCount, 2);

    const char* pause = "ПАУЗА";
    g_Settings.language = 0;
    EXPECT_EQ(TranslateText(pause), pause);
    g_Settings.language = 1;
    EXPECT_STREQ(TranslateText(pause), "PAUSE");
    EXPECT_STREQ(TranslateText("Да"), "Yes");
    EXPECT_STREQ(TranslateText("Нет"), "No");
    EXPECT_STREQ(TranslateText("пауза"), "пауза");       // case differs
    EXPECT_STREQ(TranslateText("ПАУЗА "), "ПАУЗА ");     // trailing blank
    EXPECT_STREQ(TranslateText("Орел"), "Орел");         // names are a table of their own
    EXPECT_STREQ(TranslateName("Акула М2"), "Shark M2");
    EXPECT_EQ(TranslateText(nullptr), nullptr);
}

TEST_P(LanguageTest, LongTextsAreRangeChecked)
{
    Load(Typical().Build());
    g_Settings.language = 1;
    EXPECT_STREQ(GetLongText(0), "Long 0");
    EXPECT_STREQ(GetLongText(2), "Long 2");          // n equal to the count: the last set
    EXPECT_STREQ(GetLongText(3), "Длинный 0");       // above it: the Russian entry 0
    EXPECT_STREQ(GetLongText(-1), "Длинный 0");
    EXPECT_STREQ(GetLongText(100000), "Длинный 0");
    g_Settings.language = 0;
    EXPECT_STREQ(GetLongText(1), "Длинный 1");
}

TEST_P(LanguageTest, PhrasesComeFromTheirSetAndBadSetsGiveNothing)
{
    Load(Typical().Build());
    g_Settings.language = 1;
    GameSrand(0);
    for (int i = 0; i < 50; ++i) {
        std::string a = GetRandomPhrase1(0), b = GetRandomPhrase2(13);
        ASSERT_EQ(a.substr(0, 3), "p1-");
        int n = std::stoi(a.substr(3));
        EXPECT_TRUE(n >= 0 && n < 13) << a;
        n = std::stoi(b.substr(3));
        EXPECT_TRUE(n >= 13 && n < 26) << b;
    }
    g_Settings.language = 0;
    EXPECT_EQ(std::string(GetRandomPhrase1(0)).substr(0, 3), "ф1-");
    EXPECT_STREQ(GetRandomPhrase1(-5), "");
    EXPECT_STREQ(GetRandomPhrase2(30), "");
    EXPECT_STREQ(GetRandomPhrase2(1 << 30), "");
}

TEST_P(LanguageTest, SectionsAtTheirLimits)
{
    LanguageSource s = Typical();
    s.texts.clear();
    for (int i = 0; i < LANG_SHORT_COUNT; ++i)
        s.texts.push_back("\"р" + std::to_string(i) + "\" \"e" + std::to_string(i) + "\"");
    s.longs.clear();
    for (int i = 0; i < LANG_LONG_COUNT; ++i)
        s.longs.push_back({"р" + std::to_string(i), "e" + std::to_string(i)});
    // 4 + 1018 + the line end fill the 1024-byte read exactly; one more character
    // would leave the line end to the next read.
    s.longs[9].second = std::string(1018, 'L');
    s.names.clear();
    for (int i = 0; i < LANG_NAME_COUNT; ++i)
        s.names.push_back("(n" + std::to_string(i) + ") (N" + std::to_string(i) + ")");
    s.names[255] = "(" + std::string(127, 'r') + ") (" + std::string(127, 'E') + ")";
    Load(s.Build());
    g_Settings.language = 1;
    const LanguageTables& t = g_LanguageTables;
    EXPECT_EQ(t.shortCount, 256);
    EXPECT_EQ(t.longCount, 9);
    EXPECT_EQ(t.nameCount, 256);
    EXPECT_STREQ(TranslateText("р255"), "e255");
    EXPECT_EQ(std::string(GetLongText(9)), std::string(1018, 'L'));
    EXPECT_EQ(std::string(TranslateName(std::string(127, 'r').c_str())), std::string(127, 'E'));
}

TEST_P(LanguageTest, OverlongAndBrokenPairsStayWithinTheirEntryAndLine)
{
    LanguageSource s = Typical();
    s.texts = {
        "\"" + std::string(200, 'r') + "\" \"" + std::string(200, 'e') + "\"",   // cut to 127
        "\"без конца",                 // no closing quote: the rest of the line, no English
        "\"один\" нет второго",        // no opening quote for the English
        "\"два\" \"без конца",         // English without closing quote
        "",                            // empty line in loose mode
    };
    if (GetParam())
        s.texts.pop_back();            // archive reading joins empty lines with the line before
    s.phrases1 = {"\"" + std::string(100, 'f') + "\" \"" + std::string(100, 'p') + "\""};
    Load(s.Build());
    g_Settings.language = 1;
    const LanguageTables& t = g_LanguageTables;
    EXPECT_EQ(std::string(t.shortRus[0]), std::string(127, 'r'));
    EXPECT_EQ(std::string(t.shortEng[0]), std::string(127, 'e'));
    EXPECT_STREQ(t.shortRus[1], "без конца");
    EXPECT_STREQ(t.shortEng[1], "");
    EXPECT_STREQ(t.shortEng[2], "");
    EXPECT_STREQ(t.shortEng[3], "без конца");
    EXPECT_EQ(std::string(t.phrase1Eng[0]), std::string(63, 'p'));
    EXPECT_EQ(t.phrase1Count, 1);
    EXPECT_STREQ(TranslateName("Орел"), "Eagle");     // later sections still line up
}

TEST_P(LanguageTest, AShortLongTextLineHoldsNoText)
{
    LanguageSource s = Typical();
    s.longs = {{"", ""}};
    std::string text = s.Build();
    // "L00 " is the label; cut one set's lines to 2 characters.
    size_t at = text.find("L00 \nL00 \n");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 10, "L0\nL\n");
    Load(text);
    EXPECT_EQ(g_LanguageTables.longCount, 0);
    EXPECT_STREQ(GetLongText(0), "");
}

TEST_P(LanguageTest, AFileCutShortKeepsWhatWasRead)
{
    Load("// head\n// head\n// head\n\"Да\" \"Yes\"\n\"Нет\" \"No\"");
    g_Settings.language = 1;
    EXPECT_EQ(g_LanguageTables.shortCount, 2);
    EXPECT_STREQ(TranslateText("Нет"), "No");
    EXPECT_EQ(g_LanguageTables.nameCount, 0);
}

TEST_F(FilesTest, AMissingLanguageFileLeavesTheRussianTexts)
{
    g_Settings.language = 1;
    Start(0);
    EXPECT_EQ(LoadLanguageData(), 0);
    EXPECT_STREQ(TranslateText("ПАУЗА"), "ПАУЗА");
    EXPECT_STREQ(GetLongText(0), "");
    EXPECT_STREQ(GetRandomPhrase1(0), "");
    g_Settings.language = 0;
    const char* p = "Да";
    EXPECT_EQ(TranslateText(p), p);
    EXPECT_EQ(CFileManager::GetFileSize(0), 0u);   // the file was not left open
    EXPECT_EQ(g_FileSlots[0], nullptr);
}
