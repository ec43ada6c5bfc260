// Hits on units: kills and their credit, linked stations, guards, friendly losses,
// debris slots, the spin a hit gives and the guards against bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/crt/rand.h"
#include "world/objects/effect_object.h"
#include "world/objects/item.h"
#include "world/object_list.h"
#include "world/flight_test_util.h"
#include "world/unit_test_util.h"

namespace {

class DamageTest : public FlightFixture {
protected:
    void SetUp() override
    {
        FlightFixture::SetUp();
        orders_ = g_LocationDirector.ordersAvailable;
        GameSrand(0);
        MakeShip(attacker, GTYPE_SP_NPCSHIP, Vec3(0, 0, -100));
        MakeShip(victim, GTYPE_SP_NPCSHIP, Vec3());
        attacker.pilot.side = 1;
        victim.pilot.side = 2;
        attacker.target = &victim;
        attacker.pilot.skill = 0.0f;
    }
    void TearDown() override
    {
        g_LocationDirector.ordersAvailable = orders_;
        for (CUnit* u : {&attacker, &victim}) {
            for (CItem*& it : u->items) it = nullptr;
            u->itemCount = 0;
        }
        FlightFixture::TearDown();
    }
    CUnit attacker, victim;
    int orders_ = 0;
};

TEST_F(DamageTest, HitForTheWholeHullKillsAndCreditsTheAttacker)
{
    victim.hull = 50.0f;
    const float rating = victim.GetRating();
    ASSERT_GT(rating, 0.0f);
    victim.TakeHit(50.0f, &attacker, Vec3(0, 0, -10), nullptr);
    EXPECT_EQ(victim.orderType, ACTION_DEAD);
    EXPECT_FLOAT_EQ(victim.hull, 1.0f);
    EXPECT_EQ(attacker.statistics.kills, 1);
    EXPECT_EQ(attacker.statistics.missionKills, 1);
    EXPECT_FLOAT_EQ(attacker.statistics.killScore, rating * 10.0f);
    EXPECT_FLOAT_EQ(attacker.statistics.missionKillScore, rating * 10.0f);
    EXPECT_FLOAT_EQ(attacker.pilot.skill, std::fmin(rating / 1000.0f, 1.0f));

    // A dead unit ignores further hits.
    victim.TakeHit(500.0f, &attacker, Vec3(), nullptr);
    EXPECT_FLOAT_EQ(victim.hull, 1.0f);
    EXPECT_EQ(attacker.statistics.kills, 1);
}

TEST_F(DamageTest, HitLeavingHalfAPointKillsWithoutCredit)
{
    victim.hull = 50.0f;
    victim.TakeHit(49.5f, &attacker, Vec3(), nullptr);
    EXPECT_EQ(victim.orderType, ACTION_DEAD);
    EXPECT_FLOAT_EQ(victim.hull, 1.0f);
    EXPECT_EQ(attacker.statistics.kills, 0);
    EXPECT_FLOAT_EQ(attacker.pilot.skill, 0.0f);
}

TEST_F(DamageTest, KillOfANonTargetOrFriendCreditsNobody)
{
    attacker.target = nullptr;
    victim.TakeHit(500.0f, &attacker, Vec3(), nullptr);
    EXPECT_EQ(victim.orderType, ACTION_DEAD);
    EXPECT_EQ(attacker.statistics.kills, 0);

    CUnit friendShip;
    MakeShip(friendShip, GTYPE_SP_NPCSHIP, Vec3());
    friendShip.pilot.side = 1;
    attacker.target = &friendShip;
    friendShip.TakeHit(500.0f, &attacker, Vec3(), nullptr);
    EXPECT_EQ(friendShip.orderType, ACTION_DEAD);
    EXPECT_EQ(attacker.statistics.kills, 0);
}

TEST_F(DamageTest, CargoShipGivesATenthOfTheSkill)
{
    CItem cargo;
    cargo.kind = GTYPE_CARGOSYSTEM;
    cargo.capacity = 0.0f;
    victim.items[victim.itemCount++] = &cargo;
    const float rating = victim.GetRating();
    victim.TakeHit(500.0f, &attacker, Vec3(), nullptr);
    EXPECT_FLOAT_EQ(attacker.pilot.skill, rating / 1000.0f / 10.0f);

    // The skill never passes 1.0.
    CUnit big;
    MakeShip(big, GTYPE_SP_NPCSHIP, Vec3());
    big.pilot.side = 2;
    big.hullMax = big.hull = 100000.0f;
    attacker.target = &big;
    big.TakeHit(1e6f, &attacker, Vec3(), nullptr);
    EXPECT_FLOAT_EQ(attacker.pilot.skill, 1.0f);
}

TEST_F(DamageTest, FriendlyLossesAreCountedUpTo15)
{
    g_LocationDirector.ordersAvailable = 14;
    CUnit a, b, merc, enemy;
    for (CUnit* u : {&a, &b, &merc, &enemy}) MakeShip(*u, GTYPE_SP_NPCSHIP, Vec3());
    a.pilot.side = b.pilot.side = 1;
    merc.kind = GTYPE_SP_NPCSHIP_MERCS_FREE;
    merc.pilot.side = 0;
    enemy.pilot.side = 2;
    a.TakeHit(500.0f, &enemy, Vec3(), nullptr);
    EXPECT_EQ(g_LocationDirector.ordersAvailable, 15);
    b.TakeHit(500.0f, &enemy, Vec3(), nullptr);
    merc.TakeHit(500.0f, &enemy, Vec3(), nullptr);
    EXPECT_EQ(g_LocationDirector.ordersAvailable, 15);

    g_LocationDirector.ordersAvailable = 3;
    enemy.TakeHit(500.0f, &a, Vec3(), nullptr);  // a pirate lost is no friendly loss
    EXPECT_EQ(g_LocationDirector.ordersAvailable, 3);
    CUnit m2;
    MakeShip(m2, GTYPE_SP_NPCSHIP_MERCS_FREE, Vec3());
    m2.TakeHit(500.0f, &enemy, Vec3(), nullptr);
    EXPECT_EQ(g_LocationDirector.ordersAvailable, 4);
}

TEST_F(DamageTest, HullNeverDropsBelowOneAndHitsOutsideSpaceChangeNothing)
{
    victim.TakeHit(30.0f, nullptr, Vec3(), nullptr);
    EXPECT_FLOAT_EQ(victim.hull, 70.0f);
    EXPECT_NE(victim.orderType, ACTION_DEAD);
    victim.TakeHit(1000.0f, nullptr, Vec3(), nullptr);
    EXPECT_FLOAT_EQ(victim.hull, 1.0f);
    EXPECT_EQ(victim.orderType, ACTION_DEAD);

    CUnit walker;
    MakeShip(walker, GTYPE_SP_NPCSHIP, Vec3());
    g_WorldIndex = 0;
    walker.TakeHit(1000.0f, &attacker, Vec3(), nullptr);
    EXPECT_FLOAT_EQ(walker.hull, 100.0f);
    EXPECT_NE(walker.orderType, ACTION_DEAD);
}

TEST_F(DamageTest, BadDamageIsIgnored)
{
    victim.TakeHit(std::numeric_limits<float>::quiet_NaN(), &attacker, Vec3(), nullptr);
    victim.TakeHit(std::numeric_limits<float>::infinity(), &attacker, Vec3(), nullptr);
    EXPECT_FLOAT_EQ(victim.hull, 100.0f);
    EXPECT_NE(victim.orderType, ACTION_DEAD);
}

TEST_F(DamageTest, LinkedStationSharesTheHullAndDiesWithItsPartner)
{
    CUnit a, b;
    MakeShip(a, GTYPE_SP_STATION, Vec3());
    MakeShip(b, GTYPE_SP_LEAFSTATION, Vec3(0, 0, 500));
    a.hull = 400.0f;
    b.hull = 60.0f;
    a.boundUnit = &b;
    a.TakeHit(20.0f, nullptr, Vec3(), nullptr);
    EXPECT_FLOAT_EQ(b.hull, 40.0f);
    EXPECT_FLOAT_EQ(a.hull, 40.0f);
    a.TakeHit(100.0f, nullptr, Vec3(), nullptr);
    EXPECT_EQ(b.orderType, ACTION_DEAD);
    EXPECT_EQ(a.orderType, ACTION_DEAD);
    EXPECT_FLOAT_EQ(a.hull, 1.0f);
}

TEST_F(DamageTest, RingOfStationLinksEnds)
{
    CUnit a, b;
    MakeShip(a, GTYPE_SP_STATION, Vec3());
    MakeShip(b, GTYPE_SP_STATION, Vec3());
    a.boundUnit = &b;
    b.boundUnit = &a;
    const float before = a.hull;
    a.TakeHit(10.0f, nullptr, Vec3(), nullptr);  // must return
    EXPECT_FLOAT_EQ(a.hull, b.hull);
    EXPECT_FLOAT_EQ(a.hull, before - 10.0f);  // the ring takes the hit once
    a.boundUnit = &a;  // bound to itself: an ordinary hit
    a.TakeHit(10.0f, nullptr, Vec3(), nullptr);
    EXPECT_LT(a.hull, b.hull);
}

TEST_F(DamageTest, StationTakesItsGuardsDown)
{
    CUnit station, g1, g2;
    MakeShip(station, GTYPE_SP_STATION, Vec3());
    MakeShip(g1, GTYPE_SP_NPCSHIP, Vec3(100, 0, 0));
    MakeShip(g2, GTYPE_SP_NPCSHIP, Vec3(-100, 0, 0));
    station.guards[0] = &g1;
    station.guards[1] = &g2;
    station.guardCount = 2;
    station.TakeHit(50.0f, nullptr, Vec3(), nullptr);
    EXPECT_NE(g1.orderType, ACTION_DEAD);
    station.TakeHit(500.0f, nullptr, Vec3(), nullptr);
    EXPECT_EQ(station.orderType, ACTION_DEAD);
    for (CUnit* g : {&g1, &g2}) {
        EXPECT_EQ(g->orderType, ACTION_DEAD);
        EXPECT_FLOAT_EQ(g->hull, 1.0f);
    }
    // A guard count beyond the array is not followed.
    CUnit s2;
    MakeShip(s2, GTYPE_SP_STATION, Vec3());
    s2.guardCount = 1000;
    s2.TakeHit(500.0f, nullptr, Vec3(), nullptr);
    EXPECT_EQ(s2.orderType, ACTION_DEAD);
}

TEST_F(DamageTest, PlayersSpinIsAFifthOfAnothersAndStationsDoNotSpin)
{
    CUnit other, player, station, docking;
    MakeShip(other, GTYPE_SP_NPCSHIP, Vec3());
    MakeShip(player, GTYPE_SP_HEROSHIP, Vec3());
    MakeShip(station, GTYPE_SP_STATION, Vec3());
    MakeShip(docking, GTYPE_SP_NPCSHIP, Vec3());
    docking.orderType = ACTION_DOCKING;
    g_PlayerObject = &player;
    const Vec3 push(1, 0, 0);
    for (CUnit* u : {&other, &player, &station, &docking}) {
        u->angularStep = Vec3();
        u->TakeHit(10.0f, nullptr, Vec3(0, 0, 10), &push);
    }
    // k = 10 / 100 * 50 = 5; the push along x turns about y and z by k / 2 * 0.001.
    EXPECT_FLOAT_EQ(other.angularStep.x, 0.0f);
    EXPECT_FLOAT_EQ(other.angularStep.y, 0.0025f);
    EXPECT_FLOAT_EQ(other.angularStep.z, 0.0025f);
    EXPECT_FLOAT_EQ(player.angularStep.y, other.angularStep.y / 5.0f);
    EXPECT_FLOAT_EQ(player.angularStep.z, other.angularStep.z / 5.0f);
    EXPECT_EQ(station.angularStep, Vec3());
    EXPECT_EQ(docking.angularStep, Vec3());

    // Without an impulse, or with no manoeuvring or hull maximum, nothing turns.
    other.angularStep = Vec3();
    other.TakeHit(10.0f, nullptr, Vec3(0, 0, 10), nullptr);
    EXPECT_EQ(other.angularStep, Vec3());
    CUnit limp;
    MakeShip(limp, GTYPE_SP_NPCSHIP, Vec3(), 100.0f, 0.0f);
    limp.TakeHit(10.0f, nullptr, Vec3(0, 0, 10), &push);
    EXPECT_EQ(limp.angularStep, Vec3());
}

TEST_F(DamageTest, DebrisSlotsAndRepair)
{
    CUnit a, b, c;
    EXPECT_EQ(victim.PickDebrisSlot(), DERIVED_NONE);
    victim.derivedUnits[DERIVED_DEBRIS_2] = &a;
    for (int i = 0; i < 20; ++i) EXPECT_EQ(victim.PickDebrisSlot(), DERIVED_DEBRIS_2);
    victim.derivedUnits[DERIVED_DEBRIS_2] = nullptr;
    victim.derivedUnits[DERIVED_DEBRIS_1] = &b;
    victim.derivedUnits[DERIVED_DEBRIS_3] = &c;
    int seen[16] = {};
    for (int i = 0; i < 200; ++i) ++seen[victim.PickDebrisSlot()];
    EXPECT_GT(seen[DERIVED_DEBRIS_1], 50);
    EXPECT_GT(seen[DERIVED_DEBRIS_3], 50);
    EXPECT_EQ(seen[DERIVED_DEBRIS_1] + seen[DERIVED_DEBRIS_3], 200);
    victim.derivedUnits[DERIVED_DEBRIS_1] = victim.derivedUnits[DERIVED_DEBRIS_3] = nullptr;

    victim.hull = 90.0f;
    victim.Repair(1.0f);
    EXPECT_FLOAT_EQ(victim.hull, 95.0f);
    victim.Repair(10.0f);
    EXPECT_FLOAT_EQ(victim.hull, 100.0f);
    EXPECT_TRUE(victim.IsShipKind());
    victim.kind = GTYPE_SP_STATION;
    EXPECT_FALSE(victim.IsShipKind());
}

// Debris comes out of the effect description of the filled slot, at the hit point.
class DamageDebrisTest : public UnitFilesTest {
protected:
    void SetUp() override
    {
        UnitFilesTest::SetUp();
        player_ = g_PlayerObject;
        g_PlayerObject = nullptr;
        g_GameClock.gameTime = 100000.0;
        CObjectList::DestroyAll();
        std::string s = Sep() + "// debris\n" + Sep();
        s += Col("Name", "Piece") + Col("Class", "GCLASS_EFFECT") + Col("Type", "GTYPE_SP_PARTSHIP") + Sep();
        s += Col("Vertex type", "D3D_LVERTEX") + Col("Meshes", "1") + Col("Mesh", "Data/T/Door.msh");
        s += Col("Textures", "0") + Col("Mip levels", "0") + Sep();
        s += Col("Alive", "1.0") + Col("Damage", "0") + Col("Growth", "20") + Col("Inertia", "2.0") +
             Col("Life", "3.0") + Sep();
        s += Col("Effects", "0") + Sep() + Col("Actions", "0") + Sep();
        WriteFile("Data/T/Piece/Main.obj", s);
    }
    void TearDown() override
    {
        CObjectList::DestroyAll();
        g_PlayerObject = player_;
        UnitFilesTest::TearDown();
    }
    CUnit* player_ = nullptr;
};

TEST_F(DamageDebrisTest, OnlyTheSecondSlotFilledStillThrowsDebris)
{
    CUnit holder, victim;
    victim.objectClass = GCLASS_SPACE_SHIP;
    victim.kind = GTYPE_SP_NPCSHIP;
    victim.hullMax = victim.hull = 1e6f;
    victim.manoeuvring = 1.0f;
    victim.spinState = Vec3(100, 0, 0);
    victim.derivedUnits[DERIVED_DEBRIS_2] = &holder;
    std::snprintf(victim.derivedPaths[DERIVED_DEBRIS_2], kUnitPathLength, "Data/T/Piece/Main.obj");
    GameSrand(0);
    const Vec3 at(5, 6, 7);
    for (int i = 0; i < 40 && CObjectList::CountEffects() == 0; ++i) victim.TakeHit(4.0f, nullptr, at, nullptr);
    ASSERT_GT(CObjectList::CountEffects(), 0);
    EXPECT_LE(CObjectList::CountEffects(), 2);  // damage 4 gives two pieces
    CEffectObject* e = CObjectList::effects[1][0];
    EXPECT_STREQ(e->filePath, "Data/T/Piece/Main.obj");
    EXPECT_EQ(e->position, at);
    EXPECT_EQ(e->phaseStartTime, g_GameClock.NowMs());
    // Spread 20: rand % 20 / 5 - 2 plus half the drift (50 along x).
    EXPECT_GE(e->direction.x, 48.0f);
    EXPECT_LE(e->direction.x, 52.0f);
    EXPECT_GE(e->direction.y, -2.0f);
    EXPECT_LE(e->direction.y, 2.0f);

    // A hull-sized hit throws at most ten pieces, and none into a full list.
    int most = 0;
    for (int i = 0; i < 30; ++i) {
        const int before = CObjectList::CountEffects();
        victim.TakeHit(100.0f, nullptr, at, nullptr);
        most = std::max(most, CObjectList::CountEffects() - before);
    }
    EXPECT_EQ(most, 10);
    while (CObjectList::CountEffects() < kMaxEffects) {
        CEffectObject* filler = new CEffectObject();
        filler->alive = 1.0f;
        ASSERT_TRUE(CObjectList::AddEffect(filler));
    }
    for (int i = 0; i < 40; ++i) victim.TakeHit(100.0f, nullptr, at, nullptr);
    EXPECT_EQ(CObjectList::CountEffects(), kMaxEffects);
    victim.derivedUnits[DERIVED_DEBRIS_2] = nullptr;
}

}  // namespace
