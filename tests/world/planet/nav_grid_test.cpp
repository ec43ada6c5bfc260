// Navigation grid: the wave search on open, blocked, corridor and edge maps, smoothing,
// free-cell queries, MapPoints.dat acceptance and the persons of a docked station.
#include "world/planet/nav_grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "../../../tools/datagen/models/mesh_builder.h"
#include "platform/crt/rand.h"
#include "platform/gfx/null_device.h"
#include "render/d3d_render.h"
#include "render/mesh.h"
#include "world/unit_test_util.h"
#include "world/objects/unit.h"

namespace {

// Rows top to bottom are z = 0, 1, ...; characters are x. '#' blocked, 'o' occupied.
void MakeGrid(CNavGrid& g, const std::vector<std::string>& rows)
{
    g.SetSize(int(rows.size()));
    ASSERT_TRUE(g.BuildNavGrid(NavUnitList{}));
    for (int r = 0; r < g.size; ++r)
        for (int c = 0; c < g.size; ++c) {
            g.Cell(c, r)->blocked = rows[r][c] == '#';
            g.Cell(c, r)->occupied = rows[r][c] == 'o';
        }
}

std::vector<Vec3> Points(const CWaypoint* w)
{
    std::vector<Vec3> v;
    for (; w; w = w->next) v.push_back(Vec3(w->x, w->y, w->z));
    return v;
}

// Every leg of the route, from the start cell's centre, stays off blocked cells; a leg may
// shave a blocked cell's corner (diagonal steps do) but never go deep into one.
void ExpectWalkable(const CNavGrid& g, const Vec3& start, const std::vector<Vec3>& route)
{
    Vec3 a = CNavGrid::CellCentre(int(start.x), int(start.z));
    for (const Vec3& b : route) {
        EXPECT_TRUE(g.IsCellFree(b));
        for (int i = 0; i <= 200; ++i) {
            Vec3 p = a + (b - a) * (i / 200.0f);
            if (g.IsCellFree(p)) continue;
            float fx = p.x - std::floor(p.x), fz = p.z - std::floor(p.z);
            float depth = std::min(std::min(fx, 1.0f - fx), std::min(fz, 1.0f - fz));
            EXPECT_LT(depth, 0.2f) << "leg to (" << b.x << ", " << b.z << ") crosses (" << p.x << ", " << p.z << ")";
        }
        a = b;
    }
}

std::vector<std::string> Open(int n) { return std::vector<std::string>(size_t(n), std::string(size_t(n), '.')); }

} // namespace

TEST(NavGridSearch, OpenMapGivesOneStraightLeg)
{
    CNavGrid g;
    MakeGrid(g, Open(16));
    // Straight along a row, then diagonally: smoothing leaves only the end.
    CWaypoint* w = g.FindPathFrom(Vec3(0.5f, 0, 0.5f), Vec3(10.2f, 0, 0.7f));
    auto p = Points(w);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_FLOAT_EQ(p[0].x, 10.5f);
    EXPECT_FLOAT_EQ(p[0].z, 0.5f);
    FreeRoute(w);
    w = g.FindPathFrom(Vec3(1.5f, 0, 1.5f), Vec3(12.5f, 0, 9.5f));
    p = Points(w);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_FLOAT_EQ(p[0].x, 12.5f);
    EXPECT_FLOAT_EQ(p[0].z, 9.5f);
    FreeRoute(w);
    EXPECT_EQ(g.openNodes, nullptr);
    EXPECT_EQ(g.openCount, 0);
}

TEST(NavGridSearch, NeighbourAndSameCell)
{
    CNavGrid g;
    MakeGrid(g, Open(8));
    CWaypoint* w = g.FindPathFrom(Vec3(3.2f, 0, 3.9f), Vec3(4.1f, 0, 4.1f));
    auto p = Points(w);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_FLOAT_EQ(p[0].x, 4.5f);
    EXPECT_FLOAT_EQ(p[0].z, 4.5f);
    FreeRoute(w);
    // The start cell itself: one waypoint at its centre.
    w = g.FindPathFrom(Vec3(3.2f, 0, 3.9f), Vec3(3.7f, 0, 3.1f));
    p = Points(w);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_FLOAT_EQ(p[0].x, 3.5f);
    EXPECT_FLOAT_EQ(p[0].z, 3.5f);
    FreeRoute(w);
}

