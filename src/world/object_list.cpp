#include "world/object_list.h"
#include "flight_ui/dialog_box.h"
#include "menus/station_menu.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "app/settings.h"
#include "audio/audio_manager.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/radio_menu.h"
#include "render/camera.h"
#include "world/objects/bullet.h"
#include "world/objects/effect_object.h"
#include "world/objects/item.h"
#include "world/objects/unit.h"
#include "world/world.h"

int CObjectList::nextId = -1;
uint32_t CObjectList::unitCount[2] = {0, 0};
uint32_t CObjectList::bulletCount[2] = {0, 0};
uint32_t CObjectList::effectCount[2] = {0, 0};
CUnit* CObjectList::units[2][kMaxUnits] = {};
CBullet* CObjectList::bullets[2][kMaxBullets] = {};
CEffectObject* CObjectList::effects[2][kMaxEffects] = {};

namespace {

constexpr int kFirstId = 5000;

int W() { return g_WorldIndex == 0 ? 0 : 1; }

float Distance(const Vec3& a, const Vec3& b) { return Vec3Length(a - b); }

CCamera& CurrentCamera() { return g_World.cameras[W()]; }

bool IsStarOrPlanet(const CUnit* u) { return u->kind == GTYPE_SP_STAR || u->kind == GTYPE_SP_PLANET; }

float MeanScale(const CGameObject* o) { return (o->scale.x + o->scale.y + o->scale.z) / 3.0f; }

// The bounding sphere lies within reach of the segment: its distance from the segment is
// at most its radius plus the margin.
bool SphereNearSegment(const CUnit* u, const Vec3& from, const Vec3& to, float margin)
{
    // A sphere beyond the segment's box (grown by its reach) is far: no division, no root.
    const float r = u->boundsRadius * MeanScale(u) + margin;
    const Vec3& c = u->position;
    if (c.x + r < std::min(from.x, to.x) || c.x - r > std::max(from.x, to.x) || c.y + r < std::min(from.y, to.y) ||
        c.y - r > std::max(from.y, to.y) || c.z + r < std::min(from.z, to.z) || c.z - r > std::max(from.z, to.z))
        return false;
    const Vec3 d = to - from;
    const float len2 = Vec3LengthSq(d);
    float t = len2 > 0.0f ? Vec3Dot(u->position - from, d) / len2 : 0.0f;
    t = std::clamp(t, 0.0f, 1.0f);
    const Vec3 nearest = from + d * t;
    const float reach = u->boundsRadius * MeanScale(u) + margin;
    return Distance(nearest, u->position) <= reach;
}

// Every pointer that names a doomed unit is cleared. The doomed units themselves are
// skipped: their own releases free what they own.
struct DoomedSet {
    std::vector<CUnit*> list;
    void Add(CUnit* u)
    {
        if (!u) return;
        list.push_back(u);
        // A station frees its docked ships with itself.
        for (int i = 0; i < u->dockedCount && i < kMaxDocked; ++i) Add(u->dockedUnits[i]);
    }
    void Seal() { std::sort(list.begin(), list.end()); }
    bool Has(const void* p) const
    {
        return p && std::binary_search(list.begin(), list.end(), static_cast<CUnit*>(const_cast<void*>(p)));
    }
    template <typename T>
    void Clear(T*& p) const
    {
        if (Has(p)) p = nullptr;
    }
};

void ScrubUnit(CUnit* u, const DoomedSet& doomed)
{
    if (!u || doomed.Has(u)) return;
    doomed.Clear(u->target);
    doomed.Clear(u->target2);
    doomed.Clear(u->bayUnit);
    doomed.Clear(u->bayRequestUnit);
    doomed.Clear(u->boundUnit);
    u->ForgetInSavedOrders(doomed.list.data(), doomed.list.size());
    for (CUnit*& g : u->guards) doomed.Clear(g);
    for (CUnit*& l : u->latchedUnits) doomed.Clear(l);
    for (CUnit*& t : u->transportEnds) doomed.Clear(t);
    for (int i = 0; i < kMaxUnitItems; ++i)
        if (u->items[i]) doomed.Clear(u->items[i]->lockTarget);
    // A docked ship that is destroyed on its own (one listed again while still docked) gives
    // up its place: the places after it move up, so the docked ships keep the first places
    // and the docked count stays true.
    for (int i = 0; i < kMaxDocked; ++i) {
        if (!doomed.Has(u->dockedUnits[i])) {
            if (i < u->dockedCount) ScrubUnit(u->dockedUnits[i], doomed);
            continue;
        }
        if (i >= u->dockedCount) {
            u->dockedUnits[i] = nullptr;
            continue;
        }
        UnitSlotIds ids = u->slotIds[i];
        ids.shipId = -1;
        for (int k = i; k + 1 < kMaxDocked; ++k) {
            u->dockedUnits[k] = u->dockedUnits[k + 1];
            u->slotIds[k] = u->slotIds[k + 1];
            u->dockStartTimes[k] = u->dockStartTimes[k + 1];
        }
        u->dockedUnits[kMaxDocked - 1] = nullptr;
        u->slotIds[kMaxDocked - 1] = ids;
        --u->dockedCount;
        --i;
    }
}

void Forget(const DoomedSet& doomed)
{
    for (int w = 0; w < 2; ++w) {
        for (uint32_t i = 0; i < CObjectList::unitCount[w]; ++i) ScrubUnit(CObjectList::units[w][i], doomed);
        for (uint32_t i = 0; i < CObjectList::bulletCount[w]; ++i) {
            CBullet* b = CObjectList::bullets[w][i];
            doomed.Clear(b->target);
            doomed.Clear(b->owner);
        }
    }
    doomed.Clear(g_PlayerObject);
    doomed.Clear(g_HeroStation);
    for (CCamera& c : g_World.cameras) {
        if (doomed.Has(c.target)) c.target = nullptr;
        doomed.Clear(c.shotUnit);
    }
    if (doomed.Has(g_MenuCamera.target)) g_MenuCamera.target = nullptr;
    doomed.Clear(g_MenuCamera.shotUnit);
    doomed.Clear(g_DialogBox.speaker);
    doomed.Clear(g_DialogBox.hoveredOwner);
    doomed.Clear(g_StationMenu.selectedShip);
    for (CUnit*& s : g_StationMenu.showcase) doomed.Clear(s);
    for (CObjectDataButton& r : g_StationMenu.shipRows) doomed.Clear(r.object);
    for (CUnit* u : doomed.list) g_AudioManager.UnbindEmitter(u);
    // A talk with a unit that goes ends; the radio menu's lists let it go.
    for (CUnit* u : doomed.list) {
        g_CommWindow.ForgetUnit(u);
        g_RadioMenu.ForgetUnit(u);
    }
}

bool IsListed(const CUnit* u)
{
    for (int w = 0; w < 2; ++w)
        for (uint32_t i = 0; i < CObjectList::unitCount[w]; ++i)
            if (CObjectList::units[w][i] == u) return true;
    return false;
}

// A ship that left a station's interior is listed again while its station still holds
// it: the list owns it then, and the station must not free it too.
void DisownListed(CUnit* station)
{
    for (int i = 0; i < station->dockedCount && i < kMaxDocked; ++i)
        if (station->dockedUnits[i] && IsListed(station->dockedUnits[i])) station->dockedUnits[i] = nullptr;
}

void DestroyUnit(CUnit* unit)
{
    // His camera, the scene scripts and the interior's way back all hold the ship.
    if (IsStationKindValue(unit->kind)) unit->PutOutPlayerShip();
    DisownListed(unit);
    DoomedSet doomed;
    doomed.Add(unit);
    doomed.Seal();
    Forget(doomed);
    unit->Release();
    delete unit;
}

void DestroyBullet(CBullet* bullet)
{
    g_AudioManager.UnbindEmitter(bullet);
    bullet->Release();
    delete bullet;
}

void DestroyEffect(CEffectObject* effect)
{
    g_AudioManager.UnbindEmitter(effect);
    effect->Release();
    delete effect;
}

template <typename T, int N>
int Find(T* (&list)[N], uint32_t count, const T* p)
{
    for (uint32_t i = 0; i < count; ++i)
        if (list[i] == p) return int(i);
    return -1;
}

template <typename T, int N>
void TakeOut(T* (&list)[N], uint32_t& count, int index)
{
    for (uint32_t i = uint32_t(index); i + 1 < count; ++i) list[i] = list[i + 1];
    list[--count] = nullptr;
}

bool Visible(CGameObject* o) { return CurrentCamera().IsObjectVisible(o); }

float CommRangeOr(float radius, const CUnit* unit)
{
    return radius < 0.0f && unit ? unit->commRange : radius;
}

}  // namespace

