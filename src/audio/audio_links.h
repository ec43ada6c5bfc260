// What the sound code reads from subsystems built elsewhere: the current world and
// location kind, the game clock, the current world's camera and the location director.
// Each has a weak fallback in audio_links.cpp that the owning subsystem's real
// definition replaces at link time.
#pragma once
#include <cstdint>

#include "platform/math/math3d.h"

extern int g_WorldIndex;
extern int g_LocationKind;

// Game time in milliseconds (runs at the time scale, stands while paused).
float AudioGameTime();
// Unscaled time in milliseconds and the unscaled frame time in seconds.
float AudioRealTime();
float AudioRealFrameSeconds();
// Eye position of the current world's camera.
Vec3 AudioCameraPosition();
// The location director's busy flag (a scene runs) and its location id.
int AudioDirectorBusy();
int AudioLocationId();

// Values the fallbacks report; tests set them.
struct AudioLinkFallback {
    float gameTime = 60000.0f;
    float realTime = 60000.0f;
    float realFrameSeconds = 0.016f;
    Vec3 camera;
    int directorBusy = 0;
    int locationId = 0;
};
extern AudioLinkFallback g_AudioLinkFallback;
