// What the game-object base reads from and writes to the world container. Each has a
// weak fallback in game_object_links.cpp that the world's real definition replaces.
#pragma once
#include "platform/math/math3d.h"

// The eye of the current world's camera (g_WorldIndex); false when there is none.
bool GameObjectCameraEye(Vec3* eye);
// Sets the world's navigation grid size (N × N cells) from a landscape mesh's header.
void GameObjectSetNavGridSize(int size);
