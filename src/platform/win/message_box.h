// Message boxes. Always echoed to stderr; shown on screen only when a display
// exists and no test switch is set (test runs must never block).
#pragma once
#include "platform/win/window.h"

constexpr unsigned MB_OK = 0x00;
constexpr unsigned MB_OKCANCEL = 0x01;
constexpr unsigned MB_YESNO = 0x04;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Text and caption are CP1251. Returns the button pressed (IDOK when not shown).
int MessageBox(WindowHandle window, const char* text, const char* caption, unsigned type);
