// The drawing device: a Direct3D-9-shaped interface over two backends, `gl` (OpenGL 3.3 core
// on the game window) and `null` (records every call, for tests).
//
// Conventions are Direct3D's: left-handed space, row vectors (v * M), clip depth 0..1,
// pre-transformed (XYZRHW) vertices with pixel centres on integer coordinates, texture
// coordinate (0, 0) at the top-left of every texture including render targets.
//
// Game code reaches the device through the renderer: `g_D3DRender.device` (render/d3d_render.h).
// Results are ints: D3D_OK (0) on success, negative error codes otherwise (FAILED / SUCCEEDED).
#pragma once
#include <cstdint>
#include "platform/math/math3d.h"

// ---- results ----
using GfxResult = int;
constexpr GfxResult D3D_OK = 0;
constexpr GfxResult E_FAIL = (GfxResult)0x80004005u;
constexpr GfxResult E_OUTOFMEMORY = (GfxResult)0x8007000Eu;
constexpr GfxResult D3DERR_DEVICELOST = (GfxResult)0x88760868u;
constexpr GfxResult D3DERR_DEVICENOTRESET = (GfxResult)0x88760869u;
constexpr GfxResult D3DERR_NOTAVAILABLE = (GfxResult)0x8876086Au;
constexpr GfxResult D3DERR_INVALIDCALL = (GfxResult)0x8876086Cu;
constexpr GfxResult D3DERR_OUTOFVIDEOMEMORY = (GfxResult)0x8876017Cu;
constexpr GfxResult D3DERR_NOTFOUND = (GfxResult)0x88760866u;
#ifndef FAILED
#define FAILED(hr) ((GfxResult)(hr) < 0)
#endif
#ifndef SUCCEEDED
#define SUCCEEDED(hr) ((GfxResult)(hr) >= 0)
#endif
// Name of a result code ("D3DERR_DEVICELOST", ...), for messages.
const char* GfxErrorString(GfxResult hr);

// ---- render states (SetRenderState) ----
enum D3DRENDERSTATETYPE : unsigned {
    D3DRS_ZENABLE = 7,
    D3DRS_FILLMODE = 8,
    D3DRS_SHADEMODE = 9,
    D3DRS_ZWRITEENABLE = 14,
    D3DRS_ALPHATESTENABLE = 15,
    D3DRS_LASTPIXEL = 16,
    D3DRS_SRCBLEND = 19,
    D3DRS_DESTBLEND = 20,
    D3DRS_CULLMODE = 22,
    D3DRS_ZFUNC = 23,
    D3DRS_ALPHAREF = 24,
    D3DRS_ALPHAFUNC = 25,
    D3DRS_DITHERENABLE = 26,
    D3DRS_ALPHABLENDENABLE = 27,
    D3DRS_FOGENABLE = 28,
    D3DRS_SPECULARENABLE = 29,
    D3DRS_FOGCOLOR = 34,
    D3DRS_FOGTABLEMODE = 35,
    D3DRS_FOGSTART = 36,
    D3DRS_FOGEND = 37,
    D3DRS_FOGDENSITY = 38,
    D3DRS_RANGEFOGENABLE = 48,
    D3DRS_STENCILENABLE = 52,
    D3DRS_STENCILFAIL = 53,
    D3DRS_STENCILZFAIL = 54,
    D3DRS_STENCILPASS = 55,
    D3DRS_STENCILFUNC = 56,
    D3DRS_STENCILREF = 57,
    D3DRS_STENCILMASK = 58,
    D3DRS_STENCILWRITEMASK = 59,
    D3DRS_TEXTUREFACTOR = 60,
    D3DRS_WRAP0 = 128,
    D3DRS_CLIPPING = 136,
    D3DRS_LIGHTING = 137,
    D3DRS_AMBIENT = 139,
    D3DRS_FOGVERTEXMODE = 140,
    D3DRS_COLORVERTEX = 141,
    D3DRS_LOCALVIEWER = 142,
    D3DRS_NORMALIZENORMALS = 143,
    D3DRS_DIFFUSEMATERIALSOURCE = 145,
    D3DRS_SPECULARMATERIALSOURCE = 146,
    D3DRS_AMBIENTMATERIALSOURCE = 147,
    D3DRS_EMISSIVEMATERIALSOURCE = 148,
    D3DRS_VERTEXBLEND = 151,
    D3DRS_CLIPPLANEENABLE = 152,
    D3DRS_POINTSIZE = 154,
    D3DRS_POINTSIZE_MIN = 155,
    D3DRS_POINTSPRITEENABLE = 156,
    D3DRS_MULTISAMPLEANTIALIAS = 161,
    D3DRS_COLORWRITEENABLE = 168,
    D3DRS_BLENDOP = 171,
    D3DRS_SCISSORTESTENABLE = 174,
    D3DRS_SLOPESCALEDEPTHBIAS = 175,
    D3DRS_DEPTHBIAS = 195,
    D3DRS_SEPARATEALPHABLENDENABLE = 206,
    D3DRS_SRCBLENDALPHA = 207,
    D3DRS_DESTBLENDALPHA = 208,
    D3DRS_BLENDOPALPHA = 209,
};
constexpr unsigned GFX_RENDERSTATE_COUNT = 210;

