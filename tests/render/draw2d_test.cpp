#include <gtest/gtest.h>

#include <cmath>

#include "capture_device.h"
#include "app/wndproc.h"
#include "render/draw2d.h"

namespace {

const CapturedDraw& Last(CaptureScope& s)
{
    EXPECT_FALSE(s.device->draws.empty());
    return s.device->draws.back();
}

} // namespace

TEST(Draw2D, CircleTablesCloseAndTurnTheRightWay)
{
    InitCircleTables();
    EXPECT_FLOAT_EQ(g_EllipseTable[0].x, g_EllipseTable[32].x);
    EXPECT_FLOAT_EQ(g_EllipseTable[0].y, g_EllipseTable[32].y);
    EXPECT_FLOAT_EQ(g_Circle3DTable[32].x, 1.0f);
    // The filled disc starts at its centre and turns by negative angles.
    EXPECT_FLOAT_EQ(g_DiscTable[0].x, 0.0f);
    EXPECT_FLOAT_EQ(g_DiscTable[1].x, 1.0f);
    EXPECT_LT(g_DiscTable[2].y, 0.0f);
    EXPECT_GT(g_EllipseTable[1].y, 0.0f);
    EXPECT_FLOAT_EQ(g_DiscTable[33].x, g_DiscTable[1].x);
    EXPECT_FLOAT_EQ(g_Disc16Table[16].x, g_Disc16Table[1].x);
    EXPECT_NEAR(g_Disc16Table[2].y, -std::sin(6.2831853f / 15.0f), 1e-6f);
    EXPECT_FLOAT_EQ(g_WorldDiscTable[0].x, 0.0f);
    for (const ScreenVertex& v : g_EllipseTable) {
        EXPECT_FLOAT_EQ(v.rhw, 1.0f);
        EXPECT_NEAR(v.x * v.x + v.y * v.y, 1.0f, 1e-5f);
    }
}

TEST(Draw2D, QuadBlendsOnlyForTranslucentCornersOrTextures)
{
    CaptureScope s;
    DrawScreenQuad(0xFF102030, 0xFF102030, 10, 20, 110, 70, 0xFF102030, 0xFF102030, nullptr);
    EXPECT_EQ(g_D3DRender.alphaBlendEnable, 0);
    const CapturedDraw& d = Last(s);
    EXPECT_EQ(d.type, D3DPT_TRIANGLESTRIP);
    EXPECT_EQ(d.primitives, 2u);
    ASSERT_EQ(d.screen.size(), 4u);
    // TL, BL, TR, BR with texture corners (0,0), (0,1), (1,0), (1,1).
    EXPECT_FLOAT_EQ(d.screen[1].y, 70.0f);
    EXPECT_FLOAT_EQ(d.screen[2].x, 110.0f);
    EXPECT_FLOAT_EQ(d.screen[1].v, 1.0f);
    EXPECT_FLOAT_EQ(d.screen[2].u, 1.0f);
    EXPECT_FLOAT_EQ(d.screen[3].z, 0.0f);
    EXPECT_FLOAT_EQ(d.screen[3].rhw, 1.0f);

    DrawScreenQuad(0xFF102030, 0xFF102030, 10, 20, 110, 70, 0xFE102030, 0xFF102030, nullptr);
    EXPECT_EQ(g_D3DRender.alphaBlendEnable, 1);
    EXPECT_EQ(Last(s).screen[2].diffuse, 0xFE102030u);

    DrawScreenQuadGradient(0xFF000001, 0xFF000002, 0, 0, 10, 10);
    EXPECT_EQ(Last(s).screen[1].diffuse, 0xFF000001u);
    EXPECT_EQ(Last(s).screen[3].diffuse, 0xFF000002u);
}

TEST(Draw2D, TextureIdQuadInsetsItsTextureCoordinates)
{
    CaptureScope s;
    DrawScreenQuadTextureIdColour(0xFFFFFFFF, 0, 0, 100, 100, -1);
    const CapturedDraw& d = Last(s);
    EXPECT_FLOAT_EQ(d.screen[0].u, 0.001f);
    EXPECT_FLOAT_EQ(d.screen[3].v, 0.999f);
}

