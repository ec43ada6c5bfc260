// The game clock: game time in milliseconds (from 60000), the frame time in
// seconds and the time scale (0 while paused).
#pragma once
#include <cstdint>

class CGameClock {
public:
    std::uint32_t lastTick = 0;
    float frameSeconds = 0.0f;
    double gameTime = 60000.0;
    double realTime = 60000.0;
    double savedTime = 60000.0;
    float timeScale = 1.0f;

    void Reset();
    void Tick();
    void Pause();
    void Resume();
    float SecondsSince(std::uint32_t stamp) const;
    // Game time in whole milliseconds.
    std::uint32_t NowMs() const { return std::uint32_t(gameTime); }
    bool IsPaused() const { return timeScale == 0.0f; }
};

extern CGameClock g_GameClock;
