// The pause screen (CD3DRender::DrawMessageScreen with "ПАУЗА") on the gl device under Xvfb,
// with the built data set's fonts: the marked bar across the middle, the text centred on it
// where the font metrics put it, its black shadow; and with Language 1 the text drawn is the
// language file's "PAUSE". The presented frame is read back through the screenshot switch.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app/settings.h"
#include "files/language.h"
#include "platform/gfx/image.h"
#include "platform/win/test_switches.h"
#include "platform/win/window.h"
#include "render/camera.h"
#include "render/d3d_render.h"
#include "render/draw2d.h"
#include "render/font.h"
#include "world/world.h"

namespace {

struct Box {
    int x0, y0, x1, y1;  // pixels, x1 and y1 excluded
};

struct Stats {
    double r = 0, g = 0, b = 0;
    double bright = 0;  // share of pixels brighter than 160 in every channel
    double bar = 0;     // share of pixels near the bar colour 0x6464c8
};

Stats Measure(const GfxImage& im, Box box)
{
    Stats s;
    unsigned n = 0, bright = 0, bar = 0;
    for (int y = box.y0; y < box.y1; ++y)
        for (int x = box.x0; x < box.x1; ++x) {
            if (x < 0 || y < 0 || unsigned(x) >= im.width || unsigned(y) >= im.height) continue;
            uint32_t c = im.texels[size_t(y) * im.width + x];
            int r = (c >> 16) & 255, g = (c >> 8) & 255, b = c & 255;
            s.r += r, s.g += g, s.b += b, ++n;
            if (r > 160 && g > 160 && b > 160) ++bright;
            if (std::abs(r - 0x64) < 20 && std::abs(g - 0x64) < 20 && std::abs(b - 0xc8) < 20) ++bar;
        }
    if (n) s.r /= n, s.g /= n, s.b /= n, s.bright = double(bright) / n, s.bar = double(bar) / n;
    return s;
}

LRESULT TestProc(WindowHandle w, unsigned m, WPARAM wp, LPARAM lp) { return DefWindowProc(w, m, wp, lp); }

struct PauseShot {
    GfxImage image;
    float textWidth = 0, textHeight = 0;  // virtual units
    float scaleX = 1, scaleY = 1;
};

// Starts the renderer in an 800x600 window, loads the space camera's font and draws the
// pause screen once; the shot is the first presented frame.
bool DrawPause(int language, PauseShot* shot, std::string* err)
{
    const std::string gameDir = KORVANE_GAME_DIR;
    char shots[] = "/tmp/korvane-pauseshots-XXXXXX";
    if (!mkdtemp(shots)) return false;
    setenv("KORVANE_SCREENSHOT", shots, 1);
    setenv("KORVANE_SHOT_FRAMES", "1", 1);
    TestSwitchesReset();  // each picture is this process's frame 1 again
    if (chdir(gameDir.c_str()) != 0) return false;
    g_Settings.useFileManager = 0;
    g_Settings.bmpToJpg = 1;
    g_Settings.videoMode = 0;  // the first mode: 800x600 under the usual Xvfb screen
    g_Settings.language = language;
    LoadLanguageData();

    static bool registered = RegisterClass("KorvanePauseE2E", TestProc);
    if (!registered) return false;
    WindowHandle window = CreateWindow("KorvanePauseE2E", "pause", 0, 0, 800, 600);
    if (!window) return false;
    bool ok = g_D3DRender.InitD3D(1) == 0 && g_D3DRender.CreateDevice(window, 1) == 0;
    if (ok) {
        InitCircleTables();
        g_WorldIndex = 1;
        CCamera& cam = g_World.Camera();
        cam.Init(Vec3(0, 0, 0), Vec3(0, 0, 10), 1.3333f, 2.0f, 5000.0f);
        CFont* font = cam.GetFont();
        ok = font && font->texture >= 0;
        if (ok) {
            shot->textWidth = font->GetTextWidth(1.0f, "ПАУЗА");
            shot->textHeight = font->GetTextHeight(1.0f);
            shot->scaleX = g_ScreenScaleX;
            shot->scaleY = g_ScreenScaleY;
            g_D3DRender.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000u, 1.0f, 0);
            g_D3DRender.DrawMessageScreen(-1.0f, -1.0f, "ПАУЗА", 0xffffffffu, 0xffc0c0ffu);
        } else {
            *err = "the camera font did not load";
        }
        cam.ReleaseTextures();
    } else {
        *err = "the renderer did not start";
    }
    g_D3DRender.FreeD3DRender();
    DestroyWindow(window);
    unsetenv("KORVANE_SCREENSHOT");
    unsetenv("KORVANE_SHOT_FRAMES");
    if (!ok) return false;
    std::ifstream in(std::string(shots) + "/frame_1.png", std::ios::binary);
    std::vector<uint8_t> png((std::istreambuf_iterator<char>(in)), {});
    if (!GfxDecodePng(png.data(), png.size(), &shot->image, err)) return false;
    if (!std::getenv("KORVANE_KEEP_SHOTS")) std::system((std::string("rm -rf '") + shots + "'").c_str());
    else std::printf("screenshot kept in %s\n", shots);
    return true;
}

bool Ready(std::string* why)
{
    if (!std::getenv("DISPLAY")) return *why = "no display (run under xvfb-run)", false;
    if (access((std::string(KORVANE_GAME_DIR) + "/Data/Misc/Fonts/Hermes.18/Main.dat").c_str(), R_OK) != 0)
        return *why = "the data set is not built", false;
    return true;
}

} // namespace

