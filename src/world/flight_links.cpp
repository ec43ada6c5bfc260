#include "world/flight_links.h"

#include "flight_ui/comm_window.h"
#include "menus/station_menu.h"
#include "render/camera.h"
#include "world/object_list.h"
#include "world/unit.h"
#include "world/world.h"

CCamera* FlightCurrentCamera() { return &g_World.Camera(); }

CCamera* FlightViewCamera()
{
    if (g_StationMenuActive && g_StationMenuPage == 2) return &g_MenuCamera;
    return FlightCurrentCamera();
}

CUnit* FlightSegmentHitTest(const Vec3* segments, int count, Vec3* hitPoint, float* hitDistance, CUnit* ignore)
{
    for (int i = 0; i < count; ++i) {
        CUnit* u = g_World.SegmentHitTest(segments[i * 2], segments[i * 2 + 1], 0, hitPoint, hitDistance, ignore, nullptr);
        if (u) return u;
    }
    return nullptr;
}

CUnit* FlightRayPick(const Vec3& from, const Vec3& to, CUnit* ignore, CUnit* ignore2)
{
    const int w = g_WorldIndex == 0 ? 0 : 1;
    const float margin = ignore ? ignore->boundsRadius : 0.0f;
    const Vec3 segment[2] = {from, to};
    const Vec3 d = to - from;
    const float len2 = Vec3LengthSq(d);
    CUnit* best = nullptr;
    float bestDistance = 0.0f;
    for (uint32_t i = 1; i < CObjectList::unitCount[w] && i < uint32_t(kMaxUnits); ++i) {
        CUnit* u = CObjectList::units[w][i];
        if (!u || u == ignore || u == ignore2 || u->kind == GTYPE_SP_STAR || u->kind == GTYPE_SP_PLANET) continue;
        if (u->objectClass == GCLASS_SPACE_SKY) continue;
        float t = len2 > 0.0f ? Vec3Dot(u->position - from, d) / len2 : 0.0f;
        t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
        // A loose first test only; the mesh test below decides.
        float scale = (u->scale.x + u->scale.y + u->scale.z) / 3.0f;
        if (scale < 1.0f) scale = 1.0f;
        if (Vec3Length(from + d * t - u->position) > u->boundsRadius * scale + margin) continue;
        Vec3 hit;
        if (!u->IntersectRay(margin, segment, &hit)) continue;
        const float dist = Vec3Length(hit - from);
        if (!best || dist < bestDistance) best = u, bestDistance = dist;
    }
    return best;
}

int FlightEffectCount() { return CObjectList::CountEffects(); }

// The comm window's lines, the network messages, the items' step, attached-effect
// drawing and effect
// objects come with their own subsystems; until they define these, nothing is said or
// sent, drawn or added.
__attribute__((weak)) void FlightSay(CUnit*, int, int) {}
__attribute__((weak)) void FlightEndTalk() {}
__attribute__((weak)) void FlightTalk(CUnit* unit, int line) { g_CommWindow.Talk(unit, line); }
__attribute__((weak)) void FlightSendObjectMessage(int, CUnit*) {}

__attribute__((weak)) void FlightUpdateItem(CItem*) {}
__attribute__((weak)) void FlightDrawAttachedEffect(CAttachedEffect*, int) {}
__attribute__((weak)) bool FlightCollideEffectParts(CAttachedEffect*, const Vec3*, Vec3*) { return false; }
__attribute__((weak)) void FlightDrawDebugAxes(CUnit*) {}

__attribute__((weak)) bool FlightAddExplosion(const char*, const Vec3&, float, bool, const Vec3&) { return false; }
__attribute__((weak)) bool FlightAddSpark(const char*, const Vec3&, float, const Vec3&, float) { return false; }

CWaypoint* OrdersFindPath(CUnit* unit, const Vec3& point)
{
    return g_World.navGrid.FindPath(unit, point);
}
