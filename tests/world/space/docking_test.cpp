// The docking bay: requests and their refusals, the way in through the gate, docking,
// the services of docked ships, launches and the alien parasites latched on a station.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "app/settings.h"
#include "dataset_util.h"
#include "locations/location_director.h"
#include "flight_ui/cursor.h"
#include "locations/station_interiors.h"
#include "menus/game_menu.h"
#include "render/mesh.h"
#include "world/objects/attached_effect.h"
#include "world/game_clock.h"
#include "world/objects/item.h"
#include "world/world_test_util.h"

namespace {

constexpr uint32_t kStays = 0xFFFFFFFFu;
constexpr float kDt = 0.05f;

// A mesh whose first point list holds the given points; the test owns it.
void SetPoints(CMesh& mesh, std::initializer_list<Vec3> points)
{
    delete[] mesh.m_Points[MESH_POINTS_COCKPIT];
    mesh.m_Points[MESH_POINTS_COCKPIT] = new Vec3[points.size()];
    int i = 0;
    for (const Vec3& p : points) mesh.m_Points[MESH_POINTS_COCKPIT][i++] = p;
    mesh.m_PointCount[MESH_POINTS_COCKPIT] = int(points.size());
    mesh.m_RefCount = 1;  // never handed back to the mesh container
}

void Face(CUnit* u, const Vec3& direction)
{
    const Vec3 p = u->position;
    u->SetLookAt(p, p + direction * 100.0f, std::fabs(direction.y) > 0.9f ? Vec3(0, 0, 1) : Vec3(0, 1, 0));
    u->UpdateTransform();
}

class DockingBay : public WorldFixture {
protected:
    CMesh bayMesh;
    CMesh hubMesh;
    int oldMode = 0, oldLocation = 0;
    GameSettings oldSettings;

    void SetUp() override
    {
        WorldFixture::SetUp();
        oldMode = g_GameMode;
        oldLocation = g_LocationDirector.locationId;
        oldSettings = g_Settings;
        g_GameMode = 1;
        g_LocationKind = 1;
        g_Settings.audio = 0;
        g_Settings.cutScenes = 0;
        g_GameClock.Reset();
        g_GameClock.gameTime = 100000.0;
        g_LocationDirector.locationId = 1;
        SetPoints(bayMesh, {Vec3(0, 0, 190), Vec3(0, 0, 400), Vec3(0, 0, 140)});
        SetPoints(hubMesh, {Vec3(0, 110, 0), Vec3(0, -110, 0)});
        SpaceWithSky();
    }
    void TearDown() override
    {
        // Docked ships belong to their station: free them before the list goes.
        for (uint32_t i = 0; i < CObjectList::unitCount[1]; ++i) {
            CUnit* s = CObjectList::units[1][i];
            for (CUnit*& d : s->dockedUnits) {
                if (d && CObjectList::IndexOf(d) < 0) {
                    d->Release();
                    delete d;
                }
                d = nullptr;
            }
            s->dockedCount = 0;
            if (s->meshCount > 0 && (s->meshes[0] == &hubMesh)) s->meshes[0] = nullptr, s->meshCount = 0;
            for (int e = 0; e < s->effectCount; ++e)
                if (s->effects[e] && s->effects[e]->meshes[0] == &doorMesh) s->effects[e]->meshes[0] = nullptr;
        }
        WorldFixture::TearDown();
        g_World.cameras[1].cinematicView = 0;  // the player's docking shot ends with the test
        ClearStationInteriors();
        g_GameMode = oldMode;
        g_LocationDirector.locationId = oldLocation;
        g_Settings = oldSettings;
    }

    static void Place(CUnit* u, const Vec3& at)
    {
        u->position = at;
        u->drawPosition = at;
        u->worldMatrix = MatrixIdentity();
        u->worldMatrix.m[3][0] = at.x, u->worldMatrix.m[3][1] = at.y, u->worldMatrix.m[3][2] = at.z;
        for (uint32_t& t : u->timers) t = g_GameClock.NowMs();
    }

    // A door whose mesh has frames from shut to open.
    CMesh doorMesh;
    CAttachedEffect* AddDoor(CUnit* s)
    {
        doorMesh.m_SubMeshCount = 5;
        doorMesh.m_RefCount = 1;
        CAttachedEffect* door = new CAttachedEffect();
        door->kind = GEFFECT_GATEDOOR;
        door->parent = s;
        door->meshes[0] = &doorMesh;
        door->meshCount = 1;
        s->effects[s->effectCount++] = door;
        return door;
    }

    CUnit* Station(const Vec3& at, bool withBay = true)
    {
        CUnit* s = MakeUnit(GCLASS_SPACE_SHIP, GTYPE_SP_STATION, at, 1, 1000.0f);
        Place(s, at);
        s->boundsRadius = 100.0f;
        s->pilot.objectId = 1000;
        if (withBay) {
            CAttachedEffect* bay = new CAttachedEffect();
            bay->kind = GEFFECT_GATEBAY;
            bay->parent = s;
            bay->meshes[0] = &bayMesh;
            bay->meshCount = 1;
            s->effects[s->effectCount++] = bay;
        }
        EXPECT_TRUE(CObjectList::Add(s));
        return s;
    }

    CUnit* Craft(const Vec3& at, int side = 1, int kind = GTYPE_SP_NPCSHIP)
    {
        CUnit* u = Ship(at, side, kind);
        Place(u, at);
        u->engineMax = 100.0f;
        u->manoeuvring = 1.0f;
        u->boundsRadius = 10.0f;
        u->pilot.skill2 = 1.0f;
        u->pilot.objectId = 100;
        EXPECT_TRUE(CObjectList::Add(u));
        return u;
    }

    static CItem* AddCargo(CUnit* u, float capacity)
    {
        CItem* it = new CItem();
        it->kind = GTYPE_CARGOSYSTEM;
        it->capacity = capacity;
        it->owner = u;
        u->items[u->itemCount++] = it;
        return it;
    }

    // The ship docked in the station's slot, out of the world's list.
    static void DockDirectly(CUnit* station, CUnit* ship, int slot, uint32_t dockTime)
    {
        CObjectList::Detach(ship);
        station->dockedUnits[slot] = ship;
        station->slotIds[slot].shipId = ship->pilot.objectId;
        station->dockStartTimes[slot] = g_GameClock.NowMs();
        ++station->dockedCount;
        ship->dockTime = dockTime;
    }

