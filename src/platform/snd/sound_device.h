// DirectSound-shaped sound layer over OpenAL Soft.
// Units at this boundary are the game's: volume in hundredths of a decibel,
// frequency in Hz, distances and positions in game units of the left-handed space.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>
#include "platform/math/math3d.h"
#include "platform/win/window.h"

constexpr int SND_OK = 0;
constexpr int SND_FAIL = -1;
constexpr int SND_NO_VIRTUALIZATION = 0x0878000A;  // success: 3D asked for, plain stereo given
constexpr int SND_BUFFERLOST = -2;
constexpr int SND_INVALIDPARAM = -3;

// A wave format laid out as the 18-byte WAVEFORMATEX: tag, channels, rate,
// bytes per second, block align, bits per sample, extra size.
#pragma pack(push, 1)
struct WaveFormatEx {
    uint16_t formatTag;
    uint16_t channels;
    uint32_t samplesPerSec;
    uint32_t avgBytesPerSec;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
    uint16_t extraSize;
};
#pragma pack(pop)
static_assert(sizeof(WaveFormatEx) == 18, "WaveFormatEx must keep the file layout");

constexpr uint16_t WAVE_FORMAT_PCM = 1;

// Buffer creation flags.
enum : unsigned {
    SNDBUF_PRIMARY = 0x1,
    SNDBUF_CTRL3D = 0x10,
    SNDBUF_CTRLFREQUENCY = 0x20,
    SNDBUF_CTRLVOLUME = 0x80,
    SNDBUF_MUTE3DATMAXDISTANCE = 0x20000,
};

// Status bits.
enum : unsigned {
    SNDSTATUS_PLAYING = 0x1,
    SNDSTATUS_BUFFERLOST = 0x2,
    SNDSTATUS_LOOPING = 0x4,
};

constexpr unsigned SNDPLAY_LOOPING = 0x1;

enum Sound3DMode { SND3DMODE_NORMAL = 0, SND3DMODE_HEADRELATIVE = 1, SND3DMODE_DISABLED = 2 };

constexpr int SNDVOLUME_MIN = -10000;
constexpr int SNDVOLUME_MAX = 0;
constexpr unsigned SNDFREQUENCY_ORIGINAL = 0;
constexpr unsigned SNDFREQUENCY_MIN = 100;
constexpr unsigned SNDFREQUENCY_MAX = 200000;

// Gain factor of a volume in hundredths of a dB (clamped to -100..0 dB).
float SoundVolumeToGain(int hundredthsDb);
// The one place where the game's left-handed vectors become OpenAL's right-handed ones.
Vec3 SoundToRightHanded(const Vec3& v);

class SoundDevice;
struct SoundSamples;

class SoundBuffer {
public:
    ~SoundBuffer();
    void Release() { delete this; }
    SoundBuffer(const SoundBuffer&) = delete;
    SoundBuffer& operator=(const SoundBuffer&) = delete;

    // Lock the whole sample memory for writing; Unlock hands it to the mixer.
    int Lock(unsigned offset, unsigned bytes, void** data, unsigned* locked);
    int Unlock();
    int Play(unsigned flags);
    // Stops and keeps the position: the next Play continues from it.
    int Stop();
    int SetCurrentPosition(unsigned byteOffset);
    int GetCurrentPosition(unsigned* byteOffset);
    int GetStatus(unsigned* status);
    int SetVolume(int hundredthsDb);
    int GetVolume(int* hundredthsDb) const;
    int SetFrequency(unsigned hz);
    int GetFrequency(unsigned* hz) const;
    int Restore();
    unsigned GetSize() const;
    const WaveFormatEx& GetFormat() const;

    // 3D settings: deferred until the device commits them.
    bool Is3D() const { return is3d_; }
    int Set3DPosition(const Vec3& pos);
    int Set3DVelocity(const Vec3& vel);
    int SetMinDistance(float d);
    int SetMaxDistance(float d);
    int Set3DMode(Sound3DMode mode);
    // Committed values (what the mixer uses now).
    Vec3 Get3DPosition() const { return cur_.pos; }
    Sound3DMode Get3DMode() const { return cur_.mode; }
    float GetMinDistance() const { return cur_.minDist; }
    float GetMaxDistance() const { return cur_.maxDist; }

