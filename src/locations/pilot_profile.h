// Pilot profiles: the current pilot slot, its folder under Save/ with Player.cfg, the
// accumulated ratings, the records table and the results of a mission.
#pragma once
#include <cstdint>

#include "world/objects/unit.h"

constexpr int kPilotSlots = 10;
// Characters of a name read from Player.cfg (with the terminator).
constexpr int kPilotNameSize = 64;
// A typed name: at most 16 characters.
constexpr int kPilotNameMaxTyped = 16;

// Folders under Save/: the ten pilots' and, as slot 10, the demo pilot's of a run without
// the game menu (so the demo never plays over a real pilot's saves).
constexpr int kPilotFolders = kPilotSlots + 1;

// Slot of the current pilot, 0 to 10, -1 while none is chosen; its folder is Save/NN.
extern int g_PilotSlot;

// "<save root>/NN/Player.cfg" of a slot; false when the slot is out of range.
bool PilotConfigPath(char* out, unsigned size, int slot);

// Makes the save root and the slot's folder "<save root>/NN" when they do not exist yet;
// false when the folder is not there afterwards.
bool MakePilotFolder(int slot);

// [Player data] "Name" of the slot's Player.cfg (empty when none); true when not empty.
bool ReadPilotName(int slot, char* out, unsigned size);

// A name the game can store: not empty, not all blanks, no control characters.
bool IsValidPilotName(const char* name);

// The slot's folder and its Player.cfg with the name and zero ratings. False (and
// nothing left behind but an existing folder) when the name is refused or anything
// cannot be written.
bool CreatePilotProfile(int slot, const char* name);

// A slot whose Player.cfg cannot be read (cut, junk, empty) is held by that damaged
// profile: the file is set aside as Player.cfg.bad (said once, with a message) and the
// slot's sector saves stay its own, so no new pilot takes the slot. True when held.
bool CheckPilotProfile(int slot);
bool IsPilotSlotHeld(int slot);

// Removes the slot's folder with its profile and sector saves.
bool DeletePilotProfile(int slot);

// One line of the records table.
struct PilotRating {
    char name[kPilotNameSize];
    float ore;
    int32_t kills;
    float killScore;
    int32_t rating;   // ore + killScore, truncated
};

enum PilotRatingKey { RATING_KEY_ORE = 0, RATING_KEY_KILLS = 1, RATING_KEY_RATING = 2 };

extern PilotRating g_PilotRatings[kPilotSlots];
extern int g_PilotRatingCount;

// Fills g_PilotRatings from every slot that holds a pilot and sorts it by the key.
void LoadPilotRatings(int key);
// Descending by the key; equal keys keep their order.
void SortPilotRatings(PilotRating* records, int count, int key);

// A row of the results page (menus/end_game.h).
struct MissionResultRow;

// Fills the table (kMissionResultRows rows, all cleared first): ore carriers by ore
// delivered, then fighters by enemies destroyed. Returns the rows used, also in *rowCount.
int CollectMissionResults(MissionResultRow* table, int* rowCount);
