#include "flight_ui/cockpit.h"

CCockpit g_Cockpit;

void CCockpit::Init() {}
void CCockpit::LoadModel() {}
void CCockpit::StopSounds() {}
void CCockpit::Release() {}
void CCockpit::Update() {}
void CCockpit::DrawOverlay() {}
void CCockpit::Forget(const CBullet* bullet)
{
    if (incomingMissile == bullet) incomingMissile = nullptr;
}
void PlayCockpitSound(int) {}
void StopCockpitSound(int) {}
