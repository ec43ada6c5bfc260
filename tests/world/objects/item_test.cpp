// Items: loading, mounting on the owner's points, the description beside the file.
#include "world/objects/item.h"

#include "world/objects/bullet.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/unit_test_util.h"

#include <memory>

namespace {

class ItemLoadTest : public UnitFilesTest {
protected:
    void SetUp() override
    {
        UnitFilesTest::SetUp();
        owner = std::make_unique<CUnit>();
        owner->AddMesh("Data/T/Ship.msh", 0);  // two laser and two rocket points
    }
    void TearDown() override
    {
        owner->Release();
        owner.reset();
        UnitFilesTest::TearDown();
    }
    std::unique_ptr<CUnit> owner;
};

TEST_F(ItemLoadTest, ValuesBulletDamageAndDescription)
{
    // A bullet file: header, 2 meshes, 1 texture, two more lines, then the damage line.
    std::string bullet = Sep() + "//\n" + Sep() + Col("Name", "Bolt") + Col("Class", "GCLASS_BULLET") +
                         Col("Type", "GTYPE_LASER_WEAPON") + Sep() + Col("Vertex", "D3D_VERTEX") + Col("Meshes", "2") +
                         Col("Mesh", "a.msh") + Col("Mesh", "b.msh") + Col("Textures", "1") + Col("Mip", "0") +
                         Col("Texture", "") + Sep() + Col("Something", "5") + Col("Damage", "42") + Sep();
    WriteFile("Data/T/Bolt/Main.obj", bullet);
    WriteFile("Data/T/Laser/Main.obj", ItemText("GTYPE_LASER_WEAPON", "0000 0", {"Data/T/None/Main.obj", "Data/T/Bolt/Main.obj"}));
    WriteFile("Data/T/Laser/Desc_RUS.pd", "Лазер\n");
    CItem item;
    ASSERT_EQ(item.Load("Data/T/Laser/Main.obj", owner.get(), -1), 1);
    EXPECT_STREQ(item.name, "Gun");
    EXPECT_STREQ(item.filePath, "Data/T/Laser/Main.obj");
    EXPECT_STREQ(item.bulletPath, "Data/T/Bolt/Main.obj");
    EXPECT_FLOAT_EQ(item.bulletDamage, 42.0f);
    EXPECT_FLOAT_EQ(item.range, 1500.0f);
    EXPECT_FLOAT_EQ(item.shotSpeed, 800.5f);
    EXPECT_FLOAT_EQ(item.reloadTime, 0.5f);
    EXPECT_FLOAT_EQ(item.baseValues[ITEM_BASE_RELOAD].value, 0.5f);
    EXPECT_EQ(item.capacityRef, &item.capacity);
    EXPECT_STREQ(item.description, "Лазер");
    EXPECT_EQ(item.lastFireTime, g_GameClock.NowMs());
    EXPECT_EQ(item.armed, 1);
    item.Release();

    // English chosen and no English description: the "no data" text, not the Russian one.
    g_Settings.language = 1;
    CItem eng;
    ASSERT_EQ(eng.Load("Data/T/Laser/Main.obj", owner.get(), -1), 1);
    EXPECT_STREQ(eng.description, "<нет данных>");
    eng.Release();
}

TEST_F(ItemLoadTest, AmmunitionFromTheTwoNumberLine)
{
    WriteFile("Data/T/RL/Main.obj", ItemText("GTYPE_ROCKT_WEAPON", "0012 0009"));
    CItem item;
    ASSERT_EQ(item.Load("Data/T/RL/Main.obj", owner.get(), -1), 1);
    EXPECT_EQ(item.maxAmmo, 12);
    EXPECT_EQ(item.ammo, 9);
    item.Release();
}

TEST_F(ItemLoadTest, MountingOnLaserPoints)
{
    WriteFile("Data/T/Laser/Main.obj", ItemText("GTYPE_LASER_WEAPON"));
    CItem a, b, c, d;
    a.Load("Data/T/Laser/Main.obj", owner.get(), -1);
    b.Load("Data/T/Laser/Main.obj", owner.get(), -1);
    c.Load("Data/T/Laser/Main.obj", owner.get(), -1);  // the points have run out: shares the last
    d.Load("Data/T/Laser/Main.obj", owner.get(), 0);   // a given index wins over the counter
    EXPECT_EQ(a.attachIndex, 0);
    EXPECT_EQ(b.attachIndex, 1);
    EXPECT_EQ(c.attachIndex, 1);
    EXPECT_EQ(d.attachIndex, 0);
    EXPECT_FLOAT_EQ(a.attachPoint.x, -5.2f);
    EXPECT_FLOAT_EQ(b.attachPoint.x, 5.2f);
    CItem e;
    e.Load("Data/T/Laser/Main.obj", owner.get(), 7);  // beyond the list
    EXPECT_EQ(e.attachIndex, 1);
    WriteFile("Data/T/ML/Main.obj", ItemText("GTYPE_MISSL_WEAPON"));
    CItem m;
    m.Load("Data/T/ML/Main.obj", owner.get(), -1);
    EXPECT_EQ(m.attachIndex, 0);
    EXPECT_FLOAT_EQ(m.attachPoint.x, -2.4f);
    for (CItem* i : {&a, &b, &c, &d, &e, &m}) i->Release();
}

TEST_F(ItemLoadTest, MissingFileKeepsOwnerOnly)
{
    CItem item;
    EXPECT_EQ(item.Load("Data/T/Nothing/Main.obj", owner.get(), -1), 0);
    EXPECT_EQ(item.owner, owner.get());
    EXPECT_EQ(item.attachIndex, -1);
    EXPECT_STREQ(item.filePath, "");
    EXPECT_STREQ(item.name, "");
    EXPECT_EQ(item.armed, 1);
    EXPECT_FLOAT_EQ(ReadDescriptionValue("Data/T/Nothing/Main.obj"), 0.0f);
}

TEST_F(ItemLoadTest, PlacementAppliesBonuses)
{
    WriteFile("Data/T/Laser/Main.obj", ItemText("GTYPE_LASER_WEAPON"));
    CItem item;
    item.Load("Data/T/Laser/Main.obj", owner.get(), -1);
    item.baseValues[ITEM_BASE_RANGE].bonus = 100.0f;
    item.baseValues[ITEM_BASE_RELOAD].bonus = -0.1f;
    item.ApplyBaseValues();
    EXPECT_FLOAT_EQ(item.range, 1600.0f);
    EXPECT_FLOAT_EQ(item.reloadTime, 0.4f);
    item.Release();
}

} // namespace

