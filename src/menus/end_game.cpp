#include "menus/end_game.h"

#include "app/settings.h"
#include "locations/location_director.h"

void EndGame(int result)
{
    DebugOutF("EndGame(%d)", result);
    g_MissionResult = result;
    g_LocationDirector.missionOver = 1;  // stops the Esc menu and the music changes
}
