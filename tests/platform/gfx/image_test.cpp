// Image decoders (BMP, DDS, PNG, JPEG) and texture creation from file bytes.
#include <gtest/gtest.h>

#include <jpeglib.h>
#include <unistd.h>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/gfx/image.h"
#include "platform/gfx/null_device.h"
#include "platform/gfx/texture_base.h"

namespace {

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = (uint8_t)(v >> (8 * i));
}
void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v)
{
    b[at] = (uint8_t)v;
    b[at + 1] = (uint8_t)(v >> 8);
}

std::vector<uint8_t> BmpHeader(int w, int h, unsigned bits, size_t pixelBytes, unsigned paletteEntries = 0)
{
    size_t off = 54 + paletteEntries * 4;
    std::vector<uint8_t> b(off + pixelBytes, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, (uint32_t)b.size());
    Put32(b, 10, (uint32_t)off);
    Put32(b, 14, 40);
    Put32(b, 18, (uint32_t)w);
    Put32(b, 22, (uint32_t)h);
    Put16(b, 26, 1);
    Put16(b, 28, (uint16_t)bits);
    Put32(b, 46, paletteEntries);
    return b;
}

std::vector<uint8_t> DdsHeader(unsigned w, unsigned h, unsigned mips, uint32_t pfFlags, uint32_t fourcc, unsigned bits,
                               uint32_t r, uint32_t g, uint32_t bl, uint32_t a)
{
    std::vector<uint8_t> d(128, 0);
    std::memcpy(d.data(), "DDS ", 4);
    Put32(d, 4, 124);
    Put32(d, 12, h);
    Put32(d, 16, w);
    Put32(d, 28, mips);
    Put32(d, 76, 32);
    Put32(d, 80, pfFlags);
    Put32(d, 84, fourcc);
    Put32(d, 88, bits);
    Put32(d, 92, r);
    Put32(d, 96, g);
    Put32(d, 100, bl);
    Put32(d, 104, a);
    return d;
}

// A 24-bit BMP of w x h texels, all grey 0x40.
std::vector<uint8_t> GreyBmp(int w, int h)
{
    auto b = BmpHeader(w, h, 24, (size_t(w) * 3 + 3) / 4 * 4 * size_t(h));
    for (size_t i = 54; i < b.size(); ++i)
        b[i] = 0x40;
    return b;
}

GfxResult LoadBmp(GfxDevice* dev, const std::vector<uint8_t>& b, unsigned mips, GfxTexture** t)
{
    return GfxCreateTextureFromFileInMemoryEx(dev, b.data(), (unsigned)b.size(), D3DX_DEFAULT, D3DX_DEFAULT, mips, 0,
                                              D3DFMT_UNKNOWN, D3DPOOL_MANAGED, t);
}

} // namespace

TEST(ImageTest, Bmp24BottomUpAnd32TopDown)
{
    // 3x2, 24-bit: rows padded to 12 bytes, stored bottom row first.
    auto b = BmpHeader(3, 2, 24, 24);
    uint8_t* px = b.data() + 54;
    px[0] = 0xFF; // bottom-left blue
    px[12 + 2] = 0xFF; // top-left red
    GfxImage im;
    std::string err;
    ASSERT_TRUE(GfxDecodeImage(b.data(), b.size(), &im, nullptr, &err)) << err;
    EXPECT_EQ(im.width, 3u);
    EXPECT_EQ(im.texels[0], 0xFFFF0000u);
    EXPECT_EQ(im.texels[3], 0xFF0000FFu);
    EXPECT_FALSE(im.hasAlpha);

    auto t = BmpHeader(2, -2, 32, 16);
    Put32(t, 54, 0x00112233);
    ASSERT_TRUE(GfxDecodeBmp(t.data(), t.size(), &im, &err)) << err;
    EXPECT_EQ(im.texels[0], 0xFF112233u) << "top-down: first row is the top; the fourth byte is unused";
}

