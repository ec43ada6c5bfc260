// The station menu's information views: the station-cargo panel, the ship panel, the
// pilot statistics and the sector map with target picking.
#include <cmath>
#include <cstdio>

#include "app/wndproc.h"
#include "files/language.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/radio_menu.h"
#include "flight_ui/target_screen.h"
#include "locations/location_director.h"
#include "locations/location_loader.h"
#include "menus/station_menu.h"
#include "net/network.h"
#include "platform/crt/rand.h"
#include "render/d3d_render.h"
#include "render/draw2d.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/item.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {

StationMenuState& M() { return g_StationMenu; }

unsigned Argb(int a, int r, int g, int b)
{
    auto c = [](int v) { return unsigned(v < 0 ? 0 : (v > 255 ? 255 : v)); };
    return (c(a) << 24) | (c(r) << 16) | (c(g) << 8) | c(b);
}

int Flicker() { return rand() % 56; }

unsigned TextColour() { return Argb(200 + Flicker(), 0, 200, 0); }

// The 3D views of the menu: a camera of their own with the station view's projection.
CCamera& ViewCamera()
{
    static CCamera camera;
    return camera;
}

// Draws the units turning about the first one inside a rectangle of the virtual screen.
void DrawTurning(CUnit* const* units, int count, float x1, float y1, float x2, float y2)
{
    GfxDevice* dev = g_D3DRender.device;
    if (!dev || count <= 0 || !units[0]) return;
    const Vec3 centre = units[0]->position;
    float reach = units[0]->boundsRadius * units[0]->scale.x;
    for (int i = 1; i < count; ++i)
        if (units[i]) reach = std::fmax(reach, Vec3Length(units[i]->position - centre) + units[i]->boundsRadius);
    if (reach <= 0.0f) reach = 10.0f;
    const StationMenuState& m = M();
    CCamera& cam = ViewCamera();
    cam.fov = m.viewFov;
    cam.aspect = (x2 - x1) / (y2 - y1) * m.viewAspect * 600.0f / 400.0f;
    cam.nearPlane = m.viewNear;
    cam.farPlane = m.viewFar;
    const float angle = -float(uint32_t(g_GameClock.gameTime)) / 1000.0f;
    // A view narrower than the station view's own keeps the whole turning round in it.
    const float d = reach * 1.6f * std::fmax(1.0f, m.viewAspect / cam.aspect);
    const Vec3 eye = centre + Vec3(std::sin(angle) * d, d * 0.45f, std::cos(angle) * d);
    SetViewport800x600(x1, y1, x2, y2);
    dev->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    cam.SetMatrices(eye, centre, Vec3(0.0f, 1.0f, 0.0f));
    for (int i = 0; i < count; ++i)
        if (units[i]) units[i]->Draw(units[i] == g_PlayerObject ? 1 : 0);  // pass 1: the cockpit does not stand in
    // The panels drawn after the view must not be hidden by its depth.
    dev->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    SetViewport800x600(0.0f, 0.0f, 800.0f, 600.0f);
}

void Bar(float x, float y, float share)
{
    share = share < 0.0f ? 0.0f : (share > 1.0f ? 1.0f : share);
    DrawScreenQuadColour(Argb(120, 0, 60, 0), x, y, x + 150.0f, y + 8.0f, nullptr);
    DrawScreenQuadColour(Argb(200 + Flicker(), 0, 220, 0), x, y, x + 150.0f * share, y + 8.0f, nullptr);
}

void Line(float x, float y, const char* text, float scale = 1.0f)
{
    const unsigned c = TextColour();
    M().font.DrawText(x, y, text, c, c, scale);
}

}  // namespace

