// Attached effects: their record, the block reader and the set-up by kind.
#include "world/attached_effect.h"

#include <cmath>
#include <cstring>

#include "render/mesh.h"
#include "world/desc_file.h"
#include "world/object_codes.h"
#include "world/unit.h"
#include "world/unit_links.h"

CAttachedEffect::CAttachedEffect()
{
    lastUpdateTime = 0;
    started = 0;
    sound = nullptr;
    for (Matrix& m : spriteMatrices) m = MatrixIdentity();
    parent = nullptr;
    trailCount = 0;
    for (Vec3& v : trailPoints) v = Vec3();
    std::memset(trailIntensities, 0, sizeof(trailIntensities));
    std::memset(trailValues, 0, sizeof(trailValues));
    std::memset(trailTimes, 0, sizeof(trailTimes));
    lightSlot = -1;
    lightRange = 0.0f;
    for (float& a : attenuation) a = 0.0f;
    for (int i = 0; i < 4; ++i) colour1[i] = colour2[i] = 0.0f;
    doorOpening = 0.0f;
    doorWord = 0;
    switchTime = 0;
    doorState = 0;
    requestedState = -1;
    std::memset(flareTypes, 0, sizeof(flareTypes));
    std::memset(flareColours, 0, sizeof(flareColours));
    std::memset(flareColours2, 0, sizeof(flareColours2));
    std::memset(flareSizes, 0, sizeof(flareSizes));
    std::memset(flareSprites, 0, sizeof(flareSprites));
    flareSprites[0].textureId = flareSprites[1].textureId = -1;
    flareWords[0] = flareWords[1] = 0;
    asteroidCount = 0;
    cockpitSway = Vec3();
    cockpitLever = 0.0f;
}

int CAttachedEffect::Load(CDescFile& file, CGameObject* parentObject)
{
    ReadClassAndKind(file, this);
    char soundName[kDescLineLength] = "";
    if (kind == GEFFECT_LIGHTSOURCE) {
        lightRange = file.ReadFloat();
        file.ReadThreeNumbers(&attenuation[0], &attenuation[1], &attenuation[2]);
        file.ReadThreeNumbers(&colour1[0], &colour1[1], &colour1[2]);
        colour1[3] = 1.0f;
        file.ReadThreeNumbers(&colour2[0], &colour2[1], &colour2[2]);
        colour2[3] = 1.0f;
    } else {
        if (kind == GEFFECT_GATEBAY) {
            file.ReadThreeNumbers(&colour1[0], &colour1[1], &colour1[2], kDescNarrowFieldWidth);
            colour1[3] = 1.0f;
        }
        int vertexType = ReadVertexTypeLine(file);
        ReadMeshBlock(file, this, vertexType);
        ReadTextureBlock(file, this);
        file.ReadText(soundName, sizeof(soundName));
    }

    position = Vec3();
    drawPosition = Vec3();
    rotation = Vec3();
    parent = parentObject;
    if (meshCount > 0 && meshes[0]) UpdateBounds();
    SetUpByKind(soundName);
    return 1;
}

void CAttachedEffect::SkipBlock(CDescFile& file)
{
    char text[kDescLineLength];
    file.ReadText(text, sizeof(text));
    file.ReadText(text, sizeof(text));
    int blockKind = ParseObjectType(text);
    if (blockKind == GEFFECT_LIGHTSOURCE) {
        file.SkipLines(4);
        return;
    }
    if (blockKind == GEFFECT_GATEBAY) file.SkipLine();
    file.SkipLine();  // vertex type
    int meshLines = file.ReadCount();
    for (int i = 0; i < meshLines && !file.Ended(); ++i) file.SkipLine();
    int textureLines = file.ReadCount();
    file.SkipLine();  // mip levels
    for (int i = 0; i < textureLines && !file.Ended(); ++i) file.SkipLine();
    file.SkipLine();  // sound
}

namespace {

// Units and effect objects both parent effects; effect objects carry the effect class.
bool ParentIsUnit(const CGameObject* p)
{
    return p && p->objectClass != GCLASS_EFFECT;
}

// A random vector of length above 1, each component (rand % 2001) * 0.01 - 10.
Vec3 RandomFieldVector()
{
    for (;;) {
        Vec3 v((UnitRand() % 2001) * 0.01f - 10.0f, (UnitRand() % 2001) * 0.01f - 10.0f,
               (UnitRand() % 2001) * 0.01f - 10.0f);
        if (Vec3Length(v) > 1.0f) return v;
    }
}

} // namespace

