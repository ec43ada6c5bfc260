// The program frame end to end: start-up, frames, settings, the debug log,
// focus, closing and failure reporting of the real binary under Xvfb.
#include "harness.h"
#include <algorithm>
#include <gtest/gtest.h>
#include <png.h>

namespace {
// Drawing itself is the renderer's matter; most of these runs use the null device.
void UseNullDevice(GameRun& run)
{
    run.SetEnv("KORVANE_GFX", "null");
}

bool HasLine(const std::vector<std::string>& lines, const std::string& text)
{
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

int LineIndex(const std::vector<std::string>& lines, const std::string& text)
{
    auto it = std::find(lines.begin(), lines.end(), text);
    return it == lines.end() ? -1 : int(it - lines.begin());
}
} // namespace

TEST(Frame, StartsRunsFramesAndExitsCleanly)
{
    GameRun run("frames");
    run.WriteGameIni("[Misc]\nStart logo=0\n");
    run.SetEnv("KORVANE_FRAMES", "30");
    RunResult r = run.Run();
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // Shut-down writes the settings back.
    EXPECT_EQ(run.IniValue("Audio", "Music volume"), "100");
}

TEST(Frame, FirstStartSinceBootResetsVideoAndAudio)
{
    GameRun run("firststart");
    UseNullDevice(run);
    run.WriteGameIni("[Video]\nVideo mode=3\nDetails=0\nWindowed=1\n[Audio]\nMusic volume=10\nAudio=0\n"
                     "[Controls]\nSensitivity mouse=20\n[Misc]\nStart logo=0\n");
    run.SetEnv("KORVANE_FRAMES", "5");
    RunResult r = run.Run();
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // ("Video mode" 100 lets the renderer pick the desktop's row, which it keeps.)
    EXPECT_EQ(run.IniValue("Video", "Details"), "2");
    EXPECT_EQ(run.IniValue("Audio", "Music volume"), "100");
    EXPECT_EQ(run.IniValue("Audio", "Effects volume"), "90");
    // Keys outside the reset are kept as they were.
    EXPECT_EQ(run.IniValue("Controls", "Sensitivity mouse"), "20");
    EXPECT_EQ(run.IniValue("Video", "Windowed"), "1");
    EXPECT_EQ(run.IniValue("Audio", "Audio"), "0");

    // The second start of the same boot keeps what the player chose.
    run.WriteGameIni("[Video]\nDetails=1\n[Audio]\nMusic volume=10\n[Misc]\nStart logo=0\n");
    r = run.Run();
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(run.IniValue("Video", "Details"), "1");
    EXPECT_EQ(run.IniValue("Audio", "Music volume"), "10");
}

TEST(Frame, DebugLogOnlyWithDebugOut)
{
    GameRun quiet("nolog");
    UseNullDevice(quiet);
    quiet.WriteGameIni("[Misc]\nStart logo=0\nDebug out=0\n");
    quiet.SetInput("2 focus_lost\n3 focus_gained\n");
    quiet.SetEnv("KORVANE_FRAMES", "5");
    ASSERT_EQ(quiet.Run().exitCode, 0);
    EXPECT_FALSE(quiet.Exists("debug.txt"));

    GameRun loud("log");
    UseNullDevice(loud);
    loud.WriteGameIni("[Misc]\nStart logo=0\nDebug out=1\n");
    loud.WriteFile("debug.txt", "a line of the last run\n");
    loud.SetEnv("KORVANE_FRAMES", "5");
    RunResult r = loud.Run();
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_TRUE(loud.Exists("debug.txt"));
    // Emptied once at start.
    EXPECT_FALSE(HasLine(loud.DebugLines(), "a line of the last run"));
}

TEST(Frame, FocusLossPausesAndFocusGainResumes)
{
    GameRun run("focus");
    UseNullDevice(run);
    run.WriteGameIni("[Misc]\nStart logo=0\nDebug out=1\n");
    run.SetInput("5 focus_lost\n10 focus_gained\n");
    run.SetEnv("KORVANE_FRAMES", "20");
    RunResult r = run.Run();
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> lines = run.DebugLines();
    int lost = LineIndex(lines, "WndProc: focus lost, game paused");
    ASSERT_GE(lost, 0) << run.ReadFile("debug.txt");
    auto gained = std::find(lines.begin() + lost, lines.end(), "WndProc: focus gained, game resumed");
    EXPECT_NE(gained, lines.end());
}

TEST(Frame, ClosingTheWindowEndsTheProgram)
{
    GameRun run("close");
    UseNullDevice(run);
    run.WriteGameIni("[Misc]\nStart logo=0\n");
    run.SetInput("3 close\n");
    RunResult r = run.Run(30);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(run.IniValue("Audio", "Music volume"), "100");
}

// Lines of the frame loop's Esc handling in the debug log.
static std::vector<std::string> EscLines(const std::vector<std::string>& lines)
{
    std::vector<std::string> out;
    for (const std::string& l : lines)
        if (l.rfind("Esc: ", 0) == 0)
            out.push_back(l);
    return out;
}

TEST(Frame, EscWithoutGameMenuEndsAfterOneLocation)
{
    // Without the game menu the chain starts with the intros, where Esc only skips
    // (the director's matter). Held down, it skips them all; in the first mission
    // the frame loop takes it and the location, and with it the program, ends.
    GameRun run("esc");
    UseNullDevice(run);
    run.WriteGameIni("[Misc]\nStart logo=0\nUse game menu=0\nDebug out=1\n");
    run.SetInput("4 key_down ESC\n");
    RunResult r = run.Run(60);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> lines = run.DebugLines();
    std::vector<std::string> esc = EscLines(lines);
    ASSERT_EQ(esc.size(), 1u) << "no mission location ran; stderr:\n" << r.err;
    EXPECT_EQ(esc[0], "Esc: location 1 finished");
    // One location loop pass: shut down once, right after.
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "CFileManager::Release() done!"), 1);
    EXPECT_LT(LineIndex(lines, esc[0]), LineIndex(lines, "CFileManager::Release() start..."));
}

