// The cockpit: HUD overlay, screens, radar, comm window and radio menu.
#pragma once

class CCockpit {
public:
    int shown = 1;         // the cockpit is drawn
    int overlayShown = 1;  // the HUD overlay is drawn
    void Release();
};

extern CCockpit g_Cockpit;