TEST(NavGridSearch, OffGridAndUnfreeTargetsAndStartsAreRefused)
{
    CNavGrid g;
    MakeGrid(g, {"....", ".#o.", "....", "...."});
    const Vec3 s(0.5f, 0, 0.5f);
    EXPECT_EQ(g.FindPathFrom(s, Vec3(1.5f, 0, 1.5f)), nullptr);   // blocked
    EXPECT_EQ(g.FindPathFrom(s, Vec3(2.5f, 0, 1.5f)), nullptr);   // occupied
    EXPECT_EQ(g.FindPathFrom(s, Vec3(4.0f, 0, 1.5f)), nullptr);   // x = N
    EXPECT_EQ(g.FindPathFrom(s, Vec3(1.5f, 0, 4.0f)), nullptr);   // z = N
    EXPECT_EQ(g.FindPathFrom(s, Vec3(-0.2f, 0, 1.5f)), nullptr);  // just below 0 would cut to column 0
    EXPECT_EQ(g.FindPathFrom(s, Vec3(NAN, 0, 1.5f)), nullptr);
    EXPECT_EQ(g.FindPathFrom(Vec3(-3, 0, 1), Vec3(3.5f, 0, 3.5f)), nullptr);
    EXPECT_EQ(g.FindPathFrom(Vec3(1, 0, 99), Vec3(3.5f, 0, 3.5f)), nullptr);
    EXPECT_FALSE(g.IsCellFree(Vec3(4.0f, 0, 0.5f)));
    EXPECT_TRUE(g.IsCellFree(Vec3(3.999f, 0, 0.5f)));
    EXPECT_TRUE(g.IsCellFree(Vec3(0.0f, 0, 0.0f)));

    // Without a grid nothing is free and nothing is found.
    CNavGrid none;
    EXPECT_FALSE(none.IsCellFree(Vec3(0.5f, 0, 0.5f)));
    EXPECT_EQ(none.FindPathFrom(s, Vec3(0.5f, 0, 0.5f)), nullptr);
}

TEST(NavGridSearch, WallWithAGapIsWalkedAround)
{
    CNavGrid g;
    std::vector<std::string> rows = Open(16);
    for (int r = 0; r < 12; ++r) rows[r][8] = '#';
    MakeGrid(g, rows);
    const Vec3 start(2.5f, 0, 2.5f), target(13.5f, 0, 2.5f);
    CWaypoint* w = g.FindPathFrom(start, target);
    auto p = Points(w);
    ASSERT_FALSE(p.empty());
    EXPECT_FLOAT_EQ(p.back().x, 13.5f);
    EXPECT_FLOAT_EQ(p.back().z, 2.5f);
    ExpectWalkable(g, start, p);
    // It must pass below the wall's end.
    bool below = false;
    for (auto& v : p) below |= v.z >= 12.0f;
    EXPECT_TRUE(below);
    FreeRoute(w);
}

TEST(NavGridSearch, WindingCorridorIsFollowed)
{
    CNavGrid g;
    MakeGrid(g, {
        "##########",
        "#........#",
        "########.#",
        "#........#",
        "#.########",
        "#........#",
        "##########",
        "##########",
        "##########",
        "##########",
    });
    const Vec3 start(1.5f, 0, 1.5f), target(8.5f, 0, 5.5f);
    CWaypoint* w = g.FindPathFrom(start, target);
    auto p = Points(w);
    ASSERT_FALSE(p.empty());
    EXPECT_FLOAT_EQ(p.back().x, 8.5f);
    EXPECT_FLOAT_EQ(p.back().z, 5.5f);
    ExpectWalkable(g, start, p);
    // The corners stay: end of each straight stretch.
    EXPECT_GE(p.size(), 4u);
    FreeRoute(w);
}

