// Sectors 1 to 3: the disabled ship that needs a repair, the convoy that the player
// escorts to the hero station, and the cargo ship with its escort and the ambush.
#include "locations/scripts/sector_scenes.h"

#include "flight_ui/comm_window.h"
#include "locations/location_director.h"
#include "locations/scripts/sector_scene_util.h"
#include "world/objects/object_codes.h"
#include "world/objects/unit.h"
#include "world/world.h"
#include "world/space/dock_time.h"

using namespace scene;

namespace {

constexpr uint32_t kDockSeconds = 60;

int& Quest0()
{
    return g_LocationDirector.questFlags[0];
}

float Manoeuvring(const CUnit* u)
{
    return u->manoeuvring > 0.0f ? u->manoeuvring : 1.0f;
}

// The drifting wreck's slow spin; scaled by the frame time.
void Tumble(CUnit* self, float dt)
{
    self->angularStep.x += dt * 0.05f / Manoeuvring(self);
    self->angularStep.y += dt * 0.02f / Manoeuvring(self);
}

// Slows down over the last twenty radii to the destination. Returns that distance.
float Approach(CUnit* self)
{
    self->destination = self->targetPoint;
    const float d = Distance(self->position, self->destination);
    const float brake = 20.0f * Radius(self);
    self->cruiseSpeed = (brake > 0.0f && d < brake) ? self->engineMax * d / brake * 1.1f : self->engineMax;
    return d;
}

Vec3 BesideHeroStation()
{
    const float r = g_HeroStation ? Radius(g_HeroStation) : 0.0f;
    const Vec3 base = g_HeroStation ? g_HeroStation->position : Vec3();
    return base + Vec3Normalize(Vec3(-1.0f, 1.0f, -1.0f)) * (3.0f * r);
}

Vec3 UpAxis(const CUnit* u)
{
    return Vec3(u->worldMatrix.m[1][0], u->worldMatrix.m[1][1], u->worldMatrix.m[1][2]);
}

// ---- Sector 1: the disabled ship ----
void DisabledShip(CUnit* self, float dt)
{
    CUnit* station = NeedUnit(40);
    CUnit* p = Player();
    if (!self->IsAlive()) {
        if (self->scriptStep != -1) {
            if (IsSpeaker(self)) EndTalk();
            Retire(self, 0, 7);
            self->scriptStep = -1;
        }
        return;
    }
    if (!p) return;
    const float r = Radius(self);
    switch (self->scriptStep) {
    case 0:
        Tumble(self, dt);
        if (SceneGate() && Dist(self, p) < 500.0f) {
            const Vec3 n = Vec3Normalize(self->position - p->position);
            const Vec3 eye = self->position + (n + UpAxis(p)) * (6.0f * r);
            Shot(p, &eye);
            p->manualControl = 0;
            const Vec3 m = Vec3Normalize(p->position - self->position);
            const Vec3 to = self->position + m * (5.0f * r);
            p->SetOrder(ACTION_MOVE, &to, nullptr, 0);
            p->targetPoint = p->destination;
            Mark(self, 1);
            self->objectClass = GCLASS_SPACE_SHIP;
            self->scriptStep = 10;
        }
        if (station && Every(80.0f) && Quiet()) Talk(station, 0);
        break;
    case 10: {
        Tumble(self, dt);
        p->destination = p->targetPoint;
        const float d = Distance(p->position, self->destination);
        p->speed = p->cruiseSpeed = d * p->engineMax / 600.0f;
        if (p->speed < 5.0f || Dist(self, p) < 5.0f * r) {
            Shot(p, nullptr);
            p->manualControl = 1;
            p->speed = 0.0f;
            p->speedPercent = 0.0f;
            Stay(p);
            if (Talk(self, 0)) self->scriptStep = 1;
        }
        break;
    }
    case 1:
        Tumble(self, dt);
        if (Quiet()) {
            p->target = self;
            Guard(self, p);
            self->scriptStep = 2;
        }
        break;
    case 2:
        if (station && Dist(self, station) < 500.0f) {
            self->objectClass = GCLASS_SPACE_SHIP;
            if (SceneGate()) Talk(self, 5);
            Retire(self, 4, 7);
            Dock(self, station, kDockSeconds);
            self->scriptStep = 4;
        } else if (Dist(self, p) > 500.0f) {
            if (p->target == self) p->target = nullptr;
            self->objectClass = GCLASS_SPACE_OBJECT;
            Stay(self);
            self->speedPercent = 0.0f;
            self->cruiseSpeed = 0.0f;
            self->scriptStep = 3;
        } else {
            self->objectClass = GCLASS_SPACE_SHIP;
            const float d = Dist(self, p);
            if (Every(2.5f) && d > 400.0f && d < 500.0f && SceneGate()) Talk(self, 4);
        }
        break;
    case 3:
        Tumble(self, dt);
        if (Dist(self, p) < 500.0f) {
            self->objectClass = GCLASS_SPACE_SHIP;
            Guard(self, p);
            self->scriptStep = 2;
        }
        break;
    case 4:
        if (self->IsDockingStage3()) {
            self->hull = self->hullMax;
            self->engineMax *= 1.5f;
            Retire(station, 0, 4);
            EndTalk();
            Talk(station, 5);
            self->scriptStep = 5;
        }
        break;
    case 5:
        if (self->orderType == ACTION_DOCKING && self->orderSubState == 4) Retire(station, 6, 9);
        if (self->orderType == ACTION_STAY) {
            Guard(self, p);
            ResetLine(self, 6);
            ResetLine(self, 7);
            self->scriptStep = 6;
        }
        break;
    case 6:
        if (SceneGate() && Dist(self, p) < 2000.0f && Talk(self, 6)) self->scriptStep = -1;
        break;
    default:
        break;
    }
}

// ---- Sector 2: the convoy ----
// The first cargo ship of 51 to 54 that is alive, or null.
CUnit* FirstLiveCargo()
{
    for (int id = 51; id <= 54; ++id)
        if (CUnit* c = Unit(id); Alive(c)) return c;
    return nullptr;
}

// Steps 10 and 11 of the leader, also run by cargo ships that have been at the station.
void LeaveAndVanish(CUnit* self)
{
    if (self->scriptStep == 10) {
        Mark(self, 0);
        self->ClearOrderStack();
        HeadFor(self, Vec3(0.0f, -50000.0f, -100000.0f));
        self->scriptStep = 11;
    } else if (self->scriptStep == 11) {
        self->destination = self->targetPoint;
        self->cruiseSpeed = self->engineMax;
        VanishCheck(self, 1.0f);
    }
}

void ConvoyLeader(CUnit* self, float dt)
{
    CUnit* p = Player();
    switch (self->scriptStep) {
    case 0:
        HeadFor(self, BesideHeroStation());
        self->scriptStep = 1;
        break;
    case 1:
        if (Approach(self) < 2.0f * Radius(self)) self->scriptStep = 2;
        if (Quest0() == 1) self->scriptStep = 3;
        break;
    case 2:
        if (g_HeroStation) self->destination = g_HeroStation->position;
        self->cruiseSpeed = 0.0f;
        self->SteerToPoint(dt);
        if (Quest0() == 1) self->scriptStep = 3;
        if (Every(40.0f) && Reach(self, 2000.0f)) {
            Talk(self, 0);
            self->scriptStep = 3;
        }
        break;
    case 3:
        if (!Quiet()) break;
        if (Quest0() == 1) {
            Mark(self, 1);
            Quest0() = 0;
            if (CUnit* first = NeedUnit(51)) Guard(self, first);
            if (p && PlayerHere() && p->manualControl == 1) p->target = self;
            Retire(self, 5, 7);
            Talk(self, 8);
            self->scriptStep = 4;
        } else {
            self->scriptStep = 2;
        }
        break;
    case 4: {
        CUnit* bound = self->boundUnit;
        if (Alive(bound) && bound->IsDockingPhase()) {
            self->boundUnit = nullptr;
            Stay(self);
            Retire(self, 10, 10);
            if (Quiet()) Talk(self, 11);
            self->scriptStep = 10;
        } else if (!Alive(bound)) {
            if (CUnit* c = FirstLiveCargo()) {
                if (Quiet()) Talk(self, 10);
                Guard(self, c);
            } else {
                self->boundUnit = nullptr;
                Retire(self, 10, 11);
                if (Quiet()) Talk(self, 12);
                self->scriptStep = 10;
            }
        }
        break;
    }
    case 10:
    case 11:
        LeaveAndVanish(self);
        break;
    default:
        break;
    }
}

void ConvoyCargo(CUnit* self)
{
    CUnit* p = Player();
    switch (self->scriptStep) {
    case 0: {
        CUnit* leader = NeedUnit(50);
        if (!Alive(leader)) {
            Retire(self, 0, 3);
            // Lost after the convoy's shot took the controls: nothing else would end it.
            if (p && g_World.Camera().shotUnit == p && p->manualControl == 0) {
                Shot(p, nullptr);
                p->manualControl = 1;
                Stay(p);
            }
            self->scriptStep = -1;
            break;
        }
        // The shot hands the ship to the computer until a cargo ship sets off, which only
        // an agreed escort (the leader guarding the convoy) brings about: before that the
        // player keeps his controls.
        if (p && PlayerHere() && p->manualControl == 1 && Dist(self, p) < 500.0f && leader->scriptStep == 4) {
            for (int id = 51; id <= 54; ++id)
                if (CUnit* c = Unit(id)) c->speedPercent = 2.0f;
            if (CUnit* u52 = NeedUnit(52)) {
                const float s = Radius(u52);
                const Vec3 eye = u52->position + Vec3(s, -3.0f * s, -2.0f * s);
                Shot(p, &eye);
            }
            p->manualControl = 0;
            if (CUnit* u53 = NeedUnit(53)) Guard(p, u53);
        }
        if (leader->orderType == ACTION_GUARD && Dist(self, leader) < 200.0f && leader->speed < 5.0f) {
            Retire(leader, 8, 8);
            for (int id = 51; id <= 54; ++id) {
                CUnit* c = Unit(id);
                if (!c) continue;
                c->objectClass = GCLASS_SPACE_SHIP;
                if (g_HeroStation) Dock(c, g_HeroStation, kDockSeconds);
                c->scriptStep = 1;
                Mark(c, 1);
            }
            for (int k = 0; k < 3; ++k) {
                CUnit* pirate = Unit(60 + k);
                CUnit* prey = Unit(51 + k);
                if (!pirate) continue;
                if (prey) Attack(pirate, prey);
                pirate->scriptStep = 1;
            }
            self->scriptStep = 1;
        }
        break;
    }
    case 1:
        if (p && PlayerHere() && p->manualControl == 0 && Dist(self, p) < 500.0f && self->speed > 30.0f) {
            Shot(p, nullptr);
            p->manualControl = 1;
            Stay(p);
            p->target = self;
            for (int id = 51; id <= 54; ++id)
                if (CUnit* c = Unit(id); c && c != self) Retire(c, 1, 1);
            Talk(self, 1);
        }
        if (CUnit* ambush = Unit(60); ambush && Dist(self, ambush) < 3050.0f) {
            Retire(Unit(50), 9, 9);
            for (int id = 51; id <= 54; ++id) {
                CUnit* c = Unit(id);
                if (!c) continue;
                c->objectClass = GCLASS_SPACE_SHIP;
                Retire(c, 0, 1);
                c->scriptStep = 2;
            }
            if (Quiet()) Talk(self, 2);
            for (int id = 60; id <= 62; ++id)
                if (CUnit* u = Unit(id)) u->objectClass = GCLASS_SPACE_SHIP;
            self->scriptStep = 2;
        }
        break;
    case 2:
        if (Every(10.0f) && self->orderType != ACTION_DEAD && Quiet() && HostileNear(self, 500.0f) &&
            (Unit(60) || Unit(61) || Unit(62)))
            Talk(self, 2);
        if (self->IsDockingPhase()) self->scriptStep = 3;
        break;
    case 3:
        if (self->orderType == ACTION_STAY) {
            Retire(self, 2, 2);
            self->kind = GTYPE_SP_NPCSHIP_ID0;
            if (Quiet()) Talk(self, 3);
            self->scriptStep = 10;
        }
        break;
    default:
        break;
    }
}

// Pirates of sectors 2, 4 and 1/7/8: keep attacking a live prey of ids first..last that
// is not docking, or become traffic.
void HuntConvoy(CUnit* self, int first, int last)
{
    if (!self->IsAlive()) return;
    CUnit* prey = self->target2;
    if (prey && prey->IsAlive() && !prey->IsDockingPhase()) return;
    for (int id = first; id <= last; ++id) {
        CUnit* c = Unit(id);
        if (c && !c->IsDockingPhase() && c->IsAlive()) {
            Attack(self, c);
            return;
        }
    }
    MakeTraffic(self);
}

void ConvoyPirate(CUnit* self)
{
    if (self->scriptStep != 1 || !self->IsAlive()) return;
    CUnit* prey = self->target2;
    if (prey && prey->IsAlive() && !prey->IsDockingPhase()) return;
    CUnit* leader = Unit(50);
    if (Alive(leader) && Quiet()) Talk(leader, 13);
    HuntConvoy(self, 51, 54);
}

// ---- Sector 3: the cargo ship and its escort ----
void Sector3Cargo(CUnit* self)
{
    switch (self->scriptStep) {
    case 0:
        HeadFor(self, BesideHeroStation());
        self->scriptStep = 1;
        break;
    case 1:
        if (Approach(self) < 2.0f * Radius(self)) {
            Stay(self);
            if (CUnit* escort = NeedUnit(50)) escort->scriptStep = 1;
            self->scriptStep = 2;
        }
        if (!self->IsAlive()) self->scriptStep = 2;
        break;
    case 2:
        if (Every(2.0f)) {
            for (int id = 60; id <= 62; ++id) {
                CUnit* u = Unit(id);
                if (Alive(u) && u->objectClass != GCLASS_SPACE_SHIP && Dist(u, self) < 2500.0f) WakeAgainst(u, self);
            }
        }
        if (!self->IsAlive() || self->IsDockingPhase()) {
            for (int id = 60; id <= 62; ++id)
                if (CUnit* u = Unit(id); Alive(u)) MakeTraffic(u);
            self->scriptStep = -1;
        }
        break;
    default:
        break;
    }
}

void Sector3Escort(CUnit* self)
{
    CUnit* cargo = Unit(51);
    CUnit* station = NeedUnit(49);
    CUnit* p = Player();
    switch (self->scriptStep) {
    case 0:
        if (cargo) Guard(self, cargo);
        self->scriptStep = 10;
        break;
    case 10: {
        CUnit* bound = self->boundUnit;
        if (!Alive(bound) || bound->IsDockingPhase()) {
            if (station) Dock(self, station, kStaysDocked);
            self->scriptStep = -1;
        }
        break;
    }
    case 1:
        if (Every(10.0f) && Reach(self, 2000.0f)) {
            Talk(self, 1);
            self->scriptStep = 2;
        }
        break;
    case 2:
        if (!Quiet()) {
            if (!Alive(self->boundUnit)) {
                Mark(self, 0);
                if (IsSpeaker(self)) EndTalk();
                self->scriptStep = 10;
            }
        } else {
            if (cargo) Guard(self, cargo);
            if (cargo && station) Dock(cargo, station, kStaysDocked);
            if (Quest0() == 1) {
                Quest0() = 0;
                Retire(self, 7, 8);
                Talk(self, 6);
                Mark(cargo, 1);
                Mark(self, 1);
                self->scriptStep = 3;
            } else {
                Retire(self, 0, 0);
                Retire(self, 6, 6);
                self->scriptStep = 10;
            }
        }
        break;
    case 3:
        if (Every(10.0f) && cargo && HostileNear(cargo, 1000.0f) && Quiet()) Talk(self, 13);
        if (!Alive(self->boundUnit)) {
            Mark(self, 0);
            self->boundUnit = nullptr;
            if (station) Dock(self, station, kStaysDocked);
            Retire(self, 0, 15);
            EndTalk();
            Talk(self, 14);
            self->scriptStep = -1;
        } else if (self->boundUnit->IsDockingPhase()) {
            self->boundUnit = nullptr;
            Retire(self, 0, 0);
            if (p) Guard(self, p);
            self->scriptStep = 4;
        }
        break;
    case 4:
        if (g_LocationDirector.ordersAvailable == 0) {
            self->scriptStep = 5;
        } else if (Reach(self, 1000.0f)) {
            Talk(self, 0);
            self->scriptStep = 5;
        }
        break;
    case 5:
        if (Quiet()) {
            Mark(self, 0);
            if (station) Dock(self, station, kStaysDocked);
            self->scriptStep = -1;
        }
        break;
    default:
        break;
    }
}

} // namespace

