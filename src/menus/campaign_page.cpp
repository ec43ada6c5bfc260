#include "menus/campaign_page.h"

#include <cstdio>
#include <cstring>

#include "app/settings.h"
#include "files/language.h"
#include "flight_ui/cursor.h"
#include "locations/campaign_progress.h"
#include "locations/location_director.h"
#include "locations/pilot_profile.h"
#include "locations/sector_save.h"
#include "locations/single_missions.h"
#include "menus/buttons.h"
#include "menus/game_menu.h"
#include "menus/network_pages.h"
#include "menus/records_page.h"
#include "menus/settings_page.h"
#include "menus/start_logo.h"
#include "render/d3d_render.h"
#include "render/draw2d.h"
#include "render/font.h"
#include "world/game_clock.h"
#include "world/world.h"

CMenuButton g_ListEntryButtons[kListEntries];
unsigned g_ListEntryCount = 0;
int g_SectorShips = 0;
float g_SectorOre = 0.0f;
char g_SingleMissionText[512] = "";

namespace {

constexpr uint32_t Rgb(int r, int g, int b) { return (uint32_t)(r << 16 | g << 8 | b); }
constexpr uint32_t Argb(int a, int r, int g, int b) { return (uint32_t)a << 24 | Rgb(r, g, b); }

void SelectEntry(int k)
{
    for (unsigned i = 0; i < g_ListEntryCount; ++i)
        g_ListEntryButtons[i].SetPressed((int)i == k ? 1 : 0);
}

void ShowEntry(int page, int k)
{
    CGameMenu::LoadPagePicture(page, k);
    if (page == 5) {
        g_SectorShips = 0;
        g_SectorOre = 0.0f;
        if (k > 0)
            ReadSectorSaveSummary(k, &g_SectorShips, &g_SectorOre);
    } else {
        LoadSingleMissionText(k, g_SingleMissionText);
    }
}

void Launch(int page, int k)
{
    DrawLoadingScreen(0);
    CGameMenu::ReleasePagePicture();
    g_World.UnloadLocation();
    if (page == 5) {
        if (k == 0) {
            g_WorldIndex = 0;
            g_LocationKind = 0;
            g_LocationDirector.locationId = LOCATION_NONE;
        } else if (k == 1) {
            g_LocationDirector.locationId = LOCATION_SPACE_INTRO_2;
        } else {
            g_LocationDirector.locationId = k - 1;
        }
        g_GameMode = 1;
        if (k < (int)g_ListEntryCount - 1 && !g_Settings.debugOut)
            DeleteSectorSaves(k + 1, (int)g_ListEntryCount - 1);
        DebugOutF("Campaign: entry %d of pilot %d, location %d next", k, g_PilotSlot, g_LocationDirector.locationId);
    } else {
        g_GameMode = 0;
        g_LocationDirector.locationId = k + LOCATION_SINGLE_FIRST;
        DebugOutF("Single mission %d", k + 1);
    }
    CGameMenu::HandOver();
}

void Strip(uint32_t from, uint32_t to, float x1, float y1, float x2, float y2, bool vertical)
{
    if (vertical)
        DrawScreenQuad(from, to, x1, y1, x2, y2, from, to, nullptr);
    else
        DrawScreenQuad(from, from, x1, y1, x2, y2, to, to, nullptr);
}

void DrawCommonFrame(float e)
{
    CGameMenu::DrawPanel(500.0f, 160.0f, 230.0f, 360.0f, e, Rgb(200, 200, 250));
    const uint32_t clear = Argb(0, 50, 0, 100), line = Argb(150, 50, 0, 100);
    Strip(clear, line, 496.0f, 140.0f, 500.0f, 165.0f, false);
    Strip(line, clear, 500.0f, 140.0f, 504.0f, 165.0f, false);
    DrawScreenDisc16(Argb(250, 50, 0, 100), Argb(0, 50, 0, 100), 500.0f, 144.0f, 8.0f, 1.0f, 1.0f);
}

void DrawCentred(CFont& font, const char* text, float x, float y, float scale, uint32_t colour)
{
    DrawMenuTextCentred(&font, x, y, text, colour, colour, scale);
}

void DrawListPage(int page)
{
    const uint32_t title = Argb(255, 200, 200, 250);
    DrawCentred(g_MenuFont, page == 5 ? "Продолжить кампанию" : "Одиночная миссия", 500.0f, 170.0f, 1.0f, title);

    DrawScreenQuad(Argb(255, 0, 0, 0), 0, 285.0f, 195.0f, 500.0f, 365.0f, 0, 0, nullptr);
    DrawScreenRect(Argb(255, 50, 50, 200), Argb(0, 50, 50, 200), 285.0f, 195.0f, 500.0f, 500.0f,
                   Argb(0, 50, 50, 200), Argb(255, 50, 50, 200));
    DrawSpriteRect(&g_MenuResources.headerStrip, 330.0f, 195.0f, 500.0f, 225.0f, 0xFFFFFFFFu);
    g_MenuFont.DrawText(295.0f, 199.0f, "Доступно:", Argb(255, 100, 100, 150), Argb(255, 100, 100, 150), 1.0f);

    // The picture and its frame.
    if (g_MenuResources.pagePicture >= 0)
        DrawScreenQuadTextureIdColour(Argb(180, 255, 255, 255), 520.0f, 195.0f, 710.0f, 385.0f,
                                      g_MenuResources.pagePicture);
    const uint32_t in = Argb(255, 100, 100, 200), out = Argb(0, 100, 100, 200);
    Strip(out, in, 517.0f, 192.0f, 713.0f, 196.0f, true);
    Strip(in, out, 517.0f, 384.0f, 713.0f, 388.0f, true);
    Strip(out, in, 517.0f, 192.0f, 521.0f, 388.0f, false);
    Strip(in, out, 709.0f, 192.0f, 713.0f, 388.0f, false);

    // The information box.
    DrawScreenQuad(Argb(150, 0, 0, 0), Argb(150, 0, 0, 100), 517.0f, 395.0f, 713.0f, 460.0f, Argb(150, 0, 0, 0),
                   Argb(150, 0, 0, 100), nullptr);
    DrawScreenRectColour(Argb(100, 50, 50, 150), 517.0f, 395.0f, 713.0f, 460.0f);
    const float s = 0.75f, h = g_MenuFont.GetTextHeight(s);
    const uint32_t text = Argb(255, 150, 150, 250);
    if (page == 5) {
        g_MenuFont.DrawText(525.0f, 405.0f, "На борту станции:", text, text, s);
        g_MenuFont.DrawText(525.0f, 405.0f + h, "  корабли -", text, text, s);
        g_MenuFont.DrawText(525.0f, 405.0f + 2 * h, "  иллирион -", text, text, s);
        char value[64];
        std::snprintf(value, sizeof(value), "%d", g_SectorShips);
        g_MenuFont.DrawText(530.0f + g_MenuFont.GetTextWidth(s, "  корабли -"), 405.0f + h, value, text, text, s);
        FormatIllirion(g_SectorOre, value, sizeof(value));
        g_MenuFont.DrawText(530.0f + g_MenuFont.GetTextWidth(s, "  иллирион -"), 405.0f + 2 * h, value, text, text,
                            s);
    } else {
        char lines[16][128];
        const int n = WrapMenuText(TranslateText(g_SingleMissionText), 180.0f, s, lines, 16);
        for (int i = 0; i < n; ++i)
            g_MenuFont.DrawText(525.0f, 399.0f + (float)i * h, lines[i], text, text, s);
    }

    for (unsigned i = 0; i < g_ListEntryCount; ++i)
        g_ListEntryButtons[i].Draw(1.0f);
    const uint32_t bar = Argb(255, 100, 100, 150), none = Argb(0, 100, 100, 150);
    Strip(none, bar, 530.0f, 478.0f, 700.0f, 482.0f, true);
    Strip(bar, none, 530.0f, 498.0f, 700.0f, 502.0f, true);
    g_MenuLoadButton.Draw(1.0f);
    g_MenuBackButton.Draw(1.0f);

    const int k = CGameMenu::SelectedListEntry();
    if (page == 5 && k >= 0 && k != (int)g_ListEntryCount - 1) {
        const int alpha = 50 + (int)(g_GameClock.NowMs() % 1000u) / 10;
        const char* warning = "Все поздние сохранения будут потеряны!!!";
        g_MenuFont.DrawText(500.0f - g_MenuFont.GetTextWidth(0.9f, warning) * 0.5f, 525.0f, warning,
                            Argb(alpha, 255, 0, 200), Argb(alpha, 255, 0, 200), 0.9f);
    }
}

} // namespace