    // The player's ship before the gate of a station with the hero station's interior.
    CUnit* PlayerBeforeTheGate(const Vec3& at, const Vec3& heading)
    {
        SetStationInterior(1000, "Data/Locations.Planet/Hero Station", "Hero station");
        CUnit* p = Craft(at, 1, GTYPE_SP_HEROSHIP);
        Face(p, heading);
        g_PlayerObject = p;
        return p;
    }

    // The player's ship docked for good, then told to leave: the bay takes it to the gate.
    CUnit* PlayerFlownOut(CUnit* station)
    {
        CUnit* p = Craft(Vec3(), 1, GTYPE_SP_HEROSHIP);
        g_PlayerObject = p;
        DockDirectly(station, p, 0, kStays);
        Run(station, 5.0f);
        EXPECT_EQ(station->bayUnit, nullptr);
        EXPECT_EQ(CObjectList::FindDockedPlayerShipFlag(), p);
        Run(station, 1.0f);
        EXPECT_EQ(station->bayUnit, p);
        Run(station, 2.5f);
        return p;
    }

    // Frames of the bay and of the listed ships.
    void Run(CUnit* station, float seconds)
    {
        for (float t = 0.0f; t < seconds; t += kDt) {
            g_GameClock.gameTime += kDt * 1000.0;
            station->UpdateDockingBay(kDt);
            for (uint32_t i = 1; i < CObjectList::unitCount[1]; ++i) {
                CUnit* u = CObjectList::units[1][i];
                if (u == station) continue;
                if (u->orderType == ACTION_DOCKING && !u->manualControl) u->Move(kDt);
                u->UpdateTransform();
            }
        }
    }
};

float Dist(const Vec3& a, const Vec3& b) { return Vec3Length(a - b); }

TEST_F(DockingBay, GatePointsAreTheBayMeshPointsInWorldSpace)
{
    CUnit* s = Station(Vec3(1000, 0, 0));
    Vec3 p[2];
    s->GetGunPoints(p);
    EXPECT_LT(Dist(p[0], Vec3(1000, 0, 190)), 1e-3f);
    EXPECT_LT(Dist(p[1], Vec3(1000, 0, 400)), 1e-3f);

    s->scale = Vec3(2, 2, 2);
    s->GetGunPoints(p);
    EXPECT_LT(Dist(p[0], Vec3(1000, 0, 380)), 1e-3f);

    CUnit* bare = Station(Vec3(5, 5, 5), false);
    bare->GetGunPoints(p);
    EXPECT_EQ(Vec3Length(p[0]), 0.0f);
    EXPECT_EQ(Vec3Length(p[1]), 0.0f);
}

TEST_F(DockingBay, RequestIsRefusedWhenTheBayCannotTakeTheShip)
{
    CUnit* s = Station(Vec3());
    CUnit* a = Craft(Vec3(0, 0, 600));
    CUnit* b = Craft(Vec3(0, 0, 700));

    CUnit* bare = Station(Vec3(5000, 0, 0), false);
    EXPECT_EQ(bare->RequestDocking(a, 10), 0);

    s->hull = 0.0f;
    EXPECT_EQ(s->RequestDocking(a, 10), 0);
    s->hull = 1000.0f;

    s->bayState = 1;
    EXPECT_EQ(s->RequestDocking(a, 10), 0);
    s->bayState = 2;
    EXPECT_EQ(s->RequestDocking(a, 10), 0);
    s->bayState = -1;

    // A full dock, and a dock of 15 with a ship at the gate.
    CUnit* docked[16];
    for (int i = 0; i < 16; ++i) {
        docked[i] = Craft(Vec3(0, 0, float(-1000 - i)));
        DockDirectly(s, docked[i], i, kStays);
    }
    EXPECT_EQ(s->RequestDocking(a, 10), 0);
    CObjectList::Add(docked[15]);
    s->dockedUnits[15] = nullptr;
    s->dockedCount = 15;
    s->bayUnit = b;
    b->dockTime = 5;
    EXPECT_EQ(s->RequestDocking(a, 10), 0);
    s->bayUnit = nullptr;

    for (int i = 0; i < 15; ++i) s->dockedUnits[i] = nullptr;
    for (int i = 0; i < 15; ++i) CObjectList::Add(docked[i]);
    s->dockedCount = 0;

    // A ship at the gate that only came to unload keeps the bay to itself.
    s->bayUnit = b;
    b->dockTime = 0;
    EXPECT_EQ(s->RequestDocking(a, 10), 0);
    b->dockTime = 5;
    // A cargo station serves one ship at a time.
    AddCargo(s, 1000.0f);
    EXPECT_EQ(s->RequestDocking(a, 10), 0);
    s->bayUnit = nullptr;

    EXPECT_EQ(s->RequestDocking(a, 10), 1);
    EXPECT_EQ(s->RequestDocking(b, 10), 0);  // one requesting ship at a time
    EXPECT_EQ(s->bayRequestUnit, a);
    EXPECT_EQ(s->bayState, 0);
    EXPECT_EQ(a->dockTime, 10u);
    EXPECT_EQ(a->dockStart, g_GameClock.NowMs());
    EXPECT_EQ(a->manualControl, 0);
}

TEST_F(DockingBay, PlayerRequestHandsTheFlightToThePlayerAndLapsesAfter20Seconds)
{
    CUnit* s = Station(Vec3());
    CUnit* p = Craft(Vec3(0, 0, 3000), 1, GTYPE_SP_HEROSHIP);
    g_PlayerObject = p;
    p->manualControl = 0;
    ASSERT_EQ(s->RequestDocking(p, kStays), 1);
    EXPECT_EQ(p->manualControl, 1);
    EXPECT_EQ(p->dockingStage, 100);
    Run(s, 19.0f);
    EXPECT_EQ(s->bayRequestUnit, p);
    Run(s, 1.5f);
    EXPECT_EQ(s->bayRequestUnit, nullptr);
    EXPECT_EQ(s->bayState, -1);
    EXPECT_EQ(s->RequestDocking(p, kStays), 1);  // the bay takes a new request
}

TEST_F(DockingBay, ShipStayingUntilToldIsNeverLaunchedUntilItsDockTimeIsSet)
{
    CUnit* s = Station(Vec3());
    CUnit* p = Craft(Vec3(), 1, GTYPE_SP_HEROSHIP);
    DockDirectly(s, p, 2, kStays);
    Run(s, 100.0f);
    EXPECT_EQ(s->dockedUnits[2], p);
    EXPECT_EQ(s->bayUnit, nullptr);

    // Told to leave: it goes once a second has passed since its arrival...
    s->dockStartTimes[2] = g_GameClock.NowMs();
    p->dockTime = 1;
    Run(s, 0.9f);
    EXPECT_EQ(s->dockedUnits[2], p);
    Run(s, 0.2f);

    // ...through the bay: back in the list, from the resting place, facing out.
    EXPECT_EQ(s->dockedUnits[2], nullptr);
    EXPECT_EQ(s->dockedCount, 0);
    EXPECT_EQ(s->slotIds[2].shipId, -1);
    EXPECT_EQ(s->bayUnit, p);
    EXPECT_EQ(s->bayState, 1);
    EXPECT_GE(CObjectList::IndexOf(p), 0);
    EXPECT_EQ(p->orderType, ACTION_DOCKING);
    EXPECT_EQ(p->orderSubState, -1);
    EXPECT_EQ(p->target, s);
    EXPECT_EQ(p->manualControl, 0);
    EXPECT_LT(Dist(p->position, Vec3(0, 0, 140)), 20.0f);
    EXPECT_GT(p->worldMatrix.m[2][2], 0.99f);
}

TEST_F(DockingBay, LaunchKeepsTheOtherDockedShipsInTheFirstPlaces)
{
    CUnit* s = Station(Vec3());
    CUnit* ships[3];
    for (int i = 0; i < 3; ++i) {
        ships[i] = Craft(Vec3(), 1, GTYPE_SP_NPCSHIP_MERCS_CARGO);
        ships[i]->pilot.objectId = 100 + i;
        DockDirectly(s, ships[i], i, i == 0 ? 1 : kStays);
        s->slotIds[i].personId = 5000 + i;
        s->dockStartTimes[i] = 1000u * i;
    }
    Run(s, 2.0f);
    ASSERT_EQ(s->bayUnit, ships[0]);
    EXPECT_EQ(s->dockedCount, 2);
    EXPECT_EQ(s->dockedUnits[0], ships[1]);
    EXPECT_EQ(s->dockedUnits[1], ships[2]);
    EXPECT_EQ(s->dockedUnits[2], nullptr);
    EXPECT_EQ(s->slotIds[0].shipId, 101);
    EXPECT_EQ(s->slotIds[0].personId, 5001);
    EXPECT_EQ(s->slotIds[1].personId, 5002);
    EXPECT_EQ(s->dockStartTimes[1], 2000u);
    // The launched ship's pair keeps its person, without a ship.
    EXPECT_EQ(s->slotIds[kMaxDocked - 1].personId, 5000);
    EXPECT_EQ(s->slotIds[kMaxDocked - 1].shipId, -1);
    EXPECT_EQ(CObjectList::FindShipInStation(102, ships[2]->pilot.ownerId), ships[2]);
}

TEST_F(DockingBay, LaunchedPlayerShipLeavesThroughTheGateAndGetsItsControlsBack)
{
    CUnit* s = Station(Vec3());
    CUnit* p = PlayerFlownOut(s);
    // At the gate after the slide, and flying out.
    EXPECT_EQ(p->orderSubState, 4);
    Run(s, 15.0f);
    EXPECT_EQ(s->bayUnit, nullptr);
    EXPECT_EQ(s->bayState, -1);
    EXPECT_EQ(p->orderType, ACTION_STAY);
    EXPECT_EQ(p->manualControl, 1);
    EXPECT_EQ(p->collisionFlag, 1);
    EXPECT_GT(p->position.z, 400.0f);
    EXPECT_LT(std::fabs(p->position.x) + std::fabs(p->position.y), 5.0f);
}

// The station destroyed while the bay flies the player's ship out: no bay is left to hand it
// back, so the ship's own docking order does.
TEST_F(DockingBay, PlayerLeavingTheBayOfAStationThatDiesGetsHisControlsBack)
{
    CUnit* s = Station(Vec3());
    CUnit* p = PlayerFlownOut(s);
    ASSERT_EQ(p->orderType, ACTION_DOCKING);
    ASSERT_EQ(p->manualControl, 0);
    s->TakeHit(1.0e6f, nullptr, s->position, nullptr);
    ASSERT_FALSE(s->IsAlive());
    p->SpaceActDocking(kDt);
    EXPECT_NE(p->orderType, ACTION_DOCKING);
    EXPECT_EQ(p->manualControl, 1);
    EXPECT_EQ(p->dockingStage, -1);
    EXPECT_EQ(p->collisionFlag, 1);
}

TEST_F(DockingBay, ShipListedWhileStillDockedIsLaunchedWithoutASecondEntry)
{
    // As after a location load or the return from the interior: the player's ship is in
    // the list and still in its station's first place.
    CUnit* s = Station(Vec3());
    CUnit* p = Craft(Vec3(), 1, GTYPE_SP_HEROSHIP);
    g_PlayerObject = p;
    s->dockedUnits[0] = p;
    s->dockedCount = 1;
    s->dockStartTimes[0] = g_GameClock.NowMs();
    p->dockTime = kStays;
    const int count = CObjectList::Count();
    ASSERT_EQ(CObjectList::FindDockedPlayerShipFlag(), p);
    Run(s, 1.2f);
    EXPECT_EQ(CObjectList::Count(), count);
    EXPECT_EQ(s->dockedCount, 0);
    EXPECT_EQ(s->bayUnit, p);
    EXPECT_EQ(CObjectList::FindDockedPlayerShip(), nullptr);
    Run(s, 20.0f);
    EXPECT_EQ(p->manualControl, 1);
    EXPECT_EQ(p->orderType, ACTION_STAY);
}

// A ship listed again while still docked (back from the interior, before the bay launches
// it) can be destroyed there: its place goes and the station's count with it.
TEST_F(DockingBay, ADockedShipDestroyedWhileListedGivesUpItsPlace)
{
    for (int slot = 0; slot < 2; ++slot) {
        SCOPED_TRACE(slot);
        const Vec3 at(5000.0f * float(slot), 0.0f, 0.0f);
        CUnit* s = Station(at);
        CUnit* ships[2] = {Craft(at + Vec3(0, 0, 500), 1, GTYPE_SP_HEROSHIP), Craft(at + Vec3(0, 0, 600), 1)};
        ships[1]->pilot.objectId = 101;
        DockDirectly(s, ships[0], 0, kStays);
        DockDirectly(s, ships[1], 1, kStays);
        CUnit* doomed = ships[slot];
        CUnit* kept = ships[1 - slot];
        ASSERT_TRUE(CObjectList::Add(doomed));
        doomed->TakeHit(1.0e6f, nullptr, doomed->position, nullptr);
        for (int f = 0; f < 600 && CObjectList::IndexOf(doomed) >= 0; ++f) {
            g_GameClock.gameTime += kDt * 1000.0;
            CObjectList::UpdateAll();
        }
        ASSERT_EQ(CObjectList::IndexOf(doomed), -1);
        EXPECT_EQ(s->dockedCount, 1);
        EXPECT_EQ(s->dockedUnits[0], kept);
        EXPECT_EQ(s->dockedUnits[1], nullptr);
        EXPECT_EQ(s->slotIds[0].shipId, kept->pilot.objectId);
    }
}

// The player's ship hit to death on the frame it is still docked (the interior has just
// closed, the bay has yet to launch it): it is lost as any ship is, and the mission with it.
TEST_F(DockingBay, PlayerShipKilledWhileStillDockedIsLostAsAnyShip)
{
    CUnit* s = Station(Vec3());
    CUnit* p = Craft(Vec3(), 1, GTYPE_SP_HEROSHIP);
    g_PlayerObject = p;
    DockDirectly(s, p, 0, kStays);
    ASSERT_EQ(CObjectList::FindDockedPlayerShipFlag(), p);
    p->TakeHit(1.0e6f, nullptr, p->position, nullptr);
    ASSERT_EQ(p->orderType, ACTION_DEAD);
    // The loss opens the game menu's question: the menu and the mission's end are put back after.
    const int savedResult = g_MissionResult, savedOver = g_LocationDirector.missionOver, savedMenu = g_GameMenuActive,
              savedPointer = g_PointerShown;
    g_MissionResult = -1;
    for (int f = 0; f < 600 && g_MissionResult < 0; ++f) {
        g_GameClock.gameTime += kDt * 1000.0;
        CObjectList::UpdateAll();
    }
    EXPECT_EQ(g_MissionResult, 0);
    EXPECT_GE(CObjectList::IndexOf(p), 0);
    EXPECT_EQ(p->orderSubState, 2);
    EXPECT_EQ(s->dockedCount, 0);
    EXPECT_EQ(s->dockedUnits[0], nullptr);
    EXPECT_EQ(s->bayUnit, nullptr);
    g_MissionResult = savedResult;
    g_LocationDirector.missionOver = savedOver;
    g_GameMenuActive = savedMenu;
    g_PointerShown = savedPointer;
    g_PlayerObject = nullptr;
}

TEST_F(DockingBay, LaunchedShipWithSavedOrdersReturnsToThem)
{
    CUnit* s = Station(Vec3());
    CUnit* target = Craft(Vec3(3000, 0, 0), 2);
    CUnit* a = Craft(Vec3(), 3);
    a->SetOrder(ACTION_ATTACK, target, target, 0);
    a->PushOrder();
    DockDirectly(s, a, 0, 0);
    Run(s, 20.0f);
    EXPECT_EQ(s->bayState, -1);
    EXPECT_EQ(a->orderType, ACTION_ATTACK);
    EXPECT_EQ(a->target, target);
}

TEST_F(DockingBay, AiShipGoesInThroughTheGateSlidesToRestAndDocks)
{
    CUnit* s = Station(Vec3());
    CUnit* a = Craft(Vec3(0, 0, 210), 1);
    a->pilot.objectId = 101;
    Face(a, Vec3(0, 0, -1));
    a->SetOrder(ACTION_DOCKING, s, nullptr, 0);
    a->orderSubState = 3;
    ASSERT_EQ(s->RequestDocking(a, 30), 1);
    a->dockingStage = 1;  // lined up at the gate
    Run(s, 0.1f);
    EXPECT_EQ(a->dockingStage, 2);
    EXPECT_EQ(s->bayUnit, a);
    EXPECT_EQ(s->bayRequestUnit, nullptr);
    Run(s, 20.0f);
    ASSERT_EQ(s->dockedUnits[0], a) << "stage " << a->dockingStage;
    EXPECT_EQ(s->dockedCount, 1);
    EXPECT_EQ(s->slotIds[0].shipId, 101);
    EXPECT_EQ(CObjectList::IndexOf(a), -1);
    EXPECT_LT(Dist(a->position, Vec3(0, 0, 140)), 1e-3f);
    EXPECT_EQ(s->bayUnit, nullptr);
    EXPECT_EQ(s->bayState, -1);
    EXPECT_EQ(a->dockingStage, 0);

    // Its stay of 30 s over, the bay launches it again.
    EXPECT_GE(s->dockStartTimes[0], 100000u + 3000u);
    s->dockStartTimes[0] = g_GameClock.NowMs();
    Run(s, 29.5f);
    EXPECT_EQ(s->dockedUnits[0], a);
    Run(s, 1.0f);
    EXPECT_EQ(s->dockedUnits[0], nullptr);
    EXPECT_GE(CObjectList::IndexOf(a), 0);

    // A ship without an id of its own (traffic, a hired traveller) gets one from the bay: its
    // docked place never reads as an empty one.
    CUnit* b = Craft(Vec3(0, 0, 210), 1);
    b->pilot.objectId = -1;
    b->SetOrder(ACTION_DOCKING, s, nullptr, 0);
    Run(s, 20.0f);
    ASSERT_EQ(s->RequestDocking(b, 30), 1);
    EXPECT_GE(b->pilot.objectId, 0);
}

// A scene that renews a ship's docking order while the bay already holds it (the second
// space intro's mercenaries) must not leave it lining up for a bay that refuses it.
TEST_F(DockingBay, ShipOrderedToDockAgainWhileInTheBayGoesOnIn)
{
    CUnit* s = Station(Vec3());
    CUnit* a = Craft(Vec3(0, 0, 700), 1);  // still far out along the gate's axis
    Face(a, Vec3(0, 0, -1));
    a->SetOrder(ACTION_DOCKING, s, nullptr, 0);
    a->orderSubState = 3;
    ASSERT_EQ(s->RequestDocking(a, 0xFFFFFFFFu), 1);
    a->dockingStage = 1;
    Run(s, 0.1f);
    ASSERT_EQ(s->bayUnit, a);
    a->SetOrder(ACTION_DOCKING, s, nullptr, 0);
    a->orderSubState = 2;
    for (int i = 0; i < 600 && s->dockedUnits[0] != a; ++i) {
        g_GameClock.gameTime += kDt * 1000.0;
        s->UpdateDockingBay(kDt);
        if (s->bayUnit == a || CObjectList::IndexOf(a) >= 0) a->SpaceActDocking(kDt), a->Move(kDt);
        a->UpdateTransform();
    }
    EXPECT_EQ(s->dockedUnits[0], a) << "sub " << a->orderSubState << ", stage " << a->dockingStage;
}

TEST_F(DockingBay, TransportWithOreIsServedAtACargoStationsGate)
{
    CUnit* s = Station(Vec3());
    AddCargo(s, 3000.0f);
    s->ore = 0.0f;
    CUnit* t = Craft(Vec3(0, 0, 230), 0);
    Face(t, Vec3(0, 0, -1));
    AddCargo(t, 50.0f);
    t->ore = 40.0f;
    t->SetOrder(ACTION_DOCKING, s, nullptr, 0);
    t->orderSubState = 3;
    ASSERT_EQ(s->RequestDocking(t, 0), 1);
    t->dockingStage = 1;
    for (int i = 0; i < 400 && s->bayState != 2; ++i) Run(s, kDt);
    ASSERT_EQ(s->bayState, 2);
    EXPECT_EQ(t->orderSubState, 5);
    EXPECT_EQ(t->dockingStage, 0);
    EXPECT_EQ(s->dockedCount, 0);
    EXPECT_GE(CObjectList::IndexOf(t), 0);
}

TEST_F(DockingBay, CargoStationFillsTheHoldAtItsGateThenTheShipLeaves)
{
    CUnit* s = Station(Vec3());
    AddCargo(s, 3000.0f);
    s->ore = 100.0f;
    CUnit* t = Craft(Vec3(0, 0, 190), 0);
    AddCargo(t, 50.0f);  // 5 per second
    t->SetOrder(ACTION_DOCKING, s, nullptr, 0);
    t->orderSubState = 5;
    s->bayUnit = t;
    s->bayState = 2;
    Run(s, 5.0f);
    EXPECT_NEAR(t->ore, 25.0f, 0.6f);
    EXPECT_NEAR(s->ore, 75.0f, 0.6f);
    Run(s, 6.0f);
    EXPECT_FLOAT_EQ(t->ore, 50.0f);
    EXPECT_FLOAT_EQ(s->ore, 50.0f);
    EXPECT_EQ(t->orderSubState, 4);
    EXPECT_EQ(s->bayState, 1);
}

TEST_F(DockingBay, HomeStationTakesOreAtATwoHundredthAndRepairsWhileItHasOre)
{
    CUnit* s = Station(Vec3());
    g_HeroStation = s;
    s->ore = 0.05f;
    CUnit* a = Craft(Vec3(), 1);
    AddCargo(a, 200.0f);  // 20 per second
    a->ore = 100.0f;
    a->hull = 50.0f;
    DockDirectly(s, a, 0, kStays);

    s->UpdateDockingBay(1.0f);
    EXPECT_FLOAT_EQ(a->ore, 80.0f);
    EXPECT_FLOAT_EQ(a->statistics.oreDelivered, 20.0f);
    EXPECT_FLOAT_EQ(a->statistics.missionOreDelivered, 20.0f);
    // 0.05 + 20 / 200, less a thirtieth for the repair of a side-1 ship.
    EXPECT_NEAR(s->ore, 0.15f - 1.0f / 30.0f, 1e-5f);
    EXPECT_FLOAT_EQ(a->hull, 55.0f);

    // No ore, no repair.
    a->ore = 0.0f;
    s->ore = 0.0f;
    s->UpdateDockingBay(1.0f);
    EXPECT_FLOAT_EQ(a->hull, 55.0f);
    EXPECT_EQ(s->ore, 0.0f);

    // The repair pays until the stock is gone, never below 0.
    s->ore = 0.02f;
    s->UpdateDockingBay(1.0f);
    EXPECT_FLOAT_EQ(a->hull, 60.0f);
    EXPECT_EQ(s->ore, 0.0f);
    s->UpdateDockingBay(1.0f);
    EXPECT_FLOAT_EQ(a->hull, 60.0f);

    // Another station serves nothing.
    CUnit* other = Station(Vec3(5000, 0, 0));
    CUnit* b = Craft(Vec3(), 1);
    b->ore = 10.0f;
    DockDirectly(other, b, 0, kStays);
    other->UpdateDockingBay(1.0f);
    EXPECT_EQ(b->ore, 10.0f);
}

TEST_F(DockingBay, PlayerAtTheGateIsTakenInAndTheInteriorIsRequested)
{
    // Asked to stay, or asked for loading at a station that has no cargo to load: either way
    // the player walks inside, and the ship waits in the bay until he leaves.
    for (const uint32_t asked : {kStays, 0u}) {
        SCOPED_TRACE(asked);
        CObjectList::DestroyAll();
        g_PendingLocationKind = -1;
        CUnit* s = Station(Vec3());
        CUnit* p = PlayerBeforeTheGate(Vec3(0, 0, 380), Vec3(0, 0, -1));
        ASSERT_EQ(s->RequestDocking(p, asked), 1);
        Run(s, kDt);
        EXPECT_EQ(p->dockingStage, 101);
        EXPECT_EQ(p->manualControl, 0);
        EXPECT_EQ(p->orderType, ACTION_DOCKING);
        EXPECT_EQ(p->orderSubState, 3);
        EXPECT_EQ(s->bayUnit, p);
        EXPECT_EQ(g_World.cameras[1].cinematicView, 1);
        for (int i = 0; i < 800 && g_PendingLocationKind != 2; ++i) Run(s, kDt);
        EXPECT_EQ(g_PendingLocationKind, 2);
        EXPECT_STREQ(g_World.pendingFolder, "Data/Locations.Planet/Hero Station");
        for (int i = 0; i < 200; ++i) Run(s, kDt);
        EXPECT_EQ(s->dockedUnits[0], p);
        EXPECT_EQ(p->dockTime, kStays);
        EXPECT_EQ(CObjectList::FindDockedPlayerShip(), p);
        EXPECT_EQ(CObjectList::IndexOf(p), -1);
        g_PlayerObject = nullptr;
        g_World.cameras[1].cinematicView = 0;
    }
}

// However the player comes in (across the gate, turning away), the bay brings him onto
// its point and inside; a slow turn once kept a ship circling the point for good.
TEST_F(DockingBay, PlayerComingInAtAnAngleStillReachesTheGatePoint)
{
    const Vec3 headings[] = {Vec3(0, 0, -1), Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0.7f, 0, 0.7f)};
    for (const Vec3& h : headings) {
        CObjectList::DestroyAll();
        g_PendingLocationKind = 0;
        CUnit* s = Station(Vec3());
        CUnit* p = PlayerBeforeTheGate(Vec3(6, 0, 380), h);
        p->speed = 15.0f;
        ASSERT_EQ(s->RequestDocking(p, kStays), 1);
        for (int i = 0; i < 2400 && g_PendingLocationKind != 2; ++i) Run(s, kDt);
        EXPECT_EQ(g_PendingLocationKind, 2) << "heading " << h.x << " " << h.y << " " << h.z << ", stage " << p->dockingStage;
        g_PlayerObject = nullptr;
    }
}

