#include "render/camera.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/audio_manager.h"
#include "platform/crt/rand.h"
#include "platform/gfx/device.h"
#include "platform/win/timer.h"
#include "render/d3d_render.h"
#include "render/draw2d.h"
#include "render/mesh.h"
#include "world/objects/game_object.h"
#include "world/objects/unit.h"
#include "app/settings.h"
#include "flight_ui/cursor.h"
#include "app/wndproc.h"
#include "menus/game_menu.h"
#include "menus/station_menu.h"
#include "world/object_list.h"
#include "world/world.h"

CCamera g_MenuCamera;

namespace {

// The followed object lives: a listed unit that is not dying; any other object does.
bool ObjectAlive(CGameObject* object)
{
    if (!object) return false;
    for (int w = 0; w < 2; ++w)
        for (uint32_t i = 0; i < CObjectList::unitCount[w]; ++i)
            if (CObjectList::units[w][i] == object) return CObjectList::units[w][i]->IsAlive();
    return true;
}

// Keys, pointer, wheel, debug view and "Invert mouse" of this frame.
CameraInput GatherInput()
{
    CameraInput input;
    input.keyLeft = g_KeyLeft;
    input.keyRight = g_KeyRight;
    input.keyUp = g_KeyUp;
    input.keyDown = g_KeyDown;
    input.mouseX = g_MouseX;
    input.mouseY = g_MouseY;
    input.mouseRightDown = g_MouseRightDown;
    input.wheelDelta = g_MouseWheelDelta;
    input.debugView = g_DebugView;
    input.invertMouse = g_Settings.invertMouse;
    input.stationMenuShown = g_StationMenuActive;
    input.pointerShown = g_PointerEnabled;
    return input;
}

// The wheel is used up towards 0 by the control step.
void StoreInput(const CameraInput& input) { g_MouseWheelDelta = input.wheelDelta; }

// The point list entry of the ship's cockpit (ships carry one cockpit point).
int CockpitIndex(const CUnit*) { return 0; }

// World-space box of the current world's landscape (its first mesh's bounds).
bool LandscapeBounds(Vec3* boundMin, Vec3* boundMax)
{
    const CUnit* land = CObjectList::FindLandscape();
    if (!land || land->meshCount <= 0 || !land->meshes[0] || land->meshes[0]->m_SubMeshCount <= 0) return false;
    const CMesh* m = land->meshes[0];
    const Matrix toWorld = MatrixScaling(land->scale.x, land->scale.y, land->scale.z) * land->worldMatrix;
    for (int i = 0; i < 8; ++i) {
        const Vec3 c((i & 1) ? m->m_BoundMax.x : m->m_BoundMin.x, (i & 2) ? m->m_BoundMax.y : m->m_BoundMin.y,
                     (i & 4) ? m->m_BoundMax.z : m->m_BoundMin.z);
        const Vec3 w = Vec3TransformCoord(c, toWorld);
        if (i == 0) {
            *boundMin = *boundMax = w;
            continue;
        }
        *boundMin = Vec3(std::min(boundMin->x, w.x), std::min(boundMin->y, w.y), std::min(boundMin->z, w.z));
        *boundMax = Vec3(std::max(boundMax->x, w.x), std::max(boundMax->y, w.y), std::max(boundMax->z, w.z));
    }
    return true;
}

// The station interior's offset of a location of kind 2 comes with the interior scene
// scripts; until then the view does not follow one.
bool StationInteriorShift(Vec3*) { return false; }

void SetListener(const Vec3& position, const Vec3& direction, const Vec3& up, CGameObject* followed)
{
    g_AudioManager.SetListenerPosition(position);
    g_AudioManager.SetListenerOrientation(direction, up);
    Vec3 velocity;
    for (int w = 0; w < 2 && followed; ++w)
        for (uint32_t i = 0; i < CObjectList::unitCount[w]; ++i) {
            CUnit* u = CObjectList::units[w][i];
            if (u != followed) continue;
            velocity = Vec3(u->worldMatrix.m[2][0], u->worldMatrix.m[2][1], u->worldMatrix.m[2][2]) * u->speed;
        }
    g_AudioManager.SetListenerVelocity(velocity);
}

constexpr float kPi = 3.14159265358979323846f;

// The planet camera's lens is long (20 degrees): a scene's orbit keeps its eye 50 units from
// the centre (a person there stands a ninth of the picture tall), looking down on it at
// this angle, and further off when the people about the centre would not fit the width.
constexpr float kOrbitReach = 50.0f;
constexpr float kOrbitReachMost = 58.0f;
constexpr float kOrbitPitch = 0.38f;
constexpr float kOrbitGathers = 11.0f;
// The talk framing: the eye near enough for both speakers to stand large in the picture and
// a little above their heads, looking at their chests so that the heads stay in the upper
// half of the picture, above the dialog box.
constexpr float kTalkDistance = 16.0f;
constexpr float kTalkPitch = 0.25f;
constexpr float kTalkLookHeight = 1.1f;
constexpr float kFramingRate = 1.5f;

float Seconds(uint32_t nowMs, uint32_t startMs)
{
    return (float)(uint32_t)(nowMs - startMs) * 0.001f;
}

// 255 * t / duration, at the end (and for a zero duration) 255.
int RampAlpha(float t, float duration)
{
    if (duration <= 0.0f || t >= duration) return 255;
    if (t <= 0.0f) return 0;
    return std::clamp((int)(255.0f * t / duration), 0, 255);
}

Vec3 Axis(const Matrix& m, int row)
{
    return {m.m[row][0], m.m[row][1], m.m[row][2]};
}

Vec3 RotateAbout(const Vec3& v, const Vec3& axis, float angle)
{
    if (Vec3LengthSq(axis) <= 0.0f || angle == 0.0f) return v;
    return Vec3TransformNormal(v, MatrixRotationAxis(Vec3Normalize(axis), angle));
}

float ObjectRadius(const CGameObject* object)
{
    return object ? object->boundsRadius : 0.0f;
}

} // namespace

