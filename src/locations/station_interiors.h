// The interiors of the space world's stations: the two texts a station's order in
// Main.loc gives it. The first, when not empty, is the planet-world folder that
// docking opens; the second is kept beside it.
#pragma once

class CUnit;

constexpr int kMaxStationInteriors = 64;
constexpr int kStationTextSize = 256;

struct StationInterior {
    int objectId;
    char folder[kStationTextSize];
    char secondText[kStationTextSize];
};

// Forgets every station's texts (start of a space load).
void ClearStationInteriors();
// Records the texts of the station with this object id (replacing earlier ones).
// 0 when the table is full.
int SetStationInterior(int objectId, const char* folder, const char* secondText);
// The interior folder of a station ("" when it has none), looked up by its object id.
const char* StationInteriorFolder(const CUnit* station);
const StationInterior* FindStationInterior(int objectId);
int StationInteriorCount();
const StationInterior* StationInteriorAt(int index);
