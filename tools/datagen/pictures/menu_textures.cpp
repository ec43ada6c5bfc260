// The game menu's pictures: the main-menu and pilot-page atlases in both languages
// (captions drawn with the game's own bitmap fonts), the menu background, the maker's
// logo, the loading pictures and the start-logo picture.
//
// Main atlas (512 x 512, "Data/Misc/GameMenu/Main/MainLayer_<lang>.dds"):
//   the L-shaped main layer, drawn to the screen from (20, 40) to (520, 540): the top band
//   v 0 .. 0.235 across the whole width and the left column u 0 .. 0.5 below it;
//   in the free lower right: ring cells 64 x 64 (idle and hover of the eight main buttons),
//   the two pilot icons 32 x 32 at (448, 187) and (480, 187) and the list header strip
//   256 x 37 at (256, 219).
// Pilot atlas (512 x 512, "Data/Misc/GameMenu/Player/MainLayer_<lang>.dds"):
//   the pilot panel 512 x 386 at (0, 0), drawn from (20, 40) to (520, 430), and the name
//   field 192 x 34 at (0, 386).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../datagen.h"
#include "image_writer.h"
#include "files/file_manager.h"
#include "render/font.h"

namespace {

constexpr float kPi = 3.14159265f;

struct Rgba {
    float r, g, b, a;   // 0..1, straight alpha
};

Rgba Col(int r, int g, int b, int a = 255)
{
    return {r / 255.0f, g / 255.0f, b / 255.0f, a / 255.0f};
}

class Canvas {
public:
    Canvas(int w, int h, Rgba fill) : w_(w), h_(h), px_(size_t(w) * h, fill) {}
    int Width() const { return w_; }
    int Height() const { return h_; }

