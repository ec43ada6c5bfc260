// The built game directory for a benchmark: current directory, settings, archives and a
// null device while it lives; everything restored when it goes.
#pragma once
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "app/settings.h"
#include "files/file_manager.h"
#include "platform/gfx/null_device.h"
#include "render/d3d_render.h"

class BenchGameDir {
public:
    // Skips the benchmark (ok() false) when the data set is not built.
    BenchGameDir(benchmark::State& state, int cutScenes, unsigned width = 800, unsigned height = 600)
    {
        const std::string dir = KORVANE_GAME_DIR;
        if (!std::filesystem::exists(dir + "/Data/Locations.hdr")) {
            state.SkipWithError("the data set is not built");
            return;
        }
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir);
        g_Settings.debugOut = 0;
        g_Settings.audio = 0;
        g_Settings.cutScenes = cutScenes;
        g_Settings.useFileManager = 1;
        CFileManager::Init();
        D3DPRESENT_PARAMETERS p;
        p.BackBufferWidth = width;
        p.BackBufferHeight = height;
        p.Windowed = 1;
        device_ = new NullGfxDevice(p);
        g_D3DRender.device = device_;
        g_TextureErrorMessages = 0;
    }
    ~BenchGameDir()
    {
        if (!device_) return;
        g_D3DRender.device = nullptr;
        device_->Release();
        CFileManager::Release();
        std::filesystem::current_path(old_);
    }
    BenchGameDir(const BenchGameDir&) = delete;
    BenchGameDir& operator=(const BenchGameDir&) = delete;
    bool ok() const { return device_ != nullptr; }

private:
    std::filesystem::path old_;
    NullGfxDevice* device_ = nullptr;
};