TEST_F(DockingBay, PlayerWaitsAtTheGateWhileAnotherShipIsInTheBay)
{
    CUnit* s = Station(Vec3());
    SetStationInterior(1000, "Data/Locations.Planet/Hero Station", "Hero station");
    CUnit* a = Craft(Vec3(0, 0, 300), 1);
    a->pilot.objectId = 101;
    Face(a, Vec3(0, 0, -1));
    a->SetOrder(ACTION_DOCKING, s, nullptr, 0);
    a->orderSubState = 3;
    ASSERT_EQ(s->RequestDocking(a, 30), 1);
    a->dockingStage = 1;
    Run(s, kDt);
    ASSERT_EQ(s->bayUnit, a);

    CUnit* p = Craft(Vec3(0, 0, 390), 1, GTYPE_SP_HEROSHIP);
    Face(p, Vec3(0, 0, -1));
    g_PlayerObject = p;
    ASSERT_EQ(s->RequestDocking(p, kStays), 1);
    Run(s, kDt);
    EXPECT_EQ(p->dockingStage, 1002);
    EXPECT_EQ(p->orderSubState, 3);
    bool waitedWhileBusy = true;
    for (int i = 0; i < 800 && s->dockedCount == 0; ++i) {
        Run(s, kDt);
        if (s->dockedCount == 0 && p->dockingStage != 1002) waitedWhileBusy = false;
    }
    EXPECT_TRUE(waitedWhileBusy);
    ASSERT_EQ(s->dockedUnits[0], a);
    Run(s, kDt);
    EXPECT_EQ(p->dockingStage, 101);
    EXPECT_EQ(s->bayUnit, p);
    g_PlayerObject = nullptr;
}

