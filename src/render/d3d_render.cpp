#include "render/d3d_render.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "app/settings.h"
#include "app/winmain.h"
#include "files/file_manager.h"
#include "menus/game_menu.h"
#include "platform/win/message_box.h"
#include "platform/win/timer.h"
#include "world/world.h"
#include "flight_ui/cockpit.h"
#include "render/draw2d.h"
#include "render/font.h"

float g_ScreenScaleX = 1.0f;
float g_ScreenScaleY = 1.0f;
CD3DRender g_D3DRender;
int g_TextureErrorMessages = 1;

namespace {
constexpr unsigned GFX_MAX_LIGHTS_SAVED = 64;
// Lights switched off around a reset, switched on again with their values afterwards.
struct SavedLight {
    unsigned index;
    D3DLIGHT9 light;
};
SavedLight g_savedLights[GFX_MAX_LIGHTS_SAVED];
int g_savedLightCount = 0;
} // namespace

int AspectClass(float width, float height)
{
    float r = height != 0.0f ? width / height : 0.0f;
    if (std::fabs(1.6f - r) > std::fabs(1.7777778f - r))
        return 2;
    if (std::fabs(1.6f - r) < std::fabs(1.3333334f - r))
        return 1;
    return 0;
}

void CD3DRender::Reset()
{
    std::strcpy(name, "Empty");
    name[0] = 0;
    window = nullptr;
    boundTexture = -1;
    zWriteEnable = zEnable = lighting = srcBlend = destBlend = alphaBlendEnable = 0;
    presentParams = D3DPRESENT_PARAMETERS();
    vertexShader11 = pixelShader14 = shaderModel20 = bumpMapping = 0;
    textureManager.Clear();
    for (auto& m : modes)
        m = D3DDISPLAYMODE();
    modeCount = 0;
    backBufferFormat = D3DFMT_UNKNOWN;
    width = height = 0.0f;
    scaleX = scaleY = 0.0f;
    desktopMode = D3DDISPLAYMODE();
    desktopAspect = modeAspect = 0;
    d3d = nullptr;
    device = nullptr;
    effect = nullptr;
    fillMode = D3DFILL_SOLID;
    shadeMode = D3DSHADE_GOURAUD;
    deviceLost = resourcesReleased = 0;
    facesDrawn = framesPresented = 0;
    fps = 0.0f;
    fpsFrames = 0;
    fpsLastTime = 0;
}

void CD3DRender::Fail(const char* text)
{
    DebugOut(text);
    MessageBox(window ? window : g_MainWindow, text, name[0] ? name : g_WindowTitles[g_Settings.language ? 1 : 0],
               MB_ICONERROR);
}

int CD3DRender::InitD3D(int windowed)
{
    d3d = GfxCreateSystem();
    if (!d3d) {
        Fail("Could not initialize Direct3D!\nYou may want to check that the latest version of\nDirectX is correctly "
             "installed on your system.\n");
        return -1;
    }
    DebugOut("Create Direct3D OK");
    d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktopMode);

    const D3DFORMAT candidates[] = {desktopMode.Format, D3DFMT_X8R8G8B8, D3DFMT_R8G8B8, D3DFMT_R5G6B5};
    backBufferFormat = D3DFMT_UNKNOWN;
    for (D3DFORMAT f : candidates) {
        if (SUCCEEDED(d3d->CheckDeviceType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, f, f, windowed))) {
            backBufferFormat = f;
            break;
        }
    }
    if (backBufferFormat == D3DFMT_UNKNOWN) {
        Fail("Check device type failed!\nCould not find any compatible Direct3D devices.\nThis application requires "
             "functionality that is\nnot available on your Direct3D hardware accelerator.");
        FreeD3DRender();
        return -1;
    }
    DebugOut("Check device type OK\n");
    desktopAspect = AspectClass((float)desktopMode.Width, (float)desktopMode.Height);

    modeCount = 0;
    unsigned count = d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, backBufferFormat);
    for (unsigned i = 0; i < count; ++i) {
        D3DDISPLAYMODE mode;
        if (FAILED(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, backBufferFormat, i, &mode)))
            continue;
        if (modeCount > 0 && modes[modeCount - 1].Width == mode.Width && modes[modeCount - 1].Height == mode.Height)
            continue;
        if (modeCount >= kMaxModes) {
            DebugOutF("Display mode table full, %ux%u left out", mode.Width, mode.Height);
            continue;
        }
        modes[modeCount++] = mode;
    }
    std::stable_sort(modes, modes + modeCount,
                     [](const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b) { return a.Width < b.Width; });
    if (modeCount == 0) {
        Fail("Enum and check video modes failed!\nThis application requires functionality that is\nnot available on "
             "your Direct3D hardware accelerator.");
        FreeD3DRender();
        return -1;
    }

    int row = g_Settings.videoMode;
    if (row >= 100) {
        row = modeCount - 1;
        for (int i = 0; i < modeCount; ++i)
            if (modes[i].Width == desktopMode.Width && modes[i].Height == desktopMode.Height) {
                row = i;
                break;
            }
    } else if (row >= modeCount) {
        row = modeCount - 1;
    } else if (row < 0) {
        row = 0;
    }
    g_Settings.videoMode = row;
    SaveSettings();
    return 0;
}

