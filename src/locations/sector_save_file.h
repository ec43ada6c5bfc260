// The two files of a sector save (Sector NN.dat with the hero station's ships and ore,
// Sector NN.stat with their pilots' statistics) as plain records: byte layout, checks
// on everything read, and writing through a temporary file so an old save survives a
// failed write. Nothing here touches the world; sector_save.cpp moves the records in and
// out of the hero station.
#pragma once
#include <cstddef>
#include <cstdint>

#include "world/objects/unit.h"

constexpr int kSaveMaxShips = kMaxDocked;
constexpr int kSaveMaxItems = kMaxUnitItems;
constexpr int kSavePathLength = 255;
constexpr int kSavePilotNameLength = 128;
constexpr size_t kSaveHeaderBytes = 8;
constexpr size_t kSaveShipBytes = 682;
constexpr size_t kSaveItemBytes = 275;
constexpr size_t kSaveStatBytes = 36;
// The largest .dat a valid save can have: 16 ships with 10 items each.
constexpr size_t kSaveMaxDatBytes = kSaveHeaderBytes + kSaveMaxShips * (kSaveShipBytes + kSaveMaxItems * kSaveItemBytes);
constexpr size_t kSaveMaxStatBytes = kSaveMaxShips * kSaveStatBytes;

struct SectorSaveItem {
    char path[kSavePathLength];
    float rangeBonus;
    float secondBonus;      // shot speed
    float capacityBonus;
    float reloadBonus;
    int32_t ammo;
};

struct SectorSaveShip {
    char path[kSavePathLength];
    float hull;
    float bonuses[5];       // hull, rating, engine, manoeuvring, shot value
    char privateData[kSavePathLength];
    int32_t sex;
    char pilotName[kSavePilotNameLength];
    float skill;
    float skill2;
    int32_t voicePitch;
    int32_t itemCount;
    SectorSaveItem items[kSaveMaxItems];
    CPilotStatistics statistics;
};

struct SectorSave {
    int32_t shipCount;
    float ore;
    SectorSaveShip ships[kSaveMaxShips];
};

// "Save/PP/Sector NN.dat" / ".stat" of a pilot slot; the default start is
// "Save/Skip/Sector 01.*". False when the slot (0..9) or sector (1..13) is out of range.
bool SectorSavePath(char* out, size_t size, int slot, int sector, bool statistics);
void SkipSavePath(char* out, size_t size, bool statistics);
// Folder that holds the pilots' folders ("Save"); tools and tests may point it elsewhere.
void SetSaveRoot(const char* folder);
const char* GetSaveRoot();

// A private-data name holding "Mercenaries" is stored as "Human/" + the text from it on.
void SavePrivateDataName(const char* name, char* out, size_t size);

// Bytes of the two files. Returns false when a buffer is too small or the record does
// not fit the format (counts out of range).
bool EncodeSectorSave(const SectorSave& save, uint8_t* dat, size_t datCapacity, size_t* datSize, uint8_t* stat,
                      size_t statCapacity, size_t* statSize);
// Reads a .dat. Every count, string and number is checked; false (with the reason in why)
// refuses the whole file. Statistics are zeroed.
bool DecodeSectorSaveDat(const uint8_t* data, size_t size, SectorSave* save, char* why, size_t whySize);
// Reads a .stat for the ships of save: exactly one 36-byte record per ship.
bool DecodeSectorSaveStat(const uint8_t* data, size_t size, SectorSave* save, char* why, size_t whySize);

// Whole file into buffer; false when missing or larger than capacity. A passing refusal
// of the open (an interrupted call, descriptors used up) is tried again.
bool ReadWholeFile(const char* path, uint8_t* buffer, size_t capacity, size_t* size);
// Writes "<path>.tmp" whole and on the disk; a failed write, flush or close removes it.
// Passing refusals are tried again; each failure is logged with its cause.
bool WriteTempFile(const char* path, const uint8_t* data, size_t size);
// Renames "<path>.tmp" over the file. False (temporary file removed) when it cannot.
bool CommitTempFile(const char* path);
// Removes "<path>.tmp", or the file itself (false when it is still there).
void RemoveTempFile(const char* path);
bool RemoveSaveFile(const char* path);
// Renames the file to "<path>.bad" (replacing an older one). False when it cannot.
bool KeepAsBad(const char* path);
// "<path>.old" holds the file while a save may still fail: set aside, put back, dropped.
// Each is true when done (or when there was nothing to do).
bool SetAside(const char* path);
bool PutBack(const char* path);
bool DropSetAside(const char* path);
// A pair write cut short (a kill, a power cut) is finished or undone so that the pair
// stays whole. The .dat's rename commits a pair: a "<dat>.tmp" left means the new pair was
// never committed; it is undone (the .stat's temporary file removed, old statistics set
// aside put back) and the "<dat>.tmp" goes last, so a repair cut short is repaired the
// same way. Without it the pair was committed: old statistics set aside go, and a
// "<stat>.tmp" (written whole before the commit) takes the .stat's place.
enum { kPairStuck = -2, kPairUndone = -1, kPairWhole = 0, kPairFinished = 1 };
// kPairStuck: a file step failed; what is left is repaired again by the next try.
int RecoverSectorSavePair(const char* dat, const char* stat);
// The commit of a pair: "<dat>.tmp" takes the .dat's place. On failure the temporary file
// stays, the mark the undo removes last.
bool CommitSectorSaveDat(const char* dat);
bool UndoSectorSavePair(const char* dat, const char* stat);
bool FinishSectorSavePair(const char* stat);
// Called before (after 0) and after (1) each file step of a save and of its repair, with
// the file written, renamed or removed; null in the game. Tests end the process there to
// see what a kill at that moment leaves, or fill the disk under the file.
extern void (*g_SectorSaveFileStep)(const char* path, int after);
// WriteTempFile then CommitTempFile: the old file stays when anything fails.
bool WriteFileSafely(const char* path, const uint8_t* data, size_t size);
