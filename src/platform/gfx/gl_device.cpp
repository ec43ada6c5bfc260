#include "platform/gfx/gl_device.h"
#include "platform/gfx/gl_calls.h"
#include <sys/stat.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>
#include "platform/gfx/ff_shader.h"
#include "platform/gfx/image.h"
#include "platform/gfx/state_device.h"
#include "platform/gfx/stream_ring.h"
#include "platform/gfx/texture_base.h"
#include "platform/win/test_switches.h"
#include "platform/win/window_sdl.h"

unsigned long g_GlCallCount = 0;

namespace {

// What the context holds, so that a state goes to GL only when it changes. One context lives
// at a time; a new one starts with nothing known.
enum GlSlot : unsigned {
    S_DEPTH_TEST, S_BLEND, S_CULL, S_STENCIL_TEST, S_SCISSOR_TEST, S_DEPTH_FUNC, S_DEPTH_MASK, S_BLEND_FUNC,
    S_BLEND_EQ, S_CULL_FACE, S_FRONT_FACE, S_POLYGON, S_COLOR_MASK, S_STENCIL_FUNC, S_STENCIL_OP, S_STENCIL_MASK,
    S_VIEWPORT, S_DEPTH_RANGE, S_SCISSOR, S_ACTIVE_TEXTURE, S_DRAW_FBO, S_READ_FBO, S_PROGRAM, S_CLEAR_COLOR,
    S_CLEAR_DEPTH, S_CLEAR_STENCIL, S_FBO_COLOR, S_FBO_DEPTH,
    S_TEXTURE0, S_SAMPLER0 = S_TEXTURE0 + 8, S_SAMPLER_STATE0 = S_SAMPLER0 + 8,
};
GfxSentStates g_gl;

void Cap(unsigned slot, GLenum cap, bool on)
{
    if (g_gl.Differs(slot, on ? 1u : 0u)) {
        if (on)
            glEnable(cap);
        else
            glDisable(cap);
    }
}

void UseProgram(GLuint id)
{
    if (g_gl.Differs(S_PROGRAM, id))
        glUseProgram(id);
}

void ActiveTexture(unsigned unit)
{
    if (g_gl.Differs(S_ACTIVE_TEXTURE, unit))
        glActiveTexture(GL_TEXTURE0 + unit);
}

void BindTexture(unsigned unit, GLuint handle)
{
    if (g_gl.Differs(S_TEXTURE0 + unit, handle)) {
        ActiveTexture(unit);
        glBindTexture(GL_TEXTURE_2D, handle);
    }
}

void BindSampler(unsigned unit, GLuint sampler)
{
    if (g_gl.Differs(S_SAMPLER0 + unit, sampler))
        glBindSampler(unit, sampler);
}

// GL_FRAMEBUFFER binds both the draw and the read framebuffer.
void BindFramebuffer(GLenum target, GLuint fbo)
{
    const bool draw = target != GL_READ_FRAMEBUFFER && g_gl.Differs(S_DRAW_FBO, fbo);
    const bool read = target != GL_DRAW_FRAMEBUFFER && g_gl.Differs(S_READ_FBO, fbo);
    if (draw && read)
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    else if (draw)
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo);
    else if (read)
        glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
}

void ColorMask(unsigned mask)
{
    if (g_gl.Differs(S_COLOR_MASK, mask))
        glColorMask(mask & 1 ? GL_TRUE : GL_FALSE, mask & 2 ? GL_TRUE : GL_FALSE, mask & 4 ? GL_TRUE : GL_FALSE,
                    mask & 8 ? GL_TRUE : GL_FALSE);
}

void DepthMask(bool on)
{
    if (g_gl.Differs(S_DEPTH_MASK, on ? 1u : 0u))
        glDepthMask(on ? GL_TRUE : GL_FALSE);
}

void StencilMask(unsigned mask)
{
    if (g_gl.Differs(S_STENCIL_MASK, mask))
        glStencilMask(mask);
}

void ScissorBox(int x, int y, int w, int h)
{
    if (g_gl.Differs(S_SCISSOR, (uint32_t)x, (uint32_t)y, (uint32_t)w, (uint32_t)h))
        glScissor(x, y, w, h);
}

// GL unbinds a deleted texture from every unit. A framebuffer that is not bound keeps it
// attached, and the name may come back for a new texture: the attachment is sent again.
void TextureDeleted(GLuint handle)
{
    for (unsigned u = 0; u < 8; ++u)
        if (g_gl.Holds(S_TEXTURE0 + u, handle))
            g_gl.Assume(S_TEXTURE0 + u, 0);
    g_gl.Forget(S_FBO_COLOR);
}

void UploadMatrix(GLint loc, const Matrix& m)
{
    // Row-major rows as GLSL rows, so "row vector * matrix" reads as the game writes it.
    if (loc >= 0)
        glUniformMatrix4fv(loc, 1, GL_TRUE, &m.m[0][0]);
}

GLuint CompileShader(GLenum type, const char* src, std::string* log)
{
    GLuint sh = glCreateShader(type);
    glShaderSource(sh, 1, &src, nullptr);
    glCompileShader(sh);
    GLint ok = 0;
    glGetShaderiv(sh, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char buf[4096] = {};
        glGetShaderInfoLog(sh, sizeof(buf) - 1, nullptr, buf);
        *log += type == GL_VERTEX_SHADER ? "vertex shader: " : "pixel shader: ";
        *log += buf;
        glDeleteShader(sh);
        return 0;
    }
    return sh;
}

GLuint LinkProgram(const char* vs, const char* fs, std::string* log)
{
    GLuint v = CompileShader(GL_VERTEX_SHADER, vs, log);
    if (!v)
        return 0;
    GLuint f = CompileShader(GL_FRAGMENT_SHADER, fs, log);
    if (!f) {
        glDeleteShader(v);
        return 0;
    }
    GLuint p = glCreateProgram();
    glAttachShader(p, v);
    glAttachShader(p, f);
    for (unsigned i = 0; i < ATTR_COUNT; ++i)
        glBindAttribLocation(p, i, g_GfxAttribNames[i]);
    glBindFragDataLocation(p, 0, "fx_Color");
    glLinkProgram(p);
    glDeleteShader(v);
    glDeleteShader(f);
    GLint ok = 0;
    glGetProgramiv(p, GL_LINK_STATUS, &ok);
    if (!ok) {
        char buf[4096] = {};
        glGetProgramInfoLog(p, sizeof(buf) - 1, nullptr, buf);
        *log += "link: ";
        *log += buf;
        glDeleteProgram(p);
        return 0;
    }
    return p;
}

class GlTexture : public GfxTextureBase {
public:
    GlTexture(unsigned w, unsigned h, unsigned levels, unsigned usage, D3DFORMAT format, D3DPOOL pool)
        : GfxTextureBase(w, h, levels, usage, format, pool)
    {
        // Storage only: the loader's unlock of each level is its one upload, and GL keeps
        // the texels (a context is never lost), so no copy stays in memory.
        keepTexels = false;
        glGenTextures(1, &handle);
        BindTexture(0, handle);
        for (unsigned i = 0; i < GetLevelCount(); ++i)
            glTexImage2D(GL_TEXTURE_2D, (GLint)i, GL_RGBA8, (GLsizei)Width(i), (GLsizei)Height(i), 0, GL_BGRA,
                         GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, (GLint)GetLevelCount() - 1);
    }

protected:
    ~GlTexture() override
    {
        if (framebuffer)
            glDeleteFramebuffers(1, &framebuffer);
        glDeleteTextures(1, &handle);
        TextureDeleted(handle);
    }
    void UploadLevel(unsigned level) override
    {
        BindTexture(0, handle);
        glTexSubImage2D(GL_TEXTURE_2D, (GLint)level, 0, 0, (GLsizei)Width(level), (GLsizei)Height(level), GL_BGRA,
                        GL_UNSIGNED_INT_8_8_8_8_REV, Texels(level).data());
    }
    void DownloadLevel(unsigned level) override
    {
        BindTexture(0, handle);
        glGetTexImage(GL_TEXTURE_2D, (GLint)level, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, Texels(level).data());
    }
};

