// The player's key operations: weapon switches, the anti-missile trigger, zoom and the
// two target selections.
#include <gtest/gtest.h>

#include <cmath>

#include "world/objects/item.h"
#include "world/object_list.h"
#include "world/space/player_input.h"
#include "world/flight_test_util.h"

namespace {

class PlayerInputTest : public FlightFixture {
protected:
    void SetUp() override
    {
        FlightFixture::SetUp();
        CObjectList::DestroyAll();
        CCamera& c = g_World.cameras[1];
        savedEye_ = c.eye, savedAt_ = c.lookAt, savedUp_ = c.up;
        c.SetMatrices(Vec3(0, 0, 0), Vec3(0, 0, 1), Vec3(0, 1, 0));
        savedView_ = g_ViewDistance;
        g_ViewDistance = 4000.0f;
    }
    void TearDown() override
    {
        for (CItem*& it : player.items) it = nullptr;
        player.itemCount = 0;
        g_PlayerObject = nullptr;
        CObjectList::DestroyAll();
        g_World.cameras[1].SetMatrices(savedEye_, savedAt_, savedUp_);
        g_ViewDistance = savedView_;
        FlightFixture::TearDown();
    }
    // Adds the player (not owned by the list) after a sky at index 0.
    void ListWithPlayer()
    {
        MakeShip(player, GTYPE_SP_HEROSHIP, Vec3());
        player.commRange = 1000.0f;
        player.pilot.side = 1;
        g_PlayerObject = &player;
        ASSERT_TRUE(CObjectList::Add(NewShip(Vec3(0, 0, 100), GTYPE_SP_NPCSHIP)));  // index 0: never picked
    }
    CUnit* NewShip(const Vec3& at, int kind = GTYPE_SP_NPCSHIP)
    {
        CUnit* u = new CUnit();
        MakeShip(*u, kind, at);
        u->pilot.side = 2;
        return u;
    }
    CUnit* AddShip(const Vec3& at, int kind = GTYPE_SP_NPCSHIP)
    {
        CUnit* u = NewShip(at, kind);
        EXPECT_TRUE(CObjectList::Add(u));
        return u;
    }
    CUnit player;
    Vec3 savedEye_, savedAt_, savedUp_;
    float savedView_ = 0.0f;
};

TEST_F(PlayerInputTest, ZoomCyclesFromHalfToOnePointFourAndBack)
{
    MakeShip(player, GTYPE_SP_HEROSHIP, Vec3());
    g_PlayerObject = &player;
    player.viewFactor = 0.5f;
    for (int step = 1; step <= 9; ++step) {
        InputCycleZoom();
        EXPECT_NEAR(player.viewFactor, 0.5f + 0.1f * float(step), 1e-4f) << step;
    }
    InputCycleZoom();
    EXPECT_FLOAT_EQ(player.viewFactor, 0.5f);
    g_PlayerObject = nullptr;
    InputCycleZoom();  // no player: nothing
    InputSelectWeapon(0);
    InputFireSecondary();
    InputHandleKey();
    InputCycleTarget();
}

TEST_F(PlayerInputTest, WeaponKeysCountOnlyWeaponsAndAntiMissilesFireWhenReady)
{
    MakeShip(player, GTYPE_SP_HEROSHIP, Vec3());
    g_PlayerObject = &player;
    CItem laser, cargo, rocket, ams, amsBusy;
    laser.kind = GTYPE_LASER_WEAPON;
    cargo.kind = GTYPE_CARGOSYSTEM;
    rocket.kind = GTYPE_ROCKT_WEAPON;
    ams.kind = amsBusy.kind = GTYPE_AMSSYSTEM;
    for (CItem* it : {&laser, &cargo, &rocket, &ams, &amsBusy}) {
        it->armed = 1;
        it->trigger = 0;
        it->ready = 1;
        player.items[player.itemCount++] = it;
    }
    amsBusy.ready = 0;

    InputSelectWeapon(1);  // the second weapon is the rocket, the cargo bay is no weapon
    EXPECT_EQ(rocket.armed, 0);
    EXPECT_EQ(laser.armed, 1);
    EXPECT_EQ(cargo.armed, 1);
    InputSelectWeapon(1);
    EXPECT_EQ(rocket.armed, 1);
    InputSelectWeapon(0);
    EXPECT_EQ(laser.armed, 0);
    InputSelectWeapon(5);  // no sixth weapon
    InputSelectWeapon(-1);
    EXPECT_EQ(rocket.armed, 1);

    InputFireSecondary();
    EXPECT_EQ(ams.trigger, 1);
    EXPECT_EQ(amsBusy.trigger, 0);
    EXPECT_EQ(laser.trigger, 0);
    EXPECT_EQ(rocket.trigger, 0);
}

TEST_F(PlayerInputTest, TargetCycleWalksTheCandidatesThenNoneThenAgain)
{
    ListWithPlayer();
    CUnit* a = AddShip(Vec3(0, 0, 200));
    ASSERT_TRUE(CObjectList::Add(&player));
    CUnit* far = AddShip(Vec3(0, 0, 5000));
    CUnit* wreck = AddShip(Vec3(0, 0, 300));
    wreck->hull = 1.0f;
    CUnit* home = AddShip(Vec3(300, 0, 0), GTYPE_SP_STATION);
    CUnit* twin = AddShip(Vec3(400, 0, 0), GTYPE_SP_LEAFSTATION);
    twin->orderType = ACTION_GUARD;
    twin->target = home;
    CUnit* asteroid = AddShip(Vec3(0, 50, 0), GTYPE_SP_ASTEROID);
    asteroid->objectClass = GCLASS_SPACE_OBJECT;
    CUnit* b = AddShip(Vec3(0, -200, 0));
    (void)far;

    const CUnit* expected[] = {a, home, b, nullptr, a, home};
    for (const CUnit* e : expected) {
        InputCycleTarget();
        EXPECT_EQ(player.target, e);
    }
    CObjectList::Detach(&player);
}

TEST_F(PlayerInputTest, LineOfSightPicksTheShipNearestTheAxis)
{
    ListWithPlayer();
    const float r = 500.0f;
    auto at = [r](float degrees) {
        const float a = degrees * 3.14159265f / 180.0f;
        return Vec3(std::sin(a) * r, 0.0f, std::cos(a) * r);
    };
    CUnit* wide = AddShip(at(45.0f));
    InputHandleKey();
    EXPECT_EQ(player.target, nullptr);  // off-axis / distance about 0.7

    CUnit* near20 = AddShip(at(-20.0f));
    CUnit* behind = AddShip(Vec3(0, 0, -300));
    InputHandleKey();
    EXPECT_EQ(player.target, near20);   // about 0.34

    // A ship closer to the axis wins even when farther away.
    CUnit* straight = AddShip(Vec3(10, 0, 900));
    InputHandleKey();
    EXPECT_EQ(player.target, straight);

    // Nothing selectable ahead clears the target.
    for (CUnit* u : {wide, near20, straight}) u->hull = 1.0f;
    InputHandleKey();
    EXPECT_EQ(player.target, nullptr);
    (void)behind;
}

TEST_F(PlayerInputTest, LineOfSightOnAGuardingStationSelectsTheGuardedOne)
{
    ListWithPlayer();
    CUnit* home = AddShip(Vec3(800, 0, 0), GTYPE_SP_STATION);
    CUnit* twin = AddShip(Vec3(0, 0, 400), GTYPE_SP_LEAFSTATION);
    twin->orderType = ACTION_GUARD;
    twin->target = home;
    InputHandleKey();
    EXPECT_EQ(player.target, home);
}

}  // namespace
