// The planet world's step of a unit: people walk grid routes, idle, guard, work, fall
// and follow others to talk; vehicles drive; scenery sways and animates; explosions
// grow and fade. Animation is frame-based over the first mesh's sub-meshes.
#include <cmath>

#include "app/settings.h"
#include "audio/sound.h"
#include "flight_ui/game_interface.h"
#include "locations/location_director.h"
#include "platform/crt/rand.h"
#include "render/camera.h"
#include "render/mesh.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/attached_effect.h"
#include "world/objects/effect_object.h"
#include "world/objects/item.h"
#include "world/objects/unit.h"
#include "world/planet/nav_grid.h"
#include "world/world.h"

namespace {

constexpr float kTwoPi = 6.28318530718f;
// How fast a person turns towards where it goes (radians a second).
constexpr float kTurnRate = 6.0f;

Vec3 Row(const Matrix& m, int r) { return Vec3(m.m[r][0], m.m[r][1], m.m[r][2]); }

float Now() { return float(g_GameClock.gameTime); }

float SecondsSince(uint32_t stamp) { return float((g_GameClock.gameTime - double(stamp)) * 0.001); }

int Rand(int n) { return n > 0 ? rand() % n : 0; }

float HorizontalDistance(const Vec3& a, const Vec3& b)
{
    const float dx = a.x - b.x, dz = a.z - b.z;
    return std::sqrt(dx * dx + dz * dz);
}

int SubMeshCount(const CUnit& u)
{
    return u.meshCount > 0 && u.meshes[0] ? int(u.meshes[0]->m_SubMeshCount) : 0;
}

// An action's frame range of the first mesh, kept inside the frames the mesh has.
void ActionRange(const CUnit& u, int action, int* first, int* last)
{
    *first = *last = 0;
    const int n = SubMeshCount(u);
    if (n <= 0 || action < 0 || action >= MESH_ACTION_COUNT) return;
    int f = u.meshes[0]->m_ActionFrames[action][0];
    int l = u.meshes[0]->m_ActionFrames[action][1];
    f = f < 0 ? 0 : (f >= n ? n - 1 : f);
    l = l < f ? f : (l >= n ? n - 1 : l);
    *first = f, *last = l;
}

void ShowFrame(CUnit& u, float counter)
{
    u.frameCounter = counter;
    int frame = int(std::lround(counter));
    const int n = SubMeshCount(u);
    if (frame >= n) frame = n - 1;
    u.currentFrame = unsigned(frame < 0 ? 0 : frame);
}

// A pending wait (seconds in the order vector's second component) holds an animation
// until it has run out since the second timer; true while it holds.
bool WaitHolds(CUnit& u)
{
    if (u.orderVector.y <= 0.0f) return false;
    if (SecondsSince(u.timers[1]) < u.orderVector.y) return true;
    u.orderVector.y = 0.0f;
    return false;
}

void StartWait(CUnit& u, float seconds)
{
    u.orderVector.y = seconds;
    u.timers[1] = g_GameClock.NowMs();
}

// Plays the action's frames back and forth; at either end the direction turns and the
// end callback may start a wait. Returns +1 at the last frame going forward, -1 at the
// first going backward, 0 otherwise.
int PingPong(CUnit& u, int action, float step)
{
    int first, last;
    ActionRange(u, action, &first, &last);
    float c = u.frameCounter;
    if (c < float(first)) c = float(first);
    if (c > float(last) + 0.5f) c = float(last) + 0.5f;
    c += step * float(u.animDirection >= 0 ? 1 : -1);
    int turned = 0;
    if (u.animDirection >= 0 && c >= float(last) + 0.5f) {
        c = float(last) + 0.5f;
        u.animDirection = -1;
        turned = 1;
    } else if (u.animDirection < 0 && c <= float(first)) {
        c = float(first);
        u.animDirection = 1;
        turned = -1;
    }
    ShowFrame(u, c);
    return turned;
}

// Loops the action's frames forward from first to last.
void LoopFrames(CUnit& u, int action, float step)
{
    int first, last;
    ActionRange(u, action, &first, &last);
    float c = u.frameCounter;
    if (c < float(first)) c = float(first);
    c += step;
    const float span = float(last - first + 1);
    while (c >= float(last) + 1.0f && span > 0.0f) c -= span;
    if (c > float(last)) c = float(last);
    ShowFrame(u, c);
}

// Idle sway of trees and grass while their order is 0.
void IdleSway(CUnit& u, float dt, bool grass)
{
    if (WaitHolds(u)) return;
    int first, last;
    ActionRange(u, ACTION_STAY, &first, &last);
    float c = u.frameCounter;
    if (c < float(first)) c = float(first);
    c += u.speed * dt * float(Rand(101)) * 0.01f * float(u.animDirection >= 0 ? 1 : -1);
    if (u.animDirection >= 0 && c >= float(last) + 0.5f) {
        c = float(last) + 0.5f;
        u.animDirection = -1;
        if (!grass) StartWait(u, float(Rand(10)) * 0.1f);
    } else if (u.animDirection < 0 && c <= float(first)) {
        c = float(first);
        u.animDirection = 1;
        if (!grass) StartWait(u, float(Rand(10)) * 0.1f);
    }
    if (grass) {
        if (Rand(101) == 100) u.animDirection = -1;
        if (Rand(101) == 100) u.animDirection = 1;
    }
    ShowFrame(u, c);
}

void AnimateStatic(CUnit& u, float dt)
{
    const int n = SubMeshCount(u);
    if (n >= 2) {
        float c = u.frameCounter + u.speed * dt;
        if (c >= float(n)) c = 0.0f;
        ShowFrame(u, c);
    }
    if (u.textureCount > 1.0f) {
        u.currentTexture += u.speed * dt;
        if (u.currentTexture >= u.textureCount - 1.0f) u.currentTexture = 0.0f;
    }
    CSound* s = u.actionSounds[ACTION_STAY];
    if (s && !s->IsPlaying()) u.PlaySoundSlot(ACTION_STAY, 1);
}


// A planet explosion grows, fades and waits for its sound, then is removed.
void UpdatePlanetExplosion(CUnit& u, float dt)
{
    CCamera& cam = g_World.Camera();
    UnitBaseValue& life = u.baseValues[UNIT_BASE_SHOT];
    if (u.orderSubState == 0) {
        if (CSound* s = u.actionSounds[ACTION_DEAD]) {
            s->SetPosition(u.position);
            s->SetVolume(100.0f);
            if (!s->IsPlaying()) s->Play(0);
        }
        u.SetLookAt(u.position, cam.eye, Vec3(0.0f, 1.0f, 0.0f));
        const float grow = u.speed * dt;
        u.scale = u.scale + Vec3(grow, grow, grow);
        u.speed = u.speed / (dt * 5.0f + 1.0f);
        u.angularStep = u.spinRates * dt;
        life.bonus -= dt;
        if (life.bonus <= 0.0f) {
            u.scale = Vec3();
            u.orderSubState = 1;
        }
        const float total = life.value;
        const float remaining = life.bonus > 0.0f ? life.bonus : 0.0f;
        if (u.textureCount > 1.0f) {
            float f = total > 0.0f ? u.textureCount * (total - remaining) / total : 0.0f;
            if (f > u.textureCount - 1.0f) f = u.textureCount - 1.0f;
            u.currentTexture = f;
        } else if (total > 0.0f && remaining < total * 0.5f) {
            const long level = std::lround(remaining * 510.0f / total);
            const unsigned g = unsigned(level < 0 ? 0 : (level > 255 ? 255 : level));
            u.vertexColour = 0xFF000000u | (g << 16) | (g << 8) | g;
            u.colourChanged = 1;
        } else if (u.textureCount < 2.0f) {
            u.vertexColour = 0xFFFFFFFFu;
        }
        if (Vec3LengthSq(u.spinState) > 0.0f) u.position += Vec3Normalize(u.spinState) * u.engineMax * dt;
    } else if (u.orderSubState == 1) {
        CSound* s = u.actionSounds[ACTION_DEAD];
        if (!s || !s->IsPlaying()) {
            u.orderSubState = 2;
            u.hull = 0.0f;
        }
    }
    const Vec3 toEye = cam.eye - u.position;
    const float len = Vec3Length(toEye);
    u.drawPosition = len > 0.0f ? u.position + toEye * (0.2f / len) : u.position;
    u.worldMatrix.m[3][0] = u.position.x, u.worldMatrix.m[3][1] = u.position.y, u.worldMatrix.m[3][2] = u.position.z;
    u.drawMatrix = u.worldMatrix;
    u.drawMatrix.m[3][0] = u.drawPosition.x, u.drawMatrix.m[3][1] = u.drawPosition.y, u.drawMatrix.m[3][2] = u.drawPosition.z;
}

}  // namespace

