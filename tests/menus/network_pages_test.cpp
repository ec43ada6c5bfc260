// The network page's list of announced servers.
#include <gtest/gtest.h>

#include "menus/network_pages.h"
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
