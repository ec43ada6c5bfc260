#include "menus/game_menu.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/settings.h"
#include "app/winmain.h"
#include "app/wndproc.h"
#include "audio/audio_manager.h"
#include "files/file_manager.h"
#include "files/language.h"
#include "flight_ui/cursor.h"
#include "locations/campaign_progress.h"
#include "locations/location_director.h"
#include "locations/pilot_profile.h"
#include "locations/sector_save.h"
#include "menus/campaign_page.h"
#include "menus/end_game.h"
#include "menus/network_pages.h"
#include "menus/pilots_page.h"
#include "menus/records_page.h"
#include "menus/settings_page.h"
#include "menus/start_logo.h"
#include "net/network.h"
#include "platform/crt/rand.h"
#include "platform/win/timer.h"
#include "render/d3d_render.h"
#include "world/game_clock.h"
#include "world/objects/unit.h"
#include "world/world.h"

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

GameMenuResources g_MenuResources;
CFont g_MenuFont;
CFont g_MenuSmallFont;
CMainMenuButton g_MainMenuButtons[9];
CMenuButton g_MenuYesButton;
CMenuButton g_MenuNoButton;
CMenuButton g_MenuLoadButton;
CMenuButton g_MenuBackButton;

namespace {

constexpr unsigned kPanelFill = 0x320064;      // (50, 0, 100)
constexpr int kSparkleSpread = 4;              // units a letter's glow grows by at random
constexpr unsigned kButtonBlue = 0x9696FA;     // (150, 150, 250)

struct MainButtonSpec {
    const char* caption;
    float x, y;
    float ringX, ringY, half;
    float idleU, idleV, hoverU, hoverV;
};

// Place 7 stays empty.
const MainButtonSpec kMainButtons[9] = {
    {"Сменить пилота", 110, 170, 87, 197, 54, 448, 320, 448, 448},
    {"Новая кампания", 180, 150, 152, 172, 44, 320, 256, 320, 384},
    {"Продолжить кампанию", 177, 213, 159, 245, 64, 256, 256, 256, 384},
    {"Одиночная миссия", 190, 295, 167, 322, 54, 384, 256, 384, 384},
    {"Сетевая игра", 205, 365, 182, 392, 54, 448, 256, 448, 384},
    {"Таблица рекордов", 115, 265, 90, 290, 50, 320, 155, 384, 155},
    {"Настройки игры", 130, 350, 105, 375, 50, 384, 320, 384, 448},
    {nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"Выход", 240, 435, 212, 457, 44, 320, 320, 320, 448},
};

// Drawing order of the rings, and the order presses are offered to them.
const int kMainDrawOrder[8] = {1, 0, 2, 3, 4, 6, 5, 8};
const int kMainClickOrder[8] = {0, 1, 2, 3, 4, 6, 5, 8};

struct DialogText {
    const char* title;
    const char* first;
    const char* second;
};

const DialogText kDialogTexts[6] = {
    {"", nullptr, nullptr},
    {"Удалить пилота", nullptr, "Вы уверены?"},
    {"Новая кампания", "Все пройденные сектора", "будут потеряны! Продолжить?"},
    {"Выход в главное меню", nullptr, "Вы действительно хотите выйти?"},
    {"Выход из игры", nullptr, "Вы действительно хотите выйти?"},
    {"Вы уничтожены!", nullptr, "Хотите начать заново?"},
};

int LoadMenuTexture(const char* name)
{
    return g_D3DRender.LoadTexture(name, 1, -1);
}

const char* LanguageSuffix()
{
    return g_Settings.language == 1 ? "ENG" : "RUS";
}

void ReleaseTextureId(int* id)
{
    if (*id >= 0)
        g_D3DRender.ReleaseTexture(*id);
    *id = -1;
}

void CutPilotSprites()
{
    GameMenuResources& r = g_MenuResources;
    InitSprite(&r.pilotPanel, 512.0f, 0.0f, 0.0f, 512.0f, 386.0f, r.pilotAtlas);
    InitSprite(&r.nameField, 512.0f, 0.0f, 386.0f, 192.0f, 34.0f, r.pilotAtlas);
}

void BuildMainLayer()
{
    struct P { float x, y, u, v; };
    const P points[6] = {{270, 160, 0.5f, 0.235f}, {520, 160, 1.0f, 0.235f}, {520, 40, 1.0f, 0.0f},
                         {20, 40, 0.0f, 0.0f},     {20, 540, 0.0f, 1.0f},    {270, 540, 0.5f, 1.0f}};
    for (int i = 0; i < 6; ++i)
        g_MenuResources.mainLayer[i] = {points[i].x * g_ScreenScaleX, points[i].y * g_ScreenScaleY, 0.0f, 1.0f,
                                        0xFFFFFFFFu, 0u, points[i].u, points[i].v};
}

void BuildPanelFrame()
{
    // Inner edge (alpha 250) and outer edge (alpha 0) alternate; top corners violet.
    const unsigned top = 0x640096, bottom = 0x320064;
    const unsigned colours[10] = {MenuColour(250, top),    MenuColour(0, top),    MenuColour(250, top),
                                  MenuColour(0, top),      MenuColour(250, bottom), MenuColour(0, bottom),
                                  MenuColour(250, bottom), MenuColour(0, bottom), MenuColour(250, top),
                                  MenuColour(0, top)};
    for (int i = 0; i < 10; ++i)
        g_MenuResources.panelFrame[i] = {0.0f, 0.0f, 0.0f, 1.0f, colours[i], 0u, 0.0f, 0.0f};
}

void CreateMainButtons()
{
    for (int i = 0; i < 9; ++i) {
        const MainButtonSpec& s = kMainButtons[i];
        if (!s.caption)
            continue;
        CMainMenuButton& b = g_MainMenuButtons[i];
        b.Create(s.x, s.y, s.caption, &g_MenuFont, 1);
        InitSprite(&b.idleRing, 512.0f, s.idleU, s.idleV, 64.0f, 64.0f, g_MenuResources.mainAtlas);
        InitSprite(&b.hoverRing, 512.0f, s.hoverU, s.hoverV, 64.0f, 64.0f, g_MenuResources.mainAtlas);
        for (ScreenSprite* ring : {&b.idleRing, &b.hoverRing}) {
            ring->centreX = s.ringX * g_ScreenScaleX;
            ring->centreY = s.ringY * g_ScreenScaleY;
            ring->halfWidth = s.half * g_ScreenScaleX;
            ring->halfHeight = s.half * g_ScreenScaleY;
        }
    }
}

// Screen primitives of the menu's own vertex sets.
void DrawVertices(unsigned type, unsigned primitives, const ScreenVertex* v, int texture, bool blend)
{
    GfxDevice* device = g_D3DRender.device;
    if (!device)
        return;
    if (g_D3DRender.zEnable)
        g_D3DRender.SetZEnable(0);
    if (g_D3DRender.zWriteEnable)
        g_D3DRender.SetZWriteEnable(0);
    if (g_D3DRender.lighting)
        g_D3DRender.SetLighting(0);
    g_D3DRender.SetTexture(texture, blend ? 1 : 0);
    device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1);
    device->DrawPrimitiveUP(D3DPRIMITIVETYPE(type), primitives, v, sizeof(ScreenVertex));
}