TEST_F(DockingBay, PlayerFarFromTheApproachPointIsNotTakenIn)
{
    CUnit* s = Station(Vec3());
    CUnit* p = Craft(Vec3(0, 60, 380), 1, GTYPE_SP_HEROSHIP);
    g_PlayerObject = p;
    ASSERT_EQ(s->RequestDocking(p, kStays), 1);
    Run(s, 1.0f);
    EXPECT_EQ(p->dockingStage, 100);
    EXPECT_EQ(p->manualControl, 1);
    EXPECT_EQ(s->bayUnit, nullptr);
    g_PlayerObject = nullptr;
}

TEST_F(DockingBay, LatchedParasitesFeedOnTheStationAndDeadOnesDrop)
{
    CUnit* s = Station(Vec3());
    s->ore = 10.0f;
    CUnit* a = Craft(Vec3(0, 110, 0), 3);
    a->hull = 10.0f;
    a->SetOrder(ACTION_DOCKING, s, nullptr, 0);
    a->orderSubState = -1;
    CUnit* dead = Craft(Vec3(0, -110, 0), 3);
    dead->hull = 0.0f;
    s->latchedUnits[0] = a;
    s->latchedUnits[3] = dead;
    s->latchedCount = 2;
    g_GameClock.gameTime = 100500.0;  // outside the alert window
    s->UpdateStation(1.0f);
    EXPECT_FLOAT_EQ(a->hull, 20.0f);
    EXPECT_FLOAT_EQ(s->ore, 9.9f);
    EXPECT_EQ(s->latchedUnits[3], nullptr);
    EXPECT_EQ(s->latchedCount, 1);

    // From sector 12 on they no longer drain the stock.
    g_LocationDirector.locationId = 12;
    s->UpdateStation(1.0f);
    EXPECT_FLOAT_EQ(s->ore, 9.9f);
    s->ore = 0.05f;
    g_LocationDirector.locationId = 3;
    s->UpdateStation(1.0f);
    EXPECT_EQ(s->ore, 0.0f);
}

