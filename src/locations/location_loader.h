// Location loading: what CWorld::LoadLocation found and did, the network start table,
// and the hook through which the data check hears of every missing file or object.
#pragma once
#include "platform/math/math3d.h"

class CUnit;

struct LocationLoadInfo {
    int opened;             // Main.loc was opened
    int canRun;             // the location can run: its file was read and, in space, a player exists
    int playerMissing;      // space: "Hero is absent!"
    int expectedEntries;    // progress bar total (space)
    int createdEntries;     // units created from the file and the network additions
    int planetLight;        // planet light flag
    int lineErrors;         // malformed lines and records refused
    int missing;            // files and objects named but not found
    int lastPercent;        // last value given to the loading screen
};
extern LocationLoadInfo g_LocationLoad;

// Called with a description of every file or object a location names and cannot find
// (a unit description, an order's unit, a station's interior, a music piece).
extern void (*g_LocationMissingHook)(const char* what);

// Tries at most this many places for one asteroid before leaving it out.
constexpr int kMaxAsteroidDraws = 64;

// Network start table: start point i (hero station, first ore source) and second ore
// source point i for 2 .. 4 players; (0, 0, 0) outside the table.
Vec3 NetworkStartPoint(int players, int index);
Vec3 NetworkSecondSourcePoint(int players, int index);
// The four units with ids 1000 .. 1003 placed round the local player's start point.
// False when one of them is missing (nothing is moved then).
bool RearrangeNetworkUnits(int players, int localSlot);

// Loading-screen percentage: trunc(100 / total * done), 0 .. 100; 100 without a total.
int LoadingPercent(int done, int total);
