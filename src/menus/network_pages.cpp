#include "menus/network_pages.h"

#include <cstdio>
#include <cstring>

#include "app/settings.h"
#include "app/winmain.h"
#include "files/file_manager.h"
#include "files/language.h"
#include "flight_ui/cursor.h"
#include "locations/location_director.h"
#include "locations/single_missions.h"
#include "menus/game_menu.h"
#include "menus/pilots_page.h"
#include "menus/start_logo.h"
#include "platform/net/socket.h"
#include "platform/win/timer.h"
#include "platform/win/window.h"
#include "render/d3d_render.h"
#include "render/draw2d.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/item.h"
#include "world/objects/unit.h"
#include "world/world.h"

LanServerList g_LanServers;
int g_NetworkSubState = -1;

namespace {

constexpr unsigned kHeading = 0xC89696;      // (200, 150, 150)
constexpr unsigned kGlow = 0x9632C8;         // (150, 50, 200)
constexpr unsigned kEntryColour = 0xC89664;  // (200, 150, 100)
constexpr unsigned kChoiceColour = 0xC89696;
constexpr unsigned kNameColour = 0x969632;   // (150, 150, 50)
constexpr unsigned kSwitchColour = 0xC864C8; // (200, 100, 200)
constexpr unsigned kArrowColour = 0x9696FA;  // (150, 150, 250)
constexpr unsigned kLabelColour = 0x969696;
constexpr unsigned kStatusColour = 0x966432;
const char* const kResources[3] = {"Низко", "Средне", "Высоко"};
const char* const kMyGame = "Моя игра";

CMenuButton s_Create, s_Join, s_Name, s_Count[3], s_Resources[3], s_Prev, s_Next;
CMenuButton s_Entries[kMaxLanServers];
int s_NameEntry = 0;
int s_MapCount = 1;
int s_Picture = -1;
bool s_Created = false;

void ReleasePicture()
{
    if (s_Picture >= 0)
        g_D3DRender.ReleaseTexture(s_Picture);
    s_Picture = -1;
}

void LoadMapPicture(int mapIndex)
{
    ReleasePicture();
    char path[96];
    std::snprintf(path, sizeof path, "Data/Misc/Sectors/Multiplayer/Map %02d.bmp", mapIndex + 1);
    s_Picture = g_D3DRender.LoadTexture(path, 1, -1);
}

// The maps to choose from: one for each single mission present, as far as the data set
// holds the multiplayer map of that number (a missing one could never load).
int CountMaps()
{
    const int missions = CountSingleMissions();
    int n = 0;
    for (int i = 1; i <= missions; ++i) {
        char path[96];
        std::snprintf(path, sizeof path, "Data/Locations.Space/Multiplayer %02d/Main.loc", i);
        const int h = CFileManager::Open(path, FILE_KIND_LOCATIONS);
        if (h < 0)
            break;
        CFileManager::Close(h);
        ++n;
    }
    return n < 1 ? 1 : n;
}

void SelectOnly(CMenuButton* group, int n, int k)
{
    for (int i = 0; i < n; ++i)
        group[i].SetPressed(i == k);
}

void SetEntryCaption(int i)
{
    char caption[40];
    std::snprintf(caption, sizeof caption, "`%s`", g_LanServers.records[i].ServerName());
    s_Entries[i].SetText(caption);
}

// ---- The page's steps, shared by the clicks and the test hook ----

void ChooseCreate()
{
    CNetSession& s = g_Network.session;
    s_MapCount = CountMaps();
    if (s.MapIndex() < 0 || s.MapIndex() >= s_MapCount)
        s.SetMapIndex(0);
    if (s.maxPlayers < 2 || s.maxPlayers > 4)
        s.maxPlayers = 2;
    LoadMapPicture(s.MapIndex());
    SelectOnly(s_Count, 3, s.maxPlayers - 2);
    SelectOnly(s_Resources, 3, s.menuChoice < 0 || s.menuChoice > 2 ? 0 : s.menuChoice);
    g_MenuLoadButton.SetText("Продолжить");
    g_MenuLoadButton.SetEnabled(1);
    g_NetworkSubState = 0;
}

void ChooseJoin()
{
    ReleasePicture();
    g_MenuLoadButton.SetText("Подключиться");
    g_LanServers.count = 0;
    g_LanServers.selected = -1;
    g_LanServers.joinRequested = 0;
    for (CMenuButton& b : s_Entries)
        b.SetPressed(0);
    if (g_Network.initialised)
        g_Network.SetState(NET_CLIENT_SEARCHING);
    g_NetworkSubState = 2;
}

void SetupContinue()
{
    CNetSession& s = g_Network.session;
    s.playerCount = 1;
    // Every host its own id, so that two servers never read as one in the list.
    s.SetServerId(int32_t((timeGetTime() * 2654435761u) >> 1) | 1);
    s.SetServerName(s_Name.caption[0] ? s_Name.caption : TranslateText(kMyGame));
    s.SetOwnerName(g_PlayerName);
    std::memset(s.names[0], 0, kNetNameSize);
    std::snprintf(s.names[0], kNetNameSize, "%.15s", g_PlayerName);
    s.lastHeard[0] = g_NetLobbyClock();
    g_NetworkSubState = 1;
    if (g_Network.initialised)
        g_Network.SetState(NET_HOST_LOBBY);
}

void HostStart()
{
    if (!g_Network.initialised)
        return;
    g_NetRandomSeed = timeGetTime();
    g_Network.SetState(NET_HOST_STARTING);
}

void JoinSelected()
{
    LanServerList& l = g_LanServers;
    if (l.selected < 0 || l.selected >= l.count)
        return;
    l.joinRequested = 1;
    g_MenuLoadButton.SetEnabled(0);
    g_Network.session = l.records[l.selected];
    // The host is heard from now on this copy's own clock.
    g_Network.session.lastHeard[0] = g_NetLobbyClock();
    if (g_Network.initialised)
        g_Network.SetState(NET_CLIENT_JOINING);
}

// The map is loaded by the location loop; inside a running world only the flags are set.
void StartNetworkGame(bool fromMenu)
{
    g_NetworkSubState = -1;
    if (fromMenu) {
        DrawLoadingScreen(0);
        ReleasePicture();
        g_World.UnloadLocation();
    } else {
        ReleasePicture();
    }
    g_GameMode = 2;
    g_LocationDirector.locationId = g_Network.session.MapIndex() + 41;
    g_WorldIndex = 1;
    g_LocationKind = 1;
    DebugOutF("Network: map %d starts", g_Network.session.MapIndex() + 1);
    if (g_GameMenuActive)
        CGameMenu::HandOver();
    else
        g_LocationFinished = 1;
}

// What the page does each frame apart from its buttons.
void PageStep(bool fromMenu)
{
    LanServerList& l = g_LanServers;
    if (g_NetworkSubState == 1) {
        if (g_Network.lobbyState == NET_HOST_IN_GAME) {
            StartNetworkGame(fromMenu);
            return;
        }
        g_MenuLoadButton.SetEnabled(g_Network.session.playerCount >= g_Network.session.maxPlayers);
    } else if (g_NetworkSubState == 2) {
        const uint32_t now = g_GameClock.NowMs();
        for (int i = l.count - 1; i >= 0; --i)
            if (double(now - l.stamps[i]) * 0.001 > 2.0)
                RemoveLanServer(l.records[i]);
        if (l.joinRequested && g_Network.lobbyState == NET_CLIENT_IN_GAME) {
            l.joinRequested = 0;
            StartNetworkGame(fromMenu);
            return;
        }
        if (!l.joinRequested)
            g_MenuLoadButton.SetEnabled(l.count >= 1);
    }
}

void UpdateTyping()
{
    CNetSession& s = g_Network.session;
    char name[kNetNameSize + 1];
    std::snprintf(name, sizeof name, "%.16s", s_Name.caption);
    switch (g_TextInputState) {
    case TEXT_INPUT_TYPING:
        if (g_TextInputChar) {
            const size_t n = std::strlen(name);
            if (g_MenuFont.GetTextWidth(1.0f, name) < 150.0f && n < 16 &&
                g_MenuFont.FindChar(static_cast<unsigned char>(g_TextInputChar)) != -1) {
                name[n] = g_TextInputChar;
                name[n + 1] = 0;
                s_Name.SetText(name);
            }
            g_TextInputChar = 0;
        }
        break;
    case TEXT_INPUT_ENTER:
        s_NameEntry = 0;
        g_PointerShown = 1;
        g_TextInputState = TEXT_INPUT_OFF;
        s.SetServerName(s_Name.caption);
        break;
    case TEXT_INPUT_BACKSPACE: {
        const size_t n = std::strlen(name);
        if (n > 0)
            name[n - 1] = 0;
        s_Name.SetText(name);
        g_TextInputState = TEXT_INPUT_TYPING;
        break;
    }
    case TEXT_INPUT_ESC:
        s_NameEntry = 0;
        g_PointerShown = 1;
        g_MenuDialogAnswer = 0;
        g_MenuDialogTime = 0;
        g_TextInputState = TEXT_INPUT_OFF;
        s_Name.SetText(TranslateText(kMyGame));
        s.SetServerName(s_Name.caption);
        break;
    default:
        break;
    }
}

void DrawBox(float x1, float y1, float x2, float y2)
{
    DrawScreenQuadColour(MenuColour(120, 0x320064), x1, y1, x2, y2, nullptr);
    DrawScreenRectColour(MenuColour(255, 0x643296), x1, y1, x2, y2);
}

void DrawHeading(float y, const char* text)
{
    DrawScreenDisc(MenuColour(60, kGlow), 500.0f, y + 12.0f, 60.0f, 3.0f, 0.5f);
    DrawMenuTextCentred(&g_MenuFont, 500.0f, y, TranslateText(text), MenuColour(255, kHeading), kGlow, 1.0f);
}

void DrawLabel(float x, float y, const char* text, unsigned colour, float scale)
{
    DrawMenuText(&g_MenuFont, x, y, text, MenuColour(255, colour), kGlow, scale);
}

// Four numbered rows of the lobby and the server list.
void DrawRows()
{
    DrawBox(285.0f, 230.0f, 715.0f, 350.0f);
    for (int i = 0; i < 4; ++i) {
        const float y = 260.0f + 30.0f * i;
        DrawScreenLine(MenuColour(0, 0x643296), MenuColour(200, 0x643296), 285.0f, y, 500.0f, y);
        DrawScreenLine(MenuColour(200, 0x643296), MenuColour(0, 0x643296), 500.0f, y, 705.0f, y);
        DrawScreenDisc(MenuColour(120, kGlow), 300.0f, 245.0f + 30.0f * i, 15.0f, 1.0f, 1.0f);
        char number[8];
        std::snprintf(number, sizeof number, "%d", i + 1);
        DrawLabel(295.0f, 237.0f + 30.0f * i, number, kHeading, 0.8f);
    }
}

void DrawPicture(float x1, float y1, float x2, float y2)
{
    if (s_Picture >= 0)
        DrawScreenQuadTextureIdColour(MenuColour(180, 0xFFFFFF), x1, y1, x2, y2, s_Picture);
    DrawScreenRectColour(MenuColour(255, 0x643296), x1, y1, x2, y2);
}

void DrawInfo(const CNetSession& s, bool list)
{
    DrawBox(405.0f, 380.0f, 715.0f, 460.0f);
    DrawPicture(295.0f, 370.0f, 425.0f, 500.0f);
    char value[64];
    const float step = list ? 15.0f : 20.0f;
    float y = 390.0f;
    DrawLabel(440.0f, y, TranslateText("Имя сервера:"), kLabelColour, 0.8f);
    std::snprintf(value, sizeof value, "`%s`", s.ServerName());
    DrawLabel(580.0f, y, value, kHeading, 0.8f);
    y += step;
    if (list) {
        DrawLabel(440.0f, y, TranslateText("Владелец:"), kLabelColour, 0.8f);
        DrawLabel(580.0f, y, s.OwnerName(), kHeading, 0.8f);
        y += step;
    }
    DrawLabel(440.0f, y, TranslateText("Число игроков:"), kLabelColour, 0.8f);
    if (list)
        std::snprintf(value, sizeof value, "%d (%d)", s.playerCount, s.maxPlayers);
    else
        std::snprintf(value, sizeof value, "%d", s.playerCount);
    DrawLabel(580.0f, y, value, kHeading, 0.8f);
    y += step;
    DrawLabel(440.0f, y, TranslateText("Объем ресурсов:"), kLabelColour, 0.8f);
    const int level = s.menuChoice >= 0 && s.menuChoice <= 2 ? s.menuChoice : 0;
    DrawLabel(580.0f, y, TranslateText(kResources[level]), kHeading, 0.8f);
}

} // namespace

