// Radio talks and orders through the real binary in the first space location, with cut
// scenes off so that the player flies: F targets the neutral fighter beside the ship, C
// calls it, the comm panel rises with its texts, digits hire the pilot and give it an
// order; F3 opens the radio menu and its fighter page orders the new wing-man.
#include "harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char kIni[] = "[Game]\nSpace=1\nLanguage=1\n[Video]\nWindowed=1\n[Audio]\nVoice=0\n"
                    "[Misc]\nStart logo=0\nUse game menu=0\nCut scenes=0\nDebug out=1\n";

bool HasLine(const std::vector<std::string>& lines, const std::string& text)
{
    for (const std::string& l : lines)
        if (l == text) return true;
    return false;
}

// Pixels of the panel texts (green to yellow with little blue: not the grey cockpit, the
// white stars or the orange head) in the lower part of the screen, where the cockpit's third
// screen rises; -1 without the screenshot.
long PanelTextPixels(const GameRun& run, int frame)
{
    Image im;
    if (!ReadPng(run.Path("shots/frame_" + std::to_string(frame) + ".png"), &im)) return -1;
    long text = 0;
    for (int y = im.height * 35 / 100; y < im.height; ++y)
        for (int x = im.width / 10; x < im.width * 9 / 10; ++x) {
            const std::uint8_t* p = im.Pixel(x, y);
            if (p[1] > 50 && p[2] * 2 < p[1] && p[1] >= p[0]) ++text;
        }
    return text;
}

// The same count inside the cockpit's third panel, low in the middle of the view.
long ThirdPanelPixels(const GameRun& run, int frame)
{
    Image im;
    if (!ReadPng(run.Path("shots/frame_" + std::to_string(frame) + ".png"), &im)) return -1;
    long text = 0;
    for (int y = im.height * 52 / 100; y < im.height * 60 / 100; ++y)
        for (int x = im.width * 40 / 100; x < im.width * 60 / 100; ++x) {
            const std::uint8_t* p = im.Pixel(x, y);
            if (p[1] > 50 && p[2] * 2 < p[1] && p[1] >= p[0]) ++text;
        }
    return text;
}

std::string Dump(const GameRun& run, const RunResult& r) { return run.ReadFile("debug.txt") + "\n" + r.err; }

} // namespace

// Off until it is fitted to the merged data set: Intro 01's unit 200 is now the scripted escort,
// whose dialog offers no hire.
TEST(RadioE2E, DISABLED_CallingAShipOpensTheCommPanelAndADigitGivesItAnOrder)
{
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display (run under xvfb-run)";
    GameRun run("radiotalk");
    run.WriteGameIni(kIni);
    // F: the nearest friendly ship; C: call it; 2: "Do you want to work for us?";
    // 3: "Follow me." in the mercenary's own talk.
    run.SetInput("30 key F\n40 key C\n100 key 2\n160 key 3\n");
    run.SetEnv("KORVANE_FRAMES", "230");
    run.SetEnv("KORVANE_FRAME_MS", "30");  // the same game time for every frame on any machine
    run.SetEnv("KORVANE_SCREENSHOT", run.Path("shots"));
    run.SetEnv("KORVANE_SHOT_FRAMES", "20,90,150");
    RunResult r = run.Run(300);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> lines = run.DebugLines();
    EXPECT_TRUE(HasLine(lines, "CCommWindow: talk with unit 200 at line 0, 3 replies")) << Dump(run, r);
    EXPECT_TRUE(HasLine(lines, "CCommWindow: unit 200 hired")) << Dump(run, r);
    EXPECT_TRUE(HasLine(lines, "CCommWindow: talk with unit 200 at line 0, 6 replies")) << Dump(run, r);
    // Standing (0) before, guarding the player (2) after.
    EXPECT_TRUE(HasLine(lines, "CCommWindow: unit 200 given order 3, now order 2")) << Dump(run, r);

    const long before = PanelTextPixels(run, 20), talk = PanelTextPixels(run, 90), mercenary = PanelTextPixels(run, 150);
    ASSERT_GE(before, 0) << "no screenshot of frame 20";
    EXPECT_LT(before, 100);
    EXPECT_GT(talk, 600) << "the talk's texts are not in the panel";
    // Six replies and the names: more text than the three replies before.
    EXPECT_GT(mercenary, talk);
}

// Off for the same reason: it hires unit 200 first.
TEST(RadioE2E, DISABLED_RadioMenuOrdersTheHiredWingman)
{
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display (run under xvfb-run)";
    GameRun run("radiomenu");
    run.WriteGameIni(kIni);
    // Hire the fighter and close the talk (6: "Over and out."), then F3, 4: the fighters'
    // orders, 3: "Follow me.".
    // Everything starts once the location's fade-in (3 s) is over.
    run.SetInput("130 key F\n140 key C\n200 key 2\n260 key 6\n320 key F3\n420 key 4\n560 key 3\n");
    run.SetEnv("KORVANE_FRAMES", "620");
    run.SetEnv("KORVANE_FRAME_MS", "30");  // the same game time for every frame on any machine
    run.SetEnv("KORVANE_SCREENSHOT", run.Path("shots"));
    run.SetEnv("KORVANE_SHOT_FRAMES", "120,315,540,610");
    RunResult r = run.Run(400);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> lines = run.DebugLines();
    EXPECT_TRUE(HasLine(lines, "CCommWindow: unit 200 hired")) << Dump(run, r);
    EXPECT_TRUE(HasLine(lines, "CCommWindow: talk with unit 200 ended by reply 6")) << Dump(run, r);
    EXPECT_TRUE(HasLine(lines, "CRadioMenu: order 3 to unit 200, now order 2")) << Dump(run, r);
    EXPECT_TRUE(HasLine(lines, "CRadioMenu: order 3 to 1 fighters")) << Dump(run, r);

    // Measured against the cockpit before any talk: its rings and screens are green too.
    const long base = ThirdPanelPixels(run, 120);
    const long closed = ThirdPanelPixels(run, 315), page = ThirdPanelPixels(run, 540), after = ThirdPanelPixels(run, 610);
    ASSERT_GE(base, 0) << "no screenshot of frame 120";
    ASSERT_GE(closed, 0) << "no screenshot of frame 315";
    EXPECT_LT(closed, base + 150) << "the comm panel did not fold after the talk";
    EXPECT_GT(page, base + 250) << "the fighters' orders are not in the panel";
    EXPECT_LT(after, base + 150) << "the menu did not close after the order";
}
