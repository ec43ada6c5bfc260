// Models of the effects a dying ship throws out: the fire trail "RunExp_01" (four flame
// frames), the shock ring "CircleExp_01" and the burning fragment "DebrisFire_01". Each is
// a square billboard drawn additively, so black is invisible. The description files are
// text sources in data/.
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

constexpr int kSize = 64;
constexpr int kTrailFrames = 4;

using meshgen::Clamp01;

// Fills a square image from a function of the distance to the centre (0 centre, 1 edge)
// and the pixel's hash (0..1), giving red, green and blue in 0..1.
template <class F>
std::vector<uint8_t> Paint(uint32_t seed, F colour)
{
    std::vector<uint8_t> rgb(size_t(kSize) * kSize * 3);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const float dx = (float(x) + 0.5f) / kSize * 2 - 1, dy = (float(y) + 0.5f) / kSize * 2 - 1;
            const float r = std::sqrt(dx * dx + dy * dy);
            const float grain = meshgen::Hash01(seed ^ uint32_t(y * kSize + x) * 2654435761u);
            float c[3];
            colour(r, grain, c);
            uint8_t* p = &rgb[(size_t(y) * kSize + x) * 3];
            for (int k = 0; k < 3; ++k) p[k] = uint8_t(Clamp01(c[k]) * 255 + 0.5f);
        }
    return rgb;
}

// Flame frame f: a soft orange puff, yellow early, dull red and thin late.
std::vector<uint8_t> MakeFlame(int f)
{
    const float t = float(f) / float(kTrailFrames - 1);
    return Paint(0x7A11E5u + uint32_t(f), [t](float r, float grain, float* c) {
        const float body = Clamp01(1 - r / (0.55f + 0.35f * t)) * (0.7f + 0.3f * grain) * (1 - 0.6f * t);
        c[0] = body * 1.4f;
        c[1] = body * (0.9f - 0.6f * t);
        c[2] = body * 0.2f * (1 - t);
    });
}

// A thin bright ring near the edge, bluish white fading to orange outside.
std::vector<uint8_t> MakeRing()
{
    return Paint(0xC1C1Eu, [](float r, float grain, float* c) {
        const float d = (r - 0.8f) / 0.12f;
        const float band = std::exp(-d * d) * (0.8f + 0.2f * grain);
        c[0] = band;
        c[1] = band * 0.85f;
        c[2] = band * (r < 0.8f ? 0.9f : 0.5f);
    });
}

// A small white-hot spark with an orange halo.
std::vector<uint8_t> MakeSpark()
{
    return Paint(0xF1EEu, [](float r, float grain, float* c) {
        const float core = Clamp01(1 - r * 3.0f);
        const float halo = Clamp01(1 - r) * Clamp01(1 - r) * (0.6f + 0.4f * grain);
        c[0] = core + halo;
        c[1] = core + halo * 0.5f;
        c[2] = core * 0.8f + halo * 0.1f;
    });
}

} // namespace

DATAGEN_GENERATOR(dying_models)
{
    const std::vector<uint8_t> square = meshgen::Serialize(meshgen::MakeBillboardSquare());
    const std::string root = "Data/Space/Effect/";
    bool ok = true;

    set.Add(root + "RunExp_01/Main.msh", square);
    for (int f = 0; f < kTrailFrames; ++f) {
        char name[32];
        std::snprintf(name, sizeof name, "RunExp_01/Exp_%02d.bmp", f + 1);
        ok &= AddOpaqueRgbTexture(set, root + name, kSize, kSize, MakeFlame(f));
    }
    set.Add(root + "CircleExp_01/Main.msh", square);
    ok &= AddOpaqueRgbTexture(set, root + "CircleExp_01/Exp_01.bmp", kSize, kSize, MakeRing());
    set.Add(root + "DebrisFire_01/Main.msh", square);
    ok &= AddOpaqueRgbTexture(set, root + "DebrisFire_01/Exp_01.bmp", kSize, kSize, MakeSpark());

    if (!ok) std::fprintf(stderr, "dying_models: a texture could not be encoded\n");
    return ok;
}
