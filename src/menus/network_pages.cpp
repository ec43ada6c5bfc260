#include "menus/network_pages.h"

#include <cstring>

#include "world/game_clock.h"

LanServerList g_LanServers;
int g_NetworkSubState = -1;

namespace {

// A server is its host's address and its own id (id 0: any id at that address).
int FindServer(const CNetSession& record)
{
    const NetAddress a = record.Address(0);
    for (int i = 0; i < g_LanServers.count; ++i) {
        const CNetSession& r = g_LanServers.records[i];
        if (NetSameHost(r.Address(0), a) && (record.ServerId() == 0 || r.ServerId() == record.ServerId()))
            return i;
    }
    return -1;
}

} // namespace

void AddLanServer(const CNetSession& record)
{
    LanServerList& l = g_LanServers;
    if (l.count >= kMaxLanServers || UpdateLanServer(record))
        return;
    const int i = l.count++;
    l.records[i] = record;
    l.stamps[i] = g_GameClock.NowMs();
    if (l.selected < 0)
        l.selected = i;
}

bool UpdateLanServer(const CNetSession& record)
{
    const int i = FindServer(record);
    if (i < 0)
        return false;
    g_LanServers.records[i] = record;
    g_LanServers.stamps[i] = g_GameClock.NowMs();
    return true;
}

void RemoveLanServer(const CNetSession& record)
{
    LanServerList& l = g_LanServers;
    const int i = FindServer(record);
    if (i < 0)
        return;
    if (l.joinRequested && i == l.selected)
        l.joinRequested = 0;
    for (int j = i; j + 1 < l.count; ++j) {
        l.records[j] = l.records[j + 1];
        l.stamps[j] = l.stamps[j + 1];
    }
    --l.count;
    if (l.selected >= l.count)
        l.selected = l.count - 1;
}
