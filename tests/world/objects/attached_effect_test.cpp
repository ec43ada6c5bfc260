// Attached effects: block reading by kind, the set-up, doors and the asteroid field.
#include "world/objects/attached_effect.h"

#include "app/settings.h"
#include "audio/audio_manager.h"
#include "world/objects/desc_file.h"
#include "world/objects/unit.h"
#include "world/unit_test_util.h"
#include "audio/wav_builder.h"

#include <cmath>
#include <memory>

namespace {

class EffectTest : public UnitFilesTest {
protected:
    // Loads the first block of a file holding the given blocks, then reads the marker line.
    std::unique_ptr<CAttachedEffect> LoadBlock(const std::string& block, CGameObject* parent, std::string* after)
    {
        WriteFile("Data/T/E.obj", block + Col("After", "marker"));
        CDescFile f;
        EXPECT_EQ(f.Open("Data/T/E.obj"), 1);
        f.SkipLine();
        auto e = std::make_unique<CAttachedEffect>();
        e->Load(f, parent);
        char text[255];
        f.ReadText(text, sizeof text);
        *after = text;
        return e;
    }
};

TEST_F(EffectTest, ConstructedRecord)
{
    CAttachedEffect e;
    EXPECT_EQ(e.lightSlot, -1);
    EXPECT_EQ(e.requestedState, -1);
    EXPECT_EQ(e.sound, nullptr);
    EXPECT_EQ(e.asteroidCount, 0);
}

TEST_F(EffectTest, GateBayReadsItsNarrowColourLine)
{
    CUnit parent;
    std::string after;
    auto e = LoadBlock(EffectBlock("GEFFECT_GATEBAY", {"Data/T/Door.msh"}, {}, "", "255 128 064"), &parent, &after);
    EXPECT_EQ(after, "marker");
    EXPECT_EQ(e->kind, GEFFECT_GATEBAY);
    EXPECT_FLOAT_EQ(e->colour1[0], 255.0f);
    EXPECT_FLOAT_EQ(e->colour1[1], 128.0f);
    EXPECT_FLOAT_EQ(e->colour1[2], 64.0f);
    EXPECT_FLOAT_EQ(e->colour1[3], 1.0f);
    EXPECT_EQ(e->drawMode, 2);
    EXPECT_EQ(e->parent, &parent);
    EXPECT_EQ(e->meshCount, 1);
    e->Release();
}

TEST_F(EffectTest, LightSourceBlockEndsAfterItsColours)
{
    CUnit parent;
    std::string after;
    auto e = LoadBlock(LightBlock(), &parent, &after);
    EXPECT_EQ(after, "marker");
    EXPECT_FLOAT_EQ(e->lightRange, 750.0f);
    EXPECT_FLOAT_EQ(e->attenuation[0], 1.0f);
    EXPECT_FLOAT_EQ(e->attenuation[1], 0.5f);
    EXPECT_FLOAT_EQ(e->colour1[2], 1.0f);
    EXPECT_FLOAT_EQ(e->colour2[3], 1.0f);
    e->Release();
    EXPECT_EQ(e->lightSlot, -1);
}

TEST_F(EffectTest, SkipBlockConsumesEveryKindOfBlock)
{
    std::string blocks = LightBlock() + EffectBlock("GEFFECT_GATEBAY", {"a.msh", "b.msh"}, {"t1.bmp", "", "t3.bmp"}, "", "001 002 003") +
                         EffectBlock("GEFFECT_ENGINEFLAME", {}, {}, "x.wav");
    WriteFile("Data/T/E.obj", blocks + Col("After", "marker"));
    CDescFile f;
    ASSERT_EQ(f.Open("Data/T/E.obj"), 1);
    for (int i = 0; i < 3; ++i) {
        f.SkipLine();
        CAttachedEffect::SkipBlock(f);
    }
    char text[255];
    f.ReadText(text, sizeof text);
    EXPECT_STREQ(text, "marker");
}

TEST_F(EffectTest, DrawModesByKind)
{
    CUnit parent;
    std::string after;
    EXPECT_EQ(LoadBlock(EffectBlock("GEFFECT_SELFILLUM_PART"), &parent, &after)->drawMode, 2);
    EXPECT_EQ(LoadBlock(EffectBlock("GEFFECT_ENGINEFLAME", {}, {}, "Data/None.wav"), &parent, &after)->drawMode, 1);
    EXPECT_EQ(LoadBlock(EffectBlock("GEFFECT_PLANETSKY"), &parent, &after)->drawMode, 1);
    EXPECT_EQ(LoadBlock(EffectBlock("GEFFECT_COCKPIT_SCREEN3"), &parent, &after)->drawMode, 2);
    EXPECT_EQ(LoadBlock(EffectBlock("GEFFECT_OBJECTSHADOW"), &parent, &after)->drawMode, 0);
}

TEST_F(EffectTest, AsteroidFieldSpritesFrom30000To15000)
{
    CUnit parent;
    std::string after;
    auto e = LoadBlock(EffectBlock("GEFFECT_ASTEROIDS_FIELD"), &parent, &after);
    ASSERT_EQ(e->asteroidCount, 16);
    for (int i = 0; i < 16; ++i) {
        const Matrix& m = e->spriteMatrices[i];
        float d = Vec3Length(Vec3(m.m[3][0], m.m[3][1], m.m[3][2]));
        EXPECT_NEAR(d, 30000.0f - 1000.0f * i, 1.0f) << i;
    }
}

TEST_F(EffectTest, DoorOpensAndClosesOnGameTime)
{
    CUnit parent;
    parent.hull = 100.0f;
    std::string after;
    auto e = LoadBlock(EffectBlock("GEFFECT_GATEDOOR", {"Data/T/Door.msh"}), &parent, &after);
    e->SetSoundState(1);
    EXPECT_EQ(e->requestedState, 1);
    g_GameClock.gameTime += 1000.0;
    e->Update();
    EXPECT_NEAR(e->doorOpening, 30.0f, 0.01f);
    EXPECT_EQ(e->doorState, 1);
    EXPECT_EQ(e->currentFrame, 1u);  // (5 - 1) * 0.3
    e->SetSoundState(0);
    g_GameClock.gameTime += 1000.0;
    e->Update();
    EXPECT_FLOAT_EQ(e->doorOpening, 0.0f);
    EXPECT_EQ(e->doorState, 0);
    EXPECT_EQ(e->requestedState, -1);

    // Fully open, no request pending: a second open is ignored.
    e->SetSoundState(1);
    g_GameClock.gameTime += 4000.0;
    e->Update();
    EXPECT_FLOAT_EQ(e->doorOpening, 100.0f);
    EXPECT_EQ(e->requestedState, -1);
    // With nothing pending it stays open.
    g_GameClock.gameTime += 2000.0;
    e->Update();
    EXPECT_FLOAT_EQ(e->doorOpening, 100.0f);
    EXPECT_EQ(e->doorState, 1);
    uint32_t stamp = e->switchTime;
    g_GameClock.gameTime += 500.0;
    e->SetSoundState(1);
    EXPECT_EQ(e->requestedState, -1);
    EXPECT_EQ(e->switchTime, stamp);
    e->Release();
}

TEST_F(EffectTest, MovingDoorSoundSitsOnTheDoorPoint)
{
    ASSERT_TRUE(wavtest::WriteFile("Data/T/Door.wav", wavtest::PcmWav(22050)));
    g_Settings.audio = 1;
    SoundDevice::UseLoopback(true);
    ASSERT_EQ(g_AudioManager.Init(nullptr), SND_OK);
    {
        CUnit parent;
        parent.hull = 100.0f;
        parent.scale = Vec3(2, 2, 2);
        parent.worldMatrix.m[3][0] = 10.0f;
        std::string after;
        auto e = LoadBlock(EffectBlock("GEFFECT_GATEDOOR", {"Data/T/Door.msh"}, {}, "Data/T/Door.wav"), &parent, &after);
        ASSERT_NE(e->sound, nullptr);
        EXPECT_FLOAT_EQ(e->sound->maxDistance, 1000.0f);
        e->SetSoundState(1);
        g_GameClock.gameTime += 100.0;
        e->Update();
        g_AudioManager.device->CommitDeferredSettings();
        // The mesh's first point (0, 0, 190), scaled by the door's scale, in the door's frame.
        const Vec3 at = e->sound->buffer3D->Get3DPosition();
        EXPECT_NEAR(at.x, 10.0f, 1e-3f);
        EXPECT_NEAR(at.y, 0.0f, 1e-3f);
        EXPECT_NEAR(at.z, 380.0f, 1e-3f);
        e->Release();
    }
    g_AudioManager.Release();
    SoundDevice::UseLoopback(false);
    g_Settings.audio = 0;
}

TEST_F(EffectTest, SunHaloFillsTheFlareTable)
{
    CAttachedEffect sun;
    sun.kind = GEFFECT_SUNGALO;
    sun.textureIds[0] = 7;
    sun.textureIds[1] = 9;
    sun.SetUpByKind("");
    EXPECT_EQ(sun.flareTypes[0], 0);
    EXPECT_EQ(sun.flareColours[0], 0x0A140000u);
    EXPECT_FLOAT_EQ(sun.flareSizes[0], 100.0f);
    EXPECT_EQ(sun.flareTypes[2], 1);
    EXPECT_EQ(sun.flareColours[7], 0x50646496u);
    EXPECT_EQ(sun.flareColours2[7], 0u);
    EXPECT_EQ(sun.flareColours2[13], 0u);
    EXPECT_EQ(sun.flareColours2[12], sun.flareColours[12]);
    EXPECT_EQ(sun.flareTypes[15], 1);
    EXPECT_EQ(sun.flareColours[15], 0xFF640064u);
    EXPECT_FLOAT_EQ(sun.flareSizes[15], 150.0f);
    EXPECT_EQ(sun.flareSprites[0].textureId, 7);
    EXPECT_FLOAT_EQ(sun.flareSprites[0].width, 256.0f);
    EXPECT_EQ(sun.flareSprites[1].textureId, 9);
    EXPECT_FLOAT_EQ(sun.flareSprites[1].width, 64.0f);
}

TEST_F(EffectTest, PlanetSkyTurnsTwiceTheOtherWay)
{
    CUnit planet;
    planet.angularStep = Vec3(0.0f, 0.01f, 0.0f);
    planet.scale = Vec3(3, 3, 3);
    CAttachedEffect sky;
    sky.kind = GEFFECT_PLANETSKY;
    sky.parent = &planet;
    sky.Update();
    EXPECT_FLOAT_EQ(sky.angularStep.y, -0.02f);
    EXPECT_FLOAT_EQ(sky.scale2.x, 1.01f);
    EXPECT_FLOAT_EQ(sky.scale.x, 3.0f);
}

} // namespace

