#include "net/network.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "app/settings.h"
#include "app/winmain.h"
#include "locations/location_director.h"
#include "locations/pilot_profile.h"
#include "menus/network_pages.h"
#include "menus/pilots_page.h"
#include "platform/win/message_box.h"
#include "platform/win/timer.h"
#include "world/game_clock.h"

CNetwork g_Network;
unsigned g_NetRandomSeed = 0;
uint32_t (*g_NetLobbyClock)() = timeGetTime;

namespace {

int FailBox(const char* format, int error)
{
    char text[128];
    std::snprintf(text, sizeof text, format, error);
    ShowMessage(text, "Network error!", MB_OK | MB_ICONWARNING);
    return 1;
}

// A join request carries the name and its terminator, nothing else: printable text of at
// most 15 characters.
bool ReadJoinName(const uint8_t* p, int n, char (&name)[kNetNameSize])
{
    if (n < 2 || n > kNetNameSize || p[n - 1] != 0 || std::memchr(p, 0, size_t(n - 1)))
        return false;
    std::memcpy(name, p, size_t(n));
    return IsValidPilotName(name);
}

} // namespace

uint32_t NetSince(uint32_t* stamp, uint32_t now)
{
    const int32_t d = int32_t(now - *stamp);   // signed: a counter wrap still subtracts right
    if (d >= 0)
        return uint32_t(d);
    *stamp = now;
    return 0;
}

int NetLogRate::Note(uint32_t nowMs)
{
    ++pending_;
    if (logged_ && nowMs - last_ < 1000)
        return 0;
    logged_ = true;
    last_ = nowMs;
    ++lines;
    const int n = pending_;
    pending_ = 0;
    return n;
}

// ---- Session table ----

bool NetSameHost(const NetAddress& a, const NetAddress& b)
{
    return a.addr == b.addr;
}

void CNetSession::Init()
{
    std::memset(text, 0, sizeof(text));
    maxPlayers = 2;
    playerCount = 0;
    menuChoice = 0;
    hostIndex = -1;
    std::memset(names, 0, sizeof(names));
    std::memset(addresses, 0, sizeof(addresses));
    std::memset(lastHeard, 0, sizeof(lastHeard));
    role = -1;
    ownIndex = -1;
}

void CNetSession::TouchAll()
{
    const uint32_t now = g_GameClock.NowMs();
    for (uint32_t& t : lastHeard)
        t = now;
}

NetAddress CNetSession::Address(int index) const
{
    NetAddress a;
    if (index >= 0 && index < kNetMaxPlayers)
        std::memcpy(&a, addresses[index], sizeof a);
    return a;
}

void CNetSession::SetAddress(int index, const NetAddress& address)
{
    if (index >= 0 && index < kNetMaxPlayers)
        std::memcpy(addresses[index], &address, sizeof address);
}

int CNetSession::FindIndexByAddress(const NetAddress& address) const
{
    for (int i = 0; i < playerCount && i < kNetMaxPlayers; ++i)
        if (NetSameHost(Address(i), address))
            return i;
    return -1;
}

int CNetSession::FindPlayerIdByAddress(const NetAddress& address) const
{
    const int i = FindIndexByAddress(address);
    return i < 0 ? -1 : playerIds[i];
}

int CNetSession::FindIndexById(int id) const
{
    for (int i = 0; i < playerCount && i < kNetMaxPlayers; ++i)
        if (playerIds[i] == id)
            return i;
    return -1;
}

const NetAddress* CNetSession::FindAddressById(int id) const
{
    for (int i = 0; i < playerCount && i < kNetMaxPlayers; ++i)
        if (playerIds[i] == id)
            return reinterpret_cast<const NetAddress*>(addresses[i]);
    return nullptr;
}

void CNetSession::AddPlayer(const char* name, const NetAddress& address, uint32_t now)
{
    // A player already in the table is only refreshed, even when the table is full.
    const int known = FindIndexByAddress(address);
    if (known >= 0) {
        lastHeard[known] = now;
        return;
    }
    if (playerCount >= maxPlayers || playerCount >= kNetMaxPlayers || playerCount < 0)
        return;
    const int i = playerCount++;
    std::memset(names[i], 0, kNetNameSize);
    std::strncpy(names[i], name ? name : "", kNetNameSize - 1);
    SetAddress(i, address);
    lastHeard[i] = now;
}

