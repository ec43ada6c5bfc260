// The pilots, campaign, single-mission, settings and records pages on the null device,
// with the built data set's fonts, texts and pictures and a fresh Save/ folder.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/settings.h"
#include "app/winmain.h"
#include "app/wndproc.h"
#include "dataset_util.h"
#include "files/file_manager.h"
#include "files/language.h"
#include "locations/location_director.h"
#include "locations/pilot_profile.h"
#include "locations/sector_save_file.h"
#include "platform/win/profile.h"
#include "menus/buttons.h"
#include "menus/campaign_page.h"
#include "menus/game_menu.h"
#include "menus/network_pages.h"
#include "menus/pilots_page.h"
#include "menus/records_page.h"
#include "menus/settings_page.h"
#include "render/d3d_render.h"
#include "render/font.h"
#include "world/game_clock.h"
#include "world/world.h"

namespace fs = std::filesystem;

namespace {

class MenuPagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const fs::path game(KORVANE_GAME_DIR);
        if (!fs::exists(game / "Data/World.hdr"))
            GTEST_SKIP() << "the data set is not built in " << KORVANE_GAME_DIR;
        saved_ = g_Settings;
        old_ = fs::current_path();
        dir_ = testutil::EnterArchiveRunDir("korvane-pages");
        ASSERT_FALSE(dir_.empty());
        g_Settings.debugOut = 0;
        g_Settings.language = 0;
        g_Settings.useFileManager = 1;
        CFileManager::Init();
        LoadLanguageData();
        device_.Install(true);
        SetSaveRoot("Save");
        ASSERT_EQ(g_MenuFont.Load("Data/Misc/Fonts/Bauhaus.20"), 0);
        ASSERT_EQ(g_MenuSmallFont.Load("Data/Misc/Fonts/Hermes.18"), 0);
        savedModes_ = g_D3DRender.modeCount;
        SetModes(5);
        g_Settings.videoMode = 2;
        g_PilotSlot = -1;
        g_RestartRequested = 0;
        g_GameMenuActive = 1;
        g_MenuPage = 1;
        g_MenuDialogOpen = 0;
        g_MenuDialogClosing = 0;
        // The menu's shared load and back buttons, made by its Load before the pages.
        g_MenuLoadButton.Create(520.0f, 470.0f, "Загрузить", 0, 0x9696FA, 0x9696FA, &g_MenuFont, 1, 1.0f);
        g_MenuBackButton.Create(710.0f, 490.0f, "Назад", 1, 0x9696FA, 0x9696FA, &g_MenuFont, 1, 1.0f);
        CGameMenu::CreatePilotsPage();
        CGameMenu::CreateListPages();
        CGameMenu::CreateSettingsPage();
        CGameMenu::CreateRecordsPage();
        g_World.ResetForLocation();
        g_AppActive = 0;  // the window procedure hands typed text to the menu
        entered_ = true;
    }
    void TearDown() override
    {
        if (!entered_)
            return;
        CGameMenu::ReleasePagePicture();
        g_MenuFont.ReleaseTexture();
        g_MenuSmallFont.ReleaseTexture();
        g_D3DRender.modeCount = savedModes_;
        device_.Remove();
        ClearLanguageData();
        CFileManager::Release();
        g_Settings = saved_;
        g_PilotSlot = -1;
        g_RestartRequested = 0;
        g_TextInputState = 0;
        fs::current_path(old_);
        fs::remove_all(dir_);
    }
    static void SetModes(int n)
    {
        g_D3DRender.modeCount = n;
        for (int i = 0; i < n; ++i) {
            g_D3DRender.modes[i].Width = 640u + 32u * (unsigned)i;
            g_D3DRender.modes[i].Height = 480u + 24u * (unsigned)i;
        }
    }
    // A press on the button, then the frame 0.2 s later that reports it.
    template <typename Update>
    static void Click(CButton& b, int (*onClick)(), Update update)
    {
        g_MouseX = (b.left + b.right) * 0.5f;
        g_MouseY = (b.top + b.bottom) * 0.5f;
        ASSERT_EQ(onClick(), 1) << b.caption;
        g_GameClock.realTime += 200.0;
        update();
    }
    // Typed through the window procedure, one character a menu frame.
    static void Type(const char* text)
    {
        for (const char* c = text; *c; ++c) {
            WndProc(nullptr, WM_CHAR, WPARAM((unsigned char)*c), 1);
            CGameMenu::UpdateNameDialog();
        }
    }
    static void Key(unsigned vk)
    {
        WndProc(nullptr, WM_KEYDOWN, vk, 0);
        CGameMenu::UpdateNameDialog();
    }
    static void WriteSave(int slot, int sector)
    {
        char path[64];
        std::snprintf(path, sizeof path, "Save/%02d/Sector %02d.dat", slot, sector);
        fs::create_directories(fs::path(path).parent_path());
        const int32_t ships = sector;
        const float ore = 0.5f;
        std::ofstream f(path, std::ios::binary);
        f.write((const char*)&ships, 4);
        f.write((const char*)&ore, 4);
    }
    static void NewPilot(const char* name)
    {
        Click(g_NewPilotButton, CGameMenu::OnClickPilotsPage, CGameMenu::UpdatePilotsPage);
        ASSERT_EQ(g_MenuDialogType, 0);
        ASSERT_EQ(g_TextInputState, TEXT_INPUT_TYPING);
        Type(name);
        Key(VK_RETURN);
        pageAfter_ = g_MenuPage;
        g_MenuDialogOpen = 0;  // the closing animation has run
        g_MenuDialogClosing = 0;
        g_MenuPage = 1;
    }
    static inline int pageAfter_ = 0;

    GameSettings saved_{};
    fs::path old_, dir_;
    testutil::NullDeviceSwap device_;
    int savedModes_ = 0;
    bool entered_ = false;
};

