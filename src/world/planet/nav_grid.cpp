#include "world/planet/nav_grid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "app/settings.h"
#include "files/file_manager.h"
#include "platform/crt/rand.h"
#include "render/d3d_render.h"
#include "render/object_draw.h"
#include "world/objects/unit.h"

namespace {

constexpr float kSqrt2 = 1.41421356f;
// The eight neighbours, in scan order.
constexpr int kNeighbourDx[8] = {-1, 0, 1, -1, 1, -1, 0, 1};
constexpr int kNeighbourDz[8] = {-1, -1, -1, 0, 0, 1, 1, 1};
// A search that cannot make progress ends after this many passes on one cell.
constexpr int kMaxRepeats = 10;
// Routes longer than this smooth with the clearance map; shorter ones are cheap as they are.
constexpr int kClearanceRoute = 24;
// Kept between a jumped sample and the free square's edge, well above the rounding of a
// sample's coordinates on the largest grid.
constexpr float kJumpMargin = 0.01f;

// Squared distance from a cell's centre to the target, as the open-list scan measures it.
float TargetDistance(int column, int row, const Vec3& target)
{
    float dx = column + 0.5f - target.x, dz = row + 0.5f - target.z;
    return dx * dx + dz * dz;
}

// A four-ary min-heap on the entries' keys: half the depth of a binary one, and the
// children of a node share a cache line.
template <typename E>
void HeapUp(E* h, size_t i)
{
    const E e = h[i];
    while (i > 0) {
        const size_t parent = (i - 1) / 4;
        if (h[parent].key <= e.key) break;
        h[i] = h[parent];
        i = parent;
    }
    h[i] = e;
}

template <typename E>
void HeapPopFront(E* h, size_t n)
{
    const E e = h[n - 1];
    --n;
    size_t i = 0;
    for (;;) {
        const size_t first = 4 * i + 1;
        if (first >= n) break;
        size_t best = first;
        const size_t last = std::min(first + 4, n);
        for (size_t k = first + 1; k < last; ++k)
            if (h[k].key < h[best].key) best = k;
        if (e.key <= h[best].key) break;
        h[i] = h[best];
        i = best;
    }
    if (n > 0) h[i] = e;
}

uint64_t HeapKey(float distance, uint32_t order)
{
    uint32_t bits;
    std::memcpy(&bits, &distance, 4);
    return uint64_t(bits) << 32 | order;
}

float StepLength(int dx, int dz) { return (dx != 0 && dz != 0) ? kSqrt2 : 1.0f; }

// Costs that agree once cut to three decimals, or that differ by at most 0.001.
bool SameCost(float a, float b)
{
    return std::trunc(a * 1000.0f) == std::trunc(b * 1000.0f) || std::fabs(a - b) <= 0.001f;
}

bool IsObstacleClass(unsigned objectClass)
{
    return objectClass == GCLASS_STONE || objectClass == GCLASS_STATIC || objectClass == GCLASS_LOW;
}

CWaypoint* NewWaypoint(const Vec3& p)
{
    CWaypoint* w = new CWaypoint;
    w->x = p.x;
    w->y = p.y;
    w->z = p.z;
    return w;
}

} // namespace

void FreeRoute(CWaypoint* route)
{
    while (route) {
        CWaypoint* next = route->next;
        delete route;
        route = next;
    }
}

CNavGrid::~CNavGrid() { Free(); }

void CNavGrid::Free()
{
    ClearOpenNodes();
    delete[] cells;
    cells = nullptr;
    size = 0;
    std::vector<HeapEntry>().swap(heap_);
    std::vector<uint32_t>().swap(cellNodes_);
    std::vector<uint32_t>().swap(cellOldest_);
    std::vector<uint16_t>().swap(clearance_);
    heapLive_ = 0;
}

bool CNavGrid::Allocate(int n)
{
    ClearOpenNodes();
    delete[] cells;
    cells = nullptr;
    if (n <= 0 || n > kMaxNavGridSize) {
        DebugOutF("Navigation grid: size %d refused", n);
        return false;
    }
    size_t count = size_t(n) * size_t(n);
    cells = new (std::nothrow) NavCell[count];
    if (!cells) {
        DebugOutF("Navigation grid: no memory for %d x %d cells", n, n);
        return false;
    }
    std::memset(cells, 0, count * sizeof(NavCell));
    size = n;
    return true;
}

