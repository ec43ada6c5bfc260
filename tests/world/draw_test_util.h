// Shared pieces of the world's drawing and hit tests: a box mesh built in memory with
// optional point lists, and a fresh null device swapped in for the renderer's.
#pragma once
#include <cstdint>
#include <vector>

#include "../../tools/datagen/models/mesh_builder.h"
#include "platform/gfx/null_device.h"
#include "render/d3d_render.h"
#include "render/mesh.h"

// A cube of the given half size; lists fills the mesh's point lists (at most nine).
inline CMesh* BoxMesh(float half, const std::vector<std::vector<meshgen::P3>>& lists = {})
{
    meshgen::Builder b;
    b.Box({-half, -half, -half}, {half, half, half});
    meshgen::Model model;
    model.SetGeometry(b);
    for (size_t i = 0; i < lists.size() && i < 9; ++i) model.points[i] = lists[i];
    std::vector<uint8_t> bytes = meshgen::Serialize(model);
    MeshFileData f;
    if (!ParseMeshFile(bytes.data(), bytes.size(), &f)) return nullptr;
    CMesh* m = new CMesh;
    m->m_VertexType = 0;
    m->Build(f);
    return m;
}

// Puts a new 800x600 windowed null device in the renderer, keeping the old one in *old.
inline NullGfxDevice* InstallNullDevice(GfxDevice** old)
{
    D3DPRESENT_PARAMETERS p;
    p.BackBufferWidth = 800;
    p.BackBufferHeight = 600;
    p.Windowed = 1;
    NullGfxDevice* dev = new NullGfxDevice(p);
    *old = g_D3DRender.device;
    g_D3DRender.device = dev;
    // A fresh device: the renderer's cached states must reach it.
    g_D3DRender.boundTexture = -2;
    g_D3DRender.zWriteEnable = g_D3DRender.zEnable = g_D3DRender.lighting = -1;
    g_D3DRender.srcBlend = g_D3DRender.destBlend = g_D3DRender.alphaBlendEnable = -1;
    return dev;
}

inline void RestoreDevice(NullGfxDevice* dev, GfxDevice* old)
{
    g_D3DRender.device = old;
    dev->Release();
}
