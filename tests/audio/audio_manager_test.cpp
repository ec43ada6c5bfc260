// The audio manager, its sounds and effect pools, rendered through the loopback device.
#include "audio_fixture.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/crt/rand.h"
#include "world/objects/game_object.h"

namespace {

TEST_F(AudioTest, InitFillsThePools)
{
    auto& p = g_AudioManager.effectPools;
    for (int pool : {0, 1, 3})
        for (int i = 0; i < 10; ++i) ASSERT_NE(p[pool][i].sound, nullptr) << pool << " " << i;
    for (int i = 0; i < 10; ++i) EXPECT_EQ(p[2][i].sound, nullptr);
    EXPECT_NE(p[4][5].sound, nullptr);
    EXPECT_EQ(p[4][6].sound, nullptr);
    EXPECT_NE(p[6][7].sound, nullptr);
    EXPECT_EQ(g_AudioManager.soundCount, 50);
    // One file read, nine duplicates of it.
    EXPECT_NE(p[0][0].sound->reader, nullptr);
    EXPECT_EQ(p[0][9].sound->reader, nullptr);
    EXPECT_EQ(p[0][9].sound->maxDistance, 500.0f);
    EXPECT_EQ(p[6][0].sound->minDistance, 100.0f);
    EXPECT_STREQ(p[4][3].sound->name, "Data/Sounds/Space/Fire_RocketM1.wav");
}

TEST_F(AudioTest, LoadSoundSharesByNameAndType)
{
    CSound* a = g_AudioManager.LoadSound("Data/Sounds/Long.wav", SOUND_EFFECT, 1, 10);
    CSound* b = g_AudioManager.LoadSound("Data/Sounds/Long.wav", SOUND_EFFECT, 5, 50);
    CSound* c = g_AudioManager.LoadSound("Data/Sounds/Long.wav", SOUND_VOICE, 1, 10);
    CSound* d = g_AudioManager.LoadSound("Data/Sounds/long.wav", SOUND_EFFECT, 1, 10);
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(d, nullptr);  // another letter case is another (missing) file
    EXPECT_EQ(b->reader, nullptr);
    EXPECT_EQ(b->maxDistance, 10.0f);  // from the sound it duplicates
    EXPECT_NE(c->reader, nullptr);
    EXPECT_EQ(a->bufferSize, 22050u * 8);
    EXPECT_EQ(a->frequency, 22050u);
    EXPECT_EQ(g_AudioManager.LoadSound("Data/Sounds/Nothing.wav", SOUND_EFFECT, 1, 10), nullptr);

    int before = g_AudioManager.soundCount;
    g_AudioManager.ReleaseSound(&b);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(g_AudioManager.soundCount, before - 1);
    g_AudioManager.ReleaseSound(&b);  // a null handle does nothing
    g_AudioManager.ReleaseSound(nullptr);
    CSound stranger;
    CSound* s = &stranger;
    g_AudioManager.ReleaseSound(&s);  // not in the list: untouched
    EXPECT_EQ(s, &stranger);
    EXPECT_EQ(g_AudioManager.soundCount, before - 1);
}

TEST_F(AudioTest, ListHoldsAtMost1024Sounds)
{
    while (g_AudioManager.soundCount < AUDIO_MAX_SOUNDS)
        ASSERT_NE(g_AudioManager.LoadSound("Data/Sounds/Short.wav", SOUND_3D, 1, 10), nullptr);
    EXPECT_EQ(g_AudioManager.LoadSound("Data/Sounds/Short.wav", SOUND_3D, 1, 10), nullptr);
}

TEST_F(AudioTest, VolumeRule)
{
    EXPECT_EQ(SoundVolumeFor(100, SOUND_EFFECT), 0);
    EXPECT_EQ(SoundVolumeFor(0, SOUND_EFFECT), -5000);
    EXPECT_EQ(SoundVolumeFor(100, 7), -5000);
    g_Settings.effectsVolume = 90;
    EXPECT_EQ(SoundVolumeFor(33, SOUND_3D), -3515);  // (100 - 29.7) * -50, truncated
    g_Settings.voicesVolume = 0;
    EXPECT_EQ(SoundVolumeFor(100, SOUND_VOICE), -5000);
    g_AudioManager.fade = 50;
    EXPECT_EQ(SoundVolumeFor(100, SOUND_MUSIC), -2500);
}

TEST_F(AudioTest, FadeAndSettingsScaleTheOutput)
{
    CSound* s = g_AudioManager.LoadSound("Data/Sounds/Long.wav", SOUND_EFFECT, 1, 10);
    ASSERT_NE(s, nullptr);
    s->Play(1);
    double full = Measure().Sum();
    ASSERT_GT(full, 5000);
    g_AudioManager.SetFade(80);  // (100 - 80) * -50 = -1000: gain 10^(-1/2)
    Measure(2048, 0);
    EXPECT_NEAR(Measure().Sum() / full, 0.3162, 0.01);
    g_Settings.effectsVolume = 50;
    g_AudioManager.ApplyVolumes();  // (100 - 40) * -50 = -3000
    Measure(2048, 0);
    EXPECT_NEAR(Measure().Sum() / full, 0.0316, 0.003);
    g_AudioManager.SetFade(0);
    Measure(2048, 0);
    EXPECT_NEAR(Measure().Sum() / full, 0.00316, 0.001);  // -5000
}

TEST_F(AudioTest, PooledEffectIsHeardFromItsEmitter)
{
    CGameObject ship;
    ship.position = {100, 0, 0};  // to the right of a listener looking along +z
    CSound* s = g_AudioManager.PlayPooledEffect(&ship, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(g_AudioManager.effectPools[0][0].emitter, &ship);
    Frame(16);
    Levels l = Measure();
    EXPECT_GT(l.right, 2 * l.left);
    EXPECT_GT(l.Sum(), 500);
    // The slot follows the emitter.
    ship.position = {-100, 0, 0};
    Frame(16);
    Frame(16);
    Measure(2048, 0);
    l = Measure();
    EXPECT_GT(l.left, 2 * l.right);
}

TEST_F(AudioTest, PooledEffectLimits)
{
    CGameObject far;
    far.position = {0, 0, 500.5f};
    EXPECT_EQ(g_AudioManager.PlayPooledEffect(&far, 0), nullptr);
    far.position = {0, 0, 500};  // exactly at the hearing range
    EXPECT_NE(g_AudioManager.PlayPooledEffect(&far, 0), nullptr);
    EXPECT_EQ(g_AudioManager.PlayPooledEffect(&far, 2), nullptr);   // empty pool
    EXPECT_EQ(g_AudioManager.PlayPooledEffect(&far, 7), nullptr);   // no such pool
    EXPECT_EQ(g_AudioManager.PlayPooledEffect(&far, -1), nullptr);
    CGameObject near[9];
    for (auto& o : near) EXPECT_NE(g_AudioManager.PlayPooledEffect(&o, 0), nullptr);
    CGameObject eleventh;
    EXPECT_EQ(g_AudioManager.PlayPooledEffect(&eleventh, 0), nullptr);
    // A location with both worlds plays none.
    g_LocationKind = 2;
    EXPECT_EQ(g_AudioManager.PlayPooledEffect(&eleventh, 1), nullptr);
}

TEST_F(AudioTest, SlotsLetGoOfEmitters)
{
    auto* ship = new CGameObject();
    ASSERT_NE(g_AudioManager.PlayPooledEffect(ship, 5), nullptr);
    g_AudioManager.UnbindEmitter(ship);
    delete ship;
    EXPECT_EQ(g_AudioManager.effectPools[5][0].emitter, nullptr);
    Frame(16);  // must not touch the freed object

    CGameObject other;
    ASSERT_NE(g_AudioManager.PlayPooledEffect(&other, 5), nullptr);
    // Updating the other world of a both-worlds location stops and frees the slot.
    g_WorldIndex = 0;
    g_LocationKind = 2;
    UpdatePooledEffectPositions();
    EXPECT_EQ(g_AudioManager.effectPools[5][0].emitter, nullptr);
    EXPECT_FALSE(g_AudioManager.effectPools[5][0].sound->IsPlaying());
}

TEST_F(AudioTest, StopAllDisables3DUntilReset)
{
    CSound* s = g_AudioManager.LoadSound("Data/Sounds/Long.wav", SOUND_3D, 10, 100);
    ASSERT_NE(s, nullptr);
    s->SetPosition({0, 0, 5000});  // beyond max: silent
    s->Play(1);
    Frame(16);
    EXPECT_LT(Measure().Sum(), 5);
    g_AudioManager.StopAll();
    EXPECT_FALSE(s->IsPlaying());
    s->Play(1);
    Frame(16);
    Measure(2048, 0);
    EXPECT_GT(Measure().Sum(), 1000);  // disabled: heard at the listener
    ResetSound3DModes();
    Frame(16);
    Measure(2048, 0);
    EXPECT_LT(Measure().Sum(), 5);
}

TEST_F(AudioTest, PoolSoundsAreBack3DAfterALocationEnd)
{
    g_AudioManager.StopAll();
    CGameObject ship;
    ship.position = {100, 0, 0};
    ASSERT_NE(g_AudioManager.PlayPooledEffect(&ship, 0), nullptr);
    Frame(16);
    Levels l = Measure();
    EXPECT_GT(l.right, 2 * l.left);
}

TEST_F(AudioTest, PausedSoundResumesWhereItWas)
{
    CSound* s = g_AudioManager.LoadSound("Data/Sounds/Long.wav", SOUND_EFFECT, 1, 10);
    ASSERT_NE(s, nullptr);
    s->Play(0);
    Measure(8192, 0);
    PauseAllSounds();
    EXPECT_EQ(g_AudioManager.paused, 1);
    EXPECT_EQ(s->paused, 1);
    unsigned at = 0;
    s->buffer->GetCurrentPosition(&at);
    EXPECT_GT(at, 8192u);
    EXPECT_LT(Measure().Sum(), 5);
    // While paused the listener does not move.
    g_AudioManager.SetListenerPosition({5, 5, 5});
    EXPECT_EQ(g_AudioManager.listenerPosition, Vec3(0, 0, 0));
    g_AudioManager.ResumeAll();
    EXPECT_EQ(g_AudioManager.paused, 0);
    EXPECT_EQ(s->paused, 0);
    unsigned now = 0;
    s->buffer->GetCurrentPosition(&now);
    EXPECT_GE(now, at);
    EXPECT_LT(now, at + 2048);
    EXPECT_GT(Measure().Sum(), 5000);
}

TEST_F(AudioTest, DuplicatePlaysOnAfterItsOriginalIsReleased)
{
    CSound* a = g_AudioManager.LoadSound("Data/Sounds/Long.wav", SOUND_EFFECT, 1, 10);
    CSound* b = g_AudioManager.LoadSound("Data/Sounds/Long.wav", SOUND_EFFECT, 1, 10);
    ASSERT_TRUE(a && b);
    b->Play(1);
    double before = Measure().Sum();
    g_AudioManager.ReleaseSound(&a);
    Measure(2048, 0);
    EXPECT_NEAR(Measure().Sum(), before, before * 0.02);
    // A new load of the name now duplicates the survivor.
    CSound* c = g_AudioManager.LoadSound("Data/Sounds/Long.wav", SOUND_EFFECT, 1, 10);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->reader, nullptr);
}

TEST_F(AudioTest, NoPlayWhileTheSpaceWorldOfABothWorldsLocationIsCurrent)
{
    CSound* s = g_AudioManager.LoadSound("Data/Sounds/Long.wav", SOUND_EFFECT, 1, 10);
    g_LocationKind = 2;
    g_WorldIndex = 1;
    s->Play(0);
    EXPECT_FALSE(s->IsPlaying());
    g_WorldIndex = 0;
    s->Play(0);
    EXPECT_TRUE(s->IsPlaying());
}

TEST_F(AudioTest, PlanetAmbienceComesAndGoes)
{
    g_WorldIndex = 0;
    g_LocationKind = 0;
    g_LocationDirector.locationId = 5;
    Frame(2000);
    EXPECT_EQ(g_AudioManager.ambientSound, nullptr);
    g_LocationDirector.locationId = 110;
    GameSrand(0);
    Frame(16);
    ASSERT_NE(g_AudioManager.ambientSound, nullptr);
    EXPECT_TRUE(g_AudioManager.ambientSound->IsPlaying());
    EXPECT_EQ(std::string(g_AudioManager.ambientSound->name).substr(0, 27), "Data/Sounds/Planet/Ambient/");
    Measure(4096, 0);  // 3000 frames: it has ended
    int count = g_AudioManager.soundCount;
    Frame(16);
    EXPECT_EQ(g_AudioManager.ambientSound, nullptr);
    EXPECT_EQ(g_AudioManager.soundCount, count - 1);
    EXPECT_LE(g_AudioManager.ambientPause, 3);
    Frame(4100);
    EXPECT_NE(g_AudioManager.ambientSound, nullptr);
    StopPlanetAmbient();
    EXPECT_EQ(g_AudioManager.ambientSound, nullptr);
}

std::vector<std::string> DebugLines()
{
    std::vector<std::string> lines;
    FILE* f = std::fopen("debug.txt", "rb");
    if (!f) return lines;
    std::string text;
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    size_t at = 0, nl;
    while ((nl = text.find('\n', at)) != std::string::npos) {
        lines.push_back(text.substr(at, nl - at));
        at = nl + 1;
    }
    return lines;
}

TEST_F(AudioTest, FailuresAndLostSoundsAreLoggedOnce)
{
    g_Settings.debugOut = 1;
    DebugOut(nullptr);
    // A stereo file cannot make a 3D buffer: the box text and the load failure, one line each.
    wavtest::WriteFile("Data/Sounds/Stereo.wav", wavtest::PcmWav(1000, 2));
    EXPECT_EQ(g_AudioManager.LoadSound("Data/Sounds/Stereo.wav", SOUND_3D, 1, 10), nullptr);
    // A missing file: no box, only the load failure.
    EXPECT_EQ(g_AudioManager.LoadSound("Data/Sounds/Nothing.wav", SOUND_EFFECT, 1, 10), nullptr);
    std::vector<std::string> expected = {"CreateSoundBuffer(...) failed!", "Couldn't load sound: Data/Sounds/Stereo.wav",
                                         "Couldn't load sound: Data/Sounds/Nothing.wav"};
    EXPECT_EQ(DebugLines(), expected);

    DebugOut(nullptr);
    ASSERT_NE(g_AudioManager.LoadSound("Data/Sounds/Short.wav", SOUND_VOICE, 1, 10), nullptr);
    g_AudioManager.Release();
    expected = {"", "CAudioManager::Release() start...", "\tSound lost! (Name: Data/Sounds/Short.wav)",
                "CAudioManager::Release() done!", ""};
    EXPECT_EQ(DebugLines(), expected);
    EXPECT_EQ(g_AudioManager.soundCount, 0);
    g_Settings.debugOut = 0;
}

TEST(AudioOff, EverythingIsSilentAndNull)
{
    g_Settings.audio = 0;
    EXPECT_EQ(g_AudioManager.Init(nullptr), SND_OK);
    EXPECT_EQ(g_AudioManager.device, nullptr);
    EXPECT_EQ(g_AudioManager.LoadSound("Data/Sounds/Long.wav", SOUND_EFFECT, 1, 10), nullptr);
    CGameObject o;
    EXPECT_EQ(g_AudioManager.PlayPooledEffect(&o, 0), nullptr);
    UpdateAudio();
    PauseAllSounds();
    EXPECT_EQ(g_AudioManager.paused, 0);
    g_AudioManager.Release();
    g_Settings.audio = 1;
}

}  // namespace