void CObjectList::ResetNextId()
{
    nextId = kFirstId;
}

int CObjectList::NextId()
{
    if (nextId == -1) nextId = kFirstId;
    return nextId++;
}

bool CObjectList::Add(CUnit* unit)
{
    if (!unit) return false;
    const int w = W();
    if (Find(units[w], unitCount[w], unit) >= 0) return true;  // listed once only
    if (unitCount[w] >= uint32_t(kMaxUnits)) {
        Remove(unit);
        return false;
    }
    units[w][unitCount[w]++] = unit;
    return true;
}

bool CObjectList::AddBullet(CBullet* bullet)
{
    if (!bullet) return false;
    const int w = W();
    if (bulletCount[w] >= uint32_t(kMaxBullets)) {
        DestroyBullet(bullet);
        return false;
    }
    bullets[w][bulletCount[w]++] = bullet;
    return true;
}

bool CObjectList::AddEffect(CEffectObject* effect)
{
    if (!effect) return false;
    const int w = W();
    if (effectCount[w] >= uint32_t(kMaxEffects)) {
        DestroyEffect(effect);
        return false;
    }
    effects[w][effectCount[w]++] = effect;
    return true;
}

void CObjectList::Remove(CUnit* unit)
{
    if (!unit) return;
    Detach(unit);
    DestroyUnit(unit);
}