float FontHeight()
{
    return g_MenuFont.GetTextHeight(1.0f);
}

void DrawFullScreenBackground()
{
    DrawSpriteRect(&g_MenuResources.backgroundSprite, -1.0f, -1.0f, 801.0f, 601.0f, 0xFFFFFFFFu);
}

void RestartFade()
{
    // Both ends of a page change uncover the scene again, so the new page stands over it.
    g_World.Camera().StartFade(1.0f, 0, 1, 0);
}

// ---- page logic ------------------------------------------------------------------

// Until the scene's own fly-through steers it, the menu camera rides behind the scene's
// ship, far enough back to see the ships round it (a follow offset of zero length would
// put the eye on the point it looks at and show nothing).
void FollowSceneShip()
{
    CCamera& camera = g_World.cameras[1];
    if (!camera.target || Vec3LengthSq(camera.followOffset) > 0.0f)
        return;
    const float r = std::max(g_PlayerObject ? g_PlayerObject->boundsRadius : 0.0f, 20.0f);
    camera.followOffset = Vec3(0.0f, 1.5f * r, -6.0f * r);
    DebugOutF("Game menu: the scene camera follows at %.0f units", 6.0f * r);
}

void UpdateStartPage()
{
    g_MissionResult = -1;
    if (g_Settings.useGameMenu) {
        g_GameMode = -1;
        g_WorldIndex = 1;
        g_LocationKind = 1;
        g_LocationDirector.locationId = LOCATION_GAME_MENU;
        const int audio = g_Settings.audio;
        g_Settings.audio = 0;   // the scene starts silently
        g_LocationDirector.LoadNextLocation();
        g_Settings.audio = audio;
        FollowSceneShip();
        g_LocationFinished = 0;
        g_AudioManager.fade = 0.0f;
        g_AudioManager.ApplyVolumes();
        // The scene fades in behind the first page.
        g_World.cameras[1].StartFade(3.0f, 0, 0, 0);
        g_AppActive = 1;
        g_PointerShown = 1;
        if (g_PilotSlot == -1) {
            LoadPilotNames();
            g_MenuPage = MENU_PAGE_PILOTS;
            g_MenuClosingPage = MENU_PAGE_START;
            g_MenuPageTime = CGameMenu::Now();
            g_MenuPageProgress = 0.0f;
        } else {
            g_MainMenuButtons[2].SetEnabled(CountSavedSectors() >= 1);
            g_MenuPage = MENU_PAGE_MAIN;
        }
        return;
    }
    std::snprintf(g_PlayerName, sizeof(g_PlayerName), "%s", TranslateText("Default (demo)"));
    g_PilotSlot = kDemoPilotSlot;
    CGameMenu::HandOver();
    g_MenuPage = MENU_PAGE_EXIT;
}

