// A generated ship loaded through CGameObject and the mesh container from the built data set,
// drawn lit and textured on the gl device under Xvfb, once plainly and once through the bump
// technique; the presented frames are read back from the screenshot switch.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app/settings.h"
#include "platform/gfx/image.h"
#include "platform/win/window.h"
#include "render/d3d_render.h"
#include "render/mesh.h"
#include "render/mesh_container.h"
#include "world/game_object.h"

namespace {

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

struct Region {
    double r = 0, g = 0, b = 0;
    double lit = 0;  // share of pixels brighter than the background
};

Region Measure(const GfxImage& im, unsigned x0, unsigned y0, unsigned x1, unsigned y1)
{
    Region s;
    unsigned n = 0, lit = 0;
    for (unsigned y = y0; y < y1 && y < im.height; ++y)
        for (unsigned x = x0; x < x1 && x < im.width; ++x, ++n) {
            uint32_t c = im.texels[size_t(y) * im.width + x];
            unsigned r = (c >> 16) & 255, g = (c >> 8) & 255, b = c & 255;
            s.r += r, s.g += g, s.b += b;
            if (r + g + b > 30) ++lit;
        }
    if (n) s.r /= n, s.g /= n, s.b /= n, s.lit = double(lit) / n;
    return s;
}

LRESULT TestProc(WindowHandle w, unsigned m, WPARAM wp, LPARAM lp) { return DefWindowProc(w, m, wp, lp); }

void DrawShipFrame(CGameObject& ship)
{
    GfxDevice* dev = g_D3DRender.device;
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000u, 1.0f, 0);
    dev->BeginScene();
    const Matrix view = MatrixLookAtLH(Vec3(0, 9, -22), Vec3(0, 0, 0), Vec3(0, 1, 0));
    const Matrix proj = MatrixPerspectiveFovLH(0.8f, 800.0f / 600.0f, 1.0f, 1000.0f);
    dev->SetTransform(D3DTS_VIEW, &view);
    dev->SetTransform(D3DTS_PROJECTION, &proj);
    D3DLIGHT9 light;
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = D3DCOLORVALUE{1, 1, 1, 1};
    light.Specular = D3DCOLORVALUE{1, 1, 1, 1};
    light.Direction = Vec3Normalize(Vec3(0.3f, -1.0f, 0.6f));
    dev->SetLight(0, &light);
    dev->LightEnable(0, 1);
    dev->SetRenderState(D3DRS_AMBIENT, 0xff404040u);
    if (GfxEffect* fx = g_D3DRender.effect) {
        Vec4 diff(1, 1, 1, 1), amb(0.25f, 0.25f, 0.25f, 1);
        fx->SetVector("DirLight_Diff", &diff);
        fx->SetVector("DirLight_Spec", &diff);
        fx->SetVector("GlobalAmbient", &amb);
    }
    ship.DrawMesh(0);
    dev->EndScene();
    dev->Present(nullptr, nullptr, nullptr, nullptr);
}

} // namespace

