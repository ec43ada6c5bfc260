// A station's docking bay: requests, the way of a ship through the gate into the
// station, the services of the docked ships, their launches, and the alien parasites
// latched onto a station.
#include <cmath>

#include "app/settings.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/radio_menu.h"
#include "locations/location_director.h"
#include "locations/station_interiors.h"
#include "net/network.h"
#include "render/camera.h"
#include "render/mesh.h"
#include "world/objects/attached_effect.h"
#include "world/game_clock.h"
#include "world/objects/item.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/world.h"
#include "world/space/dock_time.h"

namespace {

enum BayState { BAY_IDLE = -1, BAY_REQUESTED = 0, BAY_LAUNCHING = 1, BAY_SERVING = 2 };

enum DockingStage {
    STAGE_APPROACH = 0,
    STAGE_TO_GATE = 1,
    STAGE_IN_BAY = 2,
    STAGE_SLIDE_IN = 3,
    STAGE_DOCK = 4,
    STAGE_PLAYER_REQUESTED = 100,
    STAGE_PLAYER_IN_BAY = 101,
    STAGE_PLAYER_SLIDE_IN = 102,
    STAGE_PLAYER_DOCK = 103,
    STAGE_WAIT_AT_GATE = 1001,
    STAGE_PLAYER_WAIT_AT_GATE = 1002,
};

// Order sub-states of a ship in ACTION_DOCKING that the bay sets.
constexpr int kSubLeavingBay = -1;   // launched, still inside: the bay brings it out
constexpr int kSubInBay = 3;
constexpr int kSubLeaving = 4;       // out of the gate, flying clear of the station
constexpr int kSubHeld = 5;          // served at the gate

constexpr float kSlideSeconds = 3.0f;
constexpr float kPi = 3.14159265358979f;
constexpr float kPlayerLapseSeconds = 20.0f;
constexpr float kPlayerGateReach = 30.0f;
constexpr float kNearToGate = 50.0f;
// An unloading or loading cargo bay without a rate of its own moves a tenth of its
// capacity per second; a ship without a cargo bay moves this much.
constexpr float kDefaultCargoRate = 10.0f;

bool IsNetworkGame() { return g_GameMode == 2; }

float SecondsSince(uint32_t stamp) { return float((g_GameClock.gameTime - double(stamp)) * 0.001); }

Vec3 Row(const Matrix& m, int r) { return Vec3(m.m[r][0], m.m[r][1], m.m[r][2]); }

bool IsPlayerShip(const CUnit* ship)
{
    return ship && (ship == g_PlayerObject || ship->kind == GTYPE_SP_HEROSHIP);
}

// Point i of the list of a model in world space: scaled by the scale, turned and moved
// by the world matrix (which carries no scale).
bool ModelPoint(const CMesh* mesh, int list, int index, const Vec3& scale, const Matrix& world, Vec3* out)
{
    if (!mesh) return false;
    const Vec3* p = mesh->GetPoint(list, index);
    if (!p) return false;
    *out = Vec3TransformCoord(Vec3(p->x * scale.x, p->y * scale.y, p->z * scale.z), world);
    return true;
}

// Point i of the station's gate bay: 0 the gate, 1 the approach point outside, 2 the
// resting place inside.
bool BayPoint(const CUnit& station, int index, Vec3* out)
{
    const CAttachedEffect* bay = station.FindGateBay();
    if (!bay || bay->meshCount <= 0) return false;
    // The bay takes its station's scale, except on a leaf station.
    const Vec3 scale = station.kind == GTYPE_SP_LEAFSTATION ? bay->scale : station.scale;
    return ModelPoint(bay->meshes[0], MESH_POINTS_COCKPIT, index, scale, station.worldMatrix, out);
}

struct BayGeometry {
    Vec3 gate;      // P1
    Vec3 outside;   // P2
    Vec3 inside;    // P3
    bool hasInside = false;
    Vec3 out;       // unit direction from the gate out of the station
    float length = 0.0f;
};

BayGeometry Geometry(const CUnit& station)
{
    BayGeometry g;
    Vec3 points[2];
    station.GetGunPoints(points);
    g.gate = points[0];
    g.outside = points[1];
    g.hasInside = BayPoint(station, 2, &g.inside);
    g.length = Vec3Length(g.outside - g.gate);
    g.out = g.length > 0.0f ? (g.outside - g.gate) / g.length : Row(station.worldMatrix, 2);
    if (Vec3LengthSq(g.out) == 0.0f) g.out = Vec3(0.0f, 0.0f, 1.0f);
    return g;
}

Vec3 StationUp(const CUnit& station)
{
    const Vec3 up = Row(station.worldMatrix, 1);
    return Vec3LengthSq(up) > 0.0f ? up : Vec3(0.0f, 1.0f, 0.0f);
}

// Turns the ship to look along a direction, keeping its place.
void Face(CUnit& ship, const Vec3& direction, const Vec3& up)
{
    const Vec3 p = ship.position;
    ship.SetLookAt(p, p + direction * 500.0f, up);
    ship.worldMatrix.m[3][0] = p.x, ship.worldMatrix.m[3][1] = p.y, ship.worldMatrix.m[3][2] = p.z;
    ship.angularStep = Vec3();
}

void StopShip(CUnit& ship)
{
    ship.speed = 0.0f;
    ship.cruiseSpeed = 0.0f;
    ship.speedPercent = 0.0f;
    ship.spinState = Vec3();
}

float CargoRate(const CUnit& ship)
{
    const CItem* cargo = ship.FindCargoItem();
    if (!cargo) return kDefaultCargoRate;
    if (cargo->shotSpeed > 0.0f) return cargo->shotSpeed;
    return cargo->capacity > 0.0f ? cargo->capacity * 0.1f : kDefaultCargoRate;
}

// The ship's ore goes into the station: the station's stock counts it refined, a
// two-hundredth of the raw amount.
void UnloadOre(CUnit& station, CUnit& ship, float dt)
{
    if (!(ship.ore > 0.0f)) return;
    float amount = CargoRate(ship) * dt;
    if (amount > ship.ore) amount = ship.ore;
    if (!(amount > 0.0f)) return;
    ship.ore -= amount;
    if (ship.ore < 0.0f) ship.ore = 0.0f;
    station.ore += amount / 200.0f;
    if (ship.pilot.side == 1) {
        ship.statistics.oreDelivered += amount;
        ship.statistics.missionOreDelivered += amount;
    }
}

// Runs a list operation on the space world's list whatever world is current.
struct SpaceWorldScope {
    int saved;
    SpaceWorldScope() : saved(g_WorldIndex) { g_WorldIndex = 1; }
    ~SpaceWorldScope() { g_WorldIndex = saved; }
    SpaceWorldScope(const SpaceWorldScope&) = delete;
    SpaceWorldScope& operator=(const SpaceWorldScope&) = delete;
};

bool HoldsPlayerShip(const CUnit& station)
{
    for (int i = 0; i < kMaxDocked; ++i)
        if (station.dockedUnits[i] && station.dockedUnits[i]->kind == GTYPE_SP_HEROSHIP) return true;
    return false;
}

void SetGateSound(const CUnit& station, int on)
{
    if (CAttachedEffect* door = station.FindGateDoor()) door->SetSoundState(on);
}

bool GateOpen(const CUnit& station)
{
    const CAttachedEffect* door = station.FindGateDoor();
    return !door || door->doorState == 1;
}

bool BayFree(const CUnit& station)
{
    return !station.bayUnit && station.bayState != BAY_LAUNCHING && station.bayState != BAY_SERVING;
}

void FreeBay(CUnit& station)
{
    station.bayUnit = nullptr;
    station.bayState = station.bayRequestUnit ? BAY_REQUESTED : BAY_IDLE;
}

// The ship steers for the gate point at the bay's approach speed; true once it is there.
bool RunToGate(CUnit& ship, const BayGeometry& g, float dt)
{
    const float d = Vec3Length(g.gate - ship.position);
    const float reach = (ship.boundsRadius > 0.0f ? ship.boundsRadius : 1.0f) / 5.0f;
    if (d < reach) return true;
    ship.destination = g.gate;
    ship.cruiseSpeed = d * 0.5f + 10.0f;
    ship.SteerToPoint(dt);
    // In the bay's reach it draws the ship straight onto the point at its approach speed:
    // a ship coming in across the gate would otherwise circle the point for good.
    if (d < std::max(reach * 10.0f, g.length)) {
        const float step = std::max(d * std::min(dt * 2.0f, 1.0f), ship.cruiseSpeed * dt);
        ship.position = step >= d ? g.gate : ship.position + (g.gate - ship.position) * (step / d);
        ship.speed = 0.0f;
    }
    return Vec3Length(g.gate - ship.position) < reach;
}

// Ore to be served at the gate rather than inside: a cargo station loads every ship at
// its gate, any station unloads a ship that only came to deliver.
bool ServedAtGate(const CUnit& station, const CUnit& ship)
{
    return station.FindCargoItem() || (ship.ore > 0.0f && ship.dockTime == 0);
}

// The bay announces the loading or unloading over the radio, while no talk holds it.
void BayRadio(CUnit& station, int lineType)
{
    if (g_CommMode != 0) return;
    if (g_RadioLineHook) g_RadioLineHook(&station, lineType);
    g_CommWindow.Say(&station, lineType, 1);
}

// What the gate service does for a ship: one that comes with ore delivers it, an empty one
// is loaded from a cargo station's stock. Kept in the held ship's order vector (x: 1
// unloading, -1 loading; a docking order leaves it 0) from the start of the service, so
// that a ship being loaded is not taken for one that delivers.
constexpr float kServiceUnload = 1.0f;
constexpr float kServiceLoad = -1.0f;

void StartServing(CUnit& station, CUnit& ship)
{
    station.bayState = BAY_SERVING;
    ship.dockingStage = STAGE_APPROACH;
    ship.orderSubState = kSubHeld;
    const bool unloading = ship.ore > 0.0f || !station.FindCargoItem();
    ship.orderVector.x = unloading ? kServiceUnload : kServiceLoad;
    DebugOutF("Docking bay of %d: ship %d %s at the gate (%.0f ore aboard)", station.pilot.objectId,
              ship.pilot.objectId, unloading ? "unloads" : "loads", ship.ore);
    BayRadio(station, unloading ? TEXTLINE_TOFRIEND_STARTUNLOADING : TEXTLINE_TOFRIEND_STARTLOADING);
}

// Slides the ship from the gate to the resting place; true when it has arrived.
bool SlideIn(CUnit& station, CUnit& ship, const BayGeometry& g)
{
    const Vec3 in = -g.out;
    const float t = SecondsSince(station.timers[1]);
    StopShip(ship);
    if (t <= kSlideSeconds) {
        float s = (kSlideSeconds - t) / kSlideSeconds;
        if (s > 1.0f) s = 1.0f;
        ship.position = g.inside + (g.gate - g.inside) * std::sin(s * kPi * 0.5f);
        ship.destination = ship.position + in * 500.0f;
        Face(ship, in, StationUp(station));
        return false;
    }
    ship.position = g.inside;
    ship.destination = ship.position + in * 500.0f;
    Face(ship, in, StationUp(station));
    return true;
}

}  // namespace

