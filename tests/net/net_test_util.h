// Copies of the game's network object on the in-memory network, one simulated host each.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "menus/network_pages.h"
#include "menus/pilots_page.h"
#include "net/network.h"
#include "platform/net/socket.h"
#include "platform/win/timer.h"
#include "platform/win/window.h"

inline uint32_t g_TestLobbyNow = 100000;
inline uint32_t TestLobbyClock() { return g_TestLobbyNow; }

inline uint32_t PeerHost(int i) { return 0x0A000001u + uint32_t(i); }   // 10.0.0.1 ...

// The waiting datagrams into the copy's receive queue, notice after notice as the pump
// raises them, up to the frame's share.
inline void ReceiveAll(CNetwork& n)
{
    for (int last = -1; last != n.readsThisFrame;) {
        last = n.readsThisFrame;
        for (SOCKET s : {n.broadcastSocket, n.listenSocket, n.directSocket})
            n.OnReceive(s);
    }
}

class NetPeers : public ::testing::Test {
protected:
    void SetUp() override
    {
        NetUseMemory(true);
        NetResetEnvironment();
        g_NetLobbyClock = TestLobbyClock;
        g_TestLobbyNow = 100000;
        g_LanServers = LanServerList{};
        std::snprintf(g_PlayerName, sizeof g_PlayerName, "Tester");
    }
    void TearDown() override
    {
        for (auto& n : peers)
            n->initialised = 0;   // nothing goes out on the way down
        peers.clear();
        g_NetLobbyClock = timeGetTime;
        g_LanServers = LanServerList{};
        NetUseMemory(false);
        ClearMessageQueue();
    }
    // A started copy on host 10.0.0.(i+1).
    CNetwork& Add()
    {
        NetMemorySetHost(PeerHost(int(peers.size())));
        peers.push_back(std::make_unique<CNetwork>());
        EXPECT_EQ(peers.back()->Init(), 0);
        return *peers.back();
    }
    static void Receive(CNetwork& n) { ReceiveAll(n); }
    // One frame of every copy: receive, then the lobby or in-game step.
    void Frame(int times = 1)
    {
        for (int t = 0; t < times; ++t)
            for (auto& n : peers) {
                Receive(*n);
                n->Update();
            }
    }
    // A raw socket on its own host, to send whatever a test likes.
    SOCKET RawSocket(uint32_t host)
    {
        NetMemorySetHost(host);
        SOCKET s = NetSocket();
        NetSetBroadcast(s, 1);
        return s;
    }
    static void SendRaw(SOCKET s, const std::vector<uint8_t>& bytes, uint32_t to)
    {
        NetSendTo(s, bytes.data(), int(bytes.size()), NetMakeAddress(to, kNetPort));
    }
    std::vector<std::unique_ptr<CNetwork>> peers;
};