namespace {

TEST_F(EffectTest, LightSourceHoldsASlotAndSitsOnTheFirstLightPoint)
{
    CUnit ship;
    ship.hull = 100.0f;
    ship.AddMesh("Data/T/Ship.msh", 0);  // first light point (-5.5, 0.2, -1.5)
    ship.position = Vec3(100, 0, 0);
    ship.scale2 = Vec3(2, 2, 2);
    ship.UpdateTransform();
    std::string after;
    auto light = LoadBlock(LightBlock(), &ship, &after);
    ASSERT_GE(light->lightSlot, 0);
    const int w = g_WorldIndex;
    EXPECT_EQ(g_World.lights[w][light->lightSlot].owner, &ship);
    light->Update();
    const D3DLIGHT9& l = g_World.lights[w][light->lightSlot].light;
    EXPECT_NEAR(l.Position.x, 100.0f - 11.0f, 1e-3f);
    EXPECT_NEAR(l.Position.y, 0.4f, 1e-3f);
    EXPECT_NEAR(l.Position.z, -3.0f, 1e-3f);
    EXPECT_FLOAT_EQ(l.Range, 750.0f);
    EXPECT_FLOAT_EQ(l.Attenuation1, 0.5f);
    EXPECT_FLOAT_EQ(l.Diffuse.b, 1.0f);
    EXPECT_FLOAT_EQ(l.Specular.g, 0.2f);

    // A dead parent leaves the light where it was.
    ship.hull = 0.0f;
    ship.position = Vec3(500, 0, 0);
    ship.UpdateTransform();
    light->Update();
    EXPECT_NEAR(g_World.lights[w][light->lightSlot].light.Position.x, 89.0f, 1e-3f);

    const int slot = light->lightSlot;
    light->Release();
    EXPECT_EQ(light->lightSlot, -1);
    EXPECT_EQ(g_World.lights[w][slot].deviceIndex, -1);
    EXPECT_EQ(g_World.FindFreeLightSlot(), 0);
    ship.Release();
}

TEST_F(EffectTest, PlanetHaloStandsBeforeThePlanetFacingTheEye)
{
    CCamera& camera = g_World.Camera();
    const Vec3 savedEye = camera.eye;
    camera.eye = Vec3(0, 0, -1000);
    CUnit planet;
    planet.position = planet.drawPosition = Vec3(0, 0, 3000);
    planet.scale = Vec3(4, 4, 4);
    CAttachedEffect halo;
    halo.kind = GEFFECT_PLANETGALO;
    halo.parent = &planet;
    halo.Update();
    EXPECT_FLOAT_EQ(halo.scale2.x, 1.25f);
    EXPECT_FLOAT_EQ(halo.scale.y, 4.0f);
    // 1.25 * 100 towards the eye.
    EXPECT_NEAR(halo.drawPosition.z, 3000.0f - 125.0f, 1e-2f);
    EXPECT_NEAR(halo.drawMatrix.m[3][2], 3000.0f - 125.0f, 1e-2f);
    EXPECT_NEAR(halo.worldMatrix.m[3][2], 3000.0f, 1e-2f);
    // Its forward axis points at the eye.
    EXPECT_NEAR(halo.worldMatrix.m[2][2], -1.0f, 1e-4f);
    camera.eye = savedEye;
}

} // namespace
