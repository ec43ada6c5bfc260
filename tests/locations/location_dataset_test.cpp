// Every location of the built data set loads through the game's loader, out of the
// archives and as loose files: every object, private data, interior and music piece it
// names exists, no line is malformed, and the world holds what the file says.
#include "../../tools/datagen/check/location_check.h"

#include "dataset_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

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
    EXPECT_EQ(units["Data/Locations.Planet/Intro 01"], 41);
    EXPECT_EQ(units["Data/Locations.Planet/Intro 02"], 29);
    EXPECT_EQ(units["Data/Locations.Planet/Hero Station"], 18);
    EXPECT_EQ(units["Data/Locations.Planet/Trade Station"], 19);
    EXPECT_EQ(units["Data/Locations.Planet/Station Intro 01"], 12);
    EXPECT_EQ(units["Data/Locations.Planet/Station Intro 02"], 16);
}

INSTANTIATE_TEST_SUITE_P(ArchivesAndLoose, LocationDataSetTest, ::testing::Values(1, 0),
                         [](const ::testing::TestParamInfo<int>& i) { return i.param ? "Archives" : "Loose"; });

} // namespace
