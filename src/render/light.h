// A world light: a device light with its owner object, and what it feeds into the effect.
#pragma once
#include "platform/gfx/device.h"

class CGameObject;

enum LightKind { LIGHT_KIND_POINT = 1, LIGHT_KIND_SUN = 4 };

// Per world (0 planet, 1 space) the device indices of the first and second selected lights
// whose values feed "DirLight_*" and "DirLight2_*"; -1 when none. Set by the world.
extern int g_SelectedLights[2][2];

class CLight {
public:
    CGameObject* owner;
    int deviceIndex;
    int kind;
    D3DLIGHT9 light;
    float angle;
    float intensity;

    CLight();

    void Init(int index, CGameObject* ownerObject, int lightKind);
    void Disable();
    void Apply();
    void SetEffectDirectionMS(const Matrix& world);
    void Update();
    float GetFadeAlpha() const;

    // Which selected light of the current world this is: 1 first, 2 second, 0 neither.
    int Selection() const;
};