TEST_F(DockingBay, DyingStationShedsItsParasites)
{
    CUnit* s = Station(Vec3());
    CUnit* latched = Craft(Vec3(0, 110, 0), 3);
    latched->SetOrder(ACTION_DOCKING, s, nullptr, 0);
    latched->orderSubState = -1;
    CUnit* coming = Craft(Vec3(0, 500, 0), 3);
    coming->objectClass = GCLASS_SPACE_OBJECT;
    coming->SetOrder(ACTION_DOCKING, s, nullptr, 0);
    coming->orderSubState = 1;
    coming->hull = coming->hullMax = 5000.0f;
    s->latchedUnits[0] = latched;
    s->latchedUnits[1] = coming;
    s->latchedCount = 2;
    s->orderType = ACTION_DEAD;
    s->orderSubState = 2;
    s->UpdateStation(kDt);
    EXPECT_EQ(latched->hull, 0.0f);
    EXPECT_EQ(coming->objectClass, (unsigned)GCLASS_SPACE_SHIP);
    EXPECT_LT(coming->hull, 5000.0f);
    EXPECT_EQ(s->latchedCount, 0);
    EXPECT_EQ(s->latchedUnits[1], nullptr);
}

TEST_F(DockingBay, AlienFliesOntoItsLatchPointAndBecomesPartOfTheStation)
{
    CUnit* s = Station(Vec3());
    s->meshes[0] = &hubMesh;
    s->meshCount = 1;
    CUnit* a = Craft(Vec3(0, 400, 0), 3);
    a->SetOrder(ACTION_DOCKING, s, nullptr, 0);
    a->latchPoint = 0;
    a->orderSubState = 1;
    Face(a, Vec3(0, -1, 0));
    g_PlayerObject = Craft(Vec3(0, 0, 2000), 1, GTYPE_SP_HEROSHIP);
    g_PlayerObject->target = a;
    for (int i = 0; i < 600 && a->orderSubState != -1; ++i) {
        g_GameClock.gameTime += kDt * 1000.0;
        a->UpdateStation(kDt);
        a->Move(kDt);
        a->UpdateTransform();
    }
    ASSERT_EQ(a->orderSubState, -1);
    EXPECT_LT(Dist(a->position, Vec3(0, 110, 0)), 1e-3f);
    EXPECT_EQ(a->objectClass, (unsigned)GCLASS_SPACE_OBJECT);
    EXPECT_EQ(s->latchedUnits[0], a);
    EXPECT_EQ(s->latchedCount, 1);
    EXPECT_NE(g_PlayerObject->target, a);
    g_PlayerObject = nullptr;
}