int CD3DRender::CreateDevice(WindowHandle wnd, int windowed)
{
    std::snprintf(name, sizeof(name), "%s", g_WindowTitles[g_Settings.language ? 1 : 0]);
    window = wnd;
    if (!d3d)
        return -1;
    D3DCAPS9 caps;
    d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps);

    const D3DFORMAT depthFormats[] = {D3DFMT_D24S8, D3DFMT_D32, D3DFMT_D24X8, D3DFMT_D24X4S4, D3DFMT_D16};
    D3DFORMAT depth = D3DFMT_UNKNOWN;
    for (D3DFORMAT f : depthFormats)
        if (SUCCEEDED(d3d->CheckDepthStencilMatch(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, backBufferFormat,
                                                  backBufferFormat, f))) {
            depth = f;
            break;
        }
    if (depth == D3DFMT_UNKNOWN) {
        FreeD3DRender();
        Fail("Check depth buffer match failed!");
        return -1;
    }
    if (FAILED(d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps))) {
        FreeD3DRender();
        Fail("Check shader support failed!");
        return -1;
    }
    vertexShader11 = pixelShader14 = shaderModel20 = bumpMapping = 0;
    if (caps.VertexShaderVersion > D3DVS_VERSION(1, 0)) {
        vertexShader11 = 1;
        if (caps.PixelShaderVersion >= D3DPS_VERSION(1, 4))
            pixelShader14 = 1;
    }
    if (caps.VertexShaderVersion >= D3DVS_VERSION(2, 0) && caps.PixelShaderVersion >= D3DPS_VERSION(2, 0)) {
        shaderModel20 = 1;
        bumpMapping = 1;
    }

    int w = 800, h = 600;
    GetModeSize(g_Settings.videoMode, &w, &h);
    modeAspect = AspectClass((float)w, (float)h);

    presentParams = D3DPRESENT_PARAMETERS();
    presentParams.BackBufferWidth = (unsigned)w;
    presentParams.BackBufferHeight = (unsigned)h;
    presentParams.BackBufferFormat = backBufferFormat;
    presentParams.BackBufferCount = 2;
    presentParams.MultiSampleType = D3DMULTISAMPLE_NONE;
    presentParams.SwapEffect = D3DSWAPEFFECT_FLIP;
    presentParams.hDeviceWindow = wnd;
    presentParams.Windowed = windowed;
    presentParams.EnableAutoDepthStencil = 1;
    presentParams.AutoDepthStencilFormat = depth;
    presentParams.Flags = 0;
    presentParams.FullScreen_RefreshRateInHz = 0;
    presentParams.PresentationInterval = D3DPRESENT_INTERVAL_ONE;

    const unsigned hw = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE;
    const unsigned mixed = D3DCREATE_MIXED_VERTEXPROCESSING | D3DCREATE_PUREDEVICE;
    unsigned countBefore = presentParams.BackBufferCount;
    GfxResult hr = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, wnd, hw, &presentParams, &device);
    if (FAILED(hr) && presentParams.BackBufferCount != countBefore)
        hr = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, wnd, hw, &presentParams, &device);
    if (FAILED(hr))
        hr = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, wnd, mixed, &presentParams, &device);
    if (FAILED(hr)) {
        presentParams.BackBufferCount = 1;
        presentParams.SwapEffect = D3DSWAPEFFECT_COPY;
        hr = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, wnd, hw, &presentParams, &device);
        if (FAILED(hr))
            hr = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, wnd, mixed, &presentParams, &device);
    }
    if (FAILED(hr)) {
        presentParams.SwapEffect = D3DSWAPEFFECT_DISCARD;
        hr = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, wnd, hw, &presentParams, &device);
        if (FAILED(hr))
            hr = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, wnd, mixed, &presentParams, &device);
    }
    if (FAILED(hr)) {
        char text[256];
        std::snprintf(text, sizeof(text), "Could not create Direct3DDevice9!\n(error: %s)", GfxErrorString(hr));
        device = nullptr;
        FreeD3DRender();
        Fail(text);
        return hr;
    }

    width = (float)w;
    height = (float)h;
    scaleX = width / 800.0f;
    scaleY = height / 600.0f;
    g_ScreenScaleX = scaleX;
    g_ScreenScaleY = scaleY;
    hr = LoadRenderTechniques();
    if (FAILED(hr) && !device)
        return hr; // the effect failed to compile: the renderer has been freed
    SetDefaultStates();
    return 0;
}

