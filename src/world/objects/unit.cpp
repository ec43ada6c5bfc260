// The unit record: construction, placement and release.
#include "world/objects/unit.h"

#include <cstring>

#include "audio/audio_manager.h"
#include "locations/location_director.h"
#include "platform/crt/rand.h"
#include "render/mesh.h"
#include "world/objects/attached_effect.h"
#include "world/game_clock.h"
#include "world/objects/item.h"

void (*g_UnitSoundRequestHook)(const char* name) = nullptr;

void CopyTextCut(char* out, size_t size, const char* text)
{
    if (!out || size == 0) return;
    size_t n = text ? std::strlen(text) : 0;
    if (n > size - 1) n = size - 1;
    if (n) std::memmove(out, text, n);
    out[n] = 0;
}

CUnit::CUnit()
{
    for (uint32_t& t : timers) t = 0;
    collisionInterval = 0.0f;
    smokeInterval = 0.0f;
    orderVector = Vec3();
    randomPhase = (GameRand() % 5000) * 0.001f;
    orderType = 0;
    orderSubState = 0;
    scriptStep = 0;
    waypoints = nullptr;
    target = nullptr;
    target2 = nullptr;
    targetPoint = Vec3();
    destination = Vec3();
    movePoint = Vec3();
    {
        float x = (GameRand() % 2001) * 0.001f - 1.0f;
        float y = (GameRand() % 2001) * 0.001f - 1.0f;
        float z = (GameRand() % 2001) * 0.001f - 1.0f;
        heading = Vec3Normalize(Vec3(x, y, z));
    }
    spinRates = Vec3();
    cruiseSpeed = 0.0f;
    orderStack = nullptr;
    manualControl = 1;
    collisionFlag = 1;
    bayUnit = nullptr;
    bayRequestUnit = nullptr;
    dockedCount = 0;
    for (int i = 0; i < kMaxDocked; ++i) {
        dockedUnits[i] = nullptr;
        slotIds[i] = {-1, -1};
        dockStartTimes[i] = 0;
    }
    dockTime = 0xFFFFFFFFu;
    dockStart = 0;
    bayState = -1;
    dockingStage = -1;
    boundUnit = nullptr;
    for (CUnit*& g : guards) g = nullptr;
    guardCount = 0;
    latchPoint = -1;
    latchedCount = 0;
    for (CUnit*& l : latchedUnits) l = nullptr;
    transportEnds[0] = transportEnds[1] = nullptr;
    transportEndIds[0] = transportEndIds[1] = -1;
    alertFlag = 0;
    humanPiloted = 0;
    actionSoundCount = 0;
    for (CSound*& s : actionSounds) s = nullptr;
    effectCount = 0;
    for (CAttachedEffect*& e : effects) e = nullptr;
    itemCount = 0;
    for (CItem*& it : items) it = nullptr;
    attachCursors[0] = attachCursors[1] = 0;
    std::memset(&statistics, 0, sizeof(statistics));
    descriptionPath[0] = 0;
    displayName[0] = 0;
    hullMax = hull = hullReference = 0.0f;
    rating = 0.0f;
    ore = 0.0f;
    impulse = Vec3();
    spinState = Vec3();
    engineMax = speed = speedPercent = 0.0f;
    commRange = g_GameMode == 2 ? 15000.0f : 10000.0f;
    viewFactor = 0.5f;
    manoeuvring = 0.0f;
    shotValue = shotValue2 = 0.0f;
    for (UnitBaseValue& b : baseValues) b = {0.0f, 0.0f};
    for (int i = 0; i < kDerivedSlotCount; ++i) {
        derivedUnits[i] = nullptr;
        derivedPaths[i][0] = 0;
    }
    inRadioTalk = 0;
}

