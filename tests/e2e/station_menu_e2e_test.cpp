// The station menu in the running game: the intros skipped to the first sector, the
// debug shortcut takes the player into the home station and opens the menu; the dock
// page lists the ships, the upgrade page buys a stronger hull with the station's ore.
#include "harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

bool Contains(const std::vector<std::string>& lines, const std::string& part)
{
    for (const std::string& l : lines)
        if (l.find(part) != std::string::npos) return true;
    return false;
}

// Share of pixels whose green clearly outweighs red and blue: the menu's grid and panels.
double GreenShare(const Image& image)
{
    int green = 0, all = 0;
    for (int y = 0; y < image.height; y += 4)
        for (int x = 0; x < image.width; x += 4, ++all) {
            const std::uint8_t* p = image.Pixel(x, y);
            if (p[1] > 40 && p[1] > 2 * p[0] && p[1] > 2 * p[2]) ++green;
        }
    return all ? double(green) / all : 0.0;
}

// A click at virtual-screen coordinates of the 1280 x 1024 desktop.
std::string Click(int frame, int vx, int vy)
{
    const std::string at = " " + std::to_string(vx * 1280 / 800) + " " + std::to_string(vy * 1024 / 600) + "\n";
    return std::to_string(frame) + " lbutton_down" + at + std::to_string(frame + 1) + " lbutton_up" + at;
}

}  // namespace

TEST(StationMenuE2E, DockPageAndAHullUpgrade)
{
    GameRun run("station-menu");
    run.WriteGameIni("[Game]\nSpace=1\n[Video]\nWindowed=1\n[Misc]\nStart logo=0\nUse game menu=0\nCut scenes=1\nDebug out=1\n");
    std::string input = "10 key_down SPACE\n1400 key_up SPACE\n1450 key_down CTRL\n1455 key D\n1460 key_up CTRL\n";
    for (int f = 1500; f <= 2300; f += 40)
        input += std::to_string(f) + " key_down CTRL\n" + std::to_string(f + 2) + " key H\n" + std::to_string(f + 4) +
                 " key_up CTRL\n";
    input += Click(2400, 180, 60) + Click(2460, 180, 60);    // tab "ДОК СТАНЦИИ"
    input += Click(2600, 600, 175) + Click(2660, 600, 175);  // "Модернизация систем корабля"
    for (int f = 2800; f <= 2920; f += 60) input += Click(f, 200, 555);  // "Модернизировать систему"
    run.SetInput(input);
    run.SetEnv("KORVANE_SCREENSHOT", run.Dir());
    run.SetEnv("KORVANE_SHOT_FRAMES", "2560,3050");
    run.SetEnv("KORVANE_FRAMES", "3100");
    RunResult r = run.Run(400);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;

    const std::vector<std::string> lines = run.DebugLines();
    ASSERT_TRUE(Contains(lines, "Location 1: Data/Locations.Space/Sector 01")) << run.ReadFile("debug.txt");
    EXPECT_FALSE(Contains(lines, "no docked player ship")) << run.ReadFile("debug.txt");
    EXPECT_TRUE(Contains(lines, "Station menu: ")) << run.ReadFile("debug.txt");
    EXPECT_TRUE(Contains(lines, "upgraded for ")) << run.ReadFile("debug.txt");

    for (const char* name : {"frame_2560.png", "frame_3050.png"}) {
        Image shot;
        ASSERT_TRUE(ReadPng(run.Path(name), &shot)) << name;
        EXPECT_GT(GreenShare(shot), 0.05) << name;
    }
}
