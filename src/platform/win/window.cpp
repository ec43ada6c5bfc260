#include "platform/win/window.h"
#include "platform/gfx/device.h"
#include "platform/net/socket.h"
#include "platform/win/codepage.h"
#include "platform/win/test_switches.h"
#include "platform/win/timer.h"
#include "platform/win/window_sdl.h"
#include <cstdio>
#include <deque>
#include <map>
#include <string>

struct PlatformWindow {
    SDL_Window* sdl = nullptr;
    WindowProc proc = nullptr;
};

namespace {
std::deque<MSG> g_queue;
std::map<std::string, WindowProc> g_classes;
WindowHandle g_main = nullptr;
bool g_videoInit = false;
bool g_cursorHidden = false;

constexpr WPARAM MK_LBUTTON = 0x01, MK_RBUTTON = 0x02, MK_SHIFT = 0x04, MK_CONTROL = 0x08, MK_MBUTTON = 0x10;

void Post(unsigned message, WPARAM wParam, LPARAM lParam, bool front = false)
{
    MSG m;
    m.hwnd = g_main;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = timeGetTime();
    if (front)
        g_queue.push_front(m);
    else
        g_queue.push_back(m);
}

unsigned VirtualKeyOf(SDL_Scancode sc)
{
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z)
        return 'A' + unsigned(sc - SDL_SCANCODE_A);
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9)
        return '1' + unsigned(sc - SDL_SCANCODE_1);
    if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12)
        return VK_F1 + unsigned(sc - SDL_SCANCODE_F1);
    if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9)
        return VK_NUMPAD0 + 1 + unsigned(sc - SDL_SCANCODE_KP_1);
    switch (sc) {
    case SDL_SCANCODE_0: return '0';
    case SDL_SCANCODE_RETURN: case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
    case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
    case SDL_SCANCODE_BACKSPACE: return VK_BACK;
    case SDL_SCANCODE_TAB: return VK_TAB;
    case SDL_SCANCODE_SPACE: return VK_SPACE;
    case SDL_SCANCODE_MINUS: return VK_OEM_MINUS;
    case SDL_SCANCODE_EQUALS: return VK_OEM_PLUS;
    case SDL_SCANCODE_LEFTBRACKET: return VK_OEM_4;
    case SDL_SCANCODE_RIGHTBRACKET: return VK_OEM_6;
    case SDL_SCANCODE_BACKSLASH: return VK_OEM_5;
    case SDL_SCANCODE_SEMICOLON: return VK_OEM_1;
    case SDL_SCANCODE_APOSTROPHE: return VK_OEM_7;
    case SDL_SCANCODE_GRAVE: return VK_OEM_3;
    case SDL_SCANCODE_COMMA: return VK_OEM_COMMA;
    case SDL_SCANCODE_PERIOD: return VK_OEM_PERIOD;
    case SDL_SCANCODE_SLASH: return VK_OEM_2;
    case SDL_SCANCODE_NONUSBACKSLASH: return VK_OEM_102;
    case SDL_SCANCODE_CAPSLOCK: return VK_CAPITAL;
    case SDL_SCANCODE_PRINTSCREEN: return VK_SNAPSHOT;
    case SDL_SCANCODE_SCROLLLOCK: return VK_SCROLL;
    case SDL_SCANCODE_PAUSE: return VK_PAUSE;
    case SDL_SCANCODE_INSERT: return VK_INSERT;
    case SDL_SCANCODE_HOME: return VK_HOME;
    case SDL_SCANCODE_PAGEUP: return VK_PRIOR;
    case SDL_SCANCODE_DELETE: return VK_DELETE;
    case SDL_SCANCODE_END: return VK_END;
    case SDL_SCANCODE_PAGEDOWN: return VK_NEXT;
    case SDL_SCANCODE_RIGHT: return VK_RIGHT;
    case SDL_SCANCODE_LEFT: return VK_LEFT;
    case SDL_SCANCODE_DOWN: return VK_DOWN;
    case SDL_SCANCODE_UP: return VK_UP;
    case SDL_SCANCODE_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDL_SCANCODE_KP_DIVIDE: return VK_DIVIDE;
    case SDL_SCANCODE_KP_MULTIPLY: return VK_MULTIPLY;
    case SDL_SCANCODE_KP_MINUS: return VK_SUBTRACT;
    case SDL_SCANCODE_KP_PLUS: return VK_ADD;
    case SDL_SCANCODE_KP_0: return VK_NUMPAD0;
    case SDL_SCANCODE_KP_PERIOD: return VK_DECIMAL;
    case SDL_SCANCODE_LCTRL: case SDL_SCANCODE_RCTRL: return VK_CONTROL;
    case SDL_SCANCODE_LSHIFT: case SDL_SCANCODE_RSHIFT: return VK_SHIFT;
    case SDL_SCANCODE_LALT: case SDL_SCANCODE_RALT: return VK_MENU;
    default: return 0;
    }
}

