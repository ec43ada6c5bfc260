// The space scene scripts' step of a unit. Not in the game yet: a scripted unit just
// carries out its order.
#include "world/objects/unit.h"
#include "locations/scripts/sector_scenes.h"

void CUnit::RunSpaceScript(int scriptKind, float dt)
{
    if (RunSectorScript(this, scriptKind, dt)) return;
}
