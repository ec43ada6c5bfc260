#include "campaign/test_pilot.h"

#include "campaign/shot_check.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <limits>
#include <map>
#include <set>

#include "app/winmain.h"
#include "app/wndproc.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/dialog_box.h"
#include "flight_ui/radio_menu.h"
#include "flight_ui/game_interface.h"
#include "locations/location_director.h"
#include "locations/pilot_profile.h"
#include "locations/sector_save.h"
#include "menus/campaign_page.h"
#include "menus/end_game.h"
#include "menus/game_menu.h"
#include "menus/pilots_page.h"
#include "menus/station_menu.h"
#include "platform/win/test_switches.h"
#include "platform/win/window.h"
#include "render/camera.h"
#include "render/d3d_render.h"
#include "render/mesh.h"
#include "world/game_clock.h"
#include "world/objects/attached_effect.h"
#include "world/objects/item.h"
#include "world/object_list.h"
#include "world/objects/object_codes.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {

constexpr double kFrameSeconds = 0.05;  // KORVANE_FRAME_MS=50
constexpr unsigned Seconds(double s) { return unsigned(s / kFrameSeconds); }

double WallNow()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

float Length(const Vec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

// The replies a player picks when they are offered, best first.
const char* const kPreferredReplies[] = {
    "Завершить задание.", "Задание выполнено.", "Я улетаю.", "Спасибо.", "Я готов лететь.",
};
const char* const kAvoidedReplies[] = {"Ничего, просто осмотрюсь.", "Я подожду."};

struct Pending {
    unsigned frame;
    unsigned message;
    WPARAM wParam;
    LPARAM lParam;
};

// The row of the box where a reply is drawn, -1 when it is not in view.
float ReplyRowY(const CDialogBox& box, const RadioReplyEntry& reply)
{
    const float h = box.font.GetTextHeight(1.0f);
    for (int i = 0; i < kDialogHistoryLines; ++i) {
        if (box.history[i].line != reply.line || box.history[i].type != reply.type) continue;
        const float y = box.DrawnTop() + h / 2.0f + (float(i) + 0.5f) * h;
        // Rows in the box's last line fade out: what cannot be read is not clicked.
        return y + h / 2.0f > float(box.bottom) - h ? -1.0f : y;
    }
    return -1.0f;
}

void Sphere(const CUnit* u, Vec3* centre, float* radius);

class Pilot {
public:
    explicit Pilot(const PilotPlan& plan) : plan_(plan) {}

    void Frame(unsigned frame);
    PilotReport Finish();

private:
    // ---- input, as the window procedure gets it ----
    void Post(unsigned message, WPARAM w, LPARAM l) { PostMessage(GetMainWindow(), message, w, l); }
    void PostAt(unsigned frame, unsigned message, WPARAM w, LPARAM l) { later_.push_back({frame, message, w, l}); }
    static LPARAM At(float x, float y)
    {
        return MAKELPARAM(unsigned(std::lround(x * g_ScreenScaleX)), unsigned(std::lround(y * g_ScreenScaleY)));
    }
    // A press lasts two frames: keys the game reads once a frame (Esc, Space) see it down.
    void Key(unsigned vk)
    {
        Post(WM_KEYDOWN, vk, 1);
        PostAt(frame_ + 2, WM_KEYUP, vk, LPARAM(std::uint32_t(1u | (3u << 30))));
    }
    void Hold(unsigned vk, bool down)
    {
        const bool held = held_.count(vk) != 0;
        if (down == held) return;
        if (down) {
            held_.insert(vk);
            Post(WM_KEYDOWN, vk, 1);
        } else {
            held_.erase(vk);
            Post(WM_KEYUP, vk, LPARAM(std::uint32_t(1u | (3u << 30))));
        }
    }
    void ReleaseAll()
    {
        for (unsigned vk : std::set<unsigned>(held_)) Hold(vk, false);
        if (mouseDown_) {
            Post(WM_LBUTTONUP, 0, At(400.0f, 300.0f));
            mouseDown_ = false;
        }
    }
    void Click(float x, float y)
    {
        Post(WM_MOUSEMOVE, 0, At(x, y));
        Post(WM_LBUTTONDOWN, 0, At(x, y));
        PostAt(frame_ + 2, WM_LBUTTONUP, 0, At(x, y));
    }
    void Fire(bool on)
    {
        if (on == mouseDown_) return;
        mouseDown_ = on;
        Post(on ? WM_LBUTTONDOWN : WM_LBUTTONUP, 0, At(400.0f, 300.0f));
    }
    bool Ready() const { return frame_ >= nextAction_; }
    void Wait(double seconds) { nextAction_ = frame_ + Seconds(seconds); }

    // ---- what the pilot does ----
    void ClickButton(const CButton& b);
    bool ClickRing(const char* caption);
    void NextGoal();
    void Menu();
    void DialogBox();
    void CommWindow();
    void Space();
    void Interior();
    void Shop();
    void ClickBox(const CManagementMenuButton& b) { Click(b.x + b.width / 2.0f, b.y + b.height / 2.0f); }
    int ChooseReply(const RadioReplyEntry* replies, int first, const void* speaker);
    void Steer(const Vec3& point, float wantedSpeed, float stopWithin);
    bool Fight(bool log);
    bool ArkEscort(bool log);
    bool Command(CUnit* mine);

    // ---- the watch ----
    void NewLocation(int id);
    void CloseRow(const char* end);
    void Watch();
    void Fail(const std::string& what);

    PilotPlan plan_;
    PilotReport report_;
    unsigned frame_ = 0;
    unsigned nextAction_ = 0;
    std::deque<Pending> later_;
    std::set<unsigned> held_;
    bool mouseDown_ = false;
    bool focused_ = false;
    bool begun_ = false;
    int losses_ = 0;
    std::string rowEnd_;
    unsigned lastStepChange_ = 0;
    int cargoStations_ = -1;
    double goalGame_ = 0.0;
    double lastClock_ = 0.0;
    std::map<std::pair<const void*, int>, int> chosen_;

    // What a won sector leaves for the player: the campaign page's newest entry and the
    // rating in Player.cfg, read as a restart reads them.
    void CheckWonSector(int sector);
    bool ReadRating(PilotRating* out) const;
    int wonSector_ = 0;
    PilotRating expected_{};
    bool pageRead_ = false;

    // Menu and goals
    int typed_ = 0;
    std::size_t goal_ = 0;
    bool goalStarted_ = false;
    bool leaving_ = false;
    bool missingReported_ = false;

    // Location row
    int location_ = -2;
    unsigned rowFrame_ = 0;
    double rowWall_ = 0.0;
    double rowGame_ = 0.0;

    // Watch
    unsigned manualOff_ = 0;
    unsigned talkHidden_ = 0;
    std::map<long, std::pair<int, Vec3>> steps_;  // unit -> its step and where it was when it last moved on
    bool stalled_ = false;

    // Space
    int spacePhase_ = 0;
    unsigned phaseFrame_ = 0;
    bool mineGone_ = false;
    CUnit* mine_ = nullptr;  // compared only, never followed: it may be gone
    bool wantLanding_ = false;
    int targetTries_ = 0;
    bool shopDone_ = false;       // this visit's purchases made
    int terminalTries_ = 0;
    int operatorTries_ = 0;  // clicks on the operator that opened no talk
    int scrolls_ = 0;
    std::set<int> weaponRowsDone_;
    int lastShot_ = 0;
    bool breakOff_ = false;
    unsigned breakFrame_ = 0;
    bool retreat_ = false;
    int command_ = 0;
    unsigned commandFrame_ = 0;
    std::set<int> visited_;
    unsigned visitFrame_ = 0;
    std::deque<unsigned> keys_;  // radio keys still to press, one a step
};

Pilot* g_pilot = nullptr;

void Hook(unsigned frame)
{
    if (g_pilot) g_pilot->Frame(frame);
}

// ---------------------------------------------------------------------------------------

void Pilot::Frame(unsigned frame)
{
    frame_ = frame;
    while (!later_.empty() && later_.front().frame <= frame_) {
        const Pending p = later_.front();
        later_.pop_front();
        Post(p.message, p.wParam, p.lParam);
    }
    if (report_.finished || stalled_) return;
    // After an earlier run in this process the menu's state is that run's until the start-up
    // clears the location.
    if (!begun_ && g_LocationDirector.locationId != LOCATION_NONE) return;
    begun_ = true;
    if (!focused_) {
        // SDL's dummy video driver never gives the window the focus a desktop would.
        focused_ = true;
        Post(WM_ACTIVATE, WA_ACTIVE, 0);
        Post(WM_SETFOCUS, 0, 0);
    }
    if (frame_ > plan_.frameLimit) {
        Fail("the run took more than " + std::to_string(plan_.frameLimit) + " frames");
        return;
    }
    const int id = g_LocationDirector.locationId;
    if (goal_ < plan_.goals.size() && plan_.goals[goal_].kind == PilotGoalKind::Sector && location_ >= 0 &&
        location_ == plan_.goals[goal_].mission && id != location_) {
        // A sector tried alone ends where it is left.
        rowEnd_ = id == LOCATION_GAME_MENU ? "left" : "next location";
        NextGoal();
        return;
    }
    // The clock starts again with every load: a mission started again is a new row too.
    if (id != location_ || g_GameClock.gameTime < lastClock_) NewLocation(id);
    lastClock_ = g_GameClock.gameTime;
    rowGame_ += kFrameSeconds;

    if (std::getenv("KORVANE_PILOT_TRACE") && frame_ % 200 == 0)
        std::fprintf(stderr, "[pilot] frame %u: game %.0f scale %.2f real %.3f active %d kind %d menu %d world %d comm %d over %d shot %d goal %.0f home %.0f\n",
                     frame_, g_GameClock.gameTime, g_GameClock.timeScale, g_GameClock.realFrameSeconds, g_AppActive,
                     g_LocationKind, g_GameMenuActive, g_WorldIndex, g_CommMode, g_LocationDirector.missionOver,
                     g_World.cameras[1].cinematicView, goalGame_, g_HeroStation ? g_HeroStation->hull : -1.0f);
    if (std::getenv("KORVANE_PILOT_TRACE") && frame_ % 200 == 0)
        std::fprintf(stderr, "[pilot] frame %u: text %d esc %d ready %d\n", frame_, g_TextInputState, g_KeyEsc, Ready());
    if (std::getenv("KORVANE_PILOT_TRACE") && g_World.cameras[1].cinematicView != lastShot_) {
        lastShot_ = g_World.cameras[1].cinematicView;
        const CCamera& c = g_World.cameras[1];
        std::fprintf(stderr, "[pilot] frame %u: outside view %d (shot unit %d, target is the player %d, manual %d)\n", frame_, lastShot_,
                     c.shotUnit ? c.shotUnit->pilot.objectId : -9, c.target ? int(c.target == g_PlayerObject) : -9,
                     g_PlayerObject ? g_PlayerObject->manualControl : -9);
    }
    Watch();
    if (stalled_) return;
    ShotCheckFrame(location_, frame_);

    if (g_GameMenuActive || id < 0 || id == LOCATION_GAME_MENU) {
        Menu();
        return;
    }
    if (id >= LOCATION_SINGLE_FIRST && id <= LOCATION_SINGLE_LAST) goalGame_ += kFrameSeconds;
    if (rowGame_ > 1800.0 && !g_GameMenuActive) {
        const CUnit* p = g_PlayerObject;
        char state[160];
        std::snprintf(state, sizeof state, " (player ship %s, manual control %d, docking stage %d, camera shot %d)",
                      p ? "present" : "gone", p ? p->manualControl : -1, p ? p->dockingStage : -1,
                      g_World.cameras[1].cinematicView);
        Fail(std::string("the location did not end in 30 minutes of game time") + state);
        return;
    }
    // (In space: inside the station the desk is where the ship is taken out again.)
    if (id >= LOCATION_SINGLE_FIRST && id <= LOCATION_SINGLE_LAST && goalGame_ > plan_.secondsLimit && Ready() &&
        !g_GameMenuActive && !g_CommMode && g_LocationKind == 1 && !g_LocationDirector.missionOver) {
        // Long enough: Esc and "Да" leave the mission for the menu.
        leaving_ = true;
        ReleaseAll();
        Key(VK_ESCAPE);
        Wait(2.0);
        return;
    }
    if (g_LocationKind == 2) wantLanding_ = false, spacePhase_ = 0, retreat_ = false, command_ = 0;
    if (g_LocationKind == 1 && !g_StationMenuActive)
        shopDone_ = false, terminalTries_ = operatorTries_ = 0, weaponRowsDone_.clear();
    if (std::getenv("KORVANE_PILOT_TRACE") && frame_ % 200 == 0)
        std::fprintf(stderr, "[pilot] frame %u: box %.1f/%.1f pending %d top %.0f world %d kind %d comm %d speaker %d clicks %d shown %d\n", frame_, g_DialogBox.height, g_DialogBox.targetHeight, g_DialogBox.pending, g_DialogBox.DrawnTop(),
                     g_WorldIndex, g_LocationKind, g_CommMode, g_DialogBox.speaker != nullptr, g_PlanetClicksEnabled,
                     g_GameInterface.shown);
    if (g_WorldIndex == 0) {
        if (g_StationMenuActive) Shop();
        else if (g_CommMode && g_DialogBox.speaker) DialogBox();
        else if (g_LocationKind == 2) Interior();
    } else if (g_WorldIndex == 1) {
        if (g_CommMode && g_CommWindow.state == 1) CommWindow();
        Space();
    }
}

void Pilot::NewLocation(int id)
{
    // A location lost time after time is not going to be won: the run stops there.
    losses_ = id == location_ && rowEnd_ == "ship lost" ? losses_ + 1 : 0;
    if (wonSector_ && rowEnd_.rfind("won", 0) == 0 && location_ == wonSector_) CheckWonSector(wonSector_);
    wonSector_ = 0;
    if (location_ != -2) CloseRow(rowEnd_.c_str());
    rowEnd_.clear();
    ReleaseAll();
    location_ = id;
    rowFrame_ = frame_;
    rowWall_ = WallNow();
    rowGame_ = 0.0;
    manualOff_ = talkHidden_ = 0;
    lastStepChange_ = frame_;
    steps_.clear();
    spacePhase_ = 0;
    phaseFrame_ = frame_;
    mineGone_ = false;
    mine_ = nullptr;
    wantLanding_ = false;
    retreat_ = false;
    command_ = 0;
    visited_.clear();
    visitFrame_ = 0;
    chosen_.clear();
    std::fprintf(stderr, "[pilot] frame %u: location %d\n", frame_, id);
    if (losses_ >= 10) Fail("lost 10 times in a row");
}

void Pilot::CloseRow(const char* end)
{
    if (location_ < 0 || location_ == LOCATION_GAME_MENU) return;
    PilotRow r;
    r.location = location_;
    r.gameSeconds = rowGame_;
    r.frames = frame_ - rowFrame_;
    r.wallSeconds = WallNow() - rowWall_;
    r.end = end;
    r.next = g_LocationDirector.locationId;
    report_.rows.push_back(r);
}

void Pilot::Fail(const std::string& what)
{
    char head[64];
    std::snprintf(head, sizeof head, "location %d (kind %d), %.0f s in: ", location_, g_LocationKind, rowGame_);
    report_.failures.push_back(head + what);
    std::fprintf(stderr, "[pilot] FAIL %s%s\n", head, what.c_str());
    stalled_ = true;
    CloseRow("stalled");
    ReleaseAll();
    Post(WM_CLOSE, 0, 0);
}

void Pilot::Watch()
{
    if (g_GameMenuActive || location_ < 0 || location_ == LOCATION_GAME_MENU) {
        manualOff_ = talkHidden_ = 0;
        steps_.clear();
        return;
    }
    // A talk open but not shown or not answerable.
    bool hidden = false;
    if (g_WorldIndex == 0 && g_CommMode && g_DialogBox.speaker) {
        bool answerable = false;
        for (int j = 1; j < RADIO_REPLY_TABLE_SIZE && g_DialogBox.replies[j].type; ++j)
            if (g_DialogBox.replies[j].type != TEXTLINE_QUESTION && ReplyRowY(g_DialogBox, g_DialogBox.replies[j]) >= 0.0f)
                answerable = true;
        hidden = !g_GameInterface.shown || !answerable || g_DialogBox.pending > 0;
    }
    talkHidden_ = hidden ? talkHidden_ + 1 : 0;
    if (talkHidden_ > Seconds(20.0)) Fail("a talk is open but not shown or not answerable for 20 s");
    // A scene that stands still: no unit of it changed its script step or moved 500 units
    // for five minutes (an ambush waits while the convoy it waits for still flies).
    // Sector 12's scene waits for its cargo stations to fall, far apart: each that falls
    // is the scene going on.
    std::map<long, std::pair<int, Vec3>> now;
    std::string waiting;
    int cargoStations = 0;
    for (int w = 0; w < 2; ++w)
        for (uint32_t i = 0; i < CObjectList::unitCount[w]; ++i) {
            const CUnit* u = CObjectList::units[w][i];
            // Only the worlds that run: the station's people wait while the ship is out.
            if (!u) continue;
            if (w == 1 && u->kind == GTYPE_SP_STATION && u->objectClass == GCLASS_SPACE_SHIP && u->FindCargoItem())
                ++cargoStations;
            // The ark that sector 12's scene moves across the sector for 500 s in one step.
            const bool ark = location_ == LOCATION_SECTOR_LAST && w == 1 && u->pilot.objectId == 20 && u->IsAlive();
            if ((u->scriptStep < 0 && !ark) || (w == 0 && g_LocationKind == 1) || (w == 1 && g_LocationKind == 0)) continue;
            // Traffic keeps its steady steps (hailing, guarding) as long as it lives.
            if (u->kind == GTYPE_SP_NPCSHIP_MOVED) continue;
            // At step 0 only the scene's own ships count (a convoy on its way), and the ark.
            if (u->scriptStep == 0 && !ark && (u->kind < GTYPE_SP_NPCSHIP_ID0 || u->kind > GTYPE_SP_NPCSHIP_ID2)) continue;
            const long key = long(u->pilot.objectId) * 2 + w;
            auto was = steps_.find(key);
            if (was == steps_.end() || was->second.first != u->scriptStep || Length(u->position - was->second.second) > 500.0f) {
                now[key] = {u->scriptStep, u->position};
                lastStepChange_ = frame_;
            } else {
                now[key] = was->second;
            }
            if (u->scriptStep > 0 && !ark)
                waiting += " unit " + std::to_string(u->pilot.objectId) + " (kind " + std::to_string(u->kind) + ", world " +
                       std::to_string(w) + ") at step " + std::to_string(u->scriptStep) + ";";
        }
    if (location_ == LOCATION_SECTOR_LAST && cargoStations != cargoStations_) {
        cargoStations_ = cargoStations;
        lastStepChange_ = frame_;
    }
    if (!waiting.empty() && frame_ - lastStepChange_ > Seconds(300.0)) {
        Fail("no scene unit changed its step or moved for five minutes:" + waiting);
        return;
    }
    steps_ = std::move(now);
    // Manual control off with nothing scripted running (a ship gone from space without a
    // location change counts too).
    CUnit* p = g_PlayerObject;
    if (g_WorldIndex == 1 && g_LocationKind == 1) {
        const CCamera& cam = g_World.cameras[1];
        const bool shot = cam.cinematicView || cam.shotUnit;
        // A scripted move: the ship under an order, or a scene whose steps still move on.
        const bool scripted = (p && p->orderType != 0) || frame_ - lastStepChange_ < Seconds(30.0);
        manualOff_ = ((!p || !p->manualControl) && !shot && !scripted) ? manualOff_ + 1 : 0;
        if (manualOff_ > Seconds(30.0))
            Fail(p ? "manual control off for 30 s with no camera shot or scripted move"
                   : "the player's ship gone from space for 30 s with no camera shot or scripted move");
    } else {
        manualOff_ = 0;
    }
}

// ---------------------------------------------------------------------------------------

void Pilot::ClickButton(const CButton& b)
{
    Click((b.left + b.right) / 2.0f, (b.top + b.bottom) / 2.0f);
}

// The main menu's ring with the caption; false when there is none.
bool Pilot::ClickRing(const char* caption)
{
    for (const CMainMenuButton& b : g_MainMenuButtons)
        if (std::strcmp(b.caption, caption) == 0) {
            Click(b.idleRing.centreX / g_ScreenScaleX, b.idleRing.centreY / g_ScreenScaleY);
            return true;
        }
    return false;
}

bool Pilot::ReadRating(PilotRating* out) const
{
    char name[kPilotNameSize];
    if (!ReadPilotName(g_PilotSlot, name, sizeof name)) return false;
    LoadPilotRatings(RATING_KEY_ORE);
    for (int i = 0; i < g_PilotRatingCount; ++i)
        if (std::strcmp(g_PilotRatings[i].name, name) == 0) return *out = g_PilotRatings[i], true;
    return false;
}

void Pilot::CheckWonSector(int sector)
{
    const std::string where = "after sector " + std::to_string(sector) + " was won: ";
    // The campaign page lists the sectors up to the count of saves, the last with its ships.
    int ships = 0;
    float ore = 0.0f;
    ReadSectorSaveSummary(sector + 1, &ships, &ore);
    if (sector < LOCATION_SECTOR_LAST && (CountSavedSectors() != sector + 1 || ships < 1))
        report_.failures.push_back(where + "the campaign page does not list sector " + std::to_string(sector + 1));
    PilotRating now{};
    if (!ReadRating(&now) || now.kills != expected_.kills ||
        std::fabs(now.ore + now.killScore - expected_.ore - expected_.killScore) > 0.01f)
        report_.failures.push_back(where + "Player.cfg holds " + std::to_string(now.kills) + " kills and rating " +
                                   std::to_string(now.ore + now.killScore) + ", the results " +
                                   std::to_string(expected_.kills) + " and " +
                                   std::to_string(expected_.ore + expected_.killScore));
}

void Pilot::NextGoal()
{
    std::fprintf(stderr, "[pilot] frame %u: goal %zu reached\n", frame_, goal_);
    ++goal_;
    goalStarted_ = false;
    if (goal_ >= plan_.goals.size()) {
        report_.finished = true;
        CloseRow("");
        location_ = -2;
        Post(WM_CLOSE, 0, 0);
    }
}

void Pilot::Menu()
{
    if (!Ready()) return;
    if (!g_GameMenuActive) {
        // The start logo: a key skips it.
        if (g_LocationDirector.locationId < 0) Key(VK_SPACE);
        Wait(0.5);
        return;
    }
    if (g_MenuDialogOpen) {
        switch (g_MenuDialogType) {
        case MENU_DIALOG_PILOT_NAME: {
            static const char name[] = "Tester";
            if (typed_ < int(sizeof name) - 1) {
                Post(WM_CHAR, WPARAM(static_cast<unsigned char>(name[typed_++])), 1);
                Wait(0.15);
                return;
            }
            Key(VK_RETURN);
            break;
        }
        case MENU_DIALOG_NEW_CAMPAIGN:
            ClickButton(g_MenuYesButton);
            break;
        case MENU_DIALOG_DESTROYED:
            rowEnd_ = "ship lost";
            // Start again, unless a single mission has had its time: then back to the menu.
            ClickButton(goalGame_ > plan_.secondsLimit ? g_MenuNoButton : g_MenuYesButton);
            break;
        case MENU_DIALOG_LEAVE_MISSION:
            if (leaving_) rowEnd_ = "left after five minutes";
            ClickButton(leaving_ ? g_MenuYesButton : g_MenuNoButton);
            break;
        default:
            ClickButton(g_MenuNoButton);
            break;
        }
        Wait(2.0);
        return;
    }
    const PilotGoal goal = goal_ < plan_.goals.size() ? plan_.goals[goal_] : PilotGoal{};
    switch (g_MenuPage) {
    case MENU_PAGE_PILOTS:
        if (g_PilotCount == 0) ClickButton(g_NewPilotButton);
        else ClickButton(g_ContinuePilotButton);
        Wait(2.0);
        return;
    case MENU_PAGE_MAIN:
        if (goal_ >= plan_.goals.size()) return;
        if (goalStarted_) {
            // Back in the menu after the campaign's end: the campaign page lists every sector.
            if (goal.kind == PilotGoalKind::Campaign && report_.failures.empty() && !pageRead_) {
                pageRead_ = true;
                if (!ClickRing("Продолжить кампанию")) report_.failures.push_back("the main menu has no campaign page");
                Wait(3.0);
                return;
            }
            // Back in the menu after the goal's locations: the campaign's end, or a mission left.
            NextGoal();
            Wait(2.0);
            return;
        }
        goalStarted_ = true;
        leaving_ = false;
        goalGame_ = 0.0;
        ClickRing(goal.kind == PilotGoalKind::Campaign ? "Новая кампания"
                  : goal.kind == PilotGoalKind::Sector ? "Продолжить кампанию" : "Одиночная миссия");
        Wait(3.0);
        return;
    case MENU_PAGE_CAMPAIGN:
    case MENU_PAGE_SINGLE: {
        if (goal.kind == PilotGoalKind::Campaign && pageRead_) {
            const int selected = CGameMenu::SelectedListEntry();
            if (g_ListEntryCount != LOCATION_SECTOR_LAST + 1 || selected != LOCATION_SECTOR_LAST)
                report_.failures.push_back("the campaign page lists " + std::to_string(g_ListEntryCount) +
                                           " entries with entry " + std::to_string(selected) +
                                           " selected after the campaign's end");
            ClickButton(g_MenuBackButton);
            Wait(2.0);
            return;
        }
        if (goal.kind != (g_MenuPage == MENU_PAGE_SINGLE ? PilotGoalKind::SingleMission : PilotGoalKind::Sector) || goal.mission < 1 || goal.mission > int(g_ListEntryCount)) {
            if (goal.kind == PilotGoalKind::SingleMission && !missingReported_) {
                missingReported_ = true;
                report_.failures.push_back("single mission " + std::to_string(goal.mission) +
                                           " is not on the page (" + std::to_string(g_ListEntryCount) + " listed)");
            }
            ClickButton(g_MenuBackButton);
            goalStarted_ = true;
            Wait(2.0);
            return;
        }
        // The campaign page's first row is the planet intro: row n is sector n.
        const int entry = goal.kind == PilotGoalKind::Sector ? goal.mission : goal.mission - 1;
        if (entry >= int(g_ListEntryCount)) {
            report_.failures.push_back("sector " + std::to_string(goal.mission) + " is not on the page");
            ClickButton(g_MenuBackButton);
            goalStarted_ = true;
            Wait(2.0);
            return;
        }
        if (CGameMenu::SelectedListEntry() != entry) {
            ClickButton(g_ListEntryButtons[entry]);
            Wait(1.0);
            return;
        }
        ClickButton(g_MenuLoadButton);
        Wait(3.0);
        return;
    }
    case MENU_PAGE_RESULTS: {
        // Sector 12's victory is the finale's when its scene (unit 50) is past the last step.
        const CUnit* scene = CObjectList::FindById(50);
        rowEnd_ = g_MissionResult != 1                  ? "results without a victory"
                  : location_ != LOCATION_SECTOR_LAST   ? "won"
                  : scene && scene->scriptStep == 16    ? "won at the finale"
                                                        : "won before the finale";
        // The continue button adds the mission's totals to the pilot's rating: what the file
        // should hold is taken once, when the page opens.
        if (g_MissionResult == 1 && wonSector_ != location_ && IsSectorLocation(location_) && ReadRating(&expected_)) {
            wonSector_ = location_;
            expected_.ore += g_LocationDirector.sessionOre;
            expected_.kills += g_LocationDirector.sessionKills;
            expected_.killScore += g_LocationDirector.sessionKillScore;
        }
        ClickButton(g_ResultsContinueButton);
        Wait(2.0);
        return;
    }
    default:
        return;
    }
}

int Pilot::ChooseReply(const RadioReplyEntry* replies, int first, const void* speaker)
{
    int best = -1, bestRank = std::numeric_limits<int>::max();
    for (int j = first; j < RADIO_REPLY_TABLE_SIZE && replies[j].type; ++j) {
        if (replies[j].type == TEXTLINE_QUESTION) continue;
        int rank = 100 + j;
        for (int k = 0; k < int(std::size(kPreferredReplies)); ++k)
            if (std::strcmp(replies[j].text, kPreferredReplies[k]) == 0) rank = k;
        for (const char* a : kAvoidedReplies)
            if (std::strcmp(replies[j].text, a) == 0) rank = 500 + j;
        if (replies[j].type == TEXTLINE_REQUEST_LANDING || replies[j].type == TEXTLINE_REQUEST_LOADING)
            // In the second space intro the station's greeting is where the landing is asked.
            rank = (wantLanding_ || location_ == LOCATION_SPACE_INTRO_2) && replies[j].type == TEXTLINE_REQUEST_LANDING
                       ? -1 : 450 + j;
        // With the mine destroyed the desk is visited to end the mission, not to leave again.
        if (mineGone_ && std::strcmp(replies[j].text, "Я улетаю.") == 0) rank = 400 + j;
        // A reply taken twice from the same speaker gives way to the others: talks that loop.
        rank += 200 * chosen_[{speaker, replies[j].line}];
        if (rank < bestRank) best = j, bestRank = rank;
    }
    if (best >= 0) ++chosen_[{speaker, replies[best].line}];
    return best;
}

void Pilot::DialogBox()
{
    CDialogBox& box = g_DialogBox;
    if (std::getenv("KORVANE_PILOT_TRACE") && frame_ % 200 == 0) {
        std::fprintf(stderr, "[pilot] frame %u: talk ready %d next %u replies:", frame_, Ready(), nextAction_);
        for (int j = 1; j < RADIO_REPLY_TABLE_SIZE && box.replies[j].type; ++j)
            std::fprintf(stderr, " [%d type %d line %d y %.0f]", j, box.replies[j].type, box.replies[j].line, ReplyRowY(box, box.replies[j]));
        std::fprintf(stderr, "\n");
    }
    if (!Ready() || box.pending > 0 || !g_GameInterface.shown) return;
    if (box.height < box.targetHeight) return;
    // Only the replies in view are candidates.
    RadioReplyEntry shown[RADIO_REPLY_TABLE_SIZE];
    std::memcpy(shown, box.replies, sizeof shown);
    for (int j = 1; j < RADIO_REPLY_TABLE_SIZE && shown[j].type; ++j)
        if (ReplyRowY(box, shown[j]) < 0.0f) shown[j].type = TEXTLINE_QUESTION;
    const int j = ChooseReply(shown, 1, box.speaker);
    if (j < 0) return;
    const float y = ReplyRowY(box, box.replies[j]);
    std::fprintf(stderr, "[pilot] frame %u: dialog reply \"%s\" at (%.0f %.0f)\n", frame_, box.replies[j].text,
                 float(box.left) + 40.0f, y);
    Click(float(box.left) + 40.0f, y);
    Wait(1.0);
}

void Pilot::CommWindow()
{
    if (std::getenv("KORVANE_PILOT_TRACE") && frame_ % 200 == 0) {
        std::fprintf(stderr, "[pilot] frame %u: comm open %.0f next %u speaker %d replies:", frame_, g_CommWindow.openPercent, nextAction_,
                     g_CommWindow.speaker ? g_CommWindow.speaker->pilot.objectId : -9);
        for (int j = 0; j < RADIO_REPLY_TABLE_SIZE && g_CommWindow.replies[j].type; ++j)
            std::fprintf(stderr, " [%d type %d]", j, g_CommWindow.replies[j].type);
        std::fprintf(stderr, "\n");
    }
    if (!Ready() || g_CommWindow.openPercent < 100.0f) return;
    const int j = ChooseReply(g_CommWindow.replies, 1, g_CommWindow.speaker);
    if (j < 1 || j > 9) return;
    std::fprintf(stderr, "[pilot] frame %u: radio reply %d \"%s\"\n", frame_, j, g_CommWindow.replies[j].text);
    Key('0' + unsigned(j));
    Wait(1.0);
}

// The desk's operator clicked when no talk runs: the hero walks up to him and the talk opens.
void Pilot::Interior()
{
    if (!Ready()) return;
    if (!g_PlanetClicksEnabled) {
        if (frame_ % 200 == 0) std::fprintf(stderr, "[pilot] frame %u: inside, clicks off\n", frame_);
        return;
    }
    CUnit* op = nullptr;
    for (uint32_t i = 0; i < CObjectList::unitCount[0]; ++i) {
        CUnit* u = CObjectList::units[0][i];
        if (u->kind == GTYPE_NPC_BASEKEEPER && !op) op = u;
        // With ore on the station the terminal on the desk comes first: the ship is fitted out.
        // With the mine gone the station is under attack: the desk at once, to end the mission,
        // unless the operator does not answer from where the hero stands: the terminal, next
        // to him, is walked to (and its menu left at once).
        const bool shopping = !mineGone_ && g_HeroStation && g_HeroStation->ore >= 1.0f;
        if (u->objectClass == GCLASS_ITEM && !shopDone_ && (shopping || (mineGone_ && operatorTries_ >= 3)) &&
            location_ >= LOCATION_SECTOR_FIRST && location_ <= LOCATION_SINGLE_LAST)
            op = u;
    }
    if (!op) return;
    const bool terminal = op->objectClass == GCLASS_ITEM;
    if (terminal && terminalTries_ > 6) {
        shopDone_ = true;  // the terminal does not answer: the desk instead
        return;
    }
    const CCamera& cam = g_World.cameras[0];
    Vec3 at = op->position + Vec3(0.0f, 1.2f, 0.0f);
    if (terminal) {
        // The terminal's middle, then round it: the operator or the desk may stand in front.
        static const Vec3 kAround[] = {Vec3(0.0f, 0.0f, 0.0f), Vec3(0.0f, 0.15f, 0.0f), Vec3(0.15f, 0.0f, 0.0f),
                                       Vec3(-0.15f, 0.0f, 0.0f), Vec3(0.0f, 0.0f, 0.15f), Vec3(0.0f, 0.0f, -0.15f),
                                       Vec3(0.0f, -0.1f, 0.0f)};
        float r = 0.0f;
        Sphere(op, &at, &r);
        at = at + kAround[terminalTries_ % int(std::size(kAround))] * (r > 0.0f ? r * 4.0f : 1.0f);
    }
    const Vec4 clip = Vec3Transform(Vec3TransformCoord(at, cam.view), cam.projection);
    const float x = (clip.x / clip.w + 1.0f) * 400.0f, y = (1.0f - clip.y / clip.w) * 300.0f;
    // Clicked in vain a few times (something stands in front): the view is turned as well.
    const bool blocked = !terminal && operatorTries_ > 0 && operatorTries_ % 3 == 0;
    if (blocked || !(clip.w > 0.0f) || x < 5.0f || x > 795.0f || y < 5.0f || y > 500.0f) {
        if (blocked) ++operatorTries_;
        // Out of view: the pointer on the bottom edge scrolls the view back, Down widens it.
        // The pointer at an edge scrolls the view that way: bottom first, then round the edges.
        static const float kEdges[][2] = {{400.0f, 599.0f}, {0.0f, 300.0f}, {799.0f, 300.0f}, {400.0f, 0.0f}};
        const float* edge = kEdges[(scrolls_++ / 2) % 4];
        std::fprintf(stderr, "[pilot] frame %u: the %s is out of view; the view is scrolled\n", frame_,
                     terminal ? "terminal" : "operator");
        Post(WM_MOUSEMOVE, 0, At(edge[0], edge[1]));
        PostAt(frame_ + 20, WM_MOUSEMOVE, 0, At(400.0f, 300.0f));
        PostAt(frame_ + 30, WM_KEYDOWN, VK_DOWN, 1);
        PostAt(frame_ + 60, WM_KEYUP, VK_DOWN, LPARAM(std::uint32_t(1u | (3u << 30))));
        Wait(5.0);
        return;
    }
    if (terminal) ++terminalTries_;
    else ++operatorTries_;
    std::fprintf(stderr, "[pilot] frame %u: the %s clicked at (%.0f %.0f)\n", frame_, terminal ? "terminal" : "operator", x, y);
    Click(x, y);
    Wait(6.0);
}

// The station menu as a player fits out his ship with the home station's ore: the best laser
// the ore pays for in each laser's place, then the hull up to its limit, then the lasers'
// reload; then back out through the dock page and the tabs.
void Pilot::Shop()
{
    if (!Ready() || g_StationMenuPageChanging || g_StationMenuLeaving) return;
    StationMenuState& m = g_StationMenu;
    const float ore = g_HeroStation ? g_HeroStation->ore : 0.0f;
    if (mineGone_) shopDone_ = true;  // no time to fit out: the station is under attack
    Wait(0.4);
    switch (g_StationMenuPage) {
    case STATION_PAGE_TABS:
        ClickBox(m.tabs[shopDone_ ? 4 : 0]);
        return;
    case STATION_PAGE_DOCK: {
        if (shopDone_) {
            ClickBox(m.dockBack);
            return;
        }
        for (int k = 0; k < m.shipRowCount && k < kStationShipRows; ++k) {
            CUnit* u = m.shipRows[k].object;
            if (!u || u->kind != GTYPE_SP_HEROSHIP) continue;
            if (m.selectedShip != u) ClickBox(m.shipRows[k]);
            else ClickBox(m.dockUpgrade);
            return;
        }
        shopDone_ = true;  // the ship is not in the bay's list: nothing to fit
        return;
    }
    case STATION_PAGE_UPGRADES: {
        CUnit* ship = m.selectedShip;
        if (!ship || shopDone_) {
            shopDone_ = true;
            ClickBox(m.upgradeExit);
            return;
        }
        auto selected = [&](int row) { return row < m.upgradeRowCount && m.upgradeRows[row].pressed; };
        auto laserRow = [&](int row) {
            const int i = m.upgradeRows[row].itemIndex;
            return row >= 3 && i >= 0 && i < kMaxUnitItems && ship->items[i] && ship->items[i]->kind == GTYPE_LASER_WEAPON;
        };
        // 1. Each laser replaced by the strongest the ore pays for.
        for (int row = 0; row < m.upgradeRowCount && row < kUpgradeRows; ++row) {
            if (!laserRow(row) || weaponRowsDone_.count(row)) continue;
            if (!selected(row)) {
                ClickBox(m.upgradeRows[row]);
                return;
            }
            int best = -1;
            float bestRate = 0.0f;
            for (int j = 0; j < m.catalogueCount && j < kCatalogueEntries; ++j) {
                const CWeaponInfoButton& e = m.catalogue[j];
                if (e.bulletDamage <= 0.0f || e.reloadTime <= 0.0f || e.reloadTime / e.bulletDamage * 10.0f > ore - 0.5f) continue;
                if (e.bulletDamage / e.reloadTime > bestRate) best = j, bestRate = e.bulletDamage / e.reloadTime;
            }
            const CItem* now = ship->items[m.upgradeRows[row].itemIndex];
            weaponRowsDone_.insert(row);
            if (best >= 0 && now->reloadTime > 0.0f && bestRate > 1.2f * now->bulletDamage / now->reloadTime) {
                std::fprintf(stderr, "[pilot] frame %u: laser row %d replaced by %s\n", frame_, row, m.catalogue[best].modelPath);
                ClickBox(m.catalogue[best]);
                // "Replace" a few frames on, once the choice has shown.
                const LPARAM replace = At(m.upgradeReplace.x + m.upgradeReplace.width / 2.0f,
                                          m.upgradeReplace.y + m.upgradeReplace.height / 2.0f);
                PostAt(frame_ + 5, WM_MOUSEMOVE, 0, replace);
                PostAt(frame_ + 6, WM_LBUTTONDOWN, 0, replace);
                PostAt(frame_ + 8, WM_LBUTTONUP, 0, replace);
                Wait(1.0);
            }
            return;
        }
        // 2. The hull, then the lasers' reload, as long as the ore lasts.
        const float hullCost = ship->hull / 500.0f;
        if (ship->hullMax < 250.0f && ore >= hullCost) {
            if (!selected(0)) ClickBox(m.upgradeRows[0]);
            else ClickBox(m.upgradeBuy);
            return;
        }
        for (int row = 0; row < m.upgradeRowCount && row < kUpgradeRows; ++row) {
            if (!laserRow(row)) continue;
            const CItem* it = ship->items[m.upgradeRows[row].itemIndex];
            if (it->reloadTime <= 0.21f || ore < (1500.0f - 1000.0f * it->reloadTime) / 1000.0f) continue;
            if (!selected(row)) ClickBox(m.upgradeRows[row]);
            else ClickBox(m.upgradeBuy);
            return;
        }
        std::fprintf(stderr, "[pilot] frame %u: fitted out: hull %.0f, %.1f ore left\n", frame_, ship->hullMax, ore);
        shopDone_ = true;
        ClickBox(m.upgradeExit);
        return;
    }
    default:
        shopDone_ = true;
        return;
    }
}

void Pilot::Steer(const Vec3& point, float wantedSpeed, float stopWithin)
{
    CUnit* p = g_PlayerObject;
    const Vec3 local = p->WorldToLocal(point);
    const float yaw = std::atan2(local.x, local.z);
    const float pitch = std::atan2(local.y, std::sqrt(local.x * local.x + local.z * local.z));
    const float wantYaw = std::clamp(yaw * 0.6f, -0.3f, 0.3f);
    const float wantPitch = std::clamp(pitch * 0.6f, -0.3f, 0.3f);
    Hold(VK_RIGHT, p->angularStep.y < wantYaw - 0.02f);
    Hold(VK_LEFT, p->angularStep.y > wantYaw + 0.02f);
    Hold(VK_DOWN, p->angularStep.x < -wantPitch - 0.02f);
    Hold(VK_UP, p->angularStep.x > -wantPitch + 0.02f);
    const float d = Length(point - p->position);
    float speed = std::fabs(yaw) > 0.5f || std::fabs(pitch) > 0.5f ? 0.0f : wantedSpeed;
    if (d < stopWithin) speed = 0.0f;
    Hold('W', p->speedPercent < speed - 3.0f);
    Hold('S', p->speedPercent > speed + 3.0f);
}

// The bounding sphere of a unit in world space (a unit without bounds takes its first mesh's).
void Sphere(const CUnit* u, Vec3* centre, float* radius)
{
    Vec3 c = u->boundsCentre;
    float r = u->boundsRadius;
    if (r <= 0.0f && u->meshCount > 0 && u->meshes[0]) {
        const float s = std::max({std::fabs(u->scale.x), std::fabs(u->scale.y), std::fabs(u->scale.z)});
        const CMesh* m = u->meshes[0];
        c = Vec3(m->m_SphereCenter.x * u->scale.x, m->m_SphereCenter.y * u->scale.y, m->m_SphereCenter.z * u->scale.z);
        r = m->m_SphereRadius * s;
    }
    *centre = Vec3TransformCoord(c, u->drawMatrix);
    *radius = r > 0.0f ? r : 10.0f;
}

// A point to fly by instead of through the unit, or the goal itself when the way is clear.
Vec3 AroundUnit(const CUnit* u, const Vec3& from, const Vec3& goal)
{
    Vec3 c;
    float r = 0.0f;
    Sphere(u, &c, &r);
    const Vec3 d = goal - from;
    const float len2 = d.x * d.x + d.y * d.y + d.z * d.z;
    if (len2 < 1.0f) return goal;
    float t = ((c.x - from.x) * d.x + (c.y - from.y) * d.y + (c.z - from.z) * d.z) / len2;
    t = std::clamp(t, 0.0f, 1.0f);
    const Vec3 closest = from + d * t;
    if (Length(closest - c) > r * 1.15f || Length(closest - goal) < 250.0f) return goal;
    Vec3 side = closest - c;
    if (Length(side) < 1.0f) side = Vec3(0.0f, 1.0f, 0.0f);
    return c + side * (r * 1.6f / Length(side));
}

// A living craft of a side hostile to the player's ship p, not a station.
bool IsEnemyCraft(const CUnit* p, const CUnit* u)
{
    return u != p && u->IsCraft() && u->IsAlive() && !IsStationKindValue(u->kind) && p->IsHostileTo(u);
}

// The nearest enemy ship within `radius` of the player: a craft of a hostile side, not a station.
CUnit* NearestEnemyShip(const CUnit* p, float radius)
{
    CUnit* best = nullptr;
    float bestDistance = radius;
    for (uint32_t i = 0; i < CObjectList::unitCount[1]; ++i) {
        CUnit* u = CObjectList::units[1][i];
        if (!IsEnemyCraft(p, u)) continue;
        const float d = Length(u->position - p->position);
        if (d >= bestDistance) continue;
        // One sitting on a station's hull, behind it from here, is not fought.
        Vec3 hit;
        const Vec3 dir = (u->position - p->position) * (1.0f / std::max(d, 1.0f));
        const CUnit* first = g_World.SegmentHitTest(p->position, u->position + dir * 50.0f, 0, &hit, nullptr,
                                                    const_cast<CUnit*>(p), nullptr);
        if (first && first != u && IsStationKindValue(first->kind)) continue;
        best = u, bestDistance = d;
    }
    return best;
}

// The sector's mine: a station with a cargo bay that is not the player's home.
// The mine to shoot: the one chosen before while it stands, else the nearest (sector 12 has
// two far apart, and going for whichever the list holds first flew to and fro between them).
// With `leaveBurning` one already blowing up is left to burn (sector 12 has three to go).
CUnit* Mine(CUnit* chosen, bool leaveBurning)
{
    auto isMine = [leaveBurning](const CUnit* u) {
        return u != g_HeroStation && u->kind == GTYPE_SP_STATION && u->objectClass == GCLASS_SPACE_SHIP &&
               (leaveBurning ? u->IsAlive() : u->hull > 0.0f) && u->FindCargoItem();
    };
    CUnit* best = nullptr;
    float nearest = 1.0e30f;
    for (uint32_t i = 0; i < CObjectList::unitCount[1]; ++i) {
        CUnit* u = CObjectList::units[1][i];
        if (!isMine(u)) continue;
        if (u == chosen) return u;
        const float d = g_PlayerObject ? Length(u->position - g_PlayerObject->position) : 0.0f;
        if (d < nearest) best = u, nearest = d;
    }
    return best;
}

void Pilot::Space()
{
    CUnit* p = g_PlayerObject;
    if (p && location_ == LOCATION_SPACE_INTRO_1 && g_LocationKind == 1 && p->scriptStep == 6 && Ready()) {
        // The radio help asks for the escort as the target: F picks the nearest friend, T the next one.
        std::fprintf(stderr, "[pilot] frame %u: targeting (now %d)\n", frame_, p->target ? p->target->pilot.objectId : -1);
        Key(!p->target ? 'F' : 'T');
        Wait(1.0);
        return;
    }
    if (p && g_RadioMenu.state != 0 && g_RadioMenu.page == RADIO_PAGE_HELP && g_CommWindow.state == 0 && p->target &&
        Ready()) {
        // The radio help has been read: F1 puts it away.
        std::fprintf(stderr, "[pilot] frame %u: radio help closed\n", frame_);
        Key(VK_F1);
        Wait(2.0);
        return;
    }
    if (p && !p->manualControl && std::getenv("KORVANE_PILOT_TRACE") && frame_ % 200 == 0) {
        CUnit* s50 = CObjectList::FindById(50);
        std::fprintf(stderr, "[pilot] frame %u: held: order %d stage %d sub %d bay %d req %d state %d\n", frame_, p->orderType,
                     p->dockingStage, p->orderSubState, s50 && s50->bayUnit ? s50->bayUnit->pilot.objectId : -9,
                     s50 && s50->bayRequestUnit ? s50->bayRequestUnit->pilot.objectId : -9, s50 ? s50->bayState : -9);
    }
    if (!p || !p->manualControl || g_LocationKind != 1) {
        ReleaseAll();
        return;
    }
    if (keys_.empty() && g_RadioMenu.state == 1 && g_RadioMenu.page != RADIO_PAGE_HELP &&
        g_RadioMenu.openPercent >= 100.0f && g_CommWindow.state == 0 && Ready()) {
        Key(VK_F3);  // an order page left open: closed, or every call would be refused
        Wait(0.6);
        return;
    }
    const bool sector = (location_ >= LOCATION_SECTOR_FIRST && location_ <= LOCATION_SECTOR_LAST) ||
                        (location_ >= LOCATION_SINGLE_FIRST && location_ <= LOCATION_SINGLE_LAST);
    const bool intro = location_ == LOCATION_SPACE_INTRO_2 || location_ == LOCATION_SPACE_INTRO_1;
    if (!sector && !intro) return;
    CUnit* mine = sector && !mineGone_ ? Mine(mine_, location_ == LOCATION_SECTOR_LAST) : nullptr;
    mine_ = mine;
    if (sector && !mine && !mineGone_) {
        mineGone_ = true;
        std::fprintf(stderr, "[pilot] frame %u: the mine is gone\n", frame_);
    }
    const bool log = frame_ % (spacePhase_ == 2 ? 20 : 100) == 0;
    if (log && std::getenv("KORVANE_PILOT_TRACE") && sector) {
        int nearPlayer = 0, nearMine = 0, all = 0;
        for (uint32_t i = 0; i < CObjectList::unitCount[1]; ++i) {
            CUnit* u = CObjectList::units[1][i];
            if (!IsEnemyCraft(p, u)) continue;
            ++all;
            if (Length(u->position - p->position) < 2000.0f) ++nearPlayer;
            if (mine && Length(u->position - mine->position) < 3000.0f) ++nearMine;
        }
        std::fprintf(stderr, "[pilot] frame %u: enemies %d, %d near the player, %d near the mine; hull %.0f; station ore %.1f, orders %d\n",
                     frame_, all, nearPlayer, nearMine, p->hull, g_HeroStation ? g_HeroStation->ore : -1.0f,
                     g_LocationDirector.ordersAvailable);
    }
    if (mine && g_CommWindow.state == 0 && Command(mine)) return;
    // Badly hit: home to be repaired in the bay.
    if (mine && p->hull < 0.35f * p->hullMax && !retreat_) {
        retreat_ = true;
        std::fprintf(stderr, "[pilot] frame %u: hull %.0f of %.0f, home for repairs\n", frame_, p->hull, p->hullMax);
    }
    if (location_ == LOCATION_SECTOR_LAST && ArkEscort(log)) return;
    // Within reach of the mine and fit: it is shot at whatever comes at the ship.
    const bool atMine = mine && !retreat_ && Length(mine->position - p->position) < 2600.0f && p->hull > 0.5f * p->hullMax;
    // With the mine gone the sector is won once the player lands, and the guards it set free
    // go for the home station: he goes straight home, whatever comes at him.
    if (mineGone_) retreat_ = true;
    // Sector 12's scene waits for the mines to fall before the ark's last call: no fights
    // on the way to them, or the scene stands still past the stall watch.
    const CUnit* scene = location_ == LOCATION_SECTOR_LAST ? CObjectList::FindById(50) : nullptr;
    const bool minesAwaited = scene && scene->scriptStep == 6;
    // An enemy close by is fought before anything else.
    if (sector && !retreat_ && !atMine && !minesAwaited && NearestEnemyShip(p, 1000.0f) && Fight(log)) return;
    // A scene's ship standing still (a convoy leader waiting beside the station for the
    // player) is flown up to once and waited by for its call, unless the scene marks a ship
    // (its call on the radar) already.
    if (sector && !retreat_) {
        bool anyMarked = false;
        for (uint32_t i = 0; i < CObjectList::unitCount[1] && !anyMarked; ++i) {
            const CUnit* u = CObjectList::units[1][i];
            anyMarked = u != p && u->humanPiloted && u->IsAlive() && u->objectClass == GCLASS_SPACE_SHIP;
        }
        CUnit* waiting = nullptr;
        float nearest = 1.0e30f;
        for (uint32_t i = 0; i < CObjectList::unitCount[1] && !anyMarked; ++i) {
            CUnit* u = CObjectList::units[1][i];
            if (u->kind != GTYPE_SP_NPCSHIP_ID0 || !u->IsAlive() || u->objectClass != GCLASS_SPACE_SHIP ||
                u->speed > 5.0f || visited_.count(u->pilot.objectId))
                continue;
            const float d = Length(u->position - p->position);
            if (d < nearest) waiting = u, nearest = d;
        }
        if (waiting && nearest < 1200.0f) {
            if (!visitFrame_) visitFrame_ = frame_;
            if (frame_ - visitFrame_ > Seconds(45.0) || g_CommMode) visited_.insert(waiting->pilot.objectId), visitFrame_ = 0;
            Steer(waiting->position, 0.0f, 0.0f);
            return;
        }
        if (waiting && nearest > 1500.0f) {
            Fire(false);
            Steer(AroundUnit(waiting, p->position, waiting->position), 100.0f, 0.0f);
            return;
        }
    }
    // Enemy ships near the player are fought first: the mine's guards come at whoever shoots it.
    if (sector && !retreat_ && !atMine && !minesAwaited && Fight(log)) return;
    if (mine && !retreat_) {
        const float d = Length(mine->position - p->position);
        // Fired at from as far as the lasers reach.
        float reach = 0.0f;
        for (int i = 0; i < p->itemCount && i < kMaxUnitItems; ++i)
            if (p->items[i] && p->items[i]->kind == GTYPE_LASER_WEAPON) reach = std::max(reach, p->items[i]->range);
        reach = reach > 0.0f ? reach * 0.9f : 1400.0f;
        Steer(mine->position, 100.0f, std::max(800.0f, reach - 400.0f));
        const Vec3 local = p->WorldToLocal(mine->position);
        Vec3 centre;
        float radius = 0.0f;
        Sphere(mine, &centre, &radius);
        const float within = std::max(40.0f, 0.5f * radius);
        const bool aimed = std::fabs(local.x) < within && std::fabs(local.y) < within && local.z > 0.0f;
        Fire(aimed && d < reach);
        if (log)
            std::fprintf(stderr, "[pilot] frame %u: mine %d at %.0f hull %.0f local (%.0f %.0f %.0f) speed %.0f own hull %.0f\n",
                         frame_, mine->pilot.objectId, d, mine->hull, local.x, local.y, local.z, p->speedPercent, p->hull);
        return;
    }
    Fire(false);
    // Home: the hero station; in the first space intro the station the escort leads to.
    CUnit* home = location_ == LOCATION_SPACE_INTRO_1 ? CObjectList::FindById(50) : g_HeroStation;
    if (!home) return;
    Vec3 points[2];
    home->GetGunPoints(points);
    const Vec3 gate = points[0], outside = points[1];
    Vec3 out = outside - gate;
    const float len = Length(out);
    out = len > 0.0f ? out * (1.0f / len) : Vec3(0.0f, 0.0f, 1.0f);
    const Vec3 waypoint = outside + out * 200.0f;
    // Through the approach point, a little inside it towards the gate.
    const Vec3 approach = outside - out * 8.0f;
    switch (spacePhase_) {
    case 0: {  // to the point in front of the gate
        if (p->dockingStage == 100) {  // granted already (asked in a talk): through the approach point
            spacePhase_ = 2;
            phaseFrame_ = frame_;
            return;
        }
        // Transports queue for the bay: while they go first, whoever comes at the ship by the
        // gate is fought rather than waited for.
        if (retreat_ && (home->bayUnit || home->bayRequestUnit) && Length(waypoint - p->position) < 700.0f &&
            NearestEnemyShip(p, 800.0f) && Fight(log))
            return;
        const Vec3 next = AroundUnit(home, p->position, waypoint);
        Vec3 aim = next;
        const float toNext = Length(next - p->position);
        if (retreat_ && toNext > 500.0f && NearestEnemyShip(p, 1000.0f)) {
            // Chased home: weaving about the straight line spoils the chasers' aim.
            const Vec3 dir = (next - p->position) * (1.0f / toNext);
            Vec3 side = Vec3Cross(dir, Vec3(0.0f, 1.0f, 0.0f));
            side = Length(side) > 0.1f ? side * (1.0f / Length(side)) : Vec3(1.0f, 0.0f, 0.0f);
            const Vec3 up = Vec3Cross(side, dir);
            static const float kWeave[][2] = {{1.0f, 0.0f}, {0.0f, 1.0f}, {-1.0f, 0.0f}, {0.0f, -1.0f}};
            const float* w = kWeave[(frame_ / Seconds(1.5)) % 4];
            aim = next + (side * w[0] + up * w[1]) * (0.35f * toNext);
        }
        Steer(aim, std::min(100.0f, Length(waypoint - p->position) * 0.4f), next == waypoint ? 30.0f : 0.0f);
        if (log)
            std::fprintf(stderr, "[pilot] frame %u: home waypoint at %.0f speed %.0f bay %s request %s state %d\n", frame_,
                         Length(waypoint - p->position), p->speedPercent,
                         home->bayUnit ? home->bayUnit->displayName : "-",
                         home->bayRequestUnit ? home->bayRequestUnit->displayName : "-", home->bayState);
        // Landing is asked for once the bay is free: a ship already going in goes first. Under
        // fire it is asked on the way in, as soon as the bay is free and the gate in reach
        // before the grant lapses: transports queue for the bay and a ship waiting still at
        // the gate is shot down.
        const float toWaypoint = Length(waypoint - p->position);
        Vec3 homeCentre;
        float homeRadius = 0.0f;
        Sphere(home, &homeCentre, &homeRadius);
        // The station answers "too far" beyond three of its radii.
        const bool hurried = retreat_ && next == waypoint && toWaypoint < 1000.0f &&
                             Length(p->position - home->position) < 2.7f * homeRadius;
        if ((hurried || (toWaypoint < 80.0f && p->speedPercent < 8.0f)) && !home->bayUnit &&
            !home->bayRequestUnit && (location_ != LOCATION_SPACE_INTRO_1 || p->scriptStep == -1)) {
            ReleaseAll();
            wantLanding_ = true;
            if (home == g_HeroStation) {
                Key(VK_F2);  // the home station's call
            } else if (p->target != home) {
                Key('T');  // the next target, until it is the station
                return;
            } else {
                Key('C');  // call the target
            }
            spacePhase_ = 1;
            phaseFrame_ = frame_;
        }
        return;
    }
    case 1:  // the landing asked for (the radio reply is picked above); then through the approach point
        if (frame_ - phaseFrame_ < Seconds(1.0)) return;
        spacePhase_ = 2;
        phaseFrame_ = frame_;
        return;
    case 2:
        if (p->dockingStage == 100) wantLanding_ = false;  // granted: the talk may end
        // Not granted (the bay taken meanwhile, or too far): asked again from the gate's front
        // rather than waited for, still, under fire.
        if (p->dockingStage != 100 && frame_ - phaseFrame_ > Seconds(5.0) && !g_CommMode && g_CommWindow.state == 0) {
            spacePhase_ = 0;
            return;
        }
        Steer(approach, std::min(Length(approach - p->position) > 400.0f ? 100.0f : 60.0f,
                                 8.0f + Length(approach - p->position) * 0.4f), 0.0f);
        if (log)
            std::fprintf(stderr, "[pilot] frame %u: approach at %.0f speed %.0f stage %d outside %.0f gate %.0f len %.0f comm %d radio %d/%d talk %d\n",
                         frame_, Length(approach - p->position), p->speedPercent, p->dockingStage,
                         Length(outside - p->position), Length(gate - p->position), len, g_CommMode, g_RadioMenu.state,
                         g_RadioMenu.page, g_CommWindow.state);
        if (frame_ - phaseFrame_ > Seconds(25.0)) spacePhase_ = 0;
        return;
    default:
        return;
    }
}

// The fleet's orders by radio, as a player gives them on coming out: the docked mercenaries
// launched (F3, 1, C for each), then the mine made the target (T) and the fighters sent at it
// (F3, 4, 4), again every two minutes. True while keys are still being pressed.
bool Pilot::Command(CUnit* mine)
{
    CUnit* p = g_PlayerObject;
    if (!Ready()) return command_ == 1 || command_ == 3 || !keys_.empty();
    // The radio takes digits only once its page has opened all the way.
    if (g_RadioMenu.state == 1 && g_RadioMenu.openPercent < 100.0f) return true;
    if (!keys_.empty()) {
        const unsigned k = keys_.front();
        keys_.pop_front();
        if (std::getenv("KORVANE_PILOT_TRACE"))
            std::fprintf(stderr, "[pilot] frame %u: radio key %u (page %d, %d entries)\n", frame_, k, g_RadioMenu.page,
                         g_RadioMenu.entryCount);
        if (k == 'C' && !(g_RadioMenu.state == 1 && g_RadioMenu.entryCount > 0)) return true;  // nothing left to launch
        Key(k);
        Wait(0.6);
        return true;
    }
    switch (command_) {
    case 0:
        if (g_CommMode || g_RadioMenu.openPercent > 0.0f) return false;
        std::fprintf(stderr, "[pilot] frame %u: the docked mercenaries are launched\n", frame_);
        keys_ = {VK_F3, '1', 'C', 'C', 'C', 'C', 'C', 'C', VK_F3};
        command_ = 1;
        commandFrame_ = frame_;
        return true;
    case 1:
        if (frame_ - commandFrame_ < Seconds(10.0)) return false;
        command_ = 2;
        commandFrame_ = frame_;
        targetTries_ = 0;
        return false;
    case 2: {  // the mine as the target (Q with the mine ahead), then the fighters' attack order
        if (p->target != mine) {
            const Vec3 local = p->WorldToLocal(mine->position);
            if (!g_CommMode && local.z > 0.0f && std::sqrt(local.x * local.x + local.y * local.y) < 0.2f * local.z) {
                Key('Q');
                Wait(0.3);
            }
            return false;
        }
        std::fprintf(stderr, "[pilot] frame %u: the fighters are sent at the mine\n", frame_);
        keys_ = {VK_F3, '4', '4'};
        command_ = 3;
        commandFrame_ = frame_;
        return true;
    }
    case 3:
        command_ = 4;
        return false;
    default:
        if (frame_ - commandFrame_ > Seconds(120.0)) command_ = 2, commandFrame_ = frame_, targetTries_ = 0;
        return false;
    }
}

// Targets the nearest enemy ship (E, then T until it is the one) and chases it, firing when the
// lead point is near the nose; false when no enemy is near.
bool Pilot::Fight(bool log)
{
    CUnit* p = g_PlayerObject;
    CUnit* enemy = NearestEnemyShip(p, 1800.0f);
    if (!enemy) return false;
    if (p->target != enemy && Ready()) {
        Key(p->target && p->target != enemy && targetTries_ > 0 ? 'T' : 'E');
        targetTries_ = p->target == enemy ? 0 : targetTries_ + 1;
        if (targetTries_ > 12) targetTries_ = 0;
        Wait(0.2);
    }
    Vec3 lead;
    p->ComputeLeadPoint(enemy, &lead);
    const float d = Length(enemy->position - p->position);
    // Too close: break off and come round again, a collision costs more than any shot.
    // Briefly: a chaser is shaken off only by turning on it again.
    if (d < 150.0f && !breakOff_) breakOff_ = true, breakFrame_ = frame_;
    if (breakOff_ && (d > 500.0f || frame_ - breakFrame_ > Seconds(3.0))) breakOff_ = false;
    if (breakOff_) {
        Fire(false);
        Steer(p->position + (p->position - enemy->position) * 4.0f + Vec3(0.0f, 300.0f, 0.0f), 100.0f, 0.0f);
        if (log) std::fprintf(stderr, "[pilot] frame %u: breaking off from %.0f, own hull %.0f\n", frame_, d, p->hull);
        return true;
    }
    Steer(lead, d > 600.0f ? 100.0f : 55.0f, 0.0f);
    const Vec3 local = p->WorldToLocal(lead);
    const float off = std::sqrt(local.x * local.x + local.y * local.y);
    Fire(local.z > 0.0f && off < 0.2f * local.z && d < 1400.0f);
    if (log)
        std::fprintf(stderr, "[pilot] frame %u: enemy %d (%s, side %d) at %.0f hull %.0f off %.2f own hull %.0f/%.0f target %s\n",
                     frame_, enemy->pilot.objectId, enemy->pilot.folder, enemy->pilot.side, d, enemy->hull,
                     local.z > 0.0f ? off / local.z : 9.0f, p->hull, p->hullMax, p->target == enemy ? "it" : "other");
    if (log)
        std::fprintf(stderr, "[pilot]   shots %d, on target %d\n", p->statistics.shotsFired, p->statistics.shotsOnTarget);
    return true;
}

// Sector 12: the ark (unit 20) crosses the sector while aliens launch at it. Until the
// crossing ends (the scene's unit 50 past its step 1) the player keeps by the ark and fights
// whatever comes at it; then the two pirates whose fall lets the ark call him are hunted down.
// The mines come after, as in every sector.
bool Pilot::ArkEscort(bool log)
{
    CUnit* p = g_PlayerObject;
    CUnit* ark = CObjectList::FindById(20);
    const CUnit* scene = CObjectList::FindById(50);
    if (retreat_ || !ark || !ark->IsAlive() || !scene) return false;
    if (scene->scriptStep == 0 || scene->scriptStep == 1) {
        CUnit* threat = nullptr;
        float best = 2500.0f;
        for (uint32_t i = 0; i < CObjectList::unitCount[1]; ++i) {
            CUnit* u = CObjectList::units[1][i];
            if (!IsEnemyCraft(p, u)) continue;
            const float d = Length(u->position - ark->position);
            if (d < best) threat = u, best = d;
        }
        if (log)
            std::fprintf(stderr, "[pilot] frame %u: ark hull %.0f, at %.0f; threat %s at %.0f from it; own hull %.0f\n", frame_,
                         ark->hull, Length(ark->position - p->position), threat ? threat->displayName : "-", best, p->hull);
        if (threat) {
            if (Length(threat->position - p->position) < 1500.0f && Fight(log)) return true;
            Fire(false);
            Steer(threat->position, 100.0f, 0.0f);
            return true;
        }
        Fire(false);
        const Vec3 by = ark->position + Vec3(0.0f, 300.0f, 0.0f);
        Steer(AroundUnit(ark, p->position, by), std::min(100.0f, Length(by - p->position) * 0.3f), 300.0f);
        return true;
    }
    for (int id : {10, 12}) {
        CUnit* u = CObjectList::FindById(id);
        if (!u || !u->IsAlive() || !p->IsHostileTo(u)) continue;
        if (Length(u->position - p->position) < 1500.0f && Fight(log)) return true;
        Fire(false);
        Steer(u->position, 100.0f, 0.0f);
        return true;
    }
    return false;
}

PilotReport Pilot::Finish()
{
    if (!stalled_ && location_ >= 0 && location_ != LOCATION_GAME_MENU) CloseRow(report_.finished ? "" : "cut off");
    return report_;
}

}  // namespace

void StartPilot(const PilotPlan& plan)
{
    delete g_pilot;
    g_pilot = new Pilot(plan);
    SetTestFrameHook(Hook);
}

PilotReport FinishPilot()
{
    SetTestFrameHook(nullptr);
    PilotReport r = g_pilot ? g_pilot->Finish() : PilotReport();
    delete g_pilot;
    g_pilot = nullptr;
    return r;
}

std::string FormatPilotTable(const PilotReport& report)
{
    std::string t = "location | game time (s) | frames | wall time (s) | end | next\n";
    char line[160];
    for (const PilotRow& r : report.rows) {
        std::snprintf(line, sizeof line, "%8d | %13.1f | %6u | %13.2f | %s | %d\n", r.location, r.gameSeconds, r.frames,
                      r.wallSeconds, r.end.empty() ? "next location" : r.end.c_str(), r.next);
        t += line;
    }
    return t;
}
