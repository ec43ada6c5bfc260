#include <algorithm>
// The sound layer rendered through the loopback device and measured.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/snd/sound_device.h"

namespace {

constexpr unsigned kRate = 22050;

WaveFormatEx MonoFormat()
{
    return {WAVE_FORMAT_PCM, 1, kRate, kRate * 2, 2, 16, 0};
}

struct Levels {
    double left = 0, right = 0;
    double Sum() const { return left + right; }
};

class SoundDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SoundDevice::UseLoopback(true);
        ASSERT_EQ(SoundDevice::Create(&dev), SND_OK);
        ASSERT_EQ(dev->CreatePrimaryBuffer(SNDBUF_PRIMARY | SNDBUF_CTRL3D | SNDBUF_CTRLVOLUME), SND_OK);
        WaveFormatEx primary{WAVE_FORMAT_PCM, 2, kRate, kRate * 4, 4, 16, 0};
        ASSERT_EQ(dev->SetPrimaryFormat(primary), SND_OK);
        dev->SetListenerPosition({0, 0, 0});
        dev->SetListenerOrientation({0, 0, 1}, {0, 1, 0});
        dev->CommitDeferredSettings();
    }
    void TearDown() override
    {
        // Buffers outlive their device, as with DirectSound: each holder releases its own.
        for (SoundBuffer* b : owned) b->Release();
        owned.clear();
        if (dev) dev->Release();
        SoundDevice::UseLoopback(false);
    }

    // A buffer holding a 441 Hz sine of the given number of frames.
    SoundBuffer* Sine(unsigned flags, unsigned frames = kRate * 2)
    {
        SoundBuffer* b = nullptr;
        EXPECT_EQ(dev->CreateSoundBuffer(MonoFormat(), frames * 2, flags, &b), SND_OK);
        if (!b) return nullptr;
        owned.push_back(b);
        void* p = nullptr;
        unsigned n = 0;
        EXPECT_EQ(b->Lock(0, frames * 2, &p, &n), SND_OK);
        auto* s = static_cast<int16_t*>(p);
        for (unsigned i = 0; i < n / 2; ++i) s[i] = (int16_t)(16000 * std::sin(2 * M_PI * 441.0 * i / kRate));
        EXPECT_EQ(b->Unlock(), SND_OK);
        return b;
    }

    void Drop(SoundBuffer* b)
    {
        owned.erase(std::remove(owned.begin(), owned.end(), b), owned.end());
        b->Release();
    }
    std::vector<SoundBuffer*> owned;

    // RMS of each channel over `frames`, after dropping `skip` frames of gain ramps.
    Levels Measure(unsigned frames = 4096, unsigned skip = 1024)
    {
        std::vector<int16_t> buf((frames + skip) * 2);
        dev->Render(buf.data(), frames + skip);
        Levels l;
        for (unsigned i = skip; i < frames + skip; ++i) {
            l.left += double(buf[i * 2]) * buf[i * 2];
            l.right += double(buf[i * 2 + 1]) * buf[i * 2 + 1];
        }
        l.left = std::sqrt(l.left / frames);
        l.right = std::sqrt(l.right / frames);
        return l;
    }

    SoundBuffer* Place3D(const Vec3& pos, float minD, float maxD)
    {
        SoundBuffer* b = Sine(SNDBUF_CTRL3D | SNDBUF_CTRLVOLUME | SNDBUF_CTRLFREQUENCY | SNDBUF_MUTE3DATMAXDISTANCE);
        b->SetMinDistance(minD);
        b->SetMaxDistance(maxD);
        b->Set3DPosition(pos);
        dev->CommitDeferredSettings();
        return b;
    }

    SoundDevice* dev = nullptr;
};

TEST(SoundUnits, VolumeToGainInHundredthsOfDb)
{
    EXPECT_FLOAT_EQ(SoundVolumeToGain(0), 1.0f);
    EXPECT_NEAR(SoundVolumeToGain(-2000), 0.1f, 1e-6);
    EXPECT_NEAR(SoundVolumeToGain(-600), 0.501f, 1e-3);
    EXPECT_FLOAT_EQ(SoundVolumeToGain(500), 1.0f);  // never above 0 dB
    EXPECT_EQ(SoundVolumeToGain(-10000), 0.0f);
    EXPECT_EQ(SoundVolumeToGain(-20000), 0.0f);
}

TEST(SoundUnits, LeftHandedZFlips)
{
    Vec3 r = SoundToRightHanded({1, 2, 3});
    EXPECT_EQ(r, Vec3(1, 2, -3));
}

