#include "flight_ui/subtitles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/winmain.h"
#include "locations/location_director.h"
#include "platform/gfx/null_device.h"
#include "render/d3d_render.h"
#include "world/game_clock.h"

namespace {

// Every letter 10 pixels wide and no spacing, so 76 letters make the 760-pixel line.
class SubtitlesTest : public ::testing::Test {
protected:
    NullGfxDevice* dev = nullptr;
    GfxDevice* oldDevice = nullptr;
    int oldActive = 0;
    int oldMode = 0;
    double oldTime = 0.0;

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
        oldActive = g_AppActive;
        oldMode = g_GameMode;
        oldTime = g_GameClock.gameTime;
        g_AppActive = 1;
        g_GameMode = 1;
        g_GameClock.gameTime = 100000.0;

        CFont& f = CSubtitles::font;
        f.count = 0;
        const char* letters = "abcdefghijklmnopqrstuvwxyz ";
        for (const char* c = letters; *c; ++c) {
            f.chars[f.count] = (unsigned char)*c;
            f.glyphs[f.count] = FontGlyph{0, 0, 1, 1, 10.0f, 26.0f, float(*c)};
            ++f.count;
        }
        f.spacing = 0.0f;
        f.lineHeight = 26.0f;
        CSubtitles::Clear();
    }
    void TearDown() override
    {
        CSubtitles::Clear();
        CSubtitles::font.count = 0;
        g_AppActive = oldActive;
        g_GameMode = oldMode;
        g_GameClock.gameTime = oldTime;
        g_D3DRender.device = oldDevice;
        dev->Release();
    }
    static void Advance(double ms) { g_GameClock.gameTime += ms; }
    static std::string Line(int i) { return CSubtitles::lines[i]; }
};

TEST_F(SubtitlesTest, ShowWrapsAtTheLastBlankAndCutsLongWords)
{
    const std::string fits(76, 'a');
    CSubtitles::Show(fits.c_str(), 1, 2, 0.0f, 3.0f);
    ASSERT_EQ(CSubtitles::lineCount, 1);
    EXPECT_EQ(Line(0), fits);
    EXPECT_EQ(CSubtitles::centred, 1);
    EXPECT_EQ(CSubtitles::letterStart[0][0], 100000u);

    const std::string words = std::string(70, 'a') + " " + std::string(10, 'b') + " " + std::string(3, 'c');
    CSubtitles::Show(words.c_str(), 1, 2, 0.0f, 3.0f);
    ASSERT_EQ(CSubtitles::lineCount, 2);
    EXPECT_EQ(Line(0), std::string(70, 'a'));
    EXPECT_EQ(Line(1), std::string(10, 'b') + " ccc");

    // A word wider than the line is cut at the character at 760 pixels, nothing lost.
    const std::string word(100, 'x' - 3);   // 'u'
    CSubtitles::Show(word.c_str(), 1, 2, 0.0f, 3.0f);
    ASSERT_EQ(CSubtitles::lineCount, 2);
    EXPECT_EQ(Line(0).size(), 76u);
    EXPECT_EQ(Line(0) + Line(1), word);
}

TEST_F(SubtitlesTest, ZeroWidthGlyphsNeverOverrunALine)
{
    // A font whose glyphs measure nothing: every text "fits", so only the line buffers
    // can stop a long one.
    CFont& f = CSubtitles::font;
    for (int i = 0; i < f.count; ++i) f.glyphs[i].width = 0.0f;
    const std::string word(600, 'q');
    const std::string words = std::string(200, 'a') + " " + std::string(200, 'b') + " " + std::string(200, 'c');
    for (const std::string& text : {word, words}) {
        CSubtitles::Show(text.c_str(), 1, 2, 0.0f, 3.0f);
        ASSERT_GT(CSubtitles::lineCount, 1);
        std::string joined;
        for (int i = 0; i < CSubtitles::lineCount; ++i) {
            EXPECT_LT(Line(i).size(), size_t(CSubtitles::kLineSize));
            joined += (i && text == words ? " " : "") + Line(i);
        }
        EXPECT_EQ(joined, text);
        // Drawing every letter stays inside the rows too.
        for (int k = 0; k < 20; ++k) {
            Advance(1000.0);
            CSubtitles::Draw();
        }
    }
}

