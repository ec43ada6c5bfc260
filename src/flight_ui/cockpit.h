// The cockpit: HUD overlay, screens, radar, comm window and radio menu.
#pragma once

class CCockpit {
public:
    int shown = 1;         // the cockpit is drawn
    int overlayShown = 1;  // the HUD overlay is drawn
    void Init();
    // The cockpit model "Data/Space/Ship/Cockpit/01/Cockpit.obj", loaded anew.
    void LoadModel();
    void Release();
    // The step of a frame in the space world.
    void Update();
    // The unit the cockpit shows; null when none.
    class CUnit* unit = nullptr;
    // ---- Cockpit sounds (used by the weapon switch; null until the cockpit loads them) ----
    enum {
        SOUND_WEAPON_OFF, SOUND_WEAPON_ON, SOUND_TARGETING, SOUND_TARGET_ON, SOUND_INCOMING_MISSILE,
        SOUND_SELECT_TARGET, SOUND_BACKGROUND_WORK, SOUND_ALIGN_TARGET_SPEED, SOUND_COUNT
    };
    class CSound* sounds[SOUND_COUNT] = {};
    // ---- end of cockpit sounds ----
};

extern CCockpit g_Cockpit;

// Around a device reset: the comm window, the target and system screens and the radar give
// up their render-target textures before it and make them again after it.
void ReleaseCockpitPanels();
void ReloadCockpitPanels();
