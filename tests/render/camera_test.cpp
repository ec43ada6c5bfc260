#include <gtest/gtest.h>

#include <cmath>

#include "audio/audio_manager.h"
#include "capture_device.h"
#include "../../tools/datagen/models/mesh_builder.h"
#include "render/mesh.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/world.h"
#include "render/camera.h"
#include "world/objects/game_object.h"

namespace {

// A camera at the origin looking down +z, as the location loader sets one up.
void Aim(CCamera& cam, const Vec3& eye = Vec3(0, 0, 0), const Vec3& at = Vec3(0, 0, 100))
{
    cam.SetProjection(3.14159265f / 4.0f, 4.0f / 3.0f, 5000.0f, 1.0f);
    SetViewport800x600(0, 0, 800, 600);
    cam.SetMatrices(eye, at, Vec3(0, 1, 0));
}

} // namespace

TEST(Camera, ProjectionIsLeftHandedPerspective)
{
    CaptureScope s;
    CCamera cam;
    Aim(cam);
    const float ys = 1.0f / std::tan(3.14159265f / 8.0f);
    EXPECT_NEAR(cam.projection.m[1][1], ys, 1e-5f);
    EXPECT_NEAR(cam.projection.m[0][0], ys / (4.0f / 3.0f), 1e-5f);
    EXPECT_NEAR(cam.projection.m[2][2], 5000.0f / 4999.0f, 1e-6f);
    EXPECT_NEAR(cam.projection.m[3][2], -5000.0f / 4999.0f, 1e-6f);
    EXPECT_FLOAT_EQ(cam.projection.m[2][3], 1.0f);
    Matrix onDevice;
    s.device->GetTransform(D3DTS_PROJECTION, &onDevice);
    EXPECT_FLOAT_EQ(onDevice.m[1][1], cam.projection.m[1][1]);
}

TEST(Camera, ViewportFromVirtualRectangle)
{
    CaptureScope s(1600.0f, 1200.0f);
    SetViewport800x600(10.5f, 20.0f, 400.0f, 300.0f);
    Viewport vp;
    s.device->GetViewport(&vp);
    EXPECT_EQ(vp.x, 21u);
    EXPECT_EQ(vp.y, 40u);
    EXPECT_EQ(vp.width, 779u);
    EXPECT_EQ(vp.height, 560u);
    EXPECT_FLOAT_EQ(vp.maxZ, 1.0f);
}

TEST(Camera, WorldToScreenRoundTripsAtBothResolutions)
{
    for (float width : {800.0f, 1600.0f}) {
        CaptureScope s(width, width * 0.75f);
        CCamera cam;
        Aim(cam, Vec3(10, 20, -30), Vec3(0, 0, 100));
        float x = 0, y = 0;
        ASSERT_TRUE(cam.WorldToScreen(&x, &y, Vec3(0, 0, 100)));
        EXPECT_NEAR(x, 400.0f, 0.01f);   // virtual units whatever the resolution
        EXPECT_NEAR(y, 300.0f, 0.01f);
        for (Vec3 p : {Vec3(25, -10, 200), Vec3(-40, 30, 80), Vec3(5, 5, 3000)}) {
            ASSERT_TRUE(cam.WorldToScreen(&x, &y, p)) << width;
            // Depth of the point, then back through ScreenToWorld.
            Viewport vp;
            s.device->GetViewport(&vp);
            Vec3 projected = Vec3Project(p, vp, cam.projection, cam.view, MatrixIdentity());
            Vec3 back = cam.ScreenToWorld(x, y, projected.z);
            EXPECT_NEAR(back.x, p.x, 0.05f + std::fabs(p.z) * 1e-4f) << width;
            EXPECT_NEAR(back.y, p.y, 0.05f + std::fabs(p.z) * 1e-4f) << width;
            EXPECT_NEAR(back.z, p.z, 0.05f + std::fabs(p.z) * 1e-3f) << width;
        }
        // Outside the viewport on the right and on the left.
        EXPECT_FALSE(cam.WorldToScreen(&x, &y, Vec3(500, 0, 100)));
        EXPECT_GT(x, 800.0f);
        EXPECT_FALSE(cam.WorldToScreen(&x, &y, Vec3(-500, 0, 100)));
        EXPECT_LT(x, 0.0f);
    }
}

