#include "menus/pilots_page.h"

char g_PlayerName[24] = "";
