// Campaign progress seen from the menu and the scene scripts: which sector saves a pilot
// keeps, the save written when a sector is won, and the saves dropped when an earlier
// sector is replayed or a new campaign starts.
#pragma once

// After sector `sector` (1 to 11) is won the hero station becomes the save of the next
// sector; sector 12 ends the campaign and writes nothing. False when nothing was written.
bool SaveWonSector(int sector);
// Removes the current pilot's saves of the sectors first..last (both files of each).
void DeleteSectorSaves(int first, int last);
// The same for any pilot slot.
void DeleteSlotSectorSaves(int slot, int first, int last);
