// Particle sets: creation of the four kinds, the dust that keeps round the camera, the star
// sphere that follows it, billboards, and what a set asks of the device (null device).
#include "world/particles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "platform/crt/rand.h"
#include "render/camera.h"
#include "world/objects/unit.h"
#include "world/world.h"
#include "world/draw_test_util.h"

namespace {

class ParticleSetTest : public ::testing::Test {
protected:
    NullGfxDevice* dev = nullptr;
    GfxDevice* oldDevice = nullptr;
    int oldWorld = 0, oldKind = 0, oldMessages = 0;
    CUnit* oldPlayer = nullptr;
    CCamera cam;

    void SetUp() override
    {
        dev = InstallNullDevice(&oldDevice);
        oldWorld = g_WorldIndex;
        oldKind = g_LocationKind;
        oldPlayer = g_PlayerObject;
        oldMessages = g_TextureErrorMessages;
        g_TextureErrorMessages = 0;  // no particle textures on disk here
        g_WorldIndex = 1;
        g_LocationKind = 1;
        g_PlayerObject = nullptr;
        Look(Vec3(0, 0, 0), Vec3(0, 0, 1));
        GameSrand(0);
    }
    void TearDown() override
    {
        RestoreDevice(dev, oldDevice);
        g_WorldIndex = oldWorld;
        g_LocationKind = oldKind;
        g_PlayerObject = oldPlayer;
        g_TextureErrorMessages = oldMessages;
    }
    void Look(const Vec3& eye, const Vec3& dir)
    {
        cam.eye = eye;
        cam.lookAt = eye + dir;
        cam.view = MatrixLookAtLH(eye, eye + dir, Vec3(0, 1, 0));
    }
    static Vec3 Pos(const ParticleVertex& v) { return Vec3(v.x, v.y, v.z); }
    static int Alpha(const ParticleVertex& v) { return int(v.diffuse >> 24); }
};

} // namespace

TEST_F(ParticleSetTest, ConstructedAndRefused)
{
    CParticleSet s;
    EXPECT_EQ(s.count, 0);
    EXPECT_EQ(s.kind, -1);
    EXPECT_EQ(s.vertices, nullptr);
    EXPECT_EQ(s.starTexture, -1);
    for (int t : s.textures) EXPECT_EQ(t, -1);
    EXPECT_EQ(s.transform.m[0][0], 1.0f);
    EXPECT_FALSE(s.Create(10, 4));
    EXPECT_FALSE(s.Create(0, 1));
    EXPECT_FALSE(s.Create(-3, 0));
    s.Render(&cam);  // nothing to draw
    EXPECT_EQ(dev->Count("DrawPrimitiveUP"), 0u);
}

TEST_F(ParticleSetTest, DustIsScatteredInsideItsSphereAndDeterministic)
{
    CParticleSet a, b;
    ASSERT_TRUE(a.Create(500, 0));
    GameSrand(0);
    ASSERT_TRUE(b.Create(500, 0));
    for (int i = 0; i < 500; ++i) {
        const ParticleVertex& v = a.vertices[i];
        // Each pair (a, b) and (a, c) lies within the circle of radius 200.
        EXPECT_LE(std::sqrt(v.x * v.x + v.y * v.y), 200.0f);
        EXPECT_LE(std::sqrt(v.x * v.x + v.z * v.z), 200.0f);
        EXPECT_EQ(v.x, std::floor(v.x));
        EXPECT_EQ(v.diffuse, 0u);
        EXPECT_EQ(Pos(v), Pos(b.vertices[i]));
    }
}

TEST_F(ParticleSetTest, DustAlphaFadesAndFarDustWraps)
{
    CParticleSet s;
    ASSERT_TRUE(s.Create(3, 0));
    s.vertices[0].x = 200; s.vertices[0].y = 0; s.vertices[0].z = 0;     // exactly on the edge
    s.vertices[1].x = 0;   s.vertices[1].y = 100; s.vertices[1].z = 0;   // half way
    s.vertices[2].x = 0;   s.vertices[2].y = 0; s.vertices[2].z = 250;   // outside
    s.Update(&cam);
    EXPECT_EQ(Pos(s.vertices[0]), Vec3(200, 0, 0));
    EXPECT_EQ(Alpha(s.vertices[0]), 0);
    EXPECT_EQ(Alpha(s.vertices[1]), 128);  // 127.5 rounds up
    EXPECT_EQ(s.vertices[1].diffuse & 0xFFFFFFu, 0xFFFFFFu);
    EXPECT_NEAR(s.vertices[2].z, -200.0f, 1e-3f);  // the far side
    EXPECT_EQ(Alpha(s.vertices[2]), 0);
}

