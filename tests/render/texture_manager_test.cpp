// The texture manager through the renderer on the null device: names, reference counts,
// slots, the "BMP to JPG" rewrite and the file-manager path.
#include "render/null_render_fixture.h"

#include <algorithm>
#include <cstdio>
#include <jpeglib.h>

using TextureManagerTest = NullRenderTest;

TEST_F(TextureManagerTest, SameNameSharesOneSlotWithCounts)
{
    Start();
    WriteFile("Data/t.bmp", Bmp(3, 5, 0x123456));
    int id = g_D3DRender.LoadTexture("Data/t.bmp", 1, -1);
    ASSERT_EQ(id, 0);
    EXPECT_EQ(g_D3DRender.LoadTexture("Data/t.bmp", 1, -1), id);
    EXPECT_EQ(g_D3DRender.LoadTexture("Data/t.bmp", 1, 7), id) << "the slot argument is ignored";
    EXPECT_EQ(g_D3DRender.textureManager.refCounts[id], 3);
    D3DSURFACE_DESC desc;
    g_D3DRender.GetTexture(id)->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 4u) << "sizes round up to powers of two";
    EXPECT_EQ(desc.Height, 8u);
    EXPECT_STREQ(g_D3DRender.GetTextureName(id), "Data/t.bmp");
    EXPECT_STREQ(g_D3DRender.FindTextureName(g_D3DRender.GetTexture(id)), "Data/t.bmp");
    EXPECT_EQ(g_D3DRender.GetTextureByName("Data/t.bmp"), g_D3DRender.GetTexture(id));
    g_D3DRender.ReleaseTexture(id);
    g_D3DRender.ReleaseTexture(id);
    EXPECT_NE(g_D3DRender.GetTexture(id), nullptr);
    g_D3DRender.ReleaseTexture(id);
    EXPECT_EQ(g_D3DRender.GetTexture(id), nullptr);
    EXPECT_STREQ(g_D3DRender.GetTextureName(id), "");
    g_D3DRender.ReleaseTexture(id); // a free slot: silent
    g_D3DRender.ReleaseTexture(-1);
    g_D3DRender.ReleaseTexture(4096);
    EXPECT_EQ(g_D3DRender.GetTexture(-1), nullptr);
    EXPECT_EQ(g_D3DRender.GetTextureName(-1), nullptr);
}

TEST_F(TextureManagerTest, ZeroCountReleaseLogsTheCounterLine)
{
    Start();
    WriteFile("t.bmp", Bmp(2, 2, 0));
    int id = g_D3DRender.LoadTexture("t.bmp", 1, -1);
    g_D3DRender.textureManager.refCounts[id] = 0;
    g_D3DRender.ReleaseTexture(id);
    EXPECT_TRUE(LogHas("Texture reference counter in use! (ID: 0; REF: 0; Name: t.bmp"));
    EXPECT_NE(g_D3DRender.GetTexture(id), nullptr);
    g_D3DRender.ReleaseTextureByName("t.bmp");
    EXPECT_TRUE(LogHas("Texture reference counter in use! (ID: 0; REF: 0; Name: t.bmp)"));
    g_D3DRender.textureManager.refCounts[id] = 2;
    g_D3DRender.ReleaseAllTextures();
    EXPECT_TRUE(LogHas("CTextureManager::ReleaseAllTextures() start..."));
    EXPECT_TRUE(LogHas("\tTexture lost! (ID: 0; REF: 2; Name: t.bmp)"));
    EXPECT_TRUE(LogHas("CTextureManager::ReleaseAllTextures() done!"));
    EXPECT_EQ(g_D3DRender.textureManager.Find("t.bmp"), -1);
}

TEST_F(TextureManagerTest, BmpToJpgReadsTheJpgButKeepsTheBmpName)
{
    Start();
    g_Settings.bmpToJpg = 1;
    // The ".jpg" file holds BMP bytes: the loader tells formats by content.
    WriteFile("Data/Tex/hull.jpg", Bmp(4, 4, 0x00ff00));
    int id = g_D3DRender.LoadTexture("Data/Tex/hull.bmp", 1, -1);
    ASSERT_GE(id, 0);
    EXPECT_EQ(g_D3DRender.textureManager.Find("Data/Tex/hull.bmp"), id);
    EXPECT_EQ(g_D3DRender.textureManager.Find("Data/Tex/hull.jpg"), -1);
    g_Settings.bmpToJpg = 0;
    EXPECT_EQ(g_D3DRender.LoadTexture("Data/Tex/other.bmp", 1, -1), -1);
    EXPECT_TRUE(LogHas("Load texture failed: Data/Tex/other.bmp"));
}