CCamera::CCamera()
{
    fov = lensFov = kPi / 4.0f;
    aspect = 4.0f / 3.0f;
    farPlane = 1000.0f;
    nearPlane = 1.0f;
    eye = lookAt = Vec3();
    up = Vec3(0.0f, 1.0f, 0.0f);
    view = projection = MatrixIdentity();
    world = 0;
    cinematicView = 0;
    target = nullptr;
    followOffset = Vec3();
    orbitMode = orbitActive = 0;
    orbitParam1 = orbitParam2 = 0.0f;
    orbitCentre = Vec3();
    orbitHasCentre = 0;
    moveActive = 0;
    moveStart = 0;
    moveDuration = 0.0f;
    moveStartEye = moveStartLookAt = moveStartUnit = moveEye = moveLookAt = moveLookPoint = Vec3();
    moveUseLookPoint = 0;
    pitch = yaw = 0.0f;
    shake = Vec3();
    letterboxMode = 0;
    letterboxDuration = 0.0f;
    letterboxStart = 0;
    fadeMode = 0;
    fadeWithSound = 0;
    fadeDuration = 0.0f;
    fadeColour = 0;
    fadeStart = 0;
    shotUnit = nullptr;
    shotEye = Vec3();
    shotRelative = 0;
    orbitAxis = Vec3();
    orbitSpeed = 0.0f;
    shotMoveTime = 0.0f;
    shakeOffset = Vec3();
    lastUpdate = 0;
    fadeSoundApplied = 0;
    orbitObject = nullptr;
    talkDistance = talkHeight = 0.0f;
    talkReturn = TalkReturn{};
}

void CCamera::Init(const Vec3& eyePoint, const Vec3& lookAtPoint, float aspectRatio, float nearZ, float farZ)
{
    planetFont.ReleaseTexture();
    spaceFont.ReleaseTexture();
    const float fieldOfView = fov;
    *this = CCamera();
    fov = lensFov = fieldOfView;
    aspect = aspectRatio;
    nearPlane = nearZ;
    farPlane = farZ;
    world = g_WorldIndex;
    letterboxMode = 1;
    letterboxDuration = 1.0f;
    planetFont.Load("Data/Misc/Fonts/Arial.18");
    spaceFont.Load("Data/Misc/Fonts/Hermes.18");
    SetViewport800x600(0.0f, 0.0f, 800.0f, 600.0f);
    SetMatrices(eyePoint, lookAtPoint, up);
}

void CCamera::SetProjection(float fieldOfView, float aspectRatio, float farZ, float nearZ)
{
    fov = fieldOfView;
    aspect = aspectRatio;
    farPlane = farZ;
    nearPlane = nearZ;
    view = projection = MatrixIdentity();
}

void CCamera::SetMatrices(const Vec3& eyePoint, const Vec3& lookAtPoint, const Vec3& upVector)
{
    eye = eyePoint;
    lookAt = lookAtPoint;
    up = upVector;
    Matrix p = Matrix();
    const float ys = 1.0f / std::tan(fov / 2.0f);
    const float depth = farPlane - nearPlane;
    p.m[0][0] = ys / aspect;
    p.m[1][1] = ys;
    p.m[2][2] = depth != 0.0f ? farPlane / depth : 1.0f;
    p.m[2][3] = 1.0f;
    p.m[3][2] = depth != 0.0f ? -nearPlane * farPlane / depth : 0.0f;
    projection = p;
    view = MatrixLookAtLH(eye, lookAt, up);
    if (GfxDevice* device = g_D3DRender.device) {
        device->SetTransform(D3DTS_PROJECTION, &projection);
        device->SetTransform(D3DTS_VIEW, &view);
    }
    if (GfxEffect* effect = g_D3DRender.effect) {
        const Vec4 v(eye.x, eye.y, eye.z, 1.0f);
        effect->SetVector("EyePos", &v);
    }
}

