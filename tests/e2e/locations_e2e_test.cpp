// The first space location end to end: with "Space" 1, no game menu and no cut scenes the
// game starts straight into the first space intro, the player's ship flies under replayed
// input, Esc skips the intro into the next location, and the program ends cleanly.
#include "harness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

const char kIni[] = "[Game]\nSpace=1\n[Video]\nWindowed=1\n[Misc]\nStart logo=0\nUse game menu=0\nCut scenes=0\nDebug out=1\n";

bool FindLine(const std::vector<std::string>& lines, const std::string& prefix, std::string* found = nullptr)
{
    for (const std::string& l : lines)
        if (l.compare(0, prefix.size(), prefix) == 0) {
            if (found) *found = l;
            return true;
        }
    return false;
}

} // namespace

TEST(LocationsE2E, SpaceStartFliesAndSkipsTheIntro)
{
    GameRun run("locations");
    run.WriteGameIni(kIni);
    run.SetEnv("KORVANE_SCREENSHOT", run.Dir());
    run.SetEnv("KORVANE_SHOT_FRAMES", "40,90");
    // Throttle up, then Esc held long enough to be seen by the director.
    run.SetInput("10 key_down W\n140 key_up W\n150 key_down ESC\n200 key_up ESC\n");
    run.SetEnv("KORVANE_FRAMES", "3000");
    RunResult r = run.Run(240);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("Hero is absent!"), std::string::npos);
    EXPECT_EQ(r.err.find("Can't open location data file"), std::string::npos);

    const std::vector<std::string> lines = run.DebugLines();
    ASSERT_TRUE(FindLine(lines, "Location 200: Data/Locations.Space/Intro 01")) << run.ReadFile("debug.txt");
    // The ship left its start point (0, -1500, -3000) along its nose.
    std::string ended;
    ASSERT_TRUE(FindLine(lines, "Location 200 ended: player at (", &ended)) << run.ReadFile("debug.txt");
    float x = 0, y = 0, z = 0;
    ASSERT_EQ(std::sscanf(ended.c_str(), "Location 200 ended: player at (%f, %f, %f)", &x, &y, &z), 3) << ended;
    EXPECT_GT(z, -2950.0f) << ended;
    // Esc in an intro skips it: the second planet intro follows.
    EXPECT_TRUE(FindLine(lines, "Location 111: Data/Locations.Planet/Intro 02")) << run.ReadFile("debug.txt");

    // The scene is drawn: the second shot (fade-in further on) is not darker than the first.
    Image first, second;
    ASSERT_TRUE(ReadPng(run.Path("frame_40.png"), &first));
    ASSERT_TRUE(ReadPng(run.Path("frame_90.png"), &second));
    const Region all{0, 0, first.width, first.height};
    const Colour a = MeanColour(first, all), b = MeanColour(second, all);
    EXPECT_GE(b.r + b.g + b.b + 0.5, a.r + a.g + a.b);
    EXPECT_GT(RegionDifference(first, second, all), 0.0);
}
