// The renderer: device creation, display modes, cached states, present and device loss.
#pragma once
#include "platform/gfx/device.h"
#include "platform/gfx/effect.h"
#include "platform/win/window.h"
#include "render/texture_manager.h"

extern float g_ScreenScaleX;
extern float g_ScreenScaleY;

// Aspect class of a size: 0 nearest 4:3, 1 nearest 16:10, 2 nearest 16:9.
int AspectClass(float width, float height);

class CD3DRender {
public:
    static constexpr int kMaxModes = 512;

    char name[64];
    WindowHandle window;
    int boundTexture;
    int zWriteEnable;
    int zEnable;
    int lighting;
    int srcBlend;
    int destBlend;
    int alphaBlendEnable;
    D3DPRESENT_PARAMETERS presentParams;
    int vertexShader11;
    int pixelShader14;
    int shaderModel20;
    int bumpMapping;
    CTextureManager textureManager;
    D3DDISPLAYMODE modes[kMaxModes];
    int modeCount;
    D3DFORMAT backBufferFormat;
    float width;
    float height;
    float scaleX;
    float scaleY;
    D3DDISPLAYMODE desktopMode;
    int desktopAspect;
    int modeAspect;
    GfxSystem* d3d;
    GfxDevice* device;
    GfxEffect* effect;
    int fillMode;
    int shadeMode;
    int deviceLost;
    int resourcesReleased;
    int facesDrawn;
    int framesPresented;
    // Frame-rate counter.
    float fps;
    int fpsFrames;
    unsigned fpsLastTime;

    CD3DRender() { Reset(); }
    virtual ~CD3DRender() = default;

    // Construction state: no objects, empty mode table, solid Gouraud, no cached texture.
    void Reset();

    virtual int InitD3D(int windowed);
    virtual int CreateDevice(WindowHandle window, int windowed);
    virtual void FreeD3DRender();
    virtual int Present();
    virtual void ToggleFillMode();
    virtual void ToggleShadeMode();
    virtual int LoadTexture(const char* name, int mipLevels, int slot);
    virtual void ReleaseAllTextures();
    virtual void ReleaseTexture(int id);
    virtual void ReleaseTextureByName(const char* name);
    virtual void SetTexturePtr(GfxTexture* texture, int alpha);
    virtual void SetTexture(int id, int alpha);
    virtual void SetTextureByName(const char* name, int alpha);
    virtual void SetZWriteEnable(int value);
    virtual void SetZEnable(int value);
    virtual void SetLighting(int value);
    virtual void SetSrcBlend(int value);
    virtual void SetDestBlend(int value);
    virtual void SetAlphaBlendEnable(int value);
    virtual float GetFPS();
    virtual void DrawMessageScreen(float x, float y, const char* text, unsigned topColour, unsigned bottomColour);
    virtual void SetCursorPos800x600(float x, float y);

    void SetAlphaStage(unsigned stage, unsigned operation);
    void SetColorStage(unsigned stage, unsigned operation, unsigned arg2, unsigned arg0);
    void SetLodBias(float bias, int stage);
    void SetMaterial(const D3DMATERIAL9* material, int toEffect);
    void SetEffectTexture(const char* parameter, GfxTexture* texture);
    void SetBumpTechnique();
    void ReleaseEffect();
    int LoadRenderTechniques();
    void SetDefaultStates();
    void InvalidateDevice();
    void RestoreDevice();

    GfxTexture* GetTexture(int id) const;
    GfxTexture* GetTextureByName(const char* name) const;
    const char* GetTextureName(int id) const;
    const char* FindTextureName(GfxTexture* texture) const;
    int ReplaceTexture(const char* name, GfxTexture* texture);

    // Width and height of a row of the display-mode table (800x600 for a row outside it).
    void GetModeSize(int row, int* width, int* height);

private:
    GfxResult LoadRenderTechniquesFrom(bool freeOnFailure);
    GfxResult LoadRenderTechniquesAfterReset();
    // Failure message: debug log and a message box with the renderer's name as caption.
    void Fail(const char* text);
};

extern CD3DRender g_D3DRender;
// Program-wide switch of the "Load texture failed!" box (off around optional loads).
extern int g_TextureErrorMessages;
