// Sector saves: the byte layout, refusal of damaged files, and the hero station's ships
// going out to Save/PP and coming back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>

#include "location_test_util.h"
#include "locations/pilot_profile.h"
#include "locations/sector_save.h"
#include "locations/sector_save_file.h"
#include "platform/win/profile.h"
#include "world/objects/item.h"

#include <cstdlib>

namespace {

std::unique_ptr<SectorSave> SampleSave()
{
    std::unique_ptr<SectorSave> s(new SectorSave());
    std::memset(s.get(), 0, sizeof(SectorSave));
    s->shipCount = 2;
    s->ore = 12.5f;
    SectorSaveShip& a = s->ships[0];
    std::strcpy(a.path, "Data/U/Hero/Main.obj");
    a.hull = 321.0f;
    for (int k = 0; k < 5; ++k) a.bonuses[k] = 1.0f + k;
    std::strcpy(a.privateData, "Human/Hero");
    a.sex = 1;
    std::strcpy(a.pilotName, "Ivan");
    a.skill = 0.25f;
    a.skill2 = 0.75f;
    a.voicePitch = 117;
    a.itemCount = 2;
    std::strcpy(a.items[0].path, "Data/I/Gun/Main.obj");
    a.items[0].rangeBonus = 10.0f;
    a.items[0].secondBonus = 20.0f;
    a.items[0].capacityBonus = 30.0f;
    a.items[0].reloadBonus = -0.1f;
    a.items[0].ammo = 4;
    std::strcpy(a.items[1].path, "Data/I/Cargo/Main.obj");
    a.statistics = {100.0f, 3, 2, 40.0f, 30.0f, 50, 20, 8.0f, 7.0f};
    SectorSaveShip& b = s->ships[1];
    std::strcpy(b.path, "Data/U/Ship/Main.obj");
    std::strcpy(b.privateData, "Human/Mercenaries/Fighter");
    b.statistics.kills = 9;
    return s;
}

struct Bytes {
    std::vector<uint8_t> dat = std::vector<uint8_t>(kSaveMaxDatBytes);
    std::vector<uint8_t> stat = std::vector<uint8_t>(kSaveMaxStatBytes);
    size_t datSize = 0, statSize = 0;
};

Bytes Encode(const SectorSave& s)
{
    Bytes b;
    EXPECT_TRUE(EncodeSectorSave(s, b.dat.data(), b.dat.size(), &b.datSize, b.stat.data(), b.stat.size(), &b.statSize));
    b.dat.resize(b.datSize);
    b.stat.resize(b.statSize);
    return b;
}

bool Decode(const std::vector<uint8_t>& dat, SectorSave* out)
{
    char why[128];
    return DecodeSectorSaveDat(dat.data(), dat.size(), out, why, sizeof why);
}

void PutI32(std::vector<uint8_t>& v, size_t at, int32_t x) { std::memcpy(v.data() + at, &x, 4); }

// The file steps of a save and its repair: the process ends at step `at`; the disk is full
// under the file `full` when it is written; a folder takes the name "<block>.old" just as
// `block` is set aside. Returns the number of steps.
int g_KillAt = -1, g_Steps = 0;
std::string g_Full, g_Block;
void AtFileStep(const char* path, int after)
{
    if (g_Steps++ == g_KillAt) std::_Exit(0);
    if (!after && g_Full == path) std::filesystem::create_symlink("/dev/full", path);
    if (!after && g_Block == path) std::filesystem::create_directories(g_Block + ".old/x");
}

int Steps(const std::function<void()>& what, int at = -1, const std::string& full = "", const std::string& block = "")
{
    g_KillAt = at, g_Steps = 0, g_Full = full, g_Block = block;
    g_SectorSaveFileStep = AtFileStep;
    if (at >= 0) EXPECT_EXIT((what(), std::_Exit(1)), ::testing::ExitedWithCode(0), "");
    else what();
    g_SectorSaveFileStep = nullptr;
    return g_Steps;
}

// A pilot folder's files by name.
using Folder = std::map<std::string, std::string>;
Folder Snapshot(const char* dir)
{
    Folder f;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        f[e.path().filename().string()] = (std::stringstream() << std::ifstream(e.path(), std::ios::binary).rdbuf()).str();
    return f;
}

void Restore(const char* dir, const Folder& f)
{
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    for (const auto& [name, bytes] : f) std::ofstream(std::string(dir) + "/" + name, std::ios::binary) << bytes;
}

} // namespace

