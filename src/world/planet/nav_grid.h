// The planet world's navigation grid: N x N unit cells over the landscape's x and z axes,
// the wave search that routes walkers over free cells, and the free-cell queries of the
// pointer, the scripts and the docking bay. The world container owns one grid and forwards
// its own operations of the same names to it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/math/math3d.h"

class CUnit;
class CWaypoint;

// One cell as the grid array and MapPoints.dat hold it (8 bytes).
struct NavCell {
    uint8_t blocked;   // 1: an obstacle covers the cell
    uint8_t occupied;  // set by the walkers
    uint8_t unused[2];
    float cost;        // the path search's wave value
};
static_assert(sizeof(NavCell) == 8, "grid cells are stored as 8 bytes");

// A node of the open list of the search, newest first.
struct NavOpenNode {
    int column;
    int row;
    NavOpenNode* next;
};

// The units the grid tests points against: the current world's unit list.
struct NavUnitList {
    CUnit* const* units = nullptr;
    int count = 0;
};

// Landscape headers can name any size; a grid larger than this is not built.
constexpr int kMaxNavGridSize = 2048;
// Cost of a cell the wave has not reached.
constexpr float kNavUnreached = 1000000.0f;

class CNavGrid {
public:
    int size = 0;                      // N; 0 when there is no grid
    NavCell* cells = nullptr;          // N x N, index = column + row x N
    NavOpenNode* openNodes = nullptr;
    int openCount = 0;                 // nodes on the open list
    int repeatCount = 0;               // passes of the last search that did not move

    CNavGrid() = default;
    ~CNavGrid();
    CNavGrid(const CNavGrid&) = delete;
    CNavGrid& operator=(const CNavGrid&) = delete;

    // Grid size from the landscape mesh (keeps the cells until Free).
    void SetSize(int n) { size = n; }
    // Frees the cells and the open list; size := 0.
    void Free();
    bool HasGrid() const { return cells != nullptr && size > 0; }

    // Allocates N x N zeroed cells and marks the ones obstacles cover. False without a
    // usable size (the grid stays absent).
    bool BuildNavGrid(const NavUnitList& units);
    // MapPoints.dat in place of a built grid. Refused (false, log line) when its count is
    // not N x N or its length does not hold exactly that many cells.
    bool LoadMapPointsFromMemory(const void* data, size_t length);
    bool LoadMapPoints(const char* path);
    // MapPoints.dat from the folder of a Main.loc path, or a built grid when it is missing
    // or refused. The location loader's step.
    void LoadOrBuildNavGrid(const char* mainLocPath, const NavUnitList& units);
    // The grid as MapPoints.dat bytes (count, then the cells); empty without a grid.
    size_t SaveMapPoints(uint8_t* out, size_t capacity) const;

    // Route from the unit to the target (the caller owns the list) or null.
    CWaypoint* FindPath(CUnit* unit, const Vec3& target);
    // Search from a start point; FindPath's work once the unit is taken apart.
    CWaypoint* FindPathFrom(const Vec3& start, const Vec3& target);
    void SmoothPath(CWaypoint* route);
    // Inside the grid and neither blocked nor occupied. x = N or z = N is outside.
    bool IsCellFree(const Vec3& point) const;
    static bool IsPointBlocked(const Vec3& point, const NavUnitList& units);
    // A random free cell's centre: row = rand % N, column = rand % N until free. Gives up
    // (false, point untouched) after a bounded number of draws or without a grid.
    bool RandomFreePoint(Vec3* point);
    // A walking person for the ship docked in the station's slot, loaded with the given
    // object id, placed on a random free cell and named after the ship's pilot; the slot's
    // person id := the id. The caller adds it to the world's units. Null when the slot has
    // no ship with a head text, or the person cannot be placed.
    CUnit* SpawnPerson(CUnit* station, int slot, int objectId);
    // Debug view: blocked and occupied cells as quads at height 0.05.
    void DrawNavGrid();

    // Open list.
    void PushOpenNode(int column, int row);
    void RemoveOpenNode(int column, int row);
    void ClearOpenNodes();

    // Cell of a point, or false when the point lies outside the grid.
    bool CellOf(const Vec3& point, int* column, int* row) const;
    NavCell* Cell(int column, int row) const { return cells + column + row * size; }
    bool IsInside(int column, int row) const { return column >= 0 && row >= 0 && column < size && row < size; }
    bool IsFree(int column, int row) const
    {
        if (!IsInside(column, row)) return false;
        const NavCell* c = Cell(column, row);
        return !c->blocked && !c->occupied;
    }
    static Vec3 CellCentre(int column, int row) { return Vec3(column + 0.5f, 0.0f, row + 0.5f); }

    // Nodes the last search put on its open list (a figure for the benches).
    uint32_t LastSearchNodes() const { return nextOrder_; }
    uint32_t LastSearchOpenings() const { return openings_; }

    // Steps of the search, exposed for tests.
    void ExpandPathNode(int column, int row);
    // The open node nearest the target (later nodes win ties); false on an empty list.
    bool PickNearestOpenNode(const Vec3& target, int* column, int* row) const;
    // The route from the start cell to the end cell by the wave's costs.
    CWaypoint* StepPathBack(int endColumn, int endRow, int startColumn, int startRow) const;

private:
    bool Allocate(int n);

    // The search's open list as a heap keyed by (distance to the target, insertion order):
    // the node the list scan picks (the nearest, the oldest on a tie) without walking the
    // list. All nodes of one cell lie at one distance and the expansion takes back a cell's
    // newest node, so a cell needs one heap entry for its oldest node and a count of the rest.
    struct HeapEntry {
        uint64_t key;   // the distance's bits (non-negative floats sort as integers), then the order
        int32_t cell;
        int16_t column, row;
    };
    std::vector<HeapEntry> heap_;
    std::vector<uint32_t> cellNodes_;    // per cell: its nodes on the open list
    std::vector<uint32_t> cellOldest_;   // per cell: insertion order of its oldest node
    uint32_t nextOrder_ = 0;
    uint32_t openings_ = 0;
    int heapLive_ = 0;
    // Per cell: how many rings around it are free (Chebyshev distance to the nearest cell
    // that is blocked, occupied or off the grid), for the smoothing's long legs.
    std::vector<uint16_t> clearance_;

    void HeapReset();
    void HeapPush(int column, int row, const Vec3& target);
    void HeapTakeBackNewest(int column, int row);
    bool HeapPick(int* column, int* row);
    void HeapExpand(int column, int row, const Vec3& target);
    void ComputeClearance();
    // The first sample index after `from` that may leave the free square around sample
    // `from`'s cell; from + 1 when no jump is certain.
    int SkipFreeSamples(const CWaypoint* a, const CWaypoint* c, int from, int samples) const;
};

// Frees a route returned by FindPath.
void FreeRoute(CWaypoint* route);
