// CLight: device light set-up, the fade alpha and the effect directions.
#include "render/null_render_fixture.h"

#include "render/light.h"
#include "world/objects/game_object.h"
#include "world/world.h"

using LightTest = NullRenderTest;

TEST_F(LightTest, FadeAlpha)
{
    CLight l;
    const float xs[] = {0.0f, 0.39f, 0.4f, 0.6f, 0.8f, 0.81f, 5.0f};
    const float want[] = {0.0f, 0.0f, 0.0f, 127.5f, 255.0f, 255.0f, 255.0f};
    for (int i = 0; i < 7; ++i) {
        l.intensity = xs[i];
        EXPECT_NEAR(l.GetFadeAlpha(), want[i], 1e-3) << xs[i];
    }
}

TEST_F(LightTest, InitPointAndSun)
{
    Start();
    CLight point, sun;
    point.Init(2, nullptr, LIGHT_KIND_POINT);
    EXPECT_EQ(point.light.Type, D3DLIGHT_POINT);
    EXPECT_EQ(point.light.Range, 1.0f);
    EXPECT_EQ(point.light.Attenuation1, 1.0f);
    EXPECT_EQ(point.light.Diffuse.g, 1.0f);
    int on = 0;
    Dev()->GetLightEnable(2, &on);
    EXPECT_EQ(on, 1);
    point.Apply();
    D3DLIGHT9 got;
    Dev()->GetLight(2, &got);
    EXPECT_EQ(got.Type, D3DLIGHT_POINT);
    point.Disable();
    Dev()->GetLightEnable(2, &on);
    EXPECT_EQ(on, 0);

    sun.Init(5, nullptr, LIGHT_KIND_SUN);
    EXPECT_EQ(sun.light.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_NEAR(sun.angle, 1.0471976f, 1e-6);
    EXPECT_EQ(sun.light.Diffuse.r, 0.0f);
}

TEST_F(LightTest, SelectedLightsFeedTheEffect)
{
    Start();
    int savedWorld = g_WorldIndex;
    g_WorldIndex = 1;
    g_SelectedLights[1][0] = 3;
    g_SelectedLights[1][1] = 4;
    CLight a, b;
    a.Init(3, nullptr, LIGHT_KIND_SUN);
    b.Init(4, nullptr, LIGHT_KIND_SUN);
    a.light.Diffuse = {0.5f, 0.25f, 1, 1};
    a.light.Direction = Vec3(0, -1, 0);
    b.light.Diffuse = {0.1f, 0.2f, 0.3f, 1};
    a.Update();
    b.Update();
    Vec4 v;
    g_D3DRender.effect->GetVector("DirLight_Diff", &v);
    EXPECT_EQ(v.y, 0.25f);
    g_D3DRender.effect->GetVector("DirLight2_Diff", &v);
    EXPECT_EQ(v.z, 0.3f);
    // Model space of an object turned 90 degrees about Z: world down is model +x... or -x.
    Matrix turn = MatrixRotationZ(1.5707964f);
    a.SetEffectDirectionMS(turn);
    g_D3DRender.effect->GetVector("DirLight_DirMS", &v);
    Vec3 back = Vec3TransformNormal(Vec3(v.x, v.y, v.z), turn);
    EXPECT_NEAR(back.y, -1.0f, 1e-5) << "turned back into the world it points down";
    EXPECT_NEAR(Vec3Length(Vec3(v.x, v.y, v.z)), 1.0f, 1e-5);

    // Planet world: the sun past 3.926991 uses the fixed evening direction.
    g_WorldIndex = 0;
    g_SelectedLights[0][0] = 3;
    a.angle = 4.0f;
    a.SetEffectDirectionMS(MatrixIdentity());
    g_D3DRender.effect->GetVector("DirLight_DirMS", &v);
    Vec3 evening = Vec3Normalize(Vec3(1, -0.4f, -2));
    EXPECT_NEAR(v.x, evening.x, 1e-5);
    EXPECT_NEAR(v.z, evening.z, 1e-5);
    g_SelectedLights[0][0] = g_SelectedLights[1][0] = g_SelectedLights[1][1] = -1;
    g_WorldIndex = savedWorld;
}

TEST_F(LightTest, PlanetSunFollowsItsArc)
{
    Start();
    int savedWorld = g_WorldIndex;
    g_WorldIndex = 0;
    g_SelectedLights[0][0] = 1;
    CLight sun;
    sun.Init(1, nullptr, LIGHT_KIND_SUN);
    sun.light.Diffuse = {1, 1, 1, 1};
    sun.angle = 1.5707964f + 6.2831853f; // noon, one turn on
    sun.Update();
    EXPECT_NEAR(sun.angle, 1.5707964f, 1e-4);
    EXPECT_NEAR(sun.light.Direction.y, -1.0f, 1e-4) << "straight down at noon";
    D3DLIGHT9 dev;
    Dev()->GetLight(1, &dev);
    EXPECT_EQ(dev.Diffuse.r, 1.0f);
    Vec4 v;
    g_D3DRender.effect->GetVector("DirLight_Diff", &v);
    EXPECT_EQ(v.x, 1.0f);
    sun.angle = 4.5f; // night
    sun.Update();
    Dev()->GetLight(1, &dev);
    EXPECT_EQ(dev.Diffuse.r, 0.0f);
    EXPECT_EQ(sun.GetFadeAlpha(), 0.0f);
    g_SelectedLights[0][0] = -1;
    g_WorldIndex = savedWorld;
}

TEST_F(LightTest, WorldSelectsItsFirstTwoListedLightsAndSetsTheAmbient)
{
    Start();
    const int savedWorld = g_WorldIndex;
    g_WorldIndex = 1;
    g_World.ClearLightSlots();
    D3DLIGHT9 d;
    d.Type = D3DLIGHT_DIRECTIONAL;
    d.Diffuse = {0.2f, 0.4f, 0.6f, 1};
    d.Direction = Vec3(0, 0, 1);
    const int first = g_World.AddLight(&d, nullptr);
    const int second = g_World.AddLight(&d, nullptr);
    const int third = g_World.AddLight(&d, nullptr);
    ASSERT_GE(third, 0);
    // The list names them out of slot order: the list, not the slot number, decides.
    g_World.lightList[1][0] = third;
    g_World.lightList[1][1] = first;
    g_World.lightListCount[1] = 2;
    g_World.UpdateLights();
    EXPECT_EQ(g_SelectedLights[1][0], third);
    EXPECT_EQ(g_SelectedLights[1][1], first);
    EXPECT_EQ(g_World.lights[1][third].Selection(), 1);
    EXPECT_EQ(g_World.lights[1][first].Selection(), 2);
    EXPECT_EQ(g_World.lights[1][second].Selection(), 0);
    Vec4 v;
    g_D3DRender.effect->GetVector("DirLight_Diff", &v);
    EXPECT_FLOAT_EQ(v.y, 0.4f);

    // A world with one listed light has no second one.
    g_World.lightListCount[1] = 1;
    g_World.UpdateLights();
    EXPECT_EQ(g_SelectedLights[1][1], -1);
    g_World.ClearLightSlots();
    g_World.UpdateLights();
    EXPECT_EQ(g_SelectedLights[1][0], -1);

    SetGlobalAmbient(0xff141414u);
    unsigned amb = 0;
    Dev()->GetRenderState(D3DRS_AMBIENT, &amb);
    EXPECT_EQ(amb, 0xff141414u);
    g_D3DRender.effect->GetVector("GlobalAmbient", &v);
    EXPECT_NEAR(v.x, 20.0f / 255.0f, 1e-6);
    EXPECT_EQ(v.w, 1.0f);
    SetGlobalAmbient(0xFFFFFFFFu);
    g_D3DRender.effect->GetVector("GlobalAmbient", &v);
    EXPECT_EQ(v.x, 1.0f);
    g_WorldIndex = savedWorld;
}

// A space location's sun: the loader takes a blank directional slot with the star's colour,
// then binds it to its star. Units without the bump effect are lit by the device light alone,
// so it must reach the device with its colour and a direction from the star to the middle.
TEST_F(LightTest, SpaceSunReachesTheDeviceFromItsStar)
{
    Start();
    const int savedWorld = g_WorldIndex;
    g_WorldIndex = 1;
    g_World.ClearLightSlots();
    D3DLIGHT9 d;
    d.Type = D3DLIGHT_DIRECTIONAL;
    d.Diffuse = {1.0f, 0.9f, 0.8f, 1};
    const int slot = g_World.AddLight(&d, nullptr);
    ASSERT_GE(slot, 0);
    Dev()->SetLight((unsigned)slot, &d); // the device first sees no direction at all
    g_World.lightList[1][0] = slot;
    g_World.lightListCount[1] = 1;
    CGameObject star;
    star.position = Vec3(-40000.0f, 15000.0f, -9000.0f);
    g_World.lights[1][slot].owner = &star;

    g_World.UpdateLights();
    g_World.EnableLights();
    D3DLIGHT9 got;
    Dev()->GetLight((unsigned)slot, &got);
    int on = 0;
    Dev()->GetLightEnable((unsigned)slot, &on);
    EXPECT_EQ(on, 1);
    EXPECT_EQ(got.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_FLOAT_EQ(got.Diffuse.g, 0.9f);
    const Vec3 want = Vec3Normalize(-star.position);
    EXPECT_NEAR(got.Direction.x, want.x, 1e-5);
    EXPECT_NEAR(got.Direction.y, want.y, 1e-5);
    EXPECT_NEAR(got.Direction.z, want.z, 1e-5);
    // The station at the middle faces the star on its -x side: that face is lit.
    EXPECT_GT(Vec3Dot(Vec3(-1, 0, 0), -got.Direction), 0.5f);
    Vec4 v;
    g_D3DRender.effect->GetVector("DirLight_Dir", &v);
    EXPECT_NEAR(v.x, want.x, 1e-5);

    // A star that moves drags its light along.
    star.position = Vec3(0, 5000.0f, 0);
    g_World.UpdateLights();
    Dev()->GetLight((unsigned)slot, &got);
    EXPECT_NEAR(got.Direction.y, -1.0f, 1e-5);

    g_World.lights[1][slot].owner = nullptr;
    g_World.ClearLightSlots();
    g_World.UpdateLights();
    g_WorldIndex = savedWorld;
}
