// Effect objects over time: explosions that grow, animate and fade, far explosions kept
// inside the view distance, tumbling ship parts and smoke puffs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "app/settings.h"
#include "audio/audio_manager.h"
#include "audio/wav_builder.h"
#include "world/objects/effect_object.h"
#include "world/object_list.h"
#include "world/unit_test_util.h"

namespace {

std::string EffectFile(const std::string& kind, const std::string& growth, const std::string& life, int textures,
                       const std::string& inertia = "1.0")
{
    EffectObjectText t;
    t.kind = kind;
    for (int i = 0; i < textures; ++i) t.textures.push_back("Data/T/Fx" + std::to_string(i) + ".bmp");
    t.growth = growth;
    t.inertia = inertia;
    t.life = life;
    return t.Text();
}

class EffectObjectTest : public UnitFilesTest {
protected:
    void SetUp() override
    {
        UnitFilesTest::SetUp();
        for (int w = 0; w < 2; ++w) {
            saved_[w].Save(g_World.cameras[w]);
            g_World.cameras[w].SetMatrices(Vec3(0, 0, -100), Vec3(0, 0, 0), Vec3(0, 1, 0));
        }
        savedView_ = g_ViewDistance;
        g_ViewDistance = 4000.0f;
        g_GameClock.gameTime = 100000.0;
        CObjectList::DestroyAll();
    }
    void TearDown() override
    {
        CObjectList::DestroyAll();
        for (int w = 0; w < 2; ++w) saved_[w].Restore(g_World.cameras[w]);
        g_ViewDistance = savedView_;
        UnitFilesTest::TearDown();
    }
    CEffectObject* Make(const std::string& text)
    {
        WriteFile("Data/T/Fx/Main.obj", text);
        CEffectObject* e = new CEffectObject();
        EXPECT_EQ(e->Load("Data/T/Fx/Main.obj"), 1);
        return e;
    }
    static void Free(CEffectObject* e)
    {
        e->Release();
        delete e;
    }
    static void Step(CEffectObject* e, int ms)
    {
        g_GameClock.gameTime += ms;
        e->Update();
    }
    static unsigned Grey(unsigned colour) { return colour & 0xFF; }
    SavedView saved_[2];
    float savedView_ = 0.0f;
};

TEST_F(EffectObjectTest, ExplosionGrowsFadesAndEnds)
{
    CEffectObject* e = Make(EffectFile("GEFFECT_EXPLODE", "10", "1.0", 0));
    Step(e, 1000);  // one step of a whole second: the full growth rate
    EXPECT_NEAR(e->scale.x, 1.0f + 10.0f, 1e-4f);
    EXPECT_NEAR(e->growth, 10.0f / 6.0f, 1e-4f);
    Free(e);

    e = Make(EffectFile("GEFFECT_EXPLODE", "10", "1.0", 0));
    e->growth = 10.0f;
    Step(e, 100);
    EXPECT_NEAR(e->scale.x, 2.0f, 1e-4f);
    EXPECT_NEAR(e->growth, 10.0f / 1.5f, 1e-4f);
    Step(e, 390);
    EXPECT_EQ(e->vertexColour, 0xFFFFFFFFu);  // white until half of its life
    EXPECT_EQ(e->colourChanged, 1);
    Step(e, 260);
    EXPECT_EQ(e->vertexColour >> 24, 0xFFu);
    EXPECT_NEAR(int(Grey(e->vertexColour)), 127, 1);
    Step(e, 240);
    EXPECT_LE(Grey(e->vertexColour), 6u);
    EXPECT_EQ(e->endState, 0);
    Step(e, 20);
    // Ended: hidden; without a sound it leaves at the next step.
    EXPECT_EQ(e->endState, 1);
    EXPECT_FLOAT_EQ(Vec3Length(e->scale2), 0.0f);
    EXPECT_FLOAT_EQ(e->remainingLife, 0.0f);
    EXPECT_FLOAT_EQ(e->alive, 1.0f);
    Step(e, 10);
    EXPECT_EQ(e->endState, 2);
    EXPECT_FLOAT_EQ(e->alive, 0.0f);
    Free(e);
}

TEST_F(EffectObjectTest, ExplosionFacesTheCameraAndMoves)
{
    CEffectObject* e = Make(EffectFile("GEFFECT_EXPLODE", "0", "2.0", 0));
    e->position = Vec3(50, 0, 0);
    e->direction = Vec3(0, 1, 0);
    e->speed = 20.0f;
    Step(e, 500);
    EXPECT_NEAR(e->position.y, 10.0f, 1e-3f);
    const Vec3 forward(e->worldMatrix.m[2][0], e->worldMatrix.m[2][1], e->worldMatrix.m[2][2]);
    const Vec3 toEye = Vec3Normalize(g_World.cameras[1].eye - Vec3(50, 0, 0));
    EXPECT_GT(Vec3Dot(forward, toEye), 0.99f);
    // Drawn where the step began, 2 units nearer the eye; the matrices follow.
    const Vec3 placed(50, 0, 0);
    EXPECT_NEAR(Vec3Length(e->drawPosition - (placed + Vec3Normalize(g_World.cameras[1].eye - placed) * 2.0f)), 0.0f,
                0.25f);
    EXPECT_FLOAT_EQ(e->drawMatrix.m[3][0], e->drawPosition.x);
    EXPECT_FLOAT_EQ(e->worldMatrix.m[3][1], e->position.y);
    Free(e);
}

TEST_F(EffectObjectTest, ExplosionSoundFollowsTheBlastAndSoundsWhileItRuns)
{
    ASSERT_TRUE(wavtest::WriteFile("Data/T/Boom.wav", wavtest::PcmWav(22050)));
    g_Settings.audio = 1;
    SoundDevice::UseLoopback(true);
    ASSERT_EQ(g_AudioManager.Init(nullptr), SND_OK);
    const int savedKind = g_LocationKind, savedWorld = g_WorldIndex;
    g_LocationKind = g_WorldIndex = 1;
    {
        EffectObjectText t;
        t.growth = "0";
        t.life = "2.0";
        t.actions = {Col("ACTION_DEAD", "00000000Data/T/Boom.wav")};
        CEffectObject* e = Make(t.Text());
        CSound* boom = e->sounds[ACTION_DEAD];
        ASSERT_NE(boom, nullptr);
        e->position = Vec3(50, 0, 0);
        e->direction = Vec3(0, 1, 0);
        e->speed = 20.0f;
        Step(e, 500);
        EXPECT_TRUE(boom->IsPlaying());
        Step(e, 500);
        g_AudioManager.device->CommitDeferredSettings();
        EXPECT_NEAR(boom->buffer3D->Get3DPosition().y, 10.0f, 1e-3f);  // where the step began
        // Stopped while the blast runs: it sounds again; once the blast is over, it does not.
        boom->Stop();
        Step(e, 100);
        EXPECT_TRUE(boom->IsPlaying());
        EXPECT_EQ(e->deadSoundStarted, 2);
        Step(e, 1000);
        boom->Stop();
        Step(e, 100);
        EXPECT_FALSE(boom->IsPlaying());
        EXPECT_EQ(e->alive, 0.0f);
        Free(e);
    }
    g_LocationKind = savedKind;
    g_WorldIndex = savedWorld;
    g_AudioManager.Release();
    SoundDevice::UseLoopback(false);
    g_Settings.audio = 0;
}

TEST_F(EffectObjectTest, FarExplosionKeepsItsApparentSize)
{
    g_ViewDistance = 4000.0f;
    CEffectObject* e = Make(EffectFile("GEFFECT_EXPLODE", "0", "2.0", 0));
    e->scale = Vec3(100, 100, 100);
    e->position = Vec3(0, 0, 5900);  // 6000 from the eye
    Step(e, 10);
    EXPECT_NEAR(e->scale2.x, 0.65f, 1e-4f);
    EXPECT_NEAR(e->scale2.z, 0.65f, 1e-4f);
    // 3900 along the line of sight, then 2 nearer the eye.
    EXPECT_NEAR(e->drawPosition.z - g_World.cameras[1].eye.z, 3898.0f, 0.05f);

    e->position = Vec3(0, 0, 900);
    Step(e, 10);
    EXPECT_FLOAT_EQ(e->scale2.x, 1.0f);
    Free(e);
}

TEST_F(EffectObjectTest, ExplosionFramesFollowItsLife)
{
    CEffectObject* e = Make(EffectFile("GEFFECT_EXPLODE", "0", "1.0", 0));
    e->textureCount = 4.0f;  // frames, as four loaded textures would give
    Step(e, 300);
    EXPECT_NEAR(e->currentTexture, 1.2f, 1e-3f);
    EXPECT_EQ(e->vertexColour, 0xFFFFFFFFu);  // animated: never faded
    Step(e, 600);
    EXPECT_EQ(e->vertexColour, 0xFFFFFFFFu);
    Step(e, 500);
    EXPECT_FLOAT_EQ(e->currentTexture, 3.0f);
    Free(e);
}

TEST_F(EffectObjectTest, PlanetExplosionIsDrawnJustInFront)
{
    g_WorldIndex = 0;
    CEffectObject* e = Make(EffectFile("GEFFECT_EXPLODE", "0", "1.0", 0));
    e->position = Vec3(0, 0, 100);
    Step(e, 10);
    EXPECT_NEAR(e->drawPosition.z, 99.8f, 1e-3f);
    EXPECT_FLOAT_EQ(e->drawMatrix.m[3][2], e->drawPosition.z);
    // The planet world keeps counting the life down past 0.
    Step(e, 1000);
    EXPECT_EQ(e->endState, 1);
    EXPECT_LT(e->remainingLife, 0.0f);
    Free(e);
}

TEST_F(EffectObjectTest, PartTumblesShrinksAndLeaves)
{
    CEffectObject* e = Make(EffectFile("GTYPE_SP_PARTSHIP", "20", "0", 0, "2.0"));
    e->alive = 0.5f;
    e->direction = Vec3(0, 0, 3);
    Step(e, 10);
    EXPECT_FLOAT_EQ(e->alive, 1.0f);
    EXPECT_EQ(e->endState, 1);
    EXPECT_FLOAT_EQ(e->phaseLength, 3.0f);
    for (float a : {e->angularStep.x, e->angularStep.y, e->angularStep.z}) {
        EXPECT_GE(a, -0.025f - 1e-6f);
        EXPECT_LE(a, 0.025f + 1e-6f);
    }
    const Matrix start = e->worldMatrix;
    Step(e, 1000);
    EXPECT_NEAR(e->position.z, 20.0f, 1e-3f);  // unit direction times growth
    EXPECT_FLOAT_EQ(e->scale.x, 1.0f);
    EXPECT_NE(std::memcmp(&start, &e->worldMatrix, sizeof start), 0);
    Step(e, 1250);
    EXPECT_NEAR(e->scale.x, 0.5f, 1e-3f);  // 2.25 s: halfway between 1.5 s and 3 s
    Step(e, 760);
    EXPECT_EQ(e->endState, 2);
    EXPECT_FLOAT_EQ(Vec3Length(e->scale2), 0.0f);
    EXPECT_FLOAT_EQ(e->phaseLength, 1.0f);
    Step(e, 990);
    EXPECT_FLOAT_EQ(e->alive, 1.0f);
    Step(e, 20);
    EXPECT_EQ(e->endState, 3);
    EXPECT_FLOAT_EQ(e->alive, 0.0f);
    Free(e);
}

TEST_F(EffectObjectTest, SmokePuffGrowsDarkensAndIsRemoved)
{
    CEffectObject* e = Make(EffectFile("GEFFECT_SMOKECLOUD", "6", "2.0", 0));
    e->scale = Vec3(0, 0, 0);
    e->direction = Vec3(1, 0, 0);
    e->speed = 10.0f;
    ASSERT_TRUE(CObjectList::AddEffect(e));
    g_GameClock.gameTime += 1000.0;
    CObjectList::UpdateAll();
    EXPECT_NEAR(e->scale.y, 6.0f, 1e-4f);
    EXPECT_NEAR(e->position.x, 10.0f, 1e-4f);
    EXPECT_EQ(Grey(e->vertexColour), 127u);
    g_GameClock.gameTime += 1000.0;
    CObjectList::UpdateAll();
    EXPECT_FLOAT_EQ(e->alive, 0.0f);
    EXPECT_EQ(Grey(e->vertexColour), 0u);
    CObjectList::UpdateAll();
    EXPECT_EQ(CObjectList::CountEffects(), 0);
}

TEST_F(EffectObjectTest, ZeroLifeAndZeroInertiaStayFinite)
{
    CEffectObject* e = Make(EffectFile("GEFFECT_EXPLODE", "3", "0", 0));
    e->textureCount = 4.0f;
    Step(e, 10);
    EXPECT_EQ(e->endState, 1);
    EXPECT_FLOAT_EQ(e->currentTexture, 3.0f);
    Free(e);
    e = Make(EffectFile("GTYPE_SP_PARTSHIP", "3", "0", 0, "0"));
    Step(e, 10);
    EXPECT_TRUE(std::isfinite(e->angularStep.x));
    Free(e);
    e = Make(EffectFile("GEFFECT_SMOKECLOUD", "3", "0", 0));
    Step(e, 10);
    EXPECT_FLOAT_EQ(e->alive, 0.0f);
    Free(e);
}

}  // namespace
