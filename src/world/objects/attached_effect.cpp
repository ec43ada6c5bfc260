// Attached effects: their record, the block reader and the set-up by kind.
#include "world/objects/attached_effect.h"

#include <cmath>
#include <cstring>

#include "app/settings.h"
#include "audio/audio_manager.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/radar.h"
#include "flight_ui/target_screen.h"
#include "platform/crt/rand.h"
#include "render/mesh.h"
#include "world/objects/desc_file.h"
#include "world/game_clock.h"
#include "world/objects/object_codes.h"
#include "world/objects/unit.h"
#include "world/world.h"

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

void CAttachedEffect::LoadBlocks(CDescFile& file, CGameObject* parentObject, CAttachedEffect** effects, int32_t* count,
                                 int limit)
{
    const int lines = file.ReadCount();
    const int kept = CheckBlockCount(lines, limit, "Too many effects!");
    for (int i = 0; i < lines && i < kMaxSurplusLines && !file.Ended(); ++i) {
        file.SkipLine();
        if (i >= kept) {
            SkipBlock(file);
            continue;
        }
        CAttachedEffect* e = new CAttachedEffect();
        e->Load(file, parentObject);
        effects[(*count)++] = e;
    }
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

CSound* LoadEffectSound(const char* name)
{
    NoteUnitSoundRequest(name);
    return g_AudioManager.LoadSound(name, SOUND_3D, 1.0f, 10.0f);
}

void SetSoundDistances(CSound* sound, float minDistance, float maxDistance)
{
    sound->minDistance = minDistance;
    sound->maxDistance = maxDistance;
    sound->SetMinMaxDistance(minDistance, maxDistance);
}

// A random vector of length above 1, each component (rand % 2001) * 0.01 - 10.
Vec3 RandomFieldVector()
{
    for (;;) {
        Vec3 v((GameRand() % 2001) * 0.01f - 10.0f, (GameRand() % 2001) * 0.01f - 10.0f,
               (GameRand() % 2001) * 0.01f - 10.0f);
        if (Vec3Length(v) > 1.0f) return v;
    }
}

} // namespace