void CStationMenu::DrawStationCargo()
{
    StationMenuState& m = M();
    CUnit* station = g_HeroStation;
    if (!station) return;
    const float l = m.viewLeft + 20.0f, t = m.viewBottom - 130.0f, r = m.viewRight - 20.0f, b = m.viewBottom - 20.0f;
    const float x = m.viewLeft + 90.0f;
    const unsigned black = Argb(150, 0, 0, 0), frame = Argb(150 + Flicker(), 0, 150, 0);
    DrawScreenBevelPanel(black, black, l, t, r, b, black, black);
    // The station turns in the panel, left of its texts: over the whole half of the screen
    // it would lie under the pages' buttons and lists.
    CUnit* views[1 + kMaxGuards] = {station};
    int n = 1;
    for (int i = 0; i < station->guardCount && i < kMaxGuards; ++i)
        if (station->guards[i]) views[n++] = station->guards[i];
    DrawTurning(views, n, l + 4.0f, t + 4.0f, x - 6.0f, b - 4.0f);
    DrawScreenBevelFrame(frame, frame, l, t, r, b, frame, frame, 5);
    char text[128];
    Line(x, t + 8.0f, "В грузовом отсеке станции:");
    std::snprintf(text, sizeof(text), station->ore < 1.0f ? "%s - %.03f" : "%s - %.f", TranslateText("Чистый иллирион"),
                  station->ore);
    Line(x, t + 30.0f, text);
    int cargo = 0, combat = 0;
    for (int d = 0; d < kMaxDocked; ++d) {
        const CUnit* u = station->dockedUnits[d];
        if (!u || u->objectClass != GCLASS_SPACE_SHIP || u->dockTime != 0xFFFFFFFFu) continue;
        if (u->kind == GTYPE_SP_NPCSHIP_MERCS_CARGO || (u->kind == GTYPE_SP_HEROSHIP && u->FindCargoItem())) ++cargo;
        else if (u->kind == GTYPE_SP_NPCSHIP_MERCS_FIGHTER || u->kind == GTYPE_SP_HEROSHIP) ++combat;
    }
    Line(x, t + 55.0f, "Кораблей в доке");
    std::snprintf(text, sizeof(text), "%s - %d", TranslateText("грузовые"), cargo);
    Line(x, t + 77.0f, text);
    std::snprintf(text, sizeof(text), "%s - %d", TranslateText("боевые"), combat);
    Line(x + 140.0f, t + 77.0f, text);
}

void CStationMenu::DrawShipCharacteristics(float x, float y)
{
    CUnit* ship = M().selectedShip;
    const unsigned panel = Argb(150, 0, 30, 0), frame = Argb(150 + Flicker(), 0, 150, 0);
    DrawScreenBevelPanel(panel, panel, x, y, x + 360.0f, y + 130.0f, panel, panel);
    DrawScreenBevelFrame(frame, frame, x, y, x + 360.0f, y + 130.0f, frame, frame, 5);
    if (!ship) return;
    DrawTurning(&ship, 1, x + 5.0f, y + 5.0f, x + 185.0f, y + 125.0f);
    const CItem* cargo = ship->FindCargoItem();
    struct Row {
        const char* label;
        float share;
        bool shown;
    } rows[5] = {
        {"Прочность:", ship->hullMax / 250.0f, true},
        {"Скорость:", ship->engineMax / 150.0f, true},
        {"Управляемость:", (12.0f - ship->manoeuvring) / 10.0f, true},
        {"Грузоподъемность:", cargo ? cargo->capacity / 1000.0f : 0.0f, cargo != nullptr},
        {"Вооруженность:", ship->GetFirepower() / 10.0f, true},
    };
    // A label above each bar.
    float ry = y + 6.0f;
    for (const Row& r : rows) {
        if (!r.shown) continue;
        Line(x + 200.0f, ry, r.label, 0.6f);
        Bar(x + 200.0f, ry + 13.0f, r.share);
        ry += 24.0f;
    }
}