void UpdateMainPage()
{
    CMainMenuButton* b = g_MainMenuButtons;
    if (b[0].WasClicked()) {
        CutPilotSprites();
        g_World.Camera().StartFade(1.0f, 1, 0, 0);
        LoadPilotNames();
        CGameMenu::SetPage(MENU_PAGE_PILOTS);
    }
    if (b[1].WasClicked()) {
        if (CountSavedSectors() >= 1) {
            CGameMenu::OpenDialog(MENU_DIALOG_NEW_CAMPAIGN);
        } else {
            g_MenuDialogAnswer = 1;
        }
        CGameMenu::SetPage(MENU_PAGE_NEW_CAMPAIGN);
    }
    const int campaign = b[2].WasClicked();
    const int single = b[3].WasClicked();
    if (campaign || single)
        CGameMenu::OpenListPage(single ? MENU_PAGE_SINGLE : MENU_PAGE_CAMPAIGN);
    if (b[4].WasClicked())
        CGameMenu::OpenNetworkPage();
    if (b[6].WasClicked())
        CGameMenu::OpenSettingsPage();
    if (b[5].WasClicked())
        CGameMenu::OpenRecordsPage();
    if (b[8].WasClicked()) {
        CGameMenu::OpenDialog(MENU_DIALOG_EXIT_GAME);
        g_MenuPage = MENU_PAGE_EXIT;
    }
}

void UpdateNewCampaignPage()
{
    if (g_MenuDialogOpen)
        return;
    if (g_MenuDialogAnswer == 0) {
        g_MenuPage = MENU_PAGE_MAIN;
        return;
    }
    DrawLoadingScreen(0);
    g_World.UnloadLocation();
    if (!g_Settings.debugOut && g_PilotSlot >= 0)
        DeleteSectorSaves(0, 12);
    g_GameMode = 1;
    g_WorldIndex = 0;
    g_LocationKind = 0;
    g_LocationDirector.locationId = LOCATION_NONE;
    CGameMenu::HandOver();
}

void UpdateExitPage()
{
    if (g_MenuDialogOpen)
        return;
    if (g_MenuDialogAnswer == 0) {
        g_MenuPage = MENU_PAGE_MAIN;
        return;
    }
    g_AudioManager.StopAll();
    DrawLoadingScreen(-1);
    g_World.UnloadLocation();
    g_GameMenuActive = 0;
    g_LocationFinished = 1;
}

void UpdateInGamePage()
{
    if (g_MenuDialogOpen)
        return;
    if (g_MenuDialogAnswer == 1) {
        if (g_GameMode == 2)
            g_Network.Shutdown();
        g_LocationFinished = 1;
    } else if (g_LocationKind == 1) {
        g_PointerShown = 0;
    }
    if (g_GameMode != 2) {
        g_AppActive = 1;
        g_AudioManager.ResumeAll();
        g_GameClock.Resume();
    }
    g_MenuClosingPage = -1;
    g_MenuPage = MENU_PAGE_START;
    g_MenuPageTime = CGameMenu::Now();
    g_MenuPageProgress = 0.0f;
    g_GameMenuActive = 0;
}

void UpdateDestroyedPage()
{
    if (g_MenuDialogOpen)
        return;
    g_LocationFinished = 1;
    g_GameMenuActive = 0;
    if (g_MenuDialogAnswer == 1) {
        g_MenuPage = MENU_PAGE_RESTART;
    } else {
        if (g_GameMode == 2)
            g_Network.Shutdown();
        g_MenuPage = MENU_PAGE_START;
    }
    g_MenuClosingPage = -1;
    g_MenuPageTime = CGameMenu::Now();
    g_MenuPageProgress = 0.0f;
    g_MissionResult = -1;
}

void UpdateRestartPage()
{
    int& id = g_LocationDirector.locationId;
    if (g_GameMode == 1 && (id == LOCATION_SPACE_INTRO_1 || id == LOCATION_SPACE_INTRO_2)) {
        id = id == LOCATION_SPACE_INTRO_1 ? LOCATION_PLANET_INTRO_1 : LOCATION_PLANET_INTRO_2;
        g_WorldIndex = 0;
        g_LocationKind = 0;
    } else {
        g_WorldIndex = 1;
        g_LocationKind = 1;
        if (g_GameMode == 1)
            id = id == LOCATION_SECTOR_FIRST ? LOCATION_SPACE_INTRO_2 : id - 1;
    }
    g_MenuClosingPage = -1;
    g_MenuPage = MENU_PAGE_START;
    g_MenuPageTime = CGameMenu::Now();
    g_MenuPageProgress = 0.0f;
    g_GameMenuActive = 0;
    g_MissionResult = -1;
}

