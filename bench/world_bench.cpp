// One world update with full lists: 1024 units, 512 bullets and 512 effect objects.
#include <benchmark/benchmark.h>

#include "world/objects/bullet.h"
#include "world/objects/effect_object.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {

void FillSpaceWorld()
{
    g_WorldIndex = 1;
    CObjectList::DestroyAll();
    for (int i = 0; i < kMaxUnits; ++i) {
        CUnit* u = new CUnit();
        u->objectClass = i == 0 ? GCLASS_SPACE_SKY : GCLASS_SPACE_SHIP;
        u->kind = i == 0 ? GTYPE_STATIC : GTYPE_SP_NPCSHIP;
        u->position = Vec3(float(i % 32) * 40.0f, float(i / 32) * 40.0f, 500.0f);
        u->scale = Vec3(1, 1, 1);
        u->hull = u->hullMax = 100.0f;
        u->pilot.side = i % 4;
        CObjectList::Add(u);
    }
    for (int i = 0; i < kMaxBullets; ++i) {
        CBullet* b = new CBullet();
        b->alive = 1.0f;
        CObjectList::AddBullet(b);
    }
    for (int i = 0; i < kMaxEffects; ++i) {
        CEffectObject* e = new CEffectObject();
        e->alive = 1.0f;
        CObjectList::AddEffect(e);
    }
}

void BM_WorldUpdateFullLists(benchmark::State& state)
{
    FillSpaceWorld();
    for (auto _ : state) {
        CObjectList::UpdateAll();
        benchmark::DoNotOptimize(CObjectList::CountAll());
    }
    CObjectList::DestroyAll();
}
BENCHMARK(BM_WorldUpdateFullLists);

void BM_NearestHostileScanFullList(benchmark::State& state)
{
    FillSpaceWorld();
    CUnit* me = CObjectList::units[1][1];
    for (auto _ : state) benchmark::DoNotOptimize(CObjectList::FindNearestObject(100000.0f, me));
    CObjectList::DestroyAll();
}
BENCHMARK(BM_NearestHostileScanFullList);

}  // namespace
