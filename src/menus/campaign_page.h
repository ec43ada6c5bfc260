// The campaign and single-mission pages of the game menu (pages 5 and 6): one list of
// entries, the entry's picture and information, the load and back buttons; and the
// common frame of the pages 5 to 9.
#pragma once
#include <cstdint>

#include "menus/buttons.h"

constexpr int kListEntries = 13;
// Campaign sectors a pilot can reach, and the ids of single missions and maps (1 to 12).
constexpr int kMaxCampaignSectors = 12;
constexpr int kMaxMissionIds = 12;

extern CMenuButton g_ListEntryButtons[kListEntries];
// Entries in use (also the network page's map count).
extern unsigned g_ListEntryCount;
// Information of the selected entry.
extern int g_SectorShips;
extern float g_SectorOre;
extern char g_SingleMissionText[512];

namespace CGameMenu {
void CreateListPages();
// Fills the list of page 5 or 6 and opens the page (from the main menu).
void OpenListPage(int page);
// One frame of page 5 or 6.
void UpdateListPage();
// A press on page 5 or 6; 1 when a button took it.
int OnClickListPage();
// The selected entry, -1 none.
int SelectedListEntry();
void LoadPagePicture(int page, int index);
void ReleasePagePicture();
// Pages 5 to 9 at page-change progress p (0..100).
void DrawPage(float p, int page);
}

// "12.000" from 1.0 on, else the thousandths ("500" for 0.5).
void FormatIllirion(float ore, char* out, unsigned size);
// Breaks text into lines no wider than width at the scale; returns the line count.
int WrapMenuText(const char* text, float width, float scale, char lines[][128], int maxLines);
