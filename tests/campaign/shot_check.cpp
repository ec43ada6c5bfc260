#include "campaign/shot_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "flight_ui/dialog_box.h"
#include "flight_ui/game_interface.h"
#include "flight_ui/comm_window.h"
#include "locations/location_director.h"
#include "menus/game_menu.h"
#include "menus/station_menu.h"
#include "platform/win/timer.h"
#include "render/camera.h"
#include "render/mesh.h"
#include "world/object_list.h"
#include "world/objects/object_codes.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {

constexpr unsigned kFrames1s = 20;         // 50-ms frames
constexpr unsigned kSampleEvery = 20;      // one measure a second of the shot
constexpr unsigned kShotLongest = 60 * kFrames1s;
constexpr float kPersonTall = 40.0f;       // a person at least this many of the 600 rows
constexpr float kThingWide = 12.0f;        // a ship, station or vehicle more than a speck

// Who a subject is: the player's unit, a unit of a kind, or the space unit of an id.
enum class By { Player, Kind, Id, Speaker, ShotUnit };
struct Subject {
    By by;
    int value;
    const char* name;
};

constexpr int kAnyLocation = -1;

// A shot: in `location`, the script of `kind` (-1: the player's ship) leaving `step`.
// How a shot's subjects are held: every one in every measure, one at a time (each seen
// once), or seen once as they leave or pass the picture.
enum Hold { All, Any, Leaves };
struct ShotRow {
    int location, kind, step;
    Hold hold;
    std::vector<Subject> subjects;
};

const Subject kHero{By::Player, 0, "hero"};
const Subject kGuide{By::Kind, GTYPE_NPC_ID0, "guide"};
const Subject kCaptain{By::Kind, 2000, "captain"};
const Subject kShuttle1{By::Kind, GTYPE_VEHICLE_ONAIR_ID0, "vehicle 10101"};
const Subject kShuttle2{By::Kind, GTYPE_VEHICLE_ONAIR_ID1, "vehicle 10102"};
const Subject kOperator{By::Kind, 2300, "operator"};
const Subject kPlayerShip{By::Player, 0, "player's ship"};
const Subject kShotUnit{By::ShotUnit, 0, "the shot's unit"};
const Subject kHeroStation{By::Id, 1000, "hero station"};

const std::vector<ShotRow>& Table()
{
    static const std::vector<ShotRow> rows = {
        // First planet intro: the hero at work, the shuttle landing, the guide, the night.
        {110, GTYPE_NPC_ID0, 0, Any, {kHero, kShuttle1}},
        {110, GTYPE_NPC_ID0, 5, All, {kHero, kGuide}},
        {110, GTYPE_NPC_ID0, 8, Any, {kHero, kGuide, kShuttle2}},
        {110, GTYPE_NPC_ID0, 10, Any, {kHero, kGuide, kShuttle2}},
        // The guide's station, the lift and the walk.
        {200, GTYPE_NPC_ID0, 0, Any, {kHero, kGuide}},
        {200, GTYPE_NPC_ID0, 3, Any, {kHero}},
        // Second planet intro: the captain, the landing craft with the hero come out of it.
        {111, 2000, 0, Any, {kCaptain}},
        {111, 2000, 2, Any, {kHero, kCaptain, kShuttle2}},
        {111, 2000, 6, Any, {kHero}},
        {111, 2000, 7, Leaves, {kShuttle2}},
        {111, 1800, 2, Any, {kHero}},
        {111, 1802, 2, Any, {kHero}},
        // A station's interior on arrival (in any location): the operator at the desk, the hero.
        {kAnyLocation, 2300, 0, Any, {kHero, kOperator}},
        {kAnyLocation, 32, 101, Any, {kHero, kOperator}},
        // Second space intro: the player arriving with the two ships.
        {201, -1, 0, Any, {kPlayerShip, {By::Id, 101, "ship 101"}, {By::Id, 102, "ship 102"}}},
        // Second space intro: the three ships on their way in to the station.
        {201, -1, 6, Any, {kPlayerShip, {By::Id, 101, "ship 101"}, {By::Id, 102, "ship 102"}}},
        // The opening flights of sectors 9 and 12 to the arriving hero station.
        {9, -1, 0, All, {kHeroStation}},
        // Sector 12's fly: the arriving station passes beneath the eye on the way, so it is
        // held once rather than throughout.
        {12, -1, 0, Leaves, {kHeroStation}},
    };
    return rows;
}