TEST(Camera, PointBehindTheEyeIsNotOnScreen)
{
    CaptureScope s;
    CCamera cam;
    Aim(cam);
    float x, y;
    // Straight behind: it would project mirrored onto the screen centre.
    EXPECT_FALSE(cam.WorldToScreen(&x, &y, Vec3(0, 0, -100)));
    EXPECT_FALSE(cam.WorldToScreen(&x, &y, Vec3(10, -5, -1000)));
    EXPECT_FALSE(cam.IsPointVisible(Vec3(0, 0, -100), 1.0f));
    // Just behind the eye but large enough to reach into view.
    EXPECT_TRUE(cam.IsPointVisible(Vec3(0, 0, -1.0f), 10.0f));
    EXPECT_TRUE(cam.IsPointVisible(Vec3(0, 0, 50), 1.0f));
}

TEST(Camera, FadeRampsAndEnds)
{
    CCamera cam;
    EXPECT_EQ(cam.FadeAlpha(5000), -1);   // never started
    cam.fadeStart = 1000;
    cam.fadeDuration = 2.0f;
    cam.fadeMode = 0;   // uncovering
    EXPECT_EQ(cam.FadeAlpha(1000), 255);
    EXPECT_EQ(cam.FadeAlpha(2000), 128);
    EXPECT_EQ(cam.FadeAlpha(3000), -1);
    EXPECT_EQ(cam.FadeAlpha(9000), -1);
    cam.fadeMode = 1;   // covering
    EXPECT_EQ(cam.FadeAlpha(1000), 0);
    EXPECT_EQ(cam.FadeAlpha(2000), 127);
    EXPECT_EQ(cam.FadeAlpha(3000), 255);
    EXPECT_EQ(cam.FadeAlpha(90000), 255);
    // Zero duration: finished at once, no division by zero.
    cam.fadeDuration = 0.0f;
    EXPECT_EQ(cam.FadeAlpha(1000), 255);
    cam.fadeMode = 0;
    EXPECT_EQ(cam.FadeAlpha(1000), -1);
}

TEST(Camera, FadeDrawsItsColourAndDrivesTheSoundFade)
{
    CaptureScope s;
    CCamera cam;
    cam.fadeStart = 1000;
    cam.fadeDuration = 2.0f;
    cam.fadeMode = 1;
    cam.fadeWithSound = 1;
    cam.fadeColour = 0x102030;
    cam.DrawFadeAt(2000);
    ASSERT_EQ(s.device->draws.size(), 1u);
    EXPECT_EQ(s.device->draws[0].screen[0].diffuse, 0x7F102030u);
    EXPECT_FLOAT_EQ(s.device->draws[0].screen[0].x, -1.0f);
    EXPECT_FLOAT_EQ(s.device->draws[0].screen[3].y, 601.0f);
    EXPECT_NEAR(g_AudioManager.fade, 100.0f - 127.0f / 2.55f, 1e-3f);
    cam.DrawFadeAt(4000);
    EXPECT_FLOAT_EQ(g_AudioManager.fade, 0.0f);
    EXPECT_EQ(s.device->draws.back().screen[0].diffuse, 0xFF102030u);

    // Uncovering: the sound comes back after the end, the picture is clear.
    s.device->draws.clear();
    cam.fadeMode = 0;
    cam.DrawFadeAt(3200);
    EXPECT_FLOAT_EQ(g_AudioManager.fade, 100.0f);
    EXPECT_TRUE(s.device->draws.empty());
    g_AudioManager.fade = 100.0f;
}

TEST(Camera, CoveringFadeContinuesFromARunningUncover)
{
    CCamera cam;
    cam.StartFade(2.0f, 0, 0, 0);
    // Pretend half of the uncover has run.
    cam.fadeStart -= 1000;
    const uint32_t now = cam.fadeStart + 1000;
    const int before = cam.FadeAlpha(now);
    cam.StartFade(4.0f, 1, 0, 0);
    const int after = cam.FadeAlpha(cam.fadeStart + 2000);
    EXPECT_NEAR(before, 128, 1);
    EXPECT_NEAR(after, before, 2);
    EXPECT_EQ(cam.fadeMode, 1);
}