enum : unsigned { D3DZB_FALSE = 0, D3DZB_TRUE = 1 };
enum D3DFILLMODE : unsigned { D3DFILL_POINT = 1, D3DFILL_WIREFRAME = 2, D3DFILL_SOLID = 3 };
enum D3DSHADEMODE : unsigned { D3DSHADE_FLAT = 1, D3DSHADE_GOURAUD = 2, D3DSHADE_PHONG = 3 };
enum D3DCULL : unsigned { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };
enum D3DCMPFUNC : unsigned {
    D3DCMP_NEVER = 1, D3DCMP_LESS = 2, D3DCMP_EQUAL = 3, D3DCMP_LESSEQUAL = 4,
    D3DCMP_GREATER = 5, D3DCMP_NOTEQUAL = 6, D3DCMP_GREATEREQUAL = 7, D3DCMP_ALWAYS = 8,
};
enum D3DBLEND : unsigned {
    D3DBLEND_ZERO = 1, D3DBLEND_ONE = 2, D3DBLEND_SRCCOLOR = 3, D3DBLEND_INVSRCCOLOR = 4,
    D3DBLEND_SRCALPHA = 5, D3DBLEND_INVSRCALPHA = 6, D3DBLEND_DESTALPHA = 7, D3DBLEND_INVDESTALPHA = 8,
    D3DBLEND_DESTCOLOR = 9, D3DBLEND_INVDESTCOLOR = 10, D3DBLEND_SRCALPHASAT = 11,
    D3DBLEND_BOTHSRCALPHA = 12, D3DBLEND_BOTHINVSRCALPHA = 13,
};
enum D3DBLENDOP : unsigned {
    D3DBLENDOP_ADD = 1, D3DBLENDOP_SUBTRACT = 2, D3DBLENDOP_REVSUBTRACT = 3, D3DBLENDOP_MIN = 4, D3DBLENDOP_MAX = 5,
};
enum D3DFOGMODE : unsigned { D3DFOG_NONE = 0, D3DFOG_EXP = 1, D3DFOG_EXP2 = 2, D3DFOG_LINEAR = 3 };
enum D3DMATERIALCOLORSOURCE : unsigned { D3DMCS_MATERIAL = 0, D3DMCS_COLOR1 = 1, D3DMCS_COLOR2 = 2 };
enum D3DSTENCILOP : unsigned {
    D3DSTENCILOP_KEEP = 1, D3DSTENCILOP_ZERO = 2, D3DSTENCILOP_REPLACE = 3, D3DSTENCILOP_INCRSAT = 4,
    D3DSTENCILOP_DECRSAT = 5, D3DSTENCILOP_INVERT = 6, D3DSTENCILOP_INCR = 7, D3DSTENCILOP_DECR = 8,
};