TEST(NavGridSearch, DeadEndStopsWithThePartialRoute)
{
    CNavGrid g;
    // The start is walled in: the wave cannot leave its cell.
    MakeGrid(g, {"###.....", "#.#.....", "###.....", "........", "........", "........", "........", "........"});
    CWaypoint* w = g.FindPathFrom(Vec3(1.5f, 0, 1.5f), Vec3(6.5f, 0, 6.5f));
    auto p = Points(w);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_FLOAT_EQ(p[0].x, 1.5f);
    EXPECT_FLOAT_EQ(p[0].z, 1.5f);
    FreeRoute(w);
    EXPECT_EQ(g.openCount, 0);

    // The target is walled in: the route ends next to the wall, on free cells.
    MakeGrid(g, {"........", "........", "........", "........", "........", ".....###", ".....#.#", ".....###"});
    const Vec3 start(0.5f, 0, 0.5f);
    w = g.FindPathFrom(start, Vec3(6.5f, 0, 6.5f));
    p = Points(w);
    ASSERT_FALSE(p.empty());
    ExpectWalkable(g, start, p);
    // The nearest cells reached lie beside the ring, 2 from the target.
    EXPECT_FLOAT_EQ(Vec3Length(p.back() - Vec3(6.5f, 0, 6.5f)), 2.0f);
    FreeRoute(w);
}

TEST(NavGridSearch, EdgeOfTheGrid)
{
    CNavGrid g;
    std::vector<std::string> rows = Open(12);
    // Only the outer ring is free between the two corners.
    for (int r = 1; r < 11; ++r)
        for (int c = 1; c < 11; ++c) rows[r][c] = '#';
    MakeGrid(g, rows);
    const Vec3 start(0.5f, 0, 11.5f), target(11.5f, 0, 0.5f);
    CWaypoint* w = g.FindPathFrom(start, target);
    auto p = Points(w);
    ASSERT_FALSE(p.empty());
    EXPECT_FLOAT_EQ(p.back().x, 11.5f);
    EXPECT_FLOAT_EQ(p.back().z, 0.5f);
    ExpectWalkable(g, start, p);
    FreeRoute(w);
}

TEST(NavGridSearch, UnitWithoutCollisionGoesStraight)
{
    CNavGrid g;
    MakeGrid(g, Open(4));
    CUnit u;
    u.position = Vec3(0.5f, 0, 0.5f);
    u.collisionFlag = 0;
    // Even off the grid: a single waypoint at the target itself.
    CWaypoint* w = g.FindPath(&u, Vec3(9.25f, 1.0f, -3.0f));
    auto p = Points(w);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0], Vec3(9.25f, 1.0f, -3.0f));
    FreeRoute(w);
    u.collisionFlag = 1;
    EXPECT_EQ(g.FindPath(&u, Vec3(9.25f, 1.0f, -3.0f)), nullptr);
    w = g.FindPath(&u, Vec3(3.5f, 0, 0.5f));
    ASSERT_NE(w, nullptr);
    EXPECT_FLOAT_EQ(w->x, 3.5f);
    FreeRoute(w);
}

TEST(NavGridSmooth, StraightCorridorKeepsOnlyTheEnds)
{
    CNavGrid g;
    MakeGrid(g, {"........", "########", "........", "........", "........", "........", "........", "........"});
    CWaypoint* route = nullptr;
    for (int c = 7; c >= 0; --c) {
        CWaypoint* w = new CWaypoint;
        w->x = c + 0.5f;
        w->z = 0.5f;
        w->next = route;
        route = w;
    }
    g.SmoothPath(route);
    auto p = Points(route);
    ASSERT_EQ(p.size(), 2u);
    EXPECT_FLOAT_EQ(p[0].x, 0.5f);
    EXPECT_FLOAT_EQ(p[1].x, 7.5f);
    FreeRoute(route);
}

