#include "files/language.h"

#include "app/settings.h"
#include "files/file_manager.h"
#include "platform/crt/rand.h"
#include "platform/win/message_box.h"

#include <cstdlib>
#include <cstring>

LanguageTables g_LanguageTables;

namespace {

const char* const kLanguageFile = "Data/Language.pd";
const char* const kSectionEnd = "//////";

// Copies from src up to (not including) stop or the end of the string, at most
// size - 1 characters. Returns the position of stop, or null when the line ends first.
const char* CopyUntil(const char* src, char stop, char* dst, int size)
{
    int n = 0;
    while (*src && *src != stop) {
        if (n < size - 1)
            dst[n++] = *src;
        ++src;
    }
    dst[n] = 0;
    return *src ? src : nullptr;
}

int ReadPairs(int handle, char open, char close, int limit, char (*rus)[LANG_SHORT_SIZE],
              char (*eng)[LANG_SHORT_SIZE], int size)
{
    char line[LANG_LINE];
    int count = 0;
    while (count < limit) {
        line[0] = 0;
        if (CFileManager::ReadLine(line, LANG_LINE, handle) <= 0)
            break;   // a file cut short ends the section
        if (std::strstr(line, kSectionEnd))
            break;
        ParseLanguagePair(line, open, close, rus[count], eng[count], size);
        ++count;
    }
    return count;
}

int ReadPhrases(int handle, char (*rus)[LANG_PHRASE_SIZE], char (*eng)[LANG_PHRASE_SIZE])
{
    char line[LANG_LINE];
    int count = 0;
    while (count < LANG_PHRASE_FILLED) {
        line[0] = 0;
        if (CFileManager::ReadLine(line, LANG_LINE, handle) <= 0)
            break;
        if (std::strstr(line, kSectionEnd))
            break;
        ParseLanguagePair(line, '"', '"', rus[count], eng[count], LANG_PHRASE_SIZE);
        ++count;
    }
    return count;
}

void SkipLines(int handle, int n)
{
    char line[LANG_LINE];
    for (int i = 0; i < n; ++i)
        CFileManager::ReadLine(line, LANG_LINE, handle);
}

void CopyLongText(const char* line, char* dst)
{
    // The first four characters are a label; a shorter line holds no text.
    size_t len = std::strlen(line);
    const char* src = len > LANG_LONG_PREFIX ? line + LANG_LONG_PREFIX : line + len;
    std::strncpy(dst, src, LANG_LONG_SIZE - 1);
    dst[LANG_LONG_SIZE - 1] = 0;
}

const char* Lookup(const char* text, const char (*rus)[LANG_SHORT_SIZE],
                   const char (*eng)[LANG_SHORT_SIZE], int count)
{
    if (!g_Settings.language || !text)
        return text;
    for (int i = 0; i < count; ++i)
        if (StrEqual(rus[i], text))
            return eng[i];
    return text;
}

} // namespace

void ParseLanguagePair(const char* line, char open, char close, char* rus, char* eng, int size)
{
    rus[0] = eng[0] = 0;
    if (!line[0])
        return;
    const char* end = CopyUntil(line + 1, close, rus, size);
    if (!end)
        return;
    const char* start = std::strchr(end + 1, open);
    if (!start)
        return;
    CopyUntil(start + 1, close, eng, size);
}

void ClearLanguageData()
{
    std::memset(&g_LanguageTables, 0, sizeof g_LanguageTables);
}

int LoadLanguageData()
{
    ClearLanguageData();
    int handle = CFileManager::Open(kLanguageFile, FILE_KIND_PRIVATE_DATA);
    if (handle == -1) {
        ShowMessage("Can't read language data file!", "Error!", MB_OK);
        return 0;
    }
    LanguageTables& t = g_LanguageTables;

    SkipLines(handle, 3);
    t.shortCount = ReadPairs(handle, '"', '"', LANG_SHORT_COUNT, t.shortRus, t.shortEng, LANG_SHORT_SIZE);

    SkipLines(handle, 2);
    char line[LANG_LONG_LINE];
    for (int i = 0; i < LANG_LONG_COUNT; ++i) {
        line[0] = 0;
        if (CFileManager::ReadLine(line, LANG_LONG_LINE, handle) <= 0)
            break;
        CopyLongText(line, t.longRus[i]);
        line[0] = 0;
        CFileManager::ReadLine(line, LANG_LONG_LINE, handle);
        CopyLongText(line, t.longEng[i]);
        line[0] = 0;
        CFileManager::ReadLine(line, LANG_LONG_LINE, handle);
        t.longCount = i;
        if (std::strstr(line, kSectionEnd))
            break;
    }

    SkipLines(handle, 2);
    t.phrase1Count = ReadPhrases(handle, t.phrase1Rus, t.phrase1Eng);
    SkipLines(handle, 1);
    t.phrase2Count = ReadPhrases(handle, t.phrase2Rus, t.phrase2Eng);
    SkipLines(handle, 3);
    t.nameCount = ReadPairs(handle, '(', ')', LANG_NAME_COUNT, t.nameRus, t.nameEng, LANG_NAME_SIZE);

    CFileManager::Close(handle);
    DebugOutF("LoadLanguageData: %d texts, %d long texts, %d + %d phrases, %d names",
              t.shortCount, t.longCount + 1, t.phrase1Count, t.phrase2Count, t.nameCount);
    return 1;
}

const char* TranslateText(const char* text)
{
    return Lookup(text, g_LanguageTables.shortRus, g_LanguageTables.shortEng, g_LanguageTables.shortCount);
}

const char* TranslateName(const char* text)
{
    return Lookup(text, g_LanguageTables.nameRus, g_LanguageTables.nameEng, g_LanguageTables.nameCount);
}

const char* GetLongText(int n)
{
    const LanguageTables& t = g_LanguageTables;
    if (n < 0 || n > t.longCount || n >= LANG_LONG_COUNT)
        return t.longRus[0];
    return g_Settings.language ? t.longEng[n] : t.longRus[n];
}

static const char* Phrase(const char (*rus)[LANG_PHRASE_SIZE], const char (*eng)[LANG_PHRASE_SIZE], int a)
{
    int i = a + GameRand() % LANG_PHRASE_VARIANTS;
    if (a < 0 || i < 0 || i >= LANG_PHRASE_COUNT)
        return "";
    return g_Settings.language ? eng[i] : rus[i];
}

const char* GetRandomPhrase1(int a)
{
    return Phrase(g_LanguageTables.phrase1Rus, g_LanguageTables.phrase1Eng, a);
}

const char* GetRandomPhrase2(int a)
{
    return Phrase(g_LanguageTables.phrase2Rus, g_LanguageTables.phrase2Eng, a);
}
