// A fresh audio manager on the loopback device, in a temporary directory of loose WAV files.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <unistd.h>

#include "app/settings.h"
#include "locations/location_director.h"
#include "world/game_clock.h"
#include "world/world.h"
#include "audio/audio_manager.h"
#include "wav_builder.h"

class AudioTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() /
               ("korvane-audio-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
        std::filesystem::create_directories(dir_);
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
        using namespace wavtest;
        const char* pool[] = {"ImpactShip_01", "ImpactLeaf_01", "DamageLeaf_01", "Fire_LaserM1", "Fire_LaserM2",
                              "Fire_LaserM3", "Fire_RocketM1", "Fire_MissileM1", "Fire_SeedM1", "ImpactLaser01",
                              "ImpactLaser02", "ImpactLaser03", "ImpactMissile01", "ImpactRocket01", "ImpactSeed01",
                              "ExplodeDebris_01", "ExplodeDebris_02", "ExplodeDebris_03", "ExplodeDebris_04",
                              "ExplodeMed01", "ExplodeMed02", "ExplodeMed03", "ExplodeMed04"};
        for (const char* n : pool) WriteFile(std::string("Data/Sounds/Space/") + n + ".wav", PcmWav(22050));
        WriteFile("Data/Sounds/Long.wav", PcmWav(22050 * 4));
        WriteFile("Data/Sounds/Short.wav", PcmWav(2000));
        WriteFile("Data/Music/A.wav", PcmWav(22050 * 6, 2, 441));
        WriteFile("Data/Music/B.wav", PcmWav(22050 * 6, 2, 300));
        for (int i = 1; i <= 7; ++i) {
            char n[64];
            std::snprintf(n, sizeof n, "Data/Sounds/Planet/Ambient/%02d.wav", i);
            WriteFile(n, PcmWav(3000));
        }

        g_Settings.audio = 1;
        g_Settings.music = 1;
        g_Settings.useFileManager = 1;
        g_Settings.effectsVolume = 100;
        g_Settings.voicesVolume = 100;
        g_Settings.musicVolume = 100;
        g_WorldIndex = 1;
        g_LocationKind = 1;
        g_GameClock.Reset();
        g_GameClock.realFrameSeconds = 0.016f;
        g_World.cameras[1].eye = Vec3();
        g_World.cameras[0].eye = Vec3();
        g_LocationDirector.locationId = 0;
        g_LocationDirector.missionOver = 0;
        g_AudioManager.fade = 100.0f;
        g_AudioManager.paused = 0;
        g_AudioManager.ambientSound = nullptr;
        g_AudioManager.ambientStart = 0;
        g_AudioManager.ambientPause = 0;
        // Name lists belong to the locations loaded so far: none in a fresh test.
        auto& mp = g_AudioManager.musicPlayer;
        for (int w = 0; w < 2; ++w) mp.calmCounts[w] = mp.battleCounts[w] = 0;
        SoundDevice::UseLoopback(true);
        ASSERT_EQ(g_AudioManager.Init(nullptr), SND_OK);
        g_AudioManager.SetListenerPosition({0, 0, 0});
        g_AudioManager.SetListenerOrientation({0, 0, 1}, {0, 1, 0});
        UpdateAudio();
    }

    void TearDown() override
    {
        g_AudioManager.Release();
        SoundDevice::UseLoopback(false);
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(dir_);
    }

    struct Levels {
        double left = 0, right = 0;
        double Sum() const { return left + right; }
    };

    // RMS per channel of the next frames, after `skip` frames.
    Levels Measure(unsigned frames = 4096, unsigned skip = 1024)
    {
        std::vector<int16_t> buf((frames + skip) * 2);
        g_AudioManager.device->Render(buf.data(), frames + skip);
        Levels l;
        for (unsigned i = skip; i < frames + skip; ++i) {
            l.left += double(buf[i * 2]) * buf[i * 2];
            l.right += double(buf[i * 2 + 1]) * buf[i * 2 + 1];
        }
        l.left = std::sqrt(l.left / frames);
        l.right = std::sqrt(l.right / frames);
        return l;
    }

    // Advance both clocks and run the frame's audio service.
    void Frame(float ms)
    {
        g_GameClock.gameTime += ms;
        g_GameClock.realTime += ms;
        UpdateAudio();
    }

    std::filesystem::path dir_, old_;
    static inline int counter_ = 0;
};
