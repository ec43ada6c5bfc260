// The audio manager: the sound device and its listener, every loaded sound, the effect
// pools that play at moving emitters, the planet ambience and the music player.
#pragma once
#include "audio/music_player.h"
#include "audio/sound.h"
#include "platform/math/math3d.h"
#include "platform/snd/sound_device.h"
#include "platform/win/window.h"

class CGameObject;

constexpr int AUDIO_MAX_SOUNDS = 1024;
constexpr int AUDIO_POOL_COUNT = 7;
constexpr int AUDIO_POOL_SLOTS = 10;

struct PooledEffectSlot {
    CSound* sound = nullptr;          // owned through the sound list
    CGameObject* emitter = nullptr;   // not owned; null when the slot is free
};

class CAudioManager {
public:
    int Init(WindowHandle window = nullptr);
    void Release();
    CSound* LoadSound(const char* name, int type, float minDist, float maxDist);
    void ReleaseSound(CSound** sound);
    CSound* PlayPooledEffect(CGameObject* emitter, int pool);
    // Frees every pool slot that follows this object; its sound plays out where it is.
    // The world calls it before it frees an object.
    void UnbindEmitter(const CGameObject* emitter);
    void StopAll();
    void ApplyVolumes();
    void ResumeAll();
    void SetFade(float f);
    void SetListenerPosition(const Vec3& pos);
    void SetListenerOrientation(const Vec3& front, const Vec3& top);
    void SetListenerVelocity(const Vec3& vel);

    SoundDevice* device = nullptr;
    SoundDevice* listener = nullptr;  // the device's listener
    Vec3 listenerPosition;
    float fade = 100.0f;
    int paused = 0;
    CSound* sounds[AUDIO_MAX_SOUNDS] = {};
    int soundCount = 0;
    CSound* ambientSound = nullptr;
    unsigned ambientStart = 0;
    int ambientPause = 0;
    PooledEffectSlot effectPools[AUDIO_POOL_COUNT][AUDIO_POOL_SLOTS];
    CMusicPlayer musicPlayer;

private:
    int InitFailed(const char* text);
    void FillPools();
};

extern CAudioManager g_AudioManager;

void UpdateAudio();
void PauseAllSounds();
void UpdatePooledEffectPositions();
void UpdatePlanetAmbient();
void StopPlanetAmbient();
void ResetSound3DModes();
void StopAmbientAndMusic();
void StopEffectPools();
