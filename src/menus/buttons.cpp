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

uint32_t RealNow()
{
    return (uint32_t)g_GameClock.realTime;
}

void PlayFromStart(CSound* s)
{
    if (!s)
        return;
    s->Stop();
    s->Play(0);
}

uint32_t Opaque(uint32_t rgb)
{
    return 0xFF000000u | (rgb & 0xFFFFFFu);
}

uint32_t Bonus(uint32_t rgb, int bonus, bool keepBlue = true)
{
    const uint32_t r = (((rgb >> 16) & 0xFF) + (uint32_t)bonus) % 256;
    const uint32_t g = (((rgb >> 8) & 0xFF) + (uint32_t)bonus) % 256;
    (void)keepBlue;
    return (r << 16) | (g << 8) | (rgb & 0xFF);
}

} // namespace

int CButton::MouseOverWithSound(int over, CSound* mouseIn)
{
    if (over) {
        if (mouseIn && !hover) {
            hover = 1;
            PlayFromStart(mouseIn);
        }
    } else {
        hover = 0;
    }
    return over;
}

int CButton::PressWithSound(CSound* press)
{
    if (!enabled || !IsMouseOver())
        return 0;
    PlayFromStart(press);
    pressTime = RealNow();
    pressed = 1;
    return 1;
}

int CButton::OnMouseDown()
{
    return PressWithSound(g_ButtonPressSound);
}

int CButton::IsMouseOver()
{
    const int over = g_MouseX > left && g_MouseX < right && g_MouseY > top && g_MouseY < bottom;
    return MouseOverWithSound(over, g_ButtonMouseInSound);
}

int CButton::WasClicked()
{
    if (pressed == 1 && pressTime != 0 && (double)(RealNow() - pressTime) * 0.001 > 0.1) {
        pressed = 0;
        return 1;
    }
    return 0;
}

int CButton::IsPressed()
{
    return pressed;
}

void CButton::SetPressed(int value)
{
    pressed = value;
    pressTime = 0;
}

void CButton::SetEnabled(int value)
{
    enabled = value;
}

int CButton::IsEnabled()
{
    return enabled;
}

void CMenuButton::Create(float x, float y, const char* text, int align, uint32_t text_, uint32_t glow, CFont* f,
                         int en, float sc)
{
    font = f;
    std::snprintf(caption, sizeof(caption), "%s", text ? text : "");
    alignment = align;
    textColour = text_;
    glowColour = glow;
    scale = sc;
    enabled = en;
    hover = pressed = 0;
    pressTime = 0;
    Place(x, y);
}

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

void CMenuButton::SetText(const char* text)
{
    float x = left;
    if (alignment == 1)
        x = right;
    else if (alignment == 2)
        x = left + (font ? font->GetTextWidth(scale, caption) : 0.0f) * 0.5f;
    std::snprintf(caption, sizeof(caption), "%s", text ? text : "");
    Place(x, top);
}

void CMenuButton::SetPosition(float x, float y)
{
    Place(x, y);
}

void CMenuButton::Draw(float sc)
{
    if (!font)
        return;
    const float s = sc == 1.0f ? scale : sc;
    const int over = IsMouseOver();
    const int bonus = enabled && pressed ? 100 : enabled && over ? 50 : 0;
    const uint32_t colour = enabled ? Opaque(Bonus(textColour, bonus)) : 0xFF320064u;
    // The sparkle pass draws the glow discs (its letters transparent), then the caption.
    font->DrawTextSparkle(left, top, caption, Bonus(glowColour, bonus), 0, s);
    font->DrawText(left, top, caption, colour, colour, s);
}

void CPlayerNameButton::Create(float x, float y, const char* name, CFont* f, float sc)
{
    left = x;
    top = y;
    right = x + 140.0f;
    font = f;
    scale = sc;
    bottom = y + (f ? f->GetTextHeight(sc) : 0.0f);
    hover = pressed = enabled = 0;
    pressTime = 0;
    std::snprintf(caption, sizeof(caption), "%s", name ? name : "");
    InitSprite(&unselectedIcon, 512.0f, 448.0f, 187.0f, 32.0f, 32.0f, g_MenuMainAtlas);
    InitSprite(&selectedIcon, 512.0f, 480.0f, 187.0f, 32.0f, 32.0f, g_MenuMainAtlas);
}