void UpdatePage()
{
    switch (g_MenuPage) {
    case MENU_PAGE_START: UpdateStartPage(); break;
    case MENU_PAGE_PILOTS: CGameMenu::UpdatePilotsPage(); break;
    case MENU_PAGE_MAIN: UpdateMainPage(); break;
    case MENU_PAGE_NEW_CAMPAIGN: UpdateNewCampaignPage(); break;
    case MENU_PAGE_CAMPAIGN:
    case MENU_PAGE_SINGLE: CGameMenu::UpdateListPage(); break;
    case MENU_PAGE_NETWORK: CGameMenu::UpdateNetworkPage(); break;
    case MENU_PAGE_SETTINGS: CGameMenu::UpdateSettingsPage(); break;
    case MENU_PAGE_RECORDS: CGameMenu::UpdateRecordsPage(); break;
    case MENU_PAGE_EXIT: UpdateExitPage(); break;
    case MENU_PAGE_IN_GAME: UpdateInGamePage(); break;
    case MENU_PAGE_DESTROYED: UpdateDestroyedPage(); break;
    case MENU_PAGE_RESTART: UpdateRestartPage(); break;
    case MENU_PAGE_RESULTS: CGameMenu::UpdateResultsPage(); break;
    default: break;
    }
}

// Page-change progress; at its end the closing page is let go.
void UpdateProgress()
{
    const float elapsed = std::min(g_GameClock.SecondsSince(g_MenuPageTime), 1.0f);
    g_MenuPageProgress = std::max(elapsed, 0.0f) * 100.0f;
    if (g_MenuPageProgress >= 100.0f && g_MenuClosingPage != -1) {
        const int closing = g_MenuClosingPage;
        g_MenuClosingPage = -1;
        if (closing == MENU_PAGE_PILOTS || (closing == MENU_PAGE_MAIN && g_MenuPage == MENU_PAGE_PILOTS))
            RestartFade();
    }
}

void DrawMainLayer()
{
    if (g_MenuPage > MENU_PAGE_MAIN && !g_MenuDialogOpen)
        CGameMenu::DrawTransition(g_MenuPageProgress);
    CGameMenu::DrawBackground();
    const int active = g_MenuPage == MENU_PAGE_MAIN && g_MenuClosingPage == -1;
    for (int i : kMainDrawOrder)
        g_MainMenuButtons[i].Draw(active);
    const char* label = "Пилот:";
    const float w = g_MenuFont.GetTextWidth(0.7f, label);
    g_MenuFont.DrawText(91.0f - w, 34.0f, label, 0xFF000000u, 0x32000000u, 0.7f);
    g_MenuFont.DrawText(89.0f - w, 32.0f, label, MenuColour(255, 0x6432C8), MenuColour(50, 0x6432C8), 0.7f);
    g_MenuFont.DrawText(115.0f, 34.0f, g_PlayerName, 0xFF000000u, 0x32000000u, 0.7f);
    g_MenuFont.DrawText(113.0f, 32.0f, g_PlayerName, MenuColour(255, 0x9664FA), MenuColour(50, 0x9664FA), 0.7f);
    DrawSpriteRect(&g_MenuResources.pilotIcon, 96.0f, 32.0f, 111.0f, 48.0f, 0xFF000000u);
    DrawSpriteRect(&g_MenuResources.pilotIcon, 93.0f, 30.0f, 108.0f, 46.0f, 0xFFFFFFFFu);
}

} // namespace

void DrawMenuText(CFont* font, float x, float y, const char* text, unsigned textColour, unsigned glowColour,
                  float scale)
{
    if (!font || !text)
        return;
    // A glow disc behind every letter (alpha 100 at its centre, clear at its rim), each of
    // its own random size every frame: the caption sparkles. Then the caption over them.
    const char* t = TranslateText(text);
    const float h = font->GetTextHeight(scale);
    const unsigned centre = MenuColour(100, glowColour), rim = MenuColour(0, glowColour);
    float pen = x;
    for (const char* p = t; *p; ++p) {
        const int gi = font->FindChar((unsigned char)*p);
        if (gi < 0)
            continue;
        const float w = font->glyphs[gi].width * scale;
        const float radius = h * 0.5f + float(GameRand() % (kSparkleSpread + 1));
        DrawScreenDisc16(centre, rim, pen + w * 0.5f, y + h * 0.5f, radius, 1.0f, 1.0f);
        pen += w + font->spacing * scale;
    }
    font->DrawText(x, y, text, textColour, textColour, scale);
}

