// The game clock: clamped deltas, pause and resume, the debug time scale and stamps.
#include <gtest/gtest.h>

#include "app/wndproc.h"
#include "world/game_clock.h"

namespace {

CGameClock Fresh(uint32_t start)
{
    CGameClock c;
    c.Reset();
    c.lastTick = start;
    return c;
}

}  // namespace

TEST(GameClock, TickAddsTheRealDeltaAtScaleOne)
{
    CGameClock c = Fresh(1000);
    c.TickAt(1016);
    EXPECT_DOUBLE_EQ(c.gameTime, 60016.0);
    EXPECT_DOUBLE_EQ(c.realTime, 60016.0);
    EXPECT_FLOAT_EQ(c.frameSeconds, 0.016f);
    EXPECT_FLOAT_EQ(c.realFrameSeconds, 0.016f);
    EXPECT_EQ(c.NowMs(), 60016u);
}

TEST(GameClock, StallIsClampedTo50Ms)
{
    CGameClock c = Fresh(0);
    c.TickAt(200);
    EXPECT_DOUBLE_EQ(c.gameTime, 60050.0);
    EXPECT_FLOAT_EQ(c.realFrameSeconds, 0.05f);
    EXPECT_EQ(c.lastTick, 200u);
}

TEST(GameClock, SameMillisecondGivesZeroRealFrameTime)
{
    CGameClock c = Fresh(500);
    c.TickAt(510);
    c.TickAt(510);
    EXPECT_EQ(c.realFrameSeconds, 0.0f);
    EXPECT_EQ(c.frameSeconds, 0.0f);
}

TEST(GameClock, CounterWrapStillSubtractsRight)
{
    CGameClock c = Fresh(0xFFFFFFF0u);
    c.TickAt(0x00000004u);  // 20 ms later across the wrap
    EXPECT_DOUBLE_EQ(c.gameTime, 60020.0);
}

TEST(GameClock, PauseStopsGameTimeAndResumeRestoresIt)
{
    CGameClock c = Fresh(0);
    c.TickAt(30);
    c.Pause();
    EXPECT_TRUE(c.IsPaused());
    const double atPause = c.gameTime;
    // Ten seconds of frames while paused: real time runs, game time stands.
    for (uint32_t t = 46; t <= 10030; t += 16) c.TickAt(t);
    EXPECT_DOUBLE_EQ(c.gameTime, atPause);
    EXPECT_EQ(c.frameSeconds, 0.0f);
    EXPECT_GT(c.realTime, 60030.0 + 9000.0);
    c.Resume();
    EXPECT_EQ(c.timeScale, 1.0f);
    EXPECT_DOUBLE_EQ(c.gameTime, atPause);
}

TEST(GameClock, DebugViewScalesByPowersOfTwoWithinLimits)
{
    const int oldDebug = g_DebugView;
    g_DebugView = 1;
    CGameClock c = Fresh(0);
    uint32_t t = 0;
    for (int i = 0; i < 8; ++i) {
        g_KeyPageUp = 1;
        c.TickAt(t += 10);
        EXPECT_EQ(g_KeyPageUp, 0);
    }
    EXPECT_EQ(c.timeScale, 32.0f);  // doubled five times, then refused
    for (int i = 0; i < 12; ++i) {
        g_KeyPageDown = 1;
        c.TickAt(t += 10);
    }
    EXPECT_EQ(c.timeScale, 0.125f);  // a halving from 0.125 is refused
    const double before = c.gameTime;
    c.TickAt(t += 40);
    EXPECT_DOUBLE_EQ(c.gameTime, before + 5.0);
    EXPECT_FLOAT_EQ(c.frameSeconds, 0.005f);
    EXPECT_FLOAT_EQ(c.realFrameSeconds, 0.04f);

    // Without the debug view the keys change nothing and stay set.
    g_DebugView = 0;
    g_KeyPageUp = 1;
    c.TickAt(t += 10);
    EXPECT_EQ(c.timeScale, 0.125f);
    EXPECT_EQ(g_KeyPageUp, 1);
    g_KeyPageUp = 0;
    g_DebugView = oldDebug;
}

TEST(GameClock, SecondsSinceStamps)
{
    CGameClock c = Fresh(0);
    c.TickAt(16);
    EXPECT_EQ(c.SecondsSince(c.NowMs()), 0.0f);
    EXPECT_FLOAT_EQ(c.SecondsSince(59016), 1.0f);
    EXPECT_LT(c.SecondsSince(90000), 0.0f);  // a stamp from before a reset
}

TEST(GameClock, LongRunsKeepWholeMilliseconds)
{
    // Ten hours of 16 ms frames: a float game time would have drifted by seconds.
    CGameClock c = Fresh(0);
    uint32_t t = 0;
    const int frames = 10 * 3600 * 1000 / 16;
    for (int i = 0; i < frames; ++i) c.TickAt(t += 16);
    EXPECT_DOUBLE_EQ(c.gameTime, 60000.0 + 16.0 * frames);
    EXPECT_EQ(c.NowMs(), uint32_t(60000u + 16u * frames));
}

TEST(GameClock, ResetStartsAt60Seconds)
{
    CGameClock c = Fresh(0);
    c.TickAt(40);
    c.timeScale = 4.0f;
    c.Reset();
    EXPECT_DOUBLE_EQ(c.gameTime, 60000.0);
    EXPECT_DOUBLE_EQ(c.savedTime, 60000.0);
    EXPECT_EQ(c.timeScale, 1.0f);
    EXPECT_EQ(c.frameSeconds, 0.0f);
}
