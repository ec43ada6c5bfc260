// Bullets: laser bolts, rockets and missiles in a world's bullet list, with up to four
// bullet effects. The record is complete; loading, flight and homing come with the
// bullet code.
#pragma once
#include <cstdint>

#include "world/game_object.h"
#include "world/object_codes.h"

class CBullet;
class CEffectObject;
class CSound;
class CUnit;

constexpr int kMaxBulletEffects = 4;
constexpr int kBulletPathLength = 255;
constexpr int kBulletNameLength = 129;
constexpr int kBulletTrailPoints = 64;

class CBulletEffect : public CGameObject {
public:
    int32_t word;
    int32_t started;
    CSound* sound;
    CBullet* parent;
    uint32_t trailCount;
    Vec3 trailPoints[kBulletTrailPoints];
    float trailIntensities[kBulletTrailPoints];
    float trailValues[kBulletTrailPoints];
    uint32_t trailTimes[kBulletTrailPoints];

    CBulletEffect();
    CBulletEffect(const CBulletEffect&) = delete;
    CBulletEffect& operator=(const CBulletEffect&) = delete;

    void Draw();
    void Release();
};

class CBullet : public CGameObject {
public:
    int32_t loaded;
    int32_t networkId;
    uint32_t lastUpdateTime;
    uint32_t trailTime;
    uint32_t hitTestTime;
    uint32_t endTime;
    float hitTestInterval;
    int32_t word;
    float afterBurnTime;
    CUnit* target;          // homing target; cleared when that unit goes
    CUnit* owner;           // who fired it; cleared when that unit goes
    Vec3 targetPoint;
    int32_t effectCount;
    CBulletEffect* effects[kMaxBulletEffects];
    char filePath[kBulletPathLength];
    char name[kBulletNameLength];
    float alive;            // 0: the list removes it
    float damage;
    Vec3 velocity;
    float maxSpeed;
    float speed;
    float turnInertia;
    float flightTime;
    float remainingFlightTime;
    CEffectObject* derived[kDerivedSlotCount];
    char derivedPaths[kDerivedSlotCount][kBulletPathLength];

    CBullet();
    CBullet(const CBullet&) = delete;
    CBullet& operator=(const CBullet&) = delete;

    void ResetState();
    // Reads the description: 1 on success, 0 when the file cannot be opened.
    int Load(const char* path);
    // Once the creator has placed the bullet: target point, matrices and time stamps.
    void FinishSpawn();
    // The step of a frame.
    void Update();
    void DrawEffects();
    bool IsFlying() const { return remainingFlightTime != 0.0f; }
    bool HasEnded() const { return remainingFlightTime == 0.0f; }
    // Effects, derived templates, meshes and textures; the list frees the record.
    void Release();
};
