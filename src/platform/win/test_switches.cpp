#include "platform/win/test_switches.h"
#include "platform/win/codepage.h"
#include "platform/win/timer.h"
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <strings.h>

namespace {
struct State {
    bool loaded = false;
    unsigned frameLimit = 0;  // 0: none
    bool closePosted = false;
    unsigned frames = 0;
    bool drainedOnce = false;
    bool presentSinceDrain = false;
    unsigned lastFrameMs = 0;
    std::vector<ReplayMessage> events;
    size_t nextEvent = 0;
    unsigned hookedFrame = ~0u;
};
State g_state;
TestFrameHook g_hook = nullptr;

void Load()
{
    if (g_state.loaded)
        return;
    g_state.loaded = true;
    if (const char* f = std::getenv("KORVANE_FRAMES"))
        g_state.frameLimit = unsigned(std::strtoul(f, nullptr, 10));
    if (const char* path = std::getenv("KORVANE_INPUT")) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "KORVANE_INPUT: cannot read %s\n", path);
            return;
        }
        std::stringstream ss;
        ss << in.rdbuf();
        std::string errors;
        g_state.events = ParseInputScript(ss.str(), &errors);
        if (!errors.empty())
            std::fprintf(stderr, "%s", errors.c_str());
    }
}

void CountFrame()
{
    ++g_state.frames;
    g_state.lastFrameMs = RealTimeMs();
    if (g_state.frameLimit && g_state.frames >= g_state.frameLimit) {
        // Once, then again every 100 frames in case a modal loop swallowed it.
        if (!g_state.closePosted || (g_state.frames - g_state.frameLimit) % 100 == 0) {
            PostMessage(GetMainWindow(), WM_CLOSE, 0, 0);
            g_state.closePosted = true;
        }
    }
}

bool ParseInt(const std::string& s, long* v)
{
    if (s.empty())
        return false;
    char* end = nullptr;
    *v = std::strtol(s.c_str(), &end, 0);
    return end && *end == '\0';
}
} // namespace

unsigned VirtualKeyFromName(const std::string& name)
{
    static const struct {
        const char* name;
        unsigned vk;
    } kNames[] = {
        {"ENTER", VK_RETURN}, {"RETURN", VK_RETURN}, {"ESC", VK_ESCAPE}, {"ESCAPE", VK_ESCAPE},
        {"BACK", VK_BACK}, {"BACKSPACE", VK_BACK}, {"TAB", VK_TAB}, {"SPACE", VK_SPACE},
        {"SHIFT", VK_SHIFT}, {"CTRL", VK_CONTROL}, {"CONTROL", VK_CONTROL}, {"ALT", VK_MENU},
        {"PAUSE", VK_PAUSE}, {"PAGEUP", VK_PRIOR}, {"PRIOR", VK_PRIOR}, {"PAGEDOWN", VK_NEXT},
        {"NEXT", VK_NEXT}, {"END", VK_END}, {"HOME", VK_HOME}, {"LEFT", VK_LEFT}, {"UP", VK_UP},
        {"RIGHT", VK_RIGHT}, {"DOWN", VK_DOWN}, {"INSERT", VK_INSERT}, {"DELETE", VK_DELETE},
        {"ADD", VK_ADD}, {"SUBTRACT", VK_SUBTRACT},
    };
    if (name.size() == 1) {
        char c = char(std::toupper(static_cast<unsigned char>(name[0])));
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            return unsigned(c);
    }
    for (const auto& n : kNames)
        if (strcasecmp(n.name, name.c_str()) == 0)
            return n.vk;
    if ((name[0] == 'F' || name[0] == 'f') && name.size() <= 3) {
        long f = 0;
        if (ParseInt(name.substr(1), &f) && f >= 1 && f <= 12)
            return VK_F1 + unsigned(f - 1);
    }
    long v = 0;
    if (ParseInt(name, &v) && v > 0 && v < 256)
        return unsigned(v);
    return 0;
}