TEST_F(SoundDeviceTest, SoundToTheRightIsLouderOnTheRight)
{
    SoundBuffer* b = Place3D({10, 0, 0}, 1, 1000);
    b->Play(SNDPLAY_LOOPING);
    Levels l = Measure();
    EXPECT_GT(l.right, 2 * l.left) << l.left << " " << l.right;

    b->Set3DPosition({-10, 0, 0});
    dev->CommitDeferredSettings();
    Measure(2048, 0);
    l = Measure();
    EXPECT_GT(l.left, 2 * l.right) << l.left << " " << l.right;
}

TEST_F(SoundDeviceTest, TurningTheListenerSwapsSides)
{
    // Looking along -z the same point at +x is on the left.
    SoundBuffer* b = Place3D({10, 0, 0}, 1, 1000);
    dev->SetListenerOrientation({0, 0, -1}, {0, 1, 0});
    dev->CommitDeferredSettings();
    b->Play(SNDPLAY_LOOPING);
    Levels l = Measure();
    EXPECT_GT(l.left, 2 * l.right);
}

TEST_F(SoundDeviceTest, GainFollowsMinOverDistanceAndFallsSilentBeyondMax)
{
    SoundBuffer* b = Place3D({0, 0, 10}, 10, 100);
    b->Play(SNDPLAY_LOOPING);
    double atMin = Measure().Sum();
    ASSERT_GT(atMin, 1000);
    for (float d : {20.0f, 40.0f, 100.0f}) {
        b->Set3DPosition({0, 0, d});
        dev->CommitDeferredSettings();
        Measure(2048, 0);
        EXPECT_NEAR(Measure().Sum() / atMin, 10.0 / d, 0.02) << d;
    }
    b->Set3DPosition({0, 0, 100.5f});
    dev->CommitDeferredSettings();
    Measure(2048, 0);
    EXPECT_LT(Measure().Sum(), 5.0);
    // Moving the listener closer brings it back.
    dev->SetListenerPosition({0, 0, 60});
    dev->CommitDeferredSettings();
    Measure(2048, 0);
    EXPECT_NEAR(Measure().Sum() / atMin, 10.0 / 40.5, 0.02);
}

TEST_F(SoundDeviceTest, ThreeDSettingsWaitForTheCommit)
{
    SoundBuffer* b = Place3D({0, 0, 10}, 10, 100);
    b->Play(SNDPLAY_LOOPING);
    double near = Measure().Sum();
    b->Set3DPosition({0, 0, 1000});
    dev->SetListenerPosition({0, 0, -1000});
    Measure(2048, 0);
    EXPECT_NEAR(Measure().Sum(), near, near * 0.02);
    EXPECT_EQ(b->Get3DPosition(), Vec3(0, 0, 10));
    dev->CommitDeferredSettings();
    Measure(2048, 0);
    EXPECT_LT(Measure().Sum(), 5.0);
}

TEST_F(SoundDeviceTest, DisabledModeIsHeardAtTheListener)
{
    SoundBuffer* b = Place3D({0, 0, 5000}, 10, 100);
    b->Play(SNDPLAY_LOOPING);
    EXPECT_LT(Measure().Sum(), 5.0);
    b->Set3DMode(SND3DMODE_DISABLED);
    dev->CommitDeferredSettings();
    Measure(2048, 0);
    Levels l = Measure();
    EXPECT_GT(l.Sum(), 5000);
    EXPECT_NEAR(l.left, l.right, l.left * 0.05);
}

TEST_F(SoundDeviceTest, VolumeScalesAmplitude)
{
    SoundBuffer* b = Sine(SNDBUF_CTRLVOLUME);
    b->Play(SNDPLAY_LOOPING);
    double full = Measure().Sum();
    b->SetVolume(-600);
    Measure(2048, 0);
    EXPECT_NEAR(Measure().Sum() / full, 0.501, 0.01);
    b->SetVolume(-10000);
    Measure(2048, 0);
    EXPECT_LT(Measure().Sum(), 5.0);
    int v = 0;
    b->GetVolume(&v);
    EXPECT_EQ(v, -10000);
}

TEST_F(SoundDeviceTest, StopKeepsThePositionAndPlayContinues)
{
    SoundBuffer* b = Sine(SNDBUF_CTRLVOLUME);
    b->Play(0);
    Measure(4096, 0);
    b->Stop();
    unsigned pos = 0, status = 1;
    b->GetCurrentPosition(&pos);
    b->GetStatus(&status);
    EXPECT_EQ(status, 0u);
    EXPECT_NEAR(pos, 4096 * 2, 1100);
    Measure(4096, 0);
    unsigned still = 0;
    b->GetCurrentPosition(&still);
    EXPECT_EQ(still, pos);
    b->Play(0);
    Measure(2048, 0);
    unsigned later = 0;
    b->GetCurrentPosition(&later);
    EXPECT_GT(later, pos + 2048);
    // Rewind.
    b->Stop();
    b->SetCurrentPosition(0);
    b->GetCurrentPosition(&later);
    EXPECT_EQ(later, 0u);
}

