// The comm window's talks on the data set's pilots, one-line messages, and the radio
// menu's lists and orders.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/settings.h"
#include "app/winmain.h"
#include "app/wndproc.h"
#include "audio/audio_manager.h"
#include "audio/sound.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/radio_menu.h"
#include "locations/location_director.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/item.h"
#include "world/objects/unit.h"
#include "world/world.h"

#include "dataset_util.h"

namespace {

// Ships in the space world's list (entry 0 is the sky) with pilots read from the data set.
class CommWindowTest : public testutil::DataSetTest {
protected:
    CommWindowTest() : DataSetTest("Data/Language.pd", true) {}

    void SetUp() override
    {
        DataSetTest::SetUp();
        if (!Entered()) return;
        g_Settings.language = 1;
        g_Settings.audio = 0;
        g_Settings.voice = 0;
        saved_ = {g_WorldIndex, g_LocationKind, g_GameMode, g_PlayerObject, g_HeroStation,
                  g_World.cameras[1].cinematicView, g_LocationDirector};
        g_WorldIndex = g_LocationKind = 1;
        g_GameMode = 1;
        g_World.cameras[1].cinematicView = 0;
        g_GameClock.Reset();
        g_GameClock.gameTime = 100000.0;
        CObjectList::DestroyAll();
        sky_ = Add(new CUnit(), GCLASS_SPACE_SKY, 0, Vec3(), nullptr);
        player = Add(new CUnit(), GCLASS_SPACE_SHIP, GTYPE_SP_HEROSHIP, Vec3(), nullptr);
        player->pilot.side = 1;
        player->commRange = 5000.0f;
        g_PlayerObject = player;
        station = Add(new CUnit(), GCLASS_SPACE_SHIP, GTYPE_SP_STATION, Vec3(0, 0, 3000), nullptr);
        station->pilot.objectId = 1000;
        g_HeroStation = station;
        ResetWindows();
    }
    void TearDown() override
    {
        if (!Entered()) return;
        ResetWindows();
        CObjectList::DestroyAll();
        g_WorldIndex = saved_.world;
        g_LocationKind = saved_.kind;
        g_GameMode = saved_.mode;
        g_PlayerObject = saved_.player;
        g_HeroStation = saved_.station;
        g_World.cameras[1].cinematicView = saved_.cinematic;
        g_LocationDirector = saved_.director;
        DataSetTest::TearDown();
    }
    static void ResetWindows()
    {
        g_CommWindow.EndTalk();
        g_CommWindow.openPercent = 0.0f;
        g_RadioMenu.Close();
        g_RadioMenu.openPercent = 0.0f;
        g_RadioMenu.switching = 0;
    }
    static CUnit* Add(CUnit* u, unsigned cls, int kind, const Vec3& at, const char* pilot)
    {
        u->objectClass = cls;
        u->kind = kind;
        u->position = u->drawPosition = at;
        u->worldMatrix = MatrixIdentity();
        u->worldMatrix.m[3][0] = at.x, u->worldMatrix.m[3][1] = at.y, u->worldMatrix.m[3][2] = at.z;
        u->drawMatrix = u->worldMatrix;
        u->hullMax = u->hull = 100.0f;
        u->boundsRadius = 10.0f;
        if (pilot) u->pilot.Load(u, pilot);
        u->kind = kind;
        CObjectList::units[1][CObjectList::unitCount[1]++] = u;
        return u;
    }
    // The panel slides open as game time passes.
    static void Open()
    {
        for (int i = 0; i < 10; ++i) {
            g_GameClock.gameTime += 50.0;
            g_CommWindow.Update();
            g_RadioMenu.UpdateTyping();
        }
    }
    static std::string Line(int i) { return g_CommWindow.lines[i].text; }