TEST(Frame, EscInAnIntroDoesNotEndTheLocation)
{
    GameRun run("escintro");
    UseNullDevice(run);
    run.WriteGameIni("[Misc]\nStart logo=0\nUse game menu=0\nDebug out=1\n");
    run.SetInput("4 key_down ESC\n5 key_up ESC\n");
    run.SetEnv("KORVANE_FRAMES", "20");
    RunResult r = run.Run(60);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(EscLines(run.DebugLines()).empty()) << run.ReadFile("debug.txt");
}

TEST(Frame, SocketErrorIsReportedWithoutBlocking)
{
    GameRun run("socket");
    UseNullDevice(run);
    run.WriteGameIni("[Misc]\nStart logo=0\nDebug out=1\n");
    run.SetInput("3 socket 5 1 10054\n6 close\n");
    RunResult r = run.Run(30);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.err.find("[Network error!] WM_SOCKET error!"), std::string::npos) << r.err;
    EXPECT_TRUE(HasLine(run.DebugLines(), "WM_SOCKET error!"));
}

TEST(Frame, FailedStartExitsNonZero)
{
    GameRun run("nodisplay");
    run.WriteGameIni("[Misc]\nStart logo=0\n");
    UseNullDevice(run);
    // No display: the window cannot open.
    run.SetEnv("DISPLAY", ":31999");
    run.SetEnv("SDL_VIDEODRIVER", "x11");
    run.SetEnv("KORVANE_FRAMES", "5");
    RunResult r = run.Run(30);
    EXPECT_FALSE(r.timedOut);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(r.signal, 0);
}

TEST(Harness, PngRegions)
{
    GameRun run("png");
    // A 4x2 image: left half red, right half blue.
    std::vector<std::uint8_t> px(4 * 2 * 4);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            std::uint8_t* p = &px[(y * 4 + x) * 4];
            p[0] = x < 2 ? 255 : 0;
            p[2] = x < 2 ? 0 : 255;
            p[3] = 255;
        }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = 4;
    png.height = 2;
    png.format = PNG_FORMAT_RGBA;
    ASSERT_TRUE(png_image_write_to_file(&png, run.Path("a.png").c_str(), 0, px.data(), 0, nullptr));
    Image img;
    ASSERT_TRUE(ReadPng(run.Path("a.png"), &img));
    EXPECT_EQ(img.width, 4);
    EXPECT_TRUE(RegionNear(img, {0, 0, 2, 2}, {255, 0, 0, 255}, 1.0));
    EXPECT_TRUE(RegionNear(img, {2, 0, 2, 2}, {0, 0, 255, 255}, 1.0));
    Colour all = MeanColour(img, {0, 0, 100, 100});
    EXPECT_NEAR(all.r, 127.5, 0.01);
    EXPECT_EQ(RegionDifference(img, img, {0, 0, 4, 2}), 0.0);
    EXPECT_EQ(ListPngs(run.Dir()).size(), 1u);
    EXPECT_FALSE(ReadPng(run.Path("missing.png"), &img));
}
