// Damage reaching a unit. The hit handling (kills, debris, radio lines) is not in the
// game yet: a hit changes nothing. The spark slot is the first filled of slots 1 to 3.
#include "world/unit.h"

void CUnit::TakeHit(float, CUnit*, const Vec3&, const Vec3*) {}

bool CUnit::IsHostileTo(const CUnit* other) const
{
    if (!other) return false;
    const int a = pilot.side, b = other->pilot.side;
    if (a < 0 || b < 0 || a > 3 || b > 3 || a == b) return false;
    if (a <= 1) return b >= 2;
    return true;  // 2 and 3 against every other side
}

bool CUnit::IsFriendlyTo(const CUnit* other) const { return !IsHostileTo(other); }

int CUnit::GetSparkSlot() const
{
    for (int slot = DERIVED_SPARK_1; slot <= DERIVED_SPARK_3; ++slot)
        if (derivedUnits[slot]) return slot;
    return DERIVED_NONE;
}
