// The whole campaign played as a player would, in this process: the game's own WinMain on
// the null device, the null sound driver, SDL's dummy video driver and 50 ms frames. The test
// pilot (test_pilot.h) acts only through the messages the window procedure gets and fails a
// location that stalls.
#include "campaign/test_pilot.h"

#include "campaign/shot_check.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "app/winmain.h"
#include "dataset_util.h"
#include "locations/location_director.h"
#include "platform/win/test_switches.h"

namespace fs = std::filesystem;

namespace {

class CampaignRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        old_ = fs::current_path();
        char tmpl[] = "/tmp/korvane-campaign-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        const fs::path game = KORVANE_GAME_DIR;
        ASSERT_TRUE(fs::exists(game / "Data")) << "no data set in " << game;
        fs::create_directory_symlink(game / "Data", dir_ / "Data");
        if (fs::exists(game / "logo")) fs::create_directory_symlink(game / "logo", dir_ / "logo");
        if (fs::exists(game / "Save")) fs::copy(game / "Save", dir_ / "Save", fs::copy_options::recursive);
        fs::current_path(dir_);
        testutil::UseHeadlessGame(dir_);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("KORVANE_FRAME_MS", "50", 1);
        unsetenv("KORVANE_INPUT");
        unsetenv("KORVANE_FRAMES");
        // No Game.ini: the settings a new player gets.
        TestSwitchesReset();
    }
    void TearDown() override
    {
        fs::current_path(old_);
        if (!getenv("KORVANE_KEEP_RUNS")) fs::remove_all(dir_);
        else std::fprintf(stderr, "run kept in %s\n", dir_.c_str());
    }
    // A pilot whose saves unlock every sector, as the campaign leaves them (copies of the
    // first sector's start, as the other runs reaching a sector use).
    void WriteFinishedPilot()
    {
        fs::create_directories("Save/00");
        std::ofstream("Save/00/Player.cfg") << "[Player data]\nName=Tester\n[Player rating]\nOre transported=0\n"
                                               "Enemy killed=0\nEnemy killed score=0\n";
        for (int n = 1; n <= 12; ++n)
            for (const char* ext : {"dat", "stat"}) {
                char name[64];
                std::snprintf(name, sizeof name, "Save/00/Sector %02d.%s", n, ext);
                fs::copy_file(std::string("Save/Skip/Sector 01.") + ext, name, fs::copy_options::overwrite_existing);
            }
    }

    // Plays the plan through the game's own WinMain; prints the table.
    PilotReport Play(const PilotPlan& plan)
    {
        StartPilot(plan);
        const int status = WinMain();
        PilotReport report = FinishPilot();
        std::printf("%s", FormatPilotTable(report).c_str());
        EXPECT_EQ(status, 0);
        for (const std::string& f : report.failures) ADD_FAILURE() << f;
        return report;
    }

    fs::path old_, dir_;
};

// A location of the run's table: the ends its last attempt may have, and the location it leads
// to. Earlier attempts may only have been lost and played again.
struct ExpectedRow {
    int location;
    std::set<std::string> ends;
    int next;
};

void ExpectTable(const PilotReport& report, const std::vector<ExpectedRow>& want)
{
    std::size_t r = 0;
    for (const ExpectedRow& w : want) {
        while (r < report.rows.size() && report.rows[r].location == w.location && report.rows[r].end == "ship lost" &&
               report.rows[r].next == w.location)
            ++r;
        if (r == report.rows.size()) {
            ADD_FAILURE() << "the table ends before location " << w.location;
            return;
        }
        const PilotRow& row = report.rows[r++];
        EXPECT_EQ(row.location, w.location) << "row " << r << " of the table";
        EXPECT_TRUE(w.ends.count(row.end)) << "location " << row.location << " ended \"" << row.end << "\"";
        EXPECT_EQ(row.next, w.next) << "the location after " << row.location;
        if (row.location != w.location) return;
    }
    EXPECT_EQ(r, report.rows.size()) << "rows after the last expected one";
}

