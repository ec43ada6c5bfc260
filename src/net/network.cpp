#include "net/network.h"

#include <cstring>

#include "world/game_clock.h"

CNetwork g_Network;
unsigned g_NetRandomSeed = 0;

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

// No transport yet: the page opens without sockets (initialised stays 0).
int CNetwork::Init()
{
    return 1;
}

void CNetwork::Shutdown()
{
    if (!initialised)
        return;
    SetState(-1);
    initialised = 0;
}

void CNetwork::SetState(int) {}
void CNetwork::OnReceive(int) {}
void CNetwork::SetSocketWritable(int, int) {}
void CNetwork::Update() {}
void CNetwork::SendObjectMessage(int, CGameObject*, const void*) {}