// ---- Server list ----

namespace {

// A server is its host's address and its own id (id 0: any id at that address).
int FindServer(const CNetSession& record)
{
    const NetAddress a = record.Address(0);
    for (int i = 0; i < g_LanServers.count; ++i) {
        const CNetSession& r = g_LanServers.records[i];
        if (NetSameHost(r.Address(0), a) && (record.ServerId() == 0 || r.ServerId() == record.ServerId()))
            return i;
    }
    return -1;
}

} // namespace

void AddLanServer(const CNetSession& record)
{
    LanServerList& l = g_LanServers;
    if (UpdateLanServer(record) || l.count >= kMaxLanServers)
        return;
    const int i = l.count;
    l.records[i] = record;
    l.stamps[i] = g_GameClock.NowMs();
    SetEntryCaption(i);
    if (l.selected < 0) {
        l.selected = i;
        s_Entries[i].SetPressed(1);
        if (s_Created)
            LoadMapPicture(record.MapIndex());
    }
    ++l.count;
}

bool UpdateLanServer(const CNetSession& record)
{
    const int i = FindServer(record);
    if (i < 0)
        return false;
    g_LanServers.records[i] = record;
    g_LanServers.stamps[i] = g_GameClock.NowMs();
    if (i == g_LanServers.selected)
        SetEntryCaption(i);
    return true;
}

