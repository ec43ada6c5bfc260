#include "render/d3d_render.h"

float g_ScreenScaleX = 1.0f;
float g_ScreenScaleY = 1.0f;
CD3DRender g_D3DRender;

int CD3DRender::InitD3D(int) { return 0; }
int CD3DRender::CreateDevice(WindowHandle, int) { return 0; }
void CD3DRender::FreeD3DRender() {}
int CD3DRender::Present() { return 0; }
void CD3DRender::ToggleFillMode() {}
void CD3DRender::ReleaseTexture(int) {}
void CD3DRender::SetCursorPos800x600(float, float) {}
void CD3DRender::GetModeSize(int, int* width, int* height)
{
    *width = 800;
    *height = 600;
}
