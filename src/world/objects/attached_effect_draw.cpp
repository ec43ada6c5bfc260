// Drawing of the attached effects in the world's pass, each kind by its own rule: meshes
// that follow the parent, sprites at the parent mesh's points, flames, glows, trails,
// shadows, the sun's lens flare and the cockpit.
#include "world/objects/attached_effect.h"

#include <cmath>

#include "app/settings.h"
#include "flight_ui/cockpit.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/radar.h"
#include "flight_ui/radio_menu.h"
#include "flight_ui/target_screen.h"
#include "menus/station_menu.h"
#include "platform/crt/rand.h"
#include "render/camera.h"
#include "render/d3d_render.h"
#include "render/draw2d.h"
#include "render/mesh.h"
#include "world/game_clock.h"
#include "world/objects/object_codes.h"
#include "world/objects/unit.h"
#include "world/space/unit_space.h"
#include "world/world.h"

namespace {

constexpr float kCockpitSwayLimit = 0.1125f;
constexpr float kCockpitLeverLimit = 0.5f;

bool HasMesh(const CGameObject& o) { return o.meshCount > 0 && o.meshes[0]; }

// Effect objects carry the effect class; every other parent is a unit.
CUnit* ParentUnit(CGameObject* p)
{
    return p && p->objectClass != GCLASS_EFFECT ? static_cast<CUnit*>(p) : nullptr;
}

bool Alive(CGameObject* p)
{
    if (!p) return false;
    const CUnit* u = ParentUnit(p);
    return !u || (u->hull > 0.0f && u->orderType != ACTION_DEAD);
}

// Alive, or dying but not yet past its burning stage.
bool AliveOrBurning(CGameObject* p)
{
    const CUnit* u = ParentUnit(p);
    return p && (Alive(p) || (u && u->orderSubState < 2));
}

bool IsZeroVec(const Vec3& v) { return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f; }

Vec3 Mul(const Vec3& a, const Vec3& b) { return Vec3(a.x * b.x, a.y * b.y, a.z * b.z); }

// Point list n of the first mesh, or null with count 0.
const Vec3* MeshPoints(const CGameObject* o, int list, int* count)
{
    *count = 0;
    if (!o || !HasMesh(*o) || list < 0 || list >= MESH_POINT_LISTS) return nullptr;
    const CMesh* m = o->meshes[0];
    if (m->m_PointCount[list] <= 0 || !m->m_Points[list]) return nullptr;
    *count = m->m_PointCount[list];
    return m->m_Points[list];
}

// World matrix of a sprite at point that always faces the eye.
Matrix Billboard(const Vec3& point, const Vec3& eye)
{
    Matrix inverse = MatrixIdentity();
    if (!MatrixInverse(&inverse, nullptr, MatrixLookAtLH(point, eye, Vec3(0.0f, 1.0f, 0.0f))))
        inverse = MatrixTranslation(point.x, point.y, point.z);
    return inverse;
}

void SetTranslation(Matrix* m, const Vec3& p)
{
    m->m[3][0] = p.x;
    m->m[3][1] = p.y;
    m->m[3][2] = p.z;
}

void DrawWithMatrix(CAttachedEffect& e, const Matrix& m, int flag)
{
    e.drawMatrix = m;
    e.worldMatrix = m;
    e.DrawMesh(flag);
}

// 1 while the parent runs its engines; fading to 0 over its burning stage once it dies,
// counted from the stage's own stamp (the emission stamp restarts every 0.1 s).
float DyingFactor(const CUnit* u)
{
    if (!u || u->IsAlive() || u->orderSubState != 1) return 1.0f;
    const float total = u->orderVector.z;
    const float t = g_GameClock.SecondsSince(u->timers[2]);
    if (total <= 0.0f || t >= total) return 0.0f;
    return 1.0f - t / total;
}

// Engine conditions shared by the flame and the glow.
bool EnginesRunning(const CAttachedEffect& e, CUnit* u, int* points)
{
    if (!HasMesh(e) || !u || u->speed == 0.0f || u->engineMax == 0.0f || IsZeroVec(u->scale2)) return false;
    if (!AliveOrBurning(u)) return false;
    return MeshPoints(u, MESH_POINTS_ENGINE, points) != nullptr;
}

void DrawShadows(CAttachedEffect& e)
{
    if (!HasMesh(e) || !e.parent) return;
    CGameObject* p = e.parent;
    if (g_WorldIndex != g_LocationKind &&
        (p->objectClass == GCLASS_CHARACTER_NPC || p->objectClass == GCLASS_CHARACTER_HERO)) {
        const float half = g_World.GridSize() * 0.5f;
        if (Vec3Length(p->position - Vec3(half, 0.0f, half)) < 2.0f) return;
    }
    CCamera& camera = g_World.Camera();
    const int w = g_WorldIndex == 0 ? 0 : 1;
    e.scale = p->scale;
    e.scale2 = p->scale2;
    for (int i = 0; i < kLightSlots; ++i) {
        const CLight& slot = g_World.lights[w][i];
        if (slot.deviceIndex < 0) continue;
        Matrix shadow;
        float alpha = 0.0f;
        if (slot.kind == LIGHT_KIND_SUN) {
            alpha = CAttachedEffect::SunShadowAlpha(slot.intensity);
            if (alpha == 0.0f) continue;
            shadow = CAttachedEffect::ShadowMatrixY0(slot.light.Direction);
        } else if (slot.kind == LIGHT_KIND_POINT) {
            const Vec3 lp(slot.light.Position.x, slot.light.Position.y * 1.25f, slot.light.Position.z);
            const float range = slot.light.Range;
            const float d = Vec3Length(lp - p->position);
            if (!(d < range) || !camera.IsPointVisible(p->position, p->boundsRadius)) continue;
            alpha = d <= range * 0.5f ? 255.0f : 255.0f * (range - d) / (range * 0.5f);
            if (d == 0.0f) continue;  // a light inside the parent casts no direction
            shadow = CAttachedEffect::ShadowMatrixY0(Vec3Normalize(p->position - lp));
        } else {
            continue;
        }
        e.worldMatrix = p->worldMatrix * shadow;
        e.vertexColour = (unsigned(alpha) << 24) | 0x00FFFFFFu;
        e.UpdateVertexColour();
        e.DrawMesh(1);
    }
}

void DrawObjectLights(CAttachedEffect& e, int list, float towardsEye, int flag)
{
    CGameObject* p = e.parent;
    if (!HasMesh(e) || !Alive(p)) return;
    int n = 0;
    const Vec3* points = MeshPoints(p, list, &n);
    if (!points) return;
    const Vec3 eye = g_World.Camera().eye;
    for (int i = 0; i < n; ++i) {
        Vec3 at = Vec3TransformCoord(Mul(points[i], p->scale2), p->drawMatrix);
        if (towardsEye != 0.0f && at != eye) at = at + Vec3Normalize(eye - at) * towardsEye;
        e.scale2 = p->scale2 * (1.0f - (GameRand() % 11) * 0.01f);
        DrawWithMatrix(e, Billboard(at, eye), flag);
    }
}

void DrawEngineFlames(CAttachedEffect& e, int flag)
{
    CUnit* u = ParentUnit(e.parent);
    int n = 0;
    if (!EnginesRunning(e, u, &n)) return;
    if (n > kSpriteMatrixCount) n = kSpriteMatrixCount;
    const Vec3* points = MeshPoints(u, MESH_POINTS_ENGINE, &n);
    if (n > kSpriteMatrixCount) n = kSpriteMatrixCount;
    for (int i = 0; i < n; ++i) {
        e.spriteMatrices[i] = u->drawMatrix;
        SetTranslation(&e.spriteMatrices[i],
                       Vec3TransformCoord(Mul(Mul(points[i], u->scale2), u->scale), u->drawMatrix));
    }
    e.scale = u->scale;
    const float h = DyingFactor(u);
    for (int i = 0; i < n; ++i) {
        const float f = (GameRand() % 6) / 20.0f;
        const float length = CAttachedEffect::EngineFlameLength(u->speed, u->engineMax, f, h, g_WorldIndex == 1);
        e.scale2 = Vec3(1.0f, 1.0f, length);
        DrawWithMatrix(e, e.spriteMatrices[i], flag);
    }
}

void DrawEngineGlows(CAttachedEffect& e, int flag)
{
    CUnit* u = ParentUnit(e.parent);
    int n = 0;
    if (!EnginesRunning(e, u, &n)) return;
    const Vec3* points = MeshPoints(u, MESH_POINTS_ENGINE, &n);
    if (n > kSpriteMatrixCount) n = kSpriteMatrixCount;
    const Vec3 eye = g_World.Camera().eye;
    const float thrust = u->speed / u->engineMax;
    const float radius = u->boundsRadius;
    const bool station = IsStationKindValue(u->kind);
    for (int i = 0; i < n; ++i) {
        Vec3 local = Mul(points[i], u->scale2);
        if (u->objectClass == GCLASS_SPACE_SHIP) local.z -= thrust * (radius / 5.0f);
        Vec3 at = Vec3TransformCoord(local, u->drawMatrix);
        if (u->objectClass == GCLASS_SPACE_SHIP && at != eye)
            at = at + Vec3Normalize(eye - at) * (thrust * radius / (station ? 20.0f : 5.0f));
        e.spriteMatrices[i] = Billboard(at, eye);
    }
    const float h = DyingFactor(u);
    for (int i = 0; i < n; ++i) {
        const float s = h * (1.0f - (GameRand() % 11) / 200.0f) * thrust;
        e.scale = Vec3(s, s, s);
        DrawWithMatrix(e, e.spriteMatrices[i], flag);
    }
}

// ---- engine trail ----

bool TrailEnded(const CUnit* u)
{
    if (u->objectClass == GCLASS_BULLET) return u->shotValue2 == 0.0f;
    return (u->hull == 0.0f || u->orderType == ACTION_DEAD) && u->orderSubState > 1;
}

void DrawEngineTrail(CAttachedEffect& e)
{
    CUnit* u = ParentUnit(e.parent);
    if (!u || !e.started) return;
    const CCamera& camera = g_World.Camera();
    const float camDistance = Vec3Length(u->position - camera.eye);
    if (camDistance > 4000.0f) return;
    const uint32_t now = g_GameClock.NowMs();
    const bool bulletClass = u->objectClass == GCLASS_BULLET;
    const float w = u->boundsRadius < 10.0f ? u->boundsRadius : 10.0f;
    const bool ended = TrailEnded(u);
    if (e.trailCount > (uint32_t)kTrailPointCount) e.trailCount = kTrailPointCount;

    int n = 0;
    const Vec3* points = MeshPoints(u, MESH_POINTS_ENGINE, &n);
    if (points && !ended && !IsZeroVec(u->scale2) && u->engineMax != 0.0f) {
        const Vec3 engine = Vec3TransformCoord(Mul(Mul(points[0], u->scale), u->scale2), u->drawMatrix);
        const float intensity = u->speed / u->engineMax;
        if (e.trailCount == 0) {
            e.trailPoints[0] = engine;
            e.trailIntensities[0] = intensity;
            e.trailTimes[0] = now;
            e.trailCount = 1;
        } else if (Vec3Length(engine - e.trailPoints[0]) > 3.0f * w) {
            for (int i = kTrailPointCount - 1; i > 0; --i) {
                e.trailPoints[i] = e.trailPoints[i - 1];
                e.trailIntensities[i] = e.trailIntensities[i - 1];
                e.trailValues[i] = e.trailValues[i - 1];
                e.trailTimes[i] = e.trailTimes[i - 1];
            }
            e.trailPoints[0] = engine;
            e.trailIntensities[0] = intensity;
            e.trailValues[0] = e.trailValues[1] - 0.5f;
            e.trailTimes[0] = now;
            if (e.trailCount < (uint32_t)kTrailPointCount) ++e.trailCount;
        }
    }
    // Old points drop off the far end.
    const float maxAge = bulletClass ? 6.0f : 13.0f;
    while (e.trailCount > 0 && (now - e.trailTimes[e.trailCount - 1]) * 0.001f >= maxAge) --e.trailCount;
    if (e.trailCount < 2) return;

    float distanceFade = 1.0f;
    if (camDistance <= 20.0f || camDistance >= 3000.0f) distanceFade = 0.0f;
    else if (camDistance <= 220.0f) distanceFade = (camDistance - 20.0f) / 200.0f;
    else if (camDistance >= 2000.0f) distanceFade = (3000.0f - camDistance) * 0.001f;
    float endFade = 1.0f;
    if (ended) endFade = 1.0f / ((now - u->timers[2]) * 0.002f + 0.9f);
    const float fadeStart = bulletClass ? 2.0f : 7.0f;
    const float fadeSpan = bulletClass ? 2.0f : 4.0f;

    WorldVertex strip[kTrailPointCount * 2];
    float along = 3.0f * w;
    const float lengthLimit = 3.0f * w * 63.0f;
    const int count = (int)e.trailCount;
    for (int i = 0; i < count; ++i) {
        if (i > 0) along += Vec3Length(e.trailPoints[i] - e.trailPoints[i - 1]);
        const float age = (now - e.trailTimes[i]) * 0.001f;
        const Vec3 dir = i + 1 < count ? e.trailPoints[i] - e.trailPoints[i + 1] : e.trailPoints[i - 1] - e.trailPoints[i];
        Vec3 across = Vec3Cross(dir, camera.eye - e.trailPoints[i]);
        if (Vec3Length(across) > 0.0f) across = Vec3Normalize(across);
        across = across * (w * (1.0f + age * 0.5f) * 0.5f);
        float a = e.trailIntensities[i] < 0.0f ? 0.0f : 255.0f * e.trailIntensities[i];
        a *= lengthLimit > 0.0f ? 1.0f - along / lengthLimit : 0.0f;
        if (!bulletClass && age < 3.0f) a *= age / 3.0f;
        if (age >= fadeStart + fadeSpan) a = 0.0f;
        else if (age > fadeStart) a *= 1.0f - (age - fadeStart) / fadeSpan;
        a *= endFade * distanceFade;
        if (!(a > 0.0f)) a = 0.0f;
        if (a > 255.0f) a = 255.0f;
        const unsigned c = unsigned(a);
        // Drawn additively: the colour carries the fade as well as the alpha.
        const unsigned colour = (c << 24) | (c << 16) | (c << 8) | c;
        const float v = e.trailValues[i];
        const Vec3 l = e.trailPoints[i] - across, r = e.trailPoints[i] + across;
        strip[i * 2] = {l.x, l.y, l.z, colour, 0u, 0.0f, v};
        strip[i * 2 + 1] = {r.x, r.y, r.z, colour, 0u, 1.0f, v};
    }
    GfxDevice* dev = g_D3DRender.device;
    if (!dev) return;
    CD3DRender& r = g_D3DRender;
    r.SetTexture(e.textureCount >= 1.0f ? e.textureIds[0] : -1, 1);
    r.SetSrcBlend(D3DBLEND_SRCALPHA);
    r.SetDestBlend(D3DBLEND_ONE);
    r.SetLighting(0);
    r.SetZEnable(1);
    r.SetZWriteEnable(0);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    const Matrix identity = MatrixIdentity();
    dev->SetTransform(D3DTS_WORLD, &identity);
    dev->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1);
    dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, unsigned(count * 2 - 2), strip, sizeof(WorldVertex));
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    r.SetZWriteEnable(1);
    r.SetAlphaBlendEnable(0);
}

