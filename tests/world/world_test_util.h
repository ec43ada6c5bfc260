// Units, bullets and effect objects built in memory for the registry and world tests,
// and a fixture that leaves both worlds empty.
#pragma once
#include <gtest/gtest.h>

#include "world/objects/bullet.h"
#include "world/objects/effect_object.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/world.h"

inline CUnit* MakeUnit(unsigned cls, int kind, const Vec3& pos, int side = 0, float hull = 100.0f)
{
    CUnit* u = new CUnit();
    u->objectClass = cls;
    u->kind = kind;
    u->position = pos;
    u->scale = Vec3(1, 1, 1);
    u->scale2 = Vec3(1, 1, 1);
    u->boundsRadius = 1.0f;
    u->pilot.side = side;
    u->hull = u->hullMax = hull;
    u->orderType = ACTION_STAY;
    return u;
}

inline CUnit* Ship(const Vec3& pos, int side = 0, int kind = GTYPE_SP_NPCSHIP)
{
    return MakeUnit(GCLASS_SPACE_SHIP, kind, pos, side);
}

inline CBullet* MakeBullet(const Vec3& pos, int kind = GTYPE_LASER_WEAPON)
{
    CBullet* b = new CBullet();
    b->kind = kind;
    b->position = pos;
    b->scale = Vec3(1, 1, 1);
    b->alive = 1.0f;
    b->flightTime = b->remainingFlightTime = 100.0f;  // still flying during the test
    return b;
}

inline CEffectObject* MakeEffect(const Vec3& pos)
{
    CEffectObject* e = new CEffectObject();
    e->position = pos;
    e->scale = Vec3(1, 1, 1);
    e->alive = 1.0f;
    return e;
}

inline void DestroyBothWorlds()
{
    for (int w = 0; w < 2; ++w) {
        g_WorldIndex = w;
        CObjectList::DestroyAll();
    }
    g_PlayerObject = nullptr;
    g_HeroStation = nullptr;
}

class WorldFixture : public ::testing::Test {
protected:
    int oldWorld = 0, oldKind = 0;
    void SetUp() override
    {
        oldWorld = g_WorldIndex;
        oldKind = g_LocationKind;
        DestroyBothWorlds();
        g_WorldIndex = 1;
    }
    void TearDown() override
    {
        DestroyBothWorlds();
        g_WorldIndex = oldWorld;
        g_LocationKind = oldKind;
        g_PendingLocationKind = -1;
    }
    // A space world: the sky first, then the given units.
    CUnit* sky = nullptr;
    void SpaceWithSky()
    {
        g_WorldIndex = 1;
        sky = MakeUnit(GCLASS_SPACE_SKY, GTYPE_STATIC, Vec3(), -1);
        ASSERT_TRUE(CObjectList::Add(sky));
    }
};