TEST_F(MenuPagesTest, PilotsAreTypedChosenAndDeleted)
{
    LoadPilotNames();
    EXPECT_EQ(g_PilotCount, 0);
    EXPECT_FALSE(g_ContinuePilotButton.IsEnabled());

    NewPilot("Иван");
    EXPECT_EQ(g_PilotSlot, 0);
    EXPECT_STREQ(g_PlayerName, "Иван");
    EXPECT_TRUE(fs::exists("Save/00/Player.cfg"));
    EXPECT_EQ(pageAfter_, 3);
    EXPECT_EQ(g_MenuClosingPage, 1);

    // Control characters are dropped, names stop at 16 characters.
    NewPilot("Pilot\x01Number-Two-And-More");
    EXPECT_EQ(g_PilotSlot, 1);
    EXPECT_STREQ(g_PlayerNameButtons[1].GetText(), g_PlayerName);
    EXPECT_LE(std::strlen(g_PlayerName), 16u);
    EXPECT_EQ(std::string(g_PlayerName).find('\x01'), std::string::npos);

    // Blanks only: nothing is created.
    NewPilot("   ");
    EXPECT_FALSE(fs::exists("Save/02"));
    EXPECT_EQ(g_PilotCount, 2);

    // Esc empties the name and creates nothing.
    Click(g_NewPilotButton, CGameMenu::OnClickPilotsPage, CGameMenu::UpdatePilotsPage);
    Type("Zed");
    Key(VK_BACK);
    EXPECT_STREQ(g_PlayerName, "Ze");
    Key(VK_ESCAPE);
    EXPECT_EQ(g_TextInputState, TEXT_INPUT_OFF);
    EXPECT_STREQ(g_PlayerName, "");
    EXPECT_EQ(g_MenuDialogAnswer, 0);
    g_MenuDialogOpen = 0;
    g_MenuDialogClosing = 0;

    // Deleting the selected pilot removes its folder and selects the first one left.
    LoadPilotNames();
    Click(g_PlayerNameButtons[0], CGameMenu::OnClickPilotsPage, CGameMenu::UpdatePilotsPage);
    EXPECT_EQ(g_SelectedPilotSlot, 0);
    CGameMenu::DeleteSelectedPilot();
    EXPECT_EQ(g_MenuDialogAnswer, 1);
    g_MenuDialogOpen = 0;
    g_MenuDialogClosing = 0;
    EXPECT_FALSE(fs::exists("Save/00"));
    EXPECT_EQ(g_SelectedPilotSlot, 1);
    EXPECT_TRUE(g_PlayerNameButtons[1].IsPressed());
    EXPECT_FALSE(g_PlayerNameButtons[0].IsEnabled());

    // A pilot whose profile cannot be written is not listed.
    fs::create_directories("Save/00/Player.cfg.tmp/x");
    NewPilot("Lost");
    EXPECT_EQ(g_PilotCount, 1);
    EXPECT_FALSE(g_PlayerNameButtons[0].IsEnabled());
    fs::remove_all("Save/00");

    // A new pilot takes the lowest empty slot.
    NewPilot("Anna");
    EXPECT_EQ(g_PilotSlot, 0);
}