void CStationMenu::DrawStatistics()
{
    CUnit* ship = M().selectedShip;
    if (!ship) return;
    const CPilotStatistics& s = ship->statistics;
    const unsigned black = Argb(170, 0, 0, 0), frame = Argb(150 + Flicker(), 0, 150, 0);
    DrawScreenBevelPanel(black, black, 415, 15, 565, 137, black, black);
    DrawTurning(&ship, 1, 420.0f, 20.0f, 560.0f, 132.0f);
    DrawScreenBevelFrame(frame, frame, 415, 15, 565, 137, frame, frame, 5);
    DrawScreenBevelPanel(black, black, 410, 142, 790, s.shotsFired != 0 ? 340.0f : 320.0f, black, black);
    DrawScreenBevelFrame(frame, frame, 410, 142, 790, s.shotsFired != 0 ? 340.0f : 320.0f, frame, frame, 5);
    char text[160];
    float y = 150.0f;
    Line(420, y, "Пилотируемый корабль:");
    Line(420, y += 22.0f, ship->displayName);
    Line(420, y += 30.0f, "За все время работы:");
    std::snprintf(text, sizeof(text), "%s - %.1fkm", TranslateText("Пройдено расстояние"), s.distance);
    Line(420, y += 22.0f, text, 0.8f);
    std::snprintf(text, sizeof(text), "%s - %d", TranslateText("Уничтожено вражеских кораблей"), s.kills);
    Line(420, y += 20.0f, text, 0.8f);
    std::snprintf(text, sizeof(text), "%s - %d", TranslateText("Произведено выстрелов"), s.shotsFired);
    Line(420, y += 20.0f, text, 0.8f);
    if (s.shotsFired != 0) {
        std::snprintf(text, sizeof(text), "(%s - %d, %s - %d%%)", TranslateText("в цель"), s.shotsOnTarget,
                      TranslateText("точность"), int(float(s.shotsOnTarget) / float(s.shotsFired) * 100.0f));
        Line(440, y += 20.0f, text, 0.8f);
    }
    std::snprintf(text, sizeof(text), "%s - %.1f", TranslateText("Доставлено иллирионовой руды"), s.oreDelivered);
    Line(420, y += 20.0f, text, 0.8f);
}

void CStationMenu::AimSectorMap()
{
    // The route's asteroids lie thousands of units off the station, beyond the picture's
    // edge from most sides: the camera stands on the station's far side from them, so the
    // route shows behind the station, and the ships near it keep their size.
    Vec3 sum;
    int n = 0;
    for (uint32_t i = 0; i < CObjectList::unitCount[1]; ++i) {
        const CUnit* u = CObjectList::units[1][i];
        if (u && u->kind == GTYPE_SP_ASTEROID) sum = sum + u->position, ++n;
    }
    const Vec3 centre = M().mapCentre;
    Vec3 away(0.0f, 0.0f, -1.0f);
    if (n > 0) {
        const Vec3 d = centre - sum * (1.0f / float(n));
        if (d.x * d.x + d.z * d.z > 1.0f) away = Vec3Normalize(Vec3(d.x, 0.0f, d.z));
    }
    // 4950 units off, 30 degrees up: the route a few thousand units behind the station
    // stays below the picture's top edge.
    g_MenuCamera.followOffset = Vec3(away.x * 4287.0f, 2475.0f, away.z * 4287.0f);
}

void CStationMenu::UpdateSectorMap()
{
    StationMenuState& m = M();
    const int saved = g_WorldIndex;
    g_WorldIndex = 1;
    const uint32_t now = g_GameClock.NowMs();
    const float step = m.mapLastUpdate ? g_GameClock.SecondsSince(m.mapLastUpdate) : 0.0f;
    m.mapLastUpdate = now;
    CUnit* ship = g_PlayerObject;
    if (ship && !ship->target) ship->target = g_HeroStation;

    CCamera& cam = g_MenuCamera;
    if (!cam.moveActive) {
        // Docked, the window procedure files A, D, W, S under the planet world's flags.
        float side = 0.0f, upDown = 0.0f;
        if (g_KeyA || g_KeyLeft || g_MouseX < 5.0f) side += step;
        if (g_KeyD || g_KeyRight || g_MouseX > 795.0f) side -= step;
        if (g_KeyW || g_KeyUp || g_MouseY < 5.0f) upDown += step;
        if (g_KeyS || g_KeyDown || g_MouseY > 595.0f) upDown -= step;
        if (side != 0.0f || upDown != 0.0f) {
            // Turn the map about the vertical, then tilt it, keeping it above the plane.
            Vec3 o = Vec3TransformNormal(cam.followOffset, MatrixRotationY(side));
            const Vec3 axis = Vec3Normalize(Vec3Cross(Vec3(0.0f, 1.0f, 0.0f), o));
            const Vec3 tilted = Vec3TransformNormal(o, MatrixRotationAxis(axis, -upDown));
            if (tilted.y > 100.0f && Vec3Length(Vec3(tilted.x, 0.0f, tilted.z)) > 100.0f) o = tilted;
            cam.followOffset = o;
        }
    }
    Vec3 centre = m.mapCentre;
    if (g_GameMode == 2)
        centre = m.mapCentre + NetworkStartPoint(g_Network.session.playerCount, g_Network.session.ownIndex) * 0.5f;
    cam.lookAt = centre;
    cam.eye = centre + cam.followOffset;

    // The cockpit does not run while docked: the map keeps the radio going.
    if (ship) {
        g_CommWindow.Update();
        g_RadioMenu.UpdateTyping();
        g_TargetScreen.SetTarget(ship->target ? ship->target : ship);
    }
    g_WorldIndex = saved;
}

