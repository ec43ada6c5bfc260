#include "flight_ui/cockpit.h"

CCockpit g_Cockpit;

void CCockpit::Release() {}
void CCockpit::Update() {}

// The panels hold no render targets yet, so there is nothing to give up or make again.
void ReleaseCockpitPanels() {}
void ReloadCockpitPanels() {}
