#include "flight_ui/subtitles.h"

#include <algorithm>
#include <cstring>

#include "app/settings.h"
#include "app/winmain.h"
#include "locations/location_director.h"
#include "render/draw2d.h"
#include "world/game_clock.h"

CFont CSubtitles::font;
int CSubtitles::shown = 0;
int CSubtitles::centred = 1;
char CSubtitles::lines[kMaxLines][kLineSize];
int CSubtitles::lineCount = 0;
int CSubtitles::letterAlpha[kMaxLines][kLineSize];
uint32_t CSubtitles::letterStart[kMaxLines][kLineSize];
uint32_t CSubtitles::topColour = 0;
uint32_t CSubtitles::bottomColour = 0;
uint32_t CSubtitles::start = 0;
float CSubtitles::delay = 0.0f;
uint32_t CSubtitles::end = 0;
float CSubtitles::hold = 0.0f;
uint32_t CSubtitles::scrollStart = 0;
float CSubtitles::scrollOffset = 0.0f;
float CSubtitles::fade = 1.0f;

namespace {

uint32_t Now()
{
    return g_GameClock.NowMs();
}

uint32_t WithAlpha(uint32_t rgb, int alpha)
{
    alpha = std::clamp(alpha, 0, 255);
    return (uint32_t(alpha) << 24) | (rgb & 0x00FFFFFFu);
}

void AddLine(const char* text, size_t length)
{
    if (CSubtitles::lineCount >= CSubtitles::kMaxLines)
        return;
    length = std::min(length, size_t(CSubtitles::kLineSize - 1));
    char* line = CSubtitles::lines[CSubtitles::lineCount++];
    std::memcpy(line, text, length);
    line[length] = 0;
}

// The dark band behind the caption in a network game.
void DrawBand(int alpha)
{
    alpha = std::clamp(alpha, 0, 255);
    const uint32_t top = uint32_t(alpha) << 24;
    DrawScreenQuad(top, top, 0.0f, 0.0f, 800.0f, 30.0f, top, top, nullptr);
    DrawScreenQuad(top, 0u, 0.0f, 30.0f, 800.0f, 100.0f, top, 0u, nullptr);
}

} // namespace

void CSubtitles::Show(const char* text, uint32_t top, uint32_t bottom, float delaySeconds, float holdSeconds)
{
    topColour = top;
    bottomColour = bottom;
    delay = delaySeconds;
    hold = holdSeconds;
    shown = 1;
    centred = 1;
    scrollStart = 0;
    scrollOffset = 0.0f;
    fade = 1.0f;
    lineCount = 0;
    end = 0;

    const char* rest = text ? text : "";
    while (*rest && lineCount < kMaxLines) {
        const size_t length = std::strlen(rest);
        if (length < size_t(kLineSize) && font.GetTextWidth(1.0f, rest) <= kWrapWidth) {
            AddLine(rest, length);
            rest += length;
            break;
        }
        // The font measures at most 254 characters, so a long run of narrow letters is
        // cut there as well.
        int at = std::min(font.CharIndexAtX(kWrapWidth, 1.0f, rest), kLineSize - 1);
        at = std::min<int>(at, int(length));
        int blank = at;
        while (blank >= 0 && rest[blank] != ' ')
            --blank;
        if (blank >= 0) {
            AddLine(rest, size_t(blank));
            rest += blank + 1;
        } else {
            // No blank to break at: cut inside the word, at least one letter per line.
            at = std::max(at, 1);
            AddLine(rest, size_t(at));
            rest += at;
        }
    }
    if (*rest)
        DebugOutF("Subtitles: the text is longer than %d lines, the rest is not shown", kMaxLines);

    start = Now();
    std::memset(letterAlpha, 0, sizeof(letterAlpha));
    std::memset(letterStart, 0, sizeof(letterStart));
    letterStart[0][0] = start;
}

void CSubtitles::Clear()
{
    shown = 0;
    lineCount = 0;
    delay = 0.0f;
}

void CSubtitles::LoadFont()
{
    font.ReleaseTexture();
    font.Load("Data/Misc/Fonts/Bengaly.25");
}

