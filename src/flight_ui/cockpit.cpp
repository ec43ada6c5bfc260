#include "flight_ui/cockpit.h"

CCockpit g_Cockpit;

void CCockpit::Release() {}
void CCockpit::Update() {}
