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

    void Init();
    void LoadModel();
    void StopSounds();
    void Release();
    // The step of a frame in the space world.
    void Update();
    void DrawOverlay();
};

extern CCockpit g_Cockpit;

// How much wider than built the cockpit's shell is drawn: the model frames the 4:3 picture,
// and a wider camera (16:10, 16:9) would show open space beside its walls. The panels keep
// their size and place.
float CockpitShellStretch(float cameraAspect);

// Plays a cockpit sound once at full volume unless it is already playing.
void PlayCockpitSound(int which);
void StopCockpitSound(int which);
