// The game menu's fly-through (location 100) and the two space intros (200 and 201),
// all run by the player's ship.
#include <cmath>
#include <cstdio>

#include "app/settings.h"
#include "audio/audio_manager.h"
#include "audio/music_player.h"
#include "audio/sound.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/radio_menu.h"
#include "locations/location_director.h"
#include "locations/scripts/space_scenes.h"
#include "locations/sector_save.h"
#include "menus/game_menu.h"
#include "platform/crt/rand.h"
#include "render/camera.h"
#include "render/d3d_render.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/attached_effect.h"
#include "world/objects/object_codes.h"
#include "world/objects/unit.h"
#include "world/world.h"
#include "world/space/dock_time.h"

namespace scenes {

namespace {

const Vec3 kMenuCentre(0.0f, 50.0f, 0.0f);
constexpr int kMenuDraws = 16;
constexpr float kStopped = 0.5f;
// Seconds the second intro waits for a mercenary's docking before it goes on without it.
constexpr float kDockingPatience = 90.0f;

bool TalkRuns() { return g_CommMode != 0; }

// A fly of the menu's camera: the shot (if any) ends without leaving the outside view, and
// the camera keeps no followed object so that it rests where the fly ends.
void MenuFly(const Vec3& lookAt, const Vec3& eye, float seconds)
{
    CCamera& c = Camera();
    c.shotUnit = nullptr;
    c.cinematicView = 1;
    c.StartCinematicFlyTo(lookAt, eye, seconds);
    c.target = nullptr;
}

// The last texture the object holds is replaced by another.
void ReplaceLastTexture(CGameObject* object, const char* name)
{
    if (!object) return;
    int last = -1;
    for (int i = 0; i < kMaxObjectTextures; ++i)
        if (object->textureIds[i] != -1) last = i;
    if (last < 0) return;
    g_D3DRender.ReleaseTexture(object->textureIds[last]);
    object->textureIds[last] = -1;
    object->textureCount -= 1.0f;
    object->AddTexture(last, name, object->mipLevels);
}

void ResetSpaceParticles()
{
    g_World.particles[0].Reset();
    g_World.particles[1].Reset();
}

void PlaceCameraAt(CUnit* ship)
{
    CCamera& c = Camera();
    c.SetTarget(ship);
    c.eye = ship->position;
    c.moveStartEye = ship->position;
}

} // namespace

// ---- location 100 -------------------------------------------------------------------

void RunMenuScene(CUnit* self, float)
{
    CCamera& cam = Camera();
    switch (self->scriptStep) {
    case 0:
        self->scale = Vec3(0.001f, 0.001f, 0.001f);
        self->objectClass = GCLASS_SPACE_OBJECT;
        self->orderType = 4;
        self->orderSubState = 4;
        MenuFly(Vec3(0.0f, 50.0f, 1000.0f), kMenuCentre, 0.0f);
        Fade(0);
        Next(self, 1);
        break;
    case 1: {
        // A point whose straight way from here passes no station, ship or asteroid; after
        // a few draws without one the camera stays where it is.
        Vec3 p = cam.eye;
        for (int draw = 0; draw < kMenuDraws; ++draw) {
            const Vec3 q((float)(GameRand() % 10000 - 5000), (float)(GameRand() % 10000 - 5000),
                         (float)(GameRand() % 5000 + 1000));
            if (WayClear(cam.eye, q)) {
                p = q;
                break;
            }
        }
        const float far = 0.01f * Vec3Length(cam.eye - kMenuCentre);
        MenuFly(kMenuCentre, p, 5.0f);
        Next(self, 2);
        Wait(self) = (far < 7.5f ? far : 7.5f) + 5.0f;
        break;
    }
    case 2: {
        // A ship crossing the flight: a new flight from here.
        if (BodyAround(cam.eye)) {
            self->scriptStep = 1;
            break;
        }
        if (StepSeconds(self) <= Wait(self)) break;
        Stamp(self);
        CUnit* near = CObjectList::FindNearestTarget(self, &kMenuCentre);
        const float d = near ? Vec3Length(near->position - kMenuCentre) : 1e9f;
        const Vec3 view = Vec3Normalize(cam.lookAt - cam.eye);
        Vec3 offset = near ? view * (near->boundsRadius * 5.0f) : Vec3();
        // The eye goes round behind the ship, unless its straight way there would pass
        // through the ship: then it stops on the near side. Other bodies keep it off.
        if (near && WayDistance(cam.eye, near->position + offset, near->position) < 2.0f * near->boundsRadius)
            offset = -offset;
        if (near && d < 3000.0f && g_MenuPage != 1 && WayClear(cam.eye, near->position + offset, near) &&
            !BodyAround(near->position + offset, near)) {
            ShotOffset(near, offset, 0.15f, 0.005f * d);
            // One line a shot, every twenty seconds or so: what the menu's background shows.
            DebugOutF("Menu scene: the camera follows object %d of kind %d at speed %.0f", near->pilot.objectId,
                      near->kind, near->speed);
            Wait(self) = 0.01f * d + 5.0f;
            self->scriptStep = 3;
        } else {
            self->scriptStep = 1;
        }
        break;
    }
    case 3: {
        CUnit* followed = cam.shotUnit;
        const bool gone = !followed || !followed->IsAlive() || followed->IsDockingPhase() ||
                          CObjectList::IndexOf(followed) < 0;
        // The shot ends before its orbit or the followed ship takes the eye into a hull.
        if (gone || StepSeconds(self) > Wait(self) || BodyAround(cam.eye, followed)) self->scriptStep = 1;
        break;
    }
    default:
        break;
    }
}

// ---- location 200 -------------------------------------------------------------------

void RunFirstIntro(CUnit* self, float dt)
{
    const Vec3 origin(0.0f, 0.0f, 0.0f);
    switch (self->scriptStep) {
    case 0:
        self->manualControl = 0;
        PlaceAt(self, Vec3(0.0f, -1500.0f, -1500.0f));
        self->SetLookAt(self->position, origin, Vec3(0.0f, 1.0f, 0.0f));
        self->speedPercent = 100.0f;
        self->speed = self->engineMax;
        FlyTo(self, origin, self->engineMax);
        ShotFrom(self, Vec3(20.0f, -890.0f, -910.0f));
        Fade(0);
        g_LocationDirector.ShowLocationText(1);
        PlayVoice("Data/Voices/Intro/Intro 01/Intro_Space.wav");
        Next(self, 1);
        break;
    case 1: {
        // The ship comes from afar: the camera's zoom holds it until it is near.
        FrameFar(self, self->boundsRadius, 0.25f);
        const Vec3 mark(0.0f, -750.0f, -750.0f);
        // A ship that slid past the mark is nearer the origin than the mark itself.
        if (!Within(self, mark, 20.0f) && Vec3Length(self->position) > Vec3Length(mark)) break;
        ShotOffset(self, Vec3(-40.0f, 10.0f, 20.0f), 0.14f, 7.0f);
        if (CUnit* escort = Cast(200)) {
            escort->manoeuvring = 2.0f;
            PlaceAt(escort, self->position + Vec3(400.0f, 800.0f, 100.0f));
            FlyTo(escort, self->position, self->engineMax);
        }
        Next(self, 2);
        break;
    }
    case 2: {
        CUnit* escort = Cast(200);
        if (escort) escort->destination = escort->targetPoint = self->position + Vec3(30.0f, 10.0f, -50.0f);
        if (!Within(self, self->destination, 20.0f)) break;
        ReleaseVoice();
        const Vec3 ahead(0.0f, 0.0f, 500.0f);
        self->SetOrder(ACTION_STAY, &ahead, nullptr, 0);
        self->destination = ahead;
        self->cruiseSpeed = 0.0f;
        Next(self, 3);
        break;
    }
    case 3: {
        CUnit* escort = Cast(200);
        if (!escort) {
            // Without the escort its part of the scene is skipped.
            CameraOff();
            Next(self, 4);
            break;
        }
        const Vec3 goal = self->position + Vec3(20.0f, 10.0f, 60.0f);
        escort->destination = escort->targetPoint = goal;
        const float d = Vec3Length(goal - escort->position);
        const Vec3 local = escort->WorldToLocal(goal);
        const float side = std::sqrt(local.x * local.x + local.y * local.y);
        escort->cruiseSpeed = side > 0.5f * local.z ? 0.0f : 0.5f * d;
        if (d >= 10.0f) break;
        CameraOff();
        FlyTo(escort, self->position - Vec3(0.0f, 40.0f, 0.0f), 0.0f);
        Next(self, 4);
        break;
    }
    case 4: {
        CUnit* escort = Cast(200);
        if (TalkRuns()) break;
        if (!escort) {
            Next(self, 5);
            break;
        }
        if (escort->speed > kStopped) break;
        g_CommWindow.EndTalk();
        g_CommWindow.Talk(escort, 0);
        self->target = escort;
        Next(self, 5);
        break;
    }
    case 5: {
        CUnit* escort = Cast(200);
        if (escort && TalkRuns()) {
            const Vec3 local = escort->WorldToLocal(self->position);
            const float bearing = std::atan2(local.x, local.z);
            if (std::fabs(bearing) > 0.05f && escort->manoeuvring > 0.0f)
                escort->angularStep.y += (bearing > 0.0f ? 0.1f : -0.1f) * dt / escort->manoeuvring;
            break;
        }
        self->target = nullptr;
        g_RadioMenu.ToggleHelp();
        Next(self, 6);
        break;
    }
    case 6: {
        CUnit* escort = Cast(200);
        if (!escort || self->target == escort) Next(self, 7);
        break;
    }
    case 7: {
        if (TalkRuns()) break;
        self->manualControl = 1;
        CUnit* escort = Cast(200);
        CUnit* station = Cast(50);
        if (escort && station) {
            escort->SetOrder(ACTION_DOCKING, station, nullptr, 0);
            escort->dockTime = kStaysDocked;
        }
        Next(self, 8);
        break;
    }
    case 8: {
        CUnit* escort = Cast(200);
        if (!escort) {
            self->scriptStep = -1;
            break;
        }
        if (!escort->IsDockingPhase()) break;
        g_CommWindow.EndTalk();
        g_CommWindow.Talk(escort, 13);
        self->scriptStep = -1;
        break;
    }
    case 100:
        ResetSpaceParticles();
        PlaceCameraAt(self);
        // Back into the bay, which launches the ship: its controls come back once it is
        // clear of the gate, and step 101 waits for exactly that.
        if (CObjectList::FindDockedPlayerShip() == self) {
            if (CObjectList::IndexOf(self) >= 0) CObjectList::Detach(self);
            CObjectList::FindDockedPlayerShipFlag();
        } else {
            self->manualControl = 1;  // not held by a bay: nothing to wait for
        }
        ReplaceLastTexture(self, "Data/Space/Ship/Pegas.M1/Main.bmp");
        ReplaceLastTexture(self->FindCockpit(), "Data/Space/Ship/Pegas.M1/Main.bmp");
        LoadVoice("Data/Voices/Intro/Intro 01/Outro_Space.wav");
        Next(self, 101);
        break;
    case 101:
        if (self->manualControl != 1) break;
        self->manualControl = 0;
        self->speedPercent = 100.0f;
        FlyTo(self, origin, self->engineMax);
        // The camera was placed at the ship in the bay: the move starts outside the hull.
        LiftEyeOut(self);
        ShotOffset(self, Vec3(10.0f, 30.0f, 0.0f), 0.0f, 15.0f);
        if (g_WorldIndex == 1) g_LocationDirector.ShowLocationText(2);
        PlaySceneVoice();
        Next(self, 102);
        break;
    case 102:
        if (CUnit* station = Cast(50))
            if (CAttachedEffect* door = station->FindGateDoor()) door->SetSoundState(1);
        self->destination = self->targetPoint = origin;
        if (!Within(self, origin, 1300.0f)) break;
        ReleaseVoice();
        Fade(1);
        Next(self, 103);
        break;
    case 103:
        if (!Within(self, origin, 1000.0f)) break;
        g_LocationDirector.advanceRequested = 1;
        self->scriptStep = -1;
        break;
    default:
        break;
    }
}

// ---- location 201 -------------------------------------------------------------------

namespace {

void JoinWingman(CUnit* self, CUnit* m, int kind, const Vec3& offset)
{
    if (!m) return;
    m->kind = kind;
    PlaceAt(m, self->position + offset);
    m->SetLookAt(m->position, Vec3(0.0f, 0.0f, 0.0f), Vec3(0.0f, 1.0f, 0.0f));
    m->manoeuvring = self->manoeuvring;
    m->speed = m->engineMax = m->cruiseSpeed = self->engineMax;
    m->speedPercent = 100.0f;
    FlyTo(m, offset, self->engineMax);
    m->pilot.skill2 = 1.0f;
}

void ReloadPilot(CUnit* m, float skill, float skill2, CUnit* station)
{
    if (!m) return;
    char folder[256];
    std::snprintf(folder, sizeof folder, "%s", m->pilot.folder);
    m->pilot.Load(m, folder);
    CPilotName::Reset(m->pilot);
    m->pilot.skill = skill;
    m->pilot.skill2 = skill2;
    m->manoeuvring = m->baseValues[UNIT_BASE_MANOEUVRING].value + m->baseValues[UNIT_BASE_MANOEUVRING].bonus;
    m->engineMax = m->baseValues[UNIT_BASE_ENGINE].value + m->baseValues[UNIT_BASE_ENGINE].bonus;
    m->speed = 0.0f;
    if (station) {
        Vec3 points[2];
        station->GetGunPoints(points);
        m->SetLookAt(m->position, points[0], Vec3(0.0f, 1.0f, 0.0f));
    }
}

void DockForGood(CUnit* m, CUnit* station)
{
    if (!m || !station) return;
    m->SetOrder(ACTION_DOCKING, station, nullptr, 0);
    m->dockTime = kStaysDocked;
    m->orderSubState = 2;
}

// The hero station and its three companions each move along z.
void MoveHeroGroup(float dz)
{
    MoveBy(g_HeroStation, Vec3(0.0f, 0.0f, dz));
    for (int id : {1001, 1002, 1003}) MoveBy(Cast(id), Vec3(0.0f, 0.0f, dz));
}

} // namespace

void RunSecondIntro(CUnit* self, float dt)
{
    const Vec3 up(0.0f, 1.0f, 0.0f);
    CUnit* station = g_HeroStation;
    const float t = StepSeconds(self);
    // The three ships come from afar: the camera's zoom holds them until they are near, on
    // the way in and while the shots of the flight to the station close in on them.
    if (self->scriptStep == 1 || self->scriptStep == 2 || self->scriptStep == 6 || self->scriptStep == 7)
        FrameFar(self, GroupRadius(self, {self, Cast(101), Cast(102)}), 0.7f);
    switch (self->scriptStep) {
    case 0:
        self->manualControl = 0;
        PlaceAt(self, Vec3(4900.0f, -4900.0f, 4900.0f));
        self->SetLookAt(self->position, Vec3(0.0f, 0.0f, 0.0f), up);
        self->speedPercent = 100.0f;
        self->speed = self->cruiseSpeed = self->engineMax;
        FlyTo(self, Vec3(0.0f, 0.0f, 0.0f), self->engineMax);
        ShotFrom(self, Vec3(3900.0f, -3900.0f, 4000.0f));
        Fade(0);
        g_AudioManager.musicPlayer.Play("Data/Music/Intro/Intro 02/Intro.wav");
        g_LocationDirector.ShowLocationText(3);
        PlayVoice("Data/Voices/Intro/Intro 02/Intro_Space.wav");
        if (station) station->ore = 10.0f;
        JoinWingman(self, Cast(101), GTYPE_SP_NPCSHIP_MERCS_CARGO, Vec3(30.0f, 30.0f, -30.0f));
        JoinWingman(self, Cast(102), GTYPE_SP_NPCSHIP_MERCS_FIGHTER, Vec3(-30.0f, -30.0f, 30.0f));
        Next(self, 1);
        break;
    case 1:
        if (!Within(self, Vec3(3850.0f, -3850.0f, 3850.0f), 20.0f) &&
            Vec3Length(self->position) > Vec3Length(Vec3(3850.0f, -3850.0f, 3850.0f)))
            break;
        ReleaseVoice();
        Fade(1);
        Next(self, 2);
        break;
    case 2: {
        const Vec3 mark(3700.0f, -3700.0f, 3700.0f);
        if (!Within(self, mark, 20.0f) && Vec3Length(self->position) > Vec3Length(mark)) break;
        FlyTo(self, Vec3(1000.0f, -300.0f, -300.0f), self->engineMax);
        if (CUnit* m = Cast(101)) FlyTo(m, Vec3(1030.0f, -270.0f, -330.0f), m->engineMax);
        if (CUnit* m = Cast(102)) FlyTo(m, Vec3(970.0f, -330.0f, -270.0f), m->engineMax);
        Fade(0);
        const Vec3 axis = Vec3Normalize(Vec3(1.0f, 1.0f, 1.0f));
        ShotOffset(station, Vec3(1000.0f, -1000.0f, 1000.0f), 0.1f, 0.0f, &axis);
        Next(self, 3);
        break;
    }
    case 3:
        if (t < 27.0f) break;
        ShotOffset(station, Vec3(600.0f, -150.0f, 0.0f), 0.1f);
        Next(self, 4);
        break;
    case 4:
        if (t < 17.0f) break;
        Camera().eye = Vec3(-450.0f, -50.0f, 700.0f);
        ShotOffset(station, Vec3(200.0f, 700.0f, -1000.0f), 0.0f, 15.0f);
        Next(self, 5);
        break;
    case 5:
        // The eye reaches its point at the end of the 15-s move.
        if (Vec3Length(Camera().eye - ((station ? station->position : Vec3()) + Vec3(200.0f, 700.0f, -1000.0f))) >= 10.0f &&
            t < 15.5f)
            break;
        ShotOffset(self, Vec3(-70.0f, -20.0f, 40.0f), 0.15f, 15.0f);
        Next(self, 6);
        break;
    case 6:
        if (!Within(self, Vec3(1000.0f, -300.0f, -300.0f), 20.0f)) break;
        Camera().eye = Vec3(-200.0f, -200.0f, -2000.0f);
        Camera().lookAt = self->position;
        ShotOffset(self, Vec3(70.0f, 20.0f, -70.0f), 0.05f, 10.0f);
        FlyTo(self, Vec3(85.0f, -10.0f, -740.0f), self->engineMax);
        if (CUnit* m = Cast(101)) FlyTo(m, Vec3(85.0f, -20.0f, -670.0f), m->engineMax);
        if (CUnit* m = Cast(102)) FlyTo(m, Vec3(55.0f, -10.0f, -670.0f), m->engineMax);
        Next(self, 7);
        break;
    case 7:
        if (!Within(self, Vec3(85.0f, -10.0f, -740.0f), 20.0f)) break;
        for (CUnit* u : {self, Cast(101), Cast(102)}) {
            if (!u) continue;
            u->destination = u->targetPoint = Vec3(0.0f, 0.0f, 0.0f);
            u->cruiseSpeed = 0.0f;
        }
        Next(self, 8);
        break;
    case 8: {
        if (self->speed > kStopped) break;
        CameraOff();
        self->SetOrder(ACTION_STAY, &self->position, nullptr, 0);
        ReloadPilot(Cast(101), 0.3f, 0.1f, station);
        ReloadPilot(Cast(102), 0.1f, 0.3f, station);
        if (CUnit* m = Cast(102)) g_CommWindow.Talk(m, 0);
        Next(self, 9);
        break;
    }
    case 9:
        if (TalkRuns()) break;
        DockForGood(Cast(102), station);
        Next(self, 10);
        break;
    case 10: {
        CUnit* m = Cast(102);
        // A ship that never gets under way (its docking refused) does not hold the scene.
        if (m && m->speed <= 15.0f && CObjectList::IndexOf(m) >= 0 && t < kDockingPatience) break;
        if (CUnit* w = Cast(101)) g_CommWindow.Talk(w, 0);
        Next(self, 11);
        break;
    }
    case 11: {
        if (TalkRuns()) break;
        CUnit* m = Cast(101);
        DockForGood(m, station);
        if (m) ShotFrom(m, m->position + Vec3(-20.0f, 10.0f, 300.0f));
        Next(self, 12);
        break;
    }
    case 12: {
        CUnit* m = Cast(101);
        if (m && m->dockingStage != 2 && CObjectList::IndexOf(m) >= 0 && t < kDockingPatience) break;
        ShotFrom(self, self->position + Vec3(-30.0f, 20.0f, 0.0f), 15.0f);
        Next(self, 13);
        break;
    }
    case 13:
        if (t < 15.0f) break;
        CameraOff();
        if (station) g_CommWindow.Talk(station, 0);
        self->manualControl = 1;
        Next(self, 14);
        break;
    case 14:
        if (g_CommWindow.state != 0 || TalkRuns()) break;
        g_RadioMenu.ToggleHelp();
        self->scriptStep = -1;
        break;
    // The departure after the station's interior.
    case 100: {
        ResetSpaceParticles();
        PlaceCameraAt(self);
        self->scale = Vec3(0.1f, 0.1f, 0.1f);
        const Vec3 axis = Vec3Normalize(Vec3(1.0f, 1.0f, 0.0f));
        ShotOffset(station, Vec3(-300.0f, 700.0f, -300.0f), -0.05f, 0.0f, &axis);
        g_AudioManager.musicPlayer.Play("Data/Music/Intro/Intro 02/Outro.wav");
        g_LocationDirector.ShowLocationText(4);
        PlayVoice("Data/Voices/Intro/Intro 02/Outro_Space.wav");
        Next(self, 101);
        break;
    }
    case 101:
        if (t < 15.0f) break;
        ShotOffset(station, Vec3(0.0f, -300.0f, 1000.0f), 0.05f);
        if (CUnit* u = Cast(1003)) u->engineMax = 100.0f, u->speed = 0.0f;
        Next(self, 102);
        break;
    case 102:
        if (t < 5.0f) break;
        if (CUnit* u = Cast(1003)) {
            if (CSound* s = u->actionSounds[ACTION_MOVE]) s->SetMinMaxDistance(250.0f, 3000.0f);
            u->PlaySoundSlot(ACTION_MOVE, 1);
        }
        Next(self, 103);
        break;
    case 103:
        if (t < 10.0f) {
            if (CUnit* u = Cast(1003)) u->speed = std::fmin(10.0f * t, 50.0f);
            break;
        }
        Camera().eye = Vec3(1000.0f, -500.0f, -500.0f);
        ShotOffset(station, Vec3(-1000.0f, 1000.0f, -2000.0f), 0.0f, 30.0f);
        Next(self, 104);
        break;
    case 104:
        if (t < 15.0f) break;
        if (CUnit* u = Cast(11)) {
            u->MorphVertices(0.0f);
            u->currentFrame = 2;
        }
        Next(self, 105);
        break;
    case 105:
        if (t < 30.0f) {
            if (CUnit* u = Cast(11)) u->MorphVertices(std::fmin(3.33333f * t, 100.0f));
            break;
        }
        if (CUnit* u = Cast(11)) u->MorphVertices(100.0f);
        Next(self, 106);
        break;
    case 106:
        if (t < 5.0f) break;
        ShotFromHere(station);
        if (CUnit* u = Cast(1003)) u->speed = 100.0f;
        Next(self, 107);
        break;
    case 107:
        if (t < 20.0f) {
            // The group gathers speed: t units a frame at the rate the scene was tuned for.
            MoveHeroGroup(-t * kTunedFps * dt);
            // The zoom follows the station out until the picture fades.
            if (station) FrameFar(station, station->boundsRadius, 0.2f);
            if (t >= 16.0f && t < 17.0f && Camera().fadeMode != 1) Fade(1);
            break;
        }
        self->scale = Vec3(1.0f, 1.0f, 1.0f);
        if (CObjectList::IndexOf(self) >= 0) CObjectList::Detach(self);
        WriteSectorSave(1);
        g_LocationDirector.advanceRequested = 1;
        ReleaseVoice();
        self->scriptStep = -1;
        break;
    default:
        break;
    }
}

} // namespace scenes
