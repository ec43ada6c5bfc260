#include "platform/gfx/ff_shader.h"
#include <cstring>

const char* const g_GfxAttribNames[ATTR_COUNT] = {
    "in_Position",  "in_Normal",    "in_Diffuse",   "in_Specular", "in_TexCoord0",
    "in_TexCoord1", "in_TexCoord2", "in_TexCoord3", "in_Tangent",
};

std::string FFKey::Bytes() const
{
    std::string s;
    AppendTo(&s);
    return s;
}

void FFKey::AppendTo(std::string* out) const
{
    std::string& s = *out;
    const uint8_t head[] = {rhw, hasNormal, hasDiffuse, hasSpecular, lighting, colorVertex,
                            specularEnable, flat, alphaFunc, stageCount, lightCount, lightDirectional};
    s.append((const char*)head, sizeof(head));
    for (unsigned i = 0; i < stageCount; ++i) {
        const FFStageKey& k = stages[i];
        const uint8_t b[] = {k.colorOp, k.colorArg[0], k.colorArg[1], k.colorArg[2], k.alphaOp, k.alphaArg[0],
                             k.alphaArg[1], k.alphaArg[2], k.resultTemp, k.texCoord, k.hasTexture};
        s.append((const char*)b, sizeof(b));
    }
}

unsigned FFEnabledLights(const GfxStateBlock& st, unsigned slots[FF_MAX_LIGHTS])
{
    unsigned n = 0;
    for (unsigned i = 0; i < GFX_MAX_LIGHTS && n < FF_MAX_LIGHTS; ++i)
        if (st.lightEnabled[i])
            slots[n++] = i;
    return n;
}

FFKey FFMakeKey(const GfxStateBlock& st, const FFVertexInfo& v, const bool stageHasTexture[FF_MAX_STAGES])
{
    FFKey k;
    k.rhw = v.rhw;
    k.hasNormal = v.normal;
    k.hasDiffuse = v.diffuse;
    k.hasSpecular = v.specular;
    k.lighting = !v.rhw && st.rs[D3DRS_LIGHTING] != 0;
    if (k.lighting) {
        unsigned slots[FF_MAX_LIGHTS];
        k.lightCount = (uint8_t)FFEnabledLights(st, slots);
        for (unsigned i = 0; i < k.lightCount; ++i)
            if (st.lights[slots[i]].Type == D3DLIGHT_DIRECTIONAL)
                k.lightDirectional |= (uint8_t)(1u << i);
    }
    k.colorVertex = st.rs[D3DRS_COLORVERTEX] != 0;
    k.specularEnable = st.rs[D3DRS_SPECULARENABLE] != 0;
    k.flat = st.rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
    if (st.rs[D3DRS_ALPHATESTENABLE] && st.rs[D3DRS_ALPHAFUNC] != D3DCMP_ALWAYS)
        k.alphaFunc = (uint8_t)st.rs[D3DRS_ALPHAFUNC];
    for (unsigned s = 0; s < FF_MAX_STAGES; ++s) {
        const unsigned* t = st.tss[s];
        if (t[D3DTSS_COLOROP] == D3DTOP_DISABLE || t[D3DTSS_COLOROP] == 0)
            break;
        FFStageKey& sk = k.stages[s];
        sk.colorOp = (uint8_t)t[D3DTSS_COLOROP];
        sk.colorArg[0] = (uint8_t)t[D3DTSS_COLORARG1];
        sk.colorArg[1] = (uint8_t)t[D3DTSS_COLORARG2];
        sk.colorArg[2] = (uint8_t)t[D3DTSS_COLORARG0];
        sk.alphaOp = (uint8_t)t[D3DTSS_ALPHAOP];
        sk.alphaArg[0] = (uint8_t)t[D3DTSS_ALPHAARG1];
        sk.alphaArg[1] = (uint8_t)t[D3DTSS_ALPHAARG2];
        sk.alphaArg[2] = (uint8_t)t[D3DTSS_ALPHAARG0];
        sk.resultTemp = (t[D3DTSS_RESULTARG] & D3DTA_SELECTMASK) == D3DTA_TEMP;
        sk.texCoord = (uint8_t)(t[D3DTSS_TEXCOORDINDEX] & 3);
        sk.hasTexture = stageHasTexture[s];
        k.stageCount = (uint8_t)(s + 1);
    }
    return k;
}

