// The game binary reads Data/Language.pd from the PrivateData archive ("Use file manager" 1)
// and as a loose file ("Use file manager" 0), and reports a missing one and goes on.
#include "harness.h"
#include <gtest/gtest.h>

#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kMissing[] = "[Error!] Can't read language data file!";

enum class Layout {
    ArchivesOnly,          // the six archives, no loose Language.pd
    LooseOnly,             // the loose tree, no archives
    LooseWithoutLanguage,  // the loose tree without Language.pd, no archives
};

bool IsArchive(const std::string& name)
{
    auto ends = [&](const char* ext) { return name.size() > 4 && name.compare(name.size() - 4, 4, ext) == 0; };
    return ends(".hdr") || ends(".pak");
}

// Replaces the run's Data link by a folder of links to the built set's entries.
bool MakeData(GameRun& run, Layout layout)
{
    std::string data = GameDirectory() + "/Data";
    struct stat st {};
    if (stat((data + "/PrivateData.hdr").c_str(), &st) != 0)
        return false;
    unlink(run.Path("Data").c_str());
    mkdir(run.Path("Data").c_str(), 0755);
    DIR* d = opendir(data.c_str());
    if (!d)
        return false;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        bool archive = IsArchive(name);
        if (archive && layout != Layout::ArchivesOnly)
            continue;
        if (name == "Language.pd" && layout != Layout::LooseOnly)
            continue;
        if (symlink((data + "/" + name).c_str(), run.Path("Data/" + name).c_str()) != 0)
            ADD_FAILURE() << "cannot link " << name;
    }
    closedir(d);
    return true;
}

void Configure(GameRun& run, int useFileManager, int language, int useGameMenu = 1)
{
    run.SetEnv("KORVANE_GFX", "null");
    run.SetEnv("KORVANE_FRAMES", "5");
    run.WriteGameIni("[Game]\nLanguage=" + std::to_string(language) + "\n[Misc]\nUse file manager=" +
                     std::to_string(useFileManager) + "\nUse game menu=" + std::to_string(useGameMenu) +
                     "\nDebug out=1\nStart logo=0\n");
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The run ended on its own, shut down in order and wrote its settings back.
void ExpectCleanEnd(const GameRun& run, const RunResult& r)
{
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Contains(run.ReadFile("debug.txt"), "CFileManager::Release() done!")) << run.ReadFile("debug.txt");
    EXPECT_EQ(run.IniValue("Audio", "Music volume"), "100");
}

} // namespace

TEST(FilesE2E, ReadsTheLanguageFileFromTheArchiveInBothLanguages)
{
    for (int language : {0, 1}) {
        SCOPED_TRACE(language);
        GameRun run("files-archive");
        if (!MakeData(run, Layout::ArchivesOnly))
            GTEST_SKIP() << "no data set in " << GameDirectory();
        Configure(run, 1, language);
        RunResult r = run.Run(60);
        EXPECT_FALSE(Contains(r.err, kMissing)) << r.err;
        ExpectCleanEnd(run, r);
    }
}

TEST(FilesE2E, ReadsTheLooseLanguageFileWithoutTheFileManagerInBothLanguages)
{
    for (int language : {0, 1}) {
        SCOPED_TRACE(language);
        GameRun run("files-loose");
        if (!MakeData(run, Layout::LooseOnly))
            GTEST_SKIP() << "no data set in " << GameDirectory();
        Configure(run, 0, language);
        RunResult r = run.Run(60);
        EXPECT_FALSE(Contains(r.err, kMissing)) << r.err;
        ExpectCleanEnd(run, r);
    }
}

TEST(FilesE2E, ReportsAMissingLooseLanguageFileAndGoesOn)
{
    GameRun run("files-noloose");
    if (!MakeData(run, Layout::LooseWithoutLanguage))
        GTEST_SKIP() << "no data set in " << GameDirectory();
    Configure(run, 0, 1);
    RunResult r = run.Run(60);
    EXPECT_TRUE(Contains(r.err, kMissing)) << r.err;
    // Only once: the file is looked for at start-up and never again.
    EXPECT_EQ(r.err.find(kMissing), r.err.rfind(kMissing)) << r.err;
    ExpectCleanEnd(run, r);
}

TEST(FilesE2E, ReportsAMissingArchiveAndGoesOn)
{
    // The loose file is there, but with the file manager on only the archive counts.
    // Nothing else can load either, so without the game menu the program ends
    // after its one (empty) location.
    GameRun run("files-noarchive");
    if (!MakeData(run, Layout::LooseOnly))
        GTEST_SKIP() << "no data set in " << GameDirectory();
    Configure(run, 1, 1, 0);
    RunResult r = run.Run(60);
    EXPECT_TRUE(Contains(r.err, kMissing)) << r.err;
    ExpectCleanEnd(run, r);
}
