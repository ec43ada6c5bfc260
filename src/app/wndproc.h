// The window procedure: window messages become input flags in 800x600 virtual
// units and calls into the menus, the flight interface, the world and the network.
#pragma once
#include "platform/win/window.h"

LRESULT WndProc(WindowHandle window, unsigned message, WPARAM wParam, LPARAM lParam);

// Input flags, written only by WndProc and read each frame.
extern float g_MouseX, g_MouseY;
extern int g_MouseLeftDown, g_MouseRightDown;
// The signed wheel delta of the last wheel message (multiples of 120); never reset here.
extern float g_MouseWheelDelta;
extern int g_KeyEnter, g_KeyShift, g_KeyCtrl, g_KeySpace, g_KeyPageUp, g_KeyPageDown, g_KeyHome, g_KeyEnd,
    g_KeyInsert, g_KeyDelete, g_KeyAdd, g_KeySubtract;
// Arrow keys; in the planet world also A, D, W and S.
extern int g_KeyLeft, g_KeyRight, g_KeyUp, g_KeyDown;
// A, D (without Ctrl), S and W in the space world.
extern int g_KeyA, g_KeyD, g_KeyS, g_KeyW;
// 1 on Esc key-down, 0 on key-up; the frame loop consumes it.
extern int g_KeyEsc;
// Toggled by X in the space world.
extern int g_KeyXToggle;
// Toggled by Ctrl+D with "Debug out" on; enables the debug keys.
extern int g_DebugView;
