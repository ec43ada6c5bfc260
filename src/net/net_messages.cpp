// In-game messages: composing them from objects, handling, relaying, keep-alive and
// time-outs.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>

#include "app/settings.h"
#include "app/winmain.h"
#include "files/language.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/subtitles.h"
#include "locations/location_director.h"
#include "menus/pilots_page.h"
#include "menus/station_menu.h"
#include "net/net_codec.h"
#include "net/network.h"
#include "platform/crt/rand.h"
#include "platform/win/timer.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/bullet.h"
#include "world/objects/desc_file.h"
#include "world/objects/item.h"
#include "world/objects/object_codes.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {

constexpr uint32_t kChatTop = 0xFFFF3232u;
constexpr uint32_t kChatBottom = 0xFF643232u;
// Own units are announced again on the first keep-alive rounds (12 s): a copy still loading
// on a busy machine may have lost the first announcements from a full queue or a lossy link.
constexpr int kAnnounceRounds = 6;
int s_AnnounceRounds = 0;
int s_GameNumber = 0;

// What a copy of the game can send about a unit. Every body of a map lies well inside the
// world's reach; a direction is a matrix row, unit length times the unit's scale.
constexpr float kWorldReach = 1.0e6f;
constexpr float kMaxDirection = 1.0e3f;
constexpr float kMinScale = 0.01f, kMaxScale = 100.0f;
constexpr float kMaxTurnStep = 10.0f;
constexpr float kMaxSpeedPercent = 400.0f;
// The station menu's limits on upgrades, with a step to spare.
constexpr float kMaxHullUpgrade = 255.0f, kMaxEngineUpgrade = 155.0f, kMaxManoeuvringUpgrade = 11.0f;
constexpr float kMaxCargoUpgrade = 1025.0f, kMaxReloadUpgrade = 10.0f, kMinReload = 0.1f;
// A hit is told from positions a few updates old: the victim may lie this much further
// than a shot reaches, or than the two hulls touching for a ram.
constexpr float kShotReachFactor = 2.0f;
constexpr float kHitDistanceSlack = 1000.0f;
constexpr float kRamDamageFactor = 1.5f;

// Sets the world index to space for the scope.
struct SpaceScope {
    int saved = g_WorldIndex;
    SpaceScope() { g_WorldIndex = 1; }
    ~SpaceScope() { g_WorldIndex = saved; }
};

Vec3 RowOf(const Matrix& m, int r) { return Vec3(m.m[r][0], m.m[r][1], m.m[r][2]); }

void ChatLine(const char* name, const char* what)
{
    char line[128];
    std::snprintf(line, sizeof line, "`%s` %s", name, TranslateText(what));
    CSubtitles::Show(line, kChatTop, kChatBottom, 0.0f, 5.0f);
    DebugOutF("Network: %s", line);
}

int32_t FloatBits(float f)
{
    int32_t i;
    std::memcpy(&i, &f, 4);
    return i;
}

float BitsFloat(int32_t i)
{
    float f;
    std::memcpy(&f, &i, 4);
    return std::isfinite(f) ? f : 0.0f;
}

NetUnitRef RefOf(const CUnit* u)
{
    NetUnitRef r;
    if (u) {
        r.owner = u->pilot.ownerId;
        r.id = u->pilot.objectId;
    }
    return r;
}

// A unit named in a message: in space, or docked in a station.
CUnit* FindUnit(const NetUnitRef& r)
{
    if (r.id == -1)
        return nullptr;
    CUnit* u = CObjectList::FindByIdAndOwner(r.id, r.owner);
    return u ? u : CObjectList::FindShipInStation(r.id, r.owner);
}

void Place(CUnit* u, const Vec3& position, const Vec3& up, const Vec3& forward)
{
    u->position = position;
    // A zero forward vector would make the look-at matrix meaningless.
    if (Vec3LengthSq(forward) > 1e-12f && Vec3LengthSq(up) > 1e-12f)
        u->SetLookAt(position, position + forward, up);
    u->UpdateTransformFor(1);
}

bool IsLauncher(int kind) { return kind == GTYPE_ROCKT_WEAPON || kind == GTYPE_MISSL_WEAPON; }

bool InReach(const Vec3& v)
{
    return std::fabs(v.x) <= kWorldReach && std::fabs(v.y) <= kWorldReach && std::fabs(v.z) <= kWorldReach;
}

bool Placement(const Vec3& position, const Vec3& up, const Vec3& forward)
{
    return InReach(position) && Vec3Length(up) <= kMaxDirection && Vec3Length(forward) <= kMaxDirection;
}

// A speed its engine can give the unit, with room for what the scene scripts give it.
float SpeedCap(const CUnit* u) { return std::max(u->engineMax, 0.0f) * 2.0f + 100.0f; }

bool Motion(const CUnit* u, const Vec3& flight, float speed, float percent)
{
    const float cap = SpeedCap(u);
    return speed >= 0.0f && speed <= cap && Vec3Length(flight) <= cap && percent >= 0.0f && percent <= kMaxSpeedPercent;
}

bool ScaleOk(const Vec3& s)
{
    for (float c : {s.x, s.y, s.z})
        if (!(c >= kMinScale && c <= kMaxScale))
            return false;
    return true;
}

// Orders a unit can be given (the hit reaction is a sound, never an order).
bool OrderCodeOk(int order) { return order >= ACTION_NONE && order <= ACTION_FOLLOW && order != ACTION_GET_DAMAGE; }

bool CarriesWeaponFor(const CUnit* u, const char* bulletPath)
{
    for (int i = 0; i < u->itemCount && i < kMaxUnitItems; ++i)
        if (u->items[i] && IsWeaponKindValue(u->items[i]->kind) && strcasecmp(u->items[i]->bulletPath, bulletPath) == 0)
            return true;
    return false;
}