// The shot being measured: what began it and when, the subjects seen so far, the first
// measure that failed.
struct Shot {
    int location = -1;
    std::string what;
    unsigned begin = 0;
    std::vector<Subject> subjects;
    Hold hold = Any;
    std::vector<bool> seen;
    std::string failure;
    bool space = false;
};

CUnit* Find(const Subject& s)
{
    const int w = g_WorldIndex;
    switch (s.by) {
    case By::Player: return g_PlayerObject;
    case By::Speaker: return g_DialogBox.speaker;
    case By::ShotUnit: return g_World.Camera().shotUnit;
    case By::Kind:
    case By::Id:
        for (uint32_t i = 0; i < CObjectList::unitCount[w]; ++i) {
            CUnit* u = CObjectList::units[w][i];
            if (u && (s.by == By::Kind ? u->kind == s.value : u->pilot.objectId == s.value)) return u;
        }
        return nullptr;
    }
    return nullptr;
}

Matrix ModelToWorld(const CUnit& u) { return MatrixScaling(u.scale.x, u.scale.y, u.scale.z) * u.worldMatrix; }

// A world point on the 800x600 screen; false behind the eye.
bool Project(const CCamera& c, const Matrix& view, const Vec3& p, float* x, float* y)
{
    const Vec4 v = Vec3Transform(Vec3TransformCoord(p, view), c.projection);
    if (!(v.w > c.nearPlane * 0.5f)) return false;
    *x = (v.x / v.w + 1.0f) * 400.0f;
    *y = (1.0f - v.y / v.w) * 300.0f;
    return true;
}

// The part of the screen a player sees the world through: below the letterbox's top bar,
// above its bottom bar and above the dialog box while it is shown.
void Picture(const CCamera& c, float* top, float* bottom)
{
    const bool bars = c.LetterboxAlpha(timeGetTime()) > 128;
    *top = bars ? 80.0f : 0.0f;
    *bottom = bars ? 520.0f : 600.0f;
    if (g_WorldIndex == 0 && g_GameInterface.shown) *bottom = std::min(*bottom, g_DialogBox.DrawnTop());
}

// What is wrong with one subject in this picture, "" when it is framed. While the camera
// still moves to the shot only the picture's edges count: its size is the shot's end.
std::string Measure(const CCamera& c, const Matrix& view, const Subject& s, bool moving)
{
    const CUnit* u = Find(s);
    if (!u || u->meshCount <= 0 || !u->meshes[0]) return std::string(s.name) + " missing";
    const CMesh* m = u->meshes[0];
    const Matrix toWorld = ModelToWorld(*u);
    float top, bottom;
    Picture(c, &top, &bottom);
    char text[200] = "";
    const bool person = u->objectClass & (GCLASS_CHARACTER_HERO | GCLASS_CHARACTER_NPC);
    if (person) {
        // The head (the box's top centre) and the middle of the body in view, tall enough.
        const Vec3 lo = m->m_BoundMin, hi = m->m_BoundMax;
        const Vec3 head = Vec3TransformCoord(Vec3((lo.x + hi.x) / 2, hi.y, (lo.z + hi.z) / 2), toWorld);
        const Vec3 feet = Vec3TransformCoord(Vec3((lo.x + hi.x) / 2, lo.y, (lo.z + hi.z) / 2), toWorld);
        float hx, hy, fx, fy;
        if (!Project(c, view, head, &hx, &hy) || !Project(c, view, feet, &fx, &fy))
            return std::string(s.name) + " behind the eye";
        const float mx = (hx + fx) / 2, my = (hy + fy) / 2;
        if (hx < 0 || hx > 800 || hy < top || hy > bottom || mx < 0 || mx > 800 || my < top || my > 600)
            std::snprintf(text, sizeof text, "%s out of the picture (head at %.0f,%.0f; body at %.0f,%.0f; picture rows %.0f..%.0f)",
                          s.name, hx, hy, mx, my, top, bottom);
        else if (!moving && fy - hy < kPersonTall) std::snprintf(text, sizeof text, "%s too small (%.0f rows tall)", s.name, fy - hy);
        return text;
    }
    // A thing: its bounding sphere's centre in the picture and its width more than a speck.
    const Vec3 centre = Vec3TransformCoord((m->m_BoundMin + m->m_BoundMax) * 0.5f, toWorld);
    const float r = m->m_SphereRadius * std::max({u->scale.x, u->scale.y, u->scale.z});
    float x, y;
    if (!Project(c, view, centre, &x, &y)) return std::string(s.name) + " behind the eye";
    const float d = Vec3Length(centre - c.eye);
    const float wide = d > r ? 600.0f * r / (d * std::tan(c.fov / 2.0f)) : 600.0f;
    if (x < 0 || x > 800 || y < top || y > bottom)
        std::snprintf(text, sizeof text, "%s out of the picture (at %.0f,%.0f)", s.name, x, y);
    else if (!moving && wide < kThingWide) std::snprintf(text, sizeof text, "%s a speck (%.1f rows wide at %.0f units)", s.name, wide, d);
    return text;
}

