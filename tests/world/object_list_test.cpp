// The object registry: ids, order, full lists, the per-frame pass, forgetting removed
// objects, and the queries on known layouts.
#include <gtest/gtest.h>

#include "audio/audio_manager.h"
#include "world/objects/item.h"
#include "world/world_test_util.h"

using ObjectList = WorldFixture;

TEST_F(ObjectList, IdsStartAt5000AndRestartWithDestroyAll)
{
    CObjectList::nextId = -1;
    EXPECT_EQ(CObjectList::NextId(), 5000);
    EXPECT_EQ(CObjectList::NextId(), 5001);
    CObjectList::DestroyAll();
    EXPECT_EQ(CObjectList::NextId(), 5000);
    CObjectList::nextId = 7000;
    CObjectList::ResetNextId();
    EXPECT_EQ(CObjectList::NextId(), 5000);
}

TEST_F(ObjectList, RemovalKeepsInsertionOrder)
{
    CUnit* u[5];
    for (int i = 0; i < 5; ++i) {
        u[i] = Ship(Vec3(float(i), 0, 0));
        ASSERT_TRUE(CObjectList::Add(u[i]));
    }
    CObjectList::Remove(u[1]);
    CObjectList::Remove(u[3]);
    ASSERT_EQ(CObjectList::Count(), 3);
    EXPECT_EQ(CObjectList::units[1][0], u[0]);
    EXPECT_EQ(CObjectList::units[1][1], u[2]);
    EXPECT_EQ(CObjectList::units[1][2], u[4]);
    EXPECT_EQ(CObjectList::units[1][3], nullptr);
    CObjectList::Detach(u[0]);
    EXPECT_EQ(CObjectList::units[1][0], u[2]);
    EXPECT_EQ(CObjectList::IndexOf(u[0]), -1);
    delete u[0];
}

TEST_F(ObjectList, WorldsKeepSeparateLists)
{
    g_WorldIndex = 0;
    CObjectList::Add(MakeUnit(GCLASS_CHARACTER_HERO, GTYPE_NPC, Vec3()));
    g_WorldIndex = 1;
    CObjectList::Add(Ship(Vec3()));
    CObjectList::Add(Ship(Vec3()));
    CObjectList::AddBullet(MakeBullet(Vec3()));
    EXPECT_EQ(CObjectList::Count(), 2);
    EXPECT_EQ(CObjectList::CountAll(), 3);
    g_WorldIndex = 0;
    EXPECT_EQ(CObjectList::Count(), 1);
    EXPECT_EQ(CObjectList::CountAll(), 1);
}

TEST_F(ObjectList, FullListsDestroyTheNewObjectAndSaySo)
{
    for (int i = 0; i < kMaxUnits; ++i) ASSERT_TRUE(CObjectList::Add(Ship(Vec3())));
    for (int i = 0; i < kMaxBullets; ++i) ASSERT_TRUE(CObjectList::AddBullet(MakeBullet(Vec3())));
    for (int i = 0; i < kMaxEffects; ++i) ASSERT_TRUE(CObjectList::AddEffect(MakeEffect(Vec3())));
    // Under AddressSanitizer a leak or a later touch of these would be reported.
    EXPECT_FALSE(CObjectList::Add(Ship(Vec3())));
    EXPECT_FALSE(CObjectList::AddBullet(MakeBullet(Vec3())));
    EXPECT_FALSE(CObjectList::AddEffect(MakeEffect(Vec3())));
    EXPECT_EQ(CObjectList::Count(), kMaxUnits);
    EXPECT_EQ(CObjectList::CountBullets(), kMaxBullets);
    EXPECT_EQ(CObjectList::CountEffects(), kMaxEffects);
}

TEST_F(ObjectList, AUnitIsListedOnlyOnce)
{
    CUnit* u = Ship(Vec3());
    EXPECT_TRUE(CObjectList::Add(u));
    EXPECT_TRUE(CObjectList::Add(u));
    EXPECT_EQ(CObjectList::Count(), 1);
}

