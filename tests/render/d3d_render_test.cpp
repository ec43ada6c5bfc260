// The renderer on the null device: display modes, device creation, cached states, texture
// binding, default states and the device-lost cycle.
#include "render/null_render_fixture.h"

#include <cstdlib>
#include "menus/game_menu.h"
#include "app/winmain.h"
#include "render/light.h"

namespace {
D3DDISPLAYMODE Mode(unsigned w, unsigned h, unsigned hz = 60) { return {w, h, hz, D3DFMT_X8R8G8B8}; }
} // namespace

using RenderModesTest = NullRenderTest;

TEST_F(RenderModesTest, RefreshVariantsCollapseAndRowsSortByWidthStably)
{
    g_NullGfxConfig.modes = {Mode(1024, 768, 60), Mode(1024, 768, 75), Mode(640, 480), Mode(800, 600, 60),
                             Mode(800, 600, 85), Mode(1024, 600), Mode(640, 400)};
    g_Settings.videoMode = 0;
    ASSERT_EQ(g_D3DRender.InitD3D(1), 0);
    ASSERT_EQ(g_D3DRender.modeCount, 5);
    const unsigned expected[][2] = {{640, 480}, {640, 400}, {800, 600}, {1024, 768}, {1024, 600}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(g_D3DRender.modes[i].Width, expected[i][0]) << i;
        EXPECT_EQ(g_D3DRender.modes[i].Height, expected[i][1]) << i;
    }
    EXPECT_EQ(g_D3DRender.modes[3].RefreshRate, 60u);
    EXPECT_TRUE(LogHas("Create Direct3D OK"));
}

TEST_F(RenderModesTest, VideoModeSelection)
{
    g_NullGfxConfig.modes = {Mode(640, 480), Mode(800, 600), Mode(1024, 768), Mode(1280, 1024), Mode(1600, 1200)};
    g_NullGfxConfig.desktop = Mode(1280, 1024);
    g_Settings.videoMode = 100;
    ASSERT_EQ(g_D3DRender.InitD3D(1), 0);
    EXPECT_EQ(g_Settings.videoMode, 3) << "the desktop's row";
    g_D3DRender.FreeD3DRender();

    g_NullGfxConfig.desktop = Mode(1366, 768);
    g_Settings.videoMode = 100;
    ASSERT_EQ(g_D3DRender.InitD3D(1), 0);
    EXPECT_EQ(g_Settings.videoMode, 4) << "no desktop row: the last";
    g_D3DRender.FreeD3DRender();

    g_Settings.videoMode = 7;
    ASSERT_EQ(g_D3DRender.InitD3D(1), 0);
    EXPECT_EQ(g_Settings.videoMode, 4);
    g_D3DRender.FreeD3DRender();

    g_Settings.videoMode = -3;
    ASSERT_EQ(g_D3DRender.InitD3D(1), 0);
    EXPECT_EQ(g_Settings.videoMode, 0) << "a negative row is clamped, not used as an index";
    int w = 0, h = 0;
    g_D3DRender.GetModeSize(-1, &w, &h);
    EXPECT_EQ(w, 800);
    g_D3DRender.GetModeSize(4, &w, &h);
    EXPECT_EQ(w, 1600);
    EXPECT_EQ(h, 1200);
}

TEST_F(RenderModesTest, ModeTableStopsAt512Rows)
{
    for (unsigned i = 0; i < 600; ++i)
        g_NullGfxConfig.modes.push_back(Mode(100 + i, 100));
    ASSERT_EQ(g_D3DRender.InitD3D(1), 0);
    EXPECT_EQ(g_D3DRender.modeCount, CD3DRender::kMaxModes);
}

