#include "platform/net/socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "platform/win/window.h"

namespace {

struct Env {
    bool read = false;
    std::uint32_t bind = 0;                 // host order; 0: any
    std::uint32_t broadcast = 0xFFFFFFFFu;  // host order
    int lossPercent = 0;
    std::uint32_t lossState = 0;
};
Env g_env;

void ReadEnv()
{
    if (g_env.read)
        return;
    g_env.read = true;
    std::uint32_t a = 0;
    if (const char* b = std::getenv("KORVANE_NET_BIND"); b && *b) {
        if (NetParseAddress(b, &a))
            g_env.bind = a;
        else
            std::fprintf(stderr, "KORVANE_NET_BIND: not an IPv4 address: %s\n", b);
    }
    if (const char* b = std::getenv("KORVANE_NET_BROADCAST"); b && *b) {
        if (NetParseAddress(b, &a))
            g_env.broadcast = a;
        else
            std::fprintf(stderr, "KORVANE_NET_BROADCAST: not an IPv4 address: %s\n", b);
    }
    if (const char* l = std::getenv("KORVANE_NET_LOSS"); l && *l) {
        const int p = std::atoi(l);
        g_env.lossPercent = p < 0 ? 0 : (p > 100 ? 100 : p);
    }
    // Each copy drops its own pattern, yet the same one on every run.
    g_env.lossState = 0x4B4E4554u ^ g_env.bind;
}

// True when the datagram just received is to be dropped as lost.
bool LoseOne()
{
    ReadEnv();
    if (g_env.lossPercent <= 0)
        return false;
    g_env.lossState = g_env.lossState * 214013u + 2531011u;
    return int((g_env.lossState >> 16) & 0x7FFF) % 100 < g_env.lossPercent;
}

int g_lastError = 0;
int g_started = 0;
bool g_memory = false;

// Per-socket notice bookkeeping, shared by both backends.
struct Notice {
    int events = 0;
    bool readPending = false;   // FD_READ posted and not yet answered by a read
    bool wantWrite = false;     // a send would have blocked: FD_WRITE when it can go on
};

// ---- POSIX ----
struct PosixSocket {
    int fd = -1;
    int companion = -1;   // receives broadcasts while the socket is bound to one address
    bool bound = false;
    Notice notice;
};
std::map<SOCKET, PosixSocket> g_posix;

int MapErrno(int e)
{
    switch (e) {
    case EAGAIN: return NET_EWOULDBLOCK;
    case EMSGSIZE: return NET_EMSGSIZE;
    case EADDRINUSE: return NET_EADDRINUSE;
    case EBADF: case ENOTSOCK: return NET_ENOTSOCK;
    case ENETUNREACH: case EHOSTUNREACH: return NET_ENETUNREACH;
    case EACCES: case EPERM: return NET_EACCES;
    default: return NET_EOTHER;
    }
}

int OpenUdp()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_UDP);
    return fd;
}

sockaddr_in ToSys(const NetAddress& a)
{
    sockaddr_in s{};
    s.sin_family = AF_INET;
    s.sin_port = a.port;
    s.sin_addr.s_addr = a.addr;
    return s;
}

NetAddress FromSys(const sockaddr_in& s)
{
    NetAddress a;
    a.family = NET_AF_INET;
    a.port = s.sin_port;
    a.addr = s.sin_addr.s_addr;
    return a;
}

int BindFd(int fd, std::uint32_t hostAddr, std::uint16_t hostPort, bool reuse)
{
    if (reuse) {
        int one = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    }
    sockaddr_in s{};
    s.sin_family = AF_INET;
    s.sin_port = htons(hostPort);
    s.sin_addr.s_addr = htonl(hostAddr);
    return ::bind(fd, reinterpret_cast<sockaddr*>(&s), sizeof(s));
}

// ---- In memory ----
struct Datagram {
    std::vector<std::uint8_t> data;
    NetAddress from;
};
struct MemSocket {
    std::uint32_t host = 0;   // host order
    std::uint16_t port = 0;   // host order; 0 unbound
    bool broadcast = false;
    int blockSends = 0;
    std::deque<Datagram> queue;
    Notice notice;
};
std::map<SOCKET, MemSocket> g_mem;
std::uint32_t g_memHost = 0x7F000001u;
SOCKET g_memNext = 1000;
std::uint16_t g_memEphemeral = 40000;
constexpr size_t kMemQueueLimit = 4096;

