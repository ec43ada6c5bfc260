#include "audio/music_player.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/settings.h"
#include "locations/location_director.h"
#include "world/game_clock.h"
#include "world/world.h"
#include "audio/audio_manager.h"
#include "audio/sound.h"
#include "audio/wave_file.h"
#include "files/file_manager.h"
#include "platform/win/message_box.h"
#include "platform/win/timer.h"

// ---------------------------------------------------------------- CMusicSegment

CMusicSegment::CMusicSegment(SoundBuffer* buffer) : segment(buffer)
{
    SetVolume(100.0f);
}

CMusicSegment::~CMusicSegment()
{
    Release();
}

void CMusicSegment::Play()
{
    paused = 0;
    if (!segment) return;
    segment->Stop();
    segment->SetCurrentPosition(0);
    segment->Play(0);
    segmentState = 1;
    startTime = float(g_GameClock.realTime);
}

void CMusicSegment::Stop()
{
    if (!segment) return;
    segment->Stop();
    segment->SetCurrentPosition(0);
    segmentState = 0;
}

void CMusicSegment::Pause()
{
    if (paused || !segment) return;
    if (float(g_GameClock.realTime) - startTime > 250.0f && !IsPlaying()) return;
    resumePosition = GetResumeTime();
    segment->Stop();
    segmentState = 0;
    paused = 1;
}

void CMusicSegment::Resume()
{
    if (!paused || !segment) return;
    paused = 0;
    segment->SetCurrentPosition((unsigned)resumePosition);
    segment->Play(0);
    segmentState = 1;
    startTime = float(g_GameClock.realTime);
}

void CMusicSegment::SetVolume(float level)
{
    volumeLevel = level;
    if (segment) segment->SetVolume(SoundVolumeFor(level, SOUND_MUSIC));
}

int CMusicSegment::GetResumeTime()
{
    if (!segment) return 0;
    unsigned pos = 0;
    segment->GetCurrentPosition(&pos);
    return pos > (unsigned)INT_MAX ? INT_MAX : (int)pos;
}

int CMusicSegment::IsPlaying()
{
    if (!segment) return 0;
    unsigned status = 0;
    segment->GetStatus(&status);
    return (status & SNDSTATUS_PLAYING) ? 1 : 0;
}

void CMusicSegment::Release()
{
    if (!segment) return;
    Stop();
    segment->Release();
    segment = nullptr;
}

CMusicSegment* OpenMusicSegment(const char* name)
{
    if (!g_Settings.audio || !name) return nullptr;
    SoundDevice* dev = g_AudioManager.device;
    if (!dev) return nullptr;
    uint32_t size = 0;
    int h = CFileManager::Open(name, FILE_KIND_PLAIN, &size);
    if (h == -1) h = CFileManager::Open(name, FILE_KIND_SOUNDS, &size);
    if (h == -1) return nullptr;
    std::vector<uint8_t> image(size_t(size) + 1);
    size_t got = size ? CFileManager::Read(image.data(), 1, size, h) : 0;
    CFileManager::Close(h);
    if (got != size) return nullptr;

    CWaveFile wave;
    if (wave.OpenMemory(image.data(), size) != SND_OK || wave.ResetFile() != SND_OK) {
        DebugOutF("Couldn't load music: %s", name);
        return nullptr;
    }
    SoundBuffer* buffer = nullptr;
    if (dev->CreateSoundBuffer(*wave.GetFormat(), wave.GetSize(), SNDBUF_CTRLVOLUME | SNDBUF_CTRLFREQUENCY, &buffer) !=
        SND_OK) {
        DebugOutF("Couldn't load music: %s", name);
        return nullptr;
    }
    void* p = nullptr;
    unsigned locked = 0;
    uint32_t read = 0;
    if (buffer->Lock(0, buffer->GetSize(), &p, &locked) != SND_OK ||
        wave.ReadData(locked, static_cast<uint8_t*>(p), &read) != SND_OK || buffer->Unlock() != SND_OK) {
        buffer->Release();
        return nullptr;
    }
    return new CMusicSegment(buffer);
}

// ---------------------------------------------------------------- CMusicPlayer

void CMusicPlayer::Init()
{
    if (!g_Settings.audio) return;
    segment = nullptr;
    kind = 0;
    requestedKind = -1;
    startTime = 0;
    requestTime = 0;
    randState = timeGetTime();
}

int CMusicPlayer::NextRandom()
{
    randState = randState * 214013u + 2531011u;
    return int((randState >> 16) & 0x7FFF);
}