void CD3DRender::FreeD3DRender()
{
    DebugOut("CD3DRender::FreeD3DRender() start...");
    ReleaseEffect();
    textureManager.ReleaseAllTextures();
    boundTexture = -1;
    if (device) {
        device->Release();
        device = nullptr;
    }
    if (d3d) {
        d3d->Release();
        d3d = nullptr;
    }
    deviceLost = resourcesReleased = 0;
    DebugOut("CD3DRender::FreeD3DRender() done!");
}

// The device cannot go on: the location loop ends the program as it does after a quit.
static void EndGameThroughQuitFlags()
{
    g_Settings.useGameMenu = 0;
    g_GameMenuActive = 0;
    g_LocationFinished = 1;
}

int CD3DRender::Present()
{
    static bool presentFailureShown = false;
    facesDrawn = 0;
    if (!device)
        return E_FAIL;
    GfxResult hr = device->TestCooperativeLevel();
    if (hr == D3DERR_DEVICELOST) {
        deviceLost = 1;
        return 0;
    }
    if (hr == D3DERR_DEVICENOTRESET) {
        deviceLost = 1;
        InvalidateDevice();
        hr = device->Reset(&presentParams);
        if (SUCCEEDED(hr)) {
            RestoreDevice();
            deviceLost = 0;
            return 0;
        }
        Fail("D3D device is lost,\nand application can't restore it!\nApplication will now exit...");
        EndGameThroughQuitFlags();
        return E_FAIL;
    }
    hr = device->Present(nullptr, nullptr, nullptr, nullptr);
    if (hr == D3DERR_DEVICELOST) {
        deviceLost = 1;
        return 0;
    }
    if (FAILED(hr)) {
        // Shown once; a device that cannot present ends the game instead of looping on the box.
        if (!presentFailureShown) {
            presentFailureShown = true;
            Fail("Present frame failed!");
        }
        EndGameThroughQuitFlags();
        return hr;
    }
    ++framesPresented;
    return 0;
}

