// Bullets: laser bolts, rockets and missiles in a world's bullet list, with up to four
// bullet effects (engine flame, glow and trail) and the explosion and trail templates
// they hand to the effect list.
#pragma once
#include <cstdint>

#include "world/objects/game_object.h"
#include "world/objects/object_codes.h"

class CBullet;
class CDescFile;
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

    // One effect block of the bullet's open file.
    int Load(CDescFile& file, CBullet* parentBullet);
    // The step of a frame.
    void OnEvent();
    void Draw();
    void PlaySound();
    // Stops and rewinds.
    void StopSound();
    void Release();

    // The parent mesh's first engine point in world space (scaled by the parent's second
    // scale, and by its scale as well when drawn); false when the mesh has none.
    bool EnginePoint(bool forDrawing, Vec3* out) const;

private:
    void DrawTrail();
};

class CBullet : public CGameObject {
public:
    int32_t loaded;
    int32_t networkId;
    int32_t remote = 0;     // another copy's shot: its hits show, the shooter's copy deals the damage
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
    // First filled derived slot among the trail slots, the explosion slots; 0 when none.
    int GetTrailSlot() const;
    int GetExplosionSlot() const;
    // Homing towards the target point.
    void SteerToTarget(float dt);
    bool IsFlying() const { return remainingFlightTime != 0.0f; }
    bool HasEnded() const { return remainingFlightTime == 0.0f; }
    // Effects, derived templates, meshes and textures; the list frees the record.
    void Release();

private:
    void UpdateLaser(uint32_t now, float dt);
    void UpdateRocket(uint32_t now, float dt);
    void ForgetDeadOwner();
    // The coarse and the fine hit test of this frame's move; true when a unit was hit.
    bool HitTest(uint32_t now, float shake, float skillGain);
    // Takes the explosion template out of its slot into the effect list at the point.
    void SpawnExplosion(const Vec3& at, const Vec3& direction, float explosionSpeed);
    void SpawnTrailPuff();
    void RunEffects();
};
