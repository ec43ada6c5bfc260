// Texture, surface and vertex declaration objects shared by both backends. A level's texels
// are in memory as ARGB words from its first lock; a backend uploads a level after it was
// unlocked, and one whose driver keeps the texels (GL) lets the copy go then.
#pragma once
#include <vector>
#include "platform/gfx/device.h"

class GfxTextureBase;

// A copy of the elements up to the end marker (Stream 0xFF); backends read them when drawing.
class GfxVertexDeclarationBase : public GfxVertexDeclaration {
public:
    explicit GfxVertexDeclarationBase(const D3DVERTEXELEMENT9* e)
    {
        for (; e->Stream != 0xFF; ++e)
            elements_.push_back(*e);
    }
    const D3DVERTEXELEMENT9* Elements(unsigned* count) override
    {
        if (count)
            *count = (unsigned)elements_.size();
        return elements_.data();
    }

private:
    std::vector<D3DVERTEXELEMENT9> elements_;
};

class GfxSurfaceBase : public GfxSurface {
public:
    GfxSurfaceBase(const D3DSURFACE_DESC& desc, GfxTextureBase* owner, unsigned level)
        : desc_(desc), owner_(owner), level_(level)
    {
    }
    GfxResult GetDesc(D3DSURFACE_DESC* desc) override
    {
        if (!desc)
            return D3DERR_INVALIDCALL;
        *desc = desc_;
        return D3D_OK;
    }
    GfxTexture* OwnerTexture() override;
    // The device's own surfaces, which belong to no texture: the back buffer and the
    // automatic depth buffer.
    static GfxSurfaceBase* NewBackBuffer(D3DFORMAT format, unsigned width, unsigned height);
    static GfxSurfaceBase* NewAutoDepth(D3DFORMAT format, unsigned width, unsigned height);
    unsigned Level() const { return level_; }
    const D3DSURFACE_DESC& Desc() const { return desc_; }
    // Backend handle (a GL renderbuffer for depth surfaces).
    unsigned handle = 0;
    bool isBackBuffer = false;

protected:
    ~GfxSurfaceBase() override;

private:
    friend class GfxTextureBase;
    D3DSURFACE_DESC desc_;
    GfxTextureBase* owner_; // no reference: a level surface holds its texture alive instead
    unsigned level_;
};

class GfxTextureBase : public GfxTexture {
public:
    GfxTextureBase(unsigned width, unsigned height, unsigned levels, unsigned usage, D3DFORMAT format, D3DPOOL pool);

    unsigned GetLevelCount() override { return (unsigned)levels_.size(); }
    GfxResult GetLevelDesc(unsigned level, D3DSURFACE_DESC* desc) override;
    GfxResult LockRect(unsigned level, D3DLOCKED_RECT* locked, const GfxRect* rect, unsigned flags) override;
    GfxResult UnlockRect(unsigned level) override;
    GfxResult GetSurfaceLevel(unsigned level, GfxSurface** surface) override;

    unsigned Width(unsigned level = 0) const;
    unsigned Height(unsigned level = 0) const;
    unsigned Usage() const { return usage_; }
    D3DFORMAT Format() const { return format_; }
    D3DPOOL Pool() const { return pool_; }
    bool IsRenderTarget() const { return (usage_ & D3DUSAGE_RENDERTARGET) != 0; }
    // Texels of a level, ARGB words, rows top to bottom.
    std::vector<uint32_t>& Texels(unsigned level) { return levels_[level]; }
    // False: a level's copy goes after its upload, and a later lock reads it back.
    bool keepTexels = true;

    // Creation order of textures in this process, for logs.
    unsigned serial = 0;
    // Backend handles (GL texture and framebuffer names).
    unsigned handle = 0;
    unsigned framebuffer = 0;

protected:
    ~GfxTextureBase() override;
    // Called after a level changed in memory.
    virtual void UploadLevel(unsigned level) { (void)level; }
    // Fills Texels(level) with what the backend holds of an uploaded level.
    virtual void DownloadLevel(unsigned level) { (void)level; }
    friend class GfxSurfaceBase;
    void SurfaceGone(unsigned level) { surfaces_[level] = nullptr; }

private:
    unsigned width_, height_, usage_;
    D3DFORMAT format_;
    D3DPOOL pool_;
    std::vector<std::vector<uint32_t>> levels_;
    std::vector<GfxSurfaceBase*> surfaces_;
    std::vector<bool> uploaded_;
    int locked_ = -1;
};

// Number of levels of a full chain down to 1x1.
unsigned GfxFullMipCount(unsigned width, unsigned height);
