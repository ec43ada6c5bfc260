#include "platform/gfx/state_device.h"
#include <cstdlib>
#include <cstring>

#include "platform/win/test_switches.h"

// Frames the window layer has counted so far for KORVANE_FRAMES (presents and idle pump
// passes alike).
static unsigned SwitchFrames() { return PlatformFrameCount(); }

const char* GfxErrorString(GfxResult hr)
{
    switch (hr) {
    case D3D_OK: return "D3D_OK";
    case E_FAIL: return "E_FAIL";
    case E_OUTOFMEMORY: return "E_OUTOFMEMORY";
    case D3DERR_DEVICELOST: return "D3DERR_DEVICELOST";
    case D3DERR_DEVICENOTRESET: return "D3DERR_DEVICENOTRESET";
    case D3DERR_NOTAVAILABLE: return "D3DERR_NOTAVAILABLE";
    case D3DERR_INVALIDCALL: return "D3DERR_INVALIDCALL";
    case D3DERR_OUTOFVIDEOMEMORY: return "D3DERR_OUTOFVIDEOMEMORY";
    case D3DERR_NOTFOUND: return "D3DERR_NOTFOUND";
    default: return "Unknown error";
    }
}

unsigned GfxFvfStride(unsigned fvf)
{
    unsigned size = 0;
    switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ: size += 12; break;
    case D3DFVF_XYZRHW: size += 16; break;
    default: break;
    }
    if (fvf & D3DFVF_NORMAL)
        size += 12;
    if (fvf & D3DFVF_PSIZE)
        size += 4;
    if (fvf & D3DFVF_DIFFUSE)
        size += 4;
    if (fvf & D3DFVF_SPECULAR)
        size += 4;
    unsigned count = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    for (unsigned i = 0; i < count && i < 8; ++i) {
        unsigned code = (fvf >> (16 + i * 2)) & 3;
        static const unsigned floats[4] = {2, 3, 4, 1};
        size += floats[code] * 4;
    }
    return size;
}