void CCamera::Apply()
{
    SetMatrices(eye, lookAt, up);
}

void SetEyePosMS(CCamera* camera, const Matrix& worldMatrix)
{
    Matrix inverse;
    if (!MatrixInverse(&inverse, nullptr, worldMatrix)) return;
    Vec3 e = Vec3TransformCoord(camera->eye, inverse);
    if (GfxEffect* effect = g_D3DRender.effect) {
        const Vec4 v(e.x, e.y, e.z, 1.0f);
        effect->SetVector("EyePosMS", &v);
    }
}

void SetViewport800x600(float x1, float y1, float x2, float y2)
{
    const float sx = g_ScreenScaleX, sy = g_ScreenScaleY;
    Viewport vp;
    vp.x = (unsigned)(x1 * sx);
    vp.y = (unsigned)(y1 * sy);
    vp.width = (unsigned)(x2 * sx - x1 * sx);
    vp.height = (unsigned)(y2 * sy - y1 * sy);
    vp.minZ = 0.0f;
    vp.maxZ = 1.0f;
    if (GfxDevice* device = g_D3DRender.device) device->SetViewport(&vp);
}

namespace {

Viewport CurrentViewport()
{
    Viewport vp;
    if (GfxDevice* device = g_D3DRender.device) {
        if (device->GetViewport(&vp) == D3D_OK && vp.width > 0 && vp.height > 0) return vp;
    }
    vp.width = (unsigned)(800.0f * g_ScreenScaleX);
    vp.height = (unsigned)(600.0f * g_ScreenScaleY);
    return vp;
}

} // namespace

bool CCamera::WorldToScreen(float* x, float* y, const Vec3& point)
{
    Apply();
    const Viewport vp = CurrentViewport();
    const Matrix identity = MatrixIdentity();
    const Vec3 s = Vec3Project(point, vp, projection, view, identity);
    *x = s.x / g_ScreenScaleX;
    *y = s.y / g_ScreenScaleY;
    // A point behind the eye projects mirrored into the viewport; it is not on screen.
    const Vec4 clip = Vec3Transform(Vec3TransformCoord(point, view), projection);
    if (!(clip.w > 0.0f)) return false;
    return s.x >= (float)vp.x && s.x < (float)(vp.x + vp.width) && s.y >= (float)vp.y &&
           s.y < (float)(vp.y + vp.height);
}

Vec3 CCamera::ScreenToWorld(float x, float y, float depth)
{
    const Viewport vp = CurrentViewport();
    const Matrix identity = MatrixIdentity();
    return Vec3Unproject(Vec3(x * g_ScreenScaleX, y * g_ScreenScaleY, depth), vp, projection, view, identity);
}

bool CCamera::IsPointVisible(const Vec3& point, float radius)
{
    float x, y;
    if (WorldToScreen(&x, &y, point)) return true;
    const Vec3 toEye = eye - point;
    const Vec3 forward = Vec3Normalize(lookAt - eye);
    const float margin = 1.1f * radius;
    // How far the point lies behind the eye, along the view direction.
    const float behind = -Vec3Dot(point - eye, forward);
    if (behind > margin) return false;
    const Vec3 moved = point + Vec3Normalize(toEye) * margin;
    return WorldToScreen(&x, &y, moved);
}

bool CCamera::IsObjectVisible(CGameObject* object)
{
    if (!object) return false;
    const float meanScale = (object->scale.x + object->scale.y + object->scale.z) / 3.0f;
    float radius = meanScale * (object->meshCount > 0 && object->meshes[0] ? object->meshes[0]->m_SphereRadius
                                                                          : object->boundsRadius);
    radius *= object->kind == GTYPE_SP_PLANET ? 1.2f : 1.1f;
    return IsPointVisible(object->position, radius);
}

CFont* CCamera::GetFont()
{
    return g_WorldIndex == 0 ? &planetFont : &spaceFont;
}

void CCamera::ReleaseTextures()
{
    planetFont.ReleaseTexture();
    spaceFont.ReleaseTexture();
}

void CCamera::SetTarget(CGameObject* object)
{
    target = object;
    const float r = ObjectRadius(object);
    followOffset = object ? Vec3(0.0f, r, -2.0f * r) : Vec3();
}

