// Renderer tests on the null device: a fresh current directory holding the technique files,
// the debug log on, and a renderer started with InitD3D / CreateDevice.
#pragma once
#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/settings.h"
#include "platform/gfx/image.h"
#include "platform/gfx/null_device.h"
#include "render/d3d_render.h"

class NullRenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = g_Settings;
        g_Settings.debugOut = 1;
        g_Settings.useFileManager = 0;
        g_Settings.bmpToJpg = 0;
        g_Settings.videoMode = 100;
        g_Settings.language = 1;
        old_ = std::filesystem::current_path();
        char tmpl[] = "/tmp/korvane-render-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        std::filesystem::current_path(dir_);
        std::filesystem::create_directories("Data/Misc");
        for (const char* f : {"RenderTechniques_20.dat", "RenderTechniques_11.dat"})
            std::filesystem::copy_file(std::string(KORVANE_SOURCE_DIR) + "/data/Data/Misc/" + f,
                                       std::string("Data/Misc/") + f);
        g_NullGfxConfig.Restore();
        GfxSelectBackend(GfxBackend::Null);
        g_D3DRender.Reset();
        g_TextureErrorMessages = 0;
    }
    void TearDown() override
    {
        g_D3DRender.FreeD3DRender();
        g_D3DRender.Reset();
        g_NullGfxConfig.Restore();
        g_TextureErrorMessages = 1;
        g_Settings = saved_;
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(dir_);
    }

    // InitD3D and CreateDevice on the null device; the device's call log starts empty.
    void Start()
    {
        ASSERT_EQ(g_D3DRender.InitD3D(1), 0);
        ASSERT_EQ(g_D3DRender.CreateDevice(nullptr, 1), 0);
        ASSERT_NE(g_D3DRender.device, nullptr);
        Dev()->ClearCalls();
    }
    NullGfxDevice* Dev() const { return static_cast<NullGfxDevice*>(g_D3DRender.device); }

    static std::vector<std::string> LogLines()
    {
        std::ifstream in("debug.txt");
        std::vector<std::string> lines;
        std::string line;
        while (std::getline(in, line))
            lines.push_back(line);
        return lines;
    }
    static bool LogHas(const std::string& text)
    {
        for (auto& l : LogLines())
            if (l.find(text) != std::string::npos)
                return true;
        return false;
    }
    static void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
    {
        std::filesystem::path p(path);
        if (p.has_parent_path())
            std::filesystem::create_directories(p.parent_path());
        std::ofstream(path, std::ios::binary).write((const char*)bytes.data(), (std::streamsize)bytes.size());
    }
    // A small 24-bit BMP of one colour.
    static std::vector<uint8_t> Bmp(unsigned w, unsigned h, uint32_t rgb)
    {
        unsigned stride = (w * 3 + 3) & ~3u;
        std::vector<uint8_t> b(54 + stride * h, 0);
        auto put32 = [&b](size_t at, uint32_t v) {
            for (int i = 0; i < 4; ++i)
                b[at + i] = (uint8_t)(v >> (8 * i));
        };
        b[0] = 'B';
        b[1] = 'M';
        put32(2, (uint32_t)b.size());
        put32(10, 54);
        put32(14, 40);
        put32(18, w);
        put32(22, h);
        b[26] = 1;
        b[28] = 24;
        for (unsigned y = 0; y < h; ++y)
            for (unsigned x = 0; x < w; ++x) {
                uint8_t* p = &b[54 + y * stride + x * 3];
                p[0] = (uint8_t)rgb;
                p[1] = (uint8_t)(rgb >> 8);
                p[2] = (uint8_t)(rgb >> 16);
            }
        return b;
    }

private:
    GameSettings saved_;
    std::filesystem::path old_;
    std::string dir_;
};
