#include "world/game_object_links.h"

__attribute__((weak)) bool GameObjectCameraEye(Vec3*) { return false; }
__attribute__((weak)) void GameObjectSetNavGridSize(int) {}
