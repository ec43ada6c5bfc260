#include "app/winmain.h"

int WinMain()
{
    return 0;
}