void CD3DRender::InvalidateDevice()
{
    if (resourcesReleased || !device)
        return;
    // Every light of both worlds is switched off; the values come back after the reset.
    g_savedLightCount = 0;
    for (unsigned i = 0; i < GFX_MAX_LIGHTS_SAVED; ++i) {
        int on = 0;
        if (SUCCEEDED(device->GetLightEnable(i, &on)) && on) {
            SavedLight& s = g_savedLights[g_savedLightCount++];
            s.index = i;
            device->GetLight(i, &s.light);
            device->LightEnable(i, 0);
        }
    }
    ReleaseCockpitPanels();
    ReleaseEffect();
    resourcesReleased = 1;
}

void CD3DRender::RestoreDevice()
{
    if (!resourcesReleased || !device)
        return;
    GfxResult hr = LoadRenderTechniquesAfterReset();
    ReloadCockpitPanels();
    for (int i = 0; i < g_savedLightCount; ++i) {
        device->SetLight(g_savedLights[i].index, &g_savedLights[i].light);
        device->LightEnable(g_savedLights[i].index, 1);
    }
    g_savedLightCount = 0;
    SetDefaultStates();
    resourcesReleased = 0;
    if (FAILED(hr) && hr != E_FAIL)
        EndGameThroughQuitFlags();
}

void CD3DRender::ToggleFillMode()
{
    fillMode = fillMode == D3DFILL_SOLID ? D3DFILL_WIREFRAME : D3DFILL_SOLID;
    if (device)
        device->SetRenderState(D3DRS_FILLMODE, (unsigned)fillMode);
}

void CD3DRender::ToggleShadeMode()
{
    shadeMode = shadeMode == D3DSHADE_GOURAUD ? D3DSHADE_FLAT : D3DSHADE_GOURAUD;
    if (device)
        device->SetRenderState(D3DRS_SHADEMODE, (unsigned)shadeMode);
}

int CD3DRender::LoadTexture(const char* texName, int mipLevels, int slot)
{
    if (!texName)
        return -1;
    int id = textureManager.Find(texName);
    if (id != -1) {
        ++textureManager.refCounts[id];
        return id;
    }
    id = textureManager.Load(texName, mipLevels, slot);
    if (id == -1) {
        DebugOut(texName);
        if (g_TextureErrorMessages)
            MessageBox(window ? window : g_MainWindow, texName, "Load texture failed!", MB_ICONERROR);
        LogTextureLoadFailed(texName);
    }
    return id;
}

void CD3DRender::ReleaseAllTextures() { textureManager.ReleaseAllTextures(); }

void CD3DRender::ReleaseTexture(int id)
{
    if (id != -1)
        textureManager.Release(id);
}

void CD3DRender::ReleaseTextureByName(const char* texName)
{
    if (texName)
        textureManager.ReleaseByName(texName);
}

// Wireframe and flat shading draw untextured: the stage is emptied, and the next bind by id
// must reach the device. True when that is the case.
static bool EmptyStageWhenUntextured(CD3DRender& r)
{
    if (r.fillMode != D3DFILL_WIREFRAME && r.shadeMode != D3DSHADE_FLAT)
        return false;
    r.device->SetTexture(0, nullptr);
    r.boundTexture = -1;
    return true;
}

// Alpha textures blend over what is drawn, the others replace it.
static void SetTextureBlend(CD3DRender& r, int alpha)
{
    r.SetAlphaBlendEnable(alpha);
    r.SetSrcBlend(alpha ? D3DBLEND_SRCALPHA : D3DBLEND_ONE);
    r.SetDestBlend(alpha ? D3DBLEND_INVSRCALPHA : D3DBLEND_ZERO);
}

void CD3DRender::SetTexturePtr(GfxTexture* texture, int alpha)
{
    if (!device || EmptyStageWhenUntextured(*this))
        return;
    device->SetTexture(0, texture);
    boundTexture = -1;
    SetTextureBlend(*this, alpha);
}

void CD3DRender::SetTexture(int id, int alpha)
{
    if (!device || EmptyStageWhenUntextured(*this))
        return;
    if (id < -1 || id >= CTextureManager::kMaxTextures)
        id = -1;
    if (id == -1) {
        device->SetTexture(0, nullptr);
    } else if (id != boundTexture) {
        device->SetTexture(0, textureManager.GetTexture(id));
    }
    boundTexture = id;
    SetTextureBlend(*this, alpha);
}