TEST(Camera, LetterboxBars)
{
    CaptureScope s;
    CCamera cam;
    EXPECT_EQ(cam.LetterboxAlpha(1000), 0);   // never started
    cam.letterboxStart = 1000;
    cam.letterboxDuration = 2.0f;
    cam.letterboxMode = 1;
    EXPECT_EQ(cam.LetterboxAlpha(1000), 0);
    EXPECT_EQ(cam.LetterboxAlpha(2000), 127);
    EXPECT_EQ(cam.LetterboxAlpha(3000), 255);
    EXPECT_EQ(cam.LetterboxAlpha(60000), 255);
    cam.letterboxMode = 0;
    EXPECT_EQ(cam.LetterboxAlpha(1000), 255);
    EXPECT_EQ(cam.LetterboxAlpha(3000), 0);
    cam.letterboxDuration = 0.0f;
    EXPECT_EQ(cam.LetterboxAlpha(1000), 0);
    cam.letterboxMode = 1;
    EXPECT_EQ(cam.LetterboxAlpha(1000), 255);

    cam.DrawLetterboxAt(1000);
    ASSERT_EQ(s.device->draws.size(), 4u);
    const auto& top = s.device->draws[0].screen;
    EXPECT_FLOAT_EQ(top[1].y, 80.0f);
    EXPECT_EQ(top[0].diffuse, 0xFF000000u);
    const auto& below = s.device->draws[1].screen;   // fades out downwards
    EXPECT_EQ(below[0].diffuse, 0xFF000000u);
    EXPECT_EQ(below[1].diffuse, 0x00000000u);
    EXPECT_FLOAT_EQ(below[1].y, 95.0f);
    const auto& above = s.device->draws[3].screen;   // fades in downwards
    EXPECT_EQ(above[0].diffuse, 0x00000000u);
    EXPECT_EQ(above[1].diffuse, 0xFF000000u);
    EXPECT_FLOAT_EQ(above[0].y, 505.0f);

    s.device->draws.clear();
    cam.letterboxMode = 0;
    cam.DrawLetterboxAt(1000);
    EXPECT_TRUE(s.device->draws.empty());
}

TEST(Camera, ShakeVectorIsScaledAndCapped)
{
    CCamera cam;
    cam.SetShakeVector(Vec3(10, 0, 0));
    EXPECT_FLOAT_EQ(cam.shake.x, 0.2f);
    cam.SetShakeVector(Vec3(0.5f, 0, 0));
    EXPECT_FLOAT_EQ(cam.shake.x, 0.1f);
    cam.SetShakeVector(Vec3(0, 3, 4));
    EXPECT_NEAR(Vec3Length(cam.shake), 0.2f, 1e-6f);
    EXPECT_NEAR(cam.shake.y / cam.shake.z, 0.75f, 1e-5f);
}

TEST(Camera, FollowOffsetAndZoomLimits)
{
    CCamera cam;
    CGameObject object;
    object.boundsRadius = 10.0f;
    cam.SetTarget(&object);
    EXPECT_FLOAT_EQ(cam.followOffset.y, 10.0f);
    EXPECT_FLOAT_EQ(cam.followOffset.z, -20.0f);
    cam.Zoom(100000.0f);
    EXPECT_NEAR(Vec3Length(cam.followOffset), 1000.0f, 1e-2f);
    cam.Zoom(-100000.0f);
    EXPECT_NEAR(Vec3Length(cam.followOffset), 50.0f, 1e-3f);
    cam.Zoom(10.0f);
    EXPECT_NEAR(Vec3Length(cam.followOffset), 60.0f, 1e-3f);
    cam.SetTarget(nullptr);
    EXPECT_FLOAT_EQ(Vec3Length(cam.followOffset), 0.0f);
}

TEST(Camera, TimedMoveReachesItsGoalAndEnds)
{
    CCamera cam;
    cam.eye = Vec3(0, 0, 0);
    cam.lookAt = Vec3(0, 0, 10);
    cam.world = 1;
    cam.cinematicView = 1;
    cam.StartFlyTo(Vec3(0, 0, 20), Vec3(100, 0, 0), 2.0f);
    const uint32_t start = cam.moveStart;
    CameraInput input;
    cam.lastUpdate = start;
    cam.UpdateWith(input, start + 1000);
    EXPECT_NEAR(cam.eye.x, 50.0f, 1e-3f);
    EXPECT_NEAR(cam.lookAt.z, 15.0f, 1e-3f);
    EXPECT_EQ(cam.moveActive, 1);
    cam.UpdateWith(input, start + 2500);
    EXPECT_FLOAT_EQ(cam.eye.x, 100.0f);
    EXPECT_EQ(cam.moveActive, 0);

    // A zero-length move lands at once.
    cam.StartFlyTo(Vec3(1, 2, 3), Vec3(4, 5, 6), 0.0f);
    cam.UpdateWith(input, cam.moveStart);
    EXPECT_FLOAT_EQ(cam.eye.z, 6.0f);
    EXPECT_EQ(cam.moveActive, 0);

    // A shot set relative to a ship that flies off while the camera eases in keeps it in view
    // (the first intro's outro: the ship leaves at full speed, the camera follows over 15 s).
    CUnit ship;
    cam.eye = Vec3(0, 50, -50);
    cam.lookAt = ship.position = Vec3(0, 0, 0);
    cam.SetCinematicMode(&ship, Vec3(10, 30, 0), 1, nullptr, 0.0f, 15.0f);
    cam.lastUpdate = cam.moveStart;
    ship.position = Vec3(0, 0, 750);
    cam.UpdateWith(input, cam.moveStart + 7500);
    EXPECT_GT(Vec3Dot(Vec3Normalize(ship.position - cam.eye), Vec3Normalize(cam.lookAt - cam.eye)), std::cos(0.3f));
}