void CAttachedEffect::SetUpByKind(const char* soundName)
{
    const bool space = UnitWorldIndex() == 1;
    const bool hasSound = soundName && soundName[0];
    switch (kind) {
    case GEFFECT_SELFILLUM_FLAT:
    case GEFFECT_SELFILLUM_PART:
    case GEFFECT_GATEBAY:
        drawMode = 2;
        break;
    case GEFFECT_ENGINEFLAME:
        if (hasSound) {
            sound = UnitLoadSound(soundName, 3, 1.0f, 10.0f);
            if (sound) {
                UnitSetSoundVolume(sound, 0.0f);
                float mn = 8.0f, mx = 80.0f;
                if (space) {
                    int pk = parent ? parent->kind : 0;
                    if (IsShipKindValue(pk)) { mn = 50.0f; mx = 500.0f; }
                    else if (IsStationKindValue(pk)) { mn = 300.0f; mx = 3000.0f; }
                    else { mn = 20.0f; mx = 200.0f; }
                }
                UnitSetSoundDistances(sound, mn, mx);
            }
        }
        drawMode = 1;
        break;
    case GEFFECT_OBJECTLIGHT1:
    case GEFFECT_OBJECTLIGHT2:
    case GEFFECT_ENGINEGALO:
    case GEFFECT_ENGINETRAIL:
    case GEFFECT_PLANETSKY:
    case GEFFECT_PLANETGALO:
    case GEFFECT_SIGNBOARD:
        drawMode = 1;
        break;
    case GEFFECT_SUNGALO:
        SetDefaultLights(textureIds[0], textureIds[1]);
        break;
    case GEFFECT_COCKPIT_RADAR:
        drawMode = 2;
        UnitCreateRadarTarget(this);
        break;
    case GEFFECT_COCKPIT_SCREEN1:
    case GEFFECT_COCKPIT_SCREEN2:
        drawMode = 2;
        UnitCreateScreenTarget(this, kind == GEFFECT_COCKPIT_SCREEN1 ? 0 : 1);
        break;
    case GEFFECT_COCKPIT_SCREEN3:
        drawMode = 2;
        UnitCreateCommTarget(this);
        break;
    case GEFFECT_GATEDOOR:
        if (hasSound) {
            sound = UnitLoadSound(soundName, 3, 1.0f, 10.0f);
            if (sound) {
                if (space) UnitSetSoundDistances(sound, 100.0f, 1000.0f);
                else UnitSetSoundDistances(sound, 5.0f, 50.0f);
            }
        }
        break;
    case GEFFECT_LIGHTSOURCE:
        lightSlot = UnitAddLight(parent);
        break;
    case GEFFECT_ASTEROIDS_FIELD:
        asteroidCount = kAsteroidFieldSprites;
        for (int i = 0; i < kAsteroidFieldSprites; ++i) {
            Vec3 at = Vec3Normalize(RandomFieldVector()) * ((16 - i - 1) * 1000.0f + 15000.0f);
            Vec3 up = Vec3Normalize(RandomFieldVector());
            Matrix view = MatrixLookAtLH(at, Vec3(0, 0, 0), up);
            Matrix inv;
            if (MatrixInverse(&inv, nullptr, view)) spriteMatrices[i] = inv;
        }
        break;
    default:
        break;
    }
}

namespace {

void FollowParent(CAttachedEffect* e, const CGameObject* p)
{
    e->worldMatrix = p->worldMatrix;
    e->drawMatrix = p->drawMatrix;
    e->scale = p->scale;
    e->scale2 = p->scale2;
}

bool ParentAlive(const CGameObject* p)
{
    if (!p) return false;
    if (!ParentIsUnit(p)) return true;
    const CUnit* u = static_cast<const CUnit*>(p);
    return u->hull > 0.0f && u->orderType != ACTION_DEAD;
}

} // namespace

