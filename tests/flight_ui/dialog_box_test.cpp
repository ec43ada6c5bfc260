// The planet world's dialog box: a talk's rows settle, the pointer is kept in the box,
// and a clicked reply continues the talk or ends it with its result.
#include "flight_ui/dialog_box.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "app/wndproc.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/game_interface.h"
#include "locations/location_director.h"
#include "platform/gfx/null_device.h"
#include "render/d3d_render.h"
#include "world/game_clock.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {

class DialogBoxTest : public ::testing::Test {
protected:
    NullGfxDevice* dev = nullptr;
    GfxDevice* oldDevice = nullptr;
    CUnit hero, npc;

    void SetUp() override
    {
        D3DPRESENT_PARAMETERS p;
        p.BackBufferWidth = 800;
        p.BackBufferHeight = 600;
        p.Windowed = 1;
        dev = new NullGfxDevice(p);
        oldDevice = g_D3DRender.device;
        g_D3DRender.device = dev;
        g_D3DRender.SetDefaultStates();
        g_GameClock.gameTime = 100000.0;
        g_WorldIndex = 0;

        // Letters 10 units wide, rows 20 high.
        CFont& f = g_DialogBox.font;
        f.count = 0;
        for (const char* c = "abcdefghijklmnopqrstuvwxyz :."; *c; ++c) {
            f.chars[f.count] = (unsigned char)*c;
            f.glyphs[f.count] = FontGlyph{0, 0, 1, 1, 10.0f, 20.0f, float(*c)};
            ++f.count;
        }
        f.spacing = 0.0f;
        f.lineHeight = 20.0f;
        g_DialogBox.Reset();
        g_DialogBox.height = g_DialogBox.targetHeight = 100.0f;

        g_PlayerObject = &hero;
        std::strcpy(npc.displayName, "guide");
        npc.pilot.voicePitch = 100;
        CRadioDialog& d = npc.radioDialog;
        d.lineCount = 5;
        Line(0, "where to", TEXTLINE_QUESTION, {1, 2});
        Line(1, "to the desk", TEXTLINE_END_DIALOG_QUEST_ID1, {});
        Line(2, "tell me more", TEXTLINE_ANSWER, {3});
        Line(3, "the lift is there", TEXTLINE_QUESTION, {4});
        Line(4, "thanks", TEXTLINE_END_DIALOG_NORMAL, {});
        std::memset(g_LocationDirector.questFlags, 0, sizeof(g_LocationDirector.questFlags));
    }
    void TearDown() override
    {
        g_DialogBox.Reset();
        g_DialogBox.font.count = 0;
        g_PlayerObject = nullptr;
        g_CommMode = 0;
        g_D3DRender.device = oldDevice;
        dev->Release();
        g_WorldIndex = 1;
    }
    void Line(int n, const char* text, int type, std::initializer_list<int> replies)
    {
        CRadioDialogLine& l = npc.radioDialog.lines[n];
        std::strcpy(l.text, text);
        l.type = type;
        l.replyCount = 0;
        for (int r : replies) l.replies[l.replyCount++] = r;
    }
    // Draws frames 50 ms apart until the rows have slid in.
    void Settle()
    {
        for (int i = 0; i < 100 && g_DialogBox.pending > 0; ++i) {
            g_GameClock.gameTime += 50.0;
            g_DialogBox.Draw();
        }
        ASSERT_EQ(g_DialogBox.pending, 0);
    }
    // Points at history row i and clicks.
    void ClickRow(int i)
    {
        g_MouseX = 300.0f;
        g_MouseY = g_DialogBox.DrawnTop() + 10.0f + 20.0f * float(i) + 5.0f;
        g_DialogBox.OnClick();
    }
};

TEST_F(DialogBoxTest, RowsSettleBeforeTheyCanBeClicked)
{
    g_DialogBox.StartTalk(&npc, 0);
    EXPECT_EQ(g_CommMode, 1);
    EXPECT_EQ(hero.inRadioTalk, 1);
    EXPECT_EQ(npc.inRadioTalk, 1);
    // The question on top, its replies under it, the separator below them.
    EXPECT_STREQ(g_DialogBox.history[0].text, "guide: where to");
    EXPECT_STREQ(g_DialogBox.history[1].text, "to the desk");
    EXPECT_STREQ(g_DialogBox.history[2].text, "tell me more");
    EXPECT_EQ(g_DialogBox.history[3].type, 1000);
    g_MouseX = 300.0f;
    g_MouseY = g_DialogBox.DrawnTop() + 35.0f;
    EXPECT_EQ(g_DialogBox.ReplyAtPointer(), -1);  // still sliding in
    Settle();
    EXPECT_EQ(g_DialogBox.ReplyAtPointer(), 1);

    // During a talk the pointer cannot leave the box.
    g_MouseX = 20.0f;
    g_MouseY = 10.0f;
    g_DialogBox.Draw();
    EXPECT_FLOAT_EQ(g_MouseX, 102.0f);
    EXPECT_FLOAT_EQ(g_MouseY, g_DialogBox.DrawnTop() + 2.0f);
}