void RemoveLanServer(const CNetSession& record)
{
    LanServerList& l = g_LanServers;
    const int i = FindServer(record);
    if (i < 0)
        return;
    if (l.joinRequested && i == l.selected) {
        g_MenuLoadButton.SetEnabled(1);
        l.joinRequested = 0;
    }
    for (int j = i; j + 1 < l.count; ++j) {
        l.records[j] = l.records[j + 1];
        l.stamps[j] = l.stamps[j + 1];
    }
    --l.count;
    // The captions follow the records that moved up.
    for (int j = 0; j < l.count; ++j)
        SetEntryCaption(j);
    if (l.count < kMaxLanServers)
        s_Entries[l.count].SetText("");
    // The selected server moved up with the others: its highlight goes with it.
    if (l.selected > i)
        --l.selected;
    if (l.selected >= l.count) {
        ReleasePicture();
        l.selected = l.count - 1;
    }
    SelectOnly(s_Entries, kMaxLanServers, l.selected);
}

bool LanServerEntryPressed(int i)
{
    return i >= 0 && i < kMaxLanServers && s_Entries[i].IsPressed();
}

// ---- The page ----

int CGameMenu::OpenNetworkPage()
{
    if (g_Network.Init() != 0)
        return 0;
    SetPage(MENU_PAGE_NETWORK);
    g_MenuClosingPage = -1;   // the page opens without a closing page
    return 1;
}