TEST_F(ObjectList, UpdatePassRemovesDeadObjectsAndKeepsGoing)
{
    SpaceWithSky();
    CUnit* a = Ship(Vec3(1, 0, 0));
    CUnit* dead = Ship(Vec3(2, 0, 0));
    CUnit* b = Ship(Vec3(3, 0, 0));
    for (CUnit* u : {a, dead, b}) CObjectList::Add(u);
    dead->hull = 0.0f;
    CBullet* spent = MakeBullet(Vec3());
    spent->alive = 0.0f;
    CBullet* flying = MakeBullet(Vec3());
    CObjectList::AddBullet(spent);
    CObjectList::AddBullet(flying);
    CEffectObject* over = MakeEffect(Vec3());
    over->alive = 0.0f;
    CObjectList::AddEffect(over);
    CObjectList::AddEffect(MakeEffect(Vec3()));
    a->target = dead;
    flying->target = dead;
    flying->owner = dead;

    CObjectList::UpdateAll();
    ASSERT_EQ(CObjectList::Count(), 3);
    EXPECT_EQ(CObjectList::units[1][2], b);
    EXPECT_EQ(CObjectList::CountBullets(), 1);
    EXPECT_EQ(CObjectList::bullets[1][0], flying);
    EXPECT_EQ(CObjectList::CountEffects(), 1);
    EXPECT_EQ(flying->lastUpdateTime, CObjectList::effects[1][0]->lastUpdateTime);
    EXPECT_EQ(a->target, nullptr);
    EXPECT_EQ(flying->target, nullptr);
    EXPECT_EQ(flying->owner, nullptr);
}

TEST_F(ObjectList, RemovedUnitIsForgottenEverywhere)
{
    SpaceWithSky();
    CUnit* station = Ship(Vec3(), 1, GTYPE_SP_STATION);
    CUnit* victim = Ship(Vec3(5, 0, 0), 2);
    CUnit* other = Ship(Vec3(9, 0, 0), 1);
    CUnit* docked = Ship(Vec3(), 1);
    for (CUnit* u : {station, victim, other}) CObjectList::Add(u);
    station->dockedUnits[0] = docked;
    station->dockedCount = 1;
    docked->target = victim;
    other->target = victim;
    other->target2 = victim;
    other->boundUnit = victim;
    station->bayUnit = victim;
    station->bayRequestUnit = victim;
    station->guards[0] = victim;
    station->guardCount = 1;
    station->latchedUnits[3] = victim;
    other->transportEnds[1] = victim;
    CItem* launcher = new CItem();
    launcher->kind = GTYPE_MISSL_WEAPON;
    launcher->lockTarget = victim;
    other->items[0] = launcher;
    other->itemCount = 1;
    g_PlayerObject = victim;
    g_HeroStation = victim;
    g_World.cameras[1].target = victim;
    g_World.cameras[1].shotUnit = victim;
    g_AudioManager.effectPools[0][0].emitter = victim;
    // The same unit in the planet world's list refers to it too.
    g_WorldIndex = 0;
    CUnit* walker = MakeUnit(GCLASS_CHARACTER_NPC, GTYPE_NPC, Vec3());
    walker->target = victim;
    CObjectList::Add(walker);
    g_WorldIndex = 1;

    CObjectList::Remove(victim);
    EXPECT_EQ(CObjectList::Count(), 3);
    EXPECT_EQ(docked->target, nullptr);
    EXPECT_EQ(other->target, nullptr);
    EXPECT_EQ(other->target2, nullptr);
    EXPECT_EQ(other->boundUnit, nullptr);
    EXPECT_EQ(station->bayUnit, nullptr);
    EXPECT_EQ(station->bayRequestUnit, nullptr);
    EXPECT_EQ(station->guards[0], nullptr);
    EXPECT_EQ(station->latchedUnits[3], nullptr);
    EXPECT_EQ(other->transportEnds[1], nullptr);
    EXPECT_EQ(launcher->lockTarget, nullptr);
    EXPECT_EQ(g_PlayerObject, nullptr);
    EXPECT_EQ(g_HeroStation, nullptr);
    EXPECT_EQ(g_World.cameras[1].target, nullptr);
    EXPECT_EQ(g_World.cameras[1].shotUnit, nullptr);
    EXPECT_EQ(g_AudioManager.effectPools[0][0].emitter, nullptr);
    EXPECT_EQ(walker->target, nullptr);
}

TEST_F(ObjectList, DestroyedStationTakesItsDockedShipsAndTheyAreForgotten)
{
    SpaceWithSky();
    CUnit* station = Ship(Vec3(), 1, GTYPE_SP_STATION);
    // A mercenary's ship: the player's own is put out instead (docking tests).
    CUnit* docked = Ship(Vec3(), 1);
    CUnit* watcher = Ship(Vec3(), 2);
    station->dockedUnits[0] = docked;
    station->dockedCount = 1;
    CObjectList::Add(station);
    CObjectList::Add(watcher);
    watcher->target = docked;
    CObjectList::Remove(station);
    EXPECT_EQ(watcher->target, nullptr);
}

