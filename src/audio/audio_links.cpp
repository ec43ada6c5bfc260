#include "audio/audio_links.h"

// Weak: the world, the clock, the camera and the director define the real ones.
__attribute__((weak)) int g_WorldIndex = 0;
__attribute__((weak)) int g_LocationKind = 0;

AudioLinkFallback g_AudioLinkFallback;

__attribute__((weak)) float AudioGameTime() { return g_AudioLinkFallback.gameTime; }
__attribute__((weak)) float AudioRealTime() { return g_AudioLinkFallback.realTime; }
__attribute__((weak)) float AudioRealFrameSeconds() { return g_AudioLinkFallback.realFrameSeconds; }
__attribute__((weak)) Vec3 AudioCameraPosition() { return g_AudioLinkFallback.camera; }
__attribute__((weak)) int AudioDirectorBusy() { return g_AudioLinkFallback.directorBusy; }
__attribute__((weak)) int AudioLocationId() { return g_AudioLinkFallback.locationId; }
