#include "flight_ui/target_screen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/settings.h"
#include "app/wndproc.h"
#include "audio/sound.h"
#include "files/language.h"
#include "flight_ui/cockpit.h"
#include "flight_ui/cursor.h"
#include "menus/pilots_page.h"
#include "menus/station_menu.h"
#include "render/camera.h"
#include "render/d3d_render.h"
#include "render/mesh.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/item.h"
#include "world/objects/object_codes.h"
#include "world/objects/unit.h"
#include "world/world.h"

CTargetScreen g_TargetScreen;
CTargetScreen g_SystemScreen;

namespace {

// From the rows' column at x 20 to the edge of the dark well behind them (x 107 of the
// 256-texel frame).
constexpr float kRowRoom = 86.0f;

const char kMarkerSheet[] = "Data/Space/Interface/Cockpit/ObjOnScreen.dds";

bool IsShip(const CUnit* u)
{
    return u && u->kind >= 20000 && u->kind <= 20998;
}

uint32_t WithAlpha(uint32_t rgb, uint32_t alpha)
{
    return (alpha << 24) | (rgb & 0x00FFFFFFu);
}

Vec3 Row(const Matrix& m, int r)
{
    return Vec3(m.m[r][0], m.m[r][1], m.m[r][2]);
}

// A unit whose bounds were never measured still gets a view: its mesh's box, else 10.
float ViewRadius(const CUnit* u)
{
    if (u->boundsRadius > 0.0f) return u->boundsRadius;
    const CMesh* m = u->meshCount > 0 ? u->meshes[0] : nullptr;
    const float r = m ? Vec3Length(m->m_BoundMax - m->m_BoundMin) * 0.5f * std::fabs(u->scale.x) : 0.0f;
    return r > 0.0f ? r : 10.0f;
}

// Centre and radius of what the view shows: a station with guards takes them in.
void ViewSphere(const CUnit* u, Vec3* centre, float* radius)
{
    *centre = Vec3TransformCoord(u->boundsCentre, u->drawMatrix);
    *radius = ViewRadius(u);
    if (u->kind != 21000 || u->guardCount <= 0) return;
    Vec3 sum = *centre;
    int n = 1;
    float reach = *radius;
    for (int i = 0; i < u->guardCount && i < kMaxGuards; ++i) {
        const CUnit* g = u->guards[i];
        if (!IsUnitListed(g)) continue;
        const Vec3 c = Vec3TransformCoord(g->boundsCentre, g->drawMatrix);
        sum = sum + c;
        ++n;
        reach = std::max(reach, PointDistance(u->position, g->position) + g->boundsRadius);
    }
    *centre = sum * (1.0f / float(n));
    *radius = reach;
}

// Draws the unit (and a station's guards) with the screen's camera into the viewport.
void DrawUnitView(CTargetScreen& s, CUnit* u, unsigned x0, unsigned x1, unsigned height)
{
    GfxDevice* dev = g_D3DRender.device;
    CUnit* player = g_PlayerObject;
    Vec3 centre;
    float r = 1.0f;
    ViewSphere(u, &centre, &r);
    Vec3 eye, up;
    if (s.kind == 0 && u != player && player) {
        const Vec3 viewer = g_StationMenuActive ? g_MenuCamera.eye : player->position;
        Vec3 dir = centre - viewer;
        dir = Vec3LengthSq(dir) > 0.0f ? Vec3Normalize(dir) : Vec3(0, 0, 1);
        eye = centre - dir * (2.0f * r);
        up = Row(player->worldMatrix, 1);
    } else {
        eye = centre + Vec3Normalize(Row(u->worldMatrix, 1)) * (2.0f * r);
        up = Row(u->worldMatrix, 2);
    }
    s.view = MatrixLookAtLH(eye, centre, up);
    s.projection = MatrixPerspectiveFovLH(s.fov, s.aspect, s.nearPlane, s.farPlane);
    dev->SetTransform(D3DTS_VIEW, &s.view);
    dev->SetTransform(D3DTS_PROJECTION, &s.projection);
    if (GfxEffect* effect = g_D3DRender.effect) {
        const Vec4 v(eye.x, eye.y, eye.z, 1.0f);
        effect->SetVector("EyePos", &v);
    }
    D3DVIEWPORT9 vp;
    vp.x = x0;
    vp.width = x1 > x0 ? x1 - x0 : 1;
    vp.height = height;
    dev->SetViewport(&vp);
    const int pass = u == player ? 1 : 0;
    u->Draw(pass);
    if (u->kind == 21000)
        for (int i = 0; i < u->guardCount && i < kMaxGuards; ++i)
            if (IsUnitListed(u->guards[i])) u->guards[i]->Draw(0);
    D3DVIEWPORT9 whole;
    whole.width = unsigned(s.panel.width);
    whole.height = unsigned(s.panel.height);
    dev->SetViewport(&whole);
    g_D3DRender.SetZEnable(0);
    g_D3DRender.SetLighting(0);
}

void DarkBox(float x1, float y1, float x2, float y2)
{
    DrawScreenQuad(0xB4000000u, 0xB4000000u, x1, y1, x2, y2, 0xB4000000u, 0xB4000000u, nullptr);
}

void VerticalBar(float x1, float y1, float x2, float y2, uint32_t top, uint32_t bottom)
{
    DrawScreenQuad(top, bottom, x1, y1, x2, y2, top, bottom, nullptr);
}

// The text with its first bytes cut to the row's buffer.
void CopyRow(char* out, size_t size, const char* text)
{
    std::snprintf(out, size, "%s", text ? text : "");
}

} // namespace

