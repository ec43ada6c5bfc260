#include "flight_ui/cockpit.h"

#include <cmath>

#include "app/settings.h"
#include "audio/audio_manager.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/cursor.h"
#include "flight_ui/radar.h"
#include "flight_ui/radio_menu.h"
#include "flight_ui/target_screen.h"
#include "platform/crt/rand.h"
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
