#include "render/texture_manager.h"
#include <cstdlib>
#include <cstring>
#include "app/settings.h"
#include "files/file_manager.h"
#include "platform/gfx/image.h"
#include "render/d3d_render.h"

void CTextureManager::Clear()
{
    std::memset(names, 0, sizeof(names));
    for (int i = 0; i < kMaxTextures; ++i) {
        textures[i] = nullptr;
        refCounts[i] = 0;
        mipLevels[i] = 0;
    }
}

// Copies a name into a slot, cut to the slot's size.
static void StoreName(char* dst, const char* src)
{
    std::strncpy(dst, src, CTextureManager::kNameSize - 1);
    dst[CTextureManager::kNameSize - 1] = 0;
}

// Reads a whole texture file: the Textures archive first, then a loose file.
static GfxResult LoadThroughFileManager(const char* name, unsigned mips, GfxTexture** texture)
{
    uint32_t size = 0;
    int handle = CFileManager::Open(name, FILE_KIND_TEXTURES, &size);
    if (handle == -1)
        handle = CFileManager::Open(name, FILE_KIND_PLAIN, &size);
    if (handle == -1)
        return D3DERR_NOTFOUND;
    if (size == 0) {
        CFileManager::Close(handle);
        return D3DERR_INVALIDCALL;
    }
    char* buffer = (char*)std::malloc(size);
    if (!buffer) {
        CFileManager::Close(handle);
        return E_OUTOFMEMORY;
    }
    size_t got = CFileManager::Read(buffer, 1, size, handle);
    CFileManager::Close(handle);
    GfxResult hr = D3DERR_INVALIDCALL;
    if (got == size)
        hr = GfxCreateTextureFromFileInMemoryEx(g_D3DRender.device, buffer, size, D3DX_DEFAULT, D3DX_DEFAULT, mips, 0,
                                                D3DFMT_UNKNOWN, D3DPOOL_MANAGED, texture);
    std::free(buffer);
    return hr;
}

int CTextureManager::Load(const char* name, int mips, int slot)
{
    if (!name || !g_D3DRender.device)
        return -1;
    if (slot >= kMaxTextures || slot < -1) {
        DebugOutF("Texture slot out of range: %d (%s)", slot, name);
        return -1;
    }
    char path[kNameSize + 8];
    std::strncpy(path, name, kNameSize - 1);
    path[kNameSize - 1] = 0;
    if (g_Settings.bmpToJpg) {
        char* ext = std::strstr(path, ".bmp");
        if (ext)
            std::strcpy(ext, ".jpg");
    }
    unsigned levels = mips < 0 ? D3DX_DEFAULT : (unsigned)mips;
    GfxTexture* texture = nullptr;
    GfxResult hr;
    if (g_Settings.useFileManager)
        hr = LoadThroughFileManager(path, levels, &texture);
    else
        hr = GfxCreateTextureFromFileEx(g_D3DRender.device, path, D3DX_DEFAULT, D3DX_DEFAULT, levels, 0,
                                        D3DFMT_UNKNOWN, D3DPOOL_MANAGED, &texture);
    const std::string warning = GfxTakeImageWarning();
    if (!warning.empty())
        DebugOutF("Texture %s: %s", path, warning.c_str());
    if (FAILED(hr) || !texture)
        return -1;

    // A given slot is taken when it is free or already holds this name. A slot held
    // under another name keeps its texture for its holders: the new one goes to a
    // free slot instead, so nobody's picture changes under them.
    if (slot != -1 && (!textures[slot] || std::strcmp(names[slot], name) == 0)) {
        GfxTexture* old = textures[slot];
        StoreName(names[slot], name);
        textures[slot] = texture;
        mipLevels[slot] = mips;
        refCounts[slot] = old ? refCounts[slot] + 1 : 1;
        if (old)
            old->Release();
        return slot;
    }
    for (int i = 0; i < kMaxTextures; ++i) {
        if (!textures[i]) {
            StoreName(names[i], name);
            textures[i] = texture;
            mipLevels[i] = mips;
            refCounts[i] = 1;
            return i;
        }
    }
    texture->Release();
    return -1;
}

int CTextureManager::Find(const char* name) const
{
    if (!name)
        return -1;
    for (int i = 0; i < kMaxTextures; ++i)
        if (textures[i] && std::strcmp(names[i], name) == 0)
            return i;
    return -1;
}

void CTextureManager::FreeSlot(int id)
{
    if (textures[id])
        textures[id]->Release();
    textures[id] = nullptr;
    names[id][0] = 0;
    refCounts[id] = 0;
    mipLevels[id] = 0;
}

void CTextureManager::Release(int id)
{
    if (id < 0 || id >= kMaxTextures || !textures[id])
        return;
    if (refCounts[id] == 0) {
        DebugOutF("Texture reference counter in use! (ID: %d; REF: %d; Name: %s", id, 0, names[id]);
        return;
    }
    if (--refCounts[id] == 0)
        FreeSlot(id);
}

void CTextureManager::ReleaseByName(const char* name)
{
    int id = Find(name);
    if (id < 0)
        return;
    if (refCounts[id] == 0) {
        DebugOutF("Texture reference counter in use! (ID: %d; REF: %d; Name: %s)", id, 0, names[id]);
        return;
    }
    if (--refCounts[id] == 0)
        FreeSlot(id);
}

void CTextureManager::ReleaseAllTextures()
{
    DebugOut("CTextureManager::ReleaseAllTextures() start...");
    for (int i = 0; i < kMaxTextures; ++i) {
        if (!textures[i])
            continue;
        DebugOutF("\tTexture lost! (ID: %d; REF: %d; Name: %s)", i, refCounts[i], names[i]);
        FreeSlot(i);
    }
    DebugOut("CTextureManager::ReleaseAllTextures() done!");
}

GfxTexture* CTextureManager::GetTexture(int id) const
{
    return id >= 0 && id < kMaxTextures ? textures[id] : nullptr;
}

const char* CTextureManager::GetName(int id) const
{
    return id >= 0 && id < kMaxTextures ? names[id] : nullptr;
}

const char* CTextureManager::FindNameByTexture(GfxTexture* texture) const
{
    if (!texture)
        return nullptr;
    for (int i = 0; i < kMaxTextures; ++i)
        if (textures[i] == texture)
            return names[i];
    return nullptr;
}

int CTextureManager::ReplaceTexture(const char* name, GfxTexture* texture)
{
    int id = Find(name);
    if (id < 0)
        return -1;
    if (textures[id] == texture)
        return id;
    textures[id]->Release();
    textures[id] = texture;
    return id;
}