void CCamera::Zoom(float step)
{
    if (!target) return;
    const float r = ObjectRadius(target);
    const float length = Vec3Length(followOffset);
    if (length <= 0.0f || r <= 0.0f) return;
    const float wanted = std::clamp(length + step, 5.0f * r, 100.0f * r);
    followOffset = followOffset * (wanted / length);
}

void CCamera::RotateFollowOffset(float angleSide, float angleUp)
{
    if (!target || !ObjectAlive(target)) return;
    const Vec3 upAxis(0.0f, 1.0f, 0.0f);
    Vec3 side = Vec3Cross(upAxis, followOffset);
    Vec3 offset = RotateAbout(followOffset, side, angleSide);
    followOffset = RotateAbout(offset, upAxis, angleUp);
}

void CCamera::SetShakeVector(const Vec3& v)
{
    shake = v * 0.2f;
    const float length = Vec3Length(shake);
    if (length > 0.2f) shake = shake * (0.2f / length);
}

void CCamera::SetOrbit(int mode, float param1, float param2, int active)
{
    SetOrbitAround(mode, param1, param2, active, nullptr);
}

void CCamera::SetOrbitAround(int mode, float param1, float param2, int active, const Vec3* centre)
{
    orbitMode = mode;
    orbitParam1 = param1;
    orbitParam2 = param2;
    orbitActive = active;
    orbitHasCentre = centre != nullptr;
    orbitCentre = centre ? *centre : Vec3();
    orbitObject = nullptr;
    talkDistance = talkHeight = 0.0f;
}

void CCamera::OrbitObject(CGameObject* object, float distance, float speed)
{
    const Vec3 centre = object ? object->position : lookAt;
    SetOrbitAround(1, distance, speed, 1, &centre);
    orbitObject = object;
}

void CCamera::FrameTalk(const Vec3& midpoint, float speed)
{
    if (talkDistance <= 0.0f)
        talkReturn = {eye, lookAt, orbitCentre, orbitMode, orbitActive, orbitHasCentre, orbitParam1, orbitParam2, orbitObject};
    SetOrbitAround(1, eye.y, speed, 1, &midpoint);
    talkDistance = kTalkDistance * std::cos(kTalkPitch);
    talkHeight = kTalkDistance * std::sin(kTalkPitch);
}

void CCamera::StartFlyTo(const Vec3& lookAtPoint, const Vec3& eyePoint, float duration)
{
    fov = lensFov;
    moveActive = 1;
    moveStart = timeGetTime();
    moveDuration = duration;
    moveStartEye = eye;
    moveStartLookAt = lookAt;
    moveEye = eyePoint;
    moveLookAt = lookAtPoint;
    moveUseLookPoint = 0;
}

void CCamera::StartCinematicFlyTo(const Vec3& lookAtPoint, const Vec3& eyePoint, float duration)
{
    if (!target) SetTarget(g_PlayerObject);
    StartFlyTo(lookAtPoint, eyePoint, duration);
    if (!g_GameMenuActive) StartLetterbox(1, 1.0f);
}

void CCamera::SetCinematicMode(CUnit* unit, const Vec3& eyePoint, int relative, const Vec3* axis, float speed,
                               float moveTime)
{
    // A narrowed lens belongs to the shot that narrowed it: any new shot starts wide.
    fov = lensFov;
    if (!target) SetTarget(g_PlayerObject);
    if (unit) {
        shotUnit = unit;
        orbitAxis = axis ? *axis : Vec3();
        orbitSpeed = axis ? speed : 0.0f;
        orbitActive = axis ? 1 : 0;
        moveActive = 1;
        moveStart = timeGetTime();
        shotMoveTime = moveTime;
        shotEye = eyePoint;
        moveStartEye = eye;
        moveStartLookAt = lookAt;
        moveStartUnit = unit->position;
        shotRelative = relative;
        cinematicView = 1;
        if (moveTime <= 0.0f) {
            eye = relative ? unit->position + eyePoint : eyePoint;
            lookAt = unit->position;
        }
    } else {
        shotUnit = nullptr;
        shotEye = Vec3();
        moveActive = 0;
        shotMoveTime = 0.0f;
        ToggleView();
    }
    if (!g_GameMenuActive) StartLetterbox(cinematicView ? 1 : 0, 1.0f);
}

void CCamera::ToggleView()
{
    cinematicView = !cinematicView;
    fov = lensFov;
    StartLetterbox(cinematicView ? 1 : 0, 1.0f);
    if (!target) SetTarget(g_PlayerObject);
}

void CCamera::StartLetterbox(int mode, float duration)
{
    letterboxMode = mode;
    letterboxDuration = duration;
    letterboxStart = timeGetTime();
    if (letterboxStart == 0) letterboxStart = 1;
}

