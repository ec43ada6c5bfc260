// In-game messages: every type's packing, and hostile datagrams of every type changing
// nothing; relays, chat addressing, time-outs and the host hand-over.
#include <cmath>
#include <fstream>
#include <functional>
#include <limits>
#include <map>

#include "app/wndproc.h"
#include "dataset_util.h"
#include "files/file_manager.h"
#include "net/net_codec.h"
#include "net/net_test_util.h"
#include "world/flight_test_util.h"
#include "world/object_list.h"
#include "world/objects/item.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A message's payload as its encoder packs it.
template <typename M>
Bytes Pack(int (*encode)(const M&, uint8_t*, int), const M& m)
{
    uint8_t buf[kNetMaxPayload];
    return Bytes(buf, buf + encode(m, buf, sizeof buf));
}

// One sample of each in-game message, packed.
struct Sample {
    int type;
    Bytes payload;
};

std::vector<Sample> Samples()
{
    std::vector<Sample> out;
    uint8_t buf[kNetMaxPayload];
    auto add = [&](int type, int n) { out.push_back({type, Bytes(buf, buf + n)}); };
    NetMsgNewUnit u;
    std::snprintf(u.path, sizeof u.path, "Data/Space/Ship/Hound.M2/Main_H.obj");
    u.craft = true;
    std::snprintf(u.privateName, sizeof u.privateName, "Human/Pirates.Multiplayer/Fighter 01");
    u.owner = 1, u.id = 1001;
    std::snprintf(u.playerName, sizeof u.playerName, "Ann");
    std::snprintf(u.pilotName, sizeof u.pilotName, "Bob");
    u.pilotValues[2] = 100;
    u.position = Vec3(1, 2, 3);
    u.forward = Vec3(0, 0, 1), u.up = Vec3(0, 1, 0), u.scale = Vec3(1, 1, 1);
    u.speed = 5;
    add(11, EncodeNewUnit(u, buf, sizeof buf));
    NetMsgBullet b;
    std::snprintf(b.path, sizeof b.path, "Data/Space/Weapon/Laser 01/Bullet.obj");
    b.shooterId = 1001, b.shooterOwner = 1, b.word = 7;
    add(12, EncodeBullet(b, buf, sizeof buf));
    NetMsgUnitState s;
    s.unit = {1, 1001};
    s.position = Vec3(9, 8, 7), s.forward = Vec3(0, 0, 1), s.up = Vec3(0, 1, 0), s.speed = 3;
    add(13, EncodeUnitState(s, buf, sizeof buf));
    NetMsgOrder o;
    o.unit = {1, 1001}, o.order = 4, o.targetId = 1000, o.targetOwner = 1, o.dockTime = -1;
    add(14, EncodeOrder(o, buf, sizeof buf));
    NetMsgDocked d;
    d.unit = {1, 1001}, d.stationId = 1000;
    add(16, EncodeDocked(d, buf, sizeof buf));
    NetMsgUndocked ud;
    ud.unit = {1, 1001}, ud.stationId = 1000, ud.hull = 50, ud.weaponCount = 1, ud.reload[0] = 0.5f;
    std::snprintf(ud.weaponPaths[0], kNetPathSize, "Data/Space/Weapon/Laser 02/Main.obj");
    add(17, EncodeUndocked(ud, buf, sizeof buf));
    NetMsgHit h;
    h.victim = {2, 1001}, h.attacker = {1, 1001}, h.damage = 25;
    add(18, EncodeHit(h, buf, sizeof buf));
    NetMsgHull hu;
    hu.unit = {1, 1001}, hu.hull = 42;
    add(19, EncodeHull(hu, buf, sizeof buf));
    NetMsgSwap sw;
    sw.owner = 1, sw.firstId = 1001, sw.secondId = 1002;
    add(20, EncodeSwap(sw, buf, sizeof buf));
    NetMsgChat c;
    c.recipient = -1, c.speakerId = 1001, c.senderIndex = 1;
    std::snprintf(c.text, sizeof c.text, "hello");
    add(21, EncodeChat(c, buf, sizeof buf));
    return out;
}

bool Decode(int type, const uint8_t* p, int n)
{
    NetMsgNewUnit u; NetMsgBullet b; NetMsgUnitState s; NetMsgOrder o; NetMsgDocked d;
    NetMsgUndocked ud; NetMsgHit h; NetMsgHull hu; NetMsgSwap sw; NetMsgChat c;
    switch (type) {
    case 11: return DecodeNewUnit(p, n, &u);
    case 12: return DecodeBullet(p, n, &b);
    case 13: return DecodeUnitState(p, n, &s);
    case 14: return DecodeOrder(p, n, &o);
    case 16: return DecodeDocked(p, n, &d);
    case 17: return DecodeUndocked(p, n, false, &ud);
    case 18: return DecodeHit(p, n, &h);
    case 19: return DecodeHull(p, n, &hu);
    case 20: return DecodeSwap(p, n, &sw);
    case 21: return DecodeChat(p, n, &c);
    }
    return false;
}

TEST(NetCodec, EveryTypeHasItsLengthAndRefusesShortLongAndNonFinite)
{
    const std::map<int, int> lengths = {{13, 77}, {14, 73}, {16, 13}, {18, 21}, {19, 13}, {20, 13}, {21, 14 + 5}};
    for (const Sample& s : Samples()) {
        SCOPED_TRACE(s.type);
        ASSERT_FALSE(s.payload.empty());
        if (lengths.count(s.type)) {
            EXPECT_EQ(int(s.payload.size()) + 1, lengths.at(s.type));
        }
        EXPECT_TRUE(Decode(s.type, s.payload.data(), int(s.payload.size())));
        // The weapon list of 17 runs to the end: a cut between two entries is a shorter list.
        for (size_t n = 0; n < (s.type == 17 ? 24 : s.payload.size()); ++n)
            EXPECT_FALSE(Decode(s.type, s.payload.data(), int(n))) << "cut to " << n;
        Bytes longer = s.payload;
        longer.push_back(0);
        if (s.type != 17) {   // its weapon list runs to the end: one zero byte is a bad entry
            EXPECT_FALSE(Decode(s.type, longer.data(), int(longer.size())));
        }
    }
    // A NaN in place of a position.
    Bytes state = Samples()[2].payload;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::memcpy(state.data() + 8, &nan, 4);
    EXPECT_FALSE(Decode(13, state.data(), int(state.size())));
    NetMsgUnitState s;
    ASSERT_TRUE(DecodeUnitState(Samples()[2].payload.data(), 76, &s));
    EXPECT_EQ(s.position.x, 9.0f);
    EXPECT_EQ(s.speed, 3.0f);
}

