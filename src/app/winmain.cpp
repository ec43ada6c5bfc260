#include "app/winmain.h"
#include "app/settings.h"
#include "app/wndproc.h"
#include "audio/audio_manager.h"
#include "files/file_manager.h"
#include "files/language.h"
#include "flight_ui/cursor.h"
#include "flight_ui/game_interface.h"
#include "locations/location_director.h"
#include "menus/game_menu.h"
#include "menus/start_logo.h"
#include "menus/station_menu.h"
#include "net/network.h"
#include "platform/win/message_box.h"
#include "render/d3d_render.h"
#include "render/mesh_container.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/world.h"
#include <cmath>

const char* const g_WindowTitles[2] = {"Корвейн", "Korvane"};

WindowHandle g_MainWindow = nullptr;
int g_AppActive = 0;
int g_HasFocus = 0;
int g_QuitRequested = 0;
int g_LocationFinished = 0;
int g_RestartRequested = 0;
int g_TextInputState = 0;
char g_TextInputChar = 0;

namespace {
const char* Title()
{
    return g_WindowTitles[g_Settings.language == 1 ? 1 : 0];
}
} // namespace

bool StartUp(bool restart)
{
    LoadSettings();
    if (CountProgramStarts() == 0)
        ResetSettingsToDefaults();
    CFileManager::Init();
    LoadLanguageData();

    if (!restart) {
        if (g_Settings.debugOut)
            DebugOut(nullptr);
        RegisterClass(Title(), WndProc);
    }
    CFileManager::FlushLog();

    if (g_D3DRender.InitD3D(g_Settings.windowed) < 0)
        return false;

    int width = 800, height = 600;
    g_D3DRender.GetModeSize(g_Settings.videoMode, &width, &height);
    if (restart && g_MainWindow) {
        MoveWindow(g_MainWindow, 0, 0, width, height, false);
        g_RestartRequested = 0;
    } else {
        g_MainWindow = CreateWindow(Title(), Title(), 0, 0, width, height);
        if (!g_MainWindow) {
            ShowMessage("Can't create the window!", Title(), MB_OK | MB_ICONERROR);
            return false;
        }
        SetCursor(nullptr);
    }

    if (g_D3DRender.CreateDevice(g_MainWindow, g_Settings.windowed) < 0)
        return false;
    if (g_AudioManager.Init() < 0)
        return false;

    if (g_Settings.startLogo)
        ShowStartLogo();

    InitGameInterface();
    CCursor::Init();
    CGameMenu::Load();
    g_World.Init();
    CObjectList::ResetNextId();
    g_LocationDirector.Init();
    CStationMenu::Create();
    return true;
}

// Esc in a running mission: the in-game menu with the leave question, or the end
// of the location without the game menu.
void HandleFrameEsc()
{
    if (g_KeyEsc && g_AppActive && !g_LocationDirector.missionOver && g_LocationDirector.locationId < 100) {
        g_KeyEsc = 0;
        if (g_Settings.useGameMenu) {
            if (g_GameMode != 2) {
                // Stops the clock and pauses the sounds with it.
                g_AppActive = 0;
                g_GameClock.Pause();
            }
            std::uint32_t now = std::uint32_t(g_GameClock.gameTime);
            g_GameMenuActive = 1;
            g_MenuPage = 11;
            g_MenuClosingPage = -1;
            g_MenuPageTime = now;
            g_MenuPageProgress = 0.0f;
            g_MenuDialogClosing = 0;
            CGameMenu::OpenDialog(3);
            g_PointerShown = 1;
            CCursor::Update();
            DebugOutF("Esc: location %d paused, game menu opened", g_LocationDirector.locationId);
        } else {
            g_LocationFinished = 1;
            DebugOutF("Esc: location %d finished", g_LocationDirector.locationId);
        }
    }
}

void RunFrameLoop()
{
    while (!g_LocationFinished) {
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                break;
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }

        g_World.Frame();
        g_LocationDirector.Frame();

        HandleFrameEsc();

        if (g_GameMenuActive)
            CGameMenu::Run();
    }
}

void RunLocationLoop()
{
    while (!g_QuitRequested && !g_LocationFinished) {
        CGameMenu::Run();
        if (g_QuitRequested || g_LocationFinished)
            break;
        g_LocationDirector.LoadNextLocation();

        g_AudioManager.fade = 0.0f;
        g_AudioManager.ApplyVolumes();
        SetCursorPos(int(std::lround(400.0f * g_ScreenScaleX)), int(std::lround(300.0f * g_ScreenScaleY)));
        g_AppActive = 1;

        if (!g_LocationFinished)
            RunFrameLoop();

        g_AudioManager.StopAll();
        DrawLoadingScreen(0);
        g_World.UnloadLocation();

        if (g_QuitRequested)
            break;
        if (!g_Settings.useGameMenu)
            break;
        g_GameMenuActive = 1;
        g_LocationFinished = 0;
    }
}

void ShutDown()
{
    ReleaseGameInterface();
    if (CCursor::sheet >= 0)
        g_D3DRender.ReleaseTexture(CCursor::sheet);
    CCursor::sheet = -1;
    CGameMenu::Release();
    CStationMenu::Release();

    CFileManager::Release();
    g_World.Release();
    g_AudioManager.Release();
    g_Network.Shutdown();
    CMeshContainer::ReleaseAllMeshData();
    g_D3DRender.FreeD3DRender();
    SaveSettings();
}

int WinMain()
{
    // A close asked of an earlier run in this process (the in-process tests) must not end this one.
    g_QuitRequested = 0;
    g_LocationFinished = 0;
    bool restart = false;
    for (;;) {
        if (!StartUp(restart))
            return 1;
        RunLocationLoop();
        ShutDown();
        if (!g_RestartRequested)
            break;
        g_LocationFinished = 0;
        restart = true;
    }
    DestroyWindow(g_MainWindow);
    g_MainWindow = nullptr;
    return 0;
}
