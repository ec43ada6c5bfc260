// Sector 1 reached from the start runs its scenes and traffic for a good while, and no scene reports a missing unit or dialog line. The frame rate
// between two screenshots is printed (the figure for the busy-sector speed check).
#include "harness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

const char kIni[] = "[Game]\nSpace=1\n[Video]\nWindowed=1\nVideo mode=100\n[Misc]\nStart logo=0\nUse game menu=0\n"
                    "Cut scenes=1\nDebug out=1\n";

// Share of pixels brighter than a dark background.
double LitShare(const Image& image)
{
    size_t lit = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t* p = image.Pixel(x, y);
            lit += p[0] + p[1] + p[2] > 60;
        }
    return image.width ? double(lit) / (double(image.width) * image.height) : 0.0;
}

} // namespace

TEST(SectorScenesE2E, SectorOneRunsItsScenesWithNothingMissing)
{
    GameRun run("sectorscenes");
    ASSERT_TRUE(std::filesystem::exists(run.Path("Save/Skip/Sector 01.dat"))) << GameDirectory();
    run.WriteGameIni(kIni);
    run.SetInput("10 key_down SPACE\n2400 key_up SPACE\n");
    const std::string shots = run.Path("shots");
    RunResult r = run.RunFrames(4900, "3000,4800", 600);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;

    const std::vector<std::string> lines = run.DebugLines();
    bool inSector = false;
    for (const std::string& l : lines) {
        inSector = inSector || l.rfind("Location 1: Data/Locations.Space/Sector 01", 0) == 0;
        EXPECT_EQ(l.rfind("Scene:", 0), std::string::npos) << l;
    }
    EXPECT_TRUE(inSector) << run.ReadFile("debug.txt");

    const std::vector<std::string> pngs = ListPngs(shots);
    ASSERT_EQ(pngs.size(), 2u);
    Image late;
    ASSERT_TRUE(ReadPng(pngs[1], &late));
    // The player starts docked in the hero station until the arrival scene takes him out:
    // nothing of the sector may flood the view meanwhile.
    EXPECT_GT(late.width, 0);
    EXPECT_LT(LitShare(late), 0.98);
    const auto t0 = std::filesystem::last_write_time(pngs[0]), t1 = std::filesystem::last_write_time(pngs[1]);
    const double seconds = std::chrono::duration<double>(t1 - t0).count();
    if (seconds > 0.0)
        std::printf("sector 1 at %dx%d: %.1f frames per second\n", late.width, late.height, 1800.0 / seconds);
}
