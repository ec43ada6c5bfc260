// Models and textures that the unit description files name beyond the first generated
// set: the twenty ship models, alien ships and station, gate doors, engine effects,
// suns, planets and the far asteroid field. A file already made by another generator
// is left as it is.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "../datagen.h"
#include "../tables/tables.h"
#include "../pictures/image_writer.h"
#include "mesh_builder.h"

namespace {

using meshgen::P3;

// ---- textures --------------------------------------------------------------------------

struct Rgb {
    float r, g, b;
};

struct Picture {
    int w, h;
    std::vector<uint8_t> rgb;
    Picture(int w_, int h_) : w(w_), h(h_), rgb(size_t(w_) * h_ * 3) {}
    void Set(int x, int y, Rgb c)
    {
        uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
        p[0] = datagen::UnitByte(c.r), p[1] = datagen::UnitByte(c.g), p[2] = datagen::UnitByte(c.b);
    }
};

// A texture another generator already made stays as it is.
bool AddTexture(datagen::DataSet& set, const std::string& bmpPath, const Picture& im)
{
    if (set.Has(bmpPath)) return true;
    return datagen::AddBmpWithJpeg(set, bmpPath, im.w, im.h, im.rgb, 90);
}

using datagen::LatticeNoise;

Picture Hull(Rgb base, uint32_t seed)
{
    Picture im(128, 128);
    for (int y = 0; y < im.h; ++y)
        for (int x = 0; x < im.w; ++x) {
            bool seam = (x % 32) == 0 || (y % 32) == 0;
            float n = 0.85f + 0.15f * LatticeNoise(x / 8, y / 8, seed);
            float k = seam ? 0.55f : n;
            bool stripe = (y / 16) == 3 && (x / 8) % 2 == 0;
            Rgb c = stripe ? Rgb{0.9f, 0.75f, 0.2f} : Rgb{base.r * k, base.g * k, base.b * k};
            im.Set(x, y, c);
        }
    return im;
}

Picture Radial(Rgb centre, Rgb edge, float power)
{
    Picture im(64, 64);
    for (int y = 0; y < im.h; ++y)
        for (int x = 0; x < im.w; ++x) {
            float dx = (x + 0.5f) / 32.0f - 1.0f, dy = (y + 0.5f) / 32.0f - 1.0f;
            float d = std::min(1.0f, std::sqrt(dx * dx + dy * dy));
            float t = std::pow(1.0f - d, power);
            im.Set(x, y, {edge.r + (centre.r - edge.r) * t, edge.g + (centre.g - edge.g) * t,
                          edge.b + (centre.b - edge.b) * t});
        }
    return im;
}

Picture Bands(Rgb a, Rgb b, uint32_t seed, int bands)
{
    Picture im(256, 128);
    for (int y = 0; y < im.h; ++y)
        for (int x = 0; x < im.w; ++x) {
            float t = 0.5f + 0.5f * std::sin(float(y) / float(im.h) * float(bands) * 3.14159f +
                                             2.0f * LatticeNoise(x / 16, y / 8, seed));
            float n = 0.9f + 0.1f * LatticeNoise(x / 2, y / 2, seed + 1);
            im.Set(x, y, {(a.r + (b.r - a.r) * t) * n, (a.g + (b.g - a.g) * t) * n, (a.b + (b.b - a.b) * t) * n});
        }
    return im;
}

Picture Clouds(uint32_t seed)
{
    Picture im(128, 64);
    for (int y = 0; y < im.h; ++y)
        for (int x = 0; x < im.w; ++x) {
            float v = LatticeNoise(x / 8, y / 4, seed) * 0.6f + LatticeNoise(x / 3, y / 2, seed + 7) * 0.4f;
            v = v > 0.55f ? (v - 0.55f) * 2.2f : 0.0f;
            im.Set(x, y, {v, v, v});
        }
    return im;
}

Picture Speckle(uint32_t seed)
{
    Picture im(64, 64);
    for (int y = 0; y < im.h; ++y)
        for (int x = 0; x < im.w; ++x) {
            float v = LatticeNoise(x, y, seed) > 0.97f ? 1.0f : 0.05f * LatticeNoise(x / 4, y / 4, seed + 3);
            im.Set(x, y, {v, v * 0.95f, v * 0.9f});
        }
    return im;
}

// ---- meshes -----------------------------------------------------------------------------

void AddModel(datagen::DataSet& set, const std::string& path, const meshgen::Model& m)
{
    if (!set.Has(path)) set.Add(path, meshgen::Serialize(m));
}

meshgen::Model FromBuilder(const meshgen::Builder& b)
{
    meshgen::Model m;
    m.SetGeometry(b);
    return m;
}

meshgen::Model LeafShip(int n)
{
    meshgen::Builder b;
    float r = 5.0f + float(n);
    b.Ellipsoid({0, 0, 0}, {r, r * 0.25f, r * 1.6f}, 18, 10);
    b.Ellipsoid({0, r * 0.2f, 0}, {r * 0.3f, r * 0.3f, r * 0.3f}, 10, 6);
    meshgen::Model m = FromBuilder(b);
    m.points[0] = {{0, r * 0.5f, 0}};
    m.points[2] = {{-r * 0.6f, 0, r}, {r * 0.6f, 0, r}};
    m.points[4] = {{0, 0, -r * 1.6f}};
    return m;
}

meshgen::Model LeafStation()
{
    meshgen::Builder b;
    b.Ellipsoid({0, 0, 0}, {160, 90, 160}, 24, 14);
    for (int i = 0; i < 6; ++i) {
        float a = 2.0f * 3.14159265f * float(i) / 6.0f;
        b.Ellipsoid({std::cos(a) * 200.0f, 0, std::sin(a) * 200.0f}, {70, 20, 40}, 12, 6);
    }
    meshgen::Model m = FromBuilder(b);
    m.points[0] = {{0, 90, 0}, {0, -90, 0}, {160, 0, 0}, {-160, 0, 0}, {0, 0, 160}, {0, 0, -160}};
    m.points[5] = {{0, 100, 0}};
    return m;
}

// Two slabs over the gate that slide apart over five frames (closed to open).
meshgen::Model GateDoor()
{
    meshgen::Model m;
    for (int f = 0; f < 5; ++f) {
        meshgen::Builder b;
        float open = 45.0f * float(f) / 4.0f;
        b.Box({-45 - open, -30, 192}, {0 - open, 30, 196});
        b.Box({0 + open, -30, 192}, {45 + open, 30, 196});
        if (f == 0) {
            m.SetGeometry(b);
        } else {
            m.frames.push_back(b.verts);
        }
    }
    m.points[0] = {{0, 0, 194}};
    return m;
}

meshgen::Model Flame()
{
    meshgen::Builder b;
    b.CylinderZ({0, 0, 0}, 0.5f, 0.05f, -3.0f, 0.0f, 10);
    return FromBuilder(b);
}

meshgen::Model Galo()
{
    meshgen::Builder b;
    b.Box({-1, -1, -0.01f}, {1, 1, 0.01f});
    return FromBuilder(b);
}

// Three numbers of a table cell ("1.5 1.1 1.8"), read as floats as the source writes them.
bool ThreeFloats(const std::string& text, float out[3])
{
    const std::vector<std::string> w = datagen::SplitList(text, ' ');
    if (w.size() != 3) return false;
    for (int i = 0; i < 3; ++i) {
        char* end = nullptr;
        out[i] = std::strtof(w[i].c_str(), &end);
        if (!end || *end) return false;
    }
    return true;
}

} // namespace

