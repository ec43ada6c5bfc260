#include "audio/sound.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "app/settings.h"
#include "locations/location_director.h"
#include "world/game_clock.h"
#include "world/world.h"
#include "audio/audio_manager.h"
#include "audio/wave_file.h"
#include "platform/win/message_box.h"

int SoundVolumeFor(float level, int type)
{
    int setting;
    switch (type) {
    case SOUND_EFFECT:
    case SOUND_3D: setting = g_Settings.effectsVolume; break;
    case SOUND_VOICE: setting = g_Settings.voicesVolume; break;
    case SOUND_MUSIC: setting = g_Settings.musicVolume; break;
    default: return -5000;
    }
    return (int)((100.0f - level / 10000.0f * (float)setting * g_AudioManager.fade) * -50.0f);
}

namespace {

// ShowMessage writes the text to the debug log as well.
int Fail(const char* text)
{
    ShowMessage(text, "Sound error!", MB_ICONWARNING);
    return SND_FAIL;
}

}  // namespace

CSound::CSound() = default;

CSound::~CSound()
{
    Release();
}

void CSound::Release()
{
    delete reader;
    reader = nullptr;
    if (buffer) buffer->Release();
    buffer = nullptr;
    buffer3D = nullptr;
    bufferSize = 0;
}

int CSound::Load(const char* soundName, int soundType, float minDist, float maxDist)
{
    std::strncpy(name, soundName ? soundName : "", sizeof(name) - 1);
    name[sizeof(name) - 1] = 0;
    type = soundType;
    minDistance = minDist;
    maxDistance = maxDist;
    int hr = CreateFromWave();
    if (hr != SND_OK) DebugOutF("Couldn't load sound: %s", name);
    return hr;
}

int CSound::Finish3DAndVolume()
{
    if (type == SOUND_3D) {
        buffer3D = buffer->Is3D() ? buffer : nullptr;
        if (!buffer3D) return Fail("QueryInterface (IID_IDirectSound3DBuffer) failed!");
        buffer3D->Set3DPosition({-1000000.0f, -1000000.0f, -1000000.0f});
        buffer3D->Set3DVelocity({0, 0, 0});
        buffer3D->SetMinDistance(minDistance);
        buffer3D->SetMaxDistance(maxDistance);
    }
    return SND_OK;
}

int CSound::CreateFromWave()
{
    Release();
    SoundDevice* dev = g_AudioManager.device;
    if (!dev) return SND_FAIL;
    reader = new CWaveFile();
    if (reader->Open(name) != SND_OK) return SND_FAIL;
    reader->Close(1);
    const WaveFormatEx* fmt = reader->GetFormat();
    bufferSize = reader->GetSize();
    unsigned flags = type == SOUND_3D
        ? SNDBUF_CTRL3D | SNDBUF_CTRLFREQUENCY | SNDBUF_CTRLVOLUME | SNDBUF_MUTE3DATMAXDISTANCE
        : SNDBUF_CTRLFREQUENCY | SNDBUF_CTRLVOLUME;
    int hr = dev->CreateSoundBuffer(*fmt, bufferSize, flags, &buffer);
    if (hr != SND_OK && hr != SND_NO_VIRTUALIZATION) {
        buffer = nullptr;
        return Fail("CreateSoundBuffer(...) failed!");
    }
    if (Finish3DAndVolume() != SND_OK) return SND_FAIL;
    if (FillBuffer() != SND_OK) return SND_FAIL;
    SetVolume(100.0f);
    buffer->GetFrequency(&frequency);
    return SND_OK;
}

int CSound::Duplicate(CSound* source, int soundType)
{
    Release();
    if (!source) return SND_FAIL;
    type = soundType;
    std::memcpy(name, source->name, sizeof(name));
    minDistance = source->minDistance;
    maxDistance = source->maxDistance;
    SoundDevice* dev = g_AudioManager.device;
    int hr = dev && source->buffer ? dev->DuplicateSoundBuffer(source->buffer, &buffer) : SND_FAIL;
    if (hr != SND_OK) {
        buffer = nullptr;
        Fail("DuplicateSoundBuffer(...) failed!");
        return hr;
    }
    bufferSize = source->bufferSize;
    if (Finish3DAndVolume() != SND_OK) return SND_FAIL;
    SetVolume(100.0f);
    buffer->GetFrequency(&frequency);
    return SND_OK;
}

int CSound::FillBuffer()
{
    // A duplicate shares its samples with the sound it was made from.
    if (!buffer || !reader) return buffer ? SND_OK : SND_FAIL;
    if (reader->Open(name) != SND_OK) return SND_FAIL;
    std::vector<uint8_t> data(reader->GetSize());
    uint32_t got = 0;
    int hr = reader->ReadData((uint32_t)data.size(), data.data(), &got);
    reader->ResetFile();
    if (hr == SND_OK) {
        void* p = nullptr;
        unsigned locked = 0;
        hr = buffer->Lock(0, bufferSize, &p, &locked);
        if (hr == SND_OK) {
            std::memcpy(p, data.data(), std::min<size_t>(locked, got));
            hr = buffer->Unlock();
        }
    }
    reader->Close(1);
    return hr;
}

int CSound::RestoreBuffer()
{
    if (!buffer) return SND_FAIL;
    unsigned status = 0;
    buffer->GetStatus(&status);
    if (!(status & SNDSTATUS_BUFFERLOST)) return SND_OK;
    while (buffer->Restore() == SND_BUFFERLOST) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return FillBuffer();
}

void CSound::Play(int flags)
{
    if (!buffer) return;
    if (g_LocationKind == 2 && g_WorldIndex == 1) return;
    buffer->Stop();
    buffer->SetCurrentPosition(0);
    playFlags = flags;
    RestoreBuffer();
    buffer->Play((flags & 1) ? SNDPLAY_LOOPING : 0);
}

void CSound::Stop()
{
    if (!buffer) return;
    buffer->Stop();
    buffer->SetCurrentPosition(0);
}

void CSound::SetVolume(float level)
{
    volumeLevel = level;
    if (buffer) buffer->SetVolume(SoundVolumeFor(level, type));
}

void CSound::SetFrequency(unsigned hz)
{
    if (buffer) buffer->SetFrequency(hz);
}

void CSound::SetPosition(const Vec3& pos)
{
    if (buffer3D) buffer3D->Set3DPosition(pos);
}

void CSound::SetVelocity(const Vec3& vel)
{
    if (buffer3D) buffer3D->Set3DVelocity(vel);
}

void CSound::SetMinMaxDistance(float minDist, float maxDist)
{
    if (!buffer3D) return;
    buffer3D->SetMinDistance(minDist);
    buffer3D->SetMaxDistance(maxDist);
}

int CSound::IsPlaying()
{
    if (!buffer) return 0;
    unsigned status = 0;
    buffer->GetStatus(&status);
    return (status & SNDSTATUS_PLAYING) ? 1 : 0;
}
