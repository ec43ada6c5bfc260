// The code sets that description files name: classes, kinds, orders,
// derived-object slots and vertex formats, with their label lookups.
#pragma once

// Powers of two, but an object holds exactly one and every test is for equality.
enum ObjectClass : unsigned {
    GCLASS_LANDSCAPE = 1u << 0,
    GCLASS_STONE = 1u << 1,
    GCLASS_TREE = 1u << 2,
    GCLASS_OBJECT_FLY = 1u << 3,
    GCLASS_OBJECT_WALK = 1u << 4,
    GCLASS_CHARACTER_HERO = 1u << 5,
    GCLASS_CHARACTER_NPC = 1u << 6,
    GCLASS_ITEM = 1u << 7,
    GCLASS_STATIC = 1u << 8,
    GCLASS_FLAT = 1u << 9,
    GCLASS_LOW = 1u << 10,
    GCLASS_SPACE_SKY = 1u << 28,
    GCLASS_SPACE_SHIP = 1u << 29,
    GCLASS_SPACE_OBJECT = 1u << 30,
    GCLASS_EFFECT = 1u << 24,
    GCLASS_BULLET = 1u << 25,
};

enum ObjectType : int {
    GTYPE_NOTDEFINED = 0,
    GTYPE_STATIC = 1,
    GTYPE_BLLST_WEAPON = 100,
    GTYPE_LASER_WEAPON = 101,
    GTYPE_ROCKT_WEAPON = 102,
    GTYPE_MISSL_WEAPON = 103,
    GTYPE_STATION_LIFT = 200,
    GTYPE_AMSSYSTEM = 400,
    GTYPE_BOOSTSYSTEM = 410,
    GTYPE_CARGOSYSTEM = 420,

    GTYPE_NPC = 1000,
    GTYPE_NPC_ID0 = 1001,
    GTYPE_NPC_ID1 = 1002,
    GTYPE_NPC_GUARD_ID0 = 1800,
    GTYPE_NPC_GUARD_ID1 = 1801,
    GTYPE_NPC_GUARD_ID2 = 1802,
    GTYPE_NPC_MOVED_ID0 = 1900,
    GTYPE_NPC_CAPTAIN_ID0 = 2000,
    GTYPE_NPC_TECH_ID0 = 2100,
    GTYPE_NPC_MERCS_ID0 = 2200,
    GTYPE_NPC_MERCS_ID1 = 2201,
    GTYPE_NPC_BASEKEEPER = 2300,

    GTYPE_VEHICLE_ONGROUND = 10000,
    GTYPE_VEHICLE_ONGROUND_ID0 = 10001,
    GTYPE_VEHICLE_ONAIR = 10100,
    GTYPE_VEHICLE_ONAIR_ID0 = 10101,
    GTYPE_VEHICLE_ONAIR_ID1 = 10102,
    GTYPE_VEHICLE_ONAIR_ID2 = 10103,

    GTYPE_SP_HEROSHIP = 20000,
    GTYPE_SP_NPCSHIP = 20100,
    GTYPE_SP_LEAFSHIP = 20101,
    GTYPE_SP_NPCSHIP_ID0 = 20200,
    GTYPE_SP_NPCSHIP_ID1 = 20201,
    GTYPE_SP_NPCSHIP_ID2 = 20202,
    GTYPE_SP_NPCSHIP_MERCS_FREE = 20300,
    GTYPE_SP_NPCSHIP_MERCS_CARGO = 20301,
    GTYPE_SP_NPCSHIP_MERCS_FIGHTER = 20302,
    GTYPE_SP_NPCSHIP_MOVED = 20400,
    GTYPE_SP_STATION = 21000,
    GTYPE_SP_LEAFSTATION = 21001,
    GTYPE_SP_PARTSHIP = 22000,
    GTYPE_SP_PARTASTEROID = 22001,
    GTYPE_SP_ASTEROID = 30000,
    GTYPE_SP_STAR = 30100,
    GTYPE_SP_PLANET = 30200,

    GTYPE_STATIC_GRASS = 50000,
    GTYPE_STATIC_STELLA_ID0 = 50001,

