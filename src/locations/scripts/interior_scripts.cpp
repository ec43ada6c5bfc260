// The people of the mercenaries' base (111: guards, mercenaries, the landing craft),
// the operator of the second space intro's interior (201), and the life of a docked
// station's interior everywhere else: the operator at the desk, mercenaries coming and
// going through the lift, the technician, the wanderer, the hero's walk to the desk.
#include <cmath>

#include "app/settings.h"
#include "app/winmain.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/cursor.h"
#include "flight_ui/game_interface.h"
#include "locations/location_director.h"
#include "locations/scripts/planet_scene.h"
#include "menus/station_menu.h"
#include "net/network.h"
#include "platform/crt/rand.h"
#include "platform/win/message_box.h"
#include "render/camera.h"
#include "render/d3d_render.h"
#include "render/mesh.h"
#include "render/texture_manager.h"
#include "audio/sound.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/attached_effect.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace PlanetScene {

namespace {

constexpr float kPi = 3.14159265f;

float Dist(const Vec3& a, const Vec3& b) { return Vec3Length(a - b); }

Vec3 Row(const Matrix& m, int r) { return Vec3(m.m[r][0], m.m[r][1], m.m[r][2]); }

bool IsMercenary(const CUnit* u) { return u->kind == GTYPE_NPC_MERCS_ID0 || u->kind == GTYPE_NPC_MERCS_ID1; }

// ---- Location 111: guards 1800 and 1802 ----
struct GuardScene {
    int flag;
    Vec3 g, f;
    int line1, line2;
    Vec3 h;
    int mercKind;
    Vec3 mercAt;
    bool newTexture;
};

const GuardScene kGuards[2] = {
    {0, Vec3(21.5f, 0, 97.5f), Vec3(30, 0, 86), 4, 5, Vec3(32, 0, 88), GTYPE_NPC_MERCS_ID0, Vec3(40, 0, 75), false},
    {1, Vec3(72, 0, 97), Vec3(-5000, 0, -5000), 6, 7, Vec3(62, 0, 88), GTYPE_NPC_MERCS_ID1, Vec3(55, 0, 75), true},
};

void RunGuard(CUnit* guard, const GuardScene& s)
{
    CUnit* player = g_PlayerObject;
    if (!player) return;
    switch (guard->scriptStep) {
    case 0:
        if (g_LocationDirector.questFlags[s.flag] == 1) {
            g_LocationDirector.questFlags[s.flag] = 0;
            Interface(0, 0, -1);
            ClearOrbit();
            WalkTo(player, s.g);
            Face(guard, s.f);
            Fade();
            if (CUnit* captain = CObjectList::FindByType(GTYPE_NPC_CAPTAIN_ID0)) {
                captain->radioDialog.MarkLine(s.line1, 1);
                captain->radioDialog.MarkLine(s.line2, 1);
            }
            guard->scriptStep = 1;
        }
        break;
    case 1:
        if (Idle(player)) {
            guard->orderVector.y = Dist(player->position, s.g) <= 1.0f ? 3.0f : 6.0f;
            guard->scriptStep = 2;
        }
        break;
    case 2:
        if (Wait(guard) > guard->orderVector.y) {
            if (s.newTexture && player->textureCount >= 1.0f) {
                g_D3DRender.ReleaseTexture(player->textureIds[0]);
                player->textureIds[0] = -1;
                player->textureCount -= 1.0f;
                player->AddTexture(0, "Data/Planet/Creatures/Human/Intro 02/Hero/Main02.bmp", 0);
            }
            Place(player, s.g);
            WalkTo(player, s.h);
            OrbitPlayer();
            FadeIn();
            if (CUnit* m = CObjectList::FindByType(s.mercKind)) {
                Place(m, s.mercAt);
                m->SetOrder(ACTION_FOLLOW, player, nullptr, 0);
            }
            guard->scriptStep = 3;
        }
        break;
    case 3:
        if (Idle(player)) {
            Interface(1, 1, -1);
            ClearOrbit();
            guard->scriptStep = -1;
        }
        break;
    default:
        break;
    }
}

// ---- Location 111: the mercenaries met at the base ----
void RunBaseMercenary(CUnit* m)
{
    const Vec3 exit(30.0f, 0.0f, 1.0f);
    switch (m->scriptStep) {
    case 0:
        Place(m, Vec3());
        m->pilot.voicePitch = 100;
        m->scriptStep = 1;
        break;
    case 1:
    case -1:
        if (m->inRadioTalk) m->scriptStep = 2;
        break;
    case 2:
        if (!m->inRadioTalk) {
            WalkTo(m, exit);
            m->scriptStep = 3;
        }
        break;
    case 3:
        if (Idle(m)) {
            if (Dist(m->position, exit) <= 3.0f) Place(m, Vec3());
            m->scriptStep = -1;
        }
        break;
    default:
        break;
    }
}

// ---- Location 111: the landing craft ----
void RunLandingCraft(CUnit* craft, float dt)
{
    switch (craft->scriptStep) {
    case 0:
        Place(craft, Vec3(80.0f, 50.0f, 55.0f), -kPi / 2.0f);
        break;
    case 1:
        craft->PlanetActMove(dt);
        if (Idle(craft)) {
            craft->PlaySoundSlot(6, 0);
            if (CUnit* captain = CObjectList::FindByType(GTYPE_NPC_CAPTAIN_ID0)) {
                WalkTo(captain, Vec3(37.0f, 0.0f, 71.5f));
                captain->scriptStep = 2;
            }
            Camera().StartLetterbox(0, 3.0f);
            craft->targetPoint = craft->position;
            craft->scriptStep = 2;
        }
        break;
    case 2:
        craft->PlanetActStay(dt);
        craft->rotation.y += dt / 50.0f;
        break;
    case 3:
        craft->PlanetActMove(dt);
        if (Idle(craft)) craft->scriptStep = -1;
        break;
    default:
        break;
    }
}

void StartLeaveTaking(CUnit* op, CUnit* player, CAttachedEffect* door, bool mercenariesOut)
{
    g_PlanetClicksEnabled = 0;
    Face(player, Vec3(1000.0f, 0.0f, 40.0f));
    WalkTo(op, Vec3(23.5f, 0.0f, 40.0f));
    Interface(-1, 0, 0);
    OrbitPlayer();
    OpenDoor(door);
    if (mercenariesOut) SendMercenariesOut();
}

// The player's leave after the mercenaries went out through the lift: the lamp blinks until
// they are gone, then the player walks into the lift.
bool WalkOutAfterTheMercenaries(CUnit* op, CUnit* player)
{
    BlinkSignalLamp(op);
    if (!MercenariesAtStep(-1)) return false;
    player->collisionFlag = 0;
    WalkTo(player, Vec3(40.0f, 0.0f, 40.0f));
    return true;
}

// ---- Location 201: the operator of the second space intro ----
void Converse(CUnit* op, CUnit* player, const Vec3& playerSpot, int next)
{
    if (Idle(player) && Dist(player->position, op->position) > 2.5f &&
        Dist(player->targetPoint, playerSpot) > 0.1f)
        WalkTo(player, playerSpot);
    if (Idle(op) && Idle(player)) {
        Interface(1, 1, -1);
        Talk(player, op);
        op->scriptStep = next;
    }
}

void RunIntroOperator(CUnit* op, float)
{
    CUnit* player = g_PlayerObject;
    if (!player) return;
    CUnit* lift = nullptr;
    CAttachedEffect* door = LiftDoor(&lift);
    const int step = op->scriptStep;
    switch (step) {
    case 0:
        op->pilot.voicePitch = 100;
        player->collisionFlag = 0;
        CameraAt(Vec3(4.0f, 30.0f, 40.0f), Vec3(34.0f, 0.0f, 40.0f));
        g_PlanetClicksEnabled = 0;
        OrbitAround(Vec3(34.0f, 0.0f, 40.0f));
        FadeIn();
        Camera().StartLetterbox(1, 0.0f);
        Interface(-1, 0, 0);
        Place(player, Vec3(40.0f, 0.0f, 40.0f));
        OpenDoor(door);
        op->scriptStep = 1;
        break;
    case 1:
        if (DoorOpen(door)) {
            WalkTo(player, Vec3(30.0f, 0.0f, 42.0f));
            op->scriptStep = 2;
        }
        break;
    case 2:
        if (lift && door && Dist(player->position, lift->position) > 4.0f && door->doorState == 1 &&
            door->requestedState == -1) {
            CloseDoor(door);
            Camera().StartLetterbox(0, 3.0f);
        }
        if (Idle(player)) {
            player->collisionFlag = 1;
            Talk(player, op);
            op->scriptStep = 3;
        }
        break;
    case 3:
    case 5:
    case 7:
        if (TalkEnded(player)) {
            Interface(0, 0, -1);
            static const Vec3 opTo[] = {Vec3(25, 0, 43), Vec3(46, 0, 44), Vec3(34, 0, 44)};
            WalkTo(op, opTo[(step - 3) / 2]);
            if (step == 3) WalkTo(player, Vec3(25.0f, 0.0f, 41.5f));
            OrbitPlayer();
            op->scriptStep = step + 1;
        }
        break;
    case 4:
        if (Idle(op) && Idle(player)) {
            Interface(1, 1, -1);
            Talk(player, op);
            op->scriptStep = 5;
        }
        break;
    case 6:
        Converse(op, player, Vec3(46.0f, 0.0f, 42.5f), 7);
        break;
    case 8:
        Converse(op, player, Vec3(35.5f, 0.0f, 43.0f), 9);
        break;
    case 9:
        if (TalkEnded(player)) {
            ClearOrbit();
            WalkTo(op, Vec3(25.0f, 0.0f, 43.0f));
            op->scriptStep = 10;
        }
        break;
    case 10:
        if (Idle(op)) {
            Face(op, Vec3(1000.0f, 0.0f, 43.0f));
            op->scriptStep = 11;
        }
        break;
    case 11:
        // "I'm leaving" at the desk ends the visit as the mission's end does.
        if (g_LocationDirector.missionOver || g_LocationDirector.outDockingRequested) {
            g_LocationDirector.outDockingRequested = 0;
            StartLeaveTaking(op, player, door, true);
            op->scriptStep = 12;
        }
        break;
    case 12:
        if (WalkOutAfterTheMercenaries(op, player)) op->scriptStep = 13;
        break;
    case 13:
        BlinkSignalLamp(op);
        if (Idle(player)) op->scriptStep = 14;
        break;
    case 14:
        LeaveByLift(player, op, door);
        break;
    default:
        break;
    }
}

// ---- The desk operator of a docked station ----
CUnit* ShownStation()
{
    const int saved = g_WorldIndex;
    g_WorldIndex = 1;
    CUnit* ship = CObjectList::FindDockedPlayerShip();
    CUnit* station = nullptr;
    for (uint32_t i = 0; ship && i < CObjectList::unitCount[1] && !station; ++i) {
        CUnit* s = CObjectList::units[1][i];
        if (g_World.IsDockedAt(ship, s)) station = s;
    }
    g_WorldIndex = saved;
    return station;
}

bool CargoStationNear(CUnit* player)
{
    const int saved = g_WorldIndex;
    g_WorldIndex = 1;
    CUnit* s = CObjectList::FindNearestStationTwin(100000.0f, player);
    g_WorldIndex = saved;
    return s != nullptr;
}

bool MercenaryShipOut()
{
    for (uint32_t i = 0; i < CObjectList::unitCount[1]; ++i) {
        const CUnit* u = CObjectList::units[1][i];
        if (u->objectClass == GCLASS_SPACE_SHIP && (u->kind == 20301 || u->kind == 20302)) return true;
    }
    return false;
}

void RetireOrOffer(CUnit* op, bool retire)
{
    for (int n : {6, 7}) {
        if (retire) op->radioDialog.MarkLine(n, 1);
        else op->radioDialog.ResetLineFlags(n);
    }
}


// The mercenaries' ships of sector 12 leave with them: each docked ship whose person is a
// finished mercenary is told to launch in a second.
void LaunchFinishedMercenaries()
{
    if (g_LocationKind != 2) return;
    CUnit* station = ShownStation();
    if (!station) return;
    const int w = g_WorldIndex;
    for (uint32_t i = 0; i < CObjectList::unitCount[w]; ++i) {
        const CUnit* m = CObjectList::units[w][i];
        if (!IsMercenary(m) || m->scriptStep != -1) continue;
        for (int d = 0; d < station->dockedCount && d < kMaxDocked; ++d)
            if (station->dockedUnits[d] && station->slotIds[d].personId == m->pilot.objectId)
                station->dockedUnits[d]->dockTime = 1;
    }
}

void RunDeskOperator(CUnit* op, float)
{
    CUnit* player = g_PlayerObject;
    if (!player) return;
    CAttachedEffect* door = LiftDoor();
    const bool sector12 = g_LocationDirector.locationId == 12;
    switch (op->scriptStep) {
    case 0:
        op->pilot.voicePitch = 100;
        player->collisionFlag = 0;
        CameraAt(Vec3(30.0f, 30.0f, 12.0f), Vec3(30.0f, 0.0f, 42.0f));
        g_PlanetClicksEnabled = 0;
        {
            const Vec3 c(30.0f, 0.0f, 42.0f);
            Camera().SetOrbitAround(1, 50.0f, 0.2f, 1, &c);
        }
        FadeIn();
        Camera().StartLetterbox(0, 0.0f);
        Interface(-1, 0, 0);
        Place(player, Vec3(38.5f, 0.0f, 40.0f));
        if (sector12) {
            if (!g_LocationDirector.questFlags[0]) RetireOrOffer(op, true);
        } else if (CargoStationNear(player)) {
            RetireOrOffer(op, true);
        }
        if (g_LocationDirector.locationStarted) {
            const int w = g_WorldIndex;
            for (uint32_t i = 0; i < CObjectList::unitCount[w]; ++i)
                if (IsMercenary(CObjectList::units[w][i])) CObjectList::units[w][i]->scriptStep = 100;
        } else {
            for (int n : {0, 1, 2}) op->radioDialog.MarkLine(n, 1);
        }
        OpenDoor(door);
        op->scriptStep = 1;
        break;
    case 1:
        if (DoorOpen(door)) {
            WalkTo(player, Vec3(36.5f, 0.0f, 40.0f));
            op->scriptStep = 2;
        }
        break;
    case 2:
        if (Idle(player)) {
            CloseDoor(door);
            if (g_LocationDirector.locationStarted) {
                g_LocationDirector.locationStarted = 0;
                WalkTo(player, Vec3(30.0f, 0.0f, 41.5f));
                op->scriptStep = 4;
            } else {
                WalkTo(player, Vec3(34.0f, 0.0f, 40.0f));
                op->scriptStep = 3;
            }
        }
        break;
    case 3:
        if (Idle(player)) {
            player->collisionFlag = 1;
            Interface(1, 1, 1);
            ClearOrbit();
            op->scriptStep = 5;
        }
        break;
    case 4:
        if (Idle(player)) {
            player->collisionFlag = 1;
            Talk(player, op);
            op->scriptStep = 5;
        }
        break;
    case 5: {
        // The desk checks, in a 100 ms window every 3 s.
        if (uint32_t(g_GameClock.gameTime) % 3000u < 100u) {
            if (sector12) {
                if (g_LocationDirector.questFlags[0]) RetireOrOffer(op, false);
            } else if (g_GameMode == 2) {
                if (g_Network.session.playerCount == 1 && g_Network.session.ownIndex == g_Network.session.playerIds[0]) {
                    BackToSpace();
                    g_LocationDirector.missionOver = 1;
                    op->scriptStep = -1;
                    break;
                }
            } else if (!CargoStationNear(player)) {
                RetireOrOffer(op, false);
            }
        }
        // The operator's alert flag: it has just told the player that mercenaries are still
        // out. A mission-complete answer to that ends the mission anyway; any other ends the
        // warning.
        if (!g_CommMode && !g_LocationDirector.missionOver) op->alertFlag = 0;
        if (g_LocationDirector.missionOver) {
            if (sector12) {
                g_LocationDirector.questFlags[1] = 1;
                op->scriptStep = 8;
            } else if (MercenaryShipOut() && !op->alertFlag) {
                CCamera& c = Camera();
                c.FrameTalk((op->position + player->position) * 0.5f, 0.1f);
                g_DialogBox.StartTalk(op, 7);
                op->alertFlag = 1;
                g_LocationDirector.missionOver = 0;
            } else {
                op->scriptStep = 8;
            }
        } else if (g_LocationDirector.outDockingRequested) {
            g_LocationDirector.outDockingRequested = 0;
            StartLeaveTaking(op, player, door, false);
            op->scriptStep = 6;
        }
        break;
    }
    case 6:
        if (MercenariesAtStep(0)) {
            player->collisionFlag = 0;
            WalkTo(player, Vec3(40.0f, 0.0f, 40.0f));
            OpenDoor(door);
            op->scriptStep = 7;
        }
        break;
    case 7:
        if (Idle(player) && DoorOpen(door)) player->scriptStep = -1;
        LeaveByLift(player, op, door);
        break;
    case 8:
        StartLeaveTaking(op, player, door, true);
        op->scriptStep = 9;
        break;
    case 9:
        if (WalkOutAfterTheMercenaries(op, player)) op->scriptStep = 10;
        break;
    case 10:
        BlinkSignalLamp(op);
        if (sector12 && Idle(op) && Dist(op->position, player->position) > 2.0f &&
            Dist(op->targetPoint, Vec3(40.0f, 0.0f, 40.0f)) > 0.1f) {
            op->collisionFlag = 0;
            WalkTo(op, Vec3(40.0f, 0.0f, 40.0f));
        }
        if (Idle(player)) op->scriptStep = 11;
        break;
    case 11:
        if (!Idle(op)) break;
        if (sector12 && DoorClosed(door) && Idle(player) && (!door || door->doorState == 0)) LaunchFinishedMercenaries();
        LeaveByLift(player, op, door);
        break;
    default:
        break;
    }
}

// ---- Interior mercenaries 2200 and 2201 ----
void WanderStep(CUnit* u)
{
    if (!Idle(u)) return;
    if (u->orderVector.y == 0.0f) {
        u->orderVector.y = float(rand() % 10);
        if (u->orderVector.y == 0.0f) u->orderVector.y = 0.001f;
    } else if (Wait(u) >= u->orderVector.y) {
        u->orderVector.y = 0.0f;
        Vec3 p;
        if (g_World.navGrid.RandomFreePoint(&p)) WalkTo(u, p);
    }
}

void IntoTheLift(CUnit* m, const CUnit* lift)
{
    m->collisionFlag = 0;
    WalkTo(m, lift->position + Vec3(float(rand() % 101) * 0.01f, 0.0f, float(rand() % 101) * 0.01f - 0.5f));
    m->scriptStep = 201;
}

void RunInteriorMercenary(CUnit* m)
{
    CUnit* lift = nullptr;
    CAttachedEffect* door = LiftDoor(&lift);
    switch (m->scriptStep) {
    case 0:
        if (!m->inRadioTalk) WanderStep(m);
        break;
    case 100: {
        const float x = 39.0f + float(rand() % 201) * 0.01f;
        const float z = 40.0f + float(rand() % 301) * 0.01f - 1.5f;
        Place(m, Vec3(x, 0.0f, z));
        Face(m, Vec3(-1000.0f, 0.0f, 40.0f));
        m->collisionFlag = 0;
        m->scriptStep = 101;
        break;
    }
    case 101:
        if (!door || (door->requestedState != 1 && (door->doorState == 0 || door->requestedState == 0))) {
            OpenDoor(door);
            m->scriptStep = 102;
        }
        break;
    case 102:
        if (DoorOpen(door)) {
            WalkTo(m, Vec3(36.5f, 0.0f, 40.0f));
            m->scriptStep = 103;
        }
        break;
    case 103:
        if (Idle(m)) {
            m->collisionFlag = 1;
            m->orderVector.y = 1.0f;
            m->timers[2] = 0;
            CloseDoor(door);
            m->scriptStep = 0;
        }
        break;
    case 200:
        if (!lift) {
            m->scriptStep = -1;  // nowhere to leave by: done
        } else if (Dist(m->position, lift->position) <= 3.0f) {
            IntoTheLift(m, lift);
        } else if (Idle(m)) {
            const Vec3 q = lift->position - Vec3(3.5f, 0.0f, 0.0f);
            if (Dist(m->position, q) > 0.75f) WalkTo(m, q);
            else if (DoorOpen(door)) IntoTheLift(m, lift);
        }
        break;
    case 201:
        if (Idle(m)) m->scriptStep = -1;
        break;
    default:
        break;
    }
}

// ---- Technician 2100 ----
// Without its chair or console the technician stays where it is.
void TechnicianLost(CUnit* t) { t->scriptStep = -1; }

void RunTechnician(CUnit* t)
{
    switch (t->scriptStep) {
    case 0:
        t->scriptStep = rand() % 101 > 50 ? 1 : 4;
        break;
    case 1: {
        CUnit* chair = FindNamed(t, "Кресло оператора", "Object not found!");
        if (!chair) return TechnicianLost(t);
        WalkTo(t, chair->position + Row(chair->worldMatrix, 2) * 0.55f);
        t->scriptStep = 2;
        break;
    }
    case 2:
        if (Idle(t)) {
            CUnit* chair = CObjectList::FindNearestByName(t->position, "Кресло оператора");
            if (!chair) return TechnicianLost(t);
            const Vec3 seat = chair->position + Row(chair->worldMatrix, 2) * 0.55f;
            if (Dist(t->position, seat) <= 0.5f) {
                Place(t, seat);
                Face(t, chair->position + Row(chair->worldMatrix, 2) * 10000.0f);
                Stamp(t);
                t->scriptStep = 3;
            } else {
                t->scriptStep = 4;
            }
        }
        break;
    case 3:
        if (g_GameClock.SecondsSince(t->timers[2]) > 0.5f) {
            if (CUnit* chair = CObjectList::FindNearestByName(t->position, "Кресло оператора")) t->rotation = chair->rotation;
            t->SetOrder(ACTION_GUARD, nullptr, nullptr, 0);
            t->scriptStep = 4;
        }
        break;
    case 4:
        if (Idle(t)) {
            CUnit* console = FindNamed(t, "Пульт тех.управления", "Computer not found!");
            if (!console) return TechnicianLost(t);
            const CMesh* mesh = console->meshCount > 0 ? console->meshes[0] : nullptr;
            const int n = mesh ? mesh->m_PointCount[MESH_POINTS_COCKPIT] : 0;
            if (n <= 0) {
                ReportMissing("Operator place", "Operator place on computer not found!");
                return TechnicianLost(t);
            }
            t->transportEndIds[0] = rand() % n;
            WalkTo(t, Vec3TransformCoord(mesh->m_Points[MESH_POINTS_COCKPIT][t->transportEndIds[0]], console->worldMatrix));
            t->scriptStep = 5;
        }
        break;
    case 5:
        if (Idle(t)) {
            CUnit* console = CObjectList::FindNearestByName(t->position, "Пульт тех.управления");
            const CMesh* mesh = console && console->meshCount > 0 ? console->meshes[0] : nullptr;
            const int i = t->transportEndIds[0];
            if (!mesh || i < 0 || i >= mesh->m_PointCount[MESH_POINTS_COCKPIT]) {
                t->scriptStep = 1;
                break;
            }
            const Vec3 p = Vec3TransformCoord(mesh->m_Points[MESH_POINTS_COCKPIT][i], console->worldMatrix);
            if (Dist(t->position, p) <= 0.5f) {
                Place(t, p);
                t->rotation = console->rotation;
                t->rotation.y += kPi;
                t->SetOrder(ACTION_ATTACK, nullptr, nullptr, 0);
                t->PlaySoundSlot(ACTION_ATTACK, 1);
                t->scriptStep = 6;
            } else {
                t->scriptStep = 1;
            }
        }
        break;
    case 6:
        if (Idle(t)) {
            t->StopLoopSound();
            t->scriptStep = 1;
        }
        break;
    default:
        break;
    }
}

// ---- Wandering person 1900 ----
void RunWanderer(CUnit* u)
{
    if (rand() % 400 == 0 && !u->IsStaySoundPlaying()) u->PlaySoundSlot(ACTION_STAY, 0);
    if (u->IsStaySoundPlaying()) {
        const Vec3 c(u->boundsCentre.x * u->scale2.x, u->boundsCentre.y * u->scale2.y, u->boundsCentre.z * u->scale2.z);
        u->actionSounds[ACTION_STAY]->SetPosition(Vec3TransformCoord(c, u->worldMatrix));
    }
    WanderStep(u);
}

// ---- The hero's walk to the desk and the station menu ----
void RunHeroToDesk(CUnit* hero)
{
    const Vec3 desk(23.3f, 0.0f, 40.0f);
    switch (hero->scriptStep) {
    case 100:
        WalkTo(hero, desk);
        hero->scriptStep = 101;
        break;
    case 101:
        if (!Idle(hero)) break;
        if (Dist(hero->position, desk) > 1.0f) {
            WalkTo(hero, desk);
            break;
        }
        Interface(0, 0, 0);
        Face(hero, Vec3(-1000.0f, 0.0f, 40.0f));
        ClearOrbit();
        Camera().StartFlyTo(Vec3(21.0f, 0.0f, 40.0f), Vec3(31.0f, 10.0f, 40.0f), 1.0f);
        Fade(1.0f);
        hero->scriptStep = 102;
        break;
    case 102:
        if (!Camera().moveActive) {
            CStationMenu::SetActive(1);
            g_PointerEnabled = 1;
            FadeIn(1.0f);
            hero->scriptStep = 103;
        }
        break;
    case 103:
        if (!g_StationMenuActive) {
            WalkTo(hero, Vec3(30.0f, 0.0f, 40.0f));
            CameraAt(Vec3(51.0f, 30.0f, 40.0f), Vec3(21.0f, 0.0f, 40.0f));
            Camera().SetOrbit(1, 50.0f, -0.3f, 1);
            FadeIn(2.0f);
            g_PointerEnabled = 0;
            hero->scriptStep = 104;
        }
        break;
    case 104:
        if (Idle(hero)) {
            ClearOrbit();
            Interface(1, 1, 1);
            hero->scriptStep = -1;
        }
        break;
    default:
        break;
    }
}

}  // namespace