TEST_F(ObjectList, ShipBothDockedAndListedIsFreedOnce)
{
    SpaceWithSky();
    CUnit* station = Ship(Vec3(), 1, GTYPE_SP_STATION);
    CUnit* ship = Ship(Vec3(), 1, GTYPE_SP_HEROSHIP);
    station->dockedUnits[0] = ship;
    station->dockedCount = 1;
    CObjectList::Add(station);
    CObjectList::Add(ship);
    // Destroying the station leaves the listed ship alive; destroying all frees it once.
    CObjectList::Remove(station);
    ASSERT_EQ(CObjectList::IndexOf(ship), 1);
    EXPECT_GT(ship->hull, 0.0f);

    CUnit* station2 = Ship(Vec3(), 1, GTYPE_SP_STATION);
    CUnit* ship2 = Ship(Vec3(), 1, GTYPE_SP_HEROSHIP);
    station2->dockedUnits[0] = ship2;
    station2->dockedCount = 1;
    CObjectList::Add(station2);
    CObjectList::Add(ship2);
    CObjectList::DestroyAll();  // AddressSanitizer reports a double free here
    EXPECT_EQ(CObjectList::Count(), 0);
}

TEST_F(ObjectList, QueriesById)
{
    SpaceWithSky();
    CUnit* a = Ship(Vec3());
    a->pilot.objectId = 42;
    a->pilot.ownerId = 3;
    CObjectList::Add(a);
    EXPECT_EQ(CObjectList::FindById(42), a);
    EXPECT_EQ(CObjectList::FindById(-1), nullptr);
    // The space world's list whatever the current world.
    g_WorldIndex = 0;
    EXPECT_EQ(CObjectList::FindByIdAndOwner(42, 3), a);
    EXPECT_EQ(CObjectList::FindByIdAndOwner(42, 4), nullptr);
    EXPECT_EQ(CObjectList::FindById(42), nullptr);
}

TEST_F(ObjectList, FindPlayerSkipsADyingShip)
{
    SpaceWithSky();
    CUnit* hero = Ship(Vec3(), 1, GTYPE_SP_HEROSHIP);
    CObjectList::Add(hero);
    EXPECT_EQ(CObjectList::FindPlayer(), hero);
    hero->orderType = ACTION_DEAD;
    EXPECT_EQ(CObjectList::FindPlayer(), nullptr);
    g_WorldIndex = 0;
    CUnit* person = MakeUnit(GCLASS_CHARACTER_HERO, GTYPE_NPC, Vec3());
    CObjectList::Add(person);
    EXPECT_EQ(CObjectList::FindPlayer(), person);
}

TEST_F(ObjectList, NameAndKindQueries)
{
    SpaceWithSky();
    CUnit* far = Ship(Vec3(100, 0, 0));
    CUnit* nearUnit = Ship(Vec3(10, 0, 0));
    std::snprintf(far->displayName, sizeof(far->displayName), "Cargo Vega");
    std::snprintf(nearUnit->displayName, sizeof(nearUnit->displayName), "Vega 2");
    CObjectList::Add(far);
    CObjectList::Add(nearUnit);
    EXPECT_EQ(CObjectList::FindByName("Vega"), far);
    EXPECT_EQ(CObjectList::FindNearestByName(Vec3(), "Vega"), nearUnit);
    EXPECT_EQ(CObjectList::FindByName("Altair"), nullptr);
    EXPECT_EQ(CObjectList::FindByType(GTYPE_SP_NPCSHIP), far);
    EXPECT_EQ(CObjectList::FindByType(GTYPE_SP_STAR), nullptr);
}

