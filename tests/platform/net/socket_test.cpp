// The socket layer on real loopback sockets (addresses chosen by the test variables) and
// the loss switch on the in-memory network.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/net/socket.h"
#include "platform/win/window.h"

namespace {

class Sockets : public ::testing::Test {
protected:
    void SetUp() override
    {
        NetUseMemory(false);
        NetStartup();
        ClearMessageQueue();
    }
    void TearDown() override
    {
        for (SOCKET s : open_)
            NetClose(s);
        unsetenv("KORVANE_NET_BIND");
        unsetenv("KORVANE_NET_BROADCAST");
        unsetenv("KORVANE_NET_LOSS");
        NetResetEnvironment();
        NetUseMemory(false);
        NetCleanup();
        ClearMessageQueue();
    }
    // A socket that binds (or first sends) from the given loopback address.
    SOCKET On(const char* address, int port)
    {
        setenv("KORVANE_NET_BIND", address, 1);
        NetResetEnvironment();
        SOCKET s = NetSocket();
        EXPECT_NE(s, INVALID_SOCKET);
        open_.push_back(s);
        NetAsyncSelect(s, FD_READ | FD_WRITE);
        if (port >= 0) {
            EXPECT_EQ(NetBind(s, NetMakeAddress(0, uint16_t(port))), 0) << NetLastError();
        }
        return s;
    }
    // Posts the notices and tells whether socket s got a read notice.
    static bool ReadNotice(SOCKET s)
    {
        NetPoll();
        MSG m;
        bool got = false;
        while (PeekMessage(&m, nullptr, WM_SOCKET, WM_SOCKET, PM_REMOVE))
            got = got || (m.wParam == WPARAM(s) && LOWORD(m.lParam) == FD_READ);
        return got;
    }
    std::vector<SOCKET> open_;
};

TEST_F(Sockets, LoopbackCopiesTellEachOtherApartAndOversizeIsReported)
{
    uint32_t a = 0, b = 0;
    ASSERT_TRUE(NetParseAddress("127.0.0.77", &a));
    ASSERT_TRUE(NetParseAddress("127.0.0.78", &b));
    SOCKET rx = On("127.0.0.77", 5161);
    SOCKET tx = On("127.0.0.78", -1);
    std::vector<uint8_t> big(600, 7);
    ASSERT_EQ(NetSendTo(tx, "hi", 2, NetMakeAddress(a, 5161)), 2);
    ASSERT_EQ(NetSendTo(tx, big.data(), 600, NetMakeAddress(a, 5161)), 600);
    for (int i = 0; i < 100 && !ReadNotice(rx); ++i) {}
    uint8_t buf[512];
    NetAddress from;
    EXPECT_EQ(NetRecvFrom(rx, buf, sizeof buf, &from), 2);
    EXPECT_EQ(from.addr, NetMakeAddress(b, 0).addr);   // the sender's own address
    EXPECT_EQ(NetRecvFrom(rx, buf, sizeof buf, &from), 600);   // longer than the buffer: told
    EXPECT_EQ(NetRecvFrom(rx, buf, sizeof buf, &from), SOCKET_ERROR);
    EXPECT_EQ(NetLastError(), NET_EWOULDBLOCK);
    NetAddress local;
    ASSERT_TRUE(NetLocalAddressFor(tx, NetMakeAddress(a, 5161), &local));
    EXPECT_EQ(local.addr, NetMakeAddress(b, 0).addr);
}

TEST_F(Sockets, BroadcastReachesCopiesBoundToTheirOwnAddresses)
{
    setenv("KORVANE_NET_BROADCAST", "127.255.255.255", 1);
    SOCKET rx1 = On("127.0.0.81", 5162);
    SOCKET rx2 = On("127.0.0.82", 5162);
    SOCKET tx = On("127.0.0.83", -1);
    ASSERT_EQ(NetSetBroadcast(tx, 1), 0);
    ASSERT_EQ(NetSendTo(tx, "b", 1, NetMakeAddress(NetBroadcastAddress(), 5162)), 1);
    uint8_t buf[16];
    NetAddress from;
    for (SOCKET rx : {rx1, rx2}) {
        int r = SOCKET_ERROR;
        for (int i = 0; i < 1000 && r == SOCKET_ERROR; ++i)
            r = NetRecvFrom(rx, buf, sizeof buf, &from);
        EXPECT_EQ(r, 1);
    }
}

TEST_F(Sockets, LossSwitchDropsItsShareTheSameWayEachRun)
{
    auto run = [] {
        setenv("KORVANE_NET_LOSS", "30", 1);
        NetResetEnvironment();
        NetUseMemory(true);
        NetMemorySetHost(0x0A000001u);
        SOCKET rx = NetSocket();
        NetBind(rx, NetMakeAddress(0, 5150));
        NetMemorySetHost(0x0A000002u);
        SOCKET tx = NetSocket();
        for (int i = 0; i < 1000; ++i)
            NetSendTo(tx, "x", 1, NetMakeAddress(0x0A000001u, 5150));
        uint8_t buf[4];
        int got = 0;
        while (NetRecvFrom(rx, buf, sizeof buf, nullptr) == 1)
            ++got;
        return got;
    };
    const int first = run();
    EXPECT_GT(first, 620);
    EXPECT_LT(first, 780);
    EXPECT_EQ(run(), first);
}

} // namespace