void CTargetScreen::Init(int screenKind)
{
    font.Load("Data/Misc/Fonts/Hermes.18");
    frameTexture = g_D3DRender.LoadTexture(screenKind == 0 ? "Data/Space/Interface/Cockpit/TargetScreen.dds"
                                                           : "Data/Space/Interface/Cockpit/SystemScreen.dds",
                                           1, -1);
    panel.textureId = -1;
    view = MatrixIdentity();
    projection = MatrixIdentity();
    fov = 1.0472f;
    aspect = 1.0f;
    farPlane = 5000.0f;
    nearPlane = 2.0f;
    if (screenKind == 0) InitMarkers();
    secondFont.Load("Data/Misc/Fonts/Hermes.18");
    panel.width = panel.height = 0;
    kind = screenKind;
    target = nullptr;
    aligned = 0;
}

void CTargetScreen::InitMarkers()
{
    CD3DRender& r = g_D3DRender;
    const int held = r.textureManager.Find(kMarkerSheet);
    const int sheet = r.LoadTexture(kMarkerSheet, 1, held);
    marker.sheet = sheet;
    // Row 0: the bracket's corners; row 1: the lock bracket's; the lead point and the
    // arrow in the lower left quarter (the steering marker fills the lower right).
    for (int i = 0; i < 4; ++i) {
        SetSpriteFrames(&marker.sprites[i], sheet, 256.0f, 64.0f * float(i), 0.0f, 64.0f, 64.0f);
        SetSpriteFrames(&marker.sprites[4 + i], sheet, 256.0f, 64.0f * float(i), 64.0f, 64.0f, 64.0f);
    }
    SetSpriteFrames(&marker.leadSprite, sheet, 256.0f, 0.0f, 128.0f, 64.0f, 64.0f);
    SetSpriteFrames(&marker.arrowSprite, sheet, 256.0f, 64.0f, 128.0f, 64.0f, 64.0f);
    marker.target = nullptr;
    marker.lockState = 0;
}

