// Models and textures of the planet world: the two landscapes of the intros, the station
// room, people with their animation frames, landing craft, buildings, trees and the
// furniture of the interiors; and the saved walking grids of the interiors.
//
// The landscape is drawn first with the depth test off, so its own triangles must never
// hide each other from above: the walkable middle is flat and the ground only rises,
// ever more steeply, towards the edge (a bowl). The room likewise: floor first, then the
// walls facing inwards, which the camera sees only from inside or not at all.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "../check/check_util.h"
#include "../datagen.h"
#include "../pictures/image_writer.h"
#include "map_points.h"
#include "mesh_builder.h"
#include "../check/unit_check.h"

#include "platform/gfx/null_device.h"
#include "render/d3d_render.h"
#include "world/planet/nav_grid.h"
#include "world/world.h"

namespace {

using meshgen::Builder;
using meshgen::Model;
using meshgen::P3;
using meshgen::Vtx;

// ---- textures ------------------------------------------------------------------------

struct Rgb {
    float r, g, b;
};
Rgb Mix(Rgb a, Rgb b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
Rgb Shade(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }

struct Pic {
    int w, h;
    std::vector<uint8_t> rgb;  // rows top to bottom
    Pic(int w_, int h_) : w(w_), h(h_), rgb(size_t(w_) * size_t(h_) * 3) {}
    void Set(int x, int y, Rgb c)
    {
        uint8_t* p = &rgb[(size_t(y) * size_t(w) + size_t(x)) * 3];
        p[0] = datagen::UnitByte(c.r), p[1] = datagen::UnitByte(c.g), p[2] = datagen::UnitByte(c.b);
    }
    void Fill(int x0, int y0, int x1, int y1, const std::function<Rgb(int, int)>& f)
    {
        for (int y = std::max(0, y0); y < std::min(h, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(w, x1); ++x) Set(x, y, f(x, y));
    }
};

using datagen::LatticeNoise;
// Smooth value noise over a wrapping period (so tiled textures have no seams).
float SmoothNoise(float x, float y, int period, uint32_t seed)
{
    int x0 = int(std::floor(x)), y0 = int(std::floor(y));
    float fx = x - float(x0), fy = y - float(y0);
    auto at = [&](int i, int j) {
        return LatticeNoise(((i % period) + period) % period, ((j % period) + period) % period, seed);
    };
    fx = fx * fx * (3 - 2 * fx), fy = fy * fy * (3 - 2 * fy);
    float a = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * fx;
    float b = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * fx;
    return a + (b - a) * fy;
}

bool AddTexture(datagen::DataSet& set, const std::string& bmpPath, const Pic& im)
{
    return datagen::AddBmpWithJpeg(set, bmpPath, im.w, im.h, im.rgb, 90);
}

// Ground that tiles: two octaves of wrapping noise between two colours, with specks.
Pic Ground(Rgb a, Rgb b, Rgb speck, uint32_t seed)
{
    Pic im(128, 128);
    im.Fill(0, 0, 128, 128, [&](int x, int y) {
        float n = 0.65f * SmoothNoise(x / 16.0f, y / 16.0f, 8, seed) + 0.35f * SmoothNoise(x / 4.0f, y / 4.0f, 32, seed + 1);
        Rgb c = Mix(a, b, n);
        if (LatticeNoise(x, y, seed + 2) > 0.985f) c = speck;
        return Shade(c, 0.92f + 0.08f * LatticeNoise(x, y, seed + 3));
    });
    return im;
}

// Panels with seams: walls, floors, hulls and furniture.
Pic Panels(Rgb base, Rgb seam, int cell, uint32_t seed, Rgb stripe = {-1, 0, 0})
{
    Pic im(128, 128);
    im.Fill(0, 0, 128, 128, [&](int x, int y) {
        if (x % cell == 0 || y % cell == 0) return seam;
        if (stripe.r >= 0 && (y / 8) == 12 && ((x / 8) % 2) == 0) return stripe;
        return Shade(base, 0.88f + 0.12f * LatticeNoise(x / 4, y / 4, seed) + 0.04f * LatticeNoise(x, y, seed + 1));
    });
    return im;
}

// The room: floor tiles in the left half, wall panels with a lit band in the right half.
Pic RoomTexture(Rgb floor, Rgb wall, Rgb band)
{
    Pic im(256, 128);
    im.Fill(0, 0, 128, 128, [&](int x, int y) {
        if (x % 64 < 2 || y % 64 < 2) return Shade(floor, 0.55f);
        return Shade(floor, 0.9f + 0.1f * LatticeNoise(x / 3, y / 3, 71));
    });
    im.Fill(128, 0, 256, 128, [&](int x, int y) {
        if ((x - 128) % 32 < 2) return Shade(wall, 0.5f);
        if (y > 40 && y < 48) return band;
        if (y >= 118) return Shade(wall, 0.45f);
        return Shade(wall, 0.9f + 0.1f * LatticeNoise(x / 4, y / 4, 72));
    });
    return im;
}

// A person's clothes from head (top rows) to feet (bottom rows): skin and hair, the shirt
// with a belt, the trousers and the boots. The person mesh maps its parts to these bands.
struct Outfit {
    Rgb skin, hair, shirt, trousers, boots;
    bool stripe;  // a coloured band across the chest
    Rgb stripeColour;
};

constexpr float kBandHead0 = 0.0f, kBandHead1 = 0.25f;
constexpr float kBandShirt0 = 0.25f, kBandShirt1 = 0.55f;
constexpr float kBandLegs0 = 0.55f, kBandLegs1 = 0.88f;
constexpr float kBandBoots0 = 0.88f, kBandBoots1 = 1.0f;

Pic PersonTexture(const Outfit& o, uint32_t seed)
{
    Pic im(64, 64);
    im.Fill(0, 0, 64, 64, [&](int x, int y) {
        float v = (y + 0.5f) / 64.0f;
        float n = 0.9f + 0.1f * LatticeNoise(x / 2, y / 2, seed);
        if (v < kBandHead1) {
            // Hair on the upper part and the back of the head; a face in front (u round 0.75).
            float u = (x + 0.5f) / 64.0f;
            bool face = v > 0.09f && std::fabs(u - 0.75f) < 0.2f;
            if (!face) return Shade(o.hair, n);
            bool eye = v > 0.12f && v < 0.14f && (std::fabs(u - 0.70f) < 0.02f || std::fabs(u - 0.80f) < 0.02f);
            return eye ? Rgb{0.1f, 0.1f, 0.12f} : Shade(o.skin, n);
        }
        if (v < kBandShirt1) {
            if (v > 0.51f) return Shade(o.boots, 0.8f);  // belt
            if (o.stripe && v > 0.33f && v < 0.37f) return o.stripeColour;
            return Shade(o.shirt, n);
        }
        if (v < kBandLegs1) return Shade(o.trousers, n);
        return Shade(o.boots, n);
    });
    return im;
}

// ---- mesh helpers --------------------------------------------------------------------

// Appends src to dst through a point map; normals follow by finite differences of the
// map, and a mirroring map turns the triangles over so their fronts stay outside.
void Append(Builder& dst, const Builder& src, const std::function<P3(P3)>& map, bool mirror = false)
{
    const uint16_t base = uint16_t(dst.verts.size());
    for (const Vtx& v : src.verts) {
        Vtx w = v;
        w.p = map(v.p);
        P3 tip = map(v.p + v.n * 0.01f);
        w.n = meshgen::Norm(tip - w.p);
        dst.verts.push_back(w);
    }
    for (size_t t = 0; t + 2 < src.idx.size(); t += 3) {
        uint16_t a = uint16_t(base + src.idx[t]), b = uint16_t(base + src.idx[t + 1]), c = uint16_t(base + src.idx[t + 2]);
        dst.idx.push_back(a);
        dst.idx.push_back(mirror ? c : b);
        dst.idx.push_back(mirror ? b : c);
    }
}

P3 RotX(P3 p, P3 pivot, float a)
{
    P3 d = p - pivot;
    return pivot + P3{d.x, d.y * std::cos(a) - d.z * std::sin(a), d.y * std::sin(a) + d.z * std::cos(a)};
}
P3 RotY(P3 p, float a)
{
    return {p.x * std::cos(a) + p.z * std::sin(a), p.y, -p.x * std::sin(a) + p.z * std::cos(a)};
}

// Vertical cylinder (or cone) standing on y0: CylinderZ turned upright.
void CylinderY(Builder& b, P3 base, float r0, float r1, float height, int slices)
{
    Builder c;
    c.CylinderZ({0, 0, 0}, r0, r1, 0, height, slices);
    // (x, y, z) -> (x, z, y) swaps two axes: a mirror.
    Append(b, c, [base](P3 p) { return base + P3{p.x, p.z, p.y}; }, true);
}

// A gable roof over [x0, x1] x [z0, z1] from height y0 to the ridge at y1 (ridge along z).
void GableRoof(Builder& b, float x0, float x1, float z0, float z1, float y0, float y1, float overhang)
{
    x0 -= overhang, x1 += overhang, z0 -= overhang, z1 += overhang;
    float xm = (x0 + x1) * 0.5f;
    auto quad = [&b](P3 p0, P3 p1, P3 p2, P3 p3, P3 out, float uv) {
        uint16_t q[4];
        const P3 ps[4] = {p0, p1, p2, p3};
        const float uvs[4][2] = {{0, 0}, {uv, 0}, {uv, uv}, {0, uv}};
        for (int k = 0; k < 4; ++k) q[k] = b.Add(Vtx{ps[k], meshgen::Norm(out), uvs[k][0], uvs[k][1]});
        b.Tri(q[0], q[1], q[2], out);
        b.Tri(q[0], q[2], q[3], out);
    };
    float slope = (y1 - y0) / (xm - x0);
    quad({x0, y0, z0}, {xm, y1, z0}, {xm, y1, z1}, {x0, y0, z1}, {-slope, 1, 0}, 2);
    quad({x1, y0, z0}, {xm, y1, z0}, {xm, y1, z1}, {x1, y0, z1}, {slope, 1, 0}, 2);
    // Gables.
    for (int k = 0; k < 2; ++k) {
        float z = k ? z1 : z0;
        P3 out{0, 0, k ? 1.0f : -1.0f};
        uint16_t a = b.Add(Vtx{{x0, y0, z}, out, 0, 0}), c = b.Add(Vtx{{x1, y0, z}, out, 1, 0}),
                 d = b.Add(Vtx{{xm, y1, z}, out, 0.5f, 0.5f});
        b.Tri(a, c, d, out);
    }
    // Underside, seen from below the eaves.
    quad({x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}, {0, -1, 0}, 1);
}

// Remaps the v of the vertices from index `from` on into [v0, v1].
void Band(Builder& b, size_t from, float v0, float v1)
{
    for (size_t i = from; i < b.verts.size(); ++i) b.verts[i].v = v0 + (v1 - v0) * std::min(1.0f, std::max(0.0f, b.verts[i].v));
}
Model FromBuilder(const Builder& b)
{
    Model m;
    m.SetGeometry(b);
    return m;
}

// The station room shared by the four interiors, in grid cells.
constexpr int kRoomGrid = 64;
constexpr float kRoomX0 = 14.0f, kRoomX1 = 54.0f, kRoomZ0 = 26.0f, kRoomZ1 = 54.0f;

// ---- landscape -----------------------------------------------------------------------

// The ground of an intro: a grid over [-extent, n + extent]^2, flat over [0, n]^2 and a
// little beyond, rising beyond it as a bowl with gentle noise. The header carries the
// grid size the walkers use.
Model Landscape(int n, float extent, float rise, uint32_t seed, float flatMargin)
{
    const int cells = 80;
    const float lo = -extent, hi = float(n) + extent, step = (hi - lo) / float(cells);
    const float flatLo = -flatMargin, flatHi = float(n) + flatMargin;
    Builder b;
    auto height = [&](float x, float z) {
        float dx = std::max(0.0f, std::max(flatLo - x, x - flatHi));
        float dz = std::max(0.0f, std::max(flatLo - z, z - flatHi));
        float d = std::sqrt(dx * dx + dz * dz) / extent;  // 0 at the flat edge, about 1 at the rim
        if (d <= 0.0f) return 0.0f;
        float wobble = 0.75f + 0.5f * SmoothNoise(x / 40.0f, z / 40.0f, 64, seed);
        return rise * d * d * wobble;
    };
    for (int j = 0; j <= cells; ++j)
        for (int i = 0; i <= cells; ++i) {
            float x = lo + step * float(i), z = lo + step * float(j);
            Vtx v;
            v.p = {x, height(x, z), z};
            // Normal from the slopes round the point.
            float e = step * 0.5f;
            P3 dx{2 * e, height(x + e, z) - height(x - e, z), 0};
            P3 dz{0, height(x, z + e) - height(x, z - e), 2 * e};
            v.n = meshgen::Norm(meshgen::Cross(dz, dx));
            v.u = x / 8.0f;
            v.v = z / 8.0f;
            b.Add(v);
        }
    const int row = cells + 1;
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            uint16_t a = uint16_t(j * row + i), c = uint16_t(a + 1), d = uint16_t(a + row), e = uint16_t(d + 1);
            b.Tri(a, c, e, {0, 1, 0});
            b.Tri(a, e, d, {0, 1, 0});
        }
    Model m = FromBuilder(b);
    m.header[0] = float(n);
    return m;
}

// Station room: tiled floor over [x0, x1] x [z0, z1] and inward walls of height h on a
// dark deck. The deck comes first in the face list, then the floor, then the walls.
Model Room(int n, float x0, float x1, float z0, float z1, float h)
{
    Builder b;
    // The deck round the room, first of all, so no view past a wall looks into nothing.
    {
        const float e = 300.0f;
        P3 up{0, 1, 0};
        uint16_t q0 = b.Add(Vtx{{x0 - e, -0.01f, z0 - e}, up, 0.52f, 0.94f}),
                 q1 = b.Add(Vtx{{x1 + e, -0.01f, z0 - e}, up, 0.98f, 0.94f}),
                 q2 = b.Add(Vtx{{x1 + e, -0.01f, z1 + e}, up, 0.98f, 0.98f}),
                 q3 = b.Add(Vtx{{x0 - e, -0.01f, z1 + e}, up, 0.52f, 0.98f});
        b.Tri(q0, q1, q2, up);
        b.Tri(q0, q2, q3, up);
    }
    const float tile = 2.0f;
    for (float z = z0; z < z1 - 0.01f; z += tile)
        for (float x = x0; x < x1 - 0.01f; x += tile) {
            float xe = std::min(x1, x + tile), ze = std::min(z1, z + tile);
            P3 up{0, 1, 0};
            uint16_t q0 = b.Add(Vtx{{x, 0, z}, up, 0.01f, 0.01f}), q1 = b.Add(Vtx{{xe, 0, z}, up, 0.49f, 0.01f}),
                     q2 = b.Add(Vtx{{xe, 0, ze}, up, 0.49f, 0.99f}), q3 = b.Add(Vtx{{x, 0, ze}, up, 0.01f, 0.99f});
            b.Tri(q0, q1, q2, up);
            b.Tri(q0, q2, q3, up);
        }
    // Walls: (start, end, inward normal).
    struct Wall {
        P3 a, c, in;
    };
    const Wall walls[4] = {{{x0, 0, z1}, {x1, 0, z1}, {0, 0, -1}},
                           {{x0, 0, z0}, {x0, 0, z1}, {1, 0, 0}},
                           {{x1, 0, z0}, {x1, 0, z1}, {-1, 0, 0}},
                           {{x0, 0, z0}, {x1, 0, z0}, {0, 0, 1}}};
    const float panel = 2.0f;
    for (const Wall& w : walls) {
        P3 d = w.c - w.a;
        float len = std::sqrt(meshgen::Dot(d, d));
        P3 dir = d * (1.0f / len);
        for (float s = 0; s < len - 0.01f; s += panel) {
            float e = std::min(len, s + panel);
            P3 p0 = w.a + dir * s, p1 = w.a + dir * e;
            uint16_t q0 = b.Add(Vtx{p0, w.in, 0.51f, 0.99f}), q1 = b.Add(Vtx{p1, w.in, 0.99f, 0.99f}),
                     q2 = b.Add(Vtx{p1 + P3{0, h, 0}, w.in, 0.99f, 0.01f}),
                     q3 = b.Add(Vtx{p0 + P3{0, h, 0}, w.in, 0.51f, 0.01f});
            b.Tri(q0, q1, q2, w.in);
            b.Tri(q0, q2, q3, w.in);
        }
    }
    Model m = FromBuilder(b);
    m.header[0] = float(n);
    return m;
}

// ---- people --------------------------------------------------------------------------

// Frames of the person mesh; the description files give each action its range.
// 0-1 standing, 2-9 walking, 10-13 guarding, 14-19 working, 20-23 falling dead,
// 24-25 taking a hit.
constexpr int kPersonFrames = 26;

struct Pose {
    float legL = 0, legR = 0;     // swing about the hips (negative: forward)
    float armL = 0, armR = 0;     // swing about the shoulders
    float spreadArms = 0;         // arms out to the sides
    float lean = 0;               // whole body about the feet (negative: backward)
    float lift = 0;               // whole body up
};

Pose PersonPose(int f)
{
    Pose p;
    const float pi = float(M_PI);
    if (f == 1) {
        p.spreadArms = 0.06f;
    } else if (f >= 2 && f <= 9) {
        float ph = 2 * pi * float(f - 2) / 8.0f;
        p.legL = 0.5f * std::sin(ph), p.legR = -p.legL;
        p.armL = -0.45f * std::sin(ph), p.armR = -p.armL;
    } else if (f >= 10 && f <= 13) {
        float k = float(f - 10) / 3.0f;
        p.armL = p.armR = -0.5f - 0.6f * k;
        p.spreadArms = 0.1f;
    } else if (f >= 14 && f <= 19) {
        float ph = 2 * pi * float(f - 14) / 6.0f;
        p.armL = -1.2f + 0.35f * std::sin(ph);
        p.armR = -1.2f - 0.35f * std::sin(ph);
        p.lean = 0.12f;
    } else if (f >= 20 && f <= 23) {
        float k = float(f - 19) / 4.0f;
        p.lean = -1.5f * k;
        p.lift = 0.13f * k;
        p.spreadArms = 0.5f * k;
    } else if (f >= 24) {
        p.lean = f == 24 ? -0.18f : -0.32f;
        p.armL = p.armR = 0.4f;
    }
    return p;
}

// One frame: the same parts in the same order for every pose, so the topology agrees.
// A woman is a little slighter, with her hair gathered at the back of the head.
Builder PersonFrame(const Pose& pose, bool woman)
{
    Builder out;
    auto part = [&](const Builder& src, float v0, float v1, const std::function<P3(P3)>& map) {
        Builder tmp = src;
        Band(tmp, 0, v0, v1);
        Append(out, tmp, [&](P3 p) {
            P3 q = map(p);
            q = RotX(q, {0, 0, 0}, pose.lean);
            return q + P3{0, pose.lift, 0};
        });
    };
    // Legs hang from the hips at y 0.9; each is a trouser box and a boot box.
    for (int side = 0; side < 2; ++side) {
        float x = side ? 0.1f : -0.1f;
        float a = side ? pose.legR : pose.legL;
        Builder leg, boot;
        leg.Box({x - 0.08f, 0.12f, -0.08f}, {x + 0.08f, 0.92f, 0.08f});
        boot.Box({x - 0.085f, 0.0f, -0.09f}, {x + 0.085f, 0.14f, 0.13f});
        auto swing = [x, a](P3 p) { return RotX(p, {x, 0.9f, 0}, a); };
        part(leg, kBandLegs0, kBandLegs1, swing);
        part(boot, kBandBoots0, kBandBoots1, swing);
    }
    const float shoulder = woman ? 0.18f : 0.21f;
    Builder torso;
    torso.Box({-shoulder, 0.88f, -0.11f}, {shoulder, 1.46f, 0.11f});
    part(torso, kBandShirt0, kBandShirt1, [](P3 p) { return p; });
    // Arms hang from the shoulders at y 1.42; sleeves and hands.
    for (int side = 0; side < 2; ++side) {
        float s = side ? 1.0f : -1.0f;
        float x = (shoulder + 0.07f) * s;
        float a = side ? pose.armR : pose.armL;
        Builder arm, hand;
        arm.Box({x - 0.055f, 0.86f, -0.055f}, {x + 0.055f, 1.46f, 0.055f});
        hand.Ellipsoid({x, 0.82f, 0}, {0.05f, 0.06f, 0.05f}, 6, 4);
        auto swing = [x, s, a, &pose](P3 p) {
            P3 q = p;
            // Out to the side first (about z through the shoulder), then the swing.
            float sp = pose.spreadArms * s;
            P3 d = q - P3{x, 1.42f, 0};
            q = P3{x, 1.42f, 0} + P3{d.x * std::cos(sp) - d.y * std::sin(sp), d.x * std::sin(sp) + d.y * std::cos(sp), d.z};
            return RotX(q, {x, 1.42f, 0}, a);
        };
        part(arm, kBandShirt0, kBandShirt1 - 0.06f, swing);
        part(hand, 0.12f, 0.14f, swing);  // skin of the face band
    }
    Builder head;
    head.Ellipsoid({0, 1.62f, 0}, {0.11f, 0.14f, 0.12f}, 12, 8);
    part(head, kBandHead0, kBandHead1, [](P3 p) { return p; });
    if (woman) {
        Builder hair;
        hair.Ellipsoid({0, 1.58f, -0.08f}, {0.12f, 0.17f, 0.09f}, 8, 6);
        part(hair, 0.0f, 0.08f, [](P3 p) { return p; });
    }
    return out;
}

Model Person(bool woman)
{
    Model m;
    for (int f = 0; f < kPersonFrames; ++f) {
        Builder b = PersonFrame(PersonPose(f), woman);
        if (f == 0) {
            m.SetGeometry(b);
        } else {
            m.frames.push_back(b.verts);
        }
    }
    // The eye, above the head.
    m.points[0] = {{0, 1.65f, 0.1f}};
    return m;
}

// ---- vehicles, buildings, nature, furniture ------------------------------------------

// Landing craft, nose along +z; its origin hovers `skid` above the skids, as the scenes
// fly it to points that high over the ground.
Model Shuttle(float skid)
{
    Builder b;
    b.Ellipsoid({0, 1.5f, 0}, {1.5f, 1.0f, 4.2f}, 18, 10);
    b.Ellipsoid({0, 2.3f, 1.8f}, {0.8f, 0.55f, 1.4f}, 12, 8);
    b.Box({-4.0f, 1.3f, -1.8f}, {4.0f, 1.5f, 0.8f});
    b.Box({-0.1f, 2.0f, -4.0f}, {0.1f, 3.4f, -2.4f});
    b.CylinderZ({-1.0f, 1.3f, 0}, 0.45f, 0.4f, -4.8f, -2.5f, 10);
    b.CylinderZ({1.0f, 1.3f, 0}, 0.45f, 0.4f, -4.8f, -2.5f, 10);
    b.Box({-1.4f, 0.0f, -2.5f}, {-1.2f, 0.6f, 2.5f});
    b.Box({1.2f, 0.0f, -2.5f}, {1.4f, 0.6f, 2.5f});
    for (Vtx& v : b.verts) v.p.y -= skid;
    Model m = FromBuilder(b);
    m.points[0] = {{0, 2.5f - skid, 2.2f}};
    m.points[4] = {{-1.0f, 1.3f - skid, -4.9f}, {1.0f, 1.3f - skid, -4.9f}};
    return m;
}

Model Hangar()
{
    Builder b;
    b.Box({-9, 0, -7}, {9, 5, 7});
    Builder roof;
    roof.CylinderZ({0, 0, 0}, 9.0f, 9.0f, -7.2f, 7.2f, 24);
    // Squash the round roof and keep only what stands above the walls.
    Append(b, roof, [](P3 p) { return P3{p.x, 5.0f + std::max(-0.5f, p.y * 0.33f), p.z}; });
    b.Box({-4, 0, 7.0f}, {4, 4.2f, 7.15f});  // door
    return FromBuilder(b);
}

Model House()
{
    Builder b;
    b.Box({-3, 0, -2.5f}, {3, 3, 2.5f});
    GableRoof(b, -3, 3, -2.5f, 2.5f, 3, 4.6f, 0.3f);
    b.Box({-0.6f, 0, 2.5f}, {0.6f, 2.0f, 2.6f});  // door
    return FromBuilder(b);
}

Model Tower()
{
    Builder b;
    CylinderY(b, {0, 0, 0}, 0.9f, 0.6f, 9.0f, 12);
    b.Box({-1.6f, 9.0f, -1.6f}, {1.6f, 10.4f, 1.6f});
    CylinderY(b, {0, 10.4f, 0}, 0.12f, 0.02f, 3.5f, 6);
    Model m = FromBuilder(b);
    m.points[5] = {{0, 13.8f, 0}};
    return m;
}

Model LandingPad()
{
    Builder b;
    Builder disc;
    disc.CylinderZ({0, 0, 0}, 7.0f, 7.0f, 0.0f, 0.05f, 32);
    Append(b, disc, [](P3 p) { return P3{p.x, p.z, p.y}; }, true);
    return FromBuilder(b);
}

Model Tree(uint32_t seed)
{
    Builder b;
    CylinderY(b, {0, 0, 0}, 0.25f, 0.18f, 2.2f, 8);
    Builder crown;
    crown.Ellipsoid({0, 0, 0}, {1.6f, 1.9f, 1.6f}, 12, 8);
    crown.Roughen(0.25f, seed);
    Append(b, crown, [](P3 p) { return p + P3{0, 3.6f, 0}; });
    // Trunk in the lower band of the texture, leaves in the upper.
    for (size_t i = 0; i < b.verts.size(); ++i) {
        bool isTrunk = b.verts[i].p.y < 2.25f && std::fabs(b.verts[i].p.x) < 0.3f && std::fabs(b.verts[i].p.z) < 0.3f;
        b.verts[i].v = isTrunk ? 0.8f + 0.15f * b.verts[i].v : 0.05f + 0.6f * b.verts[i].v;
    }
    return FromBuilder(b);
}

Model Pine(uint32_t seed)
{
    Builder b;
    CylinderY(b, {0, 0, 0}, 0.22f, 0.15f, 1.6f, 8);
    for (int k = 0; k < 3; ++k) CylinderY(b, {0, 1.4f + 1.3f * float(k), 0}, 1.7f - 0.45f * float(k), 0.0f, 2.2f, 10);
    for (size_t i = 0; i < b.verts.size(); ++i) {
        bool isTrunk = b.verts[i].p.y < 1.45f;
        float wob = 0.05f * meshgen::Hash01(seed + uint32_t(i));
        b.verts[i].v = isTrunk ? 0.8f + 0.15f * b.verts[i].v : 0.05f + wob + 0.55f * b.verts[i].v;
    }
    return FromBuilder(b);
}

Model Stone(uint32_t seed, P3 r)
{
    Builder b;
    b.Ellipsoid({0, r.y * 0.6f, 0}, r, 12, 8);
    b.Roughen(std::min(r.x, r.y) * 0.2f, seed);
    return FromBuilder(b);
}

// Street lamp, its light point just under the head.
Model LampPost()
{
    Builder b;
    CylinderY(b, {0, 0, 0}, 0.12f, 0.08f, 4.2f, 8);
    b.Box({-0.15f, 4.2f, -0.15f}, {0.15f, 4.3f, 0.9f});
    b.Box({-0.25f, 4.0f, 0.6f}, {0.25f, 4.25f, 1.1f});
    Model m = FromBuilder(b);
    m.points[5] = {{0, 3.9f, 0.85f}};
    return m;
}

// An engine block lying on trestles: the part the hero works at in the first intro.
Model EnginePart()
{
    Builder b;
    b.CylinderZ({0, 1.1f, 0}, 0.9f, 0.7f, -2.2f, 1.8f, 16);
    b.CylinderZ({0, 1.1f, 0}, 0.5f, 0.6f, -2.8f, -2.2f, 12);
    b.Box({-1.0f, 0, -1.6f}, {1.0f, 0.35f, -1.3f});
    b.Box({-1.0f, 0, 1.1f}, {1.0f, 0.35f, 1.4f});
    Model m = FromBuilder(b);
    m.points[0] = {{0, 1.9f, 0}};
    return m;
}

Model Crate(float s)
{
    Builder b;
    b.Box({-s, 0, -s}, {s, 2 * s, s});
    return FromBuilder(b);
}

// Desk of the station operator, long along z, the customer's side at +x. Nothing stands
// above the top: the terminal the locations put on it is its screen, and anything higher
// would lift the desk's hit box over the terminal and take the terminal's clicks.
Model Desk()
{
    Builder b;
    b.Box({-0.45f, 0, -1.6f}, {0.45f, 0.95f, 1.6f});
    b.Box({-0.6f, 0.95f, -1.7f}, {0.6f, 1.05f, 1.7f});
    return FromBuilder(b);
}

// Operator's chair facing +z.
Model Chair()
{
    Builder b;
    CylinderY(b, {0, 0, 0}, 0.25f, 0.06f, 0.45f, 8);
    b.Box({-0.3f, 0.45f, -0.3f}, {0.3f, 0.55f, 0.3f});
    b.Box({-0.3f, 0.55f, -0.36f}, {0.3f, 1.25f, -0.28f});
    return FromBuilder(b);
}

// Technical console facing +z; the operator places stand in front of it.
Model Console()
{
    Builder b;
    b.Box({-1.2f, 0, -0.35f}, {1.2f, 1.0f, 0.35f});
    b.Box({-1.2f, 1.0f, -0.35f}, {1.2f, 1.8f, -0.2f});
    b.Box({-1.1f, 1.0f, -0.2f}, {1.1f, 1.08f, 0.3f});
    Model m = FromBuilder(b);
    m.points[0] = {{-0.6f, 0, 0.95f}, {0.6f, 0, 0.95f}};
    return m;
}

// Signal lamp on a short post; its light point at the globe.
Model SignalLamp()
{
    Builder b;
    CylinderY(b, {0, 0, 0}, 0.08f, 0.06f, 2.4f, 6);
    b.Ellipsoid({0, 2.55f, 0}, {0.18f, 0.18f, 0.18f}, 10, 6);
    Model m = FromBuilder(b);
    m.points[5] = {{0, 2.55f, 0}};
    return m;
}

// Lift cabin open towards +z (the door slides across the opening).
Model LiftCabin()
{
    Builder b;
    b.Box({-1.7f, 0, -1.7f}, {-1.5f, 3.2f, 1.6f});
    b.Box({1.5f, 0, -1.7f}, {1.7f, 3.2f, 1.6f});
    b.Box({-1.7f, 0, -1.7f}, {1.7f, 3.2f, -1.5f});
    b.Box({-1.7f, 3.2f, -1.7f}, {1.7f, 3.4f, 1.6f});
    b.Box({-1.5f, 2.8f, 1.5f}, {1.5f, 3.2f, 1.6f});  // lintel
    Model m = FromBuilder(b);
    m.points[0] = {{0, 0, 0}, {0, 0, 2.5f}};
    return m;
}

// The lift door: two leaves that slide apart over five frames (closed to open).
Model LiftDoor()
{
    Model m;
    for (int f = 0; f < 5; ++f) {
        Builder b;
        float open = 1.45f * float(f) / 4.0f;
        b.Box({-1.5f - open, 0, 1.56f}, {0.0f - open, 2.8f, 1.62f});
        b.Box({0.0f + open, 0, 1.56f}, {1.5f + open, 2.8f, 1.62f});
        if (f == 0) {
            m.SetGeometry(b);
        } else {
            m.frames.push_back(b.verts);
        }
    }
    return m;
}

// ---- the list ------------------------------------------------------------------------

const char kHuman[] = "Data/Planet/Creatures/Human/";

struct PersonSkin {
    const char* folder;  // under kHuman
    Outfit outfit;
};

const Rgb kSkinLight{0.86f, 0.68f, 0.56f}, kSkinDark{0.55f, 0.38f, 0.28f}, kSkinMid{0.75f, 0.56f, 0.42f};
const Rgb kHairDark{0.15f, 0.1f, 0.07f}, kHairFair{0.7f, 0.58f, 0.3f}, kHairGrey{0.5f, 0.5f, 0.5f};
const Rgb kBoots{0.18f, 0.14f, 0.1f};

const PersonSkin kPeople[] = {
    {"Intro 01/Hero", {kSkinLight, kHairDark, {0.2f, 0.32f, 0.6f}, {0.22f, 0.24f, 0.3f}, kBoots, true, {0.9f, 0.75f, 0.2f}}},
    {"Intro 01/Guide", {kSkinMid, kHairGrey, {0.55f, 0.45f, 0.3f}, {0.35f, 0.3f, 0.22f}, kBoots, false, {}}},
    {"Station Intro 01/Guide", {kSkinMid, kHairGrey, {0.55f, 0.45f, 0.3f}, {0.35f, 0.3f, 0.22f}, kBoots, false, {}}},
    {"Intro 02/Hero", {kSkinLight, kHairDark, {0.2f, 0.32f, 0.6f}, {0.22f, 0.24f, 0.3f}, kBoots, true, {0.9f, 0.75f, 0.2f}}},
    {"Intro 02/Captain", {kSkinLight, kHairGrey, {0.3f, 0.35f, 0.25f}, {0.25f, 0.28f, 0.2f}, kBoots, true, {0.8f, 0.1f, 0.1f}}},
    {"Intro 02/Guard 01", {kSkinDark, kHairDark, {0.35f, 0.38f, 0.3f}, {0.3f, 0.32f, 0.25f}, kBoots, false, {}}},
    {"Intro 02/Guard 02", {kSkinMid, kHairDark, {0.35f, 0.38f, 0.3f}, {0.3f, 0.32f, 0.25f}, kBoots, false, {}}},
    {"Intro 02/Guard 03", {kSkinLight, kHairFair, {0.35f, 0.38f, 0.3f}, {0.3f, 0.32f, 0.25f}, kBoots, false, {}}},
    {"Mercenaries/Merc 01", {kSkinMid, kHairFair, {0.5f, 0.2f, 0.15f}, {0.2f, 0.2f, 0.2f}, kBoots, true, {0.2f, 0.2f, 0.2f}}},
    {"Mercenaries/Merc 02", {kSkinDark, kHairDark, {0.2f, 0.45f, 0.4f}, {0.25f, 0.22f, 0.2f}, kBoots, false, {}}},
    {"Station/Operator", {kSkinLight, kHairFair, {0.8f, 0.8f, 0.82f}, {0.3f, 0.3f, 0.35f}, kBoots, true, {0.2f, 0.4f, 0.8f}}},
    {"Station/Technician", {kSkinMid, kHairDark, {0.85f, 0.55f, 0.15f}, {0.3f, 0.3f, 0.3f}, kBoots, true, {0.9f, 0.9f, 0.9f}}},
    {"Station/Passer-by", {kSkinDark, kHairGrey, {0.45f, 0.3f, 0.5f}, {0.25f, 0.25f, 0.3f}, kBoots, false, {}}},
    {"Station/Hero", {kSkinLight, kHairDark, {0.2f, 0.32f, 0.6f}, {0.22f, 0.24f, 0.3f}, kBoots, true, {0.9f, 0.75f, 0.2f}}},
};

struct Folder {
    const char* path;  // folder of the unit; the mesh is Main.msh and the texture Main.bmp in it
    Model (*make)();
};

Model Shuttle01() { return Shuttle(3.5f); }
Model Shuttle02() { return Shuttle(2.5f); }
Model Tree01() { return Tree(0x7ee01u); }
Model Tree02() { return Pine(0x7ee02u); }
Model Stone01() { return Stone(0x5701u, {1.4f, 0.9f, 1.1f}); }
Model Stone02() { return Stone(0x5702u, {0.7f, 0.5f, 0.6f}); }
Model Crate01() { return Crate(0.5f); }
Model Field() { return Landscape(100, 160.0f, 45.0f, 0x1a0d01u, 4.0f); }
Model Base() { return Landscape(100, 160.0f, 60.0f, 0x1a0d02u, 16.0f); }
Model StationRoom() { return Room(kRoomGrid, kRoomX0, kRoomX1, kRoomZ0, kRoomZ1, 3.6f); }

const Folder kModels[] = {
    {"Data/Planet/Landscape/Field 01/", Field},
    {"Data/Planet/Landscape/Base 01/", Base},
    {"Data/Planet/Interior/Room 01/", StationRoom},
    {"Data/Planet/Vehicles/Shuttle 01/", Shuttle01},
    {"Data/Planet/Vehicles/Shuttle 02/", Shuttle02},
    // The mercenaries' base flies its craft to 3.5 over the pad, as the first intro its first.
    {"Data/Planet/Vehicles/Shuttle 03/", Shuttle01},
    {"Data/Planet/Buildings/Hangar 01/", Hangar},
    {"Data/Planet/Buildings/House 01/", House},
    {"Data/Planet/Buildings/Tower 01/", Tower},
    {"Data/Planet/Buildings/Landing Pad 01/", LandingPad},
    {"Data/Planet/Nature/Tree 01/", Tree01},
    {"Data/Planet/Nature/Tree 02/", Tree02},
    {"Data/Planet/Nature/Stone 01/", Stone01},
    {"Data/Planet/Nature/Stone 02/", Stone02},
    {"Data/Planet/Misc/Interior/LightSources/01/", LampPost},
    {"Data/Planet/Misc/Engine 01/", EnginePart},
    {"Data/Planet/Misc/Interior/Crate 01/", Crate01},
    {"Data/Planet/Misc/Interior/Desk 01/", Desk},
    {"Data/Planet/Misc/Interior/Chair 01/", Chair},
    {"Data/Planet/Misc/Interior/Console 01/", Console},
    {"Data/Planet/Misc/Interior/Signal Lamp 01/", SignalLamp},
    {"Data/Planet/Misc/Interior/Lift 01/", LiftCabin},
};

// Textures of the model folders, "Main.bmp" in each.
Pic FolderTexture(const std::string& folder)
{
    auto is = [&folder](const char* tail) { return folder.find(tail) != std::string::npos; };
    if (is("Field 01")) return Ground({0.3f, 0.52f, 0.18f}, {0.46f, 0.62f, 0.26f}, {0.55f, 0.5f, 0.3f}, 11);
    if (is("Base 01")) return Ground({0.45f, 0.4f, 0.3f}, {0.58f, 0.52f, 0.4f}, {0.3f, 0.28f, 0.25f}, 12);
    if (is("Room 01")) return RoomTexture({0.5f, 0.52f, 0.55f}, {0.62f, 0.64f, 0.68f}, {0.55f, 0.75f, 0.95f});
    if (is("Shuttle")) return Panels({0.78f, 0.78f, 0.8f}, {0.45f, 0.45f, 0.5f}, 32, 21, {0.95f, 0.55f, 0.1f});
    if (is("Hangar")) return Panels({0.45f, 0.5f, 0.42f}, {0.3f, 0.33f, 0.28f}, 16, 22);
    if (is("House")) return Panels({0.75f, 0.68f, 0.55f}, {0.5f, 0.42f, 0.35f}, 64, 23);
    if (is("Tower")) return Panels({0.6f, 0.6f, 0.62f}, {0.35f, 0.35f, 0.38f}, 32, 24, {0.9f, 0.15f, 0.1f});
    if (is("Landing Pad")) {
        Pic im(128, 128);
        im.Fill(0, 0, 128, 128, [](int x, int y) {
            float dx = (x + 0.5f) / 64.0f - 1.0f, dy = (y + 0.5f) / 64.0f - 1.0f;
            float r = std::sqrt(dx * dx + dy * dy);
            if (r > 0.82f && r < 0.9f) return Rgb{0.9f, 0.75f, 0.15f};
            bool letter = (std::fabs(dx) < 0.3f && std::fabs(dx) > 0.2f && std::fabs(dy) < 0.4f) ||
                          (std::fabs(dy) < 0.05f && std::fabs(dx) < 0.3f);
            if (letter) return Rgb{0.95f, 0.95f, 0.95f};
            return Shade(Rgb{0.42f, 0.42f, 0.44f}, 0.9f + 0.1f * LatticeNoise(x / 2, y / 2, 25));
        });
        return im;
    }
    if (is("Tree 01") || is("Tree 02")) {
        Rgb leaf = is("Tree 01") ? Rgb{0.2f, 0.45f, 0.15f} : Rgb{0.1f, 0.3f, 0.15f};
        Pic im(64, 64);
        im.Fill(0, 0, 64, 64, [&](int x, int y) {
            if (y >= 48) return Shade(Rgb{0.35f, 0.24f, 0.15f}, 0.85f + 0.15f * LatticeNoise(x, y / 4, 26));
            return Shade(leaf, 0.7f + 0.3f * LatticeNoise(x / 2, y / 2, 27));
        });
        return im;
    }
    if (is("Stone")) return Ground({0.4f, 0.4f, 0.38f}, {0.6f, 0.58f, 0.55f}, {0.3f, 0.3f, 0.3f}, 28);
    if (is("Engine")) return Panels({0.5f, 0.5f, 0.55f}, {0.25f, 0.25f, 0.28f}, 16, 29, {0.8f, 0.3f, 0.1f});
    if (is("Crate")) return Panels({0.55f, 0.45f, 0.25f}, {0.3f, 0.22f, 0.12f}, 32, 30);
    if (is("Desk")) return Panels({0.3f, 0.35f, 0.45f}, {0.2f, 0.22f, 0.3f}, 64, 31, {0.3f, 0.7f, 0.9f});
    if (is("Chair")) return Panels({0.25f, 0.25f, 0.28f}, {0.15f, 0.15f, 0.18f}, 64, 32);
    if (is("Console")) return Panels({0.35f, 0.4f, 0.42f}, {0.2f, 0.55f, 0.3f}, 16, 33, {0.9f, 0.8f, 0.2f});
    if (is("Signal Lamp")) return Panels({0.85f, 0.2f, 0.15f}, {0.4f, 0.1f, 0.1f}, 64, 34);
    if (is("Lift")) return Panels({0.55f, 0.58f, 0.62f}, {0.3f, 0.32f, 0.36f}, 32, 35, {0.9f, 0.75f, 0.2f});
    // Lamp post.
    return Panels({0.25f, 0.27f, 0.3f}, {0.15f, 0.15f, 0.18f}, 64, 36);
}

// Blocking footprints of the room furniture in the object's own x-z plane: the walking grid
// of an interior keeps people inside the room and out of the furniture.
struct Footprint {
    const char* folder;
    float x0, z0, x1, z1;
};
const Footprint kFootprints[] = {
    {"Data/Planet/Misc/Interior/Desk 01/", -0.6f, -1.7f, 0.6f, 1.7f},
    {"Data/Planet/Misc/Interior/Console 01/", -1.2f, -0.35f, 1.2f, 0.35f},
    {"Data/Planet/Misc/Interior/Chair 01/", -0.3f, -0.36f, 0.3f, 0.3f},
    {"Data/Planet/Misc/Interior/Crate 01/", -0.5f, -0.5f, 0.5f, 0.5f},
    {"Data/Planet/Misc/Interior/Signal Lamp 01/", -0.2f, -0.2f, 0.2f, 0.2f},
    // The lift: its two side walls and its back; the cabin itself is walked into.
    {"Data/Planet/Misc/Interior/Lift 01/", -1.7f, -1.7f, -1.5f, 1.6f},
    {"Data/Planet/Misc/Interior/Lift 01/", 1.5f, -1.7f, 1.7f, 1.6f},
    {"Data/Planet/Misc/Interior/Lift 01/", -1.7f, -1.7f, 1.7f, -1.5f},
};

struct PlacedObject {
    std::string path;
    P3 position, rotation, scale;
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

std::string Value(const std::string& line)
{
    std::string v = line.size() > 32 ? line.substr(32) : std::string();
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.pop_back();
    return v;
}

P3 Triple(const std::string& line)
{
    auto piece = [&line](size_t from, size_t n) {
        return from < line.size() ? std::atof(line.substr(from, n).c_str()) : 0.0;
    };
    return {float(piece(32, 8)), float(piece(41, 8)), float(piece(50, std::string::npos))};
}

// The objects of a planet Main.loc, read by the same columns as the game reads them.
std::vector<PlacedObject> PlanetObjects(const std::string& text)
{
    std::vector<PlacedObject> out;
    std::vector<std::string> lines = Lines(text);
    if (lines.size() < 8) return out;
    int count = std::atoi(Value(lines[6]).c_str());
    for (int i = 0; i < count; ++i) {
        size_t at = 8 + size_t(i) * 5;
        if (at + 3 >= lines.size()) break;
        out.push_back({Value(lines[at]), Triple(lines[at + 1]), Triple(lines[at + 2]), Triple(lines[at + 3])});
    }
    return out;
}

// The walking grid of a station interior: everything outside the room and under the
// furniture that the location file places is blocked.
std::vector<uint8_t> InteriorBlocked(const std::vector<PlacedObject>& objects)
{
    const int n = kRoomGrid;
    std::vector<uint8_t> blocked(size_t(n) * size_t(n), 0);
    const float margin = 0.3f;
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            const float x = float(c) + 0.5f, z = float(r) + 0.5f;
            bool out = x < kRoomX0 + margin || x > kRoomX1 - margin || z < kRoomZ0 + margin || z > kRoomZ1 - margin;
            for (const PlacedObject& o : objects) {
                if (out) break;
                for (const Footprint& f : kFootprints) {
                    std::string folder = f.folder;
                    if (o.path.compare(0, folder.size(), folder) != 0) continue;
                    // Into the object's own frame: undo the turn about y and the scale.
                    P3 local = RotY(P3{x - o.position.x, 0, z - o.position.z}, -o.rotation.y);
                    float sx = o.scale.x != 0 ? o.scale.x : 1.0f, sz = o.scale.z != 0 ? o.scale.z : 1.0f;
                    local.x /= sx, local.z /= sz;
                    const float g = 0.2f;
                    if (local.x > f.x0 - g && local.x < f.x1 + g && local.z > f.z0 - g && local.z < f.z1 + g) {
                        out = true;
                        break;
                    }
                }
            }
            blocked[size_t(c) + size_t(r) * size_t(n)] = out ? 1 : 0;
        }
    return blocked;
}

const char* const kInteriors[] = {"Hero Station", "Trade Station", "Station Intro 01", "Station Intro 02"};

} // namespace

DATAGEN_GENERATOR(planet_models)
{
    bool ok = true;
    for (const Folder& f : kModels) {
        std::string folder = f.path;
        set.Add(folder + "Main.msh", meshgen::Serialize(f.make()));
        ok &= AddTexture(set, folder + "Main.bmp", FolderTexture(folder));
    }
    const std::string lamp = "Data/Planet/Misc/Interior/LightSources/01/";
    ok &= AddTexture(set, lamp + "Main_ON.bmp", Panels({0.45f, 0.42f, 0.3f}, {0.95f, 0.85f, 0.5f}, 64, 37));
    const std::string lift = "Data/Planet/Misc/Interior/Lift 01/";
    set.Add(lift + "Door.msh", meshgen::Serialize(LiftDoor()));
    ok &= AddTexture(set, lift + "Door.bmp", Panels({0.7f, 0.72f, 0.75f}, {0.4f, 0.42f, 0.45f}, 64, 38, {0.9f, 0.75f, 0.2f}));

    set.Add(std::string(kHuman) + "Man.msh", meshgen::Serialize(Person(false)));
    set.Add(std::string(kHuman) + "Woman.msh", meshgen::Serialize(Person(true)));
    uint32_t seed = 400;
    for (const PersonSkin& p : kPeople)
        ok &= AddTexture(set, std::string(kHuman) + p.folder + "/Main.bmp", PersonTexture(p.outfit, seed++));
    // The hero of the second intro changes into the mercenaries' outfit during the scene.
    const Outfit merc{kSkinLight, kHairDark, {0.35f, 0.38f, 0.3f}, {0.3f, 0.32f, 0.25f}, kBoots, true, {0.8f, 0.1f, 0.1f}};
    ok &= AddTexture(set, std::string(kHuman) + "Intro 02/Hero/Main02.bmp", PersonTexture(merc, seed++));
    // The pilots of docked ships, met in a station's interior.
    const Outfit pilotMan{kSkinMid, kHairDark, {0.3f, 0.34f, 0.42f}, {0.22f, 0.22f, 0.26f}, kBoots, true, {0.9f, 0.6f, 0.1f}};
    const Outfit pilotWoman{kSkinLight, {0.45f, 0.22f, 0.1f}, {0.42f, 0.3f, 0.36f}, {0.22f, 0.22f, 0.26f}, kBoots, true,
                            {0.9f, 0.6f, 0.1f}};
    ok &= AddTexture(set, std::string(kHuman) + "Pilot/Man.bmp", PersonTexture(pilotMan, seed++));
    ok &= AddTexture(set, std::string(kHuman) + "Pilot/Woman.bmp", PersonTexture(pilotWoman, seed++));

    for (const char* name : kInteriors) {
        const std::string folder = std::string("Data/Locations.Planet/") + name;
        const std::string text = set.Text(folder + "/Main.loc");
        if (text.empty()) {
            std::fprintf(stderr, "datagen: %s/Main.loc is missing\n", folder.c_str());
            ok = false;
            continue;
        }
        if (!datagen::AddMapPoints(set, folder, kRoomGrid, InteriorBlocked(PlanetObjects(text)))) {
            std::fprintf(stderr, "datagen: no walking grid for %s\n", folder.c_str());
            ok = false;
        }
    }
    return ok;
}

// Every planet unit loads whole in the planet world, and every interior's walking grid
// fits its room's grid size and leaves room to walk.
DATAGEN_CHECK(planet_units)
{
    datagen::CheckTextureScope textures;
    const int savedWorld = g_WorldIndex;
    g_WorldIndex = 0;

    std::vector<std::string> missing;
    int units = 0;
    const FileArchiveEntry* entries = g_ArchiveEntries[FILE_KIND_OBJECTS / 1000 - 1];
    for (uint32_t i = 0; entries && i < g_ArchiveEntryCounts[FILE_KIND_OBJECTS / 1000 - 1]; ++i) {
        const std::string name = entries[i].name;
        if (name.compare(0, 12, "Data/Planet/") != 0 || name.size() < 4 || name.compare(name.size() - 4, 4, ".obj") != 0)
            continue;
        unitcheck::CheckUnit(name, &missing);
        ++units;
    }
    if (units == 0) missing.push_back("planet unit descriptions (none under Data/Planet)");
    // A docked ship's pilot walks in a station interior as "<head text>/Man.obj" or
    // "/Woman.obj" by the pilot's sex.
    int heads = 0;
    for (const std::string& folder : unitcheck::PilotFolders()) {
        CUnit* u = new CUnit();
        u->pilot.Load(u, folder.c_str());
        const std::string head = u->pilot.headText;
        u->Release();
        delete u;
        if (head.empty() || head.find(".obj") != std::string::npos) continue;
        ++heads;
        for (const char* model : {"/Man.obj", "/Woman.obj"})
            if (!unitcheck::FileExists((head + model).c_str(), FILE_KIND_OBJECTS))
                missing.push_back("person " + head + model + " (pilot " + folder + ")");
    }
    for (const char* name : kInteriors) {
        const std::string path = std::string("Data/Locations.Planet/") + name + "/MapPoints.dat";
        uint32_t size = 0;
        const int h = CFileManager::Open(path.c_str(), FILE_KIND_WORLD, &size);
        if (h == -1) {
            missing.push_back("walking grid " + path);
            continue;
        }
        std::vector<uint8_t> bytes(size);
        bytes.resize(CFileManager::Read(bytes.data(), 1, size, h));
        CFileManager::Close(h);
        int32_t count = -1;
        if (bytes.size() >= 4) std::memcpy(&count, bytes.data(), 4);
        int freeCells = 0;
        for (size_t c = 4; c + sizeof(NavCell) <= bytes.size(); c += sizeof(NavCell)) freeCells += bytes[c] == 0;
        if (count != kRoomGrid * kRoomGrid || bytes.size() != 4 + size_t(count) * sizeof(NavCell) || freeCells == 0)
            missing.push_back("walking grid " + path + " (size does not fit the room)");
    }
    for (const std::string& m : missing) check.Missing(m);
    check.Note("planet units: " + std::to_string(units) + " descriptions loaded, " + std::to_string(heads) +
               " pilots walk in the interiors");

    g_WorldIndex = savedWorld;
}
