#include "world/objects/bullet.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/settings.h"
#include "audio/audio_manager.h"
#include "locations/location_director.h"
#include "platform/crt/rand.h"
#include "world/objects/attached_effect.h"
#include "world/objects/desc_file.h"
#include "world/objects/effect_object.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {
// Rockets and missiles gain this much speed per second.
constexpr float kRocketAcceleration = 500.0f;
constexpr float kAfterBurnTime = 3.0f;
constexpr float kTrailPuffInterval = 0.05f;
constexpr float kFarHitTestInterval = 0.2f;
constexpr float kMaxHomingRate = 0.075f;

Vec3 Forward(const CGameObject* o) { return Vec3(o->worldMatrix.m[2][0], o->worldMatrix.m[2][1], o->worldMatrix.m[2][2]); }
Vec3 Up(const CGameObject* o) { return Vec3(o->worldMatrix.m[1][0], o->worldMatrix.m[1][1], o->worldMatrix.m[1][2]); }

// A small random spin about the flight axis, -0.1 .. 0.1.
float RandomSpin() { return float(GameRand() % 201) / 1000.0f - 0.1f; }
}  // namespace

CBullet::CBullet()
{
    ResetState();
}

void CBullet::ResetState()
{
    loaded = 0;
    networkId = -1;
    lastUpdateTime = trailTime = hitTestTime = endTime = 0;
    hitTestInterval = 0.0f;
    word = 0;
    afterBurnTime = 0.0f;
    target = nullptr;
    owner = nullptr;
    targetPoint = Vec3();
    effectCount = 0;
    for (CBulletEffect*& e : effects) e = nullptr;
    std::memset(filePath, 0, sizeof(filePath));
    std::memset(name, 0, sizeof(name));
    alive = 0.0f;
    damage = 0.0f;
    velocity = Vec3();
    maxSpeed = speed = turnInertia = 0.0f;
    flightTime = remainingFlightTime = 0.0f;
    for (int i = 0; i < kDerivedSlotCount; ++i) {
        derived[i] = nullptr;
        derivedPaths[i][0] = 0;
    }
}

int CBullet::Load(const char* path)
{
    CDescFile file;
    if (!file.Open(path)) {
        DebugOutF("CBullet::Load(): can't open \"%s\"", path ? path : "(null)");
        return 0;
    }
    loaded = 1;
    CopyTextCut(filePath, sizeof(filePath), path);
    networkId = -1;
    char text[kDescLineLength];
    ReadObjectHeader(file, this, text, sizeof text, nullptr);
    CopyTextCut(name, sizeof(name), text);
    if (g_GameMode == 2 && networkId == -1) {
        networkId = CObjectList::NextId();
        if (kind == GTYPE_LASER_WEAPON) drawMode = 1;
    }
    file.SkipLine();
    alive = file.ReadFloat();
    damage = float(file.ReadInt());
    file.ReadTwoNumbers(&maxSpeed, &speed);
    turnInertia = file.ReadFloat();
    flightTime = remainingFlightTime = file.ReadFloat();

    file.SkipLine();
    const int effectLines = file.ReadCount();
    const int kept = CheckBlockCount(effectLines, kMaxBulletEffects, "Too many effects!");
    for (int i = 0; i < effectLines && i < kMaxSurplusLines && !file.Ended(); ++i) {
        file.SkipLine();
        if (i >= kept) {
            CAttachedEffect::SkipBlock(file);
            continue;
        }
        CBulletEffect* e = new CBulletEffect();
        effects[effectCount++] = e;
        e->Load(file, this);
    }

    file.SkipLine();
    const int derivedLines = file.ReadCount();
    for (int i = 0; i < derivedLines && i < kMaxSurplusLines && !file.Ended(); ++i) {
        const int slot = file.ReadDerivedLine(text, sizeof text);
        if (slot <= DERIVED_NONE || slot >= kDerivedSlotCount) {
            DebugOutF("CBullet::Load(): unknown derived slot on line %d of \"%s\"", i + 1, filePath);
            continue;
        }
        if (derived[slot]) {
            // A second line for the same slot replaces the first.
            derived[slot]->Release();
            delete derived[slot];
            derived[slot] = nullptr;
        }
        CopyTextCut(derivedPaths[slot], sizeof(derivedPaths[slot]), text);
        CEffectObject* d = new CEffectObject();
        derived[slot] = d;
        d->Load(derivedPaths[slot]);
    }

    const uint32_t now = g_GameClock.NowMs();
    trailTime = now;
    file.Close();
    if (meshCount > 0 && meshes[0]) UpdateBounds();
    drawPosition = position;
    lastUpdateTime = hitTestTime = endTime = now;
    return 1;
}