void CTargetScreen::SetTarget(CUnit* unit)
{
    CUnit* player = g_PlayerObject;
    const bool outside = g_World.cameras[1].cinematicView != 0;
    if (unit && unit != player && unit != target && g_LocationKind == 1 && !outside)
        PlayCockpitSound(CCockpit::SOUND_SELECT_TARGET);
    if (kind == 0) {
        const bool keep = unit && unit == target && IsShip(unit) && unit != player && g_KeyXToggle && player &&
                          player->target;
        if (keep) {
            float percent = player->engineMax > 0.0f ? 100.0f / player->engineMax * unit->speed : 0.0f;
            player->speedPercent = std::clamp(percent, 0.0f, 100.0f);
        } else {
            g_KeyXToggle = 0;
        }
        if (!aligned && g_KeyXToggle == 1) PlayCockpitSound(CCockpit::SOUND_ALIGN_TARGET_SPEED);
        aligned = g_KeyXToggle;
    }
    target = unit;
    if (kind == 0) marker.SetTarget(unit);
}

void CTargetScreen::Draw()
{
    if (!panel.texture || !IsPanelRedrawFrame()) return;
    CUnit* player = g_PlayerObject;
    if (!IsUnitListed(target)) target = nullptr;
    if (kind == 0 && target && player && target != player && PointDistance(target->position, player->position) > player->commRange) {
        player->target = nullptr;
        target = nullptr;
    }
    CPanelDrawState saved;
    if (!BeginPanelDraw(&panel, &saved)) return;
    GfxDevice* dev = g_D3DRender.device;
    const float W = float(panel.width), Ht = float(panel.height), H = font.lineHeight;
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | (panel.depth ? D3DCLEAR_ZBUFFER : 0u), 0xFF000000u, 1.0f, 0);

    const uint32_t now = g_GameClock.NowMs();
    const float dt = lastDraw ? float(now - lastDraw) * 0.001f : 0.0f;
    lastDraw = now;
    CUnit* u = target;
    if (u && panel.depth) {
        if (kind == 0) DrawUnitView(*this, u, unsigned(W / 3.0f - 10.0f), unsigned(W - 10.0f), unsigned(Ht));
        else DrawUnitView(*this, u, unsigned(W - W / 1.75f), unsigned(W), unsigned(Ht));
    }
    g_D3DRender.SetZEnable(0);
    g_D3DRender.SetZWriteEnable(0);
    g_D3DRender.SetLighting(0);
    DrawScreenQuadTextureIdColour(0xFFFFFFFFu, 0.0f, 0.0f, W, Ht, frameTexture);

    if (u) {
        const float hullShare = u->hullMax > 0.0f ? std::clamp(u->hull / u->hullMax, 0.0f, 1.0f) : 0.0f;
        if (kind == 0) {
            const uint32_t a1 = PanelFlickerAlpha(), a2 = PanelFlickerAlpha();
            const uint32_t green = WithAlpha(0x00FF00u, a1);
            const uint32_t side = WithAlpha(u->pilot.side == 2 || u->pilot.side == 3 ? 0xFF3700u : 0xC8C800u, a2);
            char rows[6][kPilotTextLength];
            CopyRow(rows[0], sizeof(rows[0]), u->pilot.title);
            CopyRow(rows[1], sizeof(rows[1]), std::strstr(u->pilot.secondText, "NONE") ? "" : u->pilot.secondText);
            CopyRow(rows[2], sizeof(rows[2]), "Владелец:");
            CopyRow(rows[3], sizeof(rows[3]),
                    std::strstr(u->pilot.pilotMarker, "PLAYER_NAME") ? g_PlayerName : u->pilot.pilotMarker);
            CopyRow(rows[4], sizeof(rows[4]), "Пилот:");
            CopyRow(rows[5], sizeof(rows[5]), u->pilot.pilotName);
            for (int n = 0; n < 6; ++n) {
                const uint32_t c = (n == 3 || n == 5) ? side : green;
                DrawPanelRow(font, 20.0f, 20.0f + float(n) * 0.8f * H, rows[n], c, 0.8f, kRowRoom);
            }
            VerticalBar(W - 26.0f, Ht - 18.0f - (Ht - 36.0f) * hullShare, W - 18.0f, Ht - 18.0f, 0xFF006400u,
                        0xFF000000u);
            CItem* cargo = u->FindCargoItem();
            const bool station = u->kind == 21000;
            if (station || (u->pilot.side == 1 && cargo)) {
                if (!station && cargo && cargo->capacity > 0.0f) {
                    const float share = std::clamp(u->ore / cargo->capacity, 0.0f, 1.0f);
                    DrawScreenQuad(0xFF321414u, 0xFF321414u, 17.0f, Ht - 69.0f, 17.0f + 86.0f * share, Ht - 59.0f,
                                   0xFF321414u, 0xFF321414u, nullptr);
                }
                char text[64];
                std::snprintf(text, sizeof(text), "%s: %d", TranslateText("Руда"), int(u->ore));
                const uint32_t c = WithAlpha(0x00FF00u, PanelFlickerAlpha());
                font.DrawText(25.0f, Ht - 70.0f, text, c, c, 0.75f);
            } else {
                DarkBox(15.0f, Ht - 72.0f, 106.0f, Ht - 56.0f);
            }
            if (IsShip(u) && u != player) {
                const float s1 = std::clamp(u->pilot.skill, 0.0f, 1.0f), s2 = std::clamp(u->pilot.skill2, 0.0f, 1.0f);
                DrawScreenQuadGradient(0xFF323200u, 0xFF643200u, 18.0f, Ht - 47.0f, 18.0f + 84.0f * s1, Ht - 39.0f);
                DrawScreenQuadGradient(0xFF003232u, 0xFF003264u, 18.0f, Ht - 26.0f, 18.0f + 84.0f * s2, Ht - 18.0f);
            } else {
                DarkBox(15.0f, Ht - 51.0f, 106.0f, Ht - 35.0f);
                DarkBox(15.0f, Ht - 30.0f, 106.0f, Ht - 14.0f);
            }
            if (g_LocationKind == g_WorldIndex) {
                char text[32];
                if (u == player || !player) std::snprintf(text, sizeof(text), "-------");
                else std::snprintf(text, sizeof(text), "%d", int(PointDistance(u->position, player->position)));
                const uint32_t c = WithAlpha(0x00FF00u, PanelFlickerAlpha());
                font.DrawText(165.0f, W - 17.0f - H, text, c, c, 0.8f);
            } else {
                DarkBox(158.0f, W - 22.0f - H, 225.0f, W - 12.0f);
            }
            scan += 100.0f * dt;
            if (scan > 360.0f) scan = 0.0f;
            const float b = scan > 180.0f ? 360.0f - scan : scan;
            DrawScreenQuadGradient(0x00FFFF00u, 0x96FFFF00u, 128.0f, b + 18.0f, 222.0f, b + 27.0f);
        } else {
            const float speedShare = u->engineMax > 0.0f ? std::clamp(u->speed / u->engineMax, 0.0f, 1.0f) : 0.0f;
            VerticalBar(18.0f, Ht - 18.0f - (Ht - 36.0f) * speedShare, 26.0f, Ht - 18.0f, 0xFF009600u, 0xFF003200u);
            const float throttle = std::clamp(u->speedPercent / 100.0f, 0.0f, 1.0f);
            const uint32_t top = g_KeyXToggle && now % 1000u >= 500u ? 0xFFFFFF00u : 0xFF646400u;
            VerticalBar(37.0f, Ht - 18.0f - (Ht - 36.0f) * throttle, 45.0f, Ht - 18.0f, top, 0xFF000000u);
            VerticalBar(W - 26.0f, Ht - 18.0f - (Ht - 36.0f) * hullShare, W - 18.0f, Ht - 18.0f, 0xFF006400u,
                        0xFF000000u);
            DrawEquipmentList();
            scan += 50.0f * dt;
            if (scan > 140.0f) scan = 0.0f;
            const float x = 146.0f + (scan > 70.0f ? 140.0f - scan : scan);
            DrawScreenQuadGradient(0x00FFFF00u, 0x96FFFF00u, 146.0f, 210.0f, x, 238.0f);
            DrawScreenQuadGradient(0x96FFFF00u, 0x00FFFF00u, x, 210.0f, 216.0f, 238.0f);
            if (g_Cockpit.incomingMissile && now % 500u < 250u) {
                const char* text = "РАКЕТА";
                DrawScreenQuad(0x96FF0000u, 0x96FF0000u, 60.0f, Ht - 40.0f, 70.0f + font.GetTextWidth(0.8f, text),
                               Ht - 13.0f, 0x96FF0000u, 0x96FF0000u, nullptr);
                font.DrawText(65.0f, Ht - 35.0f, text, 0xFF000000u, 0xFF000000u, 0.8f);
            }
        }
    }
    EndPanelDraw(&saved);
}