    // Source over destination, with the coverage `k` (0..1) of the pixel.
    void Blend(int x, int y, Rgba c, float k = 1.0f)
    {
        if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
        const float a = std::clamp(c.a * k, 0.0f, 1.0f);
        if (a <= 0.0f) return;
        Rgba& d = px_[size_t(y) * w_ + x];
        const float out = a + d.a * (1.0f - a);
        auto mix = [&](float s, float t) { return out > 0 ? (s * a + t * d.a * (1.0f - a)) / out : 0.0f; };
        d = {mix(c.r, d.r), mix(c.g, d.g), mix(c.b, d.b), out};
    }
    void Set(int x, int y, Rgba c)
    {
        if (x >= 0 && y >= 0 && x < w_ && y < h_) px_[size_t(y) * w_ + x] = c;
    }
    // Vertical gradient over a rectangle (pixels x1 <= x < x2).
    void Rect(float x1, float y1, float x2, float y2, Rgba top, Rgba bottom)
    {
        for (int y = int(std::floor(y1)); y < int(std::ceil(y2)); ++y) {
            const float t = y2 - y1 > 1 ? (float(y) + 0.5f - y1) / (y2 - y1) : 0.0f;
            const Rgba c = Lerp(top, bottom, std::clamp(t, 0.0f, 1.0f));
            for (int x = int(std::floor(x1)); x < int(std::ceil(x2)); ++x) Blend(x, y, c);
        }
    }
    // A one-pixel outline.
    void Frame(float x1, float y1, float x2, float y2, Rgba c)
    {
        Rect(x1, y1, x2, y1 + 1, c, c);
        Rect(x1, y2 - 1, x2, y2, c, c);
        Rect(x1, y1, x1 + 1, y2, c, c);
        Rect(x2 - 1, y1, x2, y2, c, c);
    }
    // A soft disc: full colour at the centre fading to nothing at the radius.
    void Glow(float cx, float cy, float rx, float ry, Rgba c)
    {
        for (int y = int(cy - ry) - 1; y <= int(cy + ry) + 1; ++y)
            for (int x = int(cx - rx) - 1; x <= int(cx + rx) + 1; ++x) {
                const float dx = (float(x) + 0.5f - cx) / rx, dy = (float(y) + 0.5f - cy) / ry;
                const float d = std::sqrt(dx * dx + dy * dy);
                if (d < 1.0f) Blend(x, y, c, (1.0f - d) * (1.0f - d));
            }
    }
    // An anti-aliased ring from rIn to rOut cut into `segments` arcs with gaps between them.
    void Ring(float cx, float cy, float rIn, float rOut, int segments, float gap, float phase, Rgba c)
    {
        for (int y = int(cy - rOut) - 2; y <= int(cy + rOut) + 2; ++y)
            for (int x = int(cx - rOut) - 2; x <= int(cx + rOut) + 2; ++x) {
                const float dx = float(x) + 0.5f - cx, dy = float(y) + 0.5f - cy;
                const float d = std::sqrt(dx * dx + dy * dy);
                float k = std::clamp(std::min(d - rIn, rOut - d) + 0.5f, 0.0f, 1.0f);
                if (k <= 0.0f) continue;
                if (segments > 0) {
                    float a = std::atan2(dy, dx) + phase;
                    a = a - 2.0f * kPi * std::floor(a / (2.0f * kPi));
                    const float part = a / (2.0f * kPi) * float(segments);
                    const float f = part - std::floor(part);
                    const float edge = std::min(f, 1.0f - f) * 2.0f * kPi * d / float(segments);
                    k *= std::clamp(edge - gap * 0.5f, 0.0f, 1.0f);
                }
                Blend(x, y, c, k);
            }
    }
    std::vector<uint8_t> Dds() const
    {
        std::vector<uint8_t> dds = datagen::DdsArgbHeader(w_, h_);
        for (const Rgba& c : px_)
            dds.insert(dds.end(), {datagen::UnitByte(c.b), datagen::UnitByte(c.g), datagen::UnitByte(c.r),
                                   datagen::UnitByte(c.a)});
        return dds;
    }
    // Opaque RGB over black.
    std::vector<uint8_t> Rgb() const
    {
        std::vector<uint8_t> rgb;
        rgb.reserve(px_.size() * 3);
        for (const Rgba& c : px_)
            for (float v : {c.r, c.g, c.b}) rgb.push_back(datagen::UnitByte(v * c.a));
        return rgb;
    }
    static Rgba Lerp(Rgba a, Rgba b, float t)
    {
        return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
    }

private:
    int w_, h_;
    std::vector<Rgba> px_;
};

// One of the game's bitmap fonts, read back from the data set the fonts generator wrote.
class SheetFont {
public:
    bool Load(const datagen::DataSet& set, const std::string& folder, float spacingFactor)
    {
        const std::vector<uint8_t>* chars = set.Get(folder + "/Main.dat");
        const std::vector<uint8_t>* mask = set.Get(folder + "/Mask.dat");
        const std::vector<uint8_t>* dds = set.Get(folder + "/Main.dds");
        if (!chars || !mask || !dds) return false;
        font_.SetCharacters(chars->data(), chars->size());
        if (font_.ParseMask(mask->data(), mask->size()) != 0) return false;
        font_.spacing *= spacingFactor;
        n_ = int(std::lround(std::sqrt(double(mask->size()))));
        const size_t texels = size_t(n_) * n_;
        if (dds->size() < texels * 4) return false;
        const size_t header = dds->size() - texels * 4;
        alpha_.resize(texels);
        for (size_t i = 0; i < texels; ++i) alpha_[i] = (*dds)[header + i * 4 + 3];
        return true;
    }
    float Height(float scale) const { return font_.lineHeight * scale; }
    float Width(const char* text, float scale) const
    {
        float w = 0.0f;
        for (const char* p = text; *p; ++p) {
            const int gi = font_.FindChar((unsigned char)*p);
            if (gi >= 0) w += (font_.glyphs[gi].width + font_.spacing) * scale;
        }
        return w;
    }
    // The game's own placement: each glyph's cell stretched over width x height at the scale.
    void Draw(Canvas& c, float x, float y, const char* text, float scale, Rgba colour) const
    {
        float pen = x;
        for (const char* p = text; *p; ++p) {
            const int gi = font_.FindChar((unsigned char)*p);
            if (gi < 0) continue;
            const FontGlyph& g = font_.glyphs[gi];
            const float gw = g.width * scale, gh = g.height * scale;
            const float u0 = g.left * n_, v0 = g.top * n_, u1 = g.right * n_, v1 = g.bottom * n_;
            for (int py = int(std::floor(y)); py < int(std::ceil(y + gh)); ++py)
                for (int px = int(std::floor(pen)); px < int(std::ceil(pen + gw)); ++px) {
                    const float fu = u0 + (float(px) + 0.5f - pen) / gw * (u1 - u0) - 0.5f;
                    const float fv = v0 + (float(py) + 0.5f - y) / gh * (v1 - v0) - 0.5f;
                    c.Blend(px, py, colour, Sample(fu, fv) / 255.0f);
                }
            pen += (g.width + font_.spacing) * scale;
        }
    }
    void DrawCentred(Canvas& c, float x, float y, const char* text, float scale, Rgba colour) const
    {
        Draw(c, x - Width(text, scale) * 0.5f, y, text, scale, colour);
    }
    // A soft shadow and glow behind the text, then the text.
    void DrawGlowing(Canvas& c, float x, float y, const char* text, float scale, Rgba colour, Rgba glow) const
    {
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (dx || dy) Draw(c, x + float(dx), y + float(dy), text, scale, {glow.r, glow.g, glow.b, glow.a / 8.0f});
        Draw(c, x, y, text, scale, colour);
    }

private:
    float Sample(float u, float v) const
    {
        const int x0 = int(std::floor(u)), y0 = int(std::floor(v));
        const float fx = u - float(x0), fy = v - float(y0);
        auto at = [&](int x, int y) {
            x = std::clamp(x, 0, n_ - 1), y = std::clamp(y, 0, n_ - 1);
            return float(alpha_[size_t(y) * n_ + x]);
        };
        return (at(x0, y0) * (1 - fx) + at(x0 + 1, y0) * fx) * (1 - fy) +
               (at(x0, y0 + 1) * (1 - fx) + at(x0 + 1, y0 + 1) * fx) * fy;
    }
    CFont font_;
    int n_ = 0;
    std::vector<uint8_t> alpha_;
};

struct Fonts {
    SheetFont menu;    // Bauhaus.20 with the menu's tight spacing
    SheetFont small;   // Hermes.18
    SheetFont title;   // Bengaly.25
};

struct Texts {
    const char* title;
    const char* mainMenu;
    const char* pilots;
    const char* pilotsHint;
    const char* loading;
    const char* loadingHint;
};

const Texts kTexts[2] = {
    {"КОРВЕЙН", "Главное меню", "Выбор пилота", "Выберите пилота или создайте нового", "Корвейн",
     "Сектора ждут своих пилотов"},
    {"KORVANE", "Main menu", "Choose a pilot", "Choose a pilot or create a new one", "Korvane",
     "The sectors await their pilots"},
};

// Scattered stars over a dark nebula: the menu background and the loading picture share it.
void Starfield(Canvas& c, uint32_t seed, Rgba deep, Rgba cloud)
{
    const int w = c.Width(), h = c.Height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float n = datagen::WrappedValueNoise(float(x) / w * 6.0f, float(y) / h * 6.0f, 6, seed) * 0.6f +
                            datagen::WrappedValueNoise(float(x) / w * 16.0f, float(y) / h * 16.0f, 16, seed + 7) * 0.4f;
            const float k = std::clamp((n - 0.45f) * 2.2f, 0.0f, 1.0f);
            c.Set(x, y, Canvas::Lerp(deep, cloud, k * k));
        }
    for (int i = 0; i < w * h / 900; ++i) {
        const float sx = datagen::LatticeNoise(i, 1, seed) * float(w), sy = datagen::LatticeNoise(i, 2, seed) * float(h);
        const float b = 0.4f + 0.6f * datagen::LatticeNoise(i, 3, seed);
        const float r = 0.7f + 1.3f * datagen::LatticeNoise(i, 4, seed) * datagen::LatticeNoise(i, 5, seed);
        c.Glow(sx, sy, r + 0.6f, r + 0.6f, {0.85f, 0.85f, 1.0f, b});
    }
}

