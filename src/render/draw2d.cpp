#include "render/draw2d.h"

#include <algorithm>
#include <cmath>

#include "app/wndproc.h"
#include "platform/gfx/device.h"
#include "render/d3d_render.h"

WorldVertex g_Circle3DTable[33] = {};
ScreenVertex g_EllipseTable[33] = {};
ScreenVertex g_DiscTable[34] = {};
ScreenVertex g_Disc16Table[17] = {};
WorldVertex g_WorldDiscTable[34] = {};

namespace {

constexpr unsigned kScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;
constexpr unsigned kWorldFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;
constexpr float kTwoPi = 6.28318530717958647692f;
// The corner cut of bevelled panels, in device pixels whatever the resolution.
constexpr float kBevel = 5.0f;

bool Translucent(unsigned colour)
{
    return (colour >> 24) < 0xFFu;
}

ScreenVertex SV(float x, float y, unsigned colour, float u = 0.0f, float v = 0.0f)
{
    return {x, y, 0.0f, 1.0f, colour, 0u, u, v};
}

// Texture, blending and the states every interface draw needs; false without a device.
bool Prepare(int textureId, bool blend, unsigned fvf)
{
    GfxDevice* device = g_D3DRender.device;
    if (!device) return false;
    g_D3DRender.SetTexture(textureId, blend ? 1 : 0);
    g_D3DRender.SetZEnable(0);
    g_D3DRender.SetZWriteEnable(0);
    g_D3DRender.SetLighting(0);
    device->SetFVF(fvf);
    return true;
}

void DrawScreen(D3DPRIMITIVETYPE type, unsigned primitives, const ScreenVertex* v, int textureId, bool blend)
{
    if (!Prepare(textureId, blend, kScreenFvf)) return;
    g_D3DRender.device->DrawPrimitiveUP(type, primitives, v, sizeof(ScreenVertex));
}

void DrawWorld(D3DPRIMITIVETYPE type, unsigned primitives, const WorldVertex* v, bool blend)
{
    if (!Prepare(-1, blend, kWorldFvf)) return;
    Matrix identity = MatrixIdentity();
    g_D3DRender.device->SetTransform(D3DTS_WORLD, &identity);
    g_D3DRender.device->DrawPrimitiveUP(type, primitives, v, sizeof(WorldVertex));
}

unsigned HalveAlpha(unsigned colour)
{
    return (colour & 0x00FFFFFFu) | (((colour >> 24) / 2u) << 24);
}

// The cut-corner outline as a closed line strip, on a rectangle already in device pixels.
void BevelOutline(unsigned tl, unsigned bl, float x1, float y1, float x2, float y2, unsigned tr, unsigned br)
{
    ScreenVertex v[9] = {
        SV(x1, y1 + kBevel, tl), SV(x1 + kBevel, y1, tl), SV(x2 - kBevel, y1, tr), SV(x2, y1 + kBevel, tr),
        SV(x2, y2 - kBevel, br), SV(x2 - kBevel, y2, br), SV(x1 + kBevel, y2, bl), SV(x1, y2 - kBevel, bl),
        SV(x1, y1 + kBevel, tl),
    };
    bool blend = Translucent(tl) || Translucent(bl) || Translucent(tr) || Translucent(br);
    DrawScreen(D3DPT_LINESTRIP, 8, v, -1, blend);
}

int FindTexture(const char* name)
{
    return name ? g_D3DRender.textureManager.Find(name) : -1;
}

} // namespace

