// A null device that also keeps the vertices of every draw, for the 2D drawing tests.
#pragma once
#include <cstring>
#include <vector>

#include "platform/gfx/null_device.h"
#include "render/d3d_render.h"
#include "render/draw2d.h"

struct CapturedDraw {
    D3DPRIMITIVETYPE type;
    unsigned primitives;
    unsigned stride;
    std::vector<ScreenVertex> screen;   // stride 32
    std::vector<WorldVertex> world;     // stride 28
    std::vector<uint16_t> indices;
};

class CaptureDevice : public NullGfxDevice {
public:
    explicit CaptureDevice(const D3DPRESENT_PARAMETERS& p) : NullGfxDevice(p) {}
    std::vector<CapturedDraw> draws;

    GfxResult DrawPrimitiveUP(D3DPRIMITIVETYPE type, unsigned count, const void* v, unsigned stride) override
    {
        Keep(type, count, v, stride, VertexCount(type, count), nullptr, 0);
        return NullGfxDevice::DrawPrimitiveUP(type, count, v, stride);
    }
    GfxResult DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, unsigned minIndex, unsigned numVertices, unsigned count,
                                     const void* indices, D3DFORMAT format, const void* v, unsigned stride) override
    {
        Keep(type, count, v, stride, numVertices, (const uint16_t*)indices, count * 3);
        return NullGfxDevice::DrawIndexedPrimitiveUP(type, minIndex, numVertices, count, indices, format, v, stride);
    }

private:
    static unsigned VertexCount(D3DPRIMITIVETYPE type, unsigned n)
    {
        switch (type) {
        case D3DPT_LINELIST: return n * 2;
        case D3DPT_LINESTRIP: return n + 1;
        case D3DPT_TRIANGLELIST: return n * 3;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN: return n + 2;
        default: return n;
        }
    }
    void Keep(D3DPRIMITIVETYPE type, unsigned count, const void* v, unsigned stride, unsigned vertices,
              const uint16_t* indices, unsigned indexCount)
    {
        CapturedDraw d{type, count, stride, {}, {}, {}};
        if (stride == sizeof(ScreenVertex)) {
            d.screen.resize(vertices);
            std::memcpy(d.screen.data(), v, vertices * stride);
        } else if (stride == sizeof(WorldVertex)) {
            d.world.resize(vertices);
            std::memcpy(d.world.data(), v, vertices * stride);
        }
        if (indices) d.indices.assign(indices, indices + indexCount);
        draws.push_back(std::move(d));
    }
};

// Installs a capture device as the renderer's device at a screen size.
class CaptureScope {
public:
    explicit CaptureScope(float width = 800.0f, float height = 600.0f)
    {
        D3DPRESENT_PARAMETERS p;
        p.BackBufferWidth = (unsigned)width;
        p.BackBufferHeight = (unsigned)height;
        device = new CaptureDevice(p);
        saved = g_D3DRender.device;
        g_D3DRender.device = device;
        savedX = g_ScreenScaleX;
        savedY = g_ScreenScaleY;
        g_ScreenScaleX = width / 800.0f;
        g_ScreenScaleY = height / 600.0f;
        g_D3DRender.boundTexture = -1;
        InitCircleTables();
    }
    ~CaptureScope()
    {
        g_D3DRender.device = saved;
        g_ScreenScaleX = savedX;
        g_ScreenScaleY = savedY;
        device->Release();
    }
    CaptureDevice* device;

private:
    GfxDevice* saved;
    float savedX, savedY;
};