TEST_F(ParticleSetTest, DustStaysRoundTheCameraDuringAFlight)
{
    CParticleSet dust, flakes;
    ASSERT_TRUE(dust.Create(500, 0));
    ASSERT_TRUE(flakes.Create(200, 1));
    Vec3 dir = Vec3Normalize(Vec3(1, 0.5f, 2));
    for (int step = 1; step <= 100; ++step) {
        Look(dir * (5.0f * step), dir);
        dust.Update(&cam);
        flakes.Update(&cam);
    }
    EXPECT_NEAR(Vec3Length(cam.eye), 500.0f, 1e-2f);
    for (int i = 0; i < 500; ++i) EXPECT_LE(Vec3Length(Pos(dust.vertices[i]) - cam.eye), 200.01f) << i;
    for (int i = 0; i < 200; ++i) EXPECT_LE(Vec3Length(flakes.particles[i].position - cam.eye), 200.01f) << i;
}

TEST_F(ParticleSetTest, FlakesFadeFaceTheCameraAndDrawPerTexture)
{
    CParticleSet s;
    ASSERT_TRUE(s.Create(200, 1));
    for (int i = 0; i < 200; ++i) {
        EXPECT_GE(s.particles[i].texture, 0.0f);
        EXPECT_LT(s.particles[i].texture, 32.0f);
    }
    EXPECT_EQ(s.vertices[0].x, -0.4f);
    EXPECT_EQ(s.vertices[3].y, -0.4f);
    EXPECT_EQ(s.vertices[1].u, 1.0f);
    EXPECT_EQ(s.vertices[2].v, 1.0f);

    Look(Vec3(10, 0, 0), Vec3(0, 0, 1));
    s.particles[0].position = Vec3(10, 0, 100);   // near: opaque
    s.particles[1].position = Vec3(10, 180, 0);   // fading
    s.Update(&cam);
    EXPECT_EQ(Alpha(s.vertices[0]), 255);
    EXPECT_EQ(Alpha(s.vertices[4]), 128);  // 20 x 6.375 = 127.5
    // The billboard's axes are the screen's: its plane faces along the view direction.
    const Matrix& m = s.particles[1].matrix;
    EXPECT_NEAR(m.m[2][2], 1.0f, 1e-5f);
    EXPECT_NEAR(m.m[0][0], 1.0f, 1e-5f);
    EXPECT_EQ(Vec3(m.m[3][0], m.m[3][1], m.m[3][2]), Vec3(10, 180, 0));

    // Every texture id binds once; particles sharing it go in one draw.
    for (int t = 0; t < kParticleTextureCount; ++t) s.textures[t] = -1;
    s.Render(&cam);
    EXPECT_EQ(dev->Count("DrawPrimitiveUP 4 400 28"), 1u);
    EXPECT_EQ(dev->State().rs[D3DRS_ZWRITEENABLE], 0u);
    EXPECT_EQ(dev->State().rs[D3DRS_LIGHTING], 0u);
    EXPECT_EQ(dev->State().fvf, kParticleFvf);

    // Two texture ids over the 32 numbers: two draws.
    for (int t = 0; t < kParticleTextureCount; ++t) s.textures[t] = t < 16 ? 5 : 6;
    std::set<int> used;
    for (int i = 0; i < 200; ++i) used.insert(int(s.particles[i].texture) < 16 ? 5 : 6);
    dev->ClearCalls();
    s.Render(&cam);
    EXPECT_EQ(dev->Count("DrawPrimitiveUP"), unsigned(used.size()));
    for (int t = 0; t < kParticleTextureCount; ++t) s.textures[t] = -1;

    // The world-space quads are the particles' corners through their matrices.
    for (int slot = 0; slot < 200; ++slot) {
        int i = s.drawOrder[slot];
        Vec3 corner = Vec3TransformCoord(Pos(s.vertices[i * 4 + 3]), s.particles[i].matrix);
        EXPECT_NEAR(Vec3Length(Pos(s.drawVertices[slot * 6 + 4]) - corner), 0.0f, 1e-3f);
        if (slot) {
            EXPECT_LE(int(s.particles[s.drawOrder[slot - 1]].texture), int(s.particles[i].texture));
        }
    }
    s.Release();
}

TEST_F(ParticleSetTest, StarSphereFollowsTheCamera)
{
    CParticleSet s;
    ASSERT_TRUE(s.Create(8000, 2));
    for (int i = 0; i < 8000; ++i) {
        EXPECT_NEAR(Vec3Length(Pos(s.vertices[i])), 1000.0f, 0.05f);
        EXPECT_GE(Alpha(s.vertices[i]), 0x38);
        EXPECT_EQ(s.vertices[i].diffuse & 0xFFFFFFu, 0xFFFFFFu);
    }
    Look(Vec3(300, -40, 7000), Vec3(1, 0, 0));
    s.Render(&cam);
    EXPECT_EQ(s.transform.m[3][0], 300.0f);
    EXPECT_EQ(s.transform.m[3][2], 7000.0f);
    for (int i = 0; i < 8000; i += 97) {
        Vec3 world = Vec3TransformCoord(Pos(s.vertices[i]), s.transform);
        EXPECT_NEAR(Vec3Length(world - cam.eye), 1000.0f, 0.1f);
    }
    EXPECT_EQ(dev->Count("DrawPrimitiveUP 1 8000 28"), 1u);
    EXPECT_EQ(dev->State().world.m[3][2], 7000.0f);
    EXPECT_EQ(dev->State().rs[D3DRS_ZWRITEENABLE], 0u);
    EXPECT_EQ(dev->State().rs[D3DRS_ALPHABLENDENABLE], 1u);
}