void CUnit::GetGunPoints(Vec3* outPoints) const
{
    if (!outPoints) return;
    outPoints[0] = outPoints[1] = Vec3();
    if (!BayPoint(*this, 0, &outPoints[0]) || !BayPoint(*this, 1, &outPoints[1])) outPoints[0] = outPoints[1] = Vec3();
}

int CUnit::RequestDocking(CUnit* ship, uint32_t seconds)
{
    if (!ship || ship == this) return 0;
    if (!(hull > 0.0f) || orderType == ACTION_DEAD) return 0;
    if (!FindGateBay()) return 0;
    if (bayRequestUnit) return 0;
    if (bayState == BAY_LAUNCHING || bayState == BAY_SERVING) return 0;
    if (bayUnit && bayUnit->dockTime == 0) return 0;
    if (dockedCount >= kMaxDocked) return 0;
    if (dockedCount >= kMaxDocked - 1 && bayUnit) return 0;
    if (FindCargoItem() && bayUnit) return 0;
    if (bayUnit == ship || g_World.IsDockedAt(ship, this)) return 0;

    // A docked place with ship id -1 reads as empty: a ship without an id of its own (the
    // location's traffic, a traveller hired over the radio) is given one here.
    if (ship->pilot.objectId < 0 && !IsNetworkGame()) ship->pilot.objectId = CObjectList::NextId();
    bayRequestUnit = ship;
    ship->dockTime = seconds;
    ship->dockStart = g_GameClock.NowMs();
    bayState = BAY_REQUESTED;
    if (IsPlayerShip(ship)) {
        ship->manualControl = 1;
        ship->dockingStage = STAGE_PLAYER_REQUESTED;
    } else {
        ship->manualControl = 0;
        ship->dockingStage = STAGE_APPROACH;
    }
    return 1;
}

