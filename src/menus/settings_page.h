// The settings page of the game menu (page 8): video mode and details, the three
// volumes, mouse sensitivity and inversion, and the key list.
#pragma once

class CMenuButton;

constexpr int kVideoListRows = 7;
constexpr int kKeyRows = 17;

// -1 the choice of section, 0 video, 1 sound, 2 controls.
extern int g_SettingsSection;
extern CMenuButton g_SettingsChoiceButtons[3];
extern CMenuButton g_VideoModeButtons[kVideoListRows];
extern CMenuButton g_VideoScrollUpButton;
extern CMenuButton g_VideoScrollDownButton;
extern CMenuButton g_VideoMarkButtons[10];
extern CMenuButton g_DetailButtons[3];
extern CMenuButton g_ApplyButton;
// Music, effects and voices: "<<<" (even) and ">>>" (odd).
extern CMenuButton g_VolumeButtons[6];
extern CMenuButton g_KeyCaptionButtons[kKeyRows];
extern CMenuButton g_SensitivityButtons[2];
extern CMenuButton g_InvertMouseButton;

// Video list: the modes listed, the first one shown, the chosen one and the slider.
extern int g_VideoVisible;
extern int g_VideoScroll;
extern int g_VideoChosen;
extern float g_VideoSlider;

namespace CGameMenu {
// Creates the page's buttons and prepares the video list from the settings.
void CreateSettingsPage();
// Back to the section choice (also when the page is opened from the main menu).
void OpenSettingsPage();
void UpdateSettingsPage();
int OnClickSettingsPage();
// Inside the common frame of DrawPage.
void DrawSettingsPage();
// mark -1 keeps the scroll position, 0..9 jumps to that tenth of the list.
void ScrollVideoModeList(int mark);
}
