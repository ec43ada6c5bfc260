#include "locations/mercenaries.h"

#include <cstdio>
#include <cstring>

#include "locations/location_director.h"
#include "world/game_clock.h"
#include "world/unit.h"
#include "world/world.h"

const char* const kLightShipModels[kMercenaryModelCount] = {
    "Data/Space/Ship/Eagle.M1/Main.obj",  "Data/Space/Ship/Hammer.M1/Main.obj", "Data/Space/Ship/Midia.M1/Main.obj",
    "Data/Space/Ship/Pegas.M1/Main.obj",  "Data/Space/Ship/Python.M1/Main.obj", "Data/Space/Ship/Raptor.M1/Main.obj",
    "Data/Space/Ship/Shark.M1/Main.obj",  "Data/Space/Ship/Siluro.M1/Main.obj", "Data/Space/Ship/Valise.M1/Main.obj",
    "Data/Space/Ship/Wanderer.M1/Main.obj"};
const char* const kHeavyShipModels[kMercenaryModelCount] = {
    "Data/Space/Ship/Cobra.M2/Main.obj",  "Data/Space/Ship/Eagle.M2/Main.obj",  "Data/Space/Ship/Glider.M2/Main.obj",
    "Data/Space/Ship/Hammer.M2/Main.obj", "Data/Space/Ship/Hound.M2/Main.obj",  "Data/Space/Ship/Luger.M2/Main.obj",
    "Data/Space/Ship/Midia.M2/Main.obj",  "Data/Space/Ship/Raptor.M2/Main.obj", "Data/Space/Ship/Shark.M2/Main.obj",
    "Data/Space/Ship/Slider.M2/Main.obj"};

bool LocationKeepsOrderBook(int id)
{
    return IsSectorLocation(id) || IsSingleLocation(id) || IsNetworkLocation(id);
}

void CLocationDirector::ResetMercenaryOrders()
{
    if (locationId == LOCATION_SPACE_INTRO_2)
        ordersAvailable = 0;
    if (!LocationKeepsOrderBook(locationId))
        return;
    for (int i = 0; i < kMercenaryOrderSlots; ++i) {
        orderTimes[i] = 0xFFFFFFFFu;
        orderModels[i][0] = 0;
    }
    int docked = 0;
    if (g_HeroStation)
        for (int i = 0; i < kMaxDocked; ++i)
            if (g_HeroStation->dockedUnits[i])
                ++docked;
    ordersAvailable = kMaxDocked - docked;
    nextMercenaryId = 200;
}

int CLocationDirector::OrderMercenary(const char* path)
{
    if (ordersAvailable <= 0)
        return 0;
    for (int i = 0; i < kMercenaryOrderSlots; ++i) {
        if (orderTimes[i] == 0xFFFFFFFFu) {
            orderTimes[i] = g_GameClock.NowMs();
            std::snprintf(orderModels[i], sizeof(orderModels[i]), "%s", path ? path : "");
            break;
        }
    }
    return --ordersAvailable;
}

// Deliveries, the starting ships and the traffic come with the mercenaries' own work;
// until then booked orders wait and a location holds only what its file gives it.
void CLocationDirector::DeliverMercenaryOrders() {}

void CWorld::CreateMercenariesAndHero() {}

void SpawnPirates() {}

void SpawnNeutralTraffic() {}

void ApplySectorDifficulty(CUnit*) {}