TEST(SectorSaveFile, LayoutAndRoundTrip)
{
    auto s = SampleSave();
    Bytes b = Encode(*s);
    // Header, two ships of 682 bytes, two items of 275; one 36-byte record per ship.
    EXPECT_EQ(b.datSize, 8u + 2 * 682 + 2 * 275);
    EXPECT_EQ(b.statSize, 72u);
    int32_t n;
    float ore;
    std::memcpy(&n, b.dat.data(), 4);
    std::memcpy(&ore, b.dat.data() + 4, 4);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(ore, 12.5f);
    EXPECT_STREQ((const char*)b.dat.data() + 8, "Data/U/Hero/Main.obj");
    // The item count sits right before the first item record.
    int32_t items;
    std::memcpy(&items, b.dat.data() + 8 + 682 - 4, 4);
    EXPECT_EQ(items, 2);

    std::unique_ptr<SectorSave> back(new SectorSave());
    ASSERT_TRUE(Decode(b.dat, back.get()));
    char why[64];
    ASSERT_TRUE(DecodeSectorSaveStat(b.stat.data(), b.stat.size(), back.get(), why, sizeof why));
    const SectorSaveShip& a = back->ships[0];
    EXPECT_EQ(back->shipCount, 2);
    EXPECT_STREQ(a.pilotName, "Ivan");
    EXPECT_EQ(a.voicePitch, 117);
    EXPECT_EQ(a.bonuses[4], 5.0f);
    EXPECT_EQ(a.items[0].ammo, 4);
    EXPECT_EQ(a.items[0].reloadBonus, -0.1f);
    EXPECT_STREQ(a.items[1].path, "Data/I/Cargo/Main.obj");
    EXPECT_EQ(a.statistics.shotsFired, 50);
    EXPECT_EQ(back->ships[1].statistics.kills, 9);
}

TEST(SectorSaveFile, RefusesDamagedFiles)
{
    auto s = SampleSave();
    Bytes b = Encode(*s);
    std::unique_ptr<SectorSave> out(new SectorSave());
    // Every truncation is refused, none reads out of bounds.
    for (size_t n = 0; n < b.dat.size(); ++n) {
        std::vector<uint8_t> cut(b.dat.begin(), b.dat.begin() + n);
        EXPECT_FALSE(Decode(cut, out.get())) << n;
    }
    auto bad = b.dat;
    bad.push_back(0);
    EXPECT_FALSE(Decode(bad, out.get())) << "trailing bytes";
    bad = b.dat;
    PutI32(bad, 0, 17);
    EXPECT_FALSE(Decode(bad, out.get())) << "17 ships";
    PutI32(bad, 0, -1);
    EXPECT_FALSE(Decode(bad, out.get())) << "negative count";
    bad = b.dat;
    PutI32(bad, 8 + 682 - 4, 11);
    EXPECT_FALSE(Decode(bad, out.get())) << "11 items";
    bad = b.dat;
    std::memset(bad.data() + 8, 'A', 255);
    EXPECT_FALSE(Decode(bad, out.get())) << "path without its end";
    bad = b.dat;
    const uint32_t nan = 0x7FC00000u;
    std::memcpy(bad.data() + 4, &nan, 4);
    EXPECT_FALSE(Decode(bad, out.get())) << "ore not a number";
    bad = b.dat;
    PutI32(bad, 8 + 682 + 255 + 16, -5);
    EXPECT_FALSE(Decode(bad, out.get())) << "negative ammunition";
    EXPECT_EQ(out->shipCount, 0);

    ASSERT_TRUE(Decode(b.dat, out.get()));
    char why[64];
    EXPECT_FALSE(DecodeSectorSaveStat(b.stat.data(), 36, out.get(), why, sizeof why));
    EXPECT_FALSE(DecodeSectorSaveStat(b.stat.data(), 108, out.get(), why, sizeof why));
    s->shipCount = 17;
    EXPECT_FALSE(EncodeSectorSave(*s, b.dat.data(), b.dat.size(), nullptr, b.stat.data(), b.stat.size(), nullptr));
}

