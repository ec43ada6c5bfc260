// The campaign's first sector end to end: Space held through the three intros reaches
// Sector 01, whose hero station starts from the default start in Save/Skip and keeps the
// demo pilot's own copy in Save/10 (without the game menu no real pilot's saves are touched).
#include "harness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

const char kIni[] = "[Game]\nSpace=1\n[Video]\nWindowed=1\n[Misc]\nStart logo=0\nUse game menu=0\nCut scenes=1\nDebug out=1\n";

bool HasLine(const std::vector<std::string>& lines, const std::string& prefix)
{
    for (const std::string& l : lines)
        if (l.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

} // namespace

TEST(SectorE2E, IntrosLeadToSectorOneWithTheHeroShip)
{
    GameRun run("sector");
    std::error_code ec;
    // The run directory is a copy of the game directory, default start included.
    ASSERT_TRUE(std::filesystem::exists(run.Path("Save/Skip/Sector 01.dat"))) << GameDirectory();
    run.WriteGameIni(kIni);
    run.SetInput("10 key_down SPACE\n");
    run.SetEnv("KORVANE_FRAMES", "2600");
    RunResult r = run.Run(400);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("Hero is absent!"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Can't load"), std::string::npos) << r.err;
    const std::vector<std::string> lines = run.DebugLines();
    EXPECT_TRUE(HasLine(lines, "Location 1: Data/Locations.Space/Sector 01")) << run.ReadFile("debug.txt");
    EXPECT_TRUE(HasLine(lines, "Sector 01: 3 ships and 20.0 ore on the hero station (default start)"))
        << run.ReadFile("debug.txt");
    // The pilot's copy carries every ship's three items of the models.
    EXPECT_EQ(std::filesystem::file_size(run.Path("Save/10/Sector 01.dat"), ec), 8u + 3 * 682 + 9 * 275);
    EXPECT_EQ(std::filesystem::file_size(run.Path("Save/10/Sector 01.stat"), ec), 3u * 36);
    EXPECT_FALSE(std::filesystem::exists(run.Path("Save/00")));
}
