#include "flight_ui/radar.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/settings.h"
#include "flight_ui/cockpit.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/cursor.h"
#include "locations/location_director.h"
#include "render/camera.h"
#include "render/d3d_render.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/item.h"
#include "world/objects/object_codes.h"
#include "world/objects/unit.h"
#include "world/world.h"

CRadar g_Radar;

namespace {

bool IsShip(const CUnit* u)
{
    return u && u->kind >= 20000 && u->kind <= 20998;
}

bool IsStation(const CUnit* u)
{
    return u && (u->kind == 21000 || u->kind == 21001);
}

uint32_t WithAlpha(uint32_t rgb, int alpha)
{
    alpha = std::clamp(alpha, 0, 255);
    return (uint32_t(alpha) << 24) | (rgb & 0x00FFFFFFu);
}

Vec3 CentreOf(const CUnit* u)
{
    return Vec3TransformCoord(u->boundsCentre, u->drawMatrix);
}

// Bracket size and corner length round a unit at distance d.
void BracketSize(const CUnit* u, float d, float* s, float* c)
{
    const float radius = u->boundsRadius > 0.0f ? u->boundsRadius : 1.0f;
    float size = d > 0.0f ? std::sqrt(radius) / std::sqrt(d) * 150.0f : 150.0f;
    if (size < 20.0f) size = 20.0f;
    float corner = size * 0.2f;
    if (size - corner > 20.0f) corner = size - 20.0f;
    *s = size * 0.8f;
    *c = corner * 0.8f;
}

// A mark of the overlay is left out where it would cover a cockpit panel's text.
void DrawMark(const ScreenSprite* sprite, float x1, float y1, float x2, float y2, uint32_t colour)
{
    if (!g_Cockpit.OverPanel(x1, y1, x2, y2)) DrawSpriteRect(sprite, x1, y1, x2, y2, colour);
}

void DrawCorners(const ScreenSprite* sprites, float x, float y, float s, float c, uint32_t colour)
{
    DrawMark(&sprites[0], x - s, y - s, x - s + c, y - s + c, colour);
    DrawMark(&sprites[1], x + s - c, y - s, x + s, y - s + c, colour);
    DrawMark(&sprites[2], x - s, y + s - c, x - s + c, y + s, colour);
    DrawMark(&sprites[3], x + s - c, y + s - c, x + s, y + s, colour);
}

CItem* FindLauncher(const CUnit* u)
{
    for (int i = 0; u && i < u->itemCount && i < kMaxUnitItems; ++i)
        if (u->items[i] && u->items[i]->kind == GTYPE_MISSL_WEAPON) return u->items[i];
    return nullptr;
}

// What turns an offset into the player's frame, translation left out.
Matrix PlayerFrameInverse(const CUnit* player)
{
    Matrix rotation = player->worldMatrix;
    rotation.m[3][0] = rotation.m[3][1] = rotation.m[3][2] = 0.0f;
    Matrix inverse;
    if (!MatrixInverse(&inverse, nullptr, rotation)) return MatrixIdentity();
    return inverse;
}

} // namespace

RadarBlip RadarProject(const Vec3& l, float d, float commRange, float zoom, float cx, float cy, float R)
{
    RadarBlip b{cx, cy, cy};
    if (commRange <= 0.0f) return b;
    const float S = R / commRange;
    const float k = std::tan((1.0f - d / commRange) * 1.5f) * zoom + 1.0f;
    b.x = cx + k * l.x * S;
    b.y0 = cy - k * l.z * S;
    b.y = b.y0 - l.y * S;
    return b;
}

// ---- target marker ----

void CTargetMarker::SetTarget(CUnit* unit)
{
    target = unit;
    if (g_LocationKind == 2) {
        StopCockpitSound(CCockpit::SOUND_TARGETING);
        StopCockpitSound(CCockpit::SOUND_TARGET_ON);
        lockState = 0;
        return;
    }
    CUnit* player = g_PlayerObject;
    CItem* launcher = FindLauncher(player);
    const bool outside = g_World.cameras[1].cinematicView != 0;
    if (player && target && target == player->target && !outside && launcher) {
        if (launcher->GetReadyPercent() >= 100) {
            StopCockpitSound(CCockpit::SOUND_TARGETING);
            PlayCockpitSound(CCockpit::SOUND_TARGET_ON);
            lockState = 2;
        } else {
            StopCockpitSound(CCockpit::SOUND_TARGET_ON);
            PlayCockpitSound(CCockpit::SOUND_TARGETING);
            lockState = 1;
        }
    } else {
        StopCockpitSound(CCockpit::SOUND_TARGETING);
        StopCockpitSound(CCockpit::SOUND_TARGET_ON);
        lockState = 0;
    }
}

