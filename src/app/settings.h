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

void LoadSettings();
void SaveSettings();
void ResetSettingsToDefaults();
unsigned CountProgramStarts();

// Appends one line to debug.txt when "Debug out" is 1; a null text empties the file.
void DebugOut(const char* text);
// printf-style convenience over DebugOut (the line is cut to 2046 characters).
void DebugOutF(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void LogTextureLoadFailed(const char* name);
int ShowMessage(const char* text, const char* caption, unsigned type);

int StrEqual(const char* a, const char* b);
int ReplaceDoubleQuotes(char* text);
