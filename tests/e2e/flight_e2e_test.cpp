// The player's ship in the space world with a station, asteroids and a sun, all loaded
// through the unit loader into the world's lists, flown for a few seconds on the gl
// device under Xvfb. Replayed input (the real window procedure turns it into the input
// flags) throttles up, turns right with the mouse and pulls the nose up with the arrow
// key; the ship's state and the screenshots show the same turns.
#include "harness.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app/settings.h"
#include "app/winmain.h"
#include "app/wndproc.h"
#include "locations/location_director.h"
#include "platform/gfx/image.h"
#include "platform/win/test_switches.h"
#include "platform/win/timer.h"
#include "platform/win/window.h"
#include "render/d3d_render.h"
#include "render/mesh.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/space/unit_space.h"
#include "world/world.h"

namespace {

// The window's client size: screenshots and pointer positions are in its pixels.
int g_ClientWidth = 800, g_ClientHeight = 600;

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Mean screen position of the bright pixels (lit hulls, and the sky's brightest stars),
// and their share.
struct Lit {
    double x = 0, y = 0, share = 0;
};

Lit MeasureLit(const GfxImage& im, unsigned x0, unsigned y0, unsigned x1, unsigned y1)
{
    Lit l;
    unsigned n = 0, lit = 0;
    for (unsigned y = y0; y < y1 && y < im.height; ++y)
        for (unsigned x = x0; x < x1 && x < im.width; ++x, ++n) {
            const uint32_t c = im.texels[size_t(y) * im.width + x];
            if (((c >> 16) & 255) + ((c >> 8) & 255) + (c & 255) > 180) {
                ++lit;
                l.x += x, l.y += y;
            }
        }
    if (lit) l.x /= lit, l.y /= lit;
    if (n) l.share = double(lit) / n;
    return l;
}

CUnit* Spawn(const char* path, const Vec3& at)
{
    CUnit* u = new CUnit();
    if (!u->Load(path, -1)) {
        u->Release();
        delete u;
        return nullptr;
    }
    u->position = at;
    u->UpdateParts();
    if (!CObjectList::Add(u)) return nullptr;  // a full list destroyed it
    return u;
}

// Where the current space camera shows a world point, in pixels; false behind the eye.
bool Project(const Vec3& p, float* x, float* y)
{
    const CCamera& c = g_World.cameras[1];
    const Vec4 v = Vec3Transform(p, c.view * c.projection);
    if (v.w <= 0.0f) return false;
    *x = (v.x / v.w * 0.5f + 0.5f) * float(g_ClientWidth);
    *y = (0.5f - v.y / v.w * 0.5f) * float(g_ClientHeight);
    return true;
}

// The flight step puts the pointer back at the centre every frame; the system reports
// that warp as a motion of its own, which the pump delivers after the replayed motion of
// the same pass. A hand on a real mouse moves after the warp, so within one pass a
// centre report that follows a replayed motion is the stale echo and is dropped.
void PumpAndFrame()
{
    MSG msg;
    bool moved = false;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) break;
        if (msg.message == WM_MOUSEMOVE) {
            const bool centre = std::abs(GET_X_LPARAM(msg.lParam) - g_ClientWidth / 2) <= 1 &&
                                std::abs(GET_Y_LPARAM(msg.lParam) - g_ClientHeight / 2) <= 1;
            if (centre && moved) continue;
            if (!centre) moved = true;
        }
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    g_World.Frame();
}

TEST(FlightE2E, ShipTurnsAndMovesAsTheInputSays)
{
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display (run under xvfb-run)";
    const std::string gameDir = KORVANE_GAME_DIR;
    if (access((gameDir + "/Data/Space/Ship/Pegas.M1/Main_H.obj").c_str(), R_OK) != 0)
        GTEST_SKIP() << "the data set is not built";
    UseOwnDisplay();

    char shots[] = "/tmp/korvane-flightshots-XXXXXX";
    ASSERT_NE(mkdtemp(shots), nullptr);
    const std::string shotDir = shots;
    // Shot frames: before any input, after the mouse turn, after the pitch.
    setenv("KORVANE_SCREENSHOT", shots, 1);
    setenv("KORVANE_SHOT_FRAMES", "12,52,92", 1);
    char oldDir[4096];
    ASSERT_NE(getcwd(oldDir, sizeof oldDir), nullptr);
    const GameSettings savedSettings = g_Settings;
    ASSERT_EQ(chdir(gameDir.c_str()), 0);
    g_Settings.useFileManager = 0;
    g_Settings.bmpToJpg = 1;
    g_Settings.audio = 0;
    g_Settings.cutScenes = 0;
    g_Settings.sensitivityMouse = 50;
    g_Settings.invertMouse = 0;

    ASSERT_TRUE(RegisterClass("KorvaneFlightE2E", WndProc));
    WindowHandle window = CreateWindow("KorvaneFlightE2E", "flight", 0, 0, 800, 600);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(g_D3DRender.InitD3D(1), 0);
    ASSERT_EQ(g_D3DRender.CreateDevice(window, 1), 0);
    GetClientSize(window, &g_ClientWidth, &g_ClientHeight);
    const std::string input = shotDir + "/input.txt";
    {
        std::ofstream in(input);
        in << "# throttle up for the whole flight\n"
              "14 key_down W\n"
              "# mouse to the right of the centre on a few frames: a turn to the right\n";
        // 60 virtual units right of the centre, in client pixels.
        const int x = g_ClientWidth / 2 + g_ClientWidth * 60 / 800, y = g_ClientHeight / 2;
        for (int f = 16; f < 24; ++f) in << f << " mouse_move " << x << " " << y << "\n";
        in << "# nose up with the arrow key\n"
              "56 key_down UP\n"
              "64 key_up UP\n";
    }
    setenv("KORVANE_INPUT", input.c_str(), 1);
    TestSwitchesReset();

    g_World.Init();
    g_GameMode = 0;
    g_WorldIndex = 1;
    g_LocationKind = 1;
    g_AppActive = 1;
    g_HasFocus = 1;
    g_ViewDistance = 4000.0f;
    g_World.ambient[1] = 0xFFB0B0B0u;
    g_World.cameras[1].Init(Vec3(0, 0, 0), Vec3(0, 0, 1), 800.0f / 600.0f, 1.0f, 20000.0f);

    // The sky first: a world's first unit is its sky, and the queries start at the second.
    CUnit* sky = Spawn("Data/Space/Sky/Sky 01/Main.obj", Vec3());
    CUnit* sun = Spawn("Data/Space/Static/Sun 01/Main.obj", Vec3(0, 3000, -30000));
    CUnit* ship = Spawn("Data/Space/Ship/Pegas.M1/Main_H.obj", Vec3(0, 0, 0));
    CUnit* station = Spawn("Data/Space/Station/Base 01/Main.obj", Vec3(0, 0, 2500));
    CUnit* rock1 = Spawn("Data/Space/Asteroid/Asteroid 01/Main.obj", Vec3(-900, -400, 1200));
    CUnit* rock2 = Spawn("Data/Space/Asteroid/Asteroid 01/Main.obj", Vec3(1500, 300, 2200));
    ASSERT_TRUE(sky && sun && ship && station && rock1 && rock2);
    ASSERT_EQ(sky->objectClass, GCLASS_SPACE_SKY);
    // A hull of 0 would make the registry remove the sky on the first frame.
    ASSERT_GT(sky->hull, 0.0f);
    ASSERT_EQ(ship->kind, GTYPE_SP_HEROSHIP);
    g_PlayerObject = ship;
    ship->manualControl = 1;
    ship->orderType = ACTION_STAY;

    const Vec3 start = ship->position;
    Vec3 forwardAfterTurn, forwardAfterPitch;
    float stationX[3] = {0, 0, 0}, stationY[3] = {0, 0, 0};
    bool stationSeen[3] = {false, false, false};
    unsigned last = PlatformFrameCount();
    for (int pass = 0; pass < 20000 && last < 100; ++pass) {
        PumpAndFrame();
        const unsigned presented = PlatformFrameCount();
        if (presented == last) {
            usleep(1000);  // no game time passed: nothing was drawn
            continue;
        }
        last = presented;
        // About 50 frames a second, as on a synchronised display.
        const uint32_t started = timeGetTime();
        while (timeGetTime() - started < 20) usleep(1000);
        if (std::getenv("FLIGHT_TRACE"))
            std::printf("frame %u mouse %.1f %.1f yawIn %.3f ang %.5f %.5f dt %.4f\n", presented, g_MouseX, g_MouseY,
                        g_MouseYawInput, ship->angularStep.x, ship->angularStep.y, g_GameClock.frameSeconds);
        const int slot = presented == 12 ? 0 : presented == 52 ? 1 : presented == 92 ? 2 : -1;
        if (slot >= 0) stationSeen[slot] = Project(station->position, &stationX[slot], &stationY[slot]);
        if (presented == 52) forwardAfterTurn = Vec3(ship->worldMatrix.m[2][0], ship->worldMatrix.m[2][1], ship->worldMatrix.m[2][2]);
        if (presented == 92) forwardAfterPitch = Vec3(ship->worldMatrix.m[2][0], ship->worldMatrix.m[2][1], ship->worldMatrix.m[2][2]);
    }
    const Vec3 end = ship->position;
    const float percent = ship->speedPercent;
    // The sky stays first in the list, centred on the eye and scaled to the view
    // distance, and all of it lies inside the far plane.
    const bool skyKept = CObjectList::unitCount[1] > 0 && CObjectList::units[1][0] == sky;
    const float skyReach = skyKept && sky->meshCount > 0 ? sky->meshes[0]->m_SphereRadius * sky->scale.x : 0.0f;

    // The world's lists own the units; the location's unload frees them.
    g_PlayerObject = nullptr;
    g_World.Release();
    g_D3DRender.FreeD3DRender();
    DestroyWindow(window);
    unsetenv("KORVANE_INPUT");
    unsetenv("KORVANE_SCREENSHOT");
    unsetenv("KORVANE_SHOT_FRAMES");
    TestSwitchesReset();
    g_Settings = savedSettings;
    g_AppActive = 0;
    ASSERT_EQ(chdir(oldDir), 0);

    EXPECT_TRUE(skyKept);
    EXPECT_GT(skyReach, 1000.0f);
    EXPECT_LT(skyReach, 5000.0f);  // a space location's far plane

    // The ship's state: full throttle, moved ahead, turned right, then nose up.
    EXPECT_FLOAT_EQ(percent, 100.0f);
    EXPECT_GT(end.z - start.z, 20.0f);
    EXPECT_GT(forwardAfterTurn.x, 0.05f) << "the mouse turn did not yaw right";
    EXPECT_NEAR(forwardAfterTurn.y, 0.0f, 0.02f);
    EXPECT_GT(forwardAfterPitch.y, forwardAfterTurn.y + 0.05f) << "the up key did not raise the nose";

    // The pictures: the station ahead at the start, left of the centre after the right
    // turn, lower after the nose came up; lit pixels where the camera shows it.
    GfxImage im[3];
    for (int i = 0; i < 3; ++i) {
        const char* names[3] = {"/frame_12.png", "/frame_52.png", "/frame_92.png"};
        std::vector<uint8_t> bytes = ReadAll(shotDir + names[i]);
        std::string err;
        ASSERT_TRUE(GfxDecodePng(bytes.data(), bytes.size(), &im[i], &err)) << names[i] << ": " << err;
        ASSERT_TRUE(stationSeen[i]);
    }
    const float w = float(g_ClientWidth), h = float(g_ClientHeight);
    EXPECT_NEAR(stationX[0], w / 2, w / 40);
    EXPECT_LT(stationX[1], stationX[0] - w / 20);
    EXPECT_GT(stationY[2], stationY[1] + h / 20);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(im[i].width, unsigned(g_ClientWidth));
        // A slow machine turns further per frame and may turn the station out of view.
        if (stationX[i] < 12.0f || stationX[i] > w - 12.0f || stationY[i] < 12.0f || stationY[i] > h - 12.0f) {
            EXPECT_NE(i, 0);
            continue;
        }
        const unsigned x = unsigned(std::max(0.0f, std::min(w - 24.0f, stationX[i] - 12.0f)));
        const unsigned y = unsigned(std::max(0.0f, std::min(h - 24.0f, stationY[i] - 12.0f)));
        EXPECT_GT(MeasureLit(im[i], x, y, x + 24, y + 24).share, 0.5) << "no station drawn at shot " << i;
    }
    // The sky's stars are as bright as the lit hulls and fill the whole picture, so the
    // turn is read in the band of rows where the station stands (a yaw keeps it there).
    if (stationX[1] >= 12.0f && stationX[1] <= w - 12.0f) {
        const unsigned y0 = unsigned(std::max(0.0f, stationY[0] - 12.0f));
        const Lit band0 = MeasureLit(im[0], 0, y0, im[0].width, y0 + 24);
        const Lit band1 = MeasureLit(im[1], 0, y0, im[1].width, y0 + 24);
        EXPECT_LT(band1.x, band0.x) << "the scene did not move left on a right turn";
    }

    if (!::testing::Test::HasFailure() && !std::getenv("KORVANE_KEEP_RUNS")) std::system(("rm -rf '" + shotDir + "'").c_str());
    else std::printf("screenshots kept in %s\n", shots);
}

}  // namespace