void InitCircleTables()
{
    for (int k = 0; k <= 32; ++k) {
        float a = (float)k * kTwoPi / 32.0f;
        if (k == 32) a = 0.0f;
        g_Circle3DTable[k] = {std::cos(a), std::sin(a), 0.0f, 0xFFFFFFFFu, 0u, 0.0f, 0.0f};
        g_EllipseTable[k] = SV(std::cos(a), std::sin(a), 0xFFFFFFFFu);
        g_WorldDiscTable[k + 1] = g_Circle3DTable[k];
        float b = -(float)k * kTwoPi / 32.0f;
        if (k == 32) b = 0.0f;
        g_DiscTable[k + 1] = SV(std::cos(b), std::sin(b), 0xFFFFFFFFu);
    }
    g_DiscTable[0] = SV(0.0f, 0.0f, 0xFFFFFFFFu);
    g_WorldDiscTable[0] = {0.0f, 0.0f, 0.0f, 0xFFFFFFFFu, 0u, 0.0f, 0.0f};
    g_Disc16Table[0] = SV(0.0f, 0.0f, 0xFFFFFFFFu);
    for (int k = 0; k <= 15; ++k) {
        float a = -(float)k * kTwoPi / 15.0f;
        if (k == 15) a = 0.0f;
        g_Disc16Table[k + 1] = SV(std::cos(a), std::sin(a), 0xFFFFFFFFu);
    }
}

void DrawScreenQuad(unsigned colourTL, unsigned colourBL, float x1, float y1, float x2, float y2,
                    unsigned colourTR, unsigned colourBR, const char* textureName)
{
    const float sx = g_ScreenScaleX, sy = g_ScreenScaleY;
    ScreenVertex v[4] = {
        SV(x1 * sx, y1 * sy, colourTL, 0.0f, 0.0f),
        SV(x1 * sx, y2 * sy, colourBL, 0.0f, 1.0f),
        SV(x2 * sx, y1 * sy, colourTR, 1.0f, 0.0f),
        SV(x2 * sx, y2 * sy, colourBR, 1.0f, 1.0f),
    };
    bool blend = textureName != nullptr || Translucent(colourTL) || Translucent(colourBL) ||
                 Translucent(colourTR) || Translucent(colourBR);
    DrawScreen(D3DPT_TRIANGLESTRIP, 2, v, FindTexture(textureName), blend);
}

void DrawScreenQuadTextureId(unsigned colourTL, unsigned colourBL, float x1, float y1, float x2, float y2,
                             unsigned colourTR, unsigned colourBR, int textureId)
{
    const float sx = g_ScreenScaleX, sy = g_ScreenScaleY;
    const float lo = 0.001f, hi = 0.999f;
    ScreenVertex v[4] = {
        SV(x1 * sx, y1 * sy, colourTL, lo, lo),
        SV(x1 * sx, y2 * sy, colourBL, lo, hi),
        SV(x2 * sx, y1 * sy, colourTR, hi, lo),
        SV(x2 * sx, y2 * sy, colourBR, hi, hi),
    };
    bool blend = textureId != -1 || Translucent(colourTL) || Translucent(colourBL) || Translucent(colourTR) ||
                 Translucent(colourBR);
    DrawScreen(D3DPT_TRIANGLESTRIP, 2, v, textureId, blend);
}

void DrawScreenQuadColour(unsigned colour, float x1, float y1, float x2, float y2, const char* textureName)
{
    DrawScreenQuad(colour, colour, x1, y1, x2, y2, colour, colour, textureName);
}

void DrawScreenQuadGradient(unsigned colourLeft, unsigned colourRight, float x1, float y1, float x2, float y2)
{
    DrawScreenQuad(colourLeft, colourLeft, x1, y1, x2, y2, colourRight, colourRight, nullptr);
}

void DrawScreenQuadTextureIdColour(unsigned colour, float x1, float y1, float x2, float y2, int textureId)
{
    DrawScreenQuadTextureId(colour, colour, x1, y1, x2, y2, colour, colour, textureId);
}

