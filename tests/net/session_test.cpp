#include "net/network.h"

#include <gtest/gtest.h>

#include "world/game_clock.h"

TEST(NetSession, InitEmptiesTheTableButKeepsTheIds)
{
    CNetSession s;
    s.text[0] = 'x';
    s.maxPlayers = 4;
    s.playerCount = 3;
    s.menuChoice = 2;
    s.hostIndex = 0;
    s.names[1][0] = 'n';
    s.addresses[2][4] = 7;
    s.lastHeard[3] = 9;
    s.role = 1;
    s.ownIndex = 2;
    s.playerIds[1] = 5;
    s.Init();
    EXPECT_EQ(s.text[0], 0);
    EXPECT_EQ(s.maxPlayers, 2);
    EXPECT_EQ(s.playerCount, 0);
    EXPECT_EQ(s.menuChoice, 0);
    EXPECT_EQ(s.hostIndex, -1);
    EXPECT_EQ(s.names[1][0], 0);
    EXPECT_EQ(s.addresses[2][4], 0);
    EXPECT_EQ(s.lastHeard[3], 0u);
    EXPECT_EQ(s.role, -1);
    EXPECT_EQ(s.ownIndex, -1);
    EXPECT_EQ(s.playerIds[1], 5);
}

TEST(NetSession, TouchAllSetsEveryLastHeardTimeToNow)
{
    const double saved = g_GameClock.gameTime;
    g_GameClock.gameTime = 123456.0;
    CNetSession s;
    s.TouchAll();
    for (uint32_t t : s.lastHeard) EXPECT_EQ(t, 123456u);
    g_GameClock.gameTime = saved;
}