TEST(NetCodec, PathsAndNamesFromDatagramsStayUnderData)
{
    for (const char* p : {"Data/Space/Ship/A/Main.obj", "data\\Space\\x.obj"})
        EXPECT_TRUE(NetPathAllowed(p)) << p;
    for (const char* p : {"/etc/passwd", "Data/../Save/00/Player.cfg", "Data/..", "C:/x", "Save/x", "Data/", "",
                          "\\Data\\x", "Data/a/..\\b"})
        EXPECT_FALSE(NetPathAllowed(p)) << p;
    EXPECT_TRUE(NetNameAllowed("Human/Pirates.Multiplayer/Fighter 01"));
    EXPECT_FALSE(NetNameAllowed("../../Save"));
}

// This copy is the host (g_Network, 10.0.0.1) of a three-player game; the two clients
// are raw sockets on 10.0.0.2 and 10.0.0.3.
class GameMessages : public FlightFixture {
protected:
    void SetUp() override
    {
        FlightFixture::SetUp();
        NetUseMemory(true);
        NetResetEnvironment();
        g_GameMode = 2;
        NetMemorySetHost(PeerHost(0));
        ASSERT_EQ(g_Network.Init(), 0);
        CNetSession& s = g_Network.session;
        s.maxPlayers = 3;
        s.playerCount = 3;
        for (int i = 0; i < 3; ++i) {
            s.SetAddress(i, NetMakeAddress(PeerHost(i), kNetPort));
            s.playerIds[i] = i;
            std::snprintf(s.names[i], 16, "P%d", i);
        }
        s.ownIndex = 0, s.role = 0, s.hostIndex = 0;
        s.TouchAll();
        g_Network.lobbyState = NET_HOST_IN_GAME;
        g_Network.keepAliveTime = g_GameClock.NowMs();
        for (int i = 1; i <= 2; ++i) {
            NetMemorySetHost(PeerHost(i));
            clients[i] = NetSocket();
            NetBind(clients[i], NetMakeAddress(0, kNetPort));
        }
        g_WorldIndex = 1;
        for (int owner = 0; owner < 3; ++owner) {
            CUnit* u = new CUnit();
            MakeShip(*u, GTYPE_SP_NPCSHIP, Vec3(float(owner) * 100, 0, 0));
            u->pilot.ownerId = owner;
            u->pilot.objectId = 1001;
            u->pilot.side = 1;
            CObjectList::Add(u);
            ships[owner] = u;
        }
    }
    void TearDown() override
    {
        g_WorldIndex = 1;
        CObjectList::DestroyAll();
        g_Network.initialised = 0;
        g_Network.session.Init();
        g_Network.lobbyState = NET_NONE;
        g_Network.receiveCount = g_Network.sendCount = 0;
        NetUseMemory(false);
        ClearMessageQueue();
        FlightFixture::TearDown();
    }
    // Client i (1 or 2) sends a message; the host runs one in-game step.
    void FromClient(int i, int type, const Bytes& payload, uint32_t from = 0)
    {
        Bytes m{uint8_t(type)};
        m.insert(m.end(), payload.begin(), payload.end());
        SOCKET s = clients[i];
        if (from) {
            NetMemorySetHost(from);
            s = NetSocket();
        }
        NetSendTo(s, m.data(), int(m.size()), NetMakeAddress(PeerHost(0), kNetPort));
        ReceiveAll(g_Network);
        g_Network.ProcessGameMessages();
    }
    // What client i received: the type bytes.
    Bytes Got(int i)
    {
        Bytes types;
        uint8_t buf[kNetMessageSize];
        NetAddress from;
        while (NetRecvFrom(clients[i], buf, sizeof buf, &from) > 0)
            types.push_back(buf[0]);
        return types;
    }
    static Bytes Payload(int type)
    {
        for (const Sample& s : Samples())
            if (s.type == type)
                return s.payload;
        return {};
    }
    SOCKET clients[3] = {};
    CUnit* ships[3] = {};
};

TEST_F(GameMessages, UnitStateAppliesAndIsRelayedOnlyToTheOthers)
{
    FromClient(1, 13, Payload(13));
    EXPECT_EQ(ships[1]->position.x, 9.0f);
    EXPECT_EQ(ships[1]->speed, 3.0f);
    EXPECT_EQ(Got(2), Bytes{13});
    EXPECT_EQ(Got(1), Bytes{});
}

TEST_F(GameMessages, MessagesWaitUntilTheMapRuns)
{
    g_GameMode = 0;                            // still in the menu, the map not loaded
    FromClient(1, 13, Payload(13));
    FromClient(1, 14, Payload(14));
    EXPECT_EQ(ships[1]->position.x, 100.0f);
    EXPECT_EQ(g_Network.receiveCount, 1);      // the order waits; the stale position is gone
    g_GameMode = 2;
    g_Network.ProcessGameMessages();
    EXPECT_EQ(g_Network.receiveCount, 0);
}

