#include "flight_ui/target_screen.h"

CTargetScreen g_TargetScreen;
CTargetScreen g_SystemScreen;

void CTargetScreen::Init(int screenKind) { kind = screenKind; }
void CTargetScreen::InitMarkers() {}
void CTargetScreen::SetTarget(CUnit* unit) { target = unit; }
void CTargetScreen::Draw() {}
void CTargetScreen::DrawEquipmentList() {}
void CTargetScreen::CreateRenderTarget(const char* name) { CreatePanelTarget(&panel, name, 1); }
void CTargetScreen::ReleaseRenderTarget() { ReleasePanelTarget(&panel); }
void CTargetScreen::Reload() { ReloadPanelTarget(&panel, 1); }
void CTargetScreen::ReleaseTexture() {}
void CTargetScreen::Forget(const CUnit* unit)
{
    if (target == unit) target = nullptr;
}
