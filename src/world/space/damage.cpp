// Damage reaching a unit: the one way hits (shots, collisions, network reports) change a
// unit's hull. Decides kills and credits them, lets the pilots comment, throws debris and
// spins the hull; the dying itself is the behaviour's.
#include <cmath>
#include <string>

#include "app/settings.h"
#include "audio/audio_manager.h"
#include "flight_ui/comm_window.h"
#include "locations/location_director.h"
#include "net/network.h"
#include "platform/crt/rand.h"
#include "platform/win/timer.h"
#include "world/objects/effect_object.h"
#include "world/objects/item.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {

constexpr int kMaxFriendlyLosses = 15;
constexpr int kMaxDebrisPerHit = 10;
// Stations pass hits along their links; a ring of links must not recurse for ever.
constexpr int kMaxLinkDepth = 8;
int s_LinkDepth = 0;

bool IsNetworkGame() { return g_GameMode == 2; }

// A radio line may go out while no talk holds the comm window, or from the one talking.
void SayIfFree(CUnit* speaker, int line, int headMode)
{
    if (g_CommMode == 0 || g_CommWindow.IsSpeaker(speaker)) g_CommWindow.Say(speaker, line, headMode);
}

// One debris axis: the slot's spread (0: a fixed small range) plus half the victim's drift.
float DebrisAxis(float spread, float drift)
{
    const long s = std::lround(spread);
    if (s < 1) return float(GameRand() % 9 - 4) + drift * 0.5f;
    return float(GameRand() % s) / 5.0f - spread / 10.0f + drift * 0.5f;
}

}  // namespace

