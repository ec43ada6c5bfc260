// The player's key operations on g_PlayerObject: the anti-missile trigger, weapon
// switches, zoom and target selection; and the mouse orders of the planet world.
#include "world/space/player_input.h"

#include <cmath>

#include "audio/sound.h"
#include "flight_ui/cockpit.h"
#include "render/camera.h"
#include "world/objects/item.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/space/unit_space.h"
#include "world/world.h"

namespace {

CUnit** CurrentUnits(int* count)
{
    *count = 0;
    if (g_WorldIndex < 0 || g_WorldIndex > 1) return nullptr;
    int n = CObjectList::Count();
    if (n > kMaxUnits) n = kMaxUnits;
    *count = n;
    return CObjectList::units[g_WorldIndex];
}

// A ship the player may pick: not the sky or landscape at index 0, still holding its
// hull, and within the player's comm range.
bool IsCandidate(const CUnit* u, const CUnit* player)
{
    if (!u || u == player || u->objectClass != GCLASS_SPACE_SHIP || !(u->hull > 1.0f)) return false;
    return Vec3Length(u->position - player->position) <= player->commRange;
}

// A station guarding another station stands for that one and is not picked itself.
bool GuardsAStation(const CUnit* u)
{
    return IsStationKindValue(u->kind) && u->orderType == ACTION_GUARD && u->target &&
           IsStationKindValue(u->target->kind);
}

void PlaySwitchSound(int which)
{
    CSound* s = g_Cockpit.sounds[which];
    if (!s) return;
    s->SetVolume(100.0f);
    s->Play(0);
}

}  // namespace

void InputFireSecondary()
{
    CUnit* player = g_PlayerObject;
    if (!player) return;
    for (int i = 0; i < player->itemCount && i < kMaxUnitItems; ++i) {
        CItem* it = player->items[i];
        if (it && it->kind == GTYPE_AMSSYSTEM && it->ready) it->trigger = 1;
    }
}

void InputSelectWeapon(int n)
{
    CUnit* player = g_PlayerObject;
    if (!player || n < 0) return;
    int index = 0;
    for (int i = 0; i < player->itemCount && i < kMaxUnitItems; ++i) {
        CItem* it = player->items[i];
        if (!it || !IsWeaponKindValue(it->kind)) continue;
        if (index++ != n) continue;
        it->armed = it->armed ? 0 : 1;
        PlaySwitchSound(it->armed ? CCockpit::SOUND_WEAPON_ON : CCockpit::SOUND_WEAPON_OFF);
        return;
    }
}

void InputCycleZoom()
{
    CUnit* player = g_PlayerObject;
    if (!player) return;
    if (player->viewFactor < 1.35f) player->viewFactor += 0.1f;
    else player->viewFactor = 0.5f;
}

void InputHandleKey()
{
    CUnit* player = g_PlayerObject;
    if (!player) return;
    int count = 0;
    CUnit** units = CurrentUnits(&count);
    const Matrix& view = g_World.Camera().view;

    CUnit* best = nullptr;
    float bestOffAxis = g_ViewDistance, bestDistance = g_ViewDistance;
    for (int i = 1; i < count; ++i) {
        CUnit* u = units[i];
        if (!IsCandidate(u, player)) continue;
        const Vec3 v = Vec3TransformNormal(u->position - player->position, view);
        if (!(v.z > 0.0f)) continue;
        const float o = std::sqrt(v.x * v.x + v.y * v.y);
        if (!best || o < bestOffAxis) {
            best = u;
            bestOffAxis = o;
            bestDistance = Vec3Length(u->position - player->position);
        }
    }
    if (best && bestDistance > 0.0f && bestOffAxis / bestDistance < 0.4f) {
        player->target = GuardsAStation(best) ? best->target : best;
        return;
    }
    player->target = nullptr;
}

void InputCycleTarget()
{
    CUnit* player = g_PlayerObject;
    if (!player) return;
    int count = 0;
    CUnit** units = CurrentUnits(&count);
    int start = 1;
    if (player->target) {
        const int at = CObjectList::IndexOf(player->target);
        if (at >= 0) start = at + 1;
    }
    if (start < 1) start = 1;
    for (int i = start; i < count; ++i) {
        CUnit* u = units[i];
        if (!IsCandidate(u, player) || GuardsAStation(u)) continue;
        player->target = u;
        return;
    }
    player->target = nullptr;
}

void OrderUnit(CUnit* unit, int type, const void* where, CUnit* secondTarget, int force)
{
    if (unit) unit->SetOrder(type, where, secondTarget, force);
}