namespace {

// ---- services of the docked ships -------------------------------------------------

void ServeDocked(CUnit& station, float dt)
{
    if (&station != g_HeroStation) return;
    for (int i = 0; i < kMaxDocked; ++i) {
        CUnit* ship = station.dockedUnits[i];
        if (!ship) continue;
        UnloadOre(station, *ship, dt);
        if (station.ore > 0.0f && ship->hull < ship->hullMax) {
            ship->Repair(dt);
            if (ship->pilot.side == 1) {
                station.ore -= dt / 30.0f;
                if (station.ore < 0.0f) station.ore = 0.0f;
            }
        }
        if (IsNetworkGame() && station.hull < station.hullMax && station.ore > 0.0f) {
            station.Repair(dt);
            station.ore -= dt / 60.0f;
            if (station.ore < 0.0f) station.ore = 0.0f;
        }
    }
}

// ---- launch -----------------------------------------------------------------------

bool StayIsOver(const CUnit& station, int slot)
{
    const CUnit* ship = station.dockedUnits[slot];
    if (!ship || ship->dockTime == kStaysDocked) return false;
    const double stay = (g_GameClock.gameTime - double(station.dockStartTimes[slot])) * 0.001;
    return stay >= double(ship->dockTime);
}

// Empties a docked place. The places after it move up one, each with its ids and stamp,
// so that the docked ships stay in the first places, as every walk over them up to the
// docked count expects; the emptied place, its ship id -1, goes last.
void TakeOutOfSlot(CUnit& station, int slot)
{
    UnitSlotIds ids = station.slotIds[slot];
    ids.shipId = -1;
    const uint32_t stamp = station.dockStartTimes[slot];
    for (int i = slot; i + 1 < kMaxDocked; ++i) {
        station.dockedUnits[i] = station.dockedUnits[i + 1];
        station.slotIds[i] = station.slotIds[i + 1];
        station.dockStartTimes[i] = station.dockStartTimes[i + 1];
    }
    station.dockedUnits[kMaxDocked - 1] = nullptr;
    station.slotIds[kMaxDocked - 1] = ids;
    station.dockStartTimes[kMaxDocked - 1] = stamp;
    if (--station.dockedCount < 0) station.dockedCount = 0;
}

// A docked ship that dies (a hit on the frame it is still docked, before the bay lists it
// again) is lost as any other: it goes back to the world's list at its resting place, its
// dying order untouched, and dies there.
void PutOutDead(CUnit& station)
{
    for (int slot = 0; slot < kMaxDocked; ++slot) {
        CUnit* ship = station.dockedUnits[slot];
        if (!ship || ship->orderType != ACTION_DEAD) continue;
        SpaceWorldScope scope;
        const bool listed = CObjectList::IndexOf(ship) >= 0;
        TakeOutOfSlot(station, slot--);
        const BayGeometry g = Geometry(station);
        ship->position = g.hasInside ? g.inside : g.gate;
        ship->UpdateTransform();
        ship->collisionFlag = 1;
        ship->dockingStage = -1;
        ship->manualControl = 0;
        DebugOutF("Docking bay of %d: ship %d died docked", station.pilot.objectId, ship->pilot.objectId);
        // A full list destroys it at once, as it would any ship it cannot take.
        if (!listed) CObjectList::Add(ship);
    }
}

void LaunchDue(CUnit& station)
{
    if (station.bayState != BAY_IDLE || station.bayUnit) return;
    int slot = -1;
    for (int i = 0; i < kMaxDocked && slot < 0; ++i)
        if (StayIsOver(station, i)) slot = i;
    if (slot < 0) return;
    CUnit* ship = station.dockedUnits[slot];

    SpaceWorldScope scope;
    const bool listed = CObjectList::IndexOf(ship) >= 0;
    if (!listed && CObjectList::Count() >= kMaxUnits) {
        // A full list would destroy the ship on its way out: it waits docked instead.
        static uint32_t lastNote = 0;
        if (g_GameClock.NowMs() - lastNote >= 5000u) {
            lastNote = g_GameClock.NowMs();
            DebugOut("Docking bay: unit list full, the ship stays docked");
        }
        return;
    }

    TakeOutOfSlot(station, slot);
    ship->manualControl = 0;
    ship->SetOrder(ACTION_DOCKING, &station, nullptr, 0);
    ship->orderSubState = kSubLeavingBay;
    ship->ResetTimers();

    // It starts from its resting place, facing out of the gate, and the gate opens.
    const BayGeometry g = Geometry(station);
    ship->position = g.hasInside ? g.inside : g.gate;
    Face(*ship, g.out, StationUp(station));
    ship->UpdateTransform();
    StopShip(*ship);
    ship->collisionFlag = 0;
    ship->dockStart = g_GameClock.NowMs();

    if (!listed && !CObjectList::Add(ship)) return;  // checked above; cannot fail here
    if (IsNetworkGame() && ship->pilot.side != 2) g_Network.SendObjectMessage(17, ship);
    ship->dockingStage = STAGE_APPROACH;
    station.bayUnit = ship;
    station.bayState = BAY_LAUNCHING;
    SetGateSound(station, 1);
    if (IsPlayerShip(ship) && !g_PlayerObject) g_PlayerObject = ship;
}

// The launched ship: out of the station to the gate, then clear of it, and its own
// orders again.
void RunLaunch(CUnit& station, CUnit& ship, const BayGeometry& g, float dt)
{
    if (ship.orderSubState == kSubLeavingBay) {
        const float t = SecondsSince(ship.dockStart);
        const bool sliding = g.hasInside && t >= 0.0f && t <= kSlideSeconds &&
                             Vec3Length(ship.position - g.inside) <= Vec3Length(g.gate - g.inside) + 1.0f;
        if (sliding) {
            StopShip(ship);
            ship.position = g.inside + (g.gate - g.inside) * std::sin(t / kSlideSeconds * kPi * 0.5f);
            ship.destination = ship.position + g.out * 500.0f;
            Face(ship, g.out, StationUp(station));
            return;
        }
        ship.orderSubState = kSubLeaving;
    }

    // Leaving: a ship that faces into the station turns first.
    const float facing = Vec3Dot(Vec3Normalize(Row(ship.worldMatrix, 2)), g.out);
    ship.destination = ship.position + g.out * 500.0f;
    ship.cruiseSpeed = facing > 0.7f ? ship.engineMax : 0.0f;
    ship.SteerToPoint(dt);
    if (facing > 0.7f && ship.speedPercent < 100.0f) ship.speedPercent = 100.0f;

    const float clear = g.length + (ship.boundsRadius > 0.0f ? ship.boundsRadius : 10.0f) * 5.0f + 100.0f;
    if (Vec3Length(ship.position - g.gate) < clear) return;

    // Clear of the station: the bay is free and the ship goes about its business.
    FreeBay(station);
    if (!station.bayRequestUnit) SetGateSound(station, 0);
    ship.collisionFlag = 1;
    ship.dockingStage = -1;
    if (ship.orderStack) {
        ship.PopOrder();
    } else {
        ship.SetOrder(ACTION_STAY, nullptr, nullptr, 0);
    }
    if (IsPlayerShip(&ship)) {
        ship.manualControl = 1;
        ship.speedPercent = 50.0f;
    }
}

// Served at the gate: the station takes the ship's ore, or a cargo station fills an
// empty ship's hold from its stock. Then the ship leaves.
void RunService(CUnit& station, CUnit& ship, const BayGeometry& g, float dt)
{
    StopShip(ship);
    ship.destination = g.gate - g.out * 500.0f;
    bool done;
    // A ship put at the gate by other means than the bay's own approach is served the
    // station's way: loaded at a cargo station, unloaded at any other.
    const float mode = ship.orderVector.x;
    const bool unloading = mode == kServiceUnload || (mode != kServiceLoad && !station.FindCargoItem());
    if (!unloading) {
        const CItem* cargo = ship.FindCargoItem();
        const float room = cargo ? cargo->capacity - ship.ore : 0.0f;
        float amount = CargoRate(ship) * dt;
        if (amount > room) amount = room;
        if (amount > station.ore) amount = station.ore;
        if (amount > 0.0f) {
            ship.ore += amount;
            station.ore -= amount;
            if (station.ore < 0.0f) station.ore = 0.0f;
        }
        done = !(room - (amount > 0.0f ? amount : 0.0f) > 0.0f) || !(station.ore > 0.0f);
    } else {
        UnloadOre(station, ship, dt);
        done = !(ship.ore > 0.0f);
    }
    if (!done) return;
    ship.orderVector.x = 0.0f;
    station.bayState = BAY_LAUNCHING;
    ship.orderSubState = kSubLeaving;
    ship.collisionFlag = 0;
    SetGateSound(station, 1);
}

// ---- docking ------------------------------------------------------------------------

void DockShip(CUnit& station, CUnit& ship)
{
    int slot = -1;
    for (int i = 0; i < kMaxDocked && slot < 0; ++i)
        if (!station.dockedUnits[i]) slot = i;
    if (slot < 0) {
        // Every place is taken: the ship is sent out again.
        DebugOut("Docking bay: no free docking place, the ship leaves");
        station.bayUnit = &ship;
        station.bayState = BAY_LAUNCHING;
        ship.orderSubState = kSubLeaving;
        return;
    }

    station.dockedUnits[slot] = &ship;
    ++station.dockedCount;
    station.dockStartTimes[slot] = g_GameClock.NowMs();
    station.slotIds[slot].shipId = ship.pilot.objectId;
    StopShip(ship);
    ship.collisionFlag = 1;

    // The pilot walks into the interior the player is looking at.
    if (g_LocationKind == 2 && ship.pilot.side == 1 && HoldsPlayerShip(station) && !IsPlayerShip(&ship)) {
        const int saved = g_WorldIndex;
        g_WorldIndex = 0;
        CUnit* person = g_World.navGrid.SpawnPerson(&station, slot, CObjectList::NextId());
        if (person) {
            person->scriptStep = 100;
            CObjectList::Add(person);
        }
        g_WorldIndex = saved;
    }

    if (g_PlayerObject && g_PlayerObject->target == &ship) g_PlayerObject->target = nullptr;
    if (ship.inRadioTalk) g_CommWindow.EndTalk();
    ship.StopAllSounds();
    {
        SpaceWorldScope scope;
        if (CObjectList::IndexOf(&ship) >= 0) CObjectList::Detach(&ship);
    }
    if (IsNetworkGame() && ship.pilot.side != 2) g_Network.SendObjectMessage(16, &ship);
    ship.dockingStage = STAGE_APPROACH;
    FreeBay(station);
}

// ---- the requesting ship ------------------------------------------------------------

void LapseRequest(CUnit& station)
{
    station.bayRequestUnit = nullptr;
    if (!station.bayUnit && station.bayState == BAY_REQUESTED) station.bayState = BAY_IDLE;
}

bool StillComing(const CUnit& station, const CUnit& ship)
{
    return ship.IsAlive() && ship.orderType == ACTION_DOCKING && ship.target == &station;
}

void EnterBay(CUnit& station, CUnit& ship, int stage)
{
    station.bayUnit = &ship;
    station.bayRequestUnit = nullptr;
    ship.dockingStage = stage;
    ship.collisionFlag = 0;
}

void RunAiApproach(CUnit& station, CUnit& ship, const BayGeometry& g, float dt)
{
    if (ship.dockingStage == STAGE_APPROACH) {
        SetGateSound(station, 1);
        const float radius = station.boundsRadius > 0.0f ? station.boundsRadius : 100.0f;
        const Vec3 lineUp = g.gate + g.out * (radius * 2.0f);
        Vec3 point = lineUp;
        // Behind the gate's plane the ship first goes round the station's side.
        const Vec3 fromGate = ship.position - g.gate;
        if (Vec3Dot(fromGate, g.out) < 0.0f) {
            Vec3 side = fromGate - g.out * Vec3Dot(fromGate, g.out);
            if (Vec3LengthSq(side) < 1e-6f) side = Row(station.worldMatrix, 0);
            if (Vec3LengthSq(side) < 1e-6f) side = Vec3(1.0f, 0.0f, 0.0f);
            point = g.gate + Vec3Normalize(side) * (radius * 2.0f);
        }
        const float d = Vec3Length(point - ship.position);
        ship.destination = point;
        float speed = ship.engineMax;
        if (d < radius * 2.0f) speed *= d / (radius * 2.0f) * 0.8f + 0.2f;
        ship.cruiseSpeed = speed;
        ship.SteerToPoint(dt);
        // A ship already on the axis between the gate and the line-up point (where its own
        // docking flight draws it) is as good as lined up.
        const float along = Vec3Dot(fromGate, g.out);
        const float off = Vec3Length(fromGate - g.out * along);
        const bool onAxis = along >= 0.0f && along <= radius * 2.0f + kNearToGate && off < kNearToGate;
        if (point == lineUp && (d < kNearToGate || onAxis)) ship.dockingStage = STAGE_TO_GATE;
        return;
    }
    if (ship.dockingStage == STAGE_TO_GATE || ship.dockingStage == STAGE_WAIT_AT_GATE) {
        ship.destination = g.gate;
        if (BayFree(station)) {
            EnterBay(station, ship, STAGE_IN_BAY);
        } else {
            ship.dockingStage = STAGE_WAIT_AT_GATE;
            ship.cruiseSpeed = 0.0f;
            ship.SteerToPoint(dt);
        }
        return;
    }
    // A stage the approach does not know would hold the bay for good.
    LapseRequest(station);
}

void RunPlayerRequest(CUnit& station, CUnit& ship, const BayGeometry& g, float dt)
{
    if (ship.dockingStage == STAGE_PLAYER_REQUESTED) {
        SetGateSound(station, 1);
        if (SecondsSince(ship.dockStart) >= kPlayerLapseSeconds) {
            LapseRequest(station);
            return;
        }
        const float toGate = Vec3Length(ship.position - g.gate);
        if (!(Vec3Length(ship.position - g.outside) < kPlayerGateReach && toGate < g.length && GateOpen(station)))
            return;

        // The cinematic docking takes over: the eye just off the approach point, near enough
        // that the ship is still a ship when it stops at the gate.
        CCamera& camera = g_World.cameras[1];
        const Vec3 eye = g.outside + g.out * (g.length * 0.4f) + StationUp(station) * (g.length * 0.3f);
        camera.SetCinematicMode(&ship, eye, 0, nullptr, 0.0f, 2.0f);
        camera.lookAt = g.gate;
        ship.manualControl = 0;
        const uint32_t keep = ship.dockTime;
        ship.SetOrder(ACTION_DOCKING, &station, nullptr, 0);
        ship.dockTime = keep;
        ship.orderSubState = kSubInBay;
        if (ship.inRadioTalk || g_CommWindow.state) g_CommWindow.EndTalk();
        g_RadioMenu.state = 0;
        if (BayFree(station)) {
            EnterBay(station, ship, STAGE_PLAYER_IN_BAY);
        } else {
            ship.dockingStage = STAGE_PLAYER_WAIT_AT_GATE;
            ship.cruiseSpeed = 0.0f;
        }
        return;
    }
    if (ship.dockingStage == STAGE_PLAYER_WAIT_AT_GATE) {
        ship.destination = g.gate;
        ship.cruiseSpeed = 0.0f;
        ship.SteerToPoint(dt);
        if (BayFree(station)) EnterBay(station, ship, STAGE_PLAYER_IN_BAY);
    }
}

void RunRequester(CUnit& station, const BayGeometry& g, float dt)
{
    CUnit* ship = station.bayRequestUnit;
    if (!ship) return;
    const bool player = ship->dockingStage == STAGE_PLAYER_REQUESTED || ship->dockingStage == STAGE_PLAYER_WAIT_AT_GATE;
    // A player still flying to the gate has no docking order yet.
    if (!ship->IsAlive() || (!player && !StillComing(station, *ship)) ||
        (ship->dockingStage == STAGE_PLAYER_WAIT_AT_GATE && !StillComing(station, *ship))) {
        LapseRequest(station);
        return;
    }
    if (player) RunPlayerRequest(station, *ship, g, dt);
    else RunAiApproach(station, *ship, g, dt);
}

// ---- the ship in the bay -------------------------------------------------------------

void RunShipInBay(CUnit& station, CUnit& ship, const BayGeometry& g, float dt)
{
    switch (ship.dockingStage) {
    case STAGE_IN_BAY:
    case STAGE_PLAYER_IN_BAY: {
        const bool player = ship.dockingStage == STAGE_PLAYER_IN_BAY;
        if (!player || Vec3Length(ship.position - g.gate) >= g.length / 3.0f) SetGateSound(station, 1);
        else SetGateSound(station, 0);
        if (!RunToGate(ship, g, dt)) return;
        StopShip(ship);
        if (!player && !station.bayRequestUnit) SetGateSound(station, 0);
        if (ServedAtGate(station, ship)) {
            StartServing(station, ship);
            return;
        }
        station.timers[1] = g_GameClock.NowMs();
        if (player) {
            ship.ClearWaypoints();
            if (g.hasInside) {
                ship.dockingStage = STAGE_PLAYER_SLIDE_IN;
                if (ship.dockTime == kStaysDocked) g_World.cameras[1].StartFade(kSlideSeconds, 1, 1, 0);
            } else {
                ship.dockingStage = STAGE_PLAYER_DOCK;
            }
        } else {
            ship.dockingStage = g.hasInside ? STAGE_SLIDE_IN : STAGE_DOCK;
        }
        return;
    }
    case STAGE_SLIDE_IN:
        if (SlideIn(station, ship, g)) ship.dockingStage = STAGE_DOCK;
        return;
    case STAGE_PLAYER_SLIDE_IN:
        if (SlideIn(station, ship, g)) ship.dockingStage = STAGE_PLAYER_DOCK;
        return;
    case STAGE_DOCK:
        DockShip(station, ship);
        return;
    case STAGE_PLAYER_DOCK: {
        ship.StopAllSounds();
        if (ship.inRadioTalk || g_CommWindow.state) g_CommWindow.EndTalk();
        DockShip(station, ship);
        const char* folder = StationInteriorFolder(&station);
        if (folder && folder[0]) {
            // The player walks inside: the ship waits until he leaves, whatever the request
            // asked (a loading request launched it at once and left him inside for good).
            ship.dockTime = kStaysDocked;
            g_World.RequestLocationKind(2, folder);
        } else {
            // Nowhere to go inside: the ship is launched again.
            DebugOutF("Docking bay: station %d has no interior", station.pilot.objectId);
            if (g_World.IsDockedAt(&ship, &station)) ship.dockTime = 1;
        }
        return;
    }
    default:
        return;
    }
}

void RunBay(CUnit& station, const BayGeometry& g, float dt)
{
    CUnit* ship = station.bayUnit;
    if (!ship) {
        if (station.bayState == BAY_LAUNCHING || station.bayState == BAY_SERVING) FreeBay(station);
        return;
    }
    // A ship that died or was given another order on its way leaves the bay to others.
    if (!ship->IsAlive() || ship->orderType != ACTION_DOCKING || ship->target != &station) {
        ship->collisionFlag = 1;
        FreeBay(station);
        return;
    }
    if (station.bayState == BAY_LAUNCHING) RunLaunch(station, *ship, g, dt);
    else if (station.bayState == BAY_SERVING) RunService(station, *ship, g, dt);
    else RunShipInBay(station, *ship, g, dt);
}

}  // namespace