class GlDepthSurface : public GfxSurfaceBase {
public:
    GlDepthSurface(const D3DSURFACE_DESC& d) : GfxSurfaceBase(d, nullptr, 0)
    {
        glGenRenderbuffers(1, &handle);
        glBindRenderbuffer(GL_RENDERBUFFER, handle);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, (GLsizei)d.Width, (GLsizei)d.Height);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
    }

protected:
    ~GlDepthSurface() override
    {
        glDeleteRenderbuffers(1, &handle);
        g_gl.Forget(S_FBO_DEPTH); // as a deleted texture's attachment
    }
};

class GlProgram : public GfxProgram {
public:
    explicit GlProgram(GLuint id) : id_(id) {}
    GLuint Id() const { return id_; }
    void SetFloats(const char* name, const float* v, unsigned count) override
    {
        const Uniform* u = Find(name);
        if (!u || !sent_.Differs(u->slot, v, sizeof(float) * (count < 4 ? count : 4)))
            return;
        UseProgram(id_);
        switch (count) {
        case 1: glUniform1fv(u->loc, 1, v); break;
        case 2: glUniform2fv(u->loc, 1, v); break;
        case 3: glUniform3fv(u->loc, 1, v); break;
        default: glUniform4fv(u->loc, 1, v); break;
        }
    }
    void SetMatrix(const char* name, const Matrix& m) override
    {
        const Uniform* u = Find(name);
        if (!u || !sent_.Differs(u->slot, &m, sizeof m))
            return;
        UseProgram(id_);
        UploadMatrix(u->loc, m);
    }
    void SetSampler(const char* name, unsigned unit, GfxTexture* texture) override
    {
        const Uniform* u = Find(name);
        if (!u)
            return;
        if (sent_.Differs(u->slot, unit)) {
            UseProgram(id_);
            glUniform1i(u->loc, (GLint)unit);
        }
        BindTexture(unit, texture ? static_cast<GfxTextureBase*>(texture)->handle : 0);
        samplerUnits |= 1u << unit;
    }
    unsigned samplerUnits = 0; // units this program's textures use

protected:
    ~GlProgram() override
    {
        if (g_gl.Holds(S_PROGRAM, id_)) {
            glUseProgram(0);
            g_gl.Assume(S_PROGRAM, 0);
        }
        glDeleteProgram(id_);
    }

private:
    struct Uniform {
        GLint loc;
        unsigned slot;
    };
    // Null for a name the program does not use.
    const Uniform* Find(const char* name)
    {
        auto it = locs_.find(std::string_view(name));
        if (it == locs_.end())
            it = locs_.emplace(name, Uniform{glGetUniformLocation(id_, name), (unsigned)locs_.size()}).first;
        return it->second.loc >= 0 ? &it->second : nullptr;
    }
    GLuint id_;
    std::map<std::string, Uniform, std::less<>> locs_;
    GfxSentStates sent_; // the values this program's uniforms hold
};

struct FFProgram {
    GLuint id = 0;
    GLint world, view, proj, targetSize, flipY, pixelOffset, matDiffuse, matAmbient, matSpecular, matEmissive,
        matPower, globalAmbient, lightDiffuse, lightSpecular, lightAmbient, lightPos, lightDir,
        lightAtten, tfactor, alphaRef, tex[FF_MAX_STAGES];
    unsigned lights = 0; // lights its shader handles
    GfxSentStates sent; // the values its uniforms hold
};

// Uniforms of the fixed-function programs, as slots of their shadow.
enum FFUniform : unsigned {
    U_WORLD, U_VIEW, U_PROJ, U_TARGET, U_FLIP, U_PIXEL_OFFSET, U_MAT_DIFFUSE, U_MAT_AMBIENT, U_MAT_SPECULAR,
    U_MAT_EMISSIVE, U_MAT_POWER, U_AMBIENT, U_TFACTOR, U_ALPHA_REF, U_LIGHTS,
};

struct FFLights {
    int count = 0;
    float diff[FF_MAX_LIGHTS * 4] = {}, spec[FF_MAX_LIGHTS * 4] = {}, amb[FF_MAX_LIGHTS * 4] = {};
    float pos[FF_MAX_LIGHTS * 3] = {}, dir[FF_MAX_LIGHTS * 3] = {}, att[FF_MAX_LIGHTS * 4] = {};
};

// Stream buffer sizes; a frame of the busiest scenes fits several times over.
constexpr size_t kVertexStreamBytes = 2u << 20;
constexpr size_t kIndexStreamBytes = 1u << 20;

GLenum CompareFunc(unsigned f)
{
    static const GLenum m[] = {GL_ALWAYS, GL_NEVER, GL_LESS, GL_EQUAL, GL_LEQUAL, GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
    return f <= 8 ? m[f] : GL_ALWAYS;
}

GLenum BlendFactor(unsigned b)
{
    switch (b) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
    }
}

GLenum BlendOp(unsigned op)
{
    switch (op) {
    case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN: return GL_MIN;
    case D3DBLENDOP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
    }
}

GLenum StencilOp(unsigned op)
{
    switch (op) {
    case D3DSTENCILOP_ZERO: return GL_ZERO;
    case D3DSTENCILOP_REPLACE: return GL_REPLACE;
    case D3DSTENCILOP_INCRSAT: return GL_INCR;
    case D3DSTENCILOP_DECRSAT: return GL_DECR;
    case D3DSTENCILOP_INVERT: return GL_INVERT;
    case D3DSTENCILOP_INCR: return GL_INCR_WRAP;
    case D3DSTENCILOP_DECR: return GL_DECR_WRAP;
    default: return GL_KEEP;
    }
}

GLint AddressMode(unsigned a)
{
    switch (a) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    case D3DTADDRESS_MIRRORONCE: return GL_MIRRORED_REPEAT;
    default: return GL_REPEAT;
    }
}

Vec3 TransformPoint(const Vec3& p, const Matrix& m) { return Vec3TransformCoord(p, m); }

