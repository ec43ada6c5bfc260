// datagen --check: the built game directory is loaded through the game's own code.
#include "../frame.h"

#include "app/settings.h"
#include "files/file_manager.h"
#include "files/language.h"

#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace datagen {

namespace {

// What a text-mode read of these bytes gives: CR LF becomes LF.
std::vector<uint8_t> TextMode(const std::vector<uint8_t>& b)
{
    std::vector<uint8_t> out;
    out.reserve(b.size());
    for (size_t i = 0; i < b.size(); ++i)
        if (!(b[i] == '\r' && i + 1 < b.size() && b[i + 1] == '\n'))
            out.push_back(b[i]);
    return out;
}

// Reads one file back through CFileManager in the current mode; false when it differs.
bool ReadsBack(const std::string& path, int kind, const std::vector<uint8_t>& expected, std::string& why)
{
    uint32_t size = 0;
    int h = CFileManager::Open(path.c_str(), kind, &size);
    if (h == -1) {
        why = "does not open";
        return false;
    }
    std::vector<uint8_t> got;
    bool text = kind >= FILE_KIND_OBJECTS && kind <= FILE_KIND_LOCATIONS;
    if (text && g_Settings.useFileManager) {
        const FileArchiveEntry& e = g_ArchiveEntries[kind / 1000 - 1][h - kind];
        got.assign(e.data, e.data + e.size);
    } else {
        got.resize(size);
        size_t n = size ? CFileManager::Read(got.data(), 1, size, h) : 0;
        got.resize(n);
    }
    CFileManager::Close(h);
    const std::vector<uint8_t> want = text && !g_Settings.useFileManager ? TextMode(expected) : expected;
    if (size != expected.size()) {
        why = "size " + std::to_string(size) + " instead of " + std::to_string(expected.size());
        return false;
    }
    if (got != want) {
        why = "reads back different bytes";
        return false;
    }
    return true;
}

} // namespace

int RunChecks(const std::string& gameDir, const DataSet& expected)
{
    CheckContext check;
    check.gameDir = gameDir;
    check.sourceDir = expected.sourceDir.empty() ? "" : fs::absolute(expected.sourceDir).string();

    // The loose tree and the archives on disk are what this build makes.
    for (const auto& [path, bytes] : expected.files) {
        std::vector<uint8_t> disk;
        if (!ReadWholeFile(gameDir + "/" + path, disk))
            check.Missing("file " + path);
        else if (disk != bytes)
            check.Missing("up-to-date " + path + " (run datagen)");
    }

    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd) || chdir(gameDir.c_str()) != 0) {
        check.Missing("game directory " + gameDir);
        return (int)check.missing.size();
    }
    const GameSettings saved = g_Settings;
    g_Settings.debugOut = 0;

    for (int mode = 1; mode >= 0; --mode) {
        g_Settings.useFileManager = mode;
        CFileManager::Init();
        if (mode) {
            for (int kind = FILE_KIND_OBJECTS; kind <= FILE_KIND_SOUNDS; kind += 1000)
                if (!g_ArchiveEntries[kind / 1000 - 1])
                    check.Missing(std::string("archive Data/") + CFileManager::ArchiveName(kind) + ".hdr/.pak (does not load)");
        }
        for (const auto& [path, bytes] : expected.files) {
            int kind = ArchiveFor(path);
            if (!kind)
                continue;
            std::string why;
            if (!ReadsBack(path, kind, bytes, why))
                check.Missing(path + (mode ? " from its archive: " : " as a loose file: ") + why);
        }
        g_Settings.language = 1;
        if (!LoadLanguageData() || g_LanguageTables.shortCount == 0)
            check.Missing(std::string("language file Data/Language.pd") + (mode ? " (archive)" : " (loose)"));
        CFileManager::Release();
    }

    g_Settings.useFileManager = 1;
    CFileManager::Init();
    LoadLanguageData();
    for (const NamedCheck& c : Checks())
        c.fn(check);
    CFileManager::Release();

    g_Settings = saved;
    if (chdir(cwd) != 0)
        check.Missing("the directory datagen started in");
    return (int)check.missing.size();
}

} // namespace datagen