void CObjectList::RemoveBullet(CBullet* bullet)
{
    if (!bullet) return;
    const int w = W();
    const int i = Find(bullets[w], bulletCount[w], bullet);
    if (i >= 0) TakeOut(bullets[w], bulletCount[w], i);
    DestroyBullet(bullet);
}

void CObjectList::RemoveEffect(CEffectObject* effect)
{
    if (!effect) return;
    const int w = W();
    const int i = Find(effects[w], effectCount[w], effect);
    if (i >= 0) TakeOut(effects[w], effectCount[w], i);
    DestroyEffect(effect);
}

namespace {

// The sphere copy of the units' list of one world, valid only inside UpdateAll, with the
// units sorted into the cells of a grid by their centres.
struct SphereCopy {
    static constexpr float kCell = 256.0f;
    static constexpr uint32_t kBuckets = 4096;
    bool valid = false;
    int world = 0;
    uint32_t count = 0;
    float maxRadius = 0.0f;
    struct Entry {
        float x, y, z, r;
    } entries[kMaxUnits];
    int32_t head[kBuckets];
    int32_t next[kMaxUnits];
    uint32_t outside[kMaxUnits];  // the units kept out of the grid
    uint32_t outsideCount = 0;
    uint32_t bucketStamp[kBuckets] = {};
    uint32_t stamp = 0;
};
SphereCopy s_Spheres;
// Farther than any unit moves within one update of the world.
constexpr float kSphereSlack = 64.0f;
// A box over more cells than this is scanned whole.
constexpr long kMaxCells = 512;

void DropSpheres() { s_Spheres.valid = false; }

long CellOf(float v) { return long(std::floor(v / SphereCopy::kCell)); }

uint32_t Bucket(long x, long y, long z)
{
    const uint64_t h = uint64_t(x) * 73856093u ^ uint64_t(y) * 19349663u ^ uint64_t(z) * 83492791u;
    return uint32_t(h % SphereCopy::kBuckets);
}

void TakeSpheres(int w)
{
    SphereCopy& c = s_Spheres;
    c.world = w;
    c.count = CObjectList::unitCount[w];
    c.maxRadius = 0.0f;
    c.outsideCount = 0;
    std::fill(std::begin(c.head), std::end(c.head), -1);
    for (uint32_t i = 0; i < c.count; ++i) {
        const CUnit* u = CObjectList::units[w][i];
        const float s = std::max({std::fabs(u->scale.x), std::fabs(u->scale.y), std::fabs(u->scale.z)});
        const float r = u->boundsRadius * s;
        c.entries[i] = {u->position.x, u->position.y, u->position.z, r};
        c.next[i] = -1;
        // Huge or far bodies (the sky, suns, planets, stations seen from afar) and anything
        // unplaceable stay out of the grid and are offered to every query.
        if (!(r < SphereCopy::kCell) || !std::isfinite(u->position.x) || !std::isfinite(u->position.y) ||
            !std::isfinite(u->position.z) || std::fabs(u->position.x) > 1e7f || std::fabs(u->position.y) > 1e7f ||
            std::fabs(u->position.z) > 1e7f) {
            c.entries[i].r = -1.0f;
            c.outside[c.outsideCount++] = i;
            continue;
        }
        if (r > c.maxRadius) c.maxRadius = r;
        const uint32_t b = Bucket(CellOf(u->position.x), CellOf(u->position.y), CellOf(u->position.z));
        c.next[i] = c.head[b];
        c.head[b] = int32_t(i);
    }
    c.valid = true;
}

}  // namespace

