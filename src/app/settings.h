// Game.ini settings, the launch counter, the debug log and the string helpers.
#pragma once

struct GameSettings {
    int space = 0;
    int language = 0;
    int videoMode = 100;
    int details = 2;
    int windowed = 0;
    int audio = 1;
    int voice = 1;
    int music = 1;
    int effectsVolume = 90;
    int voicesVolume = 90;
    int musicVolume = 100;
    int sensitivityMouse = 50;
    int invertMouse = 0;
    int cutScenes = 1;
    int startLogo = 1;
    int useFileManager = 1;
    int bmpToJpg = 1;
    int useGameMenu = 1;
    int debugOut = 0;
};

extern GameSettings g_Settings;

// Reads every key of Game.ini (current directory) into g_Settings, clamping the ranges.
void LoadSettings();
// Writes the seven keys the game changes (video mode, details, the volumes, mouse).
void SaveSettings();
// The first-start-since-boot values of video and audio, then SaveSettings.
void ResetSettingsToDefaults();
// The launch counter after this start: 0 on the first start since boot or when the store fails.
unsigned CountProgramStarts();
// Full path of Game.ini in the current directory.
const char* GetSettingsPath();

// Appends one line to debug.txt when "Debug out" is 1; a null text empties the file.
void DebugOut(const char* text);
// printf-style convenience over DebugOut (the line is cut to 2046 characters).
void DebugOutF(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void LogTextureLoadFailed(const char* name);
// Logs the text, then shows a message box on the main window; returns the box's result.
int ShowMessage(const char* text, const char* caption, unsigned type);

// 1 when both strings are byte for byte the same (case-sensitive), else 0.
int StrEqual(const char* a, const char* b);
// Replaces every '"' by '`' in place; returns the text's length (0 for null).
int ReplaceDoubleQuotes(char* text);