void CUnit::UpdateDockingBay(float dt)
{
    if (latchedCount > 0) UpdateStation(dt);
    if (!(hull > 0.0f) || orderType == ACTION_DEAD || !FindGateBay()) return;
    if (!(dt > 0.0f)) dt = 0.0f;

    PutOutDead(*this);
    ServeDocked(*this, dt);
    LaunchDue(*this);
    const BayGeometry g = Geometry(*this);
    RunRequester(*this, g, dt);
    RunBay(*this, g, dt);
}

// ---- latched parasites ----------------------------------------------------------------

namespace {

bool Dying(const CUnit& u) { return u.orderType == ACTION_DEAD && u.orderSubState >= 2; }

// A ship leaving a bay shares sub-state -1 with a latched parasite; only a unit whose
// target is this station sits latched on it.
bool Latched(const CUnit& station, const CUnit& u)
{
    return u.orderType == ACTION_DOCKING && u.orderSubState == -1 && u.target == &station;
}

// The latch place of a parasite on its station: a point of the station's own mesh.
bool LatchPoint(const CUnit& station, int index, Vec3* out)
{
    if (station.meshCount <= 0 || !station.meshes[0]) return false;
    const CMesh* mesh = station.meshes[0];
    const int count = mesh->m_PointCount[MESH_POINTS_COCKPIT];
    if (count <= 0) return false;
    if (index < 0) index = 0;
    return ModelPoint(mesh, MESH_POINTS_COCKPIT, index % count, station.scale, station.worldMatrix, out);
}

void StationHoldsParasites(CUnit& station, float dt)
{
    if (Dying(station)) {
        for (int i = 0; i < kMaxLatched; ++i) {
            CUnit* u = station.latchedUnits[i];
            if (!u) continue;
            station.latchedUnits[i] = nullptr;
            if (Latched(station, *u)) {
                u->hull = 0.0f;
            } else {
                u->objectClass = GCLASS_SPACE_SHIP;
                u->ClearOrderStack();
                u->TakeHit(1000.0f, &station, u->position, nullptr);
            }
        }
        station.latchedCount = 0;
        return;
    }

    CUnit* last = nullptr;
    for (int i = 0; i < kMaxLatched; ++i) {
        CUnit* u = station.latchedUnits[i];
        if (!u) continue;
        if (!u->IsAlive() || u->orderType == ACTION_DEAD) {
            station.latchedUnits[i] = nullptr;
            if (--station.latchedCount < 0) station.latchedCount = 0;
            continue;
        }
        // One that already let go to fight is not sent again.
        if (!Latched(station, *u)) continue;
        last = u;
        u->hull += dt * 2.0f * 5.0f;
        if (u->hull > u->hullMax) u->hull = u->hullMax;
        if (g_LocationDirector.locationId < 12) {
            station.ore -= dt / 10.0f;
            if (station.ore < 0.0f) station.ore = 0.0f;
        }
    }

    if (g_GameClock.NowMs() % 3000u < 100u) {
        if (station.alertFlag == 0 && last) {
            station.alertFlag = 1;
            CUnit* hostile = CObjectList::FindNearestObject(3000.0f, last);
            if (hostile && RateTarget(last, 3000.0f, hostile) >= 30.0f) {
                last->objectClass = GCLASS_SPACE_SHIP;
                last->PushOrder();
                last->SetOrder(ACTION_ATTACK, hostile, nullptr, 0);
            }
        }
    } else {
        station.alertFlag = 0;
    }
}

bool HeldBy(const CUnit& station, const CUnit& u)
{
    for (const CUnit* l : station.latchedUnits)
        if (l == &u) return true;
    return false;
}

// A parasite that found its own way onto a station takes a place in its list.
void TakeLatchPlace(CUnit& station, CUnit& u)
{
    if (HeldBy(station, u)) return;
    for (int i = 0; i < kMaxLatched; ++i) {
        if (station.latchedUnits[i]) continue;
        station.latchedUnits[i] = &u;
        ++station.latchedCount;
        return;
    }
}

void ParasiteApproach(CUnit& u, float dt)
{
    CUnit* station = u.target;
    if (!station || !IsStationKindValue(station->kind) || u.orderType != ACTION_DOCKING) return;
    Vec3 point;
    if (!LatchPoint(*station, u.latchPoint, &point)) point = station->position;
    const float radius = u.boundsRadius > 0.0f ? u.boundsRadius : 1.0f;

    switch (u.orderSubState) {
    case 0:
        // Back from a fight (or never started): the flight to its place begins.
        u.targetPoint = point;
        u.orderSubState = 1;
        break;
    case 1: {
        u.targetPoint = point;
        u.destination = point;
        const float d = Vec3Length(point - u.position);
        u.cruiseSpeed = d < radius * 20.0f ? u.engineMax * d / (radius * 20.0f) * 1.1f : u.engineMax;
        u.SteerToPoint(dt);
        if (d < radius * 2.0f) {
            u.manualControl = 0;
            u.orderSubState = 2;
        }
        break;
    }
    case 2: {
        StopShip(u);
        const Vec3 to = point - u.position;
        const float d = Vec3Length(to);
        const float step = u.manoeuvring > 0.0f ? dt * (d > 200.0f ? d : 200.0f) / u.manoeuvring : d;
        if (d < radius / 10.0f || step >= d) {
            u.position = point;
            u.objectClass = GCLASS_SPACE_OBJECT;
            if (g_PlayerObject && g_PlayerObject->target == &u)
                g_PlayerObject->target = CObjectList::FindNearestObject(3000.0f, g_PlayerObject);
            u.orderSubState = -1;
            TakeLatchPlace(*station, u);
        } else {
            u.position += to / d * step;
        }
        break;
    }
    case -1:
        // Latched, it rides on its station; a ship still leaving a gate is not latched.
        if (!HeldBy(*station, u)) break;
        StopShip(u);
        u.position = point;
        break;
    default:
        break;
    }
}

}  // namespace

