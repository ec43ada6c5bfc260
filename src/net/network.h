// The local-network game: UDP transport, sessions and in-game messages.
#pragma once
#include <cstdint>

#include "platform/net/socket.h"

class CGameObject;
class CUnit;
// A unit named in a message: owner, object id.
struct NetUnitRefKey {
    int32_t owner, id;
};

constexpr int kNetPort = 5150;
constexpr int kNetMessageSize = 512;           // type byte and payload
constexpr int kNetMaxPayload = kNetMessageSize - 1;
constexpr int kNetQueueSize = 128;
constexpr int kNetMaxPlayers = 4;
constexpr int kNetNameSize = 16;
// A flood must not hold the frame: at most this many datagrams are read per socket notice,
// and per frame as many as 8 per millisecond the last frame took (a flood then costs a
// frame the same small share at any frame rate), never more than a queue's worth (more
// would only push out what was just read).
constexpr int kNetReadsPerNotice = 32;
constexpr int kNetReadsPerMs = 8;
constexpr int kNetReadsPerFrame = kNetQueueSize;

// The session table: the players of a network game. 220 bytes, the same in memory and
// in the lobby messages.
struct CNetSession {
    char text[36] = {};           // server name (16 + end), owner name (15 + end), map index (int16 at 34)
    int32_t maxPlayers = 2;
    int32_t playerCount = 0;
    int32_t menuChoice = 0;       // the network page's choice: the resources level
    int32_t hostIndex = -1;
    char names[4][16] = {};
    uint8_t addresses[4][16] = {};
    uint32_t lastHeard[4] = {};
    int32_t role = -1;            // -1 not in a game, 0 host, 1 client
    int32_t ownIndex = -1;        // this copy's own entry, the owner of its units
    int32_t playerIds[4] = {};

    // Empty table, no game: maximum 2, host and own index -1 (the ids stay).
    void Init();
    // Every player's last-heard time := now (after a load, which takes real time).
    void TouchAll();
    // now: the clock the caller keeps its times on (real time in the lobby).
    void AddPlayer(const char* name, const NetAddress& address, uint32_t now);
    void RemovePlayer(const NetAddress& address);
    void RemoveIndex(int index);
    int FindIndexByAddress(const NetAddress& address) const;
    int FindPlayerIdByAddress(const NetAddress& address) const;
    int FindIndexById(int id) const;
    const NetAddress* FindAddressById(int id) const;
    NetAddress Address(int index) const;
    void SetAddress(int index, const NetAddress& address);

    // The network page's view of the session text.
    const char* ServerName() const { return text; }
    const char* OwnerName() const { return text + 17; }
    void SetServerName(const char* name);
    void SetOwnerName(const char* name);
    int32_t MapIndex() const;
    void SetMapIndex(int32_t index);
    // Each host's own id, kept in the first player id until the game starts.
    int32_t ServerId() const { return playerIds[0]; }
    void SetServerId(int32_t id) { playerIds[0] = id; }
    // Every text field terminated; false when a count or index is out of range.
    bool Sanitise(bool started);
};
static_assert(sizeof(CNetSession) == 220, "the session table travels as 220 bytes");

// The two IPv4 addresses are the same player (ports do not count).
bool NetSameHost(const NetAddress& a, const NetAddress& b);
// Milliseconds since a stamp. A stamp later than now (the clock went back) counts as just
// now, and is moved to now, so that a time-out still runs from there.
uint32_t NetSince(uint32_t* stamp, uint32_t now);

// A log line for something that may come thousands of times a second: written at most
// once a second, with how often it came since the last one.
class NetLogRate {
public:
    // Counts one; the count to report when a line is due, else 0.
    int Note(uint32_t nowMs);
    int lines = 0;   // written so far
private:
    bool logged_ = false;
    uint32_t last_ = 0;
    int pending_ = 0;
};

