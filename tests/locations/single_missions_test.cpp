#include "files/files_test_util.h"

#include "locations/single_missions.h"

#include <cstring>
#include <string>

namespace {

class SingleMissionsTest : public FilesTest {
protected:
    void SetUp() override
    {
        FilesTest::SetUp();
        Start(0);
    }
    static void Text(int n, const char* lang, const std::string& fourth)
    {
        char path[128];
        std::snprintf(path, sizeof path, "Data/Misc/Sectors/Single/Single %02d (%s).pd", n, lang);
        WriteFile(path, "// mission\n// ------\n// text\n" + fourth + "\n");
    }
};

TEST_F(SingleMissionsTest, CountStopsAtTheFirstMissingMission)
{
    for (int n : {1, 2, 3, 4, 5, 7})
        WriteFile("Data/Locations.Space/Single 0" + std::to_string(n) + "/Main.loc", "x");
    EXPECT_EQ(CountSingleMissions(), 5);
    for (int n = 1; n <= 14; ++n) {
        char path[128];
        std::snprintf(path, sizeof path, "Data/Locations.Space/Single %02d/Main.loc", n);
        WriteFile(path, "x");
    }
    EXPECT_EQ(CountSingleMissions(), 13);
}

TEST_F(SingleMissionsTest, TextsByLanguage)
{
    Text(1, "RUS", "Защитить \"Вегу\" от пиратов.");
    Text(2, "RUS", std::string(600, 'a'));
    char text[kSingleMissionTextSize];

    g_Settings.language = 0;
    LoadSingleMissionText(0, text);
    EXPECT_STREQ(text, "Защитить `Вегу` от пиратов.");
    LoadSingleMissionText(1, text);
    EXPECT_EQ(std::strlen(text), 511u);

    g_Settings.language = 1;  // the English file is missing: empty, not the Russian one
    LoadSingleMissionText(0, text);
    EXPECT_STREQ(text, "");
    LoadSingleMissionText(-1, text);
    EXPECT_STREQ(text, "");
    LoadSingleMissionText(40, text);
    EXPECT_STREQ(text, "");
}

} // namespace
