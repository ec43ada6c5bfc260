// The cockpit model that the flight interface loads: the frame round the pilot's view,
// the radar, the two screens and the third panel that slides up with its screen.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../datagen.h"
#include "../pictures/image_writer.h"
#include "mesh_builder.h"

namespace {

using meshgen::P3;

constexpr const char* kFolder = "Data/Space/Ship/Cockpit/01/";
constexpr int kPanelFrames = 16;

// Square RGB picture of one colour with a lighter rim: the panels' render targets take
// their size from it, the frame uses it as its skin.
std::vector<uint8_t> PanelRgb(int size, uint8_t r, uint8_t g, uint8_t b)
{
    std::vector<uint8_t> rgb;
    rgb.reserve(size_t(size) * size * 3);
    auto lit = [](uint8_t v, int k) { return uint8_t(v * k > 255 ? 255 : v * k); };
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const int k = (x < 4 || y < 4 || x >= size - 4 || y >= size - 4) ? 2 : 1;
            rgb.push_back(lit(r, k)), rgb.push_back(lit(g, k)), rgb.push_back(lit(b, k));
        }
    return rgb;
}

meshgen::Model Boxes(const std::vector<std::pair<P3, P3>>& boxes)
{
    meshgen::Builder b;
    for (const auto& [mn, mx] : boxes) b.Box(mn, mx);
    meshgen::Model m;
    m.SetGeometry(b);
    return m;
}

// Places on the screen are planned as shares of a 4:3 picture seen through the space
// camera (vertical field 1.46121, aspect 4/3 x 0.85); the steering marker keeps 140 pixels
// round the centre at every size, so at 800x600 it covers x 0.325..0.675 and y 0.267..0.733,
// its ring ending at y 0.725. Every panel stays outside the ring: the screens and the radar
// in the dashboard below it, as large as that leaves room for, the comm panel in a column
// left of it. The camera's aspect squeezes x by 0.85, so a panel 0.85 as wide as high in
// the model shows its square texture square. A wider screen draws the frame wider
// (CockpitShellStretch); the panels stay as they are.
constexpr float kYScale = 1.1160619f;  // 1 / tan(1.46121 / 2)
constexpr float kAspect = 1.3333333f * 0.85f;
float ModelX(float share, float z) { return (2.0f * share - 1.0f) * kAspect * z / kYScale; }
float ModelY(float share, float z) { return (1.0f - 2.0f * share) * z / kYScale; }

constexpr float kDashShare = 0.75f;  // the dashboard's top edge
constexpr float kDashZ = 2.05f;
constexpr float kScreenZ = 2.0f;
constexpr float kScreenTop = 0.727f, kScreenBottom = 0.998f;
constexpr float kScreenWidth = (kScreenBottom - kScreenTop) * 0.75f;
// The comm panel: the whole column left of the steering marker, rising from the screens' top.
constexpr float kCommLeft = 0.002f, kCommRight = 0.326f;
constexpr float kCommZ = 1.93f, kCommBackZ = 1.95f;

// The frame round the eye at the origin: dashboard below the view, pillars at its edges
// and the roof bar, all beyond the cockpit view's near plane (1.0). Their outer edges
// reach well past the picture's, so that the sway of a hard turn opens no gap there.
meshgen::Model Frame()
{
    const float top = ModelY(kDashShare, kDashZ);
    return Boxes({{{-3.6f, -2.8f, kDashZ}, {3.6f, top, 2.2f}},
                  {{-3.0f, -2.8f, kDashZ}, {-1.55f, 2.6f, 2.2f}},
                  {{1.55f, -2.8f, kDashZ}, {3.0f, 2.6f, 2.2f}},
                  {{-3.0f, 1.4f, kDashZ}, {3.0f, 2.6f, 2.2f}}});
}

