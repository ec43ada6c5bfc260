// The game binary on the gl device under Xvfb: its window shows presented frames (read back
// through KORVANE_SCREENSHOT as frame_<n>.png), and the device-lost switch runs the lost,
// not-reset and reset path without ending the game. Without the game menu the game goes
// straight into the director's first space location and runs its frame loop; the frame
// switch counts pump passes too, so it is set high enough for the loop to present.
#include "harness.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(GfxGameE2E, WindowShowsFramesDrawnByGl)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no display (run under xvfb-run)";
    GameRun run("gfxframes");
    run.WriteGameIni("[Game]\nSpace=1\n[Video]\nWindowed=1\nVideo mode=100\n[Misc]\nStart logo=0\nDebug out=1\n"
                     "Use game menu=0\n");
    run.SetEnv("KORVANE_FRAMES", "1500");
    run.SetEnv("KORVANE_SCREENSHOT", run.Path("shots"));
    run.SetEnv("KORVANE_SHOT_FRAMES", "3,8");
    RunResult r = run.Run(180);  // a full space location at the desktop size: slow on a loaded machine
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
    ASSERT_EQ(shots.size(), 2u) << "the frame loop presented no frame 3 or 8\n" << r.err;
    Image img;
    ASSERT_TRUE(ReadPng(run.Path("shots/frame_8.png"), &img));
    // "Video mode" 100 is the desktop's mode: the frame is the whole Xvfb screen.
    EXPECT_EQ(img.width, 1280);
    EXPECT_EQ(img.height, 1024);
    EXPECT_EQ(run.IniValue("Video", "Video mode"), "3") << "the mode row of the desktop size is saved";
}

TEST(GfxGameE2E, DeviceLostAndResetKeepTheGameRunning)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no display (run under xvfb-run)";
    GameRun run("gfxlost");
    run.WriteGameIni("[Game]\nSpace=1\n[Video]\nWindowed=1\n[Misc]\nStart logo=0\nDebug out=1\nUse game menu=0\n");
    run.SetEnv("KORVANE_FRAMES", "1500");
    run.SetEnv("KORVANE_DEVICE_LOST", "4,8");
    run.SetEnv("KORVANE_SCREENSHOT", run.Path("shots"));
    run.SetEnv("KORVANE_SHOT_FRAMES", "10");
    RunResult r = run.Run(180);  // a full space location at the desktop size: slow on a loaded machine
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("D3D device is lost"), std::string::npos) << r.err;
    bool ended = false;
    for (auto& l : run.DebugLines())
        ended |= l == "CD3DRender::FreeD3DRender() done!";
    EXPECT_TRUE(ended);
    // Frames are presented again after the reset.
    EXPECT_EQ(ListPngs(run.Path("shots")).size(), 1u) << "no frame 10 after the reset\n" << r.err;
}
