// The fixed pipeline as GLSL: a small key taken from the device state picks (and names) the
// generated vertex and fragment shaders.
#pragma once
#include <cstdint>
#include <string>
#include "platform/gfx/state_device.h"

constexpr unsigned FF_MAX_STAGES = 4;
constexpr unsigned FF_MAX_LIGHTS = 8;

// Vertex attribute locations shared by the generated shaders and the effect programs.
enum GfxAttrib : unsigned {
    ATTR_POSITION = 0, ATTR_NORMAL = 1, ATTR_DIFFUSE = 2, ATTR_SPECULAR = 3,
    ATTR_TEXCOORD0 = 4, ATTR_TANGENT = 8, ATTR_COUNT = 9,
};
extern const char* const g_GfxAttribNames[ATTR_COUNT];

struct FFStageKey {
    uint8_t colorOp = 0, colorArg[3] = {}, alphaOp = 0, alphaArg[3] = {};
    uint8_t resultTemp = 0, texCoord = 0, hasTexture = 0;
};

struct FFKey {
    uint8_t rhw = 0, hasNormal = 0, hasDiffuse = 0, hasSpecular = 0;
    uint8_t lighting = 0, colorVertex = 0, specularEnable = 0, flat = 0;
    uint8_t alphaFunc = 0; // 0: no alpha test
    // Lit draws: the enabled lights the shader handles, and which of them are directional
    // (bit i for the i-th), so each light's code is written out for its kind.
    uint8_t lightCount = 0, lightDirectional = 0;
    uint8_t stageCount = 0;
    FFStageKey stages[FF_MAX_STAGES];

    // Bytes of the key, for lookups.
    std::string Bytes() const;
    // The same bytes appended to a string (which keeps its storage between draws).
    void AppendTo(std::string* out) const;
};

// Vertex layout facts the key needs: taken from the FVF or the declaration.
struct FFVertexInfo {
    bool rhw = false, normal = false, diffuse = false, specular = false;
};

// The enabled lights a draw uses, in slot order, at most FF_MAX_LIGHTS: their slots in *slots.
unsigned FFEnabledLights(const GfxStateBlock& state, unsigned slots[FF_MAX_LIGHTS]);

FFKey FFMakeKey(const GfxStateBlock& state, const FFVertexInfo& vertex, const bool stageHasTexture[FF_MAX_STAGES]);
std::string FFVertexSource(const FFKey& key);
std::string FFFragmentSource(const FFKey& key);
