#include "world/objects/object_codes.h"
#include <cstring>
#include "app/settings.h"

namespace {

struct ClassLabel {
    const char* label;
    unsigned value;
};
struct CodeLabel {
    const char* label;
    int value;
};

// Each table lists its labels in the order they are tested.
const ClassLabel kClassLabels[] = {
    {"GCLASS_LANDSCAPE", GCLASS_LANDSCAPE},
    {"GCLASS_STONE", GCLASS_STONE},
    {"GCLASS_TREE", GCLASS_TREE},
    {"GCLASS_OBJECT_FLY", GCLASS_OBJECT_FLY},
    {"GCLASS_OBJECT_WALK", GCLASS_OBJECT_WALK},
    {"GCLASS_CHARACTER_HERO", GCLASS_CHARACTER_HERO},
    {"GCLASS_CHARACTER_NPC", GCLASS_CHARACTER_NPC},
    {"GCLASS_ITEM", GCLASS_ITEM},
    {"GCLASS_STATIC", GCLASS_STATIC},
    {"GCLASS_FLAT", GCLASS_FLAT},
    {"GCLASS_LOW", GCLASS_LOW},
    {"GCLASS_SPACE_SKY", GCLASS_SPACE_SKY},
    {"GCLASS_SPACE_SHIP", GCLASS_SPACE_SHIP},
    {"GCLASS_SPACE_OBJECT", GCLASS_SPACE_OBJECT},
    {"GCLASS_EFFECT", GCLASS_EFFECT},
    {"GCLASS_BULLET", GCLASS_BULLET},
};

#define K(name) {#name, name}
const CodeLabel kTypeLabels[] = {
    K(GTYPE_NOTDEFINED), K(GTYPE_STATIC), K(GTYPE_BLLST_WEAPON), K(GTYPE_LASER_WEAPON),
    K(GTYPE_ROCKT_WEAPON), K(GTYPE_MISSL_WEAPON), K(GTYPE_STATION_LIFT), K(GTYPE_AMSSYSTEM),
    K(GTYPE_BOOSTSYSTEM), K(GTYPE_CARGOSYSTEM),
    K(GTYPE_NPC), K(GTYPE_NPC_ID0), K(GTYPE_NPC_ID1), K(GTYPE_NPC_GUARD_ID0), K(GTYPE_NPC_GUARD_ID1),
    K(GTYPE_NPC_GUARD_ID2), K(GTYPE_NPC_MOVED_ID0), K(GTYPE_NPC_CAPTAIN_ID0), K(GTYPE_NPC_TECH_ID0),
    K(GTYPE_NPC_MERCS_ID0), K(GTYPE_NPC_MERCS_ID1), K(GTYPE_NPC_BASEKEEPER),
    K(GTYPE_VEHICLE_ONGROUND), K(GTYPE_VEHICLE_ONGROUND_ID0), K(GTYPE_VEHICLE_ONAIR),
    K(GTYPE_VEHICLE_ONAIR_ID0), K(GTYPE_VEHICLE_ONAIR_ID1), K(GTYPE_VEHICLE_ONAIR_ID2),
    K(GTYPE_SP_HEROSHIP), K(GTYPE_SP_NPCSHIP), K(GTYPE_SP_LEAFSHIP), K(GTYPE_SP_NPCSHIP_ID0),
    K(GTYPE_SP_NPCSHIP_ID1), K(GTYPE_SP_NPCSHIP_ID2), K(GTYPE_SP_NPCSHIP_MERCS_FREE),
    K(GTYPE_SP_NPCSHIP_MERCS_CARGO), K(GTYPE_SP_NPCSHIP_MERCS_FIGHTER), K(GTYPE_SP_NPCSHIP_MOVED),
    K(GTYPE_SP_STATION), K(GTYPE_SP_LEAFSTATION), K(GTYPE_SP_PARTSHIP), K(GTYPE_SP_PARTASTEROID),
    K(GTYPE_SP_ASTEROID), K(GTYPE_SP_STAR), K(GTYPE_SP_PLANET),
    K(GTYPE_STATIC_GRASS), K(GTYPE_STATIC_STELLA_ID0),
    K(GEFFECT_OBJECTSHADOW), K(GEFFECT_OBJECTLIGHT1), K(GEFFECT_OBJECTLIGHT2), K(GEFFECT_OBJECTLIGHT3),
    K(GEFFECT_SELFILLUM_FLAT), K(GEFFECT_SELFILLUM_PART), K(GEFFECT_ADDITION_PART), K(GEFFECT_ENGINEFLAME),
    K(GEFFECT_ENGINEGALO), K(GEFFECT_ENGINETRAIL), K(GEFFECT_PLANETSKY), K(GEFFECT_PLANETGALO),
    K(GEFFECT_SUNGALO), K(GEFFECT_EXPLODE), K(GEFFECT_SMOKECLOUD), K(GEFFECT_COCKPIT),
    K(GEFFECT_COCKPIT_RADAR), K(GEFFECT_COCKPIT_PANEL1), K(GEFFECT_COCKPIT_PANEL2), K(GEFFECT_COCKPIT_PANEL3),
    K(GEFFECT_COCKPIT_SCREEN1), K(GEFFECT_COCKPIT_SCREEN2), K(GEFFECT_COCKPIT_SCREEN3), K(GEFFECT_GATEBAY),
    K(GEFFECT_GATEDOOR), K(GEFFECT_GATECONNECT), K(GEFFECT_SIGNBOARD), K(GEFFECT_LIGHTSOURCE),
    K(GEFFECT_ASTEROIDS_FIELD), K(GEFFECT_HAIRSPRING),
};

const CodeLabel kActionLabels[] = {
    K(ACTION_STAY), K(ACTION_MOVE), K(ACTION_GUARD), K(ACTION_ATTACK),
    K(ACTION_DOCKING), K(ACTION_TRANSPORT), K(ACTION_DEAD), K(ACTION_GET_DAMAGE),
};

const CodeLabel kDerivedLabels[] = {
    K(DERIVED_SPARK_1), K(DERIVED_SPARK_2), K(DERIVED_SPARK_3),
    K(DERIVED_DEBRIS_1), K(DERIVED_DEBRIS_2), K(DERIVED_DEBRIS_3),
    K(DERIVED_PART_1), K(DERIVED_PART_2), K(DERIVED_PART_3),
    K(DERIVED_EXPLOSION_1), K(DERIVED_EXPLOSION_2), K(DERIVED_EXPLOSION_3),
    K(DERIVED_TRAIL_1), K(DERIVED_TRAIL_2), K(DERIVED_TRAIL_3),
};

const CodeLabel kVertexLabels[] = {
    K(D3D_VERTEX), K(D3D_LVERTEX), K(D3D_BUMPVERTEX),
};
#undef K

// Width of the label column of a description-file line.
constexpr size_t kLabelColumn = 32;

// The label padded with blanks to the full label column.
void PadLabel(const char* label, char (&out)[kLabelColumn + 1])
{
    size_t n = std::strlen(label);
    if (n > kLabelColumn) n = kLabelColumn;
    std::memcpy(out, label, n);
    std::memset(out + n, ' ', kLabelColumn - n);
    out[kLabelColumn] = 0;
}

template <size_t N>
int FindCode(const CodeLabel (&table)[N], const char* text, int fallback)
{
    if (!text) return fallback;
    for (const CodeLabel& e : table)
        if (StrEqual(text, e.label)) return e.value;
    return fallback;
}

template <size_t N>
int FindPaddedCode(const CodeLabel (&table)[N], const char* text, int fallback)
{
    if (!text) return fallback;
    char padded[kLabelColumn + 1];
    for (const CodeLabel& e : table) {
        PadLabel(e.label, padded);
        if (StrEqual(text, padded)) return e.value;
    }
    return fallback;
}

template <size_t N>
const char* FindLabel(const CodeLabel (&table)[N], int value)
{
    for (const CodeLabel& e : table)
        if (e.value == value) return e.label;
    return nullptr;
}

}  // namespace

unsigned ParseObjectClass(const char* text)
{
    if (!text) return 0;
    for (const ClassLabel& e : kClassLabels)
        if (StrEqual(text, e.label)) return e.value;
    return 0;
}

int ParseObjectType(const char* text) { return FindCode(kTypeLabels, text, GTYPE_NOTDEFINED); }

int ParseAction(const char* text)
{
    int v = FindCode(kActionLabels, text, ACTION_NONE);
    if (v != ACTION_NONE) return v;
    return FindPaddedCode(kActionLabels, text, ACTION_NONE);
}

int ParseDerivedSlot(const char* text) { return FindPaddedCode(kDerivedLabels, text, DERIVED_NONE); }

int ParseVertexType(const char* text) { return FindCode(kVertexLabels, text, VERTEX_TYPE_UNKNOWN); }

const char* ObjectClassLabel(unsigned value)
{
    for (const ClassLabel& e : kClassLabels)
        if (e.value == value) return e.label;
    return nullptr;
}
const char* ObjectTypeLabel(int value) { return FindLabel(kTypeLabels, value); }
const char* ActionLabel(int value) { return FindLabel(kActionLabels, value); }
const char* DerivedSlotLabel(int value) { return FindLabel(kDerivedLabels, value); }