// 16-bit PCM in the extensible header (what many tools write today) plays like plain PCM;
// another sub-format is still refused.
TEST_F(AudioTest, ExtensiblePcmWavPlays)
{
    using namespace wavtest;
    for (bool pcm : {true, false}) {
        SCOPED_TRACE(pcm);
        auto fmt = Fmt(0xFFFE, 1, 22050, 16);
        Put16(fmt, 22);
        Put16(fmt, 16);            // valid bits
        Put32(fmt, 4);             // channel mask: front centre
        const uint8_t sub[16] = {uint8_t(pcm ? 1 : 3), 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
        fmt.insert(fmt.end(), sub, sub + 16);
        const std::string name = pcm ? "Data/Sounds/Ext.wav" : "Data/Sounds/Float.wav";
        WriteFile(name, Riff({Chunk("fmt ", fmt), Chunk("data", Sine(22050, 1, 441))}));
        CSound* s = g_AudioManager.LoadSound(name.c_str(), SOUND_EFFECT, 1, 10);
        if (!pcm) {
            EXPECT_EQ(s, nullptr);
            continue;
        }
        ASSERT_NE(s, nullptr);
        s->Play(0);
        EXPECT_GT(Measure().Sum(), 5000);
    }
}

// A machine with no sound device: the game goes on silent, says so once in the log, and its
// sounds still start and end.
TEST_F(AudioTest, NoSoundDeviceFallsBackToSilentOutput)
{
    g_AudioManager.Release();
    SoundDevice::UseLoopback(false);
    SoundDevice::SimulateNoDevice(true);
    g_Settings.debugOut = 1;
    DebugOut(nullptr);
    const int started = g_AudioManager.Init(nullptr);
    SoundDevice::SimulateNoDevice(false);
    ASSERT_EQ(started, SND_OK);
    ASSERT_NE(g_AudioManager.device, nullptr);
    EXPECT_TRUE(g_AudioManager.device->IsSilent());
    EXPECT_EQ(g_Settings.audio, 1);
    std::ifstream in("debug.txt");
    std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(log, "No sound device opens: the game plays on without sound\n");
    g_Settings.debugOut = 0;

    CSound* s = g_AudioManager.LoadSound("Data/Sounds/Short.wav", SOUND_EFFECT, 1, 10);
    ASSERT_NE(s, nullptr);
    s->Play(0);
    std::vector<int16_t> mix(2 * 4096);
    g_AudioManager.device->Render(mix.data(), 4096);
    EXPECT_EQ(s->IsPlaying(), 0);
}
