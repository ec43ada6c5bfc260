// The cockpit model that the flight interface loads: the frame round the pilot's view,
// the radar, the two screens and the third panel that slides up with its screen.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "datagen.h"
#include "image_writer.h"
#include "mesh_builder.h"

namespace {

using meshgen::P3;

constexpr const char* kFolder = "Data/Space/Ship/Cockpit/01/";
constexpr int kPanelFrames = 8;

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

// The frame: dashboard below the view, two pillars and the roof bar; the eye at the origin.
meshgen::Model Frame()
{
    return Boxes({{{-1.6f, -1.1f, 0.6f}, {1.6f, -0.7f, 1.6f}},
                  {{-1.7f, -1.1f, 0.6f}, {-1.5f, 0.9f, 1.4f}},
                  {{1.5f, -1.1f, 0.6f}, {1.7f, 0.9f, 1.4f}},
                  {{-1.7f, 0.8f, 0.6f}, {1.7f, 1.0f, 1.4f}}});
}

// A flat panel facing the pilot (-z), slightly tilted back on the dashboard.
meshgen::Model Panel(float x0, float x1, float y0, float y1, float z)
{
    return Boxes({{{x0, y0, z}, {x1, y1, z + 0.02f}}});
}

// Frames 0 (folded below the dashboard) to kPanelFrames - 1 (fully up).
meshgen::Model Sliding(float x0, float x1, float z)
{
    meshgen::Model m;
    for (int f = 0; f < kPanelFrames; ++f) {
        const float lift = 0.5f * float(f) / float(kPanelFrames - 1);
        meshgen::Model one = Panel(x0, x1, -1.2f + lift, -0.8f + lift, z);
        if (f == 0) m = one;
        else m.frames.push_back(one.frames[0]);
    }
    m.SetBox(P3{x0, -1.2f, z}, P3{x1, -0.3f, z + 0.02f});
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
    model("Radar.msh", Panel(-0.25f, 0.25f, -0.95f, -0.72f, 0.59f));
    model("Screen1.msh", Panel(-1.2f, -0.7f, -0.95f, -0.72f, 0.59f));
    model("Screen2.msh", Panel(0.7f, 1.2f, -0.95f, -0.72f, 0.59f));
    model("Panel3.msh", Sliding(-0.6f, 0.6f, 0.62f));
    model("Screen3.msh", Sliding(-0.55f, 0.55f, 0.6f));
    texture("Frame", 64, 60, 62, 70);
    texture("Radar", 256, 0, 40, 0);
    texture("Screen1", 256, 0, 30, 10);
    texture("Screen2", 256, 0, 30, 10);
    texture("Panel3", 64, 50, 52, 60);
    texture("Screen3", 512, 0, 20, 30);
    return ok;
}