TEST_F(DialogBoxTest, RepliesContinueOrEndTheTalk)
{
    g_DialogBox.StartTalk(&npc, 0);
    Settle();
    g_DialogBox.targetHeight = 10.0f;
    ClickRow(2);  // "tell me more": the talk goes on at its next line
    EXPECT_EQ(g_CommMode, 1);
    EXPECT_STREQ(g_DialogBox.history[0].text, "guide: the lift is there");
    // The box opens to show the exchange before whole, down to the reply that was chosen.
    EXPECT_STREQ(g_DialogBox.history[4].text, "tell me more");
    EXPECT_GE(20.0f * g_DialogBox.targetHeight / 100.0f - 2.0f, 4.0f);
    Settle();
    ClickRow(1);  // "thanks": an ordinary end, no quest
    EXPECT_EQ(g_CommMode, 0);
    EXPECT_EQ(hero.inRadioTalk, 0);
    EXPECT_EQ(npc.inRadioTalk, 0);
    EXPECT_EQ(g_DialogBox.speaker, nullptr);
    EXPECT_STREQ(g_DialogBox.history[0].text, "Диалог закончен...");
    EXPECT_EQ(g_LocationDirector.questFlags[1], 0);

    g_DialogBox.StartTalk(&npc, 0);
    Settle();
    ClickRow(1);  // "to the desk": ends with quest flag 1
    EXPECT_EQ(g_CommMode, 0);
    EXPECT_EQ(g_LocationDirector.questFlags[1], 1);
    // The history reads what was said: the question and the reply chosen, not the other.
    const char* said[] = {"Диалог закончен...", "", "guide: where to", "to the desk", ""};
    for (int i = 0; i < 5; ++i) EXPECT_STREQ(g_DialogBox.history[i].text, said[i]) << "row " << i;
}

// A location load restarts the game clock: what the interface stamped in the last location
// (late in its clock) must not hold up or jump what the next location shows.
TEST_F(DialogBoxTest, NothingWaitsOnAStampFromBeforeTheClockRestarted)
{
    struct Case {
        const char* name;
        std::function<void()> use;     // in the old location, long after its start
        std::function<void()> reopen;  // in the new one
        std::function<bool()> settled;
    };
    const Case cases[] = {
        {"a talk opened in the box",
         [&] { g_DialogBox.StartTalk(&npc, 0); },
         [&] {
             g_DialogBox.AddLine("arrived", 0xff00c800u, 0, -1);
             g_DialogBox.StartTalk(&npc, 0);
         },
         [&] {
             g_MouseX = 300.0f;
             g_MouseY = g_DialogBox.DrawnTop() + 35.0f;
             return g_DialogBox.ReplyAtPointer() == 1;
         }},
        {"a line added to the box", [&] { g_DialogBox.AddLine("old", 0xffffffffu, 0, -1); },
         [&] { g_DialogBox.AddLine("arrived", 0xff00c800u, 0, -1); },
         [&] { return g_DialogBox.pending == 0 && std::strcmp(g_DialogBox.history[0].text, "arrived") == 0; }},
        {"the comm window closing", [&] { g_CommWindow.openPercent = 100.0f; },
         [&] { g_CommWindow.openPercent = 100.0f; },
         [&] { return g_CommWindow.openPercent > 50.0f && g_CommWindow.openPercent < 100.0f; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_GameClock.gameTime = 500000.0;
        c.use();
        for (int i = 0; i < 40; ++i) {
            g_GameClock.gameTime += 50.0;
            g_DialogBox.Draw();
            g_CommWindow.Update();
        }
        ResetGameInterface();  // the old location ends
        g_World.ResetForLocation();  // the next one loads
        g_WorldIndex = 0;
        g_PlayerObject = &hero;
        c.reopen();
        bool ok = false;
        for (int i = 0; i < 30 && !ok; ++i) {  // within 1.5 s of game time
            g_GameClock.gameTime += 50.0;
            g_DialogBox.Draw();
            g_CommWindow.Update();
            ok = c.settled();
        }
        EXPECT_TRUE(ok);
        EXPECT_GE(g_DialogBox.slideOffset, 0.0f);
        g_DialogBox.Reset();
        g_CommMode = 0;
    }
}

}  // namespace
