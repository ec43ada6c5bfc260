// The content check of `datagen --check` on the built data set: each kind of need is met
// by what the set holds and reported, with its location and reason, when it is not; the
// report never fails the check.
#include "dataset_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

// The check and the frame it needs are built in here.
#include "../../tools/datagen/check/content_check.cpp"
#include "../../tools/datagen/datagen.cpp"
#include "../../tools/datagen/sources.cpp"
#include "../../tools/datagen/tables/tables.cpp"

namespace {

class ContentCheckTest : public testutil::DataSetTest {
protected:
    ContentCheckTest() : DataSetTest("Data/Locations.hdr", true) {}
};

TEST_P(ContentCheckTest, MetNeedsAreSilentAndMissingOnesAreListedWithoutFailing)
{
    if (!Entered()) return;
    const std::filesystem::path src = std::filesystem::temp_directory_path() / ("korvane-content-" + std::to_string(getpid()));
    std::filesystem::create_directories(src / "Tables");
    std::ofstream(src / "Tables/content.csv") << "location;need;subject;value;why\n"
                                                 "Space/Sector 01;unit;1000;station;met-1\n"
                                                 "Space/Sector 01;gatebay;1000;;met-2\n"
                                                 "Space/Sector *;unit;1001-1003;any;met-3\n"
                                                 "Planet/Hero Station;kind;200;;met-4\n"
                                                 "-;longtext;0;;met-5\n"
                                                 "-;dialog;Human/Hero station;line 0;met-6\n"
                                                 "-;file;Data/Misc/Fonts/Arial.18;;met-7\n"
                                              << reinterpret_cast<const char*>(u8"-;text;ПАУЗА;;met-8\n")   // sources are UTF-8
                                              << "Space/Sector 01;unit;999;any;ghost unit\n"
                                                 "Space/Sector 02;unit;50;station;not a station\n"
                                                 "-;longtext;99;;ninety-ninth text\n"
                                                 "-;dialog;Human/Hero station;type 109;ninth order line\n"
                                                 "Space/Nowhere;unit;1;any;no location\n";
    datagen::CheckContext check;
    check.gameDir = ".";
    check.sourceDir = src.string();
    LoadLanguageData();
    testing::internal::CaptureStdout();
    datagen_chk_content(check);
    const std::string out = testing::internal::GetCapturedStdout();
    std::filesystem::remove_all(src);

    EXPECT_TRUE(check.missing.empty());
    for (int i = 1; i <= 8; ++i) EXPECT_EQ(out.find("met-" + std::to_string(i)), std::string::npos) << i << "\n" << out;
    EXPECT_NE(out.find("content to add: Space/Sector 01: unit 999 any: ghost unit"), std::string::npos) << out;
    EXPECT_NE(out.find("content to add: Space/Sector 02: unit 50 station: not a station"), std::string::npos) << out;
    EXPECT_NE(out.find("content to add: (any location): longtext 99: ninety-ninth text"), std::string::npos) << out;
    EXPECT_NE(out.find("type 109: ninth order line"), std::string::npos) << out;
    EXPECT_NE(out.find("Space/Nowhere: unit 1 any (no such location): no location"), std::string::npos) << out;
    // The sector pattern counts once per sector.
    EXPECT_NE(out.find("content: 19 of 24 needs met, 5 to add"), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(Archives, ContentCheckTest, ::testing::Values(1));

} // namespace