void CCamera::StartFade(float duration, int mode, int withSound, unsigned colour)
{
    const uint32_t now = timeGetTime();
    uint32_t start = now;
    if (mode == 1 && fadeMode == 0 && fadeStart != 0 && fadeDuration > 0.0f) {
        const float t = Seconds(now, fadeStart);
        if (t < fadeDuration) {
            // Continue from the cover that is showing: the new fade starts as far in as the old one is out.
            const float shown = 1.0f - t / fadeDuration;
            start = now - (uint32_t)(shown * duration * 1000.0f);
        }
    }
    fadeMode = mode;
    fadeWithSound = withSound;
    fadeDuration = duration;
    fadeColour = colour & 0x00FFFFFFu;
    fadeStart = start ? start : 1;
    fadeSoundApplied = 0;
}

int CCamera::LetterboxAlpha(uint32_t nowMs) const
{
    if (letterboxStart == 0) return 0;
    const int a = RampAlpha(Seconds(nowMs, letterboxStart), letterboxDuration);
    return letterboxMode == 1 ? a : 255 - a;
}

int CCamera::FadeAlpha(uint32_t nowMs) const
{
    if (fadeStart == 0) return -1;
    const float t = Seconds(nowMs, fadeStart);
    const bool ended = fadeDuration <= 0.0f || t >= fadeDuration;
    if (fadeMode == 1) return ended ? 255 : RampAlpha(t, fadeDuration);
    return ended ? -1 : 255 - RampAlpha(t, fadeDuration);
}

void CCamera::DrawLetterbox()
{
    DrawLetterboxAt(timeGetTime());
}

void CCamera::DrawLetterboxAt(uint32_t nowMs)
{
    const int a = LetterboxAlpha(nowMs);
    if (a <= 0) return;
    const unsigned c = (unsigned)a << 24;
    DrawScreenQuad(c, c, -1.0f, -1.0f, 801.0f, 80.0f, c, c, nullptr);
    DrawScreenQuad(c, 0u, -1.0f, 80.0f, 801.0f, 95.0f, c, 0u, nullptr);
    DrawScreenQuad(c, c, -1.0f, 520.0f, 801.0f, 601.0f, c, c, nullptr);
    DrawScreenQuad(0u, c, -1.0f, 505.0f, 801.0f, 520.0f, 0u, c, nullptr);
}

void CCamera::DrawFade()
{
    DrawFadeAt(timeGetTime());
}

void CCamera::DrawFadeAt(uint32_t nowMs)
{
    if (fadeStart == 0) return;
    const float t = Seconds(nowMs, fadeStart);
    const bool ended = fadeDuration <= 0.0f || t >= fadeDuration;
    const int a = FadeAlpha(nowMs);
    if (fadeWithSound) {
        if (!ended) {
            g_AudioManager.fade = 100.0f - (float)a / 2.55f;
            g_AudioManager.ApplyVolumes();
        } else if (fadeMode == 1) {
            if (!fadeSoundApplied) {
                g_AudioManager.fade = 0.0f;
                g_AudioManager.ApplyVolumes();
                fadeSoundApplied = 1;
            }
        } else if (t - std::max(fadeDuration, 0.0f) < 0.5f) {
            g_AudioManager.fade = 100.0f;
            g_AudioManager.ApplyVolumes();
        }
    }
    if (a <= 0) return;
    const unsigned c = ((unsigned)a << 24) | fadeColour;
    DrawScreenQuad(c, c, -1.0f, -1.0f, 801.0f, 601.0f, c, c, nullptr);
}

void CCamera::Update()
{
    CameraInput input = GatherInput();
    UpdateWith(input, timeGetTime());
    StoreInput(input);
}

void CCamera::UpdateWith(CameraInput& input, uint32_t nowMs)
{
    const float dt = lastUpdate ? Seconds(nowMs, lastUpdate) : 0.0f;
    lastUpdate = nowMs ? nowMs : 1;
    if (world == 0) {
        if (!input.stationMenuShown) UpdatePlanet(input, dt);
    } else if (!cinematicView) {
        UpdateSpaceInside(input, dt);
    }
    if (shotUnit) {
        UpdateShot(dt, nowMs);
    } else if (moveActive) {
        UpdateTimedMove(nowMs);
    } else if (cinematicView) {
        UpdateFollow();
    }
    UpdateListener();
}

void CCamera::EndTalkFraming()
{
    if (talkDistance <= 0.0f) return;
    const TalkReturn& r = talkReturn;
    SetOrbitAround(r.orbitMode, r.orbitParam1, r.orbitParam2, r.orbitActive, r.orbitHasCentre ? &r.orbitCentre : nullptr);
    orbitObject = r.orbitObject;
    SetMatrices(r.eye, r.lookAt, up);
}