void DrawGateBay(CAttachedEffect& e, int flag)
{
    CUnit* u = ParentUnit(e.parent);
    if (!HasMesh(e) || !u || !Alive(u)) return;
    const Vec3 eye = g_World.Camera().eye;
    const CAttachedEffect* door = u->FindGateDoor();
    const bool inside = Vec3Length(eye - u->position) < u->boundsRadius;
    if (!(inside || !door || door->doorState == 1)) return;
    const int w = g_WorldIndex == 0 ? 0 : 1;
    g_World.DisableLights();
    SetGlobalAmbient(0xFF000000u);
    e.DrawMesh(flag);
    SetGlobalAmbient(g_World.ambient[w]);
    g_World.EnableLights();
    u->DrawEffectOfKind(GEFFECT_OBJECTLIGHT2, flag);
}

void DrawGateConnectors(CAttachedEffect& e, int flag)
{
    CGameObject* p = e.parent;
    if (!HasMesh(e) || !AliveOrBurning(p)) return;
    int n = 0;
    const Vec3* points = MeshPoints(p, MESH_POINTS_CONNECTOR, &n);
    if (!points) return;
    const Matrix& base = flag == 1 ? p->worldMatrix : p->drawMatrix;
    const Vec3 centre = Vec3TransformCoord(Vec3(), base);
    CCamera& camera = g_World.Camera();
    for (int i = 0; i < n; ++i) {
        const Vec3 at = Vec3TransformCoord(Mul(points[i], p->scale), base);
        if (flag == 0 && !camera.IsPointVisible(at, e.boundsRadius)) continue;
        Vec3 out = at - centre;
        if (Vec3Length(out) == 0.0f) out = Vec3(0.0f, 0.0f, 1.0f);
        out = Vec3Normalize(out);
        const Vec3 up = std::fabs(out.y) > 0.99f ? Vec3(0.0f, 0.0f, 1.0f) : Vec3(0.0f, 1.0f, 0.0f);
        Matrix m;
        if (!MatrixInverse(&m, nullptr, MatrixLookAtLH(at, at + out, up))) continue;
        DrawWithMatrix(e, m, flag);
    }
}