void CUnit::DirectionToAimPoint(float dt)
{
    const float dx = destination.x - position.x, dz = destination.z - position.z;
    if (dx * dx + dz * dz < 1e-8f) return;
    const float want = std::atan2(dx, dz);
    float diff = want - rotation.y;
    diff = std::remainder(diff, kTwoPi);
    const float step = kTurnRate * dt;
    rotation.y += diff > step ? step : (diff < -step ? -step : diff);
    rotation.y = std::remainder(rotation.y, kTwoPi);
}

CUnit* CUnit::ComputeViewBounds()
{
    if (!collisionFlag || meshCount <= 0 || !meshes[0]) return nullptr;
    const CMesh* mesh = meshes[0];
    const float halfHeight = (mesh->m_BoundMax.y - mesh->m_BoundMin.y) * 0.5f;
    const Vec3 forward = Row(worldMatrix, 2);
    const float reach = Vec3Length(spinState);
    CUnit* met = nullptr;
    Vec3 metAt;
    // Nine probes: from the body's middle at each box point's height, out past the box
    // point by this frame's move.
    for (int i = 0; i < kBoxPointCount; ++i) {
        Vec3 p = boxPoints[i];
        p.y -= halfHeight;
        const Vec3 end = Vec3TransformCoord(p, worldMatrix) + forward * reach;
        Vec3 start = position;
        start.y = end.y;
        Vec3 hit;
        CUnit* u = g_World.SegmentHitTest(start, end, 0, &hit, nullptr, this, nullptr);
        if (u && u->objectClass != GCLASS_SPACE_SKY) {
            met = u;
            metAt = u->position;
            break;
        }
    }
    if (!met) return nullptr;
    const Vec3 local = WorldToLocal(metAt);
    if (local.z <= 0.0f) return met;  // behind: nothing to step round
    // Look at the destination, then step to the side away from the obstacle.
    SetLookAt(position, Vec3(destination.x, position.y, destination.z), Vec3(0.0f, 1.0f, 0.0f));
    const Vec3 right = Row(worldMatrix, 0);
    const float side = local.x >= 0.0f ? -1.0f : 1.0f;
    spinState = right * (side * Vec3Length(spinState));
    if (std::fabs(local.x) >= 0.25f) rotation.y += side * local.z / 5.0f * 0.1f;
    return met;
}

