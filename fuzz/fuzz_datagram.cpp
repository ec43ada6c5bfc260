// Arbitrary bytes as one datagram from a member of a running three-player game, taken by
// the host or by a client (first byte), or by a copy in one of the lobby states. The
// world holds a ship of each player, docked ones and a home station.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "app/settings.h"
#include "locations/location_director.h"
#include "net/network.h"
#include "platform/net/socket.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {

CUnit* MakeUnit(int owner, int id, int kind)
{
    CUnit* u = new CUnit();
    u->objectClass = GCLASS_SPACE_SHIP;
    u->kind = kind;
    u->worldMatrix = MatrixIdentity();
    u->hullMax = u->hull = 100.0f;
    u->pilot.ownerId = owner;
    u->pilot.objectId = id;
    u->pilot.side = 1;
    return u;
}

void Populate()
{
    g_WorldIndex = 1;
    CObjectList::DestroyAll();
    for (int owner = 0; owner < 3; ++owner) {
        CObjectList::Add(MakeUnit(owner, 1001, GTYPE_SP_NPCSHIP));
        CUnit* station = MakeUnit(owner, 1000, GTYPE_SP_STATION);
        for (int d = 0; d < 2; ++d) {
            station->dockedUnits[d] = MakeUnit(owner, 1002 + d, GTYPE_SP_NPCSHIP);
            ++station->dockedCount;
        }
        CObjectList::Add(station);
    }
}

void Setup(int role)
{
    static bool started = false;
    if (!started) {
        started = true;
        g_Settings.debugOut = 0;
        NetUseMemory(true);
        NetMemorySetHost(0x0A000001u);
        g_Network.Init();
    }
    CNetSession& s = g_Network.session;
    s.Init();
    s.maxPlayers = 3;
    s.playerCount = 3;
    for (int i = 0; i < 3; ++i) {
        s.SetAddress(i, NetMakeAddress(0x0A000001u + uint32_t(i), 5150));
        s.playerIds[i] = i;
    }
    s.hostIndex = 0;
    s.ownIndex = role == 0 ? 0 : 2;
    s.role = role == 0 ? 0 : 1;
    s.TouchAll();
    g_Network.sendCount = g_Network.receiveCount = 0;
    g_GameMode = 2;
    static int rounds = 0;
    if (rounds++ % 64 == 0)
        Populate();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > 600)
        return 0;
    const int mode = data[0] % 6;
    Setup(mode == 0 ? 0 : 1);
    static const int states[6] = {NET_HOST_IN_GAME, NET_CLIENT_IN_GAME, NET_CLIENT_SEARCHING, NET_CLIENT_JOINING,
                                  NET_HOST_LOBBY, NET_HOST_IN_GAME};
    g_Network.lobbyState = states[mode];
    // From the host (to a client) or from client 1 (to the host).
    const NetAddress from = NetMakeAddress(mode == 0 || mode == 4 ? 0x0A000002u : 0x0A000001u, 5150);
    if (mode == 5) {
        // Through the socket layer, with its own length checks.
        NetMemorySetHost(0x0A000002u);
        static SOCKET raw = NetSocket();
        NetSendTo(raw, data + 1, int(size - 1), NetMakeAddress(0x0A000001u, 5150));
        g_Network.OnReceive(g_Network.listenSocket);
    } else if (size - 1 <= size_t(kNetMessageSize) && size > 1) {
        CNetReceiveEntry& e = g_Network.receiveQueue[0];
        std::memcpy(e.data, data + 1, size - 1);
        e.length = int(size - 1);
        e.from = from;
        g_Network.receiveCount = 1;
    }
    g_Network.Update();
    if (g_Network.receiveCount < 0 || g_Network.receiveCount > kNetQueueSize ||
        g_Network.session.playerCount < 0 || g_Network.session.playerCount > 4)
        __builtin_trap();
    return 0;
}
