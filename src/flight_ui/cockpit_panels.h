// Cockpit panels: the render textures that the comm window, the radio menu, the two
// screens and the radar draw into and that the cockpit model's panel effects show.
#pragma once
#include <cstdint>

#include "platform/gfx/device.h"
#include "platform/math/math3d.h"

struct MeshData;
class CUnit;
class CFont;

// The unit is still in one of the worlds' lists (a freed one is never looked into).
bool IsUnitListed(const CUnit* unit);
inline float PointDistance(const Vec3& a, const Vec3& b) { return Vec3Length(a - b); }

// One panel's render target. The comm window and the radio menu share one: the comm
// window creates it and copies texture, size and depth surface into the radio menu.
struct CPanelTarget {
    int width = 0;
    int height = 0;
    int textureId = -1;
    char name[256] = {};
    GfxTexture* texture = nullptr;   // owned by the texture manager's slot
    GfxSurface* depth = nullptr;     // owned here; null for the radar
};

// What a panel draw changes on the device and puts back afterwards.
struct CPanelDrawState {
    GfxSurface* target = nullptr;
    GfxSurface* depth = nullptr;
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    int active = 0;
};

// Makes the panel's render target in place of the texture the manager holds under the
// name: same size, one level, X8R8G8B8, and a D16 depth surface when asked. Nothing
// when the name is not loaded or already holds this panel's texture. 1 when made.
int CreatePanelTarget(CPanelTarget* panel, const char* name, int withDepth);
// Before a device reset: the texture released by name, the depth surface released.
void ReleasePanelTarget(CPanelTarget* panel);
// After the reset: the texture loaded again into its old id and the target made again.
void ReloadPanelTarget(CPanelTarget* panel, int withDepth);

// Panels redraw only on every third frame of the renderer's frame counter.
int IsPanelRedrawFrame();
// Switches drawing to the panel (its target and depth, the whole texture as viewport,
// the 800x600 scale at 1). 0 when the panel has no target; nothing then to end.
int BeginPanelDraw(const CPanelTarget* panel, CPanelDrawState* saved);
// Back to the screen: target and depth, full-screen viewport, scale and the world
// camera's matrices.
void EndPanelDraw(CPanelDrawState* saved);
// The alpha of a panel text, drawn anew on each redraw: 200..255.
uint32_t PanelFlickerAlpha();
// A panel row no wider than the room: a longer text is drawn narrower, as tall as the
// others, rather than into the view beside it.
void DrawPanelRow(CFont& font, float x, float y, const char* text, unsigned colour, float scale, float room);

// The frame of an n-frame panel mesh matching the opening:
// int(open % x 0.01 x (n - 1) x panel height / 512).
int PanelToPixels(float openPercent, int frames, float panelHeight);
// The panel quad's four lit vertices show the used part of the texture:
// UVs (0, h), (0, 0), (1, h), (1, 0) with h = panel height / 512, colour 0xE1FFFFFF.
void SetupPanelQuad(MeshData* quad, float panelHeight);

// Around a device reset: the comm window, the target and system screens and the radar give
// up their render-target textures before it and make them again after it.
void ReleaseCockpitPanels();
void ReloadCockpitPanels();
