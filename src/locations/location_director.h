// The location director: picks, loads and runs the locations one after another.
#pragma once

// -1 the game-menu scene, 0 single mission, 1 campaign, 2 network game.
extern int g_GameMode;

class CLocationDirector {
public:
    int locationId = -1;
    int missionOver = 0;

    void Init();
    void LoadNextLocation();
    void Frame();
    void EndLocation();
};

extern CLocationDirector g_LocationDirector;