    GEFFECT_OBJECTSHADOW = 40000,
    GEFFECT_OBJECTLIGHT1 = 40011,
    GEFFECT_OBJECTLIGHT2 = 40012,
    GEFFECT_OBJECTLIGHT3 = 40013,
    GEFFECT_SELFILLUM_FLAT = 40020,
    GEFFECT_SELFILLUM_PART = 40021,
    GEFFECT_ADDITION_PART = 40030,
    GEFFECT_ENGINEFLAME = 40040,
    GEFFECT_ENGINEGALO = 40041,
    GEFFECT_ENGINETRAIL = 40042,
    GEFFECT_PLANETSKY = 40050,
    GEFFECT_PLANETGALO = 40051,
    GEFFECT_SUNGALO = 40060,
    GEFFECT_EXPLODE = 40070,
    GEFFECT_SMOKECLOUD = 40080,
    GEFFECT_COCKPIT = 40100,
    GEFFECT_COCKPIT_RADAR = 40101,
    GEFFECT_COCKPIT_PANEL1 = 40102,
    GEFFECT_COCKPIT_PANEL2 = 40103,
    GEFFECT_COCKPIT_PANEL3 = 40104,
    GEFFECT_COCKPIT_SCREEN1 = 40105,
    GEFFECT_COCKPIT_SCREEN2 = 40106,
    GEFFECT_COCKPIT_SCREEN3 = 40107,
    GEFFECT_GATEBAY = 40110,
    GEFFECT_GATEDOOR = 40120,
    GEFFECT_GATECONNECT = 40130,
    GEFFECT_SIGNBOARD = 40140,
    GEFFECT_LIGHTSOURCE = 40150,
    GEFFECT_ASTEROIDS_FIELD = 40160,
    GEFFECT_HAIRSPRING = 40170,
};

// A unit's order type. Value 8 (follow a unit, planet world) has no label.
enum ActionType : int {
    ACTION_NONE = -1,
    ACTION_STAY = 0,
    ACTION_MOVE = 1,
    ACTION_GUARD = 2,
    ACTION_ATTACK = 3,
    ACTION_DOCKING = 4,
    ACTION_TRANSPORT = 5,
    ACTION_DEAD = 6,
    ACTION_GET_DAMAGE = 7,
    ACTION_FOLLOW = 8,
};
// Entries of the per-action tables (sounds, frame ranges).
constexpr int kActionCount = 10;

// 0 means no slot.
enum DerivedSlot : int {
    DERIVED_NONE = 0,
    DERIVED_SPARK_1 = 1,
    DERIVED_SPARK_2 = 2,
    DERIVED_SPARK_3 = 3,
    DERIVED_DEBRIS_1 = 4,
    DERIVED_DEBRIS_2 = 5,
    DERIVED_DEBRIS_3 = 6,
    DERIVED_PART_1 = 7,
    DERIVED_PART_2 = 8,
    DERIVED_PART_3 = 9,
    DERIVED_EXPLOSION_1 = 10,
    DERIVED_EXPLOSION_2 = 11,
    DERIVED_EXPLOSION_3 = 12,
    DERIVED_TRAIL_1 = 13,
    DERIVED_TRAIL_2 = 14,
    DERIVED_TRAIL_3 = 15,
};
constexpr int kDerivedSlotCount = 16;

enum VertexType : int {
    VERTEX_TYPE_UNKNOWN = -1,
    D3D_VERTEX = 0,
    D3D_LVERTEX = 1,
    D3D_BUMPVERTEX = 2,
};

// Label lookups: exact, case-sensitive comparison of the whole text.
// A null text is treated as an unknown label.
unsigned ParseObjectClass(const char* text);   // unknown: 0
int ParseObjectType(const char* text);         // unknown: 0 (GTYPE_NOTDEFINED)
int ParseAction(const char* text);             // plain or padded to 32; unknown: -1
int ParseDerivedSlot(const char* text);        // padded to 32 only; unknown: 0
int ParseVertexType(const char* text);         // unknown: -1

// Reverse look-ups for logs and tools; null for an unknown value.
const char* ObjectClassLabel(unsigned value);
const char* ObjectTypeLabel(int value);
const char* ActionLabel(int value);
const char* DerivedSlotLabel(int value);

inline bool IsShipKindValue(int kind) { return kind >= 20000 && kind <= 20998; }
inline bool IsStationKindValue(int kind) { return kind == GTYPE_SP_STATION || kind == GTYPE_SP_LEAFSTATION; }
inline bool IsWeaponKindValue(int kind) { return kind >= GTYPE_BLLST_WEAPON && kind <= GTYPE_MISSL_WEAPON; }
inline bool IsSystemKindValue(int kind)
{
    return kind == GTYPE_AMSSYSTEM || kind == GTYPE_BOOSTSYSTEM || kind == GTYPE_CARGOSYSTEM;
}