void CUnit::FinishLoad()
{
    CMesh* first = meshCount > 0 ? meshes[0] : nullptr;
    // Hit tests, collisions and the AI's distances all measure by the bounding sphere.
    if (first) UpdateBounds();
    if (first && first->m_SubMeshCount == 0) {
        for (int i = 0; i < effectCount; ++i) {
            CAttachedEffect* e = effects[i];
            if (!e || e->kind != GEFFECT_SELFILLUM_PART || e->meshCount <= 0 || !e->meshes[0]) continue;
            const CMesh* m = e->meshes[0];
            first->m_BoundMin = m->m_BoundMin;
            first->m_BoundMax = m->m_BoundMax;
            first->m_SphereCenter = m->m_SphereCenter;
            first->m_SphereRadius = m->m_SphereRadius;
            boundsCentre = m->m_SphereCenter;
            boundsRadius = m->m_SphereRadius;
            break;
        }
    }
    UpdateWorldMatrix();
    drawPosition = position;
    float s = (scale.x + scale.y + scale.z) / 3.0f;
    manoeuvring = manoeuvring * s * s;
    if (objectClass == GCLASS_SPACE_SHIP && IsStationKindValue(kind) && boundsRadius < 300.0f) {
        boundsCentre = Vec3();
        boundsRadius = 300.0f;
    }
    uint32_t now = g_GameClock.NowMs();
    for (uint32_t& t : timers) t = now;
}

void CUnit::UpdateParts()
{
    targetPoint = position;
    destination = position;
    movePoint = position;
    UpdateWorldMatrix();
    worldMatrix.m[3][0] = position.x;
    worldMatrix.m[3][1] = position.y;
    worldMatrix.m[3][2] = position.z;
    drawPosition = position;
    drawMatrix = worldMatrix;
    uint32_t now = g_GameClock.NowMs();
    for (uint32_t& t : timers) t = now;
    hullMax = hull = hullReference = baseValues[UNIT_BASE_HULL].value + baseValues[UNIT_BASE_HULL].bonus;
    rating = baseValues[UNIT_BASE_RATING].value + baseValues[UNIT_BASE_RATING].bonus;
    engineMax = baseValues[UNIT_BASE_ENGINE].value + baseValues[UNIT_BASE_ENGINE].bonus;
    manoeuvring = baseValues[UNIT_BASE_MANOEUVRING].value + baseValues[UNIT_BASE_MANOEUVRING].bonus;
    shotValue = baseValues[UNIT_BASE_SHOT].value + baseValues[UNIT_BASE_SHOT].bonus;
    for (int i = 0; i < effectCount; ++i)
        if (effects[i]) effects[i]->Update();
    for (int i = 0; i < itemCount; ++i)
        if (items[i]) items[i]->ApplyBaseValues();
}

void CUnit::ReleaseActionSounds()
{
    for (CSound*& s : actionSounds) {
        if (s) g_AudioManager.ReleaseSound(&s);
        s = nullptr;
    }
    actionSoundCount = 0;
}

void CUnit::ClearWaypoints()
{
    while (waypoints) {
        CWaypoint* next = waypoints->next;
        delete waypoints;
        waypoints = next;
    }
}

void CUnit::Release()
{
    for (int i = 0; i < effectCount; ++i) {
        CAttachedEffect* e = effects[i];
        if (!e) continue;
        e->Release();  // sound, meshes, textures and the light slot
        delete e;
        effects[i] = nullptr;
    }
    effectCount = 0;
    for (int i = 0; i < itemCount; ++i) {
        CItem* it = items[i];
        if (!it) continue;
        it->Release();
        delete it;
        items[i] = nullptr;
    }
    itemCount = 0;
    for (CUnit*& d : derivedUnits) {
        if (!d) continue;
        d->Release();
        delete d;
        d = nullptr;
    }
    for (int i = 0; i < dockedCount && i < kMaxDocked; ++i) {
        if (!dockedUnits[i]) continue;
        dockedUnits[i]->Release();
        delete dockedUnits[i];
        dockedUnits[i] = nullptr;
    }
    dockedCount = 0;
    ReleaseMeshes();
    ReleaseTextures();
    ReleaseActionSounds();
    pilot.ReleaseHead();
    ClearWaypoints();
    ClearOrderStack();
}

void CUnit::ClearOrderStack()
{
    // Saved orders with their routes; the order code frees them.
    DiscardOrderStack();
}