TEST(NavGridSmooth, CornerRoundAnObstacleStays)
{
    CNavGrid g;
    MakeGrid(g, {"....", ".##.", ".##.", "...."});
    // Down the left side and along the bottom: the diagonal would cross the block.
    const float pts[][2] = {{0.5f, 0.5f}, {0.5f, 1.5f}, {0.5f, 2.5f}, {0.5f, 3.5f}, {1.5f, 3.5f}, {2.5f, 3.5f}, {3.5f, 3.5f}};
    CWaypoint* route = nullptr;
    for (int i = 6; i >= 0; --i) {
        CWaypoint* w = new CWaypoint;
        w->x = pts[i][0];
        w->z = pts[i][1];
        w->next = route;
        route = w;
    }
    g.SmoothPath(route);
    auto p = Points(route);
    ASSERT_EQ(p.size(), 3u);
    EXPECT_FLOAT_EQ(p[1].x, 0.5f);
    EXPECT_FLOAT_EQ(p[1].z, 3.5f);
    FreeRoute(route);
    g.SmoothPath(nullptr);  // nothing to do
}

TEST(NavGridOpenList, PushRemoveFirstMatchAndClear)
{
    CNavGrid g;
    g.PushOpenNode(1, 1);
    g.PushOpenNode(2, 2);
    g.PushOpenNode(1, 1);
    EXPECT_EQ(g.openCount, 3);
    g.RemoveOpenNode(1, 1);  // the newest copy
    EXPECT_EQ(g.openCount, 2);
    ASSERT_NE(g.openNodes, nullptr);
    EXPECT_EQ(g.openNodes->column, 2);
    g.RemoveOpenNode(5, 5);
    EXPECT_EQ(g.openCount, 2);
    // Equal distances: the later (older) node wins.
    g.PushOpenNode(3, 1);
    int c = -1, r = -1;
    ASSERT_TRUE(g.PickNearestOpenNode(Vec3(2.5f, 0, 1.5f), &c, &r));
    EXPECT_EQ(c, 1);
    EXPECT_EQ(r, 1);
    g.ClearOpenNodes();
    EXPECT_EQ(g.openCount, 0);
    EXPECT_FALSE(g.PickNearestOpenNode(Vec3(), &c, &r));
}

TEST(NavGridSearch, TraceBackWithStaleCostsStillReachesTheStart)
{
    CNavGrid g;
    MakeGrid(g, Open(6));
    for (int i = 0; i < 36; ++i) g.cells[i].cost = kNavUnreached;
    // A chain whose middle value was lowered after its successor took its cost.
    g.Cell(0, 0)->cost = 0.0f;
    g.Cell(1, 0)->cost = 0.5f;
    g.Cell(2, 0)->cost = 2.0f;
    g.Cell(3, 0)->cost = 3.0f;
    CWaypoint* w = g.StepPathBack(3, 0, 0, 0);
    auto p = Points(w);
    ASSERT_EQ(p.size(), 4u);
    EXPECT_FLOAT_EQ(p.front().x, 0.5f);
    EXPECT_FLOAT_EQ(p.back().x, 3.5f);
    FreeRoute(w);
}

TEST(NavGridFreePoint, FindsTheOnlyFreeCellAndGivesUpOnAFullGrid)
{
    CNavGrid g;
    std::vector<std::string> rows(8, std::string(8, '#'));
    rows[5][2] = '.';
    MakeGrid(g, rows);
    GameSrand(0);
    Vec3 p(-1, -1, -1);
    ASSERT_TRUE(g.RandomFreePoint(&p));
    EXPECT_EQ(p, Vec3(2.5f, 0, 5.5f));

    g.Cell(2, 5)->occupied = 1;
    p = Vec3(-1, -1, -1);
    EXPECT_FALSE(g.RandomFreePoint(&p));
    EXPECT_EQ(p, Vec3(-1, -1, -1));

    CNavGrid none;
    EXPECT_FALSE(none.RandomFreePoint(&p));
}

TEST(NavGridFreePoint, DrawsRowThenColumn)
{
    CNavGrid g;
    MakeGrid(g, Open(10));
    GameSrand(7);
    int row = GameRand() % 10, column = GameRand() % 10;
    GameSrand(7);
    Vec3 p;
    ASSERT_TRUE(g.RandomFreePoint(&p));
    EXPECT_EQ(p, Vec3(column + 0.5f, 0, row + 0.5f));
}

