// The space scene scripts' step of a unit: the scene is chosen by the location, then by
// the script id (the unit's kind), then by the unit's step. A step acts once, stamps the
// time and moves on; later frames test its condition. Step -1 is the end.
#include "locations/scripts/space_scenes.h"
#include "locations/scripts/sector_scenes.h"

#include <cmath>
#include <cstdio>
#include <set>
#include <utility>

#include "app/settings.h"
#include "audio/audio_manager.h"
#include "audio/sound.h"
#include "locations/location_director.h"
#include "net/network.h"
#include "platform/crt/rand.h"
#include "render/camera.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/object_codes.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace scenes {

namespace {

// Absences already written to the log: (location id, object id).
std::set<std::pair<int, int>> g_reportedAbsent;

constexpr float kVoiceVolume = 90.0f;
constexpr float kVoiceDistance = 10.0f;
constexpr float kStationReportSeconds = 3.0f;
constexpr int kStationReportMessage = 19;

} // namespace

float StepSeconds(const CUnit* unit) { return g_GameClock.SecondsSince(unit->timers[2]); }

void Stamp(CUnit* unit) { unit->timers[2] = g_GameClock.NowMs(); }

float& Wait(CUnit* unit) { return unit->orderVector.y; }

void Next(CUnit* unit, int step)
{
    Stamp(unit);
    unit->scriptStep = step;
}

CUnit* Cast(int id)
{
    CUnit* u = CObjectList::FindById(id);
    if (!u) {
        const std::pair<int, int> key(g_LocationDirector.locationId, id);
        if (g_reportedAbsent.insert(key).second)
            DebugOutF("NPC manager: object %d is not in location %d, the scene goes on without it", id,
                      g_LocationDirector.locationId);
    }
    return u;
}

void ResetCastReports() { g_reportedAbsent.clear(); }
int CastReportCount() { return (int)g_reportedAbsent.size(); }

CUnit* PlayerShip()
{
    if (g_PlayerObject) return g_PlayerObject;
    const int saved = g_WorldIndex;
    g_WorldIndex = 1;
    CUnit* ship = CObjectList::FindDockedPlayerShip();
    g_WorldIndex = saved;
    return ship;
}

void ReleaseVoice()
{
    if (g_LocationDirector.sceneVoice) g_AudioManager.ReleaseSound(&g_LocationDirector.sceneVoice);
    g_LocationDirector.sceneVoice = nullptr;
}

void LoadVoice(const char* file)
{
    if (!g_Settings.voice) return;
    ReleaseVoice();
    CSound* voice = g_AudioManager.LoadSound(file, SOUND_VOICE, kVoiceDistance, kVoiceDistance);
    g_LocationDirector.sceneVoice = voice;
    if (!voice) return;
    if (voice->frequency) voice->SetFrequency(voice->frequency);
    voice->SetVolume(kVoiceVolume);
}

void PlaySceneVoice()
{
    if (g_Settings.voice && g_LocationDirector.sceneVoice) g_LocationDirector.sceneVoice->Play(0);
}

void PlayVoice(const char* file)
{
    if (!g_Settings.voice) return;
    LoadVoice(file);
    PlaySceneVoice();
}

CCamera& Camera() { return g_World.Camera(); }

namespace {

// A body the eye must not enter: anything in the space world's list but the sky and the
// vanishing dolly of a scene (scale almost 0).
bool IsBody(const CUnit* u, const CUnit* except)
{
    return u && u != except && !(u->objectClass & GCLASS_SPACE_SKY) && u->scale.x > 0.01f;
}

float BodyRadius(const CUnit* u)
{
    return u->boundsRadius * (u->scale.x + u->scale.y + u->scale.z) / 3.0f + kHullClearance;
}

} // namespace

void ShotOffset(CUnit* unit, const Vec3& offset, float rate, float moveTime, const Vec3* axis)
{
    if (!unit) return;
    const Vec3 up(0.0f, 1.0f, 0.0f);
    const Vec3* a = rate != 0.0f ? (axis ? axis : &up) : nullptr;
    Camera().fov = kSpaceFov;
    Camera().SetCinematicMode(unit, offset, 1, a, rate, moveTime);
}

