#include "locations/location_director.h"

#include <cstdio>
#include <cstring>

#include "app/settings.h"
#include "app/winmain.h"
#include "app/wndproc.h"
#include "audio/audio_manager.h"
#include "files/language.h"
#include "flight_ui/subtitles.h"
#include "locations/location_loader.h"
#include "menus/game_menu.h"
#include "net/network.h"
#include "platform/crt/rand.h"
#include "platform/win/test_switches.h"
#include "platform/win/timer.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/world.h"

int g_GameMode = -1;
int g_MissionResult = -1;
CLocationDirector g_LocationDirector;

namespace {

// The id of a test location (KORVANE_LOCATION): outside the campaign, the missions and the
// network maps.
constexpr int kTestLocationId = 300;

// Subtitle colours of the location texts.
constexpr unsigned kTextColour = 0xC896FA;
constexpr unsigned kTextSecondColour = 0x9600C8;
// Seconds an intro keeps running after the skip request (the length of its fade).
constexpr float kSkipSeconds = 2.0f;
constexpr float kFadeInSeconds = 3.0f;
constexpr float kMusicCheckSeconds = 2.0f;
constexpr float kCalmAfterSeconds = 10.0f;
constexpr float kBattleRadius = 2000.0f;

void SetFolder(char* folder, int size, const char* text)
{
    std::snprintf(folder, (size_t)size, "%s", text);
}

} // namespace

bool NextLocationOf(int kind, int id, int* newId, int* newKind, char* folder, int folderSize, int* setsCampaign)
{
    *setsCampaign = 0;
    if (kind == 0) {
        switch (id) {
        case LOCATION_NONE:
            *newId = LOCATION_PLANET_INTRO_1;
            *newKind = 0;
            SetFolder(folder, folderSize, "Data/Locations.Planet/Intro 01");
            return true;
        case LOCATION_PLANET_INTRO_1:
            *newId = LOCATION_SPACE_INTRO_1;
            *newKind = 1;
            SetFolder(folder, folderSize, "Data/Locations.Space/Intro 01");
            return true;
        case LOCATION_PLANET_INTRO_2:
            *newId = LOCATION_SPACE_INTRO_2;
            *newKind = 1;
            SetFolder(folder, folderSize, "Data/Locations.Space/Intro 02");
            return true;
        default:
            return false;
        }
    }
    if (kind != 1 && kind != 2)
        return false;
    *newKind = 1;
    if (id == LOCATION_NONE && TestLocationName()) {
        // A test location outside the chain; nothing follows it.
        *newId = kTestLocationId;
        std::snprintf(folder, (size_t)folderSize, "Data/Locations.Space/%s", TestLocationName());
    } else if (id == LOCATION_NONE) {
        *newId = LOCATION_SPACE_INTRO_1;
        *setsCampaign = 1;
        SetFolder(folder, folderSize, "Data/Locations.Space/Intro 01");
    } else if (id == LOCATION_GAME_MENU) {
        *newId = LOCATION_GAME_MENU;
        SetFolder(folder, folderSize, "Data/Locations.Space/GameMenu");
    } else if (id == LOCATION_SPACE_INTRO_1) {
        *newId = LOCATION_PLANET_INTRO_2;
        *newKind = 0;
        SetFolder(folder, folderSize, "Data/Locations.Planet/Intro 02");
    } else if (id == LOCATION_SPACE_INTRO_2) {
        *newId = LOCATION_SECTOR_FIRST;
        SetFolder(folder, folderSize, "Data/Locations.Space/Sector 01");
    } else if (id >= LOCATION_SECTOR_FIRST && id < LOCATION_SECTOR_LAST) {
        *newId = id + 1;
        std::snprintf(folder, (size_t)folderSize, "Data/Locations.Space/Sector %02d", id + 1);
    } else if (IsSingleLocation(id)) {
        *newId = id;
        std::snprintf(folder, (size_t)folderSize, "Data/Locations.Space/Single %02d", id - 20);
    } else if (IsNetworkLocation(id)) {
        *newId = id;
        std::snprintf(folder, (size_t)folderSize, "Data/Locations.Space/Multiplayer %02d", id - 40);
    } else {
        return false;
    }
    return true;
}

void CLocationDirector::Init()
{
    // Nothing is released here: the record may hold anything before the first start.
    *this = CLocationDirector();
    locationId = -1;
    // The "Space" setting picks the world the chain starts in.
    g_WorldIndex = g_Settings.space ? 1 : 0;
    g_LocationKind = g_WorldIndex;
}

