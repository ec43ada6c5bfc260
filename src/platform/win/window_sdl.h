// Platform-internal: the SDL side of the game window, for the rest of platform/
// (the GL device creates its context on the window).
#pragma once
#include <SDL.h>
#include "platform/win/window.h"

// Initialises SDL video once (idempotent) with default GL attributes for a
// 3.3 core context, depth 24, stencil 8, double buffered. The device layer may
// override attributes after this and before CreateWindow.
bool PlatformVideoInit();
SDL_Window* GetSdlWindow(WindowHandle window);