// ---- texture stage states (SetTextureStageState) ----
enum D3DTEXTURESTAGESTATETYPE : unsigned {
    D3DTSS_COLOROP = 1,
    D3DTSS_COLORARG1 = 2,
    D3DTSS_COLORARG2 = 3,
    D3DTSS_ALPHAOP = 4,
    D3DTSS_ALPHAARG1 = 5,
    D3DTSS_ALPHAARG2 = 6,
    D3DTSS_BUMPENVMAT00 = 7,
    D3DTSS_BUMPENVMAT01 = 8,
    D3DTSS_BUMPENVMAT10 = 9,
    D3DTSS_BUMPENVMAT11 = 10,
    D3DTSS_TEXCOORDINDEX = 11,
    D3DTSS_BUMPENVLSCALE = 22,
    D3DTSS_BUMPENVLOFFSET = 23,
    D3DTSS_TEXTURETRANSFORMFLAGS = 24,
    D3DTSS_COLORARG0 = 26,
    D3DTSS_ALPHAARG0 = 27,
    D3DTSS_RESULTARG = 28,
    D3DTSS_CONSTANT = 32,
};
constexpr unsigned GFX_TSS_COUNT = 33;
constexpr unsigned GFX_MAX_STAGES = 8;

enum D3DTEXTUREOP : unsigned {
    D3DTOP_DISABLE = 1, D3DTOP_SELECTARG1 = 2, D3DTOP_SELECTARG2 = 3, D3DTOP_MODULATE = 4,
    D3DTOP_MODULATE2X = 5, D3DTOP_MODULATE4X = 6, D3DTOP_ADD = 7, D3DTOP_ADDSIGNED = 8,
    D3DTOP_ADDSIGNED2X = 9, D3DTOP_SUBTRACT = 10, D3DTOP_ADDSMOOTH = 11, D3DTOP_BLENDDIFFUSEALPHA = 12,
    D3DTOP_BLENDTEXTUREALPHA = 13, D3DTOP_BLENDFACTORALPHA = 14, D3DTOP_BLENDTEXTUREALPHAPM = 15,
    D3DTOP_BLENDCURRENTALPHA = 16, D3DTOP_PREMODULATE = 17, D3DTOP_MODULATEALPHA_ADDCOLOR = 18,
    D3DTOP_MODULATECOLOR_ADDALPHA = 19, D3DTOP_MODULATEINVALPHA_ADDCOLOR = 20,
    D3DTOP_MODULATEINVCOLOR_ADDALPHA = 21, D3DTOP_BUMPENVMAP = 22, D3DTOP_BUMPENVMAPLUMINANCE = 23,
    D3DTOP_DOTPRODUCT3 = 24, D3DTOP_MULTIPLYADD = 25, D3DTOP_LERP = 26,
};
// Texture-stage arguments; the low nibble selects, the two flags modify.
enum : unsigned {
    D3DTA_SELECTMASK = 0x0F, D3DTA_DIFFUSE = 0, D3DTA_CURRENT = 1, D3DTA_TEXTURE = 2, D3DTA_TFACTOR = 3,
    D3DTA_SPECULAR = 4, D3DTA_TEMP = 5, D3DTA_CONSTANT = 6, D3DTA_COMPLEMENT = 0x10, D3DTA_ALPHAREPLICATE = 0x20,
};

// ---- sampler states (SetSamplerState) ----
enum D3DSAMPLERSTATETYPE : unsigned {
    D3DSAMP_ADDRESSU = 1, D3DSAMP_ADDRESSV = 2, D3DSAMP_ADDRESSW = 3, D3DSAMP_BORDERCOLOR = 4,
    D3DSAMP_MAGFILTER = 5, D3DSAMP_MINFILTER = 6, D3DSAMP_MIPFILTER = 7, D3DSAMP_MIPMAPLODBIAS = 8,
    D3DSAMP_MAXMIPLEVEL = 9, D3DSAMP_MAXANISOTROPY = 10, D3DSAMP_SRGBTEXTURE = 11,
};
constexpr unsigned GFX_SAMP_COUNT = 14;
enum D3DTEXTUREFILTERTYPE : unsigned { D3DTEXF_NONE = 0, D3DTEXF_POINT = 1, D3DTEXF_LINEAR = 2, D3DTEXF_ANISOTROPIC = 3 };
enum D3DTEXTUREADDRESS : unsigned {
    D3DTADDRESS_WRAP = 1, D3DTADDRESS_MIRROR = 2, D3DTADDRESS_CLAMP = 3, D3DTADDRESS_BORDER = 4, D3DTADDRESS_MIRRORONCE = 5,
};