TEST_F(ParticleSetTest, StarSpritesAreAdditiveBillboardsInOneDraw)
{
    CParticleSet s;
    ASSERT_TRUE(s.Create(500, 3));
    for (int i = 0; i < 500; ++i) {
        float d = Vec3Length(s.stars[i].position);
        EXPECT_GE(d, 349.9f);
        EXPECT_LE(d, 500.1f);
        uint32_t c = s.vertices[i * 4].diffuse;
        EXPECT_EQ(c >> 24, 0xFFu);
        for (int shift = 0; shift < 24; shift += 8) EXPECT_GE((c >> shift) & 0xFF, 200u);
    }
    EXPECT_EQ(s.vertices[1].x, 400.0f);  // space world: half-size 400

    Look(Vec3(0, 50, 0), Vec3(0, 0, 1));
    s.Render(&cam);
    const Matrix& m = s.stars[7].matrix;
    Vec3 at = cam.eye + s.stars[7].position;
    EXPECT_NEAR(m.m[3][0], at.x, 1e-3f);
    EXPECT_NEAR(m.m[3][1], at.y, 1e-3f);
    EXPECT_EQ(dev->Count("DrawPrimitiveUP 4 1000 28"), 1u);
    EXPECT_EQ(dev->State().rs[D3DRS_SRCBLEND], unsigned(D3DBLEND_ONE));
    EXPECT_EQ(dev->State().rs[D3DRS_DESTBLEND], unsigned(D3DBLEND_ONE));
    EXPECT_EQ(dev->State().rs[D3DRS_ZENABLE], 0u);

    g_WorldIndex = 0;
    CParticleSet planet;
    ASSERT_TRUE(planet.Create(5, 3));
    EXPECT_EQ(planet.vertices[1].x, 4.0f);
}

TEST_F(ParticleSetTest, UpdateOnlyInTheWorldTheLocationShows)
{
    CParticleSet s;
    ASSERT_TRUE(s.Create(10, 2));
    g_WorldIndex = 0;  // the planet world while space is shown
    Look(Vec3(5, 5, 5), Vec3(0, 0, 1));
    s.Render(&cam);
    EXPECT_EQ(s.transform.m[3][0], 0.0f);
    EXPECT_EQ(dev->Count("DrawPrimitiveUP"), 1u);  // still drawn
    s.Update(nullptr);  // no camera: nothing moves
    EXPECT_EQ(s.transform.m[3][0], 0.0f);
}

TEST_F(ParticleSetTest, OffsetResetAndRelease)
{
    CParticleSet dust, flakes, stars;
    ASSERT_TRUE(dust.Create(20, 0));
    ASSERT_TRUE(flakes.Create(20, 1));
    ASSERT_TRUE(stars.Create(20, 2));
    Vec3 d0 = Pos(dust.vertices[3]), f0 = flakes.particles[3].position, s0 = Pos(stars.vertices[3]);
    const Vec3 shift(1, -2, 3);
    dust.Offset(shift);
    flakes.Offset(shift);
    stars.Offset(shift);
    EXPECT_EQ(Pos(dust.vertices[3]), d0 + shift);
    EXPECT_EQ(flakes.particles[3].position, f0 + shift);
    EXPECT_EQ(Pos(stars.vertices[3]), s0);

    CUnit player;
    player.position = Vec3(1000, 2000, 3000);
    g_PlayerObject = &player;
    stars.transform.m[3][0] = 9;
    stars.Reset();
    EXPECT_EQ(stars.transform.m[3][0], 0.0f);
    dust.Reset();
    flakes.Reset();
    for (int i = 0; i < 20; ++i) {
        EXPECT_LE(Vec3Length(Pos(dust.vertices[i]) - player.position), 283.0f);
        EXPECT_LE(Vec3Length(flakes.particles[i].position - player.position), 283.0f);
    }
    g_PlayerObject = nullptr;

    // Created again: the old arrays go; released: nothing left to draw.
    ASSERT_TRUE(dust.Create(5, 2));
    EXPECT_EQ(dust.count, 5);
    dust.Release();
    dust.Release();
    EXPECT_EQ(dust.count, 0);
    EXPECT_EQ(dust.vertices, nullptr);
    dust.Render(&cam);
    flakes.Release();
    for (int t : flakes.textures) EXPECT_EQ(t, -1);
    EXPECT_EQ(dev->Count("DrawPrimitiveUP"), 0u);
}