int CObjectList::ListWorld() { return W(); }

int CObjectList::NearUnits(const Vec3& lo, const Vec3& hi, float margin, uint32_t first, uint32_t* out)
{
    SphereCopy& c = s_Spheres;
    if (!c.valid || c.world != W()) return -1;
    const float grow = c.maxRadius + margin + kSphereSlack;
    const long x0 = CellOf(lo.x - grow), x1 = CellOf(hi.x + grow);
    const long y0 = CellOf(lo.y - grow), y1 = CellOf(hi.y + grow);
    const long z0 = CellOf(lo.z - grow), z1 = CellOf(hi.z + grow);
    if ((x1 - x0 + 1) * (y1 - y0 + 1) * (z1 - z0 + 1) > kMaxCells || x1 - x0 > kMaxCells || y1 - y0 > kMaxCells ||
        z1 - z0 > kMaxCells)
        return -1;
    int n = 0;
    // Units kept out of the grid are always candidates.
    for (uint32_t k = 0; k < c.outsideCount; ++k)
        if (c.outside[k] >= first) out[n++] = c.outside[k];
    // Each bucket once, though several cells of the box may share it: each unit once.
    if (++c.stamp == 0) {
        std::fill(std::begin(c.bucketStamp), std::end(c.bucketStamp), 0u);
        c.stamp = 1;
    }
    for (long x = x0; x <= x1; ++x)
        for (long y = y0; y <= y1; ++y)
            for (long z = z0; z <= z1; ++z) {
                const uint32_t b = Bucket(x, y, z);
                if (c.bucketStamp[b] == c.stamp) continue;
                c.bucketStamp[b] = c.stamp;
                for (int32_t i = c.head[b]; i >= 0; i = c.next[i]) {
                    if (uint32_t(i) < first) continue;
                    const SphereCopy::Entry& e = c.entries[i];
                    const float r = e.r + margin + kSphereSlack;
                    if (e.x + r < lo.x || e.x - r > hi.x || e.y + r < lo.y || e.y - r > hi.y || e.z + r < lo.z ||
                        e.z - r > hi.z)
                        continue;
                    out[n++] = uint32_t(i);
                }
            }
    std::sort(out, out + n);  // list order
    // Units added since the copy was taken.
    for (uint32_t i = std::max(first, c.count); i < unitCount[W()] && n < kMaxUnits; ++i) out[n++] = i;
    return n;
}

void CObjectList::Detach(CUnit* unit)
{
    DropSpheres();
    const int w = W();
    const int i = Find(units[w], unitCount[w], unit);
    if (i >= 0) TakeOut(units[w], unitCount[w], i);
}

void CObjectList::DestroyAll()
{
    DropSpheres();
    const int w = W();
    // Take the lists down first so that forgetting scans only what survives.
    DoomedSet doomed;
    const uint32_t n = unitCount[w];
    for (uint32_t i = 0; i < n; ++i)
        if (units[w][i]->dockedCount > 0) DisownListed(units[w][i]);
    CUnit* gone[kMaxUnits];
    for (uint32_t i = 0; i < n; ++i) {
        gone[i] = units[w][i];
        doomed.Add(gone[i]);
        units[w][i] = nullptr;
    }
    unitCount[w] = 0;
    doomed.Seal();
    for (uint32_t i = 0; i < bulletCount[w]; ++i) {
        DestroyBullet(bullets[w][i]);
        bullets[w][i] = nullptr;
    }
    bulletCount[w] = 0;
    for (uint32_t i = 0; i < effectCount[w]; ++i) {
        DestroyEffect(effects[w][i]);
        effects[w][i] = nullptr;
    }
    effectCount[w] = 0;
    Forget(doomed);
    for (uint32_t i = 0; i < n; ++i) {
        gone[i]->Release();
        delete gone[i];
    }
    nextId = kFirstId;
}

void CObjectList::UpdateAll()
{
    const int w = W();
    // Space only: the planet world's few units are scanned directly.
    if (w == 1) TakeSpheres(w);
    // The objects are large and far apart: ask early for the next one's first test.
    for (uint32_t i = 0; i < unitCount[w];) {
        CUnit* u = units[w][i];
        if (i + 1 < unitCount[w]) __builtin_prefetch(&units[w][i + 1]->hull);
        if (u->hull == 0.0f) {
            Remove(u);  // the same index holds the next unit now
            continue;
        }
        if (w == 0)
            u->UpdatePlanet();
        else
            u->UpdateSpace();
        ++i;
    }
    for (uint32_t i = 0; i < bulletCount[w];) {
        CBullet* b = bullets[w][i];
        if (i + 1 < bulletCount[w]) __builtin_prefetch(&bullets[w][i + 1]->alive);
        if (b->alive == 0.0f) {
            RemoveBullet(b);
            continue;
        }
        b->Update();
        ++i;
    }
    for (uint32_t i = 0; i < effectCount[w];) {
        CEffectObject* e = effects[w][i];
        if (i + 1 < effectCount[w]) __builtin_prefetch(&effects[w][i + 1]->alive);
        if (e->alive == 0.0f) {
            RemoveEffect(e);
            continue;
        }
        e->Update();
        ++i;
    }
    DropSpheres();
}

