// What the sector and traffic scene scripts share: lookups, windows, talks, orders.
#pragma once
#include <cstdint>

#include "platform/math/math3d.h"

class CUnit;

namespace scene {

inline float Distance(const Vec3& a, const Vec3& b)
{
    return Vec3Length(a - b);
}

// The player's ship: the player object, or the ship docked at a station.
CUnit* Player();
// Unit by object id, or null.
CUnit* Unit(int id);
// Unit by object id; a missing one is logged once per location.
CUnit* NeedUnit(int id);
float Dist(const CUnit* a, const CUnit* b);
// The unit's bounding radius; from its first mesh when the radius is not kept yet, never 0.
float Radius(const CUnit* u);
// The first 'widthMs' of every 'seconds' of game time.
bool Every(float seconds, uint32_t widthMs = 100);
// No radio talk and no radio menu holds the digit keys.
bool Quiet();
// The player's ship is in the world being updated (not docked).
bool PlayerHere();
bool Alive(const CUnit* u);
bool IsSpeaker(const CUnit* u);
// The player is near (or looks at the sector map while docked) and nothing talks.
bool Reach(CUnit* self, float range);
// Reach, in the 10-s windows, with no hostile within 2000 of the player.
bool ReachCalm(CUnit* self, float range);
// Space shown, quiet, no outside view, the player steering.
bool SceneGate();
// Opens a talk with u at its first sayable question from line n; 1 when it opened.
int Talk(CUnit* u, int line);
void EndTalk();
// One-shot and said for lines first..last of u's dialog.
void Retire(CUnit* u, int first, int last);
void ResetLine(CUnit* u, int line);
void Mark(CUnit* u, int on);
void WakeAgainst(CUnit* u, CUnit* prey);
void MakeTraffic(CUnit* u);
void HeadFor(CUnit* u, const Vec3& point);
void CruiseAt(CUnit* u, float speed);
// Beyond k times the player's comm range: hull 0 (the registry removes it), step -1.
bool VanishCheck(CUnit* u, float k);
bool HostileNear(CUnit* u, float radius);
void Stay(CUnit* u);
void Guard(CUnit* u, CUnit* whom);
void Attack(CUnit* u, CUnit* prey);
void Dock(CUnit* u, CUnit* station, uint32_t seconds);
// Camera shot from an absolute eye point at the player's ship; null ends the shot.
void Shot(CUnit* player, const Vec3* eye);

} // namespace scene
