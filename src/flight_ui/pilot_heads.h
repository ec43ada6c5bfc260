// The talking head of the comm window: five fire-like shapes that flicker while a line
// is spoken and rest otherwise.
#pragma once
#include <cstdint>

#include "platform/math/math3d.h"

class CGameObject;
class CUnit;

constexpr int kPilotHeadCount = 5;
constexpr int kHeadMatrixCount = 10;

class CPilotHeads {
public:
    CGameObject* heads[kPilotHeadCount] = {};
    // Head camera.
    float fov = 0.5236f, aspect = 1.25f, farPlane = 1000.0f, nearPlane = 1.0f;
    Matrix view, projection;
    Matrix placements[kHeadMatrixCount];
    int32_t speaking = 0;
    int32_t mode = 0;
    int32_t phase = 0;
    uint32_t start = 0;
    // Per head: spin rate, flicker rate and depth, drawn anew at each start.
    float spin[kPilotHeadCount] = {};
    float rate[kPilotHeadCount] = {};
    float depth[kPilotHeadCount] = {};

    void Init();
    // Reads the ten placement matrices (sixteen lines each); identity for what is missing.
    void LoadMatrices(const char* path);
    void StartSpeaking(CUnit* unit, int headMode);
    void Stop() { speaking = 0; }
    // The world matrix of head i at a game time (ms).
    Matrix HeadMatrix(int i, uint32_t nowMs) const;
    void Draw(CUnit* speaker);
    void DrawHead(int i, const Matrix& world);
    void Release();
};
