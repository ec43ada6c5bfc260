// The second space intro played to its end as a player does: after the hand-over he asks
// the hero station for landing, flies straight into its gate, ends the visit inside at the
// desk ("Задание выполнено." then "Завершить задание."), and the departure shows the
// station leaving under its text and writes the pilot's save of sector 1, which the sector
// then opens from. Every frame takes 50 ms of game time; only the loads between the
// locations take a varying number of frames, which the input below allows for.
#include "harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// A 640x480 window: the launch counter as left by an earlier start keeps Game.ini's mode.
const char kIni[] = "[Game]\nSpace=1\n[Video]\nWindowed=1\nVideo mode=0\n[Misc]\nStart logo=0\n"
                    "Use game menu=0\nCut scenes=1\nDebug out=1\n";
constexpr int kWidth = 640, kHeight = 480;

// A left click on a point of the 800x600 virtual screen.
std::string Click(int frame, float x, float y)
{
    const std::string at = " " + std::to_string(std::lround(x * kWidth / 800.0f)) + " " +
                           std::to_string(std::lround(y * kHeight / 600.0f)) + "\n";
    return std::to_string(frame) + " mouse_move" + at + std::to_string(frame) + " lbutton_down" + at +
           std::to_string(frame + 2) + " lbutton_up" + at;
}

// Share of the region's pixels brighter than a dim grey (a ship or station in space).
double BrightShare(const Image& image, const Region& r)
{
    int lit = 0, all = 0;
    for (int y = r.y; y < r.y + r.height && y < image.height; y += 2)
        for (int x = r.x; x < r.x + r.width && x < image.width; x += 2, ++all) {
            const std::uint8_t* p = image.Pixel(x, y);
            lit += (p[0] + p[1] + p[2]) / 3 > 40;
        }
    return all ? double(lit) / all : 0.0;
}

// Pixels of the captions' violet in a region.
int VioletPixels(const Image& image, const Region& r)
{
    int n = 0;
    for (int y = r.y; y < r.y + r.height && y < image.height; ++y)
        for (int x = r.x; x < r.x + r.width && x < image.width; ++x) {
            const std::uint8_t* p = image.Pixel(x, y);
            n += p[2] > 140 && p[0] > 90 && p[1] + 40 < p[2];
        }
    return n;
}

// Index of the first line starting with the prefix at or after `from`, -1 when none.
int FindLine(const std::vector<std::string>& lines, const std::string& prefix, int from = 0)
{
    for (int i = std::max(from, 0); i < (int)lines.size(); ++i)
        if (lines[i].rfind(prefix, 0) == 0) return i;
    return -1;
}

} // namespace