TEST(ImageTest, Bmp8BitPaletteAnd16Bit)
{
    auto b = BmpHeader(2, 1, 8, 4, 2);
    Put32(b, 54, 0x000000FF);  // entry 0: blue
    Put32(b, 58, 0x0000FF00);  // entry 1: green
    b[62] = 1;
    b[63] = 0;
    GfxImage im;
    std::string err;
    ASSERT_TRUE(GfxDecodeBmp(b.data(), b.size(), &im, &err)) << err;
    EXPECT_EQ(im.texels[0], 0xFF00FF00u);
    EXPECT_EQ(im.texels[1], 0xFF0000FFu);
    b[62] = 200; // past the palette: black, not a wild read
    ASSERT_TRUE(GfxDecodeBmp(b.data(), b.size(), &im, &err));
    EXPECT_EQ(im.texels[0], 0u);

    auto s = BmpHeader(1, 1, 16, 4);
    Put16(s, 54, 0x7C00); // 555 red
    ASSERT_TRUE(GfxDecodeBmp(s.data(), s.size(), &im, &err)) << err;
    EXPECT_EQ(im.texels[0], 0xFFFF0000u);
}

TEST(ImageTest, BadBmpsAreRefused)
{
    GfxImage im;
    std::string err;
    auto b = BmpHeader(4, 4, 24, 48);
    b.resize(b.size() - 10);
    EXPECT_FALSE(GfxDecodeBmp(b.data(), b.size(), &im, &err));
    EXPECT_EQ(err, "BMP data truncated");
    auto big = BmpHeader(100000, 100000, 24, 0);
    EXPECT_FALSE(GfxDecodeBmp(big.data(), big.size(), &im, &err));
    auto rle = BmpHeader(1, 3, 8, 2);
    Put32(rle, 30, 1);   // RLE8 whose data stop in its first row
    rle[54] = 1;
    EXPECT_FALSE(GfxDecodeBmp(rle.data(), rle.size(), &im, &err));
    auto rle24 = BmpHeader(1, 1, 24, 4);
    Put32(rle24, 30, 1);   // run-length coding is for palette images only
    EXPECT_FALSE(GfxDecodeBmp(rle24.data(), rle24.size(), &im, &err));
    auto minHeight = BmpHeader(1, 1, 24, 4);
    Put32(minHeight, 22, 0x80000000u);   // INT32_MIN rows
    EXPECT_FALSE(GfxDecodeBmp(minHeight.data(), minHeight.size(), &im, &err));
    EXPECT_EQ(err, "BMP size out of range");
    auto off = BmpHeader(1, 1, 24, 4);
    Put32(off, 10, 0xFFFFFFF0u);
    EXPECT_FALSE(GfxDecodeBmp(off.data(), off.size(), &im, &err));
    uint8_t junk[5] = {'x', 'y', 'z', 0, 1};
    EXPECT_FALSE(GfxDecodeImage(junk, sizeof(junk), &im, nullptr, &err));
    EXPECT_EQ(err, "unknown image format");
}

TEST(ImageTest, DdsUncompressedWithMips)
{
    auto d = DdsHeader(2, 2, 2, 0x41, 0, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000);
    for (uint32_t v : {0x80FF0000u, 0xFF00FF00u, 0xFF0000FFu, 0x00FFFFFFu, 0xFF123456u}) {
        size_t at = d.size();
        d.resize(at + 4);
        Put32(d, at, v);
    }
    GfxImage im;
    std::vector<GfxImage> mips;
    std::string err;
    ASSERT_TRUE(GfxDecodeImage(d.data(), d.size(), &im, &mips, &err)) << err;
    EXPECT_TRUE(im.hasAlpha);
    EXPECT_EQ(im.texels[0], 0x80FF0000u);
    EXPECT_EQ(im.texels[3], 0x00FFFFFFu);
    ASSERT_EQ(mips.size(), 1u);
    EXPECT_EQ(mips[0].texels[0], 0xFF123456u);
    d.resize(d.size() - 4); // the mip level is cut: level 0 still decodes
    ASSERT_TRUE(GfxDecodeImage(d.data(), d.size(), &im, &mips, &err));
    EXPECT_TRUE(mips.empty());
    d.resize(d.size() - 4);
    EXPECT_FALSE(GfxDecodeImage(d.data(), d.size(), &im, &mips, &err));
}