// The unit whose mesh box holds the eye, when it holds none of the subjects (a room or the
// ground around them all is where they stand).
std::string EyeInside(const CCamera& c, const std::vector<const CUnit*>& subjects)
{
    const int w = g_WorldIndex;
    auto inside = [](const CUnit& u, const Vec3& p) {
        Matrix inv;
        if (!MatrixInverse(&inv, nullptr, ModelToWorld(u))) return false;
        const Vec3 l = Vec3TransformCoord(p, inv);
        const Vec3 lo = u.meshes[0]->m_BoundMin, hi = u.meshes[0]->m_BoundMax;
        return l.x > lo.x && l.x < hi.x && l.y > lo.y && l.y < hi.y && l.z > lo.z && l.z < hi.z;
    };
    for (uint32_t i = 0; i < CObjectList::unitCount[w]; ++i) {
        const CUnit* u = CObjectList::units[w][i];
        if (!u || u->meshCount <= 0 || !u->meshes[0] || !u->IsAlive() || (u->objectClass & (GCLASS_LANDSCAPE | GCLASS_SPACE_SKY | GCLASS_EFFECT)))
            continue;
        if (u == g_PlayerObject && w == 1) continue;  // the cockpit is inside the ship
        if (!inside(*u, c.eye)) continue;
        bool holds = false;
        for (const CUnit* s : subjects) holds = holds || s == u || inside(*u, s->position);
        if (holds) continue;
        char text[96];
        std::snprintf(text, sizeof text, "the eye inside unit %d (kind %d) at %.0f,%.0f,%.0f", u->pilot.objectId, u->kind,
                      u->position.x, u->position.y, u->position.z);
        return text;
    }
    return "";
}

class ShotCheck {
public:
    void Frame(int location, unsigned frame);
    std::vector<std::string> failures;
    int shots = 0;

private:
    void Begin(int location, unsigned frame, std::string what, std::vector<Subject> subjects, Hold hold, bool space);
    void End();
    void Sample(unsigned frame);

    int location_ = -2;
    std::map<std::pair<int, int>, int> steps_;  // (world, unit id) -> step
    std::set<const ShotRow*> fired_;            // each row's shot once a visit
    Shot shot_;
    bool open_ = false;
    int talk_ = 0;
    const CUnit* shotUnit_ = nullptr;
};

void ShotCheck::Begin(int location, unsigned frame, std::string what, std::vector<Subject> subjects, Hold hold,
                      bool space)
{
    End();
    const std::size_t n = subjects.size();
    shot_ = Shot{location, std::move(what), frame, std::move(subjects), hold, std::vector<bool>(n), "", space};
    open_ = true;
    ++shots;
}

void ShotCheck::End()
{
    if (!open_) return;
    open_ = false;
    std::string f = shot_.failure;
    if (f.empty() && shot_.hold != All)
        for (std::size_t i = 0; i < shot_.subjects.size(); ++i)
            if (!shot_.seen[i]) f += std::string(f.empty() ? "" : "; ") + shot_.subjects[i].name + " never framed";
    if (f.empty()) return;
    char head[96];
    std::snprintf(head, sizeof head, "location %d, %s, frame %u: ", shot_.location, shot_.what.c_str(), shot_.begin);
    failures.push_back(head + f);
    std::fprintf(stderr, "[shots] %s%s\n", head, f.c_str());
}

