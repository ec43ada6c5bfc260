#include "platform/gfx/texture_base.h"

unsigned GfxFullMipCount(unsigned width, unsigned height)
{
    unsigned n = 1;
    while (width > 1 || height > 1) {
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
        ++n;
    }
    return n;
}

GfxTexture* GfxSurfaceBase::OwnerTexture() { return owner_; }

GfxSurfaceBase* GfxSurfaceBase::NewBackBuffer(D3DFORMAT format, unsigned width, unsigned height)
{
    D3DSURFACE_DESC d;
    d.Format = format;
    d.Usage = D3DUSAGE_RENDERTARGET;
    d.Width = width;
    d.Height = height;
    GfxSurfaceBase* s = new GfxSurfaceBase(d, nullptr, 0);
    s->isBackBuffer = true;
    return s;
}

GfxSurfaceBase* GfxSurfaceBase::NewAutoDepth(D3DFORMAT format, unsigned width, unsigned height)
{
    D3DSURFACE_DESC d;
    d.Format = format;
    d.Usage = D3DUSAGE_DEPTHSTENCIL;
    d.Width = width;
    d.Height = height;
    return new GfxSurfaceBase(d, nullptr, 0);
}

GfxSurfaceBase::~GfxSurfaceBase()
{
    if (owner_) {
        owner_->SurfaceGone(level_);
        owner_->Release();
    }
}

GfxTextureBase::GfxTextureBase(unsigned width, unsigned height, unsigned levels, unsigned usage, D3DFORMAT format,
                               D3DPOOL pool)
    : width_(width ? width : 1), height_(height ? height : 1), usage_(usage), format_(format), pool_(pool)
{
    static unsigned counter = 0;
    serial = ++counter;
    unsigned full = GfxFullMipCount(width_, height_);
    if (levels == 0 || levels > full)
        levels = full;
    levels_.resize(levels);
    surfaces_.assign(levels, nullptr);
    uploaded_.assign(levels, false);
}

GfxTextureBase::~GfxTextureBase() = default;

unsigned GfxTextureBase::Width(unsigned level) const
{
    unsigned w = width_ >> level;
    return w ? w : 1;
}

unsigned GfxTextureBase::Height(unsigned level) const
{
    unsigned h = height_ >> level;
    return h ? h : 1;
}

GfxResult GfxTextureBase::GetLevelDesc(unsigned level, D3DSURFACE_DESC* desc)
{
    if (!desc || level >= levels_.size())
        return D3DERR_INVALIDCALL;
    desc->Format = format_;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = usage_;
    desc->Pool = pool_;
    desc->Width = Width(level);
    desc->Height = Height(level);
    return D3D_OK;
}

GfxResult GfxTextureBase::LockRect(unsigned level, D3DLOCKED_RECT* locked, const GfxRect* rect, unsigned)
{
    if (!locked || level >= levels_.size() || locked_ >= 0)
        return D3DERR_INVALIDCALL;
    int x = 0, y = 0;
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->right > (int)Width(level) || rect->bottom > (int)Height(level) ||
            rect->left >= rect->right || rect->top >= rect->bottom)
            return D3DERR_INVALIDCALL;
        x = rect->left;
        y = rect->top;
    }
    std::vector<uint32_t>& texels = levels_[level];
    if (texels.empty()) {
        // A new level reads as zeros; one the backend holds reads back what it holds.
        texels.assign((size_t)Width(level) * Height(level), 0u);
        if (uploaded_[level])
            DownloadLevel(level);
    }
    locked->Pitch = (int)(Width(level) * 4);
    locked->pBits = texels.data() + (size_t)y * Width(level) + x;
    locked_ = (int)level;
    return D3D_OK;
}

GfxResult GfxTextureBase::UnlockRect(unsigned level)
{
    if ((int)level != locked_)
        return D3DERR_INVALIDCALL;
    locked_ = -1;
    UploadLevel(level);
    uploaded_[level] = true;
    if (!keepTexels)
        std::vector<uint32_t>().swap(levels_[level]);
    return D3D_OK;
}

GfxResult GfxTextureBase::GetSurfaceLevel(unsigned level, GfxSurface** surface)
{
    if (!surface || level >= levels_.size())
        return D3DERR_INVALIDCALL;
    if (surfaces_[level]) {
        surfaces_[level]->AddRef();
    } else {
        D3DSURFACE_DESC desc;
        GetLevelDesc(level, &desc);
        AddRef();
        surfaces_[level] = new GfxSurfaceBase(desc, this, level);
    }
    *surface = surfaces_[level];
    return D3D_OK;
}
