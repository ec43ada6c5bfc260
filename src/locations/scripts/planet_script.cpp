// The planet world's scene scripts: the step machinery and shared actions, the first
// planet intro (110), the hero's walk in the station of the first space intro (200) and
// the captain of the mercenaries' base (111). Each step acts once, stamps the time and
// moves on; later steps wait for a time, an order finished, a talk ended or a flag.
#include "locations/scripts/planet_scene.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "app/settings.h"
#include "app/winmain.h"
#include "audio/audio_manager.h"
#include "audio/sound.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/cursor.h"
#include "flight_ui/game_interface.h"
#include "flight_ui/subtitles.h"
#include "locations/location_director.h"
#include "platform/crt/rand.h"
#include "platform/win/message_box.h"
#include "render/camera.h"
#include "render/light.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/attached_effect.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace PlanetScene {

namespace {
constexpr float kPi = 3.14159265f;
const Vec3 kOffScene(-10.0f, 0.0f, -10.0f);
}  // namespace

CCamera& Camera() { return g_World.Camera(); }

float Wait(const CUnit* u) { return g_GameClock.SecondsSince(u->timers[2]); }

void Stamp(CUnit* u) { u->timers[2] = g_GameClock.NowMs(); }

bool Idle(const CUnit* u) { return u && u->orderType == ACTION_STAY; }

void Place(CUnit* u, const Vec3& p)
{
    if (!u) return;
    u->position = u->drawPosition = p;
    u->destination = u->targetPoint = p;
    u->ClearWaypoints();
}

void Place(CUnit* u, const Vec3& p, float heading)
{
    if (!u) return;
    Place(u, p);
    u->rotation.y = heading;
}

void WalkTo(CUnit* u, const Vec3& p)
{
    if (u) u->SetOrder(ACTION_MOVE, &p, nullptr, 0);
}

void Face(CUnit* u, const Vec3& p)
{
    if (u) u->SetOrder(ACTION_STAY, &p, nullptr, 0);
}

void Talk(CUnit* hero, CUnit* speaker)
{
    g_PlanetClicksEnabled = 1;
    if (hero && speaker) hero->SetOrder(ACTION_FOLLOW, speaker, nullptr, 0);
    g_PointerEnabled = 1;
    g_GameInterface.shown = 1;
}

bool TalkEnded(const CUnit* follower)
{
    // The follower is still on its way while its follow has not reached the talk.
    if (follower && follower->orderType == ACTION_FOLLOW && follower->orderSubState < 2) return false;
    return g_CommMode == 0;
}

void OrbitAround(const Vec3& centre) { Camera().SetOrbitAround(1, 50.0f, 0.15f, 1, &centre); }

void OrbitPlayer()
{
    if (g_PlayerObject) Camera().OrbitObject(g_PlayerObject, 50.0f, 0.15f);
    else Camera().SetOrbit(1, 50.0f, 0.15f, 1);
}

void ClearOrbit() { Camera().SetOrbitAround(0, 0.0f, 0.0f, 0, nullptr); }

void Fade(float seconds) { Camera().StartFade(seconds, 1, 1, 0); }

void FadeIn(float seconds) { Camera().StartFade(seconds, 0, 1, 0); }

void CameraAt(const Vec3& eye, const Vec3& lookAt)
{
    CCamera& c = Camera();
    c.eye = eye;
    c.lookAt = lookAt;
    c.SetMatrices(eye, lookAt, c.up);
}

void Interface(int clicks, int pointer, int box)
{
    if (clicks >= 0) g_PlanetClicksEnabled = clicks;
    if (pointer >= 0) g_PointerEnabled = pointer;
    if (box >= 0) g_GameInterface.shown = box;
}

void BackToSpace() { g_World.RequestLocationKind(1, g_World.locationFolder); }

CAttachedEffect* LiftDoor(CUnit** lift)
{
    CUnit* l = CObjectList::FindByType(GTYPE_STATION_LIFT);
    if (lift) *lift = l;
    return l ? l->FindGateDoor() : nullptr;
}

bool DoorOpen(const CAttachedEffect* door) { return !door || (door->doorState == 1 && door->requestedState == -1); }

bool DoorClosed(const CAttachedEffect* door) { return !door || (door->doorState == 0 && door->requestedState == -1); }

void OpenDoor(CAttachedEffect* door)
{
    if (door) door->SetSoundState(1);
}

void CloseDoor(CAttachedEffect* door)
{
    if (door) door->SetSoundState(0);
}

