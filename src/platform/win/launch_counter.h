// The launch counter: a per-boot value per game title, standing in for a value
// in a volatile registry key. It lives in a small state file in $XDG_RUNTIME_DIR
// (else /tmp) holding the boot id and the counter; a different boot id means
// the value vanished with the last restart.
#pragma once

// False when nothing is stored since this boot or the store is unusable.
bool LaunchCounterRead(const char* title, unsigned* value);
// Stores the value under this boot's id; false when the store is unusable.
bool LaunchCounterWrite(const char* title, unsigned value);
// Tests: the state directory and the boot-id file; null restores the default.
void LaunchCounterSetPaths(const char* stateDir, const char* bootIdFile);