void DrawAsteroidField(CAttachedEffect& e, int flag)
{
    const bool menuCamera = g_StationMenuActive && g_StationMenuPage == 2;
    CCamera& camera = menuCamera ? g_MenuCamera : g_World.Camera();
    const Vec3 eye = camera.eye;
    int count = e.asteroidCount;
    if (count > kSpriteMatrixCount) count = kSpriteMatrixCount;
    for (int i = 0; i < count; ++i) {
        e.worldMatrix = e.spriteMatrices[i];
        const Vec3 at(e.worldMatrix.m[3][0], e.worldMatrix.m[3][1], e.worldMatrix.m[3][2]);
        const float d = Vec3Length(at - eye);
        if (d == 0.0f) continue;
        e.drawPosition = eye + (at - eye) * (g_ViewDistance / d);
        const float s = g_ViewDistance * 500.0f / d;
        e.scale = Vec3(s, s, s);
        e.drawMatrix = e.worldMatrix;
        SetTranslation(&e.drawMatrix, e.drawPosition);
        if (camera.IsPointVisible(e.drawPosition, 0.0f)) e.DrawMesh(flag);
    }
}

void DrawHairspring(CAttachedEffect& e, int flag)
{
    CGameObject* p = e.parent;
    if (!HasMesh(e) || !p) return;
    int n = 0;
    const Vec3* points = MeshPoints(p, MESH_POINTS_SECOND, &n);
    if (!points) return;
    if (n > kSpriteMatrixCount) n = kSpriteMatrixCount;
    const Vec3 eye = g_World.Camera().eye;
    if (flag == 0 && Vec3Length(eye - p->position) > 25.0f * p->boundsRadius) return;
    const uint32_t now = g_GameClock.NowMs();
    if (AliveOrBurning(p)) {
        const Vec3 up(p->worldMatrix.m[1][0], p->worldMatrix.m[1][1], p->worldMatrix.m[1][2]);
        for (int i = 0; i < n; ++i) {
            const Vec3 at = Vec3TransformCoord(Mul(Mul(points[i], p->scale), p->scale2), p->worldMatrix);
            Matrix look;
            if (at == p->position || !MatrixInverse(&look, nullptr, MatrixLookAtLH(p->position, at, up))) look = p->worldMatrix;
            Matrix m = MatrixRotationZ((now + 2000.0f * i) * 0.001f) * look;
            SetTranslation(&m, at);
            e.spriteMatrices[i] = m;
        }
    }
    // Frame animation, faster with the parent's thrust.
    const int frames = e.meshes[0]->m_SubMeshCount;
    const CUnit* u = ParentUnit(p);
    const float thrust = u && u->engineMax != 0.0f ? u->speed / u->engineMax : 0.0f;
    const float dt = e.lastUpdateTime ? (now - e.lastUpdateTime) * 0.001f : 0.0f;
    e.lastUpdateTime = now;
    if (e.animDirection == 0) e.animDirection = 1;
    if (frames > 0) {
        e.frameCounter += (2.0f * thrust + 1.0f) * dt * 20.0f * e.animDirection;
        if (e.animDirection > 0 && e.frameCounter >= frames) {
            e.animDirection = -1;
            e.frameCounter = float(frames - 1);
        } else if (e.animDirection < 0 && e.frameCounter < 0.0f) {
            e.animDirection = 1;
            e.frameCounter = 1.0f;
        }
        const int f = (int)e.frameCounter;
        e.currentFrame = unsigned((f < 0 ? 0 : f) % frames);
    }
    e.scale = p->scale;
    e.scale2 = Vec3(1.0f, 1.0f, 1.0f);
    for (int i = 0; i < n; ++i) DrawWithMatrix(e, e.spriteMatrices[i], flag);
}

