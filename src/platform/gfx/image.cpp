#include "platform/gfx/image.h"
#include <cstdio>
#include <cstring>

namespace {

uint32_t Rd32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | ((uint32_t)p[3] << 24); }
uint16_t Rd16(const uint8_t* p) { return (uint16_t)(p[0] | (p[1] << 8)); }

bool Fail(std::string* error, const char* text)
{
    if (error)
        *error = text;
    return false;
}

// Scales a masked field to 0..255.
uint32_t MaskChannel(uint32_t value, uint32_t mask, uint32_t missing)
{
    if (!mask)
        return missing;
    unsigned shift = 0;
    while (!((mask >> shift) & 1))
        ++shift;
    uint32_t bits = mask >> shift;
    uint32_t v = (value & mask) >> shift;
    if (bits == 0xFF)
        return v;
    return bits ? (v * 255 + bits / 2) / bits : 0;
}

uint32_t Rgb565(uint16_t c)
{
    uint32_t r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    r = (r << 3) | (r >> 2);
    g = (g << 2) | (g >> 4);
    b = (b << 3) | (b >> 2);
    return (r << 16) | (g << 8) | b;
}

uint32_t Mix(uint32_t a, uint32_t b, unsigned wa, unsigned wb, unsigned div)
{
    uint32_t out = 0;
    for (int s = 0; s < 24; s += 8) {
        uint32_t ca = (a >> s) & 0xFF, cb = (b >> s) & 0xFF;
        out |= ((ca * wa + cb * wb) / div) << s;
    }
    return out;
}

// Decodes one 4x4 colour block; alpha 0 for the transparent entry of a 3-colour DXT1 block.
void DecodeColourBlock(const uint8_t* b, uint32_t out[16], bool dxt1)
{
    uint16_t c0 = Rd16(b), c1 = Rd16(b + 2);
    uint32_t pal[4];
    pal[0] = Rgb565(c0) | 0xFF000000u;
    pal[1] = Rgb565(c1) | 0xFF000000u;
    if (c0 > c1 || !dxt1) {
        pal[2] = Mix(pal[0], pal[1], 2, 1, 3) | 0xFF000000u;
        pal[3] = Mix(pal[0], pal[1], 1, 2, 3) | 0xFF000000u;
    } else {
        pal[2] = Mix(pal[0], pal[1], 1, 1, 2) | 0xFF000000u;
        pal[3] = 0;
    }
    uint32_t idx = Rd32(b + 4);
    for (int i = 0; i < 16; ++i)
        out[i] = pal[(idx >> (i * 2)) & 3];
}

bool DecodeDxtLevel(const uint8_t* p, size_t avail, unsigned w, unsigned h, uint32_t fourcc, GfxImage* img,
                    size_t* used)
{
    unsigned bw = (w + 3) / 4, bh = (h + 3) / 4;
    size_t blockSize = fourcc == D3DFMT_DXT1 ? 8 : 16;
    size_t need = (size_t)bw * bh * blockSize;
    if (need > avail)
        return false;
    img->width = w;
    img->height = h;
    img->texels.assign((size_t)w * h, 0);
    img->hasAlpha = fourcc != D3DFMT_DXT1;
    for (unsigned by = 0; by < bh; ++by)
        for (unsigned bx = 0; bx < bw; ++bx) {
            const uint8_t* b = p + ((size_t)by * bw + bx) * blockSize;
            uint32_t px[16];
            uint8_t alpha[16];
            if (fourcc == D3DFMT_DXT1) {
                DecodeColourBlock(b, px, true);
                for (int i = 0; i < 16; ++i) {
                    alpha[i] = (uint8_t)(px[i] >> 24);
                    if (!alpha[i])
                        img->hasAlpha = true;
                }
            } else if (fourcc == D3DFMT_DXT3) {
                for (int i = 0; i < 16; ++i) {
                    unsigned a4 = (b[i / 2] >> ((i & 1) * 4)) & 0xF;
                    alpha[i] = (uint8_t)(a4 * 17);
                }
                DecodeColourBlock(b + 8, px, false);
            } else {
                unsigned a0 = b[0], a1 = b[1];
                unsigned pal[8] = {a0, a1};
                if (a0 > a1) {
                    for (int i = 1; i <= 6; ++i)
                        pal[i + 1] = ((7 - i) * a0 + i * a1) / 7;
                } else {
                    for (int i = 1; i <= 4; ++i)
                        pal[i + 1] = ((5 - i) * a0 + i * a1) / 5;
                    pal[6] = 0;
                    pal[7] = 255;
                }
                uint64_t bits = 0;
                for (int i = 0; i < 6; ++i)
                    bits |= (uint64_t)b[2 + i] << (8 * i);
                for (int i = 0; i < 16; ++i)
                    alpha[i] = (uint8_t)pal[(bits >> (3 * i)) & 7];
                DecodeColourBlock(b + 8, px, false);
            }
            for (int i = 0; i < 16; ++i) {
                unsigned x = bx * 4 + (i & 3), y = by * 4 + (i >> 2);
                if (x < w && y < h)
                    img->texels[(size_t)y * w + x] = (px[i] & 0xFFFFFF) | ((uint32_t)alpha[i] << 24);
            }
        }
    *used = need;
    return true;
}

} // namespace

