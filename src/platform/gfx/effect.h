// Render-technique effects: our own text format holding named parameters, GLSL shaders and
// techniques made of passes. Parameters are set by name; unknown names are ignored.
//
// File format (lines; '//' starts a comment outside shader blocks):
//   param <type> <name> [= v1 v2 ...]     type: float, float2, float3, float4, float4x4, texture
//   vertex <name>                          a GLSL vertex shader body follows, up to a line "end"
//   pixel <name>                           a GLSL fragment shader body follows, up to "end"
//   technique <name>                       then its passes:
//     pass <name> <vertex-name> <pixel-name>
//   state <STATE> <value>                  (after a pass) a render state the pass sets, e.g.
//                                          "state CULLMODE 3" (numeric values as the device's)
// Every shader gets "#version 330 core" and a uniform for each parameter (float4x4 as mat4,
// texture as sampler2D) put in front. Matrices arrive so that a row vector multiplies them
// from the left as the game does: "vec4(p, 1.0) * matWorldViewProj". The vertex shader writes
// gl_Position in the game's clip space (depth 0..1); the device maps it to its own.
// Vertex inputs: in_Position, in_Normal, in_Diffuse, in_Specular, in_TexCoord0..3, in_Tangent.
// The fragment output is "out vec4 fx_Color".
#pragma once
#include <string>
#include "platform/gfx/device.h"

class GfxEffect : public GfxResource {
public:
    virtual GfxResult SetTechnique(const char* name) = 0;
    // Name of the current technique ("" when none).
    virtual const char* GetCurrentTechnique() = 0;
    virtual bool HasParameter(const char* name) = 0;

    virtual GfxResult SetFloat(const char* name, float value) = 0;
    virtual GfxResult SetVector(const char* name, const Vec4* value) = 0;
    virtual GfxResult SetMatrix(const char* name, const Matrix* value) = 0;
    virtual GfxResult SetTexture(const char* name, GfxTexture* texture) = 0;
    virtual GfxResult GetFloat(const char* name, float* value) = 0;
    virtual GfxResult GetVector(const char* name, Vec4* value) = 0;
    virtual GfxResult GetMatrix(const char* name, Matrix* value) = 0;
    virtual GfxResult GetTexture(const char* name, GfxTexture** texture) = 0; // no reference added

    virtual GfxResult Begin(unsigned* passes, unsigned flags) = 0;
    virtual GfxResult BeginPass(unsigned pass) = 0;
    virtual GfxResult CommitChanges() = 0;
    virtual GfxResult EndPass() = 0;
    virtual GfxResult End() = 0;

    virtual GfxResult OnLostDevice() = 0;
    virtual GfxResult OnResetDevice() = 0;
};

// D3DXCreateEffect in our terms: parses the source and compiles every pass on the device.
// On failure *effect stays null and errors (when given) receives the parser's or compiler's text.
GfxResult GfxCreateEffect(GfxDevice* device, const void* data, unsigned size, GfxEffect** effect,
                          std::string* errors);