bool CNavGrid::IsPointBlocked(const Vec3& point, const NavUnitList& units)
{
    for (int i = 1; i < units.count; ++i) {
        CUnit* u = units.units[i];
        if (u && IsObstacleClass(u->objectClass) && u->IntersectSegment(point)) return true;
    }
    return false;
}

bool CNavGrid::BuildNavGrid(const NavUnitList& units)
{
    if (!Allocate(size)) return false;
    // An obstacle is probed only on the cells its mesh and box can cover; the probe is a
    // ray against every triangle, the bounds test a few compares.
    for (int i = 1; i < units.count; ++i) {
        CUnit* u = units.units[i];
        if (!u || !IsObstacleClass(u->objectClass)) continue;
        float b[4];
        if (!ObjectHitBoundsXZ(*u, b)) continue;
        const int c0 = std::max(0, int(std::floor(b[0] - 0.5f - kJumpMargin)));
        const int c1 = std::min(size - 1, int(std::ceil(b[1] - 0.5f + kJumpMargin)));
        const int r0 = std::max(0, int(std::floor(b[2] - 0.5f - kJumpMargin)));
        const int r1 = std::min(size - 1, int(std::ceil(b[3] - 0.5f + kJumpMargin)));
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c) {
                NavCell* cell = Cell(c, r);
                if (!cell->blocked && u->IntersectSegment(CellCentre(c, r))) cell->blocked = 1;
            }
    }
    // A tree blocks the cells within 2.0 of its trunk (the cell centre at height 0).
    for (int i = 0; i < units.count; ++i) {
        CUnit* u = units.units[i];
        if (!u || u->objectClass != GCLASS_TREE) continue;
        const Vec3 at = u->position;
        if (!(std::fabs(at.x) < 1.0e7f && std::fabs(at.z) < 1.0e7f)) continue;
        const int c0 = std::max(0, int(std::floor(at.x - 3.0f))), c1 = std::min(size - 1, int(std::ceil(at.x + 2.0f)));
        const int r0 = std::max(0, int(std::floor(at.z - 3.0f))), r1 = std::min(size - 1, int(std::ceil(at.z + 2.0f)));
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c)
                if (Vec3Length(at - CellCentre(c, r)) < 2.0f) Cell(c, r)->blocked = 1;
    }
    return true;
}

bool CNavGrid::LoadMapPointsFromMemory(const void* data, size_t length)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    if (!bytes || length < 4) {
        DebugOut("MapPoints.dat: file too short, the grid is built instead");
        return false;
    }
    int32_t count;
    std::memcpy(&count, bytes, 4);
    int64_t expected = int64_t(size) * int64_t(size);
    if (size <= 0 || size > kMaxNavGridSize || count != expected) {
        DebugOutF("MapPoints.dat: %d cells for a grid of %d x %d, the grid is built instead", count, size, size);
        return false;
    }
    if (uint64_t(length) != 4 + uint64_t(expected) * sizeof(NavCell)) {
        DebugOutF("MapPoints.dat: %zu bytes do not hold %d cells, the grid is built instead", length, count);
        return false;
    }
    if (!Allocate(size)) return false;
    const uint8_t* p = bytes + 4;
    for (int64_t i = 0; i < expected; ++i, p += sizeof(NavCell)) {
        cells[i].blocked = p[0];
        cells[i].occupied = p[1];
        std::memcpy(&cells[i].cost, p + 4, 4);
    }
    return true;
}

bool CNavGrid::LoadMapPoints(const char* path)
{
    uint32_t length = 0;
    int handle = CFileManager::Open(path, FILE_KIND_WORLD, &length);
    if (handle == -1) return false;
    bool ok = false;
    uint8_t* data = new (std::nothrow) uint8_t[length ? length : 1];
    if (data && CFileManager::Read(data, 1, length, handle) == length)
        ok = LoadMapPointsFromMemory(data, length);
    else
        DebugOutF("MapPoints.dat: can't read \"%s\"", path);
    delete[] data;
    CFileManager::Close(handle);
    return ok;
}

void CNavGrid::LoadOrBuildNavGrid(const char* mainLocPath, const NavUnitList& units)
{
    char path[512];
    size_t cut = 0;
    if (mainLocPath) {
        for (size_t i = 0; mainLocPath[i]; ++i)
            if (mainLocPath[i] == '/' || mainLocPath[i] == '\\') cut = i + 1;
    }
    if (cut + sizeof("MapPoints.dat") <= sizeof(path)) {
        std::memcpy(path, mainLocPath, cut);
        std::memcpy(path + cut, "MapPoints.dat", sizeof("MapPoints.dat"));
        if (LoadMapPoints(path)) return;
    }
    BuildNavGrid(units);
}

