// The unit record: ships, stations, asteroids, suns, planets, the sky, and the
// people, vehicles and scenery of the planet world.
#pragma once
#include <cstddef>
#include <cstdint>

#include "flight_ui/radio_dialog.h"
#include "world/objects/game_object.h"

class CSound;
class CItem;
class CAttachedEffect;
class CSavedOrder;
class CUnit;
class CDescFile;

constexpr int kUnitTimerCount = 6;
constexpr int kMaxDocked = 16;
constexpr int kMaxGuards = 8;
constexpr int kMaxLatched = 16;
constexpr int kMaxUnitEffects = 16;
constexpr int kMaxUnitItems = 10;
constexpr int kUnitPathLength = 255;
constexpr int kUnitNameLength = 129;
constexpr int kPilotTextLength = 128;
// Derived descriptions may name derived ones of their own; this deep and no deeper.
constexpr int kMaxDerivedDepth = 3;

// Called with every sound name that a unit, its items or its effects ask the audio
// manager for, found or not; the data check lists the missing ones. Null normally.
extern void (*g_UnitSoundRequestHook)(const char* name);
inline void NoteUnitSoundRequest(const char* name)
{
    if (g_UnitSoundRequestHook && name) g_UnitSoundRequestHook(name);
}

// Copies a text into a buffer of size bytes, cut to fit; the two may overlap, and null
// copies as empty.
void CopyTextCut(char* out, size_t size, const char* text);

// Kills, score, distance and ore of a pilot (36 bytes, as in the sector saves).
struct CPilotStatistics {
    float distance;
    int32_t kills;
    int32_t missionKills;
    float killScore;
    float missionKillScore;
    int32_t shotsFired;
    int32_t shotsOnTarget;
    float oreDelivered;
    float missionOreDelivered;
};
static_assert(sizeof(CPilotStatistics) == 36, "pilot statistics are saved as 36 bytes");

// Pilot block of a unit, with its private data.
class CPilotData {
public:
    CUnit* owner;
    char folder[256];
    int32_t objectId;
    int32_t ownerId;
    char title[kPilotTextLength];
    char secondText[kPilotTextLength];
    char pilotMarker[kPilotTextLength];
    int32_t sex;                 // -1 none, 0 man, 1 woman
    char pilotName[kPilotTextLength];
    CGameObject* head;           // owned
    char headText[256];
    int32_t side;                // -1, 0 neutral, 1 player, 2 pirates, 3 aliens
    float skill;
    float skill2;
    int32_t voicePitch;          // percent

    CPilotData();
    // Reads "Main.pd" of the folder for the owner, then its radio dialog.
    void Load(CUnit* ownerUnit, const char* folderName);
    void ReleaseHead();
};

// Random pilot names by sex and language.
class CPilotName {
public:
    static void Pick(CPilotData& pilot);
    static void Reset(CPilotData& pilot);
};

// Reads the radio dialog that follows the pilot lines of the owner's private data.
void OpenPrivateData(CPilotData& pilot);

// (value from the description file, upgrade bonus); current value = value + bonus.
struct UnitBaseValue {
    float value;
    float bonus;
};

enum UnitBaseIndex {
    UNIT_BASE_HULL = 0,
    UNIT_BASE_RATING = 1,
    UNIT_BASE_ENGINE = 2,
    UNIT_BASE_MANOEUVRING = 3,
    UNIT_BASE_SHOT = 4,
};

struct UnitSlotIds {
    int32_t personId;
    int32_t shipId;
};

