#include "audio/audio_manager.h"

#include <cstdio>
#include <cstring>

#include "app/settings.h"
#include "locations/location_director.h"
#include "world/game_clock.h"
#include "world/world.h"
#include "platform/crt/rand.h"
#include "platform/win/message_box.h"
#include "world/objects/game_object.h"

CAudioManager g_AudioManager;

namespace {

struct PoolFile {
    int pool;
    const char* name;
    float minDist, maxDist;
};

// Pools 0, 1 and 3 repeat one file in all ten slots; pool 2 stays empty.
const char* const kPool4[] = {"Fire_LaserM1.wav", "Fire_LaserM2.wav", "Fire_LaserM3.wav",
                              "Fire_RocketM1.wav", "Fire_MissileM1.wav", "Fire_SeedM1.wav"};
const char* const kPool5[] = {"ImpactLaser01.wav", "ImpactLaser02.wav", "ImpactLaser03.wav",
                              "ImpactMissile01.wav", "ImpactRocket01.wav", "ImpactSeed01.wav"};
const char* const kPool6[] = {"ExplodeDebris_01.wav", "ExplodeDebris_02.wav", "ExplodeDebris_03.wav",
                              "ExplodeDebris_04.wav", "ExplodeMed01.wav",     "ExplodeMed02.wav",
                              "ExplodeMed03.wav",     "ExplodeMed04.wav"};

bool SoundOn()
{
    return g_Settings.audio != 0;
}

}  // namespace

int CAudioManager::InitFailed(const char* text)
{
    // ShowMessage writes the text to the debug log as well.
    ShowMessage(text, "Sound error!", MB_ICONWARNING);
    g_Settings.audio = 0;
    if (device) device->Release();
    device = nullptr;
    listener = nullptr;
    return SND_FAIL;
}

int CAudioManager::Init(WindowHandle window)
{
    if (!SoundOn()) return SND_OK;
    if (SoundDevice::Create(&device) != SND_OK) return InitFailed("DirectSoundCreate8() failed!");
    if (device->IsSilent()) DebugOut("No sound device opens: the game plays on without sound");
    if (device->SetCooperativeLevel(window, 2) != SND_OK) return InitFailed("SetCooperativeLevel() failed!");
    unsigned primaryFlags = SNDBUF_PRIMARY | SNDBUF_CTRL3D | SNDBUF_CTRLVOLUME;
    if (device->CreatePrimaryBuffer(primaryFlags) != SND_OK && device->CreatePrimaryBuffer(primaryFlags) != SND_OK)
        return InitFailed("Creating primary buffer failed!");
    WaveFormatEx primary{WAVE_FORMAT_PCM, 2, 22050, 88200, 4, 16, 0};
    if (device->SetPrimaryFormat(primary) != SND_OK) return InitFailed("Setting primary buffer format failed!");
    listener = device;
    listener->SetListenerPosition({1000000.0f, 1000000.0f, 1000000.0f});
    listener->SetListenerVelocity({0, 0, 0});
    listener->SetDopplerFactor(1.0f);

    std::memset(sounds, 0, sizeof(sounds));
    soundCount = 0;
    musicPlayer.Init();
    FillPools();
    return SND_OK;
}

void CAudioManager::FillPools()
{
    char path[256];
    auto load = [&](int pool, int slot, const char* file, float minDist, float maxDist) {
        std::snprintf(path, sizeof(path), "Data/Sounds/Space/%s", file);
        effectPools[pool][slot].sound = LoadSound(path, SOUND_3D, minDist, maxDist);
        effectPools[pool][slot].emitter = nullptr;
    };
    for (int i = 0; i < AUDIO_POOL_SLOTS; ++i) load(0, i, "ImpactShip_01.wav", 50, 500);
    for (int i = 0; i < AUDIO_POOL_SLOTS; ++i) load(1, i, "ImpactLeaf_01.wav", 50, 500);
    for (int i = 0; i < AUDIO_POOL_SLOTS; ++i) load(3, i, "DamageLeaf_01.wav", 50, 500);
    for (int i = 0; i < 6; ++i) load(4, i, kPool4[i], 30, 300);
    for (int i = 0; i < 6; ++i) load(5, i, kPool5[i], 50, 500);
    for (int i = 0; i < 8; ++i) load(6, i, kPool6[i], 100, 1000);
}

