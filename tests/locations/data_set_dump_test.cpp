// The built data set loads into the same game as the committed dump says: every
// location's units with their items, pilots and dialogs, every unit description, item,
// bullet and pilot folder. A change of the data sources that changes what the game loads
// shows here as a diff; write the new dump with KORVANE_WRITE_DUMP=1 and commit it with
// the change that meant it. Content that is only added (a new location, unit or pilot) passes.
#include "../../tools/datagen/check/unit_dump.h"

#include "dataset_util.h"
#include "platform/win/codepage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace {

class DataSetDumpTest : public testutil::DataSetTest {
protected:
    DataSetDumpTest() : DataSetTest("Data/Locations.hdr", true) {}
    void SetUp() override
    {
        DataSetTest::SetUp();
        if (!Entered()) return;
        g_Settings.audio = 0;
        g_Settings.cutScenes = 0;
    }
};

// The dump's sections: a line at the margin with the indented lines under it, keyed by
// that line (and the language part it stands in).
struct Section {
    std::string key;
    std::vector<std::string> lines;
};

std::vector<Section> Sections(const std::string& text)
{
    std::vector<Section> out;
    std::istringstream in(text);
    std::string language;
    for (std::string l; std::getline(in, l);) {
        if (!l.empty() && l[0] != ' ') {
            if (l.rfind("language ", 0) == 0) language = l;
            out.push_back({language.empty() || l == language ? l : language + ": " + l, {}});
        }
        if (!out.empty()) out.back().lines.push_back(l);
    }
    return out;
}

TEST_P(DataSetDumpTest, LoadsAsTheCommittedDump)
{
    // Kept as UTF-8 so that its diffs read in any viewer.
    const std::string dump = Cp1251ToUtf8(unitdump::DumpDataSet().c_str());
    const std::string fixture = std::string(KORVANE_SOURCE_DIR) + "/tests/locations/fixtures/data_set_dump.txt";
    const char* write = std::getenv("KORVANE_WRITE_DUMP");
    if (write && *write == '1' && GetParam() == 1) {
        std::ofstream(fixture, std::ios::binary) << dump;
        GTEST_SKIP() << "dump written to " << fixture;
    }
    std::ifstream in(fixture, std::ios::binary);
    ASSERT_TRUE(in) << fixture;
    std::stringstream want;
    want << in.rdbuf();
    // Every committed section loads as it was; sections the build adds (new locations,
    // units, pilots) are listed but allowed, so that new content merges without a new dump.
    const std::vector<Section> committed = Sections(want.str()), built = Sections(dump);
    std::map<std::string, const Section*> byKey;
    for (const Section& s : built) byKey[s.key] = &s;
    int shown = 0;
    for (const Section& c : committed) {
        auto it = byKey.find(c.key);
        if (it == byKey.end()) {
            if (shown++ < 12) ADD_FAILURE() << "no longer loads: " << c.key;
            continue;
        }
        const std::vector<std::string>& b = it->second->lines;
        for (size_t i = 0; i < std::max(c.lines.size(), b.size()); ++i) {
            const std::string x = i < c.lines.size() ? c.lines[i] : "<end>", y = i < b.size() ? b[i] : "<end>";
            if (x == y) continue;
            if (shown++ < 12) ADD_FAILURE() << "in " << c.key << "\n  committed: " << x << "\n  built:     " << y;
            break;
        }
        byKey.erase(it);
    }
    for (const auto& [key, section] : byKey) std::printf("new in the data set: %s\n", key.c_str());
    EXPECT_GT(committed.size(), 300u);
}

// In the English game every name the loaders translate (people, items, ships) is English.
TEST_P(DataSetDumpTest, EnglishNamesOfPeopleItemsAndShipsAreEnglish)
{
    const int savedLanguage = g_Settings.language, savedWorld = g_WorldIndex;
    g_Settings.language = 1;
    if (g_LanguageTables.shortCount == 0) LoadLanguageData();
    int people = 0;
    for (const std::string& path : unitdump::ObjectPaths("Data/", ".obj")) {
        if (path.find("/Cockpit/") != std::string::npos || path.find("/Item/") != std::string::npos) continue;
        g_WorldIndex = path.rfind("Data/Planet/", 0) == 0 ? 0 : 1;
        CUnit* u = new CUnit();
        if (u->Load(path.c_str(), -1) == 1 &&
            (u->objectClass == GCLASS_CHARACTER_NPC || u->objectClass == GCLASS_SPACE_SHIP || u->objectClass == GCLASS_ITEM)) {
            people += u->objectClass == GCLASS_CHARACTER_NPC;
            for (const char* c = u->displayName; *c; ++c)
                EXPECT_LT((unsigned char)*c, 0xC0u) << path << ": " << Cp1251ToUtf8(u->displayName);
        }
        u->Release();
        delete u;
    }
    EXPECT_GE(people, 10);
    g_Settings.language = savedLanguage;
    g_WorldIndex = savedWorld;
}

INSTANTIATE_TEST_SUITE_P(ArchivesAndLoose, DataSetDumpTest, ::testing::Values(1, 0),
                         [](const ::testing::TestParamInfo<int>& i) { return i.param ? "Archives" : "Loose"; });

} // namespace
