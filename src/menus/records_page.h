// The records page of the game menu (page 9): the ten pilots' ratings with three sort keys.
#pragma once

class CMenuButton;

// "Руда", "Пираты", "Рейтинг": sort keys 0, 1, 2.
extern CMenuButton g_RecordsSortButtons[3];

namespace CGameMenu {
void CreateRecordsPage();
// Loads the table sorted by rating and opens the page (from the main menu).
void OpenRecordsPage();
void UpdateRecordsPage();
int OnClickRecordsPage();
// Inside the common frame of DrawPage.
void DrawRecordsPage();
}
