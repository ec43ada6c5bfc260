#include "menus/settings_page.h"

#include <cmath>
#include <cstdio>

#include "app/settings.h"
#include "app/winmain.h"
#include "app/wndproc.h"
#include "audio/audio_manager.h"
#include "menus/buttons.h"
#include "menus/campaign_page.h"
#include "menus/game_menu.h"
#include "render/d3d_render.h"
#include "render/draw2d.h"
#include "render/font.h"

int g_SettingsSection = -1;
CMenuButton g_SettingsChoiceButtons[3];
CMenuButton g_VideoModeButtons[kVideoListRows];
CMenuButton g_VideoScrollUpButton;
CMenuButton g_VideoScrollDownButton;
CMenuButton g_VideoMarkButtons[10];
CMenuButton g_DetailButtons[3];
CMenuButton g_ApplyButton;
CMenuButton g_VolumeButtons[6];
CMenuButton g_KeyCaptionButtons[kKeyRows];
CMenuButton g_SensitivityButtons[2];
CMenuButton g_InvertMouseButton;

int g_VideoVisible = 0;
int g_VideoScroll = 0;
int g_VideoChosen = 0;
float g_VideoSlider = 0.0f;

namespace {

constexpr uint32_t Rgb(int r, int g, int b) { return (uint32_t)(r << 16 | g << 8 | b); }
constexpr uint32_t Argb(int a, int r, int g, int b) { return (uint32_t)a << 24 | Rgb(r, g, b); }

const uint32_t kLabel = Argb(255, 200, 150, 150);
const uint32_t kTitle = Argb(255, 200, 200, 250);
const uint32_t kDarkBox = Argb(100, 0, 0, 0);
const uint32_t kHighlight = Argb(100, 0, 0, 100);
constexpr float kMouseLabelScale = 0.75f;

const char* const kKeyDescriptions[kKeyRows] = {
    "Увеличение/уменьшение тяги двигателя",
    "Повороты корабля",
    "Инверсия вращения вокруг оси X",
    "Выбрать ближайший дружественный объект",
    "Выбрать ближайший вражеский объект",
    "Выбрать объект прямо по курсу",
    "Перебор объектов",
    "Связь с выбранным объектом",
    "Выравнять скорость с выбранным объектом",
    "Активация бортового вооружения",
    "Выстрел из активных лазерных установок",
    "Выстрел из активных ракетных установок",
    "Активация противоракетной системы",
    "Режим свободного взгляда из кабины",
    "Изменить дальность действия радара",
    "Связь с базой",
    "Активация компьютера управления",
};
const char* const kKeyCaptions[kKeyRows] = {
    "W/S", "A,D,мышь,курсорные клавиши", "Ctrl+Shift+I", "F", "E", "Q", "T", "C", "X", "Ctrl+1..9",
    "Левая кнопка мыши", "Пробел", "M", "Правая кнопка мыши", "R", "F2", "F3",
};

int ModeCount()
{
    return g_D3DRender.modeCount > 0 ? g_D3DRender.modeCount : 0;
}

int* VolumeSetting(int row)
{
    return row == 0 ? &g_Settings.musicVolume : row == 1 ? &g_Settings.effectsVolume : &g_Settings.voicesVolume;
}

void SelectDetail(int j)
{
    for (int i = 0; i < 3; ++i)
        g_DetailButtons[i].SetPressed(i == j ? 1 : 0);
}

int SelectedDetail()
{
    for (int i = 0; i < 3; ++i)
        if (g_DetailButtons[i].IsPressed())
            return i;
    return g_Settings.details;
}

void UpdateApplyEnabled()
{
    g_ApplyButton.SetEnabled(g_VideoChosen != g_Settings.videoMode || SelectedDetail() != g_Settings.details ? 1
                                                                                                             : 0);
}

void Centred(CFont& font, const char* text, float y, float scale, uint32_t colour)
{
    DrawMenuTextCentred(&font, 500.0f, y, text, colour, colour, scale);
}

void Glow(float x, float y)
{
    DrawScreenDisc16(Argb(150, 50, 0, 100), Argb(0, 50, 0, 100), x, y, 20.0f, 3.0f, 1.0f);
}

void Apply()
{
    const int detail = SelectedDetail();
    if (g_VideoChosen != g_Settings.videoMode && g_VideoChosen >= 0 && g_VideoChosen < ModeCount()) {
        // The chosen mode counts even when the list is scrolled away from it.
        DebugOutF("Settings: video mode %d, the game restarts", g_VideoChosen);
        g_Settings.videoMode = g_VideoChosen;
        g_Settings.details = detail;
        g_MenuDialogAnswer = 1;
        g_RestartRequested = 1;
        CGameMenu::SetPage(MENU_PAGE_EXIT);
    } else {
        g_Settings.details = detail;
    }
    g_ApplyButton.SetEnabled(0);
}

void UpdateVideo()
{
    const int modes = ModeCount();
    for (int i = 0; i < g_VideoVisible; ++i)
        if (g_VideoModeButtons[i].WasClicked()) {
            for (int j = 0; j < g_VideoVisible; ++j)
                g_VideoModeButtons[j].SetPressed(j == i ? 1 : 0);
            g_VideoChosen = g_VideoScroll + i;
            UpdateApplyEnabled();
        }
    if (g_VideoScrollUpButton.WasClicked() && g_VideoScroll > 0) {
        --g_VideoScroll;
        CGameMenu::ScrollVideoModeList(-1);
    }
    if (g_VideoScrollDownButton.WasClicked() && g_VideoScroll < modes - g_VideoVisible) {
        ++g_VideoScroll;
        CGameMenu::ScrollVideoModeList(-1);
    }
    for (int k = 0; k < 10; ++k)
        if (g_VideoMarkButtons[k].WasClicked())
            CGameMenu::ScrollVideoModeList(k);
    if (g_MouseWheelDelta != 0.0f && g_MouseX > 540.0f && g_MouseX < 680.0f && g_MouseY > 245.0f &&
        g_MouseY < 385.0f) {
        g_VideoScroll += g_MouseWheelDelta < 0.0f ? 1 : -1;
        CGameMenu::ScrollVideoModeList(-1);
    }
    g_MouseWheelDelta = 0.0f;
    for (int j = 0; j < 3; ++j)
        if (g_DetailButtons[j].WasClicked()) {
            SelectDetail(j);
            UpdateApplyEnabled();
        }
    if (g_ApplyButton.WasClicked())
        Apply();
}

void UpdateSound()
{
    for (int row = 0; row < 3; ++row) {
        int* v = VolumeSetting(row);
        bool changed = false;
        if (g_VolumeButtons[2 * row].WasClicked() && *v >= 5) {
            *v -= 5;
            changed = true;
        }
        if (g_VolumeButtons[2 * row + 1].WasClicked() && *v <= 95) {
            *v += 5;
            changed = true;
        }
        if (!changed)
            continue;
        if (row == 0)
            g_AudioManager.musicPlayer.SetVolume(100.0f);
        else if (row == 1)
            g_AudioManager.ApplyVolumes();
    }
}

void UpdateControls()
{
    if (g_SensitivityButtons[0].WasClicked() && g_Settings.sensitivityMouse >= 10)
        g_Settings.sensitivityMouse -= 10;
    if (g_SensitivityButtons[1].WasClicked() && g_Settings.sensitivityMouse <= 90)
        g_Settings.sensitivityMouse += 10;
    if (g_InvertMouseButton.WasClicked()) {
        g_Settings.invertMouse = g_Settings.invertMouse ? 0 : 1;
        g_InvertMouseButton.SetText(g_Settings.invertMouse ? "Да" : "Нет");
    }
}

void DrawBar(float x1, float y1, float x2, float y2, int segments, float first, float step, float width, float top,
             float bottom, int blueStep)
{
    DrawScreenQuadColour(Argb(200, 0, 0, 0), x1, y1, x2, y2, nullptr);
    for (int s = 0; s < segments; ++s) {
        const float x = first + step * (float)s;
        const int blue = 120 + blueStep * s;
        DrawScreenQuadColour(Argb(150, 50, 50, blue > 255 ? 255 : blue), x, top, x + width, bottom, nullptr);
    }
}

void DrawVideo()
{
    Glow(500.0f, 210.0f);
    Centred(g_MenuFont, "Видео", 200.0f, 1.0f, kLabel);
    DrawScreenQuadColour(kDarkBox, 290.0f, 240.0f, 710.0f, 390.0f, nullptr);
    DrawScreenQuadColour(kDarkBox, 290.0f, 400.0f, 710.0f, 470.0f, nullptr);
    DrawMenuText(&g_MenuFont, 330.0f, 305.0f, "Разрешение:", kLabel, kLabel, 1.0f);
    Centred(g_MenuFont, "Детализация:", 410.0f, 1.0f, kLabel);
    DrawScreenQuadColour(kDarkBox, 540.0f, 245.0f, 680.0f, 385.0f, nullptr);

    // The name field of the pilot atlas, turned upright, is the slider's track.
    ScreenSprite slider = g_MenuResources.nameField;
    SetSpriteRect(&slider, 670.0f - 120.0f, 314.0f - 16.0f, 240.0f, 32.0f);
    if (slider.texture >= 0)
        DrawRotatingSprite(&slider, 3.14159265f * 0.5f, 0xFFFFFFFFu, 0, 0);
    DrawScreenDisc16(Argb(255, 200, 100, 200), Argb(0, 200, 100, 200), 670.5f, 270.0f + 9.6f * g_VideoSlider, 5.0f,
                     1.0f, 1.0f);
    g_VideoScrollUpButton.Draw(1.0f);
    g_VideoScrollDownButton.Draw(1.0f);
    for (auto& m : g_VideoMarkButtons)
        m.Draw(1.0f);
    for (int i = 0; i < g_VideoVisible; ++i) {
        if (g_VideoModeButtons[i].IsPressed())
            DrawScreenQuadColour(kHighlight, 560.0f, 250.0f + 17.0f * (float)i, 660.0f, 270.0f + 17.0f * (float)i,
                                 nullptr);
        g_VideoModeButtons[i].Draw(1.0f);
    }
    const int j = SelectedDetail();
    DrawScreenQuadColour(kHighlight, 325.0f + 120.0f * (float)j, 435.0f, 435.0f + 120.0f * (float)j, 463.0f, nullptr);
    for (auto& d : g_DetailButtons)
        d.Draw(1.0f);
    g_ApplyButton.Draw(1.0f);
}

void DrawSound()
{
    Centred(g_MenuFont, "Звук", 200.0f, 1.0f, kLabel);
    const char* const labels[3] = {"Громкость музыки", "Громкость эффектов", "Громкость голоса"};
    for (int row = 0; row < 3; ++row) {
        const float top = 250.0f + 70.0f * (float)row;
        DrawScreenQuadColour(kDarkBox, 290.0f, top, 710.0f, top + 55.0f, nullptr);
        Centred(g_MenuFont, labels[row], top + 5.0f, 1.0f, kLabel);
        const float y = 280.0f + 70.0f * (float)row;
        DrawBar(370.0f, y, 630.0f, y + 20.0f, *VolumeSetting(row) / 5, 375.0f, 12.5f, 10.0f, y + 4.0f, y + 16.0f, 6);
    }
    for (auto& b : g_VolumeButtons)
        b.Draw(1.0f);
}

void DrawControls()
{
    Centred(g_MenuFont, "Управление", 190.0f, 1.0f, kLabel);
    const uint32_t text = Argb(255, 100, 100, 250);
    for (int i = 0; i < kKeyRows; ++i) {
        const float y = 214.0f + 15.0f * (float)i;
        DrawScreenQuadColour(kDarkBox, 280.0f, y, 720.0f, y + 13.0f, nullptr);
        g_KeyCaptionButtons[i].Draw(1.0f);
        g_MenuSmallFont.DrawText(290.0f, y, kKeyDescriptions[i], text, text, 0.7f);
    }
    DrawScreenQuadColour(kDarkBox, 280.0f, 470.0f, 620.0f, 510.0f, nullptr);
    // Both labels a little smaller than their buttons so that the longer one ends before "<<".
    DrawMenuText(&g_MenuSmallFont, 285.0f, 472.0f, "Чувствительность мыши:", kLabel, kLabel, kMouseLabelScale);
    DrawMenuText(&g_MenuSmallFont, 285.0f, 491.0f, "Инверсия мыши:", kLabel, kLabel, kMouseLabelScale);
    DrawBar(480.0f, 472.0f, 590.0f, 488.0f, g_Settings.sensitivityMouse / 10, 483.0f, 10.5f, 7.0f, 474.0f, 485.0f,
            12);
    for (auto& b : g_SensitivityButtons)
        b.Draw(1.0f);
    g_InvertMouseButton.Draw(1.0f);
}

} // namespace

