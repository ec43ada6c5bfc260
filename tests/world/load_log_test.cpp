// What the loaders write to the log: a clean space location nothing, a sound cut short one
// line naming it. (A JPEG cut short: texture_manager_test.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "app/settings.h"
#include "audio/wav_builder.h"
#include "audio/wave_file.h"
#include "world/world.h"
#include "world/world_test_util.h"

namespace {

class LoadLog : public WorldFixture {
public:
    using WorldFixture::SpaceWithSky;
};

std::string ReadLog()
{
    std::ifstream in("debug.txt");
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void OpenWave(const std::vector<uint8_t>& image)
{
    std::ofstream("s.wav", std::ios::binary).write((const char*)image.data(), std::streamsize(image.size()));
    CWaveFile w;
    EXPECT_EQ(w.Open("s.wav"), SND_OK);
}

TEST_F(LoadLog, LoadersLogWhatIsWrongAndNothingElse)
{
    const auto whole = wavtest::Riff({wavtest::Chunk("fmt ", wavtest::Fmt(1, 1, 22050, 16)),
                                      wavtest::Chunk("data", wavtest::Sine(100, 1, 441))});
    auto cut = whole;
    cut.resize(cut.size() - 60);  // the data chunk still claims its 200 bytes
    struct Case {
        const char* name;
        std::function<void(LoadLog*)> load;
        const char* log;  // the whole log it leaves
    } cases[] = {
        {"space has no landscape and so no grid", [](LoadLog* t) { t->SpaceWithSky(); g_World.PrepareObjects(); }, ""},
        {"a whole sound", [&](LoadLog*) { OpenWave(whole); }, ""},
        {"a sound cut short", [&](LoadLog*) { OpenWave(cut); },
         "Sound s.wav: data chunk cut short, 60 of its bytes missing\n"},
    };
    const auto old = std::filesystem::current_path();
    char dir[] = "/tmp/korvane-log-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::filesystem::current_path(dir);
    const int oldDebug = g_Settings.debugOut;
    g_Settings.debugOut = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DebugOut(nullptr);
        c.load(this);
        EXPECT_EQ(ReadLog(), c.log);
        DestroyBothWorlds();
    }
    g_Settings.debugOut = oldDebug;
    std::filesystem::current_path(old);
    std::filesystem::remove_all(dir);
}

}  // namespace