// The panels take the cockpit's matrix; their textures are drawn first.
void DrawCockpitPanels(CUnit& model, const Matrix& m)
{
    auto place = [&](CAttachedEffect* panel) {
        panel->drawMatrix = m;
        panel->worldMatrix = m;
        panel->DrawMesh(0);
    };
    if (CAttachedEffect* radar = model.FindCockpitRadar()) {
        g_Radar.Draw();
        place(radar);
    }
    if (CAttachedEffect* screen = model.FindCockpitScreen1()) {
        g_TargetScreen.Draw();
        place(screen);
    }
    if (CAttachedEffect* screen = model.FindCockpitScreen2()) {
        g_SystemScreen.Draw();
        place(screen);
    }
    CAttachedEffect* panel = model.FindCockpitPanel3();
    if (!panel) return;
    const int frames = HasMesh(*panel) ? panel->meshes[0]->m_SubMeshCount : 1;
    const int comm = g_CommWindow.ToPixels(frames), radio = g_RadioMenu.ToPixels(frames);
    const int frame = comm > radio ? comm : radio;
    panel->currentFrame = unsigned(frame > 0 ? frame : 0);
    place(panel);
    CAttachedEffect* screen = model.FindCockpitScreen3();
    if (frame == 0 || !screen || !HasMesh(*screen)) return;
    screen->currentFrame = panel->currentFrame;
    MeshData* quad = screen->currentFrame < unsigned(screen->meshes[0]->m_SubMeshCount)
                         ? screen->meshes[0]->m_SubMeshes[screen->currentFrame]
                         : nullptr;
    if (comm >= radio) {
        g_CommWindow.Draw();
        g_CommWindow.SetupQuad(quad);
    } else {
        g_RadioMenu.Draw();
        g_RadioMenu.SetupQuad(quad);
    }
    place(screen);
}

