// Radio talks and orders through the real binary in the Test Radio location (the player and
// one neutral fighter in front of it): F targets the fighter, C calls it, the comm panel
// rises with its texts, digits hire the pilot and give it an order; F3 opens the radio
// menu and its fighter page orders the new wing-man.
#include "harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char kIni[] = "[Game]\nSpace=1\nLanguage=1\n[Video]\nWindowed=1\n[Audio]\nVoice=0\n"
                    "[Misc]\nStart logo=0\nUse game menu=0\nCut scenes=0\nDebug out=1\n";

// The first start after boot turns "Voice" on whatever the ini says, and a voice ends by
// the sound device's own clock; after a short first start the runs stay silent, so a line
// lasts its reading time in game time.
void StartOnceSilently(GameRun& run)
{
    run.WriteGameIni(kIni);
    run.SetEnv("KORVANE_GFX", "null");
    run.SetEnv("KORVANE_FRAMES", "1");
    run.Run(60);
    run.UnsetEnv("KORVANE_GFX");
    run.WriteGameIni(kIni);
}

bool HasLine(const std::vector<std::string>& lines, const std::string& text)
{
    for (const std::string& l : lines)
        if (l == text) return true;
    return false;
}

bool IsTextColour(const std::uint8_t* p) { return p[1] > 50 && p[2] * 2 < p[1] && p[1] >= p[0]; }

// Counts of panel text (green to yellow with little blue: not the grey cockpit, the white
// stars or the orange head) in the third screen, the column left of the steering marker
// above the dashboard, that was not text in the base frame: the cockpit's rings and
// screens are green too, and they stay where they are.
struct PanelText {
    long pixels = -1;  // -1 without the screenshots
    int top = -1;      // the highest row with text, -1 for none
};

PanelText NewPanelText(const GameRun& run, int baseFrame, int frame)
{
    PanelText t;
    Image base, im;
    if (!ReadPng(run.Path("shots/frame_" + std::to_string(baseFrame) + ".png"), &base)) return t;
    if (!ReadPng(run.Path("shots/frame_" + std::to_string(frame) + ".png"), &im)) return t;
    if (base.width != im.width || base.height != im.height) return t;
    t.pixels = 0;
    for (int y = im.height * 33 / 100; y < im.height * 75 / 100; ++y) {
        int row = 0;
        for (int x = im.width * 1 / 100; x < im.width * 31 / 100; ++x)
            if (IsTextColour(im.Pixel(x, y)) && !IsTextColour(base.Pixel(x, y))) ++row;
        if (row >= 3 && t.top < 0) t.top = y;
        t.pixels += row;
    }
    return t;
}

bool IsFlame(const std::uint8_t* p) { return p[0] > 120 && p[0] > p[1] + 30 && p[2] * 2 < p[0]; }

// Flame pixels of the talking head (left in the third screen) that changed between two
// frames; -1 without the screenshots.
long HeadChange(const GameRun& run, int a, int b)
{
    Image one, two;
    if (!ReadPng(run.Path("shots/frame_" + std::to_string(a) + ".png"), &one)) return -1;
    if (!ReadPng(run.Path("shots/frame_" + std::to_string(b) + ".png"), &two)) return -1;
    if (one.width != two.width || one.height != two.height) return -1;
    long changed = 0;
    for (int y = one.height * 33 / 100; y < one.height * 75 / 100; ++y)
        for (int x = one.width * 1 / 100; x < one.width * 12 / 100; ++x) {
            const std::uint8_t *p = one.Pixel(x, y), *q = two.Pixel(x, y);
            if (!IsFlame(p) && !IsFlame(q)) continue;
            if (std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]) > 60) ++changed;
        }
    return changed;
}

std::string Dump(const GameRun& run, const RunResult& r) { return run.ReadFile("debug.txt") + "\n" + r.err; }

// Runs the radio test location with the replayed keys and screenshots of the frames named.
RunResult RunTestRadio(GameRun& run, const std::string& input, const char* frames, const char* shots)
{
    StartOnceSilently(run);
    run.SetEnv("KORVANE_LOCATION", "Test Radio");
    run.SetInput(input);
    run.SetEnv("KORVANE_FRAMES", frames);
    run.SetEnv("KORVANE_FRAME_MS", "30");  // the same game time for every frame on any machine
    run.SetEnv("KORVANE_SCREENSHOT", run.Path("shots"));
    run.SetEnv("KORVANE_SHOT_FRAMES", shots);
    return run.Run(100);
}

} // namespace