void FormatIllirion(float ore, char* out, unsigned size)
{
    if (ore >= 1.0f)
        std::snprintf(out, size, "%.03f", ore);
    else
        std::snprintf(out, size, "%.0f", ore * 1000.0f);
}

int WrapMenuText(const char* text, float width, float scale, char lines[][128], int maxLines)
{
    int n = 0;
    if (!text)
        return 0;
    const char* p = text;
    while (*p && n < maxLines) {
        while (*p == ' ')
            ++p;
        if (!*p)
            break;
        char line[128] = "";
        size_t len = 0;
        const char* next = p;
        // Words are added while the line still fits; a single long word is cut.
        while (*next) {
            const char* end = next;
            while (*end && *end != ' ')
                ++end;
            char trial[128];
            const size_t wordLen = (size_t)(end - next);
            const size_t need = len + (len ? 1 : 0) + wordLen;
            if (need >= sizeof(trial)) {
                if (len)
                    break;
                std::memcpy(line, next, sizeof(line) - 1);
                line[sizeof(line) - 1] = 0;
                len = sizeof(line) - 1;
                next += len;
                break;
            }
            // need < sizeof(trial) was checked above.
            std::memcpy(trial, line, len);
            if (len)
                trial[len] = ' ';
            std::memcpy(trial + need - wordLen, next, wordLen);
            trial[need] = 0;
            if (len && g_MenuFont.GetTextWidth(scale, trial) > width)
                break;
            std::memcpy(line, trial, need + 1);
            len = need;
            next = end;
            while (*next == ' ')
                ++next;
        }
        std::memcpy(lines[n++], line, len + 1);
        p = next;
    }
    return n;
}