// The whole world runs: the stations' bays, the ships' own docking flight, doors and moves.
void WorldFrames(float seconds, const std::function<void()>& each = {})
{
    for (float t = 0.0f; t < seconds; t += kDt) {
        g_GameClock.gameTime += kDt * 1000.0;
        CObjectList::UpdateAll();
        if (each) each();
    }
}

// Counts the openings of a door: the frames on which it starts to open.
struct DoorWatch {
    const CAttachedEffect* door;
    int state = 0, opened = 0;
    void operator()()
    {
        if (door->doorState == 1 && state == 0) ++opened;
        state = door->doorState;
    }
};

TEST_F(DockingBay, TransportRunsBetweenAMineAndADepotThroughTheSameBays)
{
    CUnit* mine = Station(Vec3());
    mine->pilot.objectId = 30;
    AddCargo(mine, 5000.0f);
    mine->ore = 1000.0f;
    CAttachedEffect* mineDoor = AddDoor(mine);
    CUnit* depot = Station(Vec3(3000, 0, 0));
    depot->pilot.objectId = 49;
    Face(depot, Vec3(-1, 0, 0));
    CAttachedEffect* depotDoor = AddDoor(depot);
    CUnit* t = Craft(Vec3(1500, 300, 800), 0);
    AddCargo(t, 40.0f);
    t->SetOrder(ACTION_TRANSPORT, nullptr, nullptr, 0);
    t->SetTargetsById(30, 49);

    DoorWatch mineWatch{mineDoor}, depotWatch{depotDoor};
    int loads = 0, unloads = 0, lastBayState[2] = {-1, -1};
    float depotOre = depot->ore;
    WorldFrames(900.0f, [&] {
        mineWatch();
        depotWatch();
        if (mine->bayState == 2 && lastBayState[0] != 2) ++loads;
        if (depot->bayState == 2 && lastBayState[1] != 2) ++unloads;
        lastBayState[0] = mine->bayState;
        lastBayState[1] = depot->bayState;
    });
    EXPECT_GE(loads, 2) << "sub-state " << t->orderSubState << " stage " << t->dockingStage;
    EXPECT_GE(unloads, 2);
    EXPECT_GT(depot->ore, depotOre);
    EXPECT_LT(mine->ore, 1000.0f - 40.0f * 2 + 1e-3f);
    // Reusable bays: nobody holds them between the visits, and each door opened once for
    // the ship's way in and once for its way out, never flapping in between.
    EXPECT_LE(mineWatch.opened, 2 * loads + 1);
    EXPECT_LE(depotWatch.opened, 2 * unloads + 1);
    EXPECT_GE(mineWatch.opened, loads);
    EXPECT_EQ(t->orderStack == nullptr, false);  // the transport order waits under the docking one
    EXPECT_EQ(CObjectList::IndexOf(t) >= 0, true);
}