void CPlayerNameButton::SetText(char* name, int en)
{
    if (name && font) {
        const int at = font->CharIndexAtX(130.0f, scale, name);
        if (at < (int)std::strlen(name))
            name[at + 1] = 0;
    }
    std::snprintf(caption, sizeof(caption), "%s", name ? name : "");
    enabled = en;
}

void CPlayerNameButton::Draw()
{
    if (!font)
        return;
    uint32_t c = 0x003264;
    if (enabled)
        c = pressed ? 0xFAC8FA : IsMouseOver() ? 0xC864C8 : 0x963296;
    font->DrawText(left + 18.0f, top, caption, 0xFF000000u | c, 0x32000000u | c, scale);
    if (enabled)
        DrawSpriteRect(pressed ? selectedIcon : unselectedIcon, left - 1.0f, top - 4.0f, left + 16.0f, top + 15.0f,
                       0xFFFFFFFFu);
}

const char* CPlayerNameButton::GetText()
{
    return caption;
}

int CMainMenuButton::OnMouseDown()
{
    return PressWithSound(g_MainButtonPressSound);
}

int CMainMenuButton::IsMouseOver()
{
    const int over = std::fabs(idleRing.centreX - g_MouseX * g_ScreenScaleX) < idleRing.halfWidth &&
                     std::fabs(idleRing.centreY - g_MouseY * g_ScreenScaleY) < idleRing.halfHeight;
    return MouseOverWithSound(over, g_MainButtonMouseInSound);
}

void CMainMenuButton::Create(float x, float y, const char* text, CFont* f, int en)
{
    font = f;
    std::snprintf(caption, sizeof(caption), "%s", text ? text : "");
    hover = pressed = 0;
    pressTime = 0;
    left = x;
    top = y;
    right = x + (f ? f->GetTextWidth(1.0f, caption) : 0.0f);
    bottom = y + (f ? f->GetTextHeight(1.0f) : 0.0f);
    enabled = en;
}

void CMainMenuButton::Draw(int active)
{
    const unsigned t = (unsigned)top;
    const float a = (float)timeGetTime() * (1.0f + (float)(t % 501) / 500.0f) / 1200.0f;
    if (active && IsMouseOver()) {
        DrawRotatingSprite(&hoverRing, a, 0xFFFFFFFFu, 0, pressed);
        if (font) {
            const uint32_t c = pressed ? 0xFF96C8FAu : !enabled ? 0xFF003264u : 0xFF3296FAu;
            font->DrawTextSparkle(left, top, caption, 0x3296FAu, 0, 1.0f);
            font->DrawText(left, top, caption, c, c, 1.0f);
        }
    } else {
        DrawRotatingSprite(&idleRing, a, 0xFFFFFFFFu, 0, pressed);
    }
}

void DrawSpriteRect(const ScreenSprite& sprite, float x1, float y1, float x2, float y2, uint32_t colour)
{
    if (sprite.texture < 0)
        return;
    ScreenVertex v[4];
    std::memcpy(v, sprite.vertices, sizeof(v));
    const float sx = g_ScreenScaleX, sy = g_ScreenScaleY;
    v[0].x = x1 * sx, v[0].y = y1 * sy;
    v[1].x = x1 * sx, v[1].y = y2 * sy;
    v[2].x = x2 * sx, v[2].y = y1 * sy;
    v[3].x = x2 * sx, v[3].y = y2 * sy;
    for (auto& p : v) {
        p.z = 0.0f;
        p.rhw = 1.0f;
        p.diffuse = colour;
    }
    static const uint16_t kIndices[6] = {0, 1, 2, 2, 1, 3};
    DrawScreenIndexedQuads(v, 1, kIndices, sprite.texture);
}