void CGameMenu::CreateNetworkPage()
{
    CFont* f = &g_MenuFont;
    for (int i = 0; i < kMaxLanServers; ++i)
        s_Entries[i].Create(320.0f, 239.0f + 30.0f * i, "", 0, kEntryColour, kGlow, f, 1, 1.0f);
    s_Create.Create(500.0f, 300.0f, "Создать сервер", 2, kChoiceColour, kGlow, f, 1, 1.0f);
    s_Join.Create(500.0f, 360.0f, "Подсоединиться к серверу", 2, kChoiceColour, kGlow, f, 1, 1.0f);
    s_Name.Create(385.0f, 265.0f, kMyGame, 2, kNameColour, kGlow, f, 1, 1.0f);
    const char* counts[3] = {"2", "3", "4"};
    for (int k = 0; k < 3; ++k) {
        s_Count[k].Create(335.0f + 50.0f * k, 345.0f, counts[k], 2, kSwitchColour, kGlow, f, 1, 1.0f);
        s_Resources[k].Create(385.0f, 425.0f + 28.0f * k, kResources[k], 2, kSwitchColour, kGlow, f, 1, 1.0f);
    }
    s_Prev.Create(520.0f, 430.0f, "<<<", 0, kArrowColour, kGlow, f, 1, 1.0f);
    s_Next.Create(710.0f, 430.0f, ">>>", 1, kArrowColour, kGlow, f, 1, 1.0f);
    g_NetworkSubState = -1;
    s_NameEntry = 0;
    s_Created = true;
}

