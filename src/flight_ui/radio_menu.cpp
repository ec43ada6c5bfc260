#include "flight_ui/radio_menu.h"

CRadioMenu g_RadioMenu;

void CRadioMenu::Open() {}
void CRadioMenu::OnKey(int) {}
void CRadioMenu::SelectPrevious() {}
void CRadioMenu::SelectNext() {}
void CRadioMenu::SelectEntry() {}
void CRadioMenu::ToggleHelp() {}

// ---- Panel ----
// The menu's rows come with the radio work; until then the panel stays as it is.
void CRadioMenu::Draw() {}

int CRadioMenu::ToPixels(int frames)
{
    return PanelToPixels(openPercent, frames, panelHeight);
}

void CRadioMenu::SetupQuad(MeshData* quad)
{
    SetupPanelQuad(quad, panelHeight);
}
// ---- end of panel ----
