// The player's key operations on g_PlayerObject (weapons, targets, zoom) and the
// mouse orders of the planet world.
#pragma once

class CUnit;

void InputFireSecondary();
void InputSelectWeapon(int n);
void InputCycleZoom();
void InputHandleKey();
void InputCycleTarget();

// A unit's order change (type, where: a point or a unit by type, second target, force).
void OrderUnit(CUnit* unit, int type, const void* where, CUnit* secondTarget, int force);
