// Sector 3 played from its start: at the desk of the hero station the player answers
// "Спасибо." and "Я улетаю.", the bay launches his ship, he ends the station's greeting and
// flies out to the mine, where the spawned traffic transports come to load. He stops beside
// the mine's line-up point, outside its gate, and waits. The first transport to arrive hails
// him on the 30-s mark of game time 240 s: the comm panel shows its pilot and ship, and his
// reply ends the talk.
#include "sector_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>

namespace {

// Share of the region's pixels that stand out of the dark panel (a head, a hull, text).
double LitShare(const Image& image, const Region& r)
{
    int lit = 0, all = 0;
    for (int y = r.y; y < r.y + r.height && y < image.height; ++y)
        for (int x = r.x; x < r.x + r.width && x < image.width; ++x, ++all) {
            const std::uint8_t* p = image.Pixel(x, y);
            lit += p[0] + p[1] + p[2] > 240;
        }
    return all ? double(lit) / all : 0.0;
}

}  // namespace

TEST(SectorTrafficE2E, ATransportComingToTheMineHailsThePlayerWaitingAtItsGate)
{
    GameRun run("traffic-hail");
    const SectorWindow window;
    std::string input = PrepareSectorRun(run, 3, window);
    input += window.Click(1250, 144, 530);  // the desk's greeting: "Спасибо."
    input += window.Click(1350, 144, 493);  // "Что вам нужно?": "Я улетаю." (over the greeting's two rows)
    input += "1860 key 3\n"                            // launched: the station's greeting ends
             "1960 key_down LEFT\n1980 key_up LEFT\n"  // about 57 degrees to the left, at the mine
             "1990 key_down W\n2050 key_up W\n"        // full speed
             "3280 key_down S\n3320 key_up S\n";       // stop some 400 beside the line-up point
    // Game time 240 s falls on frame 3859. A ship that hailed on an earlier mark is answered
    // first. The bays of the mine and the home station announce every loading over the
    // radio, and such a line would hold the radio on the mark: the player keeps it busy with
    // a talk to his station (F2 until it opens) and ends that talk just before the mark.
    // Then he answers the transport.
    input += "3690 key 1\n";
    for (int f = 3700; f <= 3830; f += 10) input += std::to_string(f) + " key F2\n";
    input += "3846 key 3\n"
             "3910 key 1\n";
    run.SetInput(input);
    const std::string shots = run.Path("shots");
    RunResult r = run.RunFrames(3960, "3854,3885,3940", 240);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;

    const std::vector<std::string> lines = run.DebugLines();
    const std::string log = run.ReadFile("debug.txt");
    ASSERT_TRUE(LogHasPrefix(lines, "Location 3: Data/Locations.Space/Sector 03")) << log;
    EXPECT_TRUE(LogHasPrefix(lines, "CCommWindow: talk with unit 1000 ended by reply 3")) << log;
    // The transport (whatever id its bay gave it, never the station's 1000): line 5 is the
    // greeting of a ship on its way in, line 6 that of one leaving.
    const std::regex greeting(R"(CCommWindow: talk with unit (-?\d+) at line [56],.*)");
    const std::regex answered(R"(CCommWindow: talk with unit (-?\d+) ended by reply 1)");
    auto byTransport = [&](const std::regex& re) {
        std::smatch m;
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
            return std::regex_match(l, m, re) && m[1] != "1000";
        });
    };
    EXPECT_TRUE(byTransport(greeting)) << log;
    EXPECT_TRUE(byTransport(answered)) << log;
    EXPECT_FALSE(LogHasPrefix(lines, "EndGame(")) << log;
    for (const std::string& l : MissingContentLines(lines)) ADD_FAILURE() << l;

    Image before, during, after;
    ASSERT_TRUE(ReadPng(shots + "/frame_3854.png", &before));
    ASSERT_TRUE(ReadPng(shots + "/frame_3885.png", &during));
    ASSERT_TRUE(ReadPng(shots + "/frame_3940.png", &after));
    ASSERT_EQ(during.width, window.width);
    // The comm window's panel left of the steering marker, over the dashboard: closed before
    // the call and after the reply; during the talk it shows the pilot's head and lines, and
    // the caller's hull in its view on the right.
    const Region panel{6, 292, 190, 55};
    const Region hull{134, 292, 62, 55};
    const double was = LitShare(before, panel), is = LitShare(during, panel), ended = LitShare(after, panel);
    // Closed shows a few stars (under 0.01); the transport's talk about 0.09 with its hull
    // filling a fifth of its view.
    EXPECT_LT(was, 0.02) << was;
    EXPECT_LT(ended, 0.02) << ended;
    EXPECT_GT(is, was + 0.03) << was << " -> " << is;
    EXPECT_GT(LitShare(during, hull), 0.08) << LitShare(during, hull);
}
