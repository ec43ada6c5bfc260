#include "flight_ui/radar.h"

CRadar g_Radar;

void CTargetMarker::SetTarget(CUnit* unit) { target = unit; }
void CTargetMarker::DrawBracket(CUnit*) {}
void CTargetMarker::DrawLead() {}
RadarBlip RadarProject(const Vec3&, float, float, float, float cx, float cy, float) { return {cx, cy, cy}; }
void CRadar::Init() {}
void CRadar::Draw() {}
void CRadar::CreateRenderTarget(const char* name) { CreatePanelTarget(&panel, name, 0); }
void CRadar::ReleaseRenderTarget() { ReleasePanelTarget(&panel); }
void CRadar::Reload() { ReloadPanelTarget(&panel, 0); }
void CRadar::Release() {}
