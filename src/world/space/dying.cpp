// Dying in space: a destroyed unit tumbles, burns and drifts for a while, blows up in a
// staged blast (fire, shock ring, debris, burning fragments, parts thrown off), then
// lingers unseen until its hull drops to 0 and the world removes it. The player's ship
// and the home station end the mission on the way.
//
// Order sub-state: 0 start, 1 burning, 2 lingering, 3 gone. timers[1] is the emission
// stamp, timers[2] the stage stamp, orderVector.z the stage length in seconds,
// orderVector.x marks the closing fade as started and orderVector.y a mission lost here.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/settings.h"
#include "app/winmain.h"
#include "audio/audio_manager.h"
#include "flight_ui/comm_window.h"
#include "locations/location_director.h"
#include "menus/end_game.h"
#include "menus/game_menu.h"
#include "platform/crt/rand.h"
#include "render/camera.h"
#include "world/objects/effect_object.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {

constexpr float kEmissionInterval = 0.1f;
constexpr float kFinalLinger = 40.0f;  // the player's ship or the home station

Vec3 Row(const Matrix& m, int r) { return Vec3(m.m[r][0], m.m[r][1], m.m[r][2]); }

// (rand % 301) * 0.01 - 1.5 on each axis, x first.
Vec3 RandomSpread()
{
    const float x = float(GameRand() % 301) * 0.01f - 1.5f;
    const float y = float(GameRand() % 301) * 0.01f - 1.5f;
    const float z = float(GameRand() % 301) * 0.01f - 1.5f;
    return Vec3(x, y, z);
}

// rand % n without the division fault of a zero n.
int RandBelow(int n) { return n > 0 ? GameRand() % n : 0; }

float SecondsSince(uint32_t now, uint32_t stamp) { return float(now - stamp) * 0.001f; }

// A new effect object loaded from the file, or null when the world's effect list is
// full or the file cannot be read (the load has logged it).
CEffectObject* NewEffect(const char* path)
{
    if (CObjectList::CountEffects() >= kMaxEffects) return nullptr;
    CEffectObject* e = new CEffectObject();
    if (!e->Load(path)) {
        e->Release();
        delete e;
        return nullptr;
    }
    return e;
}

void Place(CEffectObject* e, const Vec3& at)
{
    e->position = e->drawPosition = at;
}

void DropDeadSound(CEffectObject* e)
{
    CSound*& s = e->sounds[ACTION_DEAD];
    if (!s) return;
    g_AudioManager.ReleaseSound(&s);
    s = nullptr;
    if (e->soundCount > 0) --e->soundCount;
}

// The open menu dialog closes with the answer "no".
void CloseMenuDialog(uint32_t now)
{
    g_MenuDialogOpen = 0;
    g_MenuDialogTime = now;
}

// A debris piece from a random filled debris slot, thrown towards the camera.
void ThrowDebris(CUnit* u, const Vec3& toCamera)
{
    const int slot = u->PickDebrisSlot();
    if (slot < DERIVED_DEBRIS_1 || slot > DERIVED_DEBRIS_3 || !u->derivedUnits[slot]) return;
    CEffectObject* e = NewEffect(u->derivedPaths[slot]);
    if (!e) return;
    Place(e, u->position);
    e->scale = u->scale * (float(GameRand() % 101) * 0.01f + 0.5f);
    Vec3 heading = toCamera * 2.0f + RandomSpread();
    if (Vec3LengthSq(u->spinState) != 0.0f) heading += Vec3Normalize(u->spinState);
    e->direction = heading;
    CObjectList::AddEffect(e);
}

