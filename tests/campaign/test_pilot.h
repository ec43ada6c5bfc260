// The campaign run's test pilot: plays the game as a player, through the messages the
// window procedure gets (keys, characters, pointer moves and clicks). It reads the game's
// state to decide what to press, never writes it, and watches every location for a stall.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One row of the run's table: a location played to its end.
struct PilotRow {
    int location = -1;
    double gameSeconds = 0.0;
    unsigned frames = 0;
    double wallSeconds = 0.0;
    std::string end;  // how it ended ("" when it went on to the next location)
    int next = -1;    // the location that came after it (100 the game menu)
};

// What the pilot is asked to play, one goal after the other; then it closes the window.
enum class PilotGoalKind {
    Campaign,       // new campaign from the menu through the sector 12 finale
    SingleMission,  // the single mission `mission` (1..12) from its page
    Sector,         // the campaign's sector `mission` from its page, until the sector is left
};

struct PilotGoal {
    PilotGoalKind kind = PilotGoalKind::Campaign;
    int mission = 0;
};

struct PilotPlan {
    std::vector<PilotGoal> goals;
    // A single mission is left for the menu after so much game time.
    double secondsLimit = 300.0;
    // The run gives up after so many frames in all.
    unsigned frameLimit = 400000;
};

struct PilotReport {
    std::vector<PilotRow> rows;
    std::vector<std::string> failures;  // stalls and what is missing, each naming its location
    bool finished = false;              // every goal reached
};

// Installs the pilot as the platform's frame hook; Finish removes it and returns the report.
void StartPilot(const PilotPlan& plan);
PilotReport FinishPilot();

// The table, one line per row.
std::string FormatPilotTable(const PilotReport& report);
