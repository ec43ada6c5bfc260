// The real binary starts its audio on OpenAL Soft's null output, plays a space
// location with its music and sounds, and releases everything at exit.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "harness.h"

namespace {

bool HasLine(const std::vector<std::string>& lines, const std::string& text)
{
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

}  // namespace

TEST(AudioE2E, StartsAndShutsDownWithNothingLost)
{
    GameRun run("audio");
    run.WriteGameIni("[Game]\nSpace=1\n[Audio]\nAudio=1\nMusic=1\nVoice=1\n"
                     "[Misc]\nStart logo=0\nUse game menu=0\nCut scenes=0\nDebug out=1\n");
    run.SetEnv("KORVANE_FRAMES", "120");
    RunResult r = run.Run(120);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.signal, 0) << r.err;
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("Sound error!"), std::string::npos) << r.err;

    std::vector<std::string> lines = run.DebugLines();
    ASSERT_TRUE(HasLine(lines, "CAudioManager::Release() start...")) << run.ReadFile("debug.txt");
    ASSERT_TRUE(HasLine(lines, "CAudioManager::Release() done!")) << run.ReadFile("debug.txt");
    // Every holder gave its sounds back before the manager went.
    for (const std::string& l : lines)
        EXPECT_EQ(l.find("Sound lost!"), std::string::npos) << l;
}

// A machine where no sound device opens: the game plays on silent, says so once, and never
// shows the sound error.
TEST(AudioE2E, NoSoundDevicePlaysOnSilent)
{
    GameRun run("nosound");
    run.WriteGameIni("[Game]\nSpace=1\n[Audio]\nAudio=1\nMusic=1\nVoice=1\n"
                     "[Misc]\nStart logo=0\nUse game menu=0\nCut scenes=0\nDebug out=1\n");
    run.SetEnv("ALSOFT_DRIVERS", "no-such-backend");
    run.SetEnv("KORVANE_FRAMES", "120");
    RunResult r = run.Run(120);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("DirectSoundCreate8() failed!"), std::string::npos) << r.err;
    const std::vector<std::string> lines = run.DebugLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "No sound device opens: the game plays on without sound"), 1)
        << run.ReadFile("debug.txt");
    EXPECT_TRUE(HasLine(lines, "CAudioManager::Release() done!")) << run.ReadFile("debug.txt");
    // It played: the frames ran and the window closed at the last one.
    EXPECT_EQ(run.IniValue("Audio", "Audio"), "1");
}