namespace {

// A panel's render texture, the used part of it, as an opaque quad of the virtual screen
// (the target has no alpha of its own to blend with).
void DrawPanelTexture(const CPanelTarget& panel, float x, float y, float width, float usedHeight)
{
    GfxDevice* dev = g_D3DRender.device;
    if (!dev || !panel.texture || panel.width <= 0 || panel.height <= 0 || usedHeight <= 0.0f) return;
    const float h = width * usedHeight / float(panel.width);
    const float v = usedHeight / float(panel.height);
    const float sx = g_ScreenScaleX, sy = g_ScreenScaleY;
    const unsigned white = 0xFFFFFFFFu;
    const ScreenVertex q[4] = {
        {x * sx, y * sy, 0.0f, 1.0f, white, 0u, 0.0f, 0.0f},
        {x * sx, (y + h) * sy, 0.0f, 1.0f, white, 0u, 0.0f, v},
        {(x + width) * sx, y * sy, 0.0f, 1.0f, white, 0u, 1.0f, 0.0f},
        {(x + width) * sx, (y + h) * sy, 0.0f, 1.0f, white, 0u, 1.0f, v},
    };
    g_D3DRender.SetTexturePtr(panel.texture, 0);
    g_D3DRender.SetZEnable(0);
    g_D3DRender.SetZWriteEnable(0);
    g_D3DRender.SetLighting(0);
    dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1);
    dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(ScreenVertex));
}

}  // namespace

