// What the renderer calls in subsystems built elsewhere around a device reset. Each has a
// weak fallback in d3d_render_links.cpp that the owning subsystem's definition replaces.
#pragma once

// The cockpit panels give up their render targets before a reset and make them again after.
void ReleaseCockpitPanels();
void ReloadCockpitPanels();
// Device ambient light and the effect's "GlobalAmbient" from a packed colour (-1 white).
void SetGlobalAmbient(unsigned colour);