TEST(SectorSaveFile, MercenaryPrivateDataIsStoredUnderHuman)
{
    char out[256];
    SavePrivateDataName("Aliens/Mercenaries/Fighter", out, sizeof out);
    EXPECT_STREQ(out, "Human/Mercenaries/Fighter");
    SavePrivateDataName("Human/Hero", out, sizeof out);
    EXPECT_STREQ(out, "Human/Hero");
    char path[128];
    EXPECT_TRUE(SectorSavePath(path, sizeof path, 3, 7, true));
    EXPECT_STREQ(path, "Save/03/Sector 07.stat");
    // Slot 10 belongs to the demo pilot of a run without the game menu.
    EXPECT_TRUE(SectorSavePath(path, sizeof path, 10, 1, false));
    EXPECT_FALSE(SectorSavePath(path, sizeof path, 11, 1, false));
    EXPECT_FALSE(SectorSavePath(path, sizeof path, 0, 0, false));
}

class SectorSaveTest : public LocationTest {
protected:
    void SetUp() override
    {
        LocationTest::SetUp();
        WriteFile("Data/I/Gun/Main.obj", ItemText("GTYPE_LASER_WEAPON"));
        WriteFile("Data/I/Gun2/Main.obj", ItemText("GTYPE_ROCKT_WEAPON"));
        WriteFile("Data/I/Cargo/Main.obj", ItemText("GTYPE_CARGOSYSTEM"));
        WriteUnit("Data/U/Armed/Main.obj", "GCLASS_SPACE_SHIP", "GTYPE_SP_NPCSHIP", {"Data/I/Gun/Main.obj"});
        WriteUnit("Data/U/Carrier/Main.obj", "GCLASS_SPACE_SHIP", "GTYPE_SP_NPCSHIP", {"Data/I/Cargo/Main.obj"});
        WritePilot("Human/Mercenaries/Fighter", "WORLD_STATUS_NEUTRAL");
        savedSlot_ = g_PilotSlot;
        g_PilotSlot = 0;
        g_WorldIndex = 1;
        g_LocationKind = 1;
        station_ = NewStation();
    }
    void TearDown() override
    {
        g_PilotSlot = savedSlot_;
        LocationTest::TearDown();
    }
    static CUnit* NewStation()
    {
        CUnit* s = new CUnit();
        EXPECT_TRUE(s->Load("Data/U/Station/Main.obj", 1000));
        EXPECT_TRUE(CObjectList::Add(s));
        g_HeroStation = s;
        return s;
    }
    static CUnit* Dock(CUnit* station, const char* path, int id, const char* pilot)
    {
        CUnit* u = new CUnit();
        EXPECT_TRUE(u->Load(path, id));
        u->pilot.Load(u, pilot);
        station->dockedUnits[station->dockedCount++] = u;
        return u;
    }
    void WriteSkip(const SectorSave& s)
    {
        Bytes b = Encode(s);
        WriteFile("Save/Skip/Sector 01.dat", std::string(b.dat.begin(), b.dat.end()));
        WriteFile("Save/Skip/Sector 01.stat", std::string(b.stat.begin(), b.stat.end()));
    }
    CUnit* station_ = nullptr;
    int savedSlot_ = 0;
};

