// The music player: name lists, random choice, kind changes with their fade, named pieces.
#include "audio_fixture.h"

#include "files/file_manager.h"
#include "platform/crt/rand.h"

namespace {

class MusicTest : public AudioTest {
protected:
    CMusicPlayer& player = g_AudioManager.musicPlayer;

    void LoadLists(const std::string& text)
    {
        FILE* f = std::fopen("Main.loc", "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        int h = CFileManager::Open("Main.loc", FILE_KIND_PLAIN);
        ASSERT_NE(h, -1);
        player.LoadNameLists(h);
        CFileManager::Close(h);
    }
};

TEST_F(MusicTest, NameListsFillTheCurrentWorld)
{
    g_WorldIndex = 0;
    LoadLists("Calm:\n2\nData/Music/A.wav\nData/Music/B.wav\nBattle:\n1\nData/Music/B.wav\nx\ny\nz\n");
    EXPECT_EQ(player.calmCounts[0], 2);
    EXPECT_EQ(player.battleCounts[0], 1);
    EXPECT_STREQ(player.calmNames[0][1], "Data/Music/B.wav");
    EXPECT_STREQ(player.battleNames[0][0], "Data/Music/B.wav");
    EXPECT_EQ(player.calmCounts[1], 0);
}

TEST_F(MusicTest, LongListsAreCutTo16AndStayInStep)
{
    std::string text = "Calm:\n20\n";
    for (int i = 0; i < 20; ++i) text += "Data/Music/Calm" + std::to_string(i) + ".wav\n";
    text += "Battle:\n1\nData/Music/B.wav\n";
    LoadLists(text);
    EXPECT_EQ(player.calmCounts[1], 16);
    EXPECT_STREQ(player.calmNames[1][15], "Data/Music/Calm15.wav");
    EXPECT_EQ(player.battleCounts[1], 1);
    EXPECT_STREQ(player.battleNames[1][0], "Data/Music/B.wav");
    LoadLists("Calm:\n-3\nBattle:\n0\n");
    EXPECT_EQ(player.calmCounts[1], 0);
    EXPECT_EQ(player.battleCounts[1], 0);
}

TEST_F(MusicTest, ShortHeaderLeavesTheListsEmpty)
{
    LoadLists("Calm:\n1\nData/Music/A.wav\nBattle:\n1\nData/Music/B.wav\n");
    LoadLists("C\n1\nData/Music/A.wav\n");
    EXPECT_EQ(player.calmCounts[1], 0);
    EXPECT_EQ(player.battleCounts[1], 0);
    Frame(16);
    EXPECT_EQ(player.segment, nullptr);  // nothing to play, and no error
}

TEST_F(MusicTest, PlaysACalmPieceAndFadesOnAKindChange)
{
    LoadLists("Calm:\n1\nData/Music/A.wav\nBattle:\n1\nData/Music/B.wav\n");
    Frame(16);
    ASSERT_NE(player.segment, nullptr);
    EXPECT_TRUE(player.segment->IsPlaying());
    double full = Measure().Sum();
    ASSERT_GT(full, 5000);

    player.RequestKind(1);
    EXPECT_EQ(player.requestedKind, 1);
    player.RequestKind(0);  // a second request within the fade is ignored
    EXPECT_EQ(player.requestedKind, 1);
    Frame(1000);
    EXPECT_FLOAT_EQ(player.segment->volumeLevel, 50.0f);
    Measure(2048, 0);
    EXPECT_NEAR(Measure().Sum() / full, 0.0562, 0.005);  // level 50: -2500
    Frame(900);
    EXPECT_NEAR(player.segment->volumeLevel, 5.0f, 0.01);
    Frame(100);  // the calm piece goes and a battle piece starts in the same frame
    EXPECT_EQ(player.kind, 1);
    EXPECT_EQ(player.requestedKind, -1);
    ASSERT_NE(player.segment, nullptr);
    EXPECT_FLOAT_EQ(player.segment->volumeLevel, 100.0f);
    Measure(2048, 0);
    EXPECT_NEAR(Measure().Sum() / full, 1.0, 0.1);
}

TEST_F(MusicTest, RequestsThatAreIgnored)
{
    player.RequestKind(0);  // the current kind
    EXPECT_EQ(player.requestedKind, -1);
    g_LocationDirector.missionOver = 1;
    player.RequestKind(1);
    EXPECT_EQ(player.requestedKind, -1);
    g_LocationDirector.missionOver = 0;
    // Without a piece the kind switches after 2 s.
    player.RequestKind(1);
    Frame(1999);
    EXPECT_EQ(player.kind, 0);
    Frame(1);
    EXPECT_EQ(player.kind, 1);
}

TEST_F(MusicTest, ChoosingAPieceLeavesTheSharedRandomNumbersAlone)
{
    LoadLists("Calm:\n2\nData/Music/A.wav\nData/Music/B.wav\nBattle:\n0\n");
    GameSrand(7);
    int expected = GameRand();
    GameSrand(7);
    for (int i = 0; i < 5; ++i) {
        Frame(16);
        ASSERT_NE(player.segment, nullptr);
        player.ReleaseSegment();
    }
    EXPECT_EQ(GameRand(), expected);
}

TEST_F(MusicTest, OneNameIsChosenEveryTime)
{
    LoadLists("Calm:\n1\nData/Music/B.wav\nBattle:\n0\n");
    for (int i = 0; i < 3; ++i) {
        Frame(16);
        ASSERT_NE(player.segment, nullptr);
        EXPECT_EQ(player.segment->segment->GetSize(), 22050u * 6 * 4);
        player.ReleaseSegment();
    }
}

TEST_F(MusicTest, NamedPieceAndPauseResume)
{
    player.RequestKind(1);
    player.Play("Data/Music/A.wav");
    ASSERT_NE(player.segment, nullptr);
    EXPECT_EQ(player.kind, 0);
    EXPECT_EQ(player.requestedKind, -1);
    Measure(8192, 0);
    PauseAllSounds();
    EXPECT_EQ(player.segment->paused, 1);
    int at = player.segment->resumePosition;
    EXPECT_GT(at, 8192 * 4 - 4096);
    EXPECT_LT(Measure().Sum(), 5);
    g_AudioManager.ResumeAll();
    EXPECT_TRUE(player.segment->IsPlaying());
    unsigned now = 0;
    player.segment->segment->GetCurrentPosition(&now);
    EXPECT_GE((int)now, at);
    EXPECT_LT((int)now, at + 8192);
    // A piece that ends is let go after the grace time.
    g_AudioManager.StopAll();
    Frame(300);
    EXPECT_EQ(player.segment, nullptr);

    player.Play("Data/Music/Missing.wav");
    EXPECT_EQ(player.segment, nullptr);
}

TEST_F(MusicTest, MusicOffPlaysNothing)
{
    g_Settings.music = 0;
    LoadLists("Calm:\n1\nData/Music/A.wav\nBattle:\n0\n");
    Frame(16);
    EXPECT_EQ(player.segment, nullptr);
    player.Play("Data/Music/A.wav");
    EXPECT_EQ(player.segment, nullptr);
    g_Settings.music = 1;
}

}  // namespace