TEST_F(ObjectList, HostileFriendlyAndTargetScans)
{
    SpaceWithSky();
    CUnit* me = Ship(Vec3(), 1, GTYPE_SP_HEROSHIP);
    me->commRange = 1000.0f;
    CUnit* pirateNear = Ship(Vec3(300, 0, 0), 2);
    CUnit* pirateFar = Ship(Vec3(2000, 0, 0), 2);
    CUnit* friendNear = Ship(Vec3(100, 0, 0), 0);
    CUnit* deadPirate = Ship(Vec3(50, 0, 0), 2);
    deadPirate->orderType = ACTION_DEAD;
    CUnit* rock = MakeUnit(GCLASS_SPACE_OBJECT, GTYPE_SP_ASTEROID, Vec3(10, 0, 0), 2);
    for (CUnit* u : {me, pirateNear, pirateFar, friendNear, deadPirate, rock}) CObjectList::Add(u);
    g_PlayerObject = me;

    EXPECT_EQ(CObjectList::FindNearestObject(-1.0f, me), pirateNear);
    EXPECT_EQ(CObjectList::FindNearestObject(200.0f, me), nullptr);
    EXPECT_EQ(CObjectList::FindNearestObject(5000.0f, me), pirateNear);
    EXPECT_EQ(CObjectList::FindNearestInRange(), friendNear);
    EXPECT_EQ(CObjectList::FindNearestTarget(me, nullptr), friendNear);
    const Vec3 p(5000, 0, 0);
    EXPECT_EQ(CObjectList::FindNearestTarget(me, &p), nullptr);  // beyond the comm range

    CUnit* found = nullptr;
    int i = CObjectList::FindNextHostile(5000.0f, me, 0, &found);
    EXPECT_EQ(found, pirateNear);
    i = CObjectList::FindNextHostile(5000.0f, me, i + 1, &found);
    EXPECT_EQ(found, pirateFar);
    EXPECT_EQ(CObjectList::FindNextHostile(5000.0f, me, i + 1, &found), -1);
    EXPECT_EQ(found, nullptr);
}

TEST_F(ObjectList, AlertMarksOnlyNonHostileCraftAfterTheFirst)
{
    g_WorldIndex = 1;
    CUnit* first = Ship(Vec3(), 1);  // a ship in the sky's place
    CUnit* me = Ship(Vec3(), 1);
    CUnit* pal = Ship(Vec3(10, 0, 0), 0);
    CUnit* pirate = Ship(Vec3(10, 0, 0), 2);
    for (CUnit* u : {first, me, pal, pirate}) CObjectList::Add(u);
    FindNextEnemyShip(100.0f, me);
    EXPECT_EQ(first->alertFlag, 0);
    EXPECT_EQ(me->alertFlag, 1);
    EXPECT_EQ(pal->alertFlag, 1);
    EXPECT_EQ(pirate->alertFlag, 0);
}

TEST_F(ObjectList, NearestStationNeedsACargoBay)
{
    SpaceWithSky();
    CUnit* me = Ship(Vec3());
    CUnit* bare = Ship(Vec3(10, 0, 0), 1, GTYPE_SP_STATION);
    CUnit* depot = Ship(Vec3(500, 0, 0), 1, GTYPE_SP_STATION);
    CItem* cargo = new CItem();
    cargo->kind = GTYPE_CARGOSYSTEM;
    depot->items[0] = cargo;
    depot->itemCount = 1;
    for (CUnit* u : {me, bare, depot}) CObjectList::Add(u);
    EXPECT_EQ(CObjectList::FindNearestStation(1000.0f, me), depot);
    EXPECT_EQ(CObjectList::FindNearestStationTwin(100.0f, me), nullptr);
}

TEST_F(ObjectList, DockedPlayerShipQueries)
{
    SpaceWithSky();
    CUnit* station = Ship(Vec3(), 1, GTYPE_SP_STATION);
    CUnit* hero = Ship(Vec3(), 1, GTYPE_SP_HEROSHIP);
    hero->pilot.objectId = 100;
    hero->pilot.ownerId = 0;
    station->dockedUnits[2] = hero;
    station->dockedCount = 3;
    CObjectList::Add(station);
    EXPECT_EQ(CObjectList::FindDockedPlayerShip(), hero);
    EXPECT_EQ(CObjectList::FindShipInStation(100, 0), hero);
    EXPECT_EQ(CObjectList::FindShipInStation(100, 1), nullptr);
    EXPECT_EQ(hero->dockTime, 0xFFFFFFFFu);
    EXPECT_EQ(CObjectList::FindDockedPlayerShipFlag(), hero);
    EXPECT_EQ(hero->dockTime, 1u);
    EXPECT_TRUE(g_World.IsDockedAt(hero, station));
}