void CUnit::PlanetActStay(float dt)
{
    if (HorizontalDistance(destination, position) > 0.25f) {
        const Vec3 l = WorldToLocal(destination);
        const float d = HorizontalDistance(destination, position);
        if (l.z > 0.0f && d / 5.0f > std::fabs(l.x)) {
            destination = position;  // already facing it
        } else {
            DirectionToAimPoint(dt);
            LoopFrames(*this, ACTION_MOVE, dt * 4.0f * engineMax);
        }
        return;
    }
    if (WaitHolds(*this)) return;
    if (PingPong(*this, ACTION_STAY, dt * 4.0f * engineMax) != 0) StartWait(*this, float(Rand(20)) * 0.1f + 0.1f);
}

void CUnit::PlanetActMove(float dt)
{
    const bool rider = objectClass == GCLASS_OBJECT_FLY || objectClass == GCLASS_SPACE_SHIP;
    if (HorizontalDistance(destination, position) < 0.25f) {
        if (waypoints && waypoints->x == destination.x && waypoints->z == destination.z) {
            CWaypoint* head = waypoints;
            waypoints = head->next;
            delete head;
        }
        if (!waypoints) {
            if (orderType == ACTION_FOLLOW) {
                ShowFrame(*this, 0.0f);
                return;
            }
            if (objectClass == GCLASS_SPACE_SHIP)
                SetOrder(ACTION_STAY, nullptr, nullptr, 0);
            else
                PopOrder();
            return;
        }
        destination = Vec3(waypoints->x, waypoints->y, waypoints->z);
    }

    DirectionToAimPoint(dt);
    int first, last;
    ActionRange(*this, ACTION_MOVE, &first, &last);
    LoopFrames(*this, ACTION_MOVE, dt * 8.0f * engineMax);

    if (rider) {
        const Vec3 toDest = destination - position;
        const float dist = Vec3Length(toDest);
        const Vec3 n = dist > 0.0f ? Vec3Normalize(WorldToLocal(destination)) : Vec3();
        float allowed = n.z > 0.0f ? 10.0f - std::fabs(n.x) * 10.0f : 0.0f;
        if (dist < 10.0f) allowed *= dist / 10.0f;
        if (speed < allowed) speed += dt * 2.0f;
        if (speed > engineMax) speed = engineMax;
        if (speed < 0.0f) speed = 0.0f;
        if (speed > allowed) speed = allowed;
        if (dist > 0.0f) position += toDest * (1.0f / dist) * dt * speed;
        return;
    }

    // Footsteps on two frames of the stride.
    const int step1 = int(std::lround(float(first) + float(last - first) * 0.25f));
    const int step2 = int(std::lround(float(first) + float(last - first) / 1.3f));
    if (int(currentFrame) == step1 || int(currentFrame) == step2) PlaySoundSlot(ACTION_MOVE, 0);

    if (SecondsSince(timers[3]) >= 0.5f) {
        timers[3] = g_GameClock.NowMs();
        ClearWaypoints();
        waypoints = g_World.navGrid.FindPath(this, targetPoint);
        destination = position;
    }

    const Vec3 forward = Row(worldMatrix, 2);
    spinState = forward;
    if (CUnit* met = ComputeViewBounds()) {
        if (HorizontalDistance(met->position, destination) < 1.0f && met->orderType == ACTION_STAY) {
            destination = targetPoint = position;
            ClearWaypoints();
        }
    }

    float v = engineMax;
    if (HorizontalDistance(destination, position) < 1.0f) {
        const Vec3 l = WorldToLocal(destination);
        if (l.z < 0.0f)
            v = 0.0f;
        else if (l.z < std::fabs(l.x))
            v = engineMax * l.z / std::fabs(l.x);
    }
    spinState = Row(worldMatrix, 2) * (dt * v);
    position += spinState;
}

