// The end of a won sector's departure, free flight with the hero station's hints, the
// last player left winning a network game, and the mission and finale of sector 12.
#include <cmath>
#include <cstdio>

#include "app/settings.h"
#include "audio/audio_manager.h"
#include "audio/music_player.h"
#include "audio/sound.h"
#include "flight_ui/comm_window.h"
#include "locations/location_director.h"
#include "locations/scripts/space_scenes.h"
#include "menus/end_game.h"
#include "menus/station_menu.h"
#include "net/network.h"
#include "platform/crt/rand.h"
#include "render/camera.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/attached_effect.h"
#include "world/objects/object_codes.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace scenes {

namespace {

constexpr int kHintPeriodMs = 50000;
constexpr int kNetworkCheckMs = 10000;

void MoveHeroGroup(float dz)
{
    MoveBy(g_HeroStation, Vec3(0.0f, 0.0f, dz));
    for (int id : {1001, 1002, 1003}) MoveBy(Cast(id), Vec3(0.0f, 0.0f, dz));
}

bool Alive(const CUnit* u) { return u && u->hull != 0.0f && u->orderType != ACTION_DEAD; }

void Retire(CUnit* u, int line)
{
    if (u) u->radioDialog.MarkLine(line, 1);
}

} // namespace

// ---- the departure, steps 103 and 104 ------------------------------------------------

void RunDeparture(CUnit* self, float dt)
{
    const bool network = g_GameMode == 2;
    const float t = StepSeconds(self);
    if (self->scriptStep == 103) {
        if (t < 10.0f) return;
        if (!network) ShotFromHere(g_HeroStation);
        Stamp(self);
        if (g_LocationDirector.locationId == 1) EndGame(1);
        self->scriptStep = 104;
        return;
    }
    if (self->scriptStep != 104) return;
    if (t < 100.0f) {
        if (!network) {
            // They gather speed: t units a frame at the rate the scene was tuned for.
            MoveHeroGroup(-t * kTunedFps * dt);
            if (CUnit* u = Cast(1003)) u->speed = std::fmin(10.0f * t + 50.0f, 100.0f);
        }
        return;
    }
    self->scale = Vec3(1.0f, 1.0f, 1.0f);
    if (g_Settings.voice) ReleaseVoice();
    self->scriptStep = -1;
}

// ---- free flight ----------------------------------------------------------------------

bool HintWindowOpen(const CUnit* player)
{
    return g_GameClock.NowMs() % kHintPeriodMs < 100 && g_LocationKind == 1 && g_CommMode == 0 &&
           !Camera().cinematicView && player && player->manualControl == 1;
}

int HintTurn(CUnit* player)
{
    CUnit* hero = g_HeroStation;
    if (!hero || !player) return 0;
    const int id = g_LocationDirector.locationId;
    if (id == 12) {
        CUnit* u20 = CObjectList::FindById(20);
        int said = 0;
        if (!u20 || !u20->IsAlive()) {
            g_CommWindow.EndTalk();
            g_CommWindow.Say(hero, 101, 1);
            player->scriptStep = -2;
            said = 101;
        }
        CUnit* u50 = CObjectList::FindById(50);
        if (u50 && u50->scriptStep == 100 && g_CommMode == 0 && g_CommWindow.Say(hero, 102, 1)) said = 102;
        return said;
    }
    if (CObjectList::FindNearestObject(2000.0f, player)) return 0;
    if (g_CommWindow.Say(hero, 101, 1)) return 101;
    if (g_CommWindow.Say(hero, 102, 1)) return 102;
    if ((CObjectList::FindNearestObject(-1.0f, player) || (id >= 9 && id <= 11)) && g_CommWindow.Say(hero, 103, 1))
        return 103;
    if (g_GameMode != 2 && !CObjectList::FindNearestStation(100000.0f, player) && g_CommWindow.Say(hero, 104, 1))
        return 104;
    return 0;
}

void RunFreeFlight(CUnit* self, float)
{
    int said = 0;
    if (HintWindowOpen(self)) said = HintTurn(self);
    if (g_GameMode != 2 || said || self->scriptStep != -1) return;
    if (g_GameClock.NowMs() % kNetworkCheckMs >= 100 || g_LocationKind != 1) return;
    const CNetSession& s = g_Network.session;
    if (s.playerCount != 1 || s.playerIds[0] != s.ownIndex) return;
    g_LocationDirector.missionOver = 1;
    EndGame(1);
    self->scale = Vec3(0.1f, 0.1f, 0.1f);
    const Vec3 axis(-0.25f, 1.0f, 0.0f);
    ShotOffset(g_HeroStation, Vec3(0.0f, -300.0f, -700.0f), -0.15f, 0.0f, &axis);
    self->scriptStep = 200;
}

