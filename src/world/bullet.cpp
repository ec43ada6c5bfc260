#include "world/bullet.h"

#include <cstring>

#include "audio/audio_manager.h"
#include "world/effect_object.h"
#include "world/game_clock.h"

CBulletEffect::CBulletEffect()
    : word(0), started(0), sound(nullptr), parent(nullptr), trailCount(0)
{
    for (int i = 0; i < kBulletTrailPoints; ++i) {
        trailPoints[i] = Vec3();
        trailIntensities[i] = -1.0f;
        trailValues[i] = i / 3.0f;
        trailTimes[i] = 0;
    }
}

void CBulletEffect::Draw()
{
    DrawMesh(0);
}

void CBulletEffect::Release()
{
    if (sound) {
        sound->Stop();
        g_AudioManager.ReleaseSound(&sound);
    }
    ReleaseMeshes();
    ReleaseTextures();
}

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

void CBullet::Update()
{
    // Flight, homing and hits come with the bullet code; until then a bullet stands
    // where it was put and keeps its time stamp.
    lastUpdateTime = g_GameClock.NowMs();
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
