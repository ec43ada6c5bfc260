// The program's frame: start-up, the location and frame loops, shut-down.
#pragma once
#include "platform/win/window.h"

// The game title by language (0 Russian, 1 English): window class, caption,
// failure-box caption and the launch counter's name.
extern const char* const g_WindowTitles[2];

extern WindowHandle g_MainWindow;
// 1 while the window is active and the game not paused.
extern int g_AppActive;
// 1 after activation or focus gain, 0 after deactivation or focus loss.
extern int g_HasFocus;
extern int g_QuitRequested;
// Ends the frame loop of the current location.
extern int g_LocationFinished;
// After shut-down, start again on the same window (new video mode).
extern int g_RestartRequested;

// Text-entry mode of the menus that take typed text.
enum TextInputState {
    TEXT_INPUT_OFF = 0,
    TEXT_INPUT_TYPING = 1,     // WM_CHAR stores its character in g_TextInputChar
    TEXT_INPUT_ENTER = 2,
    TEXT_INPUT_BACKSPACE = 3,
    TEXT_INPUT_ESC = 4,
};
extern int g_TextInputState;
extern char g_TextInputChar;

// Returns the process exit status: 0 after an orderly end, non-zero when start-up failed.
int WinMain();

// The parts of WinMain, for the frame's own tests.
// Start-up steps 1 to 9; false when the program must end.
bool StartUp(bool restart);
void RunLocationLoop();
void HandleFrameEsc();
void RunFrameLoop();
void ShutDown();
