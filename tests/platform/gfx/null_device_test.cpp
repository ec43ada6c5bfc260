// The state keeping of the device layer (shared by both backends), seen through the null device,
// and the fixed-pipeline shader key.
#include <gtest/gtest.h>

#include <string>

#include "platform/gfx/ff_shader.h"
#include "platform/gfx/null_device.h"
#include "platform/gfx/texture_base.h"

namespace {
D3DPRESENT_PARAMETERS Params(unsigned w = 320, unsigned h = 200)
{
    D3DPRESENT_PARAMETERS pp;
    pp.BackBufferWidth = w;
    pp.BackBufferHeight = h;
    pp.EnableAutoDepthStencil = 1;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    return pp;
}
} // namespace

TEST(NullDeviceTest, DirectXDefaultsAndBoundsChecks)
{
    NullGfxDevice* dev = new NullGfxDevice(Params());
    unsigned v = 0;
    dev->GetRenderState(D3DRS_ZENABLE, &v);
    EXPECT_EQ(v, 1u);
    dev->GetRenderState(D3DRS_CULLMODE, &v);
    EXPECT_EQ(v, (unsigned)D3DCULL_CCW);
    dev->GetRenderState(D3DRS_LIGHTING, &v);
    EXPECT_EQ(v, 1u);
    dev->GetTextureStageState(0, D3DTSS_ALPHAOP, &v);
    EXPECT_EQ(v, (unsigned)D3DTOP_SELECTARG1);
    dev->GetTextureStageState(1, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, (unsigned)D3DTOP_DISABLE);
    dev->GetTextureStageState(3, D3DTSS_TEXCOORDINDEX, &v);
    EXPECT_EQ(v, 3u);
    D3DVIEWPORT9 vp;
    dev->GetViewport(&vp);
    EXPECT_EQ(vp.width, 320u);
    EXPECT_EQ(vp.height, 200u);
    EXPECT_NE(dev->SetRenderState((D3DRENDERSTATETYPE)5000, 1), D3D_OK);
    EXPECT_NE(dev->SetTextureStageState(8, D3DTSS_COLOROP, 1), D3D_OK);
    EXPECT_NE(dev->SetSamplerState(0, (D3DSAMPLERSTATETYPE)99, 1), D3D_OK);
    EXPECT_NE(dev->SetLight(GFX_MAX_LIGHTS, nullptr), D3D_OK);
    EXPECT_NE(dev->SetTransform((D3DTRANSFORMSTATETYPE)77, nullptr), D3D_OK);
    EXPECT_EQ(GfxFvfStride(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1), 32u);
    EXPECT_EQ(GfxFvfStride(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1), 28u);
    EXPECT_EQ(GfxFvfStride(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE3(1)), 44u);
    EXPECT_EQ(GfxFvfStride(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1), 32u);
    dev->Release();
}

TEST(NullDeviceTest, BoundObjectsAreReferenced)
{
    NullGfxDevice* dev = new NullGfxDevice(Params());
    GfxTexture* t = nullptr;
    ASSERT_EQ(dev->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &t), D3D_OK);
    dev->SetTexture(0, t);
    EXPECT_EQ(t->RefCount(), 2u);
    dev->SetTexture(0, nullptr);
    EXPECT_EQ(t->RefCount(), 1u);
    GfxSurface* level = nullptr;
    ASSERT_EQ(t->GetSurfaceLevel(0, &level), D3D_OK);
    EXPECT_EQ(t->RefCount(), 2u) << "a level surface holds its texture";
    GfxSurface* back = nullptr;
    dev->GetRenderTarget(0, &back);
    ASSERT_EQ(dev->SetRenderTarget(0, level), D3D_OK);
    D3DVIEWPORT9 vp;
    dev->GetViewport(&vp);
    EXPECT_EQ(vp.width, 16u) << "a new target resets the viewport";
    level->Release();
    t->Release();
    EXPECT_EQ(t->RefCount(), 1u) << "still bound as the target";
    dev->SetRenderTarget(0, back);
    back->Release();
    // A texture without render-target usage cannot be a target.
    ASSERT_EQ(dev->CreateTexture(8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
    t->GetSurfaceLevel(0, &level);
    EXPECT_NE(dev->SetRenderTarget(0, level), D3D_OK);
    level->Release();
    EXPECT_EQ(t->GetLevelCount(), 4u);
    D3DLOCKED_RECT lr;
    GfxRect outside{0, 0, 9, 8};
    EXPECT_NE(t->LockRect(0, &lr, &outside, 0), D3D_OK);
    EXPECT_EQ(t->LockRect(1, &lr, nullptr, 0), D3D_OK);
    EXPECT_NE(t->LockRect(0, &lr, nullptr, 0), D3D_OK) << "one lock at a time";
    EXPECT_NE(t->UnlockRect(0), D3D_OK);
    EXPECT_EQ(t->UnlockRect(1), D3D_OK);
    t->Release();
    dev->Release();
}

TEST(NullDeviceTest, LostNotResetCycle)
{
    NullGfxDevice* dev = new NullGfxDevice(Params());
    dev->SetLostFrames(2, 4);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    D3DPRESENT_PARAMETERS pp = Params(640, 480);
    EXPECT_EQ(dev->Reset(&pp), D3DERR_DEVICELOST) << "no reset while lost";
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    EXPECT_EQ(dev->Reset(&pp), D3D_OK);
    unsigned v = 0;
    dev->GetRenderState(D3DRS_CULLMODE, &v);
    EXPECT_EQ(v, (unsigned)D3DCULL_CCW) << "a reset restores the defaults";
    D3DVIEWPORT9 vp;
    dev->GetViewport(&vp);
    EXPECT_EQ(vp.width, 640u);
    GfxSurface* back = nullptr;
    ASSERT_EQ(dev->GetRenderTarget(0, &back), D3D_OK);
    D3DSURFACE_DESC d;
    back->GetDesc(&d);
    EXPECT_EQ(d.Width, 640u);
    back->Release();
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK) << "lost once only";
    dev->Release();

    unsigned a = 9, b = 9;
    GfxParseFramePair("12,30", &a, &b);
    EXPECT_EQ(a, 12u);
    EXPECT_EQ(b, 30u);
    GfxParseFramePair(nullptr, &a, &b);
    EXPECT_EQ(a + b, 0u);
    auto list = GfxParseFrameList("1,5,40");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[2], 40u);
    EXPECT_TRUE(GfxParseFrameList("x").empty());
}