void GfxStateBlock::SetDefaults(bool depthBuffer, unsigned width, unsigned height)
{
    std::memset(rs, 0, sizeof(rs));
    rs[D3DRS_ZENABLE] = depthBuffer ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = 1;
    rs[D3DRS_LASTPIXEL] = 1;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_FOGEND] = GfxFloatBits(1.0f);
    rs[D3DRS_FOGDENSITY] = GfxFloatBits(1.0f);
    rs[D3DRS_STENCILFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILZFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_STENCILMASK] = 0xFFFFFFFFu;
    rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFFu;
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFFu;
    rs[D3DRS_CLIPPING] = 1;
    rs[D3DRS_LIGHTING] = 1;
    rs[D3DRS_COLORVERTEX] = 1;
    rs[D3DRS_LOCALVIEWER] = 1;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_POINTSIZE] = GfxFloatBits(1.0f);
    rs[D3DRS_POINTSIZE_MIN] = GfxFloatBits(1.0f);
    rs[D3DRS_MULTISAMPLEANTIALIAS] = 1;
    rs[D3DRS_COLORWRITEENABLE] = 0xF;
    rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    rs[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
    rs[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;

    for (unsigned s = 0; s < GFX_MAX_STAGES; ++s) {
        unsigned* t = tss[s];
        std::memset(t, 0, sizeof(tss[s]));
        t[D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        t[D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        t[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        t[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        t[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        t[D3DTSS_COLORARG0] = D3DTA_CURRENT;
        t[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
        t[D3DTSS_RESULTARG] = D3DTA_CURRENT;
        t[D3DTSS_TEXCOORDINDEX] = s;
        unsigned* p = samp[s];
        std::memset(p, 0, sizeof(samp[s]));
        p[D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP;
        p[D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
        p[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        p[D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
        p[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        p[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        p[D3DSAMP_MAXANISOTROPY] = 1;
        textureTransform[s] = MatrixIdentity();
    }
    world = view = projection = MatrixIdentity();
    viewport = D3DVIEWPORT9();
    viewport.width = width;
    viewport.height = height;
    for (unsigned i = 0; i < GFX_MAX_LIGHTS; ++i) {
        lights[i] = D3DLIGHT9();
        lights[i].Type = D3DLIGHT_DIRECTIONAL;
        lights[i].Diffuse = {1, 1, 1, 0};
        lights[i].Direction = Vec3(0, 0, 1);
        lightSet[i] = false;
        lightEnabled[i] = false;
    }
    material = D3DMATERIAL9();
    fvf = 0;
}

void GfxParseFramePair(const char* text, unsigned* a, unsigned* b)
{
    *a = *b = 0;
    if (!text)
        return;
    char* end = nullptr;
    *a = (unsigned)std::strtoul(text, &end, 10);
    if (end && *end == ',')
        *b = (unsigned)std::strtoul(end + 1, nullptr, 10);
}

std::vector<unsigned> GfxParseFrameList(const char* text)
{
    std::vector<unsigned> out;
    while (text && *text) {
        char* end = nullptr;
        unsigned long v = std::strtoul(text, &end, 10);
        if (end == text)
            break;
        out.push_back((unsigned)v);
        text = *end == ',' ? end + 1 : end;
        if (*end != ',')
            break;
    }
    return out;
}

GfxStateDevice::GfxStateDevice()
{
    GfxParseFramePair(std::getenv("KORVANE_DEVICE_LOST"), &lostFrame_, &notResetFrame_);
    frameBase_ = SwitchFrames();
}

GfxStateDevice::~GfxStateDevice() = default;

void GfxStateDevice::SetLostFrames(unsigned lost, unsigned notReset)
{
    lostFrame_ = lost;
    notResetFrame_ = notReset;
    lossDone_ = false;
    lostState_ = 0;
    frameBase_ = SwitchFrames() - frame_;
}

void GfxStateDevice::FrameDone()
{
    PlatformFrameDone();
}

GfxResult GfxStateDevice::TestCooperativeLevel()
{
    // The switch's frames are those of KORVANE_FRAMES: a lost device's frame loop mostly spins
    // without presenting, and those passes count too, so the loss ends on time.
    ++frame_;
    const unsigned counted = SwitchFrames() - frameBase_ + 1;
    if (counted > frame_)
        frame_ = counted;
    if (!lossDone_ && lostFrame_ != 0 && frame_ >= lostFrame_ && lostState_ == 0)
        lostState_ = 1;
    if (lostState_ == 1 && notResetFrame_ != 0 && frame_ >= notResetFrame_)
        lostState_ = 2;
    if (lostState_ == 1) {
        FrameDone();
        return D3DERR_DEVICELOST;
    }
    if (lostState_ == 2) {
        FrameDone();
        return D3DERR_DEVICENOTRESET;
    }
    return D3D_OK;
}

void GfxStateDevice::InitState(const D3DPRESENT_PARAMETERS& params)
{
    params_ = params;
    state_.SetDefaults(params.EnableAutoDepthStencil != 0, params.BackBufferWidth, params.BackBufferHeight);
}

void GfxStateDevice::ReleaseBindings()
{
    for (auto& t : state_.textures) {
        if (t)
            t->Release();
        t = nullptr;
    }
    if (state_.declaration)
        state_.declaration->Release();
    state_.declaration = nullptr;
    if (state_.program)
        state_.program->Release();
    state_.program = nullptr;
    if (state_.renderTarget)
        state_.renderTarget->Release();
    state_.renderTarget = nullptr;
    if (state_.depthStencil)
        state_.depthStencil->Release();
    state_.depthStencil = nullptr;
}

GfxResult GfxStateDevice::Reset(D3DPRESENT_PARAMETERS* params)
{
    if (!params)
        return D3DERR_INVALIDCALL;
    if (lostState_ == 1)
        return D3DERR_DEVICELOST;
    ReleaseBindings();
    InitState(*params);
    GfxResult hr = OnReset(params);
    if (FAILED(hr))
        return hr;
    state_.renderTarget = BackBufferSurface();
    if (state_.renderTarget)
        state_.renderTarget->AddRef();
    state_.depthStencil = AutoDepthSurface();
    if (state_.depthStencil)
        state_.depthStencil->AddRef();
    if (lostState_ == 2) {
        lostState_ = 0;
        lossDone_ = true;
    }
    return D3D_OK;
}

GfxResult GfxStateDevice::BeginScene()
{
    if (inScene_)
        return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

GfxResult GfxStateDevice::EndScene()
{
    if (!inScene_)
        return D3DERR_INVALIDCALL;
    inScene_ = false;
    return D3D_OK;
}

GfxResult GfxStateDevice::SetRenderState(D3DRENDERSTATETYPE state, unsigned value)
{
    if ((unsigned)state >= GFX_RENDERSTATE_COUNT)
        return D3DERR_INVALIDCALL;
    state_.rs[state] = value;
    return D3D_OK;
}

GfxResult GfxStateDevice::GetRenderState(D3DRENDERSTATETYPE state, unsigned* value)
{
    if ((unsigned)state >= GFX_RENDERSTATE_COUNT || !value)
        return D3DERR_INVALIDCALL;
    *value = state_.rs[state];
    return D3D_OK;
}

GfxResult GfxStateDevice::SetTextureStageState(unsigned stage, D3DTEXTURESTAGESTATETYPE type, unsigned value)
{
    if (stage >= GFX_MAX_STAGES || (unsigned)type >= GFX_TSS_COUNT)
        return D3DERR_INVALIDCALL;
    state_.tss[stage][type] = value;
    return D3D_OK;
}

GfxResult GfxStateDevice::GetTextureStageState(unsigned stage, D3DTEXTURESTAGESTATETYPE type, unsigned* value)
{
    if (stage >= GFX_MAX_STAGES || (unsigned)type >= GFX_TSS_COUNT || !value)
        return D3DERR_INVALIDCALL;
    *value = state_.tss[stage][type];
    return D3D_OK;
}

GfxResult GfxStateDevice::SetSamplerState(unsigned sampler, D3DSAMPLERSTATETYPE type, unsigned value)
{
    if (sampler >= GFX_MAX_STAGES || (unsigned)type >= GFX_SAMP_COUNT)
        return D3DERR_INVALIDCALL;
    state_.samp[sampler][type] = value;
    return D3D_OK;
}

GfxResult GfxStateDevice::GetSamplerState(unsigned sampler, D3DSAMPLERSTATETYPE type, unsigned* value)
{
    if (sampler >= GFX_MAX_STAGES || (unsigned)type >= GFX_SAMP_COUNT || !value)
        return D3DERR_INVALIDCALL;
    *value = state_.samp[sampler][type];
    return D3D_OK;
}

GfxResult GfxStateDevice::SetTexture(unsigned stage, GfxTexture* texture)
{
    if (stage >= GFX_MAX_STAGES)
        return D3DERR_INVALIDCALL;
    if (texture)
        texture->AddRef();
    if (state_.textures[stage])
        state_.textures[stage]->Release();
    state_.textures[stage] = texture;
    return D3D_OK;
}

GfxResult GfxStateDevice::GetTexture(unsigned stage, GfxTexture** texture)
{
    if (stage >= GFX_MAX_STAGES || !texture)
        return D3DERR_INVALIDCALL;
    *texture = state_.textures[stage];
    if (*texture)
        (*texture)->AddRef();
    return D3D_OK;
}

static Matrix* TransformSlot(GfxStateBlock& s, D3DTRANSFORMSTATETYPE state)
{
    switch (state) {
    case D3DTS_WORLD: return &s.world;
    case D3DTS_VIEW: return &s.view;
    case D3DTS_PROJECTION: return &s.projection;
    default:
        if (state >= D3DTS_TEXTURE0 && state < D3DTS_TEXTURE0 + GFX_MAX_STAGES)
            return &s.textureTransform[state - D3DTS_TEXTURE0];
        return nullptr;
    }
}

GfxResult GfxStateDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const Matrix* m)
{
    Matrix* slot = TransformSlot(state_, state);
    if (!slot || !m)
        return D3DERR_INVALIDCALL;
    *slot = *m;
    return D3D_OK;
}

GfxResult GfxStateDevice::GetTransform(D3DTRANSFORMSTATETYPE state, Matrix* m)
{
    Matrix* slot = TransformSlot(state_, state);
    if (!slot || !m)
        return D3DERR_INVALIDCALL;
    *m = *slot;
    return D3D_OK;
}

GfxResult GfxStateDevice::SetViewport(const D3DVIEWPORT9* vp)
{
    if (!vp)
        return D3DERR_INVALIDCALL;
    state_.viewport = *vp;
    return D3D_OK;
}

GfxResult GfxStateDevice::GetViewport(D3DVIEWPORT9* vp)
{
    if (!vp)
        return D3DERR_INVALIDCALL;
    *vp = state_.viewport;
    return D3D_OK;
}

GfxResult GfxStateDevice::SetLight(unsigned index, const D3DLIGHT9* light)
{
    if (index >= GFX_MAX_LIGHTS || !light)
        return D3DERR_INVALIDCALL;
    state_.lights[index] = *light;
    state_.lightSet[index] = true;
    return D3D_OK;
}

GfxResult GfxStateDevice::GetLight(unsigned index, D3DLIGHT9* light)
{
    if (index >= GFX_MAX_LIGHTS || !light)
        return D3DERR_INVALIDCALL;
    *light = state_.lights[index];
    return D3D_OK;
}

GfxResult GfxStateDevice::LightEnable(unsigned index, int enable)
{
    if (index >= GFX_MAX_LIGHTS)
        return D3DERR_INVALIDCALL;
    state_.lightEnabled[index] = enable != 0;
    state_.lightSet[index] = true;
    return D3D_OK;
}

GfxResult GfxStateDevice::GetLightEnable(unsigned index, int* enable)
{
    if (index >= GFX_MAX_LIGHTS || !enable)
        return D3DERR_INVALIDCALL;
    *enable = state_.lightEnabled[index] ? 1 : 0;
    return D3D_OK;
}

GfxResult GfxStateDevice::SetMaterial(const D3DMATERIAL9* material)
{
    if (!material)
        return D3DERR_INVALIDCALL;
    state_.material = *material;
    return D3D_OK;
}

GfxResult GfxStateDevice::GetMaterial(D3DMATERIAL9* material)
{
    if (!material)
        return D3DERR_INVALIDCALL;
    *material = state_.material;
    return D3D_OK;
}

GfxResult GfxStateDevice::SetFVF(unsigned fvf)
{
    state_.fvf = fvf;
    if (state_.declaration)
        state_.declaration->Release();
    state_.declaration = nullptr;
    return D3D_OK;
}

GfxResult GfxStateDevice::GetFVF(unsigned* fvf)
{
    if (!fvf)
        return D3DERR_INVALIDCALL;
    *fvf = state_.fvf;
    return D3D_OK;
}

GfxResult GfxStateDevice::SetVertexDeclaration(GfxVertexDeclaration* decl)
{
    if (decl)
        decl->AddRef();
    if (state_.declaration)
        state_.declaration->Release();
    state_.declaration = decl;
    if (decl)
        state_.fvf = 0;
    return D3D_OK;
}

GfxResult GfxStateDevice::SetProgram(GfxProgram* program)
{
    if (program)
        program->AddRef();
    if (state_.program)
        state_.program->Release();
    state_.program = program;
    return D3D_OK;
}

GfxResult GfxStateDevice::SetRenderTarget(unsigned index, GfxSurface* surface)
{
    if (index != 0)
        return D3DERR_INVALIDCALL;
    if (!surface)
        return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc;
    surface->GetDesc(&desc);
    if (surface != BackBufferSurface() && !(desc.Usage & D3DUSAGE_RENDERTARGET))
        return D3DERR_INVALIDCALL;
    surface->AddRef();
    if (state_.renderTarget)
        state_.renderTarget->Release();
    state_.renderTarget = surface;
    // Setting a target resets the viewport to the whole target, as Direct3D does.
    state_.viewport = D3DVIEWPORT9();
    state_.viewport.width = desc.Width;
    state_.viewport.height = desc.Height;
    return D3D_OK;
}

GfxResult GfxStateDevice::GetRenderTarget(unsigned index, GfxSurface** surface)
{
    if (index != 0 || !surface)
        return D3DERR_INVALIDCALL;
    *surface = state_.renderTarget;
    if (!*surface)
        return D3DERR_NOTFOUND;
    (*surface)->AddRef();
    return D3D_OK;
}

GfxResult GfxStateDevice::SetDepthStencilSurface(GfxSurface* surface)
{
    if (surface)
        surface->AddRef();
    if (state_.depthStencil)
        state_.depthStencil->Release();
    state_.depthStencil = surface;
    return D3D_OK;
}

GfxResult GfxStateDevice::GetDepthStencilSurface(GfxSurface** surface)
{
    if (!surface)
        return D3DERR_INVALIDCALL;
    *surface = state_.depthStencil;
    if (!*surface)
        return D3DERR_NOTFOUND;
    (*surface)->AddRef();
    return D3D_OK;
}

GfxResult GfxStateDevice::GetBackBuffer(unsigned, unsigned, GfxSurface** surface)
{
    if (!surface)
        return D3DERR_INVALIDCALL;
    *surface = BackBufferSurface();
    if (!*surface)
        return D3DERR_INVALIDCALL;
    (*surface)->AddRef();
    return D3D_OK;
}
