#include "net/net_codec.h"

#include <cmath>
#include <cstring>

void NetWriter::Bytes(const void* p, int n)
{
    if (!ok_ || n < 0 || length_ + n > capacity_) {
        ok_ = false;
        return;
    }
    if (n > 0)
        std::memcpy(data_ + length_, p, size_t(n));
    length_ += n;
}

void NetWriter::I32(int32_t v)
{
    uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(uint32_t(v) >> 24)};
    Bytes(b, 4);
}

void NetWriter::F32(float v)
{
    int32_t i;
    std::memcpy(&i, &v, 4);
    I32(i);
}

void NetWriter::Vec(const Vec3& v)
{
    F32(v.x);
    F32(v.y);
    F32(v.z);
}

void NetWriter::Text(const char* s)
{
    if (!s)
        s = "";
    Bytes(s, int(std::strlen(s)) + 1);
}

bool NetReader::Need(int n)
{
    if (!ok_ || n < 0 || pos_ + n > length_) {
        ok_ = false;
        return false;
    }
    return true;
}

void NetReader::Bytes(void* out, int n)
{
    if (!Need(n))
        return;
    std::memcpy(out, data_ + pos_, size_t(n));
    pos_ += n;
}

int32_t NetReader::I32()
{
    if (!Need(4))
        return 0;
    const uint8_t* b = data_ + pos_;
    pos_ += 4;
    return int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
}

float NetReader::F32()
{
    const int32_t i = I32();
    float v;
    std::memcpy(&v, &i, 4);
    if (!std::isfinite(v)) {
        ok_ = false;
        return 0.0f;
    }
    return v;
}

Vec3 NetReader::Vec()
{
    Vec3 v;
    v.x = F32();
    v.y = F32();
    v.z = F32();
    return v;
}

void NetReader::Text(char* out, int size)
{
    if (size > 0)
        out[0] = 0;
    if (!ok_)
        return;
    const void* end = std::memchr(data_ + pos_, 0, size_t(length_ - pos_));
    if (!end) {
        ok_ = false;
        return;
    }
    const int n = int(static_cast<const uint8_t*>(end) - (data_ + pos_));
    if (n + 1 > size) {
        ok_ = false;
        return;
    }
    std::memcpy(out, data_ + pos_, size_t(n) + 1);
    pos_ += n + 1;
}

namespace {

bool HasParentStep(const char* s)
{
    // ".." as a whole path step, either separator.
    for (const char* p = s; *p; ++p)
        if (p[0] == '.' && p[1] == '.' && (p == s || p[-1] == '/' || p[-1] == '\\') &&
            (p[2] == 0 || p[2] == '/' || p[2] == '\\'))
            return true;
    return false;
}

bool PlainRelative(const char* s)
{
    if (!s || !*s || s[0] == '/' || s[0] == '\\' || std::strchr(s, ':'))
        return false;
    for (const char* p = s; *p; ++p)
        if (static_cast<unsigned char>(*p) < 32)
            return false;
    return !HasParentStep(s);
}

void WriteRef(NetWriter& w, const NetUnitRef& r)
{
    w.I32(r.owner);
    w.I32(r.id);
}

NetUnitRef ReadRef(NetReader& r)
{
    NetUnitRef u;
    u.owner = r.I32();
    u.id = r.I32();
    return u;
}

int Finish(const NetWriter& w) { return w.Ok() ? w.Length() : 0; }

} // namespace

bool NetPathAllowed(const char* path)
{
    if (!PlainRelative(path))
        return false;
    return (path[0] == 'D' || path[0] == 'd') && (path[1] == 'a' || path[1] == 'A') &&
           (path[2] == 't' || path[2] == 'T') && (path[3] == 'a' || path[3] == 'A') &&
           (path[4] == '/' || path[4] == '\\') && path[5] != 0;
}

bool NetNameAllowed(const char* name)
{
    return PlainRelative(name);
}

int EncodeNewUnit(const NetMsgNewUnit& m, uint8_t* out, int capacity)
{
    NetWriter w(out, capacity);
    w.Text(m.path);
    if (m.craft)
        w.Text(m.privateName);
    w.I32(m.owner);
    w.I32(m.id);
    if (m.craft) {
        w.Text(m.playerName);
        w.Text(m.pilotName);
        for (int32_t v : m.pilotValues)
            w.I32(v);
    }
    w.Vec(m.position);
    w.Vec(m.up);
    w.Vec(m.forward);
    w.Vec(m.scale);
    w.Vec(m.flight);
    w.F32(m.speed);
    w.F32(m.speedPercent);
    return Finish(w);
}