TEST_F(SectorSaveTest, StationShipsGoOutAndComeBack)
{
    station_->ore = 33.0f;
    CUnit* hero = Dock(station_, "Data/U/Hero/Main.obj", 7, "Human/Hero");
    hero->baseValues[UNIT_BASE_ENGINE].bonus = 12.0f;
    hero->statistics = {5.0f, 2, 1, 3.0f, 2.0f, 10, 4, 6.0f, 5.0f};
    std::strcpy(hero->pilot.pilotName, "Saved Name");
    CUnit* armed = Dock(station_, "Data/U/Armed/Main.obj", 8, "Human/Mercenaries/Fighter");
    ASSERT_EQ(armed->itemCount, 1);
    armed->items[0]->baseValues[ITEM_BASE_RANGE].bonus = 250.0f;
    armed->items[0]->ammo = 3;
    Dock(station_, "Data/U/Carrier/Main.obj", 9, "Human/Mercenaries/Fighter");

    WriteSectorSave(4);
    ASSERT_TRUE(std::filesystem::exists("Save/00/Sector 04.dat"));
    EXPECT_EQ(std::filesystem::file_size("Save/00/Sector 04.dat"), 8u + 3 * 682 + 2 * 275);
    EXPECT_EQ(std::filesystem::file_size("Save/00/Sector 04.stat"), 3u * 36);
    EXPECT_FALSE(std::filesystem::exists("Save/00/Sector 04.dat.tmp"));
    int ships = 0;
    float ore = 0;
    ReadSectorSaveSummary(4, &ships, &ore);
    EXPECT_EQ(ships, 3);
    EXPECT_EQ(ore, 33.0f);

    // A fresh station of the next location reads it back.
    g_World.UnloadLocation();
    station_ = NewStation();
    LoadSectorSave(4);
    ASSERT_EQ(station_->dockedCount, 3);
    EXPECT_EQ(station_->ore, 33.0f);
    CUnit* h = station_->dockedUnits[0];
    EXPECT_EQ(h->kind, GTYPE_SP_HEROSHIP);
    EXPECT_EQ(h->pilot.objectId, 100);
    EXPECT_EQ(station_->slotIds[0].shipId, 100);
    EXPECT_EQ(h->dockTime, 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(h->engineMax, 150.0f + 12.0f);
    EXPECT_STREQ(h->pilot.pilotName, "Saved Name");
    EXPECT_EQ(h->statistics.kills, 2);
    EXPECT_EQ(h->statistics.missionKills, 0);
    EXPECT_EQ(h->statistics.missionOreDelivered, 0.0f);
    EXPECT_EQ(h->statistics.oreDelivered, 6.0f);
    CUnit* a = station_->dockedUnits[1];
    EXPECT_EQ(a->kind, GTYPE_SP_NPCSHIP_MERCS_FIGHTER);
    EXPECT_EQ(a->items[0]->ammo, 3);
    EXPECT_FLOAT_EQ(a->items[0]->range, 1500.0f + 250.0f);
    EXPECT_EQ(station_->dockedUnits[2]->kind, GTYPE_SP_NPCSHIP_MERCS_CARGO);
    EXPECT_EQ(CObjectList::FindDockedPlayerShip(), h);
}

TEST_F(SectorSaveTest, ReplacedWeaponComesBack)
{
    auto s = SampleSave();
    s->shipCount = 1;
    SectorSaveShip& sh = s->ships[0];
    std::strcpy(sh.path, "Data/U/Armed/Main.obj");
    sh.itemCount = 1;
    std::strcpy(sh.items[0].path, "Data/I/Gun2/Main.obj");
    sh.items[0].ammo = 6;
    Bytes b = Encode(*s);
    WriteFile("Save/00/Sector 02.dat", std::string(b.dat.begin(), b.dat.end()));
    WriteFile("Save/00/Sector 02.stat", std::string(b.stat.begin(), b.stat.end()));
    LoadSectorSave(2);
    ASSERT_EQ(station_->dockedCount, 1);
    CUnit* u = station_->dockedUnits[0];
    ASSERT_EQ(u->itemCount, 1);
    EXPECT_STREQ(u->items[0]->filePath, "Data/I/Gun2/Main.obj");
    EXPECT_EQ(u->items[0]->kind, GTYPE_ROCKT_WEAPON);
    EXPECT_EQ(u->items[0]->ammo, 6);
}

TEST_F(SectorSaveTest, FirstSectorStartsFromSkipAndKeepsACopy)
{
    auto s = SampleSave();
    s->ships[0].pilotName[0] = 0;   // the default start keeps the private data's pilot
    WriteSkip(*s);
    LoadSectorSave(1);
    ASSERT_EQ(station_->dockedCount, 2);
    EXPECT_STREQ(station_->dockedUnits[0]->pilot.pilotName, "Test");
    EXPECT_TRUE(std::filesystem::exists("Save/00/Sector 01.dat"));
    EXPECT_TRUE(std::filesystem::exists("Save/00/Sector 01.stat"));
    EXPECT_EQ(CountSavedSectors(), 1);
}

TEST_F(SectorSaveTest, DamagedOwnSaveFallsBackToSkip)
{
    WriteSkip(*SampleSave());
    WriteFile("Save/00/Sector 01.dat", std::string("\x05\x00\x00\x00garbage", 11));
    LoadSectorSave(1);
    EXPECT_EQ(station_->dockedCount, 2);
    // The damaged file was replaced by a good copy.
    std::unique_ptr<SectorSave> back(new SectorSave());
    const std::string bytes = ReadFile("Save/00/Sector 01.dat");
    EXPECT_TRUE(Decode(std::vector<uint8_t>(bytes.begin(), bytes.end()), back.get()));

    // A damaged later sector is handled as a missing one: the station keeps its ships.
    g_World.UnloadLocation();
    station_ = NewStation();
    WriteFile("Save/00/Sector 06.dat", std::string(20, '\xFF'));
    LoadSectorSave(6);
    EXPECT_EQ(station_->dockedCount, 0);
}

TEST_F(SectorSaveTest, DamagedSaveIsKeptAsBadAndReportedOnce)
{
    WriteSkip(*SampleSave());
    g_Settings.debugOut = 1;
    // A later sector's damaged save is handled as a missing one (DamagedAndTornSavesTable).
    for (int sector : {1}) {
        SCOPED_TRACE(sector);
        char dat[64], stat[64];
        SectorSavePath(dat, sizeof dat, 0, sector, false);
        SectorSavePath(stat, sizeof stat, 0, sector, true);
        const std::string damaged(20, '\xFF');
        WriteFile(dat, damaged);
        WriteFile(stat, "old statistics");
        DebugOut(nullptr);
        for (int start = 0; start < 2; ++start) {
            g_World.UnloadLocation();
            station_ = NewStation();
            LoadSectorSave(sector);
            EXPECT_EQ(station_->dockedCount, 2);
        }
        // The player's bytes survive beside the fresh start, which keeps the sector unlocked.
        EXPECT_EQ(ReadFile(std::string(dat) + ".bad"), damaged);
        EXPECT_EQ(ReadFile(std::string(stat) + ".bad"), "old statistics");
        std::unique_ptr<SectorSave> back(new SectorSave());
        const std::string bytes = ReadFile(dat);
        EXPECT_TRUE(Decode(std::vector<uint8_t>(bytes.begin(), bytes.end()), back.get()));
        const std::string log = ReadFile("debug.txt");
        size_t shown = 0;
        for (size_t at = log.find("Can't load objects"); at != std::string::npos; at = log.find("Can't load objects", at + 1))
            ++shown;
        EXPECT_EQ(shown, 1u);
    }
    g_Settings.debugOut = 0;
}

// Faults a player's machine leaves in the save folder, one row each: what lies there
// before the sector starts, and what the start makes of it.
TEST_F(SectorSaveTest, DamagedAndTornSavesTable)
{
    auto skip = SampleSave();
    WriteSkip(*skip);
    auto own = SampleSave();
    own->shipCount = 1;
    own->ore = 77.0f;
    const Bytes good = Encode(*own);
    const std::string goodDat(good.dat.begin(), good.dat.end()), goodStat(good.stat.begin(), good.stat.end());
    auto ghost = SampleSave();
    std::strcpy(ghost->ships[1].privateData, "Human/Nobody");
    const Bytes ghostBytes = Encode(*ghost);
    const std::string ghostDat(ghostBytes.dat.begin(), ghostBytes.dat.end());
    const std::string cut = goodDat.substr(0, 300);

    struct Row {
        const char* fault;
        int sector;
        std::string dat, stat, datTmp, statTmp;
        bool badBlocked;   // the .bad name is taken by a folder: the rename fails
        int docked;        // ships on the station after the start (0: the location's own)
        float ore;
        bool keptAsBad;    // the damaged pair lies beside as .bad
        std::string datAfter;  // "" when the .dat is gone, "good" for a readable save
        int messages;      // "Can't load objects" shown
        std::string statOld = "";  // the old statistics set aside while a save was written
    } rows[] = {
        {"cut .dat, sector 1", 1, cut, goodStat, "", "", false, 2, 12.5f, true, "good", 1},
        {"cut .dat, sector 6", 6, cut, goodStat, "", "", false, 0, 4.0f, true, "", 1},
        {"pilot folder missing", 3, ghostDat, goodStat, "", "", false, 0, 4.0f, true, "", 1},
        {"junk .dat, .bad cannot be made", 1, cut, goodStat, "", "", true, 2, 12.5f, false, cut, 1},
        {"killed before the commit", 4, goodDat, goodStat, "half", "half", false, 1, 77.0f, false, "good", 0},
        {"killed between the renames", 4, goodDat, "old", "", goodStat, false, 1, 77.0f, false, "good", 0},
        {"killed before the commit, statistics set aside", 4, goodDat, "", "half", "", false, 1, 77.0f, false, "good", 0, goodStat},
    };
    g_Settings.debugOut = 1;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.fault);
        std::filesystem::remove_all("Save/00");
        char dat[64], stat[64];
        SectorSavePath(dat, sizeof dat, 0, r.sector, false);
        SectorSavePath(stat, sizeof stat, 0, r.sector, true);
        WriteFile(dat, r.dat);
        if (!r.stat.empty()) WriteFile(stat, r.stat);
        if (!r.statOld.empty()) WriteFile(std::string(stat) + ".old", r.statOld);
        if (!r.datTmp.empty()) WriteFile(std::string(dat) + ".tmp", r.datTmp);
        if (!r.statTmp.empty()) WriteFile(std::string(stat) + ".tmp", r.statTmp);
        if (r.badBlocked) std::filesystem::create_directories(std::string(dat) + ".bad/x");
        DebugOut(nullptr);
        g_World.UnloadLocation();
        station_ = NewStation();
        station_->ore = 4.0f;
        LoadSectorSave(r.sector);
        EXPECT_EQ(station_->dockedCount, r.docked);
        EXPECT_EQ(station_->ore, r.ore);
        EXPECT_EQ(std::filesystem::is_regular_file(std::string(dat) + ".bad"), r.keptAsBad);
        if (r.keptAsBad) {
            EXPECT_EQ(ReadFile(std::string(dat) + ".bad"), r.dat);
            EXPECT_EQ(ReadFile(std::string(stat) + ".bad"), r.stat);
        }
        if (r.datAfter.empty()) {
            EXPECT_FALSE(std::filesystem::exists(dat));
        } else if (r.datAfter == "good") {
            std::unique_ptr<SectorSave> back(new SectorSave());
            const std::string bytes = ReadFile(dat);
            EXPECT_TRUE(Decode(std::vector<uint8_t>(bytes.begin(), bytes.end()), back.get()));
        } else {
            EXPECT_EQ(ReadFile(dat), r.datAfter);  // never written over
        }
        // No temporary file outlives a start; the statistics match the ships.
        EXPECT_FALSE(std::filesystem::exists(std::string(dat) + ".tmp"));
        EXPECT_FALSE(std::filesystem::exists(std::string(stat) + ".tmp"));
        EXPECT_FALSE(std::filesystem::exists(std::string(stat) + ".old"));
        if (r.docked == 1) {
            EXPECT_EQ(station_->dockedUnits[0]->statistics.kills, own->ships[0].statistics.kills);
        }
        const std::string log = ReadFile("debug.txt");
        int shown = 0;
        for (size_t at = log.find("Can't load objects"); at != std::string::npos; at = log.find("Can't load objects", at + 1))
            ++shown;
        EXPECT_EQ(shown, r.messages);
    }
    // The save that could not be set aside is not written over later in the run either.
    std::filesystem::remove_all("Save/00");
    WriteFile("Save/00/Sector 01.dat", cut);
    std::filesystem::create_directories("Save/00/Sector 01.dat.bad/x");
    LoadSectorSave(1);
    WriteSectorSave(1);
    EXPECT_EQ(ReadFile("Save/00/Sector 01.dat"), cut);
    g_Settings.debugOut = 0;
}

