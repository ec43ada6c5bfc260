// Arbitrary bytes as the language file, loaded loose (text mode) or out of the
// PrivateData archive, then looked up.
#include "app/settings.h"
#include "files/file_manager.h"
#include "fuzz_util.h"
#include "files/language.h"

#include <cstdint>
#include <string>

namespace {

void WriteBytes(const char* path, const std::string& bytes)
{
    fuzzutil::WriteBytes(path, bytes.data(), bytes.size());
}

void Le32(std::string& s, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s += (char)(uint8_t)(v >> (8 * i));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!fuzzutil::EnterTempDir("language") || size < 1)
        return 0;
    const int mode = data[0] & 1;
    std::string text((const char*)data + 1, size - 1);
    if (mode) {
        std::string hdr, pak;
        for (char c : std::string("Data/Language.pd"))
            hdr += (char)(uint8_t)((uint8_t)c + 128);
        hdr += '\0';
        Le32(hdr, (uint32_t)text.size());
        Le32(hdr, 0);
        Le32(hdr, 1);
        for (char c : text)
            pak += (char)(uint8_t)((uint8_t)c + 128);
        WriteBytes("Data/PrivateData.hdr", hdr);
        WriteBytes("Data/PrivateData.pak", pak);
    } else {
        WriteBytes("Data/Language.pd", text);
    }

    g_Settings.debugOut = 0;
    g_Settings.useFileManager = mode;
    g_Settings.language = 1;
    CFileManager::Init();
    LoadLanguageData();
    const LanguageTables& t = g_LanguageTables;
    for (int i = 0; i < t.shortCount; ++i)
        TranslateText(t.shortRus[i]);
    for (int i = 0; i < t.nameCount; ++i)
        TranslateName(t.nameRus[i]);
    for (int n = -1; n <= LANG_LONG_COUNT + 1; ++n)
        GetLongText(n);
    GetRandomPhrase1(0);
    GetRandomPhrase1(13);
    GetRandomPhrase2(13);
    GetRandomPhrase2(29);
    CFileManager::Release();
    return 0;
}