void CAttachedEffect::Update()
{
    const CGameObject* p = parent;
    const bool hasMesh = meshCount > 0 && meshes[0];
    const uint32_t now = UnitNowMs();
    switch (kind) {
    case GTYPE_SP_ASTEROID:
    case GEFFECT_ADDITION_PART:
        started = 1;
        if (hasMesh && p) FollowParent(this, p);
        break;
    case GEFFECT_OBJECTSHADOW:
        started = 1;
        if (p) currentFrame = p->currentFrame;
        break;
    case GEFFECT_SELFILLUM_FLAT:
    case GEFFECT_SELFILLUM_PART:
        started = 1;
        if (hasMesh && p) FollowParent(this, p);
        if (textureCount > 1.0f) {
            int n = (int)textureCount;
            currentTexture = (float)((now / 100u) % (uint32_t)n);
        }
        if (hasMesh && p && p->meshCount > 0 && p->meshes[0] &&
            meshes[0]->m_SubMeshCount == p->meshes[0]->m_SubMeshCount)
            currentFrame = p->currentFrame;
        break;
    case GEFFECT_ENGINEGALO:
        started = 1;
        if (p) scale2 = p->scale2;
        break;
    case GEFFECT_ENGINETRAIL:
        if (!started) {
            started = 1;
            trailCount = 0;
            for (int i = 0; i < kTrailPointCount; ++i) {
                trailPoints[i] = Vec3();
                trailIntensities[i] = -1.0f;
                trailValues[i] = i / 3.0f;
                trailTimes[i] = 0;
            }
        }
        break;
    case GEFFECT_PLANETSKY:
        started = 1;
        if (p) {
            scale = p->scale;
            scale2 = p->scale2 * 1.01f;
            angularStep = p->angularStep * -2.0f;
            position = p->position;
            drawPosition = p->drawPosition;
            UpdateTransform();
        }
        break;
    case GEFFECT_GATEBAY:
        started = 1;
        if (hasMesh && ParentAlive(p)) {
            if (p->kind != GTYPE_SP_LEAFSTATION) scale = p->scale;
            scale2 = p->scale2;
            worldMatrix = p->worldMatrix;
            drawMatrix = p->drawMatrix;
        }
        break;
    case GEFFECT_GATEDOOR:
        started = 1;
        if (hasMesh && ParentAlive(p)) FollowParent(this, p);
        if (hasMesh && meshes[0]->m_SubMeshCount > 1) {
            if (requestedState == -1) {
                if (sound) UnitStopSound(sound);
            } else if (requestedState == 1) {
                doorState = 1;
                doorOpening += (now - switchTime) * 0.001f * 30.0f;
                switchTime = now;
                if (doorOpening >= 100.0f) {
                    doorOpening = 100.0f;
                    requestedState = -1;
                }
                if (doorOpening != 0.0f) SetAnimFrameByPercent(doorOpening);
            } else {
                doorOpening -= (now - switchTime) * 0.001f * 30.0f;
                switchTime = now;
                if (doorOpening <= 0.0f) {
                    doorOpening = 0.0f;
                    doorState = 0;
                    requestedState = -1;
                }
                if (doorOpening != 0.0f) SetAnimFrameByPercent(doorOpening);
            }
        }
        break;
    case GEFFECT_GATECONNECT:
        started = 1;
        if (hasMesh && ParentAlive(p)) {
            drawPosition = p->drawPosition;
            scale = p->scale;
            scale2 = p->scale2;
            worldMatrix = p->worldMatrix;
            drawMatrix = p->drawMatrix;
        }
        break;
    case GEFFECT_SIGNBOARD:
        started = 1;
        if (hasMesh && ParentAlive(p)) {
            FollowParent(this, p);
            position.x += (now - lastUpdateTime) * 0.001f * 0.5f;
            lastUpdateTime = now;
            drawMatrix = MatrixRotationY(position.x) * drawMatrix;
        }
        break;
    case GEFFECT_ENGINEFLAME:
    case GEFFECT_PLANETGALO:
    case GEFFECT_LIGHTSOURCE:
    case GEFFECT_HAIRSPRING:
        // The engine sound, the halo facing the camera and the light's placement run
        // with the drawing and audio code of the world.
        started = 1;
        break;
    default:
        break;
    }
}

void CAttachedEffect::SetSoundState(int state)
{
    if (state == requestedState) return;
    // An open door ignores an open request, whether it is at rest or closing.
    if (state == 1 && doorState == 1) return;
    if (state == 0 && doorState == 0) return;
    requestedState = state;
    if (sound) {
        int world = UnitWorldIndex(), lk = UnitLocationKind();
        if ((world == 0 && (lk == 0 || lk == 2)) || (world == 1 && lk == 1)) {
            UnitSetSoundVolume(sound, 100.0f);
            UnitPlaySoundOnce(sound);
        }
    }
    switchTime = UnitNowMs();
}

void CAttachedEffect::SetAnimFrameByPercent(float percent)
{
    if (meshCount <= 0 || !meshes[0] || meshes[0]->m_SubMeshCount <= 1) return;
    if (parent && ParentIsUnit(parent)) {
        const CUnit* u = static_cast<const CUnit*>(parent);
        if (u->hull == 0.0f || u->orderType == ACTION_DEAD) return;
    }
    int frames = meshes[0]->m_SubMeshCount;
    unsigned frame;
    if (percent <= 0.0f) frame = 0;
    else if (percent >= 100.0f) frame = (unsigned)(frames - 1);
    else frame = (unsigned)((frames - 1) * 0.01f * percent);
    currentFrame = frame;
    frameCounter = (float)frame;
}

void CAttachedEffect::StopSound()
{
    if (sound) UnitStopSound(sound);
}

void CAttachedEffect::ReleaseSound()
{
    if (!sound) return;
    UnitStopSound(sound);
    UnitReleaseSound(&sound);
    sound = nullptr;
}

void CAttachedEffect::Release()
{
    ReleaseSound();
    ReleaseMeshes();
    ReleaseTextures();
    if (lightSlot != -1) {
        UnitFreeLight(lightSlot);
        lightSlot = -1;
    }
}

void CAttachedEffect::SetDefaultLights(int textureId0, int textureId1)
{
    // The flare layout itself belongs to the sun's drawing; the set-up keeps its sprites.
    flareSprites[0].textureId = textureId0;
    flareSprites[1].textureId = textureId1;
}