void RunBaseScript(CUnit* u, int scriptId, float dt)
{
    switch (scriptId) {
    case GTYPE_NPC_GUARD_ID0: RunGuard(u, kGuards[0]); break;
    case GTYPE_NPC_GUARD_ID2: RunGuard(u, kGuards[1]); break;
    case GTYPE_NPC_MERCS_ID0:
    case GTYPE_NPC_MERCS_ID1: RunBaseMercenary(u); break;
    case GTYPE_VEHICLE_ONAIR_ID1: RunLandingCraft(u, dt); break;
    default: break;
    }
}

void RunInteriorScripts(CUnit* u, int scriptId, float dt)
{
    const int location = g_LocationDirector.locationId;
    if (location == 201 && scriptId == GTYPE_NPC_BASEKEEPER) RunIntroOperator(u, dt);
    if (location != 200 && location != 201 && scriptId == GTYPE_NPC_BASEKEEPER && g_GameMode >= 0 && g_GameMode <= 2)
        RunDeskOperator(u, dt);
    if (g_LocationKind == 2 && (scriptId == GTYPE_NPC_MERCS_ID0 || scriptId == GTYPE_NPC_MERCS_ID1))
        RunInteriorMercenary(u);
    if (scriptId == 32) RunHeroToDesk(u);
    if (scriptId == GTYPE_NPC_MOVED_ID0) RunWanderer(u);
    if (scriptId == GTYPE_NPC_TECH_ID0) RunTechnician(u);
    // A vehicle at step 0 flies to the point of its last order.
    if ((u->kind == GTYPE_VEHICLE_ONAIR_ID0 || u->kind == GTYPE_VEHICLE_ONAIR_ID1) && u->scriptStep == 0)
        u->PlanetActMove(dt);
}

}  // namespace PlanetScene