bool GfxDecodeDds(const uint8_t* data, size_t size, GfxImage* image, std::vector<GfxImage>* mips, std::string* error)
{
    if (size < 128 || std::memcmp(data, "DDS ", 4) != 0)
        return Fail(error, "not a DDS file");
    const uint8_t* h = data + 4;
    if (Rd32(h) != 124)
        return Fail(error, "DDS header size is not 124");
    unsigned height = Rd32(h + 8), width = Rd32(h + 12);
    unsigned mipCount = Rd32(h + 24);
    const uint8_t* pf = h + 72;
    uint32_t pfFlags = Rd32(pf + 4), fourcc = Rd32(pf + 8), bitCount = Rd32(pf + 12);
    uint32_t rMask = Rd32(pf + 16), gMask = Rd32(pf + 20), bMask = Rd32(pf + 24), aMask = Rd32(pf + 28);
    uint32_t caps2 = Rd32(h + 108);
    if (caps2 & 0x200)
        return Fail(error, "DDS cube maps are not supported");
    if (width == 0 || height == 0 || width > GFX_MAX_IMAGE_SIDE || height > GFX_MAX_IMAGE_SIDE)
        return Fail(error, "DDS size out of range");
    if (mipCount == 0)
        mipCount = 1;
    if (mipCount > 16)
        mipCount = 16;
    const uint8_t* p = data + 128;
    size_t avail = size - 128;
    bool compressed = (pfFlags & 0x4) != 0;
    if (compressed && fourcc != D3DFMT_DXT1 && fourcc != D3DFMT_DXT3 && fourcc != D3DFMT_DXT5)
        return Fail(error, "DDS compression not supported");
    if (!compressed && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return Fail(error, "DDS bit count not supported");
    bool hasAlphaMask = (pfFlags & 0x1) != 0 || (pfFlags & 0x2) != 0;
    bool luminance = (pfFlags & 0x20000) != 0;
    bool alphaOnly = (pfFlags & 0x2) != 0 && !(pfFlags & 0x40) && !luminance;
    if (mips)
        mips->clear();
    unsigned w = width, h2 = height;
    for (unsigned level = 0; level < mipCount; ++level) {
        GfxImage img;
        size_t used = 0;
        if (compressed) {
            if (!DecodeDxtLevel(p, avail, w, h2, fourcc, &img, &used)) {
                if (level == 0)
                    return Fail(error, "DDS data truncated");
                break;
            }
        } else {
            unsigned bpp = bitCount / 8;
            size_t need = (size_t)w * h2 * bpp;
            if (need > avail) {
                if (level == 0)
                    return Fail(error, "DDS data truncated");
                break;
            }
            img.width = w;
            img.height = h2;
            img.texels.resize((size_t)w * h2);
            img.hasAlpha = hasAlphaMask && aMask != 0;
            for (size_t i = 0; i < (size_t)w * h2; ++i) {
                const uint8_t* px = p + i * bpp;
                uint32_t v = 0;
                for (unsigned k = 0; k < bpp; ++k)
                    v |= (uint32_t)px[k] << (8 * k);
                uint32_t r, g, b, a;
                if (alphaOnly) {
                    r = g = b = 255;
                    a = MaskChannel(v, aMask, 255);
                } else if (luminance) {
                    r = g = b = MaskChannel(v, rMask, 0);
                    a = MaskChannel(v, aMask, 255);
                } else {
                    r = MaskChannel(v, rMask, 0);
                    g = MaskChannel(v, gMask, 0);
                    b = MaskChannel(v, bMask, 0);
                    a = img.hasAlpha ? MaskChannel(v, aMask, 255) : 255;
                }
                img.texels[i] = (a << 24) | (r << 16) | (g << 8) | b;
            }
            used = need;
        }
        p += used;
        avail -= used;
        if (level == 0)
            *image = std::move(img);
        else if (mips)
            mips->push_back(std::move(img));
        w = w > 1 ? w / 2 : 1;
        h2 = h2 > 1 ? h2 / 2 : 1;
    }
    return true;
}

namespace {
std::string g_ImageWarning;
} // namespace

std::string GfxTakeImageWarning()
{
    std::string w;
    w.swap(g_ImageWarning);
    return w;
}

void GfxSetImageWarning(const char* text)
{
    g_ImageWarning = text ? text : "";
}

namespace {

// RLE8 / RLE4 bitmap data into one palette index per pixel, rows bottom-up as stored.
// Pixels the runs skip (deltas, early line ends) keep index 0; runs past the image are cut
// off at its edge. False on data that ends before its last row or inside a run.
bool DecodeBmpRle(const uint8_t* p, size_t n, unsigned width, unsigned height, bool four, std::vector<uint8_t>* out)
{
    out->assign((size_t)width * height, 0);
    size_t i = 0;
    unsigned x = 0, y = 0;
    auto put = [&](uint8_t v) {
        if (x < width && y < height)
            (*out)[(size_t)y * width + x] = v;
        ++x;
    };
    while (i + 1 < n) {
        const uint8_t count = p[i], value = p[i + 1];
        i += 2;
        if (count > 0) {
            for (unsigned k = 0; k < count; ++k)
                put(four ? ((k & 1) ? value & 0xF : value >> 4) : value);
            continue;
        }
        if (value == 0) {          // end of line
            x = 0;
            ++y;
        } else if (value == 1) {   // end of bitmap
            return true;
        } else if (value == 2) {   // delta
            if (i + 2 > n)
                return false;
            x += p[i];
            y += p[i + 1];
            i += 2;
        } else {                   // absolute run of value pixels, padded to 16 bits
            const size_t bytes = four ? (value + 1u) / 2 : value;
            if (i + bytes > n)
                return false;
            for (unsigned k = 0; k < value; ++k)
                put(four ? ((k & 1) ? p[i + k / 2] & 0xF : p[i + k / 2] >> 4) : p[i + k]);
            i += (bytes + 1) & ~(size_t)1;
        }
    }
    // Writers that leave out the end-of-bitmap mark after the last line are common.
    return y >= height - 1;
}

} // namespace

bool GfxDecodeBmp(const uint8_t* data, size_t size, GfxImage* image, std::string* error)
{
    if (size < 26 || data[0] != 'B' || data[1] != 'M')
        return Fail(error, "not a BMP file");
    uint32_t offBits = Rd32(data + 10);
    uint32_t hdrSize = Rd32(data + 14);
    int32_t width, height;
    unsigned bitCount, compression = 0, colours = 0;
    uint32_t masks[4] = {0, 0, 0, 0};
    size_t palEntry = 4;
    if (hdrSize == 12) {
        width = Rd16(data + 18);
        height = (int16_t)Rd16(data + 20);
        bitCount = Rd16(data + 24);
        palEntry = 3;
    } else if (hdrSize >= 40 && size >= 14 + 40) {
        width = (int32_t)Rd32(data + 18);
        height = (int32_t)Rd32(data + 22);
        bitCount = Rd16(data + 28);
        compression = Rd32(data + 30);
        colours = Rd32(data + 46);
        if (compression == 3 || compression == 6) {
            size_t mpos = hdrSize >= 52 ? 14 + 40 : 14 + 40;
            if (size < mpos + 12)
                return Fail(error, "BMP masks truncated");
            masks[0] = Rd32(data + mpos);
            masks[1] = Rd32(data + mpos + 4);
            masks[2] = Rd32(data + mpos + 8);
            if (hdrSize >= 56 && size >= mpos + 16)
                masks[3] = Rd32(data + mpos + 12);
        }
    } else {
        return Fail(error, "BMP header not supported");
    }
    // INT32_MIN has no positive counterpart: refused before the sign is taken off.
    if (height == INT32_MIN)
        return Fail(error, "BMP size out of range");
    bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (width <= 0 || height <= 0 || (unsigned)width > GFX_MAX_IMAGE_SIDE || (unsigned)height > GFX_MAX_IMAGE_SIDE)
        return Fail(error, "BMP size out of range");
    const bool rle = (compression == 1 && bitCount == 8) || (compression == 2 && bitCount == 4);
    if (compression != 0 && compression != 3 && compression != 6 && !rle)
        return Fail(error, "BMP compression not supported");
    if (rle && topDown)
        return Fail(error, "BMP run-length data cannot be top-down");
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return Fail(error, "BMP bit count not supported");
    uint32_t palette[256] = {};
    if (bitCount <= 8) {
        unsigned n = colours ? colours : (1u << bitCount);
        if (n > 256)
            n = 256;
        size_t ppos = 14 + hdrSize;
        for (unsigned i = 0; i < n; ++i) {
            size_t at = ppos + i * palEntry;
            if (at + 3 > size)
                break;
            palette[i] = 0xFF000000u | (data[at + 2] << 16) | (data[at + 1] << 8) | data[at];
        }
    }
    if (bitCount == 16 && !masks[0]) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    }
    if (rle) {
        if (offBits > size)
            return Fail(error, "BMP data truncated");
        std::vector<uint8_t> indices;
        if (!DecodeBmpRle(data + offBits, size - offBits, (unsigned)width, (unsigned)height, bitCount == 4, &indices))
            return Fail(error, "BMP run-length data damaged");
        image->width = (unsigned)width;
        image->height = (unsigned)height;
        image->hasAlpha = false;
        image->texels.resize(indices.size());
        // Rows are stored bottom-up.
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image->texels[(size_t)y * width + x] = palette[indices[(size_t)(height - 1 - y) * width + x]];
        return true;
    }
    bool useMasks = bitCount == 16 || ((bitCount == 32) && masks[0]);
    size_t stride = (((size_t)width * bitCount + 31) / 32) * 4;
    if (offBits > size || stride * height > size - offBits)
        return Fail(error, "BMP data truncated");
    image->width = (unsigned)width;
    image->height = (unsigned)height;
    image->texels.assign((size_t)width * height, 0);
    image->hasAlpha = useMasks && masks[3] != 0;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = data + offBits + stride * (topDown ? y : height - 1 - y);
        uint32_t* out = &image->texels[(size_t)y * width];
        for (int x = 0; x < width; ++x) {
            uint32_t c;
            switch (bitCount) {
            case 1: c = palette[(row[x / 8] >> (7 - x % 8)) & 1]; break;
            case 4: c = palette[(row[x / 2] >> ((1 - x % 2) * 4)) & 0xF]; break;
            case 8: c = palette[row[x]]; break;
            case 24: c = 0xFF000000u | (row[x * 3 + 2] << 16) | (row[x * 3 + 1] << 8) | row[x * 3]; break;
            default: {
                uint32_t v = bitCount == 16 ? Rd16(row + x * 2) : Rd32(row + x * 4);
                if (useMasks) {
                    c = (MaskChannel(v, masks[3], 255) << 24) | (MaskChannel(v, masks[0], 0) << 16) |
                        (MaskChannel(v, masks[1], 0) << 8) | MaskChannel(v, masks[2], 0);
                } else {
                    c = 0xFF000000u | (v & 0xFFFFFF); // BI_RGB 32-bit: the fourth byte is unused
                }
            }
            }
            out[x] = c;
        }
    }
    return true;
}