TEST(FixedPipelineKeyTest, StagesStopAtTheFirstDisabledOne)
{
    GfxStateBlock s;
    s.SetDefaults(true, 8, 8);
    FFVertexInfo v;
    v.normal = true;
    bool tex[FF_MAX_STAGES] = {true, true, false, false};
    FFKey k = FFMakeKey(s, v, tex);
    EXPECT_EQ(k.stageCount, 1);
    EXPECT_EQ(k.lighting, 1);
    s.tss[1][D3DTSS_COLOROP] = D3DTOP_MULTIPLYADD;
    s.tss[1][D3DTSS_COLORARG0] = D3DTA_TFACTOR;
    s.tss[3][D3DTSS_COLOROP] = D3DTOP_ADD; // after a disabled stage 2: unused
    FFKey k2 = FFMakeKey(s, v, tex);
    EXPECT_EQ(k2.stageCount, 2);
    EXPECT_NE(k.Bytes(), k2.Bytes());
    // The enabled lights by kind, in slot order: a directional one in slot 0, a point one in 2.
    s.lightEnabled[0] = s.lightEnabled[2] = true;
    s.lights[0].Type = D3DLIGHT_DIRECTIONAL;
    s.lights[2].Type = D3DLIGHT_POINT;
    FFKey lit = FFMakeKey(s, v, tex);
    EXPECT_EQ(lit.lightCount, 2);
    EXPECT_EQ(lit.lightDirectional, 1);
    const std::string vs = FFVertexSource(lit);
    EXPECT_NE(vs.find("normalize(-u_LightDir[0])"), std::string::npos) << vs;
    EXPECT_NE(vs.find("u_LightPos[1] - P"), std::string::npos) << vs;
    s.lights[2].Type = D3DLIGHT_DIRECTIONAL;
    EXPECT_NE(FFMakeKey(s, v, tex).Bytes(), lit.Bytes());
    s.lightEnabled[0] = s.lightEnabled[2] = false;
    std::string fs = FFFragmentSource(k2);
    EXPECT_NE(fs.find("u_TFactor + "), std::string::npos) << fs;
    // A stage sampling with the second coordinate set gets that set passed on.
    s.tss[1][D3DTSS_TEXCOORDINDEX] = 1;
    bool tex2[FF_MAX_STAGES] = {false, true, false, false};
    FFKey second = FFMakeKey(s, v, tex2);
    EXPECT_NE(FFVertexSource(second).find("v_Tex1 = in_TexCoord1"), std::string::npos);
    EXPECT_NE(FFFragmentSource(second).find("texture(u_Tex1, v_Tex1.xy)"), std::string::npos);
    s.tss[1][D3DTSS_TEXCOORDINDEX] = 0;
    v.rhw = true;
    FFKey k3 = FFMakeKey(s, v, tex);
    EXPECT_EQ(k3.lighting, 0) << "pre-transformed vertices are never lit";
    EXPECT_NE(FFVertexSource(k3).find("u_TargetSize"), std::string::npos);
    s.rs[D3DRS_SHADEMODE] = D3DSHADE_FLAT;
    EXPECT_NE(FFVertexSource(FFMakeKey(s, v, tex)).find("flat out vec4 v_Diffuse"), std::string::npos);
}

// A game run on the null backend (KORVANE_GFX=null) goes on for hours: its device must not
// keep a line for every call.
TEST(NullDeviceTest, TheSwitchedOnBackendKeepsNoCallLog)
{
    setenv("KORVANE_GFX", "null", 1);
    GfxSystem* system = GfxCreateSystem();
    ASSERT_NE(system, nullptr);
    D3DPRESENT_PARAMETERS pp = Params();
    GfxDevice* device = nullptr;
    ASSERT_EQ(system->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &pp, &device), D3D_OK);
    auto* dev = static_cast<NullGfxDevice*>(device);
    for (int frame = 0; frame < 100; ++frame) {
        dev->SetRenderState(D3DRS_ZENABLE, 1);
        dev->Present(nullptr, nullptr, nullptr, nullptr);
    }
    EXPECT_TRUE(dev->calls.empty());
    EXPECT_EQ(dev->presents, 100u);
    device->Release();
    system->Release();
    unsetenv("KORVANE_GFX");
    g_NullGfxConfig.Restore();
}