void DrawMenuTextCentred(CFont* font, float x, float y, const char* text, unsigned textColour, unsigned glowColour,
                         float scale)
{
    if (!font || !text)
        return;
    DrawMenuText(font, x - font->GetTextWidth(scale, text) * 0.5f, y, text, textColour, glowColour, scale);
}

std::uint32_t CGameMenu::Now()
{
    return g_GameClock.NowMs();
}

void CGameMenu::Load()
{
    GameMenuResources& r = g_MenuResources;
    if (g_MenuFont.Load("Data/Misc/Fonts/Bauhaus.20") == 0)
        g_MenuFont.spacing *= 0.25f;
    g_MenuSmallFont.Load("Data/Misc/Fonts/Hermes.18");

    char name[128];
    std::snprintf(name, sizeof(name), "Data/Misc/GameMenu/OnLoading_%s.bmp", LanguageSuffix());
    r.loadingPicture = LoadMenuTexture(name);
    r.background = LoadMenuTexture("Data/Misc/GameMenu/Background.dds");
    r.makerLogo = LoadMenuTexture("Data/Misc/GameMenu/Logo_Tessarin.dds");
    std::snprintf(name, sizeof(name), "Data/Misc/GameMenu/Main/MainLayer_%s.dds", LanguageSuffix());
    r.mainAtlas = LoadMenuTexture(name);
    std::snprintf(name, sizeof(name), "Data/Misc/GameMenu/Player/MainLayer_%s.dds", LanguageSuffix());
    r.pilotAtlas = LoadMenuTexture(name);
    r.pagePicture = -1;

    InitSprite(&r.loadingSprite, 512.0f, 0.0f, 0.0f, 512.0f, 512.0f, r.loadingPicture);
    InitSprite(&r.backgroundSprite, 512.0f, 0.0f, 0.0f, 512.0f, 512.0f, r.background);
    InitSprite(&r.headerStrip, 512.0f, 256.0f, 219.0f, 256.0f, 37.0f, r.mainAtlas);
    InitSprite(&r.pilotIcon, 512.0f, 480.0f, 187.0f, 32.0f, 32.0f, r.mainAtlas);
    CutPilotSprites();
    BuildMainLayer();
    BuildPanelFrame();

    g_MainButtonMouseInSound = g_AudioManager.LoadSound("Data/Sounds/GameMenu/MainBt_MouseIn.wav", SOUND_EFFECT, 10.0f, 10.0f);
    g_MainButtonPressSound = g_AudioManager.LoadSound("Data/Sounds/GameMenu/MainBt_Press.wav", SOUND_EFFECT, 10.0f, 10.0f);
    g_ButtonMouseInSound = g_AudioManager.LoadSound("Data/Sounds/GameMenu/Bt_MouseIn.wav", SOUND_EFFECT, 10.0f, 10.0f);
    g_ButtonPressSound = g_AudioManager.LoadSound("Data/Sounds/GameMenu/Bt_Press.wav", SOUND_EFFECT, 10.0f, 10.0f);
    r.checkBoxOn = g_AudioManager.LoadSound("Data/Sounds/GameMenu/CheckBox_On.wav", SOUND_EFFECT, 10.0f, 10.0f);

    CreateMainButtons();
    g_MenuYesButton.Create(520.0f, 470.0f, "Да", 1, kButtonBlue, kButtonBlue, &g_MenuFont, 1, 1.0f);
    g_MenuNoButton.Create(520.0f, 470.0f, "Нет", 0, kButtonBlue, kButtonBlue, &g_MenuFont, 1, 1.0f);
    g_MenuLoadButton.Create(520.0f, 470.0f, "Загрузить", 0, kButtonBlue, kButtonBlue, &g_MenuFont, 1, 1.0f);
    g_MenuBackButton.Create(710.0f, 490.0f, "Назад", 1, kButtonBlue, kButtonBlue, &g_MenuFont, 1, 1.0f);
    CreatePilotsPage();
    CreateListPages();
    CreateSettingsPage();
    CreateRecordsPage();
    CreateNetworkPage();
    CreateResultsPage();

    g_GameMenuActive = 1;
    g_MenuPage = MENU_PAGE_START;
    g_MenuClosingPage = -1;
    g_MenuPageTime = 0;
    g_MenuPageProgress = 0.0f;
    g_MenuDialogOpen = 0;
    g_MenuDialogType = -1;
    g_MenuDialogTime = 0;
    g_MenuDialogClosing = 0;
    g_MenuDialogAnswer = 0;
}

