// The dock time of a ship that stays docked until told to leave.
#pragma once
#include <cstdint>

constexpr uint32_t kStaysDocked = 0xFFFFFFFFu;