    CUnit* player = nullptr;
    CUnit* station = nullptr;

private:
    struct Saved {
        int world, kind, mode;
        CUnit *player, *station;
        int cinematic;
        CLocationDirector director;
    } saved_{};
    CUnit* sky_ = nullptr;
};

TEST_P(CommWindowTest, MercenaryTalkListsItsOrdersAndADigitGivesOne)
{
    if (!Entered()) return;
    CUnit* wing = Add(new CUnit(), GCLASS_SPACE_SHIP, GTYPE_SP_NPCSHIP_MERCS_FIGHTER, Vec3(0, 0, 500),
                      "Human/Mercenaries/Fighter");
    ASSERT_GT(wing->radioDialog.lineCount, 7u);

    ASSERT_EQ(g_CommWindow.Talk(wing, 0), 1);
    EXPECT_EQ(g_CommWindow.state, 1);
    EXPECT_EQ(g_CommMode, 1);
    EXPECT_EQ(wing->inRadioTalk, 1);
    EXPECT_EQ(player->inRadioTalk, 1);
    EXPECT_EQ(Line(0), "Awaiting orders.");
    EXPECT_EQ(Line(1), "1 - Return to base and dock.");
    EXPECT_EQ(Line(3), "3 - Follow me.");
    EXPECT_EQ(Line(6), "6 - Over and out.");

    // A digit before the panel has opened at all is not taken.
    g_CommWindow.ChooseReply(3);
    EXPECT_EQ(wing->orderType, ACTION_STAY);
    Open();
    g_CommWindow.ChooseReply(3);
    EXPECT_EQ(wing->orderType, ACTION_GUARD);
    EXPECT_EQ(wing->target, player);
    // The acknowledgement comes as a single line.
    EXPECT_EQ(g_CommWindow.state, 2);
    EXPECT_EQ(Line(0), "Order received, on my way.");

    ASSERT_EQ(g_CommWindow.Talk(wing, 0), 1);
    Open();
    g_CommWindow.ChooseReply(1);
    EXPECT_EQ(wing->orderType, ACTION_DOCKING);
    EXPECT_EQ(wing->target, station);
    EXPECT_EQ(wing->dockTime, 0xFFFFFFFFu);

    // "Over and out" ends the talk and lets go of the digits.
    ASSERT_EQ(g_CommWindow.Talk(wing, 0), 1);
    Open();
    g_CommWindow.ChooseReply(6);
    EXPECT_EQ(g_CommWindow.state, 0);
    EXPECT_EQ(g_CommMode, 0);
    EXPECT_EQ(wing->inRadioTalk, 0);
    EXPECT_EQ(g_CommWindow.speaker, nullptr);
}

TEST_P(CommWindowTest, HiringANeutralPilotOpensTheMercenaryTalkAndUsesUpAnOrder)
{
    if (!Entered()) return;
    struct Case {
        int available, left;
    };
    for (Case c : {Case{2, 1}, Case{0, 0}}) {
        CUnit* ship = Add(new CUnit(), GCLASS_SPACE_SHIP, GTYPE_SP_NPCSHIP, Vec3(0, 200, 400), "Human/Neutral/Fighter");
        g_LocationDirector.ordersAvailable = c.available;
        ASSERT_EQ(g_CommWindow.Talk(ship, 0), 1);
        EXPECT_EQ(Line(0), "Go ahead.");
        EXPECT_EQ(Line(2), "2 - Do you want to work for us?");
        Open();
        g_CommWindow.ChooseReply(2);
        EXPECT_EQ(ship->kind, GTYPE_SP_NPCSHIP_MERCS_FIGHTER);
        EXPECT_EQ(g_LocationDirector.ordersAvailable, c.left);
        EXPECT_EQ(g_CommWindow.speaker, ship);
        EXPECT_EQ(Line(0), "Awaiting orders.");
        ResetWindows();
    }
}

TEST_P(CommWindowTest, LinesOfATypeAreSaidOnceWhenOneShotAndReplaceATalk)
{
    if (!Entered()) return;
    CUnit* wing = Add(new CUnit(), GCLASS_SPACE_SHIP, GTYPE_SP_NPCSHIP_MERCS_FIGHTER, Vec3(0, 0, 500),
                      "Human/Mercenaries/Fighter");
    ASSERT_EQ(g_CommWindow.Talk(wing, 0), 1);
    // Said while a talk runs: the line takes the window, the replies are gone.
    ASSERT_EQ(g_CommWindow.Say(wing, TEXTLINE_TOFRIEND_KEEPEASY, 1), 1);
    EXPECT_EQ(g_CommWindow.state, 2);
    EXPECT_EQ(g_CommWindow.lineCount, 1);
    EXPECT_EQ(Line(0), "Easy, everything is under control.");
    Open();
    g_CommWindow.ChooseReply(3);
    EXPECT_EQ(wing->orderType, ACTION_STAY);

    // The line without a voice stays five seconds.
    g_GameClock.gameTime += 5000.0;
    g_CommWindow.Update();
    EXPECT_EQ(g_CommWindow.state, 0);
    EXPECT_EQ(g_CommMode, 0);

    CRadioDialog& d = wing->radioDialog;
    for (uint32_t i = 0; i < d.lineCount; ++i)
        if (d.lines[i].type == TEXTLINE_TOFRIEND_ENEMYDEAD) d.lines[i].oneShot = 1;
    EXPECT_EQ(g_CommWindow.Say(wing, TEXTLINE_TOFRIEND_ENEMYDEAD, 1), 1);
    g_CommWindow.EndTalk();
    EXPECT_EQ(g_CommWindow.Say(wing, TEXTLINE_TOFRIEND_ENEMYDEAD, 1), 0);
    // No line of the type at all.
    EXPECT_EQ(g_CommWindow.Say(wing, TEXTLINE_REQUEST_LANDING_OK, 1), 0);

    // Outside view and a missing player close the gate.
    g_World.cameras[1].cinematicView = 1;
    EXPECT_EQ(g_CommWindow.Say(wing, TEXTLINE_TOFRIEND_KEEPEASY, 1), 0);
    g_World.cameras[1].cinematicView = 0;
    g_PlayerObject = nullptr;
    EXPECT_EQ(g_CommWindow.Talk(wing, 0), 0);
}

TEST_P(CommWindowTest, RepliesLeadingOutsideTheDialogEndTheTalk)
{
    if (!Entered()) return;
    CUnit* ship = Add(new CUnit(), GCLASS_SPACE_SHIP, GTYPE_SP_NPCSHIP, Vec3(0, 0, 500), "Human/Neutral/Fighter");
    EXPECT_EQ(g_CommWindow.Talk(ship, 40), 0);
    EXPECT_EQ(g_CommWindow.Talk(ship, -3), 0);
    for (int next : {99, -1}) {
        ASSERT_EQ(g_CommWindow.Talk(ship, 0), 1);
        Open();
        g_CommWindow.replies[1].nextLine = next;  // "Where are you heading?"
        g_CommWindow.ChooseReply(1);
        EXPECT_EQ(g_CommWindow.state, 0) << next;
        EXPECT_EQ(g_CommMode, 0) << next;
    }
    // A continuing reply inside the dialog goes on at its line.
    ASSERT_EQ(g_CommWindow.Talk(ship, 0), 1);
    Open();
    g_CommWindow.ChooseReply(1);
    EXPECT_EQ(Line(0), "Minding my own business. Safe flight.");
    // Digits without a row and the question row do nothing.
    g_CommWindow.ChooseReply(9);
    g_CommWindow.ChooseReply(0);
    EXPECT_EQ(g_CommWindow.speaker, ship);
}

TEST_P(CommWindowTest, ASpeakerLeavingTheWorldEndsTheTalk)
{
    if (!Entered()) return;
    CUnit* ship = Add(new CUnit(), GCLASS_SPACE_SHIP, GTYPE_SP_NPCSHIP_MERCS_FIGHTER, Vec3(0, 0, 500),
                      "Human/Mercenaries/Fighter");
    ASSERT_EQ(g_CommWindow.Talk(ship, 0), 1);
    g_RadioMenu.entries[0] = ship;
    g_RadioMenu.entryCount = 1;
    CObjectList::Remove(ship);
    EXPECT_EQ(g_CommWindow.speaker, nullptr);
    EXPECT_EQ(g_CommWindow.state, 0);
    EXPECT_EQ(g_CommMode, 0);
    EXPECT_EQ(g_RadioMenu.entryCount, 0);
    Open();  // nothing is read from the freed record
}

TEST_P(CommWindowTest, LongTextsWrapIntoRowsThatFitTheirBuffers)
{
    if (!Entered()) return;
    g_CommWindow.font.Load("Data/Misc/Fonts/Hermes.18");
    g_CommWindow.smallScreenFont.Load("Data/Misc/Fonts/Hermes.22");  // drawn on this small screen
    g_CommWindow.ClearLines();
    std::string words;
    while (words.size() < 900) words += "radio check ";
    const std::string unbroken(900, 'x');
    for (const std::string& text : {words, unbroken}) {
        g_CommWindow.ClearLines();
        g_CommWindow.AddLine(text.c_str(), 1, 0);
        ASSERT_GT(g_CommWindow.lineCount, 1) << text.substr(0, 10);
        size_t total = 0;
        for (int i = 0; i < g_CommWindow.lineCount; ++i) {
            const size_t n = std::strlen(g_CommWindow.lines[i].text);
            EXPECT_LT(n, size_t(kCommLineSize));
            EXPECT_LE(g_CommWindow.TextFont().GetTextWidth(1.0f, g_CommWindow.lines[i].text), kCommWrapWidth + 1.0f);
            total += n;
        }
        // Only the blanks at the cuts are dropped.
        EXPECT_GE(total + size_t(g_CommWindow.lineCount), text.size() - 1);
    }
    g_CommWindow.ClearLines();
    for (int i = 0; i < kCommLineCount + 10; ++i) g_CommWindow.AddLine("line", 2, i);
    EXPECT_EQ(g_CommWindow.lineCount, kCommLineCount);
    g_CommWindow.font.ReleaseTexture();
    g_CommWindow.smallScreenFont.ReleaseTexture();
}

TEST_P(CommWindowTest, RadioMenuListsMercenariesAndOrdersThem)
{
    if (!Entered()) return;
    CUnit* cargo1 = Add(new CUnit(), GCLASS_SPACE_SHIP, GTYPE_SP_NPCSHIP_MERCS_CARGO, Vec3(0, 0, 600), "Human/Mercenaries/Transport");
    CUnit* fighter = Add(new CUnit(), GCLASS_SPACE_SHIP, GTYPE_SP_NPCSHIP_MERCS_FIGHTER, Vec3(0, 0, 700), "Human/Mercenaries/Fighter");
    CUnit* cargo2 = Add(new CUnit(), GCLASS_SPACE_SHIP, GTYPE_SP_NPCSHIP_MERCS_CARGO, Vec3(0, 0, 800), "Human/Mercenaries/Transport");
    CUnit* dead = Add(new CUnit(), GCLASS_SPACE_SHIP, GTYPE_SP_NPCSHIP_MERCS_FIGHTER, Vec3(0, 0, 900), nullptr);
    dead->hull = 0.0f;
    CUnit* docking = Add(new CUnit(), GCLASS_SPACE_SHIP, GTYPE_SP_NPCSHIP_MERCS_CARGO, Vec3(0, 0, 2900), nullptr);
    docking->orderType = ACTION_DOCKING;
    docking->orderSubState = 3;
    CUnit* enemy = Add(new CUnit(), GCLASS_SPACE_SHIP, GTYPE_SP_NPCSHIP, Vec3(0, 900, 0), nullptr);
    enemy->pilot.side = 2;

    g_RadioMenu.Open();
    EXPECT_EQ(g_CommMode, 1);
    // Digits before the panel is fully open do nothing.
    g_RadioMenu.OnKey(2);
    EXPECT_EQ(g_RadioMenu.page, RADIO_PAGE_MAIN);
    Open();
    g_RadioMenu.OnKey(2);
    EXPECT_EQ(g_RadioMenu.page, RADIO_PAGE_MERCENARIES);
    // The panel closes and opens again on the new page.
    Open();
    Open();
    // Transports first, then fighters; the dead one is left out.
    ASSERT_EQ(g_RadioMenu.entryCount, 4);
    EXPECT_EQ(g_RadioMenu.entries[0], cargo1);
    EXPECT_EQ(g_RadioMenu.entries[1], cargo2);
    EXPECT_EQ(g_RadioMenu.entries[2], docking);
    EXPECT_EQ(g_RadioMenu.entries[3], fighter);
    g_RadioMenu.SelectNext();
    g_RadioMenu.SelectNext();
    g_RadioMenu.SelectNext();
    g_RadioMenu.SelectNext();
    EXPECT_EQ(g_RadioMenu.selection, 3);
    g_RadioMenu.SelectPrevious();
    EXPECT_EQ(g_RadioMenu.selection, 2);
    g_RadioMenu.OnKey(0);
    EXPECT_EQ(g_RadioMenu.state, 0);
    EXPECT_EQ(g_CommMode, 0);

    // Transports: wait near the base, all but the one in its last docking stages.
    g_RadioMenu.Open();
    Open();
    g_RadioMenu.OnKey(3);
    Open();
    Open();
    g_RadioMenu.OnKey(2);
    EXPECT_EQ(g_RadioMenu.state, 0);
    for (CUnit* u : {cargo1, cargo2}) {
        EXPECT_EQ(u->orderType, ACTION_GUARD);
        EXPECT_EQ(u->target, station);
    }
    EXPECT_EQ(docking->orderType, ACTION_DOCKING);
    EXPECT_EQ(fighter->orderType, ACTION_STAY);

    // Fighters: attack my target only when it is hostile.
    struct Case {
        CUnit* target;
        int order;
    };
    for (Case c : {Case{cargo1, ACTION_STAY}, Case{nullptr, ACTION_STAY}, Case{enemy, ACTION_ATTACK}}) {
        fighter->SetOrder(ACTION_STAY, nullptr, nullptr, 0);
        player->target = c.target;
        g_RadioMenu.Open();
        Open();
        g_RadioMenu.OnKey(4);
        Open();
        Open();
        g_RadioMenu.OnKey(4);
        EXPECT_EQ(fighter->orderType, c.order);
        if (c.order == ACTION_ATTACK) {
            EXPECT_EQ(fighter->target, enemy);
        }
    }
}

TEST_P(CommWindowTest, HelpTogglesOnlyWhenNoTalkHoldsTheKeys)
{
    if (!Entered()) return;
    CUnit* wing = Add(new CUnit(), GCLASS_SPACE_SHIP, GTYPE_SP_NPCSHIP_MERCS_FIGHTER, Vec3(0, 0, 500),
                      "Human/Mercenaries/Fighter");
    ASSERT_EQ(g_CommWindow.Talk(wing, 0), 1);
    g_RadioMenu.ToggleHelp();
    EXPECT_EQ(g_RadioMenu.state, 0);
    g_CommWindow.EndTalk();
    g_RadioMenu.ToggleHelp();
    EXPECT_EQ(g_RadioMenu.page, RADIO_PAGE_HELP);
    EXPECT_EQ(g_CommMode, 1);
    g_RadioMenu.ToggleHelp();
    EXPECT_EQ(g_RadioMenu.state, 0);
    EXPECT_EQ(g_CommMode, 0);
}

TEST_P(CommWindowTest, LandingRequestsAnswerByDistanceAndTheBay)
{
    if (!Entered()) return;
    station->pilot.Load(station, "Human/Hero station");
    station->radioDialog.MarkLine(0, 1);  // the one-time greeting is behind us
    station->boundsRadius = 300.0f;  // as the loader gives every station
    struct Case {
        float distance;
        const char* answer;
    };
    // The station's radius is 300: three radii is the reach; this bay has no gate, so it is
    // never free.
    for (Case c : {Case{3000.0f, "You are too far. Come closer."}, Case{500.0f, "The gate is busy. Stand by."}}) {
        player->position = Vec3(0, 0, 3000.0f - c.distance);
        ASSERT_EQ(g_CommWindow.Talk(station, 0), 1);
        // Without a cargo system the unloading request is not offered.
        EXPECT_EQ(Line(0), "Station here. How can we help?");
        EXPECT_EQ(Line(2), "2 - Request permission to land.");
        EXPECT_EQ(Line(3), "3 - Over and out.");
        Open();
        g_CommWindow.ChooseReply(2);
        EXPECT_EQ(player->dockTime, 0xFFFFFFFFu);
        EXPECT_EQ(g_CommWindow.state, 2);
        EXPECT_EQ(Line(0), c.answer);
        ResetWindows();
    }
    // Called from the home station's map, the docked ship keeps its stay (or the bay launches it).
    CUnit* home = Add(new CUnit(), GCLASS_SPACE_SHIP, GTYPE_SP_STATION, Vec3(0, 0, -9000), nullptr);
    home->dockedUnits[0] = player, home->dockedCount = 1, station->ore = 100.0f;
    for (CUnit* u : {station, player}) (u->items[u->itemCount++] = new CItem())->kind = GTYPE_CARGOSYSTEM;
    ASSERT_EQ(g_CommWindow.Talk(station, 0), 1);
    Open();
    g_CommWindow.ChooseReply(1);
    EXPECT_EQ(player->dockTime, 0xFFFFFFFFu) << Line(0);
    home->dockedUnits[0] = nullptr;
}

TEST_P(CommWindowTest, VoicesPlayAtThePilotsPitchAndHoldTheLine)
{
    if (!Entered()) return;
    g_Settings.audio = 1;
    g_Settings.voice = 1;
    SoundDevice::UseLoopback(true);
    ASSERT_EQ(g_AudioManager.Init(nullptr), SND_OK);
    // The pilot's sex is drawn as the private data loads; the voice follows it.
    for (int pitch : {105, 130}) {
        CUnit* wing = Add(new CUnit(), GCLASS_SPACE_SHIP, GTYPE_SP_NPCSHIP_MERCS_FIGHTER, Vec3(0, 0, 500),
                          "Human/Mercenaries/Fighter");
        wing->pilot.voicePitch = pitch;
        ASSERT_EQ(g_CommWindow.Say(wing, TEXTLINE_GETORDER_OK, 1), 1);
        const char* wav = wing->radioDialog.FindLineWav(TEXTLINE_GETORDER_OK);
        ASSERT_NE(wav, nullptr);
        EXPECT_NE(std::strstr(wav, wing->pilot.sex == 0 ? "_M01.wav" : "_W01.wav"), nullptr) << wav;
        ASSERT_NE(g_CommWindow.voice, nullptr) << wav;
        unsigned hz = 0;
        g_CommWindow.voice->buffer->GetFrequency(&hz);
        EXPECT_EQ(hz, unsigned(float(g_CommWindow.voice->frequency) / 100.0f * float(pitch) * 1.05f));
        // With a voice the line lasts as long as it plays.
        EXPECT_EQ(g_CommWindow.sayDuration, 0.0f);
        ResetWindows();
        EXPECT_EQ(g_CommWindow.voice, nullptr);
    }
    g_AudioManager.Release();
    SoundDevice::UseLoopback(false);
}

TEST_P(CommWindowTest, HeadFlickersWhileALineIsSpokenAndRestsAfter)
{
    if (!Entered()) return;
    CPilotHeads& h = g_CommWindow.heads;
    h.LoadMatrices("Data/Misc/HeadMatrix.pd");
    // Five calm placements, then five agitated ones: a large flame with smaller ones round it.
    EXPECT_FLOAT_EQ(h.placements[0].m[0][0], 1.0f);
    EXPECT_LT(h.placements[1].m[0][0], 1.0f);
    EXPECT_NE(h.placements[1].m[3][0], 0.0f);
    EXPECT_GT(h.placements[5].m[1][1], h.placements[0].m[1][1]);
    h.LoadMatrices("Data/Misc/NoSuchMatrix.pd");
    EXPECT_FLOAT_EQ(h.placements[3].m[3][0], 0.0f);

    CUnit* wing = Add(new CUnit(), GCLASS_SPACE_SHIP, GTYPE_SP_NPCSHIP_MERCS_FIGHTER, Vec3(0, 0, 500),
                      "Human/Mercenaries/Fighter");
    ASSERT_EQ(g_CommWindow.Say(wing, TEXTLINE_TOFRIEND_KEEPEASY, 2), 1);
    EXPECT_EQ(h.speaking, 1);
    EXPECT_EQ(h.mode, 2);
    const uint32_t t0 = g_GameClock.NowMs();
    bool moved = false;
    const Matrix first = h.HeadMatrix(1, t0);
    for (int i = 1; i < 10; ++i) {
        const Matrix later = h.HeadMatrix(1, t0 + 37u * uint32_t(i));
        moved |= std::memcmp(&first, &later, sizeof(Matrix)) != 0;
    }
    EXPECT_TRUE(moved);
    g_GameClock.gameTime += 4000.0;
    g_CommWindow.Update();
    EXPECT_EQ(h.speaking, 0);
    EXPECT_EQ(g_CommWindow.state, 2);  // the line still shows, the head rests
    const Matrix still = h.HeadMatrix(1, t0), stillLater = h.HeadMatrix(1, t0 + 500u);
    EXPECT_EQ(std::memcmp(&still, &stillLater, sizeof(Matrix)), 0);
}

TEST_P(CommWindowTest, DigitsAndTypedTextGoToTheRadioNotToTheFlight)
{
    if (!Entered()) return;
    auto key = [](unsigned vk) { WndProc(nullptr, WM_KEYDOWN, vk, 0); };
    CUnit* wing = Add(new CUnit(), GCLASS_SPACE_SHIP, GTYPE_SP_NPCSHIP_MERCS_FIGHTER, Vec3(0, 0, 500),
                      "Human/Mercenaries/Fighter");
    player->target = wing;
    key('C');
    ASSERT_EQ(g_CommWindow.state, 1);
    Open();
    key('3');
    EXPECT_EQ(wing->orderType, ACTION_GUARD);
    EXPECT_EQ(g_KeyA + g_KeyD + g_KeyS + g_KeyW + g_KeySpace, 0);
    ResetWindows();

    // A message typed on the radio menu: letters, blanks and digits are text only.
    g_GameMode = 2;
    g_RadioMenu.font.Load("Data/Misc/Fonts/Hermes.18");
    key(VK_F3);
    Open();
    key('5');
    Open();
    Open();
    ASSERT_EQ(g_RadioMenu.page, RADIO_PAGE_RECIPIENT);
    key('1');
    ASSERT_EQ(g_RadioMenu.page, RADIO_PAGE_MESSAGE);
    ASSERT_EQ(g_TextInputState, 1);
    for (char c : std::string("W 2")) {
        key(c == ' ' ? unsigned(VK_SPACE) : unsigned(c));
        WndProc(nullptr, WM_CHAR, WPARAM((unsigned char)c), 0);
        g_RadioMenu.UpdateTyping();
    }
    EXPECT_STREQ(g_RadioMenu.typed, "W 2");
    EXPECT_EQ(g_KeyW + g_KeySpace, 0);
    EXPECT_EQ(g_RadioMenu.page, RADIO_PAGE_MESSAGE);
    key(VK_ESCAPE);
    g_RadioMenu.UpdateTyping();
    EXPECT_EQ(g_RadioMenu.state, 0);
    EXPECT_EQ(g_TextInputState, 0);
    g_RadioMenu.font.ReleaseTexture();
}

TEST_P(CommWindowTest, ChatLineShowsAsTheSpeakersLineAndFoldsAfterItsTime)
{
    if (!Entered()) return;
    g_CommWindow.font.Load("Data/Misc/Fonts/Hermes.18");
    CUnit* ship = Add(new CUnit(), GCLASS_SPACE_SHIP, GTYPE_SP_HEROSHIP, Vec3(0, 0, 500), nullptr);
    // Outside view takes no contact: the line is not shown.
    g_World.cameras[1].cinematicView = 1;
    g_CommWindow.SayText(ship, "Hello from Guest");
    EXPECT_EQ(g_CommWindow.lineCount, 0);
    g_World.cameras[1].cinematicView = 0;
    g_CommWindow.SayText(ship, "Hello from Guest");
    ASSERT_EQ(g_CommWindow.lineCount, 1);
    EXPECT_EQ(Line(0), "Hello from Guest");
    EXPECT_EQ(g_CommWindow.speaker, ship);
    EXPECT_EQ(g_CommMode, 1);
    Open();
    EXPECT_EQ(g_CommWindow.speaker, ship);
    g_GameClock.gameTime += 6000.0;
    g_CommWindow.Update();
    EXPECT_EQ(g_CommWindow.speaker, nullptr);
    EXPECT_EQ(g_CommMode, 0);
    g_CommWindow.font.ReleaseTexture();
}

INSTANTIATE_TEST_SUITE_P(Loose, CommWindowTest, ::testing::Values(0));

} // namespace
