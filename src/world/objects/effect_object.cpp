#include "world/objects/effect_object.h"

#include <cstring>

#include "app/settings.h"
#include "audio/audio_manager.h"
#include "render/mesh.h"
#include "world/objects/attached_effect.h"
#include "world/objects/desc_file.h"
#include "world/game_clock.h"
#include "platform/crt/rand.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {
// A part tumbles for this long, then waits hidden for the second phase.
constexpr float kPartTumblePhase = 3.0f;
constexpr float kPartHiddenPhase = 1.0f;

unsigned OpaqueGrey(float level)
{
    const int g = level <= 0.0f ? 0 : (level >= 255.0f ? 255 : int(level));
    return 0xFF000000u | (unsigned(g) << 16) | (unsigned(g) << 8) | unsigned(g);
}
}  // namespace

CEffectObject::CEffectObject()
{
    ResetState();
}

void CEffectObject::ResetState()
{
    loaded = 0;
    lastUpdateTime = phaseStartTime = thirdTime = 0;
    phaseLength = 0.0f;
    effectCount = 0;
    for (CAttachedEffect*& e : effects) e = nullptr;
    std::memset(filePath, 0, sizeof(filePath));
    std::memset(name, 0, sizeof(name));
    alive = 0.0f;
    damage = 0.0f;
    endState = 0;
    direction = Vec3();
    speed = growth = tumbleInertia = 0.0f;
    lifeTime = remainingLife = 0.0f;
    soundCount = 0;
    for (CSound*& s : sounds) s = nullptr;
    deadSoundStarted = 0;
}

int CEffectObject::Load(const char* path)
{
    CDescFile file;
    if (!file.Open(path)) {
        DebugOutF("CEffectObject::Load(): can't open \"%s\"", path ? path : "(null)");
        return 0;
    }
    loaded = 1;
    CopyTextCut(filePath, sizeof(filePath), path);
    ReadObjectHeader(file, this, name, sizeof(name), nullptr);

    file.SkipLine();
    alive = file.ReadFloat();
    damage = float(file.ReadInt());
    growth = file.ReadFloat();
    tumbleInertia = file.ReadFloat();
    lifeTime = remainingLife = file.ReadFloat();

    file.SkipLine();
    CAttachedEffect::LoadBlocks(file, this, effects, &effectCount, kMaxEffectObjectEffects);

    file.SkipLine();
    const int actionLines = file.ReadCount();
    char sound[kDescLineLength];
    for (int i = 0; i < actionLines && i < kMaxSurplusLines && !file.Ended(); ++i) {
        int first = 0, last = 0;
        const int action = file.ReadActionLine(&first, &last, sound, sizeof(sound));
        if (action < 0 || action >= kActionCount) continue;  // no slot for an unknown label
        if (meshCount > 0 && meshes[0]) {
            meshes[0]->m_ActionFrames[action][0] = first;
            meshes[0]->m_ActionFrames[action][1] = last;
        }
        if (g_Settings.audio != 0 && sound[0]) {
            if (sounds[action]) {
                g_AudioManager.ReleaseSound(&sounds[action]);
                --soundCount;
            }
            NoteUnitSoundRequest(sound);
            sounds[action] = g_AudioManager.LoadSound(sound, SOUND_3D, 50.0f, 500.0f);
            if (sounds[action]) ++soundCount;
        }
    }
    file.Close();
    UpdateBounds();
    drawPosition = position;
    ResetTimers();
    return 1;
}

void CEffectObject::Update()
{
    const uint32_t now = g_GameClock.NowMs();
    const float dt = float(now - lastUpdateTime) * 0.001f;
    lastUpdateTime = now;
    switch (kind) {
    case GTYPE_SP_PARTSHIP:
        UpdatePart(now, dt);
        break;
    case GEFFECT_EXPLODE:
        UpdateExplosion(dt);
        break;
    case GEFFECT_SMOKECLOUD:
        UpdateSmoke(dt);
        break;
    default:
        CommonStep(dt);
        break;
    }
}

void CEffectObject::UpdatePart(uint32_t now, float dt)
{
    const float inertia = tumbleInertia != 0.0f ? tumbleInertia : 1.0f;
    const float phase = float(now - phaseStartTime) * 0.001f;
    if (endState == 0) {
        alive = 1.0f;
        angularStep.x = (float(GameRand() % 21) / 200.0f - 0.05f) / inertia;
        angularStep.y = (float(GameRand() % 21) / 200.0f - 0.05f) / inertia;
        angularStep.z = (float(GameRand() % 21) / 200.0f - 0.05f) / inertia;
        phaseLength = kPartTumblePhase;
        phaseStartTime = now;
        endState = 1;
    } else if (endState == 1 || endState == 2) {
        if (Vec3LengthSq(direction) != 0.0f) position = position + Vec3Normalize(direction) * growth * dt;
        if (phase > phaseLength) {
            if (endState == 1) {
                scale2 = Vec3(0.0f, 0.0f, 0.0f);
                phaseLength = kPartHiddenPhase;
                phaseStartTime = now;
                endState = 2;
            } else {
                endState = 3;
                alive = 0.0f;
            }
        }
    }
    float a = float(now - phaseStartTime) * 0.001f;
    if (a > 3.0f) a = 3.0f;
    if (a > 1.5f) {
        const float s = 1.0f - (a - 1.5f) / 1.5f;
        scale = Vec3(s, s, s);
    }
    drawPosition = position;
    CommonStep(dt);
}

