// The game menu end to end with the default settings (start logo, game menu and cut scenes
// on): the logo is skipped, the menu stands over its moving space scene, a ring shows its
// caption under the pointer, the exit question opens and "Нет" closes it, the single
// missions page opens and "Назад" leaves it, and a new campaign shows the loading screen
// before the first planet intro. Clicks are replayed at the menu's own coordinates.
#include "harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// The defaults, with the log on for the checks.
const char kIni[] = "[Misc]\nDebug out=1\n";

// The default video mode is the desktop's: the Xvfb screen of the e2e run.
int g_Width = 1280, g_Height = 1024;

int Px(float x) { return int(std::lround(x * float(g_Width) / 800.0f)); }
int Py(float y) { return int(std::lround(y * float(g_Height) / 600.0f)); }

std::string Click(int frame, float x, float y)
{
    const std::string at = " " + std::to_string(Px(x)) + " " + std::to_string(Py(y)) + "\n";
    return std::to_string(frame) + " lbutton_down" + at + std::to_string(frame + 2) + " lbutton_up" + at;
}

// Share of pixels whose brightest channel passes the threshold, over a virtual-screen region.
double LitShare(const Image& im, float x1, float y1, float x2, float y2, int threshold = 150)
{
    unsigned n = 0, lit = 0;
    for (int y = Py(y1); y < Py(y2) && y < im.height; ++y)
        for (int x = Px(x1); x < Px(x2) && x < im.width; ++x) {
            const std::uint8_t* p = im.Pixel(x, y);
            ++n;
            if (std::max({p[0], p[1], p[2]}) > threshold) ++lit;
        }
    return n ? double(lit) / n : 0.0;
}

Colour Mean(const Image& im, float x1, float y1, float x2, float y2)
{
    return MeanColour(im, Region{Px(x1), Py(y1), Px(x2) - Px(x1), Py(y2) - Py(y1)});
}

bool HasLine(const std::vector<std::string>& lines, const std::string& text)
{
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

bool HasPrefix(const std::vector<std::string>& lines, const std::string& prefix)
{
    for (const std::string& l : lines)
        if (l.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

} // namespace

TEST(MenuE2E, LogoMenuDialogPageAndLoadingScreen)
{
    GameRun run("menu");
    run.WriteGameIni(kIni);
    // One pilot is there already, so the pilot page's "Продолжить" goes on with it.
    std::filesystem::create_directories(run.Path("Save/00"));
    run.WriteFile("Save/00/Player.cfg", "[Player data]\nName=Tester\n[Player rating]\nOre transported=0\n"
                                        "Enemy killed=0\nEnemy killed score=0\n");
    std::string script =
        "5 key_down SPACE\n8 key_up SPACE\n"      // the picture: on to the maker's logo
        "25 key_down SPACE\n28 key_up SPACE\n";   // the maker's logo: done
    script += Click(250, 540, 260);               // pilot page: "Продолжить"
    script += "400 mouse_move " + std::to_string(Px(167)) + " " + std::to_string(Py(322)) + "\n";
    script += Click(500, 212, 457);               // the "Выход" ring: the exit question
    script += Click(650, 515, 360);               // "Нет"
    script += Click(800, 167, 322);               // the "Одиночная миссия" ring: page 6
    script += Click(1000, 690, 500);              // "Назад"
    script += Click(1150, 152, 172);              // the "Новая кампания" ring: no saves, so at once
    run.SetInput(script);
    std::string shots = "470,600,760,930";
    for (int f = 1130; f <= 1230; f += 2) shots += "," + std::to_string(f);
    run.SetEnv("KORVANE_SCREENSHOT", run.Dir());
    run.SetEnv("KORVANE_SHOT_FRAMES", shots);
    run.SetEnv("KORVANE_FRAMES", "1400");
    // Game time by frames: the space scene's stars behind the menu stand where the frame
    // count puts them, however loaded the machine.
    run.SetEnv("KORVANE_FRAME_MS", "20");
    RunResult r = run.Run(300);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exitCode, 0) << r.err;

    const std::vector<std::string> lines = run.DebugLines();
    const std::string log = run.ReadFile("debug.txt");
    EXPECT_TRUE(HasLine(lines, "Start logo: skipped to phase 4")) << log;
    EXPECT_TRUE(HasLine(lines, "Start logo: done")) << log;
    EXPECT_TRUE(HasLine(lines, "Location 100: Data/Locations.Space/GameMenu")) << log;
    for (const char* step : {"Game menu: page 1 -> 3", "Game menu: dialog 4 on page 3", "Game menu: dialog 4 answered 0",
                             "Game menu: page 3 -> 6", "Game menu: page 6 -> 3", "Game menu: page 3 -> 4"})
        EXPECT_TRUE(HasLine(lines, step)) << step << "\n" << log;
    EXPECT_TRUE(HasPrefix(lines, "Loading screen: ")) << log;
    EXPECT_TRUE(HasLine(lines, "Location 110: Data/Locations.Planet/Intro 01")) << log;

    Image hover, dialog, menu, page;
    ASSERT_TRUE(ReadPng(run.Path("frame_470.png"), &hover));
    ASSERT_TRUE(ReadPng(run.Path("frame_600.png"), &dialog));
    ASSERT_TRUE(ReadPng(run.Path("frame_760.png"), &menu));
    ASSERT_TRUE(ReadPng(run.Path("frame_930.png"), &page));
    ASSERT_EQ(menu.width, g_Width);

    // The main menu: the atlas title over the top band, the rings down the left column,
    // and the space scene's stars round them.
    EXPECT_GT(LitShare(menu, 230, 60, 460, 110), 0.05);
    const Colour rings = Mean(menu, 40, 160, 260, 500);
    EXPECT_GT(rings.b, rings.g + 20.0);
    EXPECT_GT(rings.b, 40.0);
    EXPECT_GT(LitShare(menu, 560, 420, 800, 600, 60), 0.001);
    // A ring under the pointer shows its caption; without the pointer there is none.
    EXPECT_GT(LitShare(hover, 230, 295, 350, 318), 0.04);
    EXPECT_LT(LitShare(menu, 230, 295, 350, 318), 0.01);
    // The exit question: its panel and title, gone again after "Нет".
    EXPECT_GT(LitShare(dialog, 400, 188, 580, 212), 0.04);
    EXPECT_GT(Mean(dialog, 320, 200, 660, 480).b, Mean(menu, 320, 200, 660, 480).b + 15.0);
    EXPECT_LT(LitShare(menu, 400, 188, 580, 212), 0.01);
    // The single missions page: its frame and title.
    EXPECT_GT(LitShare(page, 420, 170, 580, 192), 0.04);
    EXPECT_GT(Mean(page, 300, 200, 700, 480).b, Mean(menu, 300, 200, 700, 480).b + 15.0);

    // Between the menu and the planet intro: the loading picture with its glowing bar.
    bool loading = false;
    for (int f = 1130; f <= 1230 && !loading; f += 2) {
        Image im;
        if (!ReadPng(run.Path("frame_" + std::to_string(f) + ".png"), &im)) continue;
        const Colour bar = Mean(im, 500, 552, 760, 558);
        loading = bar.b > 150.0 && bar.b > bar.r + 60.0 && LitShare(im, 30, 40, 300, 110) > 0.05;
    }
    EXPECT_TRUE(loading);
}
