// Process entry: the game's frame starts in WinMain.
#include "app/winmain.h"

int main()
{
    return WinMain();
}
