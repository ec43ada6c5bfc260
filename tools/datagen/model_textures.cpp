// Procedural textures of the generated models. Opaque textures are named ".bmp" and are
// also written as ".jpg", which the texture loader reads instead with "BMP to JPG" on.
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>
#include <jpeglib.h>
#include "datagen.h"
#include "mesh_builder.h"

namespace {

struct Image {
    int w, h;
    std::vector<uint8_t> rgb;  // rows top to bottom
    Image(int w_, int h_) : w(w_), h(h_), rgb(size_t(w_) * h_ * 3) {}
    void Set(int x, int y, float r, float g, float b)
    {
        uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
        auto c = [](float v) { return uint8_t(v <= 0 ? 0 : v >= 1 ? 255 : int(v * 255.0f + 0.5f)); };
        p[0] = c(r), p[1] = c(g), p[2] = c(b);
    }
};

void Put16(std::vector<uint8_t>& o, uint16_t v) { o.push_back(uint8_t(v)), o.push_back(uint8_t(v >> 8)); }
void Put32(std::vector<uint8_t>& o, uint32_t v) { Put16(o, uint16_t(v)), Put16(o, uint16_t(v >> 16)); }

std::vector<uint8_t> EncodeBmp(const Image& im)
{
    const uint32_t row = uint32_t((im.w * 3 + 3) & ~3);
    const uint32_t data = row * uint32_t(im.h);
    std::vector<uint8_t> o;
    o.push_back('B'), o.push_back('M');
    Put32(o, 54 + data), Put32(o, 0), Put32(o, 54);
    Put32(o, 40), Put32(o, uint32_t(im.w)), Put32(o, uint32_t(im.h)), Put16(o, 1), Put16(o, 24);
    Put32(o, 0), Put32(o, data), Put32(o, 2835), Put32(o, 2835), Put32(o, 0), Put32(o, 0);
    for (int y = im.h - 1; y >= 0; --y) {  // bottom-up, BGR
        size_t start = o.size();
        for (int x = 0; x < im.w; ++x) {
            const uint8_t* p = &im.rgb[(size_t(y) * im.w + x) * 3];
            o.push_back(p[2]), o.push_back(p[1]), o.push_back(p[0]);
        }
        while (o.size() - start < row) o.push_back(0);
    }
    return o;
}

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};
void JpegFail(j_common_ptr c) { std::longjmp(reinterpret_cast<JpegError*>(c->err)->jump, 1); }

bool EncodeJpeg(const Image& im, std::vector<uint8_t>* out)
{
    jpeg_compress_struct c;
    JpegError err;
    c.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegFail;
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&c);
        std::free(mem);
        return false;
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = JDIMENSION(im.w);
    c.image_height = JDIMENSION(im.h);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 92, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&im.rgb[size_t(c.next_scanline) * im.w * 3]);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    out->assign(mem, mem + size);
    jpeg_destroy_compress(&c);
    std::free(mem);
    return true;
}

bool AddOpaque(datagen::DataSet& set, const std::string& bmpPath, const Image& im)
{
    set.Add(bmpPath, EncodeBmp(im));
    std::vector<uint8_t> jpg;
    if (!EncodeJpeg(im, &jpg)) {
        std::fprintf(stderr, "datagen: cannot encode %s as JPEG\n", bmpPath.c_str());
        return false;
    }
    set.Add(bmpPath.substr(0, bmpPath.size() - 4) + ".jpg", std::move(jpg));
    return true;
}

// Smooth value noise on a wrapping grid of the given cell count.
float ValueNoise(float x, float y, int cells, uint32_t seed)
{
    int x0 = int(std::floor(x)), y0 = int(std::floor(y));
    float fx = x - float(x0), fy = y - float(y0);
    auto at = [&](int i, int j) {
        i = ((i % cells) + cells) % cells, j = ((j % cells) + cells) % cells;
        return meshgen::Hash01(seed ^ uint32_t(i * 7919 + j * 104729));
    };
    float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    float a = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
    float b = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
    return a + (b - a) * sy;
}
float Fbm(float u, float v, uint32_t seed)
{
    float sum = 0, amp = 0.5f;
    int cells = 8;
    for (int o = 0; o < 5; ++o, amp *= 0.5f, cells *= 2)
        sum += amp * ValueNoise(u * float(cells), v * float(cells), cells, seed + uint32_t(o));
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

// Opaque RGB picture (rows top to bottom) as "<name>.bmp" and its ".jpg" twin; shared with
// the other texture generators of the data build.
bool AddOpaqueRgbTexture(datagen::DataSet& set, const std::string& bmpPath, int w, int h,
                         const std::vector<uint8_t>& rgb)
{
    Image im(w, h);
    if (rgb.size() != im.rgb.size()) return false;
    im.rgb = rgb;
    return AddOpaque(set, bmpPath, im);
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