void CGameMenu::UpdateNetworkPage()
{
    if (s_NameEntry) {
        UpdateTyping();
        return;
    }
    PageStep(true);
    if (g_NetworkSubState == -1 && g_MenuPage != MENU_PAGE_NETWORK)
        return;
    CNetSession& s = g_Network.session;
    LanServerList& l = g_LanServers;
    switch (g_NetworkSubState) {
    case -1:
        if (s_Create.WasClicked())
            ChooseCreate();
        else if (s_Join.WasClicked())
            ChooseJoin();
        else if (g_MenuBackButton.WasClicked()) {
            ReleasePicture();
            g_Network.Shutdown();
            SetPage(MENU_PAGE_MAIN);
        }
        break;
    case 0:
        if (s_Name.WasClicked()) {
            g_PointerShown = 0;
            g_TextInputState = TEXT_INPUT_TYPING;
            g_TextInputChar = 0;
            s_NameEntry = 1;
            return;
        }
        for (int k = 0; k < 3; ++k) {
            if (s_Count[k].WasClicked()) {
                SelectOnly(s_Count, 3, k);
                s.maxPlayers = k + 2;
            }
            if (s_Resources[k].WasClicked()) {
                SelectOnly(s_Resources, 3, k);
                s.menuChoice = k;
            }
        }
        if (s_Prev.WasClicked()) {
            if (s.MapIndex() > 0)
                s.SetMapIndex(s.MapIndex() - 1);
            LoadMapPicture(s.MapIndex());
        }
        if (s_Next.WasClicked()) {
            if (s.MapIndex() < s_MapCount - 1)
                s.SetMapIndex(s.MapIndex() + 1);
            LoadMapPicture(s.MapIndex());
        }
        if (g_MenuLoadButton.WasClicked())
            SetupContinue();
        else if (g_MenuBackButton.WasClicked())
            g_NetworkSubState = -1;
        break;
    case 1:
        if (g_MenuLoadButton.WasClicked())
            HostStart();
        if (g_MenuBackButton.WasClicked()) {
            g_MenuLoadButton.SetEnabled(1);
            g_Network.SetState(NET_NONE);
            g_NetworkSubState = 0;
        }
        break;
    case 2:
        if (!l.joinRequested)
            for (int i = 0; i < l.count; ++i)
                if (s_Entries[i].WasClicked()) {
                    SelectOnly(s_Entries, kMaxLanServers, i);
                    LoadMapPicture(l.records[i].MapIndex());
                    l.selected = i;
                }
        if (!l.joinRequested && g_MenuLoadButton.WasClicked())
            JoinSelected();
        if (g_MenuBackButton.WasClicked()) {
            l.joinRequested = 0;
            g_MenuLoadButton.SetEnabled(1);
            g_Network.SetState(NET_NONE);
            while (l.count > 0)
                RemoveLanServer(l.records[l.count - 1]);
            g_NetworkSubState = -1;
        }
        break;
    default:
        break;
    }
}

int CGameMenu::OnClickNetworkPage()
{
    int took = 0;
    switch (g_NetworkSubState) {
    case -1:
        took |= s_Create.OnMouseDown();
        took |= s_Join.OnMouseDown();
        break;
    case 0:
        if (s_NameEntry)
            return 0;
        took |= s_Name.OnMouseDown();
        for (int k = 0; k < 3; ++k) {
            took |= s_Count[k].OnMouseDown();
            took |= s_Resources[k].OnMouseDown();
        }
        took |= s_Prev.OnMouseDown();
        took |= s_Next.OnMouseDown();
        took |= g_MenuLoadButton.OnMouseDown();
        break;
    case 1:
        took |= g_MenuLoadButton.OnMouseDown();
        break;
    case 2:
        for (int i = 0; i < g_LanServers.count; ++i)
            took |= s_Entries[i].OnMouseDown();
        took |= g_MenuLoadButton.OnMouseDown();
        break;
    default:
        break;
    }
    took |= g_MenuBackButton.OnMouseDown();
    return took ? 1 : 0;
}