namespace {

// A flat ground 200 x 200 at height 0 as the first unit of the planet world; the world's
// planet camera above it looks down at the middle.
struct PlanetGround {
    CMesh mesh;
    CUnit ground;
    int oldWorld = g_WorldIndex;
    uint32_t oldCount = CObjectList::unitCount[0];
    CUnit* oldFirst = CObjectList::units[0][0];

    PlanetGround()
    {
        meshgen::Builder b;
        b.Box({-100, -1, -100}, {100, 0, 100});
        meshgen::Model model;
        model.SetGeometry(b);
        std::vector<uint8_t> bytes = meshgen::Serialize(model);
        MeshFileData f;
        EXPECT_TRUE(ParseMeshFile(bytes.data(), bytes.size(), &f));
        mesh.Build(f);
        ground.objectClass = GCLASS_LANDSCAPE;
        ground.meshes[0] = &mesh;
        ground.meshCount = 1;
        ground.scale = ground.scale2 = Vec3(1, 1, 1);
        ground.worldMatrix = ground.drawMatrix = MatrixIdentity();
        g_WorldIndex = 0;
        CObjectList::units[0][0] = &ground;
        CObjectList::unitCount[0] = 1;
    }
    ~PlanetGround()
    {
        ground.meshes[0] = nullptr;
        ground.meshCount = 0;
        CObjectList::units[0][0] = oldFirst;
        CObjectList::unitCount[0] = oldCount;
        g_WorldIndex = oldWorld;
    }
};

} // namespace

TEST(Camera, PlanetEdgeScrollKeepsTheLookAtOnTheGroundAndInsideIt)
{
    CaptureScope s;
    PlanetGround planet;
    CCamera& cam = g_World.cameras[0];
    const CCamera saved = cam;
    Aim(cam, Vec3(0, 40, -30), Vec3(0, 0, 0));
    cam.world = 0;
    cam.lastUpdate = 1000;
    CameraInput input;
    input.mouseY = 0.0f;   // top edge: forward at 15 per second
    cam.UpdateWith(input, 2000);
    EXPECT_NEAR(cam.lookAt.z, 15.0f, 0.05f);
    EXPECT_NEAR(cam.lookAt.y, 0.0f, 0.05f);
    EXPECT_NEAR(cam.eye.z, -15.0f, 0.05f);

    // Far past the edge the look-at point stops at the ground's border.
    input.mouseY = 300.0f;
    input.mouseX = 800.0f;   // right edge: along the side axis
    for (uint32_t t = 3000; t < 60000; t += 1000) cam.UpdateWith(input, t);
    EXPECT_NEAR(cam.lookAt.x, 100.0f, 1e-3f);
    EXPECT_NEAR(cam.eye.x, 100.0f, 1e-3f);
    EXPECT_NEAR(cam.lookAt.z, 15.0f, 0.05f);

    // A hidden pointer left at the edge (a scene hides it) scrolls nothing.
    input.pointerShown = 0;
    input.mouseX = 10.0f;
    input.mouseY = 0.0f;
    const Vec3 held = cam.lookAt;
    cam.UpdateWith(input, 61000);
    EXPECT_LT(Vec3Length(cam.lookAt - held), 1e-3f);

    // A scene's orbit turns the eye 50 units from its centre, looking at it, whatever the pointer.
    const Vec3 centre(20.0f, 0.0f, 10.0f);
    input.pointerShown = 1;
    cam.SetOrbitAround(1, 50.0f, 0.15f, 1, &centre);
    for (uint32_t t = 61050; t < 75000; t += 50) cam.UpdateWith(input, t);
    EXPECT_LT(Vec3Length(cam.lookAt - centre), 0.05f);
    EXPECT_NEAR(Vec3Length(cam.eye - centre), 50.0f, 0.5f);
    // ... and turns at the speed it is given: 0.15 rad/s for 2 s.
    const Vec3 a = cam.eye - centre;
    for (uint32_t t = 75000; t < 77000; t += 50) cam.UpdateWith(input, t);
    const Vec3 b = cam.eye - centre;
    const float turned = std::acos((a.x * b.x + a.z * b.z) / (std::hypot(a.x, a.z) * std::hypot(b.x, b.z)));
    EXPECT_NEAR(turned, 0.3f, 0.005f);
    cam = saved;
}