bool GfxDecodeImage(const void* data, size_t size, GfxImage* image, std::vector<GfxImage>* mips, std::string* error)
{
    const uint8_t* d = (const uint8_t*)data;
    g_ImageWarning.clear();
    if (mips)
        mips->clear();
    if (!d || size < 4)
        return Fail(error, "file too short");
    if (std::memcmp(d, "DDS ", 4) == 0)
        return GfxDecodeDds(d, size, image, mips, error);
    if (d[0] == 'B' && d[1] == 'M')
        return GfxDecodeBmp(d, size, image, error);
    if (d[0] == 0xFF && d[1] == 0xD8)
        return GfxDecodeJpeg(d, size, image, error);
    if (size >= 8 && std::memcmp(d, "\x89PNG", 4) == 0)
        return GfxDecodePng(d, size, image, error);
    return Fail(error, "unknown image format");
}

namespace {

// The two source texels a destination texel lies between along one axis, and the weight of
// the second. Texel centres are aligned, as a filtered stretch does.
struct ResizeTap {
    unsigned i0, i1;
    float t;
};
ResizeTap Tap(unsigned i, unsigned srcSize, unsigned dstSize)
{
    float f = ((float)i + 0.5f) * srcSize / dstSize - 0.5f;
    if (f < 0)
        f = 0;
    ResizeTap tap;
    tap.i0 = (unsigned)f;
    tap.i1 = tap.i0 + 1 < srcSize ? tap.i0 + 1 : tap.i0;
    tap.t = f - tap.i0;
    return tap;
}

} // namespace

