// Models of the effect objects: the explosion billboards "Data/Space/Effect/MainExp_NN"
// (a square facing the camera and four fireball frames each). The description files are
// text sources in data/; this adds the mesh and the textures they name.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>
#include "../datagen.h"
#include "mesh_builder.h"

bool AddOpaqueRgbTexture(datagen::DataSet& set, const std::string& bmpPath, int w, int h,
                         const std::vector<uint8_t>& rgb);

namespace {

constexpr int kExplosions = 5;
constexpr int kFrames = 4;
constexpr int kSize = 64;

using meshgen::Clamp01;

// Frame f of explosion n: a ragged fireball drawn additively (black is invisible). Early
// frames are small and white-hot, later ones wider, redder and dimmer.
std::vector<uint8_t> MakeFireball(int n, int f)
{
    const float t = float(f) / float(kFrames - 1);
    const float radius = 0.45f + 0.45f * t;
    const float heat = 1.0f - 0.75f * t;
    const uint32_t seed = 0x51ED270Bu * uint32_t(n * 16 + f + 1);
    std::vector<uint8_t> rgb(size_t(kSize) * kSize * 3);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const float dx = (float(x) + 0.5f) / kSize * 2 - 1, dy = (float(y) + 0.5f) / kSize * 2 - 1;
            const float angle = std::atan2(dy, dx);
            float edge = radius;
            for (int k = 1; k <= 3; ++k)
                edge += 0.06f * std::sin(angle * float(2 * k + n % 3) + 6.2831853f * meshgen::Hash01(seed + uint32_t(k)));
            const float r = std::sqrt(dx * dx + dy * dy) / edge;
            const float grain = 0.75f + 0.25f * meshgen::Hash01(seed ^ uint32_t(y * kSize + x) * 2654435761u);
            const float body = Clamp01(1 - r * r) * grain;
            const float core = Clamp01(1 - r * 2.2f);
            const float red = Clamp01(body * (0.5f + heat) + core);
            const float green = Clamp01(body * (0.15f + 0.65f * heat) + core * heat);
            const float blue = Clamp01(body * 0.25f * heat * heat + core * heat * 0.8f);
            uint8_t* p = &rgb[(size_t(y) * kSize + x) * 3];
            p[0] = uint8_t(red * 255 + 0.5f);
            p[1] = uint8_t(green * 255 + 0.5f);
            p[2] = uint8_t(blue * 255 + 0.5f);
        }
    return rgb;
}

} // namespace

DATAGEN_GENERATOR(effect_models)
{
    const std::vector<uint8_t> billboard = meshgen::Serialize(meshgen::MakeBillboardSquare());
    bool ok = true;
    for (int n = 1; n <= kExplosions; ++n) {
        char folder[64];
        std::snprintf(folder, sizeof folder, "Data/Space/Effect/MainExp_%02d/", n);
        set.Add(std::string(folder) + "Main.msh", billboard);
        for (int f = 0; f < kFrames; ++f) {
            char name[16];
            std::snprintf(name, sizeof name, "Exp_%02d.bmp", f + 1);
            ok &= AddOpaqueRgbTexture(set, std::string(folder) + name, kSize, kSize, MakeFireball(n, f));
        }
    }
    if (!ok) std::fprintf(stderr, "effect_models: a fireball texture could not be encoded\n");
    return ok;
}