size_t CNavGrid::SaveMapPoints(uint8_t* out, size_t capacity) const
{
    if (!HasGrid()) return 0;
    size_t count = size_t(size) * size_t(size);
    size_t need = 4 + count * sizeof(NavCell);
    if (!out || capacity < need) return 0;
    int32_t n = int32_t(count);
    std::memcpy(out, &n, 4);
    uint8_t* p = out + 4;
    for (size_t i = 0; i < count; ++i, p += sizeof(NavCell)) {
        p[0] = cells[i].blocked;
        p[1] = cells[i].occupied;
        p[2] = 0;
        p[3] = 0;
        std::memcpy(p + 4, &cells[i].cost, 4);
    }
    return need;
}

bool CNavGrid::CellOf(const Vec3& point, int* column, int* row) const
{
    // The range [0, N] admits x = N, which lies beyond the last column: refused.
    if (!(point.x >= 0.0f && point.x < float(size) && point.z >= 0.0f && point.z < float(size))) return false;
    int c = int(point.x), r = int(point.z);
    if (!IsInside(c, r)) return false;
    *column = c;
    *row = r;
    return true;
}

bool CNavGrid::IsCellFree(const Vec3& point) const
{
    int c, r;
    if (!HasGrid() || !CellOf(point, &c, &r)) return false;
    return IsFree(c, r);
}

void CNavGrid::PushOpenNode(int column, int row)
{
    NavOpenNode* n = new NavOpenNode{column, row, openNodes};
    openNodes = n;
    ++openCount;
}

void CNavGrid::RemoveOpenNode(int column, int row)
{
    for (NavOpenNode** link = &openNodes; *link; link = &(*link)->next) {
        NavOpenNode* n = *link;
        if (n->column == column && n->row == row) {
            *link = n->next;
            delete n;
            --openCount;
            return;
        }
    }
}

void CNavGrid::ClearOpenNodes()
{
    while (openNodes) {
        NavOpenNode* next = openNodes->next;
        delete openNodes;
        openNodes = next;
    }
    openCount = 0;
}

void CNavGrid::ExpandPathNode(int column, int row)
{
    float base = Cell(column, row)->cost;
    for (int k = 0; k < 8; ++k) {
        int c = column + kNeighbourDx[k], r = row + kNeighbourDz[k];
        if (!IsFree(c, r)) continue;
        float cost = base + StepLength(kNeighbourDx[k], kNeighbourDz[k]);
        NavCell* n = Cell(c, r);
        if (n->cost > cost) {
            n->cost = cost;
            PushOpenNode(c, r);
        }
    }
    RemoveOpenNode(column, row);
}

bool CNavGrid::PickNearestOpenNode(const Vec3& target, int* column, int* row) const
{
    bool found = false;
    float best = 0.0f;
    for (const NavOpenNode* n = openNodes; n; n = n->next) {
        float dx = n->column + 0.5f - target.x, dz = n->row + 0.5f - target.z;
        float d = dx * dx + dz * dz;
        if (!found || d <= best) {
            best = d;
            *column = n->column;
            *row = n->row;
            found = true;
        }
    }
    return found;
}

CWaypoint* CNavGrid::StepPathBack(int endColumn, int endRow, int startColumn, int startRow) const
{
    // Built from the end backwards, so each new waypoint goes in front.
    CWaypoint* route = NewWaypoint(CellCentre(endColumn, endRow));
    int c = endColumn, r = endRow;
    // Every step lowers the cost, so a route never holds more cells than the grid.
    for (int guard = size * size; (c != startColumn || r != startRow) && guard > 0; --guard) {
        float cost = Cell(c, r)->cost;
        int nextC = -1, nextR = -1;
        int lowC = -1, lowR = -1;
        float low = cost;
        for (int k = 0; k < 8; ++k) {
            int nc = c + kNeighbourDx[k], nr = r + kNeighbourDz[k];
            bool isStart = nc == startColumn && nr == startRow;
            if (!IsInside(nc, nr) || (!isStart && !IsFree(nc, nr))) continue;
            float ncost = Cell(nc, nr)->cost;
            if (SameCost(ncost, cost - StepLength(kNeighbourDx[k], kNeighbourDz[k]))) {
                nextC = nc;
                nextR = nr;
            }
            if (ncost < low) {
                low = ncost;
                lowC = nc;
                lowR = nr;
            }
        }
        // A cell whose wave value came from a neighbour that was lowered later has no exact
        // predecessor; its cheapest neighbour still leads down to the start.
        if (nextC < 0) {
            nextC = lowC;
            nextR = lowR;
        }
        if (nextC < 0) break;
        c = nextC;
        r = nextR;
        CWaypoint* w = NewWaypoint(CellCentre(c, r));
        w->next = route;
        route = w;
    }
    return route;
}