GfxImage GfxResizeImage(const GfxImage& src, unsigned width, unsigned height)
{
    GfxImage out;
    out.width = width;
    out.height = height;
    out.hasAlpha = src.hasAlpha;
    out.texels.resize((size_t)width * height);
    if (src.width == 0 || src.height == 0)
        return out;
    // Bilinear.
    for (unsigned y = 0; y < height; ++y) {
        const ResizeTap ry = Tap(y, src.height, height);
        const unsigned y0 = ry.i0, y1 = ry.i1;
        const float ty = ry.t;
        for (unsigned x = 0; x < width; ++x) {
            const ResizeTap rx = Tap(x, src.width, width);
            const unsigned x0 = rx.i0, x1 = rx.i1;
            const float tx = rx.t;
            uint32_t c00 = src.texels[(size_t)y0 * src.width + x0], c10 = src.texels[(size_t)y0 * src.width + x1];
            uint32_t c01 = src.texels[(size_t)y1 * src.width + x0], c11 = src.texels[(size_t)y1 * src.width + x1];
            uint32_t c = 0;
            for (int s = 0; s < 32; s += 8) {
                float a = ((c00 >> s) & 0xFF) * (1 - tx) + ((c10 >> s) & 0xFF) * tx;
                float b = ((c01 >> s) & 0xFF) * (1 - tx) + ((c11 >> s) & 0xFF) * tx;
                unsigned v = (unsigned)(a * (1 - ty) + b * ty + 0.5f);
                c |= (v > 255 ? 255 : v) << s;
            }
            out.texels[(size_t)y * width + x] = c;
        }
    }
    return out;
}

