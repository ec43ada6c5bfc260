// A new player's start with the default Game.ini (start logo, game menu, cut scenes): the
// logo skipped, a pilot typed, "Новая кампания"; the planet intro played to its end with its
// replies clicked in the dialog box, the first space intro skipped by Space, and the second
// planet intro until the captain's talk shows its lines in the box and a reply of it is
// clicked. Every frame takes 50 ms of game time; the loads between the locations take a
// varying number of frames, which the clicks allow for by repeating over a window.
#include "harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// The default desktop of the Xvfb screen: 1280x1024.
constexpr double kScaleX = 1280.0 / 800.0, kScaleY = 1024.0 / 600.0;

std::string At(double x, double y)
{
    return std::to_string(std::lround(x * kScaleX)) + " " + std::to_string(std::lround(y * kScaleY));
}

std::string Click(int frame, double x, double y)
{
    const std::string at = " " + At(x, y) + "\n";
    return std::to_string(frame) + " mouse_move" + at + std::to_string(frame) + " lbutton_down" + at +
           std::to_string(frame + 2) + " lbutton_up" + at;
}

// Clicks sweeping the dialog box from its top rows down, one every three frames: the first
// reply row under the pointer is taken (the question's rows take no click), and the rows'
// height goes with the font's size in the display mode.
std::string Sweep(int from, int to)
{
    std::string s;
    double y = 440.0;
    for (int f = from; f <= to; f += 3) {
        s += Click(f, 140, y);
        y = y >= 590.0 ? 440.0 : y + 5.0;
    }
    return s;
}

int FindLine(const std::vector<std::string>& lines, const std::string& prefix, int from = 0)
{
    for (int i = std::max(from, 0); i < (int)lines.size(); ++i)
        if (lines[i].rfind(prefix, 0) == 0) return i;
    return -1;
}

int CountFrom(const std::vector<std::string>& lines, const std::string& prefix, int from, int to)
{
    int n = 0;
    for (int i = std::max(from, 0); i < to && i < (int)lines.size(); ++i) n += lines[i].rfind(prefix, 0) == 0;
    return n;
}

// Pixels of the replies' lit violet in the dialog box (the arrival line is green).
int ReplyPixels(const Image& image, const Region& r)
{
    return CountPixels(image, r, [](const std::uint8_t* p) { return p[2] > 150 && p[2] > p[0] + 40 && p[2] > p[1] + 40; });
}

} // namespace

TEST(CampaignIntroE2E, TheCaptainsTalkShowsAndAnswersAfterThePlanetAndSpaceIntros)
{
    GameRun run("campaign-intro");
    // Only the log is asked for: everything else is what a new player gets.
    run.WriteGameIni("[Misc]\nDebug out=1\n");
    std::string in = "5 key_down SPACE\n8 key_up SPACE\n25 key_down SPACE\n28 key_up SPACE\n";
    in += Click(400, 370, 165);  // "Новый пилот"
    for (int i = 0; i < 6; ++i) in += std::to_string(420 + 8 * i) + " char " + std::string(1, "Tester"[i]) + "\n";
    in += "500 key ENTER\n";
    in += Click(700, 152, 172);  // "Новая кампания"
    // The planet intro (from about frame 760): the guide's two talks.
    in += Sweep(1500, 2750);
    // The first space intro runs until the player acts (from about frame 2800): Space skips it.
    in += "3300 key_down SPACE\n3304 key_up SPACE\n";
    // The second planet intro: the captain's talk.
    in += Sweep(3500, 4700);
    run.SetInput(in);
    run.SetEnv("KORVANE_FRAME_MS", "50");
    std::string frames;
    for (int f = 3500; f <= 4700; f += 20) frames += std::to_string(f) + ",";
    frames.pop_back();
    RunResult r = run.RunFrames(4800, frames, 500);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;

    const std::vector<std::string> lines = run.DebugLines();
    const std::string log = run.ReadFile("debug.txt");
    const int planet = FindLine(lines, "Location 110: Data/Locations.Planet/Intro 01");
    const int space = FindLine(lines, "Location 200: Data/Locations.Space/Intro 01", planet);
    const int base = FindLine(lines, "Location 111: Data/Locations.Planet/Intro 02", space);
    ASSERT_GE(planet, 0) << log;
    ASSERT_GT(space, planet) << log;
    ASSERT_GT(base, space) << log;
    // 110 to its end: both of the guide's talks were answered in the box, and it was not skipped.
    EXPECT_GE(CountFrom(lines, "CDialogBox: talk with unit", planet, space), 2) << log;
    EXPECT_GE(CountFrom(lines, "CDialogBox: reply", planet, space), 2) << log;
    // 111: the captain's talk opened and a reply of it was clicked.
    const int talk = FindLine(lines, "CDialogBox: talk with unit", base);
    ASSERT_GT(talk, base) << log;
    EXPECT_GT(FindLine(lines, "CDialogBox: reply", talk), talk) << log;

    // Some picture of the talk shows its replies lit in the box, where a box whose lines never
    // slide in shows none. Every frame asked for is written, those of the loads included.
    const Region box{int(110 * kScaleX), int(440 * kScaleY), int(500 * kScaleX), int(150 * kScaleY)};
    int best = 0;
    for (int f = 3500; f <= 4700; f += 20) {
        Image image;
        ASSERT_TRUE(ReadPng(run.Path("shots/frame_" + std::to_string(f) + ".png"), &image)) << f;
        best = std::max(best, ReplyPixels(image, box));
    }
    EXPECT_GT(best, 300);
}
