// The target screen (kind 0) and the system screen (kind 1) of the cockpit: a small view
// of a unit with its data, drawn into a panel texture.
#pragma once
#include <cstdint>

#include "flight_ui/cockpit_panels.h"
#include "flight_ui/radar.h"
#include "render/font.h"

class CUnit;

class CTargetScreen {
public:
    CFont font;
    // The unit view's camera.
    float fov = 1.0472f, aspect = 1.0f, farPlane = 5000.0f, nearPlane = 2.0f;
    Matrix view, projection;
    int kind = 0;                // 0 target screen, 1 system screen
    CUnit* target = nullptr;
    CTargetMarker marker;        // kind 0 only
    CFont secondFont;
    int aligned = 0;             // speed alignment is on
    int frameTexture = -1;
    CPanelTarget panel;
    // Scan band sweep, advanced by game time.
    float scan = 0.0f;
    uint32_t lastDraw = 0;

    void Init(int screenKind);
    void InitMarkers();
    void SetTarget(CUnit* unit);
    void Draw();
    void DrawEquipmentList();
    // The panel's render target under the cockpit effect's texture name.
    void CreateRenderTarget(const char* name);
    void ReleaseRenderTarget();
    void Reload();
    // Fonts and frame texture.
    void ReleaseTexture();
};

extern CTargetScreen g_TargetScreen;
extern CTargetScreen g_SystemScreen;
