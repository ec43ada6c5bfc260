// The world container: both worlds' objects, lights, particles and the per-frame step.
#pragma once
#include "platform/math/math3d.h"

class CUnit;

// 0 the planet world, 1 the space world: selects the current world.
extern int g_WorldIndex;
// 0 planet world only, 1 space world only, 2 both (space and a docked station's interior).
extern int g_LocationKind;
// The object the player controls (hero or ship); null when none.
extern CUnit* g_PlayerObject;
// The player's home station.
extern CUnit* g_HeroStation;

class CWorld {
public:
    void Init();
    void Release();
    void UnloadLocation();
    void Frame();
    // The unit under the pointer (the world's first unit when nothing is hit); null in an empty world.
    CUnit* PickObject();
    // The ground point under the virtual-screen position; false when the ground is not hit.
    bool PickGroundPoint(float x, float y, Vec3* point);
};

extern CWorld g_World;

// The space world's camera, as the window procedure's keys use it.
int SpaceCameraOutsideView();
void SpaceCameraToggleView();
void SpaceCameraSetTarget(CUnit* unit);
