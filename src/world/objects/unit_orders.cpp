// Orders: the one entry that changes a unit's order, the saved-order stack and the
// transport ends.
#include <algorithm>
#include <cstdint>

#include "locations/location_director.h"
#include "net/network.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/space/player_input.h"
#include "world/objects/unit.h"
#include "world/world.h"

// One order saved on a unit's stack; it owns its route.
class CSavedOrder {
public:
    int32_t orderType = 0;
    Vec3 targetPoint;
    CWaypoint* route = nullptr;
    CUnit* target = nullptr;
    CUnit* target2 = nullptr;
    CUnit* boundUnit = nullptr;
    int32_t subMesh = 0;
    float subMeshValue = 0.0f;
    int32_t animDirection = 1;
    CSavedOrder* next = nullptr;
};

namespace {

void FreeWaypoints(CWaypoint* route)
{
    while (route) {
        CWaypoint* next = route->next;
        delete route;
        route = next;
    }
}

bool IsNetworkGame() { return g_GameMode == 2; }

}  // namespace

int CUnit::SetOrder(int type, const void* where, CUnit* secondTarget, int force)
{
    // Another player's unit belongs to that player's copy of the game.
    if (IsNetworkGame() && pilot.side == 2 && !force) return 0;
    if (orderType == ACTION_DEAD) return 0;
    if (orderType == ACTION_GET_DAMAGE && type != ACTION_DEAD) return 0;

    const uint32_t now = g_GameClock.NowMs();
    orderVector = Vec3();
    // A walk on the planet keeps the time it started.
    if (!(orderType == ACTION_MOVE && g_WorldIndex != 1)) timers[0] = now;
    timers[1] = timers[2] = timers[3] = now;

    orderType = type;
    orderSubState = 0;
    ClearWaypoints();
    target2 = nullptr;

    const Vec3* point = static_cast<const Vec3*>(where);
    CUnit* unit = static_cast<CUnit*>(const_cast<void*>(where));

    if (g_WorldIndex == 0) {
        const unsigned c = objectClass;
        const bool hero = c == GCLASS_CHARACTER_HERO;
        const bool npc = c == GCLASS_CHARACTER_NPC;
        const bool flyer = c == GCLASS_OBJECT_FLY || c == GCLASS_SPACE_SHIP;
        if (hero || npc || flyer) {
            switch (type) {
            case ACTION_STAY:
                DiscardOrderStack();
                destination = point ? *point : position;
                if (!hero) target = nullptr;
                break;
            case ACTION_MOVE:
                DiscardOrderStack();
                if (flyer) {
                    if (!point) break;
                    CWaypoint* w = new CWaypoint;
                    w->x = point->x, w->y = point->y, w->z = point->z;
                    waypoints = w;
                } else if (point) {
                    waypoints = g_World.navGrid.FindPath(this, *point);
                }
                if (waypoints) {
                    destination = position;
                    targetPoint = *point;
                    timers[3] = now;
                } else if (hero) {
                    // Unreachable: the hero stays where it is.
                    return SetOrder(ACTION_STAY, nullptr, nullptr, force);
                }
                break;
            case ACTION_GUARD:
            case ACTION_DEAD:
            case ACTION_GET_DAMAGE:
                if (!flyer) animDirection = 1;
                break;
            case ACTION_FOLLOW:
                if (flyer) break;
                DiscardOrderStack();
                target = unit;
                if (hero) PlanetActFollow(0.0f);  // a click on a person takes the first step at once
                break;
            default:
                break;
            }
        }
    } else if (g_WorldIndex == 1 && (objectClass == GCLASS_SPACE_SHIP || objectClass == GCLASS_SPACE_OBJECT)) {
        switch (type) {
        case ACTION_STAY:
            speedPercent = 0.0f;
            target = nullptr;
            break;
        case ACTION_MOVE:
            destination = point ? *point : position;
            movePoint = destination;
            break;
        case ACTION_GUARD:
            target = unit;
            boundUnit = unit;
            if (kind == GTYPE_SP_STATION && unit) {
                bool listed = false;
                for (int i = 0; i < unit->guardCount && i < kMaxGuards; ++i)
                    if (unit->guards[i] == this) listed = true;
                // The guards list holds eight; a further station still guards, unlisted.
                if (!listed && unit->guardCount >= 0 && unit->guardCount < kMaxGuards)
                    unit->guards[unit->guardCount++] = this;
                hullMax = unit->hullMax;
                baseValues[UNIT_BASE_HULL].value = unit->hullMax;
                hull = unit->hull;
            }
            break;
        case ACTION_ATTACK:
            target = unit;
            target2 = secondTarget;
            break;
        case ACTION_DOCKING:
            target = unit;
            dockTime = 0xFFFFFFFFu;
            break;
        case ACTION_TRANSPORT:
            target = nullptr;
            break;
        default:
            break;
        }
    }

    if (g_WorldIndex == 1 && IsNetworkGame() && pilot.side != 2 && IsCraft()) g_Network.SendObjectMessage(14, this);
    return 1;
}

