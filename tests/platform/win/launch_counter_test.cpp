#include "platform/win/launch_counter.h"
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace {
class LaunchCounterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/korvane-lc-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        bootFile = dir + "/boot_id";
        SetBoot("1111-aaaa");
        LaunchCounterSetPaths(dir.c_str(), bootFile.c_str());
    }
    void TearDown() override
    {
        LaunchCounterSetPaths(nullptr, nullptr);
        std::string cmd = "rm -rf '" + dir + "'";
        (void)std::system(cmd.c_str());
    }
    void SetBoot(const char* id) { std::ofstream(bootFile) << id << "\n"; }
    std::string dir, bootFile;
};
} // namespace

TEST_F(LaunchCounterTest, NothingStoredOnANewBoot)
{
    unsigned v = 99;
    EXPECT_FALSE(LaunchCounterRead("Korvane", &v));
    ASSERT_TRUE(LaunchCounterWrite("Korvane", 0));
    ASSERT_TRUE(LaunchCounterRead("Korvane", &v));
    EXPECT_EQ(v, 0u);
    ASSERT_TRUE(LaunchCounterWrite("Korvane", 5));
    ASSERT_TRUE(LaunchCounterRead("Korvane", &v));
    EXPECT_EQ(v, 5u);

    // A restart of the machine forgets the value.
    SetBoot("2222-bbbb");
    EXPECT_FALSE(LaunchCounterRead("Korvane", &v));
}

TEST_F(LaunchCounterTest, EachTitleKeepsItsOwnValue)
{
    ASSERT_TRUE(LaunchCounterWrite("Korvane", 3));
    unsigned v = 0;
    EXPECT_FALSE(LaunchCounterRead("\xCA\xEE\xF0\xE2\xE5\xE9\xED", &v));
    ASSERT_TRUE(LaunchCounterWrite("\xCA\xEE\xF0\xE2\xE5\xE9\xED", 1));
    ASSERT_TRUE(LaunchCounterRead("Korvane", &v));
    EXPECT_EQ(v, 3u);
}

TEST_F(LaunchCounterTest, UnusableStoreFails)
{
    unsigned v = 0;
    LaunchCounterSetPaths((dir + "/missing").c_str(), bootFile.c_str());
    EXPECT_FALSE(LaunchCounterWrite("Korvane", 1));
    EXPECT_FALSE(LaunchCounterRead("Korvane", &v));
    LaunchCounterSetPaths(dir.c_str(), (dir + "/no_boot_id").c_str());
    EXPECT_FALSE(LaunchCounterWrite("Korvane", 1));
    EXPECT_FALSE(LaunchCounterRead("Korvane", &v));
}