int CObjectList::Count() { return int(unitCount[W()]); }
int CObjectList::CountBullets() { return int(bulletCount[W()]); }
int CObjectList::CountEffects() { return int(effectCount[W()]); }
int CObjectList::CountAll() { return Count() + CountBullets() + CountEffects(); }

int CObjectList::IndexOf(const CUnit* unit)
{
    const int w = W();
    return Find(units[w], unitCount[w], unit);
}

// ---- drawing -------------------------------------------------------------------

void CObjectList::RenderClass(unsigned mask)
{
    const int w = W();
    for (uint32_t i = 0; i < unitCount[w]; ++i) {
        CUnit* u = units[w][i];
        if (!(u->objectClass & mask)) continue;
        const bool always = u->objectClass == GCLASS_LANDSCAPE || u->objectClass == GCLASS_SPACE_SKY ||
                            u->kind == GEFFECT_ASTEROIDS_FIELD;
        if (always || Visible(u)) u->Draw(0);
    }
}

namespace {
void RenderEffectKind(unsigned mask, int kind)
{
    const int w = W();
    for (uint32_t i = 0; i < CObjectList::unitCount[w]; ++i) {
        CUnit* u = CObjectList::units[w][i];
        if ((u->objectClass & mask) && Visible(u)) u->DrawEffectOfKind(kind, 0);
    }
}
}  // namespace

void CObjectList::RenderShadows(unsigned mask) { RenderEffectKind(mask, GEFFECT_OBJECTSHADOW); }
void CObjectList::RenderLightEffects(unsigned mask) { RenderEffectKind(mask, GEFFECT_OBJECTLIGHT1); }

void CObjectList::RenderSunGlow()
{
    const int w = W();
    for (uint32_t i = 0; i < unitCount[w]; ++i) {
        CUnit* u = units[w][i];
        if (u->kind == GTYPE_SP_STAR && Visible(u)) u->DrawEffectOfKind(GEFFECT_SUNGALO, 0);
    }
}

void CObjectList::RenderAttached(unsigned mask)
{
    const int w = W();
    if (mask == GCLASS_BULLET) {
        for (uint32_t i = 0; i < bulletCount[w]; ++i) {
            CBullet* b = bullets[w][i];
            if (b->effectCount > 0 && Visible(b)) b->DrawEffects();
        }
        return;
    }
    for (uint32_t i = 0; i < unitCount[w]; ++i) {
        CUnit* u = units[w][i];
        if ((u->objectClass & mask) && Visible(u)) u->DrawEngineEffects();
    }
}

void CObjectList::RenderEffects()
{
    const int w = W();
    for (uint32_t i = 0; i < effectCount[w]; ++i)
        if (Visible(effects[w][i])) effects[w][i]->DrawMesh(0);
}

void CObjectList::RenderBullets()
{
    const int w = W();
    for (uint32_t i = 0; i < bulletCount[w]; ++i)
        if (Visible(bullets[w][i])) bullets[w][i]->DrawMesh(0);
}

void CObjectList::SortByDistance(unsigned objectClass, int kind)
{
    const int w = W();
    CUnit** list = units[w];
    const int n = int(unitCount[w]);
    auto match = [&](const CUnit* u) { return u->objectClass == objectClass && u->kind == kind; };
    int first = 0;
    while (first < n && !match(list[first])) ++first;
    if (first >= n) return;
    // The matching units gather behind the first one, every other keeping its order; done
    // in place (stable_partition would take a buffer every frame). Once gathered, a pass.
    int blockEnd = first + 1;
    for (int i = first + 1; i < n; ++i) {
        if (!match(list[i])) continue;
        if (i != blockEnd) std::rotate(list + blockEnd, list + i, list + i + 1);
        ++blockEnd;
    }
    const Vec3 eye = CurrentCamera().eye;
    // Far to near by exchanging neighbours; the block is short (trees, stations).
    for (int pass = first; pass < blockEnd - 1; ++pass) {
        bool swapped = false;
        for (int i = first; i < blockEnd - 1 - (pass - first); ++i) {
            if (Distance(list[i]->position, eye) < Distance(list[i + 1]->position, eye)) {
                std::swap(list[i], list[i + 1]);
                swapped = true;
            }
        }
        if (!swapped) break;
    }
}