// Screen (800 x 600) to main-atlas pixels: the layer spans (20, 40) - (520, 540).
float MainU(float x) { return (x - 20.0f) * 512.0f / 500.0f; }
float MainV(float y) { return (y - 40.0f) * 512.0f / 500.0f; }

void RingCell(Canvas& c, int u, int v, int segments, bool hover)
{
    const float cx = float(u) + 32.0f, cy = float(v) + 32.0f;
    if (hover) {
        c.Glow(cx, cy, 31.0f, 31.0f, Col(60, 150, 255, 110));
        c.Ring(cx, cy, 23.0f, 29.0f, segments, 3.0f, 0.3f, Col(150, 220, 255));
        c.Ring(cx, cy, 16.0f, 18.5f, segments * 2, 2.0f, 0.0f, Col(90, 170, 255, 220));
        c.Glow(cx, cy, 9.0f, 9.0f, Col(200, 240, 255, 230));
    } else {
        c.Ring(cx, cy, 23.0f, 28.0f, segments, 3.0f, 0.3f, Col(120, 80, 220, 230));
        c.Ring(cx, cy, 16.0f, 18.0f, segments * 2, 2.0f, 0.0f, Col(80, 60, 180, 160));
        c.Glow(cx, cy, 6.0f, 6.0f, Col(150, 120, 255, 170));
    }
}