TEST_F(SubtitlesTest, TextLongerThanThirtyTwoLinesKeepsTheFirstLines)
{
    std::string text;
    for (int i = 0; i < 40; ++i) text += std::string(70, char('a' + i % 26)) + " ";
    CSubtitles::Show(text.c_str(), 1, 2, 0.0f, 3.0f);
    ASSERT_EQ(CSubtitles::lineCount, CSubtitles::kMaxLines);
    EXPECT_EQ(Line(31), std::string(70, char('a' + 31 % 26)));
}

TEST_F(SubtitlesTest, OneLineRevealsHoldsAndFadesOut)
{
    CSubtitles::Show("ab", 0xFF0000, 0x00FF00, 0.0f, 3.0f);
    CSubtitles::Draw();   // no delay: the first letter begins in the first frame
    EXPECT_EQ(CSubtitles::letterStart[0][1], 0u);
    Advance(100);
    CSubtitles::Draw();
    EXPECT_EQ(CSubtitles::letterStart[0][1], 100060u);   // 0.06 s after the first
    EXPECT_EQ(CSubtitles::letterAlpha[0][0], 25);
    Advance(1000);   // the second letter has had 1.04 s
    CSubtitles::Draw();
    EXPECT_EQ(CSubtitles::letterAlpha[0][1], 255);
    EXPECT_EQ(CSubtitles::end, 101100u);
    Advance(900);
    CSubtitles::Draw();
    EXPECT_FLOAT_EQ(CSubtitles::fade, 1.0f);
    Advance(1100);   // 2.0 s after the end: one second into the last two
    CSubtitles::Draw();
    EXPECT_FLOAT_EQ(CSubtitles::fade, 0.5f);
    EXPECT_EQ(CSubtitles::shown, 1);
    Advance(1000);
    CSubtitles::Draw();
    EXPECT_EQ(CSubtitles::shown, 0);
}

TEST_F(SubtitlesTest, FiveLinesScrollUntilThreeRemain)
{
    std::string text;
    for (int i = 0; i < 5; ++i) text += std::string(70, char('a' + i)) + " ";
    CSubtitles::Show(text.c_str(), 1, 2, 0.0f, 3.0f);
    ASSERT_EQ(CSubtitles::lineCount, 5);
    int lowest = 5;
    bool scrolledBeforeThirdLine = false;
    for (int step = 0; step < 3000 && CSubtitles::shown; ++step) {
        CSubtitles::Draw();
        if (CSubtitles::lineCount == 5 && CSubtitles::scrollStart != 0 && CSubtitles::letterStart[2][0] == 0)
            scrolledBeforeThirdLine = true;
        lowest = std::min(lowest, CSubtitles::lineCount);
        Advance(20);
    }
    EXPECT_FALSE(scrolledBeforeThirdLine);
    EXPECT_EQ(lowest, 3);
    EXPECT_EQ(Line(0), std::string(70, 'c'));
    EXPECT_EQ(CSubtitles::shown, 0);
}

TEST_F(SubtitlesTest, DelayHidesTheTextAndOnlyANetworkGameDrawsTheBand)
{
    CSubtitles::Show("ab", 1, 2, 1.0f, 3.0f);
    dev->ClearCalls();
    Advance(500);
    CSubtitles::Draw();
    EXPECT_EQ(dev->Count("Draw"), 0u);
    EXPECT_EQ(CSubtitles::letterAlpha[0][0], 0);
    g_GameMode = 2;
    CSubtitles::Draw();
    EXPECT_GT(dev->Count("Draw"), 0u);
    Advance(600);
    CSubtitles::Draw();
    EXPECT_FLOAT_EQ(CSubtitles::delay, 0.0f);
    EXPECT_EQ(CSubtitles::letterStart[0][0], 101100u);
}

TEST_F(SubtitlesTest, ClearStopsTheCaption)
{
    CSubtitles::Show("ab", 1, 2, 2.0f, 3.0f);
    CSubtitles::Clear();
    EXPECT_EQ(CSubtitles::shown, 0);
    EXPECT_EQ(CSubtitles::lineCount, 0);
    EXPECT_FLOAT_EQ(CSubtitles::delay, 0.0f);
    dev->ClearCalls();
    CSubtitles::Draw();
    EXPECT_EQ(dev->Count("Draw"), 0u);
}

} // namespace
