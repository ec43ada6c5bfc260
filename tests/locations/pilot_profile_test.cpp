#include "location_test_util.h"

#include "app/settings.h"

#include "locations/campaign_progress.h"
#include "locations/pilot_profile.h"
#include "menus/end_game.h"
#include "locations/sector_save_file.h"
#include "platform/win/profile.h"

#include <climits>
#include <cstring>
#include <filesystem>

namespace {

class PilotProfileTest : public FilesTest {
protected:
    void SetUp() override
    {
        FilesTest::SetUp();
        savedSlot_ = g_PilotSlot;
        director_ = g_LocationDirector;
        SetSaveRoot("Save");
    }
    void TearDown() override
    {
        g_PilotSlot = savedSlot_;
        g_LocationDirector.sessionOre = 0;
        g_LocationDirector.sessionKills = 0;
        g_LocationDirector.sessionKillScore = 0;
        FilesTest::TearDown();
    }
    static void Pilot(int slot, const char* name, const char* ore = "0", const char* kills = "0",
                      const char* score = "0")
    {
        char text[512];
        std::snprintf(text, sizeof text,
                      "[Player data]\nName=%s\n[Player rating]\nOre transported=%s\nEnemy killed=%s\n"
                      "Enemy killed score=%s\n",
                      name, ore, kills, score);
        char path[64];
        std::snprintf(path, sizeof path, "Save/%02d/Player.cfg", slot);
        WriteFile(path, text);
    }
    static std::string Value(int slot, const char* key)
    {
        char path[64], out[128];
        std::snprintf(path, sizeof path, "Save/%02d/Player.cfg", slot);
        GetPrivateProfileString("Player rating", key, "?", out, sizeof out, path);
        return out;
    }
    int savedSlot_ = 0;
    CLocationDirector director_;
};

TEST_F(PilotProfileTest, CreatedPilotRoundTripsAndCollectsItsRatingOnce)
{
    WriteFile("Save/03/Sector 01.dat", "orphan");  // left by a start without a pilot
    ASSERT_TRUE(CreatePilotProfile(3, "Иван"));
    EXPECT_FALSE(std::filesystem::exists("Save/03/Sector 01.dat"));
    char name[64];
    ASSERT_TRUE(ReadPilotName(3, name, sizeof name));
    EXPECT_STREQ(name, "Иван");
    EXPECT_EQ(Value(3, "Enemy killed"), "0");

    g_PilotSlot = 3;
    g_LocationDirector.sessionOre = 1234.5f;
    g_LocationDirector.sessionKills = 4;
    g_LocationDirector.sessionKillScore = 10.4f;
    g_LocationDirector.SaveRating();
    g_LocationDirector.SaveRating();  // the totals were cleared: adds nothing
    EXPECT_EQ(Value(3, "Ore transported"), "1234.500000");
    EXPECT_EQ(Value(3, "Enemy killed"), "4");
    EXPECT_EQ(g_LocationDirector.sessionKills, 0);
    ASSERT_TRUE(ReadPilotName(3, name, sizeof name));  // the name survives the rating writes
    EXPECT_FALSE(std::filesystem::exists("Save/03/Player.cfg.tmp"));

    LoadPilotRatings(RATING_KEY_RATING);
    ASSERT_EQ(g_PilotRatingCount, 1);
    EXPECT_EQ(g_PilotRatings[0].rating, 1244);
}

TEST_F(PilotProfileTest, FailedWriteKeepsTheOldFileAndTheTotals)
{
    Pilot(2, "Anna", "5", "1", "2");
    const std::string before = ReadFile("Save/02/Player.cfg");
    // The temporary file's place is taken by a folder: nothing can be written.
    std::filesystem::create_directories("Save/02/Player.cfg.tmp/x");
    g_PilotSlot = 2;
    g_LocationDirector.sessionKills = 7;
    g_LocationDirector.SaveRating();
    EXPECT_EQ(ReadFile("Save/02/Player.cfg"), before);
    EXPECT_EQ(g_LocationDirector.sessionKills, 7);

    std::filesystem::create_directories("Save/04/Player.cfg.tmp/x");
    EXPECT_FALSE(CreatePilotProfile(4, "Boris"));
    char name[64];
    EXPECT_FALSE(ReadPilotName(4, name, sizeof name));
}

// A damaged Player.cfg: set aside as Player.cfg.bad, said once, and the slot with its
// saves is left alone: no new pilot takes it, so nothing deletes the saves.
TEST_F(PilotProfileTest, DamagedProfilesKeepTheirSlotAndSaves)
{
    struct Row {
        const char* fault;
        std::string bytes;
    } rows[] = {
        {"cut", "[Player da"},
        {"junk", std::string("\x00\xFF\x13garbage\x00\x01", 12)},
        {"empty", ""},
    };
    g_Settings.debugOut = 1;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.fault);
        std::filesystem::remove_all("Save/00");
        WriteFile("Save/00/Player.cfg", r.bytes);
        WriteFile("Save/00/Sector 01.dat", "the pilot's progress");
        DebugOut(nullptr);
        EXPECT_TRUE(CheckPilotProfile(0));
        EXPECT_TRUE(CheckPilotProfile(0));  // said once
        EXPECT_EQ(ReadFile("Save/00/Player.cfg.bad"), r.bytes);
        EXPECT_FALSE(CreatePilotProfile(0, "Boris"));
        EXPECT_EQ(ReadFile("Save/00/Sector 01.dat"), "the pilot's progress");
        const std::string log = ReadFile("debug.txt");
        EXPECT_NE(log.find("Save/00/Player.cfg\" cannot be read"), std::string::npos) << log;
        EXPECT_EQ(log.find("cannot be read"), log.rfind("cannot be read")) << log;
    }
    g_Settings.debugOut = 0;
    // A readable profile and an empty slot hold nothing back.
    Pilot(1, "Anna");
    EXPECT_FALSE(CheckPilotProfile(1));
    EXPECT_FALSE(CheckPilotProfile(2));
    EXPECT_TRUE(CreatePilotProfile(2, "Boris"));
    EXPECT_TRUE(DeletePilotProfile(2));
    EXPECT_FALSE(std::filesystem::exists("Save/02"));
}

