#include "menus/buttons.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/wndproc.h"
#include "audio/sound.h"
#include "menus/game_menu.h"
#include "platform/win/timer.h"
#include "render/d3d_render.h"
#include "render/font.h"
#include "world/game_clock.h"

CSound* g_ButtonMouseInSound = nullptr;
CSound* g_ButtonPressSound = nullptr;
CSound* g_MainButtonMouseInSound = nullptr;
CSound* g_MainButtonPressSound = nullptr;

namespace {

unsigned Argb(unsigned alpha, unsigned r, unsigned g, unsigned b)
{
    return (alpha & 255u) << 24 | (r & 255u) << 16 | (g & 255u) << 8 | (b & 255u);
}

void PlaySound(CSound* sound)
{
    if (!sound)
        return;
    sound->Stop();
    sound->Play(0);
}

} // namespace

std::uint32_t ButtonClockMs()
{
    return std::uint32_t(g_GameClock.realTime);
}

// ---- CButton -----------------------------------------------------------------

int CButton::MouseDownWith(CSound* press)
{
    if (!enabled || !IsMouseOver())
        return 0;
    PlaySound(press);
    pressTime = ButtonClockMs();
    // A press stamped 0 would read as a selection mark and never be reported.
    if (pressTime == 0)
        pressTime = 1;
    pressed = 1;
    return 1;
}

int CButton::HoverWith(int over, CSound* mouseIn)
{
    if (over) {
        if (mouseIn && !hover) {
            hover = 1;
            PlaySound(mouseIn);
        }
    } else {
        hover = 0;
    }
    return over;
}

int CButton::OnMouseDown()
{
    return MouseDownWith(g_ButtonPressSound);
}

int CButton::IsMouseOver()
{
    const int over = g_MouseX > left && g_MouseX < right && g_MouseY > top && g_MouseY < bottom;
    return HoverWith(over, g_ButtonMouseInSound);
}

int CButton::WasClicked()
{
    if (pressed && pressTime != 0 && float(ButtonClockMs() - pressTime) * 0.001f > 0.1f) {
        pressed = 0;
        return 1;
    }
    return 0;
}

void CButton::SetPressed(int value)
{
    pressed = value;
    pressTime = 0;
}

// ---- CMenuButton -------------------------------------------------------------

void CMenuButton::Place(float x, float y)
{
    const float w = font ? font->GetTextWidth(scale, caption) : 0.0f;
    switch (alignment) {
    case 0: left = x, right = x + w; break;
    case 1: left = x - w, right = x; break;
    case 2: left = x - w * 0.5f, right = x + w * 0.5f; break;
    default: break;
    }
    top = y;
    bottom = y + (font ? font->GetTextHeight(scale) : 0.0f);
}

void CMenuButton::Create(float x, float y, const char* text, int align, std::uint32_t text_, std::uint32_t glow,
                         CFont* f, int enable, float textScale)
{
    font = f;
    std::snprintf(caption, sizeof(caption), "%s", text ? text : "");
    alignment = align;
    textColour = text_;
    glowColour = glow;
    scale = textScale;
    enabled = enable;
    hover = pressed = 0;
    pressTime = 0;
    Place(x, y);
}

void CMenuButton::SetText(const char* text)
{
    float anchor = left;
    if (alignment == 1)
        anchor = right;
    else if (alignment == 2)
        anchor = left + (right - left) * 0.5f;
    std::snprintf(caption, sizeof(caption), "%s", text ? text : "");
    Place(anchor, top);
}

void CMenuButton::SetPosition(float x, float y)
{
    Place(x, y);
}

void CMenuButton::Draw(float drawScale)
{
    if (!font)
        return;
    const float s = drawScale == 1.0f ? scale : drawScale;
    unsigned bonus = 0;
    if (enabled && pressed)
        bonus = 100;
    else if (enabled && IsMouseOver())
        bonus = 50;
    unsigned text;
    if (!enabled)
        text = Argb(255, 50, 0, 100);
    else
        text = Argb(255, ((textColour >> 16) + bonus) % 256, (((textColour >> 8) & 255) + bonus) % 256, textColour & 255);
    const unsigned glow = Argb(0, ((glowColour >> 16) + bonus) % 256, (((glowColour >> 8) & 255) + bonus) % 256,
                               glowColour & 255);
    DrawMenuText(font, left, top, caption, text, glow, s);
}

