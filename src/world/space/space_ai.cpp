// The order handlers of computer-controlled ships in space: what an idle ship takes up,
// guarding (escort, station patrol, threat scan), attacking (pursuit, lead aiming,
// weapon choice, target switching) and ore transport runs. They steer by setting the
// destination and the cruise speed and leave the movement to the caller.
#include <cmath>
#include <string>

#include "app/settings.h"
#include "audio/audio_manager.h"
#include "flight_ui/comm_window.h"
#include "locations/location_director.h"
#include "net/network.h"
#include "platform/crt/rand.h"
#include "platform/win/timer.h"
#include "world/objects/attached_effect.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/world.h"

void (*g_RadioLineHook)(CUnit* speaker, int lineType) = nullptr;

namespace {

constexpr float kMaxTurn = 0.075f;
constexpr float kGuardScanRadius = 3000.0f;
constexpr float kFormationRadius = 500.0f;
constexpr float kPlayerNearRadius = 1500.0f;
constexpr float kSecondTargetRadius = 1500.0f;
constexpr float kAttackRating = 30.0f;
constexpr float kPriorityThreshold = 50.0f;
constexpr float kStationSearchRadius = 100000.0f;
constexpr float kReplanSeconds = 10.0f;
constexpr float kPatrolRadiusLimit = 800.0f;

bool IsNetworkGame() { return g_GameMode == 2; }

uint32_t NowMs() { return g_GameClock.NowMs(); }

float SecondsSince(uint32_t stamp) { return float((g_GameClock.gameTime - double(stamp)) * 0.001); }

float Inverse(float value) { return value > 0.0f ? 1.0f / value : 0.0f; }

Vec3 Row(const Matrix& m, int r) { return Vec3(m.m[r][0], m.m[r][1], m.m[r][2]); }

bool Gone(const CUnit* u) { return !u || !u->IsAlive(); }

// Radio lines go out only while no talk holds the comm window.
void Radio(CUnit* speaker, int lineType)
{
    if (g_CommMode != 0) return;
    if (g_RadioLineHook) g_RadioLineHook(speaker, lineType);
    g_CommWindow.Say(speaker, lineType, 1);
}

void CombatMusic()
{
    if (g_LocationKind == g_WorldIndex) g_AudioManager.musicPlayer.RequestKind(1);
}

// Music when the player is close to the fight.
void CombatMusicNear(const CUnit* enemy)
{
    if (g_PlayerObject && enemy && Vec3Length(g_PlayerObject->position - enemy->position) < kPlayerNearRadius)
        CombatMusic();
}

// A re-planned destination, told to the other players.
void AnnouncePlan(CUnit* u)
{
    if (IsNetworkGame() && u->pilot.side != 2) g_Network.SendObjectMessage(14, u);
}

// The player's ship, when a side-1 ship may take it as its charge.
CUnit* PlayerToGuard(const CUnit* self)
{
    CUnit* p = g_PlayerObject;
    if (!p || p == self || Gone(p) || g_LocationKind != g_WorldIndex) return nullptr;
    if (Vec3Length(p->position - self->position) >= kGuardScanRadius) return nullptr;
    return p;
}

float SkillFactor(const CUnit* u) { return (u == g_PlayerObject ? 1.0f : u->pilot.skill2) * 0.5f + 0.5f; }

// Rolls the unit to share the reference's up direction.
void RollTowards(CUnit* u, const CUnit* reference, float dt)
{
    if (!reference) return;
    const Vec3 up = u->WorldToLocal(Row(reference->worldMatrix, 1) + u->position);
    if (std::fabs(up.x) > 0.05f)
        u->angularStep.z += (up.x < 0.0f ? kMaxTurn : -kMaxTurn) * dt * Inverse(u->manoeuvring) * SkillFactor(u);
}

// A point given in the frame at eye looking towards at (with the up hint), in world space.
Vec3 FrameToWorld(const Vec3& eye, const Vec3& at, const Vec3& upHint, const Vec3& local)
{
    Vec3 f = Vec3Normalize(at - eye);
    if (Vec3LengthSq(f) == 0.0f) f = Vec3(0.0f, 0.0f, 1.0f);
    Vec3 r = Vec3Normalize(Vec3Cross(upHint, f));
    // An up along the view picks any square axis instead of collapsing the frame.
    if (Vec3LengthSq(r) == 0.0f) r = Vec3Normalize(Vec3Cross(std::fabs(f.y) < 0.9f ? Vec3(0, 1, 0) : Vec3(1, 0, 0), f));
    const Vec3 u = Vec3Cross(f, r);
    return eye + r * local.x + u * local.y + f * local.z;
}

// A random direction of the unit square's box, redrawn while too short to normalise well.
Vec3 RandomOffset(bool backwards)
{
    Vec3 v;
    for (int tries = 0; tries < 64; ++tries) {
        v.x = float(GameRand() % 201) * 0.01f - 1.0f;
        v.y = float(GameRand() % 201) * 0.01f - 1.0f;
        v.z = backwards ? -float(GameRand() % 101) * 0.01f : 0.0f;
        if (Vec3Length(v) > 0.1f) return Vec3Normalize(v);
    }
    return Vec3(1.0f, 0.0f, 0.0f);
}

// The station's gate axis: P0 the gate point, P1 the approach point outside it. A station
// without a gate bay gets an axis along its own forward direction.
void GateAxis(CUnit* station, Vec3* p0, Vec3* p1)
{
    Vec3 points[2] = {};
    station->GetGunPoints(points);
    if (!station->FindGateBay() || Vec3LengthSq(points[1] - points[0]) == 0.0f) {
        points[0] = station->position;
        points[1] = station->position + Row(station->worldMatrix, 2) * (station->boundsRadius > 0.0f ? station->boundsRadius : 1.0f);
    }
    *p0 = points[0];
    *p1 = points[1];
}

// Scan state shared by the guard and the attack: the best-rated hostile ship in range.
template <typename Rate, typename OnBest>
CUnit* BestHostile(CUnit* self, float radius, float* bestRating, Rate rate, OnBest onBest)
{
    CUnit* best = nullptr;
    CUnit* c = nullptr;
    for (int i = CObjectList::FindNextHostile(radius, self, 1, &c); i >= 0 && c;
         i = CObjectList::FindNextHostile(radius, self, i + 1, &c)) {
        if (c->IsDockingPhase()) continue;
        const float r = rate(c);
        if (r > *bestRating) {
            *bestRating = r;
            best = c;
            onBest(c, r);
        }
    }
    return best;
}

int StartAttackLine(const CUnit* enemy) { return enemy->pilot.side == 3 ? 403 : 402; }

}  // namespace