TEST_F(PilotProfileTest, RefusedNames)
{
    struct Case { const char* name; bool ok; };
    const Case cases[] = {{"", false}, {"   ", false}, {"a\tb", false}, {"x\x7f", false}, {nullptr, false},
                          {"Bob", true}, {" Иван Петров", true}};
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidPilotName(c.name), c.ok) << (c.name ? c.name : "null");
        EXPECT_EQ(CreatePilotProfile(5, c.name), c.ok) << (c.name ? c.name : "null");
    }
    EXPECT_FALSE(CreatePilotProfile(10, "Bob"));
    EXPECT_FALSE(CreatePilotProfile(-1, "Bob"));
}

TEST_F(PilotProfileTest, RatingsListEveryPilotAndSortStably)
{
    // Slot 2 is empty: the pilots after it are listed too.
    Pilot(0, "A", "1000", "3", "5");
    Pilot(1, "B", "2000", "9", "0");
    Pilot(3, "C", "1000", "1", "900.9");
    Pilot(7, "D", "nan", "2147483647", "inf");

    LoadPilotRatings(RATING_KEY_ORE);
    ASSERT_EQ(g_PilotRatingCount, 4);
    const char* byOre[] = {"B", "A", "C", "D"};  // A before C: equal ore keeps the file order
    for (int i = 0; i < 4; ++i)
        EXPECT_STREQ(g_PilotRatings[i].name, byOre[i]);
    EXPECT_EQ(g_PilotRatings[3].ore, 0.0f);  // nonsense numbers count as nothing

    LoadPilotRatings(RATING_KEY_KILLS);
    const char* byKills[] = {"D", "B", "A", "C"};
    for (int i = 0; i < 4; ++i)
        EXPECT_STREQ(g_PilotRatings[i].name, byKills[i]);

    LoadPilotRatings(RATING_KEY_RATING);
    const char* byRating[] = {"B", "C", "A", "D"};
    for (int i = 0; i < 4; ++i)
        EXPECT_STREQ(g_PilotRatings[i].name, byRating[i]);
    EXPECT_EQ(g_PilotRatings[1].rating, 1900);
}