// Floats travel through SetRenderState / SetSamplerState as their bits.
inline unsigned GfxFloatBits(float f)
{
    union { float f; unsigned u; } v;
    v.f = f;
    return v.u;
}
inline float GfxBitsFloat(unsigned u)
{
    union { float f; unsigned u; } v;
    v.u = u;
    return v.f;
}

// ---- transforms ----
enum D3DTRANSFORMSTATETYPE : unsigned {
    D3DTS_VIEW = 2, D3DTS_PROJECTION = 3,
    D3DTS_TEXTURE0 = 16, D3DTS_TEXTURE1 = 17, D3DTS_TEXTURE2 = 18, D3DTS_TEXTURE3 = 19,
    D3DTS_WORLD = 256,
};

// ---- vertex formats ----
enum : unsigned {
    D3DFVF_XYZ = 0x002,
    D3DFVF_XYZRHW = 0x004,
    D3DFVF_POSITION_MASK = 0x400E,
    D3DFVF_NORMAL = 0x010,
    D3DFVF_PSIZE = 0x020,
    D3DFVF_DIFFUSE = 0x040,
    D3DFVF_SPECULAR = 0x080,
    D3DFVF_TEXCOUNT_MASK = 0xF00,
    D3DFVF_TEXCOUNT_SHIFT = 8,
    D3DFVF_TEX0 = 0x000,
    D3DFVF_TEX1 = 0x100,
    D3DFVF_TEX2 = 0x200,
    D3DFVF_TEX3 = 0x300,
    D3DFVF_TEX4 = 0x400,
};
constexpr unsigned D3DFVF_TEXCOORDSIZE1(unsigned i) { return 3u << (i * 2 + 16); }
constexpr unsigned D3DFVF_TEXCOORDSIZE2(unsigned) { return 0u; }
constexpr unsigned D3DFVF_TEXCOORDSIZE3(unsigned i) { return 1u << (i * 2 + 16); }
constexpr unsigned D3DFVF_TEXCOORDSIZE4(unsigned i) { return 2u << (i * 2 + 16); }
// Bytes of one vertex of an FVF.
unsigned GfxFvfStride(unsigned fvf);

enum D3DDECLTYPE : unsigned char {
    D3DDECLTYPE_FLOAT1 = 0, D3DDECLTYPE_FLOAT2 = 1, D3DDECLTYPE_FLOAT3 = 2, D3DDECLTYPE_FLOAT4 = 3,
    D3DDECLTYPE_D3DCOLOR = 4, D3DDECLTYPE_UBYTE4 = 5, D3DDECLTYPE_UNUSED = 17,
};
enum : unsigned char { D3DDECLMETHOD_DEFAULT = 0 };
enum D3DDECLUSAGE : unsigned char {
    D3DDECLUSAGE_POSITION = 0, D3DDECLUSAGE_BLENDWEIGHT = 1, D3DDECLUSAGE_BLENDINDICES = 2,
    D3DDECLUSAGE_NORMAL = 3, D3DDECLUSAGE_PSIZE = 4, D3DDECLUSAGE_TEXCOORD = 5, D3DDECLUSAGE_TANGENT = 6,
    D3DDECLUSAGE_BINORMAL = 7, D3DDECLUSAGE_POSITIONT = 9, D3DDECLUSAGE_COLOR = 10,
};
struct D3DVERTEXELEMENT9 {
    unsigned short Stream;
    unsigned short Offset;
    unsigned char Type;
    unsigned char Method;
    unsigned char Usage;
    unsigned char UsageIndex;
};
#define D3DDECL_END() {0xFF, 0, D3DDECLTYPE_UNUSED, 0, 0, 0}

