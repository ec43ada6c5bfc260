// The comm window's talking head: a fire-like mesh (drawn additively, so black is
// nothing), its flame picture, and the ten placement matrices of Data/Misc/HeadMatrix.pd
// (five heads for the calm speaking mode, five for the agitated one).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "../datagen.h"
#include "../pictures/image_writer.h"
#include "mesh_builder.h"

namespace {

using meshgen::P3;

// A flame: a surface of revolution about y, round at the bottom and drawn out to a point
// at the top, with a ripple so that the lit edges flicker as it turns.
meshgen::Model Flame()
{
    constexpr int kSlices = 16, kStacks = 12;
    meshgen::Builder b;
    for (int i = 0; i <= kStacks; ++i) {
        const float t = float(i) / float(kStacks);        // 0 bottom, 1 tip
        const float y = -0.8f + 1.9f * t;
        const float r = 0.75f * std::sin(float(M_PI) * (0.15f + 0.85f * t)) * (1.0f - 0.6f * t);
        for (int j = 0; j <= kSlices; ++j) {
            const float ph = 2.0f * float(M_PI) * float(j) / float(kSlices);
            const float ripple = 1.0f + 0.12f * std::sin(3.0f * ph + 5.0f * t);
            meshgen::Vtx v;
            v.p = P3{std::cos(ph) * r * ripple, y, std::sin(ph) * r * ripple};
            v.n = meshgen::Norm(P3{std::cos(ph), 0.3f, std::sin(ph)});
            v.u = float(j) / float(kSlices);
            v.v = 1.0f - t;
            b.Add(v);
        }
    }
    for (int i = 0; i < kStacks; ++i)
        for (int j = 0; j < kSlices; ++j) {
            const uint16_t a = uint16_t(i * (kSlices + 1) + j), c = uint16_t(a + kSlices + 1);
            const P3 mid = (b.verts[a].p + b.verts[c + 1].p) * 0.5f;
            const P3 out{mid.x, 0.0f, mid.z};
            b.Tri(a, c, uint16_t(a + 1), out);
            b.Tri(uint16_t(a + 1), c, uint16_t(c + 1), out);
        }
    meshgen::Model m;
    m.SetGeometry(b);
    return m;
}

// Bright yellow at the bottom of the picture (the flame's root) to deep red at the top,
// streaked; additive drawing turns its dark parts into transparency.
std::vector<uint8_t> FlamePicture(int size)
{
    std::vector<uint8_t> rgb;
    rgb.reserve(size_t(size) * size * 3);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float t = float(y) / float(size - 1);  // 0 top (tip), 1 bottom (root)
            const float streak = 0.6f + 0.4f * meshgen::Hash01(uint32_t(x / 4) * 2654435761u + uint32_t(y / 16));
            const float heat = meshgen::Clamp01((0.25f + 0.75f * t) * streak);
            rgb.push_back(uint8_t(255.0f * meshgen::Clamp01(heat * 1.3f)));
            rgb.push_back(uint8_t(255.0f * meshgen::Clamp01(heat * heat * 1.1f)));
            rgb.push_back(uint8_t(255.0f * meshgen::Clamp01(heat * heat * heat * 0.6f)));
        }
    return rgb;
}

struct Placement {
    float x, y, z, scale, stretch;
};

// Rows of a scale-and-move matrix, one value a line.
void AppendMatrix(std::string& text, const Placement& p)
{
    const float m[16] = {p.scale, 0, 0, 0, 0, p.scale * p.stretch, 0, 0, 0, 0, p.scale, 0, p.x, p.y, p.z, 1};
    char line[32];
    for (float v : m) {
        std::snprintf(line, sizeof line, "%.4f\n", v);
        text += line;
    }
}

} // namespace

DATAGEN_GENERATOR(pilot_heads)
{
    const std::string folder = "Data/Space/Misc/Heads/";
    if (!set.Has(folder + "Fire.msh")) set.Add(folder + "Fire.msh", meshgen::Serialize(Flame()));
    // The game may ask for the picture under either name (its "bmp to jpg" setting).
    const std::vector<uint8_t> picture = FlamePicture(64);
    if (!set.Has(folder + "Fire.bmp")) set.Add(folder + "Fire.bmp", datagen::EncodeBmp24(64, 64, picture));
    if (!set.Has(folder + "Fire.jpg")) {
        std::vector<uint8_t> jpg;
        if (!datagen::EncodeJpeg(64, 64, picture, 90, &jpg)) {
            std::fprintf(stderr, "datagen: cannot encode %sFire.jpg\n", folder.c_str());
            return false;
        }
        set.Add(folder + "Fire.jpg", std::move(jpg));
    }
    if (!set.Has("Data/Misc/HeadMatrix.pd")) {
        // Calm: one large flame with four small ones round it; agitated: taller and wider.
        const Placement calm[5] = {{0, 0, 0, 1.0f, 1.0f},
                                   {-0.55f, -0.35f, 0.2f, 0.55f, 1.1f},
                                   {0.55f, -0.35f, 0.2f, 0.55f, 1.1f},
                                   {-0.3f, 0.45f, 0.3f, 0.45f, 1.3f},
                                   {0.3f, 0.45f, 0.3f, 0.45f, 1.3f}};
        const Placement agitated[5] = {{0, 0.1f, 0, 1.1f, 1.25f},
                                       {-0.75f, -0.3f, 0.2f, 0.6f, 1.4f},
                                       {0.75f, -0.3f, 0.2f, 0.6f, 1.4f},
                                       {-0.4f, 0.6f, 0.3f, 0.5f, 1.6f},
                                       {0.4f, 0.6f, 0.3f, 0.5f, 1.6f}};
        std::string text;
        for (const Placement& p : calm) AppendMatrix(text, p);
        for (const Placement& p : agitated) AppendMatrix(text, p);
        set.AddText("Data/Misc/HeadMatrix.pd", text);
    }
    return true;
}
