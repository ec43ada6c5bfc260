// Items: the record and its loading from the item's description file.
#include "world/objects/item.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/settings.h"
#include "audio/audio_manager.h"
#include "files/language.h"
#include "locations/location_director.h"
#include "net/network.h"
#include "render/camera.h"
#include "render/mesh.h"
#include "world/objects/bullet.h"
#include "world/objects/desc_file.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {

// Mounts the item on a point of the owner's first mesh. Points are finite: when the
// counter runs past the list, further items share its last point.
void Mount(CItem* item, int list, int cursorIndex, int given)
{
    CUnit* owner = item->owner;
    if (!owner || owner->meshCount <= 0 || !owner->meshes[0]) return;
    const CMesh* mesh = owner->meshes[0];
    int count = mesh->m_PointCount[list];
    if (count <= 0 || !mesh->m_Points[list]) return;
    int index;
    if (given >= 0) {
        index = given;
    } else {
        index = owner->attachCursors[cursorIndex];
        if (owner->attachCursors[cursorIndex] < count) ++owner->attachCursors[cursorIndex];
    }
    if (index >= count) index = count - 1;
    item->attachPoint = mesh->m_Points[list][index];
    item->attachIndex = index;
}

Vec3 ForwardAxis(const CGameObject* o)
{
    return Vec3(o->worldMatrix.m[2][0], o->worldMatrix.m[2][1], o->worldMatrix.m[2][2]);
}

Vec3 UpAxis(const CGameObject* o)
{
    return Vec3(o->worldMatrix.m[1][0], o->worldMatrix.m[1][1], o->worldMatrix.m[1][2]);
}

CSound* LoadItemSound(const char* name, int type, float minDistance, float maxDistance)
{
    NoteUnitSoundRequest(name);
    return g_AudioManager.LoadSound(name, type, minDistance, maxDistance);
}

} // namespace

CItem::CItem()
{
    lastFireTime = 0;
    updated = 0;
    armed = 1;
    trigger = 0;
    ready = 0;
    sound = nullptr;
    owner = nullptr;
    lockTarget = nullptr;
    attachPoint = Vec3();
    name[0] = 0;
    description[0] = 0;
    filePath[0] = 0;
    bulletPath[0] = 0;
    attachIndex = -1;
    bulletDamage = 0.0f;
    range = 0.0f;
    shotSpeed = 0.0f;
    capacity = 0.0f;
    reloadTime = 0.0f;
    maxAmmo = 0;
    ammo = 0;
    capacityRef = &capacity;
    for (ItemBaseValue& b : baseValues) b = {0.0f, 0.0f};
}

float ReadDescriptionValue(const char* path)
{
    CDescFile file;
    if (!file.Open(path)) return 0.0f;
    file.SkipLines(8);
    int meshes = file.ReadCount();
    for (int i = 0; i < meshes && !file.Ended(); ++i) file.SkipLine();
    int textures = file.ReadCount();
    for (int i = 0; i < textures + 1 && !file.Ended(); ++i) file.SkipLine();
    file.SkipLines(2);
    int value = file.ReadInt();
    file.Close();
    return (float)value;
}

int CItem::Load(const char* path, CUnit* ownerUnit, int attachIndexArg)
{
    owner = ownerUnit;
    CDescFile file;
    if (!file.Open(path)) {
        DebugOutF("CItem::Load(): can't open \"%s\"", path ? path : "(null)");
        return 0;
    }
    CopyTextCut(filePath, sizeof(filePath), path);

    char rawName[kDescLineLength];
    int vertexType = -1;
    ReadObjectHeader(file, this, rawName, sizeof(rawName), &vertexType);
    CopyTextCut(name, sizeof(name), TranslateName(rawName));

    char soundName[kDescLineLength];
    file.ReadText(soundName, sizeof(soundName));
    file.SkipLine();
    range = baseValues[ITEM_BASE_RANGE].value = file.ReadFloat();
    shotSpeed = baseValues[ITEM_BASE_SHOT_SPEED].value = file.ReadFloat();
    capacity = baseValues[ITEM_BASE_CAPACITY].value = file.ReadFloat();
    reloadTime = baseValues[ITEM_BASE_RELOAD].value = file.ReadFloat();
    file.ReadTwoInts(&maxAmmo, &ammo);
    file.SkipLine();
    int bullets = file.ReadCount();
    char bullet[kDescLineLength];
    for (int i = 0; i < bullets && !file.Ended(); ++i) {
        file.ReadText(bullet, sizeof(bullet));
        CopyTextCut(bulletPath, sizeof(bulletPath), bullet);
        bulletDamage = baseValues[ITEM_BASE_DAMAGE].value = ReadDescriptionValue(bullet);
    }
    file.SkipLine();
    file.Close();

    ReadItemDescription(path, description, sizeof(description));

    if (meshCount > 0 && meshes[0]) UpdateBounds();
    lastFireTime = g_GameClock.NowMs();

    const bool hasSound = soundName[0] != 0;
    switch (kind) {
    case GTYPE_AMSSYSTEM:
        if (hasSound) sound = LoadItemSound(soundName, SOUND_EFFECT, 1.0f, 10.0f);
        break;
    case GTYPE_BLLST_WEAPON:
        if (hasSound) sound = LoadItemSound(soundName, SOUND_3D, 30.0f, 300.0f);
        break;
    case GTYPE_LASER_WEAPON:
        if (hasSound) sound = LoadItemSound(soundName, SOUND_3D, 30.0f, 300.0f);
        Mount(this, MESH_POINTS_LASER, 0, attachIndexArg);
        break;
    case GTYPE_ROCKT_WEAPON:
    case GTYPE_MISSL_WEAPON:
        if (hasSound) sound = LoadItemSound(soundName, SOUND_3D, 30.0f, 300.0f);
        Mount(this, MESH_POINTS_ROCKET, 1, attachIndexArg);
        break;
    default:
        break;
    }
    return 1;
}

