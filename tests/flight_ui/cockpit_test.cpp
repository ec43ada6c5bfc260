// The cockpit's rules on the null device: the incoming-missile search and its silence
// rules, the radar's projection, the pointer's picking, and panels that never look into
// a unit that left the world.
#include <gtest/gtest.h>

#include <cmath>

#include "../world/draw_test_util.h"
#include "../world/flight_test_util.h"
#include "flight_ui/cockpit.h"
#include "flight_ui/cursor.h"
#include "flight_ui/game_interface.h"
#include "flight_ui/radar.h"
#include "flight_ui/target_screen.h"
#include "world/object_list.h"
#include "world/objects/bullet.h"
#include "world/objects/object_codes.h"

namespace {

// The space world's lists hold what a test puts in them, and are emptied afterwards.
class CockpitTest : public FlightFixture {
protected:
    CUnit player;
    CBullet missile;
    void SetUp() override
    {
        FlightFixture::SetUp();
        MakeShip(player, GTYPE_SP_HEROSHIP, Vec3(0, 0, 0));
        g_PlayerObject = &player;
        missile.kind = GTYPE_MISSL_WEAPON;
        missile.alive = 1.0f;
        missile.target = &player;
        missile.remainingFlightTime = 5.0f;
        missile.position = Vec3(0, 0, 250);
        g_World.cameras[1].cinematicView = 0;
        g_Cockpit.incomingMissile = nullptr;
        g_Cockpit.lastWarning = 0;
    }
    void TearDown() override
    {
        for (int w = 0; w < 2; ++w) CObjectList::unitCount[w] = CObjectList::bulletCount[w] = 0;
        g_Cockpit.incomingMissile = nullptr;
        g_TargetScreen.target = g_SystemScreen.target = nullptr;
        g_TargetScreen.marker.target = nullptr;
        g_World.cameras[1].cinematicView = 0;
        FlightFixture::TearDown();
    }
    void ListMissile()
    {
        CObjectList::bullets[1][0] = &missile;
        CObjectList::bulletCount[1] = 1;
    }
    // Game time at the given offset into a two-second search window.
    static void At(uint32_t msIntoWindow, uint32_t window = 50) { g_GameClock.gameTime = window * 2000.0 + msIntoWindow; }
};

TEST_F(CockpitTest, MissileSearchBeepsFasterWhenCloseAndFallsSilent)
{
    ListMissile();
    // Outside the search window nothing is found.
    At(500);
    g_Cockpit.Update();
    EXPECT_EQ(g_Cockpit.incomingMissile, nullptr);
    // In the window it is found and beeps at once.
    At(50);
    g_Cockpit.Update();
    ASSERT_EQ(g_Cockpit.incomingMissile, &missile);
    const uint32_t first = g_Cockpit.lastWarning;
    EXPECT_EQ(first, g_GameClock.NowMs());
    // 250 units away: a beep every 0.6 s.
    struct Step {
        uint32_t ms;
        bool beeps;
    } steps[] = {{550, false}, {700, true}, {1200, false}, {1350, true}};
    for (const Step& s : steps) {
        At(s.ms);
        const uint32_t before = g_Cockpit.lastWarning;
        g_Cockpit.Update();
        EXPECT_EQ(g_Cockpit.lastWarning != before, s.beeps) << "at " << s.ms << " ms";
    }
    // A missile that ended is forgotten.
    missile.remainingFlightTime = 0.0f;
    At(1500);
    g_Cockpit.Update();
    EXPECT_EQ(g_Cockpit.incomingMissile, nullptr);
}

TEST_F(CockpitTest, OutsideViewDockingAndARemovedMissileSilenceTheWarning)
{
    ListMissile();
    At(50);
    g_Cockpit.Update();
    ASSERT_EQ(g_Cockpit.incomingMissile, &missile);
    // The outside view forgets it at once and does not search.
    g_World.cameras[1].cinematicView = 1;
    At(60, 51);
    g_Cockpit.Update();
    EXPECT_EQ(g_Cockpit.incomingMissile, nullptr);
    g_World.cameras[1].cinematicView = 0;

    // Docked in a two-world location the cockpit stops before the search.
    g_LocationKind = 2;
    At(60, 52);
    g_Cockpit.Update();
    EXPECT_EQ(g_Cockpit.incomingMissile, nullptr);
    g_LocationKind = 1;

    // Found, then taken out of the world between two searches: never looked into again.
    At(60, 53);
    g_Cockpit.Update();
    ASSERT_EQ(g_Cockpit.incomingMissile, &missile);
    CObjectList::bulletCount[1] = 0;
    At(900, 53);
    g_Cockpit.Update();
    EXPECT_EQ(g_Cockpit.incomingMissile, nullptr);
}

TEST_F(CockpitTest, SteeringMarkerAloneWhenNotTurningAndAWedgeTowardsTheTurn)
{
    GfxDevice* old = nullptr;
    NullGfxDevice* dev = InstallNullDevice(&old);
    g_D3DRender.width = 800.0f;
    g_D3DRender.height = 600.0f;
    g_Cockpit.overlayShown = 1;
    struct Case {
        float yaw, pitch;
        unsigned lines;
    } cases[] = {
        {0.0f, 0.0f, 0},
        // A full right turn: lines every 3 units over the marker's half size (140) less 3.
        {0.075f, 0.0f, 2 * 46},
        {-0.075f, 0.0f, 2 * 46},
        {0.0f, 0.0375f, 2 * 23},
    };
    for (const Case& c : cases) {
        g_YawRate = c.yaw;
        g_PitchRate = c.pitch;
        dev->ClearCalls();
        g_Cockpit.DrawOverlay();
        EXPECT_EQ(dev->Count("DrawPrimitiveUP 5 2"), 1u) << "the marker sprite, one strip";
        EXPECT_EQ(dev->Count("DrawPrimitiveUP 2 1"), c.lines) << "yaw " << c.yaw << " pitch " << c.pitch;
    }
    // Nothing at all in the outside view.
    g_World.cameras[1].cinematicView = 1;
    dev->ClearCalls();
    g_Cockpit.DrawOverlay();
    EXPECT_EQ(dev->Count("DrawPrimitiveUP"), 0u);
    g_YawRate = g_PitchRate = 0.0f;
    RestoreDevice(dev, old);
}

TEST(RadarProjection, KnownPositions)
{
    // Radar of radius 100 round (128, 128), comm range 1000, zoom 1.
    const float cx = 128.0f, cy = 128.0f, R = 100.0f, range = 1000.0f;
    struct Case {
        Vec3 local;
        float expectX, expectY0, expectY;
    };
    const float kHalf = std::tan(0.5f * 1.5f) + 1.0f;  // spread at half the range
    const Case cases[] = {
        // Dead ahead at half range: straight up from the centre, spread out by k.
        {Vec3(0, 0, 500), cx, cy - kHalf * 50.0f, cy - kHalf * 50.0f},
        // To the right, same distance.
        {Vec3(500, 0, 0), cx + kHalf * 50.0f, cy, cy},
        // Behind.
        {Vec3(0, 0, -500), cx, cy + kHalf * 50.0f, cy + kHalf * 50.0f},
        // Height lifts the blip off its ground point without the spread.
        {Vec3(0, 300, 400), cx, cy - kHalf * 40.0f, cy - kHalf * 40.0f - 30.0f},
    };
    for (const Case& c : cases) {
        const RadarBlip b = RadarProject(c.local, Vec3Length(c.local), range, 1.0f, cx, cy, R);
        EXPECT_NEAR(b.x, c.expectX, 0.01f);
        EXPECT_NEAR(b.y0, c.expectY0, 0.01f);
        EXPECT_NEAR(b.y, c.expectY, 0.01f);
    }
    // At the edge of the range a unit sits at R from the centre; near ones spread further.
    EXPECT_NEAR(RadarProject(Vec3(0, 0, 1000), 1000.0f, range, 1.0f, cx, cy, R).y0, cy - R, 0.01f);
    EXPECT_LT(RadarProject(Vec3(0, 0, 100), 100.0f, range, 2.0f, cx, cy, R).y0,
              RadarProject(Vec3(0, 0, 100), 100.0f, range, 1.0f, cx, cy, R).y0);
    // No comm range: everything at the centre.
    const RadarBlip none = RadarProject(Vec3(10, 10, 10), 17.0f, 0.0f, 1.0f, cx, cy, R);
    EXPECT_EQ(none.x, cx);
    EXPECT_EQ(none.y, cy);
}

TEST_F(CockpitTest, ScreensDropATargetThatLeftTheWorld)
{
    GfxDevice* old = nullptr;
    NullGfxDevice* dev = InstallNullDevice(&old);
    GfxTexture* texture = nullptr;
    ASSERT_EQ(dev->CreateTexture(256, 256, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &texture), D3D_OK);
    CTargetScreen& s = g_TargetScreen;
    const CPanelTarget saved = s.panel;
    s.panel.texture = texture;
    s.panel.width = s.panel.height = 256;
    const int frames = g_D3DRender.framesPresented;
    g_D3DRender.framesPresented = 3;

    CObjectList::units[1][0] = &player;
    CObjectList::unitCount[1] = 1;
    CUnit* gone = new CUnit();
    s.target = gone;
    s.marker.target = gone;
    delete gone;  // taken out of the world between two frames
    s.Draw();
    EXPECT_EQ(s.target, nullptr);
    g_TargetScreen.marker.DrawBracket(s.marker.target);
    g_TargetScreen.marker.DrawLead();

    s.panel = saved;
    texture->Release();
    g_D3DRender.framesPresented = frames;
    RestoreDevice(dev, old);
}

TEST_F(CockpitTest, PointerPicksTheUnitUnderItAndNamesItAfterHalfASecond)
{
    GfxDevice* old = nullptr;
    NullGfxDevice* dev = InstallNullDevice(&old);
    CMesh* mesh = BoxMesh(2.0f);
    ASSERT_NE(mesh, nullptr);
    g_WorldIndex = 0;
    g_PointerShown = 1;
    CCamera& camera = g_World.cameras[0];
    const CCamera savedCamera = camera;
    camera.Init(Vec3(0, 0, 0), Vec3(0, 0, 1), 800.0f / 600.0f, 1.0f, 1000.0f);
    camera.SetMatrices(Vec3(0, 0, 0), Vec3(0, 0, 1), Vec3(0, 1, 0));

    CUnit ground, person;
    ground.objectClass = GCLASS_LANDSCAPE;
    person.objectClass = GCLASS_CHARACTER_NPC;
    person.meshes[0] = mesh;
    person.meshCount = 1;
    person.position = Vec3(0, 0, 20);
    person.worldMatrix = person.drawMatrix = MatrixTranslation(0, 0, 20);
    person.UpdateBounds();
    std::snprintf(person.displayName, sizeof person.displayName, "Ivan");
    CObjectList::units[0][0] = &ground;
    CObjectList::units[0][1] = &person;
    CObjectList::unitCount[0] = 2;
    g_DialogBox.hoveredOwner = nullptr;

    struct Step {
        float x;
        double ms;
        int state;
        bool named;
    } steps[] = {
        {400.0f, 0.0, CURSOR_PERSON, false},    // under the pointer
        {400.0f, 400.0, CURSOR_PERSON, false},  // 0.4 s: not yet named
        {20.0f, 100.0, CURSOR_NOTHING, false},  // moved away: ground without a grid
        {400.0f, 100.0, CURSOR_PERSON, false},  // back: the hover starts again
        {400.0f, 600.0, CURSOR_PERSON, true},   // 0.6 s on it: named
    };
    for (const Step& s : steps) {
        g_GameClock.gameTime += s.ms;
        g_MouseX = s.x;
        g_MouseY = 300.0f;
        CCursor::Update();
        EXPECT_EQ(CCursor::state, s.state) << "pointer at " << s.x;
        EXPECT_EQ(g_DialogBox.hoveredOwner == &person, s.named);
    }
    EXPECT_EQ(CCursor::hoveredUnit, &person);
    // The player's own character is nothing to act on.
    g_PlayerObject = &person;
    CCursor::Update();
    EXPECT_EQ(CCursor::state, CURSOR_NOTHING);

    person.meshes[0] = nullptr;
    person.meshCount = 0;
    g_DialogBox.hoveredOwner = nullptr;
    CCursor::hoveredUnit = nullptr;
    g_PointerShown = 0;
    camera = savedCamera;
    delete mesh;
    RestoreDevice(dev, old);
}

} // namespace
