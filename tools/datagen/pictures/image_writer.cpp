#include "image_writer.h"

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

#include "../models/mesh_builder.h"

namespace datagen {

std::vector<uint8_t> EncodeBmp24(int w, int h, const std::vector<uint8_t>& rgb)
{
    const uint32_t row = uint32_t((w * 3 + 3) & ~3);
    const uint32_t data = row * uint32_t(h);
    std::vector<uint8_t> o;
    o.push_back('B'), o.push_back('M');
    PutLe32(o, 54 + data), PutLe32(o, 0), PutLe32(o, 54);
    PutLe32(o, 40), PutLe32(o, uint32_t(w)), PutLe32(o, uint32_t(h)), PutLe16(o, 1), PutLe16(o, 24);
    PutLe32(o, 0), PutLe32(o, data), PutLe32(o, 2835), PutLe32(o, 2835), PutLe32(o, 0), PutLe32(o, 0);
    for (int y = h - 1; y >= 0; --y) {
        const size_t start = o.size();
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &rgb[(size_t(y) * size_t(w) + size_t(x)) * 3];
            o.push_back(p[2]), o.push_back(p[1]), o.push_back(p[0]);
        }
        while (o.size() - start < row) o.push_back(0);
    }
    return o;
}

namespace {

// libjpeg reports fatal errors through error_exit, which must not return.
struct JpegTrap {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};
void JpegTrapExit(j_common_ptr c) { std::longjmp(reinterpret_cast<JpegTrap*>(c->err)->jump, 1); }

} // namespace

bool EncodeJpeg(int w, int h, const std::vector<uint8_t>& rgb, int quality, std::vector<uint8_t>* out)
{
    jpeg_compress_struct c;
    JpegTrap trap;
    c.err = jpeg_std_error(&trap.mgr);
    trap.mgr.error_exit = JpegTrapExit;
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    if (setjmp(trap.jump)) {
        jpeg_destroy_compress(&c);
        std::free(mem);
        return false;
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&rgb[size_t(c.next_scanline) * size_t(w) * 3]);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    out->assign(mem, mem + size);
    jpeg_destroy_compress(&c);
    std::free(mem);
    return true;
}

bool AddBmpWithJpeg(DataSet& set, const std::string& bmpPath, int w, int h, const std::vector<uint8_t>& rgb,
                    int quality)
{
    set.Add(bmpPath, EncodeBmp24(w, h, rgb));
    std::vector<uint8_t> jpg;
    if (!EncodeJpeg(w, h, rgb, quality, &jpg)) {
        std::fprintf(stderr, "datagen: cannot encode %s as JPEG\n", bmpPath.c_str());
        return false;
    }
    set.Add(bmpPath.substr(0, bmpPath.size() - 4) + ".jpg", std::move(jpg));
    return true;
}

std::vector<uint8_t> DdsArgbHeader(int w, int h)
{
    std::vector<uint8_t> dds = {'D', 'D', 'S', ' '};
    PutLe32(dds, 124);                             // header size
    PutLe32(dds, 0x1 | 0x2 | 0x4 | 0x8 | 0x1000);  // caps, height, width, pitch, pixel format
    PutLe32(dds, uint32_t(h));
    PutLe32(dds, uint32_t(w));
    PutLe32(dds, uint32_t(w) * 4);                 // pitch
    PutLe32(dds, 0);                               // depth
    PutLe32(dds, 0);                               // mip levels
    for (int i = 0; i < 11; ++i) PutLe32(dds, 0);
    PutLe32(dds, 32);                              // pixel format size
    PutLe32(dds, 0x40 | 0x1);                      // RGB with alpha
    PutLe32(dds, 0);                               // no FourCC
    PutLe32(dds, 32);
    PutLe32(dds, 0x00FF0000);
    PutLe32(dds, 0x0000FF00);
    PutLe32(dds, 0x000000FF);
    PutLe32(dds, 0xFF000000);
    PutLe32(dds, 0x1000);                          // texture
    for (int i = 0; i < 4; ++i) PutLe32(dds, 0);
    return dds;
}

float LatticeNoise(int x, int y, uint32_t seed)
{
    return meshgen::Hash01(seed ^ (uint32_t(x) * 73856093u) ^ (uint32_t(y) * 19349663u));
}

float WrappedValueNoise(float x, float y, int cells, uint32_t seed)
{
    int x0 = int(std::floor(x)), y0 = int(std::floor(y));
    float fx = x - float(x0), fy = y - float(y0);
    auto at = [&](int i, int j) {
        i = ((i % cells) + cells) % cells, j = ((j % cells) + cells) % cells;
        return meshgen::Hash01(seed ^ (uint32_t(i) * 7919u + uint32_t(j) * 104729u));
    };
    float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    float a = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
    float b = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
    return a + (b - a) * sy;
}

} // namespace datagen
