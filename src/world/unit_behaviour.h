// Unit operations that the world's frame and queries call and that the unit record
// does not declare yet: the planet-world step and the side tests. Each stands for the
// CUnit member of the same name (UnitUpdatePlanet for CUnit::UpdatePlanet ...) until the
// behaviour code moves it into the class.
#pragma once

class CUnit;

// The step of a frame in the planet world.
void UnitUpdatePlanet(CUnit* unit);
// Sides 0 and 1 against 2 and 3, 2 against 0, 1 and 3, 3 against 0, 1 and 2; the same
// side and an unset side (-1) are never hostile.
bool UnitIsHostileTo(const CUnit* unit, const CUnit* other);
bool UnitIsFriendlyTo(const CUnit* unit, const CUnit* other);
// Craft classes of a world (the unit's own test reads g_WorldIndex).
bool UnitIsCraftIn(const CUnit* unit, int worldIndex);