void CGameMenu::DrawNetworkPage(float)
{
    const CNetSession& s = g_Network.session;
    switch (g_NetworkSubState) {
    case -1:
        DrawHeading(170.0f, "Сетевая игра");
        DrawScreenDisc(MenuColour(80, kGlow), 500.0f, 310.0f, 40.0f, 4.0f, 0.6f);
        DrawScreenDisc(MenuColour(80, kGlow), 500.0f, 370.0f, 40.0f, 5.0f, 0.6f);
        s_Create.Draw(1.0f);
        s_Join.Draw(1.0f);
        break;
    case 0: {
        DrawHeading(195.0f, "Создать сервер");
        DrawBox(280.0f, 225.0f, 490.0f, 295.0f);
        DrawScreenRectColour(MenuColour(255, 0x643296), 285.0f, 257.0f, 485.0f, 290.0f);
        DrawMenuTextCentred(&g_MenuFont, 385.0f, 232.0f, TranslateText("Имя сервера:"), MenuColour(255, kHeading), kGlow, 1.0f);
        s_Name.Draw(1.0f);
        if (s_NameEntry) {
            DrawLabel(s_Name.left - 12.0f, 265.0f, "`", kNameColour, 1.0f);
            DrawLabel(s_Name.right + 4.0f, 265.0f, "`", kNameColour, 1.0f);
            if ((timeGetTime() / 400) % 2 == 0)
                DrawScreenDisc(MenuColour(200, kNameColour), s_Name.right, 275.0f, 18.0f, 0.2f, 1.0f);
        }
        DrawBox(280.0f, 305.0f, 490.0f, 375.0f);
        DrawMenuTextCentred(&g_MenuFont, 385.0f, 312.0f, TranslateText("Число игроков:"), MenuColour(255, kHeading), kGlow, 1.0f);
        const int k = s.maxPlayers - 2;
        if (k >= 0 && k < 3)
            DrawScreenQuadColour(MenuColour(100, 0x000096), 315.0f + 50.0f * k, 340.0f, 355.0f + 50.0f * k, 366.0f, nullptr);
        DrawBox(280.0f, 385.0f, 490.0f, 510.0f);
        DrawMenuTextCentred(&g_MenuFont, 385.0f, 392.0f, TranslateText("Объем ресурсов:"), MenuColour(255, kHeading), kGlow, 1.0f);
        const int r = s.menuChoice;
        if (r >= 0 && r < 3)
            DrawScreenQuadColour(MenuColour(100, 0x000096), 325.0f, 420.0f + 28.0f * r, 445.0f, 446.0f + 28.0f * r, nullptr);
        for (int i = 0; i < 3; ++i) {
            s_Count[i].Draw(1.0f);
            s_Resources[i].Draw(1.0f);
        }
        DrawBox(510.0f, 225.0f, 720.0f, 460.0f);
        DrawPicture(520.0f, 235.0f, 710.0f, 425.0f);
        DrawMenuTextCentred(&g_MenuFont, 615.0f, 432.0f, TranslateText("КАРТА"), MenuColour(255, kHeading), kGlow, 1.0f);
        s_Prev.Draw(1.0f);
        s_Next.Draw(1.0f);
        g_MenuLoadButton.Draw(1.0f);
        break;
    }
    case 1: {
        DrawHeading(195.0f, "Ожидание подключений");
        DrawRows();
        for (int i = 0; i < s.playerCount && i < 4; ++i) {
            DrawLabel(320.0f, 239.0f + 30.0f * i, s.names[i], kEntryColour, 0.8f);
            char status[64];
            std::snprintf(status, sizeof status, "(%s %s)", TranslateText("Статус:"), TranslateText("готов"));
            DrawLabel(550.0f, 239.0f + 30.0f * i, status, kStatusColour, 0.8f);
        }
        for (int i = s.playerCount; i < s.maxPlayers && i < 4; ++i) {
            char status[64];
            std::snprintf(status, sizeof status, "(%s %s)", TranslateText("Статус:"), TranslateText("ожидание"));
            DrawLabel(550.0f, 239.0f + 30.0f * i, status, kStatusColour, 0.8f);
        }
        DrawInfo(s, false);
        g_MenuLoadButton.Draw(1.0f);
        break;
    }
    case 2: {
        DrawHeading(195.0f, "Выбор сервера");
        DrawRows();
        for (int i = 0; i < g_LanServers.count; ++i)
            s_Entries[i].Draw(0.8f);
        if (g_LanServers.joinRequested)
            DrawMenuTextCentred(&g_MenuFont, 500.0f, 280.0f, TranslateText("Ждите..."), MenuColour(255, kHeading), kGlow, 1.0f);
        if (g_LanServers.selected >= 0 && g_LanServers.selected < g_LanServers.count)
            DrawInfo(g_LanServers.records[g_LanServers.selected], true);
        g_MenuLoadButton.Draw(1.0f);
        break;
    }
    default:
        break;
    }
    g_MenuBackButton.Draw(1.0f);
}

// ---- Test hook: the lobby without the mouse (KORVANE_NET_LOBBY) ----

