#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "flight_ui/comm_window.h"
#include "world/objects/item.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/flight_test_util.h"

namespace {

constexpr float kDt = 0.05f;

std::vector<std::pair<CUnit*, int>> g_Lines;
void RecordLine(CUnit* speaker, int line) { g_Lines.emplace_back(speaker, line); }

class SpaceAiTest : public FlightFixture {
protected:
    void SetUp() override
    {
        FlightFixture::SetUp();
        savedCount_ = CObjectList::unitCount[1];
        for (int i = 0; i < kSlots; ++i) saved_[i] = CObjectList::units[1][i];
        savedCommMode_ = g_CommMode;
        g_CommMode = 0;
        g_Lines.clear();
        g_RadioLineHook = RecordLine;
        // Entry 0 is the sky in a real world: the scans start after it.
        sky_.objectClass = GCLASS_SPACE_SKY;
        CObjectList::units[1][0] = &sky_;
        CObjectList::unitCount[1] = 1;
    }
    void TearDown() override
    {
        g_RadioLineHook = nullptr;
        g_CommMode = savedCommMode_;
        CObjectList::unitCount[1] = savedCount_;
        for (int i = 0; i < kSlots; ++i) CObjectList::units[1][i] = saved_[i];
        for (CUnit* u : {&a, &b, &c, &d, &e}) u->Release();
        FlightFixture::TearDown();
    }
    static void List(CUnit& u) { CObjectList::units[1][CObjectList::unitCount[1]++] = &u; }
    static CUnit& Ship(CUnit& u, int side, const Vec3& at, int kind = GTYPE_SP_NPCSHIP)
    {
        MakeShip(u, kind, at);
        u.pilot.side = side;
        List(u);
        return u;
    }
    // Moves a unit, its matrix with it (the aim takes the bounding centre through it).
    static void Place(CUnit& u, const Vec3& at)
    {
        u.position = at;
        u.worldMatrix.m[3][0] = at.x, u.worldMatrix.m[3][1] = at.y, u.worldMatrix.m[3][2] = at.z;
    }
    static CItem* Give(CUnit& u, int kind, float shotSpeed = 800.0f)
    {
        CItem* it = new CItem();
        it->kind = kind;
        it->armed = 1;
        it->ready = 1;
        it->shotSpeed = shotSpeed;
        it->owner = &u;
        u.items[u.itemCount++] = it;
        return it;
    }
    static int Count(int line)
    {
        int n = 0;
        for (auto& l : g_Lines) n += l.second == line;
        return n;
    }
    static constexpr int kSlots = 8;
    CUnit sky_;
    CUnit a, b, c, d, e;

private:
    CUnit* saved_[kSlots] = {};
    uint32_t savedCount_ = 0;
    int savedCommMode_ = 0;
};

TEST_F(SpaceAiTest, IdleShipsTakeUpTheirSidesDefaultOrders)
{
    CUnit& station = Ship(a, 1, Vec3(0, 0, 0), GTYPE_SP_STATION);
    Give(station, GTYPE_CARGOSYSTEM);
    g_HeroStation = &station;

    CUnit& friendShip = Ship(b, 1, Vec3(500, 0, 0));
    friendShip.ChooseDefaultAction(kDt);
    EXPECT_EQ(friendShip.orderType, ACTION_GUARD);
    EXPECT_EQ(friendShip.boundUnit, &station);

    CUnit& alien = Ship(c, 3, Vec3(0, 0, 5000));
    alien.ChooseDefaultAction(kDt);
    EXPECT_EQ(alien.orderType, ACTION_DOCKING);
    EXPECT_EQ(alien.target, &station);

    // Moving pirate traffic guards the nearest cargo station; other pirates stay put.
    CUnit& trader = Ship(d, 2, Vec3(0, 0, -900), GTYPE_SP_NPCSHIP_MOVED);
    trader.ChooseDefaultAction(kDt);
    EXPECT_EQ(trader.orderType, ACTION_GUARD);
    EXPECT_EQ(trader.boundUnit, &station);
    CUnit& pirate = Ship(e, 2, Vec3(0, 0, 900));
    pirate.ChooseDefaultAction(kDt);
    EXPECT_EQ(pirate.orderType, ACTION_STAY);

    // Without a live home station a friend has nothing to guard and keeps still.
    friendShip.SetOrder(ACTION_STAY, nullptr, nullptr, 0);
    station.hull = 0.0f;
    friendShip.ChooseDefaultAction(kDt);
    EXPECT_EQ(friendShip.orderType, ACTION_STAY);
    g_HeroStation = nullptr;
    friendShip.ChooseDefaultAction(kDt);
    EXPECT_EQ(friendShip.orderType, ACTION_STAY);
}

TEST_F(SpaceAiTest, EscortWhoseChargeDiesTakesThePlayerOrStops)
{
    CUnit& guard = Ship(a, 1, Vec3(0, 0, 0));
    CUnit& charge = Ship(b, 1, Vec3(100, 0, 0));
    CUnit& player = Ship(c, 1, Vec3(0, 0, 2000), GTYPE_SP_HEROSHIP);
    g_PlayerObject = &player;
    guard.SetOrder(ACTION_GUARD, &charge, nullptr, 0);
    charge.hull = 0.0f;
    guard.SpaceActGuard(kDt);
    EXPECT_EQ(guard.orderType, ACTION_GUARD);
    EXPECT_EQ(guard.boundUnit, &player);

    // The player too far away: the escort gives up, its saved orders with it.
    guard.PushOrder();
    guard.SetOrder(ACTION_GUARD, &charge, nullptr, 0);
    player.position = Vec3(0, 0, 3500);
    guard.SpaceActGuard(kDt);
    EXPECT_EQ(guard.orderType, ACTION_STAY);
    EXPECT_EQ(guard.orderStack, nullptr);

    // A neutral escort goes back to what it did before.
    CUnit& neutral = Ship(d, 0, Vec3(0, 0, 0));
    neutral.SetOrder(ACTION_MOVE, &player.position, nullptr, 0);
    neutral.PushOrder();
    neutral.SetOrder(ACTION_GUARD, &charge, nullptr, 0);
    neutral.SpaceActGuard(kDt);
    EXPECT_EQ(neutral.orderType, ACTION_MOVE);
}

TEST_F(SpaceAiTest, EnemyFormationIsAnnouncedOnce)
{
    CUnit& guard = Ship(a, 1, Vec3(0, 0, 0));  // unarmed: it warns but does not attack
    CUnit& charge = Ship(b, 1, Vec3(0, 0, 50));
    charge.speed = 10.0f;
    CUnit& lead = Ship(c, 2, Vec3(0, 0, 1000));
    CUnit& wing = Ship(d, 2, Vec3(0, 300, 1100));
    CUnit& far = Ship(e, 2, Vec3(0, 0, 2800));
    guard.SetOrder(ACTION_GUARD, &charge, nullptr, 0);

    guard.SpaceActGuard(kDt);
    ASSERT_EQ(g_Lines.size(), 1u);
    EXPECT_EQ(g_Lines[0].first, &guard);
    EXPECT_EQ(g_Lines[0].second, TEXTLINE_TOFRIEND_ENEMYDETECT1);
    EXPECT_EQ(lead.alertFlag, 1);
    EXPECT_EQ(wing.alertFlag, 1);  // within 500 of the announced ship
    EXPECT_EQ(far.alertFlag, 0);
    EXPECT_EQ(guard.orderType, ACTION_GUARD);

    for (int i = 0; i < 5; ++i) guard.SpaceActGuard(kDt);
    EXPECT_EQ(g_Lines.size(), 1u);

    // During a radio talk nobody speaks, though the ship is still taken as seen.
    lead.alertFlag = wing.alertFlag = 0;
    g_CommMode = 1;
    guard.SpaceActGuard(kDt);
    EXPECT_EQ(g_Lines.size(), 1u);
    EXPECT_EQ(lead.alertFlag, 1);
}

TEST_F(SpaceAiTest, ArmedGuardAttacksAStrongThreatAndComesBack)
{
    g_GameClock.gameTime = 105000.0;  // outside the 402 window, inside the 15 s one
    CUnit& station = Ship(a, 2, Vec3(0, 0, 0), GTYPE_SP_STATION);
    CUnit& guard = Ship(b, 2, Vec3(0, 0, 200));
    Give(guard, GTYPE_LASER_WEAPON);
    CUnit& player = Ship(c, 1, Vec3(0, 0, 400), GTYPE_SP_HEROSHIP);
    g_PlayerObject = &player;
    guard.SetOrder(ACTION_GUARD, &station, nullptr, 0);

    guard.SpaceActGuard(kDt);
    EXPECT_EQ(guard.orderType, ACTION_ATTACK);
    EXPECT_EQ(guard.target, &player);
    ASSERT_NE(guard.orderStack, nullptr);
    EXPECT_EQ(Count(TEXTLINE_TOENEMY_PREPARETODIE), 1);
    EXPECT_EQ(Count(TEXTLINE_TOENEMY_DONTMOVECLOSE), 0);  // rated far above 30

    // Ten seconds later the player has fled out of range: a parting word, back to guarding.
    player.position = Vec3(0, 0, 4000);
    Advance(10000.0);
    guard.SpaceActAttack(kDt);
    EXPECT_EQ(Count(TEXTLINE_TOENEMY_DONTCOMEBACK), 1);
    EXPECT_EQ(guard.orderType, ACTION_GUARD);
    EXPECT_EQ(guard.boundUnit, &station);
}

TEST_F(SpaceAiTest, WeakIntruderIsWarnedOffByAPirateGuard)
{
    g_GameClock.gameTime = 150000.0;  // % 15000 == 0
    CUnit& station = Ship(a, 2, Vec3(0, 0, 0), GTYPE_SP_STATION);
    CUnit& guard = Ship(b, 2, Vec3(0, 0, 200));
    Give(guard, GTYPE_LASER_WEAPON);
    CUnit& intruder = Ship(c, 1, Vec3(0, 0, 2000));
    intruder.pilot.skill2 = 0.0f;  // a weak ship, rated low
    guard.SetOrder(ACTION_GUARD, &station, nullptr, 0);
    guard.SpaceActGuard(kDt);
    EXPECT_EQ(Count(TEXTLINE_TOENEMY_DONTMOVECLOSE), 1);
    EXPECT_EQ(intruder.alertFlag, 1);
    EXPECT_EQ(guard.orderType, ACTION_GUARD);
}

TEST_F(SpaceAiTest, EscortTakesItsPlaceBesideAMovingCharge)
{
    CUnit& charge = Ship(a, 1, Vec3(0, 0, 0));
    charge.speed = 20.0f;
    CUnit& guard = Ship(b, 1, Vec3(500, 0, 300));
    guard.SetOrder(ACTION_GUARD, &charge, nullptr, 0);
    guard.SpaceActGuard(kDt);
    // Level with the charge on the guard's side, ten own radii plus the charge's out.
    EXPECT_NEAR(guard.destination.x, 110.0f, 1e-3f);
    EXPECT_NEAR(guard.destination.y, 0.0f, 1e-3f);
    EXPECT_NEAR(guard.destination.z, 0.0f, 1e-3f);
    EXPECT_FLOAT_EQ(guard.cruiseSpeed, guard.engineMax);

    // Arrived: fly along with the charge at a fifth of its speed.
    guard.position = Vec3(112, 0, 0);
    guard.SpaceActGuard(kDt);
    EXPECT_FLOAT_EQ(guard.cruiseSpeed, 4.0f);
    EXPECT_NEAR(guard.destination.z, 100.0f, 1e-3f);
}

TEST_F(SpaceAiTest, PatrolPointLiesBeforeTheStationsGate)
{
    CUnit& station = Ship(a, 1, Vec3(1000, 0, 0), GTYPE_SP_STATION);
    station.boundsRadius = 300.0f;
    CUnit& guard = Ship(b, 1, Vec3(0, 0, 0));
    guard.SetOrder(ACTION_GUARD, &station, nullptr, 0);
    guard.SpaceActGuard(kDt);
    EXPECT_EQ(guard.orderSubState, 1);
    EXPECT_EQ(guard.destination, guard.targetPoint);
    // Without a gate bay the station's own forward axis stands in for the gate's.
    const Vec3 e = station.position + Vec3(0, 0, 600);
    EXPECT_NEAR(Vec3Length(guard.targetPoint - e), 300.0f, 1e-2f);
    EXPECT_NEAR(guard.targetPoint.z, e.z, 1e-2f);

    guard.position = guard.targetPoint;
    guard.SpaceActGuard(kDt);
    EXPECT_EQ(guard.orderSubState, 2);
    guard.SpaceActGuard(kDt);
    EXPECT_FLOAT_EQ(guard.cruiseSpeed, 0.0f);
    EXPECT_LT(guard.destination.z, -1000.0f);  // faces in along the axis
}

TEST_F(SpaceAiTest, AttackerClosesInAndFiresWithinItsCone)
{
    CUnit& attacker = Ship(a, 2, Vec3(0, 0, 0));
    CItem* laser = Give(attacker, GTYPE_LASER_WEAPON, 800.0f);
    CItem* rocket = Give(attacker, GTYPE_ROCKT_WEAPON, 600.0f);
    CUnit& victim = Ship(b, 1, Vec3(0, 0, 1500));
    attacker.SetOrder(ACTION_ATTACK, &victim, nullptr, 0);

    attacker.SpaceActAttack(kDt);
    EXPECT_EQ(attacker.orderSubState, 0);  // out of reach: approach
    EXPECT_EQ(laser->trigger, 0);
    EXPECT_FLOAT_EQ(attacker.cruiseSpeed, attacker.engineMax);

    Place(victim, Vec3(0, 0, 400));
    attacker.SpaceActAttack(kDt);
    EXPECT_EQ(attacker.orderSubState, 1);
    EXPECT_EQ(laser->trigger, 1);
    EXPECT_EQ(rocket->trigger, 0);  // rockets wait for half their value
    Place(victim, Vec3(0, 0, 250));
    attacker.SpaceActAttack(kDt);
    EXPECT_EQ(rocket->trigger, 1);

    // Off to the side or behind: no shot.
    laser->trigger = rocket->trigger = 0;
    Place(victim, Vec3(300, 0, 200));
    attacker.SpaceActAttack(kDt);
    Place(victim, Vec3(0, 0, -300));
    attacker.SpaceActAttack(kDt);
    EXPECT_EQ(laser->trigger, 0);
    EXPECT_EQ(rocket->trigger, 0);
}

TEST_F(SpaceAiTest, EscortSwitchesToTheStrongestThreatEveryTenSeconds)
{
    g_GameClock.gameTime = 140000.0;
    CUnit& station = Ship(a, 1, Vec3(0, 0, -100), GTYPE_SP_STATION);
    CUnit& fighter = Ship(b, 1, Vec3(0, 0, 0));
    Give(fighter, GTYPE_LASER_WEAPON);
    CUnit& weak = Ship(c, 2, Vec3(0, 0, 1000));
    weak.pilot.skill2 = 0.0f;
    CUnit& strong = Ship(d, 3, Vec3(0, 0, 800));
    strong.pilot.skill2 = 1.0f;
    fighter.SetOrder(ACTION_GUARD, &station, nullptr, 0);
    fighter.PushOrder();
    fighter.SetOrder(ACTION_ATTACK, &weak, nullptr, 0);

    fighter.SpaceActAttack(kDt);  // too soon to look around
    EXPECT_EQ(fighter.target, &weak);
    Advance(10000.0);  // game time % 15000 == 0: the alien is called out
    fighter.SpaceActAttack(kDt);
    EXPECT_EQ(fighter.target, &strong);
    EXPECT_EQ(Count(TEXTLINE_TOFRIEND_STARTATTACKENEMY2), 1);
    EXPECT_EQ(fighter.orderType, ACTION_ATTACK);

    // Staying on the same target says nothing new.
    Advance(15000.0);
    fighter.SpaceActAttack(kDt);
    EXPECT_EQ(fighter.target, &strong);
    EXPECT_EQ(g_Lines.size(), 1u);
}

TEST_F(SpaceAiTest, AttackerBreaksAwayAndDodgesAcrossTheNose)
{
    CUnit& attacker = Ship(a, 2, Vec3(0, 0, 0));
    Give(attacker, GTYPE_LASER_WEAPON, 800.0f);
    CUnit& victim = Ship(b, 1, Vec3(0, 0, 40));
    attacker.SetOrder(ACTION_ATTACK, &victim, nullptr, 0);
    attacker.orderSubState = 1;
    attacker.SpaceActAttack(kDt);
    EXPECT_EQ(attacker.orderSubState, 2);  // within five radii

    // A resting target: pull straight away from it.
    attacker.SpaceActAttack(kDt);
    EXPECT_EQ(attacker.orderSubState, 2);
    EXPECT_NEAR(attacker.destination.z, -1200.0f, 1e-2f);
    EXPECT_FLOAT_EQ(attacker.cruiseSpeed, attacker.engineMax);

    // A moving target facing us with guns that reach: cross its nose, turning.
    Give(victim, GTYPE_LASER_WEAPON, 800.0f);
    victim.speed = 30.0f;
    victim.worldMatrix.m[0][0] = -1.0f;
    victim.worldMatrix.m[2][2] = -1.0f;
    Place(victim, Vec3(0, 0, 90));
    Place(attacker, Vec3(0, 5, 0));
    const float yaw = attacker.angularStep.y;
    attacker.SpaceActAttack(kDt);
    EXPECT_EQ(attacker.orderSubState, 2);
    EXPECT_GT(attacker.destination.z, 700.0f);
    EXPECT_GT(attacker.angularStep.y, yaw);

    // Out of shot reach again: back to the approach.
    Place(victim, Vec3(0, 0, 3000));
    attacker.SpaceActAttack(kDt);
    EXPECT_EQ(attacker.orderSubState, 0);
}

TEST_F(SpaceAiTest, AttackEndsWhenTheTargetIsGone)
{
    CUnit& station = Ship(a, 1, Vec3(0, 0, 0), GTYPE_SP_STATION);
    g_HeroStation = &station;
    CUnit& friendShip = Ship(b, 1, Vec3(100, 0, 0));
    CUnit& pirate = Ship(c, 2, Vec3(200, 0, 0));
    CUnit& victim = Ship(d, 0, Vec3(300, 0, 0));

    friendShip.SetOrder(ACTION_ATTACK, &pirate, nullptr, 0);
    pirate.SetOrder(ACTION_ATTACK, &victim, nullptr, 0);
    pirate.hull = 0.0f;
    victim.hull = 0.0f;
    friendShip.SpaceActAttack(kDt);
    EXPECT_EQ(friendShip.orderType, ACTION_GUARD);
    EXPECT_EQ(friendShip.boundUnit, &station);
    pirate.hull = 1.0f;
    pirate.SpaceActAttack(kDt);
    EXPECT_EQ(pirate.orderType, ACTION_STAY);

    // A second target takes over when the first is lost.
    CUnit& other = Ship(e, 1, Vec3(0, 0, 900));
    pirate.SetOrder(ACTION_ATTACK, &victim, &other, 0);
    pirate.SpaceActAttack(kDt);
    EXPECT_EQ(pirate.orderType, ACTION_ATTACK);
    EXPECT_EQ(pirate.target, &other);
}

TEST_F(SpaceAiTest, TransportRunsLegByLegUntilTheMineIsEmpty)
{
    CUnit& home = Ship(a, 1, Vec3(0, 0, 0), GTYPE_SP_STATION);
    home.pilot.objectId = 1000;
    CUnit& mine = Ship(b, 1, Vec3(5000, 0, 0), GTYPE_SP_STATION);
    mine.pilot.objectId = 7001;
    Give(mine, GTYPE_CARGOSYSTEM);
    mine.ore = 50.0f;
    CUnit& hauler = Ship(c, 1, Vec3(100, 0, 0));
    hauler.SetOrder(ACTION_TRANSPORT, nullptr, nullptr, 0);
    hauler.SetTargetsById(7001, 1000);
    ASSERT_EQ(hauler.transportEnds[0], &mine);

    hauler.SpaceActTransport(kDt);
    EXPECT_EQ(hauler.orderType, ACTION_DOCKING);
    EXPECT_EQ(hauler.target, &mine);
    EXPECT_EQ(hauler.dockTime, 0u);
    EXPECT_EQ(hauler.transportEndIds[0], 1000);
    EXPECT_EQ(hauler.transportEnds[0], &home);
    EXPECT_EQ(hauler.transportEnds[1], &mine);

    // Docked and loaded: the next leg goes home.
    hauler.PopOrder();
    EXPECT_EQ(hauler.orderType, ACTION_TRANSPORT);
    hauler.ore = 20.0f;
    hauler.SpaceActTransport(kDt);
    EXPECT_EQ(hauler.orderType, ACTION_DOCKING);
    EXPECT_EQ(hauler.target, &home);
    hauler.PopOrder();

    // Empty mine, empty hold: the run stops.
    hauler.ore = 0.0f;
    mine.ore = 0.0f;
    hauler.SpaceActTransport(kDt);
    EXPECT_EQ(hauler.orderType, ACTION_STAY);
    EXPECT_EQ(hauler.orderStack, nullptr);

    // An end that is not in the world stops the run instead of docking at nothing.
    hauler.SetOrder(ACTION_TRANSPORT, nullptr, nullptr, 0);
    hauler.SetTargetsById(4242, 1000);
    hauler.SpaceActTransport(kDt);
    EXPECT_EQ(hauler.orderType, ACTION_STAY);
}

}  // namespace