TEST_F(PilotProfileTest, SumsDoNotOverflow)
{
    Pilot(1, "Max", "3e38", "2147483640", "1");
    g_PilotSlot = 1;
    g_LocationDirector.sessionOre = 3e38f;
    g_LocationDirector.sessionKills = 100;
    g_LocationDirector.SaveRating();
    EXPECT_EQ(Value(1, "Enemy killed"), std::to_string(INT_MAX));
    LoadPilotRatings(RATING_KEY_RATING);
    ASSERT_EQ(g_PilotRatingCount, 1);
    EXPECT_GT(g_PilotRatings[0].ore, 3e38f);
    EXPECT_EQ(g_PilotRatings[0].rating, INT_MAX);
}

class MissionResultsTest : public LocationTest {
protected:
    void SetUp() override
    {
        LocationTest::SetUp();
        WriteFile("Data/I/Cargo/Main.obj", ItemText("GTYPE_CARGOSYSTEM"));
        WriteUnit("Data/U/Carrier/Main.obj", "GCLASS_SPACE_SHIP", "GTYPE_SP_NPCSHIP", {"Data/I/Cargo/Main.obj"});
        WriteUnit("Data/U/HeroCargo/Main.obj", "GCLASS_SPACE_SHIP", "GTYPE_SP_HEROSHIP", {"Data/I/Cargo/Main.obj"});
        g_WorldIndex = 1;
        g_LocationKind = 1;
        station_ = Add("Data/U/Station/Main.obj", 1000, -1);
        g_HeroStation = station_;
    }
    CUnit* Add(const char* path, int id, int kind, float ore = 0, int kills = 0, bool docked = false)
    {
        CUnit* u = new CUnit();
        EXPECT_TRUE(u->Load(path, id));
        if (kind >= 0) u->kind = kind;
        u->statistics.oreDelivered = ore;
        u->statistics.kills = kills;
        if (docked)
            station_->dockedUnits[station_->dockedCount++] = u;
        else
            EXPECT_TRUE(CObjectList::Add(u));
        return u;
    }
    CUnit* station_ = nullptr;
};

TEST_F(MissionResultsTest, CarriersByOreThenFightersByKills)
{
    Add("Data/U/Sky/Main.obj", 1, -1);  // the first unit is never listed
    CUnit* hero = Add("Data/U/HeroCargo/Main.obj", 100, GTYPE_SP_HEROSHIP, 5, 9);
    CUnit* carrier = Add("Data/U/Carrier/Main.obj", 101, GTYPE_SP_NPCSHIP_MERCS_CARGO, 50, 0);
    CUnit* weak = Add("Data/U/Ship/Main.obj", 102, GTYPE_SP_NPCSHIP_MERCS_FIGHTER, 0, 1);
    CUnit* dead = Add("Data/U/Ship/Main.obj", 103, GTYPE_SP_NPCSHIP_MERCS_FIGHTER, 0, 99);
    dead->hull = 0;
    CUnit* strong = Add("Data/U/Ship/Main.obj", 104, GTYPE_SP_NPCSHIP_MERCS_FIGHTER, 0, 6, true);
    Add("Data/U/Ship/Main.obj", 105, GTYPE_SP_NPCSHIP, 0, 50);  // not a mercenary

    MissionResultRow table[kMissionResultRows];
    int rows = -1;
    ASSERT_EQ(CollectMissionResults(table, &rows), 4);
    EXPECT_EQ(rows, 4);
    const CUnit* expected[] = {carrier, hero, strong, weak};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(table[i].ship, expected[i]) << i;
    EXPECT_EQ(table[2].statistics.kills, 6);
    EXPECT_EQ(table[4].ship, nullptr);
}

TEST_F(MissionResultsTest, WonSectorSavesTheNextOneExceptAfterTheLast)
{
    const int savedSlot = g_PilotSlot;
    g_PilotSlot = 6;
    Add("Data/U/Hero/Main.obj", 100, GTYPE_SP_HEROSHIP, 0, 0, true);
    EXPECT_TRUE(SaveWonSector(3));
    EXPECT_TRUE(std::filesystem::exists("Save/06/Sector 04.dat"));
    EXPECT_TRUE(std::filesystem::exists("Save/06/Sector 04.stat"));
    EXPECT_FALSE(SaveWonSector(12));
    EXPECT_FALSE(SaveWonSector(0));
    EXPECT_FALSE(std::filesystem::exists("Save/06/Sector 13.dat"));
    DeleteSectorSaves(1, 12);
    EXPECT_FALSE(std::filesystem::exists("Save/06/Sector 04.dat"));
    g_PilotSlot = savedSlot;
}

} // namespace