static const char* kCommonUniforms =
    "uniform mat4 u_World;\nuniform mat4 u_View;\nuniform mat4 u_Proj;\n"
    "uniform vec2 u_TargetSize;\nuniform float u_FlipY;\nuniform vec2 u_PixelOffset;\n"
    "uniform vec4 u_MatDiffuse;\nuniform vec4 u_MatAmbient;\nuniform vec4 u_MatSpecular;\n"
    "uniform vec4 u_MatEmissive;\nuniform float u_MatPower;\nuniform vec4 u_GlobalAmbient;\n"
    "uniform vec4 u_LightDiffuse[8];\n"
    "uniform vec4 u_LightSpecular[8];\nuniform vec4 u_LightAmbient[8];\nuniform vec3 u_LightPos[8];\n"
    "uniform vec3 u_LightDir[8];\nuniform vec4 u_LightAtten[8];\n";

// Texture coordinate sets the stages read (bit i: set i); only those are passed on, as a
// software rasteriser sets up every vertex output for every triangle.
static unsigned TexCoordsRead(const FFKey& k)
{
    unsigned used = 0;
    for (unsigned i = 0; i < k.stageCount && i < FF_MAX_STAGES; ++i)
        if (k.stages[i].hasTexture)
            used |= 1u << k.stages[i].texCoord;
    return used;
}

static std::string TexCoordOutputs(const FFKey& k, const char* io)
{
    std::string s;
    for (unsigned i = 0; i < 4; ++i)
        if (TexCoordsRead(k) & (1u << i))
            s += std::string(io) + " vec4 v_Tex" + std::to_string(i) + ";\n";
    return s;
}

std::string FFVertexSource(const FFKey& k)
{
    std::string s = "#version 330 core\n";
    s += kCommonUniforms;
    s += "in vec4 in_Position;\nin vec3 in_Normal;\nin vec4 in_Diffuse;\nin vec4 in_Specular;\n"
         "in vec4 in_TexCoord0;\nin vec4 in_TexCoord1;\nin vec4 in_TexCoord2;\nin vec4 in_TexCoord3;\n";
    const char* q = k.flat ? "flat " : "";
    s += std::string(q) + "out vec4 v_Diffuse;\n" + q + "out vec4 v_Specular;\n" + TexCoordOutputs(k, "out");
    s += "void main()\n{\n";
    for (unsigned i = 0; i < 4; ++i)
        if (TexCoordsRead(k) & (1u << i))
            s += "    v_Tex" + std::to_string(i) + " = in_TexCoord" + std::to_string(i) + ";\n";
    if (k.rhw) {
        // Screen pixels with centres on integer coordinates; w from the reciprocal.
        // Edges then lie on pixel centres: a nudge of 1/64 pixel upwards makes the top edge
        // the one that covers them, as Direct3D fills.
        s += "    float w = in_Position.w != 0.0 ? 1.0 / in_Position.w : 1.0;\n"
             "    vec2 ndc = (in_Position.xy + vec2(0.5, 0.5 - 1.0 / 64.0)) / u_TargetSize * 2.0 - 1.0;\n"
             "    ndc.y = -ndc.y * u_FlipY;\n"
             "    gl_Position = vec4(ndc * w, (2.0 * in_Position.z - 1.0) * w, w);\n";
        s += k.hasDiffuse ? "    v_Diffuse = in_Diffuse;\n" : "    v_Diffuse = vec4(1.0);\n";
        s += k.hasSpecular ? "    v_Specular = in_Specular;\n" : "    v_Specular = vec4(0.0);\n";
        s += "}\n";
        return s;
    }
    s += "    vec4 wp = vec4(in_Position.xyz, 1.0) * u_World;\n"
         "    vec4 vp = wp * u_View;\n"
         "    vec4 cp = vp * u_Proj;\n"
         "    cp.y *= u_FlipY;\n"
         "    cp.xy += u_PixelOffset * cp.w;\n"
         "    gl_Position = vec4(cp.xy, 2.0 * cp.z - cp.w, cp.w);\n";
    if (!k.lighting) {
        s += k.hasDiffuse ? "    v_Diffuse = in_Diffuse;\n" : "    v_Diffuse = vec4(1.0);\n";
        s += k.hasSpecular ? "    v_Specular = in_Specular;\n" : "    v_Specular = vec4(0.0);\n";
        s += "}\n";
        return s;
    }
    s += std::string("    vec4 matD = ") + (k.colorVertex && k.hasDiffuse ? "in_Diffuse" : "u_MatDiffuse") + ";\n";
    s += std::string("    vec4 matS = ") + (k.colorVertex && k.hasSpecular ? "in_Specular" : "u_MatSpecular") + ";\n";
    s += "    vec3 P = vp.xyz;\n"
         "    vec3 N = normalize((vec4(in_Normal, 0.0) * u_World * u_View).xyz);\n"
         "    vec3 V = normalize(-P);\n"
         "    vec3 amb = vec3(0.0), dif = vec3(0.0), spe = vec3(0.0);\n";
    // Each light written out for its kind: a loop over a uniform count with a branch on the
    // type runs every path for every vertex on a software rasteriser.
    for (unsigned n = 0; n < k.lightCount && n < FF_MAX_LIGHTS; ++n) {
        const std::string i = std::to_string(n);
        s += "    {\n"
             "        vec3 L; float att = 1.0;\n";
        if (k.lightDirectional & (1u << n))
            s += "        L = normalize(-u_LightDir[" + i + "]);\n";
        else
            s += "        vec3 d = u_LightPos[" + i + "] - P; float dist = length(d);\n"
                 "        L = dist > 0.0 ? d / dist : vec3(0.0, 0.0, 1.0);\n"
                 "        if (dist > u_LightAtten[" + i + "].w) { att = 0.0; } else {\n"
                 "            float den = u_LightAtten[" + i + "].x + u_LightAtten[" + i + "].y * dist + u_LightAtten[" + i +
                 "].z * dist * dist;\n"
                 "            att = den > 0.0 ? 1.0 / den : 1.0;\n"
                 "        }\n";
        s += "        amb += u_LightAmbient[" + i + "].rgb * att;\n"
             "        float ndl = max(dot(N, L), 0.0);\n"
             "        dif += u_LightDiffuse[" + i + "].rgb * ndl * att;\n";
        if (k.specularEnable)
            s += "        if (ndl > 0.0) spe += u_LightSpecular[" + i +
                 "].rgb * pow(max(dot(N, normalize(L + V)), 0.0), u_MatPower) * att;\n";
        s += "    }\n";
    }
    s += "    v_Diffuse = vec4(clamp(u_MatEmissive.rgb + u_MatAmbient.rgb * (u_GlobalAmbient.rgb + amb) + matD.rgb * dif, 0.0, 1.0), matD.a);\n"
         "    v_Specular = vec4(clamp(matS.rgb * spe, 0.0, 1.0), 0.0);\n"
         "}\n";
    return s;
}

