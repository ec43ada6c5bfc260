// The technique-file parser and the effect's parameters and passes, on the null device.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/gfx/effect.h"
#include "platform/gfx/null_device.h"

namespace {

class EffectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_NullGfxConfig.Restore();
        D3DPRESENT_PARAMETERS pp;
        pp.BackBufferWidth = 640;
        pp.BackBufferHeight = 480;
        pp.EnableAutoDepthStencil = 1;
        device_ = new NullGfxDevice(pp);
    }
    void TearDown() override
    {
        if (effect_)
            effect_->Release();
        device_->Release();
    }
    GfxResult Create(const std::string& text, std::string* errors = nullptr)
    {
        if (effect_)
            effect_->Release();
        effect_ = nullptr;
        return GfxCreateEffect(device_, text.data(), (unsigned)text.size(), &effect_, errors);
    }
    NullGfxDevice* device_ = nullptr;
    GfxEffect* effect_ = nullptr;
};

const char* kSimple = "param float4 Colour = 1 0.5 0.25 1\n"
                      "param float4x4 matWorld\n"
                      "param texture texBase\n"
                      "param float Power\n"
                      "vertex vs\nvoid main() { gl_Position = vec4(in_Position.xyz, 1.0) * matWorld; }\nend\n"
                      "pixel ps\nvoid main() { fx_Color = Colour * texture(texBase, vec2(0.0)); }\nend\n"
                      "technique techA\npass P0 vs ps\nstate CULLMODE 1\nstate ZWRITEENABLE 0\n"
                      "pass P1 vs ps\n"
                      "technique techB\npass P0 vs ps\n";

