#include "app/settings.h"
#include "app/vector.h"
#include "app/winmain.h"
#include "platform/win/launch_counter.h"
#include "platform/win/profile.h"
#include "world/world.h"
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {
// Runs each test in a fresh current directory with a private launch-counter store.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char cwd[PATH_MAX];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        oldDir = cwd;
        char tmpl[] = "/tmp/korvane-app-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        ASSERT_EQ(chdir(dir.c_str()), 0);
        std::ofstream("boot_id") << "boot-one\n";
        LaunchCounterSetPaths(dir.c_str(), (dir + "/boot_id").c_str());
        g_Settings = GameSettings();
    }
    void TearDown() override
    {
        LaunchCounterSetPaths(nullptr, nullptr);
        g_Settings = GameSettings();
        ASSERT_EQ(chdir(oldDir.c_str()), 0);
        std::string cmd = "rm -rf '" + dir + "'";
        (void)std::system(cmd.c_str());
    }
    static std::string Read(const char* name)
    {
        std::ifstream in(name, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    static bool Exists(const char* name) { return access(name, F_OK) == 0; }
    std::string oldDir, dir;
};
} // namespace

TEST_F(SettingsTest, MissingFileGivesDefaults)
{
    g_Settings.videoMode = 7;
    g_Settings.debugOut = 1;
    LoadSettings();
    GameSettings d;
    EXPECT_EQ(g_Settings.videoMode, d.videoMode);
    EXPECT_EQ(g_Settings.effectsVolume, 90);
    EXPECT_EQ(g_Settings.musicVolume, 100);
    EXPECT_EQ(g_Settings.sensitivityMouse, 50);
    EXPECT_EQ(g_Settings.useGameMenu, 1);
    EXPECT_EQ(g_Settings.debugOut, 0);
    EXPECT_FALSE(Exists("Game.ini"));
}

TEST_F(SettingsTest, ValuesOutOfRangeAreClamped)
{
    std::ofstream("Game.ini") << "[Game]\nSpace=7\nLanguage=5\n"
                                 "[Video]\nVideo mode=-1\nDetails=3\n"
                                 "[Audio]\nEffects volume=-3\nVoices volume=101\nMusic volume=150\n"
                                 "[Controls]\nSensitivity mouse=1000\nInvert mouse=abc\n"
                                 "[Misc]\nDebug out=1\nUse game menu=0\n";
    LoadSettings();
    EXPECT_EQ(g_Settings.language, 1);
    EXPECT_EQ(g_Settings.videoMode, 100);
    EXPECT_EQ(g_Settings.details, 2);
    EXPECT_EQ(g_Settings.effectsVolume, 100);
    EXPECT_EQ(g_Settings.voicesVolume, 100);
    EXPECT_EQ(g_Settings.musicVolume, 100);
    EXPECT_EQ(g_Settings.sensitivityMouse, 100);
    EXPECT_EQ(g_Settings.invertMouse, 0);  // not a number reads as 0
    EXPECT_EQ(g_Settings.debugOut, 1);
    EXPECT_EQ(g_Settings.useGameMenu, 0);
    // The start world only has two entries.
    EXPECT_EQ(g_Settings.space, 0);
    EXPECT_EQ(g_WorldIndex, 0);
}

TEST_F(SettingsTest, InRangeValuesAndStartWorldAreKept)
{
    std::ofstream("Game.ini") << "[game]\nspace=1\nlanguage=0\n[VIDEO]\nVIDEO MODE=4\ndetails=0\n"
                                 "[Audio]\nMusic volume=0\n";
    LoadSettings();
    EXPECT_EQ(g_Settings.space, 1);
    EXPECT_EQ(g_WorldIndex, 1);
    EXPECT_EQ(g_LocationKind, 1);
    EXPECT_EQ(g_Settings.language, 0);
    EXPECT_EQ(g_Settings.videoMode, 4);
    EXPECT_EQ(g_Settings.details, 0);
    EXPECT_EQ(g_Settings.musicVolume, 0);
    g_WorldIndex = 0;
    g_LocationKind = 0;
}

TEST_F(SettingsTest, SaveWritesOnlyTheSevenKeysAndKeepsOtherLines)
{
    std::ofstream("Game.ini") << "[Video]\nWindowed=1\nVideo mode=3\n[Misc]\nCut scenes=0\n";
    LoadSettings();
    g_Settings.videoMode = 5;
    g_Settings.windowed = 0;
    g_Settings.cutScenes = 1;
    g_Settings.invertMouse = 1;
    SaveSettings();
    EXPECT_EQ(Read("Game.ini"), "[Video]\nWindowed=1\nVideo mode=5\nDetails=2\n[Misc]\nCut scenes=0\n"
                                "[Audio]\nEffects volume=90\nVoices volume=90\nMusic volume=100\n"
                                "[Controls]\nSensitivity mouse=50\nInvert mouse=1\n");
}