// Fire bursting from the burning station's hull; an alien station also sheds pieces.
void EmitStationFire(CUnit* u, uint32_t now)
{
    const float radius = u->boundsRadius;
    const Vec3 eye = g_World.Camera().eye;
    const float x = float(GameRand() % 10001 - 5000);
    const float y = float(GameRand() % 10001 - 5000);
    const float z = float(GameRand() % 10001 - 5000);
    const Vec3 segment[2] = {u->position + Vec3Normalize(Vec3(x, y, z)) * 10000.0f, u->position};
    Vec3 hit;
    if (!u->IntersectRays(segment, 0, &hit, 0.0f)) return;

    char path[64];
    std::snprintf(path, sizeof path, "Data/Space/Effect/MainExp_%02d/Main.obj", GameRand() % 5 + 1);
    if (CEffectObject* e = NewEffect(path)) {
        const float duration = u->orderVector.z;
        const float progress = duration > 0.0f ? SecondsSince(now, u->timers[2]) / duration : 1.0f;
        const float s = (progress * 2.0f + 0.2f) * radius;  // grows towards the blast
        e->drawMode = 1;
        e->scale = Vec3(s, s, s);
        Place(e, hit + Vec3Normalize(eye - hit) * s);
        if (now % 1000u < 200u) DropDeadSound(e);
        else if (e->sounds[ACTION_DEAD]) e->sounds[ACTION_DEAD]->SetMinMaxDistance(450.0f, 5000.0f);
        CObjectList::AddEffect(e);
    }

    if (u->kind != GTYPE_SP_LEAFSTATION) return;
    const int slot = u->PickDebrisSlot();
    if (slot < DERIVED_DEBRIS_1 || slot > DERIVED_DEBRIS_3 || !u->derivedUnits[slot]) return;
    CEffectObject* d = NewEffect(u->derivedPaths[slot]);
    if (!d) return;
    d->drawMode = 2;
    d->direction = Vec3Normalize(Vec3Normalize(eye - u->position) * 4.0f + RandomSpread());
    Place(d, u->position + d->direction * radius);
    const float s = radius * (float(GameRand() % 100) * 0.01f + 0.01f) * 0.01f;
    d->scale = Vec3(s, s, s);
    CObjectList::AddEffect(d);
}

// The fire trail of a rated ship and the odd piece breaking off near the camera.
void EmitShipFire(CUnit* u)
{
    const float radius = u->boundsRadius;
    const Vec3 eye = g_World.Camera().eye;
    if (u->rating != 0.0f) {
        if (CEffectObject* e = NewEffect("Data/Space/Effect/RunExp_01/Main.obj")) {
            e->drawMode = 1;
            Vec3 at = u->position;
            if (radius > 1.0f) {
                const int spread = int(std::lround(radius));
                at.x += float(RandBelow(spread)) / 1.5f - radius / 3.0f;
                at.y += float(RandBelow(spread)) / 1.5f - radius / 3.0f;
                at.z += float(RandBelow(spread)) / 1.5f - radius / 3.0f;
            }
            Place(e, at);
            e->direction =
                Vec3LengthSq(u->spinState) != 0.0f ? Vec3Normalize(u->spinState) : Row(u->worldMatrix, 2);
            e->speed = u->speed / 3.0f;
            e->angularStep.z = float(GameRand() % 401) / 1000.0f - 0.2f;
            e->scale = u->scale * (radius / 5.0f);
            CObjectList::AddEffect(e);
        }
    }
    if (g_LocationKind == 1 && Vec3Length(eye - u->position) < 500.0f && GameRand() % 100 < 50)
        ThrowDebris(u, Vec3Normalize(eye - u->position));
}

// A part taken out of its slot flies off and dies on its own.
void ThrowPart(CUnit* u, CUnit* part, uint32_t now)
{
    for (uint32_t& t : part->timers) t = now;
    Vec3 direction;
    do {
        const float x = float(GameRand() % 2001) * 0.01f - 10.0f;
        const float y = float(GameRand() % 2001) * 0.01f - 10.0f;
        const float z = float(GameRand() % 2001) * 0.01f - 10.0f;
        direction = Vec3(x, y, z);
    } while (Vec3Length(direction) <= 0.1f);
    direction = Vec3Normalize(direction);

    part->worldMatrix = u->worldMatrix;
    part->drawMatrix = u->drawMatrix;
    part->position = part->drawPosition = u->position + direction * (u->boundsRadius * 0.5f);
    part->worldMatrix.m[3][0] = part->position.x;
    part->worldMatrix.m[3][1] = part->position.y;
    part->worldMatrix.m[3][2] = part->position.z;
    part->scale = u->scale;
    part->spinState = u->spinState + direction * 2.0f;
    // A part without manoeuvring gets no kick of its own.
    const float kick = float(GameRand() % 20 + 20);
    part->speed = ((part->manoeuvring > 0.0f ? kick / part->manoeuvring : 0.0f) + u->speed) * 0.5f;
    part->SetOrder(ACTION_DEAD, nullptr, nullptr, 1);
    CObjectList::Add(part);  // a full list destroys it
}