void CAttachedEffect::SetUpByKind(const char* soundName)
{
    const bool space = g_WorldIndex == 1;
    const bool hasSound = soundName && soundName[0];
    switch (kind) {
    case GEFFECT_SELFILLUM_FLAT:
    case GEFFECT_SELFILLUM_PART:
    case GEFFECT_GATEBAY:
        drawMode = 2;
        break;
    case GEFFECT_ENGINEFLAME:
        if (hasSound) {
            sound = LoadEffectSound(soundName);
            if (sound) {
                sound->SetVolume(0.0f);
                float mn = 8.0f, mx = 80.0f;
                if (space) {
                    int pk = parent ? parent->kind : 0;
                    if (IsShipKindValue(pk)) { mn = 50.0f; mx = 500.0f; }
                    else if (IsStationKindValue(pk)) { mn = 300.0f; mx = 3000.0f; }
                    else { mn = 20.0f; mx = 200.0f; }
                }
                SetSoundDistances(sound, mn, mx);
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
        g_Radar.CreateRenderTarget(textureNames[0]);
        break;
    case GEFFECT_COCKPIT_SCREEN1:
    case GEFFECT_COCKPIT_SCREEN2:
        drawMode = 2;
        (kind == GEFFECT_COCKPIT_SCREEN1 ? g_TargetScreen : g_SystemScreen).CreateRenderTarget(textureNames[0]);
        break;
    case GEFFECT_COCKPIT_SCREEN3:
        drawMode = 2;
        g_CommWindow.CreateRenderTarget(textureNames[0]);
        break;
    case GEFFECT_GATEDOOR:
        if (hasSound) {
            sound = LoadEffectSound(soundName);
            if (sound) {
                if (space) SetSoundDistances(sound, 100.0f, 1000.0f);
                else SetSoundDistances(sound, 5.0f, 50.0f);
            }
        }
        break;
    case GEFFECT_LIGHTSOURCE:
    {
        // A point light with the block's range, attenuation and colours; the update
        // places it on the parent's first light point.
        D3DLIGHT9 light;
        light.Type = D3DLIGHT_POINT;
        light.Diffuse = {colour1[0], colour1[1], colour1[2], colour1[3]};
        light.Specular = {colour2[0], colour2[1], colour2[2], colour2[3]};
        light.Range = lightRange;
        light.Falloff = 1.0f;
        light.Attenuation0 = attenuation[0];
        light.Attenuation1 = attenuation[1];
        light.Attenuation2 = attenuation[2];
        if (parent) light.Position = parent->position;
        lightSlot = g_World.AddLight(&light, parent);
    }
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
    const uint32_t now = g_GameClock.NowMs();
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
                if (sound) sound->Stop();
            } else {
                // The door's sound comes from its door point (first point of its mesh).
                const CMesh* m = meshes[0];
                if (sound && m->m_PointCount[MESH_POINTS_COCKPIT] > 0 && m->m_Points[MESH_POINTS_COCKPIT]) {
                    const Vec3 dp = m->m_Points[MESH_POINTS_COCKPIT][0];
                    sound->SetPosition(Vec3TransformCoord(Vec3(dp.x * scale.x, dp.y * scale.y, dp.z * scale.z), worldMatrix));
                }
            }
            if (requestedState == 1) {
                doorState = 1;
                doorOpening += (now - switchTime) * 0.001f * 30.0f;
                switchTime = now;
                if (doorOpening >= 100.0f) {
                    doorOpening = 100.0f;
                    requestedState = -1;
                }
                if (doorOpening != 0.0f) SetAnimFrameByPercent(doorOpening);
            } else if (requestedState == 0) {
                // With no request pending the door stays as it is, open or shut.
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
        started = 1;
        UpdateEngineSound();
        break;
    case GEFFECT_PLANETGALO:
        started = 1;
        if (p) {
            scale = p->scale;
            scale2 = p->scale2 * 1.25f;
            position = p->position;
            // The halo stands in front of the planet, towards the eye, and faces it.
            const Vec3 eye = g_World.Camera().eye;
            const Vec3 u = Vec3Normalize(p->drawPosition - eye);
            drawPosition = Vec3(p->drawPosition.x - u.x * scale2.x * 100.0f, p->drawPosition.y - u.y * scale2.y * 100.0f,
                                p->drawPosition.z - u.z * scale2.z * 100.0f);
            Matrix inverse;
            if (MatrixInverse(&inverse, nullptr, MatrixLookAtLH(position, eye, Vec3(0.0f, 1.0f, 0.0f))))
                worldMatrix = inverse;
            UpdateTransform();
        }
        break;
    case GEFFECT_LIGHTSOURCE:
        started = 1;
        PlaceLight();
        break;
    case GEFFECT_HAIRSPRING:
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
    if (state == 1 && kind == GEFFECT_GATEDOOR && parent && ParentIsUnit(parent))
        DebugOutF("Gate door of %d opens", static_cast<const CUnit*>(parent)->pilot.objectId);
    if (sound) {
        const int world = g_WorldIndex, lk = g_LocationKind;
        if ((world == 0 && (lk == 0 || lk == 2)) || (world == 1 && lk == 1)) {
            sound->SetVolume(100.0f);
            sound->Play(0);
        }
    }
    switchTime = g_GameClock.NowMs();
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
    if (sound) sound->Stop();
}

void CAttachedEffect::ReleaseSound()
{
    if (!sound) return;
    sound->Stop();
    g_AudioManager.ReleaseSound(&sound);
    sound = nullptr;
}

void CAttachedEffect::UpdateEngineSound()
{
    if (!sound || g_Settings.audio == 0) return;
    const CGameObject* p = parent;
    const CUnit* unit = ParentIsUnit(p) ? static_cast<const CUnit*>(p) : nullptr;
    const bool silent = !p || (unit && !unit->IsAlive()) ||
                        (p->objectClass == GCLASS_BULLET && unit && unit->shotValue2 <= 0.0f) ||
                        (g_LocationKind == 2 && g_WorldIndex != 0);
    if (silent) {
        sound->SetVolume(0.0f);
        sound->Stop();
        return;
    }
    if (Vec3Length(g_AudioManager.listenerPosition - p->position) > sound->maxDistance) {
        if (sound->IsPlaying()) sound->Stop();
        return;
    }
    // Effect objects carry no engine values: full volume, their own pitch.
    const float engineMax = unit ? unit->engineMax : 0.0f;
    const float speed = unit ? unit->speed : 0.0f;
    sound->SetVolume(g_WorldIndex == 1 && engineMax != 0.0f ? 70.0f + 30.0f * speed / engineMax : 100.0f);

    Vec3 at = p->position;
    const CMesh* mesh = p->meshCount > 0 ? p->meshes[0] : nullptr;
    if (mesh && mesh->m_PointCount[MESH_POINTS_ENGINE] > 0 && mesh->m_Points[MESH_POINTS_ENGINE]) {
        const int n = mesh->m_PointCount[MESH_POINTS_ENGINE];
        Vec3 sum;
        for (int i = 0; i < n; ++i) sum = sum + mesh->m_Points[MESH_POINTS_ENGINE][i];
        const Vec3 mean = sum * (1.0f / (float)n);
        at = Vec3TransformCoord(Vec3(mean.x * p->scale2.x, mean.y * p->scale2.y, mean.z * p->scale2.z), p->worldMatrix);
    }
    sound->SetPosition(at);
    const Vec3 forward(p->worldMatrix.m[2][0], p->worldMatrix.m[2][1], p->worldMatrix.m[2][2]);
    sound->SetVelocity(forward * speed);
    if (engineMax != 0.0f) {
        const float divisor = 2.0f - speed / engineMax;
        // Past twice the engine maximum the pitch would turn negative; keep the last one.
        if (divisor > 0.0f && sound->frequency != 0) sound->SetFrequency((unsigned)((float)sound->frequency / divisor));
    }
    if (!sound->IsPlaying()) sound->Play(1);
}

void CAttachedEffect::PlaceLight()
{
    const CGameObject* p = parent;
    if (lightSlot < 0 || lightSlot >= kLightSlots || !ParentAlive(p) || p->meshCount <= 0 || !p->meshes[0]) return;
    const CMesh* mesh = p->meshes[0];
    if (mesh->m_PointCount[MESH_POINTS_LIGHT1] <= 0 || !mesh->m_Points[MESH_POINTS_LIGHT1]) return;
    const Vec3 point = mesh->m_Points[MESH_POINTS_LIGHT1][0];
    CLight& light = g_World.lights[g_WorldIndex == 0 ? 0 : 1][lightSlot];
    light.light.Position =
        Vec3TransformCoord(Vec3(point.x * p->scale2.x, point.y * p->scale2.y, point.z * p->scale2.z), p->worldMatrix);
    light.light.Range = lightRange;
    light.light.Attenuation0 = attenuation[0];
    light.light.Attenuation1 = attenuation[1];
    light.light.Attenuation2 = attenuation[2];
    light.light.Diffuse = {colour1[0], colour1[1], colour1[2], colour1[3]};
    light.light.Specular = {colour2[0], colour2[1], colour2[2], colour2[3]};
    light.Apply();
}

void CAttachedEffect::Release()
{
    ReleaseSound();
    ReleaseMeshes();
    ReleaseTextures();
    if (lightSlot != -1) {
        g_World.FreeLight(lightSlot);
        lightSlot = -1;
    }
}

void CAttachedEffect::SetDefaultLights(int textureId0, int textureId1)
{
    // The sun's lens flare, in drawing order: type (0 disc, 1 flare sprite), colour as
    // alpha, red, green, blue, whether the second colour is black, size.
    struct FlareElement {
        int type;
        unsigned a, r, g, b;
        bool blackSecond;
        float size;
    };
    static const FlareElement kFlares[kFlareCount] = {
        {0, 10, 20, 0, 0, false, 100.0f},   {0, 20, 20, 20, 0, false, 30.0f},  {1, 255, 100, 0, 0, false, 70.0f},
        {0, 10, 0, 0, 20, false, 20.0f},    {0, 10, 0, 0, 20, false, 40.0f},   {0, 10, 0, 0, 20, false, 30.0f},
        {0, 10, 30, 20, 10, false, 20.0f},  {0, 80, 100, 100, 150, true, 3.0f}, {0, 80, 100, 100, 150, true, 6.0f},
        {0, 10, 30, 20, 10, false, 30.0f},  {0, 10, 30, 20, 10, false, 50.0f}, {0, 10, 30, 20, 10, false, 20.0f},
        {0, 10, 0, 20, 20, false, 25.0f},   {0, 20, 0, 0, 30, true, 20.0f},    {0, 10, 20, 0, 0, false, 80.0f},
        {1, 255, 100, 0, 100, false, 150.0f},
    };
    for (int i = 0; i < kFlareCount; ++i) {
        const FlareElement& f = kFlares[i];
        flareTypes[i] = f.type;
        flareColours[i] = (f.a << 24) | (f.r << 16) | (f.g << 8) | f.b;
        flareColours2[i] = f.blackSecond ? 0u : flareColours[i];
        flareSizes[i] = f.size;
    }
    // The 256 x 256 halo and the 64 x 64 flare sprite.
    const float sides[2] = {256.0f, 64.0f};
    const int textures[2] = {textureId0, textureId1};
    for (int i = 0; i < 2; ++i) {
        FlareSprite& sprite = flareSprites[i];
        sprite.x = sprite.y = 0.0f;
        sprite.width = sprite.height = sides[i];
        sprite.u0 = sprite.v0 = 0.0f;
        sprite.u1 = sprite.v1 = 1.0f;
        sprite.textureId = textures[i];
    }
}
