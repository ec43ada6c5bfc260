// One loaded sound: a sound buffer filled from a WAV file, 2D or 3D.
#pragma once
#include "platform/math/math3d.h"
#include "platform/snd/sound_device.h"

class CWaveFile;

enum SoundType {
    SOUND_EFFECT = 0,  // "Effects volume"
    SOUND_VOICE = 1,   // "Voices volume"
    SOUND_MUSIC = 2,   // "Music volume"
    SOUND_3D = 3,      // "Effects volume", positioned
};

// Buffer volume in hundredths of a dB for a level (0..100) of a sound type,
// with the type's volume setting and the manager's fade.
int SoundVolumeFor(float level, int type);

class CSound {
public:
    CSound();
    ~CSound();
    CSound(const CSound&) = delete;
    CSound& operator=(const CSound&) = delete;

    int Load(const char* name, int type, float minDist, float maxDist);
    int CreateFromWave();
    int Duplicate(CSound* source, int type);
    int FillBuffer();
    int RestoreBuffer();
    void Release();

    void Play(int flags);
    void Stop();
    void SetVolume(float level);
    void SetFrequency(unsigned hz);
    void SetPosition(const Vec3& pos);
    void SetVelocity(const Vec3& vel);
    void SetMinMaxDistance(float minDist, float maxDist);
    int IsPlaying();

    CWaveFile* reader = nullptr;
    int type = SOUND_EFFECT;
    int playFlags = 0;
    int paused = 0;
    char name[256] = {};
    unsigned frequency = 0;
    float volumeLevel = 100.0f;
    float minDistance = 1.0f;
    float maxDistance = 10.0f;
    SoundBuffer* buffer = nullptr;
    SoundBuffer* buffer3D = nullptr;  // the same buffer's 3D side; type 3 only
    unsigned bufferSize = 0;

private:
    int Finish3DAndVolume();
};
