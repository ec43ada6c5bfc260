// The cockpit radar and its panel texture; the target marker over the scene.
#pragma once
#include <cstdint>

#include "flight_ui/cockpit_panels.h"
#include "platform/math/math3d.h"
#include "render/draw2d.h"
#include "render/font.h"

class CUnit;

// Brackets the unit on the radio and the player's target, draws the lead point and the
// direction arrow, and sounds the missile-lock tones.
class CTargetMarker {
public:
    // 0..3 the bracket's corners (top left, top right, bottom left, bottom right), 4..7 the
    // lock bracket's corners; then the lead point and the direction arrow.
    ScreenSprite sprites[8];
    ScreenSprite leadSprite;
    ScreenSprite arrowSprite;
    int sheet = -1;
    CUnit* target = nullptr;
    int lockState = 0;           // 0 none, 1 targeting, 2 locked

    void SetTarget(CUnit* unit);
    void DrawBracket(CUnit* unit);
    void DrawLead();
};

// Where the radar puts a unit at offset l (player frame: x right, y up, z ahead) at
// distance d: panel x, ground y0 and blip y. R is the radar radius in pixels.
struct RadarBlip {
    float x, y0, y;
};
RadarBlip RadarProject(const Vec3& local, float distance, float commRange, float zoom, float cx, float cy, float R);

class CRadar {
public:
    CFont font;
    int counters[2] = {0, 0};
    int frameTexture = -1;
    CPanelTarget panel;
    float pulse = 0.0f;          // pulse ring radius
    uint32_t lastDraw = 0;
    float zoom = 1.0f;           // zoom of the last draw

    void Init();
    void Draw();
    // The panel's render target under the cockpit effect's texture name.
    void CreateRenderTarget(const char* name);
    void ReleaseRenderTarget();
    void Reload();
    void Release();
};

extern CRadar g_Radar;