void CItem::ApplyBaseValues()
{
    range = baseValues[ITEM_BASE_RANGE].value + baseValues[ITEM_BASE_RANGE].bonus;
    shotSpeed = baseValues[ITEM_BASE_SHOT_SPEED].value + baseValues[ITEM_BASE_SHOT_SPEED].bonus;
    capacity = baseValues[ITEM_BASE_CAPACITY].value + baseValues[ITEM_BASE_CAPACITY].bonus;
    reloadTime = baseValues[ITEM_BASE_RELOAD].value + baseValues[ITEM_BASE_RELOAD].bonus;
}

void CItem::StopSound()
{
    if (sound) sound->Stop();
}

void CItem::ReleaseSound()
{
    if (!sound) return;
    sound->Stop();
    g_AudioManager.ReleaseSound(&sound);
    sound = nullptr;
}

void CItem::RestartReload()
{
    lastFireTime = g_GameClock.NowMs();
    ready = 0;
    trigger = 0;
}

void CItem::Update()
{
    switch (kind) {
    case GTYPE_LASER_WEAPON:
    case GTYPE_ROCKT_WEAPON:
        UpdateGun();
        break;
    case GTYPE_MISSL_WEAPON:
        UpdateMissileLauncher();
        break;
    case GTYPE_AMSSYSTEM:
        UpdateAntiMissile();
        break;
    case GTYPE_BOOSTSYSTEM:
    case GTYPE_CARGOSYSTEM:
        updated = 1;
        break;
    default:
        break;
    }
}

bool CItem::TryFire(Vec3* muzzle)
{
    const Vec3 forward = ForwardAxis(owner);
    *muzzle = Vec3TransformCoord(attachPoint, owner->worldMatrix);
    if (sound && sound->IsPlaying()) {
        sound->SetVelocity(forward * owner->speed);
        sound->SetPosition(*muzzle);
    }
    if (!ready) {
        if (!(reloadTime < g_GameClock.SecondsSince(lastFireTime))) return false;
        ready = 1;
    }
    if (!trigger) return false;
    // No room for the bullet: the shot waits, ready, and nothing is spent on it.
    if (CObjectList::CountBullets() >= kMaxBullets) return false;

    if (kind != GTYPE_LASER_WEAPON) --ammo;
    trigger = 0;
    ready = 0;
    lastFireTime = g_GameClock.NowMs();
    if (sound && g_WorldIndex == g_LocationKind) {
        sound->SetVolume(100.0f);
        sound->SetVelocity(forward * owner->speed);
        sound->SetPosition(*muzzle);
        sound->Play(0);
    }
    ++owner->statistics.shotsFired;
    if (owner == g_PlayerObject)
        g_World.Camera().SetShakeVector(forward * (kind == GTYPE_LASER_WEAPON ? 0.125f : 0.25f));
    return true;
}

void CItem::LaunchBullet(CBullet* bullet)
{
    bullet->FinishSpawn();
    // A full list destroys the bullet; it must not be touched again.
    if (!CObjectList::AddBullet(bullet)) return;
    if (g_GameMode == 2 && owner->pilot.side != 2) g_Network.SendObjectMessage(12, bullet);
}

