// What the loaders log: a space location nothing, a sound cut short one line naming it.
// (A JPEG cut short: texture_manager_test.)
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/settings.h"
#include "audio/wav_builder.h"
#include "audio/wave_file.h"
#include "world/world_test_util.h"

TEST(LoadLog, LoadersLogWhatIsWrongAndNothingElse)
{
    auto wav = wavtest::Riff({wavtest::Chunk("fmt ", wavtest::Fmt(1, 1, 22050, 16)), wavtest::Chunk("data", wavtest::Sine(100, 1, 441))});
    const struct { int cut; const char* log; } cases[] = {
        {-1, ""},  // space: no landscape, no grid to build
        {0, ""},
        {60, "Sound log.wav: data chunk cut short, 60 of its bytes missing\n"},
    };
    const int debugOut = g_Settings.debugOut;
    g_Settings.debugOut = 1;
    for (const auto& c : cases) {
        DebugOut(nullptr);
        if (c.cut < 0) {
            g_WorldIndex = 1;
            CObjectList::Add(MakeUnit(GCLASS_SPACE_SKY, GTYPE_STATIC, Vec3(), -1));
            g_World.PrepareObjects();
            DestroyBothWorlds();
        } else {
            std::ofstream("log.wav", std::ios::binary).write((const char*)wav.data(), std::streamsize(wav.size() - c.cut));
            EXPECT_EQ(CWaveFile().Open("log.wav"), SND_OK);
        }
        std::ifstream in("debug.txt");
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), c.log) << c.cut;
    }
    g_Settings.debugOut = debugOut;
    std::remove("log.wav");
}
