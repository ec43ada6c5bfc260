// Four copies of the game on a lossy local network: they find each other, form a
// session, load a multiplayer map, see each other's units, the host's shots damage
// another player's ship, they chat, and leave one by one until the host is the last
// player left.
//
// Each copy runs on a display of its own and in a network namespace of its own, joined by a bridge in a fifth
// namespace; all five are made and deleted by the test. Where namespaces cannot be made
// (no privileges, no iproute2) the copies use loopback addresses 127.0.0.21 .. 24; so
// they do with KORVANE_E2E_LOOPBACK=1.
// The second copy joins as a player does, by clicks through the main menu and the network
// page; the others play the lobby by the page's test hook (KORVANE_NET_LOBBY). The host's
// window loses the focus (as the window system tells it) before anyone joins, and the host
// starts only after every player has waited 5 s in the full lobby; in the map it loses the
// focus again for 2 s. Every copy drops 10 % of
// what it receives (KORVANE_NET_LOSS). No copy refuses an order or a hit of another.
#include "harness.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kCopies = 4;

bool Sh(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// The namespaces of one test run; deleted again by the destructor.
class Namespaces {
public:
    Namespaces()
    {
        tag_ = std::to_string(getpid() % 100000);
        // KORVANE_E2E_LOOPBACK=1 runs the loopback variant on a machine that has both.
        if (const char* v = std::getenv("KORVANE_E2E_LOOPBACK"); v && *v == '1')
            return;
        if (!Sh("ip netns add " + Hub()))
            return;
        made_.push_back(Hub());
        if (!Sh("ip -n " + Hub() + " link add kvbr type bridge") || !Sh("ip -n " + Hub() + " link set kvbr up"))
            return;
        for (int i = 1; i <= kCopies; ++i) {
            const std::string ns = Copy(i);
            if (!Sh("ip netns add " + ns))
                return;
            made_.push_back(ns);
            const std::string a = "kva" + std::to_string(i), b = "kvb" + std::to_string(i);
            if (!Sh("ip link add " + a + " netns " + ns + " type veth peer name " + b + " netns " + Hub()) ||
                !Sh("ip -n " + Hub() + " link set " + b + " master kvbr up") ||
                !Sh("ip -n " + ns + " addr add 10.213.0." + std::to_string(i) + "/24 broadcast 10.213.0.255 dev " + a) ||
                !Sh("ip -n " + ns + " link set " + a + " up") || !Sh("ip -n " + ns + " link set lo up"))
                return;
        }
        ok_ = true;
    }
    ~Namespaces()
    {
        for (const std::string& ns : made_)
            Sh("ip netns del " + ns);
    }
    bool Ok() const { return ok_; }
    std::string Hub() const { return "kvhub" + tag_; }
    std::string Copy(int i) const { return "kv" + std::to_string(i) + "n" + tag_; }

private:
    std::string tag_;
    std::vector<std::string> made_;
    bool ok_ = false;
};

int Count(const std::vector<std::string>& lines, const std::string& part)
{
    return int(std::count_if(lines.begin(), lines.end(),
                             [&](const std::string& l) { return l.find(part) != std::string::npos; }));
}

// A click at a point of the 800x600 menu, in the pixels of the game's 1280x1024 window.
std::string ClickAt(int frame, float x, float y)
{
    const std::string at = " " + std::to_string(int(x * 1280.0f / 800.0f + 0.5f)) + " " +
                           std::to_string(int(y * 1024.0f / 600.0f + 0.5f)) + "\n";
    return std::to_string(frame) + " lbutton_down" + at + std::to_string(frame + 2) + " lbutton_up" + at;
}

} // namespace

