// The world container: light slots, location-kind switches, and frames of full worlds
// through the null device.
#include <gtest/gtest.h>

#include "app/winmain.h"
#include "locations/location_director.h"
#include "menus/station_menu.h"
#include "platform/gfx/null_device.h"
#include "platform/win/timer.h"
#include "render/d3d_render.h"
#include "world/game_clock.h"
#include "world/world_test_util.h"

namespace {

class WorldTest : public WorldFixture {
protected:
    NullGfxDevice* dev = nullptr;
    GfxDevice* oldDevice = nullptr;
    int oldFocus = 0, oldActive = 0;

    void SetUp() override
    {
        WorldFixture::SetUp();
        D3DPRESENT_PARAMETERS p;
        p.BackBufferWidth = 800;
        p.BackBufferHeight = 600;
        p.Windowed = 1;
        dev = new NullGfxDevice(p);
        oldDevice = g_D3DRender.device;
        g_D3DRender.device = dev;
        g_D3DRender.deviceLost = 0;
        oldFocus = g_HasFocus;
        oldActive = g_AppActive;
        g_HasFocus = 1;
        g_AppActive = 1;
        g_World.ClearLightSlots();
        g_GameClock.Reset();
    }
    void TearDown() override
    {
        g_World.ReleaseLights();
        WorldFixture::TearDown();
        g_D3DRender.device = oldDevice;
        g_D3DRender.deviceLost = 0;
        dev->Release();
        g_HasFocus = oldFocus;
        g_AppActive = oldActive;
        g_StationMenuActive = 0;
    }
    // One frame with 16 ms of real time behind it.
    void RunFrame()
    {
        g_GameClock.lastTick = timeGetTime() - 16;
        g_World.Frame();
    }
    // A space world whose station holds the player's ship.
    CUnit* station = nullptr;
    CUnit* hero = nullptr;
    void SpaceWithDockedHero()
    {
        SpaceWithSky();
        station = Ship(Vec3(), 1, GTYPE_SP_STATION);
        hero = Ship(Vec3(), 1, GTYPE_SP_HEROSHIP);
        station->dockedUnits[0] = hero;
        station->dockedCount = 1;
        ASSERT_TRUE(CObjectList::Add(station));
    }
    int ListedTimes(const CUnit* u)
    {
        int n = 0;
        for (uint32_t i = 0; i < CObjectList::unitCount[1]; ++i) n += CObjectList::units[1][i] == u;
        return n;
    }
};

}  // namespace

TEST_F(WorldTest, LightSlotsAreSharedBetweenWorlds)
{
    D3DLIGHT9 point;
    D3DLIGHT9 sun;
    sun.Type = D3DLIGHT_DIRECTIONAL;
    g_WorldIndex = 1;
    EXPECT_EQ(g_World.AddLight(&point, nullptr), 0);
    EXPECT_EQ(g_World.AddLight(&sun, nullptr), 1);
    EXPECT_EQ(g_World.FindLightOfKind4(), 1);
    g_WorldIndex = 0;
    // Slots taken in space are not free for the planet world either.
    EXPECT_EQ(g_World.FindFreeLightSlot(), 2);
    EXPECT_EQ(g_World.FindLightOfKind4(), -1);
    for (int i = 2; i < kLightSlots; ++i) EXPECT_EQ(g_World.AddLight(&point, nullptr), i);
    EXPECT_EQ(g_World.AddLight(&point, nullptr), -1);
    EXPECT_EQ(dev->Count("LightEnable 5 1"), 1u);

    g_World.FreeLight(5);
    EXPECT_EQ(dev->Count("LightEnable 5 0"), 1u);
    EXPECT_EQ(g_World.FindFreeLightSlot(), 5);
    g_World.ReleaseWorldLights();  // the planet's only
    EXPECT_EQ(g_World.FindFreeLightSlot(), 2);
    g_World.ReleaseLights();
    EXPECT_EQ(g_World.FindFreeLightSlot(), 0);
}

TEST_F(WorldTest, LightsSkipTheDeviceWhileItIsLost)
{
    D3DLIGHT9 point;
    g_D3DRender.deviceLost = 1;
    dev->ClearCalls();
    EXPECT_EQ(g_World.AddLight(&point, nullptr), 0);
    g_World.EnableLights();
    g_World.DisableAllLights();
    g_World.FreeLight(0);
    EXPECT_EQ(dev->Count("LightEnable"), 0u);
    EXPECT_EQ(g_World.FindFreeLightSlot(), 0);
}

