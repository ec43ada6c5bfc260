// The audio manager: sounds, the listener, effect pools and the music player.
#pragma once

class CSound;

class CAudioManager {
public:
    float fade = 100.0f;
    int Init();
    void Release();
    void ApplyVolumes();
    void StopAll();
    void ResumeAll();
    void ReleaseSound(CSound* sound);
};

extern CAudioManager g_AudioManager;

void PauseAllSounds();