void CUnit::UpdateStation(float dt)
{
    if (!(dt > 0.0f)) dt = 0.0f;
    if (IsStationKindValue(kind)) StationHoldsParasites(*this, dt);
    else if (pilot.side == 3) ParasiteApproach(*this, dt);
}

CUnit* CUnit::PutOutPlayerShip()
{
    SpaceWorldScope scope;
    for (int i = 0; i < kMaxDocked; ++i) {
        CUnit* ship = dockedUnits[i];
        if (!ship || ship->kind != GTYPE_SP_HEROSHIP) continue;
        // Listed already when he came back out while the bay still held it.
        const bool listed = CObjectList::IndexOf(ship) >= 0;
        if (!listed && CObjectList::Count() >= kMaxUnits) return nullptr;
        TakeOutOfSlot(*this, i);
        Vec3 points[2];
        GetGunPoints(points);
        ship->position = Vec3Length(points[1]) > 0.0f ? points[1] : position;
        ship->SetOrder(ACTION_STAY, nullptr, nullptr, 0);
        ship->dockingStage = -1;
        ship->collisionFlag = 1;
        ship->manualControl = 1;
        ship->dockTime = 0;
        ship->ResetTimers();
        if (!listed) CObjectList::Add(ship);
        DebugOutF("Station %d destroyed: the player's ship is put out", pilot.objectId);
        return ship;
    }
    return nullptr;
}
