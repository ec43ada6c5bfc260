// A fight in the Test Fight location, through the real binary at a fixed frame time: the
// player takes the nearest enemy (E) and fires, the pirate in front of it dies in stages
// and blows up, another pirate attacks the player and hits until a wing-man coming in
// from behind takes it on (alone, the player's hull would not outlast the transports'
// runs), and two transports run between two stations through the same gates. Cut scenes
// stay on as in a new player's Game.ini: a location without a scene hands over the cockpit.
#include "harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const char kIni[] = "[Game]\nSpace=1\n[Video]\nWindowed=1\n[Misc]\nStart logo=0\nUse game menu=0\nDebug out=1\n";

// Lines that begin with `prefix` and, when given, hold `then` after it.
int CountLines(const std::vector<std::string>& lines, const std::string& prefix, const std::string& then = "")
{
    return int(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.compare(0, prefix.size(), prefix) == 0 && l.find(then, prefix.size()) != std::string::npos;
    }));
}

// Share of the bright pixels (a blast, not the sky's stars) in the middle of the picture.
double BrightShare(const Image& im)
{
    int bright = 0, n = 0;
    for (int y = im.height / 4; y < im.height * 3 / 4; ++y)
        for (int x = im.width / 4; x < im.width * 3 / 4; ++x, ++n) {
            const std::uint8_t* p = im.Pixel(x, y);
            if (p[0] + p[1] + p[2] > 660) ++bright;
        }
    return n ? double(bright) / n : 0.0;
}

} // namespace

TEST(FightE2E, PirateDiesTheAttackerHitsAndTransportsReuseTheBays)
{
    GameRun run("fight");
    run.WriteGameIni(kIni);
    run.SetEnv("KORVANE_LOCATION", "Test Fight");
    run.SetEnv("KORVANE_FRAME_MS", "50");
    run.SetEnv("KORVANE_FRAMES", "4500");
    run.SetEnv("KORVANE_SCREENSHOT", run.Dir());
    // The burn before the blast lasts a random time and the flash only a few frames.
    std::string shots = "120";
    for (int f = 150; f <= 399; f += 3) shots += "," + std::to_string(f);
    run.SetEnv("KORVANE_SHOT_FRAMES", shots);
    // E (nearest enemy) a few times in case the first presses fall into the loading, and
    // the lasers held from then on.
    run.SetInput("40 key E\n60 key E\n60 lbutton_down 400 300\n90 key E\n");
    RunResult r = run.Run(600);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("Hero is absent!"), std::string::npos) << r.err;

    const std::vector<std::string> lines = run.DebugLines();
    const std::string log = run.ReadFile("debug.txt");
    ASSERT_EQ(CountLines(lines, "Location 300: Data/Locations.Space/Test Fight"), 1) << log;
    // The kill is the player's, with the pirate's rating as its score.
    EXPECT_EQ(CountLines(lines, "Kill: Eagle M1 destroyed by the player"), 1) << log;
    // The attacker leads the player and hits.
    EXPECT_GE(CountLines(lines, "Player hit by Eagle M1 (side 2)"), 1) << log;
    // The player lives through the run: a lost ship would end the location before the
    // transports are through.
    EXPECT_EQ(CountLines(lines, "EndGame(0)"), 0) << log;
    // Both transports are loaded through the same bay, and one of them delivers at the other
    // (each under the id its bay gave it).
    const int loads = CountLines(lines, "Docking bay of 48: ship ", " loads at the gate");
    const int unloads = CountLines(lines, "Docking bay of 49: ship ", " unloads at the gate (200 ore aboard)");
    EXPECT_GE(loads, 2) << log;
    EXPECT_GE(unloads, 1) << log;
    // A door opens for a ship's way in and its way out, never flapping during an approach.
    const int opens48 = CountLines(lines, "Gate door of 48 opens");
    const int opens49 = CountLines(lines, "Gate door of 49 opens");
    EXPECT_GE(opens48, loads) << log;
    EXPECT_LE(opens48, 2 * loads + 1) << log;
    EXPECT_LE(opens49, 2 * unloads + 2) << log;

    // The fight is drawn: the pirate in front burns and blows up; the blast lights the
    // middle of the picture far beyond the stars of the frame before it.
    Image before;
    ASSERT_TRUE(ReadPng(run.Path("frame_120.png"), &before));
    // The pilot sits in his cockpit, not behind his ship: the radar glows green in the
    // middle of the dashboard.
    const Colour radar = MeanColour(before, Region{before.width * 45 / 100, before.height * 80 / 100,
                                                   before.width / 10, before.height / 10});
    EXPECT_GT(radar.g, 20.0);
    EXPECT_GT(radar.g, radar.r + radar.b);
    const double quiet = BrightShare(before);
    double blast = 0.0;
    for (int f = 150; f <= 399; f += 3) {
        Image im;
        ASSERT_TRUE(ReadPng(run.Path("frame_" + std::to_string(f) + ".png"), &im)) << f;
        blast = std::max(blast, BrightShare(im));
    }
    EXPECT_LT(quiet, 0.005);
    EXPECT_GT(blast, 0.01);
    EXPECT_GT(blast, quiet * 5.0);
}
