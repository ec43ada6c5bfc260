// The end of a mission: the dying player ship or home station and the scene scripts
// call EndGame with the result (0 a defeat, 1 a victory); the game menu comes back over
// the running location with the destroyed question or the results page.
#pragma once
#include <cstdint>

#include "menus/buttons.h"
#include "world/objects/unit.h"

// One line of the results page: a ship's pilot statistics and the ship.
struct MissionResultRow {
    CPilotStatistics statistics;
    CUnit* ship;
};
constexpr int kMissionResultRows = 17;

extern MissionResultRow g_MissionResults[kMissionResultRows];
extern int g_MissionResultCount;
// 1 from the click on the results page's "Продолжить" until the page closes.
extern int g_ResultsContinue;
// The results page's "Продолжить".
extern CMenuButton g_ResultsContinueButton;

// Rows of the results page shown a number of seconds after it opened: one by one
// during the opening, every row by its end.
int VisibleResultRows(float seconds, int rowCount);

void EndGame(int result);

// The session totals of a results table: the mission's ore, enemies destroyed and kill score.
void SumMissionResults(const MissionResultRow* rows, int count, float* ore, int* kills, float* killScore);

namespace CGameMenu {
void CreateResultsPage();
// Page 14 logic, each menu frame.
void UpdateResultsPage();
int OnClickResultsPage();
void DrawResults();
}