bool DecodeNewUnit(const uint8_t* p, int n, NetMsgNewUnit* m)
{
    NetReader r(p, n);
    r.Text(m->path, sizeof m->path);
    // What follows the path: 8 + 68 bytes for a plain unit; a craft carries its texts too.
    m->craft = r.Ok() && r.Remaining() != 76;
    if (m->craft)
        r.Text(m->privateName, sizeof m->privateName);
    m->owner = r.I32();
    m->id = r.I32();
    if (m->craft) {
        r.Text(m->playerName, sizeof m->playerName);
        r.Text(m->pilotName, sizeof m->pilotName);
        for (int32_t& v : m->pilotValues)
            v = r.I32();
    }
    m->position = r.Vec();
    m->up = r.Vec();
    m->forward = r.Vec();
    m->scale = r.Vec();
    m->flight = r.Vec();
    m->speed = r.F32();
    m->speedPercent = r.F32();
    // Units travel with their owning player's index, which also tells a cut craft
    // announcement (text where the owner should be) from a plain one.
    return r.Done() && m->owner >= 0 && m->owner < 4 && NetPathAllowed(m->path) &&
           (!m->craft || NetNameAllowed(m->privateName));
}

int EncodeBullet(const NetMsgBullet& m, uint8_t* out, int capacity)
{
    NetWriter w(out, capacity);
    w.Text(m.path);
    w.I32(m.shooterId);
    w.I32(m.shooterOwner);
    w.Vec(m.position);
    w.Vec(m.up);
    w.Vec(m.forward);
    w.I32(m.word);
    return Finish(w);
}

bool DecodeBullet(const uint8_t* p, int n, NetMsgBullet* m)
{
    NetReader r(p, n);
    r.Text(m->path, sizeof m->path);
    m->shooterId = r.I32();
    m->shooterOwner = r.I32();
    m->position = r.Vec();
    m->up = r.Vec();
    m->forward = r.Vec();
    m->word = r.I32();
    return r.Done() && NetPathAllowed(m->path);
}

int EncodeUnitState(const NetMsgUnitState& m, uint8_t* out, int capacity)
{
    NetWriter w(out, capacity);
    WriteRef(w, m.unit);
    w.Vec(m.position);
    w.Vec(m.up);
    w.Vec(m.forward);
    w.Vec(m.axis);
    w.Vec(m.flight);
    w.F32(m.speed);
    w.F32(m.speedPercent);
    return Finish(w);
}

bool DecodeUnitState(const uint8_t* p, int n, NetMsgUnitState* m)
{
    NetReader r(p, n);
    m->unit = ReadRef(r);
    m->position = r.Vec();
    m->up = r.Vec();
    m->forward = r.Vec();
    m->axis = r.Vec();
    m->flight = r.Vec();
    m->speed = r.F32();
    m->speedPercent = r.F32();
    return r.Done();
}

int EncodeOrder(const NetMsgOrder& m, uint8_t* out, int capacity)
{
    NetWriter w(out, capacity);
    WriteRef(w, m.unit);
    w.I32(m.order);
    w.I32(m.targetId);
    w.I32(m.targetOwner);
    w.I32(m.target2Id);
    w.I32(m.target2Owner);
    w.I32(m.boundId);
    w.I32(m.targetIds[0]);
    w.I32(m.targetIds[1]);
    w.Vec(m.destination);
    w.Vec(m.targetPoint);
    w.I32(m.subState);
    w.F32(m.dockTime);
    return Finish(w);
}

bool DecodeOrder(const uint8_t* p, int n, NetMsgOrder* m)
{
    NetReader r(p, n);
    m->unit = ReadRef(r);
    m->order = r.I32();
    m->targetId = r.I32();
    m->targetOwner = r.I32();
    m->target2Id = r.I32();
    m->target2Owner = r.I32();
    m->boundId = r.I32();
    m->targetIds[0] = r.I32();
    m->targetIds[1] = r.I32();
    m->destination = r.Vec();
    m->targetPoint = r.Vec();
    m->subState = r.I32();
    m->dockTime = r.F32();
    // Order types run from none (-1) to follow (8). The dock time is -1 (stays) or whole
    // seconds a unit can hold: anything else would not convert to them.
    const bool dockTimeOk = m->dockTime == -1.0f || (m->dockTime >= 0.0f && m->dockTime <= kNetMaxDockSeconds);
    return r.Done() && m->order >= -1 && m->order <= 8 && dockTimeOk;
}