void DrawCockpit(CAttachedEffect& e)
{
    // The cockpit model holds the shell and the panels; it sits at the player's cockpit point.
    CUnit* model = ParentUnit(e.parent);
    CUnit* u = g_PlayerObject;
    if (!HasMesh(e) || !u || !model) return;
    int n = 0;
    const Vec3* points = MeshPoints(u, MESH_POINTS_COCKPIT, &n);
    if (!points || n != 1) return;
    GfxDevice* dev = g_D3DRender.device;

    // A short view of its own over a cleared depth buffer: the world never hides the cockpit.
    CCamera& camera = g_World.Camera();
    const float farPlane = camera.farPlane, nearPlane = camera.nearPlane;
    camera.farPlane = 50.0f;
    camera.nearPlane = 1.0f;
    camera.Apply();
    if (dev) dev->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);

    const float dt = g_GameClock.frameSeconds;
    Vec3& sway = e.cockpitSway;
    sway.x -= dt * g_YawRate;
    sway.y -= dt * g_PitchRate;
    sway.z -= dt * g_RollRate;
    sway = sway * (1.0f / (dt + 1.0f));
    auto clampTo = [](float v, float limit) { return v < -limit ? -limit : (v > limit ? limit : v); };
    sway.x = clampTo(sway.x, kCockpitSwayLimit);
    sway.y = clampTo(sway.y, kCockpitSwayLimit);
    sway.z = clampTo(sway.z, kCockpitSwayLimit);

    // Where the ship really is: the camera follows its position, and its draw position is
    // left behind while it flies.
    Matrix swayed = MatrixRotationY(sway.x) * MatrixRotationX(sway.y) * MatrixRotationZ(-2.0f * sway.z) * u->worldMatrix;
    SetTranslation(&swayed, Vec3TransformCoord(Mul(points[0], u->scale), swayed));
    const Matrix m = g_Cockpit.PlaceModel(*model, swayed);

    const float wanted = u->speedPercent * u->engineMax * 0.01f;
    e.cockpitLever = (e.cockpitLever + ((wanted - u->speed) / 100.0f) * dt * 2.5f) / (dt * 4.0f + 1.0f);
    e.cockpitLever = clampTo(e.cockpitLever, kCockpitLeverLimit);

    DrawWithMatrix(e, MatrixScaling(CockpitShellStretch(camera.aspect), 1.0f, 1.0f) * m, 0);
    const uint32_t now = g_GameClock.NowMs();
    for (int i = 0; i < u->effectCount && i < kMaxUnitEffects; ++i) {
        CAttachedEffect* part = u->effects[i];
        if (!part || (part->kind != GEFFECT_SELFILLUM_PART && part->kind != GEFFECT_ADDITION_PART)) continue;
        if (part->textureCount > 1.0f) part->currentTexture = float((now / 100u) % unsigned(part->textureCount));
        part->drawMatrix = m;
        part->worldMatrix = m;
        part->Draw(0);
    }
    DrawCockpitPanels(*model, m);
    camera.farPlane = farPlane;
    camera.nearPlane = nearPlane;
    camera.Apply();
}

