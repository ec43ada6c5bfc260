#include "world/game_clock.h"
#include "audio/audio_manager.h"
#include "platform/win/timer.h"

CGameClock g_GameClock;

void CGameClock::Reset()
{
    lastTick = timeGetTime();
    frameSeconds = 0.0f;
    gameTime = realTime = savedTime = 60000.0;
    timeScale = 1.0f;
}

void CGameClock::Tick()
{
    std::uint32_t now = timeGetTime();
    std::uint32_t delta = now - lastTick;
    lastTick = now;
    if (delta > 50)
        delta = 50;
    realTime += delta;
    frameSeconds = float(delta) * 0.001f * timeScale;
    gameTime += double(delta) * timeScale;
}

void CGameClock::Pause()
{
    savedTime = gameTime;
    timeScale = 0.0f;
    PauseAllSounds();
}

void CGameClock::Resume()
{
    timeScale = 1.0f;
    gameTime = savedTime;
    lastTick = timeGetTime();
    g_AudioManager.ResumeAll();
}

float CGameClock::SecondsSince(std::uint32_t stamp) const
{
    return float((gameTime - double(stamp)) * 0.001);
}