void CUnit::PlanetActGuard(float dt)
{
    if (WaitHolds(*this)) return;
    const int turned = PingPong(*this, ACTION_GUARD, dt * 4.0f * engineMax);
    if (turned > 0) {
        StartWait(*this, kind == 2100 ? float(Rand(16) + 5) : 1.0f);
    } else if (turned < 0) {
        SetOrder(ACTION_STAY, nullptr, nullptr, 0);
    }
}

void CUnit::PlanetActAttack(float dt)
{
    if (kind == 2100) {
        if (orderVector.y <= 0.0f) StartWait(*this, float(Rand(30)) * 0.1f + 0.5f);
        if (!WaitHolds(*this)) {
            SetOrder(ACTION_STAY, nullptr, nullptr, 0);
            return;
        }
        LoopFrames(*this, ACTION_ATTACK, dt * 5.0f * engineMax);
        return;
    }
    if (g_LocationDirector.locationId != 110) return;
    if (orderVector.y > 0.0f) {
        if (animDirection == -1 && derivedPaths[DERIVED_SPARK_1][0] && meshCount > 0 && meshes[0] &&
            meshes[0]->m_PointCount[MESH_POINTS_COCKPIT] > 0 && SecondsSince(timers[4]) >= smokeInterval) {
            timers[4] = g_GameClock.NowMs();
            smokeInterval = float(Rand(70)) * 0.01f + 0.1f;
            if (CObjectList::effectCount[0] < 512) {
                CEffectObject* e = new CEffectObject();
                if (e->Load(derivedPaths[DERIVED_SPARK_1])) {
                    e->ResetTimers();
                    e->position = e->drawPosition = Vec3TransformCoord(meshes[0]->m_Points[MESH_POINTS_COCKPIT][0], worldMatrix);
                    CObjectList::AddEffect(e);
                } else {
                    e->Release();
                    delete e;
                }
            }
        }
        if (WaitHolds(*this)) return;
        StopLoopSound();
        orderVector.y = 0.0f;
    }
    const int turned = PingPong(*this, ACTION_ATTACK, dt * 4.0f * engineMax);
    if (turned > 0) {
        PlaySoundSlot(ACTION_ATTACK, 1);
        StartWait(*this, float(Rand(20)) * 0.1f + 0.1f);
    } else if (turned < 0) {
        StartWait(*this, float(Rand(10)) * 0.1f + 0.1f);
    }
}