TEST_F(WorldTest, LightListAndPosition)
{
    D3DLIGHT9 point;
    g_WorldIndex = 1;
    const int slot = g_World.AddLight(&point, nullptr);
    g_World.lightList[1][0] = slot;
    g_World.lightListCount[1] = 1;
    g_World.SetLightPosition(Vec3(1, 2, 3));
    ASSERT_NE(g_World.GetLight(0), nullptr);
    EXPECT_EQ(g_World.GetLight(0)->light.Position.y, 2.0f);
    EXPECT_EQ(g_World.GetLight(1), nullptr);
    dev->ClearCalls();
    g_World.DisableLightList();
    EXPECT_EQ(dev->Count("LightEnable 0 0"), 1u);
    g_World.ResetForLocation();
    EXPECT_EQ(g_World.lightListCount[1], 0);
    EXPECT_EQ(g_World.FindFreeLightSlot(), 0);
}

TEST_F(WorldTest, KindSwitchesKeepThePlayersShipListedOnce)
{
    SpaceWithDockedHero();
    g_LocationKind = 1;
    g_MissionResult = 1;
    for (int round = 0; round < 2; ++round) {
        g_World.RequestLocationKind(2, "Data/Locations.Planet/Interior");
        EXPECT_EQ(g_PendingLocationKind, 2);
        g_LocationDirector.startTime = 5000;
        g_World.SwitchLocationKind();
        EXPECT_EQ(g_LocationDirector.startTime, 0u);   // every change of world fades in
        EXPECT_EQ(g_LocationKind, 2);
        EXPECT_EQ(g_WorldIndex, 0);
        EXPECT_EQ(g_PendingLocationKind, -1);
        EXPECT_STREQ(g_World.locationFolder, "Data/Locations.Planet/Interior");

        g_World.RequestLocationKind(1, "");
        g_LocationDirector.startTime = 5000;
        g_World.SwitchLocationKind();
        EXPECT_EQ(g_LocationDirector.startTime, 0u);
        EXPECT_EQ(g_LocationKind, 1);
        EXPECT_EQ(g_WorldIndex, 1);
        EXPECT_EQ(ListedTimes(hero), 1);
        EXPECT_EQ(g_PlayerObject, hero);
        EXPECT_EQ(hero->scriptStep, 100);
        EXPECT_EQ(hero->timers[0], g_GameClock.NowMs());
    }
    // The end of the location frees the station and its ship once.
    g_World.UnloadLocation();
    EXPECT_EQ(CObjectList::unitCount[1], 0u);
    EXPECT_EQ(g_PlayerObject, nullptr);
}

TEST_F(WorldTest, DefeatSkipsTheLaunch)
{
    SpaceWithDockedHero();
    g_LocationKind = 2;
    g_MissionResult = 0;
    g_World.RequestLocationKind(1, "");
    g_World.SwitchLocationKind();
    EXPECT_EQ(hero->scriptStep, 0);
    g_MissionResult = -1;
}

TEST_F(WorldTest, NoSpaceWithoutADockedShip)
{
    SpaceWithSky();
    g_LocationKind = 2;
    g_World.RequestLocationKind(1, "");
    g_World.SwitchLocationKind();
    EXPECT_EQ(g_LocationKind, 2);
    EXPECT_EQ(g_PendingLocationKind, -1);
}

TEST_F(WorldTest, LeavingThePlanetWorldDestroysItsObjects)
{
    g_WorldIndex = 0;
    g_LocationKind = 0;
    CObjectList::Add(MakeUnit(GCLASS_LANDSCAPE, GTYPE_STATIC, Vec3()));
    CObjectList::Add(MakeUnit(GCLASS_CHARACTER_HERO, GTYPE_NPC, Vec3()));
    CObjectList::nextId = 6000;
    g_World.RequestLocationKind(2, "Data/Locations.Planet/Other");
    RunFrame();  // applied at the start of the frame
    EXPECT_EQ(g_LocationKind, 2);
    EXPECT_EQ(CObjectList::unitCount[0], 0u);
    EXPECT_EQ(CObjectList::NextId(), 5000);
}

