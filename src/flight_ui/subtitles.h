// The captions at the top of the screen: one text at a time, word-wrapped, revealed
// letter by letter, scrolled past three lines, held and faded out.
#pragma once
#include <cstdint>

#include "render/font.h"

class CSubtitles {
public:
    static constexpr int kMaxLines = 32;
    static constexpr int kLineSize = 255;   // 254 characters and the terminator
    static constexpr float kWrapWidth = 760.0f;

    static CFont font;
    static int shown;
    static int centred;
    static char lines[kMaxLines][kLineSize];
    static int lineCount;
    static int letterAlpha[kMaxLines][kLineSize];
    static uint32_t letterStart[kMaxLines][kLineSize];   // game ms, 0 = not begun
    static uint32_t topColour;
    static uint32_t bottomColour;
    static uint32_t start;
    static float delay;          // 0 once it has passed
    static uint32_t end;         // when the last letter became fully visible, 0 before
    static float hold;
    static uint32_t scrollStart;
    static float scrollOffset;
    static float fade;

    // Replaces the caption; the first letter shows `delay` seconds from now and the
    // whole text stays `hold` seconds after it is fully visible.
    static void Show(const char* text, uint32_t top, uint32_t bottom, float delay, float hold);
    static void Draw();
    static void Clear();
    static void LoadFont();
};