TEST_F(MenuPagesTest, CampaignListLoadsAChosenSectorAndDropsLaterSaves)
{
    g_PilotSlot = 0;
    for (int s = 1; s <= 5; ++s)
        WriteSave(0, s);
    CGameMenu::OpenListPage(5);
    EXPECT_EQ(g_MenuPage, 5);
    ASSERT_EQ(g_ListEntryCount, 6u);
    EXPECT_EQ(CGameMenu::SelectedListEntry(), 5);
    EXPECT_EQ(g_SectorShips, 5);
    EXPECT_GE(g_MenuResources.pagePicture, 0);
    char ore[32];
    FormatIllirion(g_SectorOre, ore, sizeof ore);
    EXPECT_STREQ(ore, "500");

    Click(g_ListEntryButtons[3], CGameMenu::OnClickListPage, CGameMenu::UpdateListPage);
    EXPECT_EQ(CGameMenu::SelectedListEntry(), 3);
    Click(g_MenuLoadButton, CGameMenu::OnClickListPage, CGameMenu::UpdateListPage);
    EXPECT_EQ(g_GameMenuActive, 0);
    EXPECT_EQ(g_GameMode, 1);
    EXPECT_EQ(g_LocationDirector.locationId, 2);
    EXPECT_TRUE(fs::exists("Save/00/Sector 03.dat"));
    EXPECT_FALSE(fs::exists("Save/00/Sector 04.dat"));
    EXPECT_FALSE(fs::exists("Save/00/Sector 05.dat"));
    EXPECT_EQ(g_MenuResources.pagePicture, -1);

    // Thirteen saves list the introduction and twelve sectors, no more.
    for (int s = 1; s <= 13; ++s)
        WriteSave(0, s);
    CGameMenu::OpenListPage(5);
    EXPECT_EQ(g_ListEntryCount, 13u);
}

TEST_F(MenuPagesTest, SingleMissionsFollowTheSectorsReached)
{
    g_PilotSlot = 4;
    CGameMenu::OpenListPage(6);
    ASSERT_EQ(g_ListEntryCount, 1u);
    EXPECT_EQ(CGameMenu::SelectedListEntry(), 0);
    EXPECT_GT(std::strlen(g_SingleMissionText), 10u);
    EXPECT_GE(g_MenuResources.pagePicture, 0);

    for (int s = 1; s <= 13; ++s)
        WriteSave(4, s);
    CGameMenu::OpenListPage(6);
    EXPECT_EQ(g_ListEntryCount, 12u);  // mission ids stay within 1..12
    Click(g_ListEntryButtons[11], CGameMenu::OnClickListPage, CGameMenu::UpdateListPage);
    Click(g_MenuLoadButton, CGameMenu::OnClickListPage, CGameMenu::UpdateListPage);
    EXPECT_EQ(g_GameMode, 0);
    EXPECT_EQ(g_LocationDirector.locationId, 32);
}

TEST_F(MenuPagesTest, VideoModeListAtThreeSevenAndTwentyModes)
{
    struct Case { int modes, chosen, visible, scrollAtLoad; };
    const Case cases[] = {{3, 1, 3, 0}, {7, 6, 7, 0}, {20, 15, 7, 13}};
    for (const Case& c : cases) {
        SetModes(c.modes);
        g_Settings.videoMode = c.chosen;
        CGameMenu::CreateSettingsPage();
        EXPECT_EQ(g_VideoVisible, c.visible) << c.modes;
        EXPECT_EQ(g_VideoScroll, c.scrollAtLoad) << c.modes;
        EXPECT_TRUE(std::isfinite(g_VideoSlider)) << c.modes;
        for (int mark = 0; mark <= 9; ++mark) {
            CGameMenu::ScrollVideoModeList(mark);
            EXPECT_GE(g_VideoScroll, 0);
            EXPECT_LE(g_VideoScroll, c.modes - g_VideoVisible);
            EXPECT_TRUE(std::isfinite(g_VideoSlider) && g_VideoSlider >= 0.0f && g_VideoSlider <= 9.75f);
        }
        EXPECT_EQ(g_VideoScroll, c.modes - g_VideoVisible);
        char first[32];
        std::snprintf(first, sizeof first, "%uX%u", g_D3DRender.modes[g_VideoScroll].Width,
                      g_D3DRender.modes[g_VideoScroll].Height);
        EXPECT_STREQ(g_VideoModeButtons[0].caption, first);
        g_MouseWheelDelta = -120.0f;  // never past the end
        g_MouseX = 600.0f;
        g_MouseY = 300.0f;
        g_SettingsSection = 0;
        CGameMenu::UpdateSettingsPage();
        EXPECT_EQ(g_VideoScroll, c.modes - g_VideoVisible);
        EXPECT_EQ(g_MouseWheelDelta, 0.0f);
    }

    // Choose the first mode, scroll it out of view, apply: the game restarts in it.
    g_MenuPage = 8;
    CGameMenu::ScrollVideoModeList(0);
    Click(g_VideoModeButtons[0], CGameMenu::OnClickSettingsPage, CGameMenu::UpdateSettingsPage);
    EXPECT_TRUE(g_ApplyButton.IsEnabled());
    CGameMenu::ScrollVideoModeList(9);
    Click(g_ApplyButton, CGameMenu::OnClickSettingsPage, CGameMenu::UpdateSettingsPage);
    EXPECT_EQ(g_Settings.videoMode, 0);
    EXPECT_EQ(g_RestartRequested, 1);
    EXPECT_EQ(g_MenuPage, 10);
    EXPECT_EQ(g_MenuDialogAnswer, 1);
}