// The end of the burning: fire, shock ring, debris and parts; the unit is hidden and
// lingers. The player's ship and the home station end the mission here.
void Blast(CUnit* u, uint32_t now)
{
    const float radius = u->boundsRadius;
    const bool isStation = IsStationKindValue(u->kind);
    CCamera& camera = g_World.Camera();
    const Vec3 eye = camera.eye;
    const float cameraDistance = Vec3Length(eye - u->position);
    const Vec3 toCamera = Vec3Normalize(eye - u->position);

    // The comm window has no speaker of its own yet: a unit in a radio talk is taken as it.
    if (IsShipKindValue(u->kind) && (g_WorldIndex == 0 || g_WorldIndex == 1) && u->inRadioTalk)
        g_CommWindow.EndTalk();

    if (u->objectClass == GCLASS_SPACE_SHIP) {
        CUnit* player = g_PlayerObject;
        if (g_LocationKind == g_WorldIndex && player && player != u) {
            const float d = Vec3Length(player->position - u->position);
            if (d < 200.0f)
                camera.SetShakeVector(Vec3Normalize(player->position - u->position) * (1.0f - d / 200.0f));
        }

        if (CEffectObject* ring = NewEffect("Data/Space/Effect/CircleExp_01/Main.obj")) {
            Place(ring, u->position);
            ring->drawMode = 1;
            float s = radius / 5.0f;
            if (isStation) {
                ring->lifeTime = ring->remainingLife = 4.0f;
                ring->growth = 2000.0f;
                s = radius * 2.0f;
            }
            ring->scale = Vec3(s, s, s);
            CObjectList::AddEffect(ring);
        }

        char path[64];
        std::snprintf(path, sizeof path, "Data/Space/Effect/MainExp_%02d/Main.obj", GameRand() % 5 + 1);
        if (CEffectObject* blast = NewEffect(path)) {
            Place(blast, u->position);
            blast->drawMode = 1;
            float s = radius / 5.0f;
            if (isStation) {
                s = radius * 5.0f;
                if (blast->sounds[ACTION_DEAD]) blast->sounds[ACTION_DEAD]->SetMinMaxDistance(900.0f, 10000.0f);
            }
            blast->scale = Vec3(s, s, s);
            CObjectList::AddEffect(blast);
        }

        if (g_LocationKind == 1 && cameraDistance < 500.0f) {
            const long n = std::min(std::lround(radius * 3.0f), 20L);
            for (long i = 0; i < n; ++i) ThrowDebris(u, toCamera);
        }

        if (g_LocationKind == 1 && cameraDistance < 1000.0f) {
            const long n = std::min(std::lround(radius * 6.0f), 40L);
            for (long i = 0; i < n; ++i) {
                CEffectObject* f = NewEffect("Data/Space/Effect/DebrisFire_01/Main.obj");
                if (!f) break;
                f->ResetTimers();
                Place(f, u->position);
                f->direction = Vec3Normalize(toCamera + RandomSpread());
                f->drawMode = 1;
                f->speed = float(GameRand() % 50 + 10);
                const float size = float(GameRand() % 201) * 0.01f + 0.5f;
                f->lifeTime = f->remainingLife = size;
                f->growth = size;
                CObjectList::AddEffect(f);
            }
        }

        for (int slot = DERIVED_PART_1; slot <= DERIVED_PART_3; ++slot) {
            CUnit* part = u->derivedUnits[slot];
            if (!part || GameRand() % 100 <= 10) continue;
            u->derivedUnits[slot] = nullptr;
            ThrowPart(u, part, now);
        }
    }

    u->scale2 = Vec3();  // no longer drawn

    if (u == g_PlayerObject || u == g_HeroStation) {
        u->spinState = Vec3();
        u->orderVector.z = kFinalLinger;
        if (u == g_PlayerObject || !(g_LocationDirector.locationId == 12 && g_LocationDirector.missionOver != 0)) {
            u->orderVector.y = 1.0f;  // lost here: the closing fade runs
            EndGame(0);
        }
    } else {
        u->orderVector.z = u->objectClass == GCLASS_SPACE_SHIP ? 9.0f : 1.0f;
    }
    u->timers[2] = now;
    u->StopAllSounds();
    u->orderSubState = 2;
}

}  // namespace