void CGameMenu::Release()
{
    g_MenuFont.ReleaseTexture();
    g_MenuSmallFont.ReleaseTexture();
    GameMenuResources& r = g_MenuResources;
    for (int* id : {&r.loadingPicture, &r.background, &r.makerLogo, &r.mainAtlas, &r.pilotAtlas})
        ReleaseTextureId(id);
    ReleasePagePicture();
    for (CSound** s : {&g_MainButtonMouseInSound, &g_MainButtonPressSound, &g_ButtonMouseInSound, &g_ButtonPressSound,
                       &r.checkBoxOn}) {
        if (*s)
            g_AudioManager.ReleaseSound(s);
        *s = nullptr;
    }
}

void CGameMenu::Run()
{
    while (!g_QuitRequested && g_GameMenuActive) {
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                break;
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
        Update();
    }
}

void CGameMenu::Update()
{
    if (!g_GameMenuActive)
        return;
    if (g_LocationFinished || g_MenuPage == MENU_PAGE_START || g_MenuPage == MENU_PAGE_RESTART) {
        g_GameClock.Tick();
    } else {
        g_World.Frame();
        g_LocationDirector.Frame();
    }
    if (g_GameClock.realFrameSeconds == 0.0f)
        return;
    UpdateLogic();
}

void CGameMenu::UpdateLogic()
{
    UpdateProgress();
    if (g_MenuDialogOpen) {
        DialogAnimation();
        if (g_MenuDialogOpen)
            UpdateDialog();
    }
    UpdatePage();
}

void CGameMenu::HandOver()
{
    g_PointerShown = 0;
    g_MenuClosingPage = -1;
    g_MenuPage = MENU_PAGE_START;
    g_MenuPageTime = Now();
    g_MenuPageProgress = 0.0f;
    g_GameMenuActive = 0;
}

void CGameMenu::SetPage(int page)
{
    DebugOutF("Game menu: page %d -> %d", g_MenuPage, page);
    g_MenuClosingPage = page == MENU_PAGE_PILOTS || page == MENU_PAGE_MAIN ? g_MenuPage : -1;
    g_MenuPage = page;
    g_MenuPageTime = Now();
    g_MenuPageProgress = 0.0f;
}

void CGameMenu::OpenDialog(int type)
{
    DebugOutF("Game menu: dialog %d on page %d", type, g_MenuPage);
    g_MenuDialogOpen = 1;
    g_MenuDialogTime = Now();
    g_MenuDialogType = type;
    // A press latched on an earlier dialog must not answer this one.
    g_MenuYesButton.SetPressed(0);
    g_MenuNoButton.SetPressed(0);
}

void CGameMenu::CloseDialog(int answer)
{
    DebugOutF("Game menu: dialog %d answered %d", g_MenuDialogType, answer);
    g_MenuDialogAnswer = answer;
    g_MenuDialogTime = Now();
    g_MenuDialogClosing = 1;
}

float CGameMenu::DialogAnimation()
{
    float a = 100.0f;
    if (g_MenuDialogType != MENU_DIALOG_LEAVE_MISSION && g_MenuDialogType != MENU_DIALOG_DESTROYED) {
        const float elapsed = g_GameClock.SecondsSince(g_MenuDialogTime);
        a = elapsed > 0.5f ? 100.0f : std::max(elapsed, 0.0f) * 200.0f;
    }
    if (g_MenuDialogClosing) {
        a = 100.0f - a;
        if (a <= 0.0f) {
            g_MenuDialogOpen = 0;
            g_MenuDialogClosing = 0;
        }
    }
    return a;
}

void CGameMenu::DrawPanel(float x, float y, float halfWidth, float height, float percent, unsigned lineColour)
{
    const float w = halfWidth * percent / 100.0f, e = height * percent / 100.0f;
    const float sx = g_ScreenScaleX, sy = g_ScreenScaleY;
    const float x1 = x - w, x2 = x + w, y1 = y, y2 = y + e;
    // Inner and outer points of the frame band, clockwise from the top left.
    const float px[10] = {x1 + 5, x1, x2 - 5, x2, x2 - 5, x2, x1 + 5, x1, x1 + 5, x1};
    const float py[10] = {y1 + 5, y1, y1 + 5, y1, y2 - 5, y2, y2 - 5, y2, y1 + 5, y1};
    ScreenVertex v[10];
    for (int i = 0; i < 10; ++i) {
        v[i] = g_MenuResources.panelFrame[i];
        v[i].x = px[i] * sx;
        v[i].y = py[i] * sy;
    }
    DrawVertices(D3DPT_TRIANGLESTRIP, 8, v, -1, true);
    DrawScreenQuadColour(MenuColour(150, kPanelFill), x1 + 5, y1 + 5, x2 - 5, y2 - 5, nullptr);
    if (percent > 20.0f) {
        const float sy1 = y + FontHeight(), sy2 = sy1 + 4.0f;
        DrawScreenQuadGradient(MenuColour(0, lineColour), MenuColour(150, lineColour), x1 + 5, sy1, x, sy2);
        DrawScreenQuadGradient(MenuColour(150, lineColour), MenuColour(0, lineColour), x, sy1, x2 - 5, sy2);
    }
}