void CNetSession::RemoveIndex(int index)
{
    if (index < 0 || index >= playerCount || index >= kNetMaxPlayers)
        return;
    for (int j = index; j + 1 < playerCount && j + 1 < kNetMaxPlayers; ++j) {
        std::memcpy(names[j], names[j + 1], kNetNameSize);
        std::memcpy(addresses[j], addresses[j + 1], 16);
        lastHeard[j] = lastHeard[j + 1];
        playerIds[j] = playerIds[j + 1];
    }
    --playerCount;
    std::memset(names[playerCount], 0, kNetNameSize);
    std::memset(addresses[playerCount], 0, 16);
    lastHeard[playerCount] = 0;
}

void CNetSession::RemovePlayer(const NetAddress& address)
{
    if (playerCount <= 1)
        return;
    RemoveIndex(FindIndexByAddress(address));
}

// The session text: a 16-character server name needs its terminator too, so the map index
// (below 99) takes two bytes at the end.
void CNetSession::SetServerName(const char* name)
{
    std::memset(text, 0, 17);
    std::strncpy(text, name ? name : "", 16);
}

void CNetSession::SetOwnerName(const char* name)
{
    std::memset(text + 17, 0, 16);
    std::strncpy(text + 17, name ? name : "", 15);
}

int32_t CNetSession::MapIndex() const
{
    return int32_t(int16_t(uint16_t(uint8_t(text[34]) | uint8_t(text[35]) << 8)));
}

void CNetSession::SetMapIndex(int32_t index)
{
    text[34] = char(uint8_t(index));
    text[35] = char(uint8_t(uint32_t(index) >> 8));
}

bool CNetSession::Sanitise(bool started)
{
    text[16] = 0;
    text[32] = 0;
    for (auto& n : names)
        n[kNetNameSize - 1] = 0;
    if (maxPlayers < 2 || maxPlayers > kNetMaxPlayers)
        return false;
    if (playerCount < 1 || playerCount > maxPlayers)
        return false;
    if (hostIndex < -1 || hostIndex >= playerCount || ownIndex < -1 || ownIndex >= playerCount)
        return false;
    if (MapIndex() < 0 || MapIndex() > 98 || menuChoice < 0 || menuChoice > 2)
        return false;
    if (started) {
        // The start names this copy's own client entry and numbers the players.
        if (ownIndex < 1)
            return false;
        for (int i = 0; i < playerCount; ++i)
            if (playerIds[i] != i)
                return false;
    }
    return true;
}

// ---- Transport ----

void CNetwork::ResetState()
{
    lobbyState = NET_NONE;
    broadcastSocket = listenSocket = directSocket = INVALID_SOCKET;
    initialised = 0;
}

int CNetwork::Init()
{
    if (initialised)
        return 0;
    if (NetStartup() != 0)
        return ShowMessage("WSAStartup failed!", "Network error!", MB_OK | MB_ICONWARNING), 1;
    int failed = 0;
    broadcastSocket = NetSocket();
    if (broadcastSocket == INVALID_SOCKET)
        failed = FailBox("Failed to create socket!\nError: %d", NetLastError());
    else {
        NetAsyncSelect(broadcastSocket, FD_READ | FD_WRITE);
        if (NetSetBroadcast(broadcastSocket, 1) != 0)
            failed = FailBox("setsockopt() failed!\nError: %d", NetLastError());
    }
    broadcastAddress = NetMakeAddress(NetBroadcastAddress(), kNetPort);
    broadcastWritable = 1;
    if (!failed) {
        listenSocket = NetSocket();
        if (listenSocket == INVALID_SOCKET)
            failed = FailBox("Failed to create socket!\nError: %d", NetLastError());
        else {
            NetAsyncSelect(listenSocket, FD_READ | FD_WRITE);
            listenAddress = NetMakeAddress(0, kNetPort);
            if (NetBind(listenSocket, listenAddress) != 0)
                failed = FailBox("bind() socket failed!\nError: %d", NetLastError());
        }
        listenWritable = 1;
    }
    if (!failed) {
        directSocket = NetSocket();
        if (directSocket == INVALID_SOCKET)
            failed = FailBox("Failed to create socket!\nError: %d", NetLastError());
        else
            NetAsyncSelect(directSocket, FD_READ | FD_WRITE);
        directWritable = 1;
    }
    if (failed) {
        // A failed start closes what it opened, so that a second try can bind again.
        for (SOCKET* s : {&broadcastSocket, &listenSocket, &directSocket})
            if (*s != INVALID_SOCKET) {
                NetClose(*s);
                *s = INVALID_SOCKET;
            }
        NetCleanup();
        return 1;
    }
    sendCount = 0;
    ClearReceived();
    readsThisFrame = readsDeferred = 0;
    session.Init();
    keepAliveTime = 0;
    lobbyState = NET_NONE;
    // A new session: nothing its members send is weighed by what the last one's sent.
    for (auto& kind : remoteLogs)
        for (NetLogRate& l : kind)
            l = NetLogRate();
    for (NetLogRate& l : refusedLogs)
        l = NetLogRate();
    std::memset(refusedPaths, 0, sizeof refusedPaths);
    pendingCount = 0;
    initialised = 1;
    return 0;
}