void CCamera::UpdatePlanetOrbit(float dt)
{
    // Only a person still listed in the planet world is followed: one that is gone is forgotten.
    bool listed = false;
    for (uint32_t i = 0; i < CObjectList::unitCount[0] && orbitObject && !listed; ++i)
        listed = CObjectList::units[0][i] == orbitObject && CObjectList::units[0][i]->IsAlive();
    if (!listed) orbitObject = nullptr;
    if (orbitObject) orbitCentre = orbitObject->position;
    const bool talk = talkDistance > 0.0f;
    float reach = kOrbitReach;
    const float halfWidth = std::tan(fov / 2.0f) * aspect * 0.85f;
    for (uint32_t i = 0; i < CObjectList::unitCount[0] && !talk && halfWidth > 0.0f; ++i) {
        const CUnit* u = CObjectList::units[0][i];
        if (!u || !u->IsAlive() || !(u->objectClass & (GCLASS_CHARACTER_HERO | GCLASS_CHARACTER_NPC))) continue;
        const float r = Vec3Length(Vec3(u->position.x - orbitCentre.x, 0.0f, u->position.z - orbitCentre.z));
        if (r <= kOrbitGathers) reach = std::max(reach, std::min(r / halfWidth, kOrbitReachMost));
    }
    const float distance = talk ? talkDistance : reach * std::cos(kOrbitPitch);
    const float height = talk ? talkHeight : reach * std::sin(kOrbitPitch);
    const Vec3 goal = orbitCentre + Vec3(0.0f, talk ? kTalkLookHeight : 0.0f, 0.0f);
    const float k = 1.0f - std::exp(-kFramingRate * dt);
    // The eye turns about the look-at point and eases to the framing's distance and height
    // while the look-at point eases to the centre.
    Vec3 offset = RotateAbout(eye - lookAt, Vec3(0.0f, 1.0f, 0.0f), orbitParam2 * dt);
    Vec3 flat(offset.x, 0.0f, offset.z);
    float along = Vec3Length(flat);
    if (along < 0.01f) flat = Vec3(0.0f, 0.0f, -1.0f), along = 0.0f;
    flat = Vec3Normalize(flat) * (along + (distance - along) * k);
    const float eyeY = eye.y + (goal.y + height - eye.y) * k;
    lookAt += (goal - lookAt) * k;
    eye = Vec3(lookAt.x + flat.x, eyeY, lookAt.z + flat.z);
    SetMatrices(eye, lookAt, this->up);
}

void CCamera::UpdatePlanet(CameraInput& input, float dt)
{
    // A scene's orbit about a point or a person, and a talk, frame their people themselves.
    if (orbitActive && orbitHasCentre) {
        UpdatePlanetOrbit(dt);
        return;
    }
    // 1. Turning about the look-at point.
    float turn = 0.0f;
    if (orbitActive) turn = orbitParam2 * dt;
    else if (input.keyLeft) turn = dt;
    else if (input.keyRight) turn = -dt;
    if (turn != 0.0f) eye = lookAt + RotateAbout(eye - lookAt, Vec3(0.0f, 1.0f, 0.0f), turn);

    // 2. Edge scrolling: along the side axis and the ground-level forward axis.
    Vec3 forward = lookAt - eye;
    forward.y = 0.0f;
    forward = Vec3Normalize(forward);
    const Vec3 side = Vec3Cross(Vec3(0.0f, 1.0f, 0.0f), forward);
    Vec3 move;
    if (!input.pointerShown) input.mouseX = 400.0f, input.mouseY = 300.0f;  // a hidden pointer scrolls nothing
    if (input.mouseX < 5.0f) move += side * (-10.0f * dt);
    if (input.mouseX > 795.0f) move += side * (10.0f * dt);
    if (input.mouseY < 5.0f) move += forward * (15.0f * dt);
    if (input.mouseY > 595.0f) move += forward * (-15.0f * dt);
    eye += move;
    lookAt += move;

    // 3. The view stays inside the landscape's bounds and the look-at point on the ground.
    // The pick has to see this frame's turn and scroll, or it would put the look-at point
    // back where it was; a pick outside the bounds (the landscape's fixed hit box) is ignored.
    Vec3 boundMin, boundMax;
    const bool bounded = LandscapeBounds(&boundMin, &boundMax);
    if (bounded) {
        const Vec3 inside(std::clamp(lookAt.x, boundMin.x, boundMax.x), lookAt.y,
                          std::clamp(lookAt.z, boundMin.z, boundMax.z));
        eye += inside - lookAt;
        lookAt = inside;
    }
    view = MatrixLookAtLH(eye, lookAt, up);
    Vec3 ground;
    if (g_World.PickGroundPoint(400.0f, 300.0f, &ground) &&
        (!bounded || (ground.x >= boundMin.x && ground.x <= boundMax.x && ground.z >= boundMin.z &&
                      ground.z <= boundMax.z))) {
        const Vec3 shift = ground - lookAt;
        eye += shift;
        lookAt += shift;
    }

    // 4. Zoom along the view line, within height limits.
    const float height = eye.y;
    const float maxHeight = input.debugView ? 1050.0f : 50.0f;
    const float minHeight = input.debugView ? 0.0f : 30.0f;
    const Vec3 line = Vec3Normalize(eye - lookAt);
    if ((input.keyDown || input.wheelDelta < 0.0f) && height < maxHeight) eye += line * (25.0f * dt);
    if ((input.keyUp || input.wheelDelta > 0.0f) && height > minHeight) eye -= line * (25.0f * dt);
    if (input.wheelDelta > 0.0f) input.wheelDelta = std::max(0.0f, input.wheelDelta - 600.0f * dt);
    else if (input.wheelDelta < 0.0f) input.wheelDelta = std::min(0.0f, input.wheelDelta + 600.0f * dt);

    // 5. Inside a docked station the view follows the interior's offset.
    Vec3 interior;
    if (StationInteriorShift(&interior)) {
        eye += interior * 7.5f;
        lookAt += interior * 7.5f;
    }
    SetMatrices(eye, lookAt, up);
}

