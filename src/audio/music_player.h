// Background music: one piece at a time from the location's calm and battle name lists,
// with a two-second fade when the kind changes, and named pieces for menus and scenes.
#pragma once
#include <cstdint>

#include "platform/snd/sound_device.h"

constexpr int MUSIC_NAME_COUNT = 16;
constexpr int MUSIC_NAME_SIZE = 255;

// One loaded piece: a 2D stream of its own on the sound device, with its own volume.
class CMusicSegment {
public:
    explicit CMusicSegment(SoundBuffer* segment);
    ~CMusicSegment();
    CMusicSegment(const CMusicSegment&) = delete;
    CMusicSegment& operator=(const CMusicSegment&) = delete;

    void Play();
    void Stop();
    void Pause();
    void Resume();
    void SetVolume(float level);
    // Play position (bytes of the piece) at which Resume continues.
    int GetResumeTime();
    int IsPlaying();
    void Release();

    int paused = 0;
    float startTime = 0;  // real time, ms
    int resumePosition = 0;
    float volumeLevel = 100.0f;
    SoundBuffer* segment = nullptr;
    int segmentState = 0;  // a play is under way (or paused)
};

CMusicSegment* OpenMusicSegment(const char* name);

class CMusicPlayer {
public:
    void Init();
    void LoadNameLists(int fileHandle);
    void Update();
    void RequestKind(int kind);
    void Play(const char* name);
    void SetVolume(float level);
    void ReleaseSegment();
    void StopAndReset();
    // The game clock has restarted: the request and segment stamps count from now.
    void RenewStamps(uint32_t now) { startTime = requestTime = now; }

    CMusicSegment* segment = nullptr;
    int kind = 0;
    int requestedKind = -1;
    uint32_t startTime = 0;
    uint32_t requestTime = 0;
    char calmNames[2][MUSIC_NAME_COUNT][MUSIC_NAME_SIZE] = {};
    char battleNames[2][MUSIC_NAME_COUNT][MUSIC_NAME_SIZE] = {};
    int calmCounts[2] = {};
    int battleCounts[2] = {};
    // Its own random numbers: choosing a piece must not disturb the game's shared sequence.
    uint32_t randState = 1;

private:
    int NextRandom();
    // Reads one list (header, count, names) of the current world; 0 on a short header.
    int ReadList(int fileHandle, char names[MUSIC_NAME_COUNT][MUSIC_NAME_SIZE], int* count);
};
