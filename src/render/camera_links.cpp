#include "render/camera_links.h"

#include "render/camera.h"

__attribute__((weak)) int g_WorldIndex = 0;
__attribute__((weak)) int g_LocationKind = 0;
__attribute__((weak)) float g_MouseX = 0.0f;
__attribute__((weak)) float g_MouseY = 0.0f;

__attribute__((weak)) int CameraGameMenuActive() { return 0; }
__attribute__((weak)) CUnit* CameraPlayerObject() { return nullptr; }
__attribute__((weak)) bool CameraObjectAlive(CGameObject* object) { return object != nullptr; }
__attribute__((weak)) int CameraCockpitIndex(CUnit*) { return 0; }
__attribute__((weak)) bool CameraPickGround(CCamera*, Vec3*) { return false; }
__attribute__((weak)) bool CameraStationInteriorShift(Vec3*) { return false; }
__attribute__((weak)) CameraInput CameraGatherInput() { return CameraInput(); }
__attribute__((weak)) void CameraStoreInput(const CameraInput&) {}
__attribute__((weak)) void CameraSetListener(const Vec3&, const Vec3&, const Vec3&, CGameObject*) {}
__attribute__((weak)) CFont* CameraCurrentFont() { return g_MenuCamera.GetFont(); }
__attribute__((weak)) void CameraObjectCounts(int* units, int* bullets, int* effects)
{
    *units = *bullets = *effects = 0;
}
__attribute__((weak)) int CameraSoundCount() { return 0; }
