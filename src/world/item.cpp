// Items: the record and its loading from the item's description file.
#include "world/item.h"

#include <cstdio>
#include <cstring>

#include "app/settings.h"
#include "files/language.h"
#include "render/mesh.h"
#include "world/desc_file.h"
#include "world/unit.h"
#include "world/unit_links.h"

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
    UnitCopyText(filePath, sizeof(filePath), path);

    char rawName[kDescLineLength];
    int vertexType = -1;
    ReadObjectHeader(file, this, rawName, sizeof(rawName), &vertexType);
    UnitCopyText(name, sizeof(name), TranslateName(rawName));

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
        UnitCopyText(bulletPath, sizeof(bulletPath), bullet);
        bulletDamage = baseValues[ITEM_BASE_DAMAGE].value = ReadDescriptionValue(bullet);
    }
    file.SkipLine();
    file.Close();

    ReadItemDescription(path, description, sizeof(description));

    if (meshCount > 0 && meshes[0]) UpdateBounds();
    lastFireTime = UnitNowMs();

    const bool hasSound = soundName[0] != 0;
    switch (kind) {
    case GTYPE_AMSSYSTEM:
        if (hasSound) sound = UnitLoadSound(soundName, 0, 1.0f, 10.0f);
        break;
    case GTYPE_BLLST_WEAPON:
        if (hasSound) sound = UnitLoadSound(soundName, 3, 30.0f, 300.0f);
        break;
    case GTYPE_LASER_WEAPON:
        if (hasSound) sound = UnitLoadSound(soundName, 3, 30.0f, 300.0f);
        Mount(this, MESH_POINTS_LASER, 0, attachIndexArg);
        break;
    case GTYPE_ROCKT_WEAPON:
    case GTYPE_MISSL_WEAPON:
        if (hasSound) sound = UnitLoadSound(soundName, 3, 30.0f, 300.0f);
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
    if (sound) UnitStopSound(sound);
}

void CItem::ReleaseSound()
{
    if (!sound) return;
    UnitStopSound(sound);
    UnitReleaseSound(&sound);
    sound = nullptr;
}

void CItem::Release()
{
    ReleaseSound();
    ReleaseMeshes();
    ReleaseTextures();
}
