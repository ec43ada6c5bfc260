// Every campaign sector 1 to 11, reached from the game menu with a pilot whose saves unlock
// it, runs a minute of its scenes (the arrival, the move into the hero station and the
// sector's own ships behind it) in a small window, and nothing logs a missing unit, dialog
// line, text or file. The frame rate of each minute is printed.
#include "sector_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

class CampaignSectorE2E : public ::testing::TestWithParam<int> {};

TEST_P(CampaignSectorE2E, RunsAMinuteOfItsScenesWithNothingMissing)
{
    const int sector = GetParam();
    GameRun run("sector" + std::to_string(sector));
    ASSERT_TRUE(std::filesystem::exists(run.Path("Save/Skip/Sector 01.dat"))) << GameDirectory();
    const SectorWindow window;
    run.SetInput(PrepareSectorRun(run, sector, window));
    // A minute of game time after the sector has begun to load.
    const int last = kSectorStartFrame + 60000 / kFrameMs + 100;
    const std::string shots = run.Path("shots");
    const auto t0 = std::chrono::steady_clock::now();
    RunResult r = run.RunFrames(last, std::to_string(kSectorStartFrame + 300) + "," + std::to_string(last - 50), 240);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;

    const std::vector<std::string> lines = run.DebugLines();
    const std::string log = run.ReadFile("debug.txt");
    char name[64];
    std::snprintf(name, sizeof name, "Location %d: Data/Locations.Space/Sector %02d", sector, sector);
    ASSERT_TRUE(LogHasPrefix(lines, name)) << log;
    std::snprintf(name, sizeof name, "Sector %02d: 3 ships and 20.0 ore on the hero station", sector);
    EXPECT_TRUE(LogHasPrefix(lines, name)) << log;
    // The arrival ran its 25 s and the player went into the hero station: its lift opens.
    std::snprintf(name, sizeof name, "Scene %d, object 100: step -1", sector);
    EXPECT_TRUE(LogHasPrefix(lines, name)) << log;
    EXPECT_TRUE(LogHasPrefix(lines, "Gate door of 5 opens")) << log;
    for (const std::string& l : MissingContentLines(lines)) ADD_FAILURE() << l;
    EXPECT_EQ(r.err.find("Prepare music error"), std::string::npos) << r.err;

    // Near the end the interior is shown: the lit floor of the hall fills most of the view.
    const std::string png = shots + "/frame_" + std::to_string(last - 50) + ".png";
    Image inside;
    ASSERT_TRUE(ReadPng(png, &inside)) << png;
    ASSERT_EQ(inside.width, window.width);
    const Colour hall = MeanColour(inside, Region{0, inside.height / 4, inside.width, inside.height / 2});
    EXPECT_GT(hall.r + hall.g + hall.b, 180.0) << png;
    std::printf("sector %d at %dx%d: %d frames in %.1f s, %.1f frames per second\n", sector, window.width,
                window.height, last, seconds, seconds > 0.0 ? last / seconds : 0.0);
}

INSTANTIATE_TEST_SUITE_P(Sectors, CampaignSectorE2E, ::testing::Range(1, 12),
                         [](const ::testing::TestParamInfo<int>& info) {
                             char name[16];
                             std::snprintf(name, sizeof name, "Sector%02d", info.param);
                             return std::string(name);
                         });
