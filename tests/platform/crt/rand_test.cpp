#include "platform/crt/rand.h"
#include "platform/crt/text_file.h"
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

TEST(GameRand, SequencesAfterSeeding)
{
    GameSrand(1);
    const int one[] = {41, 18467, 6334, 26500, 19169};
    for (int v : one)
        EXPECT_EQ(GameRand(), v);
    GameSrand(0);
    const int zero[] = {38, 7719, 21238, 2437, 8855};
    for (int v : zero)
        EXPECT_EQ(GameRand(), v);
    // Reseeding restarts the sequence.
    GameSrand(1);
    EXPECT_EQ(GameRand(), 41);
}

TEST(GameRand, StaysInRange)
{
    GameSrand(12345);
    for (int i = 0; i < 100000; ++i) {
        int v = GameRand();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, GAME_RAND_MAX);
    }
}

TEST(TextFile, CrLfBecomesLfOnlyInPairs)
{
    char data[] = "a\r\nb\rc\r\n\r";
    std::size_t n = TextModeConvert(data, std::strlen(data));
    EXPECT_EQ(std::string(data, n), "a\nb\rc\n\r");
}

TEST(TextFile, FgetsDropsCarriageReturnsAndOpensBackslashPaths)
{
    char dir[] = "/tmp/korvane-crt-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string path = std::string(dir) + "/t.txt";
    FILE* w = std::fopen(path.c_str(), "wb");
    ASSERT_NE(w, nullptr);
    std::fputs("first\r\nsecond\nthird\r\n", w);
    std::fclose(w);

    std::string winPath = std::string(dir) + "\\t.txt";
    FILE* f = FileOpen(winPath.c_str(), "rt");
    ASSERT_NE(f, nullptr);
    char line[64];
    ASSERT_NE(TextFgets(line, sizeof line, f), nullptr);
    EXPECT_STREQ(line, "first\n");
    ASSERT_NE(TextFgets(line, sizeof line, f), nullptr);
    EXPECT_STREQ(line, "second\n");
    ASSERT_NE(TextFgets(line, sizeof line, f), nullptr);
    EXPECT_STREQ(line, "third\n");
    EXPECT_EQ(TextFgets(line, sizeof line, f), nullptr);
    std::fclose(f);

    // A short buffer splits the line like fgets.
    f = FileOpen(path.c_str(), "r");
    ASSERT_NE(TextFgets(line, 4, f), nullptr);
    EXPECT_STREQ(line, "fir");
    std::fclose(f);
    std::remove(path.c_str());
    rmdir(dir);
}

TEST(TextFile, DirectoriesDoNotOpen)
{
    char dir[] = "/tmp/korvane-crt-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    EXPECT_EQ(FileOpen(dir, "rb"), nullptr);
    EXPECT_EQ(FileOpen(dir, "rt"), nullptr);
    EXPECT_EQ(FileOpen((std::string(dir) + "\\").c_str(), "r"), nullptr);
    EXPECT_EQ(FileOpen(dir, "wb"), nullptr);
    rmdir(dir);
}
