// Every location of the built data set loads through the game's loader, out of the
// archives and as loose files: every object, private data, interior and music piece it
// names exists, no line is malformed, and the world holds what the file says.
#include "../../tools/datagen/check/location_check.h"

#include "dataset_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "render/mesh.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/object_codes.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {

class LocationDataSetTest : public testutil::DataSetTest {
protected:
    LocationDataSetTest() : DataSetTest("Data/Locations.hdr", true) {}
    void SetUp() override
    {
        DataSetTest::SetUp();
        if (!Entered()) return;
        g_Settings.audio = 0;
        g_Settings.cutScenes = 0;
    }
};

TEST_P(LocationDataSetTest, EveryLocationLoadsWhole)
{
    const std::vector<std::string> folders = loccheck::LocationFolders();
    // The chain's locations and the interiors the stations name.
    std::vector<std::string> wanted = {"Data/Locations.Space/GameMenu", "Data/Locations.Space/Intro 01",
                                       "Data/Locations.Space/Intro 02", "Data/Locations.Planet/Intro 01",
                                       "Data/Locations.Planet/Intro 02"};
    char name[64];
    for (int n = 1; n <= 12; ++n)
        for (const char* kind : {"Sector", "Single", "Multiplayer"}) {
            std::snprintf(name, sizeof name, "Data/Locations.Space/%s %02d", kind, n);
            wanted.push_back(name);
        }
    for (const std::string& w : wanted)
        EXPECT_NE(std::find(folders.begin(), folders.end(), w), folders.end()) << w;

    std::map<std::string, int> units;
    for (const std::string& folder : folders) {
        SCOPED_TRACE(folder);
        loccheck::Result r = loccheck::LoadOne(folder);
        for (const std::string& m : r.missing) ADD_FAILURE() << m;
        EXPECT_EQ(r.lineErrors, 0);
        units[folder] = r.units;
        if (loccheck::IsPlanetFolder(folder)) {
            EXPECT_EQ(r.canRun, 1);
            continue;
        }
        // Nothing refused, nothing dropped: the world holds what the counting pass counts.
        EXPECT_EQ(r.units, r.expected);
        int id = 0, mode = 0;
        loccheck::IdentifyFolder(folder, &id, &mode);
        if (!loccheck::PlayerComesFromOutside(id)) {
            EXPECT_EQ(r.canRun, 1);
        }
    }
    // A few fixed figures of the set.
    EXPECT_EQ(units["Data/Locations.Space/Intro 01"], 6 + 15);
    EXPECT_EQ(units["Data/Locations.Space/Intro 02"], 11);
    EXPECT_EQ(units["Data/Locations.Space/GameMenu"], 7 + 3 + 20);
    EXPECT_EQ(units["Data/Locations.Space/Sector 01"], 18 + 3 + 13);
    EXPECT_EQ(units["Data/Locations.Space/Sector 12"], 24 + 2 + 24 + 6 + 25);  // with the mission's cast 20, 21, 100, 102
    // Planet locations: every object of the file stands in the world.
    EXPECT_EQ(units["Data/Locations.Planet/Intro 01"], 42);
    EXPECT_EQ(units["Data/Locations.Planet/Intro 02"], 29);
    EXPECT_EQ(units["Data/Locations.Planet/Hero Station"], 18);
    EXPECT_EQ(units["Data/Locations.Planet/Trade Station"], 19);
    EXPECT_EQ(units["Data/Locations.Planet/Station Intro 01"], 12);
    EXPECT_EQ(units["Data/Locations.Planet/Station Intro 02"], 16);
}

// The technician sits down only when his walk ends within 0.5 of the chair's seat point
// (0.55 in front of the chair); walks end on cell centres, so every interior with a chair
// must put its seat near one, from wherever the technician sets out.
TEST_P(LocationDataSetTest, EveryInteriorChairCanBeSatOn)
{
    if (!Entered()) return;
    int chairs = 0;
    for (const std::string& folder : loccheck::LocationFolders()) {
        if (!loccheck::IsPlanetFolder(folder)) continue;
        SCOPED_TRACE(folder);
        g_WorldIndex = g_LocationKind = 0;
        g_World.ResetForLocation();
        g_World.LoadLocation(folder.c_str());
        CUnit* tech = CObjectList::FindByType(GTYPE_NPC_TECH_ID0);
        CUnit* chair = tech ? CObjectList::FindNearestByName(tech->position, "Кресло оператора") : nullptr;
        CUnit* console = tech ? CObjectList::FindNearestByName(tech->position, "Пульт тех.управления") : nullptr;
        if (chair && console && console->meshCount > 0 && console->meshes[0]) {
            ++chairs;
            const Vec3 forward(chair->worldMatrix.m[2][0], chair->worldMatrix.m[2][1], chair->worldMatrix.m[2][2]);
            const Vec3 seat = chair->position + forward * 0.55f;
            const CMesh* mesh = console->meshes[0];
            // From where he starts and from each console place he works at.
            std::vector<Vec3> starts = {tech->position};
            for (int i = 0; i < mesh->m_PointCount[MESH_POINTS_COCKPIT]; ++i)
                starts.push_back(Vec3TransformCoord(mesh->m_Points[MESH_POINTS_COCKPIT][i], console->worldMatrix));
            for (size_t i = 0; i < starts.size(); ++i) {
                const Vec3 from = starts[i];
                tech->position = Vec3(from.x, 0.0f, from.z);
                tech->SetOrder(ACTION_MOVE, &seat, nullptr, 0);
                for (int f = 0; f < 1200 && tech->orderType != 0; ++f) {
                    g_GameClock.gameTime += 50.0;
                    tech->UpdatePlanet();
                }
                EXPECT_EQ(tech->orderType, 0) << "from start " << i;
                EXPECT_LE(Vec3Length(Vec3(tech->position.x - seat.x, 0.0f, tech->position.z - seat.z)), 0.5f)
                    << "from start " << i;
            }
        }
        g_World.UnloadLocation();
    }
    EXPECT_EQ(chairs, 2);
    g_WorldIndex = g_LocationKind = 1;
}

INSTANTIATE_TEST_SUITE_P(ArchivesAndLoose, LocationDataSetTest, ::testing::Values(1, 0),
                         [](const ::testing::TestParamInfo<int>& i) { return i.param ? "Archives" : "Loose"; });

} // namespace