MemSocket* FindMem(SOCKET s)
{
    auto it = g_mem.find(s);
    return it == g_mem.end() ? nullptr : &it->second;
}

PosixSocket* FindPosix(SOCKET s)
{
    auto it = g_posix.find(s);
    return it == g_posix.end() ? nullptr : &it->second;
}

Notice* FindNotice(SOCKET s)
{
    if (g_memory) {
        MemSocket* m = FindMem(s);
        return m ? &m->notice : nullptr;
    }
    PosixSocket* p = FindPosix(s);
    return p ? &p->notice : nullptr;
}

int Fail(int error)
{
    g_lastError = error;
    return SOCKET_ERROR;
}

void MemDeliver(MemSocket& to, const void* data, int length, const NetAddress& from)
{
    if (to.queue.size() >= kMemQueueLimit)
        return;   // a full buffer drops, as the system's does
    Datagram d;
    d.data.assign(static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + length);
    d.from = from;
    to.queue.push_back(std::move(d));
}

} // namespace

std::uint16_t NetHtons(std::uint16_t v) { return htons(v); }
std::uint32_t NetHtonl(std::uint32_t v) { return htonl(v); }

NetAddress NetMakeAddress(std::uint32_t hostOrderAddr, std::uint16_t hostOrderPort)
{
    NetAddress a;
    a.family = NET_AF_INET;
    a.port = htons(hostOrderPort);
    a.addr = htonl(hostOrderAddr);
    return a;
}

bool NetParseAddress(const char* text, std::uint32_t* hostOrderAddr)
{
    in_addr a{};
    if (!text || ::inet_pton(AF_INET, text, &a) != 1)
        return false;
    if (hostOrderAddr)
        *hostOrderAddr = ntohl(a.s_addr);
    return true;
}

std::uint32_t NetBroadcastAddress()
{
    ReadEnv();
    return g_env.broadcast;
}

int NetStartup()
{
    ReadEnv();
    ++g_started;
    return 0;
}

void NetCleanup()
{
    if (g_started > 0)
        --g_started;
}

int NetLastError() { return g_lastError; }

SOCKET NetSocket()
{
    if (!g_started)
        return g_lastError = NET_NOTINITIALISED, INVALID_SOCKET;
    if (g_memory) {
        const SOCKET s = g_memNext++;
        g_mem[s].host = g_memHost;
        return s;
    }
    const int fd = OpenUdp();
    if (fd < 0) {
        g_lastError = MapErrno(errno);
        return INVALID_SOCKET;
    }
    g_posix[fd].fd = fd;
    return fd;
}

int NetClose(SOCKET s)
{
    if (g_memory) {
        if (!g_mem.erase(s))
            return Fail(NET_ENOTSOCK);
        return 0;
    }
    PosixSocket* p = FindPosix(s);
    if (!p)
        return Fail(NET_ENOTSOCK);
    ::close(p->fd);
    if (p->companion >= 0)
        ::close(p->companion);
    g_posix.erase(s);
    return 0;
}

int NetSetBroadcast(SOCKET s, int on)
{
    if (g_memory) {
        MemSocket* m = FindMem(s);
        if (!m)
            return Fail(NET_ENOTSOCK);
        m->broadcast = on != 0;
        return 0;
    }
    PosixSocket* p = FindPosix(s);
    if (!p)
        return Fail(NET_ENOTSOCK);
    int v = on ? 1 : 0;
    if (::setsockopt(p->fd, SOL_SOCKET, SO_BROADCAST, &v, sizeof(v)) != 0)
        return Fail(MapErrno(errno));
    return 0;
}

