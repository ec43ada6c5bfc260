// The unit loader: fixed columns, limits, derived units, the set-up by class and the
// pilot's private data.
#include "world/objects/unit.h"

#include "world/objects/attached_effect.h"
#include "world/objects/item.h"
#include "net/network.h"
#include "world/object_list.h"
#include "render/mesh.h"
#include "world/unit_test_util.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace {

struct UnitDeleter {
    void operator()(CUnit* u) const
    {
        u->Release();
        delete u;
    }
};
using UnitPtr = std::unique_ptr<CUnit, UnitDeleter>;

class UnitLoadTest : public UnitFilesTest {
protected:
    UnitPtr LoadText(const UnitText& t, const std::string& path = "Data/Space/Ship/Test/Main.obj")
    {
        WriteFile(path, t.Text());
        UnitPtr u(new CUnit());
        loaded = u->Load(path.c_str(), 77);
        return u;
    }
    int loaded = 0;
};

TEST_F(UnitLoadTest, ConstructedRecord)
{
    CUnit u;
    EXPECT_EQ(u.manualControl, 1);
    EXPECT_EQ(u.collisionFlag, 1);
    EXPECT_EQ(u.dockTime, 0xFFFFFFFFu);
    EXPECT_EQ(u.bayState, -1);
    EXPECT_EQ(u.dockingStage, -1);
    EXPECT_EQ(u.latchPoint, -1);
    EXPECT_EQ(u.transportEndIds[0], -1);
    EXPECT_FLOAT_EQ(u.commRange, 10000.0f);
    EXPECT_FLOAT_EQ(u.viewFactor, 0.5f);
    EXPECT_NEAR(Vec3Length(u.heading), 1.0f, 1e-4f);
    EXPECT_GE(u.randomPhase, 0.0f);
    EXPECT_LT(u.randomPhase, 5.0f);
    EXPECT_GE(u.pilot.voicePitch, 105);
    EXPECT_LE(u.pilot.voicePitch, 130);
    EXPECT_EQ(u.pilot.objectId, -1);
    EXPECT_EQ(u.radioDialog.lineCount, 0u);
    g_GameMode = 2;
    CUnit net;
    EXPECT_FLOAT_EQ(net.commRange, 15000.0f);
}

TEST_F(UnitLoadTest, MissingFileLeavesTheConstructedRecord)
{
    CUnit u;
    EXPECT_EQ(u.Load("Data/None/Main.obj", 5), 0);
    EXPECT_EQ(u.pilot.objectId, -1);
    EXPECT_STREQ(u.descriptionPath, "");
    EXPECT_EQ(u.objectClass, 0u);
}

TEST_F(UnitLoadTest, NetworkLaserBoltTakesAnIdAndDrawsSelfLit)
{
    const int savedIndex = g_Network.session.ownIndex;
    const int savedId = CObjectList::nextId;
    g_GameMode = 2;
    g_Network.session.ownIndex = 3;
    CObjectList::nextId = -1;
    UnitText t;
    t.cls = "GCLASS_BULLET";
    t.kind = "GTYPE_LASER_WEAPON";
    UnitPtr u = LoadText(t);
    ASSERT_EQ(loaded, 1);
    EXPECT_EQ(u->pilot.ownerId, 3);
    EXPECT_EQ(u->pilot.objectId, 5000);
    EXPECT_EQ(CObjectList::nextId, 5001);
    EXPECT_EQ(u->drawMode, 1);
    t.kind = "GTYPE_ROCKT_WEAPON";
    UnitPtr r = LoadText(t);
    EXPECT_EQ(r->pilot.objectId, 5001);
    EXPECT_EQ(r->drawMode, 0);
    g_Network.session.ownIndex = savedIndex;
    CObjectList::nextId = savedId;
}