TEST_F(DockingBay, SecondShipWaitsAtTheGateWhileTheFirstDocks)
{
    CUnit* s = Station(Vec3());
    CAttachedEffect* door = AddDoor(s);
    CUnit* a = Craft(Vec3(300, 0, 900), 1);
    CUnit* b = Craft(Vec3(-300, 0, 1000), 1);
    b->pilot.objectId = 101;
    for (CUnit* u : {a, b}) {
        u->SetOrder(ACTION_DOCKING, s, nullptr, 0);
        u->dockTime = 600;
    }
    DoorWatch watch{door};
    bool waited = false;
    WorldFrames(300.0f, [&] {
        watch();
        waited = waited || b->dockingStage == 1001 || a->dockingStage == 1001;
    });
    EXPECT_TRUE(waited);
    EXPECT_EQ(s->dockedCount, 2) << "a " << a->orderSubState << "/" << a->dockingStage << " b " << b->orderSubState
                                 << "/" << b->dockingStage;
    EXPECT_EQ(CObjectList::IndexOf(a), -1);
    EXPECT_EQ(CObjectList::IndexOf(b), -1);
    EXPECT_EQ(s->bayUnit, nullptr);
    EXPECT_EQ(s->bayRequestUnit, nullptr);
    EXPECT_LE(watch.opened, 2);
}

TEST_F(DockingBay, BayKeepsAShipDockedWhileTheUnitListIsFull)
{
    CUnit* s = Station(Vec3());
    CUnit* a = Craft(Vec3(0, 0, 600), 1);
    DockDirectly(s, a, 0, 1);
    while (CObjectList::Count() < kMaxUnits) ASSERT_TRUE(CObjectList::Add(MakeUnit(GCLASS_SPACE_OBJECT, GTYPE_STATIC, Vec3(9000, 0, 0))));
    Run(s, 3.0f);
    EXPECT_EQ(s->dockedUnits[0], a);
    EXPECT_EQ(s->dockedCount, 1);
    CObjectList::Remove(CObjectList::units[1][CObjectList::Count() - 1]);
    Run(s, 0.1f);
    EXPECT_EQ(s->dockedCount, 0);
    EXPECT_GE(CObjectList::IndexOf(a), 0);
}

