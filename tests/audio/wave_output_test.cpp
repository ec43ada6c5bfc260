// Plays a pooled effect and a music piece of the built data set through the audio manager
// into OpenAL Soft's wave-file writer, in a child process of its own (the backend is
// chosen once per process), and checks the file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "app/settings.h"
#include "locations/location_director.h"
#include "world/game_clock.h"
#include "world/world.h"
#include "audio/audio_manager.h"
#include "files/file_manager.h"
#include "world/objects/game_object.h"

namespace {

const char* kChildEnv = "KORVANE_AUDIO_WAVE_CHILD";

TEST(WaveOutputChild, PlayIntoTheWaveWriter)
{
    const char* gameDir = std::getenv(kChildEnv);
    if (!gameDir) GTEST_SKIP() << "runs inside WaveOutput.BuiltDataIsAudible";
    std::filesystem::current_path(gameDir);
    g_Settings.audio = 1;
    g_Settings.music = 1;
    g_Settings.useFileManager = 1;
    CFileManager::Init();
    g_WorldIndex = 1;
    g_LocationKind = 1;
    ASSERT_EQ(g_AudioManager.Init(nullptr), SND_OK);
    g_AudioManager.SetListenerPosition({0, 0, 0});
    g_AudioManager.SetListenerOrientation({0, 0, 1}, {0, 1, 0});
    CGameObject ship;
    ship.position = {60, 0, 40};
    ASSERT_NE(g_AudioManager.PlayPooledEffect(&ship, 6), nullptr);
    g_AudioManager.musicPlayer.Play("Data/Music/Game menu/Start logo.wav");
    ASSERT_NE(g_AudioManager.musicPlayer.segment, nullptr);
    for (int i = 0; i < 100; ++i) {
        g_GameClock.gameTime += 20;
        g_GameClock.realTime += 20;
        UpdateAudio();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    g_AudioManager.Release();
    CFileManager::Release();
}

TEST(WaveOutput, BuiltDataIsAudible)
{
    std::filesystem::path game = KORVANE_GAME_DIR;
    if (!std::filesystem::exists(game / "Data/SD.pak") && !std::filesystem::exists(game / "Data/Music"))
        GTEST_SKIP() << "the data set is not built";
    auto tmp = std::filesystem::temp_directory_path() / ("korvane-wave-" + std::to_string(::getpid()));
    std::filesystem::create_directories(tmp);
    auto wav = tmp / "out.wav";
    auto conf = tmp / "alsoft.ini";
    std::ofstream(conf) << "[general]\nfrequency=22050\nchannels=stereo\nsample-type=int16\n[wave]\nfile=" << wav.string() << "\n";

    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setenv("ALSOFT_DRIVERS", "wave", 1);
        setenv("ALSOFT_CONF", conf.c_str(), 1);
        setenv(kChildEnv, game.c_str(), 1);
        execl("/proc/self/exe", "test_audio", "--gtest_filter=WaveOutputChild.*", (char*)nullptr);
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    std::ifstream in(wav, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 44u);
    ASSERT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    // Find the data chunk and measure it.
    size_t pos = 12, dataAt = 0, dataSize = 0;
    unsigned channels = 0, rate = 0;
    while (pos + 8 <= bytes.size()) {
        std::string id(bytes.begin() + pos, bytes.begin() + pos + 4);
        uint32_t size = bytes[pos + 4] | bytes[pos + 5] << 8 | bytes[pos + 6] << 16 | uint32_t(bytes[pos + 7]) << 24;
        if (id == "fmt ") {
            channels = bytes[pos + 10] | bytes[pos + 11] << 8;
            rate = bytes[pos + 12] | bytes[pos + 13] << 8 | bytes[pos + 14] << 16;
        }
        if (id == "data") {
            dataAt = pos + 8;
            dataSize = std::min<size_t>(size, bytes.size() - dataAt);
            break;
        }
        pos += 8 + size + (size & 1);
    }
    ASSERT_GT(dataAt, 0u);
    ASSERT_EQ(channels, 2u);
    ASSERT_EQ(rate, 22050u);
    double seconds = double(dataSize) / (rate * 4);
    EXPECT_GT(seconds, 1.5);  // about two seconds were played
    EXPECT_LT(seconds, 6.0);
    double sum = 0;
    size_t n = dataSize / 2;
    for (size_t i = 0; i < n; ++i) {
        int16_t s = int16_t(bytes[dataAt + i * 2] | bytes[dataAt + i * 2 + 1] << 8);
        sum += double(s) * s;
    }
    EXPECT_GT(std::sqrt(sum / std::max<size_t>(n, 1)), 300.0);
    std::filesystem::remove_all(tmp);
}

}  // namespace