// ---- building and MapPoints.dat ----

namespace {

CMesh* SphereMesh()
{
    std::vector<uint8_t> bytes = meshgen::Serialize(meshgen::MakeUnitSphere());
    MeshFileData f;
    if (!ParseMeshFile(bytes.data(), bytes.size(), &f)) return nullptr;
    CMesh* m = new CMesh;
    m->m_VertexType = 0;
    m->Build(f);
    return m;
}

std::vector<uint8_t> MapPointsBytes(int32_t count, size_t cells)
{
    std::vector<uint8_t> b(4 + cells * 8, 0);
    std::memcpy(b.data(), &count, 4);
    return b;
}

} // namespace

TEST(NavGridBuild, TreesAndObstaclesBlockTheirCells)
{
    CMesh* sphere = SphereMesh();
    ASSERT_NE(sphere, nullptr);
    CUnit landscape, rock, tree, walker, stoneFirst;
    landscape.objectClass = GCLASS_LANDSCAPE;
    rock.objectClass = GCLASS_STONE;
    rock.meshes[0] = sphere;
    rock.meshCount = 1;
    rock.position = Vec3(5, 0, 5);
    rock.worldMatrix = MatrixTranslation(5, 0, 5);
    rock.drawMatrix = rock.worldMatrix;
    rock.UpdateBounds();
    tree.objectClass = GCLASS_TREE;
    tree.position = Vec3(12, 0, 12);
    walker.objectClass = GCLASS_CHARACTER_NPC;
    walker.position = Vec3(2, 0, 12);

    CUnit* list[] = {&landscape, &rock, &tree, &walker};
    CNavGrid g;
    g.SetSize(16);
    ASSERT_TRUE(g.BuildNavGrid(NavUnitList{list, 4}));
    // The rock covers the four cells round its centre.
    EXPECT_TRUE(g.Cell(4, 4)->blocked);
    EXPECT_TRUE(g.Cell(5, 5)->blocked);
    EXPECT_FALSE(g.Cell(6, 5)->blocked);
    EXPECT_TRUE(CNavGrid::IsPointBlocked(Vec3(5.2f, 0, 4.8f), NavUnitList{list, 4}));
    // The tree: cells whose centre is nearer than 2.0.
    EXPECT_TRUE(g.Cell(11, 11)->blocked);   // 0.71
    EXPECT_TRUE(g.Cell(13, 12)->blocked);   // 1.58
    EXPECT_FALSE(g.Cell(14, 12)->blocked);  // 2.55
    EXPECT_FALSE(g.Cell(2, 12)->blocked);   // walkers block nothing
    // The world's first unit is never an obstacle.
    CUnit* first[] = {&rock};
    EXPECT_FALSE(CNavGrid::IsPointBlocked(Vec3(5, 0, 5), NavUnitList{first, 1}));
    rock.meshes[0] = nullptr;
    rock.meshCount = 0;
    delete sphere;
    (void)stoneFirst;
}

TEST(NavGridBuild, UnusableSizeBuildsNothing)
{
    CNavGrid g;
    EXPECT_FALSE(g.BuildNavGrid(NavUnitList{}));
    g.SetSize(kMaxNavGridSize + 1);
    EXPECT_FALSE(g.BuildNavGrid(NavUnitList{}));
    EXPECT_FALSE(g.HasGrid());
    g.SetSize(-5);
    EXPECT_FALSE(g.BuildNavGrid(NavUnitList{}));
}