enum D3DPRIMITIVETYPE : unsigned {
    D3DPT_POINTLIST = 1, D3DPT_LINELIST = 2, D3DPT_LINESTRIP = 3,
    D3DPT_TRIANGLELIST = 4, D3DPT_TRIANGLESTRIP = 5, D3DPT_TRIANGLEFAN = 6,
};

// ---- formats, pools, usage, locks ----
constexpr unsigned GfxFourCC(char a, char b, char c, char d)
{
    return (unsigned)(unsigned char)a | ((unsigned)(unsigned char)b << 8) | ((unsigned)(unsigned char)c << 16) |
           ((unsigned)(unsigned char)d << 24);
}
enum D3DFORMAT : unsigned {
    D3DFMT_UNKNOWN = 0,
    D3DFMT_R8G8B8 = 20, D3DFMT_A8R8G8B8 = 21, D3DFMT_X8R8G8B8 = 22, D3DFMT_R5G6B5 = 23,
    D3DFMT_X1R5G5B5 = 24, D3DFMT_A1R5G5B5 = 25, D3DFMT_A4R4G4B4 = 26, D3DFMT_A8 = 28,
    D3DFMT_A8B8G8R8 = 32, D3DFMT_X8B8G8R8 = 33,
    D3DFMT_L8 = 50, D3DFMT_A8L8 = 51,
    D3DFMT_D32 = 71, D3DFMT_D24S8 = 75, D3DFMT_D24X8 = 77, D3DFMT_D24X4S4 = 79, D3DFMT_D16 = 80,
    D3DFMT_INDEX16 = 101, D3DFMT_INDEX32 = 102,
    D3DFMT_DXT1 = GfxFourCC('D', 'X', 'T', '1'),
    D3DFMT_DXT3 = GfxFourCC('D', 'X', 'T', '3'),
    D3DFMT_DXT5 = GfxFourCC('D', 'X', 'T', '5'),
};
enum D3DPOOL : unsigned { D3DPOOL_DEFAULT = 0, D3DPOOL_MANAGED = 1, D3DPOOL_SYSTEMMEM = 2, D3DPOOL_SCRATCH = 3 };
enum : unsigned { D3DUSAGE_RENDERTARGET = 0x1, D3DUSAGE_DEPTHSTENCIL = 0x2, D3DUSAGE_DYNAMIC = 0x200 };
enum : unsigned { D3DLOCK_READONLY = 0x10, D3DLOCK_NOOVERWRITE = 0x1000, D3DLOCK_DISCARD = 0x2000 };
enum D3DMULTISAMPLE_TYPE : unsigned { D3DMULTISAMPLE_NONE = 0 };
enum D3DRESOURCETYPE : unsigned { D3DRTYPE_SURFACE = 1, D3DRTYPE_TEXTURE = 3 };

// ---- device creation ----
enum D3DDEVTYPE : unsigned { D3DDEVTYPE_HAL = 1, D3DDEVTYPE_REF = 2 };
enum : unsigned {
    D3DCREATE_FPU_PRESERVE = 0x02, D3DCREATE_MULTITHREADED = 0x04, D3DCREATE_PUREDEVICE = 0x10,
    D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x20, D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x40,
    D3DCREATE_MIXED_VERTEXPROCESSING = 0x80,
};
enum D3DSWAPEFFECT : unsigned { D3DSWAPEFFECT_DISCARD = 1, D3DSWAPEFFECT_FLIP = 2, D3DSWAPEFFECT_COPY = 3 };
enum : unsigned {
    D3DPRESENT_INTERVAL_DEFAULT = 0, D3DPRESENT_INTERVAL_ONE = 1, D3DPRESENT_INTERVAL_TWO = 2,
    D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000u,
};
enum : unsigned { D3DCLEAR_TARGET = 1, D3DCLEAR_ZBUFFER = 2, D3DCLEAR_STENCIL = 4 };
enum : unsigned { D3DADAPTER_DEFAULT = 0 };