TEST_F(WorldTest, FrameDrawsThePlanetOverSpaceInKindTwo)
{
    SpaceWithSky();
    CBullet* b = MakeBullet(Vec3());
    CObjectList::AddBullet(b);
    g_LocationKind = 2;
    dev->ClearCalls();
    const unsigned presents = dev->presents;
    RunFrame();
    EXPECT_EQ(dev->Count("BeginScene"), 2u);
    EXPECT_EQ(dev->presents, presents + 1);
    EXPECT_EQ(b->lastUpdateTime, g_GameClock.NowMs());  // space keeps moving
    EXPECT_EQ(g_WorldIndex, 0);
}

TEST_F(WorldTest, StationMenuHidesSpace)
{
    g_LocationKind = 2;
    g_StationMenuActive = 1;
    dev->ClearCalls();
    RunFrame();
    EXPECT_EQ(dev->Count("BeginScene"), 2u);
    // Only the planet pass sets the culling; the space pass draws nothing.
    EXPECT_EQ(dev->Count("SetRenderState 22 1"), 1u);
}

TEST_F(WorldTest, LostDeviceOnlyPresents)
{
    g_LocationKind = 1;
    g_D3DRender.deviceLost = 1;
    dev->ClearCalls();
    RunFrame();
    EXPECT_EQ(dev->Count("BeginScene"), 0u);
    EXPECT_EQ(dev->Count("Clear"), 0u);
}

TEST_F(WorldTest, FrameWithoutRealTimeDoesNothing)
{
    g_LocationKind = 1;
    for (int attempt = 0; attempt < 20; ++attempt) {
        dev->ClearCalls();
        const unsigned presents = dev->presents;
        g_GameClock.lastTick = timeGetTime();
        g_World.Frame();
        if (g_GameClock.realFrameSeconds != 0.0f) continue;  // the millisecond turned over
        EXPECT_EQ(dev->presents, presents);
        EXPECT_EQ(dev->Count("BeginScene"), 0u);
        return;
    }
    GTEST_SKIP() << "the millisecond always turned over";
}

TEST_F(WorldTest, FullSpaceWorldRunsFrames)
{
    SpaceWithSky();
    for (int i = 1; i < kMaxUnits; ++i) {
        CUnit* u = Ship(Vec3(float(i % 32) * 50.0f, float(i / 32) * 50.0f, 300.0f), i % 4);
        u->pilot.objectId = CObjectList::NextId();
        ASSERT_TRUE(CObjectList::Add(u));
    }
    for (int i = 0; i < kMaxBullets; ++i) ASSERT_TRUE(CObjectList::AddBullet(MakeBullet(Vec3(float(i), 0, 100))));
    for (int i = 0; i < kMaxEffects; ++i) ASSERT_TRUE(CObjectList::AddEffect(MakeEffect(Vec3(0, float(i), 100))));
    g_LocationKind = 1;
    g_World.cameras[1].SetMatrices(Vec3(0, 0, -100), Vec3(0, 0, 0), Vec3(0, 1, 0));
    const unsigned presents = dev->presents;
    for (int f = 0; f < 5; ++f) RunFrame();
    EXPECT_EQ(dev->presents, presents + 5);
    EXPECT_EQ(CObjectList::Count(), kMaxUnits);
    EXPECT_EQ(CObjectList::CountBullets(), kMaxBullets);
    EXPECT_EQ(CObjectList::CountEffects(), kMaxEffects);
    // Half the ships die between frames; their neighbours are updated and nothing dangles.
    for (int i = 1; i < kMaxUnits; i += 2) {
        CUnit* u = CObjectList::units[1][i];
        u->hull = 0.0f;
        CObjectList::units[1][i + 1 < kMaxUnits ? i + 1 : 1]->target = u;
    }
    RunFrame();
    EXPECT_EQ(CObjectList::Count(), kMaxUnits / 2);
    for (uint32_t i = 0; i < CObjectList::unitCount[1]; ++i) EXPECT_EQ(CObjectList::units[1][i]->target, nullptr);
    g_World.UnloadLocation();
    EXPECT_EQ(CObjectList::CountAll(), 0);
}