int EncodeDocked(const NetMsgDocked& m, uint8_t* out, int capacity)
{
    NetWriter w(out, capacity);
    WriteRef(w, m.unit);
    w.I32(m.stationId);
    return Finish(w);
}

bool DecodeDocked(const uint8_t* p, int n, NetMsgDocked* m)
{
    NetReader r(p, n);
    m->unit = ReadRef(r);
    m->stationId = r.I32();
    return r.Done();
}

int EncodeUndocked(const NetMsgUndocked& m, uint8_t* out, int capacity)
{
    NetWriter w(out, capacity);
    WriteRef(w, m.unit);
    w.I32(m.stationId);
    w.F32(m.hull);
    w.F32(m.engine);
    w.F32(m.manoeuvring);
    if (m.hasCargo)
        w.F32(m.cargo);
    for (int i = 0; i < m.weaponCount && i < kNetMaxWeapons; ++i) {
        w.Text(m.weaponPaths[i]);
        w.F32(m.reload[i]);
    }
    return Finish(w);
}

bool DecodeUndocked(const uint8_t* p, int n, bool hasCargo, NetMsgUndocked* m)
{
    NetReader r(p, n);
    m->unit = ReadRef(r);
    m->stationId = r.I32();
    m->hull = r.F32();
    m->engine = r.F32();
    m->manoeuvring = r.F32();
    m->hasCargo = hasCargo;
    if (hasCargo)
        m->cargo = r.F32();
    m->weaponCount = 0;
    while (r.Ok() && r.Remaining() > 0) {
        if (m->weaponCount >= kNetMaxWeapons)
            return false;
        r.Text(m->weaponPaths[m->weaponCount], kNetPathSize);
        m->reload[m->weaponCount] = r.F32();
        if (r.Ok() && !NetPathAllowed(m->weaponPaths[m->weaponCount]))
            return false;
        ++m->weaponCount;
    }
    return r.Done();
}

int EncodeHit(const NetMsgHit& m, uint8_t* out, int capacity)
{
    NetWriter w(out, capacity);
    WriteRef(w, m.victim);
    WriteRef(w, m.attacker);
    w.F32(m.damage);
    return Finish(w);
}

bool DecodeHit(const uint8_t* p, int n, NetMsgHit* m)
{
    NetReader r(p, n);
    m->victim = ReadRef(r);
    m->attacker = ReadRef(r);
    m->damage = r.F32();
    return r.Done() && m->damage >= 0.0f;
}

int EncodeHull(const NetMsgHull& m, uint8_t* out, int capacity)
{
    NetWriter w(out, capacity);
    WriteRef(w, m.unit);
    w.F32(m.hull);
    return Finish(w);
}

bool DecodeHull(const uint8_t* p, int n, NetMsgHull* m)
{
    NetReader r(p, n);
    m->unit = ReadRef(r);
    m->hull = r.F32();
    return r.Done();
}

int EncodeSwap(const NetMsgSwap& m, uint8_t* out, int capacity)
{
    NetWriter w(out, capacity);
    w.I32(m.owner);
    w.I32(m.firstId);
    w.I32(m.secondId);
    return Finish(w);
}

bool DecodeSwap(const uint8_t* p, int n, NetMsgSwap* m)
{
    NetReader r(p, n);
    m->owner = r.I32();
    m->firstId = r.I32();
    m->secondId = r.I32();
    return r.Done();
}

int EncodeChat(const NetMsgChat& m, uint8_t* out, int capacity)
{
    NetWriter w(out, capacity);
    w.I32(m.recipient);
    w.I32(m.speakerId);
    w.I32(m.senderIndex);
    w.Text(m.text);
    return Finish(w);
}

bool DecodeChat(const uint8_t* p, int n, NetMsgChat* m)
{
    NetReader r(p, n);
    m->recipient = r.I32();
    m->speakerId = r.I32();
    m->senderIndex = r.I32();
    r.Text(m->text, sizeof m->text);
    return r.Done() && m->recipient >= -1 && m->recipient < 4;
}

bool DecodeAddress(const uint8_t* p, int n, void* address16)
{
    if (n != 16)
        return false;
    std::memcpy(address16, p, 16);
    return true;
}