void NetworkPageAutoLobby()
{
    static int phase = 0;
    static int players = 2, map = 1;
    static bool host = false, byClicks = false;
    const char* mode = NetTestLobby();
    if (!mode)
        return;
    if (phase == 0) {
        phase = 1;
        host = std::strncmp(mode, "host", 4) == 0;
        // "clicks": the player's own clicks go through the page; only the game is the hook's.
        byClicks = std::strcmp(mode, "clicks") == 0;
        if (host)
            std::sscanf(mode, "host:%d:%d", &players, &map);
        DebugOutF("Network: test lobby as %s", host ? "host" : byClicks ? "client by clicks" : "client");
        if (byClicks)
            return;
        if (!s_Created)
            CGameMenu::CreateNetworkPage();
        if (!g_Network.initialised && g_Network.Init() != 0)
            return;
        if (!g_PlayerName[0])
            std::snprintf(g_PlayerName, sizeof g_PlayerName, "%s", host ? "Host" : "Guest");
        if (host) {
            ChooseCreate();
            g_Network.session.maxPlayers = players < 2 ? 2 : players > 4 ? 4 : players;
            g_Network.session.SetMapIndex(map < 1 || map > s_MapCount ? 0 : map - 1);
            SetupContinue();
        } else {
            ChooseJoin();
        }
        // With the game menu up the page itself runs the lobby and starts the map, as
        // after the player's clicks (the world must not be unloaded from inside its update).
        if (g_GameMenuActive) {
            CGameMenu::SetPage(MENU_PAGE_NETWORK);
            g_MenuClosingPage = -1;
        }
        return;
    }
    // The host, left alone, plays on until the map is his: the results page shows (at most 60 s).
    static uint32_t aloneSince = 0;
    static bool closing = false;
    if (host && aloneSince && !closing &&
        ((g_GameMenuActive && g_MenuPage == MENU_PAGE_RESULTS) || g_GameClock.NowMs() - aloneSince > 60000)) {
        closing = true;
        DebugOut("Network: test lobby ends");
        PostMessage(GetMainWindow(), WM_CLOSE, 0, 0);
        return;
    }
    if (g_GameMode == 2 && (g_Network.lobbyState == NET_CLIENT_IN_GAME || g_Network.lobbyState == NET_HOST_IN_GAME)) {
        static uint32_t lastChat = 0, heardAllAt = 0;
        static bool heardAll = false;
        const uint32_t now = g_GameClock.NowMs();
        const CNetSession& s = g_Network.session;
        if (g_PlayerObject && !closing && (lastChat == 0 || now - lastChat > 2000)) {
            lastChat = now ? now : 1;
            char text[64];
            std::snprintf(text, sizeof text, "Hello from %s", g_PlayerName);
            NetChatText chat{-1, g_PlayerObject->pilot.objectId, text};
            g_Network.SendObjectMessage(21, g_PlayerObject, &chat);
        }
        unsigned others = 0;
        for (int i = 0; i < s.playerCount && i < kNetMaxPlayers; ++i)
            if (s.playerIds[i] != s.ownIndex)
                others |= 1u << (s.playerIds[i] & 31);
        if (!heardAll && others && (g_Network.chatHeardFrom & others) == others) {
            heardAll = true;
            heardAllAt = now;
            DebugOut("Network: test lobby heard every player");
        }
        // The host's window then loses the focus in the map for 2 s, as a player switching
        // windows does; every player must still be there when it comes back.
        static int focusStep = 0, playersBefore = 0, focusGame = -1;
        static uint32_t focusAt = 0;
        if (focusGame != NetGameNumber())
            focusGame = NetGameNumber(), focusStep = 0, playersBefore = 0, focusAt = 0;
        const uint32_t real = timeGetTime();
        if (heardAll && s.role == 0 && focusStep < 3) {
            if (focusStep == 0) {
                playersBefore = s.playerCount;
                PostMessage(GetMainWindow(), WM_ACTIVATE, WA_INACTIVE, 0);
                PostMessage(GetMainWindow(), WM_KILLFOCUS, 0, 0);
            } else if (focusStep == 1 && real - focusAt > 2000) {
                PostMessage(GetMainWindow(), WM_ACTIVATE, WA_ACTIVE, 0);
                PostMessage(GetMainWindow(), WM_SETFOCUS, 0, 0);
            } else if (focusStep != 2 || real - focusAt < 200) {
                return;
            } else {
                DebugOutF("Network: test lobby had %d players as the focus left the map and %d after it came back",
                          playersBefore, s.playerCount);
            }
            focusAt = real;
            ++focusStep;
            return;
        }
        // The host then shoots at a ship of the first client until a shot strikes home:
        // one of its own ships is put 100 units in front of the target, facing it. A target
        // or shooter that is gone ends the shooting as a miss.
        static int shooting = 0;
        if (heardAll && s.role == 0 && shooting >= 0 && s.playerCount > 1) {
            auto inSpace = [](int id, int owner) {
                CUnit* u = CObjectList::FindByIdAndOwner(id, owner);
                return u && u->IsAlive() && CObjectList::IndexOf(u) >= 0 ? u : nullptr;
            };
            // The home fleet's ships first: the player's own ship (102) flies the map's
            // opening scene, which moves it out of the line of fire.
            const int ids[4] = {1001, 1002, 1003, 102};
            static int targetId = -1, shooterId = -1;
            CUnit* target = nullptr;
            CUnit* shooter = nullptr;
            if (shooting == 0) {
                for (int id : ids) {
                    if (!target)
                        target = inSpace(id, s.playerIds[1]);
                    if (!shooter || !shooter->HasWeapons())
                        shooter = inSpace(id, s.ownIndex);
                }
            } else {
                target = inSpace(targetId, s.playerIds[1]);
                shooter = inSpace(shooterId, s.ownIndex);
            }
            static float startHull = 0.0f;
            static uint32_t startTime = 0;
            if (shooting > 0 && (!target || !shooter)) {
                DebugOutF("Network: test lobby missed player %d's unit %d: it or the shooter is gone",
                          s.playerIds[1] + 1, targetId);
                shooting = -1;
            } else if (target && shooter && shooter->HasWeapons()) {
                if (shooting == 0) {
                    startHull = target->hull;
                    startTime = now;
                    targetId = target->pilot.objectId;
                    shooterId = shooter->pilot.objectId;
                    DebugOutF("Network: test lobby fires at player %d's unit %d", s.playerIds[1] + 1, targetId);
                }
                if (target->hull < startHull || now - startTime > 20000) {
                    DebugOutF("Network: test lobby %s player %d's unit %d, hull %.0f of %.0f",
                              target->hull < startHull ? "hit" : "missed", s.playerIds[1] + 1,
                              target->pilot.objectId, target->hull, startHull);
                    shooting = -1;
                } else {
                    for (int i = 0; i < shooter->itemCount && i < kMaxUnitItems; ++i)
                        if (shooter->items[i] && shooter->items[i]->kind == GTYPE_LASER_WEAPON)
                            shooter->items[i]->armed = 1;
                    const Vec3 ahead(target->worldMatrix.m[2][0], target->worldMatrix.m[2][1], target->worldMatrix.m[2][2]);
                    const Vec3 up(target->worldMatrix.m[1][0], target->worldMatrix.m[1][1], target->worldMatrix.m[1][2]);
                    const Vec3 from = target->position + ahead * (100.0f + target->boundsRadius);
                    shooter->SetLookAt(from, target->position, up);
                    shooter->position = from;
                    // Moved by hand: the others learn where it is now, as of a ship that flew there.
                    g_Network.SendObjectMessage(13, shooter);
                    shooter->target = target;
                    shooter->FireLasers();
                    ++shooting;
                }
            }
        }
        // The first client, the target, waits for the host's hit (at most 60 s): other
        // players' hits on its ships (a collision, a mine) do not end its wait.
        const bool target = s.ownIndex == 1 && !(g_Network.ownUnitsHitBy & 1u) && now - heardAllAt < 60000;
        if (s.role == 0 && s.playerCount <= 1 && heardAll && shooting < 1 && !aloneSince)
            aloneSince = now ? now : 1;
        const bool done = s.role != 0 && heardAll && shooting < 1 && now - heardAllAt > 8000 && !target;
        if (done && !closing) {
            closing = true;
            DebugOut("Network: test lobby ends");
            PostMessage(GetMainWindow(), WM_CLOSE, 0, 0);
        }
        return;
    }
    if (g_NetworkSubState < 0 || byClicks)
        return;
    if (!g_GameMenuActive)
        PageStep(false);
    else if (g_MenuPage != MENU_PAGE_NETWORK)
        return;
    if (g_NetworkSubState == 1 && g_Network.lobbyState == NET_HOST_LOBBY) {
        // The host starts once every player has waited 5 s in the full lobby. Without the
        // focus meanwhile (the test takes it away) it gets it back as the window would.
        static uint32_t fullSince = 0, unfocusedMs = 0, lastTime = 0;
        const uint32_t now = timeGetTime();
        const bool full = g_Network.session.playerCount >= g_Network.session.maxPlayers;
        if (!full)
            fullSince = 0;
        else if (fullSince == 0)
            fullSince = now ? now : 1;
        if (full && !g_HasFocus && lastTime)
            unfocusedMs += now - lastTime;
        lastTime = now;
        if (!full || now - fullSince < 5000)
            return;
        if (!g_HasFocus) {
            PostMessage(GetMainWindow(), WM_ACTIVATE, WA_ACTIVE, 0);
            PostMessage(GetMainWindow(), WM_SETFOCUS, 0, 0);
            return;
        }
        if (g_MenuLoadButton.IsEnabled()) {
            DebugOutF("Network: test lobby starts after %u ms with every player in, %u ms of them without focus",
                      unsigned(now - fullSince), unsigned(unfocusedMs));
            HostStart();
        }
    } else if (g_NetworkSubState == 2 && !g_LanServers.joinRequested && g_LanServers.count > 0) {
        g_LanServers.selected = 0;
        JoinSelected();
    }
}