// ---- queries -------------------------------------------------------------------

CUnit* CObjectList::FindById(int id)
{
    if (id == -1) return nullptr;
    const int w = W();
    for (uint32_t i = 0; i < unitCount[w]; ++i)
        if (units[w][i]->pilot.objectId == id) return units[w][i];
    return nullptr;
}

CUnit* CObjectList::FindByIdAndOwner(int id, int owner)
{
    for (uint32_t i = 0; i < unitCount[1]; ++i) {
        CUnit* u = units[1][i];
        if (u->pilot.objectId == id && u->pilot.ownerId == owner) return u;
    }
    return nullptr;
}

CUnit* CObjectList::FindByType(int kind)
{
    const int w = W();
    for (uint32_t i = 0; i < unitCount[w]; ++i)
        if (units[w][i]->kind == kind) return units[w][i];
    return nullptr;
}

CUnit* CObjectList::FindLandscape()
{
    const int w = W();
    for (uint32_t i = 0; i < unitCount[w]; ++i)
        if (units[w][i]->objectClass & GCLASS_LANDSCAPE) return units[w][i];
    return nullptr;
}

CUnit* CObjectList::FindPlayer()
{
    const int w = W();
    for (uint32_t i = 0; i < unitCount[w]; ++i) {
        CUnit* u = units[w][i];
        const bool player = w == 0 ? u->objectClass == GCLASS_CHARACTER_HERO
                                   : u->objectClass == GCLASS_SPACE_SHIP && u->kind == GTYPE_SP_HEROSHIP;
        if (player) return u->IsAlive() ? u : nullptr;
    }
    return nullptr;
}

CUnit* CObjectList::FindDockedPlayerShip()
{
    for (uint32_t i = 0; i < unitCount[1]; ++i) {
        CUnit* s = units[1][i];
        if (s->kind != GTYPE_SP_STATION) continue;
        for (int d = 0; d < s->dockedCount && d < kMaxDocked; ++d)
            if (s->dockedUnits[d] && s->dockedUnits[d]->kind == GTYPE_SP_HEROSHIP) return s->dockedUnits[d];
    }
    return nullptr;
}

CUnit* CObjectList::FindDockedPlayerShipFlag()
{
    CUnit* ship = FindDockedPlayerShip();
    if (ship) ship->dockTime = 1;  // seconds: it leaves the bay
    return ship;
}

CUnit* CObjectList::FindShipInStation(int id, int owner)
{
    for (uint32_t i = 0; i < unitCount[1]; ++i) {
        CUnit* s = units[1][i];
        if (s->kind != GTYPE_SP_STATION) continue;
        for (int d = 0; d < s->dockedCount && d < kMaxDocked; ++d) {
            CUnit* u = s->dockedUnits[d];
            if (u && u->pilot.objectId == id && u->pilot.ownerId == owner) return u;
        }
    }
    return nullptr;
}

CUnit* CObjectList::FindByName(const char* text)
{
    if (!text) return nullptr;
    const int w = W();
    for (uint32_t i = 0; i < unitCount[w]; ++i)
        if (std::strstr(units[w][i]->displayName, text)) return units[w][i];
    return nullptr;
}

CUnit* CObjectList::FindNearestByName(const Vec3& point, const char* text)
{
    if (!text) return nullptr;
    const int w = W();
    CUnit* best = nullptr;
    float bestDistance = 0.0f;
    for (uint32_t i = 0; i < unitCount[w]; ++i) {
        CUnit* u = units[w][i];
        if (!std::strstr(u->displayName, text)) continue;
        const float d = Distance(point, u->position);
        if (!best || d < bestDistance) {
            best = u;
            bestDistance = d;
        }
    }
    return best;
}

CBullet* CObjectList::FindNearestMissile(float radius, CUnit* unit)
{
    const int w = W();
    radius = CommRangeOr(radius, unit);
    CBullet* best = nullptr;
    float bestDistance = radius;
    for (uint32_t i = 0; i < bulletCount[w]; ++i) {
        CBullet* b = bullets[w][i];
        // A missile already stopped lingers in its after-burn: only a flying one counts.
        if (b->alive == 0.0f || b->kind != GTYPE_MISSL_WEAPON || b->target != unit || !unit) continue;
        if (!(b->remainingFlightTime > 0.0f)) continue;
        const float d = Distance(b->position, unit->position);
        if (d < bestDistance) {
            best = b;
            bestDistance = d;
        }
    }
    return best;
}

