// The send and receive queues over the in-memory network, with the faults a hostile or
// busy network brings.
#include "net/net_test_util.h"

namespace {

using Transport = NetPeers;

std::vector<uint8_t> Bytes(int n, uint8_t first)
{
    std::vector<uint8_t> v(size_t(n), 0x55);
    if (n > 0)
        v[0] = first;
    return v;
}

TEST_F(Transport, FullSendQueueDropsItsOldestAndKeepsTheOrder)
{
    CNetwork& a = Add();
    a.directWritable = 0;   // nothing leaves: every message stays queued
    for (int i = 0; i < kNetQueueSize + 1; ++i) {
        const uint8_t b = uint8_t(i);
        a.Compose(200, &b, 1);
        a.QueueSend(a.directSocket, NetMakeAddress(PeerHost(1), 9999));
    }
    ASSERT_EQ(a.sendCount, kNetQueueSize);
    EXPECT_EQ(a.sendQueue[0].data[1], 1);     // the first one is gone
    EXPECT_EQ(a.sendQueue[kNetQueueSize - 1].data[1], uint8_t(kNetQueueSize));
    EXPECT_EQ(NetHtons(a.sendQueue[0].to.port), kNetPort);   // any port becomes 5150
}

TEST_F(Transport, BlockedSocketKeepsItsMessagesWhileOthersGoAndFlushesOnWritable)
{
    CNetwork& a = Add();
    CNetwork& b = Add();
    NetMemoryBlockSends(a.directSocket, 1);
    a.Compose(200, "x", 1);
    a.QueueSend(a.directSocket, NetMakeAddress(PeerHost(1), kNetPort));
    EXPECT_EQ(a.directWritable, 0);
    a.Compose(201, "y", 1);
    a.QueueSend(a.broadcastSocket, a.broadcastAddress);
    ASSERT_EQ(a.sendCount, 1);                   // the broadcast went, the direct one waits
    EXPECT_EQ(a.sendQueue[0].data[0], 200);
    // The pump reports the socket writable again; the queue drains.
    ClearMessageQueue();
    NetPoll();
    MSG m;
    bool notice = false;
    while (PeekMessage(&m, nullptr, WM_SOCKET, WM_SOCKET, PM_REMOVE))
        if (m.wParam == WPARAM(a.directSocket) && LOWORD(m.lParam) == FD_WRITE)
            a.SetSocketWritable(SOCKET(m.wParam), 1), notice = true;
    EXPECT_TRUE(notice);
    EXPECT_EQ(a.sendCount, 0);
    Receive(b);
    EXPECT_EQ(b.receiveCount, 2);
}

TEST_F(Transport, ReceiveRefusesOversizeSkipsEmptyAndReportsAFullQueue)
{
    CNetwork& a = Add();
    SOCKET raw = RawSocket(PeerHost(7));
    SendRaw(raw, Bytes(600, 13), PeerHost(0));   // over the buffer: refused, not cut
    SendRaw(raw, {}, PeerHost(0));               // empty: skipped, the loop goes on
    SendRaw(raw, Bytes(512, 14), PeerHost(0));   // exactly the buffer: kept
    Receive(a);
    EXPECT_EQ(a.refusedDatagrams, 1);
    ASSERT_EQ(a.receiveCount, 1);
    EXPECT_EQ(a.Received(0).length, 512);
    EXPECT_EQ(a.Received(0).data[0], 14);
    for (int i = 0; i < kNetQueueSize + 2; ++i)
        SendRaw(raw, {uint8_t(i)}, PeerHost(0));
    for (int frame = 0; frame < 2; ++frame)   // more than one frame's share
        a.StartFrameReads(), Receive(a);
    EXPECT_EQ(a.receiveCount, kNetQueueSize);
    EXPECT_EQ(a.receiveOverflows, 3);
    EXPECT_EQ(a.Received(kNetQueueSize - 1).data[0], uint8_t(kNetQueueSize + 1));   // the newest stays
    ASSERT_GT(a.PopReceived(), 0);
    EXPECT_EQ(a.receiveCount, kNetQueueSize - 1);
}

// 64 datagrams a frame and 16 per message pumped: every pump pass ends, overflow is logged
// at most once a second, and the frames after the flood read on what waits.
TEST_F(Transport, FloodLetsEveryFrameEndAndIsReadOnAfterwards)
{
    CNetwork& a = Add();
    SOCKET raw = RawSocket(PeerHost(7));
    const uint32_t start = timeGetTime();
    MSG m;
    auto send = [&](int n) {
        for (int k = 0; k < n; ++k)
            SendRaw(raw, {13, uint8_t(k)}, PeerHost(0));
    };
    auto frame = [&](int flood) {
        int messages = 0;
        for (send(flood * 4); messages < 10000 && PeekMessage(&m, nullptr, 0, 0, PM_REMOVE); ++messages) {
            if (m.message == WM_SOCKET && LOWORD(m.lParam) == FD_READ)
                a.OnReceive(SOCKET(m.wParam));
            send(flood);
        }
        a.StartFrameReads();
        return messages;
    };
    for (int f = 0; f < 20; ++f)
        ASSERT_LT(frame(16), 100) << f;
    EXPECT_GT(a.receiveOverflows, 0);
    EXPECT_LE(a.overflowLog.lines, 1 + int((timeGetTime() - start) / 1000));
    for (int f = 0; f < 4096 / kNetReadsPerMs + 2; ++f)   // at least a millisecond's share each
        frame(0);
    EXPECT_EQ(NetMemoryPending(a.listenSocket), 0);
}

TEST_F(Transport, PayloadOver511BytesIsRefusedNotCut)
{
    CNetwork& a = Add();
    std::vector<uint8_t> big(512, 1);
    a.Compose(11, big.data(), int(big.size()));
    EXPECT_EQ(a.outgoingLength, 0);
    a.QueueSend(a.directSocket, NetMakeAddress(PeerHost(1), kNetPort));
    EXPECT_EQ(a.sendCount, 0);
    a.Compose(11, big.data(), 511);
    EXPECT_EQ(a.outgoingLength, 512);
}

TEST_F(Transport, FailedStartClosesWhatItOpened)
{
    CNetwork& a = Add();
    NetMemorySetHost(PeerHost(0));   // the same host: port 5150 is taken
    CNetwork b;
    EXPECT_NE(b.Init(), 0);
    EXPECT_EQ(b.initialised, 0);
    EXPECT_EQ(b.broadcastSocket, INVALID_SOCKET);
    EXPECT_EQ(b.listenSocket, INVALID_SOCKET);
    a.Shutdown();
    EXPECT_EQ(b.Init(), 0);          // the port is free again
    b.initialised = 0;
}

} // namespace