TEST(Draw2D, BevelPanelAtDoubleResolutionKeepsFivePixelCuts)
{
    CaptureScope s(1600.0f, 1200.0f);
    DrawScreenBevelPanelColour(0xFFFFFFFF, 100, 100, 200, 150);
    const CapturedDraw& d = Last(s);
    EXPECT_EQ(d.type, D3DPT_TRIANGLESTRIP);
    EXPECT_EQ(d.primitives, 6u);
    ASSERT_EQ(d.screen.size(), 8u);
    const float want[8][2] = {{200, 205}, {200, 295}, {205, 200}, {205, 300},
                              {395, 200}, {395, 300}, {400, 205}, {400, 295}};
    for (int i = 0; i < 8; ++i) {
        EXPECT_FLOAT_EQ(d.screen[i].x, want[i][0]) << i;
        EXPECT_FLOAT_EQ(d.screen[i].y, want[i][1]) << i;
    }
    EXPECT_EQ(g_D3DRender.alphaBlendEnable, 0);
}

TEST(Draw2D, BevelFrameGlowDrawsTwoFainterOutlinesOutside)
{
    CaptureScope s;
    DrawScreenBevelFrameColour(0xC8FFFFFF, 100, 100, 200, 150);
    ASSERT_EQ(s.device->draws.size(), 3u);
    const CapturedDraw& outline = s.device->draws[0];
    const CapturedDraw& glow1 = s.device->draws[1];
    const CapturedDraw& glow2 = s.device->draws[2];
    EXPECT_EQ(outline.type, D3DPT_LINESTRIP);
    EXPECT_EQ(outline.primitives, 8u);
    EXPECT_EQ(outline.screen[0].x, outline.screen[8].x);
    EXPECT_EQ(outline.screen[0].y, outline.screen[8].y);
    EXPECT_EQ(glow1.screen[0].diffuse, 0x64FFFFFFu);
    EXPECT_FLOAT_EQ(glow1.screen[0].x, 99.0f);
    EXPECT_FLOAT_EQ(glow2.screen[0].x, 98.5f);

    s.device->draws.clear();
    DrawScreenBevelFrame(0xFFFFFFFF, 0xFFFFFFFF, 0, 0, 50, 50, 0xFFFFFFFF, 0xFFFFFFFF, 6);
    EXPECT_EQ(s.device->draws.size(), 1u);
}

TEST(Draw2D, LinesAndRectangles)
{
    CaptureScope s(1600.0f, 1200.0f);
    DrawScreenLine(0xFF000001, 0xFF000002, 1, 2, 3, 4);
    const CapturedDraw& line = Last(s);
    EXPECT_EQ(line.type, D3DPT_LINELIST);
    EXPECT_EQ(line.primitives, 1u);
    EXPECT_FLOAT_EQ(line.screen[1].x, 6.0f);
    EXPECT_FLOAT_EQ(line.screen[1].y, 8.0f);
    EXPECT_EQ(line.screen[1].diffuse, 0xFF000002u);

    DrawScreenRectColour(0xFFFFFFFF, 10, 10, 20, 30);
    const CapturedDraw& rect = Last(s);
    EXPECT_EQ(rect.type, D3DPT_LINESTRIP);
    EXPECT_EQ(rect.primitives, 4u);
    EXPECT_FLOAT_EQ(rect.screen[2].x, 40.0f);
    EXPECT_FLOAT_EQ(rect.screen[2].y, 60.0f);
    EXPECT_FLOAT_EQ(rect.screen[4].x, rect.screen[0].x);
}

TEST(Draw2D, FlatEllipseAndThePauseBar)
{
    CaptureScope s;
    DrawScreenEllipse(0xFFFFFFFF, 400, 300, 200, 1.0f, 0.05f);
    const CapturedDraw& band = Last(s);
    EXPECT_EQ(band.type, D3DPT_LINESTRIP);
    EXPECT_EQ(band.primitives, 32u);
    float minX = 1e9f, maxX = -1e9f;
    for (const ScreenVertex& v : band.screen) {
        EXPECT_LE(std::fabs(v.y - 300.0f), 10.0001f);
        minX = std::min(minX, v.x);
        maxX = std::max(maxX, v.x);
    }
    EXPECT_FLOAT_EQ(minX, 200.0f);
    EXPECT_FLOAT_EQ(maxX, 600.0f);

    DrawScreenDiscMarked(400, 300, 200, 1.0f, 0.05f);
    const CapturedDraw& bar = Last(s);
    EXPECT_EQ(bar.type, D3DPT_TRIANGLEFAN);
    EXPECT_EQ(bar.primitives, 32u);
    ASSERT_EQ(bar.screen.size(), 34u);
    EXPECT_FLOAT_EQ(bar.screen[0].x, 400.0f);
    EXPECT_FLOAT_EQ(bar.screen[0].y, 300.0f);
    for (const ScreenVertex& v : bar.screen) EXPECT_EQ(v.diffuse, 0xff6464c8u);
    EXPECT_EQ(g_D3DRender.alphaBlendEnable, 0);
}

