// The few services of other subsystems that units, items and attached effects use,
// gathered in one place: the game clock, the world's mode flags, sounds, lights and
// the cockpit's render targets.
#pragma once
#include <cstddef>
#include <cstdint>

class CSound;
class CGameObject;
class CAttachedEffect;

// Game time in whole milliseconds (fraction dropped).
uint32_t UnitNowMs();
int UnitWorldIndex();
int UnitLocationKind();
int UnitGameMode();
int UnitLocationId();
int UnitEnglish();
int UnitSoundOn();
const char* UnitPlayerName();
// Network game: the local player's id, the resource choice (0..2), the next bullet id.
int UnitLocalPlayerId();
int UnitResourceChoice();
int UnitNextNetworkId();
int UnitRand();

CSound* UnitLoadSound(const char* name, int type, float minDistance, float maxDistance);
// Called with every sound name a unit, item or effect asks for (the data check lists them).
extern void (*g_UnitSoundRequestHook)(const char* name);
void UnitReleaseSound(CSound** sound);
void UnitStopSound(CSound* sound);
void UnitPlaySoundOnce(CSound* sound);
void UnitSetSoundVolume(CSound* sound, float level);
void UnitSetSoundDistances(CSound* sound, float minDistance, float maxDistance);

// World light slots for light-source effects; -1 when none is free.
int UnitAddLight(CGameObject* owner);
void UnitFreeLight(int slot);

// Cockpit panels that draw into an effect's texture.
void UnitCreateRadarTarget(CAttachedEffect* effect);
void UnitCreateScreenTarget(CAttachedEffect* effect, int screen);
void UnitCreateCommTarget(CAttachedEffect* effect);

// Copies a text into a buffer of size bytes, cut to fit; null copies as empty.
void UnitCopyText(char* out, size_t size, const char* text);
