#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/settings.h"
#include "capture_device.h"
#include "files/language.h"
#include "platform/gfx/image.h"
#include "render/font.h"
#include "platform/crt/rand.h"
#include "render/camera.h"

namespace {

// A mask of n x n with bands of h rows; cell widths in glyph order (the cell is w columns,
// so the glyph measures w - 1 pixels).
std::vector<unsigned char> MakeMask(size_t n, size_t h, const std::vector<size_t>& widths)
{
    std::vector<unsigned char> mask(n * n, 255);
    size_t row = 1, col = 1;
    for (size_t w : widths) {
        if (col + w + 1 > n) {
            row += h + 1;
            col = 1;
        }
        for (size_t y = row; y < row + h; ++y)
            for (size_t x = col; x < col + w; ++x) mask[y * n + x] = 0;
        col += w + 1;
    }
    return mask;
}

void LoadFont(CFont& font, const char* chars, const std::vector<unsigned char>& mask)
{
    font.SetCharacters((const unsigned char*)chars, std::strlen(chars));
    ASSERT_EQ(font.ParseMask(mask.data(), mask.size()), 0);
}

std::vector<unsigned char> ReadFile(const std::string& path)
{
    std::vector<unsigned char> bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        unsigned char buf[4096];
        size_t got;
        while ((got = std::fread(buf, 1, sizeof(buf), f)) > 0) bytes.insert(bytes.end(), buf, buf + got);
        std::fclose(f);
    }
    return bytes;
}

struct EnglishScope {
    EnglishScope()
    {
        ClearLanguageData();
        g_Settings.language = 1;
    }
    ~EnglishScope()
    {
        g_Settings.language = 0;
        ClearLanguageData();
    }
    void Add(const char* rus, const char* eng)
    {
        int i = g_LanguageTables.shortCount++;
        std::snprintf(g_LanguageTables.shortRus[i], LANG_SHORT_SIZE, "%s", rus);
        std::snprintf(g_LanguageTables.shortEng[i], LANG_SHORT_SIZE, "%s", eng);
    }
};

} // namespace

TEST(Font, MaskGivesLineHeightGlyphRectanglesAndSpacing)
{
    CFont font;
    // First separator row at row 19: H = 18.
    LoadFont(font, "ABC", MakeMask(64, 18, {6, 11, 4}));
    EXPECT_EQ(font.count, 3);
    EXPECT_FLOAT_EQ(font.lineHeight, 18.0f);
    EXPECT_FLOAT_EQ(font.GetTextHeight(2.0f), 36.0f);
    const FontGlyph& b = font.glyphs[1];
    EXPECT_FLOAT_EQ(b.width, 10.0f);
    EXPECT_FLOAT_EQ(b.height, 17.0f);
    EXPECT_FLOAT_EQ(b.left, 8.0f / 64.0f);
    EXPECT_FLOAT_EQ(b.right, 19.0f / 64.0f);
    EXPECT_FLOAT_EQ(b.top, 1.0f / 64.0f);
    EXPECT_FLOAT_EQ(b.bottom, 19.0f / 64.0f);
    EXPECT_FLOAT_EQ(b.character, (float)'B');
    EXPECT_FLOAT_EQ(font.spacing, 1.0f);   // widest 10 / 10
    EXPECT_EQ(font.FindChar('C'), 2);
    EXPECT_EQ(font.FindChar('Z'), -1);
    // Quad k uses 4k, 4k+1, 4k+2, 4k+2, 4k+1, 4k+3.
    EXPECT_EQ(font.indices[6 * 7 + 5], 31);
    EXPECT_EQ(font.indices[6 * 7 + 3], 30);
}

TEST(Font, GlyphsWrapIntoTheNextBand)
{
    CFont font;
    LoadFont(font, "ABC", MakeMask(32, 8, {14, 14, 5}));
    EXPECT_FLOAT_EQ(font.glyphs[1].left, 16.0f / 32.0f);
    EXPECT_FLOAT_EQ(font.glyphs[2].top, 10.0f / 32.0f);
    EXPECT_FLOAT_EQ(font.glyphs[2].left, 1.0f / 32.0f);
    EXPECT_FLOAT_EQ(font.glyphs[2].width, 4.0f);
}

