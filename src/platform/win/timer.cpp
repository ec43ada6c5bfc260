#include "platform/win/timer.h"
#include <ctime>

std::uint32_t timeGetTime()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    std::uint64_t ms = std::uint64_t(ts.tv_sec) * 1000u + std::uint64_t(ts.tv_nsec) / 1000000u;
    return std::uint32_t(ms);
}
