// Hit tests of a unit through its large parts: doors before the hull, the gate connector
// at each of its places, the vertical probe, the cockpit with its screens; and the route
// drawing of the debug view.
#include <gtest/gtest.h>

#include <vector>

#include "world/objects/attached_effect.h"
#include "world/objects/unit.h"
#include "world/draw_test_util.h"
#include "world/flight_test_util.h"

namespace {

class PartHitsTest : public FlightFixture {
protected:
    void TearDown() override
    {
        for (CAttachedEffect* e : effects_) delete e;
        for (CUnit* u : units_) {
            for (CAttachedEffect*& e : u->effects) e = nullptr;
            u->effectCount = 0;
            for (CMesh*& m : u->meshes) m = nullptr;
            u->meshCount = 0;
            delete u;
        }
        for (CMesh* m : meshes_) delete m;
        FlightFixture::TearDown();
    }
    CMesh* Mesh(float half, const std::vector<std::vector<meshgen::P3>>& lists = {})
    {
        CMesh* m = BoxMesh(half, lists);
        meshes_.push_back(m);
        return m;
    }
    CUnit* Station(float half, const std::vector<std::vector<meshgen::P3>>& lists = {})
    {
        CUnit* u = new CUnit();
        units_.push_back(u);
        MakeShip(*u, GTYPE_SP_STATION, Vec3());
        u->scale = u->scale2 = Vec3(1, 1, 1);
        u->meshes[0] = Mesh(half, lists);
        u->meshCount = 1;
        u->boundsCentre = Vec3();
        u->boundsRadius = half * 2.0f;
        return u;
    }
    CAttachedEffect* Part(CUnit* owner, int kind, float half, const Vec3& at)
    {
        CAttachedEffect* e = new CAttachedEffect();
        effects_.push_back(e);
        e->kind = kind;
        e->parent = owner;
        e->scale = e->scale2 = Vec3(1, 1, 1);
        e->meshes[0] = Mesh(half);
        e->meshCount = 1;
        e->boundsCentre = Vec3();
        e->boundsRadius = half * 2.0f;
        e->position = at;
        e->worldMatrix = MatrixTranslation(at.x, at.y, at.z);
        owner->effects[owner->effectCount++] = e;
        return e;
    }
    std::vector<CMesh*> meshes_;
    std::vector<CUnit*> units_;
    std::vector<CAttachedEffect*> effects_;
};

TEST_F(PartHitsTest, DoorInFrontOfTheHullReportsTheDoorsPoint)
{
    CUnit* s = Station(10.0f);
    const Vec3 seg[2] = {Vec3(0, 0, -50), Vec3(0, 0, 50)};
    Vec3 hit;
    ASSERT_TRUE(s->IntersectSegment(seg, &hit));
    EXPECT_NEAR(hit.z, -10.0f, 1e-3f);
    ASSERT_TRUE(s->IntersectRay(0.0f, seg, &hit));
    EXPECT_NEAR(hit.z, -10.0f, 1e-3f);

    Part(s, GEFFECT_GATEDOOR, 2.0f, Vec3(0, 0, -12));
    ASSERT_TRUE(s->IntersectSegment(seg, &hit));
    EXPECT_NEAR(hit.z, -14.0f, 1e-3f);
    ASSERT_TRUE(s->IntersectRay(0.0f, seg, &hit));
    EXPECT_NEAR(hit.z, -14.0f, 1e-3f);

    // The door is tried before a bay even when the bay is nearer the segment's start.
    Part(s, GEFFECT_GATEBAY, 2.0f, Vec3(0, 0, -30));
    ASSERT_TRUE(s->IntersectSegment(seg, &hit));
    EXPECT_NEAR(hit.z, -14.0f, 1e-3f);

    // A segment that misses everything.
    const Vec3 miss[2] = {Vec3(100, 0, -50), Vec3(100, 0, 50)};
    EXPECT_FALSE(s->IntersectSegment(miss, &hit));
    EXPECT_FALSE(s->IntersectRay(0.0f, miss, &hit));
    EXPECT_FALSE(s->IntersectSegment(nullptr, &hit));
    EXPECT_FALSE(s->IntersectRay(0.0f, seg, nullptr));
}

TEST_F(PartHitsTest, ConnectorStandsAtEachOfItsPlaces)
{
    std::vector<std::vector<meshgen::P3>> lists(9);
    lists[MESH_POINTS_CONNECTOR] = {{0, 40, 0}, {30, 0, 0}};
    CUnit* s = Station(10.0f, lists);
    CAttachedEffect* c = Part(s, GEFFECT_GATECONNECT, 1.0f, Vec3());
    Vec3 hit;
    // Along x the second place is met: the connector's box reaches out to x = 31.
    const Vec3 alongX[2] = {Vec3(100, 0, 0), Vec3(0, 0, 0)};
    ASSERT_TRUE(s->IntersectSegment(alongX, &hit));
    EXPECT_NEAR(hit.x, 31.0f, 1e-3f);
    ASSERT_TRUE(s->IntersectRay(0.0f, alongX, &hit));
    EXPECT_NEAR(hit.x, 31.0f, 1e-3f);
    ASSERT_TRUE(c->CollideParts(alongX, 1, &hit));
    EXPECT_NEAR(hit.x, 31.0f, 1e-3f);
    // Down y, the first place (x = 0, y != 0: up is z) is met.
    const Vec3 downY[2] = {Vec3(0, 100, 0), Vec3(0, 0, 0)};
    ASSERT_TRUE(c->HitTestParts(downY, &hit));
    EXPECT_NEAR(hit.y, 41.0f, 1e-3f);
    // Between the places there is only the hull.
    const Vec3 between[2] = {Vec3(20, 20, 100), Vec3(20, 20, -100)};
    EXPECT_FALSE(c->HitTestParts(between, &hit));

    // A parent without connector places has no connector to hit.
    CUnit* bare = Station(10.0f);
    CAttachedEffect* c2 = Part(bare, GEFFECT_GATECONNECT, 1.0f, Vec3());
    EXPECT_FALSE(c2->HitTestParts(alongX, &hit));
    EXPECT_FALSE(c2->CollideParts(alongX, 1, &hit));
}

TEST_F(PartHitsTest, VerticalProbeFindsParts)
{
    CUnit* s = Station(10.0f);
    EXPECT_EQ(s->IntersectPoint(Vec3(0, 0, 0)), 1);
    EXPECT_EQ(s->IntersectPoint(Vec3(40, 0, 0)), 0);
    Part(s, GEFFECT_ADDITION_PART, 3.0f, Vec3(40, 0, 0));
    EXPECT_EQ(s->IntersectPoint(Vec3(40, 0, 0)), 1);
    EXPECT_EQ(s->IntersectPoint(Vec3(60, 0, 0)), 0);
    // A part of a kind that is not among the large parts is not tested.
    Part(s, GEFFECT_SIGNBOARD, 3.0f, Vec3(80, 0, 0));
    EXPECT_EQ(s->IntersectPoint(Vec3(80, 0, 0)), 0);
}

TEST_F(PartHitsTest, CockpitStandsAtThePlayersCockpitPointWithItsScreens)
{
    std::vector<std::vector<meshgen::P3>> lists(9);
    lists[MESH_POINTS_COCKPIT] = {{0, 0, 5}};
    CUnit* player = Station(2.0f, lists);
    player->kind = GTYPE_SP_HEROSHIP;
    player->scale = Vec3(2, 2, 2);
    player->position = Vec3(100, 0, 0);
    player->worldMatrix = MatrixTranslation(100, 0, 0);
    g_PlayerObject = player;
    CAttachedEffect* cockpit = Part(player, GEFFECT_COCKPIT, 1.0f, Vec3(-500, 0, 0));
    // Cockpit point: (0, 0, 5) scaled by 2 and moved to the player: (100, 0, 10).
    const Vec3 down[2] = {Vec3(100, 50, 10), Vec3(100, -50, 10)};
    Vec3 hit;
    ASSERT_TRUE(cockpit->CollideParts(down, 1, &hit));
    EXPECT_NEAR(hit.y, 1.0f, 1e-3f);
    EXPECT_NEAR(cockpit->worldMatrix.m[3][2], 10.0f, 1e-4f);

    // A screen larger than the shell is placed at the same point and is hit.
    const Vec3 side[2] = {Vec3(100, 3, 60), Vec3(100, 3, -50)};
    EXPECT_FALSE(cockpit->CollideParts(side, 1, &hit));
    CAttachedEffect* screen = Part(player, GEFFECT_COCKPIT_SCREEN2, 4.0f, Vec3(-900, 0, 0));
    ASSERT_TRUE(cockpit->CollideParts(side, 1, &hit));
    EXPECT_NEAR(hit.z, 14.0f, 1e-3f);
    EXPECT_NEAR(screen->worldMatrix.m[3][0], 100.0f, 1e-4f);

    g_PlayerObject = nullptr;
    EXPECT_FALSE(cockpit->CollideParts(down, 1, &hit));
}

TEST_F(PartHitsTest, RouteDrawingSurvivesAnyRoute)
{
    CUnit* u = Station(1.0f);
    u->DrawDebugAxes();  // no route
    CWaypoint* a = new CWaypoint();
    CWaypoint* b = new CWaypoint();
    a->next = b;
    b->x = 10.0f;
    u->waypoints = a;
    u->DrawDebugAxes();
    u->waypoints = nullptr;
    delete b;
    delete a;
}

}  // namespace