void CGameMenu::ScrollVideoModeList(int mark)
{
    const int modes = ModeCount();
    g_VideoVisible = modes < 8 ? modes : kVideoListRows;
    const int span = modes - g_VideoVisible;
    if (mark >= 0 && mark <= 9)
        g_VideoScroll = (int)((float)span * (float)mark / 9.0f);
    if (g_VideoScroll > span)
        g_VideoScroll = span;
    if (g_VideoScroll < 0)
        g_VideoScroll = 0;
    for (int i = 0; i < g_VideoVisible; ++i) {
        const D3DDISPLAYMODE& m = g_D3DRender.modes[g_VideoScroll + i];
        char caption[32];
        std::snprintf(caption, sizeof(caption), "%uX%u", m.Width, m.Height);
        g_VideoModeButtons[i].SetText(caption);
        g_VideoModeButtons[i].SetPressed(g_VideoScroll + i == g_VideoChosen ? 1 : 0);
    }
    for (int i = g_VideoVisible; i < kVideoListRows; ++i)
        g_VideoModeButtons[i].SetPressed(0);
    // With every mode in view the slider stays at the top.
    g_VideoSlider = span > 0 ? (float)g_VideoScroll / (float)span * 9.75f : 0.0f;
}

void CGameMenu::CreateSettingsPage()
{
    CFont* f = &g_MenuFont;
    const uint32_t choice = Rgb(200, 150, 150), list = Rgb(200, 100, 200), arrow = Rgb(150, 150, 250);
    const char* const sections[3] = {"Видео", "Звук", "Управление"};
    for (int i = 0; i < 3; ++i)
        g_SettingsChoiceButtons[i].Create(500.0f, 300.0f + 30.0f * (float)i, sections[i], 2, choice, choice, f, 1,
                                          1.0f);
    for (int i = 0; i < kVideoListRows; ++i)
        g_VideoModeButtons[i].Create(610.0f, 255.0f + 17.0f * (float)i, "--------", 2, list, list, f, 1, 0.7f);
    g_VideoScrollUpButton.Create(670.5f, 253.0f, "Л", 2, list, list, f, 1, 0.8f);
    g_VideoScrollDownButton.Create(670.5f, 363.0f, "V", 2, list, list, f, 1, 0.8f);
    for (int i = 0; i < 10; ++i)
        g_VideoMarkButtons[i].Create(670.5f, 266.5f + 9.6f * (float)i, "I", 2, Rgb(0, 100, 200), Rgb(0, 100, 200), f,
                                     1, 0.5f);
    const char* const details[3] = {"Низко", "Средне", "Высоко"};
    for (int i = 0; i < 3; ++i)
        g_DetailButtons[i].Create(380.0f + 120.0f * (float)i, 440.0f, details[i], 2, list, list, f, 1, 1.0f);
    g_ApplyButton.Create(290.0f, 490.0f, "Применить", 0, Rgb(150, 150, 250), Rgb(150, 150, 250), f, 0, 1.0f);
    for (int row = 0; row < 3; ++row) {
        const float y = 280.0f + 70.0f * (float)row;
        g_VolumeButtons[2 * row].Create(350.0f, y, "<<<", 2, arrow, arrow, f, 1, 1.0f);
        g_VolumeButtons[2 * row + 1].Create(650.0f, y, ">>>", 2, arrow, arrow, f, 1, 1.0f);
    }
    for (int i = 0; i < kKeyRows; ++i)
        g_KeyCaptionButtons[i].Create(710.0f, 214.0f + 15.0f * (float)i, kKeyCaptions[i], 1, list, list,
                                      &g_MenuSmallFont, 1, 0.7f);
    g_SensitivityButtons[0].Create(465.0f, 472.0f, "<<", 2, arrow, arrow, &g_MenuSmallFont, 1, 0.9f);
    g_SensitivityButtons[1].Create(605.0f, 472.0f, ">>", 2, arrow, arrow, &g_MenuSmallFont, 1, 0.9f);
    g_InvertMouseButton.Create(535.0f, 491.0f, g_Settings.invertMouse ? "Да" : "Нет", 2, arrow, arrow,
                               &g_MenuSmallFont, 1, 0.9f);
    SelectDetail(g_Settings.details);
    g_SettingsSection = -1;
    g_VideoChosen = g_Settings.videoMode;
    g_VideoScroll = g_VideoChosen - 2 > 0 ? g_VideoChosen - 2 : 0;
    CGameMenu::ScrollVideoModeList(-1);
}