// A flare sprite: black in its picture is nothing, so it adds its light to the scene.
void DrawAdditiveScreenQuad(unsigned colour, float x1, float y1, float x2, float y2, int textureId)
{
    GfxDevice* dev = g_D3DRender.device;
    if (!dev) return;
    const float sx = g_ScreenScaleX, sy = g_ScreenScaleY;
    const ScreenVertex v[4] = {
        {x1 * sx - 0.5f, y1 * sy - 0.5f, 0.0f, 1.0f, colour, 0u, 0.0f, 0.0f},
        {x1 * sx - 0.5f, y2 * sy - 0.5f, 0.0f, 1.0f, colour, 0u, 0.0f, 1.0f},
        {x2 * sx - 0.5f, y1 * sy - 0.5f, 0.0f, 1.0f, colour, 0u, 1.0f, 0.0f},
        {x2 * sx - 0.5f, y2 * sy - 0.5f, 0.0f, 1.0f, colour, 0u, 1.0f, 1.0f},
    };
    CD3DRender& r = g_D3DRender;
    r.SetTexture(textureId, 1);
    r.SetSrcBlend(D3DBLEND_SRCALPHA);
    r.SetDestBlend(D3DBLEND_ONE);
    r.SetZEnable(0);
    r.SetZWriteEnable(0);
    r.SetLighting(0);
    dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1);
    dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ScreenVertex));
    r.SetSrcBlend(D3DBLEND_SRCALPHA);
    r.SetDestBlend(D3DBLEND_INVSRCALPHA);
    r.SetZEnable(1);
    r.SetZWriteEnable(1);
}

} // namespace