// The most one hit of that attacker can do to that victim; below 0 when it could not have
// hit it at all: a shot of its strongest weapon within its reach, or a ram.
float HitCeiling(const CUnit* a, const CUnit* v)
{
    float shot = 0.0f, reach = 0.0f;
    for (int i = 0; i < a->itemCount && i < kMaxUnitItems; ++i) {
        const CItem* it = a->items[i];
        if (!it || !IsWeaponKindValue(it->kind))
            continue;
        shot = std::max(shot, it->bulletDamage + it->baseValues[ITEM_BASE_DAMAGE].bonus);
        reach = std::max(reach, it->range);
    }
    const float apart = Vec3Length(v->position - a->position) - a->boundsRadius - v->boundsRadius;
    float ceiling = -1.0f;
    if (shot > 0.0f && apart <= reach * kShotReachFactor + kHitDistanceSlack)
        ceiling = shot;
    // A ram hurts by the closing speed and the colliding unit's handling.
    if (apart <= kHitDistanceSlack)
        ceiling = std::max(ceiling, (SpeedCap(a) + SpeedCap(v)) * std::max(a->manoeuvring, v->manoeuvring) / 40.0f *
                                        kRamDamageFactor);
    return ceiling;
}

// Units of an owner in space and in the docking bays.
int CountOwned(int owner)
{
    int n = 0;
    for (uint32_t i = 0; i < CObjectList::unitCount[1]; ++i) {
        const CUnit* u = CObjectList::units[1][i];
        if (!u)
            continue;
        n += u->pilot.ownerId == owner;
        if (IsStationKindValue(u->kind))
            for (const CUnit* d : u->dockedUnits)
                n += d && d->pilot.ownerId == owner;
    }
    return n;
}

// The object class a description file names, read without loading it; 0 when unreadable.
unsigned DescribedClass(const char* path)
{
    CDescFile file;
    if (!file.Open(path))
        return 0;
    char text[kDescLineLength];
    file.SkipLines(4);
    file.ReadText(text, sizeof text);
    return ParseObjectClass(text);
}

int PlayerSlot(int player) { return player >= 0 && player < kNetMaxPlayers ? player : 0; }

void FillUndocked(CUnit* u, NetMsgUndocked* m)
{
    m->unit = RefOf(u);
    m->stationId = u->target ? u->target->pilot.objectId : -1;
    m->hull = u->baseValues[UNIT_BASE_HULL].bonus;
    m->engine = u->baseValues[UNIT_BASE_ENGINE].bonus;
    m->manoeuvring = u->baseValues[UNIT_BASE_MANOEUVRING].bonus;
    CItem* cargo = u->FindCargoItem();
    m->hasCargo = cargo != nullptr;
    m->cargo = cargo ? cargo->baseValues[ITEM_BASE_CAPACITY].bonus : 0.0f;
    m->weaponCount = 0;
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < u->itemCount && i < kMaxUnitItems; ++i) {
            CItem* it = u->items[i];
            if (!it || (pass == 0 ? it->kind != GTYPE_LASER_WEAPON : !IsLauncher(it->kind)))
                continue;
            if (m->weaponCount >= kNetMaxWeapons)
                break;
            std::snprintf(m->weaponPaths[m->weaponCount], kNetPathSize, "%s", it->filePath);
            m->reload[m->weaponCount++] = it->baseValues[ITEM_BASE_RELOAD].bonus;
        }
}

} // namespace