struct CNetSendEntry {
    uint8_t data[kNetMessageSize];
    int32_t length;
    SOCKET socket;
    NetAddress to;
};

struct CNetReceiveEntry {
    uint8_t data[kNetMessageSize];
    int32_t length;
    NetAddress from;
};

// What message 21 carries besides the speaking ship (the second object of
// SendObjectMessage).
struct NetChatText {
    int32_t recipient;     // player id, -1 everyone
    int32_t speakerId;     // the speaking ship's object id
    const char* text;
};

// Lines a remote member can cause, each written at most once a second per player it names.
enum NetRemoteLog {
    NETLOG_HIT,
    NETLOG_STATION_JOINS,
    NETLOG_UNIT_JOINS,
    NETLOG_CHAT,
    NETLOG_UNIT_REFUSED,
    NETLOG_BULLET_REFUSED,
    NETLOG_HIT_REFUSED,
    NETLOG_VALUE_REFUSED,
    NETLOG_ORDER_LOST,
    NETLOG_KINDS
};

// An order that came before its unit's announcement, kept for it a while.
struct CNetPendingOrder {
    CNetReceiveEntry message;
    int32_t senderId;
    uint32_t at;   // game-time ms of arrival
};
constexpr int kNetPendingOrders = 32;
constexpr uint32_t kNetPendingOrderMs = 6000;
// What one player can own at once: his station, its three escorts, a full docking bay
// and as many again out flying.
constexpr int kNetMaxOwnUnits = 1 + 3 + 16 + 12;

// Lobby states.
enum NetLobbyState {
    NET_NONE = -1,
    NET_CLIENT_SEARCHING = 0,
    NET_CLIENT_JOINING = 1,
    NET_CLIENT_IN_GAME = 2,
    NET_HOST_LOBBY = 3,
    NET_HOST_STARTING = 4,
    NET_HOST_IN_GAME = 5,
};

class CNetwork {
public:
    int lobbyState = NET_NONE;
    uint8_t outgoing[kNetMessageSize] = {};
    int outgoingLength = 0;
    CNetReceiveEntry incoming = {};
    CNetSendEntry sendQueue[kNetQueueSize] = {};
    CNetReceiveEntry receiveQueue[kNetQueueSize] = {};   // a ring from receiveHead
    int sendCount = 0;
    int receiveCount = 0;
    int receiveHead = 0;
    SOCKET broadcastSocket = INVALID_SOCKET;
    NetAddress broadcastAddress;
    int broadcastWritable = 0;
    SOCKET listenSocket = INVALID_SOCKET;
    NetAddress listenAddress;
    int listenWritable = 0;
    SOCKET directSocket = INVALID_SOCKET;
    int directWritable = 0;
    uint32_t keepAliveTime = 0;
    int initialised = 0;
    CNetSession session;

    // Counts of what the transport refused or lost (logged at most once a second).
    int receiveOverflows = 0;
    int refusedJoins = 0;
    int readsThisFrame = 0;
    int readShare = kNetReadsPerFrame;   // this frame's
    uint32_t readFrameAt = 0;
    int readsDeferred = 0;   // a notice went unanswered: the next frame reads on
    NetLogRate overflowLog, oversizeLog, joinLog;
    int refusedDatagrams = 0;
    int refusedMessages = 0;
    // Players (by id) whose chat lines reached this copy.
    unsigned chatHeardFrom = 0;
    // Other copies' hits on this copy's own units.
    int ownUnitsHit = 0;
    // Players (by id) whose hits on this copy's own units arrived.
    unsigned ownUnitsHitBy = 0;
    NetLogRate remoteLogs[NETLOG_KINDS][kNetMaxPlayers];
    NetLogRate refusedLogs[32];   // by message type
    CNetPendingOrder pendingOrders[kNetPendingOrders] = {};
    int pendingCount = 0;
    // Unit descriptions refused lately: a flood of one is refused without loading it again.
    char refusedPaths[8][256] = {};
    int refusedPathNext = 0;