TEST(PauseScreenE2E, PauseShowsTheBarAndTheCentredText)
{
    std::string why;
    if (!Ready(&why)) GTEST_SKIP() << why;
    const GameSettings saved = g_Settings;
    PauseShot shot;
    std::string err;
    ASSERT_TRUE(DrawPause(0, &shot, &err)) << err;
    g_Settings = saved;
    const GfxImage& im = shot.image;
    ASSERT_GT(im.width, 0u);
    auto px = [&](float vx, float vy) { return std::pair<int, int>(int(vx * shot.scaleX), int(vy * shot.scaleY)); };

    // The bar: a flat band 400 wide and 20 high round the middle, in the marked colour,
    // visible left and right of the text.
    const float textLeft = 400.0f - shot.textWidth * 0.5f, textRight = 400.0f + shot.textWidth * 0.5f;
    const float textTop = 300.0f - shot.textHeight * 0.5f, textBottom = textTop + shot.textHeight;
    auto [bx0, by0] = px(215, 296);
    auto [bx1, by1] = px(textLeft - 10, 304);
    EXPECT_GT(Measure(im, {bx0, by0, bx1, by1}).bar, 0.8) << "left end of the bar";
    auto [cx0, cy0] = px(textRight + 10, 296);
    auto [cx1, cy1] = px(585, 304);
    EXPECT_GT(Measure(im, {cx0, cy0, cx1, cy1}).bar, 0.8) << "right end of the bar";
    // Past the ends of the bar, and well above and below it, the screen stays black.
    auto [ox0, oy0] = px(100, 280);
    auto [ox1, oy1] = px(180, 320);
    EXPECT_LT(Measure(im, {ox0, oy0, ox1, oy1}).r + Measure(im, {ox0, oy0, ox1, oy1}).b, 3.0);
    auto [ux0, uy0] = px(300, 200);
    auto [ux1, uy1] = px(500, textTop - 8);
    EXPECT_LT(Measure(im, {ux0, uy0, ux1, uy1}).b, 3.0) << "nothing above the text";

    // The text: bright glyph pixels inside the box the metrics give, none left or right of it.
    auto [tx0, ty0] = px(textLeft, textTop);
    auto [tx1, ty1] = px(textRight, textBottom);
    const Stats text = Measure(im, {tx0, ty0, tx1, ty1});
    std::printf("text box %d,%d..%d,%d bright %.3f\n", tx0, ty0, tx1, ty1, text.bright);
    EXPECT_GT(text.bright, 0.08) << "the white text inside its metric box";
    auto [lx0, ly0] = px(textLeft - 30, textTop);
    auto [lx1, ly1] = px(textLeft - 4, textBottom);
    EXPECT_LT(Measure(im, {lx0, ly0, lx1, ly1}).bright, 0.01) << "no text left of the box";
    auto [rx0, ry0] = px(textRight + 4, textTop);
    auto [rx1, ry1] = px(textRight + 30, textBottom);
    EXPECT_LT(Measure(im, {rx0, ry0, rx1, ry1}).bright, 0.01) << "no text right of the box";
    // The text is centred: its bright pixels balance round x 400 within a few pixels.
    double sum = 0, count = 0;
    for (int y = ty0; y < ty1; ++y)
        for (int x = tx0 - 10; x < tx1 + 10; ++x) {
            uint32_t c = im.texels[size_t(y) * im.width + x];
            if (((c >> 16) & 255) > 160 && ((c >> 8) & 255) > 160 && (c & 255) > 160) sum += x, ++count;
        }
    ASSERT_GT(count, 0);
    EXPECT_NEAR(sum / count / shot.scaleX, 400.0, 12.0);
}

TEST(PauseScreenE2E, EnglishDrawsThePauseTextOfTheLanguageFile)
{
    std::string why;
    if (!Ready(&why)) GTEST_SKIP() << why;
    const GameSettings saved = g_Settings;
    PauseShot ru, en;
    std::string err;
    ASSERT_TRUE(DrawPause(0, &ru, &err)) << err;
    ASSERT_TRUE(DrawPause(1, &en, &err)) << err;
    g_Settings = saved;
    ASSERT_EQ(ru.image.width, en.image.width);
    // "PAUSE" is measured and drawn in place of the Russian word: the metric boxes differ,
    // and each drawing fills its own box.
    EXPECT_NE(int(ru.textWidth), int(en.textWidth));
    auto boxOf = [](const PauseShot& s) {
        const float left = 400.0f - s.textWidth * 0.5f, top = 300.0f - s.textHeight * 0.5f;
        return Box{int(left * s.scaleX), int(top * s.scaleY), int((left + s.textWidth) * s.scaleX),
                   int((top + s.textHeight) * s.scaleY)};
    };
    EXPECT_GT(Measure(en.image, boxOf(en)).bright, 0.08);
    // The two pictures differ inside the text box: another word was drawn.
    const Box b = boxOf(ru.textWidth > en.textWidth ? ru : en);
    unsigned differing = 0, n = 0;
    for (int y = b.y0; y < b.y1; ++y)
        for (int x = b.x0; x < b.x1; ++x, ++n) {
            uint32_t p = ru.image.texels[size_t(y) * ru.image.width + x];
            uint32_t q = en.image.texels[size_t(y) * en.image.width + x];
            if (((p ^ q) & 0xFFFFFF) != 0) ++differing;
        }
    EXPECT_GT(double(differing) / n, 0.05);
}