bool MercenariesAtStep(int step)
{
    const int w = g_WorldIndex;
    for (uint32_t i = 0; i < CObjectList::unitCount[w]; ++i) {
        const CUnit* u = CObjectList::units[w][i];
        if ((u->kind == GTYPE_NPC_MERCS_ID0 || u->kind == GTYPE_NPC_MERCS_ID1) && u->scriptStep != step) return false;
    }
    return true;
}

void SendMercenariesOut()
{
    const int w = g_WorldIndex;
    for (uint32_t i = 0; i < CObjectList::unitCount[w]; ++i) {
        CUnit* u = CObjectList::units[w][i];
        if (u->kind != GTYPE_NPC_MERCS_ID0 && u->kind != GTYPE_NPC_MERCS_ID1) continue;
        u->SetOrder(ACTION_STAY, nullptr, nullptr, 0);
        u->scriptStep = 200;
    }
}

void BlinkSignalLamp(const CUnit* near)
{
    if (!near) return;
    CUnit* lamp = CObjectList::FindNearestByName(near->position, "Сигнальная лампа");
    if (!lamp || Vec3Length(lamp->position - near->position) > 1000.0f) return;
    float b = float(uint32_t(g_GameClock.gameTime) % 2001u) * 0.001f;
    if (b > 1.0f) b = 2.0f - b;
    for (int i = 0; i < lamp->effectCount && i < kMaxUnitEffects; ++i) {
        CAttachedEffect* e = lamp->effects[i];
        if (!e || e->kind != GEFFECT_LIGHTSOURCE) continue;
        for (float* c : {e->colour1, e->colour2}) c[0] = b, c[1] = b / 3.0f, c[2] = b / 2.5f;
    }
}

CUnit* FindNamed(const CUnit* near, const char* name, const char* caption)
{
    CUnit* u = near ? CObjectList::FindNearestByName(near->position, name) : CObjectList::FindByName(name);
    if (u && near && Vec3Length(u->position - near->position) > 1000.0f) u = nullptr;
    if (!u) ReportMissing(name, caption);
    return u;
}

void ReportMissing(const char* name, const char* caption)
{
    // Once per name and caption: a missing object must not ask every frame.
    static std::set<std::string> told;
    if (!told.insert(std::string(name) + "|" + caption).second) return;
    DebugOutF("Scene script: \"%s\" not found in %s", name, g_World.locationFolder);
    MessageBox(g_MainWindow, "NPC manager.", caption, MB_ICONWARNING);
}

// The player, idle in the open lift, leaves: fade, the door closes, then back to space.
void LeaveByLift(CUnit* player, CUnit* scripted, CAttachedEffect* door)
{
    if (!Idle(player)) return;
    if (!door) {
        Fade();
        BackToSpace();
        scripted->scriptStep = -1;
    } else if (door->doorState == 1 && door->requestedState == -1) {
        Fade();
        CloseDoor(door);
    } else if (door->doorState == 0 && door->requestedState == -1) {
        BackToSpace();
        scripted->scriptStep = -1;
    }
}