void CCamera::UpdateShake(float dt)
{
    if (Vec3LengthSq(shake) <= 0.0f) return;
    const Vec3 toShake = shake - shakeOffset;
    const float step = (Vec3Length(shake) + 1.0f) * dt * 3.0f;
    const float distance = Vec3Length(toShake);
    if (distance > step) {
        shakeOffset += toShake * (step / distance);
        return;
    }
    shakeOffset = shake;
    const float length = Vec3Length(shake) * 0.952381f;
    if (length < 0.01f) {
        shake = shakeOffset = Vec3();
        return;
    }
    // Braces: the three draws happen in x, y, z order with every compiler.
    Vec3 d{(float)(GameRand() % 1001 - 500), (float)(GameRand() % 1001 - 500), (float)(GameRand() % 1001 - 500)};
    d = Vec3Normalize(d);
    if (Vec3LengthSq(d) <= 0.0f) d = Vec3(1.0f, 0.0f, 0.0f);
    shake = d * length;
}

void CCamera::UpdateSpaceInside(CameraInput& input, float dt)
{
    CUnit* ship = g_PlayerObject;
    if (!ship) return;
    // 2. Target angles from the pointer or from the ship's own turning.
    float targetPitch, targetYaw, rate;
    if (input.mouseRightDown || !ship->manualControl) {
        targetPitch = (1.0f - 2.0f * (float)input.invertMouse) * (input.mouseY - 300.0f) / 500.0f;
        targetYaw = (input.mouseX - 400.0f) / 300.0f;
        rate = 8.0f;
    } else {
        targetPitch = 4.0f * ship->angularStep.x;
        targetYaw = 4.0f * ship->angularStep.y;
        rate = 5.0f;
    }
    pitch += (targetPitch - pitch) * dt * rate;
    yaw += (targetYaw - yaw) * dt * rate;
    // 3. Limits.
    pitch = std::clamp(pitch, -1.0471976f, 0.44879895f);
    yaw = std::clamp(yaw, -1.5707964f, 1.5707964f);
    // 4. Shake.
    UpdateShake(dt);
    // 5. Eye at the cockpit point, looking along the turned forward axis.
    const Matrix& m = ship->worldMatrix;
    const Vec3 right = Axis(m, 0), shipUp = Axis(m, 1), forward = Axis(m, 2);
    Vec3 cockpit = ship->position;
    if (ship->meshCount > 0 && ship->meshes[0]) {
        if (const Vec3* p = ship->meshes[0]->GetPoint(MESH_POINTS_COCKPIT, CockpitIndex(ship)))
            cockpit = Vec3TransformCoord(*p, m);
    }
    Vec3 look = RotateAbout(forward * 1000.0f, shipUp, yaw);
    look = RotateAbout(look, RotateAbout(right, shipUp, yaw), pitch);
    eye = cockpit + shakeOffset;
    lookAt = cockpit + look + shakeOffset * 501.0f;
    up = shipUp;
    view = MatrixLookAtLH(eye, lookAt, up);
}

