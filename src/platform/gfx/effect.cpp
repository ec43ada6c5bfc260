#include "platform/gfx/effect.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <vector>

namespace {

enum class ParamType { Float, Float2, Float3, Float4, Matrix, Texture };

struct Param {
    std::string name;
    ParamType type = ParamType::Float;
    float values[16] = {};
    GfxTexture* texture = nullptr;
    unsigned unit = 0; // texture unit of a texture parameter
};

struct Pass {
    std::string name, vertex, pixel;
    std::vector<std::pair<unsigned, unsigned>> states;
    GfxProgram* program = nullptr;
};

struct Technique {
    std::string name;
    std::vector<Pass> passes;
};

const char* GlslType(ParamType t)
{
    switch (t) {
    case ParamType::Float: return "float";
    case ParamType::Float2: return "vec2";
    case ParamType::Float3: return "vec3";
    case ParamType::Float4: return "vec4";
    case ParamType::Matrix: return "mat4";
    case ParamType::Texture: return "sampler2D";
    }
    return "float";
}

unsigned ValueCount(ParamType t)
{
    switch (t) {
    case ParamType::Float: return 1;
    case ParamType::Float2: return 2;
    case ParamType::Float3: return 3;
    case ParamType::Float4: return 4;
    case ParamType::Matrix: return 16;
    case ParamType::Texture: return 0;
    }
    return 0;
}

bool ParseType(const std::string& s, ParamType* t)
{
    static const std::pair<const char*, ParamType> types[] = {
        {"float", ParamType::Float},   {"float2", ParamType::Float2},   {"float3", ParamType::Float3},
        {"float4", ParamType::Float4}, {"float4x4", ParamType::Matrix}, {"texture", ParamType::Texture},
    };
    for (auto& p : types)
        if (s == p.first) {
            *t = p.second;
            return true;
        }
    return false;
}

std::string Trim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos)
        return "";
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

class Effect : public GfxEffect {
public:
    explicit Effect(GfxDevice* device) : device_(device) { device_->AddRef(); }

    bool Parse(const std::string& text, std::string* errors);
    bool Compile(std::string* errors);

    GfxResult SetTechnique(const char* name) override
    {
        int t = FindTechnique(name);
        if (t < 0)
            return D3DERR_INVALIDCALL;
        current_ = t;
        return D3D_OK;
    }
    const char* GetCurrentTechnique() override { return current_ >= 0 ? techniques_[current_].name.c_str() : ""; }
    bool HasParameter(const char* name) override { return Find(name) != nullptr; }

    GfxResult SetFloat(const char* name, float value) override
    {
        Param* p = Find(name);
        if (!p || p->type == ParamType::Texture)
            return D3DERR_INVALIDCALL;
        p->values[0] = value;
        return D3D_OK;
    }
    GfxResult SetVector(const char* name, const Vec4* v) override
    {
        Param* p = Find(name);
        if (!p || !v || p->type == ParamType::Texture || p->type == ParamType::Matrix)
            return D3DERR_INVALIDCALL;
        float f[4] = {v->x, v->y, v->z, v->w};
        std::memcpy(p->values, f, sizeof(float) * ValueCount(p->type));
        return D3D_OK;
    }
    GfxResult SetMatrix(const char* name, const Matrix* m) override
    {
        Param* p = Find(name);
        if (!p || !m || p->type != ParamType::Matrix)
            return D3DERR_INVALIDCALL;
        std::memcpy(p->values, m->m, sizeof(float) * 16);
        return D3D_OK;
    }
    GfxResult SetTexture(const char* name, GfxTexture* texture) override
    {
        Param* p = Find(name);
        if (!p || p->type != ParamType::Texture)
            return D3DERR_INVALIDCALL;
        if (texture)
            texture->AddRef();
        if (p->texture)
            p->texture->Release();
        p->texture = texture;
        return D3D_OK;
    }
    GfxResult GetFloat(const char* name, float* value) override
    {
        Param* p = Find(name);
        if (!p || !value || p->type == ParamType::Texture)
            return D3DERR_INVALIDCALL;
        *value = p->values[0];
        return D3D_OK;
    }
    GfxResult GetVector(const char* name, Vec4* v) override
    {
        Param* p = Find(name);
        if (!p || !v || p->type == ParamType::Texture || p->type == ParamType::Matrix)
            return D3DERR_INVALIDCALL;
        *v = Vec4(p->values[0], p->values[1], p->values[2], p->values[3]);
        return D3D_OK;
    }
    GfxResult GetMatrix(const char* name, Matrix* m) override
    {
        Param* p = Find(name);
        if (!p || !m || p->type != ParamType::Matrix)
            return D3DERR_INVALIDCALL;
        std::memcpy(m->m, p->values, sizeof(float) * 16);
        return D3D_OK;
    }
    GfxResult GetTexture(const char* name, GfxTexture** texture) override
    {
        Param* p = Find(name);
        if (!p || !texture || p->type != ParamType::Texture)
            return D3DERR_INVALIDCALL;
        *texture = p->texture;
        return D3D_OK;
    }

