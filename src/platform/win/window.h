// The game window and its message queue (SDL2 underneath).
#pragma once

struct PlatformWindow;
using WindowHandle = PlatformWindow*;