TEST_F(MenuPagesTest, VolumesAndMouseStopAtTheirEnds)
{
    g_MenuPage = 8;
    Click(g_SettingsChoiceButtons[1], CGameMenu::OnClickSettingsPage, CGameMenu::UpdateSettingsPage);
    ASSERT_EQ(g_SettingsSection, 1);
    g_Settings.musicVolume = 95;
    g_Settings.effectsVolume = 5;
    for (int i = 0; i < 3; ++i) {
        Click(g_VolumeButtons[1], CGameMenu::OnClickSettingsPage, CGameMenu::UpdateSettingsPage);
        Click(g_VolumeButtons[2], CGameMenu::OnClickSettingsPage, CGameMenu::UpdateSettingsPage);
    }
    EXPECT_EQ(g_Settings.musicVolume, 100);
    EXPECT_EQ(g_Settings.effectsVolume, 0);
    CGameMenu::DrawPage(100.0f, 8);

    Click(g_MenuBackButton, CGameMenu::OnClickSettingsPage, CGameMenu::UpdateSettingsPage);
    EXPECT_EQ(g_SettingsSection, -1);
    EXPECT_EQ(g_MenuPage, 8);
    Click(g_SettingsChoiceButtons[2], CGameMenu::OnClickSettingsPage, CGameMenu::UpdateSettingsPage);
    g_Settings.sensitivityMouse = 90;
    g_Settings.invertMouse = 0;
    Click(g_SensitivityButtons[1], CGameMenu::OnClickSettingsPage, CGameMenu::UpdateSettingsPage);
    Click(g_SensitivityButtons[1], CGameMenu::OnClickSettingsPage, CGameMenu::UpdateSettingsPage);
    Click(g_InvertMouseButton, CGameMenu::OnClickSettingsPage, CGameMenu::UpdateSettingsPage);
    EXPECT_EQ(g_Settings.sensitivityMouse, 100);
    EXPECT_EQ(g_Settings.invertMouse, 1);
    EXPECT_STREQ(g_InvertMouseButton.caption, "Да");
    CGameMenu::DrawPage(100.0f, 8);

    // Leaving the choice writes Game.ini and opens the main menu.
    Click(g_MenuBackButton, CGameMenu::OnClickSettingsPage, CGameMenu::UpdateSettingsPage);
    Click(g_MenuBackButton, CGameMenu::OnClickSettingsPage, CGameMenu::UpdateSettingsPage);
    EXPECT_EQ(g_MenuPage, 3);
    char value[32];
    GetPrivateProfileString("Controls", "Invert mouse", "", value, sizeof value, GetSettingsPath());
    EXPECT_STREQ(value, "1");
}