constexpr unsigned D3DVS_VERSION(unsigned major, unsigned minor) { return 0xFFFE0000u | (major << 8) | minor; }
constexpr unsigned D3DPS_VERSION(unsigned major, unsigned minor) { return 0xFFFF0000u | (major << 8) | minor; }
constexpr unsigned D3DSHADER_VERSION_MAJOR(unsigned v) { return (v >> 8) & 0xFF; }
constexpr unsigned D3DSHADER_VERSION_MINOR(unsigned v) { return v & 0xFF; }

// ---- structures ----
struct D3DCOLORVALUE {
    float r = 0, g = 0, b = 0, a = 0;
};
enum D3DLIGHTTYPE : unsigned { D3DLIGHT_POINT = 1, D3DLIGHT_SPOT = 2, D3DLIGHT_DIRECTIONAL = 3 };
struct D3DLIGHT9 {
    D3DLIGHTTYPE Type = D3DLIGHT_POINT;
    D3DCOLORVALUE Diffuse, Specular, Ambient;
    Vec3 Position, Direction;
    float Range = 0, Falloff = 0;
    float Attenuation0 = 0, Attenuation1 = 0, Attenuation2 = 0;
    float Theta = 0, Phi = 0;
};
struct D3DMATERIAL9 {
    D3DCOLORVALUE Diffuse, Ambient, Specular, Emissive;
    float Power = 0;
};
using D3DVIEWPORT9 = Viewport;
struct D3DDISPLAYMODE {
    unsigned Width = 0, Height = 0, RefreshRate = 0;
    D3DFORMAT Format = D3DFMT_UNKNOWN;
};
struct D3DPRESENT_PARAMETERS {
    unsigned BackBufferWidth = 0, BackBufferHeight = 0;
    D3DFORMAT BackBufferFormat = D3DFMT_UNKNOWN;
    unsigned BackBufferCount = 0;
    D3DMULTISAMPLE_TYPE MultiSampleType = D3DMULTISAMPLE_NONE;
    unsigned MultiSampleQuality = 0;
    D3DSWAPEFFECT SwapEffect = D3DSWAPEFFECT_DISCARD;
    void* hDeviceWindow = nullptr; // the game's WindowHandle
    int Windowed = 0;
    int EnableAutoDepthStencil = 0;
    D3DFORMAT AutoDepthStencilFormat = D3DFMT_UNKNOWN;
    unsigned Flags = 0;
    unsigned FullScreen_RefreshRateInHz = 0;
    unsigned PresentationInterval = 0;
};
struct D3DCAPS9 {
    D3DDEVTYPE DeviceType = D3DDEVTYPE_HAL;
    unsigned VertexShaderVersion = 0;
    unsigned PixelShaderVersion = 0;
    unsigned MaxTextureWidth = 0, MaxTextureHeight = 0;
    unsigned MaxActiveLights = 0;
    unsigned MaxSimultaneousTextures = 0;
    unsigned MaxTextureBlendStages = 0;
};
struct D3DSURFACE_DESC {
    D3DFORMAT Format = D3DFMT_UNKNOWN;
    D3DRESOURCETYPE Type = D3DRTYPE_SURFACE;
    unsigned Usage = 0;
    D3DPOOL Pool = D3DPOOL_DEFAULT;
    unsigned Width = 0, Height = 0;
};
struct D3DLOCKED_RECT {
    int Pitch = 0;
    void* pBits = nullptr;
};
struct GfxRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// ---- objects ----
// Reference counted as Direct3D objects are: created with one reference, freed at zero.
class GfxResource {
public:
    unsigned AddRef() { return ++refs_; }
    unsigned Release()
    {
        unsigned left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }
    unsigned RefCount() const { return refs_; }

protected:
    GfxResource() = default;
    virtual ~GfxResource() = default;
    GfxResource(const GfxResource&) = delete;
    GfxResource& operator=(const GfxResource&) = delete;

private:
    unsigned refs_ = 1;
};

class GfxTexture;

// A colour target (the back buffer or a level of a render-target texture) or a depth surface.
class GfxSurface : public GfxResource {
public:
    virtual GfxResult GetDesc(D3DSURFACE_DESC* desc) = 0;
    // The texture this surface is a level of (no reference added), or null.
    virtual GfxTexture* OwnerTexture() = 0;
};

