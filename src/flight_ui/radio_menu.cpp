#include "flight_ui/radio_menu.h"

CRadioMenu g_RadioMenu;

void CRadioMenu::Open() {}
void CRadioMenu::OnKey(int) {}
void CRadioMenu::SelectPrevious() {}
void CRadioMenu::SelectNext() {}
void CRadioMenu::SelectEntry() {}
void CRadioMenu::ToggleHelp() {}

// ---- Cockpit's calls ----
void CRadioMenu::Init()
{
    state = 0;
    page = -1;
    rows = 0;
    openPercent = 0.0f;
    panelHeight = 0.0f;
}

// Typed orders come with the radio work.
void CRadioMenu::UpdateTyping() {}

void CRadioMenu::Release()
{
    panel = CPanelTarget();
}

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