void CTargetMarker::DrawBracket(CUnit* unit)
{
    CUnit* player = g_PlayerObject;
    if (!unit || !player || !IsUnitListed(unit)) return;
    CCamera& camera = g_World.Camera();
    const Vec3 centre = CentreOf(unit);
    float x = 0.0f, y = 0.0f;
    if (!camera.IsObjectVisible(unit) || !camera.WorldToScreen(&x, &y, centre)) return;
    float s = 0.0f, c = 0.0f;
    BracketSize(unit, PointDistance(player->position, centre), &s, &c);
    DrawCorners(sprites, x, y, s, c, 0x80FFFF00u);
}

void CTargetMarker::DrawLead()
{
    CUnit* player = g_PlayerObject;
    CUnit* t = target;
    if (!player || !t || !IsUnitListed(t)) return;
    CCamera& camera = g_World.Camera();
    const Vec3 centre = CentreOf(t);
    const bool hostile = t->pilot.side == 2 || t->pilot.side == 3;
    const float d = PointDistance(player->position, centre);
    float x = 0.0f, y = 0.0f;
    if (camera.IsObjectVisible(t) && camera.WorldToScreen(&x, &y, centre)) {
        float s = 0.0f, c = 0.0f;
        BracketSize(t, d, &s, &c);
        DrawCorners(sprites, x, y, s, c, hostile ? 0x64FF0000u : 0x6400FF00u);
        for (int i = 0; i < player->itemCount && i < kMaxUnitItems; ++i) {
            CItem* item = player->items[i];
            if (!item || item->kind != GTYPE_MISSL_WEAPON) continue;
            const int p = std::min(item->GetReadyPercent(), 100);
            if (p <= 0) continue;
            const float size = s + float(105 - p) * 2.0f;
            const uint32_t colour = p == 100 ? 0x80FF0000u : WithAlpha(0xC8C800u, int(float(p) * 1.28f));
            DrawCorners(&sprites[4], x, y, size, size * 0.25f, colour);
        }
    }
    if (IsShip(t) && player->GetMeanShotSpeed() > d) {
        Vec3 aim;
        player->ComputeLeadPoint(t, &aim);
        float lx = 0.0f, ly = 0.0f;
        if (camera.WorldToScreen(&lx, &ly, aim))
            DrawMark(&leadSprite, lx - 8.0f, ly - 8.0f, lx + 8.0f, ly + 8.0f, hostile ? 0xC8FF3232u : 0xC832FF32u);
    }
    // The arrow towards a target away from the centre of view.
    const Vec3 toTarget = centre - camera.eye;
    if (Vec3LengthSq(toTarget) <= 0.0f) return;
    const Vec3 v = Vec3Normalize(Vec3TransformNormal(toTarget, camera.view));
    const float l = 64.0f * std::sqrt(v.x * v.x + v.y * v.y);
    int alpha = 128;
    if (v.z >= 0.0f) alpha = l < 20.0f ? 0 : l < 32.0f ? int((l - 20.0f) / 12.0f * 128.0f) : 128;
    const float len2 = std::sqrt(v.x * v.x + v.y * v.y);
    if (alpha <= 0 || len2 <= 0.0f) return;
    const float dx = v.x / len2, dy = -v.y / len2;
    const float ax = 400.0f + 150.0f * dx, ay = 300.0f + 150.0f * dy;
    // A square of half size 16 turned so that its right edge faces the direction.
    const float local[4][2] = {{-16.0f, -16.0f}, {-16.0f, 16.0f}, {16.0f, -16.0f}, {16.0f, 16.0f}};
    float corners[4][2];
    for (int k = 0; k < 4; ++k) {
        corners[k][0] = ax + local[k][0] * dx - local[k][1] * dy;
        corners[k][1] = ay + local[k][0] * dy + local[k][1] * dx;
    }
    DrawTexturedQuad(&arrowSprite, corners, WithAlpha(hostile ? 0xFF0000u : 0x00FF00u, alpha));
}

// ---- radar ----

void CRadar::Init()
{
    // Larger than the other panels' text: the caption stands alone under the plan.
    font.Load("Data/Misc/Fonts/Hermes.26");
    frameTexture = g_D3DRender.LoadTexture("Data/Space/Interface/Cockpit/RadarScreen.bmp", -1, -1);
    counters[0] = counters[1] = 0;
    panel.textureId = -1;
    panel.width = panel.height = 0;
    panel.texture = nullptr;
    pulse = 0.0f;
    lastDraw = 0;
}

