#include "menus/station/management_buttons.h"

#include "app/settings.h"
#include "world/objects/unit.h"
#include "app/wndproc.h"
#include "files/language.h"
#include "platform/crt/rand.h"
#include "render/draw2d.h"
#include "render/font.h"
#include "world/game_clock.h"

namespace {

unsigned Argb(int a, int r, int g, int b)
{
    auto c = [](int v) { return unsigned(v < 0 ? 0 : (v > 255 ? 255 : v)); };
    return (c(a) << 24) | (c(r) << 16) | (c(g) << 8) | c(b);
}

int Flicker() { return rand() % 56; }

}  // namespace

void CManagementMenuButton::Create(float bx, float by, float w, float h, const char* text, CFont* f)
{
    x = bx, y = by, width = w, height = h;
    font = f;
    CopyTextCut(caption, sizeof(caption), TranslateText(text ? text : ""));
    pressed = 0;
    pressTime = 0;
}

int CManagementMenuButton::IsMouseOver()
{
    return g_MouseX > x && g_MouseX < x + width && g_MouseY > y && g_MouseY < y + height;
}

int CManagementMenuButton::Brightness() { return IsMouseOver() ? 200 : 150; }

int CManagementMenuButton::OnMouseDown()
{
    if (!IsMouseOver() || pressed) return 0;
    pressTime = g_GameClock.NowMs();
    pressed = 1;
    return 1;
}

int CManagementMenuButton::WasClicked()
{
    if (!pressed || g_GameClock.SecondsSince(pressTime) <= 0.1f) return 0;
    pressed = 0;
    return 1;
}

void CManagementMenuButton::Draw() { DrawPanelAndCaption(false); }

void CManagementSystemButton::Draw() { DrawPanelAndCaption(true); }

void CManagementMenuButton::DrawPanelAndCaption(bool centred)
{
    const int b = Brightness();
    float bx = x, by = y, w = width, h = height;
    if (pressed) bx += 2, by += 2, w -= 4, h -= 4;
    const unsigned panel = Argb(200 + Flicker(), 0, 50, 0);
    DrawScreenBevelPanel(panel, panel, bx, by, bx + w, by + h, panel, panel);
    const unsigned frame = Argb(b + Flicker(), 0, b, 0);
    DrawScreenBevelFrame(frame, frame, bx, by, bx + w, by + h, frame, frame, 5);
    if (!font) return;
    const unsigned text = Argb(b + Flicker(), 0, b, 0);
    const float tx = centred ? bx + w / 2.0f - font->GetTextWidth(1.0f, caption) / 2.0f : bx + 40.0f;
    font->DrawText(tx, by + h / 2.0f - font->GetTextHeight(1.0f) / 2.0f, caption, text, text, 1.0f);
}

void CUpgradeSystemButton::Draw()
{
    const float ty = font ? y + 1.0f + height / 2.0f - font->GetTextHeight(1.0f) / 2.0f : y;
    if (pressed) {
        const unsigned panel = Argb(255, 0, 50, 0);
        DrawScreenBevelPanel(panel, panel, x, y, x + width, y + height, panel, panel);
        const unsigned frame = Argb(200 + Flicker(), 0, 200, 0);
        DrawScreenBevelFrame(frame, frame, x, y, x + width, y + height, frame, frame, 5);
        if (!font) return;
        const unsigned text = Argb(200 + Flicker(), 0, 255, 0);
        font->DrawText(x + 5.0f, ty, caption, text, text, 0.9f);
        const unsigned value = Argb(200 + Flicker(), 100, 150, 0);
        font->DrawText(x + 255.0f, ty, valueText, value, value, 0.9f);
        return;
    }
    const int b = Brightness();
    const unsigned panel = Argb(150 + Flicker(), 0, 50, 0);
    DrawScreenBevelPanel(panel, panel, x, y, x + width, y + height, panel, panel);
    const unsigned frame = Argb(150 + Flicker(), 0, 150, 0);
    DrawScreenBevelFrame(frame, frame, x, y, x + width, y + height, frame, frame, 5);
    if (!font) return;
    const unsigned text = Argb(b + Flicker(), 0, b, 0);
    font->DrawText(x + 5.0f, ty, caption, text, text, 0.9f);
    const unsigned value = Argb(200 + Flicker(), 50, 100, 0);
    font->DrawText(x + 255.0f, ty, valueText, value, value, 0.9f);
}

int CUpgradeSystemButton::OnMouseDown()
{
    if (!IsMouseOver()) return 0;
    pressed = 1;
    return 1;
}

int CUpgradeSystemButton::WasClicked() { return pressed; }

int CWeaponInfoButton::OnMouseDown()
{
    if (!IsMouseOver()) return 0;
    pressed = 1;
    return 1;
}

int CWeaponInfoButton::WasClicked() { return pressed; }

int CObjectDataButton::OnMouseDown()
{
    if (!object || !IsMouseOver()) return 0;
    pressed = 1;
    return 1;
}
