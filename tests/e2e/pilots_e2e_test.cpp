// A new player's way through the pilot, campaign and settings pages with the default
// Game.ini: a pilot is typed and chosen, the campaign starts and its intros are skipped
// until the first sector is saved; the next start lists that sector with its picture;
// then a new volume and a new video mode are applied and the game restarts in that mode.
#include "harness.h"
#include "platform/win/profile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

// The start logo's picture, then the maker's logo, each skipped by Space.
const char kSkipLogo[] = "5 key_down SPACE\n8 key_up SPACE\n25 key_down SPACE\n28 key_up SPACE\n";

// The default desktop of the Xvfb screen: 1280x1024, so virtual units scale by 1.6 and 1.7067.
std::string At(double x, double y)
{
    char b[64];
    std::snprintf(b, sizeof b, "%d %d", (int)(x * 1280.0 / 800.0), (int)(y * 1024.0 / 600.0));
    return b;
}

std::string Click(int frame, double x, double y)
{
    const std::string p = At(x, y);
    return std::to_string(frame) + " mouse_move " + p + "\n" + std::to_string(frame) + " lbutton_down " + p + "\n" +
           std::to_string(frame + 2) + " lbutton_up " + p + "\n";
}

double LitShare(const Image& img, const Region& r)
{
    int lit = 0, all = 0;
    for (int y = r.y; y < r.y + r.height && y < img.height; ++y)
        for (int x = r.x; x < r.x + r.width && x < img.width; ++x, ++all) {
            const std::uint8_t* p = img.Pixel(x, y);
            lit += p[0] + p[1] + p[2] > 120;
        }
    return all ? double(lit) / all : 0.0;
}

std::string Profile(const GameRun& run, const char* section, const char* key)
{
    char b[128];
    GetPrivateProfileString(section, key, "", b, sizeof b, run.Path("Save/00/Player.cfg").c_str());
    return b;
}

Region Virtual(double x1, double y1, double x2, double y2, int w, int h)
{
    return {int(x1 * w / 800), int(y1 * h / 600), int((x2 - x1) * w / 800), int((y2 - y1) * h / 600)};
}

} // namespace

TEST(PilotsE2E, PilotCampaignAndSettingsThroughTheMenu)
{
    GameRun run("pilots");
    run.WriteGameIni("[Misc]\nDebug out=1\n");

    // First start: skip the logo's picture and the maker's logo, type a pilot, start a new
    // campaign and skip the intros.
    std::string in = kSkipLogo;
    in += Click(400, 370, 165);                 // "Новый пилот"
    // One character a few frames apart: the menu takes one typed character per frame.
    const int name[] = {200, 226, 224, 237, 32, 'S', 'm', 'i', 't', 'h'};  // "Иван Smith" in CP1251
    for (int i = 0; i < 10; ++i)
        in += std::to_string(450 + 4 * i) + " char " + std::to_string(name[i]) + "\n";
    in += "500 key ENTER\n";                     // created and chosen: the main menu opens
    in += Click(700, 152, 172);                  // "Новая кампания": no saves, the story starts
    in += "900 key_down SPACE\n";                // every intro skipped
    in += "4200 close\n";
    run.SetInput(in);
    run.SetEnv("KORVANE_FRAMES", "4300");
    // Game time by frames: the menu scene's ship, seen through the list, is where the
    // frame count puts it, however loaded the machine.
    run.SetEnv("KORVANE_FRAME_MS", "20");
    RunResult first = run.Run(600);
    ASSERT_FALSE(first.timedOut);
    EXPECT_EQ(first.exitCode, 0) << first.err;
    // Profiles are CP1251 text.
    ASSERT_EQ(Profile(run, "Player data", "Name"), "\xC8\xE2\xE0\xED Smith");
    EXPECT_EQ(Profile(run, "Player rating", "Enemy killed"), "0");
    ASSERT_TRUE(std::filesystem::exists(run.Path("Save/00/Sector 01.dat")));

    // Second start: the pilot is chosen, "Продолжить кампанию" lists the introduction and
    // sector 1 with its picture; then the settings.
    in = kSkipLogo;
    in += Click(400, 530, 260);                  // "Продолжить" on the pilot page
    in += Click(600, 159, 245);                  // "Продолжить кампанию"
    in += Click(800, 680, 500);                  // "Назад"
    in += Click(1000, 105, 375);                 // "Настройки игры"
    in += Click(1200, 500, 340);                 // "Звук"
    in += Click(1300, 350, 290);                 // music volume down by 5
    in += Click(1400, 680, 500);                 // "Назад" to the section choice
    in += Click(1500, 500, 310);                 // "Видео"
    in += Click(1600, 610, 278);                 // the second mode: 800X600
    in += Click(1700, 330, 500);                 // "Применить": the game restarts
    in += "2300 key SPACE\n";                    // the logo of the restarted game
    in += "2600 close\n";
    run.SetInput(in);
    run.SetEnv("KORVANE_FRAMES", "2700");
    run.SetEnv("KORVANE_SCREENSHOT", run.Dir());
    run.SetEnv("KORVANE_SHOT_FRAMES", "750");
    RunResult second = run.Run(600);
    ASSERT_FALSE(second.timedOut);
    EXPECT_EQ(second.exitCode, 0) << second.err;

    Image page;
    ASSERT_TRUE(ReadPng(run.Path("frame_750.png"), &page));
    // The sector's picture fills its frame; the list holds two captions. The menu scene's
    // ship shows through the list from x 370 on, so the rows are looked at left of it.
    EXPECT_GT(LitShare(page, Virtual(525, 200, 705, 380, page.width, page.height)), 0.05);
    EXPECT_GT(LitShare(page, Virtual(295, 230, 360, 270, page.width, page.height)), 0.02);
    EXPECT_LT(LitShare(page, Virtual(295, 272, 360, 320, page.width, page.height)), 0.01);

    EXPECT_EQ(run.IniValue("Audio", "Music volume"), "95");
    EXPECT_EQ(run.IniValue("Video", "Video mode"), "1");
    bool restarted = false;
    for (const std::string& l : run.DebugLines())
        restarted |= l.find("Settings: video mode 1, the game restarts") != std::string::npos;
    EXPECT_TRUE(restarted);
}
