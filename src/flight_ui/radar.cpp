#include "flight_ui/radar.h"

CRadar g_Radar;

void CRadar::CreateRenderTarget(const char*) {}

void CRadar::Draw() {}
