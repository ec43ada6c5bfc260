#include "world/effect_object.h"

#include <cstring>

#include "app/settings.h"
#include "audio/audio_manager.h"
#include "render/mesh.h"
#include "world/attached_effect.h"
#include "world/desc_file.h"
#include "world/game_clock.h"
#include "world/unit.h"

namespace {
// Surplus lines are consumed up to the file's end and no further than this.
constexpr int kMaxSurplusLines = 1024;
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
    const int effectLines = file.ReadCount();
    const int kept = CheckBlockCount(effectLines, kMaxEffectObjectEffects, "Too many effects!");
    for (int i = 0; i < effectLines && i < kMaxSurplusLines && !file.Ended(); ++i) {
        file.SkipLine();
        if (i >= kept) {
            CAttachedEffect::SkipBlock(file);
            continue;
        }
        CAttachedEffect* e = new CAttachedEffect();
        e->Load(file, this);
        effects[effectCount++] = e;
    }

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
    // The per-kind motion (explosions, smoke, parts) comes with the effect-object code;
    // until then an object keeps its place and its time stamp.
    lastUpdateTime = g_GameClock.NowMs();
}

void CEffectObject::Prepare()
{
    UpdateWorldMatrix();
    worldMatrix.m[3][0] = position.x;
    worldMatrix.m[3][1] = position.y;
    worldMatrix.m[3][2] = position.z;
    drawMatrix = worldMatrix;
    drawMatrix.m[3][0] = drawPosition.x;
    drawMatrix.m[3][1] = drawPosition.y;
    drawMatrix.m[3][2] = drawPosition.z;
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
