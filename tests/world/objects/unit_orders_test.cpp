#include <gtest/gtest.h>

#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/flight_test_util.h"

namespace {

class OrdersTest : public FlightFixture {
protected:
    void TearDown() override
    {
        a.DiscardOrderStack();
        a.ClearWaypoints();
        b.DiscardOrderStack();
        FlightFixture::TearDown();
    }
    CUnit a, b;
};

int RouteLength(const CWaypoint* w)
{
    int n = 0;
    for (; w; w = w->next) ++n;
    return n;
}

TEST_F(OrdersTest, DeadIsFinal)
{
    MakeShip(a, GTYPE_SP_NPCSHIP, Vec3());
    ASSERT_EQ(a.SetOrder(ACTION_DEAD, nullptr, nullptr, 0), 1);
    a.target = &b;
    a.speedPercent = 40.0f;
    const uint32_t stamp = a.timers[1];
    Advance(500);
    for (int type : {ACTION_STAY, ACTION_MOVE, ACTION_ATTACK, ACTION_GET_DAMAGE, ACTION_DEAD}) {
        EXPECT_EQ(a.SetOrder(type, &b, nullptr, 1), 0) << type;
        EXPECT_EQ(a.orderType, ACTION_DEAD);
    }
    EXPECT_EQ(a.target, &b);
    EXPECT_EQ(a.speedPercent, 40.0f);
    EXPECT_EQ(a.timers[1], stamp);
}

TEST_F(OrdersTest, HitReactionAcceptsOnlyDeath)
{
    MakeShip(a, GTYPE_SP_NPCSHIP, Vec3());
    a.orderType = ACTION_GET_DAMAGE;
    a.orderSubState = 3;
    EXPECT_EQ(a.SetOrder(ACTION_STAY, nullptr, nullptr, 0), 0);
    EXPECT_EQ(a.SetOrder(ACTION_ATTACK, &b, nullptr, 0), 0);
    EXPECT_EQ(a.orderType, ACTION_GET_DAMAGE);
    EXPECT_EQ(a.orderSubState, 3);
    EXPECT_EQ(a.SetOrder(ACTION_DEAD, nullptr, nullptr, 0), 1);
    EXPECT_EQ(a.orderType, ACTION_DEAD);
    EXPECT_EQ(a.orderSubState, 0);
}

TEST_F(OrdersTest, AnotherPlayersUnitNeedsForce)
{
    g_GameMode = 2;
    MakeShip(a, GTYPE_SP_NPCSHIP, Vec3());
    a.pilot.side = 2;
    EXPECT_EQ(a.SetOrder(ACTION_ATTACK, &b, nullptr, 0), 0);
    EXPECT_EQ(a.orderType, ACTION_STAY);
    EXPECT_EQ(a.SetOrder(ACTION_ATTACK, &b, nullptr, 1), 1);
    EXPECT_EQ(a.target, &b);
}

TEST_F(OrdersTest, SpaceOrdersSetTheirFields)
{
    MakeShip(a, GTYPE_SP_NPCSHIP, Vec3(1, 2, 3));
    a.speedPercent = 80.0f;
    a.target = &b;
    a.orderVector = Vec3(1, 5, 1);
    a.SetOrder(ACTION_STAY, nullptr, nullptr, 0);
    EXPECT_EQ(a.speedPercent, 0.0f);
    EXPECT_EQ(a.target, nullptr);
    EXPECT_EQ(a.orderVector, Vec3());

    const Vec3 p(100, 0, 50);
    a.SetOrder(ACTION_MOVE, &p, nullptr, 0);
    EXPECT_EQ(a.destination, p);
    EXPECT_EQ(a.movePoint, p);

    CUnit c;
    a.SetOrder(ACTION_ATTACK, &b, &c, 0);
    EXPECT_EQ(a.target, &b);
    EXPECT_EQ(a.target2, &c);

    a.dockTime = 30;
    a.SetOrder(ACTION_DOCKING, &b, &c, 0);
    EXPECT_EQ(a.target, &b);
    EXPECT_EQ(a.target2, nullptr);
    EXPECT_EQ(a.dockTime, 0xFFFFFFFFu);

    a.SetOrder(ACTION_TRANSPORT, nullptr, nullptr, 0);
    EXPECT_EQ(a.target, nullptr);
}

TEST_F(OrdersTest, GuardingStationSharesTheHullAndIsListedOnce)
{
    MakeShip(b, GTYPE_SP_STATION, Vec3());
    b.hullMax = 3000.0f;
    b.hull = 1700.0f;
    CUnit stations[9];
    for (CUnit& s : stations) MakeShip(s, GTYPE_SP_STATION, Vec3());
    stations[0].SetOrder(ACTION_GUARD, &b, nullptr, 0);
    stations[0].SetOrder(ACTION_GUARD, &b, nullptr, 0);
    EXPECT_EQ(b.guardCount, 1);
    EXPECT_EQ(stations[0].hullMax, 3000.0f);
    EXPECT_EQ(stations[0].baseValues[UNIT_BASE_HULL].value, 3000.0f);
    EXPECT_EQ(stations[0].hull, 1700.0f);
    EXPECT_EQ(stations[0].boundUnit, &b);
    for (int i = 1; i < 9; ++i) stations[i].SetOrder(ACTION_GUARD, &b, nullptr, 0);
    EXPECT_EQ(b.guardCount, kMaxGuards);  // the ninth guards without a place in the list
    EXPECT_EQ(stations[8].target, &b);
    EXPECT_EQ(stations[8].hull, 1700.0f);

    // A ship that guards keeps its own hull.
    MakeShip(a, GTYPE_SP_NPCSHIP, Vec3());
    a.SetOrder(ACTION_GUARD, &b, nullptr, 0);
    EXPECT_EQ(a.hullMax, 100.0f);
    EXPECT_EQ(b.guardCount, kMaxGuards);
}

TEST_F(OrdersTest, PlanetAttackTouchesOnlyTheCommonFields)
{
    g_WorldIndex = 0;
    MakeShip(a, GTYPE_NPC, Vec3(4, 0, 4));
    a.objectClass = GCLASS_CHARACTER_NPC;
    a.target = &b;
    a.destination = Vec3(9, 9, 9);
    a.target2 = &b;
    a.waypoints = new CWaypoint;
    a.orderSubState = 2;
    a.animDirection = -1;
    a.SetOrder(ACTION_ATTACK, &b, &b, 0);
    EXPECT_EQ(a.orderType, ACTION_ATTACK);
    EXPECT_EQ(a.orderSubState, 0);
    EXPECT_EQ(a.waypoints, nullptr);
    EXPECT_EQ(a.target2, nullptr);
    EXPECT_EQ(a.target, &b);
    EXPECT_EQ(a.destination, Vec3(9, 9, 9));
    EXPECT_EQ(a.animDirection, -1);
}

TEST_F(OrdersTest, UnreachableHeroMoveBecomesAStayKeepingTheWalkStart)
{
    g_WorldIndex = 0;
    MakeShip(a, 0, Vec3(3, 0, 7));
    a.objectClass = GCLASS_CHARACTER_HERO;
    // A walk in progress, started at this stamp.
    a.orderType = ACTION_MOVE;
    const uint32_t walkStart = a.timers[0] - 2000;
    a.timers[0] = walkStart;
    Advance(700);
    const Vec3 far(500, 0, 500);  // no navigation grid: no route anywhere
    EXPECT_EQ(a.SetOrder(ACTION_MOVE, &far, nullptr, 0), 1);
    EXPECT_EQ(a.orderType, ACTION_STAY);
    EXPECT_EQ(a.destination, a.position);
    EXPECT_EQ(a.timers[0], walkStart);
    EXPECT_EQ(a.timers[1], g_GameClock.NowMs());
}

TEST_F(OrdersTest, PlanetFlyerMoveMakesAOnePointRoute)
{
    g_WorldIndex = 0;
    MakeShip(a, GTYPE_VEHICLE_ONAIR, Vec3(1, 5, 1));
    a.objectClass = GCLASS_OBJECT_FLY;
    const Vec3 p(20, 5, 30);
    a.SetOrder(ACTION_MOVE, &p, nullptr, 0);
    ASSERT_EQ(RouteLength(a.waypoints), 1);
    EXPECT_EQ(a.waypoints->x, 20.0f);
    EXPECT_EQ(a.waypoints->z, 30.0f);
    EXPECT_EQ(a.destination, a.position);
    EXPECT_EQ(a.targetPoint, p);
}

TEST_F(OrdersTest, PushAndPopCarryTheRoute)
{
    g_WorldIndex = 0;
    MakeShip(a, GTYPE_VEHICLE_ONAIR, Vec3());
    a.objectClass = GCLASS_OBJECT_FLY;
    const Vec3 p(20, 5, 30);
    a.SetOrder(ACTION_MOVE, &p, nullptr, 0);
    CWaypoint* route = a.waypoints;
    a.currentFrame = 3;
    a.frameCounter = 3.0f;
    a.PushOrder();
    EXPECT_EQ(a.waypoints, nullptr);
    ASSERT_NE(a.orderStack, nullptr);

    // A second order on top, with a route of its own, saved as well.
    g_WorldIndex = 1;
    a.objectClass = GCLASS_SPACE_SHIP;
    a.SetOrder(ACTION_ATTACK, &b, nullptr, 0);
    a.waypoints = new CWaypoint;
    a.waypoints->next = new CWaypoint;
    a.PushOrder();
    a.SetOrder(ACTION_DOCKING, &b, nullptr, 0);
    a.currentFrame = 0;

    a.orderSubState = 4;
    a.PopOrder();
    EXPECT_EQ(a.orderType, ACTION_ATTACK);
    EXPECT_EQ(a.target, &b);
    EXPECT_EQ(RouteLength(a.waypoints), 2);
    EXPECT_EQ(a.orderSubState, 0);

    a.PopOrder();
    EXPECT_EQ(a.orderType, ACTION_MOVE);
    EXPECT_EQ(a.waypoints, route);
    EXPECT_EQ(a.targetPoint, p);
    EXPECT_EQ(a.currentFrame, 3u);
    EXPECT_EQ(a.orderStack, nullptr);

    // An empty stack stops the ship.
    a.speedPercent = 50.0f;
    a.PopOrder();
    EXPECT_EQ(a.orderType, ACTION_STAY);
    EXPECT_EQ(a.speedPercent, 0.0f);
}

TEST_F(OrdersTest, DiscardFreesSavedRoutesButKeepsTheCurrentOne)
{
    MakeShip(a, GTYPE_SP_NPCSHIP, Vec3());
    for (int i = 0; i < 3; ++i) {
        a.waypoints = new CWaypoint;
        a.PushOrder();
    }
    a.waypoints = new CWaypoint;
    a.boundUnit = &b;
    a.DiscardOrderStack();
    EXPECT_EQ(a.orderStack, nullptr);
    EXPECT_EQ(a.boundUnit, nullptr);
    EXPECT_NE(a.waypoints, nullptr);
}

TEST_F(OrdersTest, NetworkPirateNeitherPushesNorRestores)
{
    g_GameMode = 2;
    MakeShip(a, GTYPE_SP_NPCSHIP, Vec3());
    a.pilot.side = 2;
    a.PushOrder();
    EXPECT_EQ(a.orderStack, nullptr);
    a.orderType = ACTION_ATTACK;
    a.target = &b;
    a.PopOrder();
    EXPECT_EQ(a.orderType, ACTION_STAY);
    EXPECT_EQ(a.target, &b);
}

TEST_F(OrdersTest, TransportEndsResolveByIdAndInANetworkGameByOwner)
{
    CUnit mine, theirs;
    mine.pilot.objectId = 1000;
    mine.pilot.ownerId = 3;
    theirs.pilot.objectId = 1000;
    theirs.pilot.ownerId = 7;
    b.pilot.objectId = 12;
    const uint32_t savedCount = CObjectList::unitCount[1];
    CObjectList::units[1][0] = &theirs;
    CObjectList::units[1][1] = &mine;
    CObjectList::units[1][2] = &b;
    CObjectList::unitCount[1] = 3;

    a.SetTargetsById(12, -1);
    EXPECT_EQ(a.transportEnds[0], &b);
    EXPECT_EQ(a.transportEnds[1], nullptr);
    EXPECT_EQ(a.transportEndIds[0], 12);
    EXPECT_EQ(a.transportEndIds[1], -1);
    a.SetTargetsById(1000, 99);
    EXPECT_EQ(a.transportEnds[0], &theirs);  // outside a network game: the first with the id
    EXPECT_EQ(a.transportEnds[1], nullptr);

    g_GameMode = 2;
    a.pilot.ownerId = 3;
    a.SetTargetsById(1000, 12);
    EXPECT_EQ(a.transportEnds[0], &mine);
    EXPECT_EQ(a.transportEnds[1], &b);

    CObjectList::unitCount[1] = savedCount;
    for (int i = 0; i < 3; ++i) CObjectList::units[1][i] = nullptr;
}

TEST_F(OrdersTest, DockingQueries)
{
    a.orderType = ACTION_DOCKING;
    a.orderSubState = 3;
    a.dockingStage = 1;
    EXPECT_FALSE(a.IsDockingPhase());
    EXPECT_FALSE(a.IsDockingStage3());
    a.dockingStage = 3;
    EXPECT_TRUE(a.IsDockingPhase());
    EXPECT_TRUE(a.IsDockingStage3());
    a.orderSubState = 5;
    EXPECT_TRUE(a.IsDockingPhase());
    a.orderType = ACTION_ATTACK;
    EXPECT_FALSE(a.IsDockingPhase());
    a.hull = 5.0f;
    EXPECT_TRUE(a.IsAlive());
    a.orderType = ACTION_DEAD;
    EXPECT_FALSE(a.IsAlive());
}

}  // namespace