void CGameMenu::DrawTransition(float percent)
{
    const float endX = percent < 50.0f ? 80.0f + 8.4f * percent : 500.0f;
    const unsigned line = MenuColour(150, kPanelFill), clear = MenuColour(0, kPanelFill);
    DrawScreenQuad(clear, line, 100.0f, 140.0f, endX, 144.0f, clear, line, nullptr);
    DrawScreenQuad(line, clear, 100.0f, 144.0f, endX, 148.0f, line, clear, nullptr);
    if (percent < 50.0f) {
        const unsigned r = unsigned(250 - 4 * percent), g = unsigned(250 - 5 * percent), b = unsigned(250 - 3 * percent);
        DrawScreenDisc16(0xFF000000u | r << 16 | g << 8 | b, clear, endX, 144.0f, 8.0f, 1.0f, 1.0f);
    }
}

void CGameMenu::DrawBackground()
{
    DrawVertices(D3DPT_TRIANGLEFAN, 4, g_MenuResources.mainLayer, g_MenuResources.mainAtlas, true);
}

void CGameMenu::DrawPause()
{
    const unsigned colour = 0xC864FA;
    DrawPanel(400.0f, 280.0f, 200.0f, 40.0f, 100.0f, colour);
    DrawMenuTextCentred(&g_MenuFont, 400.0f, 280.0f + FontHeight() * 0.5f, "Игра приостановлена...",
                        MenuColour(255, colour), colour, 1.0f);
}

void CGameMenu::DrawDialog()
{
    const int type = g_MenuDialogType;
    if (type == MENU_DIALOG_PILOT_NAME) {
        DrawNameDialog();
        return;
    }
    if (type < 1 || type > 5)
        return;
    if (type == MENU_DIALOG_DESTROYED && g_GameMode == 2)
        return;
    float x = 400.0f, top = 50.0f, hw = 200.0f, h = 150.0f;
    if (type == MENU_DIALOG_DELETE_PILOT) {
        x = g_Settings.language == 1 ? 385.0f : 413.0f, top = 320.0f, hw = 160.0f, h = 150.0f;
    } else if (type == MENU_DIALOG_NEW_CAMPAIGN || type == MENU_DIALOG_EXIT_GAME) {
        x = 490.0f, top = 180.0f, hw = 200.0f, h = 320.0f;
    }
    const float m = top + h / 2.0f, fh = FontHeight();
    g_MenuYesButton.SetPosition(x - 10.0f, m + 10.0f);
    g_MenuNoButton.SetPosition(x + 10.0f, m + 10.0f);
    const float a = DialogAnimation();
    if (!g_MenuDialogOpen)
        return;
    DrawPanel(x, top, hw, h, a, 0xFA64FA);
    if (a < 50.0f)
        return;
    const DialogText& t = kDialogTexts[type];
    DrawMenuTextCentred(&g_MenuFont, x, top + 10.0f, t.title, MenuColour(255, 0xFA64FA), 0xC8C8FA, 1.0f);
    if (a < 100.0f)
        return;
    const unsigned lineColour = MenuColour(255, 0x6464C8);
    if (t.first)
        g_MenuFont.DrawText(x - g_MenuFont.GetTextWidth(1.0f, t.first) * 0.5f, m - 10.0f - 2.0f * fh, t.first,
                            lineColour, lineColour, 1.0f);
    if (t.second)
        g_MenuFont.DrawText(x - g_MenuFont.GetTextWidth(1.0f, t.second) * 0.5f, m - 10.0f - fh, t.second, lineColour,
                            lineColour, 1.0f);
    const unsigned bar = MenuColour(150, 0x9696FA), clear = MenuColour(0, 0x9696FA);
    DrawScreenQuadGradient(clear, bar, x - hw / 2.0f, m + 17.0f, x - 20.0f, m + 21.0f);
    DrawScreenQuadGradient(bar, clear, x + 20.0f, m + 17.0f, x + hw / 2.0f, m + 21.0f);
    DrawMenuTextCentred(&g_MenuFont, x, m + 10.0f, "/", MenuColour(255, 0x9696FA), 0x9696FA, 1.0f);
    g_MenuYesButton.Draw(1.0f);
    g_MenuNoButton.Draw(1.0f);
}

