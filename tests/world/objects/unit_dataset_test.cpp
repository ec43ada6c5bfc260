// Every unit of the built data set loads whole through the game's loader, out of the
// archives and as loose files, and the pilot folders the game names carry their dialogs.
#include "../../../tools/datagen/check/unit_check.h"

#include "app/settings.h"
#include "dataset_util.h"
#include "world/world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

class UnitDataSetTest : public testutil::DataSetTest {
protected:
    UnitDataSetTest() : DataSetTest("Data/Objects.hdr", false) {}
    void SetUp() override
    {
        DataSetTest::SetUp();
        if (!Entered()) return;
        savedWorld_ = g_WorldIndex;
        g_WorldIndex = 1;
    }
    void TearDown() override
    {
        if (Entered()) g_WorldIndex = savedWorld_;
        DataSetTest::TearDown();
    }

    std::vector<std::string> UnitPaths() const
    {
        std::vector<std::string> paths;
        if (GetParam()) {
            for (uint32_t i = 0; g_ArchiveEntries[0] && i < g_ArchiveEntryCounts[0]; ++i)
                if (unitcheck::IsUnitDescription(g_ArchiveEntries[0][i].name)) paths.push_back(g_ArchiveEntries[0][i].name);
        } else {
            for (const auto& e : std::filesystem::recursive_directory_iterator("Data/Space")) {
                std::string p = e.path().generic_string();
                if (e.is_regular_file() && unitcheck::IsUnitDescription(p)) paths.push_back(p);
            }
        }
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    int savedWorld_ = 0;
};

TEST_P(UnitDataSetTest, EveryUnitLoadsWhole)
{
    std::vector<std::string> paths = UnitPaths();
    // The twenty ship models with their human-flown variants, stations, asteroids, suns, planets, sky.
    EXPECT_GE(paths.size(), 55u);
    for (const char* must : {"Data/Space/Ship/Raptor.M2/Main_H.obj", "Data/Space/Ship/Pegas.M1/Main.obj",
                             "Data/Space/Static/Asteroid 01/Main.obj", "Data/Space/Ship/Mine 01/Main.obj",
                             "Data/Space/Ship/UFO-Leaf 05/Main.obj", "Data/Space/Sky/Sky 01/Main.obj"})
        EXPECT_NE(std::find(paths.begin(), paths.end(), must), paths.end()) << must;
    std::vector<std::string> missing;
    for (const std::string& p : paths) EXPECT_TRUE(unitcheck::CheckUnit(p, &missing)) << p;
    for (const std::string& m : missing) ADD_FAILURE() << "missing " << m;
}

TEST_P(UnitDataSetTest, ShipsAndStationsAreWhatTheGameExpects)
{
    for (const std::string& p : UnitPaths()) {
        CUnit* u = new CUnit();
        ASSERT_EQ(u->Load(p.c_str(), -1), 1) << p;
        if (p.find("/Ship/") != std::string::npos && p.find("Mine") == std::string::npos) {
            EXPECT_EQ(u->objectClass, (unsigned)GCLASS_SPACE_SHIP) << p;
            EXPECT_TRUE(IsShipKindValue(u->kind)) << p;
            EXPECT_GT(u->hullMax, 0.0f) << p;
            EXPECT_GT(u->engineMax, 0.0f) << p;
            EXPECT_GE(u->itemCount, 1) << p;
            ASSERT_GT(u->meshCount, 0) << p;
            EXPECT_GE(u->meshes[0]->m_PointCount[MESH_POINTS_LASER], 1) << p;
            // Shots, collisions and the AI measure a ship by its model's sphere.
            EXPECT_GT(u->boundsRadius, 1.0f) << p;
        }
        if (IsStationKindValue(u->kind)) {
            EXPECT_GE(u->boundsRadius, 300.0f) << p;
        }
        u->Release();
        delete u;
    }
}

TEST_P(UnitDataSetTest, WeaponsDealDamageAndTheCockpitHasItsPanels)
{
    for (const std::string& p : UnitPaths()) {
        CUnit* u = new CUnit();
        ASSERT_EQ(u->Load(p.c_str(), -1), 1) << p;
        for (int i = 0; i < u->itemCount; ++i) {
            const CItem* it = u->items[i];
            const bool weapon = it->kind == GTYPE_LASER_WEAPON || it->kind == GTYPE_ROCKT_WEAPON ||
                                it->kind == GTYPE_MISSL_WEAPON;
            if (weapon) {
                EXPECT_GT(it->bulletDamage, 0.0f) << it->filePath;
            }
        }
        u->Release();
        delete u;
    }

    CUnit* cockpit = new CUnit();
    ASSERT_EQ(cockpit->Load("Data/Space/Ship/Cockpit/01/Cockpit.obj", -1), 1);
    EXPECT_NE(cockpit->FindCockpit(), nullptr);
    EXPECT_NE(cockpit->FindCockpitRadar(), nullptr);
    EXPECT_NE(cockpit->FindCockpitScreen1(), nullptr);
    EXPECT_NE(cockpit->FindCockpitScreen2(), nullptr);
    EXPECT_NE(cockpit->FindCockpitScreen3(), nullptr);
    const CAttachedEffect* panel = cockpit->FindCockpitPanel3();
    ASSERT_NE(panel, nullptr);
    ASSERT_GT(panel->meshCount, 0);
    EXPECT_GT(panel->meshes[0]->m_SubMeshCount, 1);  // it slides open frame by frame
    std::vector<std::string> missing;
    EXPECT_TRUE(unitcheck::CheckUnit("Data/Space/Ship/Cockpit/01/Cockpit.obj", &missing));
    for (const std::string& m : missing) ADD_FAILURE() << "missing " << m;
    cockpit->Release();
    delete cockpit;
}

TEST_P(UnitDataSetTest, PilotFoldersInBothLanguages)
{
    std::vector<std::string> missing;
    for (const std::string& f : unitcheck::PilotFolders()) unitcheck::CheckPilotFolder(f, &missing);
    for (const std::string& m : missing) ADD_FAILURE() << "missing " << m;

    for (int lang = 0; lang <= 1; ++lang) {
        g_Settings.language = lang;
        for (const std::string& f : unitcheck::PilotFolders()) {
            CUnit* u = new CUnit();
            u->kind = GTYPE_SP_NPCSHIP;
            u->pilot.Load(u, f.c_str());
            EXPECT_GE(u->pilot.side, 0) << f;
            bool talks = f.find("Neutral") != std::string::npos || f.find("Pirates") != std::string::npos ||
                         f.find("Mercenaries") != std::string::npos || f.find("Human/Hero station") == 0 || f == "Human/Station" ||
                         f.find("Quest") != std::string::npos;
            if (talks) {
                EXPECT_GT(u->radioDialog.lineCount, 3u) << f;
            }
            if (f.find("Pirates") != std::string::npos) {
                EXPECT_EQ(u->pilot.side, 2) << f;
                EXPECT_NE(u->radioDialog.TakeLine(TEXTLINE_END_DIALOG_REJECT_COMM), nullptr) << f;
            }
            if (f.find("Mercenaries") != std::string::npos || f.find("Hero") != std::string::npos) {
                EXPECT_EQ(u->pilot.side, 1) << f;
            }
            u->Release();
            delete u;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, UnitDataSetTest, ::testing::Values(1, 0),
                         [](const ::testing::TestParamInfo<int>& i) { return i.param ? "Archives" : "Loose"; });

} // namespace
