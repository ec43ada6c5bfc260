// The OpenGL 3.3 core backend on the game window's SDL GL context.
//
// Test switches read here: KORVANE_SCREENSHOT=dir with KORVANE_SHOT_FRAMES=a,b,c writes the
// back buffer of those frames as dir/frame_<n>.png. n is the platform's frame count (the one
// KORVANE_INPUT and KORVANE_FRAMES use, from 1); a frame that presents nothing (a loading pass)
// is written at the next Present under its own number.
#pragma once
#include "platform/gfx/device.h"

GfxSystem* GlGfxCreateSystem();
