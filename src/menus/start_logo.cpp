#include "menus/start_logo.h"
#include "app/settings.h"

void ShowStartLogo()
{
    g_Settings.startLogo = 0;
}

void DrawLoadingScreen(int) {}
