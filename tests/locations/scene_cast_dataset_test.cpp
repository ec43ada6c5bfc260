// The built data set holds what the space scenes name: their casts by id and kind, the
// dialog lines the scenes open and the hints, the long texts, voices and music, and a
// sector 12 gate that launches an alien ship.
#include "dataset_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "files/language.h"
#include "locations/location_director.h"
#include "locations/location_loader.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/object_codes.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {

class SceneCastDataSetTest : public testutil::DataSetTest {
protected:
    SceneCastDataSetTest() : DataSetTest("Data/Locations.hdr", true) {}
    void SetUp() override
    {
        DataSetTest::SetUp();
        if (!Entered()) return;
        g_Settings.audio = 0;
        g_Settings.cutScenes = 0;
        savedMode_ = g_GameMode;
        savedId_ = g_LocationDirector.locationId;
    }
    void TearDown() override
    {
        if (Entered()) {
            g_World.UnloadLocation();
            g_GameMode = savedMode_;
            g_LocationDirector.locationId = savedId_;
        }
        DataSetTest::TearDown();
    }
    void Load(const char* folder, int id, int mode)
    {
        g_WorldIndex = 1;
        g_LocationKind = 1;
        g_GameMode = mode;
        g_LocationDirector.locationId = id;
        g_World.ResetForLocation();
        g_World.LoadLocation(folder);
    }
    static bool HasType(const CUnit* u, int type)
    {
        for (uint32_t i = 0; i < u->radioDialog.lineCount; ++i)
            if (u->radioDialog.lines[i].type == type) return true;
        return false;
    }
    int savedMode_ = -1, savedId_ = -1;
};

struct Member {
    int id;
    int kind;                  // -1: any
    std::vector<int> questions;  // lines that must be questions
    bool gate;                 // a docking bay
};

struct Scene {
    const char* folder;
    int id, mode;
    std::vector<Member> cast;
};

TEST_P(SceneCastDataSetTest, EveryScenesCastStandsInItsLocation)
{
    if (!Entered()) return;
    const std::vector<Scene> scenes = {
        {"Data/Locations.Space/Intro 01", 200, 1,
         {{20, GTYPE_SP_HEROSHIP, {}, false}, {50, GTYPE_SP_STATION, {}, true}, {200, -1, {0, 13}, false}}},
        {"Data/Locations.Space/Intro 02", 201, 1,
         {{20, GTYPE_SP_HEROSHIP, {}, false}, {101, -1, {0}, false}, {102, -1, {0}, false},
          {1000, GTYPE_SP_STATION, {0}, true}, {1001, -1, {}, false}, {1002, -1, {}, false}, {1003, -1, {}, false},
          {11, -1, {}, false}}},
        {"Data/Locations.Space/Sector 01", 1, 1,
         {{1000, GTYPE_SP_STATION, {0}, true}, {41, -1, {}, false}, {50, -1, {}, false}, {53, -1, {}, false},
          {60, -1, {}, false}, {62, -1, {}, false}, {1003, -1, {}, false}}},
        {"Data/Locations.Space/Sector 12", 12, 1,
         {{1000, GTYPE_SP_STATION, {0}, true}, {4, GTYPE_SP_LEAFSTATION, {}, true}, {10, -1, {}, false},
          {12, -1, {}, false}, {20, -1, {0, 7, 8, 18, 19}, false}, {21, -1, {}, false}, {50, -1, {}, false},
          {100, GTYPE_SP_STATION, {}, false}, {102, GTYPE_SP_STATION, {}, false}, {1001, -1, {}, false},
          {1002, -1, {}, false}, {1003, -1, {}, false}}},
    };
    for (const Scene& s : scenes) {
        SCOPED_TRACE(s.folder);
        Load(s.folder, s.id, s.mode);
        for (const Member& m : s.cast) {
            SCOPED_TRACE(m.id);
            CUnit* u = CObjectList::FindById(m.id);
            ASSERT_NE(u, nullptr);
            if (m.kind != -1) {
                EXPECT_EQ(u->kind, m.kind);
            }
            for (int q : m.questions) {
                ASSERT_LT((uint32_t)q, u->radioDialog.lineCount);
                EXPECT_EQ(u->radioDialog.lines[q].type, TEXTLINE_QUESTION) << q;
            }
            if (m.gate) {
                EXPECT_NE(u->FindGateBay(), nullptr);
            }
        }
        CUnit* hero = CObjectList::FindById(1000);
        if (hero && s.id != 201) {
            // The hero station greets once and has its hints.
            EXPECT_EQ(hero->radioDialog.lines[0].oneShot, 1);
            for (int type : {101, 102}) EXPECT_TRUE(HasType(hero, type)) << type;
            if (s.id == 1) {
                for (int type : {103, 104}) EXPECT_TRUE(HasType(hero, type)) << type;
            }
        }
        if (s.id == 12)
            for (int id : {100, 102}) {
                CUnit* w = CObjectList::FindById(id);
                EXPECT_NE(w->FindCargoItem(), nullptr) << id;
                EXPECT_GT(w->ore, 0.0f) << id;
            }
        g_World.UnloadLocation();
    }
}