TEST(NavGridMapPoints, AcceptedWhenCountAndLengthMatch)
{
    CNavGrid a;
    MakeGrid(a, {"#..o", "....", ".#..", "...."});
    a.Cell(3, 3)->cost = 7.25f;
    std::vector<uint8_t> bytes(4 + 16 * 8);
    ASSERT_EQ(a.SaveMapPoints(bytes.data(), bytes.size()), bytes.size());
    EXPECT_EQ(a.SaveMapPoints(bytes.data(), bytes.size() - 1), 0u);

    CNavGrid b;
    b.SetSize(4);
    ASSERT_TRUE(b.LoadMapPointsFromMemory(bytes.data(), bytes.size()));
    EXPECT_TRUE(b.Cell(0, 0)->blocked);
    EXPECT_TRUE(b.Cell(3, 0)->occupied);
    EXPECT_TRUE(b.Cell(1, 2)->blocked);
    EXPECT_FALSE(b.Cell(1, 1)->blocked);
    EXPECT_FLOAT_EQ(b.Cell(3, 3)->cost, 7.25f);
}

TEST(NavGridMapPoints, RefusedWhenCountOrLengthIsWrong)
{
    CNavGrid g;
    g.SetSize(4);
    auto bytes = MapPointsBytes(15, 15);
    EXPECT_FALSE(g.LoadMapPointsFromMemory(bytes.data(), bytes.size()));
    bytes = MapPointsBytes(16, 15);  // short
    EXPECT_FALSE(g.LoadMapPointsFromMemory(bytes.data(), bytes.size()));
    bytes = MapPointsBytes(16, 17);  // trailing bytes
    EXPECT_FALSE(g.LoadMapPointsFromMemory(bytes.data(), bytes.size()));
    bytes = MapPointsBytes(-16, 16);
    EXPECT_FALSE(g.LoadMapPointsFromMemory(bytes.data(), bytes.size()));
    EXPECT_FALSE(g.LoadMapPointsFromMemory(bytes.data(), 3));
    EXPECT_FALSE(g.LoadMapPointsFromMemory(nullptr, 0));
    EXPECT_FALSE(g.HasGrid());
    // No landscape size: even an empty file is refused.
    CNavGrid none;
    bytes = MapPointsBytes(0, 0);
    EXPECT_FALSE(none.LoadMapPointsFromMemory(bytes.data(), bytes.size()));
}

class NavGridFilesTest : public UnitFilesTest {};

TEST_F(NavGridFilesTest, LocationFolderFileOrBuiltGrid)
{
    CUnit landscape, tree;
    landscape.objectClass = GCLASS_LANDSCAPE;
    tree.objectClass = GCLASS_TREE;
    tree.position = Vec3(1, 0, 1);
    CUnit* list[] = {&landscape, &tree};
    const NavUnitList units{list, 2};

    // Missing: built (the tree blocks the corner).
    CNavGrid g;
    g.SetSize(4);
    g.LoadOrBuildNavGrid("Data/Locations.Planet/Base/Main.loc", units);
    ASSERT_TRUE(g.HasGrid());
    EXPECT_TRUE(g.Cell(0, 0)->blocked);

    // Present and right: read, nothing built (the file has no blocked cells).
    auto bytes = MapPointsBytes(16, 16);
    bytes[4 + 8 * 15] = 1;
    WriteFile("Data/Locations.Planet/Base/MapPoints.dat", std::string(bytes.begin(), bytes.end()));
    CNavGrid h;
    h.SetSize(4);
    h.LoadOrBuildNavGrid("Data\\Locations.Planet\\Base\\Main.loc", units);
    ASSERT_TRUE(h.HasGrid());
    EXPECT_FALSE(h.Cell(0, 0)->blocked);
    EXPECT_TRUE(h.Cell(3, 3)->blocked);

    // Present but for another size: refused, built instead.
    CNavGrid k;
    k.SetSize(5);
    k.LoadOrBuildNavGrid("Data/Locations.Planet/Base/Main.loc", units);
    ASSERT_TRUE(k.HasGrid());
    EXPECT_EQ(k.size, 5);
    EXPECT_TRUE(k.Cell(0, 0)->blocked);
}