void CTargetScreen::DrawEquipmentList()
{
    CUnit* u = g_PlayerObject;
    if (!u) return;
    const float H = font.lineHeight;
    float y = 20.0f;
    // Lasers, then launchers, then systems.
    for (int group = 0; group < 3; ++group) {
        for (int i = 0; i < u->itemCount && i < kMaxUnitItems; ++i) {
            CItem* item = u->items[i];
            if (!item) continue;
            const int k = item->kind;
            // Guns with the lasers: a ballistic gun is named like one.
            int g = -1;
            if (k == GTYPE_LASER_WEAPON || k == GTYPE_BLLST_WEAPON) g = 0;
            else if (k == GTYPE_ROCKT_WEAPON || k == GTYPE_MISSL_WEAPON) g = 1;
            else if (k >= 400 && k < 500) g = 2;
            if (g != group) continue;
            const int ready = std::clamp(item->GetReadyPercent(), 0, 100);
            uint32_t rgb = 0x284B28u;
            if (item->armed) rgb = ready == 100 ? 0x009B00u : 0x9B0000u;
            DrawScreenDisc16(WithAlpha(rgb, PanelFlickerAlpha()), rgb, 57.0f, y + 0.4f * H, 10.0f, 1.0f, 1.0f);
            DrawScreenQuad(0xFF003200u, 0xFF003200u, 65.0f, y, 65.0f + 0.9f * float(ready), y + 0.8f * H, 0xFF003200u,
                           0xFF003200u, nullptr);
            char text[kItemNameLength + 32];
            if (g == 0) std::snprintf(text, sizeof(text), "%s", item->name);
            else if (g == 1) std::snprintf(text, sizeof(text), "%s (%d)", item->name, item->ammo);
            else if (k == 420) std::snprintf(text, sizeof(text), "%s (%d kg)", item->name, int(u->ore));
            else if (item->trigger) std::snprintf(text, sizeof(text), "АКТИВНО...");
            else std::snprintf(text, sizeof(text), "%s", item->name);
            font.DrawText(65.0f, y, text, 0xFF009B00u, 0xFF009B00u, 0.8f);
            y += 0.8f * H + 3.0f;
        }
    }
}

void CTargetScreen::CreateRenderTarget(const char* name)
{
    CreatePanelTarget(&panel, name, 1);
}

void CTargetScreen::ReleaseRenderTarget()
{
    ReleasePanelTarget(&panel);
}

void CTargetScreen::Reload()
{
    ReloadPanelTarget(&panel, 1);
}

void CTargetScreen::ReleaseTexture()
{
    font.ReleaseTexture();
    secondFont.ReleaseTexture();
    if (frameTexture >= 0) g_D3DRender.ReleaseTexture(frameTexture);
    frameTexture = -1;
    if (marker.sheet >= 0) g_D3DRender.ReleaseTexture(marker.sheet);
    marker.sheet = -1;
    for (ScreenSprite& s : marker.sprites) s.texture = -1;
    marker.leadSprite.texture = marker.arrowSprite.texture = -1;
}
