// Pilot profiles: the current pilot slot, its folder under Save/ and its ratings.
#pragma once

// Slot of the current pilot, 0 to 9; its folder is Save/NN.
extern int g_PilotSlot;

// "<save root>/NN/Player.cfg" of a slot; false when the slot is out of range.
bool PilotConfigPath(char* out, unsigned size, int slot);

// Makes the save root and the slot's folder "<save root>/NN" when they do not exist yet.
void MakePilotFolder(int slot);

struct MissionResultRow;
// Fills the results page's table (at most 17 rows) with the ships of the player's side.
void CollectMissionResults(MissionResultRow* table, int* rowCount);