int CLocationDirector::LoadNextLocation()
{
    locationStarted = 1;
    missionOver = 0;
    StopAmbientAndMusic();

    int newId = 0;
    int newKind = 0;
    int campaign = 0;
    char folder[kLocationFolderLength];
    if (!NextLocationOf(g_LocationKind, locationId, &newId, &newKind, folder, sizeof(folder), &campaign)) {
        // Nothing follows (after sector 12, or an id outside the chain): an empty world
        // must not run, so the location loop goes back to the menu.
        g_LocationFinished = 1;
        return 0;
    }
    g_WorldIndex = newKind;
    g_LocationKind = newKind;
    locationId = newId;
    if (campaign)
        g_GameMode = 1;
    g_World.ResetForLocation();
    if (IsSingleLocation(newId))
        GameSrand(timeGetTime());
    else if (IsNetworkLocation(newId))
        GameSrand(g_NetRandomSeed);
    DebugOutF("Location %d: %s", newId, folder);
    g_World.LoadLocation(folder);
    if (!g_LocationLoad.canRun) {
        g_LocationFinished = 1;
        return 0;
    }
    return 1;
}

void CLocationDirector::Frame()
{
    if (g_GameClock.frameSeconds == 0.0f)
        return;
    const uint32_t now = g_GameClock.NowMs();

    if (!skipRequested && (g_KeySpace || g_KeyEsc) && IsIntroLocation(locationId) && !g_GameMenuActive) {
        skipRequested = 1;
        skipTime = now;
        g_World.Camera().StartFade(kSkipSeconds, 1, 1, 0);
    }
    if (skipRequested && g_GameClock.SecondsSince(skipTime) > kSkipSeconds)
        advanceRequested = 1;
    if (advanceRequested) {
        EndLocation();
        LoadNextLocation();
        g_AudioManager.fade = 0.0f;
        g_AudioManager.ApplyVolumes();
    }
    if (startTime == 0) {
        g_World.Camera().StartFade(kFadeInSeconds, 0, 1, 0);
        startTime = g_GameClock.NowMs();
        if (startTime == 0)
            startTime = 1;
    }
    DeliverMercenaryOrders();
    if (g_WorldIndex == 1)
        UpdateBattleMusic();
}

void CLocationDirector::UpdateBattleMusic()
{
    if (g_GameClock.SecondsSince(musicCheckTime) <= kMusicCheckSeconds)
        return;
    musicCheckTime = g_GameClock.NowMs();
    CUnit* player = g_PlayerObject;
    if (g_LocationKind != 1 || !player)
        return;
    CMusicPlayer& music = g_AudioManager.musicPlayer;
    CUnit* hostile = CObjectList::FindNearestObject(kBattleRadius, player);
    if (hostile && player->scriptStep == -1) {
        if ((player->HasWeapons() && player->target == hostile) || hostile->HasWeapons())
            music.RequestKind(1);
    }
    if (music.kind == 1 && g_GameClock.SecondsSince(music.requestTime) > kCalmAfterSeconds && !hostile)
        music.RequestKind(0);
}

void CLocationDirector::EndLocation()
{
    if (g_PlayerObject && g_WorldIndex == 1) {
        const Vec3 p = g_PlayerObject->position;
        DebugOutF("Location %d ended: player at (%.0f, %.0f, %.0f)", locationId, p.x, p.y, p.z);
    }
    startTime = 0;
    reserved2 = 0;
    musicCheckTime = 0;
    advanceRequested = 0;
    locationStarted = 0;
    missionOver = 0;
    outDockingRequested = 0;
    skipRequested = 0;
    if (sceneVoice)
        g_AudioManager.ReleaseSound(&sceneVoice);
    sceneVoice = nullptr;
    g_World.UnloadLocation();
}

void CLocationDirector::ShowLocationText(int n)
{
    const char* text = nullptr;
    float delay = 3.0f;
    float seconds = 3.0f;
    if (g_WorldIndex == 0) {
        if (locationId == LOCATION_PLANET_INTRO_1 && n == 0) {
            text = GetLongText(0);
            delay = 1.0f;
        }
    } else {
        const int id = locationId;
        if (id == LOCATION_SPACE_INTRO_1 && n == 1)
            text = g_LanguageTables.longCount < 1 ? g_LanguageTables.longRus[0] : GetLongText(1);
        else if ((id == LOCATION_SPACE_INTRO_1 && n == 2) || (id == LOCATION_SPACE_INTRO_2 && (n == 3 || n == 4)) ||
                 (id == 1 && (n == 5 || n == 6)) || (id == 9 && n == 7) || (id == 12 && (n == 8 || n == 9)))
            text = GetLongText(n);
    }
    if (text)
        CSubtitles::Show(text, kTextColour, kTextSecondColour, delay, seconds);
}

void CLocationDirector::SetSessionTotals(float ore, int kills, float killScore)
{
    sessionOre = ore;
    sessionKills = kills;
    sessionKillScore = killScore;
}