TEST(MeshDrawE2E, GeneratedShipDrawsLitTexturedAndBumped)
{
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display (run under xvfb-run)";
    const std::string gameDir = KORVANE_GAME_DIR;
    if (access((gameDir + "/Data/Space/Ship/Eagle.M1/Main.msh").c_str(), R_OK) != 0)
        GTEST_SKIP() << "the data set is not built";
    char shots[] = "/tmp/korvane-meshshots-XXXXXX";
    ASSERT_NE(mkdtemp(shots), nullptr);
    setenv("KORVANE_SCREENSHOT", shots, 1);
    // Each picture is presented twice and the second shot of it is read, so a read-back
    // that trails the swap by one frame still sees the right picture.
    setenv("KORVANE_SHOT_FRAMES", "2,4", 1);
    ASSERT_EQ(chdir(gameDir.c_str()), 0);
    g_Settings.useFileManager = 0;
    g_Settings.bmpToJpg = 1;

    ASSERT_TRUE(RegisterClass("KorvaneMeshE2E", TestProc));
    WindowHandle window = CreateWindow("KorvaneMeshE2E", "mesh", 0, 0, 800, 600);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(g_D3DRender.InitD3D(1), 0);
    ASSERT_EQ(g_D3DRender.CreateDevice(window, 1), 0);
    ASSERT_NE(g_D3DRender.device, nullptr);

    {
        CGameObject ship;
        ship.objectClass = GCLASS_SPACE_SHIP;
        ship.AddMesh("Data/Space/Ship/Eagle.M1/Main.msh", D3D_BUMPVERTEX);
        ship.AddTexture(0, "Data/Space/Ship/Eagle.M1/Main.bmp", 0);
        ship.AddTexture(1, "Data/Space/Ship/Eagle.M1/Bump.bmp", 0);
        ship.UpdateTransform();  // the draw matrix follows the world matrix
        ship.UpdateBounds();
        ASSERT_EQ(ship.meshCount, 1);
        ASSERT_GT(ship.meshes[0]->m_SubMeshCount, 0);
        ASSERT_EQ(ship.textureCount, 2.0f);
        EXPECT_EQ(ship.meshes[0]->m_PointCount[MESH_POINTS_COCKPIT], 1);
        EXPECT_EQ(ship.meshes[0]->m_PointCount[MESH_POINTS_LASER], 2);

        const int bumpFlag = g_D3DRender.bumpMapping;
        g_D3DRender.bumpMapping = 0;
        DrawShipFrame(ship);
        DrawShipFrame(ship);
        g_D3DRender.bumpMapping = bumpFlag;
        DrawShipFrame(ship);
        DrawShipFrame(ship);

        ship.ReleaseTextures();
        ship.ReleaseMeshes();
        EXPECT_EQ(CMeshContainer::Count(), 0);
    }
    g_D3DRender.FreeD3DRender();
    DestroyWindow(window);

    GfxImage plain, bumped;
    std::string err;
    std::vector<uint8_t> a = ReadAll(std::string(shots) + "/frame_2.png");
    std::vector<uint8_t> b = ReadAll(std::string(shots) + "/frame_4.png");
    ASSERT_TRUE(GfxDecodePng(a.data(), a.size(), &plain, &err)) << err;
    ASSERT_TRUE(GfxDecodePng(b.data(), b.size(), &bumped, &err)) << err;

    // The hull fills the middle; the corners stay the clear colour.
    const unsigned w = plain.width, h = plain.height;
    auto box = [&](const GfxImage& im, double x0, double y0, double x1, double y1) {
        return Measure(im, unsigned(x0 * w), unsigned(y0 * h), unsigned(x1 * w), unsigned(y1 * h));
    };
    const Region centre = box(plain, 0.48, 0.47, 0.52, 0.53);
    const Region corner = box(plain, 0.0, 0.0, 0.08, 0.08);
    EXPECT_GT(centre.lit, 0.9) << "ship not drawn in the middle";
    EXPECT_LT(corner.lit, 0.01);
    // Lit and textured with the grey-blue hull plating: blue leads red, not flat white.
    EXPECT_GT(centre.b, centre.r);
    EXPECT_LT(centre.r, 250.0);
    // The wings reach out to both sides.
    EXPECT_GT(box(plain, 0.30, 0.47, 0.38, 0.57).lit, 0.3);
    EXPECT_GT(box(plain, 0.62, 0.47, 0.70, 0.57).lit, 0.3);
    EXPECT_LT(box(plain, 0.10, 0.47, 0.20, 0.57).lit, 0.01);

    // The bump technique draws the same silhouette.
    const Region bumpCentre = box(bumped, 0.48, 0.47, 0.52, 0.53);
    EXPECT_GT(bumpCentre.lit, 0.9) << "bump draw left the middle empty";
    EXPECT_LT(box(bumped, 0.0, 0.0, 0.08, 0.08).lit, 0.01);
    if (!::testing::Test::HasFailure()) std::system((std::string("rm -rf '") + shots + "'").c_str());
    else std::printf("screenshots kept in %s\n", shots);
}
