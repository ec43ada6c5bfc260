// The OpenGL 3.3 core backend on the game window's SDL GL context.
//
// Test switches read here: KORVANE_SCREENSHOT=dir with KORVANE_SHOT_FRAMES=a,b,c writes the
// back buffer of those presented frames as dir/frame_<n>.png (n counts presented frames from 1).
#pragma once
#include "platform/gfx/device.h"

GfxSystem* GlGfxCreateSystem();