class GlDevice : public GfxStateDevice {
public:
    GlDevice(SDL_Window* window, SDL_GLContext context, const D3DPRESENT_PARAMETERS& params)
        : window_(window), context_(context)
    {
        InitState(params);
        backBuffer_ = GfxSurfaceBase::NewBackBuffer(params.BackBufferFormat, params.BackBufferWidth,
                                                    params.BackBufferHeight);
        autoDepth_ = GfxSurfaceBase::NewAutoDepth(params.AutoDepthStencilFormat, params.BackBufferWidth,
                                                  params.BackBufferHeight);
        state_.renderTarget = backBuffer_;
        backBuffer_->AddRef();
        state_.depthStencil = autoDepth_;
        autoDepth_->AddRef();

        g_gl.ForgetAll();
        // One vertex array, bound for the device's life, over the two stream buffers.
        glGenVertexArrays(1, &vao_);
        glBindVertexArray(vao_);
        glGenBuffers(1, &vbo_);
        glGenBuffers(1, &ebo_);
        glBindBuffer(GL_ARRAY_BUFFER, vbo_);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ebo_);
        glGenSamplers(FF_MAX_STAGES, samplers_);
        glGenSamplers(1, &effectSampler_);
        glSamplerParameteri(effectSampler_, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glSamplerParameteri(effectSampler_, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glGenFramebuffers(1, &fbo_);
        glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        ApplyPresentParams(params);
        MakeBackBuffer(params.BackBufferWidth, params.BackBufferHeight);

        const char* dir = std::getenv("KORVANE_SCREENSHOT");
        if (dir && *dir) {
            shotDir_ = dir;
            shotFrames_ = GfxParseFrameList(std::getenv("KORVANE_SHOT_FRAMES"));
            std::sort(shotFrames_.begin(), shotFrames_.end());
            // A device made again (a new video mode) leaves the frames already passed to the old one.
            while (nextShot_ < shotFrames_.size() && shotFrames_[nextShot_] <= PlatformFrameCount())
                ++nextShot_;
        }
    }

    GfxResult Present(const GfxRect*, const GfxRect*, void*, const void*) override
    {
        if (DeviceIsLost())
            return D3DERR_DEVICELOST;
        // Shots go by the platform's frame count, which also counts the loading passes that
        // present nothing: a shot asked for such a frame is this picture, under its own number.
        const unsigned frame = PlatformFrameCount() + 1;
        std::vector<unsigned> due;
        while (nextShot_ < shotFrames_.size() && shotFrames_[nextShot_] <= frame) {
            if (due.empty() || due.back() != shotFrames_[nextShot_])
                due.push_back(shotFrames_[nextShot_]);
            ++nextShot_;
        }
        if (!shotDir_.empty() && !due.empty())
            Screenshot(due);
        ShowBackBuffer();
        SDL_GL_SwapWindow(window_);
        FrameDone();
        return D3D_OK;
    }

    GfxResult Clear(unsigned count, const GfxRect* rects, unsigned flags, unsigned colour, float z, unsigned stencil) override
    {
        BindTarget();
        ColorMask(0xF);
        DepthMask(true);
        StencilMask(0xFF);
        Cap(S_SCISSOR_TEST, GL_SCISSOR_TEST, true);
        GLbitfield mask = 0;
        if (flags & D3DCLEAR_TARGET) {
            mask |= GL_COLOR_BUFFER_BIT;
            if (g_gl.Differs(S_CLEAR_COLOR, colour))
                glClearColor(((colour >> 16) & 0xFF) / 255.0f, ((colour >> 8) & 0xFF) / 255.0f,
                             (colour & 0xFF) / 255.0f, ((colour >> 24) & 0xFF) / 255.0f);
        }
        if (flags & D3DCLEAR_ZBUFFER) {
            mask |= GL_DEPTH_BUFFER_BIT;
            if (g_gl.Differs(S_CLEAR_DEPTH, GfxFloatBits(z)))
                glClearDepth(z);
        }
        if (flags & D3DCLEAR_STENCIL) {
            mask |= GL_STENCIL_BUFFER_BIT;
            if (g_gl.Differs(S_CLEAR_STENCIL, stencil))
                glClearStencil((GLint)stencil);
        }
        const D3DVIEWPORT9& vp = state_.viewport;
        if (count && rects) {
            for (unsigned i = 0; i < count; ++i) {
                const GfxRect& r = rects[i];
                Scissor(r.left, r.top, r.right - r.left, r.bottom - r.top);
                glClear(mask);
            }
        } else {
            Scissor((int)vp.x, (int)vp.y, (int)vp.width, (int)vp.height);
            glClear(mask);
        }
        // Draws set the scissor test as they need it.
        return D3D_OK;
    }

    GfxResult GetDeviceCaps(D3DCAPS9* caps) override
    {
        if (!caps)
            return D3DERR_INVALIDCALL;
        *caps = D3DCAPS9();
        caps->VertexShaderVersion = D3DVS_VERSION(3, 0);
        caps->PixelShaderVersion = D3DPS_VERSION(3, 0);
        GLint maxTex = 2048;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTex);
        caps->MaxTextureWidth = caps->MaxTextureHeight = (unsigned)maxTex;
        caps->MaxActiveLights = FF_MAX_LIGHTS;
        caps->MaxSimultaneousTextures = FF_MAX_STAGES;
        caps->MaxTextureBlendStages = FF_MAX_STAGES;
        return D3D_OK;
    }

    GfxResult CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements, GfxVertexDeclaration** decl) override
    {
        if (!elements || !decl)
            return D3DERR_INVALIDCALL;
        *decl = new GfxVertexDeclarationBase(elements);
        return D3D_OK;
    }

    GfxResult DrawPrimitiveUP(D3DPRIMITIVETYPE type, unsigned count, const void* vertices, unsigned stride) override
    {
        if (!vertices || !count || !stride)
            return D3DERR_INVALIDCALL;
        unsigned n = VertexCount(type, count);
        size_t first = 0;
        if (!Prepare(vertices, (size_t)n * stride, stride, &first))
            return D3DERR_INVALIDCALL;
        glDrawArrays(PrimitiveMode(type), (GLint)first, (GLsizei)n);
        ++draws_;
        return D3D_OK;
    }

    GfxResult DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, unsigned minIndex, unsigned numVertices, unsigned count,
                                     const void* indices, D3DFORMAT indexFormat, const void* vertices,
                                     unsigned stride) override
    {
        if (!vertices || !indices || !count || !stride)
            return D3DERR_INVALIDCALL;
        unsigned n = VertexCount(type, count);
        size_t isize = indexFormat == D3DFMT_INDEX32 ? 4 : 2;
        size_t first = 0;
        if (!Prepare(vertices, (size_t)(minIndex + numVertices) * stride, stride, &first))
            return D3DERR_INVALIDCALL;
        const size_t at = Stream(GL_ELEMENT_ARRAY_BUFFER, indexRing_, indices, n * isize, isize);
        glDrawElementsBaseVertex(PrimitiveMode(type), (GLsizei)n, isize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                                 (const void*)at, (GLint)first);
        ++draws_;
        return D3D_OK;
    }

    GfxResult CreateTexture(unsigned w, unsigned h, unsigned levels, unsigned usage, D3DFORMAT format, D3DPOOL pool,
                            GfxTexture** texture) override
    {
        if (!texture || !w || !h || w > 8192 || h > 8192)
            return D3DERR_INVALIDCALL;
        if (usage & D3DUSAGE_RENDERTARGET)
            levels = 1;
        *texture = new GlTexture(w, h, levels, usage, format, pool);
        return D3D_OK;
    }

    GfxResult CreateDepthStencilSurface(unsigned w, unsigned h, D3DFORMAT format, D3DMULTISAMPLE_TYPE, unsigned, int,
                                        GfxSurface** surface) override
    {
        if (!surface || !w || !h)
            return D3DERR_INVALIDCALL;
        D3DSURFACE_DESC d;
        d.Format = format;
        d.Usage = D3DUSAGE_DEPTHSTENCIL;
        d.Width = w;
        d.Height = h;
        *surface = new GlDepthSurface(d);
        return D3D_OK;
    }

    GfxResult CreateProgram(const char* vs, const char* fs, GfxProgram** program, char* errors,
                            unsigned errorsSize) override
    {
        if (!program || !vs || !fs)
            return D3DERR_INVALIDCALL;
        *program = nullptr;
        std::string log;
        GLuint id = LinkProgram(vs, fs, &log);
        if (!id) {
            if (errors && errorsSize)
                std::snprintf(errors, errorsSize, "%s", log.c_str());
            return E_FAIL;
        }
        *program = new GlProgram(id);
        return D3D_OK;
    }