TEST_F(GameMessages, HostileDatagramsOfEveryTypeChangeNothing)
{
    const Vec3 before = ships[1]->position;
    const float hull = ships[2]->hull;
    const uint32_t units = CObjectList::unitCount[1];
    for (const Sample& s : Samples()) {
        SCOPED_TRACE(s.type);
        Bytes cut(s.payload.begin(), s.payload.end() - 1);
        FromClient(1, s.type, cut);                       // short
        Bytes longer = s.payload;
        longer.push_back(0x7F);
        longer.push_back(0x7F);
        FromClient(1, s.type, longer);                    // long
        FromClient(1, s.type, s.payload, PeerHost(9));    // not a member
    }
    Bytes nan = Payload(13);
    const float q = std::numeric_limits<float>::quiet_NaN();
    std::memcpy(nan.data() + 8, &q, 4);
    FromClient(1, 13, nan);
    Bytes order = Payload(14);
    order[8] = 99;                                        // no such order type
    FromClient(1, 14, order);
    Bytes chat = Payload(21);
    chat[0] = 7;                                          // no such player
    FromClient(1, 21, chat);
    EXPECT_EQ(ships[1]->position.x, before.x);
    EXPECT_EQ(ships[2]->hull, hull);
    EXPECT_NE(ships[1]->orderType, 99);
    EXPECT_EQ(CObjectList::unitCount[1], units);
    EXPECT_EQ(Got(2), Bytes{});                           // nothing was passed on
    EXPECT_GE(g_Network.refusedMessages, 20);
}

TEST_F(GameMessages, AnnouncingAKnownUnitAgainMakesNoGhostAndForeignUnitsAreRefused)
{
    const uint32_t units = CObjectList::unitCount[1];
    FromClient(1, 11, Payload(11));            // unit 1001 of player 1 exists already
    EXPECT_EQ(CObjectList::unitCount[1], units);
    EXPECT_EQ(ships[1]->position.x, 1.0f);     // placed, not doubled
    NetMsgNewUnit u;
    ASSERT_TRUE(DecodeNewUnit(Payload(11).data(), int(Payload(11).size()), &u));
    u.owner = 2;                               // client 1 speaking for client 2's unit
    u.id = 1005;
    uint8_t buf[kNetMaxPayload];
    const int n = EncodeNewUnit(u, buf, sizeof buf);
    FromClient(1, 11, Bytes(buf, buf + n));
    EXPECT_EQ(CObjectList::unitCount[1], units);
    EXPECT_EQ(Got(2), Bytes{11});              // only the first went on
}

TEST_F(GameMessages, RemoteHitAppliesOnceAndSendsNothingBack)
{
    ships[1]->pilot.side = 2;                  // a pirate hit by player 2's ship
    ships[1]->pilot.ownerId = 1;
    NetMsgHit h;
    h.victim = {1, 1001}, h.attacker = {2, 1001}, h.damage = 25;
    uint8_t buf[64];
    const int n = EncodeHit(h, buf, sizeof buf);
    FromClient(2, 18, Bytes(buf, buf + n));
    EXPECT_FLOAT_EQ(ships[1]->hull, 75.0f);
    EXPECT_EQ(Got(1), Bytes{18});              // the relay only: no echo of 18 or 19
    EXPECT_EQ(Got(2), Bytes{});
}

