#include "platform/gfx/null_device.h"
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include "platform/gfx/texture_base.h"

NullGfxConfig g_NullGfxConfig;

// A call's text is only made while the device writes calls down.
#define Log(...)                                \
    do {                                        \
        if (recording) LogLine(__VA_ARGS__);    \
    } while (0)

namespace {
NullGfxDevice* g_lastDevice = nullptr;
std::vector<unsigned> g_attempts;
std::vector<D3DPRESENT_PARAMETERS> g_attemptParams;

std::string Fmt(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Fmt(const char* fmt, ...)
{
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof(buf), fmt, ap);
    va_end(ap);
    return buf;
}

class NullProgram : public GfxProgram {
public:
    void SetFloats(const char*, const float*, unsigned) override {}
    void SetMatrix(const char*, const Matrix&) override {}
    void SetSampler(const char*, unsigned, GfxTexture*) override {}
};

int BraceBalance(const char* s)
{
    int depth = 0;
    for (; *s; ++s) {
        if (*s == '{')
            ++depth;
        else if (*s == '}' && --depth < 0)
            return -1;
    }
    return depth;
}

class NullSystem : public GfxSystem {
public:
    unsigned GetAdapterCount() override { return 1; }
    GfxResult GetAdapterDisplayMode(unsigned adapter, D3DDISPLAYMODE* mode) override
    {
        if (adapter != 0 || !mode)
            return D3DERR_INVALIDCALL;
        *mode = g_NullGfxConfig.desktop;
        return D3D_OK;
    }
    std::vector<D3DDISPLAYMODE> Modes(D3DFORMAT format)
    {
        std::vector<D3DDISPLAYMODE> out;
        if (g_NullGfxConfig.modes.empty()) {
            static const unsigned sizes[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}};
            for (auto& s : sizes)
                out.push_back({s[0], s[1], 60, D3DFMT_X8R8G8B8});
        } else {
            out = g_NullGfxConfig.modes;
        }
        std::vector<D3DDISPLAYMODE> filtered;
        for (auto& m : out)
            if (m.Format == format)
                filtered.push_back(m);
        return filtered;
    }
    unsigned GetAdapterModeCount(unsigned adapter, D3DFORMAT format) override
    {
        return adapter == 0 ? (unsigned)Modes(format).size() : 0;
    }
    GfxResult EnumAdapterModes(unsigned adapter, D3DFORMAT format, unsigned index, D3DDISPLAYMODE* mode) override
    {
        auto modes = Modes(format);
        if (adapter != 0 || !mode || index >= modes.size())
            return D3DERR_INVALIDCALL;
        *mode = modes[index];
        return D3D_OK;
    }
    GfxResult CheckDeviceType(unsigned adapter, D3DDEVTYPE, D3DFORMAT display, D3DFORMAT backBuffer, int) override
    {
        if (adapter != 0 || display != backBuffer)
            return D3DERR_NOTAVAILABLE;
        for (auto f : g_NullGfxConfig.displayFormats)
            if (f == display)
                return D3D_OK;
        return D3DERR_NOTAVAILABLE;
    }
    GfxResult CheckDepthStencilMatch(unsigned adapter, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, D3DFORMAT depth) override
    {
        if (adapter != 0)
            return D3DERR_INVALIDCALL;
        for (auto f : g_NullGfxConfig.depthFormats)
            if (f == depth)
                return D3D_OK;
        return D3DERR_NOTAVAILABLE;
    }
    GfxResult GetDeviceCaps(unsigned adapter, D3DDEVTYPE type, D3DCAPS9* caps) override
    {
        if (adapter != 0 || !caps || g_NullGfxConfig.failCaps)
            return D3DERR_INVALIDCALL;
        *caps = D3DCAPS9();
        caps->DeviceType = type;
        caps->VertexShaderVersion = g_NullGfxConfig.vertexShaderVersion;
        caps->PixelShaderVersion = g_NullGfxConfig.pixelShaderVersion;
        caps->MaxTextureWidth = caps->MaxTextureHeight = 4096;
        caps->MaxActiveLights = 8;
        caps->MaxSimultaneousTextures = 8;
        caps->MaxTextureBlendStages = 8;
        return D3D_OK;
    }
    GfxResult CreateDevice(unsigned adapter, D3DDEVTYPE, void*, unsigned flags, D3DPRESENT_PARAMETERS* params,
                           GfxDevice** device) override
    {
        if (!device || !params || adapter != 0)
            return D3DERR_INVALIDCALL;
        *device = nullptr;
        g_attempts.push_back(flags);
        g_attemptParams.push_back(*params);
        if (g_attempts.size() <= g_NullGfxConfig.failCreateDeviceAttempts)
            return D3DERR_NOTAVAILABLE;
        *device = new NullGfxDevice(*params);
        return D3D_OK;
    }
};
} // namespace