CSound* CAudioManager::LoadSound(const char* name, int type, float minDist, float maxDist)
{
    if (!SoundOn() || !device || !name || soundCount >= AUDIO_MAX_SOUNDS) return nullptr;
    CSound* s = new CSound();
    CSound* original = nullptr;
    for (int i = 0; i < soundCount; ++i) {
        if (StrEqual(sounds[i]->name, name) && sounds[i]->type == type) {
            original = sounds[i];
            break;
        }
    }
    int hr = original ? s->Duplicate(original, type) : s->Load(name, type, minDist, maxDist);
    if (hr != SND_OK) {
        delete s;
        return nullptr;
    }
    sounds[soundCount++] = s;
    return s;
}

void CAudioManager::ReleaseSound(CSound** handle)
{
    if (!handle || !*handle) return;
    CSound* s = *handle;
    for (int i = 0; i < soundCount; ++i) {
        if (sounds[i] != s) continue;
        for (int j = i; j + 1 < soundCount; ++j) sounds[j] = sounds[j + 1];
        sounds[--soundCount] = nullptr;
        // No slot may keep a sound that is gone.
        for (auto& pool : effectPools)
            for (auto& slot : pool)
                if (slot.sound == s) slot = PooledEffectSlot{};
        if (ambientSound == s) ambientSound = nullptr;
        delete s;
        *handle = nullptr;
        return;
    }
}

CSound* CAudioManager::PlayPooledEffect(CGameObject* emitter, int pool)
{
    if (!SoundOn() || !emitter || pool < 0 || pool >= AUDIO_POOL_COUNT) return nullptr;
    CSound* first = effectPools[pool][0].sound;
    if (!first) return nullptr;
    if (g_LocationKind != g_WorldIndex) return nullptr;
    if (Vec3Length(emitter->position - g_World.Camera().eye) > first->maxDistance) return nullptr;
    for (auto& slot : effectPools[pool]) {
        if (!slot.sound || slot.emitter) continue;
        slot.sound->Stop();
        slot.emitter = emitter;
        // A location end turned 3D off; a pooled effect is always heard where it is.
        if (slot.sound->buffer3D) slot.sound->buffer3D->Set3DMode(SND3DMODE_NORMAL);
        slot.sound->SetPosition(emitter->position);
        slot.sound->SetVolume(100.0f);
        slot.sound->Play(0);
        return slot.sound;
    }
    return nullptr;
}

void CAudioManager::UnbindEmitter(const CGameObject* emitter)
{
    if (!emitter) return;
    for (auto& pool : effectPools)
        for (auto& slot : pool)
            if (slot.emitter == emitter) slot.emitter = nullptr;
}

void CAudioManager::StopAll()
{
    if (!SoundOn()) return;
    if (musicPlayer.segment) musicPlayer.segment->Stop();
    for (int i = 0; i < soundCount; ++i) {
        sounds[i]->Stop();
        if (sounds[i]->buffer3D) sounds[i]->buffer3D->Set3DMode(SND3DMODE_DISABLED);
    }
}

void CAudioManager::ApplyVolumes()
{
    if (!SoundOn()) return;
    if (musicPlayer.segment) musicPlayer.segment->SetVolume(100.0f);
    for (int i = 0; i < soundCount; ++i) sounds[i]->SetVolume(sounds[i]->volumeLevel);
}

void CAudioManager::ResumeAll()
{
    if (!SoundOn() || !paused) return;
    if (musicPlayer.segment) musicPlayer.segment->Resume();
    for (int i = 0; i < soundCount; ++i) {
        CSound* s = sounds[i];
        if (!s->paused) continue;
        s->RestoreBuffer();
        // The buffer kept its position when it was stopped: it continues from there.
        if (s->buffer) s->buffer->Play((s->playFlags & 1) ? SNDPLAY_LOOPING : 0);
        s->paused = 0;
    }
    paused = 0;
}

void CAudioManager::SetFade(float f)
{
    fade = f;
    ApplyVolumes();
}

void CAudioManager::SetListenerPosition(const Vec3& pos)
{
    if (!SoundOn() || paused || !listener) return;
    listenerPosition = pos;
    listener->SetListenerPosition(pos);
}

void CAudioManager::SetListenerOrientation(const Vec3& front, const Vec3& top)
{
    if (!SoundOn() || paused || !listener) return;
    listener->SetListenerOrientation(front, top);
}