void CNetwork::SendObjectMessage(int type, CGameObject* object, const void* second)
{
    if (!initialised || handling || !object)
        return;
    if (lobbyState != NET_CLIENT_IN_GAME && lobbyState != NET_HOST_IN_GAME)
        return;
    uint8_t p[kNetMaxPayload];
    int n = 0;
    CUnit* u = static_cast<CUnit*>(object);
    // Every copy moves, orders, docks and reports the hull of only its own units; the owner's
    // copy tells the others.
    if ((type == 13 || type == 14 || type == 16 || type == 17 || type == 19) && u->pilot.ownerId != session.ownIndex)
        return;
    switch (type) {
    case 11: {
        NetMsgNewUnit m;
        std::snprintf(m.path, sizeof m.path, "%s", u->descriptionPath);
        m.craft = u->IsCraft();
        if (m.craft) {
            if (u->kind == GTYPE_SP_STATION)
                std::snprintf(m.privateName, sizeof m.privateName, "Human/Hero station.Multiplayer");
            else
                std::snprintf(m.privateName, sizeof m.privateName, "Human/Pirates.Multiplayer/%s %02d",
                              u->FindCargoItem() ? "Transport" : "Fighter", GameRand() % 2 + 1);
            std::snprintf(m.playerName, sizeof m.playerName, "%s", g_PlayerName);
            std::snprintf(m.pilotName, sizeof m.pilotName, "%s", u->pilot.pilotName);
            m.pilotValues[0] = FloatBits(u->pilot.skill);
            m.pilotValues[1] = FloatBits(u->pilot.skill2);
            m.pilotValues[2] = u->pilot.voicePitch;
        }
        m.owner = u->pilot.ownerId;
        m.id = u->pilot.objectId;
        m.position = u->position;
        m.up = RowOf(u->worldMatrix, 1);
        m.forward = RowOf(u->worldMatrix, 2);
        m.scale = u->scale;
        m.flight = u->spinState;
        m.speed = u->speed;
        m.speedPercent = u->speedPercent;
        n = EncodeNewUnit(m, p, sizeof p);
        break;
    }
    case 12: {
        CBullet* b = static_cast<CBullet*>(object);
        NetMsgBullet m;
        std::snprintf(m.path, sizeof m.path, "%s", b->filePath);
        if (b->owner) {
            m.shooterId = b->owner->pilot.objectId;
            m.shooterOwner = b->owner->pilot.ownerId;
        }
        m.position = b->position;
        m.up = RowOf(b->worldMatrix, 1);
        m.forward = RowOf(b->worldMatrix, 2);
        m.word = b->word;
        n = EncodeBullet(m, p, sizeof p);
        break;
    }
    case 13: {
        NetMsgUnitState m;
        m.unit = RefOf(u);
        m.position = u->position;
        m.up = RowOf(u->worldMatrix, 1);
        m.forward = RowOf(u->worldMatrix, 2);
        m.axis = u->angularStep;
        m.flight = u->spinState;
        m.speed = u->speed;
        m.speedPercent = u->speedPercent;
        n = EncodeUnitState(m, p, sizeof p);
        break;
    }
    case 14: {
        NetMsgOrder m;
        m.unit = RefOf(u);
        m.order = u->orderType;
        if (u->target) {
            m.targetId = u->target->pilot.objectId;
            m.targetOwner = u->target->pilot.ownerId;
        }
        if (u->target2) {
            m.target2Id = u->target2->pilot.objectId;
            m.target2Owner = u->target2->pilot.ownerId;
        }
        m.boundId = u->boundUnit ? u->boundUnit->pilot.objectId : -1;
        m.targetIds[0] = u->transportEndIds[0];
        m.targetIds[1] = u->transportEndIds[1];
        m.destination = u->destination;
        m.targetPoint = u->targetPoint;
        m.subState = u->orderSubState;
        m.dockTime = u->dockTime == 0xFFFFFFFFu ? -1.0f : float(u->dockTime);
        n = EncodeOrder(m, p, sizeof p);
        break;
    }
    case 16: {
        NetMsgDocked m;
        m.unit = RefOf(u);
        m.stationId = u->target ? u->target->pilot.objectId : -1;
        n = EncodeDocked(m, p, sizeof p);
        break;
    }
    case 17: {
        NetMsgUndocked m;
        FillUndocked(u, &m);
        n = EncodeUndocked(m, p, sizeof p);
        break;
    }
    case 18: {
        const CUnit::HitReport* hit = static_cast<const CUnit::HitReport*>(second);
        // A hit is told by the attacker's copy alone.
        if (!hit || !hit->attacker || hit->attacker->pilot.ownerId != session.ownIndex)
            return;
        NetMsgHit m;
        m.victim = RefOf(u);
        m.attacker = RefOf(hit->attacker);
        m.damage = hit->damage;
        n = EncodeHit(m, p, sizeof p);
        break;
    }
    case 19: {
        NetMsgHull m;
        m.unit = RefOf(u);
        m.hull = u->hull;
        n = EncodeHull(m, p, sizeof p);
        break;
    }
    case 20: {
        const CUnit* other = static_cast<const CUnit*>(second);
        if (!other)
            return;
        NetMsgSwap m;
        m.owner = session.ownIndex;
        m.firstId = u->pilot.objectId;
        m.secondId = other->pilot.objectId;
        n = EncodeSwap(m, p, sizeof p);
        break;
    }
    case 21: {
        const NetChatText* chat = static_cast<const NetChatText*>(second);
        if (!chat)
            return;
        NetMsgChat m;
        m.recipient = chat->recipient;
        m.speakerId = chat->speakerId;
        m.senderIndex = session.ownIndex;
        std::snprintf(m.text, sizeof m.text, "%s", chat->text ? chat->text : "");
        n = EncodeChat(m, p, sizeof p);
        break;
    }
    default:
        return;
    }
    if (n <= 0) {
        ++refusedMessages;
        DebugOutF("Network: message %d does not fit a datagram and is not sent", type);
        return;
    }
    Compose(type, p, n);
    if (session.role == 0) {
        if (type == 21) {
            const int32_t recipient = static_cast<const NetChatText*>(second)->recipient;
            for (int i = 0; i < session.playerCount && i < kNetMaxPlayers; ++i)
                if (session.playerIds[i] != session.ownIndex && (recipient == -1 || session.playerIds[i] == recipient))
                    SendToEntry(i);
        } else {
            SendToClients(nullptr);
        }
    } else if (session.hostIndex != -1) {
        SendToEntry(0);
    }
}

void CNetwork::Relay() { RelayEntry(incoming); }

void CNetwork::RelayEntry(const CNetReceiveEntry& e)
{
    if (session.role != 0)
        return;
    outgoing[0] = e.data[0];
    SetPayload(e.data + 1, e.length - 1);
    SendToClients(&e.from);
}

void CNetwork::DropPlayer(int index, bool timedOut)
{
    if (index < 0 || index >= session.playerCount)
        return;
    ChatLine(session.names[index], "покинул игру!");
    const int id = session.playerIds[index];
    {
        SpaceScope scope;
        CObjectList::KillOwnerUnits(id);
    }
    const NetAddress gone = session.Address(index);
    session.RemoveIndex(index);
    if (timedOut) {
        Compose(6, &gone, 16);
        SendToClients(nullptr);
    }
}

void CNetwork::HandOver()
{
    session.RemoveIndex(0);
    session.hostIndex = -1;
    if (session.playerCount <= 0)
        return;
    if (session.playerIds[0] == session.ownIndex) {
        BecomeHost();
        return;
    }
    Compose(10, nullptr, 0);
    SendToEntry(0);
    // The next entry is the host from now on; it gets the full time-out to take over.
    session.hostIndex = session.playerIds[0];
    session.lastHeard[0] = g_GameClock.NowMs();
}

