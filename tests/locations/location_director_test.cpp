// The location director: the chain of locations from both start kinds, sector 12 and
// the reloading singles and maps, the intro skip on game time, the first fade-in, the
// location texts and the battle-music policy.
#include "location_test_util.h"

#include "app/winmain.h"
#include "app/wndproc.h"
#include "files/language.h"
#include "menus/game_menu.h"

#include <gtest/gtest.h>

namespace {

struct Step {
    int kind, id, newId, newKind;
    const char* folder;
};

TEST(LocationChain, TableFromBothStartKinds)
{
    const Step steps[] = {
        {0, -1, 110, 0, "Data/Locations.Planet/Intro 01"},
        {0, 110, 200, 1, "Data/Locations.Space/Intro 01"},
        {0, 111, 201, 1, "Data/Locations.Space/Intro 02"},
        {1, -1, 200, 1, "Data/Locations.Space/Intro 01"},
        {2, -1, 200, 1, "Data/Locations.Space/Intro 01"},
        {1, 100, 100, 1, "Data/Locations.Space/GameMenu"},
        {1, 200, 111, 0, "Data/Locations.Planet/Intro 02"},
        {1, 201, 1, 1, "Data/Locations.Space/Sector 01"},
        {1, 1, 2, 1, "Data/Locations.Space/Sector 02"},
        {2, 11, 12, 1, "Data/Locations.Space/Sector 12"},
        {1, 21, 21, 1, "Data/Locations.Space/Single 01"},
        {1, 32, 32, 1, "Data/Locations.Space/Single 12"},
        {1, 41, 41, 1, "Data/Locations.Space/Multiplayer 01"},
        {1, 52, 52, 1, "Data/Locations.Space/Multiplayer 12"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::to_string(s.kind) + " / " + std::to_string(s.id));
        int id = 0, kind = 0, campaign = 0;
        char folder[256] = {};
        ASSERT_TRUE(NextLocationOf(s.kind, s.id, &id, &kind, folder, sizeof folder, &campaign));
        EXPECT_EQ(id, s.newId);
        EXPECT_EQ(kind, s.newKind);
        EXPECT_STREQ(folder, s.folder);
        EXPECT_EQ(campaign, s.id == -1 && s.kind != 0 ? 1 : 0);
    }
    // Combinations the table does not list load nothing.
    for (auto [kind, id] : std::vector<std::pair<int, int>>{{1, 12}, {0, 200}, {0, 1}, {1, 110}, {1, 33}, {3, -1}, {1, 53}}) {
        int a = 0, b = 0, c = 0;
        char folder[256] = {};
        EXPECT_FALSE(NextLocationOf(kind, id, &a, &b, folder, sizeof folder, &c)) << kind << " " << id;
    }
}

class DirectorTest : public LocationTest {
protected:
    void SetUp() override
    {
        LocationTest::SetUp();
        savedDirector_ = g_LocationDirector;
        g_LocationDirector.Init();
        g_LocationFinished = 0;
        g_GameMenuActive = 0;
        g_KeySpace = 0;
        g_KeyEsc = 0;
        g_GameMode = 1;
        // Every location of the chain: planets empty, spaces with a hero ship.
        const std::string planet = PlanetLoc(1, "080 080 090", {});
        for (const char* p : {"Intro 01", "Intro 02"}) WriteFile(std::string("Data/Locations.Planet/") + p + "/Main.loc", planet);
        WriteFile("Data/Locations.Planet/Inside/Main.loc", planet);
        const std::string space = BasicScene().Text();
        for (const char* s : {"Intro 01", "Intro 02", "GameMenu", "Sector 01", "Sector 12", "Single 03", "Multiplayer 02"})
            WriteFile(std::string("Data/Locations.Space/") + s + "/Main.loc", space);
    }
    void TearDown() override
    {
        g_LocationDirector.EndLocation();
        g_LocationDirector = savedDirector_;
        g_LocationFinished = 0;
        g_KeySpace = 0;
        g_KeyEsc = 0;
        LocationTest::TearDown();
    }
    // One director frame after the clock moved on by ms of game time.
    void FrameAfter(double ms)
    {
        g_GameClock.gameTime += ms;
        g_GameClock.frameSeconds = 0.016f;
        g_LocationDirector.Frame();
    }
    CLocationDirector savedDirector_;
};

TEST_F(DirectorTest, PlanetStartRunsTheIntrosIntoTheCampaign)
{
    g_LocationKind = 0;
    ASSERT_EQ(g_LocationDirector.LoadNextLocation(), 1);
    EXPECT_EQ(g_LocationDirector.locationId, 110);
    EXPECT_EQ(g_WorldIndex, 0);
    EXPECT_EQ(g_LocationDirector.locationStarted, 1);
    const int expected[] = {200, 111, 201, 1};
    for (int id : expected) {
        g_LocationDirector.EndLocation();
        EXPECT_EQ(g_LocationDirector.locationStarted, 0);
        ASSERT_EQ(g_LocationDirector.LoadNextLocation(), 1) << id;
        EXPECT_EQ(g_LocationDirector.locationId, id);
        EXPECT_EQ(g_LocationKind, id == 111 ? 0 : 1);
        EXPECT_EQ(g_WorldIndex, g_LocationKind);
    }
    EXPECT_EQ(g_LocationFinished, 0);
}

TEST_F(DirectorTest, SpaceStartBeginsTheCampaign)
{
    g_LocationKind = 1;
    g_GameMode = -1;
    ASSERT_EQ(g_LocationDirector.LoadNextLocation(), 1);
    EXPECT_EQ(g_LocationDirector.locationId, 200);
    EXPECT_EQ(g_GameMode, 1);
    ASSERT_NE(g_PlayerObject, nullptr);
    EXPECT_EQ(g_PlayerObject->kind, GTYPE_SP_HEROSHIP);
}

TEST_F(DirectorTest, SectorTwelveLoadsNothingAndEndsTheLocation)
{
    g_LocationKind = 1;
    g_LocationDirector.locationId = 11;
    ASSERT_EQ(g_LocationDirector.LoadNextLocation(), 1);
    EXPECT_EQ(g_LocationDirector.locationId, 12);
    g_LocationDirector.EndLocation();
    EXPECT_EQ(g_LocationDirector.LoadNextLocation(), 0);
    EXPECT_EQ(g_LocationDirector.locationId, 12);
    EXPECT_EQ(CObjectList::Count(), 0);
    // An empty world must not run: back to the menu.
    EXPECT_EQ(g_LocationFinished, 1);
}

TEST_F(DirectorTest, SinglesAndMapsReloadThemselves)
{
    g_LocationKind = 1;
    for (int id : {23, 42}) {
        g_LocationDirector.locationId = id;
        for (int round = 0; round < 2; ++round) {
            ASSERT_EQ(g_LocationDirector.LoadNextLocation(), 1);
            EXPECT_EQ(g_LocationDirector.locationId, id);
            EXPECT_EQ(CObjectList::Count(), 4);
            g_LocationDirector.EndLocation();
        }
    }
}

TEST_F(DirectorTest, MissingLocationFileGoesBackToTheMenu)
{
    g_LocationKind = 1;
    g_LocationDirector.locationId = 5;   // no Sector 06 in this directory
    EXPECT_EQ(g_LocationDirector.LoadNextLocation(), 0);
    EXPECT_EQ(g_LocationDirector.locationId, 6);
    EXPECT_EQ(g_LocationFinished, 1);
    EXPECT_EQ(g_LocationLoad.opened, 0);
}

TEST_F(DirectorTest, MissingPlayerShipGoesBackToTheMenu)
{
    SpaceLoc loc;
    loc.Light(255, 255, 255).Object(1, "Data/U/Sky/Main.obj", "", 0, 0, 0);
    WriteFile("Data/Locations.Space/Sector 01/Main.loc", loc.Text());
    g_LocationKind = 1;
    g_LocationDirector.locationId = 201;
    EXPECT_EQ(g_LocationDirector.LoadNextLocation(), 0);
    EXPECT_EQ(g_LocationLoad.playerMissing, 1);
    EXPECT_EQ(g_PlayerObject, nullptr);
    EXPECT_EQ(g_LocationFinished, 1);
}

TEST_F(DirectorTest, IntroSkipAdvancesAfterTwoSecondsOfGameTime)
{
    g_LocationKind = 1;
    ASSERT_EQ(g_LocationDirector.LoadNextLocation(), 1);
    ASSERT_EQ(g_LocationDirector.locationId, 200);
    FrameAfter(16);
    EXPECT_NE(g_LocationDirector.startTime, 0u);
    EXPECT_EQ(g_World.Camera().fadeMode, 0);   // the first frame fades in
    g_KeySpace = 1;
    FrameAfter(16);
    ASSERT_EQ(g_LocationDirector.skipRequested, 1);
    const uint32_t skipTime = g_LocationDirector.skipTime;
    EXPECT_EQ(g_World.Camera().fadeMode, 1);
    FrameAfter(1000);
    // Held keys do not restart the skip.
    EXPECT_EQ(g_LocationDirector.skipTime, skipTime);
    g_KeySpace = 0;
    FrameAfter(990);
    EXPECT_EQ(g_LocationDirector.locationId, 200);
    FrameAfter(20);
    EXPECT_EQ(g_LocationDirector.locationId, 111);
    EXPECT_EQ(g_WorldIndex, 0);
    EXPECT_EQ(g_LocationDirector.skipRequested, 0);
    EXPECT_EQ(g_LocationDirector.advanceRequested, 0);
}

TEST_F(DirectorTest, PauseHoldsTheSkip)
{
    g_LocationKind = 1;
    ASSERT_EQ(g_LocationDirector.LoadNextLocation(), 1);
    g_KeyEsc = 1;
    FrameAfter(16);
    g_KeyEsc = 0;
    ASSERT_EQ(g_LocationDirector.skipRequested, 1);
    // Paused: the clock gives no frame time and no game time.
    g_GameClock.Pause();
    for (int i = 0; i < 10; ++i) {
        g_GameClock.TickAt(g_GameClock.lastTick + 500);
        g_LocationDirector.Frame();
    }
    EXPECT_EQ(g_LocationDirector.locationId, 200);
    g_GameClock.Resume();
    FrameAfter(1000);
    EXPECT_EQ(g_LocationDirector.locationId, 200);
    FrameAfter(1100);
    EXPECT_EQ(g_LocationDirector.locationId, 111);
}

TEST_F(DirectorTest, NoSkipOutsideIntrosOrUnderTheMenu)
{
    g_LocationKind = 1;
    g_LocationDirector.locationId = 100;
    ASSERT_EQ(g_LocationDirector.LoadNextLocation(), 1);
    g_KeySpace = 1;
    FrameAfter(16);
    EXPECT_EQ(g_LocationDirector.skipRequested, 0);
    g_LocationDirector.EndLocation();
    g_LocationDirector.locationId = 200;
    g_LocationKind = 0;
    g_LocationDirector.locationId = 110;
    ASSERT_EQ(g_LocationDirector.LoadNextLocation(), 1);
    ASSERT_EQ(g_LocationDirector.locationId, 200);
    g_GameMenuActive = 1;
    FrameAfter(16);
    EXPECT_EQ(g_LocationDirector.skipRequested, 0);
    g_GameMenuActive = 0;
    FrameAfter(16);
    EXPECT_EQ(g_LocationDirector.skipRequested, 1);
}

TEST_F(DirectorTest, EndLocationClearsThePerLocationFieldsOnly)
{
    g_LocationKind = 1;
    ASSERT_EQ(g_LocationDirector.LoadNextLocation(), 1);
    g_LocationDirector.questFlags[1] = 1;
    g_LocationDirector.SetSessionTotals(12.5f, 3, 40.0f);
    g_LocationDirector.missionOver = 1;
    g_LocationDirector.outDockingRequested = 1;
    FrameAfter(16);
    g_LocationDirector.skipRequested = 1;
    g_LocationDirector.EndLocation();
    EXPECT_EQ(g_LocationDirector.startTime, 0u);
    EXPECT_EQ(g_LocationDirector.missionOver, 0);
    EXPECT_EQ(g_LocationDirector.outDockingRequested, 0);
    EXPECT_EQ(g_LocationDirector.skipRequested, 0);
    EXPECT_EQ(g_LocationDirector.locationStarted, 0);
    EXPECT_EQ(g_LocationDirector.locationId, 200);
    EXPECT_EQ(g_LocationDirector.questFlags[1], 1);
    EXPECT_FLOAT_EQ(g_LocationDirector.sessionOre, 12.5f);
    EXPECT_EQ(g_LocationDirector.sessionKills, 3);
    EXPECT_EQ(CObjectList::Count(), 0);
}

TEST_F(DirectorTest, LocationTextsOnlyForTheirLocations)
{
    ClearLanguageData();
    g_WorldIndex = 1;
    g_LocationDirector.locationId = 201;
    g_LocationDirector.ShowLocationText(3);
    EXPECT_EQ(CSubtitles::shown, 1);
    EXPECT_EQ(CSubtitles::topColour, 0xC896FAu);
    EXPECT_EQ(CSubtitles::bottomColour, 0x9600C8u);
    EXPECT_FLOAT_EQ(CSubtitles::delay, 3.0f);
    EXPECT_FLOAT_EQ(CSubtitles::hold, 3.0f);
    CSubtitles::Clear();
    g_LocationDirector.ShowLocationText(5);   // belongs to sector 1
    g_LocationDirector.locationId = 9;
    g_LocationDirector.ShowLocationText(8);   // belongs to sector 12
    EXPECT_EQ(CSubtitles::shown, 0);
    g_LocationDirector.ShowLocationText(7);
    EXPECT_EQ(CSubtitles::shown, 1);
    CSubtitles::Clear();
    g_WorldIndex = 0;
    g_LocationDirector.locationId = 110;
    g_LocationDirector.ShowLocationText(0);
    EXPECT_EQ(CSubtitles::shown, 1);
    EXPECT_FLOAT_EQ(CSubtitles::delay, 1.0f);
    CSubtitles::Clear();
    g_LocationDirector.ShowLocationText(1);
    EXPECT_EQ(CSubtitles::shown, 0);
}

TEST_F(DirectorTest, MusicChecksEveryTwoSecondsAndNeedsAPlayer)
{
    g_LocationKind = 1;
    ASSERT_EQ(g_LocationDirector.LoadNextLocation(), 1);
    CMusicPlayer& music = g_AudioManager.musicPlayer;
    music.kind = 1;
    music.requestedKind = -1;
    music.requestTime = (uint32_t)g_GameClock.gameTime;
    FrameAfter(11000);
    // No hostile round the player and the battle piece is old: calm is asked for.
    EXPECT_EQ(music.requestedKind, 0);
    const uint32_t checked = g_LocationDirector.musicCheckTime;
    music.requestedKind = -1;
    FrameAfter(1000);
    EXPECT_EQ(g_LocationDirector.musicCheckTime, checked);
    EXPECT_EQ(music.requestedKind, -1);
    // Without a player nothing is asked for.
    CUnit* player = g_PlayerObject;
    g_PlayerObject = nullptr;
    FrameAfter(3000);
    EXPECT_NE(g_LocationDirector.musicCheckTime, checked);
    EXPECT_EQ(music.requestedKind, -1);
    g_PlayerObject = player;
    music.kind = 0;
}

TEST_F(DirectorTest, MercenaryOrderBookOfTheHeroStation)
{
    g_LocationKind = 1;
    g_LocationDirector.locationId = 201;
    ASSERT_EQ(g_LocationDirector.LoadNextLocation(), 1);   // sector 1, station 1000 present
    ASSERT_NE(g_HeroStation, nullptr);
    EXPECT_EQ(g_LocationDirector.ordersAvailable, kMaxDocked);
    EXPECT_EQ(g_LocationDirector.nextMercenaryId, 200);
    EXPECT_EQ(g_LocationDirector.OrderMercenary("Data/U/Ship/Main.obj"), kMaxDocked - 1);
    EXPECT_STREQ(g_LocationDirector.orderModels[0], "Data/U/Ship/Main.obj");
    EXPECT_NE(g_LocationDirector.orderTimes[0], 0xFFFFFFFFu);
    EXPECT_EQ(g_LocationDirector.orderTimes[1], 0xFFFFFFFFu);
    g_LocationDirector.ordersAvailable = 0;
    EXPECT_EQ(g_LocationDirector.OrderMercenary("Data/U/Ship/Main.obj"), 0);
    EXPECT_EQ(g_LocationDirector.orderTimes[1], 0xFFFFFFFFu);
}

} // namespace
