#include "world/player_input.h"

#include "world/unit.h"

void InputFireSecondary() {}
void InputSelectWeapon(int) {}
void InputCycleZoom() {}
void InputHandleKey() {}
void InputCycleTarget() {}
void OrderUnit(CUnit* unit, int type, const void* where, CUnit* secondTarget, int force)
{
    if (unit) unit->SetOrder(type, where, secondTarget, force);
}
void PlanetFollowStep(CUnit*) {}
