#include "locations/scripts/sector_scene_util.h"

#include <cstdio>
#include <set>
#include <utility>

#include "app/settings.h"
#include "flight_ui/comm_window.h"
#include "locations/location_director.h"
#include "locations/scripts/sector_scenes.h"
#include "menus/station_menu.h"
#include "render/camera.h"
#include "render/mesh.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/object_codes.h"
#include "world/objects/unit.h"
#include "world/world.h"

int (*g_SceneTalkHook)(CUnit* unit, int startLine) = nullptr;
void (*g_SceneReportHook)(const char* line) = nullptr;

namespace {

// Reports already written, per location: (kind of report, id) pairs.
std::set<std::pair<int, int>> g_reported;
int g_reportedLocation = -2;

// True the first time this report is made in the current location.
bool FirstReport(int what, int id)
{
    if (g_reportedLocation != g_LocationDirector.locationId) {
        g_reported.clear();
        g_reportedLocation = g_LocationDirector.locationId;
    }
    return g_reported.insert({what, id}).second;
}

void Report(const char* line)
{
    DebugOut(line);
    if (g_SceneReportHook) g_SceneReportHook(line);
}

} // namespace

void ResetSceneReports()
{
    g_reported.clear();
    g_reportedLocation = -2;
}

namespace scene {

CUnit* Player()
{
    // In a station's interior the player object is the walking hero, not the ship.
    CUnit* p = g_PlayerObject;
    if (p && (p->objectClass == GCLASS_SPACE_SHIP || p->objectClass == GCLASS_SPACE_OBJECT)) return p;
    return CObjectList::FindDockedPlayerShip();
}

CUnit* Unit(int id)
{
    return CObjectList::FindById(id);
}

CUnit* NeedUnit(int id)
{
    CUnit* u = CObjectList::FindById(id);
    if (!u && FirstReport(0, id)) {
        char line[96];
        std::snprintf(line, sizeof line, "Scene: location %d has no unit %d", g_LocationDirector.locationId, id);
        Report(line);
    }
    return u;
}

float Dist(const CUnit* a, const CUnit* b)
{
    return Distance(a->position, b->position);
}

float Radius(const CUnit* u)
{
    if (!u) return 1.0f;
    if (u->boundsRadius > 0.0f) return u->boundsRadius;
    if (u->meshCount > 0 && u->meshes[0] && u->meshes[0]->m_SphereRadius > 0.0f) {
        float s = u->scale.x;
        if (u->scale.y > s) s = u->scale.y;
        if (u->scale.z > s) s = u->scale.z;
        if (s > 0.0f) return u->meshes[0]->m_SphereRadius * s;
    }
    return 10.0f;
}

bool Every(float seconds, uint32_t widthMs)
{
    const uint32_t period = uint32_t(seconds * 1000.0f);
    return period > 0 && g_GameClock.NowMs() % period < widthMs;
}

bool Quiet()
{
    return g_CommMode == 0;
}

bool PlayerHere()
{
    return g_LocationKind == g_WorldIndex;
}

bool Alive(const CUnit* u)
{
    return u && u->IsAlive();
}

bool IsSpeaker(const CUnit* u)
{
    return u && g_CommWindow.IsSpeaker(u);
}

bool Reach(CUnit* self, float range)
{
    CUnit* p = Player();
    if (!p || self->orderType == ACTION_DEAD || !Quiet() || Dist(self, p) >= range) return false;
    if (PlayerHere()) return p->manualControl == 1 && p->orderType != ACTION_DOCKING;
    return g_StationMenuActive && g_StationMenuPage == 2;
}

bool ReachCalm(CUnit* self, float range)
{
    if (!Reach(self, range) || !Every(10.0f)) return false;
    return CObjectList::FindNearestObject(2000.0f, Player()) == nullptr;
}

bool SceneGate()
{
    CUnit* p = Player();
    return g_LocationKind == 1 && Quiet() && g_World.Camera().cinematicView == 0 && p && p->manualControl == 1;
}

int Talk(CUnit* u, int line)
{
    if (!u) return 0;
    if (line >= int(u->radioDialog.lineCount) && FirstReport(1, u->pilot.objectId * 64 + line)) {
        char text[400];
        std::snprintf(text, sizeof text, "Scene: unit %d (%s) has no dialog line %d", u->pilot.objectId, u->pilot.folder,
                      line);
        Report(text);
    }
    return g_SceneTalkHook ? g_SceneTalkHook(u, line) : g_CommWindow.Talk(u, line);
}

void EndTalk()
{
    g_CommWindow.EndTalk();
}

void Retire(CUnit* u, int first, int last)
{
    if (!u) return;
    for (int n = first; n <= last; ++n) u->radioDialog.MarkLine(n, 1);
}

void ResetLine(CUnit* u, int line)
{
    if (u) u->radioDialog.ResetLineFlags(line);
}

void Mark(CUnit* u, int on)
{
    if (u) u->humanPiloted = on;
}

void Attack(CUnit* u, CUnit* prey)
{
    u->SetOrder(ACTION_ATTACK, prey, prey, 0);
}

void WakeAgainst(CUnit* u, CUnit* prey)
{
    u->objectClass = GCLASS_SPACE_SHIP;
    Attack(u, prey);
}

void Stay(CUnit* u)
{
    u->SetOrder(ACTION_STAY, nullptr, nullptr, 0);
}

void Guard(CUnit* u, CUnit* whom)
{
    u->SetOrder(ACTION_GUARD, whom, nullptr, 0);
}

void Dock(CUnit* u, CUnit* station, uint32_t seconds)
{
    u->SetOrder(ACTION_DOCKING, station, nullptr, 0);
    u->dockTime = seconds;
}

void MakeTraffic(CUnit* u)
{
    u->objectClass = GCLASS_SPACE_SHIP;
    u->kind = GTYPE_SP_NPCSHIP_MOVED;
    u->ClearOrderStack();
    Stay(u);
    u->target = nullptr;
    u->boundUnit = nullptr;
    u->scriptStep = 1;
}

void HeadFor(CUnit* u, const Vec3& point)
{
    u->SetOrder(ACTION_MOVE, &point, nullptr, 0);
    u->targetPoint = u->destination;
}

void CruiseAt(CUnit* u, float speed)
{
    u->destination = u->targetPoint;
    u->cruiseSpeed = speed;
}

bool VanishCheck(CUnit* u, float k)
{
    CUnit* p = Player();
    if (!p || Dist(u, p) <= k * p->commRange) return false;
    u->hull = 0.0f;
    u->scriptStep = -1;
    if (p->target == u) p->target = nullptr;
    return true;
}

bool HostileNear(CUnit* u, float radius)
{
    return CObjectList::FindNearestObject(radius, u) != nullptr;
}

void Shot(CUnit* player, const Vec3* eye)
{
    CCamera& camera = g_World.Camera();
    if (eye && player) camera.SetCinematicMode(player, *eye, 0, nullptr, 0.0f, 0.0f);
    else camera.SetCinematicMode(nullptr, Vec3(), 0, nullptr, 0.0f, 0.0f);
}

} // namespace scene