// Kill points, one row each: the process ends before or after any file step of a save (its
// statistics written or failing on a full disk), and then before or after any file step of
// the repair at the next start. After that start the pair is one save's, old with old or
// new with new, and nothing temporary is left; a save written instead of the start leaves
// its own pair alone.
TEST_F(SectorSaveTest, KillAtAnyFileStepOfASaveOrItsRepairLeavesOneSavesPair)
{
    const char* dir = "Save/00";
    Dock(station_, "Data/U/Hero/Main.obj", 7, "Human/Hero")->statistics.kills = 1;
    WriteSectorSave(2);
    const Folder old = Snapshot(dir);
    Dock(station_, "Data/U/Armed/Main.obj", 8, "Human/Mercenaries/Fighter")->statistics.kills = 5;
    WriteSectorSave(2);
    const Folder fresh = Snapshot(dir);
    const auto start = [this] {
        g_World.UnloadLocation();
        station_ = NewStation();
        LoadSectorSave(2);
    };
    // The station with the new ships, the folder with the old pair.
    const auto before = [&] {
        Restore(dir, fresh);
        start();
        Restore(dir, old);
    };
    const auto save = [] { WriteSectorSave(2); };
    for (const std::string full : {"no disk", "Save/00/Sector 02.stat.tmp"}) {
        before();
        const int saveSteps = Steps(save, -1, full);
        const Folder saved = Snapshot(dir);
        ASSERT_EQ(saved.count("Sector 02.stat"), full == "no disk" ? 1u : 0u);
        for (int kill = 0; kill < saveSteps; ++kill) {
            before();
            Steps(save, kill, full);
            const Folder left = Snapshot(dir);
            const int repairSteps = Steps(start);
            for (int repairKill = -1; repairKill < repairSteps; ++repairKill) {
                SCOPED_TRACE(full + " full, killed at save step " + std::to_string(kill) + ", at repair step " +
                             std::to_string(repairKill));
                Restore(dir, left);
                if (repairKill >= 0) Steps(start, repairKill);
                start();
                const Folder after = Snapshot(dir);
                EXPECT_TRUE(after == old || after == saved) << after.size() << " files";
                EXPECT_EQ(station_->dockedCount, after == old ? 1 : 2);
            }
            // A second save over what the kill left (a won sector writes the next one unloaded),
            // itself killed at each of its steps, and whole (-1): the pair is still one save's.
            for (int kill2 = -1, steps2 = 0; kill2 < steps2; ++kill2) {
                SCOPED_TRACE(full + " full, killed at save step " + std::to_string(kill) + ", the next at " +
                             std::to_string(kill2));
                before();
                Restore(dir, left);
                if (kill2 < 0) steps2 = Steps(save, -1, full);
                else Steps(save, kill2, full);
                start();
                const Folder after = Snapshot(dir);
                EXPECT_TRUE(after == saved || (kill2 >= 0 && after == old)) << after.size() << " files";
            }
        }
    }
}

