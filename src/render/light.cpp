#include "render/light.h"
#include <cmath>
#include "render/d3d_render.h"
#include "world/objects/game_object.h"
#include "world/world.h"

int g_SelectedLights[2][2] = {{-1, -1}, {-1, -1}};

static constexpr float kTwoPi = 6.2831853f;
static constexpr float kPi = 3.1415927f;

CLight::CLight() : owner(nullptr), deviceIndex(-1), kind(0), angle(0.0f), intensity(0.0f) {}

void CLight::Init(int index, CGameObject* ownerObject, int lightKind)
{
    deviceIndex = index;
    owner = ownerObject;
    kind = lightKind;
    light = D3DLIGHT9();
    if (kind == LIGHT_KIND_POINT) {
        light.Type = D3DLIGHT_POINT;
        light.Diffuse = {1, 1, 1, 1};
        light.Specular = {1, 1, 1, 1};
        light.Range = 1.0f;
        light.Falloff = 1.0f;
        light.Attenuation0 = 0.0f;
        light.Attenuation1 = 1.0f;
        light.Attenuation2 = 0.0f;
    } else if (kind == LIGHT_KIND_SUN) {
        light.Type = D3DLIGHT_DIRECTIONAL;
        angle = 1.0471976f;
    }
    if (g_D3DRender.device && index >= 0)
        g_D3DRender.device->LightEnable((unsigned)index, 1);
}

void CLight::Disable()
{
    if (g_D3DRender.device && deviceIndex >= 0)
        g_D3DRender.device->LightEnable((unsigned)deviceIndex, 0);
}

void CLight::Apply()
{
    if (g_D3DRender.device && deviceIndex >= 0)
        g_D3DRender.device->SetLight((unsigned)deviceIndex, &light);
}

int CLight::Selection() const
{
    int world = g_WorldIndex == 0 ? 0 : 1;
    if (deviceIndex < 0)
        return 0;
    if (g_SelectedLights[world][0] == deviceIndex)
        return 1;
    if (g_SelectedLights[world][1] == deviceIndex)
        return 2;
    return 0;
}

void CLight::SetEffectDirectionMS(const Matrix& world)
{
    GfxEffect* effect = g_D3DRender.effect;
    if (!effect)
        return;
    Vec3 dir;
    if (g_WorldIndex == 0 && kind == LIGHT_KIND_SUN && angle > 3.926991f) {
        dir = Vec3Normalize(Vec3(1.0f, -0.4f, -2.0f));
    } else {
        Matrix inverse;
        if (!MatrixInverse(&inverse, nullptr, world))
            inverse = MatrixIdentity();
        dir = Vec3Normalize(Vec3TransformNormal(light.Direction, inverse));
    }
    Vec4 v(dir.x, dir.y, dir.z, 0.0f);
    int sel = Selection();
    if (sel == 1)
        effect->SetVector("DirLight_DirMS", &v);
    else if (sel == 2)
        effect->SetVector("DirLight2_DirMS", &v);
}

static Vec4 ColourVec(const D3DCOLORVALUE& c) { return Vec4(c.r, c.g, c.b, c.a); }

// Sends a light's colours, direction and position to one of the two effect light sets.
static void SendToEffect(const D3DLIGHT9& l, int selection)
{
    GfxEffect* effect = g_D3DRender.effect;
    if (!effect || selection == 0)
        return;
    const char* names[2][4] = {{"DirLight_Diff", "DirLight_Spec", "DirLight_Dir", "DirLight_Pos"},
                               {"DirLight2_Diff", "DirLight2_Spec", "DirLight2_Dir", "DirLight2_Pos"}};
    const char* const* n = names[selection - 1];
    Vec4 diff = ColourVec(l.Diffuse), spec = ColourVec(l.Specular);
    Vec4 dir(l.Direction.x, l.Direction.y, l.Direction.z, 1.0f);
    Vec4 pos(l.Position.x, l.Position.y, l.Position.z, 1.0f);
    effect->SetVector(n[0], &diff);
    effect->SetVector(n[1], &spec);
    effect->SetVector(n[2], &dir);
    effect->SetVector(n[3], &pos);
}

void CLight::Update()
{
    if (deviceIndex < 0)
        return;
    if (light.Type == D3DLIGHT_POINT) {
        if (owner)
            light.Position = owner->position;
        Apply();
    }
    if (g_WorldIndex == 0) {
        if (kind != LIGHT_KIND_SUN)
            return;
        angle = std::fmod(angle, kTwoPi);
        if (angle < 0.0f)
            angle += kTwoPi;
        bool day = angle > 0.0f && angle < kPi;
        intensity = day ? std::sin(angle) : 0.0f;
        light.Direction = Vec3(-std::cos(angle), -std::sin(angle), 0.0f);
        light.Position = Vec3(std::cos(angle) * 1000.0f, std::sin(angle) * 1000.0f, 0.0f);
        // At night the sun stays switched on but gives no light.
        D3DLIGHT9 sent = light;
        if (!day) {
            sent.Diffuse = D3DCOLORVALUE();
            sent.Specular = D3DCOLORVALUE();
        }
        if (g_D3DRender.device)
            g_D3DRender.device->SetLight((unsigned)deviceIndex, &sent);
        if (Selection() == 1)
            SendToEffect(sent, 1);
        return;
    }
    // A space sun shines from its star towards the middle of the location. The device light
    // has to follow too: objects without the bump effect are lit by it alone.
    if (light.Type == D3DLIGHT_DIRECTIONAL) {
        if (owner && Vec3Length(owner->position) > 0.0f) {
            light.Position = owner->position;
            light.Direction = Vec3Normalize(-owner->position);
        }
        Apply();
    }
    SendToEffect(light, Selection());
}

float CLight::GetFadeAlpha() const
{
    if (intensity < 0.4f)
        return 0.0f;
    if (intensity > 0.8f)
        return 255.0f;
    return (intensity - 0.4f) * 637.5f;
}