// ---- CPlayerNameButton -------------------------------------------------------

void CPlayerNameButton::Create(float x, float y, const char* name, CFont* f, float textScale)
{
    font = f;
    scale = textScale;
    std::snprintf(caption, sizeof(caption), "%s", name ? name : "");
    left = x;
    top = y;
    right = x + 140.0f;
    bottom = y + (f ? f->GetTextHeight(textScale) : 0.0f);
    hover = pressed = enabled = 0;
    pressTime = 0;
    InitSprite(&unselectedIcon, 512.0f, 448.0f, 187.0f, 32.0f, 32.0f, g_MenuResources.mainAtlas);
    InitSprite(&selectedIcon, 512.0f, 480.0f, 187.0f, 32.0f, 32.0f, g_MenuResources.mainAtlas);
}

void CPlayerNameButton::SetText(char* name, int enable)
{
    if (name && font) {
        const int index = font->CharIndexAtX(130.0f, scale, name);
        if (index < int(std::strlen(name)))
            name[index + 1] = 0;
    }
    std::snprintf(caption, sizeof(caption), "%s", name ? name : "");
    enabled = enable;
}

void CPlayerNameButton::Draw()
{
    if (!font)
        return;
    unsigned r = 150, g = 50, b = 150;
    if (!enabled)
        r = 0, g = 50, b = 100;
    else if (pressed)
        r = 250, g = 200, b = 250;
    else if (IsMouseOver())
        r = 200, g = 100, b = 200;
    font->DrawText(left + 18.0f, top, caption, Argb(255, r, g, b), Argb(50, r, g, b), scale);
    if (enabled)
        DrawSpriteRect(pressed ? &selectedIcon : &unselectedIcon, left - 1.0f, top - 4.0f, left + 16.0f, top + 15.0f,
                       0xFFFFFFFFu);
}

// ---- CMainMenuButton ---------------------------------------------------------

int CMainMenuButton::OnMouseDown()
{
    return MouseDownWith(g_MainButtonPressSound);
}

int CMainMenuButton::IsMouseOver()
{
    const int over = std::fabs(idleRing.centreX - g_MouseX * g_ScreenScaleX) < idleRing.halfWidth &&
                     std::fabs(idleRing.centreY - g_MouseY * g_ScreenScaleY) < idleRing.halfHeight;
    return HoverWith(over, g_MainButtonMouseInSound);
}

void CMainMenuButton::Create(float x, float y, const char* text, CFont* f, int enable)
{
    font = f;
    std::snprintf(caption, sizeof(caption), "%s", text ? text : "");
    hover = pressed = 0;
    pressTime = 0;
    left = x;
    top = y;
    right = x + (f ? f->GetTextWidth(1.0f, caption) : 0.0f);
    bottom = y + (f ? f->GetTextHeight(1.0f) : 0.0f);
    enabled = enable;
}

float CMainMenuButton::SpinAngle(std::uint32_t nowMs) const
{
    const std::uint32_t t = top > 0.0f ? std::uint32_t(top) : 0u;
    // Reduced to one turn in double: as a float the angle of days of uptime moves in steps.
    const double a = double(nowMs) * (1.0 + double(t % 501) / 500.0) / 1200.0;
    return float(std::fmod(a, 6.283185307179586));
}

void CMainMenuButton::Draw(int active)
{
    const float a = SpinAngle(timeGetTime());
    // The first flag lights the ring fully, the second adds the glow behind it.
    auto ring = [a](const ScreenSprite* sprite, int lit, int glow) {
        DrawRotatingSprite(sprite, a, lit ? 0xFFFFFFFFu : 0xD0FFFFFFu, 0x8032A0FAu, glow);
    };
    if (active && IsMouseOver()) {
        ring(&hoverRing, 1, pressed);
        unsigned text = Argb(255, 50, 150, 250);
        if (pressed)
            text = Argb(255, 150, 200, 250);
        else if (!enabled)
            text = Argb(255, 0, 50, 100);
        if (font)
            DrawMenuText(font, left, top, caption, text, Argb(0, 50, 150, 250), 1.0f);
    } else {
        ring(&idleRing, pressed, 0);
    }
}