static std::string Arg(unsigned a, unsigned stage)
{
    std::string base;
    switch (a & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE: base = "v_Diffuse"; break;
    case D3DTA_CURRENT: base = "cur"; break;
    case D3DTA_TEXTURE: base = "tex" + std::to_string(stage); break;
    case D3DTA_TFACTOR: base = "u_TFactor"; break;
    case D3DTA_SPECULAR: base = "v_Specular"; break;
    case D3DTA_TEMP: base = "tmp"; break;
    default: base = "u_TFactor"; break;
    }
    if (a & D3DTA_ALPHAREPLICATE)
        base = "vec4(" + base + ".a)";
    if (a & D3DTA_COMPLEMENT)
        base = "(vec4(1.0) - " + base + ")";
    return base;
}

// The operation on vec4 arguments a1, a2, a0; the caller takes .rgb or .a.
static std::string Op(unsigned op, const std::string& a1, const std::string& a2, const std::string& a0, unsigned stage)
{
    std::string t = "tex" + std::to_string(stage);
    switch (op) {
    case D3DTOP_SELECTARG1: return a1;
    case D3DTOP_SELECTARG2: return a2;
    case D3DTOP_MODULATE: return a1 + " * " + a2;
    case D3DTOP_MODULATE2X: return a1 + " * " + a2 + " * 2.0";
    case D3DTOP_MODULATE4X: return a1 + " * " + a2 + " * 4.0";
    case D3DTOP_ADD: return a1 + " + " + a2;
    case D3DTOP_ADDSIGNED: return a1 + " + " + a2 + " - vec4(0.5)";
    case D3DTOP_ADDSIGNED2X: return "(" + a1 + " + " + a2 + " - vec4(0.5)) * 2.0";
    case D3DTOP_SUBTRACT: return a1 + " - " + a2;
    case D3DTOP_ADDSMOOTH: return a1 + " + " + a2 + " - " + a1 + " * " + a2;
    case D3DTOP_BLENDDIFFUSEALPHA: return "mix(" + a2 + ", " + a1 + ", v_Diffuse.a)";
    case D3DTOP_BLENDTEXTUREALPHA: return "mix(" + a2 + ", " + a1 + ", " + t + ".a)";
    case D3DTOP_BLENDFACTORALPHA: return "mix(" + a2 + ", " + a1 + ", u_TFactor.a)";
    case D3DTOP_BLENDCURRENTALPHA: return "mix(" + a2 + ", " + a1 + ", cur.a)";
    case D3DTOP_BLENDTEXTUREALPHAPM: return a1 + " + " + a2 + " * (1.0 - " + t + ".a)";
    case D3DTOP_MODULATEALPHA_ADDCOLOR: return a1 + " + vec4(" + a1 + ".a) * " + a2;
    case D3DTOP_MODULATECOLOR_ADDALPHA: return a1 + " * " + a2 + " + vec4(" + a1 + ".a)";
    case D3DTOP_MODULATEINVALPHA_ADDCOLOR: return "vec4(1.0 - " + a1 + ".a) * " + a2 + " + " + a1;
    case D3DTOP_MODULATEINVCOLOR_ADDALPHA: return "(vec4(1.0) - " + a1 + ") * " + a2 + " + vec4(" + a1 + ".a)";
    case D3DTOP_DOTPRODUCT3:
        return "vec4(clamp(dot((" + a1 + ".rgb - 0.5) * 2.0, (" + a2 + ".rgb - 0.5) * 2.0), 0.0, 1.0))";
    case D3DTOP_MULTIPLYADD: return a0 + " + " + a1 + " * " + a2;
    case D3DTOP_LERP: return "mix(" + a2 + ", " + a1 + ", " + a0 + ")";
    default: return a1; // premodulate and bump mapping pass the first argument on
    }
}

