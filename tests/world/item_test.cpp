// Items: loading, mounting on the owner's points, the description beside the file.
#include "world/item.h"

#include "world/unit.h"
#include "unit_test_util.h"

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