void CItem::UpdateGun()
{
    updated = 1;
    if (kind == GTYPE_ROCKT_WEAPON && ammo == 0) armed = 0;
    if (!armed || !owner) {
        RestartReload();
        return;
    }
    Vec3 muzzle;
    if (!TryFire(&muzzle)) return;

    CBullet* bullet = new CBullet();
    bullet->Load(bulletPath);
    bullet->position = muzzle;
    bullet->owner = owner;
    if (kind == GTYPE_ROCKT_WEAPON && bullet->speed == 0.0f) bullet->speed = owner->speed;

    // Aim assist: a target straight ahead pulls the shot towards its lead point, the
    // more the nearer it lies to the nose.
    bool aimed = false;
    CUnit* target = owner->target;
    if (target && Vec3Length(target->position - bullet->position) < range) {
        Vec3 lead;
        owner->ComputeLeadPoint(target, &lead);
        const Vec3 d = Vec3Normalize(owner->WorldToLocal(lead));
        const float side = std::sqrt(d.x * d.x + d.y * d.y);
        if (d.z > 0.0f && side <= 0.25f) {
            const float distance = Vec3Length(lead - bullet->position);
            const Vec3 straight = bullet->position + ForwardAxis(owner) * distance;
            const float w = 1.0f - (4.0f * side) * (4.0f * side);
            const Vec3 aim = straight + (lead - straight) * w;
            bullet->SetLookAt(bullet->position, aim, UpAxis(owner));
            aimed = true;
        }
    }
    if (!aimed) bullet->worldMatrix = owner->worldMatrix;
    if (kind == GTYPE_LASER_WEAPON) bullet->drawMode = 1;
    LaunchBullet(bullet);
}

void CItem::UpdateMissileLauncher()
{
    updated = 1;
    if (ammo == 0) armed = 0;
    if (!armed || !owner || !owner->target) {
        RestartReload();
        return;
    }
    CUnit* target = owner->target;
    if (target != lockTarget) {
        // A new lock starts from zero.
        lockTarget = target;
        RestartReload();
        return;
    }
    if (!target->IsAlive()) {
        owner->target = nullptr;
        lockTarget = nullptr;
        RestartReload();
        return;
    }
    if (Vec3Length(target->position - owner->position) > range) {
        RestartReload();
        return;
    }

    const Vec3 forward = ForwardAxis(owner);
    bool locked;
    if (owner == g_PlayerObject) {
        CCamera& camera = g_World.Camera();
        camera.SetMatrices(owner->position, owner->position + forward * 100.0f, UpAxis(owner));
        float x = 0.0f, y = 0.0f;
        locked = camera.IsObjectVisible(target) && camera.WorldToScreen(&x, &y, target->position) &&
                 std::fabs(x - 400.0f) <= 300.0f && std::fabs(y - 300.0f) <= 300.0f;
    } else {
        const Vec3 p = owner->WorldToLocal(target->position);
        locked = p.z > 0.0f && 2.0f * std::sqrt(p.x * p.x + p.y * p.y) <= p.z;
    }
    if (!locked) {
        RestartReload();
        return;
    }

    Vec3 muzzle;
    if (!TryFire(&muzzle)) return;
    CBullet* bullet = new CBullet();
    bullet->Load(bulletPath);
    bullet->position = muzzle;
    bullet->worldMatrix = owner->worldMatrix;
    bullet->target = target;
    bullet->owner = owner;
    bullet->speed = owner->speed;
    LaunchBullet(bullet);
}

void CItem::UpdateAntiMissile()
{
    updated = 1;
    if (ammo <= 0 && !trigger) return;
    if (!trigger) {
        ready = 1;
        lastFireTime = g_GameClock.NowMs();
        return;
    }
    if (reloadTime <= g_GameClock.SecondsSince(lastFireTime)) {
        // The activation is over.
        trigger = 0;
        ready = 1;
        return;
    }
    if (ready) {
        // An empty system starts no activation (the count would run below zero and
        // the system would never empty again).
        if (ammo <= 0) {
            trigger = 0;
            return;
        }
        --ammo;
        if (sound && owner && owner == g_PlayerObject && !g_World.Camera().cinematicView) {
            sound->SetVolume(100.0f);
            sound->Play(0);
        }
    }
    ready = 0;
    CBullet* missile = CObjectList::FindNearestMissile(range, owner);
    if (missile) {
        missile->remainingFlightTime = 0.0f;
        missile->afterBurnTime = 3.0f;
    }
}

int CItem::GetReadyPercent()
{
    int p = 100;
    if (reloadTime > 0.0f) {
        const float f = g_GameClock.SecondsSince(lastFireTime) * (100.0f / reloadTime);
        if (f >= 0.0f && f < 100.0f) p = (int)f;
    }
    switch (kind) {
    case GTYPE_LASER_WEAPON:
        if (!armed) return 0;
        return ready ? 100 : p;
    case GTYPE_ROCKT_WEAPON:
        if (!armed || ammo == 0) return 0;
        return ready ? 100 : p;
    case GTYPE_MISSL_WEAPON:
        if (!armed || ammo == 0) return 0;
        return p;
    case GTYPE_AMSSYSTEM:
        return ready ? 0 : p;
    default:
        return 0;
    }
}

void CItem::Release()
{
    ReleaseSound();
    ReleaseMeshes();
    ReleaseTextures();
}