void CUnit::TakeHit(float damage, CUnit* attacker, const Vec3& hitPoint, const Vec3* impulseDirection)
{
    if (orderType == ACTION_DEAD) return;
    if (!std::isfinite(damage)) {
        DebugOut("TakeHit: damage is not a number, the hit is ignored");
        return;
    }
    if (g_WorldIndex == 1) {
        CUnit* const player = g_PlayerObject;
        // A station's own side guards it: their stray shots and bumps do not wear it down,
        // or a guarded mine would fall without the player firing a shot. (Between players on
        // a network every side-1 station may be fought over: left as it was.)
        if (IsStationKindValue(kind) && attacker && attacker != player && attacker != this &&
            attacker->pilot.side == pilot.side && !IsNetworkGame())
            return;

        // A hit on another player's unit travels as a hit whatever its side: that player's
        // copy alone reports its hull.
        if (IsNetworkGame() && attacker &&
            ((attacker->pilot.ownerId == pilot.ownerId && pilot.side != 2) ||
             (attacker->pilot.side != 2 && pilot.side == 2) || attacker->pilot.ownerId != pilot.ownerId)) {
            HitReport report{attacker, damage};
            g_Network.SendObjectMessage(18, this, &report);
        }

        // A linked station shares its partner's hull and dies with it.
        // In a ring of links the hit comes round again: past the depth limit it lands on
        // this station as on an unbound one.
        if (IsStationKindValue(kind) && boundUnit && boundUnit != this && s_LinkDepth < kMaxLinkDepth) {
            ++s_LinkDepth;
            boundUnit->TakeHit(damage, attacker, hitPoint, impulseDirection);
            --s_LinkDepth;
            hull = boundUnit->hull;
            if (boundUnit->orderType == ACTION_DEAD && orderType != ACTION_DEAD)
                SetOrder(ACTION_DEAD, nullptr, nullptr, 1);
            return;
        }

        // The first hit of each new attacker on the player goes into the log.
        // (Another player may take turns with many units: a line a second at most then.)
        static const CUnit* s_LastPlayerAttacker = nullptr;
        static NetLogRate s_RemoteAttackers;
        if (this == player && attacker && attacker != s_LastPlayerAttacker) {
            s_LastPlayerAttacker = attacker;
            if (const int k = IsNetworkGame() ? s_RemoteAttackers.Note(timeGetTime()) : 1)
                DebugOutF("Player hit by %s (side %d): %.0f%s", attacker->displayName, attacker->pilot.side, damage,
                          k > 1 ? (" (" + std::to_string(k) + " new attackers since the last line)").c_str() : "");
        }

        const bool craftShip = IsCraft() && IsShipKind();
        if (craftShip && attacker && damage >= hull) {
            if (attacker->target == this && attacker->IsHostileTo(this)) {
                const float rating = GetRating();
                float t = rating / 1000.0f;
                if (FindCargoItem()) t /= 10.0f;
                attacker->pilot.skill += t;
                if (attacker->pilot.skill > 1.0f) attacker->pilot.skill = 1.0f;
                attacker->statistics.kills += 1;
                attacker->statistics.missionKills += 1;
                attacker->statistics.killScore += rating * 10.0f;
                attacker->statistics.missionKillScore += rating * 10.0f;
                if (attacker == player)
                    DebugOutF("Kill: %s destroyed by the player, score %.0f", displayName, rating * 10.0f);
            }

            const bool commPilot = g_CommWindow.IsSpeaker(this) != 0;
            const bool playerHostile = player && player->IsHostileTo(this);
            if ((attacker == player || commPilot) && playerHostile) SayIfFree(this, 413, 2);
            if ((attacker != player || commPilot) && playerHostile && attacker->pilot.side == 1)
                SayIfFree(attacker, 407, 1);
            if (this != player && pilot.side == 1) SayIfFree(this, 408, 2);
            if (player && attacker == player && player->IsFriendlyTo(this)) SayIfFree(this, 408, 2);

            if (pilot.side == 1 || kind == GTYPE_SP_NPCSHIP_MERCS_FREE) {
                if (g_LocationDirector.ordersAvailable < kMaxFriendlyLosses) ++g_LocationDirector.ordersAvailable;
            }

            hull = 1.0f;
            SetOrder(ACTION_DEAD, nullptr, nullptr, 1);
        } else if (craftShip && attacker && player && attacker == player && g_CommMode == 0) {
            if (IsFriendlyTo(player)) {
                if (GameRand() % 40 < 2) g_CommWindow.Say(this, 406, 1);
            } else if (GameRand() % 40 < 2) {
                g_CommWindow.Say(this, 412, 1);
            }
        }

        hull -= damage;
        if (hull < 1.0f) {
            hull = 1.0f;
            if (IsCraft() && orderType != ACTION_DEAD) {
                if (IsStationKindValue(kind)) {
                    for (int i = 0; i < guardCount && i < kMaxGuards; ++i) {
                        CUnit* g = guards[i];
                        if (!g) continue;
                        g->hull = 1.0f;
                        g->SetOrder(ACTION_DEAD, nullptr, nullptr, 1);
                    }
                }
                SetOrder(ACTION_DEAD, nullptr, nullptr, 1);
            }
        }

        long pieces = std::lround(damage * 0.5f);
        if (pieces > kMaxDebrisPerHit) pieces = kMaxDebrisPerHit;
        if (GameRand() % 101 < 30 && pieces > 0) {
            for (long i = 0; i < pieces; ++i) {
                const int slot = PickDebrisSlot();
                if (CObjectList::CountEffects() >= kMaxEffects || slot == DERIVED_NONE || !derivedUnits[slot]) continue;
                CEffectObject* e = new CEffectObject();
                if (!e->Load(derivedPaths[slot])) {
                    e->Release();
                    delete e;
                    continue;
                }
                e->ResetTimers();
                e->position = hitPoint;
                const float s = e->growth;
                e->direction.x = DebrisAxis(s, spinState.x);
                e->direction.y = DebrisAxis(s, spinState.y);
                e->direction.z = DebrisAxis(s, spinState.z);
                CObjectList::AddEffect(e);
            }
        }

        if (pilot.side == 3) g_AudioManager.PlayPooledEffect(this, 3);

        if (objectClass == GCLASS_SPACE_SHIP && impulseDirection && !IsStationKindValue(kind) &&
            orderType != ACTION_DOCKING && hullMax > 0.0f && manoeuvring > 0.0f) {
            float k = damage / hullMax * 50.0f;
            if (this == player) k /= 5.0f;
            const Vec3 from = WorldToLocal(hitPoint);
            const Vec3 to = WorldToLocal(hitPoint + *impulseDirection * 10.0f);
            const Vec3 d = Vec3Normalize(to - from);
            const float a = k * d.y / manoeuvring * 0.001f;
            const float b = k * d.z / manoeuvring * 0.001f;
            const float c = k * d.x / manoeuvring * 0.001f;
            angularStep.x += a + b;
            angularStep.y += c + b;
            angularStep.z += c + a;
        }
    }

    if (IsNetworkGame() && pilot.side != 2) g_Network.SendObjectMessage(19, this);
}

int CUnit::PickDebrisSlot() const
{
    int filled[3];
    int n = 0;
    for (int slot = DERIVED_DEBRIS_1; slot <= DERIVED_DEBRIS_3; ++slot)
        if (derivedUnits[slot]) filled[n++] = slot;
    if (n == 0) return DERIVED_NONE;
    return filled[GameRand() % n];
}

void CUnit::Repair(float amount)
{
    hull += amount * 5.0f;
    if (hull > hullMax) hull = hullMax;
}

bool CUnit::IsShipKind() const { return IsShipKindValue(kind); }

bool CUnit::IsHostileTo(const CUnit* other) const
{
    if (!other) return false;
    const int a = pilot.side, b = other->pilot.side;
    if (a < 0 || b < 0 || a > 3 || b > 3 || a == b) return false;
    if (a <= 1) return b >= 2;
    return true;  // 2 and 3 against every other side
}

bool CUnit::IsFriendlyTo(const CUnit* other) const { return !IsHostileTo(other); }

int CUnit::GetSparkSlot() const
{
    for (int slot = DERIVED_SPARK_1; slot <= DERIVED_SPARK_3; ++slot)
        if (derivedUnits[slot]) return slot;
    return DERIVED_NONE;
}