TEST_F(ObjectList, MissileAndOwnerQueries)
{
    SpaceWithSky();
    CUnit* me = Ship(Vec3());
    CObjectList::Add(me);
    me->pilot.ownerId = 7;
    CBullet* laser = MakeBullet(Vec3(5, 0, 0));
    laser->target = me;
    CBullet* farMissile = MakeBullet(Vec3(80, 0, 0), GTYPE_MISSL_WEAPON);
    farMissile->target = me;
    CBullet* nearMissile = MakeBullet(Vec3(40, 0, 0), GTYPE_MISSL_WEAPON);
    nearMissile->target = me;
    for (CBullet* b : {laser, farMissile, nearMissile}) CObjectList::AddBullet(b);
    EXPECT_EQ(CObjectList::FindNearestMissile(100.0f, me), nearMissile);
    EXPECT_EQ(CObjectList::FindNearestMissile(30.0f, me), nullptr);
    CObjectList::KillOwnerUnits(7);
    EXPECT_EQ(me->orderType, ACTION_DEAD);
}

TEST_F(ObjectList, SortByDistanceGathersAndOrdersFarToNear)
{
    g_WorldIndex = 0;
    CUnit* ground = MakeUnit(GCLASS_LANDSCAPE, GTYPE_STATIC, Vec3());
    CUnit* t1 = MakeUnit(GCLASS_TREE, GTYPE_STATIC, Vec3(10, 0, 0));
    CUnit* rock = MakeUnit(GCLASS_STONE, GTYPE_STATIC, Vec3(1, 0, 0));
    CUnit* t2 = MakeUnit(GCLASS_TREE, GTYPE_STATIC, Vec3(30, 0, 0));
    CUnit* man = MakeUnit(GCLASS_CHARACTER_NPC, GTYPE_NPC, Vec3(2, 0, 0));
    CUnit* t3 = MakeUnit(GCLASS_TREE, GTYPE_STATIC, Vec3(20, 0, 0));
    for (CUnit* u : {ground, t1, rock, t2, man, t3}) CObjectList::Add(u);
    g_World.cameras[0].eye = Vec3();
    CObjectList::SortByDistance(GCLASS_TREE, GTYPE_STATIC);
    CUnit** l = CObjectList::units[0];
    EXPECT_EQ(l[0], ground);
    EXPECT_EQ(l[1], t2);
    EXPECT_EQ(l[2], t3);
    EXPECT_EQ(l[3], t1);
    EXPECT_EQ(l[4], rock);
    EXPECT_EQ(l[5], man);
}

TEST_F(ObjectList, TargetScores)
{
    SpaceWithSky();
    CUnit* me = Ship(Vec3());
    CUnit* guarded = Ship(Vec3(0, 0, 100));
    me->target2 = guarded;
    CUnit* raider = Ship(Vec3(0, 0, 50), 2);
    raider->engineMax = 100.0f;
    raider->manoeuvring = 1.0f;
    raider->hullMax = 200.0f;
    raider->pilot.skill = raider->pilot.skill2 = 1.0f;
    for (CUnit* u : {me, guarded, raider}) CObjectList::Add(u);
    const float w = raider->GetRating();
    ASSERT_GT(w, 0.0f);
    // d1 = 50 < R/3 with R = 300: near = (1 - 0.5) / 10; d2 = 50: guard = 1 - 50/300.
    const float expected = ((1.0f - 50.0f / 300.0f) + 0.05f) * w * 0.5f;
    EXPECT_NEAR(TargetPriority(me, 300.0f, raider), expected, 1e-3f);
    raider->target = me;  // a threat without weapons counts double
    EXPECT_NEAR(TargetPriority(me, 300.0f, raider), expected * 2.0f, 1e-3f);
    raider->target = nullptr;
    // Guard choice measures from the bound unit; far beyond R scores nothing.
    me->boundUnit = guarded;
    EXPECT_NEAR(RateTarget(me, 300.0f, raider), expected, 1e-3f);
    EXPECT_EQ(RateTarget(me, 30.0f, raider), 0.0f);
}

TEST(UnitSides, HostilityTable)
{
    CUnit a, b;
    const bool table[4][4] = {
        {false, false, true, true},
        {false, false, true, true},
        {true, true, false, true},
        {true, true, true, false},
    };
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            a.pilot.side = i;
            b.pilot.side = j;
            EXPECT_EQ(a.IsHostileTo(&b), table[i][j]) << i << " " << j;
            EXPECT_EQ(a.IsFriendlyTo(&b), !table[i][j]);
        }
    a.pilot.side = -1;
    b.pilot.side = 2;
    EXPECT_FALSE(a.IsHostileTo(&b));
    EXPECT_FALSE(b.IsHostileTo(&a));
}