namespace {
// Nearest live craft of the space world within the range of the point passing the test.
template <typename Test>
CUnit* NearestSpaceCraft(const Vec3& point, float range, Test test)
{
    CUnit* best = nullptr;
    float bestDistance = range;
    for (uint32_t i = 0; i < CObjectList::unitCount[1]; ++i) {
        CUnit* u = CObjectList::units[1][i];
        if (!u->IsCraft() || !u->IsAlive() || !test(u)) continue;
        const float d = Distance(point, u->position);
        if (d < bestDistance) {
            best = u;
            bestDistance = d;
        }
    }
    return best;
}
}  // namespace

CUnit* CObjectList::FindNearestInRange()
{
    CUnit* player = g_PlayerObject;
    if (!player) return nullptr;
    return NearestSpaceCraft(player->position, player->commRange,
                             [&](CUnit* u) { return u != player && player->IsFriendlyTo(u); });
}

CUnit* CObjectList::FindNearestTarget(CUnit* unit, const Vec3* point)
{
    CUnit* rangeOwner = unit ? unit : g_PlayerObject;
    if (!rangeOwner) return nullptr;
    const Vec3 from = point ? *point : rangeOwner->position;
    return NearestSpaceCraft(from, rangeOwner->commRange, [&](CUnit* u) { return u != unit; });
}

CUnit* CObjectList::FindNearestObject(float radius, CUnit* unit)
{
    if (!unit) return nullptr;
    return NearestSpaceCraft(unit->position, CommRangeOr(radius, unit),
                             [&](CUnit* u) { return u != unit && unit->IsHostileTo(u); });
}

int CObjectList::FindNextHostile(float radius, CUnit* unit, int start, CUnit** out)
{
    if (out) *out = nullptr;
    if (!unit) return -1;
    radius = CommRangeOr(radius, unit);
    for (int i = start < 0 ? 0 : start; i < int(unitCount[1]); ++i) {
        CUnit* u = units[1][i];
        if (u == unit || !u->IsCraft() || !u->IsAlive() || !unit->IsHostileTo(u)) continue;
        if (Distance(unit->position, u->position) < radius) {
            if (out) *out = u;
            return i;
        }
    }
    return -1;
}

CUnit* CObjectList::FindNearestStation(float radius, CUnit* unit)
{
    if (!unit) return nullptr;
    radius = CommRangeOr(radius, unit);
    CUnit* best = nullptr;
    float bestDistance = radius;
    for (uint32_t i = 0; i < unitCount[1]; ++i) {
        CUnit* u = units[1][i];
        if (u->kind != GTYPE_SP_STATION || u->objectClass != GCLASS_SPACE_SHIP || !u->FindCargoItem()) continue;
        const float d = Distance(unit->position, u->position);
        if (d < bestDistance) {
            best = u;
            bestDistance = d;
        }
    }
    return best;
}

void CObjectList::KillOwnerUnits(int owner)
{
    for (uint32_t i = 0; i < unitCount[1]; ++i)
        if (units[1][i]->pilot.ownerId == owner) units[1][i]->SetOrder(ACTION_DEAD, nullptr, nullptr, 1);
}

void FindNextEnemyShip(float radius, CUnit* unit)
{
    if (!unit) return;
    radius = CommRangeOr(radius, unit);
    for (uint32_t i = 1; i < CObjectList::unitCount[1]; ++i) {
        CUnit* u = CObjectList::units[1][i];
        if (!u->IsCraft() || !u->IsAlive() || unit->IsHostileTo(u)) continue;
        if (Distance(unit->position, u->position) < radius) u->alertFlag = 1;
    }
}

namespace {
float ScoreTarget(CUnit* unit, float radius, CUnit* candidate, CUnit* guardCentre, bool boundTest)
{
    if (!unit || !candidate || radius <= 0.0f) return 0.0f;
    const float d1 = Distance(unit->position, candidate->position);
    const Vec3 centre = guardCentre ? guardCentre->position : unit->position;
    const float d2 = Distance(centre, candidate->position);
    float w = candidate->GetRating();
    const bool threat = boundTest ? (unit->target2 && candidate->boundUnit == unit->target2) ||
                                        candidate->target == unit
                                  : (unit->boundUnit && candidate->target == unit->boundUnit) ||
                                        candidate->target == unit;
    if (threat) w *= candidate->HasWeapons() ? 4.0f : 2.0f;
    const float nearScore = d1 < radius / 3.0f ? (1.0f - 3.0f * d1 / radius) / 10.0f : 0.0f;
    const float guardScore = d2 < radius ? 1.0f - d2 / radius : 0.0f;
    return (guardScore + nearScore) * w * 0.5f;
}
}  // namespace

