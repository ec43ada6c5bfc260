// The planet world's step of a unit.
#include "world/objects/unit.h"

// The planet behaviour (people, vehicles, animation) is not in the game yet: a unit
// keeps its place between frames.
void CUnit::UpdatePlanet() {}