void ShotFrom(CUnit* unit, const Vec3& point, float moveTime)
{
    if (!unit) return;
    Camera().fov = kSpaceFov;
    Camera().SetCinematicMode(unit, point, 0, nullptr, 0.0f, moveTime);
}

void LiftEyeOut(const CUnit* except)
{
    CCamera& c = Camera();
    if (const CUnit* hull = BodyAround(c.eye, except)) {
        const Vec3 out = c.eye - hull->position;
        const Vec3 way = Vec3LengthSq(out) > 0.0f ? Vec3Normalize(out) : Vec3(0.0f, 1.0f, 0.0f);
        c.eye = hull->position + way * BodyRadius(hull);
    }
}

void ShotFromHere(CUnit* unit, float moveTime)
{
    LiftEyeOut(unit);
    ShotFrom(unit, Camera().eye, moveTime);
}

void CameraOff()
{
    CCamera& c = Camera();
    c.fov = kSpaceFov;
    if (c.cinematicView || c.shotUnit) {
        if (!c.cinematicView) c.cinematicView = 1;  // the call without a unit turns the outside view off
        c.SetCinematicMode(nullptr, Vec3(), 0, nullptr, 0.0f, 0.0f);
    }
}

void FrameFar(const CUnit* unit, float radius, float share)
{
    CCamera& c = Camera();
    if (!unit) return;
    const Vec3 to = unit->position - c.eye;
    const Vec3 axis = c.lookAt - c.eye;
    const float d = Vec3Length(to);
    const float ahead = Vec3Dot(to, Vec3Normalize(axis));
    const float wide = std::tan(kSpaceFov / 2.0f);
    float half = wide;
    if (d > 0.0f && ahead > 0.0f && Vec3LengthSq(axis) > 0.0f) {
        // Off the axis by `aside`: the picture keeps the whole sphere with a tenth to spare.
        const float aside = std::sqrt(std::fmax(0.0f, d * d - ahead * ahead)) / ahead;
        half = std::fmax(radius / (share * ahead), (aside + radius / ahead) / 0.9f);
        half = std::fmin(wide, std::fmax(half, std::tan(0.05f)));
    }
    c.fov = 2.0f * std::atan(half);
}

float GroupRadius(const CUnit* centre, std::initializer_list<const CUnit*> units)
{
    float r = 0.0f;
    for (const CUnit* u : units)
        if (u && centre)
            r = std::fmax(r, Vec3Length(u->position - centre->position) + u->boundsRadius * u->scale.y);
    return r;
}

CUnit* BodyAround(const Vec3& point, const CUnit* except)
{
    for (uint32_t i = 0; i < CObjectList::unitCount[1]; ++i) {
        CUnit* u = CObjectList::units[1][i];
        if (IsBody(u, except) && Vec3Length(point - u->position) < BodyRadius(u)) return u;
    }
    return nullptr;
}

float WayDistance(const Vec3& from, const Vec3& to, const Vec3& point)
{
    const Vec3 way = to - from;
    const Vec3 c = point - from;
    const float length2 = Vec3LengthSq(way);
    const float s = length2 > 0.0f ? std::fmax(0.0f, std::fmin(1.0f, Vec3Dot(c, way) / length2)) : 0.0f;
    return Vec3Length(c - way * s);
}

bool WayClear(const Vec3& from, const Vec3& to, const CUnit* except)
{
    for (uint32_t i = 0; i < CObjectList::unitCount[1]; ++i) {
        const CUnit* u = CObjectList::units[1][i];
        if (!IsBody(u, except)) continue;
        const float r = BodyRadius(u);
        if (Vec3Length(u->position - from) < r) {
            if (Vec3Dot(to - from, u->position - from) > 0.0f) return false;
            continue;
        }
        if (WayDistance(from, to, u->position) < r) return false;
    }
    return true;
}