TEST_F(SectorSaveTest, MissingLaterSectorKeepsTheStation)
{
    WriteSkip(*SampleSave());
    station_->ore = 4.0f;
    LoadSectorSave(5);
    EXPECT_EQ(station_->dockedCount, 0);
    EXPECT_EQ(station_->ore, 4.0f);
    // Missing statistics of an existing save: the ships still come, with empty records.
    auto s = SampleSave();
    Bytes b = Encode(*s);
    WriteFile("Save/00/Sector 05.dat", std::string(b.dat.begin(), b.dat.end()));
    LoadSectorSave(5);
    ASSERT_EQ(station_->dockedCount, 2);
    EXPECT_EQ(station_->dockedUnits[0]->statistics.kills, 0);
}

TEST_F(SectorSaveTest, UnloadableShipIsLeftOutAndCountsStayPacked)
{
    auto s = SampleSave();
    std::strcpy(s->ships[0].path, "Data/U/Nowhere/Main.obj");
    Bytes b = Encode(*s);
    WriteFile("Save/00/Sector 03.dat", std::string(b.dat.begin(), b.dat.end()));
    WriteFile("Save/00/Sector 03.stat", std::string(b.stat.begin(), b.stat.end()));
    LoadSectorSave(3);
    ASSERT_EQ(station_->dockedCount, 1);
    EXPECT_NE(station_->dockedUnits[0], nullptr);
    EXPECT_EQ(station_->dockedUnits[1], nullptr);
}

