#include "flight_ui/target_screen.h"

CTargetScreen g_TargetScreen;
CTargetScreen g_SystemScreen;

void CTargetScreen::CreateRenderTarget(const char*) {}

void CTargetScreen::Draw() {}