// A sector is won once no cargo station is left near the player: the home station must not be
// one (it would keep every sector open and serve its own ships at the gate), and each sector
// holds a mine to clear.
TEST_P(SceneCastDataSetTest, EverySectorHasAMineToClearAndAHomeToDockIn)
{
    if (!Entered()) return;
    for (int sector = 1; sector <= 12; ++sector) {
        SCOPED_TRACE(sector);
        char folder[64];
        std::snprintf(folder, sizeof folder, "Data/Locations.Space/Sector %02d", sector);
        Load(folder, sector, 1);
        CUnit* hero = CObjectList::FindById(1000);
        ASSERT_NE(hero, nullptr);
        EXPECT_EQ(hero->FindCargoItem(), nullptr);
        EXPECT_NE(hero->FindGateBay(), nullptr);
        std::vector<CUnit*> mines;
        while (CUnit* mine = CObjectList::FindNearestStationTwin(100000.0f, hero)) {
            EXPECT_NE(mine->FindGateBay(), nullptr) << mine->pilot.objectId;
            EXPECT_LE(mine->hullMax, 1000.0f) << mine->pilot.objectId;
            mines.push_back(mine);
            CObjectList::Remove(mine);
            if (mines.size() > 8) break;
        }
        EXPECT_GE(mines.size(), 1u);
        g_World.UnloadLocation();
    }
}

TEST_P(SceneCastDataSetTest, TextsVoicesAndMusicOfTheScenesExist)
{
    if (!Entered()) return;
    ASSERT_EQ(LoadLanguageData(), 1);
    EXPECT_GE(g_LanguageTables.longCount, 9);
    for (int n = 0; n < 10; ++n) {
        EXPECT_GT(std::strlen(g_LanguageTables.longRus[n]), 10u) << n;
        EXPECT_GT(std::strlen(g_LanguageTables.longEng[n]), 10u) << n;
    }
    for (const char* f :
         {"Data/Voices/Intro/Intro 01/Intro_Space.wav", "Data/Voices/Intro/Intro 01/Outro_Space.wav",
          "Data/Voices/Intro/Intro 02/Intro_Space.wav", "Data/Voices/Intro/Intro 02/Outro_Space.wav",
          "Data/Voices/Intro/Sector 01/Intro_Space.wav", "Data/Voices/Intro/Sector 01/Outro_Space.wav",
          "Data/Voices/Intro/Sector 09/Intro_Space.wav", "Data/Voices/Intro/Sector 12/Intro_Space.wav",
          "Data/Voices/Intro/Sector 12/Outro_Space.wav", "Data/Music/Intro/Intro 02/Intro.wav",
          "Data/Music/Intro/Intro 02/Outro.wav", "Data/Music/Intro/Sector 12/Outro.wav",
          "Data/Sounds/Space/ExplodeStation_01.wav", "Data/Space/Ship/Pegas.M1/Main.bmp"})
        EXPECT_TRUE(std::filesystem::exists(f)) << f;
}

