// The space world's step of a unit: its own frame time, the order handlers, the common
// tail, and the flight mechanics every ship shares (manual flight, steering, obstacle
// avoidance, the speed law, movement and collisions).
#include "world/space/unit_space.h"

#include <cmath>
#include <cstdio>

#include "app/settings.h"
#include "app/winmain.h"
#include "app/wndproc.h"
#include "audio/audio_manager.h"
#include "flight_ui/comm_window.h"
#include "locations/location_director.h"
#include "menus/game_menu.h"
#include "menus/station_menu.h"
#include "net/network.h"
#include "platform/crt/rand.h"
#include "render/camera.h"
#include "render/d3d_render.h"
#include "render/mesh.h"
#include "world/objects/attached_effect.h"
#include "world/objects/effect_object.h"
#include "world/game_clock.h"
#include "world/objects/item.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/world.h"

float g_MouseYawInput = 0.0f;
float g_MousePitchInput = 0.0f;
float g_YawRate = 0.0f;
float g_PitchRate = 0.0f;
float g_RollRate = 0.0f;

namespace {

constexpr float kMaxTurn = 0.075f;

// 1 / value for the turn and speed divisors; a unit without a usable value neither turns
// nor accelerates instead of dividing by zero.
float Inverse(float value) { return value > 0.0f ? 1.0f / value : 0.0f; }

Vec3 Row(const Matrix& m, int r) { return Vec3(m.m[r][0], m.m[r][1], m.m[r][2]); }
void SetRow(Matrix& m, int r, const Vec3& v) { m.m[r][0] = v.x, m.m[r][1] = v.y, m.m[r][2] = v.z; }

float Sign(float v) { return v > 0.0f ? 1.0f : (v < 0.0f ? -1.0f : 0.0f); }

float Clamp(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

bool IsNetworkGame() { return g_GameMode == 2; }

double Now() { return g_GameClock.gameTime; }

float SecondsSince(uint32_t stamp) { return float((Now() - double(stamp)) * 0.001); }

// Keeps the rotation rows unit length and square to each other: the turns of many frames
// multiply into the matrix and would otherwise skew and scale it. Forward is kept.
void Orthonormalize(Matrix& m)
{
    Vec3 f = Vec3Normalize(Row(m, 2));
    Vec3 u = Row(m, 1);
    if (Vec3LengthSq(f) == 0.0f) return;
    u = Vec3Normalize(u - f * Vec3Dot(u, f));
    if (Vec3LengthSq(u) == 0.0f) return;
    Vec3 r = Vec3Cross(u, f);  // left-handed: right = up x forward
    SetRow(m, 0, r);
    SetRow(m, 1, u);
    SetRow(m, 2, f);
}

Vec3 CameraEye(const CCamera* camera) { return camera ? camera->eye : Vec3(); }

CCamera* CurrentCamera() { return &g_World.Camera(); }

// The camera the sky and the suns follow: the menu camera while the station menu shows
// its sector map, else the current world's camera.
CCamera* ViewCamera()
{
    if (g_StationMenuActive && g_StationMenuPage == 2) return &g_MenuCamera;
    return CurrentCamera();
}

bool IsAiKind(int kind)
{
    return kind == GTYPE_SP_NPCSHIP || kind == GTYPE_SP_LEAFSHIP ||
           (kind >= GTYPE_SP_NPCSHIP_ID0 && kind <= GTYPE_SP_NPCSHIP_ID2) ||
           (kind >= GTYPE_SP_NPCSHIP_MERCS_FREE && kind <= GTYPE_SP_NPCSHIP_MERCS_FIGHTER) ||
           kind == GTYPE_SP_NPCSHIP_MOVED;
}

}  // namespace

void CUnit::UpdateDistantDraw(float size, const Vec3& eye)
{
    const Vec3 toUnit = position - eye;
    const float d = Vec3Length(toUnit);
    const bool allowFar = !(IsStationKindValue(kind) && g_StationMenuActive);
    if (allowFar && d > g_ViewDistance && d > 0.0f) {
        drawPosition = eye + toUnit / d * g_ViewDistance;
        const float s = g_ViewDistance * size / d;
        scale2 = Vec3(s, s, s);
    } else {
        drawPosition = position;
        scale2 = Vec3(size, size, size);
    }
}

void CUnit::RunAiOrder(float dt)
{
    switch (orderType) {
    case ACTION_STAY:
        if ((g_WorldIndex == 0 || g_WorldIndex == 1) && IsShipKindValue(kind)) ChooseDefaultAction(dt);
        Move(dt);
        break;
    case ACTION_MOVE: SteerToPoint(dt), Move(dt); break;
    case ACTION_GUARD: SpaceActGuard(dt), Move(dt); break;
    case ACTION_ATTACK: SpaceActAttack(dt), Move(dt); break;
    case ACTION_DOCKING: SpaceActDocking(dt), Move(dt); break;
    case ACTION_TRANSPORT: SpaceActTransport(dt), Move(dt); break;
    case ACTION_DEAD: UpdateDying(dt); break;
    default: break;
    }
}

void CUnit::UpdateSpace()
{
    const uint32_t nowMs = g_GameClock.NowMs();
    float dt = SecondsSince(timers[0]);
    if (!(dt > 0.0f)) dt = 0.0f;  // a stamp from a reset clock
    timers[0] = nowMs;

    const bool cutScenes = g_Settings.cutScenes != 0;
    CUnit* faceTarget = nullptr;

    if (objectClass == GCLASS_SPACE_SKY) {
        scale = Vec3(g_ViewDistance, g_ViewDistance, g_ViewDistance);
        if (CCamera* c = ViewCamera()) position = c->eye;
        drawPosition = position;
    } else if (objectClass == GCLASS_SPACE_SHIP) {
        if (kind == GTYPE_SP_PARTSHIP) {
            if (orderType == ACTION_DEAD) UpdateDying(dt);
            drawPosition = position;
        } else if (IsStationKindValue(kind)) {
            if (cutScenes) RunSpaceScript(kind, dt);
            if (Vec3LengthSq(scale2) != 0.0f) UpdateDistantDraw(1.0f, CameraEye(CurrentCamera()));
            if (orderType == ACTION_DEAD) UpdateDying(dt);
            UpdateDockingBay(dt);
        } else if (kind == GTYPE_SP_HEROSHIP) {
            if (cutScenes) RunSpaceScript(GTYPE_SP_HEROSHIP, dt);
            switch (orderType) {
            case ACTION_STAY:
                if (manualControl == 1) FlightStep(dt);
                else SteerToPoint(dt);
                Move(dt);
                if (g_DebugView && g_KeyShift && g_KeyCtrl && target)
                    target->TakeHit(200.0f, this, target->position, nullptr);
                break;
            case ACTION_MOVE:
                if (!manualControl) SteerToPoint(dt), Move(dt);
                break;
            case ACTION_GUARD:
                if (!manualControl) SpaceActGuard(dt), Move(dt);
                break;
            case ACTION_ATTACK:
                if (!manualControl) SpaceActAttack(dt), Move(dt);
                break;
            case ACTION_DOCKING:
                if (!manualControl) SpaceActDocking(dt), Move(dt);
                break;
            case ACTION_DEAD:
                UpdateDying(dt);
                break;
            default:
                break;
            }
        } else if (IsAiKind(kind)) {
            if (!IsNetworkGame() && cutScenes) RunSpaceScript(kind, dt);
            if (IsNetworkGame() && humanPiloted) {
                // Another player's craft: it is flown there, only its docking runs here.
                switch (orderType) {
                case ACTION_STAY:
                    if (!manualControl) SteerToPoint(dt);
                    Move(dt);
                    break;
                case ACTION_MOVE:
                    if (!manualControl) SteerToPoint(dt), Move(dt);
                    break;
                case ACTION_DOCKING:
                    if (!manualControl) SpaceActDocking(dt), Move(dt);
                    break;
                case ACTION_DEAD:
                    UpdateDying(dt);
                    break;
                default:
                    break;
                }
            } else {
                RunAiOrder(dt);
            }
        }
    } else if (objectClass == GCLASS_SPACE_OBJECT) {
        if (kind == GTYPE_SP_PARTSHIP || kind == GTYPE_SP_PARTASTEROID) {
            if (orderType == ACTION_DEAD) UpdateDying(dt);
            float s = SecondsSince(timers[2]);
            if (s > 3.0f) s = 3.0f;
            if (s > 1.5f) {
                const float k = 1.0f - (s - 1.5f) / 1.5f;
                scale = Vec3(k, k, k);
            }
            drawPosition = position;
        } else if (kind == GTYPE_SP_HEROSHIP || (kind >= GTYPE_SP_NPCSHIP_ID0 && kind <= GTYPE_SP_NPCSHIP_ID2)) {
            // A scene unit waiting for its cue.
            if (cutScenes) RunSpaceScript(kind, dt);
            if (kind != GTYPE_SP_HEROSHIP) {
                RunAiOrder(dt);
            }
        } else if (kind == GTYPE_SP_ASTEROID) {
            UpdateDistantDraw(1.0f, CameraEye(CurrentCamera()));
            if (orderType == ACTION_STAY) angularStep = spinRates * (dt * 100.0f);
            else if (orderType == ACTION_DEAD) UpdateDying(dt);
            Orthonormalize(worldMatrix);
            UpdateTransform();
            return;
        } else if (kind == GTYPE_SP_STAR) {
            UpdateDistantDraw(manoeuvring, CameraEye(ViewCamera()));
            if (orderType == ACTION_STAY || orderType == ACTION_GUARD) faceTarget = target;
        } else if (kind == GTYPE_SP_PLANET) {
            drawMode = 1;
            CCamera* camera = CurrentCamera();
            UpdateDistantDraw(manoeuvring * 75.0f, CameraEye(camera));
            if (camera) {
                Matrix inverseView;
                Vec3 up(0.0f, 1.0f, 0.0f);
                if (MatrixInverse(&inverseView, nullptr, camera->view)) up = Row(inverseView, 1);
                SetLookAt(position, camera->eye, up);
            }
        }
    }

    // Common tail.
    if (faceTarget) {
        Matrix inverse;
        const Matrix look = MatrixLookAtLH(Vec3(), position - faceTarget->position, Vec3(1.0f, 0.0f, 0.0f));
        if (MatrixInverse(&inverse, nullptr, look)) {
            worldMatrix = inverse;
            angularStep = Row(inverse, 1) * (-engineMax * (1.0f / 15000.0f) * dt);
        }
    }

    Orthonormalize(worldMatrix);
    // A ship is drawn where it is: nothing else moves its draw position after a flight or a
    // scene's placing (stations and far objects keep theirs from the distant draw).
    if (objectClass == GCLASS_SPACE_SHIP && !IsStationKindValue(kind)) drawPosition = position;
    if (orderType == ACTION_DEAD) {
        const Vec3 kept = angularStep;
        angularStep = angularStep * (dt * 100.0f);
        UpdateTransform();
        angularStep = kept;
    } else {
        UpdateTransform();
    }

    if (IsShipKindValue(kind) && (g_WorldIndex == 0 || g_WorldIndex == 1)) {
        if (IsNetworkGame() && IsCraft() && pilot.side != 2) {
            SendPositionUpdate(dt);
        } else if (speed <= engineMax / 5.0f) {
            // Idle ships float gently on the spot.
            const double t = double(nowMs);
            const float m = Inverse(manoeuvring);
            const float pitch = float(std::fmod(t * heading.y * m / 500.0, 2.0 * M_PI));
            const float roll = float(std::fmod(t * heading.z * m / 500.0, 2.0 * M_PI));
            const Vec3 bob = Vec3TransformNormal(Vec3(0.0f, 1.0f, 0.0f), MatrixRotationYawPitchRoll(0.0f, pitch, roll));
            const float k = 1.0f - speed * Inverse(engineMax) * 5.0f;
            for (Matrix* mx : {&worldMatrix, &drawMatrix}) {
                mx->m[3][0] += bob.x * k;
                mx->m[3][1] += bob.y * k;
                mx->m[3][2] += bob.z * k;
            }
        }
        UpdateSounds();
    }

    if (pilot.side == 3 && hull != 0.0f && orderType != ACTION_DEAD) {
        if (kind != GTYPE_SP_LEAFSTATION) {
            const float ratio = speed * Inverse(engineMax);
            randomPhase += (ratio * 10.0f + 1.0f) * dt;
            scale2.y = std::sin(randomPhase) / 5.0f + 0.9f;
            frameCounter += (ratio * 2.0f + 1.0f) * dt * 10.0f;
            const int level = SelectDetailLevel();
            const CMesh* mesh = level >= 0 && level < meshCount && level < kMaxObjectMeshes ? meshes[level] : nullptr;
            const int frames = mesh ? mesh->m_SubMeshCount : 0;
            if (frames <= 0 || frameCounter >= float(frames) || !(frameCounter >= 0.0f)) frameCounter = 0.0f;
            int frame = int(std::lround(frameCounter));
            // Rounding up from the last frame's half must not pass the last frame.
            if (frames > 0 && frame >= frames) frame = frames - 1;
            currentFrame = unsigned(frame);
        } else {
            randomPhase += dt * 2.0f;
            if (CAttachedEffect* bay = FindGateBay()) {
                const float s = std::sin(randomPhase) / 20.0f + 1.05f;
                bay->scale = Vec3(s, s, s);
            }
        }
    }

    if (kind != GEFFECT_EXPLODE && kind != GEFFECT_SMOKECLOUD) {
        for (int i = 0; i < effectCount && i < kMaxUnitEffects; ++i)
            if (effects[i]) effects[i]->Update();
        for (int i = 0; i < itemCount && i < kMaxUnitItems; ++i)
            if (items[i]) items[i]->Update();
    }

    if (orderType != ACTION_DEAD) {
        // A long step would turn the divisor below 1 and make the turn grow.
        const float step = dt < kMaxDampingStep ? dt : kMaxDampingStep;
        const float divisor = (0.1f - step * 0.5f) * Inverse(manoeuvring) + 1.0f;
        angularStep = angularStep / divisor;
    }

    if (hull >= 2.0f && hull < hullMax / 3.0f) {
        if (SecondsSince(timers[4]) > smokeInterval) {
            timers[4] = nowMs;
            smokeInterval = hull / hullMax * 2.0f;
            CCamera* camera = CurrentCamera();
            const Vec3 eye = CameraEye(camera);
            const float radius = boundsRadius;
            if (IsStationKindValue(kind)) {
                const float x = float(GameRand() % 10001 - 5000);
                const float y = float(GameRand() % 10001 - 5000);
                const float z = float(GameRand() % 10001 - 5000);
                const Vec3 from = position + Vec3Normalize(Vec3(x, y, z)) * 10000.0f;
                const Vec3 segment[2] = {from, position};
                Vec3 hit;
                if (CObjectList::CountEffects() < 512 && IntersectRays(segment, 0, &hit, 0.0f)) {
                    char path[96];
                    std::snprintf(path, sizeof path, "Data/Space/Effect/MainExp_%02d/Main.obj", GameRand() % 5 + 1);
                    const float s = radius / 5.0f;
                    const Vec3 at = hit + Vec3Normalize(eye - hit) * s;
                    CEffectObject* e = new CEffectObject();
                    e->Load(path);  // a missing file leaves alive 0: the list drops it
                    e->drawMode = 1;
                    e->scale = Vec3(s, s, s);
                    e->position = e->drawPosition = at;
                    const bool sound = g_LocationKind == g_WorldIndex && nowMs % 5000u >= 4000u &&
                                       GameRand() % 100 < 31 && Vec3Length(eye - hit) < 3000.0f;
                    if (CSound*& bang = e->sounds[ACTION_DEAD]) {
                        if (sound) {
                            bang->SetVolume(100.0f);
                            bang->SetMinMaxDistance(250.0f, 3000.0f);
                            bang->SetPosition(e->position);
                            bang->Play(0);
                        } else {
                            g_AudioManager.ReleaseSound(&bang);
                            bang = nullptr;
                            --e->soundCount;
                        }
                    }
                    CObjectList::AddEffect(e);  // a full list destroys it
                }
            } else {
                const int slot = GetSparkSlot();
                if (slot > 0 && slot < kDerivedSlotCount && CObjectList::CountEffects() < 512 && camera &&
                    Vec3Length(eye - position) < 1000.0f && camera->IsObjectVisible(this)) {
                    const int spread = int(std::lround(radius * 0.5f));
                    Vec3 at = position;
                    float* axes[3] = {&at.x, &at.y, &at.z};
                    for (float* a : axes) *a += float(spread > 0 ? GameRand() % spread : 0) - radius * 0.25f;
                    const float angularZ = float(GameRand() % 401) / 1000.0f - 0.2f;
                    Vec3 heading2 = Vec3Normalize(spinState);
                    if (Vec3LengthSq(spinState) == 0.0f) heading2 = Row(worldMatrix, 2);
                    CEffectObject* e = new CEffectObject();
                    e->Load(derivedPaths[slot]);
                    e->drawMode = 1;
                    e->position = e->drawPosition = at;
                    e->angularStep.z = angularZ;
                    e->direction = heading2;
                    e->speed = speed / 1.2f;
                    CObjectList::AddEffect(e);
                }
            }
        }
    }
}

void CUnit::FlightStep(float dt)
{
    if (g_GameMenuActive) return;
    const float v = float(g_Settings.sensitivityMouse);
    const float k = v < 50.0f ? v / 62.5f + 0.2f : (v - 50.0f) / 25.0f + 1.0f;
    CCamera* camera = CurrentCamera();
    const bool cinematic = camera && camera->cinematicView;
    const float invert = 1.0f - 2.0f * float(g_Settings.invertMouse != 0);

    float h = 5.0f;
    if (!cinematic && !g_MouseRightDown) {
        const float dx = g_MouseX - 400.0f, dy = g_MouseY - 300.0f;
        const float r = std::sqrt(dx * dx + dy * dy);
        if (r > 1.0f) h = 5.0f / (r * 10.0f);
        g_MouseYawInput += dx * dt * 20.0f * k;
        g_MousePitchInput += dy * dt * 20.0f * k * 1.33f;
        g_D3DRender.SetCursorPos800x600(400.0f, 300.0f);
    }

    g_YawRate = 0.0f;
    g_PitchRate = 0.0f;
    if (std::fabs(g_MouseYawInput) > 1.0f) g_YawRate = (g_MouseYawInput - Sign(g_MouseYawInput)) * 0.01f;
    if (std::fabs(g_MousePitchInput) > 1.0f)
        g_PitchRate = (g_MousePitchInput - Sign(g_MousePitchInput)) * 0.01f * invert;

    g_MouseYawInput /= 1.0f + dt * 4.5f * h;
    g_MousePitchInput /= 1.0f + dt * 4.0f * h;

    g_YawRate = Clamp(g_YawRate, -kMaxTurn, kMaxTurn);
    g_PitchRate = Clamp(g_PitchRate, -kMaxTurn, kMaxTurn);

    const bool typing = g_TextInputState != 0;
    if (!typing && (g_KeyW || g_KeyS)) {
        if (g_KeyW) speedPercent += dt * 70.0f;
        if (g_KeyS) speedPercent -= dt * 70.0f;
        speedPercent = Clamp(speedPercent, 0.0f, 100.0f);
        g_KeyXToggle = 0;
    }

    if (g_MouseLeftDown) FireLasers();
    if (g_KeySpace && !typing) {
        FireRockets();
        FireMissiles();
    }

    if (g_MouseRightDown && !cinematic) g_YawRate = g_PitchRate = 0.0f;

    if (g_KeyUp) g_PitchRate = invert * -kMaxTurn;
    if (g_KeyDown) g_PitchRate = invert * kMaxTurn;
    if (g_KeyLeft) g_YawRate = -kMaxTurn;
    if (g_KeyRight) g_YawRate = kMaxTurn;

    g_RollRate = g_YawRate * -2.0f;
    if (g_KeyD) g_RollRate = -0.1875f;
    if (g_KeyA) g_RollRate = 0.1875f;

    const float m = Inverse(manoeuvring);
    angularStep.x += dt * g_PitchRate * m;
    angularStep.y += dt * g_YawRate * m;
    if (g_KeyA || g_KeyD) angularStep.z += dt * g_RollRate * m;

    const float limit = IsNetworkGame() ? kFlightLimitNetwork : kFlightLimit;
    const float out = Vec3Length(position);
    if (out > limit && Vec3Length(position + Row(worldMatrix, 2) * 100.0f) > out) {
        speedPercent = 0.0f;
        if (g_HeroStation && g_GameClock.NowMs() % 5000u < 100u && g_CommMode == 0) g_CommWindow.Say(g_HeroStation, 406, 1);
        // Turn back towards the middle of the area (nose up for a centre above).
        const Vec3 n = Vec3Normalize(WorldToLocal(Vec3()));
        angularStep.x -= n.y * kMaxTurn * dt * m;
        angularStep.y += n.x * kMaxTurn * dt * m;
    }
}

void CUnit::SteerToPoint(float dt)
{
    const float f = this == g_PlayerObject ? 1.0f : pilot.skill2;
    if (IsShipKindValue(kind) && (g_WorldIndex == 0 || g_WorldIndex == 1)) {
        if (SecondsSince(timers[5]) >= collisionInterval) {
            if (cruiseSpeed > 0.0f) AvoidObstacles();
            movePoint = destination;
        }
    } else {
        movePoint = destination;
    }

    const Vec3 l = WorldToLocal(movePoint);
    const float dist = Vec3Length(movePoint - position);
    float yaw = 0.0f, pitch = 0.0f;
    if (dist > 0.0f) {
        yaw = std::fabs(l.x) / dist * kMaxTurn * Sign(l.x);
        pitch = -std::fabs(l.y) / dist * kMaxTurn * Sign(l.y);
        const float snap = boundsRadius > 0.0f ? dist / boundsRadius / 50.0f : 0.0f;
        if (std::fabs(l.x) <= snap && std::fabs(l.y) <= snap && l.z > 0.0f) {
            // Nearly on course: face the point exactly.
            SetLookAt(position, movePoint, Row(worldMatrix, 1));
            yaw = pitch = 0.0f;
        }
        if (l.z < 0.0f) yaw = yaw < 0.0f ? -kMaxTurn : kMaxTurn;
    }

    const float a = f * 0.5f + 0.5f;
    const float m = Inverse(manoeuvring);
    angularStep.x += pitch * dt * m * a;
    angularStep.y += yaw * dt * m * a;

    if (orderType == ACTION_ATTACK || orderType == ACTION_DOCKING) {
        SetThrottlePercent(cruiseSpeed);
    } else if (l.z <= 0.0f) {
        speedPercent = 0.0f;
    } else {
        const float q = std::sqrt(l.x * l.x + l.y * l.y) / l.z;
        float wanted = cruiseSpeed;
        if (q > 1.0f) wanted /= q;
        SetThrottlePercent(wanted);
    }
}

void CUnit::AvoidObstacles()
{
    if (this == g_PlayerObject || objectClass == GCLASS_BULLET || !collisionFlag) return;
    const Vec3 dir = Vec3Normalize(destination - position);
    if (Vec3LengthSq(dir) == 0.0f) return;
    const Vec3 end = position + dir * 500.0f;
    CUnit* excluded = orderType == ACTION_ATTACK || orderType == ACTION_DOCKING ? target : nullptr;
    CUnit* met = RayPickObject(boundsRadius, position, end, nullptr, this, nullptr, excluded);
    if (!met) return;
    if (orderType == ACTION_ATTACK) {
        const Vec3 segment[2] = {position, end};
        Vec3 hit;
        if (!met->IntersectRays(segment, 0, &hit, 0.0f)) return;
    }
    if (!IsStationKindValue(met->kind) && Vec3Length(met->position - position) > 300.0f) return;

    const Vec3 c = Vec3TransformCoord(met->boundsCentre, met->worldMatrix);
    // Bounding radii already carry the objects' scales.
    const float R = met->boundsRadius;
    const float own = boundsRadius;
    const float d = Vec3Length(position - c);
    Vec3 away = Vec3Normalize(position - c);
    if (Vec3LengthSq(away) == 0.0f) away = -dir;
    Vec3 direction = away;
    if (R < d - own) {
        // Swing the outward direction about our own vertical axis until the path from
        // here to the new point only grazes the widened sphere.
        const float wide = R + 2.0f * own;
        const float angle = std::acos(Clamp(wide / d, -1.0f, 1.0f));
        const Vec3 up = Vec3Normalize(Row(worldMatrix, 1));
        const Vec3 left = c + Vec3TransformNormal(away, MatrixRotationAxis(up, angle)) * wide;
        const Vec3 right = c + Vec3TransformNormal(away, MatrixRotationAxis(up, -angle)) * wide;
        direction = Vec3Length(left - destination) <= Vec3Length(right - destination)
                        ? Vec3TransformNormal(away, MatrixRotationAxis(up, angle))
                        : Vec3TransformNormal(away, MatrixRotationAxis(up, -angle));
    }
    destination = c + direction * (own * 2.0f + R);
}

void CUnit::UpdateSpeed(float dt)
{
    const float f = this == g_PlayerObject ? 1.0f : 0.75f + 0.25f * pilot.skill2;
    const float wanted = engineMax * f * speedPercent * 0.01f;
    const float step = dt * Inverse(manoeuvring) * 100.0f * f;
    if (speed < wanted) {
        speed += step;
        if (speed > engineMax) speed = engineMax;
        if (speed < 0.0f) speed = 0.0f;
        if (speed > wanted) speed = wanted;
    } else if (speed > wanted) {
        speed -= step;
        if (speed > engineMax) speed = engineMax;
        if (speed < 0.0f) speed = 0.0f;
        if (speed < wanted) speed = wanted;
    }
    spinState = Row(worldMatrix, 2) * (speed * dt);
}

void CUnit::Move(float dt)
{
    UpdateSpeed(dt);
    position += spinState;
    if (objectClass == GCLASS_SPACE_SHIP) {
        const float s = Vec3Length(spinState);
        pilot.skill2 += s / 200000.0f;
        if (pilot.skill2 > 1.0f) pilot.skill2 = 1.0f;
        statistics.distance += s * 0.001f;
    }
    if (Vec3LengthSq(impulse) != 0.0f) {
        position += impulse * (dt * 100.0f);
        impulse = impulse / (1.0f + dt * 10.0f);
        if (Vec3Length(impulse) < 0.01f) impulse = Vec3();
    }

    const uint32_t nowMs = g_GameClock.NowMs();
    if (this == g_PlayerObject) {
        if (SecondsSince(timers[5]) >= collisionInterval) {
            timers[5] = nowMs;
            collisionInterval = 0.05f;
            Collide(5);
        }
    } else if (IsNetworkGame() && pilot.side == 2) {
        collisionInterval = 0.75f;
    } else if (IsShipKindValue(kind) && (g_WorldIndex == 0 || g_WorldIndex == 1)) {
        if (SecondsSince(timers[5]) >= collisionInterval) {
            CCamera* camera = CurrentCamera();
            const float d = camera ? Vec3Length(position - camera->eye) : 1e30f;
            timers[5] = nowMs;
            if (g_LocationKind == g_WorldIndex && d < 1000.0f) {
                Collide(d > 300.0f ? 1 : 5);
                collisionInterval = d * 0.001f * 0.75f;
            } else {
                collisionInterval = 0.75f;
            }
        }
    }
}

void CUnit::Collide(int probes)
{
    if (!collisionFlag) return;
    if (Vec3LengthSq(spinState) == 0.0f && Vec3LengthSq(impulse) == 0.0f && Vec3LengthSq(angularStep) == 0.0f) return;
    if (probes < 1) probes = 1;
    if (probes > 5) probes = 5;

    const float reach = Vec3Length(spinState);
    Vec3 segments[10];
    for (int i = 0; i < probes; ++i) {
        const Vec3& p = boxPoints[i];
        segments[i * 2] = Vec3TransformCoord(Vec3(p.x, p.y, 0.0f), worldMatrix);
        segments[i * 2 + 1] = Vec3TransformCoord(Vec3(p.x, p.y, p.z + reach), worldMatrix);
    }
    Vec3 hit;
    float hitDistance = 0.0f;
    CUnit* other = nullptr;
    for (int i = 0; i < probes && !other; ++i)
        other = g_World.SegmentHitTest(segments[i * 2], segments[i * 2 + 1], 0, &hit, &hitDistance, this, nullptr);
    if (!other || other == this) return;

    const Vec3 forward = Row(worldMatrix, 2);
    const Vec3 otherForward = Row(other->worldMatrix, 2);
    impulse = Vec3Normalize(position - hit);
    other->impulse = Vec3Normalize(other->position - hit) *
                     (manoeuvring * Inverse(other->manoeuvring) * speed * Inverse(engineMax));

    const float damage = Vec3Length(forward * speed - otherForward * other->speed) * manoeuvring / 40.0f;
    const Vec3 back = -forward;
    TakeHit(this == g_PlayerObject ? damage * 0.5f : damage, other, hit, &back);
    other->TakeHit(other == g_PlayerObject ? damage * 0.5f : damage, this, hit, &forward);

    if (CCamera* camera = CurrentCamera()) {
        if (this == g_PlayerObject) camera->SetShakeVector(Vec3Normalize(hit - position) * (speed * Inverse(engineMax)));
        else if (other == g_PlayerObject)
            camera->SetShakeVector(Vec3Normalize(position - hit) * (other->speed * Inverse(other->engineMax)));
    }

    speed *= 0.5f;
    if (Vec3LengthSq(spinState) != 0.0f) spinState = Vec3Normalize(spinState) * hitDistance;

    if (IsNetworkGame()) {
        if (pilot.side != 2) g_Network.SendObjectMessage(13, this);
        if (other->pilot.side != 2) g_Network.SendObjectMessage(13, other);
    }
    g_AudioManager.PlayPooledEffect(this, pilot.side == 3 ? 1 : 0);
}

void CUnit::SendPositionUpdate(float dt)
{
    float m = std::fabs(angularStep.x);
    if (std::fabs(angularStep.y) > m) m = std::fabs(angularStep.y);
    if (std::fabs(angularStep.z) > m) m = std::fabs(angularStep.z);
    if (m > 0.005f) m = 0.005f;
    randomPhase += dt;
    if (randomPhase > 0.1f - m * 10.0f) {
        randomPhase = 0.0f;
        g_Network.SendObjectMessage(13, this);
    }
}
