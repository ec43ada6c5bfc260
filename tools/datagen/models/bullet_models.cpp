// Models of the bullets and their effects: the flat laser bolt, the rocket and missile
// bodies with an engine point at the tail, the engine flame cross and glow sprite, and the
// textures of bolts, flames, trails, smoke puffs and laser sparks. The description files
// are text sources in data/; this adds the meshes and textures they name.
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

using meshgen::P3;

constexpr int kSize = 32;
const char* const kModels = "Data/Space/Bullet/Models/";

// A rectangle through the four corners (in order round it), front side along `out`; with
// `twoSided` its back is added too.
void Quad(meshgen::Builder& b, const P3 (&c)[4], P3 out, bool twoSided)
{
    const float uv[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
    for (int side = 0; side < (twoSided ? 2 : 1); ++side) {
        const P3 n = side == 0 ? out : out * -1.0f;
        uint16_t v[4];
        for (int i = 0; i < 4; ++i) {
            meshgen::Vtx x;
            x.p = c[i];
            x.n = n;
            x.u = uv[i][0];
            x.v = uv[i][1];
            v[i] = b.Add(x);
        }
        b.Tri(v[0], v[1], v[2], n);
        b.Tri(v[0], v[2], v[3], n);
    }
}

meshgen::Model Finish(const meshgen::Builder& b)
{
    meshgen::Model m;
    m.SetGeometry(b);
    return m;
}

// The bolt lies flat in the x-z plane facing +y: the flight turns +y towards the eye.
meshgen::Model MakeLaserBolt()
{
    meshgen::Builder b;
    const float w = 0.9f, front = 7.0f, back = -7.0f;
    const P3 c[4] = {{-w, 0, back}, {w, 0, back}, {w, 0, front}, {-w, 0, front}};
    Quad(b, c, {0, 1, 0}, false);
    return Finish(b);
}

// A box body along +z with four fins at the tail; the engine point sits behind it.
meshgen::Model MakeRocketBody(float length, float radius, float fin)
{
    meshgen::Builder b;
    const float h = length * 0.5f, r = radius;
    const P3 axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int a = 0; a < 3; ++a)
        for (int s = -1; s <= 1; s += 2) {
            const P3 n = axes[a] * float(s);
            const P3 u = axes[(a + 1) % 3], v = axes[(a + 2) % 3];
            const P3 ext{r, r, h};
            auto e = [&](P3 d) { return P3{d.x * ext.x, d.y * ext.y, d.z * ext.z}; };
            const P3 centre = e(n);
            const P3 eu = e(u), ev = e(v);
            const P3 c[4] = {centre - eu - ev, centre + eu - ev, centre + eu + ev, centre - eu + ev};
            Quad(b, c, n, false);
        }
    // Fins: thin plates in the x-z and y-z planes at the tail, seen from both sides.
    const float z0 = -h, z1 = -h + length * 0.3f;
    const P3 finX[4] = {{r, 0, z0}, {r + fin, 0, z0}, {r + fin, 0, z1 - fin}, {r, 0, z1}};
    const P3 finX2[4] = {{-r, 0, z0}, {-r - fin, 0, z0}, {-r - fin, 0, z1 - fin}, {-r, 0, z1}};
    const P3 finY[4] = {{0, r, z0}, {0, r + fin, z0}, {0, r + fin, z1 - fin}, {0, r, z1}};
    const P3 finY2[4] = {{0, -r, z0}, {0, -r - fin, z0}, {0, -r - fin, z1 - fin}, {0, -r, z1}};
    Quad(b, finX, {0, 1, 0}, true);
    Quad(b, finX2, {0, 1, 0}, true);
    Quad(b, finY, {1, 0, 0}, true);
    Quad(b, finY2, {1, 0, 0}, true);
    meshgen::Model m = Finish(b);
    m.points[4] = {{0, 0, -h - 0.2f}};  // the nozzle
    return m;
}

// Two crossed plates reaching back from the nozzle along -z, seen from both sides.
meshgen::Model MakeFlame()
{
    meshgen::Builder b;
    const float w = 0.8f, len = 6.0f;
    const P3 flat[4] = {{-w, 0, -len}, {w, 0, -len}, {w, 0, 0}, {-w, 0, 0}};
    const P3 upright[4] = {{0, -w, -len}, {0, w, -len}, {0, w, 0}, {0, -w, 0}};
    Quad(b, flat, {0, 1, 0}, true);
    Quad(b, upright, {1, 0, 0}, true);
    return Finish(b);
}

// A square sprite facing +z (the glow's billboard turns +z towards the eye).
meshgen::Model MakeGlow()
{
    meshgen::Builder b;
    const float s = 2.5f;
    const P3 c[4] = {{-s, -s, 0}, {s, -s, 0}, {s, s, 0}, {-s, s, 0}};
    Quad(b, c, {0, 0, 1}, false);
    return Finish(b);
}

using meshgen::Clamp01;

