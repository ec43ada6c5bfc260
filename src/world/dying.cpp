// Dying in space. Not in the game yet: a dead unit stays where it died.
#include "world/unit.h"

void CUnit::UpdateDying(float) {}
