// Sector 1 played from its start to its goal with replayed keys: the player leaves the
// hero station by the desk, targets the mine (T twice: the trade station, then the mine),
// turns to it, flies out, brakes short of it and fires until it is destroyed, turns back,
// flies home and asks the station for landing. Then he climbs away from the station's
// side, brakes above its gate and dives through the approach point, the docking takes
// him inside, the desk ends the mission ("Задание выполнено.", "Завершить задание.") and
// after the departure the results page shows. Under KORVANE_FRAME_MS a run repeats
// itself frame for frame, so the replay can hit the approach point's 30-unit window.
#include "sector_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

// Index of the first line that starts with the prefix at or after `from`, -1 when none.
int LineIndex(const std::vector<std::string>& lines, const std::string& prefix, int from = 0)
{
    for (std::size_t i = from < 0 ? 0 : std::size_t(from); i < lines.size(); ++i)
        if (lines[i].rfind(prefix, 0) == 0) return int(i);
    return -1;
}

// Pixels of the talk box's reply violet (blue well above red).
int BluePixels(const Image& image, const Region& r)
{
    return CountPixels(image, r, [](const std::uint8_t* p) { return p[2] > 110 && p[2] > p[0] + 40; });
}

// Pixels of the menus' gold (red high, green middling, blue low).
int GoldPixels(const Image& image, const Region& r)
{
    return CountPixels(image, r, [](const std::uint8_t* p) { return p[0] > 150 && p[1] > 100 && p[0] > p[2] + 80; });
}

}  // namespace

// Off until its replay is fitted again: sector 1's convoy now goes on to dock at the hero
// station while this replay flies the player through the gate's approach window, so the
// fixed-frame landing misses its window.
TEST(SectorWinE2E, DISABLED_TheMineIsDestroyedThePlayerDocksAndTheResultsShow)
{
    GameRun run("sector-win");
    const SectorWindow window;
    std::string input = PrepareSectorRun(run, 1, window);
    input += window.Click(1250, 144, 530);  // the desk's greeting: "Спасибо."
    input += window.Click(1350, 144, 493);  // "Что вам нужно?": "Я улетаю." (over the greeting's two rows)
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
             "7400 key F2\n7460 key 2\n"               // "Прошу разрешения на посадку."
             // The landing holds for 20 s. Away from the hull, up past the gate's level...
             "7470 key_down LEFT\n7502 key_up LEFT\n7505 key_down DOWN\n7507 key_up DOWN\n"
             "7530 key_down W\n7590 key_up W\n7640 key_down S\n7680 key_up S\n"
             // ...then round and down through the approach point, clear of the ship parked
             // on the gate's axis.
             "7690 key_down RIGHT\n7723 key_up RIGHT\n7700 key_down DOWN\n7709 key_up DOWN\n"
             "7735 key_down W\n7795 key_up W\n";
    // Inside: the view scrolled back (the pointer on the bottom edge) and widened, the
    // operator at the desk clicked; the player walks up to him and the talk opens.
    input += "8300 mouse_move " + window.At(400.0f, 599.0f) + "\n8320 mouse_move" + centre +
             "8330 key_down DOWN\n8360 key_up DOWN\n";
    input += window.Click(8450, 326, 210);
    // The greeting was said on the first visit: "Что вам нужно?" asks at once (the box opens
    // for its three replies); "Задание выполнено." (third), then "Завершить задание." (under the two rows of its question).
    input += window.Click(8680, 144, 531) + window.Click(8820, 144, 493);  // over the end notice, the exchange
    run.SetInput(input);
    const std::string shots = run.Path("shots");
    RunResult r = run.RunFrames(10150, "4000,7465,8670,10140", 600);
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
    EXPECT_EQ(LineIndex(lines, "EndGame(0)"), -1) << log;
    for (const std::string& l : MissingContentLines(lines)) ADD_FAILURE() << l;

    // Docked: the interior loads, and after the visit the player's ship is back in space
    // for the departure, which ends in the won mission.
    const int inside = LineIndex(lines, "Loading screen: 0%", granted);
    EXPECT_GT(inside, granted) << log;
    int at = inside;
    for (const char* step : {"101", "102", "103"}) {
        at = LineIndex(lines, std::string("Scene 1, object 100: step ") + step + " ", at);
        EXPECT_GT(at, inside) << step << "\n" << log;
    }
    const int won = LineIndex(lines, "EndGame(1)", inside);
    EXPECT_GT(won, inside) << log;
    // The next sector is unlocked by its save, written whole (no temporary file left).
    namespace fs = std::filesystem;
    std::error_code ec;
    EXPECT_GT(fs::file_size(run.Path("Save/00/Sector 02.dat"), ec), 0u) << ec.message();
    for (const auto& e : fs::directory_iterator(run.Path("Save/00"))) {
        const std::string ext = e.path().extension().string();
        EXPECT_TRUE(ext == ".cfg" || ext == ".dat" || ext == ".stat") << e.path();
    }

    // In the fight the mine fills the sights; beside the station its hull fills the left.
    Image fight, home, desk, results;
    ASSERT_TRUE(ReadPng(shots + "/frame_4000.png", &fight));
    ASSERT_TRUE(ReadPng(shots + "/frame_7465.png", &home));
    ASSERT_EQ(home.width, window.width);
    auto sum = [](const Colour& c) { return c.r + c.g + c.b; };
    const double mine = sum(MeanColour(fight, Region{230, 180, 180, 100}));
    const double space = sum(MeanColour(fight, Region{400, 75, 130, 60}));
    const double hull = sum(MeanColour(home, Region{100, 240, 150, 50}));
    const double sky = sum(MeanColour(home, Region{400, 80, 140, 100}));
    EXPECT_GT(mine, space + 20.0) << mine << " " << space;
    EXPECT_GT(hull, sky + 150.0) << hull << " " << sky;

    // Inside at the desk: the interior's lit floor, and the operator's three replies in the
    // talk box at the bottom.
    ASSERT_TRUE(ReadPng(shots + "/frame_8670.png", &desk));
    EXPECT_GT(MeanColour(desk, Region{0, 80, 640, 320}).g, 70.0);
    EXPECT_GT(BluePixels(desk, Region{85, 402, 235, 48}), 300);

    // The results page: its gold column heads over the table and the rating column's red.
    ASSERT_TRUE(ReadPng(shots + "/frame_10140.png", &results));
    EXPECT_GT(GoldPixels(results, Region{40, 105, 560, 30}), 600);
}
