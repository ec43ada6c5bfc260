// Fixture pieces shared by the tests that load models and textures: a null graphics
// device in place of the game's, and the built data set as the current directory.
#pragma once

#include "app/settings.h"
#include "files/file_manager.h"
#include "platform/gfx/null_device.h"
#include "render/d3d_render.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace testutil {

// Textures are created on the null device. With quietTextures a missing texture is only
// logged, not boxed, so a test can list every one. Remove puts back what Install changed.
class NullDeviceSwap {
public:
    void Install(bool quietTextures)
    {
        D3DPRESENT_PARAMETERS p;
        p.BackBufferWidth = 800;
        p.BackBufferHeight = 600;
        p.Windowed = 1;
        device_ = new NullGfxDevice(p);
        savedDevice_ = g_D3DRender.device;
        g_D3DRender.device = device_;
        savedMessages_ = g_TextureErrorMessages;
        if (quietTextures) g_TextureErrorMessages = 0;
    }
    void Remove()
    {
        if (!device_) return;
        g_TextureErrorMessages = savedMessages_;
        g_D3DRender.device = savedDevice_;
        device_->Release();
        device_ = nullptr;
    }
    bool Installed() const { return device_ != nullptr; }

private:
    NullGfxDevice* device_ = nullptr;
    GfxDevice* savedDevice_ = nullptr;
    int savedMessages_ = 1;
};

// What a test that runs the game's own WinMain in this process sets first: the null graphics
// device and sound driver, SDL's dummy video, a runtime folder of its own under `dir`, and no
// display, so failure boxes print instead of waiting for a click.
inline void UseHeadlessGame(const std::filesystem::path& dir)
{
    std::filesystem::create_directory(dir / "runtime");
    setenv("KORVANE_GFX", "null", 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("XDG_RUNTIME_DIR", (dir / "runtime").c_str(), 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
}

// A fresh run directory whose Data/ links the built archives, made the current one (a test
// may write Save/ and Game.ini there); empty when it could not be made.
inline std::filesystem::path EnterArchiveRunDir(const char* prefix)
{
    namespace fs = std::filesystem;
    std::string tmpl = std::string("/tmp/") + prefix + "-XXXXXX";
    if (!mkdtemp(tmpl.data())) return {};
    const fs::path dir = tmpl, game(KORVANE_GAME_DIR);
    fs::current_path(dir);
    fs::create_directory("Data");
    for (auto& e : fs::directory_iterator(game / "Data"))
        if (e.path().extension() == ".hdr" || e.path().extension() == ".pak")
            fs::create_symlink(e.path(), fs::path("Data") / e.path().filename());
    return dir;
}

// The built data set, read out of the archives (parameter 1) or as loose files (0); the
// test is skipped when the data set is not built.
class DataSetTest : public ::testing::TestWithParam<int> {
protected:
    // marker: a file the built data set holds; quietTextures as for NullDeviceSwap.
    DataSetTest(const char* marker, bool quietTextures) : marker_(marker), quietTextures_(quietTextures) {}

    void SetUp() override
    {
        if (!std::filesystem::exists(std::string(KORVANE_GAME_DIR) + "/" + marker_))
            GTEST_SKIP() << "the data set is not built in " << KORVANE_GAME_DIR;
        saved_ = g_Settings;
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(KORVANE_GAME_DIR);
        g_Settings.debugOut = 0;
        g_Settings.language = 0;
        g_Settings.useFileManager = GetParam();
        CFileManager::Init();
        device_.Install(quietTextures_);
    }
    void TearDown() override
    {
        if (!Entered()) return;
        device_.Remove();
        CFileManager::Release();
        g_Settings = saved_;
        std::filesystem::current_path(old_);
    }

    // False when SetUp skipped the test.
    bool Entered() const { return device_.Installed(); }

private:
    const char* marker_;
    bool quietTextures_;
    GameSettings saved_{};
    std::filesystem::path old_;
    NullDeviceSwap device_;
};

} // namespace testutil
