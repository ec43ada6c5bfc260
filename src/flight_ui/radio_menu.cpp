#include "flight_ui/radio_menu.h"

CRadioMenu g_RadioMenu;

void CRadioMenu::Open() {}
void CRadioMenu::OnKey(int) {}
void CRadioMenu::SelectPrevious() {}
void CRadioMenu::SelectNext() {}
void CRadioMenu::SelectEntry() {}
void CRadioMenu::ToggleHelp() {}

void CRadioMenu::Draw() {}

int CRadioMenu::ToPixels(int) { return 0; }
