#include "menus/end_game.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/settings.h"
#include "app/winmain.h"
#include "audio/audio_manager.h"
#include "files/language.h"
#include "flight_ui/cursor.h"
#include "flight_ui/subtitles.h"
#include "locations/location_director.h"
#include "locations/pilot_profile.h"
#include "menus/game_menu.h"
#include "net/network.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/world.h"

MissionResultRow g_MissionResults[kMissionResultRows];
int g_MissionResultCount = 0;
int g_ResultsContinue = 0;

CMenuButton g_ResultsContinueButton;

namespace {
// The pilots' names as they were when the mission ended: the ships go on living (and
// dying) behind the page.
char g_ResultNames[kMissionResultRows][kPilotTextLength];

// Seconds of game time since the page began.
float PageSeconds()
{
    return g_GameClock.SecondsSince(g_MenuPageTime);
}

} // namespace

void SumMissionResults(const MissionResultRow* rows, int count, float* ore, int* kills, float* killScore)
{
    float o = 0.0f, s = 0.0f;
    int k = 0;
    for (int i = 0; i < count; ++i) {
        o += rows[i].statistics.missionOreDelivered;
        k += rows[i].statistics.missionKills;
        s += rows[i].statistics.missionKillScore;
    }
    *ore = o;
    *kills = k;
    *killScore = s;
}

void EndGame(int result)
{
    DebugOutF("EndGame(%d)", result);
    g_MissionResult = result;
    if (result != 0 && result != 1)
        return;
    g_LocationDirector.missionOver = 1;  // stops the Esc menu and the music changes
    g_GameMenuActive = 1;
    g_PointerShown = 1;
    CCursor::Update();
    if (result == 0) {
        if (g_GameMode == 2) {
            CSubtitles::Show(TranslateText("Вы уничтожены!"), 0xFF3232, 0x643232, 2.0f, 10.0f);
            g_Network.Shutdown();
        }
        g_MenuClosingPage = -1;
        g_MenuPage = MENU_PAGE_DESTROYED;
        g_MenuPageTime = CGameMenu::Now();
        g_MenuPageProgress = 0.0f;
        g_MenuDialogClosing = 0;
        CGameMenu::OpenDialog(MENU_DIALOG_DESTROYED);
        return;
    }
    CSubtitles::Show(TranslateText("Победа!"), 0x32FF32, 0x326432, 2.0f, 10.0f);
    if (g_GameMode == 2)
        g_Network.Shutdown();
    g_MissionResultCount = 0;
    CollectMissionResults(g_MissionResults, &g_MissionResultCount);
    g_MissionResultCount = std::clamp(g_MissionResultCount, 0, kMissionResultRows);
    for (int i = 0; i < kMissionResultRows; ++i) {
        const CUnit* ship = i < g_MissionResultCount ? g_MissionResults[i].ship : nullptr;
        std::snprintf(g_ResultNames[i], sizeof(g_ResultNames[i]), "%s", ship ? ship->pilot.pilotName : "");
    }
    // The totals are the table's, worked out once here rather than by every drawn frame.
    float ore = 0.0f, score = 0.0f;
    int kills = 0;
    SumMissionResults(g_MissionResults, g_MissionResultCount, &ore, &kills, &score);
    g_LocationDirector.SetSessionTotals(ore, kills, score);
    g_ResultsContinue = 0;
    g_ResultsContinueButton.SetPressed(0);
    g_MenuClosingPage = -1;
    g_MenuPage = MENU_PAGE_RESULTS;
    g_MenuPageTime = CGameMenu::Now();
    g_MenuPageProgress = 0.0f;
}

void CGameMenu::CreateResultsPage()
{
    g_ResultsContinueButton.Create(730.0f, 465.0f, "Продолжить", 1, 0x9696FA, 0x9696FA, &g_MenuFont, 1, 1.0f);
}

void CGameMenu::UpdateResultsPage()
{
    if (g_ResultsContinue && PageSeconds() > 3.0f) {
        g_ResultsContinue = 0;
        HandOver();
        const int id = g_LocationDirector.locationId;
        if (id >= LOCATION_SECTOR_FIRST && id < LOCATION_SECTOR_LAST) {
            // The ship survives the unloading and flies on into the next sector.
            if (g_PlayerObject)
                CObjectList::Detach(g_PlayerObject);
            g_LocationDirector.advanceRequested = 1;
        } else {
            g_LocationFinished = 1;
        }
        if (g_LocationDirector.sceneVoice)
            g_AudioManager.ReleaseSound(&g_LocationDirector.sceneVoice);
        g_LocationDirector.sceneVoice = nullptr;
        return;
    }
    if (g_ResultsContinueButton.WasClicked() && !g_ResultsContinue && PageSeconds() > 3.0f) {
        g_LocationDirector.SaveRating();
        g_World.Camera().StartFade(3.0f, 1, 1, 0);
        g_ResultsContinue = 1;
        g_MenuPageTime = Now();
    }
}

int CGameMenu::OnClickResultsPage()
{
    return g_ResultsContinueButton.OnMouseDown();
}

