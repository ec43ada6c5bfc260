#include "flight_ui/cursor.h"

#include <cmath>
#include <cstring>

#include "app/settings.h"
#include "app/wndproc.h"
#include "flight_ui/game_interface.h"
#include "menus/game_menu.h"
#include "menus/station_menu.h"
#include "render/d3d_render.h"
#include "world/game_clock.h"
#include "world/objects/object_codes.h"
#include "world/objects/unit.h"
#include "world/world.h"

// Shown from the start: a game begun without the game menu still has a pointer on the planet.
int g_PointerShown = 1;
int g_PointerEnabled = 1;
int g_WalkMarkerEnabled = 1;
int CCursor::state = 0;
int CCursor::sheet = -1;
Vec3 CCursor::groundPoint;
ScreenSprite CCursor::arrowSprite;
ScreenSprite CCursor::objectSprites[4];
LitQuad CCursor::groundMarker;
LitQuad CCursor::targetMark;
CUnit* CCursor::hoveredUnit = nullptr;
uint32_t CCursor::hoverStart = 0;

namespace {

constexpr unsigned kScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;
constexpr unsigned kWorldFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;

bool PrepareFlat(int texture, unsigned fvf)
{
    GfxDevice* dev = g_D3DRender.device;
    if (!dev) return false;
    g_D3DRender.SetZEnable(0);
    g_D3DRender.SetZWriteEnable(0);
    g_D3DRender.SetLighting(0);
    g_D3DRender.SetTexture(texture, 1);
    dev->SetFVF(fvf);
    return true;
}

// A square of half size h round the point, lifted a little over the ground.
void SquareAround(const Vec3& p, float h, Vec3 out[4])
{
    const float y = p.y + 0.05f;
    out[0] = Vec3(p.x - h, y, p.z + h);
    out[1] = Vec3(p.x - h, y, p.z - h);
    out[2] = Vec3(p.x + h, y, p.z + h);
    out[3] = Vec3(p.x + h, y, p.z - h);
}

void SetQuadUVs(LitQuad* quad, float u0, float v0, float u1, float v1)
{
    quad->vertices[0].u = u0, quad->vertices[0].v = v0;
    quad->vertices[1].u = u0, quad->vertices[1].v = v1;
    quad->vertices[2].u = u1, quad->vertices[2].v = v0;
    quad->vertices[3].u = u1, quad->vertices[3].v = v1;
}

} // namespace

void SetSpriteFrames(ScreenSprite* sprite, int texture, float sheetSize, float u, float v, float width, float height)
{
    if (!sprite) return;
    std::memset(sprite->vertices, 0, sizeof(sprite->vertices));
    for (ScreenVertex& vx : sprite->vertices) {
        vx.z = 0.0f;
        vx.rhw = 2.0f;
        vx.diffuse = 0xFFFFFFFFu;
    }
    const float s = sheetSize > 0.0f ? sheetSize : 1.0f;
    const float left = (u + 0.5f) / s, top = (v + 0.5f) / s;
    const float right = (u + 0.5f + width - 0.75f) / s, bottom = (v + 0.5f + height - 0.75f) / s;
    sprite->vertices[0].u = left, sprite->vertices[0].v = top;
    sprite->vertices[1].u = left, sprite->vertices[1].v = bottom;
    sprite->vertices[2].u = right, sprite->vertices[2].v = top;
    sprite->vertices[3].u = right, sprite->vertices[3].v = bottom;
    sprite->texture = texture;
    sprite->centreX = sprite->centreY = 0.0f;
    sprite->halfWidth = width * 0.5f;
    sprite->halfHeight = height * 0.5f;
}

