// Scene scripts of the campaign sectors' own ships (the disabled ship, convoys, escorts,
// pirates in wait) and of the spawned traffic. Each returns true when it handled the unit.
#pragma once

class CUnit;

// Kinds 20200 to 20202 in sectors 1 to 3 (the disabled ship, the sector 2 convoy, the
// sector 3 escort).
bool RunSectorMissionScript(CUnit* u, int scriptKind, float dt);
// Kinds 20200 to 20202 in sectors 1 and 4 to 8 (convoys, escorts, pirates, followers).
bool RunConvoyScript(CUnit* u, int scriptKind, float dt);
// Kind 20400: traffic, pirate and alien ships that keep the scene alive.
bool RunTrafficScript(CUnit* u, int scriptKind, float dt);
// All of the above, in that order.
bool RunSectorScript(CUnit* u, int scriptKind, float dt);

// Radio talks the scripts open go through this when set (tests script the outcome of a
// talk); otherwise through the comm window.
extern int (*g_SceneTalkHook)(CUnit* unit, int startLine);
// Called with every report of a missing unit or dialog line (besides the debug log).
extern void (*g_SceneReportHook)(const char* line);
// Forgets which missing units and dialog lines were already reported (a new location).
void ResetSceneReports();