void CRadar::Draw()
{
    CUnit* player = g_PlayerObject;
    if (!panel.texture || !player || !IsPanelRedrawFrame()) return;
    CPanelDrawState saved;
    if (!BeginPanelDraw(&panel, &saved)) return;
    GfxDevice* dev = g_D3DRender.device;
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    g_D3DRender.SetZEnable(0);
    g_D3DRender.SetZWriteEnable(0);
    g_D3DRender.SetLighting(0);
    const float W = float(panel.width), Ht = float(panel.height);
    const float cx = W * 0.5f, cy = Ht * 0.5f, R = W * 0.5f - 10.0f;
    DrawScreenQuadTextureIdColour(0xFFFFFFFFu, 0.0f, 0.0f, W, Ht, frameTexture);

    const uint32_t now = g_GameClock.NowMs();
    const float dt = lastDraw ? float(now - lastDraw) * 0.001f : 0.0f;
    lastDraw = now;
    pulse += 50.0f * dt;
    if (pulse > R) pulse = 0.0f;
    if (R > 0.0f)
        DrawScreenEllipse(WithAlpha(0x009B00u, int(155.0f - pulse / R * 155.0f)), cx, cy, pulse, 1.0f, 1.0f);

    float z = player->viewFactor;
    if (CUnit* nearest = CObjectList::FindNearestTarget(player, nullptr)) {
        const float d = PointDistance(nearest->position, player->position);
        if (d > 0.0f && d <= 500.0f) z = std::max(z, 0.9f - d * 0.9f / 500.0f + 0.5f);
    }
    zoom = z;

    const float range = player->commRange;
    CUnit* speaker = IsUnitListed(g_CommWindow.speaker) ? g_CommWindow.speaker : nullptr;
    const Matrix toPlayer = PlayerFrameInverse(player);
    for (int pass = 0; pass < 2 && range > 0.0f; ++pass) {
        for (uint32_t i = 1; i < CObjectList::unitCount[1]; ++i) {
            CUnit* u = CObjectList::units[1][i];
            if (!u || u == player) continue;
            const bool asteroid = u->objectClass == GCLASS_SPACE_OBJECT && u->kind == GTYPE_SP_ASTEROID;
            if (pass == 0 ? !asteroid : u->objectClass != GCLASS_SPACE_SHIP) continue;
            const Vec3 offset = u->position - player->position;
            const float d = Vec3Length(offset);
            if (d > range) continue;
            const RadarBlip b = RadarProject(Vec3TransformNormal(offset, toPlayer), d, range, z, cx, cy, R);
            if (pass == 0) {
                DrawScreenDisc16(0x64646464u, 0x00646464u, b.x, b.y, 5.0f, 1.0f, 1.0f);
                continue;
            }
            if (u->hull <= 0.0f || u->orderType == ACTION_DEAD) continue;
            if (IsStation(u) && u->orderType == ACTION_GUARD && IsStation(u->target)) continue;
            const float r = IsStation(u) ? 10.0f : 3.0f;
            uint32_t rgb = u->pilot.side == 1 ? 0xFFFFFFu : u->pilot.side == 0 ? 0x00FF00u
                         : (u->pilot.side == 2 || u->pilot.side == 3) ? 0xFF0000u
                                                                      : 0xFFFFFFu;
            if (g_GameMode != 2 && u->humanPiloted && u->pilot.side != 1) rgb = 0xFFFF00u;
            float v = 1.0f;
            if (IsShip(u) && u->pilot.side == 0 && !u->humanPiloted) v = d < 5100.0f ? 1.0f - d / 5100.0f : 0.0f;
            DrawScreenLine(0x00FFFF00u, WithAlpha(0xFFFF00u, int(v * 100.0f)), b.x, b.y0, b.x, b.y);
            DrawScreenDisc16(WithAlpha(rgb, int(v * 155.0f)), WithAlpha(rgb, 0), b.x, b.y, r, 1.0f, 1.0f);
            if (u == player->target) DrawScreenEllipse(WithAlpha(rgb, int(v * 255.0f)), b.x, b.y, r + 2.0f, 1.0f, 1.0f);
            if (u == speaker) DrawScreenEllipse(0xFFFFFF00u, b.x, b.y, r + 4.0f, 1.0f, 1.0f);
        }
    }

    char text[64];
    std::snprintf(text, sizeof(text), "1x%.1f(%.1f)", player->viewFactor * 10.0f - 4.0f, z * 10.0f - 4.0f);
    const float x = cx - font.GetTextWidth(1.0f, text) * 0.5f;
    font.DrawText(x, Ht - 2.0f - font.lineHeight, text, WithAlpha(0x006400u, int(PanelFlickerAlpha())),
                  WithAlpha(0x003200u, int(PanelFlickerAlpha())), 1.0f);
    EndPanelDraw(&saved);
}

void CRadar::CreateRenderTarget(const char* name)
{
    CreatePanelTarget(&panel, name, 0);
}

void CRadar::ReleaseRenderTarget()
{
    ReleasePanelTarget(&panel);
}

void CRadar::Reload()
{
    ReloadPanelTarget(&panel, 0);
}

void CRadar::Release()
{
    font.ReleaseTexture();
    if (frameTexture >= 0) g_D3DRender.ReleaseTexture(frameTexture);
    frameTexture = -1;
    if (panel.textureId >= 0 && panel.texture) g_D3DRender.ReleaseTexture(panel.textureId);
    panel.textureId = -1;
    panel.texture = nullptr;
}