GfxImage GfxHalveImage(const GfxImage& src)
{
    GfxImage out;
    out.width = src.width > 1 ? src.width / 2 : 1;
    out.height = src.height > 1 ? src.height / 2 : 1;
    out.hasAlpha = src.hasAlpha;
    out.texels.resize((size_t)out.width * out.height);
    for (unsigned y = 0; y < out.height; ++y)
        for (unsigned x = 0; x < out.width; ++x) {
            unsigned sx = x * 2, sy = y * 2;
            unsigned sx1 = sx + 1 < src.width ? sx + 1 : sx, sy1 = sy + 1 < src.height ? sy + 1 : sy;
            uint32_t c[4] = {src.texels[(size_t)sy * src.width + sx], src.texels[(size_t)sy * src.width + sx1],
                             src.texels[(size_t)sy1 * src.width + sx], src.texels[(size_t)sy1 * src.width + sx1]};
            uint32_t v = 0;
            for (int s = 0; s < 32; s += 8) {
                unsigned sum = 2;
                for (auto k : c)
                    sum += (k >> s) & 0xFF;
                v |= (sum / 4) << s;
            }
            out.texels[(size_t)y * out.width + x] = v;
        }
    return out;
}

static unsigned NextPow2(unsigned v)
{
    unsigned p = 1;
    while (p < v)
        p <<= 1;
    return p;
}