void CGameMenu::UpdateDialog()
{
    if (g_MenuDialogClosing)
        return;
    const int type = g_MenuDialogType;
    if (type == MENU_DIALOG_PILOT_NAME) {
        UpdateNameDialog();
        return;
    }
    if (type == MENU_DIALOG_DESTROYED && g_GameMode == 2) {
        const float elapsed = g_GameClock.SecondsSince(g_MenuDialogTime);
        if (elapsed >= 8.0f && elapsed < 9.0f)
            g_World.Camera().StartFade(3.0f, 1, 1, 0);
        if (elapsed >= 12.0f) {
            CloseDialog(0);
            g_MenuDialogTime = 0;
        }
        return;
    }
    const int yes = g_MenuYesButton.WasClicked();
    int no = g_MenuNoButton.WasClicked();
    if (type == MENU_DIALOG_LEAVE_MISSION && g_KeyEsc) {
        g_KeyEsc = 0;
        no = 1;
    }
    switch (type) {
    case MENU_DIALOG_DELETE_PILOT:
        if (yes) {
            DeleteSelectedPilot();
        } else if (no) {
            CloseDialog(0);
        }
        break;
    case MENU_DIALOG_NEW_CAMPAIGN:
        if (yes || no) {
            g_MenuDialogAnswer = yes ? 1 : 0;
            g_MenuDialogTime = Now();
            g_MenuDialogClosing = 1;
        }
        break;
    case MENU_DIALOG_LEAVE_MISSION:
    case MENU_DIALOG_DESTROYED:
        if (yes || no) {
            CloseDialog(yes ? 1 : 0);
            g_MenuDialogTime = 0;
        }
        break;
    case MENU_DIALOG_EXIT_GAME:
        if (yes) {
            g_World.Camera().StartFade(0.5f, 1, 1, 0);
            CloseDialog(1);
        } else if (no) {
            CloseDialog(0);
        }
        break;
    default:
        break;
    }
}

void CGameMenu::Draw()
{
    if (!g_GameMenuActive) {
        if (g_AppActive)
            return;
        DrawFullScreenBackground();
        DrawPause();
        return;
    }
    if (g_MenuDialogOpen && (g_MenuDialogType == MENU_DIALOG_LEAVE_MISSION || g_MenuDialogType == MENU_DIALOG_DESTROYED)) {
        DrawDialog();
        CCursor::Draw();
        return;
    }
    if (g_MenuPage == MENU_PAGE_RESULTS) {
        DrawResults();
        CCursor::Draw();
        return;
    }
    if (g_MenuClosingPage == MENU_PAGE_MAIN)
        DrawFullScreenBackground();
    UpdateProgress();
    const float p = g_MenuPageProgress;
    const int closing = g_MenuClosingPage;
    if (closing != -1 && closing != MENU_PAGE_PILOTS && g_MenuPage != MENU_PAGE_PILOTS) {
        DrawTransition(100.0f - p);
        DrawPage(100.0f - p, closing);
    }
    if (closing == MENU_PAGE_PILOTS) {
        DrawPilotsPage();
    } else if (g_MenuPage >= MENU_PAGE_MAIN || closing == MENU_PAGE_MAIN) {
        DrawMainLayer();
    }
    if (g_MenuPage == MENU_PAGE_PILOTS && closing != MENU_PAGE_MAIN)
        DrawPilotsPage();
    if (g_MenuPage >= MENU_PAGE_CAMPAIGN && g_MenuPage <= MENU_PAGE_RECORDS)
        DrawPage(p, g_MenuPage);
    if (g_MenuDialogOpen)
        DrawDialog();
    CCursor::Update();
    CCursor::Draw();
}

int CGameMenu::OnClick()
{
    if (!g_GameMenuActive)
        return 0;
    if (g_MenuDialogOpen) {
        if (g_MenuDialogType == MENU_DIALOG_PILOT_NAME)
            return 0;
        if (g_MenuDialogType == MENU_DIALOG_DESTROYED && g_GameMode == 2)
            return 0;
        if (g_MenuYesButton.OnMouseDown())
            return 1;
        return g_MenuNoButton.OnMouseDown();
    }
    switch (g_MenuPage) {
    case MENU_PAGE_PILOTS: return OnClickPilotsPage();
    case MENU_PAGE_MAIN:
        if (g_MenuClosingPage != -1)
            return 0;
        for (int i : kMainClickOrder)
            if (g_MainMenuButtons[i].OnMouseDown())
                return 1;
        return 0;
    case MENU_PAGE_CAMPAIGN:
    case MENU_PAGE_SINGLE: return OnClickListPage();
    case MENU_PAGE_NETWORK: return OnClickNetworkPage();
    case MENU_PAGE_SETTINGS: return OnClickSettingsPage();
    case MENU_PAGE_RECORDS: return OnClickRecordsPage();
    case MENU_PAGE_RESULTS: return OnClickResultsPage();
    default: return 0;
    }
}