int NetBind(SOCKET s, const NetAddress& address)
{
    ReadEnv();
    std::uint32_t addr = ntohl(address.addr);
    const std::uint16_t port = ntohs(address.port);
    if (g_memory) {
        MemSocket* m = FindMem(s);
        if (!m)
            return Fail(NET_ENOTSOCK);
        if (addr != 0 && addr != m->host)
            return Fail(NET_EACCES);
        for (auto& [other, o] : g_mem)
            if (other != s && o.host == m->host && o.port == port && port != 0)
                return Fail(NET_EADDRINUSE);
        m->port = port;
        return 0;
    }
    PosixSocket* p = FindPosix(s);
    if (!p)
        return Fail(NET_ENOTSOCK);
    if (addr == 0)
        addr = g_env.bind;
    // Several copies on one machine each bind their own loopback address to the port.
    const bool own = addr != 0;
    if (BindFd(p->fd, addr, port, own) != 0)
        return Fail(MapErrno(errno));
    p->bound = true;
    // Bound to one address, the socket would miss broadcasts: a companion bound to the
    // broadcast address takes them.
    if (own && port != 0) {
        const int c = OpenUdp();
        if (c >= 0 && BindFd(c, g_env.broadcast, port, true) == 0)
            p->companion = c;
        else if (c >= 0) {
            std::fprintf(stderr, "net: cannot receive broadcasts on port %u: %s\n", unsigned(port), std::strerror(errno));
            ::close(c);
        }
    }
    return 0;
}

int NetAsyncSelect(SOCKET s, int events)
{
    Notice* n = FindNotice(s);
    if (!n)
        return Fail(NET_ENOTSOCK);
    n->events = events;
    n->readPending = false;
    // A fresh selection reports a writable socket once, as Windows does.
    n->wantWrite = (events & FD_WRITE) != 0;
    return 0;
}

int NetSendTo(SOCKET s, const void* data, int length, const NetAddress& to)
{
    ReadEnv();
    if (length < 0 || (length > 0 && !data))
        return Fail(NET_EOTHER);
    if (g_memory) {
        MemSocket* m = FindMem(s);
        if (!m)
            return Fail(NET_ENOTSOCK);
        if (m->blockSends > 0) {
            --m->blockSends;
            m->notice.wantWrite = true;
            return Fail(NET_EWOULDBLOCK);
        }
        if (m->port == 0)
            m->port = g_memEphemeral++;
        const NetAddress from = NetMakeAddress(m->host, m->port);
        const std::uint32_t dest = ntohl(to.addr);
        const std::uint16_t port = ntohs(to.port);
        if (dest == 0xFFFFFFFFu || dest == g_env.broadcast) {
            if (!m->broadcast)
                return Fail(NET_EACCES);
            for (auto& [id, o] : g_mem)
                if (o.port == port)
                    MemDeliver(o, data, length, from);
            return length;
        }
        for (auto& [id, o] : g_mem)
            if (o.host == dest && o.port == port) {
                MemDeliver(o, data, length, from);
                break;
            }
        return length;   // nobody listening: lost, as UDP is
    }
    PosixSocket* p = FindPosix(s);
    if (!p)
        return Fail(NET_ENOTSOCK);
    // Sends leave from the chosen local address, so that peers tell the copies apart.
    if (!p->bound && g_env.bind != 0) {
        if (BindFd(p->fd, g_env.bind, 0, false) != 0)
            return Fail(MapErrno(errno));
        p->bound = true;
    }
    const sockaddr_in dst = ToSys(to);
    const ssize_t r = ::sendto(p->fd, data, size_t(length), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&dst), sizeof(dst));
    if (r < 0) {
        g_lastError = MapErrno(errno);
        if (g_lastError == NET_EWOULDBLOCK)
            p->notice.wantWrite = true;
        return SOCKET_ERROR;
    }
    return int(r);
}

int NetRecvFrom(SOCKET s, void* buffer, int size, NetAddress* from)
{
    if (size < 0 || (size > 0 && !buffer))
        return Fail(NET_EOTHER);
    for (;;) {
        if (g_memory) {
            MemSocket* m = FindMem(s);
            if (!m)
                return Fail(NET_ENOTSOCK);
            m->notice.readPending = false;
            if (m->queue.empty())
                return Fail(NET_EWOULDBLOCK);
            Datagram d = std::move(m->queue.front());
            m->queue.pop_front();
            if (LoseOne())
                continue;
            const int n = int(d.data.size());
            if (n > 0 && size > 0)
                std::memcpy(buffer, d.data.data(), size_t(n < size ? n : size));
            if (from)
                *from = d.from;
            return n;
        }
        PosixSocket* p = FindPosix(s);
        if (!p)
            return Fail(NET_ENOTSOCK);
        p->notice.readPending = false;
        sockaddr_in src{};
        socklen_t len = sizeof(src);
        // MSG_TRUNC: the datagram's whole length, so that an oversized one can be refused.
        ssize_t r = ::recvfrom(p->fd, buffer, size_t(size), MSG_TRUNC, reinterpret_cast<sockaddr*>(&src), &len);
        if (r < 0 && errno == EAGAIN && p->companion >= 0) {
            len = sizeof(src);
            r = ::recvfrom(p->companion, buffer, size_t(size), MSG_TRUNC, reinterpret_cast<sockaddr*>(&src), &len);
        }
        if (r < 0)
            return Fail(MapErrno(errno));
        if (LoseOne())
            continue;
        if (from)
            *from = FromSys(src);
        return int(r);
    }
}