void CUnit::ChooseDefaultAction(float)
{
    CUnit* charge = nullptr;
    switch (pilot.side) {
    case 1:
        charge = g_HeroStation;
        break;
    case 2:
        if (kind != GTYPE_SP_NPCSHIP_MOVED) return;
        if (IsNetworkGame()) {
            for (uint32_t i = 0; i < CObjectList::unitCount[1] && !charge; ++i) {
                CUnit* u = CObjectList::units[1][i];
                if (u && u->pilot.objectId == 1000 && u->pilot.ownerId == pilot.ownerId) charge = u;
            }
        } else {
            charge = CObjectList::FindNearestStationTwin(kStationSearchRadius, this);
            if (!charge) charge = CObjectList::FindNearestStation(kStationSearchRadius, this);
            if (!charge) charge = g_HeroStation;
        }
        break;
    case 3:
        if (CUnit* station = CObjectList::FindNearestStation(kStationSearchRadius, this))
            SetOrder(ACTION_DOCKING, station, nullptr, 0);
        return;
    default:
        return;
    }
    // Without a live charge the guard order would drop at once, and come back next frame.
    if (!Gone(charge) && charge != this) SetOrder(ACTION_GUARD, charge, nullptr, 0);
}

void CUnit::SpaceActGuard(float dt)
{
    if (Gone(boundUnit)) {
        boundUnit = nullptr;
        CUnit* player = pilot.side == 1 ? PlayerToGuard(this) : nullptr;
        if (player) {
            boundUnit = player;
        } else if (pilot.side == 1 || pilot.side == 2) {
            ClearOrderStack();
            SetOrder(ACTION_STAY, nullptr, nullptr, 0);
            return;
        } else {
            PopOrder();
            return;
        }
    }

    CUnit* g = boundUnit;
    if (boundUnit->IsDockingStage2()) {
        g = boundUnit->kind == GTYPE_SP_HEROSHIP ? g_HeroStation : boundUnit->target;
        if (!g) g = boundUnit;
    }

    // Threat scan.
    const uint32_t now = NowMs();
    float bestRating = 0.0f;
    CUnit* enemy = BestHostile(
        this, kGuardScanRadius, &bestRating, [&](CUnit* c) { return RateTarget(this, kGuardScanRadius, c); },
        [&](CUnit* c, float r) {
            if (c->alertFlag) return;
            if (pilot.side == 1) {
                if (c->pilot.side == 2) Radio(this, TEXTLINE_TOFRIEND_ENEMYDETECT1);
                else if (c->pilot.side == 3 && now % 15000u < 5000u) Radio(this, TEXTLINE_TOFRIEND_ENEMYDETECT2);
                c->alertFlag = 1;
                FindNextEnemyShip(kFormationRadius, c);
            } else if (pilot.side == 2 && r < kAttackRating && c->pilot.side == 1 && now % 15000u < 5000u) {
                Radio(this, TEXTLINE_TOENEMY_DONTMOVECLOSE);
                c->alertFlag = 1;
            }
        });

    if (enemy && bestRating >= kAttackRating && HasWeapons()) {
        if (enemy == g_PlayerObject) {
            Radio(this, TEXTLINE_TOENEMY_PREPARETODIE);
            CombatMusic();
        }
        if (now % 10000u < 1000u && pilot.side == 1) {
            Radio(this, StartAttackLine(enemy));
            CombatMusicNear(enemy);
        }
        PushOrder();
        SetOrder(ACTION_ATTACK, enemy, nullptr, 0);
        return;
    }

    const float radius = boundsRadius;
    if (!IsStationKindValue(g->kind) || g->speed != 0.0f) {
        // Escort: a place beside the charge, level with it.
        orderSubState = 0;
        Vec3 l = g->WorldToLocal(position);
        if (std::fabs(l.x) <= 1.0f && std::fabs(l.y) <= 1.0f) l = Vec3(10.0f, 0.0f, 0.0f);
        l.z = 0.0f;
        l = Vec3Normalize(l) * (radius * 10.0f + g->boundsRadius);
        const Vec3 gForward = Row(g->worldMatrix, 2);
        destination = FrameToWorld(g->position, g->position + gForward, Row(g->worldMatrix, 1), l);
        RollTowards(this, g, dt);
        const float d = Vec3Length(destination - position);
        if (d < radius * 5.0f) {
            destination = position + gForward * 100.0f;
            cruiseSpeed = g->speed / 5.0f;
        } else if (d < radius * 20.0f) {
            cruiseSpeed = engineMax * d / (radius * 20.0f) * 1.25f;
        } else {
            cruiseSpeed = engineMax;
        }
        SteerToPoint(dt);
        return;
    }

    // Patrol before a resting station's gate.
    const float r = g->boundsRadius < kPatrolRadiusLimit ? g->boundsRadius : kPatrolRadiusLimit;
    Vec3 p0, p1;
    GateAxis(g, &p0, &p1);
    const Vec3 axis = Vec3Normalize(p1 - p0);
    switch (orderSubState) {
    case 1: {
        destination = targetPoint;
        const float d = Vec3Length(destination - position);
        if (d < radius * 2.0f) orderSubState = 2;
        cruiseSpeed = d < radius * 20.0f ? engineMax * d / (radius * 20.0f) * 1.1f : engineMax;
        SteerToPoint(dt);
        break;
    }
    case 2:
        cruiseSpeed = 0.0f;
        destination = p1 - axis * (r * 1000.0f);
        SteerToPoint(dt);
        RollTowards(this, g, dt);
        break;
    default: {
        const Vec3 offset = RandomOffset(false) * r;
        const Vec3 e = p0 + axis * (r * 2.0f);
        targetPoint = destination = FrameToWorld(e, p0, Row(g->worldMatrix, 1), offset);
        orderSubState = 1;
        AnnouncePlan(this);
        break;
    }
    }
}

