// Bitmap fonts: a glyph texture, the characters in glyph order and a mask that
// gives the glyph rectangles. Text is translated before it is measured or drawn.
#pragma once
#include <cstddef>
#include <cstdint>

#include "render/draw2d.h"

struct FontGlyph {
    float left, top, right, bottom;   // texture coordinates
    float width, height;              // pixels
    float character;
};

class CFont {
public:
    static constexpr int kMaxChars = 255;
    // One quad is kept free; a longer text is cut to this many characters.
    static constexpr int kMaxDrawnChars = 254;

    char name[255];
    int count;
    unsigned char chars[kMaxChars];
    FontGlyph glyphs[kMaxChars];
    int texture;
    float lineHeight;   // H
    float spacing;
    ScreenVertex vertices[kMaxChars * 4];
    uint16_t indices[kMaxChars * 6];

    CFont();

    // Loads <folder>/Main.dat, Main.dds and Mask.dat. 0 on success, -1 when the font
    // stays empty (the message box has been shown).
    int Load(const char* folder);

    // The two files' contents, without the texture. 0 on success; -1 leaves the font empty.
    // Both are what Load uses; they take the file bytes as they are.
    int SetCharacters(const unsigned char* data, size_t size);
    int ParseMask(const unsigned char* mask, size_t size);

    float DrawText(float x, float y, const char* text, unsigned topColour, unsigned bottomColour, float scale);
    void DrawTextUniform(float x, float y, const char* text, unsigned colour, float scale);
    void DrawTextSparkle(float x, float y, const char* text, unsigned colour, int randomSpread, float scale);

    float GetTextWidth(float scale, const char* text) const;
    float GetTextHeight(float scale) const;
    // Index into the translated text; the text's length when x lies past its end.
    int CharIndexAtX(float x, float scale, const char* text) const;
    int FindChar(unsigned char character) const;
    void ComputeSpacing();
    void ReleaseTexture();

private:
    void Clear();
    void FillIndices();
};