TEST_F(UnitLoadTest, ValuesFromTheFixedColumns)
{
    UnitText t;
    t.meshes = {"Data/T/Ship.msh"};
    UnitPtr u = LoadText(t);
    ASSERT_EQ(loaded, 1);
    EXPECT_STREQ(u->descriptionPath, "Data/Space/Ship/Test/Main.obj");
    EXPECT_STREQ(u->displayName, "Test");
    EXPECT_EQ(u->pilot.objectId, 77);
    EXPECT_EQ(u->objectClass, (unsigned)GCLASS_SPACE_SHIP);
    EXPECT_EQ(u->kind, GTYPE_SP_NPCSHIP);
    EXPECT_FLOAT_EQ(u->hullMax, 400.0f);
    EXPECT_FLOAT_EQ(u->hull, 350.0f);
    EXPECT_FLOAT_EQ(u->baseValues[UNIT_BASE_HULL].value, 400.0f);
    EXPECT_FLOAT_EQ(u->rating, 120.0f);
    EXPECT_FLOAT_EQ(u->engineMax, 150.0f);
    EXPECT_FLOAT_EQ(u->speed, 20.0f);
    EXPECT_FLOAT_EQ(u->baseValues[UNIT_BASE_MANOEUVRING].value, 2.0f);
    EXPECT_FLOAT_EQ(u->manoeuvring, 2.0f);  // scale 1: unchanged
    EXPECT_FLOAT_EQ(u->shotValue, 7.0f);
    EXPECT_FLOAT_EQ(u->shotValue2, 7.0f);
    EXPECT_EQ(u->timers[0], g_GameClock.NowMs());
    EXPECT_EQ(u->timers[5], g_GameClock.NowMs());

    // A three-character field without padding shifts the separator into the field.
    t.hullLine = "400 350";
    UnitPtr v = LoadText(t);
    EXPECT_FLOAT_EQ(v->hullMax, 400.0f);
    EXPECT_FLOAT_EQ(v->hull, 50.0f);
}

TEST_F(UnitLoadTest, UpdatePartsAppliesBaseAndBonus)
{
    UnitText t;
    UnitPtr u = LoadText(t);
    u->position = Vec3(10, 20, 30);
    u->baseValues[UNIT_BASE_HULL].bonus = 100.0f;
    u->baseValues[UNIT_BASE_ENGINE].bonus = 5.0f;
    g_GameClock.gameTime += 5000.0;
    u->UpdateParts();
    EXPECT_FLOAT_EQ(u->hullMax, 500.0f);
    EXPECT_FLOAT_EQ(u->hull, 500.0f);
    EXPECT_FLOAT_EQ(u->hullReference, 500.0f);
    EXPECT_FLOAT_EQ(u->engineMax, 155.0f);
    EXPECT_EQ(u->targetPoint, Vec3(10, 20, 30));
    EXPECT_EQ(u->movePoint, Vec3(10, 20, 30));
    EXPECT_FLOAT_EQ(u->drawMatrix.m[3][2], 30.0f);
    EXPECT_EQ(u->timers[2], g_GameClock.NowMs());
}

TEST_F(UnitLoadTest, SurplusEffectsAndItemsAreReadAndDropped)
{
    UnitText t;
    for (int i = 0; i < 18; ++i) t.effects.push_back(i == 3 ? LightBlock() : EffectBlock("GEFFECT_ENGINEGALO"));
    for (int i = 0; i < 12; ++i) t.items.push_back("Data/T/Gun/Main.obj");
    t.actions.push_back(Col("ACTION_DEAD", "00020005"));
    t.derived.push_back(Col("DERIVED_DEBRIS_1", "Data/T/Debris/Main.obj"));
    WriteFile("Data/T/Gun/Main.obj", ItemText("GTYPE_BOOSTSYSTEM"));
    WriteFile("Data/T/Debris/Main.obj", UnitText().Text());
    t.meshes = {"Data/T/Ship.msh"};
    UnitPtr u = LoadText(t);
    ASSERT_EQ(loaded, 1);
    EXPECT_EQ(u->effectCount, 16);
    EXPECT_EQ(u->effects[3]->kind, GEFFECT_LIGHTSOURCE);
    EXPECT_FLOAT_EQ(u->effects[3]->lightRange, 750.0f);
    EXPECT_FLOAT_EQ(u->effects[3]->attenuation[2], 0.25f);
    EXPECT_FLOAT_EQ(u->effects[3]->colour2[1], 0.2f);
    EXPECT_EQ(u->effects[4]->kind, GEFFECT_ENGINEGALO);
    EXPECT_EQ(u->itemCount, 10);
    EXPECT_EQ(u->items[9]->kind, GTYPE_BOOSTSYSTEM);
    // The rest of the file stayed in step.
    EXPECT_EQ(u->meshes[0]->m_ActionFrames[ACTION_DEAD][0], 2);
    EXPECT_EQ(u->meshes[0]->m_ActionFrames[ACTION_DEAD][1], 5);
    ASSERT_NE(u->derivedUnits[DERIVED_DEBRIS_1], nullptr);
}

