#include "world/player_input.h"

void InputFireSecondary() {}
void InputSelectWeapon(int) {}
void InputCycleZoom() {}
void InputHandleKey() {}
void InputCycleTarget() {}
void OrderUnit(CUnit*, int, const void*, CUnit*, int) {}
void PlanetFollowStep(CUnit*) {}