void DrawScreenBevelPanel(unsigned colourTL, unsigned colourBL, float x1, float y1, float x2, float y2,
                          unsigned colourTR, unsigned colourBR)
{
    const float X1 = x1 * g_ScreenScaleX, Y1 = y1 * g_ScreenScaleY;
    const float X2 = x2 * g_ScreenScaleX, Y2 = y2 * g_ScreenScaleY;
    ScreenVertex v[8] = {
        SV(X1, Y1 + kBevel, colourTL),          SV(X1, Y2 - kBevel, colourBL),
        SV(X1 + kBevel, Y1, colourTL),          SV(X1 + kBevel, Y2, colourBL),
        SV(X2 - kBevel, Y1, colourTR),          SV(X2 - kBevel, Y2, colourBR),
        SV(X2, Y1 + kBevel, colourTR),          SV(X2, Y2 - kBevel, colourBR),
    };
    bool blend = Translucent(colourTL) || Translucent(colourBL) || Translucent(colourTR) || Translucent(colourBR);
    DrawScreen(D3DPT_TRIANGLESTRIP, 6, v, -1, blend);
}

void DrawScreenBevelPanelColour(unsigned colour, float x1, float y1, float x2, float y2)
{
    DrawScreenBevelPanel(colour, colour, x1, y1, x2, y2, colour, colour);
}

void DrawScreenBevelFrame(unsigned colourTL, unsigned colourBL, float x1, float y1, float x2, float y2,
                          unsigned colourTR, unsigned colourBR, int mode)
{
    const float X1 = x1 * g_ScreenScaleX, Y1 = y1 * g_ScreenScaleY;
    const float X2 = x2 * g_ScreenScaleX, Y2 = y2 * g_ScreenScaleY;
    BevelOutline(colourTL, colourBL, X1, Y1, X2, Y2, colourTR, colourBR);
    if (mode != 5) return;
    unsigned tl = HalveAlpha(colourTL), bl = HalveAlpha(colourBL);
    unsigned tr = HalveAlpha(colourTR), br = HalveAlpha(colourBR);
    for (float d : {1.0f, 1.5f}) BevelOutline(tl, bl, X1 - d, Y1 - d, X2 + d, Y2 + d, tr, br);
}

void DrawScreenBevelFrameColour(unsigned colour, float x1, float y1, float x2, float y2)
{
    DrawScreenBevelFrame(colour, colour, x1, y1, x2, y2, colour, colour, 5);
}

void DrawScreenLine(unsigned colour1, unsigned colour2, float x1, float y1, float x2, float y2)
{
    const float sx = g_ScreenScaleX, sy = g_ScreenScaleY;
    ScreenVertex v[2] = {SV(x1 * sx, y1 * sy, colour1), SV(x2 * sx, y2 * sy, colour2)};
    DrawScreen(D3DPT_LINELIST, 1, v, -1, Translucent(colour1) || Translucent(colour2));
}

void DrawScreenLineColour(unsigned colour, float x1, float y1, float x2, float y2)
{
    DrawScreenLine(colour, colour, x1, y1, x2, y2);
}

void DrawScreenRect(unsigned colourTL, unsigned colourBL, float x1, float y1, float x2, float y2,
                    unsigned colourTR, unsigned colourBR)
{
    const float X1 = x1 * g_ScreenScaleX, Y1 = y1 * g_ScreenScaleY;
    const float X2 = x2 * g_ScreenScaleX, Y2 = y2 * g_ScreenScaleY;
    ScreenVertex v[5] = {SV(X1, Y1, colourTL), SV(X2, Y1, colourTR), SV(X2, Y2, colourBR), SV(X1, Y2, colourBL),
                         SV(X1, Y1, colourTL)};
    bool blend = Translucent(colourTL) || Translucent(colourBL) || Translucent(colourTR) || Translucent(colourBR);
    DrawScreen(D3DPT_LINESTRIP, 4, v, -1, blend);
}

void DrawScreenRectColour(unsigned colour, float x1, float y1, float x2, float y2)
{
    DrawScreenRect(colour, colour, x1, y1, x2, y2, colour, colour);
}

