// The gl device under Xvfb: cleared frames, a lit textured quad through the fixed pipeline,
// pre-transformed quads on exact pixels, a render target shown the right way up, and the
// bump technique of the game's technique file; the presented frames are read back through
// the screenshot switch (frame_<n>.png) and compared by region.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/settings.h"
#include "platform/gfx/image.h"
#include "platform/win/window.h"
#include "render/d3d_render.h"

namespace {

struct Rgb {
    double r = 0, g = 0, b = 0;
};

Rgb Mean(const GfxImage& im, unsigned x0, unsigned y0, unsigned x1, unsigned y1)
{
    Rgb m;
    unsigned n = 0;
    for (unsigned y = y0; y < y1 && y < im.height; ++y)
        for (unsigned x = x0; x < x1 && x < im.width; ++x, ++n) {
            uint32_t c = im.texels[size_t(y) * im.width + x];
            m.r += (c >> 16) & 255;
            m.g += (c >> 8) & 255;
            m.b += c & 255;
        }
    if (n)
        m.r /= n, m.g /= n, m.b /= n;
    return m;
}

bool Near(const Rgb& c, double r, double g, double b, double tol = 12.0)
{
    return std::abs(c.r - r) <= tol && std::abs(c.g - g) <= tol && std::abs(c.b - b) <= tol;
}

uint32_t Pixel(const GfxImage& im, unsigned x, unsigned y) { return im.texels[size_t(y) * im.width + x] & 0xFFFFFF; }

LRESULT TestProc(WindowHandle w, unsigned m, WPARAM wp, LPARAM lp) { return DefWindowProc(w, m, wp, lp); }

struct LitVertex {
    float x, y, z, nx, ny, nz, u, v;
};
struct ScreenVertexT {
    float x, y, z, rhw;
    uint32_t colour;
    float u, v;
};
struct BumpVertex {
    float x, y, z, nx, ny, nz, u, v, tx, ty, tz;
};

GfxTexture* MakeTexture(GfxDevice* dev, unsigned size, uint32_t left, uint32_t right)
{
    GfxTexture* tex = nullptr;
    EXPECT_EQ(dev->CreateTexture(size, size, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    D3DLOCKED_RECT lr;
    EXPECT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
    for (unsigned y = 0; y < size; ++y)
        for (unsigned x = 0; x < size; ++x)
            ((uint32_t*)((uint8_t*)lr.pBits + y * lr.Pitch))[x] = x < size / 2 ? left : right;
    tex->UnlockRect(0);
    return tex;
}

void ScreenQuad(GfxDevice* dev, float x0, float y0, float x1, float y1, uint32_t colour)
{
    ScreenVertexT v[4] = {{x0, y0, 0, 1, colour, 0, 0}, {x1, y0, 0, 1, colour, 1, 0},
                          {x0, y1, 0, 1, colour, 0, 1}, {x1, y1, 0, 1, colour, 1, 1}};
    dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ScreenVertexT));
}

} // namespace