protected:
    ~GlDevice() override
    {
        ReleaseBindings();
        backBuffer_->Release();
        autoDepth_->Release();
        glUseProgram(0);
        for (auto& p : ffPrograms_)
            glDeleteProgram(p.second.id);
        glDeleteSamplers(FF_MAX_STAGES, samplers_);
        glDeleteSamplers(1, &effectSampler_);
        glDeleteFramebuffers(1, &fbo_);
        glDeleteFramebuffers(1, &backFbo_);
        glDeleteRenderbuffers(1, &backColor_);
        glDeleteRenderbuffers(1, &backDepth_);
        glDeleteBuffers(1, &vbo_);
        glDeleteBuffers(1, &ebo_);
        glDeleteVertexArrays(1, &vao_);
        SDL_GL_MakeCurrent(window_, nullptr);
        SDL_GL_DeleteContext(context_);
        g_gl.ForgetAll();
    }

    GfxResult OnReset(D3DPRESENT_PARAMETERS* params) override
    {
        D3DSURFACE_DESC d;
        backBuffer_->GetDesc(&d);
        backBuffer_->Release();
        backBuffer_ = GfxSurfaceBase::NewBackBuffer(d.Format, params->BackBufferWidth, params->BackBufferHeight);
        ApplyPresentParams(*params);
        MakeBackBuffer(params->BackBufferWidth, params->BackBufferHeight);
        return D3D_OK;
    }
    GfxSurface* BackBufferSurface() override { return backBuffer_; }
    GfxSurface* AutoDepthSurface() override { return autoDepth_; }

public:
    GfxDeviceCounts Counts() const override
    {
        GfxDeviceCounts c;
        c.draws = draws_;
        c.driverCalls = g_GlCallCount;
        c.streamWraps = vertexRing_.Wraps() + indexRing_.Wraps();
        return c;
    }