    GfxResult Begin(unsigned* passes, unsigned) override
    {
        if (current_ < 0 || begun_)
            return D3DERR_INVALIDCALL;
        begun_ = true;
        if (passes)
            *passes = (unsigned)techniques_[current_].passes.size();
        return D3D_OK;
    }
    GfxResult BeginPass(unsigned pass) override
    {
        if (!begun_ || activePass_ >= 0 || pass >= techniques_[current_].passes.size())
            return D3DERR_INVALIDCALL;
        activePass_ = (int)pass;
        Pass& p = techniques_[current_].passes[pass];
        saved_.clear();
        for (auto& s : p.states) {
            unsigned old = 0;
            device_->GetRenderState((D3DRENDERSTATETYPE)s.first, &old);
            saved_.push_back({s.first, old});
            device_->SetRenderState((D3DRENDERSTATETYPE)s.first, s.second);
        }
        device_->SetProgram(p.program);
        return CommitChanges();
    }
    GfxResult CommitChanges() override
    {
        if (activePass_ < 0)
            return D3DERR_INVALIDCALL;
        GfxProgram* prog = techniques_[current_].passes[activePass_].program;
        for (auto& p : params_) {
            if (p.type == ParamType::Texture)
                prog->SetSampler(p.name.c_str(), p.unit, p.texture);
            else if (p.type == ParamType::Matrix) {
                Matrix m;
                std::memcpy(m.m, p.values, sizeof(float) * 16);
                prog->SetMatrix(p.name.c_str(), m);
            } else
                prog->SetFloats(p.name.c_str(), p.values, ValueCount(p.type));
        }
        return D3D_OK;
    }
    GfxResult EndPass() override
    {
        if (activePass_ < 0)
            return D3DERR_INVALIDCALL;
        device_->SetProgram(nullptr);
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            device_->SetRenderState((D3DRENDERSTATETYPE)it->first, it->second);
        saved_.clear();
        activePass_ = -1;
        return D3D_OK;
    }
    GfxResult End() override
    {
        if (!begun_)
            return D3DERR_INVALIDCALL;
        if (activePass_ >= 0)
            EndPass();
        begun_ = false;
        return D3D_OK;
    }
    GfxResult OnLostDevice() override { return D3D_OK; }
    GfxResult OnResetDevice() override { return D3D_OK; }

protected:
    ~Effect() override
    {
        for (auto& p : params_)
            if (p.texture)
                p.texture->Release();
        for (auto& t : techniques_)
            for (auto& p : t.passes)
                if (p.program)
                    p.program->Release();
        device_->Release();
    }

private:
    Param* Find(const char* name)
    {
        if (!name)
            return nullptr;
        for (auto& p : params_)
            if (p.name == name)
                return &p;
        return nullptr;
    }
    int FindTechnique(const char* name) const
    {
        if (!name)
            return -1;
        for (size_t i = 0; i < techniques_.size(); ++i)
            if (techniques_[i].name == name)
                return (int)i;
        return -1;
    }

