// The registry of every live game object of both worlds: per world the units, bullets
// and effect objects in insertion order, the object ids, the per-frame pass, drawing by
// class and the queries of the behaviour, the interface, the scripts and the network.
// Every operation works on the current world (g_WorldIndex) unless it says otherwise.
#pragma once
#include <cstdint>

#include "platform/math/math3d.h"

class CUnit;
class CBullet;
class CEffectObject;

constexpr int kMaxUnits = 1024;
constexpr int kMaxBullets = 512;
constexpr int kMaxEffects = 512;

class CObjectList {
public:
    static int nextId;                        // -1 reads as 5000
    static uint32_t unitCount[2];
    static uint32_t bulletCount[2];
    static uint32_t effectCount[2];
    static CUnit* units[2][kMaxUnits];
    static CBullet* bullets[2][kMaxBullets];
    static CEffectObject* effects[2][kMaxEffects];

    static void ResetNextId();
    static int NextId();

    // Appends to the current world's list. A full list destroys the object instead and
    // returns false: the caller must not touch it again.
    static bool Add(CUnit* unit);
    static bool AddBullet(CBullet* bullet);
    static bool AddEffect(CEffectObject* effect);
    // Destroys the object, taking it out of the current world's list first when it is
    // there. Every other record that pointed at it forgets it.
    static void Remove(CUnit* unit);
    static void RemoveBullet(CBullet* bullet);
    static void RemoveEffect(CEffectObject* effect);
    // Takes the unit out of the current world's list without destroying it.
    static void Detach(CUnit* unit);
    // Every object of the current world destroyed; counts 0; next id 5000.
    static void DestroyAll();
    static void UpdateAll();
    // While the units update, a copy of their bounding spheres in a grid (taken before the
    // first moves, dropped by any change of the list) lets the segment queries pass over far
    // units without reading them. The indices from `first` on of the units that may lie
    // within margin of the box lo..hi, ascending; -1 when no copy is held (scan them all).
    static int NearUnits(const Vec3& lo, const Vec3& hi, float margin, uint32_t first, uint32_t* out);
    // Calls f(index) for those units (every unit from `first` on without a copy) until f
    // returns true.
    template <typename F>
    static void ForUnitsNear(const Vec3& lo, const Vec3& hi, float margin, uint32_t first, F f)
    {
        uint32_t near[kMaxUnits];
        const int n = NearUnits(lo, hi, margin, first, near);
        if (n < 0) {
            for (uint32_t i = first; i < unitCount[ListWorld()]; ++i)
                if (f(i)) return;
            return;
        }
        for (int k = 0; k < n; ++k)
            if (near[k] < unitCount[ListWorld()] && f(near[k])) return;
    }
    // The list index of the current world (0 planet, 1 space).
    static int ListWorld();

    static int Count();
    static int CountBullets();
    static int CountEffects();
    static int CountAll();
    // Index in the current world's list, -1 when absent.
    static int IndexOf(const CUnit* unit);

    // Drawing, by class mask, skipping what the current world's camera cannot see.
    static void RenderClass(unsigned mask);
    static void RenderShadows(unsigned mask);
    static void RenderLightEffects(unsigned mask);
    static void RenderSunGlow();
    static void RenderAttached(unsigned mask);
    static void RenderEffects();
    static void RenderBullets();
    // The units of the class and kind gathered in one block after the first of them,
    // ordered far to near from the camera.
    static void SortByDistance(unsigned objectClass, int kind);

    // Queries. A radius below 0 means the unit's comm range.
    static CUnit* FindById(int id);
    static CUnit* FindByIdAndOwner(int id, int owner);        // space world
    static CUnit* FindByType(int kind);
    static CUnit* FindLandscape();
    static CUnit* FindPlayer();
    static CUnit* FindDockedPlayerShip();                       // space world
    static CUnit* FindDockedPlayerShipFlag();                   // space world
    static CUnit* FindShipInStation(int id, int owner);         // space world
    static CUnit* FindByName(const char* text);
    static CUnit* FindNearestByName(const Vec3& point, const char* text);
    static CBullet* FindNearestMissile(float radius, CUnit* unit);
    static CUnit* FindNearestInRange();                         // space world
    static CUnit* FindNearestTarget(CUnit* unit, const Vec3* point);   // space world
    static CUnit* FindNearestObject(float radius, CUnit* unit);        // space world
    static int FindNextHostile(float radius, CUnit* unit, int start, CUnit** out);  // space world
    static CUnit* FindNearestStation(float radius, CUnit* unit);       // space world
    static CUnit* FindNearestStationTwin(float radius, CUnit* unit) { return FindNearestStation(radius, unit); }
    static void KillOwnerUnits(int owner);                      // space world
};

// Alert flag := 1 on every live craft not hostile to the unit within the radius (space
// world, from the second entry on).
void FindNextEnemyShip(float radius, CUnit* unit);
// Attack choice and guard / station choice scores of a candidate.
float TargetPriority(CUnit* unit, float radius, CUnit* candidate);
float RateTarget(CUnit* unit, float radius, CUnit* candidate);

// Ray tests over the current world's units from the second entry on.
CUnit* RaySphereHit(float margin, const Vec3& from, const Vec3& to, float* outDistance, CUnit* ignore);
CUnit* RayHitNearest(float margin, const Vec3& from, const Vec3& to, float* outDistance);
// alsoIgnore: a second unit left out (obstacle avoidance leaves out both itself and its target).
CUnit* RayPickObject(float margin, const Vec3& from, const Vec3& to, Vec3* outHit, CUnit* ignore, CUnit* station,
                     CUnit* alsoIgnore = nullptr);
CUnit* FindObjectOnRay(const Vec3& from, const Vec3& to, float* outDistance, CUnit* ignore);