TEST_F(RenderModesTest, StartFailuresFreeTheRenderer)
{
    g_NullGfxConfig.failCreateSystem = true;
    EXPECT_EQ(g_D3DRender.InitD3D(1), -1);
    g_NullGfxConfig.Restore();

    g_NullGfxConfig.displayFormats = {D3DFMT_A8R8G8B8};
    EXPECT_EQ(g_D3DRender.InitD3D(1), -1);
    EXPECT_EQ(g_D3DRender.d3d, nullptr);
    EXPECT_TRUE(LogHas("Check device type failed!"));
    g_NullGfxConfig.Restore();

    g_NullGfxConfig.modes = {{800, 600, 60, D3DFMT_R5G6B5}};
    EXPECT_EQ(g_D3DRender.InitD3D(1), -1);
    EXPECT_TRUE(LogHas("Enum and check video modes failed!"));
    g_NullGfxConfig.Restore();

    ASSERT_EQ(g_D3DRender.InitD3D(1), 0);
    g_NullGfxConfig.depthFormats = {};
    EXPECT_EQ(g_D3DRender.CreateDevice(nullptr, 1), -1);
    EXPECT_EQ(g_D3DRender.d3d, nullptr);
    EXPECT_TRUE(LogHas("Check depth buffer match failed!"));
}

using RenderDeviceTest = NullRenderTest;

TEST_F(RenderDeviceTest, CreationParametersAndFallbackChain)
{
    g_NullGfxConfig.failCreateDeviceAttempts = 3;
    g_NullGfxConfig.depthFormats = {D3DFMT_D24X8, D3DFMT_D16};
    g_NullGfxConfig.modes = {Mode(800, 600), Mode(1280, 1024)};
    g_NullGfxConfig.desktop = Mode(1280, 1024);
    ASSERT_EQ(g_D3DRender.InitD3D(1), 0);
    ASSERT_EQ(g_D3DRender.CreateDevice(nullptr, 1), 0);
    const auto& flags = NullGfxCreateAttempts();
    const auto& params = NullGfxCreateParams();
    ASSERT_EQ(flags.size(), 4u) << "hardware, mixed, then count 1 with copy";
    EXPECT_EQ(flags[0], (unsigned)(D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE));
    EXPECT_EQ(flags[1], (unsigned)(D3DCREATE_MIXED_VERTEXPROCESSING | D3DCREATE_PUREDEVICE));
    EXPECT_EQ(params[0].BackBufferCount, 2u);
    EXPECT_EQ(params[0].SwapEffect, D3DSWAPEFFECT_FLIP);
    EXPECT_EQ(params[0].AutoDepthStencilFormat, D3DFMT_D24X8);
    EXPECT_EQ(params[0].PresentationInterval, D3DPRESENT_INTERVAL_ONE);
    EXPECT_EQ(params[0].BackBufferWidth, 1280u);
    EXPECT_EQ(params[3].BackBufferCount, 1u);
    EXPECT_EQ(params[3].SwapEffect, D3DSWAPEFFECT_COPY);
    EXPECT_EQ(g_ScreenScaleX, 1.6f);
    EXPECT_FLOAT_EQ(g_ScreenScaleY, 1024.0f / 600.0f);
    EXPECT_STREQ(g_D3DRender.name, g_WindowTitles[1]);
    EXPECT_EQ(g_D3DRender.modeAspect, 0);
    EXPECT_EQ(AspectClass(1920, 1080), 2);
    EXPECT_EQ(AspectClass(1680, 1050), 1);
}