    GfxDevice* device_;
    std::vector<Param> params_;
    std::map<std::string, std::string> vertex_, pixel_;
    std::vector<Technique> techniques_;
    int current_ = -1;
    bool begun_ = false;
    int activePass_ = -1;
    std::vector<std::pair<unsigned, unsigned>> saved_;
};

bool Effect::Parse(const std::string& text, std::string* errors)
{
    std::vector<std::string> lines;
    {
        std::string line;
        std::istringstream in(text);
        while (std::getline(in, line))
            lines.push_back(line);
    }
    auto fail = [&](size_t n, const std::string& what) {
        if (errors)
            *errors = "line " + std::to_string(n + 1) + ": " + what;
        return false;
    };
    unsigned nextUnit = 0;
    Pass* lastPass = nullptr;
    for (size_t n = 0; n < lines.size(); ++n) {
        std::string line = Trim(lines[n]);
        size_t comment = line.find("//");
        if (comment != std::string::npos)
            line = Trim(line.substr(0, comment));
        if (line.empty())
            continue;
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "param") {
            std::string type, name;
            words >> type >> name;
            Param p;
            if (!ParseType(type, &p.type))
                return fail(n, "unknown parameter type '" + type + "'");
            if (name.empty())
                return fail(n, "parameter without a name");
            if (Find(name.c_str()))
                return fail(n, "parameter '" + name + "' declared twice");
            p.name = name;
            std::string eq;
            if (words >> eq) {
                if (eq != "=")
                    return fail(n, "expected '=' after parameter '" + name + "'");
                unsigned count = ValueCount(p.type);
                for (unsigned i = 0; i < count; ++i) {
                    std::string v;
                    if (!(words >> v))
                        return fail(n, "too few values for parameter '" + name + "'");
                    char* end = nullptr;
                    p.values[i] = std::strtof(v.c_str(), &end);
                    if (!end || *end)
                        return fail(n, "bad number '" + v + "'");
                }
            } else if (p.type == ParamType::Matrix) {
                for (int i = 0; i < 4; ++i)
                    p.values[i * 5] = 1.0f;
            }
            if (p.type == ParamType::Texture)
                p.unit = nextUnit++;
            params_.push_back(p);
        } else if (word == "vertex" || word == "pixel") {
            std::string name;
            words >> name;
            if (name.empty())
                return fail(n, word + " shader without a name");
            auto& table = word == "vertex" ? vertex_ : pixel_;
            if (table.count(name))
                return fail(n, word + " shader '" + name + "' declared twice");
            std::string body;
            size_t start = n;
            bool closed = false;
            for (++n; n < lines.size(); ++n) {
                if (Trim(lines[n]) == "end") {
                    closed = true;
                    break;
                }
                body += lines[n];
                body += '\n';
            }
            if (!closed)
                return fail(start, word + " shader '" + name + "' has no 'end'");
            table[name] = "#line " + std::to_string(start + 2) + "\n" + body;
        } else if (word == "technique") {
            std::string name;
            words >> name;
            if (name.empty())
                return fail(n, "technique without a name");
            if (FindTechnique(name.c_str()) >= 0)
                return fail(n, "technique '" + name + "' declared twice");
            techniques_.push_back(Technique{name, {}});
            lastPass = nullptr;
        } else if (word == "pass") {
            if (techniques_.empty())
                return fail(n, "pass outside a technique");
            Pass p;
            words >> p.name >> p.vertex >> p.pixel;
            if (p.pixel.empty())
                return fail(n, "pass needs a name, a vertex shader and a pixel shader");
            if (!vertex_.count(p.vertex))
                return fail(n, "unknown vertex shader '" + p.vertex + "'");
            if (!pixel_.count(p.pixel))
                return fail(n, "unknown pixel shader '" + p.pixel + "'");
            techniques_.back().passes.push_back(p);
            lastPass = &techniques_.back().passes.back();
        } else if (word == "state") {
            if (!lastPass)
                return fail(n, "state outside a pass");
            std::string state, value;
            words >> state >> value;
            static const std::pair<const char*, unsigned> names[] = {
                {"ZENABLE", D3DRS_ZENABLE}, {"ZWRITEENABLE", D3DRS_ZWRITEENABLE}, {"CULLMODE", D3DRS_CULLMODE},
                {"ALPHABLENDENABLE", D3DRS_ALPHABLENDENABLE}, {"SRCBLEND", D3DRS_SRCBLEND},
                {"DESTBLEND", D3DRS_DESTBLEND}, {"ZFUNC", D3DRS_ZFUNC}, {"FILLMODE", D3DRS_FILLMODE},
                {"ALPHATESTENABLE", D3DRS_ALPHATESTENABLE}, {"ALPHAREF", D3DRS_ALPHAREF},
                {"ALPHAFUNC", D3DRS_ALPHAFUNC},
            };
            unsigned id = 0;
            for (auto& s : names)
                if (state == s.first)
                    id = s.second;
            if (!id)
                return fail(n, "unknown state '" + state + "'");
            char* end = nullptr;
            unsigned long v = std::strtoul(value.c_str(), &end, 0);
            if (value.empty() || !end || *end)
                return fail(n, "bad state value '" + value + "'");
            lastPass->states.push_back({id, (unsigned)v});
        } else {
            return fail(n, "unknown directive '" + word + "'");
        }
    }
    if (techniques_.empty()) {
        if (errors)
            *errors = "no technique";
        return false;
    }
    for (auto& t : techniques_)
        if (t.passes.empty()) {
            if (errors)
                *errors = "technique '" + t.name + "' has no pass";
            return false;
        }
    current_ = 0;
    return true;
}