void CBullet::FinishSpawn()
{
    targetPoint = position;
    // Drawn where it was put from its first frame on, not at the load's origin.
    drawPosition = position;
    UpdateTransform();
    const uint32_t now = g_GameClock.NowMs();
    lastUpdateTime = trailTime = hitTestTime = endTime = now;
    RunEffects();
}

void CBullet::RunEffects()
{
    for (CBulletEffect* e : effects)
        if (e) e->OnEvent();
}

void CBullet::ForgetDeadOwner()
{
    if (owner && (owner->hull == 0.0f || owner->orderType == ACTION_DEAD)) owner = nullptr;
}

void CBullet::Update()
{
    const uint32_t now = g_GameClock.NowMs();
    const float dt = float(now - lastUpdateTime) * 0.001f;
    lastUpdateTime = now;
    if (kind == GTYPE_ROCKT_WEAPON || kind == GTYPE_MISSL_WEAPON)
        UpdateRocket(now, dt);
    else
        UpdateLaser(now, dt);
}

void CBullet::UpdateLaser(uint32_t now, float dt)
{
    ForgetDeadOwner();
    // Turned about its flight axis so the flat bolt faces the camera.
    const Vec3 toEye = Vec3Normalize(g_World.Camera().eye - position);
    SetLookAt(position, position + Forward(this), toEye);
    velocity = Forward(this) * speed * dt;
    HitTest(now, 0.1f, 0.001f);
    position = position + velocity;
    remainingFlightTime -= dt;
    if (remainingFlightTime <= 0.0f) {
        remainingFlightTime = 0.0f;
        alive = 0.0f;
    }
    drawPosition = position;
    UpdateTransform();
    RunEffects();
}

void CBullet::UpdateRocket(uint32_t now, float dt)
{
    ForgetDeadOwner();
    if (remainingFlightTime == 0.0f) {
        if (float(now - endTime) * 0.001f > afterBurnTime) alive = 0.0f;
        return;
    }
    if (speed < maxSpeed) {
        speed += kRocketAcceleration * dt;
        if (speed > maxSpeed) speed = maxSpeed;
        if (speed < 0.0f) speed = 0.0f;
    }
    velocity = Forward(this) * speed * dt;
    if (target && !target->IsAlive()) target = nullptr;
    if (kind == GTYPE_MISSL_WEAPON && target) {
        targetPoint = target->position;
        SteerToTarget(dt);
    }
    HitTest(now, 0.2f, 0.005f);
    position = position + velocity;

    const int trail = GetTrailSlot();
    if (trail && float(now - trailTime) * 0.001f > kTrailPuffInterval) {
        trailTime = now;
        if (CObjectList::CountEffects() < kMaxEffects) SpawnTrailPuff();
    }

    remainingFlightTime -= dt;
    if (remainingFlightTime <= 0.0f) {
        SpawnExplosion(position, Forward(this), speed / 1.5f);
        // Invisible and unhittable from now on; the trail fades out during the after-burn.
        scale2 = Vec3(0.0f, 0.0f, 0.0f);
        remainingFlightTime = 0.0f;
        afterBurnTime = kAfterBurnTime;
        endTime = now;
    }
    drawPosition = position;
    UpdateTransform();
    RunEffects();

    float inertia = turnInertia != 0.0f ? turnInertia : 1.0f;
    const float divisor = (0.1f - dt * 0.5f) / inertia + 1.0f;
    if (divisor != 0.0f && std::isfinite(divisor)) angularStep = angularStep / divisor;
}