TEST_F(NavGridFilesTest, SpawnPersonForADockedShip)
{
    UnitText head;
    head.name = "Person";
    head.cls = "GCLASS_CHARACTER_NPC";
    head.kind = "GTYPE_NPC";
    WriteFile("Data/Heads/Pilot/Woman.obj", head.Text());

    CNavGrid g;
    MakeGrid(g, {"####", "##.#", "####", "####"});
    CUnit station;
    CUnit* ship = new CUnit;
    station.dockedUnits[3] = ship;
    station.dockedCount = 4;
    station.slotIds[3].shipId = 101;
    ship->pilot.sex = 1;
    std::strcpy(ship->pilot.pilotName, "Ирма");

    // No head text, an empty slot, a slot whose ship left: nobody.
    EXPECT_EQ(g.SpawnPerson(&station, 3, 9), nullptr);
    std::strcpy(ship->pilot.headText, "Data/Heads/Pilot");
    EXPECT_EQ(g.SpawnPerson(&station, 2, 9), nullptr);
    EXPECT_EQ(g.SpawnPerson(&station, 16, 9), nullptr);
    EXPECT_EQ(g.SpawnPerson(&station, -1, 9), nullptr);
    station.slotIds[3].shipId = -1;
    EXPECT_EQ(g.SpawnPerson(&station, 3, 9), nullptr);
    station.slotIds[3].shipId = 101;

    GameSrand(3);
    CUnit* person = g.SpawnPerson(&station, 3, 9);
    ASSERT_NE(person, nullptr);
    EXPECT_EQ(person->pilot.objectId, 9);
    EXPECT_EQ(station.slotIds[3].personId, 9);
    EXPECT_EQ(person->position, Vec3(2.5f, 0, 1.5f));
    EXPECT_GE(person->rotation.y, -1.5f);
    EXPECT_LE(person->rotation.y, 100.0f / 30.0f - 1.5f + 1e-5f);
    EXPECT_STREQ(person->displayName, "Ирма");
    person->Release();
    delete person;

    // A man's file is missing: nobody, and the slot keeps its old person.
    ship->pilot.sex = 0;
    station.slotIds[3].personId = -1;
    EXPECT_EQ(g.SpawnPerson(&station, 3, 10), nullptr);
    EXPECT_EQ(station.slotIds[3].personId, -1);
    // A head text naming the file itself is used as it is.
    std::strcpy(ship->pilot.headText, "Data/Heads/Pilot/Woman.obj");
    person = g.SpawnPerson(&station, 3, 11);
    ASSERT_NE(person, nullptr);
    person->Release();
    delete person;
    station.Release();
}

TEST(NavGridDraw, BlockedAndOccupiedCellsAsQuads)
{
    D3DPRESENT_PARAMETERS params;
    params.BackBufferWidth = 800;
    params.BackBufferHeight = 600;
    params.Windowed = 1;
    NullGfxDevice* dev = new NullGfxDevice(params);
    GfxDevice* old = g_D3DRender.device;
    g_D3DRender.device = dev;

    CNavGrid g;
    MakeGrid(g, {"#..o", "....", "....", "...."});
    g.DrawNavGrid();
    EXPECT_EQ(dev->Count("DrawPrimitiveUP 4 4 16"), 1u);  // two quads, one draw
    EXPECT_EQ(dev->State().rs[D3DRS_FOGENABLE], 0u);
    // The models drawn after the grid need the default culling back.
    EXPECT_EQ(dev->State().rs[D3DRS_CULLMODE], unsigned(D3DCULL_CW));
    // Many cells still draw in a few batches.
    std::vector<std::string> full(64, std::string(64, '#'));
    MakeGrid(g, full);
    dev->ClearCalls();
    g.DrawNavGrid();
    EXPECT_EQ(dev->Count("DrawPrimitiveUP"), 16u);

    g_D3DRender.device = old;
    dev->Release();
}

