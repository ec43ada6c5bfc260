// Named, reference-counted cache of every loaded texture; a texture id is a slot index, -1 none.
#pragma once
#include "platform/gfx/device.h"

class CTextureManager {
public:
    static constexpr int kMaxTextures = 1024;
    static constexpr int kNameSize = 255;

    char names[kMaxTextures][kNameSize];
    GfxTexture* textures[kMaxTextures];
    int refCounts[kMaxTextures];
    int mipLevels[kMaxTextures];

    CTextureManager() { Clear(); }

    // Empties every slot without releasing anything.
    void Clear();
    // Loads a texture file into the given slot (or the first free one); id or -1.
    int Load(const char* name, int mipLevels, int slot);
    int Find(const char* name) const;
    void Release(int id);
    void ReleaseByName(const char* name);
    void ReleaseAllTextures();
    GfxTexture* GetTexture(int id) const;
    const char* GetName(int id) const;
    const char* FindNameByTexture(GfxTexture* texture) const;
    int ReplaceTexture(const char* name, GfxTexture* texture);

    // The slot holds a texture.
    bool IsUsed(int id) const { return id >= 0 && id < kMaxTextures && textures[id] != nullptr; }

private:
    void FreeSlot(int id);
};
