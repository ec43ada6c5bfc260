#include "world/unit_behaviour.h"

#include "world/object_codes.h"
#include "world/unit.h"

// The planet behaviour is not in the game yet: a person keeps its place between frames.
void UnitUpdatePlanet(CUnit*) {}

bool UnitIsHostileTo(const CUnit* unit, const CUnit* other)
{
    if (!unit || !other) return false;
    const int a = unit->pilot.side, b = other->pilot.side;
    if (a < 0 || b < 0 || a > 3 || b > 3 || a == b) return false;
    if (a <= 1) return b >= 2;
    return true;  // 2 and 3 against every other side
}

bool UnitIsFriendlyTo(const CUnit* unit, const CUnit* other)
{
    return !UnitIsHostileTo(unit, other);
}

bool UnitIsCraftIn(const CUnit* unit, int worldIndex)
{
    if (!unit) return false;
    const unsigned c = unit->objectClass;
    if (worldIndex != 0) return c == GCLASS_SPACE_SHIP;
    return c == GCLASS_OBJECT_FLY || c == GCLASS_OBJECT_WALK || c == GCLASS_CHARACTER_HERO ||
           c == GCLASS_CHARACTER_NPC || c == GCLASS_ITEM || c == GCLASS_SPACE_SHIP;
}