class CUnit : public CGameObject {
public:
    uint32_t timers[kUnitTimerCount];
    float collisionInterval;
    float smokeInterval;
    Vec3 orderVector;
    float randomPhase;
    int32_t orderType;
    int32_t orderSubState;
    int32_t scriptStep;
    CWaypoint* waypoints;
    CUnit* target;
    CUnit* target2;
    Vec3 targetPoint;
    Vec3 destination;
    Vec3 movePoint;
    Vec3 heading;
    Vec3 spinRates;
    float cruiseSpeed;
    CSavedOrder* orderStack;
    int32_t manualControl;
    int32_t collisionFlag;
    CUnit* bayUnit;
    CUnit* bayRequestUnit;
    int32_t dockedCount;
    CUnit* dockedUnits[kMaxDocked];
    UnitSlotIds slotIds[kMaxDocked];
    uint32_t dockStartTimes[kMaxDocked];
    uint32_t dockTime;
    uint32_t dockStart;
    int32_t bayState;
    int32_t dockingStage;
    CUnit* boundUnit;
    CUnit* guards[kMaxGuards];
    int32_t guardCount;
    int32_t latchPoint;
    int32_t latchedCount;
    CUnit* latchedUnits[kMaxLatched];
    CUnit* transportEnds[2];
    int32_t transportEndIds[2];
    int32_t alertFlag;
    int32_t humanPiloted;
    int32_t actionSoundCount;
    CSound* actionSounds[kActionCount];
    int32_t effectCount;
    CAttachedEffect* effects[kMaxUnitEffects];
    int32_t itemCount;
    CItem* items[kMaxUnitItems];
    int32_t attachCursors[2];    // next laser point, next rocket point
    CPilotData pilot;
    CPilotStatistics statistics;
    char descriptionPath[kUnitPathLength];
    char displayName[kUnitNameLength];
    float hullMax;
    float hull;
    float hullReference;
    float rating;
    float ore;
    Vec3 impulse;
    Vec3 spinState;
    float engineMax;
    float speed;
    float speedPercent;
    float commRange;
    float viewFactor;
    float manoeuvring;
    float shotValue;
    float shotValue2;
    UnitBaseValue baseValues[5];
    CUnit* derivedUnits[kDerivedSlotCount];
    char derivedPaths[kDerivedSlotCount][kUnitPathLength];
    int32_t inRadioTalk;
    CRadioDialog radioDialog;

    CUnit();
    CUnit(const CUnit&) = delete;
    CUnit& operator=(const CUnit&) = delete;

    // Reads the unit's description; 0 when the file cannot be opened.
    int Load(const char* path, int objectId);
    void FinishLoad();
    void UpdateParts();
    void Release();
    void ReleaseActionSounds();

    // The order stack and route the unit owns (filled by the order code).
    void ClearWaypoints();
    void ClearOrderStack();

    // Loader depth of derived descriptions (0 for a unit loaded by a spawner).
    int loadDepth = 0;

    // ---- Orders and flight (unit_orders.cpp, unit_ops.cpp, unit_space.cpp) ----
    // Orders. where: a point (Vec3) for ACTION_STAY / ACTION_MOVE, a unit for
    // ACTION_GUARD, ACTION_ATTACK, ACTION_DOCKING and ACTION_FOLLOW. 0 when refused.
    int SetOrder(int type, const void* where, CUnit* secondTarget, int force);
    void PushOrder();
    void PopOrder();
    // Frees every saved order with its route; bound unit := null; the route stays.
    void DiscardOrderStack();
    // Clears the saved orders' references to units that are going (a sorted array).
    void ForgetInSavedOrders(CUnit* const* sortedGone, size_t count);
    void SetTargetsById(int firstId, int secondId);
    bool IsAlive() const;
    bool IsDockingStage2() const;
    bool IsDockingStage3() const;
    bool IsDockingStage4() const;
    bool IsDockingPhase() const;

    // Attached effects by kind (first of the kind, or null).
    CAttachedEffect* FindEffectOfKind(int effectKind) const;
    CAttachedEffect* FindGateConnect() const;
    CAttachedEffect* FindSelfIllumPart() const;
    CAttachedEffect* FindGateDoor() const;
    CAttachedEffect* FindGateBay() const;
    CAttachedEffect* FindCockpit() const;
    CAttachedEffect* FindCockpitRadar() const;
    CAttachedEffect* FindCockpitPanel3() const;
    CAttachedEffect* FindCockpitScreen1() const;
    CAttachedEffect* FindCockpitScreen2() const;
    CAttachedEffect* FindCockpitScreen3() const;
    void DrawEffectOfKind(int effectKind, int pass);
    void DrawShadow();
    void DrawObjectLight();
    void DrawSunGlow();
    void DrawEngineEffects();
    void Draw(int pass);

    // Sounds of the ten actions.
    void PlaySoundSlot(int action, int loop);
    void StopLoopSound();
    void UpdateSounds();
    bool IsStaySoundPlaying() const;
    void StopAllSounds();

    // Items, weapons, rating.
    CItem* FindCargoItem() const;
    bool HasWeapons() const;
    void FireLasers();
    void FireRockets();
    void FireMissiles();
    float GetMeanShotValue(int weaponKind) const;
    float GetMeanShotSpeed() const;
    float GetFirepower() const;
    float GetRating() const;
    void SetThrottlePercent(float wantedSpeed);
    void ComputeLeadPoint(const CUnit* aimTarget, Vec3* outPoint) const;
    // The same with the mean shot speed already at hand.
    void ComputeLeadPoint(const CUnit* aimTarget, float shotSpeed, Vec3* outPoint) const;

