// The docking approach of a ship and a station's docking bay. Not in the game yet: a
// docking order changes nothing and a bay handles no ship.
#include "world/unit.h"

void CUnit::SpaceActDocking(float) {}
void CUnit::UpdateDockingBay(float) {}
