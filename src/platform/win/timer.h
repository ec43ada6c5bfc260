// The multimedia timer: monotonic milliseconds as a wrapping 32-bit value.
#pragma once
#include <cstdint>

std::uint32_t timeGetTime();