TEST_F(SettingsTest, LaunchCounterCountsStartsSinceBoot)
{
    EXPECT_EQ(CountProgramStarts(), 0u);
    EXPECT_EQ(CountProgramStarts(), 1u);
    EXPECT_EQ(CountProgramStarts(), 2u);
    // Each language title has its own counter.
    g_Settings.language = 1;
    EXPECT_EQ(CountProgramStarts(), 0u);
    g_Settings.language = 0;
    // A new boot starts over.
    std::ofstream("boot_id") << "boot-two\n";
    EXPECT_EQ(CountProgramStarts(), 0u);
    EXPECT_EQ(CountProgramStarts(), 1u);
}

TEST_F(SettingsTest, UnusableLaunchCounterCountsAsFirstStart)
{
    LaunchCounterSetPaths((dir + "/gone").c_str(), (dir + "/boot_id").c_str());
    EXPECT_EQ(CountProgramStarts(), 0u);
    EXPECT_EQ(CountProgramStarts(), 0u);
}

TEST_F(SettingsTest, ResetWritesTheFirstStartValues)
{
    std::ofstream("Game.ini") << "[Video]\nVideo mode=3\nDetails=0\n[Audio]\nAudio=0\nMusic volume=10\n";
    LoadSettings();
    ResetSettingsToDefaults();
    EXPECT_EQ(g_Settings.audio, 1);
    char buf[16];
    GetPrivateProfileString("Video", "Video mode", "", buf, sizeof buf, "Game.ini");
    EXPECT_STREQ(buf, "100");
    GetPrivateProfileString("Audio", "Music volume", "", buf, sizeof buf, "Game.ini");
    EXPECT_STREQ(buf, "100");
    // "Audio" is not among the written keys.
    GetPrivateProfileString("Audio", "Audio", "", buf, sizeof buf, "Game.ini");
    EXPECT_STREQ(buf, "0");
}

TEST_F(SettingsTest, DebugLogOnlyWhenEnabled)
{
    DebugOut("nothing");
    LogTextureLoadFailed("a.dds");
    EXPECT_FALSE(Exists("debug.txt"));

    g_Settings.debugOut = 1;
    DebugOut("first");
    LogTextureLoadFailed("Data/x.dds");
    DebugOutF("%s %d", "n", 5);
    EXPECT_EQ(Read("debug.txt"), "first\nLoad texture failed: Data/x.dds\nn 5\n");
    DebugOut(nullptr);
    EXPECT_TRUE(Exists("debug.txt"));
    EXPECT_EQ(Read("debug.txt"), "");

    std::string longText(5000, 'x');
    DebugOut(longText.c_str());
    EXPECT_EQ(Read("debug.txt"), std::string(2046, 'x') + "\n");
    DebugOut(nullptr);
    DebugOutF("%s", longText.c_str());
    EXPECT_EQ(Read("debug.txt"), std::string(2046, 'x') + "\n");

    // Other values than 1 keep the log off.
    g_Settings.debugOut = 2;
    DebugOut("off");
    EXPECT_EQ(Read("debug.txt"), std::string(2046, 'x') + "\n");
}

TEST_F(SettingsTest, ShowMessageLogsTheText)
{
    g_Settings.debugOut = 1;
    // Test runs never block on a box.
    setenv("KORVANE_FRAMES", "1", 1);
    ShowMessage("Something failed", "Error!", 0);
    unsetenv("KORVANE_FRAMES");
    EXPECT_EQ(Read("debug.txt"), "Something failed\n");
}

TEST(Strings, StrEqualIsExactAndCaseSensitive)
{
    EXPECT_EQ(StrEqual("Main.obj", "Main.obj"), 1);
    EXPECT_EQ(StrEqual("Main.obj", "main.obj"), 0);
    EXPECT_EQ(StrEqual("Main", "Main.obj"), 0);
    EXPECT_EQ(StrEqual("Main.obj", "Main"), 0);
    EXPECT_EQ(StrEqual("", ""), 1);
    EXPECT_EQ(StrEqual("\xC0", "\xE0"), 0);
    EXPECT_EQ(StrEqual(nullptr, "a"), 0);
}

TEST(Strings, ReplaceDoubleQuotes)
{
    char text[] = "say \"hi\" \"";
    EXPECT_EQ(ReplaceDoubleQuotes(text), 10);
    EXPECT_STREQ(text, "say `hi` `");
    EXPECT_EQ(ReplaceDoubleQuotes(nullptr), 0);
}

TEST(Vector, Vec3Normalized)
{
    Vec3 n = Vec3Normalized(Vec3(3.0f, 0.0f, -4.0f));
    EXPECT_FLOAT_EQ(n.x, 0.6f);
    EXPECT_FLOAT_EQ(n.z, -0.8f);
    Vec3 z = Vec3Normalized(Vec3());
    EXPECT_EQ(z, Vec3());
}

TEST(WindowTitles, ByLanguage)
{
    EXPECT_STREQ(g_WindowTitles[1], "Korvane");
    EXPECT_STREQ(g_WindowTitles[0], "\xCA\xEE\xF0\xE2\xE5\xE9\xED");
}
