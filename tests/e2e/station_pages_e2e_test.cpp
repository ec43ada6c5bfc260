// The station menu the way a player reaches it in sector 1: the campaign continued from the
// pilot page, the desk's greeting answered inside the home station, the terminal on the desk
// clicked (the hero walks to the desk and the menu opens), a hull upgrade bought, a
// mercenary ordered, the sector map opened, a ship beside the station picked on it, called
// with C and answered with a digit, the radio menu opened with F3 and turned with a digit,
// the map turned with A, and the menu left.
#include "sector_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

int LineIndex(const std::vector<std::string>& lines, const std::string& part, int from = 0)
{
    for (std::size_t i = from < 0 ? 0 : std::size_t(from); i < lines.size(); ++i)
        if (lines[i].find(part) != std::string::npos) return int(i);
    return -1;
}

// Pixels of the panels' green text (green well above red and blue).
int GreenTextPixels(const Image& image, const Region& r)
{
    int n = 0;
    for (int y = r.y; y < r.y + r.height && y < image.height; ++y)
        for (int x = r.x; x < r.x + r.width && x < image.width; ++x) {
            const std::uint8_t* p = image.Pixel(x, y);
            n += p[1] > 110 && p[1] > 2 * p[0] && p[1] > 2 * p[2];
        }
    return n;
}

// Share of the menu's green over the whole picture.
double GreenShare(const Image& image)
{
    return double(GreenTextPixels(image, Region{0, 0, image.width, image.height})) / (image.width * image.height);
}

}  // namespace

TEST(StationPagesE2E, UpgradeMercenaryAndTheRadioOnTheSectorMap)
{
    GameRun run("station-pages");
    const SectorWindow window{2, 1024, 768};
    std::string input = PrepareSectorRun(run, 1, window);
    input += window.Click(1250, 144, 550);  // the desk's greeting: "До встречи."
    // The terminal on the desk, pointed at (frame 1278 shows it) and clicked.
    input += "1275 mouse_move " + window.At(711, 264) + "\n";
    input += window.Click(1280, 711, 264);
    input += window.Click(1420, 180, 60);    // "ДОК СТАНЦИИ"
    input += window.Click(1490, 190, 21);    // the player's ship
    input += window.Click(1510, 600, 175);   // "Модернизация систем корабля"
    input += window.Click(1570, 200, 214);   // "Корпус"
    input += window.Click(1600, 200, 555);   // "Модернизировать систему"
    input += window.Click(1660, 600, 35);    // "Выход"
    input += window.Click(1720, 600, 445);   // back to the tabs
    input += window.Click(1780, 180, 330);   // "БИРЖА НАЕМНИКОВ"
    input += window.Click(1840, 600, 255);   // "Заказать наемника"
    input += window.Click(1870, 600, 445);
    input += window.Click(1920, 180, 150);   // "КАРТА СЕКТОРА"
    input += window.Click(1980, 462, 283);   // the ship beside the station
    // Called and answered; the station's answer is said for 5 s, then the radio menu.
    input += "1990 key C\n2030 key 1\n"
             "2150 key F3\n2190 key 2\n2220 key F3\n"
             "2230 key_down A\n2260 key_up A\n";
    input += window.Click(2280, 600, 445);   // back to the tabs
    input += window.Click(2320, 180, 540);   // "ЗАВЕРШЕНИЕ РАБОТЫ"
    run.SetInput(input);
    RunResult r = run.RunFrames(2400, "1278,1540,2000,2215,2390", 600);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;

    const std::vector<std::string> lines = run.DebugLines();
    const std::string log = run.ReadFile("debug.txt");
    ASSERT_GE(LineIndex(lines, "Location 1: Data/Locations.Space/Sector 01"), 0) << log;
    const int upgraded = LineIndex(lines, "upgraded for ");
    const int ordered = LineIndex(lines, "Station menu: mercenary ");
    const int talk = LineIndex(lines, "CCommWindow: talk with unit ");
    EXPECT_GE(upgraded, 0) << log;
    EXPECT_GT(ordered, upgraded) << log;
    EXPECT_GT(talk, ordered) << log;
    // The digit answered the talk: the reply's effect follows it.
    EXPECT_GT(LineIndex(lines, "CCommWindow: ", talk + 1), talk) << log;

    auto shot = [&](const char* name) {
        Image image;
        EXPECT_TRUE(ReadPng(run.Path(std::string("shots/") + name), &image)) << name;
        return image;
    };
    // 1024 x 768: 1.28 pixels a unit. The dock page is the green grid; on the map the
    // talk and then the radio menu fill the panel at (10, 10), 380 units wide.
    const Image dock = shot("frame_1540.png"), talkShot = shot("frame_2000.png"), radio = shot("frame_2215.png"),
                left = shot("frame_2390.png");
    ASSERT_EQ(dock.width, 1024);
    EXPECT_GT(GreenShare(dock), 0.015);
    const Region panel{13, 13, 486, 150};
    EXPECT_GT(GreenTextPixels(talkShot, panel), 300);
    EXPECT_GT(GreenTextPixels(radio, panel), 150);
    // The target screen's picture at (20, 430)-(220, 580) is lit.
    EXPECT_GT(MeanColour(talkShot, Region{30, 560, 230, 170}).g, 20.0);
    // Left: the interior again.
    EXPECT_LT(GreenShare(left), 0.01);
}