struct RingSpec {
    int idleU, idleV, hoverU, hoverV, segments;
    float screenX, screenY, half;
};

const RingSpec kRings[8] = {
    {448, 320, 448, 448, 3, 87, 197, 54},  {320, 256, 320, 384, 4, 152, 172, 44},
    {256, 256, 256, 384, 5, 159, 245, 64}, {384, 256, 384, 384, 6, 167, 322, 54},
    {448, 256, 448, 384, 3, 182, 392, 54}, {320, 155, 384, 155, 4, 90, 290, 50},
    {384, 320, 384, 448, 5, 105, 375, 50}, {320, 320, 320, 448, 6, 212, 457, 44},
};

std::vector<uint8_t> MainAtlas(const Fonts& f, const Texts& t)
{
    Canvas c(512, 512, {0, 0, 0, 0});
    // The top band: a translucent violet plate with the title and the page name.
    c.Rect(0, 0, 512, 121, Col(40, 10, 80, 215), Col(25, 5, 55, 170));
    c.Rect(0, 0, 512, 2, Col(160, 110, 255, 230), Col(160, 110, 255, 230));
    c.Rect(262, 118, 512, 121, Col(150, 100, 250, 200), Col(150, 100, 250, 60));
    f.title.DrawGlowing(c, 210.0f, 30.0f, t.title, 1.9f, Col(220, 200, 255), Col(120, 60, 255, 255));
    f.menu.DrawGlowing(c, 262.0f, 84.0f, t.mainMenu, 1.0f, Col(150, 150, 250), Col(80, 40, 200, 255));
    // The left column behind the rings: the same plate fading downwards, with a spine.
    c.Rect(0, 121, 256, 512, Col(25, 5, 55, 170), Col(15, 0, 40, 60));
    c.Rect(MainU(64), 121, MainU(66), 512, Col(120, 80, 240, 160), Col(120, 80, 240, 0));
    for (const RingSpec& r : kRings)
        c.Glow(MainU(r.screenX), MainV(r.screenY), r.half * 0.9f, r.half * 0.9f, Col(70, 30, 160, 120));
    // The free corner: ring cells, the pilot icons and the list header strip.
    for (int y = 121; y < 512; ++y)
        for (int x = 256; x < 512; ++x) c.Set(x, y, {0, 0, 0, 0});
    for (const RingSpec& r : kRings) {
        RingCell(c, r.idleU, r.idleV, r.segments, false);
        RingCell(c, r.hoverU, r.hoverV, r.segments, true);
    }
    c.Ring(464.0f, 203.0f, 9.0f, 12.0f, 0, 0.0f, 0.0f, Col(150, 80, 200));
    c.Ring(496.0f, 203.0f, 9.0f, 12.0f, 0, 0.0f, 0.0f, Col(250, 200, 250));
    c.Glow(496.0f, 203.0f, 8.0f, 8.0f, Col(255, 230, 255));
    for (int x = 256; x < 512; ++x) {
        const float k = 1.0f - float(x - 256) / 256.0f;
        c.Rect(float(x), 220.0f, float(x + 1), 255.0f, Col(60, 50, 200, int(200 * k)), Col(20, 10, 90, int(120 * k)));
    }
    c.Rect(256, 253, 512, 255, Col(120, 120, 250, 200), Col(120, 120, 250, 200));
    return c.Dds();
}