TEST(RadioE2E, CallingAShipOpensTheCommPanelAndADigitGivesItAnOrder)
{
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display (run under xvfb-run)";
    GameRun run("radiotalk");
    // After the location's fade-in (3 s): F: the nearest friendly ship; C: call it;
    // 2: "Do you want to work for us?" once the question is spoken (about 2 s);
    // 3: "Follow me." in the mercenary's own talk.
    RunResult r = RunTestRadio(run, "110 key F\n120 key C\n210 key 2\n270 key 3\n", "330",
                               "117,121,123,124,126,153,156,159,165,200,203,255");
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> lines = run.DebugLines();
    EXPECT_TRUE(HasLine(lines, "CCommWindow: talk with unit 103 at line 0, 3 replies")) << Dump(run, r);
    EXPECT_TRUE(HasLine(lines, "CCommWindow: unit 103 hired")) << Dump(run, r);
    EXPECT_TRUE(HasLine(lines, "CCommWindow: talk with unit 103 at line 0, 6 replies")) << Dump(run, r);
    // Standing (0) before, guarding the player (2) after.
    EXPECT_TRUE(HasLine(lines, "CCommWindow: unit 103 given order 3, now order 2")) << Dump(run, r);

    // The panel rises from the dashboard with the talk's rows (C at frame 120, rows in view
    // from 124, a third of a second to open); the mercenary's rows fill more of it.
    const PanelText rising = NewPanelText(run, 117, 124), half = NewPanelText(run, 117, 126);
    const PanelText talk = NewPanelText(run, 117, 165), mercenary = NewPanelText(run, 117, 255);
    ASSERT_GE(rising.pixels, 0) << "no screenshots of frames 117 and 121";
    EXPECT_GT(talk.pixels, 250) << "the talk's texts are not in the panel";
    EXPECT_GT(rising.top, half.top) << "the panel did not slide open";
    EXPECT_GT(half.top, talk.top) << "the panel did not slide open";
    EXPECT_GT(mercenary.pixels, talk.pixels + 100);
    EXPECT_LE(mercenary.top, talk.top);
    // The head flickers while the question is spoken and rests once it is said.
    const long speaking = std::max(HeadChange(run, 153, 156), HeadChange(run, 156, 159));
    EXPECT_GT(speaking, 100) << "the head does not move while the line is spoken";
    EXPECT_LT(HeadChange(run, 200, 203), 20) << "the head does not rest after the line";
}

TEST(RadioE2E, RadioMenuOrdersTheHiredWingman)
{
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display (run under xvfb-run)";
    GameRun run("radiomenu");
    // Hire the fighter and close the talk (6: "Over and out."), then F3, 4: the fighters'
    // orders, 3: "Follow me.".
    RunResult r = RunTestRadio(run, "110 key F\n120 key C\n180 key 2\n240 key 6\n300 key F3\n360 key 4\n440 key 3\n",
                               "500", "117,295,420,490");
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> lines = run.DebugLines();
    EXPECT_TRUE(HasLine(lines, "CCommWindow: unit 103 hired")) << Dump(run, r);
    EXPECT_TRUE(HasLine(lines, "CCommWindow: talk with unit 103 ended by reply 6")) << Dump(run, r);
    // Left standing by the talk, guarding the player only after the menu's order.
    for (const std::string& l : lines)
        EXPECT_EQ(l.find("CCommWindow: unit 103 given order"), std::string::npos) << l;
    EXPECT_TRUE(HasLine(lines, "CRadioMenu: order 3 to unit 103, now order 2")) << Dump(run, r);
    EXPECT_TRUE(HasLine(lines, "CRadioMenu: order 3 to 1 fighters")) << Dump(run, r);

    // Measured against the cockpit before any talk.
    const PanelText closed = NewPanelText(run, 117, 295), page = NewPanelText(run, 117, 420);
    const PanelText after = NewPanelText(run, 117, 490);
    ASSERT_GE(closed.pixels, 0) << "no screenshots of frames 117 and 295";
    EXPECT_LT(closed.pixels, 60) << "the comm panel did not fold after the talk";
    EXPECT_GT(page.pixels, 250) << "the fighters' orders are not in the panel";
    EXPECT_LT(after.pixels, 60) << "the menu did not close after the order";
}
