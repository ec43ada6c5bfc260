// The services units use from other subsystems.
#include "world/unit_links.h"

#include <cstring>

#include "app/settings.h"
#include "audio/audio_manager.h"
#include "audio/sound.h"
#include "locations/location_director.h"
#include "platform/crt/rand.h"
#include "world/game_clock.h"
#include "world/world.h"

uint32_t UnitNowMs() { return g_GameClock.NowMs(); }
int UnitWorldIndex() { return g_WorldIndex; }
int UnitLocationKind() { return g_LocationKind; }
int UnitGameMode() { return g_GameMode; }
int UnitLocationId() { return g_LocationDirector.locationId; }
int UnitEnglish() { return g_Settings.language == 1; }
int UnitSoundOn() { return g_Settings.audio != 0; }
int UnitRand() { return GameRand(); }

// The pilot profiles, the network session and the object registry come with their
// own subsystems; until then a unit sees no player name and no network game data.
const char* UnitPlayerName() { return ""; }
int UnitLocalPlayerId() { return -1; }
int UnitResourceChoice() { return 0; }
int UnitNextNetworkId() { return -1; }

void (*g_UnitSoundRequestHook)(const char* name) = nullptr;

CSound* UnitLoadSound(const char* name, int type, float minDistance, float maxDistance)
{
    if (g_UnitSoundRequestHook && name) g_UnitSoundRequestHook(name);
    return g_AudioManager.LoadSound(name, type, minDistance, maxDistance);
}

void UnitReleaseSound(CSound** sound)
{
    if (sound && *sound) g_AudioManager.ReleaseSound(sound);
}

void UnitStopSound(CSound* sound)
{
    if (sound) sound->Stop();
}

void UnitPlaySoundOnce(CSound* sound)
{
    if (sound) sound->Play(0);
}

void UnitSetSoundVolume(CSound* sound, float level)
{
    if (sound) sound->SetVolume(level);
}

void UnitSetSoundDistances(CSound* sound, float minDistance, float maxDistance)
{
    if (!sound) return;
    sound->minDistance = minDistance;
    sound->maxDistance = maxDistance;
    sound->SetMinMaxDistance(minDistance, maxDistance);
}

// World lights and the cockpit's panels belong to the world container and the
// flight interface; a light source holds no slot and no panel texture is made
// until they offer them.
int UnitAddLight(CGameObject*) { return -1; }
void UnitFreeLight(int) {}
void UnitCreateRadarTarget(CAttachedEffect*) {}
void UnitCreateScreenTarget(CAttachedEffect*, int) {}
void UnitCreateCommTarget(CAttachedEffect*) {}

void UnitCopyText(char* out, size_t size, const char* text)
{
    if (!out || size == 0) return;
    size_t n = text ? std::strlen(text) : 0;
    if (n > size - 1) n = size - 1;
    if (n) std::memmove(out, text, n);
    out[n] = 0;
}