void NullGfxConfig::Restore()
{
    *this = NullGfxConfig();
    g_attempts.clear();
    g_attemptParams.clear();
}

NullGfxDevice* NullGfxLastDevice() { return g_lastDevice; }
const std::vector<unsigned>& NullGfxCreateAttempts() { return g_attempts; }
const std::vector<D3DPRESENT_PARAMETERS>& NullGfxCreateParams() { return g_attemptParams; }

GfxSystem* NullGfxCreateSystem()
{
    if (g_NullGfxConfig.failCreateSystem)
        return nullptr;
    return new NullSystem();
}

NullGfxDevice::NullGfxDevice(const D3DPRESENT_PARAMETERS& params)
{
    recording = g_NullGfxConfig.recordCalls;
    InitState(params);
    MakeSurfaces();
    g_lastDevice = this;
}

NullGfxDevice::~NullGfxDevice()
{
    ReleaseBindings();
    if (backBuffer_)
        backBuffer_->Release();
    if (autoDepth_)
        autoDepth_->Release();
    if (g_lastDevice == this)
        g_lastDevice = nullptr;
}

void NullGfxDevice::MakeSurfaces()
{
    if (backBuffer_)
        backBuffer_->Release();
    if (autoDepth_)
        autoDepth_->Release();
    backBuffer_ = GfxSurfaceBase::NewBackBuffer(params_.BackBufferFormat, params_.BackBufferWidth,
                                                params_.BackBufferHeight);
    autoDepth_ = nullptr;
    if (params_.EnableAutoDepthStencil)
        autoDepth_ = GfxSurfaceBase::NewAutoDepth(params_.AutoDepthStencilFormat, params_.BackBufferWidth,
                                                  params_.BackBufferHeight);
    if (state_.renderTarget)
        state_.renderTarget->Release();
    state_.renderTarget = backBuffer_;
    backBuffer_->AddRef();
    if (state_.depthStencil)
        state_.depthStencil->Release();
    state_.depthStencil = autoDepth_;
    if (autoDepth_)
        autoDepth_->AddRef();
}

GfxResult NullGfxDevice::OnReset(D3DPRESENT_PARAMETERS*)
{
    if (g_NullGfxConfig.failReset)
        return D3DERR_DEVICELOST;
    MakeSurfaces();
    // MakeSurfaces bound them already; the base binds them again.
    state_.renderTarget->Release();
    state_.renderTarget = nullptr;
    if (state_.depthStencil)
        state_.depthStencil->Release();
    state_.depthStencil = nullptr;
    return D3D_OK;
}

unsigned NullGfxDevice::Count(const std::string& prefix) const
{
    unsigned n = 0;
    for (auto& c : calls)
        if (c.compare(0, prefix.size(), prefix) == 0)
            ++n;
    return n;
}

std::string NullGfxDevice::TextureName(GfxTexture* texture)
{
    if (!texture)
        return "null";
    return "tex#" + std::to_string(static_cast<GfxTextureBase*>(texture)->serial);
}

GfxResult NullGfxDevice::Present(const GfxRect*, const GfxRect*, void*, const void*)
{
    Log("Present");
    if (DeviceIsLost())
        return D3DERR_DEVICELOST;
    if (g_NullGfxConfig.failPresent)
        return E_FAIL;
    ++presents;
    FrameDone();
    return D3D_OK;
}

GfxResult NullGfxDevice::TestCooperativeLevel()
{
    GfxResult hr = GfxStateDevice::TestCooperativeLevel();
    Log(Fmt("TestCooperativeLevel %s", GfxErrorString(hr)));
    return hr;
}