void CNavGrid::ComputeClearance()
{
    // A frame of zeros around the grid stands for the cells off it.
    const int n = size, w = size + 2;
    clearance_.assign(size_t(w) * size_t(w), 0);
    uint16_t* k = clearance_.data();
    // Two passes of the chessboard distance: from the top left, then from the bottom right.
    for (int r = 0; r < n; ++r) {
        const NavCell* cell = cells + size_t(r) * n;
        uint16_t* row = k + size_t(r + 1) * w + 1;
        const uint16_t* above = row - w;
        for (int c = 0; c < n; ++c) {
            if (cell[c].blocked || cell[c].occupied) continue;
            row[c] = uint16_t(1 + std::min(std::min(row[c - 1], above[c - 1]), std::min(above[c], above[c + 1])));
        }
    }
    for (int r = n - 1; r >= 0; --r) {
        uint16_t* row = k + size_t(r + 1) * w + 1;
        const uint16_t* below = row + w;
        for (int c = n - 1; c >= 0; --c) {
            if (row[c] == 0) continue;
            const int v = 1 + std::min(std::min(row[c + 1], below[c + 1]), std::min(below[c], below[c - 1]));
            if (v < row[c]) row[c] = uint16_t(v);
        }
    }
}

namespace {
// Sample i of the leg from a towards c, exactly as the smoothing takes it.
Vec3 LegSample(const CWaypoint* a, const CWaypoint* c, int i, int samples)
{
    float t = float(i) / float(samples);
    return Vec3(a->x + (c->x - a->x) * t, 0.0f, a->z + (c->z - a->z) * t);
}
} // namespace

int CNavGrid::SkipFreeSamples(const CWaypoint* a, const CWaypoint* c, int from, int samples) const
{
    const Vec3 p = LegSample(a, c, from, samples);
    const int pc = int(p.x), pr = int(p.z);
    const int k = clearance_[size_t(pc + 1) + size_t(pr + 1) * size_t(size + 2)];
    if (k < 2) return from + 1;
    // Every cell of this square is free; samples inside it need no look.
    const float lox = float(pc - (k - 1)) + kJumpMargin, hix = float(pc + k) - kJumpMargin;
    const float loz = float(pr - (k - 1)) + kJumpMargin, hiz = float(pr + k) - kJumpMargin;
    const float dx = c->x - a->x, dz = c->z - a->z;
    float exit = 2.0f;
    if (dx > 0.0f) exit = std::min(exit, (hix - a->x) / dx);
    if (dx < 0.0f) exit = std::min(exit, (lox - a->x) / dx);
    if (dz > 0.0f) exit = std::min(exit, (hiz - a->z) / dz);
    if (dz < 0.0f) exit = std::min(exit, (loz - a->z) / dz);
    int last = std::min(samples, int(exit * float(samples)));
    // The line runs straight, so samples between two inside the square are inside too;
    // the last one is checked as it will be computed.
    for (int tries = 0; tries < 2 && last > from; ++tries, --last) {
        const Vec3 q = LegSample(a, c, last, samples);
        if (q.x >= lox && q.x <= hix && q.z >= loz && q.z <= hiz) return last + 1;
    }
    return from + 1;
}

void CNavGrid::SmoothPath(CWaypoint* route)
{
    int length = 0;
    for (const CWaypoint* w = route; w; w = w->next) ++length;
    // On a long route every leg is tested from the same waypoint again and again: the
    // free squares of the clearance map let the samples jump, so open ground stays cheap.
    const bool jumps = length > kClearanceRoute && HasGrid();
    if (jumps) ComputeClearance();
    CWaypoint* a = route;
    while (a && a->next && a->next->next) {
        CWaypoint* b = a->next;
        CWaypoint* c = b->next;
        // Ten samples, and more on long legs: spaced a whole cell or more apart they
        // could step over a wall one cell thick.
        float legLength = std::sqrt((c->x - a->x) * (c->x - a->x) + (c->z - a->z) * (c->z - a->z));
        int samples = 10;
        if (legLength * 4.0f > float(samples)) samples = int(std::ceil(legLength * 4.0f));
        bool clear = true;
        for (int i = 1; i <= samples && clear;) {
            clear = IsCellFree(LegSample(a, c, i, samples));
            i = clear && jumps ? SkipFreeSamples(a, c, i, samples) : i + 1;
        }
        if (clear) {
            a->next = c;
            delete b;
        } else {
            a = b;
        }
    }
}