void CUnit::UpdateDying(float dt)
{
    const uint32_t now = g_GameClock.NowMs();
    const float radius = boundsRadius;
    const bool isShipClass = objectClass == GCLASS_SPACE_SHIP;
    const bool isStation = IsStationKindValue(kind);
    CCamera& camera = g_World.Camera();
    float& duration = orderVector.z;

    if (orderSubState == 0) {
        CUnit* player = g_PlayerObject;
        if (player && player != this && player->target == this)
            player->target = IsHostileTo(player) ? CObjectList::FindNearestObject(3000.0f, player) : nullptr;

        hull = 1.0f;
        speedPercent = engineMax > 0.0f ? speed / engineMax * 100.0f : 0.0f;

        const float turn = manoeuvring > 0.0f ? 1.0f / manoeuvring : 0.0f;
        angularStep.x = (float(GameRand() % 21) / 200.0f - 0.05f) * turn;
        angularStep.y = (float(GameRand() % 21) / 200.0f - 0.05f) * turn;
        angularStep.z = (float(GameRand() % 21) / 200.0f - 0.05f) * turn;

        // The player's ship is put out before the station burns; walking inside, he goes
        // back to space with it.
        if (isStation && PutOutPlayerShip() && g_LocationKind == 2)
            g_World.RequestLocationKind(1, g_World.savedLocationFolder);

        const Vec3 axis(0.0f, 1.0f, 0.0f);
        if (this == g_PlayerObject) {
            camera.SetCinematicMode(this, Vec3(-10.0f * radius, 0.0f, 0.0f), 1, &axis, 0.5f, 0.0f);
        } else if (this == g_HeroStation && g_LocationDirector.missionOver == 0) {
            if (g_LocationKind == 2) g_World.RequestLocationKind(1, g_World.savedLocationFolder);
            g_World.cameras[1].SetCinematicMode(this, Vec3(-5.0f * radius, 0.0f, 0.0f), 1, &axis, 0.5f, 0.0f);
        }

        if (isShipClass) {
            if (isStation) duration = 10.0f;
            else if (rating != 0.0f) duration = float(GameRand() % 501) * 0.01f + 1.0f;
            else duration = 4.0f;
        } else {
            duration = 3.0f;
        }
        orderVector.x = orderVector.y = 0.0f;
        timers[2] = timers[1] = now;
        orderSubState = 1;
        return;
    }

    const bool moving = Vec3LengthSq(spinState) != 0.0f;
    const Vec3 heading = moving ? Vec3Normalize(spinState) : Vec3();

    if (orderSubState == 1) {
        if (moving) {
            const Vec3 step = heading * (speed * dt);
            if (isShipClass && !isStation) {
                const Vec3 from = position + heading * radius;
                if (g_World.SegmentHitTest(from, from + step, 0, nullptr, nullptr, this, nullptr))
                    duration = 0.0f;  // flew into something: blows up at once
            }
            position += step;
        }

        if (g_Settings.audio != 0 && isShipClass && !isStation) {
            CSound*& burning = actionSounds[ACTION_DEAD];
            if (burning) {
                if (burning->IsPlaying()) {
                    burning->SetPosition(position);
                } else {
                    g_AudioManager.ReleaseSound(&burning);
                    burning = nullptr;
                    if (actionSoundCount > 0) --actionSoundCount;
                }
            } else {
                char name[64];
                std::snprintf(name, sizeof name, "Data/Sounds/Space/ExplodeDebris_%02d.wav", GameRand() % 4 + 1);
                NoteUnitSoundRequest(name);
                burning = g_AudioManager.LoadSound(name, SOUND_3D, 80.0f, 1000.0f);
                if (burning) {
                    ++actionSoundCount;
                    // A copy of a sound loaded before keeps that sound's distances.
                    burning->SetMinMaxDistance(80.0f, 1000.0f);
                    if (g_LocationKind == g_WorldIndex) {
                        burning->SetPosition(position);
                        burning->SetVolume(100.0f);
                        burning->Play(0);
                    }
                }
            }
        }

        if (isShipClass && SecondsSince(now, timers[1]) >= kEmissionInterval) {
            timers[1] = now;
            if (isStation) EmitStationFire(this, now);
            else EmitShipFire(this);
        }

        if (SecondsSince(now, timers[2]) > duration) Blast(this, now);
        return;
    }

    if (orderSubState == 2) {
        if (moving) position += heading * (speed * dt);
        const float elapsed = SecondsSince(now, timers[2]);
        const float left = duration - elapsed;
        // The defeat sets the mission-over flag itself, so a death that ended the game
        // here fades out all the same.
        const bool lostHere = orderVector.y != 0.0f;
        if ((g_LocationDirector.missionOver == 0 || lostHere) && duration == kFinalLinger && left > 3.0f &&
            left < 4.0f && orderVector.x == 0.0f) {
            orderVector.x = 1.0f;  // once: a fade restarted every frame would never cover
            camera.StartFade(4.0f, 1, 1, 0);
        }
        if (elapsed <= duration) return;

        orderSubState = 3;
        hull = 0.0f;  // the world removes the unit on its next pass
        if (isStation) DebugOutF("Station %d (%s) destroyed", pilot.objectId, displayName);
        if (camera.target == this || camera.shotUnit == this) {
            if (g_GameMenuActive && g_MenuPage == 12) CloseMenuDialog(now);
            camera.SetCinematicMode(nullptr, Vec3(), 0, nullptr, 0.0f, 0.0f);
            CUnit* player = g_PlayerObject;
            if (player && player != this && player->IsAlive()) {
                camera.SetTarget(player);
            } else {
                camera.target = nullptr;
                camera.followOffset = Vec3();
            }
        }
        if (this == g_PlayerObject) {
            CloseMenuDialog(now);
            g_LocationFinished = 1;
        }
    }
}

