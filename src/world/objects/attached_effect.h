// Attached effects: visual and functional parts of a unit or an effect object.
#pragma once
#include <cstdint>

#include "world/objects/game_object.h"

class CSound;
class CDescFile;

constexpr int kSpriteMatrixCount = 128;
constexpr int kTrailPointCount = 64;
constexpr int kFlareCount = 16;
constexpr int kAsteroidFieldSprites = 16;

struct FlareSprite {
    float x, y, width, height;
    float u0, v0, u1, v1;
    int textureId;
};

class CAttachedEffect : public CGameObject {
public:
    uint32_t lastUpdateTime;
    int32_t started;
    CSound* sound;
    Matrix spriteMatrices[kSpriteMatrixCount];
    CGameObject* parent;            // a CUnit or a CEffectObject
    uint32_t trailCount;
    Vec3 trailPoints[kTrailPointCount];
    float trailIntensities[kTrailPointCount];
    float trailValues[kTrailPointCount];
    uint32_t trailTimes[kTrailPointCount];
    int32_t lightSlot;
    float lightRange;
    float attenuation[3];
    float colour1[4];
    float colour2[4];
    float doorOpening;
    uint32_t doorWord;
    uint32_t switchTime;
    int32_t doorState;
    int32_t requestedState;
    int32_t flareTypes[kFlareCount];
    uint32_t flareColours[kFlareCount];
    uint32_t flareColours2[kFlareCount];
    float flareSizes[kFlareCount];
    FlareSprite flareSprites[2];
    uint32_t flareWords[2];
    int32_t asteroidCount;
    Vec3 cockpitSway;
    float cockpitLever;

    CAttachedEffect();
    CAttachedEffect(const CAttachedEffect&) = delete;
    CAttachedEffect& operator=(const CAttachedEffect&) = delete;

    // Reads one block from the parent's open description file (its first line already
    // skipped by the parent) and sets the effect up by kind. Returns 1.
    int Load(CDescFile& file, CGameObject* parentObject);
    // Reads a block without keeping it: the surplus blocks above a record's limit.
    static void SkipBlock(CDescFile& file);
    // Reads an effects section (its count line, then the blocks, each after a line of its
    // own) into effects[*count...]; blocks past limit are read and dropped.
    static void LoadBlocks(CDescFile& file, CGameObject* parentObject, CAttachedEffect** effects, int32_t* count,
                           int limit);
    // The set-up by kind after the block's lines (exposed for the parent's loaders and tests).
    void SetUpByKind(const char* soundName);
    void Update();
    void SetSoundState(int state);
    void SetAnimFrameByPercent(float percent);
    void StopSound();
    void ReleaseSound();
    void Release();
    void SetDefaultLights(int textureId0, int textureId1);

    // Drawing in the world's pass by kind (attached_effect_draw.cpp); flag 0 draws with
    // the draw matrix, 1 with the world matrix.
    void Draw(int flag);
    // Ray tests of the parts (part_hits.cpp). rays: count segments of two points each.
    // The gate connector stands at every connector point of the parent's mesh.
    bool CollideParts(const Vec3* rays, int count, Vec3* outPoint);
    // The segment (two points) against the part: a gate connector at each of its places,
    // any other part once as it stands (part_hits.cpp). The first hit fills outPoint.
    bool HitTestParts(const Vec3* segment, Vec3* outPoint);
    bool HitTestPartsRay(float extraRadius, const Vec3* segment, Vec3* outPoint);

    // ---- Attached-effect drawing ----
    // The sun's lens flare from the table of SetDefaultLights, for the parent sun.
    void DrawSunFlare(CGameObject* sun);
    // The flat projection onto y = 0 along a light travelling in direction; identity when
    // the light runs parallel to the ground.
    static Matrix ShadowMatrixY0(const Vec3& direction);
    // Shadow alpha of the sun for its strength (0 below 0.4, full above 0.8, then / 1.15).
    static float SunShadowAlpha(float strength);
    // Engine flame length at a speed, with the random shortening f and the dying factor h.
    static float EngineFlameLength(float speed, float engineMax, float f, float h, bool spaceWorld);
    // ---- end of attached-effect drawing ----

private:
    // Engine flame: the engine's loop follows the parent, its pitch and volume the speed.
    void UpdateEngineSound();
    // Light source: the world light slot on the parent's first light point.
    void PlaceLight();
};
