// The space scene scripts' step of a unit. Not in the game yet: a scripted unit just
// carries out its order.
#include "world/objects/unit.h"

void CUnit::RunSpaceScript(int, float) {}