namespace {

// The search as the open list runs it (every node scanned, the newest match taken back),
// with the dense smoothing: what the heap and the jumping samples must give exactly.
std::vector<Vec3> ListSearch(CNavGrid& g, const Vec3& start, const Vec3& target)
{
    int tc, tr, c, r;
    if (!g.CellOf(target, &tc, &tr) || !g.IsFree(tc, tr) || !g.CellOf(start, &c, &r)) return {};
    for (int i = 0; i < g.size * g.size; ++i) g.cells[i].cost = kNavUnreached;
    const int sc = c, sr = r;
    g.Cell(c, r)->cost = 0.0f;
    g.PushOpenNode(c, r);
    int pc = -1, pr = -1, repeats = 0, nc = c, nr = r;
    float nearest = Vec3LengthSq(CNavGrid::CellCentre(c, r) - Vec3(target.x, 0, target.z));
    long long passes = 64LL * g.size * g.size;
    while ((c != tc || r != tr) && passes-- > 0) {
        g.ExpandPathNode(c, r);
        if (!g.openNodes) break;
        g.PickNearestOpenNode(target, &c, &r);
        if (c == pc && r == pr) {
            if (++repeats >= 10) break;
        } else {
            repeats = 0;
        }
        pc = c, pr = r;
        float d = Vec3LengthSq(CNavGrid::CellCentre(c, r) - Vec3(target.x, 0, target.z));
        if (d < nearest) nearest = d, nc = c, nr = r;
    }
    if (c != tc || r != tr) c = nc, r = nr;
    CWaypoint* route = g.StepPathBack(c, r, sc, sr);
    for (CWaypoint* a = route; a && a->next && a->next->next;) {
        CWaypoint *b = a->next, *e = b->next;
        float len = std::sqrt((e->x - a->x) * (e->x - a->x) + (e->z - a->z) * (e->z - a->z));
        int samples = len * 4.0f > 10.0f ? int(std::ceil(len * 4.0f)) : 10;
        bool clear = true;
        for (int i = 1; i <= samples && clear; ++i) {
            float t = float(i) / float(samples);
            clear = g.IsCellFree(Vec3(a->x + (e->x - a->x) * t, 0.0f, a->z + (e->z - a->z) * t));
        }
        if (clear) {
            a->next = e;
            delete b;
        } else {
            a = b;
        }
    }
    g.ClearOpenNodes();
    std::vector<Vec3> out = Points(route->next ? route->next : route);
    FreeRoute(route);
    return out;
}

} // namespace

// The bench maps and a few more: the heap search leaves the same costs in every cell and
// gives the same route as the scanned list.
TEST(NavGridSearch, HeapSearchMatchesTheListSearchExactly)
{
    const int n = 128;
    for (int pattern = 0; pattern < 5; ++pattern) {
        CNavGrid g;
        g.SetSize(n);
        ASSERT_TRUE(g.BuildNavGrid(NavUnitList{}));
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c) {
                bool b = false;
                if (pattern == 1) b = ((c * 7919 + r * 104729) % 97) < 15 && (c > 2 || r > 2) && (c < 125 || r < 125);
                if (pattern == 2) b = c == 64 && r < 120;
                if (pattern == 3) b = (c % 16 == 8 && r % 32 != 3) || (r == 70 && c > 10);
                if (pattern == 4) b = (c - 64) * (c - 64) + (r - 64) * (r - 64) < 400;
                g.Cell(c, r)->blocked = b;
                g.Cell(c, r)->occupied = pattern == 1 && (c * 31 + r * 17) % 211 == 0 && (c > 2 || r > 2);
            }
        const Vec3 targets[] = {Vec3(n - 1.5f, 0, 10.5f), Vec3(100.2f, 0, 120.7f), Vec3(3.5f, 0, 126.5f)};
        for (const Vec3& target : targets) {
            SCOPED_TRACE(testing::Message() << "map " << pattern << " target " << target.x << ", " << target.z);
            const Vec3 start(1.5f, 0, 1.5f);
            std::vector<Vec3> expected = ListSearch(g, start, target);
            std::vector<float> costs(size_t(n) * n);
            for (int i = 0; i < n * n; ++i) costs[size_t(i)] = g.cells[i].cost;
            CWaypoint* route = g.FindPathFrom(start, target);
            std::vector<Vec3> got = Points(route);
            FreeRoute(route);
            int differing = 0;
            for (int i = 0; i < n * n; ++i) differing += g.cells[i].cost != costs[size_t(i)];
            EXPECT_EQ(differing, 0);
            ASSERT_EQ(got.size(), expected.size());
            for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], expected[i]) << i;
        }
    }
}
