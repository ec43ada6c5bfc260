#include "world/bullet.h"

#include <cstdio>
#include <cstring>

#include "audio/audio_manager.h"
#include "locations/location_director.h"
#include "world/desc_file.h"
#include "world/effect_object.h"
#include "world/game_clock.h"
#include "world/object_list.h"

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

int CBullet::Load(const char* path)
{
    CDescFile file;
    if (!file.Open(path)) return 0;
    loaded = 1;
    std::snprintf(filePath, sizeof filePath, "%s", path);
    networkId = -1;
    char text[kDescLineLength];
    ReadObjectHeader(file, this, text, sizeof text, nullptr);
    std::snprintf(name, sizeof name, "%.*s", int(sizeof name) - 1, text);
    if (g_GameMode == 2 && networkId == -1) {
        networkId = CObjectList::NextId();
        if (kind == GTYPE_LASER_WEAPON) drawMode = 1;
    }
    file.SkipLine();
    alive = file.ReadFloat();
    damage = (float)file.ReadInt();
    file.ReadTwoNumbers(&maxSpeed, &speed);
    turnInertia = file.ReadFloat();
    flightTime = remainingFlightTime = file.ReadFloat();
    // The effect blocks and the derived objects come with the bullet code.
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