void DrawSpriteRect(const ScreenSprite* sprite, float x1, float y1, float x2, float y2, uint32_t colour)
{
    if (!sprite || !PrepareFlat(sprite->texture, kScreenFvf)) return;
    ScreenVertex v[4];
    std::memcpy(v, sprite->vertices, sizeof(v));
    const float sx = g_ScreenScaleX, sy = g_ScreenScaleY;
    const float xs[4] = {x1, x1, x2, x2}, ys[4] = {y1, y2, y1, y2};
    for (int i = 0; i < 4; ++i) {
        v[i].x = xs[i] * sx;
        v[i].y = ys[i] * sy;
        v[i].diffuse = colour;
    }
    g_D3DRender.device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ScreenVertex));
}

void DrawLitQuad(LitQuad* quad, const Vec3 points[4], uint32_t colour)
{
    if (!quad || !points) return;
    for (int i = 0; i < 4; ++i) {
        quad->vertices[i].x = points[i].x;
        quad->vertices[i].y = points[i].y;
        quad->vertices[i].z = points[i].z;
        quad->vertices[i].diffuse = colour;
        quad->vertices[i].specular = 0;
    }
    if (!PrepareFlat(quad->texture, kWorldFvf)) return;
    const Matrix identity = MatrixIdentity();
    g_D3DRender.device->SetTransform(D3DTS_WORLD, &identity);
    g_D3DRender.device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad->vertices, sizeof(WorldVertex));
    g_D3DRender.SetZEnable(1);
    g_D3DRender.SetZWriteEnable(1);
}

void DrawTexturedQuad(const ScreenSprite* quad, const float corners[4][2], uint32_t colour)
{
    if (!quad || !corners || !PrepareFlat(quad->texture, kScreenFvf)) return;
    ScreenVertex v[4];
    std::memcpy(v, quad->vertices, sizeof(v));
    for (int i = 0; i < 4; ++i) {
        v[i].x = corners[i][0] * g_ScreenScaleX;
        v[i].y = corners[i][1] * g_ScreenScaleY;
        v[i].diffuse = colour;
    }
    g_D3DRender.device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ScreenVertex));
}

void DrawScreenQuad2(const float quad[5])
{
    if (!quad) return;
    uint32_t colour;
    std::memcpy(&colour, &quad[0], sizeof(colour));
    DrawScreenQuad(colour, colour, quad[1], quad[2], quad[3], quad[4], colour, colour, nullptr);
}

void CCursor::Init()
{
    state = CURSOR_OFF;
    sheet = g_D3DRender.LoadTexture("Data/Planet/Interface/Cursors.dds", 1, -1);
    SetSpriteFrames(&arrowSprite, sheet, 256.0f, 0.0f, 0.0f, 30.0f, 36.0f);
    const float us[4] = {30.0f, 86.0f, 142.0f, 198.0f};
    for (int i = 0; i < 4; ++i) SetSpriteFrames(&objectSprites[i], sheet, 256.0f, us[i], 0.0f, 56.0f, 56.0f);
    std::memset(groundMarker.vertices, 0, sizeof(groundMarker.vertices));
    groundMarker.texture = sheet;
    SetQuadUVs(&groundMarker, 0.5f / 256.0f, 56.5f / 256.0f, 31.75f / 256.0f, 87.75f / 256.0f);
    std::memset(targetMark.vertices, 0, sizeof(targetMark.vertices));
    targetMark.texture = -1;
    hoveredUnit = nullptr;
    hoverStart = 0;
}