void CCamera::UpdateTimedMove(uint32_t nowMs)
{
    const float t = Seconds(nowMs, moveStart);
    if (moveDuration <= 0.0f || t >= moveDuration) {
        eye = moveEye;
        lookAt = moveUseLookPoint ? moveLookPoint : moveLookAt;
        moveActive = 0;
        return;
    }
    const float s = t / moveDuration;
    eye = Vec3Lerp(moveStartEye, moveEye, s);
    lookAt = moveUseLookPoint ? moveLookPoint : Vec3Lerp(moveStartLookAt, moveLookAt, s);
}

// The eased look-at point of a blend can trail its unit so far that the unit leaves the
// picture while the eye swings in: the view then turns just enough to keep it well inside
// (two thirds of the half height, the letterbox's bars allowed for).
void KeepInView(const Vec3& eye, Vec3& lookAt, float fov, const Vec3& point)
{
    const Vec3 axis = lookAt - eye, to = point - eye;
    const float reach = Vec3Length(axis), far = Vec3Length(to);
    if (reach <= 0.0f || far <= 0.0f) return;
    const Vec3 d = axis * (1.0f / reach), u = to * (1.0f / far);
    const float angle = std::acos(std::fmax(-1.0f, std::fmin(1.0f, Vec3Dot(d, u))));
    const float most = std::atan(0.65f * std::tan(fov / 2.0f));
    if (angle <= most || angle >= kPi - 0.001f) return;
    // Turn d towards u by the excess (spherical interpolation of two unit vectors).
    const float f = (angle - most) / angle, sinAngle = std::sin(angle);
    const Vec3 dir = d * (std::sin((1.0f - f) * angle) / sinAngle) + u * (std::sin(f * angle) / sinAngle);
    lookAt = eye + dir * reach;
}

void CCamera::UpdateShot(float dt, uint32_t nowMs)
{
    if (orbitActive && Vec3LengthSq(orbitAxis) > 0.0f && shotRelative)
        shotEye = RotateAbout(shotEye, orbitAxis, orbitSpeed * dt);
    const Vec3 unitPos = shotUnit->position;
    const Vec3 goal = shotRelative ? unitPos + shotEye : shotEye;
    const float t = Seconds(nowMs, moveStart);
    if (moveActive && shotMoveTime > 0.0f && t < shotMoveTime) {
        const float s = (1.0f - std::cos(kPi * t / shotMoveTime)) / 2.0f;
        // A shot placed relative to its unit moves with it: a ship flying off while the camera
        // eases in would otherwise leave the picture before the move ends.
        const Vec3 drift = shotRelative ? unitPos - moveStartUnit : Vec3();
        eye = Vec3Lerp(moveStartEye + drift, goal, s);
        lookAt = Vec3Lerp(moveStartLookAt + drift, unitPos, s);
        KeepInView(eye, lookAt, fov, unitPos);
        return;
    }
    moveActive = 0;
    eye = goal;
    lookAt = unitPos;
}

void CCamera::UpdateFollow()
{
    if (!target || !ObjectAlive(target)) return;
    const Matrix& m = target->worldMatrix;
    lookAt = target->position;
    eye = target->position + Vec3TransformNormal(followOffset, m);
    up = Axis(m, 1);
    if (Vec3LengthSq(up) <= 0.0f) up = Vec3(0.0f, 1.0f, 0.0f);
}

void CCamera::UpdateListener()
{
    const Vec3 direction = Vec3Normalize(lookAt - eye);
    // In the inside view the listener rides the player's ship, followed or not.
    CGameObject* moving = (world == 1 && !cinematicView && g_PlayerObject) ? g_PlayerObject : target;
    SetListener(eye, direction, up, moving);
}

void DrawStatistics()
{
    CFont* font = g_World.Camera().GetFont();
    if (!font) return;
    char line[128];
    int units = 0, bullets = 0, effects = 0;
    units = CObjectList::Count();
    bullets = CObjectList::CountBullets();
    effects = CObjectList::CountEffects();
    const unsigned white = 0xFFFFFFFFu;
    std::snprintf(line, sizeof(line), "FPS: %.02f", (double)g_D3DRender.GetFPS());
    font->DrawTextUniform(5.0f, 5.0f, line, white, 1.0f);
    std::snprintf(line, sizeof(line), "Game objects: %d (%d, %d, %d)", units + bullets + effects, units, bullets,
                  effects);
    font->DrawTextUniform(5.0f, 25.0f, line, white, 1.0f);
    std::snprintf(line, sizeof(line), "Faces per frame: %d", g_D3DRender.facesDrawn);
    font->DrawTextUniform(5.0f, 45.0f, line, white, 1.0f);
    std::snprintf(line, sizeof(line), "Sounds number: %d", g_AudioManager.soundCount);
    font->DrawTextUniform(5.0f, 65.0f, line, white, 1.0f);
}