void CNetwork::BecomeHost()
{
    // The others have not been heard by this copy so far: they start with a clean slate.
    session.TouchAll();
    session.SetServerName(session.names[0]);
    session.hostIndex = session.ownIndex;
    session.role = 0;
    lobbyState = NET_HOST_IN_GAME;
    DebugOut("Network: this copy is the host now");
}

void CNetwork::HandleLeft(bool destroyed, bool fromHost)
{
    NetAddress a;
    if (!DecodeAddress(incoming.data + 1, incoming.length - 1, &a))
        return;
    if (fromHost) {
        // Only the host itself says that the host leaves.
        if (session.role == 0 || session.hostIndex == -1 || !NetSameHost(incoming.from, session.Address(0)))
            return;
        ChatLine(session.names[0], destroyed ? "уничтожен!" : "покинул игру!");
        const int id = session.playerIds[0];
        {
            SpaceScope scope;
            CObjectList::KillOwnerUnits(id);
        }
        HandOver();
        return;
    }
    const int index = session.FindIndexByAddress(a);
    if (index <= 0 || session.playerIds[index] == session.ownIndex)
        return;
    // A client may only say that it leaves itself; a client hears it from the host.
    if (session.role == 0 ? !NetSameHost(a, incoming.from) : !NetSameHost(incoming.from, session.Address(0)))
        return;
    ChatLine(session.names[index], destroyed ? "уничтожен!" : "покинул игру!");
    const int id = session.playerIds[index];
    {
        SpaceScope scope;
        CObjectList::KillOwnerUnits(id);
    }
    session.RemoveIndex(index);
    Relay();
}

