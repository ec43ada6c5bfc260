// The space scenes as a player sees them with cut scenes on: the menu's fly-through shows
// its ships behind the main menu, the first intro fades in and plays to its end, and a
// sector opens with the station's arrival under its long text. Every run takes 50 ms of
// game time a frame, so the frames where things happen do not depend on the machine.
#include "harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const char kIni[] = "[Game]\nSpace=1\n[Video]\nWindowed=1\n[Misc]\nStart logo=0\nUse game menu=0\nCut scenes=1\nDebug out=1\n";

bool HasLine(const std::vector<std::string>& lines, const std::string& prefix)
{
    for (const std::string& l : lines)
        if (l.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

// Share of pixels brighter than a dim grey (stars, ships and text of a space view).
double LitShare(const Image& image, const Region& r)
{
    int lit = 0, total = 0;
    for (int y = r.y; y < r.y + r.height && y < image.height; y += 2)
        for (int x = r.x; x < r.x + r.width && x < image.width; x += 2) {
            const std::uint8_t* p = image.Pixel(x, y);
            if ((p[0] + p[1] + p[2]) / 3 > 40) ++lit;
            ++total;
        }
    return total ? (double)lit / total : 0.0;
}

// Share of a region that shows a ship: bright, or a hull's grey in its own shadow (the
// background's nebula is dark violet, never grey).
double ShipShare(const Image& image, const Region& r)
{
    int ship = 0, total = 0;
    for (int y = r.y; y < r.y + r.height && y < image.height; y += 2)
        for (int x = r.x; x < r.x + r.width && x < image.width; x += 2) {
            const std::uint8_t* p = image.Pixel(x, y);
            const int mean = (p[0] + p[1] + p[2]) / 3;
            ship += mean > 40 || (mean > 18 && p[2] - p[0] < 8);
            ++total;
        }
    return total ? (double)ship / total : 0.0;
}

// Pixels of the captions' violet in a region.
int CaptionPixels(const Image& image, const Region& r)
{
    int n = 0;
    for (int y = r.y; y < r.y + r.height && y < image.height; ++y)
        for (int x = r.x; x < r.x + r.width && x < image.width; ++x) {
            const std::uint8_t* p = image.Pixel(x, y);
            if (p[2] > 140 && p[0] > 90 && p[1] + 40 < p[2]) ++n;
        }
    return n;
}

// The game time of a frame, fixed for every run.
const char kFrameMs[] = "50";
constexpr int kFramesPerSecond = 20;

std::string Frames(int from, int to, int step)
{
    std::string s;
    for (int f = from; f <= to; f += step) s += (s.empty() ? "" : ",") + std::to_string(f);
    return s;
}

} // namespace


TEST(SpaceScenesE2E, MenuSceneShowsItsShipsBehindTheMainMenu)
{
    GameRun run("menuscene");
    run.WriteGameIni("[Misc]\nDebug out=1\n");
    // A pilot is there, so "Продолжить" on the pilot page opens the main menu.
    std::filesystem::create_directories(run.Path("Save/00"));
    run.WriteFile("Save/00/Player.cfg", "[Player data]\nName=Tester\n[Player rating]\nOre transported=0\n"
                                        "Enemy killed=0\nEnemy killed score=0\n");
    const std::string proceed = std::to_string(540 * 1280 / 800) + " " + std::to_string(260 * 1024 / 600);
    run.SetInput("5 key_down SPACE\n8 key_up SPACE\n25 key_down SPACE\n28 key_up SPACE\n250 lbutton_down " + proceed + "\n252 lbutton_up " + proceed + "\n");
    const std::string shots = run.Path("shots");
    run.SetEnv("KORVANE_SCREENSHOT", shots);
    run.SetEnv("KORVANE_SHOT_FRAMES", Frames(300, 1500, 40));
    run.SetEnv("KORVANE_FRAMES", "1510");
    run.SetEnv("KORVANE_FRAME_MS", kFrameMs);
    RunResult r = run.Run(300);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> lines = run.DebugLines();
    ASSERT_TRUE(HasLine(lines, "Location 100: Data/Locations.Space/GameMenu")) << run.ReadFile("debug.txt");
    ASSERT_TRUE(HasLine(lines, "Game menu: page 1 -> 3")) << run.ReadFile("debug.txt");

    // The camera takes up ships near the scene's centre, and at least one of them is flying.
    bool flying = false;
    for (const std::string& l : lines) {
        double speed = 0.0;
        if (std::sscanf(l.c_str(), "Menu scene: the camera follows object %*d of kind %*d at speed %lf", &speed) == 1)
            flying |= speed > 10.0;
    }
    EXPECT_TRUE(flying) << run.ReadFile("debug.txt");

    // Right of the menu's column and under its title the scene shows through, never still,
    // and the flying ship the camera follows fills the middle of the screen in some shot.
    const std::vector<std::string> pngs = ListPngs(shots);
    ASSERT_GE(pngs.size(), 30u);
    int moved = 0;
    double closest = 0.0;
    Image last;
    for (const std::string& f : pngs) {
        Image image;
        ASSERT_TRUE(ReadPng(f, &image)) << f;
        const int w = image.width, h = image.height;
        const Region view{w * 3 / 8, h / 3, w * 5 / 8, h * 2 / 3};
        EXPECT_GT(LitShare(image, view), 0.002) << f;
        if (last.width == w && RegionDifference(image, last, view) > 1.0) ++moved;
        closest = std::max(closest, ShipShare(image, Region{w * 7 / 16, h * 2 / 5, w / 8, h / 5}));
        last = std::move(image);
    }
    EXPECT_GE(moved, (int)pngs.size() * 2 / 3);
    // Empty space shows well under 1 % there.
    EXPECT_GT(closest, 0.04);
}

TEST(SpaceScenesE2E, FirstIntroFadesInAndPlaysToItsEnd)
{
    GameRun run("intro1");
    run.WriteGameIni(kIni);
    const std::string shots = run.Path("shots");
    run.SetEnv("KORVANE_SCREENSHOT", shots);
    run.SetEnv("KORVANE_SHOT_FRAMES", Frames(1, 300, 4) + ",600");
    run.SetEnv("KORVANE_FRAMES", "2700");
    run.SetEnv("KORVANE_FRAME_MS", kFrameMs);
    // Nothing is pressed until the escort asks its question (about frame 770): then the
    // player answers, picks the escort as the target and closes the radio help.
    std::string input;
    for (int f = 850; f <= 950; f += 20) input += std::to_string(f) + " key 1\n";
    for (int f = 980; f <= 1040; f += 20) input += std::to_string(f) + " key F\n";
    input += "1080 key F1\n";
    run.SetInput(input);
    RunResult r = run.Run(300);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> lines = run.DebugLines();
    ASSERT_TRUE(HasLine(lines, "Location 200: Data/Locations.Space/Intro 01")) << run.ReadFile("debug.txt");
    // Every step, up to the escort's docking at the station and the script's end.
    for (int step : {1, 2, 3, 4, 5, 6, 7, 8, -1})
        EXPECT_TRUE(HasLine(lines, "Scene 200, object 20: step " + std::to_string(step) + " "))
            << step << "\n" << run.ReadFile("debug.txt");
    EXPECT_FALSE(HasLine(lines, "NPC manager")) << run.ReadFile("debug.txt");

    // After the loading picture the scene starts black and opens on space within 4 s.
    int loaded = -1, open = -1;
    for (int f = 1; f <= 300 && open < 0; f += 4) {
        Image image;
        ASSERT_TRUE(ReadPng(shots + "/frame_" + std::to_string(f) + ".png", &image)) << f;
        const double lit = LitShare(image, Region{0, image.height / 6, image.width, image.height * 2 / 3});
        if (loaded < 0 && lit < 0.001) loaded = f;
        if (loaded >= 0 && lit > 0.004) open = f;
    }
    ASSERT_GT(loaded, 0) << "no black frame after the loading picture";
    ASSERT_GT(open, 0) << "the scene never opened";
    EXPECT_LE(open - loaded, 4 * kFramesPerSecond);
    Image later;
    ASSERT_TRUE(ReadPng(shots + "/frame_600.png", &later));
    EXPECT_GT(LitShare(later, Region{0, later.height / 6, later.width, later.height * 2 / 3}), 0.004);
}

TEST(SpaceScenesE2E, SecondIntroFliesItsShotsToTheHandOverNeverBlackForLong)
{
    GameRun run("intro2");
    run.WriteGameIni(kIni);
    // Space skips the first intro (from frame 40 on it plays) and the planet's (from 135 on).
    std::string input = "40 key_down SPACE\n44 key_up SPACE\n200 key_down SPACE\n204 key_up SPACE\n";
    // The mercenaries' questions (from about frame 2450) end with "Конец связи" (6); then
    // the station's (about frame 3200) with its own "Конец связи" (4).
    for (int f = 2400; f <= 2900; f += 40) input += std::to_string(f) + " key 6\n";
    for (int f = 2960; f <= 3400; f += 40) input += std::to_string(f) + " key 4\n";
    run.SetInput(input);
    const std::string shots = run.Path("shots");
    run.SetEnv("KORVANE_SCREENSHOT", shots);
    run.SetEnv("KORVANE_SHOT_FRAMES", Frames(300, 3400, 50));
    run.SetEnv("KORVANE_FRAMES", "3450");
    run.SetEnv("KORVANE_FRAME_MS", kFrameMs);
    RunResult r = run.Run(400);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> lines = run.DebugLines();
    ASSERT_TRUE(HasLine(lines, "Location 201: Data/Locations.Space/Intro 02")) << run.ReadFile("debug.txt");
    EXPECT_FALSE(HasLine(lines, "Location 1:")) << "the intro was skipped";
    for (int step = 1; step <= 14; ++step)
        EXPECT_TRUE(HasLine(lines, "Scene 201, object 20: step " + std::to_string(step) + " "))
            << step << "\n" << run.ReadFile("debug.txt");
    EXPECT_TRUE(HasLine(lines, "Scene 201, object 20: step -1 ")) << run.ReadFile("debug.txt");
    EXPECT_FALSE(HasLine(lines, "NPC manager")) << run.ReadFile("debug.txt");

    // Its camera moves from shot to shot, and the picture is never dark for longer than
    // a fade (3 s: at most two shots 2.5 s apart in a row).
    const std::vector<std::string> pngs = ListPngs(shots);
    ASSERT_GE(pngs.size(), 60u);
    int dark = 0, worst = 0, moved = 0;
    Image last;
    for (const std::string& f : pngs) {
        Image image;
        ASSERT_TRUE(ReadPng(f, &image)) << f;
        const Region picture{0, image.height / 6, image.width, image.height * 2 / 3};
        dark = LitShare(image, picture) < 0.002 ? dark + 1 : 0;
        worst = std::max(worst, dark);
        if (last.width == image.width && RegionDifference(image, last, picture) > 0.5) ++moved;
        last = std::move(image);
    }
    EXPECT_LE(worst, 2);
    EXPECT_GE(moved, (int)pngs.size() / 2);
}

TEST(SpaceScenesE2E, SectorOpensWithTheStationsArrivalUnderItsLongText)
{
    GameRun run("arrival");
    run.WriteGameIni(kIni);
    run.SetInput("10 key_down SPACE\n");  // both intros skipped; the sector's scenes are not
    const std::string shots = run.Path("shots");
    run.SetEnv("KORVANE_SCREENSHOT", shots);
    run.SetEnv("KORVANE_SHOT_FRAMES", Frames(200, 800, 20));
    run.SetEnv("KORVANE_FRAMES", "900");
    run.SetEnv("KORVANE_FRAME_MS", kFrameMs);
    RunResult r = run.Run(300);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> lines = run.DebugLines();
    ASSERT_TRUE(HasLine(lines, "Location 1: Data/Locations.Space/Sector 01")) << run.ReadFile("debug.txt");
    // The arrival, the fade and the move into the station.
    for (const char* step : {"1", "2", "-1"})
        EXPECT_TRUE(HasLine(lines, std::string("Scene 1, object 100: step ") + step + " "))
            << step << "\n" << run.ReadFile("debug.txt");

    // Some frame shows the long text in the top bar over the letterboxed space view.
    int seen = 0;
    for (const std::string& f : ListPngs(shots)) {
        Image image;
        ASSERT_TRUE(ReadPng(f, &image)) << f;
        const int h = image.height;
        const Region caption{0, 0, image.width, h / 9};
        const Region bottomBar{0, h - h / 10, image.width, h / 10};
        const Region picture{0, h / 6, image.width, h - h / 3};
        if (CaptionPixels(image, caption) > 2000 && MeanColour(image, bottomBar).r < 5.0 &&
            LitShare(image, picture) > 0.003 && LitShare(image, picture) < 0.5)
            ++seen;
    }
    EXPECT_GE(seen, 2);
}
