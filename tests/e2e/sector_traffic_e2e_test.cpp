// Sector 3 played from its start: at the desk of the hero station the player answers
// "Спасибо." and "Я улетаю.", the bay launches his ship, he ends the station's greeting with
// its last reply, flies out past the ships queueing for the gate and brakes among them. A
// spawned traffic transport on its way in hails him: the comm window opens its talk and the
// third panel shows the caller's head and line.
#include "sector_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

// Share of the region's pixels that stand out of the dark panel (the head, the text).
double LitShare(const Image& image, const Region& r)
{
    int lit = 0, all = 0;
    for (int y = r.y; y < r.y + r.height && y < image.height; ++y)
        for (int x = r.x; x < r.x + r.width && x < image.width; ++x, ++all) {
            const std::uint8_t* p = image.Pixel(x, y);
            lit += p[0] + p[1] + p[2] > 240;
        }
    return all ? double(lit) / all : 0.0;
}

} // namespace

// Off until re-fitted: spawned transports now call at the sector's mine, not at the home
// station's gate, so none comes past the place where this run brakes.
TEST(SectorTrafficE2E, DISABLED_ATransportComingInHailsThePlayerOutsideTheHeroStation)
{
    GameRun run("traffic-hail");
    const SectorWindow window;
    std::string input = PrepareSectorRun(run, 3, window);
    input += window.Click(1250, 144, 530);  // the desk's greeting: "Спасибо."
    input += window.Click(1350, 144, 530);  // "Что вам нужно?": "Я улетаю."
    // Launched at about 1780: the station's greeting (three replies) ends with the third,
    // then the ship flies on at half speed and brakes by the queue at the approach point.
    input += "1860 key 3\n2150 key_down S\n2210 key_up S\n";
    run.SetInput(input);
    const std::string shots = run.Path("shots");
    std::filesystem::create_directories(shots);
    run.SetEnv("KORVANE_SCREENSHOT", shots);
    run.SetEnv("KORVANE_SHOT_FRAMES", "3230,3330");
    run.SetEnv("KORVANE_FRAMES", "3400");
    RunResult r = run.Run(110);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;

    const std::vector<std::string> lines = run.DebugLines();
    const std::string log = run.ReadFile("debug.txt");
    ASSERT_TRUE(LogHasPrefix(lines, "Location 3: Data/Locations.Space/Sector 03")) << log;
    // Out of the interior, launched and flying: the greeting, and the player's own step ended.
    EXPECT_TRUE(LogHasPrefix(lines, "Scene 3, object 100: step 10")) << log;
    EXPECT_TRUE(LogHasPrefix(lines, "CCommWindow: talk with unit 1000 at line 0")) << log;
    EXPECT_TRUE(LogHasPrefix(lines, "CCommWindow: talk with unit 1000 ended by reply 3")) << log;
    // Spawned ships have no object id of their own (-1); line 5 is the traffic's greeting.
    EXPECT_TRUE(LogHasPrefix(lines, "CCommWindow: talk with unit -1 at line 5")) << log;
    for (const std::string& l : MissingContentLines(lines)) ADD_FAILURE() << l;

    Image before, after;
    ASSERT_TRUE(ReadPng(shots + "/frame_3230.png", &before));
    ASSERT_TRUE(ReadPng(shots + "/frame_3330.png", &after));
    ASSERT_EQ(after.width, window.width);
    // The comm window's panel above the radar: dark before the call, the caller after it.
    const Region panel{265, 258, 115, 34};
    const double was = LitShare(before, panel), is = LitShare(after, panel);
    EXPECT_LT(was, 0.05);
    EXPECT_GT(is, was + 0.04) << was << " -> " << is;
}
