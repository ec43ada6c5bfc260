#include "app/settings.h"
#include "app/winmain.h"
#include "platform/win/directory.h"
#include "platform/win/launch_counter.h"
#include "platform/win/profile.h"
#include "render/draw2d.h"
#include "world/world.h"
#include <cstdio>
#include <cstdlib>
#include <string>

GameSettings g_Settings;

namespace {
std::string g_iniPath;

int ReadKey(const char* section, const char* key, int defaultValue)
{
    char def[16];
    char value[128];
    std::snprintf(def, sizeof def, "%d", defaultValue);
    GetPrivateProfileString(section, key, def, value, sizeof value, GetSettingsPath());
    return std::atoi(value);
}

void WriteKey(const char* section, const char* key, int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    WritePrivateProfileString(section, key, text, GetSettingsPath());
}

int ClampUpper(int value, int top)
{
    return value > top || value < 0 ? top : value;
}
} // namespace

const char* GetSettingsPath()
{
    unsigned need = GetCurrentDirectory(0, nullptr);
    std::string dir;
    if (need) {
        dir.resize(need);
        unsigned n = GetCurrentDirectory(need, dir.data());
        dir.resize(n < need ? n : 0);
    }
    // Without a current directory the file is still found relative to it.
    g_iniPath = dir.empty() ? std::string("Game.ini") : dir + "\\Game.ini";
    return g_iniPath.c_str();
}

void LoadSettings()
{
    GameSettings& s = g_Settings;
    s.space = ReadKey("Game", "Space", 0);
    // The start world indexes per-world arrays: only 0 and 1 exist.
    if (s.space != 0 && s.space != 1)
        s.space = 0;
    g_WorldIndex = s.space;
    g_LocationKind = s.space;
    s.language = ReadKey("Game", "Language", 0);
    if (s.language != 0 && s.language != 1)
        s.language = 1;
    s.videoMode = ClampUpper(ReadKey("Video", "Video mode", 100), 100);
    s.details = ClampUpper(ReadKey("Video", "Details", 2), 2);
    s.windowed = ReadKey("Video", "Windowed", 0);
    s.audio = ReadKey("Audio", "Audio", 1);
    s.voice = ReadKey("Audio", "Voice", 1);
    s.music = ReadKey("Audio", "Music", 1);
    s.effectsVolume = ClampUpper(ReadKey("Audio", "Effects volume", 90), 100);
    s.voicesVolume = ClampUpper(ReadKey("Audio", "Voices volume", 90), 100);
    s.musicVolume = ClampUpper(ReadKey("Audio", "Music volume", 100), 100);
    s.sensitivityMouse = ClampUpper(ReadKey("Controls", "Sensitivity mouse", 50), 100);
    s.invertMouse = ReadKey("Controls", "Invert mouse", 0);
    s.cutScenes = ReadKey("Misc", "Cut scenes", 1);
    s.startLogo = ReadKey("Misc", "Start logo", 1);
    s.useFileManager = ReadKey("Misc", "Use file manager", 1);
    s.bmpToJpg = ReadKey("Misc", "BMP to JPG", 1);
    s.useGameMenu = ReadKey("Misc", "Use game menu", 1);
    s.debugOut = ReadKey("Misc", "Debug out", 0);
    InitCircleTables();
}

void SaveSettings()
{
    WriteKey("Video", "Video mode", g_Settings.videoMode);
    WriteKey("Video", "Details", g_Settings.details);
    WriteKey("Audio", "Effects volume", g_Settings.effectsVolume);
    WriteKey("Audio", "Voices volume", g_Settings.voicesVolume);
    WriteKey("Audio", "Music volume", g_Settings.musicVolume);
    WriteKey("Controls", "Sensitivity mouse", g_Settings.sensitivityMouse);
    WriteKey("Controls", "Invert mouse", g_Settings.invertMouse);
}

void ResetSettingsToDefaults()
{
    g_Settings.videoMode = 100;
    g_Settings.details = 2;
    g_Settings.audio = 1;
    g_Settings.voice = 1;
    g_Settings.music = 1;
    g_Settings.effectsVolume = 90;
    g_Settings.voicesVolume = 90;
    g_Settings.musicVolume = 100;
    SaveSettings();
}

unsigned CountProgramStarts()
{
    const char* title = g_WindowTitles[g_Settings.language == 1 ? 1 : 0];
    unsigned started = 0;
    if (LaunchCounterRead(title, &started)) {
        ++started;
        return LaunchCounterWrite(title, started) ? started : 0;
    }
    LaunchCounterWrite(title, 0);
    return 0;
}