void CNetwork::Shutdown()
{
    if (!initialised)
        return;
    SetState(NET_NONE);
    // The leave messages go out before the sockets close.
    FlushSendQueue();
    for (SOCKET* s : {&broadcastSocket, &listenSocket, &directSocket})
        if (*s != INVALID_SOCKET) {
            NetClose(*s);
            *s = INVALID_SOCKET;
        }
    NetCleanup();
    sendCount = 0;
    ClearReceived();
    initialised = 0;
}

void CNetwork::SetPayload(const void* bytes, int n)
{
    if (n < 0 || n > kNetMaxPayload) {
        // Never cut: a cut message would read as a valid shorter one.
        DebugOutF("Network: a payload of %d bytes is refused", n);
        ++refusedMessages;
        outgoingLength = 0;
        return;
    }
    if (n > 0)
        std::memcpy(outgoing + 1, bytes, size_t(n));
    outgoingLength = n + 1;
}

void CNetwork::Compose(int type, const void* payload, int n)
{
    outgoing[0] = uint8_t(type);
    SetPayload(payload, n);
}

void CNetwork::QueueSend(SOCKET socket, const NetAddress& destination)
{
    if (outgoingLength < 1 || outgoingLength > kNetMessageSize)
        return;
    if (sendCount >= kNetQueueSize) {
        DebugOut("Network: the send queue is full, its oldest message is dropped");
        RemoveQueuedSend(0);
    }
    CNetSendEntry& e = sendQueue[sendCount++];
    std::memcpy(e.data, outgoing, kNetMessageSize);
    e.length = outgoingLength;
    e.socket = socket;
    e.to = destination;
    e.to.family = NET_AF_INET;
    e.to.port = NetHtons(kNetPort);
    FlushSendQueue();
}

void CNetwork::RemoveQueuedSend(int index)
{
    if (index < 0 || index >= sendCount)
        return;
    for (int i = index; i + 1 < sendCount; ++i)
        sendQueue[i] = sendQueue[i + 1];
    --sendCount;
}

void CNetwork::FlushSendQueue()
{
    int i = 0;
    while (i < sendCount) {
        CNetSendEntry& e = sendQueue[i];
        if (!IsSocketWritable(e.socket)) {
            ++i;
            continue;
        }
        const int r = NetSendTo(e.socket, e.data, e.length, e.to);
        if (r == e.length) {
            RemoveQueuedSend(i);
            continue;
        }
        if (r == SOCKET_ERROR && NetLastError() == NET_EWOULDBLOCK) {
            // Blocked: this socket waits for FD_WRITE; the others go on.
            SetSocketWritable(e.socket, 0);
            ++i;
            continue;
        }
        // A hard error (no route, refused) would never clear with FD_WRITE: the message is
        // lost as UDP loses it, and the socket stays usable.
        DebugOutF("Network: sendto failed (error %d), the message is dropped", r == SOCKET_ERROR ? NetLastError() : 0);
        RemoveQueuedSend(i);
    }
}