std::vector<uint8_t> PilotAtlas(const Fonts& f, const Texts& t)
{
    Canvas c(512, 512, {0, 0, 0, 0});
    // Screen (20, 40) - (520, 430) to the panel's 512 x 386 cell.
    auto u = [](float x) { return (x - 20.0f) * 512.0f / 500.0f; };
    auto v = [](float y) { return (y - 40.0f) * 386.0f / 390.0f; };
    c.Rect(0, 0, 512, 386, Col(40, 10, 80, 210), Col(20, 5, 50, 190));
    c.Frame(0, 0, 512, 386, Col(160, 110, 255, 230));
    c.Frame(3, 3, 509, 383, Col(100, 60, 200, 150));
    f.title.DrawGlowing(c, u(60.0f), v(60.0f), t.title, 1.3f, Col(220, 200, 255), Col(120, 60, 255, 255));
    f.menu.DrawGlowing(c, u(60.0f), v(110.0f), t.pilots, 1.0f, Col(200, 200, 250), Col(80, 40, 200, 255));
    f.small.Draw(c, u(60.0f), v(135.0f), t.pilotsHint, 0.8f, Col(130, 120, 220));
    // The list box behind the ten pilot lines (145, 185 + 21 i).
    c.Rect(u(128.0f), v(178.0f), u(300.0f), v(400.0f), Col(0, 0, 0, 150), Col(10, 0, 40, 110));
    c.Frame(u(128.0f), v(178.0f), u(300.0f), v(400.0f), Col(90, 70, 200, 200));
    for (int i = 1; i < 10; ++i) {
        const float y = v(183.0f + 21.0f * float(i));
        c.Rect(u(132.0f), y, u(296.0f), y + 1.0f, Col(80, 60, 180, 90), Col(80, 60, 180, 90));
    }
    // The name field.
    c.Rect(0, 386, 192, 420, Col(10, 0, 40, 220), Col(30, 10, 80, 220));
    c.Frame(0, 386, 192, 420, Col(200, 200, 100, 230));
    return c.Dds();
}

std::vector<uint8_t> Background()
{
    Canvas c(512, 512, {0, 0, 0, 1});
    Starfield(c, 0x5EED0001u, Col(4, 2, 14), Col(50, 20, 90));
    return c.Dds();
}

std::vector<uint8_t> MakerLogo(const Fonts& f)
{
    Canvas c(256, 256, {0, 0, 0, 0});
    c.Glow(128, 110, 110, 110, Col(60, 120, 255, 120));
    c.Ring(128, 110, 70, 80, 0, 0, 0, Col(170, 210, 255));
    c.Ring(128, 110, 50, 56, 3, 10.0f, 0.5f, Col(120, 170, 255));
    c.Rect(88, 70, 168, 84, Col(200, 230, 255), Col(170, 210, 255));
    c.Rect(121, 84, 135, 150, Col(170, 210, 255), Col(120, 170, 255));
    f.title.DrawCentred(c, 128.0f, 200.0f, "TESSARIN", 1.3f, Col(200, 225, 255));
    return c.Dds();
}

