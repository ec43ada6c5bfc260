// The planet intros of the built data set: the walking grid is built where the objects
// stand, and a drawn planet frame allocates nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "dataset_util.h"
#include "locations/location_director.h"
#include "locations/location_loader.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {
std::atomic<bool> g_countNew{false};
std::atomic<long> g_newCalls{0};
} // namespace

// Counting replacements of the global allocation functions (the whole test binary uses them);
// left out of a sanitizer build, whose own keep watch over new and delete.
#if defined(__SANITIZE_ADDRESS__)
#define KORVANE_COUNT_NEW 0
#else
#define KORVANE_COUNT_NEW 1
// These are the allocation functions themselves: malloc and free belong together here.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n)
{
    if (g_countNew) ++g_newCalls;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept
{
    if (g_countNew) ++g_newCalls;
    return std::malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#endif

namespace {

class PlanetLocationTest : public testutil::DataSetTest {
protected:
    PlanetLocationTest() : DataSetTest("Data/Locations.hdr", true) {}
    void SetUp() override
    {
        DataSetTest::SetUp();
        if (!Entered()) return;
        g_Settings.audio = 0;
        g_Settings.cutScenes = 0;
        savedWorld_ = g_WorldIndex;
        savedKind_ = g_LocationKind;
        savedId_ = g_LocationDirector.locationId;
    }
    void TearDown() override
    {
        if (Entered()) {
            g_World.UnloadLocation();
            g_WorldIndex = savedWorld_;
            g_LocationKind = savedKind_;
            g_LocationDirector.locationId = savedId_;
        }
        DataSetTest::TearDown();
    }
    void Load(const char* folder, int id)
    {
        g_WorldIndex = 0;
        g_LocationKind = 0;
        g_GameMode = 1;
        g_LocationDirector.locationId = id;
        g_World.ResetForLocation();
        g_World.LoadLocation(folder);
    }
    int savedWorld_ = 0, savedKind_ = 0, savedId_ = 0;
};

TEST_P(PlanetLocationTest, WalkingGridIsBuiltWhereTheObjectsStand)
{
    for (auto [folder, id] : {std::pair{"Data/Locations.Planet/Intro 01", 110}, std::pair{"Data/Locations.Planet/Intro 02", 111}}) {
        SCOPED_TRACE(folder);
        Load(folder, id);
        const CNavGrid& grid = g_World.navGrid;
        ASSERT_TRUE(grid.HasGrid());
        NavUnitList units;
        units.units = CObjectList::units[0];
        units.count = int(CObjectList::unitCount[0]);
        // Each cell against every placed obstacle's footprint and every tree's reach.
        int blocked = 0, wrong = 0;
        for (int r = 0; r < grid.size; ++r)
            for (int c = 0; c < grid.size; ++c) {
                const Vec3 p = CNavGrid::CellCentre(c, r);
                bool expected = CNavGrid::IsPointBlocked(p, units);
                for (int i = 0; i < units.count && !expected; ++i)
                    expected = units.units[i]->objectClass == GCLASS_TREE && Vec3Length(units.units[i]->position - p) < 2.0f;
                blocked += expected;
                if (bool(grid.Cell(c, r)->blocked) != expected && ++wrong <= 5)
                    ADD_FAILURE() << "cell (" << c << ", " << r << ") blocked " << int(grid.Cell(c, r)->blocked);
            }
        EXPECT_EQ(wrong, 0);
        EXPECT_GT(blocked, 50);
        g_World.UnloadLocation();
    }
}

TEST_P(PlanetLocationTest, DrawnPlanetFrameAllocatesNothing)
{
    if (!KORVANE_COUNT_NEW) GTEST_SKIP() << "allocations are not counted in a sanitizer build";
    Load("Data/Locations.Planet/Intro 01", 110);
    ASSERT_GT(CObjectList::unitCount[0], 10u);
    static_cast<NullGfxDevice*>(g_D3DRender.device)->recording = false;
    g_World.Render();   // first frame: caches and sizes settle
    g_World.Render();
    g_newCalls = 0;
    g_countNew = true;
    g_World.Render();
    g_countNew = false;
    EXPECT_EQ(g_newCalls.load(), 0);
    static_cast<NullGfxDevice*>(g_D3DRender.device)->recording = true;
}

INSTANTIATE_TEST_SUITE_P(Archives, PlanetLocationTest, ::testing::Values(1));

} // namespace
