// Small vector helpers of the game code.
#pragma once
#include "platform/math/math3d.h"

// The unit vector of v (a zero vector stays zero).
inline Vec3 Vec3Normalized(const Vec3& v)
{
    return Vec3Normalize(v);
}
