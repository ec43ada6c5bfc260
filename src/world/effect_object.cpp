#include "world/effect_object.h"

#include <cstring>

#include "audio/audio_manager.h"
#include "world/attached_effect.h"
#include "world/game_clock.h"

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
