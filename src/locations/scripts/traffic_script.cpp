// Spawned traffic, pirate and alien ships: each gets an errand near the player, and once
// it is far enough away it is sent in again as a new pilot, so the scene never empties.
#include "locations/scripts/sector_scenes.h"

#include <cstring>

#include "locations/location_director.h"
#include "locations/scripts/sector_scene_util.h"
#include "platform/crt/rand.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/attached_effect.h"
#include "world/objects/object_codes.h"
#include "world/objects/unit.h"
#include "world/world.h"

using namespace scene;

namespace {

constexpr float kFighterLeash = 5100.0f;
constexpr float kTransportLeash = 11000.0f;
constexpr float kStationSearch = 100000.0f;

Vec3 RandomDirection()
{
    Vec3 v;
    do {
        v.x = float(GameRand() % 2001) * 0.01f - 10.0f;
        v.y = float(GameRand() % 2001) * 0.01f - 10.0f;
        v.z = float(GameRand() % 2001) * 0.01f - 10.0f;
    } while (Vec3Length(v) <= 1.0f);
    return Vec3Normalize(v);
}

bool IsPirateSide(const CUnit* u)
{
    return u->pilot.side == 2 || u->pilot.side == 3;
}

CUnit* CargoStation(CUnit* self)
{
    return CObjectList::FindNearestStation(kStationSearch, self);
}

// Neutral ships call the player by radio in sectors 3 to 11.
void Hail(CUnit* self, CUnit* p, int line, bool oncePerTrip)
{
    const int location = g_LocationDirector.locationId;
    if (location < 3 || location > 11) return;
    if (oncePerTrip && self->alertFlag != 0) return;
    if (self->orderType == ACTION_DEAD || !Quiet() || !Every(30.0f) || Dist(self, p) >= 1000.0f) return;
    Talk(self, line);
    if (oncePerTrip) self->alertFlag = 1;
}

// The ship jumps back in as a new pilot: nothing may keep chasing or talking to the old one.
void Recycle(CUnit* self, CUnit* p, bool transport, int nextStep)
{
    for (int i = 0; i < self->effectCount && i < kMaxUnitEffects; ++i)
        if (self->effects[i]) self->effects[i]->trailCount = 0;
    char folder[sizeof(self->pilot.folder)];
    std::strncpy(folder, self->pilot.folder, sizeof(folder) - 1);
    folder[sizeof(folder) - 1] = '\0';
    self->pilot.Load(self, folder);
    if (!IsPirateSide(self)) self->alertFlag = 0;
    if (IsSpeaker(self)) EndTalk();
    if (p->target == self) p->target = nullptr;
    for (int i = 0; i < CObjectList::Count(); ++i) {
        CUnit* other = CObjectList::units[g_WorldIndex == 0 ? 0 : 1][i];
        if (other == self) continue;
        if (other->target == self) other->target = nullptr;
        if (other->target2 == self) other->target2 = nullptr;
    }
    if (transport) self->ore = 0.0f;
    self->scriptStep = nextStep;
}

void Depart(CUnit* self, const Vec3& point)
{
    self->SetOrder(ACTION_MOVE, &point, nullptr, 0);
    self->targetPoint = self->destination;
    self->cruiseSpeed = self->engineMax;
}

void Neutral(CUnit* self, CUnit* p)
{
    switch (self->scriptStep) {
    case 0: {
        self->position = p->position + RandomDirection() * 5000.0f;
        const Vec3 away = p->position + RandomDirection() * 100000.0f;
        self->SetOrder(ACTION_MOVE, &away, nullptr, 0);
        self->targetPoint = self->destination;
        self->speedPercent = 100.0f;
        self->speed = self->cruiseSpeed = self->engineMax;
        self->scriptStep = 1;
        break;
    }
    case 1:
        self->destination = self->targetPoint;
        Hail(self, p, 5, true);
        if (Dist(self, p) > kFighterLeash && self->orderType != ACTION_DEAD) Recycle(self, p, false, 0);
        break;
    case 10: {
        const int location = g_LocationDirector.locationId;
        if (location < 1 || location > 99) {
            // The menu scene and the intros have no stations to trade at.
            self->scriptStep = 0;
            break;
        }
        self->position = p->position + RandomDirection() * (10000.0f + 2000.0f * float(GameRand() % 11));
        if (CUnit* station = CargoStation(self)) {
            self->SetOrder(ACTION_DOCKING, station, nullptr, 0);
            self->dockTime = 0;
        }
        self->scriptStep = 11;
        break;
    }
    case 11:
        Hail(self, p, 5, true);
        if (self->orderType == ACTION_STAY) {
            Depart(self, p->position + RandomDirection() * 500000.0f);
            self->scriptStep = 12;
        }
        break;
    case 12:
        self->destination = self->targetPoint;
        Hail(self, p, 6, false);
        if (Dist(self, p) > kTransportLeash && self->orderType != ACTION_DEAD) Recycle(self, p, true, 10);
        break;
    default:
        break;
    }
}

void Pirate(CUnit* self, CUnit* p)
{
    switch (self->scriptStep) {
    case 0:
        if (!self->boundUnit) {
            self->position = RandomDirection() * (10000.0f + 2000.0f * float(GameRand() % 16));
            if (CUnit* station = CargoStation(self)) self->SetOrder(ACTION_GUARD, station, nullptr, 0);
            self->scriptStep = 1;
        } else {
            const int s = self->boundUnit->scriptStep;
            if (s < 0 || s > 10) {
                self->position = self->boundUnit->position + RandomDirection() * 200.0f;
                self->scriptStep = 1;
            }
        }
        break;
    case 1: {
        CUnit* b = self->boundUnit;
        const bool lost = !b || b->hull == 0.0f || b->orderType == ACTION_DEAD ||
                          (b->ore != 0.0f && b->orderType == ACTION_MOVE);
        if (lost && self->hull != 0.0f && self->orderType != ACTION_DEAD) {
            CUnit* station = CargoStation(self);
            if (!station) station = g_HeroStation;
            if (station && station != b) self->SetOrder(ACTION_GUARD, station, nullptr, 0);
        }
        break;
    }
    case 10:
        self->position = RandomDirection() * (20000.0f + 2000.0f * float(GameRand() % 16));
        if (CUnit* station = CargoStation(self)) {
            self->SetOrder(ACTION_DOCKING, station, nullptr, 0);
            self->dockTime = 0;
            self->scriptStep = 11;
        } else {
            self->hull = 0.0f;  // the registry takes it out at the end of the frame
            self->scriptStep = -1;
        }
        break;
    case 11:
        if (self->orderType == ACTION_STAY) {
            const Vec3 away = p->position + RandomDirection() * 500000.0f;
            if (self->ore != 0.0f) {
                Depart(self, away);
                self->scriptStep = 12;
            } else if (CUnit* station = CargoStation(self)) {
                self->SetOrder(ACTION_DOCKING, station, nullptr, 0);
                self->dockTime = 0;
            } else {
                Depart(self, away);
                self->ore = 1.0f;
                self->scriptStep = 12;
            }
        }
        break;
    case 12:
        self->destination = self->targetPoint;
        if (Dist(self, p) > kTransportLeash && self->orderType != ACTION_DEAD) Recycle(self, p, true, 10);
        break;
    default:
        break;
    }
}

} // namespace

bool RunTrafficScript(CUnit* u, int scriptKind, float)
{
    if (scriptKind != GTYPE_SP_NPCSHIP_MOVED || g_GameMode == 2) return false;
    CUnit* p = Player();
    if (!p) return true;
    if (IsPirateSide(u)) Pirate(u, p);
    else Neutral(u, p);
    return true;
}

bool RunSectorScript(CUnit* u, int scriptKind, float dt)
{
    return RunSectorMissionScript(u, scriptKind, dt) || RunConvoyScript(u, scriptKind, dt) ||
           RunTrafficScript(u, scriptKind, dt);
}