void Fade(int mode, int withSound, float seconds, unsigned colour)
{
    Camera().StartFade(seconds, mode, withSound, colour);
}

bool Every(uint32_t periodMs, uint32_t width)
{
    return periodMs != 0 && g_GameClock.NowMs() % periodMs < width;
}

void PlaceAt(CUnit* unit, const Vec3& point)
{
    if (!unit) return;
    unit->position = point;
    unit->UpdateTransform();
}

void MoveBy(CUnit* unit, const Vec3& delta)
{
    if (!unit) return;
    PlaceAt(unit, unit->position + delta);
}

void FlyTo(CUnit* unit, const Vec3& point, float cruise)
{
    if (!unit) return;
    unit->SetOrder(ACTION_MOVE, &point, nullptr, 0);
    unit->destination = point;
    unit->targetPoint = point;
    unit->cruiseSpeed = cruise;
}

bool Within(const CUnit* unit, const Vec3& point, float distance)
{
    return unit && Vec3Length(unit->position - point) < distance;
}

// A delivered mercenary comes in from afar in front of the hero station (modes 100, 101).
void RunMercenaryArrival(CUnit* self, float dt)
{
    CUnit* station = g_HeroStation;
    if (self->scriptStep == 100) {
        if (!station) {
            self->scriptStep = -1;
            return;
        }
        Vec3 r;
        do {
            r = Vec3((float)(GameRand() % 2001 - 1000), (float)(GameRand() % 2001 - 1000),
                     (float)(GameRand() % 2001 - 1000));
        } while (Vec3Length(r) <= 1.0f);
        const Vec3 forward(station->worldMatrix.m[2][0], station->worldMatrix.m[2][1], station->worldMatrix.m[2][2]);
        PlaceAt(self, station->position + forward * 6000.0f + r);
        self->scriptStep = 101;
    } else if (self->scriptStep == 101) {
        if (!station) {
            self->scriptStep = -1;
            return;
        }
        const Vec3 toStation = station->position - self->position;
        if (Vec3Length(toStation) > 2000.0f) MoveBy(self, toStation * (dt * 0.02f));
        else self->scriptStep = -1;
    }
}

} // namespace scenes

using namespace scenes;

void CUnit::RunSpaceScript(int scriptKind, float dt)
{
    const int location = g_LocationDirector.locationId;

    if (scriptKind == GTYPE_SP_NPCSHIP_MERCS_CARGO || scriptKind == GTYPE_SP_NPCSHIP_MERCS_FIGHTER) {
        if (g_GameMode != 2) RunMercenaryArrival(this, dt);
        return;
    }
    if (scriptKind == GTYPE_SP_STATION) {
        // The hero station's side reaches the other players every few seconds.
        if (g_GameMode == 2 && this == g_HeroStation && pilot.side == 1 &&
            g_GameClock.SecondsSince(timers[3]) > kStationReportSeconds) {
            g_Network.SendObjectMessage(kStationReportMessage, g_HeroStation);
            timers[3] = g_GameClock.NowMs();
        }
        return;
    }
    const int before = scriptStep;
    if (scriptKind == GTYPE_SP_HEROSHIP) {
        if (location == LOCATION_GAME_MENU) RunMenuScene(this, dt);
        else if (location == LOCATION_SPACE_INTRO_1) RunFirstIntro(this, dt);
        else if (location == LOCATION_SPACE_INTRO_2) RunSecondIntro(this, dt);
        else if (g_GameMode >= 0 && g_GameMode <= 2) RunSectorShip(this, dt);
    } else if (scriptKind == GTYPE_SP_NPCSHIP_ID0 && location == 12) {
        RunSectorTwelve(this, dt);
    } else {
        // The sectors' own missions, convoys and traffic.
        RunSectorScript(this, scriptKind, dt);
        return;
    }
    // The story's steps in the log (the menu's fly-through would fill it).
    if (scriptStep != before && location != LOCATION_GAME_MENU)
        DebugOutF("Scene %d, object %d: step %d at %u ms", location, pilot.objectId, scriptStep, g_GameClock.NowMs());
}
