// Immediate-mode interface drawing on the 800x600 virtual screen, plus the two
// world-space debug primitives. Positions are virtual units, scaled to device pixels here.
#pragma once
#include <cstdint>

#include "platform/math/math3d.h"

// Pre-transformed vertex: XYZRHW | DIFFUSE | SPECULAR | TEX1 (32 bytes).
struct ScreenVertex {
    float x, y, z, rhw;
    uint32_t diffuse, specular;
    float u, v;
};
static_assert(sizeof(ScreenVertex) == 32, "screen vertex stride");

// World vertex: XYZ | DIFFUSE | SPECULAR | TEX1 (28 bytes).
struct WorldVertex {
    float x, y, z;
    uint32_t diffuse, specular;
    float u, v;
};
static_assert(sizeof(WorldVertex) == 28, "world vertex stride");

struct ScreenSprite {
    ScreenVertex vertices[4];   // TL, BL, TR, BR
    int texture;
    float centreX, centreY, halfWidth, halfHeight;   // device pixels
};

// Unit-circle tables; the last point repeats the first.
extern WorldVertex g_Circle3DTable[33];      // k * 2pi / 32
extern ScreenVertex g_EllipseTable[33];      // k * 2pi / 32
extern ScreenVertex g_DiscTable[34];         // centre, then -k * 2pi / 32
extern ScreenVertex g_Disc16Table[17];       // centre, then -k * 2pi / 15
extern WorldVertex g_WorldDiscTable[34];     // centre, then k * 2pi / 32

// Fills the circle and disc tables; LoadSettings calls it once at start-up.
void InitCircleTables();

void DrawScreenQuad(unsigned colourTL, unsigned colourBL, float x1, float y1, float x2, float y2,
                    unsigned colourTR, unsigned colourBR, const char* textureName);
void DrawScreenQuadTextureId(unsigned colourTL, unsigned colourBL, float x1, float y1, float x2, float y2,
                             unsigned colourTR, unsigned colourBR, int textureId);
void DrawScreenQuadColour(unsigned colour, float x1, float y1, float x2, float y2, const char* textureName);
void DrawScreenQuadGradient(unsigned colourLeft, unsigned colourRight, float x1, float y1, float x2, float y2);
void DrawScreenQuadTextureIdColour(unsigned colour, float x1, float y1, float x2, float y2, int textureId);

void DrawScreenBevelPanel(unsigned colourTL, unsigned colourBL, float x1, float y1, float x2, float y2,
                          unsigned colourTR, unsigned colourBR);
void DrawScreenBevelPanelColour(unsigned colour, float x1, float y1, float x2, float y2);
// Mode 5 adds the glow (the outline twice more, alpha halved, 1 and 1.5 pixels out); 6 draws the outline only.
void DrawScreenBevelFrame(unsigned colourTL, unsigned colourBL, float x1, float y1, float x2, float y2,
                          unsigned colourTR, unsigned colourBR, int mode);
void DrawScreenBevelFrameColour(unsigned colour, float x1, float y1, float x2, float y2);

void DrawScreenLine(unsigned colour1, unsigned colour2, float x1, float y1, float x2, float y2);
void DrawScreenLineColour(unsigned colour, float x1, float y1, float x2, float y2);
void DrawScreenRect(unsigned colourTL, unsigned colourBL, float x1, float y1, float x2, float y2,
                    unsigned colourTR, unsigned colourBR);
void DrawScreenRectColour(unsigned colour, float x1, float y1, float x2, float y2);

void DrawScreenEllipse(unsigned colour, float cx, float cy, float radius, float stretchX, float stretchY);
void DrawScreenDisc(unsigned colour, float cx, float cy, float radius, float stretchX, float stretchY);
void DrawScreenDiscMarked(float cx, float cy, float radius, float stretchX, float stretchY);
void DrawScreenDisc16(unsigned centreColour, unsigned rimColour, float cx, float cy, float radius,
                      float stretchX, float stretchY);
void DrawScreenMapShape(int textureId, float x1, float y1, float x2, float y2);

void DrawLine3D(unsigned colour1, unsigned colour2, const Vec3& p1, const Vec3& p2);
void DrawLine3DColour(unsigned colour, const Vec3& p1, const Vec3& p2);
void DrawCircle3D(const Vec3& centre, unsigned colour, float radius);

void InitSprite(ScreenSprite* sprite, float sheetSize, float x, float y, float width, float height, int textureId);
void SetSpriteRect(ScreenSprite* sprite, float x, float y, float width, float height);
bool IsMouseOverSprite(const ScreenSprite* sprite);
// The sprite rotated about its centre; with glow a soft disc in glowColour is drawn behind it.
void DrawRotatingSprite(const ScreenSprite* sprite, float angle, unsigned colour, unsigned glowColour, int glow);

// The font's text: quads of four screen vertices drawn as one indexed triangle list with
// alpha blending (quad k uses 4k, 4k+1, 4k+2, 4k+2, 4k+1, 4k+3).
void DrawScreenIndexedQuads(const ScreenVertex* vertices, int quads, const uint16_t* indices, int textureId);