void CAudioManager::SetListenerVelocity(const Vec3& vel)
{
    if (!SoundOn() || paused || !listener) return;
    listener->SetListenerVelocity(vel);
}

void CAudioManager::Release()
{
    if (!SoundOn()) return;
    DebugOut("\nCAudioManager::Release() start...");
    StopEffectPools();
    for (auto& pool : effectPools)
        for (auto& slot : pool) {
            CSound* s = slot.sound;
            slot = PooledEffectSlot{};
            ReleaseSound(&s);
        }
    while (soundCount > 0) {
        DebugOutF("\tSound lost! (Name: %s)", sounds[0]->name);
        CSound* s = sounds[0];
        ReleaseSound(&s);
    }
    musicPlayer.ReleaseSegment();
    ambientSound = nullptr;
    listener = nullptr;
    if (device) device->Release();
    device = nullptr;
    DebugOut("CAudioManager::Release() done!\n");
}

void UpdatePooledEffectPositions()
{
    for (auto& pool : g_AudioManager.effectPools) {
        for (auto& slot : pool) {
            if (!slot.sound || !slot.emitter) continue;
            if (slot.sound->IsPlaying()) {
                if (g_LocationKind == g_WorldIndex) {
                    slot.sound->SetPosition(slot.emitter->position);
                } else {
                    slot.sound->Stop();
                    slot.emitter = nullptr;
                }
            } else {
                slot.emitter = nullptr;
            }
        }
    }
}

void UpdatePlanetAmbient()
{
    CAudioManager& a = g_AudioManager;
    if (g_WorldIndex != 0 || !SoundOn()) return;
    int id = g_LocationDirector.locationId;
    if (id != 110 && id != 111) return;
    unsigned now = g_GameClock.NowMs();
    if (!a.ambientSound) {
        if ((float)(now - a.ambientStart) / 1000.0f > (float)a.ambientPause) {
            char name[64];
            std::snprintf(name, sizeof(name), "Data/Sounds/Planet/Ambient/%02d.wav", GameRand() % 7 + 1);
            a.ambientSound = a.LoadSound(name, SOUND_EFFECT, 1.0f, 10.0f);
            if (a.ambientSound) {
                a.ambientSound->SetVolume((float)(GameRand() % 101));
                a.ambientSound->Play(0);
            }
            a.ambientPause = 0;
        }
        return;
    }
    if (a.ambientSound->IsPlaying()) return;
    if (a.ambientPause == 0) {
        a.ReleaseSound(&a.ambientSound);
        a.ambientStart = now;
        a.ambientPause = GameRand() % 4;
    }
}

void UpdateAudio()
{
    CAudioManager& a = g_AudioManager;
    if (!SoundOn() || a.paused || g_GameClock.realFrameSeconds == 0.0f) return;
    if (a.listener) a.listener->CommitDeferredSettings();
    UpdatePlanetAmbient();
    a.musicPlayer.Update();
    UpdatePooledEffectPositions();
}

void PauseAllSounds()
{
    CAudioManager& a = g_AudioManager;
    if (!SoundOn() || a.paused) return;
    if (a.musicPlayer.segment) a.musicPlayer.segment->Pause();
    for (int i = 0; i < a.soundCount; ++i) {
        CSound* s = a.sounds[i];
        if (!s->IsPlaying()) continue;
        s->buffer->Stop();
        s->paused = 1;
    }
    a.paused = 1;
}

void StopPlanetAmbient()
{
    if (SoundOn()) g_AudioManager.ReleaseSound(&g_AudioManager.ambientSound);
}

void ResetSound3DModes()
{
    CAudioManager& a = g_AudioManager;
    for (int i = 0; i < a.soundCount; ++i)
        if (a.sounds[i]->buffer3D) a.sounds[i]->buffer3D->Set3DMode(SND3DMODE_NORMAL);
}

void StopAmbientAndMusic()
{
    CAudioManager& a = g_AudioManager;
    a.ReleaseSound(&a.ambientSound);
    if (g_Settings.music) a.musicPlayer.StopAndReset();
}

void StopEffectPools()
{
    for (auto& pool : g_AudioManager.effectPools)
        for (auto& slot : pool)
            if (slot.sound) {
                slot.sound->Stop();
                if (slot.sound->buffer3D) slot.sound->buffer3D->Set3DMode(SND3DMODE_NORMAL);
            }
    StopAmbientAndMusic();
}