namespace {

// The page's opening value 0..100 (closing again while the continue flag is set).
float ResultsOpening(float seconds)
{
    float d = seconds > 3.0f ? 100.0f : std::max(seconds, 0.0f) * 33.33f;
    if (g_ResultsContinue)
        d = 100.0f - d;
    return d;
}

} // namespace

int VisibleResultRows(float seconds, int rowCount)
{
    const float f = ResultsOpening(seconds) - 50.0f;
    if (f < 0.0f)
        return 0;
    return std::clamp(std::min(rowCount, int(f * 2.0f * 0.17f)), 0, kMissionResultRows);
}

void CGameMenu::DrawResults()
{
    const float d = ResultsOpening(PageSeconds());
    DrawPanel(400.0f, 100.0f, 360.0f, 400.0f, std::min(2.0f * d, 100.0f), 0xC8C8FA);
    if (d < 50.0f)
        return;
    const float f = d - 50.0f;
    const unsigned A = unsigned(std::min(f * 5.0f, 255.0f)), box = A / 3;
    CFont* font = &g_MenuFont;
    DrawMenuTextCentred(font, 400.0f, 110.0f, "Итоговый результат", MenuColour(A, 0xC8C8FA), 0xC8C8FA, 1.0f);
    DrawScreenQuadColour(MenuColour(box, 0x320096), 60.0f, 140.0f, 220.0f, 455.0f, nullptr);
    DrawScreenQuadColour(MenuColour(box, 0x320096), 230.0f, 140.0f, 410.0f, 455.0f, nullptr);
    DrawScreenQuadColour(MenuColour(box, 0x320096), 420.0f, 140.0f, 630.0f, 455.0f, nullptr);
    DrawScreenQuadColour(MenuColour(box, 0x960032), 640.0f, 140.0f, 740.0f, 455.0f, nullptr);
    DrawScreenQuadColour(MenuColour(box, 0), 50.0f, 135.0f, 750.0f, 170.0f, nullptr);
    const unsigned header = MenuColour(A, 0xFAC864);
    DrawMenuText(font, 70.0f, 145.0f, "Пилот:", header, 0xFAC864, 1.0f);
    DrawMenuText(font, 240.0f, 145.0f, "Доставил руды:", header, 0xFAC864, 1.0f);
    DrawMenuText(font, 430.0f, 145.0f, "Уничтожил врагов:", header, 0xFAC864, 1.0f);
    DrawMenuText(font, 650.0f, 145.0f, "Рейтинг:", header, 0xFAC864, 1.0f);
    for (int i = 0; i < 16; ++i) {
        const float y = 190.0f + 17.0f * float(i);
        DrawScreenQuadGradient(MenuColour(A, 0xC8C800), MenuColour(0, 0xC8C800), 70.0f, y, 400.0f, y + 1.0f);
        DrawScreenQuadGradient(MenuColour(0, 0xC8C800), MenuColour(A, 0xC8C800), 405.0f, y, 730.0f, y + 1.0f);
    }
    const int n = VisibleResultRows(PageSeconds(), g_MissionResultCount);
    float total = 0.0f;
    CFont* small = &g_MenuSmallFont;
    char text[96];
    for (int j = 0; j < n; ++j) {
        const CPilotStatistics& s = g_MissionResults[j].statistics;
        const float y = 175.0f + 17.0f * float(j);
        const unsigned blue = MenuColour(A, 0x6464FA), red = MenuColour(A, 0xFA6464);
        DrawMenuText(small, 70.0f, y, g_ResultNames[j], blue, 0x6464FA, 0.8f);
        std::snprintf(text, sizeof(text), "%.1fkg (%.1fkg)", s.missionOreDelivered, s.oreDelivered);
        DrawMenuText(small, 240.0f, y, text, blue, 0x6464FA, 0.8f);
        std::snprintf(text, sizeof(text), "%d (%d)", s.missionKills, s.kills);
        DrawMenuText(small, 430.0f, y, text, blue, 0x6464FA, 0.8f);
        std::snprintf(text, sizeof(text), "%d", int(s.oreDelivered + s.killScore));
        DrawMenuText(small, 650.0f, y, text, red, 0xFA6464, 0.8f);
        total += s.oreDelivered + s.killScore;
    }
    DrawScreenQuadColour(MenuColour(box, 0), 50.0f, 460.0f, 550.0f, 490.0f, nullptr);
    DrawScreenQuadColour(MenuColour(box, 0), 560.0f, 460.0f, 750.0f, 490.0f, nullptr);
    const char* label = "Ваш общий рейтинг:";
    DrawMenuText(font, 70.0f, 465.0f, label, MenuColour(A, 0xC8C8FA), 0xC8C8FA, 1.0f);
    std::snprintf(text, sizeof(text), "%d", int(total));
    DrawMenuText(font, 90.0f + font->GetTextWidth(1.0f, label), 465.0f, text, MenuColour(A, 0xFA6464), 0xFA6464, 1.0f);
    g_ResultsContinueButton.Draw(1.0f);
}
