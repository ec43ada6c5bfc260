// The pilots page of the game menu: the ten pilot slots and the new-pilot dialog.
#pragma once

// The name of the current pilot.
extern char g_PlayerName[24];