TEST(GfxE2E, DeviceDrawsClearedLitTexturedAndBumpedFrames)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no display (run under xvfb-run)";
    namespace fs = std::filesystem;
    char work[] = "/tmp/korvane-gfxquad-XXXXXX";
    ASSERT_NE(mkdtemp(work), nullptr);
    const std::string shots = std::string(work) + "/shots";
    fs::create_directories(std::string(work) + "/Data/Misc");
    for (const char* f : {"RenderTechniques_20.dat", "RenderTechniques_11.dat"})
        fs::copy_file(std::string(KORVANE_SOURCE_DIR) + "/data/Data/Misc/" + f,
                      std::string(work) + "/Data/Misc/" + f);
    ASSERT_EQ(chdir(work), 0);
    setenv("KORVANE_SCREENSHOT", shots.c_str(), 1);
    setenv("KORVANE_SHOT_FRAMES", "1,2,3,4", 1);
    g_Settings.useFileManager = 0;
    g_Settings.windowed = 1;

    ASSERT_TRUE(RegisterClass("KorvaneGfxE2E", TestProc));
    WindowHandle window = CreateWindow("KorvaneGfxE2E", "gfx", 0, 0, 800, 600);
    ASSERT_NE(window, nullptr);
    g_Settings.videoMode = 100;
    ASSERT_EQ(g_D3DRender.InitD3D(1), 0);
    for (int i = 0; i < g_D3DRender.modeCount; ++i)
        if (g_D3DRender.modes[i].Width == 800 && g_D3DRender.modes[i].Height == 600)
            g_Settings.videoMode = i;
    ASSERT_EQ(g_D3DRender.CreateDevice(window, 1), 0);
    GfxDevice* dev = g_D3DRender.device;
    ASSERT_NE(dev, nullptr);
    ASSERT_EQ(g_D3DRender.width, 800.0f);
    ASSERT_NE(g_D3DRender.effect, nullptr) << "the technique file must compile on GL";
    ASSERT_TRUE(g_D3DRender.shaderModel20);
    // The quads below are clockwise as seen: cull the other way round.
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);

    // Frame 1: the clear colour only.
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff203040u, 1.0f, 0);
    ASSERT_EQ(g_D3DRender.Present(), 0);

    // Frame 2: fixed pipeline.
    GfxTexture* redGreen = MakeTexture(dev, 64, 0xffff0000u, 0xff00ff00u);
    GfxTexture* target = nullptr;
    ASSERT_EQ(dev->CreateTexture(128, 128, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &target), D3D_OK);
    GfxSurface* depth = nullptr;
    ASSERT_EQ(dev->CreateDepthStencilSurface(128, 128, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, 1, &depth), D3D_OK);
    {
        // Into the render target: yellow on its top half over a magenta clear.
        GfxSurface *oldTarget = nullptr, *oldDepth = nullptr, *rt = nullptr;
        dev->GetRenderTarget(0, &oldTarget);
        dev->GetDepthStencilSurface(&oldDepth);
        target->GetSurfaceLevel(0, &rt);
        ASSERT_EQ(dev->SetRenderTarget(0, rt), D3D_OK);
        dev->SetDepthStencilSurface(depth);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xffff00ffu, 1.0f, 0);
        dev->BeginScene();
        g_D3DRender.SetTexture(-1, 0);
        g_D3DRender.SetZEnable(0);
        g_D3DRender.SetLighting(0);
        ScreenQuad(dev, 0, 0, 128, 64, 0xffffff00u);
        dev->EndScene();
        dev->SetRenderTarget(0, oldTarget);
        dev->SetDepthStencilSurface(oldDepth);
        rt->Release();
        oldTarget->Release();
        oldDepth->Release();
    }
    D3DVIEWPORT9 full;
    full.width = 800;
    full.height = 600;
    dev->SetViewport(&full);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000u, 1.0f, 0);
    dev->BeginScene();
    const Matrix view = MatrixLookAtLH(Vec3(0, 0, -5), Vec3(0, 0, 0), Vec3(0, 1, 0));
    const Matrix proj = MatrixPerspectiveFovLH(0.785398f, 800.0f / 600.0f, 1.0f, 100.0f);
    const Matrix world = MatrixIdentity();
    dev->SetTransform(D3DTS_VIEW, &view);
    dev->SetTransform(D3DTS_PROJECTION, &proj);
    dev->SetTransform(D3DTS_WORLD, &world);
    D3DLIGHT9 light;
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 1};
    light.Direction = Vec3(0, 0, 1);
    dev->SetLight(0, &light);
    dev->LightEnable(0, 1);
    dev->SetRenderState(D3DRS_AMBIENT, 0);
    g_D3DRender.SetZEnable(1);
    g_D3DRender.SetLighting(1);
    dev->SetTexture(0, redGreen);
    g_D3DRender.SetTexturePtr(redGreen, 0);
    // A 2x2 quad facing the camera, clockwise as seen (front face with the default culling).
    LitVertex quad[4] = {{-1, 1, 0, 0, 0, -1, 0, 0}, {1, 1, 0, 0, 0, -1, 1, 0},
                         {-1, -1, 0, 0, 0, -1, 0, 1}, {1, -1, 0, 0, 0, -1, 1, 1}};
    dev->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(LitVertex)), D3D_OK);
    // The same quad dimmed by a half-grey material, lower left.
    D3DMATERIAL9 grey;
    grey.Diffuse = {0.5f, 0.5f, 0.5f, 1};
    grey.Ambient = {1, 1, 1, 1};
    dev->SetMaterial(&grey);
    const Matrix moved = MatrixTranslation(-2.6f, -1.5f, 0);
    dev->SetTransform(D3DTS_WORLD, &moved);
    dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(LitVertex));
    D3DMATERIAL9 white;
    white.Diffuse = white.Ambient = {1, 1, 1, 1};
    dev->SetMaterial(&white);
    // Pre-transformed: blue on exact pixels; then the render target, right way up.
    g_D3DRender.SetTexture(-1, 0);
    g_D3DRender.SetZEnable(0);
    g_D3DRender.SetLighting(0);
    ScreenQuad(dev, 10, 10, 110, 60, 0xff0000ffu);
    g_D3DRender.SetTexturePtr(target, 0);
    ScreenQuad(dev, 600, 100, 728, 228, 0xffffffffu);
    dev->EndScene();
    ASSERT_EQ(g_D3DRender.Present(), 0);

    // Frame 3: the bump technique on a flat normal map, lit head-on by the first light.
    GfxTexture* base = MakeTexture(dev, 64, 0xffc0c0c0u, 0xffc0c0c0u);
    GfxTexture* flat = MakeTexture(dev, 64, 0xff8080ffu, 0xff8080ffu);
    dev->SetViewport(&full);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000u, 1.0f, 0);
    dev->BeginScene();
    static const D3DVERTEXELEMENT9 elements[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
        {0, 24, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0}, {0, 32, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_TANGENT, 0},
        D3DDECL_END()};
    GfxVertexDeclaration* decl = nullptr;
    ASSERT_EQ(dev->CreateVertexDeclaration(elements, &decl), D3D_OK);
    BumpVertex bq[4] = {{-1, 1, 0, 0, 0, -1, 0, 0, 1, 0, 0}, {1, 1, 0, 0, 0, -1, 1, 0, 1, 0, 0},
                        {-1, -1, 0, 0, 0, -1, 0, 1, 1, 0, 0}, {1, -1, 0, 0, 0, -1, 1, 1, 1, 0, 0}};
    GfxEffect* fx = g_D3DRender.effect;
    g_D3DRender.SetBumpTechnique();
    g_D3DRender.SetZEnable(1);
    for (int side = 0; side < 2; ++side) {
        const Matrix w = MatrixTranslation(side == 0 ? -1.2f : 1.2f, 0, 0);
        const Matrix wvp = w * view * proj;
        fx->SetMatrix("matWorldViewProj", &wvp);
        fx->SetMatrix("matWorld", &w);
        Vec4 dir(0, 0, 1, 0), on(1, 1, 1, 1), off(0, 0, 0, 0), amb(0.1f, 0.1f, 0.1f, 1);
        fx->SetVector("DirLight_DirMS", &dir);
        fx->SetVector("DirLight_Diff", side == 0 ? &on : &off);
        fx->SetVector("DirLight2_Diff", &off);
        fx->SetVector("GlobalAmbient", &amb);
        fx->SetVector("UnknownParameter", &amb); // ignored
        g_D3DRender.SetEffectTexture("texBaseMap1", base);
        g_D3DRender.SetEffectTexture("texBumpMap1", flat);
        dev->SetVertexDeclaration(decl);
        unsigned passes = 0;
        ASSERT_EQ(fx->Begin(&passes, 0), D3D_OK);
        ASSERT_EQ(passes, 1u);
        fx->BeginPass(0);
        dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, bq, sizeof(BumpVertex));
        fx->EndPass();
        fx->End();
    }
    dev->EndScene();
    ASSERT_EQ(g_D3DRender.Present(), 0);

    // Frame 4: point lights with range and attenuation, fixed pipeline, white texture.
    dev->SetViewport(&full);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000u, 1.0f, 0);
    dev->BeginScene();
    dev->SetVertexDeclaration(nullptr);
    g_D3DRender.SetLighting(1);
    dev->SetRenderState(D3DRS_AMBIENT, 0);
    dev->SetMaterial(&white);
    dev->LightEnable(0, 0);
    g_D3DRender.SetTexturePtr(base, 0);
    for (int side = 0; side < 2; ++side) {
        const Matrix w = MatrixTranslation(side == 0 ? -1.2f : 1.2f, 0, 0);
        dev->SetTransform(D3DTS_WORLD, &w);
        D3DLIGHT9 point;
        point.Type = D3DLIGHT_POINT;
        point.Diffuse = {1, 1, 1, 1};
        point.Position = Vec3(side == 0 ? -1.2f : 1.2f, 0, -2);
        point.Range = side == 0 ? 1.5f : 10.0f; // the left quad lies out of range
        point.Attenuation1 = 0.5f;
        dev->SetLight(1, &point);
        dev->LightEnable(1, 1);
        dev->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
        dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(LitVertex));
    }
    dev->EndScene();
    ASSERT_EQ(g_D3DRender.Present(), 0);

    decl->Release();
    base->Release();
    flat->Release();
    redGreen->Release();
    target->Release();
    depth->Release();
    g_D3DRender.FreeD3DRender();
    DestroyWindow(window);

    GfxImage f1, f2, f3, f4;
    std::string err;
    for (auto [n, im] : {std::pair{1, &f1}, std::pair{2, &f2}, std::pair{3, &f3}, std::pair{4, &f4}}) {
        std::ifstream in(shots + "/frame_" + std::to_string(n) + ".png", std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
        ASSERT_TRUE(GfxDecodePng(bytes.data(), bytes.size(), im, &err)) << "frame " << n << ": " << err;
        ASSERT_EQ(im->width, 800u);
        ASSERT_EQ(im->height, 600u);
    }

    EXPECT_TRUE(Near(Mean(f1, 0, 0, 800, 600), 0x20, 0x30, 0x40, 2)) << "clear colour";

    // The lit quad spans about x 310..490, y 210..390: red on the left, green on the right.
    Rgb left = Mean(f2, 340, 270, 390, 330), right = Mean(f2, 410, 270, 460, 330);
    EXPECT_TRUE(Near(left, 255, 0, 0)) << left.r << " " << left.g << " " << left.b;
    EXPECT_TRUE(Near(right, 0, 255, 0)) << right.r << " " << right.g << " " << right.b;
    Rgb dim = Mean(f2, 2, 420, 18, 460);
    EXPECT_TRUE(Near(dim, 128, 0, 0, 16)) << "material halves the light: " << dim.r << " " << dim.g;
    EXPECT_TRUE(Near(Mean(f2, 760, 560, 800, 600), 0, 0, 0, 1)) << "background";
    // Pre-transformed pixels: exactly [10, 110) x [10, 60).
    EXPECT_EQ(Pixel(f2, 10, 10), 0x0000ffu);
    EXPECT_EQ(Pixel(f2, 109, 59), 0x0000ffu);
    EXPECT_EQ(Pixel(f2, 9, 10), 0u);
    EXPECT_EQ(Pixel(f2, 10, 9), 0u);
    EXPECT_EQ(Pixel(f2, 110, 59), 0u);
    EXPECT_EQ(Pixel(f2, 109, 60), 0u);
    // The render target: its top half yellow, the rest its magenta clear.
    EXPECT_TRUE(Near(Mean(f2, 610, 110, 718, 150), 255, 255, 0)) << "render target upside down?";
    EXPECT_TRUE(Near(Mean(f2, 610, 180, 718, 220), 255, 0, 255));

    // Bump technique: the lit quad shows the base colour, the unlit one only the ambient.
    Rgb lit = Mean(f3, 250, 270, 330, 330), unlit = Mean(f3, 470, 270, 550, 330);
    EXPECT_TRUE(Near(lit, 0xc0 * 1.1, 0xc0 * 1.1, 0xc0 * 1.1, 8)) << lit.r;
    EXPECT_TRUE(Near(unlit, 0xc0 * 0.1, 0xc0 * 0.1, 0xc0 * 0.1, 8)) << unlit.r;

    // Point lights: out of range gives black. Lighting is per vertex: each corner lies sqrt(6)
    // from the light, so N.L = 2 / sqrt(6) and attenuation 1 / (0.5 sqrt(6)): two thirds.
    Rgb far = Mean(f4, 210, 290, 240, 310), near = Mean(f4, 560, 290, 590, 310);
    EXPECT_TRUE(Near(far, 0, 0, 0, 2)) << far.r;
    EXPECT_TRUE(Near(near, 0xc0 * 2 / 3.0, 0xc0 * 2 / 3.0, 0xc0 * 2 / 3.0, 6)) << near.r;
    fs::remove_all(work);
}
