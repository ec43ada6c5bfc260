// State keeping shared by both device backends: every state the device holds, with Direct3D's
// defaults, the cooperative-level test switch and the reference handling of bound objects.
#pragma once
#include <string>
#include <vector>
#include "platform/gfx/device.h"

constexpr unsigned GFX_MAX_LIGHTS = 64;

struct GfxStateBlock {
    unsigned rs[GFX_RENDERSTATE_COUNT] = {};
    unsigned tss[GFX_MAX_STAGES][GFX_TSS_COUNT] = {};
    unsigned samp[GFX_MAX_STAGES][GFX_SAMP_COUNT] = {};
    GfxTexture* textures[GFX_MAX_STAGES] = {};
    Matrix world, view, projection;
    Matrix textureTransform[GFX_MAX_STAGES];
    D3DVIEWPORT9 viewport;
    D3DLIGHT9 lights[GFX_MAX_LIGHTS];
    bool lightSet[GFX_MAX_LIGHTS] = {};
    bool lightEnabled[GFX_MAX_LIGHTS] = {};
    D3DMATERIAL9 material;
    unsigned fvf = 0;
    GfxVertexDeclaration* declaration = nullptr;
    GfxProgram* program = nullptr;
    GfxSurface* renderTarget = nullptr;
    GfxSurface* depthStencil = nullptr;

    // Direct3D's initial values for a device with (or without) an automatic depth buffer.
    void SetDefaults(bool depthBuffer, unsigned width, unsigned height);
};

// Parses "a,b" into two frame numbers (0 when absent).
void GfxParseFramePair(const char* text, unsigned* a, unsigned* b);
// Parses "a,b,c" into a list of frame numbers.
std::vector<unsigned> GfxParseFrameList(const char* text);

// What a device did since it was made: draws, calls it made to its driver (GL), and times its
// stream buffers got new storage after their first (a wrap or a draw larger than the buffer).
struct GfxDeviceCounts {
    unsigned long draws = 0;
    unsigned long driverCalls = 0;
    unsigned long streamWraps = 0;
};

class GfxStateDevice : public GfxDevice {
public:
    GfxStateDevice();
    ~GfxStateDevice() override;

    GfxResult TestCooperativeLevel() override;
    GfxResult Reset(D3DPRESENT_PARAMETERS* params) override;
    GfxResult BeginScene() override;
    GfxResult EndScene() override;

    GfxResult SetRenderState(D3DRENDERSTATETYPE state, unsigned value) override;
    GfxResult GetRenderState(D3DRENDERSTATETYPE state, unsigned* value) override;
    GfxResult SetTextureStageState(unsigned stage, D3DTEXTURESTAGESTATETYPE type, unsigned value) override;
    GfxResult GetTextureStageState(unsigned stage, D3DTEXTURESTAGESTATETYPE type, unsigned* value) override;
    GfxResult SetSamplerState(unsigned sampler, D3DSAMPLERSTATETYPE type, unsigned value) override;
    GfxResult GetSamplerState(unsigned sampler, D3DSAMPLERSTATETYPE type, unsigned* value) override;
    GfxResult SetTexture(unsigned stage, GfxTexture* texture) override;
    GfxResult GetTexture(unsigned stage, GfxTexture** texture) override;
    GfxResult SetTransform(D3DTRANSFORMSTATETYPE state, const Matrix* m) override;
    GfxResult GetTransform(D3DTRANSFORMSTATETYPE state, Matrix* m) override;
    GfxResult SetViewport(const D3DVIEWPORT9* vp) override;
    GfxResult GetViewport(D3DVIEWPORT9* vp) override;
    GfxResult SetLight(unsigned index, const D3DLIGHT9* light) override;
    GfxResult GetLight(unsigned index, D3DLIGHT9* light) override;
    GfxResult LightEnable(unsigned index, int enable) override;
    GfxResult GetLightEnable(unsigned index, int* enable) override;
    GfxResult SetMaterial(const D3DMATERIAL9* material) override;
    GfxResult GetMaterial(D3DMATERIAL9* material) override;
    GfxResult SetFVF(unsigned fvf) override;
    GfxResult GetFVF(unsigned* fvf) override;
    GfxResult SetVertexDeclaration(GfxVertexDeclaration* decl) override;
    GfxResult SetProgram(GfxProgram* program) override;
    GfxResult SetRenderTarget(unsigned index, GfxSurface* surface) override;
    GfxResult GetRenderTarget(unsigned index, GfxSurface** surface) override;
    GfxResult SetDepthStencilSurface(GfxSurface* surface) override;
    GfxResult GetDepthStencilSurface(GfxSurface** surface) override;
    GfxResult GetBackBuffer(unsigned swapChain, unsigned index, GfxSurface** surface) override;

    const GfxStateBlock& State() const { return state_; }
    const D3DPRESENT_PARAMETERS& PresentParams() const { return params_; }
    bool InScene() const { return inScene_; }
    // Frames seen by the cooperative-level test (one per presented or lost frame).
    unsigned FrameNumber() const { return frame_; }
    // Test switch: lost from frame `lost`, not reset from frame `notReset` until Reset.
    void SetLostFrames(unsigned lost, unsigned notReset);
    virtual GfxDeviceCounts Counts() const
    {
        GfxDeviceCounts c;
        c.draws = draws_;
        return c;
    }

protected:
    // Backends: called by Reset after the states went back to their defaults.
    virtual GfxResult OnReset(D3DPRESENT_PARAMETERS* params) = 0;
    // The back buffer and the automatic depth surface (owned by the backend, one reference each).
    virtual GfxSurface* BackBufferSurface() = 0;
    virtual GfxSurface* AutoDepthSurface() = 0;
    // Reports a finished frame to the window layer's frame counter.
    void FrameDone();
    // A lost device refuses presentation; backends call this first in Present.
    bool DeviceIsLost() const { return lostState_ != 0; }
    void InitState(const D3DPRESENT_PARAMETERS& params);
    void ReleaseBindings();

    GfxStateBlock state_;
    D3DPRESENT_PARAMETERS params_;
    bool inScene_ = false;
    unsigned long draws_ = 0;

private:
    unsigned frame_ = 0;
    unsigned frameBase_ = 0;  // the window layer's frame count when the loss was set up
    unsigned lostFrame_ = 0, notResetFrame_ = 0;
    int lostState_ = 0; // 0 working, 1 lost, 2 not reset
    bool lossDone_ = false;
};
