// The renderer: device creation, display modes, cached states, present and device loss.
#pragma once
#include "platform/win/window.h"

extern float g_ScreenScaleX;
extern float g_ScreenScaleY;

class CD3DRender {
public:
    virtual ~CD3DRender() = default;
    virtual int InitD3D(int windowed);
    virtual int CreateDevice(WindowHandle window, int windowed);
    virtual void FreeD3DRender();
    virtual int Present();
    virtual void ToggleFillMode();
    virtual void ReleaseTexture(int id);
    void SetCursorPos800x600(float x, float y);
    // Width and height of a row of the display-mode table.
    void GetModeSize(int row, int* width, int* height);
};

extern CD3DRender g_D3DRender;