bool TryingGoals()
{
    const char* e = std::getenv("KORVANE_PILOT_GOALS");
    return e && *e;
}

// Goals from KORVANE_PILOT_GOALS ("c" the campaign, a number a single mission, "s4" sector 4 from
// the campaign page with a finished pilot's saves), for trying one.
std::vector<PilotGoal> GoalsFromEnvironment(std::vector<PilotGoal> fallback)
{
    const char* e = std::getenv("KORVANE_PILOT_GOALS");
    if (!e || !*e) return fallback;
    std::vector<PilotGoal> goals;
    for (const char* p = e; *p;) {
        if (*p == 'c') goals.push_back({PilotGoalKind::Campaign, 0}), ++p;
        else if (*p == 's') goals.push_back({PilotGoalKind::Sector, int(std::strtol(p + 1, const_cast<char**>(&p), 10))});
        else if (*p >= '0' && *p <= '9') goals.push_back({PilotGoalKind::SingleMission, int(std::strtol(p, const_cast<char**>(&p), 10))});
        else ++p;
    }
    return goals;
}

}  // namespace

// The story from the game menu's new campaign to the sector 12 finale: a sector lost is played
// again from its save. KORVANE_PILOT_GOALS=s7 tries one sector with a finished pilot's saves.
TEST_F(CampaignRun, TheStoryPlaysFromTheMenuToTheSectorTwelveFinale)
{
    PilotPlan plan;
    plan.goals = GoalsFromEnvironment({{PilotGoalKind::Campaign, 0}});
    for (const PilotGoal& g : plan.goals)
        if (g.kind == PilotGoalKind::Sector) WriteFinishedPilot();
    ShotCheckTakeFailures();
    const PilotReport report = Play(plan);
    EXPECT_TRUE(report.finished);
    // Every scripted shot on the way framed what it tells of.
    const std::vector<std::string> shots = ShotCheckTakeFailures();
    std::printf("%d shots measured, %zu failed\n", ShotCheckShotCount(), shots.size());
    for (const std::string& f : shots) ADD_FAILURE() << "shot: " << f;
    if (TryingGoals()) return;
    // The intros chain on their own; every sector is won on its results page and leads to the
    // next; sector 12's finale ends the campaign and the game menu comes back.
    std::vector<ExpectedRow> story = {{LOCATION_PLANET_INTRO_1, {""}, LOCATION_SPACE_INTRO_1},
                                      {LOCATION_SPACE_INTRO_1, {""}, LOCATION_PLANET_INTRO_2},
                                      {LOCATION_PLANET_INTRO_2, {""}, LOCATION_SPACE_INTRO_2},
                                      {LOCATION_SPACE_INTRO_2, {""}, LOCATION_SECTOR_FIRST}};
    for (int n = LOCATION_SECTOR_FIRST; n < LOCATION_SECTOR_LAST; ++n) story.push_back({n, {"won"}, n + 1});
    story.push_back({LOCATION_SECTOR_LAST, {"won at the finale"}, LOCATION_GAME_MENU});
    ExpectTable(report, story);
}

TEST_F(CampaignRun, EverySingleMissionStartsFromItsPageAndPlaysWithoutAStall)
{
    WriteFinishedPilot();
    PilotPlan plan;
    std::vector<PilotGoal> all;
    for (int m = 1; m <= 12; ++m) all.push_back({PilotGoalKind::SingleMission, m});
    plan.goals = GoalsFromEnvironment(all);
    const PilotReport report = Play(plan);
    EXPECT_TRUE(report.finished);
    if (TryingGoals()) return;
    // Each mission, in turn, ends back at the game menu: won, left after its time, or lost then.
    std::vector<ExpectedRow> missions;
    for (int m = LOCATION_SINGLE_FIRST; m <= LOCATION_SINGLE_LAST; ++m)
        missions.push_back({m, {"won", "left after five minutes", "ship lost"}, LOCATION_GAME_MENU});
    ExpectTable(report, missions);
}