void CNetwork::SetSocketWritable(SOCKET socket, int flag)
{
    if (socket == INVALID_SOCKET)
        return;
    if (socket == broadcastSocket)
        broadcastWritable = flag;
    else if (socket == listenSocket)
        listenWritable = flag;
    else if (socket == directSocket)
        directWritable = flag;
    else
        return;
    if (flag && initialised)
        FlushSendQueue();
}

int CNetwork::IsSocketWritable(SOCKET socket) const
{
    if (socket == INVALID_SOCKET)
        return 0;
    if (socket == broadcastSocket)
        return broadcastWritable;
    if (socket == listenSocket)
        return listenWritable;
    if (socket == directSocket)
        return directWritable;
    return 0;
}

void CNetwork::OnReceive(SOCKET socket)
{
    if (!initialised || socket == INVALID_SOCKET ||
        (socket != broadcastSocket && socket != listenSocket && socket != directSocket))
        return;
    // A bounded number of reads: what is left raises the next notice, or waits for the
    // next frame once this one has read its share.
    for (int n = 0; n < kNetReadsPerNotice; ++n) {
        if (readsThisFrame >= readShare) {
            readsDeferred = 1;
            return;
        }
        CNetReceiveEntry e;
        const int r = NetRecvFrom(socket, e.data, kNetMessageSize, &e.from);
        if (r == SOCKET_ERROR)
            break;
        ++readsThisFrame;
        if (r < 1)
            continue;   // an empty datagram carries nothing; the rest still waits
        if (r > kNetMessageSize) {
            ++refusedDatagrams;
            if (const int k = oversizeLog.Note(timeGetTime()))
                DebugOutF("Network: %d datagrams over %d bytes refused (the last of %d bytes)", k, kNetMessageSize, r);
            continue;
        }
        e.length = r;
        PushReceived(e);
    }
}

void CNetwork::PushReceived(const CNetReceiveEntry& e)
{
    if (receiveCount >= kNetQueueSize) {
        // The oldest makes room: a step of the ring, whatever the flood.
        receiveHead = (receiveHead + 1) % kNetQueueSize;
        --receiveCount;
        ++receiveOverflows;
        if (const int k = overflowLog.Note(timeGetTime()))
            DebugOutF("Network: the receive queue is full: %d oldest messages dropped (%d so far)", k,
                      receiveOverflows);
    }
    receiveQueue[(receiveHead + receiveCount) % kNetQueueSize] = e;
    ++receiveCount;
}

void CNetwork::StartFrameReads()
{
    const uint32_t now = timeGetTime(), ms = now - readFrameAt;
    readFrameAt = now;
    readShare = ms >= uint32_t(kNetReadsPerFrame / kNetReadsPerMs) ? kNetReadsPerFrame
                                                                    : (ms > 0 ? int(ms) : 1) * kNetReadsPerMs;
    readsThisFrame = 0;
    if (!readsDeferred)
        return;
    // Their notices were taken without a read: no new one comes until a read.
    readsDeferred = 0;
    for (SOCKET s : {broadcastSocket, listenSocket, directSocket})
        OnReceive(s);
}

int CNetwork::PopReceived()
{
    if (receiveCount <= 0)
        return 0;
    incoming = receiveQueue[receiveHead];
    DropReceived();
    return incoming.length;
}

void CNetwork::DropReceived()
{
    if (receiveCount <= 0)
        return;
    receiveHead = (receiveHead + 1) % kNetQueueSize;
    if (--receiveCount == 0)
        receiveHead = 0;
}

void CNetwork::ClearReceived()
{
    receiveCount = 0;
    receiveHead = 0;
}

void CNetwork::SendToEntry(int index)
{
    if (index < 0 || index >= session.playerCount || index >= kNetMaxPlayers)
        return;
    QueueSend(directSocket, session.Address(index));
}

void CNetwork::SendToClients(const NetAddress* except)
{
    for (int i = 0; i < session.playerCount && i < kNetMaxPlayers; ++i) {
        if (session.playerIds[i] == session.ownIndex)
            continue;
        const NetAddress a = session.Address(i);
        if (except && NetSameHost(a, *except))
            continue;
        QueueSend(directSocket, a);
    }
}

// ---- Lobby ----

