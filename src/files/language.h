// The language file: English texts looked up by their exact Russian originals.
#pragma once

constexpr int LANG_SHORT_COUNT = 256;
constexpr int LANG_SHORT_SIZE = 128;
constexpr int LANG_LONG_COUNT = 10;
constexpr int LANG_LONG_SIZE = 1024;
constexpr int LANG_LONG_PREFIX = 4;     // characters skipped before a long text
constexpr int LANG_PHRASE_COUNT = 30;
constexpr int LANG_PHRASE_FILLED = 26;  // two sets of 13 variants
constexpr int LANG_PHRASE_VARIANTS = 13;
constexpr int LANG_PHRASE_SIZE = 64;
constexpr int LANG_NAME_COUNT = 256;
constexpr int LANG_NAME_SIZE = 128;
constexpr int LANG_LINE = 512;          // line length of the pair sections and skipped lines
constexpr int LANG_LONG_LINE = 1024;    // line length of the long texts

struct LanguageTables {
    char shortRus[LANG_SHORT_COUNT][LANG_SHORT_SIZE];
    char shortEng[LANG_SHORT_COUNT][LANG_SHORT_SIZE];
    int shortCount;
    char longRus[LANG_LONG_COUNT][LANG_LONG_SIZE];
    char longEng[LANG_LONG_COUNT][LANG_LONG_SIZE];
    int longCount;                      // index of the last set read
    char phrase1Rus[LANG_PHRASE_COUNT][LANG_PHRASE_SIZE];
    char phrase1Eng[LANG_PHRASE_COUNT][LANG_PHRASE_SIZE];
    int phrase1Count;
    char phrase2Rus[LANG_PHRASE_COUNT][LANG_PHRASE_SIZE];
    char phrase2Eng[LANG_PHRASE_COUNT][LANG_PHRASE_SIZE];
    int phrase2Count;
    char nameRus[LANG_NAME_COUNT][LANG_NAME_SIZE];
    char nameEng[LANG_NAME_COUNT][LANG_NAME_SIZE];
    int nameCount;
};

extern LanguageTables g_LanguageTables;

// Reads "Data/Language.pd" (kind 2000). 1 when the file was read.
int LoadLanguageData();
// Empties every table (all lookups then give the Russian text).
void ClearLanguageData();

const char* TranslateText(const char* text);
const char* TranslateName(const char* text);
const char* GetLongText(int n);
const char* GetRandomPhrase1(int a);
const char* GetRandomPhrase2(int a);

// Copies one pair line's two texts: the Russian from the second character to the
// closing mark, the English between the next opening and closing marks. Each copy
// is cut to size - 1 characters and never runs past the line.
void ParseLanguagePair(const char* line, char open, char close,
                       char* rus, char* eng, int size);