TEST_F(UnitLoadTest, ActionLabelsPlainPaddedOrUnknown)
{
    UnitText t;
    t.meshes = {"Data/T/Ship.msh"};
    t.actions = {Col("ACTION_GUARD", "00010002"), "ACTION_MOVE" + std::string("00030004\n"),
                 Col("ACTION_NOTHING", "00090009"), Col("ACTION_GET_DAMAGE ", "00070008")};
    UnitPtr u = LoadText(t);
    CMesh* m = u->meshes[0];
    EXPECT_EQ(m->m_ActionFrames[ACTION_GUARD][0], 1);
    EXPECT_EQ(m->m_ActionFrames[ACTION_GUARD][1], 2);
    EXPECT_EQ(m->m_ActionFrames[ACTION_GET_DAMAGE][1], 8);
    for (int a = 0; a < kActionCount; ++a)
        EXPECT_NE(m->m_ActionFrames[a][0], 9) << a;  // the unknown label went nowhere
    EXPECT_EQ(u->actionSoundCount, 0);  // sound is off
}

TEST_F(UnitLoadTest, DerivedSlots)
{
    WriteFile("Data/T/A/Main.obj", [] { UnitText a; a.name = "A"; return a.Text(); }());
    WriteFile("Data/T/B/Main.obj", [] { UnitText b; b.name = "B"; return b.Text(); }());
    UnitText t;
    t.derived = {Col("DERIVED_TRAIL_1", "Data/T/A/Main.obj"),   // unpadded labels are not slots
                 "DERIVED_SPARK_1" + std::string("Data/T/A/Main.obj\n"),
                 Col("DERIVED_PART_2", "Data/T/A/Main.obj"),
                 Col("DERIVED_PART_2", "Data/T/B/Main.obj"),    // replaces the first
                 Col("DERIVED_DEBRIS_3", "Data/T/Missing/Main.obj"),
                 Col("DERIVED_BOGUS", "Data/T/A/Main.obj")};
    UnitPtr u = LoadText(t);
    ASSERT_EQ(loaded, 1);
    EXPECT_EQ(u->derivedUnits[0], nullptr);
    ASSERT_NE(u->derivedUnits[DERIVED_TRAIL_1], nullptr);
    EXPECT_STREQ(u->derivedUnits[DERIVED_TRAIL_1]->displayName, "A");
    EXPECT_EQ(u->derivedUnits[DERIVED_SPARK_1], nullptr);
    ASSERT_NE(u->derivedUnits[DERIVED_PART_2], nullptr);
    EXPECT_STREQ(u->derivedUnits[DERIVED_PART_2]->displayName, "B");
    EXPECT_STREQ(u->derivedPaths[DERIVED_PART_2], "Data/T/B/Main.obj");
    // A failed load leaves the slot empty, with the path kept for the report.
    EXPECT_EQ(u->derivedUnits[DERIVED_DEBRIS_3], nullptr);
    EXPECT_STREQ(u->derivedPaths[DERIVED_DEBRIS_3], "Data/T/Missing/Main.obj");
    EXPECT_STREQ(u->derivedPaths[0], "");
}

TEST_F(UnitLoadTest, SelfDerivedDescriptionStopsAtTheDepthLimit)
{
    UnitText t;
    t.derived = {Col("DERIVED_EXPLOSION_1", "Data/T/Loop/Main.obj"), Col("DERIVED_EXPLOSION_2", "Data/T/Loop/Main.obj")};
    WriteFile("Data/T/Loop/Main.obj", t.Text());
    UnitPtr u(new CUnit());
    ASSERT_EQ(u->Load("Data/T/Loop/Main.obj", -1), 1);
    int depth = 0;
    for (CUnit* d = u.get(); d; d = d->derivedUnits[DERIVED_EXPLOSION_1]) ++depth;
    EXPECT_EQ(depth, kMaxDerivedDepth + 1);
}