WPARAM MouseKeyState()
{
    WPARAM w = 0;
    std::uint32_t b = g_videoInit ? SDL_GetMouseState(nullptr, nullptr) : 0;
    if (b & SDL_BUTTON(SDL_BUTTON_LEFT)) w |= MK_LBUTTON;
    if (b & SDL_BUTTON(SDL_BUTTON_RIGHT)) w |= MK_RBUTTON;
    if (b & SDL_BUTTON(SDL_BUTTON_MIDDLE)) w |= MK_MBUTTON;
    SDL_Keymod mod = g_videoInit ? SDL_GetModState() : KMOD_NONE;
    if (mod & KMOD_SHIFT) w |= MK_SHIFT;
    if (mod & KMOD_CTRL) w |= MK_CONTROL;
    return w;
}

void TranslateSdlEvent(const SDL_Event& e)
{
    switch (e.type) {
    case SDL_QUIT:
        Post(WM_CLOSE, 0, 0);
        break;
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            Post(WM_ACTIVATE, WA_ACTIVE, 0);
            Post(WM_SETFOCUS, 0, 0);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            Post(WM_ACTIVATE, WA_INACTIVE, 0);
            Post(WM_KILLFOCUS, 0, 0);
            break;
        case SDL_WINDOWEVENT_CLOSE:
            Post(WM_CLOSE, 0, 0);
            break;
        default:
            break;
        }
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        unsigned vk = VirtualKeyOf(e.key.keysym.scancode);
        if (!vk)
            break;
        bool down = e.type == SDL_KEYDOWN;
        bool alt = (e.key.keysym.mod & KMOD_ALT) || vk == VK_MENU;
        // Repeat count 1, scan code, previous state (bit 30), transition (bit 31).
        std::uint32_t lp = 1u | (std::uint32_t(e.key.keysym.scancode & 0xFF) << 16);
        if (!down || e.key.repeat)
            lp |= 1u << 30;
        if (!down)
            lp |= 1u << 31;
        if (alt)
            lp |= 1u << 29;
        unsigned msg = down ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
        Post(msg, vk, LPARAM(lp));
        break;
    }
    case SDL_TEXTINPUT: {
        std::string text = Utf8ToCp1251(e.text.text);
        for (char c : text)
            Post(WM_CHAR, WPARAM(static_cast<unsigned char>(c)), 1);
        break;
    }
    case SDL_MOUSEMOTION:
        Post(WM_MOUSEMOVE, MouseKeyState(), MAKELPARAM(unsigned(e.motion.x), unsigned(e.motion.y)));
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        bool down = e.type == SDL_MOUSEBUTTONDOWN;
        unsigned msg = 0;
        if (e.button.button == SDL_BUTTON_LEFT)
            msg = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        else if (e.button.button == SDL_BUTTON_RIGHT)
            msg = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
        else if (e.button.button == SDL_BUTTON_MIDDLE)
            msg = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
        if (msg)
            Post(msg, MouseKeyState(), MAKELPARAM(unsigned(e.button.x), unsigned(e.button.y)));
        break;
    }
    case SDL_MOUSEWHEEL: {
        int y = e.wheel.y;
        if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
            y = -y;
        if (y == 0)
            break;
        int x = 0, yy = 0;
        SDL_GetMouseState(&x, &yy);
        Post(WM_MOUSEWHEEL, MAKEWPARAM(unsigned(MouseKeyState()), unsigned(y * WHEEL_DELTA)),
             MAKELPARAM(unsigned(x), unsigned(yy)));
        break;
    }
    default:
        break;
    }
}

void PumpSystemEvents()
{
    if (!g_videoInit)
        return;
    SDL_Event e;
    while (SDL_PollEvent(&e))
        TranslateSdlEvent(e);
}
} // namespace

bool PlatformVideoInit()
{
    if (g_videoInit)
        return true;
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "SDL video: %s\n", SDL_GetError());
        return false;
    }
    g_videoInit = true;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // The device draws into a back buffer of its own and copies only its colours to the
    // window: a depth and stencil buffer of the window's would go unused.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    return true;
}

SDL_Window* GetSdlWindow(WindowHandle window)
{
    return window ? window->sdl : nullptr;
}

bool RegisterClass(const char* className, WindowProc proc)
{
    if (!className || !proc)
        return false;
    return g_classes.emplace(className, proc).second;
}