void CUnit::PushOrder()
{
    if (IsNetworkGame() && pilot.side == 2) return;
    CSavedOrder* s = new CSavedOrder;
    s->orderType = orderType;
    s->targetPoint = targetPoint;
    s->route = waypoints;
    s->target = target;
    s->target2 = target2;
    s->boundUnit = boundUnit;
    s->subMesh = int32_t(currentFrame);
    s->subMeshValue = frameCounter;
    s->animDirection = animDirection;
    s->next = orderStack;
    orderStack = s;
    waypoints = nullptr;  // the saved order owns the route now
}

void CUnit::ForgetInSavedOrders(CUnit* const* sortedGone, size_t count)
{
    auto gone = [&](CUnit* u) { return u && std::binary_search(sortedGone, sortedGone + count, u); };
    for (CSavedOrder* s = orderStack; s; s = s->next) {
        if (gone(s->target)) s->target = nullptr;
        if (gone(s->target2)) s->target2 = nullptr;
        if (gone(s->boundUnit)) s->boundUnit = nullptr;
    }
}

void CUnit::PopOrder()
{
    if (IsNetworkGame() && pilot.side == 2) {
        orderType = ACTION_STAY;
        return;
    }
    CSavedOrder* s = orderStack;
    if (!s) {
        SetOrder(ACTION_STAY, nullptr, nullptr, 0);
        return;
    }
    orderType = s->orderType;
    targetPoint = s->targetPoint;
    ClearWaypoints();
    waypoints = s->route;
    target = s->target;
    target2 = s->target2;
    boundUnit = s->boundUnit;
    currentFrame = unsigned(s->subMesh);
    frameCounter = s->subMeshValue;
    animDirection = s->animDirection;
    orderStack = s->next;
    delete s;
    orderSubState = 0;
    if (IsNetworkGame()) g_Network.SendObjectMessage(14, this);
}

void CUnit::DiscardOrderStack()
{
    while (orderStack) {
        CSavedOrder* next = orderStack->next;
        FreeWaypoints(orderStack->route);
        delete orderStack;
        orderStack = next;
    }
    boundUnit = nullptr;
}

void CUnit::SetTargetsById(int firstId, int secondId)
{
    const int ids[2] = {firstId, secondId};
    transportEndIds[0] = firstId;
    transportEndIds[1] = secondId;
    for (int k = 0; k < 2; ++k) {
        const int id = ids[k];
        CUnit* found = nullptr;
        if (IsNetworkGame()) {
            // Each player's own craft has id 1000: take this unit's owner's.
            found = id == 1000 ? CObjectList::FindByIdAndOwner(id, pilot.ownerId) : CObjectList::FindById(id);
        } else if (id != -1) {
            found = CObjectList::FindById(id);
        }
        transportEnds[k] = found;
    }
}

bool CUnit::IsAlive() const { return hull > 0.0f && orderType != ACTION_DEAD; }
bool CUnit::IsDockingStage2() const { return orderType == ACTION_DOCKING && orderSubState == 2; }
bool CUnit::IsDockingStage3() const
{
    return orderType == ACTION_DOCKING && orderSubState == 3 && dockingStage == 3;
}
bool CUnit::IsDockingStage4() const { return orderType == ACTION_DOCKING && orderSubState == 4; }
bool CUnit::IsDockingPhase() const
{
    if (orderType != ACTION_DOCKING) return false;
    return (orderSubState == 3 && dockingStage > 1) || orderSubState == 4 || orderSubState == 5;
}