// ---- sector 12 -----------------------------------------------------------------------

namespace {

enum LaunchKind { LAUNCH_AGAINST, LAUNCH_LATCH };

// An alien ship out of unit 4's gate. It joins the unit list before the bay or a station
// refers to it: a full list destroys it and nothing may keep pointing at it.
void LaunchAlien(CUnit* gate, LaunchKind how, CUnit* goal)
{
    if (!gate || !goal) return;
    char path[128];
    std::snprintf(path, sizeof path, "Data/Space/Ship/UFO-Leaf %02d/Main.obj", 1 + (GameRand() % 41) / 10);
    CUnit* ship = new CUnit();
    if (!ship->Load(path, -1)) {
        DebugOutF("NPC manager: \"%s\" cannot be loaded", path);
        CObjectList::Remove(ship);
        return;
    }
    ship->pilot.Load(ship, "Aliens/Leafs");
    Vec3 points[2];
    gate->GetGunPoints(points);
    ship->position = points[0];
    ship->SetLookAt(points[0], points[1], Vec3(0.0f, 1.0f, 0.0f));
    const float s = 1.0f + (float)(GameRand() % 101) * 0.01f;
    ship->scale = Vec3(s, s, s);
    ship->FinishLoad();
    ship->baseValues[UNIT_BASE_HULL].bonus = s;
    ship->baseValues[UNIT_BASE_ENGINE].bonus = s;
    ship->baseValues[UNIT_BASE_MANOEUVRING].bonus = s * s;
    ship->UpdateParts();

    if (how == LAUNCH_AGAINST) {
        ship->SetOrder(ACTION_GUARD, gate, nullptr, 0);
        ship->PushOrder();
        ship->boundUnit = nullptr;
        ship->SetOrder(ACTION_ATTACK, goal, goal, 0);
        ship->PushOrder();
    } else {
        ship->SetOrder(ACTION_DOCKING, goal, nullptr, 0);
        ship->boundUnit = goal;
        ship->PushOrder();
    }
    if (!CObjectList::Add(ship)) return;

    ship->manualControl = 0;
    ship->collisionFlag = 0;
    ship->SetOrder(ACTION_DOCKING, gate, nullptr, 0);
    ship->orderSubState = -1;
    ship->dockingStage = 0;
    gate->bayUnit = ship;
    gate->bayState = 1;

    if (how == LAUNCH_LATCH) {
        for (int i = 0; i < kMaxLatched; ++i) {
            if (goal->latchedUnits[i]) continue;
            ship->latchPoint = i;
            goal->latchedUnits[i] = ship;
            ++goal->latchedCount;
            break;
        }
    }
}

bool LatchFree(const CUnit* w) { return w && w->ore != 0.0f && w->latchedCount < kMaxLatched; }

bool BayIdle(const CUnit* gate) { return gate && gate->bayState == -1; }

// Unit 20 may call the player: in space under his own control, or docked on the sector map.
bool MayCall(const CUnit* u20)
{
    if (g_CommMode != 0 || !Alive(u20)) return false;
    CUnit* p = PlayerShip();
    if (g_LocationKind == g_WorldIndex)
        return p && p->manualControl == 1 && p->orderType != ACTION_DOCKING;
    return g_LocationKind == 2 && g_StationMenuActive && g_StationMenuPage == 2;
}

template <typename F>
void EachSideOneShip(F f)
{
    const int w = g_WorldIndex;
    for (uint32_t i = 1; i < CObjectList::unitCount[w]; ++i) {
        CUnit* u = CObjectList::units[w][i];
        if (u && u->pilot.side == 1 && u->IsShipKind()) f(u);
    }
}

void HeroGroupHull(float hullMax, float hull)
{
    for (CUnit* u : {g_HeroStation, Cast(1001), Cast(1002), Cast(1003)}) {
        if (!u) continue;
        if (hullMax > 0.0f) u->hullMax = hullMax;
        u->hull = hull;
    }
}

} // namespace

