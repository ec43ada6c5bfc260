// Sectors 1 and 4 to 8: convoys that call the player, escorts, pirates in wait, and the
// ships that follow the player after their errand.
#include "locations/scripts/sector_scenes.h"

#include "locations/location_director.h"
#include "locations/scripts/sector_scene_util.h"
#include "world/game_clock.h"
#include "world/objects/object_codes.h"
#include "world/objects/unit.h"
#include "world/world.h"

using namespace scene;

void HuntConvoyPrey(CUnit* self, int first, int last);

namespace {

constexpr uint32_t kDockSeconds = 60;
const Vec3 kSouthExit(0.0f, 0.0f, -100000.0f);
const Vec3 kNorthExit(0.0f, 0.0f, 100000.0f);

bool AnyExists(int first, int last)
{
    for (int id = first; id <= last; ++id)
        if (Unit(id)) return true;
    return false;
}

// Pirates of the range that still lie in wait near the ship wake against it; returns how
// many woke.
int WakeNear(CUnit* self, int first, int last, float range, bool restartStep)
{
    int woken = 0;
    for (int id = first; id <= last; ++id) {
        CUnit* u = Unit(id);
        if (!Alive(u) || u->objectClass == GCLASS_SPACE_SHIP || Dist(u, self) >= range) continue;
        WakeAgainst(u, self);
        if (restartStep) u->scriptStep = 0;
        ++woken;
    }
    return woken;
}

// ---- Sector 4 ----
void Sector4Cargo(CUnit* self)
{
    CUnit* p = Player();
    switch (self->scriptStep) {
    case 0: {
        CruiseAt(self, 30.0f);
        if (!self->IsAlive()) break;
        if (p && Dist(self, p) < 8000.0f) {
            Mark(self, 1);
            if (Every(60.0f) && Quiet()) Talk(self, 0);
        }
        if (Every(1.0f) && WakeNear(self, 70, 78, 3000.0f, true) > 0 && p) {
            for (int id = 60; id <= 65; ++id) {
                CUnit* g = Unit(id);
                if (Alive(g) && Dist(g, p) < 2000.0f) {
                    if (Quiet()) Talk(g, 1);
                    break;
                }
            }
        }
        if (Every(30.0f) && Quiet() && HostileNear(self, 500.0f)) Talk(self, 1);
        if (VanishCheck(self, 2.0f)) break;
        if (Every(10.0f) && !AnyExists(70, 78)) {
            Mark(self, 0);
            Retire(self, 0, 1);
            if (Quiet()) Talk(self, 0);
            self->scriptStep = 10;
            for (int id = 55; id >= 50; --id) {
                CUnit* c = Unit(id);
                if (!c) continue;
                // A talk of the follower would offer lines it no longer has.
                if (c != self && IsSpeaker(c)) EndTalk();
                Retire(c, 0, 2);
                if (p) c->SetOrder(ACTION_GUARD, p, nullptr, 0);
                c->scriptStep = 1;
                break;
            }
        }
        break;
    }
    case 1:
        if (g_LocationDirector.ordersAvailable == 0 || IsSpeaker(self)) {
            self->scriptStep = 2;
        } else if (Reach(self, 1000.0f) && Talk(self, 0)) {
            self->scriptStep = 2;
        }
        break;
    case 2:
        if (Quiet()) {
            Mark(self, 0);
            ResetLine(self, 2);
            self->ClearOrderStack();
            HeadFor(self, kSouthExit);
            self->scriptStep = 10;
        }
        break;
    case 10:
        CruiseAt(self, self->engineMax);
        VanishCheck(self, 1.0f);
        break;
    default:
        break;
    }
}

void LeaveSouth(CUnit* self)
{
    self->ClearOrderStack();
    self->boundUnit = nullptr;
    HeadFor(self, kSouthExit);
    self->scriptStep = 10;
}

void Sector4Escort(CUnit* self)
{
    if (self->scriptStep == 0) {
        if (!self->IsAlive()) return;
        if (!Alive(self->boundUnit)) {
            CUnit* cargo = nullptr;
            for (int id = 50; id <= 55 && !cargo; ++id) {
                CUnit* c = Unit(id);
                if (c && c->hull != 0.0f && c->orderType != ACTION_DEAD) cargo = c;
            }
            if (cargo) {
                if (Quiet()) Talk(self, 2);
                self->ClearOrderStack();
                Guard(self, cargo);
            } else {
                Retire(self, 0, 2);
                if (Quiet()) Talk(self, 3);
                LeaveSouth(self);
                return;
            }
        }
        if (Every(2.0f) && !AnyExists(70, 78)) LeaveSouth(self);
    } else if (self->scriptStep == 10) {
        if (self->orderType == ACTION_STAY) HeadFor(self, kSouthExit);
        CruiseAt(self, self->engineMax);
        VanishCheck(self, 1.0f);
    }
}

void Sector4Pirate(CUnit* self)
{
    if (self->scriptStep == 10) {
        if (Every(20.0f) && !AnyExists(50, 55)) self->scriptStep = 0;
    } else if (self->scriptStep == 0) {
        HuntConvoyPrey(self, 50, 55);
    }
}

// ---- Sector 5 ----
void Sector5Visitor(CUnit* self)
{
    CUnit* station = NeedUnit(49);
    if (!station) return;  // every step here needs the station
    switch (self->scriptStep) {
    case 0:
        if (!self->IsAlive()) {
            self->scriptStep = 10;
        } else if (Dist(self, station) < 10000.0f) {
            Retire(station, 0, 0);
            if (Quiet() && Talk(station, 0)) {
                Mark(self, 1);
                self->scriptStep = 1;
            }
        }
        break;
    case 1:
        if (!self->IsAlive()) {
            self->scriptStep = 10;
            break;
        }
        if (Every(60.0f) && Quiet()) Talk(station, 0);
        if (Every(30.0f) && Quiet() && HostileNear(self, 500.0f)) Talk(self, 1);
        if (Every(1.0f) && WakeNear(self, 60, 63, 3500.0f, true) > 0 && Quiet()) Talk(self, 1);
        if (self->IsDockingStage3()) {
            Retire(station, 0, 2);
            if (!Quiet()) EndTalk();
            Talk(station, 0);
            // The ship the station held since the start leaves 30 s after this one slid in.
            for (int s = 0; s < station->dockedCount && s < kMaxDocked; ++s) {
                CUnit* held = station->dockedUnits[s];
                if (!held || held == self) continue;
                station->dockStartTimes[s] = g_GameClock.NowMs();
                held->dockTime = 30;
                held->scriptStep = 0;
                break;
            }
            self->scriptStep = 2;
        }
        break;
    case 2:
        if (self->orderType == ACTION_STAY) {
            Retire(self, 0, 1);
            self->kind = GTYPE_SP_NPCSHIP_ID1;
            self->scriptStep = 0;
        }
        break;
    case 10:
        if (!self->IsAlive()) {
            Retire(station, 0, 1);
            Retire(station, 3, 4);
            if (Quiet()) Talk(station, 2);
            for (int id = 60; id <= 63; ++id)
                if (CUnit* u = Unit(id); Alive(u)) MakeTraffic(u);
            self->scriptStep = -1;
        }
        break;
    default:
        break;
    }
}

// Follows the player and calls him; with no room left at the hero station it is lost.
void Sector5Follower(CUnit* self)
{
    switch (self->scriptStep) {
    case 0:
        if (self->orderType == ACTION_STAY) {
            if (CUnit* p = Player()) self->SetOrder(ACTION_GUARD, p, nullptr, 0);
            self->scriptStep = 1;
        }
        break;
    case 1:
        if (g_LocationDirector.ordersAvailable == 0) {
            self->TakeHit(1000.0f, nullptr, self->position, nullptr);
        } else if (Every(20.0f) && Reach(self, 1000.0f) && Talk(self, 0)) {
            self->scriptStep = 2;
        }
        break;
    case 2:
        if (Quiet()) self->scriptStep = 1;
        break;
    default:
        break;
    }
}

// ---- Sector 6 ----
void Sector6Ship(CUnit* self)
{
    switch (self->scriptStep) {
    case 0:
        if (g_HeroStation) self->SetOrder(ACTION_GUARD, g_HeroStation, nullptr, 0);
        self->scriptStep = 1;
        break;
    case 1:
        if (IsSpeaker(self)) {
            Stay(self);
            self->scriptStep = 2;
        } else if (ReachCalm(self, 2000.0f)) {
            Stay(self);
            Talk(self, 0);
            self->scriptStep = 2;
        }
        break;
    case 2:
        Mark(self, 1);
        if (Quiet()) {
            HeadFor(self, kNorthExit);
            self->scriptStep = 3;
        }
        break;
    case 3:
        CruiseAt(self, self->engineMax);
        if (Every(30.0f) && HostileNear(self, 1000.0f) && Quiet()) Talk(self, 7);
        if (Every(2.0f))
            for (int id = 60; id <= 61; ++id) {
                CUnit* u = Unit(id);
                if (u && u->objectClass != GCLASS_SPACE_SHIP && Dist(u, self) < 2500.0f) WakeAgainst(u, self);
            }
        if (!self->IsAlive()) {
            for (int id = 60; id <= 61; ++id)
                if (CUnit* u = Unit(id)) MakeTraffic(u);
            self->scriptStep = -1;
            break;
        }
        if (Every(2.0f) && !AnyExists(60, 61)) {
            Retire(self, 0, 7);
            Stay(self);
            self->scriptStep = 4;
        }
        break;
    case 4:
        if (IsSpeaker(self)) {
            self->SetOrder(ACTION_MOVE, &kNorthExit, nullptr, 0);
            self->scriptStep = 5;
        } else if (ReachCalm(self, 2000.0f)) {
            Talk(self, 0);
            self->scriptStep = 5;
        }
        break;
    case 5:
        if (Quiet()) {
            HeadFor(self, kNorthExit);
            self->scriptStep = 6;
        }
        break;
    case 6:
        if (self->orderType == ACTION_STAY) HeadFor(self, kNorthExit);
        CruiseAt(self, self->engineMax);
        VanishCheck(self, 1.0f);
        break;
    default:
        break;
    }
}

// ---- Sectors 1, 7 and 8: the convoy to the hero station ----
void StationConvoy(CUnit* self)
{
    switch (self->scriptStep) {
    case 0:
        HeadFor(self, self->position + kNorthExit);
        self->scriptStep = 1;
        break;
    case 1:
        // The convoy stops together; a ship shot down on the way leaves the others to go on.
        CruiseAt(self, self->engineMax);
        if (g_HeroStation && Dist(self, g_HeroStation) < 8000.0f) {
            for (int id = 50; id <= 53; ++id) {
                CUnit* c = Unit(id);
                if (!c) continue;
                Stay(c);
                Mark(c, 1);
                c->scriptStep = 2;
            }
        }
        break;
    case 2:
        if (ReachCalm(self, 8000.0f) && Talk(self, 1)) {
            for (int id = 50; id <= 53; ++id)
                if (CUnit* c = Unit(id)) c->scriptStep = 3;
        }
        break;
    case 3:
        if (Quiet()) {
            for (int id = 50; id <= 53; ++id) Retire(Unit(id), 1, 11);
            if (g_HeroStation) Dock(self, g_HeroStation, kDockSeconds);
            self->scriptStep = 4;
        }
        break;
    case 4:
        if (self->IsAlive() && Every(2.0f) && g_HeroStation && Dist(self, g_HeroStation) < 6000.0f)
            WakeNear(self, 60, 62, 1.0e30f, true);
        if (self->IsAlive() && Every(10.0f) && Quiet() && HostileNear(self, 1000.0f)) Talk(self, 12);
        if (self->IsDockingStage3()) self->scriptStep = 5;
        break;
    case 5:
        if (self->orderType == ACTION_STAY) {
            Mark(self, 0);
            Retire(self, 0, 0);
            Retire(self, 12, 12);
            if (Quiet()) Talk(self, 13);
            self->scriptStep = 6;
        }
        break;
    case 6:
        self->ClearOrderStack();
        HeadFor(self, kNorthExit);
        self->scriptStep = 7;
        break;
    case 7:
        CruiseAt(self, self->engineMax);
        VanishCheck(self, 1.0f);
        break;
    default:
        break;
    }
}

} // namespace

bool RunConvoyScript(CUnit* u, int scriptKind, float)
{
    const int location = g_LocationDirector.locationId;
    switch (location) {
    case 1:
    case 7:
    case 8:
        if (scriptKind == GTYPE_SP_NPCSHIP_ID0) StationConvoy(u);
        else if (scriptKind == GTYPE_SP_NPCSHIP_ID1 && u->scriptStep == 0) HuntConvoyPrey(u, 50, 53);
        else return false;
        return true;
    case 4:
        if (scriptKind == GTYPE_SP_NPCSHIP_ID0) Sector4Cargo(u);
        else if (scriptKind == GTYPE_SP_NPCSHIP_ID1) Sector4Escort(u);
        else if (scriptKind == GTYPE_SP_NPCSHIP_ID2) Sector4Pirate(u);
        else return false;
        return true;
    case 5:
        if (scriptKind == GTYPE_SP_NPCSHIP_ID0) Sector5Visitor(u);
        else if (scriptKind == GTYPE_SP_NPCSHIP_ID1) Sector5Follower(u);
        else return false;
        return true;
    case 6:
        if (scriptKind != GTYPE_SP_NPCSHIP_ID0) return false;
        Sector6Ship(u);
        return true;
    default:
        return false;
    }
}