TEST(Font, WidthSkipsMissingCharactersAndMatchesDrawing)
{
    CaptureScope s;
    CFont font;
    LoadFont(font, "AB", MakeMask(64, 10, {11, 21}));   // widths 10, 20; spacing 2
    EXPECT_FLOAT_EQ(font.GetTextWidth(1.0f, "AB"), 12.0f + 22.0f);
    EXPECT_FLOAT_EQ(font.GetTextWidth(1.0f, "A?B"), font.GetTextWidth(1.0f, "AB"));
    EXPECT_FLOAT_EQ(font.GetTextWidth(0.5f, "AB"), 17.0f);
    EXPECT_FLOAT_EQ(font.GetTextWidth(1.0f, ""), 0.0f);

    float end = font.DrawText(100.0f, 50.0f, "A?B", 0xFF0000FF, 0xFF00FF00, 1.0f);
    EXPECT_FLOAT_EQ(end, 100.0f + font.GetTextWidth(1.0f, "A?B"));
    ASSERT_EQ(s.device->draws.size(), 1u);
    const CapturedDraw& d = s.device->draws[0];
    EXPECT_EQ(d.type, D3DPT_TRIANGLELIST);
    EXPECT_EQ(d.primitives, 4u);
    ASSERT_EQ(d.screen.size(), 8u);
    // Second glyph side by side with the first: pen 100 + 10 + 2.
    EXPECT_FLOAT_EQ(d.screen[4].x, 112.0f);
    EXPECT_FLOAT_EQ(d.screen[7].x, 132.0f);
    EXPECT_FLOAT_EQ(d.screen[5].y, 59.0f);   // glyph height 9
    EXPECT_EQ(d.screen[4].diffuse, 0xFF0000FFu);
    EXPECT_EQ(d.screen[5].diffuse, 0xFF00FF00u);
    EXPECT_EQ(g_D3DRender.alphaBlendEnable, 1);

    // An empty text or one the font cannot draw at all draws nothing and returns x.
    EXPECT_FLOAT_EQ(font.DrawText(7.0f, 0.0f, "", 0, 0, 1.0f), 7.0f);
    EXPECT_FLOAT_EQ(font.DrawText(7.0f, 0.0f, "???", 0, 0, 1.0f), 7.0f);
    EXPECT_EQ(s.device->draws.size(), 1u);
}

TEST(Font, DrawingScalesToDevicePixels)
{
    CaptureScope s(1600.0f, 1200.0f);
    CFont font;
    LoadFont(font, "A", MakeMask(32, 10, {11}));
    float end = font.DrawText(10.0f, 20.0f, "A", 0xFFFFFFFF, 0xFFFFFFFF, 1.0f);
    EXPECT_FLOAT_EQ(end, 10.0f + 11.0f);   // virtual units
    const CapturedDraw& d = s.device->draws.back();
    EXPECT_FLOAT_EQ(d.screen[0].x, 20.0f);
    EXPECT_FLOAT_EQ(d.screen[3].x, 40.0f);
    EXPECT_FLOAT_EQ(d.screen[3].y, 58.0f);
}

TEST(Font, LongTextIsCutTo254Characters)
{
    CaptureScope s;
    CFont font;
    LoadFont(font, "A", MakeMask(32, 10, {5}));
    std::string text(300, 'A');
    float end = font.DrawText(0.0f, 0.0f, text.c_str(), 0xFFFFFFFF, 0xFFFFFFFF, 1.0f);
    const CapturedDraw& d = s.device->draws.back();
    EXPECT_EQ(d.primitives, 2u * 254u);
    EXPECT_FLOAT_EQ(end, font.GetTextWidth(1.0f, text.c_str()));
    EXPECT_EQ(font.CharIndexAtX(1e9f, 1.0f, text.c_str()), 254);
}

