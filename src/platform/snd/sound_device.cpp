#include "platform/snd/sound_device.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include "platform/win/timer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

// Samples shared by a buffer and its duplicates; the AL buffer goes with the last user.
struct SoundSamples {
    ALuint name = 0;
    ALenum alFormat = 0;
    WaveFormatEx format{};
    std::vector<uint8_t> bytes;
    ~SoundSamples()
    {
        if (name) alDeleteBuffers(1, &name);
    }
};

namespace {

bool g_useLoopback = false;
bool g_simulateNoDevice = false;

LPALCLOOPBACKOPENDEVICESOFT pLoopbackOpen = nullptr;
LPALCISRENDERFORMATSUPPORTEDSOFT pIsRenderFormatSupported = nullptr;
LPALCRENDERSAMPLESSOFT pRenderSamples = nullptr;

bool LoadLoopbackFunctions()
{
    if (pLoopbackOpen) return true;
    if (!alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback")) return false;
    pLoopbackOpen = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    pIsRenderFormatSupported =
        reinterpret_cast<LPALCISRENDERFORMATSUPPORTEDSOFT>(alcGetProcAddress(nullptr, "alcIsRenderFormatSupportedSOFT"));
    pRenderSamples = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    return pLoopbackOpen && pIsRenderFormatSupported && pRenderSamples;
}

ALenum AlFormatOf(const WaveFormatEx& f)
{
    if (f.formatTag != WAVE_FORMAT_PCM) return 0;
    if (f.channels == 1 && f.bitsPerSample == 8) return AL_FORMAT_MONO8;
    if (f.channels == 1 && f.bitsPerSample == 16) return AL_FORMAT_MONO16;
    if (f.channels == 2 && f.bitsPerSample == 8) return AL_FORMAT_STEREO8;
    if (f.channels == 2 && f.bitsPerSample == 16) return AL_FORMAT_STEREO16;
    return 0;
}

void SetVec(ALuint src, ALenum param, const Vec3& v)
{
    Vec3 r = SoundToRightHanded(v);
    alSource3f(src, param, r.x, r.y, r.z);
}

}  // namespace

namespace {
uint64_t NowMs()
{
    if (FrameStepMs()) return timeGetTime();  // a wrap would only cut one pace short
    return (uint64_t)std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

float SoundVolumeToGain(int hundredthsDb)
{
    if (hundredthsDb > SNDVOLUME_MAX) hundredthsDb = SNDVOLUME_MAX;
    if (hundredthsDb <= SNDVOLUME_MIN) return 0.0f;
    return std::pow(10.0f, hundredthsDb / 2000.0f);
}

Vec3 SoundToRightHanded(const Vec3& v)
{
    return {v.x, v.y, -v.z};
}

// ---------------------------------------------------------------- SoundBuffer

SoundBuffer::SoundBuffer(SoundDevice* dev, std::shared_ptr<SoundSamples> samples, unsigned flags)
    : dev_(dev), samples_(std::move(samples)), flags_(flags), is3d_((flags & SNDBUF_CTRL3D) != 0)
{
    frequency_ = samples_->format.samplesPerSec;
}

SoundBuffer::~SoundBuffer()
{
    if (dev_) {
        if (source_) {
            alSourceStop(source_);
            alSourcei(source_, AL_BUFFER, 0);
            alDeleteSources(1, &source_);
        }
        auto& list = dev_->buffers_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    samples_.reset();
}

bool SoundBuffer::EnsureSource()
{
    if (!dev_) return false;
    if (source_) return true;
    alGetError();
    alGenSources(1, &source_);
    if (alGetError() != AL_NO_ERROR) {
        source_ = 0;
        return false;
    }
    alSourcef(source_, AL_PITCH, 1.0f);
    alSourcei(source_, AL_BUFFER, 0);
    ApplyGain();
    Apply3D();
    return true;
}

unsigned SoundBuffer::GetSize() const
{
    return samples_ ? (unsigned)samples_->bytes.size() : 0;
}

const WaveFormatEx& SoundBuffer::GetFormat() const
{
    static const WaveFormatEx none{};
    return samples_ ? samples_->format : none;
}

int SoundBuffer::Lock(unsigned offset, unsigned bytes, void** data, unsigned* locked)
{
    if (!samples_ || !data || !locked || locked_) return SND_INVALIDPARAM;
    if (lost_) return SND_BUFFERLOST;
    unsigned size = (unsigned)samples_->bytes.size();
    if (offset > size) return SND_INVALIDPARAM;
    *data = samples_->bytes.data() + offset;
    *locked = std::min(bytes, size - offset);
    locked_ = true;
    return SND_OK;
}

int SoundBuffer::Unlock()
{
    if (!locked_ || !dev_ || !samples_) return SND_INVALIDPARAM;
    locked_ = false;
    // The AL buffer cannot change while a source holds it: detach every sharer first.
    for (SoundBuffer* b : dev_->buffers_) {
        if (b->samples_ == samples_ && b->source_) {
            alSourceStop(b->source_);
            alSourcei(b->source_, AL_BUFFER, 0);
        }
    }
    alGetError();
    const WaveFormatEx& f = samples_->format;
    unsigned usable = (unsigned)samples_->bytes.size() / f.blockAlign * f.blockAlign;
    alBufferData(samples_->name, samples_->alFormat, samples_->bytes.data(), (ALsizei)usable, (ALsizei)f.samplesPerSec);
    if (alGetError() != AL_NO_ERROR) return SND_FAIL;
    for (SoundBuffer* b : dev_->buffers_)
        if (b->samples_ == samples_ && b->source_) alSourcei(b->source_, AL_BUFFER, (ALint)samples_->name);
    return SND_OK;
}

int SoundBuffer::Play(unsigned flags)
{
    if (lost_) return SND_BUFFERLOST;
    if (!EnsureSource()) return SND_FAIL;
    ALint attached = 0;
    alGetSourcei(source_, AL_BUFFER, &attached);
    if ((ALuint)attached != samples_->name) alSourcei(source_, AL_BUFFER, (ALint)samples_->name);
    alSourcei(source_, AL_LOOPING, (flags & SNDPLAY_LOOPING) ? AL_TRUE : AL_FALSE);
    ALint state = 0;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    if (state != AL_PLAYING) alSourcePlay(source_);
    return SND_OK;
}

int SoundBuffer::Stop()
{
    if (!source_) return SND_OK;
    ALint state = 0;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    if (state == AL_PLAYING) alSourcePause(source_);
    return SND_OK;
}

int SoundBuffer::SetCurrentPosition(unsigned byteOffset)
{
    if (!samples_) return SND_INVALIDPARAM;
    if (byteOffset >= samples_->bytes.size()) byteOffset = 0;
    if (!EnsureSource()) return SND_FAIL;
    ALint state = 0;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    if (state == AL_PLAYING) {
        alSourcei(source_, AL_BYTE_OFFSET, (ALint)byteOffset);
        return SND_OK;
    }
    // A stopped source takes the offset on its next play.
    alSourceRewind(source_);
    if (byteOffset) {
        ALint attached = 0;
        alGetSourcei(source_, AL_BUFFER, &attached);
        if ((ALuint)attached != samples_->name) alSourcei(source_, AL_BUFFER, (ALint)samples_->name);
        alSourcei(source_, AL_BYTE_OFFSET, (ALint)byteOffset);
    }
    return SND_OK;
}

int SoundBuffer::GetCurrentPosition(unsigned* byteOffset)
{
    if (!byteOffset) return SND_INVALIDPARAM;
    *byteOffset = 0;
    if (!source_) return SND_OK;
    ALint state = 0;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    if (state == AL_PLAYING || state == AL_PAUSED) {
        ALint off = 0;
        alGetSourcei(source_, AL_BYTE_OFFSET, &off);
        *byteOffset = (unsigned)std::max(off, 0);
    }
    return SND_OK;
}

int SoundBuffer::GetStatus(unsigned* status)
{
    if (!status) return SND_INVALIDPARAM;
    *status = 0;
    if (lost_) {
        *status = SNDSTATUS_BUFFERLOST;
        return SND_OK;
    }
    if (!source_) return SND_OK;
    ALint state = 0, looping = 0;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    alGetSourcei(source_, AL_LOOPING, &looping);
    if (state == AL_PLAYING) *status = SNDSTATUS_PLAYING | (looping ? (unsigned)SNDSTATUS_LOOPING : 0u);
    return SND_OK;
}

int SoundBuffer::SetVolume(int hundredthsDb)
{
    if (!(flags_ & SNDBUF_CTRLVOLUME)) return SND_INVALIDPARAM;
    volume_ = std::clamp(hundredthsDb, SNDVOLUME_MIN, SNDVOLUME_MAX);
    ApplyGain();
    return SND_OK;
}

int SoundBuffer::GetVolume(int* hundredthsDb) const
{
    if (!hundredthsDb) return SND_INVALIDPARAM;
    *hundredthsDb = volume_;
    return SND_OK;
}

void SoundBuffer::ApplyGain()
{
    if (source_) alSourcef(source_, AL_GAIN, muted_ ? 0.0f : SoundVolumeToGain(volume_));
}

int SoundBuffer::SetFrequency(unsigned hz)
{
    if (!(flags_ & SNDBUF_CTRLFREQUENCY) || !samples_) return SND_INVALIDPARAM;
    unsigned rate = samples_->format.samplesPerSec;
    if (hz == SNDFREQUENCY_ORIGINAL) hz = rate;
    frequency_ = std::clamp(hz, SNDFREQUENCY_MIN, SNDFREQUENCY_MAX);
    if (EnsureSource()) alSourcef(source_, AL_PITCH, rate ? (float)frequency_ / (float)rate : 1.0f);
    return SND_OK;
}

int SoundBuffer::GetFrequency(unsigned* hz) const
{
    if (!hz) return SND_INVALIDPARAM;
    *hz = frequency_;
    return SND_OK;
}

int SoundBuffer::Restore()
{
    lost_ = false;
    return SND_OK;
}

int SoundBuffer::Set3DPosition(const Vec3& pos)
{
    if (!is3d_) return SND_INVALIDPARAM;
    pending_.pos = pos;
    dirty_ = true;
    return SND_OK;
}

int SoundBuffer::Set3DVelocity(const Vec3& vel)
{
    if (!is3d_) return SND_INVALIDPARAM;
    pending_.vel = vel;
    dirty_ = true;
    return SND_OK;
}

int SoundBuffer::SetMinDistance(float d)
{
    if (!is3d_ || !(d > 0.0f)) return SND_INVALIDPARAM;
    pending_.minDist = d;
    dirty_ = true;
    return SND_OK;
}

int SoundBuffer::SetMaxDistance(float d)
{
    if (!is3d_ || !(d > 0.0f)) return SND_INVALIDPARAM;
    pending_.maxDist = d;
    dirty_ = true;
    return SND_OK;
}

int SoundBuffer::Set3DMode(Sound3DMode mode)
{
    if (!is3d_) return SND_INVALIDPARAM;
    pending_.mode = mode;
    dirty_ = true;
    return SND_OK;
}

void SoundBuffer::Apply3D()
{
    if (!source_) return;
    if (!is3d_ || cur_.mode == SND3DMODE_DISABLED) {
        // Heard at the listener.
        alSourcei(source_, AL_SOURCE_RELATIVE, AL_TRUE);
        alSource3f(source_, AL_POSITION, 0, 0, 0);
        alSource3f(source_, AL_VELOCITY, 0, 0, 0);
        alSourcef(source_, AL_ROLLOFF_FACTOR, 0.0f);
        return;
    }
    alSourcei(source_, AL_SOURCE_RELATIVE, cur_.mode == SND3DMODE_HEADRELATIVE ? AL_TRUE : AL_FALSE);
    SetVec(source_, AL_POSITION, cur_.pos);
    SetVec(source_, AL_VELOCITY, cur_.vel);
    float maxDist = std::max(cur_.maxDist, cur_.minDist);
    alSourcef(source_, AL_REFERENCE_DISTANCE, cur_.minDist);
    alSourcef(source_, AL_MAX_DISTANCE, maxDist);
    alSourcef(source_, AL_ROLLOFF_FACTOR, 1.0f);
}

void SoundBuffer::UpdateMute()
{
    bool mute = false;
    if (is3d_ && (flags_ & SNDBUF_MUTE3DATMAXDISTANCE) && cur_.mode != SND3DMODE_DISABLED && dev_) {
        Vec3 rel = cur_.mode == SND3DMODE_HEADRELATIVE ? cur_.pos : cur_.pos - dev_->listener_.pos;
        mute = Vec3Length(rel) > cur_.maxDist;
    }
    if (mute != muted_) {
        muted_ = mute;
        ApplyGain();
    }
}

// ---------------------------------------------------------------- SoundDevice

void SoundDevice::UseLoopback(bool on, unsigned)
{
    g_useLoopback = on;
}

int SoundDevice::Create(SoundDevice** out)
{
    if (!out) return SND_INVALIDPARAM;
    *out = nullptr;
    ALCdevice* dev = nullptr;
    bool loop = g_useLoopback, paced = false;
    if (loop) {
        if (!LoadLoopbackFunctions()) return SND_FAIL;
        dev = pLoopbackOpen(nullptr);
    } else if (FrameStepMs() && !g_simulateNoDevice && LoadLoopbackFunctions()) {
        // Test switch KORVANE_FRAME_MS: the output's own clock would end a sound after so
        // much real time, and a run would not repeat itself; a mixer paced by the frames
        // ends it after the same frames every time. Nobody listens to it.
        dev = pLoopbackOpen(nullptr);
        loop = paced = dev != nullptr;
    }
    if (!dev && !loop) dev = g_simulateNoDevice ? nullptr : alcOpenDevice(nullptr);
    bool silent = false;
    if (!dev && !loop && LoadLoopbackFunctions()) {
        // No sound card (or no backend that opens): a mixer nobody listens to, paced by
        // the clock, keeps every sound starting, playing and ending as it would.
        dev = pLoopbackOpen(nullptr);
        loop = silent = dev != nullptr;
    }
    if (!dev) return SND_FAIL;
    SoundDevice* d = new SoundDevice();
    d->device_ = dev;
    d->loopback_ = loop;
    d->silent_ = silent;
    d->paced_ = paced;
    d->lastPaceMs_ = NowMs();
    *out = d;
    return SND_OK;
}

void SoundDevice::SimulateNoDevice(bool on)
{
    g_simulateNoDevice = on;
}

void SoundDevice::Pace()
{
    const uint64_t now = NowMs();
    uint64_t frames = (now - lastPaceMs_) * rate_ / 1000;
    if (frames == 0) return;
    lastPaceMs_ = now;
    // A long stall (a pause, a load) is not caught up beyond a quarter second.
    frames = std::min<uint64_t>(frames, rate_ / 4);
    static int16_t scratch[2 * 1024];
    while (frames > 0) {
        const unsigned n = (unsigned)std::min<uint64_t>(frames, 1024);
        pRenderSamples((ALCdevice*)device_, scratch, (ALCsizei)n);
        frames -= n;
    }
}

SoundDevice::~SoundDevice()
{
    for (SoundBuffer* b : buffers_) {
        if (b->source_) {
            alSourceStop(b->source_);
            alSourcei(b->source_, AL_BUFFER, 0);
            alDeleteSources(1, &b->source_);
            b->source_ = 0;
        }
    }
    for (SoundBuffer* b : buffers_) {
        b->samples_.reset();
        b->dev_ = nullptr;
    }
    buffers_.clear();
    if (context_) {
        if (alcGetCurrentContext() == (ALCcontext*)context_) alcMakeContextCurrent(nullptr);
        alcDestroyContext((ALCcontext*)context_);
    }
    if (device_) alcCloseDevice((ALCdevice*)device_);
}

int SoundDevice::SetCooperativeLevel(WindowHandle, int)
{
    return device_ ? SND_OK : SND_FAIL;
}

int SoundDevice::CreatePrimaryBuffer(unsigned flags)
{
    if (!device_ || !(flags & SNDBUF_PRIMARY)) return SND_INVALIDPARAM;
    return SND_OK;
}

int SoundDevice::SetPrimaryFormat(const WaveFormatEx& format)
{
    if (!device_ || format.formatTag != WAVE_FORMAT_PCM || format.channels != 2 || format.bitsPerSample != 16 ||
        format.samplesPerSec < 8000)
        return SND_INVALIDPARAM;
    if (context_) return SND_OK;  // the mix format is fixed once buffers may exist
    rate_ = format.samplesPerSec;
    std::vector<ALCint> attrs = {ALC_FREQUENCY, (ALCint)rate_, ALC_MONO_SOURCES, 1200, ALC_STEREO_SOURCES, 64};
    if (loopback_) {
        if (!pIsRenderFormatSupported((ALCdevice*)device_, (ALCsizei)rate_, ALC_STEREO_SOFT, ALC_SHORT_SOFT))
            return SND_FAIL;
        attrs.insert(attrs.end(), {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_SHORT_SOFT});
    }
    attrs.push_back(0);
    ALCcontext* ctx = alcCreateContext((ALCdevice*)device_, attrs.data());
    if (!ctx) return SND_FAIL;
    context_ = ctx;
    MakeCurrent();
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    alDopplerFactor(1.0f);
    listenerDirty_ = true;
    CommitDeferredSettings();
    return SND_OK;
}

void SoundDevice::MakeCurrent()
{
    if (context_ && alcGetCurrentContext() != (ALCcontext*)context_) alcMakeContextCurrent((ALCcontext*)context_);
}

int SoundDevice::CreateSoundBuffer(const WaveFormatEx& format, unsigned bytes, unsigned flags, SoundBuffer** out)
{
    if (!out) return SND_INVALIDPARAM;
    *out = nullptr;
    if (!context_) return SND_FAIL;
    ALenum alFormat = AlFormatOf(format);
    if (!alFormat || format.samplesPerSec == 0 || format.blockAlign != format.channels * format.bitsPerSample / 8)
        return SND_INVALIDPARAM;
    if (bytes < format.blockAlign || bytes > 0x7FFFFFFFu) return SND_INVALIDPARAM;
    if ((flags & SNDBUF_CTRL3D) && format.channels != 1) return SND_INVALIDPARAM;  // 3D needs mono
    MakeCurrent();
    auto samples = std::make_shared<SoundSamples>();
    samples->format = format;
    samples->format.extraSize = 0;
    samples->alFormat = alFormat;
    samples->bytes.assign(bytes, format.bitsPerSample == 8 ? 0x80 : 0);
    alGetError();
    alGenBuffers(1, &samples->name);
    if (alGetError() != AL_NO_ERROR) {
        samples->name = 0;
        return SND_FAIL;
    }
    SoundBuffer* b = new SoundBuffer(this, std::move(samples), flags);
    if (!b->EnsureSource()) {
        delete b;
        return SND_FAIL;
    }
    buffers_.push_back(b);
    *out = b;
    return SND_OK;
}

int SoundDevice::DuplicateSoundBuffer(SoundBuffer* src, SoundBuffer** out)
{
    if (!out) return SND_INVALIDPARAM;
    *out = nullptr;
    if (!src || !src->samples_ || src->dev_ != this) return SND_INVALIDPARAM;
    SoundBuffer* b = new SoundBuffer(this, src->samples_, src->flags_);
    if (!b->EnsureSource()) {
        delete b;
        return SND_FAIL;
    }
    buffers_.push_back(b);
    *out = b;
    return SND_OK;
}

void SoundDevice::SetListenerPosition(const Vec3& pos)
{
    pendingListener_.pos = pos;
    listenerDirty_ = true;
}

void SoundDevice::SetListenerVelocity(const Vec3& vel)
{
    pendingListener_.vel = vel;
    listenerDirty_ = true;
}

void SoundDevice::SetListenerOrientation(const Vec3& front, const Vec3& top)
{
    pendingListener_.front = front;
    pendingListener_.top = top;
    listenerDirty_ = true;
}

void SoundDevice::SetDopplerFactor(float f)
{
    pendingListener_.doppler = f;
    listenerDirty_ = true;
}

void SoundDevice::CommitDeferredSettings()
{
    if (!context_) return;
    MakeCurrent();
    if (listenerDirty_) {
        listener_ = pendingListener_;
        listenerDirty_ = false;
        Vec3 p = SoundToRightHanded(listener_.pos);
        Vec3 v = SoundToRightHanded(listener_.vel);
        Vec3 f = SoundToRightHanded(listener_.front);
        Vec3 t = SoundToRightHanded(listener_.top);
        alListener3f(AL_POSITION, p.x, p.y, p.z);
        alListener3f(AL_VELOCITY, v.x, v.y, v.z);
        ALfloat ori[6] = {f.x, f.y, f.z, t.x, t.y, t.z};
        alListenerfv(AL_ORIENTATION, ori);
        alDopplerFactor(std::max(listener_.doppler, 0.0f));
    }
    for (SoundBuffer* b : buffers_) {
        if (!b->is3d_) continue;
        if (b->dirty_) {
            b->cur_ = b->pending_;
            b->dirty_ = false;
            b->Apply3D();
        }
        b->UpdateMute();
    }
    if (silent_ || paced_) Pace();
}

int SoundDevice::Render(int16_t* out, unsigned frames)
{
    if (!loopback_ || !context_ || !out) return SND_FAIL;
    pRenderSamples((ALCdevice*)device_, out, (ALCsizei)frames);
    return SND_OK;
}