std::vector<uint8_t> LoadingPicture(const Fonts& f, const Texts& t)
{
    Canvas c(512, 512, {0, 0, 0, 1});
    Starfield(c, 0x5EED0002u, Col(2, 2, 10), Col(30, 30, 90));
    // A planet's rim rising from the bottom left, lit from the right.
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x) {
            const float dx = float(x) - 120.0f, dy = float(y) - 760.0f;
            const float d = std::sqrt(dx * dx + dy * dy);
            if (d < 470.0f) {
                const float light = std::clamp((dx * 0.6f - dy * 0.8f) / 470.0f, 0.0f, 1.0f);
                c.Set(x, y, Col(int(15 + 40 * light), int(18 + 60 * light), int(45 + 90 * light)));
            } else if (d < 490.0f) {
                c.Blend(x, y, Col(90, 160, 255), (490.0f - d) / 20.0f * 0.8f);
            }
        }
    // Screen (800 x 600) to the picture's pixels.
    const float sx = 512.0f / 800.0f, sy = 512.0f / 600.0f;
    f.title.DrawGlowing(c, 60.0f * sx, 60.0f * sy, t.loading, 2.2f * sx * 1.2f, Col(220, 200, 255),
                        Col(120, 60, 255, 255));
    f.small.Draw(c, 64.0f * sx, 130.0f * sy, t.loadingHint, 1.0f * sx * 1.2f, Col(150, 140, 230));
    // The bar the loading glow runs along (630, 555), 170 units either side.
    c.Rect(460.0f * sx, 553.0f * sy, 800.0f * sx, 557.0f * sy, Col(20, 40, 90, 200), Col(20, 40, 90, 200));
    return c.Rgb();
}

std::vector<uint8_t> StartPicture(const Fonts& f)
{
    Canvas c(1024, 768, {0, 0, 0, 1});
    Starfield(c, 0x5EED0003u, Col(2, 2, 10), Col(60, 25, 100));
    // A ringed planet and a distant sun.
    c.Glow(820, 140, 160, 160, Col(255, 220, 160, 200));
    c.Glow(820, 140, 30, 30, Col(255, 255, 240));
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x) {
            const float dx = float(x) - 300.0f, dy = float(y) - 520.0f, d = std::sqrt(dx * dx + dy * dy);
            if (d < 210.0f) {
                const float light = std::clamp((dx * 0.8f - dy * 0.6f) / 210.0f * 0.8f + 0.3f, 0.05f, 1.0f);
                const float band = 0.85f + 0.15f * std::sin(dy * 0.08f);
                c.Set(x, y, Col(int(90 * light * band), int(60 * light * band), int(150 * light * band)));
            }
        }
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x) {
            const float dx = (float(x) - 300.0f) / 380.0f, dy = (float(y) - 520.0f) / 70.0f;
            const float d = std::sqrt(dx * dx + dy * dy);
            const bool behind = dy < 0 && (float(x) - 300.0f) * (float(x) - 300.0f) + (float(y) - 520.0f) * (float(y) - 520.0f) < 210.0f * 210.0f;
            if (d > 0.75f && d < 1.0f && !behind) c.Blend(x, y, Col(200, 180, 255, 150), std::sin((d - 0.75f) / 0.25f * kPi));
        }
    f.title.DrawGlowing(c, 512.0f - f.title.Width("KORVANE", 3.2f) * 0.5f, 250.0f, "KORVANE", 3.2f, Col(230, 215, 255),
                        Col(130, 70, 255, 255));
    f.menu.DrawCentred(c, 512.0f, 345.0f, "Корвейн", 1.4f, Col(170, 160, 240));
    return c.Rgb();
}