void CD3DRender::SetTextureByName(const char* texName, int alpha) { SetTexture(textureManager.Find(texName), alpha); }

static void CachedState(GfxDevice* device, int* cache, D3DRENDERSTATETYPE state, int value)
{
    if (*cache == value || !device)
        return;
    device->SetRenderState(state, (unsigned)value);
    *cache = value;
}

void CD3DRender::SetZWriteEnable(int value) { CachedState(device, &zWriteEnable, D3DRS_ZWRITEENABLE, value); }
void CD3DRender::SetZEnable(int value) { CachedState(device, &zEnable, D3DRS_ZENABLE, value); }
void CD3DRender::SetLighting(int value) { CachedState(device, &lighting, D3DRS_LIGHTING, value); }
void CD3DRender::SetSrcBlend(int value) { CachedState(device, &srcBlend, D3DRS_SRCBLEND, value); }
void CD3DRender::SetDestBlend(int value) { CachedState(device, &destBlend, D3DRS_DESTBLEND, value); }
void CD3DRender::SetAlphaBlendEnable(int value) { CachedState(device, &alphaBlendEnable, D3DRS_ALPHABLENDENABLE, value); }

float CD3DRender::GetFPS()
{
    ++fpsFrames;
    unsigned now = timeGetTime();
    float seconds = (float)(now - fpsLastTime) * 0.001f;
    if (seconds > 1.0f) {
        fps = (float)fpsFrames / seconds;
        fpsFrames = 0;
        fpsLastTime = now;
    }
    return fps;
}

void CD3DRender::DrawMessageScreen(float x, float y, const char* text, unsigned topColour, unsigned bottomColour)
{
    if (!device || !text)
        return;
    if (FAILED(device->BeginScene()))
        return;
    CFont* font = g_World.Camera().GetFont();
    if (font) {
        if (x == -1.0f)
            x = 400.0f - font->GetTextWidth(1.0f, text) * 0.5f;
        if (y == -1.0f)
            y = 300.0f - font->GetTextHeight(1.0f) * 0.5f;
        if (std::strcmp(text, "ПАУЗА") == 0) {
            DrawScreenDiscMarked(400.0f, 300.0f, 200.0f, 1.0f, 0.05f);
            font->DrawText(x + 1.0f, y + 1.0f, text, 0xff000000u, 0xff000000u, 1.0f);
        }
        font->DrawText(x, y, text, topColour, bottomColour, 1.0f);
    }
    device->EndScene();
    Present();
}

void CD3DRender::SetCursorPos800x600(float x, float y)
{
    ::SetCursorPos((int)std::lround(x * g_ScreenScaleX), (int)std::lround(y * g_ScreenScaleY));
}