std::string ReadSource(const char* name)
{
    std::ifstream in(std::string(KORVANE_SOURCE_DIR) + "/data/Data/Misc/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST_F(EffectTest, ParametersTechniquesAndDefaults)
{
    std::string errors;
    ASSERT_EQ(Create(kSimple, &errors), D3D_OK) << errors;
    EXPECT_STREQ(effect_->GetCurrentTechnique(), "techA");
    Vec4 c;
    ASSERT_EQ(effect_->GetVector("Colour", &c), D3D_OK);
    EXPECT_EQ(c.y, 0.5f);
    Matrix m;
    ASSERT_EQ(effect_->GetMatrix("matWorld", &m), D3D_OK);
    EXPECT_EQ(m.m[2][2], 1.0f) << "matrices start as identity";
    EXPECT_EQ(effect_->SetTechnique("techB"), D3D_OK);
    EXPECT_STREQ(effect_->GetCurrentTechnique(), "techB");
    EXPECT_NE(effect_->SetTechnique("nope"), D3D_OK);
    EXPECT_STREQ(effect_->GetCurrentTechnique(), "techB");
    // Unknown names and wrong kinds change nothing.
    Vec4 v(1, 2, 3, 4);
    EXPECT_NE(effect_->SetVector("Missing", &v), D3D_OK);
    EXPECT_NE(effect_->SetMatrix("Colour", &m), D3D_OK);
    EXPECT_NE(effect_->SetFloat("texBase", 1.0f), D3D_OK);
    EXPECT_NE(effect_->SetVector(nullptr, &v), D3D_OK);
    EXPECT_FALSE(effect_->HasParameter("Missing"));
    EXPECT_EQ(effect_->SetFloat("Power", 16.0f), D3D_OK);
    float p = 0;
    effect_->GetFloat("Power", &p);
    EXPECT_EQ(p, 16.0f);
}

TEST_F(EffectTest, PassesSetProgramsAndRestoreTheirStates)
{
    ASSERT_EQ(Create(kSimple), D3D_OK);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    unsigned passes = 0;
    ASSERT_EQ(effect_->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, 2u);
    EXPECT_NE(effect_->Begin(&passes, 0), D3D_OK) << "no nested Begin";
    ASSERT_EQ(effect_->BeginPass(0), D3D_OK);
    EXPECT_NE(device_->State().program, nullptr);
    EXPECT_EQ(device_->State().rs[D3DRS_CULLMODE], (unsigned)D3DCULL_NONE);
    EXPECT_EQ(device_->State().rs[D3DRS_ZWRITEENABLE], 0u);
    EXPECT_EQ(effect_->CommitChanges(), D3D_OK);
    EXPECT_EQ(effect_->EndPass(), D3D_OK);
    EXPECT_EQ(device_->State().program, nullptr);
    EXPECT_EQ(device_->State().rs[D3DRS_CULLMODE], (unsigned)D3DCULL_CCW);
    EXPECT_EQ(device_->State().rs[D3DRS_ZWRITEENABLE], 1u);
    EXPECT_NE(effect_->BeginPass(2), D3D_OK);
    EXPECT_EQ(effect_->End(), D3D_OK);
    EXPECT_NE(effect_->CommitChanges(), D3D_OK);
}

TEST_F(EffectTest, TexturesAreHeldWhileSet)
{
    ASSERT_EQ(Create(kSimple), D3D_OK);
    GfxTexture* t = nullptr;
    ASSERT_EQ(device_->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
    EXPECT_EQ(effect_->SetTexture("texBase", t), D3D_OK);
    EXPECT_EQ(t->RefCount(), 2u);
    EXPECT_EQ(effect_->SetTexture("texBase", nullptr), D3D_OK);
    EXPECT_EQ(t->RefCount(), 1u);
    effect_->SetTexture("texBase", t);
    effect_->Release();
    effect_ = nullptr;
    EXPECT_EQ(t->RefCount(), 1u);
    t->Release();
}

TEST_F(EffectTest, ParseErrorsNameTheLine)
{
    std::string errors;
    EXPECT_NE(Create("param float5 X\n", &errors), D3D_OK);
    EXPECT_EQ(errors, "line 1: unknown parameter type 'float5'");
    EXPECT_EQ(effect_, nullptr);
    EXPECT_NE(Create("// c\n\nvertex v\nvoid main() {}\n", &errors), D3D_OK);
    EXPECT_EQ(errors, "line 3: vertex shader 'v' has no 'end'");
    EXPECT_NE(Create("technique t\npass P vs ps\n", &errors), D3D_OK);
    EXPECT_EQ(errors, "line 2: unknown vertex shader 'vs'");
    EXPECT_NE(Create("param float A\nparam float A\n", &errors), D3D_OK);
    EXPECT_NE(errors.find("declared twice"), std::string::npos);
    EXPECT_NE(Create("param float A = x\n", &errors), D3D_OK);
    EXPECT_NE(Create("frobnicate\n", &errors), D3D_OK);
    EXPECT_EQ(errors, "line 1: unknown directive 'frobnicate'");
    EXPECT_NE(Create("", &errors), D3D_OK);
    EXPECT_EQ(errors, "no technique");
    EXPECT_NE(GfxCreateEffect(device_, nullptr, 0, &effect_, &errors), D3D_OK);
}

TEST_F(EffectTest, CompileErrorsComeBackAsText)
{
    std::string errors;
    EXPECT_NE(Create("vertex v\nvoid main() { #error x }\nend\npixel p\nvoid main() {}\nend\ntechnique t\npass P v p\n",
                     &errors),
              D3D_OK);
    EXPECT_EQ(errors, "technique 't', pass 'P': compile error");
    EXPECT_EQ(effect_, nullptr);
}

TEST_F(EffectTest, GameTechniqueFilesDeclareEveryParameter)
{
    const char* names[] = {"texBaseMap1",   "texBumpMap1",     "matWorldViewProj", "matWorld",       "EyePos",
                           "EyePosMS",      "GlobalAmbient",   "DirLight_DirMS",   "DirLight2_DirMS", "DirLight_Diff",
                           "DirLight_Spec", "DirLight_Dir",    "DirLight_Pos",     "DirLight2_Diff", "DirLight2_Spec",
                           "DirLight2_Dir", "DirLight2_Pos",   "MatDiffuse",       "MatAmbient",     "MatSpecular",
                           "MatEmissive",   "MatSpecularPow"};
    for (const char* file : {"RenderTechniques_20.dat", "RenderTechniques_11.dat"}) {
        std::string text = ReadSource(file);
        ASSERT_FALSE(text.empty()) << file;
        std::string errors;
        ASSERT_EQ(Create(text, &errors), D3D_OK) << file << ": " << errors;
        EXPECT_EQ(effect_->SetTechnique("techSurfaceBump"), D3D_OK) << file;
        for (const char* n : names)
            EXPECT_TRUE(effect_->HasParameter(n)) << file << " lacks " << n;
    }
}