TEST_F(SectorSaveTest, FailedWriteKeepsTheOldSave)
{
    Dock(station_, "Data/U/Hero/Main.obj", 7, "Human/Hero");
    WriteSectorSave(2);
    const std::string before = ReadFile("Save/00/Sector 02.dat");
    ASSERT_FALSE(before.empty());
    Dock(station_, "Data/U/Ship/Main.obj", 8, "Human/Hero");
    // The temporary file cannot be made: the old save stays as it was.
    std::filesystem::create_directories("Save/00/Sector 02.dat.tmp/x");
    WriteSectorSave(2);
    EXPECT_EQ(ReadFile("Save/00/Sector 02.dat"), before);
}

TEST_F(SectorSaveTest, WriteErrorsAtCloseFailTheSaveAndThePairStaysTogether)
{
    Dock(station_, "Data/U/Hero/Main.obj", 7, "Human/Hero");
    WriteSectorSave(2);
    const std::string dat = ReadFile("Save/00/Sector 02.dat");
    const std::string stat = ReadFile("Save/00/Sector 02.stat");
    ASSERT_FALSE(stat.empty());
    Dock(station_, "Data/U/Ship/Main.obj", 8, "Human/Hero");
    // A full disk: the bytes fit the stream's buffer and fail only when it is flushed.
    Steps([] { WriteSectorSave(2); }, -1, "Save/00/Sector 02.dat.tmp");
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status("Save/00/Sector 02.dat")));
    EXPECT_EQ(ReadFile("Save/00/Sector 02.dat"), dat);
    EXPECT_EQ(ReadFile("Save/00/Sector 02.stat"), stat);

    // The statistics fail alone: the new ships are saved and the old statistics go.
    Steps([] { WriteSectorSave(2); }, -1, "Save/00/Sector 02.stat.tmp");
    EXPECT_EQ(std::filesystem::file_size("Save/00/Sector 02.dat"), 8u + 2 * 682);
    EXPECT_FALSE(std::filesystem::exists("Save/00/Sector 02.stat"));

    WriteSectorSave(2);
    const std::string dat2 = ReadFile("Save/00/Sector 02.dat"), stat2 = ReadFile("Save/00/Sector 02.stat");
    Dock(station_, "Data/U/Ship/Main.obj", 9, "Human/Hero");
    // The statistics fail and the old ones cannot be set aside (a folder takes the name just
    // then): nothing is committed, the old pair stays whole.
    Steps([] { WriteSectorSave(2); }, -1, "Save/00/Sector 02.stat.tmp", "Save/00/Sector 02.stat");
    std::filesystem::remove_all("Save/00/Sector 02.stat.old");
    EXPECT_EQ(ReadFile("Save/00/Sector 02.dat"), dat2);
    EXPECT_EQ(ReadFile("Save/00/Sector 02.stat"), stat2);

    // The statistics fail, then the new ships cannot replace the old (an immutable .dat):
    // the old pair stays whole.
    if (std::system("chattr +i 'Save/00/Sector 02.dat' 2>/dev/null") != 0) GTEST_SKIP() << "no immutable files here";
    Steps([] { WriteSectorSave(2); }, -1, "Save/00/Sector 02.stat.tmp");
    std::system("chattr -i 'Save/00/Sector 02.dat'");
    EXPECT_EQ(ReadFile("Save/00/Sector 02.dat"), dat2);
    EXPECT_EQ(ReadFile("Save/00/Sector 02.stat"), stat2);
}