TEST(NetworkGame, FourCopiesPlayAMultiplayerMapOverALossyNetwork)
{
    Namespaces ns;
    if (ns.Ok())
        std::printf("four copies in network namespaces %s .. %s\n", ns.Copy(1).c_str(), ns.Copy(kCopies).c_str());
    else
        std::printf("network namespaces not used: the four copies use loopback addresses 127.0.0.21 .. 24\n");

    std::vector<std::unique_ptr<GameRun>> runs;
    for (int i = 1; i <= kCopies; ++i) {
        auto run = std::make_unique<GameRun>("net" + std::to_string(i));
        run->WriteGameIni("[Misc]\nStart logo=0\nDebug out=1\n[Video]\nWindowed=1\n");
        run->SetEnv("KORVANE_GFX", "null");
        run->SetEnv("KORVANE_NET_LOSS", "10");
        run->SetEnv("KORVANE_NET_LOBBY", i == 1 ? "host:4:1" : i == 2 ? "clicks" : "join");
        if (i == 1)
            run->SetInput("200 focus_lost\n");
        if (i == 2) {
            // A pilot is there, so the pilot page's "Продолжить" goes on with it. A frame takes
            // at least 1 ms: the clicks are 2 s apart or more, each page well open.
            std::filesystem::create_directories(run->Path("Save/00"));
            run->WriteFile("Save/00/Player.cfg", "[Player data]\nName=Tester\n[Player rating]\n"
                                                 "Ore transported=0\nEnemy killed=0\nEnemy killed score=0\n");
            std::string script = ClickAt(3000, 540, 260);   // pilot page: "Продолжить"
            script += ClickAt(5000, 182, 392);               // the "Сетевая игра" ring
            script += ClickAt(7000, 500, 370);               // "Подсоединиться к серверу"
            script += ClickAt(9000, 360, 249);               // the first listed server
            for (int f = 10000; f <= 12000; f += 1000)
                script += ClickAt(f, 560, 480);              // "Подключиться"
            run->SetInput(script);
        }
        run->SetEnv("KORVANE_FRAMES", "200000");   // only a guard: each copy ends itself
        // Each copy has a display of its own, as each player has.
        // Display numbers apart from the usual 99 upward, and apart between test runs.
        const int display = 300 + int(getpid() % 60) * 5 + i;
        std::string command = "xvfb-run -a -n " + std::to_string(display) +
                              " -s '-screen 0 800x600x24' '" + GameDirectory() + "/korvane'";
        if (ns.Ok()) {
            run->SetEnv("KORVANE_NET_BROADCAST", "10.213.0.255");
            command = "ip netns exec " + ns.Copy(i) + " " + command;
        } else {
            run->SetEnv("KORVANE_NET_BIND", "127.0.0." + std::to_string(20 + i));
            run->SetEnv("KORVANE_NET_BROADCAST", "127.255.255.255");
        }
        unlink(run->Path("korvane").c_str());
        run->WriteFile("korvane", "#!/bin/sh\nexec " + command + "\n");
        chmod(run->Path("korvane").c_str(), 0755);
        runs.push_back(std::move(run));
    }

    std::vector<RunResult> results(kCopies);
    std::vector<std::thread> threads;
    for (int i = 0; i < kCopies; ++i)
        threads.emplace_back([&, i] { results[size_t(i)] = runs[size_t(i)]->Run(400); });
    for (std::thread& t : threads)
        t.join();

    int victim = -1;
    for (int i = 0; i < kCopies; ++i) {
        SCOPED_TRACE("copy " + std::to_string(i + 1));
        const RunResult& r = results[size_t(i)];
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        const std::vector<std::string> log = runs[size_t(i)]->DebugLines();
        EXPECT_EQ(Count(log, "Location 41: Data/Locations.Space/Multiplayer 01"), 1);
        // The host is player 1; a client learns its number when it joins.
        int own = 1;
        if (i == 0)
            EXPECT_EQ(Count(log, "Network: the game starts with 4 players"), 1);
        else {
            EXPECT_EQ(Count(log, "Network: joined the game as player"), 1);
            for (const std::string& l : log)
                if (l.find("Network: joined the game as player") != std::string::npos)
                    std::sscanf(l.c_str(), "Network: joined the game as player %d", &own);
        }
        // The other three players' home stations arrived, and their chat lines.
        for (int p = 1; p <= kCopies; ++p) {
            if (p == own)
                continue;
            EXPECT_GE(Count(log, "Network: player " + std::to_string(p) + "'s unit 1000 joins"), 1) << "player " << p;
            EXPECT_GE(Count(log, "Network: chat from player " + std::to_string(p) + ":"), 1) << "player " << p;
        }
        EXPECT_EQ(Count(log, "Network: test lobby ends"), 1);
        // Orders given while the map loads come before their units: they wait for them, and
        // none is refused; nor is a hit an honest copy tells.
        EXPECT_EQ(Count(log, "Network: message 14 "), 0);
        EXPECT_EQ(Count(log, "found no unit"), 0);
        EXPECT_EQ(Count(log, "Network: a hit for "), 0);
        if (own == 2)
            victim = i;
    }
    // The second copy came in through the pages.
    const std::vector<std::string> clicked = runs[1]->DebugLines();
    EXPECT_EQ(Count(clicked, "Game menu: page 3 -> 7"), 1);
    EXPECT_EQ(Count(clicked, "Network: test lobby as client by clicks"), 1);
    // Every joiner waited 5 s in the full lobby, and the host had no focus for most of it.
    unsigned waited = 0, unfocused = 0;
    for (const std::string& l : runs[0]->DebugLines())
        std::sscanf(l.c_str(), "Network: test lobby starts after %u ms with every player in, %u ms", &waited, &unfocused);
    EXPECT_GE(waited, 5000u);
    EXPECT_GE(unfocused, 4000u);
    // In the map the host's window lost the focus for 2 s and kept every player.
    EXPECT_EQ(Count(runs[0]->DebugLines(), "test lobby had 4 players as the focus left the map and 4 after"), 1);
    // The host shot at one of player 2's ships; player 2's copy took the hit.
    int unit = 0;
    float hull = 0, before = 0;
    for (const std::string& l : runs[0]->DebugLines())
        std::sscanf(l.c_str(), "Network: test lobby hit player 2's unit %d, hull %f of %f", &unit, &hull, &before);
    ASSERT_GT(unit, 0) << "the host's shots never struck";
    EXPECT_LT(hull, before);
    ASSERT_GT(victim, 0);
    // (Another player's ships are the pirates of each copy: the hit travels as message 18.)
    const std::string line = "Network: our unit " + std::to_string(unit) + " is hit for ";
    EXPECT_GE(Count(runs[size_t(victim)]->DebugLines(), line), 1) << line;
    // The host is the last one left: it saw the three others go and, alone, won the map.
    const std::vector<std::string> host = runs[0]->DebugLines();
    EXPECT_EQ(Count(host, "покинул игру!"), 3);
    int left = -1, won = -1;
    for (int n = 0; n < int(host.size()); ++n) {
        if (host[size_t(n)].find("покинул игру!") != std::string::npos) left = n;
        if (host[size_t(n)].rfind("EndGame(1)", 0) == 0 && won < 0) won = n;
    }
    EXPECT_GT(won, left) << "the host, alone, did not win";
}

