// Packing and unpacking of the in-game messages: little-endian fields, zero-terminated
// texts, every read checked against the datagram's length.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/math/math3d.h"

constexpr int kNetPathSize = 255;
constexpr int kNetTextSize = 128;
constexpr int kNetChatSize = 256;
constexpr int kNetMaxWeapons = 10;
// The longest stay in a docking bay a message may ask for (a day).
constexpr float kNetMaxDockSeconds = 86400.0f;

class NetWriter {
public:
    NetWriter(uint8_t* buffer, int capacity) : data_(buffer), capacity_(capacity) {}
    void I32(int32_t v);
    void F32(float v);
    void Vec(const Vec3& v);
    void Bytes(const void* p, int n);
    // The text and its terminator.
    void Text(const char* s);
    int Length() const { return length_; }
    // False once something did not fit.
    bool Ok() const { return ok_; }

private:
    uint8_t* data_;
    int capacity_;
    int length_ = 0;
    bool ok_ = true;
};

class NetReader {
public:
    NetReader(const uint8_t* data, int length) : data_(data), length_(length < 0 ? 0 : length) {}
    int32_t I32();
    // Non-finite numbers make the reader fail.
    float F32();
    Vec3 Vec();
    void Bytes(void* out, int n);
    // A zero-terminated text that must end inside the datagram and fit size bytes.
    void Text(char* out, int size);
    int Remaining() const { return length_ - pos_; }
    bool Ok() const { return ok_; }
    // Ok and nothing left over.
    bool Done() const { return ok_ && pos_ == length_; }
    void Fail() { ok_ = false; }

private:
    bool Need(int n);
    const uint8_t* data_;
    int length_;
    int pos_ = 0;
    bool ok_ = true;
};

// A file path from a datagram: relative, under Data/, no "..", no drive.
bool NetPathAllowed(const char* path);
// A private-data folder name from a datagram: relative, no "..".
bool NetNameAllowed(const char* name);

struct NetUnitRef {
    int32_t owner = -1;
    int32_t id = -1;
};

struct NetMsgNewUnit {          // 11
    char path[kNetPathSize] = {};
    bool craft = false;
    char privateName[kNetTextSize] = {};
    int32_t owner = -1, id = -1;
    char playerName[24] = {};
    char pilotName[kNetTextSize] = {};
    int32_t pilotValues[3] = {};
    Vec3 position, up, forward, scale, flight;
    float speed = 0, speedPercent = 0;
};

struct NetMsgBullet {           // 12
    char path[kNetPathSize] = {};
    int32_t shooterId = -1, shooterOwner = -1;
    Vec3 position, up, forward;
    int32_t word = 0;
};

struct NetMsgUnitState {        // 13
    NetUnitRef unit;
    Vec3 position, up, forward, axis, flight;
    float speed = 0, speedPercent = 0;
};

struct NetMsgOrder {            // 14
    NetUnitRef unit;
    int32_t order = -1;
    int32_t targetId = -1, targetOwner = -1;
    int32_t target2Id = -1, target2Owner = -1;
    int32_t boundId = -1;
    int32_t targetIds[2] = {-1, -1};
    Vec3 destination, targetPoint;
    int32_t subState = 0;
    float dockTime = -1.0f;
};

struct NetMsgDocked {           // 16
    NetUnitRef unit;
    int32_t stationId = -1;
};

struct NetMsgUndocked {         // 17
    NetUnitRef unit;
    int32_t stationId = -1;
    float hull = 0, engine = 0, manoeuvring = 0;
    bool hasCargo = false;
    float cargo = 0;
    int weaponCount = 0;        // lasers first, then rocket and missile launchers
    char weaponPaths[kNetMaxWeapons][kNetPathSize] = {};
    float reload[kNetMaxWeapons] = {};
};

struct NetMsgHit {              // 18
    NetUnitRef victim, attacker;
    float damage = 0;
};

struct NetMsgHull {             // 19
    NetUnitRef unit;
    float hull = 0;
};

struct NetMsgSwap {             // 20
    int32_t owner = -1, firstId = -1, secondId = -1;
};

struct NetMsgChat {             // 21
    int32_t recipient = -1, speakerId = -1, senderIndex = -1;
    char text[kNetChatSize] = {};
};

// Each returns the payload length, or 0 when it does not fit 511 bytes.
int EncodeNewUnit(const NetMsgNewUnit& m, uint8_t* out, int capacity);
int EncodeBullet(const NetMsgBullet& m, uint8_t* out, int capacity);
int EncodeUnitState(const NetMsgUnitState& m, uint8_t* out, int capacity);
int EncodeOrder(const NetMsgOrder& m, uint8_t* out, int capacity);
int EncodeDocked(const NetMsgDocked& m, uint8_t* out, int capacity);
int EncodeUndocked(const NetMsgUndocked& m, uint8_t* out, int capacity);
int EncodeHit(const NetMsgHit& m, uint8_t* out, int capacity);
int EncodeHull(const NetMsgHull& m, uint8_t* out, int capacity);
int EncodeSwap(const NetMsgSwap& m, uint8_t* out, int capacity);
int EncodeChat(const NetMsgChat& m, uint8_t* out, int capacity);

// Each decodes a payload (after the type byte); false for a short, long or malformed one.
// A new unit's craft layout is told by its length.
bool DecodeNewUnit(const uint8_t* p, int n, NetMsgNewUnit* m);
bool DecodeBullet(const uint8_t* p, int n, NetMsgBullet* m);
bool DecodeUnitState(const uint8_t* p, int n, NetMsgUnitState* m);
bool DecodeOrder(const uint8_t* p, int n, NetMsgOrder* m);
bool DecodeDocked(const uint8_t* p, int n, NetMsgDocked* m);
// hasCargo: whether the receiver's unit has a cargo system (the field is present then).
bool DecodeUndocked(const uint8_t* p, int n, bool hasCargo, NetMsgUndocked* m);
bool DecodeHit(const uint8_t* p, int n, NetMsgHit* m);
bool DecodeHull(const uint8_t* p, int n, NetMsgHull* m);
bool DecodeSwap(const uint8_t* p, int n, NetMsgSwap* m);
bool DecodeChat(const uint8_t* p, int n, NetMsgChat* m);
// 6 to 9: the leaving player's address.
bool DecodeAddress(const uint8_t* p, int n, void* address16);
