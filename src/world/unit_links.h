// Left only for the two flight sources that still read the sound switch and the
// random generator through it; new code uses g_Settings.audio and GameRand directly.
#pragma once
#include "app/settings.h"
#include "platform/crt/rand.h"

inline int UnitSoundOn() { return g_Settings.audio != 0; }
inline int UnitRand() { return GameRand(); }