void CStationMenu::DrawSectorMap()
{
    GfxDevice* dev = g_D3DRender.device;
    if (!dev) return;
    CCamera& cam = g_MenuCamera;
    cam.SetMatrices(cam.eye, cam.lookAt, Vec3(0.0f, 1.0f, 0.0f));
    dev->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    CUnit* ship = g_PlayerObject;
    // The particle sets follow the map camera while the map shows (ParticleCamera): the
    // stars behind everything, the dust among the units.
    g_World.particles[2].Render();
    g_World.particles[3].Render();
    for (uint32_t i = 0; i < CObjectList::unitCount[1]; ++i) {
        CUnit* u = CObjectList::units[1][i];
        if (u->objectClass == GCLASS_SPACE_SKY || u->kind == 1) continue;  // the sky and the exchange's showcase
        u->Draw(0);
    }
    g_World.particles[0].Render();
    g_World.particles[1].Render();
    // The route: each object of kind 30000 joined to the next.
    const CUnit* last = nullptr;
    for (uint32_t i = 0; i < CObjectList::unitCount[1]; ++i) {
        const CUnit* u = CObjectList::units[1][i];
        if (u->kind != GTYPE_SP_ASTEROID) continue;
        if (last) DrawLine3DColour(Argb(200, 0, 100, 0), last->position, u->position);
        last = u;
    }
    // The comm window's or the radio menu's panel, as far as it has opened.
    const bool comm = g_CommWindow.openPercent >= g_RadioMenu.openPercent;
    const float open = comm ? g_CommWindow.openPercent : g_RadioMenu.openPercent;
    const CPanelTarget& panel = g_CommWindow.panel;
    const float used = (comm ? g_CommWindow.panelHeight : g_RadioMenu.panelHeight) * open * 0.01f;
    const float panelBottom = 10.0f + (panel.width > 0 ? 380.0f * used / float(panel.width) : 0.0f);
    // A mark keeps off the panels and buttons drawn over the map: the target's picture, the
    // open radio panel, the back button and, while no talk runs, the call and orders buttons.
    const bool calls = !g_CommWindow.state && !g_RadioMenu.state;
    auto overPanel = [&](float x0, float y0, float x1, float y1) {
        const bool onPicture = x1 > 20.0f && x0 < 220.0f && y1 > 430.0f && y0 < 580.0f;
        bool onButton = false;
        for (const CManagementSystemButton* b : {&M().mapBack, &M().mapCall, &M().mapOrders})
            onButton = onButton || ((b == &M().mapBack || calls) && x1 > b->x && x0 < b->x + b->width && y1 > b->y &&
                                    y0 < b->y + b->height);
        return onPicture || onButton || (open > 0.0f && x1 > 10.0f && x0 < 390.0f && y1 > 10.0f && y0 < panelBottom);
    };
    for (uint32_t i = 0; i < CObjectList::unitCount[1]; ++i) {
        CUnit* u = CObjectList::units[1][i];
        if (u->objectClass != GCLASS_SPACE_SHIP || !u->IsAlive() || u->orderType == ACTION_DEAD || u == ship) continue;
        const float d = ship ? Vec3Length(u->position - ship->position) : 0.0f;
        if (g_GameMode != 2 && ship && d > ship->commRange) continue;
        float sx, sy;
        if (!cam.WorldToScreen(&sx, &sy, u->position) || overPanel(sx - 7.0f, sy - 13.0f, sx + 13.0f, sy + 7.0f)) continue;
        const float range = ship && ship->commRange > 0.0f ? ship->commRange : 10000.0f;
        const int alpha = int(255.0f * (1.0f - 0.7f * std::fmin(d / range, 1.0f)));
        const bool marked = u->humanPiloted && u->pilot.side != 1;
        const unsigned c = marked || u->IsHostileTo(ship) ? Argb(alpha, 255, 255, 0) : Argb(alpha, 0, 255, 0);
        DrawScreenLineColour(c, sx, sy, sx + 12.0f, sy - 12.0f);
        DrawScreenEllipse(c, sx, sy, 6.0f, 1.0f, 1.0f);
        if (ship && u == ship->target) DrawScreenDisc(Argb(155, 255, 255, 0), sx, sy, 4.0f, 1.0f, 1.0f);
    }
    // The target screen's picture with its frame.
    g_TargetScreen.Draw();
    const unsigned frame = Argb(150 + Flicker(), 0, 150, 0);
    if (g_TargetScreen.panel.texture) DrawScreenMapShape(g_TargetScreen.panel.textureId, 20.0f, 430.0f, 220.0f, 580.0f);
    DrawScreenBevelFrame(frame, frame, 20, 430, 220, 580, frame, frame, 5);
    if (open > 0.0f) {
        if (comm) g_CommWindow.Draw();
        else g_RadioMenu.Draw();
        const unsigned backing = Argb(150, 0, 0, 0);
        DrawScreenQuadColour(backing, 10.0f, 10.0f, 390.0f, panelBottom, nullptr);
        DrawPanelTexture(panel, 10.0f, 10.0f, 380.0f, used);
        DrawScreenBevelFrame(frame, frame, 10.0f, 10.0f, 390.0f, panelBottom, frame, frame, 5);
    }
    M().mapBack.Draw();
    if (calls) {
        M().mapCall.Draw();
        M().mapOrders.Draw();
    }
}

int CStationMenu::PickSectorMapObject()
{
    CUnit* ship = g_PlayerObject;
    if (!ship) return 0;
    const int saved = g_WorldIndex;
    g_WorldIndex = 1;
    CCamera& cam = g_MenuCamera;
    cam.SetMatrices(cam.eye, cam.lookAt, Vec3(0.0f, 1.0f, 0.0f));
    const Vec3 from = cam.ScreenToWorld(g_MouseX, g_MouseY, 0.0f);
    const Vec3 to = cam.ScreenToWorld(g_MouseX, g_MouseY, 1.0f);
    CUnit* hit = RayHitNearest(50.0f, from, to, nullptr);
    if (hit) {
        if ((hit->kind == GTYPE_SP_STATION || hit->kind == GTYPE_SP_LEAFSTATION) && hit->orderType == ACTION_GUARD &&
            hit->target && (hit->target->kind == GTYPE_SP_STATION || hit->target->kind == GTYPE_SP_LEAFSTATION))
            hit = hit->target;
        ship->target = hit;
    }
    g_WorldIndex = saved;
    return hit ? 1 : 0;
}