// A picture from a function of (x, y) in -1..1 giving red, green and blue in 0..1.
template <typename F>
std::vector<uint8_t> Paint(F f)
{
    std::vector<uint8_t> rgb(size_t(kSize) * kSize * 3);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const float px = (float(x) + 0.5f) / kSize * 2 - 1, py = (float(y) + 0.5f) / kSize * 2 - 1;
            float c[3];
            f(px, py, c);
            uint8_t* p = &rgb[(size_t(y) * kSize + x) * 3];
            for (int k = 0; k < 3; ++k) p[k] = uint8_t(Clamp01(c[k]) * 255 + 0.5f);
        }
    return rgb;
}

// A bolt: a white core across the middle of u, fading to its colour and then to black.
std::vector<uint8_t> BoltTexture(const float (&colour)[3])
{
    return Paint([&](float x, float y, float* c) {
        const float across = 1 - std::fabs(x);
        const float along = Clamp01((1 - std::fabs(y)) * 3);
        const float core = Clamp01(across * 3 - 2) * along;
        const float body = across * across * along;
        for (int k = 0; k < 3; ++k) c[k] = body * colour[k] + core;
    });
}

std::vector<uint8_t> RoundSprite(float r, float g, float b, float hardness)
{
    return Paint([=](float x, float y, float* c) {
        const float d = std::sqrt(x * x + y * y);
        const float a = std::pow(Clamp01(1 - d), hardness);
        const float core = Clamp01(1 - d * 3);
        c[0] = a * r + core;
        c[1] = a * g + core * 0.9f;
        c[2] = a * b + core * 0.7f;
    });
}

}  // namespace

DATAGEN_GENERATOR(bullet_models)
{
    const std::string dir = kModels;
    set.Add(dir + "Laser.msh", meshgen::Serialize(MakeLaserBolt()));
    set.Add(dir + "Rocket.msh", meshgen::Serialize(MakeRocketBody(4.0f, 0.35f, 0.5f)));
    set.Add(dir + "Missile.msh", meshgen::Serialize(MakeRocketBody(5.5f, 0.4f, 0.7f)));
    set.Add(dir + "Flame.msh", meshgen::Serialize(MakeFlame()));
    set.Add(dir + "Glow.msh", meshgen::Serialize(MakeGlow()));

    bool ok = true;
    const float colours[3][3] = {{1.0f, 0.25f, 0.15f}, {0.3f, 1.0f, 0.3f}, {0.3f, 0.55f, 1.0f}};
    for (int i = 0; i < 3; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Laser_%d.bmp", i + 1);
        ok &= AddOpaqueRgbTexture(set, dir + name, kSize, kSize, BoltTexture(colours[i]));
    }
    // Rocket body: grey metal with a dark band near the nose.
    ok &= AddOpaqueRgbTexture(set, dir + "Rocket.bmp", kSize, kSize, Paint([](float x, float y, float* c) {
        const float band = std::fabs(y + 0.6f) < 0.1f ? 0.35f : 1.0f;
        const float g = (0.55f + 0.1f * meshgen::Hash01(uint32_t((x + 2) * 977 + (y + 2) * 131))) * band;
        c[0] = c[1] = g;
        c[2] = g * 1.05f;
    }));
    // Flame: hot at the nozzle end (v = 1 at z = 0), narrowing and reddening backwards.
    ok &= AddOpaqueRgbTexture(set, dir + "Flame.bmp", kSize, kSize, Paint([](float x, float y, float* c) {
        const float t = (y + 1) * 0.5f;  // 0 at the far tip, 1 at the nozzle
        const float width = 0.2f + 0.8f * t;
        const float a = Clamp01(1 - std::fabs(x) / width) * t;
        c[0] = a * 1.2f;
        c[1] = a * (0.4f + 0.6f * t);
        c[2] = a * 0.5f * t * t;
    }));
    ok &= AddOpaqueRgbTexture(set, dir + "Glow.bmp", kSize, kSize, RoundSprite(1.0f, 0.6f, 0.25f, 2.0f));
    // Trail: soft across u, the same along v so the strip can repeat it.
    ok &= AddOpaqueRgbTexture(set, dir + "Trail.bmp", kSize, kSize, Paint([](float x, float, float* c) {
        const float a = Clamp01(1 - x * x);
        c[0] = c[1] = c[2] = a * 0.8f;
    }));
    ok &= AddOpaqueRgbTexture(set, "Data/Space/Effect/Smoke_01/Smoke.bmp", kSize, kSize,
                              Paint([](float x, float y, float* c) {
                                  const float d = std::sqrt(x * x + y * y);
                                  const float n = 0.75f + 0.25f * meshgen::Hash01(uint32_t((x + 2) * 3001 + (y + 2) * 7919));
                                  const float a = Clamp01(1 - d) * n * 0.6f;
                                  c[0] = c[1] = c[2] = a;
                              }));
    ok &= AddOpaqueRgbTexture(set, "Data/Space/Effect/LaserHit_01/Spark.bmp", kSize, kSize,
                              RoundSprite(0.9f, 0.9f, 1.0f, 3.0f));
    if (!ok) std::fprintf(stderr, "bullet_models: a texture could not be encoded\n");
    return ok;
}