TEST_F(UnitLoadTest, NpcDialogFromTheHumanFolder)
{
    const std::string dlg = "// person\nRADIO\n" + Col("Line", "         0Hello") + Col("Type", "TEXTLINE_QUESTION") +
                            Col("Voice") + Col("Replies", "0") + "//-- end\n";
    WriteFile("Data/Planet/Private data.RUS/Human/Guard/Main.pd", dlg);
    UnitText t;
    t.cls = "GCLASS_CHARACTER_NPC";
    t.kind = "GTYPE_NPC";
    t.tail = Col("Dialog", "YES");
    UnitPtr u = LoadText(t, "Data/Planet/Creatures/Human/Guard/Main.obj");
    ASSERT_EQ(u->radioDialog.lineCount, 1u);
    EXPECT_STREQ(u->radioDialog.lines[0].text, "Hello");

    UnitPtr noHuman = LoadText(t, "Data/Planet/Creatures/Robot/Main.obj");
    EXPECT_EQ(loaded, 1);
    EXPECT_EQ(noHuman->radioDialog.lineCount, 0u);

    t.tail = Col("Dialog", "NO");
    UnitPtr silent = LoadText(t, "Data/Planet/Creatures/Human/Guard/Main.obj");
    EXPECT_EQ(silent->radioDialog.lineCount, 0u);

    // "//-" in the label column counts as well.
    t.tail = Col("Dialog //-", "YES");
    UnitPtr marked = LoadText(t, "Data/Planet/Creatures/Human/Guard/Main.obj");
    EXPECT_EQ(marked->radioDialog.lineCount, 0u);
}

TEST_F(UnitLoadTest, StationRadiusAndStockInASingleMission)
{
    WriteFile("Data/T/Cargo/Main.obj", ItemText("GTYPE_CARGOSYSTEM"));
    UnitText t;
    t.kind = "GTYPE_SP_STATION";
    t.items = {"Data/T/Cargo/Main.obj"};
    g_GameMode = 0;
    g_LocationDirector.locationId = 25;
    for (int i = 0; i < 20; ++i) {
        UnitPtr u = LoadText(t);
        EXPECT_FLOAT_EQ(u->boundsRadius, 300.0f);
        ASSERT_EQ(u->itemCount, 1);
        EXPECT_FLOAT_EQ(u->items[0]->capacity, 1400.0f);
        EXPECT_GE(u->ore, 0.8f * 1400.0f);
        EXPECT_LE(u->ore, 1.2f * 1400.0f);
    }
}

TEST_F(UnitLoadTest, AsteroidScaleAndSpin)
{
    UnitText t;
    t.cls = "GCLASS_SPACE_OBJECT";
    t.kind = "GTYPE_SP_ASTEROID";
    t.manoeuvring = "1.0";
    for (int i = 0; i < 30; ++i) {
        UnitPtr u = LoadText(t);
        float s = u->scale.x;
        EXPECT_EQ(u->scale.y, s);
        EXPECT_EQ(u->scale.z, s);
        EXPECT_GE(s, 1.0f);
        EXPECT_LE(s, 9.0f);
        EXPECT_NEAR(std::fmod(s * 5.0f + 0.01f, 1.0f), 0.01f, 0.02f);  // steps of 0.2
        EXPECT_LE(std::fabs(u->spinRates.x), 0.01f / s + 1e-6f);
        EXPECT_FLOAT_EQ(u->manoeuvring, s * s);  // scaled by the mean scale squared
    }
}

TEST_F(UnitLoadTest, LongNameIsCut)
{
    UnitText t;
    t.name = std::string(200, 'n');
    UnitPtr u = LoadText(t);
    EXPECT_EQ(std::strlen(u->displayName), (size_t)kUnitNameLength - 1);
}

// ---- private data ------------------------------------------------------------------------