void CGameMenu::OpenSettingsPage()
{
    g_SettingsSection = -1;
    CGameMenu::SetPage(MENU_PAGE_SETTINGS);
}

void CGameMenu::UpdateSettingsPage()
{
    switch (g_SettingsSection) {
    case -1:
        for (int i = 0; i < 3; ++i)
            if (g_SettingsChoiceButtons[i].WasClicked()) {
                g_SettingsSection = i;
                if (i == 0)
                    g_ApplyButton.SetEnabled(0);
            }
        if (g_MenuBackButton.WasClicked()) {
            SaveSettings();
            CGameMenu::SetPage(MENU_PAGE_MAIN);
        }
        return;
    case 0: UpdateVideo(); break;
    case 1: UpdateSound(); break;
    case 2: UpdateControls(); break;
    default: g_SettingsSection = -1; return;
    }
    if (g_MenuPage == MENU_PAGE_SETTINGS && g_MenuBackButton.WasClicked())
        g_SettingsSection = -1;
}

int CGameMenu::OnClickSettingsPage()
{
    auto any = [](CMenuButton* b, int n) {
        for (int i = 0; i < n; ++i)
            if (b[i].OnMouseDown())
                return true;
        return false;
    };
    bool taken = false;
    switch (g_SettingsSection) {
    case -1: taken = any(g_SettingsChoiceButtons, 3); break;
    case 0:
        taken = any(g_VideoModeButtons, g_VideoVisible) || g_VideoScrollUpButton.OnMouseDown() ||
                g_VideoScrollDownButton.OnMouseDown() || any(g_VideoMarkButtons, 10) || any(g_DetailButtons, 3) ||
                g_ApplyButton.OnMouseDown();
        break;
    case 1: taken = any(g_VolumeButtons, 6); break;
    case 2: taken = any(g_SensitivityButtons, 2) || g_InvertMouseButton.OnMouseDown(); break;
    default: break;
    }
    return taken || g_MenuBackButton.OnMouseDown() ? 1 : 0;
}

void CGameMenu::DrawSettingsPage()
{
    switch (g_SettingsSection) {
    case 0: DrawVideo(); break;
    case 1: DrawSound(); break;
    case 2: DrawControls(); break;
    default:
        Centred(g_MenuFont, "Настройки игры", 170.0f, 1.0f, kTitle);
        for (int i = 0; i < 3; ++i) {
            Glow(500.0f, 310.0f + 30.0f * (float)i);
            g_SettingsChoiceButtons[i].Draw(1.0f);
        }
        break;
    }
    g_MenuBackButton.Draw(1.0f);
}
