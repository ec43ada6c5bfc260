// CWorld::LoadLocation over small test locations: what a space file creates, the orders
// and station interiors, ship groups, asteroid fields and their guards, the lights and
// their stars, the planet files, the network start table and the failure paths.
#include "location_test_util.h"

#include "locations/station_interiors.h"
#include "platform/crt/rand.h"

#include <gtest/gtest.h>

namespace {

CUnit* Unit(int i)
{
    return CObjectList::units[g_WorldIndex][i];
}

TEST_F(LocationTest, SpaceFileCreatesItsObjectsInOrder)
{
    LoadSpace(BasicScene().Text());
    EXPECT_TRUE(missing_.empty()) << missing_.front();
    EXPECT_EQ(g_LocationLoad.opened, 1);
    EXPECT_EQ(g_LocationLoad.canRun, 1);
    EXPECT_EQ(g_LocationLoad.lineErrors, 0);
    ASSERT_EQ(CObjectList::Count(), 4);
    EXPECT_EQ(Unit(0)->objectClass, (unsigned)GCLASS_SPACE_SKY);
    EXPECT_EQ(Unit(2)->pilot.objectId, 1000);
    EXPECT_EQ(g_HeroStation, Unit(2));
    ASSERT_NE(g_PlayerObject, nullptr);
    EXPECT_EQ(g_PlayerObject->pilot.objectId, 20);
    EXPECT_FLOAT_EQ(g_PlayerObject->position.y, -1500.0f);
    // Rotation in degrees: 90 about Y turns the nose (+z) to +x.
    EXPECT_NEAR(g_PlayerObject->worldMatrix.m[2][0], 1.0f, 1e-4f);
    EXPECT_NEAR(g_PlayerObject->worldMatrix.m[3][2], -3000.0f, 1e-3f);
    EXPECT_EQ(g_World.ambient[1], 0xFF141414u);
    EXPECT_FLOAT_EQ(g_ViewDistance, 4000.0f);
    EXPECT_STREQ(g_World.locationFolder, "Data/Locations.Space/Test");
    EXPECT_EQ(g_LocationLoad.expectedEntries, 4);
    EXPECT_EQ(g_LocationLoad.lastPercent, 100);
    // The station's order gave it its interior.
    EXPECT_STREQ(StationInteriorFolder(g_HeroStation), "Data/Locations.Planet/Inside");
    EXPECT_STREQ(FindStationInterior(1000)->secondText, "Home");
    // The light belongs to the star, with the file's colour.
    ASSERT_EQ(g_World.lightListCount[1], 1);
    const int slot = g_World.lightList[1][0];
    ASSERT_GE(slot, 0);
    EXPECT_EQ(g_World.lights[1][slot].owner, Unit(1));
    EXPECT_EQ(g_World.lights[1][slot].kind, (int)LIGHT_KIND_SUN);
    EXPECT_NEAR(g_World.lights[1][slot].light.Diffuse.g, 128.0f / 255.0f, 1e-5f);
    // The music lists of the space world.
    EXPECT_EQ(g_AudioManager.musicPlayer.calmCounts[1], 1);
    EXPECT_STREQ(g_AudioManager.musicPlayer.battleNames[1][0], "Data/Music/Space/Battle 01.wav");
}

TEST_F(LocationTest, OrdersFindTheirUnitsAndTargets)
{
    SpaceLoc loc = BasicScene();
    loc.Object(30, "Data/U/Ship/Main.obj", "Human/Hero", 500, 0, 0)
        .Object(31, "Data/U/Ship/Main.obj", "Human/Hero", 600, 0, 0)
        .Order(30, 1000, "ACTION_GUARD")
        .Order(31, -1, "ACTION_MOVE")
        .Order(77, -1, "ACTION_STAY")     // names no unit: read and skipped
        .Order(31, -1, "ACTION_JUMP");    // unknown order
    LoadSpace(loc.Text());
    CUnit* guard = CObjectList::FindById(30);
    CUnit* mover = CObjectList::FindById(31);
    ASSERT_NE(guard, nullptr);
    ASSERT_NE(mover, nullptr);
    EXPECT_EQ(guard->orderType, ACTION_GUARD);
    EXPECT_EQ(guard->target, g_HeroStation);
    EXPECT_EQ(mover->orderType, ACTION_MOVE);
    EXPECT_FLOAT_EQ(mover->destination.z, 30.0f);
    ASSERT_EQ(missing_.size(), 1u);
    EXPECT_NE(missing_[0].find("order for unit 77"), std::string::npos) << missing_[0];
    EXPECT_EQ(g_LocationLoad.lineErrors, 1);
    EXPECT_EQ(g_LocationLoad.canRun, 1);
}

TEST_F(LocationTest, MissingObjectsAndPrivateDataAreReported)
{
    SpaceLoc loc = BasicScene();
    loc.Object(40, "Data/U/Nothing/Main.obj", "Human/Hero", 0, 0, 0)
        .Object(41, "Data/U/Ship/Main.obj", "Human/Nobody", 0, 0, 0);
    static const std::string gone = "Data/Locations.Planet/Gone";
    loc.Object(42, "Data/U/Station/Main.obj", "Human/Station", 900, 0, 0).Order(42, -1, "ACTION_STAY", &gone, "");
    loc.music = MusicBlock({"Data/Music/Space/Calm 09.wav"});
    LoadSpace(loc.Text());
    ASSERT_EQ(missing_.size(), 4u);
    EXPECT_NE(missing_[0].find("Data/U/Nothing/Main.obj"), std::string::npos);
    EXPECT_NE(missing_[1].find("Human/Nobody"), std::string::npos);
    EXPECT_NE(missing_[2].find("Gone"), std::string::npos);
    EXPECT_NE(missing_[3].find("Calm 09"), std::string::npos);
    EXPECT_EQ(CObjectList::FindById(40), nullptr);
    EXPECT_NE(CObjectList::FindById(41), nullptr);
}

TEST_F(LocationTest, TransportGroupsArePlacedBetweenTheirEnds)
{
    SpaceLoc loc = BasicScene();
    loc.Object(30, "Data/Space/Ship/Mine 01/Main.obj", "Human/Mining.Source", 4000, 0, 0)
        .Group("Data/U/Ship/Main.obj", "Human/Hero", 30, 1000, "ACTION_TRANSPORT", 3)
        .Group("Data/U/Ship/Main.obj", "Human/Hero", 99, 1000, "ACTION_TRANSPORT", 2);   // no "from": not placed
    LoadSpace(loc.Text());
    EXPECT_TRUE(missing_.empty());
    EXPECT_EQ(CObjectList::Count(), 5 + 3);
    int transports = 0;
    for (int i = 0; i < CObjectList::Count(); ++i) {
        CUnit* u = Unit(i);
        if (u->kind != GTYPE_SP_NPCSHIP) continue;
        ++transports;
        EXPECT_EQ(u->orderType, ACTION_TRANSPORT);
        EXPECT_FLOAT_EQ(u->ore, 100.0f);   // the mine carries no cargo item
        // On the line from the mine towards the station, 100 to the side.
        EXPECT_GT(u->position.x, 0.0f);
        EXPECT_LE(u->position.x, 4000.0f);
        EXPECT_NEAR(std::fabs(u->position.y) + std::fabs(u->position.z), 100.0f, 1.0f);
    }
    EXPECT_EQ(transports, 3);
}

TEST_F(LocationTest, PlaceBetweenObjectsWithoutRoomStaysClearOfTheStart)
{
    LoadSpace(BasicScene().Text());
    CUnit* ship = new CUnit();
    ASSERT_TRUE(ship->Load("Data/U/Ship/Main.obj", -1));
    // Station and sky share the origin: no gap at all.
    g_World.PlaceBetweenObjects(ship, 1000, 1);
    EXPECT_TRUE(std::isfinite(ship->position.x));
    g_World.PlaceBetweenObjects(ship, 1000, 12345);
    EXPECT_EQ(ship->position, Vec3());
    CObjectList::Remove(ship);
}

TEST_F(LocationTest, DockingGroupsLatchOntoTheirHost)
{
    SpaceLoc loc = BasicScene();
    loc.Group("Data/U/Leaf #3/Main.obj", "Aliens/Leafs", 1000, -1, "ACTION_DOCKING", 4)
        .Group("Data/U/Leaf #3/Main.obj", "Human/Hero", 1000, -1, "ACTION_DOCKING", 2);   // not aliens: released
    LoadSpace(loc.Text());
    EXPECT_TRUE(missing_.empty());
    ASSERT_EQ(CObjectList::Count(), 4 + 4);
    EXPECT_EQ(g_HeroStation->latchedCount, 4);
    for (int i = 0; i < 4; ++i) {
        CUnit* leaf = g_HeroStation->latchedUnits[i];
        ASSERT_NE(leaf, nullptr);
        EXPECT_EQ(leaf->latchPoint, i);
        EXPECT_EQ(leaf->boundUnit, g_HeroStation);
        EXPECT_EQ(leaf->orderSubState, 100);
        EXPECT_GE(leaf->scale.x, 1.0f);
        EXPECT_LE(leaf->scale.x, 2.0f);
        EXPECT_NE(std::string(leaf->descriptionPath).find("Data/U/Leaf 0"), std::string::npos);
    }
}

TEST_F(LocationTest, AsteroidFieldsStayWithinTheirShell)
{
    SpaceLoc loc = BasicScene();
    loc.Field(5000, 0, 0, 300, 900, 12).Field(-5000, 0, 0, 400, 400, 5).Field(0, 5000, 0, 400, 400.5, 3);
    LoadSpace(loc.Text());
    EXPECT_TRUE(missing_.empty());
    EXPECT_EQ(CObjectList::Count(), 4 + 12 + 5 + 3);
    EXPECT_EQ(g_LocationLoad.expectedEntries, 24);
    int n = 0;
    for (int i = 0; i < CObjectList::Count(); ++i) {
        CUnit* u = Unit(i);
        if (u->kind != GTYPE_SP_ASTEROID) continue;
        const Vec3 c = n < 12 ? Vec3(5000, 0, 0) : n < 17 ? Vec3(-5000, 0, 0) : Vec3(0, 5000, 0);
        const float d = Vec3Length(u->position - c);
        if (n < 12) {
            EXPECT_GE(d, 299.0f);
            EXPECT_LE(d, 901.0f);
        } else {
            EXPECT_NEAR(d, 400.0f, 1.0f);   // an empty range places on the inner radius
        }
        ++n;
    }
    EXPECT_EQ(n, 20);
}

TEST_F(LocationTest, AsteroidPlacementGivesUpWhenNoPlaceIsFree)
{
    // A zero shell inside the station: every draw collides; the loop must end.
    SpaceLoc loc = BasicScene();
    loc.Field(0, 0, 0, 0, 0, 5);
    LoadSpace(loc.Text());
    EXPECT_EQ(CObjectList::Count(), 4);
    EXPECT_EQ(g_LocationLoad.canRun, 1);
}

TEST_F(LocationTest, LightsBeyondTheSlotsAreReadAndDropped)
{
    SpaceLoc loc = BasicScene();
    for (int i = 0; i < 19; ++i) loc.Light(10, 20, 30);
    LoadSpace(loc.Text());
    EXPECT_EQ(g_World.lightListCount[1], kLightSlots);
    EXPECT_EQ(CObjectList::Count(), 4);
    EXPECT_EQ(g_LocationLoad.lineErrors, 1);
}

TEST_F(LocationTest, MusicCountsAreClampedAndTheFileStaysInStep)
{
    SpaceLoc loc = BasicScene();
    std::vector<std::string> many(40, "Data/Music/Space/Calm 01.wav");
    loc.music = MusicBlock(many, {"Data/Music/Space/Battle 01.wav"});
    LoadSpace(loc.Text());
    EXPECT_TRUE(missing_.empty());
    EXPECT_EQ(g_AudioManager.musicPlayer.calmCounts[1], MUSIC_NAME_COUNT);
    EXPECT_EQ(g_AudioManager.musicPlayer.battleCounts[1], 1);
    EXPECT_STREQ(g_AudioManager.musicPlayer.battleNames[1][0], "Data/Music/Space/Battle 01.wav");
}

TEST_F(LocationTest, MalformedRecordsAreSkippedAndTheRestLoads)
{
    SpaceLoc loc = BasicScene();
    loc.objects += Col("Object id", "50") + Col("Description", "Data/U/Ship/Main.obj") + Col("Private data", "") +
                   Col("Position", "12345678 0.0     0.0") + LocTriple("Rotation", 0, 0, 0) + kLocDash;
    loc.Object(51, "Data/U/Ship/Main.obj", "", 0, 0, 900);
    loc.groups += Col("Ship", "Data/U/Leaf #0/Main.obj") + Col("Private data", "Aliens/Leafs") + Col("From", "1000") +
                  Col("To", "-1") + Col("Order", "ACTION_DOCKING") + Col("Number", "3") + kLocDash;
    LoadSpace(loc.Text());
    EXPECT_EQ(CObjectList::FindById(50), nullptr);
    ASSERT_NE(CObjectList::FindById(51), nullptr);
    EXPECT_FLOAT_EQ(CObjectList::FindById(51)->position.z, 900.0f);
    EXPECT_EQ(CObjectList::Count(), 5);
    EXPECT_EQ(g_LocationLoad.lineErrors, 2);
    EXPECT_EQ(g_LocationLoad.canRun, 1);
}

TEST_F(LocationTest, CrLfFileLoadsLikeLf)
{
    std::string text = BasicScene().Field(3000, 0, 0, 200, 600, 4).Text();
    std::string crlf;
    for (char c : text) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    LoadSpace(crlf);
    EXPECT_TRUE(missing_.empty());
    EXPECT_EQ(g_LocationLoad.lineErrors, 0);
    EXPECT_EQ(CObjectList::Count(), 8);
    EXPECT_STREQ(StationInteriorFolder(g_HeroStation), "Data/Locations.Planet/Inside");
}

TEST_F(LocationTest, MissingFileAndMissingPlayerAreFailures)
{
    g_WorldIndex = 1;
    g_LocationKind = 1;
    g_World.LoadLocation("Data/Locations.Space/Nowhere");
    EXPECT_EQ(g_LocationLoad.opened, 0);
    EXPECT_EQ(g_LocationLoad.canRun, 0);
    EXPECT_EQ(g_GameClock.timeScale, 1.0f);
    EXPECT_EQ(g_AudioManager.paused, 0);

    SpaceLoc loc;
    loc.Light(255, 255, 255).Object(1, "Data/U/Sky/Main.obj", "", 0, 0, 0);
    LoadSpace(loc.Text());
    EXPECT_EQ(g_LocationLoad.opened, 1);
    EXPECT_EQ(g_LocationLoad.playerMissing, 1);
    EXPECT_EQ(g_LocationLoad.canRun, 0);
    EXPECT_EQ(g_PlayerObject, nullptr);
}

TEST_F(LocationTest, LoadingTakesNoGameTime)
{
    g_GameClock.gameTime = 123456.0;
    g_GameClock.timeScale = 0.0f;
    WriteFile("Data/Locations.Space/Test/Main.loc", BasicScene().Field(2000, 0, 0, 100, 900, 30).Text());
    g_WorldIndex = 1;
    g_LocationKind = 1;
    g_World.LoadLocation("Data/Locations.Space/Test");
    EXPECT_DOUBLE_EQ(g_GameClock.gameTime, 123456.0);
    EXPECT_EQ(g_GameClock.timeScale, 1.0f);
}

TEST_F(LocationTest, PlanetFileFillsThePlanetWorld)
{
    WriteFile("Data/Locations.Planet/P/Main.loc",
              PlanetLoc(1, "010 020 030",
                        {PlanetBlock("Data/P/Hero/Main.obj", 12.5, 0, -7, 2.0), PlanetBlock("Data/U/Missing/Main.obj", 0, 0, 0)}));
    g_WorldIndex = 0;
    g_LocationKind = 0;
    g_World.ResetForLocation();
    std::vector<std::string> missing;
    sink_ = &missing;
    g_LocationMissingHook = &LocationTest::Collect;
    g_World.LoadLocation("Data/Locations.Planet/P");
    g_LocationMissingHook = nullptr;
    sink_ = nullptr;
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_EQ(g_World.ambient[0], 0xFF0A141Eu);
    EXPECT_EQ(g_LocationLoad.planetLight, 1);
    EXPECT_EQ(g_World.lightListCount[0], 1);
    EXPECT_GE(g_World.lightList[0][0], 0);
    ASSERT_EQ(CObjectList::Count(), 1);
    CUnit* hero = Unit(0);
    EXPECT_FLOAT_EQ(hero->position.x, 12.5f);
    EXPECT_FLOAT_EQ(hero->position.z, -7.0f);
    EXPECT_FLOAT_EQ(hero->scale.y, 2.0f);
    EXPECT_EQ(g_PlayerObject, hero);
    EXPECT_EQ(g_AudioManager.musicPlayer.calmCounts[0], 1);
    EXPECT_EQ(g_LocationLoad.canRun, 1);
}

TEST_F(LocationTest, PlanetObjectCountBeyondTheFileEndsCleanly)
{
    WriteFile("Data/Locations.Planet/P/Main.loc", PlanetLoc(0, "010 020 030", {PlanetBlock("Data/P/Hero/Main.obj", 1, 0, 1)}, 50));
    g_WorldIndex = 0;
    g_LocationKind = 0;
    g_World.LoadLocation("Data/Locations.Planet/P");
    EXPECT_EQ(g_World.lightListCount[0], 0);
    EXPECT_EQ(CObjectList::Count(), 1);
    EXPECT_GT(g_LocationLoad.lineErrors, 0);
}

TEST(NetworkStartTable, PointsByPlayerCount)
{
    EXPECT_EQ(NetworkStartPoint(2, 1), Vec3(0, 0, -6000));
    EXPECT_EQ(NetworkStartPoint(3, 0), Vec3(6000, 0, 3000));
    EXPECT_EQ(NetworkStartPoint(3, 2), Vec3(-6000, 0, 3000));
    EXPECT_EQ(NetworkStartPoint(4, 3), Vec3(6000, 0, 0));
    EXPECT_EQ(NetworkSecondSourcePoint(3, 2), Vec3(0, 0, 5000));
    EXPECT_EQ(NetworkSecondSourcePoint(4, 1), Vec3(5000, 0, -5000));
    // Outside the table: the origin, never another row.
    EXPECT_EQ(NetworkStartPoint(3, 3), Vec3());
    EXPECT_EQ(NetworkStartPoint(5, 0), Vec3());
    EXPECT_EQ(NetworkStartPoint(0, 0), Vec3());
}

TEST_F(LocationTest, NetworkGameRearrangesTheHomeGroupAndAddsOreSources)
{
    SpaceLoc loc = BasicScene();
    loc.Object(1001, "Data/U/Ship/Main.obj", "", 0, 0, 0)
        .Object(1002, "Data/U/Ship/Main.obj", "", 0, 0, 0)
        .Object(1003, "Data/U/Ship/Main.obj", "", 0, 0, 0);
    g_GameMode = 2;
    g_Network.session.playerCount = 3;
    g_Network.session.ownIndex = 1;
    LoadSpace(loc.Text());
    g_GameMode = 1;
    ASSERT_NE(g_HeroStation, nullptr);
    EXPECT_EQ(g_HeroStation->position, Vec3(0, 0, -6000));
    EXPECT_EQ(CObjectList::FindById(1001)->position, Vec3(0, 500, -6000));
    EXPECT_EQ(CObjectList::FindById(1002)->position, Vec3(0, -500, -6000));
    EXPECT_EQ(CObjectList::FindById(1003)->position, Vec3(0, 0, -6500));
    for (int id = 1000; id <= 1003; ++id) {
        EXPECT_FLOAT_EQ(CObjectList::FindById(id)->hull, 3000.0f);
        EXPECT_FLOAT_EQ(CObjectList::FindById(id)->hullMax, 3000.0f);
    }
    // The station faces away from the origin.
    EXPECT_NEAR(g_HeroStation->worldMatrix.m[2][2], -1.0f, 1e-4f);
    // Ore sources 10 .. 15 with their rings of 20 and 40 asteroids.
    for (int id = 10; id < 16; ++id) EXPECT_NE(CObjectList::FindById(id), nullptr) << id;
    CUnit* first = CObjectList::FindById(10);
    EXPECT_LE(Vec3Length(first->position), 3000.5f);
    EXPECT_EQ(CountKind(GTYPE_SP_ASTEROID), 3 * 20 + 3 * 40);
    EXPECT_EQ(g_LocationLoad.expectedEntries, 7 + 62 * 3);
    // The load took real time: every peer counts as heard just now.
    for (uint32_t t : g_Network.session.lastHeard) EXPECT_EQ(t, g_GameClock.NowMs());
}

} // namespace