float TargetPriority(CUnit* unit, float radius, CUnit* candidate)
{
    // Distances to the second target; without one the unit itself stands in.
    return ScoreTarget(unit, radius, candidate, unit ? unit->target2 : nullptr, true);
}

float RateTarget(CUnit* unit, float radius, CUnit* candidate)
{
    return ScoreTarget(unit, radius, candidate, unit ? unit->boundUnit : nullptr, false);
}

CUnit* RaySphereHit(float margin, const Vec3& from, const Vec3& to, float* outDistance, CUnit* ignore)
{
    const int w = W();
    const Vec3 segment[2] = {from, to};
    const Vec3 lo(std::min(from.x, to.x), std::min(from.y, to.y), std::min(from.z, to.z));
    const Vec3 hi(std::max(from.x, to.x), std::max(from.y, to.y), std::max(from.z, to.z));
    CUnit* found = nullptr;
    CObjectList::ForUnitsNear(lo, hi, margin, 1, [&](uint32_t i) {
        CUnit* u = CObjectList::units[w][i];
        if (u == ignore || IsStarOrPlanet(u) || !SphereNearSegment(u, from, to, margin)) return false;
        Vec3 hit;
        if (!u->IntersectRay(margin, segment, &hit)) return false;
        found = u;
        return true;
    });
    if (found && outDistance) *outDistance = Distance(from, to);
    return found;
}

namespace {
constexpr float kRayLimit = 100000.0f;

template <typename Test>
CUnit* NearestRayHit(float margin, const Vec3& from, const Vec3& to, Vec3* outHit, float* outDistance, Test test)
{
    const int w = W();
    const Vec3 segment[2] = {from, to};
    CUnit* best = nullptr;
    float bestDistance = kRayLimit;
    const Vec3 lo(std::min(from.x, to.x), std::min(from.y, to.y), std::min(from.z, to.z));
    const Vec3 hi(std::max(from.x, to.x), std::max(from.y, to.y), std::max(from.z, to.z));
    CObjectList::ForUnitsNear(lo, hi, margin, 1, [&](uint32_t i) {
        CUnit* u = CObjectList::units[w][i];
        if (!test(u) || !SphereNearSegment(u, from, to, margin)) return false;
        Vec3 hit;
        if (!u->IntersectRay(margin, segment, &hit)) return false;
        const float d = Distance(from, hit);
        if (d < bestDistance) {
            best = u;
            bestDistance = d;
            if (outHit) *outHit = hit;
        }
        return false;
    });
    if (best && outDistance) *outDistance = bestDistance;
    return best;
}
}  // namespace

CUnit* RayHitNearest(float margin, const Vec3& from, const Vec3& to, float* outDistance)
{
    return NearestRayHit(margin, from, to, nullptr, outDistance,
                         [](CUnit* u) { return u->IsAlive() && u->IsCraft(); });
}

CUnit* RayPickObject(float margin, const Vec3& from, const Vec3& to, Vec3* outHit, CUnit* ignore, CUnit* station,
                     CUnit* alsoIgnore)
{
    const bool isStation = station && IsStationKindValue(station->kind);
    auto test = [&](CUnit* u) {
        if (u == ignore || (alsoIgnore && u == alsoIgnore) || IsStarOrPlanet(u)) return false;
        if (isStation)
            for (CUnit* g : station->guards)
                if (g == u) return false;
        return true;
    };
    return NearestRayHit(margin, from, to, outHit, nullptr, test);
}

CUnit* FindObjectOnRay(const Vec3& from, const Vec3& to, float* outDistance, CUnit* ignore)
{
    const int w = W();
    const Vec3 segment[2] = {from, to};
    for (uint32_t i = 1; i < CObjectList::unitCount[w]; ++i) {
        CUnit* u = CObjectList::units[w][i];
        if (u == ignore) continue;
        if (u->objectClass != GCLASS_CHARACTER_HERO && u->objectClass != GCLASS_CHARACTER_NPC) continue;
        Vec3 hit;
        if (u->IntersectRays(segment, 0, &hit, 0.0f)) {
            if (outDistance) *outDistance = Distance(from, hit);
            return u;
        }
    }
    return nullptr;
}
