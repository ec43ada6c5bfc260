// The cockpit in a space location through the real binary: its three panels lit, the
// target screen and the marker after T picks the station ahead, and both still drawn
// after a lost device is reset.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "harness.h"

namespace {

// Places measured as shares of the picture: the cockpit model and the view are the same
// at every window size.
struct Share {
    double x0, y0, x1, y1;
};
constexpr Share kTargetScreen{0.178, 0.730, 0.376, 0.995};
constexpr Share kTargetView{0.265, 0.754, 0.358, 0.944};
constexpr Share kTargetDistance{0.287, 0.944, 0.376, 0.995};
constexpr Share kRadar{0.400, 0.730, 0.600, 0.900};  // above the caption's black plate
constexpr Share kSystemScreen{0.625, 0.730, 0.823, 0.995};
constexpr Share kDashboard{0.135, 0.800, 0.170, 0.950};
// Round the station ahead, above the centre (the steering marker stays below 0.33).
constexpr Share kStation{0.440, 0.130, 0.560, 0.300};

Region At(const Image& im, const Share& s)
{
    return Region{int(s.x0 * im.width), int(s.y0 * im.height), int((s.x1 - s.x0) * im.width),
                  int((s.y1 - s.y0) * im.height)};
}

// Pixels of the marker's green: bright green with little red and blue.
int MarkerPixels(const Image& im, const Share& s)
{
    const Region r = At(im, s);
    int n = 0;
    for (int y = r.y; y < r.y + r.height; ++y)
        for (int x = r.x; x < r.x + r.width; ++x) {
            const uint8_t* p = im.Pixel(x, y);
            n += p[1] > 70 && p[1] > 2 * (p[0] + p[2]);
        }
    return n;
}

// Share of grey lit pixels (a model in a panel's view).
double LitShare(const Image& im, const Share& s)
{
    const Region r = At(im, s);
    int n = 0;
    for (int y = r.y; y < r.y + r.height; ++y)
        for (int x = r.x; x < r.x + r.width; ++x) {
            const uint8_t* p = im.Pixel(x, y);
            n += p[0] + p[1] + p[2] > 240;
        }
    return double(n) / double(r.width * r.height);
}

// Rows holding green text: "-------" fills one or two, digits many.
int TextRows(const Image& im, const Share& s)
{
    const Region r = At(im, s);
    int rows = 0;
    for (int y = r.y; y < r.y + r.height; ++y) {
        bool lit = false;
        for (int x = r.x; x < r.x + r.width && !lit; ++x) {
            const uint8_t* p = im.Pixel(x, y);
            lit = p[1] > 120 && p[0] < 70 && p[2] < 70;
        }
        rows += lit;
    }
    return rows;
}

void ExpectPanelsLit(const Image& im, const char* when)
{
    const double dash = MeanColour(im, At(im, kDashboard)).g;
    for (const Share* s : {&kTargetScreen, &kRadar, &kSystemScreen}) {
        const Colour c = MeanColour(im, At(im, *s));
        EXPECT_GT(c.g, dash + 10.0) << when << ": a panel at x " << s->x0 << " is dark";
        EXPECT_GT(c.g, c.r) << when << ": a panel at x " << s->x0 << " is not the panels' green";
    }
}

} // namespace

TEST(CockpitE2E, PanelsTargetMarkerAndDeviceReset)
{
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display (run under xvfb-run)";
    GameRun run("cockpit");
    run.WriteGameIni("[Game]\nSpace=1\n[Video]\nWindowed=1\n[Misc]\nStart logo=0\nDebug out=1\nUse game menu=0\n"
                     "Cut scenes=0\n");
    run.SetInput("60 key T\n");
    run.SetEnv("KORVANE_FRAMES", "125");
    run.SetEnv("KORVANE_FRAME_MS", "50");  // the location's fade-in is over whatever the machine's speed
    run.SetEnv("KORVANE_DEVICE_LOST", "85,89");
    run.SetEnv("KORVANE_SCREENSHOT", run.Path("shots"));
    run.SetEnv("KORVANE_SHOT_FRAMES", "55,75,115");
    RunResult r = run.Run(120);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("D3D device is lost"), std::string::npos) << r.err;

    Image before, after, reset;
    ASSERT_TRUE(ReadPng(run.Path("shots/frame_55.png"), &before)) << r.err;
    ASSERT_TRUE(ReadPng(run.Path("shots/frame_75.png"), &after));
    ASSERT_TRUE(ReadPng(run.Path("shots/frame_115.png"), &reset)) << "no frame after the reset";

    ExpectPanelsLit(before, "before T");
    ExpectPanelsLit(after, "after T");
    ExpectPanelsLit(reset, "after the reset");

    // Without a target the screen shows the player's own ship: "-------" for the distance,
    // and no bracket over the station.
    EXPECT_LT(MarkerPixels(before, kStation), 40);
    EXPECT_LE(TextRows(before, kTargetDistance), 2);
    // T picks the station: the bracket sits round it, the screen shows its model and its
    // distance in digits.
    EXPECT_GT(MarkerPixels(after, kStation), 150);
    // The station stands 3 km off in this intro: its model fills a modest share of the view.
    EXPECT_GT(LitShare(after, kTargetView), 0.012);
    EXPECT_GT(RegionDifference(before, after, At(after, kTargetView)), 5.0);
    EXPECT_GE(TextRows(after, kTargetDistance), 4);
    // After the device came back the panels and the marker are drawn as before.
    EXPECT_GT(MarkerPixels(reset, kStation), 150);
    EXPECT_GT(LitShare(reset, kTargetView), 0.012);
    EXPECT_GE(TextRows(reset, kTargetDistance), 4);
}

// On the planet the pointer over a person turns into the person pointer and, after half a
// second on it, names the person.
TEST(CockpitE2E, PointerNamesThePersonUnderIt)
{
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display (run under xvfb-run)";
    GameRun run("pointer");
    run.WriteGameIni("[Game]\nSpace=0\n[Video]\nWindowed=1\nVideo mode=100\n[Misc]\nStart logo=0\nDebug out=1\n"
                     "Use game menu=0\nCut scenes=0\n");
    // The guide stands left of the transport, seen from the loader's camera: at a share
    // (0.284, 0.477) of the 1280 x 1024 picture.
    const int mx = int(0.284 * 1280), my = int(0.477 * 1024);
    run.SetInput("50 mouse_move " + std::to_string(mx) + " " + std::to_string(my) + "\n");
    run.SetEnv("KORVANE_FRAMES", "120");
    run.SetEnv("KORVANE_FRAME_MS", "50");  // past the location's fade-in
    run.SetEnv("KORVANE_SCREENSHOT", run.Path("shots"));
    run.SetEnv("KORVANE_SHOT_FRAMES", "110");
    RunResult r = run.Run(120);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    int named = 0;
    for (const std::string& l : run.DebugLines()) named += l == "Pointer: Проводник";
    EXPECT_GE(named, 1) << "the guide is not named";

    Image im;
    ASSERT_TRUE(ReadPng(run.Path("shots/frame_110.png"), &im));
    ASSERT_EQ(im.width, 1280);
    // The person pointer: a green ring round the pointer's place, over the grass.
    int ring = 0;
    for (int y = my - 20; y < my + 20; ++y)
        for (int x = mx - 20; x < mx + 20; ++x) {
            const uint8_t* p = im.Pixel(x, y);
            ring += p[1] > 200 && p[0] < 140 && p[2] < 140;
        }
    EXPECT_GT(ring, 40);
}