DATAGEN_GENERATOR(unit_models)
{
    bool ok = true;
    // The ships' looks are columns of their table.
    datagen::Table ships;
    std::string error;
    if (!datagen::ReadTable(set, "Tables/ships.csv", &ships, &error) ||
        !datagen::RequireColumns(ships, {"folder", "template", "shape", "colour", "texture_seed"}, &error)) {
        std::fprintf(stderr, "datagen: %s\n", error.c_str());
        return false;
    }
    for (size_t r = 0; r < ships.rows.size(); ++r) {
        if (ships.Get(r, "template") != "ship") continue;
        float shape[3], colour[3];
        long seed = 0;
        if (!ThreeFloats(ships.Get(r, "shape"), shape) || !ThreeFloats(ships.Get(r, "colour"), colour) ||
            !datagen::ParseInt(ships.Get(r, "texture_seed"), &seed)) {
            std::fprintf(stderr, "datagen: %s: shape and colour take three numbers, texture_seed one\n", ships.Where(r).c_str());
            ok = false;
            continue;
        }
        const std::string folder = "Data/Space/Ship/" + ships.Get(r, "folder") + "/";
        AddModel(set, folder + "Main.msh", meshgen::ScaledFighter({shape[0], shape[1], shape[2]}));
        ok &= AddTexture(set, folder + "Main.bmp", Hull({colour[0], colour[1], colour[2]}, (uint32_t)seed));
    }
    for (int n = 1; n <= 5; ++n) {
        char folder[64];
        std::snprintf(folder, sizeof folder, "Data/Space/Ship/UFO-Leaf %02d/", n);
        AddModel(set, std::string(folder) + "Main.msh", LeafShip(n));
        ok &= AddTexture(set, std::string(folder) + "Main.bmp", Bands({0.2f, 0.5f, 0.2f}, {0.5f, 0.8f, 0.3f}, 50 + n, 6));
    }
    AddModel(set, "Data/Space/Station/Leaf 01/Main.msh", LeafStation());
    ok &= AddTexture(set, "Data/Space/Station/Leaf 01/Main.bmp", Bands({0.15f, 0.4f, 0.2f}, {0.45f, 0.7f, 0.25f}, 61, 9));
    AddModel(set, "Data/Space/Station/Base 01/GateDoor.msh", GateDoor());

    AddModel(set, "Data/Space/Ship/Effects/Flame.msh", Flame());
    AddModel(set, "Data/Space/Ship/Effects/Galo.msh", Galo());
    ok &= AddTexture(set, "Data/Space/Ship/Effects/Flame.bmp", Radial({1.0f, 0.9f, 0.6f}, {0.2f, 0.1f, 0.0f}, 1.5f));
    ok &= AddTexture(set, "Data/Space/Ship/Effects/Galo.bmp", Radial({1.0f, 1.0f, 0.9f}, {0, 0, 0}, 2.5f));
    ok &= AddTexture(set, "Data/Space/Ship/Effects/Trail.bmp", Radial({0.6f, 0.7f, 1.0f}, {0, 0, 0}, 2.0f));
    ok &= AddTexture(set, "Data/Space/Ship/Effects/Debris.bmp", Hull({0.3f, 0.28f, 0.25f}, 77));

    const Rgb suns[2] = {{1.0f, 0.95f, 0.7f}, {0.75f, 0.85f, 1.0f}};
    for (int n = 1; n <= 2; ++n) {
        char folder[64];
        std::snprintf(folder, sizeof folder, "Data/Space/Static/Sun %02d/", n);
        Rgb c = suns[n - 1];
        ok &= AddTexture(set, std::string(folder) + "Main.bmp", Radial(c, {c.r * 0.8f, c.g * 0.7f, c.b * 0.5f}, 0.5f));
        ok &= AddTexture(set, std::string(folder) + "Galo.bmp", Radial(c, {0, 0, 0}, 3.0f));
        ok &= AddTexture(set, std::string(folder) + "Flare.bmp", Radial({c.r * 0.6f, c.g * 0.6f, c.b * 0.6f}, {0, 0, 0}, 1.2f));
    }
    const Rgb planets[3][2] = {{{0.2f, 0.35f, 0.6f}, {0.35f, 0.55f, 0.3f}},
                               {{0.55f, 0.35f, 0.2f}, {0.8f, 0.6f, 0.4f}},
                               {{0.75f, 0.85f, 0.95f}, {0.5f, 0.6f, 0.75f}}};
    for (int n = 1; n <= 3; ++n) {
        char folder[64];
        std::snprintf(folder, sizeof folder, "Data/Space/Static/Planet %02d/", n);
        ok &= AddTexture(set, std::string(folder) + "Main.bmp", Bands(planets[n - 1][0], planets[n - 1][1], 300 + n, 5 + n));
        ok &= AddTexture(set, std::string(folder) + "Sky.bmp", Clouds(400 + n));
        ok &= AddTexture(set, std::string(folder) + "Galo.bmp", Radial(planets[n - 1][0], {0, 0, 0}, 1.5f));
    }
    ok &= AddTexture(set, "Data/Space/Static/Asteroid Field 01/Field.bmp", Speckle(501));
    return ok;
}
