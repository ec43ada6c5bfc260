// Planet-world behaviour on a small grid: walking round a wall, following a person to
// talk, and the one-shot animations that hand back to the previous order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/planet/nav_grid.h"
#include "world/world.h"
#include "world/world_test_util.h"

namespace {

class PlanetBehaviour : public ::testing::Test {
protected:
    void SetUp() override
    {
        DestroyBothWorlds();
        g_WorldIndex = 0;
        g_LocationKind = 0;
        g_GameClock.Reset();
        // Rows are z = 0, 1, ...; '#' blocked. A wall across x = 8 with a gap at the top.
        std::vector<std::string> rows(16, std::string(16, '.'));
        for (int z = 0; z < 13; ++z) rows[size_t(z)][8] = '#';
        CNavGrid& g = g_World.navGrid;
        g.SetSize(16);
        ASSERT_TRUE(g.BuildNavGrid(NavUnitList{}));
        for (int r = 0; r < 16; ++r)
            for (int c = 0; c < 16; ++c) g.Cell(c, r)->blocked = rows[size_t(r)][size_t(c)] == '#';
        // The world's first unit is its landscape.
        CObjectList::Add(MakeUnit(GCLASS_LANDSCAPE, 0, Vec3()));
    }
    void TearDown() override
    {
        DestroyBothWorlds();
        g_World.navGrid.Free();
        g_WorldIndex = 1;
    }
    CUnit* Person(const Vec3& at, unsigned cls = GCLASS_CHARACTER_NPC)
    {
        CUnit* u = MakeUnit(cls, 3000, at);
        u->engineMax = 2.0f;
        u->collisionFlag = 1;
        u->timers[0] = g_GameClock.NowMs();
        CObjectList::Add(u);
        return u;
    }
    // Runs the planet step of the given units for the seconds of game time, 50 ms a frame.
    float walked = 0.0f;
    void Run(std::vector<CUnit*> units, float seconds, CUnit* watch = nullptr)
    {
        for (int f = 0; f < int(seconds * 20.0f); ++f) {
            g_GameClock.gameTime += 50.0;
            const Vec3 before = watch ? watch->position : Vec3();
            for (CUnit* u : units) u->UpdatePlanet();
            if (watch) {
                walked += Vec3Length(watch->position - before);
                ASSERT_TRUE(g_World.navGrid.IsCellFree(Vec3(watch->position.x, 0, watch->position.z)))
                    << "walked into the wall at (" << watch->position.x << ", " << watch->position.z << ")";
            }
        }
    }
};

TEST_F(PlanetBehaviour, WalkerGoesRoundTheWallAndStops)
{
    CUnit* p = Person(Vec3(4.5f, 0, 2.5f));
    const Vec3 goal(12.5f, 0, 2.5f);
    ASSERT_EQ(p->SetOrder(ACTION_MOVE, &goal, nullptr, 0), 1);
    Run({p}, 30.0f, p);
    EXPECT_NEAR(p->position.x, goal.x, 0.5f);
    EXPECT_NEAR(p->position.z, goal.z, 0.5f);
    EXPECT_EQ(p->orderType, ACTION_STAY);  // the walk popped back to standing
    // It had to go up through the gap: its way was far longer than the straight line.
    EXPECT_GT(walked, 8.0f + 10.0f);
}

TEST_F(PlanetBehaviour, FollowEndsOrTalksByTheSpeakersLines)
{
    struct Case {
        const char* name;
        bool reachable;
        uint32_t followerLines;
        int wantOrder;
        int wantSubState;
    };
    const Case cases[] = {
        {"unreachable person: stays", false, 1, ACTION_STAY, 0},
        {"speaker without lines: ends the follow", true, 0, ACTION_STAY, 0},
        {"speaker with lines: talks", true, 3, ACTION_FOLLOW, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        CUnit* hero = Person(c.reachable ? Vec3(6.5f, 0, 6.5f) : Vec3(8.5f, 0, 5.5f), GCLASS_CHARACTER_HERO);
        g_PlayerObject = hero;
        CUnit* npc = Person(Vec3(2.5f, 0, 6.5f));
        npc->radioDialog.lineCount = c.followerLines;
        ASSERT_EQ(npc->SetOrder(ACTION_FOLLOW, hero, nullptr, 0), 1);
        Run({npc, hero}, 10.0f);
        EXPECT_EQ(npc->orderType, c.wantOrder);
        EXPECT_EQ(npc->orderSubState, c.wantSubState);
        if (c.wantSubState == 2) {
            // The hero was told to stay facing the one who talks to it.
            EXPECT_EQ(hero->orderType, ACTION_STAY);
            EXPECT_LT(Vec3Length(npc->position - hero->position), 2.0f);
        }
    }
}

TEST_F(PlanetBehaviour, OneShotAnimationsHandBack)
{
    CUnit* p = Person(Vec3(3.5f, 0, 3.5f));
    // Get-damage plays there and back, then the saved walk resumes.
    const Vec3 goal(5.5f, 0, 3.5f);
    ASSERT_EQ(p->SetOrder(ACTION_MOVE, &goal, nullptr, 0), 1);
    p->PushOrder();
    ASSERT_EQ(p->SetOrder(ACTION_GET_DAMAGE, nullptr, nullptr, 0), 1);
    Run({p}, 1.0f);
    EXPECT_EQ(p->orderType, ACTION_MOVE);

    // Guard: out, a one-second wait, back, then standing.
    ASSERT_EQ(p->SetOrder(ACTION_GUARD, nullptr, nullptr, 0), 1);
    Run({p}, 0.5f);
    EXPECT_EQ(p->orderType, ACTION_GUARD);
    Run({p}, 2.0f);
    EXPECT_EQ(p->orderType, ACTION_STAY);

    // Dead stays on its last frame, finished.
    ASSERT_EQ(p->SetOrder(ACTION_DEAD, nullptr, nullptr, 0), 1);
    Run({p}, 2.0f);
    EXPECT_EQ(p->orderType, ACTION_DEAD);
    EXPECT_EQ(p->animDirection, -1);
}

}  // namespace
