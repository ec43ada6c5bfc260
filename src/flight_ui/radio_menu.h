// The radio menu: orders to wing-men, docked ships, mercenaries and help.
#pragma once

#include "flight_ui/cockpit_panels.h"

class CRadioMenu {
public:
    int state = 0;  // 1 open
    int page = -1;
    int rows = 0;
    // ---- Cockpit's calls: set-up, typing step and release ----
    void Init();
    void UpdateTyping();
    void Release();
    void Open();
    void OnKey(int n);
    void SelectPrevious();
    void SelectNext();
    void SelectEntry();
    void ToggleHelp();
    // ---- Panel (the comm window's render target, copied in when it is made) ----
    CPanelTarget panel;
    float openPercent = 0.0f;
    float panelHeight = 0.0f;
    void Draw();
    int ToPixels(int frames);
    void SetupQuad(MeshData* quad);
    // ---- end of panel ----
};

extern CRadioMenu g_RadioMenu;
