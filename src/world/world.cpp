#include "world/world.h"
#include "render/d3d_render.h"
#include "world/game_clock.h"

int g_WorldIndex = 0;
int g_LocationKind = 0;
CUnit* g_PlayerObject = nullptr;
CUnit* g_HeroStation = nullptr;
CWorld g_World;

void CWorld::Init()
{
    g_GameClock.Reset();
}

void CWorld::Release() {}

void CWorld::UnloadLocation() {}

void CWorld::Frame()
{
    g_GameClock.Tick();
    g_D3DRender.Present();
}

CUnit* CWorld::PickObject()
{
    return nullptr;
}

bool CWorld::PickGroundPoint(float, float, Vec3*)
{
    return false;
}

int SpaceCameraOutsideView()
{
    return 0;
}

void SpaceCameraToggleView() {}

void SpaceCameraSetTarget(CUnit*) {}