int CMusicPlayer::ReadList(int fileHandle, char names[MUSIC_NAME_COUNT][MUSIC_NAME_SIZE], int* count)
{
    char line[MUSIC_NAME_SIZE + 1] = {};
    line[0] = 0;
    CFileManager::ReadLine(line, MUSIC_NAME_SIZE, fileHandle);
    if (std::strlen(line) < 2) {
        ShowMessage("Prepare music error!", "Couldn't load music file name data!", MB_OK);
        return 0;
    }
    line[0] = 0;
    CFileManager::ReadLine(line, MUSIC_NAME_SIZE, fileHandle);
    int n = std::atoi(line);
    if (n < 0) n = 0;
    int kept = n > MUSIC_NAME_COUNT ? MUSIC_NAME_COUNT : n;
    if (n > MUSIC_NAME_COUNT) DebugOutF("Too many music names (%d), %d kept", n, MUSIC_NAME_COUNT);
    for (int i = 0; i < kept; ++i) {
        names[i][0] = 0;
        CFileManager::ReadLine(names[i], MUSIC_NAME_SIZE, fileHandle);
    }
    *count = kept;
    // Names past the last slot are read and dropped so that the file stays in step.
    for (int i = kept; i < n; ++i)
        if (CFileManager::ReadLine(line, MUSIC_NAME_SIZE, fileHandle) <= 0) break;
    return 1;
}

void CMusicPlayer::LoadNameLists(int fileHandle)
{
    int w = g_WorldIndex;
    if (w < 0 || w > 1) return;
    std::memset(calmNames[w], 0, sizeof(calmNames[w]));
    std::memset(battleNames[w], 0, sizeof(battleNames[w]));
    calmCounts[w] = 0;
    battleCounts[w] = 0;
    if (!ReadList(fileHandle, calmNames[w], &calmCounts[w])) return;
    if (!ReadList(fileHandle, battleNames[w], &battleCounts[w])) return;
    char line[MUSIC_NAME_SIZE + 1];
    for (int i = 0; i < 3; ++i) CFileManager::ReadLine(line, MUSIC_NAME_SIZE, fileHandle);
}

void CMusicPlayer::Update()
{
    float now = float(g_GameClock.gameTime);
    if (requestedKind != -1) {
        float t = (now - (float)requestTime) / 1000.0f;
        if (t < 2.0f) {
            if (segment) segment->SetVolume(100.0f - 50.0f * t);
        } else {
            if (segment && requestedKind != kind) ReleaseSegment();
            kind = requestedKind;
            requestedKind = -1;
        }
    }
    if (!g_Settings.music) return;
    if (segment) {
        if (float(g_GameClock.realTime) - segment->startTime < 250.0f) return;
        if (!segment->IsPlaying()) ReleaseSegment();
        return;
    }
    randState = timeGetTime();
    int w = g_WorldIndex;
    if (w < 0 || w > 1) return;
    const char* name = nullptr;
    if (kind == 0 && calmCounts[w] > 0)
        name = calmNames[w][NextRandom() % calmCounts[w]];
    else if (kind == 1 && battleCounts[w] > 0)
        name = battleNames[w][NextRandom() % battleCounts[w]];
    if (!name) return;
    segment = OpenMusicSegment(name);
    if (!segment) return;
    startTime = g_GameClock.NowMs();
    segment->SetVolume(100.0f);
    segment->Play();
}

void CMusicPlayer::RequestKind(int k)
{
    if (g_LocationDirector.missionOver || k == kind || requestedKind != -1) return;
    requestedKind = k;
    requestTime = g_GameClock.NowMs();
}

void CMusicPlayer::Play(const char* name)
{
    if (g_Settings.music) {
        ReleaseSegment();
        segment = OpenMusicSegment(name);
        if (segment) {
            startTime = g_GameClock.NowMs();
            segment->SetVolume(100.0f);
            segment->Play();
        }
    }
    kind = 0;
    requestedKind = -1;
}

void CMusicPlayer::SetVolume(float level)
{
    if (segment) segment->SetVolume(level);
}

void CMusicPlayer::ReleaseSegment()
{
    delete segment;
    segment = nullptr;
}

void CMusicPlayer::StopAndReset()
{
    if (!g_Settings.music) return;
    ReleaseSegment();
    kind = 0;
    requestedKind = -1;
    startTime = 0;
    requestTime = 0;
}