Matrix CAttachedEffect::ShadowMatrixY0(const Vec3& direction)
{
    // Light L = (direction, 0), plane (0, 1, 0, 0): M = P^T L - (P.L) I in row-vector form.
    // A light shining down (direction y < 0) so leaves w = -direction.y positive: with the
    // opposite sign every vertex of a daylight shadow would lie behind the eye and be clipped.
    const float d = direction.y;
    Matrix m = MatrixIdentity();
    if (d == 0.0f) return m;
    const float L[4] = {direction.x, direction.y, direction.z, 0.0f};
    const float P[4] = {0.0f, 1.0f, 0.0f, 0.0f};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m.m[r][c] = P[r] * L[c] - (r == c ? d : 0.0f);
    return m;
}

float CAttachedEffect::SunShadowAlpha(float strength)
{
    float alpha;
    if (strength < 0.4f) alpha = 0.0f;
    else if (strength <= 0.8f) alpha = (strength - 0.4f) * 637.5f;
    else alpha = 255.0f;
    return alpha / 1.15f;
}

float CAttachedEffect::EngineFlameLength(float speed, float engineMax, float f, float h, bool spaceWorld)
{
    if (engineMax == 0.0f) return 0.0f;
    const float length = (1.0f - f) / engineMax * speed * h;
    return spaceWorld ? length * 2.0f : length;
}