namespace {

// Places table points around a centre in virtual units and scales them to device pixels.
template <size_t N>
void PlaceCircle(ScreenVertex (&out)[N], const ScreenVertex (&table)[N], float cx, float cy, float radius,
                 float stretchX, float stretchY, unsigned colour)
{
    for (size_t k = 0; k < N; ++k) {
        float x = cx + table[k].x * radius * stretchX;
        float y = cy + table[k].y * radius * stretchY;
        out[k] = SV(x * g_ScreenScaleX, y * g_ScreenScaleY, colour);
    }
}

} // namespace

void DrawScreenEllipse(unsigned colour, float cx, float cy, float radius, float stretchX, float stretchY)
{
    ScreenVertex v[33];
    PlaceCircle(v, g_EllipseTable, cx, cy, radius, stretchX, stretchY, colour);
    DrawScreen(D3DPT_LINESTRIP, 32, v, -1, Translucent(colour));
}

void DrawScreenDisc(unsigned colour, float cx, float cy, float radius, float stretchX, float stretchY)
{
    ScreenVertex v[34];
    PlaceCircle(v, g_DiscTable, cx, cy, radius, stretchX, stretchY, colour);
    DrawScreen(D3DPT_TRIANGLEFAN, 32, v, -1, Translucent(colour));
}

void DrawScreenDiscMarked(float cx, float cy, float radius, float stretchX, float stretchY)
{
    DrawScreenDisc(0xff6464c8u, cx, cy, radius, stretchX, stretchY);
}

void DrawScreenDisc16(unsigned centreColour, unsigned rimColour, float cx, float cy, float radius, float stretchX,
                      float stretchY)
{
    ScreenVertex v[17];
    PlaceCircle(v, g_Disc16Table, cx, cy, radius, stretchX, stretchY, rimColour);
    v[0].diffuse = centreColour;
    DrawScreen(D3DPT_TRIANGLEFAN, 15, v, -1, Translucent(centreColour) || Translucent(rimColour));
}

void DrawScreenMapShape(int textureId, float x1, float y1, float x2, float y2)
{
    const unsigned white = 0xc8ffffffu;
    const float sx = g_ScreenScaleX, sy = g_ScreenScaleY;
    ScreenVertex v[4] = {
        SV(x1 * sx, y1 * sy, white, 0.0f, 0.0f),
        SV(x1 * sx, y2 * sy, white, 0.0f, 1.0f),
        SV(x2 * sx, y1 * sy, white, 1.0f, 0.0f),
        SV(x2 * sx, y2 * sy, white, 1.0f, 1.0f),
    };
    DrawScreen(D3DPT_TRIANGLESTRIP, 2, v, textureId, true);
}

void DrawLine3D(unsigned colour1, unsigned colour2, const Vec3& p1, const Vec3& p2)
{
    WorldVertex v[2] = {
        {p1.x, p1.y, p1.z, colour1, 0u, 0.0f, 0.0f},
        {p2.x, p2.y, p2.z, colour2, 0u, 0.0f, 0.0f},
    };
    DrawWorld(D3DPT_LINELIST, 1, v, Translucent(colour1) || Translucent(colour2));
}

void DrawLine3DColour(unsigned colour, const Vec3& p1, const Vec3& p2)
{
    DrawLine3D(colour, colour, p1, p2);
}

void DrawCircle3D(const Vec3& centre, unsigned colour, float radius)
{
    WorldVertex v[33];
    for (int k = 0; k < 33; ++k) {
        v[k] = g_Circle3DTable[k];
        v[k].x = v[k].x * radius + centre.x;
        v[k].y = v[k].y * radius + centre.y;
        v[k].z = v[k].z * radius + centre.z;
        v[k].diffuse = colour;
    }
    DrawWorld(D3DPT_LINESTRIP, 32, v, Translucent(colour));
}

