// Test switches, read by platform/ only:
//   KORVANE_FRAMES=N     post WM_CLOSE after N frames.
//   KORVANE_INPUT=file   replay input events at frame numbers.
//   KORVANE_FRAME_MS=N   the multimedia timer advances N ms per frame (1..1000).
//   KORVANE_LOCATION=name  the location chain starts in Data/Locations.Space/<name>.
//
// Frames are counted at PlatformFrameDone (the device's Present). While nothing is
// presented, a pass of the message pump counts as a frame once 20 ms have passed
// since the last frame, so a loop that presents nothing still advances.
//
// Input file: one event per line, '#' starts a comment, blank lines are skipped.
//   <frame> key_down <vk>          WM_KEYDOWN (vk: a name below, a letter or digit, or a number)
//   <frame> key_up <vk>            WM_KEYUP
//   <frame> key <vk>               key_down then key_up
//   <frame> char <c>               WM_CHAR of one character (a single byte, or a decimal code)
//   <frame> text <utf-8 text>      one WM_CHAR per character, converted to CP1251
//   <frame> mouse_move <x> <y>     WM_MOUSEMOVE at client pixels
//   <frame> lbutton_down <x> <y>   also lbutton_up, rbutton_down, rbutton_up
//   <frame> wheel <delta>          WM_MOUSEWHEEL (multiples of 120; positive away from the user)
//   <frame> focus_lost             WM_ACTIVATE (inactive), WM_KILLFOCUS
//   <frame> focus_gained           WM_ACTIVATE (active), WM_SETFOCUS
//   <frame> close                  WM_CLOSE
//   <frame> socket <s> <event> <error>   WM_SOCKET notice
// Key names: ENTER RETURN ESC ESCAPE BACK BACKSPACE TAB SPACE SHIFT CTRL CONTROL ALT
//   PAUSE PAGEUP PRIOR PAGEDOWN NEXT END HOME LEFT UP RIGHT DOWN INSERT DELETE ADD
//   SUBTRACT F1..F12, A..Z, 0..9.
// Events of frame f are posted when f frames have passed (frame 0: at the first pump).
#pragma once
#include <string>
#include <vector>
#include "platform/win/window.h"

struct ReplayMessage {
    unsigned frame = 0;
    unsigned message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// Parses an input script; bad lines are described in errors and skipped.
std::vector<ReplayMessage> ParseInputScript(const std::string& text, std::string* errors);
// Virtual-key code of a key name, 0 when unknown.
unsigned VirtualKeyFromName(const std::string& name);

// True when KORVANE_FRAMES or KORVANE_INPUT is set.
bool TestSwitchesActive();
// Called by PeekMessage: posts the replay events that are due, then gives an in-process
// test player its turn once per counted frame.
void TestSwitchesPump();
// An in-process test's player: called with the frame count at the first pump of every
// frame; it acts only by posting messages (PostMessage). Null removes it.
using TestFrameHook = void (*)(unsigned frame);
void SetTestFrameHook(TestFrameHook hook);
// Called when a pump pass found the queue empty.
void PlatformQueueDrained();
// Frames counted so far.
unsigned PlatformFrameCount();
// The space location a test starts in (KORVANE_LOCATION), or null.
const char* TestLocationName();
// Tests: forget the environment and the counts.
void TestSwitchesReset();
