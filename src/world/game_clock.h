// The game clock: game time in milliseconds (from 60000), the frame time in seconds,
// scaled and real, and the time scale (0 while paused).
#pragma once
#include <cstdint>

class CGameClock {
public:
    std::uint32_t lastTick = 0;       // timeGetTime at the last tick
    float frameSeconds = 0.0f;        // scaled: what game logic moves by
    float realFrameSeconds = 0.0f;    // unscaled
    // Milliseconds. Doubles, so hours of play add whole milliseconds without rounding.
    double gameTime = 60000.0;
    double realTime = 60000.0;
    double savedTime = 60000.0;       // game time kept while paused
    float timeScale = 1.0f;           // 1 normally, 0 paused, 0.125 ... 32 in the debug view

    void Reset();
    void ResetTwin() { Reset(); }
    void Tick();
    // The tick with an explicit clock reading (Tick reads timeGetTime).
    void TickAt(std::uint32_t now);
    void Pause();
    void Resume();
    // (game time - stamp) * 0.001, the stamp read as an unsigned millisecond count.
    float SecondsSince(std::uint32_t stamp) const;
    // Game time in whole milliseconds, the fraction dropped: the stamp of timed steps.
    std::uint32_t NowMs() const { return std::uint32_t(gameTime); }
    bool IsPaused() const { return timeScale == 0.0f; }
};

extern CGameClock g_GameClock;