CWaypoint* CNavGrid::FindPath(CUnit* unit, const Vec3& target)
{
    if (!unit) return nullptr;
    if (unit->collisionFlag == 0) return NewWaypoint(target);
    return FindPathFrom(unit->position, target);
}

void CNavGrid::HeapReset()
{
    heap_.clear();
    cellNodes_.assign(size_t(size) * size_t(size), 0);
    cellOldest_.resize(size_t(size) * size_t(size));
    nextOrder_ = 0;
    openings_ = 0;
    heapLive_ = 0;
}

void CNavGrid::HeapPush(int column, int row, const Vec3& target)
{
    const int32_t cell = column + row * size;
    const uint32_t order = nextOrder_++;
    if (cellNodes_[size_t(cell)]++ == 0) {
        cellOldest_[size_t(cell)] = order;
        ++openings_;
        heap_.push_back(HeapEntry{HeapKey(TargetDistance(column, row, target), order), cell, int16_t(column), int16_t(row)});
        HeapUp(heap_.data(), heap_.size() - 1);
    }
    ++heapLive_;
}

void CNavGrid::HeapTakeBackNewest(int column, int row)
{
    const size_t cell = size_t(column + row * size);
    if (cellNodes_[cell] == 0) return;
    --cellNodes_[cell];
    --heapLive_;
}

bool CNavGrid::HeapPick(int* column, int* row)
{
    // Entries of cells whose nodes are all gone (or that came back later) are stale.
    while (!heap_.empty()) {
        const HeapEntry& top = heap_.front();
        if (cellNodes_[size_t(top.cell)] && cellOldest_[size_t(top.cell)] == uint32_t(top.key)) break;
        HeapPopFront(heap_.data(), heap_.size());
        heap_.pop_back();
    }
    if (heap_.empty()) return false;
    *column = heap_.front().column;
    *row = heap_.front().row;
    return true;
}

void CNavGrid::HeapExpand(int column, int row, const Vec3& target)
{
    float base = Cell(column, row)->cost;
    // Away from the edges every neighbour is inside the grid.
    const bool inner = column > 0 && row > 0 && column < size - 1 && row < size - 1;
    for (int k = 0; k < 8; ++k) {
        int c = column + kNeighbourDx[k], r = row + kNeighbourDz[k];
        if (!inner && !IsInside(c, r)) continue;
        const NavCell* free = Cell(c, r);
        if (free->blocked || free->occupied) continue;
        float cost = base + StepLength(kNeighbourDx[k], kNeighbourDz[k]);
        NavCell* n = Cell(c, r);
        if (n->cost > cost) {
            n->cost = cost;
            HeapPush(c, r, target);
        }
    }
    HeapTakeBackNewest(column, row);
}

CWaypoint* CNavGrid::FindPathFrom(const Vec3& start, const Vec3& target)
{
    int targetC, targetR, startC, startR;
    if (!HasGrid() || !CellOf(target, &targetC, &targetR) || !IsFree(targetC, targetR)) return nullptr;
    if (!CellOf(start, &startC, &startR)) return nullptr;

    size_t count = size_t(size) * size_t(size);
    for (size_t i = 0; i < count; ++i) cells[i].cost = kNavUnreached;
    ClearOpenNodes();
    HeapReset();
    Cell(startC, startR)->cost = 0.0f;
    HeapPush(startC, startR, target);

    int c = startC, r = startR;
    int prevC = -1, prevR = -1;
    // A search that cannot get there ends at the cell nearest the target it reached,
    // not at whichever cell the wave happened to expand last.
    int nearC = startC, nearR = startR;
    float nearest = Vec3LengthSq(CellCentre(c, r) - Vec3(target.x, 0.0f, target.z));
    repeatCount = 0;
    // The repeat limit ends a search that stalls; this one ends any that wanders.
    long long passes = 64LL * size * size;
    while ((c != targetC || r != targetR) && passes-- > 0) {
        HeapExpand(c, r, target);
        if (heapLive_ == 0) break;
        HeapPick(&c, &r);
        if (c == prevC && r == prevR) {
            if (++repeatCount >= kMaxRepeats) break;
        } else {
            repeatCount = 0;
        }
        prevC = c;
        prevR = r;
        float d = Vec3LengthSq(CellCentre(c, r) - Vec3(target.x, 0.0f, target.z));
        if (d < nearest) {
            nearest = d;
            nearC = c;
            nearR = r;
        }
    }
    if (c != targetC || r != targetR) {
        c = nearC;
        r = nearR;
    }

    CWaypoint* route = StepPathBack(c, r, startC, startR);
    SmoothPath(route);
    if (route->next) {
        CWaypoint* rest = route->next;
        delete route;
        route = rest;
    }
    return route;
}