bool CBullet::HitTest(uint32_t now, float shake, float skillGain)
{
    if (damage == 0.0f || Vec3LengthSq(velocity) == 0.0f) return false;
    if (float(now - hitTestTime) * 0.001f < hitTestInterval) return false;
    hitTestTime = now;

    const Vec3 reach = position + Vec3Normalize(velocity) * speed * 0.5f;
    if (!RaySphereHit(1.0f, position, reach, nullptr, owner)) {
        hitTestInterval = kFarHitTestInterval;
        return false;
    }
    hitTestInterval = 0.0f;
    Vec3 hit;
    CUnit* victim = g_World.SegmentHitTest(position, position + velocity, 0, &hit, nullptr, owner, nullptr);
    if (!victim) return false;

    if (victim == g_PlayerObject)
        g_World.Camera().SetShakeVector(Vec3Normalize(position - hit) * shake);

    float dealt = damage;
    const int sector = g_LocationDirector.locationId;
    if ((victim == g_PlayerObject || victim->pilot.side == 1) && IsSectorLocation(sector))
        dealt = damage * 0.5f * (1.0f - float(12 - sector) / 11.0f * 0.5f);
    const Vec3 axis = Forward(this);
    if (!remote) victim->TakeHit(dealt, owner, hit, &axis);

    // The victim may have been taken out of the list by the hit; only its values are read.
    const Vec3 victimForward = Forward(victim);
    SpawnExplosion(hit + Vec3Normalize(g_World.Camera().eye - hit), victimForward, victim->speed);

    if (owner && owner->target == victim) {
        owner->pilot.skill += skillGain;
        if (owner->pilot.skill > 1.0f) owner->pilot.skill = 1.0f;
        ++owner->statistics.shotsOnTarget;
    }
    remainingFlightTime = 0.0f;
    return true;
}

void CBullet::SpawnExplosion(const Vec3& at, const Vec3& direction, float explosionSpeed)
{
    if (CObjectList::CountEffects() >= kMaxEffects) return;
    const int slot = GetExplosionSlot();
    if (!slot) return;
    CEffectObject* e = derived[slot];
    derived[slot] = nullptr;
    e->ResetTimers();
    e->position = at;
    e->drawPosition = at;
    e->direction = direction;
    e->speed = explosionSpeed;
    e->drawMode = 1;
    e->angularStep.z = RandomSpin();
    CObjectList::AddEffect(e);
}

void CBullet::SpawnTrailPuff()
{
    const int slot = GetTrailSlot();
    if (!slot) return;
    CEffectObject* e = new CEffectObject();
    e->Load(derivedPaths[slot]);
    e->drawMode = 1;
    e->position = position;
    e->drawPosition = position;
    e->direction = Forward(this);
    e->speed = speed * 0.25f;
    // The puff grows from nothing.
    e->scale = Vec3(0.0f, 0.0f, 0.0f);
    e->angularStep.z = RandomSpin();
    CObjectList::AddEffect(e);
}

void CBullet::SteerToTarget(float dt)
{
    const Vec3 d = WorldToLocal(targetPoint);
    const float r = Vec3Length(targetPoint - position);
    if (r == 0.0f) return;  // on the target: nothing to steer to
    float h = d.x == 0.0f ? 0.0f : std::fabs(d.x) / r * kMaxHomingRate * (d.x < 0.0f ? -1.0f : 1.0f);
    float p = d.y == 0.0f ? 0.0f : std::fabs(d.y) / r * kMaxHomingRate * (d.y > 0.0f ? -1.0f : 1.0f);
    const float radius = boundsRadius > 0.0f ? boundsRadius : 1.0f;
    const float window = r / radius / 50.0f;
    if (std::fabs(d.x) <= window && std::fabs(d.y) <= window && d.z > 0.0f) {
        SetLookAt(position, targetPoint, Up(this));
        h = p = 0.0f;
    }
    if (d.z < 0.0f) h = h < 0.0f ? -kMaxHomingRate : kMaxHomingRate;
    const float inertia = turnInertia != 0.0f ? turnInertia : 1.0f;
    angularStep.x += p * dt / inertia;
    angularStep.y += h * dt / inertia;
}

int CBullet::GetTrailSlot() const
{
    for (int s = DERIVED_TRAIL_1; s <= DERIVED_TRAIL_3; ++s)
        if (derived[s]) return s;
    return 0;
}

int CBullet::GetExplosionSlot() const
{
    for (int s = DERIVED_EXPLOSION_1; s <= DERIVED_EXPLOSION_3; ++s)
        if (derived[s]) return s;
    return 0;
}

void CBullet::DrawEffects()
{
    if (effectCount == 0) return;
    for (CBulletEffect* e : effects)
        if (e) e->Draw();
}

void CBullet::Release()
{
    for (CBulletEffect*& e : effects) {
        if (!e) continue;
        e->Release();
        delete e;
        e = nullptr;
    }
    effectCount = 0;
    for (CEffectObject*& d : derived) {
        if (!d) continue;
        d->Release();
        delete d;
        d = nullptr;
    }
    ReleaseMeshes();
    ReleaseTextures();
}