void RunSectorTwelve(CUnit* self, float dt)
{
    CUnit* u20 = CObjectList::FindById(20);
    CUnit* u21 = CObjectList::FindById(21);
    CUnit* gate = CObjectList::FindById(4);
    CUnit* hero = g_HeroStation;
    int& step = self->scriptStep;
    const float t = StepSeconds(self);

    if (step == -1) return;
    if (!Alive(u20)) {
        if (g_LocationKind == 2 && g_World.savedLocationFolder[0])
            g_World.RequestLocationKind(1, g_World.savedLocationFolder);
        EndGame(0);
        if (u20) {
            const Vec3 up(0.0f, 1.0f, 0.0f);
            g_World.cameras[1].SetCinematicMode(u20, Vec3(-3.0f * u20->boundsRadius, 0.0f, 0.0f), 1, &up, 0.5f, 0.0f);
        }
        step = -1;
        return;
    }
    if (step >= 2) {
        for (CUnit* u : {u20, u21})
            if (u) u->hull = std::fmin(u->hull + 100.0f * dt, u->hullMax);
    }
    if (step >= 0 && step <= 9 && gate) gate->hull = gate->hullMax;

    switch (step) {
    case 0:
        for (CUnit* u : {u20, u21}) {
            if (!u) continue;
            u->hullMax = 20000.0f;
            u->hull = 5500.0f;
            u->engineMax = 40.0f;
            u->speed = 20.0f;
        }
        Next(self, 1);
        break;
    case 1:
        if (t < 500.0f) {
            PlaceAt(u20, Vec3(u20->position.x, u20->position.y, 10.0f * t - 5000.0f));
            if (u21) {
                PlaceAt(u21, Vec3(u21->position.x, u21->position.y, 10.0f * t - 5450.0f));
                if (t >= 400.0f) u21->speed = 20.0f - (t - 400.0f) / 5.0f;
            }
            if (t < 350.0f && Every(20000) && BayIdle(gate)) LaunchAlien(gate, LAUNCH_AGAINST, u20);
            if (Every(100000) && g_CommMode == 0) g_CommWindow.Talk(u20, 0);
            break;
        }
        PlaceAt(u20, Vec3(u20->position.x, u20->position.y, 0.0f));
        u20->speed = 0.0f;
        if (u21) {
            PlaceAt(u21, Vec3(u21->position.x, u21->position.y, -450.0f));
            u21->speed = 0.0f;
        }
        Retire(u20, 0);
        Next(self, 2);
        break;
    case 2:
        if (Every(20000) && MayCall(u20) && g_CommWindow.Talk(u20, 0) == 1) Next(self, 3);
        break;
    case 3:
        if (g_CommMode == 0) Next(self, 4);
        break;
    case 4:
        if (Every(25000) && BayIdle(gate)) LaunchAlien(gate, LAUNCH_AGAINST, hero);
        if (Every(20000) && !CObjectList::FindById(10) && !CObjectList::FindById(12) && MayCall(u20) &&
            g_CommWindow.Talk(u20, 8) == 1) {
            Retire(u20, 7);
            Next(self, 5);
        }
        break;
    case 5:
        if (g_CommMode != 0) break;
        if (gate)
            for (CUnit* a : gate->latchedUnits) {
                if (!a) continue;
                a->objectClass = GCLASS_SPACE_SHIP;
                a->ClearOrderStack();
                a->SetOrder(ACTION_ATTACK, hero, hero, 0);
                a->collisionFlag = 1;
            }
        Next(self, 6);
        break;
    case 6: {
        CUnit* w100 = CObjectList::FindById(100);
        CUnit* w102 = CObjectList::FindById(102);
        if (Every(15000) && BayIdle(gate) && (LatchFree(w100) || LatchFree(w102))) {
            const int r = GameRand() % 101;
            CUnit* preferred = r < 50 ? w100 : w102;
            CUnit* other = r < 50 ? w102 : w100;
            LaunchAlien(gate, LAUNCH_LATCH, LatchFree(preferred) ? preferred : other);
        }
        if (Every(20000) && !CObjectList::FindNearestStation(100000.0f, u20) && MayCall(u20) &&
            g_CommWindow.Talk(u20, 19) == 1) {
            g_LocationDirector.questFlags[0] = 1;
            Retire(u20, 18);
            Next(self, 100);
        }
        break;
    }
    case 7: {
        CUnit* player = PlayerShip();
        if (!player || player->manualControl != 1) break;
        player->manualControl = 0;
        player->SetOrder(ACTION_GUARD, u20, nullptr, 0);
        g_AudioManager.musicPlayer.Play("Data/Music/Intro/Sector 12/Outro.wav");
        g_LocationDirector.ShowLocationText(9);
        PlayVoice("Data/Voices/Intro/Sector 12/Outro_Space.wav");
        EachSideOneShip([&](CUnit* u) {
            u->ClearOrderStack();
            u->SetOrder(ACTION_GUARD, u20, nullptr, 0);
        });
        const int w = g_WorldIndex;
        for (uint32_t i = 1; i < CObjectList::unitCount[w]; ++i) {
            CUnit* s = CObjectList::units[w][i];
            if (!s || s->kind != GTYPE_SP_LEAFSTATION) continue;
            for (CUnit*& slot : s->latchedUnits) slot = nullptr;
            s->latchedCount = 0;
        }
        ShotFromHere(u20, 10.0f);
        Next(self, 8);
        break;
    }
    case 8:
        // The ark is far off: the zoom finds it as the camera turns.
        FrameFar(u20, u20->boundsRadius, 0.3f);
        if (t <= 10.0f) break;
        ShotFrom(hero, Vec3(-700.0f, -300.0f, -150.0f), 10.0f);
        Next(self, 9);
        break;
    case 9:
        if (t <= 10.0f) break;
        if (CUnit* u = Cast(1003)) u->engineMax = 100.0f, u->speed = 0.0f;
        Next(self, 10);
        break;
    case 10:
        if (t < 10.0f) {
            if (CUnit* u = Cast(1003)) u->speed = 10.0f * t;
            break;
        }
        ShotOffset(hero, Vec3(1000.0f, 1000.0f, 1000.0f), 0.0f, 15.0f);
        if (CUnit* u = Cast(1003)) u->speed = 100.0f;
        Next(self, 11);
        break;
    case 11: {
        if (hero && hero->position.z > -5000.0f) {
            // 0.5 t a frame at the rate the scene was tuned for, stopping at -5000.
            float d = 0.5f * t * kTunedFps * dt;
            if (hero->position.z - d < -5000.0f) d = hero->position.z + 5000.0f;
            MoveHeroGroup(-d);
            break;
        }
        HeroGroupHull(3000.0f, 1000.0f);
        for (int id : {1001, 1002})
            if (CUnit* u = Cast(id)) u->angularStep.x += dt / 10.0f;
        if (CSound* boom = self->actionSounds[ACTION_DEAD]) {
            boom->SetVolume(100.0f);
            boom->Play(0);
        }
        if (g_Settings.voice) ReleaseVoice();
        Next(self, 12);
        break;
    }
    case 12:
        if (t < 5.0f) {
            if (hero) PlaceAt(hero, Vec3(hero->position.x, hero->position.y, -5000.0f - 40.0f * t));
            if (CUnit* u = Cast(1003)) PlaceAt(u, Vec3(u->position.x, u->position.y, -4550.0f - 40.0f * t));
            HeroGroupHull(0.0f, 1000.0f - 100.0f * t);
            break;
        }
        {
            CCamera& cam = Camera();
            cam.shotUnit = nullptr;
            cam.StartCinematicFlyTo(Vec3(0.0f, 0.0f, -6000.0f), Vec3(-2000.0f, -2000.0f, -2000.0f), 20.0f);
        }
        if (gate) gate->hullMax = 5000.0f, gate->hull = 200.0f;
        g_LocationDirector.missionOver = 1;
        Next(self, 13);
        break;
    case 13:
        if (t < 24.0f) {
            if (t > 10.0f && Alive(hero)) hero->TakeHit(1000.0f, nullptr, hero->position, nullptr);
            if (t > 15.0f && Alive(gate)) gate->TakeHit(1000.0f, nullptr, gate->position, nullptr);
            break;
        }
        Fade(1, 0, 2.0f, 0xFFFFFF);
        Next(self, 14);
        break;
    case 14:
        if (t <= 8.0f) break;
        EachSideOneShip([&](CUnit* u) {
            u->ClearOrderStack();
            u->SetOrder(ACTION_DOCKING, u20, nullptr, 0);
        });
        u20->speed = u20->engineMax / 5.0f;
        if (u21) u21->speed = u20->engineMax / 5.0f;
        ShotOffset(u20, Vec3(-1000.0f, -500.0f, 0.0f), 0.15f);
        Fade(0, 0, 5.0f, 0xFFFFFF);
        for (CUnit* u : {u20, u21}) {
            if (!u) continue;
            for (int i = 0; i < u->effectCount && i < kMaxUnitEffects; ++i) {
                CAttachedEffect* e = u->effects[i];
                if (e && e->kind == GEFFECT_ENGINEFLAME && e->sound) g_AudioManager.ReleaseSound(&e->sound);
            }
        }
        Next(self, 15);
        break;
    case 15:
        if (t <= 5.0f) break;
        EndGame(1);
        self->scriptStep = 16;
        break;
    default:
        break;
    }
}

} // namespace scenes
