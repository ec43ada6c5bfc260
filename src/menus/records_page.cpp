#include "menus/records_page.h"

#include <cstdio>

#include "locations/pilot_profile.h"
#include "menus/buttons.h"
#include "menus/campaign_page.h"
#include "menus/game_menu.h"
#include "render/draw2d.h"
#include "render/font.h"

CMenuButton g_RecordsSortButtons[3];

namespace {

constexpr uint32_t Rgb(int r, int g, int b) { return (uint32_t)(r << 16 | g << 8 | b); }
constexpr uint32_t Argb(int a, int r, int g, int b) { return (uint32_t)a << 24 | Rgb(r, g, b); }

void SelectSortButton(int k)
{
    for (int i = 0; i < 3; ++i)
        g_RecordsSortButtons[i].SetPressed(i == k ? 1 : 0);
}

void Centred(const char* text, float x, float y, float scale, uint32_t colour)
{
    DrawMenuTextCentred(&g_MenuFont, x, y, text, colour, colour, scale);
}

} // namespace

void CGameMenu::CreateRecordsPage()
{
    const char* const captions[3] = {"Руда", "Пираты", "Рейтинг"};
    for (int i = 0; i < 3; ++i)
        g_RecordsSortButtons[i].Create(515.0f + 80.0f * (float)i, 202.0f, captions[i], 2, Rgb(200, 100, 200),
                                       Rgb(200, 100, 200), &g_MenuFont, 1, 0.6f);
}

void CGameMenu::OpenRecordsPage()
{
    LoadPilotRatings(RATING_KEY_RATING);
    SelectSortButton(RATING_KEY_RATING);
    CGameMenu::SetPage(MENU_PAGE_RECORDS);
}

void CGameMenu::UpdateRecordsPage()
{
    for (int k = 0; k < 3; ++k)
        if (g_RecordsSortButtons[k].WasClicked()) {
            SelectSortButton(k);
            LoadPilotRatings(k);
        }
    if (g_MenuBackButton.WasClicked())
        CGameMenu::SetPage(MENU_PAGE_MAIN);
}

int CGameMenu::OnClickRecordsPage()
{
    if (g_MenuBackButton.OnMouseDown())
        return 1;
    for (auto& b : g_RecordsSortButtons)
        if (b.OnMouseDown())
            return 1;
    return 0;
}

void CGameMenu::DrawRecordsPage()
{
    Centred("Таблица рекордов", 500.0f, 170.0f, 1.0f, Argb(255, 200, 200, 250));
    const float columns[4][2] = {{290, 470}, {480, 550}, {560, 630}, {640, 710}};
    for (auto& c : columns)
        DrawScreenQuadColour(Argb(100, 0, 0, 0), c[0], 190.0f, c[1], 485.0f, nullptr);
    Centred("Пилот:", 380.0f, 197.0f, 1.0f, Argb(255, 200, 150, 150));
    for (int k = 0; k < 3; ++k)
        if (g_RecordsSortButtons[k].IsPressed())
            DrawScreenQuadColour(Argb(100, 0, 0, 100), 485.0f + 80.0f * (float)k, 195.0f, 545.0f + 80.0f * (float)k,
                                 220.0f, nullptr);
    for (auto& b : g_RecordsSortButtons)
        b.Draw(1.0f);
    for (int r = 0; r < kPilotSlots; ++r) {
        const float y = 225.0f + 26.0f * (float)r;
        DrawScreenQuadColour(Argb(100, 0, 0, 0), 280.0f, y, 720.0f, y + 23.0f, nullptr);
        DrawScreenDisc16(Argb(150, 50, 0, 100), Argb(0, 50, 0, 100), 290.0f, 236.5f + 26.0f * (float)r, 15.0f, 1.0f,
                         1.0f);
        char number[8];
        std::snprintf(number, sizeof(number), "%d", r + 1);
        const float h = g_MenuFont.GetTextHeight(0.8f);
        g_MenuFont.DrawText(290.0f - g_MenuFont.GetTextWidth(0.8f, number) * 0.5f, 236.5f + 26.0f * (float)r - h * 0.5f,
                            number, Argb(255, 200, 100, 200), Argb(255, 200, 100, 200), 0.8f);
    }
    const uint32_t text = Argb(255, 100, 100, 250);
    for (int r = 0; r < g_PilotRatingCount && r < kPilotSlots; ++r) {
        const PilotRating& p = g_PilotRatings[r];
        const float y = 230.0f + 26.0f * (float)r;
        char value[64];
        g_MenuFont.DrawText(310.0f, y, p.name, text, text, 0.7f);
        std::snprintf(value, sizeof(value), "%.1ft", p.ore / 1000.0f);
        g_MenuFont.DrawText(490.0f, y, value, text, text, 0.7f);
        std::snprintf(value, sizeof(value), "%d", p.kills);
        g_MenuFont.DrawText(570.0f, y, value, text, text, 0.7f);
        std::snprintf(value, sizeof(value), "%d", p.rating);
        g_MenuFont.DrawText(650.0f, y, value, text, text, 0.7f);
    }
    g_MenuBackButton.Draw(1.0f);
}
