#include <gtest/gtest.h>

#include <cmath>

#include "world/objects/attached_effect.h"
#include "world/objects/item.h"
#include "world/objects/unit.h"
#include "world/flight_test_util.h"

namespace {

class UnitOpsTest : public FlightFixture {
protected:
    void TearDown() override
    {
        // The items and effects below live on the stack.
        for (CUnit* u : {&a, &b}) {
            for (CItem*& it : u->items) it = nullptr;
            for (CAttachedEffect*& e : u->effects) e = nullptr;
            u->itemCount = u->effectCount = 0;
        }
        FlightFixture::TearDown();
    }
    void Give(CUnit& u, CItem& item, int kind, float shotSpeed, float reload = 0.5f, float damage = 10.0f)
    {
        item.kind = kind;
        item.shotSpeed = shotSpeed;
        item.reloadTime = reload;
        item.bulletDamage = damage;
        u.items[u.itemCount++] = &item;
    }
    CUnit a, b;
};

// Target moving along +x at the given speed.
void MoveAlongX(CUnit& t, float speed)
{
    t.worldMatrix.m[0][0] = 0, t.worldMatrix.m[0][2] = -1;
    t.worldMatrix.m[2][0] = 1, t.worldMatrix.m[2][2] = 0;
    t.speed = speed;
}

TEST_F(UnitOpsTest, LeadPointForACrossingTarget)
{
    MakeShip(a, GTYPE_SP_NPCSHIP, Vec3());
    MakeShip(b, GTYPE_SP_NPCSHIP, Vec3(0, 0, 1000));
    MoveAlongX(b, 50.0f);
    CItem laser;
    Give(a, laser, GTYPE_LASER_WEAPON, 100.0f);
    Vec3 aim;
    a.ComputeLeadPoint(&b, &aim);
    // The shot meets the target where 100 t = |(50 t, 0, 1000)|: t = 1000 / sqrt(7500).
    const float t = 1000.0f / std::sqrt(7500.0f);
    EXPECT_NEAR(aim.x, 50.0f * t, 2.0f);
    EXPECT_FLOAT_EQ(aim.z, 1000.0f);
    EXPECT_NEAR(Vec3Length(aim) / 100.0f, aim.x / 50.0f, 0.05f);
}

TEST_F(UnitOpsTest, TargetFasterThanTheShotIsAimedAtDirectly)
{
    MakeShip(a, GTYPE_SP_NPCSHIP, Vec3());
    MakeShip(b, GTYPE_SP_NPCSHIP, Vec3(0, 0, 1000));
    MoveAlongX(b, 150.0f);
    CItem laser;
    Give(a, laser, GTYPE_LASER_WEAPON, 100.0f);
    Vec3 aim(1, 1, 1);
    a.ComputeLeadPoint(&b, &aim);
    EXPECT_EQ(aim, b.position);

    // Running straight away at the shot's own speed: no meeting point either.
    MakeShip(b, GTYPE_SP_NPCSHIP, Vec3(0, 0, 1000));
    b.speed = 100.0f;
    a.ComputeLeadPoint(&b, &aim);
    EXPECT_EQ(aim, b.position);
}

TEST_F(UnitOpsTest, NoWeaponsMeansNoLead)
{
    MakeShip(a, GTYPE_SP_NPCSHIP, Vec3());
    MakeShip(b, GTYPE_SP_NPCSHIP, Vec3(0, 0, 1000));
    MoveAlongX(b, 50.0f);
    EXPECT_EQ(a.GetMeanShotSpeed(), 0.0f);
    Vec3 aim;
    a.ComputeLeadPoint(&b, &aim);
    EXPECT_EQ(aim, b.position);
}

TEST_F(UnitOpsTest, MeanShotSpeedPrefersLasersThenRockets)
{
    CItem r1, r2, m1, l1, l2;
    Give(a, m1, GTYPE_MISSL_WEAPON, 50.0f);
    Give(a, r1, GTYPE_ROCKT_WEAPON, 200.0f);
    Give(a, r2, GTYPE_ROCKT_WEAPON, 300.0f);
    EXPECT_FLOAT_EQ(a.GetMeanShotSpeed(), 250.0f);
    Give(a, l1, GTYPE_LASER_WEAPON, 800.0f);
    Give(a, l2, GTYPE_LASER_WEAPON, 1000.0f);
    EXPECT_FLOAT_EQ(a.GetMeanShotSpeed(), 900.0f);
    EXPECT_FLOAT_EQ(a.GetMeanShotValue(GTYPE_MISSL_WEAPON), 50.0f);
    EXPECT_TRUE(a.HasWeapons());

    // Switched-off weapons do not count: (armed l1, l2, r1, r2, m1) -> mean shot speed.
    struct Case {
        int l1, l2, r1, r2, m1;
        float speed;
    };
    const Case cases[] = {
        {1, 0, 1, 1, 1, 800.0f}, {0, 0, 1, 1, 1, 250.0f}, {0, 0, 0, 1, 1, 300.0f},
        {0, 0, 0, 0, 1, 50.0f},  {0, 0, 0, 0, 0, 0.0f},
    };
    for (const Case& c : cases) {
        l1.armed = c.l1, l2.armed = c.l2, r1.armed = c.r1, r2.armed = c.r2, m1.armed = c.m1;
        EXPECT_FLOAT_EQ(a.GetMeanShotSpeed(), c.speed) << c.l1 << c.l2 << c.r1 << c.r2 << c.m1;
    }
}

TEST_F(UnitOpsTest, FiringSetsTriggersOfArmedReadyWeaponsOnly)
{
    CItem l1, l2, r1;
    Give(a, l1, GTYPE_LASER_WEAPON, 1.0f);
    Give(a, l2, GTYPE_LASER_WEAPON, 1.0f);
    Give(a, r1, GTYPE_ROCKT_WEAPON, 1.0f);
    l1.ready = 1;
    l2.ready = 0;
    r1.ready = 1;
    r1.armed = 0;
    a.FireLasers();
    a.FireRockets();
    EXPECT_EQ(l1.trigger, 1);
    EXPECT_EQ(l2.trigger, 0);
    EXPECT_EQ(r1.trigger, 0);
}

TEST_F(UnitOpsTest, FirepowerAndRating)
{
    MakeShip(a, GTYPE_SP_NPCSHIP, Vec3(), 200.0f, 4.0f);
    a.hullMax = 300.0f;
    a.pilot.skill = 0.5f;
    a.pilot.skill2 = 0.25f;
    CItem laser, cargo, broken;
    Give(a, laser, GTYPE_LASER_WEAPON, 1.0f, 0.5f, 10.0f);  // 60 / 0.5 * 10 = 1200
    Give(a, broken, GTYPE_ROCKT_WEAPON, 1.0f, 0.0f, 99.0f);  // no reload time: counts nothing
    Give(a, cargo, GTYPE_CARGOSYSTEM, 0.0f);
    cargo.capacity = 500.0f;
    EXPECT_FLOAT_EQ(a.GetFirepower(), 1200.0f);
    // (200 / 4 + 150 + 500) * (0.25 * 0.8 + 0.2) + 1200 / 10 * (0.5 * 0.8 + 0.2)
    EXPECT_FLOAT_EQ(a.GetRating(), 700.0f * 0.4f + 120.0f * 0.6f);
    g_PlayerObject = &a;
    EXPECT_FLOAT_EQ(a.GetRating(), 700.0f + 120.0f);
    // No manoeuvring value: the engine term drops out instead of dividing by zero.
    g_PlayerObject = nullptr;
    a.manoeuvring = 0.0f;
    EXPECT_FLOAT_EQ(a.GetRating(), 650.0f * 0.4f + 120.0f * 0.6f);
}

TEST_F(UnitOpsTest, ThrottlePercentIsClampedAndGuarded)
{
    MakeShip(a, GTYPE_SP_NPCSHIP, Vec3(), 200.0f);
    a.SetThrottlePercent(50.0f);
    EXPECT_FLOAT_EQ(a.speedPercent, 25.0f);
    a.SetThrottlePercent(1000.0f);
    EXPECT_FLOAT_EQ(a.speedPercent, 100.0f);
    a.SetThrottlePercent(-5.0f);
    EXPECT_FLOAT_EQ(a.speedPercent, 0.0f);
    a.engineMax = 0.0f;
    a.SetThrottlePercent(50.0f);
    EXPECT_FLOAT_EQ(a.speedPercent, 0.0f);
}

TEST_F(UnitOpsTest, EffectLookupsTakeTheFirstOfTheKind)
{
    CAttachedEffect door1, door2, bay;
    door1.kind = door2.kind = GEFFECT_GATEDOOR;
    bay.kind = GEFFECT_GATEBAY;
    EXPECT_EQ(a.FindGateDoor(), nullptr);
    a.effects[0] = &bay;
    a.effects[1] = &door1;
    a.effects[2] = &door2;
    a.effectCount = 3;
    EXPECT_EQ(a.FindGateDoor(), &door1);
    EXPECT_EQ(a.FindGateBay(), &bay);
    EXPECT_EQ(a.FindCockpit(), nullptr);
}

TEST_F(UnitOpsTest, CraftTestByWorld)
{
    a.objectClass = GCLASS_CHARACTER_NPC;
    g_WorldIndex = 0;
    EXPECT_TRUE(a.IsCraft());
    g_WorldIndex = 1;
    EXPECT_FALSE(a.IsCraft());
    a.objectClass = GCLASS_SPACE_OBJECT;  // waiting for its scene
    EXPECT_FALSE(a.IsCraft());
    a.objectClass = GCLASS_SPACE_SHIP;
    EXPECT_TRUE(a.IsCraft());
}

TEST_F(UnitOpsTest, ResetTimersStampsAllSix)
{
    Advance(1234);
    a.ResetTimers();
    for (uint32_t t : a.timers) EXPECT_EQ(t, g_GameClock.NowMs());
}

}  // namespace
