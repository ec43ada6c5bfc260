// The world container: both worlds (0 the planet surface and station interiors, 1 space),
// each with its camera, ambient colour and 16 light slots, the object registry, the
// particle sets of space, the planet's navigation grid and the per-frame step.
#pragma once
#include <cstdint>

#include "platform/gfx/device.h"
#include "platform/math/math3d.h"
#include "render/camera.h"
#include "render/light.h"
#include "world/objects/game_object.h"
#include "world/planet/nav_grid.h"
#include "world/object_list.h"
#include "world/particles.h"

class CUnit;

// 0 the planet world, 1 the space world: selects the current world.
extern int g_WorldIndex;
// 0 planet world only, 1 space world only, 2 both (space and a docked station's interior).
extern int g_LocationKind;
// A requested change of location kind, applied at the start of the next frame; -1 none.
extern int g_PendingLocationKind;
// The object the player controls (hero or ship); null when none.
extern CUnit* g_PlayerObject;
// The player's home station (object id 1000).
extern CUnit* g_HeroStation;
// Far drawing limit of the space world.
extern float g_ViewDistance;

constexpr int kLightSlots = 16;
constexpr int kWorldFolderLength = 256;
constexpr int kParticleSets = 4;

class CWorld {
public:
    CCamera cameras[2];
    int lightListCount[2];
    int lightList[2][kLightSlots];
    uint32_t ambient[2];                       // 0xAARRGGBB
    CLight lights[2][kLightSlots];
    CObjectList objects;
    CParticleSet particles[kParticleSets];     // sets 1 ... 4
    CNavGrid navGrid;
    char locationFolder[kWorldFolderLength];
    char savedLocationFolder[kWorldFolderLength];
    char pendingFolder[kWorldFolderLength];
    CGameObject sphere;                        // "Data/Misc/Sphere.msh", kept for the program's life

    CWorld();
    CWorld(const CWorld&) = delete;
    CWorld& operator=(const CWorld&) = delete;

    void Init();
    void Release();
    void ResetForLocation();
    void UnloadLocation();
    void RequestLocationKind(int kind, const char* folder);
    void SwitchLocationKind();
    void PrepareObjects();
    // Loads a location's objects into the current world (the location loader's step).
    void LoadLocation(const char* folder);
    // ---- location loading (src/locations/location_loader.cpp, mercenaries.cpp) ----
    void CreateAsteroidField(const Vec3& centre, float innerRadius, float outerRadius, int count);
    void PlaceBetweenObjects(CUnit* ship, int fromId, int toId);
    void CreateMercenariesAndHero();
    // ---- end of location loading ----
    void Frame();
    void Update();
    void Render();
    bool IsDockedAt(const CUnit* unit, const CUnit* station) const;

    // Lights. Slot i is free only when it is free in both worlds; its device light is i.
    int AddLight(const D3DLIGHT9* description, CGameObject* owner);
    int FindFreeLightSlot() const;
    void FreeLight(int slot);
    void UpdateLights();
    void EnableLights();
    void DisableLights();
    void EnableLightList();
    void DisableLightList();
    void EnableAllLights();
    void DisableAllLights();
    void ReleaseLights();
    void ReleaseWorldLights();
    void ClearLightSlots();
    int FindLightOfKind4() const;
    void SetLightPosition(const Vec3& position);
    CLight* GetLight(int i);

    // The navigation grid of the planet world.
    void BuildNavGrid();
    void FreeNavGrid();
    void DrawNavGrid();
    int GridSize() const { return navGrid.size; }

    // First unit hit by the segment (see the registry's ray tests); null when none.
    CUnit* SegmentHitTest(const Vec3& from, const Vec3& to, int flag, Vec3* outHit, float* outDistance,
                          CUnit* ignore1, CUnit* ignore2);
    // The unit under the pointer (the world's first unit when nothing is hit); null in an
    // empty world.
    CUnit* PickObject();
    // The ground point under the virtual-screen position; false when the ground is not hit.
    bool PickGroundPoint(float x, float y, Vec3* point);

    CCamera& Camera() { return cameras[g_WorldIndex == 0 ? 0 : 1]; }
};

extern CWorld g_World;

// Device ambient light and the effect's "GlobalAmbient" (-1 white).
void SetGlobalAmbient(unsigned colour);

// The space world's camera, as the window procedure's keys use it.
int SpaceCameraOutsideView();
void SpaceCameraToggleView();
void SpaceCameraSetTarget(CUnit* unit);
