// What the camera reads from subsystems built elsewhere: the current world and its
// player, the menus' flags, the input of the frame, the ground under the view and the
// sound listener. Each has a weak fallback in camera_links.cpp that the owning
// subsystem's real definition replaces at link time.
#pragma once
#include "platform/math/math3d.h"

class CCamera;
class CFont;
class CGameObject;
class CUnit;
struct CameraInput;

extern int g_WorldIndex;
extern int g_LocationKind;
// Pointer position in virtual units (the window procedure keeps it).
extern float g_MouseX;
extern float g_MouseY;

int CameraGameMenuActive();
// The player's object of the current world (g_PlayerObject), or null.
CUnit* CameraPlayerObject();
// The object lives and is not dying (always for an object that is no unit).
bool CameraObjectAlive(CGameObject* object);
// The entry of the cockpit point list the ship's eye sits at.
int CameraCockpitIndex(CUnit* ship);
// The ground point under the screen centre, kept inside the landscape (CWorld::PickGroundPoint).
bool CameraPickGround(CCamera* camera, Vec3* point);
// In a location of kind 2: this update's share of the docked station interior's offset.
bool CameraStationInteriorShift(Vec3* shift);
// Keys, pointer, wheel, debug view and "Invert mouse" of this frame; the used-up wheel goes back.
CameraInput CameraGatherInput();
void CameraStoreInput(const CameraInput& input);
// CAudioManager::SetListenerPosition / Orientation / Velocity (velocity of the followed object).
void CameraSetListener(const Vec3& position, const Vec3& direction, const Vec3& up, CGameObject* followed);
// The current world's camera font, the statistics overlay's counts.
CFont* CameraCurrentFont();
void CameraObjectCounts(int* units, int* bullets, int* effects);
int CameraSoundCount();