    // 0 on success (HRESULT S_OK), non-zero after a failure, with its message box.
    int Init();
    // Leaves the network game and closes the sockets (only when initialised).
    void Shutdown();
    void ResetState();
    void SetPayload(const void* bytes, int n);
    void QueueSend(SOCKET socket, const NetAddress& destination);
    void FlushSendQueue();
    void OnReceive(SOCKET socket);
    // A new frame's share of reads (Update begins with it); a socket whose notice went
    // unanswered for want of a share is read on.
    void StartFrameReads();
    void SetSocketWritable(SOCKET socket, int flag);
    int IsSocketWritable(SOCKET socket) const;
    // The head of the receive queue into the current incoming message; returns its length
    // (0 when the queue is empty).
    int PopReceived();
    void DropReceived();
    // The i-th waiting message, counted from the oldest.
    CNetReceiveEntry& Received(int i) { return receiveQueue[(receiveHead + i) % kNetQueueSize]; }
    void ClearReceived();   // empties the receive queue
    void RemoveQueuedSend(int index);

    void SetState(int state);
    // The network step of a frame (inside the world's update).
    void Update();
    // Composes and sends an in-game message about an object (only when initialised).
    void SendObjectMessage(int type, CGameObject* object, const void* second = nullptr);
    // The in-game step of a frame (lobby states 2 and 5).
    void ProcessGameMessages();
    // Handles the current incoming message as an in-game message.
    void HandleGameMessage();

    // Composes the outgoing message: type byte and payload.
    void Compose(int type, const void* payload, int n);
    // The outgoing message to a player entry / to every client entry but one host.
    void SendToEntry(int index);
    void SendToClients(const NetAddress* except);

private:
    void UpdateSearching();
    void UpdateJoining();
    void UpdateHostLobby();
    void StartGame();
    void SendStart(int index);
    void LeaveSession();
    void SetOwnHostAddress(const NetAddress& peer);
    void HandleLeft(bool destroyed, bool fromHost);
    void BecomeHost();
    void HandOver();
    void DropPlayer(int index, bool timedOut);
    void Relay();
    void RelayEntry(const CNetReceiveEntry& e);
    void Refused(int type, int sender);
    // A line about a player, written when its kind is due for that player, with the count.
    void RemoteLog(int kind, int player, const char* fmt, ...) __attribute__((format(printf, 4, 5)));
    void HandleNewUnit(const uint8_t* p, int n, int senderId);
    void HandleBullet(const uint8_t* p, int n, int senderId, int sender);
    void HandleHit(const uint8_t* p, int n, int senderId, int sender);
    // Applies an order to its unit; false when refused. A unit not known yet keeps it.
    bool HandleOrder(const CNetReceiveEntry& e, int senderId, bool kept);
    void ApplyPendingOrders(const NetUnitRefKey& unit);
    void ExpirePendingOrders(uint32_t now);
    bool PathRefusedLately(const char* path) const;
    void RememberRefusedPath(const char* path);
    // A new game: announcements again, no orders kept from the last one.
    void BeginGame();
    void PushReceived(const CNetReceiveEntry& e);
    // Whether a member may speak about a unit of that owner.
    bool SpeaksFor(int senderId, int owner) const;
    // Whether message 10 from that member makes this copy the host.
    bool TakesHandOver(int sender);
    int handling = 0;     // while set, the handlers' own effects send nothing
};

extern CNetwork g_Network;
// A new game announces its own units again on its first keep-alive rounds.
void NetResetAnnouncements();
// Counts the network games begun in this run (test steps keep their state per game).
int NetGameNumber();
// The seed agreed in the network lobby; every copy builds the same map from it.
extern unsigned g_NetRandomSeed;
// The lobby's clock: real milliseconds (timeGetTime); tests may replace it.
extern uint32_t (*g_NetLobbyClock)();