TEST_F(MenuPagesTest, RecordsSortByTheChosenKey)
{
    ASSERT_TRUE(CreatePilotProfile(0, "Slow"));
    ASSERT_TRUE(CreatePilotProfile(2, "Fast"));
    WritePrivateProfileString("Player rating", "Enemy killed", "9", "Save/02/Player.cfg");
    WritePrivateProfileString("Player rating", "Ore transported", "1.0", "Save/00/Player.cfg");
    CGameMenu::OpenRecordsPage();
    EXPECT_EQ(g_MenuPage, 9);
    EXPECT_TRUE(g_RecordsSortButtons[2].IsPressed());
    ASSERT_EQ(g_PilotRatingCount, 2);
    EXPECT_STREQ(g_PilotRatings[0].name, "Slow");
    Click(g_RecordsSortButtons[1], CGameMenu::OnClickRecordsPage, CGameMenu::UpdateRecordsPage);
    EXPECT_STREQ(g_PilotRatings[0].name, "Fast");
    EXPECT_TRUE(g_RecordsSortButtons[1].IsPressed());
    EXPECT_FALSE(g_RecordsSortButtons[2].IsPressed());
    CGameMenu::DrawPage(100.0f, 9);
    CGameMenu::DrawPilotsPage();
    CGameMenu::DrawNameDialog();
}

} // namespace

namespace {

// The network page with the data set's fonts: clicks at the points of the page's buttons.
class NetworkPageClicks : public MenuPagesTest {
protected:
    void SetUp() override
    {
        MenuPagesTest::SetUp();
        if (!entered_)
            return;
        CGameMenu::CreateNetworkPage();
        g_MenuPage = MENU_PAGE_NETWORK;
        g_LanServers = LanServerList{};
        g_Network.session.Init();
    }
    void TearDown() override
    {
        g_NetworkSubState = -1;
        g_LanServers = LanServerList{};
        g_Network.session.Init();
        MenuPagesTest::TearDown();
    }
    static void ClickAt(float x, float y)
    {
        g_MouseX = x;
        g_MouseY = y;
        CGameMenu::OnClickNetworkPage();
        g_GameClock.realTime += 200.0;
        CGameMenu::UpdateNetworkPage();
    }
    static void Press(unsigned vk)
    {
        WndProc(nullptr, WM_KEYDOWN, vk, 0);
        CGameMenu::UpdateNetworkPage();
    }
};

TEST_F(NetworkPageClicks, ServerNameHoldsSixteenCharactersAndEscClearsTheAnswer)
{
    ClickAt(500, 310);                       // "Создать сервер"
    ASSERT_EQ(g_NetworkSubState, 0);
    ClickAt(385, 275);                       // the name
    ASSERT_EQ(g_TextInputState, TEXT_INPUT_TYPING);
    for (int i = 0; i < 10; ++i)
        Press(VK_BACK);
    for (int i = 0; i < 17; ++i) {
        WndProc(nullptr, WM_CHAR, WPARAM('i'), 1);
        CGameMenu::UpdateNetworkPage();
    }
    Press(VK_RETURN);
    EXPECT_STREQ(g_Network.session.ServerName(), "iiiiiiiiiiiiiiii");   // 16, the 17th refused
    g_MenuDialogAnswer = 1;                  // what an earlier dialog left
    ClickAt(385, 275);
    ASSERT_EQ(g_TextInputState, TEXT_INPUT_TYPING);
    Press(VK_ESCAPE);
    EXPECT_EQ(g_MenuDialogAnswer, 0);
    EXPECT_EQ(g_TextInputState, TEXT_INPUT_OFF);
    EXPECT_STREQ(g_Network.session.ServerName(), TranslateText("Моя игра"));
}

TEST_F(NetworkPageClicks, ChosenServerKeepsItsHighlightWhenAnEarlierOneLeaves)
{
    ClickAt(500, 370);                       // "Подсоединиться к серверу"
    ASSERT_EQ(g_NetworkSubState, 2);
    CNetSession s;
    for (uint32_t i = 1; i <= 3; ++i) {
        s.Init();
        s.playerCount = 1;
        s.SetServerName("S");
        s.SetServerId(int32_t(i));
        s.SetAddress(0, NetMakeAddress(0x0A000000u + i, kNetPort));
        AddLanServer(s);
    }
    ClickAt(330, 239 + 60 + 10);             // the third server
    ASSERT_EQ(g_LanServers.selected, 2);
    s.SetServerId(1);
    s.SetAddress(0, NetMakeAddress(0x0A000001u, kNetPort));
    RemoveLanServer(s);                      // the first one leaves
    EXPECT_EQ(g_LanServers.selected, 1);
    EXPECT_TRUE(LanServerEntryPressed(1));
    EXPECT_FALSE(LanServerEntryPressed(2));
    EXPECT_FALSE(LanServerEntryPressed(0));
}

} // namespace
