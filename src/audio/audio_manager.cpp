#include "audio/audio_manager.h"

CAudioManager g_AudioManager;

int CAudioManager::Init() { return 0; }
void CAudioManager::Release() {}
void CAudioManager::ApplyVolumes() {}
void CAudioManager::StopAll() {}
void CAudioManager::ResumeAll() {}
void CAudioManager::ReleaseSound(CSound*) {}
void PauseAllSounds() {}
