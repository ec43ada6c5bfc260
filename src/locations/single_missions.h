// The single-mission catalogue: which missions exist and the text of each.
#pragma once

constexpr int kMaxSingleMissions = 13;
constexpr int kSingleMissionTextSize = 512;

// Missions "Single 01", "Single 02", ... present as an unbroken run from 01, 0 to 13.
int CountSingleMissions();
// The description of mission index + 1 in the language of the settings (at most 511
// characters, double quotes turned into backquotes); empty when the file is missing.
// text must hold kSingleMissionTextSize characters.
void LoadSingleMissionText(int index, char* text);
