#include "flight_ui/cockpit.h"

#include <algorithm>
#include <cmath>

#include "app/settings.h"
#include "audio/audio_manager.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/cursor.h"
#include "flight_ui/radar.h"
#include "flight_ui/radio_menu.h"
#include "flight_ui/target_screen.h"
#include "platform/crt/rand.h"
#include "platform/math/mesh_data.h"
#include "render/mesh.h"
#include "world/objects/attached_effect.h"
#include "render/object_draw.h"
#include "render/d3d_render.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/bullet.h"
#include "world/objects/unit.h"
#include "world/space/unit_space.h"
#include "world/world.h"

CCockpit g_Cockpit;

float CockpitShellStretch(float cameraAspect)
{
    constexpr float kModelAspect = 4.0f / 3.0f * 0.85f;  // the space camera's at 4:3
    return cameraAspect > kModelAspect ? cameraAspect / kModelAspect : 1.0f;
}

namespace {

const char* const kSoundNames[CCockpit::SOUND_COUNT] = {
    "Data/Sounds/Space/Cockpit/WeaponOff.wav",       "Data/Sounds/Space/Cockpit/WeaponOn.wav",
    "Data/Sounds/Space/Cockpit/Targeting.wav",       "Data/Sounds/Space/Cockpit/TargetOn.wav",
    "Data/Sounds/Space/Cockpit/IncomingMissile.wav", "Data/Sounds/Space/Cockpit/SelectTarget.wav",
    "Data/Sounds/Space/Cockpit/Background_Work.wav", "Data/Sounds/Space/Cockpit/Align_TargetSpeed.wav",
};
// Load order of the sounds.
const int kLoadOrder[CCockpit::SOUND_COUNT] = {
    CCockpit::SOUND_TARGETING,        CCockpit::SOUND_TARGET_ON,         CCockpit::SOUND_WEAPON_OFF,
    CCockpit::SOUND_WEAPON_ON,        CCockpit::SOUND_INCOMING_MISSILE,  CCockpit::SOUND_SELECT_TARGET,
    CCockpit::SOUND_BACKGROUND_WORK,  CCockpit::SOUND_ALIGN_TARGET_SPEED,
};

constexpr float kMissileSearchRadius = 500.0f;

bool OutsideView()
{
    return g_World.cameras[1].cinematicView != 0;
}

bool IsPlaying(CSound* s)
{
    return s && s->IsPlaying();
}

// The missile may have ended and been freed since the last search.
bool BulletListed(const CBullet* b)
{
    if (!b) return false;
    for (uint32_t i = 0; i < CObjectList::bulletCount[1]; ++i)
        if (CObjectList::bullets[1][i] == b) return true;
    return false;
}

// Lines every 3 units from the centre towards the turn, fading in and widening with the
// distance: s is the signed length, vertical for the pitch.
void SteeringWedge(float s, bool vertical)
{
    const float step = s > 0.0f ? 3.0f : -3.0f;
    for (float p = 0.0f; s != 0.0f && (s > 0.0f ? p < s - 3.0f : p > s + 3.0f); p += step) {
        const uint32_t start = (uint32_t(int(p * 100.0f / s)) << 24) | 0x00C800u, end = 0x0000C800u;
        const float h = p * 0.5f;
        if (vertical) {
            DrawScreenLine(start, end, 400.0f, 300.0f + p, 400.0f - h, 300.0f + p);
            DrawScreenLine(start, end, 400.0f, 300.0f + p, 400.0f + h, 300.0f + p);
        } else {
            DrawScreenLine(start, end, 400.0f + p, 300.0f, 400.0f + p, 300.0f - h);
            DrawScreenLine(start, end, 400.0f + p, 300.0f, 400.0f + p, 300.0f + h);
        }
    }
}

} // namespace

void PlayCockpitSound(int which)
{
    if (which < 0 || which >= CCockpit::SOUND_COUNT) return;
    CSound* s = g_Cockpit.sounds[which];
    if (!s || s->IsPlaying()) return;
    s->SetVolume(100.0f);
    s->Play(0);
}

void StopCockpitSound(int which)
{
    if (which < 0 || which >= CCockpit::SOUND_COUNT) return;
    CSound* s = g_Cockpit.sounds[which];
    if (IsPlaying(s)) s->Stop();
}