    bool IsCraft() const;
    // Sides 0 and 1 against 2 and 3, 2 against 0, 1 and 3, 3 against 0, 1 and 2; the same
    // side and an unset side (-1) are never hostile. Friendly is the exact negation.
    bool IsHostileTo(const CUnit* other) const;
    bool IsFriendlyTo(const CUnit* other) const;
    // The route and aim points drawn for the debug view (part_hits.cpp).
    void DrawDebugAxes();
    using CGameObject::IntersectRays;
    // segment: two points. Effects first, the unit's own meshes last.
    bool IntersectRays(const Vec3* segment, int mode, Vec3* outHit, float margin);
    void InitMercenary();
    void InitMultiplayerName();
    // Radio orders to a hired transport (k 1..5) or fighter (k 1..6) (flight_ui/radio_menu.cpp).
    void OrderTransport(int k);
    void OrderFighter(int k);
    void ResetTimers();

    // The planet world's step of a frame and its order handlers (unit_planet.cpp).
    void UpdatePlanet();
    void PlanetActStay(float dt);
    void PlanetActMove(float dt);
    void PlanetActGuard(float dt);
    void PlanetActAttack(float dt);
    void PlanetActDead(float dt);
    void PlanetActGetDamage(float dt);
    void PlanetActFollow(float dt);
    // A walker's obstacle probe: the unit met ahead, or null; steps the walker aside.
    CUnit* ComputeViewBounds();
    void DirectionToAimPoint(float dt);
    // The planet scene scripts' step of a unit (locations/scripts).
    void RunPlanetScript(int scriptKind, float dt);

    // Space world behaviour.
    void UpdateSpace();
    void FlightStep(float dt);
    void SteerToPoint(float dt);
    void AvoidObstacles();
    void UpdateSpeed(float dt);
    void Move(float dt);
    void Collide(int probes);
    void SendPositionUpdate(float dt);
    // Far bodies are drawn at the view distance, scaled down.
    void UpdateDistantDraw(float size, const Vec3& eye);
    // An AI-flown unit's current order, one step.
    void RunAiOrder(float dt);

    // Handlers built with the space AI, the docking bay, dying, damage and the scene scripts.
    void ChooseDefaultAction(float dt);
    void SpaceActGuard(float dt);
    void SpaceActAttack(float dt);
    void SpaceActTransport(float dt);
    void SpaceActDocking(float dt);
    void UpdateDockingBay(float dt);
    void UpdateDying(float dt);
    void RunSpaceScript(int scriptKind, float dt);
    void TakeHit(float damage, CUnit* attacker, const Vec3& hitPoint, const Vec3* impulseDirection);
    int GetSparkSlot() const;
    // ---- end of orders and flight ----

    // ---- Damage and part hits (damage.cpp, part_hits.cpp) ----
    // Hit tests of the unit with its large parts (gate door, self-illuminated part,
    // additional part, asteroid part, gate connector, gate bay), then the unit itself; the
    // first hit ends the test and fills outPoint. segment: two points.
    using CGameObject::IntersectSegment;
    int IntersectSegment(const Vec3* segment, Vec3* outPoint);
    int IntersectRay(float extraRadius, const Vec3* segment, Vec3* outPoint);
    int IntersectPoint(const Vec3& point);
    // 0 when no debris slot is filled, else one of the filled slots 4..6 at random.
    int PickDebrisSlot() const;
    // The docking bay's repair: hull += amount * 5, up to the maximum.
    void Repair(float amount);
    bool IsShipKind() const;
    // What message 18 carries besides the hit unit (the second object of SendObjectMessage).
    struct HitReport {
        CUnit* attacker;
        float damage;
    };
    // ---- end of damage and part hits ----
    // ---- Docking bay (docking.cpp) ----
    // Books this station's bay for the ship, which stays the given seconds once docked
    // (0xFFFFFFFF: until told to leave). 1 accepted, 0 refused (nothing changed).
    int RequestDocking(CUnit* ship, uint32_t seconds);
    // A station: its latched parasites. A side-3 ship: its flight onto its latch point.
    void UpdateStation(float dt);
    // The gate point and the approach point outside it, in world space; zeros when the
    // station has no gate bay.
    void GetGunPoints(Vec3* outPoints) const;
    // A station destroyed: the player's docked ship (found by its kind: inside, the player
    // object is the walking hero) goes out at its approach point, his to fly. The ship, or
    // null when none was docked here.
    CUnit* PutOutPlayerShip();
    // ---- end of docking bay ----

private:
    void LoadDerived(CDescFile& file);
    void SetSoundDistances();
    void SetUpByClass(CDescFile& file);
};

// ---- Space AI (space_ai.cpp) ----
// Called with every radio line an AI ship says (speaker, line type), before the comm
// window gets it. Null normally.
extern void (*g_RadioLineHook)(CUnit* speaker, int lineType);
// ---- end of space AI ----
