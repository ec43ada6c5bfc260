// Sector 1 played from its start towards its goal with replayed keys: the player leaves the
// hero station by the desk, targets the mine (T twice: the trade station, then the mine),
// turns to it, flies out, brakes short of it and fires until it is destroyed, turns back,
// flies home and asks the station for landing. The last stretch, the 30-unit window at the
// gate's outer point, needs eyes on the gate: a replay cannot steer that finely.
#include "sector_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

// Index of the first line that starts with the prefix, -1 when none.
int LineIndex(const std::vector<std::string>& lines, const std::string& prefix)
{
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].rfind(prefix, 0) == 0) return int(i);
    return -1;
}

}  // namespace

TEST(SectorWinE2E, TheMineIsDestroyedAndTheHeroStationGrantsLanding)
{
    GameRun run("sector-win");
    const SectorWindow window;
    std::string input = PrepareSectorRun(run, 1, window);
    input += window.Click(1250, 144, 530);  // the desk's greeting: "Спасибо."
    input += window.Click(1350, 144, 530);  // "Что вам нужно?": "Я улетаю."
    const std::string centre = " " + window.At(400.0f, 300.0f) + "\n";
    input += "1860 key 3\n"                            // launched: the station's greeting ends
             "1900 key T\n1940 key T\n"                // the trade station, then the mine
             "1960 key_down LEFT\n1983 key_up LEFT\n"  // about 67 degrees to the left
             "1990 key_down W\n2050 key_up W\n"        // full speed
             "2400 key 1\n"                            // the repair station's call: "Понял."
             "3070 key_down S\n3110 key_up S\n"        // stop some 800 short of the mine
             "3150 key_down DOWN\n3158 key_up DOWN\n"  // nose down onto it
             "3200 mouse_move" + centre + "3200 lbutton_down" + centre +
             "6050 lbutton_up" + centre +
             "6060 key_down UP\n6067 key_up UP\n"      // level again,
             "6100 key_down LEFT\n6156 key_up LEFT\n"  // round to the hero station
             "6180 key_down DOWN\n6184 key_up DOWN\n"
             "6200 key_down W\n6260 key_up W\n"
             "7300 key_down S\n7340 key_up S\n"        // stop beside it
             "7390 key 1\n"                            // the repair station may be calling again
             "7400 key F2\n7460 key 1\n";              // "Прошу разрешения на посадку."
    run.SetInput(input);
    const std::string shots = run.Path("shots");
    std::filesystem::create_directories(shots);
    run.SetEnv("KORVANE_SCREENSHOT", shots);
    run.SetEnv("KORVANE_SHOT_FRAMES", "4000,7560");
    run.SetEnv("KORVANE_FRAMES", "7600");
    RunResult r = run.Run(170);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;

    const std::vector<std::string> lines = run.DebugLines();
    const std::string log = run.ReadFile("debug.txt");
    ASSERT_TRUE(LogHasPrefix(lines, "Location 1: Data/Locations.Space/Sector 01")) << log;
    const int launched = LineIndex(lines, "CCommWindow: talk with unit 1000 ended by reply 3");
    const int mineGone = LineIndex(lines, "Station 30 (");
    const int called = LineIndex(lines, "CCommWindow: talk with unit 1000 at line 12");
    const int granted = LineIndex(lines, "CCommWindow: docking request to unit 1000 granted");
    ASSERT_GE(launched, 0) << log;
    EXPECT_GT(mineGone, launched) << log;
    EXPECT_GT(called, mineGone) << log;
    EXPECT_GT(granted, called) << log;
    // Only the mine went: the player and the hero station are still there.
    EXPECT_EQ(LineIndex(lines, "Station 1000 ("), -1) << log;
    EXPECT_FALSE(LogHasPrefix(lines, "EndGame(")) << log;
    for (const std::string& l : MissingContentLines(lines)) ADD_FAILURE() << l;

    // In the fight the mine fills the sights; at the end the station's hull is beside the ship.
    Image fight, home;
    ASSERT_TRUE(ReadPng(shots + "/frame_4000.png", &fight));
    ASSERT_TRUE(ReadPng(shots + "/frame_7560.png", &home));
    ASSERT_EQ(home.width, window.width);
    auto sum = [](const Colour& c) { return c.r + c.g + c.b; };
    const double mine = sum(MeanColour(fight, Region{230, 180, 180, 100}));
    const double space = sum(MeanColour(fight, Region{400, 75, 130, 60}));
    const double hull = sum(MeanColour(home, Region{100, 240, 150, 50}));
    const double sky = sum(MeanColour(home, Region{400, 80, 140, 100}));
    EXPECT_GT(mine, space + 20.0) << mine << " " << space;
    EXPECT_GT(hull, sky + 150.0) << hull << " " << sky;
}
