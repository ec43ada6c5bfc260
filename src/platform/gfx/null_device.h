// The null backend: no drawing, every device call recorded as a line of text and every state
// kept, so tests can check what the game asked of the device. Its adapter is configurable.
#pragma once
#include <string>
#include <vector>
#include "platform/gfx/state_device.h"

struct NullGfxConfig {
    D3DDISPLAYMODE desktop{1280, 1024, 60, D3DFMT_X8R8G8B8};
    std::vector<D3DDISPLAYMODE> modes; // enumeration order; empty = a default list
    std::vector<D3DFORMAT> displayFormats{D3DFMT_X8R8G8B8};
    std::vector<D3DFORMAT> depthFormats{D3DFMT_D24S8, D3DFMT_D16};
    unsigned vertexShaderVersion = D3DVS_VERSION(3, 0);
    unsigned pixelShaderVersion = D3DPS_VERSION(3, 0);
    bool failCreateSystem = false;
    bool failCaps = false;
    unsigned failCreateDeviceAttempts = 0; // the first N CreateDevice calls fail
    bool failReset = false;
    bool failPresent = false;
    // Programs whose source contains this text fail to compile (empty: none).
    std::string failCompileMarker = "#error";
    // New devices write their calls down. Off for the game run with KORVANE_GFX=null:
    // nobody reads them there, and a long run would fill the memory with them.
    bool recordCalls = true;

    // Back to the defaults above.
    void Restore();
};

extern NullGfxConfig g_NullGfxConfig;

class NullGfxDevice;
// The most recently created null device (null when none lives).
NullGfxDevice* NullGfxLastDevice();
// Creation attempts of the null system since the last Restore (flags of each).
const std::vector<unsigned>& NullGfxCreateAttempts();
const std::vector<D3DPRESENT_PARAMETERS>& NullGfxCreateParams();

class NullGfxDevice : public GfxStateDevice {
public:
    explicit NullGfxDevice(const D3DPRESENT_PARAMETERS& params);

    // Recorded calls, e.g. "SetRenderState 7 1", "SetTexture 0 tex#3", "DrawPrimitiveUP 4 2 32".
    std::vector<std::string> calls;
    // False: calls are not written down, and no text is made for them (allocation counts).
    bool recording = true;
    // Number of recorded calls whose text starts with the prefix.
    unsigned Count(const std::string& prefix) const;
    void ClearCalls() { calls.clear(); }
    unsigned presents = 0;
    unsigned resets = 0;
    unsigned primitivesDrawn = 0;

    GfxResult Present(const GfxRect* src, const GfxRect* dst, void* window, const void* dirty) override;
    GfxResult TestCooperativeLevel() override;
    GfxResult Reset(D3DPRESENT_PARAMETERS* params) override;
    GfxResult BeginScene() override;
    GfxResult EndScene() override;
    GfxResult Clear(unsigned count, const GfxRect* rects, unsigned flags, unsigned colour, float z, unsigned stencil) override;
    GfxResult GetDeviceCaps(D3DCAPS9* caps) override;
    GfxResult SetRenderState(D3DRENDERSTATETYPE state, unsigned value) override;
    GfxResult SetTextureStageState(unsigned stage, D3DTEXTURESTAGESTATETYPE type, unsigned value) override;
    GfxResult SetSamplerState(unsigned sampler, D3DSAMPLERSTATETYPE type, unsigned value) override;
    GfxResult SetTexture(unsigned stage, GfxTexture* texture) override;
    GfxResult SetTransform(D3DTRANSFORMSTATETYPE state, const Matrix* m) override;
    GfxResult SetViewport(const D3DVIEWPORT9* vp) override;
    GfxResult SetLight(unsigned index, const D3DLIGHT9* light) override;
    GfxResult LightEnable(unsigned index, int enable) override;
    GfxResult SetMaterial(const D3DMATERIAL9* material) override;
    GfxResult SetFVF(unsigned fvf) override;
    GfxResult CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements, GfxVertexDeclaration** decl) override;
    GfxResult SetVertexDeclaration(GfxVertexDeclaration* decl) override;
    GfxResult DrawPrimitiveUP(D3DPRIMITIVETYPE type, unsigned primitiveCount, const void* vertices, unsigned stride) override;
    GfxResult DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, unsigned minVertexIndex, unsigned numVertices,
                                     unsigned primitiveCount, const void* indices, D3DFORMAT indexFormat,
                                     const void* vertices, unsigned stride) override;
    GfxResult CreateTexture(unsigned width, unsigned height, unsigned levels, unsigned usage, D3DFORMAT format,
                            D3DPOOL pool, GfxTexture** texture) override;
    GfxResult CreateDepthStencilSurface(unsigned width, unsigned height, D3DFORMAT format,
                                        D3DMULTISAMPLE_TYPE multisample, unsigned quality, int discard,
                                        GfxSurface** surface) override;
    GfxResult SetRenderTarget(unsigned index, GfxSurface* surface) override;
    GfxResult SetDepthStencilSurface(GfxSurface* surface) override;
    GfxResult CreateProgram(const char* vertexSource, const char* pixelSource, GfxProgram** program, char* errors,
                            unsigned errorsSize) override;
    GfxResult SetProgram(GfxProgram* program) override;

    // A short name of a texture for the call log ("tex#<serial>", "null").
    static std::string TextureName(GfxTexture* texture);

protected:
    ~NullGfxDevice() override;
    GfxResult OnReset(D3DPRESENT_PARAMETERS* params) override;
    GfxSurface* BackBufferSurface() override { return backBuffer_; }
    GfxSurface* AutoDepthSurface() override { return autoDepth_; }

private:
    void LogLine(const std::string& line) { calls.push_back(line); }
    void MakeSurfaces();
    GfxSurface* backBuffer_ = nullptr;
    GfxSurface* autoDepth_ = nullptr;
};

GfxSystem* NullGfxCreateSystem();
