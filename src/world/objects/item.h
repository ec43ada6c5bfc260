// Items: weapons and ship systems carried by a unit.
#pragma once
#include <cstdint>

#include "world/objects/game_object.h"

class CBullet;
class CSound;
class CUnit;

constexpr int kItemNameLength = 128;
constexpr int kItemDescriptionLength = 512;
constexpr int kItemPathLength = 255;

// A value as loaded and the upgrade bonus on top of it.
struct ItemBaseValue {
    float value;
    float bonus;
};

enum ItemBaseIndex {
    ITEM_BASE_DAMAGE = 0,
    ITEM_BASE_RANGE = 1,
    ITEM_BASE_SHOT_SPEED = 2,
    ITEM_BASE_CAPACITY = 3,
    ITEM_BASE_RELOAD = 4,
};

class CItem : public CGameObject {
public:
    uint32_t lastFireTime;
    int32_t updated;
    int32_t armed;
    int32_t trigger;
    int32_t ready;
    CSound* sound;
    CUnit* owner;
    CUnit* lockTarget;
    Vec3 attachPoint;
    char name[kItemNameLength];
    char description[kItemDescriptionLength];
    char filePath[kItemPathLength];
    char bulletPath[kItemPathLength];
    int32_t attachIndex;
    float bulletDamage;
    float range;
    float shotSpeed;
    float capacity;
    float reloadTime;
    int32_t maxAmmo;
    int32_t ammo;
    float* capacityRef;
    ItemBaseValue baseValues[5];

    CItem();
    CItem(const CItem&) = delete;
    CItem& operator=(const CItem&) = delete;

    // Non-zero on success. attachIndex -1 takes the owner's next free attachment point.
    int Load(const char* path, CUnit* ownerUnit, int attachIndexArg);
    // Current values := base + bonus (placement).
    void ApplyBaseValues();
    void Update();
    // 0..100: how far the reload (or a running anti-missile activation) has come.
    int GetReadyPercent();
    void StopSound();
    void ReleaseSound();
    void Release();

private:
    // Last fire time := now, not ready, trigger cleared.
    void RestartReload();
    // Laser and rocket launcher; the missile launcher after its lock holds.
    void UpdateGun();
    void UpdateMissileLauncher();
    void UpdateAntiMissile();
    // Shared by the guns: the muzzle and the sound that follows it, the readiness and the
    // trigger. True when a shot goes off this frame (ammunition, sound, count and shake done).
    bool TryFire(Vec3* muzzle);
    // Places the new bullet's last values, finishes it and hands it to the bullet list.
    void LaunchBullet(CBullet* bullet);
};

// Damage of a bullet description, read without creating the bullet; 0 when unreadable.
float ReadDescriptionValue(const char* bulletPath);