namespace {

// The Xvfb screen of the e2e run is the default video mode.
int Px(float x) { return int(x * 1280.0f / 800.0f + 0.5f); }
int Py(float y) { return int(y * 1024.0f / 600.0f + 0.5f); }

std::string Click(int frame, float x, float y)
{
    const std::string at = " " + std::to_string(Px(x)) + " " + std::to_string(Py(y)) + "\n";
    return std::to_string(frame) + " lbutton_down" + at + std::to_string(frame + 2) + " lbutton_up" + at;
}

double LitShare(const Image& im, float x1, float y1, float x2, float y2)
{
    unsigned n = 0, lit = 0;
    for (int y = Py(y1); y < Py(y2) && y < im.height; ++y)
        for (int x = Px(x1); x < Px(x2) && x < im.width; ++x) {
            const std::uint8_t* p = im.Pixel(x, y);
            ++n;
            if (std::max({p[0], p[1], p[2]}) > 150)
                ++lit;
        }
    return n ? double(lit) / n : 0.0;
}

} // namespace

// The player's way in: the main menu's "Сетевая игра" ring opens the page, "Создать
// сервер" its set-up with the first map's picture, and "Назад" twice leads back.
TEST(NetworkGame, PageOpensFromTheMainMenuByClicks)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no display (run under xvfb-run)";
    GameRun run("netmenu");
    run.WriteGameIni("[Misc]\nDebug out=1\n");
    // One pilot is there already, so the pilot page's "Продолжить" goes on with it.
    std::filesystem::create_directories(run.Path("Save/00"));
    run.WriteFile("Save/00/Player.cfg", "[Player data]\nName=Tester\n[Player rating]\nOre transported=0\n"
                                        "Enemy killed=0\nEnemy killed score=0\n");
    run.SetEnv("KORVANE_NET_BIND", "127.0.0.31");
    run.SetEnv("KORVANE_NET_BROADCAST", "127.255.255.255");
    std::string script = "5 key_down SPACE\n8 key_up SPACE\n25 key_down SPACE\n28 key_up SPACE\n";
    script += Click(250, 540, 260);    // pilot page: "Продолжить"
    script += Click(450, 182, 392);    // the "Сетевая игра" ring
    script += Click(650, 500, 310);    // "Создать сервер"
    script += Click(850, 690, 500);    // "Назад": the choice again
    script += Click(950, 690, 500);    // "Назад": the main menu
    run.SetInput(script);
    run.SetEnv("KORVANE_SCREENSHOT", run.Dir());
    run.SetEnv("KORVANE_SHOT_FRAMES", "440,620,820,1100");
    run.SetEnv("KORVANE_FRAMES", "1150");
    RunResult r = run.Run(300);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> log = run.DebugLines();
    EXPECT_EQ(Count(log, "Game menu: page 3 -> 7"), 1);
    EXPECT_EQ(Count(log, "Game menu: page 7 -> 3"), 1);

    Image menu, choice, setup, back;
    ASSERT_TRUE(ReadPng(run.Path("frame_440.png"), &menu));
    ASSERT_TRUE(ReadPng(run.Path("frame_620.png"), &choice));
    ASSERT_TRUE(ReadPng(run.Path("frame_820.png"), &setup));
    ASSERT_TRUE(ReadPng(run.Path("frame_1100.png"), &back));
    // The choice: "Сетевая игра" over the page and the two buttons under it.
    EXPECT_LT(LitShare(menu, 420, 170, 580, 192), 0.01);
    EXPECT_GT(LitShare(choice, 420, 170, 580, 192), 0.04);
    EXPECT_GT(LitShare(choice, 400, 298, 600, 322), 0.04);
    EXPECT_GT(LitShare(choice, 380, 358, 620, 382), 0.04);
    // The set-up: "Создать сервер" higher up, the map's picture and "КАРТА" under it.
    EXPECT_GT(LitShare(setup, 420, 195, 580, 217), 0.04);
    EXPECT_GT(LitShare(setup, 580, 432, 650, 452), 0.04);
    EXPECT_LT(LitShare(choice, 580, 432, 650, 452), 0.01);
    // Back on the main menu the page is gone: what is left there is the menu scene's stars
    // and ships passing (up to about 2 %), well under the button's 4 %.
    EXPECT_LT(LitShare(back, 400, 298, 600, 322), 0.03);
}
