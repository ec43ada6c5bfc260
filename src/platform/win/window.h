// The game window and its message queue (SDL2 underneath).
//
// Shaped like the Windows calls the game was written against: a single
// thread pumps a queue of window messages (PeekMessage / TranslateMessage /
// DispatchMessage) into the registered window procedure. Message numbers
// and virtual-key codes use the familiar Windows values.
#pragma once
#include <cstdint>

struct PlatformWindow;
using WindowHandle = PlatformWindow*;

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using WindowProc = LRESULT (*)(WindowHandle window, unsigned message, WPARAM wParam, LPARAM lParam);

struct MSG {
    WindowHandle hwnd = nullptr;
    unsigned message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::uint32_t time = 0;
};

// Messages.
constexpr unsigned WM_NULL = 0x0000;
constexpr unsigned WM_ACTIVATE = 0x0006;
constexpr unsigned WM_SETFOCUS = 0x0007;
constexpr unsigned WM_KILLFOCUS = 0x0008;
constexpr unsigned WM_CLOSE = 0x0010;
constexpr unsigned WM_QUIT = 0x0012;
constexpr unsigned WM_KEYDOWN = 0x0100;
constexpr unsigned WM_KEYUP = 0x0101;
constexpr unsigned WM_CHAR = 0x0102;
constexpr unsigned WM_SYSKEYDOWN = 0x0104;
constexpr unsigned WM_SYSKEYUP = 0x0105;
constexpr unsigned WM_MOUSEMOVE = 0x0200;
constexpr unsigned WM_LBUTTONDOWN = 0x0201;
constexpr unsigned WM_LBUTTONUP = 0x0202;
constexpr unsigned WM_RBUTTONDOWN = 0x0204;
constexpr unsigned WM_RBUTTONUP = 0x0205;
constexpr unsigned WM_MBUTTONDOWN = 0x0207;
constexpr unsigned WM_MBUTTONUP = 0x0208;
constexpr unsigned WM_MOUSEWHEEL = 0x020A;
constexpr unsigned WM_USER = 0x0400;
// Socket readiness notice: wParam the socket, LOWORD(lParam) the event, HIWORD(lParam) the error.
constexpr unsigned WM_SOCKET = WM_USER + 1;
constexpr int FD_READ = 1;
constexpr int FD_WRITE = 2;

constexpr unsigned WA_INACTIVE = 0;
constexpr unsigned WA_ACTIVE = 1;
constexpr unsigned PM_NOREMOVE = 0;
constexpr unsigned PM_REMOVE = 1;
constexpr int WHEEL_DELTA = 120;

// Virtual-key codes (letters and digits are their upper-case ASCII codes).
enum : unsigned {
    VK_LBUTTON = 0x01, VK_RBUTTON = 0x02, VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D,
    VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12, VK_PAUSE = 0x13, VK_CAPITAL = 0x14,
    VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23,
    VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28,
    VK_SNAPSHOT = 0x2C, VK_INSERT = 0x2D, VK_DELETE = 0x2E,
    VK_NUMPAD0 = 0x60, VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SEPARATOR = 0x6C,
    VK_SUBTRACT = 0x6D, VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F,
    VK_F1 = 0x70, VK_F2, VK_F3, VK_F4, VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_F10, VK_F11, VK_F12,
    VK_NUMLOCK = 0x90, VK_SCROLL = 0x91,
    VK_OEM_1 = 0xBA, VK_OEM_PLUS = 0xBB, VK_OEM_COMMA = 0xBC, VK_OEM_MINUS = 0xBD,
    VK_OEM_PERIOD = 0xBE, VK_OEM_2 = 0xBF, VK_OEM_3 = 0xC0, VK_OEM_4 = 0xDB, VK_OEM_5 = 0xDC,
    VK_OEM_6 = 0xDD, VK_OEM_7 = 0xDE, VK_OEM_102 = 0xE2,
};

inline unsigned LOWORD(std::uintptr_t v) { return unsigned(v & 0xFFFF); }
inline unsigned HIWORD(std::uintptr_t v) { return unsigned((v >> 16) & 0xFFFF); }
inline LPARAM MAKELPARAM(unsigned lo, unsigned hi) { return LPARAM(std::uint32_t((lo & 0xFFFF) | ((hi & 0xFFFF) << 16))); }
inline WPARAM MAKEWPARAM(unsigned lo, unsigned hi) { return WPARAM(std::uint32_t((lo & 0xFFFF) | ((hi & 0xFFFF) << 16))); }
inline int GET_X_LPARAM(LPARAM l) { return short(l & 0xFFFF); }
inline int GET_Y_LPARAM(LPARAM l) { return short((l >> 16) & 0xFFFF); }
inline int GET_WHEEL_DELTA_WPARAM(WPARAM w) { return short((w >> 16) & 0xFFFF); }

// The window class: a name and its window procedure. Returns false when the name is taken.
bool RegisterClass(const char* className, WindowProc proc);
// A borderless popup window at (x, y) of the given size, shown; the caption is CP1251.
// Null when the class is unknown or the display cannot be opened.
WindowHandle CreateWindow(const char* className, const char* caption, int x, int y, int width, int height);
// Moves and resizes the window (a restart with a new video mode keeps it).
bool MoveWindow(WindowHandle window, int x, int y, int width, int height, bool repaint);
void DestroyWindow(WindowHandle window);
void GetClientSize(WindowHandle window, int* width, int* height);
// The window that receives queued messages with no window of their own.
WindowHandle GetMainWindow();

// The message queue. PeekMessage pumps the system events first; with PM_REMOVE
// it takes the message off the queue. Returns false when the queue is empty.
bool PeekMessage(MSG* msg, WindowHandle window, unsigned filterMin, unsigned filterMax, unsigned removeFlags);
// Posts WM_CHAR for the keys that produce a control character (Enter, Backspace, Esc, Tab).
bool TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);
LRESULT DefWindowProc(WindowHandle window, unsigned message, WPARAM wParam, LPARAM lParam);
bool PostMessage(WindowHandle window, unsigned message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
// Drops every queued message (tests).
void ClearMessageQueue();

// The socket layer reports readiness through the queue as WM_SOCKET.
void PostSocketNotice(int socket, int event, int error);

// Only null is supported: hides the system pointer (the game draws its own).
void SetCursor(void* cursor);
// Warps the pointer to client position (x, y); a WM_MOUSEMOVE follows.
bool SetCursorPos(int x, int y);

// Called once per presented frame (the renderer's Present); counts frames for the test switches.
void PlatformFrameDone();
