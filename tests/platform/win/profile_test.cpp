#include "platform/win/profile.h"
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {
class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/korvane-ini-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        path = dir + "/Game.ini";
    }
    void TearDown() override
    {
        std::remove(path.c_str());
        rmdir(dir.c_str());
    }
    void Write(const std::string& text)
    {
        std::ofstream(path, std::ios::binary) << text;
    }
    std::string Read()
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::string Get(const char* section, const char* key, const char* def = "none")
    {
        char buf[128];
        GetPrivateProfileString(section, key, def, buf, sizeof buf, path.c_str());
        return buf;
    }
    std::string dir, path;
};
} // namespace

TEST_F(ProfileTest, MissingFileGivesDefaultAndWriteCreatesIt)
{
    EXPECT_EQ(Get("Video", "Video mode", "100"), "100");
    ASSERT_TRUE(WritePrivateProfileString("Video", "Video mode", "3", path.c_str()));
    EXPECT_EQ(Read(), "[Video]\nVideo mode=3\n");
    EXPECT_EQ(Get("Video", "Video mode", "100"), "3");
}

TEST_F(ProfileTest, SectionsAndKeysIgnoreCaseAndValuesAreTrimmed)
{
    Write("[AUDIO]\n  effects VOLUME  =   75  \n[Misc]\nQuoted=\"a b\"\n");
    EXPECT_EQ(Get("Audio", "Effects volume"), "75");
    EXPECT_EQ(Get("misc", "quoted"), "a b");
    EXPECT_EQ(Get("Audio", "Missing", "7"), "7");
    EXPECT_EQ(Get("Nowhere", "Effects volume", "x"), "x");
    EXPECT_EQ(GetPrivateProfileInt("audio", "effects volume", 1, path.c_str()), 75);
    EXPECT_EQ(GetPrivateProfileInt("audio", "nothing", -4, path.c_str()), -4);
}

TEST_F(ProfileTest, WriteChangesOnlyItsLineAndKeepsTheRest)
{
    Write("; my settings\r\n[Video]\r\nVideo mode=2\r\nDetails=1\r\n\r\n[Audio]\r\nMusic=0\r\n");
    ASSERT_TRUE(WritePrivateProfileString("VIDEO", "details", "2", path.c_str()));
    EXPECT_EQ(Read(), "; my settings\r\n[Video]\r\nVideo mode=2\r\ndetails=2\r\n\r\n[Audio]\r\nMusic=0\r\n");
    // A new key goes after the section's last entry, before the blank line.
    ASSERT_TRUE(WritePrivateProfileString("Video", "Windowed", "1", path.c_str()));
    EXPECT_EQ(Read(),
              "; my settings\r\n[Video]\r\nVideo mode=2\r\ndetails=2\r\nWindowed=1\r\n\r\n[Audio]\r\nMusic=0\r\n");
    // A new section goes at the end, in the file's line-end style.
    ASSERT_TRUE(WritePrivateProfileString("Controls", "Invert mouse", "0", path.c_str()));
    EXPECT_EQ(Get("Controls", "Invert mouse"), "0");
    EXPECT_NE(Read().find("[Audio]\r\nMusic=0\r\n[Controls]\r\nInvert mouse=0\r\n"), std::string::npos);
}

TEST_F(ProfileTest, NullValueDeletesKeyAndNullKeyDeletesSection)
{
    Write("[A]\nx=1\ny=2\n[B]\nz=3\n");
    ASSERT_TRUE(WritePrivateProfileString("A", "x", nullptr, path.c_str()));
    EXPECT_EQ(Read(), "[A]\ny=2\n[B]\nz=3\n");
    ASSERT_TRUE(WritePrivateProfileString("a", nullptr, nullptr, path.c_str()));
    EXPECT_EQ(Read(), "[B]\nz=3\n");
}

TEST_F(ProfileTest, LongValuesAreCutToTheBuffer)
{
    Write("[S]\nk=0123456789\n");
    char buf[5];
    EXPECT_EQ(GetPrivateProfileString("S", "k", "", buf, sizeof buf, path.c_str()), 4u);
    EXPECT_STREQ(buf, "0123");
}

TEST_F(ProfileTest, BackslashPathsAreAccepted)
{
    std::string winPath = dir + "\\Game.ini";
    ASSERT_TRUE(WritePrivateProfileString("S", "k", "v", winPath.c_str()));
    EXPECT_EQ(Get("S", "k"), "v");
}

TEST_F(ProfileTest, UnwritableLocationFails)
{
    EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", "/nonexistent-dir/x/Game.ini"));
}
