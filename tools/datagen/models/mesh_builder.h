// Procedural models and the .msh writer of the data build. Header-only so that the
// loader tests can build the same files the data build writes.
//
// Winding: the game's default states cull clockwise triangles (D3DCULL_CW), so every front
// face is built counter-clockwise as seen from the side it faces: in left-handed space
// cross(b - a, c - a) points into the surface and the face normal is cross(c - a, b - a).
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace meshgen {

struct P3 {
    float x = 0, y = 0, z = 0;
};
inline P3 operator+(P3 a, P3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline P3 operator-(P3 a, P3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline P3 operator*(P3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline float Dot(P3 a, P3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline P3 Cross(P3 a, P3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline P3 Norm(P3 a)
{
    float l = std::sqrt(Dot(a, a));
    return l > 0 ? a * (1.0f / l) : P3{};
}

struct Vtx {
    P3 p, n;
    float u = 0, v = 0;
};

inline float Clamp01(float x) { return x < 0 ? 0 : x > 1 ? 1 : x; }

// Deterministic hash noise in [0, 1).
inline float Hash01(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return float(x & 0xFFFFFF) / float(0x1000000);
}

// One frame of geometry being assembled.
struct Builder {
    std::vector<Vtx> verts;
    std::vector<uint16_t> idx;

    uint16_t Add(const Vtx& v)
    {
        verts.push_back(v);
        return uint16_t(verts.size() - 1);
    }
    // A triangle turned so that its front (counter-clockwise) side faces along `out`.
    void Tri(uint16_t a, uint16_t b, uint16_t c, P3 out)
    {
        P3 n = Cross(verts[c].p - verts[a].p, verts[b].p - verts[a].p);
        if (Dot(n, out) < 0) std::swap(b, c);
        idx.push_back(a);
        idx.push_back(b);
        idx.push_back(c);
    }

    // Ellipsoid with radii r around c; inward faces for a sky dome seen from inside.
    void Ellipsoid(P3 c, P3 r, int slices, int stacks, bool inward = false, float uRepeat = 1.0f)
    {
        uint16_t base = uint16_t(verts.size());
        for (int i = 0; i <= stacks; ++i) {
            float th = float(M_PI) * float(i) / float(stacks);
            for (int j = 0; j <= slices; ++j) {
                float ph = 2.0f * float(M_PI) * float(j) / float(slices);
                P3 d{std::sin(th) * std::cos(ph), std::cos(th), std::sin(th) * std::sin(ph)};
                Vtx v;
                v.p = c + P3{d.x * r.x, d.y * r.y, d.z * r.z};
                P3 n = Norm(P3{d.x / r.x, d.y / r.y, d.z / r.z});
                v.n = inward ? n * -1.0f : n;
                v.u = uRepeat * float(j) / float(slices);
                v.v = float(i) / float(stacks);
                Add(v);
            }
        }
        int row = slices + 1;
        for (int i = 0; i < stacks; ++i)
            for (int j = 0; j < slices; ++j) {
                uint16_t a = uint16_t(base + i * row + j), b = uint16_t(a + 1), cc = uint16_t(a + row),
                         d = uint16_t(cc + 1);
                P3 mid = (verts[a].p + verts[d].p) * 0.5f - c;
                P3 out = inward ? mid * -1.0f : mid;
                if (i != 0) Tri(a, b, cc, out);
                if (i != stacks - 1) Tri(b, d, cc, out);
            }
    }

    // Axis-aligned box with its own flat faces, texture spread over each face.
    void Box(P3 mn, P3 mx, float uvScale = 1.0f)
    {
        const P3 normals[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
        for (const P3& n : normals) {
            // Two axes spanning the face.
            P3 a = std::fabs(n.y) > 0.5f ? P3{1, 0, 0} : P3{0, 1, 0};
            P3 b = Cross(n, a);
            P3 c = (mn + mx) * 0.5f;
            P3 h = (mx - mn) * 0.5f;
            P3 fc = c + P3{n.x * h.x, n.y * h.y, n.z * h.z};
            P3 ea{a.x * h.x, a.y * h.y, a.z * h.z}, eb{b.x * h.x, b.y * h.y, b.z * h.z};
            uint16_t q[4];
            const float s[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
            for (int k = 0; k < 4; ++k) {
                Vtx v;
                v.p = fc + ea * s[k][0] + eb * s[k][1];
                v.n = n;
                v.u = (s[k][0] * 0.5f + 0.5f) * uvScale;
                v.v = (s[k][1] * 0.5f + 0.5f) * uvScale;
                q[k] = Add(v);
            }
            Tri(q[0], q[1], q[2], n);
            Tri(q[0], q[2], q[3], n);
        }
    }

    // Closed cylinder along z from z0 to z1 (radius r0 at z0, r1 at z1: a cone when one is 0).
    void CylinderZ(P3 c, float r0, float r1, float z0, float z1, int slices)
    {
        uint16_t base = uint16_t(verts.size());
        for (int k = 0; k < 2; ++k)
            for (int j = 0; j <= slices; ++j) {
                float ph = 2.0f * float(M_PI) * float(j) / float(slices);
                float r = k ? r1 : r0;
                Vtx v;
                v.p = c + P3{std::cos(ph) * r, std::sin(ph) * r, k ? z1 : z0};
                v.n = Norm(P3{std::cos(ph), std::sin(ph), (r0 - r1) / (z1 - z0)});
                v.u = float(j) / float(slices);
                v.v = float(k);
                Add(v);
            }
        int row = slices + 1;
        for (int j = 0; j < slices; ++j) {
            uint16_t a = uint16_t(base + j), b = uint16_t(a + 1), cc = uint16_t(a + row), d = uint16_t(cc + 1);
            P3 out = verts[a].n + verts[d].n;
            if (r0 > 0) Tri(a, b, d, out);
            if (r1 > 0) Tri(a, d, cc, out);
        }
        // Caps.
        for (int k = 0; k < 2; ++k) {
            float r = k ? r1 : r0;
            if (r <= 0) continue;
            P3 n{0, 0, k ? 1.0f : -1.0f};
            Vtx cv;
            cv.p = c + P3{0, 0, k ? z1 : z0};
            cv.n = n;
            cv.u = cv.v = 0.5f;
            uint16_t ci = Add(cv);
            uint16_t first = uint16_t(verts.size());
            for (int j = 0; j <= slices; ++j) {
                float ph = 2.0f * float(M_PI) * float(j) / float(slices);
                Vtx v;
                v.p = cv.p + P3{std::cos(ph) * r, std::sin(ph) * r, 0};
                v.n = n;
                v.u = 0.5f + 0.5f * std::cos(ph);
                v.v = 0.5f + 0.5f * std::sin(ph);
                Add(v);
            }
            for (int j = 0; j < slices; ++j) Tri(ci, uint16_t(first + j), uint16_t(first + j + 1), n);
        }
    }

    // Moves every vertex along its normal by amp × noise and rebuilds smooth normals.
    void Roughen(float amp, uint32_t seed)
    {
        for (size_t i = 0; i < verts.size(); ++i) {
            // Vertices at the same place (texture seams) move together.
            const P3& p = verts[i].p;
            // Unsigned products: the cell numbers wrap instead of overflowing.
            uint32_t h = seed ^ uint32_t(int(std::floor(p.x * 8.0f))) * 73856093u ^
                         uint32_t(int(std::floor(p.y * 8.0f))) * 19349663u ^
                         uint32_t(int(std::floor(p.z * 8.0f))) * 83492791u;
            float d = (Hash01(h) - 0.5f) * 2.0f * amp;
            verts[i].p = verts[i].p + verts[i].n * d;
        }
        SmoothNormals();
    }

    // Normals as the mean of the faces round each position (seams share them).
    void SmoothNormals()
    {
        std::vector<P3> acc(verts.size());
        for (size_t t = 0; t + 2 < idx.size(); t += 3) {
            P3 n = Cross(verts[idx[t + 2]].p - verts[idx[t]].p, verts[idx[t + 1]].p - verts[idx[t]].p);
            for (int k = 0; k < 3; ++k) acc[idx[t + k]] = acc[idx[t + k]] + n;
        }
        for (size_t i = 0; i < verts.size(); ++i) {
            P3 sum = acc[i];
            for (size_t j = 0; j < verts.size(); ++j)
                if (j != i && Dot(verts[j].p - verts[i].p, verts[j].p - verts[i].p) < 1e-10f) sum = sum + acc[j];
            verts[i].n = Norm(sum);
        }
    }

    void Bounds(P3* mn, P3* mx) const
    {
        *mn = *mx = verts.empty() ? P3{} : verts[0].p;
        for (const Vtx& v : verts) {
            mn->x = std::min(mn->x, v.p.x), mn->y = std::min(mn->y, v.p.y), mn->z = std::min(mn->z, v.p.z);
            mx->x = std::max(mx->x, v.p.x), mx->y = std::max(mx->y, v.p.y), mx->z = std::max(mx->z, v.p.z);
        }
    }
};

// Everything a mesh file holds.
struct Model {
    float header[3] = {1.0f, 0.0f, 0.0f};
    std::vector<std::vector<Vtx>> frames;  // sub-meshes, each with the same vertex count
    std::vector<uint16_t> indices;          // shared by every frame
    P3 box[8];
    uint16_t boxIdx[36] = {};
    std::vector<P3> points[9];

    // One frame from a builder.
    void SetGeometry(const Builder& b)
    {
        frames.assign(1, b.verts);
        indices = b.idx;
        P3 mn, mx;
        b.Bounds(&mn, &mx);
        SetBox(mn, mx);
    }
    // The coarse hit box: corner i has x from bit 0, y from bit 1, z from bit 2; faces outward.
    void SetBox(P3 mn, P3 mx)
    {
        for (int i = 0; i < 8; ++i) box[i] = {(i & 1) ? mx.x : mn.x, (i & 2) ? mx.y : mn.y, (i & 4) ? mx.z : mn.z};
        // Each face: 4 corners in order round the face, normal.
        static const int faces[6][4] = {{0, 2, 6, 4}, {1, 5, 7, 3}, {0, 4, 5, 1},
                                        {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 6, 7, 5}};
        P3 c = (mn + mx) * 0.5f;
        int k = 0;
        for (const auto& f : faces) {
            P3 fc = (box[f[0]] + box[f[2]]) * 0.5f;
            P3 out = fc - c;
            const int tris[2][3] = {{f[0], f[1], f[2]}, {f[0], f[2], f[3]}};
            for (const auto& t : tris) {
                int a = t[0], b = t[1], cc = t[2];
                if (Dot(Cross(box[cc] - box[a], box[b] - box[a]), out) < 0) std::swap(b, cc);
                boxIdx[k++] = uint16_t(a);
                boxIdx[k++] = uint16_t(b);
                boxIdx[k++] = uint16_t(cc);
            }
        }
    }
};

inline void PutBytes(std::vector<uint8_t>& out, const void* p, size_t n)
{
    const uint8_t* b = static_cast<const uint8_t*>(p);
    out.insert(out.end(), b, b + n);
}
inline void PutI32(std::vector<uint8_t>& out, int32_t v) { PutBytes(out, &v, 4); }
inline void PutF(std::vector<uint8_t>& out, float v) { PutBytes(out, &v, 4); }

// The .msh image (little-endian, as the loader reads it).
inline std::vector<uint8_t> Serialize(const Model& m)
{
    std::vector<uint8_t> out;
    for (float h : m.header) PutF(out, h);
    int32_t s = int32_t(m.frames.size());
    int32_t v = s ? int32_t(m.frames[0].size()) : 0;
    PutI32(out, s);
    PutI32(out, v);
    PutI32(out, int32_t(m.indices.size() / 3));
    for (const auto& fr : m.frames)
        for (const Vtx& x : fr) {
            const float f[8] = {x.p.x, x.p.y, x.p.z, x.n.x, x.n.y, x.n.z, x.u, x.v};
            PutBytes(out, f, sizeof(f));
        }
    PutBytes(out, m.indices.data(), (m.indices.size() / 3) * 6);
    for (const P3& c : m.box) {
        const float f[8] = {c.x, c.y, c.z, 0, 0, 0, 0, 0};
        PutBytes(out, f, sizeof(f));
    }
    PutBytes(out, m.boxIdx, sizeof(m.boxIdx));
    for (const auto& list : m.points) {
        PutI32(out, int32_t(list.size()));
        for (const P3& p : list) {
            PutF(out, p.x);
            PutF(out, p.y);
            PutF(out, p.z);
        }
    }
    return out;
}

// ---- the game's models ----

inline Model MakeUnitSphere()
{
    Builder b;
    b.Ellipsoid({0, 0, 0}, {1, 1, 1}, 24, 16);
    Model m;
    m.SetGeometry(b);
    return m;
}

// Light fighter, nose along +z, about 16 long. Points: eye, two lasers, two rocket rails,
// two engines, wing-tip lights.
inline Model MakeFighter()
{
    Builder b;
    b.Ellipsoid({0, 0, 0}, {1.4f, 0.9f, 7.0f}, 20, 14);           // hull
    b.Ellipsoid({0, 0.75f, 2.8f}, {0.7f, 0.55f, 1.8f}, 14, 8);    // canopy
    b.Box({-5.5f, -0.15f, -3.5f}, {5.5f, 0.15f, 0.5f});           // wing
    b.Box({-0.12f, 0.5f, -6.0f}, {0.12f, 2.6f, -3.6f});           // fin
    b.CylinderZ({-1.3f, -0.2f, 0}, 0.55f, 0.45f, -7.6f, -3.0f, 12); // engines
    b.CylinderZ({1.3f, -0.2f, 0}, 0.55f, 0.45f, -7.6f, -3.0f, 12);
    b.CylinderZ({-5.2f, 0, 0}, 0.18f, 0.0f, -1.0f, 2.8f, 8);      // laser barrels
    b.CylinderZ({5.2f, 0, 0}, 0.18f, 0.0f, -1.0f, 2.8f, 8);
    Model m;
    m.SetGeometry(b);
    m.points[0] = {{0, 1.05f, 3.2f}};
    m.points[2] = {{-5.2f, 0, 2.9f}, {5.2f, 0, 2.9f}};
    m.points[3] = {{-2.4f, -0.4f, 1.0f}, {2.4f, -0.4f, 1.0f}};
    m.points[4] = {{-1.3f, -0.2f, -7.7f}, {1.3f, -0.2f, -7.7f}};
    m.points[5] = {{-5.5f, 0.2f, -1.5f}, {5.5f, 0.2f, -1.5f}};
    return m;
}

// Station: a hub with a ring of modules and a gate bay cut into its front (+z).
inline Model MakeStation()
{
    Builder b;
    b.Ellipsoid({0, 0, 0}, {140, 110, 140}, 28, 18);
    for (int i = 0; i < 8; ++i) {
        float a = 2.0f * float(M_PI) * float(i) / 8.0f;
        P3 c{std::cos(a) * 260.0f, 0, std::sin(a) * 260.0f};
        b.Box(c - P3{45, 25, 45}, c + P3{45, 25, 45});
    }
    b.Box({-12, -12, -250}, {12, 12, 250});   // spokes
    b.Box({-250, -12, -12}, {250, 12, 12});
    b.Box({-60, -40, 120}, {60, 40, 190});    // gate bay housing
    Model m;
    m.SetGeometry(b);
    // Latch points just off the hub, clear of the spokes and the gate: a parasite sitting
    // there can be shot from outside (one inside a spoke could not be reached).
    m.points[0] = {{0, 125, 0}, {0, -125, 0}, {-80, 90, -80}, {80, -90, -80}};
    m.points[5] = {{0, 120, 0}, {260, 30, 0}, {-260, 30, 0}};
    m.points[8] = {{260, 0, 0}, {-260, 0, 0}, {0, 0, -260}};
    return m;
}

// The gate bay: a frame round the entrance; its points are the gate, the approach point
// outside and the resting place inside.
inline Model MakeGateBay()
{
    Builder b;
    b.Box({-55, 30, 185}, {55, 40, 195});
    b.Box({-55, -40, 185}, {55, -30, 195});
    b.Box({-55, -30, 185}, {-45, 30, 195});
    b.Box({45, -30, 185}, {55, 30, 195});
    Model m;
    m.SetGeometry(b);
    m.points[0] = {{0, 0, 190}, {0, 0, 400}, {0, 0, 140}};
    return m;
}

inline Model MakeAsteroid(uint32_t seed)
{
    Builder b;
    b.Ellipsoid({0, 0, 0}, {10, 8, 9}, 18, 12);
    b.Roughen(1.6f, seed);
    Model m;
    m.SetGeometry(b);
    return m;
}

// Sky: a unit sphere seen from inside. The world scales it to the view distance in
// space (100 in the planet world), which keeps it inside the far plane.
inline Model MakeSky()
{
    Builder b;
    b.Ellipsoid({0, 0, 0}, {1, 1, 1}, 24, 16, true, 2.0f);
    Model m;
    m.SetGeometry(b);
    return m;
}

// A unit square in the x-y plane facing +z, for billboards: they turn local +z towards
// the eye, so the front faces +z.
inline Model MakeBillboardSquare()
{
    Builder b;
    const P3 normal{0, 0, 1};
    const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    uint16_t v[4];
    for (int i = 0; i < 4; ++i) {
        Vtx x;
        x.p = {corners[i][0], corners[i][1], 0};
        x.n = normal;
        x.u = (corners[i][0] + 1) * 0.5f;
        x.v = 1 - (corners[i][1] + 1) * 0.5f;
        v[i] = b.Add(x);
    }
    b.Tri(v[0], v[1], v[2], normal);
    b.Tri(v[0], v[2], v[3], normal);
    Model m;
    m.SetGeometry(b);
    return m;
}

// The fighter stretched per model; normals follow the inverse scale.
inline Model ScaledFighter(P3 s)
{
    Model m = MakeFighter();
    for (auto& frame : m.frames)
        for (auto& v : frame) {
            v.p = P3{v.p.x * s.x, v.p.y * s.y, v.p.z * s.z};
            v.n = Norm(P3{v.n.x / s.x, v.n.y / s.y, v.n.z / s.z});
        }
    for (auto& list : m.points)
        for (auto& p : list) p = P3{p.x * s.x, p.y * s.y, p.z * s.z};
    P3 mn = m.frames[0][0].p, mx = mn;
    for (const auto& v : m.frames[0]) {
        mn = P3{std::min(mn.x, v.p.x), std::min(mn.y, v.p.y), std::min(mn.z, v.p.z)};
        mx = P3{std::max(mx.x, v.p.x), std::max(mx.y, v.p.y), std::max(mx.z, v.p.z)};
    }
    m.SetBox(mn, mx);
    return m;
}

} // namespace meshgen
