// The pause screen under Xvfb: the Pause key shows "ПАУЗА" over the marked bar, and with
// Language 1 the text is drawn in English. Screenshots are compared by region.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#if __has_include("e2e/harness.h")
#include "e2e/harness.h"
#define KORVANE_HAVE_E2E_HARNESS 1
#endif

namespace {

// The bar is DrawScreenDiscMarked at (400, 300), radius 200, stretch 1 x 0.05: at 800x600
// the band spans x 200..600, y 290..310 in colour 0x6464c8. The text sits centred on it.
constexpr int kBarColour = 0x6464c8;

} // namespace

TEST(PauseScreenE2E, PauseKeyShowsTheBarAndTheText)
{
#ifndef KORVANE_HAVE_E2E_HARNESS
    GTEST_SKIP() << "needs the e2e harness (tests/e2e/harness.h: run directory, Xvfb, KORVANE_INPUT "
                    "replay, KORVANE_SCREENSHOT / KORVANE_SHOT_FRAMES) and the renderer's "
                    "DrawMessageScreen; neither is in the tree yet";
#else
    (void)kBarColour;
    GTEST_SKIP() << "harness present but this test is not wired to its API yet";
#endif
}

TEST(PauseScreenE2E, EnglishTextIsDrawn)
{
#ifndef KORVANE_HAVE_E2E_HARNESS
    GTEST_SKIP() << "needs the e2e harness and a Game.ini with Language 1; see PauseKeyShowsTheBarAndTheText";
#else
    GTEST_SKIP() << "harness present but this test is not wired to its API yet";
#endif
}
