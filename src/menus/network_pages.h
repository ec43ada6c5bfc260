// Page 7 of the game menu: creating a network game, joining one, the lobby.
#pragma once
#include <cstdint>

#include "net/network.h"

constexpr int kMaxLanServers = 4;

// The servers announced on the network, as the joining player sees them.
struct LanServerList {
    CNetSession records[kMaxLanServers] = {};
    uint32_t stamps[kMaxLanServers] = {};   // game time of the last announcement
    int count = 0;
    int selected = -1;
    int joinRequested = 0;
};
extern LanServerList g_LanServers;
// -1 the choice, 0 server set-up, 1 host waiting in the lobby, 2 server list.
extern int g_NetworkSubState;

// Called by the lobby step with each announcement (entry 0's address is the sender's).
void AddLanServer(const CNetSession& record);
// True when the record was listed already (and is now refreshed).
bool UpdateLanServer(const CNetSession& record);
// A record with server id 0 names its server by address alone.
void RemoveLanServer(const CNetSession& record);
// Whether the list's entry button i shows as selected.
bool LanServerEntryPressed(int i);

// Test hook (KORVANE_NET_LOBBY): the page's steps without the mouse (with the game menu up
// on the page itself, which then starts the map as after clicks), then, in the game,
// a chat line every 2 s and the end of the program once the others have answered.
void NetworkPageAutoLobby();

namespace CGameMenu {
// Opening the page from the main menu: the network starts; 0 keeps the main menu.
int OpenNetworkPage();
void CreateNetworkPage();
void UpdateNetworkPage();
int OnClickNetworkPage();
void DrawNetworkPage(float percent);
}
