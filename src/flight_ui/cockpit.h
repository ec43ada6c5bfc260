// The cockpit: the 3D model round the camera, its panels, the overlay over the scene and
// the cockpit sounds.
#pragma once
#include <cstdint>

#include "flight_ui/cockpit_panels.h"
#include "render/draw2d.h"

class CUnit;
class CBullet;
class CSound;

class CCockpit {
public:
    int shown = 1;         // the cockpit model is drawn and the chatter plays
    int overlayShown = 1;  // the 2D overlay is drawn
    int markerTexture = -1;
    // The cockpit model; its attached effects are the shell and the panels.
    CUnit* unit = nullptr;
    CBullet* incomingMissile = nullptr;
    uint32_t lastWarning = 0;
    ScreenSprite markerSprite;  // steering marker
    enum {
        SOUND_WEAPON_OFF, SOUND_WEAPON_ON, SOUND_TARGETING, SOUND_TARGET_ON, SOUND_INCOMING_MISSILE,
        SOUND_SELECT_TARGET, SOUND_BACKGROUND_WORK, SOUND_ALIGN_TARGET_SPEED, SOUND_COUNT
    };
    CSound* sounds[SOUND_COUNT] = {};
    // Where the panels lie on the screen (800 x 600 units) as last drawn: the dashboard's
    // screens and, while open, the comm panel. The overlay's marks keep off them.
    struct Rect {
        float x0, y0, x1, y1;
    };
    Rect panelRects[4] = {};
    int panelRectCount = 0;

    void Init();
    void LoadModel();
    void StopSounds();
    void Release();
    // The step of a frame in the space world.
    void Update();
    void DrawOverlay();
    // The cockpit's matrix for the frame, from its swayed one: moved back as far as it takes
    // to keep every panel whole in the picture (a narrow screen leaves the panels no room
    // to swing past its edges). Notes the panels' places.
    Matrix PlaceModel(const CUnit& model, const Matrix& swayed);
    // True when a mark of the overlay over that rectangle would cover a panel.
    bool OverPanel(float x0, float y0, float x1, float y1) const;
};

extern CCockpit g_Cockpit;

// How much wider than built the cockpit's shell is drawn: the model frames the 4:3 picture,
// and a wider camera (16:10, 16:9) would show open space beside its walls. The panels keep
// their size and place.
float CockpitShellStretch(float cameraAspect);

// Plays a cockpit sound once at full volume unless it is already playing.
void PlayCockpitSound(int which);
void StopCockpitSound(int which);
