#include "menus/game_menu.h"
#include "menus/buttons.h"
#include "locations/pilot_profile.h"
#include "render/draw2d.h"
#include "render/font.h"
#include "app/winmain.h"
#include "audio/audio_manager.h"
#include "platform/win/window.h"
#include "world/game_clock.h"

int g_GameMenuActive = 0;
int g_MenuPage = 0;
int g_MenuClosingPage = -1;
std::uint32_t g_MenuPageTime = 0;
float g_MenuPageProgress = 0.0f;
int g_MenuDialogOpen = 0;
int g_MenuDialogType = -1;
std::uint32_t g_MenuDialogTime = 0;
int g_MenuDialogClosing = 0;
int g_MenuDialogAnswer = 0;
CFont g_MenuFont;
CFont g_MenuSmallFont;
int g_MenuMainAtlas = -1;
int g_MenuPilotAtlas = -1;
CMainMenuButton g_MainMenuButtons[9];

void CGameMenu::SetPage(int page)
{
    g_MenuClosingPage = page == 1 || page == 3 ? g_MenuPage : -1;
    g_MenuPage = page;
    g_MenuPageTime = g_GameClock.NowMs();
    g_MenuPageProgress = 0.0f;
}
void CGameMenu::OpenDialog(int type)
{
    g_MenuDialogOpen = 1;
    g_MenuDialogTime = g_GameClock.NowMs();
    g_MenuDialogType = type;
}
void CGameMenu::CloseDialog(int answer)
{
    g_MenuDialogAnswer = answer;
    g_MenuDialogTime = g_GameClock.NowMs();
    g_MenuDialogClosing = 1;
}
void CGameMenu::DrawPanel(float x, float y, float hw, float h, float percent, std::uint32_t lineColour)
{
    const float w = hw * percent / 100.0f, e = h * percent / 100.0f;
    DrawScreenRectColour(0xFF000000u | (lineColour & 0xFFFFFFu), x - w, y, x + w, y + e);
    if (w > 5.0f && e > 10.0f)
        DrawScreenQuadColour(0x96320064u, x - w + 5.0f, y + 5.0f, x + w - 5.0f, y + e - 5.0f, nullptr);
}

void CGameMenu::Load()
{
    if (g_PilotSlot < 0)
        g_PilotSlot = 0;  // no pilot page yet: play as the first slot
}
void CGameMenu::Release() {}
// The menu's pages are not built yet: while it is asked for, the queue is still
// drained (so the window closes) and the menu closes at once, which continues the
// game or lets the director go on to the next location.
void CGameMenu::Run()
{
    if (!g_GameMenuActive)
        return;
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            break;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    g_GameMenuActive = 0;
    g_MenuDialogOpen = 0;
    if (!g_AppActive && !g_QuitRequested) {
        g_AppActive = 1;
        g_GameClock.Resume();
        g_AudioManager.ResumeAll();
    }
}
int CGameMenu::OnClick()
{
    return 0;
}

void CGameMenu::Draw() {}