void CGameMenu::CreateListPages()
{
    // The load and back buttons are the game menu's own, made before the pages.
    const uint32_t entry = Rgb(100, 50, 200);
    for (int i = 0; i < kListEntries; ++i)
        g_ListEntryButtons[i].Create(295.0f, 230.0f + 20.0f * (float)i, "(пусто)", 0, entry, entry, &g_MenuFont, 1,
                                     1.0f);
    g_ListEntryCount = 0;
}

int CGameMenu::SelectedListEntry()
{
    for (unsigned i = 0; i < g_ListEntryCount; ++i)
        if (g_ListEntryButtons[i].IsPressed())
            return (int)i;
    return -1;
}

void CGameMenu::OpenListPage(int page)
{
    if (page != 5 && page != 6)
        return;
    int s = CountSavedSectors();
    if (s > kMaxCampaignSectors)
        s = kMaxCampaignSectors;  // a 13th save unlocks nothing beyond sector 12
    int n = s + 1;
    if (page == 6) {
        if (n > 1)
            n = s;
        const int present = CountSingleMissions();
        if (n > present)
            n = present;
        if (n > kMaxMissionIds)
            n = kMaxMissionIds;
    }
    g_ListEntryCount = (unsigned)n;
    if (n > 0) {
        SelectEntry(page == 5 ? n - 1 : 0);
    }
    g_MenuLoadButton.SetEnabled(n > 0 ? 1 : 0);
    for (int k = 0; k < n; ++k) {
        char caption[64];
        if (page == 5 && k == 0)
            std::snprintf(caption, sizeof(caption), "Вступление...");
        else if (page == 5)
            std::snprintf(caption, sizeof(caption), "%s %02d...", TranslateText("Сектор"), k);
        else
            std::snprintf(caption, sizeof(caption), "%s %02d...", TranslateText("Миссия"), k + 1);
        g_ListEntryButtons[k].SetText(caption);
    }
    g_MenuLoadButton.SetText(page == 5 ? "Продолжить" : "Запуск");
    g_SectorShips = 0;
    g_SectorOre = 0.0f;
    g_SingleMissionText[0] = 0;
    if (page == 5) {
        ReadSectorSaveSummary(n - 1, &g_SectorShips, &g_SectorOre);
        CGameMenu::LoadPagePicture(5, n - 1);
    } else if (n > 0) {
        LoadSingleMissionText(0, g_SingleMissionText);
        CGameMenu::LoadPagePicture(6, 0);
    } else {
        CGameMenu::ReleasePagePicture();
    }
    CGameMenu::SetPage(page);
}