// A 2D texture. Managed textures keep their texels in memory (A8R8G8B8) and survive a reset.
class GfxTexture : public GfxResource {
public:
    virtual unsigned GetLevelCount() = 0;
    virtual GfxResult GetLevelDesc(unsigned level, D3DSURFACE_DESC* desc) = 0;
    // Level texels as 32-bit ARGB words, rows top to bottom.
    virtual GfxResult LockRect(unsigned level, D3DLOCKED_RECT* locked, const GfxRect* rect, unsigned flags) = 0;
    virtual GfxResult UnlockRect(unsigned level) = 0;
    virtual GfxResult GetSurfaceLevel(unsigned level, GfxSurface** surface) = 0;
};

class GfxVertexDeclaration : public GfxResource {
public:
    // The elements up to and without the end marker.
    virtual const D3DVERTEXELEMENT9* Elements(unsigned* count) = 0;
};

// A linked GLSL program of the effect framework. Uniforms are set by name; unknown names are ignored.
class GfxProgram : public GfxResource {
public:
    virtual void SetFloats(const char* name, const float* values, unsigned count) = 0;
    virtual void SetMatrix(const char* name, const Matrix& m) = 0;
    // Binds a texture to a sampler uniform on the given unit.
    virtual void SetSampler(const char* name, unsigned unit, GfxTexture* texture) = 0;
};

// Vertex attribute names the program sources use; the device binds them to the vertex data.
// in_Position, in_Normal, in_Diffuse, in_Specular, in_TexCoord0 .. in_TexCoord3, in_Tangent.

class GfxDevice : public GfxResource {
public:
    // Cooperative level and presentation.
    virtual GfxResult TestCooperativeLevel() = 0;
    virtual GfxResult Reset(D3DPRESENT_PARAMETERS* params) = 0;
    virtual GfxResult Present(const GfxRect* src, const GfxRect* dst, void* window, const void* dirty) = 0;
    virtual GfxResult BeginScene() = 0;
    virtual GfxResult EndScene() = 0;
    virtual GfxResult Clear(unsigned count, const GfxRect* rects, unsigned flags, unsigned colour, float z, unsigned stencil) = 0;
    virtual GfxResult GetDeviceCaps(D3DCAPS9* caps) = 0;

    // States.
    virtual GfxResult SetRenderState(D3DRENDERSTATETYPE state, unsigned value) = 0;
    virtual GfxResult GetRenderState(D3DRENDERSTATETYPE state, unsigned* value) = 0;
    virtual GfxResult SetTextureStageState(unsigned stage, D3DTEXTURESTAGESTATETYPE type, unsigned value) = 0;
    virtual GfxResult GetTextureStageState(unsigned stage, D3DTEXTURESTAGESTATETYPE type, unsigned* value) = 0;
    virtual GfxResult SetSamplerState(unsigned sampler, D3DSAMPLERSTATETYPE type, unsigned value) = 0;
    virtual GfxResult GetSamplerState(unsigned sampler, D3DSAMPLERSTATETYPE type, unsigned* value) = 0;
    virtual GfxResult SetTexture(unsigned stage, GfxTexture* texture) = 0;
    virtual GfxResult GetTexture(unsigned stage, GfxTexture** texture) = 0; // adds a reference
    virtual GfxResult SetTransform(D3DTRANSFORMSTATETYPE state, const Matrix* m) = 0;
    virtual GfxResult GetTransform(D3DTRANSFORMSTATETYPE state, Matrix* m) = 0;
    virtual GfxResult SetViewport(const D3DVIEWPORT9* vp) = 0;
    virtual GfxResult GetViewport(D3DVIEWPORT9* vp) = 0;
    virtual GfxResult SetLight(unsigned index, const D3DLIGHT9* light) = 0;
    virtual GfxResult GetLight(unsigned index, D3DLIGHT9* light) = 0;
    virtual GfxResult LightEnable(unsigned index, int enable) = 0;
    virtual GfxResult GetLightEnable(unsigned index, int* enable) = 0;
    virtual GfxResult SetMaterial(const D3DMATERIAL9* material) = 0;
    virtual GfxResult GetMaterial(D3DMATERIAL9* material) = 0;

