// The cockpit's interface pictures: the marker sheet (bracket corners, lock corners, lead
// point, direction arrow, steering marker), the frames of the target and system screens,
// the radar's background, and the pointer sheet of the planet world.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "../datagen.h"
#include "image_writer.h"

namespace {

constexpr int kSheet = 256;

struct Canvas {
    int w, h;
    std::vector<uint32_t> px;   // ARGB
    Canvas(int width, int height, uint32_t fill = 0) : w(width), h(height), px(size_t(width) * height, fill) {}
    void Set(int x, int y, uint32_t c)
    {
        if (x >= 0 && y >= 0 && x < w && y < h) px[size_t(y) * w + x] = c;
    }
    void Fill(int x0, int y0, int x1, int y1, uint32_t c)
    {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) Set(x, y, c);
    }
    void Frame(int x0, int y0, int x1, int y1, int t, uint32_t c)
    {
        Fill(x0, y0, x1, y0 + t, c);
        Fill(x0, y1 - t, x1, y1, c);
        Fill(x0, y0, x0 + t, y1, c);
        Fill(x1 - t, y0, x1, y1, c);
    }
    // Ring of radius r and thickness t round (cx, cy), soft-edged through alpha.
    void Ring(float cx, float cy, float r, float t, uint32_t rgb)
    {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const float d = std::fabs(std::hypot(x + 0.5f - cx, y + 0.5f - cy) - r);
                const float a = std::clamp(1.0f - (d - t * 0.5f), 0.0f, 1.0f);
                if (a > 0.0f) Blend(x, y, rgb, a);
            }
    }
    void Blend(int x, int y, uint32_t rgb, float a)
    {
        if (x < 0 || y < 0 || x >= w || y >= h) return;
        uint32_t& p = px[size_t(y) * w + x];
        const uint32_t old = p >> 24;
        const uint32_t na = std::max(old, uint32_t(a * 255.0f + 0.5f));
        p = (na << 24) | (rgb & 0xFFFFFFu);
    }
    std::vector<uint8_t> Dds() const
    {
        std::vector<uint8_t> out = datagen::DdsArgbHeader(w, h);
        for (uint32_t t : px) datagen::PutLe32(out, t);
        return out;
    }
};

// One L-shaped bracket corner in a 64 x 64 cell; corner 0 top left, 1 top right,
// 2 bottom left, 3 bottom right.
void Corner(Canvas& c, int cellX, int cellY, int corner, int thick)
{
    const bool right = corner == 1 || corner == 3, bottom = corner == 2 || corner == 3;
    const uint32_t white = 0xFFFFFFFFu;
    for (int i = 0; i < 64; ++i)
        for (int k = 0; k < thick; ++k) {
            const int along = i, across = k + 2;
            const int hx = right ? 63 - along : along, hy = bottom ? 63 - across : across;
            c.Set(cellX + hx, cellY + hy, white);
            const int vx = right ? 63 - across : across, vy = bottom ? 63 - along : along;
            c.Set(cellX + vx, cellY + vy, white);
        }
}

Canvas MarkerSheet()
{
    Canvas c(kSheet, kSheet);
    for (int i = 0; i < 4; ++i) {
        Corner(c, 64 * i, 0, i, 10);
        Corner(c, 64 * i, 64, i, 6);
    }
    // Lead point: a ring with a dot.
    c.Ring(32.0f, 160.0f, 24.0f, 5.0f, 0xFFFFFF);
    c.Ring(32.0f, 160.0f, 3.0f, 6.0f, 0xFFFFFF);
    // Arrow pointing right (+x) in the next cell: a head and a shaft, so that its way
    // reads at any turn.
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const int dy = std::abs(y - 32);
            const bool head = x >= 30 && x <= 60 && dy <= (60 - x) * 20 / 30;
            const bool shaft = x >= 4 && x < 30 && dy <= 5;
            if (head || shaft) c.Set(64 + x, 128 + y, 0xFFFFFFFFu);
        }
    // Steering marker in the lower right quarter: a ring with four ticks and a centre cross.
    const float cx = 192.0f, cy = 192.0f;
    c.Ring(cx, cy, 60.0f, 2.5f, 0xFFFFFF);
    c.Ring(cx, cy, 30.0f, 1.5f, 0xFFFFFF);
    for (int k = 0; k < 12; ++k) {
        c.Fill(int(cx) - 1, 128 + 2 + k, int(cx) + 1, 128 + 3 + k, 0xFFFFFFFFu);
        c.Fill(int(cx) - 1, 255 - 2 - k, int(cx) + 1, 256 - 2 - k, 0xFFFFFFFFu);
        c.Fill(128 + 2 + k, int(cy) - 1, 128 + 3 + k, int(cy) + 1, 0xFFFFFFFFu);
        c.Fill(255 - 2 - k, int(cy) - 1, 256 - 2 - k, int(cy) + 1, 0xFFFFFFFFu);
    }
    c.Fill(int(cx) - 6, int(cy), int(cx) + 6, int(cy) + 1, 0xFFFFFFFFu);
    c.Fill(int(cx), int(cy) - 6, int(cx) + 1, int(cy) + 6, 0xFFFFFFFFu);
    return c;
}