void CCockpit::Init()
{
    g_CommWindow.Init();
    g_RadioMenu.Init();
    g_TargetScreen.Init(0);
    g_SystemScreen.Init(1);
    g_Radar.Init();
    for (int which : kLoadOrder)
        sounds[which] = g_AudioManager.LoadSound(kSoundNames[which], SOUND_EFFECT, 1.0f, 10.0f);
    markerTexture = g_D3DRender.LoadTexture("Data/Space/Interface/Cockpit/ObjOnScreen.dds", 1, -1);
    SetSpriteFrames(&markerSprite, markerTexture, 256.0f, 128.0f, 128.0f, 128.0f, 128.0f);
    shown = 1;
    overlayShown = 1;
    LoadModel();
    incomingMissile = nullptr;
}

void CCockpit::LoadModel()
{
    if (unit) {
        unit->Release();
        delete unit;
        unit = nullptr;
    }
    unit = new CUnit();
    if (!unit->Load("Data/Space/Ship/Cockpit/01/Cockpit.obj", -1))
        DebugOut("CCockpit::LoadModel(): the cockpit model did not load");
}

void CCockpit::StopSounds()
{
    for (CSound* s : sounds)
        if (s) s->Stop();
    incomingMissile = nullptr;
    g_YawRate = 0.0f;
    g_PitchRate = 0.0f;
    g_MouseYawInput = 0.0f;
    g_MousePitchInput = 0.0f;
}

void CCockpit::Release()
{
    g_CommWindow.Release();
    g_RadioMenu.Release();
    g_TargetScreen.ReleaseTexture();
    g_SystemScreen.ReleaseTexture();
    g_Radar.Release();
    for (CSound*& s : sounds)
        if (s) g_AudioManager.ReleaseSound(&s);
    if (markerTexture >= 0) g_D3DRender.ReleaseTexture(markerTexture);
    markerTexture = -1;
    if (unit) {
        unit->Release();
        delete unit;
        unit = nullptr;
    }
    incomingMissile = nullptr;
}

void CCockpit::Update()
{
    CUnit* player = g_PlayerObject;
    if (!player) return;
    g_CommWindow.Update();
    g_RadioMenu.UpdateTyping();
    g_TargetScreen.SetTarget(player->target ? player->target : player);
    g_SystemScreen.SetTarget(player);

    CSound* warning = sounds[SOUND_INCOMING_MISSILE];
    CSound* chatter = sounds[SOUND_BACKGROUND_WORK];
    if (g_LocationKind != g_WorldIndex) {
        if (IsPlaying(warning)) warning->Stop();
        if (IsPlaying(chatter)) chatter->Stop();
        return;
    }
    const uint32_t now = g_GameClock.NowMs();
    const bool outside = OutsideView();
    if (!BulletListed(incomingMissile)) incomingMissile = nullptr;
    if (!outside && now % 2000u < 100u) incomingMissile = CObjectList::FindNearestMissile(kMissileSearchRadius, player);

    if (incomingMissile) {
        if (incomingMissile->remainingFlightTime == 0.0f) {
            if (warning) warning->Stop();
            incomingMissile = nullptr;
        } else if (outside) {
            if (IsPlaying(warning)) warning->Stop();
            incomingMissile = nullptr;
        } else {
            float d = PointDistance(player->position, incomingMissile->position);
            if (d > kMissileSearchRadius) d = kMissileSearchRadius;
            const float interval = d / kMissileSearchRadius + 0.1f;
            if (float(now - lastWarning) * 0.001f > interval) {
                if (warning) {
                    warning->SetVolume(100.0f);
                    warning->Play(0);
                }
                lastWarning = now;
            }
        }
    }

    if (g_LocationKind == 1 && !outside && shown) {
        if (now % 20000u < 50u && chatter) {
            chatter->SetVolume(float(GameRand() % 101));
            chatter->Play(0);
        }
    } else if (IsPlaying(chatter)) {
        chatter->Stop();
    }
}

namespace {

// The screen box (800 x 600 units) of a panel's quad at the frame it shows, placed by m
// and seen through the current camera; false when it lies behind the eye.
bool PanelBox(const CAttachedEffect* panel, unsigned frame, const Matrix& m, CCockpit::Rect* box)
{
    if (!panel || panel->meshCount < 1 || !panel->meshes[0] || panel->meshes[0]->m_SubMeshCount < 1) return false;
    const CMesh& mesh = *panel->meshes[0];
    const MeshData* q = mesh.m_SubMeshes[std::min(frame, unsigned(mesh.m_SubMeshCount - 1))];
    if (!q || q->vertexCount == 0) return false;
    const CCamera& camera = g_World.Camera();
    const Vec3 s(panel->scale.x * panel->scale2.x, panel->scale.y * panel->scale2.y, panel->scale.z * panel->scale2.z);
    const Matrix world = MatrixScaling(s.x, s.y, s.z) * m;
    *box = {1e9f, 1e9f, -1e9f, -1e9f};
    for (unsigned i = 0; i < q->vertexCount; ++i) {
        const Vec4 c = Vec3Transform(Vec3TransformCoord(Vec3TransformCoord(q->Position(i), world), camera.view),
                                     camera.projection);
        if (!(c.w > 0.0f)) return false;
        const float x = (c.x / c.w + 1.0f) * 400.0f, y = (1.0f - c.y / c.w) * 300.0f;
        box->x0 = std::min(box->x0, x), box->x1 = std::max(box->x1, x);
        box->y0 = std::min(box->y0, y), box->y1 = std::max(box->y1, y);
    }
    return true;
}

// The comm panel's frame as the cockpit's drawing picks it (the larger the panel asks for).
unsigned CommFrame(const CAttachedEffect* screen)
{
    const int frames = screen && screen->meshCount > 0 && screen->meshes[0] ? screen->meshes[0]->m_SubMeshCount : 1;
    return unsigned(std::max({g_CommWindow.ToPixels(frames), g_RadioMenu.ToPixels(frames), 0}));
}

} // namespace