void CUnit::SpaceActAttack(float dt)
{
    if (target2 && Gone(target2)) target2 = nullptr;
    if (boundUnit && Gone(boundUnit)) {
        boundUnit = nullptr;
        CUnit* player = pilot.side == 1 ? PlayerToGuard(this) : nullptr;
        if (player) {
            boundUnit = player;
        } else if (pilot.side == 1 || pilot.side == 2) {
            ClearOrderStack();
            SetOrder(ACTION_STAY, nullptr, nullptr, 0);
            return;
        }
    }

    const bool targetLost = Gone(target) || !target->IsCraft() || target->IsDockingStage2();
    if (targetLost) {
        if (!target2 || target2->IsDockingPhase()) {
            if (!boundUnit && pilot.side == 1) {
                ClearOrderStack();
                SetOrder(ACTION_GUARD, g_HeroStation, nullptr, 0);
            } else if (!boundUnit && pilot.side == 2) {
                ClearOrderStack();
                SetOrder(ACTION_STAY, nullptr, nullptr, 0);
            } else {
                PopOrder();
            }
            return;
        }
        // The second target stands in until the next re-planning.
        target = target2;
    }

    const uint32_t now = NowMs();
    if (boundUnit) {
        if (SecondsSince(timers[2]) >= kReplanSeconds) {
            timers[2] = now;
            float bestRating = kAttackRating;
            CUnit* best = BestHostile(
                this, kGuardScanRadius, &bestRating, [&](CUnit* c) { return RateTarget(this, kGuardScanRadius, c); },
                [](CUnit*, float) {});
            if (!best) {
                if (target && target == g_PlayerObject && g_LocationKind == g_WorldIndex)
                    Radio(this, TEXTLINE_TOENEMY_DONTCOMEBACK);
                PopOrder();
                return;
            }
            if (best != target) {
                target = best;
                AnnouncePlan(this);
                if (best == g_PlayerObject) {
                    Radio(this, TEXTLINE_TOENEMY_PREPARETODIE);
                    CombatMusic();
                }
                if (pilot.side == 1 && now % 15000u < 5000u) {
                    Radio(this, StartAttackLine(best));
                    CombatMusicNear(best);
                }
            }
        }
    } else if (target2) {
        if (SecondsSince(timers[2]) >= kReplanSeconds) {
            timers[2] = now;
            float bestRating = kPriorityThreshold;
            CUnit* second = target2;
            CUnit* best = BestHostile(
                this, kSecondTargetRadius, &bestRating,
                [&](CUnit* c) { return c == second ? 0.0f : TargetPriority(this, kSecondTargetRadius, c); },
                [](CUnit*, float) {});
            target = best ? best : second;
        }
    }
    if (Gone(target)) return;

    // Geometry.
    CUnit* t = target;
    const Vec3 c = Vec3TransformCoord(t->boundsCentre, t->worldMatrix);
    const float s = GetMeanShotSpeed();
    Vec3 lead;
    ComputeLeadPoint(t, s, &lead);
    const Vec3 lc = WorldToLocal(c);
    const Vec3 ll = WorldToLocal(lead);
    const Vec3 o = t->WorldToLocal(position);
    float dist = Vec3Length(c - position);
    float distL = Vec3Length(lead - position);
    const float sTarget = t->GetMeanShotSpeed();
    if (t->speed == 0.0f || IsStationKindValue(t->kind)) {
        dist -= t->boundsRadius;
        distL -= t->boundsRadius;
    }
    // Distances are measured in own radii; a unit without one counts as one unit wide.
    const float radius = boundsRadius > 0.0f ? boundsRadius : 1.0f;
    const bool ahead = lc.z > 0.0f;
    const Vec3 forward = Row(worldMatrix, 2);
    const bool secondPassed = SecondsSince(timers[1]) >= 1.0f;
    if (secondPassed) timers[1] = now;

    switch (orderSubState) {
    case 0:
        destination = c;
        cruiseSpeed = engineMax;
        if (s > dist) orderSubState = 1;
        break;
    case 1:
        destination = ll.z > 0.0f ? lead : c - Row(t->worldMatrix, 2) * (t->boundsRadius * 2.0f);
        if (s < distL) {
            orderSubState = 0;
        } else if (distL < radius * 5.0f) {
            orderSubState = 2;
        } else if (secondPassed && o.z > 0.0f && distL < radius * 10.0f && GameRand() % 5 == 0) {
            orderSubState = 2;
        }
        if (orderSubState == 1) {
            if (distL < radius * 30.0f) {
                if (ahead) {
                    if (o.z < 0.0f) {
                        cruiseSpeed = distL < radius * 10.0f ? t->speed : t->speed * 1.2f;
                    } else {
                        const float cone = dist / radius * 0.5f;
                        cruiseSpeed = cone > std::fabs(o.x) && cone > std::fabs(o.y) ? engineMax : distL / radius * 2.5f;
                    }
                } else {
                    cruiseSpeed = distL / radius * 2.5f;
                }
            } else {
                cruiseSpeed = ahead ? engineMax : distL / radius * 2.0f;
            }
        }
        if (o.z < 0.0f) RollTowards(this, t, dt);
        break;
    case 2: {
        cruiseSpeed = engineMax;
        if (s < dist) {
            orderSubState = 0;
            break;
        }
        if (secondPassed && GameRand() % 6 == 0) {
            orderSubState = 0;
            break;
        }
        const Vec3 away = Vec3Normalize(position - c);
        const float cone = dist / radius * 2.0f;
        if (t->speed != 0.0f && ahead && cone > std::fabs(o.x) && cone > std::fabs(o.y) && dist < sTarget * 0.5f) {
            // In front of its guns: cross its nose.
            if (dist < radius * 10.0f) destination = position + forward * s;
            else destination = position + forward * (s * 2.0f / 3.0f) + away * s;
            const float side = o.y > 0.0f ? 1.0f : (o.y < 0.0f ? -1.0f : 0.0f);
            angularStep.y += side * kMaxTurn * dt * Inverse(manoeuvring) * SkillFactor(this);
        } else {
            destination = position + away * (s * 1.5f);
        }
        break;
    }
    default:
        orderSubState = 0;
        break;
    }

    // Firing; another player's pirates fire in that player's game.
    if (!(IsNetworkGame() && pilot.side == 2)) {
        const Vec3 d = Vec3Normalize(ll);
        const float lateral = std::sqrt(d.x * d.x + d.y * d.y);
        const float cone = (pilot.skill + 1.0f) * 0.15f;
        if (ahead && GetMeanShotValue(GTYPE_LASER_WEAPON) > distL && lateral < cone) FireLasers();
        if (ahead && distL < GetMeanShotValue(GTYPE_ROCKT_WEAPON) * 0.5f && lateral < cone) FireRockets();
        if (ahead && distL < GetMeanShotValue(GTYPE_MISSL_WEAPON) * 0.5f && lateral < cone * 2.0f) FireMissiles();
    }

    SteerToPoint(dt);
    hullReference = hull;
}