std::vector<ReplayMessage> ParseInputScript(const std::string& text, std::string* errors)
{
    std::vector<ReplayMessage> out;
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    auto fail = [&](const char* why) {
        if (errors)
            *errors += "KORVANE_INPUT: line " + std::to_string(lineNo) + ": " + why + "\n";
    };
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t hash = line.find('#');
        std::string body = hash == std::string::npos ? line : line.substr(0, hash);
        std::istringstream ls(body);
        std::string frameText, ev;
        if (!(ls >> frameText))
            continue;
        long frame = 0;
        if (!ParseInt(frameText, &frame) || frame < 0 || !(ls >> ev)) {
            fail("expected '<frame> <event> ...'");
            continue;
        }
        std::vector<std::string> args;
        std::string a;
        while (ls >> a)
            args.push_back(a);
        ReplayMessage m;
        m.frame = unsigned(frame);
        auto push = [&](unsigned msg, WPARAM w, LPARAM l) {
            m.message = msg;
            m.wParam = w;
            m.lParam = l;
            out.push_back(m);
        };
        if (ev == "key_down" || ev == "key_up" || ev == "key") {
            unsigned vk = args.size() == 1 ? VirtualKeyFromName(args[0]) : 0;
            if (!vk) {
                fail("unknown key");
                continue;
            }
            if (ev != "key_up")
                push(WM_KEYDOWN, vk, 1);
            if (ev != "key_down")
                push(WM_KEYUP, vk, LPARAM(std::uint32_t(1u | (3u << 30))));
        } else if (ev == "char") {
            long code = 0;
            if (args.size() != 1) {
                fail("char needs one argument");
                continue;
            }
            if (args[0].size() == 1)
                code = static_cast<unsigned char>(args[0][0]);
            else if (!ParseInt(args[0], &code) || code < 0 || code > 255) {
                fail("bad character");
                continue;
            }
            push(WM_CHAR, WPARAM(code), 1);
        } else if (ev == "text") {
            size_t at = body.find("text");
            std::string t = body.substr(at + 4);
            while (!t.empty() && t.front() == ' ')
                t.erase(0, 1);
            while (!t.empty() && (t.back() == ' ' || t.back() == '\t'))
                t.pop_back();
            for (char c : Utf8ToCp1251(t.c_str()))
                push(WM_CHAR, WPARAM(static_cast<unsigned char>(c)), 1);
        } else if (ev == "mouse_move" || ev == "lbutton_down" || ev == "lbutton_up" || ev == "rbutton_down" ||
                   ev == "rbutton_up") {
            long x = 0, y = 0;
            if (args.size() != 2 || !ParseInt(args[0], &x) || !ParseInt(args[1], &y)) {
                fail("needs x y");
                continue;
            }
            unsigned msg = ev == "mouse_move" ? WM_MOUSEMOVE
                         : ev == "lbutton_down" ? WM_LBUTTONDOWN
                         : ev == "lbutton_up" ? WM_LBUTTONUP
                         : ev == "rbutton_down" ? WM_RBUTTONDOWN : WM_RBUTTONUP;
            push(msg, 0, MAKELPARAM(unsigned(x), unsigned(y)));
        } else if (ev == "wheel") {
            long d = 0;
            if (args.size() != 1 || !ParseInt(args[0], &d)) {
                fail("wheel needs a delta");
                continue;
            }
            push(WM_MOUSEWHEEL, MAKEWPARAM(0, unsigned(d)), 0);
        } else if (ev == "focus_lost") {
            push(WM_ACTIVATE, WA_INACTIVE, 0);
            push(WM_KILLFOCUS, 0, 0);
        } else if (ev == "focus_gained") {
            push(WM_ACTIVATE, WA_ACTIVE, 0);
            push(WM_SETFOCUS, 0, 0);
        } else if (ev == "close") {
            push(WM_CLOSE, 0, 0);
        } else if (ev == "socket") {
            long s = 0, e = 0, err = 0;
            if (args.size() != 3 || !ParseInt(args[0], &s) || !ParseInt(args[1], &e) || !ParseInt(args[2], &err)) {
                fail("socket needs socket event error");
                continue;
            }
            push(WM_SOCKET, WPARAM(s), MAKELPARAM(unsigned(e), unsigned(err)));
        } else {
            fail("unknown event");
        }
    }
    // Stable order by frame, keeping the file order inside a frame.
    std::stable_sort(out.begin(), out.end(),
                     [](const ReplayMessage& a, const ReplayMessage& b) { return a.frame < b.frame; });
    return out;
}

bool TestSwitchesActive()
{
    const char* f = std::getenv("KORVANE_FRAMES");
    const char* i = std::getenv("KORVANE_INPUT");
    return (f && *f) || (i && *i);
}

void TestSwitchesPump()
{
    Load();
    while (g_state.nextEvent < g_state.events.size() && g_state.events[g_state.nextEvent].frame <= g_state.frames) {
        const ReplayMessage& m = g_state.events[g_state.nextEvent++];
        PostMessage(GetMainWindow(), m.message, m.wParam, m.lParam);
    }
    if (g_hook && g_state.hookedFrame != g_state.frames) {
        g_state.hookedFrame = g_state.frames;
        g_hook(g_state.frames);
    }
}

void SetTestFrameHook(TestFrameHook hook)
{
    g_hook = hook;
}

void PlatformFrameDone()
{
    Load();
    g_state.presentSinceDrain = true;
    CountFrame();
}

void PlatformQueueDrained()
{
    Load();
    // A loop that presents nothing still advances, at a frame per 20 ms of real time,
    // so that a presenting game's frame numbers are its pictures whatever its speed.
    if (g_state.drainedOnce && !g_state.presentSinceDrain && RealTimeMs() - g_state.lastFrameMs >= 20)
        CountFrame();
    g_state.drainedOnce = true;
    g_state.presentSinceDrain = false;
}

unsigned PlatformFrameCount()
{
    return g_state.frames;
}

const char* TestLocationName()
{
    const char* name = std::getenv("KORVANE_LOCATION");
    return name && *name ? name : nullptr;
}

void TestSwitchesReset()
{
    g_state = State();
}