// Shared with the convoy scripts of the other sectors.
void HuntConvoyPrey(CUnit* self, int first, int last)
{
    HuntConvoy(self, first, last);
}

bool RunSectorMissionScript(CUnit* u, int scriptKind, float dt)
{
    const int location = g_LocationDirector.locationId;
    if (location == 1) {
        if (scriptKind != GTYPE_SP_NPCSHIP_ID2) return false;
        DisabledShip(u, dt);
        return true;
    }
    if (location == 2) {
        switch (scriptKind) {
        case GTYPE_SP_NPCSHIP_ID0:
            // Cargo ships that have been at the station fly off with the leader's steps.
            if (u->pilot.objectId != 50) LeaveAndVanish(u);
            else ConvoyLeader(u, dt);
            return true;
        case GTYPE_SP_NPCSHIP_ID1: ConvoyCargo(u); return true;
        case GTYPE_SP_NPCSHIP_ID2: ConvoyPirate(u); return true;
        default: return false;
        }
    }
    if (location == 3) {
        switch (scriptKind) {
        case GTYPE_SP_NPCSHIP_ID0: Sector3Escort(u); return true;
        case GTYPE_SP_NPCSHIP_ID1: Sector3Cargo(u); return true;
        default: return false;
        }
    }
    return false;
}