GfxResult NullGfxDevice::Reset(D3DPRESENT_PARAMETERS* params)
{
    GfxResult hr = GfxStateDevice::Reset(params);
    Log(Fmt("Reset %s", GfxErrorString(hr)));
    if (SUCCEEDED(hr))
        ++resets;
    return hr;
}

GfxResult NullGfxDevice::BeginScene()
{
    Log("BeginScene");
    return GfxStateDevice::BeginScene();
}

GfxResult NullGfxDevice::EndScene()
{
    Log("EndScene");
    return GfxStateDevice::EndScene();
}

GfxResult NullGfxDevice::Clear(unsigned count, const GfxRect*, unsigned flags, unsigned colour, float z, unsigned stencil)
{
    Log(Fmt("Clear %u %u %08x %g %u", count, flags, colour, z, stencil));
    return D3D_OK;
}

GfxResult NullGfxDevice::GetDeviceCaps(D3DCAPS9* caps)
{
    if (!caps)
        return D3DERR_INVALIDCALL;
    *caps = D3DCAPS9();
    caps->VertexShaderVersion = g_NullGfxConfig.vertexShaderVersion;
    caps->PixelShaderVersion = g_NullGfxConfig.pixelShaderVersion;
    caps->MaxActiveLights = 8;
    caps->MaxSimultaneousTextures = 8;
    caps->MaxTextureBlendStages = 8;
    return D3D_OK;
}

GfxResult NullGfxDevice::SetRenderState(D3DRENDERSTATETYPE state, unsigned value)
{
    Log(Fmt("SetRenderState %u %u", (unsigned)state, value));
    return GfxStateDevice::SetRenderState(state, value);
}

GfxResult NullGfxDevice::SetTextureStageState(unsigned stage, D3DTEXTURESTAGESTATETYPE type, unsigned value)
{
    Log(Fmt("SetTextureStageState %u %u %u", stage, (unsigned)type, value));
    return GfxStateDevice::SetTextureStageState(stage, type, value);
}

GfxResult NullGfxDevice::SetSamplerState(unsigned sampler, D3DSAMPLERSTATETYPE type, unsigned value)
{
    Log(Fmt("SetSamplerState %u %u %u", sampler, (unsigned)type, value));
    return GfxStateDevice::SetSamplerState(sampler, type, value);
}

GfxResult NullGfxDevice::SetTexture(unsigned stage, GfxTexture* texture)
{
    Log(Fmt("SetTexture %u %s", stage, TextureName(texture).c_str()));
    return GfxStateDevice::SetTexture(stage, texture);
}

GfxResult NullGfxDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const Matrix* m)
{
    Log(Fmt("SetTransform %u", (unsigned)state));
    return GfxStateDevice::SetTransform(state, m);
}

GfxResult NullGfxDevice::SetViewport(const D3DVIEWPORT9* vp)
{
    if (vp)
        Log(Fmt("SetViewport %u %u %u %u", vp->x, vp->y, vp->width, vp->height));
    return GfxStateDevice::SetViewport(vp);
}

GfxResult NullGfxDevice::SetLight(unsigned index, const D3DLIGHT9* light)
{
    Log(Fmt("SetLight %u", index));
    return GfxStateDevice::SetLight(index, light);
}

GfxResult NullGfxDevice::LightEnable(unsigned index, int enable)
{
    Log(Fmt("LightEnable %u %d", index, enable ? 1 : 0));
    return GfxStateDevice::LightEnable(index, enable);
}

GfxResult NullGfxDevice::SetMaterial(const D3DMATERIAL9* material)
{
    Log("SetMaterial");
    return GfxStateDevice::SetMaterial(material);
}

GfxResult NullGfxDevice::SetFVF(unsigned fvf)
{
    Log(Fmt("SetFVF %x", fvf));
    return GfxStateDevice::SetFVF(fvf);
}

GfxResult NullGfxDevice::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements, GfxVertexDeclaration** decl)
{
    if (!elements || !decl)
        return D3DERR_INVALIDCALL;
    *decl = new GfxVertexDeclarationBase(elements);
    Log("CreateVertexDeclaration");
    return D3D_OK;
}

