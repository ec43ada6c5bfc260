#include "platform/win/message_box.h"
#include "platform/win/codepage.h"
#include "platform/win/test_switches.h"
#include "platform/win/window_sdl.h"
#include <cstdio>
#include <cstdlib>

int MessageBox(WindowHandle window, const char* text, const char* caption, unsigned type)
{
    std::string t = Cp1251ToUtf8(text ? text : "");
    std::string c = Cp1251ToUtf8(caption ? caption : "");
    std::fprintf(stderr, "[%s] %s\n", c.c_str(), t.c_str());
    const char* x11 = std::getenv("DISPLAY");
    const char* wl = std::getenv("WAYLAND_DISPLAY");
    bool display = (x11 && *x11) || (wl && *wl);
    if (!display || TestSwitchesActive())
        return (type & 0x0F) == MB_YESNO ? IDNO : IDOK;

    unsigned icon = type & 0xF0;
    std::uint32_t flags = icon == MB_ICONERROR     ? SDL_MESSAGEBOX_ERROR
                        : icon == MB_ICONWARNING   ? SDL_MESSAGEBOX_WARNING
                                                   : SDL_MESSAGEBOX_INFORMATION;
    if ((type & 0x0F) == MB_YESNO) {
        const SDL_MessageBoxButtonData buttons[] = {
            {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"},
            {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"},
        };
        SDL_MessageBoxData data{flags, GetSdlWindow(window), c.c_str(), t.c_str(), 2, buttons, nullptr};
        int pressed = IDNO;
        if (SDL_ShowMessageBox(&data, &pressed) != 0)
            return IDNO;
        return pressed;
    }
    SDL_ShowSimpleMessageBox(flags, c.c_str(), t.c_str(), GetSdlWindow(window));
    return IDOK;
}