std::string PilotFile(const std::string& marker, const std::string& sex, const std::string& name,
                      const std::string& side, const std::string& skill, const std::string& pitch,
                      const std::string& dialog)
{
    std::string s = Sep() + "// pilot\n" + Sep() + Col("Title", "FROM_OBJECT") + Col("Second", "Say \"hi\"") +
                    Col("Marker", marker) + Col("Sex", sex) + Col("Name", name) + Col("Side", side) +
                    Col("Skill", skill) + Col("Skill 2", "NONE") + Col("Head mesh") + Col("Head texture") +
                    Col("Head text", "Data/Planet/Creatures/Human/Pilot") + Col("Pitch", pitch);
    if (pitch.find("//--") == std::string::npos) s += Sep();
    return s + dialog;
}

const std::string kDialog = "Radio dialog\n" + Col("Line", "         1Hail") + Col("Type", "TEXTLINE_QUESTION") +
                            Col("Voice", "Hail_01.wav") + Col("Replies", "0") + "//-- end\n";

class PilotDataTest : public UnitLoadTest {};

TEST_F(PilotDataTest, ReadsThePilotAndTheDialogAfterIt)
{
    WriteFile("Data/Space/Private data.RUS/Human/P/Main.pd",
              PilotFile("PILOT_NAME", "WOMAN", "Anna Orlova", "WORLD_STATUS_PIRATE", "40", "120", kDialog));
    UnitText t;
    UnitPtr u = LoadText(t);
    u->pilot.Load(u.get(), "Human/P");
    EXPECT_STREQ(u->pilot.folder, "Human/P");
    EXPECT_STREQ(u->pilot.title, "Test");
    EXPECT_STREQ(u->pilot.secondText, "Say `hi`");
    EXPECT_EQ(u->pilot.sex, 1);
    EXPECT_STREQ(u->pilot.pilotName, "Anna Orlova");
    EXPECT_STREQ(u->pilot.pilotMarker, "Anna Orlova");
    EXPECT_EQ(u->pilot.side, 2);
    EXPECT_FLOAT_EQ(u->pilot.skill, 0.4f);
    EXPECT_FLOAT_EQ(u->pilot.skill2, 0.0f);
    EXPECT_EQ(u->pilot.voicePitch, 120);
    EXPECT_STREQ(u->pilot.headText, "Data/Planet/Creatures/Human/Pilot");
    ASSERT_EQ(u->radioDialog.lineCount, 1u);
    EXPECT_EQ(u->radioDialog.owner, u.get());
    EXPECT_EQ(u->radioDialog.lines[0].oneShot, 1);
    EXPECT_STREQ(u->radioDialog.lines[0].wav, "Hail_W01.wav");  // a ship's voice by the pilot's sex
}

TEST_F(PilotDataTest, SeparatorPitchKeepsTheRandomOneAndPlayerMarkerMeansSideOne)
{
    WriteFile("Data/Space/Private data.RUS/Human/Q/Main.pd",
              PilotFile("PLAYER_NAME", "MAN", "NONE", "WORLD_STATUS_ALIEN", "RANDOM_SKILL", "//-- random", kDialog));
    UnitText t;
    UnitPtr u = LoadText(t);
    int pitch = u->pilot.voicePitch;
    u->pilot.Load(u.get(), "Human/Q");
    EXPECT_EQ(u->pilot.voicePitch, pitch);
    EXPECT_EQ(u->pilot.side, 1);
    EXPECT_EQ(u->pilot.sex, 0);
    EXPECT_STREQ(u->pilot.pilotName, "<нет данных>");
    EXPECT_GE(u->pilot.skill, 0.0f);
    EXPECT_LE(u->pilot.skill, 1.0f);
    ASSERT_EQ(u->radioDialog.lineCount, 1u);
    EXPECT_STREQ(u->radioDialog.lines[0].wav, "Hail_M01.wav");
}

TEST_F(PilotDataTest, EnglishFallsBackToRussianAndMissingKeepsValues)
{
    g_Settings.language = 1;
    WriteFile("Data/Space/Private data.RUS/Human/R/Main.pd",
              PilotFile("X", "RANDOM_SEX", "RANDOM_NAME", "WORLD_STATUS_NEUTRAL", "10", "111", "//-- none\n"));
    UnitText t;
    UnitPtr u = LoadText(t);
    u->pilot.Load(u.get(), "Human/R");
    EXPECT_EQ(u->pilot.voicePitch, 111);
    EXPECT_EQ(u->pilot.side, 0);
    EXPECT_TRUE(u->pilot.sex == 0 || u->pilot.sex == 1);
    EXPECT_NE(std::strchr(u->pilot.pilotName, ' '), nullptr);
    EXPECT_EQ(u->radioDialog.lineCount, 0u);

    UnitPtr v = LoadText(t);
    v->pilot.Load(v.get(), "Human/Nobody");
    EXPECT_EQ(v->pilot.side, -1);
    EXPECT_EQ(v->pilot.sex, -1);
    EXPECT_EQ(v->radioDialog.lineCount, 0u);
}