void CNetwork::HandleGameMessage()
{
    const int type = incoming.data[0];
    const uint8_t* p = incoming.data + 1;
    const int n = incoming.length - 1;
    const int sender = session.FindIndexByAddress(incoming.from);
    if (sender < 0 || session.playerIds[sender] == session.ownIndex)
        return;   // not a member of this game, or an echo of our own broadcast
    // Anything from a member shows that it is still there.
    session.lastHeard[sender] = g_GameClock.NowMs();
    const bool host = session.role == 0;
    const int senderId = session.playerIds[sender];
    // A client hears the game only through the host; the others talk to the host alone.
    if (!host && type >= 11 && type <= 21 && sender != 0) {
        Refused(type, sender);
        return;
    }

    switch (type) {
    case 2:
        // A client that missed the start asks again: it is sent the start once more.
        if (host && sender > 0 && n >= 1) {
            const int own = session.ownIndex;
            SendStart(sender);
            session.ownIndex = own;
        }
        return;
    case 6: case 7:
        HandleLeft(type == 7, false);
        return;
    case 8: case 9:
        HandleLeft(type == 9, true);
        return;
    case 10:
        if (!host && n == 0 && TakesHandOver(sender))
            BecomeHost();
        return;
    case 11:
        HandleNewUnit(p, n, senderId);
        return;
    case 12:
        HandleBullet(p, n, senderId, sender);
        return;
    case 13: {
        NetMsgUnitState m;
        if (!DecodeUnitState(p, n, &m))
            break;
        CUnit* u = FindUnit(m.unit);
        if (!u || !SpeaksFor(senderId, m.unit.owner))
            break;
        if (!Placement(m.position, m.up, m.forward) || Vec3Length(m.axis) > kMaxTurnStep ||
            !Motion(u, m.flight, m.speed, m.speedPercent)) {
            RemoteLog(NETLOG_VALUE_REFUSED, senderId, "Network: a state of player %d's unit %d off the game's scales is refused",
                      m.unit.owner + 1, m.unit.id);
            return;
        }
        Place(u, m.position, m.up, m.forward);
        u->angularStep = m.axis;
        u->spinState = m.flight;
        u->speed = m.speed;
        u->speedPercent = m.speedPercent;
        Relay();
        return;
    }
    case 14:
        if (!HandleOrder(incoming, senderId, false))
            break;
        return;
    case 16: {
        NetMsgDocked m;
        if (!DecodeDocked(p, n, &m))
            break;
        CUnit* u = CObjectList::FindByIdAndOwner(m.unit.id, m.unit.owner);
        CUnit* station = CObjectList::FindByIdAndOwner(m.stationId, m.unit.owner);
        if (!u || !station || u == station || !IsStationKindValue(station->kind) || !SpeaksFor(senderId, m.unit.owner))
            break;
        u->target = station;
        for (int i = 0; i < kMaxDocked; ++i)
            if (!station->dockedUnits[i]) {
                station->dockedUnits[i] = u;
                // The place keeps the ship's id as a local docking does: the bay's pages and the
                // interior find the pilot by it.
                station->slotIds[i].shipId = u->pilot.objectId;
                station->dockStartTimes[i] = g_GameClock.NowMs();
                u->dockTime = 0xFFFFFFFFu;
                ++station->dockedCount;
                SpaceScope scope;
                CObjectList::Detach(u);
                break;
            }
        Relay();
        return;
    }
    case 17: {
        if (n < 12)
            break;
        NetReader head(p, n);
        NetUnitRef ref;
        ref.owner = head.I32();
        ref.id = head.I32();
        const int32_t stationId = head.I32();
        CUnit* station = CObjectList::FindByIdAndOwner(stationId, ref.owner);
        if (!station || !IsStationKindValue(station->kind) || !SpeaksFor(senderId, ref.owner))
            break;
        CUnit* u = nullptr;
        for (int i = 0; i < kMaxDocked && !u; ++i)
            if (station->dockedUnits[i] && station->dockedUnits[i]->pilot.objectId == ref.id)
                u = station->dockedUnits[i];
        if (!u)
            break;
        CItem* cargo = u->FindCargoItem();
        NetMsgUndocked m;
        if (!DecodeUndocked(p, n, cargo != nullptr, &m))
            break;
        bool scales = m.hull >= 0.0f && m.hull <= kMaxHullUpgrade && m.engine >= 0.0f && m.engine <= kMaxEngineUpgrade &&
                      m.manoeuvring <= 0.0f && m.manoeuvring >= -kMaxManoeuvringUpgrade &&
                      (!cargo || (m.cargo >= 0.0f && m.cargo <= kMaxCargoUpgrade));
        for (int k = 0; k < m.weaponCount; ++k)
            scales = scales && m.reload[k] <= 0.0f && m.reload[k] >= -kMaxReloadUpgrade;
        if (!scales) {
            RemoteLog(NETLOG_VALUE_REFUSED, senderId, "Network: upgrades of player %d's unit %d off the game's scales are refused",
                      ref.owner + 1, ref.id);
            return;
        }
        u->dockTime = 0;
        u->baseValues[UNIT_BASE_HULL].bonus = m.hull;
        u->baseValues[UNIT_BASE_ENGINE].bonus = m.engine;
        u->baseValues[UNIT_BASE_MANOEUVRING].bonus = m.manoeuvring;
        if (cargo)
            cargo->baseValues[ITEM_BASE_CAPACITY].bonus = m.cargo;
        int k = 0;
        for (int pass = 0; pass < 2; ++pass)
            for (int i = 0; i < u->itemCount && i < kMaxUnitItems && k < m.weaponCount; ++i) {
                CItem* old = u->items[i];
                if (!old || (pass == 0 ? old->kind != GTYPE_LASER_WEAPON : !IsLauncher(old->kind)))
                    continue;
                CItem* fresh = new CItem();
                // Only a weapon of the slot's own kind, that the reload upgrade leaves reloading.
                const bool loaded = DescribedClass(m.weaponPaths[k]) == GCLASS_ITEM &&
                                    fresh->Load(m.weaponPaths[k], u, old->attachIndex);
                if (!loaded ||
                    (pass == 0 ? fresh->kind != GTYPE_LASER_WEAPON : !IsLauncher(fresh->kind)) ||
                    fresh->baseValues[ITEM_BASE_RELOAD].value + m.reload[k] < kMinReload) {
                    RemoteLog(NETLOG_VALUE_REFUSED, senderId, "Network: \"%s\" is no weapon for player %d's unit %d: refused",
                              m.weaponPaths[k], ref.owner + 1, ref.id);
                    fresh->Release();
                    delete fresh;
                    ++k;
                    continue;
                }
                fresh->baseValues[ITEM_BASE_RELOAD].bonus = m.reload[k++];
                fresh->ApplyBaseValues();
                old->Release();
                delete old;
                u->items[i] = fresh;
            }
        u->UpdateParts();
        Relay();
        return;
    }
    case 18:
        HandleHit(p, n, senderId, sender);
        return;
    case 19: {
        NetMsgHull m;
        if (!DecodeHull(p, n, &m))
            break;
        CUnit* u = FindUnit(m.unit);
        // Only the owner reports a hull (the others' hits travel as 18), and only one it can have.
        if (!u || !SpeaksFor(senderId, m.unit.owner) || !(m.hull >= 0.0f && m.hull <= u->hullMax))
            break;
        u->hull = m.hull;
        Relay();
        return;
    }
    case 20: {
        NetMsgSwap m;
        if (!DecodeSwap(p, n, &m))
            break;
        CUnit* station = CObjectList::FindByIdAndOwner(1000, m.owner);
        if (!station || !SpeaksFor(senderId, m.owner))
            break;
        CUnit* a = nullptr;
        CUnit* b = nullptr;
        for (int i = 0; i < kMaxDocked; ++i) {
            CUnit* d = station->dockedUnits[i];
            if (!d)
                continue;
            if (!a && d->pilot.objectId == m.firstId)
                a = d;
            else if (!b && d->pilot.objectId == m.secondId)
                b = d;
        }
        if (!a || !b || a == b)
            break;
        std::swap(a->pilot, b->pilot);
        std::swap(a->pilot.owner, b->pilot.owner);
        a->InitMultiplayerName();
        b->InitMultiplayerName();
        std::swap(a->statistics, b->statistics);
        std::swap(a->humanPiloted, b->humanPiloted);
        Relay();
        return;
    }
    case 21: {
        NetMsgChat m;
        if (!DecodeChat(p, n, &m))
            break;
        // The chat speaks for its own sender only.
        if (host && m.senderIndex != senderId)
            break;
        CUnit* speaker = CObjectList::FindByIdAndOwner(m.speakerId, m.senderIndex);
        if (!speaker)
            speaker = CObjectList::FindShipInStation(m.speakerId, m.senderIndex);
        if (!speaker)
            break;
        if (host) {
            outgoing[0] = 21;
            SetPayload(p, n);
            for (int i = 0; i < session.playerCount && i < kNetMaxPlayers; ++i)
                if (session.playerIds[i] != session.ownIndex && i != sender && !NetSameHost(session.Address(i), incoming.from) &&
                    (m.recipient == -1 || session.playerIds[i] == m.recipient))
                    SendToEntry(i);
        }
        if ((m.recipient == -1 || m.recipient == session.ownIndex) &&
            (g_LocationKind == 1 || (g_StationMenuActive && g_StationMenuPage == 2))) {
            g_CommWindow.EndTalk();
            g_CommWindow.SayText(speaker, m.text);
            g_CommWindow.Talk(speaker, 1);
            CSubtitles::Show(m.text, 0xFFFFFFFFu, 0xFF969696u, 0.0f, 5.0f);
            RemoteLog(NETLOG_CHAT, m.senderIndex, "Network: chat from player %d: %s", m.senderIndex + 1, m.text);
            chatHeardFrom |= 1u << (m.senderIndex & 31);
        }
        return;
    }
    case 254:
        if (n == 0) {
            Compose(255, nullptr, 0);
            QueueSend(directSocket, incoming.from);
        }
        return;
    case 255:
        return;   // its sender was refreshed above
    default:
        return;
    }
    Refused(type, sender);
}

