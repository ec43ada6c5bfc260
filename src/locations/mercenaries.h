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

// Numbers of ships by location id: pirate fighters (and as many transports), neutral
// fighters and transports.
int PirateCount(int locationId);
void NeutralTrafficCounts(int locationId, int* fighters, int* transports);
// Sector difficulty p (0 where the location has none).
float SectorDifficulty(int locationId);

// AI mode argument that leaves the unit's own.
constexpr int kKeepAiMode = -100000;
// A new ship of the current world: description, id, private data, kind and AI mode.
// Null (logged) when the description cannot be loaded. Not yet in any list.
CUnit* CreateSpawnedShip(const char* path, int id, const char* privateData, int kind, int aiMode);
// Docks the ship in the station's first free place (stays until told). False when the
// bay is full: the ship is destroyed then.
bool DockAtStation(CUnit* station, CUnit* ship);