TEST(IntroDepartureE2E, TheSecondIntroEndsWithTheDepartureWritingSectorOne)
{
    GameRun run("intro-departure");
    run.WriteGameIni(kIni);
    std::ifstream boot("/proc/sys/kernel/random/boot_id");
    std::string id;
    std::getline(boot, id);
    run.WriteFile("runtime/Tessarin-\xD0\x9A\xD0\xBE\xD1\x80\xD0\xB2\xD0\xB5\xD0\xB9\xD0\xBD.started", id + "\n1\n");

    // Frames count pictures, and a load shows fewer or more of them with the machine's
    // speed: each step below is placed late enough for a load that took some seconds more
    // (a late answer only keeps the scene waiting), and what follows a reply is placed
    // from that reply. Space skips the first intro and the planet's; the mercenaries'
    // talks end with "Конец связи" (6), which the station's greeting does not have.
    std::string input = "40 key_down SPACE\n44 key_up SPACE\n200 key_down SPACE\n204 key_up SPACE\n";
    for (int f = 2400; f <= 2900; f += 40) input += std::to_string(f) + " key 6\n";
    // The station greets the player handed over 750 units straight ahead of its gate (about
    // frame 2990): "Прошу разрешения на посадку." (2); full throttle then takes him through
    // the approach point within the 20 s the landing is granted for, and the docking takes over.
    for (int f = 2960; f <= 3180; f += 10) input += std::to_string(f) + " key 2\n";
    input += "3090 key_down W\n3120 key_up W\n";
    // Inside (the first talk about frame 3540): "Спасибо.", "Задание выполнено.", "Завершить
    // задание."; then "Ничего, просто осмотрюсь." to each of the operator's other three talks.
    // The box also shows the exchange before (two rows) or the last talk's end notice (one),
    // so the replies stand that many rows higher.
    const int first = 3750, last = first + 160 + 100 + 320 + 220;
    input += Click(first, 144, 530) + Click(first + 80, 144, 512) + Click(first + 160, 144, 493);
    input += Click(first + 260, 144, 511) + Click(first + 580, 144, 511) + Click(last, 144, 511);
    run.SetInput(input);
    const std::string shots = run.Path("shots");
    std::filesystem::create_directories(shots);
    std::string frames;
    for (int f = 3500; f <= 4500; f += 100) frames += std::to_string(f) + ",";
    // The departure starts about 440 frames after the last reply and lasts 2000.
    const int departure = last + 350, end = last + 2740;
    for (int f = departure; f <= end; f += 50) frames += std::to_string(f) + ",";
    frames.pop_back();
    run.SetEnv("KORVANE_SCREENSHOT", shots);
    run.SetEnv("KORVANE_SHOT_FRAMES", frames);
    run.SetEnv("KORVANE_FRAMES", std::to_string(end + 10));
    run.SetEnv("KORVANE_FRAME_MS", "50");
    RunResult r = run.Run(400);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;

    const std::vector<std::string> lines = run.DebugLines();
    const std::string log = run.ReadFile("debug.txt");
    const int intro = FindLine(lines, "Location 201: Data/Locations.Space/Intro 02");
    ASSERT_GE(intro, 0) << log;
    // The landing asked for, then the departure's steps in their order after the visit inside.
    int at = FindLine(lines, "CCommWindow: talk with unit 1000 at line 0", intro);
    EXPECT_GE(at, 0) << log;
    for (const char* step : {"101", "102", "103", "104", "105", "106", "107", "-1"}) {
        at = FindLine(lines, std::string("Scene 201, object 20: step ") + step + " ", at);
        EXPECT_GE(at, 0) << step << "\n" << log;
    }
    // Sector 1 opens from the save the departure wrote: its ships (the player and both
    // mercenaries) and the station's ore, not the default start.
    const int sector = FindLine(lines, "Location 1: Data/Locations.Space/Sector 01", at);
    EXPECT_GE(sector, 0) << log;
    EXPECT_GE(FindLine(lines, "Sector 01: 3 ships and 10.0 ore on the hero station", sector), 0) << log;
    EXPECT_EQ(log.find("(default start)"), std::string::npos) << log;
    EXPECT_EQ(log.find("WriteSectorSave"), std::string::npos) << log;

    // The demo pilot's slot holds the pair, and no temporary file is left beside it.
    namespace fs = std::filesystem;
    for (const char* f : {"Save/10/Sector 01.dat", "Save/10/Sector 01.stat"}) {
        std::error_code ec;
        EXPECT_GT(fs::file_size(run.Path(f), ec), 0u) << f;
    }
    int files = 0;
    for (const auto& e : fs::directory_iterator(run.Path("Save/10"))) files += e.is_regular_file();
    EXPECT_EQ(files, 2);

    // Inside: the interior's lit floor, where space is dark.
    int insides = 0;
    for (int f = 3500; f <= 4500; f += 100) {
        Image image;
        ASSERT_TRUE(ReadPng(shots + "/frame_" + std::to_string(f) + ".png", &image)) << f;
        ASSERT_EQ(image.width, kWidth);
        insides += MeanColour(image, Region{0, kHeight / 6, kWidth, kHeight * 2 / 3}).g > 80.0;
    }
    EXPECT_GE(insides, 3);

    // The departure, 100 s: letterboxed with the station in the middle until the fade, and
    // its text over the top bar while it starts.
    const Region top{0, 0, kWidth, kHeight / 9}, bottom{0, kHeight - kHeight / 10, kWidth, kHeight / 10};
    const Region middle{kWidth * 3 / 8, kHeight * 3 / 8, kWidth / 4, kHeight / 4};
    int shown = 0, captioned = 0;
    double biggest = 0.0;
    for (int f = departure; f <= end; f += 50) {
        Image image;
        ASSERT_TRUE(ReadPng(shots + "/frame_" + std::to_string(f) + ".png", &image)) << f;
        const double share = BrightShare(image, middle);
        if (MeanColour(image, bottom).g < 5.0 && share > 0.02) {
            ++shown;
            biggest = std::max(biggest, share);
            captioned += VioletPixels(image, top) > 800;
        }
    }
    EXPECT_GE(shown, 30);
    EXPECT_GT(biggest, 0.2);
    EXPECT_GE(captioned, 1);
}
