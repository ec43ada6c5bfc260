// The start logo and the loading screen: two displays that draw and present whole
// frames by themselves, outside the world's draw pass.
#pragma once

// Runs the logo to its end (or until the window closes); afterwards the setting
// "Start logo" is 0.
void ShowStartLogo();
// Draws and presents one frame: percent 0..100 while loading, -1 when leaving the game.
void DrawLoadingScreen(int percent);
// The moving glow of the loading bar at a percentage: its centre x and radius.
void LoadingGlow(int percent, float* x, float* radius);