void CNetwork::Refused(int type, int sender)
{
    // A member may send thousands of them: a line a second for each type, with the count.
    ++refusedMessages;
    if (const int k = refusedLogs[type & 31].Note(timeGetTime()))
        DebugOutF("Network: message %d of %d bytes from player %d is refused%s", type, incoming.length, sender + 1,
                  k > 1 ? (" (" + std::to_string(k) + " since the last line)").c_str() : "");
}

void CNetwork::RemoteLog(int kind, int player, const char* fmt, ...)
{
    const int k = remoteLogs[kind][PlayerSlot(player)].Note(timeGetTime());
    if (!k)
        return;
    char line[1024];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(line, sizeof line, fmt, args);
    va_end(args);
    if (k > 1)
        DebugOutF("%s (%d since the last line)", line, k);
    else
        DebugOut(line);
}

void CNetwork::HandleNewUnit(const uint8_t* p, int n, int senderId)
{
    NetMsgNewUnit m;
    const bool host = session.role == 0;
    // A client announces only its own units; nobody announces ours.
    if (!DecodeNewUnit(p, n, &m) || (host && m.owner != senderId) || m.owner == session.ownIndex) {
        Refused(11, session.FindIndexById(senderId));
        return;
    }
    if (!Placement(m.position, m.up, m.forward) || !ScaleOk(m.scale)) {
        RemoteLog(NETLOG_UNIT_REFUSED, m.owner, "Network: player %d's unit %d off the game's scales is refused", m.owner + 1,
                  m.id);
        return;
    }
    if (CUnit* known = FindUnit({m.owner, m.id})) {
        // Announced again: the unit we have is placed, no second one is made.
        Place(known, m.position, m.up, m.forward);
        Relay();
        return;
    }
    if (CountOwned(m.owner) >= kNetMaxOwnUnits) {
        RemoteLog(NETLOG_UNIT_REFUSED, m.owner, "Network: player %d's unit %d is refused: more than a player has",
                  m.owner + 1, m.id);
        return;
    }
    // A ship, a station or a body of space; a bullet's or an item's description is none.
    const unsigned cls = PathRefusedLately(m.path) ? 0 : DescribedClass(m.path);
    if (cls != GCLASS_SPACE_SHIP && cls != GCLASS_SPACE_OBJECT) {
        RememberRefusedPath(m.path);
        RemoteLog(NETLOG_UNIT_REFUSED, m.owner, "Network: \"%s\" of player %d is no unit: refused", m.path, m.owner + 1);
        return;
    }
    CUnit* u = new CUnit();
    std::snprintf(u->descriptionPath, sizeof u->descriptionPath, "%s", m.path);
    if (std::strstr(m.path, "_H.obj"))
        u->humanPiloted = 1;
    if (!u->Load(m.path, m.id) || u->IsCraft() != m.craft || !Motion(u, m.flight, m.speed, m.speedPercent)) {
        RemoteLog(NETLOG_UNIT_REFUSED, m.owner, "Network: the announced unit \"%s\" cannot be made", m.path);
        u->Release();
        delete u;
        return;
    }
    // The home station and the three units round it carry 3000 on their owner's copy: the
    // same here, or the owner's hull reports would not fit.
    if (u->kind == GTYPE_SP_STATION || (m.craft && m.id >= 1001 && m.id <= 1003)) {
        u->hullMax = u->hull = 3000.0f;
        u->baseValues[UNIT_BASE_HULL].value = 3000.0f;
    }
    u->pilot.Load(u, m.craft ? m.privateName : "Static");
    u->pilot.ownerId = m.owner;
    u->pilot.objectId = m.id;
    if (m.craft) {
        if (u->kind != GTYPE_SP_STATION)
            u->kind = GTYPE_SP_NPCSHIP_MOVED;
        std::snprintf(u->pilot.pilotMarker, sizeof u->pilot.pilotMarker, "%s", m.playerName);
        std::snprintf(u->pilot.pilotName, sizeof u->pilot.pilotName, "%s", m.pilotName);
        u->pilot.skill = BitsFloat(m.pilotValues[0]);
        u->pilot.skill2 = BitsFloat(m.pilotValues[1]);
        u->pilot.voicePitch = m.pilotValues[2] < 1 || m.pilotValues[2] > 1000 ? 100 : m.pilotValues[2];
    }
    Place(u, m.position, m.up, m.forward);
    u->scale = m.scale;
    // Hit tests need its bounds before it is ever drawn.
    if (u->boundsRadius <= 0.0f)
        u->UpdateBounds();
    u->spinState = m.flight;
    u->speed = m.speed;
    u->speedPercent = m.speedPercent;
    const bool station = IsStationKindValue(u->kind);
    if (!CObjectList::Add(u))
        return;   // a full list destroyed it
    RemoteLog(station ? NETLOG_STATION_JOINS : NETLOG_UNIT_JOINS, m.owner, "Network: player %d's unit %d joins (%s)",
              m.owner + 1, m.id, m.path);
    Relay();
    ApplyPendingOrders({m.owner, m.id});
}

