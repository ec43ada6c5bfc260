// The game's own mouse pointer, its picking, and the small sprite and quad operations of
// the flight interface.
#pragma once
#include <cstdint>

#include "platform/math/math3d.h"
#include "render/draw2d.h"

class CUnit;

// The pointer is updated and drawn only while both are set: the menus hide it while they
// take typed text, the planet scene scripts during cut scenes.
extern int g_PointerShown;
extern int g_PointerEnabled;
// The planet behaviour shows the walk target's mark only while set.
extern int g_WalkMarkerEnabled;

enum CursorState {
    CURSOR_OFF = 0,
    CURSOR_DIALOG = 1,
    CURSOR_OBJECT = 2,
    CURSOR_PERSON = 3,
    CURSOR_ITEM = 4,
    CURSOR_NOTHING = 5,
    CURSOR_GROUND = 6,
    CURSOR_BUSY = 7,
};

// Four lit vertices and a texture: a quad placed in the world.
struct LitQuad {
    WorldVertex vertices[4];
    int texture = -1;
};

class CCursor {
public:
    static int state;
    // Texture id of the pointer sheet, -1 when none.
    static int sheet;
    static Vec3 groundPoint;
    static ScreenSprite arrowSprite;
    static ScreenSprite objectSprites[4];   // states 2, 3, 4, 5
    static LitQuad groundMarker;
    static LitQuad targetMark;
    static CUnit* hoveredUnit;
    static uint32_t hoverStart;

    static void Init();
    static void Update();
    static void Draw();
    static void DrawTargetMark();
};

// Frames a sprite on a square sheet with a half-texel inset; z 0, rhw 2.
void SetSpriteFrames(ScreenSprite* sprite, int texture, float sheetSize, float u, float v, float width, float height);
// The sprite stretched over (x1, y1)-(x2, y2) in 800x600 units, one colour.
void DrawSpriteRect(const ScreenSprite* sprite, float x1, float y1, float x2, float y2, uint32_t colour);
// The quad's four world points in one colour, without depth test or lighting.
void DrawLitQuad(LitQuad* quad, const Vec3 points[4], uint32_t colour);
// A textured screen quad, corners TL, BL, TR, BR in 800x600 units.
void DrawTexturedQuad(const ScreenSprite* quad, const float corners[4][2], uint32_t colour);
// DrawScreenQuad for a quad given as five values (colour, x1, y1, x2, y2).
void DrawScreenQuad2(const float quad[5]);
