#include <gtest/gtest.h>
#include <string>
#include "world/objects/object_codes.h"

namespace {
std::string Pad(const std::string& s, size_t width) { return s + std::string(width > s.size() ? width - s.size() : 0, ' '); }
}  // namespace

TEST(ObjectCodes, ClassLabelsAreExactAndCaseSensitive)
{
    EXPECT_EQ(ParseObjectClass("GCLASS_LANDSCAPE"), 1u);
    EXPECT_EQ(ParseObjectClass("GCLASS_ITEM"), 128u);
    EXPECT_EQ(ParseObjectClass("GCLASS_LOW"), 1024u);
    EXPECT_EQ(ParseObjectClass("GCLASS_EFFECT"), 16777216u);
    EXPECT_EQ(ParseObjectClass("GCLASS_BULLET"), 33554432u);
    EXPECT_EQ(ParseObjectClass("GCLASS_SPACE_SKY"), 268435456u);
    EXPECT_EQ(ParseObjectClass("GCLASS_SPACE_SHIP"), 536870912u);
    EXPECT_EQ(ParseObjectClass("GCLASS_SPACE_OBJECT"), 1073741824u);
    // A trailing blank, lower case, a prefix or nothing: not a class.
    EXPECT_EQ(ParseObjectClass("GCLASS_ITEM "), 0u);
    EXPECT_EQ(ParseObjectClass("gclass_item"), 0u);
    EXPECT_EQ(ParseObjectClass("GCLASS_SPACE"), 0u);
    EXPECT_EQ(ParseObjectClass(""), 0u);
    EXPECT_EQ(ParseObjectClass(nullptr), 0u);
}

TEST(ObjectCodes, EveryClassValueIsASinglePowerOfTwoAndRoundTrips)
{
    const unsigned all[] = {GCLASS_LANDSCAPE, GCLASS_STONE, GCLASS_TREE, GCLASS_OBJECT_FLY, GCLASS_OBJECT_WALK,
                            GCLASS_CHARACTER_HERO, GCLASS_CHARACTER_NPC, GCLASS_ITEM, GCLASS_STATIC, GCLASS_FLAT,
                            GCLASS_LOW, GCLASS_SPACE_SKY, GCLASS_SPACE_SHIP, GCLASS_SPACE_OBJECT, GCLASS_EFFECT,
                            GCLASS_BULLET};
    unsigned seen = 0;
    for (unsigned v : all) {
        EXPECT_EQ(v & (v - 1), 0u);
        EXPECT_EQ(seen & v, 0u) << v;
        seen |= v;
        ASSERT_NE(ObjectClassLabel(v), nullptr);
        EXPECT_EQ(ParseObjectClass(ObjectClassLabel(v)), v);
    }
}

TEST(ObjectCodes, KindLabelsCoverAllSeventySevenValues)
{
    EXPECT_EQ(ParseObjectType("GTYPE_NOTDEFINED"), 0);
    EXPECT_EQ(ParseObjectType("GTYPE_STATIC"), 1);
    EXPECT_EQ(ParseObjectType("GTYPE_MISSL_WEAPON"), 103);
    EXPECT_EQ(ParseObjectType("GTYPE_CARGOSYSTEM"), 420);
    EXPECT_EQ(ParseObjectType("GTYPE_NPC_BASEKEEPER"), 2300);
    EXPECT_EQ(ParseObjectType("GTYPE_VEHICLE_ONAIR_ID2"), 10103);
    EXPECT_EQ(ParseObjectType("GTYPE_SP_HEROSHIP"), 20000);
    EXPECT_EQ(ParseObjectType("GTYPE_SP_NPCSHIP_MOVED"), 20400);
    EXPECT_EQ(ParseObjectType("GTYPE_SP_LEAFSTATION"), 21001);
    EXPECT_EQ(ParseObjectType("GTYPE_SP_PLANET"), 30200);
    EXPECT_EQ(ParseObjectType("GTYPE_STATIC_STELLA_ID0"), 50001);
    EXPECT_EQ(ParseObjectType("GEFFECT_OBJECTSHADOW"), 40000);
    EXPECT_EQ(ParseObjectType("GEFFECT_COCKPIT_SCREEN3"), 40107);
    EXPECT_EQ(ParseObjectType("GEFFECT_HAIRSPRING"), 40170);
    // Unknown kinds fall back to GTYPE_NOTDEFINED.
    EXPECT_EQ(ParseObjectType("GTYPE_SP_STATION "), 0);
    EXPECT_EQ(ParseObjectType("gtype_sp_station"), 0);
    EXPECT_EQ(ParseObjectType("GEFFECT_UNKNOWN"), 0);
    EXPECT_EQ(ParseObjectType(nullptr), 0);

    int labelled = 0;
    for (int v = 0; v <= 60000; ++v) {
        const char* label = ObjectTypeLabel(v);
        if (!label) continue;
        ++labelled;
        EXPECT_EQ(ParseObjectType(label), v) << label;
    }
    EXPECT_EQ(labelled, 77);
}