void CNetwork::SetState(int state)
{
    if (!initialised)
        return;
    if (state >= NET_CLIENT_SEARCHING && state <= NET_HOST_IN_GAME) {
        if (state == NET_HOST_STARTING)
            g_NetRandomSeed = timeGetTime();
        lobbyState = state;
        return;
    }
    if (state == NET_NONE) {
        LeaveSession();
        lobbyState = NET_NONE;
        ClearReceived();
    }
}

void CNetwork::LeaveSession()
{
    switch (lobbyState) {
    case NET_HOST_LOBBY:
        Compose(0, nullptr, 0);
        QueueSend(broadcastSocket, broadcastAddress);
        break;
    case NET_CLIENT_JOINING:
        Compose(0, nullptr, 0);
        SendToEntry(0);
        break;
    case NET_CLIENT_IN_GAME:
    case NET_HOST_IN_GAME: {
        const bool host = lobbyState == NET_HOST_IN_GAME;
        const int type = (host ? 8 : 6) + (g_MissionResult == 0 ? 1 : 0);
        int own = -1;
        for (int i = 0; i < session.playerCount && i < kNetMaxPlayers; ++i)
            if (session.playerIds[i] == session.ownIndex)
                own = i;
        if (own < 0)
            own = session.ownIndex;
        const NetAddress a = session.Address(own);
        Compose(type, &a, 16);
        if (host)
            SendToClients(nullptr);
        else if (session.hostIndex != -1)
            SendToEntry(0);
        break;
    }
    default:
        break;
    }
}

void CNetwork::Update()
{
    if (this == &g_Network && NetTestLobby())
        NetworkPageAutoLobby();
    if (!initialised)
        return;
    StartFrameReads();
    switch (lobbyState) {
    case NET_CLIENT_SEARCHING: UpdateSearching(); break;
    case NET_CLIENT_JOINING: UpdateJoining(); break;
    case NET_HOST_LOBBY: UpdateHostLobby(); break;
    case NET_HOST_STARTING: StartGame(); break;
    case NET_CLIENT_IN_GAME:
    case NET_HOST_IN_GAME: ProcessGameMessages(); break;
    default:
        ClearReceived();
        break;
    }
}

void CNetwork::UpdateSearching()
{
    Compose(1, nullptr, 0);
    QueueSend(broadcastSocket, broadcastAddress);
    while (PopReceived() > 0) {
        const int type = incoming.data[0];
        if (type == 3) {
            if (incoming.length != 1 + int(sizeof(CNetSession)))
                continue;
            CNetSession record;
            std::memcpy(&record, incoming.data + 1, sizeof record);
            if (!record.Sanitise(false))
                continue;
            record.SetAddress(0, incoming.from);
            if (!UpdateLanServer(record))
                AddLanServer(record);
        } else if (type == 0 && incoming.length == 1) {
            // The host closed its lobby: no table comes with it, only its address.
            CNetSession record;
            record.Init();
            record.SetServerId(0);
            record.playerCount = 1;
            record.SetAddress(0, incoming.from);
            RemoveLanServer(record);
        }
    }
}

void CNetwork::UpdateJoining()
{
    const uint32_t now = g_NetLobbyClock();
    char name[kNetNameSize] = {};
    std::snprintf(name, sizeof name, "%.15s", g_PlayerName);
    Compose(2, name, int(std::strlen(name)) + 1);
    SendToEntry(0);
    const NetAddress host = session.Address(0);
    while (lobbyState == NET_CLIENT_JOINING && PopReceived() > 0) {
        if (!NetSameHost(incoming.from, host))
            continue;
        const int type = incoming.data[0];
        if (type == 3 && incoming.length == 1 + int(sizeof(CNetSession))) {
            CNetSession table;
            std::memcpy(&table, incoming.data + 1, sizeof table);
            if (!table.Sanitise(false))
                continue;
            session = table;
            session.SetAddress(0, incoming.from);
            session.lastHeard[0] = now;
            // The host's answer is its announcement too: the page keeps listing the server
            // being joined instead of dropping it 2 s after the search stopped.
            UpdateLanServer(session);
        } else if (type == 4 && incoming.length == 5 + int(sizeof(CNetSession))) {
            CNetSession table;
            uint32_t seed;
            std::memcpy(&seed, incoming.data + 1, 4);
            std::memcpy(&table, incoming.data + 5, sizeof table);
            if (!table.Sanitise(true))
                continue;
            g_NetRandomSeed = seed;
            session = table;
            session.SetAddress(0, incoming.from);
            session.lastHeard[0] = now;
            session.role = 1;
            lobbyState = NET_CLIENT_IN_GAME;
            keepAliveTime = 0;
            BeginGame();
            DebugOutF("Network: joined the game as player %d of %d", session.ownIndex + 1, session.playerCount);
        } else if (type == 0 && incoming.length == 1) {
            RemoveLanServer(session);
            lobbyState = NET_CLIENT_SEARCHING;
            DebugOut("Network: the host refused or closed the game");
        }
    }
    if (lobbyState == NET_CLIENT_JOINING && NetSince(&session.lastHeard[0], now) > 2000) {
        RemoveLanServer(session);
        lobbyState = NET_CLIENT_SEARCHING;
    }
}

