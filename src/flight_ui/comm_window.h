// The comm window: radio talks in space.
#pragma once

#include "flight_ui/cockpit_panels.h"

class CUnit;

// Set while a radio talk or the radio menu holds the digit keys.
extern int g_CommMode;

class CCommWindow {
public:
    int state = 0;  // 1 talking
    // ---- Speaker (read by the damage code's radio lines) ----
    CUnit* speaker = nullptr;  // the unit being talked to; null when idle
    int IsSpeaker(const CUnit* unit) const { return unit == speaker; }
    // ---- end of speaker ----
    int Talk(CUnit* unit, int startLine);
    void ChooseReply(int n);
    // The unit says a line of the type; 1 when it did. Head mode 1, or 2 for a new head
    // animation.
    int Say(CUnit* unit, int lineType, int headMode);
    // Closes any talk.
    void EndTalk();
    // ---- Cockpit's calls: set-up, per-frame step and release ----
    void Init();
    void Update();
    void Release();
    // ---- Panel (render target shared with the radio menu; see cockpit_panels.h) ----
    CPanelTarget panel;
    float openPercent = 0.0f;   // 0..100, the panel's slide-open state
    float panelHeight = 0.0f;   // pixels of the panel texture in use, at most 512
    // The panel texture under the cockpit effect's texture name (shared with the radio menu).
    void CreateRenderTarget(const char* name);
    void ReleaseRenderTarget();
    void Reload();
    void Draw();
    int ToPixels(int frames);
    void SetupQuad(MeshData* quad);
    // ---- end of panel ----
};

extern CCommWindow g_CommWindow;