// A screen's frame over its unit view: an opaque bezel, dark wells behind the texts and
// bars, and the view itself left clear.
Canvas ScreenFrame(bool system)
{
    // The wells are opaque: the unit view drawn under the frame never shows through the texts.
    const uint32_t bezel = 0xFF1E3228u, line = 0xFF3C8C5Au, well = 0xFF000A05u;
    Canvas c(kSheet, kSheet);
    c.Frame(0, 0, kSheet, kSheet, 8, bezel);
    c.Frame(8, 8, kSheet - 8, kSheet - 8, 2, line);
    if (!system) {
        // Texts and bars on the left third; the hull bar's slot on the right.
        c.Fill(10, 10, 108, kSheet - 10, well);
        c.Frame(10, 10, 108, kSheet - 10, 1, line);
        c.Frame(kSheet - 30, 14, kSheet - 14, kSheet - 14, 1, line);
    } else {
        // Speed and throttle slots on the left, the list beside them, the hull slot right.
        c.Frame(14, 14, 30, kSheet - 14, 1, line);
        c.Frame(33, 14, 49, kSheet - 14, 1, line);
        c.Fill(50, 10, 146, kSheet - 60, well);
        c.Frame(kSheet - 30, 14, kSheet - 14, kSheet - 14, 1, line);
        c.Frame(144, 208, 218, 240, 1, line);
    }
    return c;
}

std::vector<uint8_t> RadarRgb()
{
    const int n = kSheet;
    std::vector<uint8_t> rgb(size_t(n) * n * 3);
    const float cx = n * 0.5f, cy = n * 0.5f;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
            float g = 18.0f + 10.0f * (1.0f - std::min(d / (n * 0.5f), 1.0f));
            const float ring = std::fmod(d, 29.5f);
            if (d < n * 0.5f - 10.0f && (ring < 1.2f || std::abs(x - int(cx)) < 1 || std::abs(y - int(cy)) < 1))
                g = 70.0f;
            if (std::fabs(d - (n * 0.5f - 10.0f)) < 1.5f) g = 110.0f;
            // A black plate under the zoom caption, whose dark greens read on nothing else.
            if (y >= n - 32 && std::abs(x + 0.5f - cx) < n * 0.36f) g = 0.0f;
            uint8_t* p = &rgb[(size_t(y) * n + x) * 3];
            p[0] = uint8_t(g * 0.2f);
            p[1] = uint8_t(g);
            p[2] = uint8_t(g * 0.4f);
        }
    return rgb;
}

// The pointer sheet: arrow (0, 0) 30 x 36, four 56 x 56 object pointers from u 30, the
// ground marker at (0, 56) 32 x 32.
Canvas CursorSheet()
{
    Canvas c(kSheet, kSheet);
    // Arrow with its tip at (0, 0).
    for (int y = 0; y < 36; ++y)
        for (int x = 0; x < 30; ++x) {
            const bool inside = x <= y * 22 / 30 && y <= 30 && (y < 24 || x <= (30 - y) * 3);
            if (!inside) continue;
            const bool edge = x == 0 || x >= y * 22 / 30 - 1 || y >= 29;
            c.Set(x, y, edge ? 0xFF000000u : 0xFFFFFFFFu);
        }
    // Object (yellow), person (green), item (blue), nothing (grey): rings with a centre.
    const uint32_t colours[4] = {0xFFFF00, 0x40FF40, 0x40A0FF, 0xB4B4B4};
    const float us[4] = {30.0f, 86.0f, 142.0f, 198.0f};
    for (int i = 0; i < 4; ++i) {
        c.Ring(us[i] + 28.0f, 28.0f, 20.0f, 3.0f, colours[i]);
        c.Ring(us[i] + 28.0f, 28.0f, 2.0f, 4.0f, colours[i]);
    }
    // Ground marker: a soft white ring (tinted green or red when drawn).
    c.Ring(16.0f, 72.0f, 12.0f, 3.0f, 0xFFFFFF);
    return c;
}

} // namespace

DATAGEN_GENERATOR(cockpit_textures)
{
    const std::string dir = "Data/Space/Interface/Cockpit/";
    set.Add(dir + "ObjOnScreen.dds", MarkerSheet().Dds());
    set.Add(dir + "TargetScreen.dds", ScreenFrame(false).Dds());
    set.Add(dir + "SystemScreen.dds", ScreenFrame(true).Dds());
    if (!datagen::AddBmpWithJpeg(set, dir + "RadarScreen.bmp", kSheet, kSheet, RadarRgb(), 92)) return false;
    set.Add("Data/Planet/Interface/Cursors.dds", CursorSheet().Dds());
    return true;
}