void CGameMenu::UpdateListPage()
{
    const int page = g_MenuPage;
    for (unsigned k = 0; k < g_ListEntryCount; ++k)
        if (g_ListEntryButtons[k].WasClicked()) {
            SelectEntry((int)k);
            ShowEntry(page, (int)k);
            break;
        }
    if (g_MenuLoadButton.WasClicked()) {
        const int k = CGameMenu::SelectedListEntry();
        if (k >= 0 && g_ListEntryCount > 0) {
            Launch(page, k);
            return;
        }
    }
    if (g_MenuBackButton.WasClicked()) {
        CGameMenu::ReleasePagePicture();
        CGameMenu::SetPage(MENU_PAGE_MAIN);
    }
}

int CGameMenu::OnClickListPage()
{
    for (unsigned k = 0; k < g_ListEntryCount; ++k)
        if (g_ListEntryButtons[k].OnMouseDown())
            return 1;
    return g_MenuLoadButton.OnMouseDown() || g_MenuBackButton.OnMouseDown() ? 1 : 0;
}

void CGameMenu::LoadPagePicture(int page, int index)
{
    char name[128];
    if (page == 5)
        std::snprintf(name, sizeof(name), "Data/Misc/Sectors/Campaign/Sector %02d.bmp", index);
    else if (page == 6)
        std::snprintf(name, sizeof(name), "Data/Misc/Sectors/Single/Single %02d.bmp", index + 1);
    else if (page == 7)
        std::snprintf(name, sizeof(name), "Data/Misc/Sectors/Multiplayer/Map %02d.bmp", index + 1);
    else
        return;
    CGameMenu::ReleasePagePicture();
    // Only the pictures the data set has: sectors 0 to 12, missions and maps 1 to 12.
    const int number = page == 5 ? index : index + 1;
    if (number < (page == 5 ? 0 : 1) || number > kMaxMissionIds) {
        DebugOutF("Page %d: no picture for entry %d", page, index);
        return;
    }
    g_MenuResources.pagePicture = g_D3DRender.LoadTexture(name, 0, -1);
}

void CGameMenu::ReleasePagePicture()
{
    if (g_MenuResources.pagePicture >= 0)
        g_D3DRender.ReleaseTexture(g_MenuResources.pagePicture);
    g_MenuResources.pagePicture = -1;
}

void CGameMenu::DrawPage(float p, int page)
{
    if (p < 50.0f)
        return;
    const float e = (p - 50.0f) * 2.0f;
    DrawCommonFrame(e);
    switch (page) {
    case MENU_PAGE_CAMPAIGN:
    case MENU_PAGE_SINGLE: DrawListPage(page); break;
    case MENU_PAGE_NETWORK: CGameMenu::DrawNetworkPage(p); break;
    case MENU_PAGE_SETTINGS: CGameMenu::DrawSettingsPage(); break;
    case MENU_PAGE_RECORDS: CGameMenu::DrawRecordsPage(); break;
    default: break;
    }
}
