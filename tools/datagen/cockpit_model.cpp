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

// The comm and radio screen: a quad facing the pilot above the dashboard's edge; frame k
// shows the top k / (frames - 1) of its 512-pixel texture, so the panel's rows appear as
// it opens.
constexpr int kScreenFrames = 33;
meshgen::Model RisingScreen(float x0, float x1, float z, float height)
{
    meshgen::Model m;
    const float edge = -0.7f;  // the dashboard's top
    for (int f = 0; f < kScreenFrames; ++f) {
        const float share = float(f) / float(kScreenFrames - 1);
        // Frame 0 keeps a sliver so that every frame has its two triangles.
        const float shown = share > 0.0f ? share : 0.001f;
        const float top = edge + height * shown;
        meshgen::Builder b;
        const P3 out{0, 0, -1};
        auto vtx = [&](float x, float y, float u, float v) {
            meshgen::Vtx w;
            w.p = P3{x, y, z};
            w.n = out;
            w.u = u;
            w.v = v;
            return b.Add(w);
        };
        const uint16_t tl = vtx(x0, top, 0, 0), bl = vtx(x0, edge, 0, shown);
        const uint16_t tr = vtx(x1, top, 1, 0), br = vtx(x1, edge, 1, shown);
        b.Tri(tl, bl, tr, out);
        b.Tri(tr, bl, br, out);
        meshgen::Model one;
        one.SetGeometry(b);
        if (f == 0) m = one;
        else m.frames.push_back(one.frames[0]);
    }
    m.SetBox(P3{x0, edge, z}, P3{x1, edge + height, z + 0.01f});
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
    model("Panel3.msh", RisingScreen(-0.48f, 0.48f, 1.22f, 0.96f));
    model("Screen3.msh", RisingScreen(-0.45f, 0.45f, 1.2f, 0.9f));
    texture("Frame", 64, 60, 62, 70);
    texture("Radar", 256, 0, 40, 0);
    texture("Screen1", 256, 0, 30, 10);
    texture("Screen2", 256, 0, 30, 10);
    texture("Panel3", 64, 50, 52, 60);
    texture("Screen3", 512, 0, 20, 30);
    return ok;
}