TEST(ObjectCodes, KindRangesOtherCodeTests)
{
    EXPECT_TRUE(IsShipKindValue(GTYPE_SP_HEROSHIP));
    EXPECT_TRUE(IsShipKindValue(20998));
    EXPECT_FALSE(IsShipKindValue(20999));
    EXPECT_FALSE(IsShipKindValue(GTYPE_SP_STATION));
    EXPECT_TRUE(IsStationKindValue(21000));
    EXPECT_TRUE(IsStationKindValue(21001));
    EXPECT_FALSE(IsStationKindValue(21002));
    EXPECT_TRUE(IsWeaponKindValue(100));
    EXPECT_TRUE(IsWeaponKindValue(103));
    EXPECT_FALSE(IsWeaponKindValue(104));
    EXPECT_TRUE(IsSystemKindValue(410));
    EXPECT_FALSE(IsSystemKindValue(401));
}

TEST(ObjectCodes, ActionLabelsPlainOrPaddedToExactly32)
{
    EXPECT_EQ(ParseAction("ACTION_STAY"), 0);
    EXPECT_EQ(ParseAction("ACTION_GUARD"), 2);
    EXPECT_EQ(ParseAction("ACTION_GET_DAMAGE"), 7);
    EXPECT_EQ(ParseAction(Pad("ACTION_GUARD", 32).c_str()), 2);
    EXPECT_EQ(ParseAction(Pad("ACTION_DEAD", 32).c_str()), 6);
    EXPECT_EQ(ParseAction(Pad("ACTION_GUARD", 31).c_str()), -1);
    EXPECT_EQ(ParseAction(Pad("ACTION_GUARD", 33).c_str()), -1);
    EXPECT_EQ(ParseAction("ACTION_GUARD "), -1);
    EXPECT_EQ(ParseAction("ACTION_FOLLOW"), -1);  // value 8 has no label
    EXPECT_EQ(ParseAction("action_stay"), -1);
    EXPECT_EQ(ParseAction(""), -1);
    EXPECT_EQ(ParseAction(nullptr), -1);
}

TEST(ObjectCodes, DerivedSlotsOnlyInTheirPaddedForm)
{
    EXPECT_EQ(ParseDerivedSlot(Pad("DERIVED_SPARK_1", 32).c_str()), 1);
    EXPECT_EQ(ParseDerivedSlot(Pad("DERIVED_DEBRIS_2", 32).c_str()), 5);
    EXPECT_EQ(ParseDerivedSlot(Pad("DERIVED_EXPLOSION_3", 32).c_str()), 12);
    EXPECT_EQ(ParseDerivedSlot(Pad("DERIVED_TRAIL_1", 32).c_str()), 13);
    EXPECT_EQ(ParseDerivedSlot(Pad("DERIVED_TRAIL_3", 32).c_str()), 15);
    EXPECT_EQ(ParseDerivedSlot("DERIVED_TRAIL_1"), 0);
    EXPECT_EQ(ParseDerivedSlot(Pad("DERIVED_TRAIL_1", 31).c_str()), 0);
    EXPECT_EQ(ParseDerivedSlot(Pad("DERIVED_TRAIL_1", 33).c_str()), 0);
    EXPECT_EQ(ParseDerivedSlot(nullptr), 0);
    for (int v = 1; v < kDerivedSlotCount; ++v) {
        ASSERT_NE(DerivedSlotLabel(v), nullptr);
        EXPECT_EQ(ParseDerivedSlot(Pad(DerivedSlotLabel(v), 32).c_str()), v);
    }
    EXPECT_EQ(DerivedSlotLabel(0), nullptr);
}

TEST(ObjectCodes, VertexTypes)
{
    EXPECT_EQ(ParseVertexType("D3D_VERTEX"), 0);
    EXPECT_EQ(ParseVertexType("D3D_LVERTEX"), 1);
    EXPECT_EQ(ParseVertexType("D3D_BUMPVERTEX"), 2);
    EXPECT_EQ(ParseVertexType("D3D_VERTEX "), -1);
    EXPECT_EQ(ParseVertexType("d3d_vertex"), -1);
    EXPECT_EQ(ParseVertexType(nullptr), -1);
}