// Focus lost for 2 s while both clients answer: the game time never goes back. A clock that
// does (a reset) is no silence, yet a client silent for 7 s from there is dropped.
TEST_F(GameMessages, FocusChangeKeepsThePlayersAndAClockGoingBackIsNoSilence)
{
    uint32_t t = g_GameClock.lastTick = 1000;
    auto frames = [&](int ms, bool both) {
        for (int n = 0; n < ms; n += 16) {
            g_GameClock.TickAt(t += 16);
            if (n % 512 == 0)
                FromClient(2, 255, {}), both ? FromClient(1, 255, {}) : void();
            g_Network.ProcessGameMessages();
        }
    };
    frames(3000, true);
    WndProc(nullptr, WM_KILLFOCUS, 0, 0);
    frames(2000, true);
    const uint32_t before = g_GameClock.NowMs();
    WndProc(nullptr, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(g_GameClock.NowMs(), before);
    g_GameClock.Reset(), g_GameClock.lastTick = t;
    frames(1000, false);
    EXPECT_EQ(g_Network.session.playerCount, 3);
    frames(6200, false);
    EXPECT_EQ(g_Network.session.FindIndexByAddress(NetMakeAddress(PeerHost(1), 0)), -1);
}

// Hits worked out on this copy: its own ship's on another player's ship travels as a hit,
// one on its own ship as that ship's hull; one between other players' ships is theirs.
TEST_F(GameMessages, LocalHitsAreToldByTheAttackersAndTheOwnersCopies)
{
    const struct { int victim, attacker; Bytes sent; } cases[] = {{1, 0, {18}}, {0, 1, {19}}, {1, 2, {}}};
    for (const auto& c : cases) {
        ships[c.victim]->TakeHit(10.0f, ships[c.attacker], ships[c.victim]->position, nullptr);
        EXPECT_EQ(Got(1), c.sent) << c.victim << c.attacker;
        Got(2);
    }
}

TEST_F(GameMessages, ChatGoesOnlyToItsRecipient)
{
    NetMsgChat c;
    c.recipient = 2, c.speakerId = 1001, c.senderIndex = 1;
    std::snprintf(c.text, sizeof c.text, "psst");
    uint8_t buf[64];
    const int n = EncodeChat(c, buf, sizeof buf);
    FromClient(1, 21, Bytes(buf, buf + n));
    EXPECT_EQ(Got(2), Bytes{21});
    c.senderIndex = 2;                         // claims to speak for someone else
    FromClient(1, 21, Bytes(buf, buf + EncodeChat(c, buf, sizeof buf)));
    EXPECT_EQ(Got(2), Bytes{});
    // A text without its terminator.
    Bytes open = {0xFF, 0xFF, 0xFF, 0xFF, 0xE9, 3, 0, 0, 1, 0, 0, 0, 'a', 'b'};
    FromClient(1, 21, open);
    EXPECT_EQ(Got(2), Bytes{});
}

TEST_F(GameMessages, SilentClientIsDroppedAfterSevenSecondsAndTheOthersAreTold)
{
    Advance(7100.0);
    FromClient(2, 255, {});                    // client 2 answers, client 1 stays silent
    EXPECT_EQ(g_Network.session.playerCount, 2);
    EXPECT_EQ(g_Network.session.FindIndexByAddress(NetMakeAddress(PeerHost(1), 0)), -1);
    EXPECT_EQ(ships[1]->orderType, ACTION_DEAD);
    const Bytes got = Got(2);
    EXPECT_NE(std::find(got.begin(), got.end(), 6), got.end());
}

TEST_F(GameMessages, ClientThatLosesTheHostHandsOverToAValidHost)
{
    // Seen from client 2 (id 2): the host (0) goes silent; entry 1 becomes the host.
    CNetSession& s = g_Network.session;
    s.ownIndex = 2, s.role = 1;
    g_Network.lobbyState = NET_CLIENT_IN_GAME;
    Advance(7100.0);
    g_Network.ProcessGameMessages();
    EXPECT_EQ(s.playerCount, 2);
    EXPECT_EQ(s.hostIndex, 1);                 // the new host's id, not -1
    EXPECT_EQ(s.Address(0).addr, NetMakeAddress(PeerHost(1), 0).addr);
    EXPECT_EQ(Got(1), Bytes{10});
    // Seen from client 1: it is next in line and takes over itself.
    s.Init();
    s.playerCount = 3;
    for (int i = 0; i < 3; ++i)
        s.SetAddress(i, NetMakeAddress(PeerHost(i), kNetPort)), s.playerIds[i] = i;
    s.ownIndex = 1, s.role = 1, s.hostIndex = 0;
    s.TouchAll();
    Advance(7100.0);
    s.lastHeard[1] = s.lastHeard[2] = g_GameClock.NowMs();
    g_Network.ProcessGameMessages();
    EXPECT_EQ(g_Network.lobbyState, NET_HOST_IN_GAME);
    EXPECT_EQ(s.role, 0);
    EXPECT_EQ(s.hostIndex, 1);
    EXPECT_EQ(s.playerCount, 2);
}


// The byte offsets of the fixed layouts, as the peers read them: a value that differs in
// every field, read back from its place.
TEST(NetCodec, WireLayoutsKeepTheirByteOffsets)
{
    uint8_t buf[kNetMaxPayload];
    std::map<int, Bytes> packed;
    NetMsgUnitState st;
    st.unit = {1, 2};
    st.position = Vec3(3, 0, 0), st.up = Vec3(4, 0, 0), st.forward = Vec3(5, 0, 0), st.axis = Vec3(6, 0, 0);
    st.flight = Vec3(7, 0, 0), st.speed = 8, st.speedPercent = 9;
    packed[13] = Bytes(buf, buf + EncodeUnitState(st, buf, sizeof buf));
    NetMsgOrder o;
    o.unit = {1, 2}, o.order = 3, o.targetId = 4, o.targetOwner = 5, o.target2Id = 6, o.target2Owner = 7;
    o.boundId = 8, o.targetIds[0] = 9, o.targetIds[1] = 10, o.destination = Vec3(11, 0, 0);
    o.targetPoint = Vec3(12, 0, 0), o.subState = 13, o.dockTime = 14;
    packed[14] = Bytes(buf, buf + EncodeOrder(o, buf, sizeof buf));
    NetMsgDocked d;
    d.unit = {1, 2}, d.stationId = 3;
    packed[16] = Bytes(buf, buf + EncodeDocked(d, buf, sizeof buf));
    NetMsgUndocked u;
    u.unit = {1, 2}, u.stationId = 3, u.hull = 4, u.engine = 5, u.manoeuvring = 6, u.hasCargo = true, u.cargo = 7;
    packed[17] = Bytes(buf, buf + EncodeUndocked(u, buf, sizeof buf));
    NetMsgHit h;
    h.victim = {1, 2}, h.attacker = {3, 4}, h.damage = 5;
    packed[18] = Bytes(buf, buf + EncodeHit(h, buf, sizeof buf));
    NetMsgHull hu;
    hu.unit = {1, 2}, hu.hull = 3;
    packed[19] = Bytes(buf, buf + EncodeHull(hu, buf, sizeof buf));
    NetMsgSwap sw;
    sw.owner = 1, sw.firstId = 2, sw.secondId = 3;
    packed[20] = Bytes(buf, buf + EncodeSwap(sw, buf, sizeof buf));
    NetMsgChat c;
    c.recipient = 1, c.speakerId = 2, c.senderIndex = 3;
    std::snprintf(c.text, sizeof c.text, "x");
    packed[21] = Bytes(buf, buf + EncodeChat(c, buf, sizeof buf));
    // type, offset, value; whole numbers are int32, the rest floats.
    const struct {
        int type, offset;
        double value;
        bool isFloat;
    } fields[] = {
        {13, 0, 1, false}, {13, 4, 2, false}, {13, 8, 3, true}, {13, 20, 4, true}, {13, 32, 5, true},
        {13, 44, 6, true}, {13, 56, 7, true}, {13, 68, 8, true}, {13, 72, 9, true},
        {14, 0, 1, false}, {14, 4, 2, false}, {14, 8, 3, false}, {14, 12, 4, false}, {14, 16, 5, false},
        {14, 20, 6, false}, {14, 24, 7, false}, {14, 28, 8, false}, {14, 32, 9, false}, {14, 36, 10, false},
        {14, 40, 11, true}, {14, 52, 12, true}, {14, 64, 13, false}, {14, 68, 14, true},
        {16, 0, 1, false}, {16, 4, 2, false}, {16, 8, 3, false},
        {17, 0, 1, false}, {17, 4, 2, false}, {17, 8, 3, false}, {17, 12, 4, true}, {17, 16, 5, true},
        {17, 20, 6, true}, {17, 24, 7, true},
        {18, 0, 1, false}, {18, 4, 2, false}, {18, 8, 3, false}, {18, 12, 4, false}, {18, 16, 5, true},
        {19, 0, 1, false}, {19, 4, 2, false}, {19, 8, 3, true},
        {20, 0, 1, false}, {20, 4, 2, false}, {20, 8, 3, false},
        {21, 0, 1, false}, {21, 4, 2, false}, {21, 8, 3, false}, {21, 12, 'x', false},
    };
    for (const auto& f : fields) {
        SCOPED_TRACE(std::to_string(f.type) + " at " + std::to_string(f.offset));
        const Bytes& b = packed.at(f.type);
        ASSERT_LE(size_t(f.offset + 4), b.size() + (f.type == 21 ? 2 : 0));
        if (f.type == 21 && f.offset == 12) {
            EXPECT_EQ(b[12], 'x');
            continue;
        }
        int32_t i;
        std::memcpy(&i, b.data() + f.offset, 4);
        float v;
        std::memcpy(&v, &i, 4);
        EXPECT_EQ(f.isFloat ? double(v) : double(i), f.value);
    }
}

TEST(NetCodec, DockTimeIsMinusOneOrInRange)
{
    uint8_t buf[kNetMaxPayload];
    NetMsgOrder o, back;
    o.unit = {1, 2}, o.order = 4;
    for (float t : {-1.0f, 0.0f, 30.0f, kNetMaxDockSeconds, -2.0f, -0.5f, 1e30f, 5e9f, kNetMaxDockSeconds * 2}) {
        o.dockTime = t;
        const bool inRange = t == -1.0f || (t >= 0.0f && t <= kNetMaxDockSeconds);
        EXPECT_EQ(DecodeOrder(buf, EncodeOrder(o, buf, sizeof buf), &back), inRange) << t;
    }
}

// Docking, undocking and pilot swaps: each client's home station (1000) with two docked
// ships (1002, 1003), a non-station ship 1005, on top of the fixture's ships 1001.
class StationMessages : public GameMessages {
protected:
    void SetUp() override
    {
        GameMessages::SetUp();
        for (int owner = 1; owner <= 2; ++owner) {
            CUnit* st = new CUnit();
            MakeShip(*st, GTYPE_SP_STATION, Vec3(float(owner) * 100, 0, 500));
            st->pilot.ownerId = owner, st->pilot.objectId = 1000;
            CObjectList::Add(st);
            stations[owner] = st;
            for (int d = 0; d < 2; ++d) {
                CUnit* u = new CUnit();
                MakeShip(*u, GTYPE_SP_NPCSHIP, Vec3());
                u->pilot.ownerId = owner, u->pilot.objectId = 1002 + d;
                std::snprintf(u->pilot.pilotName, sizeof u->pilot.pilotName, "Pilot %d", d);
                st->dockedUnits[d] = u;
                ++st->dockedCount;
            }
        }
        CUnit* plain = new CUnit();
        MakeShip(*plain, GTYPE_SP_NPCSHIP, Vec3(0, 0, 900));
        plain->pilot.ownerId = 1, plain->pilot.objectId = 1005;
        CObjectList::Add(plain);
    }
    void TearDown() override
    {
        // Docked ships are not in the list: they go with their stations' slots.
        for (CUnit* st : {stations[1], stations[2]})
            for (CUnit*& d : st->dockedUnits)
                if (d && CObjectList::IndexOf(d) < 0) {
                    d->Release();
                    delete d;
                    d = nullptr;
                }
        GameMessages::TearDown();
    }
    static Bytes Docked(int owner, int id, int station)
    {
        NetMsgDocked d;
        d.unit = {owner, id}, d.stationId = station;
        return Pack(EncodeDocked, d);
    }
    static Bytes Order(int owner, int id, int order, float dockTime)
    {
        NetMsgOrder o;
        o.unit = {owner, id}, o.order = order, o.targetId = 1000, o.targetOwner = owner, o.dockTime = dockTime;
        o.destination = Vec3(50, 0, 0);
        return Pack(EncodeOrder, o);
    }
    static Bytes Swap(int owner, int a, int b)
    {
        NetMsgSwap m;
        m.owner = owner, m.firstId = a, m.secondId = b;
        return Pack(EncodeSwap, m);
    }
    CUnit* stations[3] = {};
};

TEST_F(StationMessages, OwnUnitsDockOrderUndockAndSwapPilots)
{
    // 14: a docking order is carried out as docking, with its dock time.
    FromClient(1, 14, Order(1, 1001, ACTION_DOCKING, 30.0f));
    EXPECT_EQ(ships[1]->orderType, ACTION_DOCKING);
    EXPECT_EQ(ships[1]->target, stations[1]);
    EXPECT_EQ(ships[1]->dockTime, 30u);
    // 16: into the first empty slot, out of space.
    FromClient(1, 16, Docked(1, 1001, 1000));
    EXPECT_EQ(stations[1]->dockedUnits[2], ships[1]);
    EXPECT_EQ(stations[1]->dockedCount, 3);
    EXPECT_EQ(stations[1]->slotIds[2].shipId, 1001);
    EXPECT_LT(CObjectList::IndexOf(ships[1]), 0);
    // 17: it leaves with its upgrades.
    NetMsgUndocked ud;
    ud.unit = {1, 1001}, ud.stationId = 1000, ud.hull = 10, ud.engine = 5, ud.manoeuvring = -0.5f;
    uint8_t buf[128];
    FromClient(1, 17, Bytes(buf, buf + EncodeUndocked(ud, buf, sizeof buf)));
    EXPECT_EQ(ships[1]->dockTime, 0u);
    EXPECT_EQ(ships[1]->baseValues[UNIT_BASE_HULL].bonus, 10.0f);
    EXPECT_EQ(ships[1]->baseValues[UNIT_BASE_ENGINE].bonus, 5.0f);
    // 20: the two docked ships exchange their pilots.
    FromClient(1, 20, Swap(1, 1002, 1003));
    EXPECT_STREQ(stations[1]->dockedUnits[0]->pilot.pilotName, "Pilot 1");
    EXPECT_STREQ(stations[1]->dockedUnits[1]->pilot.pilotName, "Pilot 0");
    EXPECT_EQ(Got(2), (Bytes{14, 16, 17, 20}));
}

TEST_F(StationMessages, MessagesAboutAnotherPlayersUnitsChangeNothing)
{
    // Client 1 speaks for client 2's ship and station.
    const Vec3 at = ships[2]->position;
    Bytes state = Payload(13);
    state[0] = 2;                                              // owner 2
    FromClient(1, 13, state);
    FromClient(1, 14, Order(2, 1001, ACTION_MOVE, -1.0f));
    FromClient(1, 16, Docked(2, 1001, 1000));
    NetMsgUndocked ud;
    ud.unit = {2, 1002}, ud.stationId = 1000, ud.hull = 99;
    uint8_t buf[128];
    FromClient(1, 17, Bytes(buf, buf + EncodeUndocked(ud, buf, sizeof buf)));
    // Hulls from another than the owner or out of range; hits told by another than the
    // attacker's owner (the host's ship on the host's, client 2's ship on client 1's).
    NetMsgHull hu;
    for (auto [owner, hull] : {std::pair{2, 500.0f}, {2, 40.0f}, {0, 1.0f}, {1, -1.0f}, {1, 101.0f}})
        hu.unit = {owner, 1001}, hu.hull = hull, FromClient(1, 19, Bytes(buf, buf + EncodeHull(hu, buf, sizeof buf)));
    NetMsgHit hit;
    for (auto [victim, attacker] : {std::pair{0, 0}, {1, 2}}) {
        hit.victim = {victim, 1001}, hit.attacker = {attacker, 1001}, hit.damage = 1e9f;
        FromClient(1, 18, Bytes(buf, buf + EncodeHit(hit, buf, sizeof buf)));
    }
    FromClient(1, 20, Swap(2, 1002, 1003));
    // Its own ship into a ship that is no station, and a dock time past any stay.
    FromClient(1, 16, Docked(1, 1001, 1005));
    FromClient(1, 14, Order(1, 1001, ACTION_DOCKING, 1e30f));
    EXPECT_EQ(ships[2]->position.x, at.x);
    EXPECT_NE(ships[2]->orderType, ACTION_MOVE);
    EXPECT_GE(CObjectList::IndexOf(ships[2]), 0);
    EXPECT_EQ(stations[2]->dockedUnits[0]->baseValues[UNIT_BASE_HULL].bonus, 0.0f);
    for (CUnit* u : ships)
        EXPECT_EQ(u->hull, 100.0f);
    EXPECT_STREQ(stations[2]->dockedUnits[0]->pilot.pilotName, "Pilot 0");
    EXPECT_GE(CObjectList::IndexOf(ships[1]), 0);
    EXPECT_NE(ships[1]->orderType, ACTION_DOCKING);
    EXPECT_EQ(Got(2), Bytes{});
    hu.unit = {1, 1001}, hu.hull = 40;                         // its own ship's, in range
    FromClient(1, 19, Bytes(buf, buf + EncodeHull(hu, buf, sizeof buf)));
    EXPECT_EQ(ships[1]->hull, 40.0f);
}

// A host in a run folder of the built data set: client 1 announces real units, and debug.txt
// shows what a remote member can write.
class LoadedUnitMessages : public StationMessages {
protected:
    void SetUp() override
    {
        StationMessages::SetUp();
        old_ = std::filesystem::current_path();
        dir_ = testutil::EnterArchiveRunDir("korvane-net");
        g_Settings.useFileManager = g_Settings.debugOut = 1;
        CFileManager::Init();
        device_.Install(true);
        DebugOut(nullptr);
    }
    void TearDown() override
    {
        device_.Remove();
        CFileManager::Release();
        StationMessages::TearDown();
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(dir_);
    }
    static Bytes NewUnit(int id, const char* path, float scale = 1.0f, float speed = 5.0f, bool craft = true)
    {
        NetMsgNewUnit u;
        DecodeNewUnit(Payload(11).data(), int(Payload(11).size()), &u);
        std::snprintf(u.path, sizeof u.path, "%s", path);
        u.id = id, u.scale = Vec3(scale, scale, scale), u.speed = speed, u.craft = craft;
        return Pack(EncodeNewUnit, u);
    }
    static Bytes Hit(NetUnitRef victim, NetUnitRef attacker, float damage)
    {
        NetMsgHit h;
        h.victim = victim, h.attacker = attacker, h.damage = damage;
        return Pack(EncodeHit, h);
    }
    static int Lines(const std::string& part)
    {
        std::ifstream f("debug.txt");
        int n = 0;
        for (std::string l; std::getline(f, l); n += l.find(part) != std::string::npos) {}
        return n;
    }
    static constexpr const char* kHound = "Data/Space/Ship/Hound.M2/Main.obj";
    std::filesystem::path old_, dir_;
    testutil::NullDeviceSwap device_;
};

// Client 1's own units: what none of them could have done, sent one after another, each
// refused without a trace on the host but its line.
TEST_F(LoadedUnitMessages, OwnUnitsCanDoOnlyWhatTheyCould)
{
    FromClient(1, 11, NewUnit(1010, kHound));                  // a real craft with lasers M5
    CUnit* hound = CObjectList::FindByIdAndOwner(1010, 1);
    ASSERT_TRUE(hound);
    const char* laser = "Data/Space/Bullet/Laser M5/Main.obj";
    EXPECT_EQ(Got(2), Bytes{11});
    const uint32_t units = CObjectList::unitCount[1];
    const int bullets = CObjectList::CountBullets();
    auto state = [](NetUnitRef unit, Vec3 at, float speed) {
        NetMsgUnitState m;
        m.unit = unit, m.position = at, m.forward = Vec3(0, 0, 1), m.up = Vec3(0, 1, 0), m.speed = speed;
        return Pack(EncodeUnitState, m);
    };
    auto bullet = [](NetUnitRef shooter, const char* path) {
        NetMsgBullet m;
        std::snprintf(m.path, sizeof m.path, "%s", path);
        m.shooterId = shooter.id, m.shooterOwner = shooter.owner, m.forward = Vec3(0, 0, 1), m.up = Vec3(0, 1, 0);
        return Pack(EncodeBullet, m);
    };
    auto order = [](int code, int subState, Vec3 to) {
        NetMsgOrder m;
        m.unit = {1, 1010}, m.order = code, m.subState = subState, m.destination = to;
        return Pack(EncodeOrder, m);
    };
    const float big = 3e38f;
    const struct { int type; Bytes payload; int from = 1; } rows[] = {
        {18, Hit({0, 1001}, {1, 1010}, 1e9f)},                 // one shot of a laser is no 1e9
        {12, bullet({1, 1010}, laser), 2},                     // client 2 firing client 1's laser
        {12, bullet({1, 1010}, "Data/Space/Bullet/Missile M9/Main.obj")},   // a weapon it lacks
        {13, state({1, 1010}, Vec3(big, 0, 0), 5)},            // out of the world
        {13, state({1, 1010}, Vec3(0, 0, 0), big)},            // a speed that rams like a weapon
        {14, order(ACTION_GET_DAMAGE, 0, Vec3())},             // no order a unit has
        {14, order(ACTION_MOVE, 99, Vec3())},
        {14, order(ACTION_MOVE, 0, Vec3(0, big, 0))},
        {11, NewUnit(1011, kHound, 1e30f)},                    // scales
        {11, NewUnit(1012, kHound, 0.0f)},
        {11, NewUnit(1013, kHound, -1.0f)},
        {11, NewUnit(1014, kHound, 1.0f, big)},
        {11, NewUnit(1015, "Data/Space/Bullet/Laser M2/Main.obj", 1, 0, false)},   // a bullet is no unit
        {11, NewUnit(1016, "Data/Space/Item/Laser Weapon/Laser M3/Main.obj", 1, 0, false)},
        {13, state({1, 1010}, Vec3(0, 0, 90000), 5)},          // far away, then a hit from there
        {18, Hit({0, 1001}, {1, 1010}, 1.0f)},
    };
    for (const auto& r : rows)
        FromClient(r.from, r.type, r.payload);
    EXPECT_EQ(ships[0]->hull, 100.0f);
    EXPECT_EQ(CObjectList::CountBullets(), bullets);
    EXPECT_EQ(CObjectList::unitCount[1], units);
    EXPECT_EQ(Got(2), Bytes{13});                              // only the far move went on
    // A shot of its laser, and a hit one laser shot can make from near by, are taken.
    FromClient(1, 13, state({1, 1010}, Vec3(0, 0, 300), 5));
    FromClient(1, 12, bullet({1, 1010}, laser));
    EXPECT_EQ(CObjectList::CountBullets(), bullets + 1);
    FromClient(1, 18, Hit({0, 1001}, {1, 1010}, 2.0f));
    EXPECT_EQ(ships[0]->hull, 98.0f);
    // Dead (dying with its last point of hull, as on its owner's copy), it hits nothing.
    FromClient(1, 14, order(ACTION_DEAD, 0, Vec3()));
    EXPECT_EQ(hound->hull, 1.0f);
    FromClient(1, 18, Hit({0, 1001}, {1, 1010}, 1.0f));
    EXPECT_EQ(ships[0]->hull, 98.0f);
}

// Docked and launched again: upgrades and weapons only on the station menu's scales.
TEST_F(LoadedUnitMessages, UndockingTakesOnlyUpgradesAndWeaponsTheMenuSells)
{
    FromClient(1, 11, NewUnit(1010, kHound));
    CUnit* hound = CObjectList::FindByIdAndOwner(1010, 1);
    ASSERT_TRUE(hound);
    FromClient(1, 16, Docked(1, 1010, 1000));
    ASSERT_EQ(stations[1]->dockedUnits[2], hound);
    auto undock = [&](float hull, float reload, const char* weapon) {
        NetMsgUndocked m;
        m.unit = {1, 1010}, m.stationId = 1000, m.hull = hull, m.hasCargo = hound->FindCargoItem() != nullptr;
        m.weaponCount = 1, m.reload[0] = reload;
        std::snprintf(m.weaponPaths[0], kNetPathSize, "%s", weapon);
        return Pack(EncodeUndocked, m);
    };
    const char* m9 = "Data/Space/Item/Laser Weapon/Laser M9/Main.obj";
    auto fitted = [&] {
        std::string paths;
        for (int i = 0; i < hound->itemCount; ++i)
            paths += std::string(hound->items[i]->filePath) + ";";
        return paths;
    };
    const std::string before = fitted();
    for (const Bytes& b : {undock(1e30f, 0, m9), undock(-1e30f, 0, m9), undock(0, -1e30f, m9), undock(0, -5.0f, m9),
                           undock(0, 0, "Data/Space/Bullet/Laser M9/Main.obj"),
                           undock(0, 0, "Data/Space/Item/Rocket Weapon/ML M2/Main.obj")})
        FromClient(1, 17, b);
    EXPECT_EQ(hound->baseValues[UNIT_BASE_HULL].bonus, 0.0f);
    EXPECT_EQ(fitted(), before);
    FromClient(1, 17, undock(25, -0.05f, m9));                 // what a player can buy
    EXPECT_EQ(hound->baseValues[UNIT_BASE_HULL].bonus, 25.0f);
    EXPECT_NE(fitted().find(m9), std::string::npos);
}

// A member announcing fresh units without end owns no more than a player can, and each
// remote line is written at most once a second, with its count.
TEST_F(LoadedUnitMessages, FloodsOfUnitsAndHitsAreBoundedAndLogOnceASecond)
{
    for (int i = 0; i < kNetMaxOwnUnits + 20; ++i)
        FromClient(1, 11, NewUnit(2000 + i, kHound));
    int owned = 0;
    for (uint32_t i = 0; i < CObjectList::unitCount[1]; ++i)
        owned += CObjectList::units[1][i]->pilot.ownerId == 1;
    EXPECT_EQ(owned + 2, kNetMaxOwnUnits);                     // and the two in its station's bay
    for (int i = 0; i < 200; ++i) {
        FromClient(1, 11, NewUnit(3000 + i, "Data/Space/Bullet/Laser M2/Main.obj"));
        FromClient(1, 18, Hit({0, 1001}, {1, 1001}, 0.0f));   // a bump of nothing
        FromClient(1, 14, Order(1, 5000 + i, ACTION_MOVE, -1.0f));
        FromClient(1, 19, Bytes{1, 2, 3});
        // A transport between ends this copy never has, as the unit's next step meets it.
        NetMsgOrder o;
        o.unit = {1, 1001}, o.order = ACTION_TRANSPORT, o.targetIds[0] = 77, o.targetIds[1] = 78;
        FromClient(1, 14, Pack(EncodeOrder, o));
        ships[1]->RunAiOrder(0.016f);
    }
    EXPECT_LE(Lines("has no end"), 2);
    EXPECT_GE(Lines("has no end"), 1);
    // The flood takes well under a second here: a second line would be a line too many.
    EXPECT_LE(Lines("is hit for"), 2);
    EXPECT_LE(Lines("is refused"), 4);
    EXPECT_LE(Lines("is no unit"), 2);
    EXPECT_GE(Lines("is hit for"), 1);
}

// Orders that come before their unit wait for it, and go on after its announcement.
TEST_F(LoadedUnitMessages, AnOrderBeforeItsUnitIsAppliedWhenTheUnitArrives)
{
    FromClient(1, 14, Order(1, 1010, ACTION_DOCKING, 30.0f));
    FromClient(1, 11, NewUnit(1010, kHound));
    CUnit* hound = CObjectList::FindByIdAndOwner(1010, 1);
    ASSERT_TRUE(hound);
    EXPECT_EQ(hound->orderType, ACTION_DOCKING);
    EXPECT_EQ(hound->target, stations[1]);
    EXPECT_EQ(Got(2), (Bytes{11, 14}));
    // One for a unit that never comes is dropped after a few seconds, with its line.
    FromClient(1, 14, Order(1, 1020, ACTION_DOCKING, 30.0f));
    Advance(double(kNetPendingOrderMs) + 100.0);
    g_Network.ProcessGameMessages();
    EXPECT_EQ(Lines("found no unit"), 1);
}

TEST_F(GameMessages, RelaysArriveByteForByte)
{
    for (int type : {13, 14, 19, 21}) {
        SCOPED_TRACE(type);
        Bytes sent{uint8_t(type)};
        const Bytes p = Payload(type);
        sent.insert(sent.end(), p.begin(), p.end());
        FromClient(1, type, p);
        uint8_t buf[kNetMessageSize];
        NetAddress from;
        const int n = NetRecvFrom(clients[2], buf, sizeof buf, &from);
        ASSERT_GT(n, 0);
        EXPECT_EQ(Bytes(buf, buf + n), sent);
        EXPECT_EQ(Got(2), Bytes{});
    }
}

// Seen from a client (own id 2, entry 2): the host (id 0) is on client socket 1's address,
// the other client (id 1) on client socket 2's.
TEST_F(GameMessages, HostLeavingOrDestroyedHandsOverToTheNextPlayer)
{
    for (int type : {8, 9}) {
        SCOPED_TRACE(type);
        CNetSession& s = g_Network.session;
        s.playerCount = 3;
        for (int i = 0; i < 3; ++i)
            s.SetAddress(i, NetMakeAddress(PeerHost((i + 1) % 3), kNetPort)), s.playerIds[i] = i;
        s.ownIndex = 2, s.role = 1, s.hostIndex = 0;
        s.TouchAll();
        g_Network.lobbyState = NET_CLIENT_IN_GAME;
        ships[0]->orderType = ACTION_STAY;
        const NetAddress host = NetMakeAddress(PeerHost(1), kNetPort);
        FromClient(2, type, Bytes(reinterpret_cast<const uint8_t*>(&host), reinterpret_cast<const uint8_t*>(&host) + 16));
        EXPECT_EQ(s.playerCount, 3);                           // only the host says so
        FromClient(1, type, Bytes(reinterpret_cast<const uint8_t*>(&host), reinterpret_cast<const uint8_t*>(&host) + 16));
        EXPECT_EQ(s.playerCount, 2);
        EXPECT_EQ(ships[0]->orderType, ACTION_DEAD);
        EXPECT_EQ(s.hostIndex, 1);
        EXPECT_EQ(Got(2), Bytes{10});                          // the next one is told to host
        Got(1);
    }
}

TEST_F(GameMessages, HandOverIsTakenOnlyByTheNextPlayerOnceTheHostIsSilent)
{
    // This copy is id 1, next after the host (id 0 on client socket 1); id 2 on socket 2.
    CNetSession& s = g_Network.session;
    const uint32_t order[3] = {PeerHost(1), PeerHost(0), PeerHost(2)};
    for (int i = 0; i < 3; ++i)
        s.SetAddress(i, NetMakeAddress(order[i], kNetPort)), s.playerIds[i] = i;
    s.ownIndex = 1, s.role = 1, s.hostIndex = 0;
    s.TouchAll();
    g_Network.lobbyState = NET_CLIENT_IN_GAME;
    FromClient(2, 10, {});                                     // the host is alive: no second host
    FromClient(1, 10, {});                                     // nor from the host itself
    EXPECT_EQ(g_Network.lobbyState, NET_CLIENT_IN_GAME);
    Advance(2500.0);
    FromClient(2, 10, {});
    EXPECT_EQ(g_Network.lobbyState, NET_HOST_IN_GAME);
    EXPECT_EQ(s.role, 0);
    EXPECT_EQ(s.hostIndex, 1);
}

} // namespace
