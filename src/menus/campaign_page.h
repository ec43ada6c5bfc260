// Pages 5 and 6 of the game menu: the campaign sectors and the single missions, and the
// common frame of pages 5 to 9.
#pragma once

namespace CGameMenu {
void CreateListPages();
// From the main menu: fills the list and opens page 5 or 6.
void OpenListPage(int page);
// Page 5 or 6 logic, each menu frame.
void UpdateListPage();
int OnClickListPage();
// The frame and content of pages 5 to 9 while a page opens (p 0..100).
void DrawPage(float percent, int page);
void LoadPagePicture(int page, int index);
void ReleasePagePicture();
}