void CD3DRender::SetAlphaStage(unsigned stage, unsigned operation)
{
    if (!device)
        return;
    device->SetTextureStageState(stage, D3DTSS_ALPHAOP, operation);
    device->SetTextureStageState(stage, D3DTSS_ALPHAARG0, D3DTA_TEMP);
    device->SetTextureStageState(stage, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(stage, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
}

void CD3DRender::SetColorStage(unsigned stage, unsigned operation, unsigned arg2, unsigned arg0)
{
    if (!device)
        return;
    device->SetTextureStageState(stage, D3DTSS_COLOROP, operation);
    device->SetTextureStageState(stage, D3DTSS_COLORARG0, arg0);
    device->SetTextureStageState(stage, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(stage, D3DTSS_COLORARG2, arg2);
    device->SetTextureStageState(stage, D3DTSS_RESULTARG, D3DTA_CURRENT);
}

void CD3DRender::SetLodBias(float bias, int stage)
{
    if (!device)
        return;
    unsigned bits = GfxFloatBits(bias);
    if (stage == -1) {
        device->SetSamplerState(0, D3DSAMP_MIPMAPLODBIAS, bits);
        device->SetSamplerState(1, D3DSAMP_MIPMAPLODBIAS, bits);
    } else if (stage >= 0 && stage < (int)GFX_MAX_STAGES) {
        device->SetSamplerState((unsigned)stage, D3DSAMP_MIPMAPLODBIAS, bits);
    }
}

void CD3DRender::SetMaterial(const D3DMATERIAL9* material, int toEffect)
{
    if (!device || !material)
        return;
    const D3DCOLORVALUE& s = material->Specular;
    device->SetRenderState(D3DRS_SPECULARENABLE, (s.r != 0.0f || s.g != 0.0f || s.b != 0.0f) ? 1u : 0u);
    device->SetMaterial(material);
    if (toEffect && effect) {
        Vec4 d(material->Diffuse.r, material->Diffuse.g, material->Diffuse.b, material->Diffuse.a);
        Vec4 a(material->Ambient.r, material->Ambient.g, material->Ambient.b, material->Ambient.a);
        Vec4 sp(s.r, s.g, s.b, s.a);
        Vec4 e(material->Emissive.r, material->Emissive.g, material->Emissive.b, material->Emissive.a);
        effect->SetVector("MatDiffuse", &d);
        effect->SetVector("MatAmbient", &a);
        effect->SetVector("MatSpecular", &sp);
        effect->SetVector("MatEmissive", &e);
        effect->SetFloat("MatSpecularPow", material->Power);
    }
}

void CD3DRender::SetEffectTexture(const char* parameter, GfxTexture* texture)
{
    boundTexture = -1;
    if (!effect)
        return;
    if (fillMode == D3DFILL_WIREFRAME) {
        effect->SetTexture(parameter, nullptr);
        SetAlphaBlendEnable(0);
        return;
    }
    effect->SetTexture(parameter, texture);
}

void CD3DRender::SetBumpTechnique()
{
    if (effect)
        effect->SetTechnique("techSurfaceBump");
}

void CD3DRender::ReleaseEffect()
{
    if (effect) {
        effect->Release();
        effect = nullptr;
    }
}

GfxResult CD3DRender::LoadRenderTechniquesFrom(bool freeOnFailure)
{
    if (!device)
        return E_FAIL;
    const char* path = shaderModel20 ? "Data/Misc/RenderTechniques_20.dat" : "Data/Misc/RenderTechniques_11.dat";
    uint32_t size = 0;
    int handle = CFileManager::Open(path, FILE_KIND_WORLD, &size);
    if (handle == -1)
        return E_FAIL;
    char* buffer = (char*)std::calloc((size_t)size + 32, 1);
    if (!buffer) {
        CFileManager::Close(handle);
        return E_OUTOFMEMORY;
    }
    CFileManager::Read(buffer, 1, size, handle);
    CFileManager::Close(handle);
    std::string errors;
    GfxEffect* created = nullptr;
    GfxResult hr = GfxCreateEffect(device, buffer, size, &created, &errors);
    std::free(buffer);
    if (FAILED(hr)) {
        std::string text = "Create render techniques failed!\n" + errors;
        Fail(text.c_str());
        if (freeOnFailure)
            FreeD3DRender();
        return hr == E_FAIL ? D3DERR_INVALIDCALL : hr;
    }
    ReleaseEffect();
    effect = created;
    effect->OnResetDevice();
    return 0;
}

int CD3DRender::LoadRenderTechniques() { return LoadRenderTechniquesFrom(true); }

GfxResult CD3DRender::LoadRenderTechniquesAfterReset() { return LoadRenderTechniquesFrom(false); }

void CD3DRender::SetDefaultStates()
{
    if (!device)
        return;
    lighting = -1; // the first state is set through the cache whatever it held
    SetLighting(1);
    Matrix identity = MatrixIdentity();
    device->SetTransform(D3DTS_WORLD, &identity);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    SetGlobalAmbient(0xff282828u);

    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    device->SetRenderState(D3DRS_ZENABLE, 1);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    device->SetRenderState(D3DRS_LASTPIXEL, 1);
    device->SetRenderState(D3DRS_DITHERENABLE, 1);
    device->SetRenderState(D3DRS_SPECULARENABLE, 0);
    device->SetRenderState(D3DRS_COLORVERTEX, 1);
    device->SetRenderState(D3DRS_NORMALIZENORMALS, 1);
    device->SetRenderState(D3DRS_LOCALVIEWER, 1);
    device->SetRenderState(D3DRS_FOGENABLE, 0);
    fillMode = D3DFILL_SOLID;
    shadeMode = D3DSHADE_GOURAUD;

    for (unsigned s = 0; s < 7; ++s) {
        device->SetTextureStageState(s, D3DTSS_TEXCOORDINDEX, 0);
        device->SetTextureStageState(s, D3DTSS_COLOROP, D3DTOP_MODULATE);
        device->SetTextureStageState(s, D3DTSS_COLORARG0, D3DTA_TEMP);
        device->SetTextureStageState(s, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(s, D3DTSS_COLORARG2, D3DTA_CURRENT);
        device->SetTextureStageState(s, D3DTSS_RESULTARG, D3DTA_CURRENT);
        device->SetTextureStageState(s, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        device->SetTextureStageState(s, D3DTSS_ALPHAARG0, D3DTA_TEMP);
        device->SetTextureStageState(s, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(s, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
        device->SetSamplerState(s, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(s, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(s, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(s, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
        device->SetSamplerState(s, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
        device->SetSamplerState(s, D3DSAMP_ADDRESSW, D3DTADDRESS_WRAP);
        device->SetSamplerState(s, D3DSAMP_BORDERCOLOR, 0xff000000u);
        if (s >= 1) {
            device->SetTextureStageState(s, D3DTSS_COLOROP, D3DTOP_DISABLE);
            device->SetTextureStageState(s, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        }
        device->SetSamplerState(s, D3DSAMP_MIPMAPLODBIAS, 0);
    }

    D3DMATERIAL9 material;
    material.Diffuse = {1, 1, 1, 1};
    material.Ambient = {1, 1, 1, 1};
    SetMaterial(&material, 0);

    // The caches follow what the device now holds.
    unsigned v = 0;
    device->GetRenderState(D3DRS_ZWRITEENABLE, &v);
    zWriteEnable = (int)v;
    device->GetRenderState(D3DRS_ZENABLE, &v);
    zEnable = (int)v;
    device->GetRenderState(D3DRS_LIGHTING, &v);
    lighting = (int)v;
    device->GetRenderState(D3DRS_SRCBLEND, &v);
    srcBlend = (int)v;
    device->GetRenderState(D3DRS_DESTBLEND, &v);
    destBlend = (int)v;
    device->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
    alphaBlendEnable = (int)v;
    GfxTexture* bound = nullptr;
    device->GetTexture(0, &bound);
    if (bound)
        bound->Release();
    boundTexture = bound ? textureManager.Find(FindTextureName(bound)) : -1;
}

GfxTexture* CD3DRender::GetTexture(int id) const { return id == -1 ? nullptr : textureManager.GetTexture(id); }

GfxTexture* CD3DRender::GetTextureByName(const char* texName) const
{
    return textureManager.GetTexture(textureManager.Find(texName));
}

const char* CD3DRender::GetTextureName(int id) const { return id == -1 ? nullptr : textureManager.GetName(id); }

const char* CD3DRender::FindTextureName(GfxTexture* texture) const { return textureManager.FindNameByTexture(texture); }

int CD3DRender::ReplaceTexture(const char* texName, GfxTexture* texture)
{
    return textureManager.ReplaceTexture(texName, texture);
}

void CD3DRender::GetModeSize(int row, int* w, int* h)
{
    if (row < 0 || row >= modeCount) {
        *w = 800;
        *h = 600;
        return;
    }
    *w = (int)modes[row].Width;
    *h = (int)modes[row].Height;
}