WindowHandle CreateWindow(const char* className, const char* caption, int x, int y, int width, int height)
{
    auto cls = g_classes.find(className ? className : "");
    if (cls == g_classes.end() || !PlatformVideoInit())
        return nullptr;
    std::string title = Cp1251ToUtf8(caption);
    // The null device draws nothing: no GL surface, so it also runs on video drivers without GL.
    std::uint32_t flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN;
    if (GfxSelectedBackend() != GfxBackend::Null)
        flags |= SDL_WINDOW_OPENGL;
    SDL_Window* sdl = SDL_CreateWindow(title.c_str(), x, y, width, height, flags);
    if (!sdl) {
        std::fprintf(stderr, "SDL window: %s\n", SDL_GetError());
        return nullptr;
    }
    WindowHandle w = new PlatformWindow;
    w->sdl = sdl;
    w->proc = cls->second;
    if (!g_main)
        g_main = w;
    for (MSG& m : g_queue)
        if (!m.hwnd)
            m.hwnd = g_main;
    if (g_cursorHidden)
        SDL_ShowCursor(SDL_DISABLE);
    SDL_StartTextInput();
    SDL_RaiseWindow(sdl);
    return w;
}

bool MoveWindow(WindowHandle window, int x, int y, int width, int height, bool)
{
    if (!window || !window->sdl)
        return false;
    SDL_SetWindowSize(window->sdl, width, height);
    SDL_SetWindowPosition(window->sdl, x, y);
    return true;
}

void DestroyWindow(WindowHandle window)
{
    if (!window)
        return;
    if (window->sdl)
        SDL_DestroyWindow(window->sdl);
    if (window == g_main) {
        g_main = nullptr;
        for (MSG& m : g_queue)
            if (m.hwnd == window)
                m.hwnd = nullptr;
    }
    delete window;
}

void GetClientSize(WindowHandle window, int* width, int* height)
{
    int w = 0, h = 0;
    if (window && window->sdl)
        SDL_GetWindowSize(window->sdl, &w, &h);
    if (width)
        *width = w;
    if (height)
        *height = h;
}

WindowHandle GetMainWindow()
{
    return g_main;
}

bool PeekMessage(MSG* msg, WindowHandle, unsigned filterMin, unsigned filterMax, unsigned removeFlags)
{
    TestSwitchesPump();
    PumpSystemEvents();
    NetPoll();
    for (auto it = g_queue.begin(); it != g_queue.end(); ++it) {
        if ((filterMin || filterMax) && (it->message < filterMin || it->message > filterMax))
            continue;
        if (msg)
            *msg = *it;
        if (removeFlags & PM_REMOVE)
            g_queue.erase(it);
        return true;
    }
    PlatformQueueDrained();
    return false;
}

bool TranslateMessage(const MSG* msg)
{
    if (!msg || msg->message != WM_KEYDOWN)
        return false;
    unsigned ch = 0;
    switch (msg->wParam) {
    case VK_RETURN: ch = 13; break;
    case VK_BACK: ch = 8; break;
    case VK_ESCAPE: ch = 27; break;
    case VK_TAB: ch = 9; break;
    default: return false;
    }
    // The character comes straight after its key, ahead of anything queued later.
    Post(WM_CHAR, ch, msg->lParam, true);
    return true;
}

LRESULT DispatchMessage(const MSG* msg)
{
    if (!msg)
        return 0;
    WindowHandle w = msg->hwnd ? msg->hwnd : g_main;
    if (!w || !w->proc)
        return 0;
    return w->proc(w, msg->message, msg->wParam, msg->lParam);
}

LRESULT DefWindowProc(WindowHandle, unsigned message, WPARAM wParam, LPARAM)
{
    // Alt+F4 asks the window to close, as the system menu would.
    if (message == WM_SYSKEYDOWN && wParam == VK_F4)
        Post(WM_CLOSE, 0, 0);
    return 0;
}

bool PostMessage(WindowHandle window, unsigned message, WPARAM wParam, LPARAM lParam)
{
    Post(message, wParam, lParam);
    if (window)
        g_queue.back().hwnd = window;
    return true;
}

void PostQuitMessage(int exitCode)
{
    Post(WM_QUIT, WPARAM(exitCode), 0);
}

void ClearMessageQueue()
{
    g_queue.clear();
}

void PostSocketNotice(int socket, int event, int error)
{
    Post(WM_SOCKET, WPARAM(socket), MAKELPARAM(unsigned(event), unsigned(error)));
}

void SetCursor(void* cursor)
{
    if (cursor)
        return;
    g_cursorHidden = true;
    if (g_videoInit)
        SDL_ShowCursor(SDL_DISABLE);
}

bool SetCursorPos(int x, int y)
{
    if (g_main && g_main->sdl)
        SDL_WarpMouseInWindow(g_main->sdl, x, y);
    Post(WM_MOUSEMOVE, MouseKeyState(), MAKELPARAM(unsigned(x), unsigned(y)));
    return true;
}
