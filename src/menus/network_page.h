// Page 7 of the game menu: creating or joining a network game.
#pragma once

namespace CGameMenu {
void CreateNetworkPage();
void UpdateNetworkPage();
int OnClickNetworkPage();
void DrawNetworkPage(float percent);
}
