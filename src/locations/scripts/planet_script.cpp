// The planet scene scripts' step of a unit. Not in the game yet: a scripted person
// just carries out its order.
#include "world/objects/unit.h"

void CUnit::RunPlanetScript(int, float) {}
