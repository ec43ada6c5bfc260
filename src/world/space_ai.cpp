// The space AI's order handlers. The behaviour itself is not in the game yet: until it
// is, an AI ship keeps its order and its throttle.
#include "world/unit.h"

void CUnit::ChooseDefaultAction(float) {}
void CUnit::SpaceActGuard(float) {}
void CUnit::SpaceActAttack(float) {}
void CUnit::SpaceActTransport(float) {}
