#include "world/planet/nav_grid.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "app/settings.h"
#include "files/file_manager.h"
#include "platform/crt/rand.h"
#include "render/d3d_render.h"
#include "world/objects/unit.h"

namespace {

constexpr float kSqrt2 = 1.41421356f;
// The eight neighbours, in scan order.
constexpr int kNeighbourDx[8] = {-1, 0, 1, -1, 1, -1, 0, 1};
constexpr int kNeighbourDz[8] = {-1, -1, -1, 0, 0, 1, 1, 1};
// A search that cannot make progress ends after this many passes on one cell.
constexpr int kMaxRepeats = 10;

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
    for (int r = 0; r < size; ++r) {
        for (int c = 0; c < size; ++c) {
            Vec3 p = CellCentre(c, r);
            NavCell* cell = Cell(c, r);
            if (IsPointBlocked(p, units)) {
                cell->blocked = 1;
                continue;
            }
            // The nearest tree blocks the cells within 2.0 of its trunk.
            float nearest = -1.0f;
            for (int i = 0; i < units.count; ++i) {
                CUnit* u = units.units[i];
                if (!u || u->objectClass != GCLASS_TREE) continue;
                float d = Vec3Length(u->position - p);
                if (nearest < 0.0f || d < nearest) nearest = d;
            }
            if (nearest >= 0.0f && nearest < 2.0f) cell->blocked = 1;
        }
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

void CNavGrid::SmoothPath(CWaypoint* route)
{
    CWaypoint* a = route;
    while (a && a->next && a->next->next) {
        CWaypoint* b = a->next;
        CWaypoint* c = b->next;
        // Ten samples, and more on long legs: spaced a whole cell or more apart they
        // could step over a wall one cell thick.
        float length = std::sqrt((c->x - a->x) * (c->x - a->x) + (c->z - a->z) * (c->z - a->z));
        int samples = 10;
        if (length * 4.0f > float(samples)) samples = int(std::ceil(length * 4.0f));
        bool clear = true;
        for (int i = 1; i <= samples && clear; ++i) {
            float t = float(i) / float(samples);
            Vec3 p(a->x + (c->x - a->x) * t, 0.0f, a->z + (c->z - a->z) * t);
            clear = IsCellFree(p);
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

CWaypoint* CNavGrid::FindPathFrom(const Vec3& start, const Vec3& target)
{
    int targetC, targetR, startC, startR;
    if (!HasGrid() || !CellOf(target, &targetC, &targetR) || !IsFree(targetC, targetR)) return nullptr;
    if (!CellOf(start, &startC, &startR)) return nullptr;

    size_t count = size_t(size) * size_t(size);
    for (size_t i = 0; i < count; ++i) cells[i].cost = kNavUnreached;
    ClearOpenNodes();
    Cell(startC, startR)->cost = 0.0f;
    PushOpenNode(startC, startR);

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
        ExpandPathNode(c, r);
        if (!openNodes) break;
        PickNearestOpenNode(target, &c, &r);
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
    ClearOpenNodes();
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