TEST(Font, CharIndexAtX)
{
    CFont font;
    LoadFont(font, "AB", MakeMask(64, 10, {11, 21}));   // A: 0..10, advance 12; B: 12..32
    EXPECT_EQ(font.CharIndexAtX(0.0f, 1.0f, "AB"), 0);
    EXPECT_EQ(font.CharIndexAtX(9.9f, 1.0f, "AB"), 0);
    EXPECT_EQ(font.CharIndexAtX(10.5f, 1.0f, "AB"), 1);   // in the gap: the next character
    EXPECT_EQ(font.CharIndexAtX(31.0f, 1.0f, "AB"), 1);
    EXPECT_EQ(font.CharIndexAtX(33.0f, 1.0f, "AB"), 2);   // past the end: the length
    EXPECT_EQ(font.CharIndexAtX(11.0f, 1.0f, "A?B"), 2);  // indexes the text, missing ones included
}

TEST(Font, EnglishTextIsMeasuredAndDrawnTranslated)
{
    EnglishScope english;
    english.Add("ПАУЗА", "PAUSE");
    CFont font;
    LoadFont(font, "PAUSEПЗ", MakeMask(128, 10, {8, 8, 8, 8, 8, 12, 12}));
    EXPECT_FLOAT_EQ(font.GetTextWidth(1.0f, "ПАУЗА"), font.GetTextWidth(1.0f, "PAUSE"));
    EXPECT_NE(font.GetTextWidth(1.0f, "ПАУЗА"), font.GetTextWidth(1.0f, "ПЗ"));
}

TEST(Font, MalformedMasksLeaveTheFontEmpty)
{
    CFont font;
    const char* chars = "AB";
    font.SetCharacters((const unsigned char*)chars, 2);
    // No separator row down column 1.
    std::vector<unsigned char> open(32 * 32, 0);
    EXPECT_EQ(font.ParseMask(open.data(), open.size()), -1);
    EXPECT_EQ(font.count, 0);

    font.SetCharacters((const unsigned char*)chars, 2);
    // Fewer glyphs than characters: the band scan runs out of rows.
    std::vector<unsigned char> one = MakeMask(16, 6, {4});
    EXPECT_EQ(font.ParseMask(one.data(), one.size()), -1);
    EXPECT_EQ(font.count, 0);
    EXPECT_FLOAT_EQ(font.GetTextWidth(1.0f, "AB"), 0.0f);

    font.SetCharacters((const unsigned char*)chars, 2);
    // A glyph that runs to the row's end without a separator column.
    std::vector<unsigned char> runaway = MakeMask(16, 6, {4});
    for (size_t x = 6; x < 16; ++x) runaway[1 * 16 + x] = 0;
    EXPECT_EQ(font.ParseMask(runaway.data(), runaway.size()), -1);

    // Too small to hold anything, and empty.
    font.SetCharacters((const unsigned char*)chars, 2);
    unsigned char tiny[4] = {255, 255, 255, 255};
    EXPECT_EQ(font.ParseMask(tiny, sizeof(tiny)), -1);
    EXPECT_EQ(font.ParseMask(nullptr, 0), -1);

    // A size that is no square uses the largest square inside it.
    font.SetCharacters((const unsigned char*)chars, 2);
    std::vector<unsigned char> ragged = MakeMask(16, 6, {4, 5});
    ragged.resize(ragged.size() + 7, 0);
    EXPECT_EQ(font.ParseMask(ragged.data(), ragged.size()), 0);
    EXPECT_FLOAT_EQ(font.glyphs[1].width, 4.0f);
}

TEST(Font, CharacterListStopsAtZeroAndAt255)
{
    CFont font;
    const unsigned char withZero[] = {'a', 'b', 0, 'c'};
    font.SetCharacters(withZero, sizeof(withZero));
    EXPECT_EQ(font.count, 2);
    std::vector<unsigned char> many(400, 'x');
    font.SetCharacters(many.data(), many.size());
    EXPECT_EQ(font.count, 255);
}