GfxResult NullGfxDevice::SetVertexDeclaration(GfxVertexDeclaration* decl)
{
    Log(decl ? "SetVertexDeclaration" : "SetVertexDeclaration null");
    return GfxStateDevice::SetVertexDeclaration(decl);
}

GfxResult NullGfxDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, unsigned primitiveCount, const void* vertices,
                                         unsigned stride)
{
    Log(Fmt("DrawPrimitiveUP %u %u %u", (unsigned)type, primitiveCount, stride));
    if (!vertices || !primitiveCount)
        return D3DERR_INVALIDCALL;
    primitivesDrawn += primitiveCount;
    ++draws_;
    return D3D_OK;
}

GfxResult NullGfxDevice::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, unsigned, unsigned numVertices,
                                                unsigned primitiveCount, const void* indices, D3DFORMAT indexFormat,
                                                const void* vertices, unsigned stride)
{
    Log(Fmt("DrawIndexedPrimitiveUP %u %u %u %u %u", (unsigned)type, numVertices, primitiveCount,
            (unsigned)indexFormat, stride));
    if (!vertices || !indices || !primitiveCount)
        return D3DERR_INVALIDCALL;
    primitivesDrawn += primitiveCount;
    ++draws_;
    return D3D_OK;
}

GfxResult NullGfxDevice::CreateTexture(unsigned width, unsigned height, unsigned levels, unsigned usage,
                                       D3DFORMAT format, D3DPOOL pool, GfxTexture** texture)
{
    if (!texture || width == 0 || height == 0)
        return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_RENDERTARGET) && pool != D3DPOOL_DEFAULT)
        return D3DERR_INVALIDCALL;
    *texture = new GfxTextureBase(width, height, levels, usage, format, pool);
    Log(Fmt("CreateTexture %u %u %u %u %s", width, height, levels, usage, TextureName(*texture).c_str()));
    return D3D_OK;
}

GfxResult NullGfxDevice::CreateDepthStencilSurface(unsigned width, unsigned height, D3DFORMAT format,
                                                   D3DMULTISAMPLE_TYPE, unsigned, int, GfxSurface** surface)
{
    if (!surface || width == 0 || height == 0)
        return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC d;
    d.Format = format;
    d.Usage = D3DUSAGE_DEPTHSTENCIL;
    d.Width = width;
    d.Height = height;
    *surface = new GfxSurfaceBase(d, nullptr, 0);
    Log(Fmt("CreateDepthStencilSurface %u %u %u", width, height, (unsigned)format));
    return D3D_OK;
}

GfxResult NullGfxDevice::SetRenderTarget(unsigned index, GfxSurface* surface)
{
    Log(Fmt("SetRenderTarget %u %s", index, surface == backBuffer_ ? "backbuffer" : "texture"));
    return GfxStateDevice::SetRenderTarget(index, surface);
}

GfxResult NullGfxDevice::SetDepthStencilSurface(GfxSurface* surface)
{
    Log(surface ? "SetDepthStencilSurface" : "SetDepthStencilSurface null");
    return GfxStateDevice::SetDepthStencilSurface(surface);
}

GfxResult NullGfxDevice::CreateProgram(const char* vertexSource, const char* pixelSource, GfxProgram** program,
                                       char* errors, unsigned errorsSize)
{
    if (!program || !vertexSource || !pixelSource)
        return D3DERR_INVALIDCALL;
    *program = nullptr;
    const std::string& marker = g_NullGfxConfig.failCompileMarker;
    const char* why = nullptr;
    if (!marker.empty() && (std::strstr(vertexSource, marker.c_str()) || std::strstr(pixelSource, marker.c_str())))
        why = "compile error";
    else if (BraceBalance(vertexSource) != 0)
        why = "vertex shader: unbalanced braces";
    else if (BraceBalance(pixelSource) != 0)
        why = "pixel shader: unbalanced braces";
    if (why) {
        if (errors && errorsSize)
            snprintf(errors, errorsSize, "%s", why);
        Log("CreateProgram failed");
        return E_FAIL;
    }
    *program = new NullProgram();
    Log("CreateProgram");
    return D3D_OK;
}

GfxResult NullGfxDevice::SetProgram(GfxProgram* program)
{
    Log(program ? "SetProgram" : "SetProgram null");
    return GfxStateDevice::SetProgram(program);
}
