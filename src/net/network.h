// The local-network game: UDP transport, sessions and in-game messages.
#pragma once
#include <cstdint>

class CGameObject;

// The session table: the players of a network game. 220 bytes, the same in memory and
// in the lobby messages.
struct CNetSession {
    char text[36] = {};
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
};
static_assert(sizeof(CNetSession) == 220, "the session table travels as 220 bytes");

class CNetwork {
public:
    int initialised = 0;
    int sockets[3] = {-1, -1, -1};
    CNetSession session;

    // Opens the sockets for the network page; 1 when the page may open.
    int Init();
    // Leaves the network game and closes the sockets (only when initialised).
    void Shutdown();
    void SetState(int state);
    void OnReceive(int socket);
    void SetSocketWritable(int socket, int flag);
    // The network step of a frame (inside the world's update).
    void Update();
    // Composes and sends an in-game message about an object (only when initialised).
    void SendObjectMessage(int type, CGameObject* object, const void* second = nullptr);
};

extern CNetwork g_Network;
// The seed agreed in the network lobby; every copy builds the same map from it.
extern unsigned g_NetRandomSeed;