bool CNavGrid::RandomFreePoint(Vec3* point)
{
    if (!HasGrid() || !point) return false;
    // The draws alone would never end on a grid without a free cell.
    long long draws = 4LL * size * size;
    if (draws < 64) draws = 64;
    for (long long i = 0; i < draws; ++i) {
        int r = GameRand() % size;
        int c = GameRand() % size;
        if (IsFree(c, r)) {
            *point = CellCentre(c, r);
            return true;
        }
    }
    for (int r = 0; r < size; ++r)
        for (int c = 0; c < size; ++c)
            if (IsFree(c, r)) {
                *point = CellCentre(c, r);
                return true;
            }
    DebugOut("Navigation grid: no free cell");
    return false;
}

CUnit* CNavGrid::SpawnPerson(CUnit* station, int slot, int objectId)
{
    if (!station || slot < 0 || slot >= kMaxDocked) return nullptr;
    CUnit* ship = station->dockedUnits[slot];
    if (!ship || ship->pilot.headText[0] == '\0' || station->slotIds[slot].shipId == -1) return nullptr;

    char path[sizeof(ship->pilot.headText) + 16];
    std::snprintf(path, sizeof(path), "%s", ship->pilot.headText);
    if (!std::strstr(path, ".obj")) {
        size_t len = std::strlen(path);
        std::snprintf(path + len, sizeof(path) - len, "%s", ship->pilot.sex == 0 ? "/Man.obj" : "/Woman.obj");
    }

    CUnit* person = new CUnit();
    if (!person->Load(path, objectId)) {
        person->Release();
        delete person;
        return nullptr;
    }
    Vec3 p;
    if (!RandomFreePoint(&p)) {
        person->Release();
        delete person;
        return nullptr;
    }
    person->position = p;
    person->rotation.y = float(GameRand() % 101) / 30.0f - 1.5f;
    station->slotIds[slot].personId = objectId;
    std::snprintf(person->displayName, sizeof(person->displayName), "%s", ship->pilot.pilotName);
    return person;
}

void CNavGrid::DrawNavGrid()
{
    GfxDevice* device = g_D3DRender.device;
    if (!HasGrid() || !device) return;
    struct Vertex {
        float x, y, z;
        uint32_t colour;
    };
    constexpr int kQuadsPerDraw = 256;
    Vertex batch[kQuadsPerDraw * 6];
    int quads = 0;

    device->SetRenderState(D3DRS_FOGENABLE, 0);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    g_D3DRender.SetLighting(0);
    g_D3DRender.SetTexture(-1, 1);
    Matrix identity = MatrixIdentity();
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);

    auto flush = [&]() {
        if (quads) device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, unsigned(quads * 2), batch, sizeof(Vertex));
        quads = 0;
    };
    for (int r = 0; r < size; ++r) {
        for (int c = 0; c < size; ++c) {
            const NavCell* cell = Cell(c, r);
            if (!cell->blocked && !cell->occupied) continue;
            uint32_t colour = cell->blocked ? 0x80FF0000u : 0x80FFFF00u;
            float x0 = float(c), x1 = float(c + 1), z0 = float(r), z1 = float(r + 1);
            Vertex* v = batch + quads * 6;
            v[0] = {x0, 0.05f, z1, colour};
            v[1] = {x1, 0.05f, z1, colour};
            v[2] = {x0, 0.05f, z0, colour};
            v[3] = {x0, 0.05f, z0, colour};
            v[4] = {x1, 0.05f, z1, colour};
            v[5] = {x1, 0.05f, z0, colour};
            if (++quads == kQuadsPerDraw) flush();
        }
    }
    flush();
    // Back to the default states' culling that the models drawn after the grid expect.
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
}
