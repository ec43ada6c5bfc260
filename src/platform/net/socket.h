// UDP sockets shaped like the Windows Sockets calls the game was written against.
//
// Sockets never block. Readiness is not waited for: every pass of the message pump
// polls the sockets given to NetAsyncSelect and posts WM_SOCKET notices (FD_READ while
// a datagram waits and no read notice is pending; FD_WRITE once after the select and
// again when a send that would have blocked can go on).
//
// Two backends: POSIX sockets, and an in-memory network for unit tests in which several
// simulated hosts (each an IPv4 address) exchange datagrams inside one process.
//
// Test-only environment variables, read here alone:
//   KORVANE_NET_BIND=a.b.c.d       the local address every socket binds to (default 0.0.0.0)
//   KORVANE_NET_BROADCAST=a.b.c.d  where the broadcast address points (default 255.255.255.255)
//   KORVANE_NET_LOSS=percent       drops that share of received datagrams (own seeded generator)
//   KORVANE_NET_LOBBY=host:N[:map] | join   the network page plays the lobby by itself
#pragma once
#include <cstdint>

using SOCKET = int;
constexpr SOCKET INVALID_SOCKET = -1;
constexpr int SOCKET_ERROR = -1;

constexpr std::int16_t NET_AF_INET = 2;

// The 16-byte IPv4 socket address as it travels in the game's messages: family
// (little-endian), port and address in network byte order, eight zero bytes.
struct NetAddress {
    std::int16_t family = 0;
    std::uint16_t port = 0;       // network byte order
    std::uint32_t addr = 0;       // network byte order
    std::uint8_t zero[8] = {};
};
static_assert(sizeof(NetAddress) == 16, "an address travels as 16 bytes");

// Host-order helpers.
std::uint16_t NetHtons(std::uint16_t v);
std::uint32_t NetHtonl(std::uint32_t v);
NetAddress NetMakeAddress(std::uint32_t hostOrderAddr, std::uint16_t hostOrderPort);
// "a.b.c.d" in host order; false when it is not a dotted IPv4 address.
bool NetParseAddress(const char* text, std::uint32_t* hostOrderAddr);

// Error codes of NetLastError (Windows Sockets values).
constexpr int NET_EWOULDBLOCK = 10035;
constexpr int NET_EMSGSIZE = 10040;
constexpr int NET_EADDRINUSE = 10048;
constexpr int NET_ENOTSOCK = 10038;
constexpr int NET_ENETUNREACH = 10051;
constexpr int NET_EACCES = 10013;
constexpr int NET_NOTINITIALISED = 10093;
constexpr int NET_EOTHER = 10004;

int NetStartup();          // 0 on success
void NetCleanup();
int NetLastError();

SOCKET NetSocket();        // a UDP socket; INVALID_SOCKET on failure
int NetClose(SOCKET s);
int NetSetBroadcast(SOCKET s, int on);
// Binds; an address of 0.0.0.0 becomes KORVANE_NET_BIND when that is set.
int NetBind(SOCKET s, const NetAddress& address);
// Notices for FD_READ / FD_WRITE through the message pump.
int NetAsyncSelect(SOCKET s, int events);
// Returns the bytes sent, or SOCKET_ERROR (NET_EWOULDBLOCK: try again after FD_WRITE).
int NetSendTo(SOCKET s, const void* data, int length, const NetAddress& to);
// Reads one datagram. Returns its full length, which may exceed size (only size bytes are
// copied; such a datagram must be refused), 0 for an empty one, or SOCKET_ERROR
// (NET_EWOULDBLOCK: nothing waiting).
int NetRecvFrom(SOCKET s, void* buffer, int size, NetAddress* from);

// The local address that datagrams from socket s to the peer leave from (the one the
// peer sees); false when it cannot be told.
bool NetLocalAddressFor(SOCKET s, const NetAddress& peer, NetAddress* out);

// The broadcast destination in host order (255.255.255.255 unless KORVANE_NET_BROADCAST).
std::uint32_t NetBroadcastAddress();

// KORVANE_NET_LOBBY (test only): "host:<players>[:<map>]" or "join" lets the network page
// create or join a game by itself; null when unset.
const char* NetTestLobby();

// Called by every pump pass: turns readiness into WM_SOCKET notices.
void NetPoll();

// ---- The in-memory network (unit tests) ----
// Switches every later call to the in-memory network and empties it.
void NetUseMemory(bool on);
// The simulated host that the sockets created next belong to (host order).
void NetMemorySetHost(std::uint32_t hostOrderAddr);
// The next n sends of socket s fail as if the socket would block.
void NetMemoryBlockSends(SOCKET s, int n);
// Datagrams waiting for socket s.
int NetMemoryPending(SOCKET s);
// Tests: forget the environment variables read so far (and the loss generator).
void NetResetEnvironment();
