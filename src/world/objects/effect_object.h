// Effect objects: explosions, smoke puffs, sparks and tumbling parts in a world's
// effect list, each with up to four attached effects and ten action sounds.
#pragma once
#include <cstdint>

#include "world/objects/game_object.h"
#include "world/objects/object_codes.h"

class CAttachedEffect;
class CSound;

constexpr int kMaxEffectObjectEffects = 4;
constexpr int kEffectObjectPathLength = 255;
constexpr int kEffectObjectNameLength = 129;

class CEffectObject : public CGameObject {
public:
    int32_t loaded;
    uint32_t lastUpdateTime;
    uint32_t phaseStartTime;
    uint32_t thirdTime;
    float phaseLength;
    int32_t effectCount;
    CAttachedEffect* effects[kMaxEffectObjectEffects];
    char filePath[kEffectObjectPathLength];
    char name[kEffectObjectNameLength];
    float alive;            // 0: the list removes it
    float damage;
    int32_t endState;
    Vec3 direction;
    float speed;
    float growth;
    float tumbleInertia;
    float lifeTime;
    float remainingLife;
    int32_t soundCount;
    CSound* sounds[kActionCount];
    int32_t deadSoundStarted;   // times the explosion's sound was (re)started


    CEffectObject();
    CEffectObject(const CEffectObject&) = delete;
    CEffectObject& operator=(const CEffectObject&) = delete;

    void ResetState();
    // Reads the description file ("Data/Space/Effect/MainExp_01/Main.obj" and the like);
    // 0 when it cannot be opened, which leaves alive at 0 for the list to remove.
    int Load(const char* path);
    // The step of a frame.
    void Update();
    // Placement after a location has loaded.
    void Prepare();
    void ResetTimers();
    void ReleaseSounds();
    // Effects, meshes, textures and sounds; the list frees the record.
    void Release();

private:
    void UpdatePart(uint32_t now, float dt);
    void UpdateExplosion(float dt);
    void UpdateSmoke(float dt);
    // Billboard: turned to face the current world's camera.
    void FaceCamera();
    // The angular step of this frame, matrices and the attached effects.
    void CommonStep(float dt);
    // The world matrix moved to the position, then the draw matrix: the world matrix
    // moved to the drawn position.
    void PlaceMatrices();
    void PlaceDrawMatrix();
};