bool LoadFonts(const datagen::DataSet& set, Fonts* f)
{
    return f->menu.Load(set, "Data/Misc/Fonts/Bauhaus.20", 0.25f) && f->small.Load(set, "Data/Misc/Fonts/Hermes.18", 1.0f) &&
           f->title.Load(set, "Data/Misc/Fonts/Bengaly.25", 1.0f);
}

} // namespace

// Named after "fonts" so the game's fonts are in the set when the captions are drawn.
DATAGEN_GENERATOR(menu_textures)
{
    Fonts fonts;
    if (!LoadFonts(set, &fonts)) {
        std::fprintf(stderr, "menu_textures: the interface fonts are not in the data set\n");
        return false;
    }
    const char* suffix[2] = {"RUS", "ENG"};
    for (int lang = 0; lang < 2; ++lang) {
        const Texts& t = kTexts[lang];
        const std::string s = suffix[lang];
        set.Add("Data/Misc/GameMenu/Main/MainLayer_" + s + ".dds", MainAtlas(fonts, t));
        set.Add("Data/Misc/GameMenu/Player/MainLayer_" + s + ".dds", PilotAtlas(fonts, t));
        if (!datagen::AddBmpWithJpeg(set, "Data/Misc/GameMenu/OnLoading_" + s + ".bmp", 512, 512,
                                     LoadingPicture(fonts, t), 92))
            return false;
    }
    set.Add("Data/Misc/GameMenu/Background.dds", Background());
    set.Add("Data/Misc/GameMenu/Logo_Tessarin.dds", MakerLogo(fonts));
    std::vector<uint8_t> jpg;
    if (!datagen::EncodeJpeg(1024, 768, StartPicture(fonts), 90, &jpg)) {
        std::fprintf(stderr, "menu_textures: logo/logo_start.jpg not encoded\n");
        return false;
    }
    set.Add("logo/logo_start.jpg", std::move(jpg));
    return true;
}

// Every picture and sound the game menu, the start logo and the loading screen open.
DATAGEN_CHECK(menu_textures)
{
    struct Wanted {
        const char* path;
        int kind;
    };
    const Wanted wanted[] = {
        {"Data/Misc/GameMenu/Main/MainLayer_RUS.dds", FILE_KIND_TEXTURES},
        {"Data/Misc/GameMenu/Main/MainLayer_ENG.dds", FILE_KIND_TEXTURES},
        {"Data/Misc/GameMenu/Player/MainLayer_RUS.dds", FILE_KIND_TEXTURES},
        {"Data/Misc/GameMenu/Player/MainLayer_ENG.dds", FILE_KIND_TEXTURES},
        {"Data/Misc/GameMenu/OnLoading_RUS.jpg", FILE_KIND_TEXTURES},
        {"Data/Misc/GameMenu/OnLoading_ENG.jpg", FILE_KIND_TEXTURES},
        {"Data/Misc/GameMenu/Background.dds", FILE_KIND_TEXTURES},
        {"Data/Misc/GameMenu/Logo_Tessarin.dds", FILE_KIND_TEXTURES},
        {"logo/logo_start.jpg", FILE_KIND_PLAIN},
        {"Data/Sounds/GameMenu/MainBt_MouseIn.wav", FILE_KIND_SOUNDS},
        {"Data/Sounds/GameMenu/MainBt_Press.wav", FILE_KIND_SOUNDS},
        {"Data/Sounds/GameMenu/Bt_MouseIn.wav", FILE_KIND_SOUNDS},
        {"Data/Sounds/GameMenu/Bt_Press.wav", FILE_KIND_SOUNDS},
        {"Data/Sounds/GameMenu/CheckBox_On.wav", FILE_KIND_SOUNDS},
        {"Data/Music/Game menu/Start logo.wav", FILE_KIND_SOUNDS},
    };
    for (const Wanted& w : wanted) {
        int handle = CFileManager::Open(w.path, w.kind);
        if (handle == -1)
            handle = CFileManager::Open(w.path, FILE_KIND_PLAIN);
        if (handle == -1)
            check.Missing(std::string("game menu file ") + w.path);
        else
            CFileManager::Close(handle);
    }
}
