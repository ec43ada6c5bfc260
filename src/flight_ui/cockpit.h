// The cockpit: HUD overlay, screens, radar, comm window and radio menu.
#pragma once

class CCockpit {
public:
    int shown = 1;         // the cockpit is drawn
    int overlayShown = 1;  // the HUD overlay is drawn
    void Release();
    // The step of a frame in the space world.
    void Update();
    // The unit the cockpit shows; null when none.
    class CUnit* unit = nullptr;
};

extern CCockpit g_Cockpit;

// Around a device reset: the comm window, the target and system screens and the radar give
// up their render-target textures before it and make them again after it.
void ReleaseCockpitPanels();
void ReloadCockpitPanels();
