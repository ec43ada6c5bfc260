// Mercenary orders and spawned traffic: the ships a space location gets beyond its file.
// The order book itself lives in the location director (CLocationDirector::ResetMercenaryOrders,
// OrderMercenary, DeliverMercenaryOrders).
#pragma once

class CUnit;

constexpr int kMercenaryModelCount = 10;
extern const char* const kLightShipModels[kMercenaryModelCount];
extern const char* const kHeavyShipModels[kMercenaryModelCount];

// Pirates and neutral traffic of the current location (with "Cut scenes" on).
void SpawnPirates();
void SpawnNeutralTraffic();
// Skill and upgrade bonuses of a pirate by the sector or mission.
void ApplySectorDifficulty(CUnit* unit);
// The order book is kept in sectors, single missions and multiplayer maps.
bool LocationKeepsOrderBook(int locationId);
