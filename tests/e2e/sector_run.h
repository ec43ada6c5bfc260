// Runs that reach a campaign sector the way a player does: a pilot whose saves unlock the
// sector, the game menu's pilot page, "Продолжить кампанию" and its "Продолжить" (the list
// preselects the last sector unlocked). The launch counter is seeded as by an earlier start,
// so the window keeps the video mode of Game.ini instead of the desktop's.
#pragma once
#include "harness.h"

#include <string>
#include <vector>

// Window sizes of the video-mode rows under Xvfb: 0 is 640x480, 2 is 1024x768.
struct SectorWindow {
    int mode = 0, width = 640, height = 480;
    // Client pixels of a point of the 800x600 virtual screen.
    std::string At(float x, float y) const;
    std::string Click(int frame, float x, float y) const;
};

// Frame by which the chosen sector has begun to load.
constexpr int kSectorStartFrame = 200;
// Game time a frame advances (KORVANE_FRAME_MS); the game clock takes at most 50 ms a frame.
constexpr int kFrameMs = 50;

// Writes the pilot, its saves of sectors 1..sector (copies of the default start), Game.ini
// and the launch counter, and returns the menu clicks that start the sector.
std::string PrepareSectorRun(GameRun& run, int sector, const SectorWindow& window, const std::string& extraIni = "");

// Debug lines that tell of something a scene or the sector's data lacks; empty when none.
std::vector<std::string> MissingContentLines(const std::vector<std::string>& lines);

// True when a line starts with the prefix.
bool LogHasPrefix(const std::vector<std::string>& lines, const std::string& prefix);