TEST(Font, GeneratedFontsHaveTheGameCharacters)
{
    const char* folders[] = {"Arial.18", "Hermes.18", "Bauhaus.20", "Bengaly.25"};
    const float sizes[] = {18, 18, 20, 25};
    for (int f = 0; f < 4; ++f) {
        std::string dir = std::string(KORVANE_GAME_DIR) + "/Data/Misc/Fonts/" + folders[f] + "/";
        std::vector<unsigned char> chars = ReadFile(dir + "Main.dat");
        std::vector<unsigned char> mask = ReadFile(dir + "Mask.dat");
        std::vector<unsigned char> dds = ReadFile(dir + "Main.dds");
        if (chars.empty() || mask.empty()) GTEST_SKIP() << "data set not built: " << dir;
        CFont font;
        font.SetCharacters(chars.data(), chars.size());
        ASSERT_EQ(font.ParseMask(mask.data(), mask.size()), 0) << folders[f];
        EXPECT_GE(font.count, 160) << folders[f];
        EXPECT_FLOAT_EQ(font.lineHeight, sizes[f] + 1.0f) << folders[f];
        EXPECT_EQ(font.FindChar(' '), 0);
        EXPECT_GT(font.glyphs[0].width, 0.0f);
        for (unsigned char c : std::string("AZaz09.,!?-ЖЩЁёя№«»—")) EXPECT_GE(font.FindChar(c), 0) << (int)c;
        for (int i = 0; i < font.count; ++i) {
            EXPECT_FLOAT_EQ(font.glyphs[i].height, sizes[f]);
            EXPECT_GE(font.glyphs[i].width, 0.0f);
            EXPECT_LE(font.glyphs[i].right, 1.0f);
        }
        // "W" is wider than "i" in every face.
        EXPECT_GT(font.GetTextWidth(1.0f, "W"), font.GetTextWidth(1.0f, "i"));
        size_t n = 1;
        while (n * n < mask.size()) ++n;
        ASSERT_EQ(dds.size(), 128 + n * n * 4) << folders[f];
        EXPECT_EQ(std::memcmp(dds.data(), "DDS ", 4), 0);
        GfxImage image;
        std::string error;
        ASSERT_TRUE(GfxDecodeImage(dds.data(), dds.size(), &image, nullptr, &error)) << error;
        EXPECT_EQ(image.width, (unsigned)n);
        // The 'W' cell holds coverage; the separator rows are empty.
        const FontGlyph& w = font.glyphs[font.FindChar('W')];
        unsigned ink = 0;
        for (unsigned y = (unsigned)(w.top * n); y < (unsigned)(w.bottom * n); ++y)
            for (unsigned x = (unsigned)(w.left * n); x < (unsigned)(w.right * n); ++x)
                ink += image.texels[y * n + x] >> 24;
        EXPECT_GT(ink, 255u * 20u);
        EXPECT_EQ(image.texels[0] >> 24, 0u);
    }
}

// Camera shake and the font sparkle draw from the game's generator, never the C library's:
// copies of a network game must stay in step.
TEST(Font, SparkleAndCameraShakeDrawFromTheGameGenerator)
{
    CaptureScope s;
    CFont font;
    LoadFont(font, "AB", MakeMask(64, 10, {11, 21}));
    GameSrand(77);
    std::vector<int> expected;
    for (int i = 0; i < 6; ++i) expected.push_back(GameRand());

    GameSrand(77);
    font.DrawTextSparkle(10.0f, 10.0f, "AB", 0xFFFFFFFF, 40, 1.0f);   // one draw per glyph
    EXPECT_EQ(GameRand(), expected[2]);

    GameSrand(77);
    CCamera cam;
    cam.shake = cam.shakeOffset = Vec3(3.0f, 0.0f, 0.0f);
    cam.UpdateShake(0.01f);   // reached: a new direction from three draws
    EXPECT_EQ(GameRand(), expected[3]);
    Vec3 d = Vec3Normalize(Vec3(float(expected[0] % 1001 - 500), float(expected[1] % 1001 - 500),
                                float(expected[2] % 1001 - 500)));
    EXPECT_NEAR(cam.shake.x, d.x * 3.0f * 0.952381f, 1e-4f);
    EXPECT_NEAR(cam.shake.z, d.z * 3.0f * 0.952381f, 1e-4f);
}
