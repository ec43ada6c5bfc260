// The lobby state machine between copies on the in-memory network: searching, joining,
// a full session, leaving, a lost host and a lost start.
#include "net/net_test_util.h"

#include "locations/location_director.h"
#include "menus/game_menu.h"
#include "world/game_clock.h"

namespace {

class Lobby : public NetPeers {
protected:
    void SetUp() override
    {
        NetPeers::SetUp();
        mode_ = g_GameMode;
        g_GameMode = 0;   // the menu: no map runs yet
    }
    void TearDown() override
    {
        g_GameMode = mode_;
        NetPeers::TearDown();
    }
    CNetwork& Host(int maxPlayers)
    {
        CNetwork& h = Add();
        h.session.maxPlayers = maxPlayers;
        h.session.playerCount = 1;
        h.session.SetServerName("Arena");
        h.session.SetOwnerName("Boss");
        h.session.SetServerId(77);
        std::snprintf(h.session.names[0], 16, "Boss");
        h.SetState(NET_HOST_LOBBY);
        return h;
    }
    // A client that found the host and asks to join it.
    CNetwork& Joiner()
    {
        CNetwork& c = Add();
        c.SetState(NET_CLIENT_SEARCHING);
        Frame(2);
        EXPECT_GE(g_LanServers.count, 1);
        c.session = g_LanServers.records[0];
        c.session.lastHeard[0] = g_TestLobbyNow;
        c.SetState(NET_CLIENT_JOINING);
        Frame(2);
        return c;
    }
    int mode_ = 0;
};

TEST_F(Lobby, ClientsFindJoinAndStartWithTheHostsSeed)
{
    CNetwork& h = Host(3);
    CNetwork& c1 = Joiner();
    EXPECT_STREQ(g_LanServers.records[0].ServerName(), "Arena");
    EXPECT_EQ(g_LanServers.records[0].Address(0).addr, NetMakeAddress(PeerHost(0), 0).addr);
    CNetwork& c2 = Joiner();
    ASSERT_EQ(h.session.playerCount, 3);
    EXPECT_EQ(h.session.Address(0).addr, NetMakeAddress(PeerHost(0), 0).addr);   // its own address is set
    // A repeated join refreshes and adds nobody.
    Frame(3);
    EXPECT_EQ(h.session.playerCount, 3);
    h.SetState(NET_HOST_STARTING);
    const unsigned seed = g_NetRandomSeed;
    Frame(2);
    EXPECT_EQ(h.lobbyState, NET_HOST_IN_GAME);
    EXPECT_EQ(h.session.role, 0);
    EXPECT_EQ(h.session.ownIndex, 0);
    for (CNetwork* c : {&c1, &c2}) {
        EXPECT_EQ(c->lobbyState, NET_CLIENT_IN_GAME);
        EXPECT_EQ(c->session.role, 1);
        EXPECT_EQ(c->session.playerCount, 3);
        EXPECT_EQ(c->session.hostIndex, 0);
    }
    EXPECT_EQ(c1.session.ownIndex, 1);
    EXPECT_EQ(c2.session.ownIndex, 2);
    EXPECT_EQ(g_NetRandomSeed, seed);
}

TEST_F(Lobby, FullSessionRefusesAndTheClientSearchesAgain)
{
    CNetwork& h = Host(2);
    Joiner();
    CNetwork& late = Joiner();
    EXPECT_EQ(h.session.playerCount, 2);
    EXPECT_EQ(late.lobbyState, NET_CLIENT_SEARCHING);
}

TEST_F(Lobby, LeavingClientIsRemovedAndSilentOnesDropAfterTwoSeconds)
{
    CNetwork& h = Host(4);
    CNetwork& c1 = Joiner();
    CNetwork& c2 = Joiner();
    ASSERT_EQ(h.session.playerCount, 3);
    c1.SetState(NET_NONE);            // gives up: message 0 to the host
    Frame();
    EXPECT_EQ(h.session.playerCount, 2);
    EXPECT_EQ(h.session.FindIndexByAddress(NetMakeAddress(PeerHost(2), 0)), 1);
    c2.initialised = 0;               // gone without a word
    Frame();                          // (what it sent before arrives)
    g_TestLobbyNow += 2100;
    Frame();
    EXPECT_EQ(h.session.playerCount, 1);
    h.session.RemovePlayer(h.session.Address(0));   // the last entry stays
    EXPECT_EQ(h.session.playerCount, 1);
}

TEST_F(Lobby, LostHostSendsTheClientBackToSearchingAndAClosedLobbyLeavesTheList)
{
    CNetwork& h = Host(4);
    CNetwork& c = Joiner();
    ASSERT_EQ(c.lobbyState, NET_CLIENT_JOINING);
    h.initialised = 0;
    g_TestLobbyNow += 2100;
    Frame();
    EXPECT_EQ(c.lobbyState, NET_CLIENT_SEARCHING);
    EXPECT_EQ(g_LanServers.count, 0);

    h.initialised = 1;
    Frame(2);
    ASSERT_EQ(g_LanServers.count, 1);
    h.SetState(NET_NONE);             // message 0, no table with it
    Frame();
    EXPECT_EQ(g_LanServers.count, 0);
}

TEST_F(Lobby, ClientThatMissedTheStartIsSentItAgain)
{
    CNetwork& h = Host(2);
    CNetwork& c = Joiner();
    h.SetState(NET_HOST_STARTING);
    h.Update();
    ASSERT_EQ(h.lobbyState, NET_HOST_IN_GAME);
    Receive(c);
    c.receiveCount = 0;               // both copies of the start are lost
    g_GameMode = 2;                   // the host is in the map
    Frame(2);
    EXPECT_EQ(c.lobbyState, NET_CLIENT_IN_GAME);
    EXPECT_EQ(c.session.ownIndex, 1);
    EXPECT_EQ(h.session.ownIndex, 0);
}

TEST_F(Lobby, HostileTablesAndJoinsAreRefused)
{
    CNetwork& h = Host(4);
    CNetwork& c = Add();
    c.SetState(NET_CLIENT_SEARCHING);
    Frame(2);
    SOCKET raw = RawSocket(PeerHost(9));
    CNetSession bad;
    bad.Init();
    bad.maxPlayers = 4;
    bad.playerCount = 9;              // more players than entries
    std::vector<uint8_t> m(1 + sizeof bad);
    m[0] = 3;
    std::memcpy(m.data() + 1, &bad, sizeof bad);
    SendRaw(raw, m, PeerHost(1));
    SendRaw(raw, {3, 1, 2, 3}, PeerHost(1));                 // a short table
    Frame();
    ASSERT_EQ(g_LanServers.count, 1);                        // only the real host
    EXPECT_EQ(g_LanServers.records[0].Address(0).addr, NetMakeAddress(PeerHost(0), 0).addr);
    // Unterminated names come out terminated.
    bad.playerCount = 1;
    std::memset(bad.names, 'A', sizeof bad.names);
    std::memset(bad.text, 'B', sizeof bad.text);
    bad.SetMapIndex(0);
    std::memcpy(m.data() + 1, &bad, sizeof bad);
    SendRaw(raw, m, PeerHost(1));
    Frame();
    ASSERT_EQ(g_LanServers.count, 2);
    EXPECT_EQ(std::strlen(g_LanServers.records[1].names[0]), 15u);
    EXPECT_EQ(std::strlen(g_LanServers.records[1].ServerName()), 16u);
    // No name, empty, unterminated, more after the end, a control character, too long; a name.
    using namespace std::string_literals;
    for (const std::string& j : {""s, "\0"s, "AB"s, "A\0B\0"s, "A\a\0"s, "AAAAAAAAAAAAAAAA\0"s, "Guest\0"s}) {
        std::vector<uint8_t> m(j.size() + 1, 2);
        std::copy(j.begin(), j.end(), m.begin() + 1);
        SendRaw(raw, m, PeerHost(0));
    }
    Frame();
    EXPECT_EQ(h.refusedJoins, 6);
    ASSERT_EQ(h.session.playerCount, 2);
    EXPECT_STREQ(h.session.names[1], "Guest");
}

TEST_F(Lobby, JoiningPlayerWaitsInTheLobbyAsLongAsTheHostAnswers)
{
    // The page lists the server while the join goes on: the host's answers keep it fresh,
    // as the searching broadcasts did before.
    CGameMenu::CreateNetworkPage();
    CNetwork& h = Host(2);
    h.session.SetServerName("Sixteen chars ok");
    CNetwork& c = Add();
    c.SetState(NET_CLIENT_SEARCHING);
    Frame(2);
    ASSERT_EQ(g_LanServers.count, 1);
    EXPECT_STREQ(g_LanServers.records[0].ServerName(), "Sixteen chars ok");   // 16 characters whole
    g_NetworkSubState = 2;
    g_LanServers.joinRequested = 1;
    c.session = g_LanServers.records[0];
    c.session.lastHeard[0] = g_TestLobbyNow;
    c.SetState(NET_CLIENT_JOINING);
    for (int t = 0; t < 50; ++t) {                 // 5 s
        g_TestLobbyNow += 100;
        g_GameClock.gameTime += 100.0;
        Frame();
        CGameMenu::UpdateNetworkPage();
    }
    EXPECT_EQ(c.lobbyState, NET_CLIENT_JOINING);
    EXPECT_EQ(g_LanServers.count, 1);
    EXPECT_EQ(g_LanServers.joinRequested, 1);
    EXPECT_EQ(h.session.playerCount, 2);
    g_NetworkSubState = -1;
}

} // namespace