private:
    // The back buffer is a framebuffer object of exactly the requested size, copied to the
    // window at each Present. The window system resizes the window's own buffers late (the
    // first frames after a mode change would be cut to the old size) and the screenshots
    // must hold exactly what each Present showed.
    void MakeBackBuffer(unsigned w, unsigned h)
    {
        if (!backFbo_) {
            glGenFramebuffers(1, &backFbo_);
            glGenRenderbuffers(1, &backColor_);
            glGenRenderbuffers(1, &backDepth_);
        }
        backW_ = w ? w : 1;
        backH_ = h ? h : 1;
        glBindRenderbuffer(GL_RENDERBUFFER, backColor_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, (GLsizei)backW_, (GLsizei)backH_);
        glBindRenderbuffer(GL_RENDERBUFFER, backDepth_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, (GLsizei)backW_, (GLsizei)backH_);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
        BindFramebuffer(GL_FRAMEBUFFER, backFbo_);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, backColor_);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, backDepth_);
        if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
            std::fprintf(stderr, "gfx: back buffer %ux%u incomplete\n", backW_, backH_);
        // A new back buffer starts black, as a new window does.
        Cap(S_SCISSOR_TEST, GL_SCISSOR_TEST, false);
        ColorMask(0xF);
        DepthMask(true);
        StencilMask(0xFF);
        if (g_gl.Differs(S_CLEAR_COLOR, 0xFF000000u))
            glClearColor(0, 0, 0, 1);
        if (g_gl.Differs(S_CLEAR_DEPTH, GfxFloatBits(1.0f)))
            glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    }

    // Copies the back buffer to the window, stretched to the window's drawable size.
    void ShowBackBuffer()
    {
        int dw = 0, dh = 0;
        SDL_GL_GetDrawableSize(window_, &dw, &dh);
        if (dw <= 0 || dh <= 0) {
            dw = (int)backW_;
            dh = (int)backH_;
        }
        BindFramebuffer(GL_READ_FRAMEBUFFER, backFbo_);
        BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        Cap(S_SCISSOR_TEST, GL_SCISSOR_TEST, false);
        ColorMask(0xF);
        const bool same = dw == (int)backW_ && dh == (int)backH_;
        glBlitFramebuffer(0, 0, (GLint)backW_, (GLint)backH_, 0, 0, dw, dh, GL_COLOR_BUFFER_BIT,
                          same ? GL_NEAREST : GL_LINEAR);
    }

    void ApplyPresentParams(const D3DPRESENT_PARAMETERS& p)
    {
        if (p.Windowed) {
            SDL_SetWindowFullscreen(window_, 0);
            SDL_SetWindowSize(window_, (int)p.BackBufferWidth, (int)p.BackBufferHeight);
        } else {
            SDL_DisplayMode mode;
            if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
                mode.w = (int)p.BackBufferWidth;
                mode.h = (int)p.BackBufferHeight;
                mode.refresh_rate = (int)p.FullScreen_RefreshRateInHz;
                SDL_SetWindowDisplayMode(window_, &mode);
            }
            SDL_SetWindowSize(window_, (int)p.BackBufferWidth, (int)p.BackBufferHeight);
            SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN);
        }
        int interval = p.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0
                       : p.PresentationInterval == D3DPRESENT_INTERVAL_TWO    ? 2
                                                                              : 1;
        if (SDL_GL_SetSwapInterval(interval) != 0 && interval == 2)
            SDL_GL_SetSwapInterval(1);
    }

    static unsigned VertexCount(D3DPRIMITIVETYPE type, unsigned n)
    {
        switch (type) {
        case D3DPT_POINTLIST: return n;
        case D3DPT_LINELIST: return n * 2;
        case D3DPT_LINESTRIP: return n + 1;
        case D3DPT_TRIANGLELIST: return n * 3;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN: return n + 2;
        }
        return 0;
    }
    static GLenum PrimitiveMode(D3DPRIMITIVETYPE type)
    {
        switch (type) {
        case D3DPT_POINTLIST: return GL_POINTS;
        case D3DPT_LINELIST: return GL_LINES;
        case D3DPT_LINESTRIP: return GL_LINE_STRIP;
        case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
        case D3DPT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
        default: return GL_TRIANGLES;
        }
    }

    // Size of the current target and whether it is a texture (drawn upside down).
    void TargetInfo(unsigned* w, unsigned* h, bool* flipped)
    {
        D3DSURFACE_DESC d;
        state_.renderTarget->GetDesc(&d);
        *w = d.Width;
        *h = d.Height;
        *flipped = !static_cast<GfxSurfaceBase*>(state_.renderTarget)->isBackBuffer;
    }

    void BindTarget()
    {
        auto* rt = static_cast<GfxSurfaceBase*>(state_.renderTarget);
        if (rt->isBackBuffer) {
            BindFramebuffer(GL_FRAMEBUFFER, backFbo_);
            return;
        }
        GfxTextureBase* tex = static_cast<GfxTextureBase*>(rt->OwnerTexture());
        auto* ds = static_cast<GfxSurfaceBase*>(state_.depthStencil);
        GLuint depth = ds && ds != autoDepth_ ? ds->handle : 0;
        BindFramebuffer(GL_FRAMEBUFFER, fbo_);
        if (g_gl.Differs(S_FBO_COLOR, tex->handle, rt->Level()))
            glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tex->handle,
                                   (GLint)rt->Level());
        if (g_gl.Differs(S_FBO_DEPTH, depth))
            glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth);
    }

    void Scissor(int x, int y, int w, int h)
    {
        unsigned tw, th;
        bool flipped;
        TargetInfo(&tw, &th, &flipped);
        ScissorBox(x, flipped ? y : (int)th - (y + h), w, h);
    }

    void Viewport(bool rhw)
    {
        unsigned tw, th;
        bool flipped;
        TargetInfo(&tw, &th, &flipped);
        const D3DVIEWPORT9& vp = state_.viewport;
        GLint x = 0, y = 0;
        GLsizei w = (GLsizei)tw, h = (GLsizei)th;
        float zn = 0.0f, zf = 1.0f;
        if (!rhw) {
            x = (GLint)vp.x;
            y = flipped ? (GLint)vp.y : (GLint)th - (GLint)(vp.y + vp.height);
            w = (GLsizei)vp.width;
            h = (GLsizei)vp.height;
            zn = vp.minZ;
            zf = vp.maxZ;
        }
        // Pre-transformed vertices address the whole target; the viewport only clips.
        if (g_gl.Differs(S_VIEWPORT, (uint32_t)x, (uint32_t)y, (uint32_t)w, (uint32_t)h))
            glViewport(x, y, w, h);
        if (g_gl.Differs(S_DEPTH_RANGE, GfxFloatBits(zn), GfxFloatBits(zf)))
            glDepthRange(zn, zf);
        Cap(S_SCISSOR_TEST, GL_SCISSOR_TEST, rhw);
        if (rhw)
            Scissor((int)vp.x, (int)vp.y, (int)vp.width, (int)vp.height);
    }

    void ApplyRenderStates(bool flipped)
    {
        const unsigned* rs = state_.rs;
        Cap(S_DEPTH_TEST, GL_DEPTH_TEST, rs[D3DRS_ZENABLE] != 0);
        if (g_gl.Differs(S_DEPTH_FUNC, CompareFunc(rs[D3DRS_ZFUNC])))
            glDepthFunc(CompareFunc(rs[D3DRS_ZFUNC]));
        DepthMask(rs[D3DRS_ZWRITEENABLE] != 0);
        Cap(S_BLEND, GL_BLEND, rs[D3DRS_ALPHABLENDENABLE] != 0);
        if (rs[D3DRS_ALPHABLENDENABLE]) {
            const bool separate = rs[D3DRS_SEPARATEALPHABLENDENABLE] != 0;
            const GLenum src = BlendFactor(rs[D3DRS_SRCBLEND]), dst = BlendFactor(rs[D3DRS_DESTBLEND]);
            const GLenum srcA = separate ? BlendFactor(rs[D3DRS_SRCBLENDALPHA]) : src;
            const GLenum dstA = separate ? BlendFactor(rs[D3DRS_DESTBLENDALPHA]) : dst;
            const GLenum op = BlendOp(rs[D3DRS_BLENDOP]), opA = separate ? BlendOp(rs[D3DRS_BLENDOPALPHA]) : op;
            if (g_gl.Differs(S_BLEND_FUNC, src, dst, srcA, dstA))
                glBlendFuncSeparate(src, dst, srcA, dstA);
            if (g_gl.Differs(S_BLEND_EQ, op, opA))
                glBlendEquationSeparate(op, opA);
        }
        unsigned cull = rs[D3DRS_CULLMODE];
        const bool culling = cull == D3DCULL_CW || cull == D3DCULL_CCW;
        Cap(S_CULL, GL_CULL_FACE, culling);
        if (culling) {
            if (g_gl.Differs(S_CULL_FACE, GL_BACK))
                glCullFace(GL_BACK);
            // The image of a texture target is upside down, which turns the winding round.
            bool cullCw = (cull == D3DCULL_CW) != flipped;
            if (g_gl.Differs(S_FRONT_FACE, cullCw ? GL_CCW : GL_CW))
                glFrontFace(cullCw ? GL_CCW : GL_CW);
        }
        unsigned fill = rs[D3DRS_FILLMODE];
        const GLenum mode = fill == D3DFILL_WIREFRAME ? GL_LINE : fill == D3DFILL_POINT ? GL_POINT : GL_FILL;
        if (g_gl.Differs(S_POLYGON, mode))
            glPolygonMode(GL_FRONT_AND_BACK, mode);
        ColorMask(rs[D3DRS_COLORWRITEENABLE] & 0xF);
        Cap(S_STENCIL_TEST, GL_STENCIL_TEST, rs[D3DRS_STENCILENABLE] != 0);
        if (rs[D3DRS_STENCILENABLE]) {
            const GLenum func = CompareFunc(rs[D3DRS_STENCILFUNC]);
            if (g_gl.Differs(S_STENCIL_FUNC, func, rs[D3DRS_STENCILREF], rs[D3DRS_STENCILMASK]))
                glStencilFunc(func, (GLint)rs[D3DRS_STENCILREF], rs[D3DRS_STENCILMASK]);
            const GLenum fail = StencilOp(rs[D3DRS_STENCILFAIL]), zfail = StencilOp(rs[D3DRS_STENCILZFAIL]),
                         pass = StencilOp(rs[D3DRS_STENCILPASS]);
            if (g_gl.Differs(S_STENCIL_OP, fail, zfail, pass))
                glStencilOp(fail, zfail, pass);
            StencilMask(rs[D3DRS_STENCILWRITEMASK]);
        }
    }

    void ApplySampler(unsigned s)
    {
        const unsigned* p = state_.samp[s];
        if (!g_gl.Differs(S_SAMPLER_STATE0 + s, p, sizeof(unsigned) * GFX_SAMP_COUNT))
            return;
        GLuint smp = samplers_[s];
        unsigned minf = p[D3DSAMP_MINFILTER], mip = p[D3DSAMP_MIPFILTER];
        GLint min;
        if (mip == D3DTEXF_NONE)
            min = minf == D3DTEXF_POINT ? GL_NEAREST : GL_LINEAR;
        else if (mip == D3DTEXF_POINT)
            min = minf == D3DTEXF_POINT ? GL_NEAREST_MIPMAP_NEAREST : GL_LINEAR_MIPMAP_NEAREST;
        else
            min = minf == D3DTEXF_POINT ? GL_NEAREST_MIPMAP_LINEAR : GL_LINEAR_MIPMAP_LINEAR;
        glSamplerParameteri(smp, GL_TEXTURE_MIN_FILTER, min);
        glSamplerParameteri(smp, GL_TEXTURE_MAG_FILTER, p[D3DSAMP_MAGFILTER] == D3DTEXF_POINT ? GL_NEAREST : GL_LINEAR);
        glSamplerParameteri(smp, GL_TEXTURE_WRAP_S, AddressMode(p[D3DSAMP_ADDRESSU]));
        glSamplerParameteri(smp, GL_TEXTURE_WRAP_T, AddressMode(p[D3DSAMP_ADDRESSV]));
        glSamplerParameterf(smp, GL_TEXTURE_LOD_BIAS, GfxBitsFloat(p[D3DSAMP_MIPMAPLODBIAS]));
        unsigned b = p[D3DSAMP_BORDERCOLOR];
        float border[4] = {((b >> 16) & 0xFF) / 255.0f, ((b >> 8) & 0xFF) / 255.0f, (b & 0xFF) / 255.0f,
                           ((b >> 24) & 0xFF) / 255.0f};
        glSamplerParameterfv(smp, GL_TEXTURE_BORDER_COLOR, border);
    }

    // Writes a draw's bytes into the next range of a stream buffer; the range's offset.
    size_t Stream(GLenum target, GfxStreamRing& ring, const void* data, size_t bytes, size_t align)
    {
        bool orphan = false;
        const size_t at = ring.Place(bytes, align, &orphan);
        if (orphan)
            glBufferData(target, (GLsizeiptr)ring.Capacity(), nullptr, GL_STREAM_DRAW);
        // Unsynchronized: the range was never handed to a draw since the storage was new.
        void* p = glMapBufferRange(target, (GLintptr)at, (GLsizeiptr)bytes,
                                   GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT | GL_MAP_UNSYNCHRONIZED_BIT);
        if (p) {
            std::memcpy(p, data, bytes);
            glUnmapBuffer(target);
        } else {
            glBufferSubData(target, (GLintptr)at, (GLsizeiptr)bytes, data);
        }
        return at;
    }

    // The vertex layout GL holds: the FVF or the declaration's elements, and the stride.
    struct Layout {
        unsigned fvf = 0, stride = 0;
        std::vector<D3DVERTEXELEMENT9> elements;
        bool ok = false;
        FFVertexInfo info;
        bool Same(unsigned f, unsigned s, const D3DVERTEXELEMENT9* e, unsigned n) const
        {
            return f == fvf && s == stride && n == elements.size() &&
                   (n == 0 || std::memcmp(e, elements.data(), n * sizeof *e) == 0);
        }
    };

    // Vertex attributes of the current FVF or declaration, sent when the layout changes.
    bool SetupAttributes(unsigned stride, FFVertexInfo* info)
    {
        unsigned count = 0;
        const D3DVERTEXELEMENT9* e = state_.declaration ? state_.declaration->Elements(&count) : nullptr;
        const unsigned fvf = state_.declaration ? 0 : state_.fvf;
        if (!layout_.Same(fvf, stride, e, count)) {
            layout_.fvf = fvf;
            layout_.stride = stride;
            layout_.elements.assign(e, e + count);
            layout_.info = FFVertexInfo();
            layout_.ok = SendAttributes(stride, &layout_.info);
        }
        *info = layout_.info;
        return layout_.ok;
    }

    bool SendAttributes(unsigned stride, FFVertexInfo* info)
    {
        bool enabled[ATTR_COUNT] = {};
        auto attrib = [&](unsigned loc, GLint size, GLenum type, bool norm, size_t offset) {
            if (offset >= stride)
                return;
            if (attribOn_[loc] != 1)
                glEnableVertexAttribArray(loc);
            attribOn_[loc] = 1;
            glVertexAttribPointer(loc, size, type, norm ? GL_TRUE : GL_FALSE, (GLsizei)stride, (const void*)offset);
            enabled[loc] = true;
        };
        if (state_.declaration) {
            unsigned count = 0;
            const D3DVERTEXELEMENT9* e = state_.declaration->Elements(&count);
            for (unsigned i = 0; i < count; ++i) {
                int loc = -1;
                switch (e[i].Usage) {
                case D3DDECLUSAGE_POSITIONT: info->rhw = true; loc = ATTR_POSITION; break;
                case D3DDECLUSAGE_POSITION: loc = ATTR_POSITION; break;
                case D3DDECLUSAGE_NORMAL: info->normal = true; loc = ATTR_NORMAL; break;
                case D3DDECLUSAGE_COLOR:
                    loc = e[i].UsageIndex == 0 ? ATTR_DIFFUSE : ATTR_SPECULAR;
                    (e[i].UsageIndex == 0 ? info->diffuse : info->specular) = true;
                    break;
                case D3DDECLUSAGE_TEXCOORD: loc = e[i].UsageIndex < 4 ? ATTR_TEXCOORD0 + e[i].UsageIndex : -1; break;
                case D3DDECLUSAGE_TANGENT: loc = ATTR_TANGENT; break;
                default: break;
                }
                if (loc < 0 || e[i].Stream != 0)
                    continue;
                switch (e[i].Type) {
                case D3DDECLTYPE_FLOAT1: attrib(loc, 1, GL_FLOAT, false, e[i].Offset); break;
                case D3DDECLTYPE_FLOAT2: attrib(loc, 2, GL_FLOAT, false, e[i].Offset); break;
                case D3DDECLTYPE_FLOAT3: attrib(loc, 3, GL_FLOAT, false, e[i].Offset); break;
                case D3DDECLTYPE_FLOAT4: attrib(loc, 4, GL_FLOAT, false, e[i].Offset); break;
                case D3DDECLTYPE_D3DCOLOR: attrib(loc, GL_BGRA, GL_UNSIGNED_BYTE, true, e[i].Offset); break;
                case D3DDECLTYPE_UBYTE4: attrib(loc, 4, GL_UNSIGNED_BYTE, false, e[i].Offset); break;
                default: break;
                }
            }
        } else {
            unsigned fvf = state_.fvf;
            size_t off = 0;
            unsigned pos = fvf & D3DFVF_POSITION_MASK;
            if (pos == D3DFVF_XYZRHW) {
                info->rhw = true;
                attrib(ATTR_POSITION, 4, GL_FLOAT, false, 0);
                off = 16;
            } else if (pos == D3DFVF_XYZ) {
                attrib(ATTR_POSITION, 3, GL_FLOAT, false, 0);
                off = 12;
            } else {
                return false;
            }
            if (fvf & D3DFVF_NORMAL) {
                info->normal = true;
                attrib(ATTR_NORMAL, 3, GL_FLOAT, false, off);
                off += 12;
            }
            if (fvf & D3DFVF_PSIZE)
                off += 4;
            if (fvf & D3DFVF_DIFFUSE) {
                info->diffuse = true;
                attrib(ATTR_DIFFUSE, GL_BGRA, GL_UNSIGNED_BYTE, true, off);
                off += 4;
            }
            if (fvf & D3DFVF_SPECULAR) {
                info->specular = true;
                attrib(ATTR_SPECULAR, GL_BGRA, GL_UNSIGNED_BYTE, true, off);
                off += 4;
            }
            unsigned texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
            static const unsigned floats[4] = {2, 3, 4, 1};
            for (unsigned i = 0; i < texCount && i < 8; ++i) {
                unsigned f = floats[(fvf >> (16 + i * 2)) & 3];
                if (i < 4)
                    attrib(ATTR_TEXCOORD0 + i, (GLint)f, GL_FLOAT, false, off);
                off += f * 4;
            }
        }
        // Missing inputs read as Direct3D's defaults.
        for (unsigned i = 0; i < ATTR_COUNT; ++i) {
            if (enabled[i] || attribOn_[i] == 0)
                continue;
            attribOn_[i] = 0;
            glDisableVertexAttribArray(i);
            if (i == ATTR_DIFFUSE)
                glVertexAttrib4f(i, 1, 1, 1, 1);
            else if (i == ATTR_POSITION || i >= ATTR_TEXCOORD0)
                glVertexAttrib4f(i, 0, 0, 0, 1);
            else
                glVertexAttrib4f(i, 0, 0, 0, 0);
        }
        return true;
    }

    FFProgram* GetFFProgram(const FFKey& key)
    {
        std::string& bytes = keyBytes_;
        bytes.clear();
        key.AppendTo(&bytes);
        auto it = ffPrograms_.find(bytes);
        if (it != ffPrograms_.end())
            return &it->second;
        std::string log;
        std::string vs = FFVertexSource(key), fs = FFFragmentSource(key);
        GLuint id = LinkProgram(vs.c_str(), fs.c_str(), &log);
        if (!id) {
            std::fprintf(stderr, "gfx: fixed-function shader failed: %s\n", log.c_str());
            return nullptr;
        }
        FFProgram p;
        p.id = id;
        p.lights = key.lighting ? key.lightCount : 0;
#define LOC(field, name) p.field = glGetUniformLocation(id, name)
        LOC(world, "u_World");
        LOC(view, "u_View");
        LOC(proj, "u_Proj");
        LOC(targetSize, "u_TargetSize");
        LOC(flipY, "u_FlipY");
        LOC(pixelOffset, "u_PixelOffset");
        LOC(matDiffuse, "u_MatDiffuse");
        LOC(matAmbient, "u_MatAmbient");
        LOC(matSpecular, "u_MatSpecular");
        LOC(matEmissive, "u_MatEmissive");
        LOC(matPower, "u_MatPower");
        LOC(globalAmbient, "u_GlobalAmbient");
        LOC(lightDiffuse, "u_LightDiffuse");
        LOC(lightSpecular, "u_LightSpecular");
        LOC(lightAmbient, "u_LightAmbient");
        LOC(lightPos, "u_LightPos");
        LOC(lightDir, "u_LightDir");
        LOC(lightAtten, "u_LightAtten");
        LOC(tfactor, "u_TFactor");
        LOC(alphaRef, "u_AlphaRef");
        LOC(tex[0], "u_Tex0");
        LOC(tex[1], "u_Tex1");
        LOC(tex[2], "u_Tex2");
        LOC(tex[3], "u_Tex3");
#undef LOC
        UseProgram(id);
        for (unsigned s = 0; s < FF_MAX_STAGES; ++s)
            if (p.tex[s] >= 0)
                glUniform1i(p.tex[s], (GLint)s);
        return &(ffPrograms_[bytes] = std::move(p));
    }

    template <class T>
    static bool Changed(FFProgram* p, FFUniform u, const T& value)
    {
        return p->sent.Differs(u, &value, sizeof value);
    }
    static void Matrix4(FFProgram* p, FFUniform u, GLint loc, const Matrix& m)
    {
        if (loc >= 0 && Changed(p, u, m))
            UploadMatrix(loc, m);
    }
    static void Colour4(FFProgram* p, FFUniform u, GLint loc, const D3DCOLORVALUE& c)
    {
        if (loc >= 0 && Changed(p, u, c))
            glUniform4f(loc, c.r, c.g, c.b, c.a);
    }
    static void Packed4(FFProgram* p, FFUniform u, GLint loc, unsigned c)
    {
        if (loc >= 0 && Changed(p, u, c))
            glUniform4f(loc, ((c >> 16) & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, (c & 0xFF) / 255.0f,
                        ((c >> 24) & 0xFF) / 255.0f);
    }
    static void Float2(FFProgram* p, FFUniform u, GLint loc, float x, float y)
    {
        const float v[2] = {x, y};
        if (loc >= 0 && Changed(p, u, v))
            glUniform2f(loc, x, y);
    }
    static void Float1(FFProgram* p, FFUniform u, GLint loc, float x)
    {
        if (loc >= 0 && Changed(p, u, x))
            glUniform1f(loc, x);
    }

    void SetFFUniforms(FFProgram* p, unsigned tw, unsigned th, bool flipped)
    {
        UseProgram(p->id);
        Matrix4(p, U_WORLD, p->world, state_.world);
        Matrix4(p, U_VIEW, p->view, state_.view);
        Matrix4(p, U_PROJ, p->proj, state_.projection);
        Float2(p, U_TARGET, p->targetSize, (float)tw, (float)th);
        Float1(p, U_FLIP, p->flipY, flipped ? -1.0f : 1.0f);
        const D3DVIEWPORT9& vp = state_.viewport;
        float ox = vp.width ? 1.0f / vp.width : 0.0f, oy = vp.height ? 1.0f / vp.height : 0.0f;
        Float2(p, U_PIXEL_OFFSET, p->pixelOffset, ox, flipped ? oy : -oy);
        Colour4(p, U_MAT_DIFFUSE, p->matDiffuse, state_.material.Diffuse);
        Colour4(p, U_MAT_AMBIENT, p->matAmbient, state_.material.Ambient);
        Colour4(p, U_MAT_SPECULAR, p->matSpecular, state_.material.Specular);
        Colour4(p, U_MAT_EMISSIVE, p->matEmissive, state_.material.Emissive);
        Float1(p, U_MAT_POWER, p->matPower, state_.material.Power);
        Packed4(p, U_AMBIENT, p->globalAmbient, state_.rs[D3DRS_AMBIENT]);
        Packed4(p, U_TFACTOR, p->tfactor, state_.rs[D3DRS_TEXTUREFACTOR]);
        Float1(p, U_ALPHA_REF, p->alphaRef, (float)(state_.rs[D3DRS_ALPHAREF] & 0xFF));
        if (p->lights) {
            FFLights L;
            unsigned slots[FF_MAX_LIGHTS];
            const unsigned count = FFEnabledLights(state_, slots);
            int& n = L.count;
            for (unsigned i = 0; i < count && i < p->lights; ++i) {
                const D3DLIGHT9& l = state_.lights[slots[i]];
                const D3DCOLORVALUE* cs[3] = {&l.Diffuse, &l.Specular, &l.Ambient};
                float* dst[3] = {L.diff, L.spec, L.amb};
                for (int k = 0; k < 3; ++k) {
                    dst[k][n * 4] = cs[k]->r;
                    dst[k][n * 4 + 1] = cs[k]->g;
                    dst[k][n * 4 + 2] = cs[k]->b;
                    dst[k][n * 4 + 3] = cs[k]->a;
                }
                // Lighting runs in view space.
                Vec3 p3 = TransformPoint(l.Position, state_.view);
                Vec3 d3 = Vec3TransformNormal(l.Direction, state_.view);
                L.pos[n * 3] = p3.x;
                L.pos[n * 3 + 1] = p3.y;
                L.pos[n * 3 + 2] = p3.z;
                L.dir[n * 3] = d3.x;
                L.dir[n * 3 + 1] = d3.y;
                L.dir[n * 3 + 2] = d3.z;
                L.att[n * 4] = l.Attenuation0;
                L.att[n * 4 + 1] = l.Attenuation1;
                L.att[n * 4 + 2] = l.Attenuation2;
                L.att[n * 4 + 3] = l.Range;
                ++n;
            }
            if (Changed(p, U_LIGHTS, L)) {
                // Point lights only read positions and ranges, directional ones only directions.
                const GLsizei c = (GLsizei)p->lights;
                glUniform4fv(p->lightDiffuse, c, L.diff);
                glUniform4fv(p->lightAmbient, c, L.amb);
                if (p->lightSpecular >= 0)
                    glUniform4fv(p->lightSpecular, c, L.spec);
                if (p->lightPos >= 0)
                    glUniform3fv(p->lightPos, c, L.pos);
                if (p->lightDir >= 0)
                    glUniform3fv(p->lightDir, c, L.dir);
                if (p->lightAtten >= 0)
                    glUniform4fv(p->lightAtten, c, L.att);
            }
        }
    }

    // Everything a draw needs in GL, its vertices streamed; *first: the index of its first
    // vertex in the stream buffer.
    bool Prepare(const void* vertices, size_t bytes, unsigned stride, size_t* first)
    {
        BindTarget();
        unsigned tw, th;
        bool flipped;
        TargetInfo(&tw, &th, &flipped);
        FFVertexInfo info;
        if (!SetupAttributes(stride, &info))
            return false;
        // A whole number of vertices from the start, so that the draw's base vertex finds them.
        *first = Stream(GL_ARRAY_BUFFER, vertexRing_, vertices, bytes, stride) / stride;
        ApplyRenderStates(flipped);
        Viewport(info.rhw);
        if (state_.program) {
            auto* prog = static_cast<GlProgram*>(state_.program);
            UseProgram(prog->Id());
            float flip = flipped ? -1.0f : 1.0f;
            prog->SetFloats("fx_FlipY", &flip, 1);
            const D3DVIEWPORT9& vp = state_.viewport;
            float off[2] = {vp.width ? 1.0f / vp.width : 0.0f, vp.height ? (flipped ? 1.0f : -1.0f) / vp.height : 0.0f};
            prog->SetFloats("fx_PixelOffset", off, 2);
            for (unsigned u = 0; u < 8; ++u)
                BindSampler(u, prog->samplerUnits & (1u << u) ? effectSampler_ : 0);
            return true;
        }
        bool hasTex[FF_MAX_STAGES];
        for (unsigned s = 0; s < FF_MAX_STAGES; ++s)
            hasTex[s] = state_.textures[s] != nullptr;
        FFKey key = FFMakeKey(state_, info, hasTex);
        FFProgram* p = GetFFProgram(key);
        if (!p)
            return false;
        SetFFUniforms(p, tw, th, flipped);
        for (unsigned s = 0; s < key.stageCount; ++s) {
            BindTexture(s, state_.textures[s] ? static_cast<GfxTextureBase*>(state_.textures[s])->handle : 0);
            ApplySampler(s);
            BindSampler(s, samplers_[s]);
        }
        return true;
    }

    void Screenshot(const std::vector<unsigned>& frames)
    {
        // The picture this Present shows, at the back buffer's size.
        const unsigned w = backW_, h = backH_;
        std::vector<uint32_t> px((size_t)w * h), flipped((size_t)w * h);
        BindFramebuffer(GL_READ_FRAMEBUFFER, backFbo_);
        glReadBuffer(GL_COLOR_ATTACHMENT0);
        glReadPixels(0, 0, (GLsizei)w, (GLsizei)h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, px.data());
        for (unsigned y = 0; y < h; ++y)
            std::memcpy(&flipped[(size_t)y * w], &px[(size_t)(h - 1 - y) * w], w * 4);
        mkdir(shotDir_.c_str(), 0755);
        for (unsigned f : frames) {
            std::string path = shotDir_ + "/frame_" + std::to_string(f) + ".png";
            std::string err;
            if (!GfxWritePng(path.c_str(), w, h, flipped.data(), &err))
                std::fprintf(stderr, "gfx: screenshot %s failed: %s\n", path.c_str(), err.c_str());
        }
    }

    SDL_Window* window_;
    SDL_GLContext context_;
    GfxSurface* backBuffer_ = nullptr;
    GfxSurface* autoDepth_ = nullptr;
    GLuint vao_ = 0, vbo_ = 0, ebo_ = 0, fbo_ = 0;
    GfxStreamRing vertexRing_{kVertexStreamBytes}, indexRing_{kIndexStreamBytes};
    Layout layout_;
    int attribOn_[ATTR_COUNT] = {-1, -1, -1, -1, -1, -1, -1, -1, -1}; // 1 on, 0 off (defaults set), -1 unknown
    GLuint backFbo_ = 0, backColor_ = 0, backDepth_ = 0;
    unsigned backW_ = 1, backH_ = 1;
    GLuint samplers_[FF_MAX_STAGES] = {};
    GLuint effectSampler_ = 0;
    std::map<std::string, FFProgram> ffPrograms_;
    std::string keyBytes_;
    std::string shotDir_;
    std::size_t nextShot_ = 0;
    std::vector<unsigned> shotFrames_;
};