TEST_F(SectorSaveTest, CountSavedSectorsStopsAtTheFirstGap)
{
    for (const char* n : {"01", "02", "04"}) WriteFile(std::string("Save/00/Sector ") + n + ".dat", "x");
    EXPECT_EQ(CountSavedSectors(), 2);
    // Twelve sectors at most, whatever else lies in the folder.
    for (int n = 1; n <= 13; ++n) {
        char name[64];
        std::snprintf(name, sizeof name, "Save/00/Sector %02d.dat", n);
        WriteFile(name, "x");
    }
    EXPECT_EQ(CountSavedSectors(), 12);
    g_PilotSlot = 1;
    EXPECT_EQ(CountSavedSectors(), 0);
    int ships = 7;
    float ore = 7;
    ReadSectorSaveSummary(1, &ships, &ore);
    EXPECT_EQ(ships, 0);
    EXPECT_EQ(ore, 0.0f);
}

TEST_F(SectorSaveTest, SaveRatingAddsTheSessionOnce)
{
    g_LocationDirector.SetSessionTotals(10.5f, 3, 2.25f);
    g_LocationDirector.SaveRating();
    g_LocationDirector.SaveRating();
    char v[64];
    GetPrivateProfileString("Player rating", "Enemy killed", "", v, sizeof v, "Save/00/Player.cfg");
    EXPECT_STREQ(v, "3");
    GetPrivateProfileString("Player rating", "Ore transported", "", v, sizeof v, "Save/00/Player.cfg");
    EXPECT_FLOAT_EQ((float)std::atof(v), 10.5f);
    EXPECT_EQ(g_LocationDirector.sessionKills, 0);
}