TEST_F(RenderDeviceTest, AllCreationAttemptsFailing)
{
    g_NullGfxConfig.failCreateDeviceAttempts = 100;
    ASSERT_EQ(g_D3DRender.InitD3D(1), 0);
    EXPECT_EQ(g_D3DRender.CreateDevice(nullptr, 1), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(NullGfxCreateAttempts().size(), 6u);
    EXPECT_EQ(g_D3DRender.device, nullptr);
    EXPECT_EQ(g_D3DRender.d3d, nullptr);
    EXPECT_TRUE(LogHas("(error: D3DERR_NOTAVAILABLE)"));
}

TEST_F(RenderDeviceTest, ShaderModelPicksTheTechniqueFile)
{
    g_NullGfxConfig.vertexShaderVersion = D3DVS_VERSION(1, 1);
    g_NullGfxConfig.pixelShaderVersion = D3DPS_VERSION(1, 4);
    // The 2.0 file is broken here: the device must not read it.
    std::ofstream("Data/Misc/RenderTechniques_20.dat") << "garbage\n";
    Start();
    EXPECT_EQ(g_D3DRender.vertexShader11, 1);
    EXPECT_EQ(g_D3DRender.pixelShader14, 1);
    EXPECT_EQ(g_D3DRender.shaderModel20, 0);
    ASSERT_NE(g_D3DRender.effect, nullptr);
    g_D3DRender.SetBumpTechnique();
    EXPECT_STREQ(g_D3DRender.effect->GetCurrentTechnique(), "techSurfaceBump");
}

TEST_F(RenderDeviceTest, BrokenTechniqueFileFailsCreationCleanly)
{
    std::ofstream("Data/Misc/RenderTechniques_20.dat")
        << "param float4 A\nvertex v\nvoid main() { #error }\nend\npixel p\nvoid main() {}\nend\n"
           "technique techSurfaceBump\npass P0 v p\n";
    ASSERT_EQ(g_D3DRender.InitD3D(1), 0);
    EXPECT_LT(g_D3DRender.CreateDevice(nullptr, 1), 0);
    EXPECT_EQ(g_D3DRender.device, nullptr);
    EXPECT_EQ(g_D3DRender.effect, nullptr);
    EXPECT_EQ(g_D3DRender.d3d, nullptr);
    EXPECT_TRUE(LogHas("Create render techniques failed!"));
    EXPECT_TRUE(LogHas("CD3DRender::FreeD3DRender() done!"));
}

TEST_F(RenderDeviceTest, MissingTechniqueFileLeavesNoEffect)
{
    std::filesystem::remove("Data/Misc/RenderTechniques_20.dat");
    Start();
    EXPECT_EQ(g_D3DRender.effect, nullptr);
    g_D3DRender.SetBumpTechnique();
    g_D3DRender.SetEffectTexture("texBaseMap1", nullptr);
}

using RenderStateTest = NullRenderTest;

TEST_F(RenderStateTest, CachedStatesSuppressRedundantSets)
{
    Start();
    g_D3DRender.SetZEnable(0);
    g_D3DRender.SetZEnable(0);
    g_D3DRender.SetZWriteEnable(0);
    g_D3DRender.SetZWriteEnable(0);
    g_D3DRender.SetLighting(1); // already on after the default states
    g_D3DRender.SetSrcBlend(D3DBLEND_SRCALPHA);
    g_D3DRender.SetSrcBlend(D3DBLEND_SRCALPHA);
    g_D3DRender.SetDestBlend(D3DBLEND_ZERO); // the device default
    g_D3DRender.SetAlphaBlendEnable(1);
    g_D3DRender.SetAlphaBlendEnable(1);
    EXPECT_EQ(Dev()->Count("SetRenderState 7 "), 1u);
    EXPECT_EQ(Dev()->Count("SetRenderState 14 "), 1u);
    EXPECT_EQ(Dev()->Count("SetRenderState 137 "), 0u);
    EXPECT_EQ(Dev()->Count("SetRenderState 19 "), 1u);
    EXPECT_EQ(Dev()->Count("SetRenderState 20 "), 0u);
    EXPECT_EQ(Dev()->Count("SetRenderState 27 "), 1u);
}

static void ExpectCachesMatchDevice(GfxDevice* dev)
{
    unsigned v = 0;
    dev->GetRenderState(D3DRS_ZWRITEENABLE, &v);
    EXPECT_EQ((int)v, g_D3DRender.zWriteEnable);
    dev->GetRenderState(D3DRS_ZENABLE, &v);
    EXPECT_EQ((int)v, g_D3DRender.zEnable);
    dev->GetRenderState(D3DRS_LIGHTING, &v);
    EXPECT_EQ((int)v, g_D3DRender.lighting);
    dev->GetRenderState(D3DRS_SRCBLEND, &v);
    EXPECT_EQ((int)v, g_D3DRender.srcBlend);
    dev->GetRenderState(D3DRS_DESTBLEND, &v);
    EXPECT_EQ((int)v, g_D3DRender.destBlend);
    dev->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
    EXPECT_EQ((int)v, g_D3DRender.alphaBlendEnable);
    GfxTexture* t = nullptr;
    dev->GetTexture(0, &t);
    EXPECT_EQ(t, nullptr);
    EXPECT_EQ(g_D3DRender.boundTexture, -1);
}

TEST_F(RenderStateTest, DefaultStates)
{
    Start();
    const GfxStateBlock& s = Dev()->State();
    ExpectCachesMatchDevice(Dev());
    EXPECT_EQ(s.rs[D3DRS_CULLMODE], (unsigned)D3DCULL_CW);
    EXPECT_EQ(s.rs[D3DRS_ZFUNC], (unsigned)D3DCMP_LESSEQUAL);
    EXPECT_EQ(s.rs[D3DRS_NORMALIZENORMALS], 1u);
    EXPECT_EQ(s.rs[D3DRS_DITHERENABLE], 1u);
    EXPECT_EQ(s.rs[D3DRS_SPECULARENABLE], 0u);
    EXPECT_EQ(s.rs[D3DRS_AMBIENT], 0xff282828u);
    for (unsigned st = 0; st < 7; ++st) {
        EXPECT_EQ(s.tss[st][D3DTSS_COLOROP], st == 0 ? (unsigned)D3DTOP_MODULATE : (unsigned)D3DTOP_DISABLE);
        EXPECT_EQ(s.tss[st][D3DTSS_ALPHAOP], st == 0 ? (unsigned)D3DTOP_MODULATE : (unsigned)D3DTOP_DISABLE);
        EXPECT_EQ(s.tss[st][D3DTSS_COLORARG0], (unsigned)D3DTA_TEMP);
        EXPECT_EQ(s.tss[st][D3DTSS_TEXCOORDINDEX], 0u);
        EXPECT_EQ(s.samp[st][D3DSAMP_MIPFILTER], (unsigned)D3DTEXF_LINEAR);
        EXPECT_EQ(s.samp[st][D3DSAMP_BORDERCOLOR], 0xff000000u);
    }
    EXPECT_EQ(s.material.Diffuse.r, 1.0f);
    EXPECT_EQ(s.material.Ambient.a, 1.0f);
    EXPECT_EQ(s.material.Power, 0.0f);
    Vec4 amb;
    ASSERT_EQ(g_D3DRender.effect->GetVector("GlobalAmbient", &amb), D3D_OK);
    EXPECT_NEAR(amb.x, 40.0f / 255.0f, 1e-6);
    EXPECT_EQ(amb.w, 1.0f);
}

TEST_F(RenderStateTest, TextureBindingAndBlendRule)
{
    Start();
    WriteFile("a.bmp", Bmp(4, 4, 0xff0000));
    WriteFile("b.bmp", Bmp(4, 4, 0x00ff00));
    int a = g_D3DRender.LoadTexture("a.bmp", 1, -1);
    int b = g_D3DRender.LoadTexture("b.bmp", 1, -1);
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    Dev()->ClearCalls();
    g_D3DRender.SetTexture(a, 1);
    g_D3DRender.SetTexture(a, 1);
    EXPECT_EQ(Dev()->Count("SetTexture 0 "), 1u) << "the same id binds once";
    EXPECT_EQ(Dev()->State().rs[D3DRS_SRCBLEND], (unsigned)D3DBLEND_SRCALPHA);
    EXPECT_EQ(Dev()->State().rs[D3DRS_DESTBLEND], (unsigned)D3DBLEND_INVSRCALPHA);
    EXPECT_EQ(Dev()->State().rs[D3DRS_ALPHABLENDENABLE], 1u);
    g_D3DRender.SetTexturePtr(g_D3DRender.GetTexture(b), 0);
    g_D3DRender.SetTexture(a, 0);
    EXPECT_EQ(Dev()->Count("SetTexture 0 "), 3u) << "a pointer bind makes the next id bind again";
    EXPECT_EQ(Dev()->State().textures[0], g_D3DRender.GetTexture(a));
    EXPECT_EQ(Dev()->State().rs[D3DRS_SRCBLEND], (unsigned)D3DBLEND_ONE);
    EXPECT_EQ(Dev()->State().rs[D3DRS_ALPHABLENDENABLE], 0u);
    g_D3DRender.SetTexture(-1, 0);
    EXPECT_EQ(Dev()->State().textures[0], nullptr);
    g_D3DRender.SetTexture(5000, 0);
    EXPECT_EQ(Dev()->State().textures[0], nullptr) << "an id outside the table binds nothing";
    g_D3DRender.SetTextureByName("b.bmp", 0);
    EXPECT_EQ(Dev()->State().textures[0], g_D3DRender.GetTexture(b));
}

TEST_F(RenderStateTest, WireframeBindsNoTextureAndEmptiesEffectTextures)
{
    Start();
    WriteFile("a.bmp", Bmp(4, 4, 0xff0000));
    int a = g_D3DRender.LoadTexture("a.bmp", 1, -1);
    g_D3DRender.ToggleFillMode();
    EXPECT_EQ(Dev()->State().rs[D3DRS_FILLMODE], (unsigned)D3DFILL_WIREFRAME);
    g_D3DRender.SetTexture(a, 1);
    g_D3DRender.SetTexturePtr(g_D3DRender.GetTexture(a), 1);
    EXPECT_EQ(Dev()->State().textures[0], nullptr);
    EXPECT_EQ(Dev()->State().rs[D3DRS_ALPHABLENDENABLE], 0u) << "nothing else happens";
    g_D3DRender.SetAlphaBlendEnable(1);
    g_D3DRender.SetEffectTexture("texBaseMap1", g_D3DRender.GetTexture(a));
    GfxTexture* t = reinterpret_cast<GfxTexture*>(1);
    g_D3DRender.effect->GetTexture("texBaseMap1", &t);
    EXPECT_EQ(t, nullptr);
    EXPECT_EQ(Dev()->State().rs[D3DRS_ALPHABLENDENABLE], 0u);
    g_D3DRender.ToggleFillMode();
    g_D3DRender.SetTexture(a, 0);
    EXPECT_EQ(Dev()->State().textures[0], g_D3DRender.GetTexture(a)) << "binds again once solid";
    // A pointer bind in wireframe empties the stage: the same id must bind again afterwards.
    g_D3DRender.ToggleFillMode();
    g_D3DRender.SetTexturePtr(g_D3DRender.GetTexture(a), 0);
    g_D3DRender.ToggleFillMode();
    g_D3DRender.SetTexture(a, 0);
    EXPECT_EQ(Dev()->State().textures[0], g_D3DRender.GetTexture(a));
    g_D3DRender.ToggleShadeMode();
    EXPECT_EQ(Dev()->State().rs[D3DRS_SHADEMODE], (unsigned)D3DSHADE_FLAT);
    g_D3DRender.SetTexture(a, 0);
    EXPECT_EQ(Dev()->State().textures[0], nullptr);
}

TEST_F(RenderStateTest, MaterialStagesAndLodBias)
{
    Start();
    D3DMATERIAL9 m;
    m.Diffuse = {0.5f, 0.5f, 0.5f, 1};
    m.Specular = {0, 0.2f, 0, 1};
    m.Power = 8;
    g_D3DRender.SetMaterial(&m, 1);
    EXPECT_EQ(Dev()->State().rs[D3DRS_SPECULARENABLE], 1u);
    EXPECT_EQ(Dev()->State().material.Power, 8.0f);
    float pow = 0;
    g_D3DRender.effect->GetFloat("MatSpecularPow", &pow);
    EXPECT_EQ(pow, 8.0f);
    Vec4 d;
    g_D3DRender.effect->GetVector("MatDiffuse", &d);
    EXPECT_EQ(d.x, 0.5f);
    g_D3DRender.SetColorStage(1, D3DTOP_MULTIPLYADD, D3DTA_CURRENT, D3DTA_TFACTOR);
    g_D3DRender.SetAlphaStage(1, D3DTOP_SELECTARG2);
    const unsigned* t = Dev()->State().tss[1];
    EXPECT_EQ(t[D3DTSS_COLOROP], (unsigned)D3DTOP_MULTIPLYADD);
    EXPECT_EQ(t[D3DTSS_COLORARG0], (unsigned)D3DTA_TFACTOR);
    EXPECT_EQ(t[D3DTSS_COLORARG1], (unsigned)D3DTA_TEXTURE);
    EXPECT_EQ(t[D3DTSS_ALPHAOP], (unsigned)D3DTOP_SELECTARG2);
    EXPECT_EQ(t[D3DTSS_ALPHAARG0], (unsigned)D3DTA_TEMP);
    g_D3DRender.SetLodBias(-0.5f, -1);
    EXPECT_EQ(GfxBitsFloat(Dev()->State().samp[0][D3DSAMP_MIPMAPLODBIAS]), -0.5f);
    EXPECT_EQ(GfxBitsFloat(Dev()->State().samp[1][D3DSAMP_MIPMAPLODBIAS]), -0.5f);
    g_D3DRender.SetLodBias(1.0f, 2);
    EXPECT_EQ(GfxBitsFloat(Dev()->State().samp[2][D3DSAMP_MIPMAPLODBIAS]), 1.0f);
    g_D3DRender.SetLodBias(1.0f, 99); // ignored
}

using RenderLostTest = NullRenderTest;

TEST_F(RenderLostTest, LostThenResetRestoresEffectLightsAndStates)
{
    Start();
    GfxEffect* before = g_D3DRender.effect;
    D3DLIGHT9 l;
    l.Type = D3DLIGHT_POINT;
    l.Range = 50;
    Dev()->SetLight(3, &l);
    Dev()->LightEnable(3, 1);
    g_D3DRender.SetZEnable(0);
    g_D3DRender.SetAlphaBlendEnable(1);
    D3DMATERIAL9 grey;
    grey.Diffuse = {0.2f, 0.2f, 0.2f, 1};
    g_D3DRender.SetMaterial(&grey, 0);
    Dev()->SetLostFrames(2, 4);

    EXPECT_EQ(g_D3DRender.Present(), 0);
    EXPECT_EQ(g_D3DRender.deviceLost, 0);
    EXPECT_EQ(g_D3DRender.framesPresented, 1);
    EXPECT_EQ(g_D3DRender.Present(), 0); // frame 2: lost
    EXPECT_EQ(g_D3DRender.deviceLost, 1);
    EXPECT_EQ(g_D3DRender.Present(), 0); // frame 3: still lost, nothing presented
    EXPECT_EQ(g_D3DRender.framesPresented, 1);
    EXPECT_EQ(Dev()->resets, 0u);
    Dev()->ClearCalls();
    EXPECT_EQ(g_D3DRender.Present(), 0); // frame 4: not reset -> reset and restore
    EXPECT_EQ(Dev()->resets, 1u);
    EXPECT_EQ(g_D3DRender.deviceLost, 0);
    EXPECT_EQ(g_D3DRender.resourcesReleased, 0);
    ASSERT_NE(g_D3DRender.effect, nullptr);
    EXPECT_EQ(Dev()->Count("CreateProgram"), 1u) << "the effect is created again";
    (void)before;
    int on = 0;
    Dev()->GetLightEnable(3, &on);
    EXPECT_EQ(on, 1) << "lights switched on again";
    D3DLIGHT9 back;
    Dev()->GetLight(3, &back);
    EXPECT_EQ(back.Range, 50.0f);
    EXPECT_EQ(Dev()->State().material.Diffuse.r, 1.0f) << "white material again";
    EXPECT_EQ(Dev()->State().rs[D3DRS_AMBIENT], 0xff282828u);
    ExpectCachesMatchDevice(Dev());
    EXPECT_EQ(g_D3DRender.Present(), 0);
    EXPECT_EQ(g_D3DRender.framesPresented, 2);
}

TEST_F(RenderLostTest, LostSwitchFromEnvironment)
{
    setenv("KORVANE_DEVICE_LOST", "1,3", 1);
    Start();
    unsetenv("KORVANE_DEVICE_LOST");
    EXPECT_EQ(g_D3DRender.Present(), 0);
    EXPECT_EQ(g_D3DRender.deviceLost, 1);
    EXPECT_EQ(g_D3DRender.Present(), 0);
    EXPECT_EQ(g_D3DRender.Present(), 0);
    EXPECT_EQ(g_D3DRender.deviceLost, 0);
    EXPECT_EQ(Dev()->resets, 1u);
    EXPECT_EQ(g_D3DRender.Present(), 0);
    EXPECT_EQ(g_D3DRender.framesPresented, 1);
}

TEST_F(RenderLostTest, FailedResetEndsTheGame)
{
    Start();
    g_Settings.useGameMenu = 1;
    g_GameMenuActive = 1;
    g_LocationFinished = 0;
    Dev()->SetLostFrames(1, 2);
    g_NullGfxConfig.failReset = true;
    EXPECT_EQ(g_D3DRender.Present(), 0);
    EXPECT_EQ(g_D3DRender.Present(), E_FAIL);
    EXPECT_EQ(g_Settings.useGameMenu, 0);
    EXPECT_EQ(g_GameMenuActive, 0);
    EXPECT_EQ(g_LocationFinished, 1);
    EXPECT_TRUE(LogHas("D3D device is lost,"));
    g_LocationFinished = 0;
}

TEST_F(RenderLostTest, EffectThatFailsAfterResetEndsTheGame)
{
    Start();
    g_Settings.useGameMenu = 1;
    g_GameMenuActive = 1;
    g_LocationFinished = 0;
    std::ofstream("Data/Misc/RenderTechniques_20.dat") << "technique broken\n";
    Dev()->SetLostFrames(1, 2);
    EXPECT_EQ(g_D3DRender.Present(), 0);
    g_D3DRender.Present();
    EXPECT_EQ(Dev()->resets, 1u);
    EXPECT_TRUE(LogHas("Create render techniques failed!"));
    EXPECT_EQ(g_D3DRender.effect, nullptr);
    EXPECT_NE(g_D3DRender.device, nullptr) << "the device stays for the rest of the frame";
    EXPECT_EQ(g_Settings.useGameMenu, 0);
    EXPECT_EQ(g_GameMenuActive, 0);
    EXPECT_EQ(g_LocationFinished, 1);
    g_LocationFinished = 0;
}

TEST_F(RenderLostTest, PresentFailureShownOnceAndEndsTheGame)
{
    Start();
    g_Settings.useGameMenu = 1;
    g_LocationFinished = 0;
    g_NullGfxConfig.failPresent = true;
    EXPECT_LT(g_D3DRender.Present(), 0);
    EXPECT_LT(g_D3DRender.Present(), 0);
    int shown = 0;
    for (auto& l : LogLines())
        shown += l == "Present frame failed!";
    EXPECT_LE(shown, 1);
    EXPECT_EQ(g_LocationFinished, 1);
    EXPECT_EQ(g_Settings.useGameMenu, 0);
    g_LocationFinished = 0;
}

TEST_F(RenderLostTest, FrameRateAndMessageScreen)
{
    Start();
    g_D3DRender.GetFPS();
    EXPECT_GE(g_D3DRender.GetFPS(), 0.0f);
    g_D3DRender.DrawMessageScreen(-1, -1, "Loading", 0xffffffffu, 0xffffffffu);
    EXPECT_EQ(Dev()->Count("BeginScene"), 1u);
    EXPECT_EQ(Dev()->Count("EndScene"), 1u);
    EXPECT_EQ(Dev()->Count("Present"), 1u);
}
