// Damage reaching a unit. The hit handling (kills, debris, radio lines) is not in the
// game yet: a hit changes nothing. The spark slot is the first filled of slots 1 to 3.
#include "world/unit.h"

void CUnit::TakeHit(float, CUnit*, const Vec3&, const Vec3*) {}

int CUnit::GetSparkSlot() const
{
    for (int slot = DERIVED_SPARK_1; slot <= DERIVED_SPARK_3; ++slot)
        if (derivedUnits[slot]) return slot;
    return DERIVED_NONE;
}