TEST(Draw2D, GlowDiscHasItsCentreColourInTheMiddle)
{
    CaptureScope s(1600.0f, 1200.0f);
    DrawScreenDisc16(0x64FF0000, 0xFFFF0000, 100, 50, 10, 1, 2);
    const CapturedDraw& d = Last(s);
    EXPECT_EQ(d.type, D3DPT_TRIANGLEFAN);
    EXPECT_EQ(d.primitives, 15u);
    ASSERT_EQ(d.screen.size(), 17u);
    EXPECT_EQ(d.screen[0].diffuse, 0x64FF0000u);
    EXPECT_EQ(d.screen[5].diffuse, 0xFFFF0000u);
    EXPECT_FLOAT_EQ(d.screen[0].x, 200.0f);
    EXPECT_FLOAT_EQ(d.screen[1].x, 220.0f);   // (100 + 10) * 2
    EXPECT_EQ(g_D3DRender.alphaBlendEnable, 1);
}

TEST(Draw2D, WorldPrimitivesUseTheWorldVertex)
{
    CaptureScope s;
    DrawCircle3D(Vec3(1, 2, 3), 0xFF00FF00, 10.0f);
    const CapturedDraw& circle = Last(s);
    EXPECT_EQ(circle.stride, 28u);
    EXPECT_EQ(circle.primitives, 32u);
    ASSERT_EQ(circle.world.size(), 33u);
    EXPECT_FLOAT_EQ(circle.world[0].x, 11.0f);
    EXPECT_FLOAT_EQ(circle.world[0].z, 3.0f);
    EXPECT_FLOAT_EQ(circle.world[32].x, 11.0f);
    DrawLine3DColour(0xFFFFFFFF, Vec3(0, 0, 0), Vec3(5, 5, 5));
    EXPECT_EQ(Last(s).type, D3DPT_LINELIST);
    EXPECT_FLOAT_EQ(Last(s).world[1].y, 5.0f);
}

TEST(Draw2D, SpritesCoordinatesAndPointerTest)
{
    CaptureScope s(1600.0f, 1200.0f);
    ScreenSprite sprite;
    InitSprite(&sprite, 256.0f, 0, 0, 32, 32, -1);
    EXPECT_FLOAT_EQ(sprite.vertices[0].u, 0.5f / 256.0f);
    EXPECT_FLOAT_EQ(sprite.vertices[3].u, 31.75f / 256.0f);
    EXPECT_FLOAT_EQ(sprite.vertices[3].v, 31.75f / 256.0f);
    EXPECT_EQ(sprite.vertices[1].diffuse, 0xFFFFFFFFu);

    SetSpriteRect(&sprite, 100, 100, 40, 20);
    EXPECT_FLOAT_EQ(sprite.centreX, 240.0f);
    EXPECT_FLOAT_EQ(sprite.centreY, 220.0f);
    EXPECT_FLOAT_EQ(sprite.halfWidth, 40.0f);
    g_MouseX = 139.0f;
    g_MouseY = 119.0f;
    EXPECT_TRUE(IsMouseOverSprite(&sprite));
    g_MouseX = 141.0f;
    EXPECT_FALSE(IsMouseOverSprite(&sprite));

    DrawRotatingSprite(&sprite, 3.14159265f / 2.0f, 0xFFFFFFFF, 0xFF0000FF, 0);
    const CapturedDraw& d = Last(s);
    ASSERT_EQ(d.screen.size(), 4u);
    // A quarter turn swaps the half sizes.
    EXPECT_NEAR(std::fabs(d.screen[0].x - 240.0f), 20.0f, 1e-3f);
    EXPECT_NEAR(std::fabs(d.screen[0].y - 220.0f), 40.0f, 1e-3f);
}