    // Test switch: the buffer reports itself lost until restored.
    void MarkLost() { lost_ = true; }

private:
    friend class SoundDevice;
    SoundBuffer(SoundDevice* dev, std::shared_ptr<SoundSamples> samples, unsigned flags);
    void ApplyGain();
    void Apply3D();
    void UpdateMute();
    bool EnsureSource();

    struct State3D {
        Vec3 pos;
        Vec3 vel;
        float minDist = 1.0f;
        float maxDist = 1e9f;
        Sound3DMode mode = SND3DMODE_NORMAL;
    };

    SoundDevice* dev_;
    std::shared_ptr<SoundSamples> samples_;
    unsigned flags_;
    bool is3d_;
    unsigned source_ = 0;
    int volume_ = 0;
    unsigned frequency_ = 0;
    bool muted_ = false;
    bool lost_ = false;
    bool locked_ = false;
    State3D cur_, pending_;
    bool dirty_ = false;
};

struct SoundListenerState {
    Vec3 pos;
    Vec3 vel;
    Vec3 front{0, 0, 1};
    Vec3 top{0, 1, 0};
    float doppler = 1.0f;
};

class SoundDevice {
public:
    ~SoundDevice();
    void Release() { delete this; }
    SoundDevice(const SoundDevice&) = delete;
    SoundDevice& operator=(const SoundDevice&) = delete;

    // Opens the default output (OpenAL Soft picks the backend; ALSOFT_DRIVERS=null runs
    // without a sound card). While the loopback switch is on, opens a loopback device instead.
    static int Create(SoundDevice** out);
    // Test switch: devices created from now on render into memory; the mix rate is
    // still the primary format's (the rate argument is not used).
    static void UseLoopback(bool on, unsigned rate = 22050);
    // Test switch: the default output fails to open, as on a machine without a sound card.
    static void SimulateNoDevice(bool on);
    // True when no output opened and the device mixes into nothing (the game stays silent).
    bool IsSilent() const { return silent_; }

    int SetCooperativeLevel(WindowHandle window, int level);
    // The mixing context: stereo 16-bit output at the primary format's rate.
    int CreatePrimaryBuffer(unsigned flags);
    int SetPrimaryFormat(const WaveFormatEx& format);
    int CreateSoundBuffer(const WaveFormatEx& format, unsigned bytes, unsigned flags, SoundBuffer** out);
    // A second buffer over the same samples with its own play state.
    int DuplicateSoundBuffer(SoundBuffer* src, SoundBuffer** out);

    // Listener settings, deferred.
    void SetListenerPosition(const Vec3& pos);
    void SetListenerVelocity(const Vec3& vel);
    void SetListenerOrientation(const Vec3& front, const Vec3& top);
    void SetDopplerFactor(float f);
    const SoundListenerState& GetListener() const { return listener_; }
    // Applies every deferred listener and 3D setting.
    void CommitDeferredSettings();

    bool IsLoopback() const { return loopback_ && !silent_ && !paced_; }
    unsigned GetOutputRate() const { return rate_; }
    // Loopback only: mixes frames of interleaved stereo 16-bit samples.
    int Render(int16_t* out, unsigned frames);

private:
    friend class SoundBuffer;
    SoundDevice() = default;
    void MakeCurrent();
    // Silent device: mixes the time passed since the last call, so sounds still end.
    void Pace();

    void* device_ = nullptr;   // ALCdevice
    void* context_ = nullptr;  // ALCcontext
    bool loopback_ = false;
    bool silent_ = false;
    bool paced_ = false;  // a test run's mixer, paced by the frames (KORVANE_FRAME_MS)
    uint64_t lastPaceMs_ = 0;
    unsigned rate_ = 22050;
    SoundListenerState listener_, pendingListener_;
    bool listenerDirty_ = false;
    std::vector<SoundBuffer*> buffers_;
};