void CUnit::SpaceActTransport(float)
{
    CUnit* end = transportEnds[0];
    if (Gone(end)) {
        // Another player's orders may name ends this copy never has: a line a second at most.
        static NetLogRate s_NoEnd;
        if (const int k = s_NoEnd.Note(timeGetTime()))
            DebugOutF("Transport run of unit %d has no end %d: stopped%s", pilot.objectId, transportEndIds[0],
                      k > 1 ? (" (" + std::to_string(k) + " since the last line)").c_str() : "");
        ClearOrderStack();
        SetOrder(ACTION_STAY, nullptr, nullptr, 0);
        return;
    }
    const bool cargoSystem = end->FindCargoItem() != nullptr;
    if ((cargoSystem && end->ore <= 0.0f) || (!cargoSystem && ore <= 0.0f)) {
        ClearOrderStack();
        SetOrder(ACTION_STAY, nullptr, nullptr, 0);
        return;
    }
    PushOrder();
    target = end;
    SetOrder(ACTION_DOCKING, end, nullptr, 0);
    dockTime = 0;
    SetTargetsById(transportEndIds[1], transportEndIds[0]);
}

void CUnit::SpaceActDocking(float dt)
{
    ClearWaypoints();
    if (pilot.side == 3) {
        // Aliens latch onto their station instead of going through a bay.
        UpdateStation(dt);
        return;
    }

    CUnit* base = target;
    // Sub-states 0 to 2 are the ship's own flight; -1 and 3 to 5 belong to the bay, which
    // must not lose a ship it holds.
    const bool ownFlight = orderSubState >= 0 && orderSubState < 3;
    if (Gone(base) || !base->FindGateBay() || (ownFlight && base->FindCargoItem() && !(base->ore > 0.0f))) {
        target = nullptr;
        PopOrder();
        // A player's ship the bay was flying (in or out) when its station died is his again:
        // no bay is left to hand it back.
        if ((this == g_PlayerObject || kind == GTYPE_SP_HEROSHIP) && !manualControl) {
            manualControl = 1;
            dockingStage = -1;
            collisionFlag = 1;
        }
        return;
    }

    if (pilot.side == 1 && ownFlight) {
        const uint32_t now = NowMs();
        float bestRating = 0.0f;
        CUnit* enemy = nullptr;
        bool announcedBefore = false;
        CUnit* c = nullptr;
        for (int i = CObjectList::FindNextHostile(kPlayerNearRadius, this, 1, &c); i >= 0 && c;
             i = CObjectList::FindNextHostile(kPlayerNearRadius, this, i + 1, &c)) {
            if (c->IsDockingStage2()) continue;
            const float r = RateTarget(this, kPlayerNearRadius, c);
            if (r <= bestRating) continue;
            bestRating = r;
            enemy = c;
            announcedBefore = c->alertFlag != 0;
            if (announcedBefore) continue;
            if (c->pilot.side == 2) Radio(this, TEXTLINE_TOFRIEND_ENEMYDETECT1);
            else if (c->pilot.side == 3 && now % 15000u < 5000u) Radio(this, TEXTLINE_TOFRIEND_ENEMYDETECT2);
            c->alertFlag = 1;
            FindNextEnemyShip(kFormationRadius, c);
        }
        if (enemy && bestRating > kAttackRating) {
            if (HasWeapons() && hull > hullMax * 0.5f) {
                PushOrder();
                SetOrder(ACTION_ATTACK, enemy, nullptr, 0);
                return;
            }
            if (!announcedBefore) {
                Radio(this, StartAttackLine(enemy));
                enemy->alertFlag = 1;
            }
        }
    }

    if (ownFlight && dockTime == 0) {
        // Nothing to fetch and nothing to bring.
        const bool cargoBase = base->FindCargoItem() != nullptr;
        if ((cargoBase && !(base->ore > 0.0f)) || (!cargoBase && !(ore > 0.0f))) {
            ClearOrderStack();
            SetOrder(ACTION_STAY, nullptr, nullptr, 0);
            return;
        }
    }

    Vec3 p0, p1;
    GateAxis(base, &p0, &p1);
    const Vec3 a = Vec3Normalize(p1 - p0);
    const float rb = base->boundsRadius > 0.0f ? base->boundsRadius : 1.0f;
    const float radius = boundsRadius > 0.0f ? boundsRadius : 1.0f;
    const Vec3 up = Row(base->worldMatrix, 1);

    switch (orderSubState) {
    case 0: {
        if (Vec3Length(position - p1) < rb * 3.0f && Vec3Dot(position - p0, a) > 0.0f) {
            targetPoint = position;
            orderSubState = 1;
            return;
        }
        const Vec3 offset = RandomOffset(true) * rb;
        const Vec3 e = p1 + a * (rb * 2.0f);
        targetPoint = destination = FrameToWorld(e, p0, up, offset);
        orderSubState = 1;
        AnnouncePlan(this);
        break;
    }
    case 1:
        destination = targetPoint;
        cruiseSpeed = engineMax;
        SteerToPoint(dt);
        if (Vec3Length(targetPoint - position) < radius * 10.0f) orderSubState = 2;
        break;
    case 2: {
        // A ship sent to line up again while the bay already holds it (a scene's order
        // renewed) is inside already: asking again would be refused for good.
        if (base->bayUnit == this) {
            orderSubState = 3;
            break;
        }
        float r = rb * 2.0f;
        const Vec3 fromP1 = position - p1;
        const float along = Vec3Dot(fromP1, a);
        if (along > 0.0f) {
            const float off = Vec3Length(fromP1 - a * along);
            if (off < r) r = off;
        }
        destination = p1 + a * r;
        cruiseSpeed = 0.0f;
        SteerToPoint(dt);
        RollTowards(this, base, dt);
        const Vec3 l = WorldToLocal(destination);
        if (std::fabs(l.x) < 100.0f && std::fabs(l.y) < 100.0f && l.z > 0.0f && base->RequestDocking(this, dockTime))
            orderSubState = 3;
        break;
    }
    case 3: {
        RollTowards(this, base, dt);
        const float d = Vec3Length(p1 - position);
        float k = dt * 10.0f;
        if (k > 1.0f) k = 1.0f;
        if (dockingStage == 0) {
            // Near the line-up point the ship is drawn onto the bay's axis.
            if (d < 200.0f) {
                position += (p1 + a * d - position) * ((1.0f - d / 200.0f) * k);
                destination = p0;
            }
        } else if (dockingStage == 2 || dockingStage == 1001) {
            // The bay moves the ship towards its gate point; the ship keeps to the axis.
            const Vec3 fromP0 = position - p0;
            const Vec3 onAxis = p0 + a * Vec3Dot(fromP0, a);
            position += (onAxis - position) * (k * 0.2f);
        }
        break;
    }
    case 4:
        // While the bay still turns a ship round it sets the speed itself.
        if (base->bayUnit != this) cruiseSpeed = engineMax;
        break;
    case 5:
        destination = p0;
        cruiseSpeed = 0.0f;
        break;
    default:
        break;
    }
}
