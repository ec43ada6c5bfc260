// Procedural textures of the generated models. Opaque textures are named ".bmp" and are
// also written as ".jpg", which the texture loader reads instead with "BMP to JPG" on.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>
#include "../datagen.h"
#include "image_writer.h"
#include "../models/mesh_builder.h"

namespace {

struct Image {
    int w, h;
    std::vector<uint8_t> rgb;  // rows top to bottom
    Image(int w_, int h_) : w(w_), h(h_), rgb(size_t(w_) * h_ * 3) {}
    void Set(int x, int y, float r, float g, float b)
    {
        uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
        p[0] = datagen::UnitByte(r), p[1] = datagen::UnitByte(g), p[2] = datagen::UnitByte(b);
    }
};

bool AddOpaque(datagen::DataSet& set, const std::string& bmpPath, const Image& im)
{
    return datagen::AddBmpWithJpeg(set, bmpPath, im.w, im.h, im.rgb, 92);
}

float Fbm(float u, float v, uint32_t seed)
{
    float sum = 0, amp = 0.5f;
    int cells = 8;
    for (int o = 0; o < 5; ++o, amp *= 0.5f, cells *= 2)
        sum += amp * datagen::WrappedValueNoise(u * float(cells), v * float(cells), cells, seed + uint32_t(o));
    return sum;
}

// Hull plating: height of the panel pattern at (u, v) in [0, 1).
float PanelHeight(float u, float v)
{
    float pu = u * 8.0f, pv = v * 8.0f;
    float du = std::fabs(pu - std::round(pu)), dv = std::fabs(pv - std::round(pv));
    float seam = std::min(du, dv) < 0.03f ? 0.0f : 1.0f;
    return seam * (0.8f + 0.2f * Fbm(u, v, 77));
}

// Tangent-space normal map of a height function (RGB = normal × 0.5 + 0.5).
template <class F> Image NormalMap(int size, F height, float strength)
{
    Image im(size, size);
    float e = 1.0f / float(size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float u = (float(x) + 0.5f) * e, v = (float(y) + 0.5f) * e;
            float dx = (height(std::fmod(u + e, 1.0f), v) - height(std::fmod(u - e + 1.0f, 1.0f), v)) * strength;
            float dy = (height(u, std::fmod(v + e, 1.0f)) - height(u, std::fmod(v - e + 1.0f, 1.0f))) * strength;
            meshgen::P3 n = meshgen::Norm({-dx, -dy, 1.0f});
            im.Set(x, y, n.x * 0.5f + 0.5f, n.y * 0.5f + 0.5f, n.z * 0.5f + 0.5f);
        }
    return im;
}

Image HullTexture(float r, float g, float b, uint32_t seed)
{
    Image im(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            float u = (float(x) + 0.5f) / 256.0f, v = (float(y) + 0.5f) / 256.0f;
            float k = 0.55f + 0.45f * PanelHeight(u, v) * (0.75f + 0.25f * Fbm(u, v, seed));
            im.Set(x, y, r * k, g * k, b * k);
        }
    return im;
}

Image RockTexture(uint32_t seed)
{
    Image im(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            float u = (float(x) + 0.5f) / 256.0f, v = (float(y) + 0.5f) / 256.0f;
            float k = 0.25f + 0.6f * Fbm(u, v, seed);
            im.Set(x, y, k * 0.95f, k * 0.85f, k * 0.75f);
        }
    return im;
}

Image StarSky()
{
    Image im(512, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 512; ++x) {
            float u = float(x) / 512.0f, v = float(y) / 256.0f;
            float neb = Fbm(u, v, 4242);
            neb = neb > 0.55f ? (neb - 0.55f) * 0.6f : 0.0f;
            float star = meshgen::Hash01(uint32_t(y * 512 + x) * 2654435761u);
            float s = star > 0.996f ? (star - 0.996f) * 250.0f : 0.0f;
            im.Set(x, y, 0.02f + neb * 0.5f + s, 0.02f + neb * 0.3f + s, 0.06f + neb + s);
        }
    return im;
}

} // namespace

bool AddOpaqueRgbTexture(datagen::DataSet& set, const std::string& bmpPath, int w, int h,
                         const std::vector<uint8_t>& rgb)
{
    if (rgb.size() != size_t(w) * h * 3) return false;
    return datagen::AddBmpWithJpeg(set, bmpPath, w, h, rgb, 92);
}

DATAGEN_GENERATOR(model_textures)
{
    bool ok = true;
    ok &= AddOpaque(set, "Data/Space/Ship/Eagle.M1/Main.bmp", HullTexture(0.75f, 0.78f, 0.85f, 11));
    ok &= AddOpaque(set, "Data/Space/Ship/Eagle.M1/Bump.bmp", NormalMap(256, PanelHeight, 8.0f));
    ok &= AddOpaque(set, "Data/Space/Station/Base 01/Main.bmp", HullTexture(0.7f, 0.68f, 0.6f, 23));
    auto rock = [](float u, float v) { return Fbm(u, v, 901); };
    ok &= AddOpaque(set, "Data/Space/Asteroid/Asteroid 01/Main.bmp", RockTexture(901));
    ok &= AddOpaque(set, "Data/Space/Asteroid/Asteroid 01/Bump.bmp", NormalMap(256, rock, 6.0f));
    ok &= AddOpaque(set, "Data/Space/Asteroid/Asteroid 02/Main.bmp", RockTexture(902));
    ok &= AddOpaque(set, "Data/Space/Asteroid/Asteroid 02/Bump.bmp", NormalMap(256, rock, 6.0f));
    ok &= AddOpaque(set, "Data/Space/Sky/Sky 01/Main.bmp", StarSky());
    return ok;
}
