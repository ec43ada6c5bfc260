#include "menus/game_menu.h"
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

void CGameMenu::Load() {}
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

CFont g_MenuFont;
CMenuButton g_MenuLoadButton;
CMenuButton g_MenuBackButton;

void DrawMenuText(CFont* font, float x, float y, const char* text, unsigned textColour, unsigned, float scale)
{
    if (font)
        font->DrawTextSparkle(x, y, text, textColour, 0, scale);
}

void DrawMenuTextCentred(CFont* font, float x, float y, const char* text, unsigned textColour, unsigned glowColour,
                         float scale)
{
    if (font)
        DrawMenuText(font, x - font->GetTextWidth(scale, text) * 0.5f, y, text, textColour, glowColour, scale);
}

void CGameMenu::SetPage(int page)
{
    g_MenuClosingPage = g_MenuPage;
    g_MenuPage = page;
    g_MenuPageTime = Now();
}

void CGameMenu::HandOver()
{
    g_MenuPage = 0;
    g_GameMenuActive = 0;
}

std::uint32_t CGameMenu::Now() { return g_GameClock.NowMs(); }
