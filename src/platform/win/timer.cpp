#include "platform/win/timer.h"
#include <cstdlib>
#include <ctime>

#include "platform/win/test_switches.h"

std::uint32_t RealTimeMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    std::uint64_t ms = std::uint64_t(ts.tv_sec) * 1000u + std::uint64_t(ts.tv_nsec) / 1000000u;
    return std::uint32_t(ms);
}

unsigned FrameStepMs()
{
    // KORVANE_FRAME_MS: every frame takes the same time, however fast the machine is.
    static const unsigned step = [] {
        const char* s = std::getenv("KORVANE_FRAME_MS");
        const long v = s ? std::strtol(s, nullptr, 10) : 0;
        return v > 0 && v <= 1000 ? unsigned(v) : 0u;
    }();
    return step;
}

std::uint32_t timeGetTime()
{
    const unsigned step = FrameStepMs();
    if (!step) return RealTimeMs();
    static const std::uint32_t base = RealTimeMs();
    return base + PlatformFrameCount() * step;
}