std::string FFFragmentSource(const FFKey& k)
{
    std::string s = "#version 330 core\n";
    const char* q = k.flat ? "flat " : "";
    s += std::string(q) + "in vec4 v_Diffuse;\n" + q + "in vec4 v_Specular;\n" + TexCoordOutputs(k, "in");
    s += "uniform vec4 u_TFactor;\nuniform float u_AlphaRef;\n";
    s += "uniform sampler2D u_Tex0;\nuniform sampler2D u_Tex1;\nuniform sampler2D u_Tex2;\nuniform sampler2D u_Tex3;\n";
    s += "out vec4 fx_Color;\nvoid main()\n{\n    vec4 cur = v_Diffuse;\n    vec4 tmp = vec4(0.0);\n";
    for (unsigned i = 0; i < k.stageCount; ++i) {
        const FFStageKey& st = k.stages[i];
        std::string n = std::to_string(i);
        if (st.hasTexture)
            s += "    vec4 tex" + n + " = texture(u_Tex" + n + ", v_Tex" + std::to_string(st.texCoord) + ".xy);\n";
        else
            s += "    vec4 tex" + n + " = vec4(1.0);\n"; // an empty stage samples opaque white
        std::string c = Op(st.colorOp, Arg(st.colorArg[0], i), Arg(st.colorArg[1], i), Arg(st.colorArg[2], i), i);
        std::string a = st.alphaOp == D3DTOP_DISABLE || st.alphaOp == 0
                            ? std::string("cur")
                            : Op(st.alphaOp, Arg(st.alphaArg[0], i), Arg(st.alphaArg[1], i), Arg(st.alphaArg[2], i), i);
        s += "    vec4 r" + n + " = vec4(clamp((" + c + ").rgb, 0.0, 1.0), clamp((" + a + ").a, 0.0, 1.0));\n";
        s += std::string("    ") + (st.resultTemp ? "tmp" : "cur") + " = r" + n + ";\n";
    }
    if (k.specularEnable)
        s += "    cur.rgb = clamp(cur.rgb + v_Specular.rgb, 0.0, 1.0);\n";
    if (k.alphaFunc) {
        static const char* cmp[] = {"", "false", "a < r", "a == r", "a <= r", "a > r", "a != r", "a >= r", "true"};
        unsigned f = k.alphaFunc <= 8 ? k.alphaFunc : 8;
        s += "    float a = floor(cur.a * 255.0 + 0.5); float r = u_AlphaRef;\n";
        s += std::string("    if (!(") + cmp[f] + ")) discard;\n";
    }
    s += "    fx_Color = cur;\n}\n";
    return s;
}
