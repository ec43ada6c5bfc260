// Pages 8 and 9 of the game menu: settings and records.
#pragma once

namespace CGameMenu {
void CreateSettingsPage();
void UpdateSettingsPage();
int OnClickSettingsPage();
void DrawSettingsPage(float percent);
// From the main menu: the ratings loaded and sorted by rating, page 9.
void OpenRecordsPage();
void UpdateRecordsPage();
int OnClickRecordsPage();
void DrawRecordsPage(float percent);
}