void DrawScreenIndexedQuads(const ScreenVertex* vertices, int quads, const uint16_t* indices, int textureId)
{
    if (quads <= 0) return;
    if (!Prepare(textureId, true, kScreenFvf)) return;
    g_D3DRender.device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, (unsigned)quads * 4, (unsigned)quads * 2,
                                               indices, D3DFMT_INDEX16, vertices, sizeof(ScreenVertex));
}

void InitSprite(ScreenSprite* sprite, float sheetSize, float x, float y, float width, float height, int textureId)
{
    const float left = (x + 0.5f) / sheetSize, top = (y + 0.5f) / sheetSize;
    const float right = (x + 0.5f + width - 0.75f) / sheetSize;
    const float bottom = (y + 0.5f + height - 0.75f) / sheetSize;
    sprite->vertices[0] = SV(0.0f, 0.0f, 0xFFFFFFFFu, left, top);
    sprite->vertices[1] = SV(0.0f, 0.0f, 0xFFFFFFFFu, left, bottom);
    sprite->vertices[2] = SV(0.0f, 0.0f, 0xFFFFFFFFu, right, top);
    sprite->vertices[3] = SV(0.0f, 0.0f, 0xFFFFFFFFu, right, bottom);
    sprite->texture = textureId;
    sprite->centreX = sprite->centreY = sprite->halfWidth = sprite->halfHeight = 0.0f;
}

void SetSpriteRect(ScreenSprite* sprite, float x, float y, float width, float height)
{
    sprite->centreX = (x + width / 2.0f) * g_ScreenScaleX;
    sprite->centreY = (y + height / 2.0f) * g_ScreenScaleY;
    sprite->halfWidth = width / 2.0f * g_ScreenScaleX;
    sprite->halfHeight = height / 2.0f * g_ScreenScaleY;
    const float x1 = sprite->centreX - sprite->halfWidth, x2 = sprite->centreX + sprite->halfWidth;
    const float y1 = sprite->centreY - sprite->halfHeight, y2 = sprite->centreY + sprite->halfHeight;
    sprite->vertices[0].x = x1;
    sprite->vertices[0].y = y1;
    sprite->vertices[1].x = x1;
    sprite->vertices[1].y = y2;
    sprite->vertices[2].x = x2;
    sprite->vertices[2].y = y1;
    sprite->vertices[3].x = x2;
    sprite->vertices[3].y = y2;
}

bool IsMouseOverSprite(const ScreenSprite* sprite)
{
    return std::fabs(sprite->centreX - (float)g_MouseX * g_ScreenScaleX) < sprite->halfWidth &&
           std::fabs(sprite->centreY - (float)g_MouseY * g_ScreenScaleY) < sprite->halfHeight;
}

void DrawRotatingSprite(const ScreenSprite* sprite, float angle, unsigned colour, unsigned glowColour, int glow)
{
    if (glow) {
        float radius = std::max(sprite->halfWidth / g_ScreenScaleX, sprite->halfHeight / g_ScreenScaleY) * 1.4f;
        DrawScreenDisc16(glowColour, glowColour & 0x00FFFFFFu, sprite->centreX / g_ScreenScaleX,
                         sprite->centreY / g_ScreenScaleY, radius, 1.0f, 1.0f);
    }
    const Matrix rot = MatrixRotationZ(angle);
    const float hw = sprite->halfWidth, hh = sprite->halfHeight;
    const Vec3 corners[4] = {{-hw, -hh, 0.0f}, {-hw, hh, 0.0f}, {hw, -hh, 0.0f}, {hw, hh, 0.0f}};
    ScreenVertex v[4];
    for (int i = 0; i < 4; ++i) {
        Vec3 p = Vec3TransformCoord(corners[i], rot);
        v[i] = sprite->vertices[i];
        v[i].x = sprite->centreX + p.x;
        v[i].y = sprite->centreY + p.y;
        v[i].diffuse = colour;
    }
    DrawScreen(D3DPT_TRIANGLESTRIP, 2, v, sprite->texture, true);
}