void CNetwork::HandleBullet(const uint8_t* p, int n, int senderId, int sender)
{
    NetMsgBullet m;
    if (!DecodeBullet(p, n, &m) || CObjectList::CountBullets() >= kMaxBullets) {
        Refused(12, sender);
        return;
    }
    // Only the shooter's owner fires it, and only from a weapon the shooter carries.
    CUnit* shooter = m.shooterId == -1 ? nullptr : FindUnit({m.shooterOwner, m.shooterId});
    if (!shooter || !SpeaksFor(senderId, m.shooterOwner) || !CarriesWeaponFor(shooter, m.path) ||
        !Placement(m.position, m.up, m.forward)) {
        RemoteLog(NETLOG_BULLET_REFUSED, senderId, "Network: a shot \"%s\" of player %d's unit %d is refused", m.path,
                  m.shooterOwner + 1, m.shooterId);
        return;
    }
    CBullet* b = new CBullet();
    if (!b->Load(m.path)) {
        b->Release();
        delete b;
        return;
    }
    b->owner = shooter;
    b->position = m.position;
    if (Vec3LengthSq(m.forward) > 1e-12f && Vec3LengthSq(m.up) > 1e-12f)
        b->SetLookAt(m.position, m.position + m.forward, m.up);
    b->word = m.word;
    // The shooter's copy deals the damage and reports it; this one only shows the shot.
    b->remote = 1;
    b->FinishSpawn();
    CObjectList::AddBullet(b);
    // The host passes shots on, so that every copy sees every shot.
    Relay();
}

void CNetwork::HandleHit(const uint8_t* p, int n, int senderId, int sender)
{
    NetMsgHit m;
    if (!DecodeHit(p, n, &m)) {
        Refused(18, sender);
        return;
    }
    CUnit* victim = FindUnit(m.victim);
    CUnit* attacker = FindUnit(m.attacker);
    // Only the attacker's owner tells of its hits.
    if (!victim || !attacker || !SpeaksFor(senderId, m.attacker.owner)) {
        Refused(18, sender);
        return;
    }
    // And only of a hit the attacker could have made.
    if (!attacker->IsAlive() || m.damage > HitCeiling(attacker, victim)) {
        RemoteLog(NETLOG_HIT_REFUSED, m.attacker.owner, "Network: a hit for %.0f by player %d's unit %d on unit %d is refused",
                  m.damage, m.attacker.owner + 1, m.attacker.id, m.victim.id);
        return;
    }
    if (victim->pilot.ownerId == session.ownIndex) {
        ++ownUnitsHit;
        ownUnitsHitBy |= 1u << (m.attacker.owner & 31);
        RemoteLog(NETLOG_HIT, m.attacker.owner, "Network: our unit %d is hit for %.0f by player %d",
                  victim->pilot.objectId, m.damage, m.attacker.owner + 1);
    }
    victim->TakeHit(m.damage, attacker, victim->position, nullptr);
    Relay();
}

bool CNetwork::HandleOrder(const CNetReceiveEntry& e, int senderId, bool kept)
{
    NetMsgOrder m;
    if (!DecodeOrder(e.data + 1, e.length - 1, &m) || !SpeaksFor(senderId, m.unit.owner))
        return false;
    if (!OrderCodeOk(m.order) || m.subState < -1 || m.subState > 5 || !InReach(m.destination) ||
        !InReach(m.targetPoint)) {
        RemoteLog(NETLOG_VALUE_REFUSED, senderId, "Network: an order %d of player %d's unit %d off the game's scales is refused",
                  m.order, m.unit.owner + 1, m.unit.id);
        return true;
    }
    CUnit* u = FindUnit(m.unit);
    if (!u) {
        // Orders given while a map loads may come before their unit: kept for it a while.
        if (kept || m.unit.id == -1)
            return false;
        if (pendingCount >= kNetPendingOrders) {
            std::memmove(pendingOrders, pendingOrders + 1, sizeof pendingOrders[0] * (kNetPendingOrders - 1));
            --pendingCount;
            RemoteLog(NETLOG_ORDER_LOST, senderId, "Network: an order for player %d's unit %d is lost: too many wait",
                      m.unit.owner + 1, m.unit.id);
        }
        pendingOrders[pendingCount++] = {e, senderId, g_GameClock.NowMs()};
        return true;
    }
    if (u->orderType == ACTION_DEAD)
        return false;
    CUnit* target = m.targetId == -1 ? nullptr : FindUnit({m.targetOwner, m.targetId});
    CUnit* target2 = m.target2Id == -1 ? nullptr : FindUnit({m.target2Owner, m.target2Id});
    CUnit* bound = m.boundId == -1 ? nullptr : FindUnit({m.unit.owner, m.boundId});
    switch (m.order) {
    case ACTION_MOVE: u->SetOrder(ACTION_MOVE, &m.destination, nullptr, 1); break;
    case ACTION_GUARD: if (bound) u->SetOrder(ACTION_GUARD, bound, nullptr, 1); break;
    case ACTION_ATTACK: if (target) u->SetOrder(ACTION_ATTACK, target, target2, 1); break;
    case ACTION_DOCKING: if (target) u->SetOrder(ACTION_DOCKING, target, nullptr, 1); break;
    case ACTION_DEAD:
        // Its owner's copy saw it destroyed: it dies here too, with the last point of hull a
        // dying unit keeps, not a live unit marked dead.
        u->hull = std::min(u->hull, 1.0f);
        u->SetOrder(ACTION_DEAD, nullptr, nullptr, 1);
        RelayEntry(e);
        return true;
    default: break;
    }
    u->orderType = m.order;
    u->target = target;
    u->target2 = target2;
    if (m.order == ACTION_GUARD || bound)
        u->boundUnit = bound;
    u->transportEndIds[0] = m.targetIds[0];
    u->transportEndIds[1] = m.targetIds[1];
    u->SetTargetsById(m.targetIds[0], m.targetIds[1]);
    u->destination = m.destination;
    u->targetPoint = m.targetPoint;
    u->orderSubState = m.subState;
    // The decoder took only -1 or a time in range.
    u->dockTime = m.dockTime < 0.0f ? 0xFFFFFFFFu : uint32_t(m.dockTime);
    RelayEntry(e);
    return true;
}