TEST_F(SoundDeviceTest, OnceEndsAndLoopKeepsGoing)
{
    SoundBuffer* b = Sine(SNDBUF_CTRLVOLUME, 1000);
    b->Play(0);
    unsigned status = 0;
    b->GetStatus(&status);
    EXPECT_EQ(status, SNDSTATUS_PLAYING);
    Measure(4096, 0);
    b->GetStatus(&status);
    EXPECT_EQ(status, 0u);
    b->Play(SNDPLAY_LOOPING);
    Measure(4096, 0);
    b->GetStatus(&status);
    EXPECT_EQ(status, SNDSTATUS_PLAYING | SNDSTATUS_LOOPING);
}

TEST_F(SoundDeviceTest, DuplicatePlaysOnAfterTheOriginalGoes)
{
    SoundBuffer* a = Sine(SNDBUF_CTRLVOLUME);
    SoundBuffer* d = nullptr;
    ASSERT_EQ(dev->DuplicateSoundBuffer(a, &d), SND_OK);
    owned.push_back(d);
    EXPECT_EQ(d->GetSize(), a->GetSize());
    d->SetVolume(-600);  // state of its own
    int v = 1;
    a->GetVolume(&v);
    EXPECT_EQ(v, 0);
    d->SetVolume(0);
    d->Play(SNDPLAY_LOOPING);
    double one = Measure().Sum();
    Drop(a);
    Measure(2048, 0);
    EXPECT_NEAR(Measure().Sum(), one, one * 0.02);
}

TEST_F(SoundDeviceTest, FrequencyChangesTheRate)
{
    SoundBuffer* b = Sine(SNDBUF_CTRLFREQUENCY | SNDBUF_CTRLVOLUME);
    b->SetFrequency(kRate * 2);
    unsigned hz = 0;
    b->GetFrequency(&hz);
    EXPECT_EQ(hz, kRate * 2);
    b->Play(0);
    Measure(4096, 0);
    unsigned pos = 0;
    b->GetCurrentPosition(&pos);
    EXPECT_NEAR(pos, 4096 * 4, 2200);
    b->SetFrequency(50);
    b->GetFrequency(&hz);
    EXPECT_EQ(hz, SNDFREQUENCY_MIN);
    b->SetFrequency(SNDFREQUENCY_ORIGINAL);
    b->GetFrequency(&hz);
    EXPECT_EQ(hz, kRate);
}

TEST_F(SoundDeviceTest, RefusesBadBuffers)
{
    SoundBuffer* b = nullptr;
    WaveFormatEx stereo{WAVE_FORMAT_PCM, 2, kRate, kRate * 4, 4, 16, 0};
    EXPECT_NE(dev->CreateSoundBuffer(stereo, 4000, SNDBUF_CTRL3D, &b), SND_OK);  // 3D is mono only
    EXPECT_EQ(b, nullptr);
    WaveFormatEx adpcm{2, 1, kRate, kRate, 512, 4, 32};
    EXPECT_NE(dev->CreateSoundBuffer(adpcm, 4000, 0, &b), SND_OK);
    EXPECT_NE(dev->CreateSoundBuffer(MonoFormat(), 0, 0, &b), SND_OK);
    EXPECT_EQ(dev->CreateSoundBuffer(stereo, 4000, SNDBUF_CTRLVOLUME, &b), SND_OK);
    owned.push_back(b);
}

TEST_F(SoundDeviceTest, HoldsMoreThanAThousandBuffers)
{
    std::vector<SoundBuffer*> all;
    for (int i = 0; i < 1100; ++i) {
        SoundBuffer* b = nullptr;
        ASSERT_EQ(dev->CreateSoundBuffer(MonoFormat(), 64, SNDBUF_CTRL3D | SNDBUF_CTRLVOLUME, &b), SND_OK) << i;
        all.push_back(b);
    }
    EXPECT_EQ(all.back()->Play(0), SND_OK);
    for (SoundBuffer* b : all) b->Release();
}

TEST_F(SoundDeviceTest, LostBufferRefusesToPlayUntilRestored)
{
    SoundBuffer* b = Sine(SNDBUF_CTRLVOLUME);
    b->MarkLost();
    unsigned status = 0;
    b->GetStatus(&status);
    EXPECT_EQ(status, SNDSTATUS_BUFFERLOST);
    EXPECT_EQ(b->Play(0), SND_BUFFERLOST);
    b->Restore();
    EXPECT_EQ(b->Play(0), SND_OK);
}

}  // namespace