void CCursor::Update()
{
    if (!g_PointerShown || !g_PointerEnabled) {
        state = CURSOR_OFF;
        return;
    }
    if (g_WorldIndex == 1) {
        if (g_GameMenuActive) state = CURSOR_BUSY;
        return;
    }
    if (g_GameMenuActive || g_StationMenuActive) {
        state = CURSOR_BUSY;
        return;
    }
    if (g_GameInterface.IsDialogActive()) {
        hoveredUnit = nullptr;
        state = CURSOR_DIALOG;
        return;
    }
    CUnit* u = g_World.PickObject();
    if (u && u->objectClass == GCLASS_LANDSCAPE) {
        if (g_World.PickGroundPoint(g_MouseX, g_MouseY, &groundPoint)) {
            hoveredUnit = nullptr;
            state = CURSOR_GROUND;
            return;
        }
        hoveredUnit = nullptr;
        state = CURSOR_NOTHING;
        return;
    }
    if (u && u != g_PlayerObject && u->IsCraft()) {
        const uint32_t now = g_GameClock.NowMs();
        if (u != hoveredUnit) {
            hoveredUnit = u;
            hoverStart = now;
        }
        if (float(now - hoverStart) * 0.001f > 0.5f && g_DialogBox.SetHovered(u)) {
            g_DialogBox.AddLine(u->displayName, 0xFF009600u, 0, -1);
            DebugOutF("Pointer: %s", u->displayName);
        }
        state = u->objectClass == GCLASS_ITEM ? CURSOR_ITEM : u->objectClass == GCLASS_CHARACTER_NPC ? CURSOR_PERSON
                                                                                                    : CURSOR_OBJECT;
        return;
    }
    // The half second counts only while the pointer stays on one unit.
    hoveredUnit = nullptr;
    state = CURSOR_NOTHING;
}

void CCursor::Draw()
{
    if (!g_PointerShown || !g_PointerEnabled) return;
    const float x = g_MouseX, y = g_MouseY;
    switch (state) {
    case CURSOR_DIALOG:
        DrawSpriteRect(&arrowSprite, x, y, x + 30.0f, y + 36.0f, 0xFFFFFFFFu);
        break;
    case CURSOR_OBJECT:
    case CURSOR_PERSON:
    case CURSOR_ITEM:
    case CURSOR_NOTHING:
        DrawSpriteRect(&objectSprites[state - CURSOR_OBJECT], x - 12.0f, y - 12.0f, x + 16.0f, y + 16.0f, 0xFFFFFFFFu);
        break;
    case CURSOR_GROUND: {
        Vec3 corners[4];
        SquareAround(groundPoint, 0.25f, corners);
        const bool free = g_PlayerObject && g_World.navGrid.IsCellFree(groundPoint);
        DrawLitQuad(&groundMarker, corners, free ? 0xFF00FF00u : 0xFFFF0000u);
        break;
    }
    case CURSOR_BUSY: {
        const uint32_t rgb = g_GameMenuActive ? 0x6464FFu : 0x00FF00u;
        const uint32_t tip = 0xFF000000u | rgb;
        ScreenVertex v[3] = {
            {(x + 22.0f) * g_ScreenScaleX, (y + 12.0f) * g_ScreenScaleY, 0.0f, 1.0f, rgb, 0u, 0.0f, 0.0f},
            {x * g_ScreenScaleX, y * g_ScreenScaleY, 0.0f, 1.0f, tip, 0u, 0.0f, 0.0f},
            {(x + 8.0f) * g_ScreenScaleX, (y + 25.0f) * g_ScreenScaleY, 0.0f, 1.0f, rgb, 0u, 0.0f, 0.0f},
        };
        if (PrepareFlat(-1, kScreenFvf)) g_D3DRender.device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(ScreenVertex));
        DrawScreenLine(tip, tip, x, y, x + 33.0f, y + 18.0f);
        DrawScreenLine(tip, tip, x, y, x + 12.0f, y + 37.5f);
        break;
    }
    default:
        break;
    }
}

void CCursor::DrawTargetMark()
{
    CUnit* player = g_PlayerObject;
    if (!player || player->orderType != ACTION_MOVE || !g_WalkMarkerEnabled) return;
    if (player->target && player->target->objectClass == GCLASS_ITEM) return;
    const float h = float(g_GameClock.NowMs() % 1000u) / 4000.0f;
    Vec3 corners[4];
    SquareAround(player->targetPoint, h, corners);
    DrawLitQuad(&targetMark, corners, 0xFFFFFF00u);
}