void CAttachedEffect::DrawSunFlare(CGameObject* sun)
{
    if (!sun) return;
    CCamera& camera = g_World.Camera();
    float x = 0.0f, y = 0.0f;
    if (!camera.WorldToScreen(&x, &y, sun->position)) return;

    // The segment stops short of the sun's own body so that only what stands between counts.
    const Vec3 eye = camera.eye;
    const Vec3 toSun = sun->position - eye;
    const float sunDistance = Vec3Length(toSun);
    if (sunDistance > 0.0f) {
        const float sunRadius = sun->boundsRadius * sun->scale.x;
        const float reach = sunDistance - sunRadius > 0.0f ? sunDistance - sunRadius : 0.0f;
        const Vec3 dir = toSun / sunDistance;
        float hitDistance = 0.0f;
        CUnit* hit = g_World.SegmentHitTest(eye, eye + dir * reach, 0, nullptr, &hitDistance, nullptr, nullptr);
        if (hit) {
            if (!IsShipKindValue(hit->kind)) return;
            if (hitDistance < 100.0f * hit->boundsRadius) return;
        }
        // The cockpit's frame covers part of the view.
        if (!camera.cinematicView && g_Cockpit.shown && g_PlayerObject) {
            if (CAttachedEffect* cockpit = g_PlayerObject->FindCockpit()) {
                const Vec3 segment[2] = {eye, eye + dir * 50.0f};
                Vec3 at;
                if (HasMesh(*cockpit) && cockpit->IntersectRay(0.0f, segment, &at)) return;
            }
        }
    }
    const float stepX = (400.0f - x) / 6.0f, stepY = (300.0f - y) / 6.0f;
    for (int k = 0; k < kFlareCount; ++k) {
        const float cx = x + (k - 2) * stepX, cy = y + (k - 2) * stepY;
        const float size = flareSizes[k];
        if (flareTypes[k] == 1) DrawAdditiveScreenQuad(flareColours[k], cx - size, cy - size, cx + size, cy + size, flareSprites[1].textureId);
        else DrawScreenDisc(flareColours[k], cx, cy, size, 1.0f, 1.0f);
    }
}

void CAttachedEffect::Draw(int flag)
{
    switch (kind) {
    case GTYPE_SP_ASTEROID:
    case GEFFECT_SELFILLUM_FLAT:
    case GEFFECT_SELFILLUM_PART:
    case GEFFECT_ADDITION_PART:
    case GEFFECT_PLANETSKY:
    case GEFFECT_PLANETGALO:
        if (HasMesh(*this)) DrawMesh(flag);
        break;
    case GEFFECT_OBJECTSHADOW: DrawShadows(*this); break;
    case GEFFECT_OBJECTLIGHT1: DrawObjectLights(*this, MESH_POINTS_LIGHT1, 0.25f, flag); break;
    case GEFFECT_OBJECTLIGHT2: DrawObjectLights(*this, MESH_POINTS_LIGHT2, 0.0f, flag); break;
    case GEFFECT_ENGINEFLAME: DrawEngineFlames(*this, flag); break;
    case GEFFECT_ENGINEGALO: DrawEngineGlows(*this, flag); break;
    case GEFFECT_ENGINETRAIL: DrawEngineTrail(*this); break;
    case GEFFECT_SUNGALO: DrawSunFlare(parent); break;
    case GEFFECT_COCKPIT: DrawCockpit(*this); break;
    case GEFFECT_GATEBAY: DrawGateBay(*this, flag); break;
    case GEFFECT_GATEDOOR:
    case GEFFECT_SIGNBOARD:
        if (HasMesh(*this) && Alive(parent)) DrawMesh(flag);
        break;
    case GEFFECT_GATECONNECT: DrawGateConnectors(*this, flag); break;
    case GEFFECT_ASTEROIDS_FIELD: DrawAsteroidField(*this, flag); break;
    case GEFFECT_HAIRSPRING: DrawHairspring(*this, flag); break;
    default: break;
    }
}