TEST_F(DockingBay, ParasiteLetsGoToAttackThenLatchesAgain)
{
    CUnit* s = Station(Vec3(), false);
    s->pilot.side = 3;  // an alien station
    s->meshes[0] = &hubMesh;
    s->meshCount = 1;
    CUnit* alien = Craft(Vec3(0, 400, 0), 3, GTYPE_SP_NPCSHIP_MOVED);
    alien->SetOrder(ACTION_DOCKING, s, nullptr, 0);
    WorldFrames(60.0f);
    ASSERT_EQ(alien->orderSubState, -1);
    ASSERT_EQ(s->latchedCount, 1);
    EXPECT_LT(Dist(alien->position, Vec3(0, 110, 0)), 1e-3f);

    // A ship launched from another station's bay (sub-state -1 as well) that found its way
    // into the list is not taken for a latched one.
    CUnit* home = Station(Vec3(0, 0, 3000));
    CUnit* other = Craft(Vec3(0, 0, 2700), 0);
    other->SetOrder(ACTION_DOCKING, home, nullptr, 0);
    other->orderSubState = -1;
    s->latchedUnits[1] = other;
    s->latchedCount = 2;
    const float otherHull = other->hull = 50.0f;
    WorldFrames(1.0f);
    EXPECT_FLOAT_EQ(other->hull, otherHull);
    s->latchedUnits[1] = nullptr;
    s->latchedCount = 1;
    CObjectList::Remove(other);

    // An intruder: the parasite lets go and attacks it.
    CUnit* intruder = Craft(Vec3(0, 600, 0), 1);
    intruder->hull = intruder->hullMax = 100.0f;
    intruder->rating = 1000.0f;
    WorldFrames(4.0f);
    ASSERT_EQ(alien->orderType, ACTION_ATTACK);
    EXPECT_EQ(alien->objectClass, (unsigned)GCLASS_SPACE_SHIP);
    // The intruder gone, it returns to its docking order and latches again.
    CObjectList::Remove(intruder);
    WorldFrames(60.0f);
    EXPECT_EQ(alien->orderType, ACTION_DOCKING);
    EXPECT_EQ(alien->orderSubState, -1);
    EXPECT_EQ(alien->objectClass, (unsigned)GCLASS_SPACE_OBJECT);
    EXPECT_EQ(s->latchedCount, 1);
}

// The hero station of the data set: its gate bay gives the gate, the approach point
// outside and the resting place inside, and the bay takes a ship.
class DockingDataSet : public testutil::DataSetTest {
protected:
    DockingDataSet() : DataSetTest("Data/Objects.hdr", true) {}
};

TEST_P(DockingDataSet, HeroStationsGateBayLiesInFrontOfItsGate)
{
    const int savedWorld = g_WorldIndex;
    g_WorldIndex = 1;
    CUnit* s = new CUnit();
    ASSERT_EQ(s->Load("Data/Space/Station/Base 01/Main.obj", 1000), 1);
    s->position = Vec3(0, 0, 1000);
    s->UpdateParts();
    ASSERT_NE(s->FindGateBay(), nullptr);
    Vec3 p[2];
    s->GetGunPoints(p);
    const Vec3 out = p[1] - p[0];
    EXPECT_GT(Vec3Length(out), 50.0f);
    // Both points lie off the station's centre on the same side, the outer one farther.
    EXPECT_GT(Vec3Length(p[1] - s->position), Vec3Length(p[0] - s->position));
    CUnit ship;
    ship.objectClass = GCLASS_SPACE_SHIP;
    ship.kind = GTYPE_SP_NPCSHIP;
    s->hull = s->hullMax > 0.0f ? s->hullMax : 1.0f;
    EXPECT_EQ(s->RequestDocking(&ship, 10), 1);
    s->bayRequestUnit = nullptr;
    s->Release();
    delete s;
    g_WorldIndex = savedWorld;
}

// While the player is inside the station, the pilot of a ship docking there walks into
// the interior: a person of the planet world, sent on its walk (script step 100).
TEST_P(DockingDataSet, PilotOfAShipDockingWhileThePlayerIsInsideWalksIn)
{
    const int savedWorld = g_WorldIndex, savedKind = g_LocationKind;
    g_WorldIndex = 1;
    CUnit* s = new CUnit();
    ASSERT_EQ(s->Load("Data/Space/Station/Base 01/Main.obj", 1000), 1);
    s->hull = s->hullMax > 0.0f ? s->hullMax : 1.0f;
    s->UpdateParts();
    ASSERT_TRUE(CObjectList::Add(s));
    CUnit hero;
    hero.kind = GTYPE_SP_HEROSHIP;
    s->dockedUnits[0] = &hero;
    s->dockedCount = 1;
    CUnit* ship = new CUnit();
    ASSERT_EQ(ship->Load("Data/Space/Ship/Eagle.M1/Main.obj", 101), 1);
    ship->pilot.Load(ship, "Human/Mercenaries/Fighter");
    ship->pilot.side = 1;
    ship->pilot.sex = 0;
    ASSERT_TRUE(CObjectList::Add(ship));
    ship->SetOrder(ACTION_DOCKING, s, nullptr, 0);
    ship->orderSubState = 3;
    ship->dockingStage = 4;  // slid in: it docks on the next bay step
    s->bayUnit = ship;
    s->bayState = 0;

    g_World.navGrid.Free();
    g_World.navGrid.SetSize(8);
    ASSERT_TRUE(g_World.navGrid.BuildNavGrid(NavUnitList{}));
    g_LocationKind = 2;
    s->UpdateDockingBay(0.05f);
    g_LocationKind = savedKind;
    EXPECT_EQ(s->dockedUnits[1], ship);
    EXPECT_EQ(CObjectList::IndexOf(ship), -1);
    g_WorldIndex = 0;
    ASSERT_EQ(CObjectList::Count(), 1);
    CUnit* person = CObjectList::units[0][0];
    EXPECT_EQ(person->scriptStep, 100);
    EXPECT_EQ(s->slotIds[1].personId, person->pilot.objectId);
    EXPECT_STREQ(person->displayName, ship->pilot.pilotName);
    CObjectList::DestroyAll();
    g_World.navGrid.Free();
    g_WorldIndex = 1;
    s->dockedUnits[0] = nullptr;  // the test's own record
    CObjectList::DestroyAll();     // the station frees its docked ship
    g_WorldIndex = savedWorld;
}

INSTANTIATE_TEST_SUITE_P(Loose, DockingDataSet, ::testing::Values(0));

}  // namespace