namespace {

CUnit* FindHero()
{
    CUnit* h = CObjectList::FindByName("Варен Холт");
    return h ? h : CObjectList::FindByName("Varen Holt");
}

void ReleaseSceneVoice()
{
    if (g_LocationDirector.sceneVoice) g_AudioManager.ReleaseSound(&g_LocationDirector.sceneVoice);
}

// Location 110: the guide meets the hero at the landing pad, talks, works beside him,
// and at night sees him off in the shuttle.
void RunFirstPlanetIntro(CUnit* guide, float)
{
    CUnit* hero = g_PlayerObject;
    CUnit* craft1 = CObjectList::FindByType(GTYPE_VEHICLE_ONAIR_ID0);
    CUnit* craft2 = CObjectList::FindByType(GTYPE_VEHICLE_ONAIR_ID1);
    if (!hero) return;

    if (!guide->inRadioTalk && uint32_t(g_GameClock.gameTime) % 5000u <= 99u && rand() % 400 <= 9)
        guide->PlaySoundSlot(ACTION_STAY, 0);

    switch (guide->scriptStep) {
    case 0: {
        Place(hero, Vec3(40.3f, 0.0f, 50.7f), -kPi / 4.0f);
        hero->SetOrder(ACTION_ATTACK, nullptr, nullptr, 0);
        CameraAt(Vec3(45.0f, 5.0f, 44.5f), Vec3(40.0f, 0.0f, 44.5f));
        OrbitAround(Vec3(40.0f, 0.0f, 44.5f));
        FadeIn();
        Interface(0, 0, 0);
        Place(guide, Vec3(-10.0f, 0.0f, -10.0f));
        guide->collisionFlag = 0;
        guide->pilot.voicePitch = 110;
        Stamp(guide);
        if (craft1) {
            Place(craft1, Vec3(200.0f, 200.0f, -200.0f));
            WalkTo(craft1, Vec3(42.0f, 3.5f, 29.0f));
            craft1->scriptStep = 0;
        }
        if (craft2) {
            Place(craft2, Vec3(-100.0f, 0.0f, -100.0f));
            craft2->scriptStep = -1;
        }
        if (g_Settings.voice) {
            ReleaseSceneVoice();
            g_LocationDirector.sceneVoice =
                g_AudioManager.LoadSound("Data/Voices/Intro/Intro 01/Intro_Land.wav", SOUND_VOICE, 1.0f, 10.0f);
        }
        guide->scriptStep = 1;
        break;
    }
    case 1:
        if (Wait(guide) > 2.0f) {
            if (CSound* v = g_LocationDirector.sceneVoice) {
                v->SetVolume(90.0f);
                v->Play(0);
            }
            if (g_WorldIndex == 0) g_LocationDirector.ShowLocationText(0);
            guide->scriptStep = 2;
        }
        break;
    case 2:
        if (!craft1 || Idle(craft1)) {
            Camera().StartLetterbox(0, 3.0f);
            if (craft1) craft1->PlaySoundSlot(6, 0);
            Place(guide, Vec3(42.0f, 0.0f, 27.0f));
            WalkTo(guide, Vec3(41.0f, 0.0f, 45.3f));
            WalkTo(hero, Vec3(41.0f, 0.0f, 46.0f));
            hero->StopLoopSound();
            guide->scriptStep = 3;
        }
        break;
    case 3:
        if (Wait(guide) > 4.0f && craft1 && Idle(craft1) && craft1->scriptStep == 0 &&
            Vec3Length(craft1->targetPoint - Vec3(150.0f, 100.0f, -50.0f)) > 1.0f) {
            WalkTo(craft1, Vec3(150.0f, 100.0f, -50.0f));
            craft1->scriptStep = 0;
        }
        if (Idle(guide)) {
            ReleaseSceneVoice();
            Place(hero, Vec3(41.0f, 0.0f, 46.1f), kPi);
            hero->SetOrder(ACTION_GUARD, nullptr, nullptr, 0);
            Place(guide, Vec3(41.0f, 0.0f, 45.2f), 0.0f);
            guide->SetOrder(ACTION_GUARD, nullptr, nullptr, 0);
            guide->scriptStep = 4;
        }
        break;
    case 4:
        if (Idle(guide) && Idle(hero)) {
            Talk(hero, guide);
            guide->scriptStep = 5;
        }
        break;
    case 5:
        if (TalkEnded(hero)) {
            OrbitAround(Vec3(37.0f, 0.0f, 48.0f));
            g_PlanetClicksEnabled = 0;
            WalkTo(hero, Vec3(40.3f, 0.0f, 50.7f));
            WalkTo(guide, Vec3(35.5f, 0.0f, 50.5f));
            Interface(-1, 0, 0);
            guide->scriptStep = 6;
        }
        break;
    case 6:
        if (Idle(guide)) {
            Place(guide, Vec3(35.5f, 0.0f, 50.5f), kPi / 4.0f);
            guide->SetOrder(ACTION_ATTACK, nullptr, nullptr, 0);
            guide->scriptStep = 7;
        }
        break;
    case 7:
        if (Idle(hero) && hero->orderType != ACTION_ATTACK) {
            Place(hero, Vec3(40.3f, 0.0f, 50.7f), -kPi / 4.0f);
            hero->SetOrder(ACTION_ATTACK, nullptr, nullptr, 0);
        }
        if (Wait(guide) > 8.0f) {
            Fade();
            guide->scriptStep = 8;
        }
        break;
    case 8:
        if (Wait(guide) > 11.0f) {
            guide->StopLoopSound();
            hero->StopLoopSound();
        }
        if (Wait(guide) > 14.0f) {
            const int w = g_WorldIndex;
            for (uint32_t i = 0; i < CObjectList::unitCount[w]; ++i)
                if (CObjectList::units[w][i]->kind == 22000) Place(CObjectList::units[w][i], Vec3(300.0f, 0.0f, 300.0f));
            if (craft2) Place(craft2, Vec3(40.0f, 2.5f, 53.0f));
            Place(hero, Vec3(34.0f, 0.0f, 46.0f));
            Face(hero, Vec3(60.0f, 0.0f, 55.0f));
            Place(guide, Vec3(35.0f, 0.0f, 45.0f));
            Face(guide, Vec3(40.0f, 0.0f, 60.0f));
            // Night: the lamp post lights up and the sun goes down.
            if (CUnit* lamp = FindNamed(guide, "Фонарный столб", "Object not found!")) {
                CUnit* on = new CUnit();
                if (on->Load("Data/Planet/Misc/Interior/LightSources/01/Main_ON.obj", lamp->pilot.objectId)) {
                    on->position = on->drawPosition = lamp->position;
                    on->rotation = lamp->rotation;
                    on->scale = lamp->scale;
                    on->FinishLoad();
                    CObjectList::Remove(lamp);
                    on->UpdateTransform();
                    CObjectList::Add(on);
                } else {
                    on->Release();
                    delete on;
                }
            }
            const int sun = g_World.FindLightOfKind4();
            if (sun >= 0) g_World.lights[0][sun].angle = 4.7f;
            g_World.ambient[0] = 0xFF000000u;
            g_DialogBox.Reset();
            Camera().eye.y += 50.0f;
            FadeIn();
            guide->scriptStep = 9;
            Stamp(guide);
        }
        break;
    case 9:
        if (Wait(guide) > 4.0f) {
            Talk(hero, guide);
            guide->scriptStep = 10;
        }
        break;
    case 10:
        if (TalkEnded(hero)) {
            OrbitAround(Vec3(37.0f, 0.0f, 50.0f));
            WalkTo(hero, Vec3(40.0f, 0.0f, 53.0f));
            WalkTo(guide, Vec3(30.0f, 0.0f, 48.0f));
            Interface(0, 0, 0);
            guide->scriptStep = 11;
        }
        break;
    case 11:
        if (Idle(guide)) {
            Face(guide, Vec3(100.0f, 0.0f, 0.0f));
            guide->scriptStep = 12;
        }
        break;
    case 12:
        if (Idle(hero)) {
            Place(hero, kOffScene);
            if (craft2) {
                WalkTo(craft2, Vec3(50.0f, 100.0f, -500.0f));
                craft2->scriptStep = 0;
            }
            guide->scriptStep = 13;
        }
        break;
    case 13:
        if (!craft2 || Vec3Length(craft2->position - Vec3(40.0f, 2.5f, 53.0f)) > 15.0f) {
            Fade();
            guide->scriptStep = 14;
        }
        break;
    case 14:
        if (!craft2 || Vec3Length(craft2->position - Vec3(40.0f, 2.5f, 53.0f)) > 50.0f) {
            g_LocationDirector.advanceRequested = 1;
            g_PlanetClicksEnabled = 1;
            guide->scriptStep = -1;
        }
        break;
    default:
        break;
    }
}

// Location 200: the hero comes out of the lift, talks with the guide and leaves by it.
void RunStationIntro(CUnit* guide, float)
{
    CUnit* player = g_PlayerObject;
    if (!player) return;
    CAttachedEffect* door = LiftDoor();
    const Vec3 spot(27.0f, 0.0f, 35.0f);
    switch (guide->scriptStep) {
    case 0:
        if (CUnit* hero = FindHero()) hero->pilot.voicePitch = 100;
        guide->pilot.voicePitch = 100;
        player->collisionFlag = 0;
        CameraAt(Vec3(27.0f, 30.0f, 6.0f), Vec3(27.0f, 0.0f, 36.0f));
        OrbitAround(Vec3(27.0f, 0.0f, 36.0f));
        g_PlanetClicksEnabled = 0;
        FadeIn();
        Interface(-1, 0, 0);
        Place(player, Vec3(35.0f, 0.0f, 35.0f));
        OpenDoor(door);
        guide->scriptStep = 1;
        break;
    case 1:
        if (DoorOpen(door)) {
            WalkTo(player, spot);
            guide->scriptStep = 2;
        }
        break;
    case 2:
        if (Vec3Length(player->position - spot) < 5.5f && door && door->doorState == 1 && door->requestedState == -1) {
            CloseDoor(door);
            Camera().StartLetterbox(0, 3.0f);
        }
        if (Idle(player)) {
            player->collisionFlag = 1;
            Talk(player, guide);
            guide->scriptStep = 3;
        }
        break;
    case 3:
        if (g_LocationDirector.outDockingRequested) {
            g_LocationDirector.outDockingRequested = 0;
            player->collisionFlag = 0;
            g_PlanetClicksEnabled = 0;
            WalkTo(player, Vec3(35.0f, 0.0f, 35.0f));
            Interface(-1, 0, 0);
            OrbitPlayer();
            OpenDoor(door);
            guide->scriptStep = 4;
        }
        break;
    case 4:
        LeaveByLift(player, guide, door);
        break;
    default:
        break;
    }
}

// Location 111: the captain meets the landing craft and hands out the tasks.
void RunCaptain(CUnit* captain, float)
{
    CUnit* player = g_PlayerObject;
    CUnit* craft = CObjectList::FindByType(GTYPE_VEHICLE_ONAIR_ID1);
    if (!player) return;
    switch (captain->scriptStep) {
    case 0:
        Place(player, Vec3(0.0f, 0.0f, 0.0f));
        g_PlanetClicksEnabled = 0;
        WalkTo(captain, Vec3(35.0f, 0.0f, 75.0f));
        CameraAt(Vec3(35.0f, 5.0f, 70.0f), Vec3(35.0f, 0.0f, 75.0f));
        OrbitAround(Vec3(35.0f, 0.0f, 75.0f));
        FadeIn();
        Interface(-1, 0, 0);
        captain->scriptStep = 1;
        break;
    case 1:
        if (Idle(captain)) {
            if (craft) {
                WalkTo(craft, Vec3(35.0f, 3.5f, 63.0f));
                craft->scriptStep = 1;
            }
            captain->scriptStep = -1;
        }
        break;
    case 2:
        if (Idle(captain)) {
            OrbitPlayer();
            g_DialogBox.AddLine("Вы прибыли на базу наемников...", 0xFF00C800u, 0, -1);
            g_GameInterface.shown = 1;
            Face(captain, Vec3(35.0f, 0.0f, 63.0f));
            Place(player, Vec3(35.0f, 0.0f, 63.0f), 0.0f);
            WalkTo(player, Vec3(37.0f, 0.0f, 70.0f));
            captain->scriptStep = 3;
        }
        break;
    case 3:
        if (Idle(player)) {
            g_PlanetClicksEnabled = 1;
            ClearOrbit();
            Camera().shake = Vec3();
            Camera().shakeOffset = Vec3();
            Talk(player, captain);
            g_PointerEnabled = 1;
            captain->scriptStep = 4;
        }
        break;
    case 4:
        if (TalkEnded(player)) {
            WalkTo(captain, Vec3(28.0f, 0.0f, 78.0f));
            captain->scriptStep = 5;
        }
        break;
    case 5:
        if (Idle(captain)) {
            Face(captain, Vec3(100.0f, 0.0f, 30.0f));
            captain->scriptStep = 6;
        }
        break;
    case 6:
        if (g_LocationDirector.questFlags[2]) {
            g_LocationDirector.questFlags[2] = 0;
            g_PlanetClicksEnabled = 0;
            WalkTo(player, Vec3(35.0f, 0.0f, 63.0f));
            Interface(-1, 0, 0);
            OrbitPlayer();
            Face(captain, Vec3(35.0f, 0.0f, 63.0f));
            captain->scriptStep = 7;
        }
        break;
    case 7:
        if (Idle(player)) {
            OrbitAround(player->position);
            if (craft) {
                WalkTo(craft, Vec3(100.0f, 100.0f, -100.0f));
                craft->scriptStep = 3;
            }
            Place(player, Vec3(0.0f, 0.0f, 0.0f));
            captain->scriptStep = 8;
        }
        break;
    case 8:
        if (!craft || Vec3Length(craft->position - Vec3(32.0f, 0.0f, 60.0f)) > 15.0f) {
            Fade();
            captain->scriptStep = 9;
        }
        break;
    case 9:
        if (!craft || Vec3Length(craft->position - Vec3(32.0f, 0.0f, 60.0f)) > 50.0f) {
            ClearOrbit();
            g_LocationDirector.advanceRequested = 1;
            captain->scriptStep = -1;
        }
        break;
    default:
        break;
    }
}

}  // namespace

}  // namespace PlanetScene

void CUnit::RunPlanetScript(int scriptId, float dt)
{
    using namespace PlanetScene;
    const int location = g_LocationDirector.locationId;
    if (location == 110 && scriptId == GTYPE_NPC_ID0) RunFirstPlanetIntro(this, dt);
    else if (location == 200 && scriptId == GTYPE_NPC_ID0) RunStationIntro(this, dt);
    else if (location == 111 && scriptId == GTYPE_NPC_CAPTAIN_ID0) RunCaptain(this, dt);
    if (location == 111) RunBaseScript(this, scriptId, dt);
    RunInteriorScripts(this, scriptId, dt);
}
