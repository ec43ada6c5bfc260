// Campaign progress: the hero station's ships and ore saved per pilot and sector.
#pragma once

class CUnit;
struct SectorSave;

// Fills the hero station from the pilot's save of the sector.
void LoadSectorSave(int sector);
// Writes the hero station as the save of the sector; false (and said) when it could not.
bool WriteSectorSave(int sector);
// Number of unlocked sectors of the current pilot.
int CountSavedSectors();
// Ships and ore at the start of the sector's save (0 and 0.0 without one).
void ReadSectorSaveSummary(int sector, int* ships, float* ore);

// The station's docked ships and ore as save records.
void CaptureSectorSave(const CUnit* station, SectorSave* save);
// The records into the station: its docked ships are replaced. Returns the number of
// ships docked; a ship whose description cannot be loaded is left out.
int ApplySectorSave(CUnit* station, const SectorSave& save);