void CUnit::PlanetActDead(float dt)
{
    if (animDirection == -1) return;
    int first, last;
    ActionRange(*this, ACTION_DEAD, &first, &last);
    float c = frameCounter < float(first) ? float(first) : frameCounter;
    c += dt * 10.0f;
    if (c >= float(last)) {
        c = float(last);
        animDirection = -1;
    }
    ShowFrame(*this, c);
}

void CUnit::PlanetActGetDamage(float dt)
{
    if (PingPong(*this, ACTION_GET_DAMAGE, dt * 10.0f) < 0) PopOrder();
}

void CUnit::PlanetActFollow(float dt)
{
    if (!target) {
        SetOrder(ACTION_STAY, nullptr, nullptr, 0);
        return;
    }
    if (orderSubState == 0) {
        ClearWaypoints();
        ClearOrderStack();
        waypoints = g_World.navGrid.FindPath(this, target->position);
        if (!waypoints) {
            SetOrder(ACTION_STAY, nullptr, nullptr, 0);
            return;
        }
        destination = position;
        targetPoint = target->position;
        timers[3] = g_GameClock.NowMs();
        orderSubState = 1;
        return;
    }
    if (orderSubState == 2) {
        if (inRadioTalk) PlanetActStay(dt);
        return;
    }

    const float d = HorizontalDistance(target->position, position);
    if (SecondsSince(timers[3]) >= 0.5f) {
        timers[3] = g_GameClock.NowMs();
        ClearWaypoints();
        waypoints = g_World.navGrid.FindPath(this, target->position);
        targetPoint = target->position;
        destination = position;
    }
    CUnit* const player = g_PlayerObject;
    if (d < 5.0f && !target->inRadioTalk) {
        const Vec3 l = target->WorldToLocal(position);
        const float off = target->boundsRadius > 0.0f ? d / target->boundsRadius / 5.0f : 0.0f;
        if (l.z < 0.0f || std::fabs(l.x) > off) {
            if (target != player && target->radioDialog.lineCount == 0) {
                target = nullptr;
                SetOrder(ACTION_STAY, nullptr, nullptr, 0);
                return;
            }
            if (target == player) g_PlanetClicksEnabled = 0;
            target->SetOrder(ACTION_STAY, &position, nullptr, 0);
        }
    }
    if (d < 2.0f) {
        if (target->inRadioTalk) {
            ShowFrame(*this, 0.0f);
            return;
        }
        ClearWaypoints();
        destination = position;
        CUnit* speaker = target == player ? this : target;
        if (speaker->radioDialog.lineCount == 0) {
            target = nullptr;
            SetOrder(ACTION_STAY, nullptr, nullptr, 0);
            return;
        }
        target->SetOrder(ACTION_STAY, &position, nullptr, 0);
        CCamera& cam = g_World.Camera();
        const Vec3 mid = (position + target->position) * 0.5f;
        cam.FrameTalk(mid, 0.1f);
        if (target == player) g_PlanetClicksEnabled = 1;
        g_DialogBox.StartTalk(speaker, 0);
        orderSubState = 2;
        return;
    }
    PlanetActMove(dt);
}