TEST_F(PilotDataTest, PickAndReset)
{
    CPilotData p;
    p.sex = -1;
    std::strcpy(p.pilotName, "keep");
    CPilotName::Pick(p);
    EXPECT_STREQ(p.pilotName, "keep");
    CPilotName::Reset(p);
    EXPECT_EQ(p.sex, 0);
    EXPECT_NE(std::strcmp(p.pilotName, "keep"), 0);
}

} // namespace

#include "../../../tools/datagen/check/unit_check.h"

namespace {

TEST_F(UnitLoadTest, DataCheckListsWhatAUnitCannotFind)
{
    g_Settings.audio = 1;  // sounds are asked for (none loads without a device)
    WriteFile("Data/T/Engine.wav", "RIFF");
    UnitText t;
    t.meshes = {"Data/T/Ship.msh", "Data/T/NoMesh.msh"};
    t.textures = {"Data/T/NoTexture.bmp"};
    t.items = {"Data/T/NoItem/Main.obj"};
    t.actions = {Col("ACTION_DEAD", "00000000Data/T/NoSound.wav"), Col("ACTION_MOVE", "00000000Data/T/Engine.wav")};
    t.derived = {Col("DERIVED_DEBRIS_1", "Data/T/NoDebris/Main.obj")};
    WriteFile("Data/Space/Ship/Bad/Main.obj", t.Text());
    std::vector<std::string> missing;
    EXPECT_TRUE(unitcheck::CheckUnit("Data/Space/Ship/Bad/Main.obj", &missing));
    auto has = [&missing](const std::string& what) {
        for (const std::string& m : missing)
            if (m.find(what) != std::string::npos) return true;
        return false;
    };
    EXPECT_TRUE(has("mesh Data/T/NoMesh.msh"));
    EXPECT_FALSE(has("mesh Data/T/Ship.msh"));
    EXPECT_TRUE(has("texture Data/T/NoTexture.bmp"));
    EXPECT_TRUE(has("item 1 of"));
    EXPECT_TRUE(has("sound Data/T/NoSound.wav"));
    EXPECT_FALSE(has("Engine.wav"));
    EXPECT_TRUE(has("derived unit Data/T/NoDebris/Main.obj"));
    EXPECT_FALSE(unitcheck::CheckUnit("Data/Space/Ship/None/Main.obj", &missing));
    EXPECT_TRUE(unitcheck::IsUnitDescription("Data/Space/Static/Sun 01/Main.obj"));
    EXPECT_FALSE(unitcheck::IsUnitDescription("Data/Space/Item/System/Cargo M1/Main.obj"));
}

} // namespace

// A unit whose mesh file is missing still loads (it flies and shoots unseen), and the
// missing file is said once, however many units use it.
TEST_F(UnitLoadTest, MissingMeshIsLoggedOnce)
{
    UnitText t;
    t.kind = "20100";
    t.meshes = {"Data/T/Nowhere.msh"};
    t.hullLine = "100 100";
    WriteFile("Data/T/Ghost/Main.obj", t.Text());
    g_Settings.debugOut = 1;
    DebugOut(nullptr);
    for (int id = 1; id <= 2; ++id) {
        std::unique_ptr<CUnit> u(new CUnit());
        EXPECT_EQ(u->Load("Data/T/Ghost/Main.obj", id), 1);
        u->Release();
    }
    g_Settings.debugOut = 0;
    const std::string log = ReadFile("debug.txt");
    size_t told = 0;
    for (size_t at = log.find("Nowhere.msh"); at != std::string::npos; at = log.find("Nowhere.msh", at + 1))
        ++told;
    EXPECT_EQ(told, 1u);
}