GfxResult GfxCreateTextureFromFileInMemoryEx(GfxDevice* device, const void* data, unsigned size, unsigned width,
                                             unsigned height, unsigned mipLevels, unsigned usage, D3DFORMAT format,
                                             D3DPOOL pool, GfxTexture** texture)
{
    if (!texture)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (!device || !data || !size)
        return D3DERR_INVALIDCALL;
    GfxImage img;
    std::vector<GfxImage> fileMips;
    if (!GfxDecodeImage(data, size, &img, &fileMips, nullptr))
        return D3DERR_INVALIDCALL;
    unsigned w = (width == 0 || width == D3DX_DEFAULT) ? NextPow2(img.width) : width;
    unsigned h = (height == 0 || height == D3DX_DEFAULT) ? NextPow2(img.height) : height;
    bool resized = w != img.width || h != img.height;
    if (resized)
        img = GfxResizeImage(img, w, h);
    if (format == D3DFMT_UNKNOWN)
        format = img.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    if (format == D3DFMT_X8R8G8B8)
        for (auto& t : img.texels)
            t |= 0xFF000000u;
    unsigned levels = mipLevels == D3DX_DEFAULT ? 0 : mipLevels;
    GfxTexture* tex = nullptr;
    GfxResult hr = device->CreateTexture(w, h, levels, usage, format, pool, &tex);
    if (FAILED(hr))
        return hr;
    unsigned count = tex->GetLevelCount();
    GfxImage level = std::move(img);
    for (unsigned i = 0; i < count; ++i) {
        if (i > 0) {
            const GfxImage* fromFile = !resized && i - 1 < fileMips.size() ? &fileMips[i - 1] : nullptr;
            if (fromFile && fromFile->width == (w >> i ? w >> i : 1) && fromFile->height == (h >> i ? h >> i : 1)) {
                level = *fromFile;
                if (format == D3DFMT_X8R8G8B8)
                    for (auto& t : level.texels)
                        t |= 0xFF000000u;
            } else {
                level = GfxHalveImage(level);
            }
        }
        D3DLOCKED_RECT lr;
        if (FAILED(tex->LockRect(i, &lr, nullptr, 0))) {
            tex->Release();
            return E_FAIL;
        }
        for (unsigned y = 0; y < level.height; ++y)
            std::memcpy((uint8_t*)lr.pBits + (size_t)y * lr.Pitch, &level.texels[(size_t)y * level.width],
                        level.width * 4);
        tex->UnlockRect(i);
    }
    *texture = tex;
    return D3D_OK;
}

GfxResult GfxCreateTextureFromFileEx(GfxDevice* device, const char* path, unsigned width, unsigned height,
                                     unsigned mipLevels, unsigned usage, D3DFORMAT format, D3DPOOL pool,
                                     GfxTexture** texture)
{
    if (texture)
        *texture = nullptr;
    if (!path)
        return D3DERR_INVALIDCALL;
    std::string p(path);
    for (auto& c : p)
        if (c == '\\')
            c = '/';
    FILE* f = std::fopen(p.c_str(), "rb");
    if (!f)
        return D3DERR_NOTFOUND;
    std::vector<uint8_t> bytes;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);
    if (bytes.empty())
        return D3DERR_INVALIDCALL;
    return GfxCreateTextureFromFileInMemoryEx(device, bytes.data(), (unsigned)bytes.size(), width, height, mipLevels,
                                              usage, format, pool, texture);
}