Matrix CCockpit::PlaceModel(const CUnit& model, const Matrix& swayed)
{
    const CAttachedEffect* screen3 = model.FindCockpitScreen3();
    const unsigned commFrame = CommFrame(screen3);
    const CAttachedEffect* const panels[] = {model.FindCockpitRadar(), model.FindCockpitScreen1(),
                                             model.FindCockpitScreen2(), commFrame > 0 ? screen3 : nullptr};
    const CCamera& camera = g_World.Camera();
    // The camera's right and up axes in the world, and how far a unit of depth reaches.
    const Vec3 right(camera.view.m[0][0], camera.view.m[1][0], camera.view.m[2][0]);
    const Vec3 up(camera.view.m[0][1], camera.view.m[1][1], camera.view.m[2][1]);
    const float xs = camera.projection.m[0][0], ys = camera.projection.m[1][1];
    Matrix m = swayed;
    for (int pass = 0; pass < 3; ++pass) {
        panelRectCount = 0;
        Rect all = {1e9f, 1e9f, -1e9f, -1e9f};
        for (const CAttachedEffect* p : panels) {
            Rect r;
            if (!PanelBox(p, p == screen3 ? commFrame : 0u, m, &r)) continue;
            panelRects[panelRectCount++] = r;
            all = {std::min(all.x0, r.x0), std::min(all.y0, r.y0), std::max(all.x1, r.x1), std::max(all.y1, r.y1)};
        }
        if (panelRectCount == 0 || xs == 0.0f || ys == 0.0f) break;
        // The panels swing with the cockpit as far as the picture's edges, and no further.
        auto back = [](float lo, float hi, float size) {
            if (hi - lo > size) return 0.5f * (size - lo - hi);
            return lo < 0.0f ? -lo : (hi > size ? size - hi : 0.0f);
        };
        const float dx = back(all.x0, all.x1, 800.0f), dy = back(all.y0, all.y1, 600.0f);
        if (std::fabs(dx) < 0.25f && std::fabs(dy) < 0.25f) break;
        // The panels stand about two units before the eye.
        const Vec3 shift = right * (dx / 400.0f * 2.0f / xs) - up * (dy / 300.0f * 2.0f / ys);
        m.m[3][0] += shift.x, m.m[3][1] += shift.y, m.m[3][2] += shift.z;
    }
    return m;
}

bool CCockpit::OverPanel(float x0, float y0, float x1, float y1) const
{
    for (int i = 0; i < panelRectCount; ++i) {
        const Rect& r = panelRects[i];
        if (x0 < r.x1 && x1 > r.x0 && y0 < r.y1 && y1 > r.y0) return true;
    }
    return false;
}

void CCockpit::DrawOverlay()
{
    CUnit* player = g_PlayerObject;
    if (OutsideView() || !player || !overlayShown) return;
    CTargetMarker& marker = g_TargetScreen.marker;
    if (marker.target && marker.target == player->target) marker.DrawLead();
    marker.DrawBracket(g_CommWindow.speaker);

    const float bw = g_D3DRender.width > 0.0f ? g_D3DRender.width : 800.0f;
    const float bh = g_D3DRender.height > 0.0f ? g_D3DRender.height : 600.0f;
    const float hw = 140.0f * 800.0f / bw;
    const float hh = 140.0f * 600.0f / bh;
    DrawSpriteRect(&markerSprite, 400.0f - hw, 300.0f - hh, 400.0f + hw, 300.0f + hh, 0x5C00C800u);
    SteeringWedge(hw / 0.075f * g_YawRate, false);
    SteeringWedge(hh / 0.075f * g_PitchRate, true);
}