class GlSystem : public GfxSystem {
public:
    GlSystem()
    {
        SDL_DisplayMode desk;
        if (SDL_GetDesktopDisplayMode(0, &desk) == 0)
            desktop_ = Convert(desk);
        else
            desktop_ = {800, 600, 60, D3DFMT_X8R8G8B8};
        int n = SDL_GetNumDisplayModes(0);
        for (int i = 0; i < n; ++i) {
            SDL_DisplayMode m;
            if (SDL_GetDisplayMode(0, i, &m) == 0)
                modes_.push_back(Convert(m));
        }
        // The classic sizes that fit the desktop are offered too (windowed play, small screens).
        static const unsigned classic[][2] = {{640, 480}, {800, 600}, {1024, 768}};
        for (auto& c : classic) {
            if (c[0] > desktop_.Width || c[1] > desktop_.Height)
                continue;
            bool have = false;
            for (auto& m : modes_)
                have |= m.Width == c[0] && m.Height == c[1];
            if (!have)
                modes_.push_back({c[0], c[1], desktop_.RefreshRate, desktop_.Format});
        }
        if (modes_.empty())
            modes_.push_back(desktop_);
    }
    static D3DDISPLAYMODE Convert(const SDL_DisplayMode& m)
    {
        D3DDISPLAYMODE d;
        d.Width = (unsigned)m.w;
        d.Height = (unsigned)m.h;
        d.RefreshRate = (unsigned)m.refresh_rate;
        d.Format = SDL_BITSPERPIXEL(m.format) == 16 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8;
        return d;
    }
    unsigned GetAdapterCount() override { return 1; }
    GfxResult GetAdapterDisplayMode(unsigned adapter, D3DDISPLAYMODE* mode) override
    {
        if (adapter != 0 || !mode)
            return D3DERR_INVALIDCALL;
        *mode = desktop_;
        return D3D_OK;
    }
    unsigned GetAdapterModeCount(unsigned adapter, D3DFORMAT format) override
    {
        unsigned n = 0;
        for (auto& m : modes_)
            n += adapter == 0 && Matches(m, format);
        return n;
    }
    static bool Matches(const D3DDISPLAYMODE& m, D3DFORMAT f)
    {
        // The GL visual does any depth of colour: every mode is offered in either format.
        (void)m;
        return f == D3DFMT_X8R8G8B8 || f == D3DFMT_R5G6B5;
    }
    GfxResult EnumAdapterModes(unsigned adapter, D3DFORMAT format, unsigned index, D3DDISPLAYMODE* mode) override
    {
        if (adapter != 0 || !mode)
            return D3DERR_INVALIDCALL;
        unsigned n = 0;
        for (auto& m : modes_) {
            if (!Matches(m, format))
                continue;
            if (n++ == index) {
                *mode = m;
                mode->Format = format;
                return D3D_OK;
            }
        }
        return D3DERR_INVALIDCALL;
    }
    GfxResult CheckDeviceType(unsigned adapter, D3DDEVTYPE, D3DFORMAT display, D3DFORMAT backBuffer, int) override
    {
        if (adapter != 0 || display != backBuffer)
            return D3DERR_NOTAVAILABLE;
        return display == D3DFMT_X8R8G8B8 || display == D3DFMT_R5G6B5 ? D3D_OK : D3DERR_NOTAVAILABLE;
    }
    GfxResult CheckDepthStencilMatch(unsigned adapter, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, D3DFORMAT depth) override
    {
        if (adapter != 0)
            return D3DERR_INVALIDCALL;
        return depth == D3DFMT_D24S8 || depth == D3DFMT_D24X8 || depth == D3DFMT_D16 ? D3D_OK : D3DERR_NOTAVAILABLE;
    }
    GfxResult GetDeviceCaps(unsigned adapter, D3DDEVTYPE type, D3DCAPS9* caps) override
    {
        if (adapter != 0 || !caps)
            return D3DERR_INVALIDCALL;
        *caps = D3DCAPS9();
        caps->DeviceType = type;
        // A GL 3.3 core context (required by CreateDevice) runs GLSL 3.30: shader model 2.0 and up.
        caps->VertexShaderVersion = D3DVS_VERSION(3, 0);
        caps->PixelShaderVersion = D3DPS_VERSION(3, 0);
        caps->MaxTextureWidth = caps->MaxTextureHeight = 4096;
        caps->MaxActiveLights = FF_MAX_LIGHTS;
        caps->MaxSimultaneousTextures = FF_MAX_STAGES;
        caps->MaxTextureBlendStages = FF_MAX_STAGES;
        return D3D_OK;
    }
    GfxResult CreateDevice(unsigned adapter, D3DDEVTYPE, void* focus, unsigned, D3DPRESENT_PARAMETERS* params,
                           GfxDevice** device) override
    {
        if (!device || !params || adapter != 0)
            return D3DERR_INVALIDCALL;
        *device = nullptr;
        void* handle = params->hDeviceWindow ? params->hDeviceWindow : focus;
        SDL_Window* window = handle ? GetSdlWindow((WindowHandle)handle) : nullptr;
        if (!window) {
            std::fprintf(stderr, "gfx: no window for the device\n");
            return D3DERR_INVALIDCALL;
        }
        SDL_GLContext ctx = SDL_GL_CreateContext(window);
        if (!ctx) {
            std::fprintf(stderr, "gfx: GL context failed: %s\n", SDL_GetError());
            return D3DERR_NOTAVAILABLE;
        }
        SDL_GL_MakeCurrent(window, ctx);
        GLint major = 0, minor = 0;
        glGetIntegerv(GL_MAJOR_VERSION, &major);
        glGetIntegerv(GL_MINOR_VERSION, &minor);
        if (major * 10 + minor < 33) {
            std::fprintf(stderr, "gfx: OpenGL %d.%d is below 3.3\n", major, minor);
            SDL_GL_DeleteContext(ctx);
            return D3DERR_NOTAVAILABLE;
        }
        *device = new GlDevice(window, ctx, *params);
        return D3D_OK;
    }

private:
    D3DDISPLAYMODE desktop_;
    std::vector<D3DDISPLAYMODE> modes_;
};

} // namespace

GfxSystem* GlGfxCreateSystem()
{
    if (!PlatformVideoInit())
        return nullptr;
    return new GlSystem();
}
