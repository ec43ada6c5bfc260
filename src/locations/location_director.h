// The location director: picks, loads and runs the locations one after another, and
// keeps the per-location services (intro skip, fade-in, mercenary deliveries, battle
// music) and the session totals.
#pragma once
#include <cstdint>

class CSound;

// -1 the game-menu scene, 0 single mission, 1 campaign, 2 network game.
extern int g_GameMode;
// Result of the last mission: 0 a defeat.
extern int g_MissionResult;

// Location ids.
enum LocationId : int {
    LOCATION_NONE = -1,
    LOCATION_SECTOR_FIRST = 1,
    LOCATION_SECTOR_LAST = 12,
    LOCATION_SINGLE_FIRST = 21,
    LOCATION_SINGLE_LAST = 32,
    LOCATION_NETWORK_FIRST = 41,
    LOCATION_NETWORK_LAST = 52,
    LOCATION_GAME_MENU = 100,
    LOCATION_PLANET_INTRO_1 = 110,
    LOCATION_PLANET_INTRO_2 = 111,
    LOCATION_SPACE_INTRO_1 = 200,
    LOCATION_SPACE_INTRO_2 = 201,
};

constexpr int kMercenaryOrderSlots = 15;
constexpr int kMercenaryModelLength = 255;
constexpr int kLocationFolderLength = 256;

class CLocationDirector {
public:
    int32_t locationId = -1;
    int32_t questFlags[3] = {};
    int32_t reserved1[7] = {};
    int32_t locationStarted = 0;
    int32_t missionOver = 0;
    float sessionOre = 0.0f;
    int32_t sessionKills = 0;
    float sessionKillScore = 0.0f;
    int32_t outDockingRequested = 0;
    uint32_t startTime = 0;
    int32_t reserved2 = 0;
    int32_t skipRequested = 0;
    uint32_t skipTime = 0;
    int32_t ordersAvailable = 0;
    int32_t nextMercenaryId = 0;
    uint32_t orderTimes[kMercenaryOrderSlots] = {};
    char orderModels[kMercenaryOrderSlots][kMercenaryModelLength] = {};
    uint32_t musicCheckTime = 0;
    CSound* sceneVoice = nullptr;
    int32_t advanceRequested = 0;

    void Init();
    // Picks the next location by the location kind and the current id and loads it.
    // 1 when a location was loaded and can run; 0 when nothing was loaded, or the
    // location failed (then the location loop is told to finish: back to the menu).
    int LoadNextLocation();
    void Frame();
    void EndLocation();
    void ShowLocationText(int n);
    void SetSessionTotals(float ore, int kills, float killScore);

    // Pilot ratings.
    void SaveRating();
    // Mercenary order book.
    void ResetMercenaryOrders();
    // 1 while an order can be booked: orders available and a free slot in the book.
    int CanOrderMercenary() const;
    int OrderMercenary(const char* path);
    void DeliverMercenaryOrders();

    // The director's step 7: battle or calm music by the hostiles round the player.
    void UpdateBattleMusic();
};

extern CLocationDirector g_LocationDirector;

// The chain: the location that follows `id` in location kind `kind`. False when the
// combination loads nothing. newKind is the location kind (and world) of the result;
// setsCampaign is 1 when the step starts the campaign (g_GameMode := 1).
bool NextLocationOf(int kind, int id, int* newId, int* newKind, char* folder, int folderSize, int* setsCampaign);

// Location ids by kind of play.
inline bool IsSectorLocation(int id) { return id >= LOCATION_SECTOR_FIRST && id <= LOCATION_SECTOR_LAST; }
inline bool IsSingleLocation(int id) { return id >= LOCATION_SINGLE_FIRST && id <= LOCATION_SINGLE_LAST; }
inline bool IsNetworkLocation(int id) { return id >= LOCATION_NETWORK_FIRST && id <= LOCATION_NETWORK_LAST; }
inline bool IsIntroLocation(int id) { return id >= LOCATION_PLANET_INTRO_1 && id <= LOCATION_SPACE_INTRO_2; }