TEST_F(TextureManagerTest, LooseFileFoundWhenTheArchiveLacksIt)
{
    Start();
    g_Settings.useFileManager = 1;
    WriteFile("Data/loose.bmp", Bmp(2, 2, 0xff));
    EXPECT_GE(g_D3DRender.LoadTexture("Data/loose.bmp", 1, -1), 0);
}

TEST_F(TextureManagerTest, NamesDifferingInCaseLoadTwice)
{
    Start();
    WriteFile("a.bmp", Bmp(2, 2, 0));
    WriteFile("A.bmp", Bmp(2, 2, 0));
    int a = g_D3DRender.LoadTexture("a.bmp", 1, -1);
    int b = g_D3DRender.LoadTexture("A.bmp", 1, -1);
    EXPECT_NE(a, b);
    EXPECT_EQ(g_D3DRender.LoadTexture(nullptr, 1, -1), -1);
}

TEST_F(TextureManagerTest, SlotHeldUnderAnotherNameKeepsItsTextureForItsHolders)
{
    Start();
    WriteFile("a.bmp", Bmp(2, 2, 0));
    WriteFile("b.bmp", Bmp(2, 2, 0));
    WriteFile("c.bmp", Bmp(2, 2, 0));
    int a = g_D3DRender.LoadTexture("a.bmp", 1, -1);
    g_D3DRender.LoadTexture("a.bmp", 1, -1);
    GfxTexture* held = g_D3DRender.GetTexture(a);
    int b = g_D3DRender.LoadTexture("b.bmp", 1, a);
    ASSERT_GE(b, 0);
    EXPECT_NE(b, a) << "the held slot is not taken from its holders";
    EXPECT_EQ(g_D3DRender.GetTexture(a), held);
    EXPECT_STREQ(g_D3DRender.GetTextureName(a), "a.bmp");
    EXPECT_STREQ(g_D3DRender.GetTextureName(b), "b.bmp");
    EXPECT_EQ(g_D3DRender.textureManager.refCounts[a], 2);
    EXPECT_EQ(g_D3DRender.textureManager.refCounts[b], 1);
    // A free slot given by the caller is used.
    EXPECT_EQ(g_D3DRender.LoadTexture("c.bmp", 1, 100), 100);
    EXPECT_EQ(g_D3DRender.textureManager.refCounts[100], 1);
    EXPECT_EQ(g_D3DRender.LoadTexture("c.bmp", 1, 1024), 100);
    EXPECT_EQ(g_D3DRender.textureManager.Load("d.bmp", 1, 1024), -1) << "slot out of range";
    EXPECT_EQ(g_D3DRender.textureManager.Load("d.bmp", 1, -7), -1);
}

TEST_F(TextureManagerTest, TableOf1024Slots)
{
    Start();
    WriteFile("t.bmp", Bmp(1, 1, 0));
    CTextureManager& tm = g_D3DRender.textureManager;
    for (int i = 0; i < CTextureManager::kMaxTextures; ++i)
        ASSERT_EQ(tm.Load("t.bmp", 1, -1), i);
    EXPECT_EQ(tm.Load("t.bmp", 1, -1), -1) << "full";
    tm.Release(500);
    EXPECT_EQ(tm.Load("t.bmp", 1, -1), 500) << "the first free slot";
}

TEST_F(TextureManagerTest, ReplaceTextureKeepsTheCount)
{
    Start();
    WriteFile("panel.bmp", Bmp(64, 32, 0));
    int id = g_D3DRender.LoadTexture("panel.bmp", 1, -1);
    g_D3DRender.LoadTexture("panel.bmp", 1, -1);
    GfxTexture* rt = nullptr;
    ASSERT_EQ(g_D3DRender.device->CreateTexture(64, 32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &rt),
              D3D_OK);
    EXPECT_EQ(g_D3DRender.ReplaceTexture("panel.bmp", rt), id);
    EXPECT_EQ(g_D3DRender.GetTexture(id), rt);
    EXPECT_EQ(g_D3DRender.textureManager.refCounts[id], 2);
    EXPECT_EQ(g_D3DRender.ReplaceTexture("none.bmp", rt), -1);
}

// A JPEG cut short still loads (its missing rows grey), and the log says why it looks so.
TEST_F(TextureManagerTest, TruncatedJpegLoadsAndIsLogged)
{
    Start();
    jpeg_compress_struct c;
    jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&c, &out, &outSize);
    c.image_width = c.image_height = 64;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(64 * 3);
    while (c.next_scanline < 64) {
        for (size_t i = 0; i < row.size(); ++i) row[i] = (unsigned char)(i * 7 + c.next_scanline * 13);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> bytes(out, out + outSize * 2 / 3);
    free(out);
    WriteFile("Data/cut.jpg", bytes);
    EXPECT_GE(g_D3DRender.LoadTexture("Data/cut.jpg", 1, -1), 0);
    const auto lines = LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Texture Data/cut.jpg: JPEG: Premature end of JPEG file"), 1);
}