TEST_P(SceneCastDataSetTest, SectorTwelvesGateLaunchesAnAlienShip)
{
    if (!Entered()) return;
    Load("Data/Locations.Space/Sector 12", 12, 1);
    CUnit* runner = CObjectList::FindById(50);
    CUnit* gate = CObjectList::FindById(4);
    ASSERT_NE(runner, nullptr);
    ASSERT_NE(gate, nullptr);
    runner->kind = GTYPE_SP_NPCSHIP_ID0;
    gate->bayState = -1;
    g_GameClock.gameTime = 200000.0;
    runner->scriptStep = 0;
    runner->RunSpaceScript(GTYPE_SP_NPCSHIP_ID0, 0.02f);
    EXPECT_EQ(runner->scriptStep, 1);
    const int before = CObjectList::Count();
    g_GameClock.gameTime = 220020.0;
    runner->RunSpaceScript(GTYPE_SP_NPCSHIP_ID0, 0.02f);
    ASSERT_EQ(CObjectList::Count(), before + 1);
    CUnit* alien = gate->bayUnit;
    ASSERT_NE(alien, nullptr);
    EXPECT_NE(std::string(alien->descriptionPath).find("UFO-Leaf"), std::string::npos) << alien->descriptionPath;
    EXPECT_EQ(alien->pilot.side, 3);
    EXPECT_EQ(alien->orderType, ACTION_DOCKING);
    EXPECT_NE(alien->orderStack, nullptr);  // the attack on unit 20 waits on its stack
    // Unit 20 has begun its crossing.
    EXPECT_NEAR(CObjectList::FindById(20)->position.z, 10.0f * 20.02f - 5000.0f, 1.0f);
}

TEST_P(SceneCastDataSetTest, SectorTwelvesFinaleDocksThePlayersSideAtTheArk)
{
    if (!Entered()) return;
    Load("Data/Locations.Space/Sector 12", 12, 1);
    CUnit* runner = CObjectList::FindById(50);
    CUnit* ark = CObjectList::FindById(20);
    ASSERT_NE(runner, nullptr);
    ASSERT_NE(ark, nullptr);
    ASSERT_NE(ark->FindGateBay(), nullptr);
    // The finale's last fade: eight seconds into step 14 the side turns to the Ark.
    runner->kind = GTYPE_SP_NPCSHIP_ID0;
    g_GameClock.gameTime = 300000.0;
    runner->timers[2] = 291000;
    runner->scriptStep = 14;
    runner->RunSpaceScript(GTYPE_SP_NPCSHIP_ID0, 0.02f);
    EXPECT_EQ(runner->scriptStep, 15);
    std::vector<CUnit*> side;
    for (uint32_t i = 1; i < CObjectList::unitCount[1]; ++i) {
        CUnit* u = CObjectList::units[1][i];
        if (u && u->pilot.side == 1 && u->IsShipKind()) side.push_back(u);
    }
    ASSERT_FALSE(side.empty());
    for (CUnit* u : side) {
        EXPECT_EQ(u->orderType, ACTION_DOCKING) << u->pilot.objectId;
        EXPECT_EQ(u->target, ark) << u->pilot.objectId;
    }
    // Each of them, brought behind the Ark, flies up to its stern gate and is let in.
    Vec3 gate[2];
    ark->GetGunPoints(gate);
    for (CUnit* ship : side) {
        SCOPED_TRACE(ship->pilot.objectId);
        ark->bayRequestUnit = nullptr;
        ark->bayState = -1;
        ship->manualControl = 0;
        ship->position = gate[1] + (gate[1] - gate[0]);
        ship->SetLookAt(ship->position, gate[0], Vec3(0.0f, 1.0f, 0.0f));
        for (int frame = 0; frame < 3000 && ark->bayRequestUnit != ship; ++frame) {
            g_GameClock.gameTime += 20.0;
            ship->RunAiOrder(0.02f);
            ship->UpdateTransform();
        }
        EXPECT_EQ(ark->bayRequestUnit, ship);
        EXPECT_EQ(ship->orderType, ACTION_DOCKING);
    }
}

INSTANTIATE_TEST_SUITE_P(ArchivesAndLoose, SceneCastDataSetTest, ::testing::Values(0, 1));

} // namespace