bool Effect::Compile(std::string* errors)
{
    std::string uniforms;
    for (auto& p : params_)
        uniforms += std::string("uniform ") + GlslType(p.type) + " " + p.name + ";\n";
    const std::string head = "#version 330 core\n";
    const std::string vertexInputs =
        "in vec4 in_Position;\nin vec3 in_Normal;\nin vec4 in_Diffuse;\nin vec4 in_Specular;\n"
        "in vec4 in_TexCoord0;\nin vec4 in_TexCoord1;\nin vec4 in_TexCoord2;\nin vec4 in_TexCoord3;\n"
        "in vec3 in_Tangent;\n";
    const std::string vertexTail =
        "\n#undef main\nuniform float fx_FlipY;\nuniform vec2 fx_PixelOffset;\nvoid main()\n{\n    fx_user_main();\n"
        "    gl_Position.y *= fx_FlipY;\n    gl_Position.xy += fx_PixelOffset * gl_Position.w;\n"
        "    gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;\n}\n";
    for (auto& t : techniques_)
        for (auto& p : t.passes) {
            std::string vs = head + uniforms + vertexInputs + "#define main fx_user_main\n" + vertex_[p.vertex] + vertexTail;
            std::string fs = head + uniforms + "out vec4 fx_Color;\n" + pixel_[p.pixel];
            char log[4096] = {};
            GfxResult hr = device_->CreateProgram(vs.c_str(), fs.c_str(), &p.program, log, sizeof(log));
            if (FAILED(hr)) {
                if (errors)
                    *errors = "technique '" + t.name + "', pass '" + p.name + "': " + log;
                return false;
            }
        }
    return true;
}

} // namespace

GfxResult GfxCreateEffect(GfxDevice* device, const void* data, unsigned size, GfxEffect** effect, std::string* errors)
{
    if (!effect)
        return D3DERR_INVALIDCALL;
    *effect = nullptr;
    if (!device || !data) {
        if (errors)
            *errors = "no device or no data";
        return D3DERR_INVALIDCALL;
    }
    // The text ends at the first zero byte (callers pad their buffers).
    const char* bytes = (const char*)data;
    size_t len = strnlen(bytes, size);
    Effect* fx = new Effect(device);
    if (!fx->Parse(std::string(bytes, len), errors) || !fx->Compile(errors)) {
        fx->Release();
        return E_FAIL;
    }
    *effect = fx;
    return D3D_OK;
}