void CNetwork::SetOwnHostAddress(const NetAddress& peer)
{
    // Entry 0 is this host: its address as the peers see it.
    NetAddress own;
    if (NetLocalAddressFor(directSocket, peer, &own))
        session.SetAddress(0, own);
}

void CNetwork::UpdateHostLobby()
{
    const uint32_t now = g_NetLobbyClock();
    for (int i = session.playerCount - 1; i >= 1; --i)
        if (NetSince(&session.lastHeard[i], now) > 2000) {
            DebugOutF("Network: player %d stopped answering and leaves the lobby", i + 1);
            session.RemoveIndex(i);
        }
    session.lastHeard[0] = now;
    while (PopReceived() > 0) {
        const int type = incoming.data[0];
        if (type == 1 && incoming.length == 1) {
            Compose(3, &session, sizeof session);
            QueueSend(directSocket, incoming.from);
        } else if (type == 2) {
            char name[kNetNameSize] = {};
            if (!ReadJoinName(incoming.data + 1, incoming.length - 1, name)) {
                ++refusedJoins;
                if (const int k = joinLog.Note(timeGetTime())) {
                    const uint8_t* a = reinterpret_cast<const uint8_t*>(&incoming.from.addr);
                    DebugOutF("Network: a join of %d bytes from %u.%u.%u.%u is not a player's name: refused (%d so far)",
                              incoming.length, a[0], a[1], a[2], a[3], refusedJoins);
                }
                continue;
            }
            const int known = session.FindIndexByAddress(incoming.from);
            if (known < 0 && session.playerCount >= session.maxPlayers) {
                // A full session says so, instead of leaving the client asking.
                Compose(0, nullptr, 0);
                QueueSend(directSocket, incoming.from);
                continue;
            }
            if (known < 0) {
                SetOwnHostAddress(incoming.from);
                DebugOutF("Network: \"%s\" joins the lobby", name);
            }
            session.AddPlayer(name, incoming.from, now);
            Compose(3, &session, sizeof session);
            QueueSend(directSocket, incoming.from);
        } else if (type == 0 && incoming.length == 1) {
            if (session.FindIndexByAddress(incoming.from) > 0)
                session.RemovePlayer(incoming.from);
        }
    }
}

void CNetwork::SendStart(int index)
{
    session.ownIndex = index;
    uint8_t payload[4 + sizeof(CNetSession)];
    std::memcpy(payload, &g_NetRandomSeed, 4);
    std::memcpy(payload + 4, &session, sizeof session);
    Compose(4, payload, int(sizeof payload));
    SendToEntry(index);
}

void CNetwork::StartGame()
{
    session.hostIndex = 0;
    for (int i = 0; i < kNetMaxPlayers; ++i)
        session.playerIds[i] = i;
    if (session.playerCount > 1)
        SetOwnHostAddress(session.Address(1));
    // The start goes out twice: a client that misses both asks again and is answered in
    // the game (see the in-game step).
    for (int round = 0; round < 2; ++round)
        for (int i = 1; i < session.playerCount && i < kNetMaxPlayers; ++i)
            SendStart(i);
    session.ownIndex = 0;
    session.role = 0;
    lobbyState = NET_HOST_IN_GAME;
    keepAliveTime = 0;
    BeginGame();
    DebugOutF("Network: the game starts with %d players", session.playerCount);
}
