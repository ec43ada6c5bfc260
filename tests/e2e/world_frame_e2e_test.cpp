// The world's frame in the real binary: an empty planet world and an empty space world
// run their frames, draw and present, and the program closes cleanly.
#include <gtest/gtest.h>

#include "harness.h"

namespace {

RunResult RunKind(const char* name, int space, int frames)
{
    GameRun run(name);
    run.WriteGameIni(std::string("[Game]\nSpace=") + std::to_string(space) +
                     "\n[Misc]\nStart logo=0\nUse game menu=0\n");
    run.SetEnv("KORVANE_FRAMES", std::to_string(frames));
    return run.Run(120);
}

}  // namespace

TEST(WorldFrame, EmptyPlanetWorldRunsItsFrames)
{
    RunResult r = RunKind("world-planet", 0, 40);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.signal, 0) << r.err;
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST(WorldFrame, EmptySpaceWorldRunsItsFrames)
{
    RunResult r = RunKind("world-space", 1, 40);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.signal, 0) << r.err;
    EXPECT_EQ(r.exitCode, 0) << r.err;
}