void CUnit::UpdatePlanet()
{
    float dt = SecondsSince(timers[0]);
    if (!(dt > 0.0f)) dt = 0.0f;  // a stamp from a reset clock
    timers[0] = g_GameClock.NowMs();
    const bool cutScenes = g_Settings.cutScenes != 0;

    auto orderTable = [&] {
        switch (orderType) {
        case ACTION_STAY: PlanetActStay(dt); break;
        case ACTION_MOVE: PlanetActMove(dt); break;
        case ACTION_GUARD: PlanetActGuard(dt); break;
        case ACTION_ATTACK: PlanetActAttack(dt); break;
        case ACTION_DEAD: PlanetActDead(dt); break;
        case ACTION_GET_DAMAGE: PlanetActGetDamage(dt); break;
        case ACTION_FOLLOW: PlanetActFollow(dt); break;
        default: break;
        }
    };

    switch (objectClass) {
    case GCLASS_TREE:
        if (orderType == ACTION_STAY) IdleSway(*this, dt, false);
        break;
    case GCLASS_OBJECT_FLY:
        if (orderType == ACTION_MOVE) PlanetActMove(dt);
        break;
    case GCLASS_OBJECT_WALK:
        break;
    case GCLASS_CHARACTER_HERO:
        if (cutScenes) RunPlanetScript(32, dt);
        orderTable();
        break;
    case GCLASS_CHARACTER_NPC:
        switch (kind) {
        case 1001: case 1002: case 1800: case 1801: case 1802: case 1900:
        case 2000: case 2100: case 2200: case 2201: case 2300:
            if (cutScenes) RunPlanetScript(kind, dt);
            break;
        default: break;
        }
        orderTable();
        break;
    case GCLASS_ITEM:
    case GCLASS_STATIC:
        if (kind == 1) AnimateStatic(*this, dt);
        else if (kind == 50000 && orderType == ACTION_STAY) IdleSway(*this, dt, true);
        else if (kind == 50001 && manoeuvring != 0.0f) rotation.y += dt / manoeuvring;
        break;
    case GCLASS_EFFECT:
        if (kind == GEFFECT_EXPLODE) UpdatePlanetExplosion(*this, dt);
        return;  // effects place themselves
    case GCLASS_SPACE_SKY:
        scale = Vec3(100.0f, 100.0f, 100.0f);
        position = g_World.Camera().eye;
        break;
    case GCLASS_SPACE_SHIP:
        if (kind == 10100) {
            PlanetActStay(dt);
            speedPercent = 0.0f;
        } else if (kind >= 10101 && kind <= 10103 && cutScenes) {
            RunPlanetScript(kind, dt);
        }
        break;
    default:
        break;
    }

    drawPosition = position;
    UpdateTransform();
    if (objectClass == GCLASS_SPACE_SHIP && manoeuvring != 0.0f) {
        // A vehicle on the ground bobs on its springs, less the faster it goes.
        const float t = Now();
        const Matrix r = MatrixRotationYawPitchRoll(0.0f, t * heading.y / manoeuvring / 300.0f,
                                                    t * heading.z / manoeuvring / 300.0f);
        const float calm = engineMax != 0.0f ? 1.0f - speed / engineMax : 1.0f;
        const Vec3 bob = Vec3TransformNormal(Vec3(0.0f, 0.25f, 0.0f), r) * calm;
        for (Matrix* m : {&worldMatrix, &drawMatrix}) {
            m->m[3][0] += bob.x, m->m[3][1] += bob.y, m->m[3][2] += bob.z;
        }
    }
    for (int i = 0; i < effectCount && i < kMaxUnitEffects; ++i)
        if (effects[i]) effects[i]->Update();
    for (int i = 0; i < itemCount && i < kMaxUnitItems; ++i)
        if (items[i]) items[i]->Update();
}

