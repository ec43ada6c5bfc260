#include "locations/location_director.h"
#include "world/world.h"

int g_GameMode = -1;
CLocationDirector g_LocationDirector;

void CLocationDirector::Init()
{
    locationId = -1;
    missionOver = 0;
}

void CLocationDirector::LoadNextLocation() {}

void CLocationDirector::Frame() {}

void CLocationDirector::EndLocation()
{
    missionOver = 0;
    g_World.UnloadLocation();
}
