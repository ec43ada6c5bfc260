// Textures of the space dust and the star sprites: 32 dust flakes
// "Data/Space/Static/Particle System/ParticleNN.dds" (alpha-blended, so the shape lives in
// the alpha channel) and "Star.bmp" (drawn additively, so black is invisible).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>
#include "../datagen.h"
#include "image_writer.h"
#include "../models/mesh_builder.h"

namespace {

constexpr int kFlakeSize = 32;
constexpr int kFlakes = 32;
constexpr int kStarSize = 64;
const char* const kFolder = "Data/Space/Static/Particle System/";

// Uncompressed A8R8G8B8 DDS, one level; texels are 0xAARRGGBB, rows top to bottom.
std::vector<uint8_t> EncodeDdsArgb(int w, int h, const std::vector<uint32_t>& texels)
{
    std::vector<uint8_t> dds = datagen::DdsArgbHeader(w, h);
    for (uint32_t t : texels) datagen::PutLe32(dds, t);
    return dds;
}

using datagen::UnitByte;

// Flake n: an irregular soft-edged grain of rock or ice dust. The outline is a circle whose
// radius wobbles with the angle; the body is speckled; the tint goes from grey-brown rock
// to pale blue ice across the set.
std::vector<uint32_t> MakeDustFlake(int n)
{
    const uint32_t seed = 0x9E3779B9u * uint32_t(n + 1);
    const float lobes[3] = {2.0f + float(n % 3), 3.0f + float(n % 4), 5.0f};
    float phase[3], amp[3];
    for (int k = 0; k < 3; ++k) {
        phase[k] = 6.2831853f * meshgen::Hash01(seed + uint32_t(k) * 31u);
        amp[k] = 0.05f + 0.1f * meshgen::Hash01(seed + uint32_t(k) * 57u + 5u);
    }
    const float ice = float(n % 8) / 7.0f;
    const float tint[3] = {0.75f - 0.2f * ice, 0.7f - 0.05f * ice, 0.62f + 0.3f * ice};
    std::vector<uint32_t> px(size_t(kFlakeSize) * kFlakeSize);
    for (int y = 0; y < kFlakeSize; ++y)
        for (int x = 0; x < kFlakeSize; ++x) {
            float dx = (float(x) + 0.5f) / kFlakeSize * 2.0f - 1.0f;
            float dy = (float(y) + 0.5f) / kFlakeSize * 2.0f - 1.0f;
            float r = std::sqrt(dx * dx + dy * dy), a = std::atan2(dy, dx);
            float edge = 0.62f;
            for (int k = 0; k < 3; ++k) edge += amp[k] * std::sin(lobes[k] * a + phase[k]);
            float inside = (edge - r) / 0.18f;  // soft rim, 0 outside, 1 well inside
            inside = inside < 0 ? 0 : inside > 1 ? 1 : inside;
            float grain = datagen::WrappedValueNoise(float(x) * 0.5f, float(y) * 0.5f, 16, seed);
            float light = 0.55f + 0.45f * grain - 0.25f * (dx + dy) * 0.5f;  // lit from the top left
            float alpha = inside * (0.55f + 0.45f * grain);
            uint32_t t = uint32_t(UnitByte(alpha)) << 24 | uint32_t(UnitByte(tint[0] * light)) << 16 |
                         uint32_t(UnitByte(tint[1] * light)) << 8 | UnitByte(tint[2] * light);
            px[size_t(y) * kFlakeSize + x] = t;
        }
    return px;
}

// The star sprite: a bright white core, a blue-white halo and four thin rays, black around.
std::vector<uint8_t> MakeStarSprite()
{
    std::vector<uint8_t> rgb(size_t(kStarSize) * kStarSize * 3);
    for (int y = 0; y < kStarSize; ++y)
        for (int x = 0; x < kStarSize; ++x) {
            float dx = (float(x) + 0.5f) / kStarSize * 2.0f - 1.0f;
            float dy = (float(y) + 0.5f) / kStarSize * 2.0f - 1.0f;
            float r = std::sqrt(dx * dx + dy * dy);
            float core = std::exp(-r * r * 60.0f);
            float halo = std::exp(-r * 5.0f) * 0.45f;
            float fade = r < 1 ? 1 - r : 0;
            float rays = (std::exp(-std::fabs(dx) * 40.0f) + std::exp(-std::fabs(dy) * 40.0f)) * fade * fade * 0.6f;
            float v = core + halo + rays;
            if (r >= 1) v = 0;  // the rim is black, so the quad's edge never shows
            uint8_t* p = &rgb[(size_t(y) * kStarSize + x) * 3];
            p[0] = UnitByte(v * 0.9f), p[1] = UnitByte(v * 0.95f), p[2] = UnitByte(v);
        }
    return rgb;
}

} // namespace

DATAGEN_GENERATOR(particle_textures)
{
    for (int n = 0; n < kFlakes; ++n) {
        char name[16];
        std::snprintf(name, sizeof(name), "Particle%02d.dds", n);
        set.Add(std::string(kFolder) + name, EncodeDdsArgb(kFlakeSize, kFlakeSize, MakeDustFlake(n)));
    }
    if (!AddOpaqueRgbTexture(set, std::string(kFolder) + "Star.bmp", kStarSize, kStarSize, MakeStarSprite())) {
        std::fprintf(stderr, "datagen: cannot write the star sprite\n");
        return false;
    }
    return true;
}
