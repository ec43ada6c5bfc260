#include "menus/buttons.h"

#include <cstdio>

#include "app/wndproc.h"
#include "files/language.h"
#include "render/font.h"
#include "world/game_clock.h"

std::uint32_t ButtonClockMs() { return std::uint32_t(g_GameClock.realTime); }

int CButton::OnMouseDown()
{
    if (!enabled || !IsMouseOver())
        return 0;
    pressTime = ButtonClockMs();
    pressed = 1;
    return 1;
}

int CButton::IsMouseOver()
{
    hover = g_MouseX > left && g_MouseX < right && g_MouseY > top && g_MouseY < bottom;
    return hover;
}

int CButton::WasClicked()
{
    if (pressed && pressTime != 0 && double(ButtonClockMs() - pressTime) * 0.001 > 0.1) {
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

void CMenuButton::Create(float x, float y, const char* text, int align, std::uint32_t text_, std::uint32_t glow,
                         CFont* f, int enable, float textScale)
{
    font = f;
    std::snprintf(caption, sizeof caption, "%s", text ? text : "");
    alignment = align;
    textColour = text_;
    glowColour = glow;
    scale = textScale;
    enabled = enable;
    hover = pressed = 0;
    pressTime = 0;
    Place(x, y);
}

void CMenuButton::Place(float x, float y)
{
    const float w = font ? font->GetTextWidth(scale, TranslateText(caption)) : 0.0f;
    if (alignment == 0)
        left = x, right = x + w;
    else if (alignment == 1)
        left = x - w, right = x;
    else if (alignment == 2)
        left = x - w * 0.5f, right = x + w * 0.5f;
    top = y;
    bottom = y + (font ? font->GetTextHeight(scale) : 0.0f);
}

void CMenuButton::SetText(const char* text)
{
    float x = left;
    if (alignment == 1)
        x = right;
    else if (alignment == 2)
        x = (left + right) * 0.5f;
    std::snprintf(caption, sizeof caption, "%s", text ? text : "");
    Place(x, top);
}

void CMenuButton::SetPosition(float x, float y) { Place(x, y); }

void CMenuButton::Draw(float drawScale)
{
    if (!font)
        return;
    const int bonus = enabled && pressed ? 100 : enabled && IsMouseOver() ? 50 : 0;
    const std::uint32_t r = ((textColour >> 16 & 255) + bonus) & 255, g = ((textColour >> 8 & 255) + bonus) & 255;
    const std::uint32_t colour = enabled ? 0xFF000000u | r << 16 | g << 8 | (textColour & 255) : 0xFF320064u;
    font->DrawTextSparkle(left, top, TranslateText(caption), colour, 0, drawScale == 1.0f ? scale : drawScale);
}
