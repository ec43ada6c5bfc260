// The start logo and the loading screen.
#pragma once

// Runs the logo to its end; afterwards the setting "Start logo" is 0.
void ShowStartLogo();
// Draws and presents one frame: percent 0..100 while loading, -1 when leaving the game.
void DrawLoadingScreen(int percent);