// A flat quad facing the pilot (-z), vertices bottom left, top left, bottom right, top
// right, so that the picture's top left corner is at the panel's top left.
meshgen::Model Panel(float x0, float x1, float y0, float y1, float z)
{
    meshgen::Builder b;
    const P3 n{0, 0, -1};
    const uint16_t bl = b.Add({{x0, y0, z}, n, 0.0f, 1.0f}), tl = b.Add({{x0, y1, z}, n, 0.0f, 0.0f});
    const uint16_t br = b.Add({{x1, y0, z}, n, 1.0f, 1.0f}), tr = b.Add({{x1, y1, z}, n, 1.0f, 0.0f});
    b.Tri(bl, tl, br, n);
    b.Tri(br, tl, tr, n);
    meshgen::Model m;
    m.SetGeometry(b);
    m.SetBox(P3{x0, y0, z}, P3{x1, y1, z + 0.02f});
    return m;
}

// Frames 0 (folded into the dashboard) to kPanelFrames - 1 (full height): the panel grows
// up from the dashboard's top edge, frame k showing k / (kPanelFrames - 1) of its height, so
// that a panel whose content fills a share of its texture opens to that share.
meshgen::Model Growing(float x0, float x1, float bottom, float height, float z)
{
    meshgen::Model m;
    for (int f = 0; f < kPanelFrames; ++f) {
        const float top = bottom + std::max(0.002f, height * float(f) / float(kPanelFrames - 1));
        meshgen::Model one = Panel(x0, x1, bottom, top, z);
        if (f == 0) m = one;
        else m.frames.push_back(one.frames[0]);
    }
    m.SetBox(P3{x0, bottom, z}, P3{x1, bottom + height, z + 0.02f});
    return m;
}

} // namespace

DATAGEN_GENERATOR(cockpit_model)
{
    const std::string f = kFolder;
    auto model = [&](const std::string& name, const meshgen::Model& m) {
        if (!set.Has(f + name)) set.Add(f + name, meshgen::Serialize(m));
    };
    bool ok = true;
    auto texture = [&](const std::string& name, int size, uint8_t r, uint8_t g, uint8_t b) {
        if (set.Has(f + name + ".bmp")) return;
        const std::vector<uint8_t> rgb = PanelRgb(size, r, g, b);
        set.Add(f + name + ".bmp", datagen::EncodeBmp24(size, size, rgb));
        std::vector<uint8_t> jpg;
        if (!datagen::EncodeJpeg(size, size, rgb, 90, &jpg)) {
            std::fprintf(stderr, "datagen: cannot encode %s.jpg\n", (f + name).c_str());
            ok = false;
            return;
        }
        set.Add(f + name + ".jpg", std::move(jpg));
    };
    model("Frame.msh", Frame());
    // The three screens side by side in the dashboard, square on the screen.
    const float sy0 = ModelY(kScreenBottom, kScreenZ), sy1 = ModelY(kScreenTop, kScreenZ);
    auto screen = [&](float left) {
        return Panel(ModelX(left, kScreenZ), ModelX(left + kScreenWidth, kScreenZ), sy0, sy1, kScreenZ);
    };
    constexpr float kGap = 0.02f;
    model("Radar.msh", screen(0.5f - kScreenWidth * 0.5f));
    model("Screen1.msh", screen(0.5f - kScreenWidth * 1.5f - kGap));
    model("Screen2.msh", screen(0.5f + kScreenWidth * 0.5f + kGap));
    // The comm panel grows up from the dashboard to a square of its column's width; its
    // backing a little larger round it.
    const float commHeight = (kCommRight - kCommLeft) * 4.0f / 3.0f;
    const float cy0 = ModelY(kScreenTop, kCommZ);
    model("Screen3.msh", Growing(ModelX(kCommLeft, kCommZ), ModelX(kCommRight, kCommZ), cy0,
                                 ModelY(kScreenTop - commHeight, kCommZ) - cy0, kCommZ));
    const float by0 = ModelY(kScreenTop, kCommBackZ);
    model("Panel3.msh", Growing(ModelX(kCommLeft - 0.002f, kCommBackZ), ModelX(kCommRight + 0.002f, kCommBackZ), by0,
                                ModelY(kScreenTop - commHeight - 0.007f, kCommBackZ) - by0, kCommBackZ));
    texture("Frame", 64, 60, 62, 70);
    texture("Radar", 256, 0, 40, 0);
    texture("Screen1", 256, 0, 30, 10);
    texture("Screen2", 256, 0, 30, 10);
    texture("Panel3", 64, 50, 52, 60);
    texture("Screen3", 512, 0, 20, 30);
    return ok;
}