void CNetwork::ApplyPendingOrders(const NetUnitRefKey& unit)
{
    for (int i = 0; i < pendingCount;) {
        const CNetPendingOrder& o = pendingOrders[i];
        NetMsgOrder m;
        if (!DecodeOrder(o.message.data + 1, o.message.length - 1, &m) || m.unit.owner != unit.owner || m.unit.id != unit.id) {
            ++i;
            continue;
        }
        const CNetPendingOrder taken = o;
        std::memmove(pendingOrders + i, pendingOrders + i + 1, sizeof pendingOrders[0] * size_t(pendingCount - i - 1));
        --pendingCount;
        HandleOrder(taken.message, taken.senderId, true);
    }
}

void CNetwork::ExpirePendingOrders(uint32_t now)
{
    int kept = 0;
    for (int i = 0; i < pendingCount; ++i) {
        CNetPendingOrder& o = pendingOrders[i];
        if (NetSince(&o.at, now) <= kNetPendingOrderMs) {
            pendingOrders[kept++] = o;
            continue;
        }
        NetMsgOrder m;
        DecodeOrder(o.message.data + 1, o.message.length - 1, &m);
        ++refusedMessages;
        RemoteLog(NETLOG_ORDER_LOST, o.senderId, "Network: an order for player %d's unit %d found no unit: refused",
                  m.unit.owner + 1, m.unit.id);
    }
    pendingCount = kept;
}

bool CNetwork::PathRefusedLately(const char* path) const
{
    for (const char* p : refusedPaths)
        if (p[0] && std::strcmp(p, path) == 0)
            return true;
    return false;
}

void CNetwork::RememberRefusedPath(const char* path)
{
    std::snprintf(refusedPaths[refusedPathNext], sizeof refusedPaths[0], "%s", path);
    refusedPathNext = (refusedPathNext + 1) % 8;
}

void CNetwork::BeginGame()
{
    NetResetAnnouncements();
    pendingCount = 0;
}

bool CNetwork::SpeaksFor(int senderId, int owner) const
{
    // The host checks its clients; a client takes what the host passes on.
    return session.role != 0 || owner == senderId;
}

bool CNetwork::TakesHandOver(int sender)
{
    // A client that lost the host names the entry after it; the host itself never does.
    // While this copy still hears the host, the sender's link failed, not the host.
    if (sender <= 0 || session.ownIndex < 0 || session.playerCount < 2)
        return false;
    if (session.FindIndexById(session.ownIndex) != 1)
        return false;
    return NetSince(&session.lastHeard[0], g_GameClock.NowMs()) > 2000;
}

void CNetwork::ProcessGameMessages()
{
    if (!initialised)
        return;
    // Only a running game takes in-game messages; until its map runs they wait in the queue.
    if (g_GameMode != 2 || g_LocationFinished) {
        // Positions and keep-alives are stale by the time the map runs: they make room
        // for the announcements and orders that must not be lost.
        const int waiting = receiveCount;
        for (int i = 0; i < waiting; ++i) {
            const CNetReceiveEntry e = Received(0);
            DropReceived();
            const int type = e.data[0];
            if (type != 13 && type != 254 && type != 255)
                PushReceived(e);
        }
        return;
    }
    SpaceScope scope;
    const uint32_t now = g_GameClock.NowMs();
    const bool host = session.role == 0;

    if (NetSince(&keepAliveTime, now) > 2000) {
        Compose(254, nullptr, 0);
        if (host)
            SendToClients(nullptr);
        else if (session.hostIndex != -1)
            SendToEntry(0);
        keepAliveTime = now;
        if (s_AnnounceRounds < kAnnounceRounds) {
            ++s_AnnounceRounds;
            for (uint32_t i = 0; i < CObjectList::unitCount[1]; ++i) {
                CUnit* u = CObjectList::units[1][i];
                if (u->pilot.ownerId == session.ownIndex && u->pilot.side != 2 && u->IsCraft() && u->IsAlive())
                    SendObjectMessage(11, u);
            }
        }
    }

    handling = 1;
    while ((lobbyState == NET_CLIENT_IN_GAME || lobbyState == NET_HOST_IN_GAME) && PopReceived() > 0)
        HandleGameMessage();
    ExpirePendingOrders(now);
    handling = 0;

    if (session.role == 0) {
        for (int i = session.playerCount - 1; i >= 0; --i) {
            if (session.playerIds[i] == session.ownIndex)
                continue;
            if (NetSince(&session.lastHeard[i], now) > 7000)
                DropPlayer(i, true);
        }
    } else if (session.hostIndex != -1 && session.playerCount > 0 &&
               NetSince(&session.lastHeard[0], now) > 7000) {
        ChatLine(session.names[0], "покинул игру!");
        CObjectList::KillOwnerUnits(session.playerIds[0]);
        HandOver();
    }
}

void NetResetAnnouncements()
{
    s_AnnounceRounds = 0;
    ++s_GameNumber;
}

int NetGameNumber() { return s_GameNumber; }