void ShotCheck::Sample(unsigned frame)
{
    CCamera& c = g_World.Camera();
    // Nothing to see under a closed fade. A timed move or a blend is seen as it runs, from
    // its middle on: its first half still turns away from the shot before.
    const uint32_t now = timeGetTime();
    if (c.FadeAlpha(now) > 200 || g_StationMenuActive) return;
    const float moveTime = c.shotUnit ? c.shotMoveTime : c.moveDuration;
    if (c.moveActive && (float)(uint32_t)(now - c.moveStart) * 0.001f < moveTime / 2.0f) return;
    const bool moving = c.moveActive && moveTime > 0.0f;
    if ((frame - shot_.begin) % kSampleEvery != kSampleEvery / 2) return;
    const Matrix view = MatrixLookAtLH(c.eye, c.lookAt, c.up);
    std::string wrong;
    bool any = false;
    std::vector<const CUnit*> present;
    for (std::size_t i = 0; i < shot_.subjects.size(); ++i) {
        if (const CUnit* u = Find(shot_.subjects[i])) present.push_back(u);
        const std::string m = Measure(c, view, shot_.subjects[i], moving);
        if (m.empty()) shot_.seen[i] = any = true;
        else wrong += (wrong.empty() ? "" : "; ") + m;
    }
    const std::string eye = EyeInside(c, present);
    if (!eye.empty()) wrong = eye + (wrong.empty() ? "" : "; " + wrong);
    const bool fails = shot_.hold == All ? !wrong.empty() : shot_.hold == Any && !any;
    if (shot_.failure.empty() && (fails || !eye.empty())) {
        char at[48];
        std::snprintf(at, sizeof at, "(at frame %u) ", frame);
        shot_.failure = at + wrong;
    }
}

void ShotCheck::Frame(int location, unsigned frame)
{
    if (location != location_) {
        End();
        location_ = location;
        steps_.clear();
        fired_.clear();
        talk_ = 0;
        shotUnit_ = nullptr;
    }
    if (location < 0 || location == LOCATION_GAME_MENU || g_GameMenuActive) return;
    // Steps that ran since the last frame: a shot of the table begins.
    const int w = g_WorldIndex;
    for (uint32_t i = 0; i < CObjectList::unitCount[w]; ++i) {
        const CUnit* u = CObjectList::units[w][i];
        if (!u) continue;
        const bool player = u == g_PlayerObject;
        auto key = std::make_pair(w, player ? -1 : u->pilot.objectId);
        auto was = steps_.find(key);
        const int before = was == steps_.end() ? 0 : was->second;
        steps_[key] = u->scriptStep;
        if (was != steps_.end() && before == u->scriptStep) continue;
        for (const ShotRow& r : Table()) {
            const bool issuer = r.kind == -1 ? player && w == 1 : u->kind == r.kind;
            // Steps run forward; a step that ends the script, or goes back, ran alone.
            const int now = u->scriptStep;
            const bool ran = before >= 0 && (now > before ? r.step >= before && r.step < now : r.step == before);
            if ((r.location == location || r.location == kAnyLocation) && issuer && ran && fired_.insert(&r).second) {
                char what[64];
                if (r.kind < 0) std::snprintf(what, sizeof what, "player's ship step %d", r.step);
                else std::snprintf(what, sizeof what, "unit kind %d step %d", r.kind, r.step);
                Begin(location, frame, what, r.subjects, r.hold, w == 1);
            }
        }
    }
    // A talk in the planet world frames both speakers; a space shot its unit.
    const int talk = w == 0 && g_CommMode && g_DialogBox.speaker ? 1 : 0;
    if (talk && !talk_) Begin(location, frame, "talk", {kHero, {By::Speaker, 0, "speaker"}}, All, false);
    else if (!talk && talk_ && open_ && shot_.what == "talk") End();
    talk_ = talk;
    const CUnit* su = w == 1 ? g_World.Camera().shotUnit : nullptr;
    // A space shot of the table names its own subjects; a shot that ends takes its unit away.
    if (!su && open_ && shot_.subjects.size() == 1 && shot_.subjects[0].by == By::ShotUnit) End();
    if (su && su != shotUnit_ && !(open_ && shot_.space && frame - shot_.begin < kFrames1s)) {
        char what[64];
        std::snprintf(what, sizeof what, "space shot of unit %d (kind %d)", su->pilot.objectId, su->kind);
        Begin(location, frame, what, {kShotUnit}, All, true);
    }
    shotUnit_ = su;
    if (!open_) return;
    if (frame - shot_.begin > kShotLongest || (shot_.space != (w == 1))) {
        End();
        return;
    }
    // A talk is measured once its box has settled.
    if (shot_.what == "talk" && g_DialogBox.pending > 0) return;
    Sample(frame);
}

ShotCheck g_check;

}  // namespace

void ShotCheckFrame(int location, unsigned frame) { g_check.Frame(location, frame); }

std::vector<std::string> ShotCheckTakeFailures() { return std::exchange(g_check.failures, {}); }

int ShotCheckShotCount() { return g_check.shots; }