void CSubtitles::Draw()
{
    if (!g_AppActive || !shown || lineCount <= 0)
        return;
    const uint32_t now = Now();
    const bool network = g_GameMode == 2;
    if (delay > 0.0f) {
        const float elapsed = float(now - start) * 0.001f;
        if (elapsed < delay) {
            if (network)
                DrawBand(int(elapsed * 255.0f / delay));
            return;
        }
        letterStart[0][0] = now;
        delay = 0.0f;
    }
    if (network)
        DrawBand(int(fade * 255.0f));

    const float lineStep = font.lineHeight - 2.0f;
    if (lineCount > 3 && letterStart[2][0] != 0) {
        if (scrollStart == 0)
            scrollStart = now;
        const float elapsed = float(now - scrollStart) * 0.001f;
        if (elapsed >= 3.0f) {
            std::memmove(lines[0], lines[1], sizeof(lines[0]) * size_t(lineCount - 1));
            std::memmove(letterAlpha[0], letterAlpha[1], sizeof(letterAlpha[0]) * size_t(lineCount - 1));
            std::memmove(letterStart[0], letterStart[1], sizeof(letterStart[0]) * size_t(lineCount - 1));
            --lineCount;
            scrollStart = 0;
            scrollOffset = 0.0f;
        } else {
            scrollOffset = lineStep / 3.0f * elapsed;
        }
    } else {
        scrollStart = 0;
    }

    bool allDrawn = true;
    for (int i = 0; i < lineCount; ++i) {
        if (i > 0 && letterStart[i][0] == 0) {
            allDrawn = false;
            break;
        }
        const int length = int(std::strlen(lines[i]));
        if (length == 0 && i + 1 < lineCount && letterStart[i + 1][0] == 0)
            letterStart[i + 1][0] = letterStart[i][0];
        for (int k = 0; k < length; ++k) {
            if (letterStart[i][k] == 0 || letterAlpha[i][k] >= 255)
                continue;
            const uint32_t since = now - letterStart[i][k];
            if (since > 60) {
                uint32_t* next = nullptr;
                if (k + 1 < length)
                    next = &letterStart[i][k + 1];
                else if (i + 1 < lineCount)
                    next = &letterStart[i + 1][0];
                if (next && *next == 0)
                    *next = now - (since - 60);
            }
            letterAlpha[i][k] = std::min(255, int(float(since) * 0.001f * 255.0f));
        }

        // The fully visible letters go as one text, the appearing ones one by one.
        int visible = 0;
        while (visible < length && letterAlpha[i][visible] >= 255)
            ++visible;
        const float y = 10.0f - scrollOffset + float(i) * lineStep;
        float x = centred ? 400.0f - font.GetTextWidth(1.0f, lines[i]) * 0.5f : 20.0f;
        if (visible > 0) {
            char part[kLineSize];
            std::memcpy(part, lines[i], size_t(visible));
            part[visible] = 0;
            int topAlpha = int(fade * 255.0f);
            int bottomAlpha = topAlpha;
            if (i == 0 && scrollStart != 0) {
                topAlpha = scrollOffset > 10.0f ? 0 : 255 - int(scrollOffset * 25.5f);
                bottomAlpha = 255 - int(scrollOffset * 10.2f);
            }
            x = font.DrawText(x, y, part, WithAlpha(topColour, topAlpha), WithAlpha(bottomColour, bottomAlpha), 1.0f);
        }
        for (int k = visible; k < length && letterAlpha[i][k] > 0; ++k) {
            const char letter[2] = {lines[i][k], 0};
            x = font.DrawText(x, y, letter, WithAlpha(topColour, letterAlpha[i][k]),
                              WithAlpha(bottomColour, letterAlpha[i][k]), 1.0f);
        }
    }

    const int last = lineCount - 1;
    const int lastLength = int(std::strlen(lines[last]));
    const bool lastVisible = lastLength == 0 ? letterStart[last][0] != 0 : letterAlpha[last][lastLength - 1] >= 255;
    if (end == 0 && allDrawn && lastVisible)
        end = now;
    if (end != 0) {
        const float elapsed = float(now - end) * 0.001f;
        if (elapsed >= hold)
            shown = 0;
        else if (elapsed >= hold - 2.0f)
            fade = 1.0f - (elapsed - (hold - 2.0f)) * 0.5f;
        else
            fade = 1.0f;
    }
}
