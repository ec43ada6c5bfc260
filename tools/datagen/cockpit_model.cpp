// The cockpit model that the flight interface loads: the frame round the pilot's view,
// the radar, the two screens and the third panel that slides up with its screen.
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <jpeglib.h>

#include "datagen.h"
#include "mesh_builder.h"

namespace {

using meshgen::P3;

constexpr const char* kFolder = "Data/Space/Ship/Cockpit/01/";
constexpr int kPanelFrames = 8;

// Square RGB picture of one colour with a lighter rim: the panels' render targets take
// their size from it, the frame uses it as its skin.
std::vector<uint8_t> PanelRgb(int size, uint8_t r, uint8_t g, uint8_t b)
{
    std::vector<uint8_t> rgb;
    rgb.reserve(size_t(size) * size * 3);
    auto lit = [](uint8_t v, int k) { return uint8_t(v * k > 255 ? 255 : v * k); };
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const int k = (x < 4 || y < 4 || x >= size - 4 || y >= size - 4) ? 2 : 1;
            rgb.push_back(lit(r, k)), rgb.push_back(lit(g, k)), rgb.push_back(lit(b, k));
        }
    return rgb;
}

struct JpegJump {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};
void JpegFail(j_common_ptr c) { std::longjmp(reinterpret_cast<JpegJump*>(c->err)->jump, 1); }

// The ".jpg" twin that the game reads with "BMP to JPG" on.
bool EncodeJpeg(const std::vector<uint8_t>& rgb, int size, std::vector<uint8_t>* out)
{
    jpeg_compress_struct c;
    JpegJump jump;
    c.err = jpeg_std_error(&jump.mgr);
    jump.mgr.error_exit = JpegFail;
    unsigned char* mem = nullptr;
    unsigned long bytes = 0;
    if (setjmp(jump.jump)) {
        jpeg_destroy_compress(&c);
        std::free(mem);
        return false;
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &mem, &bytes);
    c.image_width = JDIMENSION(size);
    c.image_height = JDIMENSION(size);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&rgb[size_t(c.next_scanline) * size * 3]);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    out->assign(mem, mem + bytes);
    jpeg_destroy_compress(&c);
    std::free(mem);
    return true;
}

std::vector<uint8_t> Bmp(const std::vector<uint8_t>& rgb, int size)
{
    auto put16 = [](std::vector<uint8_t>& o, uint16_t v) { o.push_back(uint8_t(v)), o.push_back(uint8_t(v >> 8)); };
    auto put32 = [&](std::vector<uint8_t>& o, uint32_t v) { put16(o, uint16_t(v)), put16(o, uint16_t(v >> 16)); };
    const uint32_t row = uint32_t(size * 3);
    std::vector<uint8_t> o{'B', 'M'};
    put32(o, 54 + row * uint32_t(size)), put32(o, 0), put32(o, 54);
    put32(o, 40), put32(o, uint32_t(size)), put32(o, uint32_t(size)), put16(o, 1), put16(o, 24);
    put32(o, 0), put32(o, row * uint32_t(size)), put32(o, 2835), put32(o, 2835), put32(o, 0), put32(o, 0);
    // Bottom row first, blue-green-red.
    for (int y = size - 1; y >= 0; --y)
        for (int x = 0; x < size; ++x) {
            const uint8_t* p = &rgb[(size_t(y) * size + x) * 3];
            o.push_back(p[2]), o.push_back(p[1]), o.push_back(p[0]);
        }
    return o;
}

meshgen::Model Boxes(const std::vector<std::pair<P3, P3>>& boxes)
{
    meshgen::Builder b;
    for (const auto& [mn, mx] : boxes) b.Box(mn, mx);
    meshgen::Model m;
    m.SetGeometry(b);
    return m;
}

// The frame: dashboard below the view, two pillars and the roof bar; the eye at the origin.
meshgen::Model Frame()
{
    return Boxes({{{-1.6f, -1.1f, 0.6f}, {1.6f, -0.7f, 1.6f}},
                  {{-1.7f, -1.1f, 0.6f}, {-1.5f, 0.9f, 1.4f}},
                  {{1.5f, -1.1f, 0.6f}, {1.7f, 0.9f, 1.4f}},
                  {{-1.7f, 0.8f, 0.6f}, {1.7f, 1.0f, 1.4f}}});
}

// A flat panel facing the pilot (-z), slightly tilted back on the dashboard.
meshgen::Model Panel(float x0, float x1, float y0, float y1, float z)
{
    return Boxes({{{x0, y0, z}, {x1, y1, z + 0.02f}}});
}

// Frames 0 (folded below the dashboard) to kPanelFrames - 1 (fully up).
meshgen::Model Sliding(float x0, float x1, float z)
{
    meshgen::Model m;
    for (int f = 0; f < kPanelFrames; ++f) {
        const float lift = 0.5f * float(f) / float(kPanelFrames - 1);
        meshgen::Model one = Panel(x0, x1, -1.2f + lift, -0.8f + lift, z);
        if (f == 0) m = one;
        else m.frames.push_back(one.frames[0]);
    }
    m.SetBox(P3{x0, -1.2f, z}, P3{x1, -0.3f, z + 0.02f});
    return m;
}

} // namespace

DATAGEN_GENERATOR(cockpit_model)
{
    const std::string f = kFolder;
    auto model = [&](const std::string& name, const meshgen::Model& m) {
        if (!set.Has(f + name)) set.Add(f + name, meshgen::Serialize(m));
    };
    bool ok = true;
    auto texture = [&](const std::string& name, int size, uint8_t r, uint8_t g, uint8_t b) {
        if (set.Has(f + name + ".bmp")) return;
        const std::vector<uint8_t> rgb = PanelRgb(size, r, g, b);
        set.Add(f + name + ".bmp", Bmp(rgb, size));
        std::vector<uint8_t> jpg;
        if (!EncodeJpeg(rgb, size, &jpg)) {
            std::fprintf(stderr, "datagen: cannot encode %s.jpg\n", (f + name).c_str());
            ok = false;
            return;
        }
        set.Add(f + name + ".jpg", std::move(jpg));
    };
    model("Frame.msh", Frame());
    model("Radar.msh", Panel(-0.25f, 0.25f, -0.95f, -0.72f, 0.59f));
    model("Screen1.msh", Panel(-1.2f, -0.7f, -0.95f, -0.72f, 0.59f));
    model("Screen2.msh", Panel(0.7f, 1.2f, -0.95f, -0.72f, 0.59f));
    model("Panel3.msh", Sliding(-0.6f, 0.6f, 0.62f));
    model("Screen3.msh", Sliding(-0.55f, 0.55f, 0.6f));
    texture("Frame", 64, 60, 62, 70);
    texture("Radar", 256, 0, 40, 0);
    texture("Screen1", 256, 0, 30, 10);
    texture("Screen2", 256, 0, 30, 10);
    texture("Panel3", 64, 50, 52, 60);
    texture("Screen3", 512, 0, 20, 30);
    return ok;
}