namespace {

// Items in flight: reload, trigger, ammunition, missile lock, anti-missile activation.
class ItemUpdateTest : public ItemLoadTest {
protected:
    void SetUp() override
    {
        ItemLoadTest::SetUp();
        CObjectList::DestroyAll();
        savedPlayer_ = g_PlayerObject;
        g_PlayerObject = nullptr;
        // Damage 30, maximum speed 900, speed 0, flight time 2.
        std::string bullet = Sep() + "//\n" + Sep() + Col("Name", "Bolt") + Col("Class", "GCLASS_BULLET") +
                             Col("Type", "GTYPE_ROCKT_WEAPON") + Sep() + Col("Vertex", "D3D_VERTEX") + Col("Meshes", "0") +
                             Col("Textures", "0") + Col("Mip", "0") + Sep() + Col("Alive", "1") + Col("Damage", "30") +
                             Col("Speed", "0900 0") + Col("Inertia", "1.5") + Col("Flight time", "2.0") + Sep() +
                             Col("Effects", "0") + Sep() + Col("Derived", "0") + Sep();
        WriteFile("Data/T/Bolt/Main.obj", bullet);
    }
    void TearDown() override
    {
        CObjectList::DestroyAll();
        g_PlayerObject = savedPlayer_;
        ItemLoadTest::TearDown();
    }
    std::unique_ptr<CItem> Make(const char* kind, const char* ammo, const char* reload = "0.5")
    {
        std::string text = ItemText(kind, ammo, {"Data/T/Bolt/Main.obj"});
        const std::string line = Col("Reload", "0.5");
        text.replace(text.find(line), line.size(), Col("Reload", reload));
        WriteFile("Data/T/Item/Main.obj", text);
        auto item = std::make_unique<CItem>();
        EXPECT_EQ(item->Load("Data/T/Item/Main.obj", owner.get(), -1), 1);
        return item;
    }
    // Runs frames of 10 ms for the given time, pulling the trigger on every frame.
    static void Run(CItem* item, int ms, bool pull = true)
    {
        for (int t = 0; t < ms; t += 10) {
            g_GameClock.gameTime += 10.0;
            if (pull) item->trigger = 1;
            item->Update();
        }
    }
    CUnit* savedPlayer_ = nullptr;
};

TEST_F(ItemUpdateTest, LaserFiresOnceEveryReloadAndPauseHoldsIt)
{
    auto laser = Make("GTYPE_LASER_WEAPON", "0000 0");
    owner->position = Vec3(0, 0, 100);
    owner->UpdateTransform();
    Run(laser.get(), 2000);
    EXPECT_EQ(owner->statistics.shotsFired, 3);  // at 0.51, 1.02 and 1.53 s
    ASSERT_EQ(CObjectList::CountBullets(), 3);
    CBullet* b = CObjectList::bullets[1][0];
    EXPECT_EQ(b->owner, owner.get());
    EXPECT_FLOAT_EQ(b->damage, 30.0f);
    EXPECT_EQ(b->drawMode, 1);
    const Vec3 muzzle = laser->attachPoint + Vec3(0, 0, 100);
    EXPECT_NEAR(b->position.x, muzzle.x, 1e-4f);
    EXPECT_NEAR(b->position.z, muzzle.z, 1e-4f);
    EXPECT_NEAR(b->worldMatrix.m[3][2], muzzle.z, 1e-4f);

    // A paused clock: pulled every frame, nothing fires.
    const int shots = owner->statistics.shotsFired;
    for (int i = 0; i < 200; ++i) {
        laser->trigger = 1;
        laser->Update();
    }
    EXPECT_EQ(owner->statistics.shotsFired, shots);
    laser->Release();
}

TEST_F(ItemUpdateTest, ReadinessOfALaser)
{
    auto laser = Make("GTYPE_LASER_WEAPON", "0000 0");
    g_GameClock.gameTime += 250.0;
    laser->Update();
    EXPECT_EQ(laser->GetReadyPercent(), 50);
    Run(laser.get(), 300, false);
    EXPECT_EQ(laser->ready, 1);
    EXPECT_EQ(laser->GetReadyPercent(), 100);
    laser->armed = 0;
    EXPECT_EQ(laser->GetReadyPercent(), 0);
    laser->Release();
}

TEST_F(ItemUpdateTest, RocketWithOneRoundFiresOnceAndTakesTheLauncherSpeed)
{
    auto rockets = Make("GTYPE_ROCKT_WEAPON", "0004 1");
    owner->speed = 120.0f;
    Run(rockets.get(), 3000);
    EXPECT_EQ(owner->statistics.shotsFired, 1);
    EXPECT_EQ(rockets->ammo, 0);
    EXPECT_EQ(rockets->armed, 0);
    EXPECT_EQ(rockets->GetReadyPercent(), 0);
    ASSERT_EQ(CObjectList::CountBullets(), 1);
    EXPECT_FLOAT_EQ(CObjectList::bullets[1][0]->speed, 120.0f);  // the file says 0
    EXPECT_FLOAT_EQ(CObjectList::bullets[1][0]->maxSpeed, 900.0f);
    rockets->Release();
}

TEST_F(ItemUpdateTest, FullBulletListHoldsTheShotAndSpendsNothing)
{
    for (const char* kind : {"GTYPE_LASER_WEAPON", "GTYPE_ROCKT_WEAPON"}) {
        CObjectList::DestroyAll();
        auto gun = Make(kind, "0004 3");
        while (CObjectList::CountBullets() < kMaxBullets) {
            CBullet* b = new CBullet();
            b->alive = 1.0f;
            ASSERT_TRUE(CObjectList::AddBullet(b));
        }
        const int ammo = gun->ammo, shots = owner->statistics.shotsFired;
        Run(gun.get(), 2000);
        EXPECT_EQ(gun->ammo, ammo) << kind;
        EXPECT_EQ(owner->statistics.shotsFired, shots) << kind;
        EXPECT_EQ(gun->ready, 1) << kind;
        // Room again: the held shot goes off at once, and only once.
        CObjectList::RemoveBullet(CObjectList::bullets[1][0]);
        Run(gun.get(), 10);
        EXPECT_EQ(owner->statistics.shotsFired, shots + 1) << kind;
        EXPECT_EQ(gun->ammo, std::string(kind) == "GTYPE_LASER_WEAPON" ? ammo : ammo - 1) << kind;
        EXPECT_EQ(CObjectList::CountBullets(), kMaxBullets) << kind;
        gun->Release();
    }
}

TEST_F(ItemUpdateTest, AimAssistTurnsShotsToTheLeadPointNearTheNose)
{
    auto laser = Make("GTYPE_LASER_WEAPON", "0000 0");
    owner->items[owner->itemCount++] = laser.get();  // its shot speed sets the lead
    owner->UpdateTransform();
    struct Case {
        Vec3 at;       // the target, crossing along x at 60 units a second
        bool aimed;    // the shot is turned to the lead point
    };
    const Case cases[] = {
        {Vec3(0, 0, 1000), true},      // dead ahead
        {Vec3(100, 0, 1000), true},    // a little off the nose
        {Vec3(1000, 0, 1000), false},  // 45 degrees off: straight ahead
        {Vec3(0, 0, -800), false},     // behind
        {Vec3(0, 0, 1700), false},     // beyond the range
    };
    for (const Case& c : cases) {
        CObjectList::DestroyAll();
        CUnit target;
        target.position = c.at;
        target.worldMatrix = MatrixIdentity();
        target.worldMatrix.m[2][0] = 1.0f, target.worldMatrix.m[2][2] = 0.0f;  // flies along +x
        target.worldMatrix.m[0][0] = 0.0f, target.worldMatrix.m[0][2] = -1.0f;
        target.speed = 60.0f;
        owner->target = &target;
        Run(laser.get(), 600);
        ASSERT_GE(CObjectList::CountBullets(), 1);
        const CBullet* b = CObjectList::bullets[1][0];
        const Vec3 forward(b->worldMatrix.m[2][0], b->worldMatrix.m[2][1], b->worldMatrix.m[2][2]);
        Vec3 lead;
        owner->ComputeLeadPoint(&target, &lead);
        if (c.aimed) {
            // Pulled from straight ahead towards the lead point, the more the nearer the nose.
            const Vec3 muzzle = laser->attachPoint;
            const Vec3 d = Vec3Normalize(lead - owner->position);
            const float side = std::sqrt(d.x * d.x + d.y * d.y);
            const float w = 1.0f - (4.0f * side) * (4.0f * side);
            const Vec3 straight = muzzle + Vec3(0, 0, 1) * Vec3Length(lead - muzzle);
            const Vec3 aim = straight + (lead - straight) * w;
            EXPECT_GT(Vec3Dot(Vec3Normalize(forward), Vec3Normalize(aim - muzzle)), 0.99999f) << c.at.x << " " << c.at.z;
            EXPECT_GT(lead.x, c.at.x + 1.0f);  // ahead of the crossing target
            EXPECT_GT(forward.x, 0.0f);
        } else {
            EXPECT_NEAR(forward.z, 1.0f, 1e-4f) << c.at.x << " " << c.at.z;
        }
        owner->target = nullptr;
    }
    owner->itemCount = 0;
    laser->Release();
}

TEST_F(ItemUpdateTest, MissileLockStartsOverOnANewTarget)
{
    auto missiles = Make("GTYPE_MISSL_WEAPON", "0004 4", "2.0");
    CUnit a, b;
    a.hull = b.hull = 100.0f;
    a.position = Vec3(0, 0, 800);
    b.position = Vec3(10, 0, 900);
    owner->target = &a;
    Run(missiles.get(), 1000);
    EXPECT_EQ(missiles->lockTarget, &a);
    owner->target = &b;  // new target: the lock starts from zero
    Run(missiles.get(), 1900);
    EXPECT_EQ(owner->statistics.shotsFired, 0);
    EXPECT_EQ(missiles->GetReadyPercent(), 94);
    Run(missiles.get(), 200);
    EXPECT_EQ(owner->statistics.shotsFired, 1);
    EXPECT_EQ(missiles->ammo, 3);
    ASSERT_EQ(CObjectList::CountBullets(), 1);
    EXPECT_EQ(CObjectList::bullets[1][0]->target, &b);

    // Out of the cone ahead: no lock, the reload keeps restarting.
    b.position = Vec3(900, 0, 100);
    Run(missiles.get(), 3000);
    EXPECT_EQ(owner->statistics.shotsFired, 1);
    EXPECT_EQ(missiles->GetReadyPercent(), 0);

    // A dead target is dropped by the launcher.
    b.position = Vec3(0, 0, 900);
    b.hull = 0.0f;
    Run(missiles.get(), 100);
    EXPECT_EQ(owner->target, nullptr);
    EXPECT_EQ(missiles->lockTarget, nullptr);
    missiles->Release();
}

TEST_F(ItemUpdateTest, AntiMissileActivationSpendsOneRound)
{
    auto ams = Make("GTYPE_AMSSYSTEM", "0002 1", "1.0");
    Run(ams.get(), 100, false);
    EXPECT_EQ(ams->ready, 1);
    EXPECT_EQ(ams->GetReadyPercent(), 0);  // idle
    ams->trigger = 1;
    Run(ams.get(), 500, false);
    EXPECT_EQ(ams->ammo, 0);
    EXPECT_EQ(ams->ready, 0);
    EXPECT_EQ(ams->GetReadyPercent(), 50);
    Run(ams.get(), 600, false);
    EXPECT_EQ(ams->trigger, 0);  // the activation is over
    EXPECT_EQ(ams->ready, 1);

    // Empty: a pull starts nothing and the count stays at 0.
    ams->trigger = 1;
    Run(ams.get(), 500, false);
    EXPECT_EQ(ams->ammo, 0);
    EXPECT_EQ(ams->trigger, 0);
    ams->Release();
}

TEST_F(ItemUpdateTest, AntiMissileStopsEachFlyingMissileOnce)
{
    auto ams = Make("GTYPE_AMSSYSTEM", "0002 1", "1.0");
    Run(ams.get(), 20, false);
    CBullet* missiles[3];
    const float distances[3] = {100.0f, 200.0f, 2000.0f};  // the last one out of range
    for (int i = 0; i < 3; ++i) {
        CBullet* m = new CBullet();
        m->kind = GTYPE_MISSL_WEAPON;
        m->alive = 1.0f;
        m->flightTime = m->remainingFlightTime = 100.0f;
        m->target = owner.get();
        m->position = owner->position + Vec3(distances[i], 0, 0);
        ASSERT_TRUE(CObjectList::AddBullet(m));
        missiles[i] = m;
    }
    // One activation: the nearest stops on the first frame and, lingering, is not taken
    // again; the next frame stops the second.
    const int rounds = ams->ammo;
    ams->trigger = 1;
    Run(ams.get(), 30, false);
    EXPECT_EQ(ams->ammo, rounds - 1);
    EXPECT_FLOAT_EQ(missiles[0]->remainingFlightTime, 0.0f);
    EXPECT_FLOAT_EQ(missiles[0]->afterBurnTime, 3.0f);
    EXPECT_FLOAT_EQ(missiles[1]->remainingFlightTime, 0.0f);
    EXPECT_FLOAT_EQ(missiles[2]->remainingFlightTime, 100.0f);
    ams->Release();
}

} // namespace