bool NetLocalAddressFor(SOCKET s, const NetAddress& peer, NetAddress* out)
{
    ReadEnv();
    if (!out)
        return false;
    if (g_memory) {
        MemSocket* m = FindMem(s);
        if (!m)
            return false;
        *out = NetMakeAddress(m->host, 0);
        return true;
    }
    if (g_env.bind != 0) {
        *out = NetMakeAddress(g_env.bind, 0);
        return true;
    }
    // The system's route choice: a connected UDP socket sends nothing yet knows its source.
    const int fd = OpenUdp();
    if (fd < 0)
        return false;
    const sockaddr_in dst = ToSys(peer);
    sockaddr_in src{};
    socklen_t len = sizeof(src);
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&dst), sizeof(dst)) == 0 &&
                    ::getsockname(fd, reinterpret_cast<sockaddr*>(&src), &len) == 0;
    ::close(fd);
    if (!ok)
        return false;
    *out = FromSys(src);
    out->port = 0;
    return true;
}

const char* NetTestLobby()
{
    const char* v = std::getenv("KORVANE_NET_LOBBY");
    return v && *v ? v : nullptr;
}

void NetPoll()
{
    if (g_memory) {
        for (auto& [s, m] : g_mem) {
            Notice& n = m.notice;
            if ((n.events & FD_READ) && !n.readPending && !m.queue.empty()) {
                n.readPending = true;
                PostSocketNotice(s, FD_READ, 0);
            }
            if ((n.events & FD_WRITE) && n.wantWrite && m.blockSends == 0) {
                n.wantWrite = false;
                PostSocketNotice(s, FD_WRITE, 0);
            }
        }
        return;
    }
    if (g_posix.empty())
        return;
    std::vector<pollfd> fds;
    std::vector<SOCKET> owners;
    for (auto& [s, p] : g_posix) {
        if (!p.notice.events)
            continue;
        short ev = 0;
        if ((p.notice.events & FD_READ) && !p.notice.readPending)
            ev |= POLLIN;
        if ((p.notice.events & FD_WRITE) && p.notice.wantWrite)
            ev |= POLLOUT;
        if (!ev)
            continue;
        fds.push_back({p.fd, ev, 0});
        owners.push_back(s);
        if (p.companion >= 0 && (ev & POLLIN)) {
            fds.push_back({p.companion, POLLIN, 0});
            owners.push_back(s);
        }
    }
    if (fds.empty() || ::poll(fds.data(), fds.size(), 0) <= 0)
        return;
    for (size_t i = 0; i < fds.size(); ++i) {
        PosixSocket* p = FindPosix(owners[i]);
        if (!p)
            continue;
        if ((fds[i].revents & (POLLIN | POLLERR)) && !p->notice.readPending) {
            p->notice.readPending = true;
            PostSocketNotice(owners[i], FD_READ, 0);
        }
        if ((fds[i].revents & POLLOUT) && p->notice.wantWrite) {
            p->notice.wantWrite = false;
            PostSocketNotice(owners[i], FD_WRITE, 0);
        }
    }
}

void NetUseMemory(bool on)
{
    g_memory = on;
    g_mem.clear();
    g_memNext = 1000;
    g_memEphemeral = 40000;
    g_memHost = 0x7F000001u;
}

void NetMemorySetHost(std::uint32_t hostOrderAddr) { g_memHost = hostOrderAddr; }

void NetMemoryBlockSends(SOCKET s, int n)
{
    if (MemSocket* m = FindMem(s))
        m->blockSends = n;
}

int NetMemoryPending(SOCKET s)
{
    MemSocket* m = FindMem(s);
    return m ? int(m->queue.size()) : 0;
}

void NetResetEnvironment()
{
    g_env = Env{};
}
