#include "world/game_clock.h"

#include "app/wndproc.h"
#include "audio/audio_manager.h"
#include "platform/win/timer.h"

CGameClock g_GameClock;

namespace {
constexpr double kStartTime = 60000.0;
// A stall (loading, a dragged window) slows the game down instead of making it jump.
constexpr std::uint32_t kMaxDeltaMs = 50;
}  // namespace

void CGameClock::Reset()
{
    lastTick = timeGetTime();
    frameSeconds = 0.0f;
    realFrameSeconds = 0.0f;
    gameTime = realTime = savedTime = kStartTime;
    timeScale = 1.0f;
}

void CGameClock::Tick()
{
    TickAt(timeGetTime());
}

void CGameClock::TickAt(std::uint32_t now)
{
    if (g_DebugView && g_KeyPageUp) {
        if (timeScale < 32.0f) timeScale *= 2.0f;
        g_KeyPageUp = 0;
    }
    if (g_DebugView && g_KeyPageDown) {
        if (timeScale >= 0.25f) timeScale *= 0.5f;
        g_KeyPageDown = 0;
    }
    std::uint32_t delta = now - lastTick;  // unsigned: a counter wrap still subtracts right
    lastTick = now;
    if (delta > kMaxDeltaMs) delta = kMaxDeltaMs;
    realTime += double(delta);
    realFrameSeconds = float(delta) * 0.001f;
    double scaled = double(delta) * double(timeScale);
    frameSeconds = float(scaled * 0.001);
    gameTime += scaled;
}

void CGameClock::Pause()
{
    savedTime = gameTime;
    timeScale = 0.0f;
    PauseAllSounds();
}

void CGameClock::Resume()
{
    // Only a paused clock returns to its saved time: a running one would jump back.
    if (IsPaused()) gameTime = savedTime;
    timeScale = 1.0f;
    lastTick = timeGetTime();  // the paused span never reaches the next delta
    g_AudioManager.ResumeAll();
}

float CGameClock::SecondsSince(std::uint32_t stamp) const
{
    return float((gameTime - double(stamp)) * 0.001);
}
