// The multimedia timer: monotonic milliseconds as a wrapping 32-bit value. With the test
// switch KORVANE_FRAME_MS it advances by that step per frame instead.
#pragma once
#include <cstdint>

std::uint32_t timeGetTime();
// The KORVANE_FRAME_MS step, 0 when the switch is off.
unsigned FrameStepMs();
// The real monotonic clock, whatever the test switches say.
std::uint32_t RealTimeMs();