    // Vertex formats and drawing from user memory.
    virtual GfxResult SetFVF(unsigned fvf) = 0;
    virtual GfxResult GetFVF(unsigned* fvf) = 0;
    virtual GfxResult CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements, GfxVertexDeclaration** decl) = 0;
    virtual GfxResult SetVertexDeclaration(GfxVertexDeclaration* decl) = 0;
    virtual GfxResult DrawPrimitiveUP(D3DPRIMITIVETYPE type, unsigned primitiveCount, const void* vertices, unsigned stride) = 0;
    virtual GfxResult DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, unsigned minVertexIndex, unsigned numVertices,
                                             unsigned primitiveCount, const void* indices, D3DFORMAT indexFormat,
                                             const void* vertices, unsigned stride) = 0;

    // Textures, render targets and depth surfaces.
    virtual GfxResult CreateTexture(unsigned width, unsigned height, unsigned levels, unsigned usage, D3DFORMAT format,
                                    D3DPOOL pool, GfxTexture** texture) = 0;
    virtual GfxResult CreateDepthStencilSurface(unsigned width, unsigned height, D3DFORMAT format,
                                                D3DMULTISAMPLE_TYPE multisample, unsigned quality, int discard,
                                                GfxSurface** surface) = 0;
    virtual GfxResult SetRenderTarget(unsigned index, GfxSurface* surface) = 0;
    virtual GfxResult GetRenderTarget(unsigned index, GfxSurface** surface) = 0;       // adds a reference
    virtual GfxResult SetDepthStencilSurface(GfxSurface* surface) = 0;
    virtual GfxResult GetDepthStencilSurface(GfxSurface** surface) = 0;               // adds a reference
    virtual GfxResult GetBackBuffer(unsigned swapChain, unsigned index, GfxSurface** surface) = 0; // adds a reference

    // Programs of the effect framework; while one is set, draws use it instead of the fixed pipeline.
    virtual GfxResult CreateProgram(const char* vertexSource, const char* pixelSource, GfxProgram** program,
                                    char* errors, unsigned errorsSize) = 0;
    virtual GfxResult SetProgram(GfxProgram* program) = 0;
};

// Adapter object, the first thing created: display modes, checks, caps and device creation.
class GfxSystem : public GfxResource {
public:
    virtual unsigned GetAdapterCount() = 0;
    virtual GfxResult GetAdapterDisplayMode(unsigned adapter, D3DDISPLAYMODE* mode) = 0;
    virtual unsigned GetAdapterModeCount(unsigned adapter, D3DFORMAT format) = 0;
    virtual GfxResult EnumAdapterModes(unsigned adapter, D3DFORMAT format, unsigned index, D3DDISPLAYMODE* mode) = 0;
    virtual GfxResult CheckDeviceType(unsigned adapter, D3DDEVTYPE type, D3DFORMAT displayFormat,
                                      D3DFORMAT backBufferFormat, int windowed) = 0;
    virtual GfxResult CheckDepthStencilMatch(unsigned adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                             D3DFORMAT renderTargetFormat, D3DFORMAT depthFormat) = 0;
    virtual GfxResult GetDeviceCaps(unsigned adapter, D3DDEVTYPE type, D3DCAPS9* caps) = 0;
    virtual GfxResult CreateDevice(unsigned adapter, D3DDEVTYPE type, void* focusWindow, unsigned flags,
                                   D3DPRESENT_PARAMETERS* params, GfxDevice** device) = 0;
};

enum class GfxBackend { Gl, Null };
// Chooses the backend of later GfxCreateSystem calls (default gl; KORVANE_GFX=null also picks null).
void GfxSelectBackend(GfxBackend backend);
GfxBackend GfxSelectedBackend();
// Direct3DCreate9 in our terms: null when the backend cannot start.
GfxSystem* GfxCreateSystem();