TEST(ImageTest, DdsDxt1AndDxt5Blocks)
{
    auto d = DdsHeader(4, 4, 1, 0x4, D3DFMT_DXT1, 0, 0, 0, 0, 0);
    // c0 = pure red (565 0xF800), c1 = pure blue (0x001F); indices: row 0 all c0, row 1 all c1,
    // row 2 the 2/3-1/3 mix, row 3 the other mix.
    const uint8_t block[8] = {0x00, 0xF8, 0x1F, 0x00, 0x00, 0x55, 0xAA, 0xFF};
    d.insert(d.end(), block, block + 8);
    GfxImage im;
    std::string err;
    ASSERT_TRUE(GfxDecodeImage(d.data(), d.size(), &im, nullptr, &err)) << err;
    EXPECT_EQ(im.texels[0], 0xFFFF0000u);
    EXPECT_EQ(im.texels[4], 0xFF0000FFu);
    EXPECT_EQ(im.texels[8], 0xFFAA0055u);
    EXPECT_EQ(im.texels[12], 0xFF5500AAu);

    auto d5 = DdsHeader(4, 4, 1, 0x4, D3DFMT_DXT5, 0, 0, 0, 0, 0);
    // Alpha endpoints 255 and 0 (eight-step), all indices 1 (alpha 0); colour block of white.
    const uint8_t b5[16] = {255, 0, 0x49, 0x92, 0x24, 0x49, 0x92, 0x24, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    d5.insert(d5.end(), b5, b5 + 16);
    ASSERT_TRUE(GfxDecodeImage(d5.data(), d5.size(), &im, nullptr, &err)) << err;
    EXPECT_EQ(im.texels[0], 0x00FFFFFFu);
    EXPECT_TRUE(im.hasAlpha);
    // A 5x3 DXT1 image needs 2x1 blocks; one block is too few.
    auto odd = DdsHeader(5, 3, 1, 0x4, D3DFMT_DXT1, 0, 0, 0, 0, 0);
    odd.insert(odd.end(), block, block + 8);
    EXPECT_FALSE(GfxDecodeImage(odd.data(), odd.size(), &im, nullptr, &err));
    odd.insert(odd.end(), block, block + 8);
    ASSERT_TRUE(GfxDecodeImage(odd.data(), odd.size(), &im, nullptr, &err));
    EXPECT_EQ(im.width, 5u);
}

namespace {

uint32_t Crc32(const uint8_t* p, size_t n)
{
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

} // namespace

// A picture saved by a tool that writes a gamma chunk keeps its stored pixels.
TEST(ImageTest, PngWithAGammaChunkIsTakenAsStored)
{
    char dir[] = "/tmp/korvane-img-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/g.png";
    const uint32_t px[4] = {0xFF0A141Eu, 0xFF808080u, 0xFF3C2814u, 0xFFC86432u};
    std::string err;
    ASSERT_TRUE(GfxWritePng(path.c_str(), 2, 2, px, &err)) << err;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    std::remove(path.c_str());
    rmdir(dir);
    // gAMA of 1.0 (100000) right after the 8-byte signature and the 25-byte IHDR chunk.
    std::vector<uint8_t> gama = {0, 0, 0, 4, 'g', 'A', 'M', 'A', 0, 1, 0x86, 0xA0};
    const uint32_t crc = Crc32(gama.data() + 4, 8);
    for (int k = 3; k >= 0; --k)
        gama.push_back(uint8_t(crc >> (8 * k)));
    bytes.insert(bytes.begin() + 33, gama.begin(), gama.end());
    GfxImage im;
    ASSERT_TRUE(GfxDecodeImage(bytes.data(), bytes.size(), &im, nullptr, &err)) << err;
    ASSERT_EQ(im.texels.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(im.texels[i], px[i]) << i;
}

TEST(ImageTest, PngRoundTripAndJpeg)
{
    char dir[] = "/tmp/korvane-img-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string path = std::string(dir) + "/a.png";
    const uint32_t px[6] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu, 0xFF000000u, 0xFF808080u};
    std::string err;
    ASSERT_TRUE(GfxWritePng(path.c_str(), 3, 2, px, &err)) << err;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    GfxImage im;
    ASSERT_TRUE(GfxDecodeImage(bytes.data(), bytes.size(), &im, nullptr, &err)) << err;
    ASSERT_EQ(im.width, 3u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(im.texels[i], px[i]) << i;
    bytes.resize(bytes.size() / 2);
    EXPECT_FALSE(GfxDecodeImage(bytes.data(), bytes.size(), &im, nullptr, &err));
    std::remove(path.c_str());
    rmdir(dir);

    // An 8x8 JPEG of one orange colour, made with libjpeg.
    jpeg_compress_struct c;
    jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&c, &out, &outSize);
    c.image_width = 8;
    c.image_height = 8;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_start_compress(&c, TRUE);
    unsigned char row[24];
    for (int i = 0; i < 8; ++i)
        row[i * 3] = 240, row[i * 3 + 1] = 120, row[i * 3 + 2] = 10;
    while (c.next_scanline < 8) {
        JSAMPROW r = row;
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    ASSERT_TRUE(GfxDecodeImage(out, outSize, &im, nullptr, &err)) << err;
    EXPECT_EQ(im.width, 8u);
    EXPECT_NEAR((im.texels[27] >> 16) & 0xFF, 240, 6);
    EXPECT_NEAR((im.texels[27] >> 8) & 0xFF, 120, 6);
    EXPECT_FALSE(GfxDecodeImage(out, outSize / 3, &im, nullptr, &err)) << "a cut JPEG fails cleanly";
    free(out);
}

TEST(ImageTest, TexturesRoundUpToPowersOfTwoWithMips)
{
    D3DPRESENT_PARAMETERS pp;
    pp.BackBufferWidth = 64;
    pp.BackBufferHeight = 64;
    NullGfxDevice* dev = new NullGfxDevice(pp);
    auto b = GreyBmp(5, 3);
    GfxTexture* t = nullptr;
    ASSERT_EQ(LoadBmp(dev, b, 0, &t), D3D_OK);
    D3DSURFACE_DESC d;
    t->GetLevelDesc(0, &d);
    EXPECT_EQ(d.Width, 8u);
    EXPECT_EQ(d.Height, 4u);
    EXPECT_EQ(d.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(t->GetLevelCount(), 4u) << "8x4, 4x2, 2x1, 1x1";
    D3DLOCKED_RECT lr;
    ASSERT_EQ(t->LockRect(3, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(*(uint32_t*)lr.pBits, 0xFF404040u) << "mips keep the colour";
    t->UnlockRect(3);
    t->Release();
    ASSERT_EQ(LoadBmp(dev, b, 1, &t), D3D_OK);
    EXPECT_EQ(t->GetLevelCount(), 1u);
    t->Release();
    EXPECT_NE(GfxCreateTextureFromFileInMemoryEx(dev, b.data(), 20, D3DX_DEFAULT, D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN,
                                                 D3DPOOL_MANAGED, &t),
              D3D_OK);
    EXPECT_EQ(t, nullptr);
    dev->Release();
}

// A texture whose driver keeps the texels, as GL's does: the loader's unlock of each level is
// its one upload, no copy stays behind, and a later lock reads back what the driver holds.
class DriverHeldTexture : public GfxTextureBase {
public:
    DriverHeldTexture(unsigned w, unsigned h, unsigned levels, unsigned usage, D3DFORMAT f, D3DPOOL pool)
        : GfxTextureBase(w, h, levels, usage, f, pool), driver(GetLevelCount())
    {
        keepTexels = false;
    }
    std::vector<std::vector<uint32_t>> driver;
    std::vector<int> uploads = std::vector<int>(16, 0);

protected:
    void UploadLevel(unsigned level) override
    {
        driver[level] = Texels(level);
        ++uploads[level];
    }
    void DownloadLevel(unsigned level) override { Texels(level) = driver[level]; }
};

class DriverHeldDevice : public NullGfxDevice {
public:
    using NullGfxDevice::NullGfxDevice;
    GfxResult CreateTexture(unsigned w, unsigned h, unsigned levels, unsigned usage, D3DFORMAT f, D3DPOOL pool,
                            GfxTexture** texture) override
    {
        *texture = last = new DriverHeldTexture(w, h, levels, usage, f, pool);
        return D3D_OK;
    }
    DriverHeldTexture* last = nullptr;
};

TEST(ImageTest, ALoadedTextureIsUploadedOnceAndKeepsNoCopy)
{
    D3DPRESENT_PARAMETERS pp;
    DriverHeldDevice* dev = new DriverHeldDevice(pp);
    GfxTexture* t = nullptr;
    ASSERT_EQ(LoadBmp(dev, GreyBmp(8, 4), 0, &t), D3D_OK);
    ASSERT_EQ(t, dev->last);
    for (unsigned i = 0; i < t->GetLevelCount(); ++i) {
        EXPECT_EQ(dev->last->uploads[i], 1) << "level " << i;
        EXPECT_TRUE(dev->last->Texels(i).empty()) << "level " << i << " keeps no copy";
    }
    D3DLOCKED_RECT lr;
    ASSERT_EQ(t->LockRect(1, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(*(uint32_t*)lr.pBits, 0xFF404040u) << "a lock reads back what the driver holds";
    t->UnlockRect(1);
    t->Release();
    dev->Release();
}

TEST(ImageTest, EveryLooseImageOfTheBuiltDataDecodes)
{
    namespace fs = std::filesystem;
    fs::path data = fs::path(KORVANE_GAME_DIR) / "Data";
    if (!fs::exists(data))
        GTEST_SKIP() << "the data set is not built";
    int checked = 0;
    for (auto& e : fs::recursive_directory_iterator(data)) {
        std::string ext = e.path().extension().string();
        for (auto& c : ext)
            c = (char)tolower((unsigned char)c);
        if (ext != ".dds" && ext != ".bmp" && ext != ".jpg" && ext != ".png")
            continue;
        std::ifstream in(e.path(), std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
        GfxImage im;
        std::string err;
        EXPECT_TRUE(GfxDecodeImage(bytes.data(), bytes.size(), &im, nullptr, &err)) << e.path() << ": " << err;
        ++checked;
    }
    RecordProperty("images", checked);
}

// Run-length palette BMPs as common image tools write them: runs, absolute runs with their
// padding, a delta, line ends and the end-of-bitmap mark.
TEST(ImageTest, RunLengthBmps)
{
    struct Case {
        const char* what;
        unsigned bits, compression;
        std::vector<uint8_t> runs;
        std::vector<int> rows;   // expected indices, top row first
    } cases[] = {
        {"RLE8", 8, 1,
         {3, 1, 0, 3, 2, 3, 2, 0, 0, 0,   // bottom row: 1 1 1 2 3 2 (absolute run, padded), line end
          0, 2, 1, 0, 2, 1, 0, 0,         // delta one right, then 1 1
          0, 1},
         {0, 0, 0, 0, 0, 0,               // top row: left untouched
          0, 1, 1, 0, 0, 0,
          1, 1, 1, 2, 3, 2}},
        {"RLE4", 4, 2,
         {5, 0x12, 0, 0,             // bottom row: 1 2 1 2 1
          0, 3, 0x32, 0x10, 0, 0,    // absolute 3 2 1, padded
          2, 0x33},                  // top row 3 3, no end mark
         {3, 3, 0, 0, 0, 0,
          3, 2, 1, 0, 0, 0,
          1, 2, 1, 2, 1, 0}},
    };
    const uint32_t colours[4] = {0xFF000000u, 0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto b = BmpHeader(6, 3, c.bits, c.runs.size(), 4);
        Put32(b, 30, c.compression);
        for (int i = 0; i < 4; ++i) {
            b[54 + i * 4] = (uint8_t)colours[i];
            b[54 + i * 4 + 1] = (uint8_t)(colours[i] >> 8);
            b[54 + i * 4 + 2] = (uint8_t)(colours[i] >> 16);
        }
        std::copy(c.runs.begin(), c.runs.end(), b.begin() + 54 + 16);
        GfxImage im;
        std::string err;
        ASSERT_TRUE(GfxDecodeImage(b.data(), b.size(), &im, nullptr, &err)) << err;
        ASSERT_EQ(im.texels.size(), 18u);
        for (size_t i = 0; i < 18; ++i)
            EXPECT_EQ(im.texels[i], colours[c.rows[i]]) << i;
    }
}
