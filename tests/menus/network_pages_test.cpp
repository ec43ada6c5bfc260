// The network page's list of announced servers.
#include <gtest/gtest.h>

#include "menus/network_pages.h"
#include "menus/game_menu.h"
#include "render/d3d_render.h"
#include "world/game_clock.h"

namespace {

CNetSession Server(uint32_t hostAddr, int32_t id, const char* name)
{
    CNetSession s;
    s.Init();
    s.playerCount = 1;
    s.SetServerName(name);
    s.SetServerId(id);
    s.SetAddress(0, NetMakeAddress(hostAddr, kNetPort));
    return s;
}

class LanServers : public ::testing::Test {
protected:
    void SetUp() override { g_LanServers = LanServerList{}; }
    void TearDown() override { g_LanServers = LanServerList{}; }
};

TEST_F(LanServers, AddUpdateAndAFifthServerIgnored)
{
    for (uint32_t i = 1; i <= 5; ++i)
        AddLanServer(Server(0x0A000000u + i, int32_t(100 + i), "S"));
    EXPECT_EQ(g_LanServers.count, 4);
    EXPECT_EQ(g_LanServers.selected, 0);
    // The same host announcing again is refreshed, not listed twice.
    AddLanServer(Server(0x0A000002u, 102, "Renamed"));
    EXPECT_EQ(g_LanServers.count, 4);
    EXPECT_STREQ(g_LanServers.records[1].ServerName(), "Renamed");
    // Two hosts with the same id are two servers.
    g_LanServers = LanServerList{};
    AddLanServer(Server(0x0A000001u, 7, "A"));
    AddLanServer(Server(0x0A000002u, 7, "B"));
    EXPECT_EQ(g_LanServers.count, 2);
}

TEST_F(LanServers, RemovingTheSelectedLastServerSelectsTheNewLastOne)
{
    for (uint32_t i = 1; i <= 3; ++i)
        AddLanServer(Server(0x0A000000u + i, int32_t(i), "S"));
    g_LanServers.selected = 2;
    g_LanServers.joinRequested = 1;
    RemoveLanServer(Server(0x0A000003u, 3, "S"));
    EXPECT_EQ(g_LanServers.count, 2);
    EXPECT_EQ(g_LanServers.selected, 1);
    EXPECT_EQ(g_LanServers.joinRequested, 0);   // the server being joined is gone
    // A closing host names itself by address alone (id 0).
    RemoveLanServer(Server(0x0A000001u, 0, ""));
    EXPECT_EQ(g_LanServers.count, 1);
    EXPECT_EQ(g_LanServers.records[0].Address(0).addr, NetMakeAddress(0x0A000002u, 0).addr);
    RemoveLanServer(Server(0x0A000009u, 0, ""));   // not listed: nothing
    EXPECT_EQ(g_LanServers.count, 1);
}

} // namespace

namespace {

// The page's own frame step, without the mouse: the lobby's start button and the list's
// stale servers.
class NetworkPage : public LanServers {
protected:
    void SetUp() override
    {
        LanServers::SetUp();
        savedMessages_ = g_TextureErrorMessages;
        g_TextureErrorMessages = 0;
        CGameMenu::CreateNetworkPage();
        g_MenuPage = MENU_PAGE_NETWORK;
        g_Network.session.Init();
    }
    void TearDown() override
    {
        g_NetworkSubState = -1;
        g_Network.session.Init();
        g_Network.lobbyState = NET_NONE;
        g_TextureErrorMessages = savedMessages_;
        LanServers::TearDown();
    }
    int savedMessages_ = 1;
};

TEST_F(NetworkPage, HostCanStartOnlyWithEveryPlayerIn)
{
    g_NetworkSubState = 1;
    g_Network.lobbyState = NET_HOST_LOBBY;
    g_Network.session.maxPlayers = 3;
    g_Network.session.playerCount = 2;
    CGameMenu::UpdateNetworkPage();
    EXPECT_EQ(g_MenuLoadButton.IsEnabled(), 0);
    g_Network.session.playerCount = 3;
    CGameMenu::UpdateNetworkPage();
    EXPECT_EQ(g_MenuLoadButton.IsEnabled(), 1);
}

TEST_F(NetworkPage, SilentServerLeavesTheListAndFreesTheConnectButton)
{
    g_NetworkSubState = 2;
    AddLanServer(Server(0x0A000001u, 5, "A"));
    AddLanServer(Server(0x0A000002u, 6, "B"));
    g_LanServers.joinRequested = 1;
    g_MenuLoadButton.SetEnabled(0);
    g_GameClock.gameTime += 1500.0;
    AddLanServer(Server(0x0A000002u, 6, "B"));   // B keeps announcing itself
    g_GameClock.gameTime += 1000.0;
    CGameMenu::UpdateNetworkPage();
    ASSERT_EQ(g_LanServers.count, 1);
    EXPECT_STREQ(g_LanServers.records[0].ServerName(), "B");
    EXPECT_EQ(g_LanServers.joinRequested, 0);
    EXPECT_EQ(g_MenuLoadButton.IsEnabled(), 1);
}

} // namespace