void CEffectObject::FaceCamera()
{
    const Vec3 up(worldMatrix.m[1][0], worldMatrix.m[1][1], worldMatrix.m[1][2]);
    SetLookAt(position, g_World.Camera().eye, up);
}

void CEffectObject::UpdateExplosion(float dt)
{
    const bool space = g_WorldIndex != 0;
    CSound* dead = sounds[ACTION_DEAD];
    if (endState == 0) {
        if (space) {
            const Vec3 eye = g_World.cameras[1].eye;
            const float d = Vec3Length(position - eye);
            const float far = g_ViewDistance;
            if (d > far) {
                // Kept inside the far limit at the size it would appear.
                drawPosition = eye + Vec3Normalize(position - eye) * (far - scale.x);
                const float s = (far - scale.x) / d;
                scale2 = Vec3(s, s, s);
            } else {
                drawPosition = position;
                scale2 = Vec3(1.0f, 1.0f, 1.0f);
            }
        }
        // The blast's sound moves with it and sounds for as long as the blast runs.
        if (dead && (!space || g_WorldIndex == g_LocationKind)) {
            dead->SetPosition(position);
            dead->SetVolume(100.0f);
            if (!dead->IsPlaying()) {
                dead->Play(0);
                ++deadSoundStarted;
            }
        }
        FaceCamera();
        scale = scale + Vec3(1.0f, 1.0f, 1.0f) * (growth * dt);
        growth = growth / (5.0f * dt + 1.0f);

        remainingLife -= dt;
        if (remainingLife <= 0.0f) {
            scale2 = Vec3(0.0f, 0.0f, 0.0f);
            endState = 1;
            if (space) remainingLife = 0.0f;
        }
        const float frames = textureCount;
        if (frames > 1.0f) {
            float t = lifeTime != 0.0f ? (lifeTime - remainingLife) * frames / lifeTime : frames - 1.0f;
            if (t > frames - 1.0f) t = frames - 1.0f;
            if (t < 0.0f) t = 0.0f;
            currentTexture = t;
        }
        if (frames < 2.0f && remainingLife < lifeTime * 0.5f)
            vertexColour = OpaqueGrey(lifeTime != 0.0f ? 510.0f / lifeTime * remainingLife : 0.0f);
        else
            vertexColour = 0xFFFFFFFFu;
        colourChanged = 1;
        position = position + direction * speed * dt;
    } else if (endState == 1) {
        if (!dead || !dead->IsPlaying()) {
            endState = 2;
            alive = 0.0f;
        }
    }

    const Vec3 toEye = Vec3Normalize(g_World.Camera().eye - position);
    if (!space) {
        drawPosition = position + toEye * 0.2f;
        PlaceDrawMatrix();
        return;
    }
    drawPosition = drawPosition + toEye * 2.0f;
    CommonStep(dt);
}

void CEffectObject::UpdateSmoke(float dt)
{
    FaceCamera();
    scale = scale + Vec3(1.0f, 1.0f, 1.0f) * (growth * dt);
    remainingLife -= dt;
    if (remainingLife <= 0.0f) {
        remainingLife = 0.0f;
        alive = 0.0f;
    }
    vertexColour = OpaqueGrey(lifeTime != 0.0f ? 255.0f / lifeTime * remainingLife : 0.0f);
    colourChanged = 1;
    position = position + direction * speed * dt;
    drawPosition = position;
    CommonStep(dt);
}

void CEffectObject::CommonStep(float dt)
{
    const Vec3 kept = angularStep;
    angularStep = angularStep * (dt * 10.0f);
    UpdateWorldMatrix();
    angularStep = kept;
    PlaceMatrices();
    for (int i = 0; i < effectCount && i < kMaxEffectObjectEffects; ++i)
        if (effects[i]) effects[i]->Update();
}

void CEffectObject::PlaceMatrices()
{
    worldMatrix.m[3][0] = position.x;
    worldMatrix.m[3][1] = position.y;
    worldMatrix.m[3][2] = position.z;
    PlaceDrawMatrix();
}

void CEffectObject::PlaceDrawMatrix()
{
    drawMatrix = worldMatrix;
    drawMatrix.m[3][0] = drawPosition.x;
    drawMatrix.m[3][1] = drawPosition.y;
    drawMatrix.m[3][2] = drawPosition.z;
}

void CEffectObject::Prepare()
{
    UpdateWorldMatrix();
    PlaceMatrices();
    ResetTimers();
    for (int i = 0; i < effectCount && i < kMaxEffectObjectEffects; ++i)
        if (effects[i]) effects[i]->Update();
}

void CEffectObject::ResetTimers()
{
    lastUpdateTime = phaseStartTime = thirdTime = g_GameClock.NowMs();
}

void CEffectObject::ReleaseSounds()
{
    for (CSound*& s : sounds)
        if (s) g_AudioManager.ReleaseSound(&s);
    soundCount = 0;
}

void CEffectObject::Release()
{
    for (int i = 0; i < effectCount && i < kMaxEffectObjectEffects; ++i) {
        if (!effects[i]) continue;
        effects[i]->Release();
        delete effects[i];
        effects[i] = nullptr;
    }
    effectCount = 0;
    ReleaseMeshes();
    ReleaseTextures();
    ReleaseSounds();
}
